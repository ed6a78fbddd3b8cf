#pragma once
// Timestamp (rename mode 13): changes a file's creation time, last-write
// time or both instead of its name.
//
// The preview writes a description of the change into the row's new-name
// column ("<作成：2014/05/06 10:00:00>", "<更新：…>", "<両方：…>", or
// "** 変更されません **" when the row is left alone), and execution reads
// that same text back and applies it, so what the user sees is exactly what
// is written. Times in descriptions are local times of the offset in force at
// that date.
//
// Operations (`creatmodif`): 0 set the creation time, 1 set the last-write
// time, 2 set both, each to the chosen date-time plus row × increment;
// 3 creation := last-write, 4 last-write := creation, both optionally only
// when the time moves later (or earlier); 5 and 6 shift the creation or
// last-write time by a number of days and a time of day.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/result.h"
#include "modes/calendar.h"
#include "platform/file_system.h"

namespace tessivo {

enum class TimestampOperation : int {
  kSetCreation = 0,
  kSetLastWrite = 1,
  kSetBoth = 2,
  kCreationFromLastWrite = 3,
  kLastWriteFromCreation = 4,
  kShiftCreation = 5,
  kShiftLastWrite = 6,
};

inline constexpr int kMaxTimestampIncrement = 604800;  // seconds per row
inline constexpr int kMaxTimestampShiftDays = 366;

// The mode's parameters, read once per preview or execution run.
struct TimestampParams {
  int operation = 0;  // `creatmodif`, a TimestampOperation
  // The date picker's year/month/day and the time picker's hour/minute/second
  // (for operations 5 and 6 the time picker holds the shift amount).
  CalendarTime picker;
  bool stamp_now = false;  // `stampnow`: the time picker follows the clock
  // The local time at the start of the run; with stamp_now its time of day
  // replaces the picker's for operations 0 to 2.
  CalendarTime now;
  int increment_seconds = 0;  // `timeplus`, 0..604800 (larger counts as 604800)
  int only_when = 0;          // `timestpsm`: 0 always, 1 only when later, 2 only when earlier
  int shift_days = 0;         // `fwdbackdays`, 0..366 (larger counts as 366)
  int shift_direction = 0;    // `fwdback`: 0 earlier, 1 later
};

// Stored format: the texts of the new-name column that ApplyTimestamp reads.
inline constexpr std::u16string_view kTimestampUnchanged = u"** 変更されません **";
inline constexpr std::u16string_view kCreationLabel = u"作成";
inline constexpr std::u16string_view kLastWriteLabel = u"更新";
inline constexpr std::u16string_view kBothLabel = u"両方";

// Whether `path` lies on a FAT volume, where times are kept in 2-second steps.
// The run asks this once, for its first row, and passes the answer to every
// row as `fat_run`.
bool IsOnFat(FileSystem& fs, const std::u16string& path);

// The description for the row at position `row` (0 for the first row of the
// run, then 1, 2, ...). `current` holds the file's times and is used by
// operations 3 to 6; nullopt means they could not be read, which gives an
// empty description for those operations. With `fat_run` the chosen time's
// second is rounded down to an even number. An empty description also comes
// from an unknown operation, a picker date-time that does not exist, or a
// time pushed outside the calendar years.
std::u16string DescribeTimestamp(const TimestampParams& params,
                                 const std::optional<FileTimes>& current, std::int64_t row,
                                 bool fat_run);

// DescribeTimestamp for the file at `path`, reading its times through
// AccessFileTimes when the operation needs them.
std::u16string TransformTimestamp(FileSystem& fs, const LocalTimeZone& zone,
                                  const std::u16string& path, const TimestampParams& params,
                                  std::int64_t row, bool fat_run);

// What ApplyTimestamp did.
struct TimestampChange {
  // False when the text held no description to apply: no "/<" in it (as in
  // "** 変更されません **"), a date-time that does not read, or an unknown
  // label. Nothing was done then, and that counts as success.
  bool applied = false;
  // The times before the change (for the rename log), when applied.
  FileTimes old_times;
};

// Applies the description in `new_path_text` (the row's full new-name text:
// folder + "/" + description) to the file at `path`: the date-time at
// character 4 of the description, as local time, becomes the creation time,
// the last-write time or both, after the description's label (looked for in
// the description only, never in the folder part). Fails with kNotFound when
// the file is gone, with kInvalidArgument when the date-time reads but is no
// real date (2014/02/30), and with the error of FileSystem::SetTimes, which
// then changed nothing.
Result<TimestampChange> ApplyTimestamp(FileSystem& fs, const LocalTimeZone& zone,
                                       const std::u16string& path,
                                       std::u16string_view new_path_text);

// The rename log's field of the times before a change:
// "<作成：YYYY/MM/DD hh:mm:ss, 更新：YYYY/MM/DD hh:mm:ss>". Stored format: the
// creation time starts at character 4, the last-write time at character 28.
std::u16string TimestampLogField(const FileTimes& old_times);

// The two local times of a log field written by TimestampLogField: creation
// first. nullopt when either does not read (see ParseTime).
std::optional<std::pair<CalendarTime, CalendarTime>> ParseTimestampLogField(
    std::u16string_view field);

}  // namespace tessivo
