#include "core/natural_compare.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tessivo {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The rank of a code unit that is not an ASCII digit. The period gets -1;
// everything else its simple upper-case mapping, which never lands on an
// ASCII digit, so a digit run (ranked '0') never ties with a code unit.
int Rank(char16_t c) {
  if (c == u'.') return -1;
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? c - 0x20 : c;
  const UChar32 upper = u_toupper(c);
  return upper <= 0xFFFF ? static_cast<int>(upper) : c;
}

int Sign(std::ptrdiff_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

std::size_t CommonPrefixLength(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a.data() + i, sizeof x);
    std::memcpy(&y, b.data() + i, sizeof y);
    if (x != y) break;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

int NaturalCompare(std::u16string_view a, std::u16string_view b) {
  const std::size_t na = a.size();
  const std::size_t nb = b.size();
  // An identical beginning decides nothing, except that a digit run it ends
  // in may go on differently: start again at the beginning of that run.
  std::size_t i = CommonPrefixLength(a, b);
  if (i == na && i == nb) return 0;
  while (i > 0 && IsDigit(a[i - 1])) --i;
  std::size_t j = i;
  int zeros = 0;  // the first difference in leading zeros, as a result
  while (i < na && j < nb) {
    const char16_t ca = a[i];
    const char16_t cb = b[j];
    const bool da = IsDigit(ca);
    const bool db = IsDigit(cb);
    if (da && db) {
      // Significant digits start after the leading zeros; the longer run of
      // significant digits is the larger value, equal lengths compare digit
      // by digit.
      std::size_t sa = i;
      while (sa < na && a[sa] == u'0') ++sa;
      std::size_t ea = sa;
      while (ea < na && IsDigit(a[ea])) ++ea;
      std::size_t sb = j;
      while (sb < nb && b[sb] == u'0') ++sb;
      std::size_t eb = sb;
      while (eb < nb && IsDigit(b[eb])) ++eb;
      const std::size_t la = ea - sa;
      const std::size_t lb = eb - sb;
      if (la != lb) return la < lb ? -1 : 1;
      for (std::size_t k = 0; k < la; ++k) {
        if (a[sa + k] != b[sb + k]) return a[sa + k] < b[sb + k] ? -1 : 1;
      }
      if (zeros == 0 && sa - i != sb - j) zeros = sa - i > sb - j ? -1 : 1;
      i = ea;
      j = eb;
      continue;
    }
    if (ca != cb) {
      const int ra = da ? u'0' : Rank(ca);
      const int rb = db ? u'0' : Rank(cb);
      if (ra != rb) return ra < rb ? -1 : 1;
    }
    ++i;
    ++j;
  }
  if (i < na) return 1;
  if (j < nb) return -1;
  if (zeros != 0) return zeros;
  return Sign(a.compare(b));
}

}  // namespace tessivo
