#pragma once
// How a folder's file system treats the names in it, and a per-run memory of
// it.
//
// Windows folders ignore letter case; most Linux folders do not: there
// "IMG.jpg" and "img.jpg" are two files, and renaming one to the other is a
// real change. So every comparison of names that concerns a folder (the
// duplicate check of listed paths, validation, collision serials, the
// uniqueness of 8.3 names) asks the folder first: exactly where it keeps
// case, after simple upper-case mapping where it ignores case.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tessivo {

class FileSystem;

struct NameRules {
  // Names that differ only in letter case name the same entry.
  bool ignores_case = false;
  // The longest name the folder holds, in bytes of the name on disk.
  std::size_t max_name_bytes = 255;

  friend bool operator==(const NameRules&, const NameRules&) = default;
};

// The inode flag of an ext4/f2fs folder whose names are looked up with case
// folding (FS_CASEFOLD_FL of linux/fs.h, which older headers lack).
inline constexpr std::uint32_t kCaseFoldFlag = 0x40000000;

// The rules of a folder from what the system tells about it: the statfs
// type and name length (0 when unknown: 255 is assumed) and the folder's
// inode flags (FS_IOC_GETFLAGS; 0 when they cannot be read). FAT, exFAT,
// CIFS/SMB and ISO 9660 mounts ignore case; elsewhere the case-folding flag
// decides.
NameRules NameRulesFromSystem(std::int64_t statfs_type, std::int64_t name_length,
                              std::uint32_t inode_flags);

// Asks the file system once per folder and remembers the answer, for one
// run: a run touches many rows in few folders. Folders are keyed by their
// text as given (a row's folder cell, "/" at the end). Borrows `fs`.
class NameRulesCache {
 public:
  explicit NameRulesCache(FileSystem& fs) : fs_(fs) {}
  NameRulesCache(const NameRulesCache&) = delete;
  NameRulesCache& operator=(const NameRulesCache&) = delete;

  const NameRules& Of(std::u16string_view folder);
  // Forgets every answer (a new run).
  void Clear() {
    rules_.clear();
    last_ = nullptr;
  }

 private:
  struct ViewHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view s) const {
      return std::hash<std::u16string_view>{}(s);
    }
  };
  FileSystem& fs_;
  std::unordered_map<std::u16string, NameRules, ViewHash, std::equal_to<>> rules_;
  // Rows come folder by folder: the last folder asked about (map entries
  // stay in place while the map grows).
  const std::pair<const std::u16string, NameRules>* last_ = nullptr;
};

}  // namespace tessivo
