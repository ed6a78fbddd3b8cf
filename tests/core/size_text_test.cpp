#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "core/file_list.h"
#include "core_test_util.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

TEST(SizeTextTest, FieldLayoutInEveryUnit) {
  // Bytes: 13 wide, commas at 1, 5 and 9. KB: 11 wide, rounded up, commas at
  // 1 and 5. MB: rounded down, below 2 shows 1. From 10,000,000,000 bytes:
  // ">=" and a truncated one-decimal value. An unknown unit counts as bytes.
  const struct { std::uint64_t size; int unit; std::u16string expected; } cases[] = {
      {0, kSizeInBytes, u"            0"},  {999, kSizeInBytes, u"          999"},
      {1000, kSizeInBytes, u"        1,000"},  {999999, kSizeInBytes, u"      999,999"},
      {1000001, kSizeInBytes, u"    1,000,001"},  {9999999999ULL, kSizeInBytes, u"9,999,999,999"},
      {0, kSizeInKb, u"        0 K"},  {1, kSizeInKb, u"        1 K"},
      {1024, kSizeInKb, u"        1 K"},  {1025, kSizeInKb, u"        2 K"},
      {9999999999ULL, kSizeInKb, u"9,765,625 K"},  {2097151, kSizeInMb, u"        1 M"},
      {2097152, kSizeInMb, u"        2 M"},  {1234567890, kSizeInMb, u"    1,177 M"},
      {10000000000ULL, kSizeInBytes, u">=      9.5 G"},
      {12345678901ULL, kSizeInKb, u">=   11.7 G"},
      {std::numeric_limits<std::uint64_t>::max(), kSizeInBytes, u">=17592186044.4 G"},
      {1234567, 7, u"    1,234,567"},  {1234567, -1, u"    1,234,567"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatSizeText(c.size, c.unit), c.expected)
        << "size " << c.size << " unit " << c.unit;
  }
  // SizeText reads the file and returns its size.
  FakeFileSystem fs;
  fs.AddFile(u"/d/a.bin", std::string(1500, 'x'));
  std::u16string text;
  EXPECT_EQ(SizeText(fs, u"/d/a.bin", kSizeInKb, text), 1500u);
  EXPECT_EQ(text, u"        2 K");
  // A path that cannot be looked up counts as empty.
  EXPECT_EQ(SizeText(fs, u"/d/gone.bin", kSizeInBytes, text), 0u);
  EXPECT_EQ(text, u"            0");
}

TEST(DateTextTest, UsesTheOffsetAtThatDateWholeSecondsAndTheChosenTime) {
  ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  // 2021-01-15 12:00:00 UTC is winter time (+1), 2021-07-01 12:00:00 UTC summer (+2).
  EXPECT_EQ(FormatDateText(FromUnix(1610712000)), u"2021/01/15 13:00:00");
  EXPECT_EQ(FormatDateText(FromUnix(1625140800)), u"2021/07/01 14:00:00");
  ScopedTimeZone::Set("UTC0");
  EXPECT_EQ(FormatDateText(FromUnix(0) + 9'999'999), u"1970/01/01 00:00:00");
  EXPECT_EQ(FormatDateText(-1), u"1600/12/31 23:59:59");
  // DateText reads the creation or last-write time of the file.
  FakeFileSystem fs;
  fs.AddFile(u"/d/a.txt", "x", FromUnix(1625140800), FromUnix(1610712000));
  std::u16string text;
  EXPECT_EQ(DateText(fs, u"/d/a.txt", kDateLastWrite, text), 0);
  EXPECT_EQ(text, u"2021/07/01 12:00:00");
  EXPECT_EQ(DateText(fs, u"/d/a.txt", kDateCreation, text), 0);
  EXPECT_EQ(text, u"2021/01/15 12:00:00");
  EXPECT_EQ(DateText(fs, u"/d/missing.txt", kDateLastWrite, text), 1);
  EXPECT_EQ(text, u"2021/01/15 12:00:00");  // left alone
}

}  // namespace
}  // namespace tessivo
