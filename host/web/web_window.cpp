#include "host/web/web_window.h"

#include <algorithm>
#include <cmath>

#include "host/common/caption_layout.h"
#include "host/common/colours.h"
#include "host/common/design_view.h"
#include "host/common/device_pixels.h"
#include "host/common/hit_test.h"
#include "host/common/overlays.h"
#include "host/common/placement.h"
#include "host/common/twips_to_pixels.h"
#include "host/web/button.h"
#include "host/web/web_host.h"
#include "shell/form.h"
#include "shell/screen.h"

namespace kestrin::web {

struct WebWindow::Drawn {
  draw::DrawnControl record;
  bool pressed = false;  // buttons only
  bool focused = false;
  bool operator==(const Drawn&) const = default;
};

namespace {

using draw::PixelRect;

PageRect toPage(const PixelRect& r) { return {r.x, r.y, r.width, r.height}; }

// A colour as the drawing commands take it: 0xRRGGBB.
std::uint32_t packed(Colour colour) {
  const draw::Rgb c = draw::rgbOf(colour);
  return (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
}


bool intersects(const PageRect& a, const PageRect& b) {
  return a.width > 0 && a.height > 0 && b.width > 0 && b.height > 0 && a.x < b.x + b.width &&
         b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

}  // namespace

// Where a control leaves pixels on the canvas: as every host has it, a
// button's box, since the page paints its buttons too, and the frame around
// a focused control that is not a button.
PixelRect WebWindow::leavesPixels(const Drawn& drawn) {
  const draw::DrawnControl& r = drawn.record;
  if (r.kind == ControlKind::CommandButton) return r.visible ? r.box : r.area;
  return drawn.focused && r.visible ? draw::focusFrame(r.area) : r.area;
}

WebWindow::WebWindow(Page& page, int id, Screen& screen, const Pictures& pictures)
    : page_(page), id_(id), screen_(screen), pictures_(pictures), loadSerial_(screen.loadSerial()) {
  page_.openWindow(id_, screen.design().caption);
}

WebWindow::~WebWindow() { page_.removeWindow(id_); }

bool WebWindow::live() const { return screen_.loaded() && screen_.loadSerial() == loadSerial_; }
Screen* WebWindow::screen() const { return live() ? &screen_ : nullptr; }

void WebWindow::place(const Desktop& desktop, std::optional<PageRect> opener) {
  // The whole design at the largest scale that fits the desktop, frame and
  // all, as a window fits its screen: never larger than the design's own.
  const draw::PixelSize size = draw::clientSize(screen_.design());
  const double fits = draw::fittingScale(
      size, {desktop.frameLeft, desktop.frameTop, desktop.frameRight, desktop.frameBottom},
      {desktop.width, desktop.height});
  const draw::PixelSize clientSize = fits < 1 ? draw::clientAt(size, fits) : size;
  const draw::DesignView view(size, clientSize, desktop.devicePixelRatio);
  if (!(view == view_)) whole_ = true;
  view_ = view;
  const PixelRect device =
      draw::toDevicePixels({0, 0, clientSize.width, clientSize.height}, desktop.devicePixelRatio);
  const int width = clientSize.width, height = clientSize.height;

  draw::PlaceRequest request{.client = {width, height},
                       .frame = {desktop.frameLeft, desktop.frameTop, desktop.frameRight, desktop.frameBottom},
                       .primary = {0, 0, desktop.width, desktop.height}};
  if (stood_) {
    request.at = draw::PixelPoint{stood_->x, stood_->y};  // shown again: where it stood
  } else if (screen_.design().placement == Placement::Manual) {
    request.at = draw::PixelPoint{draw::toPixels(screen_.design().clientLeft),
                                  draw::toPixels(screen_.design().clientTop)};
  } else if (opener) {
    request.opener = PixelRect{opener->x - desktop.frameLeft, opener->y - desktop.frameTop,
                               opener->width + desktop.frameLeft + desktop.frameRight,
                               opener->height + desktop.frameTop + desktop.frameBottom};
  }
  const PixelRect client =
      draw::placeClient(request, [&](const PixelRect&) { return PixelRect{0, 0, desktop.width, desktop.height}; });
  client_ = toPage(client);
  stood_ = client_;
  shown_ = true;
  if (whole_) recordWhole();
  page_.placeWindow(id_, client_, device.width, device.height);
  redraw();
}

void WebWindow::moved(int x, int y) {
  client_.x = x;
  client_.y = y;
  stood_ = client_;
}

void WebWindow::putAway() {
  shown_ = false;
  drawn_.clear();
  pressed_.reset();
  page_.hideWindow(id_);
}

void WebWindow::repaintWhole() { whole_ = true; }

void WebWindow::recordWhole() {
  drawn_.clear();
  whole_ = true;
}

void WebWindow::redraw() {
  if (!live() || !shown_) return;
  const auto& controls = screen_.form()->controls();
  const PageRect canvas = canvasPixels();
  std::vector<PageRect> dirty;
  if (whole_ || drawn_.size() != controls.size()) {
    drawn_.resize(controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
      draw::record(controls[i], drawn_[i].record);
      drawn_[i].pressed = pressed_ == i;
      drawn_[i].focused = focused_ == i;
    }
    dirty.push_back(canvas);
    whole_ = false;
  } else {
    // A control whose record changed leaves its old place to be painted
    // over and its new place to be painted, each in the device pixels it
    // may have touched, one more all round for antialiased edges.
    Drawn now;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      draw::record(controls[i], now.record);
      now.pressed = pressed_ == i;
      now.focused = focused_ == i;
      Drawn& was = drawn_[i];
      if (now == was) continue;
      for (const PixelRect& area : {leavesPixels(was), leavesPixels(now)}) {
        const PageRect reach = toPage(view_.reach(area));
        if (intersects(reach, canvas)) dirty.push_back(reach);
      }
      std::swap(was, now);
    }
  }
  if (dirty.empty()) return;
  paint(dirty);
}

void WebWindow::paint(const std::vector<PageRect>& devicePixels) {
  list_.clear();
  list_.begin(view_.deviceScale(), view_.origin().x, view_.origin().y, packed(screen_.design().backColor),
              devicePixels);
  const auto& controls = screen_.form()->controls();
  // Every control that may touch a pixel there, in order from the back of
  // the design to the front, so each pixel comes out as a whole paint makes
  // it; buttons above them all, an earlier one in front of a later one.
  const auto reaches = [&](const Control& c) {
    const PageRect reach = toPage(view_.reach(draw::paintedArea(c)));
    return std::any_of(devicePixels.begin(), devicePixels.end(),
                       [&](const PageRect& r) { return intersects(r, reach); });
  };
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    if (it->Visible && it->kind() != ControlKind::CommandButton && reaches(*it)) paintControl(*it);
  }
  for (std::size_t i = controls.size(); i-- > 0;) {
    const Control& c = controls[i];
    if (c.kind() == ControlKind::CommandButton && c.Visible) paintButton(i, c);
  }
  // A focused control that is not a button (a title card) shows the frame
  // every host draws around it.
  if (focused_ && *focused_ < controls.size()) {
    const Control& c = controls[*focused_];
    if (c.kind() != ControlKind::CommandButton && c.Visible) paintFocusFrame(draw::paintedArea(c));
  }
  if (paused_) paintPaused();
  list_.end();
  page_.draw(id_, list_.commands());
}

void WebWindow::paintControl(const Control& c) {
  const PixelRect box = draw::pixelBox(c);
  switch (c.kind()) {
    case ControlKind::Shape: {
      if (box.isEmpty()) return;
      const ControlDesign& d = c.design();
      const std::uint32_t outline = packed(kWindowText);
      if (d.shape == ShapeKind::Oval) {
        list_.oval(box.x, box.y, box.width, box.height,
                   d.fillStyle == FillStyle::Solid ? std::int64_t{packed(c.FillColor)} : -1, outline);
        return;
      }
      // Whole pixels: the outline is the box's own edge pixels. Drawn smaller
      // than a device pixel to the pixel, it is a device pixel wide, still
      // inside the box, so that no edge falls between pixels and vanishes.
      if (d.fillStyle == FillStyle::Solid) {
        list_.fillRect(box.x, box.y, box.width, box.height, packed(c.FillColor));
      }
      const double w = std::max(1.0, 1 / view_.deviceScale());
      list_.fillRect(box.x, box.y, box.width, w, outline);
      list_.fillRect(box.x, box.yEnd() - w, box.width, w, outline);
      list_.fillRect(box.x, box.y, w, box.height, outline);
      list_.fillRect(box.xEnd() - w, box.y, w, box.height, outline);
      return;
    }
    case ControlKind::Label: {
      if (box.isEmpty()) return;
      list_.fillRect(box.x, box.y, box.width, box.height, packed(c.design().backColor));
      list_.pushClip(box.x, box.y, box.width, box.height);
      DrawListPath path(list_);
      draw::captionOf(c).outline(path);
      list_.fillPath(packed(c.design().foreColor));
      list_.popClip();
      return;
    }
    case ControlKind::Image: {
      const PixelRect area = draw::paintedArea(c);
      const int picture = pictures_.number(c.design().picture);
      if (area.isEmpty() || picture < 0) return;
      list_.image(picture, area.x, area.y, area.width, area.height);
      return;
    }
    case ControlKind::CommandButton:
    case ControlKind::Timer: return;
  }
}

void WebWindow::setPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  whole_ = true;
  redraw();
}

void WebWindow::paintPaused() {
  // The whole client area, so every paint while paused is a whole one
  // (setPaused asks for it): the picture dimmed, the word over its middle.
  const draw::PixelSize size = draw::clientSize(screen_.design());
  list_.veil(0, 0, size.width, size.height, draw::kPausedDimming);
  const draw::Face face(draw::kPausedFacePixels, true);
  const std::u16string word = draw::toUtf16(draw::kPausedText);
  DrawListPath path(list_);
  face.outline(word, {(size.width - face.advance(word)) / 2,
                      (size.height - face.lineHeight()) / 2 + face.ascent()},
               path);
  list_.fillPath(0xFFFFFF);
}

void WebWindow::paintFocusFrame(const PixelRect& area) {
  // Whole design pixels, crisp as a rectangle's outline.
  const PixelRect frame = draw::focusFrame(area);
  if (frame.isEmpty()) return;
  const std::uint32_t colour = packed(draw::kFocusFrameColour);
  constexpr int w = draw::kFocusFrameWidth;
  list_.fillRect(frame.x, frame.y, frame.width, w, colour);
  list_.fillRect(frame.x, frame.yEnd() - w, frame.width, w, colour);
  list_.fillRect(frame.x, frame.y, w, frame.height, colour);
  list_.fillRect(frame.xEnd() - w, frame.y, w, frame.height, colour);
}

void WebWindow::paintButton(std::size_t slot, const Control& c) {
  drawButton(list_, draw::pixelBox(c), draw::toUtf16(c.Caption), draw::toFace(c.design().font),
             {.pressed = pressed_ == slot, .focused = focused_ == slot});
}

void WebWindow::syncFocus() {
  if (!live()) return;
  std::optional<std::size_t> focused;
  if (const Control* control = screen_.focused()) {
    const auto& controls = screen_.form()->controls();
    focused = static_cast<std::size_t>(control - controls.data());
  }
  if (focused == focused_) return;
  focused_ = focused;
  redraw();
}

draw::PixelPoint WebWindow::logical(double x, double y) const { return view_.toDesign(x, y); }

PageRect WebWindow::canvasPixels() const {
  return toPage(draw::toDevicePixels({0, 0, client_.width, client_.height}, view_.ratio()));
}

std::optional<std::size_t> WebWindow::buttonAt(double x, double y) const {
  if (!live()) return std::nullopt;
  const draw::PixelPoint at = logical(x, y);
  const auto& controls = screen_.form()->controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const Control& c = controls[i];
    if (c.kind() == ControlKind::CommandButton && c.Visible && draw::pixelBox(c).contains(at)) return i;
  }
  return std::nullopt;
}

bool WebWindow::press(double x, double y) {
  pressed_ = buttonAt(x, y);
  return pressed_.has_value();
}

Control* WebWindow::release(double x, double y) {
  const std::optional<std::size_t> pressed = std::exchange(pressed_, std::nullopt);
  if (!pressed || buttonAt(x, y) != pressed) return nullptr;
  return &screen_.form()->controls()[*pressed];
}

PageRect WebWindow::where(const Control& control) const {
  const PixelRect box = view_.toClient(draw::pixelBox(control));
  return {client_.x + box.x, client_.y + box.y, box.width, box.height};
}

Control* WebWindow::controlAt(double x, double y) const {
  if (!live()) return nullptr;
  return draw::controlAt(*screen_.form(), logical(x, y));
}

}  // namespace kestrin::web
