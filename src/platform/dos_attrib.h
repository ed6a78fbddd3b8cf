#pragma once
// The stored attribute word in the extended attribute "user.DOSATTRIB", as
// Samba keeps it, so that attributes set here are the ones a Windows client
// of a Samba share sees, and the other way round.
//
// Stored format (written by Samba, read and patched here):
// - simple form: "0x" and the word in hexadecimal, usually ending in a NUL;
// - binary forms: a NUL-terminated hexadecimal string (possibly empty), then,
//   aligned to 2 bytes, uint16 version and uint16 level (equal, 1 to 5),
//   then, aligned to 4 bytes, the info record of that version, little-endian:
//     version 1:     attrib, ...
//     version 2:     flags, attrib, ...
//     version 3 - 5: valid_flags (bit 0x1: attrib is valid), attrib, ...
//   The rest of the record (sizes, creation time) is Samba's and is kept.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessivo {

// The attribute word stored in `blob`; nullopt when there is none (empty or
// damaged data, or a binary form whose attrib is marked invalid).
std::optional<std::uint32_t> ParseDosAttrib(std::string_view blob);

// The value to store for `word`: `old_blob` with only its attribute word
// replaced (and marked valid) when it is one of the binary forms, else the
// simple form "0x%x" with a terminating NUL.
std::string EncodeDosAttrib(std::string_view old_blob, std::uint32_t word);

}  // namespace tessivo
