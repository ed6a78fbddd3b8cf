#include "app/auto_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "core/headless_message_sink.h"
#include "exec/rename_log.h"
#include "macro/macro_test_util.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

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
  // One unattended run as the program makes it, in the working folder /work.
  int Run(std::vector<std::u16string> args) {
    args.insert(args.begin(), u"tessivo");
    std::ostringstream messages, out, err;
    HeadlessMessageSink sink{messages};
    FixedOffsetTimeZone zone{0};
    Session session(fs_, sink, zone, ProgramLocation{u"/prog/", true, u"/prog/tessivo.ini", {}});
    const CommandLine cl = ParseCommandLine(args, u"/file /subfolder0", CalendarTime{});
    session.Start(StartOverrides{cl.file_folder, cl.dropped_folder}, FakeFileSystem::kDefaultTime);
    std::istringstream in(stdin_);
    AutoRunIo io{&out, &err, false, u"/work", terminal_, &in};
    const int status = RunUnattended(session, cl, FakeFileSystem::kDefaultTime, io);
    if (SavesSettings(cl)) (void)session.Save();  // as the program does
    said_ = {out.str(), err.str(), messages.str()};
    return status;
  }
  // The names under `folder`, which must exist.
  std::vector<std::string> NamesIn(const std::u16string& folder) {
    std::vector<std::string> names;
    for (const std::u16string& path : fs_.AllPaths()) {
      if (path.starts_with(folder) && path.size() > folder.size()) {
        names.push_back(Utf16ToUtf8(path.substr(folder.size())));
      }
    }
    return names;
  }
  // "name=content" of every file under `folder`, blank-separated.
  std::string Listing(const std::u16string& folder) {
    std::string text;
    for (const std::string& name : NamesIn(folder)) {
      text += (text.empty() ? "" : " ") + name + "=" +
              fs_.Content(folder + Utf8ToUtf16(name)).value_or("<folder>");
    }
    return text;
  }

  FakeFileSystem fs_;
  bool terminal_ = false;  // standard output is a terminal
  std::string stdin_;
  struct {
    std::string out, err, messages;  // standard output, standard error, message boxes
  } said_;
};

TEST_F(AutoRunTest, ReplacementRunRenamesLogsAndUndoRestores) {
  const std::string before = Listing(u"/work/d/");
  EXPECT_EQ(Run({u"s/IMG_(\\d+)/photo_$1/", u"d"}), kExitOk) << said_.err;
  EXPECT_EQ(Listing(u"/work/d/"), "notes.txt=bystander photo_0001.JPG=one photo_0002.JPG=two");
  EXPECT_NE(said_.err.find("failed"), std::string::npos);  // the summary line

  EXPECT_EQ(Run({u"/undo1"}), kExitOk) << said_.err;
  EXPECT_EQ(Listing(u"/work/d/"), before);
  // The same undo again changes nothing and says so.
  fs_.renamed_.clear();
  EXPECT_EQ(Run({u"/undo1"}), kExitOk);
  EXPECT_EQ(said_.err, "tessivo: undo: this run was already undone\n");
  EXPECT_TRUE(fs_.renamed_.empty());
}

TEST_F(AutoRunTest, TestModePrintsThePreviewAndChangesNothing) {
  // Only the settings' start counter may be written: it counts every start.
  const std::vector<std::u16string> before = fs_.AllPaths();
  EXPECT_EQ(Run({u"s/IMG/pic/", u"/test", u"/work/d/IMG_0001.JPG"}), kExitOk);
  std::vector<std::u16string> after = fs_.AllPaths();
  std::erase(after, u"/prog/tessivo.ini");
  EXPECT_EQ(after, before);
  EXPECT_TRUE(fs_.renamed_.empty());
  const std::string header = "path\tnew name\tstatus\n", changeable = Utf16ToUtf8(u"変更が可能");
  EXPECT_EQ(said_.out, header + "/work/d/IMG_0001.JPG\tpic_0001.JPG\t" + changeable + "\n");

  // On a terminal only rows that change or fail are shown, unless --all.
  terminal_ = true;
  EXPECT_EQ(Run({u"s/IMG_0002/pic/", u"/test", u"/work/d"}), kExitOk);
  EXPECT_EQ(said_.out, header + "/work/d/IMG_0002.JPG\tpic.JPG\t" + changeable + "\n");
  EXPECT_EQ(Run({u"s/IMG_0002/pic/", u"/test", u"--all", u"/work/d"}), kExitOk);
  EXPECT_EQ(std::count(said_.out.begin(), said_.out.end(), '\n'), 4);
  // A taken target is found in the listing the scan made, which the
  // preview takes over.
  fs_.AddFile(u"/work/d/taken.JPG");
  Run({u"s/IMG_0001/taken/", u"/test", u"/work/d"});
  EXPECT_EQ(said_.out, header + "/work/d/IMG_0001.JPG\ttaken.JPG\t" +
                           Utf16ToUtf8(LegendText(FileStatus::kTargetExists)) + "\n");
}

// A dry run leaves an interrupted run's log in slot 0 alone and says so; the
// next run that changes files (here an undo) settles it into slot 1 first.
TEST_F(AutoRunTest, OnlyARunThatChangesFilesSettlesAnInterruptedLog) {
  const std::string older = FormatNormalLine(u"/work/d/first.jpg", u"/work/d/IMG_0001.JPG");
  const std::string interrupted = FormatNormalLine(u"/work/d/two.jpg", u"/work/d/IMG_0002.JPG");
  fs_.AddFile(u"/prog/rename1.log", older);
  fs_.AddFile(u"/prog/rename0.log", interrupted);

  EXPECT_EQ(Run({u"/undo1", u"/test"}), kExitOk);
  EXPECT_NE(said_.out.find("first.jpg"), std::string::npos) << said_.out;
  EXPECT_NE(said_.err.find("awaits repair"), std::string::npos) << said_.err;
  EXPECT_EQ(fs_.Content(u"/prog/rename0.log"), interrupted);
  EXPECT_EQ(fs_.Content(u"/prog/rename1.log"), older);
  EXPECT_TRUE(fs_.renamed_.empty());

  EXPECT_EQ(Run({u"/undo1"}), kExitOk) << said_.err;
  EXPECT_EQ(Listing(u"/work/d/"), "IMG_0001.JPG=one notes.txt=bystander two.jpg=two");
  EXPECT_EQ(fs_.Content(u"/prog/rename2.log"), older);
  EXPECT_FALSE(fs_.Exists(u"/prog/rename0.log"));
}

// The steps work on the names and the disk changes once per file, at the end
// (PlayerTest chains two steps into one rename).
TEST_F(AutoRunTest, MacroFilesPlayTheirStepsAndExecuteOnce) {
  fs_.AddFile(u"/work/m/a.txt", "a", 130438512000000000LL);  // 2014-05-06 12:00, the run's zone
  const std::string header = "TS150\n";
  // `listing`: the folder afterwards; `summary`: in standard error.
  const struct { std::string macro; const char* listing; std::size_t renames; const char* summary;
  } cases[] = {
      // An empty playback: nothing to do, not a fault.
      {header, "a.txt=a", 0, " 0 renamed, 1 unchanged,"},
      // The date step ("YYYYMMDD" of the modification time, before the name)
      // reads the times of a.txt, not of the a.md the step before named.
      {header + EncodeStepLine(Step(2, {0, 0, 0}, u"md")) + EncodeStepLine(Step(9, {1, 7, 1})),
       "20140506a.md=a", 1, " 1 renamed, 0 unchanged,"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listing);
    fs_.AddFile(u"/work/m.bin", c.macro);
    fs_.renamed_.clear();
    EXPECT_EQ(Run({u"/autofile=/work/m.bin", u"/work/m/"}), kExitOk) << said_.err;
    EXPECT_NE(said_.err.find(c.summary), std::string::npos) << said_.err;
    EXPECT_EQ(Listing(u"/work/m/"), c.listing);
    std::size_t renames = 0;
    for (const auto& [from, to] : fs_.renamed_) renames += from.starts_with(u"/work/m/");
    EXPECT_EQ(renames, c.renames);
  }
}

TEST_F(AutoRunTest, EveryModeRunsFromTheCommandLine) {
  fs_.AddFile(u"/prog/macro1.bin", "TS150\n" + EncodeStepLine(Step(2, {0, 0, 0}, u"png")));
  const FileTime may_6_2014 = 130438512000000000LL;  // 2014-05-06 12:00 UTC, the run's zone
  const FileTime jan_2_2020 = 132224078450000000LL;  // 2020-01-02 03:04:05
  // The modes that take the same path here as the extension mode are checked
  // by ModePanelTest (their keys) and DispatcherTest (their names). The folder
  // follows `args` unless the list comes from elsewhere; `name_after` is a
  // regular expression.
  const struct { std::vector<std::u16string> args; const char* name_after;
      FileTime last_write = may_6_2014; std::uint32_t attributes = 0; } cases[] = {
      {{u"--mode=extension", u"--set", u"extstr=png"}, "Photo One\\.png"},
      {{u"--mode=serial", u"--set", u"renbanstr=p01", u"--set", u"numinspos=4"}, "p01\\.JPG"},
      {{u"--null", u"--mode=case", u"--set=bigsmall=0"}, "photo one\\.jpg"},  // path on stdin
      {{u"--mode=short", u"--set", u"real8_3=2"}, "photoo~1\\.jpg"},
      {{u"--csv=/work/list.csv"}, "listed\\.JPG"},
      {{u"--mode=random", u"--set", u"rndpattern=0", u"--set", u"rndlen=0", u"--set", u"rndext=0"},
       "[0-9]{4}\\.JPG"},
      {{u"--mode=timestamp", u"--set", u"creatmodif=1", u"--set", u"date=2020/01/02", u"--set",
        u"time=03:04:05"},
       "Photo One\\.JPG", jan_2_2020},
      {{u"--mode=attributes", u"--set", u"attribute=0x1222"}, "Photo One\\.JPG", may_6_2014,
       attr::kReadOnly},
      {{u"--mode=macro", u"--set", u"macrono=0"}, "Photo One\\.png"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::u16string folder = u"/work/m" + Utf8ToUtf16(std::to_string(++n)) + u"/";
    fs_.AddFile(folder + u"Photo One.JPG", "p", may_6_2014);
    fs_.AddFile(u"/work/list.csv", "\"" + Utf16ToUtf8(folder) + "Photo One.JPG\",\"listed.JPG\"\r\n");
    std::vector<std::u16string> args = c.args;
    const bool csv = args[0].starts_with(u"--csv");
    stdin_ = args[0] == u"--null" ? Utf16ToUtf8(folder) + '\0' : "";
    if (!csv && stdin_.empty()) args.push_back(folder);
    SCOPED_TRACE(Utf16ToUtf8(args[0]));
    EXPECT_EQ(Run(args), kExitOk) << said_.err;
    const std::vector<std::string> names = NamesIn(folder);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(std::regex_match(names[0], std::regex(c.name_after))) << names[0];
    const Result<FileInfo> info = fs_.Stat(folder + Utf8ToUtf16(names[0]));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->last_write_time, c.last_write);
    EXPECT_EQ(info->attributes & attr::kReadOnly, c.attributes);
  }
  // Values given with --set are for their run only.
  EXPECT_EQ(fs_.Content(u"/prog/tessivo.ini").value_or("").find("p01"), std::string::npos);

  // The logged runs, newest first: the macro's is in slot 1.
  EXPECT_EQ(Run({u"--logs"}), kExitOk);
  const std::string& logs = said_.out;
  EXPECT_EQ(std::count(logs.begin(), logs.end(), '\n'), 9);
  EXPECT_TRUE(logs.starts_with("1\t")) << logs;
  EXPECT_NE(logs.find("\t1\t/work/m9/Photo One.JPG -> /work/m9/Photo One.png\n"),
            std::string::npos)
      << logs;
}

TEST_F(AutoRunTest, RunsThatCannotStartExitWithTwo) {
  // No run switch, no such log, mode or CSV file: CliTest, which also sees
  // that the window is not started.
  const std::pair<std::vector<std::u16string>, const char*> cases[] = {
      {{u"/autofile=/work/missing.bin", u"/work/d"}, "macro file missing"},
      {{u"/autofile=/work/notes.bin", u"/work/d"}, "no macro header"},
      {{u"s/a/b/", u"/work/empty"}, "empty list: the preview is refused"},
      {{u"--mode=case", u"--set", u"bigsmall=7", u"/work/d"}, "a value outside its list"},
      {{u"--mode=case", u"--set", u"nosuch=1", u"/work/d"}, "no such key"},
  };
  fs_.AddFolder(u"/work/empty");
  fs_.AddFile(u"/work/notes.bin", "EXT000md\0\0\n");
  for (const auto& [args, why] : cases) {
    EXPECT_EQ(Run(args), kExitNotStarted) << why;
    EXPECT_LE(std::count(said_.err.begin(), said_.err.end(), '\n'), 1) << why << ": " << said_.err;
  }
  EXPECT_TRUE(fs_.renamed_.empty());

  // A log that cannot be written: one message line, nothing renamed.
  fs_.FailPath(FakeFileSystem::Op::kOpenAppend, u"/prog/rename0.log", ErrorCode::kNoSpace);
  EXPECT_EQ(Run({u"s/IMG/pic/", u"/work/d"}), kExitNotStarted);
  EXPECT_TRUE(said_.messages.starts_with("[Can't Write Log] ")) << said_.messages;
  EXPECT_EQ(std::count(said_.messages.begin(), said_.messages.end(), '\n'), 1);
  EXPECT_TRUE(said_.err.empty() && fs_.renamed_.empty());
}

TEST_F(AutoRunTest, FailedChangeGivesExitOneAndTheSystemsReason) {
  fs_.FailPath(FakeFileSystem::Op::kRenameNoReplace, u"/work/d/IMG_0001.JPG",
               ErrorCode::kPermission);
  EXPECT_EQ(Run({u"s/IMG/pic/", u"/work/d"}), kExitFailed);
  EXPECT_EQ(Listing(u"/work/d/"), "IMG_0001.JPG=one notes.txt=bystander pic_0002.JPG=two");
  EXPECT_NE(said_.err.find("failed: /work/d/IMG_0001.JPG -> /work/d/pic_0001.JPG: permission "
                           "denied\ntessivo: 1 renamed, 1 unchanged, 0 with a collision serial, "
                           "1 failed, 0 skipped by validation\n"),
            std::string::npos)
      << said_.err;
  // An attribute change names the file alone.
  fs_.FailPath(FakeFileSystem::Op::kSetAttributes, u"/work/d/notes.txt", ErrorCode::kNotFound);
  EXPECT_EQ(Run({u"/autoattr1---", u"/work/d/notes.txt"}), kExitFailed);
  EXPECT_NE(said_.err.find("failed: /work/d/notes.txt: file not found\n"), std::string::npos)
      << said_.err;
}

TEST(AbsolutePathTest, RelativePathsAreTakenFromTheWorkingFolder) {
  const struct {
    const char16_t *path, *cwd, *expected;
  } cases[] = {
      {u"d", u"/work", u"/work/d"},         {u"./d/../e/", u"/work/", u"/work/e"},
      {u"/abs//x/.", u"/work", u"/abs/x"},  {u"../../..", u"/a/b", u"/"},
      {u"/", u"/work", u"/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AbsolutePath(c.path, c.cwd), c.expected) << Utf16ToUtf8(c.path);
  }
}

}  // namespace
}  // namespace tessivo
