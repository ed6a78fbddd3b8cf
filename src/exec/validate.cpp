#include "exec/validate.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>

#include "modes/mode_catalogue.h"
#include "modes/mode_descriptor.h"
#include "platform/file_name_bytes.h"

namespace tessivo {

namespace {

// A mode whose changes of case alone are changes.
bool ChangesCase(int mode) {
  const ModeDescriptor* descriptor = ModeDescriptorOf(mode);
  return descriptor != nullptr && descriptor->changes_case;
}

// The characters a new name may not hold, in the order they are looked for;
// the first one present decides the status.
struct ForbiddenChar {
  char16_t c;
  FileStatus status;
};
constexpr ForbiddenChar kForbidden[] = {
    {u'"', FileStatus::kInvalidName},  {u':', FileStatus::kInvalidName},
    {u'/', FileStatus::kInvalidName},  {u'?', FileStatus::kInvalidName},
    {u'<', FileStatus::kInvalidName},  {u'>', FileStatus::kInvalidName},
    {u'|', FileStatus::kInvalidName},  {u'\\', FileStatus::kBackslash},
    {u',', FileStatus::kBadCharacter}, {u';', FileStatus::kBadCharacter},
};

// Where each forbidden character stands in kForbidden, plus one (0 for the
// others), so that a name is read once for all of them.
constexpr std::array<std::uint8_t, 0x80> kForbiddenRank = [] {
  std::array<std::uint8_t, 0x80> rank{};
  for (std::size_t i = 0; i < std::size(kForbidden); ++i) {
    rank[kForbidden[i].c] = static_cast<std::uint8_t>(i + 1);
  }
  return rank;
}();

// The first entry of kForbidden whose character `name` holds, or nullptr.
const ForbiddenChar* FirstForbidden(std::u16string_view name) {
  std::size_t first = 0;
  for (const char16_t c : name) {
    if (c < 0x80 && kForbiddenRank[c] != 0 && (first == 0 || kForbiddenRank[c] < first)) {
      first = kForbiddenRank[c];
    }
  }
  return first == 0 ? nullptr : &kForbidden[first - 1];
}

char16_t UpperUnit(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
  const UChar32 upper = u_toupper(c);
  return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

bool Exists(FileSystem& fs, const std::u16string& path) { return fs.Exists(path); }

}  // namespace

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b, std::size_t limit) {
  a = a.substr(0, std::min(a.size(), limit));
  b = b.substr(0, std::min(b.size(), limit));
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpperUnit(a[i]) != UpperUnit(b[i])) return false;
  }
  return true;
}

FileStatus CheckNewName(std::u16string_view folder, std::u16string_view old_name,
                        std::u16string_view new_name, int mode, const NameRules& rules) {
  FileStatus status = FileStatus::kChangeable;
  if (new_name.empty()) status = FileStatus::kInvalidName;

  if (!IsMetadataMode(mode)) {
    if (folder.size() + new_name.size() >= kMaxValidPath ||
        Utf8Length(new_name) > rules.max_name_bytes) {
      status = FileStatus::kPathTooLong;
    } else if (new_name == old_name) {
      status = FileStatus::kUnchanged;
    } else if (rules.ignores_case && !ChangesCase(mode) &&
               EqualIgnoringCase(new_name, old_name, kCaseCompareLimit)) {
      status = FileStatus::kUnchanged;
    } else if (status == FileStatus::kChangeable) {
      if (new_name.front() == u'.') status = FileStatus::kBadCharacter;
      if (const ForbiddenChar* f = FirstForbidden(new_name)) status = f->status;
      // Not a name in the folder at all (execution never takes it either).
      if (new_name == u"." || new_name == u"..") status = FileStatus::kInvalidName;
    }
  }

  if (new_name.find(u'*') != std::u16string_view::npos) status = FileStatus::kInvalidName;
  return status;
}

bool ChecksTarget(int mode, const NameRules& rules) {
  if (IsMetadataMode(mode)) return false;
  const ModeDescriptor* descriptor = ModeDescriptorOf(mode);
  return !rules.ignores_case || descriptor == nullptr || !descriptor->target_may_be_source;
}

FileStatus ValidateRow(FileList& list, int row, int mode, bool store, FileSystem& fs) {
  if (row < 0 || row >= list.Count()) return FileStatus::kSourceMissing;
  const FileItem& item = list.Item(row);
  if (item.status() == FileStatus::kExcluded) return FileStatus::kExcluded;

  const std::u16string_view folder = item.Get(Cell::kFolder);
  const std::u16string_view old_name = item.Get(Cell::kName);
  const std::u16string_view new_name = item.Get(Cell::kNewName);
  // One buffer for the folder and both look-ups (folder + new name, then
  // folder + old name), kept from one row to the next.
  thread_local std::u16string path;
  path.assign(folder);
  const NameRules rules = fs.NameRulesOf(path);
  FileStatus status = CheckNewName(folder, old_name, new_name, mode, rules);

  if (status == FileStatus::kChangeable && ChecksTarget(mode, rules)) {
    path.append(new_name);
    if (Exists(fs, path)) status = FileStatus::kTargetExists;
    path.resize(folder.size());
  }

  path.append(old_name);
  if (old_name.empty() || path.size() > kMaxSourcePath || !Exists(fs, path)) {
    status = FileStatus::kSourceMissing;
  }

  if (store) list.SetFileStatus(row, status);
  return status;
}

}  // namespace tessivo
