#include "modes/capture_time.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "modes/modes_test_util.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

constexpr std::uint16_t kOriginal = 0x9003;
constexpr std::uint16_t kDigitized = 0x9004;
constexpr std::int64_t kUnixTo1904 = 2082844800;  // seconds from 1904 to 1970

std::string Int(std::uint32_t v, int bytes, bool big_endian) {
  std::string out;
  for (int i = 0; i < bytes; ++i) {
    const int shift = 8 * (big_endian ? bytes - 1 - i : i);
    out += static_cast<char>((v >> shift) & 0xFF);
  }
  return out;
}

struct DateEntry {
  std::uint16_t tag;
  std::string text;      // stored with zeros up to 20 bytes
  std::uint32_t offset;  // of the string, from the TIFF header
};

// A JPEG as a camera writes it: SOI, optionally a JFIF APP0 segment, then an
// APP1 segment with "Exif" 00 00 and a TIFF block whose IFD0 points to an
// Exif IFD holding `entries` (ASCII, count 20). Padded to `size` bytes.
std::string MakeJpeg(const std::vector<DateEntry>& entries, bool big_endian = true,
                     std::size_t size = 600, bool jfif = false) {
  std::string file = "\xFF\xD8";
  if (jfif) file += std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
  file += std::string("\xFF\xE1\xFF\xF0", 4) + std::string("Exif\0\0", 6);
  const std::size_t tiff = file.size();
  auto u16 = [&](std::uint32_t v) { return Int(v, 2, big_endian); };
  auto u32 = [&](std::uint32_t v) { return Int(v, 4, big_endian); };
  file += big_endian ? "MM" : "II";
  file += u16(42) + u32(8);
  file += u16(1) + u16(0x8769) + u16(4) + u32(1) + u32(26) + u32(0);  // IFD0
  file += u16(static_cast<std::uint32_t>(entries.size()));            // Exif IFD
  for (const DateEntry& e : entries) file += u16(e.tag) + u16(2) + u32(20) + u32(e.offset);
  file += u32(0);
  for (const DateEntry& e : entries) {
    if (file.size() < tiff + e.offset + 20) file.resize(tiff + e.offset + 20, '\0');
    file.replace(tiff + e.offset, e.text.size(), e.text);
  }
  if (file.size() < size) file.resize(size, '\0');
  return file;
}

std::string Atom(const std::string& type, const std::string& payload) {
  return Int(static_cast<std::uint32_t>(payload.size() + 8), 4, true) + type + payload;
}

// A movie atom whose first child is a version-0 movie header.
std::string Moov(std::uint32_t creation) {
  std::string mvhd = std::string(4, '\0') + Int(creation, 4, true) + Int(creation, 4, true) +
                     Int(600, 4, true) + std::string(84, '\0');
  return Atom("moov", Atom("mvhd", mvhd) + Atom("trak", std::string(16, '\0')));
}

std::string Mdat(std::size_t bytes) { return Atom("mdat", std::string(bytes, 'x')); }
const std::string kFtyp = Atom("ftyp", std::string("qt  \0\0\0\0qt  ", 12));

const std::string kDate = "2014:05:06 07:08:09";
const std::int64_t kUnixTime = UnixOf(2014, 5, 6, 7, 8, 9);
const auto kQt = static_cast<std::uint32_t>(kUnixTime + kUnixTo1904);
const CalendarTime kExpected = Ct(2014, 5, 6, 7, 8, 9);
const std::string kOther = "2015:01:01 00:00:00";

class CaptureTimeTest : public ::testing::Test {
 protected:
  std::optional<CalendarTime> Exif(const std::string& bytes,
                                   const std::u16string& name = u"a.jpg") {
    Store(name, bytes);
    return ReadExifCaptureTime(fs_, u"/p/" + name);
  }
  std::optional<CalendarTime> Movie(const std::string& bytes, int hours = 0,
                                    const std::u16string& name = u"a.mov") {
    Store(name, bytes);
    return ReadQuickTimeCaptureTime(fs_, u"/p/" + name, hours);
  }
  void Store(const std::u16string& name, const std::string& bytes) {
    if (!fs_.Exists(u"/p/" + name)) fs_.AddFile(u"/p/" + name);
    fs_.FindMutable(u"/p/" + name)->bytes = bytes;
  }
  FakeFileSystem fs_;
};

TEST_F(CaptureTimeTest, FindsTheDateInEachWindowAndCountsItsReads) {
  struct Case {
    const char* what;
    std::vector<DateEntry> entries;
    bool big_endian;
    std::size_t size;
    std::optional<CalendarTime> expected;
    int reads;
  } cases[] = {
      // clang-format off
      {"original, big-endian", {{kOriginal, kDate, 200}}, true, 600, kExpected, 1},
      {"only digitized", {{kDigitized, kDate, 200}}, true, 600, kExpected, 1},
      {"original past the first window", {{kOriginal, kDate, 5000}}, true, 9000, kExpected, 2},
      {"original past the second window", {{kOriginal, kDate, 20000}}, false, 30000, kExpected, 3},
      {"ends 1 byte past window 3", {{kOriginal, kDate, 65535 - 12 - 19}}, true, 70100,
       std::nullopt, 3},
      {"ends at window 3's end", {{kOriginal, kDate, 65535 - 12 - 20}}, true, 70100, kExpected, 3},
      {"digitized kept, original past every window",
       {{kDigitized, kDate, 300}, {kOriginal, kOther, 70000}}, true, 70100, kExpected, 3},
      {"original replaces an earlier digitized",
       {{kDigitized, kOther, 300}, {kOriginal, kDate, 5000}}, true, 9000, kExpected, 2},
      {"a later digitized does not replace the original",
       {{kOriginal, kDate, 300}, {kDigitized, kOther, 400}}, true, 600, kExpected, 1},
      {"an original past the window hides a later digitized",
       {{kOriginal, kOther, 70000}, {kDigitized, kDate, 300}}, true, 70100, std::nullopt, 3},
      {"string in the zeros after the end", {{kOriginal, kDate, 3000}}, true, 500, std::nullopt, 1},
      // clang-format on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = MakeJpeg(c.entries, c.big_endian, c.size);
    file.resize(c.size);
    const int before = fs_.Calls(FakeFileSystem::Op::kReadRange);
    EXPECT_EQ(Exif(file), c.expected);
    EXPECT_EQ(fs_.Calls(FakeFileSystem::Op::kReadRange) - before, c.reads);
  }
}

TEST_F(CaptureTimeTest, ExifNeedsItsExtensionMarkersAndADateOfTheRightShape) {
  const std::string good = MakeJpeg({{kOriginal, kDate, 200}}, true, 600, true);
  for (const std::u16string name : {u"a.JPG", u"b.JpEg"}) {
    EXPECT_EQ(Exif(good, name), kExpected) << Utf16ToUtf8(name);
  }
  for (const std::u16string name : {u"a.jpg.bak", u"ajpg"}) {
    EXPECT_EQ(Exif(good, name), std::nullopt) << Utf16ToUtf8(name);
  }
  std::string no_soi = good;
  no_soi[1] = '\xD9';
  EXPECT_EQ(Exif(no_soi), std::nullopt);
  std::string bad_order = good;
  bad_order[30] = 'X';  // "MM" of the TIFF header
  EXPECT_EQ(Exif(bad_order), std::nullopt);
  // The marker must start within the first 128 bytes.
  const std::string app1 = good.substr(20);
  EXPECT_EQ(Exif("\xFF\xD8" + std::string(121, '\0') + app1), kExpected);  // "Exif" at 127
  EXPECT_EQ(Exif("\xFF\xD8" + std::string(122, '\0') + app1), std::nullopt);

  for (const char* bad : {"3014:05:06 07:08:09", "2014:25:06 07:08:09", "2014:05:46 07:08:09",
                          "2014:05:06 37:08:09", "2014:05:06 07:68:09", "2014:05:06 07:08:091"}) {
    EXPECT_EQ(Exif(MakeJpeg({{kOriginal, bad, 200}})), std::nullopt) << bad;
  }
  EXPECT_EQ(Exif(MakeJpeg({{kOriginal, "1999:12:31 23:59:59", 200}})),
            Ct(1999, 12, 31, 23, 59, 59));
  // Only the leading digits above are checked; other fields read their leading digits.
  EXPECT_EQ(Exif(MakeJpeg({{kOriginal, "2014:19:39 29:59:9x", 200}})), Ct(2014, 19, 39, 29, 59, 9));
}

TEST_F(CaptureTimeTest, ReadFailuresGiveNoDate) {
  fs_.FailNthCall(FakeFileSystem::Op::kReadRange, 2, ErrorCode::kIo);
  EXPECT_EQ(Exif(MakeJpeg({{kDigitized, kDate, 200}, {kOriginal, kDate, 5000}}, true, 9000)),
            std::nullopt);
  fs_.ClearFailures();
  fs_.FailNthCall(FakeFileSystem::Op::kReadRange, 1, ErrorCode::kIo);
  EXPECT_EQ(Movie(Moov(kQt)), std::nullopt);
  fs_.FailNthCall(FakeFileSystem::Op::kStat, 1, ErrorCode::kIo);
  EXPECT_EQ(Movie(Moov(kQt)), std::nullopt);
  EXPECT_EQ(ReadExifCaptureTime(fs_, u"/p/missing.jpg"), std::nullopt);
  EXPECT_EQ(ReadQuickTimeCaptureTime(fs_, u"/p/missing.mov", 0), std::nullopt);
}

TEST_F(CaptureTimeTest, FindsTheMovieHeaderInEachWindow) {
  const std::string moov = Moov(kQt);
  struct Case {
    const char* what;
    std::string file;
    bool found;
    int reads;
  } cases[] = {
      {"at the end", kFtyp + Mdat(200000) + moov, true, 1},
      {"at the start", kFtyp + moov + Mdat(200000), true, 2},
      {"30000 bytes before the end", kFtyp + Mdat(200000) + moov + Mdat(30000), true, 3},
      {"30000 bytes after the start", kFtyp + Mdat(30000) + moov + Mdat(200000), true, 4},
      {"in the middle of a large file", Mdat(100000) + moov + Mdat(100000), false, 4},
      {"in a small file, read once", kFtyp + moov, true, 1},
      {"absent from a small file, read once", kFtyp + Mdat(500), false, 1},
      {"after a header of time 0", kFtyp + Moov(0) + moov, true, 1},
      {"whose header is 64 KiB long",
       Atom("moov",
            Atom("mvhd", std::string(4, '\0') + Int(kQt, 4, true) + std::string(65532, '\0'))),
       false, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int before = fs_.Calls(FakeFileSystem::Op::kReadRange);
    EXPECT_EQ(Movie(c.file), c.found ? std::optional(kExpected) : std::nullopt);
    EXPECT_EQ(fs_.Calls(FakeFileSystem::Op::kReadRange) - before, c.reads);
  }
  for (const std::u16string name : {u"a.MOV", u"b.Qt"}) {
    EXPECT_EQ(Movie(moov, 0, name), kExpected) << Utf16ToUtf8(name);
  }
  EXPECT_EQ(Movie(moov, 0, u"a.mp4"), std::nullopt);
  // Through a link, the windows at the end are found from the target's size.
  fs_.AddSymlink(u"/p/link.mov", u"a.mov");
  EXPECT_EQ(Movie(kFtyp + moov + Mdat(40000)), kExpected);
  EXPECT_EQ(ReadQuickTimeCaptureTime(fs_, u"/p/link.mov", 0), kExpected);
}

TEST_F(CaptureTimeTest, MovieTimesTakeTheTimeZoneAndThe1972Rule) {
  // Hours outside -23..23 add nothing.
  const std::pair<int, CalendarTime> zones[] = {
      {23, Ct(2014, 5, 7, 6, 8, 9)},
      {-23, Ct(2014, 5, 5, 8, 8, 9)},
      {24, kExpected},
      {-24, kExpected},
      {INT_MIN, kExpected},
  };
  for (const auto& [hours, expected] : zones) EXPECT_EQ(Movie(Moov(kQt), hours), expected) << hours;
  const std::uint32_t y1972 = 2145916800u;
  EXPECT_EQ(Movie(Moov(y1972 - 3600), 1), std::nullopt);
  EXPECT_EQ(Movie(Moov(y1972 - 3600), 2), Ct(1972, 1, 1, 1));
  EXPECT_EQ(Movie(Moov(0xFFFFFFFFu), 1), std::nullopt);  // wraps to 3599

  struct Conversion {
    std::uint32_t seconds;
    std::optional<CalendarTime> expected;
  } conversions[] = {
      {y1972, std::nullopt},
      {y1972 + 1, Ct(1972, 1, 1, 0, 0, 1)},
      {y1972 + 365 * 86400, Ct(1972, 12, 31)},
      // The count of whole years runs one day ahead on the last day of a leap year.
      {y1972 + 365 * 86400 + 43200, Ct(1973, 1, 1, 12)},
      {y1972 + 366 * 86400, Ct(1973, 1, 2)},
      {y1972 + 1461 * 86400, Ct(1976, 1, 1)},
      {static_cast<std::uint32_t>(UnixOf(2000, 2, 29, 23, 59, 59) + kUnixTo1904),
       Ct(2000, 2, 29, 23, 59, 59)},
  };
  for (const Conversion& c : conversions) {
    EXPECT_EQ(QuickTimeSecondsToCalendar(c.seconds), c.expected) << c.seconds;
  }
}

TEST(TimeZoneHoursTest, ReadsLikeAtoi) {
  const std::pair<std::u16string, int> cases[] = {
      {u" -5", -5}, {u"+3h", 3}, {u"", 0}, {u"x9", 0}, {u"- 5", 0},
  };
  for (const auto& [text, h] : cases) EXPECT_EQ(TimeZoneHours(text), h) << Utf16ToUtf8(text);
  EXPECT_EQ(TimeZoneHours(u"99999999999"), INT_MAX);
  EXPECT_EQ(TimeZoneHours(u"-99999999999"), INT_MIN);
}

// Every truncation and many single-byte damages of a small photo and movie
// must read without fault; where the damage cannot reach the date, the date
// is still found.
TEST_F(CaptureTimeTest, TruncatedAndDamagedFilesNeverFault) {
  const std::string jpeg =
      MakeJpeg({{kDigitized, kDate, 120}, {kOriginal, kDate, 4200}}, false, 4300, true);
  const std::size_t date_end = 30 + 4200 + 20;
  const std::string movie = kFtyp + Mdat(40) + Moov(kQt);
  for (std::size_t length = 0; length <= jpeg.size(); ++length) {
    const auto photo = Exif(jpeg.substr(0, length));
    EXPECT_TRUE(!photo || *photo == kExpected) << length;
    const auto film = length <= movie.size() ? Movie(movie.substr(0, length)) : std::nullopt;
    EXPECT_TRUE(!film || *film == kExpected) << length;
  }
  // Each byte set to 0, to 0xFF, and with its top bit flipped.
  auto damage = [](std::string bytes, std::size_t at, int how) {
    bytes[at] = how == 0 ? '\0' : how == 1 ? '\xFF' : static_cast<char>(bytes[at] ^ 0x80);
    return bytes;
  };
  for (std::size_t at = 0; at < jpeg.size(); ++at) {
    for (int how = 0; how < 3; ++how) {
      const auto r = Exif(damage(jpeg, at, how));
      if (at >= date_end) {
        EXPECT_EQ(r, kExpected) << at;
      }
      if (at < movie.size()) (void)Movie(damage(movie, at, how));
    }
  }
}

}  // namespace
}  // namespace tessivo
