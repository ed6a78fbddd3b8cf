#include "config/encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "support/hex.h"

namespace tessivo {
namespace {

// Every encodable unit comes back; a single byte other than a lead byte
// always decodes, and a pair decodes to a character unless it is unassigned
// (U+30FB, which 0x8145 also is).
TEST(CodePageTable, EveryUnitAndEveryByteCodeRoundTrips) {
  int encodable = 0, defined = 0;
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const std::u16string unit(1, static_cast<char16_t>(u));
    const std::string bytes = ToCodePage(unit);
    ASSERT_TRUE(bytes.size() == 1 || bytes.size() == 2) << Hex(unit);
    if (bytes == "?" && u != u'?') continue;
    ++encodable;
    EXPECT_EQ(FromCodePage(bytes), unit) << Hex(unit) << "-> " << Hex(bytes);
  }
  for (unsigned b = 0; b < 256; ++b) {
    const std::u16string s = FromCodePage(std::string(1, static_cast<char>(b)));
    ASSERT_EQ(s.size(), 1u) << b;
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(lead, s[0] == u'\u30FB') << b;
    defined += !lead;
    for (unsigned t = 0; lead && t < 256; ++t) {
      const std::string pair{static_cast<char>(b), static_cast<char>(t)};
      const std::u16string d = FromCodePage(pair);
      const bool trail = (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
      ASSERT_EQ(d.size(), trail ? 1u : 2u) << Hex(pair);
      defined += trail && (d[0] != u'\u30FB' || pair == "\x81\x45");
    }
  }
  EXPECT_EQ(encodable, 9402);
  EXPECT_EQ(defined, 9800);
}

TEST(CodePageTable, ChosenCodesAndUnmappables) {
  const struct { char16_t unit; std::string bytes; } cases[] = {
      {u'\uFF5E', "\x81\x60"}, {u'\u301C', "?"},        {u'\u2252', "\x81\xE0"},
      {u'\u2170', "\xFA\x40"}, {u'\u00A5', "?"},        {u'\\', "\\"},
      {u'\uFF3C', "\x81\x5F"}, {u'\u2225', "\x81\x61"}, {u'\uFF0D', "\x81\x7C"},
      {u'\uFFE2', "\x81\xCA"}, {u'\u2160', "\x87\x54"}, {u'\u7E8A', "\xFA\x5C"},
      {u'\u0080', "\x80"},     {u'\uF8F0', "\xA0"},     {u'\uF8F3', "\xFF"},
      {u'\uE000', "\xF0\x40"}, {u'\uE757', "\xF9\xFC"}, {u'\uFF61', "\xA1"},
      {u'\xD83D', "?"},        {u'\0', std::string(1, '\0')},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Hex(ToCodePage(std::u16string(1, c.unit))), Hex(c.bytes)) << std::hex << +c.unit;
  EXPECT_EQ(ToCodePage(u"a\U0001F600b"), "a??b");
}

TEST(CodePageTable, DecodesExtensionsAndBrokenSequences) {
  // NEC-selected duplicates of 0xFA5C, 0x81CA and (row 13) 0x81E0; a lead
  // byte at the end, before a byte that cannot be second (kept) and before a
  // NUL; an unassigned pair; 0x81 as the second byte.
  const struct { std::string bytes; std::u16string text; } cases[] = {
      {"\xED\x40", u"\u7E8A"},  {"\xEE\xF9", u"\uFFE2"},  {"\x87\x90", u"\u2252"},
      {"a\x81", u"a\u30FB"},  {"\x81\n", u"\u30FB\n"},
      {std::string("\x81\0", 2), std::u16string(u"\u30FB\0", 2)},  {"\x85\x40", u"\u30FB"},
      {"\x81\x81\x40", u"\uFF1D@"},  {"\xA0\xFD\xFE\xFF\x80", u"\uF8F0\uF8F1\uF8F2\uF8F3\u0080"},
  };
  for (const auto& c : cases) EXPECT_EQ(Hex(FromCodePage(c.bytes)), Hex(c.text)) << Hex(c.bytes);
}

struct TextCase { std::u16string in; std::size_t capacity; std::u16string out; int result; };

// Checks the in-place form, the code page form and ToCodePage's escaping.
void ExpectEscape(const TextCase& c) {
  SCOPED_TRACE(Hex(c.in) + "N=" + std::to_string(c.capacity));
  std::u16string text = c.in;
  EXPECT_EQ(EscapeNonAnsi(text, c.capacity), c.result);
  EXPECT_EQ(Hex(text), Hex(c.out));
  std::string bytes = "junk";
  EXPECT_EQ(EscapeNonAnsi(c.in, bytes, c.capacity), c.result);
  EXPECT_EQ(Hex(bytes), Hex(ToCodePage(c.out)));
  EXPECT_LE(bytes.size(), 2 * c.capacity - 2);
  EXPECT_EQ(ToCodePage(c.in, true, c.capacity), bytes);
}

TEST(EscapeNonAnsi, EscapesWhatTheCodePageLacksWithinTheCapacity) {
  const std::size_t n = 20;
  const std::u16string e = u"\u00E9", esc = u"\\u00e9";
  auto a = [](std::size_t k) { return std::u16string(k, u'a'); };
  const TextCase cases[] = {
      {u"", 260, u"", 0},  {u"日本\uFF5E?", 260, u"日本\uFF5E?", 0},
      {u"\u301C\u00A5", 260, u"\\u301c\\u00a5", 0},
      {u"\U0001F600.txt", 260, u"\\ud83d\\ude00.txt", 0},  {u"x\xDC80", 260, u"x\\udc80", 0},
      {esc, 260, esc, 0},  // already escape-shaped: left alone
      // "é" + k letters escapes to 6 + k units.
      {e + a(n - 8), n, esc + a(n - 8), 0},  {e + a(n - 7), n, esc + a(n - 7), 1},
      {e + a(n - 6), n, esc + a(n - 7), 1},
      // An escape must end before the last unit; further back the '?' stays.
      {a(n - 7) + e, n, a(n - 7) + esc, 1},  {a(n - 6) + e, n, a(n - 6) + u"?", 0},
      // The round trip holds N - 3 units; a longer text is cut, not escaped.
      {a(n - 3), n, a(n - 3), 0},  {a(n - 2), n, a(n - 3), 1},  {e + a(n), n, u"?" + a(n - 4), 1},
      {u"a", 3, u"", 1},  {u"a", 0, u"", 1},
  };
  for (const TextCase& c : cases) ExpectEscape(c);
}

TEST(UnescapeText, DecodesOnlyExactLowerCaseEscapesWithinTheCapacity) {
  const TextCase cases[] = {
      {u"\\u00e9", 260, u"\u00E9", 0},  {u"x\\u00E9", 260, u"x\\u00E9", 0},
      {u"a\\u00", 260, u"a\\u00", 0},  {u"\\u00eg!", 260, u"\\u00eg!", 0},
      {u"\\U00e9", 260, u"\\U00e9", 0},  {u"\\\\u00e9", 260, u"\\\u00E9", 0},
      {u"\\ud83d\\ude00", 260, u"\U0001F600", 0},  {u"\\u0000z", 260, std::u16string(u"\0z", 2), 0},
      // Decoded lengths N - 1 and N with N = 8.
      {u"\\u00e9abcdef", 8, u"\u00E9abcdef", 0},  {u"\\u00e9abcdefg", 8, u"\u00E9abcdef", 1},
      {u"abcdefg\\u00e9", 8, u"abcdefg", 1},  {u"a", 1, u"", 1},
  };
  for (const TextCase& c : cases) {
    std::u16string out;
    EXPECT_EQ(UnescapeText(out, ToCodePage(c.in), c.capacity), c.result) << Hex(c.in);
    EXPECT_EQ(Hex(out), Hex(c.out)) << Hex(c.in);
    EXPECT_EQ(FromCodePage(ToCodePage(c.in), true, c.capacity), out);
  }
  std::u16string out = u"old";
  EXPECT_EQ(UnescapeText(out, std::string_view(), 260), 0);
  EXPECT_EQ(out, u"");
  EXPECT_EQ(FromCodePage("\x93\xFA\\u00e9", false, 260), u"日\\u00e9");
  // In place, only the first N - 1 units are read.
  const TextCase in_place[] = {
      {u"\\u00e9a", 8, u"\u00E9a", 0},
      {u"\\u00e9ab", 8, u"\u00E9a", 1},  // the source, not the result, is cut
      {u"abcdefg", 8, u"abcdefg", 0},  {u"abcdefgh", 8, u"abcdefg", 1},
      {u"abc\\u00e9", 8, u"abc\\u00", 1},  // the cut splits the escape
      {u"\xD800\\udc00", 8, u"\U00010000", 0},
  };
  for (const TextCase& c : in_place) {
    std::u16string text = c.in;
    EXPECT_EQ(UnescapeText(text, c.capacity), c.result) << Hex(c.in);
    EXPECT_EQ(Hex(text), Hex(c.out)) << Hex(c.in);
  }
}

TEST(Escapes, EveryPairOfTroublesomeUnitsSurvivesTheCodePage) {
  // No backslashes: an escape-shaped sequence in the text is decoded by design.
  const std::u16string alphabet = u"aZ0?~.日本語カ\uFF5E\u301C\u00E9\u00A5\u2252\u2170\uE000"
                                  u"\xD83D\xDE00\xDC80\uFFFF\u0001";
  std::u16string text;
  for (char16_t a : alphabet) {
    for (char16_t b : alphabet) text += {a, b};
  }
  std::string bytes;
  ASSERT_EQ(EscapeNonAnsi(text, bytes, 4680), 0);
  std::u16string back;
  ASSERT_EQ(UnescapeText(back, bytes, 4680), 0);
  EXPECT_EQ(Hex(back), Hex(text));
}

TEST(FitsCodePage, RoundTripWithQuestionMark) {
  const struct { std::u16string text; bool fits; } cases[] = {
      {u"", true},  {u"日本\uFF5E?", true},  {u"\xDC80", false},  {u"\u301C?", false},
      {u"?" + std::u16string(10238, u'a'), true},
      {u"?" + std::u16string(10239, u'a'), false},  // cut round trip differs
      {std::u16string(10300, u'a'), true},          // differs, but has no '?'
      {u"?" + std::u16string(5119, u'日'), true},  {u"?" + std::u16string(5120, u'日'), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FitsCodePage(c.text), c.fits) << Hex(c.text.substr(0, 8)) << c.text.size();
  }
}

}  // namespace
}  // namespace tessivo
