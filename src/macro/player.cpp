#include "macro/player.h"

#include <algorithm>
#include <utility>

#include "macro/macro_list.h"
#include "modes/mode_catalogue.h"
#include "modes/mode_descriptor.h"
#include "modes/name_parts.h"

namespace tessivo {
namespace {


constexpr std::u16string_view kMacroExtension = u".bin";
// Lengths below which the looked-up names of a macro file are tried.
constexpr std::size_t kBinPathLimit = 254;
constexpr std::size_t kProgramPathLimit = 258;

std::u16string Decimal(long long n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

// "　%2d : 【 %s 】"
std::u16string StepLine(int counter, int mode) {
  std::u16string number = Decimal(counter);
  if (number.size() < 2) number.insert(0, 2 - number.size(), u' ');
  return u"　" + number + u" : 【 " + std::u16string(ModeEntryOf(mode).name) + u" 】";
}

bool IsFile(FileSystem& fs, const std::u16string& path) {
  if (path.empty()) return false;
  Result<FileInfo> info = fs.Stat(path);
  return info && !info->is_directory;
}

}  // namespace

MacroPlayer::MacroPlayer(PlaybackModel model, PlaybackHooks hooks)
    : model_(model), hooks_(std::move(hooks)) {}

int MacroPlayer::interval() const {
  return std::clamp(model_.settings.Int(IntKey::kMacromsec), 0, kMaxMacroMsec) +
         kPlaybackIntervalExtra;
}

bool MacroPlayer::hidden() const {
  const std::uint32_t flags = model_.messenger.auto_flags();
  const bool automatic = (flags & (autoflag::kRunCodeMask | autoflag::kMacroFile)) != 0;
  return automatic && (flags & autoflag::kShow) == 0;
}

RunStartResult MacroPlayer::Load(FileSystem& fs, const std::u16string& path) {
  loaded_.clear();
  Result<std::string> bytes = path.empty()
                                  ? Result<std::string>(MakeError(ErrorCode::kNotFound))
                                  : fs.ReadRange(path, 0, kMacroReadLimit);
  if (!bytes) {
    return RunStartResult::Stop(MessageId::kCantOpenMacroTitle, MessageId::kCantOpenMacroText);
  }
  loaded_ = std::move(*bytes);
  return RunStartResult::Go();
}

std::optional<int> MacroPlayer::Start(bool execute_pending) {
  if (running_) return std::nullopt;
  reader_ = MacroReader(loaded_);
  loaded_.clear();
  running_ = true;
  execute_pending_ = execute_pending;
  stopped_ = false;
  counter_ = 0;
  end_ = PlaybackEnd{};
  model_.state.macro_playback = true;
  model_.state.source_is_new_name = false;
  model_.selection.macro_playback = true;
  if (!hidden()) {
    if (hooks_.open_window) hooks_.open_window();
    window_open_ = true;
  }
  return std::max(interval(), kFirstPlaybackInterval);
}

void MacroPlayer::RequestStop() {
  if (!running_) return;
  stopped_ = true;
  CloseWindow();
}

PlaybackEnd MacroPlayer::RunToEnd() {
  while (Step()) {
  }
  return end_;
}

bool MacroPlayer::Step() {
  if (!running_) return false;
  if (counter_ > 0) {
    if (window_open_ && hooks_.enable_stop) hooks_.enable_stop(false);
    model_.state.source_is_new_name = counter_ >= 2;
    const int mode = model_.selection.mode_index + 1;
    const RunResult previewed = hooks_.preview ? hooks_.preview(mode) : RunResult::kNotStarted;
    if (window_open_ && hooks_.enable_stop) hooks_.enable_stop(true);
    ++counter_;
    if (previewed != RunResult::kRan) {
      Finish(PlaybackEndReason::kPreviewFailed);
      return false;
    }
  } else {
    reader_.Rewind();
  }

  LineRead read = ReadLine();
  if (read == LineRead::kHeader) read = ReadLine();
  if (read == LineRead::kStep) {
    if (stopped_) {
      Finish(PlaybackEndReason::kStopped);
      return false;
    }
    if (!window_open_ && !hidden()) {
      if (hooks_.open_window) hooks_.open_window();
      window_open_ = true;
    }
    return true;
  }
  Finish(stopped_ ? PlaybackEndReason::kStopped
         : read == LineRead::kUnsupportedVersion ? PlaybackEndReason::kUnsupportedVersion
         : read == LineRead::kNoHeader           ? PlaybackEndReason::kNoHeader
                                                 : PlaybackEndReason::kFinished);
  return false;
}

MacroPlayer::LineRead MacroPlayer::ReadLine() {
  switch (reader_.Next()) {
    case MacroRead::kHeader:
      counter_ = 1;
      return LineRead::kHeader;
    case MacroRead::kUnsupportedVersion:
      model_.messenger.ShowMessage(box::kOk | box::kIconStop, MessageId::kMacroVersionTitle,
                                   MessageId::kMacroVersionText, kLevelError);
      return LineRead::kUnsupportedVersion;
    case MacroRead::kEnd:
      return LineRead::kEnd;
    case MacroRead::kStep:
      if (counter_ == 0) return LineRead::kNoHeader;  // steps follow a header
      break;
  }
  Apply(reader_.step());
  ++end_.steps;
  if (!hidden() && hooks_.show_step) hooks_.show_step(StepLine(counter_, reader_.step().mode));
  return LineRead::kStep;
}

void MacroPlayer::SelectPlaybackMode(int mode) {
  const SelectModeEffects effects =
      SelectMode(model_.selection, model_.panel, mode, false, nullptr, nullptr);
  if (hooks_.mode_selected) hooks_.mode_selected(mode, effects);
}

void MacroPlayer::Apply(const MacroStep& step) {
  SelectPlaybackMode(step.mode);
  const ModeDescriptor* mode = ModeDescriptorOf(step.mode);
  if (mode == nullptr || mode->apply == nullptr) return;
  mode->apply(step, StepTarget{model_.panel, model_.settings, model_.position_edit});
}

void MacroPlayer::CloseWindow() {
  if (!window_open_) return;
  if (hooks_.close_window) hooks_.close_window();
  window_open_ = false;
}

void MacroPlayer::Finish(PlaybackEndReason reason) {
  end_.reason = reason;
  const bool no_macro = reason == PlaybackEndReason::kNoHeader;
  const bool normal_end = reason == PlaybackEndReason::kFinished ||
                          reason == PlaybackEndReason::kUnsupportedVersion || no_macro;
  // Selected while the playback is still marked, so the names stay.
  if (normal_end) SelectPlaybackMode(ModeNumber(RenameMode::kMacro));
  CloseWindow();
  running_ = false;
  stopped_ = false;
  counter_ = 0;
  model_.state.macro_playback = false;
  model_.state.source_is_new_name = false;
  model_.selection.macro_playback = false;
  const bool execute = execute_pending_;
  execute_pending_ = false;
  if (!normal_end) return;

  Messenger& messenger = model_.messenger;
  if (execute && !no_macro && !messenger.test_mode() && hooks_.execute) {
    end_.execute_result = hooks_.execute();
    end_.executed = true;
  }
  const std::uint32_t flags = messenger.auto_flags();
  if ((flags & (autoflag::kRunCodeMask | autoflag::kMacroFile)) != 0) {
    messenger.set_auto_flags(flags & ~autoflag::kMacroFile);
    end_.exit_countdown = (flags & autoflag::kNoExit) == 0;
  }
}

std::u16string ResolveMacroPath(FileSystem& fs, std::u16string_view given,
                                std::u16string_view program_folder) {
  if (given.empty()) return {};
  const std::u16string path(given);
  if (IsFile(fs, path)) return path;
  const NameParts parts = SplitPlainPath(given);
  const bool bare = parts.extension.empty();
  if (bare) {
    const std::u16string with_bin = parts.Prefix() + parts.base + std::u16string(kMacroExtension);
    if (with_bin.size() < kBinPathLimit && IsFile(fs, with_bin)) return with_bin;
  }
  std::u16string folder(program_folder);
  if (folder.empty() || folder.back() != u'/') folder.push_back(u'/');
  const std::u16string in_program = folder + parts.base + parts.extension;
  if (in_program.size() < kProgramPathLimit && IsFile(fs, in_program)) return in_program;
  if (bare) {
    const std::u16string with_bin = folder + parts.base + std::u16string(kMacroExtension);
    if (with_bin.size() < kBinPathLimit && IsFile(fs, with_bin)) return with_bin;
  }
  return {};
}

std::u16string PlaybackFilePath(FileSystem& fs, std::u16string_view program_folder, int slot,
                                std::uint32_t auto_flags, std::u16string_view autofile) {
  if ((auto_flags & autoflag::kMacroFile) != 0) {
    return ResolveMacroPath(fs, autofile, program_folder);
  }
  return MacroFilePath(program_folder, std::clamp(slot, 0, kMacroSlots - 1));
}

}  // namespace tessivo
