#include "host/qt/window/face_widgets.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QWindow>

#include "host/qt/text/face_outlines.h"
#include "host/qt/text/to_qstring.h"

namespace kestrin::qt {

namespace {

// A title bar's text is in the window manager's face, not the program's;
// the widest common one, DejaVu Sans Bold, sets these titles 23-30 % wider
// than the program's face does.
constexpr int kTitleFaceWidthPercent = 130;

// What a title bar needs for `title` at the system font's size: the text,
// and the icon, minimise, maximise and close, each about one and a half
// lines wide, with a line's room at the ends.
int titleBarWidth(const QString& title, const draw::Face& face) {
  const qreal line = face.lineHeight();
  return static_cast<int>(std::ceil(face.advance(utf16Of(title)) * kTitleFaceWidthPercent / 100 +
                                    4 * line * 3 / 2 + line));
}

}  // namespace

qreal systemFontPixels() {
  const QFont font = QApplication::font();
  if (font.pixelSize() > 0) return font.pixelSize();
  const QScreen* screen = QGuiApplication::primaryScreen();
  const qreal dpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96;
  return std::round(font.pointSizeF() * dpi / 72);
}

// ---- the button ----

FaceButton::FaceButton(const QString& text, const draw::Face& face, QWidget* parent)
    : QPushButton(text, parent), face_(face) {}

void FaceButton::setFace(const draw::Face& face) {
  if (face == face_) return;
  face_ = face;
  updateGeometry();
  update();
}

void FaceButton::setZoom(qreal zoom) {
  if (zoom == zoom_) return;
  zoom_ = zoom;
  updateGeometry();
  update();
}

QSize FaceButton::sizeHint() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  const QSize caption(static_cast<int>(std::ceil(face_.advance(utf16Of(text())))),
                      static_cast<int>(face_.lineHeight()));
  const QSize own = style()->sizeFromContents(QStyle::CT_PushButton, &option, caption, this);
  return {static_cast<int>(std::ceil(own.width() * zoom_)),
          static_cast<int>(std::ceil(own.height() * zoom_))};
}

QSize FaceButton::minimumSizeHint() const { return sizeHint(); }

void FaceButton::paintEvent(QPaintEvent* /*event*/) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();  // the frame and the focus from the style, the caption ours
  if (zoom_ != 1) {
    // The style draws the button at its own size, the painter scales it.
    painter.scale(zoom_, zoom_);
    option.rect = QRect(0, 0, static_cast<int>(std::round(width() / zoom_)),
                        static_cast<int>(std::round(height() / zoom_)));
  }
  painter.drawControl(QStyle::CE_PushButton, option);

  QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  if ((option.state & (QStyle::State_Sunken | QStyle::State_On)) != 0) {
    contents.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  }
  const QString caption = text();
  const QPointF origin(contents.x() + (contents.width() - face_.advance(utf16Of(caption))) / 2,
                       contents.y() + (contents.height() - face_.lineHeight()) / 2 + face_.ascent());
  const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
  painter.setClipRect(contents, Qt::IntersectClip);
  fillText(painter, outlineOf(face_, caption, origin), option.palette.color(group, QPalette::ButtonText));
}

// ---- the box ----

bool MessageBox::framesItself() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

MessageBox::MessageBox(const QString& text, const QString& title, QWidget* parent, qreal zoom,
                       bool ownFrame)
    : QDialog(parent),
      text_(text),
      title_(title),
      face_(systemFontPixels() * zoom, false),
      titleFace_(systemFontPixels() * zoom, true) {
  // A box is answered, never resized, minimised or maximised: a title and a
  // close button are all its frame has.
  setWindowFlags(ownFrame ? Qt::Dialog | Qt::FramelessWindowHint
                          : Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowCloseButtonHint);
  setWindowTitle(title);
  setAccessibleDescription(text);  // what a screen reader reads out
  ok_ = new FaceButton(QStringLiteral("OK"), draw::Face(systemFontPixels(), false), this);
  ok_->setZoom(zoom);
  ok_->setDefault(true);  // Enter answers the box; Escape does as a dialog does
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  QStyleOption window;
  window.initFrom(this);
  window.state |= QStyle::State_Window;
  const auto scaled = [zoom](int pixels) { return static_cast<int>(std::round(pixels * zoom)); };
  const int margin = scaled(style()->pixelMetric(QStyle::PM_LayoutLeftMargin, &window, this));
  int spacing = scaled(style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing, &window, this));
  if (spacing < 0) spacing = margin;

  const QSize button = ok_->sizeHint();
  const int textWidth = static_cast<int>(std::ceil(face_.naturalWidth(utf16Of(text_))));
  const int textHeight = static_cast<int>(face_.lineHeight());
  // Its own title bar: the title and, at the right, a square close button,
  // with a line's room at each end and between them.
  const int line = static_cast<int>(titleFace_.lineHeight());
  const int barHeight = ownFrame ? line * 2 : 0;
  const int titleNeeds =
      ownFrame ? static_cast<int>(std::ceil(titleFace_.naturalWidth(utf16Of(title)))) + 2 * line +
                     barHeight
               : titleBarWidth(title, draw::Face(systemFontPixels(), false));
  const int width = std::max({textWidth + 2 * margin, button.width() + 2 * margin, titleNeeds});
  const int height = barHeight + margin + textHeight + 2 * spacing + button.height() + margin;
  if (ownFrame) {
    titleBar_ = QRect(0, 0, width, barHeight);
    close_ = QRect(width - barHeight, 0, barHeight, barHeight);
  }
  textOrigin_ = QPoint(margin, barHeight + margin + static_cast<int>(std::round(face_.ascent())));
  ok_->setGeometry(width - margin - button.width(), height - margin - button.height(),
                   button.width(), button.height());
  setFixedSize(width, height);
  ok_->setFocus();
}

QRectF MessageBox::titleText() const {
  if (titleBar_.isEmpty()) return {};
  // Centred in the bar beside the close button, as title bars centre them.
  const qreal width = titleFace_.advance(utf16Of(title_));
  const qreal room = close_.left();
  return {(room - width) / 2, 0, width, static_cast<qreal>(titleBar_.height())};
}

void MessageBox::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QPalette& colours = palette();
  if (!titleBar_.isEmpty()) {
    painter.fillRect(titleBar_, colours.color(QPalette::Highlight));
    const QColor onBar = colours.color(QPalette::HighlightedText);
    const QRectF title = titleText();
    const qreal baseline =
        (titleBar_.height() - titleFace_.lineHeight()) / 2 + titleFace_.ascent();
    fillText(painter, outlineOf(titleFace_, title_, QPointF(title.left(), baseline)), onBar);
    // The close button: a cross, drawn pressed while the pointer holds it.
    if (closePressed_) painter.fillRect(close_, colours.color(QPalette::Dark));
    const qreal arm = close_.height() / 5.0;
    const QPointF centre = QRectF(close_).center();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(onBar, std::max(1.5, arm / 3)));
    painter.drawLine(centre + QPointF(-arm, -arm), centre + QPointF(arm, arm));
    painter.drawLine(centre + QPointF(-arm, arm), centre + QPointF(arm, -arm));
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Its edge, which no window system draws around a frameless window.
    painter.setPen(colours.color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  fillText(painter, outlineOf(face_, text_, textOrigin_), colours.color(QPalette::WindowText));
}

void MessageBox::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() != Qt::LeftButton || !titleBar_.contains(at)) {
    QDialog::mousePressEvent(event);
    return;
  }
  if (close_.contains(at)) {
    closePressed_ = true;
    update(close_);
  } else if (windowHandle() != nullptr) {
    windowHandle()->startSystemMove();  // dragged by its title bar, as any window
  }
}

void MessageBox::mouseReleaseEvent(QMouseEvent* event) {
  if (!closePressed_) {
    QDialog::mouseReleaseEvent(event);
    return;
  }
  closePressed_ = false;
  update(close_);
  // Let go over the button: closed, as by a window system's close box.
  if (close_.contains(event->position().toPoint())) reject();
}

}  // namespace kestrin::qt
