#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

using K = DiagnosticKind;
using A = AttributeRequest;
using Strings = std::vector<std::string>;

// Friday 2024-05-17 13:45:30.250, local.
const CalendarTime kNow{2024, 5, 5, 17, 13, 45, 30, 250};

std::u16string U(const std::string& s) { return Utf8ToUtf16(s); }
std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }

CommandLine Parse(const Strings& args, const std::string& autoaddopt = "") {
  std::vector<std::u16string> argv{u"tessivo"};
  for (const std::string& a : args) argv.push_back(U(a));
  return ParseCommandLine(argv, U(autoaddopt), kNow);
}

std::vector<K> Kinds(const CommandLine& line) {
  std::vector<K> kinds;
  for (const CommandLineDiagnostic& d : line.diagnostics) kinds.push_back(d.kind);
  return kinds;
}

Strings Paths(const CommandLine& line) {
  Strings paths;
  for (const std::u16string& p : line.paths) paths.push_back(Narrow(p));
  return paths;
}

Strings Filler(int count) {
  Strings args;
  for (int i = 0; i < count; ++i) args.push_back("/data/f" + std::to_string(i));
  return args;
}

TEST(CommandLineTest, RunSwitchesSettleTheRunCode) {
  // The low bits of `flags` are the run code.
  const struct { Strings args; std::uint32_t flags; std::vector<K> diagnostics; } cases[] = {
      {{"/auto7"}, 7, {}},  {{"/auto25"}, 25, {}}, {{"/auto26"}, 0, {K::kUnusableValue}},
      {{"/auto0"}, 0, {K::kUnusableValue}},         {{"/auto07"}, 0, {K::kUnusableValue}},
      {{"/autoexec"}, 0, {K::kUnusableValue}},      {{"/undo"}, kRunUndo, {}},
      {{"/undo", "/auto7"}, 7, {}},                 {{"/auto7", "/undo"}, 7, {}},
      {{"/undo0"}, 0, {K::kUnusableValue}},         {{"/undo10"}, 0, {K::kUnusableValue}},
      // An unusable attribute switch is passed over; an unusable time switch ends the reading.
      {{"/autoattr1-0", "/auto3"}, 3, {K::kUnusableValue}},
      {{"/automtime20140230", "/auto3"}, 0, {K::kUnusableValue}},
      {{"/autofile=/m/a.mac", "/auto3"}, kFlagMacroFile, {}},
      {{"/autofile=", "/auto3"}, 3, {K::kUnusableValue}},
      {{"/auto2", "/autofile=/m/a.mac"}, 2, {}},  {{"/undo3", "/autofile=/m/a.mac"}, kFlagMacroFile, {}},
      // A replacement expression counts as argument 1 or 2 only; a later run switch replaces it.
      {{"s/a/b/g"}, kRunReplace, {}},               {{"/x/y", "s/a/b/g"}, kRunReplace, {}},
      {{"/x/y", "/x/z", "s/a/b/g"}, 0, {}},         {{"s/a/b/", "/auto4"}, 4, {}},
      {{"/auto4", "s/a/b/"}, 4, {}},  {{"s/a/b/", "/autofile=m.mac"}, kFlagMacroFile, {}},
      {{"--", "/auto7"}, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CommandLine line = Parse(c.args);
    EXPECT_EQ(line.flags, c.flags);
    EXPECT_EQ(line.run_code(), static_cast<int>(c.flags & kRunCodeMask));
    EXPECT_EQ(line.undo_number != 0, line.run_code() == kRunUndo);
    EXPECT_EQ(Kinds(line), c.diagnostics);
  }
}

TEST(CommandLineTest, RunSwitchValues) {
  CommandLine line = Parse({"/autoattr1-0-"});
  EXPECT_EQ(line.attributes, (AttributeRequests{A::kSet, A::kLeave, A::kClear, A::kLeave}));
  EXPECT_EQ(Parse({"/undo3"}).undo_number, 3);
  EXPECT_EQ(Parse({"/undo"}).undo_number, 1);
  EXPECT_EQ(Parse({"/autofile=/m/a b.mac"}).macro_file, u"/m/a b.mac");
  EXPECT_EQ(Parse({"/autofile=\"/m/a b.mac\""}).macro_file, u"/m/a b.mac");
  line = Parse({"/autofile=/" + std::string(259, 'x')});
  EXPECT_EQ(line.macro_file.size(), kMaxMacroPathLength);
  EXPECT_EQ(Kinds(line), std::vector<K>{K::kTooLong});
  EXPECT_EQ(Kinds(Parse({"/autofile=\"\""})), std::vector<K>{K::kUnusableValue});

  line = Parse({"s/a/x/gie"});
  EXPECT_EQ(line.replace, (ReplaceOverrides{u"a", u"x", true, false, true}));
  line = Parse({"s/a/x/", "s/b/y/i"});  // the second expression replaces the first
  EXPECT_EQ(line.replace, (ReplaceOverrides{u"b", u"y", false, false, false}));
  EXPECT_TRUE(line.paths.empty());
  // A text over 241 characters is not taken; exactly 241 is.
  line = Parse({"s/" + std::string(242, 'a') + "/b/"});
  EXPECT_EQ(line.run_code(), kRunReplace);
  EXPECT_EQ(line.replace, (ReplaceOverrides{u"", u"b", false, true, false}));
  EXPECT_EQ(Kinds(line), std::vector<K>{K::kTooLong});
  line = Parse({"s/" + std::string(241, 'a') + "/" + std::string(241, 'b') + "/"});
  EXPECT_EQ(line.replace.search.size() + line.replace.replacement.size(), 2 * 241u);
  EXPECT_TRUE(line.diagnostics.empty());
}

// "search|replacement|flags" of an expression, "-" for none.
std::string Describe(const std::optional<ReplacementExpression>& e) {
  if (!e) return "-";
  return Narrow(e->search) + "|" + Narrow(e->replacement) + "|" + (e->all_occurrences ? "g" : "") +
         (e->ignore_case ? "i" : "") + (e->include_extension ? "e" : "");
}

TEST(CommandLineTest, ReplacementExpressions) {
  const std::pair<std::string, std::string> cases[] = {
      {"s/a/b/", "a|b|"},           {"s/a/b/c/d/", "a/b|c/d|"},  {R"(s/a\/b/c/)", R"(a\/b|c|)"},
      {R"(s/a\\/b/)", R"(a\\|b|)"}, {R"(s/\d+/#/g)", R"(\d+|#|g)"}, {"s/a/b/gkie", "a|b|gie"},
      {"s///", "||"},
      {"s/1/2/3/4/5/6/7/8/9/a/b/c/d/e/f/g/", "1/2/3/4/5/6/7/8|9/a/b/c/d/e/f/g|"},  // 16 slashes
      {"s/1/2/3/4/5/6/7/8/9/a/b/c/d/e/f/g/h/i/", "-"},
      {"s/a/b/x", "-"},  {"s/a/b/G", "-"},  {R"(s/a/b/g\)", "-"}, {"s/a/b", "-"}, {"s/a/b/c/", "-"},
      {"s//", "-"},      {"x/a/b/", "-"},   {"S/a/b/", "-"},
  };
  for (const auto& [arg, expected] : cases) {
    EXPECT_EQ(Describe(ParseReplacementExpression(U(arg))), expected) << arg;
  }
}

TEST(CommandLineTest, TimestampSwitches) {
  const CalendarTime today0{2024, 5, 5, 17, 0, 0, 0, 0};
  const CalendarTime now0{2024, 5, 5, 17, 13, 45, 30, 0};
  auto at = [](int y, int mo, int d, int h = 13, int mi = 45, int s = 30) {
    auto u = [](int v) { return static_cast<std::uint16_t>(v); };
    return CalendarTime{u(y), u(mo), u(DayOfWeek(y, mo, d)), u(d), u(h), u(mi), u(s), 0};
  };
  const struct { std::string arg; TimestampOverrides expected; } valid[] = {
      {"/autoctimetoday", {0, 0, today0, 0}}, {"/autoctimetoday+60", {0, 0, today0, 60}},
      {"/automtimetoday235959", {1, 0, at(2024, 5, 17, 23, 59, 59), 0}},
      {"/autobtimetoday000000+604800", {2, 0, today0, 604800}},
      {"/autoctimenow", {0, 0, now0, 0}}, {"/autoctimenow+604800", {0, 0, now0, 604800}},
      // A bare date keeps the time of day of now.
      {"/automtime20120229", {1, 0, at(2012, 2, 29), 0}},
      {"/automtime20000229", {1, 0, at(2000, 2, 29), 0}},
      {"/automtime19000101", {1, 0, at(1900, 1, 1), 0}},
      {"/automtime29991231", {1, 0, at(2999, 12, 31), 0}},
      {"/automtime20140101+604800", {1, 0, at(2014, 1, 1), 604800}},
      {"/automtime20140101+000000060", {1, 0, at(2014, 1, 1), 60}},
      {"/automtime20140101123456", {1, 0, at(2014, 1, 1, 12, 34, 56), 0}},
      {"/automtime20140101123456+10", {1, 0, at(2014, 1, 1, 12, 34, 56), 10}},
      {"/autoctime=mtime", {3, 0, now0, 0}}, {"/autoctime=mtimenew", {3, 1, now0, 0}},
      {"/automtime=ctimeold", {4, 2, now0, 0}},
  };
  for (const auto& c : valid) EXPECT_EQ(ParseTimestampSwitch(U(c.arg), kNow), c.expected) << c.arg;
  const char* invalid[] = {
      // Increments: digits only, at most 604800, at most 5 digits after "today".
      "/autoctimetoday+604801", "/autoctimetoday+", "/autoctimetoday+6a", "/autoctimetodayx",
      "/autobtimetoday000000+", "/autoctimenow+604801", "/autoctimenow+", "/autoctimenowx",
      "/automtime20140101+0000000060", "/automtime20140101+", "/automtime20140101123456+",
      "/automtime20140101123456x10", "/automtime201401011",
      // Times of day and dates that do not exist or are cut short.
      "/autoctimetoday240000", "/autoctimetoday126000", "/autoctimetoday125960",
      "/autoctimetoday12000", "/automtime20140101243456+10", "/automtime20140230",
      "/automtime20130229", "/automtime21000229", "/automtime20141301", "/automtime20140001",
      "/automtime20140100", "/automtime18991231", "/automtime30000101", "/automtime2014010",
      // Copying works only from the other time, and only "new" or "old" may follow.
      "/automtime=mtime", "/autobtime=mtime", "/autoctime=mtimex", "/autoctime"};
  for (const char* arg : invalid) EXPECT_FALSE(ParseTimestampSwitch(U(arg), kNow)) << arg;

  const CommandLine line = Parse({"/autoctimetoday+60"});
  EXPECT_EQ(line.run_code(), kRunTimestamps);
  EXPECT_EQ(line.timestamps.seconds_per_file, 60);
}

TEST(CommandLineTest, LongOptions) {
  const std::pair<std::string, std::string> cases[] = {
      {"--auto=7", "/auto7"},         {"--show", "/show"},
      {"--autoctime=today", "/autoctimetoday"},     {"--autoctime=mtime", "/autoctime=mtime"},
      {"--automtime=ctimenew", "/automtime=ctimenew"}, {"--filter=*.txt", "/filter=*.txt"},
      {"--autofile=/m/a=b.mac", "/autofile=/m/a=b.mac"}, {"--auto=file=x", "/autofile=x"},
  };
  for (const auto& [gnu, slash] : cases) EXPECT_EQ(LongOptionToSwitch(U(gnu)), U(slash)) << gnu;
  for (const char* not_long : {"--", "--=7", "-x", "/auto7", "auto"}) {
    EXPECT_FALSE(LongOptionToSwitch(U(not_long))) << not_long;
  }

  CommandLine line = Parse({"--auto=7", "--folder=0", "--sort=dater", "--subfolder=3", "--show"});
  EXPECT_EQ(line.flags, 7u | kFlagShowWindow);
  EXPECT_EQ((std::vector<int>{line.file_folder, line.dropped_folder, line.sort_code, line.depth}),
            (std::vector<int>{1, 1, 51, 3}));

  line = Parse({"--help", "--version", "--bogus", "--auto=26", "/d"});
  EXPECT_TRUE(line.help_requested && line.version_requested);
  EXPECT_EQ(Kinds(line), (std::vector<K>{K::kUnknownOption, K::kUnusableValue}));
  EXPECT_EQ(line.diagnostics[0].index, 3);
  EXPECT_EQ(line.diagnostics[0].argument, u"--bogus");
  EXPECT_EQ(Paths(line), Strings{"/d"});

  // The program's own names; anything else that looks like an option stops the run.
  line = Parse({"/auto1", "-h", "-V", "--all", "-n", "-q", "--test=yes", "-", "-1.jpg"});
  EXPECT_TRUE(line.help_requested && line.version_requested && line.all_rows && line.test_mode);
  EXPECT_EQ(Kinds(line), (std::vector<K>{K::kUnknownOption, K::kUnknownOption, K::kUnknownOption}));
  ASSERT_NE(RunStopper(line), nullptr);
  EXPECT_EQ(RunStopper(line)->argument, u"-q");
  EXPECT_EQ(Paths(line), Strings{"-"});
  EXPECT_TRUE(Parse({"/?"}).help_requested);
  EXPECT_TRUE(Parse({"/auto1", "--dry-run"}).test_mode);

  line = Parse({"/d", "--", "--help", "/file", "--"});  // "--" ends the switches
  EXPECT_FALSE(line.help_requested);
  EXPECT_EQ(line.file_folder, -1);
  EXPECT_EQ(Paths(line), (Strings{"/d", "--help", "/file", "--"}));
}

TEST(CommandLineTest, ModeRunOptions) {
  // `settings`: KEY=VALUE as taken; `error`: the start of ModeRunRequest::error.
  const struct { Strings args; int mode; Strings settings; std::string error; } cases[] = {
      {{"--mode=extension", "--set", "extstr=jpg", "/d", "--set=extadd=1"}, 2,
       {"extstr=jpg", "extadd=1"}, ""},
      {{"--mode=拡張子", "--set=template=a=b"}, 2, {"template=a=b"}, ""},
      {{"--mode=macro", "--set", "macrono=3"}, 19, {"macrono=3"}, ""},
      {{"--csv=list.csv"}, 11, {}, ""},
      {{"--mode=shout", "/d"}, 0, {}, "--mode=shout: no such mode (position, extension, serial,"},
      {{"--set", "bigsmall=0", "/d"}, 0, {"bigsmall=0"}, "--set needs --mode"},
      {{"--mode=case", "--set", "bigsmall"}, 4, {}, "--set bigsmall: not KEY=VALUE"},
      {{"--mode=case", "--set"}, 4, {}, "--set: KEY=VALUE must follow"},
      {{"s/a/b/", "--mode=case", "/d"}, 4, {}, "--mode cannot go with another run switch"},
      {{"--mode=csv", "/d"}, 11, {}, "--mode=csv needs --csv=FILE"},
      {{"--mode=case", "--csv=l.csv"}, 4, {}, "--csv=FILE goes with --mode=csv only"},
      {{"--csv=l.csv", "/d"}, 11, {}, "--csv=FILE lists the files itself"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const CommandLine line = Parse(c.args);
    EXPECT_EQ(line.run_code(), kRunMode);
    EXPECT_EQ(line.mode_run.mode, c.mode);
    Strings settings;
    for (const auto& [key, value] : line.mode_run.settings) settings.push_back(Narrow(key + u"=" + value));
    EXPECT_EQ(settings, c.settings);
    EXPECT_TRUE(Narrow(line.mode_run.error).starts_with(c.error)) << Narrow(line.mode_run.error);
    EXPECT_EQ(c.error.empty(), line.mode_run.error.empty());
    EXPECT_TRUE(line.diagnostics.empty());
  }

  // A mode run is an automatic run: the option switches apply to it.
  CommandLine line = Parse({"--mode=case", "/test", "--null", "--logs", "/subfolder2", "/d"});
  EXPECT_TRUE(line.test_mode && line.null_paths && line.logs_requested);
  EXPECT_EQ(line.depth, 2);
  EXPECT_EQ(Paths(line), Strings{"/d"});
  EXPECT_FALSE(Parse({"/d"}).null_paths);
}

TEST(CommandLineTest, OnlySwitchFormsAreSwitches) {
  const std::pair<std::string, bool> cases[] = {
      {"/home/user/a.txt", false}, {"/file", true},     {"/files", false},   {"/auto26", true},
      {"/auto/x", false},          {"//auto26", false}, {"/autofile=/a/b", true},
      {"/autofile", true},         {"/sortfoo", true},  {"/sort/x", false},  {"/filter/x", true},
      {"/folders", true},          {"/subfolder/x", false}, {"/tests", false}, {"/undo/", false},
      {"relative/a", false},       {"/", false},        {"", false},
  };
  for (const auto& [arg, is_switch] : cases) EXPECT_EQ(IsSwitchForm(U(arg), 5), is_switch) << arg;
  EXPECT_TRUE(IsSwitchForm(u"s/a/b/", 1));
  EXPECT_TRUE(IsSwitchForm(u"s/a/b/", 2));
  EXPECT_FALSE(IsSwitchForm(u"s/a/b/", 3));

  const CommandLine line = Parse({"/home/a", "/auto/x", "rel", "/show", "/x", "/d e"});
  EXPECT_EQ(Paths(line), (Strings{"/home/a", "/auto/x", "rel", "/x", "/d e"}));
}

TEST(CommandLineTest, OptionSwitches) {
  constexpr std::uint32_t S = kFlagShowWindow, O = kFlagStayOpen, E = kFlagErrorMessages,
                          M = kFlagAllMessages, T = S | O | E;  // T: what /test sets
  const struct { Strings args; std::string autoaddopt; std::uint32_t flags;
      bool test_mode, show_given; int file_folder, dropped, depth; } cases[] = {
      // Interactive use: only /file, /folder and /sort work, and autoaddopt is not read.
      {{"/show", "/noexit", "/subfolder3", "/test", "/file"}, "/folder", 0, false, false, 0, -1,
       -1},
      {{"/auto1"}, "/file /subfolder0", 1, false, false, 0, -1, 0},
      {{"/auto1", "/folder"}, "/file /subfolder0", 1, false, false, 1, -1, 0},
      {{"/auto1", "/subfolder10", "/folder1"}, "/subfolder0", 1, false, false, 1, 0, 10},
      {{"/auto1", "/folder0"}, "", 1, false, false, 1, 1, -1},
      {{"/auto1", "/show", "/noexit"}, "", 1 | S | O, false, true, -1, -1, -1},
      {{"/auto1", "/show", "/hide", "/noexit", "/exit"}, "", 1, false, false, -1, -1, -1},
      // /test clears an earlier /allmsg and locks the window and exit bits.
      {{"/auto1", "/allmsg", "/test"}, "", 1 | T, true, false, -1, -1, -1},
      {{"/auto1", "/test", "/allmsg"}, "", 1 | T | M, true, false, -1, -1, -1},
      {{"/auto1", "/test", "/hide", "/exit", "/nomsg"}, "", 1 | S | O, true, false, -1, -1, -1},
      {{"/auto1", "/test", "/show"}, "", 1 | T, true, true, -1, -1, -1},
      {{"/auto1", "/errmsg"}, "/show", 1 | S | E, false, true, -1, -1, -1},
      {{"/auto1", "/hide"}, "/show", 1, false, false, -1, -1, -1},
      {{"/auto1", "--test"}, "--subfolder=2", 1 | T, true, false, -1, -1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args) + " autoaddopt=" + c.autoaddopt);
    const CommandLine line = Parse(c.args, c.autoaddopt);
    EXPECT_EQ(line.flags, c.flags);
    EXPECT_EQ((std::vector<bool>{line.test_mode, line.show_given}),
              (std::vector<bool>{c.test_mode, c.show_given}));
    EXPECT_EQ((std::vector<int>{line.file_folder, line.dropped_folder, line.depth}),
              (std::vector<int>{c.file_folder, c.dropped, c.depth}));
    EXPECT_TRUE(line.diagnostics.empty());
  }
}

TEST(CommandLineTest, SortCodes) {
  const std::pair<std::string, int> cases[] = {
      {"/sort", 0},      {"/sortname", 0},   {"/sortnamer", 1},  {"/sortr", 1},
      {"/sortext", 10},  {"/sortextr", 11},  {"/sortdir", 20},   {"/sortdirr", 21},
      {"/sortsize", 40}, {"/sortsizer", 41}, {"/sortdate", 50},  {"/sortdater", 51},
      {"/sortName", -1}, {"/sortdates", -1}, {"/sort ", -1},
  };
  for (const auto& [arg, code] : cases) {
    const CommandLine line = Parse({arg});
    EXPECT_EQ(line.sort_code, code) << arg;
    EXPECT_EQ(line.diagnostics.empty(), code >= 0) << arg;
  }
  EXPECT_EQ(Parse({"/sortsize", "/sortr"}).sort_code, 1);
  EXPECT_EQ(Parse({"/auto1", "/sortr"}, "/sortsize").sort_code, 1);
}

TEST(CommandLineTest, AutoaddoptTokensThatCannotServeAreReported) {
  const CommandLine line = Parse({"/auto1"}, "  /show\t/auto3 /subfolder11 /home/x /filter=a ");
  EXPECT_EQ(line.flags, 1u | kFlagShowWindow);
  EXPECT_EQ(Kinds(line), (std::vector<K>{K::kIgnoredSetting, K::kUnusableValue,
                                         K::kIgnoredSetting, K::kIgnoredSetting}));
  for (const CommandLineDiagnostic& d : line.diagnostics) EXPECT_EQ(d.index, 0);
  EXPECT_EQ(RunStopper(line), nullptr);  // the setting's faults only warn
  EXPECT_FALSE(line.filter_text);
}

TEST(CommandLineTest, FilterText) {
  const std::pair<std::string, std::string> cases[] = {
      {"/filter=\"*.txt\"", "*.txt"}, {"/filter=*.txt", "*.txt"}, {"/filter\"a b\"", "a b"},
      {"/filter*.txt", "*.txt"},      {"/filter", ""},            {"/filter=\"", ""},
      {"/filter\"", ""},              {"/filter=a\"b", "a\"b"},   {"/filter=/x/", "/x/"},
      {"/filter=" + std::string(247, 'a'), std::string(247, 'a')},
  };
  for (const auto& [arg, text] : cases) EXPECT_EQ(FilterTextOf(U(arg)), U(text)) << arg;
  EXPECT_FALSE(FilterTextOf(U("/filter=" + std::string(248, 'a'))));
  EXPECT_FALSE(FilterTextOf(u"/filte"));

  // Honoured beyond the switch window, the last one counts, never a path.
  Strings args = Filler(25);
  args.insert(args.begin() + 2, "/filter=first");
  args.push_back("--filter=last");
  CommandLine line = Parse(args);
  EXPECT_EQ(line.filter_text, u"last");
  EXPECT_EQ(line.paths.size(), 25u);
  EXPECT_TRUE(line.diagnostics.empty());

  line = Parse({"/filter=" + std::string(250, 'a')});
  EXPECT_FALSE(line.filter_text);
  EXPECT_EQ(Kinds(line), std::vector<K>{K::kTooLong});
}

TEST(CommandLineTest, SwitchesBeyondArgumentTwentyStopTheRun) {
  Strings args = Filler(19);
  args.insert(args.end(), {"/sortr", "/auto3", "/folder", "/auto99"});
  const CommandLine line = Parse(args);
  EXPECT_EQ(line.sort_code, 1);  // argument 20 is the last switch read
  EXPECT_EQ(line.run_code(), 0);
  EXPECT_EQ(line.file_folder, -1);
  // An unusable value is reported as such wherever it stands.
  EXPECT_EQ(Kinds(line), (std::vector<K>{K::kOutsideWindow, K::kOutsideWindow,
                                         K::kUnusableValue}));
  EXPECT_EQ(line.paths.size(), 19u);
  EXPECT_EQ(RunStopper(line)->argument, u"/auto3");
}

}  // namespace
}  // namespace tessivo
