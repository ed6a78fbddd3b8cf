#include "app/session.h"

#include <utility>

#include "exec/folder_snapshot.h"
#include "modes/mode_catalogue.h"

namespace tessivo {
namespace {

SettingsLocation SettingsLocationOf(const ProgramLocation& location) {
  return SettingsLocation{location.use_ini ? BackendKind::kIni : BackendKind::kRegistry,
                          location.ini_path, location.registry_path};
}

}  // namespace

Session::Session(FileSystem& fs, MessageSink& sink, const LocalTimeZone& zone,
                 ProgramLocation location)
    : settings(fs, SettingsLocationOf(location)),
      messenger(sink),
      random(RandomGenerator::SeededFromClock()),
      fs_(fs),
      zone_(zone),
      location_(std::move(location)) {
  list.set_panel_link(this);
}

void Session::Start(const StartOverrides& overrides, FileTime now) {
  (void)Start(overrides, now, /*desktop_entry_installed=*/false);
}

Stage0Result Session::Start(const StartOverrides& overrides, FileTime now,
                            bool desktop_entry_installed) {
  const Stage0Result stage0 = settings.LoadStage0(desktop_entry_installed);
  settings.LoadStage1(overrides);
  list.SetOptions(ListOptionsFromSettings());
  FillModeControls(panel, settings, zone_.ToLocal(now).value_or(CalendarTime{}));
  // The stored mode is RenameMode - 1.
  const int stored = settings.Word(OptionWord::kMode);
  SelectMode(IsNamedMode(stored + 1) ? stored + 1 : 1);
  return stage0;
}

Status Session::Save() {
  SaveInputs inputs;
  inputs.from_window = false;
  return Save(inputs);
}

Status Session::Save(const SaveInputs& inputs, SaveMode save_mode) {
  SaveInputs with_mode = inputs;
  with_mode.rename_mode = mode_;
  return settings.Save(save_mode, with_mode);
}

FileListOptions Session::ListOptionsFromSettings() const {
  FileListOptions options;
  options.size_column = settings.Int(IntKey::kListcols1) != 0;
  options.date_column = settings.Int(IntKey::kListcols2) != 0;
  options.size_unit = settings.Int(IntKey::kDispinkb);
  options.date_kind = settings.Int(IntKey::kColumndate) != 0 ? kDateLastWrite : kDateCreation;
  options.max_file_index = settings.Int(IntKey::kMaxfilenum);
  options.folders = settings.Int(IntKey::kFileDir) != 0;
  return options;
}

ScanSummary Session::AddPaths(const std::vector<std::u16string>& paths, AddSource source,
                              const std::function<void(ScanOptions&)>& adjust) {
  return AddPaths(paths, source, ScanCallbacks{}, nullptr, adjust);
}

ScanSummary Session::AddPaths(const std::vector<std::u16string>& paths, AddSource source,
                              ScanCallbacks callbacks, StatusSink* status,
                              const std::function<void(ScanOptions&)>& adjust) {
  ScanOptions options = ScanOptionsFromSettings(settings);
  if (adjust) adjust(options);
  if (!callbacks.leave_undo_mode) {
    callbacks.leave_undo_mode = [this]() {
      if (std::optional<UndoUiState> ui = LeaveUndoMode()) undo_ui_change = std::move(ui);
    };
  }
  if (!callbacks.switch_to_file_mode) {
    callbacks.switch_to_file_mode = [this]() {
      list.ClearAll();
      FileListOptions files = list.options();
      files.folders = false;
      list.SetOptions(files);
      settings.SetInt(IntKey::kFileDir, 0);
    };
  }
  Scanner scanner(fs_, list, messenger, options);
  scanner.set_callbacks(std::move(callbacks));
  scanner.set_status_sink(status);
  scanner.set_narrowing(&narrow);
  if (options.automatic_run) scanner.set_listings(&scan_listings_);
  ScanSummary summary = scanner.AddPaths(paths, source);
  StoreScanChanges(options, list.options(), settings);
  // Rows came or went: the names shown are no longer those of a preview.
  run_state.names_current = false;
  return summary;
}

SelectModeEffects Session::SelectMode(int mode) {
  SelectModeEffects effects = ::tessivo::SelectMode(selection, panel, mode, /*keep_buttons=*/false,
                                                    &list, &position_edit);
  mode_ = selection.mode_index + 1;
  if (effects.names_cleared) run_state.names_current = false;
  return effects;
}

UndoContext Session::MakeUndoContext() {
  UndoContext ctx{list, fs_, messenger, zone_, location_.folder, 0, mode_, progress};
  ctx.chg_confirm = settings.Int(IntKey::kChgconfirm);
  return ctx;
}

std::optional<UndoUiState> Session::LeaveUndoMode() {
  if (!undo.active() && !list.undo_mode()) return std::nullopt;
  UndoRunResult left = undo.RunUndo(UndoAction::kLeave, MakeUndoContext());
  list.set_undo_mode(false);
  run_state.names_current = false;
  if (left.ui) SelectMode(left.ui->mode_to_select);
  return left.ui;
}

RunHooks Session::MakeHooks(FileTime now) {
  RunHooks hooks;
  hooks.collect_parameters = [this]() {
    ReadParamsResult read = ReadModeParameters(panel, settings, mode_);
    if (!read.ok()) return RunStartResult::Stop(MessageId::kTooLongTitle, MessageId::kTooLongText);
    texts_ = std::move(read.texts);
    if (parameter_overrides) parameter_overrides();
    return RunStartResult::Go();
  };
  hooks.apply_narrowing_at_preview = [this]() { Narrow(list, narrow, kNarrowAtPreview); };
  hooks.prepare_mode = [this, now]() {
    context_.emplace(BuildModeContext(settings, panel, texts_, position_edit, fs_, zone_, now));
    context_->random = &random;
    return RunStartResult::Go();
  };
  hooks.compute_new_name = [this](const std::u16string& source, const std::u16string& preset,
                                  std::int64_t ordinal, const std::u16string& disk) {
    return ComputeNewName(*context_, source, preset, mode_, ordinal, disk);
  };
  hooks.list_emptied = [this]() { ClearNameFields(); };
  hooks.end_run = [this]() { context_.reset(); };
  hooks.progress = progress;
  return hooks;
}

RunResult Session::Preview(FileTime now) {
  const RunHooks hooks = MakeHooks(now);
  // Validation asks about names folder by folder: one listing per busy
  // folder answers for all its rows.
  FolderSnapshotFileSystem snapshot(fs_);
  for (FolderListing& listing : scan_listings_) {
    snapshot.Seed(listing.folder, std::move(listing.entries));
  }
  scan_listings_.clear();
  return RunResultOf(
      ExecuteRun(kRunPreview, RunContext{list, snapshot, messenger, run_state, hooks, mode_}));
}

RunResult Session::Execute(FileTime now, ExecuteSummary* summary) {
  if (!run_state.names_current && Preview(now) != RunResult::kRan) return RunResult::kNotStarted;
  if (messenger.test_mode()) {
    messenger.ShowMessage(box::kOk | box::kIconStop, MessageId::kTestModeTitle,
                          MessageId::kTestModeText, kLevelError);
    return RunResult::kNotStarted;
  }
  return ExecuteShownNames(now, summary);
}

RunResult Session::PreviewStep(int mode, FileTime now) {
  mode_ = mode;
  return Preview(now);
}

RunResult Session::ExecuteShownNames(FileTime now, ExecuteSummary* summary) {
  scan_listings_.clear();
  const RunHooks hooks = MakeHooks(now);
  ExecuteSetup setup;
  setup.options = ExecuteOptionsFromSettings(settings);
  setup.program_folder = location_.folder;
  setup.zone = &zone_;
  setup.summary = summary;
  RunContext run{list, fs_, messenger, run_state, hooks, mode_};
  run.execute = &setup;
  return RunResultOf(ExecuteRun(kRunExecute, run));
}

void Session::SetSampleName(std::u16string_view name) {
  panel.At(ctl::kSampleName).text = std::u16string(name);
  position_edit.LoadTemplate(name);
}

void Session::ClearNameFields() {
  panel.At(ctl::kSampleName).text.clear();
  panel.At(ctl::kExtensionText).text.clear();
}

}  // namespace tessivo
