#pragma once
// Calendar and file-time helpers shared by the date and timestamp modes,
// execution and undo: the broken-down local date-time CalendarTime, calendar
// addition, the weekday, the "YYYY/MM/DD hh:mm:ss" text form of rename logs
// and timestamp descriptions, the conversion between UTC file times and local
// time, and AccessFileTimes, the one way the program reads and sets the
// creation and last-write times of a file or folder.
//
// Local time is the time with the UTC offset in force at the instant in
// question (a summer date shows summer time even when read in winter). The
// zone is a LocalTimeZone handed in by the caller: SystemTimeZone for the
// program, FixedOffsetTimeZone or a TZ set by the test for tests.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "platform/file_system.h"

namespace tessivo {

// A broken-down date-time, field for field the layout of the Windows
// SYSTEMTIME record (eight 16-bit fields in this order).
struct CalendarTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;        // 1..12
  std::uint16_t day_of_week = 0;  // 0 = Sunday .. 6 = Saturday
  std::uint16_t day = 0;          // 1..31
  std::uint16_t hour = 0;         // 0..23
  std::uint16_t minute = 0;       // 0..59
  std::uint16_t second = 0;       // 0..59
  std::uint16_t millisecond = 0;  // 0..999

  friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// The years calendar arithmetic keeps to, and the years a file time can
// express as a CalendarTime (FILETIME starts in 1601; SYSTEMTIME ends in 30827).
inline constexpr int kMinCalendarYear = 1;
inline constexpr int kMinFileTimeYear = 1601;
inline constexpr int kMaxCalendarYear = 30827;

bool IsLeapYear(int year);
// 28..31; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
// 0 = Sunday .. 6 = Saturday, for a date of the Gregorian calendar.
int DayOfWeek(int year, int month, int day);

// Whether every field but day_of_week lies in its range (the year in
// kMinCalendarYear..kMaxCalendarYear, the day within its month).
bool IsValidCalendarTime(const CalendarTime& time);

// Moves `time` by a signed number of days and seconds to the exact Gregorian
// date-time that lies that much later (or earlier): seconds carry into
// minutes, hours and days, days run through the months with their lengths,
// months into years. The millisecond and day_of_week fields are kept.
// Offsets of 0 and 0 change nothing and succeed. Returns false, leaving
// `time` unchanged, when `time` is not a valid date-time or the result would
// fall outside the years kMinCalendarYear..kMaxCalendarYear.
bool AddToDateTime(CalendarTime& time, std::int64_t days, std::int64_t seconds);

// The text form "%4d/%02d/%02d %02d:%02d:%02d" (19 characters for years
// 1000..9999). Stored format: rename logs and the timestamp descriptions of
// the new-name column are read back with ParseTime.
std::u16string FormatTime(const CalendarTime& time);

// Reads a time written by FormatTime starting at `offset` of `text`: digits
// must stand at offsets 0-3, 5-6, 8-9, 11-12, 14-15, 17-18 and ':' at 13 and
// 16; the other separators are not looked at. The values themselves are not
// checked (month 13 is read as 13). millisecond is 0 and day_of_week is
// computed. nullopt when the text is too short or a digit or colon is missing.
std::optional<CalendarTime> ParseTime(std::u16string_view text, std::size_t offset);

// Conversion between UTC file times and local calendar times.
class LocalTimeZone {
 public:
  virtual ~LocalTimeZone() = default;
  // The local date-time of `utc`, day_of_week and millisecond filled in.
  // nullopt when the result falls outside kMinFileTimeYear..kMaxCalendarYear.
  virtual std::optional<CalendarTime> ToLocal(FileTime utc) const = 0;
  // The UTC file time of a local date-time (day_of_week is ignored). A local
  // time that occurs twice (the hour repeated when summer time ends) is taken
  // at its first occurrence; one that does not occur (the hour skipped when
  // summer time starts) is read with the offset in force before the skip, so
  // 02:30 in a skipped hour 02:00-03:00 becomes 03:30. nullopt when `local`
  // is not a valid date-time or lies outside the file-time years.
  virtual std::optional<FileTime> ToUtc(const CalendarTime& local) const = 0;
};

// The C library's local zone (the TZ variable, else /etc/localtime). The zone
// is read (tzset) when an object is made, so make one per run.
class SystemTimeZone final : public LocalTimeZone {
 public:
  SystemTimeZone();
  std::optional<CalendarTime> ToLocal(FileTime utc) const override;
  std::optional<FileTime> ToUtc(const CalendarTime& local) const override;
};

// A zone whose offset from UTC never changes (UTC itself with 0).
class FixedOffsetTimeZone final : public LocalTimeZone {
 public:
  explicit FixedOffsetTimeZone(std::int32_t offset_seconds) : offset_(offset_seconds) {}
  std::optional<CalendarTime> ToLocal(FileTime utc) const override;
  std::optional<FileTime> ToUtc(const CalendarTime& local) const override;

 private:
  std::int32_t offset_;
};

// Which of the two times a call sets.
enum class TimeSelect { kNone = 0, kCreation = 1, kLastWrite = 2, kBoth = 3 };

// A file's creation and last-write times, in UTC and in local time. A time
// that cannot be expressed in local time (outside the file-time years) has
// an all-zero CalendarTime.
struct FileTimes {
  FileTime creation = 0;
  FileTime last_write = 0;
  CalendarTime creation_local;
  CalendarTime last_write_local;
};

// Looks `path` up and, unless `set` is kNone, sets the selected times to
// `new_creation` / `new_last_write` (UTC file times; the last-access time is
// never touched). Returns the times as they were before the change. Fails
// with the look-up's error (kNotFound when nothing is there) or with the
// error of FileSystem::SetTimes, which changes nothing when it fails (where
// the file system has no channel for creation times, setting one is
// kNotSupported).
Result<FileTimes> AccessFileTimes(FileSystem& fs, const LocalTimeZone& zone,
                                  const std::u16string& path, TimeSelect set = TimeSelect::kNone,
                                  FileTime new_creation = 0, FileTime new_last_write = 0);

}  // namespace tessivo
