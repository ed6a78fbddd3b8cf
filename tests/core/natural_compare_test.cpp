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
  const std::u16string long9(400, u'9');
  const std::u16string one_and_zeros = u"1" + std::u16string(400, u'0');
  const struct {
    std::u16string a, b;
    int expected;  // sign of NaturalCompare(a, b)
  } cases[] = {
      // Digit runs by value; equal values: more leading zeros first, the first run decides.
      {u"a2", u"a10", -1}, {u"a19", u"a100", -1}, {u"7", u"007", 1}, {u"a1b01", u"a01b1", 1},
      {u"a0", u"a00", 1}, {u"a00", u"a", 1},
      // Runs far beyond any integer type.
      {long9, one_and_zeros, -1}, {one_and_zeros, u"0000" + one_and_zeros, 1},
      {u"v18446744073709551616", u"v18446744073709551615", 1},
      // Case ignored, non-ASCII letters too, then code units decide; ß stays ß.
      {u"abc", u"ABD", -1}, {u"ABC", u"abc", -1}, {u"Äb", u"äa", 1}, {u"straße", u"STRASSE", 1},
      // The period below everything; a digit run ranks as a digit.
      {u"a.txt", u"a1.txt", -1}, {u"a.", u"a\x01", -1}, {u"a.txt", u"a-b.txt", -1},
      {u"a1", u"a_", -1}, {u"a999", u"aa", -1}, {u"a99", u"a:", -1},
      {u"", u"", 0}, {u"", u"0", -1}, {u"a10b", u"a10b", 0},
  };
  for (const auto& c : cases) {
    const std::string shown =
        Utf16ToUtf8(c.a.substr(0, 40)) + " vs " + Utf16ToUtf8(c.b.substr(0, 40));
    EXPECT_EQ(Sign(NaturalCompare(c.a, c.b)), c.expected) << shown;
    EXPECT_EQ(Sign(NaturalCompare(c.b, c.a)), -c.expected) << shown;
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
