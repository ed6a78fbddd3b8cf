#pragma once
// StatusSink: how core operations put a notice into the first field of the
// status bar while they run, and the texts of the status codes.
//
// The window implements StatusSink (it decides whether the bar is visible,
// and shows the undo-mode and test-mode texts instead when those are on);
// operations that may take a while set their code with ScopedStatus, which
// puts the previous code back when the operation ends. Core code never
// composes status texts itself: they all come from StatusText().

#include <string>
#include <string_view>

#include "core/message_text.h"

namespace tessivo {

namespace status_code {
inline constexpr int kCountsOnly = -1;  // only remembers the selection counts
inline constexpr int kIdle = -2;
inline constexpr int kBlank = 0;
inline constexpr int kSorting = 1;
inline constexpr int kDeletingSelected = 2;
inline constexpr int kClearingAll = 3;
inline constexpr int kLoading = 4;
inline constexpr int kFirstModeHelp = 5;  // 5..24: help of RenameMode (code - 4)
inline constexpr int kLastModeHelp = 24;
inline constexpr int kSelectingAll = 25;
inline constexpr int kInvertingSelection = 26;
}  // namespace status_code

class StatusSink {
 public:
  virtual ~StatusSink() = default;
  // Shows the text of `code` (status_code::) in the first field.
  virtual void SetStatus(int code) = 0;
  // The code shown now, so an operation can put it back when it ends.
  virtual int CurrentStatus() const = 0;
};

// What the first field shows in undo mode, whatever the code.
inline std::u16string_view UndoModeStatusText() { return Text(MessageId::kStatusUndoMode); }
// The banner repeated across the field in test mode.
inline std::u16string_view TestModeBanner() { return Text(MessageId::kStatusTestModeBanner); }
// The text that clears the field: a row of full-width spaces.
inline constexpr std::u16string_view kBlankStatusText =
    u"　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　";

// The fixed text of `code`. Codes 5..24 (the mode help texts) are composed
// by ModeHelpStatusText from the mode catalogue and give an empty view here;
// 0, 27 and every other code give kBlankStatusText.
inline std::u16string_view StatusText(int code) {
  switch (code) {
    case status_code::kIdle:
      return Text(MessageId::kStatusIdle);
    case status_code::kSorting:
      return Text(MessageId::kStatusSorting);
    case status_code::kDeletingSelected:
      return Text(MessageId::kStatusDeletingSelected);
    case status_code::kClearingAll:
      return Text(MessageId::kStatusClearingAll);
    case status_code::kLoading:
      return Text(MessageId::kStatusLoading);
    case status_code::kSelectingAll:
      return Text(MessageId::kStatusSelectingAll);
    case status_code::kInvertingSelection:
      return Text(MessageId::kStatusInvertingSelection);
    default:
      break;
  }
  if (code >= status_code::kFirstModeHelp && code <= status_code::kLastModeHelp) return {};
  return kBlankStatusText;
}

// The text of codes 5..24: the mode's name in brackets, then its help text.
inline std::u16string ModeHelpStatusText(std::u16string_view mode_name, std::u16string_view help) {
  std::u16string text(u"【");
  text.append(mode_name).append(u"】").append(help);
  return text;
}

// The second field: "選択 %3d/ %3d" (selected rows, all rows).
inline std::u16string SelectionCountText(int selected, int total) {
  auto padded = [](int n) {
    std::string digits = std::to_string(n);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), ' ');
    return std::u16string(digits.begin(), digits.end());
  };
  return FillMessage(MessageId::kStatusSelectionCount, {padded(selected), padded(total)});
}

// Shows `code` for as long as the object lives, then puts back the code that
// was shown before. A null sink does nothing. The sink must outlive it.
class ScopedStatus {
 public:
  ScopedStatus(StatusSink* sink, int code) : sink_(sink) {
    if (sink_ == nullptr) return;
    previous_ = sink_->CurrentStatus();
    sink_->SetStatus(code);
  }
  ~ScopedStatus() {
    if (sink_ != nullptr) sink_->SetStatus(previous_);
  }
  ScopedStatus(const ScopedStatus&) = delete;
  ScopedStatus& operator=(const ScopedStatus&) = delete;

 private:
  StatusSink* sink_;
  int previous_ = status_code::kBlank;
};

}  // namespace tessivo
