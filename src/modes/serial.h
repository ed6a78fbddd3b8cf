#pragma once
// Serial numbering (rename mode 3): every row gets a number made from one
// line of text, the serial text, placed at one of five places in its name.
//
// The serial text holds fixed text before the number, the start value, an
// optional increment and fixed text after. Two forms:
//   marked     "2014_<001>", "<10-2>", "<a>", "<Z+1>", "<>": the number part
//              starts after the first "<"; digits, or letters counted a, b,
//              ..., z, aa, ... (A..Z likewise); "+n" or "-n" after it sets the
//              direction and an increment of up to five digits. Every "<"
//              and ">" of the text is dropped.
//   automatic  "photo_9", "001_2014", "IMG": the last run of digits is the
//              number; a text without digits gets "1" appended.
// A number part longer than nine characters keeps its last nine; the rest is
// text before it. Row r gets start + r * increment (in the direction), never
// below 0, padded to the number part's width ("001", "002", ...). Letters
// below "a" give an empty number. The tokens \f, \s, \: and \e of tokens.h
// are then expanded in the single style.
//
// With `dirrenreset` each folder is numbered on its own: the counter of a row
// is the number of rows of its folder met before it in the run. The counters
// live in a SerialRunState that the caller keeps for one run.
//
// The serial input assistant splits a serial text into its parts for editing
// (SplitSerialText) and joins the edited parts back (JoinSerialText).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "modes/tokens.h"

namespace tessivo {

// Where the serial string goes (`numinspos`).
enum SerialPlacement : int {
  kSerialAtFront = 0,             // serial + name
  kSerialAfterBase = 1,           // base + serial + extension
  kSerialAfterExtension = 2,      // name + serial
  kSerialAsName = 3,              // serial (the old extension goes)
  kSerialAsNameWithExtension = 4  // serial + extension
};

struct SerialParams {
  std::u16string text;  // the serial text
  int position = kSerialAtFront;
  bool per_folder = false;  // number each folder separately
};

enum SerialKind : int {
  kSerialDigits = 1,
  kSerialLowerLetters = 2,
  kSerialUpperLetters = 3,
};

// A parsed serial text.
struct SerialSpec {
  std::u16string text;  // the serial text after marker removal
  // The first and the last character of the number part in `text`.
  std::size_t start_position = 0;
  std::size_t end_position = 0;
  SerialKind kind = kSerialDigits;
  // The number part's value: decimal for digits, bijective base 26 for
  // letters (a = 1, z = 26, aa = 27).
  std::int64_t start_value = 0;
  std::int64_t increment = 1;  // 0 to 99999
  int direction = 1;           // +1 or -1
  std::u16string before;
  std::u16string number;  // the number part as written, at most 9 characters
  std::u16string after;
};

// Parses a serial text (its first 256 characters). Every text parses: an
// empty one numbers 1, 2, 3, ...
SerialSpec ParseSerialText(std::u16string_view serial_text);

// The number of row counter `row_counter`: digits padded to the width of the
// number part, or letters (empty below "a").
std::u16string FormatSerialNumber(const SerialSpec& spec, std::uint64_t row_counter);

// before + number + after with its tokens expanded for `source_path`, at
// most 259 characters.
std::u16string MakeSerialString(const SerialSpec& spec, std::uint64_t row_counter,
                                std::u16string_view source_path, const FileSizeFn& file_size = {});
std::u16string MakeSerialString(std::u16string_view serial_text, std::uint64_t row_counter,
                                std::u16string_view source_path, const FileSizeFn& file_size = {});

// What the serial mode keeps between the rows of one run: the per-folder
// counters and the last parsed serial text. Make a new one (or Reset) for
// every run; it is not shared between threads.
class SerialRunState {
 public:
  // The counter of the next row in `folder` (compared exactly): 0 for a
  // folder not met before in this run, then 1, 2, ...
  std::uint64_t NextFolderCounter(const std::u16string& folder);

  // The parse of `serial_text`, reused while the text stays the same. The
  // reference is valid until the next call.
  const SerialSpec& Spec(std::u16string_view serial_text);

  void Reset();

 private:
  std::unordered_map<std::u16string, std::uint64_t> folder_counters_;
  std::optional<std::u16string> spec_text_;
  SerialSpec spec_;
};

// Returns folder + new name of `source_path` for the row `row_index` of the
// run (the count of rows before it). With `dirrenreset` the folder's counter
// in `state` is used, and advanced, instead of `row_index`: call once per row.
// The result is cut to 259 characters; a placement outside 0 to 4 returns
// the source unchanged.
std::u16string ApplySerial(const std::u16string& source_path, const SerialParams& params,
                           std::uint64_t row_index, SerialRunState& state,
                           const FileSizeFn& file_size = {});

// The fields of the serial input assistant.
struct SerialFields {
  std::u16string before;     // text before the number
  std::u16string start;      // start digits or letters
  bool negative = false;     // the increment's sign: "－" when true, "＋" when false
  std::u16string increment;  // the increment's absolute value, "1" to "100000000"
  std::u16string after;      // text after the number
};

// Splits a serial text (its first 258 characters) into the assistant's
// fields. A text without "<" is first marked: its last run of digits (its
// last nine digits) is put between "<" and ">", or "<>" is appended when it
// has no digit. A text with "<" but no ">" after it is all start text.
SerialFields SplitSerialText(std::u16string_view serial_text);

// Joins the fields (each cut to 127 characters) into a serial text. The "<"
// and ">" are left out when they are not needed: no text before or after,
// a plain decimal start, and the increment "1" upward.
std::u16string JoinSerialText(const SerialFields& fields);

}  // namespace tessivo
