#pragma once
// Date and time (rename mode 9): puts a date-time of the file into its name,
// either its creation time, its last-write time or the capture time recorded
// inside a JPEG photo or QuickTime movie (capture_time.h).
//
// The date text follows one of nine fixed formats or a custom format with
// tokens, may carry the unit characters 年 月 日 時 分 秒 after each number,
// and replaces the name or goes before or after the base name, optionally
// joined by the separator text. File times are the local times the caller's
// LocalTimeZone gives (the offset in force at that date); capture times are
// used as recorded.
//
// ApplyDate is pure: it is handed the file's times and a provider of the
// capture time, so it never touches the disk. TransformDate reads both
// through a FileSystem.

#include <functional>
#include <optional>
#include <string>

#include "modes/calendar.h"
#include "modes/capture_time.h"
#include "platform/file_system.h"

namespace tessivo {

// Which date-time names the file (`whichdate`). Values outside 0..3 use the
// creation time.
enum DateSource : int {
  kDateFromCreation = 0,
  kDateFromLastWrite = 1,
  kDateFromCapture = 2,            // a file without a capture time keeps its name
  kDateFromCaptureOrCreation = 3,  // a file without a capture time gets its creation time
};

// Where the date text goes (`dateins`); S is the separator. Values outside
// 0..4 replace the base name.
enum DatePlacement : int {
  kDateAsName = 0,            // date + extension
  kDateBeforeName = 1,        // date + base + extension
  kDateAfterName = 2,         // base + date + extension
  kDateBeforeNameJoined = 3,  // date + S + base + extension
  kDateAfterNameJoined = 4,   // base + S + date + extension
};

// The number of fixed formats (`datefrom` 0..8): "YYYY〓MM〓DD〓hh〓mm〓ss",
// "YYYYMMDD〓hhmmss", "YYYY〓MM〓DD〓hh〓mm", "YYYYMMDD〓hhmm", "YYYY〓MM〓DD",
// "YYYYMMDDhhmmss", "YYYYMMDDhhmm", "YYYYMMDD", "MMDD"; 〓 stands for the
// separator.
inline constexpr int kDateFormatCount = 9;
// How much of a custom format is used.
inline constexpr std::size_t kMaxCustomDateFormatChars = 128;

struct DateParams {
  int source = kDateFromCreation;  // a DateSource
  // The fixed format, 0..8. Any other value, or a non-empty `ymdform`,
  // selects the custom format.
  int format_index = 0;
  std::u16string custom_format;  // the custom format
  int placement = kDateAsName;   // a DatePlacement
  std::u16string separator;      // the separator: joins name and date, replaces 〓
  bool unit_characters = false;  // unit characters after the numbers
  bool file_dir = false;      // the list holds folders: "a.b" is one base name
  int timezone_hours = kDefaultMovieTimeZoneHours;  // `timezone` read with TimeZoneHours
};

// Whether `params` selects the custom format.
bool UsesCustomDateFormat(const DateParams& params);

// The date text of `time` in the format of `params` (at most 259
// characters). Fixed formats print the year padded with spaces to four
// characters and the other numbers with zeros to two, each followed by its
// unit character when `addyymmdd` is set.
//
// A custom format (its first 128 characters) gets these replacements in this
// order, each of the first occurrence only, each searched in the text as the
// earlier ones left it (case-sensitive):
//   "YYYY" year, four digits      else "2Y" last two digits of the year
//   "MM"   month, two digits      else "1M" month without padding
//   "DD"   day, two digits        else "1D" day without padding
//   "hh"   hour, two digits       else "1h" hour without padding
//   "mm"   minute, two digits     else "1m" minute without padding
//   "ss"   second, two digits     else "1s" second without padding
//   "www"  Sun Mon Tue Wed Thu Fri Sat
//   "ww"   日 月 火 水 木 金 土
// and every "〓" becomes the separator. Numbers take their unit character as
// in the fixed formats. The weekday is computed from the year, month and
// day; `time.day_of_week` is not used.
std::u16string FormatDateText(const CalendarTime& time, const DateParams& params);

// Returns the file's capture time, or nullopt when it has none.
using CaptureTimeProvider = std::function<std::optional<CalendarTime>()>;

// The new full path of the row whose source is `source_path` (folder + name).
// `times` holds the file's times (nullopt: they could not be read, which
// gives the empty string, a name validation refuses). `capture_time` is
// called at most once, and only for the capture sources. The result is cut
// to 259 characters. With the capture source (2) and no capture time the
// result is `source_path` unchanged.
std::u16string ApplyDate(const std::u16string& source_path, const DateParams& params,
                         const std::optional<FileTimes>& times,
                         const CaptureTimeProvider& capture_time);

// ApplyDate for a file on disk. `disk_path` is where the file is now (the
// folder + the row's name before any change; it differs from `source_path`
// only while a macro's later steps work on names an earlier step made). The
// times are read from `disk_path` with AccessFileTimes in `zone`, and the
// capture time from its contents (ReadCaptureTime with
// `params.timezone_hours`), so the date stays found however earlier steps
// renamed the row.
std::u16string TransformDate(FileSystem& fs, const LocalTimeZone& zone,
                             const std::u16string& source_path, const std::u16string& disk_path,
                             const DateParams& params);

}  // namespace tessivo
