#pragma once
// FileListModel: the file list as a Qt table, read straight from the
// engine's FileList.
//
// Nothing is copied per row: data() builds a cell's text when the view asks
// for it, so a list of 50,000 rows costs no more than the rows on screen.
// The list's own selection and focus flags are the truth; the view gets them
// pushed as merged ranges (MainWindow::PushSelection), never row by row.
//
// The model never changes the list (an in-place name edit is only reported). Whoever changes it calls Reset() (or
// wraps the change in Change()), one reset per engine operation.
//
// Borrows the list, which must outlive the model.

#include <QAbstractTableModel>
#include <QIcon>
#include <array>

#include "core/file_item.h"
#include "core/file_list.h"

namespace tessivo {

class FileListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit FileListModel(const FileList& list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // The in-place edit of an old name ended: the model changes nothing
  // itself (a rename on disk decides), it reports the text by nameEdited.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 signals:
  void nameEdited(int row, const QString& text);

 public:

  // Runs `change` (which may change the list in any way) inside one model reset.
  template <typename F>
  void Change(F&& change) {
    beginResetModel();
    change();
    endResetModel();
  }
  // The list changed already: the views read it anew.
  void Reset() {
    beginResetModel();
    endResetModel();
  }

  // The header text of `cell`: in undo mode the folder column holds the
  // log's remarks.
  static QString HeaderText(Cell cell, int date_kind, bool undo_mode);
  // The 16×16 icon of a status (null for kUnchecked).
  const QIcon& StatusIcon(FileStatus status) const;

 private:
  const FileList& list_;
  std::array<QIcon, kFileStatusCount> icons_;
};

}  // namespace tessivo
