#pragma once
// Where Tessivo keeps its own files, and what they are called.
//
// The program folder is, in this order:
//   1. $TESSIVO_HOME (made when missing);
//   2. the executable's own folder, when a file "use.ini" is there (a
//      portable install);
//   3. $XDG_DATA_HOME/tessivo/, by default ~/.local/share/tessivo/ (made when
//      missing).
// An empty variable counts as unset. A relative TESSIVO_HOME is an error;
// relative XDG variables are ignored. Folders made here get mode 0700.
//
// The settings go to "tessivo.ini" in the program folder when "use.ini" is a
// file there (the ini back-end), else to the registry back-end's file
// $XDG_CONFIG_HOME/tessivo/registry.ini (default ~/.config/tessivo/).
//
// Nothing here reads the process environment except
// ProgramEnvironment::FromProcess, so the rules are tested with made-up
// environments and the fake file system.

#include <string>
#include <string_view>

#include "base/result.h"
#include "platform/file_system.h"

namespace tessivo {

// The inputs of the rules. Empty means unset.
struct ProgramEnvironment {
  std::u16string tessivo_home;     // $TESSIVO_HOME
  std::u16string xdg_data_home;    // $XDG_DATA_HOME
  std::u16string xdg_config_home;  // $XDG_CONFIG_HOME
  std::u16string home;             // $HOME, else the home folder of the user
  std::u16string executable;       // full path of the running program

  // Reads the variables and /proc/self/exe.
  static ProgramEnvironment FromProcess();
};

struct ProgramLocation {
  std::u16string folder;         // the program folder, ending in "/"
  bool use_ini = false;          // "use.ini" is a file in it
  std::u16string ini_path;       // folder + "tessivo.ini"
  std::u16string registry_path;  // the registry back-end's file
};

// Applies the rules and makes the program folder when it is missing, and the
// registry back-end's folder when that back-end is in use (a failure to make
// the latter is left to the first write of the settings to find). Fails with
// kInvalidArgument for a relative TESSIVO_HOME, kNotFound when no rule gives
// an absolute folder (no usable variable and no home folder), or with the
// error of making the folder.
Result<ProgramLocation> LocateProgram(const ProgramEnvironment& env, FileSystem& fs);

// The XDG base folders after the defaults, without a trailing "/"; empty when
// neither the variable nor the home folder is usable.
std::u16string DataHome(const ProgramEnvironment& env);
std::u16string ConfigHome(const ProgramEnvironment& env);

// File names of the program folder (stored names: other installs and the
// macro editor look for exactly these). "%d" stands for a number.
inline constexpr std::u16string_view kRenameLogName = u"rename%d.log";
inline constexpr std::u16string_view kMacroFileName = u"macro%d.bin";
inline constexpr std::u16string_view kMacroRecordingName = u"macro%d";  // with 0: "macro0"
inline constexpr std::u16string_view kMacroListName = u"macro.lst";
inline constexpr std::u16string_view kIniFileName = u"tessivo.ini";
inline constexpr std::u16string_view kUseIniName = u"use.ini";
inline constexpr std::u16string_view kEditorExchangeName = u"edit_ren.txt";
inline constexpr std::u16string_view kMacroEditorName = u"tessivmacroedit";
inline constexpr std::u16string_view kRegistryFileName = u"registry.ini";

// `folder` (a "/" is added when missing) + `pattern` with its "%d" replaced
// by `number`.
std::u16string ProgramFilePath(std::u16string_view folder, std::u16string_view pattern,
                               int number = 0);

}  // namespace tessivo
