#pragma once
// MainWindow: the program's one top-level window ("Tessivo").
//
// It lays out the mode panel's place, the file list and the status bar,
// builds every menu, toolbar button and key from the command table, and
// routes each command to the Controller; it then applies the result: one
// model reset when the rows changed, the list's selection pushed into the
// view as merged ranges, check marks, arrows, view flags. The list's own
// flags are the truth for selection and focus: the view's changes come
// back as deltas.
//
// The status bar's texts come from the controller's StatusBar, repainted
// at once because long loops pump no events.
//
// The session and the message sink are borrowed and must outlive the window.

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/commands.h"
#include "app/session.h"
#include "app/status_bar.h"
#include "core/sort.h"

class QAction;
class QItemSelection;
class QLabel;
class QMenu;
class QTableView;
class QTimer;
class QToolBar;
class QVBoxLayout;

namespace tessivo {

class FileListModel;
class KeyRouter;
class ModePanelWidget;
class QtMessageSink;
class ScanInputGuard;

class MainWindow final : public QMainWindow {
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
  ModePanelWidget* panel() const { return panel_; }
  QTableView* list_view() const { return view_; }
  FileListModel* model() const { return model_; }
  QAction* action(int id) const;
  Controller& controller() { return *controller_; }
  // Applies what a command changed to the widgets.
  void Apply(const CommandResult& result);
  // The texts of the two status-bar fields.
  QString StatusFieldText() const;
  QString CountFieldText() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 signals:
  // The mode panel model changed (a mode was selected, names were cleared):
  // the panel widget mirrors it. `focus_control` is a control to focus, or 0.
  void PanelChanged(int focus_control, bool select_text);

 private:
  CommandHooks MakeHooks();
  void ConnectPanel();
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
  void PushSelection();
  void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void UpdateCounts();
  void UpdateActions();
  // Runs one call of the controller with the Escape poll ready for scans,
  // then applies its result.
  template <typename F>
  void Route(F&& call);
  void ShowArrows(const HeaderArrows& arrows);
  // Tab / Shift+Tab: the focus to the next or previous control of the mode
  // shown, round the panel.
  void StepPanelFocus(int step);
  void ShowListMenu(const QPoint& position);
  bool OpenPath(const std::u16string& path);
  void ShowAbout();
  SaveInputs CollectSaveInputs() const;

  Session& session_;
  QtMessageSink& sink_;
  FileListModel* model_ = nullptr;
  QTableView* view_ = nullptr;
  QVBoxLayout* panel_slot_ = nullptr;
  ModePanelWidget* panel_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QLabel* status_text_ = nullptr;
  QLabel* status_count_ = nullptr;
  QMenu* list_menu_ = nullptr;
  KeyRouter* keys_ = nullptr;
  std::map<int, QAction*> actions_;
  StatusBar status_bar_;
  std::unique_ptr<Controller> controller_;
  QTimer* busy_timer_ = nullptr;  // clears the controller's busy flag after 100 ms
  bool syncing_selection_ = false;
  bool save_at_close_ = true;
  std::unique_ptr<ScanInputGuard> scan_guard_;  // made by the first Escape poll of a call
};

}  // namespace tessivo
