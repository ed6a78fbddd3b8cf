#include "exec/run.h"

#include <string_view>

#include "exec/execute.h"
#include "exec/validate.h"
#include "modes/mode_catalogue.h"

namespace tessivo {

namespace {

void CutToPath(std::u16string& path) {
  if (path.size() > kMaxSourcePath) path.resize(kMaxSourcePath);
}

// One run of ExecuteRun. Each kind has its own pass; the frame around it is
// shared.
class RunDriver {
 public:
  RunDriver(int kind, const RunContext& run) : kind_(kind), run_(run), hooks_(run.hooks) {}

  int Run();

 private:
  // Calls a start-up hook; false (after showing its message) when it stops
  // the run.
  bool Start(const std::function<RunStartResult()>& hook);
  // The preview and re-check pass; false when a hook stopped it.
  bool PreviewPass();
  // The whole execution run after the frame's first steps.
  int RunExecution();
  void Progress(int percent);
  void AdvanceProgress(int rows_done, int row_count);
  // The clean-up every started run ends with; returns `result`.
  int Finish(int result);

  const int kind_;
  const RunContext& run_;
  const RunHooks& hooks_;
  int shown_percent_ = -1;
};

int RunDriver::Run() {
  if (kind_ != kRunPreview && kind_ != kRunRecheck && kind_ != kRunExecute) return 1;
  if (kind_ == kRunExecute && run_.execute == nullptr) return 1;
  if (run_.list.Count() == 0) return 1;
  if (kind_ != kRunRecheck) run_.state.hand_edited = false;
  Progress(0);
  if (kind_ == kRunExecute) return RunExecution();

  if (!Start(hooks_.collect_parameters)) return Finish(1);
  if (kind_ == kRunPreview && hooks_.apply_narrowing_at_preview) {
    hooks_.apply_narrowing_at_preview();
  }
  if (!Start(hooks_.prepare_mode)) return Finish(1);

  if (!PreviewPass()) return Finish(1);
  if (hooks_.after_pass) hooks_.after_pass();
  run_.state.names_current = true;
  return Finish(0);
}

int RunDriver::RunExecution() {
  int result = 0;
  {
    ExecutionPass pass(run_, *run_.execute);
    if (!pass.OpenLog()) {
      result = 1;  // the log it promised cannot be kept: nothing is changed
    } else if (!Start(hooks_.collect_parameters) || !Start(hooks_.prepare_mode)) {
      pass.CloseLog();
      result = 1;
    } else {
      const bool completed = pass.Pass([this] { return Start(hooks_.before_first_name); },
                                       [this](int done, int count) { AdvanceProgress(done, count); });
      pass.AfterPass();
      if (completed) {
        if (hooks_.after_pass) hooks_.after_pass();
      } else {
        result = 1;
      }
    }
  }
  run_.state.keep_changing_once = false;
  run_.state.names_current = false;
  return Finish(result);
}

bool RunDriver::Start(const std::function<RunStartResult()>& hook) {
  if (!hook) return true;
  const RunStartResult start = hook();
  if (!start.stop) return true;
  if (start.title && start.text) {
    run_.messenger.ShowMessage(start.style, *start.title, *start.text, kLevelError);
  }
  return false;
}

bool RunDriver::PreviewPass() {
  FileList& list = run_.list;
  const int row_count = list.Count();
  const bool metadata = IsMetadataMode(run_.mode);
  const bool compute = kind_ == kRunPreview;
  bool first_name = true;
  std::int64_t ordinal = 0;
  std::u16string source;
  std::u16string disk;
  std::u16string preset;

  for (int row = 0; row < row_count; ++row) {
    if (list.GetFileStatus(row) == FileStatus::kExcluded) {
      list.SetCell(row, Cell::kNewName, {});
      AdvanceProgress(row + 1, row_count);
      continue;
    }

    const FileItem& item = list.Item(row);
    const std::u16string_view folder = item.Get(Cell::kFolder);
    const std::u16string_view new_name = item.Get(Cell::kNewName);
    const std::size_t folder_length = folder.size();
    if (kind_ == kRunRecheck && metadata) {
      preset.assign(new_name);
    } else {
      preset.assign(folder).append(new_name);
    }
    CutToPath(preset);

    if (compute) {
      const bool chained = run_.state.source_is_new_name;
      source.assign(folder).append(chained ? new_name : item.Get(Cell::kName));
      CutToPath(source);
      if (chained) {
        disk.assign(folder).append(item.Get(Cell::kName));
        CutToPath(disk);
      }
      if (first_name) {
        first_name = false;
        if (!Start(hooks_.before_first_name)) return false;
      }
      if (hooks_.compute_new_name) {
        preset = hooks_.compute_new_name(source, preset, ordinal, chained ? disk : source);
        CutToPath(preset);
      }
    }
    ++ordinal;

    // `item`'s views are not used past this point: writing the cell moves them.
    if (metadata) {
      list.SetCell(row, Cell::kNewName, preset);
    } else if (preset.size() >= folder_length) {
      list.SetCell(row, Cell::kNewName, std::u16string_view(preset).substr(folder_length));
    } else {
      list.SetCell(row, Cell::kNewName, {});
    }
    ValidateRow(list, row, run_.mode, true, run_.fs);
    AdvanceProgress(row + 1, row_count);
  }
  return true;
}

void RunDriver::Progress(int percent) {
  if (percent == shown_percent_) return;
  shown_percent_ = percent;
  if (hooks_.progress) hooks_.progress(percent);
}

void RunDriver::AdvanceProgress(int rows_done, int row_count) {
  Progress(static_cast<int>(static_cast<std::int64_t>(rows_done) * 100 / row_count));
}

int RunDriver::Finish(int result) {
  if (result != 0) run_.state.names_current = false;
  if (run_.list.Count() == 0 && hooks_.list_emptied) hooks_.list_emptied();
  Progress(0);
  if (hooks_.end_run) hooks_.end_run();
  return result;
}

}  // namespace

int ExecuteRun(int kind, const RunContext& run) { return RunDriver(kind, run).Run(); }

bool ConfirmResetOfEditedNames(RunState& state, Messenger& messenger) {
  if (!state.hand_edited || state.macro_playback) return true;
  const int answer = messenger.ShowMessage(box::kYesNo | box::kIconWarning,
                                           MessageId::kEditedNamesTitle,
                                           MessageId::kEditedNamesText, kLevelQuestion);
  if (answer != kAnswerYes) return false;
  state.hand_edited = false;
  return true;
}

}  // namespace tessivo
