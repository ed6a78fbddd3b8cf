// The window program's driver timed by bench/gui.sh.
//
//   gui_run DIR headless   lists DIR as a drop does, without a window
//   gui_run DIR window     the same through the main window (offscreen), then
//                          select all, invert twice (none, all), an alternating
//                          selection inverted, and deleting every selected row
//   gui_run DIR replace-headless   lists DIR (IMG_* files), then previews, executes
//   gui_run DIR replace-window     and undoes the replace ^IMG -> Photo, without
//                                  a window or through the main window
//
// The replace runs print "confirm S s", "execute S s", "undo S s" (the
// listing untimed); the window's also "gap confirm|execute|undo S s", the
// longest time the window went without repainting its progress bar during
// that command (its start and end count as repaints; a repaint is a paint
// event of the bar), and "gap undo-load S s",
// the time undo mode took to come up with the log's rows. Both check that every
// file was renamed and renamed back.
// Prints "listed N in S s" and, for the window, one line per command in ms
// and the peak resident memory. Settings come from $TESSIVO_HOME.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProgressBar>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/commands.h"
#include "app/session.h"
#include "exec/undo.h"
#include "modes/mode_catalogue.h"
#include "modes/mode_panel.h"
#include "modes/calendar.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"
#include "ui/command_table.h"
#include "ui/main_window.h"
#include "ui/mode_panel_widget.h"
#include "ui/qt_message_sink.h"

namespace {

double Seconds(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e9; }

// Calls `stamp` on each paint event of the object it filters.
class PaintStamps : public QObject {
 public:
  explicit PaintStamps(std::function<void()> stamp) : stamp_(std::move(stamp)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) stamp_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> stamp_;
};

// How many names in `dir` start with `prefix`.
int CountPrefixed(const char* dir, const std::string& prefix) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    count += entry.path().filename().string().starts_with(prefix) ? 1 : 0;
  }
  return count;
}

// The replace ^IMG -> Photo (first occurrence, regular expression) in the panel.
void SetReplace(tessivo::Session& session) {
  using namespace tessivo;
  ModePanel& panel = session.panel;
  panel.At(ctl::kSearchText).text = u"^IMG";
  panel.At(ctl::kReplacementText).text = u"Photo";
  panel.At(ctl::kReplaceWhich).value = 1;
  panel.At(ctl::kReplaceRegexp).value = 1;
  panel.At(ctl::kReplaceCase).value = 1;
  panel.At(ctl::kReplaceExtension).value = 0;
  session.run_state.names_current = false;
}

// Checks that all `files` names of `dir` start with `prefix`.
bool AllNamed(const char* dir, const char* prefix, int files, const char* after) {
  const int named = CountPrefixed(dir, prefix);
  if (named == files) return true;
  std::fprintf(stderr, "after %s: %d of %d names start with %s\n", after, named, files, prefix);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tessivo;
  if (argc < 3) {
    std::fprintf(stderr, "usage: gui_run DIR headless|window\n");
    return 2;
  }
  const bool window = std::strcmp(argv[2], "window") == 0;
  const bool replace_window = std::strcmp(argv[2], "replace-window") == 0;
  const bool replace_headless = std::strcmp(argv[2], "replace-headless") == 0;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  PosixFileSystem fs;
  SystemTimeZone zone;
  QtMessageSink sink;
  // A box would wait for a click: each is answered Yes (or OK) and named on stderr.
  sink.answer_for_tests = [](const MessageBox& box) {
    std::fprintf(stderr, "box: %s\n", Utf16ToUtf8(box.text).c_str());
    return HasStyle(box.style, box::kYesNo) ? kAnswerYes : kAnswerOk;
  };
  Result<ProgramLocation> location = LocateProgram(ProgramEnvironment::FromProcess(), fs);
  if (!location) return 2;
  Session session(fs, sink, zone, *location);
  session.Start(StartOverrides{}, FileTimeFromUnix(1700000000, 0));
  const std::u16string dir = Utf8ToUtf16(argv[1]);

  const FileTime now = FileTimeFromUnix(1800000000, 0);
  if (replace_headless) {
    session.AddPaths({dir}, AddSource::kDrop);
    const int files = session.list.Count();
    session.SelectMode(static_cast<int>(RenameMode::kReplace));
    SetReplace(session);
    QElapsedTimer t;
    t.start();
    session.Preview(now);
    std::printf("confirm %.4f s\n", Seconds(t));
    t.start();
    session.ExecuteShownNames(now);
    std::printf("execute %.4f s\n", Seconds(t));
    if (!AllNamed(argv[1], "Photo_", files, "execute")) return 1;
    t.start();
    session.undo.EnterUndo(kUndoCommandSlot, session.MakeUndoContext());
    session.undo.RunUndo(UndoAction::kPerform, session.MakeUndoContext());
    std::printf("undo %.4f s\n", Seconds(t));
    return AllNamed(argv[1], "IMG_", files, "undo") ? 0 : 1;
  }
  if (replace_window) {
    MainWindow main(session, sink);
    main.show();
    QApplication::processEvents();
    main.AddDroppedPaths({dir});
    const int files = session.list.Count();
    const int mode_index = ModeIndex(RenameMode::kReplace);
    main.Apply(main.controller().ModeButtonPressed(TabOfModeIndex(mode_index),
                                                   ButtonOfModeIndex(mode_index)));
    SetReplace(session);
    CommandResult panel_changed;
    panel_changed.panel = true;
    main.Apply(panel_changed);
    // Every progress repaint of the panel's bar is stamped.
    QElapsedTimer clock;
    clock.start();
    qint64 last_paint = 0;
    qint64 gap = 0;
    const std::function<void(int)> show_progress = session.progress;
    qint64 painting = 0;
    int paints = 0;
    session.progress = [&](int percent) {
      const qint64 before = clock.nsecsElapsed();
      show_progress(percent);
      painting += clock.nsecsElapsed() - before;
    };
    PaintStamps stamps([&] {
      const qint64 at = clock.nsecsElapsed();
      ++paints;
      gap = std::max(gap, at - last_paint);
      last_paint = at;
    });
    QProgressBar* bar = main.panel()->findChild<QProgressBar*>();
    if (bar == nullptr) return 2;
    bar->installEventFilter(&stamps);
    auto timed = [&](const char* name, auto&& step) {
      QApplication::processEvents();
      main.controller().ClearBusy();
      QElapsedTimer s;
      s.start();
      last_paint = clock.nsecsElapsed();
      gap = 0;
      painting = 0;
      paints = 0;
      step();
      QApplication::processEvents();
      const double took = Seconds(s);
      gap = std::max(gap, clock.nsecsElapsed() - last_paint);
      std::printf("%s %.4f s\ngap %s %.4f s\n%d progress repaints, %.4f s in the progress calls\n", name, took, name,
                  static_cast<double>(gap) / 1e9, paints, static_cast<double>(painting) / 1e9);
    };
    timed("confirm", [&] { main.RunCommand(cmd::kConfirm); });
    timed("execute", [&] { main.RunCommand(cmd::kExecute); });
    if (!AllNamed(argv[1], "Photo_", files, "execute")) return 1;
    // Entering undo mode loads the log into the list with the bar still:
    // its share of the gap is printed on its own.
    qint64 load_gap = 0;
    timed("undo", [&] {
      main.RunCommand(cmd::kUndoMode);
      load_gap = std::max(gap, clock.nsecsElapsed() - last_paint);
      QApplication::processEvents();
      main.RunCommand(cmd::kExecute);
    });
    std::printf("gap undo-load %.4f s\n", static_cast<double>(load_gap) / 1e9);
    return AllNamed(argv[1], "IMG_", files, "undo") ? 0 : 1;
  }

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
