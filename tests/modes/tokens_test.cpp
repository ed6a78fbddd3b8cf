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

struct TokenCase {
  std::u16string text;
  std::u16string source;
  TokenStyle style;
  std::u16string expected;
};

TEST(Tokens, ExpandsEachStyle) {
  const std::u16string photo = u"/photos/2014/a.jpg";
  const TokenCase cases[] = {
      {u"\\f_1", photo, kTokenStyleSingle, u"2014_1"},
      {u"\\s|\\:", photo, kTokenStyleSingle, u"1234|1234"},
      {u"x.\\e", photo, kTokenStyleSingle, u"x.jpg"},
      {u"\\F\\S\\E", photo, kTokenStyleSingle, u"\\F\\S\\E"},
      {u"[\\f]", u"/a.jpg", kTokenStyleSingle, u"[]"},
      {u"[\\e]", u"/d/README", kTokenStyleSingle, u"[]"},
      {u"[\\e]", u"/d/a.tar.gz", kTokenStyleSingle, u"[gz]"},
      {u"[\\e]", u"/d.x/name", kTokenStyleSingle, u"[]"},
      // Doubled style: only the doubled forms are tokens.
      {u"\\\\f-\\f", photo, kTokenStyleDoubled, u"2014-\\f"},
      {u"\\\\s\\\\:\\\\e", photo, kTokenStyleDoubled, u"12341234jpg"},
      // Escaped style: doubled forms give the literal single forms, except \:.
      {u"\\\\f\\\\s\\\\e", photo, kTokenStyleEscaped, u"\\f\\s\\e"},
      {u"\\\\:", photo, kTokenStyleEscaped, u"\\1234"},
      {u"\\\\\\f", photo, kTokenStyleEscaped, u"\\\\f"},
      // Style numbers out of range act as the single style.
      {u"\\f", photo, static_cast<TokenStyle>(7), u"2014"},
      // Inserted text is never scanned again, even by a later token.
      {u"\\f", u"/a\\s/x.txt", kTokenStyleSingle, u"a\\s"},
      {u"\\fs", u"/dir\\/x.txt", kTokenStyleSingle, u"dir\\s"},
      {u"\\f\\e", u"/a\\e/x.txt", kTokenStyleSingle, u"a\\etxt"},
  };
  for (const TokenCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text) + " style " + std::to_string(c.style) + " on " +
                 Utf16ToUtf8(c.source));
    EXPECT_EQ(ExpandTokens(c.text, c.source, c.style, FixedSize(1234)), c.expected);
  }
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

TEST(Tokens, CutsAt259OnlyWhenSomethingIsExpanded) {
  const std::u16string folder(200, u'F');
  const std::u16string source = u"/" + folder + u"/a.txt";
  const std::u16string long_plain(300, u'x');
  EXPECT_EQ(ExpandTokens(long_plain, source, kTokenStyleSingle), long_plain);

  EXPECT_EQ(ExpandTokens(u"\\f\\f", source, kTokenStyleSingle), std::u16string(259, u'F'));
  // A token pushed past the cut by an earlier kind of token is gone.
  EXPECT_EQ(ExpandTokens(u"\\f" + std::u16string(58, u'-') + u"\\e", source, kTokenStyleSingle),
            folder + std::u16string(58, u'-') + u"\\");
  // A later token to the left still expands, and the whole stays within 259.
  const std::u16string left = ExpandTokens(u"\\e\\f\\f", source, kTokenStyleSingle);
  EXPECT_EQ(left.size(), 259u);
  EXPECT_EQ(left.substr(0, 4), u"txtF");
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
