#pragma once
// Intermediate names of two-step renames.
//
// Some renames go through a temporary name in the target's folder: a change
// of letter case only (a.txt -> tmp -> A.txt, so that case-insensitive mounts
// really change the name) and the 8.3 change. If the program stops between
// the two steps, the file is left under the temporary name. The rename log
// records only the whole change (from -> to), so the start-up repair of an
// interrupted log must recognise the temporary name from those two paths:
// it looks in the folder of `to` for a name that IsTempNameOf(from, to)
// accepts and moves the file back to `from` (only when `from` is in that
// same folder).
//
// Convention (stored on disk between runs; do not change it without keeping
// the old names recognisable):
//   <folder of to> "tessivo-tmp-" <16 hex digits> "-" <tail>
// The 16 lower-case hex digits are the 64-bit FNV-1a hash of the UTF-16 code
// units of `from`, one 0 unit and the code units of `to` (each unit fed low
// byte first): they tell which change the name belongs to. The tail is 16
// lower-case hex digits drawn from getrandom for each try, so no other
// process can know the name beforehand (earlier versions wrote the number
// of the try, 0 .. 15, which is still recognised). A two-step rename tries
// up to kTempNameAttempts fresh names (its first step is a never-replacing
// rename that fails with kExists when the name is taken). The name is short
// (45 bytes) whatever the length of the file's own name, so the first step
// never fails for a name that is too long.
//
// Header-only, so the platform layer (case-only renames) and everything
// above it can share it.

#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <random>
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

// 64 bits from the system's random source.
inline std::uint64_t TempNameRandom() {
  std::uint64_t value = 0;
  unsigned char* bytes = reinterpret_cast<unsigned char*>(&value);
  std::size_t have = 0;
  while (have < sizeof value) {
    const ssize_t n = ::getrandom(bytes + have, sizeof value - have, 0);
    if (n > 0) {
      have += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR) {
      std::random_device device;  // no getrandom: the library's own source
      return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }
  }
  return value;
}

// The intermediate path of the two-step rename from -> to, with the random
// part `random` (TempNameRandom() for each try).
inline std::u16string TempNameFor(std::u16string_view from, std::u16string_view to,
                                  std::uint64_t random) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string path(TempNameFolderOf(to));
  path.append(kTempNamePrefix);
  const std::uint64_t h = TempNameHash(from, to);
  for (int shift = 60; shift >= 0; shift -= 4) path.push_back(kHex[(h >> shift) & 0xF]);
  path.push_back(u'-');
  for (int shift = 60; shift >= 0; shift -= 4) path.push_back(kHex[(random >> shift) & 0xF]);
  return path;
}

// Whether `name` (no folder) is an intermediate name of the change
// from -> to: this convention's or the earlier numbered one.
inline bool IsTempNameOf(std::u16string_view name, std::u16string_view from,
                         std::u16string_view to) {
  const std::u16string head = TempNameFor(from, to, 0).substr(TempNameFolderOf(to).size());
  const std::size_t fixed = head.size() - 16;  // up to and including the '-'
  if (name.size() <= fixed || name.size() > head.size() ||
      name.substr(0, fixed) != std::u16string_view(head).substr(0, fixed)) {
    return false;
  }
  for (char16_t c : name.substr(fixed)) {
    if (!(c >= u'0' && c <= u'9') && !(c >= u'a' && c <= u'f')) return false;
  }
  return true;
}

}  // namespace tessivo
