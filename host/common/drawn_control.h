#pragma once

#include <string>
#include <string_view>

#include "host/common/pixel_geometry.h"
#include "shell/control.h"

namespace kestrin::draw {

// Everything about one control that decides what a window shows of it: its
// pixels, or a button's state. A window keeps one a control, as it last
// showed them, and compares the model with them after every event: a
// control whose record changed is shown again, whichever property a handler
// wrote. A hidden control keeps only its kind and visibility, so what
// changes while it is hidden costs nothing.
struct DrawnControl {
  ControlKind kind = ControlKind::Timer;
  bool visible = false;
  PixelRect box;   // logical pixels
  PixelRect area;  // where it leaves pixels in the client area; empty: nowhere
  // Shape
  ShapeKind shape = ShapeKind::Rectangle;
  FillStyle fillStyle = FillStyle::Transparent;
  Colour fill = 0;
  // Label, CommandButton
  std::string caption;
  Alignment alignment = Alignment::Left;
  Font font;
  Colour back = 0, fore = 0;
  // Image
  std::string_view picture;
  bool stretch = false;

  bool operator==(const DrawnControl&) const = default;
};

// Fills `into` with the control's record. It reuses the caption's storage:
// a tick in steady play allocates nothing here.
void record(const Control& control, DrawnControl& into);

// Where a control leaves its pixels, in logical pixels: its box, or an
// unstretched picture's own size from the box's corner; empty for a control
// that paints nothing (hidden, a button, a timer). Nothing it paints falls
// outside, which is what lets a partial paint leave the rest alone.
PixelRect paintedArea(const Control& control);

}  // namespace kestrin::draw
