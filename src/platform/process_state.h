#pragma once
// What a running program asks of the system about itself: the time now and
// the folder it was started in.

#include <string>

#include "base/file_time.h"

namespace tessivo {

// The current time (real-time clock) as a FileTime.
FileTime CurrentFileTime();

// The process's working folder, "/" when it cannot be read.
std::u16string WorkingFolder();

}  // namespace tessivo
