#include "modes/dispatcher.h"

#include <algorithm>

#include "modes/mode_catalogue.h"
#include "modes/name_parts.h"

namespace tessivo {

ModeContext BuildModeContext(const Settings& settings, const ModePanel& panel,
                             const ModeTexts& texts, PositionEditState& position_edit,
                             FileSystem& fs, const LocalTimeZone& zone, FileTime now) {
  position_edit.UpdatePositionMap(panel.At(ctl::kSampleName).text);
  ModeContext ctx{fs, zone, panel, position_edit, now, {}, {}, {}, {}, {}, {}, {}, texts, false,
                  {}, {},   {},    {},            {},  {}, {}, {}, {}, {}, {}, nullptr};
  ctx.file_dir = settings.Int(IntKey::kFileDir) != 0;
  for (const ModeDescriptor* mode : Modes()) {
    if (mode->prepare != nullptr) mode->prepare(settings, panel, ctx);
  }
  return ctx;
}

std::u16string ComputeNewName(ModeContext& ctx, const std::u16string& source_path,
                              const std::u16string& preset_destination, int mode,
                              std::int64_t row_ordinal, const std::u16string& disk_path) {
  const ModeDescriptor* descriptor = ModeDescriptorOf(mode);
  // Numbers without a mode and modes without a transform keep the preset.
  if (descriptor == nullptr || descriptor->compute == nullptr) return preset_destination;
  const ModeRow row{source_path, preset_destination, row_ordinal,
                    disk_path.empty() ? source_path : disk_path};
  return descriptor->compute(ctx, row);
}

}  // namespace tessivo
