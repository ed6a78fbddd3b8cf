#include "modes/short_name.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "config/encoding.h"
#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

bool NothingTaken(std::u16string_view) { return false; }

TEST(ShortName, MakesTheBasisName) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      // Already 8.3, letter case aside: the name is its own short name.
      {u"ABCDEFGH", u"ABCDEFGH"},             {u"日本語.txt", u"日本語.txt"},
      {u"ｱｲｳｴｵｶｷｸ.ｹｺｻ", u"ｱｲｳｴｵｶｷｸ.ｹｺｻ"},
      // Too long, spaces, periods, invalid characters.
      {u"LongFileName.txt", u"LONGFI~1.TXT"}, {u"photo.jpeg", u"PHOTO~1.JPE"},
      {u"my file.txt", u"MYFILE~1.TXT"},      {u"my.long.file.txt", u"MYLONG~1.TXT"},
      {u".bashrc", u"BASHRC~1"},              {u"name.", u"NAME~1"},
      {u"a\\b.t*t", u"A_B~1.T_T"},            {u"...", u"_~1"},
      // Characters code page 932 lacks become "_" and force a tail.
      {u"😀.txt", u"__~1.TXT"},
      // Double-byte characters count two bytes and are never split.
      {u"日本語です.txt", u"日本語~1.TXT"},   {u"a日本語のファイル.txt", u"A日本~1.TXT"},
      {u"a.日本", u"A~1.日"},                 {u"ａｂｃｄ.txt", u"ａｂｃｄ.txt"},
      {u"ａｂｃｄｅ.txt", u"ＡＢＣ~1.TXT"},
  };
  for (const auto& [long_name, expected] : cases) {
    EXPECT_EQ(GenerateShortName(long_name, NothingTaken), expected) << Utf16ToUtf8(long_name);
  }
}

TEST(ShortName, ValidityIgnoresCaseOnly) {
  const std::u16string valid[] = {u"a", u"a.b", u"ABCDEFGH.ABC", u"日本語ab.日", u"~$x"};
  const std::u16string invalid[] = {u"",    u".a",  u"a.", u"a.b.c",      u"ABCDEFGHI", u"a.abcd",
                                    u"a b", u"a+b", u"é",  u"日本語です", u"a.日本"};
  for (const auto& name : valid) EXPECT_TRUE(IsValidShortName(name)) << Utf16ToUtf8(name);
  for (const auto& name : invalid) EXPECT_FALSE(IsValidShortName(name)) << Utf16ToUtf8(name);
}

TEST(ShortName, TailsAvoidTheOtherNamesIgnoringCase) {
  FolderNameSet taken;
  taken.Insert(u"longfi~1.txt");
  taken.Insert(u"LONGFI~2.TXT");
  EXPECT_EQ(GenerateShortName(u"LongFileName.txt", taken.AsLookup()), u"LONGFI~3.TXT");
  taken.Insert(u"LongFi~3.txt");
  taken.Insert(u"LONGFI~4.TXT");
  // From the fifth on: two bytes of the basis, four hex digits, "~1".
  const std::u16string hashed = GenerateShortName(u"LongFileName.txt", taken.AsLookup());
  ASSERT_EQ(hashed.size(), 12u) << Utf16ToUtf8(hashed);
  EXPECT_EQ(hashed.substr(0, 2), u"LO");
  for (char16_t c : hashed.substr(2, 4)) {
    EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')) << Utf16ToUtf8(hashed);
  }
  EXPECT_EQ(hashed.substr(6), u"~1.TXT");
  // Stable: the same name gets the same short name.
  EXPECT_EQ(GenerateShortName(u"LongFileName.txt", taken.AsLookup()), hashed);

  taken.Insert(hashed);
  const std::u16string next = GenerateShortName(u"LongFileName.txt", taken.AsLookup());
  EXPECT_EQ(next, hashed.substr(0, 6) + u"~2.TXT");

  // In a folder that keeps case only the exact spelling is taken.
  FolderNameSet exact(false);
  exact.Insert(u"longfi~1.txt");
  exact.Insert(u"LONGFI~2.TXT");
  EXPECT_EQ(GenerateShortName(u"LongFileName.txt", exact.AsLookup()), u"LONGFI~1.TXT");
  exact.Insert(u"LONGFI~1.TXT");
  EXPECT_EQ(GenerateShortName(u"LongFileName.txt", exact.AsLookup()), u"LONGFI~3.TXT");
}

TEST(ShortName, LongTailsStillFitEightBytes) {
  // Everything up to the hashed "~12" is taken.
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
}

TEST(ShortName, GeneratedNamesAreUpperCaseAndFitTheirBytes) {
  const std::u16string names[] = {u"Ωmega file.tar.gz", u"ﾃｽﾄﾌｧｲﾙ名前.jpeg", u"x.ｱｲｳｴ",
                                  u"résumé final.docx", u"ー長音ーーーー.長い拡張子"};
  for (const auto& long_name : names) {
    const std::u16string short_name = GenerateShortName(long_name, NothingTaken);
    SCOPED_TRACE(Utf16ToUtf8(long_name) + " -> " + Utf16ToUtf8(short_name));
    const std::size_t dot = short_name.find(u'.');
    EXPECT_LE(ToCodePage(short_name.substr(0, dot)).size(), 8u);
    if (dot != std::u16string::npos) {
      EXPECT_LE(ToCodePage(short_name.substr(dot + 1)).size(), 3u);
    }
    EXPECT_EQ(SimpleUpperCase(short_name), short_name);
    EXPECT_TRUE(IsValidShortName(short_name));
  }
}

TEST(ShortName, ApplyTakesTheLastComponentAndTheCaseOption) {
  struct Case {
    std::u16string source;
    std::u16string short_name;
    int name_case;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"/Dir/LongFileName.txt", u"/DIR/LONGFI~1.TXT", 0, u"/Dir/LONGFI~1.TXT"},
      {u"/Dir/LongFileName.txt", u"LONGFI~1.TXT", 0, u"/Dir/LONGFI~1.TXT"},
      {u"/Dir/LongFileName.txt", u"LONGFI~1.TXT", 2, u"/Dir/longfi~1.txt"},
      {u"/Dir/readme.txt", u"readme.txt", 1, u"/Dir/README.TXT"},
      // A failed request keeps the long name; the case option still applies.
      {u"/Dir/LongFileName.txt", u"", 0, u"/Dir/LongFileName.txt"},
      {u"/Dir/LongFileName.txt", u"", 2, u"/Dir/longfilename.txt"},
      {u"/Dir/LongFileName.txt", u"/DIR/", 1, u"/Dir/LONGFILENAME.TXT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.source) + " / " + Utf16ToUtf8(c.short_name) + " / " +
                 std::to_string(c.name_case));
    EXPECT_EQ(ApplyShortName(c.source, c.short_name, ShortNameParams{c.name_case}), c.expected);
  }
}

}  // namespace
}  // namespace tessivo
