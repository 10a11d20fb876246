#include "host/common/face.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kestrin::draw {

namespace {

// A glyph's points, font units y up, to logical pixels y down.
struct ToPixels {
  double scale;
  PathPoint origin;

  PathPoint operator()(const designs::FacePoint& p) const {
    return {scale * p.x + origin.x, -scale * p.y + origin.y};
  }
};

PathPoint midway(PathPoint a, PathPoint b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

// Gives one TrueType contour: on-curve points joined by lines, or by
// quadratic curves through the off-curve points between them; two
// off-curve points in a row have an on-curve one midway, unwritten.
void addContour(PathSink& sink, std::span<const designs::FacePoint> points, const ToPixels& toPixels) {
  const auto n = points.size();
  if (n == 0) return;
  const auto at = [&](std::size_t i) { return toPixels(points[i % n]); };
  const auto on = [&](std::size_t i) { return points[i % n].onCurve != 0; };
  // Start at an on-curve point; where there is none, at the unwritten one
  // midway between the last point and the first. Then every point after the
  // start, in turn, and back to it.
  std::size_t first = 0;
  while (first < n && !on(first)) ++first;
  const bool allOff = first == n;
  if (allOff) first = n - 1;
  const PathPoint start = allOff ? midway(at(n - 1), at(0)) : at(first);
  sink.moveTo(start);
  PathPoint control;
  bool pending = false;
  for (std::size_t k = 1; k < (allOff ? n + 1 : n); ++k) {
    const PathPoint p = at(first + k);
    if (on(first + k)) {
      if (pending) {
        sink.quadTo(control, p);
      } else {
        sink.lineTo(p);
      }
      pending = false;
    } else {
      if (pending) sink.quadTo(control, midway(control, p));
      control = p;
      pending = true;
    }
  }
  if (pending) {
    sink.quadTo(control, start);
  } else {
    sink.lineTo(start);
  }
  sink.close();
}

}  // namespace

Face::Face(double pixelSize, bool bold)
    : outlines_(bold ? &designs::kFaceBold : &designs::kFaceRegular),
      pixelSize_(pixelSize),
      bold_(bold) {}

double Face::toPixels(int units) const {
  return std::round(units * pixelSize_ * 64 / outlines_->unitsPerEm) / 64;
}

double Face::ascent() const { return toPixels(outlines_->ascent); }
double Face::descent() const { return toPixels(outlines_->descent); }
double Face::leading() const { return toPixels(outlines_->lineGap); }
double Face::lineHeight() const { return std::ceil(ascent() + descent()); }

const designs::FaceGlyph& Face::glyph(char16_t c) const {
  const auto glyphs = outlines_->glyphs;
  const auto it = std::lower_bound(glyphs.begin() + 1, glyphs.end(), c,
                                   [](const designs::FaceGlyph& g, char16_t code) { return g.code < code; });
  return it != glyphs.end() && it->code == c ? *it : glyphs.front();
}

std::int64_t Face::advance64(const designs::FaceGlyph& g) const {
  return static_cast<std::int64_t>(std::floor(g.advance * pixelSize_ * 64 / outlines_->unitsPerEm));
}

std::int64_t Face::kerning64(char16_t left, char16_t right) const {
  const auto pairs = outlines_->kerning;
  const auto it = std::lower_bound(pairs.begin(), pairs.end(), std::pair{left, right},
                                   [](const designs::FaceKerning& k, std::pair<char16_t, char16_t> p) {
                                     return std::pair{k.left, k.right} <
                                            std::pair<char32_t, char32_t>{p.first, p.second};
                                   });
  if (it == pairs.end() || it->left != left || it->right != right) return 0;
  // Halves go up, as the shaper rounds them.
  return static_cast<std::int64_t>(std::floor(it->adjust * pixelSize_ * 64 / outlines_->unitsPerEm + 0.5));
}

std::size_t Face::contourStart(std::size_t contour) const {
  return contour == 0 ? 0 : outlines_->contourEnds[contour - 1];
}

std::span<const designs::FacePoint> Face::pointsOf(const designs::FaceGlyph& g) const {
  const std::size_t from = contourStart(g.firstContour);
  const std::size_t to = contourStart(std::size_t{g.firstContour} + g.contourCount);
  return outlines_->points.subspan(from, to - from);
}

double Face::advance(std::u16string_view text) const {
  std::int64_t pen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    pen += advance64(glyph(text[i]));
    if (i + 1 < text.size()) pen += kerning64(text[i], text[i + 1]);
  }
  return static_cast<double>(pen) / 64;
}

double Face::naturalWidth(std::u16string_view text) const {
  const double width = advance(text);
  if (text.empty()) return width;
  const designs::FaceGlyph& last = glyph(text.back());
  int inkRight = 0;
  for (const designs::FacePoint& p : pointsOf(last)) inkRight = std::max<int>(inkRight, p.x);
  const double overhang = toPixels(inkRight) - static_cast<double>(advance64(last)) / 64;
  return width + std::max<double>(0, overhang);
}

void Face::outline(std::u16string_view text, PathPoint origin, PathSink& sink) const {
  const double scale = pixelSize_ / outlines_->unitsPerEm;
  const auto ends = outlines_->contourEnds;
  std::int64_t pen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const designs::FaceGlyph& g = glyph(text[i]);
    const ToPixels toPixels{scale, {origin.x + static_cast<double>(pen) / 64, origin.y}};
    std::size_t start = contourStart(g.firstContour);
    for (std::size_t k = g.firstContour; k < std::size_t{g.firstContour} + g.contourCount; ++k) {
      addContour(sink, outlines_->points.subspan(start, ends[k] - start), toPixels);
      start = ends[k];
    }
    pen += advance64(g);
    if (i + 1 < text.size()) pen += kerning64(text[i], text[i + 1]);
  }
}

Face toFace(const Font& font) {
  return {static_cast<double>(std::lround(double{font.points} * 96.0 / 72.0)), font.bold};
}

}  // namespace kestrin::draw
