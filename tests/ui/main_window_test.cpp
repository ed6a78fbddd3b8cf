// The window program as a user meets it, offscreen: one scenario from the
// empty window through a drop, selection, moves, clipboard, deletion and
// sorting to closing and starting again with the saved layout.

#include <sys/stat.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "app/session.h"
#include "platform/file_name_bytes.h"
#include "platform/posix_file_system.h"
#include "support/scoped_temp_dir.h"
#include "ui/command_table.h"
#include "ui/file_list_model.h"
#include "ui/main_window.h"
#include "ui/mode_panel_widget.h"
#include "ui/qt_message_sink.h"

namespace tessivo {
namespace {

void WriteFile(const std::string& path, const std::string& bytes = "x") {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A home with a portable ini and the folder x with a.txt and b.txt, under
// `temp`; returns the folder's path.
std::string MakeHomeAndFolder(const ScopedTempDir& temp) {
  const std::string folder = temp.NativePath("x");
  EXPECT_EQ(::mkdir(temp.NativePath("home").c_str(), 0700) | ::mkdir(folder.c_str(), 0700), 0);
  WriteFile(temp.NativePath("home/use.ini"), "");
  WriteFile(folder + "/a.txt");
  WriteFile(folder + "/b.txt");
  return folder;
}

// One start of the program over a throw-away home with a portable ini.
struct Program {
  explicit Program(const std::u16string& home) {
    ProgramEnvironment env;
    env.tessivo_home = home;
    location = *LocateProgram(env, fs);
    session = std::make_unique<Session>(fs, sink, zone, location);
    session->Start(StartOverrides{}, FileTimeFromUnix(1700000000, 0));
    sink.answer_for_tests = [this](const MessageBox& box) {
      boxes.push_back(box);
      return AutomaticAnswer(box.style);
    };
    window = std::make_unique<MainWindow>(*session, sink);
    window->show();
  }
  QString Header(int visual) const {
    const QHeaderView* header = window->list_view()->horizontalHeader();
    return window->model()->headerData(header->logicalIndex(visual), Qt::Horizontal).toString();
  }
  // Every header in the order shown.
  QString Headers() const {
    QStringList shown;
    for (int visual = 0; visual < window->model()->columnCount(); ++visual) shown << Header(visual);
    return shown.join(QLatin1Char(' '));
  }
  QString Cell0(int row) const { return window->model()->index(row, 0).data().toString(); }
  // Past the busy time of a drop (100 ms), however busy the machine.
  void WaitIdle() {
    QTest::qWait(120);
    (void)QTest::qWaitFor([this] { return !window->controller().busy(); }, 5000);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    WaitIdle();
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
  }

  PosixFileSystem fs;
  SystemTimeZone zone;
  QtMessageSink sink;
  ProgramLocation location;
  std::vector<MessageBox> boxes;
  std::unique_ptr<Session> session;
  std::unique_ptr<MainWindow> window;
};

TEST(MainWindowTest, DropSelectMoveCopyDeleteSortAndSaveAtClose) {
  ScopedTempDir temp;
  const std::string home = temp.NativePath("home");
  const std::string folder = MakeHomeAndFolder(temp);
  WriteFile(home + "/tessivo.ini", "[Base]\r\n_count=3\r\n");
  ASSERT_EQ(::mkdir((folder + "/sub").c_str(), 0700), 0);
  WriteFile(folder + "/sub/c.txt");
  WriteFile(folder + "/z\xFF.txt");  // not UTF-8: listed by its bytes
  const QString dir = QString::fromStdString(folder) + QLatin1Char('/');

  auto program = std::make_unique<Program>(Utf8ToUtf16(home));
  MainWindow& w = *program->window;
  QAbstractItemModelTester tester(w.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
  EXPECT_EQ(w.objectName(), QStringLiteral("Tessivo"));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("テッシーヴォ "));
  EXPECT_GE(w.minimumWidth(), 765);
  EXPECT_EQ(program->Headers(), QStringLiteral("変更前 拡張子 変更後 フォルダ名 サイズ 更新日時"));
  EXPECT_EQ(w.CountFieldText(), QStringLiteral("選択   0/   0"));
  // Commands of later versions are there and disabled; the list's are on.
  EXPECT_TRUE(!w.action(cmd::kTextEditor)->isEnabled() && !w.action(cmd::kOptions)->isEnabled() &&
              w.action(cmd::kOpenFolder)->isEnabled());
  auto* sort_menu = w.findChild<QMenu*>(QStringLiteral("sortMenu"));
  ASSERT_NE(sort_menu, nullptr);
  ASSERT_EQ(sort_menu->actions().size(), 12);
  EXPECT_EQ(sort_menu->actions()[0]->text() + sort_menu->actions()[1]->text(),
            QStringLiteral("変更前\tA→Z \tZ→A"));

  // The user drags フォルダ名 to second place and widens 変更前; both survive
  // every reset of the list and are saved at close.
  QHeaderView* header = w.list_view()->horizontalHeader();
  header->moveSection(header->visualIndex(2), 1);
  header->resizeSection(0, 150);

  // A drop of the folder: one level deep, the odd name kept byte for byte.
  auto drop = [&](const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromEncoded(
        "file://" + QByteArray::fromStdString(path).toPercentEncoding("/"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
  };
  drop(folder);
  FileList& list = program->session->list;
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(w.model()->index(0, 2).data().toString(), dir);  // logical column 2: the folder
  EXPECT_EQ(w.StatusFieldText(), QStringLiteral(" ■ファイルやフォルダをドラッグ＆ドロップして下さい。■"));
  EXPECT_EQ(w.CountFieldText(), QStringLiteral("選択   0/   3"));
  bool odd = false;
  for (int row = 0; row < list.Count(); ++row) {
    odd |= Utf16ToUtf8(list.FullPath(row)) == folder + "/z\xFF.txt";
  }
  EXPECT_TRUE(odd) << "the name that is not UTF-8 lost its byte";

  // Header clicks: ascending with an up arrow, then descending.
  auto click_header = [&](int column) {
    program->WaitIdle();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, 5));
  };
  click_header(0);
  EXPECT_EQ(program->Cell0(0) + program->Cell0(1), QStringLiteral("a.txtb.txt"));
  EXPECT_TRUE(header->isSortIndicatorShown() && header->sortIndicatorSection() == 0);
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
  click_header(0);
  EXPECT_EQ(program->Cell0(2), QStringLiteral("a.txt"));
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  click_header(0);
  ASSERT_EQ(program->Cell0(0), QStringLiteral("a.txt"));

  // Keys with the list focused: Ctrl+A selects every row.
  w.list_view()->setFocus();
  program->Key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(w.CountFieldText(), QStringLiteral("選択   3/   3"));
  // A click on row 0, shift-click on row 1: the list's flags follow the view.
  auto row_point = [&](int row) {  // in 拡張子: a click on a selected name would rename
    return QPoint(w.list_view()->columnViewportPosition(1) + 5,
                  w.list_view()->rowViewportPosition(row) + 3);
  };
  QTest::mouseClick(w.list_view()->viewport(), Qt::LeftButton, {}, row_point(0));
  QTest::mouseClick(w.list_view()->viewport(), Qt::LeftButton, Qt::ShiftModifier, row_point(1));
  EXPECT_TRUE(list.IsSelected(0) && list.IsSelected(1) && !list.IsSelected(2));
  EXPECT_EQ(w.CountFieldText(), QStringLiteral("選択   2/   3"));
  program->Key(Qt::Key_C, Qt::ControlModifier);
  const QString csv = QStringLiteral("\"a.txt\",\"\",\"%1\"\r\n\"b.txt\",\"\",\"%1\"\r\n").arg(dir);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), csv);

  // Tab goes from the list to the mode's first control, Shift+Tab round to its last.
  const std::vector<int>& controls = program->session->panel.ControlsOf(program->session->mode());
  ASSERT_FALSE(controls.empty());
  program->Key(Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), w.panel()->Control(controls.front()));
  program->Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_FALSE(w.panel()->Control(controls.front())->hasFocus());
  EXPECT_TRUE(w.panel()->isAncestorOf(QApplication::focusWidget()));

  // With an edit box focused, Ctrl+A and Del edit the box, not the list.
  auto* edit = new QLineEdit(QStringLiteral("text"));
  w.panel_slot()->addWidget(edit);
  edit->setFocus();
  program->Key(Qt::Key_A, Qt::ControlModifier);
  program->Key(Qt::Key_Delete);
  EXPECT_EQ(edit->text(), QString());
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(w.CountFieldText(), QStringLiteral("選択   2/   3"));

  // Alt+↓ moves the selection down (even from the edit box); the view follows.
  QTest::mouseClick(w.list_view()->viewport(), Qt::LeftButton, {}, row_point(0));
  program->Key(Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(program->Cell0(1), QStringLiteral("a.txt"));
  const QItemSelectionModel* view_selection = w.list_view()->selectionModel();
  EXPECT_TRUE(list.IsSelected(1) && view_selection->isRowSelected(1, {}) &&
              !view_selection->isRowSelected(0, {}));

  // Del removes the selected row; Ctrl+V pastes the copied rows before the focused one.
  w.list_view()->setFocus();
  program->Key(Qt::Key_Delete);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(w.CountFieldText(), QStringLiteral("選択   1/   2"));
  list.SetFocusedRow(1);
  program->Key(Qt::Key_V, Qt::ControlModifier);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(program->Cell0(1) + program->Cell0(2), QStringLiteral("a.txtb.txt"));
  // Ctrl+A then Del empties the list.
  program->Key(Qt::Key_A, Qt::ControlModifier);
  program->Key(Qt::Key_Delete);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(w.CountFieldText(), QStringLiteral("選択   0/   0"));

  // Escape held during a scan stops it; the rows listed so far stay.
  const std::string big = temp.NativePath("big");
  ASSERT_EQ(::mkdir(big.c_str(), 0700), 0);
  for (int i = 0; i < 300; ++i) WriteFile(big + "/f" + std::to_string(i));
  program->WaitIdle();
  QCoreApplication::postEvent(w.list_view(),
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  drop(big);
  EXPECT_LT(list.Count(), 300);
  EXPECT_EQ(w.CountFieldText(),
            QStringLiteral("選択   0/ %1").arg(list.Count(), 3, 10, QLatin1Char(' ')));
  program->WaitIdle();
  drop(big);  // without Escape the rest follows
  EXPECT_EQ(list.Count(), 300);
  // The panel's confirm button previews: the new names show in 変更後.
  program->WaitIdle();
  auto* confirm = w.findChild<QPushButton*>(QStringLiteral("id1003"));
  ASSERT_NE(confirm, nullptr);
  confirm->click();
  EXPECT_EQ(w.model()->index(0, 3).data().toString(), program->Cell0(0));

  // Closing saves the placement and the header; the next start brings them back.
  w.setGeometry(40, 50, 900, 500);
  ASSERT_TRUE(w.close());
  program = std::make_unique<Program>(Utf8ToUtf16(home));
  const MainWindow& again = *program->window;
  EXPECT_EQ(again.geometry().size(), QSize(900, 500));
  EXPECT_EQ(program->Headers(), QStringLiteral("変更前 フォルダ名 拡張子 変更後 サイズ 更新日時"));
  EXPECT_EQ(again.list_view()->horizontalHeader()->sectionSize(0), 150);
}

// The main job with the keyboard and the panel: a mode by Ctrl+2, confirm,
// Enter to execute, undo, the macro mode's button, and a direct rename. What
// each command does is checked in CommandsTest; here, that keys and buttons
// reach it and the window shows the result.
TEST(MainWindowTest, ConfirmExecuteUndoMacroButtonAndDirectRename) {
  ScopedTempDir temp;
  const std::string folder = MakeHomeAndFolder(temp);
  auto files = [&] {  // the names in the folder, sorted
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      names.insert(entry.path().filename().string());
    }
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
    return joined;
  };
  Program program(Utf8ToUtf16(temp.NativePath("home")));
  MainWindow& w = *program.window;
  Session& session = *program.session;
  ModePanelWidget& panel = *w.panel();
  auto button = [&](int id) { return panel.findChild<QPushButton*>(QStringLiteral("id%1").arg(id)); };
  auto* extension = qobject_cast<QComboBox*>(panel.Control(ctl::kExtensionText));
  ASSERT_NE(extension, nullptr);
  w.AddDroppedPaths({Utf8ToUtf16(folder)});
  ASSERT_EQ(session.list.Count(), 2);
  ASSERT_EQ(session.mode(), 1);

  // Alt+← from the first mode wraps round to the macro mode, Alt+→ comes back.
  w.list_view()->setFocus();
  program.Key(Qt::Key_Left, Qt::AltModifier);
  EXPECT_EQ(session.mode(), 19);
  program.Key(Qt::Key_Right, Qt::AltModifier);
  ASSERT_EQ(session.mode(), 1);

  // Ctrl+2: 拡張子, its help in the status bar, the focus in its field; Esc
  // presses the mode's button again, which selects the field's text.
  program.Key(Qt::Key_2, Qt::ControlModifier);
  ASSERT_EQ(session.mode(), 2);
  EXPECT_EQ(w.StatusFieldText(),
            QStringLiteral("【拡張子】 拡張子を変更します。空白にすると拡張子がなくなります。"));
  EXPECT_TRUE(extension->hasFocus());
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("bak"));
  program.Key(Qt::Key_Escape);
  EXPECT_EQ(extension->lineEdit()->selectedText(), QStringLiteral("bak"));

  // Confirm, then Enter executes after the question.
  program.WaitIdle();
  button(1003)->click();
  EXPECT_EQ(session.list.GetFileStatus(0), FileStatus::kChangeable);
  program.boxes.clear();
  extension->setFocus();
  program.Key(Qt::Key_Return);
  ASSERT_FALSE(program.boxes.empty());
  EXPECT_EQ(program.boxes[0].text_id, MessageId::kStartText);
  EXPECT_EQ(files(), "a.bak b.bak");

  // Ctrl+B: undo mode shows on the buttons, the header and the log list; the
  // UnDo button restores the names and leaves it.
  program.Key(Qt::Key_B, Qt::ControlModifier);
  ASSERT_TRUE(session.undo.active());
  EXPECT_EQ(button(1067)->text() + button(1001)->text(), QStringLiteral("UnDo中止★ UnDo ★"));
  EXPECT_FALSE(button(1003)->isEnabled());
  for (int id = 1081; id <= 1092; ++id) EXPECT_FALSE(button(id)->isEnabled()) << id;
  EXPECT_EQ(program.Header(3), QStringLiteral("<備考>"));
  EXPECT_TRUE(panel.findChild<QComboBox*>(QStringLiteral("undoLogList"))->isVisible());
  button(1001)->click();
  EXPECT_EQ(files(), "a.txt b.txt");
  EXPECT_FALSE(session.undo.active());
  EXPECT_EQ(button(1067)->text() + button(1001)->text() + program.Header(3),
            QStringLiteral("変更UnDo☆ 実行 ☆フォルダ名"));

  // The macro mode's button on the second tab selects it.
  program.WaitIdle();
  w.AddDroppedPaths({Utf8ToUtf16(folder)});
  ASSERT_EQ(session.list.Count(), 2);
  program.WaitIdle();
  panel.findChild<QTabBar*>(QStringLiteral("modeTabs"))->setCurrentIndex(1);
  button(1087)->click();  // マクロ
  EXPECT_EQ(session.mode(), 19);

  // F2 edits the name in place; Enter asks, then renames on disk.
  QTest::mouseClick(w.list_view()->viewport(), Qt::LeftButton, {},
                    QPoint(w.list_view()->columnViewportPosition(1) + 5,
                           w.list_view()->rowViewportPosition(0) + 3));
  program.Key(Qt::Key_F2);
  auto* name_edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_NE(name_edit, nullptr);
  name_edit->selectAll();
  QTest::keyClicks(name_edit, QStringLiteral("c.txt"));
  program.boxes.clear();
  program.Key(Qt::Key_Return);  // the edit ends once the view has closed its editor
  (void)QTest::qWaitFor([&] { return !program.boxes.empty(); }, 5000);
  ASSERT_EQ(program.boxes.size(), 1u);
  EXPECT_EQ(program.boxes[0].title, u"Rename it now?");
  EXPECT_EQ(program.Cell0(0), QStringLiteral("c.txt"));
  EXPECT_EQ(files(), program.Cell0(1) == QStringLiteral("a.txt") ? "a.txt c.txt" : "b.txt c.txt");

  // A window opened in test mode says so in its title.
  session.messenger.set_test_mode(true);
  MainWindow test_window(session, program.sink);
  EXPECT_EQ(test_window.windowTitle().toStdU16String(), MainWindowTitle(true, true));
}

// The boxes of each style: buttons, default button, icon; Escape takes the last button.
TEST(QtMessageSinkTest, StylesBecomeButtonsIconsAndDefaults) {
  using B = QMessageBox;
  const struct { BoxStyle style; B::StandardButtons buttons; B::StandardButton default_button;
      B::Icon icon; int escape_answer; } cases[] = {
      {box::kOk | box::kIconInformation, B::Ok, B::Ok, B::Information, kAnswerOk},
      {box::kOkCancel | box::kIconWarning, B::Ok | B::Cancel, B::Ok, B::Warning, kAnswerCancel},
      {box::kYesNo | box::kIconQuestion | box::kDefButton2, B::Yes | B::No, B::No, B::Question,
       kAnswerNo},
      {box::kYesNoCancel | box::kIconStop | box::kDefButton3, B::Yes | B::No | B::Cancel,
       B::Cancel, B::Critical, kAnswerCancel},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<unsigned>(c.style));
    std::ostringstream err;
    QtMessageSink sink(&err);
    QMessageBox* seen = nullptr;
    QTimer::singleShot(0, [&] {
      seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (seen == nullptr) return;
      EXPECT_EQ(seen->standardButtons(), c.buttons);
      EXPECT_EQ(seen->standardButton(seen->defaultButton()), c.default_button);
      EXPECT_EQ(seen->icon(), c.icon);
      EXPECT_TRUE(seen->windowFlags() & Qt::WindowStaysOnTopHint) << "unowned boxes stay on top";
      EXPECT_EQ(seen->text(), QStringLiteral("\"/x/a.txt\"  を \n\"b.txt\"  に\n変更できませんでした。\n\n続行しますか。"))
          << "a catalogue text filled after translation";
      if (QAbstractButton* yes = seen->button(QMessageBox::Yes)) {
        EXPECT_EQ(yes->text(), QStringLiteral("はい(&Y)")) << "Qt's own texts in Japanese";
      }
      QTest::keyClick(seen, Qt::Key_Escape);
    });
    const int answer = sink.Show(MessageBox{u"Title", {}, c.style, false, std::nullopt,
                                            MessageId::kChangeFailedName, {u"/x/a.txt", u"b.txt"}});
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(answer, c.escape_answer);
    EXPECT_TRUE(err.str().empty());
  }
  // A box the policy answered is still written as one line.
  std::ostringstream err;
  QtMessageSink sink(&err);
  sink.Note(
      MessageBox{u"List Full", u"一杯\r\nです", box::kYesNo, false, std::nullopt, std::nullopt, {}},
      kAnswerYes);
  EXPECT_EQ(err.str(), "[List Full] 一杯 です => Yes (answered automatically)\n");
}

}  // namespace
}  // namespace tessivo
