#include "paint.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QString>
#include <QTransform>

#include "host/qt/program_face.h"
#include "host/qt/raw_pixels.h"
#include "host/qt/to_qstring.h"
#include "shell/form.h"
#include "shell/screen.h"

namespace kestrin::qt {

namespace {

// How far, in device pixels, an antialiased edge may reach past the pixels
// its shape covers.
constexpr int kAntialiasMargin = 1;

// A picture's resource: its pixels as the build decoded them (raw_pixels.h);
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

void paintShape(QPainter& painter, const Control& shape, PictureCache& pictures) {
  const QRect box = pixelBox(shape);
  if (box.isEmpty()) return;
  if (shape.design().shape == ShapeKind::Rectangle) {
    const QColor outline = toQColor(kWindowText);
    // Whole pixels only: the outline is the box's own edge pixels, crisp at
    // any whole scale, and the cheapest thing to draw 48 bricks with.
    if (shape.design().fillStyle == FillStyle::Solid) {
      painter.fillRect(box, toQColor(shape.FillColor));
    }
    painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), outline);
    painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), outline);
    painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), outline);
    painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), outline);
    return;
  }
  // At a whole scale a box's corner is a whole device pixel, so the oval,
  // drawn once into a picture of its own, blits: four moving balls a tick
  // cost four blits rather than four curves. Its antialiased edge pixels may
  // differ by a step of one from a curve drawn in place, so a given scale
  // always takes the same one of the two ways, in a whole paint and in a
  // partial one alike.
  const qreal ratio = painter.device()->devicePixelRatioF();
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

void paintImage(QPainter& painter, const Control& image, PictureCache& pictures) {
  // An unstretched picture keeps its own size from the box's corner.
  const QRect box = pixelBox(image);
  const ControlDesign& design = image.design();
  const QRect area = design.stretch ? box : QRect(box.topLeft(), pictures.size(design.picture));
  if (area.isEmpty()) return;
  // Scaled once per size to the device pixels it covers, so a large picture
  // shrunk into a small box is averaged, not sampled, and costs a blit a paint.
  const QImage& scaled =
      pictures.scaled(design.picture, area.size(), painter.device()->devicePixelRatioF());
  if (scaled.isNull()) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(QRectF(area), scaled);
  painter.restore();
}

}  // namespace

QRect pixelBox(const Control& control) {
  return pixelBox(control.Left, control.Top, control.width(), control.height());
}

QSize clientSize(const ScreenDesign& design) {
  return {toPixels(design.clientWidth), toPixels(design.clientHeight)};
}

QColor toQColor(Colour colour) {
  if (isSchemeColour(colour)) {
    switch (colour & 0xFFu) {
      case 9: return {0xFF, 0xFF, 0xFF};   // title-bar text
      case 15: return {0xF0, 0xF0, 0xF0};  // button face
      case 8:                              // window text
      case 18:                             // button text
      default: return {0x00, 0x00, 0x00};
    }
  }
  return {static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
          static_cast<int>((colour >> 16) & 0xFFu)};
}

Face toFace(const Font& font) {
  return {static_cast<qreal>(std::lround(double{font.points} * 96.0 / 72.0)), font.bold};
}

CaptionLayout::CaptionLayout(const QString& caption, const Face& face, const QRect& box,
                             Alignment alignment) {
  // Words, each with the spaces before it; a line takes words while the
  // ink of all it holds fits the box, and always takes its first.
  const QStringView text(caption);
  qreal y = face.ascent();
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = start;  // one past the line's last word
    for (qsizetype next = end; next < text.size();) {
      while (next < text.size() && text[next] == u' ') ++next;
      while (next < text.size() && text[next] != u' ') ++next;
      if (end > start && face.naturalWidth(text.sliced(start, next - start)) > box.width()) break;
      end = next;
    }
    const QStringView line = text.sliced(start, end - start);
    // The natural width leaves out the spaces at a break; a word wider than
    // the box makes it wider than the line, and a centred one spills out at
    // both sides alike.
    const qreal spare = box.width() - face.naturalWidth(line);
    const qreal x = alignment == Alignment::Centre ? spare / 2 : 0;
    outline_.addPath(face.outline(line, QPointF(box.left() + x, box.top() + y)));
    lines_.append(line.trimmed().toString());
    y += face.lineHeight() + face.leading();
    start = end;
    while (start < text.size() && text[start] == u' ') ++start;
  }
}

void CaptionLayout::draw(QPainter& painter, const QColor& colour) const {
  fillText(painter, outline_, colour);
}

QSize PictureCache::size(std::string_view name) {
  auto it = sizes_.find(name);
  if (it == sizes_.end()) {
    // Its size is in the header, but a compressed resource is inflated whole
    // to read it: the pixels are kept until they are drawn, which follows.
    QImage source = loadRawPixels(picturePath(name, false));
    it = sizes_.emplace(std::string(name), source.size()).first;
    if (!source.isNull()) unscaled_.insert_or_assign(std::string(name), std::move(source));
  }
  return it->second;
}

const QImage& PictureCache::scaled(std::string_view name, QSize logicalSize, qreal ratio) {
  const QSize device(static_cast<int>(std::lround(logicalSize.width() * ratio)),
                     static_cast<int>(std::lround(logicalSize.height() * ratio)));
  const bool twice = ratio > 1;
  auto key = std::make_tuple(std::string(name), device.width(), device.height(), twice);
  auto it = scaled_.find(key);
  if (it == scaled_.end()) {
    // Let go once scaled: only the size drawn is kept.
    QImage source;
    if (auto kept = unscaled_.find(name); kept != unscaled_.end() && !twice) {
      source = std::move(kept->second);
      unscaled_.erase(kept);
    } else {
      source = loadRawPixels(picturePath(name, twice));
      if (source.isNull() && twice) source = loadRawPixels(picturePath(name, false));  // no @2x version
    }
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
  if (auto it = unscaled_.find(name); it != unscaled_.end()) unscaled_.erase(it);
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

QRect paintedArea(const Control& control, PictureCache& pictures) {
  if (!control.Visible) return {};
  switch (control.kind()) {
    case ControlKind::Shape:
    case ControlKind::Label: return pixelBox(control);
    case ControlKind::Image: {
      const QRect box = pixelBox(control);
      if (control.design().stretch) return box;
      const QSize size = pictures.size(control.design().picture);
      return size.isEmpty() ? QRect() : QRect(box.topLeft(), size);
    }
    case ControlKind::CommandButton:
    case ControlKind::Timer: break;
  }
  return {};
}

QRect toDevicePixels(const QRect& logical, qreal ratio) {
  if (logical.isEmpty()) return {};
  const int left = static_cast<int>(std::floor(logical.left() * ratio));
  const int top = static_cast<int>(std::floor(logical.top() * ratio));
  const int right = static_cast<int>(std::ceil((logical.left() + logical.width()) * ratio));
  const int bottom = static_cast<int>(std::ceil((logical.top() + logical.height()) * ratio));
  return {left, top, right - left, bottom - top};
}

QRect deviceReach(const QRect& logical, qreal ratio) {
  if (logical.isEmpty()) return {};
  return toDevicePixels(logical, ratio).adjusted(-kAntialiasMargin, -kAntialiasMargin,
                                                 kAntialiasMargin, kAntialiasMargin);
}

QRect logicalCover(const QRect& device, qreal ratio) {
  if (device.isEmpty()) return {};
  const int left = static_cast<int>(std::floor(device.left() / ratio));
  const int top = static_cast<int>(std::floor(device.top() / ratio));
  const int right = static_cast<int>(std::ceil((device.left() + device.width()) / ratio));
  const int bottom = static_cast<int>(std::ceil((device.top() + device.height()) / ratio));
  return QRect(left, top, right - left, bottom - top).adjusted(-1, -1, 1, 1);
}

void paintForm(QPainter& painter, const Screen& screen, PictureCache& pictures) {
  const qreal ratio = painter.device()->devicePixelRatioF();
  const QRect client(QPoint(0, 0), clientSize(screen.design()));
  paintForm(painter, screen, pictures, QRegion(toDevicePixels(client, ratio)));
}

void paintForm(QPainter& painter, const Screen& screen, PictureCache& pictures,
               const QRegion& devicePixels) {
  const qreal ratio = painter.device()->devicePixelRatioF();
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
  painter.resetTransform();
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
      if (!devicePixels.intersects(deviceReach(paintedArea(c, pictures), ratio))) continue;
      switch (c.kind()) {
        case ControlKind::Shape: paintShape(painter, c, pictures); break;
        case ControlKind::Label: paintLabel(painter, c); break;
        case ControlKind::Image: paintImage(painter, c, pictures); break;
        case ControlKind::CommandButton:  // a widget of its own, above all this
        case ControlKind::Timer: break;
      }
    }
  }
  painter.restore();
}

void paintCaption(QPainter& painter, const Control& label) {
  CaptionLayout(QString::fromStdString(label.Caption), toFace(label.design().font),
                pixelBox(label), label.design().alignment)
      .draw(painter, toQColor(label.design().foreColor));
}

QImage renderScreen(const Screen& screen, qreal scale, PictureCache& pictures) {
  const QRect device = toDevicePixels(QRect(QPoint(0, 0), clientSize(screen.design())), scale);
  QImage image(device.size(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  QPainter painter(&image);
  paintForm(painter, screen, pictures);
  return image;
}

Control* controlAt(Form& form, QPoint point) {
  for (Control& c : form.controls()) {
    if (!c.Visible) continue;
    if (c.kind() != ControlKind::Label && c.kind() != ControlKind::Image) continue;
    if (pixelBox(c).contains(point)) return &c;
  }
  return nullptr;
}

}  // namespace kestrin::qt
