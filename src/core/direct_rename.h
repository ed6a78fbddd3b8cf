#pragma once
// Direct rename: the in-place edit of a row's old name renames the file on
// disk at once, after one question. It is not written to the rename log and
// cannot be undone.

#include <string>

#include "core/file_list.h"
#include "core/message.h"
#include "platform/file_system.h"

namespace tessivo {

enum class DirectRenameOutcome {
  kUnchanged,  // the text equals the old name (or the row does not exist): nothing asked
  kTooLong,    // folder + new name over 259 characters: "Too Long" shown
  kCancelled,  // the question was not answered OK
  kRenamed,    // renamed on disk; the row shows the new name
  kFailed,     // the rename failed: "Rename Failed." shown
};

// Renames row `row`'s file to `new_name` in its folder. On success the old
// name cell takes `new_name`, the extension cell its part from the last "."
// on (empty without one), and the row's proposed name is emptied with its
// status back to 0, as no preview covers the new name yet.
DirectRenameOutcome DirectRename(FileList& list, int row, const std::u16string& new_name,
                                 FileSystem& fs, Messenger& messenger);

}  // namespace tessivo
