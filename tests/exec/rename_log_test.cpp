#include "exec/rename_log.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"
#include "platform/temp_name.h"
#include "support/fake_file_system.h"
#include "support/finishes_within.h"
#include "support/scoped_temp_dir.h"

namespace tessivo {
namespace {

using LastLine = LogRepairReport::LastLine;
using Op = FakeFileSystem::Op;
using Rows = std::vector<UndoRow>;
using RowTexts = std::vector<std::u16string>;

const std::u16string kHome = u"/home/u/.local/share/tessivo";

std::u16string Slot(int n) { return LogSlotPath(kHome, n); }

// The cells of each row, for comparing loads.
std::vector<std::u16string> Texts(const std::vector<UndoRow>& rows) {
  std::vector<std::u16string> out;
  for (const UndoRow& r : rows) {
    out.push_back(r.old_name + u"|" + r.extension + u"|" + r.folder + u"|" + r.new_name);
  }
  return out;
}

// ---- line formats ----

// Every name comes back exactly from its line, of each kind: what code page
// 932 lacks (U+00E9, each unit of an emoji) is escaped, 日本 is two
// double-byte characters; a line break, a '"' or a backslash that reads as an
// escape are written as escapes; a backslash that does not is left as it is,
// so such a line is the plain one.
TEST(RenameLogFormat, NamesReadBackExactly) {
  const std::pair<std::u16string, std::string> cases[] = {
      // path, its field as written
      {u"/d/caf\u00e9?\u65e5\u672c\U0001F600", "/d/caf\\u00e9?\x93\xfa\x96{\\ud83d\\ude00"},
      {u"/d/esc\\u0041x.txt", "/d/esc\\u005cu0041x.txt"},
      {u"/d/line\nfeed\r", "/d/line\\u000afeed\\u000d"},
      {u"/d/q\"uote", "/d/q\\u0022uote"},
      {u"/d/back\\slash\\u00G1\\uABCD\\u12", "/d/back\\slash\\u00G1\\uABCD\\u12"},
      {u"/d/\xdc80\\u", "/d/\\udc80\\u"},  // a byte that is not UTF-8
  };
  for (const auto& [path, field] : cases) {
    SCOPED_TRACE(field);
    const std::string line = FormatNormalLine(path, u"/d/b");
    EXPECT_EQ(line, "\"" + field + "\",\"/d/b\",\"<NORMAL>\"\r\n");
    EXPECT_TRUE(LineReadsBack(line, path, u"/d/b"));
    for (const std::string& other : {FormatTimestampLine(path, {}, {}),
                                     FormatAttributeLine(path, 0)}) {
      EXPECT_TRUE(LineReadsBack(other, path, {}));
    }
  }
  EXPECT_FALSE(LineReadsBack("\"/d/a\nb\",\"/d/c\",\"<NORMAL>\"\r\n", u"/d/a\nb", u"/d/c"));
}

// A line built from plain units is known to read back without parsing it;
// an escape or a field at its capacity leaves that to LineReadsBack.
TEST(RenameLogFormat, OnlyPlainLinesAreKnownToReadBack) {
  const std::u16string longest = u"/d/" + std::u16string(kLogFieldCapacity - 4, u'a');
  const struct {
    std::u16string before, after;
    bool known;
  } cases[] = {
      {u"/d/IMG_0001.jpg", u"/d/Photo 0001.jpg", true}, {longest, u"/d/b", true},
      {longest + u"a", u"/d/b", false},  {u"/d/b", longest + u"a", false},
      {u"/d/q\"uote", u"/d/b", false},   {u"/d/b", u"/d/back\\slash", false},
      {u"/d/caf\u00e9", u"/d/b", false}, {u"/d/tab\t", u"/d/b", false},
  };
  std::string line = "a longer line left over from the row before this one";
  for (const auto& c : cases) {
    SCOPED_TRACE(line);
    EXPECT_EQ(FormatNormalLine(c.before, c.after, line), c.known);
    EXPECT_EQ(line, FormatNormalLine(c.before, c.after));
    if (c.known) {
      EXPECT_TRUE(LineReadsBack(line, c.before, c.after));
    }
  }
}

TEST(RenameLogFormat, TimestampLineWithPaddedFields) {
  // A character the code page lacks is escaped here too (plainly it would be
  // '?', and undo would look for another file).
  const std::string line =
      FormatTimestampLine(u"/d/caf\u00e9", {2021, 3, 4, 5, 6, 7}, {999, 12, 31, 23, 59, 8});
  EXPECT_EQ(line, std::string("\"/d/caf\\u00e9\",\"<") + "\x8d\xec\x90\xac\x81\x46" +
                      "2021/03/04 05:06:07, " + "\x8d\x58\x90\x56\x81\x46" +
                      " 999/12/31 23:59:08>\",\"<TIMESTAMP>\"\r\n");
  auto parsed = ParseLogLine(line);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->field3, kTimestampKind);
  EXPECT_EQ(ParseLogTime(parsed->field2, kCreationTimeOffset), (LogDateTime{2021, 3, 4, 5, 6, 7}));
  // " 999" is not four digits: the time cannot be read back.
  EXPECT_FALSE(ParseLogTime(parsed->field2, kLastWriteTimeOffset));
}

TEST(RenameLogFormat, AttributeLineHasFlagsInReadOnlyHiddenArchiveSystemOrder) {
  EXPECT_EQ(FormatAttributeLine(u"/d/a", attr::kReadOnly | attr::kArchive),
            std::string("\"/d/a\",\"<") + "\x93\xc7\x81\x46" + "Y, " + "\x89\x42\x81\x46" + "N, " +
                "\x83\x41\x81\x46" + "Y, " + "\x83\x56\x81\x46" + "N>\",\"<ATTRIBUTE>\"\r\n");
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
  const std::tuple<std::u16string, std::size_t, bool> cases[] = {
      // text, offset, readable
      {u"2021/03/04 05:06:07", 0, true},
      {u"xx2021/03/04 05:06:07", 2, true},  // read from the offset
      {u"2021-03-04T05:06:07", 0, true},    // other separators are not checked
      {u"2021/03/04 05-06:07", 0, false},   // ':' at 13
      {u"2021/03/04 05:06-07", 0, false},   // ':' at 16
      {u"2021/0a/04 05:06:07", 0, false},   // a letter for a digit
      {u"2021/03/04 05:06:0", 0, false},    // one character short
      {u"2021/03/04 05:06:07", 1, false},   // so from offset 1
      {u"ab", 5, false},                    // an offset past the end
  };
  for (const auto& [text, offset, ok] : cases) {
    EXPECT_EQ(ParseLogTime(text, offset).has_value(), ok)
        << std::string(text.begin(), text.end()) << " @" << offset;
  }
}

TEST(RenameLogFormat, SlotAndCellPaths) {
  EXPECT_EQ(LogSlotPath(u"/p", 0) + LogSlotPath(u"/p/", 9), u"/p/rename0.log/p/rename9.log");
  const std::pair<std::u16string, std::u16string> cases[] = {
      // path, cell
      {u"/a/b/c.txt", u"c.txt : /a/b/"},     {u"/c", u"c : /"},
      {u"/a/x : y.txt", u"x : y.txt : /a/"},  // a name holding the separator
      {u"/a : b/x.txt", u"x.txt : /a : b/"},  // so may a folder
      {u"/a/x : ", u"x :  : /a/"},           {u"/a/", u" : /a/"},
  };
  for (const auto& [path, cell] : cases) {
    EXPECT_EQ(PathToCell(path), cell);
    EXPECT_EQ(CellToPath(cell), path);
  }
  EXPECT_EQ(PathToCell(u"<読：Y, 隠：N, ア：N, シ：N>"), u"<読：Y, 隠：N, ア：N, シ：N>");
  EXPECT_EQ(CellToPath(u"plain"), u"plain");
  EXPECT_EQ(CellToPath(u"name : "), u"name");
}

// ---- loading ----

TEST(RenameLogLoad, LoadingLimits) {
  const std::string good = FormatNormalLine(u"/a", u"/b");
  auto padded = [](std::size_t bytes_before_lf) {
    std::string line = "\"/p\",\"/q\",\"<NORMAL>\"";
    line.resize(bytes_before_lf, ' ');
    return line + "\n";
  };
  // Lines with fewer than six '"' give no row.
  const Rows rows = ParseLogRows("\"/a\",\"/b\"\r\ngarbage\r\n" + FormatNormalLine(u"/c", u"/d") +
                                 "\"/x\",\"/y\",\"<NORMAL>\r\n");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].new_name, u"c : /");
  // 5199 bytes and the line feed: 5200 bytes, still a line.
  EXPECT_EQ(ParseLogRows(good + padded(kMaxLogLineBytes - 1) + good).size(), 3u);
  // 5200 bytes without a line feed end the loading; nothing after it loads.
  EXPECT_EQ(ParseLogRows(good + padded(kMaxLogLineBytes) + good).size(), 1u);
  // The end of the log without a line feed is the same.
  EXPECT_EQ(ParseLogRows(good + "\"/p\",\"/q\",\"<NORMAL>\"").size(), 1u);
  EXPECT_EQ(ParseLogRows("").size(), 0u);

  // Every line is read, also past 50,000 (undo takes back the whole run).
  std::string log;
  for (int i = 0; i <= 50000; ++i) log += "\"/a\",\"/b" + std::to_string(i) + "\",\"<NORMAL>\"\r\n";
  FakeFileSystem fs;
  fs.AddFile(Slot(1), "x\n" + log);
  const auto many = LoadLogRows(fs, kHome, 1);
  ASSERT_TRUE(many);
  ASSERT_EQ(many->size(), 50001u);
  EXPECT_EQ(many->back().old_name, u"b50000 : /");
}

TEST(RenameLogLoad, FieldsAreCutToTheirLimits) {
  // 1560 bytes of escapes: cut to 1556 bytes, the last escape is broken.
  std::string escapes;
  for (int i = 0; i < 260; ++i) escapes += "\\u00e9";
  auto parsed = ParseLogLine("\"" + escapes + "\",\"x\",\"y\"");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->field1, std::u16string(259, u'\u00e9'));  // 259 decoded units, the rest cut

  parsed = ParseLogLine("\"" + std::string(1600, 'n') + "\",\"\",\"\"");
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
  for (const std::string& line : lines) ends.push_back((log += line).size());
  const RowTexts full = Texts(ParseLogRows(log));
  ASSERT_EQ(full.size(), 3u);
  // The rows of the lines that end at or before `pos`.
  auto whole_lines = [&](std::size_t pos) {
    return RowTexts(full.begin(), full.begin() + (std::upper_bound(ends.begin(), ends.end(), pos) -
                                                  ends.begin()));
  };

  for (std::size_t length = 0; length <= log.size(); ++length) {
    // An exact-size buffer: nothing may be read past its end.
    EXPECT_EQ(Texts(ParseLogRows(log.substr(0, length))), whole_lines(length)) << length;
  }
  for (std::size_t pos = 0; pos < log.size(); ++pos) {
    const RowTexts intact = whole_lines(pos);
    for (char byte : {'\0', '"', '\n', '\r', '\\', '\x81', '\xff', ','}) {
      std::string damaged = log;
      damaged[pos] = byte;
      RowTexts rows = Texts(ParseLogRows(damaged));
      SCOPED_TRACE(testing::Message() << "pos " << pos << " byte " << static_cast<int>(byte));
      ASSERT_TRUE(rows.size() >= intact.size() && rows.size() <= 4u) << rows.size();
      rows.resize(intact.size());
      EXPECT_EQ(rows, intact);
    }
  }
}

TEST(RenameLogLoad, ReadsTheSlotFileInPieces) {
  FakeFileSystem fs;
  std::string log;
  for (int i = 0; i < 3000; ++i) {
    log += FormatNormalLine(u"/src/" + std::u16string(i % 50, u'\u00e9'),
                            u"/dst/" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)));
  }
  ASSERT_GT(log.size(), 3u * 64 * 1024);
  fs.AddFile(Slot(3), log);
  auto rows = LoadLogRows(fs, kHome, 3);
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 3000u);
  EXPECT_EQ(Texts(*rows), Texts(ParseLogRows(log)));

  // A read error after the first piece ends the loading there.
  fs.FailNthCall(Op::kReadOwnFile, 2, ErrorCode::kIo);
  rows = LoadLogRows(fs, kHome, 3);
  ASSERT_TRUE(rows);
  EXPECT_TRUE(rows->size() > 0u && rows->size() < 3000u) << rows->size();

  EXPECT_EQ(LoadLogRows(fs, kHome, 4).error().code, ErrorCode::kNotFound);
  EXPECT_EQ(LoadLogRows(fs, kHome, 10).error().code, ErrorCode::kInvalidArgument);
}

// ---- writing and rotation ----

class RenameLogTest : public ::testing::Test {
 protected:
  void SetUp() override { fs_.AddFolder(kHome); }

  // One run that logs `line`.
  void Run(const std::string& line) {
    RenameLog log(fs_, kHome);
    ASSERT_TRUE(log.OpenLog());
    ASSERT_TRUE(log.BeginChange(line));
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

// Nine slots, one missing: two runs push the two oldest out, move the gap
// along and never make a slot 10.
TEST_F(RenameLogTest, RotationKeepsTheNineNewestAndSkipsMissingSlots) {
  for (int n = 1; n <= 9; ++n) if (n != 4) fs_.AddFile(Slot(n), "old" + std::to_string(n));
  Run("A\r\n");
  Run("B\r\n");
  const std::string expected[] = {"B\r\n",     "A\r\n", "old1", "old2", "old3",
                                  "<missing>", "old5",  "old6", "old7"};
  for (int n = 1; n <= 9; ++n) EXPECT_EQ(SlotContent(n), expected[n - 1]) << n;
  EXPECT_FALSE(fs_.Exists(Slot(0)));
  EXPECT_FALSE(fs_.Exists(Slot(10)));
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

// A log that cannot be moved to slot 1 at the close, and the log of a run
// killed before it (destroyed without CloseAndRotate), stay in slot 0,
// unlocked, for the start-up repair.
TEST_F(RenameLogTest, InterruptedLogsStayInSlotZero) {
  const std::string line = FormatNormalLine(u"/d/a", u"/d/b");
  for (bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "killed" : "not moved");
    if (!killed) fs_.FailPath(Op::kRenameNoReplace, Slot(0), ErrorCode::kIo);
    {
      RenameLog log(fs_, kHome);
      ASSERT_TRUE(log.OpenLog());
      ASSERT_TRUE(log.BeginChange(line));
      EXPECT_TRUE(killed || !log.CloseAndRotate());
    }
    EXPECT_EQ(SlotContent(0), line);
    EXPECT_FALSE(fs_.IsLocked(Slot(0)));
    fs_.ClearFailures();
  }
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

  // A leftover nobody holds is an interrupted run's log: it becomes slot 1,
  // unless it cannot be moved there; then it is kept and no log is opened.
  fs_.SetLockedByOther(Slot(0), false);
  fs_.FailPath(Op::kRenameNoReplace, Slot(0), ErrorCode::kPermission);
  EXPECT_EQ(log.OpenLog().error().code, ErrorCode::kIo);
  EXPECT_EQ(SlotContent(0), "theirs\r\n");
  fs_.ClearFailures();
  ASSERT_TRUE(log.OpenLog());
  EXPECT_EQ(SlotContent(0), "");
  EXPECT_EQ(SlotContent(1), "theirs\r\n");
}

TEST(TempName, StaysInTheTargetFolderIsShortAndRecognisedOnlyForItsChange) {
  const std::u16string from = u"/d/" + std::u16string(250, u'n'), to = from + u"x";
  const std::u16string t = TempNameFor(from, to, TempNameRandom());
  EXPECT_TRUE(t.starts_with(u"/d/tessivo-tmp-")) << std::string(t.begin(), t.end());
  EXPECT_EQ(t.size() - 3, 45u);
  EXPECT_NE(t, TempNameFor(from, to, TempNameRandom()));
  const std::u16string name = t.substr(3);
  const std::u16string numbered = name.substr(0, name.size() - 16) + u"15";  // earlier form
  EXPECT_TRUE(IsTempNameOf(name, from, to) && IsTempNameOf(numbered, from, to));
  for (const std::u16string& other :
       {name + u"0", name.substr(0, name.size() - 1) + u"g", name.substr(0, name.size() - 16)}) {
    EXPECT_FALSE(IsTempNameOf(other, from, to)) << std::string(other.begin(), other.end());
  }
  EXPECT_FALSE(IsTempNameOf(name, to, from));
}

TEST(LoggedPaths, OnlyPlainPathsInOneFolderAreAChange) {
  const struct {
    std::u16string_view before, after;
    bool change;
  } cases[] = {
      {u"/d/a", u"/d/b", true},           {u"/a", u"/b", true},
      {u"/etc/planted", u"/d/p", false},  {u"/d/x/../y", u"/d/x/../z", false},
      {u"/d/./a", u"/d/./b", false},      {u"/d/..", u"/d/b", false},
      {u"d/a", u"d/b", false},            {u"", u"/d/b", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsSameFolderChange(c.before, c.after), c.change)
        << std::string(c.before.begin(), c.before.end());
  }
}

// ---- start-up repair ----

using RepairTest = RenameLogTest;

// The log is longer than the part of it the repair reads from its end.
TEST_F(RepairTest, SettlesTheLastLineAgainstTheDisk) {
  std::string first;
  for (int i = 0; i < 2000; ++i) {
    first += FormatNormalLine(u"/d/" + std::u16string(60, u'\u00e9'), u"/d/z");
  }
  ASSERT_GT(first.size(), 2u * 64 * 1024);
  const std::u16string before = u"/d/c\u00e9", after = u"/d/e";
  const std::string rename = FormatNormalLine(before, after);
  const std::u16string temp = TempNameFor(before, after, 0x0123456789abcdefULL);
  // Names of a change of other paths, or of an earlier program, are no
  // intermediate name of this change.
  const std::u16string other_temp = TempNameFor(before + u"x", after, 1);
  const std::u16string legacy = after + u"$tessiv$.$";
  const std::string stamp =
      FormatTimestampLine(before, {2020, 1, 1, 0, 0, 0}, {2020, 1, 1, 0, 0, 0});
  // A line that moves a file into another folder is made up: no file is
  // moved there, even one waiting under an intermediate name of the numbered
  // form earlier versions used.
  std::u16string planted = TempNameFor(u"/etc/planted", u"/d/p", 0);
  planted.replace(planted.size() - 16, 16, u"0");
  const struct {
    const char* name;
    std::vector<std::u16string> files;  // present on disk
    bool fail_move_back;
    LastLine expected;
    std::u16string there_after;  // a path that must exist afterwards
    std::string last;            // empty: before -> after
  } cases[] = {
      {"change made", {after}, false, LastLine::kKept, after, ""},
      {"change not made", {before}, false, LastLine::kDropped, before, ""},
      {"both there", {before, after}, false, LastLine::kKept, before, ""},
      {"left at temp", {other_temp, temp}, false, LastLine::kMovedBack, before, ""},
      {"another change's temp", {other_temp}, false, LastLine::kKept, other_temp, ""},
      {"left at 8.3 temp", {legacy}, false, LastLine::kMovedBack, before, ""},
      {"temp stuck", {temp}, true, LastLine::kRecordedTemp, temp, ""},
      {"file gone", {}, false, LastLine::kKept, u"", ""},
      // Undo puts back the logged state of other kinds, and cannot judge a
      // line it cannot read: both are kept.
      {"timestamp", {}, false, LastLine::kKept, u"", stamp},
      {"unreadable", {}, false, LastLine::kKept, u"", "no quotes here\r\n"},
      {"another folder", {planted, u"/etc/x"}, false, LastLine::kKept, planted,
       FormatNormalLine(u"/etc/planted", u"/d/p")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string last = c.last.empty() ? rename : c.last;
    FakeFileSystem fs;
    fs.AddFolder(u"/d");
    for (const auto& f : c.files) fs.AddFile(f, "data");
    fs.AddFile(Slot(1), "old1");
    fs.AddFile(Slot(0), first + last);
    if (c.fail_move_back) fs.FailPath(Op::kRenameNoReplace, before, ErrorCode::kIo);

    auto report = RepairInterruptedLog(fs, kHome);
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->found && !report->cut_torn_tail && !report->rewrite_failed &&
                report->rotated);
    EXPECT_EQ(report->last_line, c.expected);
    EXPECT_TRUE(!fs.Exists(Slot(0)) && !fs.IsLocked(Slot(1)));
    EXPECT_EQ(fs.Content(Slot(2)), "old1");
    EXPECT_TRUE(c.there_after.empty() || fs.Exists(c.there_after));
    EXPECT_FALSE(fs.Exists(u"/etc/planted"));
    const std::string kept = c.expected == LastLine::kKept ? last
                             : c.expected == LastLine::kRecordedTemp
                                 ? FormatNormalLine(before, temp)
                                 : "";
    EXPECT_EQ(fs.Content(Slot(1)), first + kept);
    if (c.expected == LastLine::kMovedBack) {
      EXPECT_EQ(fs.Content(before), "data");
      EXPECT_TRUE(!fs.Exists(temp) && !fs.Exists(legacy));
    }
  }
}

// A torn line, and the zero bytes a run killed while its log was mapped
// leaves after its last line (up to one growth step of the file, 1 MiB), are cut
// and the line before them judged. A log left with nothing in it (its one
// change never happened, or it was only a torn line) goes away unrotated.
TEST(RepairTornTailTest, TailIsCutAndAnEmptiedLogRemoved) {
  const std::string first = FormatNormalLine(u"/d/a", u"/d/b");
  const std::string second = FormatNormalLine(u"/d/c", u"/d/e");  // did not happen
  // log, torn tail cut, last line, slot 1 afterwards ("old1": not rotated)
  const std::tuple<std::string, bool, LastLine, std::string> cases[] = {
      {first + second + "\"/d/x\",\"/d/" + std::string(2, '\0'), true, LastLine::kDropped, first},
      {first + second + std::string(32 * 1024 - 1, '\0'), true, LastLine::kDropped, first},
      {first + second + "\"/d/x\",\"/d/" + std::string(30000, '\0'), true, LastLine::kDropped,
       first},
      {first + second + std::string(1 << 20, '\0'), true, LastLine::kDropped, first},
      {first + second + "\"/d/x" + std::string(200000, '\0'), true, LastLine::kDropped, first},
      {std::string(1 << 20, '\0'), true, LastLine::kNone, "old1"},
      {second, false, LastLine::kDropped, "old1"},
      {"\"/d/c\",\"/d", true, LastLine::kNone, "old1"},
  };
  for (const auto& [log, torn, last_line, slot1] : cases) {
    SCOPED_TRACE(testing::Message() << log.size() << " bytes");
    FakeFileSystem fs;
    fs.AddFile(u"/d/b");
    fs.AddFile(u"/d/c");
    fs.AddFile(Slot(1), "old1");
    fs.AddFile(Slot(0), log);
    auto report = RepairInterruptedLog(fs, kHome);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->cut_torn_tail, torn);
    EXPECT_EQ(report->last_line, last_line);
    EXPECT_EQ(report->rotated, slot1 != "old1");
    EXPECT_FALSE(fs.Exists(Slot(0)));
    EXPECT_EQ(fs.Content(Slot(1)), slot1);
    EXPECT_EQ(fs.Exists(Slot(2)), slot1 != "old1");
  }
}

// On the disk, a slot 0 that is a symbolic link or a FIFO is neither read,
// cut nor waited on; the run's own log is a fresh regular file, made 0600.
TEST(RepairOnDiskTest, SlotZeroThatIsNoFileOfOursIsLeftAlone) {
  for (const char* kind : {"symlink", "fifo"}) {
    SCOPED_TRACE(kind);
    ScopedTempDir dir;
    const std::string slot0 = Utf16ToUtf8(LogSlotPath(dir.path(), 0));
    const std::string torn = "\"/d/a\",\"/d/b";  // what the repair would cut
    std::ofstream(dir.NativePath("target")) << torn;
    ASSERT_EQ(std::string_view(kind) == "fifo"
                  ? ::mkfifo(slot0.c_str(), 0600)
                  : ::symlink(dir.NativePath("target").c_str(), slot0.c_str()),
              0);
    PosixFileSystem fs;
    const std::string line = FormatNormalLine(u"/d/a", u"/d/b");
    EXPECT_EQ(FinishesWithin(10, [&] {
                if (InterruptedLogAwaits(fs, dir.path())) return 1;
                auto report = RepairInterruptedLog(fs, dir.path());
                if (!report || report->found || !report->refused) return 2;
                RenameLog log(fs, dir.path());
                return log.OpenLog() && log.BeginChange(line) && log.CloseAndRotate() ? 0 : 3;
              }),
              0);
    std::ifstream target(dir.NativePath("target"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(target), {}), torn);
    struct stat st;
    ASSERT_EQ(::lstat(Utf16ToUtf8(LogSlotPath(dir.path(), 1)).c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode) && (st.st_mode & 0777) == 0600) << st.st_mode;
    EXPECT_EQ(st.st_size, static_cast<off_t>(line.size()));
  }
}

TEST_F(RepairTest, LeavesLockedMissingOrForeignSlotsAlone) {
  const std::string line = FormatNormalLine(u"/d/a", u"/d/b");
  fs_.AddFile(u"/d/target", line);
  for (const char* slot0 : {"missing", "locked", "symlink", "folder"}) {
    SCOPED_TRACE(slot0);
    (void)fs_.RemoveFile(Slot(0));
    fs_.SetLockedByOther(Slot(0), false);
    const std::string_view kind = slot0;
    if (kind == "locked") {
      fs_.AddFile(Slot(0), line);
      fs_.SetLockedByOther(Slot(0));
    } else if (kind == "symlink") {
      fs_.AddSymlink(Slot(0), u"/d/target");
    } else if (kind == "folder") {
      fs_.AddFolder(Slot(0));
    }
    fs_.forbid_changes_ = true;
    auto report = RepairInterruptedLog(fs_, kHome);
    fs_.forbid_changes_ = false;
    ASSERT_TRUE(report);
    EXPECT_FALSE(report->found);
    EXPECT_EQ(report->refused, kind == "symlink" || kind == "folder");
    EXPECT_FALSE(fs_.Exists(Slot(1)));
  }
  EXPECT_EQ(fs_.Content(u"/d/target"), line);
  // The symbolic link is not read as a log either.
  fs_.AddSymlink(Slot(1), u"/d/target");
  EXPECT_EQ(LoadLogRows(fs_, kHome, 1).error().code, ErrorCode::kPermission);

  fs_.FailPath(Op::kStat, Slot(0), ErrorCode::kIo);
  EXPECT_FALSE(RepairInterruptedLog(fs_, kHome));
}

}  // namespace
}  // namespace tessivo
