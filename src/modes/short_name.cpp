#include "modes/short_name.h"

#include <unicode/uchar.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/encoding.h"
#include "modes/name_parts.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

namespace tessivo {
namespace {

constexpr std::size_t kBaseBytes = 8;
constexpr std::size_t kExtensionBytes = 3;
// Tails are tried up to "~999999", as the FAT file system numbers them.
constexpr int kMaxTail = 999999;

// One character of a name on its way to a short name: the UTF-16 unit it
// reads as and the number of code page bytes it takes.
struct ShortChar {
  char16_t unit;
  std::size_t bytes;
};

char16_t UpperUnit(char16_t c) {
  const UChar32 mapped = u_toupper(c);
  return mapped >= 0 && mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

// Single-byte characters that a short name cannot hold (the period only
// separates the extension).
bool IsInvalidShortByte(unsigned char b) {
  if (b < 0x20) return true;
  switch (b) {
    case '"':
    case '*':
    case '+':
    case ',':
    case '.':
    case '/':
    case ':':
    case ';':
    case '<':
    case '=':
    case '>':
    case '?':
    case '[':
    case '\\':
    case ']':
    case '|':
      return true;
    default:
      return false;
  }
}

// The upper-cased unit `c` as a short-name character; `valid` turns false
// when it had to become "_" (code page 932 lacks it or a short name cannot
// hold it).
ShortChar ToShortChar(char16_t c, bool& valid) {
  const char16_t upper = UpperUnit(c);
  const std::string bytes = ToCodePage(std::u16string_view(&upper, 1));
  const bool unmappable = bytes == "?" && upper != u'?';
  if (unmappable || bytes.empty() ||
      (bytes.size() == 1 && IsInvalidShortByte(static_cast<unsigned char>(bytes[0])))) {
    valid = false;
    return {u'_', 1};
  }
  return {upper, bytes.size()};
}

// Appends the characters of `chars` to `out` while they fit in `max_bytes`,
// never splitting a double-byte character.
void AppendFitting(const std::vector<ShortChar>& chars, std::size_t max_bytes,
                   std::u16string& out) {
  std::size_t used = 0;
  for (const ShortChar& c : chars) {
    if (used + c.bytes > max_bytes) break;
    out.push_back(c.unit);
    used += c.bytes;
  }
}

std::vector<ShortChar> ToShortChars(std::u16string_view text) {
  std::vector<ShortChar> chars;
  bool valid = true;
  for (char16_t c : text) chars.push_back(ToShortChar(c, valid));
  return chars;
}

std::uint16_t NameHash(std::u16string_view name) {
  std::uint32_t hash = 2166136261u;
  for (char16_t c : name) {
    hash ^= c;
    hash *= 16777619u;
  }
  return static_cast<std::uint16_t>((hash >> 16) ^ (hash & 0xFFFF));
}

std::u16string Hex4(std::uint16_t value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string out(4, u'0');
  for (int i = 3; i >= 0; --i) {
    out[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    value = static_cast<std::uint16_t>(value >> 4);
  }
  return out;
}

std::u16string Tail(int number) {
  const std::string digits = std::to_string(number);
  std::u16string tail = u"~";
  for (char d : digits) tail.push_back(static_cast<char16_t>(d));
  return tail;
}

}  // namespace

std::u16string SimpleUpperCase(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(UpperUnit(c));
  return out;
}

std::u16string FolderNameSet::Key(std::u16string_view name) const {
  return ignore_case_ ? SimpleUpperCase(name) : std::u16string(name);
}

void FolderNameSet::Insert(std::u16string_view name) { names_.insert(Key(name)); }

bool FolderNameSet::Contains(std::u16string_view name) const {
  return names_.count(Key(name)) != 0;
}

NameTakenFn FolderNameSet::AsLookup() const {
  return [this](std::u16string_view name) { return Contains(name); };
}

bool IsValidShortName(std::u16string_view name) {
  const std::size_t dot = name.find(u'.');
  const std::u16string_view base = name.substr(0, dot);
  const std::u16string_view extension =
      dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot + 1);
  if (base.empty()) return false;
  if (dot != std::u16string_view::npos && extension.empty()) return false;
  bool valid = true;
  std::size_t base_bytes = 0;
  for (char16_t c : base) {
    if (c == u' ') return false;
    base_bytes += ToShortChar(c, valid).bytes;
  }
  std::size_t extension_bytes = 0;
  for (char16_t c : extension) {
    if (c == u' ') return false;
    extension_bytes += ToShortChar(c, valid).bytes;  // a second period is invalid
  }
  return valid && base_bytes <= kBaseBytes && extension_bytes <= kExtensionBytes;
}

std::u16string GenerateShortName(std::u16string_view long_name, const NameTakenFn& is_taken) {
  if (IsValidShortName(long_name)) return std::u16string(long_name);

  // Spaces go first, then leading periods.
  std::u16string stripped;
  for (char16_t c : long_name) {
    if (c != u' ') stripped.push_back(c);
  }
  const std::size_t first = stripped.find_first_not_of(u'.');
  stripped.erase(0, first == std::u16string::npos ? stripped.size() : first);

  const std::size_t last_dot = stripped.rfind(u'.');
  std::u16string primary_text;
  for (char16_t c : std::u16string_view(stripped).substr(0, last_dot)) {
    if (c != u'.') primary_text.push_back(c);
  }
  std::vector<ShortChar> primary = ToShortChars(primary_text);
  if (primary.empty()) primary.push_back({u'_', 1});
  std::u16string extension;
  if (last_dot != std::u16string::npos) {
    AppendFitting(ToShortChars(std::u16string_view(stripped).substr(last_dot + 1)), kExtensionBytes,
                  extension);
  }
  const std::u16string dotted_extension = extension.empty() ? u"" : u"." + extension;

  auto candidate = [&](const std::vector<ShortChar>& basis, int number) {
    const std::u16string tail = Tail(number);
    std::u16string name;
    AppendFitting(basis, kBaseBytes - tail.size(), name);
    return name + tail + dotted_extension;
  };

  for (int number = 1; number <= 4; ++number) {
    std::u16string name = candidate(primary, number);
    if (!is_taken(name)) return name;
  }

  std::vector<ShortChar> hashed;
  std::size_t used = 0;
  for (const ShortChar& c : primary) {
    if (used + c.bytes > 2) break;
    hashed.push_back(c);
    used += c.bytes;
  }
  for (char16_t digit : Hex4(NameHash(long_name))) hashed.push_back({digit, 1});
  for (int number = 1; number <= kMaxTail; ++number) {
    std::u16string name = candidate(hashed, number);
    if (!is_taken(name)) return name;
  }
  return std::u16string();
}

std::u16string ApplyShortName(const std::u16string& source_path, std::u16string_view short_name,
                              const ShortNameParams& params) {
  const NameParts parts = SplitPlainPath(source_path);
  std::u16string name = parts.Name();
  const std::size_t slash = short_name.rfind(u'/');
  const std::u16string_view given =
      slash == std::u16string_view::npos ? short_name : short_name.substr(slash + 1);
  if (!given.empty()) name.assign(given);
  for (char16_t& c : name) {
    if (params.name_case == 1 && c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
    if (params.name_case == 2 && c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 0x20);
  }
  return CutToMaxPath(parts.Prefix() + name);
}

// ---- the mode ----

namespace {

constexpr SettingBinding kShortNameBindings[] = {
    {ctl::kShortNameCase, IntKey::kReal8_3, true},
};

std::vector<PanelControl> ShortNameControls() {
  return {MakeControl(ctl::kShortNameCase, ControlKind::kComboBox, {},
                      {u"Windows標準指定", u"全て大文字に", u"全て小文字に"})};
}

void PrepareShortName(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  ctx.short_name.name_case = settings.Int(IntKey::kReal8_3);
}

FolderShortNames ListFolderShortNames(FileSystem& fs, const std::u16string& folder) {
  FolderShortNames names;
  const std::u16string path = folder.empty() ? std::u16string(u"/") : folder;
  auto entries = fs.List(path);
  if (!entries) return names;
  names.listed = true;
  names.taken = FolderNameSet(fs.NameRulesOf(path).ignores_case);
  for (const DirEntry& entry : *entries) names.taken.Insert(entry.name);
  const NameTakenFn taken = names.taken.AsLookup();
  for (const DirEntry& entry : *entries) {
    std::u16string short_name = GenerateShortName(entry.name, taken);
    if (short_name.empty()) continue;
    names.taken.Insert(short_name);
    names.short_of.emplace(entry.name, std::move(short_name));
  }
  return names;
}

// See ComputeNewName.
std::u16string ComputeShortName(ModeContext& ctx, const ModeRow& row) {
  const std::u16string& source_path = row.source_path;
  auto given = ctx.fs.ShortName(source_path);
  if (given) return ApplyShortName(source_path, *given, ctx.short_name);
  if (given.error().code != ErrorCode::kNotSupported) {
    return ApplyShortName(source_path, u"", ctx.short_name);
  }
  const NameParts parts = SplitPlainPath(source_path);
  auto it = ctx.short_name_folders.find(parts.folder);
  if (it == ctx.short_name_folders.end()) {
    it = ctx.short_name_folders.emplace(parts.folder, ListFolderShortNames(ctx.fs, parts.folder))
             .first;
  }
  const FolderShortNames& folder = it->second;
  std::u16string short_name;
  if (folder.listed) {
    auto found = folder.short_of.find(parts.Name());
    // A name the listing did not show is checked against all of the folder.
    short_name = found != folder.short_of.end()
                     ? found->second
                     : GenerateShortName(parts.Name(), folder.taken.AsLookup());
  }
  return ApplyShortName(source_path, short_name, ctx.short_name);
}

void CaptureShortName(const StepSource& source, MacroStep& step) {
  step.params = {source.settings.Int(IntKey::kReal8_3), 0, 0};
}

void ApplyShortNameStep(const MacroStep& step, const StepTarget& target) {
  target.panel.At(ctl::kShortNameCase).value = step.params[0];
}

}  // namespace

constinit const ModeDescriptor kShortNameMode = {
    .mode = RenameMode::kShortName,
    .name = u"8.3形式",
    .help = u" \"8文字＋拡張子3文字\" の形式にします。",
    .command_name = u"short",
    .controls = ShortNameControls,
    .bindings = kShortNameBindings,
    .prepare = PrepareShortName,
    .compute = ComputeShortName,
    .change = ModeChange::kNameInTwoSteps,
    .target_may_be_source = true,
    .step_form = StepForm::kParameters,
    .step_code = "8_3",
    .step_limits = {'2', '0', '0'},
    .first_step_only = true,
    .capture = CaptureShortName,
    .apply = ApplyShortNameStep,
};

}  // namespace tessivo
