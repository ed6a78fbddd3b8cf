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

// What the real system shares with the fake is in file_system_contract_test;
// these are the fake's own promises: creation order, records of changes,
// folders that ignore case, injected failures, mount kinds and locks.
TEST(FakeFileSystemTest, ListKeepsCreationOrderAndRenamesAreRecorded) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/b", "B");
  fs.AddFile(u"/d/a", "A");
  fs.AddFile(u"/d/f/x/y.txt", "Y");
  fs.AddFile(u"/d/last");
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/a", u"/d/a"));  // not recorded
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/a", u"/d/A"));
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/f", u"/d/g"));
  EXPECT_EQ(fs.Content(u"/d/g/x/y.txt"), "Y");
  EXPECT_FALSE(fs.Exists(u"/d/f/x/y.txt"));
  EXPECT_EQ(NamesIn(fs, u"/d"), (Names{u"b", u"A", u"g", u"last"}));
  EXPECT_EQ(fs.renamed_, (std::vector<std::pair<std::u16string, std::u16string>>{
                             {u"/d/a", u"/d/A"}, {u"/d/f", u"/d/g"}}));
  ASSERT_TRUE(fs.CreateFolders(u"/a/b", 0700));
  EXPECT_EQ(fs.folders_created_, (Names{u"/a", u"/a/b"}));
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

}  // namespace
}  // namespace tessivo
