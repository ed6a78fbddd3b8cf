#pragma once
// Attributes (rename mode 14): sets, clears or leaves each of the attributes
// read-only, hidden, archive and system instead of changing the name.
//
// The preview writes "<読：Y, 隠：N, ア：-, シ：->" into the row's new-name
// column (Y set, N clear, - leave, for read-only, hidden, archive and system
// in that order) and execution reads the four characters back from the end of
// that text, so what the user sees is exactly what is applied. The same
// request/apply pair serves undo, which restores the Y/N states logged before
// a change.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/result.h"
#include "platform/file_system.h"

namespace tessivo {

// What to do with one attribute. The values are those of the mode's
// three-state check boxes and of the `attribute` setting's digits.
enum class AttributeRequest : std::uint8_t { kClear = 0, kSet = 1, kLeave = 2 };

// 1 → kSet, 0 → kClear, anything else → kLeave.
AttributeRequest AttributeRequestFromInt(int value);

struct AttributeRequests {
  AttributeRequest read_only = AttributeRequest::kLeave;
  AttributeRequest hidden = AttributeRequest::kLeave;
  AttributeRequest archive = AttributeRequest::kLeave;
  AttributeRequest system = AttributeRequest::kLeave;

  friend bool operator==(const AttributeRequests&, const AttributeRequests&) = default;
};

// The requests packed in the `attribute` setting: one hexadecimal digit each,
// read-only·0x1000 + hidden·0x100 + archive·0x10 + system (0x2222 leaves all).
AttributeRequests AttributeRequestsFromSetting(int packed);

// The state of the four attributes as 'Y' (set) or 'N' (clear), in the order
// read-only, hidden, archive, system.
struct AttributeFlags {
  char16_t read_only = u'N';
  char16_t hidden = u'N';
  char16_t archive = u'N';
  char16_t system = u'N';

  friend bool operator==(const AttributeFlags&, const AttributeFlags&) = default;
};

AttributeFlags FlagsOf(std::uint32_t attributes);

// The description of the preview: "<読：%s, 隠：%s, ア：%s, シ：%s>" with Y, N
// or - for each request. Stored format: read back by ParseAttributeDescription.
std::u16string DescribeAttributes(const AttributeRequests& requests);

// The requests in a row's full new-name text: the characters at L−17, L−12,
// L−7 and L−2 (L the text's length), 'Y' → set, 'N' → clear, anything else →
// leave. A text shorter than 17 characters leaves all four.
AttributeRequests ParseAttributeDescription(std::u16string_view new_path_text);

// `attributes` with the four bits changed as requested; other bits kept.
std::uint32_t ApplyRequests(std::uint32_t attributes, const AttributeRequests& requests);

// Reads the attributes of `path`, changes them as requested and writes them
// back (nothing is written when nothing changes). Returns the four states as
// they were before. Fails with the error of the look-up (kNotFound when the
// file is gone) or of FileSystem::SetAttributes.
Result<AttributeFlags> ApplyAttributes(FileSystem& fs, const std::u16string& path,
                                       const AttributeRequests& requests);

// ApplyAttributes with the requests read from the row's new-name text.
Result<AttributeFlags> ApplyAttributeDescription(FileSystem& fs, const std::u16string& path,
                                                 std::u16string_view new_path_text);

// The rename log's field of the states before a change:
// "<読：%c, 隠：%c, ア：%c, シ：%c>". Stored format: the flags stand at
// characters 3, 8, 13 and 18.
std::u16string AttributeLogField(const AttributeFlags& old_flags);

// The requests that restore a log field: 'Y' set, 'N' clear, anything else
// (or a field too short) leave.
AttributeRequests ParseAttributeLogField(std::u16string_view field);

}  // namespace tessivo
