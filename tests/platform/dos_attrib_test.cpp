#include "platform/dos_attrib.h"

#include <gtest/gtest.h>

#include <string>

namespace tessivo {
namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

std::string Hex(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  return out;
}

// Samba's version 5 record: empty hex string, pad, version 5, level 5, pad,
// valid_flags 0x11, attrib 0x20, creation time.
const std::string kSambaV5 = B({0x00, 0x00, 0x05, 0x00, 0x05, 0x00, 0x00, 0x00, 0x11, 0x00,
                                0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x10, 0x32, 0x54, 0x76,
                                0x98, 0xBA, 0xDC, 0x01});
// Version 3 behind the hex string "0x22": five bytes, one pad byte.
const std::string kSambaV3 =
    std::string("0x22", 4) + B({0x00, 0x00, 0x03, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00,
                                 0x00, 0x00, 0x22, 0x00, 0x00, 0x00, 0xAA, 0xBB, 0xCC, 0xDD});
// Version 1 behind "0x1": attrib comes first in the record.
const std::string kSambaV1 =
    std::string("0x1", 3) + B({0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x99});
// Version 2: flags, then attrib.
const std::string kSambaV2 =
    B({0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x06, 0x00, 0x00,
       0x00});

TEST(DosAttribTest, ParsesEveryStoredForm) {
  const struct {
    std::string blob;
    std::optional<std::uint32_t> word;
  } cases[] = {
      {std::string("0x20\0", 5), 0x20},
      {"0x20", 0x20},
      {std::string("0X2A\0", 5), 0x2A},
      {std::string("0xffffffff\0", 11), 0xFFFFFFFFu},
      {kSambaV5, 0x20},
      {kSambaV3, 0x22},
      {kSambaV1, 0x01},
      {kSambaV2, 0x06},
      // near misses
      {"", std::nullopt},
      {std::string("\0", 1), std::nullopt},
      {std::string("0x\0", 3), std::nullopt},
      {std::string("0x1g\0", 5), std::nullopt},
      {std::string("20\0", 3), std::nullopt},
      {std::string("0x100000000\0", 12), std::nullopt},
      // valid_flags without the attrib bit: no word stored
      {B({0x00, 0x00, 0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0x10, 0, 0, 0, 0x22, 0, 0, 0}),
       std::nullopt},
      // version and level differ, or unknown version: the hex string counts
      {std::string("0x2\0", 4) + B({0x03, 0x00, 0x04, 0x00, 0, 0, 0, 0, 0x20, 0, 0, 0}), 0x2},
      {std::string("0x2\0", 4) + B({0x09, 0x00, 0x09, 0x00, 0, 0, 0, 0, 0x20, 0, 0, 0}), 0x2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseDosAttrib(c.blob), c.word) << Hex(c.blob);
  }
}

TEST(DosAttribTest, EveryTruncationOfABinaryFormIsSafe) {
  const struct {
    const std::string* blob;
    std::size_t attrib_end;  // the record is readable up to here
  } cases[] = {{&kSambaV5, 16}, {&kSambaV3, 20}, {&kSambaV1, 12}, {&kSambaV2, 16}};
  for (const auto& c : cases) {
    for (std::size_t n = 0; n <= c.blob->size(); ++n) {
      std::string cut = c.blob->substr(0, n);
      auto word = ParseDosAttrib(cut);
      if (n >= c.attrib_end) {
        EXPECT_EQ(word, ParseDosAttrib(*c.blob)) << Hex(cut);
      } else if (word) {
        // Only the hex string can be read from a cut record.
        EXPECT_EQ(word, ParseDosAttrib(cut.substr(0, cut.find('\0')))) << Hex(cut);
      }
      std::string encoded = EncodeDosAttrib(cut, 0x23);
      EXPECT_EQ(ParseDosAttrib(encoded), 0x23u) << Hex(cut);
      if (n >= c.attrib_end) {
        EXPECT_EQ(encoded.size(), cut.size()) << Hex(cut);
      }
    }
  }
}

TEST(DosAttribTest, EncodingKeepsBinaryFormsAndChangesOnlyTheWord) {
  const struct {
    const std::string* blob;
    std::size_t attrib_at;
  } cases[] = {{&kSambaV5, 12}, {&kSambaV3, 16}, {&kSambaV1, 8}, {&kSambaV2, 12}};
  for (const auto& c : cases) {
    std::string out = EncodeDosAttrib(*c.blob, 0x12);
    ASSERT_EQ(out.size(), c.blob->size()) << Hex(*c.blob);
    EXPECT_EQ(out.substr(c.attrib_at, 4), B({0x12, 0, 0, 0})) << Hex(out);
    EXPECT_EQ(out.substr(0, c.attrib_at - 4), c.blob->substr(0, c.attrib_at - 4)) << Hex(out);
    EXPECT_EQ(out.substr(c.attrib_at + 4), c.blob->substr(c.attrib_at + 4)) << Hex(out);
    EXPECT_EQ(ParseDosAttrib(out), 0x12u);
  }
  // A record whose word was marked invalid becomes valid, other flags kept.
  std::string v4 = B({0x00, 0x00, 0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0x50, 0, 0, 0, 0, 0, 0, 0});
  std::string out = EncodeDosAttrib(v4, 0x2);
  EXPECT_EQ(out.substr(8, 4), B({0x51, 0, 0, 0}));
  EXPECT_EQ(ParseDosAttrib(out), 0x2u);
}

TEST(DosAttribTest, WritesTheSimpleFormOtherwise) {
  EXPECT_EQ(EncodeDosAttrib("", 0x20), std::string("0x20\0", 5));
  EXPECT_EQ(EncodeDosAttrib("", 0), std::string("0x0\0", 4));
  EXPECT_EQ(EncodeDosAttrib(std::string("0x2\0", 4), 0x31), std::string("0x31\0", 5));
  EXPECT_EQ(EncodeDosAttrib("garbage", 0xABCDEF12), std::string("0xabcdef12\0", 11));
}

}  // namespace
}  // namespace tessivo
