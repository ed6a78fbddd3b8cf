#pragma once
// KeyRouter: the window's accelerators, translated before any control sees
// the key.
//
// Installed on the application, it looks at key presses aimed at the main
// window and its children (never at dialogs or menus) and turns the keys of
// the command table into commands:
// - Ctrl+A, Ctrl+X/C/V, Del and Ctrl+Z stay with a focused edit box (a line
//   edit, an editable combo box, a spin box, a text editor); elsewhere they
//   are the window's commands.
// - Enter, Shift+Enter, Tab, Shift+Tab and Esc are the window's, except
//   inside the list's in-place name edit (which they end or cancel).
// - Every other key of the table is always the window's.
// A key the window takes does nothing while its command is not available.
//
// ScanInputGuard: while a long loop pumps events (a scan polling Escape),
// only the Escape key gets through; input of every other kind is swallowed,
// so no command can start inside the loop.

#include <QElapsedTimer>
#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

namespace tessivo {

// The command of a key press, or 0.
int CommandOfKey(int key, Qt::KeyboardModifiers modifiers);

class KeyRouter final : public QObject {
  Q_OBJECT

 public:
  // `window` is the main window (borrowed). `available(id)` tells whether a
  // command may run now; `run(id)` runs it.
  KeyRouter(QWidget* window, std::function<bool(int)> available, std::function<void(int)> run);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Route(QObject* watched, QKeyEvent* key, bool run);

  QWidget* window_;
  std::function<bool(int)> available_;
  std::function<void(int)> run_;
};

class ScanInputGuard final : public QObject {
  Q_OBJECT

 public:
  ScanInputGuard();
  ~ScanInputGuard() override;

  // The cancel poll of a scan: pumps the event queue at the first poll and
  // then at most every 30 ms, and tells whether Escape is held down.
  bool EscapeHeld();

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QElapsedTimer since_pump_;
  bool escape_down_ = false;
};

}  // namespace tessivo
