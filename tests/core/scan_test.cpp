#include "core/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "core/message.h"
#include "core/status_sink.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {

// Defined in shell_link_test.cpp.
std::string BuildTestLnkTo(std::u16string_view target);

namespace {

// Answers boxes from a script (Yes when it runs out) and keeps them.

class CountingStatus : public StatusSink {
 public:
  void SetStatus(int code) override { codes.push_back(code); }
  int CurrentStatus() const override { return codes.empty() ? 0 : codes.back(); }
  std::vector<int> codes;
};

class ScanTest : public ::testing::Test {
 protected:
  ScanTest() : messenger_(sink_), scanner_(fs_, list_, messenger_, options_) {
    options_.depth_index = 11;
    scanner_.set_status_sink(&status_);
    // /d: a.txt, s1/b.txt, s1/s2/c.txt
    fs_.AddFile(u"/d/a.txt", "aaaa");
    fs_.AddFile(u"/d/s1/b.txt");
    fs_.AddFile(u"/d/s1/s2/c.txt");
  }

  // The rows' full paths, in list order.
  std::vector<std::u16string> Rows() const {
    std::vector<std::u16string> rows;
    for (int i = 0; i < list_.Count(); ++i) rows.push_back(list_.FullPath(i));
    return rows;
  }
  ScanSummary Drop(std::vector<std::u16string> paths) {
    return scanner_.AddPaths(paths, AddSource::kDrop);
  }
  template <class T>
  void SetListOption(T FileListOptions::*field, T value) {
    FileListOptions options = list_.options();
    options.*field = value;
    list_.SetOptions(options);
  }

  FakeFileSystem fs_;
  FileList list_{FileListOptions{.max_file_index = kMaxFileIndexLast}};
  ScriptedSink sink_;
  Messenger messenger_;
  ScanOptions options_;
  CountingStatus status_;
  Scanner scanner_;
};

using Paths = std::vector<std::u16string>;

TEST_F(ScanTest, DepthLimitsTheWalk) {
  struct Case {
    int depth_index;
    int command_line_depth;
    AddSource source;
    bool tree_one_level;
    Paths rows;
  };
  const Case cases[] = {
      {0, -1, AddSource::kDrop, false, {}},
      {1, -1, AddSource::kDrop, false, {u"/d/a.txt"}},
      {2, -1, AddSource::kDrop, false, {u"/d/a.txt", u"/d/s1/b.txt"}},
      {11, -1, AddSource::kDrop, false, {u"/d/a.txt", u"/d/s1/b.txt", u"/d/s1/s2/c.txt"}},
      {11, -1, AddSource::kTree, true, {u"/d/a.txt"}},
      {0, -1, AddSource::kTree, false, {}},
      {0, 1, AddSource::kCommandLine, true, {u"/d/a.txt", u"/d/s1/b.txt"}},
      {1, 10, AddSource::kTree, true, {u"/d/a.txt", u"/d/s1/b.txt", u"/d/s1/s2/c.txt"}},
  };
  for (const Case& c : cases) {
    list_.ClearAll();
    options_.depth_index = c.depth_index;
    options_.command_line_depth = c.command_line_depth;
    options_.tree_one_level = c.tree_one_level;
    scanner_.AddPaths({u"/d/"}, c.source);
    EXPECT_EQ(Rows(), c.rows) << "depth " << c.depth_index << " cmd " << c.command_line_depth;
  }
}

TEST_F(ScanTest, RowsCarryTheSplitPathAndCells) {
  fs_.AddFile(u"/e/.profile", "x", FakeFileSystem::kDefaultTime);
  fs_.AddFile(u"/e/noext");
  Drop({u"/d/a.txt", u"/e"});
  ASSERT_EQ(list_.Count(), 3);
  const FileItem& a = list_.Item(0);
  EXPECT_EQ(a.Get(Cell::kName), u"a.txt");
  EXPECT_EQ(a.Get(Cell::kExtension), u".txt");
  EXPECT_EQ(a.Get(Cell::kFolder), u"/d/");
  EXPECT_EQ(a.Get(Cell::kSize), FormatSizeText(4, kSizeInBytes));
  EXPECT_EQ(a.Get(Cell::kDate), FormatDateText(FakeFileSystem::kDefaultTime));
  EXPECT_EQ(list_.Item(1).Get(Cell::kExtension), u".profile");
  EXPECT_EQ(list_.Item(2).Get(Cell::kExtension), u"");
  EXPECT_EQ(status_.codes.back(), status_code::kIdle);
}

TEST_F(ScanTest, DuplicateCheckSpansBatchesNotOneBatch) {
  Drop({u"/d"});
  EXPECT_EQ(Drop({u"/d"}).added, 0);
  EXPECT_EQ(list_.Count(), 3);

  list_.ClearAll();
  list_.AddRow(u"A.TXT", u".TXT", u"/D/", u"", u"", u"", 0);  // same path, other case
  Drop({u"/d/a.txt", u"/d/s1"});
  EXPECT_EQ(Rows(), (Paths{u"/D/A.TXT", u"/d/s1/b.txt", u"/d/s1/s2/c.txt"}));

  // Paths of one drop are not checked against each other...
  list_.ClearAll();
  Drop({u"/d/s1", u"/d/s1/b.txt"});
  EXPECT_EQ(list_.Count(), 3);
  // ...but each command-line argument is a batch of its own.
  list_.ClearAll();
  scanner_.AddPaths({u"/d/s1", u"/d/s1/B.TXT"}, AddSource::kCommandLine);
  EXPECT_EQ(Rows(), (Paths{u"/d/s1/b.txt", u"/d/s1/s2/c.txt"}));
}

TEST_F(ScanTest, AddingResetsEveryRowPresent) {
  Drop({u"/d/a.txt"});
  list_.SetCell(0, Cell::kNewName, u"new.txt");
  list_.SetFileStatus(0, FileStatus::kChanged);
  NarrowState narrowing{u"b.txt", {}};
  scanner_.set_narrowing(&narrowing);
  scanner_.AddPaths({}, AddSource::kReset);
  EXPECT_EQ(list_.GetCell(0, Cell::kNewName), u"");
  EXPECT_EQ(list_.GetFileStatus(0), FileStatus::kExcluded);  // narrowed again afterwards
  Drop({u"/d/s1/b.txt"});
  EXPECT_EQ(list_.GetFileStatus(1), FileStatus::kUnchecked);
}

TEST_F(ScanTest, LoadFiltersDecide) {
  fs_.AddFile(u"/f/big.txt", std::string(10241, 'x'));   // 11 KB rounded up
  fs_.AddFile(u"/f/small.TXT", std::string(9216, 'x'));  // 9 KB
  fs_.AddFile(u"/f/ro.jpg", "", FakeFileSystem::kDefaultTime, std::nullopt, attr::kReadOnly);
  fs_.AddFile(u"/f/sys.jpg", "", FakeFileSystem::kDefaultTime, std::nullopt, attr::kSystem);
  fs_.AddFile(u"/f/.dot");
  struct Case {
    const char* what;
    ScanOptions filter;
    bool size_column;
    const char* kept;  // one letter per file kept, in list order
  };
  auto Letter = [](std::u16string_view name) {
    if (name == u"sys.jpg") return 'y';
    return static_cast<char>(name[name[0] == u'.' ? 1 : 0]);  // b(ig) s(mall) r(o) d(ot)
  };
  const Case cases[] = {
      {"no filter", {}, true, "bsryd"},
      {"10-20 KB only", {.size_lower_kb = u"10", .size_upper_kb = u"20"}, true, "b"},
      {"10-20 KB not",
       {.size_lower_kb = u"10", .size_upper_kb = u"20", .size_inside = false},
       true,
       "sryd"},
      {"upper 999999999 is off",
       {.size_lower_kb = u"10", .size_upper_kb = u"999999999"},
       true,
       "bsryd"},
      {"empty upper is off", {.size_lower_kb = u"10", .size_upper_kb = u""}, true, "bsryd"},
      {"size column off", {.size_lower_kb = u"10", .size_upper_kb = u"20"}, false, "bsryd"},
      {"empty lower is 0", {.size_lower_kb = u"", .size_upper_kb = u"9"}, true, "sryd"},
      {"txt only, any case", {.extensions = u"txt", .extensions_only = true}, true, "bs"},
      {"all but .jpg", {.extensions = u".jpg"}, true, "bsd"},
      {"leading space only", {.extensions = u" txt", .extensions_only = true}, true, ""},
      {"leading space all but", {.extensions = u" txt"}, true, "bsryd"},
      {"double space ends list", {.extensions = u"jpg  txt", .extensions_only = true}, true, "ry"},
      {"read-only off", {.list_read_only = false}, true, "bsyd"},
      {"hidden off: dot names", {.list_hidden = false}, true, "bsry"},
      {"system off", {.list_system = false}, true, "bsrd"},
  };
  for (const Case& c : cases) {
    list_.ClearAll();
    SetListOption(&FileListOptions::size_column, c.size_column);
    options_ = c.filter;
    options_.depth_index = 11;
    Drop({u"/f"});
    std::string kept;
    for (int i = 0; i < list_.Count(); ++i) kept.push_back(Letter(list_.GetCell(i, Cell::kName)));
    EXPECT_EQ(kept, c.kept) << c.what;
  }
}

TEST_F(ScanTest, AutomaticRunsSkipCellsNobodyUses) {
  options_.automatic_run = true;
  for (bool sorted : {false, true}) {  // a sort by size or date needs its cell
    list_.ClearAll();
    options_.sort_by_size = options_.sort_by_date = sorted;
    Drop({u"/d/a.txt"});
    EXPECT_EQ(list_.GetCell(0, Cell::kSize), sorted ? FormatSizeText(4, kSizeInBytes) : u"");
    EXPECT_EQ(list_.GetCell(0, Cell::kDate), sorted ? FormatDateText(FakeFileSystem::kDefaultTime) : u" ");
  }
}

TEST_F(ScanTest, CapacityAsksThenStops) {
  SetListOption(&FileListOptions::max_file_index, 0);  // 1000 rows
  for (int i = 0; i < 998; ++i) list_.AddRow(u"r", u"", u"/x/", u"", u"", u"", list_.Count());

  sink_.answers = {kAnswerNo};
  ScanSummary no = Drop({u"/d"});
  EXPECT_EQ(no.result, kWalkFull);
  EXPECT_TRUE(list_.Count() == 1000 && list_.options().max_file_index == 0);
  ASSERT_EQ(sink_.Titles(), (Paths{u"Too Many Files!"}));

  sink_.answers = {kAnswerYes};
  ScanSummary yes = Drop({u"/d/s1/s2"});
  EXPECT_EQ(yes.result, kWalkDone);
  EXPECT_TRUE(list_.Count() == 1001 && list_.options().max_file_index == 1);

  // From index 3 on there is no offer: the scan just stops.
  SetListOption(&FileListOptions::max_file_index, 3);
  while (list_.Count() < 10000) list_.AddRow(u"r", u"", u"/x/", u"", u"", u"", list_.Count());
  sink_.shown.clear();
  EXPECT_EQ(Drop({u"/d"}).result, kWalkFull);
  EXPECT_EQ(list_.Count(), 10000);
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(sink_.shown[0].style & box::kYesNo, 0u);
}

TEST_F(ScanTest, CancelAbortsOrAsksFirst) {
  int polls = 0;
  scanner_.set_callbacks({.cancel_requested = [&] { return ++polls >= 3; }});
  EXPECT_EQ(Drop({u"/d", u"/d"}).result, kWalkAborted);
  EXPECT_EQ(list_.Count(), 1);  // /d, a.txt, then s1 is refused
  EXPECT_TRUE(sink_.shown.empty());

  options_.show_errors = true;
  polls = 0;
  sink_.answers = {kAnswerNo, kAnswerYes};
  list_.ClearAll();
  EXPECT_EQ(Drop({u"/d"}).result, kWalkAborted);
  ASSERT_EQ(sink_.Titles(), (Paths{u"Abort", u"Abort"}));
  EXPECT_EQ(sink_.shown[0].text, u"読み込みを中止します。");
  EXPECT_EQ(list_.Count(), 1);  // the "No" let s1 through; its child b.txt was refused
}

TEST_F(ScanTest, LoadingNoticeEvery18thCandidate) {
  auto notices = [&] {
    const auto n = std::count(status_.codes.begin(), status_.codes.end(), status_code::kLoading);
    status_.codes.clear();
    return n;
  };
  for (int i = 0; i < 17; ++i) fs_.AddFile(u"/g/f" + Utf8ToUtf16(std::to_string(i)));
  Drop({u"/g"});  // 18 candidates: the folder and its files
  EXPECT_EQ(notices(), 1);
  fs_.AddFile(u"/g/one_more");
  Drop({u"/g"});  // 19 candidates, already listed ones included
  EXPECT_EQ(notices(), 2);

  SetListOption(&FileListOptions::folders, true);
  for (int i = 0; i < 5; ++i) fs_.AddFolder(u"/k/" + Utf8ToUtf16(std::to_string(i)));
  Drop({u"/k"});  // 6 candidates in folder mode: every 5th
  EXPECT_EQ(notices(), 2);
}

TEST_F(ScanTest, SkipsLongVanishedAndUnreadablePaths) {
  const std::u16string folder = u"/h/" + std::u16string(200, u'x');
  fs_.AddFile(folder + u"/" + std::u16string(58, u'k'));  // 203 + 58 = 261: skipped
  fs_.AddFile(folder + u"/" + std::u16string(57, u'o'));
  fs_.AddFile(u"/h/locked/z");
  fs_.FailPath(FakeFileSystem::Op::kList, u"/h/locked", ErrorCode::kPermission);
  Drop({u"/h", u"/h/gone", u"relative/path"});
  EXPECT_EQ(Rows(), (Paths{folder + u"/" + std::u16string(57, u'o')}));
  EXPECT_TRUE(sink_.shown.empty());
}

TEST_F(ScanTest, SymlinksFollowTheShortcutRules) {
  fs_.AddFile(u"/t/real.txt");
  fs_.AddFile(u"/t/deep/x.txt");
  fs_.AddSymlink(u"/d/to_t", u"/t");
  fs_.AddSymlink(u"/d/file_link", u"s1/b.txt");
  fs_.AddSymlink(u"/t/back", u"/d/s1/s2");  // inside a followed walk: not followed

  Drop({u"/d"});
  EXPECT_EQ(Rows(), (Paths{u"/d/a.txt", u"/d/s1/b.txt", u"/d/s1/s2/c.txt", u"/t/real.txt",
                           u"/t/deep/x.txt", u"/d/file_link"}));

  list_.ClearAll();
  options_.depth_index = 2;  // the target counts one level deeper
  Drop({u"/d"});
  EXPECT_EQ(Rows(), (Paths{u"/d/a.txt", u"/d/s1/b.txt", u"/t/real.txt", u"/d/file_link"}));

  list_.ClearAll();
  options_.depth_index = 11;
  options_.follow_shortcuts = false;
  Drop({u"/d"});
  EXPECT_EQ(Rows(), (Paths{u"/d/a.txt", u"/d/s1/b.txt", u"/d/s1/s2/c.txt", u"/d/file_link"}));
}

TEST_F(ScanTest, LinkCyclesEndAndListEachFileOnce) {
  fs_.AddSymlink(u"/d/s1/s2/up", u"../..");  // to /d, an ancestor: never followed
  fs_.AddFile(u"/p/p.txt");
  fs_.AddFile(u"/q/q.txt");
  fs_.AddSymlink(u"/p/to_q", u"/q");
  fs_.AddSymlink(u"/q/to_p", u"/p");   // p -> q -> p
  fs_.AddSymlink(u"/self", u"/self");  // leads nowhere: listed like a file
  Drop({u"/d", u"/p", u"/self"});
  EXPECT_EQ(Rows(), (Paths{u"/d/a.txt", u"/d/s1/b.txt", u"/d/s1/s2/c.txt", u"/p/p.txt", u"/q/q.txt",
                           u"/self"}));
}

TEST_F(ScanTest, LnkShortcutsAreFollowedOnceAndNeverListed) {
  fs_.AddFile(u"/w/target.txt");
  fs_.AddFile(u"/w/inner.lnk", BuildTestLnkTo(u"/d/a.txt"));
  fs_.AddFile(u"/v/to_w.LNK", BuildTestLnkTo(u"\\w"));
  fs_.AddFile(u"/v/broken.lnk", "not a shortcut");
  fs_.AddFile(u"/v/to_file.lnk", BuildTestLnkTo(u"/d/s1/b.txt"));
  Drop({u"/v"});
  EXPECT_EQ(Rows(), (Paths{u"/w/target.txt", u"/d/s1/b.txt"}));
  EXPECT_TRUE(sink_.shown.empty());

  list_.ClearAll();
  options_.follow_shortcuts = false;
  Drop({u"/v"});
  EXPECT_EQ(list_.Count(), 3);
  EXPECT_EQ(list_.GetCell(0, Cell::kName), u"to_w.LNK");
}

TEST_F(ScanTest, FolderModeListsSubfoldersOrTheFolderItself) {
  SetListOption(&FileListOptions::folders, true);
  fs_.AddFolder(u"/d/.hidden");
  Drop({u"/d"});
  EXPECT_EQ(Rows(), (Paths{u"/d/s1", u"/d/.hidden"}));
  EXPECT_EQ(list_.GetCell(0, Cell::kSize), u"");

  list_.ClearAll();
  options_.dropped_folder = 1;
  Drop({u"/d/s1", u"/d/a.txt"});
  EXPECT_EQ(Rows(), (Paths{u"/d/s1"}));

  // Nothing below: offer to list dropped folders themselves from now on.
  list_.ClearAll();
  options_.dropped_folder = 0;
  Drop({u"/d/s1/s2"});
  EXPECT_EQ(list_.Count(), 0);
  ASSERT_EQ(sink_.Titles(), (Paths{u"No Sub Folder"}));
  EXPECT_EQ(options_.dropped_folder, 1);
}

TEST_F(ScanTest, DroppedFileInFolderModeOffersFileMode) {
  SetListOption(&FileListOptions::folders, true);
  list_.AddRow(u"old", u"", u"/x/", u"", u"", u"", 0);
  sink_.answers = {kAnswerNo};
  Drop({u"/d/a.txt"});
  EXPECT_TRUE(list_.options().folders);
  ASSERT_FALSE(sink_.shown.empty());
  EXPECT_EQ(sink_.shown[0].text,
            u"フォルダ名変更モードを変更しないとファイルを読み込めません。\r\n\r\n"
            u"フォルダ名変更モードを変更しますか。");

  sink_.shown.clear();
  Drop({u"/d/a.txt", u"/d/s1"});
  EXPECT_FALSE(list_.options().folders);
  EXPECT_EQ(Rows(), (Paths{u"/d/a.txt", u"/d/s1/b.txt", u"/d/s1/s2/c.txt"}));
}

TEST_F(ScanTest, UndoModeMustBeLeftFirst) {
  list_.set_undo_mode(true);
  sink_.answers = {kAnswerNo};
  EXPECT_TRUE(Drop({u"/d"}).refused);
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(sink_.shown[0].text,
            u"変更UnDoモードを中止しないとファイルを読み込めません。\r\n\r\n"
            u"変更UnDoモードを中止しますか。");
  bool left = false;
  scanner_.set_callbacks({.leave_undo_mode = [&] {
    left = true;
    list_.set_undo_mode(false);
  }});
  EXPECT_EQ(Drop({u"/d"}).added, 3);
  EXPECT_TRUE(left);
}

TEST(CorrectSpellingTest, FindsTheNameOnDiskIgnoringCase) {
  FakeFileSystem fs;
  fs.AddFile(u"/Data/Photo.JPG");
  struct Case {
    std::u16string in, out;
    int result;
  };
  const Case cases[] = {
      {u"/Data/photo.jpg", u"/Data/Photo.JPG", 0},
      {u"/Data/Photo.JPG", u"/Data/Photo.JPG", 0},
      {u"/data/photo.jpg", u"/data/photo.jpg", 1},
      {u"/Data/none", u"/Data/none", 1},
      {u"/DATA/", u"/Data", 0},
      {u"rel", u"rel", 1},
  };
  for (const Case& c : cases) {
    std::u16string path = c.in;
    EXPECT_EQ(CorrectSpelling(fs, path), c.result) << Utf16ToUtf8(c.in);
    EXPECT_EQ(path, c.out) << Utf16ToUtf8(c.in);
  }
}

TEST(ScanOptionsTest, ExtensionCapAndKbNumbers) {
  EXPECT_EQ(ParseExtensionList(u"a b c d e f g h i j k l m n o p q").size(), kMaxExtensions);
  EXPECT_EQ(ParseKbValue(u"  42kb"), 42);
  EXPECT_EQ(ParseKbValue(u"-3"), -3);
  EXPECT_EQ(ParseKbValue(u"x1"), 0);
  EXPECT_GT(ParseKbValue(u"99999999999999999999999"), kSizeFilterOff);
}

}  // namespace
}  // namespace tessivo
