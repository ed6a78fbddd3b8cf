#pragma once
// ModeDescriptor: one rename mode as the rest of the program sees it.
//
// Each mode's own source file defines its descriptor: its button label, help
// text and command-line name; its panel controls and the settings they
// mirror; what it takes from Settings into a run and how it computes a row's
// new name; what an execution in it changes; and its macro step, captured
// from the values an execution used and put back into the panel at playback.
// ModeDescriptorOf finds a mode's descriptor, Modes() lists them all in
// RenameMode order. The mode panel, the dispatcher, the execution, the macro
// recorder, player and file, and the command line walk these descriptors; a
// new walker reads a descriptor field instead of switching on the number.
//
// Descriptors are constant data, defined before main runs; they hold no
// state.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/rename_mode.h"
#include "config/settings.h"

namespace tessivo {

class ModePanel;
class PositionEditState;
struct ModeContext;
struct PanelControl;

// The map of a position-edit step: one entry per character position.
inline constexpr std::size_t kPositionMapEntries = 260;

// One step of a macro, as recorded.
struct MacroStep {
  int mode = 0;                 // a RenameMode whose descriptor has a step line
  std::array<int, 3> params{};  // parameter steps: the values (character − '0')
  // Parameter steps: the two texts. Position edit: text1 is the template,
  // text2 unused.
  std::u16string text1;
  std::u16string text2;
  // Position edit only.
  std::array<std::int32_t, kPositionMapEntries> map{};
  bool no_extension = false;  // `posedtnoext`

  bool operator==(const MacroStep&) const = default;
};

// What an execution in a mode changes.
enum class ModeChange {
  kName,             // renames each row
  kNameInTwoSteps,   // renames through an intermediate name (8.3)
  kTimes,            // sets the file times; the name stays
  kAttributes,       // sets the attributes; the name stays
};

// How a mode's macro step is stored.
enum class StepForm {
  kNone,         // the mode is not recorded
  kParameters,   // code, three parameter characters and two texts
  kPositionMap,  // the position-edit line with its map and template
};

// Where a step is captured from: the Settings records as ReadModeParameters
// left them, the panel the execution read, the position map it used.
struct StepSource {
  const Settings& settings;
  const ModePanel& panel;
  const PositionEditState& position_edit;
};

// Where a played step is put: into the panel (ReadModeParameters takes the
// values at the step's preview) and the position map.
struct StepTarget {
  ModePanel& panel;
  const Settings& settings;
  PositionEditState& position_edit;
};

// One row handed to a mode's transform (see ComputeNewName).
struct ModeRow {
  const std::u16string& source_path;
  const std::u16string& preset_destination;
  std::int64_t row_ordinal;
  const std::u16string& disk_path;  // where the file is on disk; never empty
};

// A control that mirrors one setting, filled from and read back into it the
// same way: a list index (clamped into its items) or a check box (0/1).
struct SettingBinding {
  int control;
  IntKey key;
  bool list;
};

// A digit field: up to `digits` digits read and clamped to `maximum`;
// `write_back` shows a clamped value in the field.
struct NumberBinding {
  int control;
  IntKey key;
  std::size_t digits;
  std::int64_t maximum;
  bool write_back;
};

// A field with an input history: the history, the key it is stored under,
// the longest text the field takes from outside the window, and how much of
// its text is read and recorded.
struct HistoryBinding {
  int control;
  HistoryId history;
  TextKey key;
  std::size_t max_chars;
  std::size_t read_chars;
};

struct ModeDescriptor {
  RenameMode mode = RenameMode::kPositionEdit;
  std::u16string_view name = {};     // the button label
  std::u16string_view help = {};     // shown after "【name】" in the status bar
  std::u16string_view command_name = {};  // "--mode=extension"

  // ---- panel ----
  // The mode's controls in the panel's order; the first takes the focus.
  std::vector<PanelControl> (*controls)() = nullptr;
  std::span<const SettingBinding> bindings = {};
  std::span<const NumberBinding> numbers = {};
  std::span<const HistoryBinding> histories = {};
  // The field whose text the mode works with; fewer than 128 of its
  // characters are accepted. 0: none.
  int own_text_control = 0;

  // ---- run ----
  // Takes the mode's parameters from Settings (and the panel) into a run's
  // context.
  void (*prepare)(const Settings& settings, const ModePanel& panel, ModeContext& ctx) = nullptr;
  // The new full path of a row (see ComputeNewName); nullptr: the row's
  // preset destination stays.
  std::u16string (*compute)(ModeContext& ctx, const ModeRow& row) = nullptr;
  ModeChange change = ModeChange::kName;
  // On a file system that ignores case the target may be the source under
  // another spelling: the target is not looked up, and a name that differs
  // only in case still counts as a change where the mode changes case.
  bool target_may_be_source = false;
  bool changes_case = false;

  // ---- macro step ----
  StepForm step_form = StepForm::kNone;
  std::string_view step_code = {};  // 3 characters
  std::array<char, 3> step_limits{'0', '0', '0'};  // the largest character of each parameter
  // Recorded only as the first step of a recording.
  bool first_step_only = false;
  void (*capture)(const StepSource& source, MacroStep& step) = nullptr;
  void (*apply)(const MacroStep& step, const StepTarget& target) = nullptr;
};

// Defined in each mode's own file.
extern const ModeDescriptor kPositionEditMode;  // position_edit.cpp
extern const ModeDescriptor kExtensionMode;     // extension.cpp
extern const ModeDescriptor kSerialMode;        // serial.cpp
extern const ModeDescriptor kLetterCaseMode;    // letter_case.cpp
extern const ModeDescriptor kWidthMode;         // width.cpp
extern const ModeDescriptor kShortNameMode;     // short_name.cpp
extern const ModeDescriptor kAddMode;           // add_delete.cpp
extern const ModeDescriptor kDeleteMode;        // add_delete.cpp
extern const ModeDescriptor kDateMode;          // date_name.cpp
extern const ModeDescriptor kReplaceMode;       // replace.cpp
extern const ModeDescriptor kCsvMode;           // mode_descriptor.cpp
extern const ModeDescriptor kRandomMode;        // random_name.cpp
extern const ModeDescriptor kTimestampMode;     // timestamp.cpp
extern const ModeDescriptor kAttributesMode;    // attributes.cpp
extern const ModeDescriptor kMacroMode;         // mode_descriptor.cpp

// Every mode, in RenameMode order.
std::span<const ModeDescriptor* const> Modes();
// The descriptor of RenameMode `mode`; nullptr for a number without a mode.
const ModeDescriptor* ModeDescriptorOf(int mode);
inline const ModeDescriptor* ModeDescriptorOf(RenameMode mode) {
  return ModeDescriptorOf(ModeNumber(mode));
}
// What an execution in `mode` changes; kName for a number without a mode.
ModeChange ChangeOf(int mode);
// The descriptor whose step code is `code`, nullptr when none.
const ModeDescriptor* ModeOfStepCode(std::string_view code);

// ---- helpers the descriptors share ----

std::u16string HeadOf(std::u16string_view text, std::size_t n);
std::u16string DecimalText(long long n);
// The text a history field was used with: the history's entry 0 when
// `inputlog` records that field, otherwise the field's text cut to the
// history's entry length (which is what entry 0 holds when it is recorded).
std::u16string UsedText(const StepSource& source, HistoryId id, int control);
// Puts `text` into a field with a drop-down, selecting the entry that equals it.
void SetComboText(PanelControl& box, const std::u16string& text);

}  // namespace tessivo
