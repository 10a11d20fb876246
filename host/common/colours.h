#pragma once

#include <cstdint>

#include "shell/design.h"

namespace kestrin::draw {

// A colour as the screen shows it: red, green and blue, 0 to 255 each.
struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  bool operator==(const Rgb&) const = default;
};

// A design's or a handler's colour as shown: an RGB colour as it is, a
// scheme colour as the desktop scheme every host draws with (window and
// button text black, title-bar text white, button face #F0F0F0).
Rgb rgbOf(Colour colour);

}  // namespace kestrin::draw
