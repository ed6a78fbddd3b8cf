#include "config/input_history.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tessivo {
namespace {

using Entries = std::vector<std::u16string>;

InputHistory Make(const Entries& entries, std::size_t entry_length = 241) {
  InputHistory h(entry_length);
  for (std::size_t i = 0; i < entries.size(); ++i) h.SetEntry(static_cast<int>(i), entries[i]);
  return h;
}

Entries Used(const InputHistory& h) {
  Entries out;
  for (int i = 0; i < h.UsedCount(); ++i) out.push_back(h.entry(i));
  return out;
}

std::string Show(std::u16string_view s) { return std::string(s.begin(), s.end()); }

TEST(InputHistoryTest, JoinTakesEntryZeroAlwaysAndSkipsWhatDoesNotFit) {
  const std::u16string x15(15, u'x');
  struct Case {
    Entries entries;
    std::size_t limit;
    std::u16string joined;
  } cases[] = {
      {{}, 256, u"||"},
      {{u"a", u"b", u"", u"c"}, 256, u"a||b||c||"},
      {{u"", u"b"}, 256, u"||b||"},
      // "abc||" is 5; x15 would make 22 >= 20 and is skipped, "de" still fits.
      {{u"abc", x15, u"de"}, 20, u"abc||de||"},
      // The joined text stays shorter than the limit: 19 fits 20, 20 does not.
      {{u"abc", std::u16string(12, u'y')}, 20, u"abc||" + std::u16string(12, u'y') + u"||"},
      {{u"abc", std::u16string(13, u'y')}, 20, u"abc||"},
      // Entry 0 is taken even beyond the limit.
      {{x15}, 4, x15 + u"||"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JoinHistory(Make(c.entries), c.limit), c.joined) << Show(c.joined);
  }
}

TEST(InputHistoryTest, SplitAtSeparators) {
  struct Case {
    std::u16string joined;
    Entries entries;
  } cases[] = {
      {u"", {}},
      {u"||", {}},  // one empty entry
      {u"a||b||", {u"a", u"b"}},
      {u"a||b", {u"a", u"b"}},
      {u"a||||b||", {u"a", u"", u"b"}},
      {u"a|b||c|", {u"a|b", u"c|"}},
      {u"|||x||", {u"", u"|x"}},
  };
  for (const Case& c : cases) {
    InputHistory h = Make({u"old", u"older"});
    SplitHistory(c.joined, h);
    EXPECT_EQ(Used(h), c.entries) << Show(c.joined);
  }
}

TEST(InputHistoryTest, SplitKeepsAtMost64EntriesCutToTheEntryLength) {
  std::u16string joined;
  for (int i = 0; i < 70; ++i) {
    joined += std::u16string(200, static_cast<char16_t>(u'A' + i % 26)) + u"||";
  }
  InputHistory h(127);
  SplitHistory(joined, h);
  EXPECT_EQ(h.UsedCount(), 64);
  EXPECT_EQ(h.entry(0), std::u16string(127, u'A'));
  EXPECT_EQ(h.entry(63), std::u16string(127, static_cast<char16_t>(u'A' + 63 % 26)));
}

TEST(InputHistoryTest, EncodedFormRoundTripsCharactersOutsideTheCodePage) {
  InputHistory h = Make({u"café", u"名前", u"a||b"}, 127);
  bool cut = true;
  std::u16string stored = EncodeHistory(h, kHistoryJoinLimit, 256, &cut);
  EXPECT_FALSE(cut);
  EXPECT_EQ(stored, u"caf\\u00e9||名前||a||b||");
  InputHistory back(127);
  DecodeHistory(stored, 256, back);
  // A separator inside an entry cannot survive: it splits the entry.
  EXPECT_EQ(Used(back), (Entries{u"café", u"名前", u"a", u"b"}));
}

TEST(InputHistoryTest, EncodingNearTheCapacity) {
  // 127 + 2 + 124 + 2 = 255 code units: all kept when nothing needs escaping.
  InputHistory plain = Make({std::u16string(127, u'a'), std::u16string(124, u'b')}, 127);
  bool cut = true;
  std::u16string stored = EncodeHistory(plain, kHistoryJoinLimit, 256, &cut);
  EXPECT_FALSE(cut);
  EXPECT_EQ(stored.size(), 255u);
  InputHistory back(127);
  DecodeHistory(stored, 256, back);
  EXPECT_EQ(Used(back), Used(plain));
  // With a character to escape the escaped text is cut to fit.
  InputHistory wide = Make({std::u16string(100, u'é')}, 127);
  stored = EncodeHistory(wide, kHistoryJoinLimit, 256, &cut);
  EXPECT_TRUE(cut);
  EXPECT_LE(stored.size(), 255u);
}

TEST(InputHistoryTest, PushHistory) {
  Entries full;
  for (int i = 0; i < 64; ++i) full.push_back(std::u16string(1, static_cast<char16_t>(0x4E00 + i)));
  struct Case {
    const char* name;
    Entries before;
    std::u16string text;
    PushResult::Change change;
    int from;
    bool too_long;
    Entries after;
  } cases[] = {
      {"new text goes first", {u"a", u"b"}, u"c", PushResult::Change::kInserted, 0, false,
       {u"c", u"a", u"b"}},
      {"found later moves up", {u"a", u"b", u"c"}, u"c", PushResult::Change::kMoved, 2, false,
       {u"c", u"a", u"b"}},
      {"already first", {u"a", u"b"}, u"a", PushResult::Change::kUnchanged, 0, false,
       {u"a", u"b"}},
      {"case matters", {u"a"}, u"A", PushResult::Change::kInserted, 0, false, {u"A", u"a"}},
      {"too long is cut", {u"a"}, std::u16string(130, u'z'), PushResult::Change::kInserted, 0,
       true, {std::u16string(127, u'z'), u"a"}},
      {"cut text matches", {u"a", std::u16string(127, u'z')}, std::u16string(128, u'z'),
       PushResult::Change::kMoved, 1, true, {std::u16string(127, u'z'), u"a"}},
  };
  for (const Case& c : cases) {
    InputHistory h = Make(c.before, 127);
    PushResult r = PushHistory(h, c.text);
    EXPECT_EQ(r.change, c.change) << c.name;
    EXPECT_EQ(r.from, c.from) << c.name;
    EXPECT_EQ(r.too_long, c.too_long) << c.name;
    EXPECT_EQ(Used(h), c.after) << c.name;
  }
  InputHistory h = Make(full, 127);
  PushHistory(h, u"new");
  EXPECT_EQ(h.entry(0), u"new");
  EXPECT_EQ(h.entry(63), full[62]);  // the last entry is lost
}

TEST(InputHistoryTest, PlaceFirstMovesOrDropsTheLastEntry) {
  const std::u16string k = u"リスト選択";
  Entries full;
  for (int i = 0; i < 64; ++i) full.push_back(std::u16string(1, static_cast<char16_t>(0x4E00 + i)));
  struct Case {
    const char* name;
    Entries before;
    Entries after;
  } cases[] = {
      {"empty", {}, {k}},
      {"already first", {k, u"a"}, {k, u"a"}},
      {"moved up", {u"a", u"b", k, u"c"}, {k, u"a", u"b", u"c"}},
      {"absent", {u"a", u"b"}, {k, u"a", u"b"}},
  };
  for (const Case& c : cases) {
    InputHistory h = Make(c.before);
    PlaceFirst(h, k);
    EXPECT_EQ(Used(h), c.after) << c.name;
  }
  // Only entries 0..62 are searched: a keyword at 63 is dropped, not moved.
  Entries last = full;
  last[63] = k;
  InputHistory h = Make(last);
  PlaceFirst(h, k);
  EXPECT_EQ(h.entry(0), k);
  EXPECT_EQ(h.entry(63), full[62]);
  EXPECT_EQ(h.Find(k), 0);
}

}  // namespace
}  // namespace tessivo
