#include "app/commands.h"

#include <algorithm>
#include <utility>

#include "app/auto_run.h"
#include "base/rename_mode.h"
#include "core/csv_list.h"
#include "core/direct_rename.h"
#include "macro/recorder.h"
#include "modes/mode_catalogue.h"
#include "platform/file_name_bytes.h"
#include "platform/process_state.h"

namespace tessivo {
namespace {

// Bits of `dispcontrols`.
constexpr std::uint32_t kToolbarBits = 0x3;
constexpr std::uint32_t kStatusBarBit = 0x4;
constexpr std::uint32_t kTreeBit = 0x8;

// Bits of `inputlog` behind 40085, 40086, 40087.
int InputLogBit(CommandId id) {
  switch (id) {
    case CommandId::kRecordFilterInput:
      return 1;
    case CommandId::kRecordReplaceInput:
      return 2;
    case CommandId::kRecordOtherInput:
      return 128;
    default:
      return 0;
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool IsSortCommand(CommandId id) { return SortCommandKey(static_cast<int>(id)).first >= 0; }

std::optional<CommandId> CommandOfButton(int button_id) {
  switch (button_id) {
    case 1001:
      return CommandId::kExecuteButton;
    case 1003:
      return CommandId::kConfirm;
    case 1014:
      return CommandId::kDeleteSelected;
    case 1015:
      return CommandId::kClearAll;
    case 1067:
      return CommandId::kUndo;
    case 1633:
      return CommandId::kOpenCsv;
    case 1634:
      return CommandId::kRecordButton;
    case 1635:
      return CommandId::kDeleteMacroButton;
    case 1638:
      return CommandId::kSerialAssistant;
    case 1693:
      return CommandId::kTextEditor;
    case 1726:
      return CommandId::kEditMacro;
    default:
      return std::nullopt;
  }
}

const std::vector<CommandId>& AllCommands() {
  static const std::vector<CommandId> all = [] {
    std::vector<CommandId> ids;
    for (int id :
         {40002, 40003, 40005, 40006, 40007, 40008, 40009, 40010, 40011, 40015, 40018, 40019, 40021,
          40022, 40023, 40024, 40026, 40027, 40030, 40031, 40032, 40041, 40042, 40044, 40045, 40047,
          40049, 40050, 40053, 40054, 40055, 40056, 40062, 40063, 40064, 40065, 40067, 40070, 40072,
          40073, 40074, 40076, 40077, 40078, 40081, 40082, 40083, 40084, 40085, 40086, 40087}) {
      ids.push_back(static_cast<CommandId>(id));
    }
    for (int key = 0; key < kSortKeyCount; ++key) {
      ids.push_back(SortCommand(key, kSortAscending));
      ids.push_back(SortCommand(key, kSortDescending));
    }
    for (int button : {1001, 1634, 1635, 1638}) ids.push_back(static_cast<CommandId>(button));
    return ids;
  }();
  return all;
}

CommandResult& CommandResult::operator|=(const CommandResult& other) {
  ran = ran || other.ran;
  rows = rows || other.rows;
  panel = panel || other.panel;
  status = status || other.status;
  states = states || other.states;
  view = view || other.view;
  if (other.focus_control != 0) {
    focus_control = other.focus_control;
    select_focus_text = other.select_focus_text;
  }
  if (other.undo_ui) undo_ui = other.undo_ui;
  if (other.arrows) arrows = other.arrows;
  start_label_edit = start_label_edit || other.start_label_edit;
  quit = quit || other.quit;
  save = save && other.save;
  return *this;
}

// Holds the operation flag while a long command runs: a command reached
// while it is set (from a repaint that let events through) does nothing.
class Controller::Operation {
 public:
  explicit Operation(Controller& c) : c_(c) { ++c_.operation_; }
  ~Operation() { --c_.operation_; }
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

 private:
  Controller& c_;
};

Controller::Controller(Session& session, StatusBar& status, CommandHooks hooks)
    : session_(session), status_(status), hooks_(std::move(hooks)) {
  session_.list.set_status_sink(&status_);
  if (hooks_.progress) session_.progress = hooks_.progress;
  status_.written = [this] {
    if (operation_ > 0 && hooks_.repaint) hooks_.repaint();
  };
  status_.undo_mode = InUndoMode();
  status_.test_mode = session_.messenger.test_mode();
  status_.bar_shown = (session_.settings.Word(OptionWord::kDispcontrols) & kStatusBarBit) != 0;
}

Controller::~Controller() { status_.written = nullptr; }

bool Controller::InUndoMode() const { return session_.undo.active() || session_.list.undo_mode(); }
bool Controller::Recording() const { return session_.run_state.macro_recording; }
bool Controller::PlayingBack() const {
  return session_.run_state.macro_playback || session_.selection.macro_playback;
}

FileTime Controller::Now() const {
  return hooks_.now ? hooks_.now() : CurrentFileTime();
}

bool Controller::IsAvailable(CommandId id) const {
  return !busy_ && operation_ == 0 && IsEnabled(id);
}

bool Controller::IsEnabled(CommandId id) const {
  const bool undo = InUndoMode();
  const bool playing = PlayingBack();
  const bool rows = session_.list.Count() > 0;
  if (IsSortCommand(id)) return !undo && !playing;
  switch (id) {
    // Commands whose windows come later: the options sheet, the CSV
    // dialogs, macro recording, editing and deleting, the folder tree, the
    // text editor, deleting the stored settings.
    case CommandId::kOptions:
    case CommandId::kSaveCsv:
    case CommandId::kOpenCsv:
    case CommandId::kSaveLastChangeCsv:
    case CommandId::kSaveSelectionCsv:
    case CommandId::kSaveAllCsv:
    case CommandId::kRecordMacro:
    case CommandId::kRecordButton:
    case CommandId::kDeleteMacroButton:
    case CommandId::kEditMacro:
    case CommandId::kToggleTree:
    case CommandId::kTextEditor:
    case CommandId::kDeleteSettings:
      return false;

    case CommandId::kQuit:
    case CommandId::kHelp:
    case CommandId::kEscape:
    case CommandId::kNextControl:
    case CommandId::kPreviousControl:
    case CommandId::kPageDown:
    case CommandId::kPageUp:
    case CommandId::kToggleToolbar:
    case CommandId::kToggleStatusBar:
    case CommandId::kTopmost:
    case CommandId::kRecordFilterInput:
    case CommandId::kRecordReplaceInput:
    case CommandId::kRecordOtherInput:
      return true;
    case CommandId::kAbout:
      return static_cast<bool>(hooks_.show_about);
    case CommandId::kContextMenuEntry:
      return static_cast<bool>(hooks_.set_desktop_entry);

    // Reading files, confirming and switching modes are not for undo mode.
    case CommandId::kOpenFolder:
      return !undo && !playing && static_cast<bool>(hooks_.pick_folder);
    case CommandId::kPaste:
      return !undo && !playing && static_cast<bool>(hooks_.clipboard_text);
    case CommandId::kConfirm:
    case CommandId::kPreviousMode:
    case CommandId::kNextMode:
    case CommandId::kFolderMode:
    case CommandId::kSerialAssistant:
      return !undo && !playing;
    case CommandId::kRefresh:
      return !undo && !playing && rows;
    case CommandId::kDirectRename:
      return !undo && !playing && rows;

    case CommandId::kExecute:
    case CommandId::kExecuteButton:
    case CommandId::kEnter:
    case CommandId::kKeepChanging:
    case CommandId::kReset:
      return !playing;
    case CommandId::kUndo:
      return session_.settings.Int(IntKey::kWritelog) != 0 && !Recording() && !playing;

    case CommandId::kCut:
    case CommandId::kCopy:
      return !playing && static_cast<bool>(hooks_.set_clipboard_text);
    case CommandId::kMoveUp:
    case CommandId::kMoveDown:
    case CommandId::kInvertSelection:
    case CommandId::kDeleteSelected:
    case CommandId::kClearAll:
    case CommandId::kSelectAll:
    case CommandId::kSelectAllKey:
      return !playing;

    case CommandId::kOpenFile:
    case CommandId::kOpenParentFolder:
      return rows && static_cast<bool>(hooks_.open_path);
    case CommandId::kProperties:
      return rows && static_cast<bool>(hooks_.show_properties);
    default:
      return false;
  }
}

bool Controller::IsChecked(CommandId id) const {
  const Settings& settings = session_.settings;
  const std::uint32_t controls = settings.Word(OptionWord::kDispcontrols);
  switch (id) {
    case CommandId::kUndo:
      return InUndoMode();
    case CommandId::kFolderMode:
      return session_.list.options().folders;
    case CommandId::kToggleToolbar:
      return (controls & kToolbarBits) != 0;
    case CommandId::kToggleStatusBar:
      return (controls & kStatusBarBit) != 0;
    case CommandId::kToggleTree:
      return (controls & kTreeBit) != 0;
    case CommandId::kContextMenuEntry:
      return settings.Int(IntKey::kDispcmenu) != 0;
    case CommandId::kTopmost:
      return settings.Int(IntKey::kTopmost) != 0;
    case CommandId::kRecordFilterInput:
    case CommandId::kRecordReplaceInput:
    case CommandId::kRecordOtherInput:
      return (settings.Int(IntKey::kInputlog) & InputLogBit(id)) != 0;
    default:
      return false;
  }
}

CommandResult Controller::UndoLeft(CommandResult result) {
  if (result.undo_ui && !result.undo_ui->undo_mode) {
    status_.undo_mode = false;
    result |= Selected(session_.SelectMode(result.undo_ui->mode_to_select));
  }
  return result;
}

CommandResult Controller::Finish(CommandResult result) {
  const bool undo = InUndoMode();
  if (status_.undo_mode != undo || status_.test_mode != session_.messenger.test_mode()) {
    status_.undo_mode = undo;
    status_.test_mode = session_.messenger.test_mode();
    status_.Refresh();
    result.status = true;
  }
  if (result.rows) {
    status_.SetCounts(session_.list.SelectedCount(), session_.list.Count());
    result.status = true;
    result.states = true;
  }
  return result;
}

void Controller::SelectionChanged() {
  status_.SetCounts(session_.list.SelectedCount(), session_.list.Count());
}

void Controller::RowsChanged(CommandResult& result, bool added) {
  result.ran = true;
  result.rows = true;
  if (added) sort_.MarkListChanged();
  // The rows are not those a preview saw.
  session_.run_state.names_current = false;
  enter_executes_ = false;
}

CommandResult Controller::Run(CommandId id) {
  if (!IsAvailable(id)) return {};
  CommandResult result;
  if (IsSortCommand(id)) {
    const auto [key, choice] = SortCommandKey(static_cast<int>(id));
    return Finish(Sort(key, choice));
  }
  FileList& list = session_.list;
  switch (id) {
    case CommandId::kOpenFolder:
      return Finish(OpenFolder());
    case CommandId::kQuit:
      result.ran = result.quit = true;
      return result;
    case CommandId::kHelp: {
      const std::u16string path = hooks_.help_path ? hooks_.help_path() : std::u16string();
      if (path.empty() || !hooks_.open_path || !hooks_.open_path(path)) {
        session_.messenger.ShowMessage(box::kOk | box::kIconStop, MessageId::kNoHelpTitle,
                                       MessageId::kNoHelpText, kLevelError);
      }
      result.ran = true;
      return result;
    }
    case CommandId::kCut:
    case CommandId::kCopy:
    case CommandId::kPaste:
      return Finish(Clipboard(id));
    case CommandId::kAbout:
      hooks_.show_about();
      result.ran = true;
      return result;
    case CommandId::kNextControl:
    case CommandId::kPreviousControl:
    case CommandId::kPageDown:
    case CommandId::kPageUp:
      result.ran = true;  // the window moves the focus or scrolls
      return result;
    case CommandId::kConfirm:
      return Finish(Confirm());
    case CommandId::kEnter:
      return Finish(EnterKey(false));
    case CommandId::kKeepChanging:
      return Finish(EnterKey(true));
    case CommandId::kExecute:
      return Finish(Execute(false));
    case CommandId::kExecuteButton:
      return Finish(Execute(true));
    case CommandId::kMoveUp:
    case CommandId::kMoveDown:
      list.MoveSelected(id == CommandId::kMoveUp ? -1 : 1);
      result.ran = result.rows = true;
      sort_.MarkListChanged();
      return Finish(result);
    case CommandId::kInvertSelection: {
      Operation op(*this);
      list.InvertSelection();
      result.ran = result.rows = true;
      return Finish(result);
    }
    case CommandId::kSelectAll:
    case CommandId::kSelectAllKey: {
      Operation op(*this);
      list.SelectAll();
      result.ran = result.rows = true;
      return Finish(result);
    }
    case CommandId::kDeleteSelected: {
      Operation op(*this);
      const int before = list.Count();
      list.DeleteSelected();
      if (list.Count() != before) RowsChanged(result, true);
      result.ran = true;
      return Finish(result);
    }
    case CommandId::kClearAll: {
      Operation op(*this);
      list.ClearAll();
      RowsChanged(result, true);
      preview_statuses_ = false;
      result.panel = true;  // the name fields were emptied
      return Finish(result);
    }
    case CommandId::kRefresh: {
      Operation op(*this);
      list.RefreshSizeDate(-1, session_.fs());
      result.ran = result.rows = true;
      return Finish(result);
    }
    case CommandId::kReset:
      return Finish(Reset());
    case CommandId::kUndo:
      return Finish(ToggleUndo());
    case CommandId::kOpenFile:
    case CommandId::kOpenParentFolder:
    case CommandId::kProperties:
      return OpenRowPath(id);
    case CommandId::kFolderMode:
      return Finish(ToggleFolderMode());
    case CommandId::kPreviousMode:
      return Finish(StepMode(-1));
    case CommandId::kNextMode:
      return Finish(StepMode(1));
    case CommandId::kEscape:
      return Finish(Escape());
    case CommandId::kDirectRename:
      result.ran = result.start_label_edit = true;
      return result;
    case CommandId::kSerialAssistant:
      result.ran = true;  // the window shows the dialog, then resets
      return result;
    case CommandId::kToggleToolbar:
    case CommandId::kToggleStatusBar:
    case CommandId::kTopmost:
    case CommandId::kContextMenuEntry:
    case CommandId::kRecordFilterInput:
    case CommandId::kRecordReplaceInput:
    case CommandId::kRecordOtherInput:
      return Finish(ToggleSetting(id));
    default:
      return {};
  }
}

CommandResult Controller::ToggleSetting(CommandId id) {
  CommandResult result;
  Settings& settings = session_.settings;
  const std::uint32_t controls = settings.Word(OptionWord::kDispcontrols);
  switch (id) {
    case CommandId::kToggleToolbar:
      // Switching the toolbar on stores 1 in its two bits.
      settings.SetWord(OptionWord::kDispcontrols,
                       (controls & ~kToolbarBits) | ((controls & kToolbarBits) != 0 ? 0 : 1));
      result.view = true;
      break;
    case CommandId::kToggleStatusBar:
      settings.SetWord(OptionWord::kDispcontrols, controls ^ kStatusBarBit);
      status_.bar_shown = (controls & kStatusBarBit) == 0;
      status_.Refresh();
      result.view = result.status = true;
      break;
    case CommandId::kTopmost:
      settings.SetInt(IntKey::kTopmost, settings.Int(IntKey::kTopmost) != 0 ? 0 : 1);
      result.view = true;
      break;
    case CommandId::kContextMenuEntry: {
      const bool install = settings.Int(IntKey::kDispcmenu) == 0;
      if (hooks_.set_desktop_entry(install)) settings.SetInt(IntKey::kDispcmenu, install ? 1 : 0);
      break;
    }
    default:
      settings.SetInt(IntKey::kInputlog, settings.Int(IntKey::kInputlog) ^ InputLogBit(id));
      break;
  }
  result.ran = result.states = true;
  return result;
}

bool Controller::RefuseMacroMode() {
  if (session_.mode() != ModeNumber(RenameMode::kMacro)) return false;
  session_.messenger.ShowMessage(box::kOk | box::kIconWarning,
                                 MessageId::kPlaybackUnavailableTitle,
                                 MessageId::kPlaybackUnavailableText, kLevelInfo);
  return true;
}

bool Controller::Preview() { return session_.Preview(Now()) == RunResult::kRan; }

CommandResult Controller::Confirm() {
  CommandResult result;
  if (RefuseMacroMode()) return result;
  if (!ConfirmResetOfEditedNames(session_.run_state, session_.messenger)) return result;
  Operation op(*this);
  const bool previewed = Preview();
  result.ran = result.rows = result.panel = true;
  if (previewed) {
    enter_executes_ = session_.settings.Int(IntKey::kEnterdont) == 0;
    preview_statuses_ = true;
  }
  return result;
}

CommandResult Controller::Execute(bool button) {
  CommandResult result;
  Messenger& messenger = session_.messenger;
  if (button && messenger.test_mode()) {
    messenger.ShowMessage(box::kOk | box::kIconStop, MessageId::kTestModeTitle,
                          MessageId::kTestModeText, kLevelError);
    return result;
  }
  if (InUndoMode()) {
    if (messenger.test_mode()) return result;
    Operation op(*this);
    UndoRunResult undone = session_.undo.RunUndo(UndoAction::kPerform, session_.MakeUndoContext());
    result.ran = result.rows = result.panel = result.states = true;
    result.undo_ui = undone.ui;
    result = UndoLeft(result);
    enter_executes_ = preview_statuses_ = false;
    session_.run_state.names_current = false;
    return result;
  }
  // Macro playback is not there yet: never "rename" the rows to the names
  // a preview in this mode would leave them.
  if (RefuseMacroMode()) return result;
  Operation op(*this);
  if (!session_.run_state.names_current) {
    if (!ConfirmResetOfEditedNames(session_.run_state, messenger)) return result;
    result.ran = result.rows = result.panel = true;
    if (!Preview()) return result;
    preview_statuses_ = true;
  }
  if (messenger.test_mode()) return result;
  session_.ExecuteShownNames(Now());
  session_.run_state.keep_changing_once = false;
  sort_.MarkListChanged();  // rows may have gone
  result.ran = result.rows = result.panel = result.states = true;
  enter_executes_ = preview_statuses_ = false;
  return result;
}

CommandResult Controller::EnterKey(bool keep_changing) {
  session_.run_state.keep_changing_once = keep_changing;
  if (InUndoMode() || enter_executes_) return Execute(/*button=*/true);
  return Confirm();
}

CommandResult Controller::Reset() {
  if (InUndoMode()) return LeaveUndo();
  CommandResult result = AddPaths({}, AddSource::kReset);
  preview_statuses_ = false;
  return result;
}

CommandResult Controller::LeaveUndo() {
  CommandResult result;
  Operation op(*this);
  result.undo_ui = session_.LeaveUndoMode();
  result.ran = result.rows = result.panel = result.states = true;
  enter_executes_ = preview_statuses_ = false;
  return UndoLeft(result);
}

CommandResult Controller::ToggleUndo() {
  if (InUndoMode()) return LeaveUndo();
  CommandResult result;
  Operation op(*this);
  UndoEnterResult entered = session_.undo.EnterUndo(kUndoCommandSlot, session_.MakeUndoContext());
  result.ran = result.rows = result.panel = result.states = true;
  result.undo_ui = entered.ui;
  sort_.MarkListChanged();  // the log's rows replace the list
  enter_executes_ = preview_statuses_ = false;
  session_.run_state.names_current = false;
  return UndoLeft(result);
}

CommandResult Controller::UndoLogChosen(int slot) {
  if (operation_ > 0 || !session_.undo.active() || slot < 1 || slot > 9) return {};
  CommandResult result;
  Operation op(*this);
  const UndoEnterResult entered = session_.undo.EnterUndo(slot, session_.MakeUndoContext());
  result.ran = result.rows = result.panel = result.states = true;
  result.undo_ui = entered.ui;
  sort_.MarkListChanged();
  return Finish(UndoLeft(result));
}

CommandResult Controller::Escape() {
  if (Recording()) {
    if (AskStopRecording(session_.messenger)) {
      if (hooks_.stop_recording) hooks_.stop_recording();
      CommandResult result;
      result.ran = result.states = true;
      return result;
    }
    return Reset();
  }
  if (InUndoMode()) return {};
  CommandResult result = Selected(session_.SelectMode(session_.mode()));
  result |= Reset();
  return result;
}

CommandResult Controller::Selected(const SelectModeEffects& effects) {
  CommandResult result;
  result.ran = result.panel = result.rows = result.states = true;
  result.focus_control = effects.focus_control;
  result.select_focus_text = effects.select_all_text;
  status_.SetStatus(effects.status_code);
  result.status = true;
  enter_executes_ = preview_statuses_ = false;
  return result;
}

CommandResult Controller::StepMode(int step) {
  if (!ConfirmResetOfEditedNames(session_.run_state, session_.messenger)) return {};
  const int index = StepModeIndex(session_.mode() - 1, step);
  return Selected(session_.SelectMode(index + 1));
}

CommandResult Controller::ModeButtonPressed(int tab, int button) {
  if (operation_ > 0 || InUndoMode() || PlayingBack()) return {};
  if (!ConfirmResetOfEditedNames(session_.run_state, session_.messenger)) return {};
  return Finish(Selected(session_.SelectMode(ModeIndexForButton(tab, button) + 1)));
}

CommandResult Controller::Sort(int key, int choice) {
  CommandResult result;
  Operation op(*this);
  SortOptions options;
  options.number_aware = session_.settings.Int(IntKey::kSortnumlogical) != 0;
  options.preview_statuses = preview_statuses_;
  const SortResult sorted =
      ::tessivo::Sort(session_.list, sort_, key, choice, options, &status_, &session_.messenger);
  if (sorted.outcome == SortOutcome::kRefused) return result;
  result.ran = result.rows = true;
  result.arrows = sorted.arrows;
  return result;
}

CommandResult Controller::HeaderClicked(int column) {
  if (operation_ > 0 || busy_) return {};
  const std::optional<Cell> cell = session_.list.CellOfColumn(column);
  if (!cell || InUndoMode() || PlayingBack()) return {};
  return Finish(Sort(static_cast<int>(*cell), kSortToggle));
}

CommandResult Controller::Clipboard(CommandId id) {
  CommandResult result;
  Operation op(*this);
  FileList& list = session_.list;
  if (id == CommandId::kPaste) {
    const std::optional<std::u16string> text = hooks_.clipboard_text();
    if (!text) return result;
    const CsvLoadReport report = TextToList(list, *text, session_.messenger);
    session_.settings.SetInt(IntKey::kMaxfilenum, report.max_file_index);
    RowsChanged(result, report.rows_added > 0);
    return result;
  }
  const bool cut = id == CommandId::kCut;
  if (list.SelectedCount() == 0) return result;  // the clipboard keeps what it holds
  Result<std::u16string> text = ClipboardText(list, cut, session_.messenger);
  if (!text) return result;
  hooks_.set_clipboard_text(*text);
  result.ran = true;
  if (cut) RowsChanged(result, true);
  return result;
}

CommandResult Controller::OpenFolder() {
  const bool folders = session_.list.options().folders;
  std::u16string title(u"指定したフォルダ");
  title.append(folders ? u"の直下のフォルダ" : u"以下のファイル").append(u"がリストに追加されます");
  const std::optional<std::u16string> folder =
      hooks_.pick_folder(session_.settings.Text(TextKey::kBasepath), title);
  if (!folder || folder->empty()) return {};
  session_.settings.SetText(TextKey::kBasepath, *folder);
  return AddPaths({*folder}, AddSource::kDrop);
}

CommandResult Controller::OpenRowPath(CommandId id) {
  const FileList& list = session_.list;
  int row = list.FocusedRow();
  if (row < 0 || row >= list.Count() || !list.IsSelected(row)) {
    row = -1;
    for (int r = 0; r < list.Count(); ++r) {
      if (list.IsSelected(r)) {
        row = r;
        break;
      }
    }
  }
  if (row < 0) return {};
  CommandResult result;
  result.ran = true;
  if (id == CommandId::kProperties) {
    hooks_.show_properties(list.FullPath(row));
  } else {
    hooks_.open_path(id == CommandId::kOpenFile ? list.FullPath(row)
                                                : std::u16string(list.GetCell(row, Cell::kFolder)));
  }
  return result;
}

CommandResult Controller::ToggleFolderMode() {
  CommandResult result;
  Operation op(*this);
  FileListOptions options = session_.list.options();
  options.folders = !options.folders;
  session_.list.ClearAll();
  session_.list.SetOptions(options);
  session_.settings.SetInt(IntKey::kFileDir, options.folders ? 1 : 0);
  RowsChanged(result, true);
  result.panel = result.states = true;
  preview_statuses_ = false;
  return result;
}

CommandResult Controller::AddPaths(const std::vector<std::u16string>& paths, AddSource source) {
  CommandResult result;
  Operation op(*this);
  ScanCallbacks callbacks;
  callbacks.cancel_requested = hooks_.cancel_requested;
  callbacks.bring_to_front = hooks_.bring_to_front;
  const ScanSummary summary = session_.AddPaths(paths, source, callbacks, &status_);
  if (session_.undo_ui_change) {
    result.undo_ui = std::move(session_.undo_ui_change);
    session_.undo_ui_change.reset();
  }
  if (summary.refused) return result;
  RowsChanged(result, summary.added > 0);
  result.panel = result.states = true;  // the sample name; folder mode may have been left
  preview_statuses_ = false;
  return result;
}

CommandResult Controller::DropPaths(const std::vector<std::u16string>& paths) {
  if (operation_ > 0 || PlayingBack()) return {};
  SetBusy();
  return Finish(AddPaths(paths, AddSource::kDrop));
}

CommandResult Controller::AddCommandLinePaths(const std::vector<std::u16string>& paths) {
  if (operation_ > 0) return {};
  return Finish(AddPaths(paths, AddSource::kCommandLine));
}

CommandResult Controller::LoadCommandLine(const CommandLine& line,
                                          std::u16string_view working_folder) {
  status_.SetStatus(status_code::kIdle);
  SelectionChanged();
  CommandResult result;
  if (operation_ > 0) return result;
  std::vector<std::u16string> paths;
  for (const std::u16string& argument : line.paths) {
    std::u16string path = AbsolutePath(argument, working_folder);
    CorrectSpelling(session_.fs(), path);
    paths.push_back(std::move(path));
  }
  if (!paths.empty()) {
    Operation op(*this);
    ScanCallbacks callbacks;
    callbacks.cancel_requested = hooks_.cancel_requested;
    const ScanSummary summary =
        session_.AddPaths(paths, AddSource::kCommandLine, callbacks, &status_,
                          [&line](ScanOptions& o) { o.command_line_depth = line.depth; });
    if (session_.undo_ui_change) {
      result.undo_ui = std::move(session_.undo_ui_change);
      session_.undo_ui_change.reset();
    }
    RowsChanged(result, summary.added > 0);
    result.panel = result.states = true;
    status_.SetStatus(27);  // the field is cleared
  }
  if (line.filter_text) {
    session_.narrow.text = *line.filter_text;
    session_.panel.list_filter.text = *line.filter_text;
    Narrow(session_.list, session_.narrow, kNarrowOnEdit);
    result.ran = result.rows = result.panel = true;
  }
  if (line.sort_code >= 0) result |= Sort(line.sort_code / 10, line.sort_code % 10);
  return Finish(result);
}

CommandResult Controller::EndLabelEdit(int row, const std::u16string& text) {
  if (operation_ > 0 || InUndoMode()) return {};
  CommandResult result;
  const DirectRenameOutcome outcome =
      DirectRename(session_.list, row, text, session_.fs(), session_.messenger);
  if (outcome != DirectRenameOutcome::kRenamed) return result;
  result.ran = result.rows = true;
  session_.run_state.names_current = false;
  enter_executes_ = false;
  return Finish(result);
}

CommandResult Controller::ControlChanged(bool list_or_check) {
  CommandResult result;
  session_.run_state.names_current = false;
  if (list_or_check) session_.run_state.hand_edited = false;
  enter_executes_ = false;
  status_.SetStatus(ModeStatusCode(session_.mode()));
  SetBusy();
  result.ran = result.status = result.states = true;
  return result;
}

CommandResult Controller::NarrowingEdited(const std::u16string& text) {
  CommandResult result;
  if (operation_ > 0) return result;
  if (text == session_.narrow.last_applied) return result;  // nothing to narrow again
  session_.narrow.text = text;
  Narrow(session_.list, session_.narrow, kNarrowOnEdit);
  result.ran = result.rows = true;
  return Finish(result);
}

std::u16string MainWindowTitle(bool japanese_name, bool test_mode) {
  if (!test_mode) return japanese_name ? u"テッシーヴォ " : u"Tessivo ";
  constexpr int kTestModeTitleRepeats = 10;
  std::u16string title;
  for (int i = 0; i < kTestModeTitleRepeats; ++i) {
    if (i > 0) title += u' ';
    title += u"Test Mode.";
  }
  return title;
}

std::u16string FindHelpPage(FileSystem& fs, std::u16string_view program_folder) {
  const std::u16string candidates[] = {std::u16string(program_folder) + u"help/index.html",
                                       u"/usr/share/doc/tessivo/help/index.html"};
  for (const std::u16string& path : candidates) {
    if (fs.Exists(path)) return path;
  }
  return {};
}

std::optional<std::u16string> PathOfFileUrl(std::string_view url) {
  constexpr std::string_view kScheme = "file:";
  if (url.size() < kScheme.size()) return std::nullopt;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    char c = url[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kScheme[i]) return std::nullopt;
  }
  std::string_view rest = url.substr(kScheme.size());
  if (rest.starts_with("//")) {
    // The authority (empty or a host name) ends where the path begins.
    const std::size_t slash = rest.find('/', 2);
    if (slash == std::string_view::npos) return std::nullopt;
    rest = rest.substr(slash);
  } else if (!rest.starts_with('/')) {
    return std::nullopt;
  }
  // A query or fragment is no part of a file's path.
  rest = rest.substr(0, rest.find_first_of("?#"));
  std::string bytes;
  bytes.reserve(rest.size());
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size()) {
      const int high = HexDigit(rest[i + 1]);
      const int low = HexDigit(rest[i + 2]);
      if (high >= 0 && low >= 0) {
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    bytes.push_back(rest[i]);
  }
  if (bytes.find('\0') != std::string::npos) return std::nullopt;
  return Utf8ToUtf16(bytes);
}

}  // namespace tessivo
