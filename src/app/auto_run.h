#pragma once
// The unattended run: what the program does without a window when the
// command line asks for an automatic run.
//
// The sequence is the window's, without waiting for its timers: put the
// message policy in place, check the command line, load the path arguments
// (each its own batch of the duplicate check) to the depth and in the file or
// folder mode the switches ask for, take the list-filter text, sort, select
// the mode of the run code with the command-line values in place of the
// panel's, preview and execute or, for the undo run, load the logged run and
// reverse it.
//
// A headless run changes real files, so it never goes on after a mistake:
// before anything is listed it stops (exit 2, one line on standard error)
// on a mistake of the command line (RunStopper), a path that does not exist
// (named), or a regular expression that does not compile (PCRE2's message and
// offset). It lists up to the largest list size (50,000 rows) whatever the
// window's list-size setting; a run that would list more changes nothing and
// stops. A file the listing leaves out because its path is too long is named
// on standard error (the first few, then a count); the others are handled as
// usual and the run ends with 1.
//
// The real run reports on standard error a line per failed change with the
// system's reason ("file not found", "name taken", "permission denied", ...)
// and a summary: renamed, unchanged (same name), with a collision serial,
// failed, skipped by validation (a status the force switches do not let
// through). In test mode (a dry run) nothing is changed: the preview is
// printed on standard output as a table (a header, then path, new name,
// status legend text; on a terminal only the rows that change or fail,
// unless every row was asked for) and the same summary follows.
//
// Exit status: 0 when the run ended and no change failed; 1 when at least
// one change (or reverse step) failed or a file was left out for its path;
// 2 when the run could not start (a mistake above, no run asked for, more
// rows than the list holds, a refused preview, an unreadable log or macro
// file). A dry run ends with 0 when every row would be changed (a collision
// serial counts) or is left alone without an error (same name, excluded),
// and with 1 when some row would be refused or fail.

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
  bool table_to_terminal = false;     // standard output is a terminal
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
