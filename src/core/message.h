#pragma once
// ShowMessage: the one way Tessivo shows a message box.
//
// It composes the texts of the program's recurring questions (kinds 1 to 8)
// or takes title and text from the caller (kind 0), and applies the policy
// for unattended runs: a box is shown by the MessageSink, or answered
// automatically. The window program implements MessageSink with real boxes;
// unattended runs and tests use HeadlessMessageSink.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessivo {

// Answers, as the system message box returns them.
enum MessageAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

// Box styles (Windows MB_* values, so kind 0 callers can pass them as `mode`).
namespace box {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kOkCancel = 0x1;
inline constexpr unsigned kYesNoCancel = 0x3;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kIconStop = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconWarning = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kDefButton2 = 0x100;
inline constexpr unsigned kDefButton3 = 0x200;
inline constexpr unsigned kTopMost = 0x40000;
}  // namespace box

// Message levels passed by callers.
enum MessageLevel : int { kLevelInfo = 0, kLevelError = 1, kLevelQuestion = 2 };

// Automation flags word: bits set from the command line, 0 in interactive use.
namespace autoflag {
inline constexpr std::uint32_t kRunCodeMask = 0x7F;  // 1-25 macro, 51 attr, 52 time, 53 replace, 54 undo
inline constexpr std::uint32_t kShow = 0x80;
inline constexpr std::uint32_t kNoExit = 0x100;
inline constexpr std::uint32_t kMacroFile = 0x200;
inline constexpr std::uint32_t kErrMsg = 0x400;
inline constexpr std::uint32_t kAllMsg = 0x800;
}  // namespace autoflag

// One composed box, as handed to a sink.
struct MessageBox {
  std::u16string title;
  std::u16string text;
  unsigned style = 0;     // box:: bits
  bool owned = true;      // false: no owner window, shown top-most
};

// Where boxes go. Show() returns the answer of the box; Note() receives a
// box that the policy answered without showing, with the answer it took.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual int Show(const MessageBox& box) = 0;
  virtual void Note(const MessageBox& box, int answer) = 0;
};

// Holds the sink and the automation state that decide how a message is
// shown. The program owns one and passes it on; tests make fresh ones.
class Messenger {
 public:
  explicit Messenger(MessageSink& sink) : sink_(&sink) {}

  std::uint32_t auto_flags() const { return auto_flags_; }
  void set_auto_flags(std::uint32_t flags) { auto_flags_ = flags; }
  bool test_mode() const { return test_mode_; }
  void set_test_mode(bool on) { test_mode_ = on; }
  MessageSink& sink() { return *sink_; }

  // Composes the text of `kind` (0: title = text_a, text = text_b, style =
  // mode) and shows or answers it by the policy. Returns the answer.
  int ShowMessage(int kind, unsigned mode, std::u16string_view text_a,
                  std::u16string_view text_b, int level);

 private:
  MessageSink* sink_;
  std::uint32_t auto_flags_ = 0;
  bool test_mode_ = false;
};

}  // namespace tessivo
