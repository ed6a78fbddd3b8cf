#pragma once
// MainWindow: the program's one top-level window ("Tessivo").
//
// It lays out the mode panel's place, the file list and the status bar,
// builds every menu, toolbar button and key from the command table, and
// routes each command to the engine; after an engine operation it resets
// the list model once and pushes the list's selection into the view as
// merged ranges. The list's own flags are the truth for selection and
// focus: the view's changes come back as deltas.
//
// It is the list's StatusSink: notices of long operations show in the first
// field of the status bar, repainted at once because those loops pump no
// events.
//
// The session and the message sink are borrowed and must outlive the window.

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/session.h"
#include "core/sort.h"
#include "core/status_sink.h"

class QAction;
class QItemSelection;
class QLabel;
class QMenu;
class QTableView;
class QToolBar;
class QVBoxLayout;

namespace tessivo {

class FileListModel;
class KeyRouter;
class QtMessageSink;
class ScanInputGuard;

class MainWindow final : public QMainWindow, private StatusSink {
  Q_OBJECT

 public:
  MainWindow(Session& session, QtMessageSink& sink, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The third start-up stage (100 ms after the window is up): the drop
  // prompt, then the paths of the command line, its list filter and sort.
  void LoadCommandLine(const CommandLine& command_line, const std::u16string& working_folder);

  // Runs command `id` when it is available; the menus, toolbar, keys and
  // buttons all come here.
  void RunCommand(int id);
  bool IsCommandAvailable(int id) const;

  // Adds paths as a drop does (bring to front, scan, busy for 100 ms).
  void AddDroppedPaths(const std::vector<std::u16string>& paths);

  // The place of the mode panel, above the list.
  QVBoxLayout* panel_slot() const { return panel_slot_; }
  QTableView* list_view() const { return view_; }
  FileListModel* model() const { return model_; }
  QAction* action(int id) const;
  bool busy() const { return busy_; }
  // The texts of the two status-bar fields.
  QString StatusFieldText() const;
  QString CountFieldText() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // StatusSink
  void SetStatus(int code) override;
  int CurrentStatus() const override { return status_code_; }

  void BuildMenus();
  void BuildToolbar();
  void BuildStatusBar();
  void BuildList();
  void PlaceWindow();
  void ApplyListLook();
  void ApplyHeaderLayout();
  void ApplyViewFlags();

  // After an operation that changed the rows: one model reset, the
  // selection pushed back, the counts and commands brought up to date.
  template <typename F>
  void ChangeList(F&& change);
  void PushSelection();
  void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void UpdateCounts();
  void UpdateActions();
  void SetBusy();

  void SortByKey(int key, int choice);
  void ShowArrows(const SortResult& result);
  void ShowListMenu(const QPoint& position);
  void CopyRows(bool cut);
  void PasteRows();
  // The row the file commands act on: the focused row when it is selected,
  // else the first selected row; -1 when none is selected.
  int TargetRow() const;
  void OpenPath(const std::u16string& path);
  void ShowHelp();
  void ShowAbout();
  SaveInputs CollectSaveInputs() const;
  ScanSummary ScanPaths(const std::vector<std::u16string>& paths, AddSource source,
                        bool from_drop);

  Session& session_;
  QtMessageSink& sink_;
  FileListModel* model_ = nullptr;
  QTableView* view_ = nullptr;
  QVBoxLayout* panel_slot_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QLabel* status_text_ = nullptr;
  QLabel* status_count_ = nullptr;
  QMenu* list_menu_ = nullptr;
  KeyRouter* keys_ = nullptr;
  std::map<int, QAction*> actions_;
  SortState sort_state_;
  int status_code_ = status_code::kBlank;
  bool syncing_selection_ = false;
  bool busy_ = false;       // a drop was just handled: commands wait 100 ms
  bool operation_ = false;  // a long operation runs: every command does nothing
  ScanInputGuard* scan_guard_ = nullptr;  // while a scan polls Escape
};

}  // namespace tessivo
