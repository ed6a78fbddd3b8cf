#include "core/message.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/headless_message_sink.h"

namespace tessivo {
namespace {

TEST(ComposeMessageTest, KindsComposeTheirTextsAndButtons) {
  using namespace box;
  const std::u16string cannot = u"\"a.txt\"  を \n\"b.txt\"  に\n変更できませんでした。\n\n続行しますか。";
  const std::u16string rename = u"\"a.txt\"\n ↓\n\"b.txt\"\n\nに\n変更します。\n\nよろしいですか？";
  const std::u16string too_many = u"扱える最大ファイル数に達しました。\r\n\r\n";
  const unsigned stop_yes_no = kYesNo | kIconStop | kDefButton2;
  const struct {
    int kind;
    unsigned mode;
    std::u16string a, b, title, text;
    unsigned style;
  } cases[] = {
      {0, 99, u"t", u"x", u"t", u"x", 99},  // kind 0 takes any style
      {1, 1, u"a.txt", u"b.txt", u"Continue?", cannot, stop_yes_no},
      {1, 19, u"a.txt", u"b.txt", u"Continue?", cannot, stop_yes_no},
      {1, 13, u"/d/a.txt", u"", u"Continue?",
       u"\"/d/a.txt\"\nのタイムスタンプを変更できませんでした。\n\n続行しますか。", stop_yes_no},
      {1, 14, u"/d/a.txt", u"", u"Continue?",
       u"\"/d/a.txt\"\nの属性を変更できませんでした。\n\n続行しますか。", stop_yes_no},
      {2, 0, u"", u"", u"Too Many Files!", too_many + u"設定値を増加しますか。(1000 → 2000)",
       kYesNo | kIconWarning},
      {2, 6, u"", u"", u"Too Many Files!", too_many + u"設定値を増加しますか。(50000 → 50000)",
       kYesNo | kIconWarning},
      {3, 0, u"", u"", u"Run Short of Memory!", u"メモリが不足しているため、処理できません。",
       kOk | kIconStop},
      {5, 0, u"マクロ記録を中止", u"1,1", u"Stop this mode.",
       u"マクロ記録を中止しないと設定を開けません。", kOk},
      {5, 0, u"変更UnDoモードを中止", u"0,0", u"Stop this mode?",
       u"変更UnDoモードを中止しないとファイルを読み込めません。\r\n\r\n変更UnDoモードを中止しますか。",
       kYesNo},
      {6, 3, u"a.txt", u"b.txt", u"Rename?", rename, kYesNoCancel | kDefButton3 | kIconWarning},
      {7, 3, u"a.txt", u"b.txt", u"Rename?", rename, kYesNo | kIconWarning},
      {7, 13, u"/d/a.txt", u"", u"Change?",
       u"\"/d/a.txt\"\nのタイムスタンプを変更します。\n\nよろしいですか？", kYesNo | kIconWarning},
      {6, 14, u"/d/a.txt", u"", u"Change?", u"\"/d/a.txt\"\nの属性を変更します。\n\nよろしいですか？",
       kYesNoCancel | kDefButton3 | kIconWarning},
      {7, 20, u"x", u"", u"Continue?", u"\"x\"\n\nの処理をします。よろしいですか？",
       kYesNo | kIconWarning},
      {8, 5, u"", u"", u"Too Many Files!", too_many + u"オプションで値を増加することができます。",
       kOk},
      {8, 6, u"", u"", u"Too Many Files!", u"扱える最大ファイル数を超えています。", kOk | kIconStop},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " mode " << c.mode);
    const std::optional<MessageBox> box = ComposeMessage(c.kind, c.mode, c.a, c.b);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, c.title);
    EXPECT_EQ(box->text, c.text);
    EXPECT_EQ(box->style, c.style);
    EXPECT_TRUE(box->owned);
  }
  const struct {
    int kind;
    unsigned mode;
  } none[] = {{4, 0}, {9, 0}, {12, 1}, {-1, 0}, {1, 25}, {7, 30}, {2, 25}};
  for (const auto& c : none) {
    EXPECT_FALSE(ComposeMessage(c.kind, c.mode, u"a", u"b")) << c.kind << " mode " << c.mode;
  }
}

class RecordingSink : public MessageSink {
 public:
  int Show(const MessageBox& box) override {
    shown.push_back(box);
    return kAnswerNo;
  }
  void Note(const MessageBox& box, int a) override {
    noted.push_back(box);
    noted_answers.push_back(a);
  }
  std::vector<MessageBox> shown, noted;
  std::vector<int> noted_answers;
};

enum class Outcome { kOwned, kTopMost, kAnswered };

TEST(ShowMessageTest, PolicyDecidesHowABoxIsShown) {
  using namespace autoflag;
  const std::uint32_t hidden = 1;  // an unattended run code, window hidden
  const struct {
    std::uint32_t flags;
    int level;
    unsigned style;
    Outcome outcome;
    int answer;
  } cases[] = {
      {0, kLevelError, box::kYesNo, Outcome::kOwned, kAnswerNo},
      {hidden, kLevelInfo, box::kYesNo, Outcome::kAnswered, kAnswerYes},
      {hidden, kLevelQuestion, box::kYesNoCancel, Outcome::kAnswered, kAnswerOk},
      {hidden, kLevelError, box::kOk | box::kIconStop, Outcome::kAnswered, kAnswerOk},
      {hidden | kErrMsg, kLevelError, box::kOk, Outcome::kTopMost, kAnswerNo},
      {hidden | kErrMsg, kLevelQuestion, box::kYesNo, Outcome::kAnswered, kAnswerYes},
      {hidden | kAllMsg, kLevelQuestion, box::kYesNo, Outcome::kTopMost, kAnswerNo},
      {hidden | kShow, kLevelInfo, box::kYesNo, Outcome::kOwned, kAnswerNo},
      {hidden | kShow | kErrMsg, kLevelError, box::kOk, Outcome::kTopMost, kAnswerNo},
      {kShow | kNoExit | kErrMsg, kLevelInfo, box::kOk, Outcome::kOwned, kAnswerNo},
      {kMacroFile, kLevelInfo, box::kYesNo, Outcome::kAnswered, kAnswerYes},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags << std::dec << " level "
                                    << c.level << " style " << c.style);
    RecordingSink sink;
    Messenger messenger(sink);
    messenger.set_auto_flags(c.flags);
    EXPECT_EQ(messenger.ShowMessage(0, c.style, u"T", u"text", c.level), c.answer);
    const bool answered = c.outcome == Outcome::kAnswered;
    ASSERT_EQ(sink.noted.size(), answered ? 1u : 0u);
    ASSERT_EQ(sink.shown.size(), answered ? 0u : 1u);
    if (answered) {
      EXPECT_EQ(sink.noted_answers[0], c.answer);
      EXPECT_EQ(sink.noted[0].text, u"text");
    } else {
      const bool top = c.outcome == Outcome::kTopMost;
      EXPECT_EQ(sink.shown[0].owned, !top);
      EXPECT_EQ(sink.shown[0].style, c.style | (top ? box::kTopMost : 0u));
    }
  }
  // Calls that compose no box answer OK and reach no sink.
  RecordingSink sink;
  Messenger messenger(sink);
  for (std::uint32_t flags : {0u, hidden | kAllMsg}) {
    messenger.set_auto_flags(flags);
    EXPECT_EQ(messenger.ShowMessage(4, 0, u"", u"", kLevelError), kAnswerOk);
    EXPECT_EQ(messenger.ShowMessage(7, 25, u"a", u"b", kLevelQuestion), kAnswerOk);
  }
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_TRUE(sink.noted.empty());
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
