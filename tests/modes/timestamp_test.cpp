#include "modes/timestamp.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "modes/modes_test_util.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

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

TEST(DescribeTimestampTest, EachOperation) {
  const CalendarTime early = Ct(2014, 1, 1, 8, 0, 0);
  const CalendarTime late = Ct(2015, 6, 30, 23, 59, 58);
  const std::u16string kNot = u"** 変更されません **";
  const std::optional<FileTimes> none;
  struct Case {
    TimestampParams params;
    std::optional<FileTimes> current;
    std::int64_t row;
    bool fat;
    std::u16string expected;
  } cases[] = {
      // Set operations add row × increment.
      {SetParams(0, Ct(2014, 5, 6, 10), 60), none, 1, false, u"<作成：2014/05/06 10:01:00>"},
      {SetParams(1, Ct(2014, 5, 6, 10), 0), none, 7, false, u"<更新：2014/05/06 10:00:00>"},
      // An entry above the limit counts as one week.
      {SetParams(0, Ct(2014, 5, 6, 10), 9999999), none, 1, false, u"<作成：2014/05/13 10:00:00>"},
      // Beyond what 32-bit arithmetic would allow for the largest increment.
      {SetParams(0, Ct(2014, 1, 1, 10), 604800), none, 3551, false, u"<作成：2082/01/21 10:00:00>"},
      // FAT keeps even seconds: the chosen time is rounded down once; the
      // increment is added to the rounded time.
      {SetParams(0, Ct(2014, 5, 6, 10, 0, 1)), none, 0, true, u"<作成：2014/05/06 10:00:00>"},
      {SetParams(0, Ct(2014, 5, 6, 10, 0, 1)), none, 0, false, u"<作成：2014/05/06 10:00:01>"},
      {SetParams(2, Ct(2014, 5, 6, 10, 0, 59), 3), none, 1, true, u"<両方：2014/05/06 10:01:01>"},
      // Copies: creation := last write (3), last write := creation (4), with only-when.
      {CopyParams(3, 0), Current(early, late), 0, false, u"<作成：2015/06/30 23:59:58>"},
      {CopyParams(3, 2), Current(early, late), 0, false, kNot},
      {CopyParams(3, 1), Current(late, early), 0, false, kNot},
      {CopyParams(3, 2), Current(late, early), 0, false, u"<作成：2014/01/01 08:00:00>"},
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
      {CopyParams(3, 0), none, 0, false, u""},
      {CopyParams(4, 0), none, 0, false, u""},
      {ShiftParams(5, 0, 1, Ct(2000, 1, 1)), none, 0, false, u""},
      {ShiftParams(6, 0, 1, Ct(2000, 1, 1)), none, 0, false, u""},
      {SetParams(7, Ct(2014, 1, 1)), Current(early, late), 0, false, u""},
      {SetParams(-1, Ct(2014, 1, 1)), Current(early, late), 0, false, u""},
      // A picker date that does not exist, and a time pushed past the last year.
      {SetParams(0, Ct(2014, 2, 30)), none, 1, false, u""},
      {SetParams(0, Ct(30827, 12, 31, 23, 59, 59), 1), none, 1, false, u""},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(DescribeTimestamp(c.params, c.current, c.row, c.fat), c.expected) << "case " << i;
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

TEST(TransformTimestampTest, ReadsTheFileOnlyWhenTheOperationNeedsIt) {
  const FixedOffsetTimeZone zone(9 * 3600);
  FakeFileSystem fs;
  fs.forbid_changes_ = true;
  fs.AddFile(u"/d/a.txt", "", UtcFileTime(2014, 5, 6, 1), UtcFileTime(2013, 12, 31, 15));

  EXPECT_EQ(TransformTimestamp(fs, zone, u"/d/a.txt", SetParams(0, Ct(2014, 5, 6, 10)), 0, false),
            u"<作成：2014/05/06 10:00:00>");
  EXPECT_EQ(fs.Calls(FakeFileSystem::Op::kStat), 0);

  TimestampParams copy = CopyParams(3, 1);
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
  // Applies `description` written behind the folder of `path`, as the preview writes it.
  Result<TimestampChange> Apply(const std::u16string& path, const std::u16string& description) {
    return ApplyTimestamp(fs_, zone_, path, path.substr(0, path.rfind(u'/') + 1) + description);
  }

  static constexpr FileTime kCreated = 130000000000000000LL;
  static constexpr FileTime kWritten = 131000000000000000LL;
  FakeFileSystem fs_;
  const FixedOffsetTimeZone zone_{9 * 3600};
};

TEST_F(ApplyTimestampTest, SetsTheTimesTheLabelNames) {
  const FileTime target = UtcFileTime(2014, 5, 6, 1);  // 10:00 at +9
  struct Case {
    std::u16string path, description;
    FileTime creation_after, last_write_after;
  } cases[] = {
      {u"/ntfs/作成/a.txt", u"<作成：2014/05/06 10:00:00>", target, kWritten},
      // The folder's 作成 does not count: the description says 更新.
      {u"/ntfs/作成/a.txt", u"<更新：2014/05/06 10:00:00>", kCreated, target},
      {u"/ntfs/作成/a.txt", u"<両方：2014/05/06 10:00:00>", target, target},
  };
  for (const auto& c : cases) {
    fs_.FindMutable(c.path)->creation_time = kCreated;
    fs_.FindMutable(c.path)->last_write_time = kWritten;
    auto change = Apply(c.path, c.description);
    ASSERT_TRUE(change.has_value()) << c.description.size();
    EXPECT_TRUE(change->applied);
    EXPECT_EQ(change->old_times.creation, kCreated);
    EXPECT_EQ(change->old_times.last_write, kWritten);
    EXPECT_EQ(Node(c.path).creation_time, c.creation_after);
    EXPECT_EQ(Node(c.path).last_write_time, c.last_write_after);
  }
  ASSERT_EQ(fs_.times_set_.size(), 3u);
  EXPECT_FALSE(fs_.times_set_[1].creation.has_value());
}

TEST_F(ApplyTimestampTest, TextsWithoutADescriptionDoNothingAndSucceed) {
  const std::u16string descriptions[] = {
      u"** 変更されません **",
      u"<作成：2014/05/06 10.00:00>",  // colon missing
      u"<日付：2014/05/06 10:00:00>",  // unknown label
  };
  for (const auto& description : descriptions) {
    auto change = Apply(u"/ntfs/作成/a.txt", description);
    ASSERT_TRUE(change.has_value()) << "length " << description.size();
    EXPECT_FALSE(change->applied) << "length " << description.size();
  }
  EXPECT_EQ(fs_.Calls(FakeFileSystem::Op::kSetTimes), 0);
  EXPECT_EQ(Node(u"/ntfs/作成/a.txt").creation_time, kCreated);
}

TEST_F(ApplyTimestampTest, FailuresChangeNothing) {
  struct Case {
    std::u16string path, description;
    ErrorCode code;
    bool inject;
  } cases[] = {
      {u"/ntfs/作成/a.txt", u"<両方：2014/02/30 10:00:00>", ErrorCode::kInvalidArgument, false},
      {u"/ntfs/作成/gone.txt", u"<両方：2014/05/06 10:00:00>", ErrorCode::kNotFound, false},
      // No creation-time channel: both-times change is all or nothing.
      {u"/ext/b.txt", u"<両方：2014/05/06 10:00:00>", ErrorCode::kNotSupported, false},
      {u"/ntfs/作成/a.txt", u"<両方：2014/05/06 10:00:00>", ErrorCode::kPermission, true},
  };
  for (const auto& c : cases) {
    if (c.inject) fs_.FailNthCall(FakeFileSystem::Op::kSetTimes, 1, c.code);
    auto change = Apply(c.path, c.description);
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
  EXPECT_EQ(back->first, WithWeekday(Ct(2014, 5, 6, 10, 0, 0)));
  EXPECT_EQ(back->second, WithWeekday(Ct(2015, 1, 2, 3, 4, 5)));
  // Every cut of the field loses the last-write time.
  for (std::size_t n = 0; n < field.size() - 1; ++n) {
    EXPECT_FALSE(ParseTimestampLogField(field.substr(0, n)).has_value()) << n;
  }
}

}  // namespace
}  // namespace tessivo
