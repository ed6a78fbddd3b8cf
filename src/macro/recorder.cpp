#include "macro/recorder.h"

#include <algorithm>
#include <utility>

#include "config/settings.h"
#include "modes/letter_case.h"
#include "modes/mode_catalogue.h"
#include "platform/program_folder.h"

namespace tessivo {
namespace {

constexpr std::u16string_view kEditLabel = u"編集";
constexpr std::u16string_view kRefreshLabel = u"リスト更新";

constexpr int kShortNameMode = 6;
constexpr int kLastRecordedMode = 12;
constexpr std::int32_t kLargestRecordedCount = 99;
constexpr int kTypedDateFormat = 9;
constexpr std::size_t kExtensionTextChars = 259;
constexpr std::size_t kDeleteCountChars = 3;

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Head(std::u16string_view text, std::size_t n) {
  return std::u16string(text.substr(0, std::min(n, text.size())));
}

// The text a history field was used with (see the header).
std::u16string UsedText(const Settings& settings, HistoryId id, const PanelControl& field) {
  const InputHistory& history = settings.History(id);
  if (settings.IsRecorded(id)) return history.entry(0);
  return Head(field.text, history.entry_length());
}


// "macro_%02d"
std::u16string DefaultSlotName(int slot_number) {
  std::string digits = std::to_string(slot_number);
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  return u"macro_" + Ascii(digits);
}

// A name for the list file: at most kMacroNameChars characters, line breaks
// (which would end its line) as blanks.
std::u16string CleanName(std::u16string_view name) {
  std::u16string clean = Head(name, kMacroNameChars);
  std::replace(clean.begin(), clean.end(), u'\n', u' ');
  std::replace(clean.begin(), clean.end(), u'\r', u' ');
  return clean;
}

}  // namespace

MacroStep CaptureStep(int mode, const Settings& settings, const ModePanel& panel,
                      const PositionEditState& position_edit) {
  auto value = [&](IntKey key) { return settings.Int(key); };
  auto count_digits = [&](IntKey key, MacroStep& step) {
    const std::int32_t n = std::clamp(value(key), 0, kLargestRecordedCount);
    step.params[1] = n / 10;
    step.params[2] = n % 10;
  };
  MacroStep step;
  step.mode = mode;
  switch (mode) {
    case 1:
      step.map = position_edit.position_map();
      step.no_extension = value(IntKey::kPosedtnoext) != 0;
      step.text1 = panel.At(ctl::kSampleName).text;
      break;
    case 2:
      step.params = {value(IntKey::kExtadd), 0, 0};
      step.text1 = Head(panel.At(ctl::kExtensionText).text, kExtensionTextChars);
      break;
    case 3:
      step.params = {value(IntKey::kNuminspos), value(IntKey::kDirrenreset), 0};
      step.text1 = UsedText(settings, HistoryId::kSerial, panel.At(ctl::kSerialText));
      break;
    case 4: {
      const int option = value(IntKey::kBigsmall);
      step.params = {option, value(IntKey::kDbytebig), 0};
      if (option == kCaseAllLower) step.text1 = settings.Text(TextKey::kBsexcept0);
      if (option == kCaseAllUpper || option == kCaseAllUpperExceptExtension) {
        step.text1 = settings.Text(TextKey::kBsexcept1);
      }
      if (option == kCaseWordInitialUpper) step.text1 = settings.Text(TextKey::kBsexcept2);
      break;
    }
    case 5: {
      const std::uint32_t word = settings.Word(OptionWord::kZentohan);
      const int classes = ((word & zen::kSymbols) != 0 ? 8 : 0) |
                          ((word & zen::kKatakana) != 0 ? 4 : 0) |
                          ((word & zen::kLetters) != 0 ? 2 : 0) |
                          ((word & zen::kDigits) != 0 ? 1 : 0);
      step.params = {value(IntKey::kZenorhan), classes, 0};
      break;
    }
    case 6:
      step.params = {value(IntKey::kReal8_3), 0, 0};
      break;
    case 7:
      step.params[0] = value(IntKey::kAddprepost);
      count_digits(IntKey::kAddlen, step);
      step.text1 = UsedText(settings, HistoryId::kAdd, panel.At(ctl::kAddText));
      break;
    case 8:
      step.params[0] = value(IntKey::kDeltype);
      count_digits(IntKey::kDellen, step);
      step.text1 = Head(panel.At(ctl::kDeleteCount2).text, kDeleteCountChars);
      break;
    case 9: {
      const bool typed = value(IntKey::kDatefrom) < 0;
      step.params = {value(IntKey::kWhichdate), typed ? kTypedDateFormat : value(IntKey::kDatefrom),
                     value(IntKey::kDateins)};
      step.text1 = settings.Text(TextKey::kSepstr);
      if (value(IntKey::kAddyymmdd) == 1) step.text1.insert(0, u"年");
      if (typed) step.text2 = settings.Text(TextKey::kYmdform);
      break;
    }
    case 10:
      step.params = {value(IntKey::kRepmode), value(IntKey::kRegexp),
                     value(IntKey::kRepwithext) + 2 * value(IntKey::kRepcase)};
      step.text1 = UsedText(settings, HistoryId::kSearch, panel.At(ctl::kSearchText));
      step.text2 = UsedText(settings, HistoryId::kReplacement, panel.At(ctl::kReplacementText));
      break;
    case 11:
      break;
    case 12:
      step.params = {value(IntKey::kRndpattern), value(IntKey::kRndlen), value(IntKey::kRndext)};
      break;
    default:
      step.mode = 0;
      break;
  }
  return step;
}

bool AskStopRecording(Messenger& messenger) {
  return messenger.ShowMessage(box::kYesNo, MessageId::kStopRecordingTitle,
                               MessageId::kStopRecordingText, kLevelQuestion) == kAnswerYes;
}

MacroRecorder::MacroRecorder(FileSystem& fs, Messenger& messenger, RunState& state,
                             std::u16string program_folder, RecorderHooks hooks)
    : fs_(fs),
      messenger_(messenger),
      state_(state),
      folder_(std::move(program_folder)),
      hooks_(std::move(hooks)) {}

void MacroRecorder::SetCount(int count) {
  count_ = count;
  state_.macro_recording = count_ >= 1;
  state_.macro_steps_recorded = std::max(count_ - 1, 0);
}

void MacroRecorder::EnableSlotControls(ModePanel& panel, bool enabled) {
  for (int id : {ctl::kMacroSlot, ctl::kMacroRecord, ctl::kMacroDelete, ctl::kMacroEdit}) {
    panel.At(id).enabled = enabled;
  }
}

void MacroRecorder::Toggle(ModePanel& panel, MacroList& list, bool folders) {
  if (recording()) {
    (void)Stop(panel, list);
  } else {
    (void)Start(panel, folders);
  }
}

Status MacroRecorder::Start(ModePanel& panel, bool folders) {
  if (recording()) return {};
  remembered_slot_ = std::clamp(panel.At(ctl::kMacroSlot).value, 0, kMacroSlots - 1);
  EnableSlotControls(panel, false);
  if (hooks_.recording_ui) hooks_.recording_ui(true);
  SetCount(1);
  if (hooks_.select_mode) hooks_.select_mode(ModeNumber(RenameMode::kPositionEdit));
  return fs_.WriteFileAtomic(RecordingFilePath(folder_), EncodeMacroHeader(folders));
}

int MacroRecorder::AppendLine(const std::string& line) {
  Result<std::unique_ptr<AppendFile>> file = fs_.OpenAppend(RecordingFilePath(folder_), false);
  if (!file) return kStepNotWritten;
  if ((*file)->Size() >= kRecordingSizeLimit) return kRecordingFull;
  return (*file)->Append(line) ? kStepRecorded : kStepNotWritten;
}

int MacroRecorder::RecordStep(int mode, const Settings& settings, const ModePanel& panel,
                              const PositionEditState& position_edit) {
  if (!recording() || mode < 1 || mode > kLastRecordedMode) return kStepNotWritten;
  if (mode == kShortNameMode && count_ != 1) {
    messenger_.ShowMessage(box::kOk | box::kIconInformation, MessageId::kShortNameLaterTitle,
                           MessageId::kShortNameLaterText, kLevelInfo);
    return kStepNotAllowed;
  }
  const int result = AppendLine(EncodeStepLine(CaptureStep(mode, settings, panel, position_edit)));
  if (result == kStepRecorded) {
    messenger_.ShowMessage(box::kOk, std::nullopt, MessageId::kMacroRecordedText, kLevelInfo,
                           {Ascii(std::to_string(count_)), ModeEntryOf(mode).name});
    SetCount(count_ + 1);
  } else if (result == kRecordingFull) {
    messenger_.ShowMessage(box::kOk | box::kIconInformation, MessageId::kMacroFullTitle,
                           MessageId::kMacroFullText, kLevelError);
  }
  return result;
}

StopOutcome MacroRecorder::Stop(ModePanel& panel, MacroList& list) {
  if (!recording()) return StopOutcome::kNotRecording;
  if (hooks_.recording_ui) hooks_.recording_ui(false);
  EnableSlotControls(panel, true);
  if (hooks_.select_mode) hooks_.select_mode(ModeNumber(RenameMode::kMacro));
  panel.At(ctl::kMacroSlot).value = remembered_slot_;
  const bool any_step = count_ > 1;
  SetCount(0);
  if (!any_step) return StopOutcome::kNothingRecorded;

  std::optional<MacroName> named;
  if (hooks_.ask_name) named = hooks_.ask_name(list, remembered_slot_);
  if (!named || named->name.empty() || named->slot < 0 || named->slot >= kMacroSlots) {
    messenger_.ShowMessage(box::kOk, MessageId::kMacroNoNameTitle, MessageId::kMacroNoNameText,
                           kLevelInfo);
    return StopOutcome::kNotNamed;
  }
  const int slot = named->slot;
  panel.At(ctl::kMacroSlot).value = slot;
  const std::u16string recording_file = RecordingFilePath(folder_);
  const std::u16string target = MacroFilePath(folder_, slot);
  // The slot's old macro goes only when there is a recording to take its place.
  Result<FileInfo> recorded = fs_.Stat(recording_file);
  if (!recorded || recorded->is_directory) return StopOutcome::kSaveFailed;
  (void)fs_.RemoveFile(target);
  if (!fs_.RenameNoReplace(recording_file, target)) return StopOutcome::kSaveFailed;

  std::u16string name = CleanName(named->name);
  if (name == kEmptyMacroSlot) name = DefaultSlotName(slot + 1);
  list.SetName(slot, name);
  ShowMacroList(panel, list, slot);
  (void)WriteMacroList(fs_, folder_, list);
  return StopOutcome::kSaved;
}

EditorOutcome MacroRecorder::OpenEditor(ModePanel& panel, MacroList& list,
                                        std::u16string_view editor_folder) {
  if (recording()) {
    messenger_.ShowMessage(box::kOk, MessageId::kMacroRecordingTitle,
                           MessageId::kMacroRecordingText, kLevelInfo);
    return EditorOutcome::kRefused;
  }
  PanelControl& button = panel.At(ctl::kMacroEdit);
  if (editor_started_) {
    button.text = kEditLabel;
    LoadMacroList(fs_, folder_, list);
    ShowMacroList(panel, list, panel.At(ctl::kMacroSlot).value);
    editor_started_ = false;
    return EditorOutcome::kListReloaded;
  }
  const std::u16string program = ProgramFilePath(editor_folder, kMacroEditorName);
  const int slot = std::clamp(panel.At(ctl::kMacroSlot).value, 0, kMacroSlots - 1);
  const std::u16string argument = u"/macro" + Ascii(std::to_string(slot + 1));
  Result<FileInfo> info = fs_.Stat(program);
  const bool started = info && !info->is_directory && hooks_.launch &&
                       hooks_.launch(program, argument).has_value();
  if (!started) {
    messenger_.ShowMessage(box::kOk | box::kIconStop, MessageId::kMacroEditorMissingTitle,
                           MessageId::kMacroEditorMissingText, kLevelError);
    return EditorOutcome::kNotFound;
  }
  button.text = kRefreshLabel;
  editor_started_ = true;
  return EditorOutcome::kStarted;
}

}  // namespace tessivo
