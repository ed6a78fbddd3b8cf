#include "exec/execute.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/file_name_bytes.h"
#include "platform/temp_name.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

using Op = FakeFileSystem::Op;
using Strings = std::vector<std::string>;

// Folder "/d/" with the rows a test adds (each file holds its own name) and
// a bystander file "/d/z.keep"; logs go to "/prog". Names are current, as
// after a preview.
class ExecuteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_.AddFolder(u"/prog");
    fs_.AddFile(u"/d/z.keep", "bystander");
    setup_.program_folder = u"/prog";
    setup_.zone = &utc_;
    setup_.summary = &summary_;
    setup_.options.write_log = true;
    setup_.options.show_errors = true;
    state_.names_current = true;
  }

  void Row(const std::u16string& old_name, const std::u16string& new_name,
           FileStatus status = FileStatus::kChangeable, bool file = true) {
    if (file && !fs_.Exists(u"/d/" + old_name)) fs_.AddFile(u"/d/" + old_name, Utf16ToUtf8(old_name));
    const std::size_t dot = old_name.rfind(u'.');
    list_.AddRow(old_name, dot == std::u16string::npos ? u"" : old_name.substr(dot), u"/d/",
                 new_name, u"", u"", list_.Count(), status);
  }

  // A fresh disk and list between the cases of one test.
  void Reset() {
    fs_ = FakeFileSystem();
    fs_.AddFolder(u"/prog");
    list_ = FileList();
    state_.names_current = true;
  }

  int Run(int mode = 1) {
    return ExecuteRun(kRunExecute,
                      RunContext{list_, fs_, messenger_, state_, hooks_, mode, &setup_});
  }

  // "old name>new name:status" of every row.
  Strings Rows() const {
    Strings out;
    for (int i = 0; i < list_.Count(); ++i) {
      out.push_back(Utf16ToUtf8(list_.GetCell(i, Cell::kName)) + ">" +
                    Utf16ToUtf8(list_.GetCell(i, Cell::kNewName)) + ":" +
                    std::to_string(static_cast<int>(list_.GetFileStatus(i))));
    }
    return out;
  }

  std::string Log() const { return fs_.Content(u"/prog/rename1.log").value_or("<no log>"); }
  std::string File(const std::u16string& name) const {
    return fs_.Content(u"/d/" + name).value_or("<missing>");
  }
  // The contents of several files in "/d/".
  Strings Files(std::initializer_list<const char16_t*> names) const {
    Strings out;
    for (const char16_t* name : names) out.push_back(File(name));
    return out;
  }
  Strings Titles() const {
    Strings out;
    for (const MessageBox& box : sink_.shown) out.push_back(Utf16ToUtf8(box.title));
    return out;
  }

  FakeFileSystem fs_;
  FileList list_;
  ScriptedSink sink_;
  Messenger messenger_{sink_};
  RunState state_;
  RunHooks hooks_;
  FixedOffsetTimeZone utc_{0};
  ExecuteSummary summary_;
  ExecuteSetup setup_;
};

TEST_F(ExecuteTest, SwapWithSerialsGoesThroughASerialThatIsTakenBack) {
  setup_.options.add_serial = true;
  setup_.options.warn_serial = true;
  setup_.options.after_run = kAfterRunKeep;
  Row(u"a.txt", u"b.txt", FileStatus::kTargetExists);
  Row(u"b.txt", u"a.txt", FileStatus::kTargetExists);

  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Files({u"b.txt", u"a.txt", u"z.keep", u"b(1).txt"}),
            (Strings{"a.txt", "b.txt", "bystander", "<missing>"}));
  EXPECT_EQ(Log(),
            "\"/d/a.txt\",\"/d/b(1).txt\",\"<NORMAL>\"\r\n"
            "\"/d/b.txt\",\"/d/a.txt\",\"<NORMAL>\"\r\n"
            "\"/d/b(1).txt\",\"/d/b.txt\",\"<NORMAL>\"\r\n");
  EXPECT_FALSE(fs_.Exists(u"/prog/rename0.log"));
  EXPECT_EQ(Rows(), (Strings{"a.txt>b.txt:8", "b.txt>a.txt:8"}));
  EXPECT_TRUE(summary_.serials_added == 1 && summary_.serials_taken_back == 1);
  EXPECT_TRUE(sink_.shown.empty());  // no serial stayed: no warning
  EXPECT_FALSE(state_.names_current);
}

TEST_F(ExecuteTest, PerChangeQuestionShowsTheSerialPathAndTheTakeBackIsTold) {
  setup_.options.add_serial = true;
  setup_.options.confirm = 2;
  setup_.options.after_run = kAfterRunKeep;
  Row(u"a.txt", u"b.txt", FileStatus::kTargetExists);
  Row(u"b.txt", u"a.txt", FileStatus::kTargetExists);
  Row(u"c.txt", u"d.txt", FileStatus::kTargetExists);
  Row(u"d.txt", u"c.txt", FileStatus::kTargetExists);
  // Four Yes, then the first "Serial Number Deleted" box closed otherwise:
  // no second one.
  sink_.answers = {kAnswerYes, kAnswerYes, kAnswerYes, kAnswerYes, kAnswerCancel};
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Titles(), (Strings{"Rename?", "Rename?", "Rename?", "Rename?", "Serial Number Deleted"}));
  EXPECT_EQ(sink_.shown[0].text,
            u"\"/d/a.txt\"\n ↓\n\"/d/b(1).txt\"\n\nに\n変更します。\n\nよろしいですか？");
  EXPECT_EQ(sink_.shown[4].text, u"付与した連番を削除しました\n\n/d/b(1).txt\n　↓\n/d/b.txt");
  EXPECT_EQ(Files({u"c.txt", u"d.txt"}), (Strings{"d.txt", "c.txt"}));
  EXPECT_EQ(summary_.serials_taken_back, 2);
}

TEST_F(ExecuteTest, TargetTakenDuringTheRunIsACollisionNotAnError) {
  // Both targets were free at the preview; the first row takes the name.
  setup_.options.after_run = kAfterRunKeep;
  for (bool serials : {true, false}) {
    SCOPED_TRACE(serials ? "serials" : "no serials");
    Reset();
    setup_.options.add_serial = serials;
    Row(u"a.txt", u"t.txt");
    Row(u"b.txt", u"t.txt");
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(sink_.shown.empty());  // no "Continue?"
    EXPECT_EQ(File(u"t.txt"), "a.txt");
    EXPECT_EQ(Rows()[1], serials ? "b.txt>t.txt:8" : "b.txt>t.txt:11");
    EXPECT_EQ(Log(), std::string("\"/d/a.txt\",\"/d/t.txt\",\"<NORMAL>\"\r\n") +
                         (serials ? "\"/d/b.txt\",\"/d/t(1).txt\",\"<NORMAL>\"\r\n" : ""));
  }
}

TEST_F(ExecuteTest, SwapWithoutSerialsChangesNothing) {
  setup_.options.after_run = kAfterRunKeep;
  Row(u"a.txt", u"b.txt", FileStatus::kTargetExists);
  Row(u"b.txt", u"a.txt", FileStatus::kTargetExists);
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Rows(), (Strings{"a.txt>b.txt:11", "b.txt>a.txt:11"}));
  EXPECT_TRUE(fs_.renamed_.empty());
  EXPECT_FALSE(fs_.Exists(u"/prog/rename0.log"));
  EXPECT_FALSE(fs_.Exists(u"/prog/rename1.log"));  // nothing logged: no rotation

  // Policy 0 empties the list even when everything failed.
  setup_.options.after_run = kAfterRunClearAll;
  for (int row : {0, 1}) list_.SetFileStatus(row, FileStatus::kTargetExists);
  state_.names_current = true;
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(summary_.failed, 2);
}

TEST_F(ExecuteTest, AfterRunPolicies) {
  const Strings kept = {"a.txt>x.txt:8", "b.txt>y.txt:11", "c.txt>:12", "d.txt>d.txt:11"};
  const Strings continued = {"x.txt>:8", "b.txt>y.txt:11", "c.txt>:12", "d.txt>d.txt:11"};
  struct Case {
    int policy;
    bool keep_changing_once;
    Strings rows;
  } cases[] = {
      {kAfterRunClearAll, false, {}},
      {kAfterRunClearChanged, false, {"b.txt>y.txt:7", "c.txt>:12", "d.txt>d.txt:6"}},
      {kAfterRunKeep, false, kept},
      {kAfterRunKeepChanging, false, continued},
      // The keep-changing command turns 3 into 0 and anything else into 3.
      {kAfterRunKeepChanging, true, {}},
      {kAfterRunClearAll, true, continued},
      {kAfterRunKeep, true, continued},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "policy " << c.policy << " once " << c.keep_changing_once);
    Reset();
    Row(u"a.txt", u"x.txt");                          // changed
    Row(u"b.txt", u"y.txt");                          // fails
    Row(u"c.txt", u"w.txt", FileStatus::kExcluded);
    Row(u"d.txt", u"d.txt", FileStatus::kUnchanged);  // not eligible
    fs_.FailPath(Op::kRenameNoReplace, u"/d/y.txt", ErrorCode::kPermission);
    setup_.options.after_run = c.policy;
    state_.keep_changing_once = c.keep_changing_once;

    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(Rows(), c.rows);
    if (c.rows == continued) {
      EXPECT_EQ(std::u16string(list_.GetCell(0, Cell::kExtension)) + std::u16string(list_.GetCell(0, Cell::kFolder)),
                u".txt/d/");
    }
    EXPECT_EQ(File(u"x.txt"), "a.txt");
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
      EXPECT_EQ(IsEligible(FileStatusFromCode(code), options), needs[code] == 0 || needs[code] == force)
          << "status " << code << " force" << force;
    }
  }

  // A forced row whose new name is its old name succeeds without a rename
  // and is logged like any other change.
  setup_.options.force_unchanged = true;
  setup_.options.after_run = kAfterRunKeep;
  Row(u"a.txt", u"a.txt", FileStatus::kUnchanged);
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Rows(), (Strings{"a.txt>a.txt:8"}));
  EXPECT_EQ(Log(), "\"/d/a.txt\",\"/d/a.txt\",\"<NORMAL>\"\r\n");
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
  struct Case {
    int form, padding;
    bool folders;
    int number;
    const char16_t* path;
    const char16_t* expected;
  } cases[] = {
      {0, 0, false, 1, u"/d/abc.txt", u"/d/abc(1).txt"},
      {1, 1, false, 3, u"/d/abc.txt", u"/d/abc[03].txt"},
      {2, 2, false, 7, u"/d/abc.txt", u"/d/abc_007.txt"},
      {3, 0, false, 12, u"/d/abc.txt", u"/d/(12)abc.txt"},
      {4, 2, false, 1234, u"/d/abc.txt", u"/d/[1234]abc.txt"},
      {5, 0, false, 1, u"/d/abc.txt", u"/d/1_abc.txt"},
      {9, 0, false, 1, u"/d/abc.txt", u"/d/1_abc.txt"},     // clamped to 5
      {-1, 0, false, 1, u"/d/abc", u"/d/abc(1)"},           // clamped to 0
      {0, 5, false, 1, u"/d/a.b.c", u"/d/a.b(1).c"},        // unknown padding: none
      {0, 0, true, 1, u"/d/photos.2014", u"/d/photos.2014(1)"},  // a folder keeps its dot part
      {2, 0, true, 2, u"/d/photos.2014", u"/d/photos.2014_2"},
      {3, 0, true, 1, u"/d/photos.2014", u"/d/(1)photos.2014"},
  };
  for (const Case& c : cases) {
    ExecuteOptions options;
    options.serial_form = c.form;
    options.serial_padding = c.padding;
    options.folders = c.folders;
    EXPECT_EQ(Utf16ToUtf8(CollisionSerialPath(c.path, c.number, options)), Utf16ToUtf8(c.expected))
        << "form " << c.form << " padding " << c.padding << " path " << Utf16ToUtf8(c.path);
  }
}

TEST(CollisionSerial, SearchStartsAtTheStartNumberAndStopsAtTheLimits) {
  FakeFileSystem fs;
  fs.AddFile(u"/d/b(1).txt");
  fs.AddFile(u"/d/b(2).txt");
  const std::u16string folder = u"/d/";
  const std::u16string long_name = std::u16string(254 - folder.size() - 4, u'n') + u".txt";
  for (int n = 1; n <= 10; ++n) {
    fs.AddFile(folder + long_name.substr(0, long_name.size() - 4) + u"(" +
               Utf8ToUtf16(std::to_string(n)) + u").txt");
  }
  struct Case {
    std::u16string path;
    int start;
    std::u16string expected;  // empty: gives up
  } cases[] = {
      {u"/d/b.txt", 1, u"/d/b(3).txt"},
      {u"/d/b.txt", 2, u"/d/b(3).txt"},
      {u"/d/c.txt", 2, u"/d/c(2).txt"},
      {u"/d/b.txt", 50000, u"/d/b(50000).txt"},
      {u"/d/b.txt", 50001, u""},
      {folder + long_name, 1, u""},   // 254 units: (1)..(10) taken, 11 not tried
      {folder + long_name, 11, u""},  // a start above 10 fails at once
      {folder + long_name.substr(1), 1, folder + long_name.substr(1, long_name.size() - 5) + u"(1).txt"},
      {u"/d/" + std::u16string(254, u'x'), 1, u""},  // (1) would pass 259 units
  };
  for (const Case& c : cases) {
    ExecuteOptions options;
    options.serial_start = c.start;
    std::u16string path = c.path;
    const bool found = AddCollisionSerial(fs, path, options);
    EXPECT_EQ(found, !c.expected.empty()) << Utf16ToUtf8(c.path) << " from " << c.start;
    EXPECT_EQ(Utf16ToUtf8(path), Utf16ToUtf8(c.expected.empty() ? c.path : c.expected));
  }
  // The long path with a free name: 11 is never reached, so nothing beyond
  // the ten candidates was looked up.
  const int before = fs.Calls(Op::kStat);
  std::u16string path = folder + long_name;
  EXPECT_FALSE(AddCollisionSerial(fs, path, ExecuteOptions{}));
  EXPECT_LE(fs.Calls(Op::kStat) - before, 10);
}

TEST(CollisionSerial, LedgerKeepsFourThousandEntries) {
  SerialLedger ledger;
  for (int i = 0; i < 4000; ++i) ASSERT_TRUE(ledger.Add(u"w", u"s", i));
  EXPECT_FALSE(ledger.Add(u"w", u"s", 4000));
  EXPECT_TRUE(ledger.entries().size() == 4000u && ledger.overflow() == 1);
}

TEST_F(ExecuteTest, FailedRenameAsksAndNoStopsThePassButNotTheAfterSteps) {
  setup_.options.add_serial = true;
  setup_.options.after_run = kAfterRunKeep;
  Row(u"a.txt", u"b.txt", FileStatus::kTargetExists);  // b(1), taken back at the end
  Row(u"b.txt", u"c.txt");
  Row(u"q.txt", u"r.txt");  // fails
  Row(u"d.txt", u"e.txt");  // never reached
  fs_.FailPath(Op::kRenameNoReplace, u"/d/r.txt", ErrorCode::kPermission);
  sink_.answers = {kAnswerNo};

  ASSERT_EQ(Run(), 0);
  ASSERT_EQ(Titles(), (Strings{"Continue?"}));
  EXPECT_EQ(sink_.shown[0].text,
            u"\"q.txt\"  を \n\"r.txt\"  に\n変更できませんでした。\n\n続行しますか。");
  EXPECT_EQ(Rows(), (Strings{"a.txt>b.txt:8", "b.txt>c.txt:8", "q.txt>r.txt:7", "d.txt>e.txt:7"}));
  EXPECT_EQ(Files({u"b.txt", u"c.txt", u"q.txt", u"d.txt"}),
            (Strings{"a.txt", "b.txt", "q.txt", "d.txt"}));
  EXPECT_EQ(Log(),  // the failed change's line was taken out again
            "\"/d/a.txt\",\"/d/b(1).txt\",\"<NORMAL>\"\r\n"
            "\"/d/b.txt\",\"/d/c.txt\",\"<NORMAL>\"\r\n"
            "\"/d/b(1).txt\",\"/d/b.txt\",\"<NORMAL>\"\r\n");
  EXPECT_TRUE(summary_.stopped);

  // Yes goes on: the row fails and the next one is changed.
  for (int row : {0, 1}) list_.SetFileStatus(row, FileStatus::kExcluded);
  fs_.ClearFailures();
  fs_.FailPath(Op::kRenameNoReplace, u"/d/q.txt", ErrorCode::kPermission);
  sink_.shown.clear();
  state_.names_current = true;
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Titles(), (Strings{"Continue?"}));
  EXPECT_EQ(Rows()[2] + " " + Rows()[3], "q.txt>r.txt:11 d.txt>e.txt:8");
}

TEST_F(ExecuteTest, ConfirmationsAndAutomaticRuns) {
  Row(u"x.txt", u"w.txt", FileStatus::kExcluded);
  Row(u"a.txt", u"b.txt");
  Row(u"c.txt", u"d.txt");
  Row(u"e.txt", u"f.txt");
  setup_.options.after_run = kAfterRunKeep;

  // Asked once at the start, also when the first row is excluded; No ends it.
  setup_.options.confirm = 1;
  sink_.answers = {kAnswerNo};
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Titles(), (Strings{"Rename?"}));
  EXPECT_EQ(sink_.shown[0].text, u"変更を開始しますか。");
  EXPECT_TRUE(fs_.renamed_.empty());

  // Per change: Yes, No (row fails), Cancel (pass ends, rows stay).
  setup_.options.confirm = 2;
  sink_.shown.clear();
  sink_.answers = {kAnswerYes, kAnswerNo, kAnswerCancel};
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Titles(), (Strings{"Rename?", "Rename?", "Rename?"}));
  EXPECT_EQ(sink_.shown[0].text,
            u"\"/d/a.txt\"\n ↓\n\"/d/b.txt\"\n\nに\n変更します。\n\nよろしいですか？");
  EXPECT_EQ(Rows(), (Strings{"x.txt>:12", "a.txt>b.txt:8", "c.txt>d.txt:11", "e.txt>f.txt:7"}));

  // A hidden automatic run asks neither question.
  messenger_.set_auto_flags(51);
  sink_.shown.clear();
  setup_.options.after_run = kAfterRunKeepChanging;
  for (int row : {1, 2}) list_.SetFileStatus(row, FileStatus::kExcluded);
  for (int confirm : {1, 2}) {
    setup_.options.confirm = confirm;
    list_.SetCell(3, Cell::kNewName, confirm == 1 ? u"g.txt" : u"e.txt");
    state_.names_current = true;
    ASSERT_EQ(Run(), 0);
  }
  EXPECT_TRUE(sink_.shown.empty());
  EXPECT_EQ(Rows()[3], "e.txt>:8");
  EXPECT_EQ(File(u"e.txt"), "e.txt");
}

TEST_F(ExecuteTest, ShortNameGoesThroughTheTemporaryName) {
  setup_.options.after_run = kAfterRunKeep;
  Row(u"long name.txt", u"LONGNA~1.TXT");
  ASSERT_EQ(Run(6), 0);
  const std::u16string temp = TempNameFor(u"/d/long name.txt", u"/d/LONGNA~1.TXT", 0);
  ASSERT_EQ(fs_.renamed_.size(), 3u);  // the last one rotates the log
  EXPECT_EQ(fs_.renamed_[0].second, temp);
  EXPECT_EQ(fs_.renamed_[1], std::make_pair(temp, std::u16string(u"/d/LONGNA~1.TXT")));
  EXPECT_EQ(File(u"LONGNA~1.TXT"), "long name.txt");

  // Second step fails: the file goes back, no question, no log line.
  list_ = FileList();
  Row(u"b.txt", u"B.TXT");
  fs_.FailPath(Op::kRenameNoReplace, u"/d/B.TXT", ErrorCode::kPermission);
  sink_.answers = {kAnswerNo};
  state_.names_current = true;
  ASSERT_EQ(Run(6), 0);
  EXPECT_EQ(Rows(), (Strings{"b.txt>B.TXT:11"}));
  EXPECT_EQ(File(u"b.txt"), "b.txt");
  EXPECT_TRUE(sink_.shown.empty());
  EXPECT_FALSE(fs_.Exists(u"/prog/rename0.log"));
  EXPECT_EQ(Log(), "\"/d/long name.txt\",\"/d/LONGNA~1.TXT\",\"<NORMAL>\"\r\n");  // the first run's

  // Moving back fails too: the line records where the file was left.
  fs_.ClearFailures();
  fs_.FailNthCall(Op::kRenameNoReplace, 2, ErrorCode::kPermission);
  fs_.FailNthCall(Op::kRenameNoReplace, 3, ErrorCode::kPermission);
  state_.names_current = true;
  ASSERT_EQ(Run(6), 0);
  const std::u16string left = TempNameFor(u"/d/b.txt", u"/d/B.TXT", 0);
  EXPECT_EQ(fs_.Content(left), "b.txt");
  EXPECT_EQ(Log(), "\"/d/b.txt\",\"" + Utf16ToUtf8(left) + "\",\"<NORMAL>\"\r\n");

  // A target of 254 units or more is not processed.
  list_ = FileList();
  Row(u"c.txt", std::u16string(251, u'C'));
  sink_.answers = {kAnswerYes};
  state_.names_current = true;
  ASSERT_EQ(Run(6), 0);
  EXPECT_EQ(Titles(), (Strings{"Continue?"}));
  EXPECT_EQ(File(u"c.txt"), "c.txt");
}

TEST_F(ExecuteTest, TimestampFailureChangesNeitherTime) {
  fs_.SetKind(u"/d", FileSystemKind::kNtfs);
  setup_.options.after_run = kAfterRunKeep;
  Row(u"a.txt", u"<両方：2020/02/03 04:05:06>");
  fs_.FailNthCall(Op::kSetTimes, 1, ErrorCode::kIo);
  ASSERT_EQ(Run(13), 0);
  EXPECT_EQ(Rows(), (Strings{"a.txt><両方：2020/02/03 04:05:06>:11"}));
  EXPECT_EQ(Titles(), (Strings{"Continue?"}));
  EXPECT_TRUE(fs_.Find(u"/d/a.txt")->creation_time == FakeFileSystem::kDefaultTime &&
              fs_.Find(u"/d/a.txt")->last_write_time == FakeFileSystem::kDefaultTime);
  EXPECT_FALSE(fs_.Exists(u"/prog/rename1.log"));

  // Succeeding, the line holds the times before the change.
  list_.SetFileStatus(0, FileStatus::kChangeable);
  state_.names_current = true;
  ASSERT_EQ(Run(13), 0);
  EXPECT_EQ(Rows(), (Strings{"a.txt><両方：2020/02/03 04:05:06>:8"}));
  auto line = ParseLogLine(Log());
  ASSERT_TRUE(line);
  EXPECT_EQ(line->field1, u"/d/a.txt");
  EXPECT_EQ(line->field2, u"<作成：2021/01/01 00:00:00, 更新：2021/01/01 00:00:00>");
  EXPECT_EQ(line->field3, kTimestampKind);
  EXPECT_NE(fs_.Find(u"/d/a.txt")->last_write_time, FakeFileSystem::kDefaultTime);
}

TEST_F(ExecuteTest, AttributeChangeLogsTheFlagsBefore) {
  setup_.options.after_run = kAfterRunKeepChanging;
  Row(u"a.txt", u"<読：Y, 隠：-, ア：N, シ：->");
  fs_.FindMutable(u"/d/a.txt")->attributes = attr::kArchive | attr::kSystem;
  ASSERT_EQ(Run(14), 0);
  EXPECT_EQ(fs_.Find(u"/d/a.txt")->attributes, attr::kReadOnly | attr::kSystem);
  auto line = ParseLogLine(Log());
  ASSERT_TRUE(line);
  EXPECT_EQ(line->field2, u"<読：N, 隠：N, ア：Y, シ：Y>");
  EXPECT_EQ(Rows(), (Strings{"a.txt>:8"}));  // rewritten from the source
}

TEST_F(ExecuteTest, NamesNotCurrentAreComputedWithOrdinals) {
  Row(u"a.txt", u"");
  Row(u"b.txt", u"", FileStatus::kExcluded);
  Row(u"c.txt", u"");
  setup_.options.after_run = kAfterRunKeep;
  state_.names_current = false;
  std::vector<std::int64_t> ordinals;
  int before_first = 0;
  hooks_.before_first_name = [&] {
    ++before_first;
    return RunStartResult::Go();
  };
  hooks_.compute_new_name = [&](const std::u16string& source, const std::u16string&,
                                std::int64_t ordinal) {
    ordinals.push_back(ordinal);
    return u"/d/n" + source.substr(3);
  };
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(before_first, 1);
  EXPECT_EQ(ordinals, (std::vector<std::int64_t>{0, 1}));
  EXPECT_EQ(Rows(), (Strings{"a.txt>na.txt:8", "b.txt>:12", "c.txt>nc.txt:8"}));
  EXPECT_EQ(File(u"na.txt"), "a.txt");
}

TEST_F(ExecuteTest, CleanUpStopsAtAFileInTheWayAndWarnsAboutSerialsLeft) {
  setup_.options.add_serial = true;
  setup_.options.warn_serial = true;
  setup_.options.confirm = 2;
  setup_.options.after_run = kAfterRunKeep;
  messenger_.set_auto_flags(autoflag::kShow | autoflag::kAllMsg);  // automatic: no per-row question
  Row(u"a.txt", u"b.txt", FileStatus::kTargetExists);  // b stays: the serial stays
  Row(u"c.txt", u"d.txt", FileStatus::kTargetExists);
  Row(u"d.txt", u"x.txt");                             // d is free at the end, but too late
  Row(u"b.txt", u"b.txt", FileStatus::kUnchanged);
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(Files({u"b(1).txt", u"d(1).txt", u"d.txt"}), (Strings{"a.txt", "c.txt", "<missing>"}));
  EXPECT_EQ(Titles(), (Strings{"Added Serial Number"}));
  EXPECT_EQ(summary_.serials_taken_back, 0);
}

TEST_F(ExecuteTest, MacroRecordingGetsTheStepAndKeepsTheRows) {
  Row(u"a.txt", u"b.txt");
  state_.macro_recording = true;
  state_.macro_steps_recorded = 1;
  std::vector<int> recorded;
  hooks_.record_macro_step = [&](int mode) { recorded.push_back(mode); };
  ASSERT_EQ(Run(2), 0);
  EXPECT_EQ(recorded, (std::vector<int>{2}));
  EXPECT_EQ(Rows(), (Strings{"b.txt>:8"}));  // policy 0 overridden by recording

  Row(u"c.txt", u"d.txt");
  state_.names_current = true;
  ASSERT_EQ(Run(13), 0);  // not a name mode: nothing recorded
  EXPECT_EQ(recorded.size(), 1u);
}

}  // namespace
}  // namespace tessivo
