#include "application.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace kestrin::qt {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv), name_(applicationName().toStdString()) {}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    fail();
  }
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
