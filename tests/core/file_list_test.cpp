#include "core/file_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/message.h"
#include "core/status_sink.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string RowName(int i) { return Ascii("r" + std::to_string(i) + ".txt"); }

// A list of `count` rows "r0.txt", "r1.txt", ... in folder "/d/".
FileList MakeList(int count, FileListOptions options = {}) {
  FileList list(options);
  for (int i = 0; i < count; ++i) {
    list.AddRow(RowName(i), u".txt", u"/d/", u"", u"size", u"date", list.Count());
  }
  return list;
}

std::vector<std::u16string> Names(const FileList& list) {
  std::vector<std::u16string> names;
  for (int i = 0; i < list.Count(); ++i) names.emplace_back(list.GetCell(i, Cell::kName));
  return names;
}

std::string Describe(const std::vector<bool>& selection) {
  std::string s;
  for (bool b : selection) s.push_back(b ? 'x' : '.');
  return s;
}

void Select(FileList& list, const std::vector<bool>& selection) {
  for (int i = 0; i < list.Count(); ++i)
    list.SetSelected(i, selection[static_cast<std::size_t>(i)]);
}

class RecordingStatus : public StatusSink {
 public:
  void SetStatus(int code) override {
    codes.push_back(code);
    current = code;
  }
  int CurrentStatus() const override { return current; }
  std::vector<int> codes;
  int current = status_code::kIdle;
};

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

// ---- rows and cells ----

TEST(FileListTest, AddRowStoresCellsAndCutsThemAt259) {
  FileList list;
  list.AddRow(std::u16string(300, u'a'), u".txt", u"/d/", u"new", std::u16string(40, u'9'),
              u"2021/01/01 00:00:00", 0, FileStatus::kChangeable);
  EXPECT_EQ(list.GetCell(0, Cell::kName), std::u16string(259, u'a'));
  EXPECT_EQ(list.GetCell(0, Cell::kSize).size(), kSizeCellLimit);
  EXPECT_EQ(list.GetFileStatus(0), FileStatus::kChangeable);
  // Setting one cell keeps the others intact, whether it grows or shrinks.
  list.SetCell(0, Cell::kExtension, std::u16string(500, u'e'));
  list.SetCell(0, Cell::kName, u"b");
  EXPECT_EQ(list.GetCell(0, Cell::kName), u"b");
  EXPECT_EQ(list.GetCell(0, Cell::kExtension), std::u16string(259, u'e'));
  EXPECT_EQ(list.GetCell(0, Cell::kNewName), u"new");
  EXPECT_EQ(list.GetCell(0, Cell::kDate), u"2021/01/01 00:00:00");
  EXPECT_EQ(list.FullPath(0), u"/d/b");
}

TEST(FileListTest, AddRowInsertsAtIndexAndClampsIt) {
  FileList list = MakeList(3);
  list.AddRow(u"front", u"", u"/d/", u"", u"", u"", -5);
  list.AddRow(u"middle", u"", u"/d/", u"", u"", u"", 2);
  list.AddRow(u"back", u"", u"/d/", u"", u"", u"", 99);
  EXPECT_EQ(Names(list), (std::vector<std::u16string>{u"front", u"r0.txt", u"middle", u"r1.txt",
                                                      u"r2.txt", u"back"}));
}

TEST(FileListTest, ColumnsFollowTheOptionalColumnSwitches) {
  struct Case {
    bool size, date;
    int count;
    int size_column, date_column;
  } cases[] = {
      {true, true, 6, 4, 5}, {false, true, 5, -1, 4}, {true, false, 5, 4, -1}, {false, false, 4, -1, -1}};
  for (const Case& c : cases) {
    FileList list(FileListOptions{.size_column = c.size, .date_column = c.date});
    list.AddRow(u"a", u"", u"/d/", u"", u"S", u"D", 0);
    SCOPED_TRACE(testing::Message() << "size " << c.size << " date " << c.date);
    EXPECT_EQ(list.ColumnCount(), c.count);
    EXPECT_EQ(list.ColumnOf(Cell::kSize), c.size_column);
    EXPECT_EQ(list.ColumnOf(Cell::kDate), c.date_column);
    EXPECT_EQ(list.GetText(0, 3), u"");
    EXPECT_EQ(list.GetText(0, 0), u"a");
    // Cells of absent columns are neither stored nor reachable.
    EXPECT_EQ(list.GetCell(0, Cell::kSize), c.size ? u"S" : u"");
    EXPECT_EQ(list.GetCell(0, Cell::kDate), c.date ? u"D" : u"");
    if (c.date) {
      EXPECT_EQ(list.GetText(0, c.date_column), u"D");
    }
    EXPECT_FALSE(list.CellOfColumn(c.count).has_value());
    EXPECT_EQ(list.GetText(0, c.count), u"");
    list.SetCell(0, Cell::kSize, u"new");
    EXPECT_EQ(list.GetCell(0, Cell::kSize), c.size ? u"new" : u"");
  }
  // Switching a column off drops its texts.
  FileList list = MakeList(2);
  list.SetOptions({.size_column = false});
  EXPECT_EQ(list.GetCell(1, Cell::kSize), u"");
  EXPECT_EQ(list.GetCell(1, Cell::kDate), u"date");
  EXPECT_EQ(list.GetText(1, 4), u"date");
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
  EXPECT_EQ(Names(list), (std::vector<std::u16string>{u"r0.txt", u"r1.txt"}));
  EXPECT_EQ(list.GetText(0, -1), u"");
  EXPECT_EQ(list.GetText(0, 6), u"");
}

TEST(FileStatusTest, LegendListsEveryMarkOnceAndCodesAreChecked) {
  std::set<int> codes;
  for (FileStatus s : kLegendOrder) {
    codes.insert(static_cast<int>(s));
    EXPECT_FALSE(LegendText(s).empty()) << static_cast<int>(s);
  }
  EXPECT_EQ(codes.size(), 12u);
  EXPECT_EQ(codes.count(0), 0u);
  bool valid = true;
  for (int code = 0; code < kFileStatusCount; ++code) {
    EXPECT_EQ(static_cast<int>(FileStatusFromCode(code, &valid)), code);
    EXPECT_TRUE(valid) << code;
  }
  for (int code : {-1, 13, 255}) {
    EXPECT_EQ(FileStatusFromCode(code, &valid), FileStatus::kUnchecked);
    EXPECT_FALSE(valid) << code;
  }
}
// ---- duplicate check ----

TEST(PathIndexTest, FindsListedPathsIgnoringCase) {
  FileList list;
  list.AddRow(u"Photo.JPG", u".JPG", u"/Home/Me/", u"", u"", u"", 0);
  list.AddRow(u"äbc.txt", u".txt", u"/d/", u"", u"", u"", 1);
  list.AddRow(u"ｆｕｌｌ.txt", u".txt", u"/d/", u"", u"", u"", 2);
  list.AddRow(u"photo.jpg", u".jpg", u"/home/me/", u"", u"", u"", 3);  // same path again
  Result<PathIndex> index = list.BuildPathIndex();
  ASSERT_TRUE(index.has_value());
  EXPECT_EQ(index->size(), 4);
  struct Case {
    std::u16string path;
    int row;
  } cases[] = {
      {u"/Home/Me/Photo.JPG", 0}, {u"/HOME/ME/PHOTO.JPG", 0},
      {u"/home/me/photo.jpg", 0}, {u"/d/ÄBC.TXT", 1},
      {u"/D/ＦＵＬＬ.TXT", 2},    {u"/home/me/photo.jpg2", -1},
      {u"/home/me/photo.jp", -1}, {u"/home/me", -1},
      {u"Photo.JPG", -1},         {u"", 0},  // an empty path counts as listed
  };
  for (const Case& c : cases) {
    EXPECT_EQ(index->Find(c.path), c.row) << testing::PrintToString(c.path);
  }
}

TEST(PathIndexTest, PathsOf260UnitsOrMoreNeverMatch) {
  const std::u16string folder = u"/d/";
  const std::u16string name259(259 - folder.size(), u'n');
  const std::u16string name260(260 - folder.size(), u'n');
  FileList list;
  list.AddRow(name259, u"", folder, u"", u"", u"", 0);
  list.AddRow(name260, u"", folder, u"", u"", u"", 1);
  Result<PathIndex> index = list.BuildPathIndex();
  ASSERT_TRUE(index.has_value());
  EXPECT_EQ(index->Find(folder + name259), 0);
  EXPECT_EQ(index->Find(folder + name260), -1);
  EXPECT_EQ(index->Find(folder + name260 + u"x"), -1);
}

TEST(PathIndexTest, IsASnapshotOfTheRowsPresent) {
  FileList list = MakeList(2);
  Result<PathIndex> index = list.BuildPathIndex();
  ASSERT_TRUE(index.has_value());
  list.AddRow(u"added.txt", u".txt", u"/d/", u"", u"", u"", list.Count());
  EXPECT_EQ(index->Find(u"/d/added.txt"), -1);
  EXPECT_EQ(index->Find(u"/D/R1.TXT"), 1);
  EXPECT_EQ(PathIndex().Find(u"/d/r1.txt"), -1);
}

// The duplicate check compared with a plain scan of every row, over random
// paths from a small alphabet so that case variants and repeats are common.
TEST(PathIndexTest, AgreesWithAPlainScanOnRandomPaths) {
  std::mt19937 rng(7);
  const std::u16string alphabet = u"aAbBéÉ/.";
  auto random_text = [&](int max_length) {
    std::u16string s;
    const int length = std::uniform_int_distribution<int>(0, max_length)(rng);
    for (int i = 0; i < length; ++i) {
      s.push_back(
          alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)]);
    }
    return s;
  };
  auto upper = [](std::u16string s) {
    for (char16_t& c : s) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
      if (c == u'é') c = u'É';
    }
    return s;
  };
  FileList list;
  for (int i = 0; i < 400; ++i) {
    list.AddRow(random_text(4), u"", random_text(2), u"", u"", u"", list.Count());
  }
  Result<PathIndex> index = list.BuildPathIndex();
  ASSERT_TRUE(index.has_value());
  for (int trial = 0; trial < 2000; ++trial) {
    const std::u16string candidate = random_text(2) + random_text(4);
    int expected = candidate.empty() ? 0 : -1;
    for (int r = 0; r < list.Count() && expected < 0; ++r) {
      if (upper(list.FullPath(r)) == upper(candidate)) expected = r;
    }
    EXPECT_EQ(index->Find(candidate), expected) << testing::PrintToString(candidate);
  }
}

// ---- deleting ----

TEST(FileListTest, DeleteSelectedRemovesRowsAndSelectsTheNextOne) {
  Wired w(6);
  w.list.AddRow(u"the-longest-name.txt", u".txt", u"/d/", u"", u"", u"", w.list.Count());
  for (int row : {1, 2, 6}) w.list.SetSelected(row, true);
  w.list.SetFocusedRow(0);
  EXPECT_EQ(w.list.DeleteSelected(), 0);
  EXPECT_EQ(Names(w.list), (std::vector<std::u16string>{u"r0.txt", u"r3.txt", u"r4.txt", u"r5.txt"}));
  // The row now at the first removed index is selected and has the focus.
  EXPECT_EQ(w.list.SelectedCount(), 1);
  EXPECT_TRUE(w.list.IsSelected(1));
  EXPECT_EQ(w.list.FocusedRow(), 1);
  EXPECT_EQ(w.panel.samples, (std::vector<std::u16string>{u"r0.txt"}));
  EXPECT_EQ(w.status.codes, (std::vector<int>{status_code::kDeletingSelected, status_code::kIdle}));
  // In undo mode the sample name stays.
  w.list.set_undo_mode(true);
  w.list.SetSelected(0, true);
  EXPECT_EQ(w.list.DeleteSelected(), 0);
  EXPECT_EQ(w.panel.samples.size(), 1u);
}

TEST(FileListTest, DeleteSelectedAtTheEdges) {
  struct Case {
    const char* name;
    int count, selected;  // selected: one row, or -1 for none
    int result, count_after, focused;
  } cases[] = {
      {"nothing selected: row 0 gets selected and focused", 3, -1, 2, 3, 0},
      {"empty list", 0, -1, 2, 0, -1},
      {"last row: nothing left to select", 4, 3, 0, 3, -1},
  };
  for (const Case& c : cases) {
    FileList list = MakeList(c.count);
    if (c.selected >= 0) list.SetSelected(c.selected, true);
    EXPECT_EQ(list.DeleteSelected(), c.result) << c.name;
    EXPECT_EQ(list.Count(), c.count_after) << c.name;
    EXPECT_EQ(list.FocusedRow(), c.focused) << c.name;
    EXPECT_EQ(list.SelectedCount(), c.focused >= 0 ? 1 : 0) << c.name;
  }
}

TEST(FileListTest, DeletingEveryRowIsClearAll) {
  Wired w(3);
  w.list.SelectAll();
  w.status.codes.clear();
  EXPECT_EQ(w.list.DeleteSelected(), 0);
  EXPECT_EQ(w.list.Count(), 0);
  EXPECT_EQ(w.panel.clears, 1);
  EXPECT_TRUE(w.panel.samples.empty());
  EXPECT_EQ(w.status.codes,
            (std::vector<int>{status_code::kDeletingSelected, status_code::kClearingAll,
                              status_code::kDeletingSelected, status_code::kIdle}));
}

// Both ways of deleting give the same rows, with their status, selection and
// focus, as a plain filter of the unselected rows.
TEST(FileListTest, DeleteStrategiesGiveIdenticalRows) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 300; ++trial) {
    const int count = std::uniform_int_distribution<int>(1, trial < 250 ? 40 : 1200)(rng);
    const double density = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
    std::vector<bool> selection(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < selection.size(); ++i) {
      selection[i] = std::bernoulli_distribution(density)(rng);
    }
    FileList compact = MakeList(count);
    for (int i = 0; i < count; ++i) {
      compact.SetFileStatus(i, FileStatusFromCode(i % kFileStatusCount));
    }
    compact.SetFocusedRow(std::uniform_int_distribution<int>(0, count - 1)(rng));
    Select(compact, selection);
    FileList one_by_one = compact;

    // Expected: the unselected rows in order.
    std::vector<std::u16string> expected;
    int first_removed = -1;
    for (int i = 0; i < count; ++i) {
      if (!selection[static_cast<std::size_t>(i)]) {
        expected.push_back(RowName(i));
      } else if (first_removed < 0) {
        first_removed = i;
      }
    }

    const int r1 = compact.DeleteSelected(FileList::DeleteStrategy::kCompact);
    const int r2 = one_by_one.DeleteSelected(FileList::DeleteStrategy::kOneByOne);
    SCOPED_TRACE(Describe(selection));
    EXPECT_EQ(r1, r2);
    EXPECT_EQ(r1, first_removed < 0 ? 2 : 0);
    EXPECT_EQ(Names(compact), expected);
    ASSERT_EQ(compact.Count(), one_by_one.Count());
    for (int i = 0; i < compact.Count(); ++i) {
      EXPECT_TRUE(compact.Item(i) == one_by_one.Item(i)) << "row " << i;
    }
  }
}

// ---- moving ----

// What moving should give: each maximal run of selected rows that is not at
// the edge trades places with the unselected row ahead of it.
std::vector<int> ExpectedMove(const std::vector<bool>& sel, int direction) {
  const int n = static_cast<int>(sel.size());
  std::vector<int> order(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
  int i = 0;
  while (i < n) {
    if (!sel[static_cast<std::size_t>(i)]) {
      ++i;
      continue;
    }
    int end = i;
    while (end + 1 < n && sel[static_cast<std::size_t>(end + 1)]) ++end;
    const auto first = order.begin();
    if (direction == FileList::kMoveUp && i > 0) {
      std::rotate(first + i - 1, first + i, first + end + 1);
    } else if (direction == FileList::kMoveDown && end + 1 < n) {
      std::rotate(first + i, first + end + 1, first + end + 2);
    }
    i = end + 1;
  }
  return order;
}

TEST(FileListTest, MoveSelectedExamples) {
  struct Case {
    int count;
    std::vector<int> selected;
    int direction;
    std::vector<int> order;
  } cases[] = {
      {6, {0, 1}, FileList::kMoveUp, {0, 1, 2, 3, 4, 5}},
      {6, {2, 3, 4}, FileList::kMoveUp, {0, 2, 3, 4, 1, 5}},
      {6, {1, 2, 3}, FileList::kMoveDown, {0, 4, 1, 2, 3, 5}},
      {5, {1, 3}, FileList::kMoveDown, {0, 2, 1, 4, 3}},
      {5, {0, 2}, FileList::kMoveUp, {0, 2, 1, 3, 4}},
  };
  for (const Case& c : cases) {
    FileList list = MakeList(c.count);
    for (int row : c.selected) list.SetSelected(row, true);
    list.MoveSelected(c.direction);
    std::vector<std::u16string> expected;
    for (int i : c.order) expected.push_back(RowName(i));
    EXPECT_EQ(Names(list), expected) << "direction " << c.direction;
  }
}

TEST(FileListTest, MoveSelectedCarriesStatusAndFocus) {
  FileList list = MakeList(4);
  list.SetFileStatus(2, FileStatus::kFailed);
  list.SetSelected(2, true);
  list.SetFocusedRow(2);
  list.SetFileStatus(1, FileStatus::kChanged);
  list.MoveSelected(FileList::kMoveUp);
  EXPECT_EQ(list.GetCell(1, Cell::kName), u"r2.txt");
  EXPECT_EQ(list.GetFileStatus(1), FileStatus::kFailed);
  EXPECT_EQ(list.FocusedRow(), 1);
  EXPECT_EQ(list.GetFileStatus(2), FileStatus::kChanged);
}

// The rows and their selection move as the block moves above say, on random
// selections (which include the edge runs and the all-selected list).
TEST(FileListTest, MoveSelectedMatchesBlockMovesOnRandomSelections) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 1000; ++trial) {
    const int count = std::uniform_int_distribution<int>(1, 14)(rng);
    std::vector<bool> selection(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < selection.size(); ++i) selection[i] = (rng() & 1) != 0;
    for (int direction : {FileList::kMoveUp, FileList::kMoveDown}) {
      FileList list = MakeList(count);
      Select(list, selection);
      list.MoveSelected(direction);
      std::vector<std::u16string> expected;
      std::vector<bool> moved_selection;
      for (int i : ExpectedMove(selection, direction)) {
        expected.push_back(RowName(i));
        moved_selection.push_back(selection[static_cast<std::size_t>(i)]);
      }
      SCOPED_TRACE(Describe(selection) + " direction " + std::to_string(direction));
      EXPECT_EQ(Names(list), expected);
      for (int i = 0; i < count; ++i) {
        EXPECT_EQ(list.IsSelected(i), moved_selection[static_cast<std::size_t>(i)]) << i;
      }
    }
  }
}

// ---- selection, clearing, sample name ----

TEST(FileListTest, SelectAllInvertAndClearAllShowTheirNotices) {
  Wired w(4);
  w.list.SetSelected(1, true);
  w.list.InvertSelection();
  EXPECT_EQ(w.list.SelectedCount(), 3);
  EXPECT_FALSE(w.list.IsSelected(1));
  w.list.SelectAll();
  EXPECT_EQ(w.list.SelectedCount(), 4);
  w.list.ClearAll();
  EXPECT_EQ(w.list.Count(), 0);
  EXPECT_EQ(w.panel.clears, 1);
  EXPECT_EQ(w.status.codes, (std::vector<int>{status_code::kInvertingSelection, status_code::kIdle,
                                              status_code::kSelectingAll, status_code::kIdle,
                                              status_code::kClearingAll, status_code::kIdle}));
}

TEST(FileListTest, UpdateSampleNameHandsOverTheFirstLongestName) {
  RecordingPanel panel;
  FileList list;
  list.set_panel_link(&panel);
  list.UpdateSampleName();
  EXPECT_TRUE(panel.samples.empty());  // an empty list changes nothing

  for (const char16_t* name : {u"ab", u"abcd", u"wxyz", u"abc"}) {
    list.AddRow(name, u"", u"/a-much-longer-folder/", u"", u"", u"", list.Count());
  }
  list.UpdateSampleName();
  list.set_undo_mode(true);
  list.UpdateSampleName();
  EXPECT_EQ(panel.samples, (std::vector<std::u16string>{u"abcd"}));
}

// ---- sizes and dates from the disk ----

class RefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz != nullptr) saved_tz_ = tz;
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    fs_.AddFile(u"/d/a.txt", std::string(2000, 'a'), kWrite, kCreate);
    fs_.AddFolder(u"/d/sub");
  }
  void TearDown() override {
    if (saved_tz_.empty()) {
      ::unsetenv("TZ");
    } else {
      ::setenv("TZ", saved_tz_.c_str(), 1);
    }
    ::tzset();
  }

  FileList ListOf(FileListOptions options) {
    FileList list(options);
    for (const char16_t* name : {u"a.txt", u"sub", u"gone.txt"}) {
      list.AddRow(name, u"", u"/d/", u"", u"old", u"old", list.Count());
    }
    return list;
  }

  // 2021-07-01 12:00:00 and 2020-01-02 03:04:05 UTC.
  static constexpr FileTime kWrite = (1625140800LL + kFileTimeUnixEpochSeconds) * 10'000'000;
  static constexpr FileTime kCreate = (1577934245LL + kFileTimeUnixEpochSeconds) * 10'000'000;
  FakeFileSystem fs_;
  std::string saved_tz_;
};

TEST_F(RefreshTest, RewritesSizeAndDateOfFilesOnly) {
  FileList list = ListOf({.size_unit = kSizeInKb, .date_kind = kDateCreation});
  EXPECT_EQ(list.RefreshSizeDate(-1, fs_), 0);
  EXPECT_EQ(list.GetCell(0, Cell::kSize), u"        2 K");
  EXPECT_EQ(list.GetCell(0, Cell::kDate), u"2020/01/02 03:04:05");
  for (int row : {1, 2}) {  // a folder and a missing file keep their texts
    EXPECT_EQ(list.GetCell(row, Cell::kSize), u"old") << row;
    EXPECT_EQ(list.GetCell(row, Cell::kDate), u"old") << row;
  }

  FileList one = ListOf({.date_column = false});
  EXPECT_EQ(one.RefreshSizeDate(0, fs_), 0);
  EXPECT_EQ(one.GetCell(0, Cell::kSize), u"        2,000");
  EXPECT_EQ(one.GetCell(0, Cell::kDate), u"");

  FileList last_write = ListOf({.size_column = false});
  EXPECT_EQ(last_write.RefreshSizeDate(0, fs_), 0);
  EXPECT_EQ(last_write.GetCell(0, Cell::kDate), u"2021/07/01 12:00:00");
}

TEST_F(RefreshTest, ChecksTheRowAndSkipsFolderLists) {
  FileList list = ListOf({});
  for (int row : {-2, 3, 100}) EXPECT_EQ(list.RefreshSizeDate(row, fs_), 1) << row;
  EXPECT_EQ(list.GetCell(0, Cell::kSize), u"old");

  FileList folders = ListOf({.folders = true});
  EXPECT_EQ(folders.RefreshSizeDate(-1, fs_), 0);
  EXPECT_EQ(folders.GetCell(0, Cell::kSize), u"old");
}

// ---- capacity ----

TEST(CapacityTest, StepsAreClampedAtBothEnds) {
  EXPECT_EQ(MaxFileCount(-1), MaxFileCount(0));
  EXPECT_EQ(MaxFileCount(2), 5000);
  EXPECT_EQ(MaxFileCount(7), MaxFileCount(6));
  EXPECT_EQ(MaxFileCount(6), 50000);
}

// Below index three the user may raise the limit one step; from there on the
// list is only said to be full, and the index never moves.
TEST(CapacityTest, AsksToRaiseTheLimitOnlyBelowIndexThree) {
  ScriptedSink sink;
  Messenger messenger(sink);
  int index = 2;
  EXPECT_TRUE(AskToRaiseMaxFiles(messenger, index));
  EXPECT_EQ(index, 3);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].title, u"Too Many Files!");
  EXPECT_NE(sink.shown[0].text.find(u"(5000 → 10000)"), std::u16string::npos);
  sink.fallback = kAnswerNo;
  index = 0;
  EXPECT_FALSE(AskToRaiseMaxFiles(messenger, index));
  EXPECT_EQ(index, 0);

  sink.fallback = kAnswerYes;
  for (int start : {3, 5, 6}) {
    index = start;
    EXPECT_FALSE(AskToRaiseMaxFiles(messenger, index));
    EXPECT_EQ(index, start);
  }
  ASSERT_EQ(sink.shown.size(), 5u);
  EXPECT_EQ(sink.shown[3].text,
            u"扱える最大ファイル数に達しました。\r\n\r\nオプションで値を増加することができます。");
  EXPECT_EQ(sink.shown[4].text, u"扱える最大ファイル数を超えています。");
  EXPECT_EQ(sink.shown[4].style & 0xF0u, box::kIconStop);
}

}  // namespace
}  // namespace tessivo
