#include "ui/properties_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include "core/file_list.h"
#include "platform/file_system.h"

namespace tessivo {
namespace {

QLabel* Value(const QString& text) {
  auto* label = new QLabel(text);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

PropertiesDialog::PropertiesDialog(FileSystem& fs, const std::u16string& path, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("properties"));
  setWindowTitle(tr("プロパティ"));
  auto* form = new QFormLayout;
  form->addRow(tr("場所:"), Value(QString::fromStdU16String(path)));
  const Result<FileInfo> info = fs.Stat(path);
  if (!info) {
    form->addRow(tr("エラー:"), Value(QString::fromStdU16String(info.error().detail)));
  } else {
    form->addRow(tr("種類:"), Value(info->is_directory ? tr("フォルダ") : tr("ファイル")));
    if (!info->is_directory) {
      form->addRow(tr("サイズ:"), Value(tr("%1 バイト").arg(QLocale::c().toString(
                                            static_cast<qulonglong>(info->size)))));
    }
    form->addRow(tr("作成日時:"),
                 Value(QString::fromStdU16String(FormatDateText(info->creation_time))));
    form->addRow(tr("更新日時:"),
                 Value(QString::fromStdU16String(FormatDateText(info->last_write_time))));
    QStringList attributes;
    if (info->attributes & attr::kReadOnly) attributes << tr("読み取り専用");
    if (info->attributes & attr::kHidden) attributes << tr("隠しファイル");
    if (info->attributes & attr::kSystem) attributes << tr("システム");
    if (info->attributes & attr::kArchive) attributes << tr("アーカイブ");
    form->addRow(tr("属性:"), Value(attributes.isEmpty() ? tr("なし")
                                                        : attributes.join(QStringLiteral("、"))));
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

}  // namespace tessivo
