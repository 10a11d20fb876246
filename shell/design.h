#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kestrin {

// A colour: with the top bit clear, RGB with red in the lowest byte; with the
// top bit set, a colour of the desktop scheme by the index in the lowest byte.
using Colour = std::uint32_t;

constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Colour{r} | (Colour{g} << 8) | (Colour{b} << 16);
}
constexpr Colour schemeColour(std::uint8_t index) { return 0x80000000u | index; }
constexpr bool isSchemeColour(Colour c) { return (c & 0x80000000u) != 0; }

constexpr Colour kWindowText = schemeColour(8);     // outline of shapes
constexpr Colour kTitleBarText = schemeColour(9);   // the launcher's ground
constexpr Colour kButtonFace = schemeColour(15);    // screens and labels
constexpr Colour kButtonText = schemeColour(18);    // label text

enum class ControlKind : std::uint8_t { Label, CommandButton, Shape, Image, Timer };
enum class ShapeKind : std::uint8_t { Rectangle, Oval };
enum class FillStyle : std::uint8_t { Solid, Transparent };
enum class Alignment : std::uint8_t { Left, Centre };

struct Font {
  std::string_view face = "MS Sans Serif";
  float points = 8.25f;
  bool bold = false;

  bool operator==(const Font&) const = default;
};

// One row of a screen's design: the state a control starts in each time its
// screen is loaded, and, for what no handler writes, the state it keeps.
// Rows name their fields (designated initialisers); what a row leaves out
// keeps the kind's design default.
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
  std::int32_t interval = 0;  // milliseconds
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
