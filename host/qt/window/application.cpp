#include "host/qt/window/application.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

#include <QThread>

#include "host/qt/platform/system_memory.h"

namespace kestrin::qt {

namespace {

std::string programName;  // for messages from before the application exists
QtMessageHandler qtHandler = nullptr;
std::function<void()> displayLost;  // Application::onDisplayLost's
std::atomic<bool> displayWatched{false};  // whether it is set, for any thread to ask

// The toolkit's own words, just before it ends the process, when its
// connection to the display breaks (the X11 and Wayland plugins alike).
bool saysDisplayIsLost(const QString& message) {
  return message.startsWith(QLatin1String("The X11 connection broke")) ||
         message.startsWith(QLatin1String("The Wayland connection broke")) ||
         message.startsWith(QLatin1String("The Wayland connection experienced a fatal error"));
}

// Runs the handler, if one is set, on the main thread, which the model and
// the tools' outputs belong to. A broken connection found on another thread
// (Wayland's event reader) is handed to the main thread, which ends the
// process there; the finding thread waits meanwhile, since the toolkit ends
// the process as soon as it returns, but not for ever: a main thread that
// cannot run it leaves the toolkit its own way out.
void endForLostDisplay() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || !displayWatched) return;
  if (QThread::currentThread() != app->thread()) {
    QMetaObject::invokeMethod(app, [] { endForLostDisplay(); }, Qt::QueuedConnection);
    QThread::sleep(5);
    return;
  }
  if (!displayLost) return;
  const auto handler = std::exchange(displayLost, nullptr);
  displayWatched = false;
  handler();
}

void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && saysDisplayIsLost(message)) endForLostDisplay();
  if (type != QtFatalMsg) {
    if (qtHandler != nullptr) qtHandler(type, context, message);
    return;
  }
  // Its first line: Qt's own advice and lists follow, after the warnings
  // that said what went wrong.
  const QString first = message.section(QLatin1Char('\n'), 0, 0).trimmed();
  std::fprintf(stderr, "%s: %s\n", programName.c_str(), first.toLocal8Bit().constData());
  std::fflush(stderr);
  std::_Exit(1);
}

// What must be settled before QApplication's constructor: the handler,
// because that is where a missing display is found; how windows reach an X
// server; and how large blocks of memory are kept.
int& beforeTheToolkit(int& argc, char** argv) {
  const std::string path = argc > 0 && argv[0] != nullptr ? argv[0] : "kestrin";
  programName = path.substr(path.find_last_of('/') + 1);
  qtHandler = qInstallMessageHandler(onQtMessage);
  // Under X the toolkit ends the process with exit(1) when the display
  // goes, whether or not its warning was let through.
  std::atexit(endForLostDisplay);
  // Through shared memory, Qt waits for the X server to answer (a round
  // trip) before it paints again over a place it has just sent: every tick
  // that moves the paddle or a ball does, so every frame waited for the
  // server and Qt's event thread to wake, some 0.4 ms on an idle machine
  // and more at the tail of the key-to-screen time. A tick's few changed
  // pixels cost nothing to send through the socket. The user's own setting
  // stands.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  // A window's frame goes back to the system when the window goes.
  mapLargeBlocksAlone();
  return argc;
}

}  // namespace

Application::Application(int& argc, char** argv)
    : QApplication(beforeTheToolkit(argc, argv), argv), name_(applicationName().toStdString()) {}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    fail();
  }
}

void Application::onDisplayLost(std::function<void()> handler) {
  displayWatched = static_cast<bool>(handler);
  displayLost = std::move(handler);
}

void Application::fail() const noexcept {
  const char* what = "an exception of an unknown type";
  try {
    throw;
  } catch (const std::exception& error) {
    what = error.what();
  } catch (...) {
  }
  std::fprintf(stderr, "%s: %s\n", name_.c_str(), what);
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace kestrin::qt
