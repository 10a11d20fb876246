#pragma once

#include <cstdint>
#include <string_view>

namespace kestrin {

// What the model needs from the host that shows it. The model never reads the
// system time itself and never draws: the host owns time and windows.
class Clock {
 public:
  // The latest time a clock may read: 2^62 microseconds, about 146,000
  // years. Any time up to it plus any timer's period (at most 2^31 ms, under
  // 2^41 microseconds) stays inside 64 bits, so the model's deadlines are
  // plain sums that cannot overflow.
  static constexpr std::int64_t kLatest = std::int64_t{1} << 62;

  virtual ~Clock() = default;
  // Microseconds since the program started, from 0 to kLatest, on a clock
  // that never goes back.
  virtual std::int64_t now() const = 0;
};

class Host {
 public:
  virtual ~Host() = default;
  // A modal box with the title, the text and one OK button; returns when the
  // player has answered it. No event reaches the model meanwhile.
  virtual void messageBox(std::string_view text, std::string_view title) = 0;
};

}  // namespace kestrin
