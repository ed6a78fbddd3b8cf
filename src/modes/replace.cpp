#include "modes/replace.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>

#include "config/encoding.h"
#include "modes/name_parts.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

namespace tessivo {
namespace {

// The working limit of the plain search: the name buffer holds 260 units.
constexpr std::size_t kPlainLimit = 260;

// A group number that no pattern has; it expands to nothing.
constexpr int kNoGroup = -2;
// A piece of the replacement that is literal text.
constexpr int kLiteral = -1;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsGroupDigit(char16_t c) { return c >= u'1' && c <= u'9'; }

// The "}" that closes a non-empty group name starting at `from`, or npos.
std::size_t NameEnd(std::u16string_view text, std::size_t from) {
  const std::size_t close = text.find(u'}', from);
  return close == from ? std::u16string_view::npos : close;
}

PCRE2_SPTR AsPcre(const char16_t* text) { return reinterpret_cast<PCRE2_SPTR>(text); }

char16_t FoldUnit(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c;
  const UChar32 mapped = u_tolower(c);
  return mapped >= 0 && mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

std::u16string Fold(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded) c = FoldUnit(c);
  return folded;
}

// Replaces search text `from` by `to` in `s`. With `fold`, the search runs on
// lower-cased copies, which keep every position of the originals.
void ReplacePlainPair(std::u16string& s, std::u16string_view from, std::u16string_view to,
                      int repmode, bool fold) {
  const std::u16string key = fold ? Fold(from) : std::u16string(from);
  const std::u16string folded_to = fold ? Fold(to) : std::u16string();
  std::u16string folded = fold ? Fold(s) : std::u16string();
  const std::u16string& haystack = fold ? folded : s;
  const std::size_t length = key.size();
  auto replace_at = [&](std::size_t at) {
    s.replace(at, length, to);
    if (fold) folded.replace(at, length, folded_to);
  };

  if (repmode == kReplaceAll) {
    std::size_t pos = 0;
    while (pos <= s.size() && pos < kPlainLimit) {
      const std::size_t at = haystack.find(key, pos);
      if (at == std::u16string::npos) break;
      replace_at(at);
      pos = at + to.size();
      if (s.size() > kPlainLimit) {
        s.resize(kPlainLimit);
        break;
      }
    }
    return;
  }
  if (repmode == kReplaceFirst) {
    const std::size_t at = haystack.find(key);
    if (at != std::u16string::npos) replace_at(at);
    return;
  }
  // The last match: searches start at 0, L, 2L, ... while each one finds a
  // match; the match of the last successful search is replaced. Overlapping
  // occurrences can leave it short of the rightmost one ("aa" in "aaa" is 0).
  std::size_t last = std::u16string::npos;
  for (std::size_t pos = 0; pos <= s.size(); pos += length) {
    const std::size_t at = haystack.find(key, pos);
    if (at == std::u16string::npos) break;
    last = at;
  }
  if (last != std::u16string::npos) replace_at(last);
}

// The pairs processed: the leading non-empty search texts.
std::size_t PairCount(const ReplaceParams& params) {
  std::size_t pairs = 0;
  while (pairs < params.search.size() && pairs < kMaxReplacePairs &&
         !params.search[pairs].empty()) {
    ++pairs;
  }
  return pairs;
}

// Splits "s/pattern/replacement/flags" at its unescaped slashes. The pattern
// and replacement keep their backslashes. False when a slash is missing.
bool SplitCommand(std::u16string_view command, std::u16string& pattern,
                  std::u16string& replacement, std::u16string_view& flags) {
  if (command.size() < 2 || command[0] != u's' || command[1] != u'/') return false;
  std::size_t i = 2;
  auto read_part = [&](std::u16string& out) {
    while (i < command.size()) {
      const char16_t c = command[i];
      if (c == u'\\' && i + 1 < command.size()) {
        out += c;
        out += command[i + 1];
        i += 2;
      } else if (c == u'/') {
        ++i;
        return true;
      } else {
        out += c;
        ++i;
      }
    }
    return false;
  };
  if (!read_part(pattern) || !read_part(replacement)) return false;
  flags = command.substr(i);
  return true;
}

// The PCRE2 options of a command's flags; an unknown flag clears `valid`.
std::uint32_t CompileOptions(std::u16string_view flags, bool& global, bool& valid) {
  std::uint32_t options = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF;
  for (char16_t flag : flags) {
    if (flag == u'g') {
      global = true;
    } else if (flag == u'i') {
      options |= PCRE2_CASELESS;
    } else if (flag != u'k') {
      valid = false;
    }
  }
  return options;
}

}  // namespace

std::optional<RegexProblem> CheckCommand(std::u16string_view command) {
  std::u16string pattern;
  std::u16string replacement;
  std::u16string_view flags;
  bool valid = SplitCommand(command, pattern, replacement, flags);
  bool global = false;
  const std::uint32_t options = CompileOptions(flags, global, valid);
  if (!valid) return RegexProblem{u"not a command s/search/replacement/flags", 0};
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code =
      pcre2_compile(AsPcre(pattern.data()), pattern.size(), options, &error, &offset, nullptr);
  if (code != nullptr) {
    pcre2_code_free(code);
    return std::nullopt;
  }
  PCRE2_UCHAR buffer[256];
  const int length = pcre2_get_error_message(error, buffer, 256);
  RegexProblem problem;
  if (length > 0) problem.message.assign(reinterpret_cast<const char16_t*>(buffer), length);
  problem.offset = offset;
  return problem;
}

struct RegexCache::Entry {
  struct Piece {
    int group = kLiteral;  // kLiteral, kNoGroup, 0 the whole match, or a group
    std::u16string text;
  };

  pcre2_code* code = nullptr;
  pcre2_match_data* match = nullptr;
  std::vector<Piece> pieces;
  bool global = false;

  Entry() = default;
  Entry(const Entry&) = delete;
  Entry& operator=(const Entry&) = delete;
  ~Entry() {
    pcre2_match_data_free(match);
    pcre2_code_free(code);
  }

  void AddLiteral(char16_t c) {
    if (pieces.empty() || pieces.back().group != kLiteral) pieces.push_back({kLiteral, {}});
    pieces.back().text += c;
  }

  int GroupByName(std::u16string_view name) const {
    if (std::all_of(name.begin(), name.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
      if (name.size() > 5) return kNoGroup;
      int number = 0;
      for (char16_t c : name) number = number * 10 + (c - u'0');
      return number;
    }
    const std::u16string terminated(name);
    const int number = pcre2_substring_number_from_name(code, AsPcre(terminated.c_str()));
    return number >= 0 ? number : kNoGroup;
  }

  // Parses the replacement into literal text and group references; needs
  // `code` for the names.
  void ParseReplacement(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      const char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
      if (c == u'\\' && i + 1 < text.size()) {
        if (IsGroupDigit(next)) {
          pieces.push_back({next - u'0', {}});
        } else {
          AddLiteral(next);
        }
        ++i;
      } else if (c == u'$' && IsGroupDigit(next)) {
        pieces.push_back({next - u'0', {}});
        ++i;
      } else if (c == u'$' && next == u'&') {
        pieces.push_back({0, {}});
        ++i;
      } else if (c == u'$' && next == u'{' && NameEnd(text, i + 2) != std::u16string_view::npos) {
        const std::size_t close = NameEnd(text, i + 2);
        pieces.push_back({GroupByName(text.substr(i + 2, close - i - 2)), {}});
        i = close;
      } else {
        AddLiteral(c);
      }
    }
  }
};

RegexCache::RegexCache(RegexInterface interface) : interface_(interface) {}
RegexCache::~RegexCache() = default;

const RegexCache::Entry& RegexCache::Lookup(std::u16string_view command) {
  if (last_ != nullptr && last_->first == command) return *last_->second;
  if (auto found = entries_.find(command); found != entries_.end()) {
    last_ = &*found;
    return *found->second;
  }
  auto entry = std::make_unique<Entry>();
  std::u16string pattern;
  std::u16string replacement;
  std::u16string_view flags;
  bool valid = SplitCommand(command, pattern, replacement, flags);
  const std::uint32_t options = CompileOptions(flags, entry->global, valid);
  if (valid) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    entry->code = pcre2_compile(AsPcre(pattern.data()), pattern.size(), options, &error, &offset,
                                nullptr);
  }
  if (entry->code != nullptr) {
    // Without JIT support the interpreter runs the same pattern.
    pcre2_jit_compile(entry->code, PCRE2_JIT_COMPLETE);
    entry->match = pcre2_match_data_create_from_pattern(entry->code, nullptr);
    entry->ParseReplacement(replacement);
  }
  const Entry& result = *entry;
  entries_.emplace(std::u16string(command), std::move(entry));
  return result;
}

std::optional<std::u16string> RegexCache::Substitute(std::u16string_view command,
                                                     std::u16string_view subject) {
  const Entry& entry = Lookup(command);
  if (entry.code == nullptr || entry.match == nullptr) return std::nullopt;

  // An empty view may have no storage; PCRE2 wants a pointer even then.
  const PCRE2_SPTR text = AsPcre(subject.empty() ? u"" : subject.data());
  const std::size_t length = subject.size();
  const std::uint32_t pairs = pcre2_get_ovector_count(entry.match);
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(entry.match);
  std::u16string out;
  out.reserve(subject.size() + 32);
  bool matched = false;
  std::size_t copied = 0;  // subject consumed up to here
  std::size_t start = 0;
  std::uint32_t options = 0;
  for (;;) {
    const int rc = pcre2_match(entry.code, text, length, start, options, entry.match, nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) {
      if (options == 0 || start >= length) break;
      // An empty match here has no non-empty alternative: step over one
      // character and search on.
      const bool pair = IsHighSurrogate(subject[start]) && start + 1 < length &&
                        IsLowSurrogate(subject[start + 1]);
      start += pair ? 2 : 1;
      options = 0;
      continue;
    }
    if (rc < 0) return std::nullopt;
    const std::size_t match_start = ovector[0];
    const std::size_t match_end = ovector[1];
    if (match_start < copied || match_end < match_start) return std::nullopt;
    matched = true;
    out.append(subject.substr(copied, match_start - copied));
    for (const Entry::Piece& piece : entry.pieces) {
      if (piece.group == kLiteral) {
        out += piece.text;
      } else if (piece.group >= 0 && static_cast<std::uint32_t>(piece.group) < pairs &&
                 ovector[2 * piece.group] != PCRE2_UNSET) {
        const std::size_t from = ovector[2 * piece.group];
        const std::size_t to = ovector[2 * piece.group + 1];
        if (to > from) out.append(subject.substr(from, to - from));
      }
    }
    copied = match_end;
    if (!entry.global) break;
    start = match_end;
    options = match_start == match_end ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
  }
  if (!matched) return std::nullopt;
  out.append(subject.substr(copied));
  return out;
}

std::optional<std::u16string> Substitute(std::u16string_view command,
                                         std::u16string_view subject) {
  RegexCache cache;
  return cache.Substitute(command, subject);
}

std::vector<std::u16string> SplitReplaceTexts(std::u16string_view field) {
  std::vector<std::u16string> entries;
  if (field.empty()) return entries;
  std::size_t start = 0;
  while (entries.size() < kMaxReplacePairs) {
    const std::size_t slash = field.find(u'/', start);
    entries.emplace_back(field.substr(start, slash - start));
    if (slash == std::u16string_view::npos) break;
    start = slash + 1;
  }
  return entries;
}

std::u16string ReplaceFlags(const ReplaceParams& params) {
  std::u16string flags = u"k";
  if (params.which == kReplaceAll) flags += u'g';
  if (!params.match_case) flags += u'i';
  return flags;
}

std::u16string BuildSubstituteCommand(std::u16string_view search, std::u16string_view replacement,
                                      std::u16string_view flags) {
  std::u16string joined(search);
  joined += u'/';
  joined += replacement;

  std::u16string command = u"s/";
  bool separator_seen = false;
  for (std::size_t i = 0; i < joined.size(); ++i) {
    const char16_t c = joined[i];
    if (c == u'/') {
      if (!separator_seen) command += c;
      separator_seen = true;
      continue;
    }
    if (c != u'\\' || i + 1 == joined.size()) {
      command += c;
      continue;
    }
    const char16_t next = joined[i + 1];
    if (std::u16string_view(u"actnr").find(next) != std::u16string_view::npos) continue;
    if (separator_seen && std::u16string_view(u"fs:e").find(next) != std::u16string_view::npos) {
      command += u"\\\\\\\\";
      continue;
    }
    command += c;
    command += next;
    ++i;
  }
  command += u'/';
  command += flags;
  return command;
}

const std::vector<std::u16string>& RegexCache::CommandsFor(const ReplaceParams& params) {
  std::u16string flags = ReplaceFlags(params);
  if (params.search == built_search_ && params.replacement == built_replacement_ &&
      flags == built_flags_ && !commands_.empty()) {
    return commands_;
  }
  built_search_ = params.search;
  built_replacement_ = params.replacement;
  built_flags_ = std::move(flags);
  commands_.clear();
  for (std::size_t k = 0; k < PairCount(params); ++k) {
    const std::u16string_view to =
        k < params.replacement.size() ? params.replacement[k] : std::u16string_view();
    commands_.push_back(BuildSubstituteCommand(params.search[k], to, built_flags_));
  }
  return commands_;
}

std::u16string ApplyReplace(const std::u16string& source_path, const ReplaceParams& params,
                            RegexCache& regex, const FileSizeFn& file_size) {
  NamePartViews parts = SplitPlainPathViews(source_path);
  std::u16string s(parts.base);
  if (params.with_extension) s += parts.extension;

  const std::size_t pairs = PairCount(params);
  const std::vector<std::u16string>* commands =
      params.use_regex ? &regex.CommandsFor(params) : nullptr;
  const bool shift_jis = regex.interface() == RegexInterface::kShiftJis;

  for (std::size_t k = 0; k < pairs; ++k) {
    const std::u16string_view to =
        k < params.replacement.size() ? params.replacement[k] : std::u16string_view();
    if (!params.use_regex) {
      ReplacePlainPair(s, params.search[k], to, params.which, !params.match_case);
      ExpandTokensIn(s, source_path, kTokenStyleSingle, file_size);
      continue;
    }
    const std::u16string& command = (*commands)[k];
    std::optional<std::u16string> out;
    if (shift_jis) {
      if (!FitsCodePage(command) || !FitsCodePage(s)) {
        s = kNonSjisErrorText;
        parts.extension = {};
        regex.set_non_sjis_found();
        break;
      }
      out = regex.Substitute(FromCodePage(ToCodePage(command)), FromCodePage(ToCodePage(s)));
      if (out) {
        *out = CutToMaxPath(FromCodePage(ToCodePage(*out)));
        std::erase(*out, u'?');
      }
    } else {
      out = regex.Substitute(command, s);
    }
    if (out) {
      s = std::move(*out);
      CutToMaxPath(s);
    }
    ExpandTokensIn(s, source_path, kTokenStyleDoubled, file_size);
  }

  std::u16string result;
  result.reserve(parts.folder.size() + s.size() + parts.extension.size());
  result += parts.folder;
  result += s;
  if (!params.with_extension) result += parts.extension;
  CutToMaxPath(result);
  return result;
}

// ---- the mode ----

namespace {

constexpr SettingBinding kReplaceBindings[] = {
    {ctl::kReplaceWhich, IntKey::kRepmode, true},
    {ctl::kReplaceRegexp, IntKey::kRegexp, false},
    {ctl::kReplaceCase, IntKey::kRepcase, false},
    {ctl::kReplaceExtension, IntKey::kRepwithext, false},
};
constexpr HistoryBinding kReplaceHistories[] = {
    {ctl::kSearchText, HistoryId::kSearch, TextKey::kReplace1str, kReplaceReadChars,
     std::u16string::npos},
    {ctl::kReplacementText, HistoryId::kReplacement, TextKey::kReplace2str, kReplaceReadChars,
     std::u16string::npos},
};

std::vector<PanelControl> ReplaceControls() {
  return {MakeControl(ctl::kSearchText, ControlKind::kEditableCombo),
          MakeControl(ctl::kReplacementText, ControlKind::kEditableCombo),
          MakeControl(ctl::kReplaceWhich, ControlKind::kComboBox, {},
                      {u"全て", u"最初の", u"最後の"}),
          MakeControl(ctl::kReplaceRegexp, ControlKind::kCheckBox, u"正規表現"),
          MakeControl(ctl::kReplaceCase, ControlKind::kCheckBox, u"A/a区別"),
          MakeControl(ctl::kReplaceExtension, ControlKind::kCheckBox, u"拡張子も")};
}

void PrepareReplace(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  ctx.replace.search = SplitReplaceTexts(ctx.texts.search);
  ctx.replace.replacement = SplitReplaceTexts(ctx.texts.replacement);
  ctx.replace.which = settings.Int(IntKey::kRepmode);
  ctx.replace.use_regex = settings.Int(IntKey::kRegexp) != 0;
  ctx.replace.match_case = settings.Int(IntKey::kRepcase) != 0;
  ctx.replace.with_extension = settings.Int(IntKey::kRepwithext) != 0;
}

// The expressions are compiled on the first row of the run.
std::u16string ComputeReplace(ModeContext& ctx, const ModeRow& row) {
  if (!ctx.regex) ctx.regex = std::make_unique<RegexCache>();
  return ApplyReplace(row.source_path, ctx.replace, *ctx.regex, FileSizeFrom(ctx.fs));
}

void CaptureReplace(const StepSource& source, MacroStep& step) {
  const Settings& settings = source.settings;
  step.params = {settings.Int(IntKey::kRepmode), settings.Int(IntKey::kRegexp),
                 settings.Int(IntKey::kRepwithext) + 2 * settings.Int(IntKey::kRepcase)};
  step.text1 = UsedText(source, HistoryId::kSearch, ctl::kSearchText);
  step.text2 = UsedText(source, HistoryId::kReplacement, ctl::kReplacementText);
}

void ApplyReplaceStep(const MacroStep& step, const StepTarget& target) {
  ModePanel& panel = target.panel;
  panel.At(ctl::kReplaceWhich).value = step.params[0];
  panel.At(ctl::kReplaceRegexp).value = step.params[1];
  panel.At(ctl::kReplaceExtension).value = (step.params[2] & 1) != 0;
  panel.At(ctl::kReplaceCase).value = (step.params[2] & 2) != 0;
  SetComboText(panel.At(ctl::kSearchText), step.text1);
  SetComboText(panel.At(ctl::kReplacementText), step.text2);
}

}  // namespace

constinit const ModeDescriptor kReplaceMode = {
    .mode = RenameMode::kReplace,
    .name = u"置換",
    .help = u" ある文字を他の文字に置き換えます。正規表現も使えます。",
    .command_name = u"replace",
    .controls = ReplaceControls,
    .bindings = kReplaceBindings,
    .histories = kReplaceHistories,
    .prepare = PrepareReplace,
    .compute = ComputeReplace,
    .step_form = StepForm::kParameters,
    .step_code = "REP",
    .step_limits = {'2', '1', '3'},
    .capture = CaptureReplace,
    .apply = ApplyReplaceStep,
};

}  // namespace tessivo
