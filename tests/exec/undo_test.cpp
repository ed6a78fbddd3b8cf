#include "exec/undo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/csv_list.h"
#include "exec/last_change.h"
#include "exec/rename_log.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

using Op = FakeFileSystem::Op;
using Outcome = UndoEnterOutcome;
using U16s = std::vector<std::u16string>;

const std::u16string kHome = u"/home/u/.local/share/tessivo";

using U16 = std::uint16_t;

FileTime At(U16 year, U16 month, U16 day, U16 hour = 0) {
  return *FixedOffsetTimeZone(0).ToUtc({.year = year, .month = month, .day = day, .hour = hour});
}

std::u16string ButtonTexts(const UndoUiState& ui) {
  return ui.undo_button_text + ui.execute_button_text + ui.folder_header;
}

class UndoTest : public ::testing::Test {
 protected:
  UndoContext Ctx(int chg_confirm = 0, int mode = 1) {
    return UndoContext{list_, fs_,         messenger_, zone_,
                       kHome, chg_confirm, mode,       [this](int p) { progress_.push_back(p); }};
  }
  void WriteLog(int slot, const std::string& log) { fs_.AddFile(LogSlotPath(kHome, slot), log); }
  UndoRunResult Undo(int chg_confirm = 0) {
    EXPECT_EQ(session_.EnterUndo(1, Ctx()).outcome, Outcome::kEntered);
    return session_.RunUndo(UndoAction::kPerform, Ctx(chg_confirm));
  }
  // Files on the disk, each holding the text given.
  void Add(std::initializer_list<std::pair<std::u16string, std::string>> files) {
    for (const auto& [path, text] : files) fs_.AddFile(path, text);
  }
  std::u16string Text(int row, Cell cell) { return std::u16string(list_.GetCell(row, cell)); }
  std::string Content(const std::u16string& p) { return fs_.Content(p).value_or("<missing>"); }
  // A file's creation and last-write times.
  std::pair<FileTime, FileTime> Times(const std::u16string& path) {
    return {fs_.Find(path)->creation_time, fs_.Find(path)->last_write_time};
  }

  FakeFileSystem fs_;
  ScriptedSink sink_;
  Messenger messenger_{sink_};
  FileList list_;
  FixedOffsetTimeZone zone_{0};
  UndoSession session_;
  std::vector<int> progress_;
};

TEST_F(UndoTest, LoadsEachLineAsARowToRestore) {
  list_.AddRow(u"stale", u"", u"/x/", u"", u"", u"", 0);
  WriteLog(3, FormatNormalLine(u"/d/old\u00e9.txt", u"/e/new.txt") +
                  "only \"four\" quotes \"here\"\r\n" +
                  FormatTimestampLine(u"/d/t", {2020, 1, 2, 3, 4, 5}, {2020, 6, 7, 8, 9, 10}) +
                  FormatAttributeLine(u"/d/a", attr::kHidden));
  const UndoEnterResult entered = session_.EnterUndo(3, Ctx());
  EXPECT_TRUE(entered.outcome == Outcome::kEntered && entered.rows == 3);
  ASSERT_EQ(list_.Count(), 3);
  const std::u16string expected[3] = {
      u"new.txt : /e/| |<NORMAL>|old\u00e9.txt : /d/",
      u"<作成：2020/01/02 03:04:05, 更新：2020/06/07 08:09:10>| |<TIMESTAMP>|t : /d/",
      u"<読：N, 隠：Y, ア：N, シ：N>| |<ATTRIBUTE>|a : /d/",
  };
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(Text(row, Cell::kName) + u"|" + Text(row, Cell::kExtension) + u"|" +
                  Text(row, Cell::kFolder) + u"|" + Text(row, Cell::kNewName),
              expected[row])
        << row;
    EXPECT_EQ(list_.GetFileStatus(row), FileStatus::kToRestore) << row;
  }
  EXPECT_TRUE(session_.active() && list_.undo_mode() && sink_.shown.empty() &&
              session_.slot() == 3);
  ASSERT_TRUE(entered.ui);
  EXPECT_EQ(ButtonTexts(*entered.ui), u"UnDo中止★ UnDo ★<備考>");
  EXPECT_FALSE(entered.ui->mode_controls_enabled);
  EXPECT_EQ(entered.ui->log_list_entries.size(), 9u);
  EXPECT_EQ(entered.ui->log_list_selection, 2);
}

TEST_F(UndoTest, LongPathsAreKeptWholeBesideTheCutCells) {
  // Paths of 257 code units: their cells ("name : folder") are cut at 259.
  const std::u16string folder = u"/" + std::u16string(240, u'f') + u"/";
  const std::u16string before[2] = {folder + u"before-name.000", folder + u"before-name.002"};
  const std::u16string after[2] = {folder + u"after--name.000", folder + u"after--name.002"};
  ASSERT_EQ(before[0].size(), 257u);
  Add({{after[0], "0"}, {after[1], "2"}, {u"/d/other", "1"}});
  WriteLog(1, FormatNormalLine(before[0], after[0]) + FormatNormalLine(u"/d/o1", u"/d/other") +
                  FormatNormalLine(before[1], after[1]));

  ASSERT_EQ(session_.EnterUndo(1, Ctx()).outcome, Outcome::kEntered);
  EXPECT_EQ(Text(0, Cell::kName), PathToCell(after[0]).substr(0, kCellLimit));
  EXPECT_EQ(Text(0, Cell::kNewName).size(), kCellLimit);
  const auto entry = session_.EntryOfRow(list_, 2);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->target + u"<" + entry->current, before[1] + u"<" + after[1]);

  // The user drops the middle row: the rows around it keep their own paths.
  list_.RemoveRow(1);
  EXPECT_EQ(session_.RunUndo(UndoAction::kPerform, Ctx()).restored, 2);
  EXPECT_EQ(Content(before[0]) + Content(before[1]) + Content(u"/d/other"), "021");
}

TEST_F(UndoTest, MissingOrEmptyLogs) {
  list_.AddRow(u"a", u"", u"/x/", u"", u"", u"", 0);
  UndoEnterResult missing = session_.EnterUndo(2, Ctx(0, 13));
  EXPECT_EQ(missing.outcome, Outcome::kCannotOpen);
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(sink_.shown[0].text_id, MessageId::kCantOpenLogText);
  EXPECT_TRUE(!session_.active() && list_.Count() == 0);
  ASSERT_TRUE(missing.ui);
  EXPECT_EQ(missing.ui->mode_to_select, 1);

  WriteLog(1, "");
  EXPECT_EQ(session_.EnterUndo(kUndoCommandSlot, Ctx()).outcome, Outcome::kEnteredEmpty);
  EXPECT_EQ(sink_.shown.back().text_id, MessageId::kEmptyUndoListText);
  EXPECT_TRUE(session_.active() && session_.slot() == 1);
  // The UnDo command again leaves undo mode.
  const UndoEnterResult left = session_.EnterUndo(kUndoCommandSlot, Ctx());
  EXPECT_EQ(left.outcome, Outcome::kLeft);
  EXPECT_TRUE(!session_.active() && !list_.undo_mode());
  ASSERT_TRUE(left.ui);
  EXPECT_EQ(ButtonTexts(*left.ui), u"変更UnDo☆ 実行 ☆フォルダ名");

  for (int slot : {-1, 0, 11}) {
    EXPECT_EQ(session_.EnterUndo(slot, Ctx()).outcome, Outcome::kInvalidSlot) << slot;
  }
}

TEST(UndoModeAfter, WrapsModesIntoTheTwelveButtons) {
  const int cases[][2] = {{1, 1}, {12, 12}, {13, 1}, {14, 2}, {19, 7}, {24, 12}, {0, 12}};
  for (const auto& c : cases) EXPECT_EQ(ModeAfterUndo(c[0]), c[1]) << c[0];
}

TEST_F(UndoTest, SwapThroughACollisionSerialComesBackInReverseOrder) {
  // The run renamed a -> b through the serial b(1), b -> a, then took the serial back.
  Add({{u"/d/a.txt", "B"}, {u"/d/b.txt", "A"}, {u"/d/bystander", "z"}});
  WriteLog(1, FormatNormalLine(u"/d/a.txt", u"/d/b(1).txt") +
                  FormatNormalLine(u"/d/b.txt", u"/d/a.txt") +
                  FormatNormalLine(u"/d/b(1).txt", u"/d/b.txt"));
  const UndoRunResult result = Undo();
  using Move = std::pair<std::u16string, std::u16string>;
  EXPECT_EQ(fs_.renamed_, (std::vector<Move>{{u"/d/b.txt", u"/d/b(1).txt"},
                                             {u"/d/a.txt", u"/d/b.txt"},
                                             {u"/d/b(1).txt", u"/d/a.txt"}}));
  EXPECT_EQ(Content(u"/d/a.txt") + Content(u"/d/b.txt") + Content(u"/d/bystander"), "ABz");
  EXPECT_TRUE(result.restored == 3 && !result.AnyFailed());
  EXPECT_EQ(progress_, (std::vector<int>{100, 67, 34, 0, 0}));
  EXPECT_TRUE(list_.Count() == 0 && !session_.active() && sink_.shown.empty());
}

TEST_F(UndoTest, ProgressBarMovesOncePerPercentNotOncePerRow) {
  std::string log;
  for (int i = 0; i < 250; ++i) {
    const std::u16string name =
        u"/d/" + std::u16string{char16_t(u'a' + i / 26), char16_t(u'a' + i % 26)};
    fs_.AddFile(name + u".new", "");
    log += FormatNormalLine(name + u".old", name + u".new");
  }
  WriteLog(1, log);
  EXPECT_EQ(Undo().restored, 250);
  // 100 as the run starts, 99 down to 0 once each, 0 as undo mode is left.
  ASSERT_EQ(progress_.size(), 102u);
  EXPECT_TRUE(std::is_sorted(progress_.rbegin(), progress_.rend()));
  EXPECT_EQ(std::adjacent_find(progress_.begin() + 1, progress_.end() - 1), progress_.end() - 1);
}

TEST_F(UndoTest, TimesAndAttributesComeBackAsLogged) {
  fs_.SetKind(u"/ntfs", FileSystemKind::kNtfs);
  // Plain mount: only the last-write time was changed by the run.
  fs_.AddFile(u"/d/lw", "", At(2024, 1, 1), At(2019, 5, 6, 7));
  // NTFS: both were changed.
  fs_.AddFile(u"/ntfs/both", "", At(2024, 1, 1), At(2024, 1, 1));
  // NTFS, creation untouched: its fraction of a second stays.
  const FileTime creation = At(2019, 5, 6, 7) + 5'000'000;
  fs_.AddFile(u"/ntfs/lw", "", At(2024, 1, 1), creation);
  // Plain mount, creation moved: it cannot be set, so the row fails whole.
  fs_.AddFile(u"/d/f", "", At(2024, 1, 1), At(2024, 1, 1));
  // Read-only and hidden set after the run; the log says N for read-only, neither for system.
  fs_.AddFile(u"/d/a", "", FakeFileSystem::kDefaultTime, std::nullopt,
              attr::kReadOnly | attr::kHidden | attr::kArchive | attr::kSystem);
  std::string flags = FormatAttributeLine(u"/d/a", attr::kHidden);
  flags.replace(flags.rfind("N>"), 1, "-");
  WriteLog(1, FormatTimestampLine(u"/d/f", {2018, 1, 1, 0, 0, 0}, {2018, 3, 1, 0, 0, 0}) +
                  FormatTimestampLine(u"/d/lw", {2019, 5, 6, 7, 0, 0}, {2020, 2, 3, 0, 0, 0}) +
                  FormatTimestampLine(u"/ntfs/both", {2018, 1, 1, 0, 0, 0}, {2018, 3, 1, 0, 0, 0}) +
                  FormatTimestampLine(u"/ntfs/lw", {2019, 5, 6, 7, 0, 0}, {2020, 2, 3, 0, 0, 0}) +
                  flags);
  const UndoRunResult result = Undo();
  EXPECT_TRUE(result.restored == 4 && result.failed == 1);
  EXPECT_EQ(Times(u"/ntfs/lw"), std::make_pair(creation, At(2020, 2, 3)));
  EXPECT_EQ(Times(u"/d/lw"), std::make_pair(At(2019, 5, 6, 7), At(2020, 2, 3)));
  EXPECT_EQ(Times(u"/ntfs/both"), std::make_pair(At(2018, 1, 1), At(2018, 3, 1)));
  EXPECT_EQ(Times(u"/d/f"), std::make_pair(At(2024, 1, 1), At(2024, 1, 1)));
  EXPECT_EQ(fs_.Find(u"/d/a")->attributes, attr::kHidden | attr::kSystem);
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(sink_.shown[0].text_id, MessageId::kChangeFailedTimestamp);
  EXPECT_EQ(sink_.shown[0].args, std::vector<std::u16string>{u"/d/f"});
}

TEST_F(UndoTest, FailedStepsAskToContinueAndNoStops) {
  // The second line's target is in the way.
  Add({{u"/d/q", "q"}, {u"/d/b", "moved"}, {u"/d/a", "in the way"}, {u"/d/new.txt", "1"}});
  fs_.AddFile(u"/d/t", "", At(2024, 1, 1));
  // A time that does not read fails its row without touching the file.
  std::string bad_time = FormatTimestampLine(u"/d/t", {2018, 1, 1, 0, 0, 0}, {2018, 3, 1, 0, 0, 0});
  bad_time.replace(bad_time.find("2018/03"), 4, "20x8");
  WriteLog(1, FormatNormalLine(u"/d/p", u"/d/q") + FormatNormalLine(u"/d/a", u"/d/b") + bad_time +
                  FormatNormalLine(u"/d/old.txt", u"/d/new.txt"));
  fs_.FailNthCall(Op::kRenameNoReplace, 1, ErrorCode::kPermission);
  sink_.answers = {kAnswerYes, kAnswerYes, kAnswerNo};
  const UndoRunResult result = Undo();
  EXPECT_EQ(sink_.Titles(), (U16s{u"Continue?", u"Continue?", u"Continue?"}));
  EXPECT_EQ(sink_.shown[0].text_id, MessageId::kChangeFailedName);
  EXPECT_EQ(sink_.shown[0].args, (std::vector<std::u16string>{u"/d/new.txt", u"/d/old.txt"}));
  EXPECT_TRUE(result.stopped && result.failed == 3 && result.restored == 0 && result.AnyFailed());
  EXPECT_TRUE(fs_.renamed_.empty() && fs_.times_set_.empty());  // the first line never reached
  EXPECT_EQ(Content(u"/d/a"), "in the way");
  EXPECT_EQ(fs_.Find(u"/d/t")->last_write_time, At(2024, 1, 1));
  EXPECT_TRUE(list_.Count() == 0 && !session_.active());
}

TEST_F(UndoTest, KindsOutsideTheThree) {
  // A kind not "<...>" takes the kind of the row before it; the first row has none: unchanged.
  Add({{u"/d/b", "b"}, {u"/d/d", "d"}, {u"/d/f", "f"}, {u"/d/p", "p"}, {u"/d/z", "z"}});
  fs_.AddFolder(u"/etc");
  // A relative path, a move to another folder and "." or ".." are refused: no run writes them.
  WriteLog(1, "\"/d/a\",\"/d/b\",\"plain\"\r\n" + FormatNormalLine(u"/d/c", u"/d/d") +
                  FormatNormalLine(u"/d/g", u"d/h") + FormatNormalLine(u"/etc/planted", u"/d/p") +
                  FormatNormalLine(u"/d/x/../y", u"/d/x/../z") +
                  FormatTimestampLine(u"/d/./z", {2020, 1, 1, 0, 0, 0}, {2020, 1, 1, 0, 0, 0}) +
                  "\"/d/e\",\"/d/f\",\"\"\r\n");
  UndoRunResult result = Undo();
  EXPECT_EQ(std::vector<int>({result.skipped, result.restored, result.failed}),
            std::vector<int>({1, 2, 4}));
  EXPECT_EQ(fs_.Calls(Op::kRenameNoReplace), 2);
  EXPECT_TRUE(fs_.times_set_.empty());
  EXPECT_TRUE(fs_.Exists(u"/d/a") && fs_.Exists(u"/d/c") && fs_.Exists(u"/d/f"));

  // An unknown "<...>" kind ends the undo before anything else happens.
  WriteLog(2, FormatNormalLine(u"/d/a", u"/d/b2") + "\"/d/a\",\"/d/b\",\"<RENAME>\"\r\n");
  ASSERT_EQ(session_.EnterUndo(2, Ctx()).outcome, Outcome::kEntered);
  fs_.renamed_.clear();
  result = session_.RunUndo(UndoAction::kPerform, Ctx());
  EXPECT_TRUE(result.unknown_kind && result.AnyFailed() && fs_.renamed_.empty());
  EXPECT_EQ(sink_.shown.back().text_id, MessageId::kFormatNotDefinedText);
  EXPECT_FALSE(session_.active());
}

TEST_F(UndoTest, ConfirmationsAndTestMode) {
  Add({{u"/d/b", "b"}, {u"/d/y", "y"}});
  WriteLog(1, FormatNormalLine(u"/d/a", u"/d/b") + FormatNormalLine(u"/d/x", u"/d/y"));

  sink_.answers = {kAnswerNo};  // chgconfirm 1: one question, No
  Undo(1);
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(sink_.shown[0].text_id, MessageId::kUndoConfirmText);
  EXPECT_TRUE(fs_.renamed_.empty());

  sink_.shown.clear();
  sink_.answers = {kAnswerYes, kAnswerNo};  // chgconfirm 2: the second row's No ends
  EXPECT_EQ(Undo(2).restored, 1);
  ASSERT_EQ(sink_.shown.size(), 2u);
  EXPECT_EQ(sink_.shown[0].args, (std::vector<std::u16string>{u"/d/y", u"/d/x"}));
  EXPECT_EQ(sink_.shown[0].style, box::kYesNo | box::kIconWarning);
  EXPECT_TRUE(fs_.Exists(u"/d/x") && fs_.Exists(u"/d/b"));

  messenger_.set_test_mode(true);
  ASSERT_EQ(session_.EnterUndo(1, Ctx()).outcome, Outcome::kEntered);
  const UndoRunResult test_run = session_.RunUndo(UndoAction::kPerform, Ctx());
  EXPECT_TRUE(!test_run.performed && !test_run.ui);
  EXPECT_TRUE(session_.active() && list_.Count() == 1);  // the row taken back is not shown again
}

// Two swaps through collision serials, of names that survive the log only through escapes.
class UndoSwapTest : public UndoTest {
 protected:
  const std::u16string a1 = u"/d/esc\\u0041x.txt", b1 = u"/d/line\nfeed", a2 = u"/d/a", b2 = u"/d/b";

  void SetUp() override {
    fs_ = FakeFileSystem();
    list_ = FileList();
    session_ = UndoSession();
    sink_.shown.clear();
    Add({{a1, "B1"}, {b1, "A1"}, {a2, "B2"}, {b2, "A2"}});
    WriteLog(1, FormatNormalLine(a1, b1 + u"(1)") + FormatNormalLine(b1, a1) +
                    FormatNormalLine(a2, b2 + u"(1)") + FormatNormalLine(b2, a2) +
                    FormatNormalLine(b1 + u"(1)", b1) + FormatNormalLine(b2 + u"(1)", b2));
  }
  std::string Names() {
    return Content(a1) + Content(b1) + Content(a2) + Content(b2) + Content(b1 + u"(1)") +
           Content(b2 + u"(1)");
  }
  void ExpectAlreadyUndone() {
    EXPECT_EQ(session_.EnterUndo(1, Ctx()).outcome, Outcome::kAlreadyUndone);
    EXPECT_EQ(sink_.shown.back().title, u"Already Undone");
    fs_.renamed_.clear();
    EXPECT_EQ(session_.RunUndo(UndoAction::kPerform, Ctx()).restored, 0);
    EXPECT_TRUE(fs_.renamed_.empty());
    EXPECT_EQ(Names(), "A1B1A2B2<missing><missing>");
  }
};

// An undo killed at its n-th move (the first: before any), before or after
// noting it, is finished by the next one, which takes back nothing twice.
TEST_F(UndoSwapTest, KilledUndoIsFinishedByTheNext) {
  for (int n = 1; n <= 6; ++n) {
    for (bool noted : {false, true}) {
      SCOPED_TRACE(testing::Message() << "move " << n << (noted ? " noted" : ""));
      SetUp();
      fs_.FailNthCall(Op::kRenameNoReplace, n, ErrorCode::kIo);
      if (noted) fs_.FailNthCall(Op::kTruncate, 1, ErrorCode::kIo);  // the note stays
      sink_.answers = {kAnswerNo};
      EXPECT_TRUE(Undo().stopped);
      fs_.ClearFailures();
      EXPECT_EQ(Undo().restored, 6 - (n - 1));
      EXPECT_EQ(Names(), "A1B1A2B2<missing><missing>");
      ExpectAlreadyUndone();
    }
  }
}

// A noted step whose file is still where the run put it was not made: the next undo takes it
// again, here into an old name taken meanwhile.
TEST_F(UndoTest, NotedStepStillToMakeIsTakenAgain) {
  fs_.AddFile(u"/d/b", "moved");
  WriteLog(1, FormatNormalLine(u"/d/a", u"/d/b"));
  fs_.FailNthCall(Op::kRenameNoReplace, 1, ErrorCode::kIo);
  fs_.FailNthCall(Op::kTruncate, 1, ErrorCode::kIo);  // the note stays
  sink_.answers = {kAnswerNo};
  EXPECT_TRUE(Undo().stopped);
  fs_.AddFile(u"/d/a", "in the way");
  EXPECT_EQ(Undo().failed, 1);
  EXPECT_EQ(Content(u"/d/a") + Content(u"/d/b"), "in the waymoved");
}

// Without its record an undo changes nothing and says why.
TEST_F(UndoSwapTest, UndoWithoutItsRecordChangesNothing) {
  for (ErrorCode code : {ErrorCode::kPermission, ErrorCode::kBusy}) {
    SetUp();
    fs_.FailNthCall(Op::kOpenAppend, 1, code);
    const UndoRunResult result = Undo();
    EXPECT_TRUE(result.refused && result.restored == 0 && fs_.renamed_.empty());
    ASSERT_EQ(sink_.shown.size(), 1u);
    EXPECT_EQ(sink_.shown[0].title, code == ErrorCode::kBusy ? u"Log In Use" : u"Can't Write Log");
  }
}

// Saving the newest log: the same disk and messages as undo.
class LastChangeTest : public UndoTest {
 protected:
  void SetUp() override { fs_.AddFolder(u"/out"); }

  std::optional<ErrorCode> SaveError(std::u16string_view path) {
    const Status saved = SaveLastChange(fs_, kHome, path);
    return saved ? std::nullopt : std::optional(saved.error().code);
  }
};

TEST_F(LastChangeTest, CopiesTheNewestLogByteForByteOrSaysThereIsNone) {
  // Only the working file of a run and an older slot: the newest is missing.
  fs_.AddFile(LogSlotPath(kHome, 0), "x");
  fs_.AddFile(LogSlotPath(kHome, 2), "older");
  EXPECT_FALSE(HasLastChange(fs_, kHome, messenger_));
  EXPECT_EQ(sink_.Titles(), std::vector<std::u16string>{u"No Log!"});
  EXPECT_EQ(SaveError(u"/out/last"), ErrorCode::kNotFound);
  EXPECT_TRUE(fs_.written_.empty());

  // Escapes, code page bytes, a NUL and a torn last line survive; a file there is replaced;
  // ".csv" is added unless present.
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

// The saved file loads back as a list: renames in a folder become rows; a move or time ends it.
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
