#pragma once
// Intermediate names of two-step renames.
//
// Some renames go through a temporary name in the target's folder: a change
// of letter case only (a.txt -> tmp -> A.txt, so that case-insensitive mounts
// really change the name) and the 8.3 change. If the program stops between
// the two steps, the file is left under the temporary name. The rename log
// records only the whole change (from -> to), so the temporary name must be
// computable from those two paths alone: the start-up repair of an
// interrupted log recomputes the candidates and moves a file it finds there
// back to `from`.
//
// Convention (stored on disk between runs; do not change it without keeping
// the old candidates recognisable):
//   <folder of to> "tessivo-tmp-" <16 lower-case hex digits> "-" <attempt>
// The hex digits are the 64-bit FNV-1a hash of the UTF-16 code units of
// `from`, one 0 unit and the code units of `to` (each unit fed low byte
// first). `attempt` counts 0, 1, ... up to kTempNameAttempts - 1: a two-step
// rename uses the first attempt whose name is free (its first step is a
// never-replacing rename that fails with kExists otherwise). The name is
// short (34 bytes at most) whatever the length of the file's own name, so
// the first step never fails for a name that is too long.
//
// Header-only, no dependencies beyond the standard library, so the platform
// layer (case-only renames) and everything above it can share it.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessivo {

inline constexpr int kTempNameAttempts = 16;
inline constexpr std::u16string_view kTempNamePrefix = u"tessivo-tmp-";

// 64-bit FNV-1a over the code units of from, a 0 unit and to.
inline std::uint64_t TempNameHash(std::u16string_view from, std::u16string_view to) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  auto feed = [&h](char16_t c) {
    h = (h ^ (c & 0xFFu)) * 0x100000001b3ULL;
    h = (h ^ (c >> 8)) * 0x100000001b3ULL;
  };
  for (char16_t c : from) feed(c);
  feed(u'\0');
  for (char16_t c : to) feed(c);
  return h;
}

// The folder part of a path, up to and including its last '/' (empty when
// there is none).
inline std::u16string_view TempNameFolderOf(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'/');
  return slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash + 1);
}

// The intermediate path of attempt `attempt` (0 .. kTempNameAttempts - 1) of
// the two-step rename from -> to.
inline std::u16string TempNameFor(std::u16string_view from, std::u16string_view to,
                                  int attempt) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string path(TempNameFolderOf(to));
  path.append(kTempNamePrefix);
  const std::uint64_t h = TempNameHash(from, to);
  for (int shift = 60; shift >= 0; shift -= 4) path.push_back(kHex[(h >> shift) & 0xF]);
  path.push_back(u'-');
  const std::u16string_view digits = u"0123456789";
  std::u16string number;
  unsigned n = attempt < 0 ? 0u : static_cast<unsigned>(attempt);
  do {
    number.insert(number.begin(), digits[n % 10]);
    n /= 10;
  } while (n != 0);
  path.append(number);
  return path;
}

}  // namespace tessivo
