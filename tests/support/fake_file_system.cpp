#include "support/fake_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

using Kind = FakeFileSystem::Node::Kind;

// FAT keeps last-write times in 2 s steps.
constexpr FileTime kFatStep = 20'000'000;

std::u16string ParentOf(const std::u16string& normalized) {
  auto slash = normalized.rfind(u'/');
  if (slash == 0 || slash == std::u16string::npos) return u"/";
  return normalized.substr(0, slash);
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  return folder == u"/" ? u"/" + name : folder + u"/" + name;
}

bool IsUnder(const std::u16string& path, const std::u16string& folder) {
  if (folder == u"/") return true;
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == u'/';
}

Error Fail(ErrorCode code, const std::u16string& path) { return MakeError(code, path); }

// Folders that ignore case compare ASCII letters without case; tests use
// ASCII names for them.
bool SameIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 0x20) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
           return upper(x) == upper(y);
         });
}

// Normalizes a path the way the fake compares them: "//" folded, a trailing
// "/" dropped, "." components removed, ".." taken back. Empty for a relative
// path.
std::u16string NormalizeFakePath(const std::u16string& path) {
  if (path.empty() || path[0] != u'/') return {};
  std::vector<std::u16string> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == u'/') ++i;
    std::size_t end = path.find(u'/', i);
    if (end == std::u16string::npos) end = path.size();
    std::u16string part = path.substr(i, end - i);
    i = end;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(part));
  }
  std::u16string out;
  for (const auto& part : parts) out += u"/" + part;
  return out.empty() ? u"/" : out;
}

// The value of the longest prefix in `by_prefix` that is `path` or a folder
// above it; `value` when none is.
template <typename V>
V LongestPrefix(const std::map<std::u16string, V>& by_prefix, const std::u16string& path,
                V value) {
  std::size_t best = 0;
  for (const auto& [prefix, v] : by_prefix) {
    if ((path == prefix || IsUnder(path, prefix)) && prefix.size() >= best) {
      best = prefix.size();
      value = v;
    }
  }
  return value;
}

std::shared_ptr<FakeFileSystem::Node> NewNode(Kind kind, FileTime time) {
  auto node = std::make_shared<FakeFileSystem::Node>();
  node->kind = kind;
  node->creation_time = time;
  node->last_write_time = time;
  return node;
}

}  // namespace

// Append files.

class FakeFileSystem::FakeAppendFile : public AppendFile {
 public:
  FakeAppendFile(FakeFileSystem* fs, std::u16string path, NodePtr node, bool locked)
      : fs_(fs), path_(std::move(path)), node_(std::move(node)), locked_(locked) {}
  ~FakeAppendFile() override { if (locked_) fs_->locked_.erase(path_); }

  Status Append(std::string_view bytes) override {
    if (auto e = fs_->Change(Op::kAppend, "Append", path_)) return *e;
    node_->bytes += bytes;
    node_->last_write_time = fs_->now_;
    fs_->appended_.push_back(path_);
    return {};
  }
  Status Truncate(std::uint64_t length) override {
    if (auto e = fs_->Change(Op::kTruncate, "Truncate", path_)) return *e;
    node_->bytes.resize(length, '\0');
    node_->last_write_time = fs_->now_;
    return {};
  }
  std::uint64_t Size() const override { return node_->bytes.size(); }
  Status Sync() override { return {}; }

 private:
  FakeFileSystem* fs_;
  std::u16string path_;
  NodePtr node_;
  bool locked_;
};

// Building and inspecting.

FakeFileSystem::FakeFileSystem() { nodes_[u"/"] = NewNode(Kind::kFolder, kDefaultTime); }

FakeFileSystem::~FakeFileSystem() = default;

void FakeFileSystem::Insert(const std::u16string& normalized, NodePtr node) {
  NodePtr& slot = nodes_[normalized];
  node->order = slot ? slot->order : next_order_++;
  slot = std::move(node);
}

bool FakeFileSystem::MakeParents(const std::u16string& normalized) {
  std::u16string parent = ParentOf(normalized);
  if (parent == u"/") return true;
  if (NodePtr existing = Lookup(parent)) return existing->kind == Kind::kFolder;
  if (!MakeParents(parent)) return false;
  Insert(parent, NewNode(Kind::kFolder, kDefaultTime));
  return true;
}

std::u16string FakeFileSystem::PathToAdd(const char* what, const std::u16string& path) {
  std::u16string p = NormalizeFakePath(path);
  if (p.empty() || p == u"/" || !MakeParents(p)) {
    ADD_FAILURE() << "FakeFileSystem::" << what << ": bad path " << Utf16ToUtf8(path);
    return {};
  }
  return p;
}

void FakeFileSystem::Add(Kind kind, const std::u16string& path, std::string bytes,
                         FileTime last_write, std::optional<FileTime> creation,
                         std::uint32_t attributes) {
  const std::u16string p = PathToAdd(kind == Kind::kFolder ? "AddFolder" : "AddFile", path);
  if (p.empty()) return;
  NodePtr node = Lookup(p);
  if (node && (node->kind == Kind::kFolder) != (kind == Kind::kFolder)) {
    ADD_FAILURE() << "FakeFileSystem: a file and a folder at " << Utf16ToUtf8(path);
    return;
  }
  if (!node || kind == Kind::kFile) Insert(p, node = NewNode(kind, last_write));
  node->bytes = std::move(bytes);
  node->last_write_time = last_write;
  node->creation_time = creation.value_or(last_write);
  node->attributes = attributes & ~attr::kDirectory;
}

void FakeFileSystem::AddFolder(const std::u16string& path, FileTime last_write,
                               std::optional<FileTime> creation, std::uint32_t attributes) {
  Add(Kind::kFolder, path, {}, last_write, creation, attributes);
}

void FakeFileSystem::AddFile(const std::u16string& path, std::string bytes, FileTime last_write,
                             std::optional<FileTime> creation, std::uint32_t attributes) {
  Add(Kind::kFile, path, std::move(bytes), last_write, creation, attributes);
}

void FakeFileSystem::AddSymlink(const std::u16string& path, const std::u16string& target) {
  const std::u16string p = PathToAdd("AddSymlink", path);
  if (p.empty()) return;
  if (Lookup(p)) {
    ADD_FAILURE() << "FakeFileSystem::AddSymlink: taken path " << Utf16ToUtf8(path);
    return;
  }
  NodePtr node = NewNode(Kind::kSymlink, kDefaultTime);
  node->link = target;
  Insert(p, node);
}

void FakeFileSystem::SetKind(const std::u16string& prefix, FileSystemKind kind) {
  kinds_[NormalizeFakePath(prefix)] = kind;
}

void FakeFileSystem::SetNameRules(const std::u16string& prefix, NameRules rules) {
  name_rules_[NormalizeFakePath(prefix)] = rules;
}

void FakeFileSystem::SetShortName(const std::u16string& path, const std::u16string& short_name) {
  Node* node = FindMutable(path);
  if (!node) {
    ADD_FAILURE() << "FakeFileSystem::SetShortName: no " << Utf16ToUtf8(path);
    return;
  }
  node->short_name = short_name;
}

void FakeFileSystem::SetLockedByOther(const std::u16string& path, bool locked) {
  const std::u16string p = NormalizeFakePath(path);
  if (locked) locked_by_other_.insert(p);
  if (!locked) locked_by_other_.erase(p);
}

FakeFileSystem::NodePtr FakeFileSystem::Lookup(const std::u16string& normalized) const {
  auto it = nodes_.find(normalized);
  if (it != nodes_.end()) return it->second;
  const std::u16string stored = StoredPath(normalized);
  return stored.empty() ? nullptr : nodes_.at(stored);
}

std::u16string FakeFileSystem::StoredPath(const std::u16string& normalized) const {
  if (nodes_.count(normalized) != 0) return normalized;
  if (normalized.size() < 2 || !RulesAt(normalized).ignores_case) return {};
  const std::u16string parent = ParentOf(normalized);
  const std::u16string stored_parent = StoredPath(parent);
  if (stored_parent.empty()) return {};
  const std::u16string prefix = stored_parent == u"/" ? u"/" : stored_parent + u"/";
  const std::u16string_view name = std::u16string_view(normalized).substr(normalized.rfind(u'/') + 1);
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.starts_with(prefix);
       ++it) {
    const std::u16string_view rest = std::u16string_view(it->first).substr(prefix.size());
    if (rest.find(u'/') == std::u16string_view::npos && SameIgnoringAsciiCase(rest, name)) {
      return it->first;
    }
  }
  return {};
}

NameRules FakeFileSystem::RulesAt(const std::u16string& normalized) const {
  return LongestPrefix(name_rules_, ParentOf(normalized), NameRules());
}

const FakeFileSystem::Node* FakeFileSystem::Find(const std::u16string& path) const {
  return Lookup(NormalizeFakePath(path)).get();
}

FakeFileSystem::Node* FakeFileSystem::FindMutable(const std::u16string& path) {
  return Lookup(NormalizeFakePath(path)).get();
}

bool FakeFileSystem::Exists(const std::u16string& path) const { return Find(path) != nullptr; }

std::optional<std::string> FakeFileSystem::Content(const std::u16string& path) const {
  const Node* node = Find(path);
  if (!node || node->kind != Kind::kFile) return std::nullopt;
  return node->bytes;
}

std::vector<std::u16string> FakeFileSystem::AllPaths() const {
  std::vector<std::u16string> out;
  for (const auto& [path, node] : nodes_) {
    if (path != u"/") out.push_back(path);
  }
  return out;
}

// Failure injection.

void FakeFileSystem::FailNthCall(Op op, int n, ErrorCode code) {
  failures_.push_back({op, calls_[static_cast<int>(op)] + n, {}, code});
}

void FakeFileSystem::FailPath(Op op, const std::u16string& path, ErrorCode code) {
  failures_.push_back({op, 0, NormalizeFakePath(path), code});
}

void FakeFileSystem::ClearFailures() { failures_.clear(); }

std::optional<Error> FakeFileSystem::Injected(Op op, const std::u16string& path,
                                              const std::u16string& other) {
  const int call = ++calls_[static_cast<int>(op)];
  for (const auto& f : failures_) {
    if (f.op == op && (f.call != 0 ? f.call == call
                                   : f.path == NormalizeFakePath(path) ||
                                         (!other.empty() && f.path == NormalizeFakePath(other)))) {
      return Fail(f.code, path + u" (injected)");
    }
  }
  return std::nullopt;
}

bool FakeFileSystem::ChangeAllowed(const char* what) {
  if (!forbid_changes_) return true;
  ADD_FAILURE() << "FakeFileSystem: " << what << " called while changes are forbidden";
  return false;
}

std::optional<Error> FakeFileSystem::Change(Op op, const char* what, const std::u16string& path,
                                            const std::u16string& other) {
  if (auto e = Injected(op, path, other)) return e;
  if (!ChangeAllowed(what)) return Fail(ErrorCode::kPermission, path);
  return std::nullopt;
}

Result<FakeFileSystem::Located> FakeFileSystem::Locate(const std::u16string& path) const {
  auto resolved = Resolve(path, false);
  if (!resolved) return resolved.error();
  NodePtr node = Lookup(*resolved);
  if (!node) return Fail(ErrorCode::kNotFound, path);
  return Located{*resolved, node};
}

// Path resolution.

Result<std::u16string> FakeFileSystem::Resolve(const std::u16string& path,
                                               bool follow_last) const {
  std::u16string rest = NormalizeFakePath(path);
  if (rest.empty()) return Fail(ErrorCode::kInvalidArgument, path);
  for (int hops = 0; hops <= 40; ++hops) {
    std::u16string done = u"/";
    bool restarted = false;
    std::size_t i = 1;
    while (i < rest.size()) {
      std::size_t end = rest.find(u'/', i);
      bool last = end == std::u16string::npos;
      if (last) end = rest.size();
      std::u16string here = Join(done, rest.substr(i, end - i));
      NodePtr node = Lookup(here);
      if (!node && last) return here;  // the caller decides what a missing leaf means
      if (!node) return Fail(ErrorCode::kNotFound, path);
      here = StoredPath(here);
      if (node->kind == Kind::kSymlink && (!last || follow_last)) {
        std::u16string tail = last ? std::u16string() : rest.substr(end);
        std::u16string target = node->link;
        rest = NormalizeFakePath(target.starts_with(u"/") ? target + tail
                                                          : Join(done, target) + tail);
        restarted = true;
        break;
      }
      if (!last && node->kind != Kind::kFolder) return Fail(ErrorCode::kNotFound, path);
      done = here;
      i = end + 1;
    }
    if (!restarted) return done;
  }
  return Fail(ErrorCode::kIo, path + u" (too many links)");
}

Result<FakeFileSystem::NodePtr> FakeFileSystem::FileAt(const std::u16string& path) {
  auto resolved = Resolve(path, true);
  if (!resolved) return resolved.error();
  NodePtr node = Lookup(*resolved);
  if (!node) return Fail(ErrorCode::kNotFound, path);
  if (node->kind != Kind::kFile) return Fail(ErrorCode::kInvalidArgument, path);
  return node;
}

FileInfo FakeFileSystem::InfoOf(const std::u16string& normalized, const Node& node) const {
  FileInfo info;
  info.creation_time = node.creation_time;
  info.last_write_time = node.last_write_time;
  info.attributes = node.attributes;
  info.is_directory = node.kind == Kind::kFolder;
  if (node.kind == Kind::kFile) info.size = node.bytes.size();
  if (node.kind == Kind::kSymlink) {
    info.is_symlink = true;
    info.size = Utf16ToUtf8(node.link).size();
    const auto target = Resolve(normalized, true);
    const NodePtr t = target ? Lookup(*target) : nullptr;
    info.is_directory = t && t->kind == Kind::kFolder;
  }
  if (info.is_directory) info.attributes |= attr::kDirectory;
  return info;
}

// FileSystem.

Result<std::vector<DirEntry>> FakeFileSystem::List(const std::u16string& folder,
                                                   ListDetail /*detail*/) {
  if (auto e = Injected(Op::kList, folder)) return *e;
  auto resolved = Resolve(folder, true);
  if (!resolved) return resolved.error();
  NodePtr node = Lookup(*resolved);
  if (!node || node->kind != Kind::kFolder) return Fail(ErrorCode::kNotFound, folder);
  std::u16string prefix = *resolved == u"/" ? u"/" : *resolved + u"/";
  std::vector<std::pair<std::uint64_t, DirEntry>> found;
  auto it = nodes_.upper_bound(prefix);  // past "/" itself
  while (it != nodes_.end() && it->first.starts_with(prefix)) {
    const std::u16string& path = it->first;
    std::size_t slash = path.find(u'/', prefix.size());
    if (slash != std::u16string::npos) {
      // Skip the whole subtree: its keys all lie below path[0..slash] + '0'.
      it = nodes_.lower_bound(path.substr(0, slash) + u'0');
      continue;
    }
    DirEntry entry;
    entry.name = path.substr(prefix.size());
    entry.info = InfoOf(path, *it->second);
    if (entry.name.starts_with(u".")) entry.info.attributes |= attr::kHidden;
    found.emplace_back(it->second->order, std::move(entry));
    ++it;
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<DirEntry> out;
  out.reserve(found.size());
  for (auto& f : found) out.push_back(std::move(f.second));
  return out;
}

Result<FileInfo> FakeFileSystem::Stat(const std::u16string& path) {
  if (auto e = Injected(Op::kStat, path)) return *e;
  auto at = Locate(path);
  if (!at) return at.error();
  return InfoOf(at->path, *at->node);
}

Status FakeFileSystem::RenameNoReplace(const std::u16string& from, const std::u16string& to) {
  if (auto e = Change(Op::kRenameNoReplace, "RenameNoReplace", from, to)) return *e;
  if (from == to) return {};
  auto src = Resolve(from, false);
  if (!src) return src.error();
  auto resolved_dst = Resolve(to, false);
  if (!resolved_dst) return resolved_dst.error();
  // The new name as asked for: in a folder that ignores case, Resolve gives
  // the spelling stored, which may be the source's own.
  const std::u16string wanted = NormalizeFakePath(to);
  const std::u16string dst =
      Join(ParentOf(*resolved_dst), wanted.substr(wanted.rfind(u'/') + 1));
  if (*src == dst) return {};
  NodePtr node = Lookup(*src);
  if (!node || *src == u"/") return Fail(ErrorCode::kNotFound, from);
  NodePtr parent = Lookup(ParentOf(dst));
  if (!parent || parent->kind != Kind::kFolder) return Fail(ErrorCode::kNotFound, to);
  // Another spelling of the entry itself (a folder that ignores case) takes
  // the new spelling; anything else there stops the rename.
  if (NodePtr there = Lookup(dst); there && there != node) return Fail(ErrorCode::kExists, to);
  if (IsUnder(dst, *src)) return Fail(ErrorCode::kInvalidArgument, to);

  std::vector<std::pair<std::u16string, NodePtr>> moved;
  moved.emplace_back(dst, node);
  nodes_.erase(*src);
  const std::u16string prefix = *src + u"/";  // what a folder holds moves with it
  for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.starts_with(prefix);) {
    moved.emplace_back(dst + it->first.substr(src->size()), it->second);
    it = nodes_.erase(it);
  }
  for (auto& [path, n] : moved) nodes_[path] = n;
  renamed_.emplace_back(from, to);
  return {};
}

Status FakeFileSystem::SetTimes(const std::u16string& path, std::optional<FileTime> creation,
                                std::optional<FileTime> last_write) {
  if (auto e = Change(Op::kSetTimes, "SetTimes", path)) return *e;
  auto at = Locate(path);
  if (!at) return at.error();
  Node* node = at->node.get();
  const FileSystemKind kind = KindOf(at->path);
  if (creation && kind != FileSystemKind::kNtfs && kind != FileSystemKind::kCifs) {
    return Fail(ErrorCode::kNotSupported, path);
  }
  if (creation) node->creation_time = *creation;
  if (last_write) {
    FileTime t = *last_write;
    if (kind == FileSystemKind::kFat) t -= ((t % kFatStep) + kFatStep) % kFatStep;
    node->last_write_time = t;
  }
  times_set_.push_back({path, creation, last_write});
  return {};
}

Status FakeFileSystem::SetAttributes(const std::u16string& path, std::uint32_t attributes) {
  if (auto e = Change(Op::kSetAttributes, "SetAttributes", path)) return *e;
  auto at = Locate(path);
  if (!at) return at.error();
  at->node->attributes =
      attributes & (attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive);
  attributes_set_.emplace_back(path, attributes);
  return {};
}

Result<std::u16string> FakeFileSystem::ShortName(const std::u16string& path) {
  if (auto e = Injected(Op::kShortName, path)) return *e;
  auto at = Locate(path);
  if (!at) return at.error();
  if (KindOf(at->path) != FileSystemKind::kFat || !at->node->short_name) {
    return Fail(ErrorCode::kNotSupported, path);
  }
  return *at->node->short_name;
}

FileSystemKind FakeFileSystem::KindOf(const std::u16string& path) {
  return LongestPrefix(kinds_, NormalizeFakePath(path), FileSystemKind::kOther);
}

NameRules FakeFileSystem::NameRulesOf(const std::u16string& folder) {
  ++calls_[static_cast<int>(Op::kNameRulesOf)];
  // The rules of an entry inside it.
  std::u16string p = NormalizeFakePath(folder);
  return RulesAt(p == u"/" ? u"/x" : p + u"/x");
}

Result<std::u16string> FakeFileSystem::ReadLink(const std::u16string& path) {
  auto at = Locate(path);
  if (!at) return at.error();
  if (at->node->kind != Kind::kSymlink) return Fail(ErrorCode::kInvalidArgument, path);
  return at->node->link;
}

Result<std::string> FakeFileSystem::ReadRange(const std::u16string& path, std::uint64_t offset,
                                              std::size_t max_bytes) {
  if (auto e = Injected(Op::kReadRange, path)) return *e;
  auto node = FileAt(path);
  if (!node) return node.error();
  const std::string& bytes = (*node)->bytes;
  if (offset >= bytes.size()) return std::string();
  return bytes.substr(offset, max_bytes);
}

Result<std::string> FakeFileSystem::ReadFile(const std::u16string& path) {
  auto node = FileAt(path);
  if (!node) return node.error();
  return (*node)->bytes;
}

Result<std::string> FakeFileSystem::ReadOwnFile(const std::u16string& path,
                                                std::uint64_t offset, std::size_t max_bytes) {
  if (auto e = Injected(Op::kReadOwnFile, path)) return *e;
  auto at = Locate(path);
  if (!at) return at.error();
  if (at->node->kind != Kind::kFile) return Fail(ErrorCode::kPermission, path);
  if (offset >= at->node->bytes.size()) return std::string();
  return at->node->bytes.substr(offset, max_bytes);
}

Status FakeFileSystem::WriteFileAtomic(const std::u16string& path, const std::string& bytes) {
  if (auto e = Change(Op::kWriteFileAtomic, "WriteFileAtomic", path)) return *e;
  auto resolved = Resolve(path, true);
  if (!resolved) return resolved.error();
  NodePtr parent = Lookup(ParentOf(*resolved));
  if (!parent || parent->kind != Kind::kFolder) return Fail(ErrorCode::kNotFound, path);
  NodePtr old = Lookup(*resolved);
  if (old && old->kind == Kind::kFolder) return Fail(ErrorCode::kInvalidArgument, path);
  NodePtr node = NewNode(Kind::kFile, now_);
  node->bytes = bytes;
  Insert(*resolved, node);
  written_.push_back(path);
  return {};
}

Status FakeFileSystem::RemoveFile(const std::u16string& path) {
  if (auto e = Change(Op::kRemoveFile, "RemoveFile", path)) return *e;
  auto at = Locate(path);
  if (!at) return at.error();
  if (at->node->kind == Kind::kFolder) return Fail(ErrorCode::kInvalidArgument, path);
  nodes_.erase(at->path);
  removed_.push_back(path);
  return {};
}

Status FakeFileSystem::CreateFolders(const std::u16string& path, unsigned /*mode*/) {
  if (auto e = Change(Op::kCreateFolders, "CreateFolders", path)) return *e;
  std::u16string p = NormalizeFakePath(path);
  if (p.empty()) return Fail(ErrorCode::kInvalidArgument, path);
  // Check first, so that a failure creates nothing.
  std::vector<std::u16string> missing;
  for (std::u16string here = p; here != u"/"; here = ParentOf(here)) {
    auto resolved = Resolve(here, true);
    NodePtr node = resolved ? Lookup(*resolved) : nullptr;
    if (node && node->kind != Kind::kFolder) return Fail(ErrorCode::kExists, here);
    if (node) break;
    missing.push_back(here);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    Insert(*it, NewNode(Kind::kFolder, now_));
    folders_created_.push_back(*it);
  }
  return {};
}

Result<std::unique_ptr<AppendFile>> FakeFileSystem::OpenAppend(const std::u16string& path,
                                                               bool lock) {
  if (auto e = Injected(Op::kOpenAppend, path)) return *e;
  auto resolved = Resolve(path, false);
  if (!resolved) return resolved.error();
  NodePtr parent = Lookup(ParentOf(*resolved));
  if (!parent || parent->kind != Kind::kFolder) return Fail(ErrorCode::kNotFound, path);
  NodePtr node = Lookup(*resolved);
  if (node && node->kind != Kind::kFile) return Fail(ErrorCode::kPermission, path);
  if (lock && IsLocked(*resolved)) return Fail(ErrorCode::kBusy, path);
  if (!node) {
    if (!ChangeAllowed("OpenAppend")) return Fail(ErrorCode::kPermission, path);
    Insert(*resolved, node = NewNode(Kind::kFile, now_));
  }
  if (lock) locked_.insert(*resolved);
  return std::unique_ptr<AppendFile>(
      std::make_unique<FakeAppendFile>(this, *resolved, node, lock));
}

bool FakeFileSystem::IsLocked(const std::u16string& path) {
  auto resolved = Resolve(path, true);
  if (!resolved) return false;
  return locked_.count(*resolved) > 0 || locked_by_other_.count(*resolved) > 0;
}

}  // namespace tessivo
