#pragma once
// Input histories: the most-recent-first lists behind the drop-down boxes of
// the text fields (search and replacement texts, list filter, extension,
// serial and add texts), and their stored forms.
//
// A history holds exactly 64 entries; an entry may be empty, and entry 0 is
// the newest. Entries never exceed the history's entry length (241 or 127
// UTF-16 code units).
//
// Stored form (kept in the settings file, do not change): the entries joined
// in order, each followed by "||". Entry 0 is always taken, later entries only
// when not empty and only while the joined text stays shorter than the join
// limit; an entry that does not fit is skipped and the next ones are still
// tried. The joined text is then escaped into the code page ("\u" escapes).
// Reading splits at "||" into at most 64 entries, each cut to the entry
// length, and stops at an empty remainder.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tessivo {

class InputHistory {
 public:
  static constexpr int kEntries = 64;

  // `entry_length`: the longest entry kept, in code units (241 or 127).
  explicit InputHistory(std::size_t entry_length) : entry_length_(entry_length) {}

  std::size_t entry_length() const { return entry_length_; }
  const std::u16string& entry(int i) const { return entries_[static_cast<std::size_t>(i)]; }
  // Sets entry i, cut to the entry length.
  void SetEntry(int i, std::u16string_view text);
  // Empties all 64 entries.
  void Clear();
  // Position of the first entry equal to `text` (exact, case-sensitive), or -1.
  int Find(std::u16string_view text) const;
  // Number of entries up to and including the last non-empty one.
  int UsedCount() const;

  // Moves entry k to position 0; entries 0 .. k-1 move down one place.
  void MoveToFront(int k);
  // Puts `text` (cut) in front; every entry moves down and entry 63 is lost.
  void PushFront(std::u16string_view text);

 private:
  std::size_t entry_length_;
  std::array<std::u16string, kEntries> entries_;
};

// Join limits of the stored form, in code units.
inline constexpr std::size_t kHistoryJoinLimit = 256;
inline constexpr std::size_t kReplaceHistoryJoinLimit = 2048;

// The joined form (see above).
std::u16string JoinHistory(const InputHistory& history, std::size_t limit);
// Replaces all entries by the pieces of `joined`.
void SplitHistory(std::u16string_view joined, InputHistory& history);

// Joined and escaped with the given capacity (256 for the short lists, 15492
// for the two replace lists). `cut`, when given, is set when the escaped text
// did not fit.
std::u16string EncodeHistory(const InputHistory& history, std::size_t limit,
                             std::size_t capacity, bool* cut = nullptr);
// Decodes the "\u" escapes of `stored` (capacity as above) and splits it.
void DecodeHistory(std::u16string_view stored, std::size_t capacity, InputHistory& history);

// What PushHistory did, so the caller can mirror it in the drop-down box:
// kInserted: `text` is new and now entry 0 (insert it at the top, and delete
//   item 64 when the box then holds 64 items or more);
// kMoved: `text` was entry `from` (> 0) and is now entry 0 (delete item
//   `from`, insert the text at the top, select item 0);
// kUnchanged: `text` already was entry 0.
struct PushResult {
  enum class Change { kInserted, kMoved, kUnchanged };
  Change change = Change::kUnchanged;
  int from = 0;
  // The text had entry_length() + 1 code units or more and was cut to
  // entry_length(). The caller stops the confirm/execute with the message
  // "入力した文字数が多すぎます。", title "Too Many Characters".
  bool too_long = false;
};

// Records the text just used in a field (at each confirm or execute, for
// the fields whose history recording is on).
PushResult PushHistory(InputHistory& history, std::u16string_view text);

// Puts `text` first: its first occurrence among entries 0 .. 62 is taken out
// (when absent, entry 63 is dropped), the entries before it move down one,
// and `text` becomes entry 0. Used for the list filter's keyword.
void PlaceFirst(InputHistory& history, std::u16string_view text);

}  // namespace tessivo
