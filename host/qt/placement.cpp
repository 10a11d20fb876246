#include "placement.h"

#include <algorithm>

namespace kestrin::qt {

namespace {

// The start of a span of `length` moved the least distance into [lo, hi).
int keptInside(int start, int length, int lo, int hi) {
  if (length >= hi - lo) return lo;
  return std::clamp(start, lo, hi - length);
}

QRect centredOn(const QSize& size, const QRect& over) {
  // Halves rounded alike on both sides, so a window the size of the one
  // it is centred on lands exactly on it.
  return QRect(QPoint(over.x() + (over.width() - size.width()) / 2,
                      over.y() + (over.height() - size.height()) / 2),
               size);
}

}  // namespace

QRect keptInside(const QRect& frame, const QRect& area) {
  return QRect(QPoint(keptInside(frame.x(), frame.width(), area.left(), area.left() + area.width()),
                      keptInside(frame.y(), frame.height(), area.top(),
                                 area.top() + area.height())),
               frame.size());
}

QRect placeClient(const PlaceRequest& request, const AvailableArea& available) {
  const QMargins& m = request.frame;
  const QSize frameSize = request.client.grownBy(m);
  QRect frame;
  if (request.at) {
    frame = QRect(*request.at - QPoint(m.left(), m.top()), frameSize);
  } else if (request.opener) {
    frame = centredOn(frameSize, *request.opener);
  } else {
    frame = centredOn(frameSize, request.primary);
  }
  frame = keptInside(frame, available(frame));
  return frame.marginsRemoved(m);
}

}  // namespace kestrin::qt
