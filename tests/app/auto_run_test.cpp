#include "app/auto_run.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/headless_message_sink.h"
#include "macro/macro_file.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"
#include "support/fake_file_system.h"
#include "support/scoped_temp_dir.h"

namespace tessivo {
namespace {

// A whole unattended run over the in-memory file system: the command line as
// the user types it, then the state of the disk.
class AutoRunTest : public ::testing::Test {
 protected:
  AutoRunTest() {
    fs_.AddFile(u"/prog/use.ini");
    fs_.AddFile(u"/work/d/IMG_0001.JPG", "one");
    fs_.AddFile(u"/work/d/IMG_0002.JPG", "two");
    fs_.AddFile(u"/work/d/notes.txt", "bystander");
  }

  int Run(std::vector<std::u16string> args) {
    args.insert(args.begin(), u"tessivo");
    out_.str({});
    err_.str({});
    ProgramLocation location{u"/prog/", true, u"/prog/tessivo.ini", u"/prog/registry.ini"};
    Session session(fs_, sink_, zone_, location);
    const CommandLine cl = ParseCommandLine(args, u"/file /subfolder0", CalendarTime{});
    session.Start(StartOverrides{cl.file_folder, cl.dropped_folder}, FakeFileSystem::kDefaultTime);
    AutoRunIo io{&out_, &err_, false, u"/work"};
    const int status = RunUnattended(session, cl, FakeFileSystem::kDefaultTime, io);
    if (!cl.test_mode) (void)session.Save();  // as the program does
    return status;
  }

  FakeFileSystem fs_;
  std::ostringstream messages_, out_, err_;
  HeadlessMessageSink sink_{messages_};
  FixedOffsetTimeZone zone_{0};
};

TEST_F(AutoRunTest, ReplacementRunRenamesLogsAndUndoRestores) {
  EXPECT_EQ(Run({u"s/IMG_(\\d+)/photo_$1/", u"d"}), kExitOk) << err_.str();
  EXPECT_EQ(fs_.Content(u"/work/d/photo_0001.JPG"), "one");
  EXPECT_EQ(fs_.Content(u"/work/d/photo_0002.JPG"), "two");
  EXPECT_EQ(fs_.Content(u"/work/d/notes.txt"), "bystander");
  EXPECT_NE(err_.str().find("failed"), std::string::npos);  // the summary line

  EXPECT_EQ(Run({u"/undo1"}), kExitOk) << err_.str();
  EXPECT_EQ(fs_.Content(u"/work/d/IMG_0001.JPG"), "one");
  EXPECT_EQ(fs_.Content(u"/work/d/IMG_0002.JPG"), "two");
  EXPECT_FALSE(fs_.Exists(u"/work/d/photo_0001.JPG"));
}

TEST_F(AutoRunTest, TestModePrintsThePreviewAndChangesNothing) {
  // Only the settings' start counter may be written: it counts every start.
  const std::vector<std::u16string> before = fs_.AllPaths();
  EXPECT_EQ(Run({u"s/IMG/pic/", u"/test", u"/work/d/IMG_0001.JPG"}), kExitOk);
  std::vector<std::u16string> after = fs_.AllPaths();
  std::erase(after, u"/prog/tessivo.ini");
  EXPECT_EQ(after, before);
  EXPECT_TRUE(fs_.renamed_.empty());
  EXPECT_EQ(out_.str(), "/work/d/IMG_0001.JPG\tpic_0001.JPG\t" + Utf16ToUtf8(u"変更が可能") + "\n");
}

TEST_F(AutoRunTest, MacroFilePlaysItsStepsAndExecutesOnce) {
  MacroStep extension, upper;
  extension.mode = 2;
  extension.text1 = u"png";
  upper.mode = 4;
  upper.params = {1, 0, 0};
  fs_.AddFile(u"/work/m.bin", "TS150\n" + EncodeStepLine(extension) + EncodeStepLine(upper));
  EXPECT_EQ(Run({u"/autofile=/work/m.bin", u"/work/d"}), kExitOk) << err_.str();
  EXPECT_EQ(fs_.Content(u"/work/d/IMG_0001.PNG"), "one");
  EXPECT_EQ(fs_.Content(u"/work/d/NOTES.PNG"), "bystander");
  // One rename per file: the steps worked on the names, the disk changed once.
  int renames_in_folder = 0;
  for (const auto& [from, to] : fs_.renamed_) renames_in_folder += from.starts_with(u"/work/d/");
  EXPECT_EQ(renames_in_folder, 3);
}

TEST_F(AutoRunTest, RunsThatCannotStartExitWithTwo) {
  const std::pair<std::vector<std::u16string>, const char*> cases[] = {
      {{u"/work/d"}, "no run switch"},
      {{u"/autofile=/work/missing.bin", u"/work/d"}, "macro file missing"},
      {{u"/undo3"}, "no such log"},
      {{u"s/a/b/", u"/work/empty"}, "empty list: the preview is refused"},
  };
  fs_.AddFolder(u"/work/empty");
  for (const auto& [args, why] : cases) EXPECT_EQ(Run(args), kExitNotStarted) << why;
  EXPECT_TRUE(fs_.renamed_.empty());
}

TEST_F(AutoRunTest, FailedChangeGivesExitOne) {
  fs_.FailPath(FakeFileSystem::Op::kRenameNoReplace, u"/work/d/IMG_0001.JPG", ErrorCode::kIo);
  EXPECT_EQ(Run({u"s/IMG/pic/", u"/work/d"}), kExitFailed);
  EXPECT_EQ(fs_.Content(u"/work/d/IMG_0001.JPG"), "one");
  EXPECT_EQ(fs_.Content(u"/work/d/pic_0002.JPG"), "two");
}

// One unattended run over `fs`, with the program folder `prog` (use.ini in
// it); the preview table goes to `out`.
int RunOn(FileSystem& fs, const std::u16string& prog, std::vector<std::u16string> args,
          std::string& out) {
  args.insert(args.begin(), u"tessivo");
  std::ostringstream messages, table, err;
  HeadlessMessageSink sink{messages};
  FixedOffsetTimeZone zone{0};
  Session session(fs, sink, zone, ProgramLocation{prog, true, prog + u"tessivo.ini", {}});
  const CommandLine cl = ParseCommandLine(args, u"/file /subfolder0", CalendarTime{});
  session.Start(StartOverrides{cl.file_folder, cl.dropped_folder}, FakeFileSystem::kDefaultTime);
  const int status = RunUnattended(session, cl, FakeFileSystem::kDefaultTime,
                                   AutoRunIo{&table, &err, false, u"/"});
  out = table.str();
  return status;
}

int LinesWith(const std::string& text, const std::u16string& part) {
  int count = 0;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    count += line.find(Utf16ToUtf8(part)) != std::string::npos;
  }
  return count;
}

// The letter case of a name counts where the folder keeps it (this machine's
// temporary folders), and not where it ignores it (a fake folder).
TEST(AutoRunLetterCaseTest, ANameInAnotherCaseIsAnotherNameWhereTheFolderKeepsCase) {
  const std::u16string changeable = u"\t変更が可能", same = u"\t変更の前と後で同じファイル名";
  ScopedTempDir dir;
  PosixFileSystem disk;
  const std::u16string root = dir.path() + u"/";
  for (const char16_t* name : {u"prog/use.ini", u"d/img_1.jpg", u"e/IMG.jpg", u"e/img.jpg"}) {
    const std::u16string path = root + name;
    ASSERT_TRUE(disk.CreateFolders(path.substr(0, path.rfind(u'/')), 0755));
    ASSERT_TRUE(disk.WriteFileAtomic(path, Utf16ToUtf8(name)));
  }
  std::string out;
  EXPECT_EQ(RunOn(disk, root + u"prog/", {u"s/img/IMG/", u"/test", root + u"d"}, out), kExitOk);
  EXPECT_EQ(LinesWith(out, u"IMG_1.jpg" + changeable), 1) << out;
  EXPECT_EQ(RunOn(disk, root + u"prog/", {u"s/g/G/", u"/test", root + u"e"}, out), kExitOk);
  EXPECT_EQ(LinesWith(out, u"imG.jpg" + changeable), 1) << out;
  // Two paths differing only in case are two files, two rows.
  EXPECT_EQ(RunOn(disk, root + u"prog/",
                  {u"s/^/x/", u"/test", root + u"e/IMG.jpg", root + u"e/img.jpg"}, out),
            kExitOk);
  EXPECT_EQ(LinesWith(out, changeable), 2) << out;
  EXPECT_EQ(RunOn(disk, root + u"prog/", {u"s/img/IMG/", root + u"d"}, out), kExitOk);
  const Result<std::string> renamed = disk.ReadFile(root + u"d/IMG_1.jpg");
  EXPECT_TRUE(renamed && *renamed == "d/img_1.jpg");
  EXPECT_FALSE(disk.Exists(root + u"d/img_1.jpg"));

  FakeFileSystem fake;
  fake.SetNameRules(u"/w", NameRules{true, 255});
  fake.AddFile(u"/prog/use.ini");
  fake.AddFile(u"/w/img_1.jpg");
  EXPECT_EQ(RunOn(fake, u"/prog/", {u"s/img/IMG/", u"/test", u"/w"}, out), kExitOk);
  EXPECT_EQ(LinesWith(out, u"IMG_1.jpg" + same), 1) << out;
  EXPECT_EQ(RunOn(fake, u"/prog/", {u"s/^/x/", u"/test", u"/w/IMG_1.jpg", u"/w/img_1.jpg"}, out),
            kExitOk);
  EXPECT_EQ(LinesWith(out, changeable), 1) << out;
}

TEST(AbsolutePathTest, RelativePathsAreTakenFromTheWorkingFolder) {
  const struct {
    const char16_t *path, *cwd, *expected;
  } cases[] = {
      {u"d", u"/work", u"/work/d"},
      {u"./d/../e/", u"/work/", u"/work/e"},
      {u"/abs//x/.", u"/work", u"/abs/x"},
      {u"../../..", u"/a/b", u"/"},
      {u"/", u"/work", u"/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AbsolutePath(c.path, c.cwd), c.expected) << Utf16ToUtf8(c.path);
  }
}

}  // namespace
}  // namespace tessivo
