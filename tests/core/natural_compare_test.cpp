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

// Digit runs compare by value; of equal values, more leading zeros come
// first, the first run deciding; runs may be far beyond any integer type.
// Case is ignored, of non-ASCII letters too, then code units decide (ß stays
// ß). The period is below everything; a digit run ranks as a digit.
TEST(NaturalCompareTest, OrdersPairs) {
  auto check = [](const std::string& c) {  // "a < b", "a = b" or "a > b"
    const std::size_t space = c.find(' ');
    const std::u16string a = Utf8ToUtf16(c.substr(0, space));
    const std::u16string b = Utf8ToUtf16(c.substr(space + 3));
    const int expected = c[space + 1] == '<' ? -1 : (c[space + 1] == '>' ? 1 : 0);
    EXPECT_EQ(Sign(NaturalCompare(a, b)), expected) << c.substr(0, 60);
    EXPECT_EQ(Sign(NaturalCompare(b, a)), -expected) << c.substr(0, 60);
  };
  const std::string cases[] = {
      "a2 < a10",       "007 < 7",    "a01b1 < a1b01",
      "a00 < a0",       "a < a00",    "abc < ABD",
      "ABC < abc",      "äa < Äb",    "STRASSE < straße",
      "a.txt < a1.txt", "a. < a\x01", "a999 < aa",
      "a99 < a:",       " = ",        " < 0",
      "z < Za",  // the fold reaches both ends of a-z
  };
  for (const std::string& c : cases) check(c);
  check("v18446744073709551615 < v18446744073709551616");
  check(std::string(400, '9') + " < 1" + std::string(400, '0'));
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
