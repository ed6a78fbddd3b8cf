#include "app/command_line.h"

#include <array>
#include <utility>

#include "modes/mode_catalogue.h"
#include "modes/timestamp.h"

namespace tessivo {
namespace {

// What a switch argument is; kNone is a path.
enum class Family {
  kNone,
  kReplacement,
  kAutoFile,
  kAutoSlot,
  kAutoAttr,
  kAutoTime,
  kUndo,
  kShow,
  kHide,
  kNoExit,
  kExit,
  kTest,
  kErrMsg,
  kAllMsg,
  kNoMsg,
  kSubfolder,
  kFile,
  kFolder,
  kSort,
  kFilter,
};

struct NamedFamily {
  std::u16string_view name;
  Family family;
};

constexpr std::array<NamedFamily, 9> kExactForms = {{
    {u"/show", Family::kShow},
    {u"/hide", Family::kHide},
    {u"/noexit", Family::kNoExit},
    {u"/exit", Family::kExit},
    {u"/test", Family::kTest},
    {u"/errmsg", Family::kErrMsg},
    {u"/allmsg", Family::kAllMsg},
    {u"/nomsg", Family::kNoMsg},
    {u"/file", Family::kFile},
}};

// Names followed by a value without "/". Longer names before their prefixes.
constexpr std::array<NamedFamily, 9> kPrefixedForms = {{
    {u"/autoattr", Family::kAutoAttr},
    {u"/autoctime", Family::kAutoTime},
    {u"/automtime", Family::kAutoTime},
    {u"/autobtime", Family::kAutoTime},
    {u"/auto", Family::kAutoSlot},
    {u"/undo", Family::kUndo},
    {u"/subfolder", Family::kSubfolder},
    {u"/folder", Family::kFolder},
    {u"/sort", Family::kSort},
}};

constexpr std::u16string_view kAutoFilePrefix = u"/autofile=";
constexpr std::u16string_view kFilterPrefix = u"/filter";
constexpr std::size_t kTimeSwitchLength = 10;  // "/autoctime"

// The program's own options besides the switch forms and their GNU
// spellings, exactly as typed. An argument that looks like an option ("-x",
// "--name") and is neither here nor a switch form stops the run: a script's
// typo must never be taken for a path and the run go on without it. A new
// option is one line here; a name that ends in "=" matches every argument
// that begins with it (the rest is the option's value).
enum class Request { kHelp, kVersion, kAllRows, kSwitch };

struct OwnOption {
  std::u16string_view name;
  Request request;
  std::u16string_view as_switch = {};  // for kSwitch: the switch form it names
};

constexpr OwnOption kOwnOptions[] = {
    {u"--help", Request::kHelp},
    {u"-h", Request::kHelp},
    {u"/?", Request::kHelp},
    {u"--version", Request::kVersion},
    {u"-V", Request::kVersion},
    {u"--dry-run", Request::kSwitch, u"/test"},
    {u"-n", Request::kSwitch, u"/test"},
    {u"--all", Request::kAllRows},  // every row in the dry-run table
};

const OwnOption* OwnOptionOf(std::u16string_view arg) {
  for (const OwnOption& option : kOwnOptions) {
    if (arg == option.name || (option.name.ends_with(u'=') && arg.starts_with(option.name))) {
      return &option;
    }
  }
  return nullptr;
}

// "-" followed by anything: a short or GNU option. "-" alone is a path.
bool LooksLikeOption(std::u16string_view arg) { return arg.size() >= 2 && arg[0] == u'-'; }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

Family FamilyOf(std::u16string_view text, int index) {
  if ((index == 1 || index == 2) && ParseReplacementExpression(text)) return Family::kReplacement;
  if (!text.starts_with(u'/')) return Family::kNone;
  if (text.starts_with(kFilterPrefix)) return Family::kFilter;
  if (text.starts_with(kAutoFilePrefix)) return Family::kAutoFile;
  for (const NamedFamily& form : kExactForms) {
    if (text == form.name) return form.family;
  }
  for (const NamedFamily& form : kPrefixedForms) {
    if (text.starts_with(form.name)) {
      if (text.substr(form.name.size()).find(u'/') != std::u16string_view::npos) {
        return Family::kNone;
      }
      return form.family;
    }
  }
  return Family::kNone;
}

// "/auto1".."/auto9", "/auto10".."/auto25".
std::optional<int> SlotOf(std::u16string_view text) {
  const std::u16string_view rest = text.substr(5);
  if (rest.size() == 1 && rest[0] >= u'1' && rest[0] <= u'9') return rest[0] - u'0';
  if (rest.size() == 2 && IsDigit(rest[1]) &&
      (rest[0] == u'1' || (rest[0] == u'2' && rest[1] <= u'5'))) {
    return (rest[0] - u'0') * 10 + (rest[1] - u'0');
  }
  return std::nullopt;
}

std::optional<AttributeRequests> AttributesOf(std::u16string_view text) {
  if (text.size() != 13) return std::nullopt;
  std::array<AttributeRequest, 4> values{};
  for (std::size_t i = 0; i < 4; ++i) {
    switch (text[9 + i]) {
      case u'0':
        values[i] = AttributeRequest::kClear;
        break;
      case u'1':
        values[i] = AttributeRequest::kSet;
        break;
      case u'-':
        values[i] = AttributeRequest::kLeave;
        break;
      default:
        return std::nullopt;
    }
  }
  return AttributeRequests{values[0], values[1], values[2], values[3]};
}

std::optional<int> UndoNumberOf(std::u16string_view text) {
  if (text.size() == 5) return 1;
  if (text.size() == 6 && text[5] >= u'1' && text[5] <= u'9') return text[5] - u'0';
  return std::nullopt;
}

std::optional<int> DepthOf(std::u16string_view text) {
  if (text == u"/subfolder10") return 10;
  if (text.size() == 11 && IsDigit(text[10])) return text[10] - u'0';
  return std::nullopt;
}

bool IsUsableFolderSwitch(std::u16string_view text) {
  return text == u"/folder" || text == u"/folder0" || text == u"/folder1";
}

// The macro file path of "/autofile=…" as the run takes it: an opening quote
// skipped, a closing one removed, at most kMaxMacroPathLength characters.
// `too_long` tells that characters were cut off.
std::u16string MacroPathOf(std::u16string_view text, bool& too_long) {
  std::u16string_view path = text.substr(kAutoFilePrefix.size());
  if (path.starts_with(u'"')) path.remove_prefix(1);
  if (path.ends_with(u'"')) path.remove_suffix(1);
  too_long = path.size() > kMaxMacroPathLength;
  return std::u16string(path.substr(0, kMaxMacroPathLength));
}

std::optional<int> SecondsPerFileOf(std::u16string_view digits) {
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  int value = 0;
  for (char16_t c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  if (value > kMaxTimestampIncrement) return std::nullopt;
  return value;
}

// Reads HHMMSS at `pos` into `time`: hour 00-23, minute and second 00-59.
bool ReadTimeOfDay(std::u16string_view s, std::size_t pos, CalendarTime& time) {
  if (s.size() < pos + 6) return false;
  for (std::size_t i = 0; i < 6; ++i) {
    if (!IsDigit(s[pos + i])) return false;
  }
  auto two = [&](std::size_t at) { return (s[pos + at] - u'0') * 10 + (s[pos + at + 1] - u'0'); };
  const int hour = two(0), minute = two(2), second = two(4);
  if (hour > 23 || minute > 59 || second > 59) return false;
  time.hour = static_cast<std::uint16_t>(hour);
  time.minute = static_cast<std::uint16_t>(minute);
  time.second = static_cast<std::uint16_t>(second);
  return true;
}

// Reads YYYYMMDD at `pos` into `time`: a year "19xx" or "2xxx" and a day that
// exists in its month.
bool ReadDate(std::u16string_view s, std::size_t pos, CalendarTime& time) {
  if (s.size() < pos + 8) return false;
  for (std::size_t i = 0; i < 8; ++i) {
    if (!IsDigit(s[pos + i])) return false;
  }
  if (!(s[pos] == u'2' || (s[pos] == u'1' && s[pos + 1] == u'9'))) return false;
  int year = 0;
  for (std::size_t i = 0; i < 4; ++i) year = year * 10 + (s[pos + i] - u'0');
  const int month = (s[pos + 4] - u'0') * 10 + (s[pos + 5] - u'0');
  const int day = (s[pos + 6] - u'0') * 10 + (s[pos + 7] - u'0');
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  time.year = static_cast<std::uint16_t>(year);
  time.month = static_cast<std::uint16_t>(month);
  time.day = static_cast<std::uint16_t>(day);
  time.day_of_week = static_cast<std::uint16_t>(DayOfWeek(year, month, day));
  return true;
}

// Reads "+N" at `plus`, N running to the end of `s`.
bool ReadIncrement(std::u16string_view s, std::size_t plus, TimestampOverrides& out) {
  if (s.size() <= plus || s[plus] != u'+') return false;
  const std::optional<int> seconds = SecondsPerFileOf(s.substr(plus + 1));
  if (!seconds) return false;
  out.seconds_per_file = *seconds;
  return true;
}

struct Fault {
  DiagnosticKind kind;
  std::u16string_view reason;
};

// Why a switch argument cannot be used as given, or nullopt when it can.
std::optional<Fault> FaultOf(Family family, std::u16string_view text, const CalendarTime& now) {
  using K = DiagnosticKind;
  switch (family) {
    case Family::kReplacement: {
      const std::optional<ReplacementExpression> e = ParseReplacementExpression(text);
      if (e && (e->search.size() > kMaxReplaceTextLength ||
                e->replacement.size() > kMaxReplaceTextLength)) {
        return Fault{K::kTooLong, u"search and replacement text are at most 241 characters each"};
      }
      return std::nullopt;
    }
    case Family::kAutoFile: {
      bool too_long = false;
      if (MacroPathOf(text, too_long).empty()) {
        return Fault{K::kUnusableValue, u"a macro file path must follow \"=\""};
      }
      if (too_long) return Fault{K::kTooLong, u"a macro file path is at most 259 characters"};
      return std::nullopt;
    }
    case Family::kAutoSlot:
      if (SlotOf(text)) return std::nullopt;
      return Fault{K::kUnusableValue, u"a macro slot is 1 to 25"};
    case Family::kAutoAttr:
      if (AttributesOf(text)) return std::nullopt;
      return Fault{K::kUnusableValue, u"four characters must follow, each 0, 1 or -"};
    case Family::kAutoTime:
      if (ParseTimestampSwitch(text, now)) return std::nullopt;
      return Fault{K::kUnusableValue, u"not a usable date, time or increment"};
    case Family::kUndo:
      if (UndoNumberOf(text)) return std::nullopt;
      return Fault{K::kUnusableValue, u"a logged run is 1 to 9"};
    case Family::kSubfolder:
      if (DepthOf(text)) return std::nullopt;
      return Fault{K::kUnusableValue, u"a folder depth is 0 to 10"};
    case Family::kFolder:
      if (IsUsableFolderSwitch(text)) return std::nullopt;
      return Fault{K::kUnusableValue, u"only /folder, /folder0 and /folder1 exist"};
    case Family::kSort:
      if (SortCodeOf(text)) return std::nullopt;
      return Fault{K::kUnusableValue,
                   u"sort by name, namer, r, ext, extr, dir, dirr, size, sizer, date or dater"};
    case Family::kFilter:
      if (FilterTextOf(text)) return std::nullopt;
      return Fault{K::kTooLong, u"a /filter argument is shorter than 256 characters"};
    default:
      return std::nullopt;
  }
}

bool IsOptionFamily(Family family) {
  switch (family) {
    case Family::kShow:
    case Family::kHide:
    case Family::kNoExit:
    case Family::kExit:
    case Family::kTest:
    case Family::kErrMsg:
    case Family::kAllMsg:
    case Family::kNoMsg:
    case Family::kSubfolder:
    case Family::kFile:
    case Family::kFolder:
    case Family::kSort:
      return true;
    default:
      return false;
  }
}

void Report(CommandLine& line, int index, std::u16string_view argument, DiagnosticKind kind,
            std::u16string_view reason) {
  std::u16string message(argument);
  message += u": ";
  message += reason;
  line.diagnostics.push_back({index, std::u16string(argument), kind, std::move(message)});
}

// A switch argument, in its "/" form.
struct SwitchArgument {
  int index;
  std::u16string text;
  Family family;
};

void SetRunCode(CommandLine& line, int code) {
  line.flags = (line.flags & ~kRunCodeMask) | static_cast<std::uint32_t>(code);
  if (code != kRunUndo) line.undo_number = 0;  // an undo switch replaced by a later one
}

void TakeReplacement(CommandLine& line, std::u16string_view text) {
  const ReplacementExpression e = *ParseReplacementExpression(text);
  SetRunCode(line, kRunReplace);
  // A text over the limit is not taken (the earlier one stays); FaultOf has
  // reported it.
  if (e.search.size() <= kMaxReplaceTextLength) line.replace.search = e.search;
  if (e.replacement.size() <= kMaxReplaceTextLength) line.replace.replacement = e.replacement;
  line.replace.all_occurrences = e.all_occurrences;
  line.replace.case_sensitive = !e.ignore_case;
  line.replace.include_extension = e.include_extension;
}

// The run switches, in order until the first that settles the run.
void ReadRunSwitches(CommandLine& line, const std::vector<SwitchArgument>& switches,
                     const CalendarTime& now) {
  for (const SwitchArgument& arg : switches) {
    const std::u16string_view text = arg.text;
    switch (arg.family) {
      case Family::kReplacement:
        TakeReplacement(line, text);
        break;  // a later run switch replaces it
      case Family::kAutoFile:
        if (text.size() > kAutoFilePrefix.size()) {
          bool too_long = false;
          line.macro_file = MacroPathOf(text, too_long);
          line.flags = kFlagMacroFile;
          line.undo_number = 0;
          return;
        }
        break;
      case Family::kAutoSlot:
        if (const std::optional<int> slot = SlotOf(text)) {
          SetRunCode(line, *slot);
          return;
        }
        break;
      case Family::kAutoAttr:
        if (const std::optional<AttributeRequests> requests = AttributesOf(text)) {
          line.attributes = *requests;
          SetRunCode(line, kRunAttributes);
          return;
        }
        break;
      case Family::kAutoTime:
        // Usable or not, a time switch ends the reading of run switches.
        if (const std::optional<TimestampOverrides> times = ParseTimestampSwitch(text, now)) {
          line.timestamps = *times;
          SetRunCode(line, kRunTimestamps);
        }
        return;
      case Family::kUndo:
        if (const std::optional<int> number = UndoNumberOf(text)) {
          SetRunCode(line, kRunUndo);
          line.undo_number = *number;
        }
        break;  // a later run switch replaces it
      default:
        break;
    }
  }
}

void ApplyOption(CommandLine& line, Family family, std::u16string_view text) {
  if (family == Family::kTest) line.dry_run_given = true;
  if (line.flags != 0) {
    const bool locked = line.test_mode;
    switch (family) {
      case Family::kShow:
        line.show_given = true;
        if (!locked) line.flags |= kFlagShowWindow;
        return;
      case Family::kHide:
        line.show_given = false;
        if (!locked) line.flags &= ~kFlagShowWindow;
        return;
      case Family::kNoExit:
        if (!locked) line.flags |= kFlagStayOpen;
        return;
      case Family::kExit:
        if (!locked) line.flags &= ~kFlagStayOpen;
        return;
      case Family::kTest:
        if (!locked) {
          line.flags |= kFlagShowWindow | kFlagStayOpen | kFlagErrorMessages;
          line.flags &= ~kFlagAllMessages;
          line.test_mode = true;
        }
        return;
      case Family::kErrMsg:
        line.flags |= kFlagErrorMessages;
        return;
      case Family::kAllMsg:
        line.flags |= kFlagAllMessages;
        return;
      case Family::kNoMsg:
        line.flags &= ~(kFlagErrorMessages | kFlagAllMessages);
        return;
      case Family::kSubfolder:
        if (const std::optional<int> depth = DepthOf(text)) line.depth = *depth;
        return;
      default:
        break;
    }
  }
  switch (family) {
    case Family::kFile:
      line.file_folder = 0;
      break;
    case Family::kFolder:
      if (!IsUsableFolderSwitch(text)) break;
      line.file_folder = 1;
      if (text == u"/folder0") line.dropped_folder = 1;
      if (text == u"/folder1") line.dropped_folder = 0;
      break;
    case Family::kSort:
      if (const std::optional<int> code = SortCodeOf(text)) line.sort_code = *code;
      break;
    default:
      break;
  }
}

// The `autoaddopt` tokens that take part: blank-separated, GNU forms turned
// into "/" forms. Tokens that are not usable option switches are reported.
std::vector<SwitchArgument> SettingOptions(CommandLine& line, std::u16string_view setting,
                                           const CalendarTime& now) {
  std::vector<SwitchArgument> options;
  std::size_t pos = 0;
  while (pos < setting.size()) {
    if (IsBlank(setting[pos])) {
      ++pos;
      continue;
    }
    std::size_t end = pos;
    while (end < setting.size() && !IsBlank(setting[end])) ++end;
    const std::u16string_view token = setting.substr(pos, end - pos);
    pos = end;
    std::u16string text(token);
    if (std::optional<std::u16string> converted = LongOptionToSwitch(token)) text = *converted;
    const Family family = FamilyOf(text, 0);
    if (!IsOptionFamily(family)) {
      Report(line, 0, token, DiagnosticKind::kIgnoredSetting,
             u"the autoaddopt setting holds only option switches");
    } else if (const std::optional<Fault> fault = FaultOf(family, text, now)) {
      Report(line, 0, token, fault->kind, fault->reason);
    } else {
      options.push_back({0, std::move(text), family});
    }
  }
  return options;
}

// "--mode=NAME", "--set KEY=VALUE", "--set=KEY=VALUE", "--csv=FILE",
// "--null", "--logs": taken into `line`, and true. `i` moves past a value
// that came as the next argument.
bool TakeProgramOption(CommandLine& line, const std::vector<std::u16string>& args,
                       std::size_t& i) {
  const std::u16string_view arg = args[i];
  ModeRunRequest& request = line.mode_run;
  auto fail = [&](std::u16string message) {
    if (request.error.empty()) request.error = std::move(message);
    return true;
  };
  if (arg == u"--null" || arg == u"--logs") {
    (arg == u"--null" ? line.null_paths : line.logs_requested) = true;
    return true;
  }
  if (arg.starts_with(u"--mode=")) {
    const std::u16string_view name = arg.substr(7);
    request.mode = FindModeByName(name);
    if (request.mode != 0) return true;
    std::u16string names;
    for (int index = 0; index < kModeTableSize; ++index) {
      const std::u16string_view command_name = ModeEntryAt(index).command_name;
      if (command_name.empty()) continue;
      if (!names.empty()) names += u", ";
      names += command_name;
    }
    return fail(std::u16string(arg) + u": no such mode (" + names + u")");
  }
  if (arg.starts_with(u"--csv=")) {
    if (arg.size() == 6) return fail(u"--csv=: a file must follow \"=\"");
    request.csv_file = std::u16string(arg.substr(6));
    return true;
  }
  std::u16string_view setting;
  if (arg.starts_with(u"--set=")) {
    setting = arg.substr(6);
  } else if (arg == u"--set") {
    if (i + 1 >= args.size()) return fail(u"--set: KEY=VALUE must follow");
    setting = args[++i];
  } else {
    return false;
  }
  const std::size_t equals = setting.find(u'=');
  if (equals == std::u16string_view::npos || equals == 0) {
    return fail(u"--set " + std::u16string(setting) + u": not KEY=VALUE");
  }
  request.settings.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
  return true;
}

// Makes the mode run of "--mode", "--set" and "--csv" the run of `line`,
// or says why it cannot be.
void SettleModeRun(CommandLine& line) {
  ModeRunRequest& request = line.mode_run;
  const bool asked = request.mode != 0 || !request.settings.empty() || request.csv_file ||
                     !request.error.empty();
  if (!asked) return;
  const int csv = ModeNumber(RenameMode::kCsv);
  if (request.mode == 0 && request.csv_file) request.mode = csv;
  if (request.error.empty()) {
    if (request.mode == 0) {
      request.error = u"--set needs --mode=NAME";
    } else if (line.flags != 0) {
      request.error = u"--mode cannot go with another run switch";
    } else if (request.csv_file && request.mode != csv) {
      request.error = u"--csv=FILE goes with --mode=csv only";
    } else if (request.mode == csv && !request.csv_file) {
      request.error = u"--mode=csv needs --csv=FILE";
    } else if (request.mode == csv && !line.paths.empty()) {
      request.error = u"--csv=FILE lists the files itself: give no paths";
    }
  }
  SetRunCode(line, kRunMode);
}

}  // namespace

std::optional<std::u16string> LongOptionToSwitch(std::u16string_view arg) {
  if (!arg.starts_with(u"--") || arg.size() < 3 || arg[2] == u'=') return std::nullopt;
  const std::u16string_view body = arg.substr(2);
  const std::size_t equals = body.find(u'=');
  std::u16string text = u"/";
  if (equals == std::u16string_view::npos) {
    text += body;
    return text;
  }
  const std::u16string_view name = body.substr(0, equals);
  const std::u16string_view value = body.substr(equals + 1);
  const bool time_switch = name == u"autoctime" || name == u"automtime" || name == u"autobtime";
  const bool keeps_equals =
      name == u"autofile" || name == u"filter" ||
      (time_switch && (value.starts_with(u"ctime") || value.starts_with(u"mtime")));
  text += name;
  if (keeps_equals) text += u'=';
  text += value;
  return text;
}

bool WantsWindow(const CommandLine& line) {
  return line.run_code() == 0 && (line.flags & kFlagMacroFile) == 0 && line.mode_run.mode == 0 &&
         !line.mode_run.csv_file && line.mode_run.error.empty() && !line.dry_run_given &&
         !line.null_paths && !line.help_requested && !line.version_requested &&
         !line.logs_requested && RunStopper(line) == nullptr;
}

const CommandLineDiagnostic* RunStopper(const CommandLine& line) {
  for (const CommandLineDiagnostic& d : line.diagnostics) {
    if (d.index > 0) return &d;
  }
  return nullptr;
}

bool IsSwitchForm(std::u16string_view text, int index) {
  return FamilyOf(text, index) != Family::kNone;
}

std::optional<ReplacementExpression> ParseReplacementExpression(std::u16string_view arg) {
  if (arg.size() < 4 || arg[0] != u's' || arg[1] != u'/') return std::nullopt;
  std::array<std::size_t, 16> slashes{};
  std::size_t count = 0;
  for (std::size_t i = 2; i < arg.size(); ++i) {
    if (arg[i] == u'\\') {
      ++i;  // the escaped character is not counted
    } else if (arg[i] == u'/') {
      if (count == slashes.size()) return std::nullopt;
      slashes[count++] = i;
    }
  }
  if (count < 2 || count % 2 != 0) return std::nullopt;
  const std::size_t middle = slashes[count / 2 - 1];
  const std::size_t last = slashes[count - 1];
  ReplacementExpression e;
  for (char16_t flag : arg.substr(last + 1)) {
    switch (flag) {
      case u'g':
        e.all_occurrences = true;
        break;
      case u'i':
        e.ignore_case = true;
        break;
      case u'e':
        e.include_extension = true;
        break;
      case u'k':
      case u'/':
        break;
      default:
        return std::nullopt;
    }
  }
  e.search = arg.substr(2, middle - 2);
  e.replacement = arg.substr(middle + 1, last - middle - 1);
  return e;
}

std::optional<TimestampOverrides> ParseTimestampSwitch(std::u16string_view arg,
                                                       const CalendarTime& now) {
  if (arg.size() < kTimeSwitchLength || FamilyOf(arg, 0) != Family::kAutoTime) {
    return std::nullopt;
  }
  TimestampOverrides out;
  const char16_t which = arg[5];
  out.which_time = which == u'c' ? 0 : which == u'm' ? 1 : 2;
  out.target = now;
  out.target.millisecond = 0;

  const std::u16string_view value = arg.substr(kTimeSwitchLength);
  const std::u16string_view copy_from = which == u'c' ? u"=mtime" : which == u'm' ? u"=ctime" : u"";
  if (!copy_from.empty() && value.starts_with(copy_from)) {
    const std::u16string_view filter = value.substr(copy_from.size());
    out.which_time = which == u'c' ? 3 : 4;
    if (filter.empty()) return out;
    if (filter == u"new") {
      out.filter = 1;
      return out;
    }
    if (filter == u"old") {
      out.filter = 2;
      return out;
    }
    return std::nullopt;
  }

  const std::size_t size = arg.size();
  if (value.starts_with(u"today")) {
    out.target.hour = out.target.minute = out.target.second = 0;
    if (size == 15) return out;
    if (size >= 17 && size <= 21 && arg[15] == u'+') {
      return ReadIncrement(arg, 15, out) ? std::optional(out) : std::nullopt;
    }
    if (!ReadTimeOfDay(arg, 15, out.target)) return std::nullopt;
    if (size == 21) return out;
    if (size >= 23 && size <= 28 && ReadIncrement(arg, 21, out)) return out;
    return std::nullopt;
  }
  if (value.starts_with(u"now")) {
    if (size == 13) return out;
    if (size >= 15 && size <= 20 && ReadIncrement(arg, 13, out)) return out;
    return std::nullopt;
  }
  if (size < 18 || !ReadDate(arg, kTimeSwitchLength, out.target)) return std::nullopt;
  if (size == 18) return out;
  if (arg[18] == u'+') {
    return size >= 20 && ReadIncrement(arg, 18, out) ? std::optional(out) : std::nullopt;
  }
  if (!ReadTimeOfDay(arg, 18, out.target)) return std::nullopt;
  if (size == 24) return out;
  if (size >= 26 && ReadIncrement(arg, 24, out)) return out;
  return std::nullopt;
}

std::optional<std::u16string> FilterTextOf(std::u16string_view arg) {
  if (!arg.starts_with(kFilterPrefix) || arg.size() >= kFilterArgumentLimit) return std::nullopt;
  std::size_t start = 7;
  if (arg.size() > 7 && arg[7] == u'=') {
    start = arg.size() > 8 && arg[8] == u'"' ? 9 : 8;
  } else if (arg.size() > 7 && arg[7] == u'"') {
    start = 8;
  }
  std::u16string_view text = arg.substr(start);
  if (text.ends_with(u'"')) text.remove_suffix(1);
  return std::u16string(text);
}

std::optional<int> SortCodeOf(std::u16string_view arg) {
  static constexpr std::array<std::pair<std::u16string_view, int>, 12> kKeys = {{
      {u"", 0},
      {u"name", 0},
      {u"namer", 1},
      {u"r", 1},
      {u"ext", 10},
      {u"extr", 11},
      {u"dir", kSortCodeFolder},
      {u"dirr", kSortCodeFolderDescending},
      {u"size", 40},
      {u"sizer", 41},
      {u"date", 50},
      {u"dater", 51},
  }};
  if (!arg.starts_with(u"/sort")) return std::nullopt;
  const std::u16string_view key = arg.substr(5);
  for (const auto& [name, code] : kKeys) {
    if (key == name) return code;
  }
  return std::nullopt;
}

CommandLine ParseCommandLine(const std::vector<std::u16string>& args,
                             std::u16string_view autoaddopt, const CalendarTime& now) {
  CommandLine line;
  std::vector<SwitchArgument> switches;  // within the switch window, in order
  bool switches_end = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const int index = static_cast<int>(i);
    const std::u16string& raw = args[i];
    if (switches_end) {
      line.paths.push_back(raw);
      continue;
    }
    if (raw == u"--") {
      switches_end = true;
      continue;
    }
    if (TakeProgramOption(line, args, i)) continue;
    std::u16string text = raw;
    if (const OwnOption* own = OwnOptionOf(raw)) {
      if (own->request == Request::kHelp) line.help_requested = true;
      if (own->request == Request::kVersion) line.version_requested = true;
      if (own->request == Request::kAllRows) line.all_rows = true;
      if (own->request != Request::kSwitch) continue;
      text = own->as_switch;
    } else if (const std::optional<std::u16string> converted = LongOptionToSwitch(raw)) {
      text = *converted;
    }
    const Family family = FamilyOf(text, index);
    if (family == Family::kNone) {
      if (LooksLikeOption(raw)) {
        Report(line, index, raw, DiagnosticKind::kUnknownOption,
               u"no such option (see --help; put a path that begins with \"-\" after --)");
      } else {
        line.paths.push_back(raw);
      }
      continue;
    }
    if (const std::optional<Fault> fault = FaultOf(family, text, now)) {
      Report(line, index, raw, fault->kind, fault->reason);
    } else if (index > kSwitchArgumentLimit && family != Family::kFilter) {
      Report(line, index, raw, DiagnosticKind::kOutsideWindow,
             u"a switch must be one of the first 20 arguments (put switches before the paths)");
    }
    if (family == Family::kFilter) {
      if (std::optional<std::u16string> filter = FilterTextOf(text)) line.filter_text = *filter;
    } else if (index <= kSwitchArgumentLimit) {
      switches.push_back({index, std::move(text), family});
    }
  }

  ReadRunSwitches(line, switches, now);
  SettleModeRun(line);

  std::vector<SwitchArgument> options;
  if (line.flags != 0) options = SettingOptions(line, autoaddopt, now);
  for (SwitchArgument& arg : switches) {
    if (IsOptionFamily(arg.family)) options.push_back(std::move(arg));
  }
  for (const SwitchArgument& option : options) ApplyOption(line, option.family, option.text);
  return line;
}

}  // namespace tessivo
