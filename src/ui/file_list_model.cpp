#include "ui/file_list_model.h"

#include <string_view>

namespace tessivo {
namespace {

QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

}  // namespace

FileListModel::FileListModel(const FileList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
  for (int code = 1; code < kFileStatusCount; ++code) {
    icons_[static_cast<std::size_t>(code)] =
        QIcon(QStringLiteral(":/icons/status%1.svg").arg(code, 2, 10, QLatin1Char('0')));
  }
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.Count();
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.ColumnCount();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.Count()) return {};
  const int row = index.row();
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return ToQString(list_.GetText(row, column));
    case Qt::DecorationRole:
      if (column != 0) return {};
      if (const QIcon& icon = StatusIcon(list_.Item(row).status()); !icon.isNull()) return icon;
      return {};
    case Qt::ToolTipRole:
      if (column != 0) return {};
      if (const std::u16string_view legend = LegendText(list_.Item(row).status());
          !legend.empty()) {
        return ToQString(legend);
      }
      return {};
    case Qt::TextAlignmentRole:
      if (list_.CellOfColumn(column) == Cell::kSize) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      }
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  const std::optional<Cell> cell = list_.CellOfColumn(section);
  if (!cell) return {};
  if (role == Qt::DisplayRole) {
    return HeaderText(*cell, list_.options().date_kind, list_.undo_mode());
  }
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue((*cell == Cell::kSize ? Qt::AlignRight : Qt::AlignLeft) |
                               Qt::AlignVCenter);
  }
  return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  // Only the old name can be edited in place (F2, "直接リネーム", a click on a
  // selected name), and not in undo mode.
  if (list_.CellOfColumn(index.column()) == Cell::kName && !list_.undo_mode()) {
    flags |= Qt::ItemIsEditable;
  }
  return flags;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.row() >= list_.Count()) return false;
  if (list_.CellOfColumn(index.column()) != Cell::kName) return false;
  emit nameEdited(index.row(), value.toString());
  return false;
}

QString FileListModel::HeaderText(Cell cell, int date_kind, bool undo_mode) {
  switch (cell) {
    case Cell::kName:
      return tr("変更前");
    case Cell::kExtension:
      return tr("拡張子");
    case Cell::kFolder:
      return undo_mode ? tr("<備考>") : tr("フォルダ名");
    case Cell::kNewName:
      return tr("変更後");
    case Cell::kSize:
      return tr("サイズ");
    case Cell::kDate:
      return date_kind == kDateCreation ? tr("作成日時") : tr("更新日時");
  }
  return {};
}

const QIcon& FileListModel::StatusIcon(FileStatus status) const {
  const auto code = static_cast<std::size_t>(status);
  static const QIcon kNone;
  return code < icons_.size() ? icons_[code] : kNone;
}

}  // namespace tessivo
