#include "core/message.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/headless_message_sink.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

// Every kind composed with text_a "a" and text_b "b" (kind 5 takes a code).
TEST(ComposeMessageTest, KindsComposeTheirTextsAndButtons) {
  using namespace box;
  const std::u16string qa = u"\"a\"\n", stamp = u"のタイムスタンプを", attr = u"の属性を";
  const std::u16string failed = u"変更できませんでした。\n\n続行しますか。";
  const std::u16string sure = u"変更します。\n\nよろしいですか？";
  const std::u16string cannot = u"\"a\"  を \n\"b\"  に\n" + failed;
  const std::u16string full = u"扱える最大ファイル数に達しました。\r\n\r\n";
  const unsigned stop_yes_no = kYesNo | kIconStop | kDefButton2;
  const unsigned yes_no_cancel = kYesNoCancel | kDefButton3 | kIconWarning;
  const unsigned warn = kYesNo | kIconWarning;
  const struct {
    int kind;
    unsigned mode;
    std::u16string title, text;
    unsigned style;
    std::u16string b = u"b";
  } cases[] = {
      {0, 99, u"a", u"b", 99},  // kind 0 takes any style
      {1, 1, u"Continue?", cannot, stop_yes_no},
      {1, 19, u"Continue?", cannot, stop_yes_no},
      {1, 13, u"Continue?", qa + stamp + failed, stop_yes_no},
      {1, 14, u"Continue?", qa + attr + failed, stop_yes_no},
      {2, 0, u"Too Many Files!", full + u"設定値を増加しますか。(1000 → 2000)", warn},
      {2, 6, u"Too Many Files!", full + u"設定値を増加しますか。(50000 → 50000)", warn},
      {5, 0, u"Stop this mode.", u"aしないと設定を開けません。", kOk, u"1,1"},
      {5, 0, u"Stop this mode.", u"aしないとファイルを読み込めません。", kOk, u"0,1"},
      {5, 0, u"Stop this mode?", u"aしないとファイルを読み込めません。\r\n\r\naしますか。", kYesNo,
       u"0,0"},
      {6, 3, u"Rename?", qa + u" ↓\n\"b\"\n\nに\n" + sure, yes_no_cancel},
      {7, 13, u"Change?", qa + stamp + sure, warn},
      {6, 14, u"Change?", qa + attr + sure, yes_no_cancel},
      {7, 20, u"Continue?", qa + u"\nの処理をします。よろしいですか？", warn},
      {8, 5, u"Too Many Files!", full + u"オプションで値を増加することができます。", kOk},
      {8, 6, u"Too Many Files!", u"扱える最大ファイル数を超えています。", kOk | kIconStop},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " mode " << c.mode);
    const std::optional<MessageBox> box = ComposeMessage(c.kind, c.mode, u"a", c.b);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, c.title);
    EXPECT_EQ(box->text, c.text);
    EXPECT_EQ(box->style, c.style);
    EXPECT_TRUE(box->owned);
  }
  for (const auto& [kind, mode] : {std::pair{4, 0u}, {9, 0u}, {-1, 0u}, {1, 25u}, {8, 25u}}) {
    EXPECT_FALSE(ComposeMessage(kind, mode, u"a", u"b")) << kind << " mode " << mode;
  }
}

// A shown box gets the sink's answer (No); a box nobody sees gets Yes or OK.
TEST(ShowMessageTest, PolicyDecidesHowABoxIsShown) {
  using namespace autoflag;
  const std::uint32_t hidden = 1;  // an unattended run code, window hidden
  const struct {
    std::uint32_t flags;
    int level;
    unsigned style;
    bool top_most;
    int answer;
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
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags << std::dec << " level "
                                    << c.level << " style " << c.style);
    ScriptedSink sink(kAnswerNo);
    Messenger messenger(sink);
    messenger.set_auto_flags(c.flags);
    EXPECT_EQ(messenger.ShowMessage(0, c.style, u"T", u"text", c.level), c.answer);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, u"text");
    EXPECT_EQ(sink.shown[0].owned, !c.top_most);
    EXPECT_EQ(sink.shown[0].style, c.style | (c.top_most ? box::kTopMost : 0u));
  }
  // Calls that compose no box answer OK and reach no sink.
  ScriptedSink sink(kAnswerNo);
  Messenger messenger(sink);
  for (std::uint32_t flags : {0u, hidden | kAllMsg}) {
    messenger.set_auto_flags(flags);
    EXPECT_EQ(messenger.ShowMessage(4, 0, u"", u"", kLevelError), kAnswerOk);
    EXPECT_EQ(messenger.ShowMessage(7, 25, u"a", u"b", kLevelQuestion), kAnswerOk);
  }
  EXPECT_TRUE(sink.shown.empty());
}

TEST(HeadlessMessageSinkTest, WritesOneLinePerMessageWithTheAnswer) {
  std::ostringstream out;
  HeadlessMessageSink sink(out);
  Messenger messenger(sink);
  messenger.set_auto_flags(1);  // hidden unattended run
  EXPECT_EQ(messenger.ShowMessage(2, 1, u"", u"", kLevelQuestion), kAnswerYes);
  messenger.set_auto_flags(1 | autoflag::kAllMsg);  // would be shown: no display
  EXPECT_EQ(messenger.ShowMessage(3, 0, u"", u"", kLevelError), kAnswerOk);
  EXPECT_EQ(sink.count(), 2);
  EXPECT_EQ(out.str(),
            "[Too Many Files!] 扱える最大ファイル数に達しました。 設定値を増加しますか。"
            "(2000 → 5000) => Yes (answered automatically)\n"
            "[Run Short of Memory!] メモリが不足しているため、処理できません。 => OK "
            "(no display; answered automatically)\n");
}

TEST(HeadlessMessageSinkTest, FoldsBreaksAndKeepsTheLineValidUtf8) {
  const struct {
    std::u16string title, text;
    int answer;
    std::string line;
  } cases[] = {
      {u"T", u"\n\na\r\n\r\nb\nc\r\n", kAnswerCancel, "[T] a b c => Cancel"},
      {u"T\tab", u"x\u2028y", 42, "[T ab] x y => 42"},
      {u"T", u"\xD83D\xDE00 bad\xDC80!\xD800", kAnswerOk,
       "[T] \xF0\x9F\x98\x80 bad\xEF\xBF\xBD!\xEF\xBF\xBD => OK"},
      {u"", u"", kAnswerNo, "[]  => No"},
  };
  for (const auto& c : cases) {
    const MessageBox box{c.title, c.text, box::kOk, true};
    EXPECT_EQ(FormatMessageLine(box, c.answer, false), c.line + " (answered automatically)");
  }
}

}  // namespace
}  // namespace tessivo
