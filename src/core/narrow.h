#pragma once
// Narrowing ("絞り込み"): marks the rows that do not match the narrowing
// text with FileStatus 12 (kExcluded), so preview and execution skip them.
// No row is removed, reordered or renamed; only statuses change.
//
// The text is a list of words separated by spaces, optionally preceded by
// "!" to invert the filter. A row matches when any word matches it:
// - the keyword "リスト選択" matches a selected row;
// - a word holding '*' or '?' is a wildcard pattern over the whole old name
//   ('*' any run of code units including none, '?' exactly one);
// - any other word matches when it occurs anywhere in the old name.
// Matching is case-sensitive. Matching rows get status 0 and the others 12;
// with "!" the other way round. An empty text, or "!" alone, gives every row
// status 0.
//
// Words: only the first kNarrowMaxWords non-empty words count (runs of
// spaces separate like one space); later words are ignored.

#include <cstddef>
#include <string>
#include <string_view>

namespace tessivo {

class FileList;

// What triggers a narrowing.
enum NarrowKind : int {
  kNarrowOnEdit = 0,           // the box was edited: nothing when the text is the last applied
  kNarrowForced = 1,           // rows were added
  kNarrowForcedKeepMarks = 2,  // like kNarrowForced, but only rows leaving or getting 12 change
  kNarrowAtPreview = 3,        // only when the text holds the keyword (the selection may differ)
};

inline constexpr std::u16string_view kNarrowKeyword = u"リスト選択";
inline constexpr std::size_t kNarrowTextLimit = 127;
inline constexpr std::size_t kNarrowMaxWords = 16;

// The narrowing box and the text last applied; the window owns it.
struct NarrowState {
  std::u16string text;          // the box's text; only its first kNarrowTextLimit units count
  std::u16string last_applied;  // set by every Narrow that runs
};

// Applies the narrowing text to `list`. Returns true when the rows were
// marked, false when nothing was done: in undo mode, for kNarrowOnEdit with the
// text last applied, for kNarrowAtPreview without the keyword, or for an
// unknown kind.
bool Narrow(FileList& list, NarrowState& state, NarrowKind kind);

// Whole-name wildcard match: '*' any run (also empty), '?' one code unit,
// everything else itself, case-sensitive.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name);

}  // namespace tessivo
