#include "modes/mode_panel.h"

#include <algorithm>
#include <cassert>
#include <initializer_list>
#include <optional>
#include <string>

#include "config/encoding.h"
#include "config/input_history.h"
#include "core/file_item.h"
#include "core/file_list.h"
#include "modes/letter_case.h"
#include "modes/mode_descriptor.h"
#include "modes/name_parts.h"
#include "modes/position_edit.h"
#include "modes/timestamp.h"

namespace tessivo {
namespace {

constexpr std::size_t kExceptionChars = 254;
constexpr std::size_t kSeparatorChars = 6;
constexpr std::size_t kCustomDateChars = 127;
constexpr int kMaxDateFormat = 8;

// The bindings of every mode, in RenameMode order.
template <typename Fn>
void ForEachBinding(Fn fn) {
  for (const ModeDescriptor* mode : Modes()) {
    for (const SettingBinding& b : mode->bindings) fn(b);
  }
}
template <typename Fn>
void ForEachNumber(Fn fn) {
  for (const ModeDescriptor* mode : Modes()) {
    for (const NumberBinding& b : mode->numbers) fn(b);
  }
}
template <typename Fn>
void ForEachHistory(Fn fn) {
  for (const ModeDescriptor* mode : Modes()) {
    for (const HistoryBinding& b : mode->histories) fn(b);
  }
}

std::u16string Head(std::u16string_view text, std::size_t n) {
  return std::u16string(text.substr(0, std::min(n, text.size())));
}

std::u16string Decimal(std::int64_t n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

int ClampedIndex(const PanelControl& combo) {
  if (combo.items.empty()) return 0;
  return std::clamp(combo.value, 0, static_cast<int>(combo.items.size()) - 1);
}

TextKey ExceptionListKey(int option) {
  if (option == 0) return TextKey::kBsexcept0;
  if (option == 4) return TextKey::kBsexcept2;
  return TextKey::kBsexcept1;
}

// Mirrors a PushHistory on the drop-down of `box`.
void MirrorPush(PanelControl& box, const PushResult& push, const std::u16string& entry0) {
  using Change = PushResult::Change;
  if (push.change == Change::kInserted) {
    box.items.insert(box.items.begin(), entry0);
    if (box.items.size() > static_cast<std::size_t>(InputHistory::kEntries)) {
      box.items.erase(box.items.begin() + InputHistory::kEntries);
    }
  } else if (push.change == Change::kMoved) {
    if (push.from >= 0 && static_cast<std::size_t>(push.from) < box.items.size()) {
      box.items.erase(box.items.begin() + push.from);
    }
    box.items.insert(box.items.begin(), entry0);
    box.value = 0;
  }
}

// Records `text` in history `id` when `inputlog` selects it; true when the
// text had to be cut.
bool Record(Settings& settings, HistoryId id, PanelControl& box, std::u16string_view text) {
  if (!settings.IsRecorded(id)) return false;
  InputHistory& history = settings.History(id);
  const PushResult push = PushHistory(history, text);
  MirrorPush(box, push, history.entry(0));
  return push.too_long;
}

// The drop-down and text of a history field at start: the entries up to the
// last used one, entry 0 selected.
void FillHistoryBox(PanelControl& box, const InputHistory& history) {
  box.items.clear();
  for (int i = 0; i < history.UsedCount(); ++i) box.items.push_back(history.entry(i));
  box.value = box.items.empty() ? -1 : 0;
  box.text = box.items.empty() ? std::u16string() : box.items.front();
}

void ShowFixedText(PanelControl& box, const std::u16string& text) {
  box.text = text;
  if (box.items.empty() || box.items.front() != text) box.value = -1;
}

std::u16string DecodeField(std::u16string_view text, std::size_t read_chars) {
  std::u16string decoded = Head(text, read_chars);
  UnescapeText(decoded, read_chars + 1);
  return decoded;
}

}  // namespace

PanelControl MakeControl(int id, ControlKind kind, std::u16string_view text,
                         std::initializer_list<std::u16string_view> items) {
  PanelControl c;
  c.id = id;
  c.kind = kind;
  c.text.assign(text);
  for (std::u16string_view item : items) c.items.emplace_back(item);
  return c;
}

ModePanel::ModePanel() {
  for (const ModeDescriptor* mode : Modes()) {
    for (PanelControl& control : mode->controls()) Add(ModeNumber(mode->mode), std::move(control));
  }
  list_filter = MakeControl(0, ControlKind::kEditableCombo);
  list_filter.visible = true;
}

void ModePanel::Add(int mode, PanelControl control) {
  control.mode = mode;
  order_[mode].push_back(control.id);
  const int id = control.id;
  controls_.emplace(id, std::move(control));
}

PanelControl& ModePanel::At(int id) {
  auto it = controls_.find(id);
  assert(it != controls_.end());
  if (it == controls_.end()) {
    scratch_ = PanelControl{};
    return scratch_;
  }
  return it->second;
}

const PanelControl& ModePanel::At(int id) const {
  auto it = controls_.find(id);
  assert(it != controls_.end());
  return it == controls_.end() ? scratch_ : it->second;
}

const std::vector<int>& ModePanel::ControlsOf(int mode) const {
  static const std::vector<int> kNone;
  auto it = order_.find(mode);
  return it == order_.end() ? kNone : it->second;
}

void ShowModeControls(ModePanel& panel, int mode) {
  for (auto& [id, control] : panel.controls_) control.visible = false;
  panel.undo_label_visible_ = false;
  panel.shown_mode_ = mode;
  for (int id : panel.ControlsOf(mode)) panel.At(id).visible = true;
  ApplyDeleteKindRule(panel);
  ApplyTimestampOptionRule(panel);
}

void ShowUndoModeLabel(ModePanel& panel) {
  for (auto& [id, control] : panel.controls_) control.visible = false;
  panel.shown_mode_ = 0;
  panel.undo_label_visible_ = true;
}

void ApplyCaseOptionRule(ModePanel& panel, const Settings& settings) {
  const int option = ClampedIndex(panel.At(ctl::kCaseOption));
  PanelControl& field = panel.At(ctl::kExceptionWords);
  const bool applicable = option != kCaseFirstUpper;
  field.enabled = applicable;
  panel.At(ctl::kExceptionLabel).enabled = applicable;
  field.text = applicable ? settings.Text(ExceptionListKey(option))
                          : std::u16string(kExceptionNotApplicable);
}

void ApplyDeleteKindRule(ModePanel& panel) {
  const PanelControl& kind = panel.At(ctl::kDeleteKind);
  const std::u16string& text = kind.items[static_cast<std::size_t>(ClampedIndex(kind))];
  PanelControl& count = panel.At(ctl::kDeleteCount);
  PanelControl& label = panel.At(ctl::kDeleteCountLabel);
  const bool after = text.find(u"文字分") != std::u16string::npos;
  const bool counted = after || text.find(u"指定文字") != std::u16string::npos;
  count.enabled = counted;
  label.enabled = counted;
  label.text = after ? kDeleteLabelAfter : counted ? kDeleteLabelCount : kDeleteLabelUnused;
  panel.At(ctl::kDeleteCount2).visible =
      after && panel.shown_mode() == ModeNumber(RenameMode::kDelete);
}

void ApplyTimestampOptionRule(ModePanel& panel) {
  if (panel.shown_mode() != ModeNumber(RenameMode::kTimestamp)) return;
  const int option = ClampedIndex(panel.At(ctl::kStampOperation));
  const bool set = option <= 2;
  const bool copy = option == 3 || option == 4;
  const bool shift = option >= 5;
  panel.At(ctl::kStampDate).visible = set;
  panel.At(ctl::kStampTime).visible = set || shift;
  panel.At(ctl::kStampNow).visible = set;
  panel.At(ctl::kStampIncrement).visible = set;
  panel.At(ctl::kStampOnlyWhen).visible = copy;
  panel.At(ctl::kShiftDays).visible = shift;
  panel.At(ctl::kShiftDirection).visible = shift;
}

namespace {

struct WidthClassBox {
  int id;
  std::uint32_t bit;
};
constexpr WidthClassBox kWidthClassBoxes[] = {
    {ctl::kWidthKatakana, zen::kKatakana},
    {ctl::kWidthLetters, zen::kLetters},
    {ctl::kWidthDigits, zen::kDigits},
    {ctl::kWidthSymbols, zen::kSymbols},
};

struct AttributeBox {
  int id;
  AttributeField field;
};
constexpr AttributeBox kAttributeBoxes[] = {
    {ctl::kReadOnly, AttributeField::kReadOnly},
    {ctl::kHidden, AttributeField::kHidden},
    {ctl::kArchive, AttributeField::kArchive},
    {ctl::kSystem, AttributeField::kSystem},
};

}  // namespace

void FillModeControls(ModePanel& panel, const Settings& settings, const CalendarTime& now) {
  ForEachBinding([&](const SettingBinding& b) {
    PanelControl& c = panel.At(b.control);
    if (b.list) {
      c.value = settings.Int(b.key);
      c.value = ClampedIndex(c);
    } else {
      c.value = settings.Int(b.key) != 0 ? 1 : 0;
    }
  });
  ForEachNumber(
      [&](const NumberBinding& b) { panel.At(b.control).text = Decimal(settings.Int(b.key)); });
  const std::uint32_t classes = settings.Word(OptionWord::kZentohan);
  for (const WidthClassBox& box : kWidthClassBoxes) panel.At(box.id).value = (classes & box.bit) != 0;
  for (const AttributeBox& box : kAttributeBoxes) {
    panel.At(box.id).value = settings.AttributeChoice(box.field);
  }

  ForEachHistory([&](const HistoryBinding& f) {
    FillHistoryBox(panel.At(f.control), settings.History(f.history));
  });
  FillHistoryBox(panel.list_filter, settings.History(HistoryId::kListFilter));

  PanelControl& format = panel.At(ctl::kDateFormat);
  if (!settings.Text(TextKey::kYmdform).empty()) {
    format.value = -1;
    format.text = settings.Text(TextKey::kYmdform);
  } else {
    format.value = std::clamp(settings.Int(IntKey::kDatefrom), 0, kMaxDateFormat);
    format.text = format.items[static_cast<std::size_t>(format.value)];
  }
  panel.At(ctl::kDateSeparator).text = settings.Text(TextKey::kSepstr);

  CalendarTime date;
  date.year = now.year;
  date.month = now.month;
  date.day = now.day;
  date.day_of_week = now.day_of_week;
  panel.At(ctl::kStampDate).time = date;
  CalendarTime time;
  if (settings.Int(IntKey::kStampnow) != 0) {
    time.hour = now.hour;
    time.minute = now.minute;
    time.second = now.second;
  }
  panel.At(ctl::kStampTime).time = time;

  // Texts fixed on the page "設定の固定" win over the histories.
  if (settings.WordBit(OptionWord::kOption3, opt3::kFixSerialText)) {
    ShowFixedText(panel.At(ctl::kSerialText), settings.Text(TextKey::kFrenbanstr));
  }
  if (settings.WordBit(OptionWord::kOption3, opt3::kFixDateSeparator)) {
    panel.At(ctl::kDateSeparator).text = settings.Text(TextKey::kFsepstr);
  }
  if (settings.WordBit(OptionWord::kOption3, opt3::kFixAddText)) {
    ShowFixedText(panel.At(ctl::kAddText), settings.Text(TextKey::kFaddstr));
  }

  ApplyCaseOptionRule(panel, settings);
  ApplyDeleteKindRule(panel);
  ApplyTimestampOptionRule(panel);
}

std::int64_t ReadDigits(std::u16string_view text, std::size_t max_digits) {
  std::int64_t value = 0;
  for (std::size_t i = 0; i < text.size() && i < max_digits; ++i) {
    if (text[i] < u'0' || text[i] > u'9') break;
    value = value * 10 + (text[i] - u'0');
  }
  return value;
}

ModeTexts DecodeModeTexts(const ModePanel& panel) {
  ModeTexts texts;
  texts.serial = DecodeField(panel.At(ctl::kSerialText).text, kFieldReadChars);
  texts.add = DecodeField(panel.At(ctl::kAddText).text, kFieldReadChars);
  texts.search = DecodeField(panel.At(ctl::kSearchText).text, kReplaceReadChars);
  texts.replacement = DecodeField(panel.At(ctl::kReplacementText).text, kReplaceReadChars);
  return texts;
}

ReadParamsResult ReadModeParameters(ModePanel& panel, Settings& settings, int mode) {
  ReadParamsResult result;
  ForEachBinding([&](const SettingBinding& b) {
    const PanelControl& c = panel.At(b.control);
    settings.SetInt(b.key, b.list ? ClampedIndex(c) : c.value != 0 ? 1 : 0);
  });
  ForEachNumber([&](const NumberBinding& b) {
    PanelControl& field = panel.At(b.control);
    const std::int64_t read = ReadDigits(field.text, b.digits);
    const std::int64_t value = std::min(read, b.maximum);
    if (b.write_back && value != read) field.text = Decimal(value);
    settings.SetInt(b.key, static_cast<std::int32_t>(value));
  });
  std::uint32_t classes = 0;
  for (const WidthClassBox& box : kWidthClassBoxes) {
    if (panel.At(box.id).value != 0) classes |= box.bit;
  }
  settings.SetWord(OptionWord::kZentohan, classes);
  for (const AttributeBox& box : kAttributeBoxes) {
    settings.SetAttributeChoice(box.field, panel.At(box.id).value);
  }

  const int case_option = settings.Int(IntKey::kBigsmall);
  if (case_option != kCaseFirstUpper) {
    settings.SetText(ExceptionListKey(case_option),
                     Head(panel.At(ctl::kExceptionWords).text, kExceptionChars));
  }

  // A second count of 0 means "to the end".
  if (settings.Int(IntKey::kDellen2) == 0) {
    settings.SetInt(IntKey::kDellen2, kMaxCount);
    panel.At(ctl::kDeleteCount2).text = Decimal(kMaxCount);
  }

  const PanelControl& format = panel.At(ctl::kDateFormat);
  int format_index = format.value;
  if (format_index < 0 || format_index > kMaxDateFormat) {
    auto it = std::find(format.items.begin(), format.items.end(), format.text);
    format_index = it == format.items.end() ? -1 : static_cast<int>(it - format.items.begin());
  }
  settings.SetInt(IntKey::kDatefrom, format_index);
  settings.SetText(TextKey::kYmdform,
                   format_index < 0 ? Head(format.text, kCustomDateChars) : std::u16string());
  settings.SetText(TextKey::kSepstr, Head(panel.At(ctl::kDateSeparator).text, kSeparatorChars));

  // Input histories. Each field's text is read up to its binding's length;
  // each recorded text that had to be cut makes the parameters too long.
  bool too_long = false;
  ForEachHistory([&](const HistoryBinding& f) {
    PanelControl& field = panel.At(f.control);
    too_long |= Record(settings, f.history, field, Head(field.text, f.read_chars));
  });
  too_long |= Record(settings, HistoryId::kListFilter, panel.list_filter, panel.list_filter.text);

  // The text the current mode itself works with must fit, recorded or not.
  const ModeDescriptor* current = ModeDescriptorOf(mode);
  if (current != nullptr && current->own_text_control != 0 &&
      Head(panel.At(current->own_text_control).text, kFieldReadChars).size() >= kModeTextLimit) {
    too_long = true;
  }

  result.too_long = too_long;
  result.texts = DecodeModeTexts(panel);
  return result;
}

SelectModeEffects SelectMode(ModeSelection& selection, ModePanel& panel, int mode,
                             bool keep_buttons, FileList* list, PositionEditState* position_edit) {
  if (mode < 1 || mode > kModeTableSize) mode = 1;
  const int index = mode - 1;
  selection.mode_index = index;
  selection.tab = TabOfModeIndex(index);
  if (!keep_buttons) selection.checked_button = ButtonOfModeIndex(index);
  ShowModeControls(panel, mode);

  SelectModeEffects effects;
  const std::vector<int>& controls = panel.ControlsOf(mode);
  if (!controls.empty()) effects.focus_control = controls.front();
  effects.select_all_text =
      effects.focus_control == ctl::kExtensionText || effects.focus_control == ctl::kSerialText;
  effects.status_code = ModeStatusCode(mode);
  if (selection.macro_playback) return effects;

  effects.names_cleared = true;
  PanelControl& sample = panel.At(ctl::kSampleName);
  if (list != nullptr && list->Count() > 0) {
    int longest = 0;
    for (int row = 0; row < list->Count(); ++row) {
      list->SetCell(row, Cell::kNewName, u"");
      if (list->GetCell(row, Cell::kName).size() > list->GetCell(longest, Cell::kName).size()) {
        longest = row;
      }
    }
    sample.text = CutToMaxPath(list->GetCell(longest, Cell::kName));
    if (position_edit != nullptr) position_edit->LoadTemplate(sample.text);
  } else if (position_edit != nullptr) {
    position_edit->LoadTemplateFromField(sample.text);
  }
  return effects;
}

SelectModeEffects SelectModeButton(ModeSelection& selection, ModePanel& panel, int tab, int button,
                                   FileList* list, PositionEditState* position_edit) {
  return SelectMode(selection, panel, ModeIndexForButton(tab, button) + 1, false, list,
                    position_edit);
}

namespace {

constexpr std::size_t kTemplateChars = 259;
constexpr int kMinTimeZone = -23;
constexpr int kMaxTimeZone = 23;

std::u16string Range(std::int64_t low, std::int64_t high) {
  return u"must be a number from " + Decimal(low) + u" to " + Decimal(high);
}

// A whole decimal number (a leading "-" allowed), or a hexadecimal one after
// "0x" when `hex` is set. nullopt for anything else or more than 10 digits.
std::optional<std::int64_t> WholeNumber(std::u16string_view text, bool hex = false) {
  const bool negative = text.starts_with(u'-');
  if (negative) text.remove_prefix(1);
  const int base = hex && (text.starts_with(u"0x") || text.starts_with(u"0X")) ? 16 : 10;
  if (base == 16) text.remove_prefix(2);
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (char16_t c : text) {
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    if (digit < 0) return std::nullopt;
    value = value * base + digit;
  }
  return negative ? -value : value;
}

std::optional<std::int64_t> NumberIn(std::u16string_view text, std::int64_t low,
                                     std::int64_t high) {
  const std::optional<std::int64_t> n = WholeNumber(text);
  if (!n || *n < low || *n > high) return std::nullopt;
  return n;
}

// "YYYY/MM/DD" (`date`) or "HH:MM:SS" into a picker's time.
bool ReadPickerValue(std::u16string_view text, bool date, CalendarTime& time) {
  const char16_t separator = date ? u'/' : u':';
  const std::size_t first = date ? 4 : 2;
  if (text.size() != first + 6 || text[first] != separator || text[first + 3] != separator) {
    return false;
  }
  const auto a = NumberIn(text.substr(0, first), 0, 9999);
  const auto b = NumberIn(text.substr(first + 1, 2), 0, 99);
  const auto c = NumberIn(text.substr(first + 4, 2), 0, 99);
  if (!a || !b || !c) return false;
  if (date) {
    if (*a < 1601 || *b < 1 || *b > 12 || *c < 1 ||
        *c > DaysInMonth(static_cast<int>(*a), static_cast<int>(*b))) {
      return false;
    }
    time.year = static_cast<std::uint16_t>(*a);
    time.month = static_cast<std::uint16_t>(*b);
    time.day = static_cast<std::uint16_t>(*c);
    time.day_of_week = static_cast<std::uint16_t>(
        DayOfWeek(static_cast<int>(*a), static_cast<int>(*b), static_cast<int>(*c)));
    return true;
  }
  if (*a > 23 || *b > 59 || *c > 59) return false;
  time.hour = static_cast<std::uint16_t>(*a);
  time.minute = static_cast<std::uint16_t>(*b);
  time.second = static_cast<std::uint16_t>(*c);
  return true;
}

std::u16string SetFieldText(PanelControl& field, std::u16string_view value, std::size_t max) {
  if (value.size() > max) return u"is at most " + Decimal(static_cast<std::int64_t>(max)) +
                                 u" characters";
  field.text.assign(value);
  auto it = std::find(field.items.begin(), field.items.end(), field.text);
  field.value = it == field.items.end() ? -1 : static_cast<int>(it - field.items.begin());
  return {};
}

std::u16string SetIntKey(ModePanel& panel, IntKey key, std::u16string_view value) {
  for (const ModeDescriptor* mode : Modes()) {
    for (const SettingBinding& b : mode->bindings) {
      if (b.key != key) continue;
      PanelControl& c = panel.At(b.control);
      const int high = b.list ? static_cast<int>(c.items.size()) - 1 : 1;
      const std::optional<std::int64_t> n = NumberIn(value, 0, high);
      if (!n) return Range(0, high);
      c.value = static_cast<int>(*n);
      return {};
    }
    for (const NumberBinding& b : mode->numbers) {
      if (b.key != key) continue;
      const std::optional<std::int64_t> n = NumberIn(value, 0, b.maximum);
      if (!n) return Range(0, b.maximum);
      panel.At(b.control).text = Decimal(*n);
      return {};
    }
  }
  if (key == IntKey::kDatefrom) {
    PanelControl& format = panel.At(ctl::kDateFormat);
    const std::optional<std::int64_t> n = NumberIn(value, 0, kMaxDateFormat);
    if (!n) return Range(0, kMaxDateFormat);
    format.value = static_cast<int>(*n);
    format.text = format.items[static_cast<std::size_t>(*n)];
    return {};
  }
  return u"is not a setting of the mode panel";
}

std::u16string SetTextKey(ModePanel& panel, Settings& settings, TextKey key,
                          std::u16string_view value) {
  for (const ModeDescriptor* mode : Modes()) {
    for (const HistoryBinding& f : mode->histories) {
      if (f.key == key) return SetFieldText(panel.At(f.control), value, f.max_chars);
    }
  }
  switch (key) {
    case TextKey::kSepstr:
      return SetFieldText(panel.At(ctl::kDateSeparator), value, kSeparatorChars);
    case TextKey::kYmdform: {
      if (value.empty()) return u"must not be empty";
      PanelControl& format = panel.At(ctl::kDateFormat);
      const std::u16string reason = SetFieldText(format, value, kCustomDateChars);
      return reason;
    }
    case TextKey::kBsexcept0:
    case TextKey::kBsexcept1:
    case TextKey::kBsexcept2:
      if (value.size() > kExceptionChars) {
        return u"is at most " + Decimal(kExceptionChars) + u" characters";
      }
      settings.SetText(key, value);
      return {};
    case TextKey::kTimezone:
      if (!NumberIn(value, kMinTimeZone, kMaxTimeZone)) return Range(kMinTimeZone, kMaxTimeZone);
      settings.SetText(key, value);
      return {};
    default:
      return u"is not a setting of the mode panel";
  }
}

// `zentohan` and `attribute`: the boxes their bits stand for.
std::u16string SetWordKey(ModePanel& panel, OptionWord word, std::u16string_view value) {
  const std::optional<std::int64_t> n = WholeNumber(value, /*hex=*/true);
  if (word == OptionWord::kZentohan) {
    std::uint32_t all = 0;
    for (const WidthClassBox& box : kWidthClassBoxes) all |= box.bit;
    if (!n || *n < 0 || (static_cast<std::uint64_t>(*n) & ~std::uint64_t{all}) != 0) {
      return u"takes only the bits 0x1 digits, 0x10 letters, 0x100 katakana, 0x1000 symbols";
    }
    for (const WidthClassBox& box : kWidthClassBoxes) {
      panel.At(box.id).value = (static_cast<std::uint32_t>(*n) & box.bit) != 0;
    }
    return {};
  }
  constexpr std::int64_t kFourFields = 0xFFFF;
  bool usable = n && *n >= 0 && *n <= kFourFields;
  for (const AttributeBox& box : kAttributeBoxes) {
    if (usable && ((*n >> static_cast<int>(box.field)) & 0xF) > 2) usable = false;
  }
  if (!usable) {
    return u"is four hexadecimal digits (read-only, hidden, archive, system), each 0 clear, "
           u"1 set or 2 leave, e.g. 0x1222";
  }
  for (const AttributeBox& box : kAttributeBoxes) {
    panel.At(box.id).value = static_cast<int>((*n >> static_cast<int>(box.field)) & 0xF);
  }
  return {};
}

}  // namespace

std::u16string SetPanelValue(ModePanel& panel, Settings& settings, std::u16string_view key,
                             std::u16string_view value) {
  std::u16string reason;
  if (key == kTemplateFieldName) {
    reason = SetFieldText(panel.At(ctl::kSampleName), value, kTemplateChars);
  } else if (key == kSearchFieldName) {
    reason = SetFieldText(panel.At(ctl::kSearchText), value, kReplaceReadChars);
  } else if (key == kReplacementFieldName) {
    reason = SetFieldText(panel.At(ctl::kReplacementText), value, kReplaceReadChars);
  } else if (key == kStampDateName || key == kStampTimeName) {
    const bool date = key == kStampDateName;
    PanelControl& picker = panel.At(date ? ctl::kStampDate : ctl::kStampTime);
    if (!ReadPickerValue(value, date, picker.time)) {
      reason = date ? u"must be a date YYYY/MM/DD" : u"must be a time HH:MM:SS";
    }
  } else if (const std::optional<IntKey> int_key = FindIntKey(key)) {
    reason = SetIntKey(panel, *int_key, value);
  } else if (const std::optional<TextKey> text_key = FindTextKey(key)) {
    reason = SetTextKey(panel, settings, *text_key, value);
  } else if (key == SpecOf(OptionWord::kZentohan).name) {
    reason = SetWordKey(panel, OptionWord::kZentohan, value);
  } else if (key == SpecOf(OptionWord::kAttribute).name) {
    reason = SetWordKey(panel, OptionWord::kAttribute, value);
  } else {
    reason = u"is no setting";
  }
  if (!reason.empty()) return reason;
  ApplyCaseOptionRule(panel, settings);
  ApplyDeleteKindRule(panel);
  ApplyTimestampOptionRule(panel);
  return {};
}

}  // namespace tessivo
