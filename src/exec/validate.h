#pragma once
// ValidateRow: the check that tells whether a row's proposed new name can be
// applied, as a FileStatus. Preview runs it on every row; execution runs it
// again right before touching the disk.
//
// The checks, in order (a later one overrides an earlier status only where
// said):
//   - a row marked kExcluded keeps its mark and nothing else happens;
//   - an empty new name is kInvalidName;
//   - in the timestamp and attribute modes (13, 14) the name checks are
//     skipped, as the new-name cell holds a description, not a name;
//   - folder + new name of 256 code units or more is kPathTooLong, and so is
//     a new name longer in bytes on disk than its folder holds;
//   - a new name equal to the old one is kUnchanged; in a folder that
//     ignores letter case so is one that differs only in case, except in
//     the letter-case mode (4);
//   - otherwise a leading "." is kBadCharacter, and the first of
//     " : / ? < > | (kInvalidName), \ (kBackslash), , ; (kBadCharacter), in
//     that order, found anywhere in the new name replaces it; "." and ".."
//     are kInvalidName (execution refuses these and "/" whatever the force
//     options say);
//   - a name still changeable whose target exists is kTargetExists, except in
//     the letter-case and 8.3 modes (4, 6) in a folder that ignores case,
//     where the target found is the file itself under another spelling;
//   - in every mode a "*" in the new name is kInvalidName;
//   - in every mode a row whose own file is gone is kSourceMissing, whatever
//     was found before.
//
// "Exists" means FileSystem::Stat finds an entry at the path. Stat does not
// follow a final symbolic link, so a dangling link counts as existing: the
// name is taken in the folder all the same, and a rename onto it would fail.
// Any failure of the look-up (not only kNotFound) counts as "not there".
// A source path (folder + old name) longer than kMaxSourcePath cannot be
// addressed by the program, whose paths are cut to that length, and counts
// as missing without a look-up; so does a row with an empty old name.
//
// Comparisons are on UTF-16 code units; ignoring case means simple
// upper-case mapping per code unit (ICU u_toupper, never changing a length),
// and happens only where the folder ignores case (FileSystem::NameRulesOf).
// ValidateRow asks `fs` for the folder's rules on every row: a caller that
// validates many rows hands it a FolderSnapshotFileSystem, which asks once
// per folder.

#include <cstddef>
#include <string_view>

#include "core/file_item.h"
#include "core/file_list.h"
#include "platform/file_system.h"

namespace tessivo {

// folder + new name at this length or longer is kPathTooLong.
inline constexpr std::size_t kMaxValidPath = 256;
// Longest composed path the program works with.
inline constexpr std::size_t kMaxSourcePath = 259;
// How many code units the case-blind comparison looks at.
inline constexpr std::size_t kCaseCompareLimit = 260;

// Whether `a` and `b` are equal after simple upper-case mapping of each code
// unit, looking at no more than the first `limit` code units of each.
bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b, std::size_t limit);

// The status the name checks alone give (everything but the two look-ups):
// what ValidateRow returns for a row whose target does not exist and whose
// source does. `rules` are the folder's.
FileStatus CheckNewName(std::u16string_view folder, std::u16string_view old_name,
                        std::u16string_view new_name, int mode, const NameRules& rules);

// Validates `row` of `list` for RenameMode `mode`, looking paths up through
// `fs`. With `store` the status is also written to the row. A row out of
// range gives kSourceMissing and touches nothing. Never changes the disk.
FileStatus ValidateRow(FileList& list, int row, int mode, bool store, FileSystem& fs);

// Whether a row whose name checks leave it changeable has its target looked
// up in mode `mode` (see the list above).
bool ChecksTarget(int mode, const NameRules& rules);

}  // namespace tessivo
