#pragma once
// Where the settings are kept between runs: two back-ends behind one
// interface, each a text file read once into memory and written back whole.
//
// - IniBackend: "tessivo.ini" in the program folder, the private-profile
//   format of Windows ini files: code page 932 text (a file that starts with
//   the UTF-16LE byte order mark is read and written back as UTF-16LE), lines
//   ending in CR LF, "[section]" headers and "key=value" lines; all keys live
//   in the section "[Base]". Lines this program does not write (comments,
//   other sections, unknown keys) are kept byte for byte.
// - RegistryBackend: "registry.ini", the stand-in for the registry key
//   "Software\Quellin Tools\Tessivo" under the current user: one section per
//   registry key, named by its path; values are typed as in the registry
//   (stored format, do not change):
//       name=dword:0000002a      a REG_DWORD, eight hexadecimal digits
//       name="text"              a REG_SZ, code page 932 between the quotes
//   The maker key "Software\Quellin Tools" holds the `tools` counter of
//   all the maker's programs that use it.
// In both files a CR, LF or NUL inside a stored text, which cannot stand in
// a line, is written as "\u000d", "\u000a" or "\u0000".
//
// Reading never fails: a missing, unreadable, garbled or binary file reads
// as an empty store, and every value that cannot be parsed counts as absent.
// A file larger than kMaxSettingsFileBytes is not read (it reads as empty)
// and never written over.
// Writes are collected in memory and reach the disk at Commit(), which reads
// the file again, applies the collected writes in order (so values other
// programs or the user put there meanwhile survive) and replaces the file in
// one atomic step: the file is always either the old or the new one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"
#include "platform/file_system.h"

namespace tessivo {

// A parsed private-profile file. Names of sections and keys compare without
// regard to ASCII letter case; the first section and the first key of a name
// count. Never fails to parse.
class IniDocument {
 public:
  static IniDocument Parse(std::string_view bytes);
  // The whole file, every line ending in CR LF.
  std::string Serialize() const;

  // The value of `key` in `section`: the text after the first "=", without
  // surrounding blanks and cut at a NUL. nullopt when absent.
  std::optional<std::u16string> Get(std::u16string_view section, std::u16string_view key) const;
  // Sets `key` to `value` (code page 932 bytes): an existing line is
  // replaced by "key=value"; a new key goes after the section's last key;
  // a missing section is appended at the end of the file.
  void Set(std::u16string_view section, std::u16string_view key, std::string_view value);
  bool RemoveKey(std::u16string_view section, std::u16string_view key);
  // Appends an empty section when there is none of that name.
  void AddSection(std::u16string_view section);
  bool HasSection(std::u16string_view section) const;
  // Whether some section's name begins with `section` followed by "\".
  bool HasSubsections(std::u16string_view section) const;
  // Takes out the header and the body of the first section of that name.
  bool RemoveSection(std::u16string_view section);
  // True when the file holds nothing but blank lines.
  bool IsBlank() const;
  bool utf16() const { return utf16_; }

 private:
  enum class Kind { kOther, kSection, kKey };
  struct Line {
    std::string bytes;      // as stored, without the line end
    std::u16string text;    // decoded
    Kind kind = Kind::kOther;
    std::u16string name;    // section or key name, ASCII upper-cased
    std::size_t value_at = 0;  // kKey: index in `text` after the "="
  };

  void Classify(Line& line) const;
  Line MakeLine(std::string_view bytes) const;
  // Index of the header of `section`, or npos.
  std::size_t FindSection(std::u16string_view section) const;
  // One past the last line of the section whose header is at `header`.
  std::size_t SectionEnd(std::size_t header) const;
  std::size_t FindKey(std::size_t header, std::u16string_view key) const;

  std::vector<Line> lines_;
  bool utf16_ = false;
};

// Whether a settings write waits until it is on the disk. kCached is for a
// write that a later kSynced one of the same file makes durable.
enum class Durability { kSynced, kCached };

// A file holding an IniDocument, read lazily and written by Commit().
// The largest settings file read; the program's own settings take a few
// kilobytes, and a private-profile file is parsed into about nine times its
// size in memory.
inline constexpr std::size_t kMaxSettingsFileBytes = 4 * 1024 * 1024;

class StoredIniFile {
 public:
  StoredIniFile(FileSystem& fs, std::u16string path) : fs_(&fs), path_(std::move(path)) {}

  const std::u16string& path() const { return path_; }
  // The document with the writes made so far; reads the file on first use.
  const IniDocument& doc();

  void Set(std::u16string_view section, std::u16string_view key, std::string value);
  void AddSection(std::u16string_view section);
  bool RemoveKey(std::u16string_view section, std::u16string_view key);
  bool RemoveSection(std::u16string_view section);
  bool dirty() const { return !pending_.empty(); }

  // Replaces the file by `bytes` at once, dropping the collected changes.
  Status Replace(std::string bytes);

  // Writes the collected changes (nothing to do when there are none). The
  // file is read again first; when that read fails for any reason but a
  // missing file, nothing is written and that error is returned. A missing
  // parent folder is created (mode 0700). When the result holds nothing, the
  // file is removed instead. Errors of the write are returned; the changes
  // stay collected for a later Commit().
  Status Commit(Durability durability = Durability::kSynced);

 private:
  enum class Op { kSet, kAddSection, kRemoveKey, kRemoveSection };
  struct Pending {
    Op op;
    std::u16string section;
    std::u16string key;
    std::string value;
  };
  static void Apply(IniDocument& doc, const Pending& p);
  // The file's bytes; kCorrupt when it is larger than kMaxSettingsFileBytes.
  Result<std::string> ReadStored();
  void Load();
  // WriteFileAtomic, creating a missing parent folder.
  Status Write(const std::string& bytes, Durability durability = Durability::kSynced);

  FileSystem* fs_;
  std::u16string path_;
  std::optional<IniDocument> doc_;
  std::vector<Pending> pending_;
};

enum class BackendKind { kIni, kRegistry };

// The store of one run. Keys are settings key names (ASCII).
class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;
  virtual BackendKind kind() const = 0;

  // Whether a value of that name is stored (of any type).
  virtual bool Has(std::u16string_view key) = 0;
  // The stored integer. Ini: the decimal number of the value (leading
  // blanks, a sign, digits; what follows the digits is ignored), or
  // `fallback` when the key is missing, empty, has no digits or does not fit
  // 32 bits. Registry: the REG_DWORD, or -1 when missing or not a REG_DWORD.
  virtual std::int32_t QueryInt(std::u16string_view key, std::int32_t fallback) = 0;
  // The stored text, decoded from the code page without touching "\u"
  // escapes or quotes (the caller applies the back-end's rules).
  virtual std::optional<std::u16string> QueryText(std::u16string_view key) = 0;
  virtual void StoreInt(std::u16string_view key, std::int32_t value) = 0;
  // `value` is code page 932 bytes.
  virtual void StoreText(std::u16string_view key, std::string value) = 0;
  virtual Status Commit(Durability durability) = 0;
  Status Commit() { return Commit(Durability::kSynced); }
};

class IniBackend final : public SettingsBackend {
 public:
  static constexpr std::u16string_view kSection = u"Base";

  IniBackend(FileSystem& fs, std::u16string path) : file_(fs, std::move(path)) {}
  BackendKind kind() const override { return BackendKind::kIni; }
  bool Has(std::u16string_view key) override;
  std::int32_t QueryInt(std::u16string_view key, std::int32_t fallback) override;
  std::optional<std::u16string> QueryText(std::u16string_view key) override;
  void StoreInt(std::u16string_view key, std::int32_t value) override;
  void StoreText(std::u16string_view key, std::string value) override;
  using SettingsBackend::Commit;
  Status Commit(Durability durability) override { return file_.Commit(durability); }

  // Replaces the file by exactly the 8 bytes "[Base]\r\n" at once (not
  // through Commit); collected writes are dropped.
  Status Reset();

 private:
  StoredIniFile file_;
};

class RegistryBackend final : public SettingsBackend {
 public:
  static constexpr std::u16string_view kKey = u"Software\\Quellin Tools\\Tessivo";
  static constexpr std::u16string_view kMakerKey = u"Software\\Quellin Tools";
  static constexpr std::u16string_view kToolsValue = u"tools";

  RegistryBackend(FileSystem& fs, std::u16string path) : file_(fs, std::move(path)) {}
  BackendKind kind() const override { return BackendKind::kRegistry; }
  bool Has(std::u16string_view key) override;
  std::int32_t QueryInt(std::u16string_view key, std::int32_t fallback) override;
  std::optional<std::u16string> QueryText(std::u16string_view key) override;
  void StoreInt(std::u16string_view key, std::int32_t value) override;
  void StoreText(std::u16string_view key, std::string value) override;
  using SettingsBackend::Commit;
  Status Commit(Durability durability) override { return file_.Commit(durability); }

  // The maker key's `tools` REG_DWORD; nullopt when missing.
  std::optional<std::int32_t> QueryTools();
  void StoreTools(std::int32_t value);
  // Deletes the program's key; false when it is missing or has subkeys.
  bool DeleteKey();
  // Deletes the maker key; false when it is missing or has subkeys.
  bool DeleteMakerKey();

 private:
  std::optional<std::u16string> Raw(std::u16string_view section, std::u16string_view name);
  void EnsureKeys();

  StoredIniFile file_;
};

// Exposed for tests: the value forms of the registry file.
std::string FormatDword(std::uint32_t value);
std::optional<std::uint32_t> ParseDword(std::u16string_view value);

}  // namespace tessivo
