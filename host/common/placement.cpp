#include "host/common/placement.h"

#include <algorithm>

#include "host/common/design_view.h"

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
  const auto place = [&](PixelSize client) {
    const PixelSize frameSize = PixelRect({0, 0}, client).grownBy(m).size();
    if (request.at) return PixelRect({request.at->x - m.left, request.at->y - m.top}, frameSize);
    if (request.opener) return centredOn(frameSize, *request.opener);
    return centredOn(frameSize, request.primary);
  };
  PixelRect frame = place(request.client);
  if (request.fit) {
    const double scale = fittingScale(request.client, m, available(frame).size());
    if (scale < 1) frame = place(clientAt(request.client, scale));
  }
  frame = keptInside(frame, available(frame));
  return frame.shrunkBy(m);
}

}  // namespace kestrin::draw
