#include "modes/random_name.h"

#include <array>
#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

#include "config/encoding.h"
#include "modes/name_parts.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

namespace tessivo {
namespace {

// The character tables. Their order is part of the behaviour: a draw r picks
// the entry r mod size.
constexpr std::u16string_view kAlphanumeric =
    u"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::size_t kDigitCount = 10;
constexpr std::size_t kLetterCount = 52;
constexpr std::u16string_view kHiragana =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
    u"がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽぁぃぅぇぉゃゅょっ";
constexpr std::u16string_view kKatakana =
    u"アウイエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン"
    u"ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポァィゥェォャュョッ";
constexpr std::u16string_view kFullWidthAlphanumericGreek =
    u"０１２３４５６７８９ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ"
    u"ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ"
    u"ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩαβγδεζηθικλμνξοπρστυφχψω";
constexpr std::u16string_view kFullWidthSymbols =
    u"、。，．・：；？！゛゜´｀¨＾￣＿ヽヾゝゞ〃仝々〆〇ー―‐／＼～∥｜…‥‘’“”（）〔〕［］｛｝〈〉《》"
    u"「」『』【】"
    u"＋－±×÷＝≠＜＞≦≧∞∴♂♀°′″℃￥＄￠￡％＃＆＊＠§☆★○●◎◇◆□■△▲▽▼※〒→←↑↓〓∈∋⊆⊇⊂⊃∪∩∧∨￢⇒⇔∀∃∠⊥⌒∂∇"
    u"≡≒≪≫√∽∝∵∫∬Å‰♯♭♪†‡¶◯";
constexpr std::u16string_view kCyrillic =
    u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжийклмнопрстуфхцчшщъыьэюя";
static_assert(kAlphanumeric.size() == kDigitCount + kLetterCount);
static_assert(kHiragana.size() == 80);
static_assert(kKatakana.size() == 80);
static_assert(kFullWidthAlphanumericGreek.size() == 110);
static_assert(kFullWidthSymbols.size() == 146);
static_assert(kCyrillic.size() == 65);

// Category bounds of the full-width choice, as fractions of the largest draw.
constexpr double kMaxDraw = 32767.0;
constexpr double kHiraganaBelow = 0.12 * kMaxDraw;
constexpr double kKatakanaBelow = 0.24 * kMaxDraw;
constexpr double kAlphanumericBelow = 0.32 * kMaxDraw;
constexpr double kSymbolsBelow = 0.44 * kMaxDraw;
constexpr double kCyrillicBelow = 0.56 * kMaxDraw;

// Kanji are drawn as code page 932 codes: lead byte 0x89..0x96 (the first
// level of JIS kanji, fully assigned), trail byte 0x40..0xFC with 0x7F, which
// is not a trail byte, taken as 0x77.
constexpr int kLeadFirst = 0x89;
constexpr int kLeadCount = 14;
constexpr int kTrailFirst = 0x40;
constexpr int kTrailCount = 189;

using KanjiTable = std::array<char16_t, kLeadCount * kTrailCount>;

const KanjiTable& Kanji() {
  static const KanjiTable table = [] {
    KanjiTable t{};
    for (int lead = 0; lead < kLeadCount; ++lead) {
      for (int trail = 0; trail < kTrailCount; ++trail) {
        int trail_byte = trail + kTrailFirst;
        if (trail_byte == 0x7F) trail_byte = 0x77;
        const char bytes[2] = {static_cast<char>(lead + kLeadFirst), static_cast<char>(trail_byte)};
        const std::u16string decoded = FromCodePage(std::string_view(bytes, 2));
        t[static_cast<std::size_t>(lead * kTrailCount + trail)] =
            decoded.empty() ? u'?' : decoded[0];
      }
    }
    return t;
  }();
  return table;
}

char16_t Pick(std::u16string_view table, int draw) {
  return table[static_cast<std::size_t>(draw) % table.size()];
}

char16_t DrawDigit(RandomGenerator& random) {
  return kAlphanumeric[static_cast<std::size_t>(random.Next()) % kDigitCount];
}

char16_t DrawLetter(RandomGenerator& random) {
  return kAlphanumeric[kDigitCount + static_cast<std::size_t>(random.Next()) % kLetterCount];
}

// Pattern 6: a full-width character or an ASCII letter or digit.
char16_t DrawMixed(RandomGenerator& random) {
  if (random.Next() % 4 >= 2) return DrawFullWidthChar(random);
  return Pick(kAlphanumeric, random.Next());
}

// Draws the name and the candidate extension of one row with `pattern`.
void DrawName(int pattern, int length, RandomGenerator& random, std::u16string& name,
              std::u16string& extension) {
  for (int i = 0; i < length; ++i) {
    switch (pattern) {
      case kRandomDigits:
        name += DrawDigit(random);
        extension += DrawDigit(random);
        break;
      case kRandomLetters:
        name += DrawLetter(random);
        extension += DrawLetter(random);
        break;
      case kRandomLettersThenDigits:
        if (i >= length / 2) {
          name += DrawDigit(random);
          extension += DrawDigit(random);
        } else {
          name += DrawLetter(random);
          extension += DrawLetter(random);
        }
        break;
      case kRandomLettersAndDigits:
        if (random.Next() % 100 >= 25) {
          name += DrawLetter(random);
          extension += DrawLetter(random);
        } else {
          name += DrawDigit(random);
          extension += DrawDigit(random);
        }
        break;
      case kRandomHiragana:
        name += Pick(kHiragana, random.Next());
        extension += Pick(kHiragana, random.Next());
        break;
      case kRandomFullWidth:
        name += DrawFullWidthChar(random);
        extension += DrawFullWidthChar(random);
        break;
      case kRandomAllMixed:
        name += DrawMixed(random);
        if (i < 3) extension += DrawMixed(random);
        break;
      default:
        break;
    }
  }
}

}  // namespace

RandomGenerator RandomGenerator::SeededFromClock() {
  return RandomGenerator(static_cast<std::uint32_t>(std::time(nullptr)));
}

char16_t DrawFullWidthChar(RandomGenerator& random) {
  const double category = random.Next();
  if (category < kHiraganaBelow) return Pick(kHiragana, random.Next());
  if (category < kKatakanaBelow) return Pick(kKatakana, random.Next());
  if (category < kAlphanumericBelow) return Pick(kFullWidthAlphanumericGreek, random.Next());
  if (category < kSymbolsBelow) return Pick(kFullWidthSymbols, random.Next());
  if (category < kCyrillicBelow) return Pick(kCyrillic, random.Next());
  const int lead = random.Next() % kLeadCount;
  const int trail = random.Next() % kTrailCount;
  return Kanji()[static_cast<std::size_t>(lead * kTrailCount + trail)];
}

std::u16string ApplyRandomName(const std::u16string& source_path, const RandomNameParams& params,
                               RandomGenerator& random) {
  const bool pattern_ok =
      params.pattern >= kRandomDigits && params.pattern <= kRandomAllMixed;
  const bool ext_ok = params.extension >= kRandomExtKeep && params.extension <= kRandomExtRandomOrNone;
  const int length_count = static_cast<int>(std::size(kRandomLengths));
  const bool length_ok = params.length >= 0 && params.length < length_count;
  if (!pattern_ok || !ext_ok || !length_ok) return CutToMaxPath(source_path);

  const NameParts parts = SplitPlainPath(source_path);
  const RandomLengthRange range = kRandomLengths[params.length];
  const int length = random.Next() % (range.hi - range.lo + 1) + range.lo;

  std::u16string name;
  std::u16string extension;
  name.reserve(static_cast<std::size_t>(length));
  extension.reserve(static_cast<std::size_t>(length));
  DrawName(params.pattern, length, random, name, extension);

  int rule = params.extension;
  if (rule == kRandomExtRandomOrNone) {
    rule = random.Next() % 4 < 2 ? kRandomExtNone : kRandomExtRandom;
  }
  std::u16string result = parts.Prefix() + name;
  if (rule == kRandomExtKeep) {
    result += parts.extension;
  } else if (rule == kRandomExtRandom) {
    result += u'.';
    result += extension;
  }
  CutToMaxPath(result);
  return result;
}

// ---- the mode ----

namespace {

constexpr SettingBinding kRandomBindings[] = {
    {ctl::kRandomPattern, IntKey::kRndpattern, true},
    {ctl::kRandomExtension, IntKey::kRndext, true},
    {ctl::kRandomLength, IntKey::kRndlen, true},
};

std::vector<PanelControl> RandomControls() {
  return {MakeControl(ctl::kRandomPattern, ControlKind::kComboBox, {},
                      {u"数字のみ", u"英字のみ", u"前半:英字　後半:数字", u"数字と英字　混在",
                       u"ひらがなのみ", u"全角　混在", u"全角半角　全部混在"}),
          MakeControl(ctl::kRandomExtension, ControlKind::kComboBox, {},
                      {u"元のまま", u"無し", u"ランダム", u"ランダム or 無し"}),
          MakeControl(ctl::kRandomLength, ControlKind::kComboBox, {},
                      {u"4 文字固定", u"4～8 文字", u"4～16 文字", u"8 文字固定", u"8～16 文字",
                       u"16 文字固定"})};
}

void PrepareRandom(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  ctx.random_name = {settings.Int(IntKey::kRndpattern), settings.Int(IntKey::kRndext),
                     settings.Int(IntKey::kRndlen)};
}

// Without the program's generator the preset stays.
std::u16string ComputeRandom(ModeContext& ctx, const ModeRow& row) {
  if (ctx.random == nullptr) return row.preset_destination;
  return ApplyRandomName(row.source_path, ctx.random_name, *ctx.random);
}

void CaptureRandom(const StepSource& source, MacroStep& step) {
  step.params = {source.settings.Int(IntKey::kRndpattern), source.settings.Int(IntKey::kRndlen),
                 source.settings.Int(IntKey::kRndext)};
}

void ApplyRandomStep(const MacroStep& step, const StepTarget& target) {
  target.panel.At(ctl::kRandomPattern).value = step.params[0];
  target.panel.At(ctl::kRandomLength).value = step.params[1];
  target.panel.At(ctl::kRandomExtension).value = step.params[2];
}

}  // namespace

constinit const ModeDescriptor kRandomMode = {
    .mode = RenameMode::kRandom,
    .name = u"ランダム",
    .help = u" ランダムなファイル名にします。つまりパルプンテです。",
    .command_name = u"random",
    .controls = RandomControls,
    .bindings = kRandomBindings,
    .prepare = PrepareRandom,
    .compute = ComputeRandom,
    .step_form = StepForm::kParameters,
    .step_code = "RND",
    .step_limits = {'6', '5', '3'},
    .capture = CaptureRandom,
    .apply = ApplyRandomStep,
};

}  // namespace tessivo
