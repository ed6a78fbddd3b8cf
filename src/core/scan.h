#pragma once
// Scanning: fills the FileList from the file system, from dropped paths, a
// click in the folder tree or the command line.
//
// A Scanner walks folders to the configured depth, follows shortcuts when
// asked, skips paths already listed, applies the load filters (extension,
// size, attributes) to every candidate and stops at the maximum file count
// or when the user cancels. The list holds files or folders, never both
// (FileListOptions::folders); in folder mode only folders are listed.
//
// Depth code: a walk carries a counter that grows by 2 for each folder level
// entered and by 1002 when a shortcut is followed. (code % 1000) / 2 is the
// nesting depth (0 for the dropped or clicked folder); 1000 or more means the
// walk came through a shortcut, and then no further shortcut is followed.
//
// Shortcuts are ".lnk" files (shell_link.h) and symbolic links to folders.
// With ScanOptions::follow_shortcuts a link to a folder is walked like a
// followed shortcut; without it such a link is not entered. A link to a file
// is listed as a file: the row is the link itself, with the link's own size,
// times and attributes. A dangling link is listed like a file too. In folder
// mode a link to a folder is listed as a folder (the link is renamed).
//
// No walk can loop: a shortcut is followed at most once along any chain, so
// every walk is a finite tree of real folders, and a shortcut met inside a
// walk whose target holds the folder it was met in (its own folder or an
// ancestor, compared as canonical paths with every symbolic link resolved)
// is not followed at all. Canonical paths are computed only when a shortcut
// is met, so FileInfo needs no device or inode numbers. Bind mounts that
// contain themselves end at the path-length limit below.
//
// Candidates that cannot be used are skipped without a message: folders that
// cannot be read, paths that vanished since their folder was read, entries
// whose folder path and name together reach 261 code units (counted in
// ScanSummary, so that the command line can name them), and paths that are
// not full paths (not beginning with "/"; "/" itself is a full path).
//
// Questions go through the Messenger with the program's texts: the undo-mode
// and folder-mode questions (kind 5), the capacity questions (kinds 2 and 8,
// see AskToRaiseMaxFiles), "読み込みを中止します。" ("Abort") and "No Sub
// Folder". What the answers lead to outside the list (leaving undo mode,
// switching to file mode) is done by the ScanCallbacks.
//
// A raised maximum file count is written into the list's options and a
// changed `folderread` into ScanOptions; StoreScanChanges puts both back
// into the settings.
//
// The Scanner borrows everything it is given; all of it must outlive it.
// Not thread-safe.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_list.h"
#include "core/narrow.h"

namespace tessivo {

class Messenger;
class Settings;
class StatusSink;

// The settings a scan reads, as plain values.
struct ScanOptions {
  int depth_index = 1;           // subdir: 0..10 the depth limit, 11 or more none
  bool tree_one_level = false;   // subdirtree: a tree click lists one level
  int command_line_depth = -1;   // a depth given on the command line, -1 none; limit = value + 1
  int dropped_folder = 0;        // folderread: 0 the subfolders one level down, 1 the folder itself
  bool follow_shortcuts = true;  // shortcutlink
  bool show_errors = false;      // a cancel asks first when on
  std::u16string extensions = {};     // filterextall: extensions separated by single spaces
  bool extensions_only = false;       // true "のみ" (only these), false "以外" (all but these)
  std::u16string size_lower_kb = {};  // filterfsize1; empty reads as 0
  std::u16string size_upper_kb = {};  // filterfsize2; empty or 999999999 switches the filter off
  bool size_inside = true;            // true "のみ" (only inside the range), false "以外"
  bool list_read_only = true;
  bool list_hidden = true;  // names beginning with "." count as hidden
  bool list_system = true;
  // Automatic runs skip reading sizes and dates nobody will see or sort by.
  bool automatic_run = false;
  bool sort_by_size = false;
  bool sort_by_date = false;
};

// Fills ScanOptions from the settings (subdir, subdirtree, folderread or its
// command-line override, shortcutlink, the filters, show-errors). The
// command-line depth and the automatic-run fields are left at their defaults.
ScanOptions ScanOptionsFromSettings(const Settings& settings);

// Writes back what a scan may have changed: `folderread` (the "No Sub
// Folder" answer) and `maxfilenum` (from the list's options).
void StoreScanChanges(const ScanOptions& options, const FileListOptions& list_options,
                      Settings& settings);

// The extension list of `filterextall`: split at single spaces, at most
// kMaxExtensions entries, each given a leading "." when it lacks one. An empty
// entry (a leading space, two spaces in a row) ends the list. An entry longer
// than 15 characters is kept whole, so it only ever matches itself.
std::vector<std::u16string> ParseExtensionList(std::u16string_view text);
inline constexpr std::size_t kMaxExtensions = 15;

// The value of a number text as the size filter reads it: leading spaces, an
// optional sign, then digits up to the first other character; 0 without
// digits. Saturates instead of overflowing.
long long ParseKbValue(std::u16string_view text);
inline constexpr long long kSizeFilterOff = 999999999;

// Where paths come from; decides the questions and the walk's rules.
enum class AddSource {
  kDrop,         // dropped on the window: the window comes to the front first
  kReset,        // the reset command, with no paths
  kTree,         // a folder clicked in the tree: `subdirtree` applies, folders list code 1000
  kCommandLine,  // each path is its own duplicate-check batch and is spelling-corrected
};

// Results of the walks.
enum WalkResult : int { kWalkDone = 0, kWalkFull = 1, kWalkAborted = 2 };

// Hooks into the rest of the program. Each may be left empty.
struct ScanCallbacks {
  // Polled once per candidate, like a held Escape key: true asks to stop.
  std::function<bool()> cancel_requested = {};
  // Brings the main window to the front (drops only).
  std::function<void()> bring_to_front = {};
  // Leaves undo mode after the user agreed; empty: the list's flag is cleared.
  std::function<void()> leave_undo_mode = {};
  // Switches to file mode after the user agreed; it must empty the list and
  // clear FileListOptions::folders. Empty: the scanner does both itself.
  std::function<void()> switch_to_file_mode = {};
};

// What AddPaths did.
struct ScanSummary {
  int result = kWalkDone;  // the result of the last walk (kWalkFull, kWalkAborted stop the rest)
  int added = 0;           // rows added
  bool refused = false;    // undo mode was kept, or the duplicate index could not be built
  // Entries left out because their path would be too long, and the first
  // kTooLongPathsKept of them (folder + "/" + name).
  int too_long = 0;
  std::vector<std::u16string> too_long_paths;
};
inline constexpr std::size_t kTooLongPathsKept = 5;

// The entries of one folder as a walk listed them.
struct FolderListing {
  std::u16string folder;  // ends in "/"
  std::vector<DirEntry> entries;
};

class Scanner {
 public:
  Scanner(FileSystem& fs, FileList& list, Messenger& messenger, ScanOptions& options);

  void set_callbacks(ScanCallbacks callbacks) { callbacks_ = std::move(callbacks); }
  // Where the loading notice goes; may be null.
  void set_status_sink(StatusSink* sink) { status_ = sink; }
  // The narrowing applied after rows were added; may be null (then none).
  void set_narrowing(NarrowState* narrowing) { narrowing_ = narrowing; }

  // Adds `paths` in order (the drop, reset, tree and command-line entry):
  // asks to leave undo mode first if it is on, resets every row present
  // (new name emptied, status 0), walks each path, then updates the sample
  // name, narrows (forced) and sets the idle notice. In folder mode with
  // `folderread` 0, when paths were given and not one subfolder was met, it
  // offers to list dropped folders themselves from now on.
  ScanSummary AddPaths(const std::vector<std::u16string>& paths, AddSource source);

  // Where the walks leave the listing of each folder they entered (the
  // folder with a "/" at its end, then its entries), for a preview that
  // follows at once and would list the same folders again; null keeps none.
  void set_listings(std::vector<FolderListing>* listings) { listings_ = listings; }

  // The duplicate check of one batch: BeginBatch indexes the rows present;
  // false (after the out-of-memory message) when the index cannot be built.
  // AddPaths does this itself; call it around direct uses of the walks.
  bool BeginBatch();
  void EndBatch();

  // Walks `path` in file mode: a folder is entered down to the depth limit,
  // a file is listed through AcceptRow unless already listed, a shortcut is
  // followed. `base` is the row count when the batch began and `added` the
  // rows added so far (updated). Returns kWalkDone, kWalkFull (maximum count
  // reached and not raised) or kWalkAborted (cancelled).
  int WalkFiles(const std::u16string& path, int base, int& added, int code, bool from_tree);

  // Walks `path` in folder mode: code 1000 lists the subfolders of `path`,
  // code 0 `path` itself. Files are ignored. Results as WalkFiles; reaching
  // the maximum count returns kWalkFull without asking.
  int WalkFolders(const std::u16string& path, int base, int& added, int code);

  // Applies the load filters to `path` and appends its row at `index` with
  // the size and date cells of the columns shown. Returns true when added,
  // false when filtered out.
  bool AcceptRow(const std::u16string& path, int index);

  // Whether a folder-mode walk met a subfolder since the last AddPaths began.
  bool subfolder_met() const { return subfolder_met_; }

 private:
  int FileCandidate(std::u16string& path, const FileInfo* info, int base, int& added, int code);
  int EnterFolder(std::u16string& path, int base, int& added, int code);
  // Attributes kept outside the inode are read only when a filter needs them.
  ListDetail DetailNeeded() const;
  int FollowShortcut(const std::u16string& path, bool symlink, int base, int& added, int code);
  int FolderCandidate(const std::u16string& path, const FileInfo* info, int base, int& added,
                      int code);
  // Steps shared by every candidate: the count limit, the cancel poll and
  // the loading notice every `notice_every` candidates. kWalkDone to go on.
  int CheckCandidate(int count, bool ask_to_raise, int notice_every);
  bool AcceptEntry(std::u16string_view path, const FileInfo* info, int index);
  bool Listed(std::u16string_view path) const;
  // Counts an entry left out for the length of its path.
  void NoteTooLong(std::u16string_view folder, std::u16string_view name);
  int DepthLimit() const;

  FileSystem& fs_;
  FileList& list_;
  Messenger& messenger_;
  ScanOptions& options_;
  ScanCallbacks callbacks_;
  StatusSink* status_ = nullptr;
  NarrowState* narrowing_ = nullptr;
  std::vector<FolderListing>* listings_ = nullptr;

  NameRulesCache name_rules_;  // for the duplicate check, asked anew each batch
  PathIndex index_;
  bool in_batch_ = false;
  bool from_tree_ = false;
  bool subfolder_met_ = false;
  int candidates_ = 0;
  int too_long_ = 0;
  std::vector<std::u16string> too_long_paths_;
  int folder_depth_ = 0;  // folders entered along the current chain

  // The filters, parsed once per AddPaths (or walk entry).
  void PrepareFilters();
  std::vector<std::u16string> extension_list_;  // upper-cased
  long long size_lower_ = 0;
  long long size_upper_ = kSizeFilterOff;
};

// Finds the spelling on disk of the last component of `path`, ignoring
// letter case where its folder does, and puts it in place. Returns 0 when
// found (also when the path exists as spelt), 1 when nothing matches
// (`path` unchanged); in a folder that keeps case only the exact spelling
// matches.
int CorrectSpelling(FileSystem& fs, std::u16string& path);

// The path with every symbolic link resolved and "." and ".." folded, or
// kNotFound when a component is missing, kIo after 40 links.
Result<std::u16string> CanonicalPath(FileSystem& fs, const std::u16string& path);

}  // namespace tessivo
