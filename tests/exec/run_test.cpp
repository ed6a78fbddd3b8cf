#include "exec/run.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

using Strings = std::vector<std::string>;

// Folder "/d/" with a.txt, b.txt, c.txt, d.txt listed in that order and
// Xb.txt besides. The compute hook puts an "X" in front of the name (or
// returns compute_result_) and records its calls as "source|preset|ordinal";
// the file system refuses every change.
class RunTest : public ::testing::Test {
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

  // "new name:status" of every row.
  Strings Rows() const {
    Strings out;
    for (int i = 0; i < list_.Count(); ++i) {
      out.push_back(Utf16ToUtf8(list_.GetCell(i, Cell::kNewName)) + ":" +
                    std::to_string(static_cast<int>(list_.GetFileStatus(i))));
    }
    return out;
  }

  FakeFileSystem fs_;
  FileList list_;
  ScriptedSink sink_;
  Messenger messenger_{sink_};
  RunState state_;
  RunHooks hooks_;
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
  EXPECT_EQ(Rows(), (Strings{"Xa.txt:7", "Xb.txt:3", ":12", "Xd.txt:7"}));
  // The excluded row takes no ordinal.
  EXPECT_EQ(calls_, (Strings{"/d/a.txt|/d/|0", "/d/b.txt|/d/|1", "/d/d.txt|/d/|2"}));
  EXPECT_TRUE(state_.names_current && !state_.hand_edited && sink_.shown.empty());
  EXPECT_EQ(progress_, (std::vector<int>{0, 25, 50, 75, 100, 0}));

  // Macro playback from its second step on works from the new names, while
  // validation still looks for the old file.
  state_.source_is_new_name = true;
  calls_.clear();
  ASSERT_EQ(Run(kRunPreview), 0);
  EXPECT_EQ(calls_.at(0), "/d/Xa.txt|/d/Xa.txt|0|/d/a.txt");  // the file is still a.txt
  EXPECT_EQ(Rows(), (Strings{"XXa.txt:7", "XXb.txt:7", ":12", "XXd.txt:7"}));
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
    EXPECT_EQ(Rows()[0], row) << "mode " << mode << " returned " << Utf16ToUtf8(returned);
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
  EXPECT_EQ(Rows(), (Strings{"a.txt:6", "b:c:2", "Xb.txt:3", ":12"}));
  EXPECT_TRUE(state_.names_current && state_.hand_edited);

  // In the metadata modes the cell is a description and stays as typed.
  list_.SetCell(0, Cell::kNewName, u"<読：Y, 隠：N, ア：Y, シ：N>");
  ASSERT_EQ(Run(kRunRecheck, 14), 0);
  EXPECT_EQ(Rows()[0], "<読：Y, 隠：N, ア：Y, シ：N>:7");
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
  EXPECT_EQ(Rows(), (Strings{":0", ":0", ":0", ":0"}));
}

TEST(ConfirmResetOfEditedNamesTest, AsksOnlyWhileNamesWereEditedOutsidePlayback) {
  const struct {
    bool hand_edited, playback;
    int answer;
    bool asked, go_ahead;
  } cases[] = {
      {false, false, kAnswerNo, false, true},
      {true, true, kAnswerNo, false, true},
      {true, false, kAnswerYes, true, true},
      {true, false, kAnswerNo, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "edited " << c.hand_edited << " playback " << c.playback
                                    << " answer " << c.answer);
    ScriptedSink sink;
    sink.answers = {c.answer};
    Messenger messenger(sink);
    RunState state{.hand_edited = c.hand_edited, .macro_playback = c.playback};
    EXPECT_EQ(ConfirmResetOfEditedNames(state, messenger), c.go_ahead);
    EXPECT_EQ(state.hand_edited, c.hand_edited && !(c.asked && c.go_ahead));
    EXPECT_EQ(sink.Titles(), c.asked ? std::vector<std::u16string>{u"Clear Edited File Name?"}
                                     : std::vector<std::u16string>{});
  }
}

}  // namespace
}  // namespace tessivo
