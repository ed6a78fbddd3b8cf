#include "core/message.h"

#include <algorithm>
#include <string>

#include "base/rename_mode.h"
#include "core/file_list.h"

namespace tessivo {

namespace {

using M = MessageId;

enum class ModeGroup { kName, kTimestamp, kAttributes, kOther };

ModeGroup GroupOf(unsigned mode) {
  if (mode == ModeNumber(RenameMode::kTimestamp)) return ModeGroup::kTimestamp;
  if (mode == ModeNumber(RenameMode::kAttributes)) return ModeGroup::kAttributes;
  if (mode < ModeNumber(RenameMode::kTimestamp) || mode == ModeNumber(RenameMode::kMacro)) {
    return ModeGroup::kName;
  }
  return ModeGroup::kOther;
}

std::u16string Number(int n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

MessageBox Box(std::optional<MessageId> title, MessageId text, BoxStyle style,
               std::vector<std::u16string> args = {}) {
  MessageBox box;
  if (title) box.title = std::u16string(Text(*title));
  box.text = FillMessage(Text(text), args);
  box.style = style;
  box.title_id = title;
  box.text_id = text;
  box.args = std::move(args);
  return box;
}

}  // namespace

std::optional<MessageBox> ComposeMessage(MessageKind kind, unsigned mode,
                                         std::u16string_view text_a, std::u16string_view text_b) {
  if (mode >= 25) return std::nullopt;
  const ModeGroup group = GroupOf(mode);
  std::vector<std::u16string> names{std::u16string(text_a)};
  if (group == ModeGroup::kName) names.emplace_back(text_b);

  switch (kind) {
    case MessageKind::kChangeFailed: {
      const MessageId text = group == ModeGroup::kName        ? M::kChangeFailedName
                             : group == ModeGroup::kTimestamp ? M::kChangeFailedTimestamp
                                                              : M::kChangeFailedAttributes;
      return Box(M::kContinueTitle, text, box::kYesNo | box::kIconStop | box::kDefButton2,
                 std::move(names));
    }

    case MessageKind::kOfferMoreFiles: {
      const int index = std::min(static_cast<int>(mode), kMaxFileIndexLast);
      const int next = std::min(index + 1, kMaxFileIndexLast);
      return Box(M::kTooManyFilesTitle, M::kOfferMoreFiles, box::kYesNo | box::kIconWarning,
                 {Number(MaxFileCount(index)), Number(MaxFileCount(next))});
    }

    case MessageKind::kNoMemory:
      return Box(M::kNoMemoryTitle, M::kNoMemoryText, box::kOk | box::kIconStop);

    case MessageKind::kEndModeFirst: {
      const bool asking = text_b.size() >= 3 && text_b[2] == u'0';
      std::u16string_view action;
      if (!text_b.empty() && text_b[0] == u'0') action = Text(M::kActionRead);
      if (!text_b.empty() && text_b[0] == u'1') action = Text(M::kActionOptions);
      return Box(asking ? M::kStopModeAskTitle : M::kStopModeTellTitle,
                 asking ? M::kEndModeAsk : M::kEndModeTell, asking ? box::kYesNo : box::kOk,
                 {std::u16string(text_a), std::u16string(action)});
    }

    case MessageKind::kConfirmCancel:
    case MessageKind::kConfirm: {
      const BoxStyle buttons = kind == MessageKind::kConfirmCancel
                                   ? box::kYesNoCancel | box::kDefButton3
                                   : box::kYesNo;
      const BoxStyle style = buttons | box::kIconWarning;
      switch (group) {
        case ModeGroup::kName:
          return Box(M::kRenameTitle, M::kConfirmName, style, std::move(names));
        case ModeGroup::kTimestamp:
          return Box(M::kChangeTitle, M::kConfirmTimestamp, style, std::move(names));
        case ModeGroup::kAttributes:
          return Box(M::kChangeTitle, M::kConfirmAttributes, style, std::move(names));
        case ModeGroup::kOther:
          break;
      }
      return Box(M::kContinueTitle, M::kConfirmOther, style, std::move(names));
    }

    case MessageKind::kListFull:
      if (static_cast<int>(mode) >= kMaxFileIndexLast) {
        return Box(M::kTooManyFilesTitle, M::kListExceededText, box::kOk | box::kIconStop);
      }
      return Box(M::kTooManyFilesTitle, M::kListFullText, box::kOk);
  }
  return std::nullopt;
}

int Messenger::ShowMessage(MessageKind kind, unsigned mode, std::u16string_view text_a,
                           std::u16string_view text_b, MessageLevel level) {
  std::optional<MessageBox> composed = ComposeMessage(kind, mode, text_a, text_b);
  if (!composed) return kAnswerOk;
  return Show(std::move(*composed), level);
}

int Messenger::ShowMessage(BoxStyle style, std::optional<MessageId> title, MessageId text,
                           MessageLevel level, std::initializer_list<std::u16string_view> args) {
  std::vector<std::u16string> values(args.begin(), args.end());
  return Show(Box(title, text, style, std::move(values)), level);
}

int Messenger::ShowMessage(BoxStyle style, std::u16string_view title, std::u16string_view text,
                           MessageLevel level) {
  MessageBox box;
  box.title = std::u16string(title);
  box.text = std::u16string(text);
  box.style = style;
  return Show(std::move(box), level);
}

int Messenger::Show(MessageBox message, MessageLevel level) {
  if (auto_flags_ == 0) return sink_->Show(message);
  const bool error_shown = (auto_flags_ & autoflag::kErrMsg) != 0 && level == kLevelError;
  if (error_shown || (auto_flags_ & autoflag::kAllMsg) != 0) {
    message.owned = false;
    message.style |= box::kTopMost;
    return sink_->Show(message);
  }
  if ((auto_flags_ & autoflag::kShow) == 0) {
    const int answer = AutomaticAnswer(message.style);
    sink_->Note(message, answer);
    return answer;
  }
  return sink_->Show(message);
}

}  // namespace tessivo
