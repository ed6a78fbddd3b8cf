#pragma once
// Random names (rename mode 12): every row's base name is replaced by a
// freshly drawn string; the extension is kept, dropped or drawn as well.
//
// The draws come from a RandomGenerator, a linear congruential generator
// whose sequence is fixed by its seed: the program owns one for its whole
// run, seeds it once from the time at start-up and hands it to every random
// transform, so successive previews keep drawing new names. Equal names are
// not avoided: two rows that draw the same name collide at execution like
// any other pair.
//
// Per row, in this order of draws: the length L from the length entry (one
// draw, also for a fixed length); then for i = 0 .. L-1 the name character
// and the extension character (the extension only for i < 3 in pattern 6);
// then, for extension rule 3, the draw that picks "none" or "random".
//
// Patterns (`rndpattern`):
//   0 digits, 1 letters (a-z, A-Z), 2 letters for the first L/2 positions
//   then digits, 3 per position letters (75 %) or digits (25 %), 4 hiragana,
//   5 full-width characters (DrawFullWidthChar), 6 per character a
//   full-width character (50 %) or an ASCII letter or digit (50 %).
// Extension rules (`rndext`): 0 keep the old extension, 1 none, 2 "." and
// the drawn extension, 3 one or the other at even odds.
//
// The result is cut to 259 characters. Parameters outside their ranges
// leave the path unchanged and draw nothing.

#include <cstdint>
#include <string>

namespace tessivo {

// The generator of every random draw in the program. Not thread-safe: it
// belongs to the window's thread.
class RandomGenerator {
 public:
  explicit RandomGenerator(std::uint32_t seed) : state_(seed) {}

  // A generator seeded from the current time in seconds, as the program
  // makes its one generator at start-up.
  static RandomGenerator SeededFromClock();

  // The next draw, 0..32767: state = state * 214013 + 2531011 (mod 2^32),
  // draw = bits 16..30 of the new state.
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

  std::uint32_t state() const { return state_; }

 private:
  std::uint32_t state_;
};

// The values of `rndpattern`.
enum RandomPattern : int {
  kRandomDigits = 0,
  kRandomLetters = 1,
  kRandomLettersThenDigits = 2,
  kRandomLettersAndDigits = 3,
  kRandomHiragana = 4,
  kRandomFullWidth = 5,
  kRandomAllMixed = 6,
};

// The values of `rndext`.
enum RandomExtensionRule : int {
  kRandomExtKeep = 0,
  kRandomExtNone = 1,
  kRandomExtRandom = 2,
  kRandomExtRandomOrNone = 3,
};

// `rndlen` 0..5: 4, 4-8, 4-16, 8, 8-16 and 16 characters.
struct RandomLengthRange {
  int lo;
  int hi;
};
inline constexpr RandomLengthRange kRandomLengths[] = {{4, 4}, {4, 8},  {4, 16},
                                                       {8, 8}, {8, 16}, {16, 16}};

struct RandomNameParams {
  int pattern = kRandomLettersAndDigits;
  int extension = kRandomExtKeep;
  int length = 3;  // index into kRandomLengths
};

// One full-width character by weighted category: hiragana 12 %, katakana
// 12 %, full-width letters, digits and Greek 8 %, symbols 12 %, Cyrillic
// 12 %, and 44 % a first-level JIS kanji (code page 932 lead byte
// 0x89..0x96). Uses two or three draws.
char16_t DrawFullWidthChar(RandomGenerator& random);

// Returns folder + drawn name + extension for `source_path` (split at the
// last dot of the name, also for folders), cut to 259 characters.
std::u16string ApplyRandomName(const std::u16string& source_path, const RandomNameParams& params,
                               RandomGenerator& random);

}  // namespace tessivo
