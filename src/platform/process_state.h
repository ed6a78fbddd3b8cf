#pragma once
// What a running program asks of the system about itself: the time now, the
// folder it was started in, and a heap fit for large lists.

#include <string>

#include "base/file_time.h"

namespace tessivo {

// The current time (real-time clock) as a FileTime.
FileTime CurrentFileTime();

// The process's working folder, "/" when it cannot be read.
std::u16string WorkingFolder();

// Readies the heap of a short-lived process that is about to hold a list of
// tens of thousands of rows: the heap grows in large steps, keeps what it
// has, and is offered to the kernel for transparent huge pages, so the first
// touch of its memory costs one fault per 2 MiB rather than one per 4 KiB.
// Call once, first thing in main; where huge pages are off it only sets the
// growth step.
void PrepareHeapForLargeLists();

}  // namespace tessivo
