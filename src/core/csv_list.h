#pragma once
// CSV lists: the rows of the FileList written out as text and read back.
//
// A list is saved to a file in one of three formats, loaded from a file, and
// cut, copied and pasted as text through the clipboard. A loaded list brings
// old names together with new names prepared elsewhere (in a spreadsheet);
// the "CSV等" mode then executes exactly those names. The window owns the
// dialogs and the clipboard; everything else is here.
//
// Stored format (files move between systems; do not change). Files are code
// page 932 with the "\u" escapes of config/encoding.h; clipboard text is
// UTF-16. Paths use "/" and a folder cell ends in "/", so folder + old name
// is the full path. Nothing is escaped: names stand between double quotes as
// they are. Lines end in CR LF.
//   format 0 (standard)        header "# 変更前,変更後,フォルダ名"
//                              "old","new","folder"
//   format 1 (old full path)   no header; folder + old, unquoted
//   format 2 (full path, new)  header "# 変更前フルパス名,変更後ファイル名"
//                              "folder+old","new"
// The clipboard always uses format 0 without its header.
//
// Reading (ParseCsvLine) accepts more than the three formats: any line of one
// to three fields in one of the shapes listed at ParseCsvRecord, "#" comment
// lines, lines ending in CR LF or in a bare LF, and the "<NORMAL>" lines of a
// rename log. Guarantees:
// - A malformed line ends the load there, without a message; the rows added
//   before it stay. Nothing is read past the text given.
// - A row is only ever added whole: no cell of a loaded row is cut.
// - The list never grows past its row limit without the user's Yes, and
//   never past kAbsoluteMaxFiles.
//
// Not thread-safe; the window's thread owns the list.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/file_list.h"
#include "core/message.h"
#include "base/result.h"
#include "platform/file_system.h"

namespace tessivo {

// The formats a list is saved in; the values are those of `savecsvfmt`.
enum class CsvFormat : int { kStandard = 0, kOldFullPath = 1, kOldFullPathNewName = 2 };
inline constexpr int kCsvFormatCount = 3;

// Which rows are written.
enum class CsvRows : int { kSelected = 1, kAll = 2 };

// Where the text goes: a file gets the format's header line, the clipboard
// does not.
enum class CsvDestination : int { kFile = 0, kClipboard = 1 };

// ---- texts the window shows ----

inline constexpr std::u16string_view kCsvHeaderStandard = u"# 変更前,変更後,フォルダ名\r\n";
inline constexpr std::u16string_view kCsvHeaderFullPathNewName =
    u"# 変更前フルパス名,変更後ファイル名\r\n";

// The entries of the save dialog's format box (object name "id1725"), in
// `savecsvfmt` order.
inline constexpr int kCsvFormatComboId = 1725;
inline constexpr std::u16string_view kCsvFormatEntries[kCsvFormatCount] = {
    u"標準形式 （\"name1.ext\",\"name2.ext\",\"/folder/\"）",
    u"変更前フルパス名 （/folder/name1.ext）",
    u"変更前フルパス,変更後 （\"/folder/name1.ext\",\"name2.ext\"）",
};
inline constexpr std::u16string_view kSaveSelectedCsvTitle = u"リストの選択ファイルをCSV形式で保存";
inline constexpr std::u16string_view kSaveAllCsvTitle = u"リストの全てをCSV形式で保存";
inline constexpr std::u16string_view kLoadCsvTitle = u"csvファイルを読み込む";
inline constexpr std::u16string_view kCsvFilterName = u"CSVファイル (*.csv)";
inline constexpr std::u16string_view kCsvFilterPattern = u"*.csv";

// ---- reading ----

// Limits of one line, in UTF-16 code units. Field 1 holds at most 261 units,
// fields 2 and 3 at most 262 each counting the comma before them, and field
// 3 at most 260 once its quotes are gone. A longer line cannot be valid.
inline constexpr std::size_t kCsvField1Max = 261;
inline constexpr std::size_t kCsvFieldWithSeparatorMax = 262;
inline constexpr std::size_t kCsvField3Max = 260;
inline constexpr std::size_t kCsvLineMax = kCsvField1Max + 2 * kCsvFieldWithSeparatorMax;

// The cells one line gives.
struct CsvRow {
  std::u16string name;       // old name
  std::u16string extension;  // of the old name, dot included
  std::u16string folder;     // ends in "/"
  std::u16string new_name;
  friend bool operator==(const CsvRow&, const CsvRow&) = default;
};

enum class CsvRecordKind { kRow, kComment, kMalformed };

// The grammar of one line, `line` without its line end. A line beginning
// with "#" is a comment. Otherwise it is cut into one to three fields, each
// ending at a separator comma or the line end: a field that opens with a
// double quote ends at the first `",` after the quote, so commas inside the
// quotes stay (a name ending in a comma too); any other field ends at the
// first `,"` from its start, else at the first `,`. A double
// quote ending a field is dropped, then one beginning it. When field 1 is
// not a full path and field 3 is, field 3 gets a trailing "/". A field whose
// folder, base name or extension is longer than 259 units is malformed,
// unless it holds " : " or begins with "<". Accepted shapes ("name": no "/",
// "path": begins and ends with "/", "full path": begins with "/", does not
// end with one), tried in this order:
//   name     | name (may be empty)              | path     -> old, new, folder
//   name     | text whose folder begins with "<" | path    -> new = field 2
//            |   without its extension (a timestamp description)
//   name     | path                             | empty    -> new " ", folder field 2
//   full     | name                             | any      -> split field 1, new field 2
//   full     | empty                            | any      -> split field 1, new empty
//   full     | full, same folder                | holds "<NORMAL>" -> both names
//   full     | full, same folder                | empty    -> both names
// Anything else is malformed: an empty line, a path where a name is meant,
// two full paths in different folders (a move), a log's timestamp line, and
// any row whose old name, new name or folder would exceed 259 units.
// On kRow, `row` holds the cells; otherwise it is left alone.
CsvRecordKind ParseCsvRecord(std::u16string_view line, CsvRow& row);

enum class CsvLineResult : int { kDone = 0, kMalformed = 1, kLastLine = 2 };

// Reads the line of `text` starting at `position`. The line ends at the first
// CR LF from there; where none follows, at the first LF; where neither does,
// the rest is the last line. Returns
//   kDone       the line was read; `position` is past its line end;
//   kLastLine   the last line was read; `position` is text.size();
//   kMalformed  the line is not valid; `position` is left at its start.
// `row` is set to the line's cells when it gave a row, reset otherwise (a
// comment, or a malformed line). A `position` at or past the end reads an
// empty last line, which is malformed.
CsvLineResult ParseCsvLine(std::u16string_view text, std::size_t& position,
                           std::optional<CsvRow>& row);

enum class CsvLoadEnd {
  kEndOfText,  // every line was read
  kLastLine,   // a last line without a line end was read
  kMalformed,  // a malformed line stopped the load
  kRowLimit,   // the list was full and the user did not raise the limit
};

struct CsvLoadReport {
  int rows_added = 0;
  int lines_read = 0;  // lines read whole, comments included
  CsvLoadEnd end = CsvLoadEnd::kEndOfText;
  std::size_t stop_position = 0;  // start of the malformed line, else where reading ended
  // The list's `maxfilenum` index afterwards: the user may have raised it.
  // The caller stores it back into the settings.
  int max_file_index = 0;
  // LoadCsvFile only: the file was larger than the read allows, and the
  // part of it after the last line end read was left out.
  bool cut = false;
};

// Adds the rows of `text` to the list, line by line with ParseCsvLine, until
// the text ends, a line is malformed or a last line was read. Rows are
// inserted before the focused row when a row after the first has the focus
// (so pasted rows keep their order), else appended; each gets the extension
// of its old name, no size or date, FileStatus kUnchecked.
// Row limit: with E rows already listed and the limit M of the list's
// `maxfilenum` index, once M − E lines have been read and more text remains,
// the question of kind 2 offers the next larger limit: Yes raises the list's
// index and reading goes on, No ends it (kRowLimit). At the largest limit
// there is nothing to offer: kind 8 says so and reading ends.
// Then UpdateSampleName runs.
CsvLoadReport TextToList(FileList& list, std::u16string_view text, Messenger& messenger);

// ---- writing ----

// The text of the rows asked for, in list order. A file destination starts
// with the format's header line (formats 0 and 2). With `remove_after`, the
// rows written are then removed (DeleteSelected, or ClearAll for all rows).
// kNoSpace when the text's memory cannot be had: message kind 3 has been
// shown and the list is unchanged.
Result<std::u16string> ListToText(FileList& list, CsvRows rows, CsvFormat format,
                                  CsvDestination destination, bool remove_after,
                                  Messenger& messenger);

// The clipboard text of the list's cut (`cut`) or copy command: the selected
// rows in the standard format, without header; a cut removes them.
Result<std::u16string> ClipboardText(FileList& list, bool cut, Messenger& messenger);

// `path` with ".csv" appended, unless it already ends in ".csv" (letter case
// aside) or the result would be 260 units or longer.
std::u16string WithCsvSuffix(std::u16string_view path);

// The check before the save dialog: false, after "Empty List", when the list
// has no rows.
bool CanSaveCsv(const FileList& list, Messenger& messenger);

// The rows of the file as it is stored: the ListToText file text, converted
// to code page 932 with the "\u" escapes (never cut: every character the code
// page lacks keeps its escape). kNoSpace after message kind 3 when memory
// runs short.
Result<std::string> CsvFileBytes(FileList& list, CsvRows rows, CsvFormat format,
                                 Messenger& messenger);

// Saves the rows to `chosen_path` (WithCsvSuffix applied), replacing any file
// there. Returns the error of the conversion or of the write; the window
// reports neither (only the memory message has been shown).
Status SaveCsvFile(FileList& list, FileSystem& fs, Messenger& messenger,
                   std::u16string_view chosen_path, CsvRows rows, CsvFormat format);

// The most bytes a file load reads, and the most UTF-16 units its decoded
// text keeps, for `max_rows` rows.
inline constexpr std::size_t kCsvReadBytesPerRow = 1560;
inline constexpr std::size_t kCsvTextUnitsPerRow = 520;

// The Load command after the open dialog: clears the list, then reads
// WithCsvSuffix(chosen_path), at most kCsvReadBytesPerRow bytes per row of
// the current limit, decodes it (escapes included) and hands it to
// TextToList. When the file is larger than that (or its text longer than
// kCsvTextUnitsPerRow units a row), the text after the last line end read
// is left out rather than read as a cut line (report.cut).
// Errors (the list is then empty): kNotFound when the file does not exist;
// the read error; kNoSpace after message kind 3.
Result<CsvLoadReport> LoadCsvFile(FileList& list, FileSystem& fs, Messenger& messenger,
                                  std::u16string_view chosen_path);

}  // namespace tessivo
