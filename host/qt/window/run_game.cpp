#include "host/qt/window/run_game.h"

#include "host/qt/window/app_icon.h"

namespace kestrin::qt {

int runGame(Application& app, SteadyClock& clock,
            const std::function<void(QtHost&)>& prepare) {
  // Ties the windows to the installed desktop entry (its name and icon in
  // docks and task switchers, on Wayland too).
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
  // The model says when the program ends, not the last window closing.
  QApplication::setQuitOnLastWindowClosed(false);
  // Start-up fails the same way as any event later (Application::notify):
  // a misspelt control or screen name, or no timerfd, is a message and
  // status 1.
  try {
    const auto alarm = makeTickAlarm(clock);
    QtHost host(clock, *alarm);
    alarm->setWakeHandler([&host] { host.wake(); });
    host.setEndHandler([] { QCoreApplication::exit(0); });
    host.stopsWhenPaused(clock);
    if (prepare) prepare(host);
    clock.restart();  // the program's time starts with the program
    host.start();
    if (host.program().ended()) return 0;
    return QApplication::exec();
  } catch (...) {
    app.fail();
  }
}

}  // namespace kestrin::qt
