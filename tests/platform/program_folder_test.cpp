#include "platform/program_folder.h"

#include <gtest/gtest.h>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

struct Case {
  const char* what;
  ProgramEnvironment env;
  bool exe_use_ini;     // "use.ini" beside the executable
  std::u16string want_folder;  // empty: the rules give none
  std::u16string want_registry;
};

TEST(ProgramFolderTest, ChoosesTheFolderByTheRules) {
  const std::u16string exe = u"/opt/tessivo/bin/tessivo";
  const Case cases[] = {
      {"TESSIVO_HOME first", {u"/th", u"/xd", u"/xc", u"/home/u", exe}, true, u"/th/",
       u"/xc/tessivo/registry.ini"},
      {"TESSIVO_HOME trailing slash", {u"/th//", u"", u"", u"/home/u", exe}, false, u"/th/",
       u"/home/u/.config/tessivo/registry.ini"},
      {"relative TESSIVO_HOME ignored", {u"th", u"", u"", u"/home/u", exe}, false,
       u"/home/u/.local/share/tessivo/", u"/home/u/.config/tessivo/registry.ini"},
      {"portable install", {u"", u"/xd", u"", u"/home/u", exe}, true, u"/opt/tessivo/bin/",
       u"/home/u/.config/tessivo/registry.ini"},
      {"XDG_DATA_HOME", {u"", u"/xd/", u"", u"/home/u", exe}, false, u"/xd/tessivo/",
       u"/home/u/.config/tessivo/registry.ini"},
      {"relative XDG ignored", {u"", u"xd", u"xc", u"/home/u/", exe}, false,
       u"/home/u/.local/share/tessivo/", u"/home/u/.config/tessivo/registry.ini"},
      {"no executable path", {u"", u"", u"", u"/home/u", u""}, false,
       u"/home/u/.local/share/tessivo/", u"/home/u/.config/tessivo/registry.ini"},
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
      ASSERT_FALSE(loc) << c.what;
      EXPECT_EQ(loc.error().code, ErrorCode::kNotFound) << c.what;
      continue;
    }
    ASSERT_TRUE(loc) << c.what;
    EXPECT_EQ(Utf16ToUtf8(loc->folder), Utf16ToUtf8(c.want_folder)) << c.what;
    EXPECT_EQ(Utf16ToUtf8(loc->registry_path), Utf16ToUtf8(c.want_registry)) << c.what;
    EXPECT_EQ(loc->ini_path, c.want_folder + u"tessivo.ini") << c.what;
    EXPECT_TRUE(fs.IsFolder(c.want_folder)) << c.what;
  }
}

TEST(ProgramFolderTest, MakesOnlyTheFoldersItOwns) {
  FakeFileSystem fs;
  fs.AddFile(u"/opt/t/tessivo");
  fs.AddFile(u"/opt/t/use.ini");
  ProgramEnvironment env{u"", u"", u"", u"/home/u", u"/opt/t/tessivo"};
  auto loc = LocateProgram(env, fs);
  ASSERT_TRUE(loc);
  EXPECT_TRUE(loc->use_ini);
  // Portable: nothing made, not even the registry folder.
  EXPECT_TRUE(fs.folders_created_.empty());

  FakeFileSystem fresh;
  ProgramEnvironment home{u"", u"", u"", u"/home/u", u"/usr/bin/tessivo"};
  ASSERT_TRUE(LocateProgram(home, fresh));
  EXPECT_TRUE(fresh.IsFolder(u"/home/u/.local/share/tessivo"));
  EXPECT_TRUE(fresh.IsFolder(u"/home/u/.config/tessivo"));
}

TEST(ProgramFolderTest, UseIniMustBeAFile) {
  const struct {
    const char* what;
    bool file;
    bool folder;
    bool want_ini;
  } cases[] = {{"absent", false, false, false},
               {"a file", true, false, true},
               {"a folder of that name", false, true, false}};
  for (const auto& c : cases) {
    FakeFileSystem fs;
    if (c.file) fs.AddFile(u"/th/use.ini");
    if (c.folder) fs.AddFolder(u"/th/use.ini");
    ProgramEnvironment env{u"/th", u"", u"", u"/home/u", u"/usr/bin/tessivo"};
    auto loc = LocateProgram(env, fs);
    ASSERT_TRUE(loc) << c.what;
    EXPECT_EQ(loc->use_ini, c.want_ini) << c.what;
    // The registry folder is made only for the registry back-end.
    EXPECT_EQ(fs.IsFolder(u"/home/u/.config/tessivo"), !c.want_ini) << c.what;
  }
  // A folder named use.ini beside the executable is no portable install.
  FakeFileSystem fs;
  fs.AddFolder(u"/opt/t/use.ini");
  ProgramEnvironment env{u"", u"", u"", u"/home/u", u"/opt/t/tessivo"};
  EXPECT_EQ(LocateProgram(env, fs)->folder, u"/home/u/.local/share/tessivo/");
}

TEST(ProgramFolderTest, FailsWhenTheFolderCannotBeMade) {
  FakeFileSystem fs;
  fs.AddFile(u"/th", "a file in the way");
  ProgramEnvironment env{u"/th/sub", u"", u"", u"/home/u", u""};
  EXPECT_EQ(LocateProgram(env, fs).error().code, ErrorCode::kExists);
  fs.FailNthCall(FakeFileSystem::Op::kCreateFolders, 1, ErrorCode::kPermission);
  ProgramEnvironment home{u"", u"", u"", u"/home/u", u""};
  EXPECT_EQ(LocateProgram(home, fs).error().code, ErrorCode::kPermission);
}

TEST(ProgramFolderTest, FilePathsFillTheNumber) {
  const struct {
    std::u16string_view pattern;
    int number;
    std::u16string want;
  } cases[] = {
      {kRenameLogName, 0, u"/p/rename0.log"},   {kRenameLogName, 10, u"/p/rename10.log"},
      {kMacroFileName, 25, u"/p/macro25.bin"},  {kMacroRecordingName, 0, u"/p/macro0"},
      {kMacroListName, 7, u"/p/macro.lst"},     {kEditorExchangeName, 0, u"/p/edit_ren.txt"},
      {kMacroEditorName, 0, u"/p/tessivmacroedit"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgramFilePath(u"/p/", c.pattern, c.number), c.want) << Utf16ToUtf8(c.want);
    EXPECT_EQ(ProgramFilePath(u"/p", c.pattern, c.number), c.want) << Utf16ToUtf8(c.want);
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
  ASSERT_FALSE(env.executable.empty());
  EXPECT_NE(env.executable.find(u"tessivo_platform_tests"), std::u16string::npos);
}

}  // namespace
}  // namespace tessivo
