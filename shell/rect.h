#pragma once

#include <cstdint>

#include "control.h"

namespace kestrin {

// Conversions to whole numbers as the game uses them: to the nearest integer,
// halves to the even one (0.5 -> 0, 1.5 -> 2, -1.5 -> -2). A value outside
// the target's range, or not a number, is an Overflow error.
std::int32_t toInt32(double value);
std::int16_t toInt16(double value);

// A rectangle of four signed 32-bit edges; empty when right <= left or
// bottom <= top.
struct RECT {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const RECT&, const RECT&) = default;
};

// A control's rectangle: Left, Top, Left + Width, Top + Height, the sums formed
// in double precision from the single-precision properties, each edge
// rounded by toInt32.
RECT rectOf(const Control& control);

// The overlap test: non-zero when a and b share an area of positive width and
// height, with the intersection in destination; otherwise 0 and destination
// all zeros. Rectangles that only touch along an edge or at a corner do not
// overlap.
int IntersectRect(RECT& destination, const RECT& a, const RECT& b);

}  // namespace kestrin
