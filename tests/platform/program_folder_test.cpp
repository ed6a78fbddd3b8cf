#include "platform/program_folder.h"

#include <gtest/gtest.h>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

ProgramEnvironment Env(std::u16string home_var, std::u16string exe) {
  return {std::move(home_var), u"", u"", u"/home/u", std::move(exe)};
}

TEST(ProgramFolderTest, ChoosesTheFolderByTheRules) {
  const std::u16string exe = u"/opt/tessivo/bin/tessivo";
  const std::u16string local = u"/home/u/.local/share/tessivo/";
  const std::u16string reg = u"/home/u/.config/tessivo/registry.ini";
  const struct {
    const char* what;
    ProgramEnvironment env;
    bool exe_use_ini;            // "use.ini" beside the executable
    std::u16string want_folder;  // empty: the rules give none
    std::u16string want_registry;
  } cases[] = {
      {"TESSIVO_HOME first", {u"/th", u"/xd", u"/xc", u"/home/u", exe}, true, u"/th/",
       u"/xc/tessivo/registry.ini"},
      {"TESSIVO_HOME trailing slash", {u"/th//", u"", u"", u"/home/u", exe}, false, u"/th/", reg},
      {"relative TESSIVO_HOME ignored", {u"th", u"", u"", u"/home/u", exe}, false, local, reg},
      {"portable install", {u"", u"/xd", u"", u"/home/u", exe}, true, u"/opt/tessivo/bin/", reg},
      {"XDG_DATA_HOME", {u"", u"/xd/", u"", u"/home/u", exe}, false, u"/xd/tessivo/", reg},
      {"relative XDG ignored", {u"", u"xd", u"xc", u"/home/u/", exe}, false, local, reg},
      {"no executable path", {u"", u"", u"", u"/home/u", u""}, false, local, reg},
      {"nothing usable", {u"", u"", u"", u"", exe}, false, u"", u""},
      {"only XDG variables", {u"", u"/xd", u"/xc", u"", exe}, false, u"/xd/tessivo/",
       u"/xc/tessivo/registry.ini"},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    fs.AddFile(exe, "ELF");
    if (c.exe_use_ini) fs.AddFile(u"/opt/tessivo/bin/use.ini");
    auto loc = LocateProgram(c.env, fs);
    if (c.want_folder.empty()) {
      EXPECT_EQ(loc.error().code, ErrorCode::kNotFound) << c.what;
      continue;
    }
    ASSERT_TRUE(loc) << c.what;
    EXPECT_EQ(Utf16ToUtf8(loc->folder), Utf16ToUtf8(c.want_folder)) << c.what;
    EXPECT_EQ(Utf16ToUtf8(loc->registry_path), Utf16ToUtf8(c.want_registry)) << c.what;
    EXPECT_EQ(loc->ini_path, c.want_folder + u"tessivo.ini") << c.what;
    EXPECT_TRUE(fs.IsFolder(c.want_folder)) << c.what;
    // A portable install makes no folder at all, not even the registry one.
    if (c.exe_use_ini && c.env.tessivo_home.empty()) {
      EXPECT_TRUE(loc->use_ini);
      EXPECT_TRUE(fs.folders_created_.empty());
    }
  }
}

TEST(ProgramFolderTest, UseIniMustBeAFile) {
  const struct {
    const char* what;
    bool file, folder, want_ini;
  } cases[] = {{"absent", false, false, false},
               {"a file", true, false, true},
               {"a folder of that name", false, true, false}};
  for (const auto& c : cases) {
    FakeFileSystem fs;
    if (c.file) fs.AddFile(u"/th/use.ini");
    if (c.folder) fs.AddFolder(u"/th/use.ini");
    auto loc = LocateProgram(Env(u"/th", u"/usr/bin/tessivo"), fs);
    ASSERT_TRUE(loc) << c.what;
    EXPECT_EQ(loc->use_ini, c.want_ini) << c.what;
    // The registry folder is made only for the registry back-end.
    EXPECT_EQ(fs.IsFolder(u"/home/u/.config/tessivo"), !c.want_ini) << c.what;
  }
  // A folder named use.ini beside the executable is no portable install.
  FakeFileSystem fs;
  fs.AddFolder(u"/opt/t/use.ini");
  EXPECT_EQ(LocateProgram(Env(u"", u"/opt/t/tessivo"), fs)->folder,
            u"/home/u/.local/share/tessivo/");
}

TEST(ProgramFolderTest, FailsWhenTheFolderCannotBeMade) {
  FakeFileSystem fs;
  fs.AddFile(u"/th", "a file in the way");
  EXPECT_EQ(LocateProgram(Env(u"/th/sub", u""), fs).error().code, ErrorCode::kExists);
  fs.FailNthCall(FakeFileSystem::Op::kCreateFolders, 1, ErrorCode::kPermission);
  EXPECT_EQ(LocateProgram(Env(u"", u""), fs).error().code, ErrorCode::kPermission);
}

TEST(ProgramFolderTest, FilePathsFillTheNumber) {
  for (std::u16string_view folder : {u"/p/", u"/p"}) {
    EXPECT_EQ(ProgramFilePath(folder, kRenameLogName, 10), u"/p/rename10.log");
    EXPECT_EQ(ProgramFilePath(folder, kMacroRecordingName, 0), u"/p/macro0");
    EXPECT_EQ(ProgramFilePath(folder, kMacroListName, 7), u"/p/macro.lst");  // no number
  }
}

TEST(ProgramFolderTest, FromProcessReadsTheEnvironment) {
  ::setenv("TESSIVO_HOME", "/some/where", 1);
  ::setenv("XDG_DATA_HOME", "", 1);
  ProgramEnvironment env = ProgramEnvironment::FromProcess();
  ::unsetenv("TESSIVO_HOME");
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(env.tessivo_home, u"/some/where");
  EXPECT_TRUE(env.xdg_data_home.empty());
  EXPECT_FALSE(env.home.empty());
  EXPECT_NE(env.executable.find(u"tessivo_platform_tests"), std::u16string::npos);
}

}  // namespace
}  // namespace tessivo
