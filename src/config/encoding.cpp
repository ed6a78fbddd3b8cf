#include "config/encoding.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "config/cp932_table.h"

namespace tessivo {
namespace {

constexpr char16_t kQuestion = u'?';
constexpr std::size_t kMaxSize = std::numeric_limits<std::size_t>::max();

// Bytes of the code page text: 1 or 2 for any code unit ('?' is one byte).
inline std::size_t ByteLength(char16_t c) { return cp932::kEncode[c] < 0x100 ? 1 : 2; }

// The code unit that comes back from converting `c` to the code page and back.
// The encode table only holds codes that decode to their own character, so a
// code unit either survives or becomes '?'.
inline char16_t RoundTrip(char16_t c) {
  return cp932::kEncode[c] == kQuestion ? kQuestion : c;
}

// Writes the code page bytes of `text` at `out`, which has room for
// 2 * text.size() bytes. Returns the end of the written bytes.
char* EncodeTo(std::u16string_view text, char* out) {
  for (char16_t c : text) {
    const std::uint16_t code = cp932::kEncode[c];
    if (code < 0x100) {
      *out++ = static_cast<char>(code);
    } else {
      *out++ = static_cast<char>(code >> 8);
      *out++ = static_cast<char>(code & 0xFF);
    }
  }
  return out;
}

// Decoded value of four lower-case hexadecimal digits, or -1.
int LowerHex4(const char16_t* p) {
  int value = 0;
  for (int k = 0; k < 4; ++k) {
    const char16_t c = p[k];
    int digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else {
      return -1;
    }
    value = value * 16 + digit;
  }
  return value;
}

void AppendEscape(char16_t c, std::u16string& t) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  t.push_back(u'\\');
  t.push_back(u'u');
  for (int shift = 12; shift >= 0; shift -= 4) t.push_back(kDigits[(c >> shift) & 0xF]);
}

// The escaped form of a non-empty `s` for a buffer of `capacity` code units.
// `result` is 1 when the text was cut, 0 otherwise.
//
// The round trip goes through buffers of 2 * capacity - 2 bytes and
// capacity - 2 code units, each with its terminator: at most capacity - 3
// code units come back (their bytes, two at most for each, always fit the
// first buffer). A longer text is not escaped at all: its round trip, cut to
// that length, stands.
//
// Otherwise the text and its terminator are walked into a result of
// `capacity` units. A code unit that does not survive the code page (and is
// not itself '?') becomes an escape while the escape ends before the last
// unit of the result; further back it stays the '?' of the round trip. The
// walk reports a cut when it fills all `capacity` units, the terminator
// included, and the text keeps at most capacity - 1 units.
std::u16string Escape(std::u16string_view s, std::size_t capacity, int& result) {
  const std::size_t round_trip_max = capacity > 3 ? capacity - 3 : 0;
  std::u16string t;
  if (s.size() > round_trip_max) {
    t.reserve(round_trip_max);
    for (char16_t c : s.substr(0, round_trip_max)) t.push_back(RoundTrip(c));
    result = 1;
    return t;
  }

  t.reserve(std::min(capacity, 6 * s.size() + 1));
  std::size_t j = 0;  // units of the result, terminator included
  for (std::size_t i = 0; i <= s.size() && j < capacity; ++i) {
    const char16_t c = i < s.size() ? s[i] : u'\0';
    const char16_t r = RoundTrip(c);
    if (c != kQuestion && r == kQuestion && j + 6 < capacity) {
      AppendEscape(c, t);
      j += 6;
    } else {
      if (i < s.size()) t.push_back(r);
      ++j;
    }
  }
  result = j >= capacity ? 1 : 0;
  if (t.size() > capacity - 1) t.resize(capacity - 1);
  return t;
}

// Decodes the escapes of `work` into `out` (at most capacity - 1 units).
// Returns 1 when units of `work` were left over, else 0.
int Unescape(std::u16string_view work, std::u16string& out, std::size_t capacity) {
  const std::size_t limit = capacity > 0 ? capacity - 1 : 0;
  const std::size_t length = work.size();
  out.clear();
  out.reserve(std::min(length, limit));
  std::size_t i = 0;
  while (i < length && out.size() < limit) {
    if (i + 6 <= length && work[i] == u'\\' && work[i + 1] == u'u') {
      const int value = LowerHex4(work.data() + i + 2);
      if (value >= 0) {
        out.push_back(static_cast<char16_t>(value));
        i += 6;
        continue;
      }
    }
    out.push_back(work[i++]);
  }
  return i < length ? 1 : 0;
}

}  // namespace

std::string ToCodePage(std::u16string_view text) {
  std::string out(2 * text.size(), '\0');
  char* end = EncodeTo(text, out.data());
  out.resize(static_cast<std::size_t>(end - out.data()));
  return out;
}

std::u16string FromCodePage(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  char16_t* q = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const std::uint16_t single = cp932::kSingleByte[*p];
    if (single != cp932::kLeadByte) {
      *q++ = static_cast<char16_t>(single);
      ++p;
      continue;
    }
    if (end - p >= 2) {
      const std::uint16_t pair = cp932::kDoubleByte[cp932::kLeadRow[p[0]]][p[1]];
      if (pair != cp932::kNotTrail) {
        *q++ = static_cast<char16_t>(pair);
        p += 2;
        continue;
      }
    }
    *q++ = cp932::kUndefinedPair;  // a lead byte without a second byte
    ++p;
  }
  out.resize(static_cast<std::size_t>(q - out.data()));
  return out;
}

int EscapeNonAnsi(std::u16string& text, std::size_t capacity) {
  if (text.empty()) return 0;
  int result = 0;
  text = Escape(text, capacity, result);
  return result;
}

int EscapeNonAnsi(std::u16string_view text, std::string& out, std::size_t capacity) {
  out.clear();
  if (text.empty()) return 0;
  int result = 0;
  // Only the at most capacity - 3 units copied from the round trip can take
  // two bytes; escapes are one byte a unit. So the bytes never exceed
  // 2 * capacity - 2.
  out = ToCodePage(Escape(text, capacity, result));
  return result;
}

int UnescapeText(std::u16string& text, std::size_t capacity) {
  if (text.empty()) return 0;
  // Only the first capacity - 1 units are decoded; the rest is cut.
  const std::size_t limit = capacity > 0 ? capacity - 1 : 0;
  const bool cut = text.size() > limit;
  const std::u16string work = text.substr(0, limit);
  const int left_over = Unescape(work, text, capacity);
  return cut ? 1 : left_over;
}

int UnescapeText(std::u16string& out, std::string_view code_page_bytes, std::size_t capacity) {
  if (code_page_bytes.empty()) {
    out.clear();
    return 0;
  }
  std::u16string work = FromCodePage(code_page_bytes);
  // The decoded text goes through a working buffer of 6 * capacity units.
  const std::size_t work_max =
      capacity == 0 ? 0 : capacity > kMaxSize / 6 ? kMaxSize : 6 * capacity - 1;
  const bool cut = work.size() > work_max;
  if (cut) work.resize(work_max);
  const int left_over = Unescape(work, out, capacity);
  return cut ? 1 : left_over;
}

std::string ToCodePage(std::u16string_view text, bool escape, std::size_t capacity) {
  if (!escape) return ToCodePage(text);
  std::string out;
  EscapeNonAnsi(text, out, capacity);
  return out;
}

std::u16string FromCodePage(std::string_view bytes, bool escape, std::size_t capacity) {
  if (!escape) return FromCodePage(bytes);
  std::u16string out;
  UnescapeText(out, bytes, capacity);
  return out;
}

bool FitsCodePage(std::u16string_view text) {
  // The text goes through a code page buffer of 10240 bytes, terminator
  // included; what does not fit is missing from the round trip.
  constexpr std::size_t kMaxBytes = 10240 - 1;
  std::size_t bytes = 0;
  bool differs = false;
  bool question = false;
  for (char16_t c : text) {
    bytes += ByteLength(c);
    if (bytes > kMaxBytes) {
      differs = true;
      break;
    }
    const char16_t r = RoundTrip(c);
    differs = differs || r != c;
    question = question || r == kQuestion;
  }
  return !(differs && question);
}

}  // namespace tessivo
