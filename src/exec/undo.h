#pragma once
// Undo: loads the rename log of one of the last nine runs into the file list
// (undo mode) and, on execute, reverses the logged changes from the last line
// to the first.
//
// UndoSession is the program's undo-mode state: whether undo mode is on, the
// log slot shown, and the full texts of every loaded line. List cells are cut
// at 259 code units while a log path plus " : " can be longer, so the reverse
// steps take their paths from the session, never from the cut cells. Each
// row is tied to its line by comparing its cells with the line's, so rows
// the user removed (or moved) while undo mode is on do not throw the others
// off; a row that matches no line falls back to the paths its cells show.
//
// The window's part of entering and leaving undo mode (button texts, the
// folder header, the log drop-down, the controls disabled, the mode chosen
// again) comes back as an UndoUiState for the window to apply; the list, the
// messages and the progress bar are handled here through the context.
//
// Undo record: each reverse step is noted, ahead of it, in a record file
// beside the logs ("undo_<size>_<times>.rec", named after the log it
// belongs to, so it follows the log through the slots; the log itself is
// never changed). A line taken back once is never taken back again: a
// second undo of the same log finds nothing left to do and says "this run
// was already undone" ("Already Undone"), and an undo that was killed or
// stopped part-way shows, when run again, only the lines not yet taken back
// (the last noted step is judged on the disk, as the start-up repair judges
// a run's last line). An undo holds the record locked; when it cannot be
// made or is in use, the undo changes nothing and says why, with the
// messages of a run whose log cannot be written.
//
// Guarantees:
// - A reverse step never overwrites anything (FileSystem::RenameNoReplace).
// - A failed step changes nothing on disk (see the timestamp rule in
//   RunUndo) and asks "Continue?"; No stops the undo.
// - Undo mode is always left at the end of RunUndo, so no row is kept that
//   was not handled.
//
// Not thread-safe; the window's thread owns the session.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_list.h"
#include "core/message.h"
#include "modes/calendar.h"
#include "platform/file_system.h"

namespace tessivo {

// EnterUndo's slot for the UnDo command: enter with slot 1, or leave undo
// mode when it is on.
inline constexpr int kUndoCommandSlot = 10;

// Texts the window shows in and out of undo mode.
inline constexpr std::u16string_view kUndoButtonText = u"変更UnDo";
inline constexpr std::u16string_view kUndoCancelButtonText = u"UnDo中止";
inline constexpr std::u16string_view kExecuteButtonText = u"☆ 実行 ☆";
inline constexpr std::u16string_view kExecuteUndoButtonText = u"★ UnDo ★";
inline constexpr std::u16string_view kFolderHeaderText = u"フォルダ名";
inline constexpr std::u16string_view kRemarksHeaderText = u"<備考>";

// The log drop-down's entry for `slot` (1..9): "1つ前" .. "9つ前".
std::u16string UndoLogEntryText(int slot);

// The mode selected again when undo mode is left: ((mode − 1) mod 12) + 1,
// the remainder taken as non-negative.
int ModeAfterUndo(int current_mode);

// How the window looks in or out of undo mode. The window applies the whole
// state.
struct UndoUiState {
  // Undo mode on: the UnDo menu entry checked, the undo text colour of the
  // settings, the undo status-bar text.
  bool undo_mode = false;
  std::u16string undo_button_text;
  std::u16string execute_button_text;
  std::u16string folder_header;
  // The preview button, the mode buttons (all 24) and the menu and toolbar
  // entries for mode switching, options, sorting and reading files.
  bool mode_controls_enabled = true;
  // The log drop-down under the UnDo button; the icon beside the execute
  // button shows while it is hidden.
  bool log_list_visible = false;
  std::vector<std::u16string> log_list_entries;  // "1つ前" .. "9つ前"
  int log_list_selection = -1;                   // slot − 1 while shown
  // Out of undo mode: the mode to select again (its panel and button).
  int mode_to_select = 0;
};

UndoUiState UndoModeUi(int slot);
UndoUiState NormalModeUi(int current_mode);

// What one call works with. Borrowed for the call only.
struct UndoContext {
  FileList& list;
  FileSystem& fs;
  Messenger& messenger;
  const LocalTimeZone& zone;
  std::u16string_view program_folder;
  int chg_confirm = 0;   // `chgconfirm`: 1 ask once, 2 ask for each row
  int current_mode = 1;  // the RenameMode selected when undo mode began
  // The progress bar, 0..100; may be empty.
  std::function<void(int percent)> progress;
};

enum class UndoEnterOutcome {
  kEntered,       // rows loaded, undo mode on
  kEnteredEmpty,  // the log held no line: "Empty List" shown, undo mode on
  kAlreadyUndone, // every line was taken back before: "Already Undone" shown, undo mode on
  kCannotOpen,    // "Can't Open File!" shown, undo mode left
  kLeft,          // the UnDo command while undo mode was on: left
  kInvalidSlot,   // not 1..10: nothing done
};

struct UndoEnterResult {
  UndoEnterOutcome outcome = UndoEnterOutcome::kInvalidSlot;
  int rows = 0;  // rows loaded
  // What the window shows now; nullopt when nothing changed.
  std::optional<UndoUiState> ui;
};

// What RunUndo does: only leave undo mode, or first reverse the rows.
enum class UndoAction { kLeave, kPerform };

struct UndoRunResult {
  bool performed = false;  // the reverse steps ran (RunUndo(kPerform) in undo mode)
  int restored = 0;        // rows whose change was reversed
  int failed = 0;          // reverse steps that failed (Continue? asked)
  int skipped = 0;         // rows removed without a change (no kind to go by)
  bool stopped = false;    // ended early: a No or an unknown kind
  bool unknown_kind = false;
  bool refused = false;    // the undo record could not be written or was in use
  // What the window shows now; nullopt when nothing changed (test mode).
  std::optional<UndoUiState> ui;

  // For the exit status of an unattended undo: some logged change is not
  // back because its step failed or its kind was unknown.
  bool AnyFailed() const { return failed > 0 || unknown_kind || refused; }
};

class UndoSession {
 public:
  // The full texts of one loaded log line.
  struct Entry {
    std::u16string target;   // where undo puts the file back (the path before the change)
    std::u16string current;  // where it is now, or the logged time/attribute field
    std::u16string kind;     // "<NORMAL>", "<TIMESTAMP>", "<ATTRIBUTE>" or other
  };

  bool active() const { return active_; }
  // The slot shown (1..9), 0 out of undo mode.
  int slot() const { return slot_; }

  // Loads log `slot` (1..9) into the list and enters undo mode (a slot
  // chosen in the drop-down while undo mode is on loads that log instead).
  // kUndoCommandSlot enters with slot 1, or leaves undo mode (RunUndo(kLeave))
  // when it is on. The caller checks that the command is available
  // (`writelog` on, no macro played or recorded).
  //   - The slot cannot be read: "Can't Open File!", then RunUndo(kLeave).
  //   - Otherwise the list is cleared and gets one row per line, in file
  //     order: old name "name : folder" of where the file is now (or the
  //     time/attribute field as it stands), extension " ", folder cell the
  //     kind, new name "name : folder" of the path undo restores, status 9.
  //     Lines the undo record shows as taken back get no row. A log without
  //     lines shows "Empty List", one whose lines were all taken back
  //     "Already Undone"; undo mode is entered either way.
  UndoEnterResult EnterUndo(int slot, const UndoContext& ctx);

  // kPerform (in undo mode, outside test mode): reverses the rows from
  // the last to the first, each removed once handled, with the progress bar
  // going from 100 down to 0:
  //   "<NORMAL>"     the file at the current path moves back to the target;
  //   "<TIMESTAMP>"  the logged last-write time is set on the target, and
  //                  the logged creation time too where the file's creation
  //                  time (to the second, local time) differs from it; a
  //                  time that does not read fails the row;
  //   "<ATTRIBUTE>"  each of read-only, hidden, archive, system is set (Y)
  //                  or cleared (N) as logged;
  //   other "<..."   "This Format is Not Defined", and the undo ends;
  //   anything else  the kind of the row handled before (none for the first
  //                  row: it is removed unchanged).
  // The undo record is opened (locked) first; when it cannot be, nothing is
  // changed: "Can't Write Log" or "Log In Use", and `refused`. Each step is
  // noted in it ahead (see the top of this file).
  // With chg_confirm 1 one question comes first, with 2 one per row; a No
  // ends the undo. A failed step asks "Continue?"; No ends it.
  // Then, and for kLeave or out of undo mode at once, undo mode is
  // left: the list is cleared, the progress bar reset, and the UI state
  // returned selects ModeAfterUndo(current_mode).
  // In test mode RunUndo(kPerform) does nothing at all (ui is nullopt).
  UndoRunResult RunUndo(UndoAction action, const UndoContext& ctx);

  // The full texts behind row `row` of the list, as RunUndo would take them
  // (nullopt for a row out of range).
  std::optional<Entry> EntryOfRow(const FileList& list, int row) const;

 private:
  // The index of the unused entry that row `row` shows, or -1.
  int FindEntry(const FileList& list, int row) const;
  // Entry `index`, or for -1 the paths the cells of row `row` show.
  Entry EntryAt(const FileList& list, int row, int index) const;
  UndoUiState Leave(const UndoContext& ctx);
  // Reads the undo record of the loaded log into done_ (see the header).
  void ReadRecord(FileSystem& fs);
  // Opens the record locked for the reverse steps, cut back to what
  // ReadRecord accepted; null (the message shown) when it cannot be used.
  std::unique_ptr<AppendFile> OpenRecord(const UndoContext& ctx);

  bool active_ = false;
  int slot_ = 0;
  std::vector<Entry> entries_;  // in file order
  std::vector<bool> used_;      // entries whose row was handled (or taken back before)
  std::vector<bool> done_;      // entries an earlier undo took back
  std::u16string record_path_;  // the undo record of the loaded log
  std::string record_bytes_;    // the record as it was when the log was loaded
  std::uint64_t record_keep_ = 0;  // its length without a step that was not made
  int shift_ = 0;               // entry index − row index of the last match
};

// The question a command blocked by undo mode asks ("変更UnDoモードを中止しないと
// ファイルを読み込めません。..." or "...設定を開けません。..."). True when the
// user agreed to leave undo mode; the caller then calls RunUndo(kLeave).
bool ConfirmLeaveUndo(Messenger& messenger, bool for_options);

}  // namespace tessivo
