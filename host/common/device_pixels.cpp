#include "host/common/device_pixels.h"

#include <cmath>

namespace kestrin::draw {

namespace {

// The whole pixels that hold the span from (left, top) to (right, bottom):
// each edge rounded outward.
PixelRect outward(double left, double top, double right, double bottom) {
  const int l = static_cast<int>(std::floor(left));
  const int t = static_cast<int>(std::floor(top));
  return {l, t, static_cast<int>(std::ceil(right)) - l, static_cast<int>(std::ceil(bottom)) - t};
}

}  // namespace

PixelRect toDevicePixels(const PixelRect& logical, double ratio) {
  if (logical.isEmpty()) return {};
  return outward(logical.x * ratio, logical.y * ratio, logical.xEnd() * ratio, logical.yEnd() * ratio);
}

PixelRect deviceReach(const PixelRect& logical, double ratio) {
  if (logical.isEmpty()) return {};
  constexpr int m = kAntialiasMargin;
  return toDevicePixels(logical, ratio).grownBy({m, m, m, m});
}

PixelRect logicalCover(const PixelRect& device, double ratio) {
  if (device.isEmpty()) return {};
  return outward(device.x / ratio, device.y / ratio, device.xEnd() / ratio, device.yEnd() / ratio)
      .grownBy({1, 1, 1, 1});
}

}  // namespace kestrin::draw
