#pragma once
// The split of a row's path into folder, base name and extension that every
// rename mode starts from, and the 259-character limit on names and paths.
//
// Paths use "/" as the separator. The folder part is everything up to and
// including the last "/" (so it is empty or ends with "/"); the extension is
// the last component's text from its last "." on, dot included, or empty.
// The drive part exists for the program's path layout and is always empty
// here. Each part is at most kMaxPathChars characters; a longer one is cut.
// Joining drive + folder + base + extension gives the path back whenever it
// was no longer than kMaxPathChars.

#include <cstddef>
#include <string>
#include <string_view>

namespace tessivo {

// The longest name or path the program handles (its buffers hold 260
// characters with the terminator).
inline constexpr std::size_t kMaxPathChars = 259;

struct NameParts {
  std::u16string drive;      // always empty on this platform
  std::u16string folder;     // "" or "/photos/2014/"
  std::u16string base;       // "IMG_0001"
  std::u16string extension;  // ".jpg", "." or ""

  // base + extension
  std::u16string Name() const { return base + extension; }
  // drive + folder
  std::u16string Prefix() const { return drive + folder; }
};

// Cuts `text` to at most kMaxPathChars code units in place.
void CutToMaxPath(std::u16string& text);
// Returns `text` cut to at most kMaxPathChars code units.
std::u16string CutToMaxPath(std::u16string_view text);

// The plain split, used by the position-edit, case, serial, 8.3 and replace
// modes: a folder's name "a.b" splits like a file's into "a" and ".b".
NameParts SplitPlainPath(std::u16string_view path);

// SplitPlainPath's parts as views into the path it was given, for a caller
// that splits every row and copies only what it changes.
struct NamePartViews {
  std::u16string_view folder, base, extension;
};
NamePartViews SplitPlainPathViews(std::u16string_view path);

// The split of the add, delete and width modes. With `folder_list` (the list
// holds folders), the extension is moved onto the base name, so a folder
// named "a.b" is one base name and has no extension.
NameParts SplitNamePath(std::u16string_view path, bool folder_list);

}  // namespace tessivo
