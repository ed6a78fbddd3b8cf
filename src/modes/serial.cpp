#include "modes/serial.h"

#include <algorithm>
#include <string>
#include <vector>

#include "modes/name_parts.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

namespace tessivo {
namespace {

constexpr std::size_t kMaxSerialTextChars = 256;
constexpr std::size_t kMaxAssistantTextChars = 258;
constexpr std::size_t kMaxAssistantFieldChars = 127;
constexpr std::size_t kMaxNumberChars = 9;
constexpr std::size_t kMaxIncrementDigits = 5;
constexpr std::int64_t kMaxAssistantIncrement = 100000000;
// Keeps row * increment + start far inside 64 bits: 2^40 * 99999 < 2^57.
constexpr std::uint64_t kMaxRowCounter = std::uint64_t{1} << 40;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool InKindRange(SerialKind kind, char16_t c) {
  switch (kind) {
    case kSerialLowerLetters:
      return c >= u'a' && c <= u'z';
    case kSerialUpperLetters:
      return c >= u'A' && c <= u'Z';
    default:
      return IsDigit(c);
  }
}

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// The value of the leading digits of `text` (none: 0). Digits past the
// eighteenth are not added, so the value never overflows.
std::int64_t LeadingDigitsValue(std::u16string_view text) {
  constexpr std::int64_t kStopAt = 100000000000000000;  // 10^17
  std::int64_t value = 0;
  for (char16_t c : text) {
    if (!IsDigit(c)) break;
    if (value < kStopAt) value = value * 10 + (c - u'0');
  }
  return value;
}

// The value of a text the way a C library converts it: an optional sign,
// then the leading digits.
std::int64_t SignedValue(std::u16string_view text) {
  if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) {
    const std::int64_t magnitude = LeadingDigitsValue(text.substr(1));
    return text[0] == u'-' ? -magnitude : magnitude;
  }
  return LeadingDigitsValue(text);
}

std::int64_t NumberValue(SerialKind kind, std::u16string_view number) {
  if (kind == kSerialDigits) return LeadingDigitsValue(number);
  const char16_t first = kind == kSerialLowerLetters ? u'a' : u'A';
  std::int64_t value = 0;
  for (char16_t c : number) value = value * 26 + (c - first) + 1;
  return value;
}

}  // namespace

SerialSpec ParseSerialText(std::u16string_view serial_text) {
  std::u16string t(serial_text.substr(0, kMaxSerialTextChars));
  SerialSpec spec;
  std::size_t number_first = 0;  // in t, before any removal
  std::size_t number_last = 0;

  const std::size_t open = t.find(u'<');
  if (open != std::u16string::npos && t.find(u'>', open + 1) != std::u16string::npos) {
    // Marked form. The ">" after the "<" guarantees t[open + 1] exists and
    // that the scan below stops at the latest on it.
    std::vector<bool> marked(t.size(), false);
    if (InKindRange(kSerialLowerLetters, t[open + 1])) {
      spec.kind = kSerialLowerLetters;
    } else if (InKindRange(kSerialUpperLetters, t[open + 1])) {
      spec.kind = kSerialUpperLetters;
    }
    std::size_t i = open + 1;
    while (i < t.size() && InKindRange(spec.kind, t[i])) ++i;
    if (i == open + 1) {
      // No number between the markers ("<>", "<+2>", "<_x>"): it starts at 1.
      t[open] = u'1';
      number_first = number_last = open;
    } else {
      number_first = open + 1;
      number_last = i - 1;
    }
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
      spec.direction = t[i] == u'+' ? 1 : -1;
      marked[i] = true;
      std::size_t j = i + 1;
      std::int64_t increment = 0;
      while (j < t.size() && j - (i + 1) < kMaxIncrementDigits && IsDigit(t[j])) {
        increment = increment * 10 + (t[j] - u'0');
        marked[j] = true;
        ++j;
      }
      spec.increment = j == i + 1 ? 1 : increment;
    }
    // Drop the markers, the sign and the increment digits; the number part's
    // characters are none of these, so they keep their order.
    std::u16string kept;
    kept.reserve(t.size());
    std::size_t new_first = 0;
    std::size_t new_last = 0;
    for (std::size_t k = 0; k < t.size(); ++k) {
      if (k == number_first) new_first = kept.size();
      if (k == number_last) new_last = kept.size();
      if (marked[k] || t[k] == u'<' || t[k] == u'>') continue;
      kept.push_back(t[k]);
    }
    t = std::move(kept);
    number_first = new_first;
    number_last = new_last;
  } else {
    std::size_t last = t.size();
    while (last > 0 && !IsDigit(t[last - 1])) --last;
    if (last == 0) {
      t.push_back(u'1');
      last = t.size();
    }
    number_last = last - 1;
    number_first = number_last;
    while (number_first > 0 && IsDigit(t[number_first - 1])) --number_first;
  }

  if (number_last - number_first + 1 > kMaxNumberChars) {
    number_first = number_last + 1 - kMaxNumberChars;
  }
  spec.start_position = number_first;
  spec.end_position = number_last;
  spec.before = t.substr(0, number_first);
  spec.number = t.substr(number_first, number_last - number_first + 1);
  spec.after = t.substr(number_last + 1);
  spec.start_value = NumberValue(spec.kind, spec.number);
  spec.text = std::move(t);
  return spec;
}

std::u16string FormatSerialNumber(const SerialSpec& spec, std::uint64_t row_counter) {
  const auto r = static_cast<std::int64_t>(std::min(row_counter, kMaxRowCounter));
  std::int64_t value = r * spec.increment * spec.direction + spec.start_value;
  if (value < 0) value = 0;

  if (spec.kind == kSerialDigits) {
    const std::u16string digits = Ascii(std::to_string(value));
    if (spec.number.size() <= digits.size()) return digits;
    const std::size_t pad = spec.number.size() - digits.size();
    // Upward, the number part's own leading characters (its leading zeros)
    // pad; downward, zeros do.
    if (spec.direction > 0) return spec.number.substr(0, pad) + digits;
    return std::u16string(pad, u'0') + digits;
  }

  const char16_t first = spec.kind == kSerialLowerLetters ? u'a' : u'A';
  std::u16string letters;
  while (value > 0) {
    --value;
    letters.push_back(static_cast<char16_t>(first + value % 26));
    value /= 26;
  }
  std::reverse(letters.begin(), letters.end());
  return letters;
}

std::u16string MakeSerialString(const SerialSpec& spec, std::uint64_t row_counter,
                                std::u16string_view source_path, const FileSizeFn& file_size) {
  const std::u16string serial = spec.before + FormatSerialNumber(spec, row_counter) + spec.after;
  return CutToMaxPath(ExpandTokens(serial, source_path, kTokenStyleSingle, file_size));
}

std::u16string MakeSerialString(std::u16string_view serial_text, std::uint64_t row_counter,
                                std::u16string_view source_path, const FileSizeFn& file_size) {
  return MakeSerialString(ParseSerialText(serial_text), row_counter, source_path, file_size);
}

std::uint64_t SerialRunState::NextFolderCounter(const std::u16string& folder) {
  auto [it, inserted] = folder_counters_.try_emplace(folder, 0);
  if (!inserted) ++it->second;
  return it->second;
}

const SerialSpec& SerialRunState::Spec(std::u16string_view serial_text) {
  if (!spec_text_ || *spec_text_ != serial_text) {
    spec_ = ParseSerialText(serial_text);
    spec_text_.emplace(serial_text);
  }
  return spec_;
}

void SerialRunState::Reset() {
  folder_counters_.clear();
  spec_text_.reset();
}

std::u16string ApplySerial(const std::u16string& source_path, const SerialParams& params,
                           std::uint64_t row_index, SerialRunState& state,
                           const FileSizeFn& file_size) {
  if (params.position < kSerialAtFront || params.position > kSerialAsNameWithExtension) {
    return source_path;
  }
  const NameParts parts = SplitPlainPath(source_path);
  const std::u16string prefix = parts.Prefix();
  const std::uint64_t counter = params.per_folder ? state.NextFolderCounter(prefix) : row_index;
  const std::u16string serial =
      MakeSerialString(state.Spec(params.text), counter, source_path, file_size);

  std::u16string result;
  switch (params.position) {
    case kSerialAtFront:
      result = prefix + serial + parts.Name();
      break;
    case kSerialAfterBase:
      result = prefix + parts.base + serial + parts.extension;
      break;
    case kSerialAfterExtension:
      result = source_path + serial;
      break;
    case kSerialAsName:
      result = prefix + serial;
      break;
    default:
      result = prefix + serial + parts.extension;
      break;
  }
  CutToMaxPath(result);
  return result;
}

SerialFields SplitSerialText(std::u16string_view serial_text) {
  std::u16string text(serial_text.substr(0, kMaxAssistantTextChars));
  if (text.find(u'<') == std::u16string::npos) {
    std::size_t last = text.size();
    while (last > 0 && !IsDigit(text[last - 1])) --last;
    if (last == 0) {
      text += u"<>";
    } else {
      std::size_t first = last - 1;
      while (first > 0 && IsDigit(text[first - 1]) && last - first < kMaxNumberChars) --first;
      text.insert(last, 1, u'>');
      text.insert(first, 1, u'<');
    }
  }

  SerialFields fields;
  fields.increment = u"1";
  const std::size_t open = text.find(u'<');
  const std::size_t close = text.find(u'>', open + 1);
  if (close == std::u16string::npos) {
    fields.start = std::move(text);
    return fields;
  }
  fields.before = text.substr(0, open);
  fields.after = text.substr(close + 1);
  const std::size_t sign = text.find_first_of(u"+-", open + 1);
  if (sign == std::u16string::npos || sign > close) {
    fields.start = text.substr(open + 1, close - open - 1);
    return fields;
  }
  fields.start = text.substr(open + 1, sign - open - 1);
  std::u16string increment_text = text.substr(sign, close - sign);  // sign included
  if (increment_text.size() == 1) increment_text += u'1';
  const std::int64_t increment =
      std::clamp(SignedValue(increment_text), -kMaxAssistantIncrement, kMaxAssistantIncrement);
  fields.negative = increment < 0;
  fields.increment = Ascii(std::to_string(
      std::clamp<std::int64_t>(increment < 0 ? -increment : increment, 1, kMaxAssistantIncrement)));
  return fields;
}

std::u16string JoinSerialText(const SerialFields& fields) {
  const std::u16string before = fields.before.substr(0, kMaxAssistantFieldChars);
  const std::u16string start = fields.start.substr(0, kMaxAssistantFieldChars);
  const std::u16string increment = fields.increment.substr(0, kMaxAssistantFieldChars);
  const std::u16string after = fields.after.substr(0, kMaxAssistantFieldChars);

  const bool plain = before.empty() && after.empty() && !fields.negative &&
                     start == Ascii(std::to_string(SignedValue(start))) && increment == u"1";
  std::u16string text = before;
  if (!plain) text += u'<';
  text += start.empty() ? std::u16string(u"1") : start;
  if (fields.negative) {
    text += u'-' + increment;
  } else if (increment != u"1") {
    text += u'+' + increment;
  }
  if (!plain) text += u'>';
  text += after;
  return text;
}

// ---- the mode ----

namespace {

constexpr SettingBinding kSerialBindings[] = {
    {ctl::kSerialPosition, IntKey::kNuminspos, true},
    {ctl::kSerialPerFolder, IntKey::kDirrenreset, false},
};
constexpr HistoryBinding kSerialHistories[] = {
    {ctl::kSerialText, HistoryId::kSerial, TextKey::kRenbanstr, kModeTextLimit - 1,
     kFieldReadChars},
};

std::vector<PanelControl> SerialControls() {
  return {MakeControl(ctl::kSerialText, ControlKind::kEditableCombo),
          MakeControl(ctl::kSerialPosition, ControlKind::kComboBox, {},
                      {u"先頭に挿入", u"後ろに追加", u"拡張子の後ろへ追加",
                       u"新しい名前に (元拡張子消)", u"新しい名前に＋元拡張子"}),
          MakeControl(ctl::kSerialAssist, ControlKind::kButton, u"支援"),
          MakeControl(ctl::kSerialPerFolder, ControlKind::kCheckBox, u"フォルダごとに連番")};
}

void PrepareSerial(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  ctx.serial.text = ctx.texts.serial;
  ctx.serial.position = settings.Int(IntKey::kNuminspos);
  ctx.serial.per_folder = settings.Int(IntKey::kDirrenreset) != 0;
}

std::u16string ComputeSerial(ModeContext& ctx, const ModeRow& row) {
  return ApplySerial(row.source_path, ctx.serial, static_cast<std::uint64_t>(row.row_ordinal),
                     ctx.serial_run, FileSizeFrom(ctx.fs));
}

void CaptureSerial(const StepSource& source, MacroStep& step) {
  step.params = {source.settings.Int(IntKey::kNuminspos),
                 source.settings.Int(IntKey::kDirrenreset), 0};
  step.text1 = UsedText(source, HistoryId::kSerial, ctl::kSerialText);
}

void ApplySerialStep(const MacroStep& step, const StepTarget& target) {
  target.panel.At(ctl::kSerialPosition).value = step.params[0];
  target.panel.At(ctl::kSerialPerFolder).value = step.params[1];
  SetComboText(target.panel.At(ctl::kSerialText), step.text1);
}

}  // namespace

constinit const ModeDescriptor kSerialMode = {
    .mode = RenameMode::kSerial,
    .name = u"連番 (123...)",
    .help = u" 連番を付けます。数字以外の文字も入力できます。",
    .command_name = u"serial",
    .controls = SerialControls,
    .bindings = kSerialBindings,
    .histories = kSerialHistories,
    .own_text_control = ctl::kSerialText,
    .prepare = PrepareSerial,
    .compute = ComputeSerial,
    .step_form = StepForm::kParameters,
    .step_code = "123",
    .step_limits = {'4', '1', '0'},
    .capture = CaptureSerial,
    .apply = ApplySerialStep,
};

}  // namespace tessivo
