#pragma once
// Full-width and half-width (rename mode 5): rewrites the characters of a
// base name between their half-width forms (ASCII and the half-width
// katakana block U+FF61..U+FF9F) and their full-width forms (the full-width
// ASCII variants, the katakana block, CJK punctuation), for the character
// classes the user picked: digits, letters, katakana, symbols.
//
// Guarantees:
// - Only the base name changes; the folder and the extension are kept as
//   they are (with a list of folders the whole folder name is the base name).
// - A character outside the chosen classes, or without a pair, is copied.
// - Half-width katakana followed by a voiced (ﾞ) or semi-voiced (ﾟ) mark
//   becomes one full-width letter where that letter exists (ｶﾞ -> ガ); to
//   half-width such a letter becomes two characters (パ -> ﾊﾟ). ヮ ヰ ヱ, the
//   stand-alone marks and ヵ ヶ have no pair and stay.
// - The characters a file name may not contain (" * / : < > ? \ |) are
//   never produced: their half-width forms are not converted to full-width
//   and their full-width forms are not converted to half-width. The
//   apostrophe pairs with U+2019 (’), not with U+FF07.
// - When the converted name grows so that folder + name passes 260
//   characters, the name is cut to fit; the extension is appended after the
//   cut, so the result may pass the path limit by its length (the run's
//   length checks report such a row).

#include <string>
#include <string_view>

namespace tessivo {

// The values of `zenorhan`.
enum WidthDirection : int {
  kToHalfWidth = 0,
  kToFullWidth = 1,
};

struct WidthParams {
  int direction = kToHalfWidth;  // any value other than 1 converts to half-width
  bool katakana = false;        // `zentohan` bit 8
  bool letters = false;         // `zentohan` bit 4
  bool digits = false;          // `zentohan` bit 0
  bool symbols = false;         // `zentohan` bit 12
  bool file_dir = false;        // the list holds folders
};

// The conversion of one text (a base name), without any length limit: every
// character of `text` is converted.
std::u16string ConvertWidth(std::u16string_view text, const WidthParams& params);

// Returns folder + converted base name + extension of `source_path`. At
// most the first 260 characters of the base name are read.
std::u16string ApplyWidth(const std::u16string& source_path, const WidthParams& params);

}  // namespace tessivo
