#include "exec/last_change.h"

#include <gtest/gtest.h>

#include <optional>
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
  void SetUp() override { fs_.AddFolder(u"/out"); }

  std::optional<ErrorCode> SaveError(std::u16string_view path) {
    const Status saved = SaveLastChange(fs_, kHome, path);
    return saved ? std::nullopt : std::optional(saved.error().code);
  }

  FakeFileSystem fs_;
  ScriptedSink sink_{kAnswerOk};
  Messenger messenger_{sink_};
};

TEST_F(LastChangeTest, CopiesTheNewestLogByteForByteOrSaysThereIsNone) {
  // Only the working file of a run and an older slot: the newest is missing.
  fs_.AddFile(LogSlotPath(kHome, 0), "x");
  fs_.AddFile(LogSlotPath(kHome, 2), "older");
  EXPECT_FALSE(HasLastChange(fs_, kHome, messenger_));
  EXPECT_EQ(sink_.Titles(), std::vector<std::u16string>{u"No Log!"});
  EXPECT_EQ(SaveError(u"/out/last"), ErrorCode::kNotFound);
  EXPECT_TRUE(fs_.written_.empty());

  // Escapes, raw code page bytes, a NUL and a torn last line all survive; a
  // file already there is replaced, and ".csv" is added unless present.
  const std::string log = FormatNormalLine(u"/d/caf\u00e9", u"/d/\u5199\u771f") +
                          FormatAttributeLine(u"/d/a", attr::kHidden) + std::string("\0\"t", 3);
  fs_.AddFile(LogSlotPath(kHome, 1), log);
  fs_.AddFile(u"/out/last.CSV", "old content");
  EXPECT_TRUE(HasLastChange(fs_, kHome, messenger_));
  ASSERT_TRUE(SaveLastChange(fs_, kHome, u"/out/last.CSV"));
  EXPECT_EQ(fs_.Content(u"/out/last.CSV"), log);
  ASSERT_TRUE(SaveLastChange(fs_, kHome, u"/out/other"));
  EXPECT_EQ(fs_.Content(u"/out/other.csv"), log);

  // A failed read or write is returned and changes nothing.
  fs_.FailNthCall(Op::kReadOwnFile, 1, ErrorCode::kIo);
  EXPECT_EQ(SaveError(u"/out/other"), ErrorCode::kIo);
  fs_.FailNthCall(Op::kWriteFileAtomic, 1, ErrorCode::kNoSpace);
  EXPECT_EQ(SaveError(u"/out/last.CSV"), ErrorCode::kNoSpace);
  EXPECT_EQ(fs_.Content(u"/out/last.CSV"), log);
  EXPECT_EQ(fs_.Content(LogSlotPath(kHome, 1)), log);
}

// The saved file loads back as a list: renames within a folder become rows,
// and the first move or timestamp line ends the load.
TEST_F(LastChangeTest, SavedLogLoadsBackUpToItsFirstMoveOrTimestampLine) {
  for (const std::string& tail :
       {std::string(), FormatNormalLine(u"/d/c", u"/e/c"),
        FormatTimestampLine(u"/d/c", {2020, 1, 2, 3, 4, 5}, {2020, 1, 2, 3, 4, 6})}) {
    fs_.AddFile(LogSlotPath(kHome, 1), FormatNormalLine(u"/d/a.txt", u"/d/b.txt") +
                                           FormatNormalLine(u"/d/caf\u00e9", u"/d/\u5199") + tail +
                                           FormatNormalLine(u"/d/x", u"/d/y"));
    ASSERT_TRUE(SaveLastChange(fs_, kHome, u"/out/last"));
    FileList list;
    Result<CsvLoadReport> report = LoadCsvFile(list, fs_, messenger_, u"/out/last.csv");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->end, tail.empty() ? CsvLoadEnd::kEndOfText : CsvLoadEnd::kMalformed);
    ASSERT_EQ(list.Count(), tail.empty() ? 3 : 2) << tail;
    EXPECT_EQ(std::u16string(list.GetCell(0, Cell::kFolder)) + u"|" +
                  std::u16string(list.GetCell(0, Cell::kNewName)) + u"|" +
                  std::u16string(list.GetCell(1, Cell::kName)) + u"|" +
                  std::u16string(list.GetCell(1, Cell::kNewName)),
              u"/d/|b.txt|caf\u00e9|\u5199");
  }
}

}  // namespace
}  // namespace tessivo
