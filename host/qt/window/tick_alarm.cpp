#include "host/qt/window/tick_alarm.h"

#include <limits>

#include <QTimer>

namespace kestrin::qt {

int millisecondsUntil(std::int64_t due, std::int64_t now) {
  if (due <= now) return 0;
  const std::int64_t ms = (due - now + 999) / 1000;
  return ms > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                              : static_cast<int>(ms);
}

QtTimerAlarm::QtTimerAlarm(const Clock& clock) : clock_(clock), timer_(std::make_unique<QTimer>()) {
  timer_->setSingleShot(true);
  // A coarse timer may be 5 % off its interval, which is most of a tick.
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] { fired(); });
}

QtTimerAlarm::~QtTimerAlarm() = default;

void QtTimerAlarm::arm(std::optional<std::int64_t> due) {
  due_ = due;
  if (due_) {
    timer_->start(millisecondsUntil(*due_, clock_.now()));
  } else {
    timer_->stop();
  }
}

void QtTimerAlarm::fired() {
  if (!due_) return;
  const std::int64_t now = clock_.now();
  if (now < *due_) {
    // Early by the program's clock: wait out the rest. The wait is at
    // least a millisecond, so this never spins.
    timer_->start(millisecondsUntil(*due_, now));
    return;
  }
  due_.reset();
  wake();
}

// Which alarm the game gets is decided for this file alone, so the two
// builds differ in one object file.
#if defined(KESTRIN_HAVE_TIMERFD) && !defined(KESTRIN_TICKS_ON_QT_TIMER)
std::unique_ptr<TickAlarm> makeTickAlarm(const SteadyClock& clock) {
  return std::make_unique<TimerFdAlarm>(clock);
}
const char* tickAlarmName() { return "timerfd"; }
#else
std::unique_ptr<TickAlarm> makeTickAlarm(const SteadyClock& clock) {
  return std::make_unique<QtTimerAlarm>(clock);
}
const char* tickAlarmName() { return "qt"; }
#endif

}  // namespace kestrin::qt
