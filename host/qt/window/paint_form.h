#pragma once

#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include <QImage>
#include <QRegion>
#include <QSize>

#include "host/common/design_view.h"
#include "shell/control.h"
#include "shell/design.h"

class QPainter;

namespace kestrin {
class Screen;
}  // namespace kestrin

namespace kestrin::qt {

// The designs' pictures as drawn, each size scaled once from the resources
// compiled into the program. Where a logical pixel has more than one device
// pixel the picture is made from its @2x version, drawn at twice the size.
// Only what is drawn is kept: the source a size was scaled from is not.
class PictureCache {
 public:
  // The picture drawn into `logicalSize` at `ratio` device pixels per
  // logical pixel: as many pixels as it covers on the device, scaled
  // smoothly from the @2x version where the ratio is above 1, from the 1x
  // one otherwise; a null image if there is no picture by that name.
  const QImage& scaled(std::string_view name, QSize logicalSize, qreal ratio);
  // An oval shape of a box's size, outlined and filled as painted, on a
  // transparent ground, at a whole number of device pixels per pixel.
  const QImage& oval(QSize size, qreal ratio, FillStyle fillStyle, Colour fill);
  // Lets go of every size of the picture made so far: a screen no longer on
  // show holds no pixels of its pictures, and the next paint makes them
  // again.
  void forget(std::string_view name);

 private:
  std::map<std::tuple<std::string, int, int, bool>, QImage> scaled_;
  std::map<std::tuple<int, int, qreal, FillStyle, Colour>, QImage> ovals_;
};

// Paints a screen's client area as the model has it now: the ground in the
// screen's colour, then every visible control from the back of the design
// order to the front, then the frame around a control the keys gave the
// focus. Buttons are widgets of their own and are not painted here. A
// screen that is not loaded paints as bare ground.
void paintForm(QPainter& painter, const Screen& screen, PictureCache& pictures);
// What a window shows beyond the model: where its design is in the client
// area and at what scale, and whether the program is paused (a game screen
// is then drawn dimmed, "Paused" over it).
struct Showing {
  draw::DesignView view;
  bool paused = false;
};
// The same for some device pixels of the painter's image, and nothing else:
// those pixels come out exactly as a whole paint makes them, at any device
// pixel ratio and any scale of the design, whole or fractional. Without a
// view, the design as it is at the painter's device pixel ratio.
void paintForm(QPainter& painter, const Screen& screen, PictureCache& pictures,
               const QRegion& devicePixels);
void paintForm(QPainter& painter, const Screen& screen, PictureCache& pictures,
               const QRegion& devicePixels, const Showing& showing);

// A label's caption as its label paints it, without the label's ground and
// not clipped to its box: what spills out of the box shows.
void paintCaption(QPainter& painter, const Control& label);

// The whole client area, into an image of the design's client size at
// `scale` device pixels per logical pixel.
QImage renderScreen(const Screen& screen, qreal scale, PictureCache& pictures);

}  // namespace kestrin::qt
