#pragma once
// FileSystem: how Tessivo reaches the disk. The core never calls the
// operating system itself; it is handed a FileSystem& and asks it. Tests hand
// it a fake that keeps files in memory and can be told to fail (see
// tests/support/fake_file_system.h); the program hands it PosixFileSystem.
//
// Paths are UTF-16 and absolute ("/" separated, beginning with "/"). File
// names on Linux are bytes: the implementation converts at this boundary
// with the surrogate escape of file_name_bytes.h, so every listed name maps
// back to its exact bytes.
//
// A symbolic link is an entry of its own: Stat, SetTimes, SetAttributes and
// RenameNoReplace act on the link itself; List and the reads follow it,
// except those of the program's own files (ReadOwnFile, OpenAppend).
//
// Times are FILETIME values: 100 ns units since 1601-01-01 UTC.
// Attributes are the Windows bits below, mapped per file system type.
//
// Every call that can fail returns Result/Status; ENOENT is kNotFound and a
// target that exists is kExists. There is deliberately no overwriting rename.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_time.h"
#include "base/result.h"
#include "platform/name_rules.h"

namespace tessivo {


namespace attr {
inline constexpr std::uint32_t kReadOnly = 0x1;
inline constexpr std::uint32_t kHidden = 0x2;
inline constexpr std::uint32_t kSystem = 0x4;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
}  // namespace attr

// What a look-up of one path tells. A symbolic link is reported as a link;
// `is_directory` then tells whether its target is a folder.
struct FileInfo {
  bool is_directory = false;
  bool is_symlink = false;
  std::uint64_t size = 0;
  FileTime creation_time = 0;    // birth time where the system keeps one, else last_write_time
  FileTime last_write_time = 0;
  std::uint32_t attributes = 0;  // attr:: bits, kDirectory included for folders
};

struct DirEntry {
  std::u16string name;  // no path
  FileInfo info;
};

// The kind of file system a path lives on; it decides how attributes, creation
// times and short names are reached and at what granularity times are kept.
enum class FileSystemKind { kOther, kFat, kNtfs, kCifs };

// How much a listing tells. kNoAttributes leaves out the hidden, system and
// archive bits kept outside the inode (extended attributes, FAT ioctls), the
// costliest part of a listing; read-only (from the permission bits), hidden
// for dot names and the folder bit are still given. kNamesOnly tells only
// names, the folder bit and hidden for dot names, where the folder itself
// tells the kind of an entry (no look-up per entry): sizes and times are 0.
enum class ListDetail { kFull, kNoAttributes, kNamesOnly };

// An open file that is only appended to, cut back and synced: the rename log.
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  // Adds all of `bytes` at the end in one step: a process killed meanwhile
  // leaves at most this last piece torn.
  virtual Status Append(std::string_view bytes) = 0;
  // Cuts the file back to `length` bytes (takes out a line written ahead).
  virtual Status Truncate(std::uint64_t length) = 0;
  virtual std::uint64_t Size() const = 0;
  // Flushes to the disk.
  virtual Status Sync() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The entries of a folder, without "." and "..", in the order the system
  // gives them. kNotFound when the folder does not exist.
  virtual Result<std::vector<DirEntry>> List(const std::u16string& folder, ListDetail detail) = 0;
  Result<std::vector<DirEntry>> List(const std::u16string& folder) {
    return List(folder, ListDetail::kFull);
  }

  // Looks a path up without following a final symbolic link (is_symlink set,
  // is_directory telling the target's kind). kNotFound when nothing is there.
  virtual Result<FileInfo> Stat(const std::u16string& path) = 0;

  // Whether an entry of that name is there (a dangling link counts): the
  // one look-up validation needs, without the attribute and file-system
  // queries of Stat.
  virtual bool Exists(const std::u16string& path) { return Stat(path).has_value(); }

  // Moves `from` to `to` only if `to` does not exist: kExists otherwise.
  // Never replaces anything, on any file system. Equal paths succeed without
  // a system call. A change of letter case only goes through a temporary
  // name in the same folder.
  virtual Status RenameNoReplace(const std::u16string& from, const std::u16string& to) = 0;

  // Sets the creation and/or last-write time; a missing one is left alone.
  // All or nothing: if one cannot be set, neither is changed. The result is
  // read back and compared at the file system's granularity.
  virtual Status SetTimes(const std::u16string& path, std::optional<FileTime> creation,
                          std::optional<FileTime> last_write) = 0;

  // Sets the read-only, hidden, system and archive bits to `attributes`.
  virtual Status SetAttributes(const std::u16string& path, std::uint32_t attributes) = 0;

  // The 8.3 name the file system keeps for `path` (FAT only); kNotSupported
  // elsewhere, where callers generate one themselves.
  virtual Result<std::u16string> ShortName(const std::u16string& path) = 0;

  virtual FileSystemKind KindOf(const std::u16string& path) = 0;

  // Whether names in `folder` ignore letter case, and how long they may be
  // (name_rules.h). A folder that does not exist answers for its nearest
  // existing parent; one that cannot be asked at all keeps case and 255
  // bytes. Costs system calls: a run asks through a NameRulesCache.
  virtual NameRules NameRulesOf(const std::u16string& folder) = 0;

  // The target of a symbolic link, as stored (may be relative).
  virtual Result<std::u16string> ReadLink(const std::u16string& path) = 0;

  // Reads at most `max_bytes` bytes from `offset`; fewer at the end of file.
  // Only a regular file is read (kInvalidArgument for anything else): a
  // FIFO, socket or device never makes a read wait.
  virtual Result<std::string> ReadRange(const std::u16string& path, std::uint64_t offset,
                                        std::size_t max_bytes) = 0;
  // Reads a whole regular file, as ReadRange.
  virtual Result<std::string> ReadFile(const std::u16string& path) = 0;
  // ReadRange for the program's own files (the rename logs): a final
  // symbolic link is not followed, and anything but a regular file owned by
  // the user is refused with kPermission.
  virtual Result<std::string> ReadOwnFile(const std::u16string& path, std::uint64_t offset,
                                          std::size_t max_bytes) = 0;

  // Replaces `path` whole: writes a new file beside it, syncs it and renames
  // it over the old one, so a crash leaves either the old or the new file.
  virtual Status WriteFileAtomic(const std::u16string& path, const std::string& bytes) = 0;
  // WriteFileAtomic without waiting for the disk: the rename still replaces
  // the file whole for every reader and for a killed program, but after a
  // power cut the write may be missing. For a write that a later
  // WriteFileAtomic of the same file makes durable; syncing costs the
  // commit of every change pending on the file system, other programs' too.
  virtual Status WriteFileAtomicUnsynced(const std::u16string& path, const std::string& bytes) {
    return WriteFileAtomic(path, bytes);
  }

  // Removes a file (not a folder). kNotFound when it is not there.
  virtual Status RemoveFile(const std::u16string& path) = 0;

  // Creates a folder and any missing parents with the given mode.
  virtual Status CreateFolders(const std::u16string& path, unsigned mode) = 0;

  // Opens (creating when missing, mode 0600) one of the program's own files
  // for appending: as ReadOwnFile, a final symbolic link is not followed and
  // anything but a regular file of the user is refused. With `lock`, takes an
  // exclusive advisory lock that lasts as long as the returned object, and
  // fails with kBusy when another process holds it. While a locked file is
  // open its length on disk may run ahead of Size() with zero bytes; it is
  // cut back when the object syncs, cuts or goes away.
  virtual Result<std::unique_ptr<AppendFile>> OpenAppend(const std::u16string& path,
                                                         bool lock) = 0;

  // Whether some other process holds the lock of OpenAppend on `path`.
  virtual bool IsLocked(const std::u16string& path) = 0;
};

}  // namespace tessivo
