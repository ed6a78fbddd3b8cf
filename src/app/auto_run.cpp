#include "app/auto_run.h"

#include <cstdio>
#include <vector>

#include "core/file_item.h"
#include "core/narrow.h"
#include "core/sort.h"
#include "exec/rename_log.h"
#include "exec/undo.h"
#include "macro/player.h"
#include "modes/mode_catalogue.h"
#include "modes/mode_panel.h"
#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

using Clock = std::chrono::steady_clock;

// A progress line on standard error for runs longer than about a second,
// when standard error is a terminal.
class ProgressLine {
 public:
  explicit ProgressLine(const AutoRunIo& io) : io_(io), start_(Clock::now()) {}
  ~ProgressLine() { Finish(); }

  std::function<void(int)> Callback(std::string label) {
    if (!io_.progress_to_terminal || io_.err == nullptr) return {};
    return [this, label = std::move(label)](int percent) {
      if (Clock::now() - start_ < std::chrono::seconds(1)) return;
      *io_.err << '\r' << label << ' ' << percent << '%' << std::flush;
      shown_ = true;
    };
  }
  void Finish() {
    if (shown_) *io_.err << "\r\033[K" << std::flush;
    shown_ = false;
  }

 private:
  const AutoRunIo& io_;
  Clock::time_point start_;
  bool shown_ = false;
};

void Print(std::ostream* out, std::u16string_view text) {
  if (out != nullptr) *out << Utf16ToUtf8(text);
}

// The preview as a table: folder + old name, new name, legend text.
void PrintPreviewTable(const FileList& list, std::ostream* out) {
  for (int row = 0; row < list.Count(); ++row) {
    std::u16string line(list.GetCell(row, Cell::kFolder));
    line += list.GetCell(row, Cell::kName);
    line += u'\t';
    line += list.GetCell(row, Cell::kNewName);
    line += u'\t';
    line += LegendText(list.GetFileStatus(row));
    line += u'\n';
    Print(out, line);
  }
}

// Puts the command-line values of run codes 51, 52 and 53 into the panel,
// where the parameter collection of the run reads them.
void PutOverridesIntoPanel(const CommandLine& cl, ModePanel& panel) {
  switch (cl.run_code()) {
    case kRunAttributes:
      panel.At(ctl::kReadOnly).value = static_cast<int>(cl.attributes.read_only);
      panel.At(ctl::kHidden).value = static_cast<int>(cl.attributes.hidden);
      panel.At(ctl::kArchive).value = static_cast<int>(cl.attributes.archive);
      panel.At(ctl::kSystem).value = static_cast<int>(cl.attributes.system);
      break;
    case kRunTimestamps: {
      const TimestampOverrides& t = cl.timestamps;
      panel.At(ctl::kStampOperation).value = t.which_time;
      panel.At(ctl::kStampOnlyWhen).value = t.filter;
      panel.At(ctl::kStampNow).value = 0;
      panel.At(ctl::kStampIncrement).text = Utf8ToUtf16(std::to_string(t.seconds_per_file));
      panel.At(ctl::kStampDate).time = t.target;
      panel.At(ctl::kStampTime).time = t.target;
      break;
    }
    case kRunReplace:
      panel.At(ctl::kSearchText).text = cl.replace.search;
      panel.At(ctl::kReplacementText).text = cl.replace.replacement;
      panel.At(ctl::kReplaceWhich).value = cl.replace.all_occurrences ? 0 : 1;
      panel.At(ctl::kReplaceRegexp).value = 1;
      panel.At(ctl::kReplaceCase).value = cl.replace.case_sensitive ? 1 : 0;
      panel.At(ctl::kReplaceExtension).value = cl.replace.include_extension ? 1 : 0;
      break;
    default:
      break;
  }
}

int ModeOfRunCode(int run_code) {
  switch (run_code) {
    case kRunAttributes:
      return static_cast<int>(RenameMode::kAttributes);
    case kRunTimestamps:
      return static_cast<int>(RenameMode::kTimestamp);
    case kRunReplace:
      return static_cast<int>(RenameMode::kReplace);
    default:
      return 0;
  }
}

int RunUndoFromLog(Session& session, const CommandLine& cl, const AutoRunIo& io,
                   ProgressLine& progress) {
  UndoContext ctx{session.list,    session.fs(), session.messenger, session.zone(),
                  session.location().folder, 0, 1, {}};
  ctx.chg_confirm = session.settings.Int(IntKey::kChgconfirm);
  ctx.current_mode = session.mode();
  ctx.progress = progress.Callback("UnDo");
  UndoEnterResult entered = session.undo.EnterUndo(cl.undo_number, ctx);
  if (entered.outcome != UndoEnterOutcome::kEntered) {
    if (io.err) *io.err << "tessivo: the rename log " << cl.undo_number << " could not be loaded\n";
    return kExitNotStarted;
  }
  if (session.messenger.test_mode()) {
    PrintPreviewTable(session.list, io.out);
    session.undo.RunUndo(0, ctx);
    return kExitOk;
  }
  UndoRunResult result = session.undo.RunUndo(1, ctx);
  progress.Finish();
  if (io.err) {
    *io.err << "tessivo: undo: " << result.restored << " restored, " << result.failed
            << " failed, " << result.skipped << " not changed\n";
  }
  return result.AnyFailed() ? kExitFailed : kExitOk;
}

// Plays the macro of the run (a slot or the file named by "/autofile=") over
// the loaded list, straight through, and executes once at its end unless in
// test mode.
int RunMacro(Session& session, const CommandLine& cl, FileTime now, const AutoRunIo& io,
             ProgressLine& progress) {
  session.SelectMode(static_cast<int>(RenameMode::kMacro));
  // Slots are 0..24 here; run codes 1..25 name them from 1.
  const int slot = (cl.flags & kFlagMacroFile) != 0 ? 0 : cl.run_code() - 1;
  if ((cl.flags & kFlagMacroFile) == 0) session.panel.At(ctl::kMacroSlot).value = slot;
  const std::u16string path =
      PlaybackFilePath(session.fs(), session.location().folder, slot, cl.flags, cl.macro_file);

  ExecuteSummary summary;
  PlaybackHooks hooks;
  hooks.preview = [&](int mode) { return session.PreviewStep(mode, now); };
  hooks.execute = [&] { return session.ExecuteShownNames(now, &summary); };
  MacroPlayer player(PlaybackModel{session.panel, session.selection, session.settings,
                                   session.position_edit, session.run_state, session.messenger},
                     hooks);
  const RunStartResult loaded = player.Load(session.fs(), path);
  if (loaded.stop) {
    session.messenger.ShowMessage(0, loaded.style, loaded.title, loaded.text, kLevelError);
    return kExitNotStarted;
  }
  session.progress = progress.Callback("macro");
  if (!player.Start(/*execute_pending=*/!cl.test_mode)) return kExitNotStarted;
  const PlaybackEnd end = player.RunToEnd();
  progress.Finish();
  if (end.reason == PlaybackEndReason::kUnsupportedVersion ||
      end.reason == PlaybackEndReason::kPreviewFailed || end.steps == 0) {
    if (io.err) *io.err << "tessivo: the macro could not be played\n";
    return kExitNotStarted;
  }
  if (cl.test_mode) {
    PrintPreviewTable(session.list, io.out);
    return kExitOk;
  }
  if (!end.executed || end.execute_result != 0) return kExitNotStarted;
  if (io.err) {
    *io.err << "tessivo: macro of " << end.steps << " steps: " << summary.changed << " changed, "
            << summary.failed << " failed, " << summary.not_eligible << " not changed\n";
  }
  return summary.failed > 0 ? kExitFailed : kExitOk;
}

}  // namespace

std::u16string AbsolutePath(std::u16string_view path, std::u16string_view working_folder) {
  std::u16string joined;
  if (path.empty() || path.front() != u'/') {
    joined.assign(working_folder);
    joined.push_back(u'/');
  }
  joined.append(path);
  std::vector<std::u16string> parts;
  std::size_t at = 0;
  while (at <= joined.size()) {
    std::size_t slash = joined.find(u'/', at);
    if (slash == std::u16string::npos) slash = joined.size();
    std::u16string part = joined.substr(at, slash - at);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(std::move(part));
    }
    at = slash + 1;
  }
  std::u16string out;
  for (const std::u16string& part : parts) {
    out.push_back(u'/');
    out += part;
  }
  return out.empty() ? std::u16string(u"/") : out;
}

int RunUnattended(Session& session, const CommandLine& cl, FileTime now, const AutoRunIo& io) {
  session.messenger.set_auto_flags(cl.flags);
  session.messenger.set_test_mode(cl.test_mode);
  ProgressLine progress(io);

  const int run_code = cl.run_code();
  const bool macro_run = (cl.flags & kFlagMacroFile) != 0 || (run_code >= 1 && run_code <= 25);
  const bool known_run = macro_run || (run_code >= kRunAttributes && run_code <= kRunUndo);
  if (!known_run) {
    if (io.err) *io.err << "tessivo: no automatic run was asked for (see --help)\n";
    return kExitNotStarted;
  }
  // Only a run that changes files settles an interrupted run's log.
  if (cl.test_mode && io.err && InterruptedLogAwaits(session.fs(), session.location().folder)) {
    *io.err << "tessivo: an interrupted run's rename log awaits repair; the next run that "
               "changes files will settle it\n";
  }

  // The paths, each its own batch of the duplicate check.
  bool cut_short = false;
  const int sort_column = cl.sort_code >= 0 ? cl.sort_code / 10 : -1;
  for (const std::u16string& argument : cl.paths) {
    if (run_code == kRunUndo) break;  // undo lists the logged run, not the paths
    std::u16string path = AbsolutePath(argument, io.working_folder);
    CorrectSpelling(session.fs(), path);
    ScanSummary added = session.AddPaths({path}, AddSource::kCommandLine, [&](ScanOptions& o) {
      o.command_line_depth = cl.depth;
      o.automatic_run = true;
      o.sort_by_size = sort_column == kSortBySize;
      o.sort_by_date = sort_column == kSortByDate;
    });
    if (added.result == kWalkFull) {
      cut_short = true;
      break;
    }
  }
  if (cl.filter_text) {
    session.narrow.text = *cl.filter_text;
    Narrow(session.list, session.narrow, kNarrowOnEdit);
  }
  if (cl.sort_code >= 0) {
    SortState state;
    SortOptions options;
    options.number_aware = session.settings.Int(IntKey::kSortnumlogical) != 0;
    Sort(session.list, state, cl.sort_code / 10, cl.sort_code % 10, options, nullptr,
         &session.messenger);
  }

  if (run_code == kRunUndo) return RunUndoFromLog(session, cl, io, progress);
  if (macro_run) {
    const int status = RunMacro(session, cl, now, io, progress);
    return status == kExitOk && cut_short ? kExitFailed : status;
  }

  session.SelectMode(ModeOfRunCode(run_code));
  PutOverridesIntoPanel(cl, session.panel);
  session.progress = progress.Callback(cl.test_mode ? "preview" : "rename");

  if (cl.test_mode) {
    const int result = session.Preview(now);
    progress.Finish();
    if (result != 0) return kExitNotStarted;
    PrintPreviewTable(session.list, io.out);
    return cut_short ? kExitFailed : kExitOk;
  }

  ExecuteSummary summary;
  const int result = session.Execute(now, &summary);
  progress.Finish();
  if (result != 0) return kExitNotStarted;
  if (io.err) {
    *io.err << "tessivo: " << summary.changed << " changed, " << summary.failed << " failed, "
            << summary.not_eligible << " not changed\n";
  }
  return summary.failed > 0 || cut_short ? kExitFailed : kExitOk;
}

}  // namespace tessivo
