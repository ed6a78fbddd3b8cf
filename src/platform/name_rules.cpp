#include "platform/name_rules.h"

#include "platform/file_system.h"

namespace tessivo {
namespace {

// statfs types of the file systems that ignore letter case.
constexpr std::uint32_t kMsdosMagic = 0x4d44;      // FAT (msdos, vfat)
constexpr std::uint32_t kExfatMagic = 0x2011BAB0;
constexpr std::uint32_t kCifsMagic = 0xFF534D42;
constexpr std::uint32_t kSmb2Magic = 0xFE534D42;
constexpr std::uint32_t kSmbMagic = 0x517B;
constexpr std::uint32_t kIso9660Magic = 0x9660;

}  // namespace

NameRules NameRulesFromSystem(std::int64_t statfs_type, std::int64_t name_length,
                              std::uint32_t inode_flags) {
  NameRules rules;
  switch (static_cast<std::uint32_t>(statfs_type)) {
    case kMsdosMagic:
    case kExfatMagic:
    case kCifsMagic:
    case kSmb2Magic:
    case kSmbMagic:
    case kIso9660Magic:
      rules.ignores_case = true;
      break;
    default:
      rules.ignores_case = (inode_flags & kCaseFoldFlag) != 0;
      break;
  }
  if (name_length > 0) rules.max_name_bytes = static_cast<std::size_t>(name_length);
  return rules;
}

const NameRules& NameRulesCache::Of(std::u16string_view folder) {
  if (last_ != nullptr && last_->first == folder) return last_->second;
  auto found = rules_.find(folder);
  if (found == rules_.end()) {
    std::u16string key(folder);
    const NameRules rules = fs_.NameRulesOf(key);
    found = rules_.emplace(std::move(key), rules).first;
  }
  last_ = &*found;
  return last_->second;
}

}  // namespace tessivo
