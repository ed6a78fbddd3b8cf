#include "platform/file_name_bytes.h"

#include <cstdint>

namespace tessivo {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

std::u16string Utf8ToUtf16(std::string_view bytes) {
  // Never more code units than bytes.
  std::u16string out(bytes.size(), u'\0');
  char16_t* o = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* end = p + bytes.size();
  while (p < end) {
    unsigned char b = *p;
    if (b < 0x80) {
      *o++ = b;
      ++p;
      continue;
    }
    std::size_t left = static_cast<std::size_t>(end - p);
    // The range the second byte must fall in depends on the first byte:
    // this is what rules out overlong forms, encoded surrogates and code
    // points above U+10FFFF.
    if (b >= 0xC2 && b <= 0xDF) {
      if (left >= 2 && IsContinuation(p[1])) {
        *o++ = static_cast<char16_t>(((b & 0x1F) << 6) | (p[1] & 0x3F));
        p += 2;
        continue;
      }
    } else if (b >= 0xE0 && b <= 0xEF) {
      unsigned char lo = b == 0xE0 ? 0xA0 : 0x80;
      unsigned char hi = b == 0xED ? 0x9F : 0xBF;
      if (left >= 3 && p[1] >= lo && p[1] <= hi && IsContinuation(p[2])) {
        *o++ = static_cast<char16_t>(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
        p += 3;
        continue;
      }
    } else if (b >= 0xF0 && b <= 0xF4) {
      unsigned char lo = b == 0xF0 ? 0x90 : 0x80;
      unsigned char hi = b == 0xF4 ? 0x8F : 0xBF;
      if (left >= 4 && p[1] >= lo && p[1] <= hi && IsContinuation(p[2]) &&
          IsContinuation(p[3])) {
        std::uint32_t c = ((b & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) |
                          (p[3] & 0x3Fu);
        c -= 0x10000;
        *o++ = static_cast<char16_t>(0xD800 + (c >> 10));
        *o++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        p += 4;
        continue;
      }
    }
    // Not the start of a valid sequence: escape this one byte and go on with
    // the next, which may start a valid sequence itself.
    *o++ = static_cast<char16_t>(kEscapeBase + b);
    ++p;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  AssignUtf8(text, out);
  return out;
}

void AssignUtf8(std::u16string_view text, std::string& out) {
  // Most paths are plain ASCII: a unit is its byte.
  std::size_t plain = 0;
  out.resize(text.size());
  while (plain < text.size() && text[plain] < 0x80) {
    out[plain] = static_cast<char>(text[plain]);
    ++plain;
  }
  if (plain == text.size()) return;
  // At most three bytes per code unit (a pair of two units gives four).
  out.resize(plain + (text.size() - plain) * 3);
  char* o = out.data() + plain;
  const char16_t* p = text.data() + plain;
  const char16_t* end = text.data() + text.size();
  while (p < end) {
    std::uint32_t c = *p++;
    if (c < 0x80) {
      *o++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *o++ = static_cast<char>(0xC0 | (c >> 6));
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c >= 0xD800 && c <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
      std::uint32_t cp = 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00u);
      *o++ = static_cast<char>(0xF0 | (cp >> 18));
      *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (c >= 0xDC80 && c <= 0xDCFF) {
      *o++ = static_cast<char>(c - kEscapeBase);  // an escaped byte
    } else {
      // Everything else of the BMP, lone surrogates included (generalized form).
      *o++ = static_cast<char>(0xE0 | (c >> 12));
      *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
}

std::size_t Utf8Length(std::u16string_view text) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x80 || (c >= 0xDC80 && c <= 0xDCFF)) {
      length += 1;
    } else if (c < 0x800) {
      length += 2;
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      length += 4;
      ++i;
    } else {
      length += 3;
    }
  }
  return length;
}

}  // namespace tessivo
