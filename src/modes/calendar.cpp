#include "modes/calendar.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace tessivo {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kTicksPerSecond = kFileTimeTicksPerSecond;
constexpr std::int64_t kTicksPerMillisecond = 10'000;

// Offsets larger than this cannot stay inside the calendar years, whatever the
// start; refusing them early keeps the arithmetic below far from overflow.
constexpr std::int64_t kMaxOffsetDays = 366LL * (kMaxCalendarYear + 1);

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Civil {
  std::int64_t year;
  int month;
  int day;
};

Civil CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

// Seconds since 1970-01-01 00:00:00 of the fields, taken as if they were UTC.
std::int64_t FieldSeconds(const CalendarTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 +
         t.second;
}

// The calendar fields of `seconds` (since 1970, in whatever zone they count),
// or nullopt outside the years [min_year, kMaxCalendarYear].
std::optional<CalendarTime> FieldsOf(std::int64_t seconds, int min_year) {
  const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const std::int64_t in_day = seconds - days * kSecondsPerDay;
  const Civil c = CivilFromDays(days);
  if (c.year < min_year || c.year > kMaxCalendarYear) return std::nullopt;
  CalendarTime t;
  t.year = static_cast<std::uint16_t>(c.year);
  t.month = static_cast<std::uint16_t>(c.month);
  t.day = static_cast<std::uint16_t>(c.day);
  t.day_of_week = static_cast<std::uint16_t>(DayOfWeek(static_cast<int>(c.year), c.month, c.day));
  t.hour = static_cast<std::uint16_t>(in_day / 3600);
  t.minute = static_cast<std::uint16_t>(in_day / 60 % 60);
  t.second = static_cast<std::uint16_t>(in_day % 60);
  return t;
}

std::uint16_t MillisecondOf(FileTime ft) {
  return static_cast<std::uint16_t>((ft - FloorDiv(ft, kTicksPerSecond) * kTicksPerSecond) /
                                    kTicksPerMillisecond);
}

FileTime FileTimeOf(std::int64_t unix_seconds, std::uint16_t millisecond) {
  return FileTimeFromUnix(unix_seconds, 0) + millisecond * kTicksPerMillisecond;
}

bool IsFileTimeYear(int year) { return year >= kMinFileTimeYear && year <= kMaxCalendarYear; }

// The offset from UTC the C library's zone has at the instant `unix_seconds`.
std::optional<std::int64_t> SystemOffsetAt(std::int64_t unix_seconds) {
  const time_t t = static_cast<time_t>(unix_seconds);
  struct tm tm_local {};
  if (localtime_r(&t, &tm_local) == nullptr) return std::nullopt;
  return static_cast<std::int64_t>(tm_local.tm_gmtoff);
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int DayOfWeek(int year, int month, int day) {
  if (month < 3) {
    year -= 1;
    month += 12;
  }
  return ((13 * month + 8) / 5 + day + year + year / 4 - year / 100 + year / 400) % 7;
}

bool IsValidCalendarTime(const CalendarTime& t) {
  return t.year >= kMinCalendarYear && t.year <= kMaxCalendarYear && t.month >= 1 &&
         t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) && t.hour < 24 &&
         t.minute < 60 && t.second < 60 && t.millisecond < 1000;
}

bool AddToDateTime(CalendarTime& time, std::int64_t days, std::int64_t seconds) {
  if (days == 0 && seconds == 0) return true;
  if (!IsValidCalendarTime(time)) return false;
  if (days > kMaxOffsetDays || days < -kMaxOffsetDays) return false;
  if (seconds > kMaxOffsetDays * kSecondsPerDay || seconds < -kMaxOffsetDays * kSecondsPerDay) {
    return false;
  }
  auto moved = FieldsOf(FieldSeconds(time) + days * kSecondsPerDay + seconds, kMinCalendarYear);
  if (!moved) return false;
  moved->millisecond = time.millisecond;
  moved->day_of_week = time.day_of_week;
  time = *moved;
  return true;
}

std::u16string FormatTime(const CalendarTime& t) {
  char buffer[48];
  const int n = std::snprintf(buffer, sizeof buffer, "%4d/%02d/%02d %02d:%02d:%02d", t.year,
                              t.month, t.day, t.hour, t.minute, t.second);
  return std::u16string(buffer, buffer + std::clamp(n, 0, static_cast<int>(sizeof buffer) - 1));
}

std::optional<CalendarTime> ParseTime(std::u16string_view text, std::size_t offset) {
  constexpr std::size_t kLength = 19;
  if (offset > text.size() || text.size() - offset < kLength) return std::nullopt;
  const std::u16string_view s = text.substr(offset, kLength);
  bool ok = s[13] == u':' && s[16] == u':';
  auto number = [&](std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
      if (s[i] < u'0' || s[i] > u'9') {
        ok = false;
        return 0;
      }
      value = value * 10 + (s[i] - u'0');
    }
    return value;
  };
  CalendarTime t;
  t.year = static_cast<std::uint16_t>(number(0, 4));
  t.month = static_cast<std::uint16_t>(number(5, 2));
  t.day = static_cast<std::uint16_t>(number(8, 2));
  t.hour = static_cast<std::uint16_t>(number(11, 2));
  t.minute = static_cast<std::uint16_t>(number(14, 2));
  t.second = static_cast<std::uint16_t>(number(17, 2));
  if (!ok) return std::nullopt;
  t.day_of_week = static_cast<std::uint16_t>(DayOfWeek(t.year, t.month, t.day));
  return t;
}

SystemTimeZone::SystemTimeZone() { tzset(); }

std::optional<CalendarTime> SystemTimeZone::ToLocal(FileTime utc) const {
  const std::int64_t unix_seconds = UnixSecondsOf(utc);
  const time_t t = static_cast<time_t>(unix_seconds);
  struct tm tm_local {};
  if (localtime_r(&t, &tm_local) == nullptr) return std::nullopt;
  const std::int64_t year = static_cast<std::int64_t>(tm_local.tm_year) + 1900;
  if (year < kMinFileTimeYear || year > kMaxCalendarYear) return std::nullopt;
  CalendarTime out;
  out.year = static_cast<std::uint16_t>(year);
  out.month = static_cast<std::uint16_t>(tm_local.tm_mon + 1);
  out.day = static_cast<std::uint16_t>(tm_local.tm_mday);
  out.day_of_week = static_cast<std::uint16_t>(tm_local.tm_wday);
  out.hour = static_cast<std::uint16_t>(tm_local.tm_hour);
  out.minute = static_cast<std::uint16_t>(tm_local.tm_min);
  // A leap second (tm_sec 60) of "right/" zones is shown as :59.
  out.second = static_cast<std::uint16_t>(std::min(tm_local.tm_sec, 59));
  out.millisecond = MillisecondOf(utc);
  return out;
}

std::optional<FileTime> SystemTimeZone::ToUtc(const CalendarTime& local) const {
  if (!IsValidCalendarTime(local) || !IsFileTimeYear(local.year)) return std::nullopt;
  const std::int64_t fields = FieldSeconds(local);
  // Every real offset lies within ±26 hours, so the instants sought lie
  // inside this window, and the offsets at its ends and middle are the ones
  // in force around any change of offset near the wanted time.
  constexpr std::int64_t kWindow = 26 * 3600;
  std::array<std::int64_t, 3> offsets{};
  for (int i = 0; i < 3; ++i) {
    auto offset = SystemOffsetAt(fields + (i - 1) * kWindow);
    if (!offset) return std::nullopt;
    offsets[i] = *offset;
  }
  std::optional<std::int64_t> best;
  for (std::int64_t offset : offsets) {
    const std::int64_t candidate = fields - offset;
    auto in_force = SystemOffsetAt(candidate);
    if (!in_force) return std::nullopt;
    if (*in_force == offset && (!best || candidate < *best)) best = candidate;
  }
  // No instant shows this local time: it lies in a skipped hour.
  if (!best) best = fields - offsets[0];
  return FileTimeOf(*best, local.millisecond);
}

std::optional<CalendarTime> FixedOffsetTimeZone::ToLocal(FileTime utc) const {
  auto out = FieldsOf(UnixSecondsOf(utc) + offset_, kMinFileTimeYear);
  if (out) out->millisecond = MillisecondOf(utc);
  return out;
}

std::optional<FileTime> FixedOffsetTimeZone::ToUtc(const CalendarTime& local) const {
  if (!IsValidCalendarTime(local) || !IsFileTimeYear(local.year)) return std::nullopt;
  return FileTimeOf(FieldSeconds(local) - offset_, local.millisecond);
}

Result<FileTimes> AccessFileTimes(FileSystem& fs, const LocalTimeZone& zone,
                                  const std::u16string& path, TimeSelect set, FileTime new_creation,
                                  FileTime new_last_write) {
  auto info = fs.Stat(path);
  if (!info) return info.error();
  FileTimes old;
  old.creation = info->creation_time;
  old.last_write = info->last_write_time;
  old.creation_local = zone.ToLocal(old.creation).value_or(CalendarTime{});
  old.last_write_local = zone.ToLocal(old.last_write).value_or(CalendarTime{});
  if (set == TimeSelect::kNone) return old;

  std::optional<FileTime> creation;
  std::optional<FileTime> last_write;
  if (set == TimeSelect::kCreation || set == TimeSelect::kBoth) creation = new_creation;
  if (set == TimeSelect::kLastWrite || set == TimeSelect::kBoth) last_write = new_last_write;
  Status status = fs.SetTimes(path, creation, last_write);
  if (!status) return status.error();
  return old;
}

}  // namespace tessivo
