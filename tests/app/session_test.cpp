#include "app/session.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/headless_message_sink.h"
#include "modes/mode_catalogue.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    fs_.AddFile(u"/prog/use.ini");
    fs_.AddFile(u"/d/IMG_0001.JPG", "1");
    fs_.AddFile(u"/d/notes.txt", "2");
    fs_.AddFile(u"/d/sub/deep.txt", "3");
    session_.Start(StartOverrides{}, FakeFileSystem::kDefaultTime);
  }
  RunResult Preview() { return session_.Preview(FakeFileSystem::kDefaultTime); }

  FakeFileSystem fs_;
  std::ostringstream messages_;
  HeadlessMessageSink sink_{messages_};
  FixedOffsetTimeZone zone_{9 * 3600};
  Session session_{fs_, sink_, zone_,
                   ProgramLocation{u"/prog/", true, u"/prog/tessivo.ini", u"/prog/registry.ini"}};
};

TEST_F(SessionTest, PreviewTakesTheModeFromThePanelAndAddedRowsMakeItStale) {
  Session& s = session_;
  EXPECT_EQ(s.AddPaths({u"/d"}, AddSource::kDrop).added, 2);  // the default depth: no subfolder
  // The longest old name became the position-edit template.
  EXPECT_EQ(s.panel.At(ctl::kSampleName).text, u"IMG_0001.JPG");

  // The panel's values win over the stored settings: all upper stored, all
  // lower in the panel.
  s.SelectMode(static_cast<int>(RenameMode::kLetterCase));
  s.settings.SetInt(IntKey::kBigsmall, 1);
  s.panel.At(ctl::kCaseOption).value = 0;
  fs_.forbid_changes_ = true;
  ASSERT_EQ(Preview(), RunResult::kRan);
  fs_.forbid_changes_ = false;
  EXPECT_TRUE(s.run_state.names_current);
  EXPECT_EQ(s.list.GetCell(0, Cell::kNewName), u"img_0001.jpg");

  s.AddPaths({u"/d/sub/deep.txt"}, AddSource::kDrop);
  EXPECT_FALSE(s.run_state.names_current);
}

TEST_F(SessionTest, TooLongTextStopsThePreview) {
  session_.AddPaths({u"/d"}, AddSource::kDrop);
  session_.SelectMode(static_cast<int>(RenameMode::kExtension));
  session_.panel.At(ctl::kExtensionText).text = std::u16string(128, u'x');
  EXPECT_EQ(Preview(), RunResult::kNotStarted);
  EXPECT_FALSE(session_.run_state.names_current);
}

TEST(SessionStartTest, FirstStartDesktopEntryAndWhatTheWindowSaves) {
  FakeFileSystem fs;
  fs.AddFile(u"/prog/use.ini");
  std::ostringstream messages;
  HeadlessMessageSink sink{messages};
  FixedOffsetTimeZone zone{0};
  const ProgramLocation location{u"/prog/", true, u"/prog/tessivo.ini", u"/prog/registry.ini"};
  Session first(fs, sink, zone, location);
  EXPECT_TRUE(first.Start(StartOverrides{}, FakeFileSystem::kDefaultTime, true).first_start);
  EXPECT_EQ(first.settings.Int(IntKey::kDispcmenu), 1);
  first.SelectMode(static_cast<int>(RenameMode::kReplace));
  SaveInputs inputs;
  inputs.rename_mode = 3;  // the session's own mode wins
  inputs.window = WindowRect{10, 20, 830, 457};
  inputs.column_widths = {100, 50, 150, 160, 90, 110};
  inputs.column_order = {0, 1, 3, 2, 5, 4};
  ASSERT_TRUE(first.Save(inputs));

  Session second(fs, sink, zone, location);
  EXPECT_FALSE(second.Start(StartOverrides{}, FakeFileSystem::kDefaultTime, false).first_start);
  EXPECT_EQ(second.settings.Int(IntKey::kDispcmenu), 0);
  EXPECT_EQ(second.mode(), static_cast<int>(RenameMode::kReplace));
  EXPECT_EQ(second.settings.Int(IntKey::kWwidth), 820);
  EXPECT_EQ(second.settings.Int(IntKey::kWtop), 20);
  EXPECT_EQ(ColumnWidthsAtStart(second.settings)[3], 160);
  EXPECT_EQ(ColumnOrderAtStart(second.settings), inputs.column_order);

  // A run without a window saves its settings but leaves the window's alone.
  ASSERT_TRUE(second.Save());
  Session third(fs, sink, zone, location);
  third.Start(StartOverrides{}, FakeFileSystem::kDefaultTime, false);
  EXPECT_EQ(third.settings.Int(IntKey::kWwidth), 820);
  EXPECT_EQ(ColumnWidthsAtStart(third.settings)[3], 160);
  EXPECT_EQ(ColumnOrderAtStart(third.settings), inputs.column_order);
}

}  // namespace
}  // namespace tessivo
