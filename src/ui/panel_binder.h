#pragma once
// PanelBinder: keeps the widgets of the mode panel in step with the engine's
// ModePanel, control by control, keyed by the control number.
//
// Model to widgets: Push() writes every bound control's text, value, items,
// time, enabled and visible flags into its widget; it is called after every
// command that may have changed the model (mode selection, reading the
// parameters, which rewrites values and histories, clearing name fields).
// Only what differs is written, so a push never moves the cursor of a field
// the user is typing in.
//
// Widgets to model: every user edit is written into its control at once and
// reported by edited(id); the binder applies no rule itself. Changes made by
// Push() are not reported.
//
// Widget classes by control kind: edit QLineEdit, check box QCheckBox,
// three-state box QCheckBox with three states (2 = partially checked),
// combo box QComboBox, editable combo box QComboBox editable with
// NoInsert, static QLabel, button QPushButton, pickers QDateEdit/QTimeEdit.
//
// The binder borrows the panel, which must outlive it.

#include <QObject>
#include <QString>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "modes/mode_panel.h"

class QWidget;

namespace tessivo {

// The narrowing box of the list is bound under this number: it is a
// ModePanel field (list_filter) but no control of any mode.
inline constexpr int kListFilterBinding = 0;

// Engine texts shown as labels and fixed entries go through the window's
// translation, the Japanese text being the source.
QString TranslatedText(std::u16string_view text);

class PanelBinder : public QObject {
  Q_OBJECT

 public:
  explicit PanelBinder(ModePanel& panel, QObject* parent = nullptr);

  // Binds control `id` (or kListFilterBinding) to `widget`, whose class must
  // fit the control's kind. `companions` are unnumbered labels that are
  // shown, hidden, enabled and disabled with the control.
  void Bind(int id, QWidget* widget, std::vector<QWidget*> companions = {});

  // Model to widgets, for every bound control or for one.
  void Push();
  void Push(int id);

  QWidget* WidgetOf(int id) const;

 signals:
  // A user edit of control `id` has been written into the model.
  void edited(int id);

 private:
  struct Bound {
    QWidget* widget = nullptr;
    std::vector<QWidget*> companions;
    std::vector<std::u16string> items_shown;
    bool items_pushed = false;
  };

  PanelControl& Control(int id);
  void Connect(int id, QWidget* widget);
  void Edited(int id);

  ModePanel& panel_;
  std::map<int, Bound> bound_;
  int pushing_ = 0;  // nesting depth of Push(): edits made by it are not the user's
};

}  // namespace tessivo
