#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "app/auto_run.h"
#include "core/csv_list.h"
#include "macro/macro_list.h"
#include "modes/mode_catalogue.h"
#include "platform/file_name_bytes.h"
#include "ui/command_table.h"
#include "ui/file_list_model.h"
#include "ui/key_router.h"
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

// A file URL for `path` that keeps every byte of the name.
QUrl UrlOfPath(const std::u16string& path) {
  const std::string bytes = Utf16ToUtf8(path);
  return QUrl::fromEncoded(QByteArrayLiteral("file://") +
                           QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()))
                               .toPercentEncoding(QByteArrayLiteral("/")));
}

// The local path of a dropped URL, from its percent-encoded bytes (names
// that are not UTF-8 keep their bytes). Empty for URLs that are no local files.
// TODO(ctrl): use the controller's URL-bytes helper once it is there.
std::u16string PathOfDroppedUrl(const QUrl& url) {
  if (!url.isLocalFile()) return {};
  QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  while (bytes.size() > 1 && bytes.endsWith('/')) bytes.chop(1);
  return Utf8ToUtf16(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool IsSortCommand(int id) { return SortCommandKey(id).first >= 0; }

// The commands that work in this version of the window.
bool IsImplemented(int id) {
  switch (id) {
    case cmd::kOpenFolder:
    case cmd::kQuit:
    case cmd::kHelp:
    case cmd::kCut:
    case cmd::kCopy:
    case cmd::kPaste:
    case cmd::kAbout:
    case cmd::kMoveUp:
    case cmd::kMoveDown:
    case cmd::kInvertSelection:
    case cmd::kDeleteSelected:
    case cmd::kClearAll:
    case cmd::kSelectAll:
    case cmd::kSelectAllKey:
    case cmd::kRefresh:
    case cmd::kOpenFile:
    case cmd::kPageDown:
    case cmd::kPageUp:
    case cmd::kOpenParent:
    case cmd::kProperties:
    case cmd::kToolbar:
    case cmd::kStatusBar:
    case cmd::kTopmost:
    case cmd::kRecordFilter:
    case cmd::kRecordReplace:
    case cmd::kRecordOther:
      return true;
    default:
      return IsSortCommand(id);
  }
}

// The input-history bits the three "記録" entries toggle.
std::uint32_t InputLogBit(int id) {
  switch (id) {
    case cmd::kRecordFilter: return 1;
    case cmd::kRecordReplace: return 2;
    case cmd::kRecordOther: return 128;
    default: return 0;
  }
}

}  // namespace

MainWindow::MainWindow(Session& session, QtMessageSink& sink, QWidget* parent)
    : QMainWindow(parent), session_(session), sink_(sink) {
  RegisterIcons();
  setObjectName(QStringLiteral("Tessivo"));
  const bool japanese_name = session_.settings.Int(IntKey::kUsejpname) != 0;
  setWindowTitle((japanese_name ? tr("テッシーヴォ") : QStringLiteral("Tessivo")) +
                 QLatin1Char(' '));
  setWindowIcon(QIcon(QStringLiteral(":/icons/tessivo.svg")));
  setAcceptDrops(true);
  resize(3200, 407);
  sink_.set_parent(this);

  BuildList();
  BuildMenus();
  BuildToolbar();
  BuildStatusBar();
  ApplyViewFlags();
  PlaceWindow();
  session_.list.set_status_sink(this);

  keys_ = new KeyRouter(
      this, [this](int id) { return IsCommandAvailable(id); }, [this](int id) { RunCommand(id); });
  qApp->installEventFilter(keys_);
  UpdateCounts();
  UpdateActions();
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(keys_);
  session_.list.set_status_sink(nullptr);
  sink_.set_parent(nullptr);
}

void MainWindow::BuildList() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(2, 2, 2, 0);
  layout->setSpacing(2);
  panel_slot_ = new QVBoxLayout;
  panel_slot_->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(panel_slot_);

  model_ = new FileListModel(session_.list, this);
  view_ = new QTableView(central);
  view_->setObjectName(QStringLiteral("fileList"));
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
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
  connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
    if (const std::optional<Cell> cell = session_.list.CellOfColumn(section)) {
      SortByKey(static_cast<int>(*cell), kSortToggle);
    }
  });
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindow::OnSelectionChanged);
  connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!syncing_selection_) session_.list.SetFocusedRow(current.isValid() ? current.row() : -1);
          });
  connect(view_, &QWidget::customContextMenuRequested, this, &MainWindow::ShowListMenu);
  ApplyListLook();
  ApplyHeaderLayout();

  // The two list buttons of the panel, under the list.
  auto* list_area = new QWidget(central);
  auto* list_layout = new QVBoxLayout(list_area);
  list_layout->setContentsMargins(0, 0, 0, 0);
  list_layout->setSpacing(2);
  list_layout->addWidget(view_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->addStretch(1);
  auto* remove = new QPushButton(tr("選択を消去"), list_area);
  remove->setObjectName(QStringLiteral("id1014"));
  auto* clear = new QPushButton(tr("× 全消去 ×"), list_area);
  clear->setObjectName(QStringLiteral("id1015"));
  for (QPushButton* b : {remove, clear}) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  connect(remove, &QPushButton::clicked, this, [this] { RunCommand(cmd::kDeleteSelected); });
  connect(clear, &QPushButton::clicked, this, [this] { RunCommand(cmd::kClearAll); });
  list_layout->addLayout(buttons);

  // The folder tree takes the left side of this splitter when it comes.
  auto* splitter = new QSplitter(Qt::Horizontal, central);
  splitter->setObjectName(QStringLiteral("treeSplitter"));
  splitter->addWidget(list_area);
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
  statusBar()->addWidget(status_text_, 1);
  statusBar()->addPermanentWidget(status_count_);
  statusBar()->setSizeGripEnabled(true);
}

void MainWindow::ApplyViewFlags() {
  const std::uint32_t flags = session_.settings.Word(OptionWord::kDispcontrols);
  toolbar_->setVisible((flags & dispctl::kToolbarMask) != 0);
  statusBar()->setVisible((flags & dispctl::kStatusBar) != 0);
  if (session_.settings.Int(IntKey::kTopmost) != 0) {
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
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

void MainWindow::SetStatus(int code) {
  // TODO(ctrl): the text policy moves to the engine's StatusBarText.
  if ((session_.settings.Word(OptionWord::kDispcontrols) & dispctl::kStatusBar) == 0) return;
  if (session_.messenger.auto_flags() != 0 && !session_.messenger.test_mode()) return;
  if (code == status_code::kCountsOnly) {
    UpdateCounts();
    return;
  }
  QString text;
  if (session_.list.undo_mode()) {
    text = Q(kUndoModeStatusText);
  } else if (session_.messenger.test_mode()) {
    for (int i = 0; i < 4; ++i) text += Q(kTestModeBanner) + QStringLiteral("　");
  } else if (code >= status_code::kFirstModeHelp && code <= status_code::kLastModeHelp) {
    text = QString::fromStdU16String(ModeStatusText(code));
  } else {
    text = Q(StatusText(code));
  }
  const bool changed = code != status_code_ || text != status_text_->text();
  status_code_ = code;
  if (!changed) return;
  status_text_->setText(text);
  // Long loops pump no events: paint now.
  status_text_->repaint();
}

void MainWindow::UpdateCounts() {
  const QString text =
      Q(SelectionCountText(session_.list.SelectedCount(), session_.list.Count()));
  if (text != status_count_->text()) status_count_->setText(text);
}

// ---- the list and its selection ----

template <typename F>
void MainWindow::ChangeList(F&& change) {
  model_->Change(std::forward<F>(change));
  PushSelection();
  UpdateActions();
}

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
  model->select(selection, QItemSelectionModel::ClearAndSelect);
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
  UpdateCounts();
}

int MainWindow::TargetRow() const {
  const FileList& list = session_.list;
  const int focus = list.FocusedRow();
  if (focus >= 0 && list.IsSelected(focus)) return focus;
  for (int row = 0; row < list.Count(); ++row) {
    if (list.IsSelected(row)) return row;
  }
  return -1;
}

// ---- commands ----

bool MainWindow::IsCommandAvailable(int id) const {
  // TODO(ctrl): availability comes from the controller once it is there.
  if (operation_ || !IsImplemented(id)) return false;
  const bool undo = session_.list.undo_mode();
  if (undo && (IsSortCommand(id) || id == cmd::kOpenFolder || id == cmd::kRefresh)) return false;
  return true;
}

void MainWindow::UpdateActions() {
  for (const auto& [id, action] : actions_) action->setEnabled(IsCommandAvailable(id));
  const Settings& s = session_.settings;
  const std::uint32_t flags = s.Word(OptionWord::kDispcontrols);
  actions_.at(cmd::kToolbar)->setChecked((flags & dispctl::kToolbarMask) != 0);
  actions_.at(cmd::kStatusBar)->setChecked((flags & dispctl::kStatusBar) != 0);
  actions_.at(cmd::kTree)->setChecked((flags & dispctl::kFolderTree) != 0);
  actions_.at(cmd::kTopmost)->setChecked(s.Int(IntKey::kTopmost) != 0);
  actions_.at(cmd::kUndoMode)->setChecked(session_.list.undo_mode());
  actions_.at(cmd::kFolderMode)->setChecked(s.Int(IntKey::kFileDir) != 0);
  actions_.at(cmd::kContextMenuEntry)->setChecked(s.Int(IntKey::kDispcmenu) != 0);
  for (int id : {cmd::kRecordFilter, cmd::kRecordReplace, cmd::kRecordOther}) {
    actions_.at(id)->setChecked((static_cast<std::uint32_t>(s.Int(IntKey::kInputlog)) &
                                 InputLogBit(id)) != 0);
  }
}

void MainWindow::SetBusy() {
  busy_ = true;
  QTimer::singleShot(100, this, [this] { busy_ = false; });
}

void MainWindow::RunCommand(int id) {
  if (busy_ || !IsCommandAvailable(id)) return;
  FileList& list = session_.list;
  if (IsSortCommand(id)) {
    const auto [key, choice] = SortCommandKey(id);
    SortByKey(key, choice);
    return;
  }
  switch (id) {
    case cmd::kOpenFolder: {
      const bool folders = session_.settings.Int(IntKey::kFileDir) != 0;
      const QString title = folders ? tr("指定したフォルダの直下のフォルダがリストに追加されます")
                                    : tr("指定したフォルダ以下のファイルがリストに追加されます");
      const QString start = QString::fromStdU16String(session_.settings.Text(TextKey::kBasepath));
      const QString chosen = QFileDialog::getExistingDirectory(this, title, start);
      if (chosen.isEmpty()) return;
      std::u16string path = chosen.toStdU16String();
      session_.settings.SetText(TextKey::kBasepath, path);
      ScanPaths({path}, AddSource::kDrop, /*from_drop=*/false);
      return;
    }
    case cmd::kQuit:
      close();
      return;
    case cmd::kHelp:
      ShowHelp();
      return;
    case cmd::kCut:
    case cmd::kCopy:
    case cmd::kPaste: {
      // From the menu or toolbar with an edit box focused, the box edits.
      QWidget* focus = QApplication::focusWidget();
      if (auto* edit = qobject_cast<QLineEdit*>(focus)) {
        if (id == cmd::kCut) edit->cut();
        if (id == cmd::kCopy) edit->copy();
        if (id == cmd::kPaste) edit->paste();
        return;
      }
      if (id == cmd::kPaste) {
        PasteRows();
      } else {
        CopyRows(id == cmd::kCut);
      }
      return;
    }
    case cmd::kAbout:
      ShowAbout();
      return;
    case cmd::kMoveUp:
    case cmd::kMoveDown:
      ChangeList([&] {
        list.MoveSelected(id == cmd::kMoveUp ? FileList::kMoveUp : FileList::kMoveDown);
      });
      sort_state_.MarkListChanged();
      if (list.FocusedRow() >= 0) view_->scrollTo(model_->index(list.FocusedRow(), 0));
      return;
    case cmd::kInvertSelection:
      list.InvertSelection();
      PushSelection();
      return;
    case cmd::kSelectAll:
    case cmd::kSelectAllKey:
      list.SelectAll();
      PushSelection();
      return;
    case cmd::kDeleteSelected:
      ChangeList([&] { list.DeleteSelected(); });
      sort_state_.MarkListChanged();
      return;
    case cmd::kClearAll:
      ChangeList([&] { list.ClearAll(); });
      sort_state_.MarkListChanged();
      return;
    case cmd::kRefresh:
      ChangeList([&] { list.RefreshSizeDate(-1, session_.fs()); });
      return;
    case cmd::kOpenFile:
    case cmd::kOpenParent:
    case cmd::kProperties: {
      const int row = TargetRow();
      if (row < 0) return;
      if (id == cmd::kOpenFile) {
        OpenPath(list.FullPath(row));
      } else if (id == cmd::kOpenParent) {
        OpenPath(std::u16string(list.GetCell(row, Cell::kFolder)));
      } else {
        PropertiesDialog dialog(session_.fs(), list.FullPath(row), this);
        dialog.exec();
      }
      return;
    }
    case cmd::kPageDown:
      view_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
      return;
    case cmd::kPageUp:
      view_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
      return;
    case cmd::kToolbar:
    case cmd::kStatusBar: {
      std::uint32_t flags = session_.settings.Word(OptionWord::kDispcontrols);
      if (id == cmd::kToolbar) {
        flags = (flags & dispctl::kToolbarMask) != 0 ? flags & ~dispctl::kToolbarMask
                                                      : (flags & ~dispctl::kToolbarMask) | 1u;
      } else {
        flags ^= dispctl::kStatusBar;
      }
      session_.settings.SetWord(OptionWord::kDispcontrols, flags);
      ApplyViewFlags();
      UpdateActions();
      if (id == cmd::kStatusBar) SetStatus(status_code_);
      return;
    }
    case cmd::kTopmost: {
      const bool on = session_.settings.Int(IntKey::kTopmost) == 0;
      session_.settings.SetInt(IntKey::kTopmost, on ? 1 : 0);
      const bool shown = isVisible();
      setWindowFlag(Qt::WindowStaysOnTopHint, on);
      if (shown) show();
      UpdateActions();
      return;
    }
    case cmd::kRecordFilter:
    case cmd::kRecordReplace:
    case cmd::kRecordOther:
      session_.settings.SetInt(IntKey::kInputlog,
                               static_cast<std::int32_t>(
                                   static_cast<std::uint32_t>(session_.settings.Int(IntKey::kInputlog)) ^
                                   InputLogBit(id)));
      UpdateActions();
      return;
    default:
      return;
  }
}

void MainWindow::SortByKey(int key, int choice) {
  SortOptions options;
  options.number_aware = session_.settings.Int(IntKey::kSortnumlogical) != 0;
  // TODO(ctrl): preview_statuses from the controller's "rows carry preview statuses".
  SortResult result;
  ChangeList([&] {
    result = Sort(session_.list, sort_state_, key, choice, options, this, &session_.messenger);
  });
  ShowArrows(result);
  if (session_.list.FocusedRow() >= 0) view_->scrollTo(model_->index(session_.list.FocusedRow(), 0));
}

void MainWindow::ShowArrows(const SortResult& result) {
  if (result.outcome == SortOutcome::kRefused) return;
  QHeaderView* header = view_->horizontalHeader();
  header->setSortIndicatorShown(false);
  for (int key = 0; key < kSortKeyCount; ++key) {
    const HeaderArrow arrow = result.arrows[static_cast<std::size_t>(key)];
    if (arrow != HeaderArrow::kUp && arrow != HeaderArrow::kDown) continue;
    const int column = session_.list.ColumnOf(static_cast<Cell>(key));
    if (column < 0) continue;
    header->setSortIndicator(column,
                             arrow == HeaderArrow::kUp ? Qt::AscendingOrder : Qt::DescendingOrder);
    header->setSortIndicatorShown(true);
  }
}

void MainWindow::CopyRows(bool cut) {
  std::optional<Result<std::u16string>> text;
  ChangeList([&] { text.emplace(ClipboardText(session_.list, cut, session_.messenger)); });
  if (cut) sort_state_.MarkListChanged();
  if (*text) QGuiApplication::clipboard()->setText(QString::fromStdU16String(**text));
}

void MainWindow::PasteRows() {
  const std::u16string text = QGuiApplication::clipboard()->text().toStdU16String();
  if (text.empty()) return;
  ChangeList([&] { (void)TextToList(session_.list, text, session_.messenger); });
  sort_state_.MarkListChanged();
}

void MainWindow::ShowListMenu(const QPoint& position) {
  for (QAction* entry : list_menu_->actions()) {
    entry->setEnabled(IsCommandAvailable(entry->data().toInt()) && TargetRow() >= 0);
  }
  list_menu_->popup(view_->viewport()->mapToGlobal(position));
}

void MainWindow::OpenPath(const std::u16string& path) {
  QDesktopServices::openUrl(UrlOfPath(path));
}

void MainWindow::ShowHelp() {
  const QString beside = QCoreApplication::applicationDirPath() +
                         QStringLiteral("/help/index.html");
  const QString installed = QStringLiteral("/usr/share/doc/tessivo/help/index.html");
  for (const QString& path : {beside, installed}) {
    if (QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return;
  }
  session_.messenger.ShowMessage(message_kind::kCustom, box::kOk | box::kIconWarning,
                                 u"No Help HTML File!", u"ヘルプHTMLファイルが見つかりません。",
                                 kLevelError);
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
    std::u16string path = PathOfDroppedUrl(url);
    if (!path.empty()) paths.push_back(std::move(path));
  }
  if (paths.empty()) return;
  event->acceptProposedAction();
  AddDroppedPaths(paths);
}

void MainWindow::AddDroppedPaths(const std::vector<std::u16string>& paths) {
  if (operation_) return;
  SetBusy();
  ScanPaths(paths, AddSource::kDrop, /*from_drop=*/true);
}

ScanSummary MainWindow::ScanPaths(const std::vector<std::u16string>& paths, AddSource source,
                                  bool from_drop) {
  ScanSummary summary;
  operation_ = true;
  UpdateActions();
  {
    ScanInputGuard guard;
    scan_guard_ = &guard;
    if (from_drop) {
      raise();
      activateWindow();
    }
    // TODO(ctrl): hand the scan the Escape poll (scan_guard_->EscapeHeld), the
    // bring-to-front and the status sink once Session::AddPaths takes them.
    ChangeList([&] { summary = session_.AddPaths(paths, source); });
    // TODO(ctrl): the scanner shows the idle notice itself once it has the status sink.
    SetStatus(status_code::kIdle);
    scan_guard_ = nullptr;
  }
  operation_ = false;
  sort_state_.MarkListChanged();
  UpdateActions();
  return summary;
}

void MainWindow::LoadCommandLine(const CommandLine& command_line,
                                 const std::u16string& working_folder) {
  SetStatus(status_code::kIdle);
  std::vector<std::u16string> paths;
  for (const std::u16string& argument : command_line.paths) {
    paths.push_back(AbsolutePath(argument, working_folder));
  }
  if (!paths.empty()) ScanPaths(paths, AddSource::kCommandLine, /*from_drop=*/false);
  if (command_line.filter_text) {
    ChangeList([&] {
      session_.narrow.text = *command_line.filter_text;
      Narrow(session_.list, session_.narrow, kNarrowOnEdit);
    });
  }
  if (command_line.sort_code >= 0) {
    SortByKey(command_line.sort_code / 10, command_line.sort_code % 10);
  }
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
  if (operation_) {
    event->ignore();
    return;
  }
  // TODO(ctrl): Session::Save(SaveInputs) once the session takes the window's inputs.
  (void)session_.settings.Save(SaveMode::kExit, CollectSaveInputs());
  (void)RemoveEmptyMacroList(session_.fs(), session_.location().folder);
  event->accept();
}

}  // namespace tessivo
