#pragma once
// Extension (rename mode 2): replaces a name's extension, or appends a
// further one.
//
// The extension replaced is the last component's text from its last ".",
// provided no space follows that dot ("my.file name" has none); a name without
// one gets the new extension appended, and an empty new extension removes it.
// The text the user typed is used as it is: a leading dot of its own stays,
// so ".txt" gives "name..txt".

#include <cstddef>
#include <string>

namespace tessivo {

struct ExtensionParams {
  bool append = false;  // append after the name instead of replacing
};

// Returns folder + new name for `source_path` with the extension text
// `field_text` (without its dot; cut to 259 characters). Appending is cut to
// 259 characters, and an empty text appends nothing; a replacement that would
// make the path longer than 259 characters returns the source unchanged.
std::u16string ApplyExtension(const std::u16string& source_path, const std::u16string& field_text,
                              const ExtensionParams& params);

// The position where the extension of `path` starts: its last component's
// last ".", unless a space follows it; path.size() when there is none.
std::size_t FindPathExtension(const std::u16string& path);

}  // namespace tessivo
