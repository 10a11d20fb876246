#pragma once

#include "host/common/pixel_geometry.h"
#include "shell/form.h"

namespace kestrin::draw {

// The visible label or picture under a point of the client area, in logical
// pixels, front first; null for the ground (shapes take no clicks, and
// buttons take their own).
Control* controlAt(Form& form, PixelPoint point);

}  // namespace kestrin::draw
