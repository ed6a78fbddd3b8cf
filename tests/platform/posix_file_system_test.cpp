// PosixFileSystem against the real disk, inside temporary folders.

#include "platform/posix_file_system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "platform/file_name_bytes.h"
#include "platform/temp_name.h"
#include "support/scoped_temp_dir.h"

namespace tessivo {
namespace {

// 2001-02-03 04:05:06.7891234 UTC.
constexpr FileTime kSomeTime = 126256467067891234LL;

void WriteRaw(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << path << ": " << std::strerror(errno);
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

std::string ReadRaw(const std::string& path) {
  std::string out;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "<missing>";
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  return out;
}

bool ExistsRaw(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::set<std::string> RawNames(const std::string& folder) {
  std::set<std::string> out;
  PosixFileSystem fs;
  auto list = fs.List(Utf8ToUtf16(folder));
  if (list) {
    for (const auto& e : *list) out.insert(Utf16ToUtf8(e.name));
  }
  return out;
}

const DirEntry* Find(const std::vector<DirEntry>& list, const std::u16string& name) {
  for (const auto& e : list) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

// Whether `folder` keeps user extended attributes (tmpfs of older kernels,
// some overlay set-ups do not).
bool SupportsUserXattrs(const std::string& folder) {
  std::string probe = folder + "/.xattr-probe";
  WriteRaw(probe, "");
  bool ok = ::setxattr(probe.c_str(), "user.tessivo-probe", "1", 1, 0) == 0;
  ::unlink(probe.c_str());
  return ok;
}

std::string DosAttribOf(const std::string& path) {
  char buf[256];
  ssize_t n = ::lgetxattr(path.c_str(), "user.DOSATTRIB", buf, sizeof buf);
  return n < 0 ? "<none>" : std::string(buf, static_cast<std::size_t>(n));
}

TEST(PosixFileSystemTest, ListReportsEveryEntryWithItsBytesKindSizeAndTime) {
  ScopedTempDir dir;
  const std::string bad_name = "bad\xFF\xC0\x80name";
  WriteRaw(dir.NativePath("a.txt"), "abc");
  WriteRaw(dir.NativePath(bad_name), "x");
  WriteRaw(dir.NativePath("\xE3\x81\x82.txt"), "");
  WriteRaw(dir.NativePath(".hidden"), "");
  ASSERT_EQ(::mkdir(dir.NativePath("sub").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("sub", dir.NativePath("link_dir").c_str()), 0);
  ASSERT_EQ(::symlink("a.txt", dir.NativePath("link_file").c_str()), 0);
  ASSERT_EQ(::symlink("gone", dir.NativePath("dangling").c_str()), 0);
  struct timespec times[2] = {{0, UTIME_OMIT}, {981173106, 789123400}};
  ASSERT_EQ(::utimensat(AT_FDCWD, dir.NativePath("a.txt").c_str(), times, 0), 0);

  PosixFileSystem fs;
  auto list = fs.List(dir.path());
  ASSERT_TRUE(list) << Utf16ToUtf8(list.error().detail);
  EXPECT_EQ(RawNames(dir.native()),
            (std::set<std::string>{"a.txt", bad_name, "\xE3\x81\x82.txt", ".hidden", "sub",
                                   "link_dir", "link_file", "dangling"}));
  EXPECT_EQ(list->size(), 8u);

  const DirEntry* a = Find(*list, u"a.txt");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->info.size, 3u);
  EXPECT_FALSE(a->info.is_directory);
  EXPECT_EQ(a->info.last_write_time, kSomeTime);
  EXPECT_EQ(a->info.attributes, 0u);
  ASSERT_NE(Find(*list, u"\x3042.txt"), nullptr);
  const DirEntry* bad = Find(*list, Utf8ToUtf16(bad_name));
  ASSERT_NE(bad, nullptr);
  EXPECT_EQ(bad->name, u"bad\xDCFF\xDCC0\xDC80name");
  EXPECT_EQ(Find(*list, u".hidden")->info.attributes, attr::kHidden);

  const DirEntry* sub = Find(*list, u"sub");
  EXPECT_TRUE(sub->info.is_directory);
  EXPECT_FALSE(sub->info.is_symlink);
  EXPECT_EQ(sub->info.attributes, attr::kDirectory);
  const struct {
    std::u16string name;
    bool is_directory;
  } links[] = {{u"link_dir", true}, {u"link_file", false}, {u"dangling", false}};
  for (const auto& l : links) {
    const DirEntry* e = Find(*list, l.name);
    ASSERT_NE(e, nullptr) << Utf16ToUtf8(l.name);
    EXPECT_TRUE(e->info.is_symlink) << Utf16ToUtf8(l.name);
    EXPECT_EQ(e->info.is_directory, l.is_directory) << Utf16ToUtf8(l.name);
  }

  // Through a link to a folder, and the failures.
  auto through = fs.List(dir.Path(u"link_dir"));
  ASSERT_TRUE(through);
  EXPECT_TRUE(through->empty());
  EXPECT_EQ(fs.List(dir.Path(u"missing")).error().code, ErrorCode::kNotFound);
  EXPECT_EQ(fs.List(dir.Path(u"a.txt")).error().code, ErrorCode::kNotFound);
}

TEST(PosixFileSystemTest, ShorterListingsTellTheSameKindsAndLeaveOutOnlyWhatTheyPromise) {
  ScopedTempDir dir;
  WriteRaw(dir.NativePath("a.txt"), "abc");
  WriteRaw(dir.NativePath(".hidden"), "");
  ASSERT_EQ(::mkdir(dir.NativePath("sub").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("sub", dir.NativePath("link_dir").c_str()), 0);
  PosixFileSystem fs;
  auto full = fs.List(dir.path(), ListDetail::kFull);
  ASSERT_TRUE(full);
  for (ListDetail detail : {ListDetail::kNoAttributes, ListDetail::kNamesOnly}) {
    auto list = fs.List(dir.path(), detail);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), full->size());
    for (const DirEntry& e : *list) {
      const DirEntry* f = Find(*full, e.name);
      ASSERT_NE(f, nullptr) << Utf16ToUtf8(e.name);
      EXPECT_EQ(e.info.is_directory, f->info.is_directory) << Utf16ToUtf8(e.name);
      EXPECT_EQ(e.info.is_symlink, f->info.is_symlink) << Utf16ToUtf8(e.name);
      EXPECT_EQ(e.info.attributes & (attr::kDirectory | attr::kHidden),
                f->info.attributes & (attr::kDirectory | attr::kHidden))
          << Utf16ToUtf8(e.name);
    }
  }
  auto with_sizes = fs.List(dir.path(), ListDetail::kNoAttributes);
  EXPECT_EQ(Find(*with_sizes, u"a.txt")->info.size, 3u);
}

TEST(PosixFileSystemTest, StatLooksAtTheEntryItself) {
  ScopedTempDir dir;
  WriteRaw(dir.NativePath("f"), "12345");
  ASSERT_EQ(::mkdir(dir.NativePath("d").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("d", dir.NativePath("ld").c_str()), 0);
  ASSERT_EQ(::chmod(dir.NativePath("f").c_str(), 0444), 0);
  struct timespec times[2] = {{0, UTIME_OMIT}, {981173106, 789123400}};
  ASSERT_EQ(::utimensat(AT_FDCWD, dir.NativePath("f").c_str(), times, 0), 0);

  PosixFileSystem fs;
  auto f = fs.Stat(dir.Path(u"f"));
  ASSERT_TRUE(f);
  EXPECT_EQ(f->size, 5u);
  EXPECT_EQ(f->attributes, attr::kReadOnly);  // no write bit
  EXPECT_EQ(f->last_write_time, kSomeTime);
  struct statx stx;
  ASSERT_EQ(::statx(AT_FDCWD, dir.NativePath("f").c_str(), 0, STATX_BTIME, &stx), 0);
  if (stx.stx_mask & STATX_BTIME) {
    EXPECT_EQ(f->creation_time, FileTimeFromUnix(stx.stx_btime.tv_sec, stx.stx_btime.tv_nsec));
    EXPECT_GT(f->creation_time, f->last_write_time);  // born now, written "in 2001"
  } else {
    EXPECT_EQ(f->creation_time, f->last_write_time);
  }
  auto d = fs.Stat(dir.Path(u"d"));
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->is_directory);
  EXPECT_EQ(d->attributes, attr::kDirectory);
  auto ld = fs.Stat(dir.Path(u"ld"));
  ASSERT_TRUE(ld);
  EXPECT_TRUE(ld->is_symlink);
  EXPECT_TRUE(ld->is_directory);
  EXPECT_EQ(*fs.ReadLink(dir.Path(u"ld")), u"d");
  EXPECT_EQ(fs.ReadLink(dir.Path(u"f")).error().code, ErrorCode::kInvalidArgument);
  EXPECT_EQ(fs.Stat(dir.Path(u"none")).error().code, ErrorCode::kNotFound);
  EXPECT_EQ(fs.KindOf(dir.path()), FileSystemKind::kOther);
  EXPECT_EQ(fs.ShortName(dir.Path(u"f")).error().code, ErrorCode::kNotSupported);
}

// Each way of renaming (renameat2, link + unlink, O_EXCL placeholder, mkdir
// placeholder) must keep the same promises.
class RenameTest : public ::testing::TestWithParam<PosixFileSystemOptions> {
 protected:
  void SetUp() override {
    WriteRaw(dir_.NativePath("a"), "AAA");
    WriteRaw(dir_.NativePath("b"), "BBB");
    ASSERT_EQ(::mkdir(dir_.NativePath("empty").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir_.NativePath("full").c_str(), 0755), 0);
    WriteRaw(dir_.NativePath("full/inner"), "III");
    ASSERT_EQ(::symlink("a", dir_.NativePath("link").c_str()), 0);
  }
  // Every entry of the folder except those named, with nothing left over.
  void ExpectFolderHolds(const std::set<std::string>& names) {
    EXPECT_EQ(RawNames(dir_.native()), names);
  }

  ScopedTempDir dir_;
  PosixFileSystem fs_{GetParam()};
};

TEST_P(RenameTest, NeverReplacesAnything) {
  const struct {
    const char* from;
    const char* to;
  } refused[] = {{"a", "b"}, {"a", "empty"}, {"full", "empty"}, {"empty", "full"},
                 {"link", "b"}, {"b", "link"}};
  for (const auto& r : refused) {
    auto s = fs_.RenameNoReplace(dir_.Path(Utf8ToUtf16(r.from)), dir_.Path(Utf8ToUtf16(r.to)));
    ASSERT_FALSE(s) << r.from << " -> " << r.to;
    EXPECT_EQ(s.error().code, ErrorCode::kExists) << r.from << " -> " << r.to;
  }
  EXPECT_EQ(ReadRaw(dir_.NativePath("a")), "AAA");
  EXPECT_EQ(ReadRaw(dir_.NativePath("b")), "BBB");
  EXPECT_EQ(ReadRaw(dir_.NativePath("full/inner")), "III");
  EXPECT_TRUE(RawNames(dir_.NativePath("empty")).empty());
  ExpectFolderHolds({"a", "b", "empty", "full", "link"});
}

TEST_P(RenameTest, MovesFilesFoldersAndLinks) {
  ASSERT_TRUE(fs_.RenameNoReplace(dir_.Path(u"a"), dir_.Path(u"a2")));
  EXPECT_EQ(ReadRaw(dir_.NativePath("a2")), "AAA");
  ASSERT_TRUE(fs_.RenameNoReplace(dir_.Path(u"full"), dir_.Path(u"full2")));
  EXPECT_EQ(ReadRaw(dir_.NativePath("full2/inner")), "III");
  ASSERT_TRUE(fs_.RenameNoReplace(dir_.Path(u"link"), dir_.Path(u"link2")));
  struct stat st;
  ASSERT_EQ(::lstat(dir_.NativePath("link2").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  // Into another folder, and a name that is not valid UTF-8.
  const std::u16string odd = u"x\xDCFF\xDCFE";
  ASSERT_TRUE(fs_.RenameNoReplace(dir_.Path(u"b"), dir_.Path(u"empty/") + odd));
  EXPECT_EQ(ReadRaw(dir_.NativePath("empty/x\xFF\xFE")), "BBB");
  ExpectFolderHolds({"a2", "full2", "link2", "empty"});
}

TEST_P(RenameTest, FailuresLeaveNoPlaceholder) {
  EXPECT_EQ(fs_.RenameNoReplace(dir_.Path(u"none"), dir_.Path(u"new")).error().code,
            ErrorCode::kNotFound);
  EXPECT_EQ(fs_.RenameNoReplace(dir_.Path(u"a"), dir_.Path(u"nofolder/a")).error().code,
            ErrorCode::kNotFound);
  // A folder into itself fails after the placeholder is made, on every path.
  EXPECT_FALSE(fs_.RenameNoReplace(dir_.Path(u"full"), dir_.Path(u"full/sub")));
  EXPECT_EQ(RawNames(dir_.NativePath("full")), std::set<std::string>{"inner"});
  ExpectFolderHolds({"a", "b", "empty", "full", "link"});
}

TEST_P(RenameTest, SamePathAndCaseOnly) {
  ASSERT_TRUE(fs_.RenameNoReplace(dir_.Path(u"a"), dir_.Path(u"a")));
  // Equal paths succeed without looking, even for nothing.
  ASSERT_TRUE(fs_.RenameNoReplace(dir_.Path(u"none"), dir_.Path(u"none")));
  ASSERT_TRUE(fs_.RenameNoReplace(dir_.Path(u"a"), dir_.Path(u"A")));
  EXPECT_EQ(ReadRaw(dir_.NativePath("A")), "AAA");
  ExpectFolderHolds({"A", "b", "empty", "full", "link"});
}

TEST_P(RenameTest, TargetNameOfTheSameFileGoesThroughATemporaryNameAndBack) {
  // Two names of one file stand in for the two spellings a case-insensitive
  // mount gives one name: the two-step path runs, its second step finds the
  // target taken, and the name is put back.
  ASSERT_EQ(::link(dir_.NativePath("a").c_str(), dir_.NativePath("A").c_str()), 0);
  auto s = fs_.RenameNoReplace(dir_.Path(u"a"), dir_.Path(u"A"));
  ASSERT_FALSE(s);
  EXPECT_EQ(s.error().code, ErrorCode::kExists);
  ExpectFolderHolds({"a", "A", "b", "empty", "full", "link"});
  // An occupied first temporary name is skipped.
  WriteRaw(Utf16ToUtf8(TempNameFor(dir_.Path(u"a"), dir_.Path(u"A"), 0)), "T");
  EXPECT_EQ(fs_.RenameNoReplace(dir_.Path(u"a"), dir_.Path(u"A")).error().code,
            ErrorCode::kExists);
  EXPECT_EQ(RawNames(dir_.native()).size(), 7u);
  EXPECT_EQ(ReadRaw(dir_.NativePath("a")), "AAA");
}

INSTANTIATE_TEST_SUITE_P(AllPaths, RenameTest,
                         ::testing::Values(PosixFileSystemOptions{false, false},
                                           PosixFileSystemOptions{true, false},
                                           PosixFileSystemOptions{true, true}),
                         [](const auto& info) {
                           if (!info.param.no_rename_noreplace) return std::string("Renameat2");
                           return std::string(info.param.no_hard_links ? "Placeholder"
                                                                       : "LinkUnlink");
                         });

TEST(PosixFileSystemTest, WriteFileAtomicReplacesWholeAndKeepsTheMode) {
  ScopedTempDir dir;
  PosixFileSystem fs;
  ASSERT_TRUE(fs.WriteFileAtomic(dir.Path(u"s.ini"), "one"));
  EXPECT_EQ(ReadRaw(dir.NativePath("s.ini")), "one");
  ASSERT_EQ(::chmod(dir.NativePath("s.ini").c_str(), 0640), 0);
  std::string big(300000, 'z');
  ASSERT_TRUE(fs.WriteFileAtomic(dir.Path(u"s.ini"), big));
  EXPECT_EQ(ReadRaw(dir.NativePath("s.ini")), big);
  struct stat st;
  ASSERT_EQ(::stat(dir.NativePath("s.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // Through a link: the file it names is replaced, the link stays.
  ASSERT_EQ(::symlink("s.ini", dir.NativePath("l.ini").c_str()), 0);
  ASSERT_TRUE(fs.WriteFileAtomic(dir.Path(u"l.ini"), "two"));
  EXPECT_EQ(ReadRaw(dir.NativePath("s.ini")), "two");
  ASSERT_EQ(::lstat(dir.NativePath("l.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(fs.WriteFileAtomic(dir.Path(u"no/s.ini"), "x").error().code, ErrorCode::kNotFound);
  ASSERT_EQ(::mkdir(dir.NativePath("d").c_str(), 0755), 0);
  EXPECT_FALSE(fs.WriteFileAtomic(dir.Path(u"d"), "x"));
  EXPECT_EQ(RawNames(dir.native()), (std::set<std::string>{"s.ini", "l.ini", "d"}));
}

TEST(PosixFileSystemTest, ReadsRangesAndWholeFiles) {
  ScopedTempDir dir;
  WriteRaw(dir.NativePath("f"), "0123456789");
  PosixFileSystem fs;
  const struct {
    std::uint64_t offset;
    std::size_t max;
    std::string want;
  } cases[] = {{0, 4, "0123"}, {8, 4, "89"}, {10, 4, ""}, {99, 4, ""}, {3, 0, ""},
               {0, 100, "0123456789"}};
  for (const auto& c : cases) {
    auto r = fs.ReadRange(dir.Path(u"f"), c.offset, c.max);
    ASSERT_TRUE(r) << c.offset << "/" << c.max;
    EXPECT_EQ(*r, c.want) << c.offset << "/" << c.max;
  }
  EXPECT_EQ(*fs.ReadFile(dir.Path(u"f")), "0123456789");
  EXPECT_EQ(fs.ReadFile(dir.Path(u"none")).error().code, ErrorCode::kNotFound);
  EXPECT_EQ(fs.ReadFile(dir.path()).error().code, ErrorCode::kInvalidArgument);
}

TEST(PosixFileSystemTest, RemoveFileAndCreateFolders) {
  ScopedTempDir dir;
  PosixFileSystem fs;
  ASSERT_TRUE(fs.CreateFolders(dir.Path(u"p/q/r/"), 0700));
  struct stat st;
  ASSERT_EQ(::stat(dir.NativePath("p/q/r").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_TRUE(fs.CreateFolders(dir.Path(u"p/q"), 0700));  // already there
  WriteRaw(dir.NativePath("p/file"), "");
  EXPECT_EQ(fs.CreateFolders(dir.Path(u"p/file/x"), 0700).error().code, ErrorCode::kExists);
  EXPECT_EQ(fs.RemoveFile(dir.Path(u"p/q")).error().code, ErrorCode::kInvalidArgument);
  EXPECT_TRUE(ExistsRaw(dir.NativePath("p/q")));
  ASSERT_TRUE(fs.RemoveFile(dir.Path(u"p/file")));
  EXPECT_FALSE(ExistsRaw(dir.NativePath("p/file")));
  EXPECT_EQ(fs.RemoveFile(dir.Path(u"p/file")).error().code, ErrorCode::kNotFound);
}

TEST(PosixFileSystemTest, AppendFileAppendsCutsBackAndLocks) {
  ScopedTempDir dir;
  PosixFileSystem fs;
  const std::u16string log = dir.Path(u"rename0.log");
  {
    auto file = fs.OpenAppend(log, true);
    ASSERT_TRUE(file);
    EXPECT_TRUE(fs.IsLocked(log));
    auto second = fs.OpenAppend(log, true);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().code, ErrorCode::kBusy);
    ASSERT_TRUE((*file)->Append("first\r\n"));
    ASSERT_TRUE((*file)->Append("second\r\n"));
    EXPECT_EQ((*file)->Size(), 15u);
    ASSERT_TRUE((*file)->Truncate(7));
    ASSERT_TRUE((*file)->Append("third\r\n"));
    ASSERT_TRUE((*file)->Sync());
    // An unlocked opening appends too and does not count as a lock.
    auto plain = fs.OpenAppend(log, false);
    ASSERT_TRUE(plain);
    ASSERT_TRUE((*plain)->Append("x"));
  }
  EXPECT_EQ(ReadRaw(Utf16ToUtf8(log)), "first\r\nthird\r\nx");
  EXPECT_FALSE(fs.IsLocked(log));
  {
    auto plain = fs.OpenAppend(log, false);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(fs.IsLocked(log));
  }
  EXPECT_FALSE(fs.IsLocked(dir.Path(u"none.log")));
  EXPECT_EQ(fs.OpenAppend(dir.Path(u"no/x.log"), true).error().code, ErrorCode::kNotFound);
}

TEST(PosixFileSystemTest, LockHeldByAnotherProcessIsSeen) {
  ScopedTempDir dir;
  const std::string log = dir.NativePath("rename0.log");
  WriteRaw(log, "");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int fd = ::open(log.c_str(), O_RDWR);
    char ok = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? '1' : '0';
    (void)!::write(ready[1], &ok, 1);
    ::pause();
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  PosixFileSystem fs;
  EXPECT_EQ(ok, '1');
  EXPECT_TRUE(fs.IsLocked(Utf8ToUtf16(log)));
  EXPECT_EQ(fs.OpenAppend(Utf8ToUtf16(log), true).error().code, ErrorCode::kBusy);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_FALSE(fs.IsLocked(Utf8ToUtf16(log)));
}

TEST(PosixFileSystemTest, LastWriteTimesRoundTripAndCreationTimesAreRefusedHere) {
  ScopedTempDir dir;
  WriteRaw(dir.NativePath("f"), "x");
  PosixFileSystem fs;
  const std::u16string f = dir.Path(u"f");
  const FileTime times[] = {
      kSomeTime,
      FileTimeFromUnix(0, 0),                      // 1970 exactly
      FileTimeFromUnix(-315619200, 123456700),     // 1960, before the Unix epoch
      FileTimeFromUnix(2208988800LL, 999999900),   // 2040, after 2038
  };
  for (FileTime t : times) {
    ASSERT_TRUE(fs.SetTimes(f, std::nullopt, t)) << t;
    EXPECT_EQ(fs.Stat(f)->last_write_time, t) << t;
  }
  FileInfo before = *fs.Stat(f);
  auto refused = fs.SetTimes(f, kSomeTime, kSomeTime + 10'000'000);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().code, ErrorCode::kNotSupported);
  FileInfo after = *fs.Stat(f);
  EXPECT_EQ(after.last_write_time, before.last_write_time);  // all or nothing
  EXPECT_EQ(after.creation_time, before.creation_time);
  ASSERT_TRUE(fs.SetTimes(f, std::nullopt, std::nullopt));
  EXPECT_EQ(fs.SetTimes(dir.Path(u"none"), std::nullopt, kSomeTime).error().code,
            ErrorCode::kNotFound);

  // A link gets its own time; its target keeps its time.
  ASSERT_EQ(::symlink("f", dir.NativePath("l").c_str()), 0);
  ASSERT_TRUE(fs.SetTimes(dir.Path(u"l"), std::nullopt, kSomeTime + 1));
  EXPECT_EQ(fs.Stat(dir.Path(u"l"))->last_write_time, kSomeTime + 1);
  EXPECT_EQ(fs.Stat(f)->last_write_time, after.last_write_time);
}

TEST(PosixFileSystemTest, FileTimeConversionIsExactBothWays) {
  const FileTime cases[] = {0, 1, 116444736000000000LL, 116444735999999999LL, kSomeTime,
                            -1};
  for (FileTime t : cases) {
    std::int64_t s;
    long ns;
    UnixFromFileTime(t, &s, &ns);
    EXPECT_GE(ns, 0) << t;
    EXPECT_LT(ns, 1'000'000'000) << t;
    EXPECT_EQ(FileTimeFromUnix(s, static_cast<std::uint32_t>(ns)), t) << t;
  }
  EXPECT_EQ(FileTimeFromUnix(0, 0), 116444736000000000LL);
  EXPECT_EQ(FileTimeFromUnix(-1, 999999999), 116444735999999999LL);
}

class AttributesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SupportsUserXattrs(dir_.native())) {
      GTEST_SKIP() << "the temporary folder's file system keeps no user extended attributes";
    }
    WriteRaw(dir_.NativePath("f"), "x");
    ASSERT_EQ(::mkdir(dir_.NativePath("d").c_str(), 0755), 0);
  }
  std::uint32_t AttributesOf(const char* name) {
    auto info = fs_.Stat(dir_.Path(Utf8ToUtf16(name)));
    return info ? info->attributes : 0xDEAD;
  }

  ScopedTempDir dir_;
  PosixFileSystem fs_;
};

TEST_F(AttributesTest, StoresSambaWordAndPermissionBits) {
  const struct {
    const char* name;
    std::uint32_t set;
    std::string stored;  // user.DOSATTRIB afterwards
    mode_t mode;
  } steps[] = {
      {"f", attr::kHidden, std::string("0x2\0", 4), 0644},
      {"f", attr::kReadOnly | attr::kArchive, std::string("0x21\0", 5), 0444},
      {"f", attr::kSystem, std::string("0x4\0", 4), 0644},
      {"f", 0, std::string("0x0\0", 4), 0644},
      {"d", attr::kHidden | attr::kSystem, std::string("0x16\0", 5), 0755},
      {"d", attr::kReadOnly, std::string("0x11\0", 5), 0555},
      {"d", 0, std::string("0x10\0", 5), 0755},
  };
  for (const auto& s : steps) {
    ASSERT_TRUE(fs_.SetAttributes(dir_.Path(Utf8ToUtf16(s.name)), s.set)) << s.name << s.set;
    EXPECT_EQ(DosAttribOf(dir_.NativePath(s.name)), s.stored) << s.name << s.set;
    struct stat st;
    ASSERT_EQ(::stat(dir_.NativePath(s.name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, s.mode) << s.name << s.set;
    std::uint32_t dir_bit = s.name[0] == 'd' ? attr::kDirectory : 0;
    EXPECT_EQ(AttributesOf(s.name), s.set | dir_bit) << s.name << s.set;
  }
  ASSERT_TRUE(fs_.SetAttributes(dir_.Path(u"f"), attr::kHidden | attr::kArchive));
  auto list = fs_.List(dir_.path());
  ASSERT_TRUE(list);
  EXPECT_EQ(Find(*list, u"f")->info.attributes, attr::kHidden | attr::kArchive);
  EXPECT_EQ(Find(*list, u"d")->info.attributes, attr::kDirectory);
}

TEST_F(AttributesTest, ReadOnlyAloneNeedsNoStoredWord) {
  ASSERT_TRUE(fs_.SetAttributes(dir_.Path(u"f"), attr::kReadOnly));
  EXPECT_EQ(DosAttribOf(dir_.NativePath("f")), "<none>");
  EXPECT_EQ(AttributesOf("f"), attr::kReadOnly);
  ASSERT_TRUE(fs_.SetAttributes(dir_.Path(u"f"), 0));
  EXPECT_EQ(DosAttribOf(dir_.NativePath("f")), "<none>");
  struct stat st;
  ASSERT_EQ(::stat(dir_.NativePath("f").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);  // the owner's write bit is back
}

TEST_F(AttributesTest, KeepsSambaBinaryRecordAndReadsItsWord) {
  // Version 5 record: empty hex string, version 5, level 5, valid_flags
  // 0x11, attrib 0x20 (archive), creation time.
  const char record[] = {0x00, 0x00, 0x05, 0x00, 0x05, 0x00, 0x00, 0x00,
                         0x11, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00,
                         0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
  const std::string path = dir_.NativePath("f");
  ASSERT_EQ(::setxattr(path.c_str(), "user.DOSATTRIB", record, sizeof record, 0), 0);
  EXPECT_EQ(AttributesOf("f"), attr::kArchive);
  ASSERT_TRUE(fs_.SetAttributes(dir_.Path(u"f"), attr::kHidden | attr::kSystem));
  std::string expected(record, sizeof record);
  expected[12] = 0x06;
  EXPECT_EQ(DosAttribOf(path), expected);
  EXPECT_EQ(AttributesOf("f"), attr::kHidden | attr::kSystem);
}

TEST_F(AttributesTest, EntriesThatCannotStoreAWordRefuseHiddenButNotTheRest) {
  // Links keep no user attributes: changing hidden fails and changes
  // nothing, while a request that leaves them clear succeeds.
  ASSERT_EQ(::symlink("f", dir_.NativePath("l").c_str()), 0);
  auto s = fs_.SetAttributes(dir_.Path(u"l"), attr::kHidden);
  ASSERT_FALSE(s);
  EXPECT_EQ(s.error().code, ErrorCode::kNotSupported);
  EXPECT_TRUE(fs_.SetAttributes(dir_.Path(u"l"), 0));
  EXPECT_EQ(AttributesOf("f"), 0u);  // the target is untouched
  EXPECT_EQ(DosAttribOf(dir_.NativePath("f")), "<none>");
}

TEST_F(AttributesTest, DotNamesListAsHiddenButStatDoesNot) {
  WriteRaw(dir_.NativePath(".dot"), "");
  auto list = fs_.List(dir_.path());
  ASSERT_TRUE(list);
  EXPECT_EQ(Find(*list, u".dot")->info.attributes, attr::kHidden);
  EXPECT_EQ(AttributesOf(".dot"), 0u);
}

}  // namespace
}  // namespace tessivo
