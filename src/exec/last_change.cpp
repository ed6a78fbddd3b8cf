#include "exec/last_change.h"

#include <string>

#include "core/csv_list.h"
#include "exec/rename_log.h"

namespace tessivo {

bool HasLastChange(FileSystem& fs, std::u16string_view program_folder, Messenger& messenger) {
  if (fs.Exists(LogSlotPath(program_folder, kNewestLogSlot))) return true;
  messenger.ShowMessage(box::kOk | box::kIconInformation, MessageId::kNoLogTitle,
                        MessageId::kNoLogText, kLevelInfo);
  return false;
}

Status SaveLastChange(FileSystem& fs, std::u16string_view program_folder,
                      std::u16string_view chosen_path) {
  Result<std::string> bytes =
      fs.ReadOwnFile(LogSlotPath(program_folder, kNewestLogSlot), 0, std::string().max_size());
  if (!bytes) return bytes.error();
  return fs.WriteFileAtomic(WithCsvSuffix(chosen_path), *bytes);
}

}  // namespace tessivo
