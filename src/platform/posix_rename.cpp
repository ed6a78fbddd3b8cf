// PosixFileSystem: renames that never overwrite, with the fallbacks for
// file systems that lack RENAME_NOREPLACE or hard links.

#include "platform/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix_internal.h"
#include "platform/temp_name.h"

namespace tessivo {

using namespace posix_internal;

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

}  // namespace tessivo
