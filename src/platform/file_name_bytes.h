#pragma once
// Conversion between the bytes of Linux file names (UTF-8 by convention, but
// any bytes in fact) and the UTF-16 text used everywhere inside Tessivo.
//
// A byte that is not part of a valid UTF-8 sequence becomes the lone
// surrogate U+DC00 + byte (U+DC80..U+DCFF); converting back restores the
// byte. So Utf16ToUtf8(Utf8ToUtf16(b)) == b for every byte string b, and a
// name that is not changed survives byte for byte.
//
// Decoding is strict: overlong forms, encoded surrogates (ED A0..BF xx) and
// code points above U+10FFFF are invalid, and each of their bytes is escaped
// on its own; decoding resumes at the next byte.
//
// Other lone surrogates (not produced by the escape) are written as their
// three-byte generalized UTF-8 form, so a name holding one can still be
// written; read back, it comes as the escapes of those three bytes, which
// give the same bytes again. Text without lone surrogates round-trips:
// Utf8ToUtf16(Utf16ToUtf8(t)) == t.
//
// Both run in one pass over the input with one allocation.

#include <cstddef>
#include <string>
#include <string_view>

namespace tessivo {

std::u16string Utf8ToUtf16(std::string_view bytes);
std::string Utf16ToUtf8(std::u16string_view text);
// Utf16ToUtf8 into `out`, replacing what it held; a buffer used again and
// again keeps its allocation.
void AssignUtf8(std::u16string_view text, std::string& out);
// Utf16ToUtf8(text).size(), without making the bytes.
std::size_t Utf8Length(std::u16string_view text);

}  // namespace tessivo
