#include "modes/calendar.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "support/fake_file_system.h"

namespace tessivo {
namespace {

CalendarTime Ct(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  auto u = [](int v) { return static_cast<std::uint16_t>(v); };
  return {u(y), u(mo), 0, u(d), u(h), u(mi), u(s), u(ms)};
}

std::string Show(const CalendarTime& t) {
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d dow%d", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.millisecond, t.day_of_week);
  return buffer;
}

// A UTC file time computed by the C library, independently of the code under test.
FileTime UtcFileTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  struct tm t {};
  t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d;
  t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
  return (static_cast<FileTime>(timegm(&t)) + kFileTimeUnixEpochSeconds) * 10'000'000;
}

TEST(AddToDateTimeTest, CarriesThroughDaysMonthsAndYearsBothWays) {
  struct Case {
    CalendarTime start;
    std::int64_t days, seconds;
    CalendarTime expected;
  } cases[] = {
      {Ct(2014, 12, 31, 23, 59, 59), 0, 1, Ct(2015, 1, 1, 0, 0, 0)},
      {Ct(2014, 1, 31), 30, 0, Ct(2014, 3, 2)},
      {Ct(2014, 1, 31, 23), 0, 3600 * 24 * 28 + 3600, Ct(2014, 3, 1, 0)},
      // The largest row increment the 32-bit product allows: 3550 weeks.
      {Ct(2014, 1, 1, 10), 0, 604800LL * 3550, Ct(2082, 1, 14, 10)},
      {Ct(2014, 3, 1, 0, 0, 30), 0, -60, Ct(2014, 2, 28, 23, 59, 30)},
      {Ct(2016, 3, 1), -1, 0, Ct(2016, 2, 29)},
      {Ct(2014, 3, 1, 0, 10), -1, -5400, Ct(2014, 2, 27, 22, 40)},
      {Ct(2015, 1, 1), -366, -1, Ct(2013, 12, 30, 23, 59, 59)},
      {Ct(2016, 12, 31, 23, 59, 59), -366, -86399, Ct(2015, 12, 31, 0, 0, 0)},
      {Ct(2014, 5, 6, 10), 0, 0, Ct(2014, 5, 6, 10)},
  };
  for (const auto& c : cases) {
    // The millisecond and a (deliberately stale) weekday ride along unchanged.
    CalendarTime t = c.start;
    CalendarTime expected = c.expected;
    t.millisecond = expected.millisecond = 789;
    t.day_of_week = expected.day_of_week = 6;
    ASSERT_TRUE(AddToDateTime(t, c.days, c.seconds)) << Show(c.start) << " " << c.days;
    EXPECT_EQ(Show(t), Show(expected)) << Show(c.start) << " " << c.days << " " << c.seconds;
  }
}

TEST(AddToDateTimeTest, RefusesInvalidRecordsAndResultsOutOfRange) {
  struct Case {
    CalendarTime start;
    std::int64_t days, seconds;
  } cases[] = {
      {Ct(2014, 13, 1), 1, 0},
      {Ct(2014, 2, 29), 1, 0},
      {Ct(2014, 1, 1, 0, 60), 0, 1},
      {Ct(30827, 12, 31, 23, 59, 59), 0, 1},
      {Ct(1, 1, 1), -1, 0},
      {Ct(2014, 1, 1), 1LL << 40, 0},
      {Ct(2014, 1, 1), 0, -(1LL << 50)},
  };
  for (const auto& c : cases) {
    CalendarTime t = c.start;
    EXPECT_FALSE(AddToDateTime(t, c.days, c.seconds)) << Show(c.start) << " " << c.days;
    EXPECT_EQ(Show(t), Show(c.start)) << "record changed";
  }
  // No offset at all leaves even an invalid record alone and succeeds.
  CalendarTime invalid = Ct(2014, 13, 40);
  EXPECT_TRUE(AddToDateTime(invalid, 0, 0));
  EXPECT_EQ(Show(invalid), Show(Ct(2014, 13, 40)));
}

// Day by day over four centuries (1899..2301, so 1900, 2000, 2100, 2200 and
// 2300 are crossed): each step either goes to the next day of the month or,
// after the month's last day, to the 1st of the next month; the weekday moves
// on by one; and one jump of the whole span lands on the same date.
TEST(AddToDateTimeTest, DayByDayWalkAgreesWithMonthLengthsAndWeekdays) {
  const CalendarTime start = Ct(1899, 12, 25, 13, 14, 15);
  CalendarTime t = start;
  int weekday = DayOfWeek(t.year, t.month, t.day);
  std::int64_t steps = 0;
  while (t.year < 2301) {
    CalendarTime next = t;
    ASSERT_TRUE(AddToDateTime(next, 1, 0));
    const bool last_of_month = t.day == DaysInMonth(t.year, t.month);
    if (!last_of_month) {
      ASSERT_TRUE(next == Ct(t.year, t.month, t.day + 1, 13, 14, 15)) << Show(t);
    } else if (t.month < 12) {
      ASSERT_TRUE(next == Ct(t.year, t.month + 1, 1, 13, 14, 15)) << Show(t);
    } else {
      ASSERT_TRUE(next == Ct(t.year + 1, 1, 1, 13, 14, 15)) << Show(t);
    }
    weekday = (weekday + 1) % 7;
    ASSERT_EQ(DayOfWeek(next.year, next.month, next.day), weekday) << Show(next);
    CalendarTime back = next;
    ASSERT_TRUE(AddToDateTime(back, 0, -86400));
    ASSERT_TRUE(back == t) << Show(t);
    t = next;
    ++steps;
  }
  CalendarTime jumped = start;
  ASSERT_TRUE(AddToDateTime(jumped, steps, 0));
  EXPECT_EQ(Show(jumped), Show(t));
  ASSERT_TRUE(AddToDateTime(jumped, 0, -steps * 86400));
  EXPECT_EQ(Show(jumped), Show(start));
}

// Anchors for the walk above, which checks weekdays only relative to its start.
TEST(DayOfWeekTest, KnownDates) {
  EXPECT_EQ(DayOfWeek(1601, 1, 1), 1);
  EXPECT_EQ(DayOfWeek(1970, 1, 1), 4);
  EXPECT_EQ(DayOfWeek(2000, 2, 29), 2);
}

TEST(FormatTimeTest, WritesTheLogFormat) {
  EXPECT_EQ(FormatTime(Ct(2014, 5, 6, 10, 2, 3, 999)), u"2014/05/06 10:02:03");
  EXPECT_EQ(FormatTime(Ct(999, 12, 31, 23, 59, 59)), u" 999/12/31 23:59:59");
  EXPECT_EQ(FormatTime(CalendarTime{}), u"   0/00/00 00:00:00");
}

TEST(ParseTimeTest, ReadsDigitsAtFixedOffsets) {
  struct Case {
    std::u16string text;
    std::size_t offset;
    CalendarTime expected;
  } cases[] = {
      {u"2014/05/06 10:02:03", 0, Ct(2014, 5, 6, 10, 2, 3)},
      {u"<作成：2014/05/06 10:02:03>", 4, Ct(2014, 5, 6, 10, 2, 3)},
      // Only the two colons are checked among the separators.
      {u"2014-05-06T10:02:03", 0, Ct(2014, 5, 6, 10, 2, 3)},
      // Values are not checked here.
      {u"2014/13/45 99:99:99", 0, Ct(2014, 13, 45, 99, 99, 99)},
      {u"xx0001/01/01 00:00:00", 2, Ct(1, 1, 1)},
  };
  for (const auto& c : cases) {
    auto t = ParseTime(c.text, c.offset);
    ASSERT_TRUE(t.has_value()) << "length " << c.text.size() << " offset " << c.offset;
    CalendarTime expected = c.expected;
    expected.day_of_week =
        static_cast<std::uint16_t>(DayOfWeek(expected.year, expected.month, expected.day));
    EXPECT_EQ(Show(*t), Show(expected)) << "offset " << c.offset;
  }
}

TEST(ParseTimeTest, NearMissesAreRejected) {
  struct Case {
    std::u16string text;
    std::size_t offset;
  } cases[] = {
      {u"2014/05/06 10:02:0", 0},     // one character short
      {u"2014/05/06 10:02:03", 1},    // offset leaves 18 characters
      {u"2014/05/06 10:02:03", 400},  // past the end
      {u" 999/05/06 10:02:03", 0},    // a padded year has no digit in front
      {u"2014/05/06 10.02:03", 0},    // '.' where the first colon belongs
      {u"2014/05/06 10:02-03", 0},    // second colon missing
      {u"2014/05/06 1 :02:03", 0},
      {u"２０１４/05/06 10:02:03", 0},  // full-width digits are not digits here
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(ParseTime(c.text, c.offset).has_value())
        << "length " << c.text.size() << " offset " << c.offset;
  }
}

// Sets TZ for one test and puts the old value back afterwards.
class ZoneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TZ");
    if (old) old_tz_ = old;
  }
  void TearDown() override {
    old_tz_ ? setenv("TZ", old_tz_->c_str(), 1) : unsetenv("TZ");
    tzset();
  }
  static void UseZone(const char* tz) { setenv("TZ", tz, 1); }

 private:
  std::optional<std::string> old_tz_;
};

// Central European time written as a POSIX rule, so the test needs no zone files.
constexpr char kBerlinRule[] = "CET-1CEST,M3.5.0,M10.5.0/3";

TEST_F(ZoneTest, ConvertsWithTheOffsetInForceAtThatDate) {
  UseZone(kBerlinRule);
  const SystemTimeZone zone;
  enum Way { kBoth, kToLocalOnly, kToUtcOnly };
  struct Case {
    FileTime utc;
    CalendarTime local;
    Way way;
  } cases[] = {
      {UtcFileTime(2014, 1, 15, 12), Ct(2014, 1, 15, 13), kBoth},
      {UtcFileTime(2014, 7, 1, 12), Ct(2014, 7, 1, 14), kBoth},
      {UtcFileTime(2014, 12, 31, 23, 30), Ct(2015, 1, 1, 0, 30), kBoth},
      {UtcFileTime(2014, 5, 6, 8) + 1'234'567, Ct(2014, 5, 6, 10, 0, 0, 123), kToLocalOnly},
      {UtcFileTime(2014, 5, 6, 8) + 2'500'000, Ct(2014, 5, 6, 10, 0, 0, 250), kBoth},
      // Spring change at 01:00 UTC: 02:00..02:59 local is skipped; read with
      // winter time, 02:30 is 03:30 summer time.
      {UtcFileTime(2014, 3, 30, 0, 59, 59), Ct(2014, 3, 30, 1, 59, 59), kBoth},
      {UtcFileTime(2014, 3, 30, 1), Ct(2014, 3, 30, 3), kBoth},
      {UtcFileTime(2014, 3, 30, 1, 30), Ct(2014, 3, 30, 2, 30), kToUtcOnly},
      // Autumn change at 01:00 UTC: 02:30 local happens twice; the first counts.
      {UtcFileTime(2014, 10, 26, 0, 30), Ct(2014, 10, 26, 2, 30), kBoth},
      {UtcFileTime(2014, 10, 26, 1, 30), Ct(2014, 10, 26, 2, 30), kToLocalOnly},
      {UtcFileTime(2014, 10, 26, 2), Ct(2014, 10, 26, 3), kBoth},
  };
  for (const auto& c : cases) {
    if (c.way != kToUtcOnly) {
      CalendarTime expected = c.local;
      expected.day_of_week =
          static_cast<std::uint16_t>(DayOfWeek(expected.year, expected.month, expected.day));
      auto local = zone.ToLocal(c.utc);
      ASSERT_TRUE(local.has_value()) << c.utc;
      EXPECT_EQ(Show(*local), Show(expected)) << c.utc;
    }
    if (c.way != kToLocalOnly) {
      EXPECT_EQ(zone.ToUtc(c.local), c.utc) << Show(c.local);
    }
  }
}

// Every quarter hour of a year goes there and back unchanged, except the
// second pass through the repeated autumn hour, which comes back as the first.
TEST_F(ZoneTest, RoundTripOverAYear) {
  UseZone(kBerlinRule);
  const SystemTimeZone zone;
  const FileTime hour = 3600LL * 10'000'000;
  for (FileTime t = UtcFileTime(2014, 1, 1); t < UtcFileTime(2015, 1, 1); t += hour / 4) {
    auto local = zone.ToLocal(t);
    ASSERT_TRUE(local.has_value());
    const bool second_pass = t >= UtcFileTime(2014, 10, 26, 1) && t < UtcFileTime(2014, 10, 26, 2);
    ASSERT_EQ(zone.ToUtc(*local), second_pass ? t - hour : t) << Show(*local);
  }
}

TEST(FixedOffsetTimeZoneTest, RangeLimits) {
  const FixedOffsetTimeZone utc(0);
  EXPECT_EQ(Show(*utc.ToLocal(0)), "1601-01-01 00:00:00.000 dow1");
  EXPECT_FALSE(utc.ToLocal(-1).has_value());
  EXPECT_FALSE(FixedOffsetTimeZone(-3600).ToLocal(0).has_value());
  EXPECT_EQ(utc.ToUtc(Ct(1601, 1, 1)), FileTime{0});
  EXPECT_EQ(utc.ToUtc(Ct(2016, 2, 29, 23, 59, 59, 999)),
            UtcFileTime(2016, 2, 29, 23, 59, 59) + 9'990'000);
  for (const CalendarTime& bad :
       {Ct(1600, 12, 31, 23, 59, 59), Ct(2014, 2, 29), Ct(2014, 1, 1, 0, 0, 0, 1000)}) {
    EXPECT_FALSE(utc.ToUtc(bad).has_value()) << Show(bad);
  }
}

// Setting through AccessFileTimes, with its failures, is covered by the
// timestamp apply tests; here the reading side.
TEST(AccessFileTimesTest, ReadsBothTimesInLocalTime) {
  const FixedOffsetTimeZone zone(9 * 3600);
  FakeFileSystem fs;
  fs.forbid_changes_ = true;
  fs.AddFile(u"/d/a.txt", "", UtcFileTime(2014, 5, 6, 1), UtcFileTime(2013, 1, 2, 3, 4, 5));
  auto read = AccessFileTimes(fs, zone, u"/d/a.txt");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->creation, UtcFileTime(2013, 1, 2, 3, 4, 5));
  EXPECT_EQ(read->last_write, UtcFileTime(2014, 5, 6, 1));
  EXPECT_EQ(Show(read->creation_local), "2013-01-02 12:04:05.000 dow3");
  EXPECT_EQ(Show(read->last_write_local), "2014-05-06 10:00:00.000 dow2");
  auto missing = AccessFileTimes(fs, zone, u"/d/none.txt");
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error().code, ErrorCode::kNotFound);
}

}  // namespace
}  // namespace tessivo
