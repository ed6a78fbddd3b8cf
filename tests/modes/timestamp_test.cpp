#include "modes/timestamp.h"

#include <gtest/gtest.h>
#include <time.h>

#include <string>

#include "support/fake_file_system.h"

namespace tessivo {
namespace {

CalendarTime Ct(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  auto u = [](int v) { return static_cast<std::uint16_t>(v); };
  return {u(y), u(mo), 0, u(d), u(h), u(mi), u(s), u(ms)};
}

// A UTC file time computed by the C library, independently of the code under test.
FileTime UtcFileTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  struct tm t {};
  t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d;
  t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
  return (static_cast<FileTime>(timegm(&t)) + kFileTimeUnixEpochSeconds) * 10'000'000;
}

FileTimes Current(const CalendarTime& creation, const CalendarTime& last_write) {
  FileTimes t;
  t.creation_local = creation, t.last_write_local = last_write;
  return t;
}

TimestampParams SetParams(int operation, const CalendarTime& picker, int increment = 0) {
  TimestampParams p;
  p.operation = operation, p.picker = picker, p.increment_seconds = increment;
  return p;
}

TEST(DescribeTimestampTest, SetOperationsAddTheIncrementPerRow) {
  struct Case {
    int operation;
    CalendarTime picker;
    int increment;
    std::int64_t row;
    bool fat;
    std::u16string expected;
  } cases[] = {
      {0, Ct(2014, 5, 6, 10), 60, 0, false, u"<作成：2014/05/06 10:00:00>"},
      {0, Ct(2014, 5, 6, 10), 60, 1, false, u"<作成：2014/05/06 10:01:00>"},
      {1, Ct(2014, 5, 6, 10), 0, 7, false, u"<更新：2014/05/06 10:00:00>"},
      {2, Ct(2014, 5, 6, 10), 1, 3, false, u"<両方：2014/05/06 10:00:03>"},
      {1, Ct(2016, 2, 28, 23, 59, 0), 60, 1, false, u"<更新：2016/02/29 00:00:00>"},
      // An entry above the limit counts as one week.
      {0, Ct(2014, 5, 6, 10), 9999999, 1, false, u"<作成：2014/05/13 10:00:00>"},
      // Beyond what 32-bit arithmetic would allow for the largest increment.
      {0, Ct(2014, 1, 1, 10), 604800, 3551, false, u"<作成：2082/01/21 10:00:00>"},
      // FAT keeps even seconds: the chosen time is rounded down once; the
      // increment is added to the rounded time.
      {0, Ct(2014, 5, 6, 10, 0, 1), 0, 0, true, u"<作成：2014/05/06 10:00:00>"},
      {0, Ct(2014, 5, 6, 10, 0, 1), 0, 0, false, u"<作成：2014/05/06 10:00:01>"},
      {2, Ct(2014, 5, 6, 10, 0, 59), 3, 1, true, u"<両方：2014/05/06 10:01:01>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DescribeTimestamp(SetParams(c.operation, c.picker, c.increment), std::nullopt, c.row,
                                c.fat),
              c.expected)
        << "operation " << c.operation << " row " << c.row << " increment " << c.increment;
  }
}

TEST(DescribeTimestampTest, CurrentTimeReplacesOnlyThePickerTimeOfDay) {
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
}

TEST(DescribeTimestampTest, CopyOperationsHonourTheOnlyWhenChoice) {
  const CalendarTime early = Ct(2014, 1, 1, 8, 0, 0);
  const CalendarTime late = Ct(2015, 6, 30, 23, 59, 58);
  const std::u16string kNot = u"** 変更されません **";
  struct Case {
    int operation;
    CalendarTime creation, last_write;
    int only_when;
    std::u16string expected;
  } cases[] = {
      // creation := last write
      {3, early, late, 0, u"<作成：2015/06/30 23:59:58>"},
      {3, early, late, 1, u"<作成：2015/06/30 23:59:58>"},
      {3, early, late, 2, kNot},
      {3, late, early, 1, kNot},
      {3, late, early, 2, u"<作成：2014/01/01 08:00:00>"},
      {3, early, early, 1, kNot},
      {3, early, early, 2, kNot},
      // last write := creation
      {4, early, late, 1, kNot},
      {4, early, late, 2, u"<更新：2014/01/01 08:00:00>"},
      {4, late, early, 1, u"<更新：2015/06/30 23:59:58>"},
      {4, late, early, 2, kNot},
      // Times are compared to the second: milliseconds do not count.
      {3, Ct(2014, 1, 1, 8, 0, 0, 900), Ct(2014, 1, 1, 8, 0, 0, 100), 2, kNot},
      {3, Ct(2014, 1, 1, 8, 0, 0, 900), Ct(2014, 1, 1, 8, 0, 1, 100), 1,
       u"<作成：2014/01/01 08:00:01>"},
      // The date decides before the time of day.
      {4, Ct(2014, 1, 2, 0, 0, 0), Ct(2014, 1, 1, 23, 59, 59), 1, u"<更新：2014/01/02 00:00:00>"},
  };
  for (const auto& c : cases) {
    TimestampParams p = SetParams(c.operation, Ct(2000, 1, 1));
    p.only_when = c.only_when;
    EXPECT_EQ(DescribeTimestamp(p, Current(c.creation, c.last_write), 0, false), c.expected)
        << "operation " << c.operation << " only_when " << c.only_when << " creation "
        << c.creation.year << " last write " << c.last_write.year;
  }
}

TEST(DescribeTimestampTest, ShiftOperationsMoveByDaysAndTimeOfDay) {
  struct Case {
    int operation, direction, days;
    CalendarTime amount, creation, last_write;
    std::u16string expected;
  } cases[] = {
      {5, 0, 1, Ct(2000, 1, 1, 1, 30), Ct(2014, 3, 1, 0, 10), Ct(2000, 1, 1),
       u"<作成：2014/02/27 22:40:00>"},
      {6, 0, 0, Ct(2000, 1, 1), Ct(2000, 1, 1), Ct(2014, 5, 6, 10, 0, 0, 500),
       u"<更新：2014/05/06 10:00:00>"},
      {6, 1, 366, Ct(2000, 1, 1, 23, 59, 59), Ct(2000, 1, 1), Ct(2015, 3, 1, 0, 0, 1),
       u"<更新：2016/03/02 00:00:00>"},
      {5, 0, 366, Ct(2000, 1, 1), Ct(2016, 12, 31), Ct(2000, 1, 1), u"<作成：2015/12/31 00:00:00>"},
      // More than 366 days counts as 366.
      {6, 0, 1000, Ct(2000, 1, 1), Ct(2000, 1, 1), Ct(2017, 1, 1), u"<更新：2016/01/01 00:00:00>"},
      // The shifted time does not depend on the other one or on only-when.
      {6, 1, 1, Ct(2000, 1, 1, 12), Ct(1999, 1, 1), Ct(2014, 2, 28, 12),
       u"<更新：2014/03/02 00:00:00>"},
  };
  for (const auto& c : cases) {
    TimestampParams p = SetParams(c.operation, c.amount);
    p.shift_direction = c.direction;
    p.shift_days = c.days;
    p.only_when = 1;
    EXPECT_EQ(DescribeTimestamp(p, Current(c.creation, c.last_write), 5, true), c.expected)
        << "operation " << c.operation << " direction " << c.direction << " days " << c.days;
  }
}

TEST(DescribeTimestampTest, UnreadableTimesAndBadParametersGiveNoDescription) {
  // Operations 3..6 need the file's times; 7 and -1 do not exist.
  const FileTimes current = Current(Ct(2014, 1, 1), Ct(2014, 1, 2));
  for (int operation : {3, 4, 5, 6, 7, -1}) {
    EXPECT_EQ(DescribeTimestamp(SetParams(operation, Ct(2014, 1, 1)),
                                operation >= 3 && operation <= 6 ? std::nullopt
                                                                 : std::optional(current),
                                0, false),
              u"")
        << operation;
  }
  // A picker date that does not exist, and a time pushed past the last year.
  EXPECT_EQ(DescribeTimestamp(SetParams(0, Ct(2014, 2, 30)), std::nullopt, 1, false), u"");
  EXPECT_EQ(
      DescribeTimestamp(SetParams(0, Ct(30827, 12, 31, 23, 59, 59), 1), std::nullopt, 1, false),
      u"");
}

TEST(TransformTimestampTest, ReadsTheFileOnlyWhenTheOperationNeedsIt) {
  const FixedOffsetTimeZone zone(9 * 3600);
  FakeFileSystem fs;
  fs.forbid_changes_ = true;
  fs.AddFile(u"/d/a.txt", "", UtcFileTime(2014, 5, 6, 1), UtcFileTime(2013, 12, 31, 15));

  EXPECT_EQ(TransformTimestamp(fs, zone, u"/d/a.txt", SetParams(0, Ct(2014, 5, 6, 10)), 0, false),
            u"<作成：2014/05/06 10:00:00>");
  EXPECT_EQ(fs.Calls(FakeFileSystem::Op::kStat), 0);

  TimestampParams copy = SetParams(3, Ct(2000, 1, 1));
  copy.only_when = 1;
  EXPECT_EQ(TransformTimestamp(fs, zone, u"/d/a.txt", copy, 0, false),
            u"<作成：2014/05/06 10:00:00>");
  EXPECT_EQ(TransformTimestamp(fs, zone, u"/d/gone.txt", copy, 0, false), u"");
  copy.operation = 5;  // creation time, moved back by the picker's 00:00:00
  EXPECT_EQ(TransformTimestamp(fs, zone, u"/d/a.txt", copy, 0, false),
            u"<作成：2014/01/01 00:00:00>");
}

class ApplyTimestampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.SetKind(u"/ntfs", FileSystemKind::kNtfs);
    fs_.AddFile(u"/ntfs/作成/a.txt", "", kWritten, kCreated);
    fs_.AddFile(u"/ext/b.txt", "", kWritten, kCreated);
  }
  const FakeFileSystem::Node& Node(const std::u16string& path) { return *fs_.Find(path); }

  static constexpr FileTime kCreated = 130000000000000000LL;
  static constexpr FileTime kWritten = 131000000000000000LL;
  FakeFileSystem fs_;
  const FixedOffsetTimeZone zone_{9 * 3600};
};

TEST_F(ApplyTimestampTest, SetsTheTimesTheLabelNames) {
  const FileTime target = UtcFileTime(2014, 5, 6, 1);  // 10:00 at +9
  struct Case {
    std::u16string path, text;
    FileTime creation_after, last_write_after;
  } cases[] = {
      {u"/ntfs/作成/a.txt", u"/ntfs/作成/<作成：2014/05/06 10:00:00>", target, kWritten},
      // The folder's 作成 does not count: the description says 更新.
      {u"/ntfs/作成/a.txt", u"/ntfs/作成/<更新：2014/05/06 10:00:00>", kCreated, target},
      {u"/ntfs/作成/a.txt", u"/ntfs/作成/<両方：2014/05/06 10:00:00>", target, target},
      {u"/ext/b.txt", u"/ext/<更新：2014/05/06 10:00:00>", kCreated, target},
  };
  for (const auto& c : cases) {
    fs_.FindMutable(c.path)->creation_time = kCreated;
    fs_.FindMutable(c.path)->last_write_time = kWritten;
    auto change = ApplyTimestamp(fs_, zone_, c.path, c.text);
    ASSERT_TRUE(change.has_value()) << c.text.size();
    EXPECT_TRUE(change->applied);
    EXPECT_EQ(change->old_times.creation, kCreated);
    EXPECT_EQ(change->old_times.last_write, kWritten);
    EXPECT_EQ(Node(c.path).creation_time, c.creation_after);
    EXPECT_EQ(Node(c.path).last_write_time, c.last_write_after);
  }
  ASSERT_EQ(fs_.times_set_.size(), 4u);
  EXPECT_FALSE(fs_.times_set_[1].creation.has_value());
}

TEST_F(ApplyTimestampTest, TextsWithoutADescriptionDoNothingAndSucceed) {
  const std::u16string texts[] = {
      u"/ntfs/作成/** 変更されません **",
      u"<作成：2014/05/06 10:00:00>",             // no folder separator before '<'
      u"/ntfs/作成/<作成：2014/05/06 10.00:00>",  // colon missing
      u"/ntfs/作成/<作成：2014/05/06 10:00:0",    // cut short
      u"/ntfs/作成/<",
      u"/ntfs/作成/<日付：2014/05/06 10:00:00>",  // unknown label
      u"",
  };
  for (const auto& text : texts) {
    auto change = ApplyTimestamp(fs_, zone_, u"/ntfs/作成/a.txt", text);
    ASSERT_TRUE(change.has_value()) << "length " << text.size();
    EXPECT_FALSE(change->applied) << "length " << text.size();
  }
  EXPECT_EQ(fs_.Calls(FakeFileSystem::Op::kSetTimes), 0);
  EXPECT_EQ(Node(u"/ntfs/作成/a.txt").creation_time, kCreated);
}

TEST_F(ApplyTimestampTest, FailuresChangeNothing) {
  struct Case {
    std::u16string path, text;
    ErrorCode code;
    bool inject;
  } cases[] = {
      // No date 2014/02/30.
      {u"/ntfs/作成/a.txt", u"/ntfs/作成/<両方：2014/02/30 10:00:00>", ErrorCode::kInvalidArgument,
       false},
      {u"/ntfs/作成/gone.txt", u"/ntfs/作成/<両方：2014/05/06 10:00:00>", ErrorCode::kNotFound,
       false},
      // No creation-time channel: both-times change is all or nothing.
      {u"/ext/b.txt", u"/ext/<両方：2014/05/06 10:00:00>", ErrorCode::kNotSupported, false},
      {u"/ntfs/作成/a.txt", u"/ntfs/作成/<両方：2014/05/06 10:00:00>", ErrorCode::kPermission,
       true},
  };
  for (const auto& c : cases) {
    if (c.inject) fs_.FailNthCall(FakeFileSystem::Op::kSetTimes, 1, c.code);
    auto change = ApplyTimestamp(fs_, zone_, c.path, c.text);
    ASSERT_FALSE(change.has_value()) << static_cast<int>(c.code);
    EXPECT_EQ(change.error().code, c.code);
  }
  EXPECT_TRUE(fs_.times_set_.empty());
  for (const char16_t* path : {u"/ntfs/作成/a.txt", u"/ext/b.txt"}) {
    EXPECT_EQ(Node(path).creation_time, kCreated);
    EXPECT_EQ(Node(path).last_write_time, kWritten);
  }
}

TEST(TimestampLogFieldTest, WritesAndReadsBothOldTimes) {
  const std::u16string field =
      TimestampLogField(Current(Ct(2014, 5, 6, 10, 0, 0), Ct(2015, 1, 2, 3, 4, 5)));
  EXPECT_EQ(field, u"<作成：2014/05/06 10:00:00, 更新：2015/01/02 03:04:05>");
  auto back = ParseTimestampLogField(field);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(FormatTime(back->first), u"2014/05/06 10:00:00");
  EXPECT_EQ(FormatTime(back->second), u"2015/01/02 03:04:05");
  // Every cut of the field loses the last-write time.
  for (std::size_t n = 0; n < field.size() - 1; ++n) {
    EXPECT_FALSE(ParseTimestampLogField(field.substr(0, n)).has_value()) << n;
  }
  EXPECT_FALSE(ParseTimestampLogField(u"<作成：2014/05/06 10:00:00, 更新：2015/01/02 03-04:05>")
                   .has_value());
}

}  // namespace
}  // namespace tessivo
