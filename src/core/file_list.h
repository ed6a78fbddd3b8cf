#pragma once
// FileList: the ordered rows the user works on, and the operations every
// other part uses to read and change them.
//
// Order is display order and processing order. Rows live by value in one
// vector; each row is a FileItem (cells, FileStatus, selection and focus).
// Which optional columns exist (size, date), in which unit sizes show and
// which time the date column shows come in as FileListOptions, copied from
// the settings by the owner; the list keeps no reference to the settings.
//
// Guarantees:
// - Every cell is cut to its limit (259 code units) when written, and the
//   size and date cells hold text only while their column is shown.
// - Out-of-range rows are never touched: getters give empty text or
//   kUnchecked, setters do nothing.
// - Operations that can take a while (DeleteSelected, ClearAll, SelectAll,
//   InvertSelection) show their notice through the StatusSink, if one is set,
//   and put the previous notice back afterwards.
// - The list borrows its StatusSink and ListPanelLink: both must outlive it
//   or be reset to null first.
//
// Not thread-safe; the program uses it from its one thread.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_item.h"
#include "base/result.h"
#include "platform/file_system.h"

namespace tessivo {

class Messenger;
class StatusSink;

// The list-size steps that `maxfilenum` indexes; 50000 is the absolute limit.
inline constexpr std::array<int, 7> kMaxFileSteps = {1000, 2000, 5000, 10000, 20000, 30000, 50000};
inline constexpr int kMaxFileIndexLast = 6;
inline constexpr int kAbsoluteMaxFiles = 50000;

// The row limit of `max_file_index` (clamped to 0..6).
int MaxFileCount(int max_file_index);

// Asks what to do when a scan finds the list full. Below index 3 it offers to
// raise the limit (kind 2, Yes/No): Yes raises `max_file_index` by one and
// returns true (the scan goes on). From index 3 on it only says the list is
// full (kind 8) and returns false, as does a No. The caller stores the index
// back into the settings.
bool AskToRaiseMaxFiles(Messenger& messenger, int& max_file_index);

// Units of the size column (`dispinkb`).
enum SizeUnit : int { kSizeInBytes = 0, kSizeInKb = 1, kSizeInMb = 2 };
// Which time the date column shows (`columndate`).
enum DateKind : int { kDateCreation = 0, kDateLastWrite = 1 };

// The size cell text of a file of `size` bytes: right-aligned in a field of
// 13 (bytes) or 11 (KB, MB) characters with ',' group separators, or
// ">=%N.1f G" from 10,000,000,000 bytes on. An out-of-range unit counts as
// bytes.
std::u16string FormatSizeText(std::uint64_t size, int unit);

// Reads the size of `path` and writes its cell text into `out`. Returns the
// size; a path that cannot be looked up counts as 0 bytes.
std::uint64_t SizeText(FileSystem& fs, const std::u16string& path, int unit, std::u16string& out);

// "%4d/%02d/%02d %02d:%02d:%02d" of `time` in local time, with the offset in
// force at that date. Empty if the time cannot be converted.
std::u16string FormatDateText(FileTime time);

// Writes the date cell text of `path` (its creation or last-write time by
// `date_kind`) into `out`. Returns 0, or 1 when the path cannot be found
// (`out` is then left alone).
int DateText(FileSystem& fs, const std::u16string& path, int date_kind, std::u16string& out);

// The settings values the list works with.
struct FileListOptions {
  bool size_column = true;         // listcols1
  bool date_column = true;         // listcols2
  int size_unit = kSizeInBytes;    // dispinkb
  int date_kind = kDateLastWrite;  // columndate
  int max_file_index = 1;          // maxfilenum
  bool folders = false;            // file_dir: the list holds folders
};

// The two mode-panel fields the list keeps in step with its rows.
class ListPanelLink {
 public:
  virtual ~ListPanelLink() = default;
  // The longest old name in the list, the template of position edit.
  virtual void SetSampleName(std::u16string_view name) = 0;
  // Empties the sample-name field and the extension field of the extension mode.
  virtual void ClearNameFields() = 0;
};

// The paths listed when a batch of additions starts, for the duplicate
// check. Holds its own copy: rows added later in the batch are not in it.
class PathIndex {
 public:
  PathIndex() = default;

  // The first row whose folder + old name names the same entry as `path`,
  // or -1: equal code units, or, where the folder (the path up to its last
  // "/") ignores letter case, equal after simple upper-case mapping per code
  // unit. An empty path counts as found at row 0. A path of 260 or more code
  // units is never found, and rows whose path is that long are never matched.
  int Find(std::u16string_view path) const;

  // Number of rows indexed (long paths included, as empty entries).
  int size() const { return rows_; }

 private:
  friend class FileList;
  void Build(const std::vector<FileItem>& rows, NameRulesCache& rules);
  std::uint32_t Probe(std::u16string_view key, std::size_t hash) const;

  int rows_ = 0;
  NameRulesCache* rules_ = nullptr;
  std::u16string keys_;                  // paths, upper-cased where case is ignored, back to back
  std::vector<std::uint32_t> key_end_;   // end of each indexed entry in keys_
  std::vector<std::int32_t> entry_row_;  // row of each indexed entry
  std::vector<std::uint32_t> slots_;     // open addressing: entry + 1, 0 = free
};

class FileList {
 public:
  enum MoveDirection : int { kMoveUp = 0, kMoveDown = 1 };
  // How DeleteSelected removes rows; kAuto compacts from 500 selected rows on.
  enum class DeleteStrategy { kAuto, kCompact, kOneByOne };
  static constexpr int kCompactFrom = 500;

  explicit FileList(FileListOptions options = {}) : options_(options) {}

  const FileListOptions& options() const { return options_; }
  // Takes new options. A column switched off loses its texts; after switching
  // one on or changing the unit, call RefreshSizeDate(-1, fs).
  void SetOptions(const FileListOptions& options);

  void set_status_sink(StatusSink* sink) { status_ = sink; }
  void set_panel_link(ListPanelLink* link) { panel_ = link; }
  bool undo_mode() const { return undo_mode_; }
  void set_undo_mode(bool on) { undo_mode_ = on; }

  int Count() const { return static_cast<int>(rows_.size()); }
  // The row itself; `row` must be in range.
  const FileItem& Item(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  void Reserve(int rows) { rows_.reserve(static_cast<std::size_t>(rows)); }
  std::size_t Capacity() const { return rows_.capacity(); }

  // Columns as the view numbers them: 0..3 fixed, then size and date when on.
  int ColumnCount() const;
  std::optional<Cell> CellOfColumn(int column) const;
  // The column showing `cell`, or -1 when that column is off.
  int ColumnOf(Cell cell) const;

  // Inserts a row at `index` (clamped to 0..Count(); callers append). The
  // size and date texts are kept only while their columns are shown.
  void AddRow(std::u16string_view name, std::u16string_view extension, std::u16string_view folder,
              std::u16string_view new_name, std::u16string_view size_text,
              std::u16string_view date_text, int index, FileStatus status = FileStatus::kUnchecked);

  // Cell text by view column; empty for a row or column out of range.
  std::u16string_view GetText(int row, int column) const;
  void SetText(int row, int column, std::u16string_view text);
  // Cell text by cell; writing a size or date cell whose column is off does nothing.
  std::u16string_view GetCell(int row, Cell cell) const;
  void SetCell(int row, Cell cell, std::u16string_view text);
  // Folder + old name of a row; empty when out of range.
  std::u16string FullPath(int row) const;

  FileStatus GetFileStatus(int row) const;
  void SetFileStatus(int row, FileStatus status);
  bool IsSelected(int row) const;
  void SetSelected(int row, bool on);
  int SelectedCount() const;
  // The focused row, or -1.
  int FocusedRow() const;
  // Moves the focus to `row` (-1: no row has it).
  void SetFocusedRow(int row);

  // A PathIndex of the rows present. kNoSpace when memory cannot be had; the
  // caller then shows message kind 3 and abandons the addition.
  // `rules` tells which folders ignore case; it must outlive the index.
  Result<PathIndex> BuildPathIndex(NameRulesCache& rules) const;

  // Removes the selected rows. Returns true when rows were removed, false
  // when none was. When every row is selected this is ClearAll. Afterwards the sample
  // name is updated (outside undo mode) and the row now at the index of the
  // first removed row (row 0 when none) is selected and focused.
  bool DeleteSelected(DeleteStrategy strategy = DeleteStrategy::kAuto);
  // Removes every row and empties the two name fields of the mode panel.
  void ClearAll();
  // Removes the one row `row` (nothing for a row out of range); the other
  // rows keep their order, selection and focus.
  void RemoveRow(int row);
  // Moves each selected row, or each run of adjacent selected rows as a
  // block, one place up or down; a row or block at that edge stays.
  void MoveSelected(int direction);
  void SelectAll();
  void InvertSelection();
  // Reorders the rows so that row i becomes the former row order[i]; each
  // row keeps its cells, status, selection and focus. Returns false, and
  // changes nothing, when `order` is not a permutation of 0..Count()-1 or
  // memory runs short.
  bool Permute(const std::vector<int>& order);

  // Rewrites the size and date cells of `row`, or of every row for -1, from
  // the disk: only rows whose path is a file, in a list of files, and only
  // the cells whose column is on. Returns 1 when `row` is below -1 or not
  // below Count(), else 0.
  int RefreshSizeDate(int row, FileSystem& fs);

  // Hands the longest old name (the first on a tie) to the panel link.
  // Does nothing in undo mode, with an empty list or without a link.
  void UpdateSampleName();

 private:
  bool InRange(int row) const { return row >= 0 && row < Count(); }
  bool CellShown(Cell cell) const;
  // Moves the row at `from` so that it ends at `to`, the rows between
  // shifting by one.
  void MoveRow(int from, int to);
  void DeleteCompact();
  void DeleteOneByOne();

  std::vector<FileItem> rows_;
  FileListOptions options_;
  StatusSink* status_ = nullptr;
  ListPanelLink* panel_ = nullptr;
  bool undo_mode_ = false;
};

}  // namespace tessivo
