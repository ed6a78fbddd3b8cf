#pragma once
// The "save the last change" command: the rename log of the newest run,
// copied byte for byte to a file the user chooses.
//
// The copy is the log exactly as stored (code page 932, CR LF, three quoted
// fields a line; see exec/rename_log.h), so its "<NORMAL>" lines of renames
// within one folder load back as a CSV list (core/csv_list.h), while the line
// of a move or of a timestamp change ends such a load.
//
// The window shows the save dialog between the two calls.

#include <string_view>

#include "core/message.h"
#include "base/result.h"
#include "platform/file_system.h"

namespace tessivo {

inline constexpr std::u16string_view kSaveLastChangeTitle = u"直前の変更を保存";

// The check before the dialog: false, after "No Log!", when the newest log
// (slot 1 in `program_folder`) does not exist.
bool HasLastChange(FileSystem& fs, std::u16string_view program_folder, Messenger& messenger);

// Copies the newest log to `chosen_path` with ".csv" added as for CSV lists
// (WithCsvSuffix), replacing a file already there. Returns the error of the
// read (kNotFound when the log is gone) or of the write; the window reports
// neither.
Status SaveLastChange(FileSystem& fs, std::u16string_view program_folder,
                      std::u16string_view chosen_path);

}  // namespace tessivo
