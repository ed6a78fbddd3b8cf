#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

using K = DiagnosticKind;
using A = AttributeRequest;

// Friday 2024-05-17 13:45:30.250, local.
const CalendarTime kNow{2024, 5, 5, 17, 13, 45, 30, 250};

std::u16string U(const std::string& s) { return Utf8ToUtf16(s); }
std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }

std::string Joined(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& a : args) out += "[" + a + "] ";
  return out;
}

CommandLine Parse(const std::vector<std::string>& args, const std::string& autoaddopt = "") {
  std::vector<std::u16string> argv{u"tessivo"};
  for (const std::string& a : args) argv.push_back(U(a));
  return ParseCommandLine(argv, U(autoaddopt), kNow);
}

std::vector<K> Kinds(const CommandLine& line) {
  std::vector<K> kinds;
  for (const CommandLineDiagnostic& d : line.diagnostics) kinds.push_back(d.kind);
  return kinds;
}

std::vector<std::string> Paths(const CommandLine& line) {
  std::vector<std::string> paths;
  for (const std::u16string& p : line.paths) paths.push_back(Narrow(p));
  return paths;
}

std::vector<std::string> Filler(int count) {
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back("/data/f" + std::to_string(i));
  return args;
}

TEST(CommandLineTest, RunSwitchesSettleTheRunCode) {
  struct Case {
    std::vector<std::string> args;
    int run_code;
    std::uint32_t flags;
    std::vector<K> diagnostics;
  };
  std::vector<Case> cases = {
      {{"/auto7"}, 7, 7, {}},
      {{"/auto25"}, 25, 25, {}},
      {{"/auto26"}, 0, 0, {K::kUnusableValue}},
      {{"/auto0"}, 0, 0, {K::kUnusableValue}},
      {{"/auto07"}, 0, 0, {K::kUnusableValue}},
      {{"/autoexec"}, 0, 0, {K::kUnusableValue}},
      {{"/undo"}, kRunUndo, kRunUndo, {}},
      {{"/undo", "/auto7"}, 7, 7, {}},
      {{"/auto7", "/undo"}, 7, 7, {}},
      {{"/undo0"}, 0, 0, {K::kUnusableValue}},
      {{"/undo10"}, 0, 0, {K::kUnusableValue}},
      // An unusable attribute switch is passed over; an unusable time switch ends the reading.
      {{"/autoattr1-0", "/auto3"}, 3, 3, {K::kUnusableValue}},
      {{"/automtime20140230", "/auto3"}, 0, 0, {K::kUnusableValue}},
      {{"/autofile=/m/a.mac", "/auto3"}, 0, kFlagMacroFile, {}},
      {{"/autofile=", "/auto3"}, 3, 3, {K::kUnusableValue}},
      {{"/auto2", "/autofile=/m/a.mac"}, 2, 2, {}},
      {{"s/a/b/g"}, kRunReplace, kRunReplace, {}},
      {{"/x/y", "s/a/b/g"}, kRunReplace, kRunReplace, {}},
      {{"/x/y", "/x/z", "s/a/b/g"}, 0, 0, {}},
      {{"s/a/b/", "/auto4"}, 4, 4, {}},
      {{"/auto4", "s/a/b/"}, 4, 4, {}},
      {{"s/a/b/", "/autofile=m.mac"}, 0, kFlagMacroFile, {}},
      {{"--", "/auto7"}, 0, 0, {}},
  };
  // The 20th argument is the last one read for switches.
  for (int before : {19, 20}) {
    cases.push_back({Filler(before), before == 19 ? 3 : 0, before == 19 ? 3u : 0u,
                     before == 19 ? std::vector<K>{} : std::vector<K>{K::kOutsideWindow}});
    cases.back().args.push_back("/auto3");
  }

  for (const Case& c : cases) {
    const CommandLine line = Parse(c.args);
    EXPECT_EQ(line.run_code(), c.run_code) << Joined(c.args);
    EXPECT_EQ(line.flags, c.flags) << Joined(c.args);
    EXPECT_EQ(Kinds(line), c.diagnostics) << Joined(c.args);
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

  line = Parse({"s/" + std::string(242, 'a') + "/b/"});
  EXPECT_EQ(line.run_code(), kRunReplace);
  EXPECT_EQ(line.replace.search, u"");
  EXPECT_EQ(line.replace.replacement, u"b");
  EXPECT_EQ(Kinds(line), std::vector<K>{K::kTooLong});
  line = Parse({"s/" + std::string(241, 'a') + "/" + std::string(241, 'b') + "/"});
  EXPECT_EQ(line.replace.search.size(), 241u);
  EXPECT_EQ(line.replace.replacement.size(), 241u);
  EXPECT_TRUE(line.diagnostics.empty());
}

TEST(CommandLineTest, ReplacementExpressions) {
  struct Case {
    std::string arg;
    bool valid;
    std::string search = {}, replacement = {};
    bool g = false, i = false, e = false;
  };
  const std::string sixteen = "s/1/2/3/4/5/6/7/8/9/a/b/c/d/e/f/g/";
  const Case cases[] = {
      {"s/a/b/", true, "a", "b", false, false, false},
      {"s/a/b/c/d/", true, "a/b", "c/d", false, false, false},
      {R"(s/a\/b/c/)", true, R"(a\/b)", "c", false, false, false},
      {R"(s/a\\/b/)", true, R"(a\\)", "b", false, false, false},
      {R"(s/\d+/#/g)", true, R"(\d+)", "#", true, false, false},
      {"s/a/b/gkie", true, "a", "b", true, true, true},
      {"s///", true, "", "", false, false, false},
      {sixteen, true, "1/2/3/4/5/6/7/8", "9/a/b/c/d/e/f/g", false, false, false},
      {sixteen + "h/i/", false},
      {"s/a/b/x", false},
      {"s/a/b/G", false},
      {R"(s/a/b/g\)", false},
      {"s/a/b", false},
      {"s/a/b/c/", false},
      {"s//", false},
      {"x/a/b/", false},
      {"S/a/b/", false},
  };
  for (const Case& c : cases) {
    const auto e = ParseReplacementExpression(U(c.arg));
    ASSERT_EQ(e.has_value(), c.valid) << c.arg;
    if (!e) continue;
    EXPECT_EQ(Narrow(e->search), c.search) << c.arg;
    EXPECT_EQ(Narrow(e->replacement), c.replacement) << c.arg;
    EXPECT_EQ(e->all_occurrences, c.g) << c.arg;
    EXPECT_EQ(e->ignore_case, c.i) << c.arg;
    EXPECT_EQ(e->include_extension, c.e) << c.arg;
  }
}

TEST(CommandLineTest, TimestampSwitches) {
  struct Case {
    std::string arg;
    bool valid;
    int which = 0, filter = 0;
    CalendarTime target{};
    int seconds = 0;
  };
  const CalendarTime today0{2024, 5, 5, 17, 0, 0, 0, 0};
  const CalendarTime now0{2024, 5, 5, 17, 13, 45, 30, 0};
  auto at = [](int y, int mo, int d, int h, int mi, int s) {
    auto u = [](int v) { return static_cast<std::uint16_t>(v); };
    return CalendarTime{u(y), u(mo), u(DayOfWeek(y, mo, d)), u(d), u(h), u(mi), u(s), 0};
  };
  const Case cases[] = {
      {"/autoctimetoday", true, 0, 0, today0, 0},
      {"/autoctimetoday+60", true, 0, 0, today0, 60},
      {"/autoctimetoday+604801", false},
      {"/autoctimetoday+", false},
      {"/autoctimetoday+6a", false},
      {"/autoctimetodayx", false},
      {"/automtimetoday235959", true, 1, 0, at(2024, 5, 17, 23, 59, 59), 0},
      {"/autobtimetoday000000+604800", true, 2, 0, today0, 604800},
      {"/autobtimetoday000000+604801", false},
      {"/autobtimetoday000000+", false},
      {"/autoctimetoday240000", false},
      {"/autoctimetoday126000", false},
      {"/autoctimetoday125960", false},
      {"/autoctimetoday12000", false},
      {"/autoctimenow", true, 0, 0, now0, 0},
      {"/autoctimenow+604800", true, 0, 0, now0, 604800},
      {"/autoctimenow+604801", false},
      {"/autoctimenow+", false},
      {"/autoctimenowx", false},
      {"/automtime20120229", true, 1, 0, at(2012, 2, 29, 13, 45, 30), 0},
      {"/automtime20000229", true, 1, 0, at(2000, 2, 29, 13, 45, 30), 0},
      {"/automtime19000101", true, 1, 0, at(1900, 1, 1, 13, 45, 30), 0},
      {"/automtime29991231", true, 1, 0, at(2999, 12, 31, 13, 45, 30), 0},
      {"/automtime20140230", false},
      {"/automtime20130229", false},
      {"/automtime21000229", false},
      {"/automtime20141301", false},
      {"/automtime20140001", false},
      {"/automtime20140100", false},
      {"/automtime18991231", false},
      {"/automtime30000101", false},
      {"/automtime2014010", false},
      {"/automtime201401011", false},
      {"/automtime20140101+604800", true, 1, 0, at(2014, 1, 1, 13, 45, 30), 604800},
      {"/automtime20140101+000000060", true, 1, 0, at(2014, 1, 1, 13, 45, 30), 60},
      {"/automtime20140101+0000000060", false},
      {"/automtime20140101+604801", false},
      {"/automtime20140101+", false},
      {"/automtime20140101123456", true, 1, 0, at(2014, 1, 1, 12, 34, 56), 0},
      {"/automtime20140101123456+10", true, 1, 0, at(2014, 1, 1, 12, 34, 56), 10},
      {"/automtime20140101243456+10", false},
      {"/automtime20140101123456+", false},
      {"/automtime20140101123456x10", false},
      {"/autoctime=mtime", true, 3, 0, now0, 0},
      {"/autoctime=mtimenew", true, 3, 1, now0, 0},
      {"/autoctime=mtimeold", true, 3, 2, now0, 0},
      {"/automtime=ctimeold", true, 4, 2, now0, 0},
      {"/automtime=mtime", false},
      {"/autoctime=ctime", false},
      {"/autobtime=mtime", false},
      {"/autoctime=mtimex", false},
      {"/autoctime", false},
  };
  for (const Case& c : cases) {
    const auto t = ParseTimestampSwitch(U(c.arg), kNow);
    ASSERT_EQ(t.has_value(), c.valid) << c.arg;
    if (!t) continue;
    EXPECT_EQ(*t, (TimestampOverrides{c.which, c.filter, c.target, c.seconds})) << c.arg;
  }
  const CommandLine line = Parse({"/autoctimetoday+60"});
  EXPECT_EQ(line.run_code(), kRunTimestamps);
  EXPECT_EQ(line.timestamps.seconds_per_file, 60);
}

TEST(CommandLineTest, LongOptionsTranslate) {
  const std::pair<std::string, std::string> cases[] = {
      {"--auto=7", "/auto7"},
      {"--sort=namer", "/sortnamer"},
      {"--sort", "/sort"},
      {"--folder=0", "/folder0"},
      {"--autoattr=1-0-", "/autoattr1-0-"},
      {"--autoctime=today", "/autoctimetoday"},
      {"--autoctime=mtime", "/autoctime=mtime"},
      {"--automtime=ctimenew", "/automtime=ctimenew"},
      {"--autobtime=20140101", "/autobtime20140101"},
      {"--autofile=/m/a=b.mac", "/autofile=/m/a=b.mac"},
      {"--filter=*.txt", "/filter=*.txt"},
      {"--auto=file=x", "/autofile=x"},
      {"--show", "/show"},
  };
  for (const auto& [gnu, slash] : cases) {
    const auto converted = LongOptionToSwitch(U(gnu));
    ASSERT_TRUE(converted) << gnu;
    EXPECT_EQ(Narrow(*converted), slash) << gnu;
  }
  for (const char* not_long : {"--", "--=7", "-x", "/auto7", "auto"}) {
    EXPECT_FALSE(LongOptionToSwitch(U(not_long))) << not_long;
  }
}

TEST(CommandLineTest, LongOptionsAndRequestsThroughTheParser) {
  CommandLine line = Parse({"--auto=7", "--folder=0", "--sort=dater", "--subfolder=3", "--show"});
  EXPECT_EQ(line.flags, 7u | kFlagShowWindow);
  EXPECT_EQ(line.file_folder, 1);
  EXPECT_EQ(line.dropped_folder, 1);
  EXPECT_EQ(line.sort_code, 51);
  EXPECT_EQ(line.depth, 3);

  line = Parse({"--help", "--version", "--bogus", "--auto=26", "/d"});
  EXPECT_TRUE(line.help_requested);
  EXPECT_TRUE(line.version_requested);
  EXPECT_EQ(Kinds(line), (std::vector<K>{K::kUnknownOption, K::kUnusableValue}));
  EXPECT_EQ(line.diagnostics[0].index, 3);
  EXPECT_EQ(line.diagnostics[0].argument, u"--bogus");
  EXPECT_EQ(Paths(line), std::vector<std::string>{"/d"});

  line = Parse({"/d", "--", "--help", "/file", "--"});
  EXPECT_FALSE(line.help_requested);
  EXPECT_EQ(line.file_folder, -1);
  EXPECT_EQ(Paths(line), (std::vector<std::string>{"/d", "--help", "/file", "--"}));
}

TEST(CommandLineTest, OnlySwitchFormsAreSwitches) {
  const std::pair<std::string, bool> cases[] = {
      {"/home/user/a.txt", false}, {"/file", true},       {"/files", false},
      {"/auto26", true},           {"/auto/x", false},    {"//auto26", false},
      {"/autofile=/a/b", true},    {"/autofile", true},   {"/sortfoo", true},
      {"/sort/x", false},          {"/filter/x", true},   {"/folders", true},
      {"/subfolder/x", false},     {"/tests", false},     {"/undo/", false},
      {"relative/a", false},       {"/", false},          {"", false},
  };
  for (const auto& [arg, is_switch] : cases) {
    EXPECT_EQ(IsSwitchForm(U(arg), 5), is_switch) << arg;
  }
  EXPECT_TRUE(IsSwitchForm(u"s/a/b/", 1));
  EXPECT_TRUE(IsSwitchForm(u"s/a/b/", 2));
  EXPECT_FALSE(IsSwitchForm(u"s/a/b/", 3));

  const CommandLine line = Parse({"/home/a", "/auto/x", "rel", "/show", "/x", "/d e"});
  EXPECT_EQ(Paths(line), (std::vector<std::string>{"/home/a", "/auto/x", "rel", "/x", "/d e"}));
}

TEST(CommandLineTest, OptionSwitches) {
  struct Case {
    std::vector<std::string> args;
    std::string autoaddopt;
    std::uint32_t flags;
    bool test_mode, show_given;
    int file_folder, dropped, depth;
  };
  const std::uint32_t kTestBits = kFlagShowWindow | kFlagStayOpen | kFlagErrorMessages;
  const Case cases[] = {
      // Interactive use: message, window and depth switches do nothing, autoaddopt is unused.
      {{"/show", "/noexit", "/subfolder3", "/test"}, "/folder", 0, false, false, -1, -1, -1},
      {{"/file"}, "/folder", 0, false, false, 0, -1, -1},
      {{"/auto1"}, "/file /subfolder0", 1, false, false, 0, -1, 0},
      {{"/auto1", "/folder"}, "/file /subfolder0", 1, false, false, 1, -1, 0},
      {{"/auto1", "/subfolder10", "/folder1"}, "/subfolder0", 1, false, false, 1, 0, 10},
      {{"/auto1", "/folder0"}, "", 1, false, false, 1, 1, -1},
      {{"/auto1", "/show", "/noexit"}, "", 1 | kFlagShowWindow | kFlagStayOpen, false, true,
       -1, -1, -1},
      {{"/auto1", "/show", "/hide", "/noexit", "/exit"}, "", 1, false, false, -1, -1, -1},
      {{"/auto1", "/test"}, "", 1 | kTestBits, true, false, -1, -1, -1},
      {{"/auto1", "/allmsg", "/test"}, "", 1 | kTestBits, true, false, -1, -1, -1},
      {{"/auto1", "/test", "/allmsg"}, "", 1 | kTestBits | kFlagAllMessages, true, false, -1,
       -1, -1},
      {{"/auto1", "/test", "/hide", "/exit", "/nomsg"}, "",
       1 | kFlagShowWindow | kFlagStayOpen, true, false, -1, -1, -1},
      {{"/auto1", "/test", "/show"}, "", 1 | kTestBits, true, true, -1, -1, -1},
      {{"/auto1", "/errmsg"}, "/show", 1 | kFlagShowWindow | kFlagErrorMessages, false, true,
       -1, -1, -1},
      {{"/auto1", "/hide"}, "/show", 1, false, false, -1, -1, -1},
      {{"/auto1", "--test"}, "--subfolder=2", 1 | kTestBits, true, false, -1, -1, 2},
  };
  for (const Case& c : cases) {
    const CommandLine line = Parse(c.args, c.autoaddopt);
    const std::string name = Joined(c.args) + "autoaddopt=" + c.autoaddopt;
    EXPECT_EQ(line.flags, c.flags) << name;
    EXPECT_EQ(line.test_mode, c.test_mode) << name;
    EXPECT_EQ(line.show_given, c.show_given) << name;
    EXPECT_EQ(line.file_folder, c.file_folder) << name;
    EXPECT_EQ(line.dropped_folder, c.dropped) << name;
    EXPECT_EQ(line.depth, c.depth) << name;
    EXPECT_TRUE(line.diagnostics.empty()) << name;
  }
}

TEST(CommandLineTest, SortCodes) {
  const std::pair<std::string, int> cases[] = {
      {"/sort", 0},        {"/sortname", 0},    {"/sortnamer", 1}, {"/sortr", 1},
      {"/sortext", 10},    {"/sortextr", 11},   {"/sortdir", 20},  {"/sortdirr", 21},
      {"/sortsize", 40},   {"/sortsizer", 41},  {"/sortdate", 50}, {"/sortdater", 51},
      {"/sortName", -1},   {"/sortdates", -1},  {"/sort ", -1},
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
  EXPECT_FALSE(line.filter_text);
}

TEST(CommandLineTest, FilterText) {
  const std::pair<std::string, std::string> cases[] = {
      {"/filter=\"*.txt\"", "*.txt"}, {"/filter=*.txt", "*.txt"}, {"/filter\"a b\"", "a b"},
      {"/filter*.txt", "*.txt"},      {"/filter", ""},            {"/filter=\"", ""},
      {"/filter\"", ""},              {"/filter=a\"b", "a\"b"},   {"/filter=/x/", "/x/"},
      {"/filter=" + std::string(247, 'a'), std::string(247, 'a')},
  };
  for (const auto& [arg, text] : cases) {
    const auto filter = FilterTextOf(U(arg));
    ASSERT_TRUE(filter) << arg;
    EXPECT_EQ(Narrow(*filter), text) << arg;
  }
  EXPECT_FALSE(FilterTextOf(U("/filter=" + std::string(248, 'a'))));
  EXPECT_FALSE(FilterTextOf(u"/filte"));

  // Honoured beyond the switch window, the last one counts, never a path.
  std::vector<std::string> args = Filler(25);
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

TEST(CommandLineTest, SwitchesBeyondTheWindowAreReportedNotRun) {
  std::vector<std::string> args = Filler(20);
  args.insert(args.end(), {"/folder", "/auto99", "/sortr"});
  const CommandLine line = Parse(args);
  EXPECT_EQ(line.file_folder, -1);
  EXPECT_EQ(line.sort_code, -1);
  EXPECT_EQ(Kinds(line), (std::vector<K>{K::kOutsideWindow, K::kUnusableValue,
                                         K::kOutsideWindow}));
  EXPECT_EQ(line.paths.size(), 20u);
}

}  // namespace
}  // namespace tessivo
