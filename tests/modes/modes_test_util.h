#pragma once
// Helpers shared by the mode tests: calendar records and UTC file times built
// with the C library, independently of the code under test, and a printer so
// that failing comparisons of CalendarTime show the date.

#include <time.h>

#include <cstdint>
#include <cstdio>
#include <ostream>

#include "modes/calendar.h"

namespace tessivo {

// A CalendarTime with day_of_week 0.
inline CalendarTime Ct(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  auto u = [](int v) { return static_cast<std::uint16_t>(v); };
  return {u(y), u(mo), 0, u(d), u(h), u(mi), u(s), u(ms)};
}

// `t` with the weekday of its date.
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

}  // namespace tessivo
