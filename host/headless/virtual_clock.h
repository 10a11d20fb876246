#pragma once

#include <cstdint>

#include "shell/host.h"

namespace kestrin::headless {

// Time that moves only when told to: handlers take no time, and a replay
// runs the same ticks at the same times on every machine.
class VirtualClock final : public Clock {
 public:
  std::int64_t now() const override { return now_; }
  void set(std::int64_t micros) { now_ = micros; }

 private:
  std::int64_t now_ = 0;
};

}  // namespace kestrin::headless
