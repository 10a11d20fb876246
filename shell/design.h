#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "control.h"

namespace kestrin {

// One row of a screen's design: the state a control starts in each time its
// screen is loaded. Rows name their fields (designated initialisers); what a
// row leaves out keeps the kind's design default.
struct ControlDesign {
  std::string_view name;
  ControlKind kind = ControlKind::Label;
  std::int16_t index = -1;  // member of a control array; -1: none
  float left = 0, top = 0, width = 0, height = 0;
  bool visible = true;
  std::string_view caption;
  Alignment alignment = Alignment::Left;
  Font font;
  Colour backColor = kButtonFace;
  Colour foreColor = kButtonText;
  ShapeKind shape = ShapeKind::Rectangle;
  FillStyle fillStyle = FillStyle::Transparent;
  Colour fillColor = rgb(0, 0, 0);
  std::string_view picture;
  bool stretch = false;
  std::int32_t interval = 0;
};

enum class Placement : std::uint8_t { ByHost, Manual };

struct ScreenDesign {
  std::string_view name;
  std::string_view caption;
  float clientWidth = 0, clientHeight = 0;  // twips
  Placement placement = Placement::ByHost;
  float clientLeft = 0, clientTop = 0;      // twips on the desktop, manual placement only
  Colour backColor = kButtonFace;
  std::span<const ControlDesign> controls;  // design order: front to back
};

// The two label styles of the game screens.
inline constexpr Font kFont24{.face = "MS Sans Serif", .points = 24, .bold = false};
inline constexpr Font kFont2925Bold{.face = "MS Sans Serif", .points = 29.25f, .bold = true};

}  // namespace kestrin
