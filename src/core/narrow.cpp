#include "core/narrow.h"

#include <vector>

#include "core/file_list.h"

namespace tessivo {

namespace {

struct Filter {
  bool inverted = false;
  std::vector<std::u16string_view> words;
};

Filter ParseFilter(std::u16string_view text) {
  Filter filter;
  if (!text.empty() && text.front() == u'!') {
    filter.inverted = true;
    text.remove_prefix(1);
  }
  while (!text.empty() && filter.words.size() < kNarrowMaxWords) {
    const std::size_t space = text.find(u' ');
    const std::u16string_view word = text.substr(0, space);
    if (!word.empty()) filter.words.push_back(word);
    if (space == std::u16string_view::npos) break;
    text.remove_prefix(space + 1);
  }
  return filter;
}

bool WordMatches(std::u16string_view word, const FileItem& row) {
  if (word == kNarrowKeyword) return row.selected();
  const std::u16string_view name = row.Get(Cell::kName);
  if (word.find_first_of(u"*?") != std::u16string_view::npos) return WildcardMatch(word, name);
  return name.find(word) != std::u16string_view::npos;
}

}  // namespace

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  // Greedy with one back-track point: the last '*' seen and where its run
  // would end next. Linear in practice, never worse than |pattern| * |name|.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::u16string_view::npos;
  std::size_t star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      star_n = n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool Narrow(FileList& list, NarrowState& state, NarrowKind kind) {
  if (kind < kNarrowOnEdit || kind > kNarrowAtPreview) return false;
  if (list.undo_mode()) return false;
  const std::u16string_view text = std::u16string_view(state.text).substr(0, kNarrowTextLimit);
  if (kind == kNarrowOnEdit && text == state.last_applied) return false;
  if (kind == kNarrowAtPreview && text.find(kNarrowKeyword) == std::u16string_view::npos) return false;
  state.last_applied.assign(text);

  const Filter filter = ParseFilter(text);
  for (int row = 0; row < list.Count(); ++row) {
    const FileItem& item = list.Item(row);
    FileStatus status = FileStatus::kUnchecked;
    if (!filter.words.empty()) {
      bool match = false;
      for (std::u16string_view word : filter.words) {
        if (WordMatches(word, item)) {
          match = true;
          break;
        }
      }
      status = (match != filter.inverted) ? FileStatus::kUnchecked : FileStatus::kExcluded;
    }
    const FileStatus old = item.status();
    if (kind == kNarrowForcedKeepMarks && old != FileStatus::kExcluded &&
        status != FileStatus::kExcluded) {
      continue;
    }
    list.SetFileStatus(row, status);
  }
  return true;
}

}  // namespace tessivo
