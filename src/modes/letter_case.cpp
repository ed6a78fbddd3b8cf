#include "modes/letter_case.h"

#include <unicode/uchar.h>

#include "modes/name_parts.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

namespace tessivo {
namespace {

constexpr char16_t kFullWidthUpperA = 0xFF21;
constexpr char16_t kFullWidthUpperZ = 0xFF3A;
constexpr char16_t kFullWidthLowerA = 0xFF41;
constexpr char16_t kFullWidthLowerZ = 0xFF5A;
constexpr char16_t kRightSingleQuote = 0x2019;

bool IsAsciiLower(char16_t c) { return c >= u'a' && c <= u'z'; }
bool IsAsciiUpper(char16_t c) { return c >= u'A' && c <= u'Z'; }
bool IsAsciiLetter(char16_t c) { return IsAsciiLower(c) || IsAsciiUpper(c); }
bool IsFullWidthLower(char16_t c) { return c >= kFullWidthLowerA && c <= kFullWidthLowerZ; }
bool IsFullWidthLetter(char16_t c) {
  return IsFullWidthLower(c) || (c >= kFullWidthUpperA && c <= kFullWidthUpperZ);
}

char16_t AsciiToUpper(char16_t c) { return IsAsciiLower(c) ? static_cast<char16_t>(c - 0x20) : c; }
char16_t AsciiToLower(char16_t c) { return IsAsciiUpper(c) ? static_cast<char16_t>(c + 0x20) : c; }

// ICU's simple mapping of one code unit; a mapping that would leave the
// Basic Multilingual Plane (none does today) keeps the unit.
char16_t MapUnit(char16_t c, bool upper) {
  const UChar32 mapped = upper ? u_toupper(c) : u_tolower(c);
  return mapped >= 0 && mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

void ToUpper(std::u16string& text, bool all_letters) {
  for (char16_t& c : text) c = all_letters ? MapUnit(c, true) : AsciiToUpper(c);
}

void ToLower(std::u16string& text, bool all_letters) {
  for (char16_t& c : text) c = all_letters ? MapUnit(c, false) : AsciiToLower(c);
}

bool AllAsciiLower(const std::u16string& text) {
  for (char16_t c : text) {
    if (!IsAsciiLower(c)) return false;
  }
  return true;
}

// Capitals at the start of every word after the first character, up to the
// extension of a file.
void CapitalizeWordStarts(std::u16string& name, std::size_t extension_length,
                          const LetterCaseParams& params) {
  const std::size_t n = name.size();
  for (std::size_t i = 1; i < n; ++i) {
    if (!params.file_dir && i == n - extension_length) break;
    const char16_t before = name[i - 1];
    if (IsAsciiLower(name[i])) {
      const bool inside_word =
          IsAsciiLetter(before) || (before == u'\'' && i >= 2 && IsAsciiLetter(name[i - 2]));
      if (!inside_word) name[i] = AsciiToUpper(name[i]);
    } else if (params.full_width_too && IsFullWidthLower(name[i])) {
      const bool inside_word =
          IsFullWidthLetter(before) ||
          (before == kRightSingleQuote && i >= 2 && IsFullWidthLetter(name[i - 2]));
      if (!inside_word) name[i] = static_cast<char16_t>(name[i] - 0x20);
    }
  }
}

}  // namespace

void ExceptionWordTable::BuildExceptionLists(std::u16string_view bsexcept0,
                                             std::u16string_view bsexcept1,
                                             std::u16string_view bsexcept2) {
  const std::array<std::u16string_view, kListCount> texts = {bsexcept0, bsexcept1, bsexcept2};
  for (std::size_t list = 0; list < kListCount; ++list) {
    std::vector<Word>& words = lists_[list];
    words.clear();
    Word word;
    auto close_word = [&] {
      if (!word.search.empty() && words.size() < kMaxWords) words.push_back(word);
      word = Word{};
    };
    for (char16_t c : texts[list]) {
      if (c == u' ') {
        close_word();
        continue;
      }
      const bool keep =
          IsAsciiLetter(c) || (!word.search.empty() && (c == u'_' || c == u'-' || c == u'.'));
      if (!keep) continue;
      char16_t search = c;
      if (list == 0) {
        search = AsciiToLower(c);
      } else if (list == 1) {
        search = AsciiToUpper(c);
      } else {
        search = word.search.empty() ? AsciiToUpper(c) : AsciiToLower(c);
      }
      word.search.push_back(search);
      word.replacement.push_back(c);
      if (word.search.size() >= kMaxWordChars) close_word();
    }
    close_word();
  }
}

const std::vector<ExceptionWordTable::Word>& ExceptionWordTable::words(std::size_t list) const {
  static const std::vector<Word> kNoWords;
  return list < kListCount ? lists_[list] : kNoWords;
}

void ExceptionWordTable::ApplyExceptionList(std::size_t list, std::u16string& name) const {
  if (list >= kListCount) return;
  const std::size_t n = name.size();
  for (const Word& word : lists_[list]) {
    const std::size_t length = word.search.size();
    std::size_t from = 0;
    while (from < n) {
      const std::size_t q = name.find(word.search, from);
      if (q == std::u16string::npos) break;
      const std::size_t end = q + length;
      const bool keeps_first_capital = list == 2 && q == 0 && AllAsciiLower(word.replacement);
      const bool joined =
          (q > 0 && IsAsciiLetter(name[q - 1])) || (end < n && IsAsciiLetter(name[end]));
      if (!keeps_first_capital && !joined) name.replace(q, length, word.replacement);
      from = end + 1;
    }
  }
}

std::u16string ApplyLetterCase(const std::u16string& source_path, const LetterCaseParams& params,
                               const ExceptionWordTable& exceptions) {
  const NameParts parts = SplitPlainPath(source_path);
  std::u16string name = parts.Name();
  switch (params.option) {
    case kCaseAllUpper:
      ToUpper(name, params.full_width_too);
      exceptions.ApplyExceptionList(1, name);
      break;
    case kCaseAllUpperExceptExtension: {
      std::u16string base = parts.base;
      ToUpper(base, params.full_width_too);
      name = base + parts.extension;
      exceptions.ApplyExceptionList(1, name);
      break;
    }
    case kCaseAllLower:
    case kCaseFirstUpper:
    case kCaseWordInitialUpper:
      ToLower(name, params.full_width_too);
      if (params.option == kCaseAllLower) {
        exceptions.ApplyExceptionList(0, name);
        break;
      }
      if (!name.empty()) {
        if (IsAsciiLower(name[0])) {
          name[0] = AsciiToUpper(name[0]);
        } else if (params.full_width_too && IsFullWidthLower(name[0])) {
          name[0] = static_cast<char16_t>(name[0] - 0x20);
        }
      }
      if (params.option == kCaseWordInitialUpper) {
        CapitalizeWordStarts(name, parts.extension.size(), params);
        exceptions.ApplyExceptionList(2, name);
      }
      break;
    default:
      return source_path;
  }
  return parts.Prefix() + name;
}

// ---- the mode ----

namespace {

constexpr SettingBinding kLetterCaseBindings[] = {
    {ctl::kCaseOption, IntKey::kBigsmall, true},
    {ctl::kCaseFullWidth, IntKey::kDbytebig, false},
};

std::vector<PanelControl> LetterCaseControls() {
  return {MakeControl(ctl::kCaseOption, ControlKind::kComboBox, {},
                      {u"全て小文字（abc）に", u"全て大文字（ABC）に",
                       u"全て大文字（ABC）に (拡張子は除く)", u"先頭だけ大文字（Abc_def）に",
                       u"語頭を大文字（Abc_Def）に"}),
          MakeControl(ctl::kCaseFullWidth, ControlKind::kCheckBox, u"全角文字(ＡＢＣ)も"),
          MakeControl(ctl::kExceptionLabel, ControlKind::kStatic, u"例外単語"),
          MakeControl(ctl::kExceptionWords, ControlKind::kEdit)};
}

// The exception word lists are rebuilt from `bsexcept0`..`bsexcept2`.
void PrepareLetterCase(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  ctx.letter_case.option = settings.Int(IntKey::kBigsmall);
  ctx.letter_case.full_width_too = settings.Int(IntKey::kDbytebig) != 0;
  ctx.letter_case.file_dir = ctx.file_dir;
  ctx.exceptions.BuildExceptionLists(settings.Text(TextKey::kBsexcept0),
                                     settings.Text(TextKey::kBsexcept1),
                                     settings.Text(TextKey::kBsexcept2));
}

std::u16string ComputeLetterCase(ModeContext& ctx, const ModeRow& row) {
  return ApplyLetterCase(row.source_path, ctx.letter_case, ctx.exceptions);
}

// The step keeps the exception words of the option it used.
void CaptureLetterCase(const StepSource& source, MacroStep& step) {
  const Settings& settings = source.settings;
  const int option = settings.Int(IntKey::kBigsmall);
  step.params = {option, settings.Int(IntKey::kDbytebig), 0};
  if (option == kCaseAllLower) step.text1 = settings.Text(TextKey::kBsexcept0);
  if (option == kCaseAllUpper || option == kCaseAllUpperExceptExtension) {
    step.text1 = settings.Text(TextKey::kBsexcept1);
  }
  if (option == kCaseWordInitialUpper) step.text1 = settings.Text(TextKey::kBsexcept2);
}

void ApplyLetterCaseStep(const MacroStep& step, const StepTarget& target) {
  ModePanel& panel = target.panel;
  panel.At(ctl::kCaseOption).value = step.params[0];
  panel.At(ctl::kCaseFullWidth).value = step.params[1] == 1 ? 1 : 0;
  ApplyCaseOptionRule(panel, target.settings);
  if (step.params[0] != kCaseFirstUpper) panel.At(ctl::kExceptionWords).text = step.text1;
}

}  // namespace

constinit const ModeDescriptor kLetterCaseMode = {
    .mode = RenameMode::kLetterCase,
    .name = u"大(A)⇔小(a)",
    .help = u" 大文字・小文字を変換します。",
    .command_name = u"case",
    .controls = LetterCaseControls,
    .bindings = kLetterCaseBindings,
    .prepare = PrepareLetterCase,
    .compute = ComputeLetterCase,
    .target_may_be_source = true,
    .changes_case = true,
    .step_form = StepForm::kParameters,
    .step_code = "Aa ",
    .step_limits = {'4', '1', '0'},
    .capture = CaptureLetterCase,
    .apply = ApplyLetterCaseStep,
};

}  // namespace tessivo
