#include "macro/macro_file.h"

#include <algorithm>

#include "config/encoding.h"

namespace tessivo {
namespace {

// Offsets inside a position-edit line.
constexpr std::size_t kMapOffset = 3;
constexpr std::size_t kNoExtensionOffset = 521;
constexpr std::size_t kTemplateOffset = 524;
// Version 12 files carry their map one byte further on.
constexpr int kShiftedMapVersion = 12;

constexpr std::int32_t kMapLowest = -1;
constexpr std::int32_t kMapHighest = 260;
constexpr std::int32_t kMapPlusBase = 255;

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A map entry read as the C library reads a two-character hexadecimal
// number: leading blanks skipped, an optional sign, digits up to the first
// other character, 0 without any.
std::int32_t ReadHexEntry(unsigned char first, unsigned char second) {
  const unsigned char chars[2] = {first, second};
  std::size_t i = 0;
  while (i < 2 && (chars[i] == ' ' || (chars[i] >= '\t' && chars[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < 2 && (chars[i] == '+' || chars[i] == '-')) {
    negative = chars[i] == '-';
    ++i;
  }
  std::int32_t value = 0;
  for (; i < 2 && HexValue(chars[i]) >= 0; ++i) value = value * 16 + HexValue(chars[i]);
  return negative ? -value : value;
}

}  // namespace

std::string_view StepCode(int mode) {
  const ModeDescriptor* d = ModeDescriptorOf(mode);
  return d == nullptr || d->step_form == StepForm::kNone ? std::string_view() : d->step_code;
}

std::array<int, 3> StepParamLimits(int mode) {
  const ModeDescriptor* d = ModeDescriptorOf(mode);
  if (d == nullptr || d->step_form != StepForm::kParameters) return {0, 0, 0};
  const auto& largest = d->step_limits;
  return {largest[0] - '0', largest[1] - '0', largest[2] - '0'};
}

void ScrambleText(std::string& bytes) {
  if (bytes.empty() || bytes.size() > kScrambleLimit) return;
  for (char& c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0x3F) != 0) c = static_cast<char>(b ^ 0x40);
  }
}

std::string EncodeMacroHeader(bool folders) {
  std::string header = "TS";
  header += std::to_string(kMacroFileVersion);
  header += folders ? '1' : '0';
  header += '\n';
  return header;
}

std::string EncodeMapEntry(std::int32_t value) {
  static constexpr char kHex[] = "0123456789abcdef";
  const std::int32_t v = std::clamp(value, kMapLowest, kMapHighest);
  if (v >= kMapPlusBase) return {'+', static_cast<char>('0' + (v - kMapPlusBase))};
  const std::int32_t stored = v + 1;
  return {kHex[stored >> 4], kHex[stored & 0xF]};
}

std::string EncodeStepText(std::u16string_view text) {
  const std::size_t nul = text.find(u'\0');
  if (nul != std::u16string_view::npos) text = text.substr(0, nul);
  std::string bytes;
  EscapeNonAnsi(text, bytes, kStepTextWriteCapacity);
  ScrambleText(bytes);
  return bytes;
}

std::u16string DecodeStepText(std::string_view field) {
  std::string bytes(field);
  ScrambleText(bytes);
  std::u16string text;
  UnescapeText(text, bytes, kStepTextReadCapacity);
  return text;
}

std::string EncodeStepLine(const MacroStep& step) {
  std::string line;
  const ModeDescriptor* mode = ModeDescriptorOf(step.mode);
  if (mode == nullptr || mode->step_form == StepForm::kNone) return line;
  if (mode->step_form == StepForm::kPositionMap) {
    line = mode->step_code;
    for (std::size_t i = 0; i < kPositionMapWritten; ++i) line += EncodeMapEntry(step.map[i]);
    line += step.no_extension ? '1' : '0';
    line += "0 ";
    line += EncodeStepText(step.text1);
    line += '\0';
    line += '\n';
    return line;
  }
  line = mode->step_code;
  const std::array<int, 3> limits = StepParamLimits(step.mode);
  for (std::size_t i = 0; i < 3; ++i) {
    line += static_cast<char>('0' + std::clamp(step.params[i], 0, limits[i]));
  }
  line += EncodeStepText(step.text1);
  line += '\0';
  line += EncodeStepText(step.text2);
  line += '\0';
  line += '\n';
  return line;
}

MacroReader::MacroReader(std::string_view data)
    : data_(data.substr(0, std::min(data.size(), kMacroReadLimit))) {}

unsigned char MacroReader::At(std::size_t at) const {
  return at < data_.size() ? static_cast<unsigned char>(data_[at]) : 0;
}

std::string_view MacroReader::FieldAt(std::size_t at) const {
  if (at >= data_.size()) return {};
  const std::string_view rest = std::string_view(data_).substr(at);
  return rest.substr(0, std::min(rest.find('\0'), rest.size()));
}

MacroRead MacroReader::Next() {
  const unsigned char code[3] = {At(position_), At(position_ + 1), At(position_ + 2)};
  const std::string_view code_text(reinterpret_cast<const char*>(code), 3);
  const ModeDescriptor* mode = ModeOfStepCode(code_text);
  if (mode != nullptr && mode->step_form == StepForm::kParameters) {
    const std::array<int, 3> limits = StepParamLimits(ModeNumber(mode->mode));
    bool in_range = true;
    for (std::size_t i = 0; i < 3; ++i) {
      const int value = At(position_ + 3 + i) - '0';
      in_range = in_range && value >= 0 && value <= limits[i];
    }
    if (in_range) return ReadModeStep(*mode);
  }
  if (mode != nullptr && mode->step_form == StepForm::kPositionMap) return ReadPositionEdit();
  if (code[0] == 'T' && code[1] == 'S') return ReadHeader();
  return MacroRead::kEnd;
}

MacroRead MacroReader::ReadModeStep(const ModeDescriptor& mode) {
  MacroStep step;
  step.mode = ModeNumber(mode.mode);
  for (std::size_t i = 0; i < 3; ++i) step.params[i] = At(position_ + 3 + i) - '0';
  const std::string_view text1 = FieldAt(position_ + 6);
  const std::string_view text2 = FieldAt(position_ + 7 + text1.size());
  step.text1 = DecodeStepText(text1);
  step.text2 = DecodeStepText(text2);
  position_ += kStepLineFixed + text1.size() + text2.size();
  step_ = std::move(step);
  return MacroRead::kStep;
}

MacroRead MacroReader::ReadPositionEdit() {
  MacroStep step;
  step.mode = ModeNumber(RenameMode::kPositionEdit);
  step.no_extension = At(position_ + kNoExtensionOffset) == '1';
  const std::size_t map_at = position_ + kMapOffset + (version_ == kShiftedMapVersion ? 1 : 0);
  for (std::size_t i = 0; i < kPositionMapEntries; ++i) {
    const unsigned char first = At(map_at + 2 * i);
    const unsigned char second = At(map_at + 2 * i + 1);
    if (first == '+') {
      step.map[i] = kMapPlusBase + (second >= '0' && second <= '9' ? second - '0' : 0);
    } else {
      step.map[i] = ReadHexEntry(first, second) - 1;
    }
  }
  const std::string_view template_bytes = FieldAt(position_ + kTemplateOffset);
  step.text1 = DecodeStepText(template_bytes);
  position_ += kPositionEditLineFixed + template_bytes.size();
  step_ = std::move(step);
  return MacroRead::kStep;
}

MacroRead MacroReader::ReadHeader() {
  const unsigned char tens = At(position_ + 2);
  const unsigned char units = At(position_ + 3);
  const bool digits = tens >= '0' && tens <= '9' && units >= '0' && units <= '9';
  version_ = digits ? (tens - '0') * 10 + (units - '0') : -1;
  if (version_ < kOldestMacroFileVersion || version_ > kMacroFileVersion) {
    return MacroRead::kUnsupportedVersion;
  }
  const unsigned char kind = At(position_ + 4);
  if (kind != '0' && kind != '1') return MacroRead::kEnd;
  position_ += EncodeMacroHeader(false).size();
  return MacroRead::kHeader;
}

}  // namespace tessivo
