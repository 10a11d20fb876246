// kestrin-record SCRIPT [--trace TRACE]: the game, played in its real
// windows exactly as `kestrin` runs it, written down as it is played: every
// input the program takes, at the time it takes it, as a replay script
// (docs/replay-format.md), and with --trace the session's own trace, by the
// same writer as the replay tool's. kestrin-replay SCRIPT then prints that
// trace again, line for line.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QCoreApplication>
#include <QSocketNotifier>

#include "host/common/fd_io.h"
#include "host/common/script_writer.h"
#include "host/common/trace.h"
#include "host/qt/application.h"
#include "host/qt/game.h"

namespace {

using kestrin::io::describe;
using kestrin::io::FdWriter;

constexpr const char* kUsage = "usage: kestrin-record SCRIPT [--trace TRACE]\n";

void say(const std::string& message) {
  std::fprintf(stderr, "kestrin-record: %s\n", message.c_str());
  std::fflush(stderr);
}

// One output file, written line by line as the game runs: whatever stops
// the program, what was recorded up to then is on disk. The first failed
// write stops the recording.
class Output {
 public:
  explicit Output(std::string path) : path_(std::move(path)) {}
  ~Output() {
    if (fd_ >= 0) ::close(fd_);
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  bool open() {
    fd_ = kestrin::io::openForWriting(path_.c_str());
    if (fd_ < 0) {
      say(describe(path_, errno));
      return false;
    }
    writer_.emplace(fd_);
    return true;
  }
  void line(std::string_view text) {
    if (failed_) return;
    if (!writer_->write(text) || !writer_->flush()) fail(writer_->error());
  }
  // Written whole and closed: true, else said why.
  bool close() {
    if (!failed_ && !writer_->flush()) fail(writer_->error());
    writer_.reset();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR && !failed_) fail(errno);
    return !failed_;
  }

 private:
  void fail(int error) {
    failed_ = true;
    say(describe(path_, error));
    // The game stops: what it would play now is not kept. Queued, so that
    // a failure before the main loop runs stops it as soon as it does.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
  }

  std::string path_;
  int fd_ = -1;
  std::optional<FdWriter> writer_;
  bool failed_ = false;
};

// SIGINT, SIGTERM and SIGHUP end the recording as closing the game would
// not: the program is left running, and the script waits to its last event.
int signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int) {
  const int saved = errno;
  const char byte = 0;
  [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
  errno = saved;
}

std::unique_ptr<QSocketNotifier> stopOnSignals() {
  if (::pipe(signalPipe) != 0) return nullptr;
  for (int fd : signalPipe) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &action, nullptr);
  auto notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
    char byte;
    [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
    QCoreApplication::exit(0);
  });
  return notifier;
}

}  // namespace

int main(int argc, char** argv) {
  kestrin::io::guardStandardStreams();
  kestrin::qt::SteadyClock clock;
  kestrin::qt::Application app(argc, argv);  // takes Qt's own options first

  std::optional<std::string> scriptPath;
  std::optional<std::string> tracePath;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--trace" && i + 1 < argc && !tracePath) {
      tracePath = argv[++i];
    } else if (!arg.starts_with("-") && !scriptPath) {
      scriptPath = std::string(arg);
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (!scriptPath) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  Output script(*scriptPath);
  std::optional<Output> trace;
  if (!script.open()) return 1;
  if (tracePath && !trace.emplace(*tracePath).open()) return 1;

  kestrin::ScriptWriter scriptWriter(
      [&script](std::string_view line) { script.line(line); },
      [](std::int64_t t, std::string_view what) {
        say("the replay of the script parts from the session from " + std::to_string(t / 1000) +
            " ms on: " + std::string(what));
      });
  std::optional<kestrin::TraceWriter> traceWriter;
  if (trace) traceWriter.emplace([&trace](std::string_view line) { trace->line(line); });
  const auto stop = stopOnSignals();

  int status = kestrin::qt::runGame(app, clock, [&](kestrin::qt::QtHost& host) {
    host.program().addObserver(scriptWriter);
    if (traceWriter) host.program().addObserver(*traceWriter);
  });
  scriptWriter.finish();
  if (!script.close()) status = 1;
  if (trace && !trace->close()) status = 1;
  return status;
}
