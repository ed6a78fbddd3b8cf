// The fake's own promises, which the real system has no way to show (what the
// two share is in file_system_contract_test): creation order, records of
// changes, folders that ignore case, injected failures, mount kinds, locks
// held by others and forbidden changes.

#include "support/fake_file_system.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace tessivo {
namespace {

using Op = FakeFileSystem::Op;
using Names = std::vector<std::u16string>;

Names NamesIn(FakeFileSystem& fs, const std::u16string& folder) {
  Names out;
  const auto list = fs.List(folder);
  for (const auto& e : *list) out.push_back(e.name);
  return out;
}

std::optional<ErrorCode> Code(const Status& s) {
  return s ? std::nullopt : std::optional(s.error().code);
}

TEST(FakeFileSystemTest, OrderRecordsAndFoldersThatIgnoreCase) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/b", "B");
  fs.AddFile(u"/d/a", "A");
  fs.AddFile(u"/d/f/x/y.txt", "Y");
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/a", u"/d/a"));  // not recorded
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/a", u"/d/A"));
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/f", u"/d/g"));
  EXPECT_EQ(fs.Content(u"/d/g/x/y.txt"), "Y");
  EXPECT_EQ(NamesIn(fs, u"/d"), (Names{u"b", u"A", u"g"}));  // renames keep their place
  EXPECT_EQ(fs.renamed_, (std::vector<std::pair<std::u16string, std::u16string>>{
                             {u"/d/a", u"/d/A"}, {u"/d/f", u"/d/g"}}));
  ASSERT_TRUE(fs.CreateFolders(u"/a/b", 0700));
  EXPECT_EQ(fs.folders_created_, (Names{u"/a", u"/a/b"}));

  fs.SetNameRules(u"/ci", NameRules{true, 100});
  fs.AddFile(u"/ci/Sub/a.txt", "A");
  fs.AddFile(u"/ci/Sub/b.txt", "B");
  EXPECT_EQ(fs.NameRulesOf(u"/ci/Sub/"), (NameRules{true, 100}));
  EXPECT_EQ(fs.NameRulesOf(u"/d"), NameRules());
  EXPECT_EQ(fs.Content(u"/ci/SUB/A.TXT"), "A");
  EXPECT_FALSE(fs.Exists(u"/d/B"));
  EXPECT_EQ(Code(fs.RenameNoReplace(u"/ci/Sub/a.txt", u"/ci/sub/B.TXT")), ErrorCode::kExists);
  // Another spelling of the same file takes the new spelling.
  ASSERT_TRUE(fs.RenameNoReplace(u"/ci/sub/a.txt", u"/ci/sub/A.Txt"));
  EXPECT_EQ(NamesIn(fs, u"/ci/Sub"), (Names{u"A.Txt", u"b.txt"}));
}

TEST(FakeFileSystemTest, InjectedFailuresKindsAndForbiddenChanges) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/a", "A");
  fs.AddFile(u"/d/b", "B");
  fs.FailNthCall(Op::kRenameNoReplace, 2, ErrorCode::kPermission);
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/a", u"/d/a2"));
  EXPECT_EQ(Code(fs.RenameNoReplace(u"/d/b", u"/d/b2")), ErrorCode::kPermission);
  EXPECT_EQ(fs.Content(u"/d/b"), "B");
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/b", u"/d/b2"));  // only the 2nd call fails
  EXPECT_TRUE(fs.Calls(Op::kRenameNoReplace) == 3 && fs.renamed_.size() == 2u);
  fs.FailPath(Op::kRenameNoReplace, u"/d/target", ErrorCode::kNoSpace);  // as the target too
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Code(fs.RenameNoReplace(u"/d/a2", u"/d/target")), ErrorCode::kNoSpace);
  }
  fs.ClearFailures();
  EXPECT_TRUE(fs.RenameNoReplace(u"/d/a2", u"/d/target"));

  // Creation times only where the mount has a channel; FAT keeps 2 s steps.
  fs.AddFile(u"/ext/a", "", 1000, 500);
  fs.AddFile(u"/fat/a");
  fs.AddFile(u"/ntfs/a");
  fs.SetKind(u"/fat", FileSystemKind::kFat);
  fs.SetKind(u"/ntfs", FileSystemKind::kNtfs);
  ASSERT_TRUE(fs.SetTimes(u"/ntfs/a", 7, 9));
  EXPECT_EQ(fs.Stat(u"/ntfs/a")->creation_time, 7);
  EXPECT_EQ(fs.KindOf(u"/fatx"), FileSystemKind::kOther);
  EXPECT_EQ(Code(fs.SetTimes(u"/ext/a", 7, 9)), ErrorCode::kNotSupported);
  EXPECT_EQ(fs.Stat(u"/ext/a")->last_write_time, 1000);
  ASSERT_TRUE(fs.SetTimes(u"/fat/a", std::nullopt, 30'000'001));
  EXPECT_EQ(fs.Stat(u"/fat/a")->last_write_time, 20'000'000);

  fs.SetLockedByOther(u"/d/log");
  EXPECT_EQ(fs.OpenAppend(u"/d/log", true).error().code, ErrorCode::kBusy);
  fs.forbid_changes_ = true;
  EXPECT_NONFATAL_FAILURE(EXPECT_FALSE(fs.RenameNoReplace(u"/d/b2", u"/d/b")), "forbidden");
  EXPECT_TRUE(fs.Exists(u"/d/b2"));
}

}  // namespace
}  // namespace tessivo
