#pragma once
// Settings: the program's configuration record and how it is kept between
// runs.
//
// The program owns one Settings object for the whole run and passes it on;
// tests make fresh ones. It holds
// - the numeric records (IntKey): 77 stored under their own key names plus
//   five that are packed into option words or not stored at all;
// - the text records (TextKey): 38, each at most 1023 code units in memory
//   and at most 256 when stored;
// - the option words (OptionWord): bit sets stored under "option1" ..
//   "option4", "attribute", "zentohan", "mode", "headcount", "dispcontrols";
// - the six input histories (HistoryId), stored through text records;
// - the version stamp and the start counter.
//
// Reading a setting in later code:
//     settings.Int(IntKey::kRepmode)          numeric record
//     settings.Text(TextKey::kBasepath)       text record
//     settings.Word(OptionWord::kOption4) & opt4::kListHidden
//     settings.History(HistoryId::kSearch).entry(0)
// A record whose value travels inside an option word (`force1`, `del`,
// `subdir`, `maxfilenum`, ...) is read and written as a record; Word()
// packs the current records into the word, SetWord() unpacks them.
//
// Start-up: LoadStage0 when the main window is created, LoadStage1 in the
// second stage after the controls exist; exit: Save(SaveMode::kExit). Missing
// or out-of-range stored values take the record's default: an integer is
// compared with its maximum as an unsigned 32-bit number, so a negative
// stored value always gives the default.
//
// The key names, section "Base", the option-word bit layouts and the stored
// forms below are stored in files that move between systems: do not change
// them.
//
// This unit shows no messages. Where the program asks the user something,
// the function returns the condition and its comment gives the exact text of
// the box the caller shows (through Messenger::ShowMessage).
//
// Not thread-safe; one thread owns it.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/input_history.h"
#include "config/settings_backend.h"
#include "base/result.h"
#include "platform/file_system.h"

namespace tessivo {

// Numeric records: the 77 stored records in the order they are loaded and
// saved, then the five records outside that table.
enum class IntKey : int {
  kTopmost,
  kForce1,
  kForce2,
  kForce3,
  kForce4,
  kChgconfirm,
  kSubdir,
  kSubdirtree,
  kWritelog,
  kDel,
  kEnterdont,
  kNuminspos,
  kBigsmall,
  kDbytebig,
  kReal8_3,
  kListcolor1,
  kListcolor2,
  kListcolor3,
  kWwidth,
  kWheight,
  kWleft,
  kWtop,
  kTreewidth,
  kHead1w,
  kHead2w,
  kHead3w,
  kHead4w,
  kHead5w,
  kHead6w,
  kListcols1,
  kListcols2,
  kRepmode,
  kWhichdate,
  kDatefrom,
  kDateins,
  kAddlen,
  kDellen,
  kDirrenreset,
  kStampnow,
  kBmargin,
  kRmargin,
  kAdddiffpad,
  kFolderread,
  kRegexp,
  kUsejpname,
  kTxteditor,
  kSortnumlogical,
  kSavecsvfmt,
  kRndpattern,
  kRndext,
  kRndlen,
  kTxtedtbox,
  kMultiple,
  kFilefolder,
  kExtadd,
  kDispcmenu,
  kDeltype,
  kRepwithext,
  kNonsjiswarn,
  kAddyymmdd,
  kAddrenmsg,
  kRepcase,
  kCreatmodif,
  kTimeplus,
  kAddprepost,
  kZenorhan,
  kMacrono,
  kFwdback,
  kColumndate,
  kPropno,
  kTextedtext,
  kTimestpsm,
  kMacromsec,
  kInputlog,
  kDellen2,
  kAddrenbegin,
  kPosedtnoext,
  // Outside the stored table:
  kDispinkb,     // in option4
  kMaxfilenum,   // in option2
  kShortcutlink, // in option2
  kFileDir,      // not stored: the run's files (0) / folders (1) choice
  kFwdbackdays,  // not stored: 0 at every start
};
inline constexpr int kIntTableSize = 77;
inline constexpr int kIntKeyCount = 82;

enum class TextKey : int {
  kReplace1str,
  kReplace2str,
  kBasepath,
  kAddstr,
  kRenbanstr,
  kSepstr,
  kFilterextall,
  kExtstr,
  kEditorpath,
  kFaddstr,
  kFrenbanstr,
  kFsepstr,
  kReplacefrom1,
  kReplacefrom2,
  kReplacefrom3,
  kReplacefrom4,
  kReplacefrom5,
  kReplacefrom6,
  kReplacefrom7,
  kReplacefrom8,
  kReplaceto1,
  kReplaceto2,
  kReplaceto3,
  kReplaceto4,
  kReplaceto5,
  kReplaceto6,
  kReplaceto7,
  kReplaceto8,
  kFilterfsize1,
  kFilterfsize2,
  kBsexcept0,
  kBsexcept1,
  kBsexcept2,
  kListfont,
  kAutoaddopt,
  kTimezone,
  kLfiltstr,
  kYmdform,
};
inline constexpr int kTextKeyCount = 38;

// How a record travels to the store.
enum class StorageClass : std::uint32_t {
  kPacked = 0,     // never under its own key (inside an option word, or not stored)
  kSavedOnly = 1,  // written at exit, not read by the start-up loaders
  kLoadedOnly = 2, // read at start, never written
  kLoadedAndSaved = 3,
  kFinalPass = 4,  // placement and column records taken just before they are written
};

struct IntRecordSpec {
  std::u16string_view name;
  StorageClass storage;
  std::int32_t default_value;  // packed records: the default of their option word
  std::int32_t maximum;        // packed records: the limit of their option-word field
  int stage;                   // 0 or 1
};

struct TextRecordSpec {
  std::u16string_view name;
  StorageClass storage;
  std::u16string_view default_value;
  int stage;
  bool escaped;  // stored with "\u" escapes
};

const IntRecordSpec& SpecOf(IntKey key);
const TextRecordSpec& SpecOf(TextKey key);
// Look-up by key name (exact, lower case as stored); nullopt when unknown.
std::optional<IntKey> FindIntKey(std::u16string_view name);
std::optional<TextKey> FindTextKey(std::u16string_view name);

enum class OptionWord : int {
  kOption1,
  kOption2,
  kOption3,
  kOption4,
  kAttribute,
  kZentohan,
  kMode,        // the stored mode: RenameMode - 1
  kHeadcount,   // the list's column order, six 4-bit entries
  kDispcontrols,
};
inline constexpr int kOptionWordCount = 9;

struct OptionWordSpec {
  std::u16string_view name;
  std::int32_t maximum;
  std::int32_t default_value;
  int stage;
};
const OptionWordSpec& SpecOf(OptionWord word);

// Bits of the option words that are not records of their own.
namespace opt1 {
inline constexpr std::uint32_t kShowErrors = 1u << 12;        // "リネームのエラーを表示する"
inline constexpr int kCollisionExampleShift = 16;             // bits 16-18, 0..5
inline constexpr std::uint32_t kCollisionExampleMask = 7u << 16;
inline constexpr std::uint32_t kAddCollisionSerial = 1u << 19;
}  // namespace opt1
namespace opt3 {  // "設定の固定": a set bit applies the fixed value at every start
inline constexpr std::uint32_t kFixWindow = 1u << 0;
inline constexpr std::uint32_t kFixHeader = 1u << 1;
inline constexpr std::uint32_t kFixMode = 1u << 2;
inline constexpr std::uint32_t kFixSerialText = 1u << 3;  // `frenbanstr`
inline constexpr std::uint32_t kFixDateSeparator = 1u << 4;  // `fsepstr`
inline constexpr std::uint32_t kFixAddText = 1u << 7;     // `faddstr`
}  // namespace opt3
namespace opt4 {
inline constexpr std::uint32_t kListHidden = 1u << 0;
inline constexpr std::uint32_t kListReadOnly = 1u << 4;
inline constexpr std::uint32_t kSizeFilterInside = 1u << 8;  // 1 keep only the range, 0 all but it
inline constexpr std::uint32_t kListSystem = 1u << 10;
inline constexpr std::uint32_t kExtFilterOnlyListed = 1u << 12;  // 1 only the listed, 0 all but them
}  // namespace opt4
namespace dispctl {
inline constexpr std::uint32_t kToolbarMask = 3u;  // shown when non-zero; switching on stores 1
inline constexpr std::uint32_t kStatusBar = 1u << 2;
inline constexpr std::uint32_t kFolderTree = 1u << 3;
}  // namespace dispctl
namespace zen {  // `zentohan`: classes converted by the width mode
inline constexpr std::uint32_t kSymbols = 1u << 12;
inline constexpr std::uint32_t kKatakana = 1u << 8;
inline constexpr std::uint32_t kLetters = 1u << 4;
inline constexpr std::uint32_t kDigits = 1u << 0;
}  // namespace zen
// The four 4-bit fields of `attribute`: the bit position of each field.
enum class AttributeField : int { kReadOnly = 12, kHidden = 8, kArchive = 4, kSystem = 0 };
// `inputlog` bits: which fields' inputs are recorded in their histories.
namespace inputlog {
inline constexpr std::uint32_t kListFilter = 1;
inline constexpr std::uint32_t kReplace = 2;
inline constexpr std::uint32_t kOther = 128;  // extension, serial and add texts
}  // namespace inputlog

enum class HistoryId : int {
  kSearch,       // replace mode, search text (entries of 241)
  kReplacement,  // replace mode, replacement text (241)
  kListFilter,   // list filter (241); entry 0 is always kListSelectionKeyword
  kExtension,    // extension text (127)
  kSerial,       // serial text (127)
  kAdd,          // add text (127)
};
inline constexpr int kHistoryCount = 6;
// The list filter's keyword that stands for the selected rows.
inline constexpr std::u16string_view kListSelectionKeyword = u"リスト選択";

// The settings version stamp written as `_version`.
inline constexpr std::int32_t kSettingsVersion = 4231169;  // 0x409001
// Escape capacities (code units) of stored texts.
inline constexpr std::size_t kTextCapacity = 256;
inline constexpr std::size_t kReplaceHistoryCapacity = 15492;

// Where the store is: the back-end of this run and both files' paths. The
// registry file is consulted on the ini back-end too (an older `_version`,
// and deleting stored settings).
struct SettingsLocation {
  BackendKind backend = BackendKind::kIni;
  std::u16string ini_path;       // ".../tessivo.ini"
  std::u16string registry_path;  // ".../registry.ini"
};

struct WindowRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Logical list columns: 0 old name, 1 extension, 2 folder, 3 new name,
// 4 size (shown while `listcols1` is 1), 5 date (while `listcols2` is 1).
inline constexpr int kListColumns = 6;

// What the window and the list hand in at saving.
struct SaveInputs {
  int rename_mode = 1;                 // the current RenameMode (stored as RenameMode - 1)
  std::optional<int> tree_width;       // splitter position, while the folder tree is shown
  WindowRect window;                   // the main window's rectangle
  bool window_maximized = false;
  bool window_minimized = false;
  std::array<int, kListColumns> column_widths{};  // by logical column; hidden ones ignored
  std::vector<int> column_order;       // logical columns of the shown ones, left to right
  // False for a run without a window: the stored placement, list header and
  // tree width stay as the window last left them.
  bool from_window = true;
};

enum class SaveMode : int {
  kExit = 0,      // everything, when the main window closes
  kFixedNow = 1,  // "上記を今すぐ保存": only the values fixed on the page "設定の固定"
};

// Command-line choices that take the place of stored ones for this run;
// -1 when not given.
struct StartOverrides {
  int file_folder = -1;     // 0 files, 1 folders (in place of `filefolder`)
  int dropped_folder = -1;  // 0 one level down, 1 the folder itself (in place of `folderread`)
};

struct Stage0Result {
  // The start counter was below 1: the caller shows the first-start dialog
  // (interactive runs only).
  bool first_start = false;
};

// Where DeleteStoredSettings finds the settings to delete.
enum class StoredSettingsPlace { kRegistry, kIniFile };

class Settings {
 public:
  Settings(FileSystem& fs, SettingsLocation location);
  ~Settings();
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  BackendKind backend() const { return location_.backend; }

  // ---- records ----
  std::int32_t Int(IntKey key) const { return ints_[Index(key)]; }
  void SetInt(IntKey key, std::int32_t value) { ints_[Index(key)] = value; }
  // The class the record has now (Save gives placement and column records
  // class 4 or 1 for the rest of the run).
  StorageClass ClassOf(IntKey key) const { return classes_[Index(key)]; }
  const std::u16string& Text(TextKey key) const { return texts_[Index(key)]; }
  // Keeps at most 1023 code units.
  void SetText(TextKey key, std::u16string_view value);

  // ---- option words ----
  // The word as it would be stored now: packed records and other bits.
  std::uint32_t Word(OptionWord word) const;
  // Sets the word; packed records take their fields (with the clamps of
  // loading: `chgconfirm` 3 -> 2, `subdir` 12 and more -> 12, `maxfilenum`
  // 7 -> 6, `dispinkb` 3 -> 2).
  void SetWord(OptionWord word, std::uint32_t value);
  bool WordBit(OptionWord word, std::uint32_t mask) const { return (Word(word) & mask) != 0; }
  void SetWordBit(OptionWord word, std::uint32_t mask, bool on);
  // option1 bits 16-18, 6 and 7 read as 5.
  int CollisionExampleIndex() const;
  void SetCollisionExampleIndex(int index);
  // One field of `attribute`: 0 clear, 1 set, 2 unchanged (larger read as 2).
  int AttributeChoice(AttributeField field) const;
  void SetAttributeChoice(AttributeField field, int choice);

  // The mode the page "設定の固定" fixes, as stored (RenameMode - 1);
  // starts as the loaded `mode`.
  int fixed_mode() const { return fixed_mode_; }
  void set_fixed_mode(int stored_mode) { fixed_mode_ = stored_mode; }

  std::int32_t version() const { return version_; }
  std::int32_t start_count() const { return count_; }

  // The dropped-folder handling of this run: the command line's choice when
  // one was given, else `folderread`.
  int DroppedFolderMode() const;

  // ---- input histories ----
  InputHistory& History(HistoryId id) { return histories_[Index(id)]; }
  const InputHistory& History(HistoryId id) const { return histories_[Index(id)]; }
  // Whether inputs of that history's field are recorded (`inputlog`).
  bool IsRecorded(HistoryId id) const;
  // Menu 40085/40086/40087: flips `bit` (an inputlog:: bit) of `inputlog`.
  // Returns true when recording is now off; the caller then asks
  // "入力履歴の記録を中止しました。%sの履歴の消去も行いますか。" with "絞り込み"
  // (kListFilter), "置換" (kReplace) or "絞り込み・置換以外" (kOther), title
  // "Logging Stopped. Clear Log?", Yes/No, question icon, level 2, and on
  // Yes calls ClearHistories(bit).
  bool ToggleHistoryRecording(std::uint32_t bit);
  // Empties the histories of `bit`; the list filter keeps its keyword as
  // its only entry.
  void ClearHistories(std::uint32_t bit);

  // ---- the store ----
  // The stored integer, or `default_value` when missing or, compared as
  // unsigned 32-bit numbers, greater than `maximum`.
  std::int32_t ReadInt(std::u16string_view key, std::int32_t maximum, std::int32_t default_value);
  // The stored text (at most 255 code units), or `default_value` (cut).
  // Ini: a value beginning with a double quote loses it, and then a final
  // double quote. Registry: no quote is removed; a value longer than 256
  // code units gives the default.
  std::u16string ReadText(std::u16string_view key, std::u16string_view default_value);
  // WriteInt/WriteText collect the write; it reaches the disk at Flush()
  // (Save and LoadStage0 flush themselves). Ini: the text goes in double
  // quotes, plainly converted to the code page (a character it lacks
  // becomes "?"). Registry: a text with characters the code page lacks is
  // escaped into it (EscapeNonAnsi, capacity 256); any other is converted
  // as it is.
  void WriteInt(std::u16string_view key, std::int32_t value);
  // `text` is cut to 256 code units first, in place.
  void WriteText(std::u16string_view key, std::u16string& text);
  // Writes collected writes; the error of the back-end, if any. Writes
  // are not reported to the user.
  Status Flush(Durability durability = Durability::kSynced);

  // Start-up, first stage: start counter, option2/3/4, mode,
  // headcount, dispcontrols, `dispcmenu` from `context_menu_installed`
  // (the desktop entry's presence), the stage-0 records, `filterextall`
  // decoded (the list filter splits it), the two replace histories; the
  // other histories are emptied. Writes the start counter at once.
  Stage0Result LoadStage0(bool context_menu_installed);
  // Start-up, second stage: option1, attribute, zentohan, the stage-1
  // records (with `regexp` 1, `repmode` becomes 0), the other histories and
  // the fixed texts. Afterwards the caller selects entry 0 of every history
  // box and, when option3 has kFixSerialText / kFixDateSeparator /
  // kFixAddText set, shows `frenbanstr` / `fsepstr` / `faddstr` in that
  // field.
  void LoadStage1(const StartOverrides& overrides);
  // Reads one record on demand (ReadInt with its maximum and current value,
  // or ReadText with its current value). `autoaddopt` is saved at exit but
  // not loaded at start: read it with LoadOne before it is used or saved.
  void LoadOne(IntKey key);
  void LoadOne(TextKey key);
  // Writes one record now (the options sheet's `multiple`). Nothing is
  // written while no_save() is set.
  Status WriteOne(IntKey key);

  // Saves. kExit: the version stamp, the option words, the histories'
  // stored forms (`extstr` .. `lfiltstr`, `replacefrom1` .. `replaceto8`
  // are rebuilt in memory), every record of class 1 or 3, the mode unless
  // it is fixed; then the window placement unless it is fixed or the window
  // is maximised or minimised, and the list header unless it is fixed.
  // kFixedNow: the fixed mode, and the placement and header where option3
  // fixes them. Both end with option3. Taken placement and header records
  // get class 4 (hidden columns class 1: their stored width stays) for the
  // rest of the run. Nothing at all is written while no_save() is set.
  // Returns the back-end's error; the old file then stays as it was.
  Status Save(SaveMode mode, const SaveInputs& inputs);

  // The options page "設定の固定" applied: the fixed-mode choice (stored
  // form), the mode/serial/date/add boxes with their texts; option3 keeps
  // bits 0 and 1; `propno` becomes 2.
  struct FixedValues {
    int stored_mode = 0;
    bool fix_mode = false;
    bool fix_serial_text = false;
    std::u16string serial_text;  // up to 255 code units kept
    bool fix_date_separator = false;
    std::u16string date_separator;  // up to 256
    bool fix_add_text = false;
    std::u16string add_text;  // up to 256
  };
  void ApplyFixedValues(const FixedValues& values);

  // ---- deleting the stored settings (menu 40047 "設定情報を削除して終了(&D)") ----
  // Where the settings to delete are: kRegistry when the registry file holds
  // `_count`. The caller asks, with the display name for %s:
  // - kRegistry: "%s のレジストリを削除して終了します。よろしいですか。\n", title
  //   "Delete Reg & Close?", OK/Cancel, exclamation icon, level 2; unless
  //   Cancel: DeleteRegistry(), and on success close the main window.
  // - kIniFile: "設定(ini)ファイルを初期化して終了します。よろしいですか。", title
  //   "Initalize Config?", Yes/No, information icon, level 2; on Yes:
  //   ResetIniFile() and close the main window.
  // Then, when no_save() is set and `dispcmenu` is 1, the caller removes the
  // folder context-menu entry.
  StoredSettingsPlace StoredSettingsToDelete();
  // Deletes the program's registry key and counts the maker's `tools` down
  // (deleting the maker key when it was below 2); sets no_save(). Returns an
  // error when both deletions failed; the caller then shows, with the
  // display name and "Software\Quellin Tools\Tessivo" for the two %s, the
  // text made of these two lines joined:
  //   "%s のレジストリの削除に失敗しました。\nレジストリエディタを開いて\n"
  //   "HKEY_CURRENT_USER\%s\n を直接削除してください。(しなくても構いません。)"
  // title "Cannot Delete Registry", stop icon, level 1, and does not close.
  // On success: "%s のレジストリは正常に削除されました。", title "Registry
  // Successfully Deleted", information icon, level 0.
  Status DeleteRegistry();
  // Overwrites the ini file with exactly "[Base]\r\n" and sets no_save().
  // Returns the write's error, if any (the flag is set regardless).
  Status ResetIniFile();
  bool no_save() const { return no_save_; }

 private:
  static std::size_t Index(IntKey key) { return static_cast<std::size_t>(key); }
  static std::size_t Index(TextKey key) { return static_cast<std::size_t>(key); }
  static std::size_t Index(OptionWord w) { return static_cast<std::size_t>(w); }
  static std::size_t Index(HistoryId h) { return static_cast<std::size_t>(h); }

  SettingsBackend& store();
  RegistryBackend& registry();
  IniBackend& ini();
  void LoadStartCounter(Stage0Result& result);
  void LoadWord(OptionWord word);
  void LoadRecords(int stage);
  void WriteWord(OptionWord word);
  void WriteTextRecord(TextKey key);
  void SaveHistories();
  void TakeWindowPlacement(const SaveInputs& inputs);
  void TakeListHeader(const SaveInputs& inputs);
  void DecodeText(TextKey key);

  SettingsLocation location_;
  std::unique_ptr<IniBackend> ini_;
  std::unique_ptr<RegistryBackend> registry_;

  std::array<std::int32_t, kIntKeyCount> ints_;
  std::array<StorageClass, kIntKeyCount> classes_;
  std::array<std::u16string, kTextKeyCount> texts_;
  // Option words as loaded or set; the bits of packed records live in the
  // records (Word() merges them).
  std::array<std::uint32_t, kOptionWordCount> words_;
  std::vector<InputHistory> histories_;
  int fixed_mode_ = 0;
  int dropped_folder_override_ = -1;
  std::int32_t version_ = -1;
  std::int32_t count_ = 0;
  bool no_save_ = false;
};

// ---- applying stored values at start (the list and the window use these) ----

// The six column widths: the stored ones, or the built-in set 192, 60, 170,
// 180, 98, 120 when `head4w` is 179 (a width never stored) or the first four
// add up to 0.
std::array<int, kListColumns> ColumnWidthsAtStart(const Settings& settings);
// The shown logical columns in display order, from `headcount` (entries that
// are 6, hidden, repeated or out of range are skipped; shown columns it
// lacks follow in their logical order).
std::vector<int> ColumnOrderAtStart(const Settings& settings);
// The stored window rectangle when it may be used: width and height not
// negative, left + width and top + height at least -10, and the point
// (left + width/2 - 10, top + height/2 - 10) inside `virtual_screen`.
// nullopt: centre the window with height kDefaultWindowHeight.
std::optional<WindowRect> WindowRectAtStart(const Settings& settings,
                                            const WindowRect& virtual_screen);
inline constexpr int kDefaultWindowHeight = 437;

}  // namespace tessivo
