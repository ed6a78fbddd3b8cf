// tessivo-gui: the window program. The same engine as the headless
// `tessivo`, with the window the user drops files on.

#include <QApplication>
#include <QTimer>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/session.h"
#include "modes/mode_catalogue.h"
#include "platform/desktop_entry.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"
#include "platform/process_state.h"
#include "platform/program_folder.h"
#include "ui/command_table.h"
#include "ui/main_window.h"
#include "ui/qt_message_sink.h"

int main(int argc, char** argv) {
  using namespace tessivo;
  QApplication app(argc, argv);  // takes Qt's own switches out of argv
  QApplication::setApplicationName(QStringLiteral("tessivo"));
  QApplication::setApplicationVersion(QStringLiteral(TESSIVO_VERSION));
  if (!InstallQtJapanese()) {
    std::cerr << "tessivo-gui: qtbase_ja.qm not found (package qt6-translations-l10n): "
                 "Qt's own buttons stay English\n";
  }

  std::vector<std::u16string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8ToUtf16(argv[i]));

  PosixFileSystem fs;
  SystemTimeZone zone;
  const FileTime now = CurrentFileTime();
  const CalendarTime local_now = zone.ToLocal(now).value_or(CalendarTime{});
  const ProgramEnvironment env = ProgramEnvironment::FromProcess();
  Result<ProgramLocation> location = LocateProgram(env, fs);
  if (!location) {
    std::cerr << "tessivo-gui: no program folder: " << Utf16ToUtf8(location.error().detail)
              << "\n";
    return 2;
  }

  QtMessageSink sink;
  Session session(fs, sink, zone, *location);
  session.settings.LoadOne(TextKey::kAutoaddopt);
  const CommandLine cl =
      ParseCommandLine(args, session.settings.Text(TextKey::kAutoaddopt), local_now);
  if (const CommandLineDiagnostic* stopper = RunStopper(cl)) {
    std::cerr << "tessivo-gui: " << Utf16ToUtf8(stopper->message) << "\n";
    return 2;
  }
  // "/test" given to the window program itself (not within an automatic
  // run) also opens the window in test mode: it previews and changes nothing.
  session.messenger.set_test_mode(cl.test_mode || cl.dry_run_given);
  StartOverrides overrides;
  overrides.file_folder = cl.file_folder;
  overrides.dropped_folder = cl.dropped_folder;
  // The first-start dialog comes with the options pages; until then a first
  // start shows none.
  (void)session.Start(overrides, now, IsDesktopEntryInstalled(env, fs));

  MainWindow window(session, sink);
  window.show();
  // The third start-up stage runs once the window is up.
  const std::u16string working_folder = WorkingFolder();
  QTimer::singleShot(100, &window, [&] { window.LoadCommandLine(cl, working_folder); });
  // scripts/screenshot.sh: TESSIVO_SCREENSHOT=FILE.png [TESSIVO_SCREENSHOT_SIZE=WxH] writes
  // a picture of the window once it has settled, and ends the program.
  const QString shot = qEnvironmentVariable("TESSIVO_SCREENSHOT");
  if (!shot.isEmpty()) {
    const QStringList size = qEnvironmentVariable("TESSIVO_SCREENSHOT_SIZE").split(QLatin1Char('x'));
    if (size.size() == 2) window.resize(size[0].toInt(), size[1].toInt());
    // TESSIVO_SCREENSHOT_MODE=N: the panel of RenameMode N.
    if (const int mode = qEnvironmentVariableIntValue("TESSIVO_SCREENSHOT_MODE"); mode > 0) {
      QTimer::singleShot(700, &window, [&window, mode] {
        window.Apply(window.controller().ModeButtonPressed(TabOfModeIndex(mode - 1),
                                                           ButtonOfModeIndex(mode - 1)));
      });
    }
    // TESSIVO_SCREENSHOT_UNDO=1: undo mode (変更UNDO) with the last change's log.
    if (qEnvironmentVariableIsSet("TESSIVO_SCREENSHOT_UNDO")) {
      QTimer::singleShot(1000, &window, [&window] { window.RunCommand(cmd::kUndoMode); });
    }
    // TESSIVO_SCREENSHOT_CONFIRM=1: the picture shows a preview (変更確認) of the list.
    if (qEnvironmentVariableIsSet("TESSIVO_SCREENSHOT_CONFIRM")) {
      QTimer::singleShot(1000, &window, [&window] { window.RunCommand(cmd::kConfirm); });
    }
    QTimer::singleShot(1500, &window, [&window, shot] {
      const bool saved = window.grab().save(shot, "PNG");
      if (!saved) std::cerr << "tessivo-gui: cannot write " << shot.toStdString() << "\n";
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}
