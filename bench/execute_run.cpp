// Times an execution (ExecuteRun kind 1 with the rename log on) over one
// folder on disk.
//
//   execute_run FOLDER LOG_FOLDER REPETITIONS
//
// Every file of FOLDER whose name starts with "file_" is renamed to "done_"
// + the rest, or the other way round when none starts with "file_"; each
// run turns the names back. The rows are listed untimed before each run,
// with their new names set and marked changeable as a preview leaves them.
// One warm-up run, then REPETITIONS runs, each printed as seconds on its own
// line. The program checks that every row was changed and logged, so a run
// that skipped its work would not pass for a fast one.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/file_list.h"
#include "core/headless_message_sink.h"
#include "exec/execute.h"
#include "exec/rename_log.h"
#include "exec/run.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"

namespace tessivo {
namespace {

// Lists FOLDER into `list` with the new names of this run. Returns the row count.
int FillList(PosixFileSystem& fs, const std::u16string& folder, FileList& list) {
  auto entries = fs.List(folder);
  if (!entries) return -1;
  bool forward = false;
  for (const DirEntry& entry : *entries) forward = forward || entry.name.starts_with(u"file_");
  const std::u16string from = forward ? u"file_" : u"done_";
  const std::u16string to = forward ? u"done_" : u"file_";
  list = FileList(FileListOptions{false, false, kSizeInBytes, kDateLastWrite, 6, false});
  list.Reserve(static_cast<int>(entries->size()));
  for (const DirEntry& entry : *entries) {
    if (!entry.name.starts_with(from)) continue;
    const std::size_t dot = entry.name.rfind(u'.');
    list.AddRow(entry.name, dot == std::u16string::npos ? u"" : entry.name.substr(dot), folder,
                to + entry.name.substr(from.size()), u"", u"", list.Count(),
                FileStatus::kChangeable);
  }
  return list.Count();
}

int Main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s FOLDER LOG_FOLDER REPETITIONS\n", argv[0]);
    return 2;
  }
  const std::u16string folder = Utf8ToUtf16(argv[1]) + u"/";
  const int repetitions = std::atoi(argv[3]);

  PosixFileSystem fs;
  HeadlessMessageSink sink;
  Messenger messenger(sink);
  RunHooks hooks;
  FixedOffsetTimeZone utc(0);
  ExecuteSummary summary;
  ExecuteSetup setup;
  setup.options.write_log = true;
  setup.options.show_errors = true;
  setup.options.add_serial = true;
  setup.program_folder = Utf8ToUtf16(argv[2]);
  setup.zone = &utc;
  setup.summary = &summary;

  for (int i = 0; i <= repetitions; ++i) {
    FileList list;
    const int rows = FillList(fs, folder, list);
    if (rows <= 0) {
      std::fprintf(stderr, "nothing to rename in %s\n", argv[1]);
      return 1;
    }
    RunState state;
    state.names_current = true;
    const RunContext run{list, fs, messenger, state, hooks, 1, &setup};

    const auto start = std::chrono::steady_clock::now();
    const int result = ExecuteRun(kRunExecute, run);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

    auto log = fs.Stat(LogSlotPath(setup.program_folder, 1));
    if (result != 0 || summary.changed != rows || list.Count() != 0 || !log ||
        log->size < static_cast<std::uint64_t>(rows) * 20) {
      std::fprintf(stderr, "execution did not do its work: result %d, %d of %d changed\n", result,
                   summary.changed, rows);
      return 1;
    }
    if (i > 0) std::printf("%.6f\n", took.count());
  }
  return 0;
}

}  // namespace
}  // namespace tessivo

int main(int argc, char** argv) { return tessivo::Main(argc, argv); }
