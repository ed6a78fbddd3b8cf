#pragma once
// SerialAssistDialog: "連番入力支援", the serial input support dialog of the
// serial mode. It shows a serial text split into its parts (text before the
// number 1666, start digits or letters 1668, the increment's sign 1669 and
// size 1670, text after 1667) and gives back the parts as edited; the caller
// splits and joins the text (SplitSerialText, JoinSerialText) and decides
// what OK writes.

#include <QDialog>

#include "modes/serial.h"

class QComboBox;
class QLineEdit;

namespace tessivo {

class SerialAssistDialog : public QDialog {
  Q_OBJECT

 public:
  // `mode_name` is shown in the title line "[mode] 入力支援".
  SerialAssistDialog(const SerialFields& fields, const QString& mode_name,
                     QWidget* parent = nullptr);

  // The parts as they stand; an empty increment counts as "1".
  SerialFields Fields() const;

 private:
  QLineEdit* before_;
  QLineEdit* start_;
  QComboBox* sign_;
  QLineEdit* increment_;
  QLineEdit* after_;
};

}  // namespace tessivo
