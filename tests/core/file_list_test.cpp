#include "core/file_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/direct_rename.h"
#include "core/message.h"
#include "core/sort.h"
#include "core_test_util.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

using Names = std::vector<std::string>;

std::string RowName(int i) { return "r" + std::to_string(i) + ".txt"; }

// `count` rows "r0.txt", "r1.txt", ... in folder "/d/".
FileList MakeList(int count, FileListOptions options = {}) {
  FileList list(options);
  for (int i = 0; i < count; ++i) {
    list.AddRow(Utf8ToUtf16(RowName(i)), u".txt", u"/d/", u"", u"size", u"date", i);
  }
  return list;
}

std::vector<bool> RandomSelection(std::mt19937& rng, int count, double density) {
  std::vector<bool> selection;
  for (int i = 0; i < count; ++i) selection.push_back(std::bernoulli_distribution(density)(rng));
  return selection;
}

std::string Describe(const std::vector<bool>& selection) {
  std::string s;
  for (bool b : selection) s.push_back(b ? 'x' : '.');
  return s;
}

class RecordingPanel : public ListPanelLink {
 public:
  void SetSampleName(std::u16string_view name) override { samples.emplace_back(name); }
  void ClearNameFields() override { ++clears; }
  std::vector<std::u16string> samples;
  int clears = 0;
};

// A list of `count` rows wired to a recording status line and panel.
struct Wired {
  explicit Wired(int count) : list(MakeList(count)) {
    list.set_status_sink(&status);
    list.set_panel_link(&panel);
  }
  RecordingStatus status;
  RecordingPanel panel;
  FileList list;
};


TEST(FileListTest, CellsAreCutAtTheirLimitAndRowsInsertAtAClampedIndex) {
  FileList list;
  list.AddRow(std::u16string(300, u'a'), u".txt", u"/d/", u"new", std::u16string(40, u'9'),
              u"2021/01/01 00:00:00", 0, FileStatus::kChangeable);
  EXPECT_EQ(list.GetCell(0, Cell::kName), std::u16string(259, u'a'));
  EXPECT_EQ(list.GetCell(0, Cell::kSize), std::u16string(23, u'9'));
  // Setting one cell keeps the others intact, whether it grows or shrinks.
  list.SetCell(0, Cell::kExtension, std::u16string(500, u'e'));
  list.SetCell(0, Cell::kName, u"b");
  EXPECT_EQ(Column(list, Cell::kExtension), Names{std::string(259, 'e')});
  EXPECT_EQ(Column(list, Cell::kNewName), Names{"new"});
  EXPECT_EQ(Column(list, Cell::kDate), Names{"2021/01/01 00:00:00"});
  EXPECT_EQ(list.FullPath(0), u"/d/b");

  list = MakeList(3);
  list.AddRow(u"front", u"", u"/d/", u"", u"", u"", -5);
  list.AddRow(u"middle", u"", u"/d/", u"", u"", u"", 2);
  list.AddRow(u"back", u"", u"/d/", u"", u"", u"", 99);
  EXPECT_EQ(Column(list), (Names{"front", "r0.txt", "middle", "r1.txt", "r2.txt", "back"}));
}

TEST(FileListTest, ColumnsFollowTheOptionalColumnSwitches) {
  const struct { bool size, date; int count, size_column, date_column; } cases[] = {
      {true, true, 6, 4, 5}, {false, true, 5, -1, 4}, {true, false, 5, 4, -1},
      {false, false, 4, -1, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << c.size << " date " << c.date);
    FileList list(FileListOptions{.size_column = c.size, .date_column = c.date});
    list.AddRow(u"a", u"", u"/d/", u"n", u"S", u"D", 0);
    EXPECT_EQ(list.ColumnCount(), c.count);
    EXPECT_EQ(list.ColumnOf(Cell::kSize), c.size_column);
    EXPECT_EQ(list.ColumnOf(Cell::kDate), c.date_column);
    // Cells of absent columns are neither stored nor written.
    list.SetCell(0, Cell::kSize, u"new");
    EXPECT_EQ(list.GetCell(0, Cell::kSize), c.size ? u"new" : u"");
    EXPECT_EQ(list.GetCell(0, Cell::kDate), c.date ? u"D" : u"");
    EXPECT_EQ(list.GetText(0, c.size_column), c.size ? u"new" : u"");
    EXPECT_EQ(list.GetText(0, c.date_column), c.date ? u"D" : u"");
    EXPECT_EQ(list.GetText(0, c.count), u"");  // no column past the last
  }
  // Switching a column off drops its texts; the date moves to column 4.
  FileList list = MakeList(2);
  list.SetOptions({.size_column = false});
  EXPECT_EQ(list.GetCell(1, Cell::kSize), u"");
  EXPECT_EQ(list.GetText(1, 4), u"date");

  // The headers by logical column; undo mode and `columndate` change two.
  std::u16string headers;
  for (int cell = 0; cell <= kCellCount; ++cell) headers += ColumnHeaderText(cell, 1, false) + u"|";
  EXPECT_EQ(headers, u"変更前|拡張子|フォルダ名|変更後|サイズ|更新日時||");
  EXPECT_EQ(ColumnHeaderText(2, 1, true), u"<備考>");
  EXPECT_EQ(ColumnHeaderText(5, 0, false), u"作成日時");
}

TEST(DirectRenameTest, RenamesOnDiskAfterOneQuestionAndRewritesTheRow) {
  const std::u16string long_name(255, u'x');  // 5 + 255 = 260
  // `name` and `extension`: the row's cells afterwards.
  const struct { const char* rule; std::u16string new_name; int answer; bool fail;
      DirectRenameOutcome outcome; std::vector<std::u16string> titles;
      std::u16string name, extension; } cases[] = {
      {"the same text does nothing", u"a.txt", kAnswerOk, false, DirectRenameOutcome::kUnchanged,
       {}, u"a.txt", u".txt"},
      {"folder + name over 259", long_name, kAnswerOk, false, DirectRenameOutcome::kTooLong,
       {u"Too Long"}, u"a.txt", u".txt"},
      {"cancelled", u"b.md", kAnswerCancel, false, DirectRenameOutcome::kCancelled,
       {u"Rename it now?"}, u"a.txt", u".txt"},
      {"renamed, the extension cell follows", u"b.tar.gz", kAnswerOk, false,
       DirectRenameOutcome::kRenamed, {u"Rename it now?"}, u"b.tar.gz", u".gz"},
      {"renamed to a name without a dot", u"README", kAnswerOk, false,
       DirectRenameOutcome::kRenamed, {u"Rename it now?"}, u"README", u""},
      {"the rename fails", u"c.txt", kAnswerOk, true, DirectRenameOutcome::kFailed,
       {u"Rename it now?", u"Rename Failed."}, u"a.txt", u".txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    FakeFileSystem fs;
    fs.AddFile(u"/dir/a.txt", "1");
    if (c.fail) {
      fs.FailPath(FakeFileSystem::Op::kRenameNoReplace, u"/dir/a.txt", ErrorCode::kPermission);
    }
    ScriptedSink sink(c.answer);
    Messenger messenger(sink);
    FileList list;
    list.AddRow(u"a.txt", u".txt", u"/dir/", u"A.TXT", u"", u"", 0);
    list.SetFileStatus(0, FileStatus::kChangeable);
    EXPECT_EQ(DirectRename(list, 0, c.new_name, fs, messenger), c.outcome);
    EXPECT_EQ(sink.Titles(), c.titles);
    EXPECT_EQ(list.GetCell(0, Cell::kName), c.name);
    EXPECT_EQ(list.GetCell(0, Cell::kExtension), c.extension);
    const bool renamed = c.outcome == DirectRenameOutcome::kRenamed;
    EXPECT_EQ(fs.Exists(u"/dir/" + c.name), true);
    EXPECT_EQ(fs.Exists(u"/dir/a.txt"), !renamed);
    // A renamed row waits for a preview of its new name; nothing is logged.
    EXPECT_EQ(list.GetCell(0, Cell::kNewName), renamed ? u"" : u"A.TXT");
    EXPECT_EQ(list.GetFileStatus(0), renamed ? FileStatus::kUnchecked : FileStatus::kChangeable);
    EXPECT_TRUE(fs.appended_.empty());
    // The question names the full old path and the new name.
    if (c.answer == kAnswerCancel) {
      EXPECT_EQ(sink.shown[0].text, u"/dir/a.txt → b.md\n\n"
                                    u"直接リネームの場合はUnDoできません。リネームしてよろしいですか。");
    }
  }
}

TEST(FileListTest, OutOfRangeRowsAreNeverTouched) {
  FileList list = MakeList(2);
  for (int row : {-1, 2, 1000}) {
    EXPECT_EQ(list.GetText(row, 0), u"") << row;
    EXPECT_EQ(list.GetFileStatus(row), FileStatus::kUnchecked) << row;
    EXPECT_FALSE(list.IsSelected(row)) << row;
    list.SetText(row, 0, u"x");
    list.SetFileStatus(row, FileStatus::kFailed);
    list.SetSelected(row, true);
  }
  EXPECT_EQ(list.SelectedCount(), 0);
  EXPECT_EQ(Column(list), (Names{"r0.txt", "r1.txt"}));
  EXPECT_EQ(list.GetText(0, -1), u"");
}

TEST(FileStatusTest, LegendListsEveryMarkOnceAndCodesAreChecked) {
  const std::set<FileStatus> listed(kLegendOrder.begin(), kLegendOrder.end());
  EXPECT_EQ(listed.size(), 12u);
  EXPECT_EQ(listed.count(FileStatus::kUnchecked), 0u);
  for (int code = -1; code <= kFileStatusCount; ++code) {
    bool valid = false;
    const FileStatus status = FileStatusFromCode(code, &valid);
    EXPECT_EQ(valid, code >= 0 && code <= 12) << code;
    EXPECT_EQ(static_cast<int>(status), valid ? code : 0) << code;
    EXPECT_EQ(LegendText(status).empty(), status == FileStatus::kUnchecked) << code;
  }
}


TEST(PathIndexTest, FindsListedPathsAsTheirFolderComparesUpTo259Units) {
  const std::u16string n256(256, u'n');  // with "/w/", 259 units: the longest path indexed
  FakeFileSystem fs;
  fs.SetNameRules(u"/w", NameRules{true, 255});  // "/d" keeps case
  NameRulesCache rules(fs);
  FileList list;
  for (const std::u16string& name :
       {std::u16string(u"äbc.txt"), std::u16string(u"ｆｕｌｌ.txt"), n256, n256 + u"n"}) {
    AddName(list, name, u"/w/");
  }
  AddName(list, u"IMG.jpg");
  AddName(list, u"img.jpg");
  AddName(list, u"IMG.jpg");  // a repeat: the first row stands
  Result<PathIndex> index = list.BuildPathIndex(rules);
  ASSERT_TRUE(index.has_value());
  EXPECT_EQ(index->size(), 7);
  const struct { std::u16string path; int row; } cases[] = {
      {u"/w/ÄBC.TXT", 0},  {u"/w/ＦＵＬＬ.TXT", 1},  {u"/w/" + std::u16string(256, u'N'), 2},
      {u"/w/" + n256 + u"n", -1},  {u"/w/" + n256 + u"nx", -1},  {u"/d/IMG.jpg", 4},
      {u"/d/img.jpg", 5},  {u"/d/Img.jpg", -1},  {u"", 0}};
  for (const auto& c : cases) EXPECT_EQ(index->Find(c.path), c.row) << Utf16ToUtf8(c.path);
  // A snapshot: rows added later are not in it.
  AddName(list, u"added.txt");
  EXPECT_EQ(index->Find(u"/d/added.txt"), -1);
  EXPECT_EQ(PathIndex().Find(u"/d/äbc.txt"), -1);
  EXPECT_EQ(fs.Calls(FakeFileSystem::Op::kNameRulesOf), 2);  // once per folder
}


TEST(FileListTest, DeleteSelectedRemovesRowsAndSelectsTheNextOne) {
  Wired w(6);
  w.list.AddRow(u"the-longest-name.txt", u".txt", u"/d/", u"", u"", u"", w.list.Count());
  w.list.UpdateSampleName();
  for (int row : {1, 2, 6}) w.list.SetSelected(row, true);
  EXPECT_TRUE(w.list.DeleteSelected());
  EXPECT_EQ(Column(w.list), (Names{"r0.txt", "r3.txt", "r4.txt", "r5.txt"}));
  // The longest name, the first one of a tie.
  EXPECT_EQ(w.panel.samples, (std::vector<std::u16string>{u"the-longest-name.txt", u"r0.txt"}));
  EXPECT_EQ(w.status.codes, (std::vector<int>{status_code::kDeletingSelected, status_code::kIdle}));
  // In undo mode the sample name stays.
  w.list.set_undo_mode(true);
  w.list.SetSelected(0, true);
  EXPECT_TRUE(w.list.DeleteSelected());
  w.list.UpdateSampleName();
  EXPECT_EQ(w.panel.samples.size(), 2u);
  EXPECT_FALSE(FileList().DeleteSelected());
}

// Both ways of deleting give the unselected rows, whole and in order; then
// the row now at the first removed index (row 0 when none was) is the one
// selected and focused, if there is such a row.
TEST(FileListTest, DeleteStrategiesGiveIdenticalRows) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 300; ++trial) {
    const int count = std::uniform_int_distribution<int>(1, trial < 250 ? 40 : 1200)(rng);
    const std::vector<bool> selection =
        RandomSelection(rng, count, std::uniform_real_distribution<double>(0.0, 1.0)(rng));
    SCOPED_TRACE(Describe(selection));
    FileList compact = MakeList(count);
    for (int i = 0; i < count; ++i) {
      compact.SetFileStatus(i, FileStatusFromCode(i % kFileStatusCount));
      compact.SetSelected(i, selection[static_cast<std::size_t>(i)]);
    }
    compact.SetFocusedRow(std::uniform_int_distribution<int>(0, count - 1)(rng));
    FileList one_by_one = compact;

    Names expected;
    int first_removed = -1;
    for (int i = 0; i < count; ++i) {
      if (!selection[static_cast<std::size_t>(i)]) {
        expected.push_back(RowName(i));
      } else if (first_removed < 0) {
        first_removed = i;
      }
    }
    const bool r1 = compact.DeleteSelected(FileList::DeleteStrategy::kCompact);
    EXPECT_EQ(r1, one_by_one.DeleteSelected(FileList::DeleteStrategy::kOneByOne));
    EXPECT_EQ(r1, first_removed >= 0);
    EXPECT_EQ(Column(compact), expected);
    ASSERT_EQ(compact.Count(), one_by_one.Count());
    for (int i = 0; i < compact.Count(); ++i) {
      EXPECT_TRUE(compact.Item(i) == one_by_one.Item(i)) << "row " << i;
    }
    const int next = std::max(first_removed, 0);
    EXPECT_EQ(compact.SelectedCount(), next < compact.Count() ? 1 : 0);
    if (next < compact.Count()) {
      EXPECT_TRUE(compact.IsSelected(next));
      EXPECT_EQ(compact.FocusedRow(), next);
    }
  }
}


// What moving should give: each maximal run of selected rows that is not at
// the edge trades places with the unselected row ahead of it.
std::vector<int> ExpectedMove(const std::vector<bool>& sel, int direction) {
  const int n = static_cast<int>(sel.size());
  std::vector<int> order(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
  for (int i = 0, end = 0; i < n; i = end + 1) {
    end = i;
    if (!sel[static_cast<std::size_t>(i)]) continue;
    while (end + 1 < n && sel[static_cast<std::size_t>(end + 1)]) ++end;
    const auto first = order.begin();
    if (direction == FileList::kMoveUp && i > 0) {
      std::rotate(first + i - 1, first + i, first + end + 1);
    } else if (direction == FileList::kMoveDown && end + 1 < n) {
      std::rotate(first + i, first + end + 1, first + end + 2);
    }
  }
  return order;
}

// Every row lands where the block moves above say, with its status,
// selection and focus: on hand-worked selections ('x' selected, the order the
// rows end in), then on random ones, edge runs and all-selected lists included.
TEST(FileListTest, MoveSelectedMatchesBlockMoves) {
  const struct { std::string marks; int direction; std::vector<int> order; } worked[] = {
      {"xx....", FileList::kMoveUp, {0, 1, 2, 3, 4, 5}},
      {"..xxx.", FileList::kMoveUp, {0, 2, 3, 4, 1, 5}},
      {".xxx..", FileList::kMoveDown, {0, 4, 1, 2, 3, 5}},
      {".x.x.", FileList::kMoveDown, {0, 2, 1, 4, 3}},
      {"x.x..", FileList::kMoveUp, {0, 2, 1, 3, 4}},
  };
  std::vector<std::vector<bool>> selections;
  for (const auto& w : worked) {
    selections.emplace_back();
    for (char mark : w.marks) selections.back().push_back(mark == 'x');
    EXPECT_EQ(ExpectedMove(selections.back(), w.direction), w.order) << w.marks;
  }
  std::mt19937 rng(5);
  for (int trial = 0; trial < 1000; ++trial) {
    selections.push_back(RandomSelection(rng, std::uniform_int_distribution<int>(1, 14)(rng), 0.5));
  }
  for (const std::vector<bool>& selection : selections) {
    const int count = static_cast<int>(selection.size());
    FileList before = MakeList(count);
    for (int i = 0; i < count; ++i) {
      before.SetSelected(i, selection[static_cast<std::size_t>(i)]);
      before.SetFileStatus(i, FileStatusFromCode(i));
    }
    before.SetFocusedRow(static_cast<int>(rng() % static_cast<unsigned>(count)));
    for (int direction : {FileList::kMoveUp, FileList::kMoveDown}) {
      SCOPED_TRACE(Describe(selection) + " direction " + std::to_string(direction));
      FileList list = before;
      list.MoveSelected(direction);
      const std::vector<int> order = ExpectedMove(selection, direction);
      for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(list.Item(i) == before.Item(order[static_cast<std::size_t>(i)])) << i;
      }
    }
  }
}


// Deleting every row is ClearAll, which also empties the panel's name fields.
TEST(FileListTest, SelectAllInvertAndDeleteAllShowTheirNotices) {
  Wired w(4);
  w.list.SetSelected(1, true);
  w.list.InvertSelection();
  EXPECT_EQ(w.list.SelectedCount(), 3);
  EXPECT_FALSE(w.list.IsSelected(1));
  w.list.SelectAll();
  EXPECT_EQ(w.list.SelectedCount(), 4);
  EXPECT_TRUE(w.list.DeleteSelected());
  EXPECT_EQ(w.list.Count(), 0);
  EXPECT_EQ(w.panel.clears, 1);
  w.list.UpdateSampleName();  // an empty list has no sample name
  EXPECT_TRUE(w.panel.samples.empty());
  using namespace status_code;
  EXPECT_EQ(w.status.codes,
            (std::vector<int>{kInvertingSelection, kIdle, kSelectingAll, kIdle, kDeletingSelected,
                              kClearingAll, kDeletingSelected, kIdle}));
}


// Row 0 is a file, row 1 a folder and row 2 a missing file; only a file in
// a list of files gets new texts, and only in the columns shown.
TEST(FileListTest, RefreshSizeDateRewritesTheCellsOfFilesOnly) {
  ScopedTimeZone utc("UTC0");
  FakeFileSystem fs;
  // Last written 2021-07-01 12:00:00, created 2020-01-02 03:04:05.
  fs.AddFile(u"/d/a.txt", std::string(2000, 'a'), FromUnix(1625140800), FromUnix(1577934245));
  fs.AddFolder(u"/d/sub");
  const struct { FileListOptions options; int row; std::string size, date; } cases[] = {
      {{.size_unit = kSizeInKb, .date_kind = kDateCreation}, -1, "        2 K",
       "2020/01/02 03:04:05"},
      {{.date_column = false}, 0, "        2,000", ""},
      {{.size_column = false}, 0, "", "2021/07/01 12:00:00"},
      {{.folders = true}, -1, "old", "old"},
  };
  for (const auto& c : cases) {
    FileList list(c.options);
    for (const char16_t* name : {u"a.txt", u"sub", u"gone.txt"}) {
      list.AddRow(name, u"", u"/d/", u"", u"old", u"old", list.Count());
    }
    const std::string size = c.options.size_column ? "old" : "";
    const std::string date = c.options.date_column ? "old" : "";
    for (int row : {-2, 3}) EXPECT_EQ(list.RefreshSizeDate(row, fs), 1) << row;
    EXPECT_EQ(Column(list, Cell::kSize), (Names{size, size, size}));
    EXPECT_EQ(list.RefreshSizeDate(c.row, fs), 0);
    EXPECT_EQ(Column(list, Cell::kSize), (Names{c.size, size, size})) << c.size;
    EXPECT_EQ(Column(list, Cell::kDate), (Names{c.date, date, date})) << c.date;
  }
}


// Below index three the user may raise the limit one step; from there on the
// list is only said to be full, and the index never moves.
TEST(CapacityTest, StepsAreClampedAndOnlyLowStepsOfferMore) {
  EXPECT_EQ(MaxFileCount(-1), 1000);
  EXPECT_EQ(MaxFileCount(2), 5000);
  EXPECT_EQ(MaxFileCount(7), 50000);
  const struct { int start, answer, index_after; std::u16string text; } cases[] = {
      {2, kAnswerYes, 3, u"(5000 → 10000)"},  {0, kAnswerNo, 0, u"(1000 → 2000)"},
      {3, kAnswerYes, 3, u"オプションで値を増加することができます。"},
      {6, kAnswerYes, 6, u"扱える最大ファイル数を超えています。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    ScriptedSink sink(c.answer);
    Messenger messenger(sink);
    int index = c.start;
    EXPECT_EQ(AskToRaiseMaxFiles(messenger, index), c.index_after != c.start);
    EXPECT_EQ(index, c.index_after);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_NE(sink.shown[0].text.find(c.text), std::u16string::npos);
  }
}

}  // namespace
}  // namespace tessivo
