#pragma once
// ComputeNewName: hands one row of a preview to the transform of the current
// rename mode, and ModeContext, everything those transforms need for one run.
//
// The contract every mode follows: the input is the row's source path
// (folder + current name, at most 259 characters); the result is the full
// new path, the source's folder unchanged followed by the new name, cut to
// 259 characters. The caller takes the new name by dropping as many leading
// characters as the folder has. A transform never fails: where it cannot do
// its work it leaves the name unchanged. Two modes return something else:
// the timestamp mode (13) and the attribute mode (14) return the description
// the new-name cell shows, and the macro mode (19) returns the source as it
// is (its steps run through ComputeNewName with their own modes).
//
// Each mode's transform is its descriptor's `compute` (modes/mode_descriptor.h);
// ComputeNewName only finds the descriptor.
//
// A ModeContext lives for one run (one preview or execution, or one step of
// a macro playback) and is used from the window's thread only.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include <memory>

#include "config/settings.h"

#include "modes/add_delete.h"
#include "modes/attributes.h"
#include "modes/capture_time.h"
#include "modes/date_name.h"
#include "modes/calendar.h"
#include "modes/extension.h"
#include "modes/letter_case.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"
#include "modes/position_edit.h"
#include "modes/random_name.h"
#include "modes/replace.h"
#include "modes/serial.h"
#include "modes/short_name.h"
#include "modes/timestamp.h"
#include "modes/width.h"
#include "platform/file_system.h"

namespace tessivo {

// The short names of one folder's entries, made once per run where the file
// system keeps none (see ComputeNewName, mode 6).
struct FolderShortNames {
  bool listed = false;  // false: the folder could not be listed
  FolderNameSet taken;  // every long name and every short name given out
  std::unordered_map<std::u16string, std::u16string> short_of;  // long name -> short name
};

struct ModeContext {
  // Borrowed for the run; they must outlive the context.
  FileSystem& fs;
  const LocalTimeZone& zone;
  // Position edit and extension read fields 1007 and 1008 when a row is
  // computed, not when the context is built.
  const ModePanel& panel;
  const PositionEditState& position_edit;
  FileTime now;  // the start of the run (UTC)

  // Parameters, taken from Settings when the context is built, each mode's
  // by its descriptor's `prepare`.
  PositionEditParams position_edit_params;
  ExtensionParams extension;
  LetterCaseParams letter_case;
  ExceptionWordTable exceptions;
  ShortNameParams short_name;
  TimestampParams timestamp;
  AttributeRequests attributes;
  // The decoded serial, add, search and replacement texts, for the modes
  // that use them.
  ModeTexts texts;
  bool file_dir = false;  // the list holds folders
  SerialParams serial;
  AddParams add;  // the position is read from field 1630 when a row is computed
  DeleteParams erase;
  ReplaceParams replace;
  WidthParams width;
  DateParams date;  // the unit characters are read from box 1740 when a row is computed
  RandomNameParams random_name;
  // The program's one generator; without it the random mode keeps the preset.
  RandomGenerator* random = nullptr;

  // Per-run state.
  std::optional<bool> fat_run;  // decided from the first timestamp row
  std::unordered_map<std::u16string, FolderShortNames> short_name_folders;  // by folder
  SerialRunState serial_run;              // per-folder counters of the serial mode
  std::unique_ptr<RegexCache> regex;      // made on the first replace row of the run
};

// Builds the context of a run from Settings (after ReadModeParameters) and
// the panel: the parameters of every mode, the exception word lists rebuilt
// from `bsexcept0`..`bsexcept2`, the timestamp pickers (date of 1603, time of
// 1604) and `now` (a UTC file time, turned into local time through `zone`).
// It also brings the position map up to date with field 1007
// (UpdatePositionMap), as every confirm and execute does before names are
// computed.
ModeContext BuildModeContext(const Settings& settings, const ModePanel& panel,
                             const ModeTexts& texts, PositionEditState& position_edit,
                             FileSystem& fs, const LocalTimeZone& zone, FileTime now);

// The new full path (or cell text, modes 13 and 14) of the row whose source
// path is `source_path`. `preset_destination` is the row's folder + current
// new name; modes without a transform return it unchanged. `row_ordinal`
// counts the rows of the run before this one that were not excluded, from 0.
// `disk_path` is where the row's file is on disk (folder + old name); empty
// means `source_path`. The date mode reads the file's times there, since
// during a macro playback `source_path` carries the name an earlier step made.
//
// Mode 6 asks the file system for the entry's short name. Where it keeps
// none (kNotSupported), the short names of the whole folder are made on the
// folder's first row of the run: the folder is listed once, and its entries,
// in listing order, each get GenerateShortName against every long name of
// the folder and every short name already given out, so two rows of one
// folder never get the same short name. Any other failure, a folder that
// cannot be listed or an entry without a short name leaves the long name
// (`real8_3` still applies).
std::u16string ComputeNewName(ModeContext& ctx, const std::u16string& source_path,
                              const std::u16string& preset_destination, int mode,
                              std::int64_t row_ordinal, const std::u16string& disk_path = {});

}  // namespace tessivo
