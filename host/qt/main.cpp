// kestrin: the game collection in real windows.
#include <QApplication>

#include "host/qt/app_icon.h"
#include "host/qt/application.h"
#include "host/qt/qt_host.h"
#include "host/qt/tick_alarm.h"

int main(int argc, char** argv) {
  const kestrin::qt::SteadyClock clock;  // the program's time starts here
  kestrin::qt::Application app(argc, argv);
  // Ties the windows to the installed desktop entry (its name and icon in
  // docks and task switchers, on Wayland too).
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kestrin::qt::kApplicationId));
  // The model says when the program ends, not the last window closing.
  QApplication::setQuitOnLastWindowClosed(false);
  // Start-up fails the same way as any event later (Application::notify):
  // a misspelt control or screen name, or no timerfd, is a message and
  // status 1.
  try {
    const auto alarm = kestrin::qt::makeTickAlarm(clock);
    kestrin::qt::QtHost host(clock, *alarm);
    alarm->setWakeHandler([&host] { host.wake(); });
    host.setEndHandler([] { QCoreApplication::exit(0); });
    host.start();
    if (host.program().ended()) return 0;
    return QApplication::exec();
  } catch (...) {
    app.fail();
  }
}
