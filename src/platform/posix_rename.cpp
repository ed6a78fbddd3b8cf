// PosixFileSystem: renames that never overwrite, with the fallbacks for
// file systems that lack RENAME_NOREPLACE or hard links.

#include "platform/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string_view>

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

namespace {

// A clock that only goes forward, read at the cost of a memory load (it
// moves in the system's ticks, a few milliseconds, plenty for the hold).
std::int64_t CoarseMilliseconds() {
  struct timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

PosixFileSystem::~PosixFileSystem() {
  if (held_folder_fd_ >= 0) ::close(held_folder_fd_);
}

int PosixFileSystem::MoveWithinFolder(const std::string& from, const std::string& to) {
  if (options_.no_rename_noreplace) return -1;
  const std::size_t slash = from.rfind('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == from.size() ||
      to.size() <= slash + 1 || to.compare(0, slash + 1, from, 0, slash + 1) != 0 ||
      to.find('/', slash + 1) != std::string::npos) {
    return -1;
  }
  const std::string_view folder = std::string_view(from).substr(0, slash);
  const std::int64_t now = CoarseMilliseconds();
  if (held_folder_fd_ < 0 || now - held_folder_used_ms_ > kFolderHold.count() ||
      folder != held_folder_) {
    if (held_folder_fd_ >= 0) ::close(held_folder_fd_);
    held_folder_.assign(folder);
    held_folder_fd_ = ::open(held_folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (held_folder_fd_ < 0) return -1;
  }
  held_folder_used_ms_ = now;
  const char* from_name = from.c_str() + slash + 1;
  const char* to_name = to.c_str() + slash + 1;
  if (::renameat2(held_folder_fd_, from_name, held_folder_fd_, to_name, RENAME_NOREPLACE) == 0) {
    return 0;
  }
  const int err = errno;
  return err == ENOENT || err == EINVAL ? -1 : err;
}

Status PosixFileSystem::RenameNoReplace(const std::u16string& from, const std::u16string& to) {
  if (from == to) return {};
  // The system's bytes of both paths, in buffers that keep their room from
  // one rename of a run to the next.
  thread_local std::string src;
  thread_local std::string dst;
  AssignUtf8(from, src);
  AssignUtf8(to, dst);
  int err = MoveWithinFolder(src, dst);
  if (err < 0) err = MoveNoReplace(src, dst);
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
