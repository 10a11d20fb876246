#pragma once

#include <functional>
#include <string>

#include <QApplication>

namespace kestrin::qt {

// The program's QApplication, and the one boundary for exceptions: every
// event Qt delivers, in the main loop or in a message box's nested loop,
// passes through notify, so whatever escapes the model, the host or the
// alarm (a std::system_error from the timerfd, a std::logic_error for a
// screen that is not registered) is caught there and never unwinds through
// Qt. The model's own run-time errors never get this far: they are shown in
// its error box and end the program by its rules.
class Application final : public QApplication {
 public:
  // Qt's fatal errors (no display to connect to, no platform plugin) are
  // reported as "NAME: message" with status 1 from here on, like any other
  // failure, rather than by abort() and a core dump.
  Application(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Reports the exception being handled on stderr, "NAME: what", and ends
  // the process with status 1 at once: a handler it cut short may have left
  // the model half-changed, so nothing more of it runs, not even
  // destructors. Called from a catch block only.
  [[noreturn]] void fail() const noexcept;

  // What ends the program when the toolkit loses its display (the X server
  // or the Wayland compositor gone: a logout, a crash), in place of the
  // toolkit's own message and exit: a tool that records writes the end of
  // its session there. It runs once, on the main thread, as the toolkit
  // reads its events (a message box's loop too), and ends the process
  // itself (std::_Exit). Qt says so in a warning and
  // then ends the process (exit(1) under X, _exit(1) under Wayland); the
  // warning is watched for, and under X the exit too, in case the warning
  // is filtered out. An empty handler gives the toolkit its own way again.
  static void onDisplayLost(std::function<void()> handler);

 private:
  std::string name_;  // the program's name, for the message
};

}  // namespace kestrin::qt
