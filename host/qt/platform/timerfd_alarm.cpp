// The Linux alarm: only built where <sys/timerfd.h> has timerfd_create.
#include "host/qt/window/tick_alarm.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

#include <QSocketNotifier>

namespace kestrin::qt {

// std::chrono::steady_clock is CLOCK_MONOTONIC on Linux, so a due time on
// the model's clock is the clock's start plus that many microseconds there.
TimerFdAlarm::TimerFdAlarm(const SteadyClock& clock)
    : clock_(clock), fd_(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "timerfd_create");
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { fired(); });
}

TimerFdAlarm::~TimerFdAlarm() {
  notifier_.reset();
  ::close(fd_);
}

void TimerFdAlarm::arm(std::optional<std::int64_t> due) {
  itimerspec setting{};  // all zero: disarmed
  const std::int64_t startNs =
      std::chrono::duration_cast<std::chrono::nanoseconds>(clock_.start().time_since_epoch()).count();
  // A deadline past what 64 bits of nanoseconds of uptime can name (about
  // 292 years) is never reached: the alarm stays disarmed rather than wrap.
  if (due && std::max<std::int64_t>(*due, 0) <= (INT64_MAX - startNs) / 1000) {
    const std::int64_t ns = startNs + std::max<std::int64_t>(*due, 0) * 1000;
    setting.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    setting.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    if (setting.it_value.tv_sec == 0 && setting.it_value.tv_nsec == 0) setting.it_value.tv_nsec = 1;
  }
  if (timerfd_settime(fd_, TFD_TIMER_ABSTIME, &setting, nullptr) != 0) {
    throw std::system_error(errno, std::generic_category(), "timerfd_settime");
  }
}

void TimerFdAlarm::fired() {
  std::uint64_t expirations = 0;
  // Drains the count so the notifier stays quiet until the next arming;
  // nothing to drain means a re-arm already moved the deadline on.
  if (::read(fd_, &expirations, sizeof expirations) != sizeof expirations) return;
  wake();
}

}  // namespace kestrin::qt
