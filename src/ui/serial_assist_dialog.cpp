#include "ui/serial_assist_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tessivo {
namespace {

constexpr int kFieldChars = 127;  // each part contributes at most this much

QLineEdit* Field(int id, const std::u16string& text, QWidget* parent) {
  auto* edit = new QLineEdit(QString::fromStdU16String(text), parent);
  edit->setObjectName(QStringLiteral("id%1").arg(id));
  edit->setMaxLength(kFieldChars);
  return edit;
}

}  // namespace

SerialAssistDialog::SerialAssistDialog(const SerialFields& fields, const QString& mode_name,
                                       QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("連番入力支援"));
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(tr("[%1] 入力支援").arg(mode_name), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  auto* help = new QLabel(tr("以下のボックスに文字を入力してOKを押してください。メインウインドウに"
                             "あるボックスに反映されます。") +
                              QLatin1Char('\n') +
                              tr("特殊文字 \\f はフォルダ名、\\s(または\\:) "
                                 "はファイルサイズに変換されます。（ただし各1回のみ）"),
                          this);
  help->setWordWrap(true);
  layout->addWidget(help);

  auto* grid = new QGridLayout;
  before_ = Field(1666, fields.before, this);
  start_ = Field(1668, fields.start, this);
  after_ = Field(1667, fields.after, this);
  sign_ = new QComboBox(this);
  sign_->setObjectName(QStringLiteral("id1669"));
  sign_->addItems({tr("＋"), tr("－")});
  sign_->setCurrentIndex(fields.negative ? 1 : 0);
  increment_ = Field(1670, fields.increment, this);
  increment_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), this));
  increment_->setMaxLength(9);
  increment_->setFixedWidth(
      increment_->fontMetrics().horizontalAdvance(QStringLiteral("000000000")) + 12);

  grid->addWidget(new QLabel(tr("連番の前の文字 (空欄でもOK)"), this), 0, 0);
  grid->addWidget(before_, 0, 1);
  grid->addWidget(new QLabel(tr("連番開始の数字 or 英字"), this), 1, 0);
  auto* start_row = new QHBoxLayout;
  start_row->addWidget(start_, 1);
  start_row->addWidget(new QLabel(tr("(増分値"), this));
  start_row->addWidget(sign_);
  start_row->addWidget(increment_);
  start_row->addWidget(new QLabel(tr(")"), this));
  grid->addLayout(start_row, 1, 1);
  grid->addWidget(new QLabel(tr("連番の後の文字 (空欄でもOK)"), this), 2, 0);
  grid->addWidget(after_, 2, 1);
  layout->addLayout(grid);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(tr("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  setMinimumWidth(fontMetrics().averageCharWidth() * 100);
  start_->setFocus();
}

SerialFields SerialAssistDialog::Fields() const {
  SerialFields fields;
  fields.before = before_->text().toStdU16String();
  fields.start = start_->text().toStdU16String();
  fields.negative = sign_->currentIndex() == 1;
  fields.increment = increment_->text().isEmpty() ? u"1" : increment_->text().toStdU16String();
  fields.after = after_->text().toStdU16String();
  return fields;
}

}  // namespace tessivo
