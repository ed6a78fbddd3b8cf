#pragma once
// ModePanel: the parameter controls of every rename mode as a plain model,
// and the three operations over it: filling it from Settings at start-up
// (FillModeControls), reading it back into Settings before every preview and
// execution (ReadModeParameters), and switching the shown mode (SelectMode).
//
// Each control is a PanelControl keyed by its control number (ctl::), the
// number the window gives the widget ("id" + number), so the window only
// mirrors values, texts, items, enabled and visible flags between the model
// and its widgets. Values:
//   check box            value 0/1 (three-state boxes 0 clear, 1 set, 2 leave)
//   combo box            value = selected index, items = entries
//   editable combo box   text = the typed text, value = selected index or -1,
//                        items = the drop-down (the input history, or the
//                        fixed entries of the date format)
//   edit, static, button text
//   date / time picker   time (year/month/day, or hour/minute/second)
// A control is visible only while its mode is the shown mode and its
// dependent-control rule (modes 8 and 13) allows it.
//
// Not thread-safe; the window's thread owns the panel.

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "modes/calendar.h"
#include "modes/mode_catalogue.h"

namespace tessivo {

class FileList;
class PositionEditState;

// Control numbers of the mode panel.
namespace ctl {
// 1 position edit
inline constexpr int kSampleName = 1007;
inline constexpr int kPositionNoExtension = 1694;
// 2 extension
inline constexpr int kExtensionText = 1008;
inline constexpr int kExtensionDot = 1034;
inline constexpr int kExtensionAppend = 1547;
// 3 serial number
inline constexpr int kSerialText = 1017;
inline constexpr int kSerialPosition = 1151;
inline constexpr int kSerialAssist = 1638;
inline constexpr int kSerialPerFolder = 1755;
// 4 case
inline constexpr int kCaseOption = 1152;
inline constexpr int kCaseFullWidth = 1054;
inline constexpr int kExceptionLabel = 1752;
inline constexpr int kExceptionWords = 1751;
// 5 width
inline constexpr int kWidthDirection = 1537;
inline constexpr int kWidthKatakana = 1075;
inline constexpr int kWidthLetters = 1076;
inline constexpr int kWidthDigits = 1077;
inline constexpr int kWidthSymbols = 1078;
// 6 8.3
inline constexpr int kShortNameCase = 1743;
// 7 add
inline constexpr int kAddDirection = 1762;
inline constexpr int kAddPosition = 1630;
inline constexpr int kAddText = 1625;
// 8 delete
inline constexpr int kDeleteKind = 1157;
inline constexpr int kDeleteCount = 1623;
inline constexpr int kDeleteCountLabel = 1624;
inline constexpr int kDeleteCount2 = 1626;
// 9 date
inline constexpr int kDateSource = 1761;
inline constexpr int kDateFormat = 1154;
inline constexpr int kDateSeparator = 1521;
inline constexpr int kDatePlacement = 1155;
inline constexpr int kDateUnits = 1740;
// 10 replace
inline constexpr int kSearchText = 1672;
inline constexpr int kReplacementText = 1673;
inline constexpr int kReplaceWhich = 1156;
inline constexpr int kReplaceRegexp = 1692;
inline constexpr int kReplaceCase = 1742;
inline constexpr int kReplaceExtension = 1739;
// 11 CSV
inline constexpr int kLoadCsv = 1633;
// 12 random
inline constexpr int kRandomPattern = 1727;
inline constexpr int kRandomExtension = 1728;
inline constexpr int kRandomLength = 1732;
// 13 timestamp
inline constexpr int kStampOperation = 1744;
inline constexpr int kStampDate = 1603;
inline constexpr int kStampTime = 1604;
inline constexpr int kStampNow = 1605;
inline constexpr int kStampIncrement = 1745;
inline constexpr int kStampOnlyWhen = 1764;
inline constexpr int kShiftDays = 1748;
inline constexpr int kShiftDirection = 1750;
// 14 attributes
inline constexpr int kReadOnly = 1110;
inline constexpr int kHidden = 1111;
inline constexpr int kArchive = 1112;
inline constexpr int kSystem = 1113;
// 19 macro
inline constexpr int kMacroSlot = 1158;
inline constexpr int kMacroRecord = 1634;
inline constexpr int kMacroDelete = 1635;
inline constexpr int kMacroEdit = 1726;
}  // namespace ctl

enum class ControlKind {
  kEdit,
  kCheckBox,
  kTriStateBox,
  kComboBox,
  kEditableCombo,
  kStatic,
  kButton,
  kDatePicker,
  kTimePicker,
};

struct PanelControl {
  int id = 0;
  ControlKind kind = ControlKind::kEdit;
  int mode = 0;  // the RenameMode whose panel holds it
  std::u16string text;
  int value = 0;
  std::vector<std::u16string> items;
  CalendarTime time;
  bool enabled = true;
  bool visible = false;
};

// Field lengths read from the panel.
inline constexpr std::size_t kFieldReadChars = 255;    // extension, serial, add texts
inline constexpr std::size_t kReplaceReadChars = 240;  // search and replacement texts
inline constexpr std::size_t kModeTextLimit = 128;     // extension, serial, add: fewer accepted
inline constexpr std::size_t kCountDigits = 3;         // add position, delete counts
inline constexpr std::size_t kLongDigits = 10;         // increment, shift days
inline constexpr int kMaxCount = 255;

// A control as a mode's descriptor lists it: hidden, value 0, `text` its
// label (check boxes, statics, buttons), `items` its entries.
PanelControl MakeControl(int id, ControlKind kind, std::u16string_view text = {},
                         std::initializer_list<std::u16string_view> items = {});

// Texts shown by the dependent-control rules and the fixed entries.
inline constexpr std::u16string_view kExceptionNotApplicable = u"無効";
inline constexpr std::u16string_view kDeleteLabelAfter = u"文字より後";
inline constexpr std::u16string_view kDeleteLabelCount = u"文字";
inline constexpr std::u16string_view kDeleteLabelUnused = u"文字（無効）";
inline constexpr std::u16string_view kEmptyMacroSlot = u"< 未登録 >";
inline constexpr int kMacroSlots = 25;
inline constexpr std::u16string_view kUndoModeLabel = u"変更UNDOモード";

class ModePanel {
 public:
  // Every control of every mode with its label and option list, hidden,
  // values 0 and texts empty (the check boxes and buttons carry their labels).
  ModePanel();

  // The control numbered `id` (one of ctl::). An unknown number gives a
  // scratch control that belongs to no mode; what is written to it is lost.
  PanelControl& At(int id);
  const PanelControl& At(int id) const;
  bool Has(int id) const { return controls_.count(id) != 0; }
  const std::map<int, PanelControl>& controls() const { return controls_; }

  // The controls of RenameMode `mode` in the panel's order; the first one
  // takes the keyboard focus when the mode is selected. Empty for modes
  // without a panel.
  const std::vector<int>& ControlsOf(int mode) const;

  // The RenameMode whose panel is shown; 0 when none is (before the first
  // selection, and while the undo-mode label is shown).
  int shown_mode() const { return shown_mode_; }
  bool undo_label_visible() const { return undo_label_visible_; }

  // The narrowing box of the list (an editable combo box with its input
  // history). It is not part of any mode's panel, but its history is
  // recorded with the mode parameters.
  PanelControl list_filter;

 private:
  friend void ShowModeControls(ModePanel& panel, int mode);
  friend void ShowUndoModeLabel(ModePanel& panel);

  void Add(int mode, PanelControl control);

  std::map<int, PanelControl> controls_;
  std::map<int, std::vector<int>> order_;
  PanelControl scratch_;
  int shown_mode_ = 0;
  bool undo_label_visible_ = false;
};

// Hides every control, then shows those of `mode` (none for a mode without a
// panel) and applies the dependent-control rules.
void ShowModeControls(ModePanel& panel, int mode);
// Hides every control and shows the label kUndoModeLabel instead.
void ShowUndoModeLabel(ModePanel& panel);

// The dependent-control rules:
// - case (4): the exception field 1751 shows the list of the selected option
//   (`bsexcept0` for 0, `bsexcept1` for 1 and 2, `bsexcept2` for 4), enabled
//   with its label 1752; option 3 disables both and shows kExceptionNotApplicable.
// - delete (8): from the text of the selected kind: with "文字分", count 1623
//   and label 1624 enabled, the label kDeleteLabelAfter, and the second count
//   1626 shown while mode 8 is shown; else with "指定文字", 1623 enabled and
//   the label kDeleteLabelCount; otherwise 1623 and 1624 disabled and the
//   label kDeleteLabelUnused.
// - timestamp (13), while mode 13 is shown: options 0..2 show the date and
//   time pickers, the current-time box and the increment field; 3 and 4 only
//   the only-when filter; 5 and 6 the time picker, the days field and the
//   direction. The operation box is always shown.
// The window applies the case rule whenever the option changes (edits of
// the field not yet read are dropped), the delete rule whenever the kind
// changes and the timestamp rule whenever the operation changes.
void ApplyCaseOptionRule(ModePanel& panel, const Settings& settings);
void ApplyDeleteKindRule(ModePanel& panel);
void ApplyTimestampOptionRule(ModePanel& panel);

// Start-up: sets every control from Settings, fills the drop-downs of the
// history fields with their histories (entry 0 selected and shown), puts the
// fixed start-up texts (`frenbanstr`, `fsepstr`, `faddstr`) into their fields
// where option3 fixes them, shows a non-empty `ymdform` as the date format
// with no entry selected, and applies the dependent-control rules. `now` is
// the local date-time: the date picker takes its date, the time picker its
// time of day when `stampnow` is on and 00:00:00 otherwise. The macro slots
// read kEmptyMacroSlot until the macro list names them.
void FillModeControls(ModePanel& panel, const Settings& settings, const CalendarTime& now);

// The decoded texts of the fields whose "\u" escapes are decoded when read.
// They are not Settings records: the modes take them from here.
struct ModeTexts {
  std::u16string serial;       // field 1017, up to 255 characters read
  std::u16string add;          // field 1625, up to 255
  std::u16string search;       // field 1672, up to 240
  std::u16string replacement;  // field 1673, up to 240
};

struct ReadParamsResult {
  // A text was too long: the caller stops the confirm or execute and shows
  // MessageId::kTooLongText with the title kTooLongTitle (OK, stop icon).
  bool too_long = false;
  ModeTexts texts;
  bool ok() const { return !too_long; }
};

// Reads every mode's controls into Settings: check boxes as 0/1, combo boxes
// as their index clamped into their entries, numbers from their digits
// clamped into their ranges (a second delete count of 0 becomes 255, and
// "255" is written back into field 1626; an increment above 604800 and a
// day count above 366 are written back as those limits), the exception field
// into the list of the selected case option (not for option 3), a typed date
// format as `datefrom` −1 with the text in `ymdform`. Records the texts of
// the fields whose history `inputlog` selects (the two replace fields and
// the list filter: entries of 241; extension, serial and add: 127) and
// mirrors each change in the field's drop-down.
// The result is too long when a recorded text had to be cut (242 or more,
// 128 or more characters), or when the current mode's own text (extension
// for 2, serial for 3, add for 7) has 128 characters or more. Everything is
// read and stored in either case.
ReadParamsResult ReadModeParameters(ModePanel& panel, Settings& settings, int mode);

// Decodes the four escaped fields without reading anything else (for runs
// that do not collect parameters, such as a re-check of typed names).
ModeTexts DecodeModeTexts(const ModePanel& panel);

// ---- values given from outside the window ----
//
// A run without a window ("--set KEY=VALUE" on the command line) gives the
// panel its values by name instead of by control. KEY is a settings key of
// the mode panel (`bigsmall`, `extstr`, ...; for a key that holds a field's
// input history, the value becomes the field's text, as the newest entry
// does at start; `attribute` and `zentohan` set the boxes their bits stand
// for), or one of the names below for the fields that have no key. A value
// must lie within what its control takes: a list's entries, 0/1 for a check
// box, a digit field's range, a field's length.
inline constexpr std::u16string_view kTemplateFieldName = u"template";       // 1007
inline constexpr std::u16string_view kSearchFieldName = u"search";           // 1672
inline constexpr std::u16string_view kReplacementFieldName = u"replacement"; // 1673
inline constexpr std::u16string_view kStampDateName = u"date";  // 1603, "YYYY/MM/DD"
inline constexpr std::u16string_view kStampTimeName = u"time";  // 1604, "HH:MM:SS"

// Puts `value` into the control that `key` names (Settings only for the
// exception word lists and `timezone`, which have no control of their own)
// and applies the dependent-control rules. Returns an empty text when it was
// taken, else the reason it was not (one English line, without the key).
// Nothing is stored: ReadModeParameters takes the values at the next preview.
std::u16string SetPanelValue(ModePanel& panel, Settings& settings, std::u16string_view key,
                             std::u16string_view value);

// What the window remembers of the mode selection.
struct ModeSelection {
  int mode_index = 0;           // the current mode, RenameMode − 1
  int tab = 0;                  // 0 or 1
  int checked_button = 1;       // 1..12, the pushed mode button of the tab
  bool macro_playback = false;  // set by the macro player while it runs
};

// What SelectMode did that the window acts on.
struct SelectModeEffects {
  int focus_control = 0;         // first control of the panel; 0 when none
  bool select_all_text = false;  // the focus went to the extension or serial field
  int status_code = 0;           // ModeStatusCode of the mode
  bool names_cleared = false;    // outside macro playback: new names emptied,
                                 // template reloaded; previews are stale
};

// Selects RenameMode `mode` (1..24; anything else counts as 1): records it
// in `selection` (tab and, unless `keep_buttons`, the checked button follow
// it), shows its panel with the dependent rules, and reports focus and
// status code. Outside macro playback it empties every row's new name in
// `list` and reloads the position-edit template: the longest old name of the
// list (the first of them) goes into field 1007 and `position_edit`; with an
// empty list the template length is taken from the field as it is. `list`
// and `position_edit` may be null (nothing done to them).
SelectModeEffects SelectMode(ModeSelection& selection, ModePanel& panel, int mode,
                             bool keep_buttons, FileList* list, PositionEditState* position_edit);
// SelectMode for button `button` of tab `tab` (ModeIndexForButton).
SelectModeEffects SelectModeButton(ModeSelection& selection, ModePanel& panel, int tab, int button,
                                   FileList* list, PositionEditState* position_edit);

// Reads a digit-only field: at most `max_digits` leading characters,
// decimal digits up to the first other character (empty gives 0).
std::int64_t ReadDigits(std::u16string_view text, std::size_t max_digits);

}  // namespace tessivo
