#include "core/narrow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_list.h"
#include "core_test_util.h"

namespace tessivo {
namespace {

// Rows "a.txt", "b.tmp", "Readme.md", "x.tmp.bak", rows 1 and 2 selected.
FileList MakeList() {
  FileList list;
  for (const char16_t* name : {u"a.txt", u"b.tmp", u"Readme.md", u"x.tmp.bak"}) AddName(list, name);
  list.SetSelected(1, true);
  list.SetSelected(2, true);
  return list;
}

// One character per row: '.' status 0, 'x' status 12, '?' anything else.
std::string Marks(const FileList& list) {
  std::string marks;
  for (int i = 0; i < list.Count(); ++i) {
    const FileStatus s = list.GetFileStatus(i);
    marks.push_back(s == FileStatus::kUnchecked ? '.' : s == FileStatus::kExcluded ? 'x' : '?');
  }
  return marks;
}

TEST(NarrowTest, MarksRowsByText) {
  // Sixteen words that match nothing; the seventeenth, "a.txt", is ignored.
  const std::u16string seventeen = u"w0 w1 w2 w3 w4 w5 w6 w7 w8 w9 wa wb wc wd we wf a.txt";
  const struct { std::u16string text; std::string marks; } cases[] = {
      {u"", "...."},  {u"!", "...."},
      {u"tmp", "x.x."},            // substring anywhere
      {u"TMP", "xxxx"},            // case-sensitive
      {u"*.tmp", "x.xx"},          // wildcard covers the whole name
      {u"!*.tmp", ".x.."},         // only *.tmp marked
      {u"?.t*", "..x."},           // '?' is exactly one unit
      {u"a.txt  Readme", ".x.x"},  // a run of spaces is one separator
      {u"リスト選択", "x..x"},     // the selection keyword
      {u"!リスト選択 a.", "xxx."},  {seventeen, "xxxx"},
      // text beyond the box limit is ignored
      {std::u16string(kNarrowTextLimit, u' ') + u"zzz", "...."},
  };
  for (const auto& c : cases) {
    FileList list = MakeList();
    NarrowState state{c.text, {}};
    EXPECT_TRUE(Narrow(list, state, kNarrowForced));
    EXPECT_EQ(Marks(list), c.marks) << Utf16ToUtf8(c.text);
    EXPECT_EQ(state.last_applied, c.text.substr(0, kNarrowTextLimit));
  }
}

TEST(NarrowTest, WildcardMatchesWholeNames) {
  const struct { const char16_t* pattern; const char16_t* name; bool match; } cases[] = {
      {u"*", u"", true},     {u"?", u"", false},      {u"a*b*c", u"aXbYbc", true},
      {u"a*b", u"ab", true}, {u"a*b", u"abc", false}, {u"*.*", u"noext", false},
      {u"**x", u"x", true},  {u"*ab", u"aab", true},  {u"a?c", u"ac", false},  {u"x**", u"x", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match)
        << Utf16ToUtf8(c.pattern) << " / " << Utf16ToUtf8(c.name);
  }
}

TEST(NarrowTest, KindsDecideWhetherAndWhatIsWritten) {
  FileList list = MakeList();
  NarrowState state{u"tmp", {}};
  EXPECT_TRUE(Narrow(list, state, kNarrowOnEdit));
  list.SetFileStatus(0, FileStatus::kChangeable);
  EXPECT_FALSE(Narrow(list, state, kNarrowOnEdit)) << "same text as last applied";
  EXPECT_EQ(list.GetFileStatus(0), FileStatus::kChangeable);

  // Kind 2 rewrites only rows leaving or getting 12.
  state.text = u"a.txt b.tmp";
  list.SetFileStatus(1, FileStatus::kChangeable);
  EXPECT_TRUE(Narrow(list, state, kNarrowForcedKeepMarks));
  EXPECT_EQ(Marks(list), "??xx");  // 7 -> 0 not written, 0 -> 12 written
  state.text = u"x.tmp";
  Narrow(list, state, kNarrowForcedKeepMarks);
  EXPECT_EQ(Marks(list), "xxx.");  // 7 -> 12 and 12 -> 0 written

  // At preview only the keyword re-marks, from the current selection.
  EXPECT_FALSE(Narrow(list, state, kNarrowAtPreview));
  state.text = u"リスト選択";
  list.SetSelected(2, false);
  list.SetSelected(0, true);
  EXPECT_TRUE(Narrow(list, state, kNarrowAtPreview));
  EXPECT_EQ(Marks(list), "..xx");
  EXPECT_FALSE(Narrow(list, state, static_cast<NarrowKind>(7)));

  // Undo mode: nothing at all.
  list.set_undo_mode(true);
  list.SetFileStatus(0, FileStatus::kToRestore);
  state = {u"zzz", {}};
  EXPECT_FALSE(Narrow(list, state, kNarrowForced));
  EXPECT_EQ(Marks(list), "?.xx");
  EXPECT_TRUE(state.last_applied.empty());
}

}  // namespace
}  // namespace tessivo
