#pragma once
// The window's commands: one table says, for every command id, its label,
// where it sits (menu, toolbar, list's right-click menu), the key shown
// beside it, its tooltip and icon.
//
// Keys are not Qt shortcuts: the key filter (KeyRouter) translates them
// before any control sees them, so the table only shows them in the menus.

#include <QCoreApplication>
#include <span>

namespace tessivo {

enum class MenuId : int { kNone, kFile, kEdit, kView, kTools, kHelp };

struct UiCommand {
  int id;
  MenuId menu;           // kNone: no menu entry (a key or a toolbar button only)
  const char* label;     // tr() source, with its "&" mnemonic
  const char* key;       // the key shown beside the label, or nullptr
  const char* tooltip;   // toolbar tooltip, or nullptr when not on the toolbar
  const char* icon;      // resource name under :/icons, or nullptr
  bool separator_before; // in its menu
  bool checkable;
};

// Every command, in menu order within each menu.
std::span<const UiCommand> UiCommands();
// The command `id`, or nullptr.
const UiCommand* FindUiCommand(int id);

// The toolbar: 0 stands for a separator. A leading separator, then the
// fourteen commands grouped by six more.
std::span<const int> ToolbarLayout();

// The right-click menu of the list.
std::span<const int> ListMenuCommands();

// The sort submenu "並び替え" sits in the edit menu before this command.
inline constexpr int kSortMenuBefore = 40018;

// Command ids the window uses by name.
namespace cmd {
inline constexpr int kOpenFolder = 40002;
inline constexpr int kQuit = 40003;
inline constexpr int kHelp = 40005;
inline constexpr int kCut = 40006;
inline constexpr int kCopy = 40007;
inline constexpr int kPaste = 40008;
inline constexpr int kAbout = 40009;
inline constexpr int kOptions = 40010;
inline constexpr int kNextControl = 40011;
inline constexpr int kPreviousControl = 40015;
inline constexpr int kConfirm = 40018;
inline constexpr int kEnter = 40019;
inline constexpr int kMoveUp = 40021;
inline constexpr int kMoveDown = 40022;
inline constexpr int kInvertSelection = 40023;
inline constexpr int kDeleteSelected = 40024;
inline constexpr int kClearAll = 40026;
inline constexpr int kExecute = 40027;
inline constexpr int kReset = 40030;
inline constexpr int kSelectAll = 40031;
inline constexpr int kRefresh = 40032;
inline constexpr int kUndoMode = 40041;
inline constexpr int kOpenFile = 40042;
inline constexpr int kPageDown = 40044;
inline constexpr int kPageUp = 40045;
inline constexpr int kDeleteSettings = 40047;
inline constexpr int kFolderMode = 40049;
inline constexpr int kShiftEnter = 40050;
inline constexpr int kSelectAllKey = 40053;
inline constexpr int kOpenParent = 40054;
inline constexpr int kPreviousMode = 40055;
inline constexpr int kNextMode = 40056;
inline constexpr int kSaveCsv = 40062;
inline constexpr int kOpenCsv = 40063;
inline constexpr int kProperties = 40064;
inline constexpr int kEscape = 40065;
inline constexpr int kToolbar = 40067;
inline constexpr int kStatusBar = 40070;
inline constexpr int kDirectRename = 40072;
inline constexpr int kRecordMacro = 40073;
inline constexpr int kTree = 40074;
inline constexpr int kContextMenuEntry = 40076;
inline constexpr int kTopmost = 40077;
inline constexpr int kEditMacro = 40078;
inline constexpr int kTextEditor = 40081;
inline constexpr int kSaveLastChange = 40082;
inline constexpr int kSaveSelection = 40083;
inline constexpr int kSaveAll = 40084;
inline constexpr int kRecordFilter = 40085;
inline constexpr int kRecordReplace = 40086;
inline constexpr int kRecordOther = 40087;
}  // namespace cmd

// The menu titles, in menu-bar order.
struct MenuTitle {
  MenuId menu;
  const char* title;
};
std::span<const MenuTitle> MenuTitles();

}  // namespace tessivo
