#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "app/auto_run.h"
#include "macro/macro_list.h"
#include "platform/file_name_bytes.h"
#include "ui/command_table.h"
#include "ui/file_list_model.h"
#include "ui/key_router.h"
#include "ui/mode_panel_widget.h"
#include "ui/properties_dialog.h"
#include "ui/qt_message_sink.h"

// The icons live in this static library: their resource must be registered
// by hand, as no object of the library refers to it.
static void RegisterIcons() { Q_INIT_RESOURCE(icons); }

namespace tessivo {
namespace {

QString Q(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

QString CommandText(const char* source) {
  return source == nullptr ? QString() : QCoreApplication::translate("Command", source);
}

// COLORREF 0x00BBGGRR.
QColor ColorOf(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return QColor(static_cast<int>(v & 0xFFu), static_cast<int>((v >> 8) & 0xFFu),
                static_cast<int>((v >> 16) & 0xFFu));
}

// The status code shown once the command line's paths are listed (the field is cleared).
constexpr int kCommandLineLoaded = 27;

// A file URL for `path` that keeps every byte of the name.
QUrl UrlOfPath(const std::u16string& path) {
  const std::string bytes = Utf16ToUtf8(path);
  return QUrl::fromEncoded(QByteArrayLiteral("file://") +
                           QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()))
                               .toPercentEncoding(QByteArrayLiteral("/")));
}

}  // namespace

MainWindow::MainWindow(Session& session, QtMessageSink& sink, QWidget* parent)
    : QMainWindow(parent), session_(session), sink_(sink) {
  RegisterIcons();
  setObjectName(QStringLiteral("Tessivo"));
  const bool japanese_name = session_.settings.Int(IntKey::kUsejpname) != 0;
  setWindowTitle(
      QString::fromStdU16String(MainWindowTitle(japanese_name, session_.messenger.test_mode())));
  setWindowIcon(QIcon(QStringLiteral(":/icons/tessivo.svg")));
  setAcceptDrops(true);
  resize(3200, 407);
  sink_.set_parent(this);

  BuildStatusBar();
  controller_ = std::make_unique<Controller>(session_, status_bar_, MakeHooks());
  busy_timer_ = new QTimer(this);
  busy_timer_->setSingleShot(true);
  busy_timer_->setInterval(100);
  connect(busy_timer_, &QTimer::timeout, this, [this] {
    controller_->ClearBusy();
    UpdateActions();
  });
  BuildList();
  BuildMenus();
  BuildToolbar();
  statusBar()->addWidget(status_text_, 1);
  statusBar()->addPermanentWidget(status_count_);
  ApplyViewFlags();
  PlaceWindow();
  ConnectPanel();

  keys_ = new KeyRouter(
      this, [this](int id) { return IsCommandAvailable(id); }, [this](int id) { RunCommand(id); });
  qApp->installEventFilter(keys_);
  UpdateCounts();
  UpdateActions();
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(keys_);
  session_.progress = nullptr;
  session_.list.set_status_sink(nullptr);
  sink_.set_parent(nullptr);
}

void MainWindow::ConnectPanel() {
  session_.progress = [this](int percent) { panel_->ShowProgress(percent); };
  connect(panel_, &ModePanelWidget::modeButtonPressed, this, [this](int tab, int button) {
    Route([&] { return controller_->ModeButtonPressed(tab, button); });
  });
  connect(panel_, &ModePanelWidget::buttonClicked, this, [this](int id) {
    if (const std::optional<CommandId> command = CommandOfButton(id)) {
      RunCommand(static_cast<int>(*command));
    }
  });
  connect(panel_, &ModePanelWidget::controlChanged, this, [this](int id) {
    // A check box or a drop-down list also drops the hand-edited mark.
    const QWidget* control = panel_->Control(id);
    const auto* combo = qobject_cast<const QComboBox*>(control);
    const bool list_or_check =
        qobject_cast<const QCheckBox*>(control) != nullptr || (combo != nullptr && !combo->isEditable());
    Route([&] { return controller_->ControlChanged(list_or_check); });
  });
  connect(panel_, &ModePanelWidget::narrowingApplied, this, [this] {
    CommandResult result;
    result.rows = true;
    Apply(result);
    controller_->SelectionChanged();
  });
  connect(panel_, &ModePanelWidget::serialAssistClosed, this,
          [this](bool) { RunCommand(static_cast<int>(CommandId::kReset)); });
  connect(panel_, &ModePanelWidget::undoLogChosen, this,
          [this](int slot) { Route([&] { return controller_->UndoLogChosen(slot); }); });
  connect(this, &MainWindow::PanelChanged, this, [this](int focus_control, bool select_text) {
    panel_->Refresh();
    if (focus_control == 0) return;
    if (QWidget* control = panel_->Control(focus_control)) {
      control->setFocus();
      // Also when the control had the focus already (the mode's button
      // pressed again, Esc): its text is selected for typing over.
      auto* edit = qobject_cast<QLineEdit*>(control);
      if (auto* combo = qobject_cast<QComboBox*>(control)) edit = combo->lineEdit();
      if (edit != nullptr && select_text) edit->selectAll();
    }
  });
  panel_->Refresh();
}

CommandHooks MainWindow::MakeHooks() {
  CommandHooks hooks;
  hooks.pick_folder = [this](const std::u16string& start,
                             const std::u16string& title) -> std::optional<std::u16string> {
    const QString chosen = QFileDialog::getExistingDirectory(this, QString::fromStdU16String(title),
                                                             QString::fromStdU16String(start));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdU16String();
  };
  hooks.clipboard_text = []() -> std::optional<std::u16string> {
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) return std::nullopt;
    return text.toStdU16String();
  };
  hooks.set_clipboard_text = [](const std::u16string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(text));
  };
  hooks.open_path = [this](const std::u16string& path) { return OpenPath(path); };
  hooks.show_properties = [this](const std::u16string& path) {
    PropertiesDialog dialog(session_.fs(), path, this);
    dialog.exec();
  };
  hooks.show_about = [this] { ShowAbout(); };
  hooks.bring_to_front = [this] {
    raise();
    activateWindow();
  };
  hooks.repaint = [this] {
    status_text_->repaint();
    status_count_->repaint();
  };
  hooks.cancel_requested = [this] {
    if (!scan_guard_) scan_guard_ = std::make_unique<ScanInputGuard>();
    return scan_guard_->EscapeHeld();
  };
  hooks.help_path = [] {
    const QString beside =
        QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html");
    const QString installed = QStringLiteral("/usr/share/doc/tessivo/help/index.html");
    for (const QString& path : {beside, installed}) {
      if (QFileInfo::exists(path)) return path.toStdU16String();
    }
    return std::u16string();
  };
  return hooks;
}

void MainWindow::BuildList() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(2, 2, 2, 0);
  layout->setSpacing(2);
  panel_slot_ = new QVBoxLayout;
  panel_slot_->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(panel_slot_);
  panel_ = new ModePanelWidget(session_, central);
  panel_slot_->addWidget(panel_);

  model_ = new FileListModel(session_.list, this);
  view_ = new QTableView(central);
  view_->setObjectName(QStringLiteral("fileList"));
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::SelectedClicked);
  view_->setShowGrid(true);
  view_->setWordWrap(false);
  view_->setCornerButtonEnabled(false);
  view_->setAcceptDrops(false);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  view_->setIconSize(QSize(16, 16));
  QHeaderView* rows = view_->verticalHeader();
  rows->setVisible(false);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(view_->fontMetrics().height() + 4);
  QHeaderView* header = view_->horizontalHeader();
  header->setSectionsMovable(true);
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSortIndicatorShown(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  connect(header, &QHeaderView::sectionClicked, this,
          [this](int section) { Route([&] { return controller_->HeaderClicked(section); }); });
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindow::OnSelectionChanged);
  connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!syncing_selection_) session_.list.SetFocusedRow(current.isValid() ? current.row() : -1);
          });
  connect(view_, &QWidget::customContextMenuRequested, this, &MainWindow::ShowListMenu);
  connect(model_, &FileListModel::nameEdited, this, [this](int row, const QString& text) {
    const std::u16string name = text.toStdU16String();
    // Deferred: the view finishes closing its editor before the rows change.
    QTimer::singleShot(0, this, [this, row, name] {
      Route([&] { return controller_->EndLabelEdit(row, name); });
      view_->setFocus();
    });
  });
  ApplyListLook();
  ApplyHeaderLayout();

  // The folder tree takes the left side of this splitter when it comes.
  auto* splitter = new QSplitter(Qt::Horizontal, central);
  splitter->setObjectName(QStringLiteral("treeSplitter"));
  splitter->addWidget(view_);
  layout->addWidget(splitter, 1);
  setCentralWidget(central);
}

void MainWindow::BuildMenus() {
  std::map<MenuId, QMenu*> menus;
  for (const MenuTitle& title : MenuTitles()) {
    menus[title.menu] = menuBar()->addMenu(CommandText(title.title));
  }
  for (const UiCommand& command : UiCommands()) {
    QString label = CommandText(command.label);
    if (label.isEmpty()) continue;
    auto* action = new QAction(label, this);
    if (command.icon != nullptr) {
      action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(command.icon))));
    }
    if (command.tooltip != nullptr) action->setToolTip(CommandText(command.tooltip));
    action->setCheckable(command.checkable);
    action->setObjectName(QStringLiteral("cmd%1").arg(command.id));
    const int id = command.id;
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    actions_[id] = action;
    if (command.menu == MenuId::kNone) continue;
    QMenu* menu = menus[command.menu];
    if (command.id == kSortMenuBefore) {
      menu->addSeparator();
      QMenu* sort = menu->addMenu(tr("並び替え"));
      sort->setObjectName(QStringLiteral("sortMenu"));
      for (int key = 0; key < kSortKeyCount; ++key) {
        for (int choice : {kSortAscending, kSortDescending}) {
          const int sort_id = kSortCommandBase + 10 * key + choice;
          auto* entry = sort->addAction(Q(SortMenuText(sort_id)));
          entry->setObjectName(QStringLiteral("cmd%1").arg(sort_id));
          connect(entry, &QAction::triggered, this, [this, sort_id] { RunCommand(sort_id); });
          actions_[sort_id] = entry;
        }
      }
    }
    if (command.separator_before && !menu->isEmpty()) menu->addSeparator();
    if (command.key != nullptr) {
      label += QLatin1Char('\t') + QString::fromUtf8(command.key);
      action->setText(label);
    }
    menu->addAction(action);
  }
  list_menu_ = new QMenu(this);
  for (int id : ListMenuCommands()) {
    auto* entry = list_menu_->addAction(CommandText(FindUiCommand(id)->label));
    connect(entry, &QAction::triggered, this, [this, id] { RunCommand(id); });
    entry->setData(id);
  }
}

void MainWindow::BuildToolbar() {
  toolbar_ = addToolBar(tr("ツールバー"));
  toolbar_->setObjectName(QStringLiteral("toolbar"));
  toolbar_->setMovable(false);
  toolbar_->setIconSize(QSize(16, 16));
  for (int id : ToolbarLayout()) {
    if (id == 0) {
      toolbar_->addSeparator();
    } else {
      toolbar_->addAction(actions_.at(id));
    }
  }
}

void MainWindow::BuildStatusBar() {
  status_text_ = new QLabel(this);
  status_text_->setObjectName(QStringLiteral("statusText"));
  status_text_->setMinimumWidth(1);
  status_count_ = new QLabel(this);
  status_count_->setObjectName(QStringLiteral("statusCount"));
  status_count_->setMinimumWidth(status_count_->fontMetrics().horizontalAdvance(
                                     Q(SelectionCountText(50000, 50000))) +
                                 8);
  statusBar()->setSizeGripEnabled(true);
  status_bar_.show_text = [this](const std::u16string& text) {
    status_text_->setText(QString::fromStdU16String(text));
    status_text_->repaint();  // long loops pump no events
  };
  status_bar_.show_counts = [this](const std::u16string& text) {
    status_count_->setText(QString::fromStdU16String(text));
  };
}

void MainWindow::ApplyViewFlags() {
  const std::uint32_t flags = session_.settings.Word(OptionWord::kDispcontrols);
  toolbar_->setVisible((flags & dispctl::kToolbarMask) != 0);
  statusBar()->setVisible((flags & dispctl::kStatusBar) != 0);
  const bool topmost = session_.settings.Int(IntKey::kTopmost) != 0;
  if (topmost != windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (shown) show();  // changing the flag hides the window
  }
}

void MainWindow::ApplyListLook() {
  const Settings& s = session_.settings;
  QPalette palette = view_->palette();
  const QColor text =
      ColorOf(s.Int(session_.list.undo_mode() ? IntKey::kListcolor2 : IntKey::kListcolor1));
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Base, ColorOf(s.Int(IntKey::kListcolor3)));
  palette.setColor(QPalette::AlternateBase, ColorOf(s.Int(IntKey::kListcolor3)));
  // The selection looks the same with and without the focus.
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  view_->setPalette(palette);
  const std::u16string& font = s.Text(TextKey::kListfont);
  if (!font.empty()) {
    QFont list_font = view_->font();
    list_font.setFamily(QString::fromStdU16String(font));
    view_->setFont(list_font);
  }
}

void MainWindow::ApplyHeaderLayout() {
  QHeaderView* header = view_->horizontalHeader();
  const FileList& list = session_.list;
  const std::array<int, kListColumns> widths = ColumnWidthsAtStart(session_.settings);
  for (int column = 0; column < list.ColumnCount(); ++column) {
    if (const std::optional<Cell> cell = list.CellOfColumn(column)) {
      header->resizeSection(column, widths[static_cast<std::size_t>(*cell)]);
    }
  }
  const std::vector<int> order = ColumnOrderAtStart(session_.settings);
  for (std::size_t visual = 0; visual < order.size(); ++visual) {
    const int column = list.ColumnOf(static_cast<Cell>(order[visual]));
    if (column < 0) continue;
    header->moveSection(header->visualIndex(column), static_cast<int>(visual));
  }
}

void MainWindow::PlaceWindow() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect desktop = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const QRect virtual_screen = screen != nullptr ? screen->availableVirtualGeometry() : desktop;
  const WindowRect bounds{virtual_screen.left(), virtual_screen.top(),
                          virtual_screen.right() + 1, virtual_screen.bottom() + 1};
  // While the user drags the border, the window keeps room for the panel
  // and a few rows of the list.
  setMinimumSize(765, 287 + menuBar()->sizeHint().height());
  if (const std::optional<WindowRect> rect = WindowRectAtStart(session_.settings, bounds)) {
    setGeometry(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    return;
  }
  const int new_width = width() >= desktop.width() ? 815 : width();
  resize(new_width, kDefaultWindowHeight);
  move(desktop.left() + (desktop.width() - new_width) / 2,
       desktop.top() + (desktop.height() - kDefaultWindowHeight) / 2);
}

QAction* MainWindow::action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

// ---- status bar ----

QString MainWindow::StatusFieldText() const { return status_text_->text(); }
QString MainWindow::CountFieldText() const { return status_count_->text(); }

void MainWindow::UpdateCounts() {
  status_bar_.SetCounts(session_.list.SelectedCount(), session_.list.Count());
}

// ---- the list and its selection ----

void MainWindow::PushSelection() {
  const FileList& list = session_.list;
  const int rows = list.Count();
  const int last_column = model_->columnCount() - 1;
  QItemSelection selection;
  for (int row = 0; row < rows && last_column >= 0;) {
    if (!list.IsSelected(row)) {
      ++row;
      continue;
    }
    int end = row;
    while (end + 1 < rows && list.IsSelected(end + 1)) ++end;
    selection.append(QItemSelectionRange(model_->index(row, 0), model_->index(end, last_column)));
    row = end + 1;
  }
  syncing_selection_ = true;
  QItemSelectionModel* model = view_->selectionModel();
  const int focus = list.FocusedRow();
  if (focus >= 0 && focus < rows) {
    model->setCurrentIndex(model_->index(focus, 0), QItemSelectionModel::NoUpdate);
  }
  {
    // The view would work out the region of every changed range to repaint
    // (a tenth of a second for 25,000 ranges); repainting what shows is cheaper.
    const QSignalBlocker quiet(model);
    model->select(selection, QItemSelectionModel::ClearAndSelect);
  }
  view_->viewport()->update();
  syncing_selection_ = false;
  UpdateCounts();
}

void MainWindow::OnSelectionChanged(const QItemSelection& selected,
                                    const QItemSelection& deselected) {
  if (syncing_selection_) return;
  FileList& list = session_.list;
  for (const QItemSelectionRange& range : deselected) {
    for (int row = range.top(); row <= range.bottom(); ++row) list.SetSelected(row, false);
  }
  for (const QItemSelectionRange& range : selected) {
    for (int row = range.top(); row <= range.bottom(); ++row) list.SetSelected(row, true);
  }
  controller_->SelectionChanged();
}

// ---- commands ----

bool MainWindow::IsCommandAvailable(int id) const {
  return controller_->IsAvailable(static_cast<CommandId>(id));
}

void MainWindow::UpdateActions() {
  for (const auto& [id, action] : actions_) {
    const auto command = static_cast<CommandId>(id);
    action->setEnabled(controller_->IsEnabled(command));
    if (action->isCheckable()) action->setChecked(controller_->IsChecked(command));
  }
}

template <typename F>
void MainWindow::Route(F&& call) {
  const CommandResult result = call();
  scan_guard_.reset();
  Apply(result);
  if (controller_->busy() && !busy_timer_->isActive()) busy_timer_->start();
}

void MainWindow::RunCommand(int id) {
  const auto command = static_cast<CommandId>(id);
  if (!controller_->IsAvailable(command)) return;
  // From the menu or the toolbar with an edit box focused, the box edits.
  if (id == cmd::kCut || id == cmd::kCopy || id == cmd::kPaste) {
    if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
      if (id == cmd::kCut) edit->cut();
      if (id == cmd::kCopy) edit->copy();
      if (id == cmd::kPaste) edit->paste();
      return;
    }
  }
  Route([&] { return controller_->Run(command); });
  switch (id) {
    case cmd::kPageDown:
      view_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
      break;
    case cmd::kPageUp:
      view_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
      break;
    case cmd::kNextControl:
      StepPanelFocus(1);
      break;
    case cmd::kPreviousControl:
      StepPanelFocus(-1);
      break;
    default:
      break;
  }
}

void MainWindow::StepPanelFocus(int step) {
  // The current mode's controls in the panel's order, those a user can reach.
  std::vector<QWidget*> chain;
  for (int id : session_.panel.ControlsOf(session_.mode())) {
    QWidget* control = panel_->Control(id);
    if (control != nullptr && control->isVisible() && control->isEnabled() &&
        control->focusPolicy() != Qt::NoFocus) {
      chain.push_back(control);
    }
  }
  if (chain.empty()) return;
  const int count = static_cast<int>(chain.size());
  const QWidget* focus = QApplication::focusWidget();
  int next = step > 0 ? 0 : count - 1;  // from outside the panel: its first or last control
  for (int i = 0; i < count; ++i) {
    if (chain[static_cast<std::size_t>(i)] == focus ||
        chain[static_cast<std::size_t>(i)]->isAncestorOf(focus)) {
      next = ((i + step) % count + count) % count;
      break;
    }
  }
  chain[static_cast<std::size_t>(next)]->setFocus(step > 0 ? Qt::TabFocusReason
                                                           : Qt::BacktabFocusReason);
}

void MainWindow::Apply(const CommandResult& result) {
  if (result.undo_ui) ApplyListLook();
  if (result.rows || result.undo_ui) {
    model_->Reset();
    PushSelection();
    const int focus = session_.list.FocusedRow();
    if (focus >= 0) view_->scrollTo(model_->index(focus, 0));
  }
  if (result.arrows) ShowArrows(*result.arrows);
  if (result.view) ApplyViewFlags();
  if (result.panel || result.focus_control != 0 || result.undo_ui || result.states) {
    emit PanelChanged(result.focus_control, result.select_focus_text);
  }
  if (result.states || result.view || result.undo_ui) UpdateActions();
  if (result.start_label_edit) {
    const int focus = session_.list.FocusedRow();
    const int column = session_.list.ColumnOf(Cell::kName);
    if (focus >= 0 && session_.list.IsSelected(focus)) view_->edit(model_->index(focus, column));
  }
  if (result.quit) {
    save_at_close_ = result.save;
    close();
  }
}

void MainWindow::ShowArrows(const HeaderArrows& arrows) {
  QHeaderView* header = view_->horizontalHeader();
  header->setSortIndicatorShown(false);
  for (int key = 0; key < kSortKeyCount; ++key) {
    const HeaderArrow arrow = arrows[static_cast<std::size_t>(key)];
    if (arrow != HeaderArrow::kUp && arrow != HeaderArrow::kDown) continue;
    const int column = session_.list.ColumnOf(static_cast<Cell>(key));
    if (column < 0) continue;
    header->setSortIndicator(column,
                             arrow == HeaderArrow::kUp ? Qt::AscendingOrder : Qt::DescendingOrder);
    header->setSortIndicatorShown(true);
  }
}

void MainWindow::ShowListMenu(const QPoint& position) {
  const bool any_selected = session_.list.SelectedCount() > 0;
  for (QAction* entry : list_menu_->actions()) {
    entry->setEnabled(IsCommandAvailable(entry->data().toInt()) && any_selected);
  }
  list_menu_->popup(view_->viewport()->mapToGlobal(position));
}

bool MainWindow::OpenPath(const std::u16string& path) {
  return QDesktopServices::openUrl(UrlOfPath(path));
}

void MainWindow::ShowAbout() {
  const bool registry = session_.settings.backend() == BackendKind::kRegistry;
  const QString text =
      tr("<b>%1</b><br>バージョン %2<br><br>プログラムフォルダ: %3<br>設定の保存先: %4<br>Qt %5")
          .arg(windowTitle().trimmed(), QStringLiteral(TESSIVO_VERSION),
               QString::fromStdU16String(session_.location().folder).toHtmlEscaped(),
               registry ? QString::fromStdU16String(session_.location().registry_path).toHtmlEscaped()
                        : QString::fromStdU16String(session_.location().ini_path).toHtmlEscaped(),
               QString::fromLatin1(qVersion()));
  QMessageBox::about(this, tr("バージョン情報"), text);
}

// ---- drops and scans ----

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  std::vector<std::u16string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    // The URL's own bytes: a name that is not UTF-8 keeps them.
    if (std::optional<std::u16string> path = PathOfFileUrl(url.toEncoded().toStdString())) {
      paths.push_back(std::move(*path));
    }
  }
  if (paths.empty()) return;
  event->acceptProposedAction();
  AddDroppedPaths(paths);
}

void MainWindow::AddDroppedPaths(const std::vector<std::u16string>& paths) {
  Route([&] { return controller_->DropPaths(paths); });
}

void MainWindow::LoadCommandLine(const CommandLine& command_line,
                                 const std::u16string& working_folder) {
  status_bar_.SetStatus(status_code::kIdle);
  std::vector<std::u16string> paths;
  for (const std::u16string& argument : command_line.paths) {
    std::u16string path = AbsolutePath(argument, working_folder);
    (void)CorrectSpelling(session_.fs(), path);  // the last component as the disk spells it
    paths.push_back(std::move(path));
  }
  if (!paths.empty()) {
    Route([&] { return controller_->AddCommandLinePaths(paths); });
    status_bar_.SetStatus(kCommandLineLoaded);
  }
  if (command_line.filter_text) {
    Route([&] { return controller_->NarrowingEdited(*command_line.filter_text); });
  }
  if (command_line.sort_code >= 0) {
    Route([&] {
      return controller_->Run(SortCommand(command_line.sort_code / 10, command_line.sort_code % 10));
    });
  }
  panel_->Refresh();  // the narrowing box shows the command line's filter text
}

// ---- closing ----

SaveInputs MainWindow::CollectSaveInputs() const {
  SaveInputs inputs;
  inputs.rename_mode = session_.mode();
  const QRect rect = geometry();
  inputs.window = WindowRect{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
  inputs.window_maximized = isMaximized();
  inputs.window_minimized = isMinimized();
  const QHeaderView* header = view_->horizontalHeader();
  const FileList& list = session_.list;
  for (int visual = 0; visual < header->count(); ++visual) {
    const int column = header->logicalIndex(visual);
    const std::optional<Cell> cell = list.CellOfColumn(column);
    if (!cell) continue;
    inputs.column_widths[static_cast<std::size_t>(*cell)] = header->sectionSize(column);
    inputs.column_order.push_back(static_cast<int>(*cell));
  }
  return inputs;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (controller_->operation_running()) {
    event->ignore();
    return;
  }
  if (save_at_close_) (void)session_.Save(CollectSaveInputs());
  (void)RemoveEmptyMacroList(session_.fs(), session_.location().folder);
  event->accept();
}

}  // namespace tessivo
