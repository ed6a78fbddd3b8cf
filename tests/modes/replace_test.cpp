#include "modes/replace.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

std::string Show(const std::optional<std::u16string>& text) {
  return text ? "\"" + Utf16ToUtf8(*text) + "\"" : "(no output)";
}

struct ReplaceCase {
  std::u16string source;
  std::u16string search;  // field texts, "/"-separated
  std::u16string replacement;
  int which;
  bool match_case;
  bool with_extension;
  std::u16string expected;
};

void RunCases(const std::vector<ReplaceCase>& cases, bool regexp) {
  const FileSizeFn size_of = [](const std::u16string&) -> std::uint64_t { return 1234; };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.source) + " | " + Utf16ToUtf8(c.search) + " -> " +
                 Utf16ToUtf8(c.replacement) + " mode " + std::to_string(c.which) +
                 (c.match_case ? " case" : " nocase") + (c.with_extension ? " ext" : " noext"));
    ReplaceParams params{SplitReplaceTexts(c.search), SplitReplaceTexts(c.replacement), c.which,
                         regexp, c.match_case, c.with_extension};
    RegexCache cache;
    EXPECT_EQ(Utf16ToUtf8(ApplyReplace(c.source, params, cache, size_of)), Utf16ToUtf8(c.expected));
  }
}

TEST(Replace, PlainPairsOccurrencesCaseAndExtension) {
  RunCases(
      {
          // A missing replacement deletes; an empty search text ends the pairs.
          {u"/d/abc.txt", u"a/b", u"x", kReplaceAll, true, false, u"/d/xc.txt"},
          {u"/d/abc.txt", u"a//b", u"x//y", kReplaceAll, true, false, u"/d/xbc.txt"},
          // Pairs run in order: the second sees the first's output.
          {u"/d/abc.txt", u"a/x", u"x/z", kReplaceAll, true, false, u"/d/zbc.txt"},
          {u"/d/IMG_img.jpg", u"img", u"", kReplaceFirst, false, false, u"/d/_img.jpg"},
          {u"/d/IMG_img.jpg", u"img", u"x", kReplaceAll, false, false, u"/d/x_x.jpg"},
          {u"/d/a_b_c.txt", u"_", u"-", kReplaceLast, true, false, u"/d/a_b-c.txt"},
          // Searches from 0, L, 2L: in "aaa" the last "aa" found is at 0, not 1.
          {u"/d/aaa.txt", u"aa", u"X", kReplaceLast, true, false, u"/d/Xa.txt"},
          {u"/d/ABC.txt", u"abc", u"x", kReplaceAll, true, false, u"/d/ABC.txt"},
          {u"/d/Aza.txt", u"aZ", u"x", kReplaceAll, false, false, u"/d/xa.txt"},  // A-Z, both ends
          // Folding covers non-ASCII letters; the original text is replaced.
          {u"/d/ÄÖx.txt", u"äö", u"ae", kReplaceAll, false, false, u"/d/aex.txt"},
          // The extension takes part only when asked.
          {u"/d/txt.txt", u"txt", u"doc", kReplaceAll, true, false, u"/d/doc.txt"},
          {u"/d/txt.txt", u"txt", u"doc", kReplaceAll, true, true, u"/d/doc.doc"},
          // The replacement is never searched again.
          {u"/d/aa.txt", u"a", u"aa", kReplaceAll, true, false, u"/d/aaaa.txt"},
          // Tokens in the replacement, expanded after each pair (the next
          // pair sees the folder name).
          {u"/Trip/a.jpg", u"a", u"\\f_a", kReplaceAll, true, false, u"/Trip/Trip_a.jpg"},
          {u"/d/ab.txt", u"a/d", u"\\f/Q", kReplaceAll, true, false, u"/d/Qb.txt"},
          // The folder is never touched.
          {u"/abc/abc.txt", u"abc", u"z", kReplaceAll, true, false, u"/abc/z.txt"},
      },
      false);
}

TEST(Replace, PlainGrowthIsCutAtTheBufferSize) {
  // 100 "a" become "bbb" each until the name passes 260 units: after 81
  // replacements it is 262 long, is cut to 260, and the path to 259.
  const std::u16string source = u"/d/" + std::u16string(100, u'a') + u".txt";
  ReplaceParams params{{u"a"}, {u"bbb"}, kReplaceAll, false, true, false};
  RegexCache cache;
  const std::u16string result = ApplyReplace(source, params, cache);
  EXPECT_EQ(result, u"/d/" + std::u16string(243, u'b') + std::u16string(13, u'a'));
}

TEST(Replace, RegularExpressions) {
  RunCases(
      {
          {u"/d/12-34.txt", u"(\\d+)-(\\d+)", u"$2-$1", kReplaceAll, true, false, u"/d/34-12.txt"},
          // Only "all" carries g; "first" and "last" both replace the first match.
          {u"/d/foo.txt", u"o", u"0", kReplaceFirst, true, false, u"/d/f0o.txt"},
          {u"/d/foo.txt", u"o", u"0", kReplaceLast, true, false, u"/d/f0o.txt"},
          {u"/d/a.txt", u"\\.txt$", u".md", kReplaceAll, true, true, u"/d/a.md"},
          // \n searches the letter n; \t in a replacement writes t.
          {u"/d/nana.txt", u"\\n", u"m\\t", kReplaceAll, true, false, u"/d/mtamta.txt"},
          // Pairs in order, a missing replacement deletes.
          {u"/d/a1b2.txt", u"\\d/[ab]", u"#", kReplaceAll, true, false, u"/d/##.txt"},
          // Tokens arrive doubled in the output and are expanded.
          {u"/Trip/a.jpg", u"^", u"\\f_", kReplaceAll, true, false, u"/Trip/Trip_a.jpg"},
          // A doubled token written by the user stays literal.
          {u"/d/a.jpg", u"a", u"\\\\f", kReplaceAll, true, false, u"/d/\\f.jpg"},
          // Errors and no match leave the name as it was before the pair.
          {u"/d/a(b.txt", u"(/b", u"x/y", kReplaceAll, true, false, u"/d/a(y.txt"},
          // An empty base name still matches "^".
          {u"/d/.bashrc", u"^", u"x", kReplaceAll, true, false, u"/d/x.bashrc"},
          // UTF-16 throughout: a surrogate pair is one character.
          {u"/d/😀a.txt", u".", u"x", kReplaceAll, true, false, u"/d/xx.txt"},
      },
      true);
}

TEST(Replace, BuildSubstituteCommand) {
  struct Case {
    std::u16string search, replacement, flags, expected;
  } cases[] = {
      {u"a", u"b", u"kg", u"s/a/b/kg"},
      {u"\\n\\a\\c\\t\\r", u"\\n", u"k", u"s/nactr/n/k"},
      {u"\\\\n", u"x", u"k", u"s/\\\\n/x/k"},
      {u"\\f\\s\\:\\e", u"\\f", u"k", u"s/\\f\\s\\:\\e/\\\\\\\\f/k"},
      {u"a", u"\\s\\:\\e", u"k", u"s/a/\\\\\\\\s\\\\\\\\:\\\\\\\\e/k"},
      // Only the first slash is kept.
      {u"a/b", u"c/d", u"k", u"s/a/bcd/k"},
      {u"a", u"x\\", u"k", u"s/a/x\\/k"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.search) + " / " + Utf16ToUtf8(c.replacement));
    EXPECT_EQ(Utf16ToUtf8(BuildSubstituteCommand(c.search, c.replacement, c.flags)),
              Utf16ToUtf8(c.expected));
  }
}

TEST(Replace, SubstituteCommands) {
  const std::optional<std::u16string> none;
  struct Case {
    std::u16string command, subject;
    std::optional<std::u16string> expected;
  } cases[] = {
      {u"s/a/b/k", u"aaa", u"baa"},
      {u"s/a/b/kg", u"aaa", u"bbb"},
      {u"s/a\\/b/c/kg", u"a/b a/b", u"c c"},
      {u"s/x/\\//k", u"axb", u"a/b"},
      {u"s/x/\\\\\\\\f/k", u"x", u"\\\\f"},
      {u"s/(a)(b)/$2$1\\2\\1$&/k", u"ab", u"babaab"},
      {u"s/(?<n>a)/${n}${1}-${nope}$5\\7/k", u"a", u"aa-"},
      {u"s/a/$x$/k", u"a", u"$x$"},
      {u"s/(a)|b/[$1]/kg", u"ab", u"[a][]"},
      {u"s/x*/-/kg", u"abc", u"-a-b-c-"},
      {u"s/x*/-/kg", u"😀", u"-😀-"},
      {u"s/\\d/#/kg", u"1１", u"##"},
      {u"s/ä/x/kgi", u"ÄäA", u"xxA"},
      {u"s/a/b/k", u"\xDC80" u"a", u"\xDC80" u"b"},
      // Malformed commands give no output.
      {u"s/(/x/k", u"(", none},
      {u"s/a/b", u"a", none},
      {u"x/a/b/k", u"a", none},
      {u"", u"a", none},
      {u"s/\\/b/k", u"a", none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.command) + " on " + Utf16ToUtf8(c.subject));
    EXPECT_EQ(Show(Substitute(c.command, c.subject)), Show(c.expected));
  }
  // A view without storage is an empty subject, not an error.
  EXPECT_EQ(Show(Substitute(u"s/^/x/k", std::u16string_view())), Show(u"x"));
}

TEST(Replace, EachCommandIsCompiledOncePerRun) {
  ReplaceParams params{{u"a", u"(b"}, {u"x", u"y"}, kReplaceAll, true, true, false};
  RegexCache cache;
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(ApplyReplace(u"/d/ab" + std::u16string(row, u'c'), params, cache),
              u"/d/xb" + std::u16string(row, u'c'));
  }
  EXPECT_EQ(cache.compiled_count(), 2u);  // the malformed one is remembered too
}

TEST(Replace, SplitTextsAndFlags) {
  using Texts = std::vector<std::u16string>;
  EXPECT_EQ(SplitReplaceTexts(u""), Texts{});
  EXPECT_EQ(SplitReplaceTexts(u"a//b/"), (Texts{u"a", u"", u"b", u""}));
  EXPECT_EQ(SplitReplaceTexts(u"1/2/3/4/5/6/7/8/9/10"),
            (Texts{u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8"}));

  ReplaceParams params;
  params.which = kReplaceAll;
  EXPECT_EQ(ReplaceFlags(params), u"kgi");
  params.which = kReplaceLast;
  params.match_case = true;
  EXPECT_EQ(ReplaceFlags(params), u"k");
}

TEST(Replace, ShiftJisInterfaceRefusesNamesOutsideTheCodePage) {
  ReplaceParams params{{u"a"}, {u"b"}, kReplaceAll, true, true, false};
  RegexCache sjis(RegexInterface::kShiftJis);
  EXPECT_EQ(ApplyReplace(u"/d/a?.txt", params, sjis), u"/d/b.txt");  // "?" is removed
  EXPECT_FALSE(sjis.non_sjis_found());
  EXPECT_EQ(ApplyReplace(u"/d/a한.txt", params, sjis), u"/d/** DLL ERROR ** 非S-JIS文字検出");
  EXPECT_TRUE(sjis.non_sjis_found());
  // A command outside the code page is refused the same way.
  RegexCache sjis2(RegexInterface::kShiftJis);
  EXPECT_EQ(ApplyReplace(u"/d/a.txt", {{u"a"}, {u"한"}, kReplaceAll, true, true, false}, sjis2),
            u"/d/** DLL ERROR ** 非S-JIS文字検出");

  RegexCache unicode;
  EXPECT_EQ(ApplyReplace(u"/d/a한?.txt", params, unicode), u"/d/b한?.txt");
  EXPECT_FALSE(unicode.non_sjis_found());
}

}  // namespace
}  // namespace tessivo
