#pragma once
// Replace (rename mode 10): up to eight search texts, each replaced by its
// replacement text, the pairs applied one after the other to the base name
// (or to the whole name when the extension takes part).
//
// Plain texts are found here: all occurrences, the first or the last, exactly
// or ignoring case (ICU's simple lower-case mapping per code unit, so
// positions found in the folded text hold in the original). With regular
// expressions each pair becomes a Perl-style command "s/search/replacement/
// flags" run by Substitute on PCRE2 (16-bit, UTF, Unicode properties, JIT
// where the machine has it). A command that does not compile, or a match that
// fails, gives no output and the name stays as it was before that pair; no
// error is reported. The tokens \f, \s, \:, \e of a replacement become the
// folder name, the file size and the extension (doubled, \\f and so on, as the
// substituted output carries them, on the expression path).
//
// A RegexCache lives for one run: it compiles each distinct command once and
// keeps the interface the run's library offers. PCRE2 is a UTF-16 engine, so
// the run uses RegexInterface::kUnicode and every name goes to it as it is.
// The Shift-JIS interface is kept for the older library form: a name or
// command that code page 932 cannot hold becomes an error text instead, and
// the cache records the event for the run's warning after the pass.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "modes/tokens.h"

namespace tessivo {

inline constexpr std::size_t kMaxReplacePairs = 8;

// The values of `repmode`.
enum ReplaceWhich : int {
  kReplaceAll = 0,
  kReplaceFirst = 1,
  kReplaceLast = 2,
};

struct ReplaceParams {
  std::vector<std::u16string> search;       // SplitReplaceTexts of the search field
  std::vector<std::u16string> replacement;  // SplitReplaceTexts of the replacement field
  int which = kReplaceAll;
  bool use_regex = false;       // the texts are regular expressions
  bool match_case = false;      // distinguish upper and lower case
  bool with_extension = false;  // the extension takes part
};

// Cuts a field's text (already "\u"-decoded) at every "/" into at most
// kMaxReplacePairs entries; an empty text gives none. "a//b" gives "a", "",
// "b": the pairs processed stop at the first empty search text.
std::vector<std::u16string> SplitReplaceTexts(std::u16string_view field);

// The command's flags: "k", then "g" for all occurrences, then "i" when case
// is not distinguished.
std::u16string ReplaceFlags(const ReplaceParams& params);

// Builds "s/" + search + "/" + replacement + "/" + flags, copying
// search + "/" + replacement with these rules: only the first "/" is kept; a
// backslash before a, c, t, n or r is dropped; in the replacement a backslash
// before f, s, : or e becomes four backslashes (so the output carries the
// doubled token); any other backslash is copied with the character after it,
// unchanged. A backslash that ends the text is copied.
std::u16string BuildSubstituteCommand(std::u16string_view search, std::u16string_view replacement,
                                      std::u16string_view flags);

enum class RegexInterface {
  kUnicode,   // names go to the engine as UTF-16
  kShiftJis,  // names must survive code page 932; output loses every "?"
};

// The error text a name gets on the Shift-JIS interface when it, or the
// command, holds a character that code page 932 lacks.
inline constexpr std::u16string_view kNonSjisErrorText = u"** DLL ERROR ** 非S-JIS文字検出";

// Compiled commands for one run. Not thread-safe; single owner.
class RegexCache {
 public:
  explicit RegexCache(RegexInterface interface = RegexInterface::kUnicode);
  ~RegexCache();
  RegexCache(const RegexCache&) = delete;
  RegexCache& operator=(const RegexCache&) = delete;

  // Runs the command "s/pattern/replacement/flags" on `subject`. The
  // pattern and the replacement end at the next "/" not preceded by a
  // backslash. Flags: k (accepted, no effect), g (every match), i (ignore
  // case); any other flag makes the command invalid. In the replacement $1..$9
  // and \1..\9 are groups, $& the whole match, ${name} (or ${number}) a group,
  // "\\" one backslash, a backslash before any other character that
  // character; an unknown or unset group is empty, and any other "$" is
  // literal. Returns the substituted text, or nothing when the command is
  // invalid, the pattern does not compile, nothing matches or the match fails.
  std::optional<std::u16string> Substitute(std::u16string_view command,
                                           std::u16string_view subject);

  // The commands of the pairs of `params` (BuildSubstituteCommand with
  // ReplaceFlags), one per pair processed. Built again only when the texts or
  // options differ from the previous call; the reference is valid until the
  // next call.
  const std::vector<std::u16string>& CommandsFor(const ReplaceParams& params);

  RegexInterface interface() const { return interface_; }
  // Distinct commands compiled so far (including invalid ones).
  std::size_t compiled_count() const { return entries_.size(); }

  // Set when a name could not go to the Shift-JIS interface; the run shows its
  // warning after the pass and clears the flag. Never set on kUnicode.
  bool non_sjis_found() const { return non_sjis_found_; }
  void set_non_sjis_found() { non_sjis_found_ = true; }
  void clear_non_sjis_found() { non_sjis_found_ = false; }

 private:
  struct Entry;
  struct CommandHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view text) const {
      return std::hash<std::u16string_view>{}(text);
    }
  };
  const Entry& Lookup(std::u16string_view command);

  RegexInterface interface_;
  bool non_sjis_found_ = false;
  // The parameters the commands were built from.
  std::vector<std::u16string> built_search_;
  std::vector<std::u16string> built_replacement_;
  std::u16string built_flags_;
  std::vector<std::u16string> commands_;
  std::unordered_map<std::u16string, std::unique_ptr<Entry>, CommandHash, std::equal_to<>>
      entries_;
  // The rows of a run ask for the same commands over and over: the last
  // entry found (map entries stay in place while the map grows).
  const std::pair<const std::u16string, std::unique_ptr<Entry>>* last_ = nullptr;
};

// Why a command cannot run: PCRE2's message and the offset in the pattern
// where compiling stopped (0 for a command that is malformed or has a flag
// Substitute does not know).
struct RegexProblem {
  std::u16string message;
  std::size_t offset = 0;
};

// nullopt when `command` (as Substitute takes it) compiles.
std::optional<RegexProblem> CheckCommand(std::u16string_view command);

// Substitute with a cache of its own (compiles on every call).
std::optional<std::u16string> Substitute(std::u16string_view command, std::u16string_view subject);

// Returns folder + the new name of `source_path`. `file_size` answers the size
// token; `regex` is used only with `params.use_regex`. The result is cut to 259
// characters.
std::u16string ApplyReplace(const std::u16string& source_path, const ReplaceParams& params,
                            RegexCache& regex, const FileSizeFn& file_size = {});

}  // namespace tessivo
