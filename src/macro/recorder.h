#pragma once
// MacroRecorder: recording a macro, naming it into one of the 25 slots, and
// the hand-off to the external macro editor.
//
// Recording collects steps in the recording file "macro0" of the program
// folder: its start writes the header, every execution that changed a row
// in a mode that is recorded (its descriptor captures a step) appends the
// step of the mode and its parameters, and
// its end moves the file to the chosen slot's "macro<n>.bin" and names the
// slot in the list file. The recording count is 0 while not recording, 1
// right after the start and one more for each recorded step; the recorder
// mirrors it in RunState (macro_recording, macro_steps_recorded), which the
// execution reads.
//
// Steps are recorded from the values an execution used: the Settings records
// as ReadModeParameters left them and the texts of the panel; each mode's
// descriptor captures its own step (UsedText for a field with a history).
// A CSV step is written with the code "dmy".
//
// Messages go through the Messenger (exact texts in recorder.cpp); the
// window parts (selecting a mode, the small window with "■ 終了", the naming
// dialog, starting a program) are hooks. Not thread-safe; the window's
// thread owns the recorder. The borrowed references must outlive it.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/message.h"
#include "base/result.h"
#include "exec/run.h"
#include "macro/macro_file.h"
#include "macro/macro_list.h"
#include "modes/mode_panel.h"
#include "modes/position_edit.h"
#include "platform/file_system.h"

namespace tessivo {

// What the naming dialog returns: the typed name (up to 256 characters are
// kept) and the chosen slot (0..24).
struct MacroName {
  std::u16string name;
  int slot = 0;
};

struct RecorderHooks {
  // Selects RenameMode `mode` in the window (SelectMode and its effects).
  std::function<void(int mode)> select_mode;
  // true at the start: show the small window with "■ 終了" (450 px right and
  // 35 px below the main window's corner; pressing or closing it toggles
  // recording again), disable the undo button and the toolbar buttons 40019
  // and 40073. false at the end: close it and enable them again (the undo
  // button only while `writelog` is 1).
  std::function<void(bool recording)> recording_ui;
  // The naming dialog "マクロに名前を付けてください。": an editable drop-down
  // of the slot names with `slot` selected and "OK". nullopt when it was
  // closed any other way.
  std::function<std::optional<MacroName>(const MacroList& list, int slot)> ask_name;
  // Starts `program` with the single argument `argument`, detached, in a
  // normal window; an error when it could not be started.
  std::function<Status(const std::u16string& program, const std::u16string& argument)> launch;
};

// The outcome of a step handed to RecordStep.
enum RecordResult : int {
  kStepRecorded = 0,
  kStepNotWritten = 1,   // not recording, a mode that is not recorded, or the write failed
  kRecordingFull = 2,    // the recording file reached kRecordingSizeLimit (told so)
  kStepNotAllowed = 3,   // an 8.3 step after the first (told so)
};

enum class StopOutcome {
  kNotRecording,
  kNothingRecorded,  // stopped without a step: nothing saved, no dialog
  kNotNamed,         // no name given (told so): the recording file stays
  kSaved,            // moved into the slot and named
  kSaveFailed,       // the recording file could not be moved: the slot keeps
                     // its name, the recording file stays
};

enum class EditorOutcome {
  kRefused,       // a macro is being recorded (told so)
  kStarted,       // the editor runs; the button reads "リスト更新"
  kListReloaded,  // pressed again: the list file was read back, the button reads "編集"
  kNotFound,      // the editor is missing or could not be started (told so)
};

// The step an execution in RenameMode `mode` records; mode 0 for a mode that
// is not recorded.
MacroStep CaptureStep(int mode, const Settings& settings, const ModePanel& panel,
                      const PositionEditState& position_edit);

// The Escape key while recording: asks "記録を終了しますか？" ("Stop
// Recording?", Yes/No, level 2). True on Yes (stop recording); on No the
// caller resets the list (command 40030).
bool AskStopRecording(Messenger& messenger);

class MacroRecorder {
 public:
  // `program_folder` holds the recording file, the macro files and the list.
  MacroRecorder(FileSystem& fs, Messenger& messenger, RunState& state,
                std::u16string program_folder, RecorderHooks hooks);

  bool recording() const { return count_ >= 1; }
  int count() const { return count_; }
  // The slot selected when recording started.
  int remembered_slot() const { return remembered_slot_; }

  // The record button "● 記録開始" (and command 40073 once the caller has
  // settled names edited in the text editor): Start when not recording,
  // else Stop.
  void Toggle(ModePanel& panel, MacroList& list, bool folders);

  // Remembers the selected slot, disables the slot box and the buttons
  // "● 記録開始", "削除" and "編集", calls recording_ui(true), sets the count
  // to 1, selects RenameMode 1 and creates the recording file with the
  // header. Returns the header write's status; recording goes on either way
  // (later steps then fail to append). Nothing when already recording.
  Status Start(ModePanel& panel, bool folders);

  // The step of an execution that changed at least one row in RenameMode
  // `mode`. A step of a first_step_only mode (8.3) is recorded only as the
  // first step; otherwise
  // "8.3形式は1回目のみ記録できます。" is shown. A recorded step is announced
  // ("%d 個目　：　[%s] モード\n\n記録されました。") and counted; a recording
  // file of kRecordingSizeLimit bytes or more takes no step and
  // "マクロファイルが最大サイズに到達したため、記録されませんでした。" is shown.
  int RecordStep(int mode, const Settings& settings, const ModePanel& panel,
                 const PositionEditState& position_edit);

  // Ends recording: recording_ui(false), the slot box and buttons enabled,
  // RenameMode 19 selected with the remembered slot. Without a step nothing
  // is saved. Otherwise the naming dialog is asked; without a name
  // "名前が付けられなかったためマクロを保存しませんでした。" is shown. With one,
  // the chosen slot's macro file is replaced by the recording file, the slot
  // is named (kEmptyMacroSlot as a name becomes "macro_%02d" of the slot
  // number), selected, and the list file rewritten. The count is 0 after
  // every outcome.
  StopOutcome Stop(ModePanel& panel, MacroList& list);

  // Command 40078 and the button "編集". While recording only
  // "マクロ記録中は編集できません。". When the editor was started before:
  // the button back to "編集", the list file read again with the current
  // selection kept. Otherwise starts "tessivmacroedit" of `editor_folder`
  // with "/macro%d" (selected slot + 1); on success the button reads
  // "リスト更新", else "マクロ編集ツールが見つかりません。" is shown.
  EditorOutcome OpenEditor(ModePanel& panel, MacroList& list, std::u16string_view editor_folder);

 private:
  // Appends `line` to the recording file: kStepRecorded, kRecordingFull or
  // kStepNotWritten.
  int AppendLine(const std::string& line);
  void SetCount(int count);
  void EnableSlotControls(ModePanel& panel, bool enabled);

  FileSystem& fs_;
  Messenger& messenger_;
  RunState& state_;
  std::u16string folder_;
  RecorderHooks hooks_;
  int count_ = 0;
  int remembered_slot_ = 0;
  bool editor_started_ = false;
};

}  // namespace tessivo
