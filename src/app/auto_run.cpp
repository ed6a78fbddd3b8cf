#include "app/auto_run.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>
#include <vector>

#include "config/encoding.h"
#include "core/csv_list.h"
#include "core/file_item.h"
#include "core/narrow.h"
#include "core/sort.h"
#include "exec/rename_log.h"
#include "exec/undo.h"
#include "macro/player.h"
#include "modes/mode_catalogue.h"
#include "modes/mode_panel.h"
#include "modes/replace.h"
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

// Stops the run: one line on standard error, exit 2.
int Refuse(const AutoRunIo& io, std::u16string_view text) {
  if (io.err != nullptr) *io.err << "tessivo: " << Utf16ToUtf8(text) << '\n';
  return kExitNotStarted;
}

// What became, or in a dry run would become, of a row.
enum class Outcome { kLeftAlone, kChanged, kUnchanged, kSerial, kFailed, kSkipped };

struct Counts {
  int changed = 0;
  int unchanged = 0;  // same name: forced through or left alone
  int serial = 0;     // changed to a collision serial
  int failed = 0;
  int skipped = 0;  // refused by validation: a status the force switches do not let through

  void Add(Outcome outcome) {
    switch (outcome) {
      case Outcome::kChanged:
        ++changed;
        break;
      case Outcome::kUnchanged:
        ++unchanged;
        break;
      case Outcome::kSerial:
        ++serial;
        break;
      case Outcome::kFailed:
        ++failed;
        break;
      case Outcome::kSkipped:
        ++skipped;
        break;
      case Outcome::kLeftAlone:
        break;
    }
  }
};

// What the execution will do with a row of preview status `status`. A taken
// target gets a serial when serials are on and fails otherwise; a status the
// force switches do not let through is refused (an unchanged name is only
// left alone); excluded rows are left alone.
Outcome PlannedOutcome(FileStatus status, const ExecuteOptions& options) {
  if (status == FileStatus::kExcluded) return Outcome::kLeftAlone;
  if (status == FileStatus::kUnchanged) return Outcome::kUnchanged;
  if (!IsEligible(status, options)) return Outcome::kSkipped;
  if (status == FileStatus::kTargetExists) {
    return options.add_serial ? Outcome::kSerial : Outcome::kFailed;
  }
  return Outcome::kChanged;
}

void PrintSummary(const AutoRunIo& io, const Counts& c, int mode, bool dry_run) {
  if (io.err == nullptr) return;
  *io.err << "tessivo: " << (dry_run ? "dry run, nothing changed: " : "") << c.changed
          << (IsMetadataMode(mode) ? " changed, " : " renamed, ") << c.unchanged << " unchanged, "
          << c.serial << " with a collision serial, " << c.failed << " failed, " << c.skipped
          << " skipped by validation\n";
}

const char* ReasonText(ErrorCode code) {
  switch (code) {
    case ErrorCode::kNotFound:
      return "file not found";
    case ErrorCode::kExists:
      return "name taken";
    case ErrorCode::kPermission:
      return "permission denied";
    case ErrorCode::kNameTooLong:
      return "name too long";
    case ErrorCode::kNoSpace:
      return "no space left on the device";
    case ErrorCode::kBusy:
      return "in use by another program";
    case ErrorCode::kNotSupported:
      return "not supported by the file system";
    case ErrorCode::kInvalidArgument:
      return "invalid name";
    case ErrorCode::kCancelled:
      return "not confirmed";
    case ErrorCode::kCorrupt:
      return "damaged file";
    case ErrorCode::kIo:
      break;
  }
  return "input/output error";
}

// The preview as a table: a header, then folder + old name, new name and
// legend text per row. On a terminal only the rows that change or fail are
// shown, unless every row was asked for; a pipe or file gets every row.
void PrintPreviewTable(const FileList& list, const ExecuteOptions& options, bool every_row,
                       std::ostream* out) {
  Print(out, u"path\tnew name\tstatus\n");
  for (int row = 0; row < list.Count(); ++row) {
    const Outcome outcome = PlannedOutcome(list.GetFileStatus(row), options);
    if (!every_row && (outcome == Outcome::kLeftAlone || outcome == Outcome::kUnchanged)) continue;
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

// The end of a dry run: the table, the summary, and the exit status of the
// real run's prospects: 1 when some row would be refused or fail.
int FinishDryRun(Session& session, const AutoRunIo& io, bool every_row) {
  const ExecuteOptions options = ExecuteOptionsFromSettings(session.settings);
  PrintPreviewTable(session.list, options, every_row || !io.table_to_terminal, io.out);
  Counts counts;
  for (int row = 0; row < session.list.Count(); ++row) {
    counts.Add(PlannedOutcome(session.list.GetFileStatus(row), options));
  }
  PrintSummary(io, counts, session.mode(), /*dry_run=*/true);
  return counts.failed + counts.skipped > 0 ? kExitFailed : kExitOk;
}

// Counts what an execution did. The rows are judged by their preview status
// before the execution (the after-run policy may remove them): rows refused
// by validation and same-name rows are counted there. Of the rows the
// execution visited, the changed, failed and collision-serial ones are what
// the execution reports; the rest kept their names. A same-name row forced
// through counts as unchanged unless its change failed.
class CountedExecution {
 public:
  explicit CountedExecution(Session& session) : session_(session) {}

  // Call right before the execution, over the names it will carry out.
  void Before() {
    const ExecuteOptions options = ExecuteOptionsFromSettings(session_.settings);
    counts_ = {};
    visited_ = 0;
    same_name_.clear();
    for (int row = 0; row < session_.list.Count(); ++row) {
      const Outcome outcome = PlannedOutcome(session_.list.GetFileStatus(row), options);
      if (outcome == Outcome::kSkipped || outcome == Outcome::kLeftAlone) {
        counts_.Add(outcome);
      } else if (outcome == Outcome::kUnchanged) {
        std::u16string path(session_.list.GetCell(row, Cell::kFolder));
        same_name_.push_back(path.append(session_.list.GetCell(row, Cell::kName)));
      } else {
        ++visited_;
      }
    }
  }

  // The summary and a line per failed change; returns whether any failed.
  bool Report(const ExecuteSummary& summary, const AutoRunIo& io) {
    std::unordered_set<std::u16string> failed;
    for (const FailedChange& f : summary.failures) failed.insert(f.source);
    Counts counts = counts_;
    int same_name_failed = 0;
    for (const std::u16string& path : same_name_) {
      if (failed.contains(path)) {
        ++same_name_failed;
      } else {
        ++counts.unchanged;
      }
    }
    counts.failed = summary.failed;
    counts.serial = std::max(0, summary.serials_added - summary.serials_taken_back);
    counts.changed = std::max(0, summary.changed - counts.serial);
    // Visited rows that were neither changed nor failed already had their new
    // name (a macro whose steps give every name back, say).
    counts.unchanged +=
        std::max(0, visited_ - summary.changed - (summary.failed - same_name_failed));
    if (io.err != nullptr) {
      const bool metadata = IsMetadataMode(session_.mode());
      for (const FailedChange& f : summary.failures) {
        *io.err << "tessivo: failed: " << Utf16ToUtf8(f.source);
        if (!metadata) *io.err << " -> " << Utf16ToUtf8(f.target);
        *io.err << ": " << ReasonText(f.reason) << '\n';
      }
    }
    PrintSummary(io, counts, session_.mode(), /*dry_run=*/false);
    return summary.failed > 0;
  }

 private:
  Session& session_;
  Counts counts_;
  int visited_ = 0;
  std::vector<std::u16string> same_name_;  // folder + name of the same-name rows
};

// The replacement run's expressions, each compiled as the replace mode will
// (its texts "\u"-decoded and cut at "/" into pairs): an empty text when all
// compile, else what PCRE2 says about the first that does not.
std::u16string RegexFault(const ReplaceOverrides& r) {
  auto decoded = [](std::u16string text) {
    UnescapeText(text, kMaxReplaceTextLength + 1);
    return text;
  };
  ReplaceParams params;
  params.search = SplitReplaceTexts(decoded(r.search));
  params.replacement = SplitReplaceTexts(decoded(r.replacement));
  params.which = r.all_occurrences ? kReplaceAll : kReplaceFirst;
  params.use_regex = true;
  params.match_case = r.case_sensitive;
  params.with_extension = r.include_extension;
  for (std::size_t i = 0; i < params.search.size() && !params.search[i].empty(); ++i) {
    const std::optional<RegexProblem> problem =
        CheckCommand(BuildSubstituteCommand(params.search[i], u"", ReplaceFlags(params)));
    if (!problem) continue;
    std::u16string text = u"the regular expression \"" + params.search[i] +
                          u"\" does not compile: " + problem->message + u" at offset " +
                          Utf8ToUtf16(std::to_string(problem->offset));
    return text;
  }
  return {};
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
  if (entered.outcome == UndoEnterOutcome::kAlreadyUndone) {
    session.undo.RunUndo(UndoAction::kLeave, ctx);
    if (io.err) *io.err << "tessivo: undo: this run was already undone\n";
    return kExitOk;
  }
  if (entered.outcome != UndoEnterOutcome::kEntered) {
    if (io.err) *io.err << "tessivo: the rename log " << cl.undo_number << " could not be loaded\n";
    return kExitNotStarted;
  }
  if (session.messenger.test_mode()) {
    PrintPreviewTable(session.list, ExecuteOptionsFromSettings(session.settings), true, io.out);
    session.undo.RunUndo(UndoAction::kLeave, ctx);
    return kExitOk;
  }
  UndoRunResult result = session.undo.RunUndo(UndoAction::kPerform, ctx);
  progress.Finish();
  if (result.refused && result.restored == 0) return kExitNotStarted;  // its message said why
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
  // A "--mode=macro" run plays the slot its panel shows (`macrono`).
  const int slot = (cl.flags & kFlagMacroFile) != 0 ? 0
                   : cl.run_code() == kRunMode     ? session.panel.At(ctl::kMacroSlot).value
                                                   : cl.run_code() - 1;
  if ((cl.flags & kFlagMacroFile) == 0) session.panel.At(ctl::kMacroSlot).value = slot;
  const std::u16string path =
      PlaybackFilePath(session.fs(), session.location().folder, slot, cl.flags, cl.macro_file);

  ExecuteSummary summary;
  CountedExecution counted(session);
  PlaybackHooks hooks;
  hooks.preview = [&](int mode) { return session.PreviewStep(mode, now); };
  hooks.execute = [&] {
    counted.Before();
    return session.ExecuteShownNames(now, &summary);
  };
  MacroPlayer player(PlaybackModel{session.panel, session.selection, session.settings,
                                   session.position_edit, session.run_state, session.messenger},
                     hooks);
  const RunStartResult loaded = player.Load(session.fs(), path);
  if (loaded.stop) {
    if (loaded.title && loaded.text) {
      session.messenger.ShowMessage(loaded.style, *loaded.title, *loaded.text, kLevelError);
    }
    return kExitNotStarted;
  }
  session.progress = progress.Callback("macro");
  if (!player.Start(/*execute_pending=*/!cl.test_mode)) return kExitNotStarted;
  const PlaybackEnd end = player.RunToEnd();
  progress.Finish();
  // A file with a header and no step is an empty playback, which ends like
  // any other.
  if (end.reason == PlaybackEndReason::kUnsupportedVersion ||
      end.reason == PlaybackEndReason::kPreviewFailed ||
      end.reason == PlaybackEndReason::kNoHeader) {
    if (io.err) *io.err << "tessivo: the macro could not be played\n";
    return kExitNotStarted;
  }
  if (cl.test_mode) return FinishDryRun(session, io, cl.all_rows);
  if (!end.executed || end.execute_result != RunResult::kRan) return kExitNotStarted;
  if (io.err) *io.err << "tessivo: macro of " << end.steps << " steps\n";
  return counted.Report(summary, io) ? kExitFailed : kExitOk;
}

// "--set" values into the panel filled from the settings. A `date` or
// `time` asks for that time, so the current-time box goes off unless
// `stampnow` was given as well. Returns the first value not taken, as the
// line that tells why; empty when all were.
std::string PutModeSettingsIntoPanel(Session& session, const ModeRunRequest& request) {
  const std::u16string_view stampnow = SpecOf(IntKey::kStampnow).name;
  bool picker = false;
  bool stampnow_given = false;
  for (const auto& [key, value] : request.settings) {
    const std::u16string reason = SetPanelValue(session.panel, session.settings, key, value);
    if (!reason.empty()) return Utf16ToUtf8(u"--set " + key + u"=" + value + u": " + key + u" " + reason);
    picker = picker || key == kStampDateName || key == kStampTimeName;
    stampnow_given = stampnow_given || key == stampnow;
  }
  if (picker && !stampnow_given) SetPanelValue(session.panel, session.settings, stampnow, u"0");
  return {};
}

// Selects the mode of a "--mode" run, puts the "--set" values in again over
// what the selection reloads (the position-edit template comes from the
// list), and loads the list of the CSV mode. False, after saying why, when
// the CSV file gives no usable list: it must be read whole.
bool SelectModeOfRun(Session& session, const CommandLine& cl, const AutoRunIo& io) {
  session.SelectMode(cl.mode_run.mode);
  (void)PutModeSettingsIntoPanel(session, cl.mode_run);
  // A template given is the field edited, as the window follows each edit.
  session.position_edit.UpdatePositionMap(session.panel.At(ctl::kSampleName).text);
  if (!cl.mode_run.csv_file) return true;
  const std::u16string path = AbsolutePath(*cl.mode_run.csv_file, io.working_folder);
  const Result<CsvLoadReport> loaded =
      LoadCsvFile(session.list, session.fs(), session.messenger, path);
  std::string fault;
  if (!loaded) {
    fault = "cannot be read";
  } else if (loaded->end == CsvLoadEnd::kMalformed) {
    fault = "line " + std::to_string(loaded->lines_read + 1) + " is not a list line";
  } else if (loaded->end == CsvLoadEnd::kRowLimit || loaded->cut) {
    fault = "holds more rows than the list takes";
  } else if (loaded->rows_added == 0) {
    fault = "lists no file";
  }
  if (fault.empty()) return true;
  if (io.err) *io.err << "tessivo: --csv=" << Utf16ToUtf8(path) << ": " << fault << "\n";
  return false;
}

// "--logs": one line per logged run, newest first: slot, the time the log
// was last written (local time), its number of lines and its first change.
int ListLogs(Session& session, const AutoRunIo& io) {
  const std::u16string& folder = session.location().folder;
  for (int slot = kNewestLogSlot; slot <= kOldestLogSlot; ++slot) {
    const Result<FileInfo> info = session.fs().Stat(LogSlotPath(folder, slot));
    if (!info) continue;
    const Result<std::vector<UndoRow>> rows = LoadLogRows(session.fs(), folder, slot);
    if (!rows) continue;
    const CalendarTime t = session.zone().ToLocal(info->last_write_time).value_or(CalendarTime{});
    char date[64];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    std::u16string first;
    if (!rows->empty()) {
      first = CellToPath(rows->front().new_name) + u" -> " + CellToPath(rows->front().old_name);
    }
    if (io.out) {
      *io.out << slot << '\t' << date << '\t' << rows->size() << '\t' << Utf16ToUtf8(first)
              << '\n';
    }
  }
  return kExitOk;
}

// "--null": the paths of `in`, each ending in a NUL (the last one may not).
void ReadNullSeparatedPaths(std::istream& in, std::vector<std::u16string>& paths) {
  std::string path;
  while (std::getline(in, path, '\0')) {
    if (!path.empty()) paths.push_back(Utf8ToUtf16(path));
  }
}

}  // namespace

bool SavesSettings(const CommandLine& command_line) {
  return !command_line.test_mode && !command_line.logs_requested &&
         command_line.run_code() != kRunMode;
}

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
  if (cl.null_paths && io.in != nullptr) {
    CommandLine with_input = cl;
    with_input.null_paths = false;
    ReadNullSeparatedPaths(*io.in, with_input.paths);
    return RunUnattended(session, with_input, now, io);
  }
  if (cl.logs_requested) return ListLogs(session, io);
  if (!cl.mode_run.error.empty()) {
    if (io.err) *io.err << "tessivo: " << Utf16ToUtf8(cl.mode_run.error) << "\n";
    return kExitNotStarted;
  }
  session.messenger.set_auto_flags(cl.flags);
  session.messenger.set_test_mode(cl.test_mode);
  ProgressLine progress(io);

  if (const CommandLineDiagnostic* stopper = RunStopper(cl)) return Refuse(io, stopper->message);
  const int run_code = cl.run_code();
  const bool mode_run = run_code == kRunMode;
  const bool macro_run = (cl.flags & kFlagMacroFile) != 0 || (run_code >= 1 && run_code <= 25) ||
                         (mode_run && cl.mode_run.mode == ModeNumber(RenameMode::kMacro));
  const bool known_run =
      macro_run || mode_run || (run_code >= kRunAttributes && run_code <= kRunUndo);
  if (!known_run) {
    if (io.err) *io.err << "tessivo: no automatic run was asked for (see --help)\n";
    return kExitNotStarted;
  }
  if (mode_run) {
    const std::string fault = PutModeSettingsIntoPanel(session, cl.mode_run);
    if (!fault.empty()) {
      if (io.err) *io.err << "tessivo: " << fault << "\n";
      return kExitNotStarted;
    }
  }
  // Only a run that changes files settles an interrupted run's log.
  if (cl.test_mode && io.err && InterruptedLogAwaits(session.fs(), session.location().folder)) {
    *io.err << "tessivo: an interrupted run's rename log awaits repair; the next run that "
               "changes files will settle it\n";
  }

  // Nothing is listed before the command line has been found usable: every
  // path exists and the expressions compile.
  std::vector<std::u16string> paths;
  if (run_code != kRunUndo) {  // undo lists the logged run, not the paths
    for (const std::u16string& argument : cl.paths) {
      std::u16string path = AbsolutePath(argument, io.working_folder);
      CorrectSpelling(session.fs(), path);
      if (!session.fs().Exists(path)) return Refuse(io, argument + u": no such file or folder");
      paths.push_back(std::move(path));
    }
  }
  if (run_code == kRunReplace) {
    if (const std::u16string fault = RegexFault(cl.replace); !fault.empty()) {
      return Refuse(io, fault);
    }
  }

  // The paths, each its own batch of the duplicate check. A headless run
  // lists up to the largest list size whatever the window's setting, which
  // stays as it was.
  const int max_file_index = session.settings.Int(IntKey::kMaxfilenum);
  FileListOptions list_options = session.list.options();
  list_options.max_file_index = kMaxFileIndexLast;
  session.list.SetOptions(list_options);
  bool full = false;
  int too_long = 0;
  std::vector<std::u16string> too_long_paths;
  const int sort_column = cl.sort_code >= 0 ? cl.sort_code / 10 : -1;
  for (const std::u16string& path : paths) {
    ScanSummary added = session.AddPaths({path}, AddSource::kCommandLine, [&](ScanOptions& o) {
      o.command_line_depth = cl.depth;
      o.automatic_run = true;
      o.sort_by_size = sort_column == kSortBySize;
      o.sort_by_date = sort_column == kSortByDate;
    });
    too_long += added.too_long;
    for (std::u16string& p : added.too_long_paths) {
      if (too_long_paths.size() < kTooLongPathsKept) too_long_paths.push_back(std::move(p));
    }
    if (added.result == kWalkFull) {
      full = true;
      break;
    }
  }
  session.settings.SetInt(IntKey::kMaxfilenum, max_file_index);
  if (full) {
    return Refuse(io, u"more than " + Utf8ToUtf16(std::to_string(kAbsoluteMaxFiles)) +
                          u" files: nothing was changed (give fewer paths or a smaller depth)");
  }
  // Files whose path is too long to be listed are named (the first few), and
  // the run ends with 1 after the others were handled.
  for (const std::u16string& path : too_long_paths) {
    Print(io.err, u"tessivo: left out, its path is too long: " + path + u"\n");
  }
  if (too_long > static_cast<int>(too_long_paths.size())) {
    Print(io.err, u"tessivo: " + Utf8ToUtf16(std::to_string(too_long)) +
                      u" files left out in all, their paths being too long\n");
  }
  const int left_out = too_long > 0 ? kExitFailed : kExitOk;

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
  // A CSV run takes its rows from the list file, loaded with the mode.
  const bool rows_from_csv = mode_run && cl.mode_run.csv_file.has_value();
  if (session.list.Count() == 0 && !rows_from_csv) {
    return Refuse(io, cl.paths.empty() ? u"no files or folders were given"
                                       : u"the paths given hold nothing to list");
  }
  if (macro_run) return std::max(RunMacro(session, cl, now, io, progress), left_out);

  session.SelectMode(ModeOfRunCode(run_code));
  PutOverridesIntoPanel(cl, session.panel);
  if (mode_run && !SelectModeOfRun(session, cl, io)) return kExitNotStarted;
  session.progress = progress.Callback(cl.test_mode ? "preview" : "rename");

  if (session.Preview(now) != RunResult::kRan) {
    progress.Finish();
    return kExitNotStarted;
  }
  if (cl.test_mode) {
    progress.Finish();
    return std::max(FinishDryRun(session, io, cl.all_rows), left_out);
  }

  ExecuteSummary summary;
  CountedExecution counted(session);
  counted.Before();
  const RunResult executed = session.Execute(now, &summary);
  progress.Finish();
  if (executed != RunResult::kRan) return kExitNotStarted;
  const bool failed = counted.Report(summary, io);
  return failed ? kExitFailed : left_out;
}

}  // namespace tessivo
