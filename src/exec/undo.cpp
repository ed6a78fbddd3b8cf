#include "exec/undo.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "base/rename_mode.h"
#include "exec/execute.h"
#include "exec/rename_log.h"
#include "modes/attributes.h"
#include "modes/timestamp.h"

namespace tessivo {
namespace {

// The undo record is one of the program's own files, read as the logs are:
// never through a symbolic link, only a regular file of the user.
Result<std::string> ReadRecordFile(FileSystem& fs, const std::u16string& path) {
  return fs.ReadOwnFile(path, 0, std::numeric_limits<std::size_t>::max());
}

// The RenameMode whose message texts each kind of reverse step uses.
constexpr unsigned kNameMessageMode = ModeNumber(RenameMode::kPositionEdit);
constexpr unsigned kTimestampMessageMode = ModeNumber(RenameMode::kTimestamp);
constexpr unsigned kAttributeMessageMode = ModeNumber(RenameMode::kAttributes);

enum class StepKind { kNone, kRename, kTimestamp, kAttribute, kUnknown };

StepKind KindOf(std::u16string_view kind) {
  if (kind == kNormalKind) return StepKind::kRename;
  if (kind == kTimestampKind) return StepKind::kTimestamp;
  if (kind == kAttributeKind) return StepKind::kAttribute;
  if (!kind.empty() && kind.front() == u'<') return StepKind::kUnknown;
  return StepKind::kNone;  // not a kind: the previous row's applies
}

unsigned MessageModeOf(StepKind kind) {
  switch (kind) {
    case StepKind::kTimestamp:
      return kTimestampMessageMode;
    case StepKind::kAttribute:
      return kAttributeMessageMode;
    default:
      return kNameMessageMode;
  }
}

std::u16string_view Cut(std::u16string_view text) {
  return text.size() > kCellLimit ? text.substr(0, kCellLimit) : text;
}

// Whether `cell` reads Cut(PathToCell(path)); compared piece by piece, as
// every row of a long undo list is matched this way.
bool CellShowsPath(std::u16string_view cell, std::u16string_view path) {
  if (!path.empty() && path.front() == u'<') return cell == Cut(path);
  const std::size_t slash = path.rfind(u'/');
  const std::size_t name_begin = slash == std::u16string_view::npos ? 0 : slash + 1;
  const std::u16string_view parts[3] = {path.substr(name_begin), u" : ",
                                        path.substr(0, name_begin)};
  const std::size_t total = parts[0].size() + parts[1].size() + parts[2].size();
  if (cell.size() != std::min(total, kCellLimit)) return false;
  std::size_t at = 0;
  for (const std::u16string_view part : parts) {
    const std::size_t n = std::min(part.size(), cell.size() - at);
    if (cell.substr(at, n) != part.substr(0, n)) return false;
    at += n;
  }
  return true;
}

// The log field a whole (uncut) row cell came from.
std::u16string FieldOfCell(std::u16string_view cell) {
  if (!cell.empty() && cell.front() == u'<') return std::u16string(cell);
  return CellToPath(cell);
}

bool SameSecond(const CalendarTime& a, const CalendarTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second;
}

// Puts back the times of a "<TIMESTAMP>" line. The last-write time is always
// set; the creation time only where it is not already the logged one, so the
// undo of a last-write change also works where creation times cannot be set.
// Where they cannot (kNotSupported) but the file system shows the last-write
// time as the creation time, setting the last-write time alone brings both
// back; otherwise the last-write time is put back as it was and the step
// fails.
Status RestoreTimes(FileSystem& fs, const LocalTimeZone& zone, const std::u16string& target,
                    std::u16string_view field) {
  const auto logged = ParseTimestampLogField(field);
  if (!logged) return MakeError(ErrorCode::kCorrupt, std::u16string(field));
  const std::optional<FileTime> creation = zone.ToUtc(logged->first);
  const std::optional<FileTime> last_write = zone.ToUtc(logged->second);
  if (!creation || !last_write) return MakeError(ErrorCode::kInvalidArgument, std::u16string(field));

  auto now = AccessFileTimes(fs, zone, target);
  if (!now) return now.error();
  if (SameSecond(now->creation_local, logged->first)) {
    auto set = AccessFileTimes(fs, zone, target, TimeSelect::kLastWrite, 0, *last_write);
    return set ? Status() : Status(set.error());
  }
  auto both = AccessFileTimes(fs, zone, target, TimeSelect::kBoth, *creation, *last_write);
  if (both) return {};
  if (both.error().code != ErrorCode::kNotSupported) return both.error();

  auto alone = AccessFileTimes(fs, zone, target, TimeSelect::kLastWrite, 0, *last_write);
  if (!alone) return alone.error();
  auto after = AccessFileTimes(fs, zone, target);
  if (after && SameSecond(after->creation_local, logged->first)) return {};
  (void)AccessFileTimes(fs, zone, target, TimeSelect::kLastWrite, 0, now->last_write);
  return both.error();
}

// A damaged or made-up line can name a relative path (or none), "." or
// "..", or move a file to another folder, which no run does; such a step
// fails rather than act on the working folder or leave the folder.
Status Reverse(StepKind kind, const UndoSession::Entry& entry, const UndoContext& ctx) {
  if (kind == StepKind::kRename ? !IsSameFolderChange(entry.current, entry.target)
                                : !IsPlainFullPath(entry.target)) {
    return MakeError(ErrorCode::kInvalidArgument, entry.target);
  }
  switch (kind) {
    case StepKind::kRename:
      return ctx.fs.RenameNoReplace(entry.current, entry.target);
    case StepKind::kTimestamp:
      return RestoreTimes(ctx.fs, ctx.zone, entry.target, entry.current);
    case StepKind::kAttribute: {
      auto applied = ApplyAttributes(ctx.fs, entry.target, ParseAttributeLogField(entry.current));
      return applied ? Status() : Status(applied.error());
    }
    default:
      return MakeError(ErrorCode::kInvalidArgument, entry.kind);
  }
}

void ShowProgress(const UndoContext& ctx, int percent) {
  if (ctx.progress) ctx.progress(percent);
}

constexpr std::u16string_view kRecordPrefix = u"undo_";
constexpr std::u16string_view kRecordSuffix = u".rec";

std::u16string Hex(std::uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(value));
  std::u16string out;
  for (const char* p = buffer; *p != '\0'; ++p) out.push_back(static_cast<char16_t>(*p));
  return out;
}

// The undo record of the log at `slot_path`, named after what tells that log
// apart from every other (its size and times, which a rotation keeps), so
// the record follows the log from slot to slot. Empty when the log is gone.
std::u16string RecordPathOf(FileSystem& fs, std::u16string_view program_folder,
                            const std::u16string& slot_path) {
  const Result<FileInfo> info = fs.Stat(slot_path);
  if (!info) return {};
  std::u16string path(program_folder);
  if (path.empty() || path.back() != u'/') path.push_back(u'/');
  path += kRecordPrefix;
  path += Hex(info->size) + u"_" + Hex(static_cast<std::uint64_t>(info->last_write_time)) + u"_" +
          Hex(static_cast<std::uint64_t>(info->creation_time));
  path += kRecordSuffix;
  return path;
}

// The record's line for the log line `index`.
std::string RecordLine(int index) { return std::to_string(index) + "\n"; }

// Whether the reverse step of `entry` may not have been made: unless the
// file is gone from where the run put it and something is back at its old
// place, the step is taken again (a move never replaces anything, so taking
// again a step that cannot be made changes nothing). Other kinds are always
// taken again: setting the same times or flags twice changes nothing.
bool StepNotMade(FileSystem& fs, const UndoSession::Entry& entry) {
  if (KindOf(entry.kind) != StepKind::kRename) return true;
  return fs.Exists(entry.current) || !fs.Exists(entry.target);
}

// Removes the records of logs that are no longer in any slot.
void PruneRecords(FileSystem& fs, std::u16string_view program_folder, const std::u16string& keep) {
  std::vector<std::u16string> live{keep};
  for (int slot = kNewestLogSlot; slot <= kOldestLogSlot; ++slot) {
    live.push_back(RecordPathOf(fs, program_folder, LogSlotPath(program_folder, slot)));
  }
  std::u16string folder(program_folder);
  if (folder.empty() || folder.back() != u'/') folder.push_back(u'/');
  auto entries = fs.List(folder, ListDetail::kNamesOnly);
  if (!entries) return;
  for (const DirEntry& e : *entries) {
    const std::u16string_view name = e.name;
    if (e.info.is_directory || !name.starts_with(kRecordPrefix) || !name.ends_with(kRecordSuffix)) {
      continue;
    }
    const std::u16string path = folder + e.name;
    if (std::find(live.begin(), live.end(), path) == live.end() && !fs.IsLocked(path)) {
      (void)fs.RemoveFile(path);
    }
  }
}

}  // namespace

void UndoSession::ReadRecord(FileSystem& fs) {
  done_.assign(entries_.size(), false);
  record_bytes_.clear();
  record_keep_ = 0;
  if (record_path_.empty()) return;
  Result<std::string> bytes = ReadRecordFile(fs, record_path_);
  if (!bytes) return;
  record_bytes_ = std::move(*bytes);
  // One line per reverse step, the index of its log line, written ahead of
  // the step. The last one is in doubt: the disk tells whether it was made.
  std::size_t begin = 0;
  int last = -1;
  std::size_t last_begin = 0;
  for (std::size_t lf; (lf = record_bytes_.find('\n', begin)) != std::string::npos;
       begin = lf + 1) {
    const std::string line = record_bytes_.substr(begin, lf - begin);
    char* end = nullptr;
    const unsigned long index = std::strtoul(line.c_str(), &end, 10);
    record_keep_ = lf + 1;
    const bool number = !line.empty() && line[0] >= '0' && line[0] <= '9' &&
                        end == line.c_str() + line.size();
    if (!number || index >= entries_.size()) continue;
    done_[index] = true;
    last = static_cast<int>(index);
    last_begin = begin;
  }
  if (last >= 0 && StepNotMade(fs, entries_[static_cast<std::size_t>(last)])) {
    done_[static_cast<std::size_t>(last)] = false;
    record_keep_ = last_begin;
  }
}

std::u16string UndoLogEntryText(int slot) {
  std::u16string text = u"0つ前";
  text[0] = static_cast<char16_t>(u'0' + std::clamp(slot, 0, 9));
  return text;
}

int ModeAfterUndo(int current_mode) { return ((current_mode - 1) % 12 + 12) % 12 + 1; }

UndoUiState UndoModeUi(int slot) {
  UndoUiState ui;
  ui.undo_mode = true;
  ui.undo_button_text = kUndoCancelButtonText;
  ui.execute_button_text = kExecuteUndoButtonText;
  ui.folder_header = kRemarksHeaderText;
  ui.mode_controls_enabled = false;
  ui.log_list_visible = true;
  for (int n = kNewestLogSlot; n <= kOldestLogSlot; ++n) {
    ui.log_list_entries.push_back(UndoLogEntryText(n));
  }
  ui.log_list_selection = slot - kNewestLogSlot;
  return ui;
}

UndoUiState NormalModeUi(int current_mode) {
  UndoUiState ui;
  ui.undo_button_text = kUndoButtonText;
  ui.execute_button_text = kExecuteButtonText;
  ui.folder_header = kFolderHeaderText;
  ui.mode_to_select = ModeAfterUndo(current_mode);
  return ui;
}

UndoEnterResult UndoSession::EnterUndo(int slot, const UndoContext& ctx) {
  UndoEnterResult result;
  if (slot == kUndoCommandSlot) {
    if (active_) {
      result.outcome = UndoEnterOutcome::kLeft;
      result.ui = RunUndo(UndoAction::kLeave, ctx).ui;
      return result;
    }
    slot = kNewestLogSlot;
  }
  if (slot < kNewestLogSlot || slot > kOldestLogSlot) return result;

  // An undo changes files: an interrupted run's log becomes slot 1 first. A
  // dry run shows the slots as they are.
  if (!ctx.messenger.test_mode()) (void)RepairInterruptedLog(ctx.fs, ctx.program_folder);
  auto rows = LoadLogRows(ctx.fs, ctx.program_folder, slot);
  if (!rows) {
    ctx.messenger.ShowMessage(box::kOk | box::kIconStop, MessageId::kCantOpenFileTitle,
                              MessageId::kCantOpenLogText, kLevelError);
    result.outcome = UndoEnterOutcome::kCannotOpen;
    result.ui = RunUndo(UndoAction::kLeave, ctx).ui;
    return result;
  }

  ctx.list.set_undo_mode(true);
  ctx.list.ClearAll();
  entries_.clear();
  entries_.reserve(rows->size());
  for (const UndoRow& row : *rows) {
    // The row texts are whole here; the list cuts them, the entry keeps them.
    entries_.push_back(Entry{FieldOfCell(row.new_name), FieldOfCell(row.old_name), row.folder});
  }
  // Lines an earlier undo of this log took back get no row.
  record_path_ = RecordPathOf(ctx.fs, ctx.program_folder, LogSlotPath(ctx.program_folder, slot));
  ReadRecord(ctx.fs);
  const int undone = static_cast<int>(std::count(done_.begin(), done_.end(), true));
  ctx.list.Reserve(static_cast<int>(rows->size()) - undone);
  for (std::size_t i = 0; i < rows->size(); ++i) {
    if (done_[i]) continue;
    const UndoRow& row = (*rows)[i];
    ctx.list.AddRow(row.old_name, row.extension, row.folder, row.new_name, {}, {},
                    ctx.list.Count(), row.status);
  }
  used_ = done_;
  shift_ = 0;
  active_ = true;
  slot_ = slot;

  result.rows = ctx.list.Count();
  result.outcome = UndoEnterOutcome::kEntered;
  if (!entries_.empty() && result.rows == 0) {
    ctx.messenger.ShowMessage(box::kOk | box::kIconInformation, MessageId::kAlreadyUndoneTitle,
                              MessageId::kAlreadyUndoneText, kLevelInfo);
    result.outcome = UndoEnterOutcome::kAlreadyUndone;
  } else if (entries_.empty()) {
    ctx.messenger.ShowMessage(box::kOk | box::kIconInformation, MessageId::kEmptyListTitle,
                              MessageId::kEmptyUndoListText, kLevelInfo);
    result.outcome = UndoEnterOutcome::kEnteredEmpty;
  }
  result.ui = UndoModeUi(slot);
  return result;
}

int UndoSession::FindEntry(const FileList& list, int row) const {
  const FileItem& item = list.Item(row);
  const int count = static_cast<int>(entries_.size());
  auto matches = [&](int e) {
    if (used_[static_cast<std::size_t>(e)]) return false;
    const Entry& entry = entries_[static_cast<std::size_t>(e)];
    return item.Get(Cell::kFolder) == Cut(entry.kind) &&
           CellShowsPath(item.Get(Cell::kName), entry.current) &&
           CellShowsPath(item.Get(Cell::kNewName), entry.target);
  };
  if (count == 0) return -1;
  // Rows only removed: the entry lies at the last offset or closer to the
  // row. Rows moved: anywhere.
  const int hint = std::clamp(row + shift_, 0, count - 1);
  for (int e = hint; e >= 0; --e) {
    if (matches(e)) return e;
  }
  for (int e = hint + 1; e < count; ++e) {
    if (matches(e)) return e;
  }
  return -1;
}

std::optional<UndoSession::Entry> UndoSession::EntryOfRow(const FileList& list, int row) const {
  if (row < 0 || row >= list.Count()) return std::nullopt;
  return EntryAt(list, row, FindEntry(list, row));
}

UndoSession::Entry UndoSession::EntryAt(const FileList& list, int row, int index) const {
  if (index >= 0) return entries_[static_cast<std::size_t>(index)];
  // A row that no line stands behind: its cells are all there is. A cell at
  // the limit may have been cut and gives no path (the step then fails).
  const FileItem& item = list.Item(row);
  auto path = [&item](Cell cell) {
    const std::u16string_view text = item.Get(cell);
    return text.size() >= kCellLimit ? std::u16string() : CellToPath(text);
  };
  return Entry{path(Cell::kNewName), path(Cell::kName), std::u16string(item.Get(Cell::kFolder))};
}

UndoRunResult UndoSession::RunUndo(UndoAction action, const UndoContext& ctx) {
  const bool perform = action == UndoAction::kPerform;
  UndoRunResult result;
  if (perform && active_ && ctx.messenger.test_mode()) return result;

  std::unique_ptr<AppendFile> record;
  if (perform && active_ && ctx.list.Count() > 0) {
    record = OpenRecord(ctx);
    if (!record) {
      result.refused = true;
      result.ui = Leave(ctx);
      return result;
    }
  }

  if (perform && active_) {
    result.performed = true;
    FileList& list = ctx.list;
    Messenger& messenger = ctx.messenger;
    const int count = list.Count();
    if (count > 0) ShowProgress(ctx, 100);
    if (count > 0 && ctx.chg_confirm == 1 &&
        messenger.ShowMessage(box::kYesNo | box::kIconWarning, MessageId::kRenameTitle,
                              MessageId::kUndoConfirmText, kLevelQuestion) != kAnswerYes) {
      result.stopped = true;
    }

    StepKind previous = StepKind::kNone;
    int shown = 100;
    for (int done = 0; !result.stopped && list.Count() > 0;) {
      const int row = list.Count() - 1;
      const int index = FindEntry(list, row);
      // The matched line is used where it lies; a row without one gets its
      // paths from its cells.
      const Entry unmatched = index >= 0 ? Entry() : EntryAt(list, row, index);
      const Entry& entry = index >= 0 ? entries_[static_cast<std::size_t>(index)] : unmatched;
      if (index >= 0) {
        used_[static_cast<std::size_t>(index)] = true;
        shift_ = index - row;
      }

      StepKind kind = KindOf(entry.kind);
      if (kind == StepKind::kUnknown) {
        messenger.ShowMessage(box::kOk | box::kIconWarning, MessageId::kFormatNotDefinedTitle,
                              MessageId::kFormatNotDefinedText, kLevelError);
        result.unknown_kind = true;
        result.stopped = true;
        break;
      }
      if (kind == StepKind::kNone) kind = previous;
      previous = kind;

      if (kind == StepKind::kNone) {
        ++result.skipped;
        // Nothing to take back: a lost note costs nothing.
        if (record && index >= 0) (void)record->Append(RecordLine(index));
      } else {
        const unsigned mode = MessageModeOf(kind);
        const bool rename = kind == StepKind::kRename;
        // Renames name both paths; the other kinds name the file they change.
        const std::u16string& first = rename ? entry.current : entry.target;
        const std::u16string_view second = rename ? std::u16string_view(entry.target) : u"";
        if (ctx.chg_confirm == 2 &&
            messenger.ShowMessage(MessageKind::kConfirm, mode, first, second, kLevelQuestion) !=
                kAnswerYes) {
          result.stopped = true;
          break;
        }
        // The step is recorded ahead, as a run logs its changes, and the
        // record taken out again when it fails.
        const std::uint64_t before = record ? record->Size() : 0;
        if (record && index >= 0) {
          Status noted = record->Append(RecordLine(index));
          if (!noted) {
            ShowLogRefusal(messenger, noted.error());
            result.refused = true;
            result.stopped = true;
            break;
          }
        }
        if (Reverse(kind, entry, ctx)) {
          ++result.restored;
        } else {
          if (record && record->Size() != before) (void)record->Truncate(before);
          ++result.failed;
          if (messenger.ShowMessage(MessageKind::kChangeFailed, mode, first, second,
                                    kLevelError) == kAnswerNo) {
            result.stopped = true;
            break;
          }
        }
      }
      list.RemoveRow(row);
      ++done;
      // The bar moves a hundred times, not once a row: each move repaints it.
      if (const int percent = 100 - done * 100 / count; percent != shown) {
        shown = percent;
        ShowProgress(ctx, percent);
      }
    }
  }

  if (record) {
    (void)record->Sync();
    const bool empty = record->Size() == 0;
    record.reset();
    if (empty) (void)ctx.fs.RemoveFile(record_path_);
  }
  result.ui = Leave(ctx);
  return result;
}

std::unique_ptr<AppendFile> UndoSession::OpenRecord(const UndoContext& ctx) {
  if (record_path_.empty()) {
    ShowLogRefusal(ctx.messenger, MakeError(ErrorCode::kNotFound, LogSlotPath(ctx.program_folder,
                                                                              slot_)));
    return nullptr;
  }
  auto opened = ctx.fs.OpenAppend(record_path_, /*lock=*/true);
  if (!opened) {
    ShowLogRefusal(ctx.messenger, opened.error());
    return nullptr;
  }
  std::unique_ptr<AppendFile> record = std::move(opened.value());
  // Another undo of this log went on since it was loaded: load it again.
  auto now = ReadRecordFile(ctx.fs, record_path_);
  if ((now ? *now : std::string()) != record_bytes_) {
    ShowLogRefusal(ctx.messenger, MakeError(ErrorCode::kBusy, record_path_));
    return nullptr;
  }
  if (record->Size() > record_keep_) {
    Status cut = record->Truncate(record_keep_);
    if (!cut) {
      ShowLogRefusal(ctx.messenger, cut.error());
      return nullptr;
    }
  }
  PruneRecords(ctx.fs, ctx.program_folder, record_path_);
  return record;
}

UndoUiState UndoSession::Leave(const UndoContext& ctx) {
  ctx.list.ClearAll();
  ctx.list.set_undo_mode(false);
  active_ = false;
  slot_ = 0;
  entries_.clear();
  used_.clear();
  done_.clear();
  record_path_.clear();
  record_bytes_.clear();
  record_keep_ = 0;
  shift_ = 0;
  ShowProgress(ctx, 0);
  return NormalModeUi(ctx.current_mode);
}

bool ConfirmLeaveUndo(Messenger& messenger, bool for_options) {
  return messenger.ShowMessage(MessageKind::kEndModeFirst, 0, Text(MessageId::kStopUndoPhrase),
                               for_options ? u"1,0" : u"0,0", kLevelQuestion) == kAnswerYes;
}

}  // namespace tessivo
