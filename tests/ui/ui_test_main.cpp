// The window program's tests run offscreen: no display is needed, also when
// CTest lists them at build time.
#include <QApplication>
#include <gtest/gtest.h>

#include "ui/qt_message_sink.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tessivo::InstallQtJapanese();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
