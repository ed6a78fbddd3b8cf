#include <gtest/gtest.h>
#include <time.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <tuple>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "modes/attributes.h"
#include "modes/calendar.h"
#include "modes/capture_time.h"
#include "modes/date_name.h"
#include "modes/timestamp.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {

// A CalendarTime with day_of_week 0.
inline CalendarTime Ct(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  auto u = [](int v) { return static_cast<std::uint16_t>(v); };
  return {u(y), u(mo), 0, u(d), u(h), u(mi), u(s), u(ms)};
}

inline CalendarTime WithWeekday(CalendarTime t) {
  t.day_of_week = static_cast<std::uint16_t>(DayOfWeek(t.year, t.month, t.day));
  return t;
}

// Seconds since 1970-01-01 00:00:00 UTC.
inline std::int64_t UnixOf(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  struct tm t {};
  t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d;
  t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
  return timegm(&t);
}

inline FileTime UtcFileTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return (UnixOf(y, mo, d, h, mi, s) + kFileTimeUnixEpochSeconds) * 10'000'000;
}

inline void PrintTo(const CalendarTime& t, std::ostream* os) {
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d dow%d", t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.millisecond, t.day_of_week);
  *os << buffer;
}

namespace {

TEST(CalendarTest, AddCarriesBothWaysAndAgreesWithADayByDayWalkAndTimesParseAtFixedOffsets) {
  // start, days, seconds, the result (nullopt: refused, the record unchanged).
  std::tuple<CalendarTime, std::int64_t, std::int64_t, std::optional<CalendarTime>> cases[] = {
      // The largest row increment the 32-bit product allows: 3550 weeks.
      {Ct(2014, 1, 1, 10), 0, 604800LL * 3550, Ct(2082, 1, 14, 10)},
      {Ct(2014, 3, 1, 0, 10), -1, -5400, Ct(2014, 2, 27, 22, 40)},
      {Ct(2014, 2, 29), 1, 0, std::nullopt}, {Ct(30827, 12, 31, 23, 59, 59), 0, 1, std::nullopt},
      {Ct(1, 1, 1), -1, 0, std::nullopt},    {Ct(2014, 1, 1), 1LL << 40, 0, std::nullopt},
      {Ct(2014, 1, 1), 0, -(1LL << 50), std::nullopt},
      // No offset at all leaves even an invalid record alone and succeeds.
      {Ct(2014, 13, 40), 0, 0, Ct(2014, 13, 40)},
  };
  for (const auto& [start, days, seconds, result] : cases) {
    SCOPED_TRACE(testing::Message() << testing::PrintToString(start) << " " << days << " d");
    // The millisecond and a (deliberately stale) weekday ride along unchanged.
    CalendarTime t = start;
    CalendarTime expected = result.value_or(start);
    t.millisecond = expected.millisecond = 789;
    t.day_of_week = expected.day_of_week = 6;
    EXPECT_EQ(AddToDateTime(t, days, seconds), result.has_value()) << seconds << " s";
    EXPECT_EQ(t, expected) << seconds << " s";
  }
  // Day by day over 1899..2301 (1900, 2000, 2100, 2200, 2300 crossed): each step goes to the
  // next day of the month or the 1st of the next; the weekday moves on by one (anchored by two
  // known dates); and one jump of the whole span lands on the same date.
  EXPECT_EQ(std::pair(DayOfWeek(1601, 1, 1), DayOfWeek(2000, 2, 29)), std::pair(1, 2));
  const CalendarTime start = Ct(1899, 12, 25, 13, 14, 15);
  CalendarTime t = start;
  int weekday = DayOfWeek(t.year, t.month, t.day);
  std::int64_t steps = 0;
  for (; t.year < 2301; ++steps) {
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
  }
  CalendarTime jumped = start;
  ASSERT_TRUE(AddToDateTime(jumped, steps, 0));
  EXPECT_EQ(jumped, t);
  ASSERT_TRUE(AddToDateTime(jumped, 0, -steps * 86400));
  EXPECT_EQ(jumped, start);
  EXPECT_EQ(FormatTime(Ct(2014, 5, 6, 10, 2, 3, 999)), u"2014/05/06 10:02:03");
  EXPECT_EQ(FormatTime(Ct(999, 12, 31, 23, 59, 59)), u" 999/12/31 23:59:59");
  const std::tuple<std::u16string, std::size_t, std::optional<CalendarTime>> texts[] = {
      {u"<作成：2014/05/06 10:02:03>", 4, Ct(2014, 5, 6, 10, 2, 3)},
      {u"2014-05-06T10:02:03", 0, Ct(2014, 5, 6, 10, 2, 3)},  // only the colons are checked
      {u"2014/13/45 99:99:99", 0, Ct(2014, 13, 45, 99, 99, 99)},  // values are not checked
      {u"2014/05/06 10:02:0", 0, std::nullopt},     // one character short
      {u"2014/05/06 10:02:03", 1, std::nullopt},    // offset leaves 18 characters
      {u"2014/05/06 10:02:03", 400, std::nullopt},  // past the end
      {u" 999/05/06 10:02:03", 0, std::nullopt},    // a padded year has no digit in front
      {u"2014/05/06 10.02:03", 0, std::nullopt},    // '.' where the first colon belongs
  };
  for (const auto& [text, offset, expected] : texts) {
    EXPECT_EQ(ParseTime(text, offset), expected ? WithWeekday(*expected) : expected)
        << "length " << text.size() << " offset " << offset;
  }
}

// Central European time as a POSIX rule, needing no zone files; the old TZ is put back after.
class ZoneTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1); }
  void TearDown() override {
    old_tz_ ? setenv("TZ", old_tz_->c_str(), 1) : unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> old_tz_ =
      std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
};

TEST_F(ZoneTest, ConvertsWithTheOffsetInForceAtThatDateOrAFixedOneWithinRange) {
  const SystemTimeZone zone;
  enum Way { kBoth, kToLocalOnly, kToUtcOnly };
  const std::tuple<FileTime, CalendarTime, Way> cases[] = {
      {UtcFileTime(2014, 1, 15, 12), Ct(2014, 1, 15, 13), kBoth},
      {UtcFileTime(2014, 7, 1, 12), Ct(2014, 7, 1, 14), kBoth},
      {UtcFileTime(2014, 5, 6, 8) + 1'234'567, Ct(2014, 5, 6, 10, 0, 0, 123), kToLocalOnly},
      {UtcFileTime(2014, 5, 6, 8) + 2'500'000, Ct(2014, 5, 6, 10, 0, 0, 250), kBoth},
      // Spring change at 01:00 UTC: 02:00..02:59 local is skipped; 02:30 reads as winter time.
      {UtcFileTime(2014, 3, 30, 0, 59, 59), Ct(2014, 3, 30, 1, 59, 59), kBoth},
      {UtcFileTime(2014, 3, 30, 1), Ct(2014, 3, 30, 3), kBoth},
      {UtcFileTime(2014, 3, 30, 1, 30), Ct(2014, 3, 30, 2, 30), kToUtcOnly},
      // Autumn change at 01:00 UTC: 02:30 local happens twice; the first counts.
      {UtcFileTime(2014, 10, 26, 0, 30), Ct(2014, 10, 26, 2, 30), kBoth},
      {UtcFileTime(2014, 10, 26, 1, 30), Ct(2014, 10, 26, 2, 30), kToLocalOnly},
      {UtcFileTime(2014, 10, 26, 2), Ct(2014, 10, 26, 3), kBoth},
  };
  for (const auto& [utc, local, way] : cases) {
    if (way != kToUtcOnly) {
      EXPECT_EQ(zone.ToLocal(utc), WithWeekday(local)) << utc;
    }
    if (way != kToLocalOnly) {
      EXPECT_EQ(zone.ToUtc(local), utc) << utc;
    }
  }
  // Every quarter hour of a year goes there and back, but the repeated autumn hour's second pass.
  const FileTime hour = 3600LL * 10'000'000;
  for (FileTime t = UtcFileTime(2014, 1, 1); t < UtcFileTime(2015, 1, 1); t += hour / 4) {
    auto local = zone.ToLocal(t);
    ASSERT_TRUE(local.has_value());
    const bool second_pass = t >= UtcFileTime(2014, 10, 26, 1) && t < UtcFileTime(2014, 10, 26, 2);
    ASSERT_EQ(zone.ToUtc(*local), second_pass ? t - hour : t) << testing::PrintToString(*local);
  }
  // A fixed offset within the range of file times.
  const FixedOffsetTimeZone utc(0);
  EXPECT_EQ(utc.ToLocal(0), WithWeekday(Ct(1601, 1, 1)));
  EXPECT_EQ(utc.ToUtc(Ct(1601, 1, 1)), FileTime{0});
  EXPECT_EQ(utc.ToUtc(Ct(2016, 2, 29, 23, 59, 59, 999)),
            UtcFileTime(2016, 2, 29, 23, 59, 59) + 9'990'000);
  EXPECT_EQ(std::pair(utc.ToLocal(-1), FixedOffsetTimeZone(-3600).ToLocal(0)),
            std::pair(std::optional<CalendarTime>(), std::optional<CalendarTime>()));
  for (const CalendarTime& bad :
       {Ct(1600, 12, 31, 23, 59, 59), Ct(2014, 2, 29), Ct(2014, 1, 1, 0, 0, 0, 1000)}) {
    EXPECT_FALSE(utc.ToUtc(bad).has_value()) << testing::PrintToString(bad);
  }
}

FileTimes Current(const CalendarTime& creation, const CalendarTime& last_write) {
  return {.creation_local = creation, .last_write_local = last_write};
}

TimestampParams SetParams(int operation, const CalendarTime& picker, int increment = 0) {
  TimestampParams p;
  p.operation = operation, p.picker = picker, p.increment_seconds = increment;
  return p;
}

TimestampParams CopyParams(int operation, int only_when) {
  TimestampParams p = SetParams(operation, Ct(2000, 1, 1));
  p.only_when = only_when;
  return p;
}

// Shifts by `days` and the time of day of `amount`; only_when is set and must not matter.
TimestampParams ShiftParams(int operation, int direction, int days, const CalendarTime& amount) {
  TimestampParams p = CopyParams(operation, 1);
  p.picker = amount, p.shift_direction = direction, p.shift_days = days;
  return p;
}

TEST(DescribeTimestampTest, EachOperationTheCurrentTimeAndTheFileReadOnlyWhenNeeded) {
  const CalendarTime early = Ct(2014, 1, 1, 8, 0, 0);
  const CalendarTime late = Ct(2015, 6, 30, 23, 59, 58);
  const std::u16string kNot = u"** 変更されません **";
  const std::optional<FileTimes> none;
  // The parameters, the file's times, the row, whether the run is on FAT, the description.
  const std::tuple<TimestampParams, std::optional<FileTimes>, std::int64_t, bool, std::u16string>
      cases[] = {
      // Set operations add row × increment; an entry above the limit counts as one week.
      {SetParams(0, Ct(2014, 5, 6, 10), 60), none, 1, false, u"<作成：2014/05/06 10:01:00>"},
      {SetParams(1, Ct(2014, 5, 6, 10), 0), none, 7, false, u"<更新：2014/05/06 10:00:00>"},
      {SetParams(0, Ct(2014, 5, 6, 10), 9999999), none, 1, false, u"<作成：2014/05/13 10:00:00>"},
      // Beyond what 32-bit arithmetic would allow for the largest increment.
      {SetParams(0, Ct(2014, 1, 1, 10), 604800), none, 3551, false, u"<作成：2082/01/21 10:00:00>"},
      // FAT keeps even seconds: the chosen time is rounded down once, before the increment.
      {SetParams(0, Ct(2014, 5, 6, 10, 0, 1)), none, 0, true, u"<作成：2014/05/06 10:00:00>"},
      {SetParams(0, Ct(2014, 5, 6, 10, 0, 1)), none, 0, false, u"<作成：2014/05/06 10:00:01>"},
      {SetParams(2, Ct(2014, 5, 6, 10, 0, 59), 3), none, 1, true, u"<両方：2014/05/06 10:01:01>"},
      // Copies: creation := last write (3), last write := creation (4), with only-when.
      {CopyParams(3, 0), Current(early, late), 0, false, u"<作成：2015/06/30 23:59:58>"},
      {CopyParams(3, 2), Current(late, early), 0, false, u"<作成：2014/01/01 08:00:00>"},
      {CopyParams(3, 2), Current(early, late), 0, false, kNot},
      {CopyParams(3, 1), Current(late, early), 0, false, kNot},
      {CopyParams(3, 1), Current(early, early), 0, false, kNot},
      {CopyParams(3, 2), Current(early, early), 0, false, kNot},
      {CopyParams(4, 2), Current(early, late), 0, false, u"<更新：2014/01/01 08:00:00>"},
      {CopyParams(4, 1), Current(late, early), 0, false, u"<更新：2015/06/30 23:59:58>"},
      // Times are compared to the second (milliseconds do not count), date first.
      {CopyParams(3, 2), Current(Ct(2014, 1, 1, 8, 0, 0, 900), Ct(2014, 1, 1, 8, 0, 0, 100)), 0,
       false, kNot},
      {CopyParams(4, 1), Current(Ct(2014, 1, 2), Ct(2014, 1, 1, 23, 59, 59)), 0, false,
       u"<更新：2014/01/02 00:00:00>"},
      // Shifts by days and a time of day; more than 366 days counts as 366.
      {ShiftParams(5, 0, 1, Ct(2000, 1, 1, 1, 30)), Current(Ct(2014, 3, 1, 0, 10), early), 5, true,
       u"<作成：2014/02/27 22:40:00>"},
      {ShiftParams(6, 1, 366, Ct(2000, 1, 1, 23, 59, 59)), Current(early, Ct(2015, 3, 1, 0, 0, 1)),
       5, true, u"<更新：2016/03/02 00:00:00>"},
      {ShiftParams(6, 0, 1000, Ct(2000, 1, 1)), Current(early, Ct(2017, 1, 1)), 5, true,
       u"<更新：2016/01/01 00:00:00>"},
      // Operations 3..6 need the file's times; 7 and -1 do not exist.
      {CopyParams(3, 0), none, 0, false, u""}, {CopyParams(4, 0), none, 0, false, u""},
      {ShiftParams(5, 0, 1, Ct(2000, 1, 1)), none, 0, false, u""},
      {ShiftParams(6, 0, 1, Ct(2000, 1, 1)), none, 0, false, u""},
      {SetParams(7, Ct(2014, 1, 1)), Current(early, late), 0, false, u""},
      {SetParams(-1, Ct(2014, 1, 1)), Current(early, late), 0, false, u""},
      // A picker date that does not exist, and a time pushed past the last year.
      {SetParams(0, Ct(2014, 2, 30)), none, 1, false, u""},
      {SetParams(0, Ct(30827, 12, 31, 23, 59, 59), 1), none, 1, false, u""},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& [params, current, row, fat, expected] = cases[i];
    EXPECT_EQ(DescribeTimestamp(params, current, row, fat), expected) << "case " << i;
  }
  // The current time replaces the picker's time of day; the file is read only when needed.
  TimestampParams p = SetParams(2, Ct(2014, 5, 6, 0, 0, 0), 10);
  p.stamp_now = true;
  p.now = Ct(2020, 1, 2, 13, 14, 15, 678);
  EXPECT_EQ(DescribeTimestamp(p, std::nullopt, 0, false), u"<両方：2014/05/06 13:14:15>");
  EXPECT_EQ(DescribeTimestamp(p, std::nullopt, 1, true), u"<両方：2014/05/06 13:14:24>");
  // The shift operations take the picker as an amount and do not follow the clock.
  p.operation = 6;
  p.shift_direction = 1;
  EXPECT_EQ(DescribeTimestamp(p, Current(Ct(2001, 1, 1), Ct(2002, 2, 2, 2)), 0, false),
            u"<更新：2002/02/02 02:00:00>");
  const FixedOffsetTimeZone zone(9 * 3600);
  FakeFileSystem fs;
  fs.forbid_changes_ = true;
  fs.AddFile(u"/d/a.txt", "", UtcFileTime(2014, 5, 6, 1), UtcFileTime(2013, 12, 31, 15));
  auto transform = [&](const char16_t* path, const TimestampParams& params) {
    return TransformTimestamp(fs, zone, path, params, 0, false);
  };
  EXPECT_EQ(transform(u"/d/a.txt", SetParams(0, Ct(2014, 5, 6, 10))), u"<作成：2014/05/06 10:00:00>");
  EXPECT_EQ(fs.Calls(FakeFileSystem::Op::kStat), 0);
  TimestampParams copy = CopyParams(3, 1);
  EXPECT_EQ(transform(u"/d/a.txt", copy), u"<作成：2014/05/06 10:00:00>");
  EXPECT_EQ(transform(u"/d/gone.txt", copy), u"");
  copy.operation = 5;  // creation time, moved back by the picker's 00:00:00
  EXPECT_EQ(transform(u"/d/a.txt", copy), u"<作成：2014/01/01 00:00:00>");
}

class ApplyTimestampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.SetKind(u"/ntfs", FileSystemKind::kNtfs);
    fs_.AddFile(u"/ntfs/作成/a.txt", "", kWritten, kCreated);
    fs_.AddFile(u"/ext/b.txt", "", kWritten, kCreated);
  }
  const FakeFileSystem::Node& Node(const std::u16string& path) { return *fs_.Find(path); }
  // Applies `description` written behind the folder of `path`, as the preview writes it.
  Result<TimestampChange> Apply(const std::u16string& path, const std::u16string& description) {
    return ApplyTimestamp(fs_, zone_, path, path.substr(0, path.rfind(u'/') + 1) + description);
  }

  static constexpr FileTime kCreated = 130000000000000000LL;
  static constexpr FileTime kWritten = 131000000000000000LL;
  FakeFileSystem fs_;
  const FixedOffsetTimeZone zone_{9 * 3600};
};

TEST_F(ApplyTimestampTest, SetsTheTimesTheLabelNamesAndNothingElseAndLogsTheOldTimes) {
  // Texts without a description (unchanged, a colon missing, an unknown label) do nothing.
  const std::u16string descriptions[] = {u"** 変更されません **", u"<作成：2014/05/06 10.00:00>",
                                         u"<日付：2014/05/06 10:00:00>"};
  for (const auto& description : descriptions) {
    auto change = Apply(u"/ntfs/作成/a.txt", description);
    ASSERT_TRUE(change.has_value()) << "length " << description.size();
    EXPECT_FALSE(change->applied) << "length " << description.size();
  }
  EXPECT_EQ(fs_.Calls(FakeFileSystem::Op::kSetTimes), 0);
  EXPECT_EQ(Node(u"/ntfs/作成/a.txt").creation_time, kCreated);
  const std::tuple<std::u16string, std::u16string, ErrorCode, bool> failures[] = {
      {u"/ntfs/作成/a.txt", u"<両方：2014/02/30 10:00:00>", ErrorCode::kInvalidArgument, false},
      {u"/ntfs/作成/gone.txt", u"<両方：2014/05/06 10:00:00>", ErrorCode::kNotFound, false},
      // No creation-time channel: both-times change is all or nothing.
      {u"/ext/b.txt", u"<両方：2014/05/06 10:00:00>", ErrorCode::kNotSupported, false},
      {u"/ntfs/作成/a.txt", u"<両方：2014/05/06 10:00:00>", ErrorCode::kPermission, true},
  };
  for (const auto& [path, description, code, inject] : failures) {
    if (inject) fs_.FailNthCall(FakeFileSystem::Op::kSetTimes, 1, code);
    auto change = Apply(path, description);
    ASSERT_FALSE(change.has_value()) << static_cast<int>(code);
    EXPECT_EQ(change.error().code, code);
  }
  EXPECT_TRUE(fs_.times_set_.empty());
  for (const char16_t* path : {u"/ntfs/作成/a.txt", u"/ext/b.txt"}) {
    EXPECT_EQ(std::pair(Node(path).creation_time, Node(path).last_write_time),
              std::pair(kCreated, kWritten));
  }
  const FileTime target = UtcFileTime(2014, 5, 6, 1);  // 10:00 at +9
  // The description behind /ntfs/作成/ (whose 作成 does not count), the times after.
  const std::tuple<std::u16string, FileTime, FileTime> cases[] = {
      {u"<作成：2014/05/06 10:00:00>", target, kWritten},
      {u"<更新：2014/05/06 10:00:00>", kCreated, target},
      {u"<両方：2014/05/06 10:00:00>", target, target},
  };
  const std::u16string path = u"/ntfs/作成/a.txt";
  for (const auto& [description, creation_after, last_write_after] : cases) {
    fs_.FindMutable(path)->creation_time = kCreated;
    fs_.FindMutable(path)->last_write_time = kWritten;
    auto change = Apply(path, description);
    ASSERT_TRUE(change.has_value()) << description.size();
    EXPECT_EQ(std::tuple(change->applied, change->old_times.creation, change->old_times.last_write,
                         Node(path).creation_time, Node(path).last_write_time),
              std::tuple(true, kCreated, kWritten, creation_after, last_write_after));
  }
  ASSERT_EQ(fs_.times_set_.size(), 3u);
  EXPECT_FALSE(fs_.times_set_[1].creation.has_value());
  const std::u16string field =
      TimestampLogField(Current(Ct(2014, 5, 6, 10, 0, 0), Ct(2015, 1, 2, 3, 4, 5)));
  EXPECT_EQ(field, u"<作成：2014/05/06 10:00:00, 更新：2015/01/02 03:04:05>");
  EXPECT_EQ(ParseTimestampLogField(field),
            std::pair(WithWeekday(Ct(2014, 5, 6, 10, 0, 0)), WithWeekday(Ct(2015, 1, 2, 3, 4, 5))));
  // Every cut of the field loses the last-write time.
  for (std::size_t n = 0; n < field.size() - 1; ++n) {
    EXPECT_FALSE(ParseTimestampLogField(field.substr(0, n)).has_value()) << n;
  }
}

constexpr std::uint16_t kOriginal = 0x9003, kDigitized = 0x9004;
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

// A JPEG as a camera writes it: SOI, optionally a JFIF APP0 segment, then an APP1 segment with
// "Exif" 00 00 and a TIFF block whose IFD0 points to an Exif IFD holding `entries` (ASCII, count
// 20). Padded to `size` bytes.
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
const auto kQt = static_cast<std::uint32_t>(UnixOf(2014, 5, 6, 7, 8, 9) + kUnixTo1904);
const CalendarTime kExpected = Ct(2014, 5, 6, 7, 8, 9);
const std::string kOther = "2015:01:01 00:00:00";

// Reads the date of `bytes` stored as /p/`name`.
class CaptureTimeTest : public ::testing::Test {
 protected:
  using Date = std::optional<CalendarTime>;
  Date Exif(const std::string& bytes, const std::u16string& name = u"a.jpg") {
    fs_.AddFile(u"/p/" + name, bytes);
    return ReadExifCaptureTime(fs_, u"/p/" + name);
  }
  Date Movie(const std::string& bytes, int hours = 0, const std::u16string& name = u"a.mov") {
    fs_.AddFile(u"/p/" + name, bytes);
    return ReadQuickTimeCaptureTime(fs_, u"/p/" + name, hours);
  }
  FakeFileSystem fs_;
};

TEST_F(CaptureTimeTest, FindsTheDateInEachWindowOfAPhotoOrMovieAndSurvivesDamage) {
  // What the file shows, its entries, byte order and size, the date read, the reads it takes.
  const std::tuple<const char*, std::vector<DateEntry>, bool, std::size_t,
                   std::optional<CalendarTime>, int>
      cases[] = {
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
  };
  for (const auto& [what, entries, big_endian, size, expected, reads] : cases) {
    SCOPED_TRACE(what);
    std::string file = MakeJpeg(entries, big_endian, size);
    file.resize(size);
    const int before = fs_.Calls(FakeFileSystem::Op::kReadRange);
    EXPECT_EQ(Exif(file), expected);
    EXPECT_EQ(fs_.Calls(FakeFileSystem::Op::kReadRange) - before, reads);
  }
  // Exif needs its extension, its markers and a date of the right shape.
  const std::string good = MakeJpeg({{kOriginal, kDate, 200}}, true, 600, true);
  for (const auto& [name, date] : {std::pair<std::u16string, Date>{u"a.JPG", kExpected},
                                   {u"b.JpEg", kExpected}, {u"a.jpg.bak", {}}, {u"ajpg", {}}}) {
    EXPECT_EQ(Exif(good, name), date) << Utf16ToUtf8(name);
  }
  // No SOI; no "MM" in the TIFF header.
  for (const auto& [at, c] : {std::pair<std::size_t, char>{1, '\xD9'}, {30, 'X'}}) {
    EXPECT_EQ(Exif(good.substr(0, at) + c + good.substr(at + 1)), std::nullopt) << at;
  }
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
  // The movie header in each window.
  const std::string moov = Moov(kQt);
  const std::tuple<const char*, std::string, bool, int> movies[] = {
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
  for (const auto& [what, file, found, reads] : movies) {
    SCOPED_TRACE(what);
    const int before = fs_.Calls(FakeFileSystem::Op::kReadRange);
    EXPECT_EQ(Movie(file), found ? std::optional(kExpected) : std::nullopt);
    EXPECT_EQ(fs_.Calls(FakeFileSystem::Op::kReadRange) - before, reads);
  }
  for (const auto& [name, date] : {std::pair<std::u16string, Date>{u"a.MOV", kExpected},
                                   {u"b.Qt", kExpected}, {u"a.mp4", {}}}) {
    EXPECT_EQ(Movie(moov, 0, name), date) << Utf16ToUtf8(name);
  }
  // Through a link, the windows at the end are found from the target's size.
  fs_.AddSymlink(u"/p/link.mov", u"a.mov");
  EXPECT_EQ(Movie(kFtyp + moov + Mdat(40000)), kExpected);
  EXPECT_EQ(ReadQuickTimeCaptureTime(fs_, u"/p/link.mov", 0), kExpected);
  // Movie times take the time zone and the 1972 rule.
  // Hours outside -23..23 add nothing.
  const std::pair<int, CalendarTime> zones[] = {
      {23, Ct(2014, 5, 7, 6, 8, 9)}, {-23, Ct(2014, 5, 5, 8, 8, 9)}, {24, kExpected},
      {-24, kExpected}, {INT_MIN, kExpected},
  };
  for (const auto& [hours, expected] : zones) EXPECT_EQ(Movie(Moov(kQt), hours), expected) << hours;
  const std::uint32_t y1972 = 2145916800u;
  EXPECT_EQ(Movie(Moov(y1972 - 3600), 1), std::nullopt);
  EXPECT_EQ(Movie(Moov(y1972 - 3600), 2), Ct(1972, 1, 1, 1));
  EXPECT_EQ(Movie(Moov(0xFFFFFFFFu), 1), std::nullopt);  // wraps to 3599

  const std::pair<std::uint32_t, std::optional<CalendarTime>> conversions[] = {
      {y1972, std::nullopt}, {y1972 + 1, Ct(1972, 1, 1, 0, 0, 1)},
      {y1972 + 365 * 86400, Ct(1972, 12, 31)},
      // The count of whole years runs one day ahead on the last day of a leap year.
      {y1972 + 365 * 86400 + 43200, Ct(1973, 1, 1, 12)}, {y1972 + 366 * 86400, Ct(1973, 1, 2)},
      {y1972 + 1461 * 86400, Ct(1976, 1, 1)},
      {static_cast<std::uint32_t>(UnixOf(2000, 2, 29, 23, 59, 59) + kUnixTo1904),
       Ct(2000, 2, 29, 23, 59, 59)},
  };
  for (const auto& [seconds, expected] : conversions) {
    EXPECT_EQ(QuickTimeSecondsToCalendar(seconds), expected) << seconds;
  }
  const std::pair<std::u16string, int> zone_texts[] = {
      {u" -5", -5}, {u"+3h", 3}, {u"", 0}, {u"x9", 0}, {u"- 5", 0},
      {u"99999999999", INT_MAX}, {u"-99999999999", INT_MIN}};
  for (const auto& [text, h] : zone_texts) EXPECT_EQ(TimeZoneHours(text), h) << Utf16ToUtf8(text);
  // Every truncation and many single-byte damages of a small photo and movie must read without
  // fault; where the damage cannot reach the date, the date is still found.
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
      EXPECT_TRUE(at < date_end || r == kExpected) << at;
      if (at < movie.size()) (void)Movie(damage(movie, at, how));
    }
  }
}

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

TEST(DateTest, FixedAndCustomFormatsPlacementsSourcesAndTheFileOnDisk) {
  DateParams both = Fixed(4, u"-", false);  // the custom text wins over a fixed index
  both.custom_format = u"MM";
  struct Case {
    DateParams params;
    std::u16string expected;
    CalendarTime time = kTime;
  } cases[] = {
      {Fixed(0, u"-", false), u"2014-05-06-07-08-09"}, {Fixed(3, u"-", false), u"20140506-0708"},
      {Fixed(0, u"-", true), u"2014年-05月-06日-07時-08分-09秒"},
      {Fixed(1, u"-", true), u"2014年05月06日-07時08分09秒"},
      {Fixed(4, u"-", false), u"2014-05-06"}, {Fixed(5, u"-", false), u"20140506070809"},
      {Fixed(6, u"-", true), u"2014年05月06日07時08分"}, {Fixed(8, u"-", true), u"05月06日"},
      // The year is padded with spaces, the rest with zeros.
      {Fixed(0, u"", false), u" 9870102030405", Ct(987, 1, 2, 3, 4, 5)}, {both, u"05"},
      {Fixed(9, u"-", false), u""},  // an index outside 0..8 means custom
      {Custom(u"YYYY-1M-1D(ww)"), u"2014-5-6(火)"}, {Custom(u"2Y年MM月"), u"14年05月"},
      {Custom(u"MMxMM"), u"05xMM"}, {Custom(u"〓a〓", u"_"), u"_a_"},
      {Custom(u"hh:mm:ss www"), u"07:08:09 Tue"}, {Custom(u"1h1m1s"), u"789"},
      {Custom(u"YYYY2Y 1M"), u"20142Y 5"},  // "2Y" only stands in when "YYYY" is absent
      {Custom(u"YYYYMMDD", u"", true), u"2014年05月06日"},
      {Custom(u"wwww"), u"Tuew"},             // "www" goes first and leaves no "ww"
      {Custom(u"x〓y", u"〓〓"), u"x〓〓y"},  // the separator is not expanded again
      // Each replacement searches what the earlier ones left: year 2011 then "M" reads as "1M".
      {Custom(u"YYYYM"), u"2014M"}, {Custom(u"YYYYM"), u"2015", Ct(2011, 5, 6)},
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
  // Placements, sources, folder lists, unreadable times, long paths and the file on disk.
  const FileTimes times = Current(kTime, Ct(2020, 1, 2, 3, 4, 5));
  int capture_calls = 0;
  const CaptureTimeProvider none = [&] { return ++capture_calls, std::optional<CalendarTime>(); };
  const CaptureTimeProvider shot = [&] { return ++capture_calls, Ct(1999, 12, 31, 23, 59, 58); };
  // The date's source and placement, the capture time, the new path, the capture reads.
  const std::tuple<int, int, const CaptureTimeProvider*, std::u16string, int> placements[] = {
      {0, 0, &none, u"/p/2014_05_06.jpg", 0},       {0, 1, &none, u"/p/2014_05_06photo.jpg", 0},
      {0, 2, &none, u"/p/photo2014_05_06.jpg", 0},  {0, 3, &none, u"/p/2014_05_06_photo.jpg", 0},
      {0, 4, &none, u"/p/photo_2014_05_06.jpg", 0}, {0, 7, &none, u"/p/2014_05_06.jpg", 0},
      {1, 0, &shot, u"/p/2020_01_02.jpg", 0},       {2, 0, &shot, u"/p/1999_12_31.jpg", 1},
      {2, 2, &none, u"/p/photo.jpg", 1},            {3, 0, &shot, u"/p/1999_12_31.jpg", 1},
      {3, 0, &none, u"/p/2014_05_06.jpg", 1},       {-1, 0, &shot, u"/p/2014_05_06.jpg", 0},
  };
  for (const auto& [source, placement, capture, expected, calls] : placements) {
    DateParams p = Fixed(4, u"_", false);
    p.source = source, p.placement = placement;
    capture_calls = 0;
    EXPECT_EQ(ApplyDate(u"/p/photo.jpg", p, times, *capture), expected)
        << "source " << source << " placement " << placement;
    EXPECT_EQ(capture_calls, calls) << "source " << source;
  }
  const FileTimes same = Current(kTime, kTime);
  DateParams p = Fixed(7, u"", false);
  p.placement = kDateAfterName;
  EXPECT_EQ(ApplyDate(u"/p/a.b", p, same, {}), u"/p/a20140506.b");
  p.file_dir = true;
  EXPECT_EQ(ApplyDate(u"/p/a.b", p, same, {}), u"/p/a.b20140506");
  EXPECT_EQ(ApplyDate(u"/p/a.b", p, std::nullopt, {}), u"");
  // The whole path is cut to 259 characters, extension included.
  const std::u16string long_path = u"/" + std::u16string(250, u'n') + u".jpg";
  EXPECT_EQ(ApplyDate(long_path, p, same, {}), long_path + u"2014");
  p.source = kDateFromCapture;
  EXPECT_EQ(ApplyDate(long_path + u"xxxxxxxx", p, same, {}), long_path + u"xxxx");
  FakeFileSystem fs;
  const FixedOffsetTimeZone tokyo(9 * 3600);
  // 2021-01-01 00:00:00 UTC created, a day later written.
  fs.AddFile(u"/p/a.png", "x", FakeFileSystem::kDefaultTime + 864'000'000'000LL,
             FakeFileSystem::kDefaultTime);
  fs.AddFile(u"/p/old.jpg", MakeJpeg({{kOriginal, kDate, 200}}));
  p = Fixed(0, u"-", false);
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

using R = AttributeRequest;

std::string Show(const AttributeRequests& r) {
  auto c = [](R x) { return x == R::kSet ? 'Y' : x == R::kClear ? 'N' : '-'; };
  return {c(r.read_only), c(r.hidden), c(r.archive), c(r.system)};
}

std::string Show(const AttributeFlags& f) {
  return {static_cast<char>(f.read_only), static_cast<char>(f.hidden), static_cast<char>(f.archive),
          static_cast<char>(f.system)};
}

TEST(Attributes, TextsReadBackChangesAreWrittenOnlyWhenRealAndUndoneFromTheLog) {
  const std::pair<int, std::string> cases[] = {
      {0x2222, "----"}, {0x1022, "YN--"}, {0x2120, "-Y-N"}, {0xF3A1, "---Y"}, {0x10000, "NNNN"}};
  for (const auto& [packed, expected] : cases) {
    EXPECT_EQ(Show(AttributeRequestsFromSetting(packed)), expected) << std::hex << packed;
  }
  // All 81 combinations survive the trip through the new-name text, behind any folder.
  EXPECT_EQ(DescribeAttributes({R::kSet, R::kClear, R::kLeave, R::kLeave}),
            u"<読：Y, 隠：N, ア：-, シ：->");
  const R values[] = {R::kClear, R::kSet, R::kLeave};
  for (int n = 0; n < 81; ++n) {
    const AttributeRequests r{values[n % 3], values[n / 3 % 3], values[n / 9 % 3], values[n / 27]};
    for (const std::u16string folder : {u"/", u"/写真/2014/", u"/a/<読：Y, 隠：Y/"}) {
      EXPECT_EQ(Show(ParseAttributeDescription(folder + DescribeAttributes(r))), Show(r));
    }
  }
  // A description is read from the end and tolerates short texts.
  const std::pair<std::u16string, std::string> texts[] = {
      {u"<読：y, 隠：n, ア：1, シ：Y>", "---Y"},  // only capital Y and N count
      {u"xxxYxxxxNxxxxYxxxxNx", "YNYN"},          // positions, not labels
      {u"Y, 隠：N, ア：Y, シ：Y>", "YNYY"},       // exactly 17 characters
      {u", 隠：N, ア：Y, シ：Y>", "----"},        // 16: too short to hold them
  };
  for (const auto& [text, expected] : texts) {
    EXPECT_EQ(Show(ParseAttributeDescription(text)), expected) << "length " << text.size();
  }
  FakeFileSystem fs;
  const auto t = FakeFileSystem::kDefaultTime;
  fs.AddFile(u"/d/a.txt", "", t, std::nullopt, attr::kReadOnly | attr::kArchive);
  fs.AddFile(u"/d/b.txt", "", t, std::nullopt, attr::kHidden | attr::kArchive);
  auto a = ApplyAttributes(fs, u"/d/a.txt", {R::kClear, R::kSet, R::kLeave, R::kLeave});
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(Show(*a), "YNYN");
  EXPECT_EQ(fs.Find(u"/d/a.txt")->attributes, attr::kHidden | attr::kArchive);
  // Read-only set and hidden cleared; archive and system left as they were.
  auto b = ApplyAttributeDescription(fs, u"/d/b.txt", u"/d/<読：Y, 隠：N, ア：-, シ：->");
  ASSERT_TRUE(b.has_value());
  EXPECT_EQ(Show(*b), "NYYN");
  EXPECT_EQ(fs.Find(u"/d/b.txt")->attributes, attr::kReadOnly | attr::kArchive);
  // Requests that leave everything, or ask for the states already there, write nothing.
  fs.forbid_changes_ = true;
  for (const AttributeRequests& r :
       {AttributeRequests{}, AttributeRequests{R::kClear, R::kSet, R::kSet, R::kClear}}) {
    auto old = ApplyAttributes(fs, u"/d/a.txt", r);
    ASSERT_TRUE(old.has_value()) << Show(r);
    EXPECT_EQ(Show(*old), "NYYN");
  }
  EXPECT_EQ(fs.Calls(FakeFileSystem::Op::kSetAttributes), 2);
  using Op = FakeFileSystem::Op;
  // The call that fails for /d/a.txt with the code, the path changed.
  const std::tuple<std::optional<Op>, std::u16string, ErrorCode> failures[] = {
      {Op::kSetAttributes, u"/d/a.txt", ErrorCode::kNotSupported},
      {Op::kStat, u"/d/a.txt", ErrorCode::kIo},
      {std::nullopt, u"/d/gone.txt", ErrorCode::kNotFound},
  };
  for (const auto& [injected, path, code] : failures) {
    SCOPED_TRACE(static_cast<int>(code));
    FakeFileSystem fs;
    fs.AddFile(u"/d/a.txt", "", FakeFileSystem::kDefaultTime, std::nullopt, attr::kArchive);
    if (injected) fs.FailPath(*injected, path, code);
    auto result = ApplyAttributes(fs, path, {R::kSet, R::kSet, R::kSet, R::kSet});
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().code, code);
    EXPECT_EQ(fs.Find(u"/d/a.txt")->attributes, attr::kArchive);
    EXPECT_TRUE(fs.attributes_set_.empty());
  }
  // The old states go to the log; undo reads them back and puts them in place, whatever happened
  // to the file in between.
  fs.forbid_changes_ = false;
  const std::uint32_t original = attr::kReadOnly | attr::kSystem;
  fs.AddFile(u"/d/a.txt", "", FakeFileSystem::kDefaultTime, std::nullopt, original);
  auto old = ApplyAttributes(fs, u"/d/a.txt", {R::kClear, R::kSet, R::kSet, R::kLeave});
  ASSERT_TRUE(old.has_value());
  const std::u16string field = AttributeLogField(*old);
  EXPECT_EQ(field, u"<読：Y, 隠：N, ア：N, シ：Y>");
  EXPECT_EQ(Show(ParseAttributeLogField(field)), "YNNY");
  fs.FindMutable(u"/d/a.txt")->attributes = attr::kHidden | attr::kArchive;
  ASSERT_TRUE(ApplyAttributes(fs, u"/d/a.txt", ParseAttributeLogField(field)).has_value());
  EXPECT_EQ(fs.Find(u"/d/a.txt")->attributes, original);
  EXPECT_EQ(Show(ParseAttributeLogField(u"<読：Y, 隠：N")), "YN--");  // cut short
}

}  // namespace
}  // namespace tessivo
