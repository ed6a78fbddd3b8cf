#pragma once
// Capture times recorded inside media files: the EXIF DateTimeOriginal (or
// DateTimeDigitized) of a JPEG photo and the creation time of a QuickTime
// movie header. The date mode names files by them.
//
// Both readers look only at a few bounded windows at the start (and, for
// movies, the end) of the file, read through FileSystem::ReadRange: a JPEG
// costs one read of 4 KiB in the usual case and at most three reads adding
// up to 64 KiB; a movie at most one look-up and four reads of at most 64 KiB.
// Nothing is ever read outside the bytes a read returned or the window being
// looked at, so damaged, truncated or hostile files give "no capture time",
// never a fault. Nothing is reported: a file without a readable capture time
// is simply a file without one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "modes/calendar.h"
#include "platform/file_system.h"

namespace tessivo {

// The hours added to movie capture times when `timezone` is not set.
inline constexpr int kDefaultMovieTimeZoneHours = 9;

// The `timezone` setting read as an integer the way the C library's atoi
// reads it: leading blanks, an optional sign, then digits up to the first
// other character; 0 when there are no digits. Values too large for an int
// saturate (and then lie outside the hours the movie reader applies).
int TimeZoneHours(std::u16string_view setting_text);

// The photo's capture time, for a path ending (in any letter case) in ".jpg"
// or ".jpeg". The file must begin with FF D8 and hold "Exif" 00 00 within its
// first 128 bytes, followed by a TIFF header ("MM" 00 2A or "II" 2A 00).
// Looking through windows of 4096, 8192 and 65535 bytes in turn, the first
// 12-byte directory entry (at an even distance from the TIFF header) for
// DateTimeOriginal (0x9003) or DateTimeDigitized (0x9004) of type ASCII and
// count 20 whose string lies inside the window is taken; DateTimeOriginal
// ends the search, DateTimeDigitized may be replaced by a later entry. The
// string must be 19 characters "YYYY:MM:DD hh:mm:ss" with the leading digit
// of the year 1..2, of the month 0..1, of the day 0..3, of the hour 0..2 and
// of the minute 0..5. Each field is read as its leading digits, so the
// result need not be a real date. The time is returned as recorded (local
// time of the camera), millisecond 0 and day_of_week 0.
// nullopt for any other path, a file that cannot be read, or when no string
// passes.
std::optional<CalendarTime> ReadExifCaptureTime(FileSystem& fs, const std::u16string& path);

// The movie's creation time, for a path ending (in any letter case) in ".mov"
// or ".qt". Looks at the last 16383 bytes, the first 16383, the last 65534
// and the first 65534 (the whole file when it is shorter) for a movie atom
// whose first child is a movie header shorter than 64 KiB ("moov", 00 00,
// 2 bytes, "mvhd"), and reads the header's creation time (version 0 layout:
// big-endian seconds since 1904-01-01 00:00:00 UTC). `timezone_hours` in
// -23..23 is added (in 32-bit arithmetic with wrap-around); other values add
// nothing. A time at or before 1972-01-01 is skipped and the search goes on.
// millisecond and day_of_week are 0.
// nullopt for any other path, a file that cannot be read, or when no header
// gives a time.
std::optional<CalendarTime> ReadQuickTimeCaptureTime(FileSystem& fs, const std::u16string& path,
                                                     int timezone_hours);

// ReadExifCaptureTime, and when it finds nothing ReadQuickTimeCaptureTime.
std::optional<CalendarTime> ReadCaptureTime(FileSystem& fs, const std::u16string& path,
                                            int timezone_hours);

// The calendar date-time of a movie header time already shifted by the time
// zone: `seconds` since 1904-01-01, which must be later than 1972-01-01
// (nullopt otherwise). Four-year blocks of 1461 days and then years of 366
// and 365 days are counted off from 1972 with strict comparisons, and the
// rest is added to January 1 of the year reached. So the last day of a leap
// year lands on January 1 of the year after (a time exactly 366 days into a
// leap year on January 2), and 2100 counts as a leap year; movie names are
// made with exactly this count.
std::optional<CalendarTime> QuickTimeSecondsToCalendar(std::uint32_t seconds);

}  // namespace tessivo
