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

#include <cerrno>
#include <cstring>
#include <optional>
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

// The permission bits of `path` (following links); -1 if it is missing.
int ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

bool IsLinkRaw(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// The error a call failed with; nullopt if it succeeded.
template <typename R>
std::optional<ErrorCode> Failure(const R& r) {
  if (r) return std::nullopt;
  return r.error().code;
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

// Gives `path` the last write time kSomeTime.
void SetSomeTime(const std::string& path) {
  struct timespec times[2] = {{0, UTIME_OMIT}, {981173106, 789123400}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
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
  SetSomeTime(dir.NativePath("a.txt"));

  PosixFileSystem fs;
  auto list = fs.List(dir.path());
  ASSERT_TRUE(list) << Utf16ToUtf8(list.error().detail);
  EXPECT_EQ(RawNames(dir.native()),
            (std::set<std::string>{"a.txt", bad_name, "\xE3\x81\x82.txt", ".hidden", "sub",
                                   "link_dir", "link_file", "dangling"}));
  const DirEntry* a = Find(*list, u"a.txt");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->info.size, 3u);
  EXPECT_FALSE(a->info.is_directory);
  EXPECT_EQ(a->info.last_write_time, kSomeTime);
  EXPECT_EQ(a->info.attributes, 0u);
  ASSERT_NE(Find(*list, u"bad\xDCFF\xDCC0\xDC80name"), nullptr);
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
  EXPECT_EQ(Failure(fs.List(dir.Path(u"missing"))), ErrorCode::kNotFound);
  EXPECT_EQ(Failure(fs.List(dir.Path(u"a.txt"))), ErrorCode::kNotFound);
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
      SCOPED_TRACE(Utf16ToUtf8(e.name));
      EXPECT_EQ(e.info.is_directory, f->info.is_directory);
      EXPECT_EQ(e.info.is_symlink, f->info.is_symlink);
      EXPECT_EQ(e.info.attributes & (attr::kDirectory | attr::kHidden),
                f->info.attributes & (attr::kDirectory | attr::kHidden));
      if (detail == ListDetail::kNoAttributes) {
        EXPECT_EQ(e.info.size, f->info.size);
      }
    }
  }
}

TEST(PosixFileSystemTest, StatLooksAtTheEntryItself) {
  ScopedTempDir dir;
  WriteRaw(dir.NativePath("f"), "12345");
  ASSERT_EQ(::mkdir(dir.NativePath("d").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("d", dir.NativePath("ld").c_str()), 0);
  ASSERT_EQ(::chmod(dir.NativePath("f").c_str(), 0444), 0);
  SetSomeTime(dir.NativePath("f"));

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
  EXPECT_EQ(Failure(fs.ReadLink(dir.Path(u"f"))), ErrorCode::kInvalidArgument);
  EXPECT_EQ(Failure(fs.Stat(dir.Path(u"none"))), ErrorCode::kNotFound);
  EXPECT_EQ(fs.KindOf(dir.path()), FileSystemKind::kOther);
  EXPECT_EQ(Failure(fs.ShortName(dir.Path(u"f"))), ErrorCode::kNotSupported);
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
  Status Rename(const std::u16string& from, const std::u16string& to) {
    return fs_.RenameNoReplace(dir_.Path(from), dir_.Path(to));
  }
  // Every entry of the folder, with nothing left over.
  void ExpectFolderHolds(const std::set<std::string>& names) {
    EXPECT_EQ(RawNames(dir_.native()), names);
  }

  ScopedTempDir dir_;
  PosixFileSystem fs_{GetParam()};
};

TEST_P(RenameTest, NeverReplacesAnything) {
  const struct {
    const char16_t* from;
    const char16_t* to;
  } refused[] = {{u"a", u"b"}, {u"a", u"empty"}, {u"full", u"empty"}, {u"empty", u"full"},
                 {u"link", u"b"}, {u"b", u"link"}};
  for (const auto& r : refused) {
    EXPECT_EQ(Failure(Rename(r.from, r.to)), ErrorCode::kExists)
        << Utf16ToUtf8(r.from) << " -> " << Utf16ToUtf8(r.to);
  }
  EXPECT_EQ(ReadRaw(dir_.NativePath("a")), "AAA");
  EXPECT_EQ(ReadRaw(dir_.NativePath("b")), "BBB");
  EXPECT_EQ(ReadRaw(dir_.NativePath("full/inner")), "III");
  EXPECT_TRUE(RawNames(dir_.NativePath("empty")).empty());
  ExpectFolderHolds({"a", "b", "empty", "full", "link"});
}

TEST_P(RenameTest, MovesFilesFoldersAndLinks) {
  ASSERT_TRUE(Rename(u"a", u"a2"));
  EXPECT_EQ(ReadRaw(dir_.NativePath("a2")), "AAA");
  ASSERT_TRUE(Rename(u"full", u"full2"));
  EXPECT_EQ(ReadRaw(dir_.NativePath("full2/inner")), "III");
  ASSERT_TRUE(Rename(u"link", u"link2"));
  EXPECT_TRUE(IsLinkRaw(dir_.NativePath("link2")));
  // Into another folder, and a name that is not valid UTF-8.
  ASSERT_TRUE(Rename(u"b", u"empty/x\xDCFF\xDCFE"));
  EXPECT_EQ(ReadRaw(dir_.NativePath("empty/x\xFF\xFE")), "BBB");
  ExpectFolderHolds({"a2", "full2", "link2", "empty"});
}

TEST_P(RenameTest, FailuresLeaveNoPlaceholder) {
  EXPECT_EQ(Failure(Rename(u"none", u"new")), ErrorCode::kNotFound);
  EXPECT_EQ(Failure(Rename(u"a", u"nofolder/a")), ErrorCode::kNotFound);
  // A folder into itself fails after the placeholder is made, on every path.
  EXPECT_FALSE(Rename(u"full", u"full/sub"));
  EXPECT_EQ(RawNames(dir_.NativePath("full")), std::set<std::string>{"inner"});
  ExpectFolderHolds({"a", "b", "empty", "full", "link"});
}

TEST_P(RenameTest, SamePathAndCaseOnly) {
  ASSERT_TRUE(Rename(u"a", u"a"));
  ASSERT_TRUE(Rename(u"none", u"none"));  // equal paths succeed without looking
  ASSERT_TRUE(Rename(u"a", u"A"));
  EXPECT_EQ(ReadRaw(dir_.NativePath("A")), "AAA");
  ExpectFolderHolds({"A", "b", "empty", "full", "link"});
}

TEST_P(RenameTest, TargetNameOfTheSameFileGoesThroughATemporaryNameAndBack) {
  // Two names of one file stand in for the two spellings a case-insensitive
  // mount gives one name: the two-step path runs, its second step finds the
  // target taken, and the name is put back.
  ASSERT_EQ(::link(dir_.NativePath("a").c_str(), dir_.NativePath("A").c_str()), 0);
  EXPECT_EQ(Failure(Rename(u"a", u"A")), ErrorCode::kExists);
  ExpectFolderHolds({"a", "A", "b", "empty", "full", "link"});
  // An occupied first temporary name is skipped.
  WriteRaw(Utf16ToUtf8(TempNameFor(dir_.Path(u"a"), dir_.Path(u"A"), 0)), "T");
  EXPECT_EQ(Failure(Rename(u"a", u"A")), ErrorCode::kExists);
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
  EXPECT_EQ(ModeOf(dir.NativePath("s.ini")), 0640);
  // Through a link: the file it names is replaced, the link stays.
  ASSERT_EQ(::symlink("s.ini", dir.NativePath("l.ini").c_str()), 0);
  ASSERT_TRUE(fs.WriteFileAtomic(dir.Path(u"l.ini"), "two"));
  EXPECT_EQ(ReadRaw(dir.NativePath("s.ini")), "two");
  EXPECT_TRUE(IsLinkRaw(dir.NativePath("l.ini")));
  EXPECT_EQ(Failure(fs.WriteFileAtomic(dir.Path(u"no/s.ini"), "x")), ErrorCode::kNotFound);
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
  EXPECT_EQ(Failure(fs.ReadFile(dir.Path(u"none"))), ErrorCode::kNotFound);
  EXPECT_EQ(Failure(fs.ReadFile(dir.path())), ErrorCode::kInvalidArgument);
}

TEST(PosixFileSystemTest, RemoveFileAndCreateFolders) {
  ScopedTempDir dir;
  PosixFileSystem fs;
  ASSERT_TRUE(fs.CreateFolders(dir.Path(u"p/q/r/"), 0700));
  EXPECT_EQ(ModeOf(dir.NativePath("p/q/r")), 0700);
  ASSERT_TRUE(fs.CreateFolders(dir.Path(u"p/q"), 0700));  // already there
  WriteRaw(dir.NativePath("p/file"), "");
  EXPECT_EQ(Failure(fs.CreateFolders(dir.Path(u"p/file/x"), 0700)), ErrorCode::kExists);
  EXPECT_EQ(Failure(fs.RemoveFile(dir.Path(u"p/q"))), ErrorCode::kInvalidArgument);
  EXPECT_NE(ModeOf(dir.NativePath("p/q")), -1);
  ASSERT_TRUE(fs.RemoveFile(dir.Path(u"p/file")));
  EXPECT_EQ(Failure(fs.RemoveFile(dir.Path(u"p/file"))), ErrorCode::kNotFound);
}

TEST(PosixFileSystemTest, AppendFileAppendsCutsBackAndLocks) {
  ScopedTempDir dir;
  PosixFileSystem fs;
  const std::u16string log = dir.Path(u"rename0.log");
  {
    auto file = fs.OpenAppend(log, true);
    ASSERT_TRUE(file);
    EXPECT_TRUE(fs.IsLocked(log));
    EXPECT_EQ(Failure(fs.OpenAppend(log, true)), ErrorCode::kBusy);
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
  EXPECT_EQ(Failure(fs.OpenAppend(dir.Path(u"no/x.log"), true)), ErrorCode::kNotFound);
}

// A process killed while appending leaves every line it appended, then
// nothing but zero bytes, fewer than the file's growth step: what the log
// repair cuts off as a torn tail.
TEST(PosixFileSystemTest, AppendsSurviveAKill) {
  ScopedTempDir dir;
  const std::u16string log = dir.Path(u"rename0.log");
  std::string lines;
  for (int i = 0; i < 1500; ++i) lines += "\"/d/file_" + std::to_string(i) + "\",\"/d/x\"\r\n";
  ASSERT_GT(lines.size(), 32u * 1024);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    PosixFileSystem fs;
    auto file = fs.OpenAppend(log, true);
    bool ok = file.has_value();
    for (std::size_t at = 0; ok && at < lines.size(); at = lines.find('\n', at) + 1) {
      ok = bool((*file)->Append(lines.substr(at, lines.find('\n', at) + 1 - at)));
    }
    char c = ok ? '1' : '0';
    (void)!::write(ready[1], &c, 1);
    ::pause();
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  ASSERT_EQ(ok, '1');
  const std::string content = ReadRaw(Utf16ToUtf8(log));
  ASSERT_GE(content.size(), lines.size());
  EXPECT_EQ(content.substr(0, lines.size()), lines);
  EXPECT_LT(content.size() - lines.size(), 32u * 1024);
  EXPECT_EQ(content.find_first_not_of('\0', lines.size()), std::string::npos);
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
  EXPECT_EQ(Failure(fs.SetTimes(f, kSomeTime, kSomeTime + 10'000'000)), ErrorCode::kNotSupported);
  FileInfo after = *fs.Stat(f);
  EXPECT_EQ(after.last_write_time, before.last_write_time);  // all or nothing
  EXPECT_EQ(after.creation_time, before.creation_time);
  ASSERT_TRUE(fs.SetTimes(f, std::nullopt, std::nullopt));
  EXPECT_EQ(Failure(fs.SetTimes(dir.Path(u"none"), std::nullopt, kSomeTime)), ErrorCode::kNotFound);

  // A link gets its own time; its target keeps its time.
  ASSERT_EQ(::symlink("f", dir.NativePath("l").c_str()), 0);
  ASSERT_TRUE(fs.SetTimes(dir.Path(u"l"), std::nullopt, kSomeTime + 1));
  EXPECT_EQ(fs.Stat(dir.Path(u"l"))->last_write_time, kSomeTime + 1);
  EXPECT_EQ(fs.Stat(f)->last_write_time, after.last_write_time);
}

TEST(PosixFileSystemTest, FileTimeConversionIsExactBothWays) {
  for (FileTime t : std::initializer_list<FileTime>{0, 1, 116444736000000000LL,
                                                    116444735999999999LL, kSomeTime, -1}) {
    std::int64_t s;
    long ns;
    UnixFromFileTime(t, &s, &ns);
    EXPECT_TRUE(ns >= 0 && ns < 1'000'000'000) << t << ": " << ns;
    EXPECT_EQ(FileTimeFromUnix(s, static_cast<std::uint32_t>(ns)), t) << t;
  }
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

// Read-only alone lives in the permission bits; anything more is stored as
// Samba's attribute word, which a later clear keeps (as 0).
TEST_F(AttributesTest, StoresSambaWordAndPermissionBits) {
  const std::string none = "<none>";
  const struct {
    const char* name;
    std::uint32_t set;
    std::string stored;  // user.DOSATTRIB afterwards
    int mode;
  } steps[] = {
      {"f", attr::kReadOnly, none, 0444},
      {"f", 0, none, 0644},  // the owner's write bit is back
      {"f", attr::kHidden, std::string("0x2\0", 4), 0644},
      {"f", attr::kReadOnly | attr::kArchive, std::string("0x21\0", 5), 0444},
      {"f", attr::kSystem, std::string("0x4\0", 4), 0644},
      {"f", 0, std::string("0x0\0", 4), 0644},
      {"d", attr::kHidden | attr::kSystem, std::string("0x16\0", 5), 0755},
      {"d", attr::kReadOnly, std::string("0x11\0", 5), 0555},
      {"d", 0, std::string("0x10\0", 5), 0755},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(std::string(s.name) + " " + std::to_string(s.set));
    ASSERT_TRUE(fs_.SetAttributes(dir_.Path(Utf8ToUtf16(s.name)), s.set));
    EXPECT_EQ(DosAttribOf(dir_.NativePath(s.name)), s.stored);
    EXPECT_EQ(ModeOf(dir_.NativePath(s.name)), s.mode);
    EXPECT_EQ(AttributesOf(s.name), s.set | (s.name[0] == 'd' ? attr::kDirectory : 0));
  }
  // A listing reads the word too; a dot name lists as hidden, but Stat does
  // not call it so.
  ASSERT_TRUE(fs_.SetAttributes(dir_.Path(u"f"), attr::kHidden | attr::kArchive));
  WriteRaw(dir_.NativePath(".dot"), "");
  auto list = fs_.List(dir_.path());
  ASSERT_TRUE(list);
  EXPECT_EQ(Find(*list, u"f")->info.attributes, attr::kHidden | attr::kArchive);
  EXPECT_EQ(Find(*list, u"d")->info.attributes, attr::kDirectory);
  EXPECT_EQ(Find(*list, u".dot")->info.attributes, attr::kHidden);
  EXPECT_EQ(AttributesOf(".dot"), 0u);
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
  EXPECT_EQ(Failure(fs_.SetAttributes(dir_.Path(u"l"), attr::kHidden)), ErrorCode::kNotSupported);
  EXPECT_TRUE(fs_.SetAttributes(dir_.Path(u"l"), 0));
  EXPECT_EQ(AttributesOf("f"), 0u);  // the target is untouched
  EXPECT_EQ(DosAttribOf(dir_.NativePath("f")), "<none>");
}

}  // namespace
}  // namespace tessivo
