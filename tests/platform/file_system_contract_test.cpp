// What the layers above rely on from a FileSystem, run on the in-memory fake and on the real
// disk (a temporary folder, each way of renaming), so the fake keeps behaving like the system
// it stands in for; then the fake's own promises, which the real system cannot show: creation
// order, records of changes, folders that ignore case, injected failures, mount kinds, locks
// held by others and forbidden changes.

#include <unistd.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>

#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"
#include "support/fake_file_system.h"
#include "support/scoped_temp_dir.h"

namespace tessivo {
namespace {

using Names = std::set<std::u16string>;

// The fake when `posix` is nullopt.
struct Target { const char* name; std::optional<PosixFileSystemOptions> posix; };

template <typename R>
std::optional<ErrorCode> Failure(const R& r) {
  return r ? std::nullopt : std::optional(r.error().code);
}

class FileSystemContract : public ::testing::TestWithParam<Target> {
 protected:
  void SetUp() override {
    if (GetParam().posix) real_ = std::make_unique<PosixFileSystem>(*GetParam().posix);
    root_ = real_ ? dir_.path() : u"/root";
    if (!real_) fake_.AddFolder(root_);
    // Built through the interface itself: a=AAA, b=BBB, empty/, full/inner,
    // full!x, .hidden, link -> a, to_full -> full, dangling -> gone.
    ASSERT_TRUE(fs().WriteFileAtomic(P(u"a"), "AAA"));
    ASSERT_TRUE(fs().WriteFileAtomic(P(u"b"), "BBB"));
    ASSERT_TRUE(fs().CreateFolders(P(u"empty"), 0755));
    ASSERT_TRUE(fs().CreateFolders(P(u"full"), 0755));
    ASSERT_TRUE(fs().WriteFileAtomic(P(u"full/inner"), "III"));
    ASSERT_TRUE(fs().WriteFileAtomic(P(u"full!x"), ""));  // sorts between "full" and "full/"
    ASSERT_TRUE(fs().WriteFileAtomic(P(u".hidden"), ""));
    Link(u"link", u"a");
    Link(u"to_full", u"full");
    Link(u"dangling", u"gone");
  }

  FileSystem& fs() { return real_ ? static_cast<FileSystem&>(*real_) : fake_; }
  std::u16string P(std::u16string_view name) { return root_ + u"/" + std::u16string(name); }
  void Link(const std::u16string& name, const std::u16string& target) {
    if (!real_) return fake_.AddSymlink(P(name), target);
    ASSERT_EQ(::symlink(Utf16ToUtf8(target).c_str(), Utf16ToUtf8(P(name)).c_str()), 0);
  }
  Names NamesIn(std::u16string_view folder) {
    Names out;
    auto list = fs().List(P(folder));
    for (const auto& e : list ? *list : std::vector<DirEntry>{}) out.insert(e.name);
    return out;
  }
  std::string Read(std::u16string_view name) {
    auto bytes = fs().ReadFile(P(name));
    return bytes ? *bytes : "<missing>";
  }
  Status Rename(std::u16string_view from, std::u16string_view to) {
    return fs().RenameNoReplace(P(from), P(to));
  }

  ScopedTempDir dir_;
  FakeFileSystem fake_;
  std::unique_ptr<PosixFileSystem> real_;
  std::u16string root_;
  const Names all_{u"a",      u"b",    u"empty",   u"full",    u"full!x",
                   u".hidden", u"link", u"to_full", u"dangling"};
};

TEST_P(FileSystemContract, RenameNeverReplacesAnything) {
  for (auto [from, to] : {std::pair{u"a", u"b"}, {u"a", u"empty"}, {u"full", u"empty"},
                          {u"empty", u"full"}, {u"link", u"b"}, {u"b", u"link"}}) {
    EXPECT_EQ(Failure(Rename(from, to)), ErrorCode::kExists)
        << Utf16ToUtf8(from) << " -> " << Utf16ToUtf8(to);
  }
  EXPECT_EQ(Read(u"a") + Read(u"b") + Read(u"full/inner"), "AAABBBIII");
  EXPECT_TRUE(NamesIn(u"empty").empty());
  EXPECT_EQ(NamesIn(u""), all_);
}

TEST_P(FileSystemContract, RenameMovesFilesFoldersAndLinksAndFailsWithoutTrace) {
  ASSERT_TRUE(Rename(u"a", u"a2"));
  ASSERT_TRUE(Rename(u"full", u"full2"));
  ASSERT_TRUE(Rename(u"link", u"link2"));
  ASSERT_TRUE(Rename(u"b", u"empty/x\xDCFF\xDCFE"));  // into a folder, a name not UTF-8
  EXPECT_EQ(Read(u"a2") + Read(u"full2/inner") + Read(u"empty/x\xDCFF\xDCFE"), "AAAIIIBBB");
  EXPECT_TRUE(fs().Stat(P(u"link2"))->is_symlink);
  EXPECT_EQ(Failure(Rename(u"none", u"new")), ErrorCode::kNotFound);
  EXPECT_EQ(Failure(Rename(u"a2", u"nofolder/a")), ErrorCode::kNotFound);
  EXPECT_FALSE(Rename(u"full2", u"full2/sub"));  // a folder into itself
  EXPECT_EQ(NamesIn(u"full2"), Names{u"inner"});
  EXPECT_EQ(NamesIn(u""),
            (Names{u"a2", u"empty", u"full2", u"full!x", u".hidden", u"link2", u"to_full",
                   u"dangling"}));
}

// The temporary folder keeps case, as the fake's folders do by default.
TEST_P(FileSystemContract, SamePathSucceedsAndCaseOnlyIsARename) {
  ASSERT_TRUE(Rename(u"a", u"a"));
  ASSERT_TRUE(Rename(u"none", u"none"));  // equal paths succeed without looking
  ASSERT_TRUE(Rename(u"a", u"A"));
  EXPECT_EQ(Read(u"A"), "AAA");
  EXPECT_EQ(Failure(fs().Stat(P(u"a"))), ErrorCode::kNotFound);
  ASSERT_TRUE(fs().WriteFileAtomic(P(u"a"), "new"));
  EXPECT_EQ(Failure(Rename(u"A", u"a")), ErrorCode::kExists);
  for (const std::u16string& folder : {root_ + u"/", P(u"full"), P(u"gone/x/")}) {
    EXPECT_EQ(fs().NameRulesOf(folder), (NameRules{false, 255})) << Utf16ToUtf8(folder);
  }
}

TEST_P(FileSystemContract, ListingKindsSizesAndErrors) {
  auto list = fs().List(root_);
  ASSERT_TRUE(list);
  Names names;
  for (const DirEntry& e : *list) {
    names.insert(e.name);
    SCOPED_TRACE(Utf16ToUtf8(e.name));
    const bool folder = e.name == u"empty" || e.name == u"full" || e.name == u"to_full";
    EXPECT_EQ(e.info.is_directory, folder);
    EXPECT_EQ(e.info.is_symlink,
              e.name == u"link" || e.name == u"to_full" || e.name == u"dangling");
    EXPECT_TRUE(e.name != u"a" || (e.info.size == 3u && e.info.attributes == 0u));
    EXPECT_TRUE(e.name != u"full" || e.info.attributes == attr::kDirectory);
    EXPECT_TRUE(e.name != u".hidden" || e.info.attributes == attr::kHidden);
  }
  EXPECT_EQ(names, all_);
  EXPECT_EQ(NamesIn(u"to_full"), Names{u"inner"});  // through a link
  EXPECT_EQ(Read(u"to_full/inner"), "III");
  Link(u"loop", u"loop");
  EXPECT_FALSE(fs().List(P(u"loop")));
  EXPECT_EQ(Failure(fs().List(P(u"missing"))), ErrorCode::kNotFound);
  EXPECT_EQ(Failure(fs().List(P(u"a"))), ErrorCode::kNotFound);
  EXPECT_EQ(*fs().ReadLink(P(u"link")), u"a");
  EXPECT_EQ(Failure(fs().ReadLink(P(u"a"))), ErrorCode::kInvalidArgument);
  EXPECT_EQ(Failure(fs().Stat(P(u"none"))), ErrorCode::kNotFound);
}

TEST_P(FileSystemContract, TimesAndAttributesAsSet) {
  constexpr FileTime kSomeTime = 126256467067891234LL;  // 2001-02-03 04:05:06.7891234 UTC
  ASSERT_TRUE(fs().SetTimes(P(u"a"), std::nullopt, kSomeTime));
  EXPECT_EQ(fs().Stat(P(u"a"))->last_write_time, kSomeTime);
  // No creation-time channel here: all or nothing.
  EXPECT_EQ(Failure(fs().SetTimes(P(u"a"), kSomeTime, kSomeTime + 10'000'000)),
            ErrorCode::kNotSupported);
  EXPECT_EQ(fs().Stat(P(u"a"))->last_write_time, kSomeTime);
  ASSERT_TRUE(fs().SetAttributes(P(u"b"), attr::kReadOnly));
  EXPECT_EQ(fs().Stat(P(u"b"))->attributes, attr::kReadOnly);
  ASSERT_TRUE(fs().SetAttributes(P(u"b"), 0));
  EXPECT_EQ(fs().Stat(P(u"b"))->attributes, 0u);
  EXPECT_EQ(fs().Stat(P(u"full"))->attributes, attr::kDirectory);
}

TEST_P(FileSystemContract, ReadWriteRemoveAndCreateFolders) {
  const struct { std::uint64_t offset; std::size_t max; std::string want; } cases[] = {
      {0, 2, "AA"}, {2, 4, "A"}, {3, 4, ""}, {99, 4, ""}, {1, 0, ""}, {0, 100, "AAA"}};
  for (const auto& c : cases) {
    auto r = fs().ReadRange(P(u"a"), c.offset, c.max);
    ASSERT_TRUE(r) << c.offset << "/" << c.max;
    EXPECT_EQ(*r, c.want) << c.offset << "/" << c.max;
  }
  EXPECT_EQ(Failure(fs().ReadFile(P(u"none"))), ErrorCode::kNotFound);
  EXPECT_EQ(Failure(fs().ReadFile(P(u"full"))), ErrorCode::kInvalidArgument);
  ASSERT_TRUE(fs().WriteFileAtomicUnsynced(P(u"a"), "unsynced"));
  EXPECT_EQ(Read(u"a"), "unsynced");
  ASSERT_TRUE(fs().WriteFileAtomic(P(u"a"), "replaced"));
  EXPECT_EQ(Read(u"a"), "replaced");
  EXPECT_EQ(Failure(fs().WriteFileAtomic(P(u"none/x"), "1")), ErrorCode::kNotFound);
  ASSERT_TRUE(fs().CreateFolders(P(u"p/q/"), 0700));
  ASSERT_TRUE(fs().CreateFolders(P(u"p"), 0700));  // already there
  EXPECT_EQ(Failure(fs().CreateFolders(P(u"a/x"), 0700)), ErrorCode::kExists);
  EXPECT_EQ(Failure(fs().RemoveFile(P(u"p/q"))), ErrorCode::kInvalidArgument);
  EXPECT_TRUE(fs().Stat(P(u"p/q"))->is_directory);
  ASSERT_TRUE(fs().RemoveFile(P(u"a")));
  EXPECT_EQ(Failure(fs().RemoveFile(P(u"a"))), ErrorCode::kNotFound);
}

TEST_P(FileSystemContract, AppendFilesAppendCutBackAndLock) {
  const std::u16string log = P(u"rename0.log");
  {
    auto file = fs().OpenAppend(log, true);
    ASSERT_TRUE(file);
    EXPECT_TRUE(fs().IsLocked(log));
    EXPECT_EQ(Failure(fs().OpenAppend(log, true)), ErrorCode::kBusy);
    ASSERT_TRUE((*file)->Append("first\r\n"));
    ASSERT_TRUE((*file)->Append("second\r\n"));
    EXPECT_EQ((*file)->Size(), 15u);
    ASSERT_TRUE((*file)->Truncate(7));
    ASSERT_TRUE((*file)->Append("third\r\n"));
    ASSERT_TRUE((*file)->Sync());
    // An unlocked opening appends too and does not count as a lock.
    auto plain = fs().OpenAppend(log, false);
    ASSERT_TRUE(plain);
    ASSERT_TRUE((*plain)->Append("x"));
  }
  EXPECT_EQ(Read(u"rename0.log"), "first\r\nthird\r\nx");
  EXPECT_FALSE(fs().IsLocked(log));
  auto plain = fs().OpenAppend(log, false);
  ASSERT_TRUE(plain);
  EXPECT_FALSE(fs().IsLocked(log) || fs().IsLocked(P(u"none.log")));
  EXPECT_EQ(Failure(fs().OpenAppend(P(u"no/x.log"), true)), ErrorCode::kNotFound);
}

INSTANTIATE_TEST_SUITE_P(
    FakeAndReal, FileSystemContract,
    ::testing::Values(Target{"Fake", std::nullopt},
                      Target{"Renameat2", PosixFileSystemOptions{false, false}},
                      Target{"LinkUnlink", PosixFileSystemOptions{true, false}},
                      Target{"Placeholder", PosixFileSystemOptions{true, true}}),
    [](const auto& info) { return std::string(info.param.name); });

using Op = FakeFileSystem::Op;
using Ordered = std::vector<std::u16string>;

Ordered InOrder(FakeFileSystem& fs, const std::u16string& folder) {
  Ordered out;
  const auto list = fs.List(folder);
  for (const auto& e : *list) out.push_back(e.name);
  return out;
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
  EXPECT_EQ(InOrder(fs, u"/d"), (Ordered{u"b", u"A", u"g"}));  // renames keep their place
  EXPECT_EQ(fs.renamed_, (std::vector<std::pair<std::u16string, std::u16string>>{
                             {u"/d/a", u"/d/A"}, {u"/d/f", u"/d/g"}}));
  ASSERT_TRUE(fs.CreateFolders(u"/a/b", 0700));
  EXPECT_EQ(fs.folders_created_, (Ordered{u"/a", u"/a/b"}));

  fs.SetNameRules(u"/ci", NameRules{true, 100});
  fs.AddFile(u"/ci/Sub/a.txt", "A");
  fs.AddFile(u"/ci/Sub/b.txt", "B");
  EXPECT_EQ(fs.NameRulesOf(u"/ci/Sub/"), (NameRules{true, 100}));
  EXPECT_EQ(fs.NameRulesOf(u"/d"), NameRules());
  EXPECT_EQ(fs.Content(u"/ci/SUB/A.TXT"), "A");
  EXPECT_FALSE(fs.Exists(u"/d/B"));
  EXPECT_EQ(Failure(fs.RenameNoReplace(u"/ci/Sub/a.txt", u"/ci/sub/B.TXT")), ErrorCode::kExists);
  // Another spelling of the same file takes the new spelling.
  ASSERT_TRUE(fs.RenameNoReplace(u"/ci/sub/a.txt", u"/ci/sub/A.Txt"));
  EXPECT_EQ(InOrder(fs, u"/ci/Sub"), (Ordered{u"A.Txt", u"b.txt"}));
}

TEST(FakeFileSystemTest, InjectedFailuresKindsAndForbiddenChanges) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/a", "A");
  fs.AddFile(u"/d/b", "B");
  fs.FailNthCall(Op::kRenameNoReplace, 2, ErrorCode::kPermission);
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/a", u"/d/a2"));
  EXPECT_EQ(Failure(fs.RenameNoReplace(u"/d/b", u"/d/b2")), ErrorCode::kPermission);
  EXPECT_EQ(fs.Content(u"/d/b"), "B");
  ASSERT_TRUE(fs.RenameNoReplace(u"/d/b", u"/d/b2"));  // only the 2nd call fails
  EXPECT_TRUE(fs.Calls(Op::kRenameNoReplace) == 3 && fs.renamed_.size() == 2u);
  fs.FailPath(Op::kRenameNoReplace, u"/d/target", ErrorCode::kNoSpace);  // as the target too
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Failure(fs.RenameNoReplace(u"/d/a2", u"/d/target")), ErrorCode::kNoSpace);
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
  EXPECT_EQ(Failure(fs.SetTimes(u"/ext/a", 7, 9)), ErrorCode::kNotSupported);
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
