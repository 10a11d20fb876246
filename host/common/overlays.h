#pragma once

#include "host/common/pixel_geometry.h"
#include "shell/design.h"

// What a window draws over its screen's controls that no control holds:
// the frame around a control the keys gave the focus, and "Paused". Every
// host draws them alike, in design pixels, at the window's scale.
namespace kestrin::draw {

// A line this wide, this far outside the control's painted area, in the
// highlight colour of the desktop's usual schemes.
inline constexpr int kFocusFrameGap = 2;
inline constexpr int kFocusFrameWidth = 2;
inline constexpr Colour kFocusFrameColour = rgb(48, 140, 198);

// The frame's outer edge around a control painted in `area`.
inline PixelRect focusFrame(const PixelRect& area) {
  if (area.isEmpty()) return {};
  constexpr int out = kFocusFrameGap + kFocusFrameWidth;
  return area.grownBy({out, out, out, out});
}

// While paused each game screen is dimmed by black of this opacity (of
// 255), and the word is centred on its design in white, in the program's
// bold face at this size.
inline constexpr const char* kPausedText = "Paused";
inline constexpr double kPausedFacePixels = 48;
inline constexpr int kPausedDimming = 128;

// The screens that pause: those with a timer (the launcher has none).
inline bool showsPaused(const ScreenDesign& design) {
  for (const ControlDesign& c : design.controls) {
    if (c.kind == ControlKind::Timer) return true;
  }
  return false;
}

}  // namespace kestrin::draw
