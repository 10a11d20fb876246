#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "control.h"

namespace kestrin {

namespace detail {

[[noreturn]] void conversionOverflow();

// The nearest whole number, halves to the even one, for |value| < 2^51:
// adding 1.5 x 2^52 leaves no bits below the units, so the sum is rounded
// in the current mode (to nearest, ties to even), and the even constant
// keeps a tie going the way the value's own would.
inline double roundHalfEven(double value) {
#if FLT_EVAL_METHOD == 0
  constexpr double kShift = 6755399441055744.0;  // 1.5 x 2^52
  return (value + kShift) - kShift;  // not an identity in IEEE arithmetic: never folded
#else
  return std::nearbyint(value);  // wider intermediates would keep the low bits
#endif
}

}  // namespace detail

// Conversions to whole numbers as the game uses them: to the nearest integer,
// halves to the even one (0.5 -> 0, 1.5 -> 2, -1.5 -> -2). A value outside
// the target's range, or not a number, is an Overflow error. Inline and
// without a library call: the overlap tests round eight edges a brick, every
// brick, every tick.
//
// Every value from min - 0.5 (whose tie goes to the even min) up to but not
// including max + 0.5 (whose tie goes to max + 1) rounds into range; NaN
// fails both comparisons.
inline std::int32_t toInt32(double value) {
  if (!(value >= -2147483648.5 && value < 2147483647.5)) detail::conversionOverflow();
  return static_cast<std::int32_t>(detail::roundHalfEven(value));
}

inline std::int16_t toInt16(double value) {
  if (!(value >= -32768.5 && value < 32767.5)) detail::conversionOverflow();
  return static_cast<std::int16_t>(detail::roundHalfEven(value));
}

// A rectangle of four signed 32-bit edges; empty when right <= left or
// bottom <= top.
struct RECT {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const RECT&, const RECT&) = default;
};

// A control's rectangle: Left, Top, Left + Width, Top + Height, the sums formed
// in double precision from the single-precision properties, each edge
// rounded by toInt32.
inline RECT rectOf(const Control& control) {
  const double left = control.Left;
  const double top = control.Top;
  return RECT{toInt32(left), toInt32(top), toInt32(left + double{control.width()}),
              toInt32(top + double{control.height()})};
}

// The overlap test: non-zero when a and b share an area of positive width and
// height, with the intersection in destination; otherwise 0 and destination
// all zeros. Rectangles that only touch along an edge or at a corner do not
// overlap.
inline int IntersectRect(RECT& destination, const RECT& a, const RECT& b) {
  const RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) {
    destination = RECT{};
    return 0;
  }
  destination = r;
  return 1;
}

}  // namespace kestrin
