// libFuzzer target for the CSV line grammar (core/csv_list.h).
//
// The first input byte chooses how the rest becomes text: even, as a CSV
// file's code page 932 bytes with their "\u" escapes; odd, as raw UTF-16
// code units (little-endian pairs), lone surrogates and all. The text is then
// read line by line with ParseCsvLine, and these must hold:
// - no crash, no read outside the text (the sanitizers watch);
// - each kDone moves the position forward and never past the end; kLastLine
//   ends at the end; kMalformed leaves the position alone;
// - every row has a name without "/" of 1..259 units, its extension, a
//   folder that begins and ends with "/", and cells of at most 259 units;
// - a row written back in the standard format, and in the old-full-path-and-
//   new-name format where its path fits, reads back as the same row (rows
//   whose cells hold a double quote, and timestamp descriptions, excepted);
// - TextToList adds exactly the rows the line-by-line reading gives.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/encoding.h"
#include "core/csv_list.h"
#include "core/file_list.h"
#include "core/message.h"

namespace tessivo {
namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

class NoSink : public MessageSink {
 public:
  int Show(const MessageBox&) override { return kAnswerNo; }
  void Note(const MessageBox&, int) override {}
};

void CheckReadsBack(std::u16string_view line, const CsvRow& row) {
  CsvRow again;
  Check(ParseCsvRecord(line, again) == CsvRecordKind::kRow);
  Check(again == row);
}

void CheckRow(const CsvRow& row) {
  Check(!row.name.empty() && row.name.size() <= 259);
  Check(row.name.find(u'/') == std::u16string::npos);
  const std::size_t dot = row.name.rfind(u'.');
  Check(row.extension == (dot == std::u16string::npos ? u"" : row.name.substr(dot)));
  Check(row.folder.size() >= 1 && row.folder.size() <= 259);
  Check(row.folder.front() == u'/' && row.folder.back() == u'/');
  Check(row.new_name.size() <= 259);

  const auto has_quote = [](const std::u16string& s) { return s.find(u'"') != s.npos; };
  if (has_quote(row.name) || has_quote(row.folder) || has_quote(row.new_name) ||
      row.new_name.find(u'/') != std::u16string::npos) {
    return;
  }
  CheckReadsBack(u"\"" + row.name + u"\",\"" + row.new_name + u"\",\"" + row.folder + u"\"", row);
  const std::u16string full = row.folder + row.name;
  if (full.size() <= 259) CheckReadsBack(u"\"" + full + u"\",\"" + row.new_name + u"\"", row);
}

}  // namespace
}  // namespace tessivo

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessivo;
  if (size == 0) return 0;
  std::u16string text;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  if ((data[0] & 1) == 0) {
    UnescapeText(text, rest, rest.size() + 1);
  } else {
    for (std::size_t i = 0; i + 1 < rest.size(); i += 2) {
      text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(rest[i]) |
                                           (static_cast<std::uint8_t>(rest[i + 1]) << 8)));
    }
  }

  std::vector<CsvRow> rows;
  std::size_t position = 0;
  while (true) {
    const std::size_t before = position;
    std::optional<CsvRow> row;
    const CsvLineResult result = ParseCsvLine(text, position, row);
    if (row) {
      CheckRow(*row);
      rows.push_back(*row);
    }
    if (result == CsvLineResult::kMalformed) {
      Check(position == before && !row);
      break;
    }
    if (result == CsvLineResult::kLastLine) {
      Check(position == text.size());
      break;
    }
    Check(position > before && position <= text.size());
    if (position == text.size()) break;
  }

  NoSink sink;
  Messenger messenger(sink);
  FileListOptions options;
  options.max_file_index = kMaxFileIndexLast;
  FileList list(options);
  const CsvLoadReport report = TextToList(list, text, messenger);
  Check(static_cast<std::size_t>(list.Count()) == rows.size());
  Check(report.rows_added == list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    Check(list.GetCell(i, Cell::kName) == rows[static_cast<std::size_t>(i)].name);
    Check(list.GetCell(i, Cell::kExtension) == rows[static_cast<std::size_t>(i)].extension);
    Check(list.GetCell(i, Cell::kFolder) == rows[static_cast<std::size_t>(i)].folder);
    Check(list.GetCell(i, Cell::kNewName) == rows[static_cast<std::size_t>(i)].new_name);
  }
  return 0;
}
