#include "platform/dos_attrib.h"

#include <gtest/gtest.h>

#include <string>

#include "support/hex.h"

namespace tessivo {
namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// Samba's binary records, each with the offset of its attrib word.
// v5: empty hex string, pad, version, level, pad, valid_flags 0x11, attrib 0x20, creation time.
// v3 behind "0x22" (one pad byte); v1 behind "0x1" with attrib first; v2: flags, then attrib.
const struct { std::string blob; std::size_t attrib_at; } kSamba[] = {
    {B({0, 0, 5, 0, 5, 0, 0, 0, 0x11, 0, 0, 0, 0x20, 0, 0, 0, 0x10, 0x32, 0x54, 0x76, 0x98, 0xBA,
        0xDC, 0x01}), 12},
    {"0x22" + B({0, 0, 3, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0x22, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD}), 16},
    {"0x1" + B({0, 1, 0, 1, 0, 1, 0, 0, 0, 0x99}), 8},
    {B({0, 0, 2, 0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x06, 0, 0, 0}), 12},
};

std::string Nul(const char* s) { return std::string(s) + '\0'; }

TEST(DosAttribTest, ParsesEveryStoredForm) {
  const struct { std::string blob; std::optional<std::uint32_t> word; } cases[] = {
      {Nul("0x20"), 0x20},  {"0x20", 0x20},  {Nul("0X2A"), 0x2A},  {Nul("0xffffffff"), 0xFFFFFFFFu},
      {kSamba[0].blob, 0x20},  {kSamba[1].blob, 0x22},  {kSamba[2].blob, 0x01},
      {kSamba[3].blob, 0x06},
      // near misses
      {"", std::nullopt},  {Nul(""), std::nullopt},  {Nul("0x"), std::nullopt},
      {Nul("0x1g"), std::nullopt},  {Nul("20"), std::nullopt},  {Nul("0x100000000"), std::nullopt},
      // valid_flags without the attrib bit: no word stored
      {B({0, 0, 4, 0, 4, 0, 0, 0, 0x10, 0, 0, 0, 0x22, 0, 0, 0}), std::nullopt},
      // version and level differ, or unknown version: the hex string counts
      {Nul("0x2") + B({3, 0, 4, 0, 0, 0, 0, 0, 0x20, 0, 0, 0}), 0x2},
      {Nul("0x2") + B({9, 0, 9, 0, 0, 0, 0, 0, 0x20, 0, 0, 0}), 0x2},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseDosAttrib(c.blob), c.word) << Hex(c.blob);
}

TEST(DosAttribTest, EncodingChangesOnlyTheWordOfEveryCutOfABinaryForm) {
  for (const auto& c : kSamba) {
    std::string want = c.blob;
    want.replace(c.attrib_at, 4, B({0x12, 0, 0, 0}));
    EXPECT_EQ(Hex(EncodeDosAttrib(c.blob, 0x12)), Hex(want));
    const std::size_t attrib_end = c.attrib_at + 4;  // the record is readable up to here
    for (std::size_t n = 0; n <= c.blob.size(); ++n) {
      std::string cut = c.blob.substr(0, n);
      auto word = ParseDosAttrib(cut);
      if (n >= attrib_end) {
        EXPECT_EQ(word, ParseDosAttrib(c.blob)) << Hex(cut);
      } else if (word) {
        // Only the hex string can be read from a cut record.
        EXPECT_EQ(word, ParseDosAttrib(cut.substr(0, cut.find('\0')))) << Hex(cut);
      }
      std::string encoded = EncodeDosAttrib(cut, 0x23);
      EXPECT_EQ(ParseDosAttrib(encoded), 0x23u) << Hex(cut);
      if (n >= attrib_end) {
        EXPECT_EQ(encoded.size(), cut.size()) << Hex(cut);
      }
    }
  }
  // A record whose word was marked invalid becomes valid, other flags kept.
  std::string out = EncodeDosAttrib(B({0, 0, 4, 0, 4, 0, 0, 0, 0x50, 0, 0, 0, 0, 0, 0, 0}), 0x2);
  EXPECT_EQ(out.substr(8, 4), B({0x51, 0, 0, 0}));
  EXPECT_EQ(ParseDosAttrib(out), 0x2u);
  // Anything else gets the simple form.
  EXPECT_EQ(EncodeDosAttrib("", 0), Nul("0x0"));
  EXPECT_EQ(EncodeDosAttrib(Nul("0x2"), 0x31), Nul("0x31"));
  EXPECT_EQ(EncodeDosAttrib("garbage", 0xABCDEF12), Nul("0xabcdef12"));
}

}  // namespace
}  // namespace tessivo
