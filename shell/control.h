#pragma once

#include <cstdint>
#include <string>
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

// A Boolean property whose writes the model can see afterwards: a button
// hidden during a handler loses the focus, and a timer set to True during a
// handler starts a fresh period, even when the value read back is unchanged.
class Switch {
 public:
  constexpr Switch() = default;
  constexpr explicit Switch(bool on) : on_(on) {}

  Switch& operator=(bool on) {
    on_ = on;
    ++(on ? trueWrites_ : falseWrites_);
    return *this;
  }
  constexpr operator bool() const { return on_; }  // NOLINT: reads as a plain Boolean

  std::uint32_t trueWrites() const { return trueWrites_; }
  std::uint32_t falseWrites() const { return falseWrites_; }

 private:
  bool on_ = true;
  std::uint32_t trueWrites_ = 0;
  std::uint32_t falseWrites_ = 0;
};

// One control of a loaded screen. Properties are plain fields: reading and
// writing never draws; the host paints the final state after each handler.
// Fields that a kind does not use keep their defaults.
struct Control {
  std::string_view name;
  std::int16_t index = -1;  // member number in a control array; -1: not in one
  ControlKind kind = ControlKind::Label;

  float Left = 0, Top = 0, Width = 0, Height = 0;  // twips
  Switch Visible;

  // Label, CommandButton
  std::string Caption;
  Alignment alignment = Alignment::Left;
  Font font;
  Colour BackColor = kButtonFace;
  Colour ForeColor = kButtonText;

  // Shape
  ShapeKind shape = ShapeKind::Rectangle;
  FillStyle fillStyle = FillStyle::Transparent;
  Colour FillColor = rgb(0, 0, 0);

  // Image
  std::string_view picture;
  bool stretch = false;

  // Timer
  std::int32_t Interval = 0;  // milliseconds
  Switch Enabled;

  bool inArray() const { return index >= 0; }
};

}  // namespace kestrin
