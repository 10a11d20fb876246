#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "host/common/pause.h"
#include "shell/host.h"

namespace kestrin {

// The time the model reads on a host on real time: microseconds on the
// steady clock since the program started, less every while it stood still.
class SteadyClock final : public Clock, public Stoppable {
 public:
  using Steady = std::chrono::steady_clock;

  SteadyClock() : start_(Steady::now()) {}
  std::int64_t now() const override {
    if (stoppedAt_) return *stoppedAt_;
    return std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - start_).count();
  }
  // The steady clock's reading at the program's time 0: a time on the
  // program's clock is this plus that many microseconds (while it runs).
  Steady::time_point start() const { return start_; }
  // The program starts at time 0 (Program::start): the host restarts its
  // clock just before, so nothing before start-up counts.
  void restart() {
    start_ = Steady::now();
    stoppedAt_.reset();
  }

  // Paused, the time stands where it was; going on, the origin moves by as
  // long as it stood, so no time has passed for the program.
  void stop() override {
    if (!stoppedAt_) stoppedAt_ = now();
  }
  void go() override {
    if (!stoppedAt_) return;
    start_ = Steady::now() - std::chrono::microseconds(*stoppedAt_);
    stoppedAt_.reset();
  }
  bool stopped() const { return stoppedAt_.has_value(); }

 private:
  Steady::time_point start_;
  std::optional<std::int64_t> stoppedAt_;
};

}  // namespace kestrin
