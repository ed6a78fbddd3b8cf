#include "modes/attributes.h"
#include "modes/dispatcher.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"

#include <array>

namespace tessivo {
namespace {

constexpr std::uint32_t kFourBits =
    attr::kReadOnly | attr::kHidden | attr::kArchive | attr::kSystem;

char16_t RequestChar(AttributeRequest request) {
  switch (request) {
    case AttributeRequest::kSet:
      return u'Y';
    case AttributeRequest::kClear:
      return u'N';
    case AttributeRequest::kLeave:
      break;
  }
  return u'-';
}

AttributeRequest RequestFromChar(char16_t c) {
  if (c == u'Y') return AttributeRequest::kSet;
  if (c == u'N') return AttributeRequest::kClear;
  return AttributeRequest::kLeave;
}

// "<読：a, 隠：b, ア：c, シ：d>" with the four given characters.
std::u16string FourFlagText(char16_t read_only, char16_t hidden, char16_t archive,
                            char16_t system) {
  std::u16string out = u"<読：";
  out += read_only;
  out += u", 隠：";
  out += hidden;
  out += u", ア：";
  out += archive;
  out += u", シ：";
  out += system;
  out += u">";
  return out;
}

// Requests read from four positions of `text`; a position past its end leaves.
AttributeRequests RequestsAt(std::u16string_view text, const std::array<std::size_t, 4>& at) {
  auto read = [&](std::size_t i) {
    return i < text.size() ? RequestFromChar(text[i]) : AttributeRequest::kLeave;
  };
  return {read(at[0]), read(at[1]), read(at[2]), read(at[3])};
}

std::uint32_t Apply(std::uint32_t attributes, std::uint32_t bit, AttributeRequest request) {
  if (request == AttributeRequest::kSet) return attributes | bit;
  if (request == AttributeRequest::kClear) return attributes & ~bit;
  return attributes;
}

}  // namespace

AttributeRequest AttributeRequestFromInt(int value) {
  if (value == 1) return AttributeRequest::kSet;
  if (value == 0) return AttributeRequest::kClear;
  return AttributeRequest::kLeave;
}

AttributeRequests AttributeRequestsFromSetting(int packed) {
  return {AttributeRequestFromInt((packed >> 12) & 0xF),
          AttributeRequestFromInt((packed >> 8) & 0xF),
          AttributeRequestFromInt((packed >> 4) & 0xF), AttributeRequestFromInt(packed & 0xF)};
}

AttributeFlags FlagsOf(std::uint32_t attributes) {
  auto flag = [&](std::uint32_t bit) { return (attributes & bit) != 0 ? u'Y' : u'N'; };
  return {flag(attr::kReadOnly), flag(attr::kHidden), flag(attr::kArchive), flag(attr::kSystem)};
}

std::u16string DescribeAttributes(const AttributeRequests& r) {
  return FourFlagText(RequestChar(r.read_only), RequestChar(r.hidden), RequestChar(r.archive),
                      RequestChar(r.system));
}

AttributeRequests ParseAttributeDescription(std::u16string_view new_path_text) {
  const std::size_t n = new_path_text.size();
  if (n < 17) return {};
  return RequestsAt(new_path_text, {n - 17, n - 12, n - 7, n - 2});
}

std::uint32_t ApplyRequests(std::uint32_t attributes, const AttributeRequests& r) {
  attributes = Apply(attributes, attr::kReadOnly, r.read_only);
  attributes = Apply(attributes, attr::kHidden, r.hidden);
  attributes = Apply(attributes, attr::kArchive, r.archive);
  return Apply(attributes, attr::kSystem, r.system);
}

Result<AttributeFlags> ApplyAttributes(FileSystem& fs, const std::u16string& path,
                                       const AttributeRequests& requests) {
  auto info = fs.Stat(path);
  if (!info) return info.error();
  const std::uint32_t old = info->attributes;
  const std::uint32_t wanted = ApplyRequests(old, requests);
  if ((wanted & kFourBits) != (old & kFourBits)) {
    Status status = fs.SetAttributes(path, wanted);
    if (!status) return status.error();
  }
  return FlagsOf(old);
}

Result<AttributeFlags> ApplyAttributeDescription(FileSystem& fs, const std::u16string& path,
                                                 std::u16string_view new_path_text) {
  return ApplyAttributes(fs, path, ParseAttributeDescription(new_path_text));
}

std::u16string AttributeLogField(const AttributeFlags& f) {
  return FourFlagText(f.read_only, f.hidden, f.archive, f.system);
}

AttributeRequests ParseAttributeLogField(std::u16string_view field) {
  return RequestsAt(field, {3, 8, 13, 18});
}

// ---- the mode ----

namespace {

std::vector<PanelControl> AttributeControls() {
  return {MakeControl(ctl::kReadOnly, ControlKind::kTriStateBox, u"読み取り専用"),
          MakeControl(ctl::kHidden, ControlKind::kTriStateBox, u"隠しファイル"),
          MakeControl(ctl::kArchive, ControlKind::kTriStateBox, u"アーカイブ"),
          MakeControl(ctl::kSystem, ControlKind::kTriStateBox, u"システム")};
}

void PrepareAttributes(const Settings& settings, const ModePanel&, ModeContext& ctx) {
  auto request = [&](AttributeField field) {
    return AttributeRequestFromInt(settings.AttributeChoice(field));
  };
  ctx.attributes.read_only = request(AttributeField::kReadOnly);
  ctx.attributes.hidden = request(AttributeField::kHidden);
  ctx.attributes.archive = request(AttributeField::kArchive);
  ctx.attributes.system = request(AttributeField::kSystem);
}

std::u16string ComputeAttributes(ModeContext& ctx, const ModeRow&) {
  return DescribeAttributes(ctx.attributes);
}

}  // namespace

constinit const ModeDescriptor kAttributesMode = {
    .mode = RenameMode::kAttributes,
    .name = u"属性",
    .help = u" 読み取り専用・隠しファイル等の属性を変更します。",
    .command_name = u"attributes",
    .controls = AttributeControls,
    .prepare = PrepareAttributes,
    .compute = ComputeAttributes,
    .change = ModeChange::kAttributes,
};

}  // namespace tessivo
