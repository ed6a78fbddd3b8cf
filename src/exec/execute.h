#pragma once
// Execution: the pass of ExecuteRun(kRunExecute) that turns the proposed
// names of the file list into changes on disk, and the pieces it is made of.
//
// The pass walks the rows in list order and never reorders them. For each
// row that is not excluded it builds source = folder + old name (the new name
// during macro playback from its second step on) and P = folder + new-name
// cell, both cut to 259 code units; when the names are not current it
// computes P itself (and writes the new-name cell as a preview would; in the
// timestamp and attribute modes P is then folder + the computed description,
// as the cell would give it). A row is changed when its stored status is
// eligible (IsEligible) and a fresh look at the disk does not find its
// target taken (what ValidateRow would call kTargetExists); a taken target
// gets a collision serial (AddCollisionSerial) when the options allow it,
// otherwise the row fails without a question. ApplyChange makes the change.
// For a plain rename whose target was free at the preview the look-up is
// left to the rename itself, which fails when the target exists (see
// ChangeRow).
//
// Questions: with `chgconfirm` 1 one question before the first row (not in
// a hidden automatic run); with 2 one per change (Yes/No/Cancel), in
// interactive runs only. A failed change asks "Continue?" when errors are
// shown; No ends the pass.
//
// Crash safety: the log line of every change is written before the change
// and cut out again when the change fails (RenameLog::BeginChange /
// AbortChange), so at any moment at most the last line of the log is in
// doubt, and the start-up repair settles it. A change whose line cannot be
// written is not made: the row fails like any other failed change. The log
// is synced once, when it is closed at the end of the run.
//
// With `writelog` on, a run whose log cannot be made changes nothing: it
// stops before its pass with "Can't Write Log" (the system's reason), or
// with "Log In Use" when another run still holds slot 0 after a short wait.
//
// A row whose new full path equals its source exactly is not a change, even
// when force4 lets it through: no system call, no log line, it keeps its
// status 6 under every policy and counts as not changed. So a run that
// changes nothing writes no log and rotates no slot. A new name that would
// leave the row's folder (it holds a "/", or is "." or "..") is never
// changed, whatever the force options say.
//
// After the pass (also after the user stopped it): collision serials whose
// wanted name has become free are taken back (with a log line each), the log
// is closed and rotated, a warning tells about serials that stayed, the
// macro recorder is handed the step, and the list is redrawn.
//
// Rows are changed by the after-run policy (`del`): 0 every visited row is
// removed, 1 changed rows are removed, 2 rows stay marked 8 (changed) or 11,
// 3 changed rows are rewritten to their new state (so the next run goes on
// from it), the others marked 11. Removed rows leave the list in one step at
// the end of the pass.
//
// The two-step change of the 8.3 mode goes through the intermediate name of
// platform/temp_name.h (TempNameFor(source, P, random), the first of a few
// fresh names that is free), a name the start-up repair recognises. A P of
// 254 code units or more is not processed in that mode: the row fails as a
// failed first step does. When the second step fails (no question is asked)
// the file is moved back to its source; if even that
// fails, the row's log line is rewritten to record where the file is
// (source -> intermediate name), so undo still finds it.
//
// Not thread-safe; the window's thread runs it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_item.h"
#include "core/file_list.h"
#include "core/message.h"
#include "exec/rename_log.h"
#include "exec/run.h"
#include "modes/calendar.h"
#include "platform/file_system.h"

namespace tessivo {

class Settings;

// The `del` setting: what happens to the rows after an execution.
enum AfterRunPolicy : int {
  kAfterRunClearAll = 0,       // "全消去"
  kAfterRunClearChanged = 1,   // "変更に成功したアイテムのみ消去"
  kAfterRunKeep = 2,           // "消去しないでそのまま"
  kAfterRunKeepChanging = 3,   // "変更を継続"
};

// The settings an execution works with, copied once per run by
// ExecuteOptionsFromSettings. The defaults here switch everything off.
struct ExecuteOptions {
  // "変更を強行する": rows marked 1, 2 or 10 (force1), 4 (force2), 5 (force3)
  // and 6 (force4) are changed all the same.
  bool force_invalid = false;
  bool force_backslash = false;
  bool force_bad_character = false;
  bool force_unchanged = false;
  int confirm = 0;            // `chgconfirm`: 0 never, 1 once at the start, 2 each change
  int after_run = kAfterRunClearAll;  // `del`, an AfterRunPolicy
  bool write_log = false;     // `writelog`
  bool show_errors = false;    // "リネームのエラーを表示する" (option1)
  // "同名アイコン時、および実行中に同名が見つかった場合": add a serial (option1).
  bool add_serial = false;
  int serial_form = 0;        // 0..5: abc(1).txt abc[1].txt abc_1.txt (1)abc.txt [1]abc.txt 1_abc.txt
  int serial_padding = 0;     // `adddiffpad`: 0 none, 1 two digits, 2 three digits
  int serial_start = 1;       // `addrenbegin` + 1
  bool warn_serial = false;   // `addrenmsg`: tell when serials stayed
  bool folders = false;       // the list holds folders (`file_dir`)

  friend bool operator==(const ExecuteOptions&, const ExecuteOptions&) = default;
};

ExecuteOptions ExecuteOptionsFromSettings(const Settings& settings);

// The policy of one run: the one-shot keep-changing command (Shift+Enter)
// turns 3 into 0 and anything else into 3; once macro recording has recorded
// a step the policy is 3 whatever else holds. `setting` outside 0..3 counts
// as 0.
int EffectiveAfterRunPolicy(int setting, bool keep_changing_once, bool macro_steps_recorded);

// Whether a row with stored status `status` may be changed: 1, 2 and 10 need
// force1, 4 force2, 5 force3, 6 force4; 12 never; every other status may.
bool IsEligible(FileStatus status, const ExecuteOptions& options);

// ---- collision serials ----

inline constexpr int kSerialFormCount = 6;
inline constexpr int kMaxCollisionSerial = 50000;
// From this length of P on, numbering gives up after kMaxLongPathSerial.
inline constexpr std::size_t kLongSerialPathLength = 254;
inline constexpr int kMaxLongPathSerial = 10;

// The path of `path` carrying serial `number` in the form and padding of
// `options` (a form outside 0..5 is clamped). Forms 0..2 put the number
// behind the base name, or, in a list of folders, behind the whole name
// (a folder's dot part stays in front of it); forms 3..5 in front.
std::u16string CollisionSerialPath(std::u16string_view path, int number,
                                   const ExecuteOptions& options);

// Replaces `path` with the first CollisionSerialPath, counting from
// options.serial_start, at which nothing exists. Gives up (false, `path`
// untouched) after kMaxCollisionSerial, after kMaxLongPathSerial for a path
// of kLongSerialPathLength code units or more, and at the first candidate
// longer than the program's 259-unit path limit.
bool AddCollisionSerial(FileSystem& fs, std::u16string& path, const ExecuteOptions& options);

// The rows of one run that received a collision serial, so that the serial
// can be taken back once the wanted name is free. Holds kCapacity entries;
// rows beyond that still get their serial but keep it (they are counted as
// overflow and show in the "Added Serial Number" warning).
class SerialLedger {
 public:
  static constexpr int kCapacity = 4000;

  struct Entry {
    std::u16string wanted;  // the path the row asked for
    std::u16string serial;  // the path it got
    int row = 0;            // list row (used with the keep-changing policy)
  };

  void Clear() {
    entries_.clear();
    overflow_ = 0;
  }
  // Records a row that was changed to a serial path. False (nothing kept
  // but the count) when the ledger is full.
  bool Add(std::u16string wanted, std::u16string serial, int row);

  const std::vector<Entry>& entries() const { return entries_; }
  int overflow() const { return overflow_; }

 private:
  std::vector<Entry> entries_;
  int overflow_ = 0;
};

// ---- one change ----

enum class ChangeOutcome : int { kMade = 0, kFailed = 1, kStop = 2 };

// What ApplyChange works with; borrowed for the call.
struct ChangeContext {
  FileSystem& fs;
  Messenger& messenger;
  const LocalTimeZone& zone;
  RenameLog& log;  // a log that is not open writes nothing
  bool show_errors = true;
  ErrorCode* failure = nullptr;  // when given, receives the system's reason of a failure
};

// Makes the change of one row from `source` to `target` (P) in RenameMode
// `mode`, its log line written ahead:
//   13, 14     the timestamp or attribute description in `target` is applied
//              to `source` (the line holds the times or flags before);
//   6          source -> intermediate name -> target (see the header);
//   any other  a rename that never replaces anything.
// kMade when done; kFailed when not (nothing changed, line taken out); kStop
// when it failed and the user answered No to "Continue?", asked only with
// show_errors and not after a failed second step of the 8.3 change.
ChangeOutcome ApplyChange(const ChangeContext& ctx, int mode, const std::u16string& source,
                          const std::u16string& target);

// ---- the pass ----

// What one execution did (for the caller's status line, the exit status of
// an unattended run, and tests).
// A change that failed: the paths of the row and the system's reason
// (kExists for a target taken with serials off, kCancelled for a No).
struct FailedChange {
  std::u16string source;
  std::u16string target;
  ErrorCode reason = ErrorCode::kIo;
};

struct ExecuteSummary {
  int changed = 0;
  int failed = 0;         // eligible rows left unchanged (collision, No, failure)
  std::vector<FailedChange> failures;  // one per failed row, in list order
  int not_eligible = 0;   // rows skipped for their status (excluded ones included)
  int serials_added = 0;  // rows changed to a serial path
  int serials_taken_back = 0;
  bool stopped = false;   // the user ended the pass early
  bool logged = false;    // the log was open
};

// What ExecuteRun(kRunExecute) needs beyond the RunContext.
struct ExecuteSetup {
  ExecuteOptions options;
  std::u16string program_folder;        // where the rename logs live; empty: no log
  const LocalTimeZone* zone = nullptr;  // for the timestamp mode; null: the system's
  ExecuteSummary* summary = nullptr;    // filled after the pass when given
  // How long a run waits for another run to release slot 0.
  std::chrono::milliseconds log_lock_wait{3000};
};

// Shows the message for a log that could not be opened: "Log In Use" for
// kBusy, else "Can't Write Log" with the error's detail (level 1, stop icon).
void ShowLogRefusal(Messenger& messenger, const Error& error);

// Whether `new_name` stays in its folder: no "/", not "." or "..", not empty.
bool NameStaysInFolder(std::u16string_view new_name);

// The execution run inside ExecuteRun's frame (run.cpp): OpenLog at the
// start, Pass, then AfterPass; CloseLog alone when the run stops before its
// pass.
class ExecutionPass {
 public:
  ExecutionPass(const RunContext& run, const ExecuteSetup& setup);
  ~ExecutionPass();  // closes the log if the run did not
  ExecutionPass(const ExecutionPass&) = delete;
  ExecutionPass& operator=(const ExecutionPass&) = delete;

  // Opens the log when `writelog` is on, waiting up to log_lock_wait while
  // another run holds it. False (the message shown) when it cannot be
  // opened: the run must then change nothing.
  bool OpenLog();
  void CloseLog();

  // Walks the rows. `before_first_name` is called before the first name the
  // pass computes; false from it stops the pass (and Pass returns false).
  // `progress` gets rows done and the row count after each row.
  bool Pass(const std::function<bool()>& before_first_name,
            const std::function<void(int done, int count)>& progress);

  // Serial clean-up, close and rotate, the serial warning, the macro step,
  // the sample name or a redraw; then fills the summary.
  void AfterPass();

 private:
  struct RowOutcome {
    bool changed = false;
    bool stop = false;  // the user ended the pass
  };
  // Steps 6 to 8 for an eligible row: the fresh check, the serial, the
  // question, the change. `target` becomes the serial path when one is
  // added; `wanted` then holds the path asked for.
  RowOutcome ChangeRow(const ChangeContext& change, int row, FileStatus status,
                       const std::u16string& source, std::u16string& target,
                       std::u16string& wanted);
  // Applies the after-run policy to `row`; rows to remove are only marked.
  // With `keep_mark` (excluded rows, rows that are no change) a kept row
  // keeps its status.
  void ApplyPolicy(int row, FileStatus status, bool changed, const std::u16string& valid_path,
                   bool keep_mark);
  // Whether `target` is the row's folder + a name that stays in it.
  bool StaysInFolder(int row, std::u16string_view target) const;
  void RemoveMarkedRows();

  const RunContext& run_;
  const ExecuteSetup& setup_;
  const ExecuteOptions& options_;
  std::unique_ptr<LocalTimeZone> own_zone_;
  const LocalTimeZone* zone_;
  RenameLog log_;
  NameRulesCache name_rules_;  // of the rows' folders, for the fresh checks
  SerialLedger ledger_;
  int policy_ = kAfterRunClearAll;
  std::vector<bool> remove_;  // rows the policy takes out, by their index in the pass
  int serial_rows_ = 0;       // rows that carry a serial right now
  ExecuteSummary summary_;
};

}  // namespace tessivo
