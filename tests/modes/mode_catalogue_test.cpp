#include "modes/mode_catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"
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
  // A button shows exactly the entries that have a mode.
  for (int tab = 0; tab < kModeTabs; ++tab) {
    for (const ModeButtonFace& face : ModeButtonsOfTab(tab)) {
      const int mode = ModeIndexForButton(tab, face.control_id - kFirstModeButtonId + 1) + 1;
      EXPECT_EQ(face.visible, ModeDescriptorOf(mode) != nullptr) << "mode " << mode;
    }
  }
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
  // Entries without a mode carry a placeholder up to entry 20, then nothing.
  EXPECT_TRUE(ModeStatusText(ModeStatusCode(1)).starts_with(u"【位置編集】"));
  for (int code : {19, 24}) EXPECT_EQ(ModeStatusText(code), u"【】 。") << "code " << code;
  for (int code : {-2, 4, 25, 28}) EXPECT_TRUE(ModeStatusText(code).empty()) << "code " << code;
}

// What one mode's descriptor says must agree with the rest of the table and
// with the vocabulary below the modes.
TEST(ModeCatalogue, DescriptorsAgreeWithEachOtherAndThePanel) {
  const ModePanel panel;
  std::set<std::u16string_view> command_names;
  std::set<std::string_view> step_codes;
  for (const ModeDescriptor* mode : Modes()) {
    const int number = ModeNumber(mode->mode);
    SCOPED_TRACE("mode " + std::to_string(number));
    EXPECT_EQ(ModeDescriptorOf(number), mode);
    EXPECT_EQ(FindModeByName(mode->command_name), number);
    EXPECT_EQ(FindModeByName(mode->name), number);
    EXPECT_TRUE(command_names.insert(mode->command_name).second);
    EXPECT_EQ(IsMetadataMode(number),
              mode->change == ModeChange::kTimes || mode->change == ModeChange::kAttributes);
    // A recorded mode writes a step, reads it back and puts it into the panel.
    const bool recorded = mode->step_form != StepForm::kNone;
    EXPECT_EQ(mode->capture != nullptr, recorded);
    EXPECT_EQ(mode->apply != nullptr, recorded);
    if (recorded) {
      EXPECT_EQ(mode->step_code.size(), 3u);
      EXPECT_TRUE(step_codes.insert(mode->step_code).second);
      EXPECT_EQ(ModeOfStepCode(mode->step_code), mode);
    }
    // Every control a mode binds to a setting is one of its own.
    std::set<int> own;
    for (int id : panel.ControlsOf(number)) {
      own.insert(id);
      EXPECT_EQ(panel.At(id).mode, number) << "control " << id;
    }
    for (const SettingBinding& b : mode->bindings) EXPECT_TRUE(own.count(b.control)) << b.control;
    for (const NumberBinding& b : mode->numbers) EXPECT_TRUE(own.count(b.control)) << b.control;
    for (const HistoryBinding& b : mode->histories) EXPECT_TRUE(own.count(b.control)) << b.control;
    if (mode->own_text_control != 0) {
      EXPECT_TRUE(own.count(mode->own_text_control));
    }
  }
  for (int number : {0, 15, 18, 20, 25}) EXPECT_EQ(ModeDescriptorOf(number), nullptr) << number;
}

}  // namespace
}  // namespace tessivo
