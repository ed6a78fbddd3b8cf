#pragma once
// Adding characters (rename mode 7) and deleting characters (rename mode 8).
// Both edit the name of a row in place and keep its folder.
//
// Add inserts a text, with the tokens of tokens.h expanded in the escaped
// style, at a position counted from the front or the back of the base name:
// position 0 from the front puts it at the start, position 0 from the back
// right before the extension. A position beyond the base name leaves the
// name unchanged.
//
// Delete removes one kind of unwanted part: a shortcut suffix, a copy
// marker, bracketed numbers or text, a count of characters, or characters
// that code page 932 cannot hold. The bracket kinds accept either bracket
// style of their kind, even mixed ("[1］" is a pair), and afterwards drop
// leading spaces. The counts are in UTF-16 code units and never touch the
// extension; a count that would leave nothing leaves the name unchanged.
//
// With a list of folders the whole folder name is the base name. Results are
// cut so that the path stays within 259 characters.

#include <string>
#include <string_view>

#include "modes/tokens.h"

namespace tessivo {

struct AddParams {
  int direction = 0;      // 0 counting from the front, 1 from the back
  int position = 0;       // the value of the position field (ReadAddPosition)
  std::u16string text;    // the text to add, "\u" escapes already decoded
  bool file_dir = false;  // the list holds folders
};

// The value of the add position field as the row is computed: its first
// three characters' leading digits, 0 when there are none.
int ReadAddPosition(std::u16string_view field_text);

// Returns folder + new name of `source_path` with the text added.
std::u16string ApplyAdd(const std::u16string& source_path, const AddParams& params,
                        const FileSizeFn& file_size = {});

// The values of `deltype`.
enum DeleteKind : int {
  kDeleteShortcutSuffix = 0,      // " へのショートカット", " - ショートカット"
  kDeleteCopyMarker = 1,          // "コピー ～ ", " - コピー", " - コピー (2)"
  kDeleteNumberInBrackets = 2,    // [123] ［123］
  kDeleteNumberInParens = 3,      // (123) （123）
  kDeleteTextInBrackets = 4,      // [..] ［..］
  kDeleteTextInParens = 5,        // (..) （..）
  kDeleteTextInCornerQuotes = 6,  // ｢..｣ 「..」
  kDeleteTextInLenticular = 7,    // 【..】
  kDeleteFromFront = 8,           // `dellen` characters
  kDeleteFromBack = 9,            // `dellen` characters
  kDeleteAfterPosition = 10,      // `dellen2` characters after the first `dellen`
  kDeleteOutsideCodePage = 11,    // characters code page 932 lacks
};

struct DeleteParams {
  int kind = kDeleteShortcutSuffix;
  int count = 0;           // first count, 0 to 255
  int second_count = 255;  // second count, 1 to 255
  bool file_dir = false;  // the list holds folders
};

// Returns folder + new name of `source_path` with the parts removed. A kind
// outside 0 to 11 leaves the name unchanged.
std::u16string ApplyDelete(const std::u16string& source_path, const DeleteParams& params);

}  // namespace tessivo
