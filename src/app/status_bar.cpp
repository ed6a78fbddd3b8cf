#include "app/status_bar.h"

#include "modes/mode_catalogue.h"

namespace tessivo {

std::u16string TestModeStatusText() {
  std::u16string text;
  for (int i = 0; i < kTestModeBannerRepeats; ++i) text.append(kTestModeBanner);
  return text;
}

std::optional<std::u16string> StatusBarText(int code, bool undo_mode, bool test_mode,
                                            bool unattended, bool bar_shown) {
  if (!bar_shown || (unattended && !test_mode) || code == status_code::kCountsOnly) {
    return std::nullopt;
  }
  if (undo_mode) return std::u16string(kUndoModeStatusText);
  if (test_mode) return TestModeStatusText();
  if (code >= status_code::kFirstModeHelp && code <= status_code::kLastModeHelp) {
    return ModeStatusText(code);
  }
  return std::u16string(StatusText(code));
}

void StatusBar::SetStatus(int code) {
  std::optional<std::u16string> text =
      StatusBarText(code, undo_mode, test_mode, unattended, bar_shown);
  if (!text) return;
  code_ = code;
  if (text_written_ && *text == text_) return;
  text_ = std::move(*text);
  text_written_ = true;
  if (show_text) show_text(text_);
  if (written) written();
}

void StatusBar::SetCounts(int selected, int total) {
  std::u16string text = SelectionCountText(selected, total);
  if (text == counts_text_) return;
  counts_text_ = std::move(text);
  if (show_counts) show_counts(counts_text_);
  if (written) written();
}

}  // namespace tessivo
