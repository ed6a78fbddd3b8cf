#include "modes/timestamp.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace tessivo {
namespace {

// Where the date-time starts in a description: behind "<", the two-character
// label and "：".
constexpr std::size_t kDescriptionTimeOffset = 4;
constexpr std::size_t kLogLastWriteOffset = 28;

std::u16string Describe(std::u16string_view label, const CalendarTime& time) {
  std::u16string out = u"<";
  out += label;
  out += u"：";
  out += FormatTime(time);
  out += u">";
  return out;
}

// Compares two captured times to the second: date first, then time of day.
int CompareToSecond(const CalendarTime& a, const CalendarTime& b) {
  auto key = [](const CalendarTime& t) {
    return std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second);
  };
  if (key(a) < key(b)) return -1;
  return key(a) == key(b) ? 0 : 1;
}

// Operations 3 and 4: `target` takes the value of `source`. only_when 1 lets
// the change through only when it moves the target later, 2 only when earlier.
std::u16string DescribeCopy(std::u16string_view label, const CalendarTime& target,
                            const CalendarTime& source, int only_when) {
  const int order = CompareToSecond(target, source);
  if ((only_when == 1 && order >= 0) || (only_when == 2 && order <= 0)) {
    return std::u16string(kTimestampUnchanged);
  }
  return Describe(label, source);
}

std::u16string DescribeShift(std::u16string_view label, CalendarTime time,
                             const TimestampParams& params) {
  const std::int64_t days = std::clamp(params.shift_days, 0, kMaxTimestampShiftDays);
  const std::int64_t seconds =
      params.picker.hour * 3600 + params.picker.minute * 60 + params.picker.second;
  time.millisecond = 0;
  const bool ok = params.shift_direction == 1 ? AddToDateTime(time, days, seconds)
                                              : AddToDateTime(time, -days, -seconds);
  return ok ? Describe(label, time) : std::u16string();
}

bool NeedsCurrentTimes(int operation) {
  return operation >= static_cast<int>(TimestampOperation::kCreationFromLastWrite) &&
         operation <= static_cast<int>(TimestampOperation::kShiftLastWrite);
}

}  // namespace

bool IsOnFat(FileSystem& fs, const std::u16string& path) {
  return fs.KindOf(path) == FileSystemKind::kFat;
}

std::u16string DescribeTimestamp(const TimestampParams& params,
                                 const std::optional<FileTimes>& current, std::int64_t row,
                                 bool fat_run) {
  using Op = TimestampOperation;
  const auto op = static_cast<Op>(params.operation);
  switch (op) {
    case Op::kSetCreation:
    case Op::kSetLastWrite:
    case Op::kSetBoth: {
      CalendarTime time = params.picker;
      if (params.stamp_now) {
        time.hour = params.now.hour;
        time.minute = params.now.minute;
        time.second = params.now.second;
      }
      time.millisecond = 0;
      if (fat_run) time.second = static_cast<std::uint16_t>(time.second & ~1u);
      const std::int64_t step = std::clamp(params.increment_seconds, 0, kMaxTimestampIncrement);
      if (!IsValidCalendarTime(time)) return {};
      if (!AddToDateTime(time, 0, std::max<std::int64_t>(row, 0) * step)) return {};
      const std::u16string_view label = op == Op::kSetCreation    ? kCreationLabel
                                        : op == Op::kSetLastWrite ? kLastWriteLabel
                                                                  : kBothLabel;
      return Describe(label, time);
    }
    case Op::kCreationFromLastWrite:
      if (!current) return {};
      return DescribeCopy(kCreationLabel, current->creation_local, current->last_write_local,
                          params.only_when);
    case Op::kLastWriteFromCreation:
      if (!current) return {};
      return DescribeCopy(kLastWriteLabel, current->last_write_local, current->creation_local,
                          params.only_when);
    case Op::kShiftCreation:
      if (!current) return {};
      return DescribeShift(kCreationLabel, current->creation_local, params);
    case Op::kShiftLastWrite:
      if (!current) return {};
      return DescribeShift(kLastWriteLabel, current->last_write_local, params);
  }
  return {};
}

std::u16string TransformTimestamp(FileSystem& fs, const LocalTimeZone& zone,
                                  const std::u16string& path, const TimestampParams& params,
                                  std::int64_t row, bool fat_run) {
  std::optional<FileTimes> current;
  if (NeedsCurrentTimes(params.operation)) {
    auto times = AccessFileTimes(fs, zone, path);
    if (times) current = std::move(times.value());
  }
  return DescribeTimestamp(params, current, row, fat_run);
}

Result<TimestampChange> ApplyTimestamp(FileSystem& fs, const LocalTimeZone& zone,
                                       const std::u16string& path,
                                       std::u16string_view new_path_text) {
  TimestampChange change;
  const std::size_t start = new_path_text.find(u"/<");
  if (start == std::u16string_view::npos) return change;
  const std::u16string_view description = new_path_text.substr(start + 1);
  auto local = ParseTime(description, kDescriptionTimeOffset);
  if (!local) return change;

  const std::u16string_view label = description.substr(1, 2);
  TimeSelect select;
  if (label == kCreationLabel) {
    select = TimeSelect::kCreation;
  } else if (label == kLastWriteLabel) {
    select = TimeSelect::kLastWrite;
  } else if (label == kBothLabel) {
    select = TimeSelect::kBoth;
  } else {
    return change;
  }

  auto utc = zone.ToUtc(*local);
  if (!utc) {
    return MakeError(ErrorCode::kInvalidArgument,
                     std::u16string(description.substr(kDescriptionTimeOffset, 19)));
  }
  auto old = AccessFileTimes(fs, zone, path, select, *utc, *utc);
  if (!old) return old.error();
  change.applied = true;
  change.old_times = std::move(old.value());
  return change;
}

std::u16string TimestampLogField(const FileTimes& old_times) {
  std::u16string out = u"<";
  out += kCreationLabel;
  out += u"：";
  out += FormatTime(old_times.creation_local);
  out += u", ";
  out += kLastWriteLabel;
  out += u"：";
  out += FormatTime(old_times.last_write_local);
  out += u">";
  return out;
}

std::optional<std::pair<CalendarTime, CalendarTime>> ParseTimestampLogField(
    std::u16string_view field) {
  auto creation = ParseTime(field, kDescriptionTimeOffset);
  auto last_write = ParseTime(field, kLogLastWriteOffset);
  if (!creation || !last_write) return std::nullopt;
  return std::make_pair(*creation, *last_write);
}

}  // namespace tessivo
