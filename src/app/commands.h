#pragma once
// Commands: what the window program does for each menu entry, key, toolbar
// button and panel button, without the widgets.
//
// The window only routes: an action, key or button calls Controller::Run
// with its CommandId, and applies the CommandResult (which parts of the
// window to refresh from the session). Controller::IsAvailable says whether
// a command may run now; IsEnabled is the same without the two short-lived
// flags (busy, operation), for the enabled state of menus and buttons;
// IsChecked gives the menu check marks.
//
// What only the window can do (pick a folder, the clipboard, open a URL,
// the about box, quit, raise the window, repaint during long loops) goes
// through CommandHooks; a hook left empty makes its command unavailable or
// do nothing.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/session.h"
#include "app/status_bar.h"
#include "core/sort.h"
#include "exec/undo.h"

namespace tessivo {

// The command numbers of the menus, keys and toolbar, and the panel buttons
// that do more than post one of them.
enum class CommandId : int {
  kOpenFolder = 40002,          // "フォルダを開く(&F)", Ctrl+F
  kQuit = 40003,                // "終了(&Q)"
  kHelp = 40005,                // "ヘルプの表示(&H)", F1
  kCut = 40006,                 // Ctrl+X (the list's rows when no edit box has the focus)
  kCopy = 40007,                // Ctrl+C
  kPaste = 40008,               // Ctrl+V
  kAbout = 40009,               // "バージョン情報(&A)"
  kOptions = 40010,             // "オプション(&O)"
  kNextControl = 40011,         // Tab
  kPreviousControl = 40015,     // Shift+Tab
  kConfirm = 40018,             // "変更確認(&P)", button 1003
  kEnter = 40019,               // Enter
  kMoveUp = 40021,              // "選択を上へ(&U)", Alt+↑
  kMoveDown = 40022,            // "選択を下へ(&D)", Alt+↓
  kInvertSelection = 40023,     // "選択の切り替え(&I)"
  kDeleteSelected = 40024,      // "選択をリストから消去", Del, button 1014
  kClearAll = 40026,            // "リスト全消去", button 1015
  kExecute = 40027,             // "実行(&F)"
  kReset = 40030,               // "リセット(&Z)", Ctrl+Z
  kSelectAll = 40031,           // "全て選択(&A)"
  kRefresh = 40032,             // "更新", F5
  kUndo = 40041,                // "変更UNDO(&B)", Ctrl+B, button 1067
  kOpenFile = 40042,            // "開く"
  kPageDown = 40044,            // Page Down
  kPageUp = 40045,              // Page Up
  kDeleteSettings = 40047,      // "設定情報を削除して終了(&D)"
  kFolderMode = 40049,          // "フォルダ名変更(&D)", Ctrl+D
  kKeepChanging = 40050,        // Shift+Enter
  kSelectAllKey = 40053,        // Ctrl+A
  kOpenParentFolder = 40054,    // "１つ上のフォルダを開く"
  kPreviousMode = 40055,        // "前のモードへ", Alt+←, Ctrl+1
  kNextMode = 40056,            // "次のモードへ", Alt+→, Ctrl+2
  kSaveCsv = 40062,             // Ctrl+S
  kOpenCsv = 40063,             // "csvファイルを読み込み(&O)", Ctrl+O, button 1633
  kProperties = 40064,          // "プロパティ"
  kEscape = 40065,              // Esc
  kToggleToolbar = 40067,       // "ツールバー(&L)"
  kToggleStatusBar = 40070,     // "ステータスバー(&S)"
  kDirectRename = 40072,        // "直接リネーム", F2
  kRecordMacro = 40073,         // "マクロの記録"
  kToggleTree = 40074,          // "ツリー(&T)"
  kContextMenuEntry = 40076,    // "フォルダの右クリックメニュー"
  kTopmost = 40077,             // "常に最前面に表示(&F)"
  kEditMacro = 40078,           // "マクロの編集(&M)", button 1726
  kTextEditor = 40081,          // "テキストエディタで編集", Ctrl+E, button 1693
  kSaveLastChangeCsv = 40082,   // "直前の変更をCSV形式で保存(&3)"
  kSaveSelectionCsv = 40083,    // "リストの選択分をCSV形式で保存(&1)"
  kSaveAllCsv = 40084,          // "リストの全てをCSV形式で保存(&2)"
  kRecordFilterInput = 40085,   // "絞り込みを記録する"
  kRecordReplaceInput = 40086,  // "置換を記録する"
  kRecordOtherInput = 40087,    // "その他の入力を記録する"
  // The twelve sort entries are kSortCommandBase + 10 * key + choice
  // (41000 .. 41051): see SortCommand().
  kSortFirst = 41000,
  kSortLast = 41051,
  // Panel buttons that are no menu command.
  kExecuteButton = 1001,      // "☆ 実行 ☆": in test mode only says it cannot run
  kRecordButton = 1634,       // "● 記録開始"
  kDeleteMacroButton = 1635,  // "削除"
  kSerialAssistant = 1638,    // opens "連番入力支援"
};

// The sort menu entry of `key` (SortKey) and `choice` (kSortAscending or
// kSortDescending).
constexpr CommandId SortCommand(int key, int choice) {
  return static_cast<CommandId>(kSortCommandBase + 10 * key + choice);
}
bool IsSortCommand(CommandId id);

// The command a panel button posts (1003 → 40018, 1014 → 40024, 1015 →
// 40026, 1067 → 40041, 1633 → 40063, 1693 → 40081, 1726 → 40078), the
// button's own id for 1001, 1634, 1635, 1638, and nullopt for any other.
std::optional<CommandId> CommandOfButton(int button_id);

// Every command the window offers, in the command table's order (sort
// entries and panel buttons included), for tables and tests.
const std::vector<CommandId>& AllCommands();

// What the window must refresh after a command; it reads everything from
// the session, the controller and `undo_ui`/`arrows`.
struct CommandResult {
  bool ran = false;                    // the command did something (false: refused or unavailable)
  bool rows = false;                   // the list's rows or cells changed: reset the list model
  bool panel = false;                  // the mode panel model changed: mirror it into the widgets
  bool status = false;                 // status codes or the selection counts changed
  bool states = false;                 // check marks and enabled states of menus, toolbar, buttons
  bool view = false;                   // toolbar / status bar / tree visibility or "always on top"
  int focus_control = 0;               // a panel control to give the focus (0: leave it)
  bool select_focus_text = false;      // select all of focus_control's text
  std::optional<UndoUiState> undo_ui;  // undo mode entered or left: apply all of it
  std::optional<HeaderArrows> arrows;  // a sort: the header items' arrows
  bool start_label_edit = false;       // F2: the window starts the in-place edit of the focused row
  bool quit = false;                   // the window closes (and saves unless `save` is false)
  bool save = true;

  CommandResult& operator|=(const CommandResult& other);
};

struct CommandHooks {
  // The folder browser: starts at `start`, titled `title`; nullopt when cancelled.
  std::function<std::optional<std::u16string>(const std::u16string& start,
                                              const std::u16string& title)>
      pick_folder;
  // The clipboard's text (nullopt when it holds none), and putting text on it.
  std::function<std::optional<std::u16string>()> clipboard_text;
  std::function<void(const std::u16string&)> set_clipboard_text;
  // Opens a file or folder with its program (xdg-open); false when it failed.
  std::function<bool(const std::u16string& path)> open_path;
  // The properties dialog of one file.
  std::function<void(const std::u16string& path)> show_properties;
  std::function<void()> show_about;
  std::function<void()> bring_to_front;
  // Repaints the status bar: called when its text changed while a long
  // command runs (the loops pump no events).
  std::function<void()> repaint;
  // Sets the progress bar (0..100) and repaints it. When given, it becomes
  // the session's progress callback.
  std::function<void(int percent)> progress;
  // Polled during a scan: Escape is held.
  std::function<bool()> cancel_requested;
  // Ends macro recording (the Escape question answered Yes).
  std::function<void()> stop_recording;
  // Installs (true) or removes the folder context-menu entry; false on failure.
  std::function<bool(bool install)> set_desktop_entry;
  // The help page's path, or empty when there is none (see FindHelpPage).
  std::function<std::u16string()> help_path;
  // The current time (previews and executions); empty: the system clock.
  std::function<FileTime()> now;
};

class Controller {
 public:
  // `session` must have been started; `status` is the window's status bar
  // (it is also given to the list). Both must outlive the controller.
  Controller(Session& session, StatusBar& status, CommandHooks hooks);
  ~Controller();
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  bool IsAvailable(CommandId id) const;
  // IsAvailable without the busy and operation flags.
  bool IsEnabled(CommandId id) const;
  bool IsChecked(CommandId id) const;

  CommandResult Run(CommandId id);
  // A click on the header of view column `column`: sorts by its key, a
  // second click reverses.
  CommandResult HeaderClicked(int column);
  // Paths dropped on the window (each a full path, already decoded from the
  // URL's bytes); sets the busy flag.
  CommandResult DropPaths(const std::vector<std::u16string>& paths);
  // Paths of the command line or a hand-over (full paths).
  CommandResult AddCommandLinePaths(const std::vector<std::u16string>& paths);
  // The third stage of start-up: the drop prompt, then the command line's
  // paths (relative ones taken from `working_folder`, spelled as the disk
  // has them, with its depth), its "/filter" text (into the narrowing box
  // too) and its sort.
  CommandResult LoadCommandLine(const CommandLine& line, std::u16string_view working_folder);
  // A mode button (1..12) of tab `tab` was pressed.
  CommandResult ModeButtonPressed(int tab, int button);
  // An entry of the log drop-down under the UnDo button (slot 1..9) was
  // chosen in undo mode: that log is loaded instead.
  CommandResult UndoLogChosen(int slot);
  // The in-place edit of `row`'s old name ended with `text`.
  CommandResult EndLabelEdit(int row, const std::u16string& text);
  // Any other mode control changed: the preview goes stale, the status
  // shows the mode's help, busy for 100 ms. `list_or_check` (a check box or
  // a drop-down list) also clears the hand-edited flag without a question.
  CommandResult ControlChanged(bool list_or_check);
  // The narrowing box's text changed.
  CommandResult NarrowingEdited(const std::u16string& text);
  // The window's selection changed the rows' flags: only the counts.
  void SelectionChanged();

  // The busy flag: set by a drop or a control change, cleared by the
  // window's 100 ms timer.
  bool busy() const { return busy_; }
  void SetBusy() { busy_ = true; }
  void ClearBusy() { busy_ = false; }
  // The operation flag: set while a long operation runs.
  bool operation_running() const { return operation_ > 0; }

  // The names were confirmed and Enter now executes (a preview sets it
  // unless `enterdont`).
  bool enter_executes() const { return enter_executes_; }
  // The rows carry the statuses of a preview (from a preview until the next
  // execution): sort key 0 groups by status.
  bool preview_statuses() const { return preview_statuses_; }

  SortState& sort_state() { return sort_; }
  Session& session() { return session_; }

 private:
  class Operation;  // holds the operation flag for one command

  bool InUndoMode() const;
  bool Recording() const;
  bool PlayingBack() const;
  CommandResult Confirm();
  CommandResult Execute(bool button);
  CommandResult EnterKey(bool keep_changing);
  CommandResult Reset();
  CommandResult Escape();
  CommandResult ToggleUndo();
  CommandResult LeaveUndo();
  CommandResult StepMode(int step);
  CommandResult Sort(int key, int choice);
  CommandResult Clipboard(CommandId id);
  CommandResult OpenFolder();
  CommandResult OpenRowPath(CommandId id);
  CommandResult ToggleFolderMode();
  CommandResult AddPaths(const std::vector<std::u16string>& paths, AddSource source);
  CommandResult Selected(const SelectModeEffects& effects);
  CommandResult ToggleSetting(CommandId id);
  FileTime Now() const;
  // Runs a preview of the current mode; true when it ran to its end.
  bool Preview();
  bool RefuseMacroMode();
  void RowsChanged(CommandResult& result, bool added);
  // Undo mode was left: its mode comes back, with its help in the status bar.
  CommandResult UndoLeft(CommandResult result);
  CommandResult Finish(CommandResult result);

  Session& session_;
  StatusBar& status_;
  CommandHooks hooks_;
  SortState sort_;
  bool busy_ = false;
  int operation_ = 0;
  bool enter_executes_ = false;
  bool preview_statuses_ = false;
};

// The main window's title: the display name ("Tessivo", or "テッシーヴォ"
// when `japanese_name`) with one blank after it, the title a second start
// looks for to hand its paths over; in test mode "Test Mode." ten times,
// one blank between them, so no second start hands its paths to a run
// that changes nothing.
std::u16string MainWindowTitle(bool japanese_name, bool test_mode);

// The help page: "help/index.html" in `program_folder` (the executable's
// folder, ending in "/"), else under /usr/share/doc/tessivo; empty when
// neither exists.
std::u16string FindHelpPage(FileSystem& fs, std::u16string_view program_folder);

// The path of a dropped file URL ("file:///p%41th", "file://host/p" or
// "file:/p"): the part after the authority, percent-decoded to bytes, then
// read as a file name (bytes that are not UTF-8 kept as the engine keeps
// them). nullopt for a URL that is
// not a file URL or names no absolute path.
std::optional<std::u16string> PathOfFileUrl(std::string_view url);

}  // namespace tessivo
