// One application for every Qt host test, the game's own (with its boundary
// for exceptions), on the offscreen platform with a 1366 x 768 desktop
// unless the environment says otherwise.
#include <sys/stat.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>

#include <gtest/gtest.h>

#include "host/qt/window/application.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" KESTRIN_QT_TEST_DESKTOP);
  }
  QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (runtime.isEmpty()) {
    runtime = QDir::tempPath().toUtf8() + "/kestrin-qt-tests-runtime";
    qputenv("XDG_RUNTIME_DIR", runtime);
  }
  ::mkdir(runtime.constData(), 0700);  // Qt wants it there, and private

  testing::InitGoogleTest(&argc, argv);
  kestrin::qt::Application app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
