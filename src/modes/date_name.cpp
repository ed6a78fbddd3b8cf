#include "modes/date_name.h"

#include <array>
#include <string_view>

#include "modes/capture_time.h"
#include "modes/name_parts.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

namespace tessivo {
namespace {

constexpr std::u16string_view kSeparatorMark = u"〓";

// The fixed formats: a field letter prints its number and unit character,
// '-' prints the separator.
constexpr std::array<std::string_view, kDateFormatCount> kFixedFormats = {
    "Y-M-D-h-m-s", "YMD-hms", "Y-M-D-h-m", "YMD-hm", "Y-M-D", "YMDhms", "YMDhm", "YMD", "MD",
};

constexpr std::array<std::u16string_view, 7> kEnglishWeekdays = {u"Sun", u"Mon", u"Tue", u"Wed",
                                                                 u"Thu", u"Fri", u"Sat"};
constexpr std::array<std::u16string_view, 7> kJapaneseWeekdays = {u"日", u"月", u"火", u"水",
                                                                  u"木", u"金", u"土"};

// `value` in decimal, padded on the left with `fill` to `width` characters.
std::u16string Number(unsigned value, std::size_t width, char16_t fill) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  if (digits.size() < width) digits.insert(0, width - digits.size(), fill);
  return digits;
}

// The date-time fields with their unit characters.
struct Fields {
  const CalendarTime& time;
  bool units;

  std::u16string_view Unit(char field) const {
    if (!units) return {};
    switch (field) {
      case 'Y':
        return u"年";
      case 'M':
        return u"月";
      case 'D':
        return u"日";
      case 'h':
        return u"時";
      case 'm':
        return u"分";
      default:
        return u"秒";
    }
  }
  unsigned Value(char field) const {
    switch (field) {
      case 'Y':
        return time.year;
      case 'M':
        return time.month;
      case 'D':
        return time.day;
      case 'h':
        return time.hour;
      case 'm':
        return time.minute;
      default:
        return time.second;
    }
  }
  // The field's number padded as given, and its unit.
  std::u16string Text(char field, std::size_t width, char16_t fill) const {
    return Number(Value(field), width, fill) + std::u16string(Unit(field));
  }
};

bool ReplaceFirst(std::u16string& text, std::u16string_view token,
                  const std::u16string& replacement) {
  const std::size_t at = text.find(token);
  if (at == std::u16string::npos) return false;
  text.replace(at, token.size(), replacement);
  CutToMaxPath(text);
  return true;
}

std::u16string FormatCustom(const Fields& f, const std::u16string& sep,
                            const std::u16string& format) {
  std::u16string text = format.substr(0, kMaxCustomDateFormatChars);
  if (!ReplaceFirst(text, u"YYYY", f.Text('Y', 4, u'0'))) {
    ReplaceFirst(text, u"2Y", Number(f.time.year % 100, 2, u'0') + std::u16string(f.Unit('Y')));
  }
  // Each field has its two-digit token and its unpadded one.
  static constexpr std::array<std::pair<std::u16string_view, std::u16string_view>, 5> kTokens = {
      {{u"MM", u"1M"}, {u"DD", u"1D"}, {u"hh", u"1h"}, {u"mm", u"1m"}, {u"ss", u"1s"}}};
  static constexpr std::string_view kFields = "MDhms";
  for (std::size_t i = 0; i < kTokens.size(); ++i) {
    if (!ReplaceFirst(text, kTokens[i].first, f.Text(kFields[i], 2, u'0'))) {
      ReplaceFirst(text, kTokens[i].second, f.Text(kFields[i], 1, u'0'));
    }
  }
  const int weekday = ((DayOfWeek(f.time.year, f.time.month, f.time.day) % 7) + 7) % 7;
  ReplaceFirst(text, u"www", std::u16string(kEnglishWeekdays[weekday]));
  ReplaceFirst(text, u"ww", std::u16string(kJapaneseWeekdays[weekday]));

  std::u16string result;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(kSeparatorMark, from)) != std::u16string::npos;
       from = at + kSeparatorMark.size()) {
    result.append(text, from, at - from);
    result += sep;
  }
  result.append(text, from, std::u16string::npos);
  CutToMaxPath(result);
  return result;
}

}  // namespace

bool UsesCustomDateFormat(const DateParams& params) {
  return params.format_index < 0 || params.format_index >= kDateFormatCount || !params.custom_format.empty();
}

std::u16string FormatDateText(const CalendarTime& time, const DateParams& params) {
  const Fields fields{time, params.unit_characters};
  if (UsesCustomDateFormat(params)) return FormatCustom(fields, params.separator, params.custom_format);
  std::u16string text;
  for (char c : kFixedFormats[static_cast<std::size_t>(params.format_index)]) {
    if (c == '-') {
      text += params.separator;
    } else if (c == 'Y') {
      text += fields.Text(c, 4, u' ');
    } else {
      text += fields.Text(c, 2, u'0');
    }
  }
  CutToMaxPath(text);
  return text;
}

std::u16string ApplyDate(const std::u16string& source_path, const DateParams& params,
                         const std::optional<FileTimes>& times,
                         const CaptureTimeProvider& capture_time) {
  if (!times) return {};
  CalendarTime time =
      params.source == kDateFromLastWrite ? times->last_write_local : times->creation_local;
  if (params.source == kDateFromCapture || params.source == kDateFromCaptureOrCreation) {
    std::optional<CalendarTime> captured;
    if (capture_time) captured = capture_time();
    if (captured) {
      time = *captured;
    } else if (params.source == kDateFromCapture) {
      return CutToMaxPath(source_path);
    }
  }

  const NameParts parts = SplitNamePath(source_path, params.file_dir);
  const std::u16string date = FormatDateText(time, params);
  std::u16string path = parts.Prefix();
  switch (params.placement) {
    case kDateBeforeName:
      path += date + parts.base;
      break;
    case kDateAfterName:
      path += parts.base + date;
      break;
    case kDateBeforeNameJoined:
      path += date + params.separator + parts.base;
      break;
    case kDateAfterNameJoined:
      path += parts.base + params.separator + date;
      break;
    default:
      path += date;
      break;
  }
  path += parts.extension;
  CutToMaxPath(path);
  return path;
}

std::u16string TransformDate(FileSystem& fs, const LocalTimeZone& zone,
                             const std::u16string& source_path, const std::u16string& disk_path,
                             const DateParams& params) {
  std::optional<FileTimes> times;
  if (auto read = AccessFileTimes(fs, zone, disk_path)) times = std::move(*read);
  return ApplyDate(source_path, params, times,
                   [&]() { return ReadCaptureTime(fs, disk_path, params.timezone_hours); });
}

// ---- the mode ----

namespace {

// The format parameter of a step whose format was typed (text 2 holds it).
constexpr int kTypedDateFormat = 9;
// Text 1 of a step begins with it when the unit characters were added.
constexpr std::u16string_view kYearMark = u"年";

constexpr SettingBinding kDateBindings[] = {
    {ctl::kDateSource, IntKey::kWhichdate, true},
    {ctl::kDatePlacement, IntKey::kDateins, true},
    {ctl::kDateUnits, IntKey::kAddyymmdd, false},
};

std::vector<PanelControl> DateControls() {
  return {MakeControl(ctl::kDateSource, ControlKind::kComboBox, {},
                      {u"作成日時", u"更新日時", u"撮影日時", u"撮影 or 作成"}),
          MakeControl(ctl::kDateFormat, ControlKind::kEditableCombo, {},
                      {u"YYYY〓MM〓DD〓hh〓mm〓ss", u"YYYYMMDD〓hhmmss", u"YYYY〓MM〓DD〓hh〓mm",
                       u"YYYYMMDD〓hhmm", u"YYYY〓MM〓DD", u"YYYYMMDDhhmmss", u"YYYYMMDDhhmm",
                       u"YYYYMMDD", u"MMDD"}),
          MakeControl(ctl::kDateSeparator, ControlKind::kEdit),
          MakeControl(ctl::kDatePlacement, ControlKind::kComboBox, {},
                      {u"新規の名前", u"先頭に追加", u"後ろに追加", u"先頭に追加＋〓",
                       u"〓＋後ろに追加"}),
          MakeControl(ctl::kDateUnits, ControlKind::kCheckBox, u"年月日の文字も付与")};
}

void PrepareDate(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  DateParams& date = ctx.date;
  date.source = settings.Int(IntKey::kWhichdate);
  date.format_index = settings.Int(IntKey::kDatefrom);  // -1 after a typed format
  date.custom_format = settings.Text(TextKey::kYmdform);
  date.placement = settings.Int(IntKey::kDateins);
  date.separator = settings.Text(TextKey::kSepstr);
  date.file_dir = ctx.file_dir;
  date.timezone_hours = TimeZoneHours(settings.Text(TextKey::kTimezone));
}

// The unit characters are read from box 1740 when a row is computed; the
// file's times are read where it is on disk, since during a macro playback
// the source path carries the name an earlier step made.
std::u16string ComputeDate(ModeContext& ctx, const ModeRow& row) {
  DateParams date = ctx.date;
  date.unit_characters = ctx.panel.At(ctl::kDateUnits).value != 0;
  return TransformDate(ctx.fs, ctx.zone, row.source_path, row.disk_path, date);
}

void CaptureDate(const StepSource& source, MacroStep& step) {
  const Settings& settings = source.settings;
  const bool typed = settings.Int(IntKey::kDatefrom) < 0;
  step.params = {settings.Int(IntKey::kWhichdate),
                 typed ? kTypedDateFormat : settings.Int(IntKey::kDatefrom),
                 settings.Int(IntKey::kDateins)};
  step.text1 = settings.Text(TextKey::kSepstr);
  if (settings.Int(IntKey::kAddyymmdd) == 1) step.text1.insert(0, kYearMark);
  if (typed) step.text2 = settings.Text(TextKey::kYmdform);
}

void ApplyDateStep(const MacroStep& step, const StepTarget& target) {
  ModePanel& panel = target.panel;
  const auto& p = step.params;
  panel.At(ctl::kDateSource).value = p[0];
  const bool units = step.text1.starts_with(kYearMark);
  panel.At(ctl::kDateUnits).value = units ? 1 : 0;
  panel.At(ctl::kDateSeparator).text = units ? step.text1.substr(kYearMark.size()) : step.text1;
  PanelControl& format = panel.At(ctl::kDateFormat);
  if (p[1] == kTypedDateFormat || static_cast<std::size_t>(p[1]) >= format.items.size()) {
    format.value = -1;
    format.text = step.text2;
  } else {
    format.value = p[1];
    format.text = format.items[static_cast<std::size_t>(p[1])];
  }
  panel.At(ctl::kDatePlacement).value = p[2];
}

}  // namespace

constinit const ModeDescriptor kDateMode = {
    .mode = RenameMode::kDate,
    .name = u"日時",
    .help = u" 作成日時、更新日時、撮影日時を追加します。",
    .command_name = u"date",
    .controls = DateControls,
    .bindings = kDateBindings,
    .prepare = PrepareDate,
    .compute = ComputeDate,
    .step_form = StepForm::kParameters,
    .step_code = "TIM",
    .step_limits = {'3', '9', '4'},
    .capture = CaptureDate,
    .apply = ApplyDateStep,
};

}  // namespace tessivo
