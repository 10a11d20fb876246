#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "host/common/steady_clock.h"
#include "shell/host.h"

class QSocketNotifier;
class QTimer;

namespace kestrin::qt {

// The game's clock is host/common's, which every host on real time shares.
using kestrin::SteadyClock;

// Wakes the host when the next tick falls due. The host arms it after every
// event with the model's next due time; tests arm one that never goes off
// and move a clock of their own.
class Alarm {
 public:
  virtual ~Alarm() = default;
  // due: microseconds on the program's clock; none disarms.
  virtual void arm(std::optional<std::int64_t> due) = 0;
};

// An alarm that goes off by itself, from the event loop, at or after the
// time it was armed for, and then calls its wake handler once.
class TickAlarm : public Alarm {
 public:
  void setWakeHandler(std::function<void()> wake) { wake_ = std::move(wake); }

 protected:
  void wake() const {
    if (wake_) wake_();
  }

 private:
  std::function<void()> wake_;
};

// Whole milliseconds a Qt timer waits so that it goes off no earlier than
// `due` when armed at `now` (both microseconds): the wait rounded up, 0 for
// a time already passed.
int millisecondsUntil(std::int64_t due, std::int64_t now);

// An alarm on Qt alone: a precise single-shot timer, re-armed to each
// absolute deadline for the time left to it, so lateness never adds up.
// Qt counts timers in whole milliseconds, so a wake is up to about a
// millisecond later than a timerfd's; should the timer go off before the
// deadline by the program's clock (another clock, a coarser rounding), it
// waits again for what is left instead of waking the host early.
class QtTimerAlarm final : public TickAlarm {
 public:
  explicit QtTimerAlarm(const Clock& clock);
  ~QtTimerAlarm() override;
  QtTimerAlarm(const QtTimerAlarm&) = delete;
  QtTimerAlarm& operator=(const QtTimerAlarm&) = delete;

  void arm(std::optional<std::int64_t> due) override;

 private:
  void fired();

  const Clock& clock_;
  std::unique_ptr<QTimer> timer_;
  std::optional<std::int64_t> due_;
};

#ifdef KESTRIN_HAVE_TIMERFD
// An alarm on a Linux timerfd with an absolute deadline on the monotonic
// clock, watched by the event loop. Absolute deadlines do not drift, and the
// kernel keeps the wait to the microsecond rather than to the millisecond a
// Qt timer rounds to.
class TimerFdAlarm final : public TickAlarm {
 public:
  explicit TimerFdAlarm(const SteadyClock& clock);
  ~TimerFdAlarm() override;
  TimerFdAlarm(const TimerFdAlarm&) = delete;
  TimerFdAlarm& operator=(const TimerFdAlarm&) = delete;

  void arm(std::optional<std::int64_t> due) override;

 private:
  void fired();

  const SteadyClock& clock_;
  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};
#endif

// The alarm the game runs on, chosen when it is built: the timerfd where
// the system has one, unless the build asks for Qt's timer
// (-DKESTRIN_QT_ALARM=ON), which is the only one elsewhere.
std::unique_ptr<TickAlarm> makeTickAlarm(const SteadyClock& clock);
// Its name, for the probes' reports: "timerfd" or "qt".
const char* tickAlarmName();

}  // namespace kestrin::qt
