#pragma once
// ShowMessage: the one way Tessivo shows a message box.
//
// It composes the texts of the program's recurring questions (MessageKind)
// or takes title and text from the caller, and applies the policy
// for unattended runs: a box is shown by the MessageSink, or answered
// automatically. The window program implements MessageSink with real boxes;
// unattended runs and tests use HeadlessMessageSink.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/message_text.h"

namespace tessivo {

// Answers, as the system message box returns them.
enum MessageAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

// Box styles: buttons, icon and placement, as bits (the Windows MB_* values).
enum class BoxStyle : unsigned {};
constexpr BoxStyle operator|(BoxStyle a, BoxStyle b) {
  return static_cast<BoxStyle>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr BoxStyle& operator|=(BoxStyle& a, BoxStyle b) { return a = a | b; }
// True when `style` has every bit of `bits`.
constexpr bool HasStyle(BoxStyle style, BoxStyle bits) {
  return (static_cast<unsigned>(style) & static_cast<unsigned>(bits)) == static_cast<unsigned>(bits);
}

namespace box {
inline constexpr BoxStyle kOk{0x0};
inline constexpr BoxStyle kOkCancel{0x1};
inline constexpr BoxStyle kYesNoCancel{0x3};
inline constexpr BoxStyle kYesNo{0x4};
inline constexpr BoxStyle kIconStop{0x10};
inline constexpr BoxStyle kIconQuestion{0x20};
inline constexpr BoxStyle kIconWarning{0x30};
inline constexpr BoxStyle kIconInformation{0x40};
inline constexpr BoxStyle kDefButton2{0x100};
inline constexpr BoxStyle kDefButton3{0x200};
inline constexpr BoxStyle kTopMost{0x40000};
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

// One composed box, as handed to a sink. `title` and `text` are what the
// program shows; `title_id`, `text_id` and `args` say which catalogue texts
// they were made from (FillMessage(Text(text_id), args) == text), so a window
// can show them translated. An id is empty when the caller spelled that text
// out itself.
struct MessageBox {
  std::u16string title;
  std::u16string text;
  BoxStyle style = box::kOk;
  bool owned = true;      // false: no owner window, shown top-most
  std::optional<MessageId> title_id;
  std::optional<MessageId> text_id;
  std::vector<std::u16string> args;
};

// Where boxes go. Show() returns the answer of the box; Note() receives a
// box that the policy answered without showing, with the answer it took.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual int Show(const MessageBox& box) = 0;
  virtual void Note(const MessageBox& box, int answer) = 0;
};

// The program's recurring questions, whose texts ShowMessage composes.
enum class MessageKind : int {
  kChangeFailed = 1,    // text_a old name (or the file), text_b new name; mode = RenameMode
  kOfferMoreFiles = 2,  // mode = the maxfilenum index
  kNoMemory = 3,
  kEndModeFirst = 5,    // text_a the phrase, text_b "a,b" (see below)
  kConfirmCancel = 6,   // Yes/No/Cancel; mode = RenameMode
  kConfirm = 7,         // Yes/No; mode = RenameMode
  kListFull = 8,        // mode = the maxfilenum index
};

// The box of a kind, or nullopt when it shows none (a mode of 25 or more).
//   1, 6, 7: the texts depend on the mode group: name modes (below 13, or
//            19), timestamp (13), attributes (14; in kind 1 every other mode
//            too).
//   2, 8:    mode is the `maxfilenum` index; kind 2 names the limit and the
//            next step, kind 8 says the largest step is exceeded from index 6.
//   5:       text_a ends the other mode ("マクロ記録を中止"); text_b[0] picks
//            the action ('0' reading files, '1' opening the options) and
//            text_b[2] == '0' makes it a Yes/No question instead of a notice.
std::optional<MessageBox> ComposeMessage(MessageKind kind, unsigned mode,
                                         std::u16string_view text_a, std::u16string_view text_b);

// The answer of a box nobody sees: Yes when its style has the Yes/No bit
// (value 4), OK otherwise.
inline int AutomaticAnswer(BoxStyle style) {
  return HasStyle(style, box::kYesNo) ? kAnswerYes : kAnswerOk;
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
  int ShowMessage(MessageKind kind, unsigned mode, std::u16string_view text_a,
                  std::u16string_view text_b, MessageLevel level);
  // A box of the caller's own: catalogue texts (no title when nullopt), the
  // text filled with `args`.
  int ShowMessage(BoxStyle style, std::optional<MessageId> title, MessageId text,
                  MessageLevel level,
                  std::initializer_list<std::u16string_view> args = {});
  // A box whose texts the caller has made itself (or passes on).
  int ShowMessage(BoxStyle style, std::u16string_view title, std::u16string_view text,
                  MessageLevel level);
  // Shows or answers a composed box by the policy above.
  int Show(MessageBox message, MessageLevel level);

 private:
  MessageSink* sink_;
  std::uint32_t auto_flags_ = 0;
  bool test_mode_ = false;
};

}  // namespace tessivo
