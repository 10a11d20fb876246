#pragma once

#include "host/common/pixel_geometry.h"

// A window shows its screen's design whole at whatever size the window
// has: at the largest scale that fits its client area, its proportions
// kept, centred, the margins beside it in the screen's ground. A window the
// design fits as it is shows it as it is. The same for a window on a
// desktop and a window in a page; the rules never see the scale.
namespace kestrin::draw {

class DesignView {
 public:
  // The design as it is, one design pixel to the logical pixel, at `ratio`
  // device pixels to the logical pixel.
  explicit DesignView(double ratio = 1) : ratio_(ratio), deviceScale_(ratio) {}
  // A design of `design` logical pixels in a client area of `client`.
  DesignView(PixelSize design, PixelSize client, double ratio);

  double scale() const { return scale_; }              // logical pixels per design pixel
  double ratio() const { return ratio_; }              // device pixels per logical pixel
  double deviceScale() const { return deviceScale_; }  // device pixels per design pixel
  // Where the design's top-left corner is, in device pixels of the client area.
  PixelPoint origin() const { return origin_; }
  // One design pixel to the logical pixel, from the client area's corner.
  bool asDesigned() const { return scale_ == 1 && origin_ == PixelPoint{}; }

  // The device pixels a box of design pixels touches, whole or in part.
  PixelRect toDevice(const PixelRect& design) const;
  // The device pixels a control painted in the box may change: those it
  // touches and one more all round, for an antialiased edge.
  PixelRect reach(const PixelRect& design) const;
  // The design pixel under a point of the client area given in logical
  // pixels (a pointer's place); outside the design where the point is in a
  // margin.
  PixelPoint toDesign(double x, double y) const;
  // A box of design pixels in whole logical pixels of the client area, its
  // edges rounded: where a widget over the design goes.
  PixelRect toClient(const PixelRect& design) const;
  // The device pixels the design covers.
  PixelRect picture() const;

  bool operator==(const DesignView&) const = default;

 private:
  PixelSize design_;
  double scale_ = 1;
  double ratio_ = 1;
  double deviceScale_ = 1;
  PixelPoint origin_;
};

// The largest scale, at most 1, at which a window showing a design of
// `design` logical pixels fits in `area`, with `frame` around its client area.
double fittingScale(PixelSize design, PixelMargins frame, PixelSize area);
// The client area that shows a design at `scale`: whole logical pixels,
// rounded down so that it fits where the scale was fitted.
PixelSize clientAt(PixelSize design, double scale);

}  // namespace kestrin::draw
