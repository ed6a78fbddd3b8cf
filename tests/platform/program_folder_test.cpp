#include "platform/program_folder.h"

#include <gtest/gtest.h>

#include "platform/desktop_entry.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

ProgramEnvironment Env(std::u16string home_var, std::u16string exe) {
  return {std::move(home_var), u"", u"", u"/home/u", std::move(exe)};
}

TEST(ProgramFolderTest, ChoosesTheFolderByTheRules) {
  const std::u16string exe = u"/opt/tessivo/bin/tessivo";
  const std::u16string exe_use_ini = u"/opt/tessivo/bin/use.ini";
  const std::u16string local = u"/home/u/.local/share/tessivo/";
  const std::u16string reg = u"/home/u/.config/tessivo/registry.ini";
  const std::u16string xc_reg = u"/xc/tessivo/registry.ini";
  const struct {
    const char* what;
    ProgramEnvironment env;
    std::u16string use_ini_file, use_ini_folder;  // "use.ini" made as a file or a folder
    std::u16string want_folder;  // empty: the rules give none
    std::u16string want_registry;
    bool want_use_ini;
  } cases[] = {
      {"TESSIVO_HOME first", {u"/th", u"/xd", u"/xc", u"/home/u", exe}, exe_use_ini, u"", u"/th/",
       xc_reg, false},
      {"TESSIVO_HOME trailing slash", {u"/th//", u"", u"", u"/home/u", exe}, u"", u"", u"/th/",
       reg, false},
      {"use.ini in TESSIVO_HOME", Env(u"/th", exe), u"/th/use.ini", u"", u"/th/", reg, true},
      {"use.ini must be a file", Env(u"/th", exe), u"", u"/th/use.ini", u"/th/", reg, false},
      {"portable install", {u"", u"/xd", u"", u"/home/u", exe}, exe_use_ini, u"",
       u"/opt/tessivo/bin/", reg, true},
      {"no portable install by a folder", Env(u"", exe), u"", exe_use_ini, local, reg, false},
      {"XDG_DATA_HOME", {u"", u"/xd/", u"", u"/home/u", exe}, u"", u"", u"/xd/tessivo/", reg,
       false},
      {"relative XDG ignored", {u"", u"xd", u"xc", u"/home/u/", exe}, u"", u"", local, reg, false},
      {"no executable path", Env(u"", u""), u"", u"", local, reg, false},
      {"nothing usable", {u"", u"", u"", u"", exe}, u"", u"", u"", u"", false},
      {"only XDG variables", {u"", u"/xd", u"/xc", u"", exe}, u"", u"", u"/xd/tessivo/", xc_reg,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFileSystem fs;
    fs.AddFile(exe, "ELF");
    if (!c.use_ini_file.empty()) fs.AddFile(c.use_ini_file);
    if (!c.use_ini_folder.empty()) fs.AddFolder(c.use_ini_folder);
    auto loc = LocateProgram(c.env, fs);
    if (c.want_folder.empty()) {
      EXPECT_EQ(loc.error().code, ErrorCode::kNotFound);
      continue;
    }
    ASSERT_TRUE(loc);
    EXPECT_EQ(Utf16ToUtf8(loc->folder), Utf16ToUtf8(c.want_folder));
    EXPECT_EQ(Utf16ToUtf8(loc->registry_path), Utf16ToUtf8(c.want_registry));
    EXPECT_EQ(loc->ini_path, c.want_folder + u"tessivo.ini");
    EXPECT_EQ(loc->use_ini, c.want_use_ini);
    EXPECT_TRUE(fs.Stat(c.want_folder)->is_directory);
    // The registry folder is made only for the registry back-end; a portable
    // install makes no folder at all.
    const std::u16string reg_folder = c.want_registry.substr(0, c.want_registry.rfind(u'/'));
    EXPECT_EQ(fs.Exists(reg_folder), !c.want_use_ini);
    EXPECT_TRUE(!c.want_use_ini || fs.folders_created_.empty());
  }
}

TEST(ProgramFolderTest, FailsWhenTheFolderCannotBeMadeOrTessivoHomeIsRelative) {
  FakeFileSystem fs;
  auto relative = LocateProgram(Env(u"th", u""), fs);
  ASSERT_FALSE(relative);
  EXPECT_EQ(relative.error().code, ErrorCode::kInvalidArgument);
  EXPECT_NE(relative.error().detail.find(u"TESSIVO_HOME"), std::u16string::npos);
  EXPECT_TRUE(fs.folders_created_.empty());

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

const ProgramEnvironment kEnv{u"", u"", u"", u"/home/u", u"/opt/t/tessivo"};
const std::u16string kEntry = u"/home/u/.local/share/applications/tessivo-folder.desktop";

TEST(DesktopEntryTest, InstallQueryRemoveAndFailures) {
  FakeFileSystem fs;
  EXPECT_FALSE(IsDesktopEntryInstalled(kEnv, fs));
  fs.FailNthCall(FakeFileSystem::Op::kWriteFileAtomic, 1, ErrorCode::kNoSpace);
  EXPECT_EQ(InstallDesktopEntry(kEnv, fs, u"Tessivo").error().code, ErrorCode::kNoSpace);
  EXPECT_FALSE(IsDesktopEntryInstalled(kEnv, fs));
  ASSERT_TRUE(InstallDesktopEntry(kEnv, fs, u"Tessivo"));
  EXPECT_EQ(fs.Content(kEntry),
            "[Desktop Entry]\nType=Application\nName=Tessivo \xE3\x81\xB8\n"
            "Exec=\"/opt/t/tessivo\" %F\nMimeType=inode/directory;\nNoDisplay=true\n"
            "Terminal=false\n");
  EXPECT_TRUE(IsDesktopEntryInstalled(kEnv, fs));
  ASSERT_TRUE(RemoveDesktopEntry(kEnv, fs));
  EXPECT_FALSE(IsDesktopEntryInstalled(kEnv, fs));
  EXPECT_EQ(RemoveDesktopEntry(kEnv, fs).error().code, ErrorCode::kNotFound);
  // No home folder, or no executable path: nothing to install.
  for (const ProgramEnvironment& env : {ProgramEnvironment{u"", u"", u"", u"", u"/opt/t/tessivo"},
                                        ProgramEnvironment{u"", u"", u"", u"/home/u", u""}}) {
    EXPECT_EQ(InstallDesktopEntry(env, fs, u"Tessivo").error().code, ErrorCode::kNotFound);
  }
  ProgramEnvironment xdg = kEnv;
  xdg.xdg_data_home = u"/xd";
  EXPECT_EQ(DesktopEntryPath(xdg), u"/xd/applications/tessivo-folder.desktop");
}

TEST(DesktopEntryTest, InstalledOnlyWhenTheNameSaysSo) {
  const struct { std::string text; bool installed; } cases[] = {
      {"[Desktop Entry]\nName=\xE3\x83\x86\xE3\x83\x83\xE3\x82\xB7\xE3\x83\xBC\xE3\x83\xB4"
       "\xE3\x82\xA9 \xE3\x81\xB8\n", true},
      {"[Desktop Entry]\nName=Other program\nComment=Tessivo\n", false},
      {"[Desktop Entry]\nName[ja]=Tessivo\n", false},  {"", false},
      {"Name=Tessivo", true},  // no final line break
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    fs.AddFile(kEntry, c.text);
    EXPECT_EQ(IsDesktopEntryInstalled(kEnv, fs), c.installed) << c.text;
  }
}

TEST(DesktopEntryTest, ExecQuotesAwkwardPaths) {
  const struct { std::u16string exe; std::string exec_line; } cases[] = {
      {u"/a b/tessivo", "Exec=\"/a b/tessivo\" %F"}, {u"/a\"b/t", "Exec=\"/a\\\\\"b/t\" %F"},
      {u"/a$b`c/t", "Exec=\"/a\\\\$b\\\\`c/t\" %F"}, {u"/a\\b/t", "Exec=\"/a\\\\\\\\b/t\" %F"},
      {u"/100%/t", "Exec=\"/100%%/t\" %F"},
  };
  for (const auto& c : cases) {
    std::string text = DesktopEntryText(c.exe, u"Tessivo");
    EXPECT_NE(text.find(c.exec_line + "\n"), std::string::npos) << Utf16ToUtf8(c.exe) << text;
  }
}

}  // namespace
}  // namespace tessivo
