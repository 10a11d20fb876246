#pragma once

#include <cmath>

#include <QRect>

namespace kestrin::qt {

// 15 twips to the logical pixel, to the nearest whole pixel. Every edge goes
// through here, so controls that share an edge in twips share it in pixels.
inline int toPixels(double twips) { return static_cast<int>(std::floor(twips / 15 + 0.5)); }

// A box given in twips, in whole logical pixels: its edges rounded, not its
// size, so that boxes that meet in twips meet in pixels.
inline QRect pixelBox(double left, double top, double width, double height) {
  const int l = toPixels(left);
  const int t = toPixels(top);
  return {l, t, toPixels(left + width) - l, toPixels(top + height) - t};
}

}  // namespace kestrin::qt
