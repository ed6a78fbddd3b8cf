// tessivo-gui: the window program.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setObjectName(QStringLiteral("Tessivo"));
  window.setWindowTitle(QStringLiteral("テッシーヴォ "));
  window.show();
  return app.exec();
}
