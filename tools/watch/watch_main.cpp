// kestrin-watch SCRIPT [--speed X] [--trace TRACE]: a replay script played
// back in the game's real windows, at the speed it was played (or X times
// faster): every tick and every input at its time, boxes shown for a moment
// and answered as the replay answers them. The windows take no input; a
// close box stops the watch. With --trace, the trace of what was shown, the
// same as kestrin-replay's of the script.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QCoreApplication>
#include <QTimer>

#include "host/common/fd_io.h"
#include "host/common/trace.h"
#include "host/headless/replay.h"
#include "host/headless/script.h"
#include "host/headless/virtual_clock.h"
#include "host/qt/application.h"
#include "host/qt/qt_host.h"
#include "shell/decimal.h"

namespace {

using kestrin::Program;
using kestrin::headless::Command;
using Steady = std::chrono::steady_clock;

constexpr const char* kUsage = "usage: kestrin-watch SCRIPT [--speed X] [--trace TRACE]\n";
constexpr int kBoxShownMs = 2000;  // at speed 1: long enough to read "Game Over"
constexpr int kLastPictureMs = 1000;  // the end of a script stays on the screen so long

void say(const std::string& message) {
  std::fprintf(stderr, "kestrin-watch: %s\n", message.c_str());
  std::fflush(stderr);
}

// The script's commands, checked against the designs before any window
// opens: 0, 1 (unreadable) or 2 (not valid), with the message said.
int readScript(const char* path, std::vector<Command>& commands) {
  const int fd = kestrin::io::openForReading(path);
  if (fd < 0) {
    say(kestrin::io::describe(path, errno));
    return 1;
  }
  kestrin::headless::Replay names{kestrin::headless::Replay::Sink()};  // for the designs' names
  kestrin::headless::LineReader lines(fd);
  std::int64_t waited = 0;
  int status = 0;
  for (std::string_view line; status == 0;) {
    const auto next = lines.next(line);
    if (next == kestrin::headless::LineReader::Next::End) break;
    if (next == kestrin::headless::LineReader::Next::ReadFailed) {
      say(kestrin::io::describe(path, lines.error()));
      status = 1;
    } else if (next == kestrin::headless::LineReader::Next::TooLong) {
      say("line " + std::to_string(lines.number()) + ": line longer than " +
          std::to_string(kestrin::headless::kMaxLineLength) + " characters");
      status = 2;
    } else {
      auto parsed = kestrin::headless::parseLine(line, names.program());
      if (parsed.command && parsed.command->kind == Command::Kind::Wait) {
        kestrin::headless::addToScriptTime(waited, parsed.command->micros, parsed.error);
      }
      if (!parsed.error.empty()) {
        say("line " + std::to_string(lines.number()) + ": " + parsed.error);
        status = 2;
      } else if (parsed.command) {
        commands.push_back(*parsed.command);
      }
    }
  }
  ::close(fd);
  return status;
}

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
  Player(kestrin::qt::QtHost& host, kestrin::headless::VirtualClock& clock,
         std::vector<Command> commands, double speed)
      : host_(host), clock_(clock), commands_(std::move(commands)), speed_(speed) {
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
      if (next_ == commands_.size()) {
        QTimer::singleShot(kLastPictureMs, [] { QCoreApplication::exit(0); });
        return;
      }
      const Command& c = commands_[next_];
      if (c.kind != Command::Kind::Wait) {
        run([&] {
          host_.deliver([&c](Program& p) {
            switch (c.kind) {
              case Command::Kind::KeyDown: p.keyDown(c.code, c.shift); break;
              case Command::Kind::KeyUp: p.keyUp(c.code, c.shift); break;
              case Command::Kind::Click: p.click(c.screen, c.control, c.index); break;
              case Command::Kind::Close: p.close(c.screen); break;
              case Command::Kind::Drop: p.dropTicks(c.screen, c.control, c.count); break;
              case Command::Kind::Wait: break;
            }
          });
        });
        ++next_;
        continue;
      }
      if (!waitEnd_) waitEnd_ = clock_.now() + c.micros;
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
        ++next_;
      }
    }
  }

  kestrin::qt::QtHost& host_;
  kestrin::headless::VirtualClock& clock_;
  std::vector<Command> commands_;
  double speed_;
  std::size_t next_ = 0;
  std::optional<std::int64_t> waitEnd_;  // of the wait under way
  QTimer timer_;
  Steady::time_point realAnchor_;
  std::int64_t modelAnchor_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  kestrin::io::guardStandardStreams();
  kestrin::qt::Application app(argc, argv);

  const char* scriptPath = nullptr;
  const char* tracePath = nullptr;
  double speed = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--speed" && i + 1 < argc) {
      // Read as the program reads its numbers, not by strtod: the toolkit
      // has set the C locale from the environment, whose decimal point
      // may be a comma.
      speed = kestrin::readFixed(argv[++i]).value_or(0);
      if (!(speed >= 0.01 && speed <= 1000)) {
        say("--speed takes a number from 0.01 to 1000, not '" + std::string(argv[i]) + "'");
        return 2;
      }
    } else if (arg == "--trace" && i + 1 < argc && tracePath == nullptr) {
      tracePath = argv[++i];
    } else if (!arg.starts_with("-") && scriptPath == nullptr) {
      scriptPath = argv[i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (scriptPath == nullptr) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::vector<Command> commands;
  if (const int status = readScript(scriptPath, commands); status != 0) return status;

  int traceFd = -1;
  std::optional<kestrin::io::FdWriter> traceOut;
  std::optional<kestrin::TraceWriter> trace;
  if (tracePath != nullptr) {
    traceFd = kestrin::io::openForWriting(tracePath);
    if (traceFd < 0) {
      say(kestrin::io::describe(tracePath, errno));
      return 1;
    }
    traceOut.emplace(traceFd);
    trace.emplace([&traceOut](std::string_view line) { traceOut->write(line); });
  }

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
    if (trace) host.program().addObserver(*trace);
    host.start();
    Player player(host, clock, std::move(commands), speed);
    player.start();
    if (!host.program().ended()) status = QApplication::exec();
  } catch (...) {
    app.fail();
  }
  if (traceOut) {
    if (!traceOut->flush() || ::close(traceFd) != 0) {
      say(kestrin::io::describe(tracePath, traceOut->failed() ? traceOut->error() : errno));
      status = 1;
    }
  }
  return status;
}
