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
  std::size_t units = 0;
  for (const DirEntry& entry : entries) units += entry.name.size();
  chars_.clear();
  chars_.reserve(units);
  std::size_t size = 16;
  while (size < 2 * entries.size()) size *= 2;  // at most half full
  slots_.assign(size, Slot());
  for (DirEntry& entry : entries) {
    if (ignore_case) entry.name = SimpleUpperCase(entry.name);
    const std::u16string_view name = entry.name;
    const std::size_t hash = ViewHash{}(name);
    std::size_t slot = hash & (size - 1);
    while (slots_[slot].begin != 0) slot = (slot + 1) & (size - 1);
    slots_[slot] = {static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(name.size()),
                    static_cast<std::uint32_t>(chars_.size() + 1)};
    chars_.insert(chars_.end(), name.begin(), name.end());
  }
  entries.clear();
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
  for (std::size_t slot = hash & mask; slots_[slot].begin != 0; slot = (slot + 1) & mask) {
    const Slot& s = slots_[slot];
    if (s.hash == static_cast<std::uint32_t>(hash) && s.length == name.size() &&
        std::u16string_view(chars_.data() + s.begin - 1, s.length) == name) {
      return true;
    }
  }
  return false;
}

}  // namespace tessivo
