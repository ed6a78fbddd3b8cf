#pragma once
// Reading Windows shortcut files (".lnk", the shell-link binary format), so a
// shortcut met while scanning can be followed to its target.
//
// Stored format (little-endian throughout; only what is needed is read):
//   header      76 bytes: HeaderSize 0x4C, LinkCLSID
//               00021401-0000-0000-C000-000000000046, LinkFlags at offset 20
//   IDList      present with flag 0x01: a 16-bit size, then that many bytes
//               (skipped)
//   LinkInfo    present with flag 0x02: 32-bit size and header size, flags,
//               offsets of VolumeID, LocalBasePath, CommonNetworkRelativeLink
//               and CommonPathSuffix, and with a header of 0x24 bytes or more
//               the offsets of the Unicode LocalBasePath and suffix. The
//               local path is LocalBasePath + CommonPathSuffix (code page 932
//               or UTF-16LE, NUL-terminated, inside LinkInfo).
//   StringData  NAME_STRING (flag 0x04), RELATIVE_PATH (flag 0x08), ...: a
//               16-bit count, then that many characters, UTF-16LE with flag
//               0x80 (IsUnicode), else code page 932.
//
// The bytes come from outside: every read is checked against the buffer and
// against the structure that holds it, so a damaged file gives kCorrupt,
// never a read past the end. Backslashes in the paths become "/".

#include <string>
#include <string_view>

#include "base/result.h"

namespace tessivo {

class FileSystem;

// The target paths a shortcut holds, separators already "/". Either may be
// empty.
struct ShellLinkPaths {
  std::u16string local_path;     // LocalBasePath + CommonPathSuffix (Unicode form preferred)
  std::u16string relative_path;  // RELATIVE_PATH, relative to the shortcut's folder
};

// Parses the bytes of a .lnk file. kCorrupt when the header is not a shell
// link's or any structure runs past its bounds.
Result<ShellLinkPaths> ParseShellLink(std::string_view bytes);

// Reads at most this much of a shortcut file; the structures needed lie at
// its start.
inline constexpr std::size_t kMaxShellLinkBytes = 1 << 20;

// Resolves the shortcut `lnk_path` (a full path) into `target`: the local
// path when it is a full path ("/..."), else the relative path taken from
// the shortcut's folder ("." and ".." resolved by name). Returns 1 when the
// file cannot be read or is not a valid shell link (`target` emptied);
// otherwise 0, with `target` empty when the shortcut names no usable path
// here (a Windows drive path, a network share, a path of 260 or more
// characters).
int ResolveShortcut(FileSystem& fs, const std::u16string& lnk_path, std::u16string& target);

// Joins `relative` to `folder` (a full path) and folds "." and ".." by name;
// ".." never climbs above "/". A `relative` that begins with "/" stands alone.
std::u16string JoinAndFold(std::u16string_view folder, std::u16string_view relative);

}  // namespace tessivo
