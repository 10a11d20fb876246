#include "host/common/design_view.h"

#include <algorithm>
#include <cmath>

#include "host/common/device_pixels.h"

namespace kestrin::draw {

namespace {

// Under a whole pixel by less than rounding error is that pixel.
constexpr double kSlack = 1e-9;

PixelRect moved(PixelRect r, PixelPoint by) {
  if (r.isEmpty()) return r;
  return {r.x + by.x, r.y + by.y, r.width, r.height};
}

}  // namespace

DesignView::DesignView(PixelSize design, PixelSize client, double ratio)
    : design_(design), ratio_(ratio), deviceScale_(ratio) {
  if (design.isEmpty() || client.isEmpty() || client == design) return;
  scale_ = std::min(static_cast<double>(client.width) / design.width,
                    static_cast<double>(client.height) / design.height);
  deviceScale_ = scale_ * ratio;
  // Centred on whole device pixels, so every edge of the design falls where
  // it would from the client area's own corner.
  const auto centred = [&](int clientSide, int designSide) {
    const double spare = std::round(clientSide * ratio) - designSide * deviceScale_;
    return static_cast<int>(std::floor(std::max(spare, 0.0) / 2 + kSlack));
  };
  origin_ = {centred(client.width, design.width), centred(client.height, design.height)};
}

PixelRect DesignView::toDevice(const PixelRect& design) const {
  return moved(toDevicePixels(design, deviceScale_), origin_);
}

PixelRect DesignView::reach(const PixelRect& design) const {
  return moved(deviceReach(design, deviceScale_), origin_);
}

PixelPoint DesignView::toDesign(double x, double y) const {
  return {static_cast<int>(std::floor((x * ratio_ - origin_.x) / deviceScale_ + kSlack)),
          static_cast<int>(std::floor((y * ratio_ - origin_.y) / deviceScale_ + kSlack))};
}

PixelRect DesignView::toClient(const PixelRect& design) const {
  const auto at = [this](int designPixels, int origin) {
    return static_cast<int>(std::lround((origin + designPixels * deviceScale_) / ratio_));
  };
  const int left = at(design.x, origin_.x);
  const int top = at(design.y, origin_.y);
  return {left, top, at(design.xEnd(), origin_.x) - left, at(design.yEnd(), origin_.y) - top};
}

PixelRect DesignView::picture() const {
  return toDevice({0, 0, design_.width, design_.height});
}

double fittingScale(PixelSize design, PixelMargins frame, PixelSize area) {
  if (design.isEmpty()) return 1;
  const double across = static_cast<double>(area.width - frame.left - frame.right) / design.width;
  const double down = static_cast<double>(area.height - frame.top - frame.bottom) / design.height;
  return std::clamp(std::min(across, down), 0.0, 1.0);
}

PixelSize clientAt(PixelSize design, double scale) {
  const auto side = [scale](int pixels) {
    return std::max(1, static_cast<int>(std::floor(pixels * scale + kSlack)));
  };
  return {side(design.width), side(design.height)};
}

}  // namespace kestrin::draw
