#include "core/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/message.h"
#include "core_test_util.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {

// Defined in shell_link_test.cpp.
std::string BuildTestLnkTo(std::u16string_view target);

namespace {

using Paths = std::vector<std::u16string>;
using Names = std::vector<std::string>;

// The files of the tree every test starts with.
const std::u16string kA = u"/d/a.txt", kB = u"/d/s1/b.txt", kC = u"/d/s1/s2/c.txt";

class ScanTest : public ::testing::Test {
 protected:
  ScanTest() : messenger_(sink_), scanner_(fs_, list_, messenger_, options_) {
    options_.depth_index = 11;
    scanner_.set_status_sink(&status_);
    fs_.AddFile(kA, "aaaa");
    fs_.AddFile(kB);
    fs_.AddFile(kC);
  }

  // The rows' full paths, in list order.
  Paths Rows() const {
    Paths rows;
    for (int i = 0; i < list_.Count(); ++i) rows.push_back(list_.FullPath(i));
    return rows;
  }
  ScanSummary Drop(const Paths& paths) { return scanner_.AddPaths(paths, AddSource::kDrop); }
  // Drops `paths` on an emptied list and gives the rows that result.
  Paths Fresh(const Paths& paths, AddSource source = AddSource::kDrop) {
    list_.ClearAll();
    scanner_.AddPaths(paths, source);
    return Rows();
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
  RecordingStatus status_;
  Scanner scanner_;
};

TEST_F(ScanTest, DepthLimitsTheWalk) {
  const struct { int depth_index, command_line_depth; AddSource source; bool tree_one_level;
      Paths rows; } cases[] = {
      {0, -1, AddSource::kDrop, false, {}},  {1, -1, AddSource::kDrop, false, {kA}},
      {2, -1, AddSource::kDrop, false, {kA, kB}},  {11, -1, AddSource::kDrop, false, {kA, kB, kC}},
      {11, -1, AddSource::kTree, true, {kA}},
      {11, -1, AddSource::kDrop, true, {kA, kB, kC}},  // one level is for tree clicks only
      {0, -1, AddSource::kTree, false, {}},  {0, 1, AddSource::kCommandLine, true, {kA, kB}},
      {1, 10, AddSource::kTree, true, {kA, kB, kC}},
  };
  for (const auto& c : cases) {
    options_.depth_index = c.depth_index;
    options_.command_line_depth = c.command_line_depth;
    options_.tree_one_level = c.tree_one_level;
    EXPECT_EQ(Fresh({u"/d/"}, c.source), c.rows)
        << "depth " << c.depth_index << " cmd " << c.command_line_depth;
  }
}

TEST_F(ScanTest, RowsCarryTheSplitPathAndCells) {
  fs_.AddFile(u"/e/.profile");
  fs_.AddFile(u"/e/noext");
  Drop({kA, u"/e"});
  EXPECT_EQ(Column(list_), (Names{"a.txt", ".profile", "noext"}));
  EXPECT_EQ(Column(list_, Cell::kExtension), (Names{".txt", ".profile", ""}));
  EXPECT_EQ(Column(list_, Cell::kFolder), (Names{"/d/", "/e/", "/e/"}));
  EXPECT_EQ(list_.GetCell(0, Cell::kSize), FormatSizeText(4, kSizeInBytes));
  EXPECT_EQ(list_.GetCell(0, Cell::kDate), FormatDateText(FakeFileSystem::kDefaultTime));
  EXPECT_EQ(status_.codes.back(), status_code::kIdle);

  // Automatic runs skip the cells nobody sees, unless a sort needs them.
  options_.automatic_run = true;
  for (bool sorted : {false, true}) {
    options_.sort_by_size = options_.sort_by_date = sorted;
    Fresh({kA});
    EXPECT_EQ(list_.GetCell(0, Cell::kSize), sorted ? FormatSizeText(4, kSizeInBytes) : u"");
    EXPECT_EQ(list_.GetCell(0, Cell::kDate),
              sorted ? FormatDateText(FakeFileSystem::kDefaultTime) : u" ");
  }
}

TEST_F(ScanTest, DuplicateCheckSpansBatchesNotOneBatch) {
  Drop({u"/d"});
  EXPECT_EQ(Drop({u"/d"}).added, 0);
  EXPECT_EQ(list_.Count(), 3);

  // The same path in another case, where the folder ignores case.
  fs_.SetNameRules(u"/d", NameRules{true, 255});
  list_.ClearAll();
  list_.AddRow(u"A.TXT", u".TXT", u"/d/", u"", u"", u"", 0);
  Drop({kA, u"/d/s1"});
  EXPECT_EQ(Rows(), (Paths{u"/d/A.TXT", kB, kC}));
  // Paths of one drop are not checked against each other...
  EXPECT_EQ(Fresh({u"/d/s1", kB}).size(), 3u);
  // ...but each command-line argument is a batch of its own.
  EXPECT_EQ(Fresh({u"/d/s1", u"/d/s1/B.TXT"}, AddSource::kCommandLine), (Paths{kB, kC}));
  // Where the folder keeps case, another spelling is another file.
  fs_.AddFile(u"/k/a.txt");
  fs_.AddFile(u"/k/A.txt");
  EXPECT_EQ(Fresh({u"/k/a.txt", u"/k/A.txt"}, AddSource::kCommandLine),
            (Paths{u"/k/a.txt", u"/k/A.txt"}));
}

TEST_F(ScanTest, AddingResetsEveryRowPresent) {
  Drop({kA});
  list_.SetCell(0, Cell::kNewName, u"new.txt");
  list_.SetFileStatus(0, FileStatus::kChanged);
  NarrowState narrowing{u"b.txt", {}};
  scanner_.set_narrowing(&narrowing);
  scanner_.AddPaths({}, AddSource::kReset);
  EXPECT_EQ(list_.GetCell(0, Cell::kNewName), u"");
  EXPECT_EQ(list_.GetFileStatus(0), FileStatus::kExcluded);  // narrowed again afterwards
  Drop({kB});
  EXPECT_EQ(list_.GetFileStatus(1), FileStatus::kUnchecked);
}

TEST_F(ScanTest, LoadFiltersDecide) {
  fs_.AddFile(u"/f/big.txt", std::string(10241, 'x'));   // 11 KB rounded up
  fs_.AddFile(u"/f/small.TXT", std::string(9216, 'x'));  // 9 KB
  fs_.AddFile(u"/f/ro.jpg", "", FakeFileSystem::kDefaultTime, std::nullopt, attr::kReadOnly);
  fs_.AddFile(u"/f/y_sys.jpg", "", FakeFileSystem::kDefaultTime, std::nullopt, attr::kSystem);
  fs_.AddFile(u"/f/.dot");
  // The first letter of each file kept, in list order; then what is set.
  const struct { std::string kept; ScanOptions filter; } cases[] = {
      {"bsry.", {}},  {"b", {.size_lower_kb = u"10", .size_upper_kb = u"20"}},
      {"sry.", {.size_lower_kb = u"10", .size_upper_kb = u"20", .size_inside = false}},
      {"bsry.", {.size_lower_kb = u"10", .size_upper_kb = u"999999999"}},  // the filter is off
      {"bsry.", {.size_lower_kb = u"10", .size_upper_kb = u""}},           // so is it here
      {"sry.", {.size_lower_kb = u"", .size_upper_kb = u"9"}},             // empty lower is 0
      {"bs", {.extensions = u"txt", .extensions_only = true}},             // any case
      {"bs.", {.extensions = u".jpg"}},
      {"", {.extensions = u" txt", .extensions_only = true}},  // a leading space ends the list
      {"bsry.", {.extensions = u" txt"}},
      {"ry", {.extensions = u"jpg  txt", .extensions_only = true}},  // so do two spaces
      {"bsy.", {.list_read_only = false}},
      {"bsry", {.list_hidden = false}},  // names beginning with "." are hidden
      {"bsr.", {.list_system = false}},
  };
  auto kept = [&] {
    std::string letters;
    for (const std::u16string& path : Fresh({u"/f"})) letters.push_back(static_cast<char>(path[3]));
    return letters;
  };
  for (const auto& c : cases) {
    options_ = c.filter;
    options_.depth_index = 11;
    EXPECT_EQ(kept(), c.kept) << "case " << &c - cases;
  }
  // Without the size column there is no size to filter by.
  options_ = {.depth_index = 11, .size_lower_kb = u"10", .size_upper_kb = u"20"};
  SetListOption(&FileListOptions::size_column, false);
  EXPECT_EQ(kept(), "bsry.");
}

TEST_F(ScanTest, CapacityAsksThenStops) {
  SetListOption(&FileListOptions::max_file_index, 0);  // 1000 rows
  for (int i = 0; i < 998; ++i) AddName(list_, u"r", u"/x/");
  sink_.answers = {kAnswerNo};
  EXPECT_EQ(Drop({u"/d"}).result, kWalkFull);
  EXPECT_TRUE(list_.Count() == 1000 && list_.options().max_file_index == 0);
  ASSERT_EQ(sink_.Titles(), (Paths{u"Too Many Files!"}));
  sink_.answers = {kAnswerYes};
  EXPECT_EQ(Drop({u"/d/s1/s2"}).result, kWalkDone);
  EXPECT_TRUE(list_.Count() == 1001 && list_.options().max_file_index == 1);
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
  EXPECT_EQ(sink_.shown[0].text_id, MessageId::kAbortLoadingText);
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
  const std::u16string folder = u"/h/" + std::u16string(200, u'x') + u"/";
  fs_.AddFile(folder + std::u16string(58, u'k'));  // 203 + 58 = 261: skipped
  fs_.AddFile(folder + std::u16string(57, u'o'));
  fs_.AddFile(u"/h/locked/z");
  fs_.FailPath(FakeFileSystem::Op::kList, u"/h/locked", ErrorCode::kPermission);
  Drop({u"/h", u"/h/gone", u"relative/path"});
  EXPECT_EQ(Rows(), (Paths{folder + std::u16string(57, u'o')}));
  EXPECT_TRUE(sink_.shown.empty());
}

TEST_F(ScanTest, SymlinksFollowTheShortcutRulesAndNeverLoop) {
  fs_.AddFile(u"/t/real.txt");
  fs_.AddFile(u"/t/deep/x.txt");
  fs_.AddSymlink(u"/d/to_t", u"/t");
  fs_.AddSymlink(u"/d/file_link", u"s1/b.txt");
  fs_.AddSymlink(u"/t/back", u"/d/s1/s2");   // inside a followed walk: not followed
  fs_.AddSymlink(u"/d/s1/s2/up", u"../..");  // to /d, an ancestor: never followed
  EXPECT_EQ(Fresh({u"/d"}), (Paths{kA, kB, kC, u"/t/real.txt", u"/t/deep/x.txt", u"/d/file_link"}));
  options_.depth_index = 2;  // the target counts one level deeper
  EXPECT_EQ(Fresh({u"/d"}), (Paths{kA, kB, u"/t/real.txt", u"/d/file_link"}));
  options_.depth_index = 11;
  options_.follow_shortcuts = false;
  EXPECT_EQ(Fresh({u"/d"}), (Paths{kA, kB, kC, u"/d/file_link"}));

  options_.follow_shortcuts = true;
  fs_.AddFile(u"/p/p.txt");
  fs_.AddFile(u"/q/q.txt");
  fs_.AddSymlink(u"/p/to_q", u"/q");
  fs_.AddSymlink(u"/q/to_p", u"/p");   // p -> q -> p
  fs_.AddSymlink(u"/self", u"/self");  // leads nowhere: listed like a file
  EXPECT_EQ(Fresh({u"/p", u"/self"}), (Paths{u"/p/p.txt", u"/q/q.txt", u"/self"}));
}

TEST_F(ScanTest, LnkShortcutsAreFollowedOnceAndNeverListed) {
  fs_.AddFile(u"/w/target.txt");
  fs_.AddFile(u"/w/inner.lnk", BuildTestLnkTo(kA));
  fs_.AddFile(u"/v/to_w.LNK", BuildTestLnkTo(u"\\w"));
  fs_.AddFile(u"/v/broken.lnk", "not a shortcut");
  fs_.AddFile(u"/v/to_file.lnk", BuildTestLnkTo(kB));
  EXPECT_EQ(Fresh({u"/v"}), (Paths{u"/w/target.txt", kB}));
  EXPECT_TRUE(sink_.shown.empty());
  options_.follow_shortcuts = false;
  EXPECT_EQ(Fresh({u"/v"}), (Paths{u"/v/to_w.LNK", u"/v/broken.lnk", u"/v/to_file.lnk"}));
}

TEST_F(ScanTest, FolderModeListsSubfoldersOrTheFolderItself) {
  SetListOption(&FileListOptions::folders, true);
  fs_.AddFolder(u"/d/.hidden");
  EXPECT_EQ(Fresh({u"/d"}), (Paths{u"/d/s1", u"/d/.hidden"}));
  EXPECT_EQ(list_.GetCell(0, Cell::kSize), u"");
  options_.dropped_folder = 1;
  EXPECT_EQ(Fresh({u"/d/s1", kA}), (Paths{u"/d/s1"}));

  // Nothing below: offer to list dropped folders themselves from now on.
  options_.dropped_folder = 0;
  EXPECT_TRUE(Fresh({u"/d/s1/s2"}).empty());
  ASSERT_EQ(sink_.Titles(), (Paths{u"No Sub Folder"}));
  EXPECT_EQ(options_.dropped_folder, 1);
}

TEST_F(ScanTest, DroppedFileInFolderModeOffersFileMode) {
  SetListOption(&FileListOptions::folders, true);
  AddName(list_, u"old", u"/x/");
  sink_.answers = {kAnswerNo};
  Drop({kA});
  EXPECT_TRUE(list_.options().folders);
  ASSERT_FALSE(sink_.shown.empty());
  EXPECT_EQ(sink_.shown[0].text,
            u"フォルダ名変更モードを変更しないとファイルを読み込めません。\r\n\r\n"
            u"フォルダ名変更モードを変更しますか。");
  Drop({kA, u"/d/s1"});
  EXPECT_FALSE(list_.options().folders);
  EXPECT_EQ(Rows(), (Paths{kA, kB, kC}));
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

TEST(CorrectSpellingTest, FindsTheNameOnDiskIgnoringCaseWhereTheFolderDoes) {
  FakeFileSystem fs;
  fs.AddFile(u"/Data/Photo.JPG");
  fs.AddFile(u"/ci/Photo.JPG");
  fs.SetNameRules(u"/ci", NameRules{true, 255});
  // A look-up that fails although the name is there in another spelling.
  fs.FailPath(FakeFileSystem::Op::kStat, u"/ci/photo.jpg", ErrorCode::kNotFound);
  const struct { std::u16string in, out; int result; } cases[] = {
      {u"/ci/photo.jpg", u"/ci/Photo.JPG", 0},  {u"/Data/Photo.JPG", u"/Data/Photo.JPG", 0},
      {u"/Data/photo.jpg", u"/Data/photo.jpg", 1},  // "/Data" keeps case: another file
      {u"/data/photo.jpg", u"/data/photo.jpg", 1},  {u"/Data/none", u"/Data/none", 1},
      {u"rel", u"rel", 1},
  };
  for (const auto& c : cases) {
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
