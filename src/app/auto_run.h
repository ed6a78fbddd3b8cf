#pragma once
// The unattended run: what the program does without a window when the
// command line asks for an automatic run.
//
// The sequence is the window's, without waiting for its timers: put the
// message policy in place, load the path arguments (each its own batch of
// the duplicate check) to the depth and in the file or folder mode the
// switches ask for, take the list-filter text, sort, select the mode of the
// run code with the command-line values in place of the panel's, and then
// execute (which previews first) or, for the undo run, load the logged run
// and reverse it. In test mode nothing is changed: the preview is printed
// as a table (old name, new name, status legend text) on standard output.
//
// Exit status: 0 when the run ended and no change failed; 1 when at least
// one change (or reverse step) failed, or the list was cut short at the
// maximum file count; 2 when the run could not start (no run asked for, a
// refused preview, an unreadable log or macro file).

#include <chrono>
#include <functional>
#include <istream>
#include <ostream>
#include <string>

#include "app/command_line.h"
#include "app/session.h"

namespace tessivo {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitNotStarted = 2;

struct AutoRunIo {
  std::ostream* out = nullptr;        // the test-mode table (UTF-8)
  std::ostream* err = nullptr;        // the summary and progress lines (UTF-8)
  bool progress_to_terminal = false;  // standard error is a terminal
  std::u16string working_folder;      // relative paths are taken from here ("/" at its end or not)
  std::istream* in = nullptr;         // "--null": NUL-separated paths (UTF-8)
};

// Whether the settings are written back after the run: not after a dry run,
// which leaves everything as it was, nor after "--logs", nor after a
// "--mode" run, whose values are for that run only.
bool SavesSettings(const CommandLine& command_line);

// Turns a path argument into a full path: relative ones are taken from
// `working_folder`; "." and ".." components and repeated "/" are folded.
std::u16string AbsolutePath(std::u16string_view path, std::u16string_view working_folder);

// Runs the automatic run `command_line` asks for over `session` (already
// started). Returns the exit status.
int RunUnattended(Session& session, const CommandLine& command_line, FileTime now,
                  const AutoRunIo& io);

}  // namespace tessivo
