#include "modes/mode_descriptor.h"

#include <algorithm>

#include "modes/dispatcher.h"
#include "modes/mode_panel.h"
#include "modes/name_parts.h"

namespace tessivo {
namespace {

std::vector<PanelControl> CsvControls() {
  return {MakeControl(ctl::kLoadCsv, ControlKind::kButton, u"CSVファイルを読み込む")};
}

std::vector<PanelControl> MacroControls() {
  PanelControl slots = MakeControl(ctl::kMacroSlot, ControlKind::kComboBox);
  slots.items.assign(kMacroSlots, std::u16string(kEmptyMacroSlot));
  return {std::move(slots), MakeControl(ctl::kMacroRecord, ControlKind::kButton, u"● 記録開始"),
          MakeControl(ctl::kMacroDelete, ControlKind::kButton, u"削除"),
          MakeControl(ctl::kMacroEdit, ControlKind::kButton, u"編集")};
}

constexpr SettingBinding kMacroBindings[] = {{ctl::kMacroSlot, IntKey::kMacrono, true}};

// The macro mode passes every name through: its steps run through
// ComputeNewName with their own modes.
std::u16string PassThrough(ModeContext&, const ModeRow& row) {
  return CutToMaxPath(row.source_path);
}

// The CSV step is recorded with nothing to set: the new names were loaded
// from the file into the rows, and a playback keeps what the rows hold.
void CaptureNothing(const StepSource&, MacroStep&) {}
void ApplyNothing(const MacroStep&, const StepTarget&) {}

constexpr int kLastModeNumber = ModeNumber(RenameMode::kMacro);

constexpr std::array<const ModeDescriptor*, 15> kModes = {
    &kPositionEditMode, &kExtensionMode, &kSerialMode,     &kLetterCaseMode, &kWidthMode,
    &kShortNameMode,    &kAddMode,       &kDeleteMode,     &kDateMode,       &kReplaceMode,
    &kCsvMode,          &kRandomMode,    &kTimestampMode,  &kAttributesMode, &kMacroMode,
};

}  // namespace

// The new names come from a CSV file loaded into the rows (core/csv_list.h):
// the mode has no transform.
constinit const ModeDescriptor kCsvMode = {
    .mode = RenameMode::kCsv,
    .name = u"CSV等",
    .help = u" 作成済みのCSVファイルを読み込みます。",
    .command_name = u"csv",
    .controls = CsvControls,
    .step_form = StepForm::kParameters,
    .step_code = "dmy",
    .capture = CaptureNothing,
    .apply = ApplyNothing,
};

constinit const ModeDescriptor kMacroMode = {
    .mode = RenameMode::kMacro,
    .name = u"マクロ",
    .help = u" 複数のモードの処理を記録して再生(連続に処理)します。何度も利用できます。",
    .command_name = u"macro",
    .controls = MacroControls,
    .bindings = kMacroBindings,
    .compute = PassThrough,
};

std::span<const ModeDescriptor* const> Modes() { return kModes; }

const ModeDescriptor* ModeDescriptorOf(int mode) {
  // By number, as a row's transform is looked up once a row.
  static const std::array<const ModeDescriptor*, kLastModeNumber + 1> kByNumber = [] {
    std::array<const ModeDescriptor*, kLastModeNumber + 1> by_number{};
    for (const ModeDescriptor* d : kModes) {
      by_number[static_cast<std::size_t>(ModeNumber(d->mode))] = d;
    }
    return by_number;
  }();
  if (mode < 0 || mode > kLastModeNumber) return nullptr;
  return kByNumber[static_cast<std::size_t>(mode)];
}

ModeChange ChangeOf(int mode) {
  const ModeDescriptor* d = ModeDescriptorOf(mode);
  return d == nullptr ? ModeChange::kName : d->change;
}

const ModeDescriptor* ModeOfStepCode(std::string_view code) {
  for (const ModeDescriptor* d : kModes) {
    if (d->step_form != StepForm::kNone && d->step_code == code) return d;
  }
  return nullptr;
}

std::u16string HeadOf(std::u16string_view text, std::size_t n) {
  return std::u16string(text.substr(0, std::min(n, text.size())));
}

std::u16string DecimalText(long long n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

std::u16string UsedText(const StepSource& source, HistoryId id, int control) {
  const InputHistory& history = source.settings.History(id);
  if (source.settings.IsRecorded(id)) return history.entry(0);
  return HeadOf(source.panel.At(control).text, history.entry_length());
}

void SetComboText(PanelControl& box, const std::u16string& text) {
  box.text = text;
  auto it = std::find(box.items.begin(), box.items.end(), text);
  box.value = it == box.items.end() ? -1 : static_cast<int>(it - box.items.begin());
}

}  // namespace tessivo
