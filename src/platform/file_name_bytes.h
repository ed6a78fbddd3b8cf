#pragma once
// Conversion between the bytes of Linux file names (UTF-8 by convention, but
// any bytes in fact) and the UTF-16 text used everywhere inside Tessivo.
//
// A byte that is not part of a valid UTF-8 sequence becomes the lone
// surrogate U+DC00 + byte (U+DC80..U+DCFF); converting back restores the
// byte. So Utf16ToUtf8(Utf8ToUtf16(b)) == b for every byte string b, and a
// name that is not changed survives byte for byte.
//
// Other lone surrogates (not produced by the escape) are written as their
// three-byte generalized UTF-8 form, so they survive a round trip as well.

#include <string>
#include <string_view>

namespace tessivo {

std::u16string Utf8ToUtf16(std::string_view bytes);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace tessivo
