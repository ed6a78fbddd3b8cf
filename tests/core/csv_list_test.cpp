#include "core/csv_list.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "core_test_util.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {

namespace {

using Kind = CsvRecordKind;
using Line = CsvLineResult;

std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

CsvRow Row(const std::u16string& name, const std::u16string& folder,
           const std::u16string& new_name) {
  const std::size_t dot = name.rfind(u'.');
  return {name, dot == std::u16string::npos ? u"" : name.substr(dot), folder, new_name};
}

std::vector<CsvRow> Rows(const FileList& list) {
  std::vector<CsvRow> rows;
  for (int i = 0; i < list.Count(); ++i) {
    const FileItem& item = list.Item(i);
    rows.push_back(
        {std::u16string(item.Get(Cell::kName)), std::u16string(item.Get(Cell::kExtension)),
         std::u16string(item.Get(Cell::kFolder)), std::u16string(item.Get(Cell::kNewName))});
  }
  return rows;
}

void Add(FileList& list, const CsvRow& row, bool selected = false) {
  list.AddRow(row.name, row.extension, row.folder, row.new_name, {}, {}, list.Count());
  list.SetSelected(list.Count() - 1, selected);
}


// Each line gives a row, a comment, or is malformed (then `row` is untouched).
TEST(CsvGrammar, ShapesOfOneLine) {
  const std::u16string n259(259, u'n'), n260(260, u'n'), d258(258, u'd');
  const std::u16string d200 = u"/" + std::u16string(200, u'd') + u"/";
  const std::u16string d259 = u"/" + std::u16string(257, u'd') + u"/";
  const Kind kRow = Kind::kRow;
  const struct { std::u16string line; Kind kind = Kind::kMalformed;
      CsvRow row = Row(u"keep", u"/k/", u"k"); } cases[] = {
      {u"\"a.txt\",\"b.txt\",\"/d/\"", kRow, Row(u"a.txt", u"/d/", u"b.txt")},
      {u"a.txt,b.txt,/d/", kRow, Row(u"a.txt", u"/d/", u"b.txt")},
      {u"\"a.txt\",\"b.txt\",\"/d\"", kRow, Row(u"a.txt", u"/d/", u"b.txt")},  // folder completed
      {u"\"a,b.txt\",\"c,d\",\"/d,e/\"", kRow, Row(u"a,b.txt", u"/d,e/", u"c,d")},
      {u"\"/d/a,b\"", kRow, Row(u"a,b", u"/d/", u"")},
      {u"\"a,b\",c,/d/", kRow, Row(u"a,b", u"/d/", u"c")},
      {u"a,b,/d/", kRow, Row(u"a", u"/d/", u"b")},
      {u"\"a,\",\"b,\",\"/d,/\"", kRow, Row(u"a,", u"/d,/", u"b,")},  // names ending in a comma
      {u"a,b,\"/d/\"", kRow, Row(u"a,b", u"/d/", u" ")},
      // A timestamp description keeps its "/"s; a text after its last "." goes.
      {u"\"a.txt\",\"<作成：2020/01/02 03:04:05>\",\"/d/\"", kRow,
       Row(u"a.txt", u"/d/", u"<作成：2020/01/02 03:04:05>")},
      {u"\"a.txt\",\"<x/y.z\",\"/d/\"", kRow, Row(u"a.txt", u"/d/", u"<x/y")},
      {u"\"a.txt\",\"/d/\"", kRow, Row(u"a.txt", u"/d/", u" ")},
      {u"\"/d/a.txt\",\"/d/b\",\"<NORMAL>\"", kRow, Row(u"a.txt", u"/d/", u"b")},
      {u"\"/d/a.txt\",\"/d/b\"", kRow, Row(u"a.txt", u"/d/", u"b")},
      {u"\"/d/a\",\"<読：Y, 隠：N, ア：Y, シ：N>\",\"<ATTRIBUTE>\"",
       kRow,  // a third field is ignored
       Row(u"a", u"/d/", u"<読：Y, 隠：N, ア：Y, シ：N>")},
      {u"#\"a\",\"b\",\"/d/\"", Kind::kComment},  {u""},  {u" #x"},
      {u"\"a.txt\",\"b.txt\""},                     // no folder
      {u"\"a.txt\",\"b.txt\",\"d/\""},              // relative folder
      {u"\"a/b.txt\",\"c\",\"/d/\""},               // relative path as the name
      {u"\"/d/\",\"b\",\"/d/\""},                   // a folder where a name is meant
      {u"\"/d/a.txt\",\"/d/\",\"x\""},              // a full path, then a folder
      {u"\"/d/a.txt\",\"/e/b.txt\",\"<NORMAL>\""},  // a move
      {u"\"/d/a.txt\",\"/d/b.txt\",\"<TIMESTAMP>\""},
      {u"\"/d/a\",\"<作成：2020/01/02 03:04:05, 更新：2020/01/02 03:04:05>\",\"<TIMESTAMP>\""},
      // Lengths at the limit and one beyond.
      {u"\"" + n259 + u"\",\"" + n259 + u"\",\"" + d259 + u"\"", kRow, Row(n259, d259, n259)},
      {u"\"" + n260 + u"\",\"b\",\"/d/\""},  {u"\"a\",\"" + n260 + u"\",\"/d/\""},
      {u"\"a\",\"b\",\"/" + d258 + u"/\""},
      {u"\"a\",\"b\",\"/" + d258 + u"\""},  // completed to 260
      {d259 + u"n", kRow, Row(u"n", d259, u"")},
      {d200 + std::u16string(59, u'n'), kRow, Row(std::u16string(59, u'n'), d200, u"")},  // 261
      {d200 + std::u16string(60, u'n')},
      {u"\"/d/a\",\"b\",\"" + std::u16string(259, u'x') + u"\"", kRow, Row(u"a", u"/d/", u"b")},
      {u"\"/d/a\",\"b\",\"" + std::u16string(260, u'x') + u"\""},  // 263
      {u"\"/d/a\",\"b\"," + std::u16string(130, u'x') + u"." + std::u16string(129, u'y'), kRow,
       Row(u"a", u"/d/", u"b")},  // field 3 of 260
      {u"\"/d/a\",\"b\"," + std::u16string(131, u'x') + u"." + std::u16string(129, u'y')},
      {std::u16string(kCsvLineMax + 1, u'x')},
  };
  for (const auto& c : cases) {
    CsvRow row = Row(u"keep", u"/k/", u"k");
    EXPECT_EQ(ParseCsvRecord(c.line, row), c.kind) << U8(c.line);
    EXPECT_EQ(row, c.row) << U8(c.line);
  }
}

// Each step of reading a text line by line until a line is not kDone:
// "D" done, "L" last line, "M" malformed, the position after it, "r" for a row.
TEST(CsvGrammar, LineEndsAndPositions) {
  const struct { std::u16string text; std::string steps; } cases[] = {
      {u"/d/a\r\n/d/b", "D6r L10r"},  {u"/d/a\n/d/b\n", "D5r D10r M10"},  {u"#c\n/d/b", "D3 L7r"},
      // The first CR LF counts before any bare LF: the LF stays in the line
      // (a folder "/d/a\n/d/"), so a name holding a LF survives.
      {u"/d/a\n/d/b\r\n", "D11r M11"},  {u"/d/a\r\n\r\n/d/b", "D6r M6"},  {u"", "M0"},
  };
  for (const auto& c : cases) {
    std::string steps;
    std::size_t position = 0;
    for (Line result = Line::kDone; result == Line::kDone;) {
      std::optional<CsvRow> row;
      result = ParseCsvLine(c.text, position, row);
      steps += std::string(steps.empty() ? "" : " ") + "DML"[static_cast<int>(result)] +
               std::to_string(position) + (row ? "r" : "");
    }
    EXPECT_EQ(steps, c.steps) << U8(c.text);
  }
}


class CsvListTest : public ::testing::Test {
 protected:
  ScriptedSink sink_;
  Messenger messenger_{sink_};
  FileList list_;
  FakeFileSystem fs_;
};

TEST_F(CsvListTest, PasteInsertsBeforeTheFocusedRowUpToAMalformedLine) {
  for (const char16_t* n : {u"r0", u"r1"}) Add(list_, Row(n, u"/d/", u""));
  list_.SetFocusedRow(1);
  const CsvLoadReport report =
      TextToList(list_, u"# h\r\n\"p\",\"\",\"/d/\"\r\n/d/q\r\n\r\n/d/z\r\n", messenger_);
  EXPECT_EQ(report.end, CsvLoadEnd::kMalformed);
  EXPECT_EQ(report.lines_read, 3);
  EXPECT_EQ(report.stop_position, 25u);
  // The first row focused: appended.
  list_.SetFocusedRow(0);
  TextToList(list_, u"/d/z", messenger_);
  EXPECT_EQ(Column(list_), (std::vector<std::string>{"r0", "p", "q", "r1", "z"}));
  EXPECT_TRUE(sink_.shown.empty());
}

std::u16string Offer(int from, int to) {
  return u"扱える最大ファイル数に達しました。\r\n\r\n設定値を増加しますか。(" +
         Utf8ToUtf16(std::to_string(from)) + u" → " + Utf8ToUtf16(std::to_string(to)) + u")";
}

TEST_F(CsvListTest, RowLimitAsksForTheNextStep) {
  const struct { int index, existing; std::deque<int> answers; int rows, index_after;
      std::vector<std::u16string> texts; } cases[] = {
      // 998 listed of 1000: the comment and one row fit, then the question.
      {0, 998, {kAnswerNo}, 1, 0, {Offer(1000, 2000)}},
      {0, 998, {kAnswerYes}, 3, 1, {Offer(1000, 2000)}},
      {0, 996, {}, 3, 0, {}},  // filled exactly: nothing asked
      {0, 2500, {kAnswerYes, kAnswerYes}, 3, 2, {Offer(1000, 2000), Offer(2000, 5000)}},
      {6, 49999, {}, 0, 6, {u"扱える最大ファイル数を超えています。"}},  // nothing larger
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.existing);
    FileList list(FileListOptions{.max_file_index = c.index});
    for (int i = 0; i < c.existing; ++i) list.AddRow(u"x", u"", u"/x/", u"", {}, {}, i);
    ScriptedSink sink;
    sink.answers = c.answers;
    Messenger messenger(sink);
    const CsvLoadReport report = TextToList(list, u"#c\r\n/d/a\r\n/d/b\r\n/d/c", messenger);
    EXPECT_EQ(report.rows_added, c.rows);
    EXPECT_EQ(report.end, c.rows == 3 ? CsvLoadEnd::kLastLine : CsvLoadEnd::kRowLimit);
    EXPECT_EQ(report.max_file_index, c.index_after);
    EXPECT_EQ(list.options().max_file_index, c.index_after);
    std::vector<std::u16string> texts;
    for (const MessageBox& box : sink.shown) texts.push_back(box.text);
    EXPECT_EQ(texts, c.texts);
  }
}

TEST_F(CsvListTest, ListToTextFormatsAndRemovesWhatItWrote) {
  Add(list_, Row(u"a.txt", u"/d/", u"b.txt"), true);
  Add(list_, Row(u"c", u"/e/", u""), false);
  const struct { CsvFormat format; std::u16string text; } cases[] = {
      {CsvFormat::kStandard,
       u"# 変更前,変更後,フォルダ名\r\n\"a.txt\",\"b.txt\",\"/d/\"\r\n\"c\",\"\",\"/e/\"\r\n"},
      {CsvFormat::kOldFullPath, u"/d/a.txt\r\n/e/c\r\n"},
      {CsvFormat::kOldFullPathNewName,
       u"# 変更前フルパス名,変更後ファイル名\r\n\"/d/a.txt\",\"b.txt\"\r\n\"/e/c\",\"\"\r\n"},
  };
  for (const auto& c : cases) {
    Result<std::u16string> text =
        ListToText(list_, CsvRows::kAll, c.format, CsvDestination::kFile, false, messenger_);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, c.text) << U8(c.text);
  }
  // Cut, then paste with no focus: the row comes back at the end.
  const std::vector<CsvRow> before = Rows(list_);
  Result<std::u16string> cut = ClipboardText(list_, true, messenger_);
  ASSERT_TRUE(cut);
  EXPECT_EQ(*cut, u"\"a.txt\",\"b.txt\",\"/d/\"\r\n");
  EXPECT_EQ(Rows(list_), (std::vector<CsvRow>{before[1]}));
  list_.SetFocusedRow(-1);
  TextToList(list_, *cut, messenger_);
  EXPECT_EQ(Rows(list_), (std::vector<CsvRow>{before[1], before[0]}));
  ASSERT_TRUE(ListToText(list_, CsvRows::kAll, CsvFormat::kStandard, CsvDestination::kFile, true,
                         messenger_));
  EXPECT_EQ(list_.Count(), 0);
}

TEST(CsvSuffix, AddedUnlessPresentOrTooLong) {
  const std::u16string p255 = u"/" + std::u16string(254, u'p');
  const struct { std::u16string in, out; } cases[] = {
      {u"/a/list", u"/a/list.csv"},  {u"/a/list.CsV", u"/a/list.CsV"},
      {u"/a/list.txt", u"/a/list.txt.csv"},  {u"", u".csv"},  {p255, p255 + u".csv"},
      {p255 + u"p", p255 + u"p"},  // 256 + 4 would reach 260
  };
  for (const auto& c : cases) EXPECT_EQ(WithCsvSuffix(c.in), c.out) << U8(c.in);
}


TEST_F(CsvListTest, SaveAndLoadRoundTripInEveryFormat) {
  fs_.AddFolder(u"/out");
  for (const CsvFormat format :
       {CsvFormat::kStandard, CsvFormat::kOldFullPath, CsvFormat::kOldFullPathNewName}) {
    // Commas (not in the unquoted format 1), Japanese, a character the code
    // page lacks, an emoji, a name without extension, an empty new name.
    const bool plain = format == CsvFormat::kOldFullPath;
    FileList source;
    Add(source, Row(plain ? u"ab.txt" : u"a,b.txt", u"/d/写真/", u"c,d.txt"));
    Add(source, Row(u"caf\u00e9.jpg", u"/d/", u"\U0001F600.jpg"));
    Add(source, Row(u"#x", u"/d/", u""));
    ASSERT_TRUE(SaveCsvFile(source, fs_, messenger_, u"/out/list", CsvRows::kAll, format));
    FileList loaded;
    Result<CsvLoadReport> report = LoadCsvFile(loaded, fs_, messenger_, u"/out/list.csv");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->end, CsvLoadEnd::kEndOfText);
    std::vector<CsvRow> expected = Rows(source);
    for (CsvRow& r : expected) r.new_name = plain ? u"" : r.new_name;
    EXPECT_EQ(Rows(loaded), expected) << static_cast<int>(format);
  }
  // Stored as code page 932 with escapes.
  const std::string bytes = *fs_.Content(u"/out/list.csv");
  EXPECT_NE(bytes.find("caf\\u00e9.jpg\",\"\\ud83d\\ude00.jpg"), std::string::npos);
  EXPECT_NE(bytes.find("/d/\x8e\xca\x90\x5e/"), std::string::npos);  // 写真
}

TEST_F(CsvListTest, LoadClearsTheListAndReadsBareLineFeeds) {
  fs_.AddFile(u"/in/a.csv", "\"a\",\"b\",\"/d/\"\n/d/c\n");
  list_.AddRow(u"gone", u"", u"/g/", u"", {}, {}, 0);
  ASSERT_TRUE(LoadCsvFile(list_, fs_, messenger_, u"/in/a"));
  EXPECT_EQ(Rows(list_), (std::vector<CsvRow>{Row(u"a", u"/d/", u"b"), Row(u"c", u"/d/", u"")}));
  EXPECT_EQ(LoadCsvFile(list_, fs_, messenger_, u"/in/none.csv").error().code,
            ErrorCode::kNotFound);
  EXPECT_EQ(list_.Count(), 0);
  // Nothing to save then.
  EXPECT_FALSE(CanSaveCsv(list_, messenger_));
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(sink_.shown[0].text_id, MessageId::kEmptyListText);
}

TEST_F(CsvListTest, FileLargerThanTheReadLeavesOutItsCutLine) {
  // With 1000 rows allowed, 1,560,000 bytes are read and 519,999 units of
  // text kept. Escapes (6 bytes, 1 unit) meet the byte limit first, plain
  // text the unit limit. The line cut through is left out, not shortened.
  std::string escapes;
  for (int i = 0; i < 40; ++i) escapes += "\\u00e9";
  const struct { std::string new_name; std::size_t new_units, limit; } cases[] = {
      {std::string(200, 'n'), 200, 519999}, {escapes, 40, 1560000}};
  for (const auto& c : cases) {
    const std::string line = "\"a\",\"" + c.new_name + "\",\"/d/\"\r\n";
    std::string bytes;
    while (bytes.size() <= 1560000) bytes += line;
    ASSERT_TRUE(fs_.WriteFileAtomic(u"/big.csv", bytes));
    FileList list(FileListOptions{.max_file_index = 0});
    Result<CsvLoadReport> report = LoadCsvFile(list, fs_, messenger_, u"/big.csv");
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->cut && report->end == CsvLoadEnd::kEndOfText);
    EXPECT_EQ(static_cast<std::size_t>(report->rows_added), c.limit / line.size());
    for (int i = 0; i < list.Count(); ++i) {
      ASSERT_EQ(list.GetCell(i, Cell::kNewName).size(), c.new_units) << i;
    }
  }
}

// Every truncation and single-byte damage of a small file: no crash, the
// rows of the lines before the damage load unchanged, and nothing appears
// that the file does not hold a line for.
TEST_F(CsvListTest, DamagedFilesKeepTheRowsBeforeTheDamage) {
  const std::vector<CsvRow> rows = {Row(u"a.txt", u"/d/", u"b.txt"),
                                    Row(u"写真.jpg", u"/d/e/", u""),
                                    Row(u"caf\u00e9", u"/d/", u"x,y"), Row(u"z", u"/d/", u"w")};
  for (const CsvRow& r : rows) Add(list_, r);
  const std::string good = *CsvFileBytes(list_, CsvRows::kAll, CsvFormat::kStandard, messenger_);
  std::vector<std::size_t> line_ends;  // offset just past each line's LF
  for (std::size_t i = 0; i < good.size(); ++i) {
    if (good[i] == '\n') line_ends.push_back(i + 1);
  }
  ASSERT_EQ(line_ends.size(), rows.size() + 1);  // the header line comes first

  auto check = [&](const std::string& bytes, std::size_t intact, const std::string& what) {
    fs_.AddFile(u"/t/x.csv", bytes);
    FileList loaded;
    Result<CsvLoadReport> report = LoadCsvFile(loaded, fs_, messenger_, u"/t/x.csv");
    ASSERT_TRUE(fs_.RemoveFile(u"/t/x.csv"));
    ASSERT_TRUE(report) << what;
    // The rows of the lines wholly before byte `intact` (the header aside).
    const std::size_t whole = static_cast<std::size_t>(
        std::upper_bound(line_ends.begin(), line_ends.end(), intact) - line_ends.begin());
    const std::size_t whole_rows = whole == 0 ? 0 : whole - 1;
    const std::vector<CsvRow> got = Rows(loaded);
    ASSERT_GE(got.size(), whole_rows) << what;
    ASSERT_LE(got.size(), rows.size() + 1) << what;
    for (std::size_t i = 0; i < whole_rows; ++i) EXPECT_EQ(got[i], rows[i]) << what << " row " << i;
  };
  for (std::size_t length = 0; length <= good.size(); ++length) {
    check(good.substr(0, length), length, "cut at " + std::to_string(length));
  }
  const unsigned char values[] = {0x00, '"',  ',', '\r', '\n', '/', '#',
                                  '<',  '\\', 'u', ' ',  0x81, 0xFF};
  for (std::size_t at = 0; at < good.size(); ++at) {
    for (unsigned char v : values) {
      std::string bad = good;
      if (static_cast<unsigned char>(bad[at]) == v) continue;
      bad[at] = static_cast<char>(v);
      check(bad, at, "byte " + std::to_string(at) + " = " + std::to_string(v));
    }
  }
  EXPECT_TRUE(sink_.shown.empty());
}

}  // namespace
}  // namespace tessivo
