#include "core/sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "core/file_list.h"
#include "core_test_util.h"

namespace tessivo {
namespace {

std::u16string U(const std::string& s) { return Utf8ToUtf16(s); }
std::string S(std::u16string_view s) { return Utf16ToUtf8(s); }
using Names = std::vector<std::string>;

// Old names in folder "/d/", new name = the row's first position.
FileList ListOf(const std::vector<std::u16string>& names) {
  FileList list;
  for (const auto& name : names) AddName(list, name, u"/d/", U(std::to_string(list.Count())));
  return list;
}

TEST(SortTest, KeyTexts) {
  FileList list;
  list.AddRow(u"photo.2.JPG", u"", u"/home/u/", u"new.txt", u"  1,234", u"2021/07/01 12:00:00", 0,
              FileStatus::kChangeable);
  list.AddRow(u"README", u"", u"/d/", u"", u"", u"", 1);
  list.AddRow(u".bashrc", u"", u"/d/", u"x.", u"", u"", 2);
  list.AddRow(std::u16string(259, u'n'), u"", U("/" + std::string(250, 'f') + "/"), u"", u"", u"",
              3);
  const struct { int row, key, position; bool preview; std::string expected; } cases[] = {
      {0, 0, 7, false, "photo.2 .JPG/home/u/00007"},  {0, 0, 7, true, "07 photo.2.JPG00007"},
      {0, 1, 0, false, ".JPG photo.2/home/u/00000"},
      {0, 2, 12345, false, "/home/u/ photo.2.JPG12345"},  {0, 3, 0, false, "new .txt/home/u/00000"},
      {0, 4, 0, false, "  1,234 /home/u/photo.200000"},
      {0, 5, 0, false, "2021/07/01 12:00:00 /home/u/photo.200000"},
      {1, 1, 1, false, ".  README/d/00001"},       // no extension
      {2, 0, 100000, false, " .bashrc/d/100000"},  // all extension
      {2, 3, 2, false, "x . /d/00002"},            // a bare dot counts as none
  };
  for (const auto& c : cases) {
    EXPECT_EQ(S(SortKeyText(list, c.row, c.key, c.position, c.preview)), c.expected)
        << "row " << c.row << " key " << c.key;
  }
  // Long paths are cut, position and all.
  const std::u16string cut = SortKeyText(list, 3, 2, 3, false);
  EXPECT_EQ(cut.size(), kSortKeyLimit);
  EXPECT_EQ(cut.back(), u'n');
  EXPECT_TRUE(SortKeyText(list, 4, 0, 0, false).empty());
  EXPECT_TRUE(SortKeyText(list, 0, 6, 0, false).empty());
}

// The number-aware comparison is NaturalCompare (natural_compare_test.cpp);
// the plain one folds A-Z down, compares code units and reads 260 at most.
TEST(SortTest, CompareSortKeysPlainOrNatural) {
  const std::u16string a260(260, u'a');
  const struct { std::u16string a, b; int key; bool number_aware; int sign; } cases[] = {
      {u"a10", u"a2", kSortByName, true, 1},   {u"a10", u"a2", kSortByName, false, -1},
      {u"a10", u"a2", kSortBySize, true, -1},  // sizes always compare plainly
      {u"ABC", u"abc", kSortByName, false, 0}, {u"aB", u"a_", kSortByName, false, 1},
      {u"xZ", u"xz", kSortByName, false, 0},   {u"Z", u"_", kSortByName, false, 1},  // both ends of A-Z
      {u"a", u"ab", kSortByFolder, false, -1}, {a260 + u"x", a260, kSortByFolder, false, 0},
  };
  for (const auto& c : cases) {
    const int result = CompareSortKeys(c.a, c.b, c.key, c.number_aware);
    EXPECT_EQ((result > 0) - (result < 0), c.sign)
        << S(c.a) << " vs " << S(c.b) << " key " << c.key;
  }
}

// A random list: few distinct names, case variants, and folders, one longer
// than the plain comparison reads, so that key texts tie.
FileList RandomList(std::mt19937& random, int count, FileListOptions options = {}) {
  const char* names[] = {"a", "A", "a1", "a01", "a10", "b.txt", "B.TXT", "c.tar.gz", ".x", "x."};
  const std::string long_folder = "/" + std::string(270, 'L') + "/";
  const char* folders[] = {"/d/", "/D/", "/d/e/", long_folder.c_str()};
  const char* statuses = "\x00\x03\x07\x07\x0c";
  FileList list(options);
  for (int i = 0; i < count; ++i) {
    const std::u16string name = U(names[random() % 10]);
    list.AddRow(name, u"", U(folders[random() % 4]), name + U(std::to_string(random() % 3)),
                U(std::to_string(random() % 4)), U(std::to_string(random() % 3)), i,
                static_cast<FileStatus>(statuses[random() % 5]));
    list.SetSelected(i, random() % 2 == 0);
  }
  list.SetFocusedRow(count / 2);
  return list;
}

// Whatever path a sort takes, the rows end in the order of a stable sort by
// key text with the position as the last key, and every row arrives whole.
TEST(SortTest, EqualsStableSortWithPositionAsLastKey) {
  std::mt19937 random(7);
  std::array<int, 3> reversals{};  // confirmed reversals per step
  for (int round = 0; round < 60; ++round) {
    const int count = round < 20 ? round : static_cast<int>(random() % 400);
    for (int key = 0; key < kSortKeyCount; ++key) {
      const SortOptions options{round % 2 == 0, round % 3 == 0};
      FileList list = RandomList(random, count, {round % 4 != 1, true, 0, 1, 6, false});
      std::vector<FileItem> before;
      for (int i = 0; i < count; ++i) before.push_back(list.Item(i));
      SortState state;
      state.list_changed = false;
      for (int step = 0; step < 3; ++step) {  // full sort, reversal, reversal
        const int direction = step % 2 == 0 ? 1 : -1;
        std::vector<std::u16string> keys;
        for (int i = 0; i < count; ++i) {
          keys.push_back(SortKeyText(list, i, key, i, options.preview_statuses));
        }
        std::vector<int> expected(static_cast<std::size_t>(count));
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
          int c = CompareSortKeys(keys[a], keys[b], key, options.number_aware);
          if (c == 0) c = a - b;
          return c * direction < 0;
        });
        std::vector<FileItem> expected_rows;
        for (int from : expected) expected_rows.push_back(before[static_cast<std::size_t>(from)]);

        const SortResult r = Sort(list, state, key, kSortToggle, options);
        ASSERT_EQ(r.direction, direction);
        // Right after a full sort by a key whose text ends in a folder, the
        // rows turned round are the answer. Otherwise the position digits can
        // run into a name or extension, or tied texts stand in the wrong order
        // for their new positions, and a full sort follows.
        if (step == 0 || (step == 1 && (key == 1 || key == 3))) {
          ASSERT_EQ(r.outcome, step == 0 ? SortOutcome::kSorted : SortOutcome::kReversed)
              << "round " << round << " key " << key;
        }
        if (r.outcome == SortOutcome::kReversed) ++reversals[step];
        for (int i = 0; i < count; ++i) {
          ASSERT_EQ(list.Item(i), expected_rows[static_cast<std::size_t>(i)])
              << "round " << round << " key " << key << " step " << step << " row " << i;
        }
        before = expected_rows;
      }
    }
  }
  EXPECT_GT(reversals[1], 60);
  EXPECT_GT(reversals[2], 0);
}

// Already ordered, reversed, organ-pipe and tie-heavy inputs, on both sides
// of the partition threshold.
TEST(SortTest, SortRowIndexesEqualsStableSortWithIndexAsLastKey) {
  std::mt19937 random(3);
  for (int n : {0, 1, 2, 20, 21, 22, 100, 5000}) {
    for (int pattern = 0; pattern < 4; ++pattern) {
      std::vector<int> values;
      for (int i = 0; i < n; ++i) {
        values.push_back(pattern == 0   ? i
                         : pattern == 1 ? n - i
                         : pattern == 2 ? std::min(i, n - i)
                                        : static_cast<int>(random() % 4));
      }
      for (int direction : {1, -1}) {
        std::vector<int> expected(values.size());
        std::iota(expected.begin(), expected.end(), 0);
        std::vector<int> order = expected;
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
          return direction * (values[a] != values[b] ? values[a] - values[b] : a - b) < 0;
        });
        SortRowIndexes(order, direction, [&](int a, int b) { return values[a] - values[b]; });
        ASSERT_EQ(order, expected) << "n " << n << " pattern " << pattern << " dir " << direction;
      }
    }
  }
}

// Sizes and dates sort by the value their text shows, ties by position. With
// the size column off, view column 4 and so key 4 hold the date.
TEST(SortTest, SizeAndDateOrderByTheirValues) {
  for (const auto& [key, size_column] :
       {std::pair{4, true}, std::pair{5, true}, std::pair{4, false}}) {
    for (int choice : {0, 1}) {
      std::mt19937_64 random(11);
      auto pick = [&random](int n) {
        return static_cast<int>(random() % static_cast<unsigned>(n));
      };
      FileList list({.size_column = size_column});
      std::vector<std::pair<std::string, int>> want;  // (value as sortable text, first position)
      for (int i = 0; i < 500; ++i) {
        char date[32], digits[32];
        std::snprintf(date, sizeof date, "%4d/%02d/%02d %02d:%02d:%02d", 1990 + pick(40),
                      pick(12) + 1, pick(28) + 1, pick(24), pick(2), pick(60));
        // Below 10^10 bytes, where the ">= ... G" texts start.
        const std::uint64_t size = (random() >> pick(64)) % 9999999999;
        std::snprintf(digits, sizeof digits, "%020llu", static_cast<unsigned long long>(size));
        list.AddRow(u"same", u"", u"/d/", U(std::to_string(i)), FormatSizeText(size, 0), U(date),
                    i);
        want.emplace_back(key == 4 && size_column ? digits : date, i);
      }
      std::sort(want.begin(), want.end());
      if (choice == 1) std::reverse(want.begin(), want.end());
      Names expected;
      for (const auto& entry : want) expected.push_back(std::to_string(entry.second));
      SortState state;
      ASSERT_EQ(Sort(list, state, key, choice, {}).outcome, SortOutcome::kSorted);
      EXPECT_EQ(Column(list, Cell::kNewName), expected)
          << "key " << key << " size column " << size_column << " choice " << choice;
    }
  }
}

TEST(SortTest, DirectionsCountersAndRefusals) {
  FileList list = ListOf({u"b", u"c", u"a"});
  SortState state;
  RecordingStatus sink;
  auto click = [&](int key) { return Sort(list, state, key, kSortToggle, {}, &sink).direction; };
  EXPECT_EQ(click(0), 1);
  EXPECT_EQ(click(0), -1);
  EXPECT_EQ(Column(list), (Names{"c", "b", "a"}));
  EXPECT_EQ(click(0), 1);
  EXPECT_EQ(click(2), 1);
  EXPECT_EQ(state.counters, (std::array<int, 6>{0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(sink.codes, (std::vector<int>{1, -2, 1, -2, 1, -2, 1, -2}));

  // Menu "Z→A" twice: descending both times.
  EXPECT_EQ(SortByCommand(list, state, 41001, {}).direction, -1);
  EXPECT_EQ(SortByCommand(list, state, 41001, {}).direction, -1);
  // A changed list: the next click starts over ascending with a full sort.
  EXPECT_EQ(click(0), 1);
  state.MarkListChanged();
  const SortResult fresh = Sort(list, state, 0, kSortToggle, {});
  EXPECT_EQ(fresh.direction, 1);
  EXPECT_EQ(fresh.outcome, SortOutcome::kSorted);
  EXPECT_FALSE(state.list_changed);
  EXPECT_EQ(Column(list), (Names{"a", "b", "c"}));

  // Refused requests change nothing at all.
  const SortState kept = state;
  EXPECT_EQ(Sort(list, state, 6, kSortToggle, {}).outcome, SortOutcome::kRefused);
  EXPECT_EQ(Sort(list, state, -1, kSortToggle, {}).outcome, SortOutcome::kRefused);
  EXPECT_EQ(Sort(list, state, 0, 2, {}).outcome, SortOutcome::kRefused);
  EXPECT_EQ(SortByCommand(list, state, 41002, {}).outcome, SortOutcome::kRefused);
  list.set_undo_mode(true);
  EXPECT_EQ(Sort(list, state, 0, kSortDescending, {}).outcome, SortOutcome::kRefused);
  EXPECT_EQ(state.counters, kept.counters);
  EXPECT_EQ(state.last_direction, kept.last_direction);
  EXPECT_EQ(Column(list), (Names{"a", "b", "c"}));
}

TEST(SortTest, MenuEntriesAndHeaderArrows) {
  EXPECT_EQ(SortMenuText(41000), u"変更前\tA→Z");
  EXPECT_EQ(SortMenuText(41051), u" \t新しい順");
  for (int bad : {40999, 41002, 41009, 41060}) {
    EXPECT_TRUE(SortMenuText(bad).empty()) << bad;
    EXPECT_EQ(SortCommandKey(bad), (std::pair<int, int>{-1, -1})) << bad;
  }
  EXPECT_EQ(SortCommandKey(41031), (std::pair<int, int>{3, 1}));

  using enum HeaderArrow;
  EXPECT_EQ(ComputeHeaderArrows(0, -1, true, true),
            (HeaderArrows{kDown, kNone, kNone, kNone, kNone, kNone}));
  EXPECT_EQ(ComputeHeaderArrows(4, 1, false, true),
            (HeaderArrows{kNone, kNone, kNone, kNone, kLeave, kNone}));
  EXPECT_EQ(ComputeHeaderArrows(5, 1, true, false),
            (HeaderArrows{kNone, kNone, kNone, kNone, kNone, kLeave}));
}

TEST(SortTest, PermuteRejectsWhatIsNoPermutation) {
  FileList list = ListOf({u"a", u"b", u"c"});
  for (const std::vector<int>& bad :
       std::vector<std::vector<int>>{{0, 1}, {0, 1, 1}, {0, 1, 3}, {-1, 0, 1}, {0, 1, 2, 3}}) {
    EXPECT_FALSE(list.Permute(bad));
  }
  EXPECT_EQ(Column(list), (Names{"a", "b", "c"}));
  EXPECT_TRUE(list.Permute({2, 0, 1}));
  EXPECT_EQ(Column(list), (Names{"c", "a", "b"}));
}

}  // namespace
}  // namespace tessivo
