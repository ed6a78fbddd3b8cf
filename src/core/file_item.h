#pragma once
// FileItem: one row of the file list, and FileStatus, the mark a row carries.
//
// A row is its text cells (old name, extension, folder, new name, size text,
// date text), a FileStatus and the view's selection and focus flags. Nothing
// else is kept: sizes and dates exist only as their display text.
//
// The six cells are kept in one string with their end offsets, so a row costs
// one heap block and moves as cheaply as a single string. Every cell is cut to
// its limit when written (259 code units; the size text to 23).
//
// The status codes and their legend texts are shown to the user and travel
// through rename logs: do not renumber them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessivo {

// The mark of a row: validation, execution, undo and narrowing set it.
enum class FileStatus : std::uint8_t {
  kUnchecked = 0,     // new rows
  kPathTooLong = 1,   // folder + new name is 256 characters or longer
  kInvalidName = 2,   // new name empty or holding " : / ? < > | *
  kTargetExists = 3,  // a file or folder with the new name exists
  kBackslash = 4,     // new name holds a backslash
  kBadCharacter = 5,  // new name starts with '.' or holds ',' or ';'
  kUnchanged = 6,     // new name equals the old name
  kChangeable = 7,
  kChanged = 8,
  kToRestore = 9,       // loaded from the log, to be restored by undo
  kSourceMissing = 10,  // folder + old name does not exist
  kFailed = 11,
  kExcluded = 12,  // left out by the narrowing filter
};
inline constexpr int kFileStatusCount = 13;

// The codes in the order the legend lists them (code 0 has no entry).
inline constexpr std::array<FileStatus, 12> kLegendOrder = {
    FileStatus::kPathTooLong,   FileStatus::kInvalidName, FileStatus::kTargetExists,
    FileStatus::kSourceMissing, FileStatus::kBackslash,   FileStatus::kBadCharacter,
    FileStatus::kUnchanged,     FileStatus::kChangeable,  FileStatus::kExcluded,
    FileStatus::kChanged,       FileStatus::kFailed,      FileStatus::kToRestore,
};

// The legend text of a status; empty for kUnchecked and for codes out of range.
std::u16string_view LegendText(FileStatus status);

// The status with code `code`. A code outside 0..12 gives kUnchecked and sets
// *valid (when given) to false.
FileStatus FileStatusFromCode(int code, bool* valid = nullptr);

// The cells of a row, in column order when both optional columns are shown.
enum class Cell : std::uint8_t { kName, kExtension, kFolder, kNewName, kSize, kDate };
inline constexpr int kCellCount = 6;

// Longest text a cell keeps, in UTF-16 code units.
inline constexpr std::size_t kCellLimit = 259;
inline constexpr std::size_t kSizeCellLimit = 23;

inline constexpr std::size_t CellLimit(Cell cell) {
  return cell == Cell::kSize ? kSizeCellLimit : kCellLimit;
}

class FileItem {
 public:
  FileItem() = default;

  std::u16string_view Get(Cell cell) const {
    const int i = static_cast<int>(cell);
    const std::size_t begin = i == 0 ? 0 : end_[i - 1];
    return std::u16string_view(text_).substr(begin, end_[i] - begin);
  }

  // Replaces one cell, cutting `value` to the cell's limit.
  void Set(Cell cell, std::u16string_view value);

  // Replaces all six cells at once (each cut to its limit); the fast path of
  // adding a row.
  void SetAll(std::u16string_view name, std::u16string_view extension, std::u16string_view folder,
              std::u16string_view new_name, std::u16string_view size_text,
              std::u16string_view date_text);

  FileStatus status() const { return status_; }
  void set_status(FileStatus status) { status_ = status; }
  bool selected() const { return selected_; }
  void set_selected(bool on) { selected_ = on; }
  bool focused() const { return focused_; }
  void set_focused(bool on) { focused_ = on; }

  // Folder + old name, the path the row stands for.
  std::u16string FullPath() const {
    std::u16string path(Get(Cell::kFolder));
    path.append(Get(Cell::kName));
    return path;
  }

  friend bool operator==(const FileItem&, const FileItem&) = default;

 private:
  std::u16string text_;                          // the cells, back to back
  std::array<std::uint16_t, kCellCount> end_{};  // end offset of each cell in text_
  FileStatus status_ = FileStatus::kUnchecked;
  bool selected_ = false;
  bool focused_ = false;
};

}  // namespace tessivo
