#include "core/natural_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

TEST(NaturalCompareTest, OrdersPairs) {
  struct Case {
    std::u16string a, b;
    int expected;  // sign of NaturalCompare(a, b)
  };
  const std::u16string long9(400, u'9');
  const std::u16string one_and_zeros = u"1" + std::u16string(400, u'0');
  const Case cases[] = {
      // Digit runs by value, not by code units.
      {u"a2", u"a10", -1},
      {u"a10", u"a9", 1},
      {u"a19", u"a100", -1},  // a shared beginning inside a run
      {u"7", u"007", 1},      // equal value: more leading zeros first
      {u"a01b", u"a1b", -1},
      {u"a1b01", u"a01b1", 1},  // the first run whose zeros differ decides
      {u"a0", u"a00", 1},
      {u"a00", u"a", 1},  // prefix first
      // Runs far beyond any integer type.
      {long9, one_and_zeros, -1},
      {one_and_zeros, u"0000" + one_and_zeros, 1},
      {u"v18446744073709551616", u"v18446744073709551615", 1},
      {u"v18446744073709551616", u"v99999999999999999999", -1},
      // Case ignored, then code units decide.
      {u"abc", u"ABD", -1},
      {u"ABC", u"abc", -1},
      {u"Äb", u"äa", 1},           // non-ASCII letters map too
      {u"straße", u"STRASSE", 1},  // one unit per unit: ß stays ß (above 'S')
      // The period below everything, digits and space and controls included.
      {u"a.txt", u"a1.txt", -1},
      {u"a.txt", u"a txt", -1},
      {u"a.", u"a\x01", -1},
      {u"a.txt", u"a-b.txt", -1},
      // A digit run ranks as a digit against other code units.
      {u"a1", u"a_", -1},
      {u"a999", u"aa", -1},
      {u"a99", u"a:", -1},
      {u"", u"", 0},
      {u"", u"0", -1},
      {u"a10b", u"a10b", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(NaturalCompare(c.a, c.b)), c.expected)
        << Utf16ToUtf8(c.a.substr(0, 40)) << " vs " << Utf16ToUtf8(c.b.substr(0, 40));
    EXPECT_EQ(Sign(NaturalCompare(c.b, c.a)), -c.expected)
        << Utf16ToUtf8(c.b.substr(0, 40)) << " vs " << Utf16ToUtf8(c.a.substr(0, 40));
  }
}

// Sorting needs a strict total order: antisymmetric, transitive, and 0 only
// for identical texts. Random texts over an alphabet of the troublesome
// units (digits, zeros, period, case pairs, a non-ASCII pair) check it.
TEST(NaturalCompareTest, IsATotalOrder) {
  const std::u16string alphabet = u"0019.aAbB _ñÑ";
  std::mt19937 random(12345);
  std::uniform_int_distribution<std::size_t> length(0, 6);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::vector<std::u16string> texts(300);
  for (std::u16string& t : texts) {
    for (std::size_t n = length(random); n > 0; --n) t.push_back(alphabet[pick(random)]);
  }
  for (const auto& a : texts) {
    for (const auto& b : texts) {
      const int ab = Sign(NaturalCompare(a, b));
      ASSERT_EQ(ab, -Sign(NaturalCompare(b, a))) << Utf16ToUtf8(a) << " vs " << Utf16ToUtf8(b);
      ASSERT_EQ(ab == 0, a == b) << Utf16ToUtf8(a) << " vs " << Utf16ToUtf8(b);
    }
  }
  // Transitivity: after sorting, every text is below every later one.
  std::sort(texts.begin(), texts.end(),
            [](const auto& a, const auto& b) { return NaturalCompare(a, b) < 0; });
  for (std::size_t i = 0; i < texts.size(); ++i) {
    for (std::size_t j = i + 1; j < texts.size(); j += 7) {
      ASSERT_LE(NaturalCompare(texts[i], texts[j]), 0)
          << Utf16ToUtf8(texts[i]) << " vs " << Utf16ToUtf8(texts[j]);
    }
  }
}

}  // namespace
}  // namespace tessivo
