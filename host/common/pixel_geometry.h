#pragma once

// Points, sizes and boxes in whole pixels, logical or device ones as each
// use says, for what every host computes alike about where things are
// drawn. Boxes are half-open: a box holds the pixels from `x` up to, not
// including, `x + width`.
namespace kestrin::draw {

struct PixelPoint {
  int x = 0;
  int y = 0;

  bool operator==(const PixelPoint&) const = default;
};

struct PixelSize {
  int width = 0;
  int height = 0;

  bool isEmpty() const { return width <= 0 || height <= 0; }
  bool operator==(const PixelSize&) const = default;
};

// What a frame adds around a window's client area at each side.
struct PixelMargins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  bool operator==(const PixelMargins&) const = default;
};

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  PixelRect() = default;
  constexpr PixelRect(int left, int top, int w, int h) : x(left), y(top), width(w), height(h) {}
  constexpr PixelRect(PixelPoint at, PixelSize size) : PixelRect(at.x, at.y, size.width, size.height) {}

  // One past the last column and row it holds.
  constexpr int xEnd() const { return x + width; }
  constexpr int yEnd() const { return y + height; }
  constexpr PixelPoint topLeft() const { return {x, y}; }
  constexpr PixelSize size() const { return {width, height}; }
  constexpr bool isEmpty() const { return width <= 0 || height <= 0; }
  constexpr bool contains(PixelPoint p) const {
    return !isEmpty() && p.x >= x && p.x < xEnd() && p.y >= y && p.y < yEnd();
  }
  // Each edge moved outward by the margins (inward where they are negative).
  constexpr PixelRect grownBy(const PixelMargins& m) const {
    return {x - m.left, y - m.top, width + m.left + m.right, height + m.top + m.bottom};
  }
  constexpr PixelRect shrunkBy(const PixelMargins& m) const {
    return grownBy({-m.left, -m.top, -m.right, -m.bottom});
  }

  bool operator==(const PixelRect&) const = default;
};

}  // namespace kestrin::draw
