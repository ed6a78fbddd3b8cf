#include "macro/player.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/file_list.h"
#include "exec/execute.h"
#include "modes/dispatcher.h"
#include "macro/macro_test_util.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

using namespace std::string_literals;
using Strings = std::vector<std::string>;

// How a playback ended, in words: "finished 2 steps executed countdown".
std::string Ended(const PlaybackEnd& end) {
  const char* reasons[] = {"none",    "finished",       "unsupported",
                           "stopped", "preview failed", "no header"};
  return std::string(reasons[static_cast<int>(end.reason)]) + " " + std::to_string(end.steps) +
         " steps" + (end.executed ? " executed" : "") + (end.exit_countdown ? " countdown" : "");
}

// A list of two files in "/d/" and the program's parts wired as the window
// program wires them: the previews and the execution are real ExecuteRun
// calls over the real mode dispatcher, on the fake file system.
class PlayerTest : public ::testing::Test {
 protected:
  PlayerTest() {
    AddRow(u"Photo One.JPG", u".JPG");
    AddRow(u"b.TXT", u".TXT");
    FillModeControls(panel_, settings_, CalendarTime{});
    SelectMode(selection_, panel_, 19, false, &list_, &position_);
    setup_.zone = &utc_;
    hooks_.preview = [this](int mode) { return Preview(mode); };
    hooks_.execute = [this] {
      return RunResultOf(
          ExecuteRun(kRunExecute, RunContext{list_, fs_, messenger_, state_, {}, 19, &setup_}));
    };
    hooks_.open_window = [this] { events_.push_back("open"); };
    hooks_.close_window = [this] { events_.push_back("close"); };
    hooks_.show_step = [this](const std::u16string& line) { events_.push_back(Utf16ToUtf8(line)); };
    player_ = std::make_unique<MacroPlayer>(
        PlaybackModel{panel_, selection_, settings_, position_, state_, messenger_}, hooks_);
  }

  void AddRow(const std::u16string& name, const std::u16string& extension) {
    fs_.AddFile(u"/d/" + name, "data");
    list_.AddRow(name, extension, u"/d/", u"", u"", u"", list_.Count());
  }

  RunResult Preview(int mode) {
    std::optional<ModeContext> ctx;
    RunHooks hooks;
    hooks.prepare_mode = [&] {
      const ReadParamsResult params = ReadModeParameters(panel_, settings_, mode);
      ctx.emplace(BuildModeContext(settings_, panel_, params.texts, position_, fs_, utc_,
                                   FakeFileSystem::kDefaultTime));
      return RunStartResult::Go();
    };
    hooks.before_first_name = [&] {
      return mode == 19 ? player_->Load(fs_, macro_path_) : RunStartResult::Go();
    };
    hooks.compute_new_name = [&](const std::u16string& source, const std::u16string& preset,
                                 std::int64_t ordinal, const std::u16string& disk) {
      sources_.push_back(Utf16ToUtf8(source));
      return ComputeNewName(*ctx, source, preset, mode, ordinal, disk);
    };
    return RunResultOf(ExecuteRun(kRunPreview, RunContext{list_, fs_, messenger_, state_, hooks, mode}));
  }

  void WriteMacro(const std::vector<MacroStep>& steps, std::string bytes = "TS150\n",
                  const std::string& tail = {}) {
    for (const MacroStep& step : steps) bytes += EncodeStepLine(step);
    fs_.AddFile(macro_path_, bytes + tail);
  }
  // The preview in mode 19 that starts the playback; nullopt when it fails.
  std::optional<int> Begin(bool execute) {
    if (Preview(19) != RunResult::kRan) return std::nullopt;
    return player_->Start(execute);
  }
  Strings NewNames() const {
    Strings out;
    for (int i = 0; i < list_.Count(); ++i) {
      out.push_back(Utf16ToUtf8(list_.GetCell(i, Cell::kNewName)));
    }
    return out;
  }
  Strings Renames() const {
    Strings out;
    for (const auto& [from, to] : fs_.renamed_) out.push_back(Utf16ToUtf8(from + u">" + to));
    return out;
  }

  FakeFileSystem fs_;
  FixedOffsetTimeZone utc_{0};
  FileList list_;
  Settings settings_{fs_, SettingsLocation{BackendKind::kIni, u"/prog/t.ini", u"/prog/r.ini"}};
  ModePanel panel_;
  ModeSelection selection_;
  PositionEditState position_;
  RunState state_;
  ScriptedSink sink_;
  Messenger messenger_{sink_};
  ExecuteSetup setup_;
  PlaybackHooks hooks_;
  std::unique_ptr<MacroPlayer> player_;
  std::u16string macro_path_ = u"/prog/macro1.bin";
  Strings events_;
  Strings sources_;
};

TEST_F(PlayerTest, TwoStepsChainAndTheExecutionRenamesOnceToTheFinalName) {
  // Extension to "PNG", then everything upper case except the recorded
  // exception word "one"; a line that cannot be read ends the steps.
  WriteMacro({Step(2, {0, 0, 0}, u"PNG"), Step(4, {1, 0, 0}, u"one")}, "TS150\n", "DEL<00\0\0\n"s);
  settings_.SetInt(IntKey::kMacromsec, 500);
  ASSERT_EQ(Begin(true), 560);
  EXPECT_EQ(NewNames(), (Strings{"Photo One.JPG", "b.TXT"}));  // mode 19 passes names through
  EXPECT_TRUE(state_.macro_playback);

  sources_.clear();
  ASSERT_TRUE(player_->Step());  // header and the extension step
  ASSERT_TRUE(player_->Step());  // its preview from the old names; the case step
  EXPECT_EQ(NewNames(), (Strings{"Photo One.PNG", "b.PNG"}));
  EXPECT_EQ(sources_, (Strings{"/d/Photo One.JPG", "/d/b.TXT"}));
  EXPECT_EQ(player_->step_counter(), 2);

  sources_.clear();
  EXPECT_FALSE(player_->Step());  // its preview from the new names; the end
  EXPECT_EQ(sources_, (Strings{"/d/Photo One.PNG", "/d/b.PNG"}));
  EXPECT_EQ(events_, (Strings{"open", "　 1 : 【 拡張子 】", "　 2 : 【 大(A)⇔小(a) 】", "close"}));
  EXPECT_EQ(Renames(), (Strings{"/d/Photo One.JPG>/d/PHOTO one.PNG", "/d/b.TXT>/d/B.PNG"}));
  EXPECT_EQ(settings_.Text(TextKey::kBsexcept1), u"one");

  EXPECT_EQ(Ended(player_->last_end()), "finished 2 steps executed");
  EXPECT_EQ(selection_.mode_index + 1, 19);
  EXPECT_FALSE(state_.macro_playback || state_.source_is_new_name || selection_.macro_playback);
  EXPECT_EQ(player_->step_counter(), 0);
}

TEST_F(PlayerTest, HiddenAutomaticRunGoesStraightThroughToTheExitCountdown) {
  WriteMacro({Step(2, {0, 0, 0}, u"png")});
  messenger_.set_auto_flags(autoflag::kMacroFile | autoflag::kErrMsg);
  settings_.SetInt(IntKey::kMacromsec, 100);
  ASSERT_EQ(Begin(true), kFirstPlaybackInterval);
  EXPECT_EQ(Ended(player_->RunToEnd()), "finished 1 steps executed countdown");
  EXPECT_EQ(messenger_.auto_flags(), autoflag::kErrMsg);
  EXPECT_TRUE(events_.empty());  // no window at all
  EXPECT_EQ(Renames(), (Strings{"/d/Photo One.JPG>/d/Photo One.png", "/d/b.TXT>/d/b.png"}));
}

TEST_F(PlayerTest, AFileWithoutHeaderEndsAtOnceWithoutExecutionButStillExits) {
  WriteMacro({Step(2, {0, 0, 0}, u"png")}, "");  // steps, no header: it used to loop forever
  messenger_.set_auto_flags(autoflag::kMacroFile);
  ASSERT_TRUE(Begin(true).has_value());
  EXPECT_EQ(Ended(player_->RunToEnd()), "no header 0 steps countdown");
  EXPECT_TRUE(Renames().empty());
}

TEST_F(PlayerTest, TestModeAndStayingOpenSkipTheExecutionAndTheCountdown) {
  WriteMacro({Step(2, {0, 0, 0}, u"txt")});
  messenger_.set_auto_flags(autoflag::kMacroFile | autoflag::kShow | autoflag::kNoExit);
  messenger_.set_test_mode(true);
  ASSERT_TRUE(Begin(true).has_value());
  EXPECT_EQ(Ended(player_->RunToEnd()), "finished 1 steps");
  EXPECT_EQ(messenger_.auto_flags(), autoflag::kShow | autoflag::kNoExit);
  EXPECT_EQ(NewNames(), (Strings{"Photo One.txt", "b.txt"}));
  EXPECT_TRUE(Renames().empty());
  EXPECT_EQ(events_.front(), "open");
}

TEST_F(PlayerTest, StopLeavesThePreviewedNamesAndRenamesNothing) {
  WriteMacro({Step(2, {0, 0, 0}, u"txt"), Step(4, {1, 0, 0}), Step(12, {0, 0, 0})});
  ASSERT_TRUE(Begin(true).has_value());
  ASSERT_TRUE(player_->Step());
  ASSERT_TRUE(player_->Step());
  player_->RequestStop();
  EXPECT_EQ(events_.back(), "close");
  EXPECT_FALSE(player_->Step());
  EXPECT_EQ(player_->last_end().reason, PlaybackEndReason::kStopped);
  EXPECT_FALSE(player_->last_end().executed);
  EXPECT_EQ(NewNames(), (Strings{"PHOTO ONE.TXT", "B.TXT"}));
  EXPECT_TRUE(Renames().empty());
  EXPECT_EQ(std::count(events_.begin(), events_.end(), "close"), 1);
}

TEST_F(PlayerTest, UnsupportedVersionIsToldAndExecutesTheNamesUnchanged) {
  setup_.options.after_run = kAfterRunKeep;
  WriteMacro({Step(2, {0, 0, 0}, u"png")}, "TS160\n");
  ASSERT_TRUE(Begin(true).has_value());
  EXPECT_EQ(Ended(player_->RunToEnd()), "unsupported 0 steps executed");
  ASSERT_EQ(sink_.Titles(), (std::vector<std::u16string>{u"Non-supported Version"}));
  EXPECT_EQ(sink_.shown[0].text, u"このバージョンのマクロファイルは扱えません。");
  EXPECT_EQ(sink_.shown[0].style, box::kOk | box::kIconStop);
  EXPECT_TRUE(Renames().empty());
  EXPECT_EQ(NewNames(), (Strings{"Photo One.JPG", "b.TXT"}));
}

TEST_F(PlayerTest, AMissingFileStopsTheStartingPreview) {
  macro_path_ = u"/prog/macro9.bin";
  EXPECT_FALSE(Begin(true).has_value());
  ASSERT_EQ(sink_.Titles(), (std::vector<std::u16string>{u"Can't Open Macro File"}));
  EXPECT_EQ(sink_.shown[0].text, u"マクロファイルが開けません。");
  // Without a file read since the last start, a playback ends at once.
  ASSERT_TRUE(player_->Start(false).has_value());
  EXPECT_FALSE(player_->Start(false).has_value());  // already running
  EXPECT_FALSE(player_->Step());
  EXPECT_EQ(Ended(player_->last_end()), "finished 0 steps");
}

TEST_F(PlayerTest, StepsPutTheirValuesIntoThePanel) {
  struct Check {
    int id;
    int value;              // checked when `text` is empty or `value` is not 0
    std::u16string text{};  // checked when not empty
  };
  const std::pair<MacroStep, std::vector<Check>> cases[] = {
      {Step(3, {4, 1, 0}, u"<01>"),
       {{ctl::kSerialPosition, 4}, {ctl::kSerialPerFolder, 1}, {ctl::kSerialText, -1, u"<01>"}}},
      {Step(4, {3, 1, 0}, u"x"), {{ctl::kCaseFullWidth, 1}, {ctl::kExceptionWords, 0, u"無効"}}},
      {Step(5, {1, 8 + 2, 0}),
       {{ctl::kWidthDirection, 1}, {ctl::kWidthSymbols, 1}, {ctl::kWidthLetters, 1},
        {ctl::kWidthKatakana, 0}, {ctl::kWidthDigits, 0}}},
      {Step(7, {1, 0, 7}, u"x"), {{ctl::kAddDirection, 1}, {ctl::kAddPosition, 0, u"07"}}},
      {Step(8, {10, 1, 2}, u"33x"),
       {{ctl::kDeleteKind, 10}, {ctl::kDeleteCount, 0, u"12"}, {ctl::kDeleteCount2, 0, u"33"}}},
      {Step(9, {2, 9, 4}, u"年-", u"YYMMDD"),
       {{ctl::kDateUnits, 1}, {ctl::kDateSeparator, 0, u"-"}, {ctl::kDateFormat, -1, u"YYMMDD"},
        {ctl::kDatePlacement, 4}, {ctl::kDateSource, 2}}},
      {Step(9, {0, 7, 0}, u"_"),
       {{ctl::kDateUnits, 0}, {ctl::kDateSeparator, 0, u"_"}, {ctl::kDateFormat, 7, u"YYYYMMDD"}}},
      {Step(10, {1, 1, 2}, u"a", u"b"),
       {{ctl::kReplaceRegexp, 1}, {ctl::kReplaceCase, 1}, {ctl::kReplaceExtension, 0},
        {ctl::kSearchText, -1, u"a"}, {ctl::kReplacementText, -1, u"b"}}},
      {Step(12, {6, 5, 3}),
       {{ctl::kRandomPattern, 6}, {ctl::kRandomLength, 5}, {ctl::kRandomExtension, 3}}},
  };
  for (const auto& [step, checks] : cases) {
    SCOPED_TRACE("mode " + std::to_string(step.mode));
    WriteMacro({step});
    ASSERT_TRUE(Begin(false).has_value());
    ASSERT_TRUE(player_->Step());
    EXPECT_EQ(selection_.mode_index + 1, step.mode);
    for (const Check& check : checks) {
      const PanelControl& control = panel_.At(check.id);
      if (!check.text.empty()) {
        EXPECT_EQ(control.text, check.text) << "control " << check.id;
      }
      if (check.text.empty() || check.value != 0) {
        EXPECT_EQ(control.value, check.value) << "control " << check.id;
      }
    }
    player_->RequestStop();
    EXPECT_FALSE(player_->Step());
  }
}

TEST_F(PlayerTest, PositionEditRestoresTheRecordedMapAndTemplate) {
  PositionEditState recorded;
  recorded.LoadTemplate(u"IMG_0001");
  recorded.UpdatePositionMap(u"Photo_0001");
  MacroStep step = Step(1, {0, 0, 0}, u"Photo_0001");
  step.map = recorded.position_map();
  step.map[259] = -1;  // not stored; reads back from the bytes after the map
  WriteMacro({step});
  AddRow(u"IMG_0123_x", u"");
  // The current state differs: an edit from it would give another map.
  panel_.At(ctl::kSampleName).text = u"IMG_0123_x";
  position_.LoadTemplate(u"IMG_0123_x");

  ASSERT_TRUE(Begin(false).has_value());
  ASSERT_TRUE(player_->Step());
  EXPECT_EQ(position_.position_map(), step.map);
  EXPECT_EQ(panel_.At(ctl::kSampleName).text, u"Photo_0001");
  EXPECT_EQ(Ended(player_->RunToEnd()), "finished 1 steps");
  EXPECT_EQ(NewNames()[2], "Photo_0123_x");
}

TEST_F(PlayerTest, ResolveMacroPathLooksInTheRightOrder) {
  for (const char16_t* file : {u"/m/plain", u"/m/plain.bin", u"/m/only.bin", u"/prog/home.bin",
                               u"/prog/other.mac"}) {
    fs_.AddFile(file);
  }
  fs_.AddFolder(u"/m/dir.bin");
  const std::u16string long_name(250, u'n');  // with ".bin" too long in either folder
  fs_.AddFile(u"/m/" + long_name + u".bin");
  fs_.AddFile(u"/prog/" + long_name + u".bin");
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"/m/plain", u"/m/plain"},         {u"/m/only", u"/m/only.bin"},
      {u"/x/home", u"/prog/home.bin"},    {u"home", u"/prog/home.bin"},
      {u"/x/other.mac", u"/prog/other.mac"}, {u"/x/home.mac", u""},
      {u"/m/dir", u""},  // a folder is no macro file
      {u"", u""},         {u"/m/" + long_name, u""},
  };
  for (const auto& [given, found] : cases) {
    EXPECT_EQ(ResolveMacroPath(fs_, given, u"/prog"), found) << Utf16ToUtf8(given);
  }
  EXPECT_EQ(PlaybackFilePath(fs_, u"/prog", 4, 0, u"/m/only"), u"/prog/macro5.bin");
  EXPECT_EQ(PlaybackFilePath(fs_, u"/prog", 4, autoflag::kMacroFile, u"/m/only"), u"/m/only.bin");
}

}  // namespace
}  // namespace tessivo
