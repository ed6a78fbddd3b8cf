#include "core/message.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/headless_message_sink.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

// Every kind composed with text_a "a" and text_b "b" (kind 5 takes a code):
// which catalogue texts it takes, what it puts in them, and its buttons.
TEST(ComposeMessageTest, KindsPickTheirTextsArgumentsAndButtons) {
  using namespace box;
  using K = MessageKind;
  using M = MessageId;
  const BoxStyle stop = kYesNo | kIconStop | kDefButton2, warn = kYesNo | kIconWarning;
  const BoxStyle ync = kYesNoCancel | kDefButton3 | kIconWarning;
  const std::vector<std::u16string> a{u"a"}, ab{u"a", u"b"};
  const struct { K kind; unsigned mode; M title, text; std::vector<std::u16string> args;
      BoxStyle style; std::u16string b = u"b"; } cases[] = {
      {K::kChangeFailed, 1, M::kContinueTitle, M::kChangeFailedName, ab, stop},
      {K::kChangeFailed, 19, M::kContinueTitle, M::kChangeFailedName, ab, stop},
      {K::kChangeFailed, 13, M::kContinueTitle, M::kChangeFailedTimestamp, a, stop},
      {K::kChangeFailed, 14, M::kContinueTitle, M::kChangeFailedAttributes, a, stop},
      {K::kChangeFailed, 20, M::kContinueTitle, M::kChangeFailedAttributes, a, stop},
      {K::kOfferMoreFiles, 0, M::kTooManyFilesTitle, M::kOfferMoreFiles, {u"1000", u"2000"}, warn},
      {K::kOfferMoreFiles, 6, M::kTooManyFilesTitle, M::kOfferMoreFiles, {u"50000", u"50000"}, warn},
      {K::kNoMemory, 0, M::kNoMemoryTitle, M::kNoMemoryText, {}, kOk | kIconStop},
      {K::kEndModeFirst, 0, M::kStopModeTellTitle, M::kEndModeTell, {u"a", u"設定を開け"}, kOk, u"1,1"},
      {K::kEndModeFirst, 0, M::kStopModeTellTitle, M::kEndModeTell, {u"a", u"ファイルを読み込め"},
       kOk, u"0,1"},
      {K::kEndModeFirst, 0, M::kStopModeAskTitle, M::kEndModeAsk, {u"a", u"ファイルを読み込め"},
       kYesNo, u"0,0"},
      {K::kConfirmCancel, 3, M::kRenameTitle, M::kConfirmName, ab, ync},
      {K::kConfirm, 13, M::kChangeTitle, M::kConfirmTimestamp, a, warn},
      {K::kConfirmCancel, 14, M::kChangeTitle, M::kConfirmAttributes, a, ync},
      {K::kConfirm, 20, M::kContinueTitle, M::kConfirmOther, a, warn},
      {K::kListFull, 5, M::kTooManyFilesTitle, M::kListFullText, {}, kOk},
      {K::kListFull, 6, M::kTooManyFilesTitle, M::kListExceededText, {}, kOk | kIconStop},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.kind) << " mode " << c.mode);
    const std::optional<MessageBox> box = ComposeMessage(c.kind, c.mode, u"a", c.b);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(std::tuple(box->title_id, box->text_id, box->args, box->title, box->text, box->owned),
              std::tuple(c.title, c.text, c.args, std::u16string(Text(c.title)),
                         FillMessage(Text(c.text), c.args), true));
    EXPECT_TRUE(box->style == c.style);
  }
  for (const auto& [kind, mode] : {std::pair{K::kChangeFailed, 25u}, {K::kListFull, 25u}}) {
    EXPECT_FALSE(ComposeMessage(kind, mode, u"a", u"b")) << static_cast<int>(kind);
  }
}

TEST(MessageTextTest, KeysFindTheirEntriesAndFillPutsValuesInPlace) {
  for (const MessageText& entry : AllMessageTexts()) {
    EXPECT_EQ(FindMessageKey(entry.key), entry.id) << entry.key;
  }
  EXPECT_EQ(AllMessageTexts().size(), static_cast<std::size_t>(MessageId::kCount));
  EXPECT_FALSE(FindMessageKey("title.none"));
  // Markers may repeat and come in any order; a value's own '%1' stays.
  EXPECT_EQ(FillMessage(u"%2-%1-%2 %3 100% %", {u"%1", u"b"}), u"b-%1-b  100% %");
}

// A shown box gets the sink's answer (No); a box nobody sees gets Yes or OK.
TEST(ShowMessageTest, PolicyDecidesHowABoxIsShown) {
  using namespace autoflag;
  const std::uint32_t hidden = 1;  // an unattended run code, window hidden
  const struct { std::uint32_t flags; MessageLevel level; BoxStyle style; bool top_most; int answer;
  } cases[] = {
      {0, kLevelError, box::kYesNo, false, kAnswerNo},
      {hidden, kLevelInfo, box::kYesNo, false, kAnswerYes},
      {hidden, kLevelQuestion, box::kYesNoCancel, false, kAnswerOk},
      {hidden, kLevelError, box::kOk | box::kIconStop, false, kAnswerOk},
      {hidden | kErrMsg, kLevelError, box::kOk, true, kAnswerNo},
      {hidden | kErrMsg, kLevelQuestion, box::kYesNo, false, kAnswerYes},
      {hidden | kAllMsg, kLevelQuestion, box::kYesNo, true, kAnswerNo},
      {hidden | kShow, kLevelInfo, box::kYesNo, false, kAnswerNo},
      {hidden | kShow | kErrMsg, kLevelError, box::kOk, true, kAnswerNo},
      {kShow | kNoExit | kErrMsg, kLevelInfo, box::kOk, false, kAnswerNo},
      {kMacroFile, kLevelInfo, box::kYesNo, false, kAnswerYes},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags << " level " << c.level);
    ScriptedSink sink(kAnswerNo);
    Messenger messenger(sink);
    messenger.set_auto_flags(c.flags);
    EXPECT_EQ(messenger.ShowMessage(c.style, u"T", u"text", c.level), c.answer);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(std::pair(sink.shown[0].text, sink.shown[0].owned),
              std::pair(std::u16string(u"text"), !c.top_most));
    EXPECT_TRUE(sink.shown[0].style == (c.top_most ? c.style | box::kTopMost : c.style));
  }
  // Calls that compose no box answer OK and reach no sink.
  ScriptedSink sink(kAnswerNo);
  Messenger messenger(sink);
  for (std::uint32_t flags : {0u, hidden | kAllMsg}) {
    messenger.set_auto_flags(flags);
    EXPECT_EQ(messenger.ShowMessage(MessageKind::kConfirm, 25, u"a", u"b", kLevelQuestion),
              kAnswerOk);
  }
  EXPECT_TRUE(sink.shown.empty());
}

TEST(HeadlessMessageSinkTest, WritesOneValidUtf8LinePerMessageWithTheAnswer) {
  std::ostringstream out;
  HeadlessMessageSink sink(out);
  Messenger messenger(sink);
  messenger.set_auto_flags(1);  // hidden unattended run
  EXPECT_EQ(messenger.ShowMessage(box::kYesNo, u"Q", u"a\r\nb", kLevelQuestion), kAnswerYes);
  messenger.set_auto_flags(1 | autoflag::kAllMsg);  // would be shown: no display
  EXPECT_EQ(messenger.ShowMessage(box::kOk, u"E", u"c", kLevelError), kAnswerOk);
  EXPECT_EQ(sink.count(), 2);
  EXPECT_EQ(out.str(),
            "[Q] a b => Yes (answered automatically)\n"
            "[E] c => OK (no display; answered automatically)\n");
  // Breaks fold to one space; broken surrogates become U+FFFD.
  const struct { std::u16string title, text; int answer; std::string line; } cases[] = {
      {u"T", u"\n\na\r\n\r\nb\nc\r\n", kAnswerCancel, "[T] a b c => Cancel"},
      {u"T\tab", u"x\u2028y", 42, "[T ab] x y => 42"},
      {u"T", u"\xD83D\xDE00 bad\xDC80!\xD800", kAnswerOk,
       "[T] \xF0\x9F\x98\x80 bad\xEF\xBF\xBD!\xEF\xBF\xBD => OK"},
      {u"", u"", kAnswerNo, "[]  => No"},
  };
  for (const auto& c : cases) {
    MessageBox shown;
    shown.title = c.title;
    shown.text = c.text;
    EXPECT_EQ(FormatMessageLine(shown, c.answer, false),
              c.line + " (answered automatically)");
  }
}

}  // namespace
}  // namespace tessivo
