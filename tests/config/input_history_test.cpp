#include "config/input_history.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tessivo {
namespace {

using ::testing::PrintToString;
using Entries = std::vector<std::u16string>;

InputHistory Make(const Entries& entries, std::size_t entry_length = 127) {
  InputHistory h(entry_length);
  for (std::size_t i = 0; i < entries.size(); ++i) h.SetEntry(static_cast<int>(i), entries[i]);
  return h;
}

Entries Used(const InputHistory& h) {
  Entries out;
  for (int i = 0; i < h.UsedCount(); ++i) out.push_back(h.entry(i));
  return out;
}

// 64 one-character entries, the most a history holds.
Entries Full() {
  Entries full;
  for (char16_t c = 0x4E00; c < 0x4E40; ++c) full.push_back(std::u16string(1, c));
  return full;
}

TEST(InputHistoryTest, JoinTakesEntryZeroAlwaysAndSkipsWhatDoesNotFit) {
  const std::u16string x15(15, u'x'), y12(12, u'y');
  const struct { Entries entries; std::size_t limit; std::u16string joined; } cases[] = {
      {{}, 256, u"||"},  {{u"a", u"b", u"", u"c"}, 256, u"a||b||c||"},
      // "abc||" is 5; x15 would make 22 >= 20 and is skipped, "de" still fits.
      {{u"abc", x15, u"de"}, 20, u"abc||de||"},
      // The joined text stays shorter than the limit: 19 fits 20, 20 does not.
      {{u"abc", y12}, 20, u"abc||" + y12 + u"||"},  {{u"abc", y12 + u"y"}, 20, u"abc||"},
      {{x15}, 4, x15 + u"||"},  // entry 0 is taken even beyond the limit
  };
  for (const auto& c : cases)
    EXPECT_EQ(JoinHistory(Make(c.entries, 241), c.limit), c.joined) << PrintToString(c.entries);
}

TEST(InputHistoryTest, SplitAtSeparators) {
  const struct { std::u16string joined; Entries entries; } cases[] = {
      {u"", {}},  {u"||", {}},  {u"a||b", {u"a", u"b"}},  {u"a||||b||", {u"a", u"", u"b"}},
      {u"a|b||c|", {u"a|b", u"c|"}},  {u"|||x||", {u"", u"|x"}},
  };
  for (const auto& c : cases) {
    InputHistory h = Make({u"old", u"older"});
    SplitHistory(c.joined, h);
    EXPECT_EQ(Used(h), c.entries) << PrintToString(c.joined);
  }
  // At most 64 entries, each cut to the entry length.
  std::u16string joined;
  for (int i = 0; i < 70; ++i) joined += std::u16string(200, u'A' + i % 26) + u"||";
  InputHistory h(127);
  SplitHistory(joined, h);
  EXPECT_EQ(h.UsedCount(), 64);
  EXPECT_EQ(h.entry(63), std::u16string(127, u'A' + 63 % 26));
}

TEST(InputHistoryTest, EncodedFormRoundTripsAndIsCutNearTheCapacity) {
  bool cut = true;
  std::u16string stored =
      EncodeHistory(Make({u"café", u"名前", u"a||b"}), kHistoryJoinLimit, 256, &cut);
  EXPECT_FALSE(cut);
  EXPECT_EQ(stored, u"caf\\u00e9||名前||a||b||");
  InputHistory back(127);
  DecodeHistory(stored, 256, back);
  // A separator inside an entry cannot survive: it splits the entry.
  EXPECT_EQ(Used(back), (Entries{u"café", u"名前", u"a", u"b"}));
  // 127 + 2 + 124 + 2 = 255 code units: all kept when nothing needs escaping.
  InputHistory plain = Make({std::u16string(127, u'a'), std::u16string(124, u'b')});
  DecodeHistory(EncodeHistory(plain, kHistoryJoinLimit, 256, &cut), 256, back);
  EXPECT_FALSE(cut);
  EXPECT_EQ(Used(back), Used(plain));
  // A plain text that fills the capacity is cut to leave room for the end
  // (a join limit above the capacity lets it get that long).
  stored = EncodeHistory(Make({std::u16string(127, u'a'), std::u16string(125, u'b')}),
                         kReplaceHistoryJoinLimit, 256, &cut);
  EXPECT_TRUE(cut);
  EXPECT_EQ(stored.size(), 255u);
  // With a character to escape the escaped text is cut to fit.
  stored = EncodeHistory(Make({std::u16string(100, u'é')}), kHistoryJoinLimit, 256, &cut);
  EXPECT_TRUE(cut);
  EXPECT_LE(stored.size(), 255u);
}

TEST(InputHistoryTest, PushHistory) {
  using enum PushResult::Change;
  const std::u16string z127(127, u'z');
  const struct { const char* name; Entries before; std::u16string text; PushResult::Change change;
      int from; bool too_long; Entries after; } cases[] = {
      {"new text goes first", {u"a", u"b"}, u"c", kInserted, 0, false, {u"c", u"a", u"b"}},
      {"found later moves up", {u"a", u"b", u"c"}, u"c", kMoved, 2, false, {u"c", u"a", u"b"}},
      {"already first", {u"a", u"b"}, u"a", kUnchanged, 0, false, {u"a", u"b"}},
      {"case matters", {u"a"}, u"A", kInserted, 0, false, {u"A", u"a"}},
      {"too long is cut", {u"a"}, std::u16string(130, u'z'), kInserted, 0, true, {z127, u"a"}},
      {"cut text matches", {u"a", z127}, z127 + u"z", kMoved, 1, true, {z127, u"a"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InputHistory h = Make(c.before);
    PushResult r = PushHistory(h, c.text);
    EXPECT_EQ(r.change, c.change);
    EXPECT_EQ(r.from, c.from);
    EXPECT_EQ(r.too_long, c.too_long);
    EXPECT_EQ(Used(h), c.after);
  }
  InputHistory h = Make(Full());
  PushHistory(h, u"new");
  EXPECT_EQ(h.entry(63), Full()[62]);  // the last entry is lost
}

TEST(InputHistoryTest, PlaceFirstMovesOrDropsTheLastEntry) {
  const std::u16string k = u"リスト選択";
  // Only entries 0..62 are searched: a keyword at 63 is dropped, not moved.
  Entries last = Full();
  last[63] = k;
  Entries last_after = Full();
  last_after.insert(last_after.begin(), k);
  last_after.pop_back();
  const struct { Entries before, after; } cases[] = {
      {{k, u"a"}, {k, u"a"}},  {{u"a", u"b", k, u"c"}, {k, u"a", u"b", u"c"}},
      {{u"a", u"b"}, {k, u"a", u"b"}},  {last, last_after},
  };
  for (const auto& c : cases) {
    InputHistory h = Make(c.before);
    PlaceFirst(h, k);
    EXPECT_EQ(Used(h), c.after) << PrintToString(c.before);
  }
}

}  // namespace
}  // namespace tessivo
