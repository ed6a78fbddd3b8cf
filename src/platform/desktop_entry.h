#pragma once
// The folder context-menu entry: a desktop entry that offers Tessivo for
// folders (MIME type inode/directory) in file managers. The setting
// `dispcmenu` is derived from it: the entry counts as installed when its file
// exists and its Name holds "Tessivo" or "テッシーヴォ".
//
// Stored format: $XDG_DATA_HOME/applications/tessivo-folder.desktop (default
// ~/.local/share/applications/), UTF-8, lines ending in LF:
//   [Desktop Entry]
//   Type=Application
//   Name=<display name> へ
//   Exec="<executable>" %F
//   MimeType=inode/directory;
//   NoDisplay=true
//   Terminal=false
// NoDisplay keeps it out of the application menus; it still appears among
// the programs a folder can be opened with.

#include <string>
#include <string_view>

#include "base/result.h"
#include "platform/file_system.h"
#include "platform/program_folder.h"

namespace tessivo {

inline constexpr std::u16string_view kDesktopEntryName = u"tessivo-folder.desktop";

// Where the entry lives; empty when neither XDG_DATA_HOME nor the home
// folder is usable.
std::u16string DesktopEntryPath(const ProgramEnvironment& env);

// The file's content for `executable` and `display_name` ("Tessivo" or
// "テッシーヴォ").
std::string DesktopEntryText(std::u16string_view executable, std::u16string_view display_name);

bool IsDesktopEntryInstalled(const ProgramEnvironment& env, FileSystem& fs);

// Writes the entry (making the applications folder when missing) for
// env.executable. Fails with kNotFound when there is no place for it or no
// executable path, else with the error of the write.
Status InstallDesktopEntry(const ProgramEnvironment& env, FileSystem& fs,
                           std::u16string_view display_name);

// Removes the entry; kNotFound when it is not there.
Status RemoveDesktopEntry(const ProgramEnvironment& env, FileSystem& fs);

}  // namespace tessivo
