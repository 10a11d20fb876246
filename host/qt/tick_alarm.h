#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "shell/host.h"

class QSocketNotifier;

namespace kestrin::qt {

// The time the model reads: microseconds on the steady clock since the
// program started.
class SteadyClock final : public Clock {
 public:
  SteadyClock() : start_(std::chrono::steady_clock::now()) {}
  std::int64_t now() const override {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
  }
  std::chrono::steady_clock::time_point start() const { return start_; }

 private:
  std::chrono::steady_clock::time_point start_;
};

// Wakes the host when the next tick falls due. The host arms it after every
// event with the model's next due time; tests arm one that never goes off
// and move a clock of their own.
class Alarm {
 public:
  virtual ~Alarm() = default;
  // due: microseconds on the program's clock; none disarms.
  virtual void arm(std::optional<std::int64_t> due) = 0;
};

// An alarm on a Linux timerfd with an absolute deadline on the monotonic
// clock, watched by the event loop. Absolute deadlines do not drift, and the
// kernel keeps the wait to the microsecond rather than to the millisecond a
// Qt timer rounds to.
class TimerFdAlarm final : public Alarm {
 public:
  explicit TimerFdAlarm(const SteadyClock& clock);
  ~TimerFdAlarm() override;
  TimerFdAlarm(const TimerFdAlarm&) = delete;
  TimerFdAlarm& operator=(const TimerFdAlarm&) = delete;

  void setWakeHandler(std::function<void()> wake) { wake_ = std::move(wake); }
  void arm(std::optional<std::int64_t> due) override;

 private:
  void fired();

  const SteadyClock& clock_;
  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void()> wake_;
};

}  // namespace kestrin::qt
