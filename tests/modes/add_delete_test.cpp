#include "modes/add_delete.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

struct AddCase {
  std::u16string source;
  int addprepost;
  int position;
  std::u16string text;
  bool file_dir;
  std::u16string expected;
};

TEST(Add, InsertsFromTheFrontOrTheBack) {
  const std::u16string abcd = u"/d/abcd.txt";
  const AddCase cases[] = {
      {abcd, 0, 2, u"X", false, u"/d/abXcd.txt"}, {abcd, 1, 2, u"X", false, u"/d/abXcd.txt"},
      {abcd, 0, 0, u"X", false, u"/d/Xabcd.txt"}, {abcd, 1, 0, u"X", false, u"/d/abcdX.txt"},
      {abcd, 0, 4, u"X", false, u"/d/abcdX.txt"}, {abcd, 1, 4, u"X", false, u"/d/Xabcd.txt"},
      {abcd, 0, 5, u"X", false, abcd},            {abcd, 0, -1, u"X", false, abcd},
      {abcd, 0, 1, u"", false, abcd},
      {u"/d/.bashrc", 0, 0, u"X", false, u"/d/X.bashrc"},
      {u"/d/.bashrc", 0, 1, u"X", false, u"/d/.bashrc"},
      // Tokens in the escaped style.
      {u"/Photos/a.jpg", 0, 0, u"\\f_", false, u"/Photos/Photos_a.jpg"},
      {u"/Photos/a.jpg", 0, 0, u"\\\\f", false, u"/Photos/\\fa.jpg"},
      {u"/Photos/a.jpg", 1, 0, u"_\\e_\\s", false, u"/Photos/a_jpg_99.jpg"},
      // A folder's whole name is its base name.
      {u"/d/my.folder", 0, 9, u"X", true, u"/d/my.folderX"},
      {u"/d/my.folder", 1, 0, u"X", true, u"/d/my.folderX"},
      {u"/d/my.folder", 1, 0, u"X", false, u"/d/myX.folder"},
  };
  for (const AddCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.source) + (c.addprepost ? " back " : " front ") +
                 std::to_string(c.position) + " \"" + Utf16ToUtf8(c.text) + "\"");
    const AddParams params{c.addprepost, c.position, c.text, c.file_dir};
    EXPECT_EQ(ApplyAdd(c.source, params, [](const std::u16string&) -> std::uint64_t { return 99; }),
              c.expected);
  }
}

TEST(Add, CutsTheNameToFit) {
  const std::u16string base(250, u'a');  // the path is 257 characters
  EXPECT_EQ(ApplyAdd(u"/d/" + base + u".txt", {1, 0, u"XYZ", false}), u"/d/" + base + u"XYZ.tx");
}

TEST(Add, ReadsThePositionField) {
  const std::pair<std::u16string, int> cases[] = {
      {u"", 0}, {u"255", 255}, {u"1234", 123}, {u"9x", 9}, {u"x9", 0}, {u"007", 7}};
  for (const auto& [field, v] : cases) EXPECT_EQ(ReadAddPosition(field), v) << Utf16ToUtf8(field);
}

struct DeleteCase {
  std::u16string name;
  int deltype;
  int dellen;
  int dellen2;
  bool file_dir;
  std::u16string expected;
};

TEST(Delete, RemovesEachKind) {
  const DeleteCase cases[] = {
      {u"a へのショートカット.lnk", 0, 0, 255, false, u"a.lnk"},
      {u"a - ショートカット - ショートカット.lnk", 0, 0, 255, false, u"a - ショートカット.lnk"},
      {u"a へのショートカット - ショートカット", 0, 0, 255, false, u"a"},
      {u"コピー ～ a.txt", 1, 0, 255, false, u"a.txt"},
      {u"コピー (2) ～ a.txt", 1, 0, 255, false, u"a.txt"},
      {u"コピー abc(d) ～ x.txt", 1, 0, 255, false, u"x.txt"},
      {u"コピー abcdef ～ x.txt", 1, 0, 255, false, u"コピー abcdef ～ x.txt"},
      {u"コピー 〜 a.txt", 1, 0, 255, false, u"コピー 〜 a.txt"},  // U+301C is not the marker
      {u"a - コピー.txt", 1, 0, 255, false, u"a.txt"},
      {u"a - コピー (12).txt", 1, 0, 255, false, u"a - コピー (12).txt"},
      {u"a - コピー", 1, 0, 255, false, u"a - コピー"},
      {u"フォルダ - コピー", 1, 0, 255, true, u"フォルダ - コピー"},
      {u"コピー ～ a - コピー.txt", 1, 0, 255, false, u"a.txt"},
      {u"song [01] [live].mp3", 2, 0, 255, false, u"song  [live].mp3"},
      {u"song [01] [live].mp3", 4, 0, 255, false, u"song  .mp3"},
      {u"memo（2）.txt", 3, 0, 255, false, u"memo.txt"},
      {u"(draft) memo.txt", 5, 0, 255, false, u"memo.txt"},
      {u"a[1］b［2]c.txt", 2, 0, 255, false, u"abc.txt"},
      {u"[a][1].txt", 2, 0, 255, false, u"[a].txt"},
      {u"[[1]].txt", 2, 0, 255, false, u"[].txt"},
      {u"[１].txt", 2, 0, 255, false, u"[１].txt"},  // full-width digits are not digits
      {u"a[1.txt", 2, 0, 255, false, u"a[1.txt"},
      {u"a.[x]", 4, 0, 255, false, u"a."},
      {u"(x) .txt", 5, 0, 255, false, u".txt"},
      {u"｢a｣「b」c「d｣.txt", 6, 0, 255, false, u"c.txt"},
      {u"【a】b.txt", 7, 0, 255, false, u"b.txt"},
      {u"a\\b\\c.txt", 7, 0, 255, false, u"a\\b\\c.txt"},
      // Counts; the extension is never touched.
      {u"abcdef.txt", 8, 2, 255, false, u"cdef.txt"},
      {u"abcdef.txt", 8, 0, 255, false, u"abcdef.txt"},
      {u"abcdef.txt", 8, 6, 255, false, u"abcdef.txt"},
      {u"abc.def", 8, 4, 255, true, u"def"},
      {u"report_old.doc", 9, 3, 255, false, u"report_.doc"},
      {u"report_old.doc", 9, 10, 255, false, u"report_old.doc"},
      {u"my.folder", 9, 3, 255, true, u"my.fol"},
      {u"abcdefg.txt", 10, 2, 3, false, u"abfg.txt"},
      {u"abcdefg.txt", 10, 2, 255, false, u"ab.txt"},
      {u"abcdefg.txt", 10, 6, 5, false, u"abcdef.txt"},
      {u"abcdefg.txt", 10, 2, 0, false, u"abcdefg.txt"},
      // Code units code page 932 lacks; "?" and U+FF5E are in it.
      {u"a\U0001F600b.txt", 11, 0, 255, false, u"ab.txt"},
      {u"ｱ～\u00A5〜漢?.txt", 11, 0, 255, false, u"ｱ～漢?.txt"},
      // Unknown kinds change nothing.
      {u"[1].txt", 12, 0, 255, false, u"[1].txt"},
  };
  for (const DeleteCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.name) + " kind " + std::to_string(c.deltype) + " counts " +
                 std::to_string(c.dellen) + "/" + std::to_string(c.dellen2));
    const DeleteParams params{c.deltype, c.dellen, c.dellen2, c.file_dir};
    EXPECT_EQ(ApplyDelete(u"/d/sub/" + c.name, params), u"/d/sub/" + c.expected);
  }
  // A byte that was not UTF-8 (kept as a lone surrogate) is outside the code page too.
  EXPECT_EQ(ApplyDelete(u"/d/a\xDC80" u"b", {kDeleteOutsideCodePage, 0, 255, false}), u"/d/ab");
}

}  // namespace
}  // namespace tessivo
