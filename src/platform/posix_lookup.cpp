// PosixFileSystem: listing folders and looking up single entries (statx,
// the attribute channels, name rules, links, short names).

#include "platform/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>

#include "platform/dos_attrib.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_internal.h"

namespace tessivo {

namespace posix_internal {

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

}  // namespace posix_internal

using namespace posix_internal;

namespace {

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

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

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
  // (ext4 spends about 30 bytes per entry, tmpfs counts 20; others report
  // less, and then the vector grows as usual). Room reserved beyond the
  // entries is never touched, so it costs no memory in use.
  out.reserve(static_cast<std::size_t>(
      std::min<off_t>(folder_stat.st_size / 16, off_t{1} << 20)));
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

}  // namespace tessivo
