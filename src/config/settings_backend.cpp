#include "config/settings_backend.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "config/encoding.h"

namespace tessivo {

namespace {

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string Fold(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return out;
}

std::u16string DecodeUtf16Le(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto lo = static_cast<unsigned char>(bytes[i]);
    auto hi = static_cast<unsigned char>(bytes[i + 1]);
    out.push_back(static_cast<char16_t>(lo | (hi << 8)));
  }
  return out;
}

std::string EncodeUtf16Le(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

constexpr std::string_view kUtf16Bom = "\xFF\xFE";

// Line breaks and NULs cannot stand in a line of the file; they are written
// as "\u" escapes (the code page has no other way to carry them).
std::string EscapeLineBreaks(std::string bytes) {
  if (bytes.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos) return bytes;
  std::string out;
  for (char c : bytes) {
    if (c == '\r') {
      out += "\\u000d";
    } else if (c == '\n') {
      out += "\\u000a";
    } else if (c == '\0') {
      out += "\\u0000";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------- IniDocument

IniDocument::Line IniDocument::MakeLine(std::string_view bytes) const {
  Line line;
  line.bytes = std::string(bytes);
  line.text = utf16_ ? DecodeUtf16Le(bytes) : FromCodePage(bytes);
  Classify(line);
  return line;
}

void IniDocument::Classify(Line& line) const {
  line.kind = Kind::kOther;
  line.name.clear();
  std::u16string_view t = line.text;
  std::size_t nul = t.find(u'\0');
  if (nul != std::u16string_view::npos) t = t.substr(0, nul);
  std::size_t i = 0;
  while (i < t.size() && IsSpace(t[i])) ++i;
  if (i == t.size()) return;
  if (t[i] == u'[') {
    std::u16string_view rest = t.substr(i + 1);
    std::size_t close = rest.rfind(u']');
    if (close != std::u16string_view::npos) rest = rest.substr(0, close);
    line.kind = Kind::kSection;
    line.name = Fold(Trim(rest));
    return;
  }
  if (t[i] == u';') return;
  std::size_t eq = t.find(u'=', i);
  if (eq == std::u16string_view::npos) return;
  std::u16string_view name = Trim(t.substr(i, eq - i));
  if (name.empty()) return;
  line.kind = Kind::kKey;
  line.name = Fold(name);
  line.value_at = eq + 1;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  if (bytes.substr(0, 2) == kUtf16Bom) {
    doc.utf16_ = true;
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) bytes.remove_suffix(1);
    std::size_t start = 0;
    while (start < bytes.size()) {
      std::size_t end = start;
      while (end < bytes.size() && !(bytes[end] == '\n' && bytes[end + 1] == '\0')) end += 2;
      std::size_t stop = end;
      if (stop >= start + 2 && bytes[stop - 2] == '\r' && bytes[stop - 1] == '\0') stop -= 2;
      doc.lines_.push_back(doc.MakeLine(bytes.substr(start, stop - start)));
      start = end + 2;
    }
    return doc;
  }
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    doc.lines_.push_back(doc.MakeLine(bytes.substr(start, stop - start)));
    start = end + 1;
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  if (utf16_) out += kUtf16Bom;
  std::string_view eol = utf16_ ? std::string_view("\r\0\n\0", 4) : std::string_view("\r\n");
  for (const Line& line : lines_) {
    out += line.bytes;
    out += eol;
  }
  return out;
}

std::size_t IniDocument::FindSection(std::u16string_view section) const {
  std::u16string folded = Fold(Trim(section));
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection && lines_[i].name == folded) return i;
  }
  return std::u16string::npos;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::kSection) ++i;
  return i;
}

std::size_t IniDocument::FindKey(std::size_t header, std::u16string_view key) const {
  std::u16string folded = Fold(Trim(key));
  std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == Kind::kKey && lines_[i].name == folded) return i;
  }
  return std::u16string::npos;
}

std::optional<std::u16string> IniDocument::Get(std::u16string_view section,
                                               std::u16string_view key) const {
  std::size_t header = FindSection(section);
  if (header == std::u16string::npos) return std::nullopt;
  std::size_t at = FindKey(header, key);
  if (at == std::u16string::npos) return std::nullopt;
  std::u16string_view value = lines_[at].text;
  value.remove_prefix(lines_[at].value_at);
  std::size_t nul = value.find(u'\0');
  if (nul != std::u16string_view::npos) value = value.substr(0, nul);
  return std::u16string(Trim(value));
}

void IniDocument::AddSection(std::u16string_view section) {
  if (FindSection(section) != std::u16string::npos) return;
  std::u16string text = u"[" + std::u16string(section) + u"]";
  lines_.push_back(MakeLine(utf16_ ? EncodeUtf16Le(text) : ToCodePage(text)));
}

void IniDocument::Set(std::u16string_view section, std::u16string_view key,
                      std::string_view value) {
  std::string bytes;
  if (utf16_) {
    bytes = EncodeUtf16Le(std::u16string(key) + u"=" + FromCodePage(value));
  } else {
    bytes = ToCodePage(key) + "=" + std::string(value);
  }
  std::size_t header = FindSection(section);
  if (header == std::u16string::npos) {
    AddSection(section);
    lines_.push_back(MakeLine(bytes));
    return;
  }
  std::size_t at = FindKey(header, key);
  if (at != std::u16string::npos) {
    lines_[at] = MakeLine(bytes);
    return;
  }
  std::size_t insert = header + 1;
  std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (!Trim(lines_[i].text).empty()) insert = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), MakeLine(bytes));
}

bool IniDocument::RemoveKey(std::u16string_view section, std::u16string_view key) {
  std::size_t header = FindSection(section);
  if (header == std::u16string::npos) return false;
  std::size_t at = FindKey(header, key);
  if (at == std::u16string::npos) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
  return true;
}

bool IniDocument::HasSection(std::u16string_view section) const {
  return FindSection(section) != std::u16string::npos;
}

bool IniDocument::HasSubsections(std::u16string_view section) const {
  std::u16string prefix = Fold(Trim(section)) + u"\\";
  for (const Line& line : lines_) {
    if (line.kind == Kind::kSection && line.name.size() > prefix.size() &&
        line.name.compare(0, prefix.size(), prefix) == 0) {
      return true;
    }
  }
  return false;
}

bool IniDocument::RemoveSection(std::u16string_view section) {
  std::size_t header = FindSection(section);
  if (header == std::u16string::npos) return false;
  std::size_t end = SectionEnd(header);
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
               lines_.begin() + static_cast<std::ptrdiff_t>(end));
  return true;
}

bool IniDocument::IsBlank() const {
  return std::all_of(lines_.begin(), lines_.end(),
                     [](const Line& line) { return Trim(line.text).empty(); });
}

// -------------------------------------------------------------- StoredIniFile

Result<std::string> StoredIniFile::ReadStored() {
  Result<std::string> bytes = fs_->ReadRange(path_, 0, kMaxSettingsFileBytes + 1);
  if (bytes && bytes->size() > kMaxSettingsFileBytes) {
    return MakeError(ErrorCode::kCorrupt, u"settings file too large: " + path_);
  }
  return bytes;
}

void StoredIniFile::Load() {
  if (doc_) return;
  Result<std::string> bytes = ReadStored();
  doc_ = bytes ? IniDocument::Parse(*bytes) : IniDocument();
}

const IniDocument& StoredIniFile::doc() {
  Load();
  return *doc_;
}

void StoredIniFile::Apply(IniDocument& doc, const Pending& p) {
  switch (p.op) {
    case Op::kSet:
      doc.Set(p.section, p.key, p.value);
      break;
    case Op::kAddSection:
      doc.AddSection(p.section);
      break;
    case Op::kRemoveKey:
      doc.RemoveKey(p.section, p.key);
      break;
    case Op::kRemoveSection:
      doc.RemoveSection(p.section);
      break;
  }
}

void StoredIniFile::Set(std::u16string_view section, std::u16string_view key,
                        std::string value) {
  Load();
  pending_.push_back({Op::kSet, std::u16string(section), std::u16string(key), std::move(value)});
  Apply(*doc_, pending_.back());
}

void StoredIniFile::AddSection(std::u16string_view section) {
  Load();
  pending_.push_back({Op::kAddSection, std::u16string(section), {}, {}});
  Apply(*doc_, pending_.back());
}

bool StoredIniFile::RemoveKey(std::u16string_view section, std::u16string_view key) {
  Load();
  if (!doc_->Get(section, key)) return false;
  pending_.push_back({Op::kRemoveKey, std::u16string(section), std::u16string(key), {}});
  Apply(*doc_, pending_.back());
  return true;
}

bool StoredIniFile::RemoveSection(std::u16string_view section) {
  Load();
  if (!doc_->HasSection(section)) return false;
  pending_.push_back({Op::kRemoveSection, std::u16string(section), {}, {}});
  Apply(*doc_, pending_.back());
  return true;
}

Status StoredIniFile::Write(const std::string& bytes, Durability durability) {
  auto write = [&] {
    return durability == Durability::kSynced ? fs_->WriteFileAtomic(path_, bytes)
                                             : fs_->WriteFileAtomicUnsynced(path_, bytes);
  };
  Status s = write();
  if (s || s.error().code != ErrorCode::kNotFound) return s;
  std::size_t slash = path_.rfind(u'/');
  if (slash == std::u16string::npos || slash == 0) return s;
  Status made = fs_->CreateFolders(path_.substr(0, slash), 0700);
  if (!made) return made;
  return write();
}

Status StoredIniFile::Commit(Durability durability) {
  if (pending_.empty()) return Status();
  Result<std::string> current = ReadStored();
  if (!current && current.error().code != ErrorCode::kNotFound) return current.error();
  IniDocument fresh = current ? IniDocument::Parse(*current) : IniDocument();
  for (const Pending& p : pending_) Apply(fresh, p);
  if (fresh.IsBlank()) {
    if (current) {
      Status removed = fs_->RemoveFile(path_);
      if (!removed && removed.error().code != ErrorCode::kNotFound) return removed;
    }
  } else {
    std::string bytes = fresh.Serialize();
    if (!current || *current != bytes) {
      Status written = Write(bytes, durability);
      if (!written) return written;
    }
  }
  doc_ = std::move(fresh);
  pending_.clear();
  return Status();
}

Status StoredIniFile::Replace(std::string bytes) {
  Status written = Write(bytes);
  if (!written) return written;
  doc_ = IniDocument::Parse(bytes);
  pending_.clear();
  return Status();
}

// ----------------------------------------------------------------- IniBackend

bool IniBackend::Has(std::u16string_view key) {
  return file_.doc().Get(kSection, key).has_value();
}

std::int32_t IniBackend::QueryInt(std::u16string_view key, std::int32_t fallback) {
  std::optional<std::u16string> value = file_.doc().Get(kSection, key);
  if (!value) return fallback;
  std::u16string_view v = *value;
  if (v.size() >= 2 && v.front() == u'"' && v.back() == u'"') v = v.substr(1, v.size() - 2);
  std::size_t i = 0;
  while (i < v.size() && IsSpace(v[i])) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == u'-' || v[i] == u'+')) negative = v[i++] == u'-';
  std::int64_t magnitude = 0;
  std::size_t digits = 0;
  for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i, ++digits) {
    magnitude = magnitude * 10 + (v[i] - u'0');
    if (magnitude > 0xFFFFFFFFLL) return fallback;
  }
  if (digits == 0) return fallback;
  std::int64_t n = negative ? -magnitude : magnitude;
  if (n < std::numeric_limits<std::int32_t>::min()) return fallback;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(n));
}

std::optional<std::u16string> IniBackend::QueryText(std::u16string_view key) {
  return file_.doc().Get(kSection, key);
}

void IniBackend::StoreInt(std::u16string_view key, std::int32_t value) {
  file_.Set(kSection, key, std::to_string(value));
}

void IniBackend::StoreText(std::u16string_view key, std::string value) {
  file_.Set(kSection, key, EscapeLineBreaks(std::move(value)));
}

Status IniBackend::Reset() { return file_.Replace("[Base]\r\n"); }

// ------------------------------------------------------------ RegistryBackend

std::string FormatDword(std::uint32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "dword:%08x", value);
  return buf;
}

std::optional<std::uint32_t> ParseDword(std::u16string_view value) {
  value = Trim(value);
  constexpr std::u16string_view kPrefix = u"DWORD:";
  if (value.size() <= kPrefix.size() || value.size() > kPrefix.size() + 8) return std::nullopt;
  if (Fold(value.substr(0, kPrefix.size())) != kPrefix) return std::nullopt;
  std::uint32_t n = 0;
  for (char16_t c : value.substr(kPrefix.size())) {
    int d;
    if (c >= u'0' && c <= u'9') {
      d = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      d = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      d = c - u'A' + 10;
    } else {
      return std::nullopt;
    }
    n = n * 16 + static_cast<std::uint32_t>(d);
  }
  return n;
}

std::optional<std::u16string> RegistryBackend::Raw(std::u16string_view section,
                                                   std::u16string_view name) {
  return file_.doc().Get(section, name);
}

bool RegistryBackend::Has(std::u16string_view key) { return Raw(kKey, key).has_value(); }

std::int32_t RegistryBackend::QueryInt(std::u16string_view key, std::int32_t /*fallback*/) {
  std::optional<std::u16string> raw = Raw(kKey, key);
  if (!raw) return -1;
  std::optional<std::uint32_t> n = ParseDword(*raw);
  return n ? static_cast<std::int32_t>(*n) : -1;
}

std::optional<std::u16string> RegistryBackend::QueryText(std::u16string_view key) {
  std::optional<std::u16string> raw = Raw(kKey, key);
  if (!raw || raw->size() < 2 || raw->front() != u'"' || raw->back() != u'"') {
    return std::nullopt;
  }
  return raw->substr(1, raw->size() - 2);
}

void RegistryBackend::EnsureKeys() {
  if (!file_.doc().HasSection(kMakerKey)) file_.AddSection(kMakerKey);
  if (!file_.doc().HasSection(kKey)) file_.AddSection(kKey);
}

void RegistryBackend::StoreInt(std::u16string_view key, std::int32_t value) {
  EnsureKeys();
  file_.Set(kKey, key, FormatDword(static_cast<std::uint32_t>(value)));
}

void RegistryBackend::StoreText(std::u16string_view key, std::string value) {
  EnsureKeys();
  file_.Set(kKey, key, "\"" + EscapeLineBreaks(std::move(value)) + "\"");
}

std::optional<std::int32_t> RegistryBackend::QueryTools() {
  std::optional<std::u16string> raw = Raw(kMakerKey, kToolsValue);
  if (!raw) return std::nullopt;
  std::optional<std::uint32_t> n = ParseDword(*raw);
  if (!n) return std::nullopt;
  return static_cast<std::int32_t>(*n);
}

void RegistryBackend::StoreTools(std::int32_t value) {
  file_.Set(kMakerKey, kToolsValue, FormatDword(static_cast<std::uint32_t>(value)));
}

bool RegistryBackend::DeleteKey() {
  if (!file_.doc().HasSection(kKey) || file_.doc().HasSubsections(kKey)) return false;
  return file_.RemoveSection(kKey);
}

bool RegistryBackend::DeleteMakerKey() {
  if (!file_.doc().HasSection(kMakerKey) || file_.doc().HasSubsections(kMakerKey)) return false;
  return file_.RemoveSection(kMakerKey);
}

}  // namespace tessivo
