#include "ui/qt_message_sink.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <iostream>

#include "core/headless_message_sink.h"
#include "core/message_text.h"

namespace tessivo {
namespace {

// The style's field under `mask` (the icon, or the buttons).
BoxStyle FieldOf(BoxStyle style, unsigned mask) {
  return static_cast<BoxStyle>(static_cast<unsigned>(style) & mask);
}

QMessageBox::Icon IconOf(BoxStyle style) {
  const BoxStyle icon = FieldOf(style, 0xF0u);
  if (icon == box::kIconStop) return QMessageBox::Critical;
  if (icon == box::kIconQuestion) return QMessageBox::Question;
  if (icon == box::kIconWarning) return QMessageBox::Warning;
  if (icon == box::kIconInformation) return QMessageBox::Information;
  return QMessageBox::NoIcon;
}

// The buttons of a style, in the order the default-button bits count them.
std::vector<std::pair<QMessageBox::StandardButton, int>> ButtonsOf(BoxStyle style) {
  const BoxStyle buttons = FieldOf(style, 0xFu);
  if (buttons == box::kOkCancel) {
    return {{QMessageBox::Ok, kAnswerOk}, {QMessageBox::Cancel, kAnswerCancel}};
  }
  if (buttons == box::kYesNoCancel) {
    return {{QMessageBox::Yes, kAnswerYes},
            {QMessageBox::No, kAnswerNo},
            {QMessageBox::Cancel, kAnswerCancel}};
  }
  if (buttons == box::kYesNo) return {{QMessageBox::Yes, kAnswerYes}, {QMessageBox::No, kAnswerNo}};
  return {{QMessageBox::Ok, kAnswerOk}};
}

QString ToQString(const std::u16string& text) { return QString::fromStdU16String(text); }

// A catalogue text through the translator: the Japanese text is the source
// and the key tells apart entries that read alike.
QString Translated(MessageId id) {
  const QByteArray source = QString::fromStdU16String(std::u16string(Text(id))).toUtf8();
  const std::string key(KeyOf(id));
  return QCoreApplication::translate("Message", source.constData(), key.c_str());
}

// What the box shows: the catalogue's texts translated where the box says
// which they were, else the text as composed.
QString TitleOf(const MessageBox& box) {
  return box.title_id ? Translated(*box.title_id) : ToQString(box.title);
}

QString TextOf(const MessageBox& box) {
  if (!box.text_id) return ToQString(box.text);
  // The values go in after translation, so a translation may move them.
  const std::u16string pattern = Translated(*box.text_id).toStdU16String();
  return ToQString(FillMessage(pattern, std::span<const std::u16string>(box.args)));
}

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
  QMessageBox message(IconOf(box.style), TitleOf(box), TextOf(box),
                      QMessageBox::NoButton, box.owned ? parent_.data() : nullptr);
  if (!box.owned || HasStyle(box.style, box::kTopMost)) {
    message.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  }
  const auto buttons = ButtonsOf(box.style);
  for (const auto& [button, answer] : buttons) message.addButton(button);
  std::size_t default_index = 0;
  if (HasStyle(box.style, box::kDefButton3)) default_index = 2;
  else if (HasStyle(box.style, box::kDefButton2)) default_index = 1;
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
