// Times a preview (ExecuteRun kind 0, names computed and every row
// validated on the real disk) over one folder.
//
//   preview_run FOLDER MODE REPETITIONS
//
// MODE is "extension" (every extension becomes "txt") or "case" (all upper
// case). The rows are listed once, untimed; then the preview runs once to
// warm up and REPETITIONS more times, each printed as seconds on its own
// line. The program checks that every row got the expected status, so a
// preview that skipped its work would not pass for a fast one.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/file_list.h"
#include "core/headless_message_sink.h"
#include "exec/run.h"
#include "modes/extension.h"
#include "modes/letter_case.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"

namespace tessivo {
namespace {

int Main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s FOLDER extension|case REPETITIONS\n", argv[0]);
    return 2;
  }
  const std::u16string folder = Utf8ToUtf16(argv[1]) + u"/";
  const bool case_mode = std::strcmp(argv[2], "case") == 0;
  const int repetitions = std::atoi(argv[3]);

  PosixFileSystem fs;
  auto entries = fs.List(folder);
  if (!entries) {
    std::fprintf(stderr, "cannot list %s\n", argv[1]);
    return 1;
  }
  FileListOptions options;
  options.size_column = false;
  options.date_column = false;
  FileList list(options);
  list.Reserve(static_cast<int>(entries->size()));
  for (const DirEntry& entry : *entries) {
    const std::size_t dot = FindPathExtension(entry.name);
    list.AddRow(entry.name, std::u16string_view(entry.name).substr(dot), folder, u"", u"", u"",
                list.Count());
  }

  const ExtensionParams extension_params;
  const std::u16string extension_text = u"txt";
  LetterCaseParams case_params;
  case_params.option = kCaseAllUpper;
  ExceptionWordTable exceptions;

  RunHooks hooks;
  if (case_mode) {
    hooks.compute_new_name = [&](const std::u16string& source, const std::u16string&,
                                 std::int64_t, const std::u16string&) {
      return ApplyLetterCase(source, case_params, exceptions);
    };
  } else {
    hooks.compute_new_name = [&](const std::u16string& source, const std::u16string&,
                                 std::int64_t, const std::u16string&) {
      return ApplyExtension(source, extension_text, extension_params);
    };
  }
  HeadlessMessageSink sink;
  Messenger messenger(sink);
  RunState state;
  const int mode = case_mode ? 4 : 2;
  const RunContext run{list, fs, messenger, state, hooks, mode};

  for (int i = 0; i <= repetitions; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (ExecuteRun(kRunPreview, run) != 0) {
      std::fprintf(stderr, "preview did not run\n");
      return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    for (int row = 0; row < list.Count(); ++row) {
      if (list.GetFileStatus(row) != FileStatus::kChangeable) {
        std::fprintf(stderr, "row %d: status %d\n", row, static_cast<int>(list.GetFileStatus(row)));
        return 1;
      }
    }
    if (i > 0) std::printf("%.6f\n", took.count());
  }
  return 0;
}

}  // namespace
}  // namespace tessivo

int main(int argc, char** argv) { return tessivo::Main(argc, argv); }
