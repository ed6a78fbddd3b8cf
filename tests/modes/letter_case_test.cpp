#include "modes/letter_case.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(LetterCase, ConvertsByOptionAndWidth) {
  const ExceptionWordTable none{};
  RunRows(none, {
                    {u"Report.Txt", kCaseAllLower, u"report.txt"},
                    {u"Report.Txt", kCaseAllUpper, u"REPORT.TXT"},
                    {u"report.Txt", kCaseAllUpperExceptExtension, u"REPORT.Txt"},
                    {u"HELLO WORLD.TXT", kCaseFirstUpper, u"Hello world.txt"},
                    {u"hello_world-foo bar", kCaseWordInitialUpper, u"Hello_World-Foo Bar"},
                    {u"DON'T STOP.TXT", kCaseWordInitialUpper, u"Don't Stop.txt"},
                    {u"'tis", kCaseWordInitialUpper, u"'Tis"},
                    {u"o'neil", kCaseWordInitialUpper, u"O'neil"},
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
                    {u"ａb", kCaseWordInitialUpper, u"ＡB", true},
                    {u"ｄｏｎ’ｔ", kCaseWordInitialUpper, u"Ｄｏｎ’ｔ", true},
                    {u"éa", kCaseFirstUpper, u"éa", true},
                    // An unpaired surrogate passes through.
                    {u"\xDC81"
                     u"AB",
                     kCaseAllLower,
                     u"\xDC81"
                     u"ab",
                     true},
                });
}

TEST(LetterCase, ExceptionWordsRestoreTheUsersSpelling) {
  ExceptionWordTable table;
  table.BuildExceptionLists(u"USA iPhone", u"mp3 x-ray", kDefaultWordInitialExceptions);
  RunRows(table,
          {
              {u"THE HOUSE ON THE HILL.TXT", kCaseWordInitialUpper, u"The House on the Hill.txt"},
              // Inside a longer word nothing is replaced.
              {u"anthem andes", kCaseWordInitialUpper, u"Anthem Andes"},
              {u"HELLO USA.TXT", kCaseAllLower, u"hello USA.txt"},
              {u"USAF USA_1 AUSA", kCaseAllLower, u"usaf USA_1 ausa"},
              {u"x-ray song.mp3", kCaseAllUpper, u"x-ray SONG.mp3"},
              // Option 3 uses no list.
              {u"usa of the hill", kCaseFirstUpper, u"Usa of the hill"},
              // Each list belongs to its option only.
              {u"OF MICE", kCaseAllLower, u"of mice"},
          });
}

TEST(LetterCase, SearchContinuesOnePastEachOccurrence) {
  ExceptionWordTable table;
  table.BuildExceptionLists(u"A.", u"", u"");
  RunRows(table, {
                     {u"A. A.", kCaseAllLower, u"A. A."},
                     // The occurrence at 0 is followed by a letter and skipped; the search
                     // resumes one past the character after it, so the one at 2 is not seen.
                     {u"A.A.", kCaseAllLower, u"a.a."},
                 });
}

TEST(ExceptionWordTable, BuildsSearchAndReplacementForms) {
  struct BuildCase {
    std::size_t list;
    std::u16string text;
    std::vector<std::u16string> searches;
    std::vector<std::u16string> replacements;
  };
  const BuildCase cases[] = {
      {0, u"USA", {u"usa"}, {u"USA"}},
      {1, u"mp3 Kb", {u"MP", u"KB"}, {u"mp", u"Kb"}},
      {2, u"iPhone THE", {u"Iphone", u"The"}, {u"iPhone", u"THE"}},
      {0, u"   a    an  ", {u"a", u"an"}, {u"a", u"an"}},
      // Non-letters are dropped at a word's start; inside only _ - . stay.
      {0,
       u"1abc ab1c -x x-ray a_b.c ＡＢ café",
       {u"abc", u"abc", u"x", u"x-ray", u"a_b.c", u"caf"},
       {u"abc", u"abc", u"x", u"x-ray", u"a_b.c", u"caf"}},
      {0, u"12 -- ＡＢ", {}, {}},
  };
  for (const BuildCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.list) + ": " + Utf16ToUtf8(c.text));
    ExceptionWordTable table;
    std::u16string texts[3];
    texts[c.list] = c.text;
    table.BuildExceptionLists(texts[0], texts[1], texts[2]);
    std::vector<std::u16string> searches, replacements;
    for (const auto& word : table.words(c.list)) {
      searches.push_back(word.search);
      replacements.push_back(word.replacement);
    }
    EXPECT_EQ(searches, c.searches);
    EXPECT_EQ(replacements, c.replacements);
    for (std::size_t other = 0; other < 3; ++other) {
      EXPECT_TRUE(other == c.list || table.words(other).empty()) << other;
    }
  }
}

TEST(ExceptionWordTable, LimitsWordLengthAndCount) {
  ExceptionWordTable table;
  // The 39th letter closes the word; "xy" starts the next one, and a "_"
  // at a word start is dropped like any non-letter.
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

}  // namespace
}  // namespace tessivo
