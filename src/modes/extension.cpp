#include "modes/extension.h"

#include <string_view>

#include "modes/name_parts.h"

namespace tessivo {

std::size_t FindPathExtension(const std::u16string& path) {
  std::size_t dot = path.size();
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char16_t c = path[i];
    if (c == u'/' || c == u' ') {
      dot = path.size();
    } else if (c == u'.') {
      dot = i;
    }
  }
  return dot;
}

std::u16string ApplyExtension(const std::u16string& source_path, const std::u16string& field_text,
                              const ExtensionParams& params) {
  const std::u16string_view text = std::u16string_view(field_text).substr(0, kMaxPathChars);
  std::u16string extension;
  if (!text.empty()) {
    extension = u".";
    extension += text;
  }

  if (params.extadd) {
    if (extension.empty()) return source_path;
    return CutToMaxPath(source_path + extension);
  }

  const std::size_t dot = FindPathExtension(source_path);
  if (dot + extension.size() > kMaxPathChars) return source_path;
  return source_path.substr(0, dot) + extension;
}

}  // namespace tessivo
