// tessivo: the program's entry point. Parses the command line and runs the
// automatic run it asks for without a window. A command line that asks for
// nothing this program does (only paths and window switches) starts the
// window program, tessivo-gui from the same folder, in its place.

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/auto_run.h"
#include "app/command_line.h"
#include "app/session.h"
#include "core/headless_message_sink.h"
#include "modes/calendar.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"
#include "platform/process_state.h"
#include "platform/program_folder.h"

namespace {

constexpr char kHelp[] =
    "Usage: tessivo [SWITCH...] [PATH...]\n"
    "\n"
    "Tessivo renames many files and folders at once. Paths are listed as if dropped on the\n"
    "window (folders are walked to the configured depth); a run switch then previews and\n"
    "executes one change without a window, logging every rename so it can be undone.\n"
    "Any argument that is not one of the switches or options below is a path. Without a\n"
    "run switch, a dry run, --null, --help, --version or --logs, tessivo opens the window\n"
    "(tessivo-gui) with the paths listed.\n"
    "\n"
    "Runs (one of):\n"
    "  s/SEARCH/REPLACE/FLAGS   replace with a regular expression (first or second argument);\n"
    "                           flags g all, i ignore case, e with extension, k accepted\n"
    "                             tessivo 's/IMG_(\\d+)/photo_$1/g' ~/Pictures\n"
    "  /autoattrRHAS            attributes read-only, hidden, archive, system: 1 set, 0 clear,\n"
    "                           - unchanged          tessivo /autoattr1-0- ~/docs\n"
    "  /autoctimeSPEC           set creation times; /automtime modification, /autobtime both.\n"
    "                           SPEC: today, todayHHMMSS, now, YYYYMMDD, YYYYMMDDHHMMSS, each\n"
    "                           optionally +N seconds per further file; /autoctime=mtime[new|old],\n"
    "                           /automtime=ctime[new|old] copy one time to the other\n"
    "                             tessivo /automtime20240101120000+60 ~/clips\n"
    "  /undoN                   undo logged run N (1-9, newest 1)   tessivo /undo1\n"
    "  /autoN, /autofile=PATH   play macro slot N (1-25) or a macro file   tessivo /auto3 ~/x\n"
    "  --mode=NAME              one mode with the values the window would use: position,\n"
    "                           extension, serial, case, width, short, add, delete, date,\n"
    "                           replace, csv, random, timestamp, attributes, macro (or the\n"
    "                           mode's Japanese name); nothing of the run is saved\n"
    "  --set KEY=VALUE          a value for this run only (repeatable; also --set=KEY=VALUE):\n"
    "                           any settings key of the mode panel (bigsmall, extstr, extadd,\n"
    "                           renbanstr, numinspos, whichdate, datefrom, dateins, ...), and\n"
    "                           template, search, replacement, date (YYYY/MM/DD), time\n"
    "                           (HH:MM:SS; with date, stampnow=0 unless given); macro plays\n"
    "                           slot macrono (0-24)\n"
    "                             tessivo --mode=date --set whichdate=2 --set datefrom=7 \\\n"
    "                               --set dateins=3 --set sepstr=_ ~/Pictures   (capture date)\n"
    "                             tessivo --mode=serial --set renbanstr=photo_001 \\\n"
    "                               --set numinspos=4 ~/Pictures         (photo_001.jpg, ...)\n"
    "                             tessivo --mode=case --set bigsmall=0 ~/x (lower case)\n"
    "                             find ~/x -name '*.JPG' -print0 |\n"
    "                               tessivo --null --mode=extension --set extstr=jpg\n"
    "                                                            (lower-case extensions)\n"
    "  --csv=FILE               the CSV mode with the list in FILE (old and new names, any\n"
    "                           of the three formats the window saves)\n"
    "                             tessivo --csv=names.csv\n"
    "  --logs                   list the logged runs: slot, date, lines, first change\n"
    "\n"
    "Options:\n"
    "  /file, /folder           list files (default) or folders     tessivo /folder ...\n"
    "  /folder0, /folder1       folders: the folder itself, or its subfolders\n"
    "  /subfolderN              folder depth 0-10                    tessivo /subfolder2 ...\n"
    "  /sortKEY                 name namer ext extr size sizer date dater dir dirr\n"
    "                             tessivo /sortnamer ...\n"
    "  /filter=TEXT             narrowing words (* ? wildcards, leading ! inverts)\n"
    "                             tessivo '/filter=*.jpg' ...\n"
    "  /test, -n, --dry-run     dry run: print the preview table and change nothing; on a\n"
    "                           terminal only rows that change or fail, then the summary\n"
    "  --all                    the dry-run table shows every row\n"
    "  /errmsg, /allmsg, /nomsg which messages would be shown (all go to standard error)\n"
    "  /show, /hide, /noexit, /exit   window switches (no effect without a window)\n"
    "  --null                   also read paths from standard input, each ending in NUL\n"
    "                             find . -type f -print0 | tessivo --null --mode=case ...\n"
    "  --NAME[=VALUE]           GNU form of any switch: --sort=namer is /sortnamer\n"
    "  --help, -h, /?           this help\n"
    "  --version, -V            the version\n"
    "  --                       every later argument is a path (for one beginning with -)\n"
    "\n"
    "A mistake stops the run before anything changes (exit 2, one line on standard error):\n"
    "an argument that looks like an option (-x, --name) but is none of the above, a switch\n"
    "after the 20th argument, a path that does not exist, a regular expression that does\n"
    "not compile, a text longer than its field (search or replacement over 241 characters),\n"
    "more than 50,000 files to list. A file whose path is too long to list is named and the\n"
    "run ends with 1; every failed change is named with the system's reason.\n"
    "\n"
    "Exit status: 0 done (a dry run: every row would be changed or left alone), 1 a change\n"
    "failed or a file was left out (a dry run: some row would be refused), 2 the run could\n"
    "not start.\n"
    "Files: rename logs and macros in $TESSIVO_HOME, else ~/.local/share/tessivo. Settings\n"
    "in tessivo.ini beside them when a file use.ini is there, else in\n"
    "$XDG_CONFIG_HOME/tessivo/registry.ini (~/.config/tessivo/registry.ini).\n";


// Replaces this process with tessivo-gui from this program's folder, with
// the same arguments. Returns only when that fails (or no display exists),
// with the exit status.
int StartWindowProgram(char** argv) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0')) {
    std::cerr << "tessivo: the window needs a display (DISPLAY or WAYLAND_DISPLAY is not set); "
                 "see --help for runs without a window\n";
    return tessivo::kExitNotStarted;
  }
  std::vector<char> self(4096);
  const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
  std::string gui = "tessivo-gui";
  if (length > 0) {
    std::string path(self.data(), static_cast<std::size_t>(length));
    gui = path.substr(0, path.rfind('/') + 1) + gui;
  }
  argv[0] = gui.data();
  ::execv(gui.c_str(), argv);
  std::cerr << "tessivo: cannot start the window program " << gui << ": " << std::strerror(errno)
            << "\n";
  return tessivo::kExitNotStarted;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tessivo;
  PrepareHeapForLargeLists();
  std::vector<std::u16string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8ToUtf16(argv[i]));

  PosixFileSystem fs;
  SystemTimeZone zone;
  const FileTime now = CurrentFileTime();
  const CalendarTime local_now = zone.ToLocal(now).value_or(CalendarTime{});

  Result<ProgramLocation> location = LocateProgram(ProgramEnvironment::FromProcess(), fs);
  if (!location) {
    std::cerr << "tessivo: no program folder: " << Utf16ToUtf8(location.error().detail) << "\n";
    return kExitNotStarted;
  }

  HeadlessMessageSink sink;
  Session session(fs, sink, zone, *location);
  // `autoaddopt` is read before the rest of the settings, as the command line needs it.
  session.settings.LoadOne(TextKey::kAutoaddopt);
  const CommandLine cl =
      ParseCommandLine(args, session.settings.Text(TextKey::kAutoaddopt), local_now);
  if (WantsWindow(cl)) return StartWindowProgram(argv);
  if (cl.help_requested) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (cl.version_requested) {
    std::printf("tessivo %s\n", TESSIVO_VERSION);
    return kExitOk;
  }
  // A mistake on the command line stops the run before anything is touched,
  // the settings' start counter included. The setting's own faults only warn.
  if (const CommandLineDiagnostic* stopper = RunStopper(cl)) {
    std::cerr << "tessivo: " << Utf16ToUtf8(stopper->message) << "\n";
    return kExitNotStarted;
  }
  for (const CommandLineDiagnostic& d : cl.diagnostics) {
    std::cerr << "tessivo: autoaddopt setting: " << Utf16ToUtf8(d.message) << "\n";
  }

  StartOverrides overrides;
  overrides.file_folder = cl.file_folder;
  overrides.dropped_folder = cl.dropped_folder;
  session.Start(overrides, now);

  AutoRunIo io;
  io.out = &std::cout;
  io.err = &std::cerr;
  io.progress_to_terminal = ::isatty(STDERR_FILENO) != 0;
  io.table_to_terminal = ::isatty(STDOUT_FILENO) != 0;
  io.working_folder = WorkingFolder();
  io.in = &std::cin;
  const int status = RunUnattended(session, cl, now, io);
  if (SavesSettings(cl)) (void)session.Save();
  return status;
}
