#pragma once
// ShowMessage: the one way Tessivo shows a message box.
//
// It composes the texts of the program's recurring questions (kinds 1 to 8)
// or takes title and text from the caller (kind 0), and applies the policy
// for unattended runs: a box is shown by the MessageSink, or answered
// automatically. The window program implements MessageSink with real boxes;
// unattended runs and tests use HeadlessMessageSink.

#include <cstdint>
#include <optional>
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

// Kinds of ShowMessage.
namespace message_kind {
inline constexpr int kCustom = 0;        // title text_a, text text_b, style mode
inline constexpr int kChangeFailed = 1;  // old name / file, new name; mode = RenameMode
inline constexpr int kOfferMoreFiles = 2;  // mode = the maxfilenum index
inline constexpr int kNoMemory = 3;
inline constexpr int kEndModeFirst = 5;  // text_a the phrase, text_b "a,b" (see below)
inline constexpr int kConfirmCancel = 6;  // Yes/No/Cancel; mode = RenameMode
inline constexpr int kConfirm = 7;        // Yes/No; mode = RenameMode
inline constexpr int kListFull = 8;       // mode = the maxfilenum index
}  // namespace message_kind

// The box a kind shows, or nullopt when it shows none (kinds 4, 9 and above,
// negative kinds, and any non-zero kind with a mode of 25 or more).
//   1, 6, 7: text_a the old name (or the file), text_b the new name; the
//            texts depend on the mode group: name modes (below 13, or 19),
//            timestamp (13), attributes (14; in kind 1 every other mode too).
//   2, 8:    mode is the `maxfilenum` index; kind 2 names the limit and the
//            next step, kind 8 says the largest step is exceeded from index 6.
//   5:       text_a ends the other mode ("マクロ記録を中止"); text_b[0] picks
//            the action ('0' reading files, '1' opening the options) and
//            text_b[2] == '0' makes it a Yes/No question instead of a notice.
std::optional<MessageBox> ComposeMessage(int kind, unsigned mode, std::u16string_view text_a,
                                         std::u16string_view text_b);

// The answer of a box nobody sees: Yes when its style has the Yes/No bit
// (value 4), OK otherwise.
inline int AutomaticAnswer(unsigned style) {
  return (style & box::kYesNo) != 0 ? kAnswerYes : kAnswerOk;
}

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

  // Composes the box of `kind` (see ComposeMessage) and shows or answers it
  // by the policy:
  //   flags 0 (interactive)             shown, owned by the window;
  //   kErrMsg set and level kLevelError shown without owner, top-most;
  //   kAllMsg set                       shown without owner, top-most;
  //   kShow clear (hidden run)          not shown: Note()d with the
  //                                     AutomaticAnswer of its style;
  //   otherwise                         shown, owned by the window.
  // Returns the answer (kAnswer*). A kind that composes no box answers 1
  // and reaches neither Show nor Note.
  int ShowMessage(int kind, unsigned mode, std::u16string_view text_a,
                  std::u16string_view text_b, int level);

 private:
  MessageSink* sink_;
  std::uint32_t auto_flags_ = 0;
  bool test_mode_ = false;
};

}  // namespace tessivo
