#include "core/message_text.h"

#include <array>
#include <cstddef>

namespace tessivo {

namespace {

using M = MessageId;

constexpr std::array<MessageText, static_cast<std::size_t>(M::kCount)> kTexts = {{
    {M::kContinueTitle, "title.continue", u"Continue?"},
    {M::kRenameTitle, "title.rename", u"Rename?"},
    {M::kChangeTitle, "title.change", u"Change?"},
    {M::kTooManyFilesTitle, "title.too_many_files", u"Too Many Files!"},
    {M::kNoMemoryTitle, "title.no_memory", u"Run Short of Memory!"},
    {M::kStopModeAskTitle, "title.stop_mode.ask", u"Stop this mode?"},
    {M::kStopModeTellTitle, "title.stop_mode.tell", u"Stop this mode."},
    {M::kNoSubFolderTitle, "title.no_sub_folder", u"No Sub Folder"},
    {M::kAbortTitle, "title.abort", u"Abort"},
    {M::kEmptyListTitle, "title.empty_list", u"Empty List"},
    {M::kSerialDeletedTitle, "title.serial_deleted", u"Serial Number Deleted"},
    {M::kSerialAddedTitle, "title.serial_added", u"Added Serial Number"},
    {M::kCantWriteLogTitle, "title.cant_write_log", u"Can't Write Log"},
    {M::kLogInUseTitle, "title.log_in_use", u"Log In Use"},
    {M::kNoLogTitle, "title.no_log", u"No Log!"},
    {M::kEditedNamesTitle, "title.edited_names", u"Clear Edited File Name?"},
    {M::kCantOpenFileTitle, "title.cant_open_file", u"Can't Open File!"},
    {M::kFormatNotDefinedTitle, "title.format_not_defined", u"This Format is Not Defined"},
    {M::kAlreadyUndoneTitle, "title.already_undone", u"Already Undone"},
    {M::kCantOpenMacroTitle, "title.cant_open_macro", u"Can't Open Macro File"},
    {M::kMacroVersionTitle, "title.macro_version", u"Non-supported Version"},
    {M::kShortNameLaterTitle, "title.short_name_later", u"To 8.3 Format is not Available Now"},
    {M::kMacroFullTitle, "title.macro_full", u"Macro File size Exceeded"},
    {M::kMacroNoNameTitle, "title.macro_no_name", u"No File Name, No Save"},
    {M::kStopRecordingTitle, "title.stop_recording", u"Stop Recording?"},
    {M::kMacroRecordingTitle, "title.macro_recording", u"Macro Recording"},
    {M::kMacroEditorMissingTitle, "title.macro_editor_missing", u"Macro Edit Tool not Found"},
    {M::kDeleteMacroTitle, "title.delete_macro", u"Delete Macro File?"},
    {M::kRecordingNowTitle, "title.recording_now", u"Macro Recording Now"},
    {M::kTestModeTitle, "title.test_mode", u"cannot rename because of test mode"},
    {M::kTooLongTitle, "title.too_long", u"Too Many Characters"},

    {M::kChangeFailedName, "box.change_failed.name",
     u"\"%1\"  を \n\"%2\"  に\n変更できませんでした。\n\n続行しますか。"},
    {M::kChangeFailedTimestamp, "box.change_failed.timestamp",
     u"\"%1\"\nのタイムスタンプを変更できませんでした。\n\n続行しますか。"},
    {M::kChangeFailedAttributes, "box.change_failed.attributes",
     u"\"%1\"\nの属性を変更できませんでした。\n\n続行しますか。"},
    {M::kConfirmName, "box.confirm.name",
     u"\"%1\"\n ↓\n\"%2\"\n\nに\n変更します。\n\nよろしいですか？"},
    {M::kConfirmTimestamp, "box.confirm.timestamp",
     u"\"%1\"\nのタイムスタンプを変更します。\n\nよろしいですか？"},
    {M::kConfirmAttributes, "box.confirm.attributes",
     u"\"%1\"\nの属性を変更します。\n\nよろしいですか？"},
    {M::kConfirmOther, "box.confirm.other", u"\"%1\"\n\nの処理をします。よろしいですか？"},
    {M::kOfferMoreFiles, "box.offer_more_files",
     u"扱える最大ファイル数に達しました。\r\n\r\n設定値を増加しますか。(%1 → %2)"},
    {M::kNoMemoryText, "box.no_memory", u"メモリが不足しているため、処理できません。"},
    {M::kListFullText, "box.list_full",
     u"扱える最大ファイル数に達しました。\r\n\r\nオプションで値を増加することができます。"},
    {M::kListExceededText, "box.list_exceeded", u"扱える最大ファイル数を超えています。"},
    {M::kEndModeTell, "box.end_mode.tell", u"%1しないと%2ません。"},
    {M::kEndModeAsk, "box.end_mode.ask", u"%1しないと%2ません。\r\n\r\n%1しますか。"},
    {M::kActionRead, "phrase.action.read", u"ファイルを読み込め"},
    {M::kActionOptions, "phrase.action.options", u"設定を開け"},
    {M::kStopUndoPhrase, "phrase.stop_undo", u"変更UnDoモードを中止"},
    {M::kChangeFolderModePhrase, "phrase.change_folder_mode", u"フォルダ名変更モードを変更"},

    {M::kNoSubFolderText, "box.no_sub_folder",
     u"サブフォルダが見つかりません。\r\n\r\n１階層下のフォルダを追加する設定になっていますが、\r\n"
     u"フォルダ自身をリストに追加する設定に変更しますか。"},
    {M::kAbortLoadingText, "box.abort_loading", u"読み込みを中止します。"},
    {M::kEmptyListText, "box.empty_list", u"ファイルリストが空です。"},
    {M::kStartText, "box.start", u"変更を開始しますか。"},
    {M::kSerialDeletedText, "box.serial_deleted", u"付与した連番を削除しました\n\n%1\n　↓\n%2"},
    {M::kSerialAddedText, "box.serial_added",
     u"同名のファイルがあったため、連番を付与したファイルがあります。"},
    {M::kCantWriteLogText, "box.cant_write_log",
     u"変更ログを作成できないため、変更を中止しました。\n\n%1"},
    {M::kLogInUseText, "box.log_in_use",
     u"別の実行が変更ログを使用中です。しばらくしてからもう一度実行してください。"},
    {M::kNoLogText, "box.no_log", u"保存できるログがありません。"},
    {M::kSaveLastChangeTitle, "dialog.save_last_change", u"直前の変更を保存"},
    {M::kEditedNamesText, "box.edited_names",
     u"テキストエディタで編集したファイル名がリセットされますが、\r\n継続してよろしいですか。"},
    {M::kCantOpenLogText, "box.cant_open_log", u"ログファイルが開けませんでした。"},
    {M::kEmptyUndoListText, "box.empty_undo_list", u"変更するファイルリストが空です。"},
    {M::kUndoConfirmText, "box.undo_confirm", u"UnDo(戻し)を実行しますか。"},
    {M::kFormatNotDefinedText, "box.format_not_defined", u"この変更方法は定義されていません。"},
    {M::kAlreadyUndoneText, "box.already_undone", u"この実行の変更はすでに元に戻されています。"},
    {M::kCantOpenMacroText, "box.cant_open_macro", u"マクロファイルが開けません。"},
    {M::kMacroVersionText, "box.macro_version", u"このバージョンのマクロファイルは扱えません。"},
    {M::kShortNameLaterText, "box.short_name_later", u"8.3形式は1回目のみ記録できます。"},
    {M::kMacroFullText, "box.macro_full",
     u"マクロファイルが最大サイズに到達したため、記録されませんでした。"},
    {M::kMacroNoNameText, "box.macro_no_name",
     u"名前が付けられなかったためマクロを保存しませんでした。"},
    {M::kStopRecordingText, "box.stop_recording", u"記録を終了しますか？"},
    {M::kMacroRecordingText, "box.macro_recording", u"マクロ記録中は編集できません。"},
    {M::kMacroEditorMissingText, "box.macro_editor_missing", u"マクロ編集ツールが見つかりません。"},
    {M::kMacroRecordedText, "box.macro_recorded", u"%1 個目　：　[%2] モード\n\n記録されました。"},
    {M::kDeleteMacroText, "box.delete_macro", u"マクロ[%1]を削除します。"},
    {M::kRecordingNowText, "box.recording_now", u"現在マクロ記録中のため、削除できません。"},
    {M::kTestModeText, "box.test_mode", u"テストモードのため実行できません。"},
    {M::kTooLongText, "box.too_long", u"入力した文字数が多すぎます。"},

    {M::kStatusIdle, "status.idle", u" ■ファイルやフォルダをドラッグ＆ドロップして下さい。■"},
    {M::kStatusSorting, "status.sorting", u" リストをソート中 ..."},
    {M::kStatusDeletingSelected, "status.deleting_selected", u" 選択アイテムを消去中 ..."},
    {M::kStatusClearingAll, "status.clearing_all", u" 全アイテムを消去中 ..."},
    {M::kStatusLoading, "status.loading",
     u" ファイルを読み込み中 ... （◆◆ ESCキー長押しで中断します ◆◆）"},
    {M::kStatusSelectingAll, "status.selecting_all", u" 全選択中 ..."},
    {M::kStatusInvertingSelection, "status.inverting_selection", u" 選択アイテムを切り替え中 ..."},
    {M::kStatusUndoMode, "status.undo_mode", u"【UnDo】 変更したファイル名を元に戻します。"},
    {M::kStatusTestModeBanner, "status.test_mode", u"■■■　テストモード　■■■　テストモード"},
    {M::kStatusSelectionCount, "status.selection_count", u"選択 %1/ %2"},

    {M::kLegendPathTooLong, "legend.path_too_long", u"絶対パスを含めたファイル名の長さが256文字以上"},
    {M::kLegendInvalidName, "legend.invalid_name", u"無効文字 / \" : < > * ? | あり または 文字数0"},
    {M::kLegendTargetExists, "legend.target_exists", u"同名のファイルがすでに存在"},
    {M::kLegendSourceMissing, "legend.source_missing", u"変更元のファイルが存在しない"},
    {M::kLegendBackslash, "legend.backslash", u"\\  あり"},
    {M::kLegendBadCharacter, "legend.bad_character", u"先頭に . または 不適当文字 , ; あり"},
    {M::kLegendUnchanged, "legend.unchanged", u"変更の前と後で同じファイル名"},
    {M::kLegendChangeable, "legend.changeable", u"変更が可能"},
    {M::kLegendExcluded, "legend.excluded", u"絞り込みにより変更の対象外"},
    {M::kLegendChanged, "legend.changed", u"変更に成功"},
    {M::kLegendFailed, "legend.failed", u"変更に失敗"},
    {M::kLegendToRestore, "legend.to_restore", u"変更したファイル名を元に戻す"},
    {M::kNoHelpTitle, "title.no_help", u"No Help HTML File!"},
    {M::kNoHelpText, "box.no_help", u"ヘルプHTMLファイルが見つかりません。"},
    {M::kPlaybackUnavailableTitle, "title.playback_unavailable", u"Not Available"},
    {M::kPlaybackUnavailableText, "box.playback_unavailable",
     u"マクロの再生はこの版ではまだ使えません。"},
    {M::kDirectRenameTooLongTitle, "title.direct_rename.too_long", u"Too Long"},
    {M::kDirectRenameTooLongText, "box.direct_rename.too_long", u"ファイル名が長すぎます。"},
    {M::kDirectRenameTitle, "title.direct_rename", u"Rename it now?"},
    {M::kDirectRenameText, "box.direct_rename",
     u"%1 → %2\n\n直接リネームの場合はUnDoできません。リネームしてよろしいですか。"},
    {M::kDirectRenameFailedTitle, "title.direct_rename.failed", u"Rename Failed."},
    {M::kDirectRenameFailedText, "box.direct_rename.failed",
     u"ファイル名を変更できませんでした。"},
}};

// Each entry sits at the index of its id, and no key is given twice.
constexpr bool InIdOrder() {
  for (std::size_t i = 0; i < kTexts.size(); ++i) {
    if (static_cast<std::size_t>(kTexts[i].id) != i) return false;
  }
  return true;
}
constexpr bool KeysUnique() {
  for (std::size_t i = 0; i < kTexts.size(); ++i) {
    for (std::size_t j = i + 1; j < kTexts.size(); ++j) {
      if (kTexts[i].key == kTexts[j].key) return false;
    }
  }
  return true;
}
static_assert(InIdOrder(), "message texts out of MessageId order");
static_assert(KeysUnique(), "a message key given twice");

template <typename Args>
std::u16string Fill(std::u16string_view pattern, const Args& args) {
  std::u16string out;
  out.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'%' && i + 1 < pattern.size() && pattern[i + 1] >= u'1' && pattern[i + 1] <= u'9') {
      const std::size_t n = static_cast<std::size_t>(pattern[i + 1] - u'1');
      if (n < args.size()) out.append(*(args.begin() + static_cast<std::ptrdiff_t>(n)));
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::span<const MessageText> AllMessageTexts() { return kTexts; }

std::u16string_view Text(MessageId id) { return kTexts[static_cast<std::size_t>(id)].text; }

std::string_view KeyOf(MessageId id) { return kTexts[static_cast<std::size_t>(id)].key; }

std::optional<MessageId> FindMessageKey(std::string_view key) {
  for (const MessageText& entry : kTexts) {
    if (entry.key == key) return entry.id;
  }
  return std::nullopt;
}

std::u16string FillMessage(std::u16string_view pattern, std::span<const std::u16string> args) {
  return Fill(pattern, args);
}

std::u16string FillMessage(std::u16string_view pattern,
                           std::initializer_list<std::u16string_view> args) {
  return Fill(pattern, args);
}

std::u16string FillMessage(MessageId id, std::initializer_list<std::u16string_view> args) {
  return Fill(Text(id), args);
}

}  // namespace tessivo
