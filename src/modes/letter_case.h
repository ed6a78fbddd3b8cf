#pragma once
// Letter case (rename mode 4): lower case, upper case, upper case except the
// extension, a capital first letter, or capitals at the start of every word,
// followed by the user's exception words.
//
// Without `dbytebig` only the ASCII letters change; with it every cased
// letter does (full-width Latin, Greek, Cyrillic and the like), one UTF-16
// code unit at a time by ICU's simple mapping, so a name never changes its
// length. Word starts are judged among ASCII letters for ASCII letters and
// among full-width letters for full-width ones: "ａb" becomes "ＡB".
//
// Exception words restore the user's spelling after the conversion, as whole
// words only (not next to an ASCII letter). With the default words of the
// word-initial option, "THE HOUSE ON THE HILL.TXT" becomes
// "The House on the Hill.txt".

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessivo {

// The values of the option `bigsmall`.
enum LetterCaseOption : int {
  kCaseAllLower = 0,
  kCaseAllUpper = 1,
  kCaseAllUpperExceptExtension = 2,
  kCaseFirstUpper = 3,
  kCaseWordInitialUpper = 4,
};

struct LetterCaseParams {
  int option = kCaseAllLower;
  bool full_width_too = false;  // full-width and other non-ASCII letters too
  bool file_dir = false;  // the list holds folders: no extension stop
};

// The three exception lists: 0 for all lower, 1 for all upper (options 1 and
// 2), 2 for word-initial capitals. Each holds at most kMaxWords words of at
// most kMaxWordChars characters, in two forms: the search form (the word as
// the conversion produces it) and the replacement form (as the user typed it).
class ExceptionWordTable {
 public:
  static constexpr std::size_t kListCount = 3;
  static constexpr std::size_t kMaxWords = 128;
  static constexpr std::size_t kMaxWordChars = 39;

  struct Word {
    std::u16string search;
    std::u16string replacement;
  };

  // Rebuilds all three lists from the texts of `bsexcept0`, `bsexcept1` and
  // `bsexcept2`: words separated by spaces; a word starts with an ASCII letter
  // and keeps ASCII letters, "_", "-" and "." (other characters are dropped);
  // a word reaching kMaxWordChars is closed and the rest starts a new word;
  // words past kMaxWords are ignored.
  void BuildExceptionLists(std::u16string_view bsexcept0, std::u16string_view bsexcept1,
                           std::u16string_view bsexcept2);

  // Replaces every whole-word occurrence of each word of list `list` in
  // `name` by its replacement form. A list number outside 0 to 2 does nothing.
  void ApplyExceptionList(std::size_t list, std::u16string& name) const;

  // The words of list `list`; an empty list for a number outside 0 to 2.
  const std::vector<Word>& words(std::size_t list) const;

 private:
  std::array<std::vector<Word>, kListCount> lists_;
};

// Returns folder + the converted name of `source_path`. The name keeps its
// length; an option outside 0 to 4 leaves it unchanged.
std::u16string ApplyLetterCase(const std::u16string& source_path, const LetterCaseParams& params,
                               const ExceptionWordTable& exceptions);

}  // namespace tessivo
