#pragma once
// The command-line grammar: turns the program's arguments into a CommandLine
// value, the automation flags word with its run code, the overrides an
// automatic run puts in place of the settings and the mode panel, the path
// arguments in their order, and a diagnostic for every switch that cannot be
// used. Nothing here reads the clock, the settings or the disk: the current
// local time and the `autoaddopt` setting come in as arguments, so the same
// arguments always give the same CommandLine.
//
// Which arguments are switches. An argument is a switch only when it has the
// shape of one of the switch forms below; anything else is a path, even when
// it begins with "/", so absolute paths work. The forms:
//   exact:    /show /hide /noexit /exit /test /errmsg /allmsg /nomsg /file
//   prefixed: /auto… /undo… /subfolder… /folder… /sort… (the part after the
//             name holds no "/"), /autofile=… and /filter… (any text)
//   s/SEARCH/REPLACEMENT/FLAGS as argument 1 or 2 (a replacement expression)
// A prefixed form with a value it cannot use ("/auto26", "/autoattr1-0",
// "/automtime20140230", "/sortfoo") is still a switch: it is reported in
// `diagnostics`. To name a path such as "/auto26", put it after "--" or
// write it "//auto26".
//
// GNU forms: "--NAME" stands for "/NAME" and "--NAME=VALUE" for "/NAME"
// followed directly by VALUE ("--auto=7" is "/auto7"), except that the "="
// stays where the switch itself has one: "--autofile=PATH", "--filter=TEXT",
// and a time switch whose VALUE begins with "ctime" or "mtime"
// ("--autoctime=mtime" is "/autoctime=mtime"). "--" ends the switches (every
// later argument is a path).
//
// The program's own options: "--help", "-h" and "/?" ask for the help;
// "--version" and "-V" for the version; "--dry-run" and "-n" are other
// names of "/test"; "--all" shows every row in the dry-run table.
//
// A command line must never surprise: a headless run changes real files, so
// a mistake stops the run before anything changes (RunStopper below), never
// runs it anyway. Mistakes are reported in `diagnostics`:
//   - an argument that looks like an option ("-" and at least one more
//     character: "-q", "--test=yes") but is none of the above (a path that
//     begins with "-" is written "./-name" or put after "--");
//   - a switch form beyond argument 20 (only arguments 1 to 20 are examined
//     as switches; "/filter…" counts anywhere);
//   - a switch form whose value cannot be used, and a text longer than its
//     field allows (a search or replacement text over 241 characters, a macro
//     file path over 259, a "/filter…" argument of 256 or more).
// What needs the disk or the regular-expression engine (paths that do not
// exist, an expression that does not compile) is checked by the run itself
// (auto_run.h) before it lists anything.
//
// Options of this program beyond the switch forms, taken anywhere before
// "--": "--mode=NAME", "--set KEY=VALUE" (or "--set=KEY=VALUE"), "--csv=FILE"
// (see ModeRunRequest), "--null", "--logs".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "modes/attributes.h"
#include "modes/calendar.h"

namespace tessivo {

// The automation flags word. Bits 0-6 hold the run code; 0 as a whole means
// interactive use.
inline constexpr std::uint32_t kRunCodeMask = 0x7F;
inline constexpr std::uint32_t kFlagShowWindow = 0x80;
inline constexpr std::uint32_t kFlagStayOpen = 0x100;
inline constexpr std::uint32_t kFlagMacroFile = 0x200;
inline constexpr std::uint32_t kFlagErrorMessages = 0x400;
inline constexpr std::uint32_t kFlagAllMessages = 0x800;

// Run codes: 1-25 play that macro slot; the others below.
inline constexpr int kRunAttributes = 51;  // RenameMode 14
inline constexpr int kRunTimestamps = 52;  // RenameMode 13
inline constexpr int kRunReplace = 53;     // RenameMode 10, regular expressions
inline constexpr int kRunUndo = 54;        // undo of logged run `undo_number`
inline constexpr int kRunMode = 55;        // "--mode=NAME": one mode with the panel's values

// The last argument index examined as a switch.
inline constexpr int kSwitchArgumentLimit = 20;
// Longest macro file path kept; longest search or replacement text taken.
inline constexpr std::size_t kMaxMacroPathLength = 259;
inline constexpr std::size_t kMaxReplaceTextLength = 241;
// A "/filter…" argument of this many characters or more is ignored.
inline constexpr std::size_t kFilterArgumentLimit = 256;

// Sort codes are 10 × column + direction (0 ascending, 1 descending). "/sortdir"
// and "/sortdirr" sort the folder column (2), the column their name points at.
inline constexpr int kSortCodeFolder = 20;
inline constexpr int kSortCodeFolderDescending = 21;

struct TimestampOverrides {
  int which_time = 0;        // as `creatmodif` 0-4: 0 creation, 1 modification, 2 both,
                             // 3 creation := modification, 4 modification := creation
  int filter = 0;            // as `timestpsm`, for 3 and 4: 0 all, 1 moving later, 2 moving earlier
  CalendarTime target;       // millisecond always 0
  int seconds_per_file = 0;  // 0..604800

  friend bool operator==(const TimestampOverrides&, const TimestampOverrides&) = default;
};

struct ReplaceOverrides {
  std::u16string search;       // up to kMaxReplaceTextLength
  std::u16string replacement;  // up to kMaxReplaceTextLength
  bool all_occurrences = false;
  bool case_sensitive = true;
  bool include_extension = false;

  friend bool operator==(const ReplaceOverrides&, const ReplaceOverrides&) = default;
};

enum class DiagnosticKind {
  kUnusableValue,   // a switch form whose value is malformed or out of range
  kTooLong,         // a text longer than its limit; the text was not taken
  kUnknownOption,   // looks like an option ("-x", "--NAME") but is none
  kOutsideWindow,   // a switch after argument 20 (not read)
  kIgnoredSetting,  // an `autoaddopt` token that is not an option switch
};

struct CommandLineDiagnostic {
  int index = 0;            // argument index; 0 for an `autoaddopt` token
  std::u16string argument;  // as given
  DiagnosticKind kind = DiagnosticKind::kUnusableValue;
  std::u16string message;  // one English line naming the argument and the fault
};

// "--mode=NAME", "--set KEY=VALUE" and "--csv=FILE": a run of one mode with
// the values of the mode panel as stored, the values given with --set put in
// their place for this run only (nothing of the run is saved). NAME is the
// mode's command-line name or its button label (mode_catalogue.h); KEY is
// checked when the run starts (SetPanelValue). --csv=FILE alone is
// --mode=csv, whose list comes from FILE instead of paths.
struct ModeRunRequest {
  int mode = 0;  // RenameMode; 0 when not asked for
  std::vector<std::pair<std::u16string, std::u16string>> settings;  // KEY, VALUE in order
  std::optional<std::u16string> csv_file;
  // Why the run cannot go (one line); the run stops with exit status 2.
  std::u16string error;
};

struct CommandLine {
  std::uint32_t flags = 0;  // the automation flags word
  bool test_mode = false;
  // Whether the last "/show" or "/hide" of an automatic run was "/show",
  // whatever test mode did to kFlagShowWindow: a run without it needs no display.
  bool show_given = false;
  std::u16string macro_file;  // from "/autofile=", with kFlagMacroFile
  int undo_number = 0;        // 1-9 with run code kRunUndo, else 0
  int file_folder = -1;       // -1 none, 0 files, 1 folders
  int dropped_folder = -1;    // -1 none, 0 list one level down, 1 list the folder itself
  int depth = -1;             // -1 none, 0-10
  int sort_code = -1;         // -1 none
  std::optional<std::u16string> filter_text;  // the last usable "/filter…"
  AttributeRequests attributes;               // all kLeave unless "/autoattr" was used
  TimestampOverrides timestamps;
  ReplaceOverrides replace;
  std::vector<std::u16string> paths;  // the path arguments, in order
  bool help_requested = false;
  bool version_requested = false;
  bool all_rows = false;  // "--all": the dry-run table shows unchanged and excluded rows too
  ModeRunRequest mode_run;
  bool null_paths = false;      // "--null": more paths on standard input, each ending in NUL
  bool logs_requested = false;  // "--logs": list the logged runs
  // "/test" (or -n, --dry-run) was given, even without a run it could act on.
  bool dry_run_given = false;

  std::vector<CommandLineDiagnostic> diagnostics;

  int run_code() const { return static_cast<int>(flags & kRunCodeMask); }
};

// The mistake that stops a run started by `line`: the first diagnostic of an
// argument (the `autoaddopt` setting's are warnings only), or null.
const CommandLineDiagnostic* RunStopper(const CommandLine& line);

// Whether `line` asks for nothing the headless program does, so the window
// program is started in its place: no run switch, no "--mode"/"--csv", no
// dry run, no "--null", no help, version or log listing, and no mistake.
bool WantsWindow(const CommandLine& line);

// Parses `args`, argument 0 being the program (it is not looked at). `now`
// is the current local time, the base of "today", "now" and the time of day
// of a bare date. `autoaddopt` is the setting's value; its blank-separated
// tokens are read before the arguments' option switches when the run is
// automatic (flags word non-zero), so an argument overrides them.
CommandLine ParseCommandLine(const std::vector<std::u16string>& args,
                             std::u16string_view autoaddopt, const CalendarTime& now);

// The "/" form of a GNU-style argument ("--NAME" or "--NAME=VALUE"), or
// nullopt when `arg` has no such shape ("--" alone, "--=x", "-x", "/x").
std::optional<std::u16string> LongOptionToSwitch(std::u16string_view arg);

// Whether `text` (a "/" form) has the shape of a switch. `index` is the
// argument's position, which matters only for replacement expressions.
bool IsSwitchForm(std::u16string_view text, int index);

struct ReplacementExpression {
  std::u16string search;
  std::u16string replacement;
  bool all_occurrences = false;    // "g"
  bool ignore_case = false;        // "i"
  bool include_extension = false;  // "e"
};

// Reads "s/SEARCH/REPLACEMENT/FLAGS": at least 4 characters, an even number
// (2 to 16) of "/" after the leading "s/" that are not escaped by a
// backslash; the middle one of them ends the search text and the last one
// the replacement, so "s/a/b/c/d/" searches "a/b" and puts "c/d". Texts keep
// their backslashes. Flags are "g", "i", "e", "k" (no effect) and "/".
// nullopt when `arg` is not such an expression; the texts are returned at
// any length (the caller applies kMaxReplaceTextLength).
std::optional<ReplacementExpression> ParseReplacementExpression(std::u16string_view arg);

// Reads "/autoctime…", "/automtime…" or "/autobtime…": "=mtime[new|old]"
// (ctime switch) or "=ctime[new|old]" (mtime switch); "today", "today+N",
// "todayHHMMSS", "todayHHMMSS+N"; "now", "now+N"; "YYYYMMDD", "YYYYMMDD+N",
// "YYYYMMDDHHMMSS", "YYYYMMDDHHMMSS+N". N is 0..604800 seconds per file
// (at most 5 digits after "today", 6 after "now" and "todayHHMMSS", 9 after
// a date). A date has a year 1900-1999 or 2000-2999 and must exist; a month
// or day "00" is refused. The time of day is "now"'s where none is given
// and 00:00:00 for "today". nullopt when the time given is not usable.
std::optional<TimestampOverrides> ParseTimestampSwitch(std::u16string_view arg,
                                                       const CalendarTime& now);

// The list-filter text of a "/filter…" argument: after "/filter=\"" from
// character 9, after "/filter=" or "/filter\"" from 8, else from 7, without a
// closing double quote. nullopt when `arg` does not begin with "/filter" or
// has kFilterArgumentLimit characters or more.
std::optional<std::u16string> FilterTextOf(std::u16string_view arg);

// The sort code of a "/sort…" switch ("/sort" 0, "name" 0, "namer" 1, "r" 1,
// "ext" 10, "extr" 11, "dir" 20, "dirr" 21, "size" 40, "sizer" 41, "date" 50,
// "dater" 51), or nullopt for anything else.
std::optional<int> SortCodeOf(std::u16string_view arg);

}  // namespace tessivo
