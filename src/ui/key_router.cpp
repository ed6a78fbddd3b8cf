#include "ui/key_router.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "ui/command_table.h"

namespace tessivo {
namespace {

enum class KeyClass { kAlways, kEditFirst, kWindowUnlessNameEdit };

KeyClass ClassOf(int command) {
  switch (command) {
    case cmd::kSelectAllKey:
    case cmd::kCut:
    case cmd::kCopy:
    case cmd::kPaste:
    case cmd::kDeleteSelected:
    case cmd::kReset:
      return KeyClass::kEditFirst;
    case cmd::kEnter:
    case cmd::kShiftEnter:
    case cmd::kNextControl:
    case cmd::kPreviousControl:
    case cmd::kEscape:
      return KeyClass::kWindowUnlessNameEdit;
    default:
      return KeyClass::kAlways;
  }
}

bool IsEditBox(const QWidget* w) {
  if (w == nullptr) return false;
  if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
      qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w)) {
    return true;
  }
  const auto* combo = qobject_cast<const QComboBox*>(w);
  return combo != nullptr && combo->isEditable();
}

// An editor the list opened in place (its parent is the list's viewport).
bool IsNameEdit(const QWidget* w) {
  for (const QWidget* p = w; p != nullptr; p = p->parentWidget()) {
    if (qobject_cast<const QAbstractItemView*>(p)) return p != w;
  }
  return false;
}

}  // namespace

int CommandOfKey(int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers m =
      modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const bool ctrl = m == Qt::ControlModifier;
  const bool alt = m == Qt::AltModifier;
  const bool none = m == Qt::NoModifier;
  switch (key) {
    case Qt::Key_F: return ctrl ? cmd::kOpenFolder : 0;
    case Qt::Key_F1: return none ? cmd::kHelp : 0;
    case Qt::Key_X: return ctrl ? cmd::kCut : 0;
    case Qt::Key_C: return ctrl ? cmd::kCopy : 0;
    case Qt::Key_V: return ctrl ? cmd::kPaste : 0;
    case Qt::Key_Tab: return none ? cmd::kNextControl : 0;
    case Qt::Key_Backtab: return m == Qt::ShiftModifier || none ? cmd::kPreviousControl : 0;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return none ? cmd::kEnter : (m == Qt::ShiftModifier ? cmd::kShiftEnter : 0);
    case Qt::Key_Up: return alt ? cmd::kMoveUp : 0;
    case Qt::Key_Down: return alt ? cmd::kMoveDown : 0;
    case Qt::Key_Delete: return none ? cmd::kDeleteSelected : 0;
    case Qt::Key_Z: return ctrl ? cmd::kReset : 0;
    case Qt::Key_B: return ctrl ? cmd::kUndoMode : 0;
    case Qt::Key_F5: return none ? cmd::kRefresh : 0;
    case Qt::Key_PageDown: return none ? cmd::kPageDown : 0;
    case Qt::Key_PageUp: return none ? cmd::kPageUp : 0;
    case Qt::Key_D: return ctrl ? cmd::kFolderMode : 0;
    case Qt::Key_A: return ctrl ? cmd::kSelectAllKey : 0;
    case Qt::Key_Left: return alt ? cmd::kPreviousMode : 0;
    case Qt::Key_Right: return alt ? cmd::kNextMode : 0;
    case Qt::Key_1: return ctrl ? cmd::kPreviousMode : 0;
    case Qt::Key_2: return ctrl ? cmd::kNextMode : 0;
    case Qt::Key_S: return ctrl ? cmd::kSaveCsv : 0;
    case Qt::Key_O: return ctrl ? cmd::kOpenCsv : 0;
    case Qt::Key_Escape: return none ? cmd::kEscape : 0;
    case Qt::Key_F2: return none ? cmd::kDirectRename : 0;
    case Qt::Key_E: return ctrl ? cmd::kTextEditor : 0;
    default: return 0;
  }
}

KeyRouter::KeyRouter(QWidget* window, std::function<bool(int)> available,
                     std::function<void(int)> run)
    : QObject(window), window_(window), available_(std::move(available)), run_(std::move(run)) {}

bool KeyRouter::Route(QObject* watched, QKeyEvent* key, bool run) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != window_) return false;
  const int command = CommandOfKey(key->key(), key->modifiers());
  if (command == 0) return false;
  QWidget* focus = QApplication::focusWidget();
  switch (ClassOf(command)) {
    case KeyClass::kEditFirst:
      if (IsEditBox(focus) && !IsNameEdit(focus)) return false;
      break;
    case KeyClass::kWindowUnlessNameEdit:
      if (IsNameEdit(focus)) return false;
      break;
    case KeyClass::kAlways:
      break;
  }
  // The key is the window's even while its command cannot run (busy, a
  // long operation, a later version's command): a control must not act on
  // it instead (the list's own Ctrl+A would select row by row).
  if (run && available_(command)) run_(command);
  return true;
}

bool KeyRouter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // Claim the key, so no control's own shortcut takes it first.
    if (Route(watched, static_cast<QKeyEvent*>(event), /*run=*/false)) {
      event->accept();
      return true;
    }
  } else if (event->type() == QEvent::KeyPress) {
    if (Route(watched, static_cast<QKeyEvent*>(event), /*run=*/true)) return true;
  }
  return QObject::eventFilter(watched, event);
}

ScanInputGuard::ScanInputGuard() { qApp->installEventFilter(this); }

ScanInputGuard::~ScanInputGuard() { qApp->removeEventFilter(this); }

bool ScanInputGuard::EscapeHeld() {
  if (!since_pump_.isValid() || since_pump_.elapsed() >= 30) {
    QApplication::processEvents(QEventLoop::AllEvents);
    since_pump_.restart();
  }
  return escape_down_;
}

bool ScanInputGuard::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const auto* key = static_cast<QKeyEvent*>(event);
      // A held key repeats as release-press pairs; only a real release ends it.
      if (key->key() == Qt::Key_Escape && !(event->type() == QEvent::KeyRelease && key->isAutoRepeat())) {
        escape_down_ = event->type() == QEvent::KeyPress;
      }
      return true;
    }
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Drop:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Close:
    case QEvent::ContextMenu:
      return true;
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace tessivo
