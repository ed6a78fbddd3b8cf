#pragma once
// FakeFileSystem: a FileSystem that keeps a tree of folders, files and
// symbolic links in memory, for tests of everything above the platform layer.
//
// - Paths are absolute and "/" separated; a trailing "/" is ignored. "/"
//   always exists. Names compare code unit for code unit, except in folders
//   told to ignore letter case (SetNameRules, as FAT or SMB): there a name
//   finds the entry in any spelling, and a rename to another spelling of the
//   same entry changes its spelling.
// - Every successful change is recorded (renamed_, written_, ...), so a test
//   can check what a run did. Failures are injected per operation (the Nth
//   call from now, or every call naming a path); they change nothing and are
//   not recorded. With forbid_changes_ set, a changing call is a test failure.
// - RenameNoReplace never replaces anything (kExists, an empty folder too);
//   equal paths succeed doing nothing.
// - Times and attributes are stored as given. Creation times can be set only
//   on kNtfs and kCifs mounts (elsewhere kNotSupported, nothing changed); kFat
//   keeps last-write times in 2 s steps. Files the program writes get now_.
// - A symbolic link is an entry of its own for Stat, SetTimes, SetAttributes
//   and RenameNoReplace; List and the reads follow it, except ReadOwnFile and
//   OpenAppend, which refuse it (kPermission).
// - List gives entries in creation order (renames keep their place) and adds
//   kHidden to names beginning with ".".
//
// Not thread-safe. Append files handed out by OpenAppend refer back to the
// fake, which must outlive them.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace tessivo {

class FakeFileSystem : public FileSystem {
 public:
  // The operations failures can be injected into.
  enum class Op {
    kList,
    kStat,
    kRenameNoReplace,
    kSetTimes,
    kSetAttributes,
    kShortName,
    kReadRange,
    kReadOwnFile,
    kWriteFileAtomic,
    kRemoveFile,
    kCreateFolders,
    kOpenAppend,
    kNameRulesOf,  // counted only; never fails
    kAppend,    // AppendFile::Append
    kTruncate,  // AppendFile::Truncate
  };
  static constexpr int kOpCount = static_cast<int>(Op::kTruncate) + 1;

  // 2021-01-01 00:00:00 UTC as a FILETIME, the default time of added files.
  static constexpr FileTime kDefaultTime = 132539328000000000LL;

  struct Node {
    enum class Kind { kFolder, kFile, kSymlink };
    Kind kind = Kind::kFile;
    std::string bytes;          // file content
    std::u16string link;        // symlink target as stored
    FileTime creation_time = kDefaultTime;
    FileTime last_write_time = kDefaultTime;
    std::uint32_t attributes = 0;  // stored word, without kDirectory
    std::optional<std::u16string> short_name;
    std::uint64_t order = 0;    // creation order, for List
  };

  FakeFileSystem();
  ~FakeFileSystem() override;

  // ---- building a tree; each aborts the test (ADD_FAILURE) on misuse ----
  void AddFolder(const std::u16string& path, FileTime last_write = kDefaultTime,
                 std::optional<FileTime> creation = std::nullopt, std::uint32_t attributes = 0);
  void AddFile(const std::u16string& path, std::string bytes = {},
               FileTime last_write = kDefaultTime,
               std::optional<FileTime> creation = std::nullopt, std::uint32_t attributes = 0);
  void AddSymlink(const std::u16string& path, const std::u16string& target);
  // Everything under the folder `prefix` (the longest that matches wins) has
  // `kind` and `rules`; until set, kOther and NameRules().
  void SetKind(const std::u16string& prefix, FileSystemKind kind);
  void SetNameRules(const std::u16string& prefix, NameRules rules);
  // The 8.3 name ShortName returns for `path` on a kFat mount.
  void SetShortName(const std::u16string& path, const std::u16string& short_name);
  // Pretends another process holds the OpenAppend lock of `path`.
  void SetLockedByOther(const std::u16string& path, bool locked = true);

  // ---- inspection ----
  bool Exists(const std::u16string& path) const;
  // Content of a file; nullopt when `path` is not a file.
  std::optional<std::string> Content(const std::u16string& path) const;
  // The node at `path` (no link followed), or nullptr.
  const Node* Find(const std::u16string& path) const;
  Node* FindMutable(const std::u16string& path);
  // Every path in the tree except "/", sorted; handy to compare whole trees.
  std::vector<std::u16string> AllPaths() const;

  // ---- failure injection ----
  // Fails the `n`th call of `op` counted from now (1 = the next one).
  void FailNthCall(Op op, int n, ErrorCode code);
  // Fails every call of `op` naming `path` (as source or target for renames).
  void FailPath(Op op, const std::u16string& path, ErrorCode code);
  void ClearFailures();
  // How many times `op` was called, failures included.
  int Calls(Op op) const { return calls_[static_cast<int>(op)]; }

  // ---- FileSystem ----
  using FileSystem::List;
  Result<std::vector<DirEntry>> List(const std::u16string& folder, ListDetail detail) override;
  Result<FileInfo> Stat(const std::u16string& path) override;
  Status RenameNoReplace(const std::u16string& from, const std::u16string& to) override;
  Status SetTimes(const std::u16string& path, std::optional<FileTime> creation,
                  std::optional<FileTime> last_write) override;
  Status SetAttributes(const std::u16string& path, std::uint32_t attributes) override;
  Result<std::u16string> ShortName(const std::u16string& path) override;
  FileSystemKind KindOf(const std::u16string& path) override;
  NameRules NameRulesOf(const std::u16string& folder) override;
  Result<std::u16string> ReadLink(const std::u16string& path) override;
  Result<std::string> ReadRange(const std::u16string& path, std::uint64_t offset,
                                std::size_t max_bytes) override;
  Result<std::string> ReadFile(const std::u16string& path) override;
  Result<std::string> ReadOwnFile(const std::u16string& path, std::uint64_t offset,
                                  std::size_t max_bytes) override;
  Status WriteFileAtomic(const std::u16string& path, const std::string& bytes) override;
  Status RemoveFile(const std::u16string& path) override;
  Status CreateFolders(const std::u16string& path, unsigned mode) override;
  Result<std::unique_ptr<AppendFile>> OpenAppend(const std::u16string& path, bool lock) override;
  bool IsLocked(const std::u16string& path) override;

  // ---- records of successful changes, in order ----
  std::vector<std::pair<std::u16string, std::u16string>> renamed_;  // from, to
  std::vector<std::u16string> written_;        // WriteFileAtomic
  std::vector<std::u16string> removed_;        // RemoveFile
  std::vector<std::u16string> folders_created_;  // each folder CreateFolders made
  struct TimesSet {
    std::u16string path;
    std::optional<FileTime> creation;
    std::optional<FileTime> last_write;
  };
  std::vector<TimesSet> times_set_;
  std::vector<std::pair<std::u16string, std::uint32_t>> attributes_set_;
  std::vector<std::u16string> appended_;       // path of each successful Append

  // Time given to files written, appended or created by the program.
  FileTime now_ = kDefaultTime + 10'000'000LL * 86400;
  // When set, any changing call is a test failure.
  bool forbid_changes_ = false;

 private:
  class FakeAppendFile;
  friend class FakeAppendFile;
  using NodePtr = std::shared_ptr<Node>;

  // Counts the call and returns the injected failure for it, if any.
  std::optional<Error> Injected(Op op, const std::u16string& path,
                                const std::u16string& other = {});
  bool ChangeAllowed(const char* what);
  // Injected(), then a test failure and kPermission while changes are forbidden.
  std::optional<Error> Change(Op op, const char* what, const std::u16string& path,
                              const std::u16string& other = {});
  // The entry `path` names, no link followed at its end; kNotFound if none.
  struct Located {
    std::u16string path;  // normalized, as stored
    NodePtr node;
  };
  Result<Located> Locate(const std::u16string& path) const;
  // Follows symbolic links in every component (the last one too when
  // `follow_last`); returns the normalized path or an error (kNotFound for a
  // dangling or missing component, kIo for a loop).
  Result<std::u16string> Resolve(const std::u16string& path, bool follow_last) const;
  NodePtr Lookup(const std::u16string& normalized) const;
  // The stored path of the entry `normalized` names: itself, or in a folder
  // that ignores case the one entry equal to it ignoring case. Empty when
  // there is none.
  std::u16string StoredPath(const std::u16string& normalized) const;
  // The rules of the folder holding `normalized`.
  NameRules RulesAt(const std::u16string& normalized) const;
  Result<NodePtr> FileAt(const std::u16string& path);
  // Stores `node` at `normalized`; an entry it replaces keeps its place in List.
  void Insert(const std::u16string& normalized, NodePtr node);
  // `path` normalized, its missing parents made; empty (and a test failure)
  // when nothing can be added there.
  std::u16string PathToAdd(const char* what, const std::u16string& path);
  void Add(Node::Kind kind, const std::u16string& path, std::string bytes, FileTime last_write,
           std::optional<FileTime> creation, std::uint32_t attributes);
  bool MakeParents(const std::u16string& normalized);
  FileInfo InfoOf(const std::u16string& normalized, const Node& node) const;

  std::map<std::u16string, NodePtr> nodes_;  // normalized path -> node
  std::map<std::u16string, FileSystemKind> kinds_;
  std::map<std::u16string, NameRules> name_rules_;
  std::set<std::u16string> locked_;           // held by an open AppendFile
  std::set<std::u16string> locked_by_other_;
  std::uint64_t next_order_ = 0;

  int calls_[kOpCount] = {};
  // Fails call number `call` of `op`, or every call naming `path` when `call` is 0.
  struct Failure {
    Op op;
    int call;
    std::u16string path;
    ErrorCode code;
  };
  std::vector<Failure> failures_;
};

}  // namespace tessivo
