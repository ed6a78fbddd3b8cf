#pragma once
// Session: everything one run of the program owns, and the commands that
// work on it.
//
// The window program and the unattended command line both make one Session
// and drive it; tests make fresh ones over an in-memory file system. It holds
// the process-wide state (settings, the file list, the mode panel model, the
// run flags, undo mode, the narrowing text) and wires the units together:
// the list's sample name feeds position edit, a preview reads the mode
// parameters into the settings, builds the per-run mode context and hands
// every row to ComputeNewName, and a start-up repairs an interrupted rename
// log before anything reads the log slots.
//
// One thread; borrowed collaborators (file system, message sink, time zone)
// must outlive the session.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "core/file_list.h"
#include "core/message.h"
#include "core/narrow.h"
#include "core/scan.h"
#include "exec/execute.h"
#include "exec/run.h"
#include "exec/undo.h"
#include "modes/calendar.h"
#include "modes/dispatcher.h"
#include "modes/mode_panel.h"
#include "modes/position_edit.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"

namespace tessivo {

class Session : private ListPanelLink {
 public:
  Session(FileSystem& fs, MessageSink& sink, const LocalTimeZone& zone,
          ProgramLocation location);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Start-up: loads both stages of the settings, applies them to the list
  // and fills the mode panel. (A rename log that an interrupted run left in
  // slot 0 is settled by the next run that changes files, never here: a dry
  // run leaves it alone.) `now` is the current time (the timestamp pickers start there).
  void Start(const StartOverrides& overrides, FileTime now);
  // The same for the window program: `desktop_entry_installed` (whether the
  // folder context-menu entry is there) sets `dispcmenu`, and the result
  // says whether this is the first start.
  Stage0Result Start(const StartOverrides& overrides, FileTime now,
                     bool desktop_entry_installed);

  // Writes the settings back at the end of a run without a window: the
  // window's placement, list header and tree width stay as stored.
  Status Save();
  // Writes them with what the window hands in (placement, column widths and
  // order, tree width); the mode is always the session's own. SaveMode::
  // kFixedNow writes only the values fixed on the options page.
  Status Save(const SaveInputs& inputs, SaveMode save_mode = SaveMode::kExit);

  // The list's columns and limits as the settings give them.
  FileListOptions ListOptionsFromSettings() const;

  // Adds paths as a drop, a tree click or the command line does. `adjust`
  // may change the scan options taken from the settings (command-line depth,
  // automatic-run rules) before the walk.
  ScanSummary AddPaths(const std::vector<std::u16string>& paths, AddSource source,
                       const std::function<void(ScanOptions&)>& adjust = {});
  // The window's form: `callbacks` poll Escape and raise the window; when
  // their undo-mode and file-mode entries are empty, the session's own are
  // used (leaving undo mode clears the loaded log and its rows and leaves
  // the new UI state in `undo_ui_change`; switching to file mode also
  // stores it in the settings). `status` shows the loading notice; may be null.
  ScanSummary AddPaths(const std::vector<std::u16string>& paths, AddSource source,
                       ScanCallbacks callbacks, StatusSink* status,
                       const std::function<void(ScanOptions&)>& adjust = {});

  // Undo mode: what one undo call works with (the progress bar included).
  UndoContext MakeUndoContext();
  // Leaves undo mode (RunUndo(kLeave)); the UI state to apply, nullopt when it
  // was not on.
  std::optional<UndoUiState> LeaveUndoMode();
  // Set when a command left undo mode on the way (a drop agreed to leave
  // it); the window applies it and clears it.
  std::optional<UndoUiState> undo_ui_change;

  // Selects RenameMode `mode` with its non-visual effects; the focus and the
  // status code are the window's.
  SelectModeEffects SelectMode(int mode);
  int mode() const { return mode_; }

  // Confirm: computes and validates every row's new name.
  RunResult Preview(FileTime now);

  // Execute: previews first when the names shown are not those of a preview
  // of the current mode, then changes the disk row by row, logging every
  // change. `summary`, when
  // given, receives what the pass did. In test mode nothing is changed: the
  // preview runs and the refusal is shown.
  RunResult Execute(FileTime now, ExecuteSummary* summary = nullptr);

  // The two runs a macro playback makes: a preview of one step in `mode`
  // with the values the step put into the panel, and the execution of the
  // names the last step left (no new preview).
  RunResult PreviewStep(int mode, FileTime now);
  RunResult ExecuteShownNames(FileTime now, ExecuteSummary* summary = nullptr);

  // Called after the mode parameters were read from the panel and before
  // names are computed: an unattended run puts its command-line values in
  // place of the panel's here.
  std::function<void()> parameter_overrides;
  // The progress bar, 0..100.
  std::function<void(int percent)> progress;

  FileSystem& fs() { return fs_; }
  const ProgramLocation& location() const { return location_; }
  const LocalTimeZone& zone() const { return zone_; }

  Settings settings;
  FileList list;
  Messenger messenger;
  RunState run_state;
  ModePanel panel;
  ModeSelection selection;
  PositionEditState position_edit;
  UndoSession undo;
  NarrowState narrow;
  RandomGenerator random;  // seeded once, from the time the session was made

 private:
  // ListPanelLink: the list keeps the sample-name field in step.
  void SetSampleName(std::u16string_view name) override;
  void ClearNameFields() override;

  // The hooks of one preview or execution run over the current mode.
  RunHooks MakeHooks(FileTime now);

  FileSystem& fs_;
  const LocalTimeZone& zone_;
  ProgramLocation location_;
  int mode_ = 1;
  ModeTexts texts_;
  std::optional<ModeContext> context_;  // lives for one run
  // The folders an automatic run's scan listed, handed to the preview that
  // follows it so that it need not list them again; dropped by that preview
  // and by any execution.
  std::vector<FolderListing> scan_listings_;
};

}  // namespace tessivo
