#pragma once
// Hex dumps of byte strings and UTF-16 text, for failure messages.

#include <cstdio>
#include <string>
#include <type_traits>

namespace tessivo {

template <typename Text>
std::string Hex(const Text& text) {
  std::string out;
  char buf[8];
  for (auto c : text) {
    using U = std::make_unsigned_t<decltype(c)>;
    std::snprintf(buf, sizeof buf, "%0*X ", static_cast<int>(2 * sizeof c),
                  static_cast<unsigned>(static_cast<U>(c)));
    out += buf;
  }
  return out;
}

}  // namespace tessivo
