#pragma once

#include "host/common/pixel_geometry.h"

// Logical pixels to the device pixels a window really has, at `ratio` device
// pixels to the logical pixel (1, 1.25, 1.5, 2, ...). Where a logical edge
// cuts through a device pixel, what touches that pixel must paint it again:
// these say which pixels that is, for every host alike.
namespace kestrin::draw {

// How far, in device pixels, an antialiased edge may reach past the pixels
// its shape covers.
inline constexpr int kAntialiasMargin = 1;

// The device pixels a box of logical pixels touches, whole or in part: its
// edges rounded outward.
PixelRect toDevicePixels(const PixelRect& logical, double ratio);
// The device pixels a control painted in `logical` may change: those it
// touches and one more all round, for whatever an antialiased edge reaches.
PixelRect deviceReach(const PixelRect& logical, double ratio);
// The logical pixels that cover `device` whole, grown by one: what a window
// must update for those device pixels to be painted again, however the
// window system rounds a fractional edge.
PixelRect logicalCover(const PixelRect& device, double ratio);

}  // namespace kestrin::draw
