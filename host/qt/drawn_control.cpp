#include "drawn_control.h"

#include "host/qt/paint.h"

namespace kestrin::qt {

void record(const Control& control, PictureCache& pictures, DrawnControl& into) {
  // Every field a kind does not use back at its default, so that only what
  // is drawn takes part in the comparison; the caption keeps its storage.
  std::string caption = std::move(into.caption);
  caption.clear();
  into = DrawnControl{.kind = control.kind(), .visible = bool(control.Visible)};
  into.caption = std::move(caption);
  if (!control.Visible || control.kind() == ControlKind::Timer) return;
  into.box = pixelBox(control);
  into.area = paintedArea(control, pictures);
  switch (control.kind()) {
    case ControlKind::Shape:
      into.shape = control.design().shape;
      into.fillStyle = control.design().fillStyle;
      into.fill = control.FillColor;
      break;
    case ControlKind::Label:
      into.back = control.design().backColor;
      into.fore = control.design().foreColor;
      into.alignment = control.design().alignment;
      [[fallthrough]];
    case ControlKind::CommandButton:
      into.caption.assign(control.Caption);
      into.font = control.design().font;
      break;
    case ControlKind::Image:
      into.picture = control.design().picture;
      into.stretch = control.design().stretch;
      break;
    case ControlKind::Timer: break;
  }
}

}  // namespace kestrin::qt
