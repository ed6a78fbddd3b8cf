#include "platform/dos_attrib.h"

#include <cstddef>

namespace tessivo {
namespace {

struct BinaryLayout {
  std::size_t attrib_offset;
  std::optional<std::size_t> valid_flags_offset;
};

std::uint32_t Le32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::uint16_t Le16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}

void PutLe32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::size_t Align(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

// Where the attribute word of a binary form lies, or nullopt when `blob` is
// not a complete binary form.
std::optional<BinaryLayout> LocateBinary(std::string_view blob) {
  std::size_t nul = blob.find('\0');
  if (nul == std::string_view::npos) return std::nullopt;
  std::size_t pos = Align(nul + 1, 2);
  if (pos + 4 > blob.size()) return std::nullopt;
  std::uint16_t version = Le16(blob, pos);
  std::uint16_t level = Le16(blob, pos + 2);
  if (version != level || version < 1 || version > 5) return std::nullopt;
  pos = Align(pos + 4, 4);
  BinaryLayout layout;
  if (version == 1) {
    layout.attrib_offset = pos;
  } else {
    layout.attrib_offset = pos + 4;
    if (version >= 3) layout.valid_flags_offset = pos;
  }
  if (layout.attrib_offset + 4 > blob.size()) return std::nullopt;
  return layout;
}

std::optional<std::uint32_t> ParseHexForm(std::string_view text) {
  std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (std::size_t i = 2; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<std::uint32_t> ParseDosAttrib(std::string_view blob) {
  if (auto layout = LocateBinary(blob)) {
    if (layout->valid_flags_offset && !(Le32(blob, *layout->valid_flags_offset) & 0x1)) {
      return std::nullopt;
    }
    return Le32(blob, layout->attrib_offset);
  }
  return ParseHexForm(blob);
}

std::string EncodeDosAttrib(std::string_view old_blob, std::uint32_t word) {
  if (auto layout = LocateBinary(old_blob)) {
    std::string blob(old_blob);
    PutLe32(blob, layout->attrib_offset, word);
    if (layout->valid_flags_offset) {
      PutLe32(blob, *layout->valid_flags_offset, Le32(blob, *layout->valid_flags_offset) | 0x1);
    }
    return blob;
  }
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  do {
    hex.insert(hex.begin(), kDigits[word & 0xF]);
    word >>= 4;
  } while (word != 0);
  std::string blob = "0x" + hex;
  blob.push_back('\0');
  return blob;
}

}  // namespace tessivo
