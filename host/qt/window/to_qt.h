#pragma once

#include <QColor>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include "host/common/colours.h"
#include "host/common/pixel_geometry.h"

// What the hosts share about drawing (host/common) in Qt's types, and back.
namespace kestrin::qt {

inline QPoint toQPoint(draw::PixelPoint p) { return {p.x, p.y}; }
inline QSize toQSize(draw::PixelSize s) { return {s.width, s.height}; }
inline QRect toQRect(const draw::PixelRect& r) { return {r.x, r.y, r.width, r.height}; }
inline QMargins toQMargins(const draw::PixelMargins& m) { return {m.left, m.top, m.right, m.bottom}; }

inline draw::PixelPoint toPixelPoint(QPoint p) { return {p.x(), p.y()}; }
inline draw::PixelSize toPixelSize(QSize s) { return {s.width(), s.height()}; }
inline draw::PixelRect toPixelRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }
inline draw::PixelMargins toPixelMargins(const QMargins& m) {
  return {m.left(), m.top(), m.right(), m.bottom()};
}

inline QColor toQColor(Colour colour) {
  const draw::Rgb rgb = draw::rgbOf(colour);
  return {rgb.red, rgb.green, rgb.blue};
}

}  // namespace kestrin::qt
