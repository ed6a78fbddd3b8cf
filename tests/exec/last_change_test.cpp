#include "exec/last_change.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/csv_list.h"
#include "core/file_list.h"
#include "exec/rename_log.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

using Op = FakeFileSystem::Op;

const std::u16string kHome = u"/home/u/.local/share/tessivo";

class LastChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.AddFolder(u"/out");
    fs_.AddFolder(kHome);
  }

  FakeFileSystem fs_;
  ScriptedSink sink_{kAnswerOk};
  Messenger messenger_{sink_};
};

TEST_F(LastChangeTest, NoLogSaysSoAndCopiesNothing) {
  // Only the working file of a run and an older slot: the newest is missing.
  fs_.AddFile(LogSlotPath(kHome, 0), "x");
  fs_.AddFile(LogSlotPath(kHome, 2), "y");
  EXPECT_FALSE(HasLastChange(fs_, kHome, messenger_));
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(sink_.shown[0].title, u"No Log!");
  Status saved = SaveLastChange(fs_, kHome, u"/out/last");
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().code, ErrorCode::kNotFound);
  EXPECT_TRUE(fs_.written_.empty());
}

TEST_F(LastChangeTest, CopiesTheNewestLogByteForByteOrReturnsTheFailure) {
  // Escapes, raw code page bytes, a NUL and a torn last line all survive.
  const std::string log = FormatNormalLine(u"/d/caf\u00e9", u"/d/\u5199\u771f") +
                          FormatAttributeLine(u"/d/a", attr::kHidden) + std::string("\0\"t", 3);
  fs_.AddFile(LogSlotPath(kHome, 1), log);
  fs_.AddFile(LogSlotPath(kHome, 2), "older");
  fs_.AddFile(u"/out/last.CSV", "old content");
  EXPECT_TRUE(HasLastChange(fs_, kHome, messenger_));
  ASSERT_TRUE(SaveLastChange(fs_, kHome, u"/out/last.CSV"));
  EXPECT_EQ(fs_.Content(u"/out/last.CSV"), log);
  ASSERT_TRUE(SaveLastChange(fs_, kHome, u"/out/other"));
  EXPECT_EQ(fs_.Content(u"/out/other.csv"), log);

  fs_.FailNthCall(Op::kReadFile, 1, ErrorCode::kIo);
  Status read = SaveLastChange(fs_, kHome, u"/out/other");
  ASSERT_FALSE(read);
  EXPECT_EQ(read.error().code, ErrorCode::kIo);
  fs_.FailNthCall(Op::kWriteFileAtomic, 1, ErrorCode::kNoSpace);
  Status write = SaveLastChange(fs_, kHome, u"/out/last.CSV");
  ASSERT_FALSE(write);
  EXPECT_EQ(write.error().code, ErrorCode::kNoSpace);
  EXPECT_EQ(fs_.Content(u"/out/last.CSV"), log);
  EXPECT_EQ(fs_.Content(LogSlotPath(kHome, 1)), log);
}

// The saved file loads back as a list: renames within a folder become rows,
// and the first move or timestamp line ends the load.
TEST_F(LastChangeTest, SavedLogLoadsBackUpToItsFirstMoveOrTimestampLine) {
  const std::string tails[] = {
      "", FormatNormalLine(u"/d/c", u"/e/c"),
      FormatTimestampLine(u"/d/c", {2020, 1, 2, 3, 4, 5}, {2020, 1, 2, 3, 4, 6})};
  for (const std::string& tail : tails) {
    ASSERT_TRUE(fs_.WriteFileAtomic(LogSlotPath(kHome, 1),
                                    FormatNormalLine(u"/d/a.txt", u"/d/b.txt") +
                                        FormatNormalLine(u"/d/caf\u00e9", u"/d/\u5199") + tail +
                                        FormatNormalLine(u"/d/x", u"/d/y")));
    ASSERT_TRUE(SaveLastChange(fs_, kHome, u"/out/last"));
    FileList list;
    Result<CsvLoadReport> report = LoadCsvFile(list, fs_, messenger_, u"/out/last.csv");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->end, tail.empty() ? CsvLoadEnd::kEndOfText : CsvLoadEnd::kMalformed);
    ASSERT_EQ(list.Count(), tail.empty() ? 3 : 2) << tail;
    EXPECT_EQ(list.GetCell(0, Cell::kFolder), u"/d/");
    EXPECT_EQ(list.GetCell(0, Cell::kNewName), u"b.txt");
    EXPECT_EQ(list.GetCell(1, Cell::kName), u"caf\u00e9");
    EXPECT_EQ(list.GetCell(1, Cell::kNewName), u"\u5199");
  }
}

}  // namespace
}  // namespace tessivo
