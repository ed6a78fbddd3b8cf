#pragma once
// The 25 macro slots: their names, the macro list file that keeps them, the
// paths of the slots' macro files, and deleting a slot.
//
// Stored format of the macro list file "macro.lst" in the program folder
// (read by other installs and the macro editor; do not change it): code page
// 932 text, one line "%d:%s\n" per named slot in slot order (slot number 1
// to 25, a colon, the name, LF); unused slots are left out. It is written
// whole, plainly converted (a character the code page lacks becomes "?"),
// and read back with the "\u" escapes decoded.
//
// A slot whose name is kEmptyMacroSlot ("< 未登録 >") is unused. The slot
// box of the mode panel (ctl::kMacroSlot) shows the 25 names; its value is
// the selected slot (0..24, the setting `macrono`).

#include <array>
#include <string>
#include <string_view>

#include "core/message.h"
#include "base/result.h"
#include "modes/mode_panel.h"
#include "platform/file_system.h"

namespace tessivo {

// Characters of a list file line that are kept when it is read.
inline constexpr std::size_t kMacroListLineChars = 63;
// Characters of a slot name that are kept when it is named.
inline constexpr std::size_t kMacroNameChars = 256;

class MacroList {
 public:
  // Every slot unused.
  MacroList();

  // The name of `slot` (0..24); kEmptyMacroSlot for a slot outside.
  const std::u16string& Name(int slot) const;
  bool IsUsed(int slot) const;
  // Names `slot`; kEmptyMacroSlot makes it unused. Ignored outside 0..24.
  void SetName(int slot, std::u16string_view name);

  // The list file's bytes.
  std::string Encode() const;
  // Replaces every name by the lines of a list file: all slots unused, then
  // for each line up to the first empty one (LF ends a line, a CR before it
  // is dropped, at most kMacroListLineChars characters are kept) a slot
  // number of one digit before a colon at the second character, or of two
  // before one at the third, names that slot (1..25) with the rest of the
  // line. Other lines are skipped. `bytes` is decoded with the escapes first.
  void Decode(std::string_view bytes);

 private:
  std::array<std::u16string, kMacroSlots> names_;
};

// Paths in the program folder: the macro file of `slot` (0..24) is
// "macro<slot + 1>.bin", the recording file "macro0", the list "macro.lst".
std::u16string MacroFilePath(std::u16string_view program_folder, int slot);
std::u16string RecordingFilePath(std::u16string_view program_folder);
std::u16string MacroListPath(std::u16string_view program_folder);

// Writes the list file whole. The error of the write, if any.
Status WriteMacroList(FileSystem& fs, std::u16string_view program_folder, const MacroList& list);
// Reads at most 65536 bytes of the list file into `list`; a missing or
// unreadable file leaves every slot unused.
void LoadMacroList(FileSystem& fs, std::u16string_view program_folder, MacroList& list);
// At exit: removes the list file when it is empty (0 bytes). Succeeds when
// there is nothing to remove.
Status RemoveEmptyMacroList(FileSystem& fs, std::u16string_view program_folder);

// Puts the names into the slot box and selects `select` (clamped into 0..24).
void ShowMacroList(ModePanel& panel, const MacroList& list, int select);

// What DeleteSlot did.
enum class DeleteSlotOutcome {
  kNothing,    // undo mode, or the selected slot is unused
  kRefused,    // a macro is being recorded (told so)
  kCancelled,  // the user answered Cancel
  kDeleted,
};

// The button "削除": deletes the macro of the slot selected in the slot box.
// Nothing in undo mode or for an unused slot. While `recording` it only
// shows "現在マクロ記録中のため、削除できません。" ("Macro Recording Now").
// Otherwise asks "マクロ[%s]を削除します。" with the slot's name ("Delete Macro
// File?", OK/Cancel, level 2); on OK the slot becomes unused and stays
// selected, its macro file is removed and the list file is rewritten
// (failures of those two are not reported).
DeleteSlotOutcome DeleteSlot(FileSystem& fs, std::u16string_view program_folder,
                             Messenger& messenger, MacroList& list, ModePanel& panel,
                             bool undo_mode, bool recording);

}  // namespace tessivo
