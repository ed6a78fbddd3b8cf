// The in-memory fake must behave like PosixFileSystem where the layers above
// rely on it: no rename ever replaces, failures change nothing, locks.

#include "support/fake_file_system.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace tessivo {
namespace {

using Op = FakeFileSystem::Op;
using Names = std::vector<std::u16string>;

Names NamesIn(FakeFileSystem& fs, const std::u16string& folder) {
  Names out;
  auto list = fs.List(folder);
  for (const auto& e : *list) out.push_back(e.name);
  return out;
}

// The error a call failed with; nullopt if it succeeded.
template <typename R>
std::optional<ErrorCode> Code(const R& r) {
  if (r) return std::nullopt;
  return r.error().code;
}

TEST(FakeFileSystemTest, ListGivesDirectChildrenInCreationOrder) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/b.txt", "bb");
  fs.AddFile(u"/d/a.txt", "a");
  fs.AddFile(u"/d/sub/deep.txt");
  fs.AddFile(u"/d!x");  // sorts between "/d" and "/d/" in the map
  fs.AddFile(u"/d/.hidden");
  auto list = fs.List(u"/d/");
  ASSERT_TRUE(list);
  EXPECT_EQ(NamesIn(fs, u"/d/"), (Names{u"b.txt", u"a.txt", u"sub", u".hidden"}));
  EXPECT_EQ((*list)[0].info.size, 2u);
  EXPECT_TRUE((*list)[2].info.is_directory);
  EXPECT_EQ((*list)[2].info.attributes, attr::kDirectory);
  EXPECT_EQ((*list)[3].info.attributes, attr::kHidden);
  EXPECT_EQ(Code(fs.List(u"/nope")), ErrorCode::kNotFound);
  EXPECT_EQ(Code(fs.List(u"/d/a.txt")), ErrorCode::kNotFound);
  EXPECT_EQ(NamesIn(fs, u"/"), (Names{u"d", u"d!x"}));
}

TEST(FakeFileSystemTest, RenameNeverReplacesIsCaseSensitiveAndMovesFolders) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/a", "A");
  fs.AddFile(u"/d/b", "B");
  fs.AddFolder(u"/d/empty");
  fs.AddFile(u"/d/f/x/y.txt", "Y");
  fs.AddFile(u"/d/last");
  EXPECT_EQ(Code(fs.RenameNoReplace(u"/d/a", u"/d/b")), ErrorCode::kExists);
  EXPECT_EQ(Code(fs.RenameNoReplace(u"/d/a", u"/d/empty")), ErrorCode::kExists);
  EXPECT_EQ(Code(fs.RenameNoReplace(u"/d/x", u"/d/y")), ErrorCode::kNotFound);
  EXPECT_EQ(Code(fs.RenameNoReplace(u"/d/a", u"/nofolder/a")), ErrorCode::kNotFound);
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/a", u"/d/a"));  // not recorded: renamed_ shows it below
  EXPECT_EQ(fs.Content(u"/d/b"), "B");
  EXPECT_TRUE(fs.IsFolder(u"/d/empty"));
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/a", u"/d/A"));
  EXPECT_EQ(fs.Content(u"/d/A"), "A");
  fs.AddFile(u"/d/a", "other");  // a separate file, listed last
  EXPECT_EQ(Code(fs.RenameNoReplace(u"/d/A", u"/d/a")), ErrorCode::kExists);
  // A folder moves with its content and keeps its place in the listing.
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/f", u"/d/g"));
  EXPECT_EQ(fs.Content(u"/d/g/x/y.txt"), "Y");
  EXPECT_FALSE(fs.Exists(u"/d/f/x/y.txt"));
  EXPECT_EQ(NamesIn(fs, u"/d"), (Names{u"A", u"b", u"empty", u"g", u"last", u"a"}));
  EXPECT_EQ(Code(fs.RenameNoReplace(u"/d/g", u"/d/g/x/inside")), ErrorCode::kInvalidArgument);
  EXPECT_EQ(fs.renamed_, (std::vector<std::pair<std::u16string, std::u16string>>{
                             {u"/d/a", u"/d/A"}, {u"/d/f", u"/d/g"}}));
}

TEST(FakeFileSystemTest, AFolderThatIgnoresCaseFindsEverySpelling) {
  FakeFileSystem fs;
  fs.SetNameRules(u"/ci", NameRules{true, 100});
  fs.AddFile(u"/ci/Sub/a.txt", "A");
  fs.AddFile(u"/ci/Sub/b.txt", "B");
  fs.AddFile(u"/d/a.txt");
  EXPECT_EQ(fs.NameRulesOf(u"/ci/Sub/"), (NameRules{true, 100}));
  EXPECT_EQ(fs.NameRulesOf(u"/d"), NameRules());
  EXPECT_EQ(fs.Content(u"/ci/SUB/A.TXT"), "A");
  EXPECT_FALSE(fs.Exists(u"/d/A.TXT"));
  EXPECT_EQ(Code(fs.RenameNoReplace(u"/ci/Sub/a.txt", u"/ci/sub/B.TXT")), ErrorCode::kExists);
  // Another spelling of the same file takes the new spelling.
  ASSERT_TRUE(fs.RenameNoReplace(u"/ci/sub/a.txt", u"/ci/sub/A.Txt"));
  EXPECT_EQ(NamesIn(fs, u"/ci/Sub"), (Names{u"A.Txt", u"b.txt"}));
}

TEST(FakeFileSystemTest, InjectedFailuresChangeNothing) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/a", "A");
  fs.AddFile(u"/d/b", "B");
  fs.FailNthCall(Op::kRenameNoReplace, 2, ErrorCode::kPermission);
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/a", u"/d/a2"));
  EXPECT_EQ(Code(fs.RenameNoReplace(u"/d/b", u"/d/b2")), ErrorCode::kPermission);
  EXPECT_EQ(fs.Content(u"/d/b"), "B");
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/b", u"/d/b2"));  // only the 2nd call fails
  EXPECT_EQ(fs.Calls(Op::kRenameNoReplace), 3);
  EXPECT_EQ(fs.renamed_.size(), 2u);
  fs.FailPath(Op::kRenameNoReplace, u"/d/target", ErrorCode::kNoSpace);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Code(fs.RenameNoReplace(u"/d/a2", u"/d/target")), ErrorCode::kNoSpace);
  }
  fs.FailPath(Op::kReadFile, u"/d/b2", ErrorCode::kIo);
  EXPECT_EQ(Code(fs.ReadFile(u"/d/b2")), ErrorCode::kIo);
  fs.ClearFailures();
  EXPECT_TRUE(fs.RenameNoReplace(u"/d/a2", u"/d/target"));
  EXPECT_EQ(*fs.ReadFile(u"/d/b2"), "B");
}

TEST(FakeFileSystemTest, CreationTimeOnlyWhereTheMountHasAChannel) {
  FakeFileSystem fs;
  fs.AddFile(u"/ext/a", "", 1000, 500);
  fs.AddFile(u"/fat/a");
  fs.AddFile(u"/ntfs/a");
  fs.SetKind(u"/fat", FileSystemKind::kFat);
  fs.SetKind(u"/ntfs", FileSystemKind::kNtfs);
  ASSERT_TRUE(fs.SetTimes(u"/ntfs/a", 7, 9));
  EXPECT_EQ(fs.Stat(u"/ntfs/a")->creation_time, 7);
  EXPECT_EQ(fs.KindOf(u"/fatx"), FileSystemKind::kOther);
  EXPECT_EQ(Code(fs.SetTimes(u"/ext/a", 7, 9)), ErrorCode::kNotSupported);
  EXPECT_EQ(fs.Stat(u"/ext/a")->last_write_time, 1000);  // all or nothing
  ASSERT_TRUE(fs.SetTimes(u"/fat/a", std::nullopt, 30'000'001));
  EXPECT_EQ(fs.Stat(u"/fat/a")->last_write_time, 20'000'000);
}

TEST(FakeFileSystemTest, SymlinksAreReportedAndFollowedInsidePaths) {
  FakeFileSystem fs;
  fs.AddFile(u"/real/f.txt", "F");
  fs.AddSymlink(u"/d/to_real", u"../real");
  fs.AddSymlink(u"/d/to_file", u"/real/f.txt");
  fs.AddSymlink(u"/d/dangling", u"/gone");
  fs.AddSymlink(u"/d/loop", u"/d/loop");
  EXPECT_TRUE(fs.Stat(u"/d/to_real")->is_symlink && fs.Stat(u"/d/to_real")->is_directory);
  EXPECT_FALSE(fs.Stat(u"/d/to_file")->is_directory);
  EXPECT_FALSE(fs.Stat(u"/d/dangling")->is_directory);
  EXPECT_EQ(NamesIn(fs, u"/d/to_real"), Names{u"f.txt"});
  EXPECT_EQ(*fs.ReadFile(u"/d/to_real/f.txt"), "F");
  EXPECT_EQ(*fs.ReadLink(u"/d/to_real"), u"../real");
  EXPECT_FALSE(fs.List(u"/d/loop"));
  EXPECT_EQ(Code(fs.ReadLink(u"/real/f.txt")), ErrorCode::kInvalidArgument);
  // Renaming a link renames the link, not its target.
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/to_file", u"/d/renamed"));
  EXPECT_TRUE(fs.Exists(u"/real/f.txt"));
  EXPECT_TRUE(fs.Stat(u"/d/renamed")->is_symlink);
}

TEST(FakeFileSystemTest, AppendLockAndForbiddenChanges) {
  FakeFileSystem fs;
  const std::u16string log_path = u"/p/rename0.log";
  fs.AddFile(u"/p/a");
  {
    auto log = fs.OpenAppend(log_path, true);
    ASSERT_TRUE(log);
    EXPECT_EQ(Code(fs.OpenAppend(log_path, true)), ErrorCode::kBusy);
    ASSERT_TRUE((*log)->Append("line1\r\nline2\r\n"));
    ASSERT_TRUE((*log)->Truncate(7));
    EXPECT_EQ((*log)->Size(), 7u);
    fs.FailNthCall(Op::kAppend, 1, ErrorCode::kNoSpace);
    EXPECT_FALSE((*log)->Append("x"));
  }
  EXPECT_FALSE(fs.IsLocked(log_path));
  EXPECT_EQ(fs.Content(log_path), "line1\r\n");
  fs.SetLockedByOther(log_path);
  EXPECT_EQ(Code(fs.OpenAppend(log_path, true)), ErrorCode::kBusy);
  fs.forbid_changes_ = true;
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(fs.RenameNoReplace(u"/p/a", u"/p/b")), "forbidden");
  EXPECT_TRUE(fs.Exists(u"/p/a"));
}

TEST(FakeFileSystemTest, WriteRemoveCreateFolders) {
  FakeFileSystem fs;
  EXPECT_EQ(Code(fs.WriteFileAtomic(u"/none/x", "1")), ErrorCode::kNotFound);
  ASSERT_TRUE(fs.CreateFolders(u"/a/b", 0700));
  EXPECT_EQ(fs.folders_created_, (Names{u"/a", u"/a/b"}));
  ASSERT_TRUE(fs.WriteFileAtomic(u"/a/b/f", "two"));
  EXPECT_EQ(Code(fs.CreateFolders(u"/a/b/f/g", 0700)), ErrorCode::kExists);
  EXPECT_EQ(*fs.ReadRange(u"/a/b/f", 1, 10), "wo");
  EXPECT_EQ(Code(fs.RemoveFile(u"/a/b")), ErrorCode::kInvalidArgument);
}

}  // namespace
}  // namespace tessivo
