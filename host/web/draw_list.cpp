#include "host/web/draw_list.h"

namespace kestrin::web {

void DrawList::begin(double scale, int originX, int originY, std::uint32_t ground,
                     std::span<const PageRect> devicePixels) {
  op(Op::Begin);
  args({scale, static_cast<double>(originX), static_cast<double>(originY), static_cast<double>(ground),
        static_cast<double>(devicePixels.size())});
  for (const PageRect& r : devicePixels) args({double(r.x), double(r.y), double(r.width), double(r.height)});
}

void DrawList::fillRect(double x, double y, double w, double h, std::uint32_t colour) {
  op(Op::FillRect);
  args({x, y, w, h, static_cast<double>(colour)});
}

void DrawList::oval(double x, double y, double w, double h, std::int64_t fill,
                    std::uint32_t outline) {
  op(Op::Oval);
  args({x, y, w, h, static_cast<double>(fill), static_cast<double>(outline)});
}

void DrawList::pushClip(double x, double y, double w, double h) {
  op(Op::PushClip);
  args({x, y, w, h});
}

void DrawList::moveTo(double x, double y) {
  op(Op::MoveTo);
  args({x, y});
}

void DrawList::lineTo(double x, double y) {
  op(Op::LineTo);
  args({x, y});
}

void DrawList::quadTo(double cx, double cy, double x, double y) {
  op(Op::QuadTo);
  args({cx, cy, x, y});
}

void DrawList::fillPath(std::uint32_t colour) {
  op(Op::FillPath);
  args({static_cast<double>(colour)});
}

void DrawList::image(int picture, double x, double y, double w, double h) {
  op(Op::Image);
  args({static_cast<double>(picture), x, y, w, h});
}

void DrawList::focusFrame(double x, double y, double w, double h) {
  op(Op::FocusFrame);
  args({x, y, w, h});
}

void DrawList::veil(double x, double y, double w, double h, int opacity) {
  op(Op::Veil);
  args({x, y, w, h, static_cast<double>(opacity)});
}

}  // namespace kestrin::web
