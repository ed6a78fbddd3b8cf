#pragma once
// Sorting the file list by one of six keys, ascending or descending.
//
// Sort() reorders the rows themselves: each row keeps its cells, FileStatus,
// selection and focus; nothing else about a row changes. Every row gets a
// key text (SortKeyText) that ends in the row's current position, and the
// comparison falls back on that position when two key texts are equal, so
// the result is one total order: equal texts keep their relative order in
// an ascending sort and are reversed in a descending one. Whichever way the
// order is reached, it equals a stable sort of the rows by key text with the
// position as the last key: a request for the opposite direction of the
// last sort turns the rows round and keeps that only when a check of the
// whole list confirms it, and sorts in full otherwise.
//
// Which direction a request sorts in comes from SortState: a header click
// alternates ascending and descending per key, a menu entry or command-line
// switch names the direction. SortState also notices a list that changed
// since the last header click, so that click starts ascending again.
//
// The sort needs memory for the key texts and the order (about 0.8 MB per
// 1,000 rows at most); when that cannot be had, the list keeps its order and
// the "Run Short of Memory!" box (message kind 3) is shown.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"

namespace tessivo {

class FileList;
class Messenger;
class StatusSink;

// The sort keys; each equals the view column it sorts by when both optional
// columns are shown.
enum SortKey : int {
  kSortByName = 0,
  kSortByExtension = 1,
  kSortByFolder = 2,
  kSortByNewName = 3,
  kSortBySize = 4,  // the text of view column 4
  kSortByDate = 5,  // the text of view column 5
};
inline constexpr int kSortKeyCount = 6;

// How a request picks the direction.
enum SortChoice : int {
  kSortToggle = -1,     // header click: ascending, descending if this key sorted ascending last
  kSortAscending = 0,   // menu "A→Z" and its kin
  kSortDescending = 1,  // menu "Z→A" and its kin
};

// Menu command ids: kSortCommandBase + 10 * key + choice (41000 .. 41051).
inline constexpr int kSortCommandBase = 41000;

// Longest key text kept, and how much of it the plain comparison reads.
inline constexpr std::size_t kSortKeyLimit = 379;
inline constexpr std::size_t kPlainCompareLimit = 260;

// Ranges longer than this are partitioned; shorter ones are left to the
// final insertion pass.
inline constexpr std::size_t kSortPartitionAbove = 20;

struct SortOptions {
  bool number_aware = true;       // `sortnumlogical`: NaturalCompare except for key 4
  bool preview_statuses = false;  // the rows carry the statuses of a preview
                                  // (from a preview until the next execution)
};

// Kept between sorts by the owner of the list. Call MarkListChanged() when
// rows are added (drop, folder-tree click, list commands).
struct SortState {
  std::array<int, kSortKeyCount> counters{};  // 1: last sort ascending by this key, 2:
                                              // descending, 0: another key sorted last
  int last_key = -1;                          // -1: no sort yet
  int last_direction = 0;                     // +1 ascending, -1 descending
  bool list_changed = true;                   // cleared by the next header-click sort

  void MarkListChanged() { list_changed = true; }
};

// What a header item shows after a sort. kLeave: the item is not touched.
enum class HeaderArrow : std::uint8_t { kLeave, kNone, kUp, kDown };
using HeaderArrows = std::array<HeaderArrow, kSortKeyCount>;

enum class SortOutcome : std::uint8_t {
  kRefused,   // key or choice out of range, or undo mode: nothing changed
  kSorted,    // full sort
  kReversed,  // the previous sort's order was reversed and confirmed
  kNoMemory,  // the rows keep their order; message kind 3 was shown
};

struct SortResult {
  SortOutcome outcome = SortOutcome::kRefused;
  int key = -1;
  int direction = 0;      // +1 ascending, -1 descending; 0 when refused
  HeaderArrows arrows{};  // what the six header items show; all kLeave when refused
};

// Sorts `list` by `key` (0..5) with `choice` (SortChoice). Refused, with no
// effect at all, for a key or choice out of range and while the list is in
// undo mode. A header click on a changed list sorts ascending, in full, and
// clears the list-changed flag. Otherwise the counters are stepped and the arrows reported even
// when memory then runs short; the last key and direction are remembered
// only when the rows were reordered. While it runs, `status` (if given)
// shows the sorting notice; `messenger` (if given) shows the memory box.
SortResult Sort(FileList& list, SortState& state, int key, int choice, const SortOptions& options,
                StatusSink* status = nullptr, Messenger* messenger = nullptr);

// The header text of logical column `cell` (Cell: 0 old name .. 5 date):
// "変更前", "拡張子", "フォルダ名" ("<備考>" in undo mode), "変更後", "サイズ",
// and "更新日時" or, with `columndate` 0, "作成日時". Empty out of range.
std::u16string ColumnHeaderText(int cell, int columndate, bool undo_mode);

// The key and choice of a sort menu command id, or {-1, -1} for an id that
// is not one of the twelve sort entries.
std::pair<int, int> SortCommandKey(int command_id);

// Sort() for a menu command id; refused for an id that is no sort entry.
SortResult SortByCommand(FileList& list, SortState& state, int command_id,
                         const SortOptions& options, StatusSink* status = nullptr,
                         Messenger* messenger = nullptr);

// The text of a sort menu entry: the column name (ascending entry) or one
// space (descending entry), a tab, and the direction label ("A→Z", "小→大",
// ...). Empty for an id that is no sort entry.
std::u16string SortMenuText(int command_id);

// The header items after a sort by `key` in `direction`: the sorted item
// gets kUp (ascending) or kDown, the others kNone. The item at position 4 is
// left alone while the size column is off, the one at 5 while the date
// column is off. A position past the view's last column is for the view to
// skip.
HeaderArrows ComputeHeaderArrows(int key, int direction, bool size_column, bool date_column);

// The key text of `row` for `key`, for the row standing at `position`:
//   0, 3  "<base> <ext><dir><position>"   (3 uses the new name)
//   1     "<ext> <base><dir><position>"
//   2     "<dir> <base><ext><position>"
//   4, 5  "<text of view column 4 or 5> <dir><base><position>"
//   0 with preview statuses: "<status, 2 digits> <base><ext><position>"
// <dir> is the folder part of folder + name up to its last '/', <ext> the
// name from its last '.' on ("." and no extension become ". "), <base> the
// rest, <position> is "%05d". Cut to kSortKeyLimit code units. Where the
// position follows a name or extension directly (keys 2, 4, 5 and the
// status form), it is compared with the other row's name: the order of
// "a1" and "a10" of one size in one folder depends on where they stand.
// Empty for a row or key out of range.
std::u16string SortKeyText(const FileList& list, int row, int key, int position,
                           bool preview_statuses);

// The comparison of two key texts for `key` (negative, 0, positive):
// NaturalCompare when `number_aware` and the key is not 4, else
// PlainSortCompare.
int CompareSortKeys(std::u16string_view a, std::u16string_view b, int key, bool number_aware);

// At most the first kPlainCompareLimit code units, 'A'-'Z' folded to
// 'a'-'z', every other code unit by its value.
int PlainSortCompare(std::u16string_view a, std::u16string_view b);

// The order a full sort gives: element i is the row that goes to position i.
// kNoSpace when memory for the keys cannot be had.
Result<std::vector<int>> SortOrder(const FileList& list, int key, int direction,
                                   const SortOptions& options);

// Sorts row indexes: a quicksort that partitions only ranges of more than
// kSortPartitionAbove elements (pivot: the middle element), then one
// insertion pass over the whole array. `compare(a, b)` gives the order of
// rows a and b (negative, 0, positive) and is multiplied by `direction`;
// rows that compare equal are ordered by their index, so the result does
// not depend on the order `order` comes in. Recursion goes into the smaller
// side; a range that splits badly too often is heap-sorted instead, which
// keeps the time n log n and gives the same result.
template <typename Compare>
void SortRowIndexes(std::vector<int>& order, int direction, Compare compare);

// ---- implementation of the template ----

namespace sort_internal {

template <typename Compare>
struct Less {
  int direction;
  Compare& compare;
  bool operator()(int a, int b) const {
    int c = compare(a, b);
    if (c == 0) c = a < b ? -1 : (a > b ? 1 : 0);
    return direction < 0 ? c > 0 : c < 0;
  }
};

template <typename Less>
void Partition(int* first, int* last, const Less& less, int depth_left) {
  while (static_cast<std::size_t>(last - first) > kSortPartitionAbove) {
    if (depth_left-- == 0) {
      std::make_heap(first, last, less);
      std::sort_heap(first, last, less);
      return;
    }
    std::swap(first[0], first[(last - first) / 2]);
    const int pivot = first[0];
    int* low_end = first;  // last element of the low part
    for (int* p = first + 1; p != last; ++p) {
      if (less(*p, pivot)) std::swap(*++low_end, *p);
    }
    std::swap(*first, *low_end);
    if (low_end - first < last - (low_end + 1)) {
      Partition(first, low_end, less, depth_left);
      first = low_end + 1;
    } else {
      Partition(low_end + 1, last, less, depth_left);
      last = low_end;
    }
  }
}

}  // namespace sort_internal

template <typename Compare>
void SortRowIndexes(std::vector<int>& order, int direction, Compare compare) {
  const sort_internal::Less<Compare> less{direction, compare};
  int depth = 2;
  for (std::size_t n = order.size(); n > 1; n >>= 1) depth += 2;
  int* const first = order.data();
  int* const last = first + order.size();
  sort_internal::Partition(first, last, less, depth);
  for (int* p = first + 1; p < last; ++p) {
    const int item = *p;
    int* q = p;
    for (; q != first && less(item, q[-1]); --q) *q = q[-1];
    *q = item;
  }
}

}  // namespace tessivo
