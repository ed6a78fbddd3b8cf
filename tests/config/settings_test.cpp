#include "config/settings.h"

#include <memory>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "platform/file_name_bytes.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

using enum BackendKind;
using enum SaveMode;
const std::u16string kIniPath = u"/prog/tessivo.ini";
const std::u16string kRegPath = u"/home/u/.config/tessivo/registry.ini";
const std::string kMaker = "[Software\\Quellin Tools]\r\n";
const std::string kKey = "[Software\\Quellin Tools\\Tessivo]\r\n";
constexpr BackendKind kBoth[] = {kIni, kRegistry};

const char* Name(BackendKind b) { return b == kIni ? "ini" : "registry"; }

// Writes `body` as the program's section of the store `backend` reads.
void AddStore(FakeFileSystem& fs, BackendKind backend, const std::string& body) {
  if (backend == kIni) fs.AddFile(kIniPath, "[Base]\r\n" + body);
  if (backend == kRegistry) fs.AddFile(kRegPath, kKey + body);
}

// Settings on `fs`, taken through the first `stages` loading stages (0-2).
std::unique_ptr<Settings> Load(FakeFileSystem& fs, BackendKind backend = kIni, int stages = 2,
                               StartOverrides overrides = {}) {
  auto s = std::make_unique<Settings>(fs, SettingsLocation{backend, kIniPath, kRegPath});
  if (stages >= 1) s->LoadStage0(false);
  if (stages >= 2) s->LoadStage1(overrides);
  return s;
}

SaveInputs DefaultInputs() {
  SaveInputs in;
  in.rename_mode = 10;
  in.window = {10, 20, 810, 620};
  in.column_widths = {200, 61, 171, 181, 99, 121};
  in.column_order = {0, 1, 3, 2, 4, 5};
  return in;
}

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() { fs_.AddFolder(u"/prog"); }

  std::unique_ptr<Settings> Start(StartOverrides overrides = {}) {
    return Load(fs_, kIni, 2, overrides);
  }
  void WriteIni(const std::string& body) { AddStore(fs_, kIni, body); }
  std::string Ini() { return fs_.Content(kIniPath).value_or(""); }

  FakeFileSystem fs_;
};

TEST_F(SettingsTest, IntegersCompareUnsignedWithTheirMaximum) {
  // The stored value text; empty: the key is absent.
  const struct { BackendKind b; std::string stored; std::int32_t expected; } cases[] = {
      {kIni, "-5", 180},  {kIni, "32767", 32767},  {kIni, "32768", 180},  {kIni, "0", 0},
      {kIni, "", 180},    {kIni, "x", 180},        {kRegistry, "dword:00000064", 100},
      {kRegistry, "dword:ffffffff", 180},  {kRegistry, "", 180},  {kRegistry, "\"100\"", 180},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    AddStore(fs, c.b, c.stored.empty() ? "" : "treewidth=" + c.stored + "\r\n");
    EXPECT_EQ(Load(fs, c.b, 1)->Int(IntKey::kTreewidth), c.expected) << Name(c.b) << c.stored;
  }
}

TEST_F(SettingsTest, TextsAndTheirQuotes) {
  const std::u16string d = u"dflt";
  const struct { BackendKind b; std::optional<std::string> stored; std::u16string expected; }
  cases[] = {
      {kIni, "\"abc\"", u"abc"},  {kIni, "abc", u"abc"},  {kIni, "\"abc", u"abc"},
      {kIni, "abc\"", u"abc\""},  {kIni, "\"\"", u""},  {kIni, "\"", u""},
      {kIni, "", u""},  // present but empty is not the default
      {kIni, "\"\"x\"\"", u"\"x\""},  {kIni, "\"  a b  \"", u"  a b  "},
      {kIni, std::string(300, 'x'), std::u16string(255, u'x')},
      {kIni, "\"" + std::string(255, 'y') + "\"", std::u16string(255, u'y')},
      {kIni, std::nullopt, d},  {kRegistry, "\"\"abc\"\"", u"\"abc\""},
      {kRegistry, "\"" + std::string(256, 'z') + "\"", std::u16string(255, u'z')},
      {kRegistry, "\"" + std::string(257, 'z') + "\"", d},
      {kRegistry, "dword:00000001", d},  {kRegistry, std::nullopt, d},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    AddStore(fs, c.b, c.stored ? "k=" + *c.stored + "\r\n" : "");
    EXPECT_EQ(Load(fs, c.b, 0)->ReadText(u"k", d), c.expected)
        << Name(c.b) << " " << c.stored.value_or("(absent)");
  }
}

TEST_F(SettingsTest, PackedValuesTakeTheirClamps) {
  const struct { std::string line; IntKey key; std::int32_t expected; } cases[] = {
      {"option1=3", IntKey::kChgconfirm, 2},  {"option1=128", IntKey::kForce1, 1},
      {"option1=128", IntKey::kForce3, 0},    {"option2=4096", IntKey::kShortcutlink, 1},
      {"option1=1048576", IntKey::kChgconfirm, 1},  // above the maximum: default word
      {"option2=983040", IntKey::kSubdir, 12},  {"option2=112", IntKey::kMaxfilenum, 6},
      {"option4=196608", IntKey::kDispinkb, 2},
  };
  for (const auto& c : cases) {
    WriteIni(c.line + "\r\n");
    EXPECT_EQ(Start()->Int(c.key), c.expected) << c.line << " " << Utf16ToUtf8(SpecOf(c.key).name);
  }
  WriteIni("option1=458752\r\nheadcount=4660\r\nattribute=61455\r\n");  // index 7; 0xF00F
  auto s = Start();
  EXPECT_EQ(s->CollisionExampleIndex(), 5);
  EXPECT_EQ(s->Word(OptionWord::kHeadcount), 78405u);
  EXPECT_EQ(s->Word(OptionWord::kAttribute), 0x2222u);  // above the maximum
  s->SetWord(OptionWord::kAttribute, 0x2F01);
  EXPECT_EQ(s->AttributeChoice(AttributeField::kReadOnly), 2);
  EXPECT_EQ(s->AttributeChoice(AttributeField::kHidden), 2);
  EXPECT_EQ(s->AttributeChoice(AttributeField::kSystem), 1);
  // Records and words stay in step both ways.
  s->SetInt(IntKey::kSubdir, 5);
  s->SetWordBit(OptionWord::kOption2, 1u << 20, false);
  EXPECT_EQ(s->Int(IntKey::kSubdirtree), 0);
  EXPECT_EQ((s->Word(OptionWord::kOption2) >> 16) & 0xF, 5u);
}

TEST_F(SettingsTest, StartCounter) {
  for (BackendKind b : kBoth) {
    SCOPED_TRACE(Name(b));
    FakeFileSystem fs;
    fs.AddFolder(u"/prog");
    for (int run = 1; run <= 3; ++run) {
      Settings s(fs, {b, kIniPath, kRegPath});
      EXPECT_EQ(s.LoadStage0(false).first_start, run == 1);
      EXPECT_EQ(s.start_count(), run);
      EXPECT_EQ(s.version(), kSettingsVersion);
      // The version stamp is written at exit; a run that never saves starts the count again.
      ASSERT_TRUE(s.Save(kExit, DefaultInputs()));
    }
    // The registry back-end leaves the ini file alone; the maker's counter
    // moved once, on the registry's first start only.
    EXPECT_EQ(fs.Exists(kIniPath), b == kIni);
    EXPECT_EQ(RegistryBackend(fs, kRegPath).QueryTools(),
              b == kRegistry ? std::optional<std::int32_t>(1) : std::nullopt);
  }
  const struct { const char* name; BackendKind backend; std::string ini, registry; bool first_start;
      std::int32_t count; std::optional<std::int32_t> tools; } cases[] = {
      {"old version restarts the count", kIni, "_version=100\r\n_count=5\r\n", "", false, 1, {}},
      {"version from the registry", kIni, "_count=4\r\n", kKey + "_version=dword:00409001\r\n",
       false, 5, {}},
      {"maker counter counts up", kRegistry, "", kMaker + "tools=dword:00000003\r\n", true, 1, 4},
      {"non-positive maker counter", kRegistry, "", kMaker + "tools=dword:ffffffff\r\n", true, 1,
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem fs;
    AddStore(fs, kIni, c.ini);
    if (!c.registry.empty()) fs.AddFile(kRegPath, c.registry);
    Settings s(fs, {c.backend, kIniPath, kRegPath});
    EXPECT_EQ(s.LoadStage0(false).first_start, c.first_start);
    EXPECT_EQ(s.start_count(), c.count);
    EXPECT_EQ(RegistryBackend(fs, kRegPath).QueryTools(), c.tools);
  }
}

// Values of every kind, saved and loaded again on both back-ends.
TEST_F(SettingsTest, SaveAndLoadRoundTrip) {
  const std::pair<IntKey, std::int32_t> ints[] = {
      {IntKey::kTopmost, 1},  {IntKey::kRepmode, 2},    {IntKey::kTimeplus, 604800},
      {IntKey::kListcolor1, 0x123456}, {IntKey::kForce1, 1}, {IntKey::kDel, 2},
      {IntKey::kSubdir, 7},   {IntKey::kMaxfilenum, 5}, {IntKey::kDispinkb, 2}};
  const std::pair<TextKey, std::u16string> texts[] = {
      {TextKey::kBasepath, u"/home/名前"}, {TextKey::kBsexcept2, u"x \"y\""},
      {TextKey::kSepstr, u"é-"}, {TextKey::kFilterextall, u"txt ü"}};
  using enum HistoryId;
  const std::pair<HistoryId, std::u16string> pushed[] = {
      {kReplacement, u"置換"}, {kExtension, u"jpg"}, {kSerial, u"s ü"}, {kSearch, u"café"},
      {kSearch, u"\"検索\""}, {kListFilter, u"*.txt"}};
  const std::tuple<HistoryId, int, std::u16string> entries[] = {
      {kReplacement, 0, u"置換"}, {kExtension, 0, u"jpg"}, {kSerial, 0, u"s ü"},
      {kSearch, 0, u"\"検索\""}, {kSearch, 1, u"café"},
      {kListFilter, 0, std::u16string(kListSelectionKeyword)}, {kListFilter, 1, u"*.txt"}};
  for (BackendKind b : kBoth) {
    SCOPED_TRACE(Name(b));
    FakeFileSystem fs;
    fs.AddFolder(u"/prog");
    auto s = Load(fs, b);
    for (const auto& [key, value] : ints) s->SetInt(key, value);
    s->SetInt(IntKey::kDispcmenu, 1);
    s->SetWordBit(OptionWord::kOption4, opt4::kListHidden, false);
    s->SetCollisionExampleIndex(3);
    s->SetAttributeChoice(AttributeField::kArchive, 0);
    for (const auto& [key, value] : texts) s->SetText(key, value);
    s->SetText(TextKey::kFaddstr, u"\\u0041 Ω😀");
    s->SetText(TextKey::kListfont, u"café");
    for (const auto& [id, entry] : pushed) PushHistory(s->History(id), entry);
    ASSERT_TRUE(s->Save(kExit, DefaultInputs()));

    s = Load(fs, b);
    for (const auto& [key, value] : ints) EXPECT_EQ(s->Int(key), value) << Utf16ToUtf8(SpecOf(key).name);
    for (const auto& [key, value] : texts) EXPECT_EQ(s->Text(key), value);
    for (const auto& [id, i, entry] : entries) EXPECT_EQ(s->History(id).entry(i), entry);
    // Dispcmenu is derived at start, never loaded.
    EXPECT_EQ((std::array{s->Int(IntKey::kDispcmenu), s->CollisionExampleIndex(),
                          s->AttributeChoice(AttributeField::kArchive), s->fixed_mode(),
                          static_cast<int>(s->Word(OptionWord::kMode)), s->Int(IntKey::kWleft),
                          s->Int(IntKey::kWheight)}),
              (std::array{0, 3, 0, 9, 9, 10, 600}));
    EXPECT_FALSE(s->WordBit(OptionWord::kOption4, opt4::kListHidden));
    EXPECT_EQ(s->Text(TextKey::kFaddstr), u"A Ω😀");  // a typed escape decodes like a stored one
    // A key stored without escapes loses what the code page lacks; the
    // registry escapes it when written but does not decode it.
    EXPECT_EQ(s->Text(TextKey::kListfont), b == kIni ? u"caf?" : u"caf\\u00e9");
    EXPECT_EQ(ColumnWidthsAtStart(*s), (std::array<int, 6>{200, 61, 171, 181, 99, 121}));
    EXPECT_EQ(ColumnOrderAtStart(*s), (std::vector<int>{0, 1, 3, 2, 4, 5}));
  }
}

TEST_F(SettingsTest, IniFileLayout) {
  auto s = Start();
  s->SetText(TextKey::kListfont, u"名");
  s->SetText(TextKey::kYmdform, std::u16string(300, u't'));
  ASSERT_TRUE(s->Save(kExit, DefaultInputs()));
  EXPECT_EQ(s->Text(TextKey::kYmdform).size(), 256u);  // the record is cut where it is written
  const std::string ini = Ini();
  EXPECT_EQ(ini.rfind("[Base]\r\n_count=1\r\n_version=", 0), 0u) << ini;
  for (const char* line :
       {"\r\nlistfont=\"\x96\xbc\"\r\n", "\r\nreplacefrom1=\"||\"\r\n",
        "\r\nlfiltstr=\"\x83\x8a\x83\x58\x83\x67\x91\x49\x91\xf0||\"\r\n", "\r\ndispcmenu=0\r\n",
        "\r\nmode=9\r\n", "\r\nheadcount=78405\r\n", "\r\nreplacefrom2=\"\"\r\n"}) {
    EXPECT_NE(ini.find(line), std::string::npos) << line;
  }
  EXPECT_NE(ini.find("\r\nymdform=\"" + std::string(256, 't') + "\"\r\n"), std::string::npos);
  EXPECT_EQ(ini.substr(ini.size() - 13), "\r\noption3=0\r\n") << ini;
  for (const char* key : {"\r\nmacromsec=", "\r\nforce1=", "\r\nreplace1str=", "\r\ntimezone=",
                          "\r\nfile_dir=", "\r\nmaxfilenum="}) {
    EXPECT_EQ(ini.find(key), std::string::npos) << key;
  }
}

TEST_F(SettingsTest, ReplaceHistoriesInEightPieces) {
  auto s = Start();
  for (int i = 69; i >= 0; --i) {
    PushHistory(s->History(HistoryId::kSearch),
                std::u16string(200, static_cast<char16_t>(u'A' + i % 26)));
  }
  // 200 characters that each become a six-character escape.
  PushHistory(s->History(HistoryId::kReplacement), std::u16string(200, u'é'));
  PushHistory(s->History(HistoryId::kReplacement), std::u16string(200, u'ü'));
  ASSERT_TRUE(s->Save(kExit, DefaultInputs()));
  s = Start();
  // Ten entries of 202 make 2020 < 2048; the next would not fit.
  EXPECT_EQ(s->History(HistoryId::kSearch).UsedCount(), 10);
  EXPECT_EQ(s->History(HistoryId::kSearch).entry(9), std::u16string(200, u'J'));
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(s->Text(static_cast<TextKey>(static_cast<int>(TextKey::kReplaceto1) + k)).size(),
              255u);
  }
  // The 2040 stored characters end inside an escape, which stays as text.
  const InputHistory& rep = s->History(HistoryId::kReplacement);
  EXPECT_EQ(rep.entry(0), std::u16string(200, u'ü'));
  EXPECT_EQ(rep.entry(1), std::u16string(139, u'é') + u"\\u00");
  EXPECT_EQ(rep.UsedCount(), 2);
}

TEST_F(SettingsTest, LoadingRules) {
  WriteIni("replace1str=\"a||b||\"\r\nreplace2str=\"c||\"\r\nregexp=1\r\nrepmode=2\r\n"
           "filterfsize1=\"12a3\"\r\nfilterfsize2=\"abc\"\r\nfilefolder=1\r\nfolderread=1\r\n"
           "lfiltstr=\"x||\x83\x8a\x83\x58\x83\x67\x91\x49\x91\xf0||y||\"\r\n");
  auto s = Start();
  EXPECT_EQ(s->History(HistoryId::kSearch).entry(1), u"b");  // older single-key form
  EXPECT_EQ(s->History(HistoryId::kReplacement).entry(0), u"c");
  EXPECT_EQ(s->Int(IntKey::kRepmode), 0);  // regular expressions take occurrence 0
  EXPECT_EQ(s->Text(TextKey::kFilterfsize1), u"123");
  EXPECT_EQ(s->Text(TextKey::kFilterfsize2), u"0");
  EXPECT_EQ(s->Int(IntKey::kFileDir), 1);
  EXPECT_EQ(s->DroppedFolderMode(), 1);
  const InputHistory& lf = s->History(HistoryId::kListFilter);
  EXPECT_EQ(std::vector<std::u16string>({lf.entry(0), lf.entry(1), lf.entry(2)}),
            std::vector<std::u16string>({std::u16string(kListSelectionKeyword), u"x", u"y"}));

  WriteIni("replace1str=\"a||\"\r\nreplacefrom1=\"new||\"\r\nfilefolder=1\r\nfolderread=1\r\n");
  s = Start(StartOverrides{0, 0});
  EXPECT_EQ(s->History(HistoryId::kSearch).entry(0), u"new");
  EXPECT_EQ(s->Int(IntKey::kFileDir), 0);
  EXPECT_EQ(s->Int(IntKey::kFilefolder), 1);  // the stored choice stays
  EXPECT_EQ(s->DroppedFolderMode(), 0);
}

// With nothing fixed, the exit takes window and header: the round trip checks that case.
TEST_F(SettingsTest, FixedWindowAndHeader) {
  const struct { const char* name; std::uint32_t option3; SaveMode mode;
      bool maximized, window_taken, header_taken; } cases[] = {
      {"exit, maximised", 0, kExit, true, false, true},
      {"exit, window fixed", opt3::kFixWindow, kExit, false, false, true},
      {"exit, header fixed", opt3::kFixHeader, kExit, false, true, false},
      {"save now, window fixed", opt3::kFixWindow, kFixedNow, false, true, false},
      {"save now, header fixed", opt3::kFixHeader, kFixedNow, false, false, true},
      {"save now, nothing fixed", 0, kFixedNow, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteIni("wleft=5\r\nwtop=6\r\nwwidth=700\r\nwheight=500\r\nhead1w=50\r\nheadcount=1193046\r\n"
             "option3=" + std::to_string(c.option3) + "\r\n");
    SaveInputs in = DefaultInputs();
    in.window_maximized = c.maximized;
    ASSERT_TRUE(Start()->Save(c.mode, in));
    auto s = Start();
    EXPECT_EQ(s->Int(IntKey::kWleft), c.window_taken ? 10 : 5);
    EXPECT_EQ(s->Int(IntKey::kWwidth), c.window_taken ? 800 : 700);
    EXPECT_EQ(s->Int(IntKey::kHead1w), c.header_taken ? 200 : 50);
    EXPECT_EQ(s->Word(OptionWord::kHeadcount), c.header_taken ? 0x013245u : 0x123456u);
    EXPECT_EQ(s->Word(OptionWord::kOption3), c.option3);
  }
}

TEST_F(SettingsTest, HiddenColumnsKeepTheirWidths) {
  // `listcols1` and `listcols2`: size and date shown.
  const struct { const char* name; int listcols1, listcols2; std::vector<int> order;
      std::uint32_t headcount; std::vector<int> order_at_start; } cases[] = {
      {"date hidden", 1, 0, {0, 1, 3, 2, 4}, 0x013246, {0, 1, 3, 2, 4}},
      {"size hidden", 0, 1, {5, 0, 1, 2, 3}, 0x501236, {5, 0, 1, 2, 3}},
      {"both hidden", 0, 0, {3, 2, 1, 0}, 0x321066, {3, 2, 1, 0}},
      {"order with junk", 1, 1, {9, 5, 5, 0}, 0x501234, {5, 0, 1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteIni("head5w=77\r\nhead6w=88\r\n");
    auto s = Start();
    s->SetInt(IntKey::kListcols1, c.listcols1);
    s->SetInt(IntKey::kListcols2, c.listcols2);
    SaveInputs in = DefaultInputs();
    in.column_order = c.order;
    s->ApplyFixedValues({});  // nothing fixed; also sets propno
    ASSERT_TRUE(s->Save(kExit, in));
    ASSERT_TRUE(s->Save(kExit, in));  // a later save keeps the hidden widths too
    s = Start();
    EXPECT_EQ(s->Int(IntKey::kHead5w), c.listcols1 ? 99 : 77);
    EXPECT_EQ(s->Int(IntKey::kHead6w), c.listcols2 ? 121 : 88);
    EXPECT_EQ(s->Word(OptionWord::kHeadcount), c.headcount);
    EXPECT_EQ(ColumnOrderAtStart(*s), c.order_at_start);
    EXPECT_EQ(s->Int(IntKey::kPropno), 2);
  }
}

TEST_F(SettingsTest, FixedMode) {
  auto s = Start();
  Settings::FixedValues fixed;
  fixed.stored_mode = 4;
  fixed.fix_mode = fixed.fix_serial_text = true;
  fixed.serial_text = std::u16string(300, u's');
  s->SetWord(OptionWord::kOption3, opt3::kFixWindow | 0x100);
  s->ApplyFixedValues(fixed);
  EXPECT_EQ(s->Word(OptionWord::kOption3),
            opt3::kFixWindow | opt3::kFixMode | opt3::kFixSerialText);
  EXPECT_EQ(s->Text(TextKey::kFrenbanstr).size(), 255u);
  ASSERT_TRUE(s->Save(kFixedNow, DefaultInputs()));
  EXPECT_NE(Ini().find("\r\nmode=4\r\n"), std::string::npos);
  SaveInputs in = DefaultInputs();
  in.rename_mode = 7;
  ASSERT_TRUE(s->Save(kExit, in));  // the fixed mode is not overwritten
  s = Start();
  EXPECT_EQ(s->Word(OptionWord::kMode), 4u);
  EXPECT_EQ(s->Text(TextKey::kFrenbanstr), std::u16string(255, u's'));
}

TEST_F(SettingsTest, HistoryRecordingToggle) {
  auto s = Start();
  PushHistory(s->History(HistoryId::kSearch), u"a");
  PushHistory(s->History(HistoryId::kListFilter), u"f");
  EXPECT_TRUE(s->IsRecorded(HistoryId::kSearch));
  EXPECT_TRUE(s->ToggleHistoryRecording(inputlog::kReplace));  // now off: ask
  EXPECT_EQ(s->Int(IntKey::kInputlog), 253);
  EXPECT_FALSE(s->IsRecorded(HistoryId::kReplacement));
  EXPECT_TRUE(s->IsRecorded(HistoryId::kAdd));
  s->ClearHistories(inputlog::kReplace | inputlog::kListFilter);
  EXPECT_EQ(s->History(HistoryId::kSearch).UsedCount(), 0);
  EXPECT_EQ(s->History(HistoryId::kListFilter).UsedCount(), 1);
  EXPECT_EQ(s->History(HistoryId::kListFilter).entry(0), kListSelectionKeyword);
  EXPECT_FALSE(s->ToggleHistoryRecording(inputlog::kReplace));  // on again: no question
}

TEST_F(SettingsTest, FailedSaveLeavesTheOldFileAndResetStopsAllSaving) {
  WriteIni("topmost=1\r\n");
  auto s = Start();
  const std::string before = Ini();
  s->SetInt(IntKey::kTopmost, 0);
  fs_.FailNthCall(FakeFileSystem::Op::kWriteFileAtomic, 1, ErrorCode::kNoSpace);
  Status saved = s->Save(kExit, DefaultInputs());
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().code, ErrorCode::kNoSpace);
  EXPECT_EQ(Ini(), before);

  EXPECT_EQ(s->StoredSettingsToDelete(), StoredSettingsPlace::kIniFile);
  ASSERT_TRUE(s->ResetIniFile());
  EXPECT_TRUE(s->no_save());
  std::size_t writes = fs_.written_.size();
  EXPECT_TRUE(s->Save(kExit, DefaultInputs()));
  EXPECT_TRUE(s->WriteOne(IntKey::kMultiple));
  EXPECT_EQ(fs_.written_.size(), writes);
  EXPECT_EQ(Ini(), "[Base]\r\n");
}

TEST_F(SettingsTest, DeleteRegistry) {
  // `registry` nullopt: the store was made by a start on the registry back-end.
  const struct { const char* name; std::optional<std::string> registry, after; bool ok;
  } cases[] = {
      {"fresh registry store", std::nullopt, std::nullopt, true},
      {"other tools of the maker",
       kMaker + "tools=dword:00000003\r\n" + kKey + "_count=dword:00000002\r\n",
       kMaker + "tools=dword:00000002\r\n", true},
      {"nothing stored", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem fs;
    fs.AddFolder(u"/prog");
    if (c.registry) fs.AddFile(kRegPath, *c.registry);
    if (!c.registry) Load(fs, kRegistry, 1);
    auto s = Load(fs, kIni, 0);
    EXPECT_EQ(s->StoredSettingsToDelete(),
              c.ok ? StoredSettingsPlace::kRegistry : StoredSettingsPlace::kIniFile);
    EXPECT_EQ(static_cast<bool>(s->DeleteRegistry()), c.ok);
    EXPECT_TRUE(s->no_save());
    EXPECT_EQ(fs.Content(kRegPath), c.after);
  }
}

TEST_F(SettingsTest, ValuesAtStart) {
  auto s = Load(fs_, kIni, 0);
  // head4w 179 is never stored: it stands for the built-in widths, as do
  // first four widths that add up to 0.
  const std::array<int, 6> built_in{192, 60, 170, 180, 98, 120};
  const struct { std::array<int, 4> first_four; std::array<int, 6> widths; } width_cases[] = {
      {{100, 60, 170, 179}, built_in},  {{100, 60, 170, 178}, {100, 60, 170, 178, 98, 120}},
      {{0, 0, 0, 0}, built_in},
  };
  for (const auto& c : width_cases) {
    for (int k = 0; k < 4; ++k) {
      s->SetInt(static_cast<IntKey>(static_cast<int>(IntKey::kHead1w) + k), c.first_four[k]);
    }
    EXPECT_EQ(ColumnWidthsAtStart(*s), c.widths) << c.first_four[0] << " " << c.first_four[3];
  }
  // The edge test (-10) is absolute; only the centre test uses the screen.
  const WindowRect screen{-1920, 0, 1920, 1080};
  const struct { int left, top, width, height; bool used; } rect_cases[] = {
      {-1, -1, -1, -1, false},    {100, 100, 800, 600, true}, {-30, 0, 15, 400, false},
      {-25, 0, 15, 400, true},    {1915, 0, 20, 20, true},    {1920, 0, 20, 20, false},
      {-1915, 0, 20, 20, false},  {0, 1070, 20, 20, true},    {0, 1080, 20, 20, false},
      {0, -25, 400, 15, false},   {0, 0, 0, 0, false},        {-380, 10, 800, 400, true},
  };
  for (const auto& c : rect_cases) {
    for (auto [key, value] : {std::pair{IntKey::kWleft, c.left}, {IntKey::kWtop, c.top},
                              {IntKey::kWwidth, c.width}, {IntKey::kWheight, c.height}}) {
      s->SetInt(key, value);
    }
    std::optional<WindowRect> r = WindowRectAtStart(*s, screen);
    EXPECT_EQ(r.has_value(), c.used) << c.left << "," << c.top << " " << c.width << "x" << c.height;
    EXPECT_EQ(r.value_or(WindowRect{}).right, c.used ? c.left + c.width : 0) << c.left;
  }
  // On a desktop reaching above the primary screen only the bottom edge decides.
  s->SetInt(IntKey::kWleft, 0);
  s->SetInt(IntKey::kWwidth, 400);
  s->SetInt(IntKey::kWheight, 20);
  for (auto [top, used] : {std::pair{-40, false}, {-30, true}}) {
    s->SetInt(IntKey::kWtop, top);
    EXPECT_EQ(WindowRectAtStart(*s, {-1920, -1080, 1920, 1080}).has_value(), used) << top;
  }
}

// A damaged settings file loads and saves again without a crash: every
// truncation of a saved file, and every byte made NUL, LF or a lead byte.
TEST_F(SettingsTest, DamagedFilesLoadAndSave) {
  auto saved = Start();
  saved->SetText(TextKey::kBasepath, u"/ホーム/写真");
  PushHistory(saved->History(HistoryId::kSearch), u"é");
  ASSERT_TRUE(saved->Save(kExit, DefaultInputs()));
  const std::string good = Ini();
  auto check = [&](const std::string& bytes, const std::string& what) {
    FakeFileSystem fs;
    fs.AddFile(kIniPath, bytes);
    auto s = Load(fs);
    for (int i = 0; i < kTextKeyCount; ++i) {
      ASSERT_LE(s->Text(static_cast<TextKey>(i)).size(), 255u) << what;
    }
    ASSERT_TRUE(s->Save(kExit, DefaultInputs())) << what;
  };
  for (std::size_t n = 0; n <= good.size(); ++n) check(good.substr(0, n), std::to_string(n));
  for (std::size_t at = 0; at < good.size(); ++at) {
    for (char byte : {'\0', '\n', '\x81'}) {
      std::string bad = good;
      bad[at] = byte;
      check(bad, "byte " + std::to_string(at) + " = " + std::to_string(byte & 0xFF));
    }
  }
}

}  // namespace
}  // namespace tessivo
