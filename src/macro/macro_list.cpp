#include "macro/macro_list.h"

#include <algorithm>

#include "config/encoding.h"
#include "platform/program_folder.h"

namespace tessivo {
namespace {

// Bytes of the list file read, and the capacity its escapes are decoded with.
constexpr std::size_t kListReadLimit = 65536;


std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// The slot number of a list line, read as the C library reads a number:
// leading blanks, an optional sign, then digits of the `width` characters.
int LeadingNumber(std::u16string_view digits) {
  std::size_t i = 0;
  while (i < digits.size() && (digits[i] == u' ' || (digits[i] >= u'\t' && digits[i] <= u'\r'))) {
    ++i;
  }
  bool negative = false;
  if (i < digits.size() && (digits[i] == u'+' || digits[i] == u'-')) {
    negative = digits[i] == u'-';
    ++i;
  }
  int value = 0;
  for (; i < digits.size() && digits[i] >= u'0' && digits[i] <= u'9'; ++i) {
    value = value * 10 + (digits[i] - u'0');
  }
  return negative ? -value : value;
}

bool ValidSlot(int slot) { return slot >= 0 && slot < kMacroSlots; }

}  // namespace

MacroList::MacroList() { names_.fill(std::u16string(kEmptyMacroSlot)); }

const std::u16string& MacroList::Name(int slot) const {
  static const std::u16string kEmpty(kEmptyMacroSlot);
  return ValidSlot(slot) ? names_[static_cast<std::size_t>(slot)] : kEmpty;
}

bool MacroList::IsUsed(int slot) const { return ValidSlot(slot) && Name(slot) != kEmptyMacroSlot; }

void MacroList::SetName(int slot, std::u16string_view name) {
  if (ValidSlot(slot)) names_[static_cast<std::size_t>(slot)].assign(name);
}

std::string MacroList::Encode() const {
  std::u16string text;
  for (int slot = 0; slot < kMacroSlots; ++slot) {
    if (!IsUsed(slot)) continue;
    text += Ascii(std::to_string(slot + 1));
    text += u':';
    text += Name(slot);
    text += u'\n';
  }
  return ToCodePage(text);
}

void MacroList::Decode(std::string_view bytes) {
  names_.fill(std::u16string(kEmptyMacroSlot));
  std::u16string text;
  UnescapeText(text, bytes.substr(0, std::min(bytes.size(), kListReadLimit)), kListReadLimit);
  std::u16string_view rest = text;
  while (!rest.empty()) {
    const std::size_t lf = rest.find(u'\n');
    std::u16string_view line = rest.substr(0, lf);
    rest = lf == std::u16string_view::npos ? std::u16string_view() : rest.substr(lf + 1);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    if (line.empty()) break;
    line = line.substr(0, std::min(line.size(), kMacroListLineChars));
    std::size_t colon = 0;
    if (line.size() > 1 && line[1] == u':') {
      colon = 1;
    } else if (line.size() > 2 && line[2] == u':') {
      colon = 2;
    } else {
      continue;
    }
    const int number = LeadingNumber(line.substr(0, colon));
    if (number >= 1 && number <= kMacroSlots) SetName(number - 1, line.substr(colon + 1));
  }
}

std::u16string MacroFilePath(std::u16string_view program_folder, int slot) {
  return ProgramFilePath(program_folder, kMacroFileName, slot + 1);
}

std::u16string RecordingFilePath(std::u16string_view program_folder) {
  return ProgramFilePath(program_folder, kMacroRecordingName, 0);
}

std::u16string MacroListPath(std::u16string_view program_folder) {
  return ProgramFilePath(program_folder, kMacroListName);
}

Status WriteMacroList(FileSystem& fs, std::u16string_view program_folder, const MacroList& list) {
  return fs.WriteFileAtomic(MacroListPath(program_folder), list.Encode());
}

void LoadMacroList(FileSystem& fs, std::u16string_view program_folder, MacroList& list) {
  Result<std::string> bytes = fs.ReadRange(MacroListPath(program_folder), 0, kListReadLimit);
  list.Decode(bytes ? std::string_view(*bytes) : std::string_view());
}

Status RemoveEmptyMacroList(FileSystem& fs, std::u16string_view program_folder) {
  const std::u16string path = MacroListPath(program_folder);
  Result<FileInfo> info = fs.Stat(path);
  if (!info || info->is_directory || info->size != 0) return {};
  return fs.RemoveFile(path);
}

void ShowMacroList(ModePanel& panel, const MacroList& list, int select) {
  PanelControl& box = panel.At(ctl::kMacroSlot);
  box.items.clear();
  for (int slot = 0; slot < kMacroSlots; ++slot) box.items.push_back(list.Name(slot));
  box.value = std::clamp(select, 0, kMacroSlots - 1);
}

DeleteSlotOutcome DeleteSlot(FileSystem& fs, std::u16string_view program_folder,
                             Messenger& messenger, MacroList& list, ModePanel& panel,
                             bool undo_mode, bool recording) {
  if (undo_mode) return DeleteSlotOutcome::kNothing;
  if (recording) {
    messenger.ShowMessage(box::kOk, MessageId::kRecordingNowTitle, MessageId::kRecordingNowText,
                          kLevelInfo);
    return DeleteSlotOutcome::kRefused;
  }
  const int slot = panel.At(ctl::kMacroSlot).value;
  if (!list.IsUsed(slot)) return DeleteSlotOutcome::kNothing;
  const int answer = messenger.ShowMessage(box::kOkCancel, MessageId::kDeleteMacroTitle,
                                           MessageId::kDeleteMacroText, kLevelQuestion,
                                           {list.Name(slot)});
  if (answer != kAnswerOk) return DeleteSlotOutcome::kCancelled;
  list.SetName(slot, kEmptyMacroSlot);
  ShowMacroList(panel, list, slot);
  (void)fs.RemoveFile(MacroFilePath(program_folder, slot));
  (void)WriteMacroList(fs, program_folder, list);
  return DeleteSlotOutcome::kDeleted;
}

}  // namespace tessivo
