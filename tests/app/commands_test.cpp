#include "app/commands.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "modes/mode_catalogue.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"
#include "support/scripted_sink.h"

namespace tessivo {
namespace {

class CommandsTest : public ::testing::Test {
 protected:
  CommandsTest() {
    fs_.AddFile(u"/prog/use.ini");
    fs_.AddFile(u"/d/a.txt", "1");
    fs_.AddFile(u"/d/b.txt", "2");
    session_.Start(StartOverrides{}, FakeFileSystem::kDefaultTime);
    status_.show_text = [this](const std::u16string& text) { shown_.push_back(text); };
  }
  Controller& C() {
    if (!controller_) {
      CommandHooks hooks;
      hooks.now = [] { return FakeFileSystem::kDefaultTime; };
      hooks.clipboard_text = [this] { return std::optional<std::u16string>(clipboard_); };
      hooks.set_clipboard_text = [this](const std::u16string& text) { clipboard_ = text; };
      hooks.cancel_requested = [this] { return cancel_; };
      hooks.repaint = [this] { ++repaints_; };
      controller_.emplace(session_, status_, std::move(hooks));
    }
    return *controller_;
  }
  std::u16string NewName(int row) {
    return std::u16string(session_.list.GetCell(row, Cell::kNewName));
  }
  // The controller's flags in words, then the files in /d.
  std::string State() {
    std::string s = C().enter_executes() ? "enter " : "";
    if (C().preview_statuses()) s += "statuses ";
    if (session_.run_state.keep_changing_once) s += "once ";
    if (C().IsChecked(CommandId::kUndo)) s += "undo ";
    for (const std::u16string& path : fs_.AllPaths()) {
      if (path.starts_with(u"/d/")) s += Utf16ToUtf8(path.substr(3)) + " ";
    }
    return s;
  }
  void ExtensionMode(const std::u16string& extension) {
    session_.SelectMode(ModeNumber(RenameMode::kExtension));
    session_.panel.At(ctl::kExtensionText).text = extension;
  }

  FakeFileSystem fs_;
  ScriptedSink sink_;
  FixedOffsetTimeZone zone_{9 * 3600};
  Session session_{fs_, sink_, zone_,
                   ProgramLocation{u"/prog/", true, u"/prog/tessivo.ini", u"/prog/registry.ini"}};
  StatusBar status_;
  std::vector<std::u16string> shown_;
  std::u16string clipboard_;
  bool cancel_ = false;
  int repaints_ = 0;
  std::optional<Controller> controller_;
};

TEST_F(CommandsTest, AvailabilityFollowsUndoModeRecordingPlaybackAndTheBusyFlag) {
  enum State { kIdle, kUndoMode, kRecording, kPlayback, kBusy, kNoLog };
  const struct { State state; CommandId id; bool available; } cases[] = {
      {kIdle, CommandId::kConfirm, true},     {kIdle, CommandId::kUndo, true},
      {kIdle, CommandId::kNextMode, true},    {kIdle, CommandId::kPaste, true},
      {kIdle, SortCommand(kSortByName, kSortDescending), true},
      // Later windows: never available yet.
      {kIdle, CommandId::kOptions, false},    {kIdle, CommandId::kOpenCsv, false},
      {kIdle, CommandId::kRecordMacro, false}, {kIdle, CommandId::kToggleTree, false},
      {kIdle, CommandId::kTextEditor, false}, {kIdle, CommandId::kSaveAllCsv, false},
      // A missing hook makes its command unavailable.
      {kIdle, CommandId::kOpenFolder, false}, {kIdle, CommandId::kAbout, false},
      {kUndoMode, CommandId::kConfirm, false}, {kUndoMode, CommandId::kPreviousMode, false},
      {kUndoMode, SortCommand(kSortByName, kSortAscending), false},
      {kUndoMode, CommandId::kPaste, false},  {kUndoMode, CommandId::kRefresh, false},
      {kUndoMode, CommandId::kFolderMode, false}, {kUndoMode, CommandId::kExecute, true},
      {kUndoMode, CommandId::kUndo, true},    {kUndoMode, CommandId::kReset, true},
      {kRecording, CommandId::kUndo, false},  {kRecording, CommandId::kExecute, true},
      {kPlayback, CommandId::kUndo, false},   {kPlayback, CommandId::kExecute, false},
      {kPlayback, CommandId::kDeleteSelected, false}, {kBusy, CommandId::kSelectAll, false},
      {kBusy, CommandId::kQuit, false},       {kNoLog, CommandId::kUndo, false},
  };
  session_.AddPaths({u"/d"}, AddSource::kDrop);
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.id));
    SCOPED_TRACE(static_cast<int>(c.state));
    session_.list.set_undo_mode(c.state == kUndoMode);
    session_.run_state.macro_recording = c.state == kRecording;
    session_.run_state.macro_playback = c.state == kPlayback;
    session_.settings.SetInt(IntKey::kWritelog, c.state == kNoLog ? 0 : 1);
    C().ClearBusy();
    if (c.state == kBusy) C().SetBusy();
    EXPECT_EQ(C().IsAvailable(c.id), c.available);
    // The busy flag never changes what menus show.
    EXPECT_EQ(C().IsEnabled(c.id), c.available || c.state == kBusy);
  }
  // The view and input-history toggles flip their own check mark only.
  C().ClearBusy();
  session_.list.set_undo_mode(false);
  const CommandId toggles[] = {
      CommandId::kToggleToolbar,     CommandId::kToggleStatusBar,    CommandId::kTopmost,
      CommandId::kRecordFilterInput, CommandId::kRecordReplaceInput, CommandId::kRecordOtherInput};
  for (std::size_t t = 0; t < std::size(toggles); ++t) {
    const CommandId id = toggles[t];
    SCOPED_TRACE(static_cast<int>(id));
    std::vector<bool> before;
    for (CommandId other : toggles) before.push_back(C().IsChecked(other));
    EXPECT_TRUE(C().Run(id).states);
    for (std::size_t i = 0; i < std::size(toggles); ++i) {
      EXPECT_EQ(C().IsChecked(toggles[i]), toggles[i] == id ? !before[i] : before[i]);
    }
    C().Run(id);
    EXPECT_EQ(C().IsChecked(id), before[t]);
  }
  // Switching the toolbar on stores 1; a hidden status bar is not written.
  session_.settings.SetWord(OptionWord::kDispcontrols, 0x6);
  C().Run(CommandId::kToggleToolbar);
  C().Run(CommandId::kToggleToolbar);
  EXPECT_EQ(session_.settings.Word(OptionWord::kDispcontrols), 0x5u);
  C().Run(CommandId::kToggleStatusBar);
  const std::size_t writes = shown_.size();
  C().Run(CommandId::kInvertSelection);
  EXPECT_EQ(shown_.size(), writes);

  // A command that is not available does nothing.
  C().SetBusy();
  EXPECT_FALSE(C().Run(CommandId::kInvertSelection).ran);
  EXPECT_EQ(session_.list.SelectedCount(), 2);
}

TEST_F(CommandsTest, EnterConfirmsThenExecutesAndUndoRestores) {
  C().DropPaths({u"/d"});
  C().ClearBusy();
  ASSERT_EQ(session_.list.Count(), 2);
  ExtensionMode(u"bak");

  // Shift+Enter with no preview confirms and arms the one-shot flag.
  EXPECT_TRUE(C().Run(CommandId::kKeepChanging).rows);
  EXPECT_EQ(NewName(0), u"a.bak");
  EXPECT_EQ(State(), "enter statuses once a.txt b.txt ");
  // With `enterdont` the next Enter confirms again.
  session_.settings.SetInt(IntKey::kEnterdont, 1);
  C().Run(CommandId::kConfirm);
  C().Run(CommandId::kEnter);
  EXPECT_EQ(State(), "statuses a.txt b.txt ");
  session_.settings.SetInt(IntKey::kEnterdont, 0);
  C().Run(CommandId::kConfirm);
  EXPECT_TRUE(C().Run(CommandId::kEnter).rows);  // "変更を開始しますか。" is answered Yes
  EXPECT_EQ(State(), "a.bak b.bak ");

  CommandResult r = C().Run(CommandId::kUndo);
  ASSERT_TRUE(r.undo_ui);
  EXPECT_TRUE(r.undo_ui->undo_mode);
  EXPECT_EQ(State(), "undo a.bak b.bak ");
  EXPECT_EQ(status_.text(), UndoModeStatusText());
  EXPECT_FALSE(C().IsAvailable(CommandId::kConfirm));
  r = C().Run(CommandId::kEnter);  // in undo mode Enter undoes
  ASSERT_TRUE(r.undo_ui);
  EXPECT_FALSE(r.undo_ui->undo_mode);
  EXPECT_EQ(State(), "a.txt b.txt ");
  EXPECT_EQ(status_.text(), ModeStatusText(ModeStatusCode(session_.mode())));

  // Another log chosen under the UnDo button: slot 2 was never written.
  C().Run(CommandId::kUndo);
  ASSERT_TRUE(session_.undo.active());
  sink_.shown.clear();
  r = C().UndoLogChosen(2);
  ASSERT_TRUE(r.undo_ui);
  EXPECT_FALSE(r.undo_ui->undo_mode);
  EXPECT_EQ(sink_.Titles(), std::vector<std::u16string>{u"Can't Open File!"});
  EXPECT_EQ(status_.text(), ModeStatusText(ModeStatusCode(session_.mode())));
}

TEST_F(CommandsTest, ExecuteRefusesTheMacroModeAndTestMode) {
  C().DropPaths({u"/d"});
  C().ClearBusy();
  // The macro mode: nothing is previewed, nothing renamed, not even to itself.
  session_.SelectMode(ModeNumber(RenameMode::kMacro));
  for (CommandId id : {CommandId::kExecute, CommandId::kConfirm, CommandId::kEnter}) {
    sink_.shown.clear();
    EXPECT_FALSE(C().Run(id).ran);
    ASSERT_EQ(sink_.Titles(),
              std::vector<std::u16string>{std::u16string(Text(MessageId::kPlaybackUnavailableTitle))});
  }
  EXPECT_TRUE(fs_.renamed_.empty() && fs_.appended_.empty());
  EXPECT_EQ(NewName(0), u"");

  // Test mode: the button only refuses; the menu command previews.
  ExtensionMode(u"bak");
  session_.messenger.set_test_mode(true);
  sink_.shown.clear();
  C().Run(CommandId::kExecuteButton);
  ASSERT_EQ(sink_.Titles(), std::vector<std::u16string>{u"cannot rename because of test mode"});
  EXPECT_EQ(NewName(0), u"");
  C().Run(CommandId::kExecute);
  EXPECT_EQ(NewName(0), u"a.bak");
  EXPECT_TRUE(fs_.renamed_.empty());
}

TEST_F(CommandsTest, ListCommandsDropsAndHeaderSorting) {
  C().DropPaths({u"/d"});
  EXPECT_TRUE(C().busy());  // until the window's 100 ms timer
  C().ClearBusy();
  EXPECT_EQ(status_.counts(), u"選択   0/   2");

  // A header click on a changed list sorts ascending, the next one descending.
  CommandResult r = C().HeaderClicked(0);
  ASSERT_TRUE(r.arrows);
  EXPECT_EQ((*r.arrows)[0], HeaderArrow::kUp);
  r = C().HeaderClicked(0);
  EXPECT_EQ((*r.arrows)[0], HeaderArrow::kDown);
  EXPECT_EQ(session_.list.GetCell(0, Cell::kName), u"b.txt");

  clipboard_ = u"keep";
  C().Run(CommandId::kCut);  // nothing selected: the clipboard keeps its text
  EXPECT_EQ(clipboard_, u"keep");
  C().Run(CommandId::kSelectAll);
  EXPECT_EQ(status_.counts(), u"選択   2/   2");
  C().Run(CommandId::kCopy);
  EXPECT_EQ(clipboard_, u"\"b.txt\",\"\",\"/d/\"\r\n\"a.txt\",\"\",\"/d/\"\r\n");
  C().Run(CommandId::kDeleteSelected);
  EXPECT_EQ(session_.list.Count(), 0);
  C().Run(CommandId::kPaste);
  EXPECT_EQ(session_.list.Count(), 2);
  // Rows came: the next header click starts ascending again.
  r = C().HeaderClicked(0);
  EXPECT_EQ((*r.arrows)[0], HeaderArrow::kUp);

  // A drop in undo mode asks, leaves it properly and lists the drop.
  ASSERT_TRUE(C().Run(CommandId::kUndo).undo_ui);  // no log yet: "Can't Open File!"
  session_.list.set_undo_mode(true);
  sink_.answers = {kAnswerYes};
  r = C().DropPaths({u"/d"});
  C().ClearBusy();
  ASSERT_TRUE(r.undo_ui);
  EXPECT_FALSE(r.undo_ui->undo_mode);
  EXPECT_FALSE(session_.undo.active());
  EXPECT_EQ(session_.list.Count(), 2);
  // The loading notice showed (painted at once) while the scan ran, then the drop prompt.
  EXPECT_GT(repaints_, 0);
  EXPECT_NE(std::find(shown_.begin(), shown_.end(), StatusText(status_code::kLoading)),
            shown_.end());
  EXPECT_EQ(status_.text(), StatusText(status_code::kIdle));

  // A file dropped in folder mode: Yes switches to file mode, stored for the run.
  C().Run(CommandId::kFolderMode);
  EXPECT_TRUE(C().IsChecked(CommandId::kFolderMode));
  EXPECT_EQ(session_.list.Count(), 0);
  sink_.answers = {kAnswerYes};
  C().DropPaths({u"/d/a.txt"});
  C().ClearBusy();
  EXPECT_FALSE(C().IsChecked(CommandId::kFolderMode));
  EXPECT_EQ(session_.settings.Int(IntKey::kFileDir), 0);
  EXPECT_EQ(session_.list.Count(), 1);

  // Escape held stops the scan.
  cancel_ = true;
  C().DropPaths({u"/d"});
  EXPECT_EQ(session_.list.Count(), 1);
}

TEST_F(CommandsTest, CommandLinePathsFilterAndSort) {
  fs_.AddFile(u"/d/Sub/c.txt", "3");
  fs_.SetNameRules(u"/d/", NameRules{.ignores_case = true});
  const CommandLine line = ParseCommandLine(
      {u"tessivo", u"sub", u"/subfolder0", u"/filter=!c*", u"/sortnamer", u"../d/a.txt"}, u"",
      CalendarTime{});
  C().LoadCommandLine(line, u"/d/x");
  ASSERT_EQ(session_.list.Count(), 0);  // a relative path is taken from the working folder
  C().LoadCommandLine(line, u"/d");
  ASSERT_EQ(session_.list.Count(), 2);                         // "sub" spelled as the disk has it
  EXPECT_EQ(session_.list.GetCell(0, Cell::kName), u"c.txt");  // name descending
  EXPECT_EQ(session_.list.GetFileStatus(0), FileStatus::kExcluded);
  EXPECT_EQ(session_.panel.list_filter.text, u"!c*");
  EXPECT_EQ(status_.text(), kBlankStatusText);
  // Editing the narrowing box narrows again.
  EXPECT_TRUE(C().NarrowingEdited(u"").rows);
  EXPECT_EQ(session_.list.GetFileStatus(0), FileStatus::kUnchecked);
}

TEST_F(CommandsTest, ModeNavigationAndEscape) {
  const int first = session_.mode();
  CommandResult r = C().Run(CommandId::kPreviousMode);
  EXPECT_EQ(session_.mode(), ModeNumber(RenameMode::kMacro));  // wraps past the empty entries
  EXPECT_NE(r.focus_control, 0);
  r = C().Run(CommandId::kNextMode);
  EXPECT_EQ(session_.mode(), first);
  EXPECT_EQ(status_.text(), ModeStatusText(ModeStatusCode(first)));

  // Names typed by hand: a mode button asks first; No keeps the mode.
  session_.run_state.hand_edited = true;
  sink_.answers = {kAnswerNo};
  EXPECT_FALSE(C().ModeButtonPressed(0, 2).ran);
  EXPECT_EQ(session_.mode(), first);
  // A check box or list change drops them without a question, busy for 100 ms.
  C().ControlChanged(true);
  EXPECT_FALSE(session_.run_state.hand_edited);
  EXPECT_TRUE(C().busy());
  C().ClearBusy();
  r = C().ModeButtonPressed(0, 2);
  EXPECT_EQ(session_.mode(), ModeNumber(RenameMode::kExtension));
  EXPECT_EQ(r.focus_control, ctl::kExtensionText);
  EXPECT_TRUE(r.select_focus_text);

  // Esc while recording asks; No resets, Yes stops recording.
  int stopped = 0;
  CommandHooks hooks;
  hooks.stop_recording = [&] { ++stopped; };
  Controller c(session_, status_, hooks);
  session_.run_state.macro_recording = true;
  sink_.shown.clear();
  sink_.answers = {kAnswerNo, kAnswerYes};
  c.Run(CommandId::kEscape);
  EXPECT_EQ(stopped, 0);
  c.Run(CommandId::kEscape);
  EXPECT_EQ(stopped, 1);
  EXPECT_EQ(sink_.Titles(), (std::vector<std::u16string>{u"Stop Recording?", u"Stop Recording?"}));

  // Help: the page beside the program, else the message.
  EXPECT_EQ(FindHelpPage(fs_, u"/prog/"), u"");
  sink_.shown.clear();
  c.Run(CommandId::kHelp);
  EXPECT_EQ(sink_.Titles(), std::vector<std::u16string>{u"No Help HTML File!"});
  fs_.AddFile(u"/prog/help/index.html");
  EXPECT_EQ(FindHelpPage(fs_, u"/prog/"), u"/prog/help/index.html");
}

TEST(StatusBarTest, PolicyAndRewriteOnlyOnChange) {
  const std::u16string idle(StatusText(status_code::kIdle));
  const struct { int code; bool undo, test, unattended, shown; std::optional<std::u16string> text;
  } cases[] = {
      {status_code::kIdle, false, false, false, true, idle},
      {status_code::kIdle, false, false, false, false, std::nullopt},  // bar hidden
      {status_code::kIdle, false, false, true, true, std::nullopt},    // unattended run
      {status_code::kIdle, false, true, true, true, TestModeStatusText()},
      {status_code::kLoading, true, false, false, true, std::u16string(UndoModeStatusText())},
      {status_code::kCountsOnly, false, false, false, true, std::nullopt},
      {27, false, false, false, true, std::u16string(kBlankStatusText)},
      {ModeStatusCode(2), false, false, false, true,
       u"【拡張子】 拡張子を変更します。空白にすると拡張子がなくなります。"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StatusBarText(c.code, c.undo, c.test, c.unattended, c.shown), c.text) << c.code;
  }
  EXPECT_EQ(TestModeStatusText().find(TestModeBanner(), TestModeBanner().size()),
            TestModeBanner().size());

  StatusBar bar;
  int writes = 0, count_writes = 0;
  bar.show_text = [&](const std::u16string&) { ++writes; };
  bar.show_counts = [&](const std::u16string&) { ++count_writes; };
  bar.SetStatus(status_code::kIdle);
  bar.SetStatus(status_code::kIdle);
  bar.SetStatus(status_code::kCountsOnly);
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(bar.CurrentStatus(), status_code::kIdle);
  bar.undo_mode = true;
  bar.SetStatus(status_code::kLoading);
  bar.SetStatus(status_code::kSorting);  // the same undo text: not rewritten
  EXPECT_EQ(writes, 2);
  bar.SetCounts(1, 2);
  bar.SetCounts(1, 2);
  EXPECT_EQ(count_writes, 1);
}

TEST(MainWindowTitleTest, DisplayNameOrTheTestModeTitle) {
  const std::u16string test_title = u"Test Mode. Test Mode. Test Mode. Test Mode. Test Mode. "
                                    u"Test Mode. Test Mode. Test Mode. Test Mode. Test Mode.";
  using Titles = std::vector<std::u16string>;
  EXPECT_EQ((Titles{MainWindowTitle(false, false), MainWindowTitle(true, false),
                    MainWindowTitle(true, true), MainWindowTitle(false, true)}),
            (Titles{u"Tessivo ", u"テッシーヴォ ", test_title, test_title}));
}

TEST(FileUrlTest, PathKeepsTheBytesOfTheUrl) {
  const struct { const char* url; std::optional<std::u16string> path; } cases[] = {
      {"file:///tmp/x", u"/tmp/x"},           {"file:/tmp/x", u"/tmp/x"},
      {"file:tmp/x", std::nullopt},           {"FILE://localhost/tmp/a%20b", u"/tmp/a b"},
      {"file:///tmp/%E3%83%86", u"/tmp/テ"},  {"file:///tmp/100%", u"/tmp/100%"},
      {"file:///tmp/%FFz", std::u16string(u"/tmp/") + char16_t(0xDCFF) + u"z"},
      {"file:///tmp/%e3%83", std::u16string(u"/tmp/") + char16_t(0xDCE3) + char16_t(0xDC83)},
      {"file:///tmp/a%2", u"/tmp/a%2"},       {"file:///tmp/a%00b", std::nullopt},
      {"http://host/tmp/x", std::nullopt},    {"file://host", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(PathOfFileUrl(c.url), c.path) << c.url;
}

}  // namespace
}  // namespace tessivo
