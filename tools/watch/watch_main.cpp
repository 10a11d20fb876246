// kestrin-watch SCRIPT [--speed X] [--trace TRACE]: a replay script played
// back in the game's real windows, at the speed it was played (or X times
// faster): every tick and every input at its time, boxes shown for a moment
// and answered as the replay answers them. The windows take no input; a
// close box stops the watch. With --trace, the trace of what was shown, the
// same as kestrin-replay's of the script.
//
// The script is read twice, as it streams: once whole to check it, before
// any window opens, then again as it is played, so only the command under
// way is held, however long the script.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include <QCoreApplication>
#include <QTimer>

#include "host/common/output_file.h"
#include "host/common/trace.h"
#include "host/headless/replay.h"
#include "host/headless/script.h"
#include "host/headless/virtual_clock.h"
#include "host/qt/application.h"
#include "host/qt/qt_host.h"
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
  std::int64_t waited = 0;
  for (std::string_view line;;) {
    switch (reader.next(line)) {
      case LineReader::Next::End: lines = reader.number(); return 0;
      case LineReader::Next::ReadFailed: say(kestrin::io::describe(path, reader.error())); return 1;
      case LineReader::Next::TooLong:
        say("line " + std::to_string(reader.number()) + ": line longer than " +
            std::to_string(kestrin::headless::kMaxLineLength) + " characters");
        return 2;
      case LineReader::Next::Line: break;
    }
    auto parsed = kestrin::headless::parseLine(line, program);
    if (parsed.command && parsed.command->kind == Command::Kind::Wait) {
      kestrin::headless::addToScriptTime(waited, parsed.command->micros, parsed.error);
    }
    if (!parsed.error.empty()) {
      say("line " + std::to_string(reader.number()) + ": " + parsed.error);
      return 2;
    }
  }
}

// The second reading: the script's commands one at a time, as they are
// played. Only the command under way is held.
class Commands {
 public:
  Commands(std::string path, int fd, long lines, const Program& program)
      : path_(std::move(path)), reader_(fd), lines_(lines), program_(program) {}

  // The command under way; null once the script is played, or could not be
  // read again as it was checked (said, and failed() is true).
  const Command* current() {
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
  void next() { current_.reset(); }
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

// Moves the program's clock along the script as real time passes, speed
// times as fast: each tick and each input at its own time, exactly as the
// replay tool runs them, so the windows show the run the script is.
class Player {
 public:
  Player(kestrin::qt::QtHost& host, kestrin::headless::VirtualClock& clock, Commands& commands,
         double speed, std::function<void()> resting)
      : host_(host), clock_(clock), commands_(commands), speed_(speed),
        resting_(std::move(resting)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
  }

  void start() {
    anchor();
    step();
  }

 private:
  void anchor() {
    realAnchor_ = Steady::now();
    modelAnchor_ = clock_.now();
  }
  std::int64_t modelNow() const {
    const auto real = std::chrono::duration<double, std::micro>(Steady::now() - realAnchor_);
    return modelAnchor_ + static_cast<std::int64_t>(real.count() * speed_);
  }
  void wakeAt(std::int64_t model) {
    const double ms = static_cast<double>(model - modelNow()) / 1000.0 / speed_;
    timer_.start(std::max(0, static_cast<int>(ms + 0.999)));
    resting_();
  }
  // A box shown stops the script's clock while it stands; the playing goes
  // on from where it was when it has been answered.
  template <class F>
  void run(F&& f) {
    const auto before = Steady::now();
    f();
    if (Steady::now() - before > std::chrono::milliseconds(50)) anchor();
  }

  void step() {
    Program& program = host_.program();
    if (program.busy()) return;  // a box is open; the step that opened it goes on after it
    while (!program.ended()) {
      const Command* c = commands_.current();
      if (c == nullptr) {
        resting_();
        if (commands_.failed()) {
          QCoreApplication::exit(1);
        } else {
          QTimer::singleShot(kLastPictureMs, [] { QCoreApplication::exit(0); });
        }
        return;
      }
      if (c->kind != Command::Kind::Wait) {
        const Command command = *c;
        commands_.next();
        run([&] {
          host_.deliver([&command](Program& p) {
            switch (command.kind) {
              case Command::Kind::KeyDown: p.keyDown(command.code, command.shift); break;
              case Command::Kind::KeyUp: p.keyUp(command.code, command.shift); break;
              case Command::Kind::Click: p.click(command.screen, command.control, command.index); break;
              case Command::Kind::Close: p.close(command.screen); break;
              case Command::Kind::Drop: p.dropTicks(command.screen, command.control, command.count); break;
              case Command::Kind::Wait: break;
            }
          });
        });
        continue;
      }
      if (!waitEnd_) waitEnd_ = clock_.now() + c->micros;
      const std::optional<std::int64_t> due = program.nextTickDue();
      const std::int64_t at = due && *due <= *waitEnd_ ? *due : *waitEnd_;
      if (at > modelNow()) {
        wakeAt(at);
        return;
      }
      clock_.set(at);
      if (at == due) {
        run([this] { host_.wake(); });  // every tick due now, then the windows
      } else {
        waitEnd_.reset();
        commands_.next();
      }
    }
  }

  kestrin::qt::QtHost& host_;
  kestrin::headless::VirtualClock& clock_;
  Commands& commands_;
  double speed_;
  std::function<void()> resting_;  // before the player waits for real time to pass
  std::optional<std::int64_t> waitEnd_;  // of the wait under way
  QTimer timer_;
  Steady::time_point realAnchor_;
  std::int64_t modelAnchor_ = 0;
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
    Player player(host, clock, commands, speed, flushTrace);
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
