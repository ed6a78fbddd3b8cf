#include "modes/position_edit.h"

#include <algorithm>

#include "modes/name_parts.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

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
  const std::u16string old = params.exclude_extension ? parts.base : parts.Name();
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
  if (params.exclude_extension) result += parts.extension;
  CutToMaxPath(result);
  return result;
}

// ---- the mode ----

namespace {

constexpr SettingBinding kPositionEditBindings[] = {
    {ctl::kPositionNoExtension, IntKey::kPosedtnoext, false},
};

std::vector<PanelControl> PositionEditControls() {
  return {MakeControl(ctl::kSampleName, ControlKind::kEdit),
          MakeControl(ctl::kPositionNoExtension, ControlKind::kCheckBox, u"拡張子は対象外")};
}

void PreparePositionEdit(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  ctx.position_edit_params.exclude_extension = settings.Int(IntKey::kPosedtnoext) != 0;
}

// Field 1007 is read when a row is computed, not when the context is built.
std::u16string ComputePositionEdit(ModeContext& ctx, const ModeRow& row) {
  return ApplyPositionEdit(row.source_path,
                           HeadOf(ctx.panel.At(ctl::kSampleName).text, kMaxPathChars),
                           ctx.position_edit_params, ctx.position_edit);
}

void CapturePositionEdit(const StepSource& source, MacroStep& step) {
  step.map = source.position_edit.position_map();
  step.no_extension = source.settings.Int(IntKey::kPosedtnoext) != 0;
  step.text1 = source.panel.At(ctl::kSampleName).text;
}

// The recorded map and template come back as they were recorded.
void ApplyPositionEditStep(const MacroStep& step, const StepTarget& target) {
  target.panel.At(ctl::kPositionNoExtension).value = step.no_extension ? 1 : 0;
  target.position_edit.Restore(step.map, step.text1);
  target.panel.At(ctl::kSampleName).text = target.position_edit.template_name();
}

}  // namespace

constinit const ModeDescriptor kPositionEditMode = {
    .mode = RenameMode::kPositionEdit,
    .name = u"位置編集",
    .help = u" 文字を追加したり、必要ない箇所の文字を削除します。",
    .command_name = u"position",
    .controls = PositionEditControls,
    .bindings = kPositionEditBindings,
    .prepare = PreparePositionEdit,
    .compute = ComputePositionEdit,
    .step_form = StepForm::kPositionMap,
    .step_code = "EDT",
    .capture = CapturePositionEdit,
    .apply = ApplyPositionEditStep,
};

}  // namespace tessivo
