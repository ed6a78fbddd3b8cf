#include "exec/folder_snapshot.h"

#include "modes/short_name.h"

namespace tessivo {

bool FolderSnapshotFileSystem::Exists(const std::u16string& path) {
  const std::size_t slash = path.rfind(u'/');
  if (slash == std::u16string::npos || slash + 1 == path.size()) return base_.Exists(path);
  const std::u16string_view folder_path = std::u16string_view(path).substr(0, slash + 1);
  if (last_ == nullptr || folder_path != last_->first) {
    auto found = folders_.find(folder_path);
    if (found == folders_.end()) {
      found = folders_.emplace(std::u16string(folder_path), Folder()).first;
    }
    last_ = &*found;
  }
  Folder& folder = last_->second;
  if (!folder.listed && !folder.unlistable && ++folder.asked > kSnapshotAfter) {
    auto entries = base_.List(last_->first, ListDetail::kNamesOnly);
    if (entries) {
      folder.names.Assign(std::move(*entries), rules_.Of(last_->first).ignores_case);
      folder.listed = true;
    } else {
      folder.unlistable = true;
    }
  }
  if (!folder.listed) return base_.Exists(path);
  return folder.names.Contains(std::u16string_view(path).substr(slash + 1));
}

void FolderSnapshotFileSystem::Seed(const std::u16string& folder,
                                    std::vector<DirEntry>&& entries) {
  if (folder.empty() || folder.back() != u'/') return;
  last_ = nullptr;
  Folder& seeded = folders_[folder];
  seeded.names.Assign(std::move(entries), rules_.Of(folder).ignores_case);
  seeded.listed = true;
  seeded.unlistable = false;
}

void FolderSnapshotFileSystem::NameSet::Assign(std::vector<DirEntry>&& entries,
                                               bool ignore_case) {
  ignore_case_ = ignore_case;
  // The entries are kept as they came: copying out the names would touch
  // fresh memory for every name of a large folder.
  names_ = std::move(entries);
  if (ignore_case) {
    for (DirEntry& entry : names_) entry.name = SimpleUpperCase(entry.name);
  }
  std::size_t size = 16;
  while (size < 2 * names_.size()) size *= 2;  // at most half full
  slots_.assign(size, 0);
  hashes_.assign(size, 0);
  for (std::size_t i = 0; i < names_.size(); ++i) {
    const std::size_t hash = ViewHash{}(names_[i].name);
    std::size_t slot = hash & (size - 1);
    while (slots_[slot] != 0) slot = (slot + 1) & (size - 1);
    slots_[slot] = static_cast<std::uint32_t>(i + 1);
    hashes_[slot] = static_cast<std::uint32_t>(hash);
  }
}

bool FolderSnapshotFileSystem::NameSet::Contains(std::u16string_view name) const {
  if (slots_.empty()) return false;
  if (ignore_case_) {
    const std::u16string upper = SimpleUpperCase(name);
    return ContainsKey(upper);
  }
  return ContainsKey(name);
}

bool FolderSnapshotFileSystem::NameSet::ContainsKey(std::u16string_view name) const {
  const std::size_t mask = slots_.size() - 1;
  const std::size_t hash = ViewHash{}(name);
  for (std::size_t slot = hash & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
    if (hashes_[slot] == static_cast<std::uint32_t>(hash) && names_[slots_[slot] - 1].name == name) {
      return true;
    }
  }
  return false;
}

}  // namespace tessivo
