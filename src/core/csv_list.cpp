#include "core/csv_list.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <new>
#include <utility>

#include "config/encoding.h"

namespace tessivo {
namespace {

constexpr std::size_t kNpos = std::u16string_view::npos;
// Longest cell, and longest folder, base name or extension of a field.
constexpr std::size_t kPartMax = 259;

// ---- fields ----

struct FieldParts {
  std::u16string_view folder;  // up to and including the last "/"
  std::u16string_view name;    // base + extension
  std::u16string_view base;
  std::u16string_view extension;  // from the name's last ".", dot included
};

FieldParts Split(std::u16string_view field) {
  FieldParts p;
  const std::size_t slash = field.rfind(u'/');
  p.folder = slash == kNpos ? std::u16string_view() : field.substr(0, slash + 1);
  p.name = field.substr(p.folder.size());
  const std::size_t dot = p.name.rfind(u'.');
  p.base = dot == kNpos ? p.name : p.name.substr(0, dot);
  p.extension = dot == kNpos ? std::u16string_view() : p.name.substr(dot);
  return p;
}

bool IsName(std::u16string_view f) { return !f.empty() && f.find(u'/') == kNpos; }
bool IsPath(std::u16string_view f) { return !f.empty() && f.front() == u'/' && f.back() == u'/'; }
bool IsFullPath(std::u16string_view f) {
  return !f.empty() && f.front() == u'/' && f.back() != u'/';
}

// A field is usable when each of its parts fits a cell; a field holding
// " : " (an undo-mode cell) or beginning with "<" (a description) is let
// through, its cells being checked later.
bool PartsFit(std::u16string_view field) {
  const FieldParts p = Split(field);
  if (p.folder.size() <= kPartMax && p.base.size() <= kPartMax && p.extension.size() <= kPartMax) {
    return true;
  }
  return field.find(u" : ") != kNpos || (!field.empty() && field.front() == u'<');
}

// The comma that ends the field starting at `from`, or npos. A field opening
// with a double quote ends at the first `",` after it, so commas inside the
// quotes (a name ending in one included) stay in the field; any other field
// ends at the first `,"`, else at the first `,`.
std::size_t FindSeparator(std::u16string_view line, std::size_t from) {
  if (from < line.size() && line[from] == u'"') {
    const std::size_t closing = line.find(u"\",", from + 1);
    return closing == kNpos ? kNpos : closing + 1;
  }
  const std::size_t quoted = line.find(u",\"", from);
  return quoted != kNpos ? quoted : line.find(u',', from);
}

std::u16string_view StripQuotes(std::u16string_view f) {
  if (!f.empty() && f.back() == u'"') f.remove_suffix(1);
  if (!f.empty() && f.front() == u'"') f.remove_prefix(1);
  return f;
}

void SetRow(CsvRow& row, std::u16string_view name, std::u16string_view folder,
            std::u16string_view new_name) {
  row.name.assign(name);
  row.extension.assign(Split(name).extension);
  row.folder.assign(folder);
  row.new_name.assign(new_name);
}

// ---- line ends ----

// Finds the line ends of one text from left to right. The CR LF and LF
// searches remember what they found, so reading a whole text is linear even
// where every line ends in a bare LF.
class LineCursor {
 public:
  explicit LineCursor(std::u16string_view text) : text_(text) {}

  struct Line {
    std::u16string_view text;  // without its line end
    std::size_t next = 0;      // start of the next line
    bool last = false;         // no line end followed
  };

  Line At(std::size_t position) {
    Line line;
    if (position >= text_.size()) {
      line.next = text_.size();
      line.last = true;
      return line;
    }
    if (!crlf_searched_ || (crlf_ != kNpos && crlf_ < position)) {
      crlf_ = text_.find(u"\r\n", position);
      crlf_searched_ = true;
    }
    if (crlf_ != kNpos) {
      line.text = text_.substr(position, crlf_ - position);
      line.next = crlf_ + 2;
      return line;
    }
    if (!lf_searched_ || (lf_ != kNpos && lf_ < position)) {
      lf_ = text_.find(u'\n', position);
      lf_searched_ = true;
    }
    if (lf_ != kNpos) {
      line.text = text_.substr(position, lf_ - position);
      line.next = lf_ + 1;
      return line;
    }
    line.text = text_.substr(position);
    line.next = text_.size();
    line.last = true;
    return line;
  }

 private:
  std::u16string_view text_;
  // The next CR LF and LF at or after the last position asked about (npos
  // once there is none left), valid once searched. Positions only grow.
  bool crlf_searched_ = false;
  bool lf_searched_ = false;
  std::size_t crlf_ = kNpos;
  std::size_t lf_ = kNpos;
};

// ---- writing ----

void AppendRowLine(std::u16string& text, const FileItem& item, CsvFormat format) {
  const std::u16string_view name = item.Get(Cell::kName);
  const std::u16string_view folder = item.Get(Cell::kFolder);
  const std::u16string_view new_name = item.Get(Cell::kNewName);
  switch (format) {
    case CsvFormat::kStandard:
      text.append(u"\"").append(name).append(u"\",\"").append(new_name);
      text.append(u"\",\"").append(folder).append(u"\"\r\n");
      break;
    case CsvFormat::kOldFullPath:
      text.append(folder).append(name).append(u"\r\n");
      break;
    case CsvFormat::kOldFullPathNewName:
      text.append(u"\"").append(folder).append(name);
      text.append(u"\",\"").append(new_name).append(u"\"\r\n");
      break;
  }
}

Error NoMemory(Messenger& messenger, std::u16string detail) {
  messenger.ShowMessage(MessageKind::kNoMemory, 0, {}, {}, kLevelError);
  return MakeError(ErrorCode::kNoSpace, std::move(detail));
}

}  // namespace

// ---- reading ----

CsvRecordKind ParseCsvRecord(std::u16string_view line, CsvRow& row) {
  if (!line.empty() && line.front() == u'#') return CsvRecordKind::kComment;
  if (line.size() > kCsvLineMax) return CsvRecordKind::kMalformed;

  std::u16string_view f1 = line;
  std::u16string_view f2;
  std::u16string_view f3;
  const std::size_t sep1 = FindSeparator(line, 0);
  if (sep1 != kNpos) {
    f1 = line.substr(0, sep1);
    const std::size_t sep2 = FindSeparator(line, sep1 + 1);
    f2 = line.substr(sep1 + 1, sep2 == kNpos ? kNpos : sep2 - sep1 - 1);
    if (sep2 != kNpos) f3 = line.substr(sep2 + 1);
  }
  if (f1.size() > kCsvField1Max || f2.size() + 1 > kCsvFieldWithSeparatorMax ||
      f3.size() + 1 > kCsvFieldWithSeparatorMax) {
    return CsvRecordKind::kMalformed;
  }
  f1 = StripQuotes(f1);
  f2 = StripQuotes(f2);
  f3 = StripQuotes(f3);
  if (f3.size() > kCsvField3Max) return CsvRecordKind::kMalformed;

  // A folder given without its closing "/" beside a bare name.
  std::u16string folder3(f3);
  if ((f1.empty() || f1.front() != u'/') && !folder3.empty() && folder3.front() == u'/' &&
      folder3.back() != u'/') {
    folder3.push_back(u'/');
  }
  f3 = folder3;
  if (!PartsFit(f1) || !PartsFit(f2) || !PartsFit(f3)) return CsvRecordKind::kMalformed;

  const FieldParts p1 = Split(f1);
  const FieldParts p2 = Split(f2);
  CsvRow result;
  bool matched = true;
  if (IsName(f1) && f2.find(u'/') == kNpos && IsPath(f3)) {
    SetRow(result, f1, f3, f2);
  } else if (IsName(f1) && !p2.folder.empty() && p2.folder.front() == u'<' && IsPath(f3)) {
    // A timestamp description: its date holds "/".
    SetRow(result, f1, f3, f2.substr(0, p2.folder.size() + p2.base.size()));
  } else if (IsName(f1) && IsPath(f2) && f3.empty()) {
    SetRow(result, f1, f2, u" ");
  } else if (IsFullPath(f1) && IsName(f2)) {
    SetRow(result, p1.name, p1.folder, f2);
  } else if (IsFullPath(f1) && f2.empty()) {
    SetRow(result, p1.name, p1.folder, {});
  } else if (IsFullPath(f1) && IsFullPath(f2) && p1.folder == p2.folder &&
             (f3.empty() || f3.find(u"<NORMAL>") != kNpos)) {
    SetRow(result, p1.name, p1.folder, p2.name);
  } else {
    matched = false;
  }
  if (!matched || result.name.size() > kPartMax || result.folder.size() > kPartMax ||
      result.new_name.size() > kPartMax) {
    return CsvRecordKind::kMalformed;
  }
  row = std::move(result);
  return CsvRecordKind::kRow;
}

CsvLineResult ParseCsvLine(std::u16string_view text, std::size_t& position,
                           std::optional<CsvRow>& row) {
  row.reset();
  LineCursor cursor(text);
  const LineCursor::Line line = cursor.At(position);
  CsvRow cells;
  const CsvRecordKind kind = ParseCsvRecord(line.text, cells);
  if (kind == CsvRecordKind::kMalformed) return CsvLineResult::kMalformed;
  if (kind == CsvRecordKind::kRow) row = std::move(cells);
  position = line.next;
  return line.last ? CsvLineResult::kLastLine : CsvLineResult::kDone;
}

CsvLoadReport TextToList(FileList& list, std::u16string_view text, Messenger& messenger) {
  CsvLoadReport report;
  const int existing = list.Count();
  int index = std::clamp(list.options().max_file_index, 0, kMaxFileIndexLast);
  const int focused = list.FocusedRow();
  int insert_at = focused > 0 ? focused : -1;

  LineCursor cursor(text);
  std::size_t position = 0;
  while (position < text.size()) {
    if (report.lines_read >= MaxFileCount(index) - existing) {
      if (index >= kMaxFileIndexLast) {
        messenger.ShowMessage(MessageKind::kListFull, static_cast<unsigned>(index), {}, {},
                              kLevelError);
        report.end = CsvLoadEnd::kRowLimit;
        break;
      }
      if (messenger.ShowMessage(MessageKind::kOfferMoreFiles, static_cast<unsigned>(index), {}, {},
                                kLevelQuestion) != kAnswerYes) {
        report.end = CsvLoadEnd::kRowLimit;
        break;
      }
      ++index;
      FileListOptions options = list.options();
      options.max_file_index = index;
      list.SetOptions(options);
      continue;
    }

    const LineCursor::Line line = cursor.At(position);
    CsvRow row;
    const CsvRecordKind kind = ParseCsvRecord(line.text, row);
    if (kind == CsvRecordKind::kMalformed) {
      report.end = CsvLoadEnd::kMalformed;
      break;
    }
    if (kind == CsvRecordKind::kRow) {
      list.AddRow(row.name, row.extension, row.folder, row.new_name, {}, {},
                  insert_at >= 0 ? insert_at : list.Count(), FileStatus::kUnchecked);
      if (insert_at >= 0) ++insert_at;
      ++report.rows_added;
    }
    ++report.lines_read;
    position = line.next;
    if (line.last) {
      report.end = CsvLoadEnd::kLastLine;
      break;
    }
  }
  report.stop_position = position;
  report.max_file_index = index;
  list.UpdateSampleName();
  return report;
}

// ---- writing ----

Result<std::u16string> ListToText(FileList& list, CsvRows rows, CsvFormat format,
                                  CsvDestination destination, bool remove_after,
                                  Messenger& messenger) {
  const bool selected_only = rows == CsvRows::kSelected;
  const std::size_t count =
      static_cast<std::size_t>(selected_only ? list.SelectedCount() : list.Count());
  std::u16string text;
  try {
    text.reserve(800 * count + 1);
    if (destination == CsvDestination::kFile) {
      if (format == CsvFormat::kStandard) text.append(kCsvHeaderStandard);
      if (format == CsvFormat::kOldFullPathNewName) text.append(kCsvHeaderFullPathNewName);
    }
    for (int i = 0; i < list.Count(); ++i) {
      if (selected_only && !list.IsSelected(i)) continue;
      AppendRowLine(text, list.Item(i), format);
    }
  } catch (const std::bad_alloc&) {
    return NoMemory(messenger, u"list text");
  }
  if (remove_after) {
    if (selected_only) {
      list.DeleteSelected();
    } else {
      list.ClearAll();
    }
  }
  return text;
}

Result<std::u16string> ClipboardText(FileList& list, bool cut, Messenger& messenger) {
  return ListToText(list, CsvRows::kSelected, CsvFormat::kStandard, CsvDestination::kClipboard, cut,
                    messenger);
}

std::u16string WithCsvSuffix(std::u16string_view path) {
  constexpr std::u16string_view kSuffix = u".CSV";
  std::u16string result(path);
  if (path.size() >= kSuffix.size()) {
    const std::u16string_view tail = path.substr(path.size() - kSuffix.size());
    const bool same =
        std::equal(tail.begin(), tail.end(), kSuffix.begin(),
                   [](char16_t a, char16_t b) { return static_cast<char16_t>(u_toupper(a)) == b; });
    if (same) return result;
  }
  if (path.size() + kSuffix.size() >= 260) return result;
  result.append(u".csv");
  return result;
}

bool CanSaveCsv(const FileList& list, Messenger& messenger) {
  if (list.Count() > 0) return true;
  messenger.ShowMessage(box::kOk | box::kIconInformation, MessageId::kEmptyListTitle,
                        MessageId::kEmptyListText, kLevelInfo);
  return false;
}

Result<std::string> CsvFileBytes(FileList& list, CsvRows rows, CsvFormat format,
                                 Messenger& messenger) {
  Result<std::u16string> text =
      ListToText(list, rows, format, CsvDestination::kFile, false, messenger);
  if (!text) return text.error();
  try {
    std::string bytes;
    // Room for every unit to become an escape, so nothing is cut or left '?'.
    EscapeNonAnsi(*text, bytes, 6 * text->size() + 3);
    return bytes;
  } catch (const std::bad_alloc&) {
    return NoMemory(messenger, u"list bytes");
  }
}

Status SaveCsvFile(FileList& list, FileSystem& fs, Messenger& messenger,
                   std::u16string_view chosen_path, CsvRows rows, CsvFormat format) {
  Result<std::string> bytes = CsvFileBytes(list, rows, format, messenger);
  if (!bytes) return bytes.error();
  return fs.WriteFileAtomic(WithCsvSuffix(chosen_path), *bytes);
}

Result<CsvLoadReport> LoadCsvFile(FileList& list, FileSystem& fs, Messenger& messenger,
                                  std::u16string_view chosen_path) {
  list.ClearAll();
  const std::u16string path = WithCsvSuffix(chosen_path);
  const std::size_t max_rows =
      static_cast<std::size_t>(MaxFileCount(list.options().max_file_index));
  const std::size_t max_bytes = kCsvReadBytesPerRow * max_rows;
  const std::size_t max_units = kCsvTextUnitsPerRow * max_rows;

  // One byte more than allowed tells whether the file goes on.
  Result<std::string> bytes = fs.ReadRange(path, 0, max_bytes + 1);
  if (!bytes) return bytes.error();
  std::u16string text;
  bool cut = false;
  try {
    if (bytes->size() > max_bytes) {
      bytes->resize(max_bytes);
      cut = true;
    }
    if (UnescapeText(text, *bytes, max_units) != 0) cut = true;
  } catch (const std::bad_alloc&) {
    return NoMemory(messenger, u"list text");
  }
  if (cut) {
    const std::size_t last_end = text.rfind(u'\n');
    text.resize(last_end == kNpos ? 0 : last_end + 1);
  }
  CsvLoadReport report = TextToList(list, text, messenger);
  report.cut = cut;
  return report;
}

}  // namespace tessivo
