#include "modes/mode_catalogue.h"

#include <algorithm>

#include "core/status_sink.h"
#include "modes/mode_descriptor.h"

namespace tessivo {
namespace {

constexpr std::u16string_view kPlaceholderHelp = u" 。";
// Entries 15..18 and 20 carry a placeholder help text; 21..24 none.
constexpr int kLastPlaceholder = 20;

// The entries as the descriptors name their modes.
std::array<ModeEntry, kModeTableSize> BuildTable() {
  std::array<ModeEntry, kModeTableSize> table{};
  for (int index = 0; index < kModeTableSize; ++index) {
    ModeEntry& entry = table[static_cast<std::size_t>(index)];
    if (const ModeDescriptor* mode = ModeDescriptorOf(index + 1)) {
      entry = {mode->name, mode->help, mode->command_name};
    } else if (index + 1 <= kLastPlaceholder) {
      entry.help = kPlaceholderHelp;
    }
  }
  return table;
}

const std::array<ModeEntry, kModeTableSize>& Table() {
  static const std::array<ModeEntry, kModeTableSize> kTable = BuildTable();
  return kTable;
}

constexpr ModeEntry kNoEntry{};

bool InTable(int index) { return index >= 0 && index < kModeTableSize; }

}  // namespace

const ModeEntry& ModeEntryAt(int index) {
  return InTable(index) ? Table()[static_cast<std::size_t>(index)] : kNoEntry;
}

bool IsNamedMode(int mode) { return !ModeEntryOf(mode).name.empty(); }

int FindModeByName(std::u16string_view name) {
  if (name.empty()) return 0;
  for (int index = 0; index < kModeTableSize; ++index) {
    const ModeEntry& entry = ModeEntryAt(index);
    if (name == entry.command_name || name == entry.name) return index + 1;
  }
  return 0;
}

int ModeGroup(int mode) {
  if (!InTable(mode - 1)) return 0;
  return (mode - 1) / kModeButtons + 1;
}

std::u16string ModeStatusText(int code) {
  if (code < status_code::kFirstModeHelp || code > status_code::kLastModeHelp) return {};
  const ModeEntry& entry = ModeEntryOf(code - 4);
  return ModeHelpStatusText(entry.name, entry.help);
}

int ModeIndexForButton(int tab, int button) {
  if (tab < 0 || tab >= kModeTabs) tab = 0;
  if (button < 1 || button > kModeButtons) button = 1;
  return kModeButtons * tab + button - 1;
}

int TabOfModeIndex(int index) { return std::clamp(index, 0, kModeTableSize - 1) / kModeButtons; }

int ButtonOfModeIndex(int index) {
  return std::clamp(index, 0, kModeTableSize - 1) % kModeButtons + 1;
}

std::array<ModeButtonFace, kModeButtons> ModeButtonsOfTab(int tab) {
  std::array<ModeButtonFace, kModeButtons> faces;
  for (int b = 1; b <= kModeButtons; ++b) {
    const ModeEntry& entry = ModeEntryAt(ModeIndexForButton(tab, b));
    faces[static_cast<std::size_t>(b - 1)] = {kFirstModeButtonId + b - 1, entry.name,
                                              !entry.name.empty()};
  }
  return faces;
}

int StepModeIndex(int index, int step) {
  const int delta = step == -1 ? -1 : 1;
  int i = std::clamp(index, 0, kModeTableSize - 1);
  // At most one full turn: the table always has named entries.
  for (int n = 0; n < kModeTableSize; ++n) {
    i = (i + delta + kModeTableSize) % kModeTableSize;
    if (!ModeEntryAt(i).name.empty()) return i;
  }
  return index;
}

}  // namespace tessivo
