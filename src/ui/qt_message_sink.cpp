#include "ui/qt_message_sink.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <iostream>

#include "core/headless_message_sink.h"

namespace tessivo {
namespace {

QMessageBox::Icon IconOf(unsigned style) {
  switch (style & 0xF0u) {
    case box::kIconStop:
      return QMessageBox::Critical;
    case box::kIconQuestion:
      return QMessageBox::Question;
    case box::kIconWarning:
      return QMessageBox::Warning;
    case box::kIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// The buttons of a style, in the order the default-button bits count them.
std::vector<std::pair<QMessageBox::StandardButton, int>> ButtonsOf(unsigned style) {
  switch (style & 0xFu) {
    case box::kOkCancel:
      return {{QMessageBox::Ok, kAnswerOk}, {QMessageBox::Cancel, kAnswerCancel}};
    case box::kYesNoCancel:
      return {{QMessageBox::Yes, kAnswerYes},
              {QMessageBox::No, kAnswerNo},
              {QMessageBox::Cancel, kAnswerCancel}};
    case box::kYesNo:
      return {{QMessageBox::Yes, kAnswerYes}, {QMessageBox::No, kAnswerNo}};
    default:
      return {{QMessageBox::Ok, kAnswerOk}};
  }
}

QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }

}  // namespace

bool InstallQtJapanese() {
  static QTranslator* translator = nullptr;  // lives as long as the program
  if (translator != nullptr) return true;
  auto* loaded = new QTranslator(QCoreApplication::instance());
  if (!loaded->load(QStringLiteral("qtbase_ja"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete loaded;
    return false;
  }
  QCoreApplication::installTranslator(loaded);
  translator = loaded;
  return true;
}

int QtMessageSink::Show(const MessageBox& box) {
  if (answer_for_tests) return answer_for_tests(box);
  QMessageBox message(IconOf(box.style), ToQString(box.title), ToQString(box.text),
                      QMessageBox::NoButton, box.owned ? parent_.data() : nullptr);
  if (!box.owned || (box.style & box::kTopMost) != 0) {
    message.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  }
  const auto buttons = ButtonsOf(box.style);
  for (const auto& [button, answer] : buttons) message.addButton(button);
  std::size_t default_index = 0;
  if ((box.style & box::kDefButton3) != 0) default_index = 2;
  else if ((box.style & box::kDefButton2) != 0) default_index = 1;
  if (default_index < buttons.size()) message.setDefaultButton(buttons[default_index].first);
  // Escape answers Cancel where there is one, else the last button (No or OK).
  message.setEscapeButton(buttons.back().first);
  const int clicked = message.exec();
  for (const auto& [button, answer] : buttons) {
    if (clicked == button) return answer;
  }
  return buttons.back().second;
}

void QtMessageSink::Note(const MessageBox& box, int answer) {
  std::ostream& out = err_ != nullptr ? *err_ : std::cerr;
  out << FormatMessageLine(box, answer, /*wanted_display=*/false) << "\n";
  out.flush();
}

}  // namespace tessivo
