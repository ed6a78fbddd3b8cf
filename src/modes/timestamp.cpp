#include "modes/timestamp.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

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

// ---- the mode ----

namespace {

constexpr SettingBinding kTimestampBindings[] = {
    {ctl::kStampOperation, IntKey::kCreatmodif, true},
    {ctl::kStampNow, IntKey::kStampnow, false},
    {ctl::kStampOnlyWhen, IntKey::kTimestpsm, true},
    {ctl::kShiftDirection, IntKey::kFwdback, true},
};
constexpr NumberBinding kTimestampNumbers[] = {
    {ctl::kStampIncrement, IntKey::kTimeplus, kLongDigits, kMaxTimestampIncrement, true},
    {ctl::kShiftDays, IntKey::kFwdbackdays, kLongDigits, kMaxTimestampShiftDays, true},
};

std::vector<PanelControl> TimestampControls() {
  return {MakeControl(ctl::kStampOperation, ControlKind::kComboBox, {},
                      {u"作成日時を指定", u"更新日時を指定", u"作成日時と更新日時を指定",
                       u"作成日時を更新日時に合わせる", u"更新日時を作成日時に合わせる",
                       u"作成日時の時差調整", u"更新日時の時差調整"}),
          MakeControl(ctl::kStampDate, ControlKind::kDatePicker),
          MakeControl(ctl::kStampTime, ControlKind::kTimePicker),
          MakeControl(ctl::kStampNow, ControlKind::kCheckBox, u"現在時刻"),
          MakeControl(ctl::kStampIncrement, ControlKind::kEdit),
          MakeControl(ctl::kStampOnlyWhen, ControlKind::kComboBox, {},
                      {u"全て", u"日時が進む場合のみ", u"日時が戻る場合のみ"}),
          MakeControl(ctl::kShiftDays, ControlKind::kEdit),
          MakeControl(ctl::kShiftDirection, ControlKind::kComboBox, {}, {u"戻す", u"進める"})};
}

// The date of picker 1603 and the time of 1604; the run's start in local time.
void PrepareTimestamp(const Settings& settings, const ModePanel& panel, ModeContext& ctx) {
  TimestampParams& stamp = ctx.timestamp;
  stamp.operation = settings.Int(IntKey::kCreatmodif);
  const CalendarTime& date = panel.At(ctl::kStampDate).time;
  const CalendarTime& time = panel.At(ctl::kStampTime).time;
  stamp.picker.year = date.year;
  stamp.picker.month = date.month;
  stamp.picker.day = date.day;
  stamp.picker.day_of_week = date.day_of_week;
  stamp.picker.hour = time.hour;
  stamp.picker.minute = time.minute;
  stamp.picker.second = time.second;
  stamp.stamp_now = settings.Int(IntKey::kStampnow) != 0;
  stamp.now = ctx.zone.ToLocal(ctx.now).value_or(CalendarTime{});
  stamp.increment_seconds = settings.Int(IntKey::kTimeplus);
  stamp.only_when = settings.Int(IntKey::kTimestpsm);
  stamp.shift_days = settings.Int(IntKey::kFwdbackdays);
  stamp.shift_direction = settings.Int(IntKey::kFwdback);
}

// Whether the run is on FAT is decided from its first row.
std::u16string ComputeTimestamp(ModeContext& ctx, const ModeRow& row) {
  if (!ctx.fat_run) ctx.fat_run = IsOnFat(ctx.fs, row.source_path);
  return TransformTimestamp(ctx.fs, ctx.zone, row.source_path, ctx.timestamp, row.row_ordinal,
                            *ctx.fat_run);
}

}  // namespace

constinit const ModeDescriptor kTimestampMode = {
    .mode = RenameMode::kTimestamp,
    .name = u"ﾀｲﾑｽﾀﾝﾌﾟ",
    .help = u" タイムスタンプを指定した日時にします。",
    .command_name = u"timestamp",
    .controls = TimestampControls,
    .bindings = kTimestampBindings,
    .numbers = kTimestampNumbers,
    .prepare = PrepareTimestamp,
    .compute = ComputeTimestamp,
    .change = ModeChange::kTimes,
};

}  // namespace tessivo
