#pragma once
// The "プロパティ" dialog of a row's file (40064): read-only facts from the
// file system: path, kind, size, both times and the attributes.

#include <QDialog>
#include <string>

namespace tessivo {

class FileSystem;

class PropertiesDialog final : public QDialog {
  Q_OBJECT

 public:
  // Looks `path` up through `fs`; a path that cannot be looked up shows the reason.
  PropertiesDialog(FileSystem& fs, const std::u16string& path, QWidget* parent = nullptr);
};

}  // namespace tessivo
