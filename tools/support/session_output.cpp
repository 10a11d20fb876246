#include "tools/support/session_output.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <QCoreApplication>
#include <QMetaObject>

namespace kestrin::tools {

namespace {

// The write end of the pipe the signal handler wakes the event loop through.
int stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int) {
  const int saved = errno;
  const char byte = 0;
  [[maybe_unused]] const auto written = ::write(stopPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

void say(std::string_view tool, std::string_view message) {
  std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(tool.size()), tool.data(),
               static_cast<int>(message.size()), message.data());
  std::fflush(stderr);
}

std::unique_ptr<QSocketNotifier> endOnStopSignals() {
  if (stopPipe[0] < 0 && ::pipe(stopPipe) != 0) return nullptr;
  for (int fd : stopPipe) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  ::fcntl(stopPipe[1], F_SETFL, O_NONBLOCK);
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &action, nullptr);
  auto notifier = std::make_unique<QSocketNotifier>(stopPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
    char byte;
    [[maybe_unused]] const auto got = ::read(stopPipe[0], &byte, 1);
    QCoreApplication::exit(0);
  });
  return notifier;
}

SessionOutput::SessionOutput(std::string_view tool, io::OutputFile file)
    : tool_(tool), file_(std::move(file)) {
  writer_.emplace(file_.fd());
}

void SessionOutput::line(std::string_view text) {
  if (!failed_ && !writer_->write(text)) fail({.error = writer_->error()});
}

void SessionOutput::flush() {
  if (!failed_ && !writer_->flush()) fail({.error = writer_->error()});
}

bool SessionOutput::close() {
  flush();
  writer_.reset();
  if (!file_.close() && !failed_) fail(file_.failure());
  return !failed_;
}

void SessionOutput::fail(const io::Failure& failure) {
  failed_ = true;
  say(tool_, io::describe(file_.path(), failure));
  // The session stops: what it would play now is not kept. Queued, so that
  // a failure before the event loop runs stops it as soon as it does.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
}

}  // namespace kestrin::tools
