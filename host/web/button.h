#pragma once

#include <string_view>

#include "host/common/face.h"
#include "host/common/pixel_geometry.h"
#include "host/web/draw_list.h"

namespace kestrin::web {

struct ButtonLook {
  bool pressed = false;  // the pointer went down on it and is still down
  bool focused = false;  // it has the keyboard focus: a dotted frame
};

// A push button on a canvas, its caption centred in the program's face:
// "Reset" on the game screens, "OK" in a box.
void drawButton(DrawList& list, const draw::PixelRect& box, std::u16string_view caption,
                const draw::Face& face, ButtonLook look);

// The face's outlines made into drawing commands, to be filled.
class DrawListPath final : public draw::PathSink {
 public:
  explicit DrawListPath(DrawList& list) : list_(list) {}
  void moveTo(draw::PathPoint to) override { list_.moveTo(to.x, to.y); }
  void lineTo(draw::PathPoint to) override { list_.lineTo(to.x, to.y); }
  void quadTo(draw::PathPoint control, draw::PathPoint to) override {
    list_.quadTo(control.x, control.y, to.x, to.y);
  }
  void close() override { list_.closePath(); }

 private:
  DrawList& list_;
};

}  // namespace kestrin::web
