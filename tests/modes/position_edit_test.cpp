#include "modes/position_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

std::u16string Apply(const PositionEditState& state, const std::u16string& path,
                     const std::u16string& field, bool noext = false) {
  return ApplyPositionEdit(path, field, PositionEditParams{noext}, state);
}

TEST(PositionEdit, WorkedExampleMapsDigitsAndFollowsTheEdit) {
  PositionEditState state;
  state.LoadTemplate(u"IMG_0001");
  ASSERT_EQ(state.template_length(), 8u);
  state.UpdatePositionMap(u"Photo_0001");
  EXPECT_EQ(state.template_name(), u"Photo_0001");

  const auto& map = state.position_map();
  const std::vector<int> head = {-1, -1, -1, -1, -1, 3, 4, 5, 6, 7};
  for (std::size_t i = 0; i < head.size(); ++i) EXPECT_EQ(map[i], head[i]) << "position " << i;
  EXPECT_EQ(map.back(), static_cast<int>(PositionEditState::kMapSize) - 3);

  const std::pair<std::u16string, std::u16string> rows[] = {
      {u"/p/IMG_0123_x", u"/p/Photo_0123_x"},
      {u"/p/DSC_9", u"/p/Photo_9"},  // shorter than the template
      {u"/p/", u"/p/Photo"},         // an empty old name keeps only typed text
  };
  for (const auto& [old_path, expected] : rows) {
    EXPECT_EQ(Apply(state, old_path, u"Photo_0001"), expected) << Utf16ToUtf8(old_path);
  }
}

TEST(PositionEdit, SuccessiveEditsComposeOnTheMap) {
  struct Case {
    std::u16string loaded;
    std::vector<std::u16string> edits;
    bool noext;
    std::u16string old_name;
    std::u16string expected;
  };
  const Case cases[] = {
      // An unchanged template reproduces any name.
      {u"name.txt", {u"name.txt"}, false, u"much_longer_name.jpeg", u"much_longer_name.jpeg"},
      {u"name.txt", {u"name.txt"}, false, u"a", u"a"},
      // A deleted character drops at its position; later ones shift left.
      {u"IMG_0001", {u"IMG0001"}, false, u"IMG_0042ab", u"IMG0042ab"},
      // Typing in front twice keeps the whole old name behind the typed text.
      {u"IMG_0001", {u"XIMG_0001", u"XYIMG_0001"}, false, u"IMG_5555", u"XYIMG_5555"},
      // Typed text in the middle replaces the old characters there.
      {u"abcdef", {u"abXYef"}, false, u"123456789", u"12XY56789"},
      // Clearing the field drops as many characters as the template had.
      {u"abc", {u""}, false, u"abcdef", u"def"},
      // Typed, then edited again: the typed characters stay typed.
      {u"ab", {u"aZb", u"aZZb"}, false, u"12", u"1ZZ2"},
      // The template's extension reads past the old base name's end, and the
      // old extension comes back behind the new base name.
      {u"abc.txt", {u"abcd.txt"}, true, u"abc.txt", u"abcd.txt"},
      {u"photo", {u"new_photo"}, true, u"photo.jpg", u"new_photo.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.loaded) + " -> " + Utf16ToUtf8(c.edits.back()) + " on " +
                 Utf16ToUtf8(c.old_name));
    PositionEditState state;
    state.LoadTemplate(c.loaded);
    for (const std::u16string& edit : c.edits) state.UpdatePositionMap(edit);
    EXPECT_EQ(Apply(state, u"/f/" + c.old_name, c.edits.back(), c.noext), u"/f/" + c.expected);
  }
}

TEST(PositionEdit, TypedPositionsTheFieldNoLongerReachesReadHash) {
  PositionEditState state;
  state.LoadTemplate(u"abc");
  state.UpdatePositionMap(u"aXc");
  // The field was shortened without updating the map.
  EXPECT_EQ(Apply(state, u"/d/abcdef", u"a"), u"/d/a#cdef");
  // Beyond the old name's length the typed position ends the name.
  EXPECT_EQ(Apply(state, u"/d/a", u"a"), u"/d/a#");
  // Position 0 maps to the old name, which is empty.
  EXPECT_EQ(Apply(state, u"/d/", u""), u"/d/");
}

TEST(PositionEdit, LoadFromFieldOnlyTakesTheLength) {
  PositionEditState state;
  state.LoadTemplate(u"ab");
  state.UpdatePositionMap(u"Xab");
  const auto map_before = state.position_map();
  state.LoadTemplateFromField(u"Xab123");
  EXPECT_EQ(state.position_map(), map_before);
  EXPECT_EQ(state.template_name(), u"Xab");
  EXPECT_EQ(state.template_length(), 6u);
  // The tail now follows the new template length.
  state.UpdatePositionMap(u"Xab1");
  EXPECT_EQ(state.position_map()[4], 4 + 6 - 4);
}

TEST(PositionEdit, LongTextsAreCutAndNeverReadPastTheName) {
  const std::u16string long_name(300, u'n');
  PositionEditState state;
  state.LoadTemplate(long_name);
  EXPECT_EQ(state.template_name(), std::u16string(259, u'n'));
  // The edit is cut to 259 characters too, so the typed "X" takes the place
  // of the first old character instead of pushing the rest out.
  state.UpdatePositionMap(u"X" + long_name);
  EXPECT_EQ(state.template_name(), u"X" + std::u16string(258, u'n'));
  EXPECT_EQ(Apply(state, u"/d/" + std::u16string(250, u'o'), u"X" + long_name),
            u"/d/X" + std::u16string(249, u'o'));

  // Shrinking the template maps every later position beyond 259: the one
  // character left is the template's last, which a shorter old name lacks.
  PositionEditState shrunk;
  shrunk.LoadTemplate(std::u16string(259, u'a'));
  shrunk.UpdatePositionMap(u"a");
  EXPECT_EQ(shrunk.position_map()[0], 258);
  EXPECT_EQ(shrunk.position_map()[259], 259 + 258);
  EXPECT_EQ(Apply(shrunk, u"/d/" + std::u16string(255, u'a'), u"a"), u"/d/");
  EXPECT_EQ(Apply(shrunk, std::u16string(258, u'b') + u"z", u"a"), u"z");
}

}  // namespace
}  // namespace tessivo
