#pragma once
// The special tokens of the serial, add and replace texts: the parent
// folder's name, the file's size and the extension of the row being renamed.
//
//   \f       the last component of the row's folder ("2014" for
//            "/photos/2014/a.jpg"; empty for a file directly under "/")
//   \s, \:   the file's size in bytes, plain decimal digits
//   \e       the extension without its dot ("jpg"; empty when there is none)
//
// Three styles decide which spelling is a token:
//   kTokenStyleSingle   \f \s \: \e                  (serial)
//   kTokenStyleDoubled  \\f \\s \\: \\e              (replace with patterns)
//   kTokenStyleEscaped  \f \s \: \e, and \\f \\s \\e stand for the literal
//                       two characters \f \s \e      (add; "\:" has no escape)
//
// The tokens are replaced folder first, then \s, then \:, then \e, every
// occurrence. Text that a token put in is never scanned again, so a folder
// named "a\s" does not turn into a size. After each kind of token the text is
// cut to 259 characters. A text without a backslash is returned unchanged.
//
// The expansion is a pure function: the size is asked for through a callback,
// and only when the text holds a size token, so the disk is not touched for
// texts that do not need it.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tessivo {

class FileSystem;

enum TokenStyle : int {
  kTokenStyleSingle = 0,
  kTokenStyleDoubled = 1,
  kTokenStyleEscaped = 2,
};

// The size in bytes of the file at `path` (a row's source path); 0 when it
// cannot be found. An empty function counts every size as 0.
using FileSizeFn = std::function<std::uint64_t(const std::u16string& path)>;

// A FileSizeFn that looks the path up in `fs` (which must outlive it): a
// failed look-up and a folder count 0.
FileSizeFn FileSizeFrom(FileSystem& fs);

// Returns `text` with the tokens of `style` replaced for the row whose path
// is `source_path` (folder + name, "/" separated). `file_size` is called at
// most once. A style outside 0 to 2 is treated as kTokenStyleSingle.
std::u16string ExpandTokens(std::u16string_view text, std::u16string_view source_path,
                            TokenStyle style, const FileSizeFn& file_size = {});
// ExpandTokens in place; a text without tokens is left as it is, uncopied.
void ExpandTokensIn(std::u16string& text, std::u16string_view source_path, TokenStyle style,
                    const FileSizeFn& file_size = {});

}  // namespace tessivo
