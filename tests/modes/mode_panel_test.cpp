#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/file_list.h"
#include "modes/dispatcher.h"
#include "modes/mode_catalogue.h"
#include "modes/mode_descriptor.h"
#include "modes/mode_panel.h"
#include "modes/position_edit.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

// A settings store and a panel on a fake file system, its controls as the descriptors make them.
class PanelFixture : public ::testing::Test {
 protected:
  Settings& s() { return *settings_; }
  PanelControl& At(int id) { return panel_.At(id); }
  std::unique_ptr<Settings> NewSettings(const char16_t* file) {
    return std::make_unique<Settings>(
        fs_, SettingsLocation{BackendKind::kIni, std::u16string(u"/prog/") + file,
                              u"/prog/registry.ini"});
  }

  FakeFileSystem fs_;
  std::unique_ptr<Settings> settings_ = NewSettings(u"tessivo.ini");
  ModePanel panel_;
};

class ModePanelTest : public PanelFixture {
 protected:
  ModePanelTest() { FillModeControls(panel_, s(), now_); }
  void Select(RenameMode mode) {
    SelectMode(selection_, panel_, ModeNumber(mode), false, nullptr, nullptr);
  }

  ModeSelection selection_;
  CalendarTime now_{2024, 3, 2, 5, 13, 14, 15, 0};  // Tue 2024-03-05 13:14:15
};

TEST_F(ModePanelTest, ControlRulesDigitFieldsAndTheDateFormat) {
  s().SetText(TextKey::kBsexcept0, u"USA");
  s().SetText(TextKey::kBsexcept1, u"iPhone");
  // The case option, the exception field's text, whether the field and its label are enabled.
  const std::tuple<int, std::u16string, bool> cases[] = {
      {0, u"USA", true}, {1, u"iPhone", true}, {2, u"iPhone", true}, {3, u"無効", false},
      {4, u"a an and at by for in into of on or the to with", true},
  };
  for (const auto& [option, text, enabled] : cases) {
    At(ctl::kCaseOption).value = option;
    ApplyCaseOptionRule(panel_, s());
    EXPECT_EQ(std::tuple(At(ctl::kExceptionWords).text, At(ctl::kExceptionWords).enabled,
                         At(ctl::kExceptionLabel).enabled),
              std::tuple(text, enabled, enabled))
        << "option " << option;
  }
  // The field is stored into the selected option's list only.
  At(ctl::kCaseOption).value = 2;
  At(ctl::kExceptionWords).text = u"NASA";
  ReadModeParameters(panel_, s(), 4);
  EXPECT_EQ(s().Text(TextKey::kBsexcept1) + u"|" + s().Text(TextKey::kBsexcept0), u"NASA|USA");
  // Option 3 has no list: "無効" must never land in one.
  At(ctl::kCaseOption).value = 3;
  ApplyCaseOptionRule(panel_, s());
  ReadModeParameters(panel_, s(), 4);
  EXPECT_EQ(s().Int(IntKey::kBigsmall), 3);
  for (TextKey key : {TextKey::kBsexcept0, TextKey::kBsexcept1, TextKey::kBsexcept2}) {
    EXPECT_NE(s().Text(key), u"無効");
  }
  At(ctl::kCaseOption).value = 4;
  At(ctl::kExceptionWords).text = std::u16string(300, u'x');
  ReadModeParameters(panel_, s(), 4);
  EXPECT_EQ(s().Text(TextKey::kBsexcept2).size(), 254u);
  Select(RenameMode::kDelete);
  for (int kind = 0; kind < 12; ++kind) {
    At(ctl::kDeleteKind).value = kind;
    ApplyDeleteKindRule(panel_);
    const bool after = kind == 10;
    const bool counted = kind == 8 || kind == 9 || after;
    const std::u16string label = after ? u"文字より後" : counted ? u"文字" : u"文字（無効）";
    EXPECT_EQ(std::tuple(At(ctl::kDeleteCountLabel).text, At(ctl::kDeleteCount).enabled,
                         At(ctl::kDeleteCountLabel).enabled, At(ctl::kDeleteCount2).visible),
              std::tuple(label, counted, counted, after))
        << "kind " << kind;
  }
  // The second count is shown only while mode 8 is.
  At(ctl::kDeleteKind).value = 10;
  Select(RenameMode::kAdd);
  EXPECT_FALSE(At(ctl::kDeleteCount2).visible);
  Select(RenameMode::kDelete);
  EXPECT_TRUE(At(ctl::kDeleteCount2).visible);

  // The controls shown besides the operation: to set (0..2), copy (3, 4) or shift (5, 6) times.
  const std::set<int> shown_for[] = {
      {ctl::kStampDate, ctl::kStampTime, ctl::kStampNow, ctl::kStampIncrement},
      {ctl::kStampOnlyWhen}, {ctl::kStampTime, ctl::kShiftDays, ctl::kShiftDirection}};
  for (int option = 0; option <= 6; ++option) {
    At(ctl::kStampOperation).value = option;
    Select(RenameMode::kTimestamp);
    const std::set<int>& shown = shown_for[option <= 2 ? 0 : option <= 4 ? 1 : 2];
    for (int id : panel_.ControlsOf(ModeNumber(RenameMode::kTimestamp))) {
      const bool expected = id == ctl::kStampOperation || shown.count(id) != 0;
      EXPECT_EQ(At(id).visible, expected) << "option " << option << " control " << id;
    }
  }
  // The control, the text typed, the setting and the value stored, the field's text after.
  using K = IntKey;
  const std::tuple<int, std::u16string, IntKey, int, std::u16string> digits[] = {
      {ctl::kAddPosition, u"12x", K::kAddlen, 12, u"12x"},
      {ctl::kAddPosition, u"1000", K::kAddlen, 100, u"1000"},  // three digits read
      {ctl::kDeleteCount, u"999", K::kDellen, 255, u"999"},
      {ctl::kDeleteCount2, u"0", K::kDellen2, 255, u"255"},
      {ctl::kStampIncrement, u"604800", K::kTimeplus, 604800, u"604800"},
      {ctl::kStampIncrement, u"604801", K::kTimeplus, 604800, u"604800"},
      {ctl::kStampIncrement, u"99999999999999", K::kTimeplus, 604800, u"604800"},
      {ctl::kShiftDays, u"367", K::kFwdbackdays, 366, u"366"},
  };
  for (const auto& [id, typed, key, stored, field_after] : digits) {
    At(id).text = typed;
    ReadModeParameters(panel_, s(), 1);
    EXPECT_EQ(std::tuple(s().Int(key), At(id).text), std::tuple(stored, field_after))
        << Utf16ToUtf8(typed);
  }
  PanelControl& format = At(ctl::kDateFormat);
  auto stored = [this] {
    return std::tuple(s().Int(IntKey::kDatefrom), s().Text(TextKey::kYmdform));
  };
  format.value = -1;
  format.text = u"YY-MM";
  ReadModeParameters(panel_, s(), 9);
  EXPECT_EQ(stored(), std::tuple(-1, std::u16string(u"YY-MM")));
  // Typing an entry's exact text is that entry.
  format.text = u"YYYYMMDD";
  ReadModeParameters(panel_, s(), 9);
  EXPECT_EQ(stored(), std::tuple(7, std::u16string()));
  format.value = -1;
  format.text = std::u16string(200, u'Y');
  ReadModeParameters(panel_, s(), 9);
  EXPECT_EQ(s().Text(TextKey::kYmdform).size(), 127u);
  // At start a stored custom format is shown with no entry selected.
  s().SetText(TextKey::kYmdform, u"DD.MM");
  FillModeControls(panel_, s(), now_);
  EXPECT_EQ(std::tuple(format.value, format.text), std::tuple(-1, std::u16string(u"DD.MM")));
}

TEST_F(ModePanelTest, TextsTooLongMoveToTheTopOfTheirDropDownsAndEscapesAreDecoded) {
  // The control (0: the list filter), its history, the text's length, whether it is too long.
  using H = HistoryId;
  const std::tuple<int, HistoryId, std::size_t, bool> cases[] = {
      {ctl::kExtensionText, H::kExtension, 127, false}, {ctl::kSerialText, H::kSerial, 128, true},
      {ctl::kExtensionText, H::kExtension, 128, true},  {ctl::kAddText, H::kAdd, 128, true},
      {ctl::kSearchText, H::kSearch, 241, false},       {ctl::kSearchText, H::kSearch, 242, true},
      {ctl::kReplacementText, H::kReplacement, 242, true}, {0, H::kListFilter, 242, true},
  };
  char16_t fill = u'a';
  for (const auto& [id, history, length, too_long] : cases) {
    SCOPED_TRACE(testing::Message() << "control " << id << " length " << length);
    ModePanel panel;
    PanelControl& field = id == 0 ? panel.list_filter : panel.At(id);
    field.text = std::u16string(length, fill++);  // a new text for every case
    // Mode 1 uses none of these texts: only the history limit applies.
    EXPECT_EQ(ReadModeParameters(panel, s(), 1).too_long, too_long);
    const std::u16string& entry = s().History(history).entry(0);
    EXPECT_EQ(entry.size(), too_long ? length - 1 : length);
    EXPECT_EQ(field.items.at(0), entry);
  }

  // Without history recording only the current mode's text limit applies.
  const auto quiet = NewSettings(u"quiet.ini");
  quiet->SetInt(IntKey::kInputlog, 0);
  const std::tuple<int, int, std::size_t, bool> limits[] = {  // control, mode, length, too long
      {ctl::kExtensionText, 2, 127, false}, {ctl::kExtensionText, 2, 128, true},
      {ctl::kSerialText, 3, 128, true},     {ctl::kAddText, 7, 128, true},
      {ctl::kAddText, 3, 200, false},  // not the current mode's text
      {ctl::kSearchText, 10, 250, false},
  };
  for (const auto& [id, mode, length, too_long] : limits) {
    ModePanel panel;
    panel.At(id).text = std::u16string(length, u'a');
    EXPECT_EQ(ReadModeParameters(panel, *quiet, mode).too_long, too_long) << id;
    EXPECT_TRUE(panel.At(id).items.empty()) << id;
  }
  for (int h = 0; h < kHistoryCount; ++h) {
    EXPECT_EQ(quiet->History(static_cast<HistoryId>(h)).UsedCount(), 0) << "history " << h;
  }
  using Texts = std::vector<std::u16string>;
  PanelControl& ext = At(ctl::kExtensionText);
  for (const char16_t* text : {u"txt", u"jpg", u"png"}) {
    ext.text = text;
    ReadModeParameters(panel_, s(), 2);
  }
  EXPECT_EQ(ext.items, (Texts{u"png", u"jpg", u"txt"}));
  ext.text = u"txt";
  ext.value = -1;
  ReadModeParameters(panel_, s(), 2);
  EXPECT_EQ(ext.items, (Texts{u"txt", u"png", u"jpg"}));
  EXPECT_EQ(ext.value, 0);
  EXPECT_EQ(s().History(HistoryId::kExtension).entry(1), u"png");

  At(ctl::kSerialText).text = u"a\\u00e9<1>";
  At(ctl::kAddText).text = u"\\u2600";
  At(ctl::kSearchText).text = u"x\\u00E9";  // upper-case hex is not an escape
  At(ctl::kReplacementText).text = u"\\u0041/\\u0042";
  const ModeTexts texts = ReadModeParameters(panel_, s(), 3).texts;
  EXPECT_EQ((Texts{texts.serial, texts.add, texts.search, texts.replacement}),
            (Texts{u"aé<1>", u"☀", u"x\\u00E9", u"A/B"}));
  // The history keeps what was typed.
  EXPECT_EQ(s().History(HistoryId::kSerial).entry(0), u"a\\u00e9<1>");
}

TEST_F(ModePanelTest, FillThenReadKeepsEveryValueAndSetPanelValueRefusesWhatTheControlsDoNot) {
  using K = IntKey;
  const std::pair<IntKey, int> values[] = {
      {K::kPosedtnoext, 1}, {K::kExtadd, 1}, {K::kNuminspos, 4}, {K::kDirrenreset, 1},
      {K::kBigsmall, 2}, {K::kDbytebig, 1}, {K::kZenorhan, 1}, {K::kReal8_3, 2},
      {K::kAddprepost, 1}, {K::kAddlen, 17}, {K::kDeltype, 9}, {K::kDellen, 3}, {K::kDellen2, 44},
      {K::kWhichdate, 3}, {K::kDatefrom, 6}, {K::kDateins, 4}, {K::kAddyymmdd, 1}, {K::kRepmode, 2},
      {K::kRegexp, 1}, {K::kRepcase, 0}, {K::kRepwithext, 1}, {K::kRndpattern, 6}, {K::kRndext, 3},
      {K::kRndlen, 5}, {K::kCreatmodif, 5}, {K::kStampnow, 1}, {K::kTimeplus, 3600},
      {K::kTimestpsm, 2}, {K::kFwdbackdays, 9}, {K::kFwdback, 1}, {K::kMacrono, 24},
  };
  // What a settings store holds after the panel was read into it.
  auto expect_values = [&values](Settings& read) {
    for (const auto& [key, value] : values) {
      EXPECT_EQ(read.Int(key), value) << Utf16ToUtf8(SpecOf(key).name);
    }
    EXPECT_EQ(read.Word(OptionWord::kZentohan), zen::kKatakana | zen::kDigits);
    using F = AttributeField;
    EXPECT_EQ(std::tuple(read.AttributeChoice(F::kHidden), read.AttributeChoice(F::kSystem),
                         read.AttributeChoice(F::kReadOnly)),
              std::tuple(1, 0, 2));
    EXPECT_EQ(read.Text(TextKey::kSepstr), u"_");
  };
  for (const auto& [key, value] : values) s().SetInt(key, value);
  s().SetWord(OptionWord::kZentohan, zen::kKatakana | zen::kDigits);
  s().SetAttributeChoice(AttributeField::kHidden, 1);
  s().SetAttributeChoice(AttributeField::kSystem, 0);
  s().SetText(TextKey::kSepstr, u"_");
  FillModeControls(panel_, s(), now_);
  // `stampnow`: the time of day of now.
  EXPECT_EQ(std::tuple(At(ctl::kStampTime).time.hour, At(ctl::kStampDate).time.day),
            std::tuple(13, 5));
  const auto fresh = NewSettings(u"x.ini");
  ReadModeParameters(panel_, *fresh, 1);
  expect_values(*fresh);

  // The same values given by key name, as "--set KEY=VALUE" gives them.
  const auto defaults = NewSettings(u"y.ini");
  ModePanel named;
  FillModeControls(named, *defaults, now_);
  std::vector<std::pair<std::u16string, std::u16string>> texts = {
      {u"zentohan", u"0x101"}, {u"attribute", u"0x2120"}, {u"sepstr", u"_"}};
  for (const auto& [key, value] : values) {
    texts.emplace_back(SpecOf(key).name, Utf8ToUtf16(std::to_string(value)));
  }
  for (const auto& [key, value] : texts) {
    EXPECT_EQ(SetPanelValue(named, *defaults, key, value), u"") << Utf16ToUtf8(key);
  }
  const auto by_name = NewSettings(u"z.ini");
  ReadModeParameters(named, *by_name, 1);
  expect_values(*by_name);
  EXPECT_EQ(by_name->Word(OptionWord::kAttribute), fresh->Word(OptionWord::kAttribute));
  const std::u16string long_extension(128, u'x');
  // A key, a value, the control whose text becomes the value (0: the value is refused).
  const std::tuple<const char16_t*, std::u16string, int> cases[] = {
      {u"extstr", u"jpg", ctl::kExtensionText},   {u"renbanstr", u"a001", ctl::kSerialText},
      {u"addstr", u"x_", ctl::kAddText},           {u"replace1str", u"a", ctl::kSearchText},
      {u"search", u"IMG/x", ctl::kSearchText}, {u"replacement", u"pic/y", ctl::kReplacementText},
      {u"template", u"ab", ctl::kSampleName},      {u"ymdform", u"YYYY-1M", ctl::kDateFormat},
      {u"bigsmall", u"5", 0},   {u"bigsmall", u"-1", 0},      {u"bigsmall", u"1x", 0},
      {u"extadd", u"2", 0},     {u"addlen", u"256", 0},       {u"timeplus", u"604801", 0},
      {u"datefrom", u"9", 0},   {u"extstr", long_extension, 0}, {u"sepstr", u"1234567", 0},
      {u"ymdform", u"", 0},     {u"date", u"2024/02/30", 0},  {u"time", u"24:00:00", 0},
      {u"attribute", u"0x3000", 0}, {u"zentohan", u"0x2", 0}, {u"timezone", u"24", 0},
      {u"topmost", u"1", 0},    {u"basepath", u"/x", 0},      {u"replacefrom2", u"x", 0},
      {u"nosuch", u"1", 0},
  };
  auto snapshot = [this] {
    std::vector<std::tuple<int, std::u16string, CalendarTime>> all;
    for (const auto& [id, c] : panel_.controls()) all.emplace_back(c.value, c.text, c.time);
    return all;
  };
  for (const auto& [key, value, id] : cases) {
    const auto before = snapshot();
    const std::u16string reason = SetPanelValue(panel_, s(), key, value);
    const std::string where = Utf16ToUtf8(key) + "=" + Utf16ToUtf8(value);
    if (id == 0) {
      EXPECT_NE(reason, u"") << where;
      EXPECT_EQ(snapshot(), before) << where;
    } else {
      EXPECT_EQ(std::tuple(reason, At(id).text), std::tuple(u"", value)) << where;
    }
  }
  EXPECT_EQ(At(ctl::kDateFormat).value, -1);  // a typed format

  EXPECT_EQ(SetPanelValue(panel_, s(), u"date", u"2020/01/02"), u"");
  EXPECT_EQ(SetPanelValue(panel_, s(), u"time", u"03:04:05"), u"");
  const CalendarTime& date = At(ctl::kStampDate).time;
  const CalendarTime& time = At(ctl::kStampTime).time;
  EXPECT_EQ(std::tuple(date.year, date.month, date.day, time.hour, time.minute, time.second),
            std::tuple(2020, 1, 2, 3, 4, 5));
  // The exception words of the selected option show in their field.
  EXPECT_EQ(SetPanelValue(panel_, s(), u"bigsmall", u"4"), u"");
  EXPECT_EQ(SetPanelValue(panel_, s(), u"bsexcept2", u"of the"), u"");
  EXPECT_EQ(At(ctl::kExceptionWords).text, u"of the");
}

TEST_F(ModePanelTest, FixedStartUpTextsWinOverTheHistoriesAndSelectModeShowsOnePanel) {
  s().History(HistoryId::kSerial).PushFront(u"old<1>");
  s().History(HistoryId::kAdd).PushFront(u"old");
  s().SetText(TextKey::kFrenbanstr, u"fixed<01>");
  s().SetText(TextKey::kFsepstr, u"-");
  s().SetWordBit(OptionWord::kOption3, opt3::kFixSerialText | opt3::kFixDateSeparator, true);
  FillModeControls(panel_, s(), now_);
  // The add text is not fixed.
  EXPECT_EQ(At(ctl::kSerialText).text + u"|" + At(ctl::kSerialText).items.front() + u"|" +
                At(ctl::kDateSeparator).text + u"|" + At(ctl::kAddText).text,
            u"fixed<01>|old<1>|-|old");
  EXPECT_EQ(At(ctl::kAddText).value, 0);
  // The tab and button, the mode shown, the control focused, whether its text is selected.
  const std::tuple<int, int, int, int, bool> cases[] = {
      {0, 2, 2, ctl::kExtensionText, true}, {1, 2, 14, ctl::kReadOnly, false},
      {1, 7, 19, ctl::kMacroSlot, false},   {1, 3, 15, 0, false},
      {0, 99, 1, ctl::kSampleName, false},
  };
  for (const auto& [tab, button, mode, focus, select_all] : cases) {
    SCOPED_TRACE(testing::Message() << "tab " << tab << " button " << button);
    ModeSelection selection;
    selection.macro_playback = true;
    const SelectModeEffects e = SelectModeButton(selection, panel_, tab, button, nullptr, nullptr);
    EXPECT_EQ(std::tuple(selection.mode_index, panel_.shown_mode(), e.focus_control,
                         e.select_all_text, e.status_code, e.names_cleared),
              std::tuple(mode - 1, mode, focus, select_all, mode + 4, false));
    for (const auto& [id, control] : panel_.controls()) {
      EXPECT_TRUE(control.mode == mode || !control.visible) << "control " << id;
    }
  }
  FileList list;
  list.AddRow(u"a.txt", u".txt", u"/d/", u"A.TXT", u"", u"", 0);
  list.AddRow(u"longest.txt", u".txt", u"/d/", u"x", u"", u"", 1);
  list.AddRow(u"samelen.txt", u".txt", u"/d/", u"y", u"", u"", 2);
  PositionEditState position;
  selection_.checked_button = 5;
  EXPECT_TRUE(SelectMode(selection_, panel_, 13, true, &list, &position).names_cleared);
  EXPECT_EQ(std::tuple(selection_.tab, selection_.checked_button), std::tuple(1, 5));  // kept
  for (int row = 0; row < list.Count(); ++row) EXPECT_EQ(list.GetCell(row, Cell::kNewName), u"");
  EXPECT_EQ(std::tuple(At(ctl::kSampleName).text, position.template_name(),
                       position.template_length()),
            std::tuple(u"longest.txt", u"longest.txt", 11u));

  // An empty list keeps the field; the template length follows it.
  FileList empty;
  At(ctl::kSampleName).text = u"abc";
  SelectMode(selection_, panel_, 1, false, &empty, &position);
  EXPECT_EQ(std::tuple(selection_.checked_button, position.template_length()), std::tuple(1, 3u));

  // The undo label hides every panel.
  ShowUndoModeLabel(panel_);
  EXPECT_EQ(std::tuple(panel_.undo_label_visible(), panel_.shown_mode()), std::tuple(true, 0));
  for (const auto& [id, control] : panel_.controls()) EXPECT_FALSE(control.visible) << id;
}

TEST(ModeCatalogue, ButtonsNavigationAndDescriptorsAgreeWithEachOtherAndThePanel) {
  for (auto [mode, group] : {std::pair{1, 1}, {12, 1}, {13, 2}, {24, 2}, {0, 0}, {25, 0}}) {
    EXPECT_EQ(ModeGroup(mode), group) << "mode " << mode;
  }
  // A button outside 1..12 counts as button 1; a tab outside 0..1 as tab 0.
  const int buttons[][3] = {{0, 12, 11}, {1, 7, 18},  {0, 0, 0}, {0, 13, 0},
                            {1, -1, 12}, {1, 13, 12}, {2, 3, 2}};
  for (const auto& [tab, button, index] : buttons) {
    EXPECT_EQ(ModeIndexForButton(tab, button), index) << tab << "/" << button;
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
  // 14..17 are empty; a start on an empty entry; any other step counts as +1.
  const int steps[][3] = {{11, 1, 12}, {13, 1, 18},  {18, 1, 0}, {0, -1, 18},
                          {18, -1, 13}, {15, -1, 13}, {5, 0, 6}};
  for (const auto& [from, step, to] : steps) {
    EXPECT_EQ(StepModeIndex(from, step), to) << from << " step " << step;
  }
  // Entries without a mode carry a placeholder up to entry 20, then nothing.
  EXPECT_TRUE(ModeStatusText(ModeStatusCode(1)).starts_with(u"【位置編集】"));
  for (int code : {19, 24}) EXPECT_EQ(ModeStatusText(code), u"【】 。") << "code " << code;
  for (int code : {-2, 4, 25, 28}) EXPECT_TRUE(ModeStatusText(code).empty()) << "code " << code;
  // What one mode's descriptor says must agree with the rest of the table and with the
  // vocabulary below the modes.
  const ModePanel panel;
  std::set<std::string_view> step_codes;
  for (const ModeDescriptor* mode : Modes()) {
    const int number = ModeNumber(mode->mode);
    SCOPED_TRACE("mode " + std::to_string(number));
    // Names are unique: each finds its own mode.
    EXPECT_EQ(std::pair(FindModeByName(mode->command_name), FindModeByName(mode->name)),
              std::pair(number, number));
    EXPECT_EQ(IsMetadataMode(number),
              mode->change == ModeChange::kTimes || mode->change == ModeChange::kAttributes);
    // A recorded mode writes a step, reads it back and puts it into the panel.
    const bool recorded = mode->step_form != StepForm::kNone;
    EXPECT_EQ(std::pair(mode->capture != nullptr, mode->apply != nullptr),
              std::pair(recorded, recorded));
    if (recorded) {
      EXPECT_EQ(mode->step_code.size(), 3u);
      EXPECT_TRUE(step_codes.insert(mode->step_code).second);
      EXPECT_EQ(ModeOfStepCode(mode->step_code), mode);
    }
    // Every control a mode binds to a setting is one of its own.
    std::set<int> own = {0};  // 0: no text control of its own
    for (int id : panel.ControlsOf(number)) {
      own.insert(id);
      EXPECT_EQ(panel.At(id).mode, number) << "control " << id;
    }
    std::vector<int> bound = {mode->own_text_control};
    for (const SettingBinding& b : mode->bindings) bound.push_back(b.control);
    for (const NumberBinding& b : mode->numbers) bound.push_back(b.control);
    for (const HistoryBinding& b : mode->histories) bound.push_back(b.control);
    for (int id : bound) EXPECT_TRUE(own.count(id)) << "control " << id;
  }
}

using Op = FakeFileSystem::Op;

class DispatcherTest : public PanelFixture {
 protected:
  ModeContext Build(const ModeTexts& texts = {}) {
    return BuildModeContext(s(), panel_, texts, position_, fs_, utc_, FakeFileSystem::kDefaultTime);
  }
  std::u16string Compute(ModeContext& ctx, const std::u16string& source, int mode,
                         std::int64_t row = 0) {
    return ComputeNewName(ctx, source, u"/d/preset", mode, row);
  }

  PositionEditState position_;
  FixedOffsetTimeZone utc_{0};
};

TEST_F(DispatcherTest, EachModeTakesItsSettingsAndTextsWhenTheRowIsComputed) {
  At(ctl::kExtensionText).text = u"jpg";
  At(ctl::kAddPosition).text = u"1";
  s().SetAttributeChoice(AttributeField::kHidden, 1);
  s().SetAttributeChoice(AttributeField::kSystem, 0);
  // Deletion: a count of 2 from the front.
  using K = IntKey;
  for (const auto& [key, value] : {std::pair<K, int>{K::kBigsmall, kCaseAllUpperExceptExtension},
                                   {K::kNuminspos, 0}, {K::kAddprepost, 0}, {K::kDeltype, 8},
                                   {K::kDellen, 2}, {K::kRepcase, 1}}) {
    s().SetInt(key, value);
  }
  ModeContext ctx = Build(ModeTexts{u"<01>_", u"new_", u"b/c", u"B/C"});
  const std::tuple<int, std::u16string, std::int64_t, std::u16string> cases[] = {
      {1, u"/d/any name.txt", 0, u"/d/any name.txt"},  // template untouched: identity
      {2, u"/d/photo.tar.gz", 0, u"/d/photo.tar.jpg"},
      {3, u"/d/abc.txt", 0, u"/d/01_abc.txt"},  {3, u"/d/abc.txt", 1, u"/d/02_abc.txt"},
      {4, u"/d/report.Txt", 0, u"/d/REPORT.Txt"}, {7, u"/d/abc.txt", 0, u"/d/anew_bc.txt"},
      {8, u"/d/abc.txt", 0, u"/d/c.txt"},       {10, u"/d/abc.txt", 0, u"/d/aBC.txt"},
      {14, u"/d/a.txt", 0, u"<読：-, 隠：Y, ア：-, シ：N>"},
      {19, u"/d/sub/a b.txt", 0, u"/d/sub/a b.txt"},
  };
  for (const auto& [mode, source, row, expected] : cases) {
    EXPECT_EQ(Compute(ctx, source, mode, row), expected) << "mode " << mode;
  }
  // 11 takes its names from a CSV file; 12 needs the program's generator;
  // 15..18 and numbers outside the table have no mode: the preset stays.
  for (int mode : {11, 12, 15, 16, 17, 18, 0, -1, 20, 25}) {
    EXPECT_EQ(Compute(ctx, u"/d/a.txt", mode), u"/d/preset") << "mode " << mode;
  }
  At(ctl::kExtensionText).text = u"";
  EXPECT_EQ(Compute(ctx, u"/d/a.txt", 2), u"/d/a");
  // The add position is read then too, and taken as at most 255.
  ModeContext add = Build(ModeTexts{u"", u"X", u"", u""});
  const std::u16string base(255, u'a');
  At(ctl::kAddPosition).text = u"999";
  EXPECT_EQ(Compute(add, u"/d/" + base, 7), u"/d/" + base + u"X");
  // Building the context catches up with the template field.
  position_.LoadTemplate(u"IMG_0001");
  At(ctl::kSampleName).text = u"Photo_0001";
  ModeContext edit = Build();
  EXPECT_EQ(Compute(edit, u"/d/IMG_0123_x", 1), u"/d/Photo_0123_x");
}

TEST_F(DispatcherTest, ShortNamesAndTimestampDescriptionsTakeTheFirstRowsVolume) {
  fs_.AddFile(u"/d/Long File Name A.txt");
  fs_.AddFile(u"/d/Long File Name B.txt");
  fs_.AddFile(u"/d/readme.txt");
  fs_.AddFile(u"/e/Long File Name B.txt");
  fs_.AddFile(u"/e/longfi~1.txt");  // a long name that takes the first tail...
  fs_.SetNameRules(u"/e", NameRules{true, 255});
  fs_.AddFile(u"/f/Long File Name B.txt");
  fs_.AddFile(u"/f/longfi~1.txt");  // ...only where the folder ignores case
  ModeContext ctx = Build();
  const std::pair<std::u16string, std::u16string> rows[] = {
      // Rows in another order than the folder lists them: the folder's order decides.
      {u"/d/Long File Name B.txt", u"/d/LONGFI~2.TXT"},
      {u"/d/Long File Name A.txt", u"/d/LONGFI~1.TXT"}, {u"/d/readme.txt", u"/d/readme.txt"},
      {u"/e/Long File Name B.txt", u"/e/LONGFI~2.TXT"}, {u"/e/longfi~1.txt", u"/e/longfi~1.txt"},
      {u"/f/Long File Name B.txt", u"/f/LONGFI~1.TXT"},
  };
  for (const auto& [source, expected] : rows) {
    EXPECT_EQ(Compute(ctx, source, 6), expected) << Utf16ToUtf8(source);
  }
  EXPECT_EQ(fs_.Calls(Op::kList), 3);  // once per folder
  // A file the listing did not show is checked against the whole folder.
  fs_.AddFile(u"/d/Long File Name C.txt");
  EXPECT_EQ(Compute(ctx, u"/d/Long File Name C.txt", 6), u"/d/LONGFI~3.TXT");
  // Where the file system keeps short names they are asked for, without listing the folder.
  fs_.AddFile(u"/fat/Long Name.txt");
  fs_.SetKind(u"/fat", FileSystemKind::kFat);
  fs_.SetShortName(u"/fat/Long Name.txt", u"LONGNA~3.TXT");
  s().SetInt(IntKey::kReal8_3, 2);
  ModeContext fat = Build();
  EXPECT_EQ(Compute(fat, u"/fat/Long Name.txt", 6), u"/fat/longna~3.txt");
  EXPECT_EQ(fs_.Calls(Op::kList), 3);
  // A failed request keeps the long name.
  fs_.AddFile(u"/d/Long Name.txt");
  fs_.AddFile(u"/e/Long Name.txt");
  s().SetInt(IntKey::kReal8_3, 1);
  fs_.FailPath(Op::kShortName, u"/d/Long Name.txt", ErrorCode::kIo);
  fs_.FailPath(Op::kList, u"/e", ErrorCode::kPermission);
  ModeContext failing = Build();
  EXPECT_EQ(Compute(failing, u"/d/Long Name.txt", 6), u"/d/LONG NAME.TXT");
  EXPECT_EQ(Compute(failing, u"/e/Long Name.txt", 6), u"/e/LONG NAME.TXT");
  EXPECT_EQ(Compute(failing, u"/e/Long Name.txt", 6), u"/e/LONG NAME.TXT");
  EXPECT_EQ(fs_.Calls(Op::kList), 4);  // the failure is remembered for the run
  // Timestamp descriptions use the row ordinal and the first row's volume.
  fs_.AddFile(u"/fat/a.jpg");
  fs_.SetKind(u"/fat", FileSystemKind::kFat);
  fs_.AddFile(u"/d/b.jpg");
  s().SetInt(IntKey::kCreatmodif, static_cast<int>(TimestampOperation::kSetCreation));
  s().SetInt(IntKey::kTimeplus, 60);
  At(ctl::kStampDate).time = CalendarTime{2014, 5, 0, 6, 0, 0, 0, 0};
  At(ctl::kStampTime).time = CalendarTime{0, 0, 0, 0, 10, 0, 1, 0};

  ModeContext fat_first = Build();
  EXPECT_EQ(Compute(fat_first, u"/fat/a.jpg", 13, 0), u"<作成：2014/05/06 10:00:00>");
  // The run was judged FAT by its first row: the second is rounded too.
  EXPECT_EQ(Compute(fat_first, u"/d/b.jpg", 13, 1), u"<作成：2014/05/06 10:01:00>");

  ModeContext other_first = Build();
  EXPECT_EQ(Compute(other_first, u"/d/b.jpg", 13, 2), u"<作成：2014/05/06 10:02:01>");
}

}  // namespace
}  // namespace tessivo
