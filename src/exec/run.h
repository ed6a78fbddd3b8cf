#pragma once
// ExecuteRun: the driver that walks the file list for a preview (kind 0), a
// re-check of names typed by hand (kind -1) or an execution (kind 1), and
// RunState, what the program remembers between runs.
//
// Every run shares one frame:
//   1. an empty list does not start a run (result 1);
//   2. the progress bar starts at 0;
//   3. the mode parameters are collected (may stop the run);
//   4. a preview applies the narrowing filter of the list;
//   5. the mode gets ready for the run (may stop it);
//   6. the pass walks the rows in list order, advancing the progress bar to
//      rows done × 100 / row count;
//   7. after a completed pass the mode may report what it met (after_pass);
//   8. the flags of RunState are updated, an emptied list empties the name
//      fields of the mode panel, the progress bar goes back to 0 and the mode
//      releases what it held for the run (end_run).
// A run stopped by a hook shows the hook's message, leaves the
// names-current flag clear (the names shown may be stale) and still runs
// step 8's clean-up.
//
// The preview pass, for each row: a row marked kExcluded gets an empty new
// name and is skipped, and does not count towards the row ordinal. Any other
// row is given a name (kind 0 only: compute_new_name with its source path,
// the preset full path and the next ordinal), the new-name cell is written
// from it and the row is validated (ValidateRow, stored). Source and preset
// are cut to 259 code units. A preview never changes the disk.
//
// The execution kind (1) opens the rename log before step 3 (a log that
// `writelog` asks for and that cannot be opened stops the run, result 1,
// before anything is changed), has no step 4,
// runs the execution pass of exec/execute.h in step 6 and its after-pass
// steps (serial clean-up, closing and rotating the log, the macro step)
// before step 7; these and step 7 also run when the user ended the pass
// early (the result is still 0). It needs RunContext::execute; without it
// ExecuteRun(1) returns 1 and touches nothing. It clears the names-current
// flag and the one-shot keep-changing flag.
//
// The program wires the mode dispatcher and the mode panel in through
// RunHooks, so this unit knows modes only by their numbers (1..14, 19).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "core/file_list.h"
#include "core/message.h"
#include "platform/file_system.h"

namespace tessivo {

enum RunKind : int { kRunRecheck = -1, kRunPreview = 0, kRunExecute = 1 };

// What the program remembers between runs. It owns one RunState and hands
// it to every run.
struct RunState {
  // The new-name cells hold the names of the current mode and settings:
  // set by every completed preview or re-check, cleared at start-up, after
  // every execution, by a mode switch outside macro playback and whenever
  // rows are added or removed.
  bool names_current = false;
  // The new names were typed in the text editor; cleared by every preview
  // or execution (set by the text editor when it takes names over).
  bool hand_edited = false;
  // A macro playback is running.
  bool macro_playback = false;
  // Macro playback from its second step on: each row is worked on from its
  // current new name (the previous step's result) instead of its old name.
  bool source_is_new_name = false;
  // The execution was started by the keep-changing command (Shift+Enter);
  // cleared by every execution.
  bool keep_changing_once = false;
  // Macro recording is on, and how many steps it has recorded (the macro
  // recorder keeps both; an execution only reads them).
  bool macro_recording = false;
  int macro_steps_recorded = 0;
};

// How a start-up hook ends: go on, or stop the run, with a message box when
// it names one.
struct RunStartResult {
  bool stop = false;
  std::optional<MessageId> title;
  std::optional<MessageId> text;
  BoxStyle style = box::kOk | box::kIconStop;

  static RunStartResult Go() { return {}; }
  static RunStartResult Stop(MessageId title, MessageId text,
                             BoxStyle style = box::kOk | box::kIconStop) {
    return {true, title, text, style};
  }
};

// The per-run collaborators. Every hook may be left empty; an empty hook
// does nothing (an empty compute_new_name leaves each name as preset).
struct RunHooks {
  // Reads the mode parameters from the mode panel; stops the run when a
  // text is too long ("Too Many Characters").
  std::function<RunStartResult()> collect_parameters;
  // Marks rows kExcluded by the narrowing filter (preview only).
  std::function<void()> apply_narrowing_at_preview;
  // Gets the mode ready after narrowing (compiling regular expressions for
  // the replace mode); may stop the run.
  std::function<RunStartResult()> prepare_mode;
  // Called once, before the first row that needs a name computed (the macro
  // mode reads its macro file here); may stop the run.
  std::function<RunStartResult()> before_first_name;
  // ComputeNewName: `source` is the row's folder + current name, `preset` the
  // folder + current new name, `disk` the folder + old name, where the file
  // is on disk (it differs from `source` while a macro step works on the
  // name the step before left). Returns folder + new name in the name modes
  // and the cell text in modes 13 and 14.
  std::function<std::u16string(const std::u16string& source, const std::u16string& preset,
                               std::int64_t ordinal, const std::u16string& disk)>
      compute_new_name;
  // After a completed pass (an execution also after one the user stopped):
  // warnings about what the mode met (the Shift-JIS warning of the replace
  // mode).
  std::function<void()> after_pass;
  // Execution, when at least one row was changed, macro recording is on and
  // the mode is 1..12: the recorder's step (its own checks, messages and
  // count included).
  std::function<void(int mode)> record_macro_step;
  // Execution with a policy other than keep-changing: redraw the list view.
  std::function<void()> redraw_list;
  // The list is empty after the run: empty the sample-name field and the
  // extension field of the extension mode.
  std::function<void()> list_emptied;
  // Releases what the mode held for this run (serial counters, patterns).
  std::function<void()> end_run;
  // The progress bar, 0..100; called when the value changes.
  std::function<void(int percent)> progress;
};

struct ExecuteSetup;  // exec/execute.h

// What one run works on. All references are borrowed for the call only.
struct RunContext {
  FileList& list;
  FileSystem& fs;
  Messenger& messenger;
  RunState& state;
  const RunHooks& hooks;
  int mode;  // RenameMode
  // Execution only: its options, log folder and time zone.
  const ExecuteSetup* execute = nullptr;
};

// Runs `kind` over the list. Returns 0, or 1 when the run did not start or
// was stopped by a hook (empty list, a hook said stop, a kind not handled
// here, an execution without RunContext::execute). An execution the user
// ended early still returns 0.
int ExecuteRun(int kind, const RunContext& run);

// Whether a run went ahead, as callers above ExecuteRun pass it on.
enum class RunResult { kRan, kNotStarted };
inline RunResult RunResultOf(int execute_run_result) {
  return execute_run_result == 0 ? RunResult::kRan : RunResult::kNotStarted;
}

// The question the preview command asks while the names were typed by hand
// (and no macro playback runs): only Yes clears `hand_edited`. Returns true
// when the preview may go ahead.
bool ConfirmResetOfEditedNames(RunState& state, Messenger& messenger);

}  // namespace tessivo
