#include "macro/macro_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

using namespace std::string_literals;
using Strings = std::vector<std::string>;

// "slot:name" of every used slot.
Strings Used(const MacroList& list) {
  Strings out;
  for (int slot = 0; slot < kMacroSlots; ++slot) {
    if (list.IsUsed(slot)) out.push_back(std::to_string(slot) + ":" + Utf16ToUtf8(list.Name(slot)));
  }
  return out;
}

TEST(MacroListTest, EncodesUsedSlotsInOrderAndReadsThemBack) {
  MacroList list;
  EXPECT_EQ(list.Encode(), "");
  list.SetName(24, u"last");
  list.SetName(0, u"写真整理");
  list.SetName(9, u"caf\u00e9");  // not in the code page: written as "?"
  list.SetName(25, u"ignored");
  EXPECT_EQ(list.Encode(), "1:\x8e\xca\x90\x5e\x90\xae\x97\x9d\n10:caf?\n25:last\n"s);
  MacroList back;
  back.Decode(list.Encode());
  EXPECT_EQ(Used(back), (Strings{"0:写真整理", "9:caf?", "24:last"}));
}

TEST(MacroListTest, DecodeTakesTheLinesItUnderstands) {
  const std::pair<std::string, Strings> cases[] = {
      {"3:a\r\n12:b\n", {"2:a", "11:b"}},  {"3:a\n\n4:after the empty line\n", {"2:a"}},
      {"0:zero\n26:too big\n-1:neg\nx:no\n123:long\nname\n7:seven", {"6:seven"}},
      {"5:caf\\u00e9\n", {"4:café"}},  // escapes decoded
      {"5:\n", {"4:"}},                 // an empty name still names the slot
      {" 5:blank first\n", {"4:blank first"}},
      {"8:" + std::string(70, 'n') + "\n", {"7:" + std::string(61, 'n')}},  // 63 characters kept
      {"\n1:a\n", {}},
  };
  for (const auto& [bytes, used] : cases) {
    MacroList list;
    list.SetName(20, u"old");  // every slot is cleared first
    list.Decode(bytes);
    EXPECT_EQ(Used(list), used) << bytes;
  }
}

class SlotFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list_.SetName(2, u"three");
    fs_.AddFile(u"/prog/macro3.bin", "TS150\n");
    fs_.AddFile(u"/prog/macro4.bin", "TS150\n");
    ShowMacroList(panel_, list_, 2);
  }
  DeleteSlotOutcome Delete(bool undo_mode = false, bool recording = false) {
    return DeleteSlot(fs_, u"/prog", messenger_, list_, panel_, undo_mode, recording);
  }

  FakeFileSystem fs_;
  ScriptedSink sink_{kAnswerCancel};
  Messenger messenger_{sink_};
  MacroList list_;
  ModePanel panel_;
};

TEST_F(SlotFileTest, PathsAndListFile) {
  EXPECT_EQ(MacroFilePath(u"/prog/", 24), u"/prog/macro25.bin");
  ASSERT_TRUE(WriteMacroList(fs_, u"/prog", list_).has_value());
  EXPECT_EQ(fs_.Content(u"/prog/macro.lst"), "3:three\n");
  MacroList loaded;
  LoadMacroList(fs_, u"/prog", loaded);
  EXPECT_EQ(Used(loaded), (Strings{"2:three"}));
  EXPECT_EQ(panel_.At(ctl::kMacroSlot).items[3], kEmptyMacroSlot);

  fs_.FailPath(FakeFileSystem::Op::kReadRange, u"/prog/macro.lst", ErrorCode::kIo);
  LoadMacroList(fs_, u"/prog", loaded);
  EXPECT_TRUE(Used(loaded).empty()) << "an unreadable list leaves every slot unused";
  fs_.ClearFailures();

  // Only an empty list file is removed at exit.
  ASSERT_TRUE(RemoveEmptyMacroList(fs_, u"/prog").has_value());
  EXPECT_TRUE(fs_.Exists(u"/prog/macro.lst"));
  ASSERT_TRUE(WriteMacroList(fs_, u"/prog", MacroList()).has_value());
  ASSERT_TRUE(RemoveEmptyMacroList(fs_, u"/prog").has_value());
  EXPECT_FALSE(fs_.Exists(u"/prog/macro.lst"));
  EXPECT_TRUE(RemoveEmptyMacroList(fs_, u"/prog").has_value());
}

TEST_F(SlotFileTest, DeleteAsksThenRemovesTheSlotAndItsFile) {
  EXPECT_EQ(Delete(true, true), DeleteSlotOutcome::kNothing);  // undo mode: silent
  EXPECT_TRUE(sink_.shown.empty());
  EXPECT_EQ(Delete(false, true), DeleteSlotOutcome::kRefused);
  ASSERT_EQ(sink_.Titles(), (std::vector<std::u16string>{u"Macro Recording Now"}));
  EXPECT_EQ(Delete(), DeleteSlotOutcome::kCancelled);
  EXPECT_EQ(sink_.shown.back().text, u"マクロ[three]を削除します。");
  EXPECT_TRUE(list_.IsUsed(2));
  EXPECT_TRUE(fs_.removed_.empty());

  sink_.fallback = kAnswerOk;
  EXPECT_EQ(Delete(), DeleteSlotOutcome::kDeleted);
  EXPECT_FALSE(list_.IsUsed(2));
  EXPECT_EQ(panel_.At(ctl::kMacroSlot).items[2], kEmptyMacroSlot);
  EXPECT_EQ(fs_.removed_, (std::vector<std::u16string>{u"/prog/macro3.bin"}));
  EXPECT_EQ(fs_.Content(u"/prog/macro.lst"), "");
  EXPECT_EQ(Delete(), DeleteSlotOutcome::kNothing);  // now unused: nothing more is asked
  EXPECT_EQ(sink_.shown.size(), 3u);
}

}  // namespace
}  // namespace tessivo
