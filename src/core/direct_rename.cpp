#include "core/direct_rename.h"

namespace tessivo {

DirectRenameOutcome DirectRename(FileList& list, int row, const std::u16string& new_name,
                                 FileSystem& fs, Messenger& messenger) {
  if (row < 0 || row >= list.Count() || list.undo_mode()) return DirectRenameOutcome::kUnchanged;
  const std::u16string old_name(list.GetCell(row, Cell::kName));
  if (new_name == old_name) return DirectRenameOutcome::kUnchanged;
  const std::u16string folder(list.GetCell(row, Cell::kFolder));
  if (folder.size() + new_name.size() > kCellLimit) {
    messenger.ShowMessage(message_kind::kCustom, box::kOk | box::kIconStop, u"Too Long",
                          u"ファイル名が長すぎます。", kLevelError);
    return DirectRenameOutcome::kTooLong;
  }
  const std::u16string from = folder + old_name;
  const std::u16string question =
      from + u" → " + new_name +
      u"\n\n直接リネームの場合はUnDoできません。リネームしてよろしいですか。";
  if (messenger.ShowMessage(message_kind::kCustom, box::kOkCancel | box::kIconQuestion,
                            u"Rename it now?", question, kLevelQuestion) != kAnswerOk) {
    return DirectRenameOutcome::kCancelled;
  }
  if (!fs.RenameNoReplace(from, folder + new_name)) {
    messenger.ShowMessage(message_kind::kCustom, box::kOk | box::kIconStop, u"Rename Failed.",
                          u"ファイル名を変更できませんでした。", kLevelError);
    return DirectRenameOutcome::kFailed;
  }
  const std::size_t dot = new_name.rfind(u'.');
  list.SetCell(row, Cell::kName, new_name);
  list.SetCell(row, Cell::kExtension,
               dot == std::u16string::npos ? std::u16string_view()
                                           : std::u16string_view(new_name).substr(dot));
  // No preview covers the new name yet; a row the narrowing left out stays out.
  list.SetCell(row, Cell::kNewName, {});
  if (list.GetFileStatus(row) != FileStatus::kExcluded) {
    list.SetFileStatus(row, FileStatus::kUnchecked);
  }
  return DirectRenameOutcome::kRenamed;
}

}  // namespace tessivo
