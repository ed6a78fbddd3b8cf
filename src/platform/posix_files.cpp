// PosixFileSystem: reading and writing whole files, folders, and the
// locked, mapped appends of the rename log.

#include "platform/posix_file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <random>

#include "platform/posix_internal.h"

namespace tessivo {

using namespace posix_internal;

namespace {

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
// grown with fallocate, by about what it holds (kMapStep at first, at most
// kMaxMapStep), so a full disk fails the append instead of faulting the
// process later, and cut back to its data when the mapping ends (Sync, a
// cut, the destructor). A process killed while mapped leaves up to
// kMaxMapStep zero bytes after its last line; whoever repairs the file skips
// them and cuts everything after the last line feed. File
// systems without fallocate or mmap get plain writes, and so do files opened
// without the lock, which may have other writers.
class PosixAppendFile : public AppendFile {
 public:
  static constexpr std::uint64_t kMapStep = 32 * 1024;
  static constexpr std::uint64_t kMaxMapStep = 1024 * 1024;

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
    const std::uint64_t step = std::clamp(std::bit_floor(needed), kMapStep, kMaxMapStep);
    const std::uint64_t capacity = (needed + step - 1) / step * step;
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
    // The new pages are made present in one call rather than one fault per
    // page as the lines reach them (where the system cannot, they fault).
    const std::uint64_t page = static_cast<std::uint64_t>(::getpagesize());
    const std::uint64_t page_from = from / page * page;
#ifdef MADV_POPULATE_WRITE
    (void)::madvise(map_ + page_from, capacity - page_from, MADV_POPULATE_WRITE);
#endif
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
  return ReplaceWhole(path, bytes, /*sync=*/true);
}

Status PosixFileSystem::WriteFileAtomicUnsynced(const std::u16string& path,
                                                const std::string& bytes) {
  return ReplaceWhole(path, bytes, /*sync=*/false);
}

Status PosixFileSystem::ReplaceWhole(const std::u16string& path, const std::string& bytes,
                                     bool sync) {
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
  if (sync && ::fsync(temp.get()) != 0) return fail(errno, "sync");
  if (int err = temp.Close()) return fail(err, "close");
  // The one place where replacing is the point: the old content goes only
  // once the new one is complete on disk.
  if (::rename(temp_path.c_str(), target.c_str()) != 0) return fail(errno, "rename");
  if (!sync) return {};
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

}  // namespace tessivo
