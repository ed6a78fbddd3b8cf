#include "modes/name_parts.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

struct SplitCase {
  std::u16string path;
  bool folder_list;
  std::u16string folder;
  std::u16string base;
  std::u16string extension;
};

TEST(NameParts, SplitsFolderBaseAndExtension) {
  const SplitCase cases[] = {
      {u"/photo.tar.gz", false, u"/", u"photo.tar", u".gz"},
      {u"/x/name.", false, u"/x/", u"name", u"."},
      {u"/x/.bashrc", false, u"/x/", u"", u".bashrc"},
      {u"/x/a b.c d", false, u"/x/", u"a b", u".c d"},
      {u"file.txt", false, u"", u"file", u".txt"},
      // The folder-list rule: a folder's dot part belongs to its name.
      {u"/x/my.folder.name", true, u"/x/", u"my.folder.name", u""},
      {u"/a.b/c", true, u"/a.b/", u"c", u""},
      {u"/x/.config", true, u"/x/", u".config", u""},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.path) + (c.folder_list ? " (folders)" : ""));
    const NameParts parts = SplitNamePath(c.path, c.folder_list);
    EXPECT_TRUE(parts.drive.empty());
    EXPECT_EQ(parts.folder, c.folder);
    EXPECT_EQ(parts.base, c.base);
    EXPECT_EQ(parts.extension, c.extension);
    EXPECT_EQ(parts.Prefix() + parts.Name(), c.path);
    if (!c.folder_list) {
      EXPECT_EQ(SplitPlainPath(c.path).extension, c.extension);
    }
  }
}

TEST(NameParts, CutsToTheLongestPath) {
  for (std::size_t length : {259u, 260u}) {
    SCOPED_TRACE(length);
    std::u16string text(length, u'a');
    const std::size_t expected = std::min<std::size_t>(length, 259);
    EXPECT_EQ(CutToMaxPath(std::u16string_view(text)).size(), expected);
    CutToMaxPath(text);
    EXPECT_EQ(text.size(), expected);
  }
}

TEST(NameParts, CutsEachOverlongPart) {
  const std::u16string folder = u"/" + std::u16string(300, u'd') + u"/";
  const std::u16string path = folder + std::u16string(280, u'b') + u"." + std::u16string(270, u'e');
  const NameParts parts = SplitNamePath(path, true);
  EXPECT_EQ(parts.folder.size(), 259u);
  EXPECT_EQ(parts.base, std::u16string(259, u'b'));
  EXPECT_TRUE(parts.extension.empty());
}

}  // namespace
}  // namespace tessivo
