#pragma once
// 8.3 short names (rename mode 6).
//
// On FAT the file system keeps a short name for every entry and the caller
// asks it for that name. Elsewhere GenerateShortName makes the name the FAT
// file system would give, with code page 932 as its OEM code page:
//  - a name that already is a valid 8.3 name, letter case aside, is its own
//    short name and keeps its case;
//  - otherwise the basis name is the name upper-cased, spaces removed, leading
//    periods removed, characters that a short name cannot hold (or that code
//    page 932 lacks) turned into "_", up to 8 bytes before the last period
//    (other periods dropped) and up to 3 bytes after it; a double-byte
//    character counts two bytes and is never split;
//  - the basis gets a tail "~1" to "~4", shortened to fit 8 bytes, the first
//    tail that no other entry of the folder holds (ignoring case where the
//    folder does, exactly elsewhere: FolderNameSet); from the
//    fifth on, the first 2 bytes of the basis, 4 hexadecimal digits of a hash
//    of the long name and "~1" (then "~2" and so on).
// The hash is FNV-1a over the long name's UTF-16 code units folded to 16
// bits, so the same name in the same folder always gets the same short name.

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace tessivo {

// Answers whether an entry of the folder other than the one being named
// already holds `name` (as its long or its short name), compared as the
// folder compares names.
using NameTakenFn = std::function<bool(std::u16string_view name)>;

// A set of the names of one folder, compared as the folder compares them:
// with `ignore_case` code units after ICU's simple upper-case mapping,
// otherwise exactly.
class FolderNameSet {
 public:
  explicit FolderNameSet(bool ignore_case = true) : ignore_case_(ignore_case) {}
  void Insert(std::u16string_view name);
  bool Contains(std::u16string_view name) const;
  // A lookup over this set; the set must outlive the function.
  NameTakenFn AsLookup() const;

 private:
  std::u16string Key(std::u16string_view name) const;

  bool ignore_case_;
  std::unordered_set<std::u16string> names_;
};

// Upper-cases every code unit by ICU's simple mapping (never a length change).
std::u16string SimpleUpperCase(std::u16string_view text);

// True when `name` is a valid 8.3 name once upper-cased: 1 to 8 bytes of code
// page 932, optionally a period and 1 to 3 more bytes, no space, no second
// period and no character a short name cannot hold.
bool IsValidShortName(std::u16string_view name);

// The short name for `long_name` (a name, not a path). Returns an empty string
// when every candidate is taken (the caller then keeps the long name).
std::u16string GenerateShortName(std::u16string_view long_name, const NameTakenFn& is_taken);

struct ShortNameParams {
  // 0 the name as the file system gives it, 1 all upper, 2 all lower (ASCII
  // letters only).
  int name_case = 0;
};

// Returns folder + the short name of `source_path`. `short_name` is the
// entry's short name or short path as the file system gave it or
// GenerateShortName made it; from a path only the text after its last "/"
// counts. An empty short name, or one that ends with "/", means the request
// failed, and the long name stays; `real8_3` applies to whichever name
// results. The folder stays as the source has it.
std::u16string ApplyShortName(const std::u16string& source_path, std::u16string_view short_name,
                              const ShortNameParams& params);

}  // namespace tessivo
