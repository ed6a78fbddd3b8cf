#pragma once
// FolderSnapshotFileSystem: answers "is an entry of this name there?" from
// one listing per folder, for a preview that validates many rows of the same
// folders.
//
// Validation asks twice per row whether a name exists (the new name and the
// old one). Over a folder of 50,000 files that is 100,000 look-ups, where
// one listing of the names (a few reads of the folder, no look-up per entry)
// tells the same. A folder is listed only after it has been asked about
// kSnapshotAfter times, so a few rows in a huge folder still cost a few
// look-ups and never a listing. Names compare as the folder's file system
// compares them: exactly, or after simple upper-case mapping where the
// folder ignores case; a folder that cannot be listed keeps being asked
// directly. The name rules of each folder are asked once (NameRulesOf).
//
// A snapshot is a moment of the disk: use one per preview run and drop it
// afterwards. A folder listed just before (by the scan of an unattended
// run) can be handed over with Seed instead of being listed again. Everything other than Exists is passed to the wrapped file
// system unchanged; the execution never uses a snapshot (the rename itself
// is the final word there).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace tessivo {

class FolderSnapshotFileSystem final : public FileSystem {
 public:
  static constexpr int kSnapshotAfter = 64;

  explicit FolderSnapshotFileSystem(FileSystem& base) : base_(base), rules_(base) {}

  bool Exists(const std::u16string& path) override;

  // Takes `entries` as the listing of `folder` (ending in "/"), listed just
  // before by the caller, so the snapshot does not list it again.
  void Seed(const std::u16string& folder, std::vector<DirEntry>&& entries);

  using FileSystem::List;
  Result<std::vector<DirEntry>> List(const std::u16string& folder, ListDetail detail) override {
    return base_.List(folder, detail);
  }
  Result<FileInfo> Stat(const std::u16string& path) override { return base_.Stat(path); }
  Status RenameNoReplace(const std::u16string& from, const std::u16string& to) override {
    return base_.RenameNoReplace(from, to);
  }
  Status SetTimes(const std::u16string& path, std::optional<FileTime> creation,
                  std::optional<FileTime> last_write) override {
    return base_.SetTimes(path, creation, last_write);
  }
  Status SetAttributes(const std::u16string& path, std::uint32_t attributes) override {
    return base_.SetAttributes(path, attributes);
  }
  Result<std::u16string> ShortName(const std::u16string& path) override {
    return base_.ShortName(path);
  }
  FileSystemKind KindOf(const std::u16string& path) override { return base_.KindOf(path); }
  NameRules NameRulesOf(const std::u16string& folder) override { return rules_.Of(folder); }
  Result<std::u16string> ReadLink(const std::u16string& path) override {
    return base_.ReadLink(path);
  }
  Result<std::string> ReadRange(const std::u16string& path, std::uint64_t offset,
                                std::size_t max_bytes) override {
    return base_.ReadRange(path, offset, max_bytes);
  }
  Result<std::string> ReadFile(const std::u16string& path) override {
    return base_.ReadFile(path);
  }
  Result<std::string> ReadOwnFile(const std::u16string& path, std::uint64_t offset,
                                  std::size_t max_bytes) override {
    return base_.ReadOwnFile(path, offset, max_bytes);
  }
  Status WriteFileAtomic(const std::u16string& path, const std::string& bytes) override {
    return base_.WriteFileAtomic(path, bytes);
  }
  Status WriteFileAtomicUnsynced(const std::u16string& path, const std::string& bytes) override {
    return base_.WriteFileAtomicUnsynced(path, bytes);
  }
  Status RemoveFile(const std::u16string& path) override { return base_.RemoveFile(path); }
  Status CreateFolders(const std::u16string& path, unsigned mode) override {
    return base_.CreateFolders(path, mode);
  }
  Result<std::unique_ptr<AppendFile>> OpenAppend(const std::u16string& path,
                                                 bool lock) override {
    return base_.OpenAppend(path, lock);
  }
  bool IsLocked(const std::u16string& path) override { return base_.IsLocked(path); }

 private:
  // Hashing that takes views, so a look-up needs no copy of the name.
  struct ViewHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view s) const {
      return std::hash<std::u16string_view>{}(s);
    }
  };

  // The names of one listed folder in an open-addressed table. A slot holds
  // the hash and the place of its name, and the names lie one after the
  // other in one array: a look-up reads one slot and, on a hash match, one
  // name, which keeps a large folder's look-ups to two cache misses.
  class NameSet {
   public:
    // With `ignore_case` names are kept and looked up upper-cased.
    void Assign(std::vector<DirEntry>&& entries, bool ignore_case);
    bool Contains(std::u16string_view name) const;

   private:
    struct Slot {
      std::uint32_t hash = 0;    // low bits of the name's hash
      std::uint32_t length = 0;  // of the name, in code units
      std::uint32_t begin = 0;   // of the name in chars_, + 1; 0 is empty
    };
    bool ContainsKey(std::u16string_view key) const;

    bool ignore_case_ = false;
    std::vector<char16_t> chars_;
    std::vector<Slot> slots_;
  };

  struct Folder {
    int asked = 0;
    bool listed = false;
    bool unlistable = false;
    NameSet names;
  };

  FileSystem& base_;
  NameRulesCache rules_;
  std::unordered_map<std::u16string, Folder, ViewHash, std::equal_to<>> folders_;
  // Rows come folder by folder: the entry of the last question's folder
  // (entries stay in place while the map grows).
  std::pair<const std::u16string, Folder>* last_ = nullptr;
};

}  // namespace tessivo
