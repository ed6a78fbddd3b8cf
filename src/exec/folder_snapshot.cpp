#include "exec/folder_snapshot.h"

namespace tessivo {

bool FolderSnapshotFileSystem::Exists(const std::u16string& path) {
  const std::size_t slash = path.rfind(u'/');
  if (slash == std::u16string::npos || slash + 1 == path.size()) return base_.Exists(path);
  const std::u16string folder_path = path.substr(0, slash + 1);
  Folder& folder = folders_[folder_path];
  if (!folder.listed && !folder.unlistable && ++folder.asked > kSnapshotAfter) {
    auto entries = base_.List(folder_path, ListDetail::kNamesOnly);
    if (entries) {
      folder.names.reserve(entries->size());
      for (DirEntry& entry : *entries) folder.names.insert(std::move(entry.name));
      folder.listed = true;
    } else {
      folder.unlistable = true;
    }
  }
  if (!folder.listed) return base_.Exists(path);
  return folder.names.count(path.substr(slash + 1)) != 0;
}

}  // namespace tessivo
