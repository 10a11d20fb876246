#pragma once

#include <concepts>
#include <cstdint>

#include "runtime_error.h"

namespace kestrin {

// A signed 16-bit screen variable (the ball and paddle steps). Arithmetic on
// it never wraps: a result outside -32768..32767 is an Overflow error.
// It reads as a plain int16_t, so `shpBall.Left + BallStepX` is a
// single-precision sum, as positions are.
class Integer {
 public:
  constexpr Integer() = default;
  // From an int only: a float never turns into a step unnoticed.
  template <std::same_as<int> Int>
  constexpr Integer(Int value) : value_(checked(value)) {}  // NOLINT: literals read naturally

  constexpr operator std::int16_t() const { return value_; }  // NOLINT

  constexpr Integer operator-() const { return Integer(-static_cast<int>(value_)); }
  friend constexpr Integer operator+(Integer a, Integer b) {
    return Integer(static_cast<int>(a.value_) + static_cast<int>(b.value_));
  }
  friend constexpr Integer operator-(Integer a, Integer b) {
    return Integer(static_cast<int>(a.value_) - static_cast<int>(b.value_));
  }
  friend constexpr Integer operator+(Integer a, int b) { return a + Integer(b); }
  friend constexpr Integer operator-(Integer a, int b) { return a - Integer(b); }

 private:
  static constexpr std::int16_t checked(int value) {
    if (value < INT16_MIN || value > INT16_MAX) throw RuntimeError(ErrorKind::Overflow);
    return static_cast<std::int16_t>(value);
  }

  std::int16_t value_ = 0;
};

}  // namespace kestrin
