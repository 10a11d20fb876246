#pragma once

#include <map>
#include <string>
#include <string_view>
#include <tuple>

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QStringList>
#include <QPainterPath>

#include "host/qt/pixels.h"
#include "host/qt/program_face.h"
#include "shell/control.h"
#include "shell/design.h"

class QPainter;

namespace kestrin {
class Form;
class Screen;
}  // namespace kestrin

namespace kestrin::qt {

// A control's box in whole logical pixels of its screen's client area.
QRect pixelBox(const Control& control);

// The client area a screen opens with.
QSize clientSize(const ScreenDesign& design);

QColor toQColor(Colour colour);

// The labels' and buttons' face: the designs' font in the program's face
// at points x 96 / 72 pixels, whatever DPI the display reports, so text lays
// out alike on every machine.
Face toFace(const Font& font);

// A label's caption laid out for its box, in logical pixels: neither
// hinting nor the device pixel ratio moves a line break, so the lines that
// fit at 1x are the lines drawn at 1.25 or 2x. Lines break between words
// only; a word wider than the box keeps its line whole and is placed by the
// alignment, for the label to clip.
class CaptionLayout {
 public:
  CaptionLayout(const QString& caption, const Face& face, const QRect& box, Alignment alignment);

  // The text of each line as broken, without the spaces at the breaks.
  const QStringList& lines() const { return lines_; }
  // Draws the lines where the layout put them, as far as the painter's clip
  // lets them.
  void draw(QPainter& painter, const QColor& colour) const;

 private:
  QStringList lines_;
  QPainterPath outline_;
};

// The designs' pictures as drawn, each size scaled once from the resources
// compiled into the program. Where a logical pixel has more than one device
// pixel the picture is made from its @2x version, drawn at twice the size.
// Only what is drawn is kept: the source a size was scaled from is not.
class PictureCache {
 public:
  // The picture's own size in logical pixels (its 1x version), read from
  // the file's header; empty if there is no picture by that name.
  QSize size(std::string_view name);
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
  std::map<std::string, QSize, std::less<>> sizes_;
  std::map<std::string, QImage, std::less<>> unscaled_;  // read for their size, not drawn yet
  std::map<std::tuple<std::string, int, int, bool>, QImage> scaled_;
  std::map<std::tuple<int, int, qreal, FillStyle, Colour>, QImage> ovals_;
};

// The device pixels a rectangle of logical pixels touches, whole or in
// part, at `ratio` device pixels to the logical pixel: its edges rounded
// outward.
QRect toDevicePixels(const QRect& logical, qreal ratio);
// The device pixels a control painted in `logical` may change: those it
// touches and one more all round, for whatever an antialiased edge reaches.
QRect deviceReach(const QRect& logical, qreal ratio);
// The logical pixels that cover `device` whole, grown by one: what a widget
// must update for those device pixels to be painted again, however the
// window system rounds a fractional edge.
QRect logicalCover(const QRect& device, qreal ratio);

// Paints a screen's client area as the model has it now: the ground in the
// screen's colour, then every visible control from the back of the design
// order to the front. Buttons are widgets of their own and are not painted
// here. A screen that is not loaded paints as bare ground.
void paintForm(QPainter& painter, const Screen& screen, PictureCache& pictures);
// The same for some device pixels of the painter's image, and nothing else:
// those pixels come out exactly as a whole paint makes them, at any device
// pixel ratio, whole or fractional.
void paintForm(QPainter& painter, const Screen& screen, PictureCache& pictures,
               const QRegion& devicePixels);

// Where a control leaves its pixels, in logical pixels: its box, or an
// unstretched picture's own size from the box's corner; empty for a control
// that paints nothing (hidden, a button, a timer). Nothing it paints falls
// outside, which is what lets a partial paint leave the rest alone.
QRect paintedArea(const Control& control, PictureCache& pictures);

// A label's caption as its label paints it, without the label's ground and
// not clipped to its box: what spills out of the box shows.
void paintCaption(QPainter& painter, const Control& label);

// The whole client area, into an image of the design's client size at
// `scale` device pixels per logical pixel.
QImage renderScreen(const Screen& screen, qreal scale, PictureCache& pictures);

// The visible label or picture under a point of the client area, front
// first; null for the ground (shapes take no clicks).
Control* controlAt(Form& form, QPoint point);

}  // namespace kestrin::qt
