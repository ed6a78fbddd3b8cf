#include "exec/rename_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/temp_name.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

using LastLine = LogRepairReport::LastLine;
using Op = FakeFileSystem::Op;

const std::u16string kHome = u"/home/u/.local/share/tessivo";

std::u16string Slot(int n) { return LogSlotPath(kHome, n); }

// ---- line formats ----

TEST(RenameLogFormat, SlotPathsAddTheSeparatorOnce) {
  EXPECT_EQ(LogSlotPath(u"/p", 0), u"/p/rename0.log");
  EXPECT_EQ(LogSlotPath(u"/p/", 9), u"/p/rename9.log");
}

TEST(RenameLogFormat, NormalLineEscapesWhatCodePage932Lacks) {
  // U+00E9 is not in the code page: an escape. 日本 is, as two double-byte
  // characters. A real '?' stays. An emoji is two escapes, one per unit.
  const std::string line = FormatNormalLine(u"/d/caf\u00e9?.txt", u"/d/\u65e5\u672c\U0001F600.txt");
  const std::string expected = std::string("\"/d/caf\\u00e9?.txt\",\"/d/") + "\x93\xfa\x96{" +
                               "\\ud83d\\ude00.txt\",\"<NORMAL>\"\r\n";
  EXPECT_EQ(line, expected);
}

TEST(RenameLogFormat, TimestampLineIsPlainCodePageWithPaddedFields) {
  const std::string line = FormatTimestampLine(u"/d/caf\u00e9", {2021, 3, 4, 5, 6, 7},
                                               {999, 12, 31, 23, 59, 8});
  const std::string expected = std::string("\"/d/caf?\",\"<") + "\x8d\xec\x90\xac\x81\x46" +
                               "2021/03/04 05:06:07, " + "\x8d\x58\x90\x56\x81\x46" +
                               " 999/12/31 23:59:08>\",\"<TIMESTAMP>\"\r\n";
  EXPECT_EQ(line, expected);

  auto parsed = ParseLogLine(line);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->field3, kTimestampKind);
  EXPECT_EQ(ParseLogTime(parsed->field2, kCreationTimeOffset), (LogDateTime{2021, 3, 4, 5, 6, 7}));
  // " 999" is not four digits: the time cannot be read back.
  EXPECT_FALSE(ParseLogTime(parsed->field2, kLastWriteTimeOffset));
}

TEST(RenameLogFormat, AttributeLineHasFlagsInReadOnlyHiddenArchiveSystemOrder) {
  const std::string line = FormatAttributeLine(u"/d/a", attr::kReadOnly | attr::kArchive);
  const std::string expected = std::string("\"/d/a\",\"<") + "\x93\xc7\x81\x46" + "Y, " +
                               "\x89\x42\x81\x46" + "N, " + "\x83\x41\x81\x46" + "Y, " +
                               "\x83\x56\x81\x46" + "N>\",\"<ATTRIBUTE>\"\r\n";
  EXPECT_EQ(line, expected);
  // Each bit lands on its own flag, and no other.
  const std::uint32_t bits[4] = {attr::kReadOnly, attr::kHidden, attr::kArchive, attr::kSystem};
  for (int i = 0; i < 4; ++i) {
    auto one = ParseLogLine(FormatAttributeLine(u"/a", bits[i] | attr::kDirectory));
    ASSERT_TRUE(one);
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(one->field2.at(kAttributeFlagOffsets[k]), k == i ? u'Y' : u'N') << i << k;
    }
  }
}

TEST(RenameLogFormat, ParseLogTimeChecksDigitsAndColonsOnly) {
  struct Case {
    std::u16string text;
    std::size_t offset;
    bool ok;
  };
  const Case cases[] = {
      {u"2021/03/04 05:06:07", 0, true},
      {u"xx2021/03/04 05:06:07", 2, true},
      {u"2021-03-04T05:06:07", 0, true},   // other separators are not checked
      {u"2021/03/04 05-06:07", 0, false},  // ':' at 13
      {u"2021/03/04 05:06-07", 0, false},  // ':' at 16
      {u"2021/0a/04 05:06:07", 0, false},
      {u"2021/03/04 05:06:0", 0, false},   // one character short
      {u"2021/03/04 05:06:07", 1, false},
      {u"", 0, false},
      {u"ab", 5, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseLogTime(c.text, c.offset).has_value(), c.ok)
        << std::string(c.text.begin(), c.text.end()) << " @" << c.offset;
  }
  EXPECT_EQ(ParseLogTime(u"2021-03-04T05:06:07", 0), (LogDateTime{2021, 3, 4, 5, 6, 7}));
}

TEST(RenameLogFormat, CellsSplitAndJoinPaths) {
  struct Case {
    std::u16string path;
    std::u16string cell;
  };
  const Case cases[] = {
      {u"/a/b/c.txt", u"c.txt : /a/b/"},
      {u"/c", u"c : /"},
      {u"/a/x : y.txt", u"x : y.txt : /a/"},   // a name holding the separator
      {u"/a : b/x.txt", u"x.txt : /a : b/"},   // so may a folder
      {u"/a/x : ", u"x :  : /a/"},
      {u"/a/", u" : /a/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PathToCell(c.path), c.cell);
    EXPECT_EQ(CellToPath(c.cell), c.path);
  }
  EXPECT_EQ(PathToCell(u"<読：Y, 隠：N, ア：N, シ：N>"), u"<読：Y, 隠：N, ア：N, シ：N>");
  EXPECT_EQ(CellToPath(u"plain"), u"plain");
  EXPECT_EQ(CellToPath(u"name : "), u"name");
}

// ---- loading ----

TEST(RenameLogLoad, LinesWithFewerThanSixQuotesAreSkipped) {
  const std::string log = std::string("\"/a\",\"/b\"\r\n") + "garbage\r\n" +
                          FormatNormalLine(u"/c", u"/d") + "\"/x\",\"/y\",\"<NORMAL>\r\n";
  const std::vector<UndoRow> rows = ParseLogRows(log);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].new_name, u"c : /");
}

TEST(RenameLogLoad, LineLengthLimitEndsTheLoading) {
  const std::string good = FormatNormalLine(u"/a", u"/b");
  auto padded = [](std::size_t bytes_before_lf) {
    std::string line = "\"/p\",\"/q\",\"<NORMAL>\"";
    line.resize(bytes_before_lf, ' ');
    return line + "\n";
  };
  // 5199 bytes and the line feed: 5200 bytes, still a line.
  EXPECT_EQ(ParseLogRows(good + padded(kMaxLogLineBytes - 1) + good).size(), 3u);
  // 5200 bytes without a line feed end the loading; nothing after it loads.
  EXPECT_EQ(ParseLogRows(good + padded(kMaxLogLineBytes) + good).size(), 1u);
  // The end of the log without a line feed is the same.
  EXPECT_EQ(ParseLogRows(good + "\"/p\",\"/q\",\"<NORMAL>\"").size(), 1u);
  EXPECT_EQ(ParseLogRows("").size(), 0u);
}

TEST(RenameLogLoad, AtMostFiftyThousandLinesAreRead) {
  std::string log;
  for (int i = 0; i <= kMaxLogLines; ++i) log += "\"/a\",\"/b" + std::to_string(i) + "\",\"<NORMAL>\"\r\n";
  const std::vector<UndoRow> rows = ParseLogRows(log);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kMaxLogLines));
  EXPECT_EQ(rows.back().old_name, u"b49999 : /");
  // Skipped lines count as lines read.
  EXPECT_EQ(ParseLogRows("x\n" + log).size(), static_cast<std::size_t>(kMaxLogLines - 1));
}

TEST(RenameLogLoad, FieldsAreCutToTheirLimits) {
  // 1560 bytes of escapes: cut to 1556 bytes, the last escape is broken.
  std::string escapes;
  for (int i = 0; i < 260; ++i) escapes += "\\u00e9";
  auto parsed = ParseLogLine("\"" + escapes + "\",\"x\",\"y\"");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->field1.size(), 259u);  // 259 decoded units, the rest cut
  EXPECT_EQ(parsed->field1.back(), u'\u00e9');

  const std::string long_ascii(1600, 'n');
  parsed = ParseLogLine("\"" + long_ascii + "\",\"\",\"\"");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->field1, std::u16string(259, u'n'));
  EXPECT_EQ(parsed->field2, u"");
}

// Every prefix of a log loads exactly the rows of its complete lines; every
// single damaged byte loads without harm and leaves the lines before it alone.
TEST(RenameLogLoad, CorruptionSweep) {
  const std::string lines[] = {
      FormatNormalLine(u"/d/\u00e9\u65e5.txt", u"/d/b.txt"),
      FormatTimestampLine(u"/d/b.txt", {2020, 1, 2, 3, 4, 5}, {2021, 1, 2, 3, 4, 5}),
      FormatAttributeLine(u"/d/c", attr::kReadOnly),
  };
  std::string log;
  std::vector<std::size_t> ends;
  for (const std::string& line : lines) {
    log += line;
    ends.push_back(log.size());
  }
  const std::vector<UndoRow> full = ParseLogRows(log);
  ASSERT_EQ(full.size(), 3u);

  for (std::size_t length = 0; length <= log.size(); ++length) {
    const std::vector<UndoRow> rows = ParseLogRows(log.substr(0, length));  // exact-size buffer
    std::size_t complete = 0;
    while (complete < ends.size() && ends[complete] <= length) ++complete;
    ASSERT_EQ(rows.size(), complete) << "length " << length;
    for (std::size_t i = 0; i < complete; ++i) {
      EXPECT_TRUE(rows[i].old_name == full[i].old_name && rows[i].new_name == full[i].new_name)
          << "length " << length << " row " << i;
    }
  }

  const char damage[] = {'\0', '"', '\n', '\r', '\\', '\x81', '\xff', ','};
  for (std::size_t pos = 0; pos < log.size(); ++pos) {
    std::size_t line = 0;
    while (ends[line] <= pos) ++line;
    for (char byte : damage) {
      std::string damaged = log;
      damaged[pos] = byte;
      const std::vector<UndoRow> rows = ParseLogRows(damaged);
      SCOPED_TRACE(testing::Message() << "pos " << pos << " byte " << static_cast<int>(byte));
      ASSERT_TRUE(rows.size() >= line && rows.size() <= 4u) << rows.size();
      for (std::size_t i = 0; i < line; ++i) EXPECT_EQ(rows[i].new_name, full[i].new_name);
    }
  }
}

TEST(RenameLogLoad, ReadsTheSlotFileInPieces) {
  FakeFileSystem fs;
  fs.AddFolder(kHome);
  std::string log;
  for (int i = 0; i < 3000; ++i) {
    log += FormatNormalLine(u"/src/" + std::u16string(i % 50, u'\u00e9'),
                            u"/dst/" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)));
  }
  ASSERT_GT(log.size(), 3u * 64 * 1024);
  fs.AddFile(Slot(3), log);

  auto rows = LoadLogRows(fs, kHome, 3);
  ASSERT_TRUE(rows);
  const std::vector<UndoRow> expected = ParseLogRows(log);
  ASSERT_EQ(rows->size(), 3000u);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_TRUE((*rows)[i].new_name == expected[i].new_name && (*rows)[i].old_name == expected[i].old_name) << i;
  }

  // A read error after the first piece ends the loading there.
  fs.FailNthCall(Op::kReadRange, 2, ErrorCode::kIo);
  rows = LoadLogRows(fs, kHome, 3);
  ASSERT_TRUE(rows);
  EXPECT_GT(rows->size(), 0u);
  EXPECT_LT(rows->size(), 3000u);

  EXPECT_EQ(LoadLogRows(fs, kHome, 4).error().code, ErrorCode::kNotFound);
  EXPECT_EQ(LoadLogRows(fs, kHome, 10).error().code, ErrorCode::kInvalidArgument);
}

// ---- writing and rotation ----

class RenameLogTest : public ::testing::Test {
 protected:
  void SetUp() override { fs_.AddFolder(kHome); }

  // One run that logs `lines` (none: a run without changes).
  void Run(const std::vector<std::string>& lines) {
    RenameLog log(fs_, kHome);
    ASSERT_TRUE(log.OpenLog());
    for (const std::string& line : lines) ASSERT_TRUE(log.BeginChange(line));
    ASSERT_TRUE(log.CloseAndRotate());
  }

  std::string SlotContent(int n) { return fs_.Content(Slot(n)).value_or("<missing>"); }

  FakeFileSystem fs_;
};

TEST_F(RenameLogTest, RunWritesAheadAndAbortRestoresTheFormerBytes) {
  RenameLog log(fs_, kHome);
  ASSERT_TRUE(log.OpenLog());
  EXPECT_TRUE(fs_.IsLocked(Slot(0)));
  const std::string a = FormatNormalLine(u"/d/a", u"/d/b");
  const std::string b = FormatNormalLine(u"/d/c", u"/d/\u00e9");
  ASSERT_TRUE(log.BeginChange(a));
  EXPECT_EQ(SlotContent(0), a);  // on disk before the change is made
  ASSERT_TRUE(log.BeginChange(b));
  ASSERT_TRUE(log.AbortChange());
  EXPECT_EQ(SlotContent(0), a);
  ASSERT_TRUE(log.AbortChange());  // nothing pending any more: no-op
  EXPECT_EQ(SlotContent(0), a);
  ASSERT_TRUE(log.BeginChange(b));
  EXPECT_EQ(SlotContent(0), a + b);

  // A failed write leaves the file as it was and nothing to abort.
  fs_.FailNthCall(Op::kAppend, 1, ErrorCode::kNoSpace);
  EXPECT_EQ(log.BeginChange(a).error().code, ErrorCode::kNoSpace);
  ASSERT_TRUE(log.AbortChange());
  EXPECT_EQ(SlotContent(0), a + b);

  // A failed cut is reported.
  ASSERT_TRUE(log.BeginChange(a));
  fs_.FailNthCall(Op::kTruncate, 1, ErrorCode::kIo);
  EXPECT_FALSE(log.AbortChange());

  ASSERT_TRUE(log.CloseAndRotate());
  EXPECT_FALSE(fs_.Exists(Slot(0)));
  EXPECT_FALSE(fs_.IsLocked(Slot(1)));
  EXPECT_EQ(SlotContent(1), a + b + a);
}

TEST_F(RenameLogTest, TenRunsKeepTheNineNewest) {
  for (int run = 1; run <= 10; ++run) {
    Run({FormatNormalLine(u"/r/" + std::u16string(run, u'x'), u"/r/y")});
  }
  for (int slot = 1; slot <= 9; ++slot) {
    const int run = 11 - slot;  // slot 1 is run 10, slot 9 is run 2
    EXPECT_EQ(SlotContent(slot), FormatNormalLine(u"/r/" + std::u16string(run, u'x'), u"/r/y"))
        << "slot " << slot;
  }
  EXPECT_FALSE(fs_.Exists(Slot(0)));
  EXPECT_FALSE(fs_.Exists(Slot(10)));
}

TEST_F(RenameLogTest, RunWithoutChangesLeavesTheSlots) {
  Run({"\"1\",\"1\",\"<NORMAL>\"\r\n"});
  Run({"\"2\",\"2\",\"<NORMAL>\"\r\n"});
  const std::vector<std::u16string> before = fs_.AllPaths();
  RenameLog log(fs_, kHome);
  ASSERT_TRUE(log.OpenLog());
  ASSERT_TRUE(log.BeginChange("\"3\",\"3\",\"<NORMAL>\"\r\n"));
  ASSERT_TRUE(log.AbortChange());  // the only change failed
  ASSERT_TRUE(log.CloseAndRotate());
  EXPECT_EQ(fs_.AllPaths(), before);
  EXPECT_EQ(SlotContent(1), "\"2\",\"2\",\"<NORMAL>\"\r\n");
  EXPECT_EQ(SlotContent(2), "\"1\",\"1\",\"<NORMAL>\"\r\n");
}

TEST_F(RenameLogTest, RotationSkipsMissingSlots) {
  for (int n = 1; n <= 9; ++n) {
    if (n != 4) fs_.AddFile(Slot(n), "old" + std::to_string(n));
  }
  Run({"new\r\n"});
  EXPECT_EQ(SlotContent(1), "new\r\n");
  for (int n = 1; n <= 8; ++n) {
    EXPECT_EQ(SlotContent(n + 1), n == 4 ? "<missing>" : "old" + std::to_string(n)) << n;
  }
}

TEST_F(RenameLogTest, RotationFailureCostsOnlyTheOldestLog) {
  // Slot 9 cannot be removed: its would-be successor (old 8) is dropped
  // instead, and every newer log moves on.
  for (int n = 1; n <= 9; ++n) fs_.AddFile(Slot(n), "old" + std::to_string(n));
  fs_.FailPath(Op::kRemoveFile, Slot(9), ErrorCode::kPermission);
  RenameLog log(fs_, kHome);
  ASSERT_TRUE(log.OpenLog());
  ASSERT_TRUE(log.BeginChange("newer\r\n"));
  EXPECT_EQ(log.CloseAndRotate().error().code, ErrorCode::kPermission);
  EXPECT_EQ(SlotContent(1), "newer\r\n");
  for (int n = 1; n <= 7; ++n) EXPECT_EQ(SlotContent(n + 1), "old" + std::to_string(n)) << n;
  EXPECT_EQ(SlotContent(9), "old9");
  EXPECT_FALSE(fs_.Exists(Slot(0)));
}

TEST_F(RenameLogTest, SlotZeroThatCannotMoveIsKeptForTheRepair) {
  fs_.AddFile(Slot(1), "old1");
  fs_.FailPath(Op::kRenameNoReplace, Slot(0), ErrorCode::kIo);
  RenameLog log(fs_, kHome);
  ASSERT_TRUE(log.OpenLog());
  const std::string line = FormatNormalLine(u"/d/a", u"/d/b");
  ASSERT_TRUE(log.BeginChange(line));
  EXPECT_FALSE(log.CloseAndRotate());
  EXPECT_EQ(SlotContent(0), line);
  EXPECT_FALSE(fs_.IsLocked(Slot(0)));

  fs_.ClearFailures();
  fs_.AddFile(u"/d/b");
  auto report = RepairInterruptedLog(fs_, kHome);
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->rotated);
  EXPECT_EQ(SlotContent(1), line);
  // The failed close had already moved old1 on, leaving a gap at slot 2 now.
  EXPECT_FALSE(fs_.Exists(Slot(2)));
  EXPECT_EQ(SlotContent(3), "old1");
}

TEST_F(RenameLogTest, OpenLogNeverTakesAnotherRunsLog) {
  fs_.AddFile(Slot(0), "theirs\r\n");
  fs_.SetLockedByOther(Slot(0));
  RenameLog log(fs_, kHome);
  EXPECT_EQ(log.OpenLog().error().code, ErrorCode::kBusy);
  EXPECT_FALSE(log.is_open());
  EXPECT_TRUE(log.BeginChange("x\r\n"));  // without a log the run goes on
  EXPECT_TRUE(log.CloseAndRotate());
  EXPECT_EQ(SlotContent(0), "theirs\r\n");
  EXPECT_FALSE(fs_.Exists(Slot(1)));

  // A leftover nobody holds is dropped.
  fs_.SetLockedByOther(Slot(0), false);
  ASSERT_TRUE(log.OpenLog());
  EXPECT_EQ(SlotContent(0), "");
}

// ---- temporary names ----

TEST(TempName, StaysInTheTargetFolderAndIsShortAndDistinct) {
  const std::u16string long_name(250, u'n');
  const std::u16string t0 = TempNameFor(u"/d/" + long_name, u"/d/" + long_name + u"x", 0);
  EXPECT_TRUE(t0.starts_with(u"/d/tessivo-tmp-")) << std::string(t0.begin(), t0.end());
  EXPECT_LE(t0.size() - 3, 34u);
  EXPECT_EQ(t0, TempNameFor(u"/d/" + long_name, u"/d/" + long_name + u"x", 0));
  EXPECT_NE(t0, TempNameFor(u"/d/" + long_name, u"/d/" + long_name + u"x", 1));
  EXPECT_NE(TempNameFor(u"/d/a", u"/d/A", 0), TempNameFor(u"/d/A", u"/d/a", 0));
  EXPECT_TRUE(TempNameFor(u"/d/a", u"/d/A", 15).ends_with(u"-15"));
}

// ---- start-up repair ----

using RepairTest = RenameLogTest;

TEST_F(RepairTest, SettlesTheLastLineAgainstTheDisk) {
  const std::string first = FormatNormalLine(u"/d/a", u"/d/b");
  const std::u16string before = u"/d/c\u00e9", after = u"/d/e";
  const std::string last = FormatNormalLine(before, after);
  struct Case {
    const char* name;
    std::vector<std::u16string> files;  // present on disk
    bool fail_move_back;
    LastLine expected;
    std::u16string at_before;  // path whose existence is expected afterwards
  };
  const std::u16string temp = TempNameFor(before, after, 2);
  const std::u16string legacy = after + u"$tessiv$.$";
  const Case cases[] = {
      {"change made", {after}, false, LastLine::kKept, after},
      {"change not made", {before}, false, LastLine::kDropped, before},
      {"both there", {before, after}, false, LastLine::kKept, before},
      {"left at temp", {temp}, false, LastLine::kMovedBack, before},
      {"left at 8.3 temp", {legacy}, false, LastLine::kMovedBack, before},
      {"temp stuck", {temp}, true, LastLine::kRecordedTemp, temp},
      {"file gone", {}, false, LastLine::kKept, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem fs;
    fs.AddFolder(kHome);
    fs.AddFolder(u"/d");
    for (const auto& f : c.files) fs.AddFile(f, "data");
    fs.AddFile(Slot(1), "old1");
    fs.AddFile(Slot(0), first + last);
    if (c.fail_move_back) fs.FailPath(Op::kRenameNoReplace, before, ErrorCode::kIo);

    auto report = RepairInterruptedLog(fs, kHome);
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->found && !report->cut_torn_tail && !report->rewrite_failed && report->rotated);
    EXPECT_EQ(report->last_line, c.expected);
    EXPECT_TRUE(!fs.Exists(Slot(0)) && !fs.IsLocked(Slot(1)));
    EXPECT_EQ(fs.Content(Slot(2)), "old1");
    if (!c.at_before.empty()) {
      EXPECT_TRUE(fs.Exists(c.at_before));
    }

    std::string expected_log = first;
    if (c.expected == LastLine::kKept) expected_log += last;
    if (c.expected == LastLine::kRecordedTemp) expected_log += FormatNormalLine(before, temp);
    EXPECT_EQ(fs.Content(Slot(1)), expected_log);
    if (c.expected == LastLine::kMovedBack) {
      EXPECT_EQ(fs.Content(before), "data");
      EXPECT_TRUE(!fs.Exists(temp) && !fs.Exists(legacy));
    }
  }
}

// A torn line, and the zero bytes a run killed while its log was mapped
// leaves after its last line (less than one growth step of the file).
TEST(RepairTornTailTest, TailIsCutAndTheLineBeforeItJudged) {
  const std::string first = FormatNormalLine(u"/d/a", u"/d/b");
  const std::string second = FormatNormalLine(u"/d/c", u"/d/e");
  for (const std::string& tail : {"\"/d/x\",\"/d/" + std::string(2, '\0'),
                                  std::string(32 * 1024 - 1, '\0'),
                                  "\"/d/x\",\"/d/" + std::string(30000, '\0')}) {
    FakeFileSystem fs;
    fs.AddFile(u"/d/b");
    fs.AddFile(u"/d/c");  // the second change did not happen
    fs.AddFile(LogSlotPath(kHome, 0), first + second + tail);
    auto report = RepairInterruptedLog(fs, kHome);
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->cut_torn_tail);
    EXPECT_EQ(report->last_line, LastLine::kDropped);
    EXPECT_EQ(fs.Content(LogSlotPath(kHome, 1)), first);
  }
}

// A log left with nothing in it (its one change never happened, or it was
// only a torn line) goes away without a rotation.
TEST_F(RepairTest, ALogLeftEmptyIsRemoved) {
  fs_.AddFile(u"/d/a");
  fs_.AddFile(Slot(1), "old1");
  for (const std::string& log : {FormatNormalLine(u"/d/a", u"/d/b"), std::string("\"/d/a\",\"/d")}) {
    fs_.AddFile(Slot(0), log);
    auto report = RepairInterruptedLog(fs_, kHome);
    ASSERT_TRUE(report) << log;
    EXPECT_EQ(report->cut_torn_tail, log.back() != '\n') << log;
    if (!report->cut_torn_tail) {
      EXPECT_EQ(report->last_line, LastLine::kDropped);
    }
    EXPECT_FALSE(report->rotated) << log;
    EXPECT_FALSE(fs_.Exists(Slot(0))) << log;
    EXPECT_EQ(SlotContent(1), "old1") << log;
    EXPECT_FALSE(fs_.Exists(Slot(2))) << log;
  }
}

TEST_F(RepairTest, OtherKindsAndUnreadableLinesAreKept) {
  fs_.AddFile(u"/d/t");
  const std::string stamp = FormatTimestampLine(u"/d/t", {2020, 1, 1, 0, 0, 0}, {2020, 1, 1, 0, 0, 0});
  fs_.AddFile(Slot(0), FormatNormalLine(u"/d/a", u"/d/b") + stamp);
  auto report = RepairInterruptedLog(fs_, kHome);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->last_line, LastLine::kKept);
  EXPECT_EQ(SlotContent(1), FormatNormalLine(u"/d/a", u"/d/b") + stamp);

  fs_.AddFile(Slot(0), "no quotes here\r\n");
  report = RepairInterruptedLog(fs_, kHome);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->last_line, LastLine::kKept);
  EXPECT_EQ(SlotContent(1), "no quotes here\r\n");
}

TEST_F(RepairTest, LeavesLockedOrMissingLogsAlone) {
  for (bool present : {false, true}) {
    if (present) {
      fs_.AddFile(Slot(0), FormatNormalLine(u"/d/a", u"/d/b"));
      fs_.SetLockedByOther(Slot(0));
    }
    fs_.forbid_changes_ = true;
    auto report = RepairInterruptedLog(fs_, kHome);
    fs_.forbid_changes_ = false;
    ASSERT_TRUE(report) << present;
    EXPECT_FALSE(report->found) << present;
  }
  EXPECT_EQ(SlotContent(0), FormatNormalLine(u"/d/a", u"/d/b"));

  fs_.FailPath(Op::kStat, Slot(0), ErrorCode::kIo);
  EXPECT_FALSE(RepairInterruptedLog(fs_, kHome));
}

TEST_F(RepairTest, LongLogIsJudgedFromItsEnd) {
  std::string committed;
  for (int i = 0; i < 2000; ++i) committed += FormatNormalLine(u"/d/" + std::u16string(60, u'\u00e9'), u"/d/z");
  ASSERT_GT(committed.size(), 2u * 64 * 1024);
  fs_.AddFile(u"/d/p");
  fs_.AddFile(Slot(0), committed + FormatNormalLine(u"/d/p", u"/d/q"));
  auto report = RepairInterruptedLog(fs_, kHome);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->last_line, LastLine::kDropped);
  EXPECT_EQ(SlotContent(1), committed);
}

// A run killed right after writing a line ahead of a change it never made:
// after the repair, undo sees exactly the changes that happened.
TEST_F(RepairTest, KilledRunIsUndoneExactly) {
  fs_.AddFile(u"/d/a");
  fs_.AddFile(u"/d/c");
  {
    RenameLog log(fs_, kHome);
    ASSERT_TRUE(log.OpenLog());
    ASSERT_TRUE(log.BeginChange(FormatNormalLine(u"/d/a", u"/d/b")));
    ASSERT_TRUE(fs_.RenameNoReplace(u"/d/a", u"/d/b"));
    ASSERT_TRUE(log.BeginChange(FormatNormalLine(u"/d/c", u"/d/e")));
    // killed here: the log object goes away without CloseAndRotate
  }
  auto report = RepairInterruptedLog(fs_, kHome);
  ASSERT_TRUE(report);
  auto rows = LoadLogRows(fs_, kHome, 1);
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 1u);
  EXPECT_EQ(CellToPath((*rows)[0].old_name), u"/d/b");
  EXPECT_EQ(CellToPath((*rows)[0].new_name), u"/d/a");
}

}  // namespace
}  // namespace tessivo
