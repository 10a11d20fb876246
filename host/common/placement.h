#pragma once

#include <functional>
#include <optional>

#include "host/common/pixel_geometry.h"

// Where a screen's window opens, as pure geometry in logical pixels of the
// desktop: the same rules for a window on a desktop and a window in a page.
namespace kestrin::draw {

// What the place of a window about to open depends on.
struct PlaceRequest {
  PixelSize client;     // the client area's size: its design's, or as the player left it
  PixelMargins frame;   // the window system's frame around it, as far as known
  // Where the client area goes: where it was, or its design's own place.
  std::optional<PixelPoint> at;
  // Else it is centred on this frame: the window of the screen that showed it.
  std::optional<PixelRect> opener;
  PixelRect primary;  // else on this: the primary screen's available area
  // A new window is never larger than the available area of its screen:
  // where its client area with the frame would not fit, it shows its
  // design at the largest smaller scale that does (design_view.h).
  bool fit = false;
};

// The area a frame may take on the screen it is on: that screen's
// available area (without panels and docks).
using AvailableArea = std::function<PixelRect(const PixelRect& frame)>;

// The client area a window opens at: its place, centred on its opener, or
// centred on the primary screen, made smaller to fit where it is asked to,
// then moved the least distance that keeps its frame wholly inside the
// available area of its screen.
PixelRect placeClient(const PlaceRequest& request, const AvailableArea& available);

// The frame moved the least distance that brings it wholly inside the area.
// Along an axis where it is longer than the area its start goes to the
// area's start, so a title bar stays within reach.
PixelRect keptInside(const PixelRect& frame, const PixelRect& area);

}  // namespace kestrin::draw
