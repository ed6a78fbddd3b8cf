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
    fs_.AddFolder(u"/prog");
    fs_.AddFile(u"/prog/use.ini");
    fs_.AddFile(u"/d/IMG_0001.JPG", "1");
    fs_.AddFile(u"/d/notes.txt", "2");
    fs_.AddFile(u"/d/sub/deep.txt", "3");
  }
  Session& MakeSession() {
    ProgramLocation location{u"/prog/", true, u"/prog/tessivo.ini", u"/prog/registry.ini"};
    session_.emplace(fs_, sink_, zone_, location);
    session_->Start(StartOverrides{}, FakeFileSystem::kDefaultTime);
    return *session_;
  }

  FakeFileSystem fs_;
  std::ostringstream messages_;
  HeadlessMessageSink sink_{messages_};
  FixedOffsetTimeZone zone_{9 * 3600};
  std::optional<Session> session_;
};

TEST_F(SessionTest, DroppedFolderPreviewsWithTheCurrentModeAndChangesNothing) {
  Session& s = MakeSession();
  ScanSummary added = s.AddPaths({u"/d"}, AddSource::kDrop);
  EXPECT_EQ(added.added, 2);  // the default depth lists the files directly inside
  ASSERT_EQ(s.list.Count(), 2);
  // The longest old name became the position-edit template.
  EXPECT_EQ(s.panel.At(ctl::kSampleName).text, u"IMG_0001.JPG");

  s.SelectMode(static_cast<int>(RenameMode::kLetterCase));
  s.settings.SetInt(IntKey::kBigsmall, 0);  // all lower (the panel holds the choice)
  s.panel.At(ctl::kCaseOption).value = 0;
  fs_.forbid_changes_ = true;
  ASSERT_EQ(s.Preview(FakeFileSystem::kDefaultTime), 0);
  fs_.forbid_changes_ = false;

  EXPECT_TRUE(s.run_state.names_current);
  for (int row = 0; row < s.list.Count(); ++row) {
    const std::u16string old_name(s.list.GetCell(row, Cell::kName));
    if (old_name == u"IMG_0001.JPG") {
      EXPECT_EQ(s.list.GetCell(row, Cell::kNewName), u"img_0001.jpg");
      EXPECT_EQ(s.list.GetFileStatus(row), FileStatus::kChangeable);
    } else {
      EXPECT_EQ(s.list.GetCell(row, Cell::kNewName), u"notes.txt");
      EXPECT_EQ(s.list.GetFileStatus(row), FileStatus::kUnchanged);
    }
  }
}

TEST_F(SessionTest, TooLongTextStopsThePreviewWithItsMessage) {
  Session& s = MakeSession();
  s.AddPaths({u"/d"}, AddSource::kDrop);
  s.SelectMode(static_cast<int>(RenameMode::kExtension));
  s.panel.At(ctl::kExtensionText).text = std::u16string(128, u'x');
  EXPECT_EQ(s.Preview(FakeFileSystem::kDefaultTime), 1);
  EXPECT_FALSE(s.run_state.names_current);
}

TEST_F(SessionTest, AddingRowsMakesThePreviewStale) {
  Session& s = MakeSession();
  s.AddPaths({u"/d/notes.txt"}, AddSource::kDrop);
  ASSERT_EQ(s.Preview(FakeFileSystem::kDefaultTime), 0);
  ASSERT_TRUE(s.run_state.names_current);
  s.AddPaths({u"/d/IMG_0001.JPG"}, AddSource::kDrop);
  EXPECT_FALSE(s.run_state.names_current);
}

}  // namespace
}  // namespace tessivo
