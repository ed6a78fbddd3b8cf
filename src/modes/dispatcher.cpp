#include "modes/dispatcher.h"

#include <algorithm>

#include "modes/mode_catalogue.h"
#include "modes/name_parts.h"

namespace tessivo {
namespace {

// Extension field: up to 255 characters are read.
constexpr std::size_t kExtensionReadChars = 255;

std::u16string Head(const std::u16string& text, std::size_t n) {
  return text.substr(0, std::min(n, text.size()));
}

FolderShortNames ListFolderShortNames(FileSystem& fs, const std::u16string& folder) {
  FolderShortNames names;
  const std::u16string path = folder.empty() ? std::u16string(u"/") : folder;
  auto entries = fs.List(path);
  if (!entries) return names;
  names.listed = true;
  names.taken = FolderNameSet(fs.NameRulesOf(path).ignores_case);
  for (const DirEntry& entry : *entries) names.taken.Insert(entry.name);
  const NameTakenFn taken = names.taken.AsLookup();
  for (const DirEntry& entry : *entries) {
    std::u16string short_name = GenerateShortName(entry.name, taken);
    if (short_name.empty()) continue;
    names.taken.Insert(short_name);
    names.short_of.emplace(entry.name, std::move(short_name));
  }
  return names;
}

std::u16string ShortNameOf(ModeContext& ctx, const std::u16string& source_path) {
  auto given = ctx.fs.ShortName(source_path);
  if (given) return ApplyShortName(source_path, *given, ctx.short_name);
  if (given.error().code != ErrorCode::kNotSupported) {
    return ApplyShortName(source_path, u"", ctx.short_name);
  }
  const NameParts parts = SplitPlainPath(source_path);
  auto it = ctx.short_name_folders.find(parts.folder);
  if (it == ctx.short_name_folders.end()) {
    it = ctx.short_name_folders.emplace(parts.folder, ListFolderShortNames(ctx.fs, parts.folder))
             .first;
  }
  const FolderShortNames& folder = it->second;
  std::u16string short_name;
  if (folder.listed) {
    auto found = folder.short_of.find(parts.Name());
    // A name the listing did not show is checked against all of the folder.
    short_name = found != folder.short_of.end()
                     ? found->second
                     : GenerateShortName(parts.Name(), folder.taken.AsLookup());
  }
  return ApplyShortName(source_path, short_name, ctx.short_name);
}

}  // namespace

ModeContext BuildModeContext(const Settings& settings, const ModePanel& panel,
                             const ModeTexts& texts, PositionEditState& position_edit,
                             FileSystem& fs, const LocalTimeZone& zone, FileTime now) {
  position_edit.UpdatePositionMap(panel.At(ctl::kSampleName).text);
  ModeContext ctx{fs,  zone, panel, position_edit, {}, {}, {}, {}, {}, {}, {}, texts, false,
                  {},  {},   {},    {},            {}, {}, {}, {}, {}, {}, {}, nullptr};
  ctx.file_dir = settings.Int(IntKey::kFileDir) != 0;
  ctx.position_edit_params.posedtnoext = settings.Int(IntKey::kPosedtnoext) != 0;
  ctx.extension.extadd = settings.Int(IntKey::kExtadd) != 0;
  ctx.letter_case.bigsmall = settings.Int(IntKey::kBigsmall);
  ctx.letter_case.dbytebig = settings.Int(IntKey::kDbytebig) != 0;
  ctx.letter_case.file_dir = ctx.file_dir;
  ctx.exceptions.BuildExceptionLists(settings.Text(TextKey::kBsexcept0),
                                     settings.Text(TextKey::kBsexcept1),
                                     settings.Text(TextKey::kBsexcept2));
  ctx.short_name.real8_3 = settings.Int(IntKey::kReal8_3);

  ctx.serial.renbanstr = texts.serial;
  ctx.serial.numinspos = settings.Int(IntKey::kNuminspos);
  ctx.serial.dirrenreset = settings.Int(IntKey::kDirrenreset) != 0;
  ctx.add.addprepost = settings.Int(IntKey::kAddprepost);
  ctx.add.addstr = texts.add;
  ctx.add.file_dir = ctx.file_dir;
  ctx.erase.deltype = settings.Int(IntKey::kDeltype);
  ctx.erase.dellen = settings.Int(IntKey::kDellen);
  ctx.erase.dellen2 = settings.Int(IntKey::kDellen2);
  ctx.erase.file_dir = ctx.file_dir;
  ctx.width.zenorhan = settings.Int(IntKey::kZenorhan);
  ctx.width.katakana = settings.WordBit(OptionWord::kZentohan, zen::kKatakana);
  ctx.width.letters = settings.WordBit(OptionWord::kZentohan, zen::kLetters);
  ctx.width.digits = settings.WordBit(OptionWord::kZentohan, zen::kDigits);
  ctx.width.symbols = settings.WordBit(OptionWord::kZentohan, zen::kSymbols);
  ctx.width.file_dir = ctx.file_dir;
  ctx.date.whichdate = settings.Int(IntKey::kWhichdate);
  ctx.date.datefrom = settings.Int(IntKey::kDatefrom);  // -1 after a typed format
  ctx.date.ymdform = settings.Text(TextKey::kYmdform);
  ctx.date.dateins = settings.Int(IntKey::kDateins);
  ctx.date.sepstr = settings.Text(TextKey::kSepstr);
  ctx.date.file_dir = ctx.file_dir;
  ctx.date.timezone_hours = TimeZoneHours(settings.Text(TextKey::kTimezone));
  ctx.random_name = {settings.Int(IntKey::kRndpattern), settings.Int(IntKey::kRndext),
                     settings.Int(IntKey::kRndlen)};
  ctx.replace.search = SplitReplaceTexts(texts.search);
  ctx.replace.replacement = SplitReplaceTexts(texts.replacement);
  ctx.replace.repmode = settings.Int(IntKey::kRepmode);
  ctx.replace.regexp = settings.Int(IntKey::kRegexp) != 0;
  ctx.replace.repcase = settings.Int(IntKey::kRepcase) != 0;
  ctx.replace.repwithext = settings.Int(IntKey::kRepwithext) != 0;

  TimestampParams& stamp = ctx.timestamp;
  stamp.operation = settings.Int(IntKey::kCreatmodif);
  const CalendarTime& date = panel.At(ctl::kStampDate).time;
  const CalendarTime& time = panel.At(ctl::kStampTime).time;
  stamp.picker.year = date.year;
  stamp.picker.month = date.month;
  stamp.picker.day = date.day;
  stamp.picker.day_of_week = date.day_of_week;
  stamp.picker.hour = time.hour;
  stamp.picker.minute = time.minute;
  stamp.picker.second = time.second;
  stamp.stamp_now = settings.Int(IntKey::kStampnow) != 0;
  stamp.now = zone.ToLocal(now).value_or(CalendarTime{});
  stamp.increment_seconds = settings.Int(IntKey::kTimeplus);
  stamp.only_when = settings.Int(IntKey::kTimestpsm);
  stamp.shift_days = settings.Int(IntKey::kFwdbackdays);
  stamp.shift_direction = settings.Int(IntKey::kFwdback);

  ctx.attributes.read_only =
      AttributeRequestFromInt(settings.AttributeChoice(AttributeField::kReadOnly));
  ctx.attributes.hidden =
      AttributeRequestFromInt(settings.AttributeChoice(AttributeField::kHidden));
  ctx.attributes.archive =
      AttributeRequestFromInt(settings.AttributeChoice(AttributeField::kArchive));
  ctx.attributes.system =
      AttributeRequestFromInt(settings.AttributeChoice(AttributeField::kSystem));
  return ctx;
}

std::u16string ComputeNewName(ModeContext& ctx, const std::u16string& source_path,
                              const std::u16string& preset_destination, int mode,
                              std::int64_t row_ordinal, const std::u16string& disk_path) {
  switch (static_cast<RenameMode>(mode)) {
    case RenameMode::kPositionEdit:
      return ApplyPositionEdit(source_path,
                               Head(ctx.panel.At(ctl::kSampleName).text, kMaxPathChars),
                               ctx.position_edit_params, ctx.position_edit);
    case RenameMode::kExtension:
      return ApplyExtension(source_path,
                            Head(ctx.panel.At(ctl::kExtensionText).text, kExtensionReadChars),
                            ctx.extension);
    case RenameMode::kLetterCase:
      return ApplyLetterCase(source_path, ctx.letter_case, ctx.exceptions);
    case RenameMode::kShortName:
      return ShortNameOf(ctx, source_path);
    case RenameMode::kTimestamp:
      if (!ctx.fat_run) ctx.fat_run = IsOnFat(ctx.fs, source_path);
      return TransformTimestamp(ctx.fs, ctx.zone, source_path, ctx.timestamp, row_ordinal,
                                *ctx.fat_run);
    case RenameMode::kAttributes:
      return DescribeAttributes(ctx.attributes);
    case RenameMode::kMacro:
      return CutToMaxPath(source_path);
    case RenameMode::kCsv:
      // The new names were loaded from the CSV file into the rows.
      return preset_destination;
    case RenameMode::kSerial:
      return ApplySerial(source_path, ctx.serial, static_cast<std::uint64_t>(row_ordinal),
                         ctx.serial_run, FileSizeFrom(ctx.fs));
    case RenameMode::kAdd: {
      AddParams add = ctx.add;
      add.position = std::min(ReadAddPosition(ctx.panel.At(ctl::kAddPosition).text), 255);
      return ApplyAdd(source_path, add, FileSizeFrom(ctx.fs));
    }
    case RenameMode::kDelete:
      return ApplyDelete(source_path, ctx.erase);
    case RenameMode::kReplace:
      if (!ctx.regex) ctx.regex = std::make_unique<RegexCache>();
      return ApplyReplace(source_path, ctx.replace, *ctx.regex, FileSizeFrom(ctx.fs));
    case RenameMode::kWidth:
      return CutToMaxPath(ApplyWidth(source_path, ctx.width));
    case RenameMode::kRandom:
      if (ctx.random == nullptr) return preset_destination;
      return ApplyRandomName(source_path, ctx.random_name, *ctx.random);
    case RenameMode::kDate: {
      DateParams date = ctx.date;
      date.addyymmdd = ctx.panel.At(ctl::kDateUnits).value != 0;
      return TransformDate(ctx.fs, ctx.zone, source_path,
                           disk_path.empty() ? source_path : disk_path, date);
    }
  }
  // 15..18 and numbers outside the table have no transform.
  return preset_destination;
}

}  // namespace tessivo
