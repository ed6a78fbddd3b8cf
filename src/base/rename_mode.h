#pragma once
// The rename modes by their numbers, as settings, macro files and messages
// keep them. Every layer that speaks of a mode names it here.

namespace tessivo {

enum class RenameMode : int {
  kPositionEdit = 1,
  kExtension = 2,
  kSerial = 3,
  kLetterCase = 4,
  kWidth = 5,
  kShortName = 6,
  kAdd = 7,
  kDelete = 8,
  kDate = 9,
  kReplace = 10,
  kCsv = 11,
  kRandom = 12,
  kTimestamp = 13,
  kAttributes = 14,
  // 15..18 are empty entries of the table.
  kMacro = 19,
};

inline constexpr int ModeNumber(RenameMode mode) { return static_cast<int>(mode); }

// The timestamp and attribute modes change what is stored with a file,
// never its name.
inline constexpr bool IsMetadataMode(int mode) {
  return mode == ModeNumber(RenameMode::kTimestamp) || mode == ModeNumber(RenameMode::kAttributes);
}

}  // namespace tessivo
