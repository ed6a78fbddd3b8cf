#include "core/shell_link.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "config/encoding.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

// What a test shortcut holds.
struct TestLnk {
  std::u16string local_base;                   // LinkInfo LocalBasePath (code page 932)
  std::u16string suffix;                       // CommonPathSuffix
  std::optional<std::u16string> unicode_base;  // LocalBasePathUnicode (header 0x24)
  std::optional<std::u16string> relative;      // StringData RELATIVE_PATH
  bool unicode_strings = true;
  bool with_link_info = true;
};

// Little-endian integer of `size` bytes.
void Put(std::string& out, std::uint32_t v, int size = 4) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t Size(const std::string& s) { return static_cast<std::uint32_t>(s.size()); }

// Builds the bytes of a .lnk file field by field.
std::string BuildTestLnk(const TestLnk& spec) {
  std::uint32_t flags = 0x01 | 0x04;  // an IDList and a NAME_STRING, both to be skipped
  if (spec.with_link_info) flags |= 0x02;
  if (spec.relative) flags |= 0x08;
  if (spec.unicode_strings) flags |= 0x80;

  std::string out;
  Put(out, 0x4C);
  out += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  Put(out, flags);
  out.resize(0x4C, '\0');
  Put(out, 7, 2);  // IDList: one item of 5 bytes, then the terminal 0
  Put(out, 5, 2);
  out += std::string("abc\0\0", 5);

  if (spec.with_link_info) {
    const std::uint32_t header = spec.unicode_base ? 0x24 : 0x1C;
    // VolumeID: size, fixed drive, serial, label offset, empty label.
    std::string tail;
    for (std::uint32_t v : {0x11u, 3u, 0x1234u, 0x10u}) Put(tail, v);
    tail.push_back('\0');
    const std::uint32_t base_at = header + Size(tail);
    tail += ToCodePage(spec.local_base) + '\0';
    const std::uint32_t suffix_at = header + Size(tail);
    tail += ToCodePage(spec.suffix) + '\0';
    const std::uint32_t unicode_at = header + Size(tail);
    if (spec.unicode_base) {
      for (char16_t c : *spec.unicode_base) Put(tail, c, 2);
      Put(tail, 0, 2);
    }
    // Sizes, VolumeIDAndLocalBasePath, offsets; no network link.
    for (std::uint32_t v : {header + Size(tail), header, 1u, header, base_at, 0u, suffix_at}) {
      Put(out, v);
    }
    if (spec.unicode_base) {
      Put(out, unicode_at);
      Put(out, 0);  // no Unicode suffix: the code page one applies
    }
    out += tail;
  }

  auto put_string = [&](std::u16string_view text) {
    if (spec.unicode_strings) {
      Put(out, static_cast<std::uint32_t>(text.size()), 2);
      for (char16_t c : text) Put(out, c, 2);
    } else {
      const std::string bytes = ToCodePage(text);
      Put(out, Size(bytes), 2);
      out += bytes;
    }
  };
  put_string(u"comment");
  if (spec.relative) put_string(*spec.relative);
  return out;
}

}  // namespace

// A shortcut to `target` (its Unicode local path); scan_test.cpp uses it too.
std::string BuildTestLnkTo(std::u16string_view target) {
  TestLnk spec;
  spec.unicode_base = std::u16string(target);
  return BuildTestLnk(spec);
}

namespace {

TEST(ShellLinkTest, ReadsTheLocalPathAndRelativePath) {
  struct Case { TestLnk lnk; std::u16string local; std::u16string relative; };
  const Case cases[] = {
      {{u"\\data\\写真\\", u"2024", std::nullopt, u"..\\写真\\2024", true, true},
       u"/data/写真/2024",
       u"../写真/2024"},
      {{u"C:\\x", u"", u"\\home\\ü", std::nullopt, true, true}, u"/home/ü", u""},
      {{u"", u"", std::nullopt, u"a\\b.txt", false, false}, u"", u"a/b.txt"},
      {{u"D:\\", u"", std::nullopt, std::nullopt, false, true}, u"D:/", u""},
  };
  for (const Case& c : cases) {
    Result<ShellLinkPaths> paths = ParseShellLink(BuildTestLnk(c.lnk));
    ASSERT_TRUE(paths) << Utf16ToUtf8(paths.error().detail);
    EXPECT_EQ(paths->local_path, c.local) << Utf16ToUtf8(c.local);
    EXPECT_EQ(paths->relative_path, c.relative) << Utf16ToUtf8(c.local);
  }
}

TEST(ShellLinkTest, ResolvesToAFullPathOrNothing) {
  FakeFileSystem fs;
  struct Case { TestLnk lnk; std::u16string target; };
  const Case cases[] = {
      {{u"/srv/a/", u"b", std::nullopt, u"..\\other", true, true}, u"/srv/a/b"},
      {{u"C:\\Users\\me", u"", std::nullopt, u"..\\other\\.\\x", true, true}, u"/links/other/x"},
      {{u"C:\\Users\\me", u"", std::nullopt, std::nullopt, true, true}, u""},
      {{u"", u"", std::nullopt, u"..\\..\\..\\..\\top", true, false}, u"/top"},
      {{u"/" + std::u16string(259, u'x'), u"", std::nullopt, std::nullopt, true, true}, u""},
  };
  for (const Case& c : cases) {
    fs.AddFile(u"/links/sub/s.lnk", BuildTestLnk(c.lnk));
    std::u16string target = u"stale";
    EXPECT_EQ(ResolveShortcut(fs, u"/links/sub/s.lnk", target), 0);
    EXPECT_EQ(target, c.target) << Utf16ToUtf8(c.target);
  }
  std::u16string target = u"stale";
  EXPECT_EQ(ResolveShortcut(fs, u"/links/none.lnk", target), 1);
  EXPECT_TRUE(target.empty());
  fs.AddFile(u"/links/text.lnk", "just text, not a shortcut");
  EXPECT_EQ(ResolveShortcut(fs, u"/links/text.lnk", target), 1);
}

// Every truncation is corrupt; damaged bytes give a valid result or kCorrupt.
// Run under -fsanitize=address to check that no read leaves the buffer.
TEST(ShellLinkTest, TruncatedOrDamagedBytesNeverCrash) {
  for (bool unicode : {true, false}) {
    TestLnk spec{u"/a/", u"b", std::nullopt, u"rel\\path", unicode, true};
    if (unicode) spec.unicode_base = u"/u/v";
    const std::string bytes = BuildTestLnk(spec);
    ASSERT_TRUE(ParseShellLink(bytes));
    for (std::size_t length = 0; length < bytes.size(); ++length) {
      Result<ShellLinkPaths> paths = ParseShellLink(std::string_view(bytes).substr(0, length));
      ASSERT_FALSE(paths) << "length " << length;
      EXPECT_EQ(paths.error().code, ErrorCode::kCorrupt);
    }
    int parsed = 0;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
      for (unsigned char value : {0x00, 0x7F, 0xFF, 0x4C}) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(value);
        Result<ShellLinkPaths> paths = ParseShellLink(damaged);
        if (paths) {
          ++parsed;
          EXPECT_LE(paths->local_path.size(), damaged.size());
        } else {
          EXPECT_EQ(paths.error().code, ErrorCode::kCorrupt) << "byte " << at;
        }
      }
    }
    EXPECT_GT(parsed, 0);
  }
}

}  // namespace
}  // namespace tessivo
