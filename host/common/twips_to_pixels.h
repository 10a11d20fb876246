#pragma once

#include <cmath>

#include "host/common/pixel_geometry.h"
#include "shell/control.h"
#include "shell/design.h"

// Designs and handlers place things in twips; windows show whole logical
// pixels, 15 twips to the pixel.
namespace kestrin::draw {

// A position in twips to the nearest whole logical pixel. Every edge goes
// through here, so controls that share an edge in twips share it in pixels.
inline int toPixels(double twips) { return static_cast<int>(std::floor(twips / 15 + 0.5)); }

// A box given in twips, in whole logical pixels: its edges rounded, not its
// size, so that boxes that meet in twips meet in pixels.
inline PixelRect pixelBox(double left, double top, double width, double height) {
  const int l = toPixels(left);
  const int t = toPixels(top);
  return {l, t, toPixels(left + width) - l, toPixels(top + height) - t};
}

// A control's box where it stands now, in its screen's client area.
inline PixelRect pixelBox(const Control& control) {
  return pixelBox(control.Left, control.Top, control.width(), control.height());
}

// The client area a screen opens with.
inline PixelSize clientSize(const ScreenDesign& design) {
  return {toPixels(design.clientWidth), toPixels(design.clientHeight)};
}

}  // namespace kestrin::draw
