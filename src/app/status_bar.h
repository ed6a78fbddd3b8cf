#pragma once
// The status bar's policy, without the widgets: which text the first field
// shows for a status code, when SetStatus does nothing, and the rule that a
// field is rewritten only when what it shows changed.
//
// StatusBar is the StatusSink the list, the scanner and the sorter write to
// in the window program; the window hands it two functions that put the
// texts into its fields (and repaint them, as long loops pump no events).

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/status_sink.h"

namespace tessivo {

// The test-mode banner as the first field shows it: kTestModeBanner, four
// times over, which fills the field at any window width the layout allows
// (the widget cuts what does not fit).
inline constexpr int kTestModeBannerRepeats = 4;
std::u16string TestModeStatusText();

// What the first field shows for `code` (status_code::), or nullopt when
// SetStatus must leave the bar alone: the bar is hidden, or an unattended
// run goes on outside test mode. Code −1 (counts only) gives nullopt too.
// Undo mode shows kUndoModeStatusText for every code, test mode the banner.
std::optional<std::u16string> StatusBarText(int code, bool undo_mode, bool test_mode,
                                            bool unattended, bool bar_shown);

class StatusBar : public StatusSink {
 public:
  // Put a text into the first field / the second field ("選択 %3d/ %3d").
  std::function<void(const std::u16string&)> show_text;
  std::function<void(const std::u16string&)> show_counts;
  // Called after either field was rewritten.
  std::function<void()> written;

  bool undo_mode = false;
  bool test_mode = false;
  bool unattended = false;
  bool bar_shown = true;

  void SetStatus(int code) override;
  int CurrentStatus() const override { return code_; }

  // The selection counts: the second field is rewritten when they changed.
  void SetCounts(int selected, int total);

  // Shows the current code again under the current flags (after undo mode,
  // test mode or the bar's visibility changed); rewritten only on change.
  void Refresh() { SetStatus(code_); }

  // What the fields show now (empty before the first write).
  const std::u16string& text() const { return text_; }
  const std::u16string& counts() const { return counts_text_; }

 private:
  int code_ = status_code::kBlank;
  std::u16string text_;
  bool text_written_ = false;
  std::u16string counts_text_;
};

}  // namespace tessivo
