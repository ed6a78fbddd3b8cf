#include "modes/tokens.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

FileSizeFn FixedSize(std::uint64_t size) {
  return [size](const std::u16string&) { return size; };
}

// The spellings of each style, and the cut at 259 after each kind of token,
// are checked against the plain-pass model below; these are the cases the
// model does not reach.
TEST(Tokens, EdgesOfTheValues) {
  const struct {
    std::u16string text, source;
    TokenStyle style;
    std::u16string expected;
  } cases[] = {
      {u"\\F\\S\\E", u"/d/a.jpg", kTokenStyleSingle, u"\\F\\S\\E"},
      {u"[\\f]", u"/a.jpg", kTokenStyleSingle, u"[]"},
      {u"[\\e]", u"/d/README", kTokenStyleSingle, u"[]"},
      {u"[\\e]", u"/d/a.tar.gz", kTokenStyleSingle, u"[gz]"},
      {u"[\\e]", u"/d.x/name", kTokenStyleSingle, u"[]"},
      // Style numbers out of range act as the single style.
      {u"\\f", u"/2014/a.jpg", static_cast<TokenStyle>(7), u"2014"},
      // Inserted text is never scanned again, even by a later token.
      {u"\\f", u"/a\\s/x.txt", kTokenStyleSingle, u"a\\s"},
      {u"\\fs", u"/dir\\/x.txt", kTokenStyleSingle, u"dir\\s"},
      {u"\\f\\e", u"/a\\e/x.txt", kTokenStyleSingle, u"a\\etxt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text) + " style " + std::to_string(c.style) + " on " +
                 Utf16ToUtf8(c.source));
    EXPECT_EQ(ExpandTokens(c.text, c.source, c.style, FixedSize(1234)), c.expected);
  }
  // Without a backslash nothing is cut.
  const std::u16string long_plain(300, u'x');
  EXPECT_EQ(ExpandTokens(long_plain, u"/d/a.txt", kTokenStyleSingle), long_plain);
}

TEST(Tokens, AsksForTheSizeOnlyWhenNeededAndOnce) {
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
}

// The token passes done the plain way, with whole-text replacement and the
// escape hidden under a placeholder. Right as long as no inserted value
// starts with a token letter or holds a backslash, a backquote or an
// apostrophe.
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

TEST(Tokens, AgreesWithPlainPassesOnRandomTexts) {
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

TEST(Tokens, FileSizeFromAFileSystem) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/a.bin", std::string(4321, 'z'));
  fs.AddFolder(u"/d/sub");
  const FileSizeFn size = FileSizeFrom(fs);
  EXPECT_EQ(ExpandTokens(u"\\s", u"/d/a.bin", kTokenStyleSingle, size), u"4321");
  EXPECT_EQ(size(u"/d/missing"), 0u);
  EXPECT_EQ(size(u"/d/sub"), 0u);
  fs.FailPath(FakeFileSystem::Op::kStat, u"/d/a.bin", ErrorCode::kIo);
  EXPECT_EQ(size(u"/d/a.bin"), 0u);
}

}  // namespace
}  // namespace tessivo
