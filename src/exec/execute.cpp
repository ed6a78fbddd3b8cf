#include "exec/execute.h"

#include <algorithm>
#include <cstdio>
#include <thread>
#include <utility>

#include "config/settings.h"
#include "exec/validate.h"
#include "modes/attributes.h"
#include "modes/mode_catalogue.h"
#include "modes/mode_descriptor.h"
#include "modes/name_parts.h"
#include "modes/timestamp.h"
#include "platform/temp_name.h"

namespace tessivo {

namespace {


// The serial forms: the text before and after the number, and whether the
// number goes in front of the name.
struct SerialForm {
  std::u16string_view open;
  std::u16string_view close;
  bool in_front;
};
constexpr SerialForm kSerialForms[kSerialFormCount] = {
    {u"(", u")", false}, {u"[", u"]", false}, {u"_", u"", false},
    {u"(", u")", true},  {u"[", u"]", true},  {u"", u"_", true},
};

void CutToPath(std::u16string& path) {
  if (path.size() > kMaxSourcePath) path.resize(kMaxSourcePath);
}

std::u16string_view NameOf(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'/');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (const char* p = text; *p != '\0'; ++p) out.push_back(static_cast<char16_t>(*p));
  return out;
}

LogDateTime ToLogTime(const CalendarTime& t) {
  return LogDateTime{t.year, t.month, t.day, t.hour, t.minute, t.second};
}

// Whether ValidateRow(list, row, mode, false, fs) would say kTargetExists
// now. The answer is the same; the look-ups are ordered so that a row whose
// target is free costs one.
bool TargetTakenNow(const FileList& list, int row, int mode, FileSystem& fs,
                    NameRulesCache& rules) {
  if (IsMetadataMode(mode)) return false;
  const FileItem& item = list.Item(row);
  if (item.status() == FileStatus::kExcluded) return false;
  const std::u16string_view folder = item.Get(Cell::kFolder);
  const std::u16string_view old_name = item.Get(Cell::kName);
  const std::u16string_view new_name = item.Get(Cell::kNewName);
  const NameRules& folder_rules = rules.Of(folder);
  if (!ChecksTarget(mode, folder_rules) ||
      CheckNewName(folder, old_name, new_name, mode, folder_rules) != FileStatus::kChangeable) {
    return false;
  }
  std::u16string path(folder);
  path.append(new_name);
  if (!fs.Exists(path)) return false;
  path.resize(folder.size());
  path.append(old_name);
  return !old_name.empty() && path.size() <= kMaxSourcePath && fs.Exists(path);
}

// Keeps the system's reason of a failed change for the run's report.
void NoteFailure(const ChangeContext& ctx, const Error& error) {
  if (ctx.failure != nullptr) *ctx.failure = error.code;
}

// The "Continue?" question after a failed change; kStop on No.
ChangeOutcome AskToContinue(const ChangeContext& ctx, int mode, std::u16string_view text_a,
                            std::u16string_view text_b) {
  if (!ctx.show_errors) return ChangeOutcome::kFailed;
  const int answer = ctx.messenger.ShowMessage(MessageKind::kChangeFailed,
                                               static_cast<unsigned>(mode), text_a, text_b,
                                               kLevelError);
  return answer == kAnswerNo ? ChangeOutcome::kStop : ChangeOutcome::kFailed;
}

ChangeOutcome FailedMove(const ChangeContext& ctx, int mode, const std::u16string& source,
                         const std::u16string& target) {
  return AskToContinue(ctx, mode, NameOf(source), NameOf(target));
}

// Writes the line of the rename source -> target ahead of it. A rename
// whose line would not read back is refused: undo could not find its file.
Status BeginLogged(RenameLog& log, const std::string& line, const std::u16string& path,
                   std::u16string_view after) {
  if (!log.is_open()) return {};
  if (!LineReadsBack(line, path, after)) return MakeError(ErrorCode::kInvalidArgument, path);
  return log.BeginChange(line);
}

Status BeginRename(RenameLog& log, const std::u16string& source, const std::u16string& target) {
  if (!log.is_open()) return {};
  thread_local std::string line;  // keeps its room from one rename to the next
  if (FormatNormalLine(source, target, line)) return log.BeginChange(line);
  return BeginLogged(log, line, source, target);
}

// The rename with its line written ahead; the line is taken out again when
// the rename fails. A line that cannot be written stops the rename.
Status RenameLogged(const ChangeContext& ctx, const std::u16string& source,
                    const std::u16string& target) {
  Status logged = BeginRename(ctx.log, source, target);
  if (!logged) return logged;
  Status moved = ctx.fs.RenameNoReplace(source, target);
  if (!moved) (void)ctx.log.AbortChange();
  return moved;
}

ChangeOutcome Rename(const ChangeContext& ctx, int mode, const std::u16string& source,
                     const std::u16string& target) {
  const Status moved = RenameLogged(ctx, source, target);
  if (moved) return ChangeOutcome::kMade;
  NoteFailure(ctx, moved.error());
  return FailedMove(ctx, mode, source, target);
}

ChangeOutcome RenameInTwoSteps(const ChangeContext& ctx, int mode, const std::u16string& source,
                               const std::u16string& target) {
  if (source == target) return Rename(ctx, mode, source, target);
  if (const Status logged = BeginRename(ctx.log, source, target); !logged) {
    NoteFailure(ctx, logged.error());
    return FailedMove(ctx, mode, source, target);
  }
  std::u16string temp;
  Status first = MakeError(ErrorCode::kNameTooLong, target);
  if (target.size() < kLongSerialPathLength) {
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
      temp = TempNameFor(source, target, TempNameRandom());
      first = ctx.fs.RenameNoReplace(source, temp);
      if (first || first.error().code != ErrorCode::kExists) break;
    }
  }
  if (!first) {
    (void)ctx.log.AbortChange();
    NoteFailure(ctx, first.error());
    return FailedMove(ctx, mode, source, target);
  }
  const Status second = ctx.fs.RenameNoReplace(temp, target);
  if (second) return ChangeOutcome::kMade;
  NoteFailure(ctx, second.error());
  // The line goes only once the file is back, so that a crash in between
  // leaves it for the start-up repair to settle.
  const bool back = static_cast<bool>(ctx.fs.RenameNoReplace(temp, source));
  (void)ctx.log.AbortChange();
  if (!back) {
    // The file stays under the intermediate name: log where it is, so that
    // undo brings it back.
    (void)ctx.log.BeginChange(FormatNormalLine(source, temp));
  }
  return ChangeOutcome::kFailed;
}

ChangeOutcome ChangeTimes(const ChangeContext& ctx, const std::u16string& source,
                          const std::u16string& target) {
  const Result<FileTimes> before = AccessFileTimes(ctx.fs, ctx.zone, source);
  Status logged = before ? BeginLogged(ctx.log,
                                       FormatTimestampLine(source, ToLogTime(before->creation_local),
                                                           ToLogTime(before->last_write_local)),
                                       source, {})
                         : Status(before.error());
  if (!logged) {
    NoteFailure(ctx, logged.error());
    return AskToContinue(ctx, ModeNumber(RenameMode::kTimestamp), source, {});
  }
  const Result<TimestampChange> applied = ApplyTimestamp(ctx.fs, ctx.zone, source, target);
  if (applied) return ChangeOutcome::kMade;
  (void)ctx.log.AbortChange();
  NoteFailure(ctx, applied.error());
  return AskToContinue(ctx, ModeNumber(RenameMode::kTimestamp), source, {});
}

ChangeOutcome ChangeAttributes(const ChangeContext& ctx, const std::u16string& source,
                               const std::u16string& target) {
  const Result<FileInfo> before = ctx.fs.Stat(source);
  Status logged =
      before ? BeginLogged(ctx.log, FormatAttributeLine(source, before->attributes), source, {})
             : Status(before.error());
  if (!logged) {
    NoteFailure(ctx, logged.error());
    return AskToContinue(ctx, ModeNumber(RenameMode::kAttributes), source, {});
  }
  const Result<AttributeFlags> applied = ApplyAttributeDescription(ctx.fs, source, target);
  if (applied) return ChangeOutcome::kMade;
  NoteFailure(ctx, applied.error());
  (void)ctx.log.AbortChange();
  return AskToContinue(ctx, ModeNumber(RenameMode::kAttributes), source, {});
}

}  // namespace

ExecuteOptions ExecuteOptionsFromSettings(const Settings& settings) {
  ExecuteOptions o;
  o.force_invalid = settings.Int(IntKey::kForce1) != 0;
  o.force_backslash = settings.Int(IntKey::kForce2) != 0;
  o.force_bad_character = settings.Int(IntKey::kForce3) != 0;
  o.force_unchanged = settings.Int(IntKey::kForce4) != 0;
  o.confirm = settings.Int(IntKey::kChgconfirm);
  o.after_run = settings.Int(IntKey::kDel);
  o.write_log = settings.Int(IntKey::kWritelog) != 0;
  o.show_errors = settings.WordBit(OptionWord::kOption1, opt1::kShowErrors);
  o.add_serial = settings.WordBit(OptionWord::kOption1, opt1::kAddCollisionSerial);
  o.serial_form = settings.CollisionExampleIndex();
  o.serial_padding = settings.Int(IntKey::kAdddiffpad);
  o.serial_start = settings.Int(IntKey::kAddrenbegin) + 1;
  o.warn_serial = settings.Int(IntKey::kAddrenmsg) != 0;
  o.folders = settings.Int(IntKey::kFileDir) != 0;
  return o;
}

int EffectiveAfterRunPolicy(int setting, bool keep_changing_once, bool macro_steps_recorded) {
  int policy = setting >= kAfterRunClearAll && setting <= kAfterRunKeepChanging
                   ? setting
                   : kAfterRunClearAll;
  if (keep_changing_once) {
    policy = policy == kAfterRunKeepChanging ? kAfterRunClearAll : kAfterRunKeepChanging;
  }
  if (macro_steps_recorded) policy = kAfterRunKeepChanging;
  return policy;
}

bool IsEligible(FileStatus status, const ExecuteOptions& options) {
  switch (status) {
    case FileStatus::kPathTooLong:
    case FileStatus::kInvalidName:
    case FileStatus::kSourceMissing:
      return options.force_invalid;
    case FileStatus::kBackslash:
      return options.force_backslash;
    case FileStatus::kBadCharacter:
      return options.force_bad_character;
    case FileStatus::kUnchanged:
      return options.force_unchanged;
    case FileStatus::kExcluded:
      return false;
    default:
      return true;
  }
}

// ---- collision serials ----

std::u16string CollisionSerialPath(std::u16string_view path, int number,
                                   const ExecuteOptions& options) {
  const SerialForm& form = kSerialForms[std::clamp(options.serial_form, 0, kSerialFormCount - 1)];
  const char* format = options.serial_padding == 1   ? "%02d"
                       : options.serial_padding == 2 ? "%03d"
                                                     : "%d";
  char digits[16];
  std::snprintf(digits, sizeof digits, format, number);
  std::u16string serial(form.open);
  serial += Ascii(digits);
  serial += form.close;

  const NameParts parts = SplitPlainPath(path);
  std::u16string out = parts.Prefix();
  if (form.in_front) {
    out += serial;
    out += parts.base;
    out += parts.extension;
  } else if (options.folders) {
    out += parts.base;
    out += parts.extension;
    out += serial;
  } else {
    out += parts.base;
    out += serial;
    out += parts.extension;
  }
  return out;
}

bool AddCollisionSerial(FileSystem& fs, std::u16string& path, const ExecuteOptions& options) {
  const bool long_path = path.size() >= kLongSerialPathLength;
  for (int n = options.serial_start;; ++n) {
    if (n > kMaxCollisionSerial || (long_path && n > kMaxLongPathSerial)) return false;
    std::u16string candidate = CollisionSerialPath(path, n, options);
    if (candidate.size() > kMaxPathChars) return false;
    if (!fs.Exists(candidate)) {
      path = std::move(candidate);
      return true;
    }
  }
}

bool SerialLedger::Add(std::u16string wanted, std::u16string serial, int row) {
  if (static_cast<int>(entries_.size()) >= kCapacity) {
    ++overflow_;
    return false;
  }
  entries_.push_back(Entry{std::move(wanted), std::move(serial), row});
  return true;
}

// ---- one change ----

ChangeOutcome ApplyChange(const ChangeContext& ctx, int mode, const std::u16string& source,
                          const std::u16string& target) {
  switch (ChangeOf(mode)) {
    case ModeChange::kTimes:
      return ChangeTimes(ctx, source, target);
    case ModeChange::kAttributes:
      return ChangeAttributes(ctx, source, target);
    case ModeChange::kNameInTwoSteps:
      return RenameInTwoSteps(ctx, mode, source, target);
    case ModeChange::kName:
      break;
  }
  return Rename(ctx, mode, source, target);
}

// ---- the pass ----

ExecutionPass::ExecutionPass(const RunContext& run, const ExecuteSetup& setup)
    : run_(run),
      setup_(setup),
      options_(setup.options),
      zone_(setup.zone),
      log_(run.fs, setup.program_folder),
      name_rules_(run.fs) {
  if (zone_ == nullptr) {
    own_zone_ = std::make_unique<SystemTimeZone>();
    zone_ = own_zone_.get();
  }
}

ExecutionPass::~ExecutionPass() { CloseLog(); }

void ShowLogRefusal(Messenger& messenger, const Error& error) {
  if (error.code == ErrorCode::kBusy) {
    messenger.ShowMessage(box::kOk | box::kIconStop, MessageId::kLogInUseTitle,
                          MessageId::kLogInUseText, kLevelError);
  } else {
    messenger.ShowMessage(box::kOk | box::kIconStop, MessageId::kCantWriteLogTitle,
                          MessageId::kCantWriteLogText, kLevelError, {error.detail});
  }
}

bool NameStaysInFolder(std::u16string_view new_name) {
  return !new_name.empty() && new_name != u"." && new_name != u".." &&
         new_name.find(u'/') == std::u16string_view::npos;
}

bool ExecutionPass::OpenLog() {
  if (!options_.write_log || setup_.program_folder.empty()) return true;
  // A user who turned logging on was promised an undo: without the log the
  // run does not go ahead. Another run's log is waited for a little.
  const auto deadline = std::chrono::steady_clock::now() + setup_.log_lock_wait;
  for (;;) {
    Status opened = log_.OpenLog();
    if (opened) return true;
    if (opened.error().code != ErrorCode::kBusy || std::chrono::steady_clock::now() >= deadline) {
      ShowLogRefusal(run_.messenger, opened.error());
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

void ExecutionPass::CloseLog() {
  if (log_.is_open()) summary_.logged = true;
  (void)log_.CloseAndRotate();
}

bool ExecutionPass::Pass(const std::function<bool()>& before_first_name,
                         const std::function<void(int done, int count)>& progress) {
  FileList& list = run_.list;
  Messenger& messenger = run_.messenger;
  const int mode = run_.mode;
  const int count = list.Count();
  const bool metadata = IsMetadataMode(mode);
  const bool compute = !run_.state.names_current;
  const std::uint32_t flags = messenger.auto_flags();
  const bool hidden_automatic = flags != 0 && (flags & autoflag::kShow) == 0;
  const ChangeContext change{run_.fs, messenger, *zone_, log_, options_.show_errors};

  policy_ = EffectiveAfterRunPolicy(options_.after_run, run_.state.keep_changing_once,
                                    run_.state.macro_steps_recorded > 0);
  ledger_.Clear();
  serial_rows_ = 0;
  remove_.assign(static_cast<std::size_t>(count), false);
  summary_.logged = log_.is_open();

  if (options_.confirm == 1 && !hidden_automatic) {
    const int answer =
        messenger.ShowMessage(box::kYesNo | box::kIconWarning, MessageId::kRenameTitle,
                              MessageId::kStartText, kLevelQuestion);
    if (answer != kAnswerYes) {
      summary_.stopped = true;
      return true;
    }
  }

  bool completed = true;
  bool first_name = true;
  std::int64_t ordinal = 0;
  std::u16string source;
  std::u16string target;
  std::u16string disk;
  std::u16string wanted;
  for (int row = 0; row < count; ++row) {
    const FileStatus status = list.GetFileStatus(row);
    bool changed = false;
    if (status == FileStatus::kExcluded) {
      list.SetCell(row, Cell::kNewName, {});
      ++summary_.not_eligible;
      ApplyPolicy(row, status, false, {}, /*keep_mark=*/true);
      if (progress) progress(row + 1, count);
      continue;
    }

    {
      const FileItem& item = list.Item(row);
      const std::u16string_view folder = item.Get(Cell::kFolder);
      const std::u16string_view new_name = item.Get(Cell::kNewName);
      source.assign(folder).append(run_.state.source_is_new_name ? new_name
                                                                 : item.Get(Cell::kName));
      target.assign(folder).append(new_name);
      CutToPath(source);
      CutToPath(target);
      if (compute && run_.state.source_is_new_name) {
        disk.assign(folder).append(item.Get(Cell::kName));
        CutToPath(disk);
      }
    }
    if (compute) {
      if (first_name) {
        first_name = false;
        if (before_first_name && !before_first_name()) {
          completed = false;
          break;
        }
      }
      if (run_.hooks.compute_new_name) {
        std::u16string computed = run_.hooks.compute_new_name(
            source, target, ordinal, run_.state.source_is_new_name ? disk : source);
        CutToPath(computed);
        // The cell is written as a preview would; in the timestamp and
        // attribute modes the description is applied from folder + cell.
        const std::u16string folder(list.GetCell(row, Cell::kFolder));
        if (metadata) {
          list.SetCell(row, Cell::kNewName, computed);
          target = folder + computed;
          CutToPath(target);
        } else {
          list.SetCell(row, Cell::kNewName,
                       computed.size() >= folder.size()
                           ? std::u16string_view(computed).substr(folder.size())
                           : std::u16string_view());
          target = std::move(computed);
        }
      }
    }
    ++ordinal;

    // Not a change: the same path (no call, no line, the row keeps its
    // mark), or a name that would leave the folder (never, whatever forced).
    const bool same_path = !metadata && source == target;
    if (same_path) {
      ++summary_.not_eligible;
      ApplyPolicy(row, status, false, {}, /*keep_mark=*/true);
      if (progress) progress(row + 1, count);
      continue;
    }
    if (!IsEligible(status, options_) || (!metadata && !StaysInFolder(row, target))) {
      ++summary_.not_eligible;
    } else {
      const RowOutcome outcome = ChangeRow(change, row, status, source, target, wanted);
      if (outcome.stop) break;
      changed = outcome.changed;
    }
    ApplyPolicy(row, status, changed, metadata ? source : target, false);
    if (progress) progress(row + 1, count);
  }
  RemoveMarkedRows();
  return completed;
}

// A fresh look at the disk comes first: a target that is taken now gets a
// serial or fails the row (without a question).
//
// A plain rename whose target was free at the preview (and that is not
// shown in a question first) leaves that look-up to the rename itself, as
// it nearly always finds the target still free: only a rename that meets an
// existing target is followed by the look-up validation would make. Its log
// line was written ahead and is taken out again, so a crash in between
// leaves a line whose "before" and "after" both exist; the reverse step of
// such a line fails at undo without touching anything. Rows the preview
// already marked kTargetExists never take that way.
ExecutionPass::RowOutcome ExecutionPass::ChangeRow(const ChangeContext& change, int row,
                                                   FileStatus status,
                                                   const std::u16string& source,
                                                   std::u16string& target, std::u16string& wanted) {
  const int mode = run_.mode;
  Messenger& messenger = run_.messenger;
  const bool ask_each = options_.confirm == 2 && messenger.auto_flags() == 0;
  const ModeDescriptor* descriptor = ModeDescriptorOf(mode);
  const bool rename_first = !IsMetadataMode(mode) && descriptor != nullptr &&
                            !descriptor->target_may_be_source && !ask_each &&
                            status != FileStatus::kTargetExists;
  RowOutcome outcome;
  bool serial = false;
  bool taken = false;
  // Why the row failed: a taken target without a serial, a No, or what the
  // change itself notes.
  ErrorCode reason = ErrorCode::kCancelled;
  ChangeContext noting = change;
  noting.failure = &reason;

  if (rename_first) {
    const Status moved = RenameLogged(change, source, target);
    if (moved) {
      outcome.changed = true;
    } else {
      taken = moved.error().code == ErrorCode::kExists &&
              TargetTakenNow(run_.list, row, mode, run_.fs, name_rules_);
      reason = moved.error().code;
      if (!taken) outcome.stop = FailedMove(change, mode, source, target) == ChangeOutcome::kStop;
    }
  }
  if (!rename_first || taken) {
    bool go = true;
    if (taken || TargetTakenNow(run_.list, row, mode, run_.fs, name_rules_)) {
      wanted = target;
      serial = options_.add_serial && AddCollisionSerial(run_.fs, target, options_);
      go = serial;
      reason = ErrorCode::kExists;
    }
    if (go && ask_each) {
      const int answer = messenger.ShowMessage(MessageKind::kConfirmCancel,
                                               static_cast<unsigned>(mode), source, target,
                                               kLevelQuestion);
      if (answer == kAnswerCancel) {
        summary_.stopped = true;
        outcome.stop = true;
        return outcome;  // the row stays as it was
      }
      go = answer == kAnswerYes;
    }
    if (go) {
      const ChangeOutcome made = ApplyChange(noting, mode, source, target);
      outcome.stop = made == ChangeOutcome::kStop;
      outcome.changed = made == ChangeOutcome::kMade;
    }
  }

  if (outcome.changed) {
    ++summary_.changed;
    if (serial) {
      ++summary_.serials_added;
      ++serial_rows_;
      ledger_.Add(wanted, target, row);
    }
  } else {
    ++summary_.failed;
    summary_.failures.push_back({source, target, reason});
  }
  if (outcome.stop) summary_.stopped = true;
  return outcome;
}

bool ExecutionPass::StaysInFolder(int row, std::u16string_view target) const {
  const std::u16string_view folder = run_.list.GetCell(row, Cell::kFolder);
  return target.size() > folder.size() && target.substr(0, folder.size()) == folder &&
         NameStaysInFolder(target.substr(folder.size()));
}

void ExecutionPass::ApplyPolicy(int row, FileStatus status, bool changed,
                                const std::u16string& valid_path, bool keep_mark) {
  FileList& list = run_.list;
  const bool excluded = keep_mark || status == FileStatus::kExcluded;
  switch (policy_) {
    case kAfterRunClearAll:
      remove_[static_cast<std::size_t>(row)] = true;
      return;
    case kAfterRunClearChanged:
      if (changed) remove_[static_cast<std::size_t>(row)] = true;
      return;
    case kAfterRunKeep:
      if (!excluded) list.SetFileStatus(row, changed ? FileStatus::kChanged : FileStatus::kFailed);
      return;
    default:
      break;
  }
  if (!changed) {
    if (!excluded) list.SetFileStatus(row, FileStatus::kFailed);
    return;
  }
  list.SetFileStatus(row, FileStatus::kChanged);
  const NameParts parts = SplitPlainPath(valid_path);
  list.SetCell(row, Cell::kName, parts.Name());
  list.SetCell(row, Cell::kExtension, parts.extension);
  list.SetCell(row, Cell::kFolder, parts.Prefix());
  list.SetCell(row, Cell::kNewName, {});
  if (ChangeOf(run_.mode) == ModeChange::kTimes && list.options().date_column) {
    std::u16string date;
    if (DateText(run_.fs, valid_path, list.options().date_kind, date) == 0) {
      list.SetCell(row, Cell::kDate, date);
    }
  }
}

// Rows leave in one step: removing them one at a time from the front of a
// long list would move the rest of it for every row.
void ExecutionPass::RemoveMarkedRows() {
  FileList& list = run_.list;
  const int count = std::min(list.Count(), static_cast<int>(remove_.size()));
  if (std::find(remove_.begin(), remove_.end(), true) == remove_.end()) return;
  const int focused = list.FocusedRow();
  std::vector<bool> selected(static_cast<std::size_t>(count));
  for (int row = 0; row < count; ++row) {
    selected[static_cast<std::size_t>(row)] = list.IsSelected(row);
    list.SetSelected(row, remove_[static_cast<std::size_t>(row)]);
  }
  for (int row = count; row < list.Count(); ++row) list.SetSelected(row, false);
  (void)list.DeleteSelected(FileList::DeleteStrategy::kCompact);

  // The rows that stay keep their selection and focus.
  int kept = 0;
  int new_focus = -1;
  for (int row = 0; row < count; ++row) {
    if (remove_[static_cast<std::size_t>(row)]) continue;
    list.SetSelected(kept, selected[static_cast<std::size_t>(row)]);
    if (row == focused) new_focus = kept;
    ++kept;
  }
  for (int row = kept; row < list.Count(); ++row) list.SetSelected(row, false);
  list.SetFocusedRow(new_focus);
}

void ExecutionPass::AfterPass() {
  FileList& list = run_.list;
  Messenger& messenger = run_.messenger;

  bool tell_deleted = options_.confirm == 2;
  for (const SerialLedger::Entry& entry : ledger_.entries()) {
    const Result<FileInfo> there = run_.fs.Stat(entry.wanted);
    if (there && !there->is_directory) break;
    if (!BeginRename(log_, entry.serial, entry.wanted)) continue;
    if (!run_.fs.RenameNoReplace(entry.serial, entry.wanted)) {
      (void)log_.AbortChange();
      continue;
    }
    --serial_rows_;
    ++summary_.serials_taken_back;
    if (tell_deleted) {
      const int answer =
          messenger.ShowMessage(box::kOk, MessageId::kSerialDeletedTitle,
                                MessageId::kSerialDeletedText, kLevelInfo,
                                {entry.serial, entry.wanted});
      if (answer != kAnswerOk) tell_deleted = false;
    }
    if (policy_ == kAfterRunKeepChanging) {
      const NameParts parts = SplitPlainPath(entry.wanted);
      list.SetCell(entry.row, Cell::kName, parts.Name());
      list.SetCell(entry.row, Cell::kExtension, parts.extension);
    }
  }

  CloseLog();

  if (serial_rows_ > 0 && options_.warn_serial) {
    messenger.ShowMessage(box::kOk | box::kIconInformation, MessageId::kSerialAddedTitle,
                          MessageId::kSerialAddedText, kLevelInfo);
  }
  const ModeDescriptor* mode = ModeDescriptorOf(run_.mode);
  if (summary_.changed > 0 && run_.state.macro_recording && mode != nullptr &&
      mode->capture != nullptr && run_.hooks.record_macro_step) {
    run_.hooks.record_macro_step(run_.mode);
  }
  if (policy_ == kAfterRunKeepChanging) {
    list.UpdateSampleName();
  } else if (run_.hooks.redraw_list) {
    run_.hooks.redraw_list();
  }
  if (setup_.summary != nullptr) *setup_.summary = summary_;
}

}  // namespace tessivo
