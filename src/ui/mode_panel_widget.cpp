#include "ui/mode_panel_widget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTabBar>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <vector>

#include "app/session.h"
#include "config/settings.h"
#include "core/narrow.h"
#include "exec/undo.h"
#include "modes/mode_catalogue.h"
#include "modes/mode_panel.h"
#include "modes/serial.h"
#include "ui/panel_binder.h"
#include "ui/serial_assist_dialog.h"

namespace tessivo {
namespace {

// Lays its widgets out in rows, left to right, starting a new row where the
// next one does not fit. Hidden widgets take no room. A widget with the
// property "flowGlue" stays on the row of the widget after it (a label and
// its field), and widgets with the property "flowStretch" share what is left
// of their row.
class FlowLayout final : public QLayout {
 public:
  FlowLayout(QWidget* parent, int spacing) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(spacing);
  }
  ~FlowLayout() override {
    while (QLayoutItem* item = takeAt(0)) delete item;
  }

  void addItem(QLayoutItem* item) override { items_.push_back(item); }
  int count() const override { return static_cast<int>(items_.size()); }
  QLayoutItem* itemAt(int index) const override {
    return index >= 0 && index < count() ? items_[static_cast<std::size_t>(index)] : nullptr;
  }
  QLayoutItem* takeAt(int index) override {
    if (index < 0 || index >= count()) return nullptr;
    QLayoutItem* item = items_[static_cast<std::size_t>(index)];
    items_.erase(items_.begin() + index);
    return item;
  }
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false); }
  void setGeometry(const QRect& rect) override {
    QLayout::setGeometry(rect);
    Arrange(rect, true);
  }
  QSize sizeHint() const override { return minimumSize(); }
  QSize minimumSize() const override {
    QSize size;
    for (QLayoutItem* item : items_) size = size.expandedTo(item->minimumSize());
    return size;
  }

 private:
  static bool Has(const QLayoutItem* item, const char* property) {
    return item->widget() != nullptr && item->widget()->property(property).toBool();
  }
  static bool Glued(const QLayoutItem* item) { return Has(item, "flowGlue"); }
  static bool Stretches(const QLayoutItem* item) { return Has(item, "flowStretch"); }

  // Places the items (when `apply`) and returns the height they take.
  int Arrange(const QRect& rect, bool apply) const {
    std::vector<QLayoutItem*> shown;
    for (QLayoutItem* item : items_) {
      if (!item->isEmpty()) shown.push_back(item);
    }
    // Chunks of glued items never break; rows are filled chunk by chunk.
    std::vector<std::vector<QLayoutItem*>> rows(1);
    int x = 0;
    for (std::size_t i = 0; i < shown.size();) {
      std::size_t end = i;
      int chunk = shown[i]->sizeHint().width();
      while (Glued(shown[end]) && end + 1 < shown.size()) {
        ++end;
        chunk += spacing() + shown[end]->sizeHint().width();
      }
      if (!rows.back().empty() && x + spacing() + chunk > rect.width()) {
        rows.emplace_back();
        x = 0;
      }
      x += (rows.back().empty() ? 0 : spacing()) + chunk;
      for (; i <= end; ++i) rows.back().push_back(shown[i]);
    }
    int y = rect.y();
    for (const std::vector<QLayoutItem*>& row : rows) {
      if (row.empty()) continue;
      int height = 0, used = 0, expanding = 0;
      for (QLayoutItem* item : row) {
        height = std::max(height, item->sizeHint().height());
        used += item->sizeHint().width();
        if (Stretches(item)) ++expanding;
      }
      used += spacing() * static_cast<int>(row.size() - 1);
      const int extra = expanding > 0 ? std::max(0, rect.width() - used) / expanding : 0;
      int left = rect.x();
      for (QLayoutItem* item : row) {
        const QSize hint = item->sizeHint();
        int width = hint.width();
        if (Stretches(item)) width += extra;
        if (apply) {
          item->setGeometry(QRect(left, y + (height - hint.height()) / 2, width, hint.height()));
        }
        left += width + spacing();
      }
      y += height + spacing();
    }
    return std::max(0, y - rect.y() - spacing());
  }

  std::vector<QLayoutItem*> items_;
};

// The panel's flow: each mode's controls in reading order, with the
// unnumbered labels that belong to them (`label` set: a label shown and
// hidden with control `id`, glued to it).
struct Piece {
  int id;
  const char* label = nullptr;
};
constexpr Piece kFlow[] = {
    {ctl::kSampleName},
    {ctl::kPositionNoExtension},
    {ctl::kExtensionDot},
    {ctl::kExtensionText},
    {ctl::kExtensionAppend},
    {ctl::kSerialText},
    {ctl::kSerialText, QT_TRANSLATE_NOOP("ModePanel", "から始まる連番を")},
    {ctl::kSerialPosition},
    {ctl::kSerialAssist},
    {ctl::kSerialPerFolder},
    {ctl::kCaseOption},
    {ctl::kCaseFullWidth},
    {ctl::kExceptionLabel},
    {ctl::kExceptionWords},
    {ctl::kWidthDirection},
    {ctl::kWidthKatakana},
    {ctl::kWidthLetters},
    {ctl::kWidthDigits},
    {ctl::kWidthSymbols},
    {ctl::kShortNameCase},
    {ctl::kAddDirection},
    {ctl::kAddPosition},
    {ctl::kAddPosition, QT_TRANSLATE_NOOP("ModePanel", "文字目に")},
    {ctl::kAddText},
    {ctl::kAddText, QT_TRANSLATE_NOOP("ModePanel", "を追加")},
    {ctl::kDeleteKind},
    {ctl::kDeleteKind, QT_TRANSLATE_NOOP("ModePanel", "を削除")},
    {ctl::kDeleteCount},
    {ctl::kDeleteCountLabel},
    {ctl::kDeleteCount2},
    {ctl::kDeleteCount2, QT_TRANSLATE_NOOP("ModePanel", "文字分")},
    {ctl::kDateSource},
    {ctl::kDateFormat},
    {ctl::kDateSeparator, QT_TRANSLATE_NOOP("ModePanel", "区切り文字[〓]")},
    {ctl::kDateSeparator},
    {ctl::kDatePlacement},
    {ctl::kDateUnits},
    {ctl::kSearchText},
    {ctl::kSearchText, QT_TRANSLATE_NOOP("ModePanel", "を")},
    {ctl::kReplacementText},
    {ctl::kReplacementText, QT_TRANSLATE_NOOP("ModePanel", "に")},
    {ctl::kReplaceWhich},
    {ctl::kReplaceRegexp},
    {ctl::kReplaceCase},
    {ctl::kReplaceExtension},
    {ctl::kLoadCsv},
    {ctl::kRandomPattern},
    {ctl::kRandomExtension, QT_TRANSLATE_NOOP("ModePanel", "拡張子：")},
    {ctl::kRandomExtension},
    {ctl::kRandomLength, QT_TRANSLATE_NOOP("ModePanel", "文字数：")},
    {ctl::kRandomLength},
    {ctl::kStampOperation},
    {ctl::kShiftDays},
    {ctl::kShiftDays, QT_TRANSLATE_NOOP("ModePanel", "日と")},
    {ctl::kStampDate},
    {ctl::kStampTime},
    {ctl::kStampNow},
    {ctl::kStampIncrement},
    {ctl::kStampIncrement, QT_TRANSLATE_NOOP("ModePanel", "秒ずつ増加")},
    {ctl::kStampOnlyWhen},
    {ctl::kShiftDirection},
    {ctl::kReadOnly},
    {ctl::kHidden},
    {ctl::kArchive},
    {ctl::kSystem},
    {ctl::kMacroSlot},
    {ctl::kMacroRecord},
    {ctl::kMacroDelete},
    {ctl::kMacroEdit},
};

// Labels that name the field after them.
constexpr int kLeadingStatics[] = {ctl::kExtensionDot, ctl::kExceptionLabel};

// The number fields: the digits they take and the setting whose range the
// mouse wheel keeps to.
struct NumberField {
  int id;
  int max_digits;
  IntKey key;
};
constexpr NumberField kNumberFields[] = {
    {ctl::kAddPosition, 3, IntKey::kAddlen},     {ctl::kDeleteCount, 3, IntKey::kDellen},
    {ctl::kDeleteCount2, 3, IntKey::kDellen2},   {ctl::kStampIncrement, 10, IntKey::kTimeplus},
    {ctl::kShiftDays, 10, IntKey::kFwdbackdays},
};

const NumberField* FindNumberField(int id) {
  for (const NumberField& f : kNumberFields) {
    if (f.id == id) return &f;
  }
  return nullptr;
}

// Commands of buttons inside the mode panels, reported as clicks.
constexpr int kReportedModeButtons[] = {ctl::kLoadCsv, ctl::kMacroRecord, ctl::kMacroDelete,
                                        ctl::kMacroEdit};

// Fields whose content is wider than a combo box's default: widths in
// characters.
struct FieldWidth {
  int id;
  int chars;
  bool expands;
};
constexpr FieldWidth kFieldWidths[] = {
    {ctl::kSampleName, 36, true},     {ctl::kExtensionText, 10, false},
    {ctl::kSerialText, 16, false},    {ctl::kExceptionWords, 24, true},
    {ctl::kAddPosition, 3, false},    {ctl::kAddText, 16, false},
    {ctl::kDeleteCount, 3, false},    {ctl::kDeleteCount2, 3, false},
    {ctl::kDateFormat, 22, false},    {ctl::kDateSeparator, 5, false},
    {ctl::kSearchText, 16, false},    {ctl::kReplacementText, 16, false},
    {ctl::kStampIncrement, 6, false}, {ctl::kShiftDays, 3, false},
};

constexpr int kMargin = 4;

QString IdName(int id) { return QStringLiteral("id%1").arg(id); }

void Glue(QWidget* widget) { widget->setProperty("flowGlue", true); }

void SetWidthInChars(QWidget* widget, int chars, bool expands) {
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(chars);
  } else {
    const int width = widget->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 16;
    if (expands) {
      widget->setMinimumWidth(width);
    } else {
      widget->setFixedWidth(width);
    }
  }
  widget->setProperty("flowStretch", expands);
}

}  // namespace

ModePanelWidget::ModePanelWidget(Session& session, QWidget* parent)
    : QWidget(parent), session_(session), binder_(new PanelBinder(session.panel, this)) {
  setObjectName(QStringLiteral("modePanel"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(kMargin, kMargin / 2, kMargin, kMargin / 2);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  grid->addWidget(BuildModeButtons(), 0, 0);
  grid->addWidget(BuildModeArea(), 1, 0);
  grid->addWidget(BuildRunColumn(), 0, 1, 2, 1);
  grid->setColumnStretch(0, 1);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

  connect(binder_, &PanelBinder::edited, this, &ModePanelWidget::OnEdited);

  // "現在時刻": first 50 ms after start, then every 496 ms.
  clock_ = new QTimer(this);
  clock_->setSingleShot(true);
  connect(clock_, &QTimer::timeout, this, [this] {
    OnClockTick();
    clock_->start(496);
  });
  clock_->start(50);

  Refresh();
}

ModePanelWidget::~ModePanelWidget() = default;

QWidget* ModePanelWidget::BuildModeButtons() {
  auto* box = new QWidget(this);
  auto* layout = new QGridLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setHorizontalSpacing(2);
  layout->setVerticalSpacing(2);

  auto* top = new QHBoxLayout;
  top->setSpacing(6);
  tabs_ = new QTabBar(box);
  tabs_->setObjectName(QStringLiteral("modeTabs"));
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);
  tabs_->setUsesScrollButtons(false);  // both labels stay whole; the narrowing box gives way
  for (std::u16string_view label : kModeTabLabels) tabs_->addTab(TranslatedText(label));
  // A tab only turns the button faces; the mode changes on a button press.
  connect(tabs_, &QTabBar::currentChanged, this, [this](int tab) {
    if (refreshing_ != 0) return;
    shown_tab_ = tab;
    ShowButtonFaces();
  });
  top->addWidget(tabs_);
  top->addWidget(BuildListRow(), 1);
  layout->addLayout(top, 0, 0, 1, kModeButtons / 2);

  mode_buttons_ = new QButtonGroup(box);
  mode_buttons_->setExclusive(true);
  for (int b = 1; b <= kModeButtons; ++b) {
    auto* button = new QPushButton(box);
    button->setObjectName(IdName(kFirstModeButtonId + b - 1));
    button->setCheckable(true);
    button->setAutoDefault(false);
    // A hidden face keeps its place: the buttons of a tab stay where they
    // are in the two rows of six.
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    mode_buttons_->addButton(button, b);
    mode_button_widgets_[static_cast<std::size_t>(b - 1)] = button;
    layout->addWidget(button, 1 + (b - 1) / (kModeButtons / 2), (b - 1) % (kModeButtons / 2));
  }
  connect(mode_buttons_, &QButtonGroup::idClicked, this,
          [this](int button) { emit modeButtonPressed(shown_tab_, button); });
  return box;
}

QWidget* ModePanelWidget::BuildListRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  auto* filter = new QComboBox(row);
  filter->setObjectName(QStringLiteral("listFilter"));
  filter->setEditable(true);
  filter->setToolTip(tr("絞り込み"));
  filter->lineEdit()->setPlaceholderText(tr("絞り込み"));
  SetWidthInChars(filter, 6, false);
  filter->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  filter->setMaximumWidth(fontMetrics().averageCharWidth() * 40);
  layout->addStretch(1);
  layout->addWidget(filter, 1);
  binder_->Bind(kListFilterBinding, filter);
  struct ListButton {
    int id;
    QString text;
  };
  for (const ListButton& b : {ListButton{panel_button::kRemoveSelected, tr("選択を消去")},
                              ListButton{panel_button::kClearAll, tr("× 全消去 ×")}}) {
    auto* button = new QPushButton(b.text, row);
    button->setObjectName(IdName(b.id));
    button->setAutoDefault(false);
    const int id = b.id;
    connect(button, &QPushButton::clicked, this, [this, id] { emit buttonClicked(id); });
    layout->addWidget(button);
  }
  return row;
}

QWidget* ModePanelWidget::MakeControl(int id, QWidget* parent) {
  const PanelControl& c = session_.panel.At(id);
  QWidget* widget = nullptr;
  switch (c.kind) {
    case ControlKind::kEdit: {
      auto* edit = new QLineEdit(parent);
      if (const NumberField* number = FindNumberField(id)) {
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(number->max_digits)), edit));
        edit->setMaxLength(number->max_digits);
        edit->installEventFilter(this);
      }
      if (id == ctl::kSampleName) edit->setMaxLength(259);
      if (id == ctl::kExceptionWords) edit->setMaxLength(254);
      if (id == ctl::kDateSeparator) edit->setMaxLength(6);
      widget = edit;
      break;
    }
    case ControlKind::kCheckBox:
    case ControlKind::kTriStateBox:
      widget = new QCheckBox(parent);
      break;
    case ControlKind::kComboBox:
    case ControlKind::kEditableCombo: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(c.kind == ControlKind::kEditableCombo);
      combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
      widget = combo;
      break;
    }
    case ControlKind::kStatic:
      widget = new QLabel(parent);
      break;
    case ControlKind::kButton: {
      auto* button = new QPushButton(parent);
      button->setAutoDefault(false);
      if (id == ctl::kSerialAssist) {
        connect(button, &QPushButton::clicked, this, &ModePanelWidget::OpenSerialAssist);
      } else if (std::find(std::begin(kReportedModeButtons), std::end(kReportedModeButtons), id) !=
                 std::end(kReportedModeButtons)) {
        connect(button, &QPushButton::clicked, this, [this, id] { emit buttonClicked(id); });
      }
      widget = button;
      break;
    }
    case ControlKind::kDatePicker: {
      auto* date = new QDateEdit(parent);
      date->setDisplayFormat(QStringLiteral("yyyy'/'MM'/'dd"));
      date->setCalendarPopup(true);
      date->setMinimumDate(QDate(kMinFileTimeYear, 1, 1));
      widget = date;
      break;
    }
    case ControlKind::kTimePicker: {
      auto* time = new QTimeEdit(parent);
      time->setDisplayFormat(QStringLiteral("HH':'mm':'ss"));
      widget = time;
      break;
    }
  }
  widget->setObjectName(IdName(id));
  for (const FieldWidth& f : kFieldWidths) {
    if (f.id == id) SetWidthInChars(widget, f.chars, f.expands);
  }
  return widget;
}

QWidget* ModePanelWidget::BuildModeArea() {
  mode_area_ = new QWidget(this);
  mode_area_->setObjectName(QStringLiteral("modeArea"));
  auto* flow = new FlowLayout(mode_area_, 6);
  std::map<int, std::vector<QWidget*>> companions;
  QWidget* previous = nullptr;
  int previous_id = 0;
  for (const Piece& piece : kFlow) {
    if (piece.label == nullptr) {
      QWidget* control = MakeControl(piece.id, mode_area_);
      controls_[piece.id] = control;
      flow->addWidget(control);
      if (std::find(std::begin(kLeadingStatics), std::end(kLeadingStatics), piece.id) !=
          std::end(kLeadingStatics)) {
        Glue(control);
      }
      previous = control;
      previous_id = piece.id;
      continue;
    }
    auto* label = new QLabel(QCoreApplication::translate("ModePanel", piece.label), mode_area_);
    flow->addWidget(label);
    companions[piece.id].push_back(label);
    // A label after its control is glued to it; one before it, to the next.
    if (previous_id == piece.id) {
      Glue(previous);
    } else {
      Glue(label);
    }
    previous = label;
    previous_id = 0;
  }
  // The delete counts read as one phrase: "[n] 文字より後 [m] 文字分".
  Glue(controls_[ctl::kDeleteCount]);
  Glue(controls_[ctl::kDeleteCountLabel]);

  undo_label_ = new QLabel(TranslatedText(kUndoModeLabel), mode_area_);
  undo_label_->setObjectName(QStringLiteral("undoModeLabel"));
  QFont big = undo_label_->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  undo_label_->setFont(big);
  flow->addWidget(undo_label_);

  for (const auto& [id, widget] : controls_) binder_->Bind(id, widget, companions[id]);

  // Tab order: each mode's controls in the model's order.
  for (int mode = 1; mode <= kModeTableSize; ++mode) {
    const std::vector<int>& ids = session_.panel.ControlsOf(mode);
    for (std::size_t i = 1; i < ids.size(); ++i) {
      setTabOrder(controls_[ids[i - 1]], controls_[ids[i]]);
    }
  }

  // Two rows are kept for every mode, so the list below does not move when
  // the mode changes; a mode that needs more at a narrow width grows.
  const int row = QComboBox().sizeHint().height();
  mode_area_->setMinimumHeight(2 * row + flow->spacing());
  return mode_area_;
}

QWidget* ModePanelWidget::BuildRunColumn() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(3);
  auto make = [&](int id) {
    auto* button = new QPushButton(column);
    button->setObjectName(IdName(id));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, id] { emit buttonClicked(id); });
    return button;
  };
  confirm_ = make(panel_button::kConfirm);
  confirm_->setText(tr("変更確認"));
  layout->addWidget(confirm_);

  auto* execute_row = new QHBoxLayout;
  execute_row->setSpacing(2);
  execute_icon_ = new QLabel(column);
  execute_icon_->setObjectName(QStringLiteral("executeIcon"));
  const int icon = style()->pixelMetric(QStyle::PM_SmallIconSize);
  execute_icon_->setPixmap(style()->standardIcon(QStyle::SP_DialogApplyButton).pixmap(icon, icon));
  execute_row->addWidget(execute_icon_);
  execute_ = make(panel_button::kExecute);
  execute_row->addWidget(execute_, 1);
  layout->addLayout(execute_row);

  undo_ = make(panel_button::kUndo);
  layout->addWidget(undo_);
  undo_logs_ = new QComboBox(column);
  undo_logs_->setObjectName(QStringLiteral("undoLogList"));
  connect(undo_logs_, &QComboBox::activated, this, [this](int index) {
    if (index >= 0) emit undoLogChosen(index + kNewestLogSlot);
  });
  layout->addWidget(undo_logs_);
  layout->addStretch(1);

  progress_ = new QProgressBar(column);
  progress_->setObjectName(IdName(kProgressBarId));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progress_->setMaximumHeight(confirm_->sizeHint().height() / 2);
  layout->addWidget(progress_);
  column->setMinimumWidth(fontMetrics().horizontalAdvance(tr("☆ 実行 ☆")) + 3 * icon);
  return column;
}

QWidget* ModePanelWidget::Control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void ModePanelWidget::Refresh() {
  ++refreshing_;
  const bool undo = session_.undo.active();
  if (session_.mode() != refreshed_mode_ || undo != refreshed_undo_) {
    shown_tab_ = session_.selection.tab;
    refreshed_mode_ = session_.mode();
    refreshed_undo_ = undo;
  }
  // The narrowing box shows the text the list is narrowed by (empty at
  // start; the keyword "リスト選択" waits in the drop-down).
  PanelControl& filter = session_.panel.list_filter;
  if (filter.text != session_.narrow.text) {
    filter.text = session_.narrow.text;
    auto it = std::find(filter.items.begin(), filter.items.end(), filter.text);
    filter.value = it == filter.items.end() ? -1 : static_cast<int>(it - filter.items.begin());
  }
  binder_->Push();
  // `rmargin` and `bmargin`: extra room on the right and below, in pixels.
  layout()->setContentsMargins(kMargin, kMargin / 2,
                               kMargin + session_.settings.Int(IntKey::kRmargin),
                               kMargin / 2 + session_.settings.Int(IntKey::kBmargin));
  // In undo mode the label stands in for every panel.
  const bool label = undo || session_.panel.undo_label_visible();
  if (label) {
    for (const auto& [id, widget] : controls_) widget->setVisible(false);
    for (QObject* child : mode_area_->children()) {
      if (auto* w = qobject_cast<QLabel*>(child); w != nullptr && w != undo_label_) {
        w->setVisible(false);
      }
    }
  }
  undo_label_->setVisible(label);
  // Lay the controls out now, from the visibility just set, rather than at
  // some later turn of the event loop from a half-updated set.
  mode_area_->layout()->invalidate();
  mode_area_->layout()->activate();
  ShowButtonFaces();
  RefreshUndoLook();
  --refreshing_;
}

void ModePanelWidget::ShowButtonFaces() {
  ++refreshing_;
  tabs_->setCurrentIndex(shown_tab_);
  const auto faces = ModeButtonsOfTab(shown_tab_);
  const bool mode_tab = shown_tab_ == session_.selection.tab;
  // The group keeps one button checked; let go of that while no button of
  // the shown tab is the mode's.
  mode_buttons_->setExclusive(false);
  for (std::size_t i = 0; i < faces.size(); ++i) {
    QPushButton* button = mode_button_widgets_[i];
    button->setText(TranslatedText(faces[i].label));
    button->setVisible(faces[i].visible);
    button->setChecked(mode_tab && static_cast<int>(i) + 1 == session_.selection.checked_button);
  }
  mode_buttons_->setExclusive(true);
  --refreshing_;
}

void ModePanelWidget::RefreshUndoLook() {
  const bool undo = session_.undo.active();
  const UndoUiState ui = undo ? UndoModeUi(session_.undo.slot()) : NormalModeUi(session_.mode());
  undo_->setText(TranslatedText(ui.undo_button_text));
  execute_->setText(TranslatedText(ui.execute_button_text));
  confirm_->setEnabled(ui.mode_controls_enabled);
  tabs_->setEnabled(ui.mode_controls_enabled);
  for (QPushButton* button : mode_button_widgets_) button->setEnabled(ui.mode_controls_enabled);
  execute_icon_->setVisible(!ui.log_list_visible);
  undo_logs_->setVisible(ui.log_list_visible);
  if (ui.log_list_visible) {
    if (undo_logs_->count() != static_cast<int>(ui.log_list_entries.size())) {
      undo_logs_->clear();
      for (const std::u16string& entry : ui.log_list_entries) {
        undo_logs_->addItem(TranslatedText(entry));
      }
    }
    undo_logs_->setCurrentIndex(ui.log_list_selection);
  }
}

void ModePanelWidget::ShowProgress(int percent) {
  const int value = std::clamp(percent, 0, 100);
  progress_->setValue(value);
  if (value == 0 || value == 100 || !progress_painted_.isValid() ||
      progress_painted_.hasExpired(20)) {
    progress_->repaint();
    progress_painted_.start();
  }
}

void ModePanelWidget::OnEdited(int id) {
  ModePanel& panel = session_.panel;
  switch (id) {
    case kListFilterBinding:
      session_.narrow.text = panel.list_filter.text;
      if (Narrow(session_.list, session_.narrow, kNarrowOnEdit)) emit narrowingApplied();
      return;
    case ctl::kSampleName:
      session_.position_edit.UpdatePositionMap(panel.At(id).text);
      session_.run_state.names_current = false;
      break;
    case ctl::kCaseOption:
      ApplyCaseOptionRule(panel, session_.settings);
      Refresh();
      break;
    case ctl::kDeleteKind:
      ApplyDeleteKindRule(panel);
      Refresh();
      break;
    case ctl::kStampOperation:
      ApplyTimestampOptionRule(panel);
      Refresh();
      break;
    default:
      break;
  }
  emit controlChanged(id);
}

void ModePanelWidget::OnClockTick() {
  const PanelControl& now_box = session_.panel.At(ctl::kStampNow);
  if (now_box.value == 0 || !now_box.visible || refreshed_undo_) return;
  const QDateTime now = QDateTime::currentDateTime();
  CalendarTime& date = session_.panel.At(ctl::kStampDate).time;
  date.year = static_cast<std::uint16_t>(now.date().year());
  date.month = static_cast<std::uint16_t>(now.date().month());
  date.day = static_cast<std::uint16_t>(now.date().day());
  date.day_of_week = static_cast<std::uint16_t>(now.date().dayOfWeek() % 7);
  CalendarTime& time = session_.panel.At(ctl::kStampTime).time;
  time.hour = static_cast<std::uint16_t>(now.time().hour());
  time.minute = static_cast<std::uint16_t>(now.time().minute());
  time.second = static_cast<std::uint16_t>(now.time().second());
  binder_->Push(ctl::kStampDate);
  binder_->Push(ctl::kStampTime);
}

void ModePanelWidget::StepNumber(int id, int step) {
  const NumberField* field = FindNumberField(id);
  auto* edit = qobject_cast<QLineEdit*>(Control(id));
  const std::int64_t value =
      ReadDigits(edit->text().toStdU16String(), static_cast<std::size_t>(field->max_digits));
  const std::int64_t stepped =
      std::clamp<std::int64_t>(value + step, 0, SpecOf(field->key).maximum);
  edit->setText(QString::number(stepped));  // reaches the model through the binder
}

bool ModePanelWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel) {
    auto* widget = qobject_cast<QWidget*>(watched);
    for (const NumberField& field : kNumberFields) {
      if (Control(field.id) != widget) continue;
      const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
      if (delta != 0 && widget->isEnabled()) StepNumber(field.id, delta > 0 ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool ModePanelWidget::OpenSerialAssist() {
  const std::u16string& text = session_.panel.At(ctl::kSerialText).text;
  SerialAssistDialog dialog(SplitSerialText(text),
                            TranslatedText(ModeEntryOf(session_.mode()).name), this);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  if (accepted && session_.mode() == ModeNumber(RenameMode::kSerial)) {
    PanelControl& field = session_.panel.At(ctl::kSerialText);
    field.text = JoinSerialText(dialog.Fields());
    auto it = std::find(field.items.begin(), field.items.end(), field.text);
    field.value = it == field.items.end() ? -1 : static_cast<int>(it - field.items.begin());
    binder_->Push(ctl::kSerialText);
  }
  emit serialAssistClosed(accepted);
  return accepted;
}

}  // namespace tessivo
