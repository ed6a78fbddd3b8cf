#include "modes/add_delete.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

TEST(Add, InsertsFromTheFrontOrTheBack) {
  const std::u16string abcd = u"/d/abcd.txt";
  const struct {
    std::u16string source;
    int direction, position;
    std::u16string text;
    bool file_dir;
    std::u16string expected;
  } cases[] = {
      {abcd, 0, 0, u"X", false, u"/d/Xabcd.txt"}, {abcd, 1, 0, u"X", false, u"/d/abcdX.txt"},
      {abcd, 0, 4, u"X", false, u"/d/abcdX.txt"}, {abcd, 1, 4, u"X", false, u"/d/Xabcd.txt"},
      {abcd, 0, 5, u"X", false, abcd},            {abcd, 0, -1, u"X", false, abcd},
      // Tokens in the escaped style.
      {u"/Photos/a.jpg", 0, 0, u"\\\\f", false, u"/Photos/\\fa.jpg"},
      {u"/Photos/a.jpg", 1, 0, u"_\\e_\\s", false, u"/Photos/a_jpg_99.jpg"},
      // A folder's whole name is its base name.
      {u"/d/my.folder", 0, 9, u"X", true, u"/d/my.folderX"},
      {u"/d/my.folder", 1, 0, u"X", false, u"/d/myX.folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.source) + (c.direction ? " back " : " front ") +
                 std::to_string(c.position) + " \"" + Utf16ToUtf8(c.text) + "\"");
    const AddParams params{c.direction, c.position, c.text, c.file_dir};
    EXPECT_EQ(ApplyAdd(c.source, params, [](const std::u16string&) -> std::uint64_t { return 99; }),
              c.expected);
  }
  const std::u16string base(250, u'a');  // the path is 257 characters: the name is cut
  EXPECT_EQ(ApplyAdd(u"/d/" + base + u".txt", {1, 0, u"XYZ", false}), u"/d/" + base + u"XYZ.tx");
}

TEST(Add, ReadsThePositionField) {
  const std::pair<std::u16string, int> cases[] = {
      {u"", 0}, {u"1234", 123}, {u"9x", 9}, {u"x9", 0}, {u"007", 7}};
  for (const auto& [field, v] : cases) EXPECT_EQ(ReadAddPosition(field), v) << Utf16ToUtf8(field);
}

TEST(Delete, RemovesEachKind) {
  const struct {
    std::u16string name, expected;
    int kind, count = 0, second_count = 255;
    bool file_dir = false;
  } cases[] = {
      {u"a - ショートカット - ショートカット.lnk", u"a - ショートカット.lnk", 0},
      {u"a へのショートカット - ショートカット", u"a", 0},
      {u"コピー ～ a.txt", u"a.txt", 1},          {u"コピー (2) ～ a.txt", u"a.txt", 1},
      {u"コピー abcdef ～ x.txt", u"コピー abcdef ～ x.txt", 1},
      {u"a - コピー.txt", u"a.txt", 1},
      {u"a - コピー (12).txt", u"a - コピー (12).txt", 1},
      {u"フォルダ - コピー", u"フォルダ - コピー", 1, 0, 255, true},
      {u"コピー ～ a - コピー.txt", u"a.txt", 1},
      {u"song [01] [live].mp3", u"song  [live].mp3", 2},
      {u"song [01] [live].mp3", u"song  .mp3", 4},
      {u"memo（2）.txt", u"memo.txt", 3},         {u"a[1］b［2]c.txt", u"abc.txt", 2},
      {u"a[1.txt", u"a[1.txt", 2},                {u"a.[x]", u"a.", 4},
      {u"(x) .txt", u".txt", 5},                  {u"｢a｣「b」c「d｣.txt", u"c.txt", 6},
      {u"【a】b.txt", u"b.txt", 7},               {u"a\\b\\c.txt", u"a\\b\\c.txt", 7},
      // Counts; the extension is never touched.
      {u"abcdef.txt", u"cdef.txt", 8, 2},         {u"abcdef.txt", u"abcdef.txt", 8, 6},
      {u"abc.def", u"def", 8, 4, 255, true},      {u"report_old.doc", u"report_.doc", 9, 3},
      {u"abcdefg.txt", u"abfg.txt", 10, 2, 3},    {u"abcdefg.txt", u"ab.txt", 10, 2, 255},
      {u"abcdefg.txt", u"abcdefg.txt", 10, 2, 0},
      // Code units code page 932 lacks; "?" and U+FF5E are in it.
      {u"a\U0001F600b.txt", u"ab.txt", 11},
      {u"ｱ～\u00A5〜漢?.txt", u"ｱ～漢?.txt", 11},
      {u"[1].txt", u"[1].txt", 12},  // unknown kind
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name) + " kind " + std::to_string(c.kind) + " counts " +
                 std::to_string(c.count) + "/" + std::to_string(c.second_count));
    const DeleteParams params{c.kind, c.count, c.second_count, c.file_dir};
    EXPECT_EQ(ApplyDelete(u"/d/sub/" + c.name, params), u"/d/sub/" + c.expected);
  }
}

}  // namespace
}  // namespace tessivo
