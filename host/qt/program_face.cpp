#include "host/qt/program_face.h"

#include <algorithm>
#include <cmath>

#include <QColor>
#include <QPainter>
#include <QTransform>

namespace kestrin::qt {

namespace {

// Adds one TrueType contour: on-curve points joined by lines, or by
// quadratic curves through the off-curve points between them; two
// off-curve points in a row have an on-curve one midway, unwritten.
void addContour(QPainterPath& path, std::span<const designs::FacePoint> points,
                const QTransform& toDevice) {
  const auto n = points.size();
  if (n == 0) return;
  const auto at = [&](std::size_t i) {
    const designs::FacePoint& p = points[i % n];
    return toDevice.map(QPointF(p.x, p.y));
  };
  const auto on = [&](std::size_t i) { return points[i % n].onCurve != 0; };
  // Start at an on-curve point; where there is none, at the unwritten one
  // midway between the last point and the first. Then every point after the
  // start, in turn, and back to it.
  std::size_t first = 0;
  while (first < n && !on(first)) ++first;
  const bool allOff = first == n;
  if (allOff) first = n - 1;
  const QPointF start = allOff ? (at(n - 1) + at(0)) / 2 : at(first);
  path.moveTo(start);
  QPointF control;
  bool pending = false;
  for (std::size_t k = 1; k < (allOff ? n + 1 : n); ++k) {
    const QPointF p = at(first + k);
    if (on(first + k)) {
      if (pending) {
        path.quadTo(control, p);
      } else {
        path.lineTo(p);
      }
      pending = false;
    } else {
      if (pending) path.quadTo(control, (control + p) / 2);
      control = p;
      pending = true;
    }
  }
  if (pending) {
    path.quadTo(control, start);
  } else {
    path.lineTo(start);
  }
  path.closeSubpath();
}

}  // namespace

Face::Face(qreal pixelSize, bool bold)
    : outlines_(bold ? &designs::kFaceBold : &designs::kFaceRegular),
      pixelSize_(pixelSize),
      bold_(bold) {}

qreal Face::toPixels(int units) const {
  return std::round(units * pixelSize_ * 64 / outlines_->unitsPerEm) / 64;
}

qreal Face::ascent() const { return toPixels(outlines_->ascent); }
qreal Face::descent() const { return toPixels(outlines_->descent); }
qreal Face::leading() const { return toPixels(outlines_->lineGap); }
qreal Face::lineHeight() const { return std::ceil(ascent() + descent()); }

const designs::FaceGlyph& Face::glyph(char16_t c) const {
  const auto glyphs = outlines_->glyphs;
  const auto it = std::lower_bound(glyphs.begin() + 1, glyphs.end(), c,
                                   [](const designs::FaceGlyph& g, char16_t code) { return g.code < code; });
  return it != glyphs.end() && it->code == c ? *it : glyphs.front();
}

qint64 Face::advance64(const designs::FaceGlyph& g) const {
  return static_cast<qint64>(std::floor(g.advance * pixelSize_ * 64 / outlines_->unitsPerEm));
}

qint64 Face::kerning64(char16_t left, char16_t right) const {
  const auto pairs = outlines_->kerning;
  const auto it = std::lower_bound(pairs.begin(), pairs.end(), std::pair{left, right},
                                   [](const designs::FaceKerning& k, std::pair<char16_t, char16_t> p) {
                                     return std::pair{k.left, k.right} <
                                            std::pair<char32_t, char32_t>{p.first, p.second};
                                   });
  if (it == pairs.end() || it->left != left || it->right != right) return 0;
  // Halves go up, as the shaper rounds them.
  return static_cast<qint64>(std::floor(it->adjust * pixelSize_ * 64 / outlines_->unitsPerEm + 0.5));
}

std::size_t Face::contourStart(std::size_t contour) const {
  return contour == 0 ? 0 : outlines_->contourEnds[contour - 1];
}

std::span<const designs::FacePoint> Face::pointsOf(const designs::FaceGlyph& g) const {
  const std::size_t from = contourStart(g.firstContour);
  const std::size_t to = contourStart(std::size_t{g.firstContour} + g.contourCount);
  return outlines_->points.subspan(from, to - from);
}

qreal Face::advance(QStringView text) const {
  qint64 pen = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    pen += advance64(glyph(c));
    if (i + 1 < text.size()) pen += kerning64(c, text[i + 1].unicode());
  }
  return static_cast<qreal>(pen) / 64;
}

qreal Face::naturalWidth(QStringView text) const {
  const qreal width = advance(text);
  if (text.isEmpty()) return width;
  const designs::FaceGlyph& last = glyph(text.back().unicode());
  int inkRight = 0;
  for (const designs::FacePoint& p : pointsOf(last)) inkRight = std::max<int>(inkRight, p.x);
  const qreal overhang = toPixels(inkRight) - static_cast<qreal>(advance64(last)) / 64;
  return width + std::max<qreal>(0, overhang);
}

QPainterPath Face::outline(QStringView text, QPointF origin) const {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);  // contours overlap where strokes cross
  const qreal scale = pixelSize_ / outlines_->unitsPerEm;
  const auto ends = outlines_->contourEnds;
  qint64 pen = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    const designs::FaceGlyph& g = glyph(c);
    const QTransform toDevice(scale, 0, 0, -scale, origin.x() + static_cast<qreal>(pen) / 64,
                              origin.y());
    std::size_t start = contourStart(g.firstContour);
    for (std::size_t k = g.firstContour; k < std::size_t{g.firstContour} + g.contourCount; ++k) {
      addContour(path, outlines_->points.subspan(start, ends[k] - start), toDevice);
      start = ends[k];
    }
    pen += advance64(g);
    if (i + 1 < text.size()) pen += kerning64(c, text[i + 1].unicode());
  }
  return path;
}

void fillText(QPainter& painter, const QPainterPath& outline, const QColor& colour) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.fillPath(outline, colour);
  painter.restore();
}

}  // namespace kestrin::qt
