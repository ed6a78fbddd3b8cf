#include "modes/position_edit.h"

#include <algorithm>

#include "modes/name_parts.h"

namespace tessivo {
namespace {

// Work-map marker of a position that neither the common prefix nor the
// common suffix of an edit accounts for.
constexpr std::int32_t kUnset = -2;

}  // namespace

PositionEditState::PositionEditState() {
  for (std::size_t i = 0; i < kMapSize; ++i) map_[i] = static_cast<std::int32_t>(i);
}

void PositionEditState::LoadTemplate(std::u16string_view longest_old_name) {
  template_name_ = CutToMaxPath(longest_old_name);
  for (std::size_t i = 0; i < kMapSize; ++i) map_[i] = static_cast<std::int32_t>(i);
  template_length_ = template_name_.size();
}

void PositionEditState::LoadTemplateFromField(std::u16string_view field_text) {
  template_length_ = std::min(field_text.size(), kMaxPathChars);
}

void PositionEditState::UpdatePositionMap(std::u16string_view field_text) {
  const std::u16string_view cur = field_text.substr(0, kMaxPathChars);
  const std::u16string_view prev = template_name_;
  if (cur == prev) return;
  const std::size_t lp = prev.size();
  const std::size_t lc = cur.size();

  std::array<std::int32_t, kMapSize> work;
  work.fill(kUnset);
  // The unchanged tail keeps its sources.
  std::size_t suffix = 0;
  while (suffix < lp && suffix < lc && prev[lp - 1 - suffix] == cur[lc - 1 - suffix]) {
    work[lc - 1 - suffix] = map_[lp - 1 - suffix];
    ++suffix;
  }
  // So does the unchanged head; the first differing character is typed.
  for (std::size_t j = 0; j < lp - suffix && j < lc - suffix; ++j) {
    if (prev[j] != cur[j]) {
      work[j] = kTyped;
      break;
    }
    work[j] = map_[j];
  }
  for (std::size_t i = 0; i < lc; ++i) map_[i] = work[i] == kUnset ? kTyped : work[i];
  // Beyond the edited text, old names continue where the loaded template
  // ended.
  for (std::size_t i = lc; i < kMapSize; ++i) {
    map_[i] = static_cast<std::int32_t>(i + template_length_ - lc);
  }
  template_name_.assign(cur);
}

void PositionEditState::Restore(const std::array<std::int32_t, kMapSize>& map,
                                std::u16string_view template_text) {
  map_ = map;
  template_name_ = CutToMaxPath(template_text);
  template_length_ = template_name_.size();
}

std::u16string ApplyPositionEdit(const std::u16string& source_path,
                                 const std::u16string& field_text, const PositionEditParams& params,
                                 const PositionEditState& state) {
  const NameParts parts = SplitPlainPath(source_path);
  const std::u16string old = params.posedtnoext ? parts.base : parts.Name();
  const std::u16string_view typed = std::u16string_view(field_text).substr(0, kMaxPathChars);
  const auto& map = state.position_map();

  std::u16string name;
  for (std::size_t i = 0; i < kMaxPathChars; ++i) {
    const std::int32_t from = map[i];
    char16_t c;
    if (from >= 0 && from <= static_cast<std::int32_t>(kMaxPathChars)) {
      const auto index = static_cast<std::size_t>(from);
      c = index < old.size() ? old[index] : u'\0';
    } else if (i >= typed.size() && i <= old.size()) {
      c = u'#';
    } else {
      c = i < typed.size() ? typed[i] : u'\0';
    }
    if (c == u'\0') break;
    name.push_back(c);
  }

  std::u16string result = parts.Prefix() + name;
  if (params.posedtnoext) result += parts.extension;
  CutToMaxPath(result);
  return result;
}

}  // namespace tessivo
