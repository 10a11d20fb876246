#include "rect.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "runtime_error.h"

namespace kestrin {

namespace {

template <class Int>
Int roundHalfEven(double value) {
  // nearbyint rounds in the current mode, which is to nearest, ties to even.
  const double r = std::nearbyint(value);
  if (!(r >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        r <= static_cast<double>(std::numeric_limits<Int>::max()))) {
    throw RuntimeError(ErrorKind::Overflow);
  }
  return static_cast<Int>(r);
}

}  // namespace

std::int32_t toInt32(double value) { return roundHalfEven<std::int32_t>(value); }
std::int16_t toInt16(double value) { return roundHalfEven<std::int16_t>(value); }

RECT rectOf(const Control& c) {
  const double left = c.Left;
  const double top = c.Top;
  return RECT{toInt32(left), toInt32(top), toInt32(left + double{c.Width}),
              toInt32(top + double{c.Height})};
}

int IntersectRect(RECT& destination, const RECT& a, const RECT& b) {
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
