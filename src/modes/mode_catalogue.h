#pragma once
// The catalogue of rename modes: each mode's number (RenameMode), its button
// label, its group (tab), its status-bar help text, and the rules that map the
// twelve mode buttons of a tab to modes.
//
// The catalogue is a table of 24 entries; entry i belongs to RenameMode i + 1,
// and only RenameModes 1 to 14 and 19 have a name. Entries 0..11 form group 1
// (tab 0), entries 12..23 group 2 (tab 1). Button b (1..12) of tab t shows
// entry 12·t + b − 1 and is hidden when that entry has no name, so tab 1 shows
// only its first, second and seventh buttons. The status code of a mode's
// help text is RenameMode + 4.
//
// Everything here is data and arithmetic over it; the names and help texts
// come from the modes' descriptors (modes/mode_descriptor.h).

#include <array>
#include <string>
#include <string_view>

#include "base/rename_mode.h"

namespace tessivo {


inline constexpr int kModeTableSize = 24;
inline constexpr int kModeButtons = 12;  // per tab
inline constexpr int kModeTabs = 2;
inline constexpr int kFirstModeButtonId = 1081;  // buttons 1081..1092

// The table index of a RenameMode (RenameMode − 1), as the current mode is held.
inline constexpr int ModeIndex(RenameMode mode) { return static_cast<int>(mode) - 1; }

// The two tabs' labels; the second carries two ideographic spaces on each side.
inline constexpr std::array<std::u16string_view, kModeTabs> kModeTabLabels = {
    u"ファイル・フォルダ名変更", u"　　属性変更・その他　　"};

struct ModeEntry {
  std::u16string_view name;  // the button label; empty: no mode, no button
  std::u16string_view help;  // shown after "【name】" in the status bar
  // The mode's name on the command line ("--mode=extension"); empty for an
  // entry without a mode.
  std::u16string_view command_name;
};

// Entry `index` (0..23) of the table; an index outside the table gives an
// entry with empty texts.
const ModeEntry& ModeEntryAt(int index);
// The entry of RenameMode `mode` (1..24).
inline const ModeEntry& ModeEntryOf(int mode) { return ModeEntryAt(mode - 1); }
// True for the RenameModes that have a name (1..14, 19).
bool IsNamedMode(int mode);
// The RenameMode whose command-line name or button label is `name` (exactly,
// "extension" or "拡張子"); 0 when none is.
int FindModeByName(std::u16string_view name);
// The group of RenameMode `mode`: 1 for modes 1..12, 2 for 13..24, 0 outside.
int ModeGroup(int mode);

// The status code of a mode's help text: RenameMode + 4.
inline constexpr int ModeStatusCode(int mode) { return mode + 4; }
// The status-bar text of codes 5..24: "【name】" followed by the help text of
// RenameMode code − 4. Empty for any other code.
std::u16string ModeStatusText(int code);

// The table index of button `button` (1..12) of tab `tab` (0 or 1):
// 12·tab + button − 1. A button outside 1..12 counts as button 1, a tab
// outside 0..1 as tab 0.
int ModeIndexForButton(int tab, int button);
// The tab (0 or 1) and button (1..12) that show table index `index`
// (clamped into 0..23).
int TabOfModeIndex(int index);
int ButtonOfModeIndex(int index);

// What the twelve buttons of a tab show.
struct ModeButtonFace {
  int control_id = 0;         // 1081..1092
  std::u16string_view label;  // the mode name
  bool visible = false;       // false for an entry without a name
};
std::array<ModeButtonFace, kModeButtons> ModeButtonsOfTab(int tab);

// Mode navigation: the next table index after `index` in direction `step`
// (+1 or −1), modulo 24, skipping entries without a name. Any other step
// counts as +1.
int StepModeIndex(int index, int step);

}  // namespace tessivo
