// kestrin-probe: the real Qt host, measured from inside.
//
//   kestrin-probe pacing [SECONDS [ALARM]]   plays Brick Breaker level 1
//       (the paddle swept from wall to wall, so every tick repaints) and
//       prints how the ticks kept to the 64 Hz grid over SECONDS (default
//       60), on the ALARM named: "timerfd" or "qt" (default: the game's)
//   kestrin-probe startup            prints the time from the process start
//       to the launcher's first paint reaching the window system, then exits
//   kestrin-probe keys PRESSES       the game as it is, waiting for a player
//       (kestrin-xplay latency) to open Brick Breaker and press an arrow
//       PRESSES times; prints, on the monotonic clock in nanoseconds, when
//       each arrow press reached the host ("key T"), each tick ("tick DUE
//       WOKE DONE") and each paint was flushed ("painted T"), so that
//       bench/latency_parts.py can split the player's key-to-screen times
//
// For startup, the probe reads the clock and execs itself, passing the
// reading on in KESTRIN_PROBE_T0 (nanoseconds of CLOCK_REALTIME, as
// `date +%s%N` gives; a caller may set it instead): loading the program
// and its libraries counts too.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include "designs/designs.h"
#include "host/common/fd_io.h"
#include "host/qt/window/application.h"
#include "host/qt/window/qt_host.h"
#include "host/qt/window/screen_window.h"
#include "host/qt/window/tick_alarm.h"

namespace {

using kestrin::Program;
using kestrin::io::FdWriter;
using kestrin::qt::QtHost;
using kestrin::qt::SteadyClock;
using kestrin::qt::TickAlarm;

std::int64_t realtimeNanos() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return std::int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& tv) { return double(tv.tv_sec) + double(tv.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double percentile(std::vector<std::int64_t> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(p / 100.0 * double(values.size() - 1) + 0.5);
  return double(values[std::min(at, values.size() - 1)]);
}

// Clicks the launcher's left picture: Brick Breaker level 1 opens.
void openBrickBreaker(QtHost& host) {
  Program& program = host.program();
  kestrin::Screen* launcher = program.findScreen(kestrin::designs::names::kMain);
  host.click(*launcher, launcher->form()->find("Image1"));
}

void sendKey(QWidget* window, QEvent::Type type, int key) {
  QKeyEvent event(type, key, Qt::NoModifier);
  QApplication::sendEvent(window, &event);
}

// Both alarms are built into the probe where the system has a timerfd, so
// one binary measures them side by side under the same conditions; the
// game itself gets the one its build chose.
std::unique_ptr<TickAlarm> makeAlarm(std::string_view name, const SteadyClock& clock) {
  if (name.empty()) return kestrin::qt::makeTickAlarm(clock);
  if (name == "qt") return std::make_unique<kestrin::qt::QtTimerAlarm>(clock);
#ifdef KESTRIN_HAVE_TIMERFD
  if (name == "timerfd") return std::make_unique<kestrin::qt::TimerFdAlarm>(clock);
#endif
  return nullptr;
}

int pacing(QApplication& app, const SteadyClock& clock, double seconds, TickAlarm& alarm,
           FdWriter& out) {
  QtHost host(clock, alarm);

  struct Tick {
    std::int64_t due;    // on the grid: the timer's start plus whole periods
    std::int64_t woke;   // when the alarm handed it to the host
    std::int64_t done;   // when the host had run it and repainted
  };
  std::vector<Tick> ticks;
  ticks.reserve(static_cast<std::size_t>(seconds * 64 * 1.1) + 256);
  alarm.setWakeHandler([&] {
    const std::optional<std::int64_t> due = host.program().nextTickDue();
    const std::int64_t woke = clock.now();
    host.wake();
    const std::int64_t done = clock.now();
    if (due && *due <= woke && host.program().nextTickDue() != due) ticks.push_back({*due, woke, done});
  });
  host.setEndHandler([] { QCoreApplication::exit(1); });
  host.start();
  openBrickBreaker(host);
  QWidget* window = host.window(kestrin::designs::names::kBrickBreaker);
  if (window == nullptr) {
    std::fprintf(stderr, "kestrin-probe: Brick Breaker did not open\n");
    return 1;
  }

  // The paddle crosses the field in about two seconds: turn it every 1.5 s.
  int direction = Qt::Key_Left;
  sendKey(window, QEvent::KeyPress, direction);
  QTimer sweep;
  QObject::connect(&sweep, &QTimer::timeout, [&] {
    sendKey(window, QEvent::KeyRelease, direction);
    direction = direction == Qt::Key_Left ? Qt::Key_Right : Qt::Key_Left;
    sendKey(window, QEvent::KeyPress, direction);
  });
  sweep.start(1500);

  const double cpuStart = cpuSeconds();
  const std::int64_t wallStart = clock.now();
  QTimer::singleShot(static_cast<int>(seconds * 1000) + 500, &app, [] { QCoreApplication::exit(0); });
  if (QApplication::exec() != 0) {
    std::fprintf(stderr, "kestrin-probe: the program ended during the run\n");
    return 1;
  }
  const double cpu = (cpuSeconds() - cpuStart) / (double(clock.now() - wallStart) / 1e6);
  if (ticks.size() < 2) {
    std::fprintf(stderr, "kestrin-probe: no ticks\n");
    return 1;
  }

  // The window: SECONDS of grid time from the first tick delivered.
  const std::int64_t period = Program::kTimerGranularity;
  const std::int64_t from = ticks.front().due;
  const std::int64_t to = from + static_cast<std::int64_t>(seconds * 1e6);
  std::vector<std::int64_t> lateness, work, periods;
  std::int64_t count = 0;
  const Tick* last = nullptr;
  for (const Tick& t : ticks) {
    if (t.due >= to) break;
    ++count;
    lateness.push_back(t.woke - t.due);
    work.push_back(t.done - t.woke);
    if (last != nullptr) periods.push_back(t.woke - last->woke);
    last = &t;
  }
  const std::int64_t expected = (to - from) / period;
  double meanPeriod = 0;
  for (std::int64_t p : periods) meanPeriod += double(p);
  meanPeriod /= double(periods.size());
  // Drift: how far the ticks' phase moved from the first second to the last.
  const std::size_t n = std::min<std::size_t>(64, lateness.size() / 2);
  const double early = percentile({lateness.begin(), lateness.begin() + long(n)}, 50);
  const double late = percentile({lateness.end() - long(n), lateness.end()}, 50);

  out.print("seconds %.1f\n", seconds);
  out.print("ticks %lld\n", static_cast<long long>(count));
  out.print("expected %lld\n", static_cast<long long>(expected));
  out.print("mean_period_us %.1f\n", meanPeriod);
  out.print("lateness_p50_us %.0f\n", percentile(lateness, 50));
  out.print("lateness_p99_us %.0f\n", percentile(lateness, 99));
  out.print("lateness_max_us %.0f\n", percentile(lateness, 100));
  out.print("drift_us %.0f\n", late - early);
  out.print("tick_work_p50_us %.0f\n", percentile(work, 50));
  out.print("tick_work_p99_us %.0f\n", percentile(work, 99));
  out.print("cpu_percent %.2f\n", cpu * 100);
  return 0;
}

std::int64_t monotonicNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// What happens inside the host between a key press and the paddle moving on
// the screen: arrow presses as they reach the windows, paints as they are
// flushed (a zero timer set during the paint runs after the flush).
class KeyTrail final : public QObject {
 public:
  std::vector<std::int64_t> keys, paints;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const bool arrow = key->key() == Qt::Key_Left || key->key() == Qt::Key_Right;
      // Qt hands one press to the window and its parents in turn: count it once.
      if (arrow && !key->isAutoRepeat() && watched->isWindowType()) keys.push_back(monotonicNanos());
    } else if (event->type() == QEvent::Paint && !paintPending_) {
      paintPending_ = true;
      QTimer::singleShot(0, this, [this] {
        paints.push_back(monotonicNanos());
        paintPending_ = false;
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool paintPending_ = false;
};

int keys(QApplication& app, const SteadyClock& clock, int presses, FdWriter& out) {
  const std::unique_ptr<TickAlarm> alarm = kestrin::qt::makeTickAlarm(clock);
  QtHost host(clock, *alarm);
  const std::int64_t origin = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  clock.start().time_since_epoch())
                                  .count();
  struct Tick {
    std::int64_t due, woke, done;
  };
  std::vector<Tick> ticks;
  alarm->setWakeHandler([&] {
    const std::optional<std::int64_t> due = host.program().nextTickDue();
    const std::int64_t woke = monotonicNanos();
    host.wake();
    if (due) ticks.push_back({origin + *due * 1000, woke, monotonicNanos()});
  });
  KeyTrail trail;
  app.installEventFilter(&trail);
  host.setEndHandler([] { QCoreApplication::exit(1); });
  host.start();
  // Ends half a second after the last press, once its paddle has moved.
  QTimer check;
  std::size_t seen = 0;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (trail.keys.size() >= std::size_t(presses) && seen == trail.keys.size()) QCoreApplication::exit(0);
    seen = trail.keys.size();
  });
  check.start(500);
  const int status = QApplication::exec();
  app.removeEventFilter(&trail);
  for (std::int64_t t : trail.keys) out.print("key %lld\n", static_cast<long long>(t));
  for (const Tick& t : ticks) {
    out.print("tick %lld %lld %lld\n", static_cast<long long>(t.due), static_cast<long long>(t.woke),
                static_cast<long long>(t.done));
  }
  for (std::int64_t t : trail.paints) out.print("painted %lld\n", static_cast<long long>(t));
  return status;
}

// Notes the time once the launcher's first paint is done: a zero timer set
// during the paint runs after the window's backing store has been flushed.
class FirstPaint final : public QObject {
 public:
  FirstPaint(std::int64_t t0, FdWriter& out) : t0_(t0), out_(out) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      QTimer::singleShot(0, [this] {
        const double ms = double(realtimeNanos() - t0_) / 1e6;
        out_.print("startup_ms %.2f\n", ms);
        QCoreApplication::exit(0);
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::int64_t t0_;
  FdWriter& out_;
  bool seen_ = false;
};

}  // namespace

// The figures are the probe's whole output: one not written whole fails it.
int finish(int status, FdWriter& out) {
  if (out.flush()) return status;
  std::fprintf(stderr, "kestrin-probe: %s\n", kestrin::io::describe("standard output", out.error()).c_str());
  return 1;
}

int main(int argc, char** argv) {
  const std::int64_t entered = realtimeNanos();
  kestrin::io::guardStandardStreams();
  const SteadyClock clock;  // as the game's main() does
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode != "pacing" && mode != "startup" && mode != "keys") {
    std::fprintf(stderr,
                 "usage: kestrin-probe pacing [SECONDS [timerfd|qt]] | kestrin-probe startup\n"
                 "       kestrin-probe keys PRESSES\n");
    return 2;
  }
  if (mode == "startup" && std::getenv("KESTRIN_PROBE_T0") == nullptr) {
    setenv("KESTRIN_PROBE_T0", std::to_string(realtimeNanos()).c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("kestrin-probe: exec");
    return 1;
  }
  kestrin::qt::Application app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  FdWriter out(STDOUT_FILENO);
  if (mode == "pacing") {
    const double seconds = argc > 2 ? std::atof(argv[2]) : 60.0;
    if (!(seconds >= 2)) {
      std::fprintf(stderr, "kestrin-probe: SECONDS must be at least 2\n");
      return 2;
    }
    const std::string_view name = argc > 3 ? argv[3] : "";
    const std::unique_ptr<TickAlarm> alarm = makeAlarm(name, clock);
    if (alarm == nullptr) {
      std::fprintf(stderr, "kestrin-probe: no alarm named %s here\n", argv[3]);
      return 2;
    }
    return finish(pacing(app, clock, seconds, *alarm, out), out);
  }

  if (mode == "keys") {
    return finish(keys(app, clock, std::max(1, argc > 2 ? std::atoi(argv[2]) : 1), out), out);
  }

  const std::int64_t t0 = std::atoll(std::getenv("KESTRIN_PROBE_T0"));
  FirstPaint firstPaint(t0, out);
  const std::int64_t appMade = realtimeNanos();
  const std::unique_ptr<TickAlarm> alarm = kestrin::qt::makeTickAlarm(clock);
  QtHost host(clock, *alarm);
  alarm->setWakeHandler([&host] { host.wake(); });
  host.start();
  host.window(kestrin::designs::names::kMain)->installEventFilter(&firstPaint);
  const std::int64_t started = realtimeNanos();
  // Where the time went: loading before main(), the application and its
  // window-system connection, the host up to the launcher shown.
  out.print("main_ms %.2f\n", double(entered - t0) / 1e6);
  out.print("application_ms %.2f\n", double(appMade - entered) / 1e6);
  out.print("host_start_ms %.2f\n", double(started - appMade) / 1e6);
  return finish(QApplication::exec(), out);
}
