#include "modes/calendar.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "modes/modes_test_util.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

TEST(AddToDateTimeTest, CarriesBothWaysAndRefusesInvalidRecordsAndRanges) {
  struct Case {
    CalendarTime start;
    std::int64_t days, seconds;
    std::optional<CalendarTime> expected;  // nullopt: refused, record unchanged
  } cases[] = {
      // The largest row increment the 32-bit product allows: 3550 weeks.
      {Ct(2014, 1, 1, 10), 0, 604800LL * 3550, Ct(2082, 1, 14, 10)},
      {Ct(2014, 3, 1, 0, 10), -1, -5400, Ct(2014, 2, 27, 22, 40)},
      {Ct(2014, 2, 29), 1, 0, std::nullopt},
      {Ct(30827, 12, 31, 23, 59, 59), 0, 1, std::nullopt},
      {Ct(1, 1, 1), -1, 0, std::nullopt},
      {Ct(2014, 1, 1), 1LL << 40, 0, std::nullopt},
      {Ct(2014, 1, 1), 0, -(1LL << 50), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << testing::PrintToString(c.start) << " " << c.days << " d " << c.seconds << " s");
    // The millisecond and a (deliberately stale) weekday ride along unchanged.
    CalendarTime t = c.start;
    CalendarTime expected = c.expected.value_or(c.start);
    t.millisecond = expected.millisecond = 789;
    t.day_of_week = expected.day_of_week = 6;
    EXPECT_EQ(AddToDateTime(t, c.days, c.seconds), c.expected.has_value());
    EXPECT_EQ(t, expected);
  }
  // No offset at all leaves even an invalid record alone and succeeds.
  CalendarTime invalid = Ct(2014, 13, 40);
  EXPECT_TRUE(AddToDateTime(invalid, 0, 0));
  EXPECT_EQ(invalid, Ct(2014, 13, 40));
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
    const CalendarTime expected = !last_of_month ? Ct(t.year, t.month, t.day + 1, 13, 14, 15)
                                  : t.month < 12 ? Ct(t.year, t.month + 1, 1, 13, 14, 15)
                                                 : Ct(t.year + 1, 1, 1, 13, 14, 15);
    ASSERT_EQ(next, expected);
    weekday = (weekday + 1) % 7;
    ASSERT_EQ(DayOfWeek(next.year, next.month, next.day), weekday) << testing::PrintToString(next);
    CalendarTime back = next;
    ASSERT_TRUE(AddToDateTime(back, 0, -86400));
    ASSERT_EQ(back, t);
    t = next;
    ++steps;
  }
  CalendarTime jumped = start;
  ASSERT_TRUE(AddToDateTime(jumped, steps, 0));
  EXPECT_EQ(jumped, t);
  ASSERT_TRUE(AddToDateTime(jumped, 0, -steps * 86400));
  EXPECT_EQ(jumped, start);
}

// Anchors for the walk above, which checks weekdays only relative to its start.
TEST(DayOfWeekTest, KnownDates) {
  EXPECT_EQ(DayOfWeek(1601, 1, 1), 1);
  EXPECT_EQ(DayOfWeek(2000, 2, 29), 2);
}

TEST(FormatTimeTest, WritesTheLogFormat) {
  EXPECT_EQ(FormatTime(Ct(2014, 5, 6, 10, 2, 3, 999)), u"2014/05/06 10:02:03");
  EXPECT_EQ(FormatTime(Ct(999, 12, 31, 23, 59, 59)), u" 999/12/31 23:59:59");
}

TEST(ParseTimeTest, ReadsDigitsAtFixedOffsetsAndRejectsNearMisses) {
  struct Case {
    std::u16string text;
    std::size_t offset;
    std::optional<CalendarTime> expected;
  } cases[] = {
      {u"<作成：2014/05/06 10:02:03>", 4, Ct(2014, 5, 6, 10, 2, 3)},
      // Only the two colons are checked among the separators.
      {u"2014-05-06T10:02:03", 0, Ct(2014, 5, 6, 10, 2, 3)},
      // Values are not checked here.
      {u"2014/13/45 99:99:99", 0, Ct(2014, 13, 45, 99, 99, 99)},
      {u"2014/05/06 10:02:0", 0, std::nullopt},     // one character short
      {u"2014/05/06 10:02:03", 1, std::nullopt},    // offset leaves 18 characters
      {u"2014/05/06 10:02:03", 400, std::nullopt},  // past the end
      {u" 999/05/06 10:02:03", 0, std::nullopt},    // a padded year has no digit in front
      {u"2014/05/06 10.02:03", 0, std::nullopt},    // '.' where the first colon belongs
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseTime(c.text, c.offset), c.expected ? WithWeekday(*c.expected) : c.expected)
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
      EXPECT_EQ(zone.ToLocal(c.utc), WithWeekday(c.local)) << c.utc;
    }
    if (c.way != kToLocalOnly) {
      EXPECT_EQ(zone.ToUtc(c.local), c.utc) << testing::PrintToString(c.local);
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
    ASSERT_EQ(zone.ToUtc(*local), second_pass ? t - hour : t) << testing::PrintToString(*local);
  }
}

TEST(FixedOffsetTimeZoneTest, RangeLimits) {
  const FixedOffsetTimeZone utc(0);
  EXPECT_EQ(utc.ToLocal(0), WithWeekday(Ct(1601, 1, 1)));
  EXPECT_FALSE(utc.ToLocal(-1).has_value());
  EXPECT_FALSE(FixedOffsetTimeZone(-3600).ToLocal(0).has_value());
  EXPECT_EQ(utc.ToUtc(Ct(1601, 1, 1)), FileTime{0});
  EXPECT_EQ(utc.ToUtc(Ct(2016, 2, 29, 23, 59, 59, 999)),
            UtcFileTime(2016, 2, 29, 23, 59, 59) + 9'990'000);
  for (const CalendarTime& bad :
       {Ct(1600, 12, 31, 23, 59, 59), Ct(2014, 2, 29), Ct(2014, 1, 1, 0, 0, 0, 1000)}) {
    EXPECT_FALSE(utc.ToUtc(bad).has_value()) << testing::PrintToString(bad);
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
  EXPECT_EQ(read->creation_local, WithWeekday(Ct(2013, 1, 2, 12, 4, 5)));
  EXPECT_EQ(read->last_write_local, WithWeekday(Ct(2014, 5, 6, 10)));
  auto missing = AccessFileTimes(fs, zone, u"/d/none.txt");
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error().code, ErrorCode::kNotFound);
}

}  // namespace
}  // namespace tessivo
