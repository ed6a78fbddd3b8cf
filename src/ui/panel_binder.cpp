#include "ui/panel_binder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTime>
#include <QTimeEdit>
#include <algorithm>

#include "modes/calendar.h"

namespace tessivo {
namespace {

QString Q(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string U(const QString& text) { return text.toStdU16String(); }

// Fixed entries are translated; the entries of editable boxes are the user's
// own texts (histories) or formats matched by their text, and the macro
// slots are macro names, except the empty slot.
bool TranslatesItems(const PanelControl& c) {
  return c.kind == ControlKind::kComboBox && c.id != ctl::kMacroSlot;
}

QString ItemText(const PanelControl& c, const std::u16string& item) {
  if (TranslatesItems(c) || item == kEmptyMacroSlot) return TranslatedText(item);
  return Q(item);
}

Qt::CheckState CheckStateOf(int value) {
  if (value == 2) return Qt::PartiallyChecked;
  return value != 0 ? Qt::Checked : Qt::Unchecked;
}

int ValueOf(Qt::CheckState state) {
  if (state == Qt::PartiallyChecked) return 2;
  return state == Qt::Checked ? 1 : 0;
}

void SetLineText(QLineEdit* edit, const QString& text) {
  if (edit->text() != text) edit->setText(text);
}

}  // namespace

QString TranslatedText(std::u16string_view text) {
  const QByteArray utf8 = Q(text).toUtf8();
  return QCoreApplication::translate("ModePanel", utf8.constData());
}

PanelBinder::PanelBinder(ModePanel& panel, QObject* parent) : QObject(parent), panel_(panel) {}

PanelControl& PanelBinder::Control(int id) {
  return id == kListFilterBinding ? panel_.list_filter : panel_.At(id);
}

QWidget* PanelBinder::WidgetOf(int id) const {
  auto it = bound_.find(id);
  return it == bound_.end() ? nullptr : it->second.widget;
}

void PanelBinder::Bind(int id, QWidget* widget, std::vector<QWidget*> companions) {
  Bound& b = bound_[id];
  b.widget = widget;
  b.companions = std::move(companions);
  if (auto* combo = qobject_cast<QComboBox*>(widget); combo != nullptr && combo->isEditable()) {
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);  // typing must not complete from the history
  }
  if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    box->setTristate(Control(id).kind == ControlKind::kTriStateBox);
  }
  Connect(id, widget);
  Push(id);
}

void PanelBinder::Edited(int id) {
  if (pushing_ == 0) emit edited(id);
}

void PanelBinder::Connect(int id, QWidget* widget) {
  const ControlKind kind = Control(id).kind;
  switch (kind) {
    case ControlKind::kEdit:
      connect(qobject_cast<QLineEdit*>(widget), &QLineEdit::textChanged, this,
              [this, id](const QString& text) {
                if (pushing_ != 0) return;
                Control(id).text = U(text);
                Edited(id);
              });
      break;
    case ControlKind::kCheckBox:
    case ControlKind::kTriStateBox:
      connect(qobject_cast<QCheckBox*>(widget), &QCheckBox::stateChanged, this,
              [this, id](int state) {
                if (pushing_ != 0) return;
                Control(id).value = ValueOf(static_cast<Qt::CheckState>(state));
                Edited(id);
              });
      break;
    case ControlKind::kComboBox:
      connect(qobject_cast<QComboBox*>(widget), &QComboBox::currentIndexChanged, this,
              [this, id](int index) {
                if (pushing_ != 0 || index < 0) return;
                Control(id).value = index;
                Edited(id);
              });
      break;
    case ControlKind::kEditableCombo:
      connect(qobject_cast<QComboBox*>(widget), &QComboBox::editTextChanged, this,
              [this, id](const QString& text) {
                if (pushing_ != 0) return;
                PanelControl& c = Control(id);
                c.text = U(text);
                auto it = std::find(c.items.begin(), c.items.end(), c.text);
                c.value = it == c.items.end() ? -1 : static_cast<int>(it - c.items.begin());
                Edited(id);
              });
      break;
    case ControlKind::kDatePicker:
      connect(qobject_cast<QDateEdit*>(widget), &QDateEdit::dateChanged, this,
              [this, id](const QDate& date) {
                if (pushing_ != 0) return;
                CalendarTime& t = Control(id).time;
                t.year = static_cast<std::uint16_t>(date.year());
                t.month = static_cast<std::uint16_t>(date.month());
                t.day = static_cast<std::uint16_t>(date.day());
                t.day_of_week =
                    static_cast<std::uint16_t>(DayOfWeek(date.year(), date.month(), date.day()));
                Edited(id);
              });
      break;
    case ControlKind::kTimePicker:
      connect(qobject_cast<QTimeEdit*>(widget), &QTimeEdit::timeChanged, this,
              [this, id](const QTime& time) {
                if (pushing_ != 0) return;
                CalendarTime& t = Control(id).time;
                t.hour = static_cast<std::uint16_t>(time.hour());
                t.minute = static_cast<std::uint16_t>(time.minute());
                t.second = static_cast<std::uint16_t>(time.second());
                Edited(id);
              });
      break;
    case ControlKind::kStatic:
    case ControlKind::kButton:
      break;
  }
}

void PanelBinder::Push() {
  for (const auto& [id, bound] : bound_) Push(id);
}

void PanelBinder::Push(int id) {
  auto it = bound_.find(id);
  if (it == bound_.end()) return;
  Bound& b = it->second;
  const PanelControl& c = Control(id);
  ++pushing_;
  switch (c.kind) {
    case ControlKind::kEdit:
      SetLineText(qobject_cast<QLineEdit*>(b.widget), Q(c.text));
      break;
    case ControlKind::kCheckBox:
    case ControlKind::kTriStateBox: {
      auto* box = qobject_cast<QCheckBox*>(b.widget);
      box->setText(TranslatedText(c.text));
      box->setCheckState(
          CheckStateOf(c.kind == ControlKind::kCheckBox && c.value != 0 ? 1 : c.value));
      break;
    }
    case ControlKind::kComboBox:
    case ControlKind::kEditableCombo: {
      auto* combo = qobject_cast<QComboBox*>(b.widget);
      if (!b.items_pushed || b.items_shown != c.items) {
        combo->clear();
        for (const std::u16string& item : c.items) combo->addItem(ItemText(c, item));
        b.items_shown = c.items;
        b.items_pushed = true;
      }
      const int index = c.value >= 0 && c.value < combo->count() ? c.value : -1;
      if (c.kind == ControlKind::kComboBox) {
        if (combo->currentIndex() != index) combo->setCurrentIndex(index);
      } else {
        // An index that does not show the text (a typed text equal to no
        // entry) is not selected: the field shows the text.
        const bool shows_item = index >= 0 && c.items[static_cast<std::size_t>(index)] == c.text;
        if (combo->currentIndex() != (shows_item ? index : -1)) {
          combo->setCurrentIndex(shows_item ? index : -1);
        }
        SetLineText(combo->lineEdit(), Q(c.text));
      }
      break;
    }
    case ControlKind::kStatic:
      qobject_cast<QLabel*>(b.widget)->setText(TranslatedText(c.text));
      break;
    case ControlKind::kButton:
      qobject_cast<QPushButton*>(b.widget)->setText(TranslatedText(c.text));
      break;
    case ControlKind::kDatePicker: {
      const QDate date(c.time.year, c.time.month, c.time.day);
      auto* edit = qobject_cast<QDateEdit*>(b.widget);
      if (date.isValid() && edit->date() != date) edit->setDate(date);
      break;
    }
    case ControlKind::kTimePicker: {
      const QTime time(c.time.hour, c.time.minute, c.time.second);
      auto* edit = qobject_cast<QTimeEdit*>(b.widget);
      if (time.isValid() && edit->time() != time) edit->setTime(time);
      break;
    }
  }
  b.widget->setEnabled(c.enabled);
  b.widget->setVisible(c.visible);
  for (QWidget* companion : b.companions) {
    companion->setEnabled(c.enabled);
    companion->setVisible(c.visible);
  }
  --pushing_;
}

}  // namespace tessivo
