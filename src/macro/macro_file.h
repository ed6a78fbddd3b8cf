#pragma once
// MacroFile: the stored form of a recorded macro, its writer and its reader.
//
// Stored format (macro files move between installs and are edited by the
// separate macro editor; do not change it). Code page 932 bytes, each line
// ending in LF, text fields ending in NUL:
//
//   header   "TS" + version "15" + '0' (the list held files) or '1' (folders)
//            + LF: 6 bytes. Readers take versions 11 to 15.
//   step     code (3) + three parameter characters ('0' + value) + text 1 +
//            NUL + text 2 + NUL + LF: 9 + t1 + t2 bytes. Each mode's
//            descriptor holds its code ("EXT" "123" "Aa " "ZH " "8_3" "ADD"
//            "DEL" "TIM" "REP" "dmy" "RND" for RenameMode 2 to 12) and the
//            largest character of each parameter. A parameter character may
//            pass '9' (':' is 10).
//   position "EDT" + map entries 0..258 (two characters each) + '0'/'1'
//   edit     (extension left out) + '0' + ' ' + template + NUL + LF:
//            526 + t bytes. A map entry is clamped into -1..260; 255..260 are
//            written "+0".."+5", every other value v as "%02x" of v + 1.
//
// A text field is the UTF-16 text cut at its first NUL, escaped into the code
// page (EscapeNonAnsi, capacity 779: "\u%04x" for what the code page lacks),
// then passed through ScrambleText when it is 1 to 2600 bytes long. Reading
// undoes both (UnescapeText with capacity 259, so a text reads back as at
// most 258 code units).
//
// The reader works on the bytes of one file, of which it keeps the first
// 65536, and reads every byte beyond them as 0, so a damaged, truncated or
// hostile file ends the playback at the first line it cannot take and is
// never read past its end. It has no side effects: showing messages and
// putting the values into the mode panel are the player's.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "modes/mode_descriptor.h"

namespace tessivo {

inline constexpr int kMacroFileVersion = 15;
inline constexpr int kOldestMacroFileVersion = 11;
// Bytes of a macro file read for a playback; the rest is ignored.
inline constexpr std::size_t kMacroReadLimit = 65536;
// No step is appended to a recording file of this many bytes or more.
inline constexpr std::size_t kRecordingSizeLimit = 64736;
// Texts of this many bytes or fewer are scrambled.
inline constexpr std::size_t kScrambleLimit = 2600;
// Escape capacities of the text fields, in code units.
inline constexpr std::size_t kStepTextWriteCapacity = 779;
inline constexpr std::size_t kStepTextReadCapacity = 259;

// Map entries written in a position-edit line (the last one is not).
inline constexpr std::size_t kPositionMapWritten = 259;
inline constexpr std::size_t kPositionEditLineFixed = 526;
inline constexpr std::size_t kStepLineFixed = 9;

// The step code of RenameMode `mode` ("dmy" for 11, "EDT" for 1); empty for
// a mode that is not recorded.
std::string_view StepCode(int mode);
// The largest value each parameter of a parameter step may have; a reader
// refuses a line whose parameter lies above it (or below 0). Zeros for
// other modes.
std::array<int, 3> StepParamLimits(int mode);

// Flips bit 0x40 of every byte whose low six bits are not all zero, when the
// text is 1 to kScrambleLimit bytes long; its own inverse. Bytes 0x00, 0x40,
// 0x80 and 0xC0 stay, so a field never gains or loses a NUL.
void ScrambleText(std::string& bytes);

// The 6-byte header line.
std::string EncodeMacroHeader(bool folders);
// The line of `step`: the position-edit line or the step line, as the
// mode's descriptor stores it; empty for a mode that is not recorded. Parameters are clamped into
// 0..StepParamLimits, so every written line can be read back.
std::string EncodeStepLine(const MacroStep& step);
// One map entry in its two stored characters.
std::string EncodeMapEntry(std::int32_t value);
// A text field: cut at the first NUL, escaped, scrambled.
std::string EncodeStepText(std::u16string_view text);
// The inverse of EncodeStepText for the bytes of one field.
std::u16string DecodeStepText(std::string_view field);

enum class MacroRead {
  kStep,                // `step` holds the step; the position moved past it
  kHeader,              // a header of a readable version; the position moved past it
  kEnd,                 // the end of the steps, or a line that cannot be read
  kUnsupportedVersion,  // a header whose version is not 11..15 (playback ends)
};

// Reads a macro file line by line.
class MacroReader {
 public:
  MacroReader() = default;
  // Keeps the first kMacroReadLimit bytes of `data`.
  explicit MacroReader(std::string_view data);

  // Reads the line at the current position. After kEnd and
  // kUnsupportedVersion the position stays where it was.
  MacroRead Next();

  // The step of the last kStep.
  const MacroStep& step() const { return step_; }
  // The version of the last header read (kHeader or kUnsupportedVersion,
  // -1 when its two characters are not digits); 0 before any header.
  int version() const { return version_; }
  std::size_t position() const { return position_; }
  void Rewind() { position_ = 0; }
  std::size_t size() const { return data_.size(); }

 private:
  // The byte at `at`; 0 at and beyond the end of the data.
  unsigned char At(std::size_t at) const;
  // The field from `at` to the next NUL (or the end of the data).
  std::string_view FieldAt(std::size_t at) const;
  MacroRead ReadHeader();
  MacroRead ReadPositionEdit();
  MacroRead ReadModeStep(const ModeDescriptor& mode);

  std::string data_;
  std::size_t position_ = 0;
  int version_ = 0;
  MacroStep step_;
};

}  // namespace tessivo
