#include "core/message.h"

#include <algorithm>
#include <string>

#include "base/rename_mode.h"
#include "core/file_list.h"

namespace tessivo {

namespace {

constexpr std::u16string_view kTo = u"に\n";
constexpr std::u16string_view kTimestampOf = u"のタイムスタンプを";
constexpr std::u16string_view kAttributesOf = u"の属性を";
constexpr std::u16string_view kWillChange = u"変更します。\n\nよろしいですか？";
constexpr std::u16string_view kCouldNotChange = u"変更できませんでした。\n\n続行しますか。";
constexpr std::u16string_view kActionRead = u"ファイルを読み込め";
constexpr std::u16string_view kActionOptions = u"設定を開け";

enum class ModeGroup { kName, kTimestamp, kAttributes, kOther };

ModeGroup GroupOf(unsigned mode) {
  if (mode == ModeNumber(RenameMode::kTimestamp)) return ModeGroup::kTimestamp;
  if (mode == ModeNumber(RenameMode::kAttributes)) return ModeGroup::kAttributes;
  if (mode < ModeNumber(RenameMode::kTimestamp) || mode == ModeNumber(RenameMode::kMacro)) {
    return ModeGroup::kName;
  }
  return ModeGroup::kOther;
}

std::u16string Quoted(std::u16string_view text) {
  std::u16string out(u"\"");
  out.append(text).append(u"\"");
  return out;
}

std::u16string Number(int n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

MessageBox Box(std::u16string_view title, std::u16string text, unsigned style) {
  return MessageBox{std::u16string(title), std::move(text), style, true};
}

}  // namespace

std::optional<MessageBox> ComposeMessage(int kind, unsigned mode, std::u16string_view text_a,
                                         std::u16string_view text_b) {
  if (kind == message_kind::kCustom) return Box(text_a, std::u16string(text_b), mode);
  if (mode >= 25) return std::nullopt;
  const ModeGroup group = GroupOf(mode);

  switch (kind) {
    case message_kind::kChangeFailed: {
      std::u16string text = Quoted(text_a);
      if (group == ModeGroup::kName) {
        text.append(u"  を \n").append(Quoted(text_b)).append(u"  ").append(kTo);
      } else {
        text.append(u"\n").append(group == ModeGroup::kTimestamp ? kTimestampOf : kAttributesOf);
      }
      text.append(kCouldNotChange);
      return Box(u"Continue?", std::move(text), box::kYesNo | box::kIconStop | box::kDefButton2);
    }

    case message_kind::kOfferMoreFiles: {
      const int index = std::min(static_cast<int>(mode), kMaxFileIndexLast);
      const int next = std::min(index + 1, kMaxFileIndexLast);
      std::u16string text(u"扱える最大ファイル数に達しました。\r\n\r\n設定値を増加しますか。(");
      text.append(Number(MaxFileCount(index))).append(u" → ");
      text.append(Number(MaxFileCount(next))).append(u")");
      return Box(u"Too Many Files!", std::move(text), box::kYesNo | box::kIconWarning);
    }

    case message_kind::kNoMemory:
      return Box(u"Run Short of Memory!", u"メモリが不足しているため、処理できません。",
                 box::kOk | box::kIconStop);

    case message_kind::kEndModeFirst: {
      const bool asking = text_b.size() >= 3 && text_b[2] == u'0';
      std::u16string_view action;
      if (!text_b.empty() && text_b[0] == u'0') action = kActionRead;
      if (!text_b.empty() && text_b[0] == u'1') action = kActionOptions;
      std::u16string text(text_a);
      text.append(u"しないと").append(action).append(u"ません。");
      if (asking) text.append(u"\r\n\r\n").append(text_a).append(u"しますか。");
      return Box(asking ? u"Stop this mode?" : u"Stop this mode.", std::move(text),
                 asking ? box::kYesNo : box::kOk);
    }

    case message_kind::kConfirmCancel:
    case message_kind::kConfirm: {
      std::u16string_view title;
      std::u16string text = Quoted(text_a);
      switch (group) {
        case ModeGroup::kName:
          title = u"Rename?";
          text.append(u"\n ↓\n").append(Quoted(text_b)).append(u"\n\n").append(kTo);
          text.append(kWillChange);
          break;
        case ModeGroup::kTimestamp:
        case ModeGroup::kAttributes:
          title = u"Change?";
          text.append(u"\n")
              .append(group == ModeGroup::kTimestamp ? kTimestampOf : kAttributesOf)
              .append(kWillChange);
          break;
        case ModeGroup::kOther:
          title = u"Continue?";
          text.append(u"\n\nの処理をします。よろしいですか？");
          break;
      }
      const unsigned buttons =
          kind == message_kind::kConfirmCancel ? box::kYesNoCancel | box::kDefButton3 : box::kYesNo;
      return Box(title, std::move(text), buttons | box::kIconWarning);
    }

    case message_kind::kListFull:
      if (static_cast<int>(mode) >= kMaxFileIndexLast) {
        return Box(u"Too Many Files!", u"扱える最大ファイル数を超えています。",
                   box::kOk | box::kIconStop);
      }
      return Box(
          u"Too Many Files!",
          u"扱える最大ファイル数に達しました。\r\n\r\nオプションで値を増加することができます。",
          box::kOk);

    default:
      return std::nullopt;
  }
}

int Messenger::ShowMessage(int kind, unsigned mode, std::u16string_view text_a,
                           std::u16string_view text_b, int level) {
  std::optional<MessageBox> composed = ComposeMessage(kind, mode, text_a, text_b);
  if (!composed) return kAnswerOk;

  if (auto_flags_ == 0) return sink_->Show(*composed);
  const bool error_shown = (auto_flags_ & autoflag::kErrMsg) != 0 && level == kLevelError;
  if (error_shown || (auto_flags_ & autoflag::kAllMsg) != 0) {
    composed->owned = false;
    composed->style |= box::kTopMost;
    return sink_->Show(*composed);
  }
  if ((auto_flags_ & autoflag::kShow) == 0) {
    const int answer = AutomaticAnswer(composed->style);
    sink_->Note(*composed, answer);
    return answer;
  }
  return sink_->Show(*composed);
}

}  // namespace tessivo
