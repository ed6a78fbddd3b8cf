#include "exec/folder_snapshot.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

using Op = FakeFileSystem::Op;

std::u16string Name(int i) { return u"/d/f" + Utf8ToUtf16(std::to_string(i)); }

TEST(FolderSnapshotTest, AnswersAsTheFileSystemDoesAndListsABusyFolderOnce) {
  FakeFileSystem fs;
  for (int i = 0; i < 200; i += 2) fs.AddFile(Name(i));
  fs.AddSymlink(u"/d/dangling", u"/nowhere");
  fs.AddFile(u"/e/only");
  FolderSnapshotFileSystem snapshot(fs);
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 200; ++i) EXPECT_EQ(snapshot.Exists(Name(i)), i % 2 == 0) << i;
  }
  EXPECT_TRUE(snapshot.Exists(u"/d/dangling"));
  EXPECT_FALSE(snapshot.Exists(u"/d/F0"));  // names compare exactly where case is kept
  // A folder asked about a few times is never listed.
  EXPECT_TRUE(snapshot.Exists(u"/e/only"));
  EXPECT_FALSE(snapshot.Exists(u"/e/other"));
  EXPECT_EQ(fs.Calls(Op::kList), 1);
}

TEST(FolderSnapshotTest, AFolderThatIgnoresCaseIsAnsweredIgnoringCase) {
  FakeFileSystem fs;
  fs.SetNameRules(u"/d", NameRules{true, 255});
  for (int i = 0; i < 100; ++i) fs.AddFile(Name(i));
  FolderSnapshotFileSystem snapshot(fs);
  for (int i = 0; i < 100; ++i) EXPECT_TRUE(snapshot.Exists(u"/d/F" + Name(i).substr(4))) << i;
  EXPECT_FALSE(snapshot.Exists(u"/d/G1"));
  EXPECT_EQ(fs.Calls(Op::kList), 1);
  // The rules are asked once per folder, however often they are wanted.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(snapshot.NameRulesOf(u"/d/").ignores_case);
  EXPECT_FALSE(snapshot.NameRulesOf(u"/e/").ignores_case);
  EXPECT_EQ(fs.Calls(Op::kNameRulesOf), 2);
}

TEST(FolderSnapshotTest, AFolderThatCannotBeListedIsAskedDirectly) {
  FakeFileSystem fs;
  for (int i = 0; i < 100; ++i) fs.AddFile(Name(i));
  fs.FailPath(Op::kList, u"/d/", ErrorCode::kPermission);
  fs.FailPath(Op::kList, u"/d", ErrorCode::kPermission);
  FolderSnapshotFileSystem snapshot(fs);
  for (int i = 0; i < 150; ++i) EXPECT_EQ(snapshot.Exists(Name(i)), i < 100) << i;
}

}  // namespace
}  // namespace tessivo
