#pragma once

#include <cstddef>
#include <span>

#include <QPainterPath>
#include <QPointF>
#include <QStringView>

#include "designs/face.h"

class QColor;
class QPainter;

namespace kestrin::qt {

// The program's one face at one size and weight: the designs' "MS Sans
// Serif" and the message boxes' text alike, drawn from the outlines compiled
// into the program (designs/face.h) rather than through the toolkit's fonts.
// Those would load fontconfig and its settings, FreeType, HarfBuzz and the
// font files, some 3 MiB of memory for a dozen words, and would draw in
// whatever face the machine put in its place where the face is missing.
//
// Sizes are in logical pixels. Text is placed as a shaper with the face's
// design metrics places it: each advance scaled to 1/64 pixel and rounded
// down, each kerning pair's adjustment rounded to the nearest 1/64. No
// hinting moves a glyph, so a line is as wide at 1.25 or 2x as at 1x.
class Face {
 public:
  Face(qreal pixelSize, bool bold);

  qreal pixelSize() const { return pixelSize_; }
  bool bold() const { return bold_; }

  qreal ascent() const;
  qreal descent() const;
  // The face's gap between one line's descent and the next one's ascent.
  qreal leading() const;
  // One line: its ascent and descent, rounded up to a whole pixel.
  qreal lineHeight() const;

  // From the start of the text to where the next character would go.
  qreal advance(QStringView text) const;
  // As wide as the text's ink needs: its advance, and as much of its last
  // glyph as reaches past that (an italic-like overhang, a 'j' or a 'T').
  qreal naturalWidth(QStringView text) const;

  // The text's outline, with the left end of its baseline at `origin`,
  // ready to be filled. A character the face does not have is drawn as the
  // face's box for missing glyphs.
  QPainterPath outline(QStringView text, QPointF origin) const;

  friend bool operator==(const Face& a, const Face& b) {
    return a.pixelSize_ == b.pixelSize_ && a.bold_ == b.bold_;
  }

 private:
  const designs::FaceGlyph& glyph(char16_t c) const;
  // Font units to 1/64 pixel.
  qint64 advance64(const designs::FaceGlyph& g) const;
  qint64 kerning64(char16_t left, char16_t right) const;
  qreal toPixels(int units) const;
  // Where a contour's points begin; one past the last contour's, the end.
  std::size_t contourStart(std::size_t contour) const;
  std::span<const designs::FacePoint> pointsOf(const designs::FaceGlyph& g) const;

  const designs::FaceOutlines* outlines_;
  qreal pixelSize_;
  bool bold_;
};

// Fills a text's outline in `colour`, antialiased whatever the painter's
// hints, as the toolkit draws text.
void fillText(QPainter& painter, const QPainterPath& outline, const QColor& colour);

}  // namespace kestrin::qt
