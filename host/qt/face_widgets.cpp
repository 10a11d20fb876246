#include "host/qt/face_widgets.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "host/qt/face_paths.h"
#include "host/qt/to_qstring.h"

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

QSize FaceButton::sizeHint() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  const QSize caption(static_cast<int>(std::ceil(face_.advance(utf16Of(text())))),
                      static_cast<int>(face_.lineHeight()));
  return style()->sizeFromContents(QStyle::CT_PushButton, &option, caption, this);
}

QSize FaceButton::minimumSizeHint() const { return sizeHint(); }

void FaceButton::paintEvent(QPaintEvent* /*event*/) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();  // the frame and the focus from the style, the caption ours
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

MessageBox::MessageBox(const QString& text, const QString& title, QWidget* parent)
    : QDialog(parent), text_(text), face_(systemFontPixels(), false) {
  setWindowTitle(title);
  setAccessibleDescription(text);  // what a screen reader reads out
  ok_ = new FaceButton(QStringLiteral("OK"), face_, this);
  ok_->setDefault(true);  // Enter answers the box; Escape does as a dialog does
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  QStyleOption window;
  window.initFrom(this);
  window.state |= QStyle::State_Window;
  const int margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin, &window, this);
  int spacing = style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing, &window, this);
  if (spacing < 0) spacing = margin;

  const QSize button = ok_->sizeHint();
  const int textWidth = static_cast<int>(std::ceil(face_.naturalWidth(utf16Of(text_))));
  const int textHeight = static_cast<int>(face_.lineHeight());
  const int width = std::max({textWidth + 2 * margin, button.width() + 2 * margin,
                              titleBarWidth(title, face_)});
  const int height = margin + textHeight + 2 * spacing + button.height() + margin;
  textOrigin_ = QPoint(margin, margin + static_cast<int>(std::round(face_.ascent())));
  ok_->setGeometry(width - margin - button.width(), height - margin - button.height(),
                   button.width(), button.height());
  setFixedSize(width, height);
  ok_->setFocus();
}

void MessageBox::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  fillText(painter, outlineOf(face_, text_, textOrigin_), palette().color(QPalette::WindowText));
}

}  // namespace kestrin::qt
