#include "host/qt/window/paint_form.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QString>
#include <QTransform>

#include "host/common/caption_layout.h"
#include "host/common/device_pixels.h"
#include "host/common/drawn_control.h"
#include "host/common/face.h"
#include "host/common/overlays.h"
#include "host/common/twips_to_pixels.h"
#include "host/qt/text/face_outlines.h"
#include "host/qt/pictures/raw_pixels.h"
#include "host/qt/text/to_qstring.h"
#include "host/qt/window/to_qt.h"
#include "shell/form.h"
#include "shell/screen.h"

namespace kestrin::qt {

namespace {

// A control's box in whole logical pixels of its screen's client area.
QRect pixelBox(const Control& control) { return toQRect(draw::pixelBox(control)); }

// A picture's resource: its pixels as the build decoded them (host/qt/pictures/raw_pixels.h);
// its @2x version is named like brickbreaker-title@2x.jpg.kpx.
QString picturePath(std::string_view name, bool twice) {
  QString path = QStringLiteral(":/pictures/") + toQString(name);
  if (twice) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    path.insert(dot < 0 ? path.size() : dot, QLatin1String(kTwiceSizeMark));
  }
  return path + QStringLiteral(".kpx");
}

// A 1-pixel pen centred half a pixel inside the box keeps the ring inside
// it, like a rectangle's outline.
void drawOval(QPainter& painter, QSizeF size, FillStyle fillStyle, Colour fill) {
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(toQColor(kWindowText), 1.0));
  if (fillStyle == FillStyle::Solid) {
    painter.setBrush(toQColor(fill));
  } else {
    painter.setBrush(Qt::NoBrush);
  }
  painter.drawEllipse(QRectF(QPointF(0, 0), size).adjusted(0.5, 0.5, -0.5, -0.5));
}

void paintShape(QPainter& painter, const Control& shape, PictureCache& pictures, qreal ratio) {
  const QRect box = pixelBox(shape);
  if (box.isEmpty()) return;
  if (shape.design().shape == ShapeKind::Rectangle) {
    const QColor outline = toQColor(kWindowText);
    // Whole pixels only: the outline is the box's own edge pixels, crisp at
    // any whole scale, and the cheapest thing to draw 48 bricks with.
    if (shape.design().fillStyle == FillStyle::Solid) {
      painter.fillRect(box, toQColor(shape.FillColor));
    }
    if (ratio >= 1) {
      painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), outline);
      painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), outline);
      painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), outline);
      painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), outline);
      return;
    }
    // A design drawn smaller than a device pixel to its pixel: an outline
    // one design pixel wide could fall between device pixels' centres and
    // vanish, so it is one device pixel wide, still inside the box.
    const QRectF edges(box);
    const qreal w = 1 / ratio;
    painter.fillRect(QRectF(edges.left(), edges.top(), edges.width(), w), outline);
    painter.fillRect(QRectF(edges.left(), edges.bottom() - w, edges.width(), w), outline);
    painter.fillRect(QRectF(edges.left(), edges.top(), w, edges.height()), outline);
    painter.fillRect(QRectF(edges.right() - w, edges.top(), w, edges.height()), outline);
    return;
  }
  // At a whole scale a box's corner is a whole device pixel, so the oval,
  // drawn once into a picture of its own, blits: four moving balls a tick
  // cost four blits rather than four curves. Its antialiased edge pixels may
  // differ by a step of one from a curve drawn in place, so a given scale
  // always takes the same one of the two ways, in a whole paint and in a
  // partial one alike.
  if (ratio == std::floor(ratio)) {
    painter.drawImage(box.topLeft(),
                      pictures.oval(box.size(), ratio, shape.design().fillStyle, shape.FillColor));
    return;
  }
  painter.save();
  painter.translate(box.topLeft());
  drawOval(painter, box.size(), shape.design().fillStyle, shape.FillColor);
  painter.restore();
}

void paintLabel(QPainter& painter, const Control& label) {
  const QRect box = pixelBox(label);
  if (box.isEmpty()) return;
  painter.fillRect(box, toQColor(label.design().backColor));
  painter.save();
  painter.setClipRect(box, Qt::IntersectClip);  // within any clip the caller set
  paintCaption(painter, label);
  painter.restore();
}

void paintImage(QPainter& painter, const Control& image, PictureCache& pictures, qreal ratio) {
  // An unstretched picture keeps its own size from the box's corner.
  const QRect area = toQRect(draw::paintedArea(image));
  if (area.isEmpty()) return;
  const ControlDesign& design = image.design();
  // Scaled once per size to the device pixels it covers, so a large picture
  // shrunk into a small box is averaged, not sampled, and costs a blit a paint.
  const QImage& scaled = pictures.scaled(design.picture, area.size(), ratio);
  if (scaled.isNull()) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(QRectF(area), scaled);
  painter.restore();
}

// The frame around the control the keys gave the focus: whole design
// pixels, crisp as a rectangle's outline.
void paintFocusFrame(QPainter& painter, const Control& focused) {
  const QRect frame = toQRect(draw::focusFrame(draw::paintedArea(focused)));
  if (frame.isEmpty()) return;
  const QColor colour = toQColor(draw::kFocusFrameColour);
  constexpr int w = draw::kFocusFrameWidth;
  painter.fillRect(QRect(frame.left(), frame.top(), frame.width(), w), colour);
  painter.fillRect(QRect(frame.left(), frame.bottom() - w + 1, frame.width(), w), colour);
  painter.fillRect(QRect(frame.left(), frame.top(), w, frame.height()), colour);
  painter.fillRect(QRect(frame.right() - w + 1, frame.top(), w, frame.height()), colour);
}

// "Paused" in the middle of the design, over whatever the paint dimmed.
void paintPausedWord(QPainter& painter, const ScreenDesign& design) {
  const draw::Face face(draw::kPausedFacePixels, true);
  const QString word = QString::fromLatin1(draw::kPausedText);
  const QSize size = toQSize(draw::clientSize(design));
  const QPointF origin((size.width() - face.advance(utf16Of(word))) / 2,
                       (size.height() - face.lineHeight()) / 2 + face.ascent());
  fillText(painter, outlineOf(face, word, origin), Qt::white);
}

}  // namespace

const QImage& PictureCache::scaled(std::string_view name, QSize logicalSize, qreal ratio) {
  const QSize device(static_cast<int>(std::lround(logicalSize.width() * ratio)),
                     static_cast<int>(std::lround(logicalSize.height() * ratio)));
  const bool twice = ratio > 1;
  auto key = std::make_tuple(std::string(name), device.width(), device.height(), twice);
  auto it = scaled_.find(key);
  if (it == scaled_.end()) {
    // Let go once scaled: only the size drawn is kept.
    QImage source = loadRawPixels(picturePath(name, twice));
    if (source.isNull() && twice) source = loadRawPixels(picturePath(name, false));  // no @2x version
    if (!source.isNull()) {
      source = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
      if (source.size() != device) {
        source = source.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      }
      source.setDevicePixelRatio(ratio);
    }
    it = scaled_.emplace(std::move(key), std::move(source)).first;
  }
  return it->second;
}

void PictureCache::forget(std::string_view name) {
  std::erase_if(scaled_, [name](const auto& entry) { return std::get<0>(entry.first) == name; });
}

const QImage& PictureCache::oval(QSize size, qreal ratio, FillStyle fillStyle, Colour fill) {
  auto key = std::make_tuple(size.width(), size.height(), ratio, fillStyle, fill);
  auto it = ovals_.find(key);
  if (it == ovals_.end()) {
    QImage image(static_cast<int>(size.width() * ratio), static_cast<int>(size.height() * ratio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawOval(painter, size, fillStyle, fill);
    painter.end();
    it = ovals_.emplace(key, std::move(image)).first;
  }
  return it->second;
}

void paintForm(QPainter& painter, const Screen& screen, PictureCache& pictures) {
  const qreal ratio = painter.device()->devicePixelRatioF();
  const draw::PixelRect client({0, 0}, draw::clientSize(screen.design()));
  paintForm(painter, screen, pictures, QRegion(toQRect(draw::toDevicePixels(client, ratio))));
}

void paintForm(QPainter& painter, const Screen& screen, PictureCache& pictures,
               const QRegion& devicePixels) {
  paintForm(painter, screen, pictures, devicePixels,
            Showing{.view = draw::DesignView(painter.device()->devicePixelRatioF())});
}

void paintForm(QPainter& painter, const Screen& screen, PictureCache& pictures,
               const QRegion& devicePixels, const Showing& showing) {
  const qreal ratio = painter.device()->devicePixelRatioF();
  const draw::DesignView& view = showing.view;
  painter.save();
  // The clip and the ground in device pixels. A logical clip would put a
  // fractional edge through device pixels and leave Qt to round it: the
  // half-covered pixels of an antialiased outline stay behind, a dotted
  // trail at 1.25 or 1.5. Undoing the device scale makes the painter's
  // transform the identity, so the region is taken as it stands.
  painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
  painter.setClipRegion(devicePixels);
  const QColor ground = toQColor(screen.design().backColor);
  for (const QRect& r : devicePixels) painter.fillRect(r, ground);
  // The design from its corner, at the view's scale: one design pixel to
  // the logical pixel where the window is the design's size.
  const qreal scale = view.scale();
  painter.setWorldTransform(
      QTransform(scale, 0, 0, scale, view.origin().x / ratio, view.origin().y / ratio));
  const qreal deviceScale = view.deviceScale();
  if (const Form* form = screen.form()) {
    const auto& controls = form->controls();
    // The design lists controls front to back: paint the back one first.
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
      const Control& c = *it;
      if (!c.Visible) continue;
      // Tested against the region's own rectangles, not the box around
      // them: a score label and a ball far apart must not bring in all
      // between. Every control that may touch a pixel there is painted, in
      // order, so each pixel is what a whole paint makes it.
      if (!devicePixels.intersects(toQRect(view.reach(draw::paintedArea(c))))) continue;
      switch (c.kind()) {
        case ControlKind::Shape: paintShape(painter, c, pictures, deviceScale); break;
        case ControlKind::Label: paintLabel(painter, c); break;
        case ControlKind::Image: paintImage(painter, c, pictures, deviceScale); break;
        case ControlKind::CommandButton:  // a widget of its own, above all this
        case ControlKind::Timer: break;
      }
    }
  }
  // A button shows its focus itself; any other control the keys chose, by
  // a frame around it.
  if (const Control* focused = screen.focused();
      focused != nullptr && focused->kind() != ControlKind::CommandButton) {
    paintFocusFrame(painter, *focused);
  }
  if (showing.paused && draw::showsPaused(screen.design())) {
    // Every pixel painted here is dimmed alike, so a partial paint dims
    // exactly what a whole one does.
    painter.save();
    painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    const QColor dim(0, 0, 0, draw::kPausedDimming);
    for (const QRect& r : devicePixels) painter.fillRect(r, dim);
    painter.restore();
    paintPausedWord(painter, screen.design());
  }
  painter.restore();
}

void paintCaption(QPainter& painter, const Control& label) {
  fillText(painter, outlineOf(draw::captionOf(label)), toQColor(label.design().foreColor));
}

QImage renderScreen(const Screen& screen, qreal scale, PictureCache& pictures) {
  const QRect device =
      toQRect(draw::toDevicePixels(draw::PixelRect({0, 0}, draw::clientSize(screen.design())), scale));
  QImage image(device.size(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  QPainter painter(&image);
  paintForm(painter, screen, pictures);
  return image;
}

}  // namespace kestrin::qt
