#include "host/qt/text/face_outlines.h"

#include <QColor>
#include <QPainter>

#include "host/qt/text/to_qstring.h"

namespace kestrin::qt {

namespace {

class PainterPathSink final : public draw::PathSink {
 public:
  explicit PainterPathSink(QPainterPath& path) : path_(path) {}

  void moveTo(draw::PathPoint to) override { path_.moveTo(to.x, to.y); }
  void lineTo(draw::PathPoint to) override { path_.lineTo(to.x, to.y); }
  void quadTo(draw::PathPoint control, draw::PathPoint to) override {
    path_.quadTo(control.x, control.y, to.x, to.y);
  }
  void close() override { path_.closeSubpath(); }

 private:
  QPainterPath& path_;
};

}  // namespace

QPainterPath outlineOf(const draw::Face& face, QStringView text, QPointF origin) {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);  // contours overlap where strokes cross
  PainterPathSink sink(path);
  face.outline(utf16Of(text), {origin.x(), origin.y()}, sink);
  return path;
}

QPainterPath outlineOf(const draw::CaptionLayout& caption) {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);  // where neighbours overlap ("ff", "_j") too
  PainterPathSink sink(path);
  caption.outline(sink);
  return path;
}

void fillText(QPainter& painter, const QPainterPath& outline, const QColor& colour) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.fillPath(outline, colour);
  painter.restore();
}

}  // namespace kestrin::qt
