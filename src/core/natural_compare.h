#pragma once
// NaturalCompare: the number-aware order of texts used when the list is
// sorted "taking numbers into account" (1, 2, 10 rather than 1, 10, 2).
//
// A text is read as a sequence of tokens: a run of ASCII digits is one
// token, every other code unit is a token of its own. Tokens compare as
// follows:
// - two digit runs by their numeric value, whatever their length (no
//   conversion to an integer, so no overflow);
// - a period is below every other token;
// - any other code unit after simple upper-case mapping (ICU u_toupper of
//   that one code unit), so letter case is ignored; a digit run ranks as
//   the digit '0' against such a code unit;
// - a text that is a prefix of the other comes first.
// Texts equal under these rules are then ordered by the first digit run
// whose leading zeros differ (more zeros first: "a01" before "a1"), and
// finally by their code units. The result is a total order: 0 only for
// identical texts.

#include <cstddef>
#include <string_view>

namespace tessivo {

// Negative when `a` goes before `b`, positive when after, 0 when equal.
int NaturalCompare(std::u16string_view a, std::u16string_view b);

// The number of leading code units `a` and `b` have in common. Sorting
// compares texts that share long beginnings (a folder, a date), so this
// reads several units at a time.
std::size_t CommonPrefixLength(std::u16string_view a, std::u16string_view b);

}  // namespace tessivo
