#include "modes/extension.h"

#include <string_view>

#include "modes/name_parts.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

namespace tessivo {

std::size_t FindPathExtension(const std::u16string& path) {
  std::size_t dot = path.size();
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char16_t c = path[i];
    if (c == u'/' || c == u' ') {
      dot = path.size();
    } else if (c == u'.') {
      dot = i;
    }
  }
  return dot;
}

std::u16string ApplyExtension(const std::u16string& source_path, const std::u16string& field_text,
                              const ExtensionParams& params) {
  const std::u16string_view text = std::u16string_view(field_text).substr(0, kMaxPathChars);
  std::u16string extension;
  if (!text.empty()) {
    extension = u".";
    extension += text;
  }

  if (params.append) {
    if (extension.empty()) return source_path;
    return CutToMaxPath(source_path + extension);
  }

  const std::size_t dot = FindPathExtension(source_path);
  if (dot + extension.size() > kMaxPathChars) return source_path;
  return source_path.substr(0, dot) + extension;
}

// ---- the mode ----

namespace {

// Up to 255 characters of the extension field are read.
constexpr std::size_t kExtensionReadChars = 255;
// Up to 259 characters of it are recorded.
constexpr std::size_t kExtensionRecordChars = 259;

constexpr SettingBinding kExtensionBindings[] = {
    {ctl::kExtensionAppend, IntKey::kExtadd, false},
};
constexpr HistoryBinding kExtensionHistories[] = {
    {ctl::kExtensionText, HistoryId::kExtension, TextKey::kExtstr, kModeTextLimit - 1,
     kFieldReadChars},
};

std::vector<PanelControl> ExtensionControls() {
  return {MakeControl(ctl::kExtensionText, ControlKind::kEditableCombo),
          MakeControl(ctl::kExtensionDot, ControlKind::kStatic, u"　・"),
          MakeControl(ctl::kExtensionAppend, ControlKind::kCheckBox, u"後ろに付加")};
}

void PrepareExtension(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  ctx.extension.append = settings.Int(IntKey::kExtadd) != 0;
}

// Field 1008 is read when a row is computed.
std::u16string ComputeExtension(ModeContext& ctx, const ModeRow& row) {
  return ApplyExtension(row.source_path,
                        HeadOf(ctx.panel.At(ctl::kExtensionText).text, kExtensionReadChars),
                        ctx.extension);
}

void CaptureExtension(const StepSource& source, MacroStep& step) {
  step.params = {source.settings.Int(IntKey::kExtadd), 0, 0};
  step.text1 = HeadOf(source.panel.At(ctl::kExtensionText).text, kExtensionRecordChars);
}

void ApplyExtensionStep(const MacroStep& step, const StepTarget& target) {
  target.panel.At(ctl::kExtensionAppend).value = step.params[0];
  SetComboText(target.panel.At(ctl::kExtensionText), step.text1);
}

}  // namespace

constinit const ModeDescriptor kExtensionMode = {
    .mode = RenameMode::kExtension,
    .name = u"拡張子",
    .help = u" 拡張子を変更します。空白にすると拡張子がなくなります。",
    .command_name = u"extension",
    .controls = ExtensionControls,
    .bindings = kExtensionBindings,
    .histories = kExtensionHistories,
    .own_text_control = ctl::kExtensionText,
    .prepare = PrepareExtension,
    .compute = ComputeExtension,
    .step_form = StepForm::kParameters,
    .step_code = "EXT",
    .step_limits = {'1', '0', '0'},
    .capture = CaptureExtension,
    .apply = ApplyExtensionStep,
};

}  // namespace tessivo
