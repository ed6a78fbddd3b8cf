#pragma once
// RenameLog: the log of the changes an execution run makes, and the files of
// the last nine runs that undo reads back.
//
// Files live in the program folder as "rename<n>.log". Slot 0 is the working
// file of the run in progress, slots 1..9 the nine most recent runs that
// logged at least one change (1 the newest). There is never a slot 10.
//
// Crash safety: a run holds an exclusive lock on slot 0 and writes each
// change's line ahead of the change, in one write (BeginChange); when the
// change fails the file is cut back to its former length (AbortChange). So a
// run that ends normally leaves exactly one line per change made, and a run
// that is killed leaves at most its last line in doubt. Before the next run
// that changes files RepairInterruptedLog settles that line (against the
// disk and the temporary names of platform/temp_name.h) and rotates the log
// into slot 1, so undo can always bring every file back.
//
// The slot files are data, never followed: they are read and written only
// as regular files of the user, reached without following a symbolic link
// (FileSystem::ReadOwnFile, OpenAppend, created 0600).
//
// Stored format (files move between systems; do not change): code page 932
// text, lines end in CR LF, no header or trailer. Each line is three fields
// in double quotes, separated by commas:
//   "<before>","<after>","<NORMAL>"                       rename or move
//   "<path>","<作成：YYYY/MM/DD hh:mm:ss, 更新：YYYY/MM/DD hh:mm:ss>","<TIMESTAMP>"
//   "<path>","<読：Y, 隠：N, ア：Y, シ：N>","<ATTRIBUTE>"
// Lines are written with the "\u" escapes of config/encoding.h (a character
// the code page lacks survives). Within a path, a line break, a '"' and a
// backslash that would read as the start of an escape are written as their
// escapes too, so every path reads back exactly; a line of paths the code
// page holds is byte for byte the plain conversion. Times are local time,
// the state before the change; flags are read-only, hidden, archive, system.
//
// Paths use "/"; folder parts end in "/".

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_item.h"
#include "base/result.h"
#include "platform/file_system.h"

namespace tessivo {

inline constexpr int kNewestLogSlot = 1;
inline constexpr int kOldestLogSlot = 9;

// Loading limits of a log line and its fields, the same for logs written on
// Windows. The number of lines has no limit: a run of many swaps writes more
// lines than it changed files, and all must be undone.
inline constexpr std::size_t kMaxLogLineBytes = 5200;   // through the line feed
inline constexpr std::size_t kMaxLogFieldBytes = 1556;
inline constexpr std::size_t kLogFieldCapacity = 260;   // at most 259 code units
inline constexpr std::size_t kLogLineCapacity = 4680;   // escape capacity of a line

inline constexpr std::u16string_view kNormalKind = u"<NORMAL>";
inline constexpr std::u16string_view kTimestampKind = u"<TIMESTAMP>";
inline constexpr std::u16string_view kAttributeKind = u"<ATTRIBUTE>";

// Character offsets of the two times in a timestamp field and of the four
// flags in an attribute field, counted from its "<".
inline constexpr std::size_t kCreationTimeOffset = 4;
inline constexpr std::size_t kLastWriteTimeOffset = 28;
inline constexpr std::size_t kAttributeFlagOffsets[4] = {3, 8, 13, 18};

// The file of `slot` (0..9): program folder + "rename<slot>.log". A "/" is
// put between them when the folder does not end in one.
std::u16string LogSlotPath(std::u16string_view program_folder, int slot);

// ---- line formats ----

// A calendar time as a log line shows it (local time).
struct LogDateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const LogDateTime&, const LogDateTime&) = default;
};

// One line of each kind, as stored bytes ending in CR LF, escaped within
// kLogLineCapacity code units; should that cut it (paths far beyond the
// program's 259-unit limit), it still ends in CR LF.
std::string FormatNormalLine(std::u16string_view before, std::u16string_view after);
// FormatNormalLine into `line`, replacing what it held (a run reuses one).
// Returns true when the line is known to read back as `before` and `after`
// (both plain ASCII without quotes or backslashes, each shorter than a
// field's capacity), so LineReadsBack would say yes; false leaves that
// question to LineReadsBack.
bool FormatNormalLine(std::u16string_view before, std::u16string_view after, std::string& line);
std::string FormatTimestampLine(std::u16string_view path, const LogDateTime& creation,
                                const LogDateTime& last_write);
// `attributes` holds the attr:: bits before the change.
std::string FormatAttributeLine(std::u16string_view path, std::uint32_t attributes);

// Whether `line` reads back (ParseLogLine) with exactly `field1`, and
// `field2` unless that is empty: a change whose line would not is never
// made, as undo could not find its file.
bool LineReadsBack(std::string_view line, std::u16string_view field1,
                   std::u16string_view field2);

// Reads a time written as "YYYY/MM/DD hh:mm:ss" at `offset` of `text`.
// nullopt unless digits stand at offsets 0-3, 5-6, 8-9, 11-12, 14-15, 17-18
// and ':' at 13 and 16 (the other separators are not checked). The values
// are not range-checked.
std::optional<LogDateTime> ParseLogTime(std::u16string_view text, std::size_t offset);

// The three decoded fields of one line.
struct LogLine {
  std::u16string field1;  // the path before the change (what undo restores)
  std::u16string field2;  // the path after it, or the time/attribute field
  std::u16string field3;  // the kind
};

// Splits one line (its bytes, line feed included or not) into its fields:
// the bytes between the 1st and 2nd, 3rd and 4th, 5th and 6th '"', each cut
// to kMaxLogFieldBytes and decoded with the escapes into at most 259 code
// units. nullopt when the line has fewer than six '"'.
std::optional<LogLine> ParseLogLine(std::string_view line);

// Whether `path` is a full path without "." or ".." components.
bool IsPlainFullPath(std::u16string_view path);
// Whether a logged rename before -> after is one a run can have made: two
// plain full paths of names in the same folder. No run moves a file to
// another folder, so undo and the repair act on no other line.
bool IsSameFolderChange(std::u16string_view before, std::u16string_view after);

// ---- undo rows ----

// One row of the list while undo is shown, before it enters the list.
struct UndoRow {
  std::u16string old_name;   // where the file is now: "name : folder", or a "<...>" field
  std::u16string extension;  // a single space
  std::u16string folder;     // the kind, shown under the header "<備考>"
  std::u16string new_name;   // what undo restores: "name : folder"
  FileStatus status = FileStatus::kToRestore;
};

// "/a/b/c.txt" -> "c.txt : /a/b/". A text beginning with '<' stays as it is.
std::u16string PathToCell(std::u16string_view path);
// The reverse: "c.txt : /a/b/" -> "/a/b/c.txt". The separator is the first
// " : /" (a name holds no '/', so a name containing " : " splits right),
// else the first " : "; a text without one stands as it is.
std::u16string CellToPath(std::u16string_view cell);

UndoRow MakeUndoRow(const LogLine& line);

// The rows of a log held in memory, with the loading limits: every line
// (however many); a line ends at its line feed; kMaxLogLineBytes bytes
// without a line feed (the end of the file without one too) end the
// loading; a line with fewer than six '"' gives no row.
std::vector<UndoRow> ParseLogRows(std::string_view bytes);

// The rows of slot `slot` (1..9), read in pieces (never more than the
// limits allow). Returns the error of the first read (kNotFound when the
// file is missing: "can't open"); a read error later ends the loading like
// the end of the file. An empty vector is a log without rows.
Result<std::vector<UndoRow>> LoadLogRows(FileSystem& fs, std::u16string_view program_folder,
                                         int slot);

// ---- writing ----

// The log of one execution run. Not thread-safe. The FileSystem must outlive
// it. Destroying an open log without CloseAndRotate leaves slot 0 behind as
// an interrupted run's log, for RepairInterruptedLog.
class RenameLog {
 public:
  RenameLog(FileSystem& fs, std::u16string program_folder);
  ~RenameLog();
  RenameLog(const RenameLog&) = delete;
  RenameLog& operator=(const RenameLog&) = delete;

  // Starts the run's log: settles an interrupted run's log left at slot 0
  // (RepairInterruptedLog), removes what else is left there and opens it
  // anew, empty and locked. kBusy (nothing touched) when another process
  // holds slot 0; kIo (slot 0 kept) when an interrupted run's log could not
  // be moved to slot 1; any other error when it cannot be made. On failure
  // the other calls do nothing and succeed.
  Status OpenLog();
  bool is_open() const { return file_ != nullptr; }

  // Appends `line` (one of the Format*Line results) in one write, ahead of
  // the change it describes. On failure nothing of it stays in the file (a
  // partial write is cut off again) and the error is returned; the caller
  // decides whether to make the change unlogged. A line that is neither
  // aborted nor followed by another stays: the change counts as made.
  Status BeginChange(std::string_view line);
  // Cuts the file back to its length before the last BeginChange, when the
  // change failed. Does nothing when there is no such line. When the cut
  // fails the stale line stays (its reverse meets an existing source and
  // fails harmlessly at undo) and the error is returned.
  Status AbortChange();

  // Ends the run: syncs the file; if it holds at least one line, rotates the
  // slots (slot 0 becomes slot 1, slot 9 is dropped), else removes slot 0;
  // then releases the lock. If slot 0 could not be moved to slot 1 it is
  // kept and the next start's repair rotates it. Returns the first error.
  // Does nothing when the log is not open.
  Status CloseAndRotate();

 private:
  FileSystem& fs_;
  std::u16string slot0_;
  std::u16string program_folder_;
  std::unique_ptr<AppendFile> file_;
  std::optional<std::uint64_t> pending_start_;  // length before the last BeginChange
};

// Moves slot n to n + 1 for n = 8 .. 0 after removing slot 9; a missing slot
// is skipped. A destination that is still there (its own move failed) is
// removed before the move, so the failure costs the oldest log rather than
// a newer one. Returns the first error; slot 0 is only ever renamed, never
// removed, here.
Status RotateLogSlots(FileSystem& fs, std::u16string_view program_folder);

// ---- start-up repair ----

struct LogRepairReport {
  enum class LastLine {
    kNone,         // no log to repair, or no last line to judge
    kKept,         // the change happened, is not a rename, or cannot be judged
    kDropped,      // it did not happen: "after" missing, "before" there
    kMovedBack,    // the file was under an intermediate name and is back at "before"
    kRecordedTemp, // it could not be moved back: the line now reads before -> temp name
  };
  bool found = false;          // slot 0 held an interrupted run's log
  bool refused = false;        // slot 0 is no regular file of the user: not read
  bool cut_torn_tail = false;  // bytes after the last line feed were cut off
  LastLine last_line = LastLine::kNone;
  bool rewrite_failed = false; // the file could not be cut or the replacement written
  bool rotated = false;        // the log is now slot 1
};

// Run before a run that changes files (RenameLog::OpenLog, an undo), never
// in a dry run, before the slots are read. When slot 0 is a non-empty
// regular file of the user and no process holds its lock: cuts a torn last
// line, settles the last complete line (see LogRepairReport; only a rename
// within one folder is acted on), then rotates the log into slot 1 as a
// normal run's end would (an empty result is removed instead). Nothing is
// done when slot 0 is missing, locked or refused (a symbolic link or
// anything but a regular file of the user is never read or written).
// Returns an error only when slot 0 could not be examined; the report tells
// what was done.
Result<LogRepairReport> RepairInterruptedLog(FileSystem& fs, std::u16string_view program_folder);

// Whether slot 0 holds an interrupted run's log that RepairInterruptedLog
// would settle (a dry run says so and leaves it).
bool InterruptedLogAwaits(FileSystem& fs, std::u16string_view program_folder);

}  // namespace tessivo
