#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "designs/face.h"
#include "shell/design.h"

namespace kestrin::draw {

// A point of an outline, in logical pixels, y down.
struct PathPoint {
  double x = 0;
  double y = 0;
};

// Whatever a host builds an outline into (a QPainterPath, a canvas Path2D):
// contours of lines and quadratic curves, each begun by moveTo and ended by
// close.
class PathSink {
 public:
  virtual void moveTo(PathPoint to) = 0;
  virtual void lineTo(PathPoint to) = 0;
  virtual void quadTo(PathPoint control, PathPoint to) = 0;
  virtual void close() = 0;

 protected:
  ~PathSink() = default;
};

// The program's one face at one size and weight: the designs' "MS Sans
// Serif" and the message boxes' text alike, laid out from the outlines
// compiled into the program (designs/face.h), so that every host, on every
// machine, lays out and draws the same text alike.
//
// Sizes are in logical pixels. Text is placed as a shaper with the face's
// design metrics places it: each advance scaled to 1/64 pixel and rounded
// down, each kerning pair's adjustment rounded to the nearest 1/64. No
// hinting moves a glyph, so a line is as wide at 1.25 or 2x as at 1x. Text
// is UTF-16, one glyph a code unit.
class Face {
 public:
  Face(double pixelSize, bool bold);

  double pixelSize() const { return pixelSize_; }
  bool bold() const { return bold_; }

  double ascent() const;
  double descent() const;
  // The face's gap between one line's descent and the next one's ascent.
  double leading() const;
  // One line: its ascent and descent, rounded up to a whole pixel.
  double lineHeight() const;

  // From the start of the text to where the next character would go.
  double advance(std::u16string_view text) const;
  // As wide as the text's ink needs: its advance, and as much of its last
  // glyph as reaches past that (an italic-like overhang, a 'j' or a 'T').
  double naturalWidth(std::u16string_view text) const;

  // The text's outline, with the left end of its baseline at `origin`, given
  // to `sink` contour by contour, to be filled by the non-zero winding rule
  // (contours overlap where strokes cross). A character the face does not
  // have is drawn as the face's box for missing glyphs.
  void outline(std::u16string_view text, PathPoint origin, PathSink& sink) const;

  friend bool operator==(const Face& a, const Face& b) {
    return a.pixelSize_ == b.pixelSize_ && a.bold_ == b.bold_;
  }

 private:
  const designs::FaceGlyph& glyph(char16_t c) const;
  // Font units to 1/64 pixel.
  std::int64_t advance64(const designs::FaceGlyph& g) const;
  std::int64_t kerning64(char16_t left, char16_t right) const;
  double toPixels(int units) const;
  // Where a contour's points begin; one past the last contour's, the end.
  std::size_t contourStart(std::size_t contour) const;
  std::span<const designs::FacePoint> pointsOf(const designs::FaceGlyph& g) const;

  const designs::FaceOutlines* outlines_;
  double pixelSize_;
  bool bold_;
};

// The labels' and buttons' face: the designs' font in the program's face
// at points x 96 / 72 pixels, whatever DPI the display reports, so text lays
// out alike on every machine.
Face toFace(const Font& font);

}  // namespace kestrin::draw
