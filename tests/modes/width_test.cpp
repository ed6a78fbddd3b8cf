#include "modes/width.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

// Class flags, in the order katakana, letters, digits, symbols.
constexpr int kKana = 1, kAlpha = 2, kNum = 4, kSym = 8, kAll = 15;

WidthParams Params(int direction, int flags, bool file_dir = false) {
  return WidthParams{direction,           (flags & kKana) != 0, (flags & kAlpha) != 0,
                     (flags & kNum) != 0, (flags & kSym) != 0,  file_dir};
}

std::string Show(char16_t c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return buffer;
}

TEST(Width, ConvertsNamesByDirectionAndClass) {
  const struct {
    std::u16string name;
    int direction, flags;
    bool file_dir;
    std::u16string expected;
  } rows[] = {
      {u"ｱｲ.ｱｲ", kToFullWidth, kAll, false, u"アイ.ｱｲ"},
      {u"ｱｲ.ｱｲ", kToFullWidth, kAll, true, u"アイ．アイ"},
      // Marks with nothing to combine with, and letters without a half-width form.
      {u"ﾞｱﾟﾞ", kToFullWidth, kKana, false, u"ﾞアﾟﾞ"},
      {u"ヮヰヱヲヵヶ゛゜ン", kToHalfWidth, kKana, false, u"ヮヰヱｦヵヶ゛゜ﾝ"},
      {u"ーヽ", kToHalfWidth, kKana, false, u"ｰヽ"},
      // Symbols, the apostrophe, the space and the punctuation marks.
      {u"a b's", kToFullWidth, kSym, false, u"a\u3000b\u2019s"},
      {u"a\u3000b\u2019s", kToHalfWidth, kSym, false, u"a b's"},
      {u"｢ｱ｣｡､･", kToFullWidth, kSym, false, u"「ｱ」。、・"},
      {u"「ア」。、・", kToHalfWidth, kSym, false, u"｢ア｣｡､･"},
      // Only the chosen classes change.
      {u"a1ｱ!｢", kToFullWidth, kNum | kSym, false, u"a１ｱ！「"},
      {u"a1ｱ!｢", kToFullWidth, kAlpha | kKana, false, u"ａ1ア!｢"},
      {u"ａ１ア！「", kToHalfWidth, kNum | kSym, false, u"ａ1ア!｢"},
      {u"ａ１ア！「", kToHalfWidth, kAlpha | kKana, false, u"a１ｱ！「"},
      {u"Zz09@[`{}", kToFullWidth, kAll, false, u"Ｚｚ０９＠［｀｛｝"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Utf16ToUtf8(row.name) + " direction " + std::to_string(row.direction) + " flags " +
                 std::to_string(row.flags) + (row.file_dir ? " folders" : ""));
    EXPECT_EQ(ApplyWidth(u"/a.b/" + row.name, Params(row.direction, row.flags, row.file_dir)),
              u"/a.b/" + row.expected);
  }
}

// The half-width katakana block in its rows of like letters: the first
// half-width code, the first full-width code, the step between full-width
// letters, and the offsets of the voiced and semi-voiced forms (0: none).
struct KanaRow {
  char16_t half_first;
  char16_t half_last;
  char16_t full_first;
  int step;
  int voiced;
  int semi_voiced;
};
constexpr KanaRow kKanaRows[] = {
    {0xFF66, 0xFF66, 0x30F2, 0, 0, 0}, {0xFF67, 0xFF6B, 0x30A1, 2, 0, 0},
    {0xFF6C, 0xFF6E, 0x30E3, 2, 0, 0}, {0xFF6F, 0xFF6F, 0x30C3, 0, 0, 0},
    {0xFF70, 0xFF70, 0x30FC, 0, 0, 0}, {0xFF71, 0xFF75, 0x30A2, 2, 0, 0},
    {0xFF76, 0xFF81, 0x30AB, 2, 1, 0}, {0xFF82, 0xFF84, 0x30C4, 2, 1, 0},
    {0xFF85, 0xFF89, 0x30CA, 1, 0, 0}, {0xFF8A, 0xFF8E, 0x30CF, 3, 1, 2},
    {0xFF8F, 0xFF93, 0x30DE, 1, 0, 0}, {0xFF94, 0xFF96, 0x30E4, 2, 0, 0},
    {0xFF97, 0xFF9B, 0x30E9, 1, 0, 0}, {0xFF9C, 0xFF9C, 0x30EF, 0, 0, 0},
    {0xFF9D, 0xFF9D, 0x30F3, 0, 0, 0},
};

TEST(Width, KatakanaPairsBothWays) {
  const WidthParams to_full = Params(kToFullWidth, kKana);
  const WidthParams to_half = Params(kToHalfWidth, kKana);
  for (const KanaRow& row : kKanaRows) {
    for (char16_t half = row.half_first; half <= row.half_last; ++half) {
      SCOPED_TRACE(Show(half));
      const auto full = static_cast<char16_t>(row.full_first + row.step * (half - row.half_first));
      const std::u16string plain(1, half);
      EXPECT_EQ(ConvertWidth(plain, to_full), std::u16string(1, full));
      EXPECT_EQ(ConvertWidth(std::u16string(1, full), to_half), plain);
      for (const auto& [mark, offset] :
           {std::pair{u'\uFF9E', row.voiced}, {u'\uFF9F', row.semi_voiced}}) {
        const std::u16string marked = plain + mark;
        char16_t combined = offset == 0 ? 0 : static_cast<char16_t>(full + offset);
        if (half == 0xFF73 && mark == 0xFF9E) combined = 0x30F4;  // ｳﾞ, the one voiced vowel
        if (combined == 0) {
          EXPECT_EQ(ConvertWidth(marked, to_full), std::u16string(1, full) + mark);
        } else {
          EXPECT_EQ(ConvertWidth(marked, to_full), std::u16string(1, combined));
          EXPECT_EQ(ConvertWidth(std::u16string(1, combined), to_half), marked);
        }
      }
    }
  }
}

// Every code unit alone, with all classes on: counts the characters each
// direction changes, and checks that no character a file name may not
// contain is ever produced from another one.
TEST(Width, EveryCodeUnitWithAllClasses) {
  const std::u16string_view forbidden = u"\"*/:<>?\\|";
  for (const int direction : {kToFullWidth, kToHalfWidth}) {
    const WidthParams params = Params(direction, kAll);
    const WidthParams back = Params(1 - direction, kAll);
    int changed = 0;
    for (char32_t u = 0; u <= 0xFFFF; ++u) {
      const auto c = static_cast<char16_t>(u);
      const std::u16string out = ConvertWidth(std::u16string(1, c), params);
      ASSERT_FALSE(out.empty()) << Show(c);
      if (out != std::u16string(1, c)) ++changed;
      for (const char16_t o : out) {
        if (o != c) {
          EXPECT_EQ(forbidden.find(o), std::u16string_view::npos) << Show(c);
        }
      }
      // Every converted single character converts back.
      if (out.size() == 1 && out[0] != c) {
        EXPECT_EQ(ConvertWidth(out, back), std::u16string(1, c)) << Show(c);
      }
    }
    // To full-width: 10 digits, 52 letters, 56 katakana, 22 symbols, 5
    // punctuation marks and the space. To half-width the same number (’
    // stands in for the full-width apostrophe) plus the 26 voiced and
    // semi-voiced letters.
    EXPECT_EQ(changed, direction == kToFullWidth ? 146 : 172) << "direction " << direction;
  }
}

TEST(Width, CutsTheLongerNameToTheFolderRoom) {
  const std::u16string folder = u"/" + std::u16string(250, u'd') + u"/";  // 252 characters
  const WidthParams to_half = Params(kToHalfWidth, kKana);
  // 5 voiced letters become 10 characters; 252 + 10 > 260, so 8 are kept.
  EXPECT_EQ(ApplyWidth(folder + u"ガギグゲゴ.txt", to_half), folder + u"ｶﾞｷﾞｸﾞｹﾞ.txt");
  // 252 + 8 = 260 exactly is kept whole.
  EXPECT_EQ(ApplyWidth(folder + u"ガギグゲ.txt", to_half), folder + u"ｶﾞｷﾞｸﾞｹﾞ.txt");
  // Without a folder a name may reach 260 characters; the extension follows.
  std::u16string halves;
  for (int i = 0; i < 130; ++i) halves += u"ﾊﾟ";
  EXPECT_EQ(ApplyWidth(std::u16string(200, u'パ') + u".txt", to_half), halves + u".txt");
}

}  // namespace
}  // namespace tessivo
