#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "design.h"

namespace kestrin {

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

// One control of a loaded screen: the properties that handlers write, and
// its design row for everything else.
//
// The runtime properties are plain fields named as the game names them
// (PascalCase): reading and writing one never draws, the host paints the
// final state after each handler. They start from the row at every load.
// What no handler writes (name, index, kind, size, font, colours, shape,
// picture, interval) is read from the row itself, through design() or the
// camelCase accessors below, so it has one home and cannot drift.
class Control {
 public:
  explicit Control(const ControlDesign& design)
      : Left(design.left),
        Top(design.top),
        Visible(design.visible),
        Caption(design.caption),
        FillColor(design.fillColor),
        design_(&design) {}

  float Left, Top;       // twips; Shape, Image
  Switch Visible;        // Shape, Image, Label, CommandButton
  std::string Caption;   // Label, CommandButton
  Colour FillColor;      // Shape
  Switch Enabled{true};  // Timer

  const ControlDesign& design() const { return *design_; }
  std::string_view name() const { return design_->name; }
  std::int16_t index() const { return design_->index; }  // -1: not in a control array
  bool inArray() const { return design_->index >= 0; }
  ControlKind kind() const { return design_->kind; }
  float width() const { return design_->width; }  // twips
  float height() const { return design_->height; }

 private:
  const ControlDesign* design_;
};

}  // namespace kestrin
