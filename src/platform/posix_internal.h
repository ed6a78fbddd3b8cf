#pragma once
// What the parts of PosixFileSystem share (posix_lookup.cpp, posix_files.cpp,
// posix_rename.cpp, posix_metadata.cpp): descriptors, the native form of
// paths, the channels' names and the file systems' magic numbers. Internal to
// src/platform.

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
#include <utility>

#include "platform/file_name_bytes.h"
#include "platform/file_system.h"
#include "platform/posix_error.h"

namespace tessivo::posix_internal {

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


inline std::string Native(const std::u16string& path) { return Utf16ToUtf8(path); }

inline FileTime FromStatx(const struct statx_timestamp& t) {
  return FileTimeFromUnix(t.tv_sec, t.tv_nsec);
}

inline std::uint32_t LoadLe32(const unsigned char* b) {
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

inline std::uint64_t LoadLe64(const unsigned char* b) {
  return static_cast<std::uint64_t>(LoadLe32(b)) |
         static_cast<std::uint64_t>(LoadLe32(b + 4)) << 32;
}

inline void StoreLe64(unsigned char* b, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void StoreLe32(unsigned char* b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}

// "folder/name" split of a path in bytes; the folder of "/x" is "/".
inline std::pair<std::string, std::string> SplitPath(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  return {folder, path.substr(slash + 1)};
}

// The kind of file system `path` (or, while it does not exist, its nearest
// existing folder) is on.
FileSystemKind KindOfNative(const std::string& path);
FileSystemKind KindFromStatfs(const struct statfs& s, bool ntfs_attrib_readable);

}  // namespace tessivo::posix_internal
