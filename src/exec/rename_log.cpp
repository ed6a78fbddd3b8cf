#include "exec/rename_log.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "config/encoding.h"
#include "platform/temp_name.h"

namespace tessivo {
namespace {

// Pieces in which a log is read from the disk.
constexpr std::size_t kReadChunk = 64 * 1024;
// How much of the end of slot 0 the repair reads: more than twice the
// longest line the program writes (2 * kLogLineCapacity bytes).
constexpr std::size_t kRepairTail = 64 * 1024;

bool IsNotFound(const Status& s) { return !s && s.error().code == ErrorCode::kNotFound; }

// Keeps the first error of a sequence of steps.
void Note(Status& first, Status s) {
  if (first && !s) first = std::move(s);
}

std::u16string Widen(const char* ascii) {
  std::u16string out;
  for (const char* p = ascii; *p != '\0'; ++p) out.push_back(static_cast<char16_t>(*p));
  return out;
}

std::u16string FormatTime(const LogDateTime& t) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%4d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return Widen(buffer);
}

bool IsLowerHex(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); }

// Appends `path` to a line's text so that reading the line gives it back:
// a line break or a '"' would end the line or the field, and a backslash
// that reads as the start of a "\u" escape would be taken for one. Each is
// written as its own escape (other text is left to EscapeNonAnsi).
void AppendLoggedPath(std::u16string& text, std::u16string_view path) {
  auto escape = [&text](char16_t c) {
    static constexpr char kHex[] = "0123456789abcdef";
    text += u"\\u00";
    text += static_cast<char16_t>(kHex[(c >> 4) & 0xF]);
    text += static_cast<char16_t>(kHex[c & 0xF]);
  };
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char16_t c = path[i];
    const bool starts_escape = c == u'\\' && i + 6 <= path.size() && path[i + 1] == u'u' &&
                               IsLowerHex(path[i + 2]) && IsLowerHex(path[i + 3]) &&
                               IsLowerHex(path[i + 4]) && IsLowerHex(path[i + 5]);
    if (c == u'\n' || c == u'\r' || c == u'"' || starts_escape) {
      escape(c);
    } else {
      text += c;
    }
  }
}

// Whether `c` is written into a line as the one byte of its own value and
// reads back as itself: printable ASCII other than the '"' that ends a field
// and the backslash that may start an escape.
bool IsPlainUnit(char16_t c) { return c >= 0x20 && c < 0x7F && c != u'"' && c != u'\\'; }

// The bytes of a line: escaped where the code page lacks a character, with
// CR LF at its end.
std::string LineBytes(std::u16string_view text) {
  std::string bytes;
  EscapeNonAnsi(text, bytes, kLogLineCapacity);
  bytes += "\r\n";
  return bytes;
}

// Hands the lines of a log to `on_line` within the loading limits. `more`
// appends the next bytes of the log to its argument and returns false when
// there are none. A line is handed over with its line feed. There is no
// limit on the count of lines: a run's log is always read whole.
template <typename More, typename OnLine>
void ReadLogLines(More&& more, OnLine&& on_line) {
  std::string buffer;
  std::size_t pos = 0;
  bool at_end = false;
  for (;;) {
    std::size_t line_end;  // one past the line feed
    for (;;) {
      const std::size_t available = buffer.size() - pos;
      const std::size_t window = available < kMaxLogLineBytes ? available : kMaxLogLineBytes;
      const void* lf = window == 0 ? nullptr : std::memchr(buffer.data() + pos, '\n', window);
      if (lf != nullptr) {
        line_end = static_cast<std::size_t>(static_cast<const char*>(lf) - buffer.data()) + 1;
        break;
      }
      // A full line's worth of bytes without a line feed, or the end of the
      // log without one, ends the loading.
      if (available >= kMaxLogLineBytes || at_end) return;
      buffer.erase(0, pos);
      pos = 0;
      if (!more(buffer)) at_end = true;
    }
    on_line(std::string_view(buffer).substr(pos, line_end - pos));
    pos = line_end;
  }
}

std::u16string DecodeField(std::string_view bytes) {
  if (bytes.size() > kMaxLogFieldBytes) bytes = bytes.substr(0, kMaxLogFieldBytes);
  // A field of plain units, short of the cut, is its bytes (most fields).
  if (bytes.size() < kLogFieldCapacity &&
      std::all_of(bytes.begin(), bytes.end(),
                  [](char c) { return IsPlainUnit(static_cast<unsigned char>(c)); })) {
    return std::u16string(bytes.begin(), bytes.end());
  }
  std::u16string out;
  UnescapeText(out, bytes, kLogFieldCapacity);
  return out;
}

// The places where a file of the change before -> after may have been left
// between the two steps of a two-step rename: the intermediate names of
// temp_name.h found in the folder, then the two fixed intermediate names
// that an 8.3 change made on Windows leaves ("<after>$tessiv$.$" and
// ".$a_$"). All are in the folder of `after`.
std::vector<std::u16string> IntermediateCandidates(FileSystem& fs, std::u16string_view before,
                                                   std::u16string_view after) {
  std::vector<std::u16string> out;
  const std::u16string folder(TempNameFolderOf(after));
  if (auto entries = fs.List(folder, ListDetail::kNamesOnly)) {
    for (const DirEntry& entry : *entries) {
      if (IsTempNameOf(entry.name, before, after)) out.push_back(folder + entry.name);
    }
  }
  out.push_back(std::u16string(after) + u"$tessiv$.$");
  out.push_back(folder + u".$a_$");
  return out;
}

}  // namespace

bool IsPlainFullPath(std::u16string_view path) {
  if (path.empty() || path.front() != u'/') return false;
  for (std::size_t begin = 1; begin <= path.size();) {
    std::size_t end = path.find(u'/', begin);
    if (end == std::u16string_view::npos) end = path.size();
    const std::u16string_view part = path.substr(begin, end - begin);
    if (part == u"." || part == u"..") return false;
    begin = end + 1;
  }
  return true;
}

bool IsSameFolderChange(std::u16string_view before, std::u16string_view after) {
  return IsPlainFullPath(before) && IsPlainFullPath(after) && before.back() != u'/' &&
         after.back() != u'/' && TempNameFolderOf(before) == TempNameFolderOf(after);
}

std::u16string LogSlotPath(std::u16string_view program_folder, int slot) {
  std::u16string path(program_folder);
  if (path.empty() || path.back() != u'/') path.push_back(u'/');
  path += u"rename";
  path += Widen(std::to_string(slot).c_str());
  path += u".log";
  return path;
}

// ---- line formats ----

std::string FormatNormalLine(std::u16string_view before, std::u16string_view after) {
  std::string line;
  FormatNormalLine(before, after, line);
  return line;
}

bool FormatNormalLine(std::u16string_view before, std::u16string_view after, std::string& line) {
  // Most lines are plain ASCII paths: their bytes are their units, with
  // nothing to escape (the common case of a large run, built directly in
  // the same pass that checks the units).
  constexpr std::u16string_view kMiddle = u"\",\"";
  constexpr std::size_t kFixed = 1 + 2 * kMiddle.size() + kNormalKind.size() + 1;
  if (before.size() + after.size() + kFixed < kLogLineCapacity) {
    line.resize(before.size() + after.size() + kFixed + 2);
    char* out = line.data();
    bool plain = true;
    auto put_path = [&out, &plain](std::u16string_view units) {
      for (const char16_t c : units) {
        plain &= IsPlainUnit(c);
        *out++ = static_cast<char>(c);
      }
    };
    auto put = [&out](std::u16string_view units) {
      for (const char16_t c : units) *out++ = static_cast<char>(c);
    };
    *out++ = '"';
    put_path(before);
    put(kMiddle);
    put_path(after);
    put(kMiddle);
    put(kNormalKind);
    put(u"\"\r\n");
    if (plain) return before.size() < kLogFieldCapacity && after.size() < kLogFieldCapacity;
  }
  std::u16string text;
  text.reserve(before.size() + after.size() + 20);
  text += u"\"";
  AppendLoggedPath(text, before);
  text += u"\",\"";
  AppendLoggedPath(text, after);
  text += u"\",\"";
  text += kNormalKind;
  text += u"\"";
  line = LineBytes(text);
  return false;
}

std::string FormatTimestampLine(std::u16string_view path, const LogDateTime& creation,
                                const LogDateTime& last_write) {
  std::u16string text = u"\"";
  AppendLoggedPath(text, path);
  text += u"\",\"<作成：";
  text += FormatTime(creation);
  text += u", 更新：";
  text += FormatTime(last_write);
  text += u">\",\"";
  text += kTimestampKind;
  text += u"\"";
  return LineBytes(text);
}

std::string FormatAttributeLine(std::u16string_view path, std::uint32_t attributes) {
  auto flag = [attributes](std::uint32_t bit) { return (attributes & bit) != 0 ? u'Y' : u'N'; };
  std::u16string text = u"\"";
  AppendLoggedPath(text, path);
  text += u"\",\"<読：";
  text += flag(attr::kReadOnly);
  text += u", 隠：";
  text += flag(attr::kHidden);
  text += u", ア：";
  text += flag(attr::kArchive);
  text += u", シ：";
  text += flag(attr::kSystem);
  text += u">\",\"";
  text += kAttributeKind;
  text += u"\"";
  return LineBytes(text);
}

namespace {

// LineReadsBack for a line of plain bytes only (IsPlainUnit, then CR LF):
// its fields read back as their bytes, up to the field limits. nullopt for
// any other line, which is parsed in full.
std::optional<bool> PlainLineReadsBack(std::string_view line, std::u16string_view field1,
                                       std::u16string_view field2) {
  if (line.size() < 2 || line[line.size() - 2] != '\r') return std::nullopt;
  std::size_t quotes[6];
  int found = 0;
  for (std::size_t i = 0; i + 2 < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      if (found < 6) quotes[found] = i;
      ++found;
    } else if (!IsPlainUnit(static_cast<unsigned char>(c))) {
      return std::nullopt;
    }
  }
  if (found < 6) return false;
  auto same = [&](int k, std::u16string_view want) {
    const std::size_t begin = quotes[2 * k] + 1;
    const std::string_view bytes = line.substr(begin, quotes[2 * k + 1] - begin);
    if (bytes.size() >= kLogFieldCapacity || bytes.size() > kMaxLogFieldBytes) {
      return std::optional<bool>();  // cut when read: left to the full parse
    }
    if (bytes.size() != want.size()) return std::optional<bool>(false);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (static_cast<unsigned char>(bytes[i]) != want[i]) return std::optional<bool>(false);
    }
    return std::optional<bool>(true);
  };
  const std::optional<bool> first = same(0, field1);
  if (!first || !*first || field2.empty()) return first;
  return same(1, field2);
}

}  // namespace

bool LineReadsBack(std::string_view line, std::u16string_view field1,
                   std::u16string_view field2) {
  // The reader ends a line at its first line feed, and at its byte limit.
  const std::size_t lf = line.find('\n');
  if (lf == std::string_view::npos || lf + 1 != line.size() || line.size() > kMaxLogLineBytes) {
    return false;
  }
  if (const std::optional<bool> plain = PlainLineReadsBack(line, field1, field2)) return *plain;
  const std::optional<LogLine> parsed = ParseLogLine(line);
  return parsed && parsed->field1 == field1 && (field2.empty() || parsed->field2 == field2);
}

std::optional<LogDateTime> ParseLogTime(std::u16string_view text, std::size_t offset) {
  constexpr std::size_t kLength = 19;
  if (offset > text.size() || text.size() - offset < kLength) return std::nullopt;
  const std::u16string_view t = text.substr(offset, kLength);
  auto number = [t](std::size_t begin, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = begin; i < begin + count; ++i) {
      if (t[i] < u'0' || t[i] > u'9') return false;
      value = value * 10 + (t[i] - u'0');
    }
    return true;
  };
  LogDateTime out;
  if (!number(0, 4, out.year) || !number(5, 2, out.month) || !number(8, 2, out.day) ||
      !number(11, 2, out.hour) || !number(14, 2, out.minute) || !number(17, 2, out.second) ||
      t[13] != u':' || t[16] != u':') {
    return std::nullopt;
  }
  return out;
}

std::optional<LogLine> ParseLogLine(std::string_view line) {
  std::size_t quotes[6];
  int found = 0;
  for (std::size_t i = 0; i < line.size() && found < 6; ++i) {
    if (line[i] == '"') quotes[found++] = i;
  }
  if (found < 6) return std::nullopt;
  auto field = [&](int k) {
    const std::size_t begin = quotes[2 * k] + 1;
    return DecodeField(line.substr(begin, quotes[2 * k + 1] - begin));
  };
  return LogLine{field(0), field(1), field(2)};
}

// ---- undo rows ----

std::u16string PathToCell(std::u16string_view path) {
  if (!path.empty() && path.front() == u'<') return std::u16string(path);
  const std::size_t slash = path.rfind(u'/');
  const std::size_t name_begin = slash == std::u16string_view::npos ? 0 : slash + 1;
  std::u16string cell;
  cell.reserve(path.size() + 3);
  cell += path.substr(name_begin);
  cell += u" : ";
  cell += path.substr(0, name_begin);
  return cell;
}

std::u16string CellToPath(std::u16string_view cell) {
  std::size_t sep = cell.find(u" : /");
  if (sep == std::u16string_view::npos) sep = cell.find(u" : ");
  if (sep == std::u16string_view::npos) return std::u16string(cell);
  std::u16string path;
  path.reserve(cell.size() - 3);
  path += cell.substr(sep + 3);
  path += cell.substr(0, sep);
  return path;
}

UndoRow MakeUndoRow(const LogLine& line) {
  UndoRow row;
  row.old_name = PathToCell(line.field2);
  row.extension.assign(1, u' ');
  row.folder = line.field3;
  row.new_name = PathToCell(line.field1);
  return row;
}

std::vector<UndoRow> ParseLogRows(std::string_view bytes) {
  std::vector<UndoRow> rows;
  std::size_t offset = 0;
  auto more = [&](std::string& buffer) {
    if (offset >= bytes.size()) return false;
    const std::string_view piece = bytes.substr(offset, kReadChunk);
    buffer.append(piece);
    offset += piece.size();
    return true;
  };
  ReadLogLines(more, [&rows](std::string_view line) {
    if (auto parsed = ParseLogLine(line)) rows.push_back(MakeUndoRow(*parsed));
  });
  return rows;
}

Result<std::vector<UndoRow>> LoadLogRows(FileSystem& fs, std::u16string_view program_folder,
                                         int slot) {
  if (slot < 0 || slot > kOldestLogSlot) {
    return MakeError(ErrorCode::kInvalidArgument, u"log slot out of range");
  }
  const std::u16string path = LogSlotPath(program_folder, slot);
  auto first = fs.ReadOwnFile(path, 0, kReadChunk);
  if (!first) return first.error();

  std::vector<UndoRow> rows;
  // Room for the rows at once, guessed from the log's size (fewer than one
  // line in kShortLine bytes is the rule; more only grow the vector). Room
  // never used costs no memory in use.
  constexpr std::uint64_t kShortLine = 40;
  if (auto info = fs.Stat(path); info && info->size / kShortLine < (1u << 22)) {
    rows.reserve(static_cast<std::size_t>(info->size / kShortLine));
  }
  std::optional<std::string> pending = std::move(first.value());
  std::uint64_t offset = 0;
  auto more = [&](std::string& buffer) {
    std::string piece;
    if (pending) {
      piece = std::move(*pending);
      pending.reset();
    } else {
      auto next = fs.ReadOwnFile(path, offset, kReadChunk);
      if (!next) return false;  // a read error ends the loading like the end of the file
      piece = std::move(next.value());
    }
    if (piece.empty()) return false;
    offset += piece.size();
    buffer += piece;
    return true;
  };
  ReadLogLines(more, [&rows](std::string_view line) {
    if (auto parsed = ParseLogLine(line)) rows.push_back(MakeUndoRow(*parsed));
  });
  return rows;
}

// ---- writing ----

RenameLog::RenameLog(FileSystem& fs, std::u16string program_folder)
    : fs_(fs),
      slot0_(LogSlotPath(program_folder, 0)),
      program_folder_(std::move(program_folder)) {}

RenameLog::~RenameLog() = default;

Status RenameLog::OpenLog() {
  if (file_) return MakeError(ErrorCode::kBusy, slot0_);
  // Another run's working log is never removed: that run would lose it.
  if (fs_.IsLocked(slot0_)) return MakeError(ErrorCode::kBusy, slot0_);
  // An interrupted run's log becomes slot 1 first; what is left over (an
  // empty log, or an entry that is no file of ours) is dropped, and a
  // failure shows in OpenAppend below.
  auto repaired = RepairInterruptedLog(fs_, program_folder_);
  if (repaired && repaired->found && !repaired->rotated) {
    return MakeError(ErrorCode::kIo,
                     u"an interrupted run's log could not be moved to slot 1: " + slot0_);
  }
  (void)fs_.RemoveFile(slot0_);
  auto opened = fs_.OpenAppend(slot0_, /*lock=*/true);
  if (!opened) return opened.error();
  std::unique_ptr<AppendFile> file = std::move(opened.value());
  // Another process may have made the file between the two calls.
  if (file->Size() != 0) {
    Status emptied = file->Truncate(0);
    if (!emptied) return emptied;
  }
  file_ = std::move(file);
  pending_start_.reset();
  return {};
}

Status RenameLog::BeginChange(std::string_view line) {
  if (!file_) return {};
  const std::uint64_t start = file_->Size();
  Status written = file_->Append(line);
  if (!written) {
    pending_start_.reset();
    if (file_->Size() != start) (void)file_->Truncate(start);
    return written;
  }
  pending_start_ = start;
  return {};
}

Status RenameLog::AbortChange() {
  if (!file_ || !pending_start_) return {};
  const std::uint64_t start = *pending_start_;
  pending_start_.reset();
  return file_->Truncate(start);
}

Status RenameLog::CloseAndRotate() {
  if (!file_) return {};
  pending_start_.reset();
  Status first;
  // Slot 0 is moved while still locked, so no other run can take it over
  // between the close and the rotation.
  if (file_->Size() > 0) {
    Note(first, file_->Sync());
    Note(first, RotateLogSlots(fs_, program_folder_));
  } else {
    Status removed = fs_.RemoveFile(slot0_);
    if (!IsNotFound(removed)) Note(first, std::move(removed));
  }
  file_.reset();
  return first;
}

Status RotateLogSlots(FileSystem& fs, std::u16string_view program_folder) {
  Status first;
  Status removed = fs.RemoveFile(LogSlotPath(program_folder, kOldestLogSlot));
  if (!IsNotFound(removed)) Note(first, std::move(removed));
  for (int n = kOldestLogSlot - 1; n >= 0; --n) {
    const std::u16string from = LogSlotPath(program_folder, n);
    const std::u16string to = LogSlotPath(program_folder, n + 1);
    Status moved = fs.RenameNoReplace(from, to);
    if (moved || IsNotFound(moved)) continue;  // a missing slot is skipped
    if (moved.error().code == ErrorCode::kExists) {
      // `to` was not vacated because its own move failed; it is the older log.
      Status cleared = fs.RemoveFile(to);
      moved = cleared || IsNotFound(cleared) ? fs.RenameNoReplace(from, to) : cleared;
    }
    Note(first, std::move(moved));
  }
  return first;
}

// ---- start-up repair ----

namespace {

// Settles the last line of an interrupted run: what the disk shows for the
// change before -> after. `replacement` receives a line to write instead.
LogRepairReport::LastLine JudgeLastChange(FileSystem& fs, const LogLine& line,
                                          std::string& replacement) {
  using LastLine = LogRepairReport::LastLine;
  if (line.field3 != kNormalKind) return LastLine::kKept;  // undo restores the logged state
  const std::u16string& before = line.field1;
  const std::u16string& after = line.field2;
  // A line no run writes (another folder, "." or "..") moves nothing.
  if (!IsSameFolderChange(before, after)) return LastLine::kKept;

  auto after_info = fs.Stat(after);
  if (after_info || after_info.error().code != ErrorCode::kNotFound) return LastLine::kKept;
  auto before_info = fs.Stat(before);
  if (before_info) return LastLine::kDropped;
  if (before_info.error().code != ErrorCode::kNotFound) return LastLine::kKept;

  for (const std::u16string& candidate : IntermediateCandidates(fs, before, after)) {
    if (!fs.Stat(candidate)) continue;
    if (fs.RenameNoReplace(candidate, before)) return LastLine::kMovedBack;
    replacement = FormatNormalLine(before, candidate);
    return LastLine::kRecordedTemp;
  }
  return LastLine::kKept;
}

// Where the bytes of a log end: a run killed while its log was mapped
// leaves the room it had mapped as zero bytes after them, and no line holds
// a zero byte. Read backwards, a piece at a time.
Result<std::uint64_t> EndOfData(FileSystem& fs, const std::u16string& path, std::uint64_t size) {
  std::uint64_t end = size;
  while (end > 0) {
    const std::uint64_t begin = end > kReadChunk ? end - kReadChunk : 0;
    auto read = fs.ReadOwnFile(path, begin, static_cast<std::size_t>(end - begin));
    if (!read) return read.error();
    const std::string& bytes = read.value();
    const std::size_t last = bytes.find_last_not_of('\0');
    if (last != std::string::npos) return begin + last + 1;
    end = begin;
  }
  return end;
}

}  // namespace

Result<LogRepairReport> RepairInterruptedLog(FileSystem& fs, std::u16string_view program_folder) {
  using LastLine = LogRepairReport::LastLine;
  LogRepairReport report;
  const std::u16string slot0 = LogSlotPath(program_folder, 0);

  auto info = fs.Stat(slot0);
  if (!info) {
    if (info.error().code == ErrorCode::kNotFound) return report;
    return info.error();
  }
  // A log is only ever a regular file; anything else is not read.
  if (info->is_directory || info->is_symlink) {
    report.refused = true;
    return report;
  }
  if (fs.IsLocked(slot0)) return report;

  auto opened = fs.OpenAppend(slot0, /*lock=*/true);
  if (!opened) {
    if (opened.error().code == ErrorCode::kBusy) return report;  // a run took it meanwhile
    report.refused = opened.error().code == ErrorCode::kPermission;
    if (report.refused) return report;
    return opened.error();
  }
  std::unique_ptr<AppendFile> file = std::move(opened.value());
  if (file->Size() == 0) {
    (void)fs.RemoveFile(slot0);  // a run that stopped before its first change
    return report;
  }
  report.found = true;

  const std::uint64_t size = file->Size();
  auto data_end = EndOfData(fs, slot0, size);
  if (!data_end) return data_end.error();
  const std::uint64_t end = *data_end;
  const std::uint64_t tail_start = end > kRepairTail ? end - kRepairTail : 0;
  auto read = fs.ReadOwnFile(slot0, tail_start, static_cast<std::size_t>(end - tail_start));
  if (!read) return read.error();
  const std::string_view tail = read.value();

  // The log is kept up to its last line feed; what follows is a torn write.
  std::uint64_t new_end = end;
  std::string replacement;
  const std::size_t last_lf = tail.rfind('\n');
  if (last_lf == std::string_view::npos) {
    if (tail_start == 0) new_end = 0;
  } else {
    new_end = tail_start + last_lf + 1;
    const std::size_t previous = last_lf == 0 ? std::string_view::npos : tail.rfind('\n', last_lf - 1);
    if (previous != std::string_view::npos || tail_start == 0) {
      const std::size_t line_begin = previous == std::string_view::npos ? 0 : previous + 1;
      report.last_line = LastLine::kKept;
      if (auto line = ParseLogLine(tail.substr(line_begin, last_lf + 1 - line_begin))) {
        report.last_line = JudgeLastChange(fs, *line, replacement);
      }
      if (report.last_line != LastLine::kKept) new_end = tail_start + line_begin;
    }
  }
  report.cut_torn_tail =
      end < size ||
      (last_lf == std::string_view::npos ? tail_start == 0 : tail_start + last_lf + 1 < end);

  if (new_end < size) {
    Status cut = file->Truncate(new_end);
    if (!cut) {
      report.rewrite_failed = true;
    } else if (!replacement.empty() && !file->Append(replacement)) {
      report.rewrite_failed = true;
    }
  }
  (void)file->Sync();

  if (file->Size() > 0) {
    (void)RotateLogSlots(fs, program_folder);
    report.rotated = !fs.Stat(slot0);
  } else {
    (void)fs.RemoveFile(slot0);
  }
  return report;
}

bool InterruptedLogAwaits(FileSystem& fs, std::u16string_view program_folder) {
  const std::u16string slot0 = LogSlotPath(program_folder, 0);
  auto info = fs.Stat(slot0);
  return info && !info->is_directory && !info->is_symlink && info->size > 0 &&
         !fs.IsLocked(slot0);
}

}  // namespace tessivo
