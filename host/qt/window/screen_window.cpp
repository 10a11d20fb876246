#include "host/qt/window/screen_window.h"

#include <cmath>

#include <QCloseEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegion>
#include <QResizeEvent>

#include "host/common/device_pixels.h"
#include "host/common/face.h"
#include "host/common/hit_test.h"
#include "host/common/overlays.h"
#include "host/common/twips_to_pixels.h"
#include "host/qt/window/face_widgets.h"
#include "host/qt/window/paint_form.h"
#include "host/qt/window/qt_host.h"
#include "host/qt/text/to_qstring.h"
#include "host/qt/window/to_qt.h"
#include "shell/screen.h"

namespace kestrin::qt {

ScreenWindow::ScreenWindow(QtHost& host, Screen& screen)
    : host_(host), design_(screen.design()), screen_(&screen), loadSerial_(screen.loadSerial()) {
  setWindowTitle(toQString(design_.caption));
  // The window itself takes the keys; a button only when it is clicked.
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  const draw::PixelSize designed = draw::clientSize(design_);
  resize(toQSize(designed));
  // Any size the player gives it shows the whole design, down to a quarter.
  setMinimumSize(toQSize(draw::clientAt(designed, 0.25)));

  const auto& controls = screen.form()->controls();
  for (std::size_t slot = 0; slot < controls.size(); ++slot) {
    const Control& c = controls[slot];
    if (c.kind() != ControlKind::CommandButton) continue;
    auto* widget =
        new FaceButton(QString::fromStdString(c.Caption), draw::toFace(c.design().font), this);
    widget->setFocusPolicy(Qt::ClickFocus);
    widget->setAutoDefault(false);
    widget->setGeometry(toQRect(draw::pixelBox(c)));
    widget->setVisible(c.Visible);
    // Keys on the button go to the model, which decides whether they click it.
    widget->installEventFilter(this);
    connect(widget, &QPushButton::clicked, this, [this, slot] {
      if (screen_ != nullptr && screen_->loaded()) {
        host_.click(*screen_, &screen_->form()->controls()[slot]);
      }
    });
    buttons_.push_back({slot, widget});
  }
  // A button listed earlier in the design is in front of a later one.
  for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) it->widget->raise();
}

void ScreenWindow::retire() {
  screen_ = nullptr;
  hide();
  letGoOfPictures();
}

void ScreenWindow::letGoOfPictures() {
  for (const ControlDesign& c : design_.controls) {
    if (c.kind == ControlKind::Image) host_.pictures().forget(c.picture);
  }
}

void ScreenWindow::redraw() {
  if (screen_ == nullptr || !screen_->loaded()) return;
  // A hidden window let go of its records; it takes them afresh when it opens.
  if (drawn_.empty() && !isVisible()) return;
  const auto& controls = screen_->form()->controls();
  if (drawn_.size() != controls.size()) {
    recordWhole();
    update();
    return;
  }
  // A new scale, or the pause begun or ended: the whole window again.
  const bool paused = host_.paused() && draw::showsPaused(design_);
  if (takeView() || paused != drawnPaused_) {
    drawnPaused_ = paused;
    recordWhole();
    update();
    return;
  }
  // A control whose record changed leaves its old place to be painted over
  // and its new place to be painted, each in the device pixels it may have
  // touched; the paint event paints whatever reaches into those pixels
  // again too, in design order. So does the focus frame, moved.
  const qreal ratio = devicePixelRatioF();
  QRegion dirty;  // device pixels of the client area
  for (std::size_t i = 0; i < controls.size(); ++i) {
    draw::record(controls[i], scratch_);
    draw::DrawnControl& was = drawn_[i];
    if (scratch_ == was) continue;
    if (scratch_.kind == ControlKind::CommandButton) syncButton(i, was, scratch_, false);
    dirty += toQRect(view_.reach(was.area));
    dirty += toQRect(view_.reach(scratch_.area));
    std::swap(was, scratch_);
  }
  if (const draw::PixelRect frame = focusFrame(); frame != drawnFocusFrame_) {
    dirty += toQRect(view_.reach(drawnFocusFrame_));
    dirty += toQRect(view_.reach(frame));
    drawnFocusFrame_ = frame;
  }
  dirty &= toQRect(draw::toDevicePixels(toPixelRect(rect()), ratio));
  if (dirty.isEmpty()) return;
  QRegion logical;
  for (const QRect& r : dirty) logical += toQRect(draw::logicalCover(toPixelRect(r), ratio));
  update(logical);
}

void ScreenWindow::recordWhole() {
  const auto& controls = screen_->form()->controls();
  drawn_.resize(controls.size());
  for (std::size_t i = 0; i < controls.size(); ++i) draw::record(controls[i], drawn_[i]);
  drawnFocusFrame_ = focusFrame();
  drawnPaused_ = host_.paused() && draw::showsPaused(design_);
  takeView();
  for (const Button& b : buttons_) syncButton(b.slot, draw::DrawnControl{}, drawn_[b.slot], true);
}

bool ScreenWindow::takeView() {
  const draw::DesignView now(draw::clientSize(design_), toPixelSize(size()), devicePixelRatioF());
  if (now == view_) return false;
  view_ = now;
  return true;
}

draw::PixelRect ScreenWindow::focusFrame() const {
  const Control* focused = screen_ != nullptr && screen_->loaded() ? screen_->focused() : nullptr;
  if (focused == nullptr || focused->kind() == ControlKind::CommandButton) return {};
  return draw::focusFrame(draw::paintedArea(*focused));
}

void ScreenWindow::syncButton(std::size_t slot, const draw::DrawnControl& was,
                              const draw::DrawnControl& now, bool whole) {
  FaceButton* widget = nullptr;
  for (const Button& b : buttons_) {
    if (b.slot == slot) widget = b.widget;
  }
  if (widget == nullptr) return;
  // Only what changed goes to the widget; a hidden button's record holds
  // nothing else, and it takes the rest when it shows again.
  // It stands over the design and scales with it: its frame, its focus
  // frame and its caption.
  if (now.visible) {
    if (whole || now.box != was.box) widget->setGeometry(toQRect(view_.toClient(now.box)));
    if (whole || now.caption != was.caption) widget->setText(QString::fromStdString(now.caption));
    if (whole || now.font != was.font) widget->setFace(draw::toFace(now.font));
    if (whole) widget->setZoom(view_.scale());
  }
  if (whole || now.visible != was.visible) widget->setVisible(now.visible);
}

void ScreenWindow::syncFocus() {
  if (screen_ == nullptr || !screen_->loaded()) return;
  QWidget* holder = this;
  if (const Control* focused = screen_->focusedButton()) {
    if (QPushButton* b = button(*focused)) holder = b;
  }
  // Qt leaves the focus on a button that hid itself, and hands it to the
  // first button when a window is activated: the model says who has it.
  if (focusWidget() != holder) holder->setFocus(Qt::OtherFocusReason);
  // A button with the focus shows it by a frame, clicked or tabbed to:
  // styles draw it only after a focus change by keyboard, and the keys
  // never reach Qt's own focus handling here.
  const bool marked = holder != this;
  if (testAttribute(Qt::WA_KeyboardFocusChange) != marked) {
    setAttribute(Qt::WA_KeyboardFocusChange, marked);
    if (marked) holder->update();
  }
}

void ScreenWindow::open(const QRect& client, bool maximised) {
  // Records let go of when hidden are taken afresh; the first paint after
  // showing paints the whole window from the model.
  if (drawn_.empty() && screen_ != nullptr && screen_->loaded()) recordWhole();
  // Placed explicitly, even where it stays: a window whose place was never
  // set is placed by the window manager, pushed into a corner of its own
  // choosing (Qt tells the window system a set place is the user's).
  if (!opened_ || client != geometry()) setGeometry(client);
  opened_ = true;
  framePending_ = true;
  if (maximised) {
    showMaximized();
  } else {
    show();
  }
}

void ScreenWindow::putAway() {
  hide();
  letGoOfPictures();
  // Its native window goes too, and with it the backing store, as large as
  // the window: a hidden screen (the launcher while a game is played) holds
  // nothing of its picture. The next open makes a new one in the same place.
  // Not at once: this may run inside that very window's click.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (!isVisible() && internalWinId() != 0) destroy();
      },
      Qt::QueuedConnection);
}

void ScreenWindow::dropNativeWindow() {
  hide();
  destroy();
}

QPushButton* ScreenWindow::button(const Control& control) const {
  if (screen_ == nullptr || !screen_->loaded()) return nullptr;
  const auto& controls = screen_->form()->controls();
  for (const Button& b : buttons_) {
    if (&controls[b.slot] == &control) return b.widget;
  }
  return nullptr;
}

bool ScreenWindow::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      // Here rather than in keyPressEvent: Tab must reach the model too, not
      // move the focus.
      return handleKey(event);
    case QEvent::WindowActivate:
      if (screen_ != nullptr) host_.activated(*screen_);
      break;
    default: break;
  }
  return QWidget::event(event);
}

bool ScreenWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    return handleKey(event);
  }
  return QWidget::eventFilter(watched, event);
}

bool ScreenWindow::handleKey(QEvent* event) {
  if (screen_ != nullptr) host_.key(static_cast<const QKeyEvent&>(*event));
  event->accept();
  return true;
}

void ScreenWindow::paintEvent(QPaintEvent* event) {
  // A window whose screen was unloaded, or unloaded and loaded again, by a
  // handler that has not ended (one with a box open) keeps the pixels it
  // has: it goes when the host syncs.
  if (screen_ == nullptr || !screen_->loaded() || screen_->loadSerial() != loadSerial_) return;
  // Painted straight into the window's backing store, from the model as it
  // stands: between handlers that is what the records say the window
  // shows, and with a box open it is the state the box stands over (the
  // model takes nothing while it is open). The device pixels the paint may
  // reach are painted exactly as a whole paint makes them, so a region
  // whose logical edges cut through device pixels (at 1.25 or 1.5) leaves
  // nothing of the old picture behind; beyond the design is bare ground.
  const qreal ratio = devicePixelRatioF();
  QRegion device;
  for (const QRect& r : event->region()) device += toQRect(draw::toDevicePixels(toPixelRect(r), ratio));
  // The scale as the window stands now; a change paints it all, the
  // buttons placed anew.
  if (takeView()) {
    if (!drawn_.empty()) recordWhole();
    device = toQRect(draw::toDevicePixels(toPixelRect(rect()), ratio));
  }
  QPainter painter(this);
  paintForm(painter, *screen_, host_.pictures(), device, Showing{.view = view_, .paused = drawnPaused_});
  if (framePending_) {
    // Painted, so mapped, so framed by whatever window manager there is:
    // its frame is known now. Not from inside the paint.
    framePending_ = false;
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (screen_ != nullptr) host_.framed(*this);
        },
        Qt::QueuedConnection);
  }
}

void ScreenWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Resized or maximised by the player, or fitted to the screen by the
  // host: the whole design at the scale the new size gives.
  if (takeView() && !drawn_.empty()) {
    recordWhole();
    update();
  }
}

void ScreenWindow::hideEvent(QHideEvent* event) {
  // Hidden by the host (the launcher while a game is played): its records
  // are let go of and taken afresh when it is shown again. Not when the
  // window system hides it, minimised say: it comes back as it was.
  if (!event->spontaneous()) drawn_.clear();
  QWidget::hideEvent(event);
}

void ScreenWindow::mousePressEvent(QMouseEvent* event) {
  if (screen_ == nullptr || !screen_->loaded()) return;
  Control* hit = nullptr;
  if (event->button() == Qt::LeftButton) {
    // At whatever scale the design is drawn; the margins are ground.
    const QPointF at = event->position();
    hit = draw::controlAt(*screen_->form(), view_.toDesign(at.x(), at.y()));
  }
  // Any button on the ground, or a right click anywhere, still makes the
  // screen the active one.
  host_.click(*screen_, hit);
}

void ScreenWindow::closeEvent(QCloseEvent* event) {
  // The model decides what closes; the window goes when the host syncs.
  event->ignore();
  if (screen_ != nullptr) host_.close(*screen_);
}

}  // namespace kestrin::qt
