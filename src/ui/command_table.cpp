#include "ui/command_table.h"

#include <algorithm>
#include <array>

namespace tessivo {
namespace {

using M = MenuId;

// QT_TRANSLATE_NOOP marks the texts for the translation tools; MainWindow
// passes them through tr() in the context "Command".
constexpr UiCommand kCommands[] = {
    // ファイル
    {cmd::kOpenFolder, M::kFile, QT_TRANSLATE_NOOP("Command", "フォルダを開く(&F)"), "Ctrl+F",
     QT_TRANSLATE_NOOP("Command", "フォルダを選択する(Ctrl+F)"), "open_folder", false, false},
    {cmd::kOpenCsv, M::kFile, QT_TRANSLATE_NOOP("Command", "csvファイルを読み込み(&O)"), "Ctrl+O",
     QT_TRANSLATE_NOOP("Command", "CSVを開く(Ctrl+O)"), "csv_open", false, false},
    {cmd::kSaveSelection, M::kFile,
     QT_TRANSLATE_NOOP("Command", "リストの選択分をCSV形式で保存(&1)"), nullptr, nullptr, nullptr,
     true, false},
    {cmd::kSaveAll, M::kFile, QT_TRANSLATE_NOOP("Command", "リストの全てをCSV形式で保存(&2)"),
     nullptr, nullptr, nullptr, false, false},
    {cmd::kSaveLastChange, M::kFile,
     QT_TRANSLATE_NOOP("Command", "直前の変更をCSV形式で保存(&3)"), nullptr, nullptr, nullptr,
     false, false},
    {cmd::kDeleteSettings, M::kFile, QT_TRANSLATE_NOOP("Command", "設定情報を削除して終了(&D)"),
     nullptr, nullptr, nullptr, true, false},
    {cmd::kQuit, M::kFile, QT_TRANSLATE_NOOP("Command", "終了(&Q)"), nullptr, nullptr, nullptr,
     false, false},
    // 編集
    {cmd::kCut, M::kEdit, QT_TRANSLATE_NOOP("Command", "切り取り(&T)"), "Ctrl+X",
     QT_TRANSLATE_NOOP("Command", "切り取り(Ctrl+X)"), "cut", false, false},
    {cmd::kCopy, M::kEdit, QT_TRANSLATE_NOOP("Command", "コピー(&C)"), "Ctrl+C",
     QT_TRANSLATE_NOOP("Command", "コピー(Ctrl+C)"), "copy", false, false},
    {cmd::kPaste, M::kEdit, QT_TRANSLATE_NOOP("Command", "貼り付け(&P)"), "Ctrl+V",
     QT_TRANSLATE_NOOP("Command", "貼り付け(Ctrl+V)"), "paste", false, false},
    {cmd::kSelectAll, M::kEdit, QT_TRANSLATE_NOOP("Command", "全て選択(&A)"), "Ctrl+A", nullptr,
     nullptr, true, false},
    {cmd::kInvertSelection, M::kEdit, QT_TRANSLATE_NOOP("Command", "選択の切り替え(&I)"), nullptr,
     nullptr, nullptr, false, false},
    {cmd::kMoveUp, M::kEdit, QT_TRANSLATE_NOOP("Command", "選択を上へ(&U)"), "Alt+↑",
     QT_TRANSLATE_NOOP("Command", "アイテムを上へ(Alt+↑)"), "move_up", true, false},
    {cmd::kMoveDown, M::kEdit, QT_TRANSLATE_NOOP("Command", "選択を下へ(&D)"), "Alt+↓",
     QT_TRANSLATE_NOOP("Command", "アイテムを下へ(Alt+↓)"), "move_down", false, false},
    {cmd::kDeleteSelected, M::kEdit, QT_TRANSLATE_NOOP("Command", "選択をリストから消去"), "Del",
     nullptr, nullptr, true, false},
    {cmd::kClearAll, M::kEdit, QT_TRANSLATE_NOOP("Command", "リスト全消去"), nullptr, nullptr,
     nullptr, false, false},
    {cmd::kConfirm, M::kEdit, QT_TRANSLATE_NOOP("Command", "変更確認(&P)"), nullptr, nullptr,
     nullptr, true, false},
    {cmd::kExecute, M::kEdit, QT_TRANSLATE_NOOP("Command", "実行(&F)"), nullptr, nullptr, nullptr,
     false, false},
    {cmd::kReset, M::kEdit, QT_TRANSLATE_NOOP("Command", "リセット(&Z)"), "Ctrl+Z", nullptr,
     nullptr, false, false},
    {cmd::kUndoMode, M::kEdit, QT_TRANSLATE_NOOP("Command", "変更UNDO(&B)"), "Ctrl+B", nullptr,
     nullptr, false, true},
    // 表示
    {cmd::kToolbar, M::kView, QT_TRANSLATE_NOOP("Command", "ツールバー(&L)"), nullptr, nullptr,
     nullptr, false, true},
    {cmd::kStatusBar, M::kView, QT_TRANSLATE_NOOP("Command", "ステータスバー(&S)"), nullptr,
     nullptr, nullptr, false, true},
    {cmd::kTree, M::kView, QT_TRANSLATE_NOOP("Command", "ツリー(&T)"), nullptr,
     QT_TRANSLATE_NOOP("Command", "ツリー表示"), "tree", false, true},
    {cmd::kTopmost, M::kView, QT_TRANSLATE_NOOP("Command", "常に最前面に表示(&F)"), nullptr,
     nullptr, nullptr, false, true},
    {cmd::kRefresh, M::kView, QT_TRANSLATE_NOOP("Command", "更新"), "F5",
     QT_TRANSLATE_NOOP("Command", "更新(F5)"), "refresh", true, false},
    {cmd::kPreviousMode, M::kView, QT_TRANSLATE_NOOP("Command", "前のモードへ"), "Alt+←", nullptr,
     nullptr, true, false},
    {cmd::kNextMode, M::kView, QT_TRANSLATE_NOOP("Command", "次のモードへ"), "Alt+→", nullptr,
     nullptr, false, false},
    // ツール
    {cmd::kFolderMode, M::kTools, QT_TRANSLATE_NOOP("Command", "フォルダ名変更(&D)"), "Ctrl+D",
     nullptr, nullptr, false, true},
    {cmd::kTextEditor, M::kTools, QT_TRANSLATE_NOOP("Command", "テキストエディタで編集"), "Ctrl+E",
     nullptr, nullptr, false, false},
    {cmd::kRecordMacro, M::kTools, QT_TRANSLATE_NOOP("Command", "マクロの記録"), nullptr,
     QT_TRANSLATE_NOOP("Command", "マクロの記録"), "record", true, false},
    {cmd::kEditMacro, M::kTools, QT_TRANSLATE_NOOP("Command", "マクロの編集(&M)"), nullptr, nullptr,
     nullptr, false, false},
    {cmd::kRecordFilter, M::kTools, QT_TRANSLATE_NOOP("Command", "絞り込みを記録する"), nullptr,
     nullptr, nullptr, true, true},
    {cmd::kRecordReplace, M::kTools, QT_TRANSLATE_NOOP("Command", "置換を記録する"), nullptr,
     nullptr, nullptr, false, true},
    {cmd::kRecordOther, M::kTools, QT_TRANSLATE_NOOP("Command", "その他の入力を記録する"), nullptr,
     nullptr, nullptr, false, true},
    {cmd::kContextMenuEntry, M::kTools, QT_TRANSLATE_NOOP("Command", "フォルダの右クリックメニュー"),
     nullptr, nullptr, nullptr, true, true},
    {cmd::kOptions, M::kTools, QT_TRANSLATE_NOOP("Command", "オプション(&O)"), nullptr,
     QT_TRANSLATE_NOOP("Command", "オプション"), "options", true, false},
    // ヘルプ
    {cmd::kHelp, M::kHelp, QT_TRANSLATE_NOOP("Command", "ヘルプの表示(&H)"), "F1", nullptr, nullptr,
     false, false},
    {cmd::kAbout, M::kHelp, QT_TRANSLATE_NOOP("Command", "バージョン情報(&A)"), nullptr,
     QT_TRANSLATE_NOOP("Command", "バージョン情報"), "about", false, false},
    // Keys, toolbar buttons and the list's right-click menu only.
    {cmd::kSaveCsv, M::kNone, QT_TRANSLATE_NOOP("Command", "CSV形式で保存"), "Ctrl+S",
     QT_TRANSLATE_NOOP("Command", "CSV形式で保存(Ctrl+S)"), "csv_save", false, false},
    {cmd::kEnter, M::kNone, QT_TRANSLATE_NOOP("Command", "実行"), "Enter",
     QT_TRANSLATE_NOOP("Command", "実行(Enter)"), "execute", false, false},
    {cmd::kShiftEnter, M::kNone, nullptr, "Shift+Enter", nullptr, nullptr, false, false},
    {cmd::kNextControl, M::kNone, nullptr, "Tab", nullptr, nullptr, false, false},
    {cmd::kPreviousControl, M::kNone, nullptr, "Shift+Tab", nullptr, nullptr, false, false},
    {cmd::kSelectAllKey, M::kNone, nullptr, "Ctrl+A", nullptr, nullptr, false, false},
    {cmd::kPageDown, M::kNone, nullptr, "PgDown", nullptr, nullptr, false, false},
    {cmd::kPageUp, M::kNone, nullptr, "PgUp", nullptr, nullptr, false, false},
    {cmd::kEscape, M::kNone, nullptr, "Esc", nullptr, nullptr, false, false},
    {cmd::kOpenFile, M::kNone, QT_TRANSLATE_NOOP("Command", "開く"), nullptr, nullptr, nullptr,
     false, false},
    {cmd::kOpenParent, M::kNone, QT_TRANSLATE_NOOP("Command", "１つ上のフォルダを開く"), nullptr,
     nullptr, nullptr, false, false},
    {cmd::kDirectRename, M::kNone, QT_TRANSLATE_NOOP("Command", "直接リネーム"), "F2", nullptr,
     nullptr, false, false},
    {cmd::kProperties, M::kNone, QT_TRANSLATE_NOOP("Command", "プロパティ"), nullptr, nullptr,
     nullptr, false, false},
};

constexpr int kToolbar[] = {0,     cmd::kOpenFolder, cmd::kOpenCsv, cmd::kSaveCsv, 0,
                            cmd::kRefresh, 0, cmd::kCut, cmd::kCopy, cmd::kPaste, 0,
                            cmd::kMoveUp, cmd::kMoveDown, 0, cmd::kTree, 0,
                            cmd::kEnter, cmd::kRecordMacro, 0, cmd::kOptions, cmd::kAbout};
static_assert(std::size(kToolbar) == 21, "the toolbar has 21 slots");

constexpr int kListMenu[] = {cmd::kOpenFile, cmd::kOpenParent, cmd::kDirectRename,
                             cmd::kDeleteSelected, cmd::kProperties};

constexpr MenuTitle kMenuTitles[] = {
    {M::kFile, QT_TRANSLATE_NOOP("Command", "ファイル(&F)")},
    {M::kEdit, QT_TRANSLATE_NOOP("Command", "編集(&E)")},
    {M::kView, QT_TRANSLATE_NOOP("Command", "表示(&V)")},
    {M::kTools, QT_TRANSLATE_NOOP("Command", "ツール(&T)")},
    {M::kHelp, QT_TRANSLATE_NOOP("Command", "ヘルプ(&H)")},
};

}  // namespace

std::span<const UiCommand> UiCommands() { return kCommands; }

const UiCommand* FindUiCommand(int id) {
  const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                               [id](const UiCommand& c) { return c.id == id; });
  return it == std::end(kCommands) ? nullptr : &*it;
}

std::span<const int> ToolbarLayout() { return kToolbar; }
std::span<const int> ListMenuCommands() { return kListMenu; }
std::span<const MenuTitle> MenuTitles() { return kMenuTitles; }

}  // namespace tessivo
