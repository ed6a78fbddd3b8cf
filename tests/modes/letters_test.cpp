#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "config/encoding.h"
#include "modes/letter_case.h"
#include "modes/random_name.h"
#include "modes/short_name.h"
#include "modes/width.h"
#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

constexpr char16_t kDefaultWordInitialExceptions[] =
    u"a an and at by for in into of on or the to with";

struct CaseRow {
  std::u16string name;
  int option;
  std::u16string expected;
  bool full_width_too = false;
  bool file_dir = false;
};

void RunRows(const ExceptionWordTable& table, const std::vector<CaseRow>& rows) {
  for (const CaseRow& row : rows) {
    SCOPED_TRACE(Utf16ToUtf8(row.name) + " option " + std::to_string(row.option) +
                 (row.full_width_too ? " full width" : "") + (row.file_dir ? " folders" : ""));
    const LetterCaseParams params{row.option, row.full_width_too, row.file_dir};
    EXPECT_EQ(ApplyLetterCase(u"/Dir.X/" + row.name, params, table), u"/Dir.X/" + row.expected);
  }
}

TEST(LetterCase, ConvertsByOptionAndWidthAndKeepsExceptionWords) {
  RunRows({}, {
      {u"Report.Txt", kCaseAllLower, u"report.txt"}, {u"Report.Txt", kCaseAllUpper, u"REPORT.TXT"},
      {u"report.Txt", kCaseAllUpperExceptExtension, u"REPORT.Txt"},
      {u"HELLO WORLD.TXT", kCaseFirstUpper, u"Hello world.txt"},
      {u"hello_world-foo bar", kCaseWordInitialUpper, u"Hello_World-Foo Bar"},
      {u"DON'T STOP.TXT", kCaseWordInitialUpper, u"Don't Stop.txt"},
      {u"'tis", kCaseWordInitialUpper, u"'Tis"}, {u"o'neil", kCaseWordInitialUpper, u"O'neil"},
      // Files stop at the extension; folders capitalise every dot part.
      {u"my.folder.name", kCaseWordInitialUpper, u"My.Folder.name"},
      {u"my.folder.name", kCaseWordInitialUpper, u"My.Folder.Name", false, true},
      {u"Name.TXT", 5, u"Name.TXT"},
      // Non-ASCII letters change only with dbytebig.
      {u"ＡＢＣ.TXT", kCaseAllLower, u"ＡＢＣ.txt"},
      {u"ΑΒΓ Ежик.txt", kCaseAllUpper, u"ΑΒΓ ЕЖИК.TXT", true},
      // Simple mapping never changes the length: ß and the ligature ﬁ stay.
      {u"straße ﬁle", kCaseAllUpper, u"STRAßE ﬁLE", true},
      {u"İSTANBUL", kCaseAllLower, u"istanbul", true},
      {u"ａｂｃ ｄｅｆ.txt", kCaseWordInitialUpper, u"Ａｂｃ Ｄｅｆ.txt", true},
      // ASCII and full-width letters do not join into one word.
      {u"ａb", kCaseWordInitialUpper, u"ＡB", true}, {u"éa", kCaseFirstUpper, u"éa", true},
      {u"ｄｏｎ’ｔ", kCaseWordInitialUpper, u"Ｄｏｎ’ｔ", true},
      {u"\xDC81" u"AB", kCaseAllLower, u"\xDC81" u"ab", true},  // an unpaired surrogate
  });
  ExceptionWordTable table;
  table.BuildExceptionLists(u"USA iPhone", u"mp3 x-ray", kDefaultWordInitialExceptions);
  RunRows(table, {
      {u"THE HOUSE ON THE HILL.TXT", kCaseWordInitialUpper, u"The House on the Hill.txt"},
      {u"anthem andes", kCaseWordInitialUpper, u"Anthem Andes"},  // not inside a longer word
      {u"HELLO USA.TXT", kCaseAllLower, u"hello USA.txt"},
      {u"USAF USA_1 AUSA", kCaseAllLower, u"usaf USA_1 ausa"},
      {u"x-ray song.mp3", kCaseAllUpper, u"x-ray SONG.mp3"},
      // Option 3 uses no list; each list belongs to its option only.
      {u"usa of the hill", kCaseFirstUpper, u"Usa of the hill"},
      {u"OF MICE", kCaseAllLower, u"of mice"},
  });
  // The search continues one past each occurrence: in "A.A." the one at 0 is
  // followed by a letter and skipped, and the search resumes one past the
  // character after it, so the one at 2 is not seen.
  table.BuildExceptionLists(u"A.", u"", u"");
  RunRows(table, {{u"A. A.", kCaseAllLower, u"A. A."}, {u"A.A.", kCaseAllLower, u"a.a."}});
}

TEST(ExceptionWordTable, BuildsSearchAndReplacementFormsAndLimitsWordLengthAndCount) {
  // The list, its text, its words as search form > replacement form.
  const std::tuple<std::size_t, std::u16string, std::vector<std::u16string>> cases[] = {
      {0, u"USA", {u"usa>USA"}}, {1, u"mp3 Kb", {u"MP>mp", u"KB>Kb"}},
      {2, u"iPhone THE", {u"Iphone>iPhone", u"The>THE"}}, {0, u"   a    an  ", {u"a>a", u"an>an"}},
      // Non-letters are dropped at a word's start; inside only _ - . stay.
      {0, u"1abc ab1c -x x-ray a_b.c ＡＢ café",
       {u"abc>abc", u"abc>abc", u"x>x", u"x-ray>x-ray", u"a_b.c>a_b.c", u"caf>caf"}},
      {0, u"12 -- ＡＢ", {}},
  };
  for (const auto& [list, text, expected] : cases) {
    SCOPED_TRACE(std::to_string(list) + ": " + Utf16ToUtf8(text));
    ExceptionWordTable table;
    std::u16string texts[3];
    texts[list] = text;
    table.BuildExceptionLists(texts[0], texts[1], texts[2]);
    std::vector<std::u16string> words;
    for (const auto& w : table.words(list)) words.push_back(w.search + u">" + w.replacement);
    EXPECT_EQ(words, expected);
    for (std::size_t other = 0; other < 3; ++other) {
      EXPECT_TRUE(other == list || table.words(other).empty()) << other;
    }
  }
  ExceptionWordTable table;
  // The 39th letter closes the word; "xy" starts the next, its leading "_" dropped as a non-letter.
  table.BuildExceptionLists(std::u16string(39, u'a') + u"_xy", u"", u"");
  ASSERT_EQ(table.words(0).size(), 2u);
  EXPECT_EQ(table.words(0)[0].search, std::u16string(39, u'a'));
  EXPECT_EQ(table.words(0)[1].search, u"xy");

  std::u16string many;
  for (int i = 0; i < 130; ++i) many += (i < 128 ? u"w " : u"z ");
  table.BuildExceptionLists(u"", u"", many);
  EXPECT_EQ(table.words(2).size(), ExceptionWordTable::kMaxWords);
  EXPECT_EQ(table.words(2).back().replacement, u"w");
  // Rebuilding clears the earlier lists.
  EXPECT_TRUE(table.words(0).empty());
}

// Class flags, in the order katakana, letters, digits, symbols; kDirs: folders are listed.
constexpr int kKana = 1, kAlpha = 2, kNum = 4, kSym = 8, kAll = 15, kDirs = 16;

WidthParams Params(int direction, int flags) {
  return WidthParams{direction,           (flags & kKana) != 0, (flags & kAlpha) != 0,
                     (flags & kNum) != 0, (flags & kSym) != 0,  (flags & kDirs) != 0};
}

TEST(Width, ConvertsNamesByDirectionAndClassAndCutsToTheFolderRoom) {
  const int full = kToFullWidth, half = kToHalfWidth;
  const std::tuple<std::u16string, int, int, std::u16string> rows[] = {
      {u"ｱｲ.ｱｲ", full, kAll, u"アイ.ｱｲ"}, {u"ｱｲ.ｱｲ", full, kAll | kDirs, u"アイ．アイ"},
      // Marks with nothing to combine with, and letters without a half-width form; symbols, the
      // apostrophe, the space and the punctuation marks; only the chosen classes change.
      {u"ﾞｱﾟﾞ", full, kKana, u"ﾞアﾟﾞ"}, {u"ヮヰヱヲヵヶ゛゜ン", half, kKana, u"ヮヰヱｦヵヶ゛゜ﾝ"},
      {u"ーヽ", half, kKana, u"ｰヽ"},
      {u"a b's", full, kSym, u"a\u3000b\u2019s"}, {u"a\u3000b\u2019s", half, kSym, u"a b's"},
      {u"｢ｱ｣｡､･", full, kSym, u"「ｱ」。、・"},     {u"「ア」。、・", half, kSym, u"｢ア｣｡､･"},
      {u"a1ｱ!｢", full, kNum | kSym, u"a１ｱ！「"}, {u"a1ｱ!｢", full, kAlpha | kKana, u"ａ1ア!｢"},
      {u"ａ１ア！「", half, kNum | kSym, u"ａ1ア!｢"}, {u"ａ１ア！「", half, kAlpha | kKana, u"a１ｱ！「"},
      {u"Zz09@[`{}", full, kAll, u"Ｚｚ０９＠［｀｛｝"},
  };
  for (const auto& [name, direction, flags, expected] : rows) {
    EXPECT_EQ(ApplyWidth(u"/a.b/" + name, Params(direction, flags)), u"/a.b/" + expected)
        << Utf16ToUtf8(name) << " direction " << direction << " flags " << flags;
  }
  const std::u16string folder = u"/" + std::u16string(250, u'd') + u"/";  // 252 characters
  const WidthParams to_half = Params(kToHalfWidth, kKana);
  // 5 voiced letters become 10 characters; 252 + 10 > 260, so 8 are kept; 252 + 8 = 260 is whole.
  EXPECT_EQ(ApplyWidth(folder + u"ガギグゲゴ.txt", to_half), folder + u"ｶﾞｷﾞｸﾞｹﾞ.txt");
  EXPECT_EQ(ApplyWidth(folder + u"ガギグゲ.txt", to_half), folder + u"ｶﾞｷﾞｸﾞｹﾞ.txt");
  // Without a folder a name may reach 260 characters; the extension follows.
  std::u16string halves;
  for (int i = 0; i < 130; ++i) halves += u"ﾊﾟ";
  EXPECT_EQ(ApplyWidth(std::u16string(200, u'パ') + u".txt", to_half), halves + u".txt");
}

// The half-width katakana block in rows of like letters: the first and last half-width code, the
// first full-width code, the step between full-width letters, and the offsets of the voiced and
// semi-voiced forms (0: none).
struct KanaRow {
  char16_t half_first, half_last, full_first;
  int step, voiced, semi_voiced;
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

TEST(Width, KatakanaPairsBothWaysAndEveryCodeUnitWithAllClasses) {
  const WidthParams to_full = Params(kToFullWidth, kKana);
  const WidthParams to_half = Params(kToHalfWidth, kKana);
  for (const KanaRow& row : kKanaRows) {
    for (char16_t half = row.half_first; half <= row.half_last; ++half) {
      SCOPED_TRACE(static_cast<int>(half));
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
  // Every code unit alone, with all classes on: counts the characters each direction changes,
  // and checks that no character a file name may not contain is produced from another one.
  const std::u16string_view forbidden = u"\"*/:<>?\\|";
  for (const int direction : {kToFullWidth, kToHalfWidth}) {
    const WidthParams params = Params(direction, kAll);
    const WidthParams back = Params(1 - direction, kAll);
    int changed = 0;
    for (char32_t u = 0; u <= 0xFFFF; ++u) {
      const auto c = static_cast<char16_t>(u);
      const std::u16string out = ConvertWidth(std::u16string(1, c), params);
      ASSERT_FALSE(out.empty()) << static_cast<int>(c);
      if (out != std::u16string(1, c)) ++changed;
      for (const char16_t o : out) {
        EXPECT_TRUE(o == c || forbidden.find(o) == forbidden.npos) << static_cast<int>(c);
      }
      // Every converted single character converts back.
      if (out.size() == 1 && out[0] != c) {
        EXPECT_EQ(ConvertWidth(out, back), std::u16string(1, c)) << static_cast<int>(c);
      }
    }
    // To full-width: 10 digits, 52 letters, 56 katakana, 22 symbols, 5 punctuation marks and the
    // space. To half-width the same (’ stands in for the full-width apostrophe) plus the 26 voiced
    // and semi-voiced letters.
    EXPECT_EQ(changed, direction == kToFullWidth ? 146 : 172) << "direction " << direction;
  }
}

bool NothingTaken(std::u16string_view) { return false; }

TEST(ShortName, MakesTheBasisNameAndOnlyValidShortNames) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      // Already 8.3, letter case aside: the name is its own short name.
      {u"ABCDEFGH", u"ABCDEFGH"},             {u"日本語.txt", u"日本語.txt"},
      {u"ｱｲｳｴｵｶｷｸ.ｹｺｻ", u"ｱｲｳｴｵｶｷｸ.ｹｺｻ"},
      // Too long, spaces, periods, invalid characters.
      {u"LongFileName.txt", u"LONGFI~1.TXT"}, {u"photo.jpeg", u"PHOTO~1.JPE"},
      {u"my file.txt", u"MYFILE~1.TXT"},      {u"my.long.file.txt", u"MYLONG~1.TXT"},
      {u".bashrc", u"BASHRC~1"},              {u"name.", u"NAME~1"},
      {u"a\\b.t*t", u"A_B~1.T_T"},            {u"...", u"_~1"},
      {u"😀.txt", u"__~1.TXT"},  // characters code page 932 lacks become "_" and force a tail
      // Double-byte characters count two bytes and are never split.
      {u"日本語です.txt", u"日本語~1.TXT"},   {u"a日本語のファイル.txt", u"A日本~1.TXT"},
      {u"a.日本", u"A~1.日"}, {u"ａｂｃｄ.txt", u"ａｂｃｄ.txt"},
      {u"ａｂｃｄｅ.txt", u"ＡＢＣ~1.TXT"},
  };
  for (const auto& [long_name, expected] : cases) {
    EXPECT_EQ(GenerateShortName(long_name, NothingTaken), expected) << Utf16ToUtf8(long_name);
  }
  const std::u16string valid[] = {u"a", u"a.b", u"ABCDEFGH.ABC", u"日本語ab.日", u"~$x"};
  const std::u16string invalid[] = {u"",    u".a",  u"a.", u"a.b.c",      u"ABCDEFGHI", u"a.abcd",
                                    u"a b", u"a+b", u"é",  u"日本語です", u"a.日本"};
  for (const auto& name : valid) EXPECT_TRUE(IsValidShortName(name)) << Utf16ToUtf8(name);
  for (const auto& name : invalid) EXPECT_FALSE(IsValidShortName(name)) << Utf16ToUtf8(name);
  const std::u16string names[] = {u"Ωmega file.tar.gz", u"ﾃｽﾄﾌｧｲﾙ名前.jpeg", u"x.ｱｲｳｴ",
                                  u"résumé final.docx", u"ー長音ーーーー.長い拡張子"};
  for (const auto& long_name : names) {
    const std::u16string short_name = GenerateShortName(long_name, NothingTaken);
    SCOPED_TRACE(Utf16ToUtf8(long_name) + " -> " + Utf16ToUtf8(short_name));
    const std::size_t dot = std::min(short_name.find(u'.'), short_name.size());
    EXPECT_LE(ToCodePage(short_name.substr(0, dot)).size(), 8u);
    EXPECT_LE(ToCodePage(short_name.substr(std::min(dot + 1, short_name.size()))).size(), 3u);
    EXPECT_EQ(SimpleUpperCase(short_name), short_name);
    EXPECT_TRUE(IsValidShortName(short_name));
  }
}

TEST(ShortName, TailsAvoidTheOtherNamesAndApplyTakesTheLastComponentAndTheCaseOption) {
  FolderNameSet taken;
  for (const char16_t* name : {u"longfi~1.txt", u"LONGFI~2.TXT"}) taken.Insert(name);
  EXPECT_EQ(GenerateShortName(u"LongFileName.txt", taken.AsLookup()), u"LONGFI~3.TXT");
  for (const char16_t* name : {u"LongFi~3.txt", u"LONGFI~4.TXT"}) taken.Insert(name);
  // From the fifth on: two bytes of the basis, four hex digits, "~1".
  const std::u16string hashed = GenerateShortName(u"LongFileName.txt", taken.AsLookup());
  ASSERT_EQ(hashed.size(), 12u) << Utf16ToUtf8(hashed);
  EXPECT_EQ(hashed.substr(0, 2) + hashed.substr(6), u"LO~1.TXT");
  EXPECT_EQ(hashed.find_first_not_of(u"0123456789ABCDEF", 2), 6u) << Utf16ToUtf8(hashed);
  // Stable: the same name gets the same short name.
  EXPECT_EQ(GenerateShortName(u"LongFileName.txt", taken.AsLookup()), hashed);

  taken.Insert(hashed);
  const std::u16string next = GenerateShortName(u"LongFileName.txt", taken.AsLookup());
  EXPECT_EQ(next, hashed.substr(0, 6) + u"~2.TXT");

  // In a folder that keeps case only the exact spelling is taken.
  FolderNameSet exact(false);
  for (const char16_t* name : {u"longfi~1.txt", u"LONGFI~2.TXT"}) exact.Insert(name);
  EXPECT_EQ(GenerateShortName(u"LongFileName.txt", exact.AsLookup()), u"LONGFI~1.TXT");
  exact.Insert(u"LONGFI~1.TXT");
  EXPECT_EQ(GenerateShortName(u"LongFileName.txt", exact.AsLookup()), u"LONGFI~3.TXT");
  // Long tails still fit eight bytes: here everything up to the hashed "~12" is taken.
  int refusals = 0;
  const std::u16string name = GenerateShortName(
      u"日本語のファイル名.txt", [&](std::u16string_view) { return ++refusals < 4 + 12; });
  SCOPED_TRACE(Utf16ToUtf8(name));
  EXPECT_EQ(name.substr(0, 1), u"日");
  ASSERT_GE(name.size(), 7u);
  EXPECT_EQ(name.substr(name.size() - 7), u"~12.TXT");
  EXPECT_EQ(ToCodePage(name.substr(0, name.size() - 4)).size(), 8u);

  // A lookup that refuses everything ends with no name at all.
  EXPECT_EQ(GenerateShortName(u"LongFileName.txt", [](std::u16string_view) { return true; }), u"");
  // The path, the short name the file system gave, the case option, the new path.
  const std::tuple<std::u16string, std::u16string, int, std::u16string> cases[] = {
      {u"/Dir/LongFileName.txt", u"/DIR/LONGFI~1.TXT", 0, u"/Dir/LONGFI~1.TXT"},
      {u"/Dir/LongFileName.txt", u"LONGFI~1.TXT", 0, u"/Dir/LONGFI~1.TXT"},
      {u"/Dir/LongFileName.txt", u"LONGFI~1.TXT", 2, u"/Dir/longfi~1.txt"},
      {u"/Dir/readme.txt", u"readme.txt", 1, u"/Dir/README.TXT"},
      // A failed request keeps the long name; the case option still applies.
      {u"/Dir/LongFileName.txt", u"", 0, u"/Dir/LongFileName.txt"},
      {u"/Dir/LongFileName.txt", u"", 2, u"/Dir/longfilename.txt"},
      {u"/Dir/LongFileName.txt", u"/DIR/", 1, u"/Dir/LONGFILENAME.TXT"},
  };
  for (const auto& [source, short_name, name_case, expected] : cases) {
    EXPECT_EQ(ApplyShortName(source, short_name, ShortNameParams{name_case}), expected)
        << Utf16ToUtf8(source + u" / " + short_name) << " / " << name_case;
  }
}

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

TEST(RandomName, GeneratorFollowsTheUpdateRuleAndGivesExactNames) {
  RandomGenerator one(1);
  for (const int expected : {41, 18467, 6334, 26500, 19169}) EXPECT_EQ(one.Next(), expected);
  EXPECT_EQ(RandomGenerator(0).Next(), 38);            // 2531011 >> 16
  EXPECT_EQ(RandomGenerator(0xFFFFFFFFu).Next(), 35);  // 2531011 - 214013, wrapped
  const std::tuple<std::uint32_t, RandomNameParams, std::u16string, std::u16string> rows[] = {
      // Seed 1 draws 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464, 5705, ...
      {1, {kRandomDigits, kRandomExtRandom, 0}, u"/d/a.txt", u"/d/7048.4982"},
      {1, {kRandomLetters, kRandomExtRandomOrNone, 0}, u"/d/a.txt", u"/d/hGuE"},
      {1, {kRandomLettersThenDigits, kRandomExtKeep, 1}, u"/d/a.b.txt", u"/d/hG484.txt"},
      // Kanji 0x8F68, 0x8BCA, 0x9593; katakana 65; ...
      {1, {kRandomFullWidth, kRandomExtRandom, 0}, u"x", u"宿蕪滅゛.玉ボやァ"},
      {1, {kRandomAllMixed, kRandomExtRandom, 0}, u"x.y", u"ナ蕪p゛.CXV"},
      {7, {kRandomAllMixed, kRandomExtKeep, 0}, u"x.y", u"УeРc.y"},
  };
  for (const auto& [seed, params, path, expected] : rows) {
    RandomGenerator random(seed);
    EXPECT_EQ(Utf16ToUtf8(ApplyRandomName(path, params, random)), Utf16ToUtf8(expected))
        << "seed " << seed << " pattern " << params.pattern << " ext " << params.extension;
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
        SCOPED_TRACE(testing::Message() << pattern << "/" << len << "/" << ext);
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
              const bool fits[] = {digit, letter, i < base.size() / 2 ? letter : digit,
                                   letter || digit, category == kHira, category != kOther,
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

TEST(RandomName, FullWidthCategoriesExtensionsCutsAndBadParameters) {
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
  // A kanji trail byte 0x7F is taken as 0x77: the kanji category, then lead draw 5 (0x8E), then
  // a third draw of 63 + 189 n.
  for (std::uint32_t seed = 0;; ++seed) {
    RandomGenerator probe(seed);
    if (probe.Next() < 18350 || probe.Next() % 14 != 5 || probe.Next() % 189 != 63) continue;
    RandomGenerator random(seed);
    EXPECT_EQ(DrawFullWidthChar(random), FromCodePage("\x8E\x77")[0]);
    break;
  }
  random = RandomGenerator(5);
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
