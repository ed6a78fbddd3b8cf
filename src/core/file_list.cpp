#include "core/file_list.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <new>

#include "core/message.h"
#include "core/status_sink.h"

namespace tessivo {

namespace {

// What a row's text keeps free beyond its old name for the new one.
constexpr std::size_t kNewNameSlack = 8;

// A path of this many code units does not fit the 260-unit buffers the
// duplicate check compares in.
constexpr std::size_t kPathBuffer = 260;

std::u16string_view Cut(std::u16string_view text, std::size_t limit) {
  return text.size() > limit ? text.substr(0, limit) : text;
}

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (; *text != '\0'; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

// Simple upper-case mapping of one code unit; never changes the length.
char16_t UpperUnit(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
  const UChar32 upper = u_toupper(c);
  return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

}  // namespace

// ---- FileItem and FileStatus ----

std::u16string_view LegendText(FileStatus status) {
  switch (status) {
    case FileStatus::kPathTooLong:
      return Text(MessageId::kLegendPathTooLong);
    case FileStatus::kInvalidName:
      return Text(MessageId::kLegendInvalidName);
    case FileStatus::kTargetExists:
      return Text(MessageId::kLegendTargetExists);
    case FileStatus::kSourceMissing:
      return Text(MessageId::kLegendSourceMissing);
    case FileStatus::kBackslash:
      return Text(MessageId::kLegendBackslash);
    case FileStatus::kBadCharacter:
      return Text(MessageId::kLegendBadCharacter);
    case FileStatus::kUnchanged:
      return Text(MessageId::kLegendUnchanged);
    case FileStatus::kChangeable:
      return Text(MessageId::kLegendChangeable);
    case FileStatus::kExcluded:
      return Text(MessageId::kLegendExcluded);
    case FileStatus::kChanged:
      return Text(MessageId::kLegendChanged);
    case FileStatus::kFailed:
      return Text(MessageId::kLegendFailed);
    case FileStatus::kToRestore:
      return Text(MessageId::kLegendToRestore);
    case FileStatus::kUnchecked:
      break;
  }
  return {};
}

FileStatus FileStatusFromCode(int code, bool* valid) {
  const bool ok = code >= 0 && code < kFileStatusCount;
  if (valid != nullptr) *valid = ok;
  return ok ? static_cast<FileStatus>(code) : FileStatus::kUnchecked;
}

void FileItem::Set(Cell cell, std::u16string_view value) {
  value = Cut(value, CellLimit(cell));
  const int i = static_cast<int>(cell);
  const std::size_t begin = i == 0 ? 0 : end_[i - 1];
  const std::size_t old_length = end_[i] - begin;
  text_.replace(begin, old_length, value);
  const int delta = static_cast<int>(value.size()) - static_cast<int>(old_length);
  for (int j = i; j < kCellCount; ++j) {
    end_[j] = static_cast<std::uint16_t>(end_[j] + delta);
  }
}

void FileItem::SetAll(std::u16string_view name, std::u16string_view extension,
                      std::u16string_view folder, std::u16string_view new_name,
                      std::u16string_view size_text, std::u16string_view date_text) {
  const std::array<std::u16string_view, kCellCount> cells = {
      Cut(name, kCellLimit),     Cut(extension, kCellLimit),     Cut(folder, kCellLimit),
      Cut(new_name, kCellLimit), Cut(size_text, kSizeCellLimit), Cut(date_text, kCellLimit)};
  std::size_t total = 0;
  for (const auto& c : cells) total += c.size();
  text_.clear();
  // Room for a new name a little longer than the old one, which a preview
  // will write into the row: it then needs no second allocation.
  text_.reserve(total + (new_name.empty() ? cells[0].size() + kNewNameSlack : 0));
  for (int i = 0; i < kCellCount; ++i) {
    text_.append(cells[i]);
    end_[i] = static_cast<std::uint16_t>(text_.size());
  }
}

// ---- capacity ----

int MaxFileCount(int max_file_index) {
  return kMaxFileSteps[static_cast<std::size_t>(std::clamp(max_file_index, 0, kMaxFileIndexLast))];
}

bool AskToRaiseMaxFiles(Messenger& messenger, int& max_file_index) {
  const int index = std::clamp(max_file_index, 0, kMaxFileIndexLast);
  if (index < 3) {
    if (messenger.ShowMessage(MessageKind::kOfferMoreFiles, static_cast<unsigned>(index), {}, {},
                              kLevelQuestion) ==
        kAnswerYes) {
      max_file_index = index + 1;
      return true;
    }
    return false;
  }
  messenger.ShowMessage(MessageKind::kListFull, static_cast<unsigned>(index), {}, {},
                        index >= kMaxFileIndexLast ? kLevelError : kLevelInfo);
  return false;
}

// ---- size and date texts ----

std::u16string FormatSizeText(std::uint64_t size, int unit) {
  if (unit != kSizeInKb && unit != kSizeInMb) unit = kSizeInBytes;
  const int width = unit == kSizeInBytes ? 13 : 11;
  const std::size_t suffix = unit == kSizeInBytes ? 0 : 2;
  // Rounded up without overflowing near the top of the range.
  const std::uint64_t kb = size / 1024 + (size % 1024 != 0 ? 1 : 0);
  const std::uint64_t mb = size / 1048576;

  char text[48];
  if (size / 100000 >= 100000) {
    // Integer steps truncate to one decimal before the last division.
    const double g = static_cast<double>((kb / 1024) / 100) / 10.0;
    std::snprintf(text, sizeof text, ">=%*.1f G", width - 4, g);
    return Ascii(text);
  }
  switch (unit) {
    case kSizeInKb:
      std::snprintf(text, sizeof text, "%llu K", static_cast<unsigned long long>(kb));
      break;
    case kSizeInMb:
      std::snprintf(text, sizeof text, "%llu M", static_cast<unsigned long long>(mb < 2 ? 1 : mb));
      break;
    default:
      std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(size));
      break;
  }

  // Filled from the right end; a ',' goes between every third digit and the
  // digit before it.
  std::u16string field(static_cast<std::size_t>(width), u' ');
  const std::string_view source(text);
  int pos = width - 1;
  std::size_t i = source.size();
  for (std::size_t s = 0; s < suffix; ++s) field[static_cast<std::size_t>(pos--)] = source[--i];
  int digits_in_group = 0;
  while (i > 0 && pos >= 0) {
    if (digits_in_group == 3) {
      field[static_cast<std::size_t>(pos--)] = u',';
      digits_in_group = 0;
      if (pos < 0) break;
    }
    field[static_cast<std::size_t>(pos--)] = static_cast<char16_t>(source[--i]);
    ++digits_in_group;
  }
  return field;
}

std::uint64_t SizeText(FileSystem& fs, const std::u16string& path, int unit, std::u16string& out) {
  const Result<FileInfo> info = fs.Stat(path);
  const std::uint64_t size = info ? info->size : 0;
  out = FormatSizeText(size, unit);
  return size;
}

std::u16string FormatDateText(FileTime time) {
  const std::time_t unix_seconds = static_cast<std::time_t>(UnixSecondsOf(time));
  std::tm local{};
  if (localtime_r(&unix_seconds, &local) == nullptr) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%4d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return Ascii(text);
}

int DateText(FileSystem& fs, const std::u16string& path, int date_kind, std::u16string& out) {
  const Result<FileInfo> info = fs.Stat(path);
  if (!info) return 1;
  out = FormatDateText(date_kind == kDateCreation ? info->creation_time : info->last_write_time);
  return 0;
}

// ---- PathIndex ----

namespace {

// The folder part of a path: up to and with its last "/".
std::u16string_view FolderPart(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'/');
  return slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash + 1);
}

}  // namespace

void PathIndex::Build(const std::vector<FileItem>& rows, NameRulesCache& rules) {
  rows_ = static_cast<int>(rows.size());
  rules_ = &rules;
  std::size_t total = 0;
  for (const FileItem& row : rows) {
    total += row.Get(Cell::kFolder).size() + row.Get(Cell::kName).size();
  }
  keys_.reserve(total);
  key_end_.reserve(rows.size());
  entry_row_.reserve(rows.size());

  std::size_t slot_count = 16;
  while (slot_count < rows.size() * 2) slot_count *= 2;
  slots_.assign(slot_count, 0);

  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::u16string_view folder = rows[r].Get(Cell::kFolder);
    const std::u16string_view name = rows[r].Get(Cell::kName);
    const std::size_t length = folder.size() + name.size();
    if (length == 0 || length >= kPathBuffer) continue;  // an empty entry
    const std::size_t begin = keys_.size();
    keys_.append(folder).append(name);
    const std::u16string_view path = std::u16string_view(keys_).substr(begin);
    if (rules.Of(FolderPart(path)).ignores_case) {
      for (std::size_t i = begin; i < keys_.size(); ++i) keys_[i] = UpperUnit(keys_[i]);
    }
    const std::u16string_view key = std::u16string_view(keys_).substr(begin);
    const std::uint32_t slot = Probe(key, std::hash<std::u16string_view>{}(key));
    if (slots_[slot] != 0) {  // the same path again: the first row stays
      keys_.resize(begin);
      continue;
    }
    key_end_.push_back(static_cast<std::uint32_t>(keys_.size()));
    entry_row_.push_back(static_cast<std::int32_t>(r));
    slots_[slot] = static_cast<std::uint32_t>(key_end_.size());
  }
}

// The slot holding `key`, or the free slot where it would go.
std::uint32_t PathIndex::Probe(std::u16string_view key, std::size_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const std::uint32_t entry = slots_[slot];
    if (entry == 0) return static_cast<std::uint32_t>(slot);
    const std::size_t begin = entry == 1 ? 0 : key_end_[entry - 2];
    const std::size_t end = key_end_[entry - 1];
    if (std::u16string_view(keys_).substr(begin, end - begin) == key) {
      return static_cast<std::uint32_t>(slot);
    }
  }
}

int PathIndex::Find(std::u16string_view path) const {
  if (path.empty()) return 0;
  if (path.size() >= kPathBuffer || slots_.empty()) return -1;
  char16_t upper[kPathBuffer];
  std::u16string_view key = path;
  if (rules_->Of(FolderPart(path)).ignores_case) {
    for (std::size_t i = 0; i < path.size(); ++i) upper[i] = UpperUnit(path[i]);
    key = std::u16string_view(upper, path.size());
  }
  const std::uint32_t entry = slots_[Probe(key, std::hash<std::u16string_view>{}(key))];
  return entry == 0 ? -1 : entry_row_[entry - 1];
}

// ---- FileList ----

void FileList::SetOptions(const FileListOptions& options) {
  const bool drop_size = options_.size_column && !options.size_column;
  const bool drop_date = options_.date_column && !options.date_column;
  options_ = options;
  if (!drop_size && !drop_date) return;
  for (FileItem& row : rows_) {
    if (drop_size) row.Set(Cell::kSize, {});
    if (drop_date) row.Set(Cell::kDate, {});
  }
}

bool FileList::CellShown(Cell cell) const {
  if (cell == Cell::kSize) return options_.size_column;
  if (cell == Cell::kDate) return options_.date_column;
  return true;
}

int FileList::ColumnCount() const {
  return 4 + (options_.size_column ? 1 : 0) + (options_.date_column ? 1 : 0);
}

std::optional<Cell> FileList::CellOfColumn(int column) const {
  if (column >= 0 && column < 4) return static_cast<Cell>(column);
  if (column == 4) {
    if (options_.size_column) return Cell::kSize;
    if (options_.date_column) return Cell::kDate;
  }
  if (column == 5 && options_.size_column && options_.date_column) return Cell::kDate;
  return std::nullopt;
}

int FileList::ColumnOf(Cell cell) const {
  if (!CellShown(cell)) return -1;
  if (cell == Cell::kDate) return options_.size_column ? 5 : 4;
  return static_cast<int>(cell);
}

void FileList::AddRow(std::u16string_view name, std::u16string_view extension,
                      std::u16string_view folder, std::u16string_view new_name,
                      std::u16string_view size_text, std::u16string_view date_text, int index,
                      FileStatus status) {
  FileItem item;
  item.SetAll(name, extension, folder, new_name,
              options_.size_column ? size_text : std::u16string_view(),
              options_.date_column ? date_text : std::u16string_view());
  item.set_status(status);
  if (index >= Count()) {
    rows_.push_back(std::move(item));
  } else {
    rows_.insert(rows_.begin() + std::max(index, 0), std::move(item));
  }
}

std::u16string_view FileList::GetText(int row, int column) const {
  const std::optional<Cell> cell = CellOfColumn(column);
  if (!cell || !InRange(row)) return {};
  return rows_[static_cast<std::size_t>(row)].Get(*cell);
}

void FileList::SetText(int row, int column, std::u16string_view text) {
  const std::optional<Cell> cell = CellOfColumn(column);
  if (cell) SetCell(row, *cell, text);
}

std::u16string_view FileList::GetCell(int row, Cell cell) const {
  if (!InRange(row)) return {};
  return rows_[static_cast<std::size_t>(row)].Get(cell);
}

void FileList::SetCell(int row, Cell cell, std::u16string_view text) {
  if (!InRange(row) || !CellShown(cell)) return;
  rows_[static_cast<std::size_t>(row)].Set(cell, text);
}

std::u16string FileList::FullPath(int row) const {
  if (!InRange(row)) return {};
  return rows_[static_cast<std::size_t>(row)].FullPath();
}

FileStatus FileList::GetFileStatus(int row) const {
  return InRange(row) ? rows_[static_cast<std::size_t>(row)].status() : FileStatus::kUnchecked;
}

void FileList::SetFileStatus(int row, FileStatus status) {
  if (InRange(row)) rows_[static_cast<std::size_t>(row)].set_status(status);
}

bool FileList::IsSelected(int row) const {
  return InRange(row) && rows_[static_cast<std::size_t>(row)].selected();
}

void FileList::SetSelected(int row, bool on) {
  if (InRange(row)) rows_[static_cast<std::size_t>(row)].set_selected(on);
}

int FileList::SelectedCount() const {
  return static_cast<int>(
      std::count_if(rows_.begin(), rows_.end(), [](const FileItem& r) { return r.selected(); }));
}

int FileList::FocusedRow() const {
  for (int i = 0; i < Count(); ++i) {
    if (rows_[static_cast<std::size_t>(i)].focused()) return i;
  }
  return -1;
}

void FileList::SetFocusedRow(int row) {
  for (int i = 0; i < Count(); ++i) rows_[static_cast<std::size_t>(i)].set_focused(i == row);
}

Result<PathIndex> FileList::BuildPathIndex(NameRulesCache& rules) const {
  try {
    PathIndex index;
    index.Build(rows_, rules);
    return index;
  } catch (const std::bad_alloc&) {
    return MakeError(ErrorCode::kNoSpace, u"path index");
  }
}

bool FileList::DeleteSelected(DeleteStrategy strategy) {
  ScopedStatus notice(status_, status_code::kDeletingSelected);
  const int former_count = Count();
  if (former_count == 0) return false;
  const int selected = SelectedCount();
  if (selected == former_count) {
    ClearAll();
    return true;
  }

  int first_removed = 0;
  for (int i = 0; i < former_count; ++i) {
    if (rows_[static_cast<std::size_t>(i)].selected()) {
      first_removed = i;
      break;
    }
  }
  const bool compact = strategy == DeleteStrategy::kCompact ||
                       (strategy == DeleteStrategy::kAuto && selected >= kCompactFrom);
  if (compact) {
    DeleteCompact();
  } else {
    DeleteOneByOne();
  }

  if (!undo_mode_) UpdateSampleName();
  if (first_removed < Count()) {
    SetSelected(first_removed, true);
    SetFocusedRow(first_removed);
  }
  return Count() != former_count;
}

// Each unselected row is copied k places down, k being the selected rows
// before it; the last k rows are then dropped.
void FileList::DeleteCompact() {
  std::size_t removed = 0;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].selected()) {
      ++removed;
    } else if (removed > 0) {
      rows_[i - removed] = std::move(rows_[i]);
    }
  }
  rows_.resize(rows_.size() - removed);
}

// Removes the selected rows one at a time, each search for the next one
// starting just before the row last removed.
void FileList::DeleteOneByOne() {
  std::size_t start = 0;
  while (true) {
    std::size_t i = start;
    while (i < rows_.size() && !rows_[i].selected()) ++i;
    if (i >= rows_.size()) break;
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
    start = i > 0 ? i - 1 : 0;
  }
}

void FileList::ClearAll() {
  ScopedStatus notice(status_, status_code::kClearingAll);
  rows_.clear();
  if (panel_ != nullptr) panel_->ClearNameFields();
}

void FileList::RemoveRow(int row) {
  if (!InRange(row)) return;
  rows_.erase(rows_.begin() + row);
}

void FileList::MoveRow(int from, int to) {
  const auto first = rows_.begin();
  if (from < to) {
    std::rotate(first + from, first + from + 1, first + to + 1);
  } else if (from > to) {
    std::rotate(first + to, first + from, first + from + 1);
  }
}

// Upwards the rows are scanned from the second one on; the neighbour in the
// direction of travel is the row above and the row behind is the one below.
// A lone selected row swaps with its neighbour. A block (a selected row with
// a selected row behind it) is passed over, and when it ends its unselected
// neighbour is moved to just behind it. Downwards is the mirror image.
void FileList::MoveSelected(int direction) {
  const int count = Count();
  if (count < 2) return;
  const int step = direction == kMoveDown ? 1 : -1;  // towards the neighbour
  auto selected = [this, count](int row) {
    return row >= 0 && row < count && rows_[static_cast<std::size_t>(row)].selected();
  };
  bool in_block = false;
  int waiting = -1;  // the neighbour that moves behind the block
  const int first = direction == kMoveDown ? count - 2 : 1;
  for (int i = first; i >= 0 && i < count; i -= step) {
    const bool ahead = selected(i + step);
    const bool here = selected(i);
    const bool behind = selected(i - step);
    if (!in_block) {
      if (ahead || !here) continue;
      if (behind) {
        in_block = true;
        waiting = i + step;
      } else {
        MoveRow(i, i + step);
      }
    } else if (!behind) {
      MoveRow(waiting, i);
      in_block = false;
    }
  }
}

bool FileList::Permute(const std::vector<int>& order) {
  if (order.size() != rows_.size()) return false;
  try {
    std::vector<bool> seen(rows_.size(), false);
    for (const int from : order) {
      if (!InRange(from) || seen[static_cast<std::size_t>(from)]) return false;
      seen[static_cast<std::size_t>(from)] = true;
    }
    std::vector<FileItem> reordered;
    reordered.reserve(rows_.size());
    for (const int from : order) {
      reordered.push_back(std::move(rows_[static_cast<std::size_t>(from)]));
    }
    rows_.swap(reordered);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void FileList::SelectAll() {
  ScopedStatus notice(status_, status_code::kSelectingAll);
  for (FileItem& row : rows_) row.set_selected(true);
}

void FileList::InvertSelection() {
  ScopedStatus notice(status_, status_code::kInvertingSelection);
  for (FileItem& row : rows_) row.set_selected(!row.selected());
}

int FileList::RefreshSizeDate(int row, FileSystem& fs) {
  if (row < -1 || row >= Count()) return 1;
  if (options_.folders || (!options_.size_column && !options_.date_column)) return 0;
  const int begin = row == -1 ? 0 : row;
  const int end = row == -1 ? Count() : row + 1;
  for (int i = begin; i < end; ++i) {
    FileItem& item = rows_[static_cast<std::size_t>(i)];
    const Result<FileInfo> info = fs.Stat(item.FullPath());
    if (!info || info->is_directory) continue;
    if (options_.size_column) item.Set(Cell::kSize, FormatSizeText(info->size, options_.size_unit));
    if (options_.date_column) {
      const std::u16string date = FormatDateText(
          options_.date_kind == kDateCreation ? info->creation_time : info->last_write_time);
      if (!date.empty()) item.Set(Cell::kDate, date);
    }
  }
  return 0;
}

void FileList::UpdateSampleName() {
  if (undo_mode_ || rows_.empty() || panel_ == nullptr) return;
  std::size_t longest = 0;
  for (std::size_t i = 1; i < rows_.size(); ++i) {
    if (rows_[i].Get(Cell::kName).size() > rows_[longest].Get(Cell::kName).size()) longest = i;
  }
  panel_->SetSampleName(rows_[longest].Get(Cell::kName));
}

}  // namespace tessivo
