#include "modes/mode_panel.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/file_list.h"
#include "modes/position_edit.h"
#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

class ModePanelTest : public ::testing::Test {
 protected:
  ModePanelTest() {
    fs_.AddFolder(u"/prog");
    settings_ = std::make_unique<Settings>(
        fs_, SettingsLocation{BackendKind::kIni, u"/prog/tessivo.ini", u"/prog/registry.ini"});
    FillModeControls(panel_, *settings_, now_);
  }

  Settings& s() { return *settings_; }
  PanelControl& At(int id) { return panel_.At(id); }

  FakeFileSystem fs_;
  std::unique_ptr<Settings> settings_;
  ModePanel panel_;
  CalendarTime now_{2024, 3, 2, 5, 13, 14, 15, 0};  // Tue 2024-03-05 13:14:15
};

TEST_F(ModePanelTest, CaseOptionDecidesTheExceptionField) {
  s().SetText(TextKey::kBsexcept0, u"USA");
  s().SetText(TextKey::kBsexcept1, u"iPhone");
  const struct {
    int option;
    std::u16string text;
    bool enabled;
  } cases[] = {
      {0, u"USA", true}, {1, u"iPhone", true}, {2, u"iPhone", true}, {3, u"無効", false},
      {4, u"a an and at by for in into of on or the to with", true},
  };
  for (const auto& c : cases) {
    At(ctl::kCaseOption).value = c.option;
    ApplyCaseOptionRule(panel_, s());
    EXPECT_EQ(At(ctl::kExceptionWords).text, c.text) << "option " << c.option;
    EXPECT_EQ(At(ctl::kExceptionWords).enabled, c.enabled) << "option " << c.option;
    EXPECT_EQ(At(ctl::kExceptionLabel).enabled, c.enabled) << "option " << c.option;
  }

  // The field is stored into the selected option's list only.
  At(ctl::kCaseOption).value = 2;
  At(ctl::kExceptionWords).text = u"NASA";
  ReadModeParameters(panel_, s(), 4);
  EXPECT_EQ(s().Text(TextKey::kBsexcept1), u"NASA");
  EXPECT_EQ(s().Text(TextKey::kBsexcept0), u"USA");

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
}

TEST_F(ModePanelTest, DeleteKindDecidesTheCountFields) {
  ModeSelection selection;
  SelectMode(selection, panel_, ModeNumber(RenameMode::kDelete), false, nullptr, nullptr);
  for (int kind = 0; kind < 12; ++kind) {
    At(ctl::kDeleteKind).value = kind;
    ApplyDeleteKindRule(panel_);
    const bool after = kind == 10;
    const bool counted = kind == 8 || kind == 9 || after;
    const std::u16string label = after ? u"文字より後" : counted ? u"文字" : u"文字（無効）";
    EXPECT_EQ(At(ctl::kDeleteCountLabel).text, label) << "kind " << kind;
    EXPECT_EQ(At(ctl::kDeleteCount).enabled, counted) << "kind " << kind;
    EXPECT_EQ(At(ctl::kDeleteCountLabel).enabled, counted) << "kind " << kind;
    EXPECT_EQ(At(ctl::kDeleteCount2).visible, after) << "kind " << kind;
  }
  // The second count is shown only while mode 8 is.
  At(ctl::kDeleteKind).value = 10;
  SelectMode(selection, panel_, ModeNumber(RenameMode::kAdd), false, nullptr, nullptr);
  EXPECT_FALSE(At(ctl::kDeleteCount2).visible);
  SelectMode(selection, panel_, ModeNumber(RenameMode::kDelete), false, nullptr, nullptr);
  EXPECT_TRUE(At(ctl::kDeleteCount2).visible);
}

TEST_F(ModePanelTest, TimestampOptionDecidesVisibleControls) {
  const std::set<int> set_controls = {ctl::kStampDate, ctl::kStampTime, ctl::kStampNow,
                                      ctl::kStampIncrement};
  const std::set<int> copy_controls = {ctl::kStampOnlyWhen};
  const std::set<int> shift_controls = {ctl::kStampTime, ctl::kShiftDays, ctl::kShiftDirection};
  ModeSelection selection;
  for (int option = 0; option <= 6; ++option) {
    At(ctl::kStampOperation).value = option;
    SelectMode(selection, panel_, ModeNumber(RenameMode::kTimestamp), false, nullptr, nullptr);
    const std::set<int>& shown = option <= 2   ? set_controls
                                 : option <= 4 ? copy_controls
                                               : shift_controls;
    for (int id : panel_.ControlsOf(ModeNumber(RenameMode::kTimestamp))) {
      const bool expected = id == ctl::kStampOperation || shown.count(id) != 0;
      EXPECT_EQ(At(id).visible, expected) << "option " << option << " control " << id;
    }
  }
}

TEST_F(ModePanelTest, DigitFieldsAreReadAndClamped) {
  const struct {
    int id;
    std::u16string typed;
    IntKey key;
    int stored;
    std::u16string field_after;
  } cases[] = {
      {ctl::kAddPosition, u"12x", IntKey::kAddlen, 12, u"12x"},
      {ctl::kAddPosition, u"1000", IntKey::kAddlen, 100, u"1000"},  // three digits read
      {ctl::kDeleteCount, u"999", IntKey::kDellen, 255, u"999"},
      {ctl::kDeleteCount2, u"0", IntKey::kDellen2, 255, u"255"},
      {ctl::kStampIncrement, u"604800", IntKey::kTimeplus, 604800, u"604800"},
      {ctl::kStampIncrement, u"604801", IntKey::kTimeplus, 604800, u"604800"},
      {ctl::kStampIncrement, u"99999999999999", IntKey::kTimeplus, 604800, u"604800"},
      {ctl::kShiftDays, u"367", IntKey::kFwdbackdays, 366, u"366"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.typed));
    At(c.id).text = c.typed;
    ReadModeParameters(panel_, s(), 1);
    EXPECT_EQ(s().Int(c.key), c.stored);
    EXPECT_EQ(At(c.id).text, c.field_after);
  }
}

TEST_F(ModePanelTest, DateFormatTypedOrSelected) {
  PanelControl& format = At(ctl::kDateFormat);
  format.value = -1;
  format.text = u"YY-MM";
  ReadModeParameters(panel_, s(), 9);
  EXPECT_EQ(s().Int(IntKey::kDatefrom), -1);
  EXPECT_EQ(s().Text(TextKey::kYmdform), u"YY-MM");

  // Typing an entry's exact text is that entry.
  format.text = u"YYYYMMDD";
  ReadModeParameters(panel_, s(), 9);
  EXPECT_EQ(s().Int(IntKey::kDatefrom), 7);
  EXPECT_EQ(s().Text(TextKey::kYmdform), u"");

  format.value = -1;
  format.text = std::u16string(200, u'Y');
  ReadModeParameters(panel_, s(), 9);
  EXPECT_EQ(s().Text(TextKey::kYmdform).size(), 127u);

  // At start a stored custom format is shown with no entry selected.
  s().SetText(TextKey::kYmdform, u"DD.MM");
  FillModeControls(panel_, s(), now_);
  EXPECT_EQ(format.value, -1);
  EXPECT_EQ(format.text, u"DD.MM");
}

TEST_F(ModePanelTest, TooLongAtTheHistoryEntryLengths) {
  const struct {
    int id;  // 0: the list filter
    HistoryId history;
    std::size_t length;
    bool too_long;
  } cases[] = {
      {ctl::kExtensionText, HistoryId::kExtension, 127, false},
      {ctl::kExtensionText, HistoryId::kExtension, 128, true},
      {ctl::kSerialText, HistoryId::kSerial, 128, true},
      {ctl::kAddText, HistoryId::kAdd, 128, true},
      {ctl::kSearchText, HistoryId::kSearch, 241, false},
      {ctl::kSearchText, HistoryId::kSearch, 242, true},
      {ctl::kReplacementText, HistoryId::kReplacement, 242, true},
      {0, HistoryId::kListFilter, 242, true},
  };
  char16_t fill = u'a';
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "control " << c.id << " length " << c.length);
    ModePanel panel;
    PanelControl& field = c.id == 0 ? panel.list_filter : panel.At(c.id);
    field.text = std::u16string(c.length, fill++);  // a new text for every case
    // Mode 1 uses none of these texts: only the history limit applies.
    const ReadParamsResult result = ReadModeParameters(panel, s(), 1);
    EXPECT_EQ(result.too_long, c.too_long);
    EXPECT_EQ(s().History(c.history).entry(0).size(), c.too_long ? c.length - 1 : c.length);
    ASSERT_FALSE(field.items.empty());
    EXPECT_EQ(field.items.front(), s().History(c.history).entry(0));
  }
}

TEST_F(ModePanelTest, ModeTextLimitAppliesWithoutHistoryRecording) {
  s().SetInt(IntKey::kInputlog, 0);
  const struct {
    int id;
    int mode;
    std::size_t length;
    bool too_long;
  } cases[] = {
      {ctl::kExtensionText, 2, 127, false}, {ctl::kExtensionText, 2, 128, true},
      {ctl::kSerialText, 3, 128, true},     {ctl::kAddText, 7, 128, true},
      {ctl::kAddText, 3, 200, false},  // not the current mode's text
      {ctl::kSearchText, 10, 250, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "control " << c.id << " length " << c.length);
    ModePanel panel;
    panel.At(c.id).text = std::u16string(c.length, u'a');
    EXPECT_EQ(ReadModeParameters(panel, s(), c.mode).too_long, c.too_long);
    EXPECT_TRUE(panel.At(c.id).items.empty());
  }
  for (int h = 0; h < kHistoryCount; ++h) {
    EXPECT_EQ(s().History(static_cast<HistoryId>(h)).UsedCount(), 0) << "history " << h;
  }
}

TEST_F(ModePanelTest, RecordedTextMovesToTheTopOfItsDropDown) {
  PanelControl& ext = At(ctl::kExtensionText);
  for (const char16_t* text : {u"txt", u"jpg", u"png"}) {
    ext.text = text;
    ReadModeParameters(panel_, s(), 2);
  }
  EXPECT_EQ(ext.items, (std::vector<std::u16string>{u"png", u"jpg", u"txt"}));
  ext.text = u"txt";
  ext.value = -1;
  ReadModeParameters(panel_, s(), 2);
  EXPECT_EQ(ext.items, (std::vector<std::u16string>{u"txt", u"png", u"jpg"}));
  EXPECT_EQ(ext.value, 0);
  EXPECT_EQ(s().History(HistoryId::kExtension).entry(1), u"png");
}

TEST_F(ModePanelTest, EscapedFieldsAreDecoded) {
  At(ctl::kSerialText).text = u"a\\u00e9<1>";
  At(ctl::kAddText).text = u"\\u2600";
  At(ctl::kSearchText).text = u"x\\u00E9";  // upper-case hex is not an escape
  At(ctl::kReplacementText).text = u"\\u0041/\\u0042";
  const ModeTexts texts = ReadModeParameters(panel_, s(), 3).texts;
  EXPECT_EQ(texts.serial, u"aé<1>");
  EXPECT_EQ(texts.add, u"☀");
  EXPECT_EQ(texts.search, u"x\\u00E9");
  EXPECT_EQ(texts.replacement, u"A/B");
  // The history keeps what was typed.
  EXPECT_EQ(s().History(HistoryId::kSerial).entry(0), u"a\\u00e9<1>");
}

TEST_F(ModePanelTest, FillThenReadKeepsEveryValue) {
  const std::pair<IntKey, int> values[] = {
      {IntKey::kPosedtnoext, 1}, {IntKey::kExtadd, 1},      {IntKey::kNuminspos, 4},
      {IntKey::kDirrenreset, 1}, {IntKey::kBigsmall, 2},    {IntKey::kDbytebig, 1},
      {IntKey::kZenorhan, 1},    {IntKey::kReal8_3, 2},     {IntKey::kAddprepost, 1},
      {IntKey::kAddlen, 17},     {IntKey::kDeltype, 9},     {IntKey::kDellen, 3},
      {IntKey::kDellen2, 44},    {IntKey::kWhichdate, 3},   {IntKey::kDatefrom, 6},
      {IntKey::kDateins, 4},     {IntKey::kAddyymmdd, 1},   {IntKey::kRepmode, 2},
      {IntKey::kRegexp, 1},      {IntKey::kRepcase, 0},     {IntKey::kRepwithext, 1},
      {IntKey::kRndpattern, 6},  {IntKey::kRndext, 3},      {IntKey::kRndlen, 5},
      {IntKey::kCreatmodif, 5},  {IntKey::kStampnow, 1},    {IntKey::kTimeplus, 3600},
      {IntKey::kTimestpsm, 2},   {IntKey::kFwdbackdays, 9}, {IntKey::kFwdback, 1},
      {IntKey::kMacrono, 24},
  };
  for (const auto& [key, value] : values) s().SetInt(key, value);
  s().SetWord(OptionWord::kZentohan, zen::kKatakana | zen::kDigits);
  s().SetAttributeChoice(AttributeField::kHidden, 1);
  s().SetAttributeChoice(AttributeField::kSystem, 0);
  s().SetText(TextKey::kSepstr, u"_");
  FillModeControls(panel_, s(), now_);
  EXPECT_EQ(At(ctl::kStampTime).time.hour, 13);  // `stampnow`: the time of day of now
  EXPECT_EQ(At(ctl::kStampDate).time.day, 5);

  FakeFileSystem other_fs;
  Settings fresh(other_fs, SettingsLocation{BackendKind::kIni, u"/x.ini", u"/r.ini"});
  ReadModeParameters(panel_, fresh, 1);
  for (const auto& [key, value] : values) {
    EXPECT_EQ(fresh.Int(key), value) << Utf16ToUtf8(SpecOf(key).name);
  }
  EXPECT_EQ(fresh.Word(OptionWord::kZentohan), zen::kKatakana | zen::kDigits);
  EXPECT_EQ(fresh.AttributeChoice(AttributeField::kHidden), 1);
  EXPECT_EQ(fresh.AttributeChoice(AttributeField::kSystem), 0);
  EXPECT_EQ(fresh.AttributeChoice(AttributeField::kReadOnly), 2);
  EXPECT_EQ(fresh.Text(TextKey::kSepstr), u"_");

  // The same values given by key name, as "--set KEY=VALUE" gives them.
  Settings defaults(other_fs, SettingsLocation{BackendKind::kIni, u"/y.ini", u"/r.ini"});
  ModePanel named;
  FillModeControls(named, defaults, now_);
  for (const auto& [key, value] : values) {
    EXPECT_EQ(SetPanelValue(named, defaults, SpecOf(key).name, Utf8ToUtf16(std::to_string(value))),
              u"")
        << Utf16ToUtf8(SpecOf(key).name);
  }
  EXPECT_EQ(SetPanelValue(named, defaults, u"zentohan", u"0x101"), u"");
  EXPECT_EQ(SetPanelValue(named, defaults, u"attribute", u"0x2120"), u"");
  EXPECT_EQ(SetPanelValue(named, defaults, u"sepstr", u"_"), u"");
  Settings by_name(other_fs, SettingsLocation{BackendKind::kIni, u"/z.ini", u"/r.ini"});
  ReadModeParameters(named, by_name, 1);
  for (const auto& [key, value] : values) {
    EXPECT_EQ(by_name.Int(key), value) << Utf16ToUtf8(SpecOf(key).name);
  }
  EXPECT_EQ(by_name.Word(OptionWord::kZentohan), fresh.Word(OptionWord::kZentohan));
  EXPECT_EQ(by_name.Word(OptionWord::kAttribute), fresh.Word(OptionWord::kAttribute));
  EXPECT_EQ(by_name.Text(TextKey::kSepstr), u"_");
}

TEST_F(ModePanelTest, SetPanelValueTakesTextsAndRefusesWhatTheControlsDoNot) {
  const std::u16string long_extension(128, u'x');
  const struct {
    const char16_t* key;
    std::u16string value;
    int id;  // the control whose text becomes the value; 0 for a refusal
  } cases[] = {
      {u"extstr", u"jpg", ctl::kExtensionText},   {u"renbanstr", u"a001", ctl::kSerialText},
      {u"addstr", u"x_", ctl::kAddText},           {u"replace1str", u"a", ctl::kSearchText},
      {u"search", u"IMG/x", ctl::kSearchText},     {u"replacement", u"pic/y", ctl::kReplacementText},
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
  for (const auto& c : cases) {
    const auto before = snapshot();
    const std::u16string reason = SetPanelValue(panel_, s(), c.key, c.value);
    const std::string where = Utf16ToUtf8(c.key) + "=" + Utf16ToUtf8(c.value);
    if (c.id == 0) {
      EXPECT_NE(reason, u"") << where;
      EXPECT_EQ(snapshot(), before) << where;
    } else {
      EXPECT_EQ(reason, u"") << where;
      EXPECT_EQ(At(c.id).text, c.value) << where;
    }
  }
  EXPECT_EQ(At(ctl::kDateFormat).value, -1);  // a typed format

  EXPECT_EQ(SetPanelValue(panel_, s(), u"date", u"2020/01/02"), u"");
  EXPECT_EQ(SetPanelValue(panel_, s(), u"time", u"03:04:05"), u"");
  EXPECT_EQ(At(ctl::kStampDate).time.year * 10000 + At(ctl::kStampDate).time.month * 100 +
                At(ctl::kStampDate).time.day,
            20200102);
  EXPECT_EQ(At(ctl::kStampTime).time.hour * 10000 + At(ctl::kStampTime).time.minute * 100 +
                At(ctl::kStampTime).time.second,
            30405);
  // The exception words of the selected option show in their field.
  EXPECT_EQ(SetPanelValue(panel_, s(), u"bigsmall", u"4"), u"");
  EXPECT_EQ(SetPanelValue(panel_, s(), u"bsexcept2", u"of the"), u"");
  EXPECT_EQ(At(ctl::kExceptionWords).text, u"of the");
}

TEST_F(ModePanelTest, FixedStartUpTextsWinOverTheHistories) {
  s().History(HistoryId::kSerial).PushFront(u"old<1>");
  s().History(HistoryId::kAdd).PushFront(u"old");
  s().SetText(TextKey::kFrenbanstr, u"fixed<01>");
  s().SetText(TextKey::kFsepstr, u"-");
  s().SetWordBit(OptionWord::kOption3, opt3::kFixSerialText | opt3::kFixDateSeparator, true);
  FillModeControls(panel_, s(), now_);
  EXPECT_EQ(At(ctl::kSerialText).text, u"fixed<01>");
  EXPECT_EQ(At(ctl::kSerialText).items.front(), u"old<1>");
  EXPECT_EQ(At(ctl::kDateSeparator).text, u"-");
  EXPECT_EQ(At(ctl::kAddText).text, u"old");  // not fixed
  EXPECT_EQ(At(ctl::kAddText).value, 0);
}

TEST_F(ModePanelTest, SelectModeShowsOnePanelAndReportsFocus) {
  const struct {
    int tab, button;
    int mode, focus;
    bool select_all;
  } cases[] = {
      {0, 2, 2, ctl::kExtensionText, true}, {1, 2, 14, ctl::kReadOnly, false},
      {1, 7, 19, ctl::kMacroSlot, false},   {1, 3, 15, 0, false},
      {0, 99, 1, ctl::kSampleName, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "tab " << c.tab << " button " << c.button);
    ModeSelection selection;
    selection.macro_playback = true;
    const SelectModeEffects effects =
        SelectModeButton(selection, panel_, c.tab, c.button, nullptr, nullptr);
    EXPECT_EQ(selection.mode_index, c.mode - 1);
    EXPECT_EQ(panel_.shown_mode(), c.mode);
    EXPECT_EQ(effects.focus_control, c.focus);
    EXPECT_EQ(effects.select_all_text, c.select_all);
    EXPECT_EQ(effects.status_code, c.mode + 4);
    EXPECT_FALSE(effects.names_cleared);
    for (const auto& [id, control] : panel_.controls()) {
      if (control.mode != c.mode) {
        EXPECT_FALSE(control.visible) << "control " << id;
      }
    }
  }
}

TEST_F(ModePanelTest, SelectModeOutsidePlaybackClearsNamesAndReloadsTheTemplate) {
  FileList list;
  list.AddRow(u"a.txt", u".txt", u"/d/", u"A.TXT", u"", u"", 0);
  list.AddRow(u"longest.txt", u".txt", u"/d/", u"x", u"", u"", 1);
  list.AddRow(u"samelen.txt", u".txt", u"/d/", u"y", u"", u"", 2);
  PositionEditState position;
  ModeSelection selection;
  selection.checked_button = 5;
  const SelectModeEffects effects = SelectMode(selection, panel_, 13, true, &list, &position);
  EXPECT_TRUE(effects.names_cleared);
  EXPECT_EQ(selection.tab, 1);
  EXPECT_EQ(selection.checked_button, 5);  // kept
  for (int row = 0; row < list.Count(); ++row) EXPECT_EQ(list.GetCell(row, Cell::kNewName), u"");
  EXPECT_EQ(At(ctl::kSampleName).text, u"longest.txt");
  EXPECT_EQ(position.template_name(), u"longest.txt");
  EXPECT_EQ(position.template_length(), 11u);

  // An empty list keeps the field; the template length follows it.
  FileList empty;
  At(ctl::kSampleName).text = u"abc";
  SelectMode(selection, panel_, 1, false, &empty, &position);
  EXPECT_EQ(selection.checked_button, 1);
  EXPECT_EQ(position.template_length(), 3u);

  // The undo label hides every panel.
  ShowUndoModeLabel(panel_);
  EXPECT_TRUE(panel_.undo_label_visible());
  EXPECT_EQ(panel_.shown_mode(), 0);
  for (const auto& [id, control] : panel_.controls()) EXPECT_FALSE(control.visible) << id;
}

}  // namespace
}  // namespace tessivo
