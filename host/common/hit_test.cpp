#include "host/common/hit_test.h"

#include "host/common/twips_to_pixels.h"

namespace kestrin::draw {

Control* controlAt(Form& form, PixelPoint point) {
  for (Control& c : form.controls()) {
    if (!c.Visible) continue;
    if (c.kind() != ControlKind::Label && c.kind() != ControlKind::Image) continue;
    if (pixelBox(c).contains(point)) return &c;
  }
  return nullptr;
}

}  // namespace kestrin::draw
