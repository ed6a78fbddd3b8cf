#include "exec/execute.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "config/settings.h"
#include "exec/run.h"
#include "platform/file_name_bytes.h"
#include "platform/temp_name.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

using Op = FakeFileSystem::Op;
using Strings = std::vector<std::string>;
using U16s = std::vector<std::u16string>;

// A fake disk, a list, a message record and the state and hooks of runs.
class RunFixture : public ::testing::Test {
 protected:
  // "old name>new name:status" of row `i`; Rows() gives every row, spaced.
  std::string Row(int i) const {
    return Utf16ToUtf8(list_.GetCell(i, Cell::kName)) + ">" +
           Utf16ToUtf8(list_.GetCell(i, Cell::kNewName)) + ":" +
           std::to_string(static_cast<int>(list_.GetFileStatus(i)));
  }
  std::string Rows() const {
    std::string out;
    for (int i = 0; i < list_.Count(); ++i) out += (i > 0 ? " " : "") + Row(i);
    return out;
  }

  FakeFileSystem fs_;
  FileList list_;
  ScriptedSink sink_;
  Messenger messenger_{sink_};
  RunState state_;
  RunHooks hooks_;
};

// "/d/" holds a.txt to d.txt, listed in that order, and Xb.txt. The compute hook prefixes "X"
// (or returns compute_result_) and records "source|preset|ordinal"; the disk refuses changes.
class RunTest : public RunFixture {
 protected:
  void SetUp() override {
    for (const char16_t* name : {u"a.txt", u"b.txt", u"c.txt", u"d.txt"}) {
      fs_.AddFile(std::u16string(u"/d/") + name);
      list_.AddRow(name, u".txt", u"/d/", u"", u"", u"", list_.Count());
    }
    fs_.AddFile(u"/d/Xb.txt");
    fs_.forbid_changes_ = true;
    hooks_.compute_new_name = [this](const std::u16string& source, const std::u16string& preset,
                                     std::int64_t ordinal, const std::u16string& disk) {
      calls_.push_back(Utf16ToUtf8(source + u"|" + preset) + "|" + std::to_string(ordinal) +
                       (disk == source ? "" : "|" + Utf16ToUtf8(disk)));
      return compute_result_ ? *compute_result_ : u"/d/X" + source.substr(3);
    };
    hooks_.progress = [this](int percent) { progress_.push_back(percent); };
    hooks_.end_run = [this] { ++end_runs_; };
  }

  int Run(int kind, int mode = 1) {
    return ExecuteRun(kind, RunContext{list_, fs_, messenger_, state_, hooks_, mode});
  }

  Strings calls_;
  std::optional<std::u16string> compute_result_;
  std::vector<int> progress_;
  int end_runs_ = 0;
};

TEST_F(RunTest, PreviewComputesValidatesAndSkipsExcludedRows) {
  list_.SetCell(2, Cell::kNewName, u"stale");
  hooks_.apply_narrowing_at_preview = [this] { list_.SetFileStatus(2, FileStatus::kExcluded); };
  state_.hand_edited = true;

  ASSERT_EQ(Run(kRunPreview), 0);
  EXPECT_EQ(Rows(), "a.txt>Xa.txt:7 b.txt>Xb.txt:3 c.txt>:12 d.txt>Xd.txt:7");
  // The excluded row takes no ordinal.
  EXPECT_EQ(calls_, (Strings{"/d/a.txt|/d/|0", "/d/b.txt|/d/|1", "/d/d.txt|/d/|2"}));
  EXPECT_TRUE(state_.names_current && !state_.hand_edited && sink_.shown.empty());
  EXPECT_EQ(progress_, (std::vector<int>{0, 25, 50, 75, 100, 0}));

  // Macro playback from its second step on works from the new names; validation looks for
  // the old file.
  state_.source_is_new_name = true;
  calls_.clear();
  ASSERT_EQ(Run(kRunPreview), 0);
  EXPECT_EQ(calls_.at(0), "/d/Xa.txt|/d/Xa.txt|0|/d/a.txt");  // the file is still a.txt
  EXPECT_EQ(Rows(), "a.txt>XXa.txt:7 b.txt>XXb.txt:7 c.txt>:12 d.txt>XXd.txt:7");
}

TEST_F(RunTest, ReturnedTextIsWrittenByModeGroup) {
  const std::tuple<int, std::u16string, std::string> cases[] = {
      // mode, returned, first row
      {2, u"/d/new.txt", "new.txt:7"},
      {19, u"/d/new.txt", "new.txt:7"},
      {2, u"/d", ":2"},  // shorter than the folder: emptied
      {2, u"/d/" + std::u16string(300, u'n'), std::string(256, 'n') + ":1"},  // cut to 259
      {13, u"<更新：2020/01/01 00:00:00>", "<更新：2020/01/01 00:00:00>:7"},
      {14, u"/d/new.txt", "/d/new.txt:7"},  // taken as it stands
      {14, u"", ":2"},
  };
  for (const auto& [mode, returned, row] : cases) {
    compute_result_ = returned;
    ASSERT_EQ(Run(kRunPreview, mode), 0);
    EXPECT_EQ(Row(0), "a.txt>" + row) << "mode " << mode << " returned " << Utf16ToUtf8(returned);
  }
}

TEST_F(RunTest, RecheckValidatesHandEditedNamesWithoutComputing) {
  const char16_t* typed[] = {u"a.txt", u"b:c", u"Xb.txt", u"e.txt"};
  for (int i = 0; i < 4; ++i) list_.SetCell(i, Cell::kNewName, typed[i]);
  list_.SetFileStatus(3, FileStatus::kExcluded);
  hooks_.apply_narrowing_at_preview = [] { ADD_FAILURE() << "narrowing in a re-check"; };
  hooks_.before_first_name = [] {
    ADD_FAILURE() << "a re-check computes no name";
    return RunStartResult::Go();
  };
  state_.hand_edited = true;

  ASSERT_EQ(Run(kRunRecheck), 0);
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(Rows(), "a.txt>a.txt:6 b.txt>b:c:2 c.txt>Xb.txt:3 d.txt>:12");
  EXPECT_TRUE(state_.names_current && state_.hand_edited);

  // In the metadata modes the cell is a description and stays as typed.
  list_.SetCell(0, Cell::kNewName, u"<読：Y, 隠：N, ア：Y, シ：N>");
  ASSERT_EQ(Run(kRunRecheck, 14), 0);
  EXPECT_EQ(Row(0), "a.txt><読：Y, 隠：N, ア：Y, シ：N>:7");
}

TEST_F(RunTest, StoppingHooksEndTheRunWithTheirMessage) {
  list_.SetFileStatus(0, FileStatus::kExcluded);  // the first row needing a name is row 1
  using Hook = std::function<RunStartResult()> RunHooks::*;
  const std::pair<const char*, Hook> stoppers[] = {
      {"collect_parameters", &RunHooks::collect_parameters},
      {"prepare_mode", &RunHooks::prepare_mode},
      {"before_first_name", &RunHooks::before_first_name}};
  for (const auto& [name, hook] : stoppers) {
    SCOPED_TRACE(name);
    RunHooks hooks = hooks_;
    int asked = 0;
    hooks.*hook = [&asked] {
      ++asked;
      return RunStartResult::Stop(MessageId::kTooLongTitle, MessageId::kTooLongText);
    };
    calls_.clear();
    sink_.shown.clear();
    end_runs_ = 0;
    state_.names_current = true;
    EXPECT_EQ(ExecuteRun(kRunPreview, RunContext{list_, fs_, messenger_, state_, hooks, 1}), 1);
    EXPECT_TRUE(asked == 1 && calls_.empty() && !state_.names_current);
    ASSERT_EQ(sink_.shown.size(), 1u);
    EXPECT_EQ(sink_.shown[0].text_id, MessageId::kTooLongText);
    EXPECT_EQ(progress_.back(), 0);
    EXPECT_EQ(end_runs_, 1);
  }
}

TEST_F(RunTest, RunsThatDoNotStart) {
  hooks_.collect_parameters = [] {
    ADD_FAILURE() << "run started";
    return RunStartResult::Go();
  };
  EXPECT_EQ(Run(kRunExecute), 1);  // no execution setup
  EXPECT_EQ(Run(7), 1);
  FileList empty;
  EXPECT_EQ(ExecuteRun(kRunPreview, RunContext{empty, fs_, messenger_, state_, hooks_, 1}), 1);
  EXPECT_TRUE(progress_.empty());
  EXPECT_EQ(Rows(), "a.txt>:0 b.txt>:0 c.txt>:0 d.txt>:0");
}

TEST(ConfirmResetOfEditedNamesTest, AsksOnlyWhileNamesWereEditedOutsidePlayback) {
  const std::tuple<bool, bool, int, bool, bool> cases[] = {
      // hand edited, macro playback, answer, asked, go ahead
      {false, false, kAnswerNo, false, true},
      {true, true, kAnswerNo, false, true},
      {true, false, kAnswerYes, true, true},
      {true, false, kAnswerNo, true, false},
  };
  for (const auto& [edited, playback, answer, asked, go_ahead] : cases) {
    SCOPED_TRACE(testing::Message() << edited << playback << answer);
    ScriptedSink sink;
    sink.answers = {answer};
    Messenger messenger(sink);
    RunState state{.hand_edited = edited, .macro_playback = playback};
    EXPECT_EQ(ConfirmResetOfEditedNames(state, messenger), go_ahead);
    EXPECT_EQ(state.hand_edited, edited && !(asked && go_ahead));
    EXPECT_EQ(sink.Titles(), asked ? U16s{u"Clear Edited File Name?"} : U16s{});
  }
}

// The log line of a rename within "/d/".
std::string Line(const std::string& from, const std::string& to) {
  return "\"/d/" + from + "\",\"/d/" + to + "\",\"<NORMAL>\"\r\n";
}

// "/d/" holds each row's file (holding its own name) and a bystander "z.keep"; logs go to
// "/prog". Names are current, as after a preview.
class ExecuteTest : public RunFixture {
 protected:
  void SetUp() override { Reset(); }

  // A fresh disk, list and message record.
  void Reset() {
    fs_ = FakeFileSystem();
    fs_.AddFolder(u"/prog");
    fs_.AddFile(u"/d/z.keep", "bystander");
    list_ = FileList();
    sink_.shown.clear();
    state_.names_current = true;
  }

  void Row(const std::u16string& old_name, const std::u16string& new_name,
           FileStatus status = FileStatus::kChangeable) {
    if (!fs_.Exists(u"/d/" + old_name)) fs_.AddFile(u"/d/" + old_name, Utf16ToUtf8(old_name));
    const std::size_t dot = old_name.rfind(u'.');
    list_.AddRow(old_name, dot == std::u16string::npos ? u"" : old_name.substr(dot), u"/d/",
                 new_name, u"", u"", list_.Count(), status);
  }

  int Run(int mode = 1, bool names_current = true) {
    state_.names_current = names_current;
    return ExecuteRun(kRunExecute,
                      RunContext{list_, fs_, messenger_, state_, hooks_, mode, &setup_});
  }

  std::string Log() const { return fs_.Content(u"/prog/rename1.log").value_or("<no log>"); }
  // The contents of files in "/d/", separated by spaces.
  std::string Files(std::initializer_list<const char16_t*> names) const {
    std::string out;
    for (const char16_t* name : names) {
      if (!out.empty()) out += ' ';
      out += fs_.Content(u"/d/" + std::u16string(name)).value_or("<missing>");
    }
    return out;
  }

  FixedOffsetTimeZone utc_{0};
  ExecuteSummary summary_;
  ExecuteSetup setup_{.options = {.write_log = true, .show_errors = true},
                      .program_folder = u"/prog",
                      .zone = &utc_,
                      .summary = &summary_,
                      .log_lock_wait = std::chrono::milliseconds(0)};
};

// Targets taken during the run (free at the preview, taken by the row before) and swaps
// (marked at the preview) go through a serial, or fail with no question without serials.
// Serials are taken back in order up to the first wanted name still in the way: t.txt here,
// so b(1).txt stays although b.txt is free, and a warning tells. An automatic run asks no
// per-change question.
TEST_F(ExecuteTest, CollisionsGetSerialsOrFailQuietly) {
  setup_.options.warn_serial = true;
  setup_.options.confirm = 2;
  setup_.options.after_run = kAfterRunKeep;
  messenger_.set_auto_flags(autoflag::kShow | autoflag::kAllMsg);
  for (bool serials : {true, false}) {
    SCOPED_TRACE(serials ? "serials" : "no serials");
    Reset();
    setup_.options.add_serial = serials;
    Row(u"c.txt", u"t.txt");
    Row(u"d.txt", u"t.txt");
    Row(u"a.txt", u"b.txt", FileStatus::kTargetExists);
    Row(u"b.txt", u"a.txt", FileStatus::kTargetExists);

    ASSERT_EQ(Run(), 0);
    EXPECT_FALSE(state_.names_current);
    EXPECT_EQ(Files({u"t.txt", u"t(1).txt", u"a.txt", u"b.txt", u"b(1).txt", u"z.keep"}),
              serials ? "c.txt d.txt b.txt <missing> a.txt bystander"
                      : "c.txt <missing> a.txt b.txt <missing> bystander");
    EXPECT_EQ(Log(), serials ? Line("c.txt", "t.txt") + Line("d.txt", "t(1).txt") +
                                   Line("a.txt", "b(1).txt") + Line("b.txt", "a.txt")
                             : Line("c.txt", "t.txt"));
    EXPECT_EQ(Rows(), serials ? "c.txt>t.txt:8 d.txt>t.txt:8 a.txt>b.txt:8 b.txt>a.txt:8"
                              : "c.txt>t.txt:8 d.txt>t.txt:11 a.txt>b.txt:11 b.txt>a.txt:11");
    EXPECT_TRUE(summary_.serials_added == (serials ? 2 : 0) && summary_.serials_taken_back == 0 &&
                summary_.failed == (serials ? 0 : 3));
    EXPECT_EQ(sink_.Titles(), serials ? U16s{u"Added Serial Number"} : U16s{});
  }
}

// In the letter-case mode a target in another case is another file where the folder keeps
// case (a serial), and the file itself where it ignores case (its spelling changes).
TEST_F(ExecuteTest, LetterCaseTargetsFollowTheFolder) {
  for (bool ignore_case : {false, true}) {
    SCOPED_TRACE(ignore_case ? "ignores case" : "keeps case");
    Reset();
    fs_.SetNameRules(u"/d", NameRules{ignore_case, 255});
    setup_.options.add_serial = true;
    setup_.options.after_run = kAfterRunKeep;
    Row(u"a.txt", u"A.txt");
    if (!ignore_case) fs_.AddFile(u"/d/A.txt", "other");
    ASSERT_EQ(Run(4), 0);
    EXPECT_EQ(Files({u"A.txt", u"A(1).txt"}),
              ignore_case ? "a.txt <missing>" : "other a.txt");
    const std::vector<std::u16string> paths = fs_.AllPaths();  // as spelt on the disk
    EXPECT_NE(std::find(paths.begin(), paths.end(), u"/d/A.txt"), paths.end());
    EXPECT_EQ(std::find(paths.begin(), paths.end(), u"/d/a.txt"), paths.end());
  }
}

TEST_F(ExecuteTest, PerChangeQuestionShowsTheSerialPathAndTheTakeBackIsTold) {
  setup_.options.add_serial = true;
  setup_.options.confirm = 2;
  setup_.options.after_run = kAfterRunKeep;
  Row(u"a.txt", u"b.txt", FileStatus::kTargetExists);
  Row(u"b.txt", u"a.txt", FileStatus::kTargetExists);
  Row(u"c.txt", u"d.txt", FileStatus::kTargetExists);
  Row(u"d.txt", u"c.txt", FileStatus::kTargetExists);
  // The first "Serial Number Deleted" box closed otherwise: no second one.
  sink_.answers = {kAnswerYes, kAnswerYes, kAnswerYes, kAnswerYes, kAnswerCancel};
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(sink_.Titles(),
            (U16s{u"Rename?", u"Rename?", u"Rename?", u"Rename?", u"Serial Number Deleted"}));
  EXPECT_EQ(sink_.shown[0].args, (U16s{u"/d/a.txt", u"/d/b(1).txt"}));
  EXPECT_EQ(sink_.shown[4].args, (U16s{u"/d/b(1).txt", u"/d/b.txt"}));
  EXPECT_EQ(Files({u"c.txt", u"d.txt"}), "d.txt c.txt");
  EXPECT_EQ(summary_.serials_taken_back, 2);
}

TEST_F(ExecuteTest, AfterRunPolicies) {
  // d.txt is no change: it keeps its mark 6 whatever the policy keeps.
  const std::string continued = "x.txt>:8 b.txt>y.txt:11 c.txt>:12 d.txt>d.txt:6";
  const std::tuple<int, bool, std::string> cases[] = {
      // policy, keep-changing once, rows
      {kAfterRunClearAll, false, ""},  // failed rows go too
      {kAfterRunClearChanged, false, "b.txt>y.txt:7 c.txt>:12 d.txt>d.txt:6"},
      {kAfterRunKeep, false, "a.txt>x.txt:8 b.txt>y.txt:11 c.txt>:12 d.txt>d.txt:6"},
      {kAfterRunKeepChanging, false, continued},
      // The keep-changing command turns 3 into 0 and anything else into 3.
      {kAfterRunKeepChanging, true, ""},
      {kAfterRunKeep, true, continued},
  };
  for (const auto& [policy, once, rows] : cases) {
    SCOPED_TRACE(testing::Message() << "policy " << policy << " once " << once);
    Reset();
    Row(u"a.txt", u"x.txt");  // changed
    Row(u"b.txt", u"y.txt");  // fails
    Row(u"c.txt", u"w.txt", FileStatus::kExcluded);
    Row(u"d.txt", u"d.txt", FileStatus::kUnchanged);  // forced, yet no change
    fs_.FailPath(Op::kRenameNoReplace, u"/d/y.txt", ErrorCode::kPermission);
    setup_.options.after_run = policy;
    setup_.options.force_unchanged = true;
    state_.keep_changing_once = once;

    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(Rows(), rows);
    EXPECT_TRUE(rows != continued || (list_.GetCell(0, Cell::kExtension) == u".txt" &&
                                      list_.GetCell(0, Cell::kFolder) == u"/d/"));
    EXPECT_EQ(Files({u"x.txt"}), "a.txt");
    EXPECT_FALSE(state_.keep_changing_once);
  }

  EXPECT_EQ(EffectiveAfterRunPolicy(kAfterRunClearAll, false, true), kAfterRunKeepChanging);
  EXPECT_EQ(EffectiveAfterRunPolicy(kAfterRunKeepChanging, true, true), kAfterRunKeepChanging);
  EXPECT_EQ(EffectiveAfterRunPolicy(7, false, false), kAfterRunClearAll);
}

TEST_F(ExecuteTest, ForceOptionsDecideWhichMarksAreChanged) {
  bool ExecuteOptions::*const forces[] = {
      &ExecuteOptions::force_invalid, &ExecuteOptions::force_backslash,
      &ExecuteOptions::force_bad_character, &ExecuteOptions::force_unchanged};
  // By status code 0..12: the force option (1..4) a row needs, 0 none, 5 never.
  const int needs[] = {0, 1, 1, 0, 2, 3, 4, 0, 0, 0, 1, 0, 5};
  for (int code = 0; code <= 12; ++code) {
    for (int force = 0; force <= 4; ++force) {
      ExecuteOptions options;
      if (force > 0) options.*forces[force - 1] = true;
      EXPECT_EQ(IsEligible(FileStatusFromCode(code), options),
                needs[code] == 0 || needs[code] == force)
          << "status " << code << " force" << force;
    }
  }

  // Forced rows that change nothing: the same name (no call, no line: a run of only such rows
  // rotates no slot) and names that would leave the folder (never changed, whatever is forced).
  setup_.options = {.force_invalid = true, .force_backslash = true, .force_bad_character = true,
                    .force_unchanged = true, .after_run = kAfterRunKeep, .write_log = true};
  fs_.AddFile(u"/prog/rename1.log", "newest");
  fs_.AddFolder(u"/d/sub");
  Row(u"a.txt", u"a.txt", FileStatus::kUnchanged);
  Row(u"b.txt", u"sub/b.txt", FileStatus::kInvalidName);
  Row(u"c.txt", u"../c.txt", FileStatus::kInvalidName);
  Row(u"e.txt", u"..", FileStatus::kInvalidName);
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Rows(), "a.txt>a.txt:6 b.txt>sub/b.txt:11 c.txt>../c.txt:11 e.txt>..:11");
  EXPECT_TRUE(fs_.renamed_.empty() && fs_.appended_.empty());
  EXPECT_EQ(Log(), "newest");
  EXPECT_TRUE(summary_.changed == 0 && summary_.not_eligible == 4);
}

// With the log on, a run whose log cannot be made or is held by another run
// changes nothing and says why; the other run is waited for a little.
TEST_F(ExecuteTest, NoLogNoChange) {
  const std::tuple<ErrorCode, bool, std::u16string> cases[] = {
      // failure of the open, another run holds slot 0, title
      {ErrorCode::kPermission, false, u"Can't Write Log"},
      {ErrorCode::kNoSpace, false, u"Can't Write Log"},
      {ErrorCode::kBusy, true, u"Log In Use"},
  };
  for (const auto& [code, locked, title] : cases) {
    SCOPED_TRACE(Utf16ToUtf8(title));
    Reset();
    Row(u"a.txt", u"b.txt");
    fs_.SetLockedByOther(u"/prog/rename0.log", locked);
    if (!locked) fs_.FailPath(Op::kOpenAppend, u"/prog/rename0.log", code);
    setup_.log_lock_wait = std::chrono::milliseconds(locked ? 250 : 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(250), locked);
    EXPECT_TRUE(fs_.renamed_.empty() && fs_.Exists(u"/d/a.txt"));
    ASSERT_EQ(sink_.shown.size(), 1u);
    EXPECT_EQ(sink_.shown[0].title, title);
    EXPECT_EQ(sink_.shown[0].style, box::kOk | box::kIconStop);
    EXPECT_EQ(sink_.shown[0].args, locked ? U16s{} : U16s{u"/prog/rename0.log (injected)"});
  }
}

TEST(ExecuteOptionsTest, ReadFromTheSettings) {
  FakeFileSystem fs;
  Settings settings(fs, {BackendKind::kIni, u"/p/tessivo.ini", u"/p/registry.ini"});
  ExecuteOptions expected = ExecuteOptionsFromSettings(settings);
  EXPECT_TRUE(expected.confirm == 1 && expected.write_log && expected.add_serial);
  settings.SetCollisionExampleIndex(4);
  settings.SetInt(IntKey::kAddrenbegin, 1);
  settings.SetInt(IntKey::kAdddiffpad, 2);
  settings.SetInt(IntKey::kDel, 3);
  settings.SetInt(IntKey::kFileDir, 1);
  settings.SetWordBit(OptionWord::kOption1, opt1::kAddCollisionSerial, false);
  expected.serial_form = 4;
  expected.serial_start = 2;
  expected.serial_padding = 2;
  expected.after_run = kAfterRunKeepChanging;
  expected.folders = true;
  expected.add_serial = false;
  EXPECT_TRUE(ExecuteOptionsFromSettings(settings) == expected);
}

TEST(CollisionSerial, FormsPaddingAndFolders) {
  // form, padding, folders, number, path, expected
  const std::tuple<int, int, bool, int, const char16_t*, const char16_t*> cases[] = {
      {0, 0, false, 1, u"/d/abc.txt", u"/d/abc(1).txt"},
      {1, 1, false, 3, u"/d/abc.txt", u"/d/abc[03].txt"},
      {2, 2, false, 7, u"/d/abc.txt", u"/d/abc_007.txt"},
      {3, 0, false, 12, u"/d/abc.txt", u"/d/(12)abc.txt"},
      {4, 2, false, 1234, u"/d/abc.txt", u"/d/[1234]abc.txt"},
      {9, 0, false, 1, u"/d/abc.txt", u"/d/1_abc.txt"},          // clamped to 5, the last form
      {-1, 0, false, 1, u"/d/abc", u"/d/abc(1)"},                // clamped to 0
      {0, 5, false, 1, u"/d/a.b.c", u"/d/a.b(1).c"},             // unknown padding: none
      {0, 0, true, 1, u"/d/photos.2014", u"/d/photos.2014(1)"},  // a folder keeps its dot part
      {3, 0, true, 1, u"/d/photos.2014", u"/d/(1)photos.2014"},
  };
  for (const auto& [form, padding, folders, number, path, expected] : cases) {
    const ExecuteOptions options{
        .serial_form = form, .serial_padding = padding, .folders = folders};
    EXPECT_EQ(Utf16ToUtf8(CollisionSerialPath(path, number, options)), Utf16ToUtf8(expected))
        << "form " << form << " padding " << padding << " path " << Utf16ToUtf8(path);
  }
}

TEST(CollisionSerial, SearchStartsAtTheStartNumberAndStopsAtTheLimits) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/b(1).txt");
  fs.AddFile(u"/d/b(2).txt");
  // 254 units with "/d/": (1)..(10) are taken, (11) would be free.
  const std::u16string stem = u"/d/" + std::u16string(254 - 3 - 4, u'n');
  for (int n = 1; n <= 10; ++n) fs.AddFile(stem + u"(" + Utf8ToUtf16(std::to_string(n)) + u").txt");
  const std::tuple<std::u16string, int, std::u16string> cases[] = {
      // path, start, result or ""
      {u"/d/b.txt", 1, u"/d/b(3).txt"},
      {u"/d/c.txt", 2, u"/d/c(2).txt"},
      {u"/d/b.txt", 50000, u"/d/b(50000).txt"},
      {u"/d/b.txt", 50001, u""},
      {stem + u".txt", 1, u""},                                    // 11 is free but never tried
      {stem + u".txt", 11, u""},                                   // a start above 10 fails at once
      {stem.substr(1) + u".txt", 1, stem.substr(1) + u"(1).txt"},  // 253 units: no such limit
      {u"/d/" + std::u16string(254, u'x'), 1, u""},                // (1) would pass 259 units
  };
  for (const auto& [wanted, start, expected] : cases) {
    std::u16string path = wanted;
    EXPECT_EQ(AddCollisionSerial(fs, path, ExecuteOptions{.serial_start = start}),
              !expected.empty())
        << Utf16ToUtf8(wanted) << " from " << start;
    EXPECT_EQ(Utf16ToUtf8(path), Utf16ToUtf8(expected.empty() ? wanted : expected));
  }
}

TEST(CollisionSerial, LedgerKeepsFourThousandEntries) {
  SerialLedger ledger;
  for (int i = 0; i < 4000; ++i) ASSERT_TRUE(ledger.Add(u"w", u"s", i));
  EXPECT_FALSE(ledger.Add(u"w", u"s", 4000));
  EXPECT_TRUE(ledger.entries().size() == 4000u && ledger.overflow() == 1);
}

TEST_F(ExecuteTest, FailedRenameAsksToContinueAndNoStopsThePassButNotTheAfterSteps) {
  setup_.options.add_serial = true;
  setup_.options.after_run = kAfterRunKeep;
  Row(u"a.txt", u"b.txt", FileStatus::kTargetExists);  // b(1), taken back after the stop
  Row(u"b.txt", u"c.txt");
  Row(u"p.txt", u"q.txt");  // fails, Yes: goes on
  Row(u"r.txt", u"s.txt");  // fails, No: the pass ends
  Row(u"d.txt", u"e.txt");  // never reached
  fs_.FailPath(Op::kRenameNoReplace, u"/d/q.txt", ErrorCode::kPermission);
  fs_.FailPath(Op::kRenameNoReplace, u"/d/s.txt", ErrorCode::kPermission);
  sink_.answers = {kAnswerYes, kAnswerNo};

  ASSERT_EQ(Run(), 0);
  ASSERT_EQ(sink_.Titles(), (U16s{u"Continue?", u"Continue?"}));
  EXPECT_EQ(sink_.shown[1].text_id, MessageId::kChangeFailedName);
  EXPECT_EQ(sink_.shown[1].args, (U16s{u"r.txt", u"s.txt"}));
  EXPECT_EQ(Rows(), "a.txt>b.txt:8 b.txt>c.txt:8 p.txt>q.txt:11 r.txt>s.txt:7 d.txt>e.txt:7");
  EXPECT_EQ(Files({u"b.txt", u"c.txt", u"p.txt", u"r.txt", u"d.txt"}),
            "a.txt b.txt p.txt r.txt d.txt");
  // The failed changes' lines were taken out again.
  EXPECT_EQ(Log(), Line("a.txt", "b(1).txt") + Line("b.txt", "c.txt") + Line("b(1).txt", "b.txt"));
  EXPECT_TRUE(summary_.stopped);
}

TEST_F(ExecuteTest, ConfirmationsAndHiddenRuns) {
  Row(u"x.txt", u"w.txt", FileStatus::kExcluded);
  Row(u"a.txt", u"b.txt");
  Row(u"c.txt", u"d.txt");
  Row(u"e.txt", u"f.txt");
  setup_.options.after_run = kAfterRunKeep;

  // Asked once at the start, also when the first row is excluded; No ends it.
  setup_.options.confirm = 1;
  sink_.answers = {kAnswerNo};
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(sink_.Titles(), (U16s{u"Rename?"}));
  EXPECT_EQ(sink_.shown[0].text_id, MessageId::kStartText);
  EXPECT_TRUE(fs_.renamed_.empty());

  // Per change: Yes, No (row fails), Cancel (pass ends, rows stay).
  setup_.options.confirm = 2;
  sink_.shown.clear();
  sink_.answers = {kAnswerYes, kAnswerNo, kAnswerCancel};
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(sink_.Titles(), (U16s{u"Rename?", u"Rename?", u"Rename?"}));
  EXPECT_EQ(sink_.shown[0].args, (U16s{u"/d/a.txt", u"/d/b.txt"}));
  EXPECT_EQ(Rows(), "x.txt>:12 a.txt>b.txt:8 c.txt>d.txt:11 e.txt>f.txt:7");

  // A hidden automatic run does not ask the start question either.
  messenger_.set_auto_flags(51);
  sink_.shown.clear();
  setup_.options.confirm = 1;
  setup_.options.after_run = kAfterRunKeepChanging;
  for (int row : {1, 2}) list_.SetFileStatus(row, FileStatus::kExcluded);
  ASSERT_EQ(Run(), 0);
  EXPECT_TRUE(sink_.shown.empty());
  EXPECT_EQ(Rows(), "x.txt>:12 a.txt>:12 c.txt>:12 f.txt>:8");
  EXPECT_EQ(Files({u"f.txt"}), "e.txt");
}

TEST_F(ExecuteTest, ShortNameGoesThroughTheTemporaryName) {
  setup_.options.after_run = kAfterRunKeep;
  Row(u"long name.txt", u"LONGNA~1.TXT");
  // A name left over from an earlier run takes the first intermediate name: the next is tried.
  fs_.FailNthCall(Op::kRenameNoReplace, 1, ErrorCode::kExists);
  ASSERT_EQ(Run(6), 0);
  ASSERT_EQ(fs_.renamed_.size(), 3u);  // the last one rotates the log
  const std::u16string temp = fs_.renamed_[0].second;
  EXPECT_TRUE(IsTempNameOf(temp.substr(3), u"/d/long name.txt", u"/d/LONGNA~1.TXT"));
  EXPECT_EQ(fs_.renamed_[1].first + u" " + fs_.renamed_[1].second, temp + u" /d/LONGNA~1.TXT");
  EXPECT_EQ(Files({u"LONGNA~1.TXT"}), "long name.txt");
  const std::string first_log = Line("long name.txt", "LONGNA~1.TXT");
  EXPECT_EQ(Log(), first_log);

  // Second step fails: the file goes back, no question, no log line.
  list_ = FileList();
  Row(u"b.txt", u"B.TXT");
  fs_.FailPath(Op::kRenameNoReplace, u"/d/B.TXT", ErrorCode::kPermission);
  sink_.answers = {kAnswerNo};
  ASSERT_EQ(Run(6), 0);
  EXPECT_EQ(Rows(), "b.txt>B.TXT:11");
  EXPECT_EQ(Files({u"b.txt"}), "b.txt");
  EXPECT_TRUE(sink_.shown.empty());
  EXPECT_FALSE(fs_.Exists(u"/prog/rename0.log"));
  EXPECT_EQ(Log(), first_log);

  // Moving back fails too: the line records where the file was left.
  fs_.ClearFailures();
  fs_.FailNthCall(Op::kRenameNoReplace, 2, ErrorCode::kPermission);
  fs_.FailNthCall(Op::kRenameNoReplace, 3, ErrorCode::kPermission);
  ASSERT_EQ(Run(6), 0);
  const auto logged = ParseLogLine(Log());
  ASSERT_TRUE(logged);
  const std::u16string left = logged->field2;
  EXPECT_TRUE(IsTempNameOf(left.substr(3), u"/d/b.txt", u"/d/B.TXT"));
  EXPECT_EQ(fs_.Content(left), "b.txt");
  EXPECT_EQ(Log(), "\"/d/b.txt\",\"" + Utf16ToUtf8(left) + "\",\"<NORMAL>\"\r\n");

  // A target of 254 units or more is not processed: it fails as a first step does.
  list_ = FileList();
  Row(u"c.txt", std::u16string(251, u'C'));
  sink_.answers = {kAnswerYes};
  ASSERT_EQ(Run(6), 0);
  EXPECT_EQ(sink_.Titles(), (U16s{u"Continue?"}));
  EXPECT_EQ(Files({u"c.txt"}), "c.txt");
}

// The timestamp and attribute modes log the state before the change; a failed change sets
// no time and keeps no line. Kept changing, the row goes on from its source.
TEST_F(ExecuteTest, MetadataChangesLogTheStateBefore) {
  fs_.SetKind(u"/d", FileSystemKind::kNtfs);
  setup_.options.after_run = kAfterRunKeepChanging;
  Row(u"a.txt", u"<両方：2020/02/03 04:05:06>");
  const FakeFileSystem::Node* file = fs_.Find(u"/d/a.txt");
  fs_.FailNthCall(Op::kSetTimes, 1, ErrorCode::kIo);
  ASSERT_EQ(Run(13), 0);
  EXPECT_EQ(Rows(), "a.txt><両方：2020/02/03 04:05:06>:11");
  EXPECT_EQ(sink_.Titles(), (U16s{u"Continue?"}));
  EXPECT_TRUE(file->creation_time == FakeFileSystem::kDefaultTime &&
              file->last_write_time == FakeFileSystem::kDefaultTime);
  EXPECT_EQ(Log(), "<no log>");

  list_.SetFileStatus(0, FileStatus::kChangeable);
  ASSERT_EQ(Run(13), 0);
  EXPECT_EQ(Rows(), "a.txt>:8");
  EXPECT_NE(file->last_write_time, FakeFileSystem::kDefaultTime);
  auto line = ParseLogLine(Log());
  ASSERT_TRUE(line);
  EXPECT_EQ(line->field1 + line->field2 + line->field3,
            u"/d/a.txt<作成：2021/01/01 00:00:00, 更新：2021/01/01 00:00:00><TIMESTAMP>");

  list_.SetCell(0, Cell::kNewName, u"<読：Y, 隠：-, ア：N, シ：->");
  fs_.FindMutable(u"/d/a.txt")->attributes = attr::kArchive | attr::kSystem;
  ASSERT_EQ(Run(14), 0);
  EXPECT_EQ(file->attributes, attr::kReadOnly | attr::kSystem);
  line = ParseLogLine(Log());
  ASSERT_TRUE(line);
  EXPECT_EQ(line->field2, u"<読：N, 隠：N, ア：Y, シ：Y>");
  EXPECT_EQ(Rows(), "a.txt>:8");
}

TEST_F(ExecuteTest, NamesNotCurrentAreComputedWithOrdinals) {
  Row(u"a.txt", u"");
  Row(u"b.txt", u"", FileStatus::kExcluded);
  Row(u"c.txt", u"");
  setup_.options.after_run = kAfterRunKeep;
  std::vector<std::int64_t> calls;  // -1: before_first_name
  hooks_.before_first_name = [&] {
    calls.push_back(-1);
    return RunStartResult::Go();
  };
  hooks_.compute_new_name = [&](const std::u16string& source, const std::u16string&,
                                std::int64_t ordinal, const std::u16string&) {
    calls.push_back(ordinal);
    return u"/d/n" + source.substr(3);
  };
  ASSERT_EQ(Run(1, /*names_current=*/false), 0);
  EXPECT_EQ(calls, (std::vector<std::int64_t>{-1, 0, 1}));
  EXPECT_EQ(Rows(), "a.txt>na.txt:8 b.txt>:12 c.txt>nc.txt:8");
  EXPECT_EQ(Files({u"na.txt"}), "a.txt");
}

TEST_F(ExecuteTest, MacroRecordingGetsTheStepAndKeepsTheRows) {
  Row(u"a.txt", u"b.txt");
  state_.macro_recording = true;
  state_.macro_steps_recorded = 1;
  std::vector<int> recorded;
  hooks_.record_macro_step = [&](int mode) { recorded.push_back(mode); };
  ASSERT_EQ(Run(2), 0);
  EXPECT_EQ(recorded, (std::vector<int>{2}));
  EXPECT_EQ(Rows(), "b.txt>:8");  // policy 0 overridden by recording

  Row(u"c.txt", u"d.txt");
  ASSERT_EQ(Run(13), 0);  // not a name mode: nothing recorded
  EXPECT_EQ(recorded.size(), 1u);
}

}  // namespace
}  // namespace tessivo
