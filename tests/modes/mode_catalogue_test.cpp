#include "modes/mode_catalogue.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

TEST(ModeCatalogue, ButtonsMapToTableIndices) {
  for (auto [mode, group] : {std::pair{1, 1}, {12, 1}, {13, 2}, {24, 2}, {0, 0}, {25, 0}}) {
    EXPECT_EQ(ModeGroup(mode), group) << "mode " << mode;
  }
  const struct {
    int tab, button, index;
  } cases[] = {
      // A button outside 1..12 counts as button 1; a tab outside 0..1 as tab 0.
      {0, 12, 11}, {1, 7, 18}, {0, 0, 0}, {0, 13, 0}, {1, -1, 12}, {1, 13, 12}, {2, 3, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ModeIndexForButton(c.tab, c.button), c.index) << c.tab << "/" << c.button;
  }
  for (int index = 0; index < kModeTableSize; ++index) {
    EXPECT_EQ(ModeIndexForButton(TabOfModeIndex(index), ButtonOfModeIndex(index)), index);
  }
}

TEST(ModeCatalogue, GroupTwoShowsOnlyButtonsOneTwoAndSeven) {
  const auto faces = ModeButtonsOfTab(1);
  for (int b = 1; b <= kModeButtons; ++b) {
    const ModeButtonFace& face = faces[static_cast<std::size_t>(b - 1)];
    EXPECT_EQ(face.control_id, 1080 + b);
    EXPECT_EQ(face.visible, b == 1 || b == 2 || b == 7) << "button " << b;
    EXPECT_EQ(face.visible, !face.label.empty()) << "button " << b;
  }
  for (const ModeButtonFace& face : ModeButtonsOfTab(0)) EXPECT_TRUE(face.visible);
}

TEST(ModeCatalogue, NavigationSkipsEmptyEntriesAndWraps) {
  const struct {
    int from, step, to;
  } cases[] = {
      {11, 1, 12}, {13, 1, 18}, {18, 1, 0}, {0, -1, 18}, {18, -1, 13},  // 14..17 are empty
      {15, -1, 13},  // starting on an empty entry
      {5, 0, 6},     // any other step counts as +1
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StepModeIndex(c.from, c.step), c.to) << c.from << " step " << c.step;
  }
}

TEST(ModeCatalogue, StatusTextsOfCodes5To24) {
  EXPECT_TRUE(ModeStatusText(ModeStatusCode(1)).starts_with(u"【位置編集】"));
  // Empty entries 15..18 and 20 carry the placeholder.
  for (int code : {19, 22, 24}) EXPECT_EQ(ModeStatusText(code), u"【】 。") << "code " << code;
  for (int code : {-2, 4, 25}) EXPECT_TRUE(ModeStatusText(code).empty()) << "code " << code;
}

}  // namespace
}  // namespace tessivo
