#include "core/shell_link.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "config/encoding.h"
#include "platform/file_system.h"

namespace tessivo {

namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::array<unsigned char, 16> kLinkClsid = {
    0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// LinkFlags
constexpr std::uint32_t kHasIdList = 0x01;
constexpr std::uint32_t kHasLinkInfo = 0x02;
constexpr std::uint32_t kHasName = 0x04;
constexpr std::uint32_t kHasRelativePath = 0x08;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kForceNoLinkInfo = 0x100;
// LinkInfoFlags
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x01;

constexpr std::uint32_t kMinLinkInfoHeader = 0x1C;
constexpr std::uint32_t kUnicodeLinkInfoHeader = 0x24;
constexpr std::size_t kMaxTargetChars = 259;

Error Corrupt(const char* what) {
  std::u16string detail(u"shell link: ");
  for (; *what != '\0'; ++what) detail.push_back(static_cast<char16_t>(*what));
  return MakeError(ErrorCode::kCorrupt, std::move(detail));
}

// A bounds-checked window on the bytes; every read fails instead of running
// past the end of the window.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }

  std::optional<std::uint32_t> U16(std::size_t at) const {
    if (at > bytes_.size() || bytes_.size() - at < 2) return std::nullopt;
    return static_cast<std::uint32_t>(Byte(at) | (Byte(at + 1) << 8));
  }
  std::optional<std::uint32_t> U32(std::size_t at) const {
    if (at > bytes_.size() || bytes_.size() - at < 4) return std::nullopt;
    return Byte(at) | (Byte(at + 1) << 8) | (Byte(at + 2) << 16) | (Byte(at + 3) << 24);
  }
  // `count` bytes from `at`, or nullopt when they do not fit.
  std::optional<std::string_view> Bytes(std::size_t at, std::size_t count) const {
    if (at > bytes_.size() || bytes_.size() - at < count) return std::nullopt;
    return bytes_.substr(at, count);
  }
  // A NUL-terminated code page string starting at `at`; nullopt without a NUL.
  std::optional<std::u16string> AnsiZ(std::size_t at) const {
    if (at >= bytes_.size()) return std::nullopt;
    const std::size_t end = bytes_.find('\0', at);
    if (end == std::string_view::npos) return std::nullopt;
    return FromCodePage(bytes_.substr(at, end - at));
  }
  // A UTF-16LE string ending in a NUL unit, starting at `at`.
  std::optional<std::u16string> UnicodeZ(std::size_t at) const {
    std::u16string out;
    for (std::size_t i = at;; i += 2) {
      std::optional<std::uint32_t> unit = U16(i);
      if (!unit) return std::nullopt;
      if (*unit == 0) return out;
      out.push_back(static_cast<char16_t>(*unit));
    }
  }
  // `count` UTF-16LE units from `at`.
  std::optional<std::u16string> Unicode(std::size_t at, std::size_t count) const {
    std::optional<std::string_view> raw = Bytes(at, count * 2);
    if (!raw) return std::nullopt;
    std::u16string out(count, u'\0');
    for (std::size_t i = 0; i < count; ++i) {
      out[i] = static_cast<char16_t>(static_cast<unsigned char>((*raw)[2 * i]) |
                                     (static_cast<unsigned char>((*raw)[2 * i + 1]) << 8));
    }
    return out;
  }

 private:
  std::uint32_t Byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }

  std::string_view bytes_;
};

void ToSlashes(std::u16string& path) { std::replace(path.begin(), path.end(), u'\\', u'/'); }

// The local path of a LinkInfo structure (the whole structure in `info`).
Result<std::u16string> LocalPathOf(const Reader& info) {
  const auto header_size = info.U32(4);
  const auto flags = info.U32(8);
  if (!header_size || !flags || *header_size < kMinLinkInfoHeader || *header_size > info.size()) {
    return Corrupt("bad LinkInfo header");
  }
  if ((*flags & kVolumeIdAndLocalBasePath) == 0) return std::u16string();

  const auto base_at = info.U32(16);
  const auto suffix_at = info.U32(24);
  if (!base_at || !suffix_at) return Corrupt("bad LinkInfo offsets");
  std::optional<std::u16string> base;
  std::optional<std::u16string> suffix;
  if (*header_size >= kUnicodeLinkInfoHeader) {
    const auto base_unicode_at = info.U32(28);
    const auto suffix_unicode_at = info.U32(32);
    if (!base_unicode_at || !suffix_unicode_at) return Corrupt("bad LinkInfo offsets");
    if (*base_unicode_at != 0) {
      base = info.UnicodeZ(*base_unicode_at);
      if (!base) return Corrupt("LocalBasePathUnicode out of bounds");
    }
    if (*suffix_unicode_at != 0) {
      suffix = info.UnicodeZ(*suffix_unicode_at);
      if (!suffix) return Corrupt("CommonPathSuffixUnicode out of bounds");
    }
  }
  if (!base) {
    base = info.AnsiZ(*base_at);
    if (!base) return Corrupt("LocalBasePath out of bounds");
  }
  if (!suffix) {
    // The suffix is optional in practice: an offset of 0 or one pointing at
    // the header means there is none.
    if (*suffix_at >= *header_size) {
      suffix = info.AnsiZ(*suffix_at);
      if (!suffix) return Corrupt("CommonPathSuffix out of bounds");
    } else {
      suffix.emplace();
    }
  }
  std::u16string path = *base + *suffix;
  ToSlashes(path);
  return path;
}

// Reads one StringData entry at `at`, moving `at` past it.
std::optional<std::u16string> ReadStringData(const Reader& reader, std::size_t& at, bool unicode) {
  const auto count = reader.U16(at);
  if (!count) return std::nullopt;
  at += 2;
  if (unicode) {
    std::optional<std::u16string> text = reader.Unicode(at, *count);
    if (text) at += *count * 2;
    return text;
  }
  std::optional<std::string_view> raw = reader.Bytes(at, *count);
  if (!raw) return std::nullopt;
  at += *count;
  return FromCodePage(*raw);
}

}  // namespace

Result<ShellLinkPaths> ParseShellLink(std::string_view bytes) {
  const Reader reader(bytes);
  const auto header_size = reader.U32(0);
  const auto clsid = reader.Bytes(4, kLinkClsid.size());
  const auto flags = reader.U32(20);
  if (!header_size || *header_size != kHeaderSize || !clsid || !flags ||
      reader.size() < kHeaderSize ||
      !std::equal(kLinkClsid.begin(), kLinkClsid.end(), clsid->begin(),
                  [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); })) {
    return Corrupt("not a shell link header");
  }

  ShellLinkPaths paths;
  std::size_t at = kHeaderSize;
  if (*flags & kHasIdList) {
    const auto id_list_size = reader.U16(at);
    if (!id_list_size || !reader.Bytes(at + 2, *id_list_size)) return Corrupt("IDList truncated");
    at += 2 + *id_list_size;
  }
  if (*flags & kHasLinkInfo) {
    const auto info_size = reader.U32(at);
    if (!info_size) return Corrupt("LinkInfo truncated");
    const auto info_bytes = reader.Bytes(at, *info_size);
    if (!info_bytes || *info_size < kMinLinkInfoHeader) return Corrupt("LinkInfo out of bounds");
    if ((*flags & kForceNoLinkInfo) == 0) {
      Result<std::u16string> local = LocalPathOf(Reader(*info_bytes));
      if (!local) return local.error();
      paths.local_path = std::move(*local);
    }
    at += *info_size;
  }
  const bool unicode = (*flags & kIsUnicode) != 0;
  if (*flags & kHasName) {
    if (!ReadStringData(reader, at, unicode)) return Corrupt("NAME_STRING truncated");
  }
  if (*flags & kHasRelativePath) {
    std::optional<std::u16string> relative = ReadStringData(reader, at, unicode);
    if (!relative) return Corrupt("RELATIVE_PATH truncated");
    paths.relative_path = std::move(*relative);
    ToSlashes(paths.relative_path);
  }
  return paths;
}

std::u16string JoinAndFold(std::u16string_view folder, std::u16string_view relative) {
  std::u16string joined;
  if (!relative.starts_with(u'/')) {
    joined.assign(folder);
    joined.push_back(u'/');
  }
  joined.append(relative);

  std::vector<std::u16string_view> parts;
  std::u16string_view rest(joined);
  while (!rest.empty()) {
    const std::size_t slash = rest.find(u'/');
    const std::u16string_view part = rest.substr(0, slash);
    rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::u16string out;
  for (std::u16string_view part : parts) out.append(u"/").append(part);
  return out.empty() ? std::u16string(u"/") : out;
}

int ResolveShortcut(FileSystem& fs, const std::u16string& lnk_path, std::u16string& target) {
  target.clear();
  Result<std::string> bytes = fs.ReadRange(lnk_path, 0, kMaxShellLinkBytes);
  if (!bytes) return 1;
  Result<ShellLinkPaths> paths = ParseShellLink(*bytes);
  if (!paths) return 1;
  if (paths->local_path.starts_with(u'/')) {
    target = JoinAndFold(u"", paths->local_path);
  } else if (!paths->relative_path.empty()) {
    const std::size_t slash = lnk_path.rfind(u'/');
    const std::u16string_view folder =
        std::u16string_view(lnk_path).substr(0, slash == std::u16string::npos ? 0 : slash);
    target = JoinAndFold(folder, paths->relative_path);
  }
  if (target.size() > kMaxTargetChars) target.clear();
  return 0;
}

}  // namespace tessivo
