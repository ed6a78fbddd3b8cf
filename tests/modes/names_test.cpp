#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

#include "modes/add_delete.h"
#include "modes/extension.h"
#include "modes/name_parts.h"
#include "modes/position_edit.h"
#include "modes/replace.h"
#include "modes/serial.h"
#include "modes/tokens.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

FileSizeFn FixedSize(std::uint64_t size) {
  return [size](const std::u16string&) { return size; };
}

TEST(NameParts, SplitsCutsAndTheExtensionIsReplacedAppendedOrRemoved) {
  // A path, whether it comes from a folder list, its folder|base|extension.
  const std::tuple<std::u16string, bool, std::u16string> cases[] = {
      {u"/photo.tar.gz", false, u"/|photo.tar|.gz"}, {u"/x/name.", false, u"/x/|name|."},
      {u"/x/.bashrc", false, u"/x/||.bashrc"},       {u"/x/a b.c d", false, u"/x/|a b|.c d"},
      {u"file.txt", false, u"|file|.txt"},
      // The folder-list rule: a folder's dot part belongs to its name.
      {u"/x/my.folder.name", true, u"/x/|my.folder.name|"}, {u"/a.b/c", true, u"/a.b/|c|"},
      {u"/x/.config", true, u"/x/|.config|"},
  };
  for (const auto& [path, folder_list, expected] : cases) {
    SCOPED_TRACE(Utf16ToUtf8(path) + (folder_list ? " (folders)" : ""));
    const NameParts parts = SplitNamePath(path, folder_list);
    EXPECT_EQ(parts.drive + parts.folder + u"|" + parts.base + u"|" + parts.extension, expected);
    EXPECT_EQ(parts.Prefix() + parts.Name(), path);
    if (!folder_list) {
      EXPECT_EQ(SplitPlainPath(path).extension, parts.extension);
    }
  }
  for (std::size_t length : {259u, 260u}) {
    std::u16string text(length, u'a');
    EXPECT_EQ(CutToMaxPath(std::u16string_view(text)).size(), 259u) << length;
    CutToMaxPath(text);
    EXPECT_EQ(text.size(), 259u) << length;
  }
  const std::u16string folder = u"/" + std::u16string(300, u'd') + u"/";
  const std::u16string path = folder + std::u16string(280, u'b') + u"." + std::u16string(270, u'e');
  const NameParts parts = SplitNamePath(path, true);
  EXPECT_EQ(std::tuple(parts.folder.size(), parts.base, parts.extension),
            std::tuple(259u, std::u16string(259, u'b'), u""));
  // The extension is replaced, appended or removed; overflow leaves the name or cuts the append.
  const std::tuple<std::u16string, std::u16string, bool, std::u16string> extensions[] = {
      {u"/d/a.txt", u"jpg", false, u"/d/a.jpg"}, {u"/d/a.txt", u"", false, u"/d/a"},
      {u"/d/photo.tar.gz", u"jpg", false, u"/d/photo.tar.jpg"},
      // A space after the last dot means there is no extension; nor does a dot in the folder.
      {u"/d/my.file name", u"jpg", false, u"/d/my.file name.jpg"},
      {u"/d/my file.name", u"jpg", false, u"/d/my file.jpg"},
      {u"/d.x/file", u"jpg", false, u"/d.x/file.jpg"}, {u"/d/.bashrc", u"txt", false, u"/d/.txt"},
      {u"/d/name.", u"txt", false, u"/d/name.txt"},
      {u"/d/name.txt", u".txt", false, u"/d/name..txt"},  // the user's own dot stays
      {u"/d/a.txt", u"bak", true, u"/d/a.txt.bak"}, {u"/d/a.txt", u"", true, u"/d/a.txt"},
  };
  for (const auto& [source, text, append, expected] : extensions) {
    SCOPED_TRACE(Utf16ToUtf8(source) + " + " + Utf16ToUtf8(text) + (append ? " (add)" : ""));
    EXPECT_EQ(ApplyExtension(source, text, ExtensionParams{append}), expected);
  }
  // The name's dot sits at 250: ".12345678" ends the path at 259 characters and fits; one
  // character more leaves the source unchanged, and is cut when appended.
  const std::u16string source = u"/" + std::u16string(249, u'a') + u".txt";
  ASSERT_EQ(FindPathExtension(source), 250u);
  EXPECT_EQ(ApplyExtension(source, u"12345678", {false}).size(), 259u);
  EXPECT_EQ(ApplyExtension(source, u"123456789", {false}), source);
  EXPECT_EQ(ApplyExtension(source, u"123456789", {true}), source + u".1234");
  // A field text longer than any path is cut before use and never crashes.
  EXPECT_EQ(ApplyExtension(u"/a.b", std::u16string(400, u'x'), {false}), u"/a.b");
}

TEST(AddDelete, AddInsertsFromTheFrontOrTheBackAndDeleteRemovesEachKind) {
  const std::u16string abcd = u"/d/abcd.txt";
  // The path, the direction and position, the text, whether folders are listed, the new path.
  const std::tuple<std::u16string, int, int, std::u16string, bool, std::u16string> cases[] = {
      {abcd, 0, 0, u"X", false, u"/d/Xabcd.txt"}, {abcd, 1, 0, u"X", false, u"/d/abcdX.txt"},
      {abcd, 0, 4, u"X", false, u"/d/abcdX.txt"}, {abcd, 1, 4, u"X", false, u"/d/Xabcd.txt"},
      {abcd, 0, 5, u"X", false, abcd},            {abcd, 0, -1, u"X", false, abcd},
      // Tokens in the escaped style; a folder's whole name is its base name.
      {u"/Photos/a.jpg", 0, 0, u"\\\\f", false, u"/Photos/\\fa.jpg"},
      {u"/Photos/a.jpg", 1, 0, u"_\\e_\\s", false, u"/Photos/a_jpg_99.jpg"},
      {u"/d/my.folder", 0, 9, u"X", true, u"/d/my.folderX"},
      {u"/d/my.folder", 1, 0, u"X", false, u"/d/myX.folder"},
  };
  for (const auto& [source, direction, position, text, file_dir, expected] : cases) {
    SCOPED_TRACE(Utf16ToUtf8(source + u" " + text) + " " + std::to_string(position));
    const AddParams params{direction, position, text, file_dir};
    EXPECT_EQ(ApplyAdd(source, params, FixedSize(99)), expected) << "direction " << direction;
  }
  const std::u16string base(250, u'a');  // the path is 257 characters: the name is cut
  EXPECT_EQ(ApplyAdd(u"/d/" + base + u".txt", {1, 0, u"XYZ", false}), u"/d/" + base + u"XYZ.tx");
  const std::pair<std::u16string, int> fields[] = {
      {u"", 0}, {u"1234", 123}, {u"9x", 9}, {u"x9", 0}, {u"007", 7}};
  for (const auto& [field, v] : fields) EXPECT_EQ(ReadAddPosition(field), v) << Utf16ToUtf8(field);
  const struct {
    std::u16string name, expected;
    int kind, count = 0, second_count = 255;
    bool file_dir = false;
  } deletions[] = {
      {u"a - ショートカット - ショートカット.lnk", u"a - ショートカット.lnk", 0},
      {u"a へのショートカット - ショートカット", u"a", 0},
      {u"コピー ～ a.txt", u"a.txt", 1},          {u"コピー (2) ～ a.txt", u"a.txt", 1},
      {u"コピー abcdef ～ x.txt", u"コピー abcdef ～ x.txt", 1}, {u"a - コピー.txt", u"a.txt", 1},
      {u"a - コピー (12).txt", u"a - コピー (12).txt", 1},
      {u"フォルダ - コピー", u"フォルダ - コピー", 1, 0, 255, true},
      {u"コピー ～ a - コピー.txt", u"a.txt", 1}, {u"song [01] [live].mp3", u"song  [live].mp3", 2},
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
      // Code units code page 932 lacks; "?" and U+FF5E are in it. Kind 12 does not exist.
      {u"a\U0001F600b.txt", u"ab.txt", 11}, {u"ｱ～\u00A5〜漢?.txt", u"ｱ～漢?.txt", 11},
      {u"[1].txt", u"[1].txt", 12},
  };
  for (const auto& c : deletions) {
    const DeleteParams params{c.kind, c.count, c.second_count, c.file_dir};
    EXPECT_EQ(ApplyDelete(u"/d/sub/" + c.name, params), u"/d/sub/" + c.expected)
        << "kind " << c.kind << " counts " << c.count << "/" << c.second_count;
  }
}

std::u16string Apply(const PositionEditState& state, const std::u16string& path,
                     const std::u16string& field, bool noext = false) {
  return ApplyPositionEdit(path, field, PositionEditParams{noext}, state);
}

TEST(PositionEdit, MapsDigitsAndComposesSuccessiveEdits) {
  PositionEditState state;
  state.LoadTemplate(u"IMG_0001");
  ASSERT_EQ(state.template_length(), 8u);
  state.UpdatePositionMap(u"Photo_0001");
  EXPECT_EQ(state.template_name(), u"Photo_0001");

  const auto& map = state.position_map();
  EXPECT_EQ(std::vector<int>(map.begin(), map.begin() + 10),
            (std::vector<int>{-1, -1, -1, -1, -1, 3, 4, 5, 6, 7}));
  EXPECT_EQ(map.back(), static_cast<int>(PositionEditState::kMapSize) - 3);
  // The template, the edits typed in turn, noext, an old name and its new name. In order: the
  // digits follow the edit, however long the old name; an unchanged template reproduces any name;
  // a deleted character drops at its place; typed text in front keeps the whole old name behind
  // it, and in the middle replaces the old characters there; clearing drops as many characters as
  // the template had; typed characters stay typed; with noext the template's extension reads past
  // the old base name and the old extension comes back.
  const std::tuple<std::u16string, std::vector<std::u16string>, bool, std::u16string,
                   std::u16string>
      cases[] = {
      {u"IMG_0001", {u"Photo_0001"}, false, u"IMG_0123_x", u"Photo_0123_x"},
      {u"IMG_0001", {u"Photo_0001"}, false, u"DSC_9", u"Photo_9"},
      {u"IMG_0001", {u"Photo_0001"}, false, u"", u"Photo"},
      {u"name.txt", {u"name.txt"}, false, u"much_longer_name.jpeg", u"much_longer_name.jpeg"},
      {u"name.txt", {u"name.txt"}, false, u"a", u"a"},
      {u"IMG_0001", {u"IMG0001"}, false, u"IMG_0042ab", u"IMG0042ab"},
      {u"IMG_0001", {u"XIMG_0001", u"XYIMG_0001"}, false, u"IMG_5555", u"XYIMG_5555"},
      {u"abcdef", {u"abXYef"}, false, u"123456789", u"12XY56789"},
      {u"abc", {u""}, false, u"abcdef", u"def"}, {u"ab", {u"aZb", u"aZZb"}, false, u"12", u"1ZZ2"},
      {u"abc.txt", {u"abcd.txt"}, true, u"abc.txt", u"abcd.txt"},
      {u"photo", {u"new_photo"}, true, u"photo.jpg", u"new_photo.jpg"},
  };
  for (const auto& [loaded, edits, noext, old_name, expected] : cases) {
    SCOPED_TRACE(Utf16ToUtf8(loaded + u" -> " + edits.back() + u" on " + old_name));
    PositionEditState state;
    state.LoadTemplate(loaded);
    for (const std::u16string& edit : edits) state.UpdatePositionMap(edit);
    EXPECT_EQ(Apply(state, u"/f/" + old_name, edits.back(), noext), u"/f/" + expected);
  }
}

// The map outlives the field: typed positions the field no longer reaches read "#", and loading
// the template from the field only takes its length.
TEST(PositionEdit, TheMapOutlivesTheFieldAndLongTextsAreCut) {
  PositionEditState shortened;
  shortened.LoadTemplate(u"abc");
  shortened.UpdatePositionMap(u"aXc");
  // Beyond the old name's length the typed position ends the name; position 0 maps to the old
  // name, which is empty.
  EXPECT_EQ(Apply(shortened, u"/d/abcdef", u"a"), u"/d/a#cdef");
  EXPECT_EQ(Apply(shortened, u"/d/a", u"a"), u"/d/a#");
  EXPECT_EQ(Apply(shortened, u"/d/", u""), u"/d/");
  PositionEditState state;
  state.LoadTemplate(u"ab");
  state.UpdatePositionMap(u"Xab");
  const auto map_before = state.position_map();
  state.LoadTemplateFromField(u"Xab123");
  EXPECT_EQ(state.position_map(), map_before);
  EXPECT_EQ(std::tuple(state.template_name(), state.template_length()), std::tuple(u"Xab", 6u));
  // The tail now follows the new template length.
  state.UpdatePositionMap(u"Xab1");
  EXPECT_EQ(state.position_map()[4], 4 + 6 - 4);
  // Long texts are cut and never read past the name.
  const std::u16string long_name(300, u'n');
  PositionEditState cut;
  cut.LoadTemplate(long_name);
  EXPECT_EQ(cut.template_name(), std::u16string(259, u'n'));
  // The edit is cut to 259 characters too: the typed "X" takes the first old character's place.
  cut.UpdatePositionMap(u"X" + long_name);
  EXPECT_EQ(cut.template_name(), u"X" + std::u16string(258, u'n'));
  EXPECT_EQ(Apply(cut, u"/d/" + std::u16string(250, u'o'), u"X" + long_name),
            u"/d/X" + std::u16string(249, u'o'));

  // Shrunk, every later position maps beyond 259: the one left is the template's last character,
  // which a shorter old name lacks.
  PositionEditState shrunk;
  shrunk.LoadTemplate(std::u16string(259, u'a'));
  shrunk.UpdatePositionMap(u"a");
  EXPECT_EQ(std::pair(shrunk.position_map()[0], shrunk.position_map()[259]),
            std::pair(258, 259 + 258));
  EXPECT_EQ(Apply(shrunk, u"/d/" + std::u16string(255, u'a'), u"a"), u"/d/");
  EXPECT_EQ(Apply(shrunk, std::u16string(258, u'b') + u"z", u"a"), u"z");
}

TEST(Serial, NumbersRowsPlacesTheSerialNumbersEachFolderAndTheAssistantSplitsAndJoins) {
  // A serial text and the serial strings of rows 0, 1, 2, ...
  const std::pair<std::u16string, std::vector<std::u16string>> cases[] = {
      {u"001", {u"001", u"002", u"003"}},        {u"photo_9", {u"photo_9", u"photo_10"}},
      {u"IMG", {u"IMG1", u"IMG2"}},              {u"2014_<001>", {u"2014_001", u"2014_002"}},
      {u"001_2014", {u"001_2014", u"001_2015"}}, {u"<Z+1>", {u"Z", u"AA", u"AB"}},
      {u"<>", {u"1", u"2", u"3"}},               {u"<zz>", {u"zz", u"aaa"}},
      {u"123456789012", {u"123456789012", u"123456789013"}},
      {u"<1234567890123>", {u"1234567890123", u"1234567890124"}},
      {u"<10-3>", {u"10", u"07", u"04", u"01", u"00"}},
      {u"<b-1>", {u"b", u"a", u""}},             {u"<1>a>b", {u"1ab", u"2ab"}},
      {u"<009+10>", {u"009", u"019", u"029"}},   {u"<+0>", {u"1", u"1", u"1"}},
      {u"<-3>", {u"1", u"0", u"0"}},             {u"<AB-7>", {u"AB", u"U", u"N"}},
      {u"x2014_<001+5>y", {u"x2014_001y", u"x2014_006y"}},
      {u"<1+123456>", {u"16", u"123466"}},  // five increment digits at most: the sixth is text
      {u"a<b", {u"a<b1", u"a<b2"}},         // without "<" ... ">" the markers are text
      {u"<<1>", {u"11", u"21"}},                 {u"\\f_\\f_1", {u"d_d_1", u"d_d_2"}},
  };
  for (const auto& [text, rows] : cases) {
    SerialRunState state;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      EXPECT_EQ(MakeSerialString(text, r, u"/d/a.txt"), rows[r]) << Utf16ToUtf8(text) << " " << r;
      // The mode itself, placing the serial as the whole new name.
      EXPECT_EQ(ApplySerial(u"/d/a.txt", {text, kSerialAsName, false}, r, state), u"/d/" + rows[r])
          << Utf16ToUtf8(text) << " " << r;
    }
  }
  // Only the first 256 characters count.
  EXPECT_EQ(MakeSerialString(std::u16string(300, u'x'), 0, u"/d/a"),
            std::u16string(256, u'x') + u"1");
  // The serial's placements; the cut at 259; each folder numbered on its own.
  const std::u16string source = u"/d/a.txt";
  const std::pair<int, std::u16string> placements[] = {
      {kSerialAtFront, u"/d/7a.txt"},        {kSerialAfterBase, u"/d/a7.txt"},
      {kSerialAfterExtension, u"/d/a.txt7"}, {kSerialAsName, u"/d/7"},
      {kSerialAsNameWithExtension, u"/d/7.txt"}, {5, source},
  };
  for (const auto& [placement, expected] : placements) {
    SerialRunState state;
    EXPECT_EQ(ApplySerial(source, {u"7", placement, false}, 0, state), expected) << placement;
  }
  const std::u16string long_source = u"/d/" + std::u16string(250, u'n') + u".txt";
  SerialRunState state;
  EXPECT_EQ(ApplySerial(long_source, {u"12345", kSerialAfterBase, false}, 0, state),
            (u"/d/" + std::u16string(250, u'n') + u"12345.txt").substr(0, 259));
  // Tokens expand against the row's own path, with its size.
  EXPECT_EQ(ApplySerial(u"/photos/a.jpg", {u"\\f_<1>_\\s", kSerialAsNameWithExtension, false}, 1,
                        state, FixedSize(42)),
            u"/photos/photos_2_42.jpg");
  state.Reset();
  const SerialParams params{u"1", kSerialAsName, true};
  std::vector<std::u16string> names;  // the run's row index is ignored per folder
  for (const char16_t* source : {u"/A/x", u"/B/x", u"/A/y", u"/a/z", u"/A/w"}) {
    names.push_back(ApplySerial(source, params, 100 + names.size(), state));
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"/A/1", u"/B/1", u"/A/2", u"/a/1", u"/A/3"}));
  state.Reset();
  EXPECT_EQ(ApplySerial(u"/A/x", params, 0, state), u"/A/1");
  // A changed serial text is parsed afresh within the same run.
  EXPECT_EQ(ApplySerial(u"/A/x", {u"<a>", kSerialAsName, true}, 0, state), u"/A/b");
  // The assistant splits a serial text into fields (before|start|increment|after, counting up or
  // down), and joining them gives the text back, with markers only where they are needed.
  const std::tuple<std::u16string, std::string, std::u16string> splits[] = {
      {u"photo_9", "photo_|9|1| up", u"photo_<9>"}, {u"IMG", "IMG||1| up", u"IMG<1>"},
      {u"123456789012", "123|456789012|1| up", u"123<456789012>"},
      {u"1a2b", "1a|2|1|b up", u"1a<2>b"}, {u"<10-2>x", "|10|2|x down", u"<10-2>x"},
      {u"<10-1>", "|10|1| down", u"<10-1>"}, {u"<10+3>", "|10|3| up", u"<10+3>"},
      {u"<3->", "|3|1| down", u"<3-1>"},
      // Markers are left out when nothing needs them.
      {u"<5-0>", "|5|1| up", u"5"}, {u"<005>", "|005|1| up", u"<005>"}, {u"<>", "||1| up", u"<1>"},
      {u"<1-999999999>", "|1|100000000| down", u"<1-100000000>"},
      {u"<1+2-3>", "|1|2| up", u"<1+2>"}, {u"<1>+2", "|1|1|+2 up", u"<1>+2"},
      {u"a>b<c", "|a>b<c|1| up", u"<a>b<c>"},
  };
  auto show = [](const SerialFields& f) {
    return Utf16ToUtf8(f.before + u"|" + f.start + u"|" + f.increment + u"|" + f.after) +
           (f.negative ? " down" : " up");
  };
  for (const auto& [text, fields, joined] : splits) {
    EXPECT_EQ(show(SplitSerialText(text)), fields) << Utf16ToUtf8(text);
    EXPECT_EQ(JoinSerialText(SplitSerialText(text)), joined) << Utf16ToUtf8(text);
  }
  const std::u16string long_field(200, u'x');
  EXPECT_EQ(JoinSerialText({long_field, long_field, false, u"1", long_field}),
            std::u16string(127, u'x') + u"<" + std::u16string(127, u'x') + u">" +
                std::u16string(127, u'x'));
  const std::u16string texts[] = {u"1",          u"001",          u"photo_9",  u"IMG", u"",
                                  u"2014_<001>", u"001_2014",     u"<10-2>",   u"<a>", u"<Z+1>",
                                  u"<>",         u"123456789012", u"a<1>b-<c>"};
  for (const std::u16string& text : texts) {
    const std::u16string joined = JoinSerialText(SplitSerialText(text));
    SCOPED_TRACE(Utf16ToUtf8(text) + " -> " + Utf16ToUtf8(joined));
    for (std::uint64_t r = 0; r < 4; ++r) {
      EXPECT_EQ(MakeSerialString(joined, r, u"/d/a"), MakeSerialString(text, r, u"/d/a"));
    }
  }
}

// The token passes done the plain way, with whole-text replacement and the escape hidden under a
// placeholder. Right as long as no inserted value starts with a token letter or holds a
// backslash, a backquote or an apostrophe.
std::u16string ExpandByPlainPasses(std::u16string text, TokenStyle style,
                                   const std::u16string& folder, const std::u16string& size,
                                   const std::u16string& extension) {
  auto replace_all = [&text](std::u16string_view from, std::u16string_view to) {
    for (std::size_t at = text.find(from); at != std::u16string::npos;
         at = text.find(from, at + to.size())) {
      text.replace(at, from.size(), to);
    }
  };
  const std::pair<char16_t, const std::u16string*> kinds[] = {
      {u'f', &folder}, {u's', &size}, {u':', &size}, {u'e', &extension}};
  for (const auto& [letter, value] : kinds) {
    const std::u16string single = {u'\\', letter};
    const std::u16string doubled = {u'\\', u'\\', letter};
    const std::u16string placeholder = {u'`', letter, u'\''};
    const bool escapable = style == kTokenStyleEscaped && letter != u':';
    if (escapable) replace_all(doubled, placeholder);
    replace_all(style == kTokenStyleDoubled ? doubled : single, *value);
    if (escapable) replace_all(placeholder, single);
    if (text.size() > 259) text.resize(259);
  }
  return text;
}

// The spellings of each style, and the cut at 259 after each kind of token, are checked against
// the plain-pass model above on random texts; the table holds the cases the model does not reach.
TEST(Tokens, AgreeWithPlainPassesOnRandomTextsAndEdgesOfTheValuesAndTheSize) {
  const TokenStyle one = kTokenStyleSingle;
  const std::tuple<std::u16string, std::u16string, TokenStyle, std::u16string> cases[] = {
      {u"\\F\\S\\E", u"/d/a.jpg", one, u"\\F\\S\\E"}, {u"[\\f]", u"/a.jpg", one, u"[]"},
      {u"[\\e]", u"/d/README", one, u"[]"},       {u"[\\e]", u"/d/a.tar.gz", one, u"[gz]"},
      {u"[\\e]", u"/d.x/name", one, u"[]"},
      {u"\\f", u"/2014/a.jpg", static_cast<TokenStyle>(7), u"2014"},  // out of range: single
      // Inserted text is never scanned again, even by a later token.
      {u"\\f", u"/a\\s/x.txt", one, u"a\\s"}, {u"\\fs", u"/dir\\/x.txt", one, u"dir\\s"},
      {u"\\f\\e", u"/a\\e/x.txt", one, u"a\\etxt"},
  };
  for (const auto& [text, source, style, expected] : cases) {
    EXPECT_EQ(ExpandTokens(text, source, style, FixedSize(1234)), expected)
        << Utf16ToUtf8(text + u" on " + source) << " style " << style;
  }
  // Without a backslash nothing is cut.
  const std::u16string long_plain(300, u'x');
  EXPECT_EQ(ExpandTokens(long_plain, u"/d/a.txt", kTokenStyleSingle), long_plain);
  // The size is asked for only when needed, once, and read from the file system.
  std::vector<std::u16string> asked;
  const FileSizeFn counting = [&asked](const std::u16string& path) -> std::uint64_t {
    asked.push_back(path);
    return 7;
  };
  EXPECT_EQ(ExpandTokens(u"\\f\\e\\x", u"/d/a.b", kTokenStyleSingle, counting), u"db\\x");
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(ExpandTokens(u"\\s\\:\\s", u"/d/a.b", kTokenStyleSingle, counting), u"777");
  EXPECT_EQ(asked, std::vector<std::u16string>{u"/d/a.b"});
  // Without a provider every size is 0.
  EXPECT_EQ(ExpandTokens(u"\\s", u"/d/a.b", kTokenStyleSingle), u"0");
  EXPECT_EQ(ExpandTokens(u"\\s", u"/d/a.b", kTokenStyleSingle, FixedSize(18446744073709551615u)),
            u"18446744073709551615");
  FakeFileSystem fs;
  fs.AddFile(u"/d/a.bin", std::string(4321, 'z'));
  fs.AddFolder(u"/d/sub");
  const FileSizeFn size = FileSizeFrom(fs);
  EXPECT_EQ(ExpandTokens(u"\\s", u"/d/a.bin", kTokenStyleSingle, size), u"4321");
  EXPECT_EQ(size(u"/d/missing"), 0u);
  EXPECT_EQ(size(u"/d/sub"), 0u);
  fs.FailPath(FakeFileSystem::Op::kStat, u"/d/a.bin", ErrorCode::kIo);
  EXPECT_EQ(size(u"/d/a.bin"), 0u);
  const std::u16string alphabet = u"\\\\fse:x";
  std::uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7fffu;
  };
  for (const std::u16string& folder : {std::u16string(u"Dir"), std::u16string(120, u'D')}) {
    const std::u16string source = u"/x/" + folder + u"/name.txt";
    for (int n = 0; n < 3000; ++n) {
      std::u16string text;
      const std::size_t length = next() % 90;
      for (std::size_t i = 0; i < length; ++i) text.push_back(alphabet[next() % alphabet.size()]);
      for (TokenStyle style : {kTokenStyleSingle, kTokenStyleDoubled, kTokenStyleEscaped}) {
        ASSERT_EQ(ExpandTokens(text, source, style, FixedSize(42)),
                  ExpandByPlainPasses(text, style, folder, u"42", u"txt"))
            << Utf16ToUtf8(text) << " style " << style << " folder length " << folder.size();
      }
    }
  }
}

struct ReplaceCase {
  std::u16string source, search, replacement, expected;  // the field texts "/"-separated
  int which = kReplaceAll;
  bool match_case = true, with_extension = false;
};

void RunCases(bool regexp, const std::vector<ReplaceCase>& cases) {
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.source + u" | " + c.search + u" -> " + c.replacement) + " mode " +
                 std::to_string(c.which));
    ReplaceParams params{SplitReplaceTexts(c.search), SplitReplaceTexts(c.replacement), c.which,
                         regexp, c.match_case, c.with_extension};
    RegexCache cache;
    EXPECT_EQ(Utf16ToUtf8(ApplyReplace(c.source, params, cache, FixedSize(1234))),
              Utf16ToUtf8(c.expected));
  }
}

TEST(Replace, PlainAndRegularExpressionPairsOccurrencesCaseAndExtension) {
  RunCases(false, {
      // A missing replacement deletes; an empty search text ends the pairs; pairs run in order.
      {u"/d/abc.txt", u"a/b", u"x", u"/d/xc.txt"}, {u"/d/abc.txt", u"a//b", u"x//y", u"/d/xbc.txt"},
      {u"/d/abc.txt", u"a/x", u"x/z", u"/d/zbc.txt"},
      {u"/d/IMG_img.jpg", u"img", u"", u"/d/_img.jpg", kReplaceFirst, false},
      {u"/d/IMG_img.jpg", u"img", u"x", u"/d/x_x.jpg", kReplaceAll, false},
      {u"/d/a_b_c.txt", u"_", u"-", u"/d/a_b-c.txt", kReplaceLast},
      // Searches from 0, L, 2L: in "aaa" the last "aa" found is at 0, not 1.
      {u"/d/aaa.txt", u"aa", u"X", u"/d/Xa.txt", kReplaceLast},
      {u"/d/ABC.txt", u"abc", u"x", u"/d/ABC.txt"},
      {u"/d/Aza.txt", u"aZ", u"x", u"/d/xa.txt", kReplaceAll, false},  // A-Z, both ends
      // Folding covers non-ASCII letters; the original text is replaced.
      {u"/d/ÄÖx.txt", u"äö", u"ae", u"/d/aex.txt", kReplaceAll, false},
      // The extension takes part only when asked.
      {u"/d/txt.txt", u"txt", u"doc", u"/d/doc.txt"},
      {u"/d/txt.txt", u"txt", u"doc", u"/d/doc.doc", kReplaceAll, true, true},
      {u"/d/aa.txt", u"a", u"aa", u"/d/aaaa.txt"},  // the replacement is never searched again
      // Tokens in the replacement, expanded after each pair (the next pair sees the folder name).
      {u"/Trip/a.jpg", u"a", u"\\f_a", u"/Trip/Trip_a.jpg"},
      {u"/d/ab.txt", u"a/d", u"\\f/Q", u"/d/Qb.txt"},
      {u"/abc/abc.txt", u"abc", u"z", u"/abc/z.txt"},  // the folder is never touched
  });
  // 100 "a" become "bbb" each until the name passes 260 units: after 81 replacements it is 262
  // long, is cut to 260, and the path to 259.
  const std::u16string source = u"/d/" + std::u16string(100, u'a') + u".txt";
  ReplaceParams params{{u"a"}, {u"bbb"}, kReplaceAll, false, true, false};
  RegexCache cache;
  EXPECT_EQ(ApplyReplace(source, params, cache),
            u"/d/" + std::u16string(243, u'b') + std::u16string(13, u'a'));
  RunCases(true, {
      {u"/d/12-34.txt", u"(\\d+)-(\\d+)", u"$2-$1", u"/d/34-12.txt"},
      // Only "all" carries g; "first" and "last" both replace the first match.
      {u"/d/foo.txt", u"o", u"0", u"/d/f0o.txt", kReplaceFirst},
      {u"/d/foo.txt", u"o", u"0", u"/d/f0o.txt", kReplaceLast},
      {u"/d/a.txt", u"\\.txt$", u".md", u"/d/a.md", kReplaceAll, true, true},
      // \n searches the letter n; \t in a replacement writes t.
      {u"/d/nana.txt", u"\\n", u"m\\t", u"/d/mtamta.txt"},
      {u"/d/a1b2.txt", u"\\d/[ab]", u"#", u"/d/##.txt"},  // pairs in order, a missing one deletes
      // Tokens arrive doubled in the output and are expanded; one the user doubled stays literal.
      {u"/Trip/a.jpg", u"^", u"\\f_", u"/Trip/Trip_a.jpg"},
      {u"/d/a.jpg", u"a", u"\\\\f", u"/d/\\f.jpg"},
      {u"/d/a(b.txt", u"(/b", u"x/y", u"/d/a(y.txt"},  // errors leave the name as it was
      {u"/d/.bashrc", u"^", u"x", u"/d/x.bashrc"},     // an empty base name still matches "^"
      {u"/d/😀a.txt", u".", u"x", u"/d/xx.txt"},       // a surrogate pair is one character
  });
}

TEST(Replace, SplitTextsFlagsAndTheSubstituteCommands) {
  // The search and replacement texts, the flags, the command.
  const std::tuple<std::u16string, std::u16string, std::u16string, std::u16string> cases[] = {
      {u"a", u"b", u"kg", u"s/a/b/kg"}, {u"\\n\\a\\c\\t\\r", u"\\n", u"k", u"s/nactr/n/k"},
      {u"\\\\n", u"x", u"k", u"s/\\\\n/x/k"},
      {u"\\f\\s\\:\\e", u"\\f", u"k", u"s/\\f\\s\\:\\e/\\\\\\\\f/k"},
      {u"a", u"\\s\\:\\e", u"k", u"s/a/\\\\\\\\s\\\\\\\\:\\\\\\\\e/k"},
      // Only the first slash is kept.
      {u"a/b", u"c/d", u"k", u"s/a/bcd/k"},
      {u"a", u"x\\", u"k", u"s/a/x\\/k"},
  };
  for (const auto& [search, replacement, flags, expected] : cases) {
    EXPECT_EQ(Utf16ToUtf8(BuildSubstituteCommand(search, replacement, flags)),
              Utf16ToUtf8(expected));
  }
  using Texts = std::vector<std::u16string>;
  EXPECT_EQ(SplitReplaceTexts(u""), Texts{});
  EXPECT_EQ(SplitReplaceTexts(u"a//b/"), (Texts{u"a", u"", u"b", u""}));
  EXPECT_EQ(SplitReplaceTexts(u"1/2/3/4/5/6/7/8/9/10"),
            (Texts{u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8"}));

  EXPECT_EQ(ReplaceFlags({{}, {}, kReplaceAll, false, false}), u"kgi");
  EXPECT_EQ(ReplaceFlags({{}, {}, kReplaceLast, false, true}), u"k");
  const std::optional<std::u16string> none;
  const std::tuple<std::u16string, std::u16string, std::optional<std::u16string>> commands[] = {
      {u"s/a/b/k", u"aaa", u"baa"}, {u"s/a/b/kg", u"aaa", u"bbb"},
      {u"s/a\\/b/c/kg", u"a/b a/b", u"c c"}, {u"s/x/\\//k", u"axb", u"a/b"},
      {u"s/x/\\\\\\\\f/k", u"x", u"\\\\f"}, {u"s/(a)(b)/$2$1\\2\\1$&/k", u"ab", u"babaab"},
      {u"s/(?<n>a)/${n}${1}-${nope}$5\\7/k", u"a", u"aa-"}, {u"s/a/$x$/k", u"a", u"$x$"},
      {u"s/(a)|b/[$1]/kg", u"ab", u"[a][]"}, {u"s/x*/-/kg", u"abc", u"-a-b-c-"},
      {u"s/x*/-/kg", u"😀", u"-😀-"}, {u"s/\\d/#/kg", u"1１", u"##"},
      {u"s/ä/x/kgi", u"ÄäA", u"xxA"}, {u"s/a/b/k", u"\xDC80" u"a", u"\xDC80" u"b"},
      // Malformed commands give no output.
      {u"s/(/x/k", u"(", none}, {u"s/a/b", u"a", none}, {u"x/a/b/k", u"a", none}, {u"", u"a", none},
      {u"s/\\/b/k", u"a", none},
  };
  for (const auto& [command, subject, expected] : commands) {
    EXPECT_EQ(Substitute(command, subject), expected)
        << Utf16ToUtf8(command + u" on " + subject);
  }
  // A view without storage is an empty subject, not an error.
  EXPECT_EQ(Substitute(u"s/^/x/k", std::u16string_view()), u"x");
}

// Each command is compiled once per run; the Shift JIS interface refuses names and commands
// outside the code page.
TEST(Replace, CommandsCompiledOncePerRunAndTheShiftJisInterface) {
  const ReplaceParams pairs{{u"a", u"(b"}, {u"x", u"y"}, kReplaceAll, true, true, false};
  RegexCache cache;
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(ApplyReplace(u"/d/ab" + std::u16string(row, u'c'), pairs, cache),
              u"/d/xb" + std::u16string(row, u'c'));
  }
  EXPECT_EQ(cache.compiled_count(), 2u);  // the malformed one is remembered too
  ReplaceParams params{{u"a"}, {u"b"}, kReplaceAll, true, true, false};
  RegexCache sjis(RegexInterface::kShiftJis);
  EXPECT_EQ(ApplyReplace(u"/d/a?.txt", params, sjis), u"/d/b.txt");  // "?" is removed
  EXPECT_FALSE(sjis.non_sjis_found());
  EXPECT_EQ(ApplyReplace(u"/d/a한.txt", params, sjis), u"/d/** DLL ERROR ** 非S-JIS文字検出");
  EXPECT_TRUE(sjis.non_sjis_found());
  RegexCache sjis2(RegexInterface::kShiftJis);
  EXPECT_EQ(ApplyReplace(u"/d/a.txt", {{u"a"}, {u"한"}, kReplaceAll, true, true, false}, sjis2),
            u"/d/** DLL ERROR ** 非S-JIS文字検出");

  RegexCache unicode;
  EXPECT_EQ(ApplyReplace(u"/d/a한?.txt", params, unicode), u"/d/b한?.txt");
  EXPECT_FALSE(unicode.non_sjis_found());
}

}  // namespace
}  // namespace tessivo
