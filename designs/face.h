#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The program's one face, Liberation Sans regular and bold, compiled in as
// the outlines its fonts hold (face/outlines.cpp, made by
// face/make_outlines.py): printable ASCII, which is every character any
// caption, box or error name holds. The host draws its text from them, so
// it loads no font file and none of the toolkit's font machinery, and the
// text is laid out alike on every machine. Units are the fonts' own, y up
// from the baseline.
namespace kestrin::designs {

struct FacePoint {
  std::int16_t x;
  std::int16_t y;
  std::uint8_t onCurve;  // 0: the control point of a quadratic curve
};

struct FaceGlyph {
  char32_t code;               // 0: the glyph drawn for a character not here
  std::uint16_t advance;
  std::uint16_t firstContour;  // into contourEnds
  std::uint16_t contourCount;
};

struct FaceKerning {
  char32_t left;
  char32_t right;
  std::int16_t adjust;  // added to the left glyph's advance
};

struct FaceOutlines {
  std::string_view family;  // the fonts' own name for it
  int unitsPerEm;
  int ascent;   // above the baseline
  int descent;  // below it, positive
  int lineGap;
  std::span<const FaceGlyph> glyphs;           // by code, the missing glyph first
  std::span<const std::uint16_t> contourEnds;  // one past each contour's last point
  std::span<const FacePoint> points;
  std::span<const FaceKerning> kerning;  // by left, then right
};

extern const FaceOutlines kFaceRegular;
extern const FaceOutlines kFaceBold;

}  // namespace kestrin::designs
