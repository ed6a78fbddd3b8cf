#include "modes/random_name.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/encoding.h"
#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

// The generator's step run backwards: 3115528533 * 214013 = 1 (mod 2^32).
std::uint32_t StepBack(std::uint32_t state) { return (state - 2531011u) * 3115528533u; }

// The category of a full-width character, judged by its code page 932 code.
enum Category { kHira, kKata, kAlnumGreek, kSymbol, kCyrillic, kKanji, kOther };
// The symbol table's Å is U+00C5, which code page 932 lacks (it has U+212B).
Category CategoryOf(char16_t c) {
  if (c == 0x00C5) return kSymbol;
  const std::string b = ToCodePage(std::u16string(1, c));
  if (b.size() != 2) return kOther;
  const int lead = static_cast<unsigned char>(b[0]), trail = static_cast<unsigned char>(b[1]);
  if (lead == 0x81) return kSymbol;
  if (lead == 0x82) return trail >= 0x9F ? kHira : kAlnumGreek;
  if (lead == 0x83) return trail >= 0x9F ? kAlnumGreek : kKata;
  if (lead == 0x84) return kCyrillic;
  if (lead >= 0x89 && lead <= 0x96) return kKanji;
  return kOther;
}

TEST(RandomGenerator, FollowsTheUpdateRule) {
  RandomGenerator one(1);
  for (const int expected : {41, 18467, 6334, 26500, 19169}) EXPECT_EQ(one.Next(), expected);
  EXPECT_EQ(RandomGenerator(0).Next(), 38);            // 2531011 >> 16
  EXPECT_EQ(RandomGenerator(0xFFFFFFFFu).Next(), 35);  // 2531011 - 214013, wrapped
}

struct ExactRow {
  std::uint32_t seed;
  RandomNameParams params;
  std::u16string path;
  std::u16string expected;
};

TEST(RandomName, ExactNamesForKnownSeeds) {
  const std::vector<ExactRow> rows = {
      // Seed 1 draws 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358,
      // 26962, 24464, 5705, 28145, ...
      {1, {kRandomDigits, kRandomExtRandom, 0}, u"/d/a.txt", u"/d/7048.4982"},
      {1, {kRandomLetters, kRandomExtRandomOrNone, 0}, u"/d/a.txt", u"/d/hGuE"},
      {1, {kRandomLettersThenDigits, kRandomExtKeep, 1}, u"/d/a.b.txt", u"/d/hG484.txt"},
      // Kanji 0x8F68, 0x8BCA, 0x9593; katakana 65; ...
      {1, {kRandomFullWidth, kRandomExtRandom, 0}, u"x", u"宿蕪滅゛.玉ボやァ"},
      {1, {kRandomAllMixed, kRandomExtRandom, 0}, u"x.y", u"ナ蕪p゛.CXV"},
      {7, {kRandomAllMixed, kRandomExtKeep, 0}, u"x.y", u"УeРc.y"},
  };
  for (const ExactRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "seed " << row.seed << " pattern "
                                    << row.params.pattern << " ext " << row.params.extension);
    RandomGenerator random(row.seed);
    EXPECT_EQ(Utf16ToUtf8(ApplyRandomName(row.path, row.params, random)),
              Utf16ToUtf8(row.expected));
  }
}

TEST(RandomName, ShapesOverManyDraws) {
  RandomGenerator random(20140401);
  const std::u16string digits = u"0123456789";
  const std::u16string letters = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  int mixed_letters = 0, mixed_digits = 0;  // pattern 3
  for (int pattern = 0; pattern <= 6; ++pattern) {
    for (int len = 0; len <= 5; ++len) {
      for (int ext = 0; ext <= 3; ++ext) {
        SCOPED_TRACE(std::to_string(pattern) + "/" + std::to_string(len) + "/" +
                     std::to_string(ext));
        const RandomLengthRange range = kRandomLengths[len];
        std::set<std::size_t> lengths;
        std::set<bool> with_extension;
        for (int draw = 0; draw < 300; ++draw) {
          const std::u16string out = ApplyRandomName(u"/p.q/f.txt", {pattern, ext, len}, random);
          ASSERT_EQ(out.substr(0, 5), u"/p.q/");
          const std::u16string name = out.substr(5);
          const std::size_t dot = name.find(u'.');
          const std::u16string base = name.substr(0, dot);
          const std::u16string extension = dot == std::u16string::npos ? u"" : name.substr(dot + 1);
          ASSERT_GE(base.size(), static_cast<std::size_t>(range.lo));
          ASSERT_LE(base.size(), static_cast<std::size_t>(range.hi));
          lengths.insert(base.size());
          with_extension.insert(dot != std::u16string::npos);
          ASSERT_TRUE(ext != kRandomExtKeep || extension == u"txt");
          ASSERT_TRUE(ext != kRandomExtNone || dot == std::u16string::npos);
          if (dot != std::u16string::npos && ext != kRandomExtKeep) {
            ASSERT_EQ(extension.size(), pattern == kRandomAllMixed ? 3 : base.size());
          }
          for (const std::u16string* part : {&base, &extension}) {
            if (part == &extension && ext == kRandomExtKeep) continue;
            for (std::size_t i = 0; i < part->size(); ++i) {
              const char16_t c = (*part)[i];
              const bool digit = digits.find(c) != std::u16string::npos;
              const bool letter = letters.find(c) != std::u16string::npos;
              const Category category = CategoryOf(c);
              const bool fits[] = {digit,
                                   letter,
                                   i < base.size() / 2 ? letter : digit,
                                   letter || digit,
                                   category == kHira,
                                   category != kOther,
                                   digit || letter || category != kOther};
              if (pattern == kRandomLettersAndDigits) ++(letter ? mixed_letters : mixed_digits);
              ASSERT_TRUE(fits[pattern]) << "character " << i << " of " << Utf16ToUtf8(*part);
            }
          }
        }
        EXPECT_EQ(lengths.size(), static_cast<std::size_t>(range.hi - range.lo + 1));
        EXPECT_EQ(with_extension.size(), ext == kRandomExtRandomOrNone ? 2u : 1u);
      }
    }
  }
  EXPECT_NEAR(mixed_letters / static_cast<double>(mixed_letters + mixed_digits), 0.75, 0.01);
}

TEST(RandomName, FullWidthCategoriesByWeightAndBoundary) {
  // The last and first draw of each category.
  const std::pair<int, Category> bounds[] = {
      {3932, kHira},        {3933, kKata},    {7864, kKata},    {7865, kAlnumGreek},
      {10485, kAlnumGreek}, {10486, kSymbol}, {14417, kSymbol}, {14418, kCyrillic},
      {18349, kCyrillic},   {18350, kKanji}};
  for (const auto& [draw, category] : bounds) {
    RandomGenerator random(StepBack(static_cast<std::uint32_t>(draw) << 16));
    EXPECT_EQ(CategoryOf(DrawFullWidthChar(random)), category) << draw;
  }
  std::array<std::set<char16_t>, kOther + 1> seen;
  std::array<int, kOther + 1> counts{};
  RandomGenerator random(99);
  constexpr int kDraws = 200000;
  for (int i = 0; i < kDraws; ++i) {
    const char16_t c = DrawFullWidthChar(random);
    ++counts[CategoryOf(c)];
    seen[CategoryOf(c)].insert(c);
  }
  const std::array<double, kOther + 1> share = {0.12, 0.12, 0.08, 0.12, 0.12, 0.44, 0.0};
  // Kanji: 14 lead bytes with 188 trail bytes each.
  const std::array<std::size_t, kOther + 1> sizes = {80, 80, 110, 146, 65, 14 * 188, 0};
  for (int c = 0; c <= kOther; ++c) {
    EXPECT_NEAR(counts[c] / static_cast<double>(kDraws), share[c], 0.005) << "category " << c;
    EXPECT_EQ(seen[c].size(), sizes[c]) << "category " << c;
  }
}

TEST(RandomName, KanjiTrailByte7FTakenAs77) {
  // Kanji category, then lead draw 5 (0x8E); the third draw is 63 + 189 n.
  for (std::uint32_t seed = 0;; ++seed) {
    RandomGenerator probe(seed);
    if (probe.Next() < 18350 || probe.Next() % 14 != 5 || probe.Next() % 189 != 63) continue;
    RandomGenerator random(seed);
    EXPECT_EQ(DrawFullWidthChar(random), FromCodePage("\x8E\x77")[0]);
    break;
  }
}

TEST(RandomName, ExtensionsCutsAndBadParameters) {
  RandomGenerator random(5);
  // The plain split: a folder keeps the part after its last dot.
  EXPECT_EQ(
      ApplyRandomName(u"/m/album.2014", {kRandomDigits, kRandomExtKeep, 3}, random).substr(11),
      u".2014");
  EXPECT_EQ(ApplyRandomName(u"/m/readme", {kRandomDigits, kRandomExtKeep, 3}, random).size(), 11u);
  const std::u16string deep = u"/" + std::u16string(250, u'd') + u"/";
  EXPECT_EQ(ApplyRandomName(deep + u"f.txt", {kRandomLetters, kRandomExtRandom, 5}, random).size(),
            259u);
  const std::uint32_t before = random.state();
  for (const RandomNameParams bad : {RandomNameParams{7, 0, 0}, RandomNameParams{0, 4, 0},
                                     RandomNameParams{0, 0, 6}, RandomNameParams{-1, 0, 0}}) {
    EXPECT_EQ(ApplyRandomName(u"/m/a.txt", bad, random), u"/m/a.txt");
  }
  EXPECT_EQ(random.state(), before);
}

}  // namespace
}  // namespace tessivo
