// kestrin-watch SCRIPT [--speed X] [--trace TRACE]: a replay script played
// back in the game's real windows, at the speed it was played (or X times
// faster): every tick and every input at its time, boxes shown for a moment
// and answered as the replay answers them. The windows take no input but P
// and Pause, which pause the watch; a close box stops it. With --trace, the
// trace of what was shown, the same as kestrin-replay's of the script.
//
// The script is read twice, as it streams: once whole to check it, before
// any window opens, then again as it is played, so only the command under
// way is held, however long the script.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <QCoreApplication>
#include <QTimer>

#include "host/common/output_file.h"
#include "host/common/trace.h"
#include "host/headless/replay.h"
#include "host/headless/script.h"
#include "host/headless/script_player.h"
#include "host/headless/virtual_clock.h"
#include "host/qt/window/application.h"
#include "host/qt/window/qt_host.h"
#include "tools/support/command_line.h"
#include "tools/support/session_output.h"

namespace {

using kestrin::Program;
using kestrin::headless::Command;
using kestrin::headless::LineReader;
using Steady = std::chrono::steady_clock;

constexpr std::string_view kTool = "kestrin-watch";
constexpr int kBoxShownMs = 2000;  // at speed 1: long enough to read "Game Over"
constexpr int kLastPictureMs = 1000;  // the end of a script stays on the screen so long

void say(std::string_view message) { kestrin::tools::say(kTool, message); }

// The script, open for reading: 0, or 1 with the reason said. It is read
// twice, so it must be a file: a pipe or a terminal is refused at once
// (opened without blocking, so a FIFO with no writer cannot hang the tool).
int openScript(const std::string& path, int& fd) {
  fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat file {};
  if (fd < 0 || ::fstat(fd, &file) != 0) {
    say(kestrin::io::describe(path, errno));
    return 1;
  }
  if (S_ISDIR(file.st_mode)) {
    say(kestrin::io::describe(path, EISDIR));
    return 1;
  }
  if (!S_ISREG(file.st_mode)) {
    say(path + ": is not a file; the script is read twice, to check it and to play it");
    return 1;
  }
  return 0;
}

// The first reading: every line checked against the designs, and the waits
// summed, before any window opens: 0, 1 (unreadable) or 2 (not valid), with
// the message said. lines: how many lines the script has, which the
// playing reads and no more (a script still being written grows).
int checkScript(const std::string& path, int fd, const Program& program, long& lines) {
  LineReader reader(fd);
  std::string error;
  const int status = kestrin::headless::checkScript(reader, program, error);
  if (status == 1) say(kestrin::io::describe(path, reader.error()));
  if (status == 2) say(error);
  lines = reader.number();
  return status;
}

// The second reading: the script's commands one at a time, as they are
// played. Only the command under way is held.
class Commands final : public kestrin::headless::CommandSource {
 public:
  Commands(std::string path, int fd, long lines, const Program& program)
      : path_(std::move(path)), reader_(fd), lines_(lines), program_(program) {}

  // The command under way; null once the script is played, or could not be
  // read again as it was checked (said, and failed() is true).
  const Command* current() override {
    while (!current_ && !done_) {
      if (reader_.number() == lines_) {
        done_ = true;
        break;
      }
      std::string_view line;
      const LineReader::Next next = reader_.next(line);
      if (next == LineReader::Next::ReadFailed) {
        failWith(kestrin::io::describe(path_, reader_.error()));
        break;
      }
      auto parsed = kestrin::headless::parseLine(line, program_);
      if (next != LineReader::Next::Line || !parsed.error.empty()) {
        failWith(path_ + ": changed since it was checked, at line " +
                 std::to_string(reader_.number() + (next == LineReader::Next::End ? 1 : 0)));
      } else {
        current_ = parsed.command;
      }
    }
    return current_ ? &*current_ : nullptr;
  }
  void next() override { current_.reset(); }
  bool failed() const { return failed_; }

 private:
  void failWith(const std::string& message) {
    say(message);
    failed_ = done_ = true;
  }

  std::string path_;
  LineReader reader_;
  long lines_;
  const Program& program_;
  std::optional<Command> current_;
  bool done_ = false;
  bool failed_ = false;
};

// Ticks come from the script's clock, not from an alarm: the player below
// runs each one when its time has come.
class NoAlarm final : public kestrin::qt::Alarm {
 public:
  void arm(std::optional<std::int64_t>) override {}
};

// The windows the script is played in, at real time on a steady clock: the
// player (ScriptPlayer) moves the program's clock along the script, each
// tick and each input at its own time, exactly as the replay tool runs
// them, so the windows show the run the script is.
class Stage final : public kestrin::headless::ScriptPlayer::Stage {
 public:
  Stage(kestrin::qt::QtHost& host, const Commands& commands, std::function<void()> resting)
      : host_(host), commands_(commands), resting_(std::move(resting)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
  }
  void wakes(kestrin::headless::ScriptPlayer& player) {
    QObject::connect(&timer_, &QTimer::timeout, [&player] { player.step(); });
  }

  Program& program() override { return host_.program(); }
  void deliver(const Command& command) override {
    host_.deliver([&command](Program& p) { kestrin::headless::deliver(p, command); });
  }
  void wake() override { host_.wake(); }  // every tick due now, then the windows
  double realNowMs() const override {
    return std::chrono::duration<double, std::milli>(Steady::now().time_since_epoch()).count();
  }
  void wakeAfter(double realMs) override {
    timer_.start(std::max(0, static_cast<int>(realMs + 0.999)));
    resting_();
  }
  void finished() override {
    resting_();
    if (commands_.failed()) {
      QCoreApplication::exit(1);
    } else {
      QTimer::singleShot(kLastPictureMs, [] { QCoreApplication::exit(0); });
    }
  }

 private:
  kestrin::qt::QtHost& host_;
  const Commands& commands_;
  std::function<void()> resting_;  // before the player waits for real time to pass
  QTimer timer_;
};

// P or Pause in a window holds the player, and the next press lets it go on
// from where it stood (host/common/pause.h); never the focus. Let go from
// the event loop, not from inside the key that asked for it.
class PauseHold final : public kestrin::Stoppable {
 public:
  explicit PauseHold(kestrin::headless::ScriptPlayer& player) : player_(player) {}
  void stop() override {
    stopped_ = true;
    player_.hold(true);
  }
  void go() override {
    stopped_ = false;
    QTimer::singleShot(0, &context_, [this] {
      if (!stopped_) player_.hold(false);
    });
  }

 private:
  kestrin::headless::ScriptPlayer& player_;
  QObject context_;
  bool stopped_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  kestrin::io::guardStandardStreams();
  kestrin::qt::Application app(argc, argv);

  kestrin::tools::CommandLine line(
      kTool, "usage: kestrin-watch SCRIPT [--speed X] [--trace TRACE]\n",
      {{"speed", "X", "play X times as fast (0.01 to 1000)"},
       {"trace", "TRACE", "write the trace of what is shown to TRACE"}},
      1, 1);
  double speed = 1;
  if (!line.parse(argc, argv) || !line.number("speed", 0.01, 1000, speed)) return line.status();
  const std::string& scriptPath = line.words()[0];

  int scriptFd = -1;
  if (const int status = openScript(scriptPath, scriptFd); status != 0) return status;
  long lines = 0;
  {
    kestrin::headless::Replay names{kestrin::headless::Replay::Sink()};  // the designs' names
    if (const int status = checkScript(scriptPath, scriptFd, names.program(), lines); status != 0) {
      return status;
    }
  }
  if (::lseek(scriptFd, 0, SEEK_SET) != 0) {
    say(kestrin::io::describe(scriptPath, errno));
    return 1;
  }

  std::optional<kestrin::tools::SessionOutput> trace;
  std::optional<kestrin::TraceWriter> traceWriter;
  if (const auto tracePath = line.value("trace")) {
    const auto script = kestrin::io::regularFileId(scriptFd);
    kestrin::io::OutputFile file = kestrin::io::OutputFile::open(
        *tracePath, {.inputs = {*script}, .lock = true});
    if (!file.ok() || !file.begin()) {
      say(kestrin::io::describe(file.path(), file.failure()));
      return kestrin::io::exitStatus(file.failure());
    }
    trace.emplace(kTool, std::move(file));
    traceWriter.emplace([&trace](std::string_view text) { trace->line(text); });
  }
  const auto flushTrace = [&trace] {
    if (trace) trace->flush();
  };
  kestrin::qt::Application::onDisplayLost([&] {
    if (trace) trace->close();
    say("the display went away");
    std::_Exit(1);
  });
  const auto stop = kestrin::tools::endOnStopSignals();

  QGuiApplication::setDesktopFileName(QStringLiteral("kestrin-watch"));
  QApplication::setQuitOnLastWindowClosed(false);
  int status = 0;
  try {
    kestrin::headless::VirtualClock clock;
    NoAlarm alarm;
    kestrin::qt::QtHost host(clock, alarm);
    host.watchOnly([] { QCoreApplication::exit(0); },
                   std::max(1, static_cast<int>(kBoxShownMs / speed)));
    host.setEndHandler([] { QCoreApplication::exit(0); });
    if (traceWriter) host.program().addObserver(*traceWriter);
    host.start();
    Commands commands(scriptPath, scriptFd, lines, host.program());
    Stage stage(host, commands, flushTrace);
    kestrin::headless::ScriptPlayer player(stage, clock, commands, speed);
    stage.wakes(player);
    PauseHold pauses(player);
    host.stopsWhenPaused(pauses);
    player.start();
    if (!host.program().ended()) status = QApplication::exec();
    if (commands.failed()) status = 1;
  } catch (...) {
    app.fail();
  }
  kestrin::qt::Application::onDisplayLost({});
  ::close(scriptFd);
  if (trace && !trace->close()) status = 1;
  return status;
}
