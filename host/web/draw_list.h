#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "host/web/page.h"

namespace kestrin::web {

// Drawing commands for one canvas, made by the host and run by the page in
// one call (site/library.js, runDrawList): a number for the command, then
// its arguments, all as doubles, which hold every coordinate and colour
// exactly. Coordinates are pixels of the design, unless said otherwise;
// colours are 0xRRGGBB.
class DrawList {
 public:
  enum class Op : int {
    // device pixels to a pixel of the design, where the design's corner is
    // (x, y, device pixels), ground colour, n, then n rectangles in device
    // pixels (x, y, w, h): the paint is clipped to them and they are filled
    // with the ground.
    Begin = 1,
    End,         // the paint is over: clip and scale dropped
    FillRect,    // x, y, w, h, colour
    Oval,        // x, y, w, h, fill colour or -1 for none, outline colour
    PushClip,    // x, y, w, h: within the clip already set
    PopClip,
    MoveTo,      // x, y: a path, filled by FillPath
    LineTo,      // x, y
    QuadTo,      // cx, cy, x, y
    ClosePath,
    FillPath,    // colour: fills the path made since the last FillPath, non-zero
    Image,       // picture number, x, y, w, h: the picture scaled smoothly into the box
    FocusFrame,  // x, y, w, h: a dotted frame inside the box
    Veil,        // x, y, w, h, opacity (of 255): black over what is drawn there so far
  };

  void clear() { data_.clear(); }
  bool empty() const { return data_.empty(); }
  std::span<const double> commands() const { return data_; }

  void begin(double ratio, std::uint32_t ground, std::span<const PageRect> devicePixels) {
    begin(ratio, 0, 0, ground, devicePixels);
  }
  void begin(double scale, int originX, int originY, std::uint32_t ground,
             std::span<const PageRect> devicePixels);
  void end() { op(Op::End); }
  void fillRect(double x, double y, double w, double h, std::uint32_t colour);
  void oval(double x, double y, double w, double h, std::int64_t fill, std::uint32_t outline);
  void pushClip(double x, double y, double w, double h);
  void popClip() { op(Op::PopClip); }
  void moveTo(double x, double y);
  void lineTo(double x, double y);
  void quadTo(double cx, double cy, double x, double y);
  void closePath() { op(Op::ClosePath); }
  void fillPath(std::uint32_t colour);
  void image(int picture, double x, double y, double w, double h);
  void focusFrame(double x, double y, double w, double h);
  void veil(double x, double y, double w, double h, int opacity);

 private:
  void op(Op o) { data_.push_back(static_cast<double>(o)); }
  void args(std::initializer_list<double> values) { data_.insert(data_.end(), values); }

  std::vector<double> data_;
};

}  // namespace kestrin::web
