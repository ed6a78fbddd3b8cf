// PosixFileSystem against the real disk, inside temporary folders, and the
// attribute word it keeps as Samba does, parsed and written.

#include "platform/posix_file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>

#include "platform/dos_attrib.h"
#include "platform/file_name_bytes.h"
#include "support/finishes_within.h"
#include "support/hex.h"
#include "support/scoped_temp_dir.h"

namespace tessivo {
namespace {

using Names = std::set<std::string>;

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// Samba's binary records, each with the offset of its attrib word.
// v5: empty hex string, pad, version, level, pad, valid_flags 0x11, attrib 0x20, creation time.
// v3 behind "0x22" (one pad byte); v1 behind "0x1" with attrib first; v2: flags, then attrib.
const struct { std::string blob; std::size_t attrib_at; } kSamba[] = {
    {B({0, 0, 5, 0, 5, 0, 0, 0, 0x11, 0, 0, 0, 0x20, 0, 0, 0, 0x10, 0x32, 0x54, 0x76, 0x98, 0xBA,
        0xDC, 0x01}), 12},
    {"0x22" + B({0, 0, 3, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0x22, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD}), 16},
    {"0x1" + B({0, 1, 0, 1, 0, 1, 0, 0, 0, 0x99}), 8},
    {B({0, 0, 2, 0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x06, 0, 0, 0}), 12},
};

std::string Nul(const char* s) { return std::string(s) + '\0'; }

TEST(DosAttribTest, ParsesEveryStoredForm) {
  const struct { std::string blob; std::optional<std::uint32_t> word; } cases[] = {
      {Nul("0x20"), 0x20},  {"0x20", 0x20},  {Nul("0X2A"), 0x2A},  {Nul("0xffffffff"), 0xFFFFFFFFu},
      {kSamba[0].blob, 0x20},  {kSamba[1].blob, 0x22},  {kSamba[2].blob, 0x01},
      {kSamba[3].blob, 0x06},
      // near misses
      {"", std::nullopt},  {Nul(""), std::nullopt},  {Nul("0x"), std::nullopt},
      {Nul("0x1g"), std::nullopt},  {Nul("20"), std::nullopt},  {Nul("0x100000000"), std::nullopt},
      // valid_flags without the attrib bit: no word stored
      {B({0, 0, 4, 0, 4, 0, 0, 0, 0x10, 0, 0, 0, 0x22, 0, 0, 0}), std::nullopt},
      // version and level differ, or unknown version: the hex string counts
      {Nul("0x2") + B({3, 0, 4, 0, 0, 0, 0, 0, 0x20, 0, 0, 0}), 0x2},
      {Nul("0x2") + B({9, 0, 9, 0, 0, 0, 0, 0, 0x20, 0, 0, 0}), 0x2},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseDosAttrib(c.blob), c.word) << Hex(c.blob);
}

TEST(DosAttribTest, EncodingChangesOnlyTheWordOfEveryCutOfABinaryForm) {
  for (const auto& c : kSamba) {
    std::string want = c.blob;
    want.replace(c.attrib_at, 4, B({0x12, 0, 0, 0}));
    EXPECT_EQ(Hex(EncodeDosAttrib(c.blob, 0x12)), Hex(want));
    const std::size_t attrib_end = c.attrib_at + 4;  // the record is readable up to here
    for (std::size_t n = 0; n <= c.blob.size(); ++n) {
      std::string cut = c.blob.substr(0, n);
      auto word = ParseDosAttrib(cut);
      if (n >= attrib_end) {
        EXPECT_EQ(word, ParseDosAttrib(c.blob)) << Hex(cut);
      } else if (word) {
        // Only the hex string can be read from a cut record.
        EXPECT_EQ(word, ParseDosAttrib(cut.substr(0, cut.find('\0')))) << Hex(cut);
      }
      std::string encoded = EncodeDosAttrib(cut, 0x23);
      EXPECT_EQ(ParseDosAttrib(encoded), 0x23u) << Hex(cut);
      EXPECT_TRUE(n < attrib_end || encoded.size() == cut.size()) << Hex(cut);
    }
  }
  // A record whose word was marked invalid becomes valid, other flags kept.
  std::string out = EncodeDosAttrib(B({0, 0, 4, 0, 4, 0, 0, 0, 0x50, 0, 0, 0, 0, 0, 0, 0}), 0x2);
  EXPECT_EQ(out.substr(8, 4), B({0x51, 0, 0, 0}));
  EXPECT_EQ(ParseDosAttrib(out), 0x2u);
  // Anything else gets the simple form.
  EXPECT_EQ(EncodeDosAttrib("", 0), Nul("0x0"));
  EXPECT_EQ(EncodeDosAttrib(Nul("0x2"), 0x31), Nul("0x31"));
  EXPECT_EQ(EncodeDosAttrib("garbage", 0xABCDEF12), Nul("0xabcdef12"));
}

// 2001-02-03 04:05:06.7891234 UTC.
constexpr FileTime kSomeTime = 126256467067891234LL;

std::string ReadRaw(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return f ? std::string(std::istreambuf_iterator<char>(f), {}) : "<missing>";
}

// Makes entries in `dir`: "name/" a folder, "name->target" a symbolic link,
// "name=bytes" a file holding the bytes, "name" an empty file.
void Make(const ScopedTempDir& dir, std::initializer_list<std::string> entries) {
  for (const std::string& e : entries) {
    const std::size_t arrow = e.find("->"), eq = e.find('=');
    bool ok;
    if (arrow != std::string::npos) {
      ok = ::symlink(e.substr(arrow + 2).c_str(), dir.NativePath(e.substr(0, arrow)).c_str()) == 0;
    } else if (e.back() == '/') {
      ok = ::mkdir(dir.NativePath(e).c_str(), 0755) == 0;
    } else {
      std::ofstream f(dir.NativePath(e.substr(0, eq)), std::ios::binary);
      ok = static_cast<bool>(f << (eq == e.npos ? "" : e.substr(eq + 1)));
    }
    ASSERT_TRUE(ok) << e << ": " << std::strerror(errno);
  }
}

// The permission bits of `path` (following links), -1 if it is missing.
int ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// The error a call failed with; nullopt if it succeeded.
template <typename R>
std::optional<ErrorCode> Failure(const R& r) {
  return r ? std::nullopt : std::optional(r.error().code);
}

// The names of a folder as bytes; none when it cannot be listed.
Names RawNames(const std::string& folder) {
  Names out;
  auto list = PosixFileSystem().List(Utf8ToUtf16(folder));
  for (const auto& e : list ? *list : std::vector<DirEntry>{}) out.insert(Utf16ToUtf8(e.name));
  return out;
}

const DirEntry* Find(const std::vector<DirEntry>& list, const std::u16string& name) {
  auto it = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.name == name; });
  return it == list.end() ? nullptr : &*it;
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
  Make(dir, {"a.txt=abc", bad_name, "\xE3\x81\x82.txt", ".hidden", "sub/", "link_dir->sub",
             "dangling->gone"});
  SetSomeTime(dir.NativePath("a.txt"));
  PosixFileSystem fs;
  auto list = fs.List(dir.path());
  ASSERT_TRUE(list) << Utf16ToUtf8(list.error().detail);
  EXPECT_EQ(RawNames(dir.native()),
            (Names{"a.txt", bad_name, "\xE3\x81\x82.txt", ".hidden", "sub", "link_dir", "dangling"}));
  EXPECT_EQ(Find(*list, u"a.txt")->info.last_write_time, kSomeTime);
  ASSERT_NE(Find(*list, u"bad\xDCFF\xDCC0\xDC80name"), nullptr);
  // Shorter listings tell the same kinds and leave out only what they promise.
  for (ListDetail detail : {ListDetail::kNoAttributes, ListDetail::kNamesOnly}) {
    auto shorter = fs.List(dir.path(), detail);
    ASSERT_TRUE(shorter);
    ASSERT_EQ(shorter->size(), list->size());
    for (const DirEntry& e : *shorter) {
      const DirEntry* f = Find(*list, e.name);
      ASSERT_NE(f, nullptr) << Utf16ToUtf8(e.name);
      SCOPED_TRACE(Utf16ToUtf8(e.name));
      EXPECT_EQ(e.info.is_directory, f->info.is_directory);
      EXPECT_EQ(e.info.is_symlink, f->info.is_symlink);
      EXPECT_EQ(e.info.attributes & (attr::kDirectory | attr::kHidden),
                f->info.attributes & (attr::kDirectory | attr::kHidden));
      EXPECT_TRUE(detail != ListDetail::kNoAttributes || e.info.size == f->info.size);
    }
  }
}

TEST(PosixFileSystemTest, StatLooksAtTheEntryItself) {
  ScopedTempDir dir;
  const std::string long_target(300, 't');  // longer than the first readlink buffer
  Make(dir, {"f=12345", "d/", "ld->d", "long->" + long_target});
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
  auto ld = fs.Stat(dir.Path(u"ld"));
  EXPECT_TRUE(ld && ld->is_symlink && ld->is_directory);
  EXPECT_EQ(*fs.ReadLink(dir.Path(u"long")), Utf8ToUtf16(long_target));
  EXPECT_EQ(fs.KindOf(dir.path()), FileSystemKind::kOther);
  EXPECT_EQ(Failure(fs.ShortName(dir.Path(u"f"))), ErrorCode::kNotSupported);
}

// Two names of one file stand in for the two spellings a case-insensitive mount gives one
// name: the two-step path runs, its second step finds the target taken, and the name is put
// back. (The other promises of each way of renaming are in file_system_contract_test.)
TEST(PosixFileSystemTest, TargetNameOfTheSameFileGoesThroughATemporaryNameAndBack) {
  for (const PosixFileSystemOptions options :
       {PosixFileSystemOptions{false, false}, PosixFileSystemOptions{true, false},
        PosixFileSystemOptions{true, true}}) {
    ScopedTempDir dir;
    Make(dir, {"a=AAA"});
    ASSERT_EQ(::link(dir.NativePath("a").c_str(), dir.NativePath("A").c_str()), 0);
    PosixFileSystem fs(options);
    EXPECT_EQ(Failure(fs.RenameNoReplace(dir.Path(u"a"), dir.Path(u"A"))), ErrorCode::kExists);
    EXPECT_EQ(RawNames(dir.native()), (Names{"a", "A"}));
    EXPECT_EQ(ReadRaw(dir.NativePath("a")), "AAA");
  }
}

TEST(PosixFileSystemTest, WriteFileAtomicKeepsTheModeAndNewFoldersGetTheirs) {
  ScopedTempDir dir;
  PosixFileSystem fs;
  ASSERT_TRUE(fs.WriteFileAtomic(dir.Path(u"s.ini"), "one"));
  EXPECT_EQ(ReadRaw(dir.NativePath("s.ini")), "one");
  ASSERT_EQ(::chmod(dir.NativePath("s.ini").c_str(), 0640), 0);
  const std::string big(300000, 'z');
  ASSERT_TRUE(fs.WriteFileAtomic(dir.Path(u"s.ini"), big));
  EXPECT_EQ(ReadRaw(dir.NativePath("s.ini")), big);
  EXPECT_EQ(ModeOf(dir.NativePath("s.ini")), 0640);
  // Through a link: the file it names is replaced, the link stays.
  Make(dir, {"l.ini->s.ini", "d/"});
  ASSERT_TRUE(fs.WriteFileAtomic(dir.Path(u"l.ini"), "two"));
  EXPECT_EQ(ReadRaw(dir.NativePath("s.ini")), "two");
  EXPECT_TRUE(fs.Stat(dir.Path(u"l.ini"))->is_symlink);
  EXPECT_FALSE(fs.WriteFileAtomic(dir.Path(u"d"), "x"));
  EXPECT_EQ(RawNames(dir.native()), (Names{"s.ini", "l.ini", "d"}));
  ASSERT_TRUE(fs.CreateFolders(dir.Path(u"p/q/r/"), 0700));
  EXPECT_EQ(ModeOf(dir.NativePath("p/q/r")), 0700);
}

// The program's own files (ReadOwnFile, OpenAppend) are regular files of the user, never
// reached through a link; no read or open waits on a FIFO or reads a device.
TEST(PosixFileSystemTest, OwnFilesAreNeverFollowedAndNothingWaits) {
  ScopedTempDir dir;
  Make(dir, {"file=data", "foreign=data", "link->" + dir.NativePath("file"),
             "device->/dev/zero"});
  ASSERT_EQ(::mkfifo(dir.NativePath("fifo").c_str(), 0600), 0);
  const bool chowned = ::chown(dir.NativePath("foreign").c_str(), 54321, 54321) == 0;
  PosixFileSystem fs;
  // 0 for success, else 1 + the error code.
  auto code = [](const auto& r) { return r ? 0 : 1 + static_cast<int>(r.error().code); };
  const int refused = 1 + static_cast<int>(ErrorCode::kPermission);
  const int not_regular = 1 + static_cast<int>(ErrorCode::kInvalidArgument);
  const struct { const char16_t* name; int read, read_own, append; } cases[] = {
      {u"file", 0, 0, 0},
      {u"link", 0, refused, refused},
      {u"fifo", not_regular, refused, refused},
      {u"device", not_regular, refused, refused},
      {u"foreign", 0, refused, refused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name));
    if (!chowned && std::u16string_view(c.name) == u"foreign") continue;  // not root
    const std::u16string path = dir.Path(c.name);
    EXPECT_EQ(FinishesWithin(10, [&] { return code(fs.ReadRange(path, 0, 4)); }), c.read);
    EXPECT_EQ(FinishesWithin(10, [&] { return code(fs.ReadOwnFile(path, 0, 4)); }), c.read_own);
    EXPECT_EQ(FinishesWithin(10, [&] { return code(fs.OpenAppend(path, true)); }), c.append);
    EXPECT_EQ(FinishesWithin(10, [&] { return static_cast<int>(fs.IsLocked(path)); }), 0);
  }
  EXPECT_EQ(ReadRaw(dir.NativePath("file")) + ReadRaw(dir.NativePath("foreign")), "datadata");
  ASSERT_TRUE(fs.OpenAppend(dir.Path(u"new.log"), false));
  EXPECT_EQ(ModeOf(dir.NativePath("new.log")), 0600);
}

// A process killed while appending leaves every line it appended, then only zero bytes, fewer
// than the file's growth step: what the log repair cuts off as a torn tail. Its lock goes
// with it; a lock another process holds is seen.
TEST(PosixFileSystemTest, AppendsSurviveAKillAndLocksAreSeenAcrossProcesses) {
  ScopedTempDir dir;
  const std::u16string log = dir.Path(u"rename0.log");
  std::string lines;
  for (int i = 0; i < 1500; ++i) lines += "\"/d/file_" + std::to_string(i) + "\",\"/d/x\"\r\n";
  ASSERT_GT(lines.size(), 32u * 1024);
  PosixFileSystem fs;
  EXPECT_EQ(FinishesWithin(3, [&] {  // ended by the alarm, after the last line
              auto file = fs.OpenAppend(log, true);
              for (std::size_t at = 0; file && at < lines.size(); at = lines.find('\n', at) + 1) {
                if (!(*file)->Append(lines.substr(at, lines.find('\n', at) + 1 - at))) return 1;
              }
              ::pause();
              return 2;
            }),
            -1);
  const std::string content = ReadRaw(Utf16ToUtf8(log));
  ASSERT_GE(content.size(), lines.size());
  EXPECT_EQ(content.substr(0, lines.size()), lines);
  EXPECT_LT(content.size() - lines.size(), 32u * 1024);
  EXPECT_EQ(content.find_first_not_of('\0', lines.size()), std::string::npos);

  EXPECT_FALSE(fs.IsLocked(log));
  const int fd = ::open(Utf16ToUtf8(log).c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(FinishesWithin(10, [&] {
              return fs.IsLocked(log) && Failure(fs.OpenAppend(log, true)) == ErrorCode::kBusy;
            }),
            1);
  ::close(fd);
  EXPECT_FALSE(fs.IsLocked(log));
}

TEST(PosixFileSystemTest, LastWriteTimesRoundTripAndLinksGetTheirOwn) {
  ScopedTempDir dir;
  Make(dir, {"f=x", "l->f"});
  PosixFileSystem fs;
  const std::u16string f = dir.Path(u"f");
  // 1970 exactly, 1960 (before the Unix epoch), 2040 (after 2038).
  for (FileTime t : {kSomeTime, FileTimeFromUnix(0, 0), FileTimeFromUnix(-315619200, 123456700),
                     FileTimeFromUnix(2208988800LL, 999999900)}) {
    ASSERT_TRUE(fs.SetTimes(f, std::nullopt, t)) << t;
    EXPECT_EQ(fs.Stat(f)->last_write_time, t) << t;
  }
  const FileInfo before = *fs.Stat(f);
  EXPECT_EQ(Failure(fs.SetTimes(f, kSomeTime, kSomeTime + 10'000'000)), ErrorCode::kNotSupported);
  EXPECT_EQ(fs.Stat(f)->creation_time, before.creation_time);
  ASSERT_TRUE(fs.SetTimes(f, std::nullopt, std::nullopt));
  EXPECT_EQ(Failure(fs.SetTimes(dir.Path(u"none"), std::nullopt, kSomeTime)), ErrorCode::kNotFound);
  // A link gets its own time; its target keeps its time.
  ASSERT_TRUE(fs.SetTimes(dir.Path(u"l"), std::nullopt, kSomeTime + 1));
  EXPECT_EQ(fs.Stat(dir.Path(u"l"))->last_write_time, kSomeTime + 1);
  EXPECT_EQ(fs.Stat(f)->last_write_time, before.last_write_time);
  // The conversion floors, both ways, also before 1601 and just before 1970.
  for (FileTime t : std::initializer_list<FileTime>{0, 1, 116444736000000000LL,
                                                    116444735999999999LL, kSomeTime, -1}) {
    const std::int64_t s = UnixSecondsOf(t);
    const long ns = NanosecondsOf(t);
    EXPECT_TRUE(ns >= 0 && ns < 1'000'000'000) << t << ": " << ns;
    EXPECT_EQ(FileTimeFromUnix(s, static_cast<std::uint32_t>(ns)), t) << t;
  }
  EXPECT_EQ(FileTimeFromUnix(-1, 999999999), 116444735999999999LL);
}

class AttributesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Make(dir_, {"f=x", "d/"});  // tmpfs of older kernels, some overlays: no user xattrs
    if (::setxattr(dir_.NativePath("d").c_str(), "user.tessivo-probe", "1", 1, 0) != 0) {
      GTEST_SKIP() << "the temporary folder's file system keeps no user extended attributes";
    }
    ::removexattr(dir_.NativePath("d").c_str(), "user.tessivo-probe");
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
  const struct { const char* name; std::uint32_t set; std::string stored; int mode; } steps[] = {
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
  Make(dir_, {".dot"});
  auto list = fs_.List(dir_.path());
  ASSERT_TRUE(list);
  EXPECT_EQ(Find(*list, u"f")->info.attributes, attr::kHidden | attr::kArchive);
  EXPECT_EQ(Find(*list, u"d")->info.attributes, attr::kDirectory);
  EXPECT_EQ(Find(*list, u".dot")->info.attributes, attr::kHidden);
  EXPECT_EQ(AttributesOf(".dot"), 0u);
}

TEST_F(AttributesTest, KeepsSambaBinaryRecordAndReadsItsWord) {
  const std::string& record = kSamba[0].blob;  // version 5, archive
  const std::string path = dir_.NativePath("f");
  ASSERT_EQ(::setxattr(path.c_str(), "user.DOSATTRIB", record.data(), record.size(), 0), 0);
  EXPECT_EQ(AttributesOf("f"), attr::kArchive);
  ASSERT_TRUE(fs_.SetAttributes(dir_.Path(u"f"), attr::kHidden | attr::kSystem));
  std::string expected = record;
  expected[kSamba[0].attrib_at] = 0x06;
  EXPECT_EQ(DosAttribOf(path), expected);
  EXPECT_EQ(AttributesOf("f"), attr::kHidden | attr::kSystem);
}

TEST_F(AttributesTest, EntriesThatCannotStoreAWordRefuseHiddenButNotTheRest) {
  // Links keep no user attributes: changing hidden fails and changes
  // nothing, while a request that leaves them clear succeeds.
  Make(dir_, {"l->f"});
  EXPECT_EQ(Failure(fs_.SetAttributes(dir_.Path(u"l"), attr::kHidden)), ErrorCode::kNotSupported);
  EXPECT_TRUE(fs_.SetAttributes(dir_.Path(u"l"), 0));
  EXPECT_EQ(AttributesOf("f"), 0u);  // the target is untouched
  EXPECT_EQ(DosAttribOf(dir_.NativePath("f")), "<none>");
}

// Folder name rules from recorded statfs types, name lengths and inode flags.
TEST(NameRulesTest, CaseIsIgnoredOnWindowsFileSystemsAndCaseFoldingFolders) {
  const struct { std::int64_t type, name_length; std::uint32_t flags; NameRules rules; } cases[] = {
      {0xEF53, 255, 0, {false, 255}},                  // ext4
      {0xEF53, 255, kCaseFoldFlag, {true, 255}},       // ext4, case-folding folder
      {0xEF53, 255, 0x80000 | 0x10, {false, 255}},     // ext4, other flags (extents, ...)
      {0xF2F52010, 255, kCaseFoldFlag, {true, 255}},   // f2fs, case-folding folder
      {0x01021994, 255, 0, {false, 255}},              // tmpfs
      {0x4d44, 1530, 0, {true, 1530}},                 // vfat (f_namelen in bytes)
      {0x2011BAB0, 255, 0, {true, 255}},               // exFAT
      {static_cast<std::int64_t>(0xFF534D42), 255, 0, {true, 255}},  // cifs
      {static_cast<std::int64_t>(0xFE534D42), 255, 0, {true, 255}},  // smb2
      {0x517B, 255, 0, {true, 255}},                   // smbfs
      {0x9660, 255, 0, {true, 255}},                   // ISO 9660
      {0x5346544e, 255, 0, {false, 255}},              // ntfs3 keeps case on Linux
      {0x58465342, 0, 0, {false, 255}},                // xfs, length unknown
      {0x58465342, 1024, 0, {false, 1024}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NameRulesFromSystem(c.type, c.name_length, c.flags), c.rules)
        << std::hex << c.type << " flags " << c.flags;
  }
}

}  // namespace
}  // namespace tessivo
