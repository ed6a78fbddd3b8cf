#include "modes/date_name.h"

#include <gtest/gtest.h>

#include <string>

#include "modes/modes_test_util.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

const CalendarTime kTime = Ct(2014, 5, 6, 7, 8, 9);  // a Tuesday

DateParams Fixed(int format, const std::u16string& sep, bool units) {
  DateParams p;
  p.format_index = format, p.separator = sep, p.unit_characters = units;
  return p;
}

DateParams Custom(const std::u16string& format, const std::u16string& sep = u"",
                  bool units = false) {
  DateParams p = Fixed(-1, sep, units);
  p.custom_format = format;
  return p;
}

TEST(FormatDateTextTest, FixedAndCustomFormats) {
  DateParams both = Fixed(4, u"-", false);  // the custom text wins over a fixed index
  both.custom_format = u"MM";
  struct Case {
    DateParams params;
    std::u16string expected;
    CalendarTime time = kTime;
  } cases[] = {
      {Fixed(0, u"-", false), u"2014-05-06-07-08-09"},
      {Fixed(0, u"-", true), u"2014年-05月-06日-07時-08分-09秒"},
      {Fixed(1, u"-", true), u"2014年05月06日-07時08分09秒"},
      {Fixed(3, u"-", false), u"20140506-0708"},
      {Fixed(4, u"-", false), u"2014-05-06"},
      {Fixed(5, u"-", false), u"20140506070809"},
      {Fixed(6, u"-", true), u"2014年05月06日07時08分"},
      {Fixed(8, u"-", true), u"05月06日"},
      // The year is padded with spaces, the rest with zeros.
      {Fixed(0, u"", false), u" 9870102030405", Ct(987, 1, 2, 3, 4, 5)},
      {both, u"05"},
      {Fixed(9, u"-", false), u""},  // an index outside 0..8 means custom
      {Custom(u"YYYY-1M-1D(ww)"), u"2014-5-6(火)"},
      {Custom(u"2Y年MM月"), u"14年05月"},
      {Custom(u"MMxMM"), u"05xMM"},
      {Custom(u"〓a〓", u"_"), u"_a_"},
      {Custom(u"hh:mm:ss www"), u"07:08:09 Tue"},
      {Custom(u"1h1m1s"), u"789"},
      {Custom(u"YYYY2Y 1M"), u"20142Y 5"},  // "2Y" only stands in when "YYYY" is absent
      {Custom(u"YYYYMMDD", u"", true), u"2014年05月06日"},
      {Custom(u"wwww"), u"Tuew"},             // "www" goes first and leaves no "ww"
      {Custom(u"x〓y", u"〓〓"), u"x〓〓y"},  // the separator is not expanded again
      // Each replacement searches the text the earlier ones left: a year
      // ending in 1 followed by "M" reads as the "1M" token.
      {Custom(u"YYYYM"), u"2014M"},
      {Custom(u"YYYYM"), u"2015", Ct(2011, 5, 6)},
      // Only the first 128 characters of a custom format count.
      {Custom(std::u16string(128, u'x') + u"YYYY"), std::u16string(128, u'x')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatDateText(c.time, c.params), c.expected)
        << "format " << c.params.format_index << " " << Utf16ToUtf8(c.params.custom_format);
  }
  // The weekday comes from the date, not from the record's day_of_week.
  CalendarTime wrong_weekday = kTime;
  wrong_weekday.day_of_week = 5;
  EXPECT_EQ(FormatDateText(wrong_weekday, Custom(u"ww")), u"火");
}

FileTimes Times(const CalendarTime& creation, const CalendarTime& last_write) {
  FileTimes t;
  t.creation_local = creation, t.last_write_local = last_write;
  return t;
}

TEST(ApplyDateTest, PlacementsAndSources) {
  const FileTimes times = Times(kTime, Ct(2020, 1, 2, 3, 4, 5));
  int capture_calls = 0;
  auto provider = [&](std::optional<CalendarTime> t) -> CaptureTimeProvider {
    return [&capture_calls, t] {
      ++capture_calls;
      return t;
    };
  };
  const CaptureTimeProvider none = provider(std::nullopt);
  const CaptureTimeProvider shot = provider(Ct(1999, 12, 31, 23, 59, 58));
  struct Case {
    int source;
    int placement;
    const CaptureTimeProvider* capture;
    std::u16string expected;
    int calls;
  } cases[] = {
      {0, 0, &none, u"/p/2014_05_06.jpg", 0},       {0, 1, &none, u"/p/2014_05_06photo.jpg", 0},
      {0, 2, &none, u"/p/photo2014_05_06.jpg", 0},  {0, 3, &none, u"/p/2014_05_06_photo.jpg", 0},
      {0, 4, &none, u"/p/photo_2014_05_06.jpg", 0}, {0, 7, &none, u"/p/2014_05_06.jpg", 0},
      {1, 0, &shot, u"/p/2020_01_02.jpg", 0},       {2, 0, &shot, u"/p/1999_12_31.jpg", 1},
      {2, 2, &none, u"/p/photo.jpg", 1},            {3, 0, &shot, u"/p/1999_12_31.jpg", 1},
      {3, 0, &none, u"/p/2014_05_06.jpg", 1},       {-1, 0, &shot, u"/p/2014_05_06.jpg", 0},
  };
  for (const Case& c : cases) {
    DateParams p = Fixed(4, u"_", false);
    p.source = c.source;
    p.placement = c.placement;
    capture_calls = 0;
    EXPECT_EQ(ApplyDate(u"/p/photo.jpg", p, times, *c.capture), c.expected)
        << "source " << c.source << " placement " << c.placement;
    EXPECT_EQ(capture_calls, c.calls) << "source " << c.source;
  }
}

TEST(ApplyDateTest, FolderListsUnreadableTimesAndLongPaths) {
  const FileTimes times = Times(kTime, kTime);
  DateParams p = Fixed(7, u"", false);
  p.placement = kDateAfterName;
  EXPECT_EQ(ApplyDate(u"/p/a.b", p, times, {}), u"/p/a20140506.b");
  p.file_dir = true;
  EXPECT_EQ(ApplyDate(u"/p/a.b", p, times, {}), u"/p/a.b20140506");
  EXPECT_EQ(ApplyDate(u"/p/a.b", p, std::nullopt, {}), u"");
  // The whole path is cut to 259 characters, extension included.
  const std::u16string long_path = u"/" + std::u16string(250, u'n') + u".jpg";
  const std::u16string result = ApplyDate(long_path, p, times, {});
  EXPECT_EQ(result.size(), 259u);
  EXPECT_EQ(result.substr(251), u".jpg2014");
  p.source = kDateFromCapture;
  EXPECT_EQ(ApplyDate(long_path + u"xxxxxxxx", p, times, {}), long_path + u"xxxx");
}

TEST(TransformDateTest, ReadsTimesAndCaptureTimeFromTheFileOnDisk) {
  FakeFileSystem fs;
  const FixedOffsetTimeZone tokyo(9 * 3600);
  // 2021-01-01 00:00:00 UTC created, a day later written.
  fs.AddFile(u"/p/a.png", "x", FakeFileSystem::kDefaultTime + 864'000'000'000LL,
             FakeFileSystem::kDefaultTime);
  std::string jpeg = std::string("\xFF\xD8\xFF\xE1\x00\x40", 6) +
                     std::string("Exif\0\0MM\0\x2A", 10) +
                     std::string("\0\0\0\x08\0\x01\x90\x03\0\x02\0\0\0\x14\0\0\0\x1A\0\0\0\0", 22) +
                     "2014:05:06 07:08:09";
  jpeg.resize(80, '\0');
  fs.AddFile(u"/p/old.jpg", jpeg);

  DateParams p = Fixed(0, u"-", false);
  EXPECT_EQ(TransformDate(fs, tokyo, u"/p/a.png", u"/p/a.png", p), u"/p/2021-01-01-09-00-00.png");
  p.source = kDateFromLastWrite;
  EXPECT_EQ(TransformDate(fs, tokyo, u"/p/a.png", u"/p/a.png", p), u"/p/2021-01-02-09-00-00.png");
  p.source = kDateFromCapture;
  EXPECT_EQ(TransformDate(fs, tokyo, u"/p/a.png", u"/p/a.png", p), u"/p/a.png");
  p.source = kDateFromCaptureOrCreation;
  EXPECT_EQ(TransformDate(fs, tokyo, u"/p/a.png", u"/p/a.png", p), u"/p/2021-01-01-09-00-00.png");
  // The row's name may differ from the file's during a macro; the file is read.
  EXPECT_EQ(TransformDate(fs, tokyo, u"/p/renamed.jpg", u"/p/old.jpg", p),
            u"/p/2014-05-06-07-08-09.jpg");
  EXPECT_EQ(TransformDate(fs, tokyo, u"/p/gone.jpg", u"/p/gone.jpg", p), u"");
}

}  // namespace
}  // namespace tessivo
