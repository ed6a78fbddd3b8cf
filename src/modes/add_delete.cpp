#include "modes/add_delete.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "config/encoding.h"
#include "modes/name_parts.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

namespace tessivo {
namespace {

constexpr std::size_t kAddPositionFieldChars = 3;

// prefix + name, with the name cut so that the whole stays within 259.
std::u16string JoinWithinLimit(const std::u16string& prefix, std::u16string name) {
  const std::size_t room = prefix.size() < kMaxPathChars ? kMaxPathChars - prefix.size() : 0;
  if (name.size() > room) name.resize(room);
  return prefix + name;
}

// Removes the first occurrence of `part`; false when there is none.
bool RemoveFirst(std::u16string& name, std::u16string_view part) {
  const std::size_t at = name.find(part);
  if (at == std::u16string::npos) return false;
  name.erase(at, part.size());
  return true;
}

void RemoveCopyMarkers(std::u16string& name) {
  // "コピー ～ a.txt", "コピー (2) ～ a.txt": the marker runs from "コピー"
  // through " ～ ", which must start within ten characters of it.
  static constexpr std::u16string_view kCopy = u"コピー";
  static constexpr std::u16string_view kTilde = u" \uFF5E ";
  const std::size_t copy = name.find(kCopy);
  const std::size_t tilde = name.find(kTilde);
  if (copy != std::u16string::npos && tilde != std::u16string::npos && tilde > copy) {
    const std::size_t distance = tilde - copy;
    const bool numbered = name.size() > 9 && name[7] == u'(' && name[9] == u')';
    if (distance < 10 || (distance == 10 && numbered)) {
      name.erase(copy, tilde + kTilde.size() - copy);
    }
  }

  // "a - コピー.txt", "a - コピー (2).txt". A marker not followed by a dot
  // or by " (x)" stays, so a folder "a - コピー" keeps its name.
  static constexpr std::u16string_view kDashCopy = u" - コピー";
  const std::size_t dash = name.find(kDashCopy);
  if (dash == std::u16string::npos) return;
  const std::size_t next = dash + kDashCopy.size();
  if (next < name.size() && name[next] == u'.') {
    name.erase(dash, kDashCopy.size());
  } else if (next + 3 < name.size() && name[next] == u' ' && name[next + 1] == u'(' &&
             name[next + 3] == u')') {
    name.erase(dash, kDashCopy.size() + 4);
  }
}

struct BracketKind {
  char16_t open1;  // 0: the kind has no first pair
  char16_t close1;
  char16_t open2;
  char16_t close2;
  bool digits_only;
};

// Kinds 2 to 7. The 【】 kind has only its full-width pair: its half-width
// counterpart would be a pair of backslashes, which a Windows name cannot
// hold, so names brought from there never carry it.
constexpr BracketKind kBracketKinds[] = {
    {u'[', u']', u'\uFF3B', u'\uFF3D', true},             // 2 [123] ［123］
    {u'(', u')', u'\uFF08', u'\uFF09', true},             // 3 (123) （123）
    {u'[', u']', u'\uFF3B', u'\uFF3D', false},            // 4
    {u'(', u')', u'\uFF08', u'\uFF09', false},            // 5
    {u'\uFF62', u'\uFF63', u'\u300C', u'\u300D', false},  // 6 ｢｣ 「」
    {0, 0, u'\u3010', u'\u3011', false},                  // 7 【】
};

// The earlier of the first `a` and the first `b` at or after `from`.
std::size_t FindEither(const std::u16string& name, char16_t a, char16_t b, std::size_t from) {
  const std::size_t at_a = a != 0 ? name.find(a, from) : std::u16string::npos;
  return std::min(at_a, name.find(b, from));
}

void RemoveBracketed(std::u16string& name, const BracketKind& kind) {
  std::size_t from = 0;
  while (true) {
    const std::size_t open = FindEither(name, kind.open1, kind.open2, from);
    if (open == std::u16string::npos) break;
    const std::size_t close = FindEither(name, kind.close1, kind.close2, open + 1);
    if (close == std::u16string::npos) break;
    if (kind.digits_only && !std::all_of(name.begin() + open + 1, name.begin() + close,
                                         [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
      from = open + 1;
      continue;
    }
    name.erase(open, close - open + 1);
    from = open;
  }
  while (name.size() >= 2 && name[0] == u' ') name.erase(0, 1);
}

// Removes every code unit that code page 932 cannot hold. A "?" of the name
// itself is a character of the code page and stays.
void RemoveOutsideCodePage(std::u16string& name) {
  std::erase_if(name, [](char16_t c) { return !FitsCodePage(std::u16string_view(&c, 1)); });
}

}  // namespace

int ReadAddPosition(std::u16string_view field_text) {
  int value = 0;
  for (char16_t c : field_text.substr(0, kAddPositionFieldChars)) {
    if (c < u'0' || c > u'9') break;
    value = value * 10 + (c - u'0');
  }
  return value;
}

std::u16string ApplyAdd(const std::u16string& source_path, const AddParams& params,
                        const FileSizeFn& file_size) {
  NameParts parts = SplitNamePath(source_path, params.file_dir);
  const std::size_t length = parts.base.size();
  if (params.position >= 0 && static_cast<std::size_t>(params.position) <= length) {
    const std::u16string text =
        ExpandTokens(params.text, source_path, kTokenStyleEscaped, file_size);
    const std::size_t p = static_cast<std::size_t>(params.position);
    parts.base.insert(params.direction == 1 ? length - p : p, text);
  }
  return JoinWithinLimit(parts.Prefix(), parts.Name());
}

std::u16string ApplyDelete(const std::u16string& source_path, const DeleteParams& params) {
  NameParts parts = SplitNamePath(source_path, params.file_dir);
  std::u16string name = parts.Name();
  std::u16string& base = parts.base;
  const std::size_t length = base.size();
  const bool first_count_fits =
      params.count >= 0 && static_cast<std::size_t>(params.count) < length;

  switch (params.kind) {
    case kDeleteShortcutSuffix:
      RemoveFirst(name, u" へのショートカット");
      RemoveFirst(name, u" - ショートカット");
      break;
    case kDeleteCopyMarker:
      RemoveCopyMarkers(name);
      break;
    case kDeleteNumberInBrackets:
    case kDeleteNumberInParens:
    case kDeleteTextInBrackets:
    case kDeleteTextInParens:
    case kDeleteTextInCornerQuotes:
    case kDeleteTextInLenticular:
      RemoveBracketed(name, kBracketKinds[params.kind - kDeleteNumberInBrackets]);
      break;
    case kDeleteFromFront:
      if (first_count_fits)
        name = base.substr(static_cast<std::size_t>(params.count)) + parts.extension;
      break;
    case kDeleteFromBack:
      if (first_count_fits) {
        name = base.substr(0, length - static_cast<std::size_t>(params.count)) + parts.extension;
      }
      break;
    case kDeleteAfterPosition:
      if (first_count_fits && params.count > 0 && params.second_count >= 1) {
        base.erase(static_cast<std::size_t>(params.count),
                   static_cast<std::size_t>(params.second_count));
        name = base + parts.extension;
      }
      break;
    case kDeleteOutsideCodePage:
      RemoveOutsideCodePage(name);
      break;
    default:
      break;
  }
  return JoinWithinLimit(parts.Prefix(), std::move(name));
}

// ---- the modes ----

namespace {

constexpr std::int32_t kLargestRecordedCount = 99;
constexpr std::size_t kDeleteCountChars = 3;
constexpr int kLargestAddPosition = 255;

// A count recorded as two digits (0..99) in parameters 1 and 2.
void CaptureCountDigits(std::int32_t count, MacroStep& step) {
  const std::int32_t n = std::clamp(count, 0, kLargestRecordedCount);
  step.params[1] = n / 10;
  step.params[2] = n % 10;
}

// The value of a decimal text as the C library reads one: leading blanks,
// an optional sign, digits up to the first other character; 0 without any.
// Bounded so that no text overflows it.
long long DecimalValue(std::u16string_view text) {
  constexpr long long kBound = 1'000'000'000'000LL;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = std::min(value * 10 + (text[i] - u'0'), kBound);
  }
  return negative ? -value : value;
}

constexpr SettingBinding kAddBindings[] = {
    {ctl::kAddDirection, IntKey::kAddprepost, true},
};
constexpr NumberBinding kAddNumbers[] = {
    {ctl::kAddPosition, IntKey::kAddlen, kCountDigits, kMaxCount, false},
};
constexpr HistoryBinding kAddHistories[] = {
    {ctl::kAddText, HistoryId::kAdd, TextKey::kAddstr, kModeTextLimit - 1, kFieldReadChars},
};

std::vector<PanelControl> AddControls() {
  return {MakeControl(ctl::kAddDirection, ControlKind::kComboBox, {}, {u"前から", u"後ろから"}),
          MakeControl(ctl::kAddPosition, ControlKind::kEdit),
          MakeControl(ctl::kAddText, ControlKind::kEditableCombo)};
}

void PrepareAdd(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  ctx.add.direction = settings.Int(IntKey::kAddprepost);
  ctx.add.text = ctx.texts.add;
  ctx.add.file_dir = ctx.file_dir;
}

// The position is read from field 1630 when a row is computed.
std::u16string ComputeAdd(ModeContext& ctx, const ModeRow& row) {
  AddParams add = ctx.add;
  add.position =
      std::min(ReadAddPosition(ctx.panel.At(ctl::kAddPosition).text), kLargestAddPosition);
  return ApplyAdd(row.source_path, add, FileSizeFrom(ctx.fs));
}

void CaptureAdd(const StepSource& source, MacroStep& step) {
  step.params[0] = source.settings.Int(IntKey::kAddprepost);
  CaptureCountDigits(source.settings.Int(IntKey::kAddlen), step);
  step.text1 = UsedText(source, HistoryId::kAdd, ctl::kAddText);
}

void ApplyAddStep(const MacroStep& step, const StepTarget& target) {
  target.panel.At(ctl::kAddDirection).value = step.params[0];
  target.panel.At(ctl::kAddPosition).text = DecimalText(step.params[1]) + DecimalText(step.params[2]);
  SetComboText(target.panel.At(ctl::kAddText), step.text1);
}

constexpr SettingBinding kDeleteBindings[] = {
    {ctl::kDeleteKind, IntKey::kDeltype, true},
};
constexpr NumberBinding kDeleteNumbers[] = {
    {ctl::kDeleteCount, IntKey::kDellen, kCountDigits, kMaxCount, false},
    {ctl::kDeleteCount2, IntKey::kDellen2, kCountDigits, kMaxCount, false},
};

std::vector<PanelControl> DeleteControls() {
  return {MakeControl(ctl::kDeleteKind, ControlKind::kComboBox, {},
                      {u" - ショートカット", u"「コピー ～」や「 - コピー」", u"[数字]　　　例：[123]",
                       u"(数字)　　　例：(123)", u"[ 文字 ] ", u"( 文字 )", u"「 文字 」",
                       u"【 文字 】", u"先頭から指定文字数", u"後ろから指定文字数",
                       u"指定文字数より後＿文字分", u"S-JISにないUnicode文字"}),
          MakeControl(ctl::kDeleteCount, ControlKind::kEdit),
          MakeControl(ctl::kDeleteCountLabel, ControlKind::kStatic, kDeleteLabelUnused),
          MakeControl(ctl::kDeleteCount2, ControlKind::kEdit)};
}

void PrepareDelete(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  ctx.erase.kind = settings.Int(IntKey::kDeltype);
  ctx.erase.count = settings.Int(IntKey::kDellen);
  ctx.erase.second_count = settings.Int(IntKey::kDellen2);
  ctx.erase.file_dir = ctx.file_dir;
}

std::u16string ComputeDelete(ModeContext& ctx, const ModeRow& row) {
  return ApplyDelete(row.source_path, ctx.erase);
}

void CaptureDelete(const StepSource& source, MacroStep& step) {
  step.params[0] = source.settings.Int(IntKey::kDeltype);
  CaptureCountDigits(source.settings.Int(IntKey::kDellen), step);
  step.text1 = HeadOf(source.panel.At(ctl::kDeleteCount2).text, kDeleteCountChars);
}

void ApplyDeleteStep(const MacroStep& step, const StepTarget& target) {
  ModePanel& panel = target.panel;
  panel.At(ctl::kDeleteKind).value = step.params[0];
  panel.At(ctl::kDeleteCount).text = DecimalText(10 * step.params[1] + step.params[2]);
  panel.At(ctl::kDeleteCount2).text = DecimalText(DecimalValue(step.text1));
  ApplyDeleteKindRule(panel);
}

}  // namespace

constinit const ModeDescriptor kAddMode = {
    .mode = RenameMode::kAdd,
    .name = u"文字追加",
    .help = u" 文字を前か後ろに付加します。",
    .command_name = u"add",
    .controls = AddControls,
    .bindings = kAddBindings,
    .numbers = kAddNumbers,
    .histories = kAddHistories,
    .own_text_control = ctl::kAddText,
    .prepare = PrepareAdd,
    .compute = ComputeAdd,
    .step_form = StepForm::kParameters,
    .step_code = "ADD",
    .step_limits = {'1', '9', '9'},
    .capture = CaptureAdd,
    .apply = ApplyAddStep,
};

constinit const ModeDescriptor kDeleteMode = {
    .mode = RenameMode::kDelete,
    .name = u"文字削除",
    .help = u" 一部の文字を削除します。",
    .command_name = u"delete",
    .controls = DeleteControls,
    .bindings = kDeleteBindings,
    .numbers = kDeleteNumbers,
    .prepare = PrepareDelete,
    .compute = ComputeDelete,
    .step_form = StepForm::kParameters,
    .step_code = "DEL",
    .step_limits = {';', '9', '9'},
    .capture = CaptureDelete,
    .apply = ApplyDeleteStep,
};

}  // namespace tessivo
