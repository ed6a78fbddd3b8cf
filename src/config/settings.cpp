#include "config/settings.h"

#include <algorithm>

#include "config/encoding.h"

namespace tessivo {

namespace {

constexpr StorageClass P = StorageClass::kPacked;
constexpr StorageClass S = StorageClass::kSavedOnly;
constexpr StorageClass L = StorageClass::kLoadedOnly;
constexpr StorageClass B = StorageClass::kLoadedAndSaved;

// Stored format: key names, defaults and limits. The packed records carry
// the defaults of their option words and the limits of their fields.
constexpr IntRecordSpec kIntSpecs[kIntKeyCount] = {
    {u"topmost", B, 0, 1, 1},
    {u"force1", P, 0, 1, 1},
    {u"force2", P, 0, 1, 1},
    {u"force3", P, 1, 1, 1},
    {u"force4", P, 1, 1, 1},
    {u"chgconfirm", P, 1, 2, 1},
    {u"subdir", P, 1, 12, 0},
    {u"subdirtree", P, 1, 1, 0},
    {u"writelog", P, 1, 1, 0},
    {u"del", P, 0, 3, 0},
    {u"enterdont", P, 0, 1, 1},
    {u"numinspos", B, 0, 4, 1},
    {u"bigsmall", B, 0, 4, 1},
    {u"dbytebig", B, 0, 1, 1},
    {u"real8_3", B, 0, 2, 1},
    {u"listcolor1", B, 10494780, 16777215, 0},
    {u"listcolor2", B, 255, 16777215, 0},
    {u"listcolor3", B, 16768220, 16777215, 0},
    {u"wwidth", B, -1, 32767, 0},
    {u"wheight", B, -1, 32767, 0},
    {u"wleft", B, -1, 32767, 0},
    {u"wtop", B, -1, 32767, 0},
    {u"treewidth", B, 180, 32767, 0},
    {u"head1w", B, 192, 2000, 0},
    {u"head2w", B, 60, 2000, 0},
    {u"head3w", B, 170, 2000, 0},
    {u"head4w", B, 179, 2000, 0},
    {u"head5w", B, 98, 2000, 0},
    {u"head6w", B, 120, 2000, 0},
    {u"listcols1", P, 1, 1, 0},
    {u"listcols2", P, 1, 1, 0},
    {u"repmode", B, 0, 2, 1},
    {u"whichdate", B, 0, 3, 1},
    {u"datefrom", B, 0, 8, 1},
    {u"dateins", B, 0, 4, 1},
    {u"addlen", B, 0, 255, 1},
    {u"dellen", B, 0, 255, 1},
    {u"dirrenreset", B, 0, 1, 1},
    {u"stampnow", B, 0, 1, 1},
    {u"bmargin", B, 0, 100, 0},
    {u"rmargin", B, 0, 100, 0},
    {u"adddiffpad", B, 0, 2, 1},
    {u"folderread", B, 0, 1, 0},
    {u"regexp", B, 0, 1, 1},
    {u"usejpname", B, 1, 1, 0},
    {u"txteditor", B, 0, 2, 1},
    {u"sortnumlogical", B, 1, 1, 1},
    {u"savecsvfmt", B, 0, 2, 1},
    {u"rndpattern", B, 3, 6, 1},
    {u"rndext", B, 0, 3, 1},
    {u"rndlen", B, 3, 5, 1},
    {u"txtedtbox", B, 1, 1, 1},
    {u"multiple", B, 0, 1, 0},
    {u"filefolder", B, 0, 1, 1},
    {u"extadd", B, 0, 1, 1},
    {u"dispcmenu", S, 0, 1, 0},
    {u"deltype", B, 0, 11, 1},
    {u"repwithext", B, 0, 1, 1},
    {u"nonsjiswarn", B, 1, 1, 1},
    {u"addyymmdd", B, 0, 1, 1},
    {u"addrenmsg", B, 1, 1, 0},
    {u"repcase", B, 1, 1, 1},
    {u"creatmodif", B, 0, 6, 1},
    {u"timeplus", B, 0, 604800, 1},
    {u"addprepost", B, 0, 1, 1},
    {u"zenorhan", B, 0, 1, 1},
    {u"macrono", B, 0, 24, 1},
    {u"fwdback", B, 0, 1, 1},
    {u"columndate", B, 1, 1, 0},
    {u"propno", B, 0, 4, 1},
    {u"textedtext", B, 1, 1, 1},
    {u"timestpsm", B, 0, 2, 0},
    {u"macromsec", L, 200, 10000, 1},
    {u"inputlog", B, 255, 255, 0},
    {u"dellen2", B, 255, 255, 1},
    {u"addrenbegin", B, 0, 1, 1},
    {u"posedtnoext", B, 0, 1, 1},
    // Outside the stored table.
    {u"dispinkb", P, 0, 2, 0},
    {u"maxfilenum", P, 1, 6, 0},
    {u"shortcutlink", P, 0, 1, 0},
    {u"file_dir", P, 0, 1, 1},
    {u"fwdbackdays", P, 0, 366, 1},
};

constexpr TextRecordSpec kTextSpecs[kTextKeyCount] = {
    {u"replace1str", L, u"", 0, false},
    {u"replace2str", L, u"", 0, false},
    {u"basepath", B, u"", 0, false},
    {u"addstr", B, u"", 1, true},
    {u"renbanstr", B, u"", 1, true},
    {u"sepstr", B, u"", 1, true},
    {u"filterextall", B, u"", 0, true},
    {u"extstr", B, u"", 1, true},
    {u"editorpath", B, u"", 1, true},
    {u"faddstr", B, u"", 1, true},
    {u"frenbanstr", B, u"", 1, true},
    {u"fsepstr", B, u"", 1, true},
    {u"replacefrom1", B, u"", 0, true},
    {u"replacefrom2", B, u"", 0, true},
    {u"replacefrom3", B, u"", 0, true},
    {u"replacefrom4", B, u"", 0, true},
    {u"replacefrom5", B, u"", 0, true},
    {u"replacefrom6", B, u"", 0, true},
    {u"replacefrom7", B, u"", 0, true},
    {u"replacefrom8", B, u"", 0, true},
    {u"replaceto1", B, u"", 0, true},
    {u"replaceto2", B, u"", 0, true},
    {u"replaceto3", B, u"", 0, true},
    {u"replaceto4", B, u"", 0, true},
    {u"replaceto5", B, u"", 0, true},
    {u"replaceto6", B, u"", 0, true},
    {u"replaceto7", B, u"", 0, true},
    {u"replaceto8", B, u"", 0, true},
    {u"filterfsize1", B, u"0", 1, false},
    {u"filterfsize2", B, u"999999999", 1, false},
    {u"bsexcept0", B, u"", 0, false},
    {u"bsexcept1", B, u"", 0, false},
    {u"bsexcept2", B, u"a an and at by for in into of on or the to with", 0, false},
    {u"listfont", B, u"", 0, false},
    {u"autoaddopt", S, u"/file /subfolder0", 0, false},
    {u"timezone", L, u"9", 1, false},
    {u"lfiltstr", B, u"", 0, true},
    {u"ymdform", B, u"", 0, false},
};

constexpr OptionWordSpec kWordSpecs[kOptionWordCount] = {
    {u"option1", 0xFFFFF, 0x81031, 1},
    {u"option2", 0xFFFFFF, 0x110110, 0},
    {u"option3", 0xFFFF, 0, 0},
    {u"option4", 0xFFFFFFF, 0x1100511, 0},
    {u"attribute", 0x2222, 0x2222, 1},
    {u"zentohan", 0x1111, 0, 1},
    {u"mode", 23, 0, 0},
    {u"headcount", 0x543210, 0x13245, 0},
    {u"dispcontrols", 15, 6, 0},
};

// Stored format: where each packed record sits in its option word. A field
// value above `limit` reads as `limit`.
struct PackedField {
  IntKey key;
  OptionWord word;
  int shift;
  int width;
  std::uint32_t limit;
};
constexpr PackedField kPackedFields[] = {
    {IntKey::kChgconfirm, OptionWord::kOption1, 0, 2, 2},
    {IntKey::kForce4, OptionWord::kOption1, 4, 1, 1},
    {IntKey::kForce3, OptionWord::kOption1, 5, 1, 1},
    {IntKey::kForce2, OptionWord::kOption1, 6, 1, 1},
    {IntKey::kForce1, OptionWord::kOption1, 7, 1, 1},
    {IntKey::kEnterdont, OptionWord::kOption1, 8, 1, 1},
    {IntKey::kDel, OptionWord::kOption2, 0, 2, 3},
    {IntKey::kMaxfilenum, OptionWord::kOption2, 4, 3, 6},
    {IntKey::kWritelog, OptionWord::kOption2, 8, 1, 1},
    {IntKey::kShortcutlink, OptionWord::kOption2, 12, 1, 1},
    {IntKey::kSubdir, OptionWord::kOption2, 16, 4, 12},
    {IntKey::kSubdirtree, OptionWord::kOption2, 20, 1, 1},
    {IntKey::kDispinkb, OptionWord::kOption4, 16, 2, 2},
    {IntKey::kListcols2, OptionWord::kOption4, 20, 1, 1},
    {IntKey::kListcols1, OptionWord::kOption4, 24, 1, 1},
};

constexpr std::uint32_t FieldMask(const PackedField& f) {
  return ((1u << f.width) - 1u) << f.shift;
}

constexpr std::size_t kStoredTextLength = 255;
constexpr std::size_t kWrittenTextLength = 256;
constexpr std::size_t kRecordTextLength = 1023;
constexpr std::size_t kReplacePieceLength = 255;
constexpr int kReplacePieces = 8;
constexpr std::int32_t kVersionMaximum = 0xFFFFFF;
constexpr std::int32_t kCountMaximum = 0xFFFFFFF;
constexpr std::int32_t kHeadcountFloor = 0x3333;
constexpr int kHiddenColumn = 6;

bool IsLoaded(StorageClass c) {
  return c == StorageClass::kLoadedOnly || c == StorageClass::kLoadedAndSaved;
}
bool IsSaved(StorageClass c) {
  return c == StorageClass::kSavedOnly || c == StorageClass::kLoadedAndSaved;
}

TextKey Piece(TextKey first, int k) {
  return static_cast<TextKey>(static_cast<int>(first) + k);
}

IntKey HeadKey(int column) {
  return static_cast<IntKey>(static_cast<int>(IntKey::kHead1w) + column);
}

// The texts encoded into escapes when saved (and decoded when loaded); the
// history forms are encoded when they are built.
bool EncodedAtSave(TextKey key) {
  switch (key) {
    case TextKey::kFilterextall:
    case TextKey::kFaddstr:
    case TextKey::kFrenbanstr:
    case TextKey::kEditorpath:
    case TextKey::kSepstr:
    case TextKey::kFsepstr:
      return true;
    default:
      return false;
  }
}

std::u16string CutTo(std::u16string_view text, std::size_t length) {
  return std::u16string(text.substr(0, std::min(text.size(), length)));
}

bool ColumnShown(const Settings& s, int column) {
  if (column == 4) return s.Int(IntKey::kListcols1) != 0;
  if (column == 5) return s.Int(IntKey::kListcols2) != 0;
  return column >= 0 && column < 4;
}

// The shown columns in the order given, then the shown ones it lacks.
std::vector<int> NormalizeOrder(const Settings& s, const std::vector<int>& order) {
  std::vector<int> out;
  for (int c : order) {
    if (ColumnShown(s, c) && std::find(out.begin(), out.end(), c) == out.end()) out.push_back(c);
  }
  for (int c = 0; c < kListColumns; ++c) {
    if (ColumnShown(s, c) && std::find(out.begin(), out.end(), c) == out.end()) out.push_back(c);
  }
  return out;
}

}  // namespace

const IntRecordSpec& SpecOf(IntKey key) { return kIntSpecs[static_cast<int>(key)]; }
const TextRecordSpec& SpecOf(TextKey key) { return kTextSpecs[static_cast<int>(key)]; }
const OptionWordSpec& SpecOf(OptionWord word) { return kWordSpecs[static_cast<int>(word)]; }

std::optional<IntKey> FindIntKey(std::u16string_view name) {
  for (int i = 0; i < kIntKeyCount; ++i) {
    if (kIntSpecs[i].name == name) return static_cast<IntKey>(i);
  }
  return std::nullopt;
}

std::optional<TextKey> FindTextKey(std::u16string_view name) {
  for (int i = 0; i < kTextKeyCount; ++i) {
    if (kTextSpecs[i].name == name) return static_cast<TextKey>(i);
  }
  return std::nullopt;
}

// ------------------------------------------------------------------ Settings

Settings::Settings(FileSystem& fs, SettingsLocation location)
    : location_(std::move(location)) {
  ini_ = std::make_unique<IniBackend>(fs, location_.ini_path);
  registry_ = std::make_unique<RegistryBackend>(fs, location_.registry_path);
  for (int i = 0; i < kIntKeyCount; ++i) {
    ints_[static_cast<std::size_t>(i)] = kIntSpecs[i].default_value;
    classes_[static_cast<std::size_t>(i)] = kIntSpecs[i].storage;
  }
  for (int i = 0; i < kTextKeyCount; ++i) {
    texts_[static_cast<std::size_t>(i)] = std::u16string(kTextSpecs[i].default_value);
  }
  for (int i = 0; i < kOptionWordCount; ++i) {
    SetWord(static_cast<OptionWord>(i), static_cast<std::uint32_t>(kWordSpecs[i].default_value));
  }
  fixed_mode_ = static_cast<int>(words_[Index(OptionWord::kMode)]);
  histories_.reserve(kHistoryCount);
  for (std::size_t length : {241, 241, 241, 127, 127, 127}) histories_.emplace_back(length);
}

Settings::~Settings() = default;

SettingsBackend& Settings::store() {
  if (location_.backend == BackendKind::kIni) return *ini_;
  return *registry_;
}

RegistryBackend& Settings::registry() { return *registry_; }
IniBackend& Settings::ini() { return *ini_; }

void Settings::SetText(TextKey key, std::u16string_view value) {
  texts_[Index(key)] = CutTo(value, kRecordTextLength);
}

std::uint32_t Settings::Word(OptionWord word) const {
  std::uint32_t value = words_[Index(word)];
  for (const PackedField& f : kPackedFields) {
    if (f.word != word) continue;
    std::int32_t v = std::clamp<std::int32_t>(Int(f.key), 0, static_cast<std::int32_t>(f.limit));
    value = (value & ~FieldMask(f)) | (static_cast<std::uint32_t>(v) << f.shift);
  }
  return value;
}

void Settings::SetWord(OptionWord word, std::uint32_t value) {
  words_[Index(word)] = value;
  for (const PackedField& f : kPackedFields) {
    if (f.word != word) continue;
    std::uint32_t v = (value & FieldMask(f)) >> f.shift;
    SetInt(f.key, static_cast<std::int32_t>(std::min(v, f.limit)));
  }
}

void Settings::SetWordBit(OptionWord word, std::uint32_t mask, bool on) {
  std::uint32_t w = Word(word);
  SetWord(word, on ? (w | mask) : (w & ~mask));
}

int Settings::CollisionExampleIndex() const {
  std::uint32_t v = (Word(OptionWord::kOption1) & opt1::kCollisionExampleMask) >>
                    opt1::kCollisionExampleShift;
  return static_cast<int>(std::min<std::uint32_t>(v, 5));
}

void Settings::SetCollisionExampleIndex(int index) {
  auto v = static_cast<std::uint32_t>(std::clamp(index, 0, 5));
  std::uint32_t w = Word(OptionWord::kOption1) & ~opt1::kCollisionExampleMask;
  SetWord(OptionWord::kOption1, w | (v << opt1::kCollisionExampleShift));
}

int Settings::AttributeChoice(AttributeField field) const {
  std::uint32_t v = (words_[Index(OptionWord::kAttribute)] >> static_cast<int>(field)) & 0xF;
  return static_cast<int>(std::min<std::uint32_t>(v, 2));
}

void Settings::SetAttributeChoice(AttributeField field, int choice) {
  int shift = static_cast<int>(field);
  std::uint32_t w = words_[Index(OptionWord::kAttribute)] & ~(0xFu << shift);
  words_[Index(OptionWord::kAttribute)] =
      w | (static_cast<std::uint32_t>(std::clamp(choice, 0, 2)) << shift);
}

int Settings::DroppedFolderMode() const {
  return dropped_folder_override_ >= 0 ? dropped_folder_override_ : Int(IntKey::kFolderread);
}

// ------------------------------------------------------------------ histories

bool Settings::IsRecorded(HistoryId id) const {
  auto log = static_cast<std::uint32_t>(Int(IntKey::kInputlog));
  switch (id) {
    case HistoryId::kSearch:
    case HistoryId::kReplacement:
      return (log & inputlog::kReplace) != 0;
    case HistoryId::kListFilter:
      return (log & inputlog::kListFilter) != 0;
    default:
      return (log & inputlog::kOther) != 0;
  }
}

bool Settings::ToggleHistoryRecording(std::uint32_t bit) {
  auto log = static_cast<std::uint32_t>(Int(IntKey::kInputlog)) ^ bit;
  SetInt(IntKey::kInputlog, static_cast<std::int32_t>(log));
  return (log & bit) == 0;
}

void Settings::ClearHistories(std::uint32_t bit) {
  if (bit & inputlog::kListFilter) {
    History(HistoryId::kListFilter).Clear();
    History(HistoryId::kListFilter).SetEntry(0, kListSelectionKeyword);
  }
  if (bit & inputlog::kReplace) {
    History(HistoryId::kSearch).Clear();
    History(HistoryId::kReplacement).Clear();
  }
  if (bit & inputlog::kOther) {
    History(HistoryId::kExtension).Clear();
    History(HistoryId::kSerial).Clear();
    History(HistoryId::kAdd).Clear();
  }
}

// ------------------------------------------------------------ store access

std::int32_t Settings::ReadInt(std::u16string_view key, std::int32_t maximum,
                               std::int32_t default_value) {
  std::int32_t v = store().QueryInt(key, default_value);
  if (static_cast<std::uint32_t>(v) > static_cast<std::uint32_t>(maximum)) return default_value;
  return v;
}

std::u16string Settings::ReadText(std::u16string_view key, std::u16string_view default_value) {
  std::optional<std::u16string> stored = store().QueryText(key);
  std::u16string_view v = default_value;
  if (stored) {
    v = *stored;
    if (location_.backend == BackendKind::kIni) {
      if (!v.empty() && v.size() < 5000 && v.front() == u'"') {
        v.remove_prefix(1);
        if (!v.empty() && v.back() == u'"') v.remove_suffix(1);
      }
    } else if (v.size() > kWrittenTextLength) {
      v = default_value;
    }
  }
  return CutTo(v, kStoredTextLength);
}

void Settings::WriteInt(std::u16string_view key, std::int32_t value) {
  store().StoreInt(key, value);
}

void Settings::WriteText(std::u16string_view key, std::u16string& text) {
  if (text.size() > kWrittenTextLength) text.resize(kWrittenTextLength);
  std::string bytes;
  if (location_.backend == BackendKind::kIni) {
    bytes = ToCodePage(u"\"" + text + u"\"");
  } else if (FitsCodePage(text)) {
    // Escaping would not change it; converting directly also keeps texts
    // of 254 to 256 code units whole, which the escape's round trip cuts.
    bytes = ToCodePage(text);
  } else {
    EscapeNonAnsi(text, bytes, kTextCapacity);
  }
  store().StoreText(key, std::move(bytes));
}

Status Settings::Flush(Durability durability) { return store().Commit(durability); }

void Settings::WriteWord(OptionWord word) {
  WriteInt(SpecOf(word).name, static_cast<std::int32_t>(Word(word)));
}

void Settings::WriteTextRecord(TextKey key) {
  std::u16string& text = texts_[Index(key)];
  if (EncodedAtSave(key) && !FitsCodePage(text)) {
    std::u16string encoded = text;
    EscapeNonAnsi(encoded, kTextCapacity);
    WriteText(SpecOf(key).name, encoded);
  } else {
    WriteText(SpecOf(key).name, text);
  }
}

// ------------------------------------------------------------------- loading

void Settings::LoadWord(OptionWord word) {
  const OptionWordSpec& spec = SpecOf(word);
  std::int32_t v = ReadInt(spec.name, spec.maximum, spec.default_value);
  if (word == OptionWord::kHeadcount && v < kHeadcountFloor) v = spec.default_value;
  SetWord(word, static_cast<std::uint32_t>(v));
}

void Settings::LoadRecords(int stage) {
  for (int i = 0; i < kIntTableSize; ++i) {
    auto k = static_cast<std::size_t>(i);
    if (!IsLoaded(classes_[k]) || kIntSpecs[i].stage != stage) continue;
    ints_[k] = ReadInt(kIntSpecs[i].name, kIntSpecs[i].maximum, ints_[k]);
  }
  for (int i = 0; i < kTextKeyCount; ++i) {
    auto k = static_cast<std::size_t>(i);
    if (!IsLoaded(kTextSpecs[i].storage) || kTextSpecs[i].stage != stage) continue;
    texts_[k] = ReadText(kTextSpecs[i].name, texts_[k]);
  }
}

void Settings::LoadOne(IntKey key) {
  const IntRecordSpec& spec = SpecOf(key);
  ints_[Index(key)] = ReadInt(spec.name, spec.maximum, ints_[Index(key)]);
}

void Settings::LoadOne(TextKey key) {
  texts_[Index(key)] = ReadText(SpecOf(key).name, texts_[Index(key)]);
}

void Settings::DecodeText(TextKey key) { UnescapeText(texts_[Index(key)], kTextCapacity); }

void Settings::LoadStartCounter(Stage0Result& result) {
  std::int32_t version = ReadInt(u"_version", kVersionMaximum, -1);
  if (version == -1 && location_.backend == BackendKind::kIni) {
    std::int32_t old = registry().QueryInt(u"_version", -1);
    if (static_cast<std::uint32_t>(old) <= static_cast<std::uint32_t>(kVersionMaximum)) {
      version = old;
    }
  }
  std::int32_t count = ReadInt(u"_count", kCountMaximum, 0);
  if (version >= kSettingsVersion && count > 0) {
    version_ = version;
    count_ = count + 1;
  } else {
    version_ = kSettingsVersion;
    if (location_.backend == BackendKind::kRegistry && count < 1) {
      std::optional<std::int32_t> tools = registry().QueryTools();
      registry().StoreTools(tools && *tools > 0 ? *tools + 1 : 1);
    }
    result.first_start = count < 1;
    count_ = 1;
  }
  WriteInt(u"_count", count_);
}

Stage0Result Settings::LoadStage0(bool context_menu_installed) {
  Stage0Result result;
  LoadStartCounter(result);
  for (OptionWord w : {OptionWord::kOption2, OptionWord::kOption3, OptionWord::kOption4,
                       OptionWord::kMode, OptionWord::kHeadcount, OptionWord::kDispcontrols}) {
    LoadWord(w);
  }
  fixed_mode_ = static_cast<int>(words_[Index(OptionWord::kMode)]);
  SetInt(IntKey::kDispcmenu, context_menu_installed ? 1 : 0);
  LoadRecords(0);
  DecodeText(TextKey::kFilterextall);

  std::u16string search;
  std::u16string replacement;
  if (!Text(TextKey::kReplace1str).empty() && Text(TextKey::kReplacefrom1).empty()) {
    search = Text(TextKey::kReplace1str);
    replacement = Text(TextKey::kReplace2str);
  } else {
    for (int k = 0; k < kReplacePieces; ++k) {
      search += Text(Piece(TextKey::kReplacefrom1, k));
      replacement += Text(Piece(TextKey::kReplaceto1, k));
    }
  }
  DecodeHistory(search, kReplaceHistoryCapacity, History(HistoryId::kSearch));
  DecodeHistory(replacement, kReplaceHistoryCapacity, History(HistoryId::kReplacement));

  for (HistoryId id : {HistoryId::kListFilter, HistoryId::kExtension, HistoryId::kSerial,
                       HistoryId::kAdd}) {
    History(id).Clear();
  }
  // The start counter is not waited for: syncing at every start would wait
  // for everything pending on the disk. A power cut right after the start
  // may lose one count; the next synced write of the settings keeps it.
  (void)Flush(Durability::kCached);
  return result;
}

void Settings::LoadStage1(const StartOverrides& overrides) {
  for (OptionWord w : {OptionWord::kOption1, OptionWord::kAttribute, OptionWord::kZentohan}) {
    LoadWord(w);
  }
  LoadRecords(1);
  // Regular expressions replace every occurrence. (Both records are loaded
  // in this stage, so the rule can only be applied here.)
  if (Int(IntKey::kRegexp) == 1) SetInt(IntKey::kRepmode, 0);
  DecodeText(TextKey::kSepstr);
  for (TextKey k : {TextKey::kFilterfsize1, TextKey::kFilterfsize2}) {
    std::u16string digits;
    for (char16_t c : Text(k)) {
      if (c >= u'0' && c <= u'9') digits.push_back(c);
    }
    SetText(k, digits.empty() ? u"0" : digits);
  }
  bool file_folder_given = overrides.file_folder == 0 || overrides.file_folder == 1;
  SetInt(IntKey::kFileDir, file_folder_given ? overrides.file_folder : Int(IntKey::kFilefolder));
  dropped_folder_override_ =
      overrides.dropped_folder == 0 || overrides.dropped_folder == 1 ? overrides.dropped_folder : -1;

  DecodeHistory(Text(TextKey::kExtstr), kTextCapacity, History(HistoryId::kExtension));
  DecodeHistory(Text(TextKey::kRenbanstr), kTextCapacity, History(HistoryId::kSerial));
  DecodeHistory(Text(TextKey::kAddstr), kTextCapacity, History(HistoryId::kAdd));
  DecodeHistory(Text(TextKey::kLfiltstr), kTextCapacity, History(HistoryId::kListFilter));
  PlaceFirst(History(HistoryId::kListFilter), kListSelectionKeyword);

  for (TextKey k : {TextKey::kFrenbanstr, TextKey::kFaddstr, TextKey::kFsepstr,
                    TextKey::kEditorpath}) {
    DecodeText(k);
  }
}

// -------------------------------------------------------------------- saving

void Settings::SaveHistories() {
  SetText(TextKey::kExtstr,
          EncodeHistory(History(HistoryId::kExtension), kHistoryJoinLimit, kTextCapacity));
  SetText(TextKey::kRenbanstr,
          EncodeHistory(History(HistoryId::kSerial), kHistoryJoinLimit, kTextCapacity));
  SetText(TextKey::kAddstr,
          EncodeHistory(History(HistoryId::kAdd), kHistoryJoinLimit, kTextCapacity));
  SetText(TextKey::kLfiltstr,
          EncodeHistory(History(HistoryId::kListFilter), kHistoryJoinLimit, kTextCapacity));

  for (int k = 0; k < kReplacePieces; ++k) {
    texts_[Index(Piece(TextKey::kReplacefrom1, k))].clear();
    texts_[Index(Piece(TextKey::kReplaceto1, k))].clear();
  }
  texts_[Index(TextKey::kReplace1str)].clear();
  texts_[Index(TextKey::kReplace2str)].clear();
  const std::pair<HistoryId, TextKey> replace_lists[] = {
      {HistoryId::kSearch, TextKey::kReplacefrom1},
      {HistoryId::kReplacement, TextKey::kReplaceto1}};
  for (const auto& [id, first] : replace_lists) {
    std::u16string joined =
        EncodeHistory(History(id), kReplaceHistoryJoinLimit, kReplaceHistoryCapacity);
    for (int k = 0; k < kReplacePieces; ++k) {
      std::size_t at = kReplacePieceLength * static_cast<std::size_t>(k);
      if (joined.size() <= at) break;
      texts_[Index(Piece(first, k))] = joined.substr(at, kReplacePieceLength);
    }
  }
}

void Settings::TakeWindowPlacement(const SaveInputs& inputs) {
  const WindowRect& r = inputs.window;
  SetInt(IntKey::kWleft, r.left);
  SetInt(IntKey::kWtop, r.top);
  SetInt(IntKey::kWwidth, r.right - r.left);
  SetInt(IntKey::kWheight, r.bottom - r.top);
  for (IntKey k : {IntKey::kWleft, IntKey::kWtop, IntKey::kWwidth, IntKey::kWheight}) {
    classes_[Index(k)] = StorageClass::kFinalPass;
  }
}

void Settings::TakeListHeader(const SaveInputs& inputs) {
  for (int c = 0; c < kListColumns; ++c) {
    IntKey key = HeadKey(c);
    if (ColumnShown(*this, c)) {
      SetInt(key, inputs.column_widths[static_cast<std::size_t>(c)]);
      classes_[Index(key)] = StorageClass::kFinalPass;
    } else {
      // A hidden column keeps its stored width.
      classes_[Index(key)] = StorageClass::kSavedOnly;
    }
  }
  std::vector<int> order = NormalizeOrder(*this, inputs.column_order);
  std::uint32_t headcount = 0;
  for (int i = 0; i < kListColumns; ++i) {
    int entry = i < static_cast<int>(order.size()) ? order[static_cast<std::size_t>(i)]
                                                   : kHiddenColumn;
    headcount = (headcount << 4) | static_cast<std::uint32_t>(entry);
  }
  words_[Index(OptionWord::kHeadcount)] = headcount;
  WriteWord(OptionWord::kHeadcount);
}

Status Settings::Save(SaveMode mode, const SaveInputs& inputs) {
  if (no_save_) return Status();
  std::uint32_t fixed = Word(OptionWord::kOption3);
  if (mode == SaveMode::kExit) {
    WriteInt(u"_version", version_);
    for (OptionWord w : {OptionWord::kOption1, OptionWord::kOption2, OptionWord::kOption4,
                         OptionWord::kDispcontrols}) {
      WriteWord(w);
    }
    if ((Word(OptionWord::kDispcontrols) & dispctl::kFolderTree) && inputs.tree_width &&
        inputs.from_window) {
      SetInt(IntKey::kTreewidth, *inputs.tree_width);
    }
    WriteWord(OptionWord::kAttribute);
    WriteWord(OptionWord::kZentohan);
    SaveHistories();
    for (int i = 0; i < kIntTableSize; ++i) {
      auto k = static_cast<std::size_t>(i);
      if (IsSaved(classes_[k])) WriteInt(kIntSpecs[i].name, ints_[k]);
    }
    for (int i = 0; i < kTextKeyCount; ++i) {
      if (IsSaved(kTextSpecs[i].storage)) WriteTextRecord(static_cast<TextKey>(i));
    }
    if (!(fixed & opt3::kFixMode)) {
      words_[Index(OptionWord::kMode)] = static_cast<std::uint32_t>(inputs.rename_mode - 1);
      WriteWord(OptionWord::kMode);
    }
  } else if (fixed & opt3::kFixMode) {
    WriteInt(SpecOf(OptionWord::kMode).name, fixed_mode_);
  }

  bool exit = mode == SaveMode::kExit;
  bool window_fixed = (fixed & opt3::kFixWindow) != 0;
  if (inputs.from_window &&
      ((exit && !window_fixed && !inputs.window_maximized && !inputs.window_minimized) ||
       (!exit && window_fixed))) {
    TakeWindowPlacement(inputs);
  }
  bool header_fixed = (fixed & opt3::kFixHeader) != 0;
  if (inputs.from_window && ((exit && !header_fixed) || (!exit && header_fixed))) {
    TakeListHeader(inputs);
  }

  for (int i = 0; i < kIntTableSize; ++i) {
    auto k = static_cast<std::size_t>(i);
    if (classes_[k] == StorageClass::kFinalPass) WriteInt(kIntSpecs[i].name, ints_[k]);
  }
  WriteWord(OptionWord::kOption3);
  return Flush();
}

Status Settings::WriteOne(IntKey key) {
  if (no_save_) return Status();
  WriteInt(SpecOf(key).name, Int(key));
  return Flush();
}

void Settings::ApplyFixedValues(const FixedValues& values) {
  fixed_mode_ = values.stored_mode;
  std::uint32_t w = words_[Index(OptionWord::kOption3)] & (opt3::kFixWindow | opt3::kFixHeader);
  if (values.fix_mode) w |= opt3::kFixMode;
  if (values.fix_serial_text) w |= opt3::kFixSerialText;
  if (values.fix_date_separator) w |= opt3::kFixDateSeparator;
  if (values.fix_add_text) w |= opt3::kFixAddText;
  words_[Index(OptionWord::kOption3)] = w;
  SetText(TextKey::kFrenbanstr, CutTo(values.serial_text, kStoredTextLength));
  SetText(TextKey::kFsepstr, CutTo(values.date_separator, kWrittenTextLength));
  SetText(TextKey::kFaddstr, CutTo(values.add_text, kWrittenTextLength));
  SetInt(IntKey::kPropno, 2);
}

// ------------------------------------------------------------ deleting

StoredSettingsPlace Settings::StoredSettingsToDelete() {
  return registry().Has(u"_count") ? StoredSettingsPlace::kRegistry
                                   : StoredSettingsPlace::kIniFile;
}

Status Settings::DeleteRegistry() {
  no_save_ = true;
  bool key_deleted = registry().DeleteKey();
  bool maker_done;
  std::optional<std::int32_t> tools = registry().QueryTools();
  if (tools && *tools >= 2) {
    registry().StoreTools(*tools - 1);
    maker_done = true;
  } else {
    maker_done = registry().DeleteMakerKey();
  }
  Status written = registry().Commit();
  if (!written) return written;
  if (!key_deleted && !maker_done) {
    return MakeError(ErrorCode::kNotFound, std::u16string(RegistryBackend::kKey));
  }
  return Status();
}

Status Settings::ResetIniFile() {
  no_save_ = true;
  return ini().Reset();
}

// ------------------------------------------------------- values at start

std::array<int, kListColumns> ColumnWidthsAtStart(const Settings& s) {
  std::array<int, kListColumns> widths{};
  for (int c = 0; c < kListColumns; ++c) {
    widths[static_cast<std::size_t>(c)] = s.Int(HeadKey(c));
  }
  if (widths[3] == 179 || widths[0] + widths[1] + widths[2] + widths[3] == 0) {
    widths = {192, 60, 170, 180, 98, 120};
  }
  return widths;
}

std::vector<int> ColumnOrderAtStart(const Settings& s) {
  std::uint32_t headcount = s.Word(OptionWord::kHeadcount);
  std::vector<int> entries;
  for (int i = 0; i < kListColumns; ++i) {
    entries.push_back(static_cast<int>((headcount >> (4 * (5 - i))) & 0xF));
  }
  return NormalizeOrder(s, entries);
}

std::optional<WindowRect> WindowRectAtStart(const Settings& s, const WindowRect& screen) {
  std::int64_t left = s.Int(IntKey::kWleft);
  std::int64_t top = s.Int(IntKey::kWtop);
  std::int64_t width = s.Int(IntKey::kWwidth);
  std::int64_t height = s.Int(IntKey::kWheight);
  if (width < 0 || height < 0) return std::nullopt;
  if (left + width < -10 || top + height < -10) return std::nullopt;
  std::int64_t x = left + width / 2 - 10;
  std::int64_t y = top + height / 2 - 10;
  if (x < screen.left || x >= screen.right || y < screen.top || y >= screen.bottom) {
    return std::nullopt;
  }
  return WindowRect{static_cast<int>(left), static_cast<int>(top),
                    static_cast<int>(left + width), static_cast<int>(top + height)};
}

}  // namespace tessivo
