#include "platform/file_name_bytes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/hex.h"

namespace tessivo {
namespace {

// Valid sequences at the edges of each length, and every kind of invalid
// one: each bad byte becomes U+DC00 + byte, and decoding resumes right after.
TEST(FileNameBytesTest, DecodesAndEscapesByTable) {
  const struct { std::string bytes; std::u16string text; } cases[] = {
      {"", u""}, {std::string("\0x", 2), std::u16string(u"\0x", 2)}, {"\x7F", u"\x7F"},
      {"\xC2\x80", u"\x0080"}, {"\xDF\xBF", u"\x07FF"}, {"\xE0\xA0\x80", u"\x0800"},
      {"\xED\x9F\xBF", u"\xD7FF"}, {"\xEE\x80\x80", u"\xE000"}, {"\xEF\xBF\xBF", u"\xFFFF"},
      {"\xF0\x90\x80\x80", u"\xD800\xDC00"}, {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
      // lone bytes that never start a sequence, overlong forms
      {"\x80", u"\xDC80"}, {"\xC0", u"\xDCC0"}, {"\xFF", u"\xDCFF"},
      {"\xC0\x80", u"\xDCC0\xDC80"}, {"\xE0\x9F\xBF", u"\xDCE0\xDC9F\xDCBF"},
      {"\xF0\x8F\xBF\xBF", u"\xDCF0\xDC8F\xDCBF\xDCBF"},
      // encoded surrogates, above U+10FFFF, bytes that cannot occur
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"}, {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
      {"\xF5\x80\x80\x80", u"\xDCF5\xDC80\xDC80\xDC80"},
      {"\xF8\x88\x80\x80\x80", u"\xDCF8\xDC88\xDC80\xDC80\xDC80"},
      // cut short, at the end and before another character
      {"\xE3\x81", u"\xDCE3\xDC81"}, {"\xE3\x81" "a", u"\xDCE3\xDC81" "a"},
      {"\xC3" "\xC3\xA9", u"\xDCC3\x00E9"}, {"\xE3\x81\xE3\x81\x82", u"\xDCE3\xDC81\x3042"},
      {"a\xFF\xC3\xA9z", u"a\xDCFF\x00E9z"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(Utf8ToUtf16(c.bytes)), Hex(c.text)) << "bytes " << Hex(c.bytes);
    EXPECT_EQ(Hex(Utf16ToUtf8(c.text)), Hex(c.bytes)) << "text " << Hex(c.text);
    EXPECT_EQ(Utf8Length(c.text), c.bytes.size()) << "text " << Hex(c.text);
  }
}

TEST(FileNameBytesTest, LoneSurrogatesOutsideTheEscapeKeepTheirGeneralizedForm) {
  // Just below and just above the escape range; a reversed pair.
  const struct { std::u16string text; std::string bytes; } cases[] = {
      {u"\xDBFF" "a", "\xED\xAF\xBF" "a"},  {u"\xDC7F", "\xED\xB1\xBF"},
      {u"\xDD00", "\xED\xB4\x80"},  {u"\xDFFF\xD800", "\xED\xBF\xBF\xED\xA0\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(Utf16ToUtf8(c.text)), Hex(c.bytes)) << Hex(c.text);
    EXPECT_EQ(Utf8Length(c.text), c.bytes.size()) << Hex(c.text);
    // Not valid UTF-8, so they come back escaped, and the escapes give the same bytes.
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(c.bytes)), c.bytes) << Hex(c.text);
  }
}

TEST(FileNameBytesTest, ByteStringsAndValidTextsRoundTrip) {
  for (int a = 0; a < 256; ++a) {  // every string of one and two bytes
    for (int b = -1; b < 256; ++b) {
      std::string s(1, static_cast<char>(a));
      if (b >= 0) s += static_cast<char>(b);
      ASSERT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s) << Hex(s);
    }
  }
  std::mt19937 rng(12345);
  // Mostly high bytes, so that near-valid sequences are frequent.
  const unsigned char pool[] = {0x00, 0x2F, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                                0xC2, 0xDF, 0xE0, 0xE3, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  for (int i = 0; i < 200000; ++i) {
    std::string s(rng() % 12, '\0');
    for (char& c : s) {
      c = static_cast<char>(rng() % 3 == 0 ? rng() % 256 : pool[rng() % sizeof pool]);
    }
    std::u16string text = Utf8ToUtf16(s);
    ASSERT_EQ(Utf16ToUtf8(text), s) << Hex(s);
    ASSERT_LE(text.size(), s.size()) << Hex(s);
  }
  for (int i = 0; i < 100000; ++i) {
    std::u16string text;
    for (int k = static_cast<int>(rng() % 8); k > 0; --k) {
      const std::uint32_t cp = rng() % 0x110000, high = 0xD800 + ((cp - 0x10000) >> 10);
      if (cp >= 0x10000) {
        text += {static_cast<char16_t>(high), static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
      } else {
        text.push_back(cp >= 0xD800 && cp <= 0xDFFF ? u'\x3042' : static_cast<char16_t>(cp));
      }
    }
    ASSERT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text) << Hex(text);
  }
}

}  // namespace
}  // namespace tessivo
