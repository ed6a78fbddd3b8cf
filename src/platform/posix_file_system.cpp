#include "platform/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/msdos_fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

#include "platform/dos_attrib.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_error.h"
#include "platform/temp_name.h"

namespace tessivo {
namespace {

constexpr std::int64_t kTicksPerSecond = kFileTimeTicksPerSecond;
constexpr std::uint32_t kSettableAttributes =
    attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive;
constexpr unsigned kStatxMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME;
constexpr std::size_t kMaxNameBytes = 255;

// Extended attributes of the channels (names are fixed by the drivers and
// by Samba).
constexpr char kDosAttribXattr[] = "user.DOSATTRIB";
constexpr char kNtfsAttribXattr[] = "system.ntfs_attrib";
constexpr char kCifsAttribXattr[] = "user.cifs.dosattrib";
constexpr char kNtfsCrtimeXattr[] = "system.ntfs_crtime";
constexpr char kCifsCrtimeXattr[] = "user.cifs.creationtime";

// statfs magic numbers.
constexpr std::uint32_t kMsdosMagic = 0x4d44;
constexpr std::uint32_t kNtfsMagic = 0x5346544e;  // ntfs3 and the old ntfs driver
constexpr std::uint32_t kCifsMagic = 0xFF534D42;
constexpr std::uint32_t kSmb2Magic = 0xFE534D42;
constexpr std::uint32_t kSmbMagic = 0x517B;
constexpr std::uint32_t kFuseMagic = 0x65735546;  // ntfs-3g among others

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes and reports the errno of close, or 0.
  int Close() {
    int err = 0;
    if (fd_ >= 0 && ::close(fd_) != 0) err = errno;
    fd_ = -1;
    return err;
  }

 private:
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int fd_;
};

std::string Native(const std::u16string& path) { return Utf16ToUtf8(path); }

FileTime FromStatx(const struct statx_timestamp& t) {
  return FileTimeFromUnix(t.tv_sec, t.tv_nsec);
}

std::uint32_t LoadLe32(const unsigned char* b) {
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::uint64_t LoadLe64(const unsigned char* b) {
  return static_cast<std::uint64_t>(LoadLe32(b)) |
         static_cast<std::uint64_t>(LoadLe32(b + 4)) << 32;
}

void StoreLe64(unsigned char* b, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}

void StoreLe32(unsigned char* b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}

// "folder/name" split of a path in bytes; the folder of "/x" is "/".
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  return {folder, path.substr(slash + 1)};
}

FileSystemKind KindFromStatfs(const struct statfs& s, bool ntfs_attrib_readable) {
  switch (static_cast<std::uint32_t>(s.f_type)) {
    case kMsdosMagic:
      return FileSystemKind::kFat;
    case kNtfsMagic:
      return FileSystemKind::kNtfs;
    case kCifsMagic:
    case kSmb2Magic:
    case kSmbMagic:
      return FileSystemKind::kCifs;
    case kFuseMagic:
      // FUSE carries many file systems; ntfs-3g is the one that answers
      // for the NTFS attribute word.
      return ntfs_attrib_readable ? FileSystemKind::kNtfs : FileSystemKind::kOther;
    default:
      return FileSystemKind::kOther;
  }
}

// What one folder's file system offers, found once per List.
struct Mount {
  FileSystemKind kind = FileSystemKind::kOther;
  // False when the file system refuses user extended attributes, so no
  // entry can carry user.DOSATTRIB and none needs to be asked.
  bool user_xattrs = true;
};

Mount MountOfFd(int fd) {
  Mount m;
  struct statfs s;
  if (::fstatfs(fd, &s) != 0) return m;
  bool ntfs = false;
  if (static_cast<std::uint32_t>(s.f_type) == kFuseMagic) {
    unsigned char word[4];
    ntfs = ::fgetxattr(fd, kNtfsAttribXattr, word, sizeof word) == 4;
  }
  m.kind = KindFromStatfs(s, ntfs);
  if (m.kind == FileSystemKind::kOther) {
    char probe[1];
    if (::fgetxattr(fd, kDosAttribXattr, probe, 0) < 0 &&
        (errno == ENOTSUP || errno == ENOSYS)) {
      m.user_xattrs = false;
    }
  }
  return m;
}

FileSystemKind KindOfNative(const std::string& path) {
  struct statfs s;
  std::string probe = path;
  // A path that does not exist yet lives on the file system of its folder.
  while (::statfs(probe.c_str(), &s) != 0) {
    if (errno != ENOENT || probe == "/" || probe.empty()) return FileSystemKind::kOther;
    probe = SplitPath(probe).first;
  }
  bool ntfs = false;
  if (static_cast<std::uint32_t>(s.f_type) == kFuseMagic) {
    unsigned char word[4];
    ntfs = ::getxattr(probe.c_str(), kNtfsAttribXattr, word, sizeof word) == 4;
  }
  return KindFromStatfs(s, ntfs);
}

// The stored attribute word of one entry (no link followed), or nullopt
// when there is none or it cannot be read. `at_name` is relative to `dirfd`
// and `full` is the same entry as a whole path.
std::optional<std::uint32_t> ReadStoredWord(const Mount& mount, int dirfd, const char* at_name,
                                            const char* full) {
  switch (mount.kind) {
    case FileSystemKind::kFat: {
      Fd fd(::openat(dirfd, at_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
      std::uint32_t word = 0;
      if (!fd.ok() || ::ioctl(fd.get(), FAT_IOCTL_GET_ATTRIBUTES, &word) != 0) return std::nullopt;
      return word;
    }
    case FileSystemKind::kNtfs:
    case FileSystemKind::kCifs: {
      const char* name =
          mount.kind == FileSystemKind::kNtfs ? kNtfsAttribXattr : kCifsAttribXattr;
      unsigned char word[4];
      if (::lgetxattr(full, name, word, sizeof word) != 4) return std::nullopt;
      return LoadLe32(word);
    }
    case FileSystemKind::kOther: {
      if (!mount.user_xattrs) return std::nullopt;
      char blob[256];
      ssize_t n = ::lgetxattr(full, kDosAttribXattr, blob, sizeof blob);
      if (n <= 0) return std::nullopt;
      return ParseDosAttrib(std::string_view(blob, static_cast<std::size_t>(n)));
    }
  }
  return std::nullopt;
}

// Fills `info` from a statx of one entry and the channels of its mount.
void FillInfo(const Mount& mount, int dirfd, const char* at_name, const char* full,
              const struct statx& stx, FileInfo* info, bool with_attributes = true) {
  bool is_link = S_ISLNK(stx.stx_mode);
  info->is_symlink = is_link;
  info->is_directory = S_ISDIR(stx.stx_mode);
  if (is_link) {
    struct stat target;
    info->is_directory = ::fstatat(dirfd, at_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
  }
  info->size = S_ISDIR(stx.stx_mode) ? 0 : stx.stx_size;
  info->last_write_time = FromStatx(stx.stx_mtime);
  info->creation_time = info->last_write_time;
  if (stx.stx_mask & STATX_BTIME) {
    info->creation_time = FromStatx(stx.stx_btime);
  } else if (mount.kind == FileSystemKind::kNtfs) {
    unsigned char crtime[8];
    if (::lgetxattr(full, kNtfsCrtimeXattr, crtime, sizeof crtime) == 8) {
      info->creation_time = static_cast<FileTime>(LoadLe64(crtime));
    }
  }
  std::uint32_t attributes = 0;
  if (!is_link) {
    if (!with_attributes) {
      // Only what the inode tells.
    } else if (auto word = ReadStoredWord(mount, dirfd, at_name, full)) {
      attributes = *word & kSettableAttributes;
    }
    if ((stx.stx_mode & 0222) == 0) attributes |= attr::kReadOnly;
  }
  if (info->is_directory) attributes |= attr::kDirectory;
  info->attributes = attributes;
}

// The whole value of extended attribute `name` of `path` (no link
// followed) into `value`; 0 or an errno value.
int ReadXattr(const std::string& path, const char* name, std::string* value) {
  for (int tries = 0; tries < 4; ++tries) {
    ssize_t size = ::lgetxattr(path.c_str(), name, nullptr, 0);
    if (size < 0) return errno;
    value->assign(static_cast<std::size_t>(size), '\0');
    ssize_t n = ::lgetxattr(path.c_str(), name, value->data(), value->size());
    if (n >= 0) {
      value->resize(static_cast<std::size_t>(n));
      return 0;
    }
    if (errno != ERANGE) return errno;  // ERANGE: it grew meanwhile
  }
  return ERANGE;
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Writes all of `bytes` to `fd`; 0 or an errno value.
int WriteAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

// Reads from `fd` at `offset` until `max_bytes` or the end of the file.
Result<std::string> ReadFrom(int fd, std::uint64_t offset, std::size_t max_bytes,
                             const std::u16string& path) {
  std::string out;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
      static_cast<std::uint64_t>(st.st_size) > offset) {
    out.reserve(std::min<std::uint64_t>(max_bytes, static_cast<std::uint64_t>(st.st_size) - offset));
  }
  char chunk[65536];
  while (out.size() < max_bytes) {
    std::size_t want = std::min(sizeof chunk, max_bytes - out.size());
    ssize_t n = ::pread(fd, chunk, want, static_cast<off_t>(offset + out.size()));
    if (n < 0) {
      if (errno == EINTR) continue;
      return PosixError(errno, "read", path);
    }
    if (n == 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
  }
  return out;
}

// Opens `path` with `flags` and makes sure it is a regular file: opened
// without waiting (O_NONBLOCK, which a FIFO would otherwise need a writer
// for) and refused when it is anything else. With `own` a final symbolic
// link is not followed, the file must belong to the user, and a file it
// creates gets mode 0600. A refused file is kInvalidArgument, or
// kPermission with `own`.
Result<Fd> OpenRegular(const std::u16string& path, int flags, bool own) {
  flags |= O_NONBLOCK | O_CLOEXEC | (own ? O_NOFOLLOW : 0);
  Fd fd(::open(Native(path).c_str(), flags, 0600));
  if (!fd.ok()) {
    const int err = errno;
    // O_NOFOLLOW meets a link with ELOOP.
    if (own && err == ELOOP) return MakeError(ErrorCode::kPermission, u"a symbolic link: " + path);
    return PosixError(err, "open", path);
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return PosixError(errno, "open", path);
  if (!S_ISREG(st.st_mode)) {
    return MakeError(own ? ErrorCode::kPermission : ErrorCode::kInvalidArgument,
                     u"not a regular file: " + path);
  }
  if (own && st.st_uid != ::geteuid()) {
    return MakeError(ErrorCode::kPermission, u"a file of another user: " + path);
  }
  // Reads and appends of a regular file never wait; clear the flag so no
  // later call sees EAGAIN.
  const int status = ::fcntl(fd.get(), F_GETFL);
  if (status != -1) (void)::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK);
  return fd;
}

// A time read back agrees with the one set when the file system kept it at
// its granularity: exactly on NTFS and SMB, to 2 s on FAT, and elsewhere
// exactly or cut down to one of the steps coarser file systems use.
bool SameAtGranularity(FileTime wanted, FileTime got, FileSystemKind kind) {
  if (wanted == got) return true;
  auto floor_to = [](FileTime t, FileTime step) { return t - (((t % step) + step) % step); };
  switch (kind) {
    case FileSystemKind::kNtfs:
    case FileSystemKind::kCifs:
      return false;
    case FileSystemKind::kFat:
      return (wanted > got ? wanted - got : got - wanted) < 2 * kTicksPerSecond;
    case FileSystemKind::kOther:
      for (FileTime step : {FileTime{10}, FileTime{10'000}, FileTime{100'000},
                            kTicksPerSecond, 2 * kTicksPerSecond}) {
        if (got == floor_to(wanted, step)) return true;
      }
      return false;
  }
  return false;
}

std::string RandomSuffix() {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string s(8, 'x');
  for (char& c : s) c = kChars[rng() % (sizeof kChars - 1)];
  return s;
}

// An AppendFile over an O_APPEND descriptor; the flock, if any, goes with
// the descriptor. The size is read once when the file is opened and then
// kept along with the appends and cuts; the file's lock keeps other runs
// from appending behind its back.
//
// The rename log appends a line ahead of every change, so a system call per
// line would cost as much as a third of the rename itself. Lines therefore
// go into a shared mapping of the file: a store into the page cache, which
// outlives the process when it is killed just as a write would. The file is
// grown in steps of kMapStep with fallocate, so a full disk fails the
// append instead of faulting the process later, and cut back to its data
// when the mapping ends (Sync, a cut, the destructor). A process killed
// while mapped leaves fewer than kMapStep zero bytes after its last line;
// whoever repairs the file cuts everything after the last line feed. File
// systems without fallocate or mmap get plain writes, and so do files opened
// without the lock, which may have other writers.
class PosixAppendFile : public AppendFile {
 public:
  static constexpr std::uint64_t kMapStep = 32 * 1024;

  PosixAppendFile(Fd fd, std::u16string path, bool map)
      : fd_(std::move(fd)), path_(std::move(path)), size_(ReadSize()), can_map_(map) {}
  ~PosixAppendFile() override { (void)Unmap(); }

  Status Append(std::string_view bytes) override {
    if (bytes.empty()) return {};
    if (can_map_ && size_ + bytes.size() > capacity_ && !Grow(size_ + bytes.size())) {
      can_map_ = false;
      if (int err = Unmap()) return PosixError(err, "append", path_);
    }
    if (map_ != nullptr) {
      std::memcpy(map_ + size_, bytes.data(), bytes.size());
      size_ += bytes.size();
      return {};
    }
    if (int err = WriteAll(fd_.get(), bytes.data(), bytes.size())) {
      // Take a partial line back out, so the file never ends in half a line.
      if (::ftruncate(fd_.get(), static_cast<off_t>(size_)) != 0) {
        size_ = ReadSize();  // the write error is the one to report
      }
      return PosixError(err, "append", path_);
    }
    size_ += bytes.size();
    return {};
  }
  Status Truncate(std::uint64_t length) override {
    if (int err = Unmap()) return PosixError(err, "truncate", path_);
    if (::ftruncate(fd_.get(), static_cast<off_t>(length)) != 0) {
      Status failed = PosixError(errno, "truncate", path_);
      size_ = ReadSize();
      return failed;
    }
    size_ = length;
    return {};
  }
  std::uint64_t Size() const override { return size_; }
  Status Sync() override {
    if (int err = Unmap()) return PosixError(err, "sync", path_);
    if (::fsync(fd_.get()) != 0) return PosixError(errno, "sync", path_);
    return {};
  }

 private:
  std::uint64_t ReadSize() const {
    struct stat st;
    if (::fstat(fd_.get(), &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
  }

  // Makes room for `needed` bytes in the mapping. False when the file
  // cannot be grown or mapped; the caller then writes.
  bool Grow(std::uint64_t needed) {
    const std::uint64_t capacity = (needed + kMapStep - 1) / kMapStep * kMapStep;
    const std::uint64_t from = map_ != nullptr ? capacity_ : size_;
    const bool grown = capacity == from || ::fallocate(fd_.get(), 0, static_cast<off_t>(from),
                                                       static_cast<off_t>(capacity - from)) == 0;
    void* mapped = !grown ? MAP_FAILED
                   : map_ == nullptr
                       ? ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_SHARED, fd_.get(), 0)
                       : ::mremap(map_, capacity_, capacity, MREMAP_MAYMOVE);
    if (mapped == MAP_FAILED) {
      // A failed fallocate may still have lengthened the file; a live
      // mapping is cut back by the caller's Unmap.
      if (map_ == nullptr) (void)::ftruncate(fd_.get(), static_cast<off_t>(size_));
      return false;
    }
    map_ = static_cast<char*>(mapped);
    capacity_ = capacity;
    return true;
  }

  // Ends the mapping and cuts the file back to its data. Returns an errno.
  int Unmap() {
    if (map_ == nullptr) return 0;
    ::munmap(map_, capacity_);
    map_ = nullptr;
    capacity_ = 0;
    return ::ftruncate(fd_.get(), static_cast<off_t>(size_)) == 0 ? 0 : errno;
  }

  Fd fd_;
  std::u16string path_;
  std::uint64_t size_;
  char* map_ = nullptr;
  std::uint64_t capacity_ = 0;  // length of the file and the mapping while mapped
  bool can_map_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Time conversion and names.

// ---------------------------------------------------------------------------
// Looking things up.

Result<std::vector<DirEntry>> PosixFileSystem::List(const std::u16string& folder,
                                                    ListDetail detail) {
  const bool with_attributes = detail == ListDetail::kFull;
  std::string path = Native(folder);
  Fd dir(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) return PosixError(errno, "open folder", folder);
  Mount mount = MountOfFd(dir.get());
  struct stat folder_stat;
  if (::fstat(dir.get(), &folder_stat) != 0) return PosixError(errno, "stat folder", folder);
  const dev_t folder_dev = folder_stat.st_dev;

  std::string full = path;
  if (full.empty() || full.back() != '/') full.push_back('/');
  const std::size_t base = full.size();

  std::vector<DirEntry> out;
  // Growing the vector entry by entry moves every name many times over in a
  // large folder. The folder's own size gives a fair guess at the count
  // (ext4 spends about 30 bytes per entry; others report less, and then the
  // vector grows as usual).
  out.reserve(static_cast<std::size_t>(
      std::min<off_t>(folder_stat.st_size / 32, off_t{1} << 20)));
  constexpr std::size_t kBufferSize = 64 * 1024;
  auto buffer = std::make_unique<char[]>(kBufferSize);
  for (;;) {
    ssize_t n = ::getdents64(dir.get(), buffer.get(), kBufferSize);
    if (n < 0) {
      if (errno == EINTR) continue;
      return PosixError(errno, "read folder", folder);
    }
    if (n == 0) break;
    for (ssize_t off = 0; off < n;) {
      const auto* d = reinterpret_cast<const struct dirent64*>(buffer.get() + off);
      off += d->d_reclen;
      const char* name = d->d_name;
      if (IsDotOrDotDot(name)) continue;
      if (detail == ListDetail::kNamesOnly && (d->d_type == DT_REG || d->d_type == DT_DIR)) {
        DirEntry entry;
        entry.name = Utf8ToUtf16(name);
        entry.info.is_directory = d->d_type == DT_DIR;
        if (entry.info.is_directory) entry.info.attributes = attr::kDirectory;
        if (name[0] == '.') entry.info.attributes |= attr::kHidden;
        out.push_back(std::move(entry));
        continue;
      }
      struct statx stx;
      if (::statx(dir.get(), name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxMask, &stx) != 0) {
        if (errno == ENOENT) continue;  // removed since the folder was read
        // Keep the entry with what the folder itself tells.
        DirEntry entry;
        entry.name = Utf8ToUtf16(name);
        entry.info.is_directory = d->d_type == DT_DIR;
        entry.info.is_symlink = d->d_type == DT_LNK;
        if (entry.info.is_directory) entry.info.attributes = attr::kDirectory;
        out.push_back(std::move(entry));
        continue;
      }
      full.resize(base);
      full += name;
      DirEntry entry;
      entry.name = Utf8ToUtf16(name);
      if (makedev(stx.stx_dev_major, stx.stx_dev_minor) != folder_dev) {
        // A mount point: its root follows the rules of its own file system.
        Fd root(::open(full.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        Mount own = root.ok() ? MountOfFd(root.get()) : mount;
        FillInfo(own, dir.get(), name, full.c_str(), stx, &entry.info, with_attributes);
      } else {
        FillInfo(mount, dir.get(), name, full.c_str(), stx, &entry.info, with_attributes);
      }
      if (name[0] == '.') entry.info.attributes |= attr::kHidden;
      out.push_back(std::move(entry));
    }
  }
  return out;
}

Result<FileInfo> PosixFileSystem::Stat(const std::u16string& path) {
  std::string native = Native(path);
  struct statx stx;
  if (::statx(AT_FDCWD, native.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxMask,
              &stx) != 0) {
    return PosixError(errno, "stat", path);
  }
  Mount mount;
  if (!S_ISLNK(stx.stx_mode)) mount.kind = KindOfNative(native);
  FileInfo info;
  FillInfo(mount, AT_FDCWD, native.c_str(), native.c_str(), stx, &info);
  return info;
}

bool PosixFileSystem::Exists(const std::u16string& path) {
  std::string native = Native(path);
  struct statx stx;
  return ::statx(AT_FDCWD, native.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE,
                 &stx) == 0;
}

FileSystemKind PosixFileSystem::KindOf(const std::u16string& path) {
  return KindOfNative(Native(path));
}

NameRules PosixFileSystem::NameRulesOf(const std::u16string& folder) {
  std::string probe = Native(folder);
  while (probe.size() > 1 && probe.back() == '/') probe.pop_back();
  struct statfs s;
  while (::statfs(probe.c_str(), &s) != 0) {
    if (errno != ENOENT || probe == "/" || probe.empty()) return NameRules();
    probe = SplitPath(probe).first;
  }
  // Only folders carry the case-folding flag, and FS_IOC_GETFLAGS needs an
  // open descriptor; a file system without the ioctl leaves the flags 0.
  unsigned int flags = 0;
  Fd dir(::open(probe.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
  if (dir.ok() && ::ioctl(dir.get(), FS_IOC_GETFLAGS, &flags) != 0) flags = 0;
  return NameRulesFromSystem(static_cast<std::int64_t>(s.f_type),
                             static_cast<std::int64_t>(s.f_namelen), flags);
}

Result<std::u16string> PosixFileSystem::ReadLink(const std::u16string& path) {
  std::string native = Native(path);
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t n = ::readlink(native.c_str(), buffer.data(), buffer.size());
    if (n < 0) return PosixError(errno, "read link", path);
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return Utf8ToUtf16(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

Result<std::u16string> PosixFileSystem::ShortName(const std::u16string& path) {
  std::string native = Native(path);
  if (KindOfNative(native) != FileSystemKind::kFat) {
    return MakeError(ErrorCode::kNotSupported, u"no short names here: " + path);
  }
  auto [folder, name] = SplitPath(native);
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) return PosixError(errno, "open folder", path);
  struct __fat_dirent entries[2];
  for (;;) {
    std::memset(entries, 0, sizeof entries);
    if (::ioctl(dir.get(), VFAT_IOCTL_READDIR_BOTH, entries) < 0) {
      return PosixError(errno, "read short names", path);
    }
    if (entries[0].d_reclen == 0) break;  // end of the folder
    // [1] holds the long name; it is empty when the short name is all.
    const char* long_name = entries[1].d_name[0] != '\0' ? entries[1].d_name : entries[0].d_name;
    if (name == long_name) return Utf8ToUtf16(entries[0].d_name);
  }
  return MakeError(ErrorCode::kNotFound, path);
}

// ---------------------------------------------------------------------------
// Reading and writing files.

Result<std::string> PosixFileSystem::ReadRange(const std::u16string& path, std::uint64_t offset,
                                               std::size_t max_bytes) {
  auto fd = OpenRegular(path, O_RDONLY, /*own=*/false);
  if (!fd) return fd.error();
  return ReadFrom(fd->get(), offset, max_bytes, path);
}

Result<std::string> PosixFileSystem::ReadFile(const std::u16string& path) {
  return ReadRange(path, 0, std::string().max_size());
}

Result<std::string> PosixFileSystem::ReadOwnFile(const std::u16string& path,
                                                 std::uint64_t offset, std::size_t max_bytes) {
  auto fd = OpenRegular(path, O_RDONLY, /*own=*/true);
  if (!fd) return fd.error();
  return ReadFrom(fd->get(), offset, max_bytes, path);
}

Status PosixFileSystem::WriteFileAtomic(const std::u16string& path, const std::string& bytes) {
  std::string target = Native(path);
  // Write through a symbolic link to the file it names, not over the link.
  struct stat st;
  bool exists = ::lstat(target.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    char* real = ::realpath(target.c_str(), nullptr);
    if (real) {
      target = real;
      ::free(real);
      exists = ::lstat(target.c_str(), &st) == 0;
    }
  }
  if (exists && S_ISDIR(st.st_mode)) return PosixError(EISDIR, "write", path);
  auto [folder, name] = SplitPath(target);

  Fd temp;
  std::string temp_path;
  for (int attempt = 0; attempt < 100 && !temp.ok(); ++attempt) {
    std::string temp_name = "." + name.substr(0, kMaxNameBytes - 20) + ".tmp" + RandomSuffix();
    temp_path = folder == "/" ? "/" + temp_name : folder + "/" + temp_name;
    temp = Fd(::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!temp.ok() && errno != EEXIST) return PosixError(errno, "create", path);
  }
  if (!temp.ok()) return PosixError(EEXIST, "create", path);

  auto fail = [&](int err, const char* what) {
    temp.Close();
    ::unlink(temp_path.c_str());
    return PosixError(err, what, path);
  };
  if (int err = WriteAll(temp.get(), bytes.data(), bytes.size())) return fail(err, "write");
  if (exists && ::fchmod(temp.get(), st.st_mode & 07777) != 0) return fail(errno, "chmod");
  if (::fsync(temp.get()) != 0) return fail(errno, "sync");
  if (int err = temp.Close()) return fail(err, "close");
  // The one place where replacing is the point: the old content goes only
  // once the new one is complete on disk.
  if (::rename(temp_path.c_str(), target.c_str()) != 0) return fail(errno, "rename");
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.ok() && ::fsync(dir.get()) != 0 && errno != EINVAL) {
    return PosixError(errno, "sync folder", path);
  }
  return {};
}

Status PosixFileSystem::RemoveFile(const std::u16string& path) {
  if (::unlink(Native(path).c_str()) != 0) return PosixError(errno, "remove", path);
  return {};
}

Status PosixFileSystem::CreateFolders(const std::u16string& path, unsigned mode) {
  std::string native = Native(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native.empty()) return MakeError(ErrorCode::kInvalidArgument, path);
  // Make each missing folder from the top down.
  std::size_t pos = 1;
  for (;;) {
    std::size_t slash = native.find('/', pos);
    std::string part = native.substr(0, slash);
    if (!part.empty() && part != "/") {
      if (::mkdir(part.c_str(), static_cast<mode_t>(mode)) != 0) {
        int err = errno;
        struct stat st;
        if (err != EEXIST) return PosixError(err, "create folder", Utf8ToUtf16(part));
        if (::stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
          return PosixError(EEXIST, "create folder", Utf8ToUtf16(part));
        }
      }
    }
    if (slash == std::string::npos) break;
    pos = slash + 1;
  }
  return {};
}

Result<std::unique_ptr<AppendFile>> PosixFileSystem::OpenAppend(const std::u16string& path,
                                                                bool lock) {
  auto fd = OpenRegular(path, O_RDWR | O_CREAT | O_APPEND, /*own=*/true);
  if (!fd) return fd.error();
  if (lock && ::flock(fd->get(), LOCK_EX | LOCK_NB) != 0) {
    return PosixError(errno, "lock", path);
  }
  return std::unique_ptr<AppendFile>(
      std::make_unique<PosixAppendFile>(std::move(*fd), path, lock));
}

bool PosixFileSystem::IsLocked(const std::u16string& path) {
  // A fresh open file description: flock sees locks held through any other
  // description, in this process too. Only a regular file can be locked by
  // a run, and nothing else is opened (a FIFO would wait for a writer).
  Fd fd(::open(Native(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.ok()) return false;
  if (::flock(fd.get(), LOCK_SH | LOCK_NB) != 0) return errno == EWOULDBLOCK;
  ::flock(fd.get(), LOCK_UN);
  return false;
}

// ---------------------------------------------------------------------------
// Renaming.

int PosixFileSystem::MoveNoReplace(const std::string& from, const std::string& to) const {
  if (!options_.no_rename_noreplace) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
      return 0;
    }
    if (errno != EINVAL) return errno;
  }
  // The file system lacks RENAME_NOREPLACE. Each way below fails when the
  // target exists, and never leaves a placeholder behind.
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) {
    if (::mkdir(to.c_str(), 0700) != 0) return errno;
    if (::rename(from.c_str(), to.c_str()) != 0) {
      int err = errno;
      ::rmdir(to.c_str());
      return err;
    }
    return 0;
  }
  int link_err = EPERM;
  if (!options_.no_hard_links) {
    if (::link(from.c_str(), to.c_str()) == 0) {
      if (::unlink(from.c_str()) != 0) {
        int err = errno;
        ::unlink(to.c_str());
        return err;
      }
      return 0;
    }
    link_err = errno;
  }
  if (link_err != EPERM && link_err != EOPNOTSUPP && link_err != ENOSYS && link_err != EMLINK) {
    return link_err;
  }
  int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  ::close(fd);
  if (::rename(from.c_str(), to.c_str()) != 0) {
    int err = errno;
    ::unlink(to.c_str());
    return err;
  }
  return 0;
}

Status PosixFileSystem::RenameNoReplace(const std::u16string& from, const std::u16string& to) {
  if (from == to) return {};
  std::string src = Native(from);
  std::string dst = Native(to);
  int err = MoveNoReplace(src, dst);
  if (err == 0) return {};
  if (err != EEXIST) return PosixError(err, "rename", from);

  // The target name may be the source itself under another spelling (a
  // case-insensitive mount): then go through a temporary name.
  struct stat a, b;
  if (SplitPath(dst).first != SplitPath(src).first || ::lstat(src.c_str(), &a) != 0 ||
      ::lstat(dst.c_str(), &b) != 0 || a.st_dev != b.st_dev || a.st_ino != b.st_ino) {
    return PosixError(EEXIST, "rename", to);
  }
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    std::string temp = Native(TempNameFor(from, to, TempNameRandom()));
    err = MoveNoReplace(src, temp);
    if (err == EEXIST) continue;
    if (err != 0) return PosixError(err, "rename", from);
    err = MoveNoReplace(temp, dst);
    if (err == 0) return {};
    if (int back = MoveNoReplace(temp, src)) {
      return PosixError(back, "rename back from temporary name", Utf8ToUtf16(temp));
    }
    return PosixError(err, "rename", to);
  }
  return PosixError(EEXIST, "rename (no free temporary name)", to);
}

// ---------------------------------------------------------------------------
// Times and attributes.

Status PosixFileSystem::SetTimes(const std::u16string& path, std::optional<FileTime> creation,
                                 std::optional<FileTime> last_write) {
  std::string native = Native(path);
  auto before = Stat(path);
  if (!before) return before.error();
  FileSystemKind kind = before->is_symlink ? KindOfNative(SplitPath(native).first)
                                           : KindOfNative(native);
  const char* crtime_xattr = nullptr;
  if (kind == FileSystemKind::kNtfs) crtime_xattr = kNtfsCrtimeXattr;
  if (kind == FileSystemKind::kCifs) crtime_xattr = kCifsCrtimeXattr;
  if (creation && !crtime_xattr) {
    return MakeError(ErrorCode::kNotSupported, u"creation time cannot be set here: " + path);
  }

  auto set_creation = [&](FileTime t) -> int {
    unsigned char value[8];
    StoreLe64(value, static_cast<std::uint64_t>(t));
    return ::lsetxattr(native.c_str(), crtime_xattr, value, sizeof value, 0) == 0 ? 0 : errno;
  };
  auto set_last_write = [&](FileTime t) -> int {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(UnixSecondsOf(t));
    times[1].tv_nsec = NanosecondsOf(t);
    return ::utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
  };
  auto restore = [&] {
    if (creation) set_creation(before->creation_time);
    if (last_write) set_last_write(before->last_write_time);
  };

  if (creation) {
    if (int err = set_creation(*creation)) {
      if (err == ENOTSUP || err == ENODATA) err = ENOTSUP;
      return PosixError(err, "set creation time", path);
    }
  }
  if (last_write) {
    if (int err = set_last_write(*last_write)) {
      if (creation) set_creation(before->creation_time);
      return PosixError(err, "set last-write time", path);
    }
  }
  auto after = Stat(path);
  if (!after) {
    restore();
    return after.error();
  }
  if ((creation && !SameAtGranularity(*creation, after->creation_time, kind)) ||
      (last_write && !SameAtGranularity(*last_write, after->last_write_time, kind))) {
    restore();
    return MakeError(ErrorCode::kIo, u"time not kept by the file system: " + path);
  }
  return {};
}

Status PosixFileSystem::SetAttributes(const std::u16string& path, std::uint32_t attributes) {
  std::string native = Native(path);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0) return PosixError(errno, "stat", path);
  const bool is_dir = S_ISDIR(st.st_mode);
  const bool is_link = S_ISLNK(st.st_mode);
  const std::uint32_t wanted = attributes & kSettableAttributes;
  const std::uint32_t extra = wanted & ~attr::kReadOnly;  // hidden, system, archive
  FileSystemKind kind = is_link ? KindOfNative(SplitPath(native).first) : KindOfNative(native);

  if (kind == FileSystemKind::kFat && !is_link) {
    Fd fd(::open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.ok()) return PosixError(errno, "open", path);
    std::uint32_t word = 0;
    if (::ioctl(fd.get(), FAT_IOCTL_GET_ATTRIBUTES, &word) != 0) {
      return PosixError(errno, "read attributes", path);
    }
    word = (word & ~kSettableAttributes) | wanted;
    if (::ioctl(fd.get(), FAT_IOCTL_SET_ATTRIBUTES, &word) != 0) {
      return PosixError(errno, "set attributes", path);
    }
  } else if ((kind == FileSystemKind::kNtfs || kind == FileSystemKind::kCifs) && !is_link) {
    const char* name = kind == FileSystemKind::kNtfs ? kNtfsAttribXattr : kCifsAttribXattr;
    unsigned char value[4];
    if (::lgetxattr(native.c_str(), name, value, sizeof value) != 4) {
      return PosixError(errno == ENODATA ? ENOTSUP : errno, "read attributes", path);
    }
    StoreLe32(value, (LoadLe32(value) & ~kSettableAttributes) | wanted);
    if (::lsetxattr(native.c_str(), name, value, sizeof value, 0) != 0) {
      return PosixError(errno, "set attributes", path);
    }
  } else {
    // Permission bits for read-only, user.DOSATTRIB for the rest.
    std::string old_blob;
    int read_err = ReadXattr(native, kDosAttribXattr, &old_blob);
    const bool have_blob = read_err == 0;
    if (!have_blob && read_err != ENODATA && read_err != ENOTSUP && read_err != ENOSYS &&
        read_err != EPERM) {
      return PosixError(read_err, "read attributes", path);
    }
    std::optional<std::uint32_t> stored;
    if (have_blob) stored = ParseDosAttrib(old_blob);
    // Without a stored word, hidden, system and archive read as clear; a word
    // is written only when one is there already or one of them is wanted.
    const bool write_word = have_blob || extra != 0;
    if (write_word) {
      std::uint32_t word = wanted | (is_dir ? attr::kDirectory : 0);
      std::string blob = EncodeDosAttrib(old_blob, word);
      if (is_link ||
          ::lsetxattr(native.c_str(), kDosAttribXattr, blob.data(), blob.size(), 0) != 0) {
        int err = is_link ? ENOTSUP : errno;
        if (err == EPERM) err = ENOTSUP;  // user attributes refused on this kind of entry
        return PosixError(err, "set attributes", path);
      }
    }
    mode_t mode = st.st_mode & 07777;
    mode_t new_mode = mode;
    if (wanted & attr::kReadOnly) {
      new_mode = mode & ~mode_t{0222};
    } else if ((mode & 0222) == 0) {
      new_mode = mode | 0200;
    }
    if (new_mode != mode) {
      if (is_link || ::chmod(native.c_str(), new_mode) != 0) {
        int err = is_link ? ENOTSUP : errno;
        // All or nothing: take the stored word back.
        if (write_word) {
          if (have_blob) {
            ::lsetxattr(native.c_str(), kDosAttribXattr, old_blob.data(), old_blob.size(), 0);
          } else {
            ::lremovexattr(native.c_str(), kDosAttribXattr);
          }
        }
        return PosixError(err, "set read-only", path);
      }
    }
  }

  auto after = Stat(path);
  if (!after) return after.error();
  if ((after->attributes & kSettableAttributes) != wanted) {
    return MakeError(ErrorCode::kIo, u"attributes not kept by the file system: " + path);
  }
  return {};
}

}  // namespace tessivo
