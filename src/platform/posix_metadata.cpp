// PosixFileSystem: setting file times and attributes through the channel
// each file system offers, checked by reading them back.

#include "platform/posix_file_system.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>

#include "platform/dos_attrib.h"
#include "platform/posix_internal.h"

namespace tessivo {

using namespace posix_internal;

namespace {


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

}  // namespace

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
