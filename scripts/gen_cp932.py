#!/usr/bin/env python3
"""Generates src/config/cp932_table.h and src/config/cp932_table.cpp.

The tables convert between UTF-16 code units and code page 932 exactly as
Windows does it without best-fit characters: no look-alike substitutions, an
unmappable character becomes "?".

Decoding is taken from glibc's iconv "CP932" over every one- and two-byte
sequence (through libc with ctypes; Python's own cp932 codec differs and is
not used), plus the bytes glibc lacks: 0x80 -> U+0080, 0xA0 -> U+F8F0,
0xFD..0xFF -> U+F8F1..U+F8F3 and the user-defined area 0xF040..0xF9FC ->
U+E000..U+E757.

Encoding is the inverse of decoding. Where several byte codes decode to the
same character, the first of these groups wins: JIS X 0208 (everything not
listed below), NEC row 13 (0x8740..0x879C), the IBM extensions
(0xFA40..0xFC4B), the NEC-selected IBM extensions (0xED40..0xEEFC).

Run from anywhere: python3 scripts/gen_cp932.py
"""

import ctypes
import ctypes.util
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_H = os.path.join(ROOT, "src", "config", "cp932_table.h")
OUT_CPP = os.path.join(ROOT, "src", "config", "cp932_table.cpp")

DECODE_COUNT = 9800
ENCODE_COUNT = 9402
UNDEFINED_PAIR = 0x30FB  # what a valid lead and trail byte without a character decode to
NOT_TRAIL = 0xFFFF       # marks a second byte that cannot follow a lead byte


def is_lead(b):
    return 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC


def is_trail(b):
    return 0x40 <= b <= 0x7E or 0x80 <= b <= 0xFC


class Iconv:
    """Decodes byte strings with libc's iconv, one call per sequence."""

    def __init__(self, from_code):
        libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self._open = libc.iconv_open
        self._open.restype = ctypes.c_void_p
        self._open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self._iconv = libc.iconv
        self._iconv.restype = ctypes.c_size_t
        self._iconv.argtypes = [ctypes.c_void_p,
                                ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                                ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)]
        self._cd = self._open(b"UTF-16LE", from_code.encode())
        if self._cd in (None, ctypes.c_void_p(-1).value):
            sys.exit("iconv_open(%s) failed" % from_code)

    def decode(self, data):
        """Returns the UTF-16LE output for `data`, or None when iconv rejects
        it or leaves part of it unconsumed (an incomplete sequence)."""
        self._iconv(self._cd, None, None, None, None)  # reset the state
        inbuf = ctypes.create_string_buffer(data, len(data))
        outbuf = ctypes.create_string_buffer(16)
        in_ptr = ctypes.c_char_p(ctypes.addressof(inbuf))
        out_ptr = ctypes.c_char_p(ctypes.addressof(outbuf))
        in_left = ctypes.c_size_t(len(data))
        out_left = ctypes.c_size_t(16)
        rc = self._iconv(self._cd, ctypes.byref(in_ptr), ctypes.byref(in_left),
                         ctypes.byref(out_ptr), ctypes.byref(out_left))
        if rc == ctypes.c_size_t(-1).value or in_left.value != 0:
            return None
        return outbuf.raw[:16 - out_left.value]


def single_unit(utf16):
    """The one BMP code unit of a UTF-16LE string, or None."""
    if utf16 is None or len(utf16) != 2:
        return None
    return utf16[0] | (utf16[1] << 8)


def build_decode():
    conv = Iconv("CP932")
    decode = {}  # byte code (0..0xFF or 0x8140..) -> code unit
    for b in range(256):
        unit = single_unit(conv.decode(bytes([b])))
        if unit is not None:
            decode[b] = unit
    for b1 in range(256):
        if b1 in decode:
            continue
        for b2 in range(256):
            unit = single_unit(conv.decode(bytes([b1, b2])))
            if unit is not None:
                assert is_lead(b1) and is_trail(b2), "unexpected pair %02X%02X" % (b1, b2)
                decode[(b1 << 8) | b2] = unit

    additions = {0x80: 0x0080, 0xA0: 0xF8F0, 0xFD: 0xF8F1, 0xFE: 0xF8F2, 0xFF: 0xF8F3}
    user = 0xE000
    for lead in range(0xF0, 0xFA):
        for trail in range(0x40, 0xFD):
            if trail == 0x7F:
                continue
            additions[(lead << 8) | trail] = user
            user += 1
    assert user == 0xE758
    for code, unit in additions.items():
        assert decode.get(code, unit) == unit, "glibc disagrees at %04X" % code
        decode[code] = unit

    for b in range(256):
        assert (b in decode) != is_lead(b), "single byte %02X" % b
    assert len(decode) == DECODE_COUNT, len(decode)
    return decode


def preference(code):
    """Smaller wins when several codes decode to one character."""
    if 0x8740 <= code <= 0x879C:
        return 1  # NEC row 13
    if 0xFA40 <= code <= 0xFC4B:
        return 2  # IBM extensions
    if 0xED40 <= code <= 0xEEFC:
        return 3  # NEC-selected IBM extensions
    return 0      # single bytes, JIS X 0208, user-defined


def build_encode(decode):
    encode = {}
    for code in sorted(decode):
        unit = decode[code]
        old = encode.get(unit)
        if old is None or preference(code) < preference(old):
            encode[unit] = code
        else:
            assert preference(code) != preference(old), \
                "%04X and %04X tie for U+%04X" % (old, code, unit)
    assert len(encode) == ENCODE_COUNT, len(encode)
    for unit, code in encode.items():
        assert decode[code] == unit
    return encode


def check(decode, encode):
    expected = {0xFF5E: 0x8160, 0x2252: 0x81E0, 0x2170: 0xFA40,
                0x301C: None, 0x00A5: None, 0x203E: None,
                0x005C: 0x5C, 0x007E: 0x7E, 0xFF3C: 0x815F, 0x2225: 0x8161,
                0xFF0D: 0x817C, 0xFFE2: 0x81CA, 0x2235: 0x81E6, 0x2160: 0x8754,
                0x0080: 0x80, 0xF8F0: 0xA0, 0xF8F3: 0xFF, 0xE000: 0xF040, 0xE757: 0xF9FC,
                0xFF61: 0xA1, 0xFF9F: 0xDF, 0x3000: 0x8140, 0x7E8A: 0xFA5C}
    for unit, code in expected.items():
        assert encode.get(unit) == code, "U+%04X -> %r" % (unit, encode.get(unit))
    assert not any(0xED00 <= c <= 0xEEFF for c in encode.values()), "NEC-selected code chosen"
    assert all(u < 0xD800 or u > 0xDFFF for u in encode), "a surrogate decodes"
    assert UNDEFINED_PAIR in encode and NOT_TRAIL not in encode
    assert decode[0x8145] == UNDEFINED_PAIR


def table_rows(values, per_line, fmt, indent="    "):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append(indent + ", ".join(fmt % v for v in values[i:i + per_line]) + ",")
    return "\n".join(lines)


HEADER = """\
#pragma once
// GENERATED by scripts/gen_cp932.py. Do not edit by hand: change the script and
// run it again.
//
// Code page 932 tables (Windows' Shift-JIS with the NEC and IBM extensions,
// no best-fit mappings). Stored format: files written with these tables move
// between systems, so the mapping must not change.

#include <cstdint>

namespace tessivo::cp932 {

// Number of byte codes that decode to a character, and of characters that
// encode to a byte code.
inline constexpr int kDecodeCount = %(decode_count)d;
inline constexpr int kEncodeCount = %(encode_count)d;

// kSingleByte value of a lead byte (a byte that starts a two-byte code).
inline constexpr std::uint16_t kLeadByte = 0xFFFF;
// kDoubleByte value of a second byte that cannot follow a lead byte.
inline constexpr std::uint16_t kNotTrail = 0x%(not_trail)04X;
// What a lead byte with a valid second byte but no character decodes to.
inline constexpr char16_t kUndefinedPair = u'\\u%(undefined)04X';

// Code unit of every single byte, or kLeadByte.
extern const std::uint16_t kSingleByte[256];
// Row in kDoubleByte of every byte; meaningful for lead bytes only.
extern const std::uint8_t kLeadRow[256];
// Code unit of lead byte and second byte: kDoubleByte[kLeadRow[lead]][second],
// kUndefinedPair where no character is assigned, kNotTrail for a second byte
// outside 0x40..0x7E, 0x80..0xFC.
extern const std::uint16_t kDoubleByte[%(rows)d][256];
// Byte code of every UTF-16 code unit: below 0x100 a single byte, otherwise
// lead byte * 256 + second byte; 0x3F ('?') where the code page has no
// character (and for '?' itself).
extern const std::uint16_t kEncode[65536];

}  // namespace tessivo::cp932
"""


def write_tables(decode, encode):
    leads = [b for b in range(256) if is_lead(b)]
    single = [decode.get(b, 0xFFFF) for b in range(256)]
    lead_row = [leads.index(b) if b in leads else 0 for b in range(256)]
    double = []
    for lead in leads:
        for trail in range(256):
            if not is_trail(trail):
                double.append(NOT_TRAIL)
            else:
                double.append(decode.get((lead << 8) | trail, UNDEFINED_PAIR))
    enc = [encode.get(u, 0x3F) for u in range(65536)]

    with open(OUT_H, "w") as f:
        f.write(HEADER % {"decode_count": DECODE_COUNT, "encode_count": ENCODE_COUNT,
                          "not_trail": NOT_TRAIL, "undefined": UNDEFINED_PAIR,
                          "rows": len(leads)})

    rows = "".join("    {  // lead byte 0x%02X\n%s\n    },\n" % (
        lead, table_rows(double[r * 256:(r + 1) * 256], 16, "0x%04X", " " * 8))
        for r, lead in enumerate(leads))
    blocks = [
        "// GENERATED by scripts/gen_cp932.py. Do not edit by hand: change the script and\n"
        "// run it again.\n",
        '#include "config/cp932_table.h"\n',
        "namespace tessivo::cp932 {\n",
        "const std::uint16_t kSingleByte[256] = {\n%s\n};\n" % table_rows(single, 16, "0x%04X"),
        "const std::uint8_t kLeadRow[256] = {\n%s\n};\n" % table_rows(lead_row, 16, "%d"),
        "const std::uint16_t kDoubleByte[%d][256] = {\n%s};\n" % (len(leads), rows),
        "const std::uint16_t kEncode[65536] = {\n%s\n};\n" % table_rows(enc, 16, "0x%04X"),
        "}  // namespace tessivo::cp932\n",
    ]
    with open(OUT_CPP, "w") as f:
        f.write("\n".join(blocks))


def main():
    decode = build_decode()
    encode = build_encode(decode)
    check(decode, encode)
    write_tables(decode, encode)
    print("decode %d entries, encode %d entries" % (len(decode), len(encode)))
    print("wrote %s\nwrote %s" % (os.path.relpath(OUT_H, ROOT), os.path.relpath(OUT_CPP, ROOT)))


if __name__ == "__main__":
    main()
