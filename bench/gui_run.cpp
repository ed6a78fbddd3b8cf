// The window program's driver timed by bench/gui.sh.
//
//   gui_run DIR headless   lists DIR as a drop does, without a window
//   gui_run DIR window     the same through the main window (offscreen), then
//                          select all, invert twice (none, all), an alternating
//                          selection inverted, and deleting every selected row
//
// Prints "listed N in S s" and, for the window, one line per command in ms
// and the peak resident memory. Settings come from $TESSIVO_HOME.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/session.h"
#include "modes/calendar.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"
#include "ui/command_table.h"
#include "ui/main_window.h"
#include "ui/qt_message_sink.h"

namespace {

double Seconds(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e9; }

}  // namespace

int main(int argc, char** argv) {
  using namespace tessivo;
  if (argc < 3) {
    std::fprintf(stderr, "usage: gui_run DIR headless|window\n");
    return 2;
  }
  const bool window = std::strcmp(argv[2], "window") == 0;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  PosixFileSystem fs;
  SystemTimeZone zone;
  QtMessageSink sink;
  Result<ProgramLocation> location = LocateProgram(ProgramEnvironment::FromProcess(), fs);
  if (!location) return 2;
  Session session(fs, sink, zone, *location);
  session.Start(StartOverrides{}, FileTimeFromUnix(1700000000, 0));
  const std::u16string dir = Utf8ToUtf16(argv[1]);

  if (!window) {
    QElapsedTimer t;
    t.start();
    session.AddPaths({dir}, AddSource::kDrop);
    std::printf("listed %d in %.4f s\n", session.list.Count(), Seconds(t));
    return 0;
  }

  MainWindow main(session, sink);
  main.show();
  QApplication::processEvents();
  QElapsedTimer t;
  t.start();
  main.AddDroppedPaths({dir});
  QApplication::processEvents();  // the view paints the first page
  std::printf("listed %d in %.4f s\n", session.list.Count(), Seconds(t));
  auto timed = [&](const char* name, auto&& step) {
    QApplication::processEvents();
    main.controller().ClearBusy();
    QElapsedTimer s;
    s.start();
    step();
    QApplication::processEvents();
    std::printf("%s: %.1f ms (selected %d of %d)\n", name, Seconds(s) * 1000,
                session.list.SelectedCount(), session.list.Count());
  };
  timed("select all", [&] { main.RunCommand(cmd::kSelectAll); });
  timed("invert (none)", [&] { main.RunCommand(cmd::kInvertSelection); });
  timed("invert (all)", [&] { main.RunCommand(cmd::kInvertSelection); });
  for (int row = 0; row < session.list.Count(); ++row) session.list.SetSelected(row, row % 2 == 0);
  timed("invert alternating", [&] { main.RunCommand(cmd::kInvertSelection); });
  timed("scroll to the end", [&] { main.list_view()->scrollToBottom(); });
  main.RunCommand(cmd::kSelectAll);
  timed("delete selected", [&] { main.RunCommand(cmd::kDeleteSelected); });
  struct rusage usage;
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
