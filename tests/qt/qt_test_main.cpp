// One application for every Qt host test, the game's own (with its boundary
// for exceptions), on the offscreen platform with a 1366 x 768 desktop
// unless the environment says otherwise.
#include <sys/stat.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>

#include <gtest/gtest.h>

#include "host/qt/application.h"
#include "host/qt/font_warm_up.h"

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
  // Fontconfig loads on a thread as the application starts, as in the game;
  // nothing here waits for it, so the first test's text may load it at the
  // same time (under the sanitizer builds, a race there would show).
  kestrin::qt::FontWarmUp fonts;
  kestrin::qt::Application app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  const int status = RUN_ALL_TESTS();
  fonts.wait();
  return status;
}
