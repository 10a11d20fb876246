#include "drawn_control.h"

#include "host/qt/paint.h"

namespace kestrin::qt {

void record(const Control& control, PictureCache& pictures, DrawnControl& into) {
  // Every field a kind does not use back at its default, so that only what
  // is drawn takes part in the comparison; the caption keeps its storage.
  std::string caption = std::move(into.caption);
  caption.clear();
  into = DrawnControl{.kind = control.kind, .visible = bool(control.Visible)};
  into.caption = std::move(caption);
  if (!control.Visible || control.kind == ControlKind::Timer) return;
  into.box = pixelBox(control);
  into.area = paintedArea(control, pictures);
  switch (control.kind) {
    case ControlKind::Shape:
      into.shape = control.shape;
      into.fillStyle = control.fillStyle;
      into.fill = control.FillColor;
      break;
    case ControlKind::Label:
      into.back = control.BackColor;
      into.fore = control.ForeColor;
      into.alignment = control.alignment;
      [[fallthrough]];
    case ControlKind::CommandButton:
      into.caption.assign(control.Caption);
      into.font = control.font;
      break;
    case ControlKind::Image:
      into.picture = control.picture;
      into.stretch = control.stretch;
      break;
    case ControlKind::Timer: break;
  }
}

}  // namespace kestrin::qt
