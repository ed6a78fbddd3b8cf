#include "core/scan.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <climits>

#include "config/settings.h"
#include "core/message.h"
#include "core/shell_link.h"
#include "core/status_sink.h"

namespace tessivo {

namespace {

// An entry is skipped when its folder path and name together reach this
// many code units: the row's full path would not fit the 260-unit buffers.
constexpr std::size_t kEntryPathLimit = 261;
// Depth limits from this value on mean "no limit" (the option's "全").
constexpr int kUnlimitedDepth = 11;
constexpr int kShortcutStep = 1002;
constexpr int kShortcutCode = 1000;
constexpr int kFolderStep = 2;
constexpr int kMaxLinkHops = 40;
// The loading notice is refreshed every this many candidates.
constexpr int kFileNoticeEvery = 18;
constexpr int kFolderNoticeEvery = 5;

char16_t UpperUnit(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
  const UChar32 upper = u_toupper(c);
  return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

std::u16string Upper(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = UpperUnit(c);
  return out;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpperUnit(a[i]) != UpperUnit(b[i])) return false;
  }
  return true;
}

bool IsFullPath(std::u16string_view path) { return !path.empty() && path.front() == u'/'; }

// "/a/b/" -> "/a/b"; "/" stays.
std::u16string WithoutTrailingSlash(std::u16string_view path) {
  while (path.size() > 1 && path.back() == u'/') path.remove_suffix(1);
  return std::u16string(path);
}

// The folder of a full path, without its final "/" ("/" for "/x").
std::u16string_view ParentOf(std::u16string_view path) {
  const std::size_t slash = path.rfind(u'/');
  if (slash == std::u16string_view::npos) return {};
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

bool EndsWithLnk(std::u16string_view path) {
  return path.size() >= 4 && EqualIgnoringCase(path.substr(path.size() - 4), u".lnk");
}

// Whether folder `outer` is `inner` or one of its ancestors.
bool ContainsFolder(std::u16string_view outer, std::u16string_view inner) {
  if (!inner.starts_with(outer)) return false;
  return inner.size() == outer.size() || outer == u"/" || inner[outer.size()] == u'/';
}

std::uint64_t RoundedUpKb(std::uint64_t size) { return size / 1024 + (size % 1024 != 0 ? 1 : 0); }

}  // namespace

// ---- options ----

ScanOptions ScanOptionsFromSettings(const Settings& settings) {
  ScanOptions o;
  o.depth_index = settings.Int(IntKey::kSubdir);
  o.tree_one_level = settings.Int(IntKey::kSubdirtree) != 0;
  o.dropped_folder = settings.DroppedFolderMode();
  o.follow_shortcuts = settings.Int(IntKey::kShortcutlink) != 0;
  o.show_errors = settings.WordBit(OptionWord::kOption1, opt1::kShowErrors);
  o.extensions = settings.Text(TextKey::kFilterextall);
  o.extensions_only = settings.WordBit(OptionWord::kOption4, opt4::kExtFilterOnlyListed);
  o.size_lower_kb = settings.Text(TextKey::kFilterfsize1);
  o.size_upper_kb = settings.Text(TextKey::kFilterfsize2);
  o.size_inside = settings.WordBit(OptionWord::kOption4, opt4::kSizeFilterInside);
  o.list_read_only = settings.WordBit(OptionWord::kOption4, opt4::kListReadOnly);
  o.list_hidden = settings.WordBit(OptionWord::kOption4, opt4::kListHidden);
  o.list_system = settings.WordBit(OptionWord::kOption4, opt4::kListSystem);
  return o;
}

void StoreScanChanges(const ScanOptions& options, const FileListOptions& list_options,
                      Settings& settings) {
  if (options.dropped_folder != settings.DroppedFolderMode()) {
    settings.SetInt(IntKey::kFolderread, options.dropped_folder);
  }
  settings.SetInt(IntKey::kMaxfilenum, list_options.max_file_index);
}

std::vector<std::u16string> ParseExtensionList(std::u16string_view text) {
  std::vector<std::u16string> list;
  while (list.size() < kMaxExtensions) {
    const std::size_t space = text.find(u' ');
    const std::u16string_view word = text.substr(0, space);
    if (word.empty()) break;
    std::u16string entry;
    if (word.front() != u'.') entry.push_back(u'.');
    entry.append(word);
    list.push_back(std::move(entry));
    if (space == std::u16string_view::npos) break;
    text.remove_prefix(space + 1);
  }
  return list;
}

long long ParseKbValue(std::u16string_view text) {
  constexpr long long kCap = LLONG_MAX / 16;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > kCap) value = kCap;
  }
  return negative ? -value : value;
}

// ---- scanner ----

Scanner::Scanner(FileSystem& fs, FileList& list, Messenger& messenger, ScanOptions& options)
    : fs_(fs), list_(list), messenger_(messenger), options_(options), name_rules_(fs) {}

void Scanner::PrepareFilters() {
  extension_list_ = ParseExtensionList(options_.extensions);
  for (std::u16string& e : extension_list_) e = Upper(e);
  size_lower_ = ParseKbValue(options_.size_lower_kb);
  size_upper_ =
      options_.size_upper_kb.empty() ? kSizeFilterOff : ParseKbValue(options_.size_upper_kb);
}

bool Scanner::BeginBatch() {
  name_rules_.Clear();
  Result<PathIndex> index = list_.BuildPathIndex(name_rules_);
  if (!index) {
    messenger_.ShowMessage(MessageKind::kNoMemory, 0, {}, {}, kLevelError);
    in_batch_ = false;
    return false;
  }
  index_ = std::move(*index);
  in_batch_ = true;
  return true;
}

void Scanner::EndBatch() {
  index_ = PathIndex();
  in_batch_ = false;
}

bool Scanner::Listed(std::u16string_view path) const {
  return in_batch_ && index_.size() > 0 && index_.Find(path) >= 0;
}

int Scanner::DepthLimit() const {
  if (options_.command_line_depth >= 0) return options_.command_line_depth + 1;
  if (from_tree_ && options_.tree_one_level) return 1;
  return options_.depth_index;
}

void Scanner::NoteTooLong(std::u16string_view folder, std::u16string_view name) {
  if (too_long_paths_.size() < kTooLongPathsKept) {
    std::u16string path(folder);
    if (path.empty() || path.back() != u'/') path.push_back(u'/');
    path.append(name);
    too_long_paths_.push_back(std::move(path));
  }
  ++too_long_;
}

ScanSummary Scanner::AddPaths(const std::vector<std::u16string>& paths, AddSource source) {
  ScanSummary summary;
  if (source == AddSource::kDrop && callbacks_.bring_to_front) callbacks_.bring_to_front();
  if (list_.undo_mode()) {
    if (messenger_.ShowMessage(MessageKind::kEndModeFirst, 0, Text(MessageId::kStopUndoPhrase), u"0,0",
                               kLevelQuestion) != kAnswerYes) {
      summary.refused = true;
      return summary;
    }
    if (callbacks_.leave_undo_mode) {
      callbacks_.leave_undo_mode();
    } else {
      list_.set_undo_mode(false);
    }
    if (list_.undo_mode()) {
      summary.refused = true;
      return summary;
    }
  }

  subfolder_met_ = false;
  candidates_ = 0;
  too_long_ = 0;
  too_long_paths_.clear();
  if (!BeginBatch()) {
    summary.refused = true;
    return summary;
  }
  for (int row = 0; row < list_.Count(); ++row) {
    list_.SetCell(row, Cell::kNewName, {});
    list_.SetFileStatus(row, FileStatus::kUnchecked);
  }

  int base = list_.Count();
  int added = 0;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::u16string path = WithoutTrailingSlash(paths[i]);
    if (source == AddSource::kCommandLine) {
      if (i > 0 && !BeginBatch()) break;  // each argument is a batch of its own
      CorrectSpelling(fs_, path);
    }
    if (i == 0 && source != AddSource::kTree && list_.options().folders && IsFullPath(path)) {
      const Result<FileInfo> info = fs_.Stat(path);
      if (info && !info->is_directory &&
          messenger_.ShowMessage(MessageKind::kEndModeFirst, 0,
                                 Text(MessageId::kChangeFolderModePhrase), u"0,0",
                                 kLevelQuestion) == kAnswerYes) {
        if (callbacks_.switch_to_file_mode) {
          callbacks_.switch_to_file_mode();
        } else {
          list_.ClearAll();
          FileListOptions files = list_.options();
          files.folders = false;
          list_.SetOptions(files);
        }
        // The rows the index was built from are gone.
        if (!BeginBatch()) break;
        base = list_.Count();
        added = 0;
      }
    }
    int result;
    if (list_.options().folders) {
      const int code =
          (source == AddSource::kTree || options_.dropped_folder == 0) ? kShortcutCode : 0;
      result = WalkFolders(path, base, added, code);
    } else {
      result = WalkFiles(path, base, added, 0, source == AddSource::kTree);
    }
    summary.result = result;
    if (result != kWalkDone) break;
  }

  if (source == AddSource::kDrop && list_.options().folders && !paths.empty() &&
      options_.dropped_folder == 0 && !subfolder_met_) {
    if (messenger_.ShowMessage(box::kYesNo | box::kIconQuestion, MessageId::kNoSubFolderTitle,
                               MessageId::kNoSubFolderText, kLevelQuestion) == kAnswerYes) {
      options_.dropped_folder = 1;
    }
  }
  EndBatch();
  list_.UpdateSampleName();
  if (narrowing_ != nullptr) Narrow(list_, *narrowing_, kNarrowForced);
  if (status_ != nullptr) status_->SetStatus(status_code::kIdle);
  summary.added = added;
  summary.too_long = too_long_;
  summary.too_long_paths = std::move(too_long_paths_);
  return summary;
}

int Scanner::CheckCandidate(int count, bool ask_to_raise, int notice_every) {
  FileListOptions options = list_.options();
  if (count >= MaxFileCount(options.max_file_index)) {
    if (!ask_to_raise || !AskToRaiseMaxFiles(messenger_, options.max_file_index)) {
      return kWalkFull;
    }
    list_.SetOptions(options);
  }
  if (callbacks_.cancel_requested && callbacks_.cancel_requested()) {
    if (!options_.show_errors) return kWalkAborted;
    if (messenger_.ShowMessage(box::kYesNo | box::kIconQuestion, MessageId::kAbortTitle,
                               MessageId::kAbortLoadingText, kLevelQuestion) == kAnswerYes) {
      return kWalkAborted;
    }
  }
  if (candidates_++ % notice_every == 0 && status_ != nullptr) {
    status_->SetStatus(status_code::kLoading);
  }
  return kWalkDone;
}

// ---- file mode ----

int Scanner::WalkFiles(const std::u16string& path, int base, int& added, int code, bool from_tree) {
  from_tree_ = from_tree;
  PrepareFilters();
  std::u16string walk_path = WithoutTrailingSlash(path);
  Result<FileInfo> info = MakeError(ErrorCode::kNotFound);
  if (IsFullPath(walk_path)) info = fs_.Stat(walk_path);
  return FileCandidate(walk_path, info ? &*info : nullptr, base, added, code);
}

int Scanner::FileCandidate(std::u16string& path, const FileInfo* info, int base, int& added,
                           int code) {
  if (const int stop = CheckCandidate(base + added, true, kFileNoticeEvery)) return stop;
  if (info == nullptr) return kWalkDone;  // vanished or never there
  if (info->is_directory) {
    if (!info->is_symlink) return EnterFolder(path, base, added, code);
    if (!options_.follow_shortcuts || code >= kShortcutCode) return kWalkDone;
    return FollowShortcut(path, true, base, added, code);
  }
  if (Listed(path)) return kWalkDone;
  if (options_.follow_shortcuts && EndsWithLnk(path)) {
    if (code >= kShortcutCode) return kWalkDone;  // one shortcut deep at most
    return FollowShortcut(path, false, base, added, code);
  }
  if (AcceptEntry(path, info, base + added)) ++added;
  return kWalkDone;
}

ListDetail Scanner::DetailNeeded() const {
  const bool filters_attributes =
      !options_.list_read_only || !options_.list_hidden || !options_.list_system;
  if (filters_attributes) return ListDetail::kFull;
  const FileListOptions& columns = list_.options();
  const bool size_needed =
      !columns.folders && columns.size_column &&
      !(options_.automatic_run && size_lower_ == 0 && size_upper_ == kSizeFilterOff &&
        !options_.sort_by_size);
  const bool date_needed =
      columns.date_column && (!options_.automatic_run || options_.sort_by_date);
  return size_needed || date_needed ? ListDetail::kNoAttributes : ListDetail::kNamesOnly;
}

int Scanner::EnterFolder(std::u16string& path, int base, int& added, int code) {
  const int limit = DepthLimit();
  if (limit < kUnlimitedDepth && (code % kShortcutCode) / 2 >= limit) return kWalkDone;
  if (!IsFullPath(path)) return kWalkDone;
  Result<std::vector<DirEntry>> entries = fs_.List(path, DetailNeeded());
  if (!entries) return kWalkDone;

  const std::size_t length = path.size();
  const bool ends_in_slash = path.back() == u'/';
  int result = kWalkDone;
  // Room for every entry at once: growing row by row would move the rows
  // many times over in a large folder.
  const std::size_t wanted = static_cast<std::size_t>(list_.Count()) + entries->size();
  if (wanted > list_.Capacity()) {
    list_.Reserve(static_cast<int>(std::max(wanted, 2 * list_.Capacity())));
  }
  ++folder_depth_;
  for (const DirEntry& entry : *entries) {
    if (length + entry.name.size() >= kEntryPathLimit) {
      NoteTooLong(std::u16string_view(path).substr(0, length), entry.name);
      continue;
    }
    path.resize(length);
    if (!ends_in_slash) path.push_back(u'/');
    path.append(entry.name);
    const bool real_folder = entry.info.is_directory && !entry.info.is_symlink;
    result = FileCandidate(path, &entry.info, base, added, real_folder ? code + kFolderStep : code);
    if (result != kWalkDone) break;
  }
  --folder_depth_;
  path.resize(length);
  if (listings_ != nullptr) {
    listings_->push_back({path, std::move(*entries)});
    if (!ends_in_slash) listings_->back().folder.push_back(u'/');
  }
  return result;
}

int Scanner::FollowShortcut(const std::u16string& path, bool symlink, int base, int& added,
                            int code) {
  std::u16string target;
  if (symlink) {
    Result<std::u16string> canonical = CanonicalPath(fs_, path);
    if (!canonical) return kWalkDone;
    target = std::move(*canonical);
  } else if (ResolveShortcut(fs_, path, target) != 0) {
    return kWalkDone;
  }
  Result<FileInfo> info = MakeError(ErrorCode::kNotFound);
  if (IsFullPath(target)) info = fs_.Stat(target);
  if (info && info->is_directory) {
    // A folder behind a link is walked under its own name, so the guard
    // below and the rows see one spelling of it.
    if (info->is_symlink) {
      Result<std::u16string> canonical = CanonicalPath(fs_, target);
      if (!canonical) return kWalkDone;
      target = std::move(*canonical);
      info = fs_.Stat(target);
      if (!info) return kWalkDone;
    }
    if (folder_depth_ > 0) {
      // Met inside a walk: a target holding the folder being walked would
      // walk that folder again.
      Result<std::u16string> here = CanonicalPath(fs_, std::u16string(ParentOf(path)));
      Result<std::u16string> there = CanonicalPath(fs_, target);
      if (!here || !there || ContainsFolder(*there, *here)) return kWalkDone;
    }
  }
  return FileCandidate(target, info ? &*info : nullptr, base, added, code + kShortcutStep);
}

// ---- folder mode ----

int Scanner::WalkFolders(const std::u16string& path, int base, int& added, int code) {
  PrepareFilters();
  const std::u16string walk_path = WithoutTrailingSlash(path);
  Result<FileInfo> info = MakeError(ErrorCode::kNotFound);
  if (IsFullPath(walk_path)) info = fs_.Stat(walk_path);
  return FolderCandidate(walk_path, info ? &*info : nullptr, base, added, code);
}

int Scanner::FolderCandidate(const std::u16string& path, const FileInfo* info, int base, int& added,
                             int code) {
  if (const int stop = CheckCandidate(base + added, false, kFolderNoticeEvery)) return stop;
  if (info == nullptr || !info->is_directory) return kWalkDone;
  if (code == kShortcutCode) {
    std::u16string folder = path;
    if (info->is_symlink) {
      if (!options_.follow_shortcuts) return kWalkDone;
      Result<std::u16string> canonical = CanonicalPath(fs_, path);
      if (!canonical) return kWalkDone;
      folder = std::move(*canonical);
    }
    Result<std::vector<DirEntry>> entries = fs_.List(folder, DetailNeeded());
    if (!entries) return kWalkDone;
    const bool ends_in_slash = folder.back() == u'/';
    for (const DirEntry& entry : *entries) {
      if (folder.size() + entry.name.size() >= kEntryPathLimit) {
        NoteTooLong(folder, entry.name);
        continue;
      }
      std::u16string child = folder;
      if (!ends_in_slash) child.push_back(u'/');
      child.append(entry.name);
      const int result = FolderCandidate(child, &entry.info, base, added, kShortcutStep);
      if (result != kWalkDone) return result;
    }
    return kWalkDone;
  }
  if (code == kShortcutStep) subfolder_met_ = true;
  if (!Listed(path) && AcceptEntry(path, info, base + added)) ++added;
  return kWalkDone;
}

// ---- filters ----

bool Scanner::AcceptRow(const std::u16string& path, int index) {
  PrepareFilters();
  Result<FileInfo> info = MakeError(ErrorCode::kNotFound);
  if (IsFullPath(path)) info = fs_.Stat(path);
  return AcceptEntry(path, info ? &*info : nullptr, index);
}

bool Scanner::AcceptEntry(std::u16string_view path, const FileInfo* info, int index) {
  const FileListOptions& list_options = list_.options();
  const std::size_t slash = path.rfind(u'/');
  const std::size_t name_at = slash == std::u16string_view::npos ? 0 : slash + 1;
  const std::u16string_view folder = path.substr(0, name_at);
  const std::u16string_view name = path.substr(name_at);
  const std::size_t dot = name.rfind(u'.');
  const std::u16string_view extension =
      dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot);

  bool rejected = false;
  std::u16string size_text;
  if (!list_options.folders && list_options.size_column) {
    const bool nobody_needs_it = options_.automatic_run && size_lower_ == 0 &&
                                 size_upper_ == kSizeFilterOff && !options_.sort_by_size;
    if (!nobody_needs_it) {
      const std::uint64_t size = info != nullptr ? info->size : 0;
      size_text = FormatSizeText(size, list_options.size_unit);
      if (size_upper_ != kSizeFilterOff) {
        const long long kb = static_cast<long long>(RoundedUpKb(size));
        rejected = options_.size_inside ? (kb < size_lower_ || kb > size_upper_)
                                        : (size_lower_ <= kb && kb <= size_upper_);
      }
    }
  }

  if (!rejected) {
    bool accepted = !options_.extensions_only;
    if (!extension_list_.empty()) {
      const std::u16string upper = Upper(extension);
      for (const std::u16string& entry : extension_list_) {
        if (entry == upper) {
          accepted = !accepted;
          break;
        }
      }
    }
    rejected = !accepted;
  }

  if (!rejected && !(options_.list_read_only && options_.list_hidden && options_.list_system)) {
    std::uint32_t attributes = info != nullptr ? info->attributes : 0;
    if (name.starts_with(u'.')) attributes |= attr::kHidden;
    rejected = (!options_.list_read_only && (attributes & attr::kReadOnly) != 0) ||
               (!options_.list_hidden && (attributes & attr::kHidden) != 0) ||
               (!options_.list_system && (attributes & attr::kSystem) != 0);
  }
  if (rejected) return false;

  std::u16string date_text(u" ");
  if (list_options.date_column && info != nullptr &&
      (!options_.automatic_run || options_.sort_by_date)) {
    date_text = FormatDateText(list_options.date_kind == kDateCreation ? info->creation_time
                                                                       : info->last_write_time);
  }
  list_.AddRow(name, extension, folder, {}, size_text, date_text, index);
  return true;
}

// ---- paths ----

int CorrectSpelling(FileSystem& fs, std::u16string& path) {
  const std::u16string trimmed = WithoutTrailingSlash(path);
  if (!IsFullPath(trimmed)) return 1;
  if (fs.Stat(trimmed)) return 0;
  const std::u16string_view parent = ParentOf(trimmed);
  const std::u16string_view name = std::u16string_view(trimmed).substr(trimmed.rfind(u'/') + 1);
  // Where the folder keeps case, another spelling is another file.
  if (!fs.NameRulesOf(std::u16string(parent)).ignores_case) return 1;
  Result<std::vector<DirEntry>> entries = fs.List(std::u16string(parent));
  if (!entries) return 1;
  for (const DirEntry& entry : *entries) {
    if (EqualIgnoringCase(entry.name, name)) {
      std::u16string found(parent);
      if (found.back() != u'/') found.push_back(u'/');
      path = found + entry.name;
      return 0;
    }
  }
  return 1;
}

Result<std::u16string> CanonicalPath(FileSystem& fs, const std::u16string& path) {
  if (!IsFullPath(path)) return MakeError(ErrorCode::kNotFound, path);
  // Components still to resolve, the next one last.
  std::vector<std::u16string> pending;
  auto push_components = [&pending](std::u16string_view text) {
    std::vector<std::u16string> parts;
    std::size_t at = 0;
    while (at <= text.size()) {
      std::size_t slash = text.find(u'/', at);
      if (slash == std::u16string_view::npos) slash = text.size();
      if (slash > at) parts.emplace_back(text.substr(at, slash - at));
      at = slash + 1;
    }
    pending.insert(pending.end(), parts.rbegin(), parts.rend());
  };
  push_components(path);

  std::vector<std::u16string> done;
  auto joined = [&done] {
    std::u16string out;
    for (const std::u16string& part : done) out.append(u"/").append(part);
    return out.empty() ? std::u16string(u"/") : out;
  };
  int hops = 0;
  while (!pending.empty()) {
    std::u16string part = std::move(pending.back());
    pending.pop_back();
    if (part == u".") continue;
    if (part == u"..") {
      if (!done.empty()) done.pop_back();
      continue;
    }
    done.push_back(part);
    const std::u16string here = joined();
    Result<FileInfo> info = fs.Stat(here);
    if (!info) return MakeError(ErrorCode::kNotFound, path);
    if (!info->is_symlink) continue;
    if (++hops > kMaxLinkHops) return MakeError(ErrorCode::kIo, path + u" (too many links)");
    Result<std::u16string> link = fs.ReadLink(here);
    if (!link) return MakeError(ErrorCode::kNotFound, path);
    done.pop_back();
    if (link->starts_with(u'/')) done.clear();
    push_components(*link);
  }
  return joined();
}

}  // namespace tessivo
