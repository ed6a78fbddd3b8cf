#include "modes/name_parts.h"

namespace tessivo {

void CutToMaxPath(std::u16string& text) {
  if (text.size() > kMaxPathChars) text.resize(kMaxPathChars);
}

std::u16string CutToMaxPath(std::u16string_view text) {
  return std::u16string(text.substr(0, kMaxPathChars));
}

NamePartViews SplitPlainPathViews(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'/');
  const std::size_t name_start = slash == std::u16string_view::npos ? 0 : slash + 1;
  const std::u16string_view name = path.substr(name_start);
  const std::size_t dot = name.rfind(u'.');
  const std::size_t base_length = dot == std::u16string_view::npos ? name.size() : dot;
  return {path.substr(0, name_start).substr(0, kMaxPathChars),
          name.substr(0, base_length).substr(0, kMaxPathChars),
          name.substr(base_length).substr(0, kMaxPathChars)};
}

NameParts SplitPlainPath(std::u16string_view path) {
  const NamePartViews views = SplitPlainPathViews(path);
  NameParts parts;
  parts.folder = views.folder;
  parts.base = views.base;
  parts.extension = views.extension;
  return parts;
}

NameParts SplitNamePath(std::u16string_view path, bool folder_list) {
  NameParts parts = SplitPlainPath(path);
  if (folder_list) {
    parts.base += parts.extension;
    CutToMaxPath(parts.base);
    parts.extension.clear();
  }
  return parts;
}

}  // namespace tessivo
