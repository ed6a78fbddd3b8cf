#include "modes/extension.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

struct ExtensionCase {
  std::u16string source;
  std::u16string text;
  bool append;
  std::u16string expected;
};

TEST(Extension, ReplacesAppendsAndRemoves) {
  const ExtensionCase cases[] = {
      {u"/d/a.txt", u"jpg", false, u"/d/a.jpg"},
      {u"/d/a.txt", u"", false, u"/d/a"},
      {u"/d/photo.tar.gz", u"jpg", false, u"/d/photo.tar.jpg"},
      // A space after the last dot means there is no extension.
      {u"/d/my.file name", u"jpg", false, u"/d/my.file name.jpg"},
      {u"/d/my file.name", u"jpg", false, u"/d/my file.jpg"},
      // A dot in the folder is not the name's extension.
      {u"/d.x/file", u"jpg", false, u"/d.x/file.jpg"},
      {u"/d/.bashrc", u"txt", false, u"/d/.txt"},
      {u"/d/name.", u"txt", false, u"/d/name.txt"},
      // The user's own dot stays.
      {u"/d/name.txt", u".txt", false, u"/d/name..txt"},
      {u"/d/a.txt", u"bak", true, u"/d/a.txt.bak"},
      {u"/d/a.txt", u"", true, u"/d/a.txt"},
  };
  for (const ExtensionCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.source) + " + " + Utf16ToUtf8(c.text) + (c.append ? " (add)" : ""));
    EXPECT_EQ(ApplyExtension(c.source, c.text, ExtensionParams{c.append}), c.expected);
  }
}

TEST(Extension, OverflowLeavesTheNameOrCutsTheAppend) {
  // The name's dot sits at position 250 of the path.
  const std::u16string source = u"/" + std::u16string(249, u'a') + u".txt";
  ASSERT_EQ(FindPathExtension(source), 250u);
  // ".12345678" ends the path at 259 characters: it fits.
  EXPECT_EQ(ApplyExtension(source, u"12345678", {false}).size(), 259u);
  // One character more would not fit: the source comes back unchanged.
  EXPECT_EQ(ApplyExtension(source, u"123456789", {false}), source);
  // Appending is cut instead.
  const std::u16string appended = ApplyExtension(source, u"123456789", {true});
  EXPECT_EQ(appended.size(), 259u);
  EXPECT_EQ(appended.substr(0, source.size()), source);
  // A field text longer than any path is cut before use and never crashes.
  EXPECT_EQ(ApplyExtension(u"/a.b", std::u16string(400, u'x'), {false}), u"/a.b");
}

}  // namespace
}  // namespace tessivo
