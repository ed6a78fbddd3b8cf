#include "core/sort.h"

#include <new>
#include <numeric>

#include "core/file_list.h"
#include "core/message.h"
#include "core/natural_compare.h"
#include "core/status_sink.h"

namespace tessivo {

namespace {

constexpr std::u16string_view kNoExtension = u". ";

constexpr std::array<std::u16string_view, kSortKeyCount> kColumnNames = {
    u"変更前", u"拡張子", u"フォルダ名", u"変更後", u"サイズ", u"更新日時"};
constexpr std::array<std::u16string_view, kSortKeyCount> kAscendingLabels = {
    u"A→Z", u"A→Z", u"A→Z", u"A→Z", u"小→大", u"古い順"};
constexpr std::array<std::u16string_view, kSortKeyCount> kDescendingLabels = {
    u"Z→A", u"Z→A", u"Z→A", u"Z→A", u"大→小", u"新しい順"};

// "%0*d" of a non-negative number.
void AppendPadded(std::u16string& out, int value, int width) {
  char16_t digits[12];
  int count = 0;
  unsigned v = static_cast<unsigned>(value < 0 ? 0 : value);
  do {
    digits[count++] = static_cast<char16_t>(u'0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int i = count; i < width; ++i) out.push_back(u'0');
  while (count > 0) out.push_back(digits[--count]);
}

// Appends the key text of `row` to `out`, cut so that the key is at most
// kSortKeyLimit code units. `path` is scratch space, reused between rows.
void AppendKeyText(std::u16string& out, std::u16string& path, const FileList& list, int row,
                   int key, int position, bool preview_statuses) {
  const std::size_t start = out.size();
  const FileItem& item = list.Item(row);
  path.assign(item.Get(Cell::kFolder));
  path.append(item.Get(key == kSortByNewName ? Cell::kNewName : Cell::kName));

  const std::u16string_view whole(path);
  const std::size_t slash = whole.rfind(u'/');
  const std::size_t name_start = slash == std::u16string_view::npos ? 0 : slash + 1;
  const std::u16string_view dir = whole.substr(0, name_start);
  const std::u16string_view name = whole.substr(name_start);
  const std::size_t dot = name.rfind(u'.');
  const std::u16string_view base = dot == std::u16string_view::npos ? name : name.substr(0, dot);
  std::u16string_view ext =
      dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot);
  if (ext.size() < 2) ext = kNoExtension;

  switch (key) {
    case kSortByName:
      if (preview_statuses) {
        AppendPadded(out, static_cast<int>(item.status()), 2);
        out.append(u" ").append(base).append(ext);
        break;
      }
      [[fallthrough]];
    case kSortByNewName:
      out.append(base).append(u" ").append(ext).append(dir);
      break;
    case kSortByExtension:
      out.append(ext).append(u" ").append(base).append(dir);
      break;
    case kSortByFolder:
      out.append(dir).append(u" ").append(base).append(ext);
      break;
    default:  // size and date: the text of view column 4 or 5
      out.append(list.GetText(row, key)).append(u" ").append(dir).append(base);
      break;
  }
  AppendPadded(out, position, 5);
  if (out.size() - start > kSortKeyLimit) out.resize(start + kSortKeyLimit);
}

// The key texts of all rows, back to back.
class KeyTable {
 public:
  KeyTable(const FileList& list, int key, bool preview_statuses) {
    const int count = list.Count();
    ends_.reserve(static_cast<std::size_t>(count));
    text_.reserve(static_cast<std::size_t>(count) * 64);
    std::u16string path;
    for (int row = 0; row < count; ++row) {
      AppendKeyText(text_, path, list, row, key, row, preview_statuses);
      ends_.push_back(text_.size());
    }
  }

  std::u16string_view Get(int row) const {
    const std::size_t i = static_cast<std::size_t>(row);
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::u16string_view(text_).substr(begin, ends_[i] - begin);
  }

 private:
  std::u16string text_;
  std::vector<std::size_t> ends_;
};

struct KeyCompare {
  const KeyTable& keys;
  bool natural;
  int operator()(int a, int b) const {
    return natural ? NaturalCompare(keys.Get(a), keys.Get(b))
                   : PlainSortCompare(keys.Get(a), keys.Get(b));
  }
};

// The new order of the rows; `reverse` starts from the current order turned
// round and keeps it when it is already in order (`*reversed` then true).
Result<std::vector<int>> MakeOrder(const FileList& list, int key, int direction,
                                   const SortOptions& options, bool reverse, bool* reversed) {
  if (key < 0 || key >= kSortKeyCount) return MakeError(ErrorCode::kInvalidArgument, u"sort key");
  direction = direction < 0 ? -1 : 1;
  try {
    const KeyTable keys(list, key, options.preview_statuses);
    const KeyCompare compare{keys, options.number_aware && key != kSortBySize};
    std::vector<int> order(static_cast<std::size_t>(list.Count()));
    if (reverse) {
      std::iota(order.rbegin(), order.rend(), 0);
      // Turned round, a list sorted the other way is usually in order
      // already: check that in one pass, and sort in full when it is not.
      bool in_order = true;
      for (std::size_t i = 1; i < order.size() && in_order; ++i) {
        const int c = compare(order[i - 1], order[i]);
        const int sign = c != 0 ? c : (order[i - 1] < order[i] ? -1 : 1);
        in_order = sign * direction < 0;
      }
      if (reversed != nullptr) *reversed = in_order;
      if (in_order) return order;
    } else {
      std::iota(order.begin(), order.end(), 0);
    }
    SortRowIndexes(order, direction, compare);
    return order;
  } catch (const std::bad_alloc&) {
    return MakeError(ErrorCode::kNoSpace, u"sort keys");
  }
}

}  // namespace

int PlainSortCompare(std::u16string_view a, std::u16string_view b) {
  const std::size_t la = std::min(a.size(), kPlainCompareLimit);
  const std::size_t lb = std::min(b.size(), kPlainCompareLimit);
  const std::size_t n = std::min(la, lb);
  for (std::size_t i = CommonPrefixLength(a.substr(0, n), b.substr(0, n)); i < n; ++i) {
    char16_t ca = a[i];
    char16_t cb = b[i];
    if (ca == cb) continue;
    if (ca >= u'A' && ca <= u'Z') ca = static_cast<char16_t>(ca + 0x20);
    if (cb >= u'A' && cb <= u'Z') cb = static_cast<char16_t>(cb + 0x20);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return la < lb ? -1 : (la > lb ? 1 : 0);
}

int CompareSortKeys(std::u16string_view a, std::u16string_view b, int key, bool number_aware) {
  return number_aware && key != kSortBySize ? NaturalCompare(a, b) : PlainSortCompare(a, b);
}

std::u16string SortKeyText(const FileList& list, int row, int key, int position,
                           bool preview_statuses) {
  std::u16string out;
  if (row < 0 || row >= list.Count() || key < 0 || key >= kSortKeyCount) return out;
  std::u16string path;
  AppendKeyText(out, path, list, row, key, position, preview_statuses);
  return out;
}

Result<std::vector<int>> SortOrder(const FileList& list, int key, int direction,
                                   const SortOptions& options) {
  return MakeOrder(list, key, direction, options, false, nullptr);
}

HeaderArrows ComputeHeaderArrows(int key, int direction, bool size_column, bool date_column) {
  HeaderArrows arrows{};
  for (int i = 0; i < kSortKeyCount; ++i) {
    HeaderArrow& arrow = arrows[static_cast<std::size_t>(i)];
    if ((i == kSortBySize && !size_column) || (i == kSortByDate && !date_column)) {
      arrow = HeaderArrow::kLeave;
    } else if (i == key) {
      arrow = direction < 0 ? HeaderArrow::kDown : HeaderArrow::kUp;
    } else {
      arrow = HeaderArrow::kNone;
    }
  }
  return arrows;
}

SortResult Sort(FileList& list, SortState& state, int key, int choice, const SortOptions& options,
                StatusSink* status, Messenger* messenger) {
  SortResult result;
  if (key < 0 || key >= kSortKeyCount || choice < kSortToggle || choice > kSortDescending ||
      list.undo_mode()) {
    return result;
  }
  const std::size_t k = static_cast<std::size_t>(key);

  // A header click on a list that changed starts over: ascending, full sort.
  bool force_full = false;
  if (choice == kSortToggle && state.list_changed) {
    state.counters.fill(0);
    state.list_changed = false;
    force_full = true;
  }
  if (choice != kSortToggle) state.counters[k] = choice;
  // 0 -> 1, 1 -> 2, 2 -> 1: ascending and descending alternate.
  const int counter = (state.counters[k] % 2 + 2) % 2 + 1;
  state.counters.fill(0);
  state.counters[k] = counter;
  const int direction = counter == 1 ? 1 : -1;

  result.key = key;
  result.direction = direction;
  result.arrows =
      ComputeHeaderArrows(key, direction, list.options().size_column, list.options().date_column);

  bool done = false;
  bool reversed = false;
  {
    ScopedStatus notice(status, status_code::kSorting);
    const bool reverse = !force_full && key == state.last_key && state.last_direction == -direction;
    const Result<std::vector<int>> order =
        MakeOrder(list, key, direction, options, reverse, &reversed);
    done = order.has_value() && list.Permute(*order);
  }
  if (!done) {
    if (messenger != nullptr) {
      messenger->ShowMessage(message_kind::kNoMemory, 0, {}, {}, kLevelError);
    }
    result.outcome = SortOutcome::kNoMemory;
    return result;
  }
  state.last_key = key;
  state.last_direction = direction;
  result.outcome = reversed ? SortOutcome::kReversed : SortOutcome::kSorted;
  return result;
}

std::u16string ColumnHeaderText(int cell, int columndate, bool undo_mode) {
  if (cell < 0 || cell >= kSortKeyCount) return {};
  if (cell == kSortByFolder && undo_mode) return u"<備考>";
  if (cell == kSortByDate && columndate == 0) return u"作成日時";
  return std::u16string(kColumnNames[static_cast<std::size_t>(cell)]);
}

std::pair<int, int> SortCommandKey(int command_id) {
  const int offset = command_id - kSortCommandBase;
  if (offset < 0 || offset >= 10 * kSortKeyCount) return {-1, -1};
  const int choice = offset % 10;
  if (choice > kSortDescending) return {-1, -1};
  return {offset / 10, choice};
}

SortResult SortByCommand(FileList& list, SortState& state, int command_id,
                         const SortOptions& options, StatusSink* status, Messenger* messenger) {
  const auto [key, choice] = SortCommandKey(command_id);
  if (key < 0) return SortResult{};
  return Sort(list, state, key, choice, options, status, messenger);
}

std::u16string SortMenuText(int command_id) {
  const auto [key, choice] = SortCommandKey(command_id);
  if (key < 0) return {};
  const std::size_t k = static_cast<std::size_t>(key);
  std::u16string text(choice == kSortAscending ? kColumnNames[k] : u" ");
  text.push_back(u'\t');
  text.append(choice == kSortAscending ? kAscendingLabels[k] : kDescendingLabels[k]);
  return text;
}

}  // namespace tessivo
