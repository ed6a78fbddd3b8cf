#pragma once
// PosixFileSystem: the FileSystem of the running program, made of Linux
// system calls.
//
// - Names are bytes on disk and UTF-16 here (file_name_bytes.h).
// - A symbolic link is an entry of its own: Stat, SetTimes, SetAttributes
//   and RenameNoReplace act on the link, never on its target; List and
//   the reads follow it, as opening a path does. ReadOwnFile and OpenAppend
//   (the program's own files) do not: they open with O_NOFOLLOW.
// - Every file is opened with O_NONBLOCK and read only when it is a regular
//   file, so a FIFO, socket or device never makes the program wait.
// - How attributes, creation times and short names are reached depends on
//   the kind of file system (KindOf):
//     kFat    FAT_IOCTL_GET/SET_ATTRIBUTES, VFAT_IOCTL_READDIR_BOTH
//     kNtfs   "system.ntfs_attrib" (4 bytes LE), "system.ntfs_crtime"
//             (8 bytes LE FILETIME) where the statx birth time is missing
//     kCifs   "user.cifs.dosattrib" (4 bytes LE), "user.cifs.creationtime"
//     kOther  "user.DOSATTRIB" as Samba keeps it (dos_attrib.h); no channel
//             for setting a creation time
//   Read-only also follows the permission bits everywhere: an entry without
//   any write bit reads as read-only.
// - RenameNoReplace never replaces anything. It uses renameat2 with
//   RENAME_NOREPLACE; where the file system lacks the flag (EINVAL) a file is
//   moved with link + unlink, or, without hard links, by renaming over an
//   O_EXCL placeholder; a folder by renaming over a mkdir placeholder. A
//   rename that meets its own file under the target name (a change of letter
//   case on a case-insensitive mount) goes through TempNameFor (temp_name.h)
//   and puts the name back when the second step fails.
//
//   Renames within one folder that follow one another closely (a run over a
//   folder) go through a descriptor of that folder, opened by the first of
//   them and let go after kFolderHold without one: the system then looks up
//   the two names alone rather than walking both whole paths. A name no
//   longer found there is tried again by its whole path.
//
// Thread-compatible: one object may be used from one thread at a time; it
// keeps no state besides its options and that folder descriptor.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tessivo {

// Test seams: force the fallback paths of RenameNoReplace on a file system
// that would not need them.
struct PosixFileSystemOptions {
  bool no_rename_noreplace = false;  // act as if renameat2 gave EINVAL
  bool no_hard_links = false;        // act as if link() gave EPERM
};

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(PosixFileSystemOptions options = {}) : options_(options) {}
  ~PosixFileSystem() override;
  PosixFileSystem(const PosixFileSystem&) = delete;
  PosixFileSystem& operator=(const PosixFileSystem&) = delete;

  static constexpr std::chrono::milliseconds kFolderHold{500};

  using FileSystem::List;
  Result<std::vector<DirEntry>> List(const std::u16string& folder, ListDetail detail) override;
  Result<FileInfo> Stat(const std::u16string& path) override;
  bool Exists(const std::u16string& path) override;
  Status RenameNoReplace(const std::u16string& from, const std::u16string& to) override;
  // Fails with kNotSupported, changing nothing, when a creation time is
  // given and the file system has no channel for it; with kIo when a time
  // read back differs at the file system's granularity (both restored).
  Status SetTimes(const std::u16string& path, std::optional<FileTime> creation,
                  std::optional<FileTime> last_write) override;
  // kNotSupported when hidden, system or archive would change and the file
  // system cannot store them; nothing is changed then.
  Status SetAttributes(const std::u16string& path, std::uint32_t attributes) override;
  Result<std::u16string> ShortName(const std::u16string& path) override;
  FileSystemKind KindOf(const std::u16string& path) override;
  // statfs (type, f_namelen) and the folder's FS_IOC_GETFLAGS.
  NameRules NameRulesOf(const std::u16string& folder) override;
  Result<std::u16string> ReadLink(const std::u16string& path) override;
  Result<std::string> ReadRange(const std::u16string& path, std::uint64_t offset,
                                std::size_t max_bytes) override;
  Result<std::string> ReadFile(const std::u16string& path) override;
  Result<std::string> ReadOwnFile(const std::u16string& path, std::uint64_t offset,
                                  std::size_t max_bytes) override;
  Status WriteFileAtomic(const std::u16string& path, const std::string& bytes) override;
  Status WriteFileAtomicUnsynced(const std::u16string& path, const std::string& bytes) override;
  Status RemoveFile(const std::u16string& path) override;
  Status CreateFolders(const std::u16string& path, unsigned mode) override;
  Result<std::unique_ptr<AppendFile>> OpenAppend(const std::u16string& path, bool lock) override;
  bool IsLocked(const std::u16string& path) override;

 private:
  // One move that never replaces, with the fallbacks for file systems
  // without RENAME_NOREPLACE. Returns 0 or an errno value.
  int MoveNoReplace(const std::string& from, const std::string& to) const;
  // renameat2(RENAME_NOREPLACE) through the descriptor of the folder both
  // paths are in: 0 or an errno value; -1 when the paths are not in one
  // folder, the folder cannot be opened, or the answer is to be had from the
  // whole paths (a missing name, a file system without the flag).
  int MoveWithinFolder(const std::string& from, const std::string& to);
  // WriteFileAtomic, syncing the file and its folder when `sync` is set.
  Status ReplaceWhole(const std::u16string& path, const std::string& bytes, bool sync);

  PosixFileSystemOptions options_;
  std::string held_folder_;
  int held_folder_fd_ = -1;
  std::int64_t held_folder_used_ms_ = 0;  // CLOCK_MONOTONIC_COARSE
};

}  // namespace tessivo
