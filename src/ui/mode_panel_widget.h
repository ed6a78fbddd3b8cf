#pragma once
// ModePanelWidget: the mode panel of the main window, the part above the
// file list. It holds the two mode tabs with the twelve mode buttons, the
// parameter controls of every mode (each named "id" + its control number),
// the narrowing box, the confirm, execute and UnDo buttons with the log
// drop-down, the list buttons 1014/1015 and the progress bar 1006.
//
// The engine's ModePanel is the truth: Refresh() mirrors it, and the undo
// look of the session, into the widgets; the window calls it after every
// command. User edits go into the model at once; the panel itself applies
// what belongs to a single control:
// - the dependent rules when the case option (1152), the delete kind (1157)
//   or the timestamp operation (1744) changes;
// - the position map when the template field 1007 changes (and the names on
//   show stop being a current preview);
// - the mouse wheel over the number fields 1630, 1623, 1626, 1745, 1748
//   (one up or down, kept within the setting's range);
// - the clock: while "現在時刻" (1605) is checked and shown, the date and
//   time pickers follow the local time (50 ms after start, then every 496 ms);
// - the narrowing of the list when the narrowing box changes;
// - the serial input support dialog of button 1638.
// Everything else (questions, runs, mode selection, busy flag, status bar)
// is the window's, reached through the signals.
//
// The panel borrows the session, which must outlive it. One thread.

#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <map>
#include <string>

class QButtonGroup;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabBar;
class QTimer;

namespace tessivo {

class PanelBinder;
class Session;

// Buttons of the panel that are reported by buttonClicked(id).
namespace panel_button {
inline constexpr int kExecute = 1001;
inline constexpr int kConfirm = 1003;
inline constexpr int kRemoveSelected = 1014;
inline constexpr int kClearAll = 1015;
inline constexpr int kUndo = 1067;
}  // namespace panel_button
inline constexpr int kProgressBarId = 1006;

class ModePanelWidget : public QWidget {
  Q_OBJECT

 public:
  explicit ModePanelWidget(Session& session, QWidget* parent = nullptr);
  ~ModePanelWidget() override;

  // Mirrors the model into the widgets: every control, the mode buttons of
  // the tab shown (the tab follows the mode whenever the mode changed), the
  // undo look (button texts, log drop-down, disabled mode switching, the
  // label "変更UNDOモード" in place of every control).
  void Refresh();

  // Sets the progress bar (0..100) and repaints it at once: runs keep the
  // thread, so the bar would otherwise not move until they end. A repaint
  // costs a tenth of a millisecond, so one comes at most every 20 ms; the
  // bar's ends (0 and 100) always repaint.
  void ShowProgress(int percent);

  // Shows "連番入力支援" with field 1017 split into its parts (button 1638
  // does this). OK in the serial mode writes the joined parts into 1017,
  // model and widget. Emits serialAssistClosed and returns whether OK was
  // pressed.
  bool OpenSerialAssist();

  // The widget of a numbered control of the panel, or nullptr.
  QWidget* Control(int id) const;
  // The tab whose button faces are shown (0 or 1).
  int shown_tab() const { return shown_tab_; }

 signals:
  // Mode button `button` (1..12) of tab `tab` was pressed. The buttons show
  // the model's selection again at the next Refresh().
  void modeButtonPressed(int tab, int button);
  // 1001, 1003, 1014, 1015, 1067, and the buttons of the mode panels: 1633
  // (CSV), 1634 (record), 1635 (delete macro), 1726 (edit macro).
  void buttonClicked(int id);
  // An entry of the log drop-down of undo mode was chosen: slot 1..9.
  void undoLogChosen(int slot);
  // Any user change of mode control `id` after the model took it (and, for
  // 1007, the position map; for 1152/1157/1744, the rule): the preview is
  // stale, the window is busy for a moment.
  void controlChanged(int id);
  // The narrowing box changed the rows' statuses (the list is narrowed by
  // the box's text at once, as the engine's Narrow does on an edit): the
  // list must be redrawn.
  void narrowingApplied();
  // The serial input support dialog closed; when `accepted` in the serial
  // mode, field 1017 holds the joined text. The window resets after it.
  void serialAssistClosed(bool accepted);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildModeButtons();
  QWidget* BuildModeArea();
  QWidget* BuildRunColumn();
  QWidget* BuildListRow();
  QWidget* MakeControl(int id, QWidget* parent);
  void ShowButtonFaces();
  void RefreshUndoLook();
  void OnEdited(int id);
  void OnClockTick();
  void StepNumber(int id, int step);

  Session& session_;
  PanelBinder* binder_;
  std::map<int, QWidget*> controls_;
  QTabBar* tabs_ = nullptr;
  QButtonGroup* mode_buttons_ = nullptr;
  std::array<QPushButton*, 12> mode_button_widgets_{};
  QWidget* mode_area_ = nullptr;
  QLabel* undo_label_ = nullptr;
  QPushButton* execute_ = nullptr;
  QPushButton* confirm_ = nullptr;
  QPushButton* undo_ = nullptr;
  QLabel* execute_icon_ = nullptr;
  QComboBox* undo_logs_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QElapsedTimer progress_painted_;  // since the bar's last repaint
  QTimer* clock_ = nullptr;
  int shown_tab_ = 0;
  int refreshed_mode_ = -1;  // the mode at the last Refresh()
  bool refreshed_undo_ = false;
  int refreshing_ = 0;
};

}  // namespace tessivo
