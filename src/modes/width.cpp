#include "modes/width.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "modes/name_parts.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

namespace tessivo {
namespace {

// The name buffer of the conversion holds 260 characters plus a terminator.
constexpr std::size_t kNameLimit = 260;

constexpr char16_t kWideOffset = 0xFEE0;         // full-width ASCII variant - ASCII
constexpr char16_t kVoicedMark = 0xFF9E;         // ﾞ
constexpr char16_t kSemiVoicedMark = 0xFF9F;     // ﾟ
constexpr char16_t kHalfKanaFirst = 0xFF66;      // ｦ
constexpr char16_t kHalfKanaLast = 0xFF9D;       // ﾝ
constexpr char16_t kFullKanaFirst = 0x30A1;      // ァ
constexpr char16_t kFullKanaLast = 0x30F4;       // ヴ
constexpr char16_t kProlongedMark = 0x30FC;      // ー
constexpr char16_t kHalfProlongedMark = 0xFF70;  // ｰ
constexpr char16_t kRightSingleQuote = 0x2019;   // ’

// The full-width letter of each half-width katakana ｦ..ﾝ (U+FF66..U+FF9D),
// in the order of the half-width block.
constexpr char16_t kFullKana[] =
    u"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモ"
    u"ヤユヨラリルレロワン";
constexpr std::size_t kHalfKanaCount = kHalfKanaLast - kHalfKanaFirst + 1;
static_assert(sizeof(kFullKana) / sizeof(char16_t) == kHalfKanaCount + 1);

// The full-width letter of half-width `half` combined with `mark`, or 0 where
// that letter does not exist.
constexpr char16_t Combined(char16_t half, char16_t mark) {
  const char16_t base = kFullKana[half - kHalfKanaFirst];
  const bool ka_to_to = half >= 0xFF76 && half <= 0xFF84;  // ｶ..ﾄ
  const bool ha_to_ho = half >= 0xFF8A && half <= 0xFF8E;  // ﾊ..ﾎ
  if (mark == kVoicedMark) {
    if (half == 0xFF73) return 0x30F4;  // ｳﾞ -> ヴ
    if (ka_to_to || ha_to_ho) return static_cast<char16_t>(base + 1);
  } else if (mark == kSemiVoicedMark && ha_to_ho) {
    return static_cast<char16_t>(base + 2);
  }
  return 0;
}

// The half-width spelling of a full-width katakana letter: its base letter
// and, for a voiced or semi-voiced letter, the mark. `half` 0: no pair.
struct HalfKana {
  char16_t half = 0;
  char16_t mark = 0;
};
constexpr std::size_t kFullKanaCount = kFullKanaLast - kFullKanaFirst + 1;

constexpr std::array<HalfKana, kFullKanaCount> MakeHalfKanaTable() {
  std::array<HalfKana, kFullKanaCount> table{};
  auto put = [&table](char16_t full, char16_t half, char16_t mark) {
    if (full >= kFullKanaFirst && full <= kFullKanaLast) {
      table[full - kFullKanaFirst] = HalfKana{half, mark};
    }
  };
  for (char16_t half = kHalfKanaFirst; half <= kHalfKanaLast; ++half) {
    put(kFullKana[half - kHalfKanaFirst], half, 0);
    if (const char16_t voiced = Combined(half, kVoicedMark)) put(voiced, half, kVoicedMark);
    if (const char16_t semi = Combined(half, kSemiVoicedMark)) put(semi, half, kSemiVoicedMark);
  }
  return table;
}
constexpr std::array<HalfKana, kFullKanaCount> kHalfKana = MakeHalfKanaTable();

// The ASCII symbols that have a full-width pair: every printable ASCII
// character from "!" to "}" that is not a digit, not a letter and not one
// that a file name may not contain.
constexpr std::u16string_view kPairedSymbols = u"!#$%&'()+,-.;=@[]^_`{}";
bool IsPairedSymbol(char16_t c) { return kPairedSymbols.find(c) != std::u16string_view::npos; }

// Half-width punctuation and space and their full-width pairs.
struct PunctuationPair {
  char16_t half;
  char16_t full;
};
constexpr PunctuationPair kPunctuation[] = {
    {0xFF61, 0x3002},  // ｡ 。
    {0xFF62, 0x300C},  // ｢ 「
    {0xFF63, 0x300D},  // ｣ 」
    {0xFF64, 0x3001},  // ､ 、
    {0xFF65, 0x30FB},  // ･ ・
    {0x0020, 0x3000},  // space, ideographic space
};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
char16_t Wide(char16_t c) { return static_cast<char16_t>(c + kWideOffset); }
char16_t Narrow(char16_t c) { return static_cast<char16_t>(c - kWideOffset); }

void ToFullWidth(std::u16string_view in, const WidthParams& p, std::u16string& out) {
  for (std::size_t i = 0; i < in.size(); ++i) {
    const char16_t c = in[i];
    if (p.digits && IsDigit(c)) {
      out += Wide(c);
    } else if (p.letters && IsLetter(c)) {
      out += Wide(c);
    } else if (p.katakana && c >= kHalfKanaFirst && c <= kHalfKanaLast) {
      const char16_t combined = i + 1 < in.size() ? Combined(c, in[i + 1]) : 0;
      if (combined != 0) {
        out += combined;
        ++i;  // the mark is part of the letter
      } else {
        out += kFullKana[c - kHalfKanaFirst];
      }
    } else if (p.symbols && IsPairedSymbol(c)) {
      out += c == u'\'' ? kRightSingleQuote : Wide(c);
    } else {
      char16_t full = c;
      if (p.symbols) {
        for (const PunctuationPair& pair : kPunctuation) {
          if (pair.half == c) full = pair.full;
        }
      }
      out += full;
    }
  }
}

void ToHalfWidth(std::u16string_view in, const WidthParams& p, std::u16string& out) {
  for (const char16_t c : in) {
    if (p.digits && c >= Wide(u'0') && c <= Wide(u'9')) {
      out += Narrow(c);
    } else if (p.letters &&
               ((c >= Wide(u'a') && c <= Wide(u'z')) || (c >= Wide(u'A') && c <= Wide(u'Z')))) {
      out += Narrow(c);
    } else if (p.katakana && c >= kFullKanaFirst && c <= kFullKanaLast &&
               kHalfKana[c - kFullKanaFirst].half != 0) {
      const HalfKana& half = kHalfKana[c - kFullKanaFirst];
      out += half.half;
      if (half.mark != 0) out += half.mark;
    } else if (p.katakana && c == kProlongedMark) {
      out += kHalfProlongedMark;
    } else if (p.symbols && c >= Wide(u'!') && c <= Wide(u'}') && IsPairedSymbol(Narrow(c)) &&
               c != Wide(u'\'')) {
      out += Narrow(c);
    } else if (p.symbols && c == kRightSingleQuote) {
      out += u'\'';
    } else {
      char16_t half = c;
      if (p.symbols) {
        for (const PunctuationPair& pair : kPunctuation) {
          if (pair.full == c) half = pair.half;
        }
      }
      out += half;
    }
  }
}

}  // namespace

std::u16string ConvertWidth(std::u16string_view text, const WidthParams& params) {
  std::u16string out;
  out.reserve(text.size() * 2);
  if (params.direction == kToFullWidth) {
    ToFullWidth(text, params, out);
  } else {
    ToHalfWidth(text, params, out);
  }
  return out;
}

std::u16string ApplyWidth(const std::u16string& source_path, const WidthParams& params) {
  const NameParts parts = SplitNamePath(source_path, params.file_dir);
  const std::u16string_view base = std::u16string_view(parts.base).substr(0, kNameLimit);
  std::u16string name = ConvertWidth(base, params);
  const std::size_t prefix = parts.drive.size() + parts.folder.size();
  if (prefix + name.size() > kNameLimit) {
    name.resize(prefix < kNameLimit ? kNameLimit - prefix : 0);
  }
  return parts.Prefix() + name + parts.extension;
}

// ---- the mode ----

namespace {

constexpr SettingBinding kWidthBindings[] = {
    {ctl::kWidthDirection, IntKey::kZenorhan, true},
};

// The character classes as a step stores them, bit by bit.
struct WidthClassBit {
  int control;
  std::uint32_t setting_bit;  // in `zentohan`
  int step_bit;
};
constexpr WidthClassBit kWidthClassBits[] = {
    {ctl::kWidthKatakana, zen::kKatakana, 4},
    {ctl::kWidthLetters, zen::kLetters, 2},
    {ctl::kWidthDigits, zen::kDigits, 1},
    {ctl::kWidthSymbols, zen::kSymbols, 8},
};

std::vector<PanelControl> WidthControls() {
  return {MakeControl(ctl::kWidthDirection, ControlKind::kComboBox, {},
                      {u"半角(ｱA1)に", u"全角 （アＡ１） に"}),
          MakeControl(ctl::kWidthKatakana, ControlKind::kCheckBox, u"カタカナ"),
          MakeControl(ctl::kWidthLetters, ControlKind::kCheckBox, u"英字"),
          MakeControl(ctl::kWidthDigits, ControlKind::kCheckBox, u"数字"),
          MakeControl(ctl::kWidthSymbols, ControlKind::kCheckBox, u"記号")};
}

void PrepareWidth(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  ctx.width.direction = settings.Int(IntKey::kZenorhan);
  ctx.width.katakana = settings.WordBit(OptionWord::kZentohan, zen::kKatakana);
  ctx.width.letters = settings.WordBit(OptionWord::kZentohan, zen::kLetters);
  ctx.width.digits = settings.WordBit(OptionWord::kZentohan, zen::kDigits);
  ctx.width.symbols = settings.WordBit(OptionWord::kZentohan, zen::kSymbols);
  ctx.width.file_dir = ctx.file_dir;
}

std::u16string ComputeWidth(ModeContext& ctx, const ModeRow& row) {
  return CutToMaxPath(ApplyWidth(row.source_path, ctx.width));
}

void CaptureWidth(const StepSource& source, MacroStep& step) {
  const std::uint32_t word = source.settings.Word(OptionWord::kZentohan);
  int classes = 0;
  for (const WidthClassBit& c : kWidthClassBits) {
    if ((word & c.setting_bit) != 0) classes |= c.step_bit;
  }
  step.params = {source.settings.Int(IntKey::kZenorhan), classes, 0};
}

void ApplyWidthStep(const MacroStep& step, const StepTarget& target) {
  target.panel.At(ctl::kWidthDirection).value = step.params[0];
  for (const WidthClassBit& c : kWidthClassBits) {
    target.panel.At(c.control).value = (step.params[1] & c.step_bit) != 0;
  }
}

}  // namespace

constinit const ModeDescriptor kWidthMode = {
    .mode = RenameMode::kWidth,
    .name = u"全角/半角",
    .help = u" 英字・数字・カタカナ・記号の文字を全角/半角にします。",
    .command_name = u"width",
    .controls = WidthControls,
    .bindings = kWidthBindings,
    .prepare = PrepareWidth,
    .compute = ComputeWidth,
    .step_form = StepForm::kParameters,
    .step_code = "ZH ",
    .step_limits = {'1', '?', '0'},
    .capture = CaptureWidth,
    .apply = ApplyWidthStep,
};

}  // namespace tessivo
