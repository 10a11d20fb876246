#pragma once

#include <cstdint>
#include <string_view>

#include "shell/design.h"

// Short forms for the rows the game screens share, so that each design
// table reads as one line a control.
namespace kestrin::designs::rows {

constexpr ControlDesign reset(float left, float top) {
  return {.name = "cmdReset", .kind = ControlKind::CommandButton,
          .left = left, .top = top, .width = 2055, .height = 855, .visible = false,
          .caption = "Reset", .font = kFont24};
}

constexpr ControlDesign timer(std::int32_t intervalMs) {
  return {.name = "Timer1", .kind = ControlKind::Timer, .interval = intervalMs};
}

constexpr ControlDesign label(std::string_view name, float left, float top, float width,
                              float height, std::string_view caption, Font font,
                              Alignment alignment = Alignment::Left, bool visible = true) {
  return {.name = name, .kind = ControlKind::Label,
          .left = left, .top = top, .width = width, .height = height, .visible = visible,
          .caption = caption, .alignment = alignment, .font = font};
}

constexpr ControlDesign lostLife(float left, float top) {
  return label("lblLostLife", left, top, 1815, 615, "Lost Life", kFont24, Alignment::Left, false);
}

constexpr ControlDesign solidRectangle(std::string_view name, float left, float top, float width,
                                       float height, Colour fill = rgb(0, 0, 0)) {
  return {.name = name, .kind = ControlKind::Shape,
          .left = left, .top = top, .width = width, .height = height,
          .fillStyle = FillStyle::Solid, .fillColor = fill};
}

constexpr ControlDesign ball(std::string_view name, float left, float top, float size, Colour fill,
                             bool visible = true) {
  return {.name = name, .kind = ControlKind::Shape,
          .left = left, .top = top, .width = size, .height = size, .visible = visible,
          .shape = ShapeKind::Oval, .fillStyle = FillStyle::Solid, .fillColor = fill};
}

// The playfield: outline only. Its rectangle is the wall the balls turn at.
constexpr ControlDesign playfield(float left, float top) {
  return {.name = "shpR", .kind = ControlKind::Shape,
          .left = left, .top = top, .width = 9615, .height = 9135};
}

}  // namespace kestrin::designs::rows
