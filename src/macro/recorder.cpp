#include "macro/recorder.h"

#include <algorithm>
#include <utility>

#include "config/settings.h"
#include "modes/mode_catalogue.h"
#include "modes/mode_descriptor.h"
#include "platform/program_folder.h"

namespace tessivo {
namespace {

constexpr std::u16string_view kEditLabel = u"編集";
constexpr std::u16string_view kRefreshLabel = u"リスト更新";


std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Head(std::u16string_view text, std::size_t n) {
  return std::u16string(text.substr(0, std::min(n, text.size())));
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
  MacroStep step;
  const ModeDescriptor* descriptor = ModeDescriptorOf(mode);
  if (descriptor == nullptr || descriptor->capture == nullptr) return step;
  step.mode = mode;
  descriptor->capture(StepSource{settings, panel, position_edit}, step);
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
  const ModeDescriptor* descriptor = ModeDescriptorOf(mode);
  if (!recording() || descriptor == nullptr || descriptor->capture == nullptr) {
    return kStepNotWritten;
  }
  if (descriptor->first_step_only && count_ != 1) {
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
