#pragma once
// MacroPlayer: plays a macro file on the current list, one step at a time.
//
// A playback begins with a preview in RenameMode 19, whose names pass
// through unchanged; that preview reads the macro file (Load, from its
// before_first_name hook) and, when it ran, the program calls Start. From
// then on each Step() is one tick of the playback:
//   - from the second tick on, a preview of the step applied at the tick
//     before (from its second step on, each row is worked on from the new
//     name the previous step left: RunState::source_is_new_name), after
//     which the step counter grows by one;
//   - then the next line is read; a header is taken and the line after it
//     read; a step selects its mode, puts its values into the mode panel and
//     shows "　%2d : 【 %s 】" (step counter, mode name) in the playback
//     window.
// When no step is left (the end of the file, or a line that cannot be
// read), RenameMode 19 is selected, the window closes and, when the
// execution was asked for and test mode is off, the execution (kind 1, mode
// 19) renames every row from its old name to the name the last step left.
// An automatic run then clears its macro-file bit and, unless it is to stay
// open, asks for the exit countdown.
//
// The window program calls Step() from its timer (every interval() ms, the
// first after the interval Start returns) until it returns false; an
// unattended run calls RunToEnd(). A stop request ends the playback at the
// next tick without execution; the names of the steps played so far stay.
// A step whose preview does not run (a hook stopped it) also ends the
// playback there, without execution. A file that does not begin with a
// header is no macro (played, it would start over at every tick): its
// playback ends at the first tick like any other, but without execution.
//
// Step values go through the panel (ReadModeParameters takes them into
// Settings at the step's preview). A case step restores its recorded
// exception words; a position-edit step restores its recorded map and
// template as they were recorded.
//
// Not thread-safe; the window's thread owns the player. The borrowed
// references of PlaybackModel must outlive it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "core/message.h"
#include "exec/run.h"
#include "macro/macro_file.h"
#include "modes/mode_panel.h"
#include "modes/position_edit.h"
#include "platform/file_system.h"

namespace tessivo {

inline constexpr int kPlaybackIntervalExtra = 60;  // ms added to `macromsec`
inline constexpr int kFirstPlaybackInterval = 250;  // the first tick comes no sooner
inline constexpr int kMaxMacroMsec = 10000;

// What a playback works on; borrowed.
struct PlaybackModel {
  ModePanel& panel;
  ModeSelection& selection;
  Settings& settings;
  PositionEditState& position_edit;
  RunState& state;
  Messenger& messenger;
};

// What a playback asks of the program. Only `preview` is needed; the others
// may be left empty.
struct PlaybackHooks {
  // A preview (ExecuteRun kind 0) in RenameMode `mode` with the values now
  // in the panel; whether it ran.
  std::function<RunResult(int mode)> preview;
  // The execution (ExecuteRun kind 1) in RenameMode 19; whether it ran.
  std::function<RunResult()> execute;
  // The playback window "◆　マクロ再生中　◆" with its step line and the button
  // "中止" (modal, centred on the main window); never in a hidden automatic
  // run.
  std::function<void()> open_window;
  std::function<void()> close_window;
  std::function<void(const std::u16string& line)> show_step;
  std::function<void(bool enabled)> enable_stop;
  // A mode was selected (focus and status bar).
  std::function<void(int mode, const SelectModeEffects& effects)> mode_selected;
};

enum class PlaybackEndReason {
  kNone,                // not ended (yet)
  kFinished,            // no further step: the file's end or a line that cannot be read
  kUnsupportedVersion,  // a header of a version outside 11..15 (told so)
  kStopped,             // the stop request
  kPreviewFailed,       // a step's preview did not run
  kNoHeader,            // the file does not begin with a header: no macro
};

struct PlaybackEnd {
  PlaybackEndReason reason = PlaybackEndReason::kNone;
  int steps = 0;            // steps applied
  bool executed = false;    // the execution ran
  RunResult execute_result = RunResult::kNotStarted;  // its result
  // An automatic run that is not to stay open: set the exit countdown
  // (10000) now.
  bool exit_countdown = false;
};


class MacroPlayer {
 public:
  MacroPlayer(PlaybackModel model, PlaybackHooks hooks);

  // Reads the first kMacroReadLimit bytes of `path` for the next Start (the
  // before_first_name hook of the RenameMode 19 preview). A path that is
  // empty or names no readable file stops that preview with "マクロファイルが
  // 開けません。" ("Can't Open Macro File", level 1).
  RunStartResult Load(FileSystem& fs, const std::u16string& path);

  // Begins the playback of what Load read (of nothing, when it was not
  // called since the last Start: the playback then ends at its first tick),
  // marks the playback in RunState and the mode selection, and opens the
  // playback window. Returns the delay before the first Step() in ms, or
  // nullopt when a playback is already running.
  std::optional<int> Start(bool execute_pending);

  // One tick (see the header). True while the playback goes on: call again
  // after interval() ms.
  bool Step();

  // "中止": closes the window; the next Step() ends the playback without
  // execution.
  void RequestStop();

  // Steps until the playback ends.
  PlaybackEnd RunToEnd();

  bool running() const { return running_; }
  bool execute_pending() const { return execute_pending_; }
  // 0 when no playback runs; while step k is shown, k.
  int step_counter() const { return counter_; }
  // `macromsec` (bounded by kMaxMacroMsec) + kPlaybackIntervalExtra.
  int interval() const;
  // The file version of the last header read.
  int file_version() const { return reader_.version(); }
  // How the last playback ended.
  const PlaybackEnd& last_end() const { return end_; }

 private:
  enum class LineRead { kStep, kHeader, kEnd, kUnsupportedVersion, kNoHeader };

  bool hidden() const;
  LineRead ReadLine();
  void Apply(const MacroStep& step);
  void SelectPlaybackMode(int mode);
  void CloseWindow();
  void Finish(PlaybackEndReason reason);

  PlaybackModel model_;
  PlaybackHooks hooks_;
  std::string loaded_;
  MacroReader reader_;
  bool running_ = false;
  bool execute_pending_ = false;
  bool stopped_ = false;
  bool window_open_ = false;
  int counter_ = 0;
  PlaybackEnd end_;
};

// The macro file named on the command line ("/autofile="), looked up in this
// order: `given` itself when it is a file; for a name without extension, the
// same with ".bin" (fewer than 254 characters); the name and extension in
// `program_folder` (fewer than 258); for a name without extension, that with
// ".bin" (fewer than 254). Empty when none is a file.
std::u16string ResolveMacroPath(FileSystem& fs, std::u16string_view given,
                                std::u16string_view program_folder);

// The file a playback reads: ResolveMacroPath of `autofile` when
// `auto_flags` has autoflag::kMacroFile, else the macro file of `slot`.
std::u16string PlaybackFilePath(FileSystem& fs, std::u16string_view program_folder, int slot,
                                std::uint32_t auto_flags, std::u16string_view autofile);

}  // namespace tessivo
