#include "modes/mode_catalogue.h"

#include <algorithm>

#include "core/status_sink.h"

namespace tessivo {
namespace {

constexpr std::u16string_view kPlaceholderHelp = u" 。";

constexpr std::array<ModeEntry, kModeTableSize> kModeTable = {{
    {u"位置編集", u" 文字を追加したり、必要ない箇所の文字を削除します。", u"position"},
    {u"拡張子", u" 拡張子を変更します。空白にすると拡張子がなくなります。", u"extension"},
    {u"連番 (123...)", u" 連番を付けます。数字以外の文字も入力できます。", u"serial"},
    {u"大(A)⇔小(a)", u" 大文字・小文字を変換します。", u"case"},
    {u"全角/半角", u" 英字・数字・カタカナ・記号の文字を全角/半角にします。", u"width"},
    {u"8.3形式", u" \"8文字＋拡張子3文字\" の形式にします。", u"short"},
    {u"文字追加", u" 文字を前か後ろに付加します。", u"add"},
    {u"文字削除", u" 一部の文字を削除します。", u"delete"},
    {u"日時", u" 作成日時、更新日時、撮影日時を追加します。", u"date"},
    {u"置換", u" ある文字を他の文字に置き換えます。正規表現も使えます。", u"replace"},
    {u"CSV等", u" 作成済みのCSVファイルを読み込みます。", u"csv"},
    {u"ランダム", u" ランダムなファイル名にします。つまりパルプンテです。", u"random"},
    {u"ﾀｲﾑｽﾀﾝﾌﾟ", u" タイムスタンプを指定した日時にします。", u"timestamp"},
    {u"属性", u" 読み取り専用・隠しファイル等の属性を変更します。", u"attributes"},
    {u"", kPlaceholderHelp, u""},
    {u"", kPlaceholderHelp, u""},
    {u"", kPlaceholderHelp, u""},
    {u"", kPlaceholderHelp, u""},
    {u"マクロ", u" 複数のモードの処理を記録して再生(連続に処理)します。何度も利用できます。", u"macro"},
    {u"", kPlaceholderHelp, u""},
    {u"", u"", u""},
    {u"", u"", u""},
    {u"", u"", u""},
    {u"", u"", u""},
}};

constexpr ModeEntry kNoEntry{};

bool InTable(int index) { return index >= 0 && index < kModeTableSize; }

}  // namespace

const ModeEntry& ModeEntryAt(int index) {
  return InTable(index) ? kModeTable[static_cast<std::size_t>(index)] : kNoEntry;
}

bool IsNamedMode(int mode) { return !ModeEntryOf(mode).name.empty(); }

int FindModeByName(std::u16string_view name) {
  if (name.empty()) return 0;
  for (int index = 0; index < kModeTableSize; ++index) {
    const ModeEntry& entry = ModeEntryAt(index);
    if (name == entry.command_name || name == entry.name) return index + 1;
  }
  return 0;
}

int ModeGroup(int mode) {
  if (!InTable(mode - 1)) return 0;
  return (mode - 1) / kModeButtons + 1;
}

std::u16string ModeStatusText(int code) {
  if (code < status_code::kFirstModeHelp || code > status_code::kLastModeHelp) return {};
  const ModeEntry& entry = ModeEntryOf(code - 4);
  return ModeHelpStatusText(entry.name, entry.help);
}

int ModeIndexForButton(int tab, int button) {
  if (tab < 0 || tab >= kModeTabs) tab = 0;
  if (button < 1 || button > kModeButtons) button = 1;
  return kModeButtons * tab + button - 1;
}

int TabOfModeIndex(int index) { return std::clamp(index, 0, kModeTableSize - 1) / kModeButtons; }

int ButtonOfModeIndex(int index) {
  return std::clamp(index, 0, kModeTableSize - 1) % kModeButtons + 1;
}

std::array<ModeButtonFace, kModeButtons> ModeButtonsOfTab(int tab) {
  std::array<ModeButtonFace, kModeButtons> faces;
  for (int b = 1; b <= kModeButtons; ++b) {
    const ModeEntry& entry = ModeEntryAt(ModeIndexForButton(tab, b));
    faces[static_cast<std::size_t>(b - 1)] = {kFirstModeButtonId + b - 1, entry.name,
                                              !entry.name.empty()};
  }
  return faces;
}

int StepModeIndex(int index, int step) {
  const int delta = step == -1 ? -1 : 1;
  int i = std::clamp(index, 0, kModeTableSize - 1);
  // At most one full turn: the table always has named entries.
  for (int n = 0; n < kModeTableSize; ++n) {
    i = (i + delta + kModeTableSize) % kModeTableSize;
    if (!ModeEntryAt(i).name.empty()) return i;
  }
  return index;
}

}  // namespace tessivo
