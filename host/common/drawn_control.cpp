#include "host/common/drawn_control.h"

#include "designs/designs.h"
#include "host/common/twips_to_pixels.h"

namespace kestrin::draw {

void record(const Control& control, DrawnControl& into) {
  // Every field a kind does not use back at its default, so that only what
  // is drawn takes part in the comparison; the caption keeps its storage.
  std::string caption = std::move(into.caption);
  caption.clear();
  into = DrawnControl{.kind = control.kind(), .visible = bool(control.Visible)};
  into.caption = std::move(caption);
  if (!control.Visible || control.kind() == ControlKind::Timer) return;
  into.box = pixelBox(control);
  into.area = paintedArea(control);
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

PixelRect paintedArea(const Control& control) {
  if (!control.Visible) return {};
  switch (control.kind()) {
    case ControlKind::Shape:
    case ControlKind::Label: return pixelBox(control);
    case ControlKind::Image: {
      const PixelRect box = pixelBox(control);
      if (control.design().stretch) return box;
      const designs::PictureSize own = designs::pictureSize(control.design().picture);
      const PixelRect area(box.topLeft(), {own.width, own.height});
      return area.isEmpty() ? PixelRect() : area;
    }
    case ControlKind::CommandButton:
    case ControlKind::Timer: break;
  }
  return {};
}

}  // namespace kestrin::draw
