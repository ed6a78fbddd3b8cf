// One scan of a folder tree into a FileList, as a drop does it, for
// bench/scan.sh to time against find(1).
//
//   scan_run FOLDER columns|plain
//
// "columns" shows the size and date columns (each row gets its size and
// date text), "plain" neither. Depth unlimited, no filters, room for 50,000
// rows. Prints the number of rows listed, so the script can check that the
// scan did its whole work.

#include <cstdio>
#include <cstring>
#include <string>

#include "core/file_list.h"
#include "core/message.h"
#include "core/scan.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"

namespace tessivo {
namespace {

// Counts the boxes a scan would show (the list-full notice at 50,000 rows).
class CountingSink : public MessageSink {
 public:
  int Show(const MessageBox&) override {
    ++count;
    return kAnswerNo;
  }
  void Note(const MessageBox&, int) override { ++count; }
  int count = 0;
};

int Main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[2], "columns") != 0 && std::strcmp(argv[2], "plain") != 0)) {
    std::fprintf(stderr, "usage: %s FOLDER columns|plain\n", argv[0]);
    return 2;
  }
  const bool columns = std::strcmp(argv[2], "columns") == 0;

  PosixFileSystem fs;
  FileListOptions list_options;
  list_options.size_column = columns;
  list_options.date_column = columns;
  list_options.max_file_index = kMaxFileIndexLast;
  FileList list(list_options);
  list.Reserve(kAbsoluteMaxFiles);
  CountingSink sink;
  Messenger messenger(sink);
  ScanOptions options;
  options.depth_index = 11;
  Scanner scanner(fs, list, messenger, options);
  scanner.AddPaths({Utf8ToUtf16(argv[1])}, AddSource::kDrop);
  std::printf("%d\n", list.Count());
  return 0;
}

}  // namespace
}  // namespace tessivo

int main(int argc, char** argv) { return tessivo::Main(argc, argv); }
