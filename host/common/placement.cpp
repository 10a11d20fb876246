#include "host/common/placement.h"

#include <algorithm>

namespace kestrin::draw {

namespace {

// The start of a span of `length` moved the least distance into [lo, hi).
int keptInside(int start, int length, int lo, int hi) {
  if (length >= hi - lo) return lo;
  return std::clamp(start, lo, hi - length);
}

PixelRect centredOn(const PixelSize& size, const PixelRect& over) {
  // Halves rounded alike on both sides, so a window the size of the one
  // it is centred on lands exactly on it.
  return {over.x + (over.width - size.width) / 2, over.y + (over.height - size.height) / 2, size.width,
          size.height};
}

}  // namespace

PixelRect keptInside(const PixelRect& frame, const PixelRect& area) {
  return {keptInside(frame.x, frame.width, area.x, area.xEnd()),
          keptInside(frame.y, frame.height, area.y, area.yEnd()), frame.width, frame.height};
}

PixelRect placeClient(const PlaceRequest& request, const AvailableArea& available) {
  const PixelMargins& m = request.frame;
  const PixelSize frameSize = PixelRect({0, 0}, request.client).grownBy(m).size();
  PixelRect frame;
  if (request.at) {
    frame = PixelRect({request.at->x - m.left, request.at->y - m.top}, frameSize);
  } else if (request.opener) {
    frame = centredOn(frameSize, *request.opener);
  } else {
    frame = centredOn(frameSize, request.primary);
  }
  frame = keptInside(frame, available(frame));
  return frame.shrunkBy(m);
}

}  // namespace kestrin::draw
