#include "platform/desktop_entry.h"

#include <gtest/gtest.h>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

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
