#include "ui/mode_panel_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QWheelEvent>
#include <map>
#include <memory>
#include <sstream>

#include "app/session.h"
#include "core/headless_message_sink.h"
#include "exec/undo.h"
#include "support/fake_file_system.h"

namespace tessivo {
namespace {

QString Q(std::u16string_view text) { return QString::fromStdU16String(std::u16string(text)); }

class ModePanelWidgetTest : public ::testing::Test {
 protected:
  // The panel as wide as it is in a window of the default width (815).
  static constexpr int kWidth = 805;

  ModePanelWidgetTest() {
    fs_.AddFile(u"/prog/use.ini");
    fs_.AddFile(u"/d/a.txt", "1");
    fs_.AddFile(u"/d/b.txt", "2");
    session_.Start(StartOverrides{}, FakeFileSystem::kDefaultTime);
    session_.AddPaths({u"/d"}, AddSource::kDrop);
    panel_ = std::make_unique<ModePanelWidget>(session_);
    panel_->resize(kWidth, panel_->heightForWidth(kWidth));
    panel_->show();
  }

  template <class W = QWidget>
  W* Find(int id) {
    return panel_->findChild<W*>(QStringLiteral("id%1").arg(id));
  }
  void Select(int mode) {
    session_.SelectMode(mode);
    panel_->Refresh();
  }
  void Wheel(int id, int steps) {
    QWheelEvent event(QPointF(2, 2), QPointF(2, 2), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(Find(id), &event);
  }

  FakeFileSystem fs_;
  std::ostringstream messages_;
  HeadlessMessageSink sink_{messages_};
  FixedOffsetTimeZone zone_{9 * 3600};
  Session session_{fs_, sink_, zone_,
                   ProgramLocation{u"/prog/", true, u"/prog/tessivo.ini", u"/prog/registry.ini"}};
  std::unique_ptr<ModePanelWidget> panel_;
};

// Every control of the model has its widget, of the class its kind asks for,
// and a value set in the model shows in the widget and a user's edit of the
// widget comes back into the model.
TEST_F(ModePanelWidgetTest, BinderRoundTripOverEveryControl) {
  const std::map<ControlKind, const char*> kClassOf = {
      {ControlKind::kEdit, "QLineEdit"},          {ControlKind::kCheckBox, "QCheckBox"},
      {ControlKind::kTriStateBox, "QCheckBox"},   {ControlKind::kComboBox, "QComboBox"},
      {ControlKind::kEditableCombo, "QComboBox"}, {ControlKind::kStatic, "QLabel"},
      {ControlKind::kButton, "QPushButton"},      {ControlKind::kDatePicker, "QDateEdit"},
      {ControlKind::kTimePicker, "QTimeEdit"},
  };
  ModePanel& model = session_.panel;
  ASSERT_GT(model.controls().size(), 50u);
  int changed = 0;
  QObject::connect(panel_.get(), &ModePanelWidget::controlChanged, [&](int id) { changed = id; });
  for (const auto& [id, control] : model.controls()) {
    SCOPED_TRACE(id);
    QWidget* widget = Find(id);
    ASSERT_NE(widget, nullptr);
    PanelControl& m = model.At(id);
    EXPECT_STREQ(widget->metaObject()->className(), kClassOf.at(m.kind));
    m.enabled = false;
    panel_->Refresh();
    EXPECT_FALSE(widget->isEnabled());
    m.enabled = true;
    switch (m.kind) {
      case ControlKind::kEdit: {
        auto* edit = qobject_cast<QLineEdit*>(widget);
        m.text = u"12";
        panel_->Refresh();
        EXPECT_EQ(edit->text(), u"12");
        edit->setText(QStringLiteral("7"));
        EXPECT_EQ(m.text, u"7");
        EXPECT_EQ(changed, id);
        if (id == ctl::kSampleName) {  // the position map follows the template
          EXPECT_EQ(session_.position_edit.template_name(), u"7");
          EXPECT_FALSE(session_.run_state.names_current);
        }
        break;
      }
      case ControlKind::kCheckBox:
      case ControlKind::kTriStateBox: {
        auto* box = qobject_cast<QCheckBox*>(widget);
        const bool three = m.kind == ControlKind::kTriStateBox;
        EXPECT_EQ(box->isTristate(), three);
        EXPECT_EQ(box->text(), Q(m.text));
        m.value = three ? 2 : 1;
        panel_->Refresh();
        EXPECT_EQ(box->checkState(), three ? Qt::PartiallyChecked : Qt::Checked);
        box->setCheckState(Qt::Unchecked);
        EXPECT_EQ(m.value, 0);
        if (three) {
          box->setCheckState(Qt::Checked);
          EXPECT_EQ(m.value, 1);
        }
        break;
      }
      case ControlKind::kComboBox: {
        auto* combo = qobject_cast<QComboBox*>(widget);
        EXPECT_FALSE(combo->isEditable());
        ASSERT_EQ(combo->count(), static_cast<int>(m.items.size()));
        EXPECT_EQ(combo->itemText(combo->count() - 1), Q(m.items.back()));
        m.value = combo->count() - 1;
        panel_->Refresh();
        EXPECT_EQ(combo->currentIndex(), combo->count() - 1);
        combo->setCurrentIndex(0);
        EXPECT_EQ(m.value, 0);
        EXPECT_EQ(changed, id);
        break;
      }
      case ControlKind::kEditableCombo: {
        auto* combo = qobject_cast<QComboBox*>(widget);
        EXPECT_TRUE(combo->isEditable());
        EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert);
        m.items = {u"h1", u"h2"};
        m.value = -1;
        m.text = u"typed";
        panel_->Refresh();
        EXPECT_EQ(combo->count(), 2);
        EXPECT_EQ(combo->currentText(), u"typed");
        combo->setCurrentIndex(1);  // picked from the drop-down
        EXPECT_EQ(m.text, u"h2");
        EXPECT_EQ(m.value, 1);
        combo->setEditText(QStringLiteral("h"));  // typed: no entry selected
        EXPECT_EQ(m.text, u"h");
        EXPECT_EQ(m.value, -1);
        break;
      }
      case ControlKind::kStatic:
      case ControlKind::kButton:
        m.text = u"見出し";
        panel_->Refresh();
        EXPECT_EQ(widget->property("text").toString(), u"見出し");
        break;
      case ControlKind::kDatePicker: {
        auto* date = qobject_cast<QDateEdit*>(widget);
        EXPECT_EQ(date->displayFormat(), u"yyyy'/'MM'/'dd");
        m.time = CalendarTime{2024, 2, 4, 29};
        panel_->Refresh();
        EXPECT_EQ(date->date(), QDate(2024, 2, 29));
        date->setDate(QDate(2023, 12, 31));
        EXPECT_EQ(m.time, (CalendarTime{2023, 12, 0, 31}));  // a Sunday
        break;
      }
      case ControlKind::kTimePicker: {
        auto* time = qobject_cast<QTimeEdit*>(widget);
        EXPECT_EQ(time->displayFormat(), u"HH':'mm':'ss");
        m.time.hour = 13, m.time.minute = 14, m.time.second = 15;
        panel_->Refresh();
        EXPECT_EQ(time->time(), QTime(13, 14, 15));
        time->setTime(QTime(1, 2, 3));
        EXPECT_EQ(m.time.hour * 10000 + m.time.minute * 100 + m.time.second, 10203);
        break;
      }
    }
  }

  // The narrowing box marks the rows it leaves out at once.
  int narrowed = 0;
  QObject::connect(panel_.get(), &ModePanelWidget::narrowingApplied, [&] { ++narrowed; });
  panel_->findChild<QComboBox*>(QStringLiteral("listFilter"))->setEditText(QStringLiteral("b"));
  EXPECT_EQ(narrowed, 1);
  EXPECT_EQ(session_.list.GetFileStatus(0), FileStatus::kExcluded);  // a.txt
}

// Each mode shows exactly its own controls, all of them whole and apart at
// the default width; the tabs turn the button faces; undo mode shows its
// label and the undo buttons.
TEST_F(ModePanelWidgetTest, EveryModeFitsTheDefaultWidthAndUndoReplacesThePanel) {
  QWidget* area = panel_->findChild<QWidget*>(QStringLiteral("modeArea"));
  for (int mode : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 19}) {
    SCOPED_TRACE(mode);
    Select(mode);
    // The longest entries, where there is a choice.
    if (mode == 8) qobject_cast<QComboBox*>(Find(ctl::kDeleteKind))->setCurrentIndex(10);
    panel_->resize(kWidth, panel_->heightForWidth(kWidth));
    for (const auto& [id, control] : session_.panel.controls()) {
      EXPECT_EQ(Find(id)->isVisible(), control.visible) << id;
    }
    std::vector<QWidget*> shown;
    for (QWidget* w : area->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (!w->isVisible()) continue;
      EXPECT_TRUE(area->rect().contains(w->geometry())) << w->objectName().toStdString();
      const int wanted = std::clamp(w->sizeHint().width(), w->minimumWidth(), w->maximumWidth());
      EXPECT_GE(w->width(), wanted) << w->objectName().toStdString();
      for (QWidget* other : shown) EXPECT_FALSE(w->geometry().intersects(other->geometry()));
      shown.push_back(w);
    }
    EXPECT_TRUE(panel_->rect().contains(area->geometry()));
  }

  // `rmargin` keeps the right edge clear.
  session_.settings.SetInt(IntKey::kRmargin, 30);
  panel_->Refresh();
  QCoreApplication::processEvents();
  QWidget* execute = Find(1001);
  EXPECT_LE(execute->mapTo(panel_.get(), QPoint(execute->width(), 0)).x(), kWidth - 30);

  // Tab 2 shows three faces and no pushed button while the mode is on tab 1.
  Select(1);
  panel_->findChild<QTabBar*>(QStringLiteral("modeTabs"))->setCurrentIndex(1);
  for (int b = 1; b <= 12; ++b) {
    QPushButton* button = Find<QPushButton>(1080 + b);
    EXPECT_EQ(button->isVisible(), b == 1 || b == 2 || b == 7) << b;
    EXPECT_FALSE(button->isChecked()) << b;
  }
  EXPECT_EQ(Find<QPushButton>(1087)->text(), u"マクロ");

  // A run to undo, then undo mode.
  Select(2);
  Find<QComboBox>(ctl::kExtensionText)->setEditText(QStringLiteral("bak"));
  ASSERT_EQ(session_.Execute(FakeFileSystem::kDefaultTime), RunResult::kRan);
  UndoContext undo{session_.list, fs_, session_.messenger, zone_, u"/prog/", 0, 2, {}};
  session_.undo.EnterUndo(kUndoCommandSlot, undo);
  ASSERT_TRUE(session_.undo.active());
  ShowUndoModeLabel(session_.panel);
  panel_->Refresh();
  // The buttons and the log list a user sees are checked in the window's tests.
  EXPECT_EQ(panel_->findChild<QComboBox*>(QStringLiteral("undoLogList"))->itemText(8), u"9つ前");
  EXPECT_TRUE(panel_->findChild<QLabel*>(QStringLiteral("undoModeLabel"))->isVisible());
  for (QWidget* w : area->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    EXPECT_EQ(w->isVisible(), w->objectName() == u"undoModeLabel") << w->objectName().toStdString();
  }
}

// Each dependent rule follows an edit of its widget (the rules themselves are
// checked in ModePanelTest), the number fields take the wheel and the clock of
// the timestamp mode runs.
TEST_F(ModePanelWidgetTest, DependentControlsFollowTheirChoices) {
  Select(4);
  Find<QComboBox>(ctl::kCaseOption)->setCurrentIndex(3);
  EXPECT_EQ(Find<QLineEdit>(ctl::kExceptionWords)->text(), u"無効");
  EXPECT_FALSE(Find(ctl::kExceptionWords)->isEnabled());
  Select(8);
  Find<QComboBox>(ctl::kDeleteKind)->setCurrentIndex(10);
  EXPECT_TRUE(Find(ctl::kDeleteCount2)->isVisible());
  EXPECT_EQ(Find<QLabel>(ctl::kDeleteCountLabel)->text(), u"文字より後");

  // The mouse wheel steps the number fields within their settings' ranges.
  const struct { int id; const char *at_max, *below_max; } kWheel[] = {
      {ctl::kAddPosition, "255", "254"},  {ctl::kDeleteCount, "255", "254"},
      {ctl::kDeleteCount2, "255", "254"},  {ctl::kStampIncrement, "604800", "604799"},
      {ctl::kShiftDays, "366", "365"}};
  for (const auto& c : kWheel) {
    auto* field = Find<QLineEdit>(c.id);
    field->setText(QString::fromLatin1(c.below_max));
    Wheel(c.id, 1);
    Wheel(c.id, 1);
    EXPECT_EQ(field->text(), QString::fromLatin1(c.at_max)) << c.id;
    EXPECT_EQ(session_.panel.At(c.id).text, field->text().toStdU16String()) << c.id;
    Wheel(c.id, -1);
    EXPECT_EQ(field->text(), QString::fromLatin1(c.below_max)) << c.id;
  }
  Find<QLineEdit>(ctl::kAddPosition)->setText(QStringLiteral("0"));
  Wheel(ctl::kAddPosition, -1);
  EXPECT_EQ(Find<QLineEdit>(ctl::kAddPosition)->text(), u"0");

  // Timestamp: option 5 shows only the shift controls, and the time picker
  // does not follow the clock there; options 0 to 2 with "現在時刻" do.
  Select(13);
  auto* operation = Find<QComboBox>(ctl::kStampOperation);
  auto* time = Find<QTimeEdit>(ctl::kStampTime);
  operation->setCurrentIndex(0);
  Find<QCheckBox>(ctl::kStampNow)->setChecked(true);
  operation->setCurrentIndex(5);
  EXPECT_TRUE(Find(ctl::kShiftDays)->isVisible() && !Find(ctl::kStampNow)->isVisible());
  time->setTime(QTime(0, 0, 0));
  QTest::qWait(600);
  EXPECT_EQ(time->time(), QTime(0, 0, 0));
  operation->setCurrentIndex(0);
  QTest::qWait(600);
  EXPECT_LE(std::abs(time->time().secsTo(QTime::currentTime())), 1);
  EXPECT_EQ(session_.panel.At(ctl::kStampTime).time.second, time->time().second());
}

// The serial assistant shows field 1017 in its parts, and OK writes the
// joined parts back.
TEST_F(ModePanelWidgetTest, SerialAssistantSplitsAndJoinsTheSerialText) {
  Select(3);
  auto* serial = Find<QComboBox>(ctl::kSerialText);
  serial->setEditText(QStringLiteral("photo_<5-2>x"));
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    auto field = [&](int id) {
      return dialog->findChild<QLineEdit*>(QStringLiteral("id%1").arg(id));
    };
    const QStringList parts = {
        field(1666)->text(), field(1668)->text(),
        dialog->findChild<QComboBox*>(QStringLiteral("id1669"))->currentText(),
        field(1670)->text(), field(1667)->text()};
    EXPECT_EQ(parts.join(u'|'), u"photo_|5|－|2|x");
    field(1668)->setText(QStringLiteral("7"));
    field(1670)->clear();  // an empty increment counts as 1
    qobject_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_TRUE(panel_->OpenSerialAssist());
  EXPECT_EQ(serial->currentText(), u"photo_<7-1>x");
  EXPECT_EQ(session_.panel.At(ctl::kSerialText).text, u"photo_<7-1>x");
}

}  // namespace
}  // namespace tessivo
