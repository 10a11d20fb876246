#include "host/qt/window/qt_host.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "host/common/placement.h"
#include "host/common/twips_to_pixels.h"
#include "host/common/design_view.h"
#include "host/qt/window/app_icon.h"
#include "host/qt/window/face_widgets.h"
#include "host/qt/window/key_codes.h"
#include "host/qt/window/screen_window.h"
#include "host/qt/text/to_qstring.h"
#include "host/qt/window/to_qt.h"

namespace kestrin::qt {

namespace {

// How long a plain key release waits for the press that would make it half
// of a repeat. The window system sends the two together, so a few
// milliseconds are plenty, and a real key-up is at most a third of a tick late.
constexpr int kHeldReleaseMs = 5;

// The available area of the screen a frame is on: the one under its centre,
// else the one it overlaps most, else the primary one. Only the screens of
// the primary one's desktop: separate X screens overlap in coordinates.
QRect availableArea(const QRect& frame) {
  QScreen* primary = QGuiApplication::primaryScreen();
  QScreen* on = nullptr;
  qint64 most = 0;
  for (QScreen* s : primary->virtualSiblings()) {
    if (s->geometry().contains(frame.center())) return s->availableGeometry();
    const QRect common = s->geometry().intersected(frame);
    const qint64 area = qint64{common.width()} * common.height();
    if (area > most) {
      most = area;
      on = s;
    }
  }
  return (on != nullptr ? on : primary)->availableGeometry();
}

// The window system's frame around a window's client area, in logical
// pixels. At a fractional display scale the toolkit rounds each side to a
// whole logical pixel, which may leave the frame up to a device pixel short
// across and down: it is taken a logical pixel larger there, so that a
// window fitted to the screen with it does fit.
QMargins frameMargins(const QWindow& window) {
  QMargins margins = window.frameMargins();
  const qreal ratio = window.devicePixelRatio();
  if (ratio != std::floor(ratio) && !margins.isNull()) {
    margins.setRight(margins.right() + 1);
    margins.setBottom(margins.bottom() + 1);
  }
  return margins;
}

}  // namespace

QtHost::QtHost(const Clock& clock, Alarm& alarm)
    : alarm_(alarm),
      program_(*this, clock, std::string(kProgramTitle)),
      keys_([this](const KeyStroke& stroke) { deliverKey(stroke); }) {
  // Every window the host opens, message boxes too, shows the program's icon.
  QApplication::setWindowIcon(programIcon());
  heldKeyTimer_.setSingleShot(true);
  heldKeyTimer_.setInterval(kHeldReleaseMs);
  QObject::connect(&heldKeyTimer_, &QTimer::timeout, [this] { releaseHeldKey(); });
  lossWatch_ = std::make_unique<WindowLossWatch>([this](WId id) { windowLost(id); });
  QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, &receiver_,
                   [this](Qt::ApplicationState state) { keyboard(state == Qt::ApplicationActive); });
}

QtHost::~QtHost() {
  lossWatch_.reset();
  alarm_.arm(std::nullopt);
  for (Entry& e : windows_) retire(e);
  windows_.clear();
  // Windows retired with deleteLater() go now, while the program they were
  // showing still exists.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtHost::start(const Registration& addScreens, std::string_view firstScreen) {
  addScreens(program_);
  program_.start(firstScreen);
  settle();
}

ScreenWindow* QtHost::window(std::string_view screenName) const {
  for (const Entry& e : windows_) {
    if (e.screen->name() == screenName) return e.window.get();
  }
  return nullptr;
}

void QtHost::watchOnly(std::function<void()> windowClosed, int boxShownMs) {
  watchClosed_ = std::move(windowClosed);
  boxShownMs_ = boxShownMs;
}

void QtHost::deliver(const std::function<void(Program&)>& input) {
  if (boxOpen_) return;
  input(program_);
  settle();
}

// ---- events ----

void QtHost::key(const QKeyEvent& event) {
  if (boxOpen_) return;
  const bool pressed = event.type() == QEvent::KeyPress;
  const std::optional<std::int16_t> code = virtualKeyCode(event.key(), event.modifiers());
  if (!code) {
    keys_.flush();  // a key the games never see still ends a held release's wait
  } else if (pressed) {
    keys_.press(*code, shiftMask(event.key(), event.modifiers(), true), event.timestamp());
  } else {
    keys_.release(*code, shiftMask(event.key(), event.modifiers(), false), event.timestamp(),
                  event.isAutoRepeat());
  }
  if (keys_.holding()) {
    heldKeyTimer_.start();
  } else {
    heldKeyTimer_.stop();
  }
}

void QtHost::deliverKey(const KeyStroke& stroke) {
  if (boxOpen_) return;
  if (pause_.key(stroke.code, stroke.down)) {
    settle();  // the windows show it, and the alarm follows
    return;
  }
  if (watchClosed_) return;  // a watch's windows take no other key
  if (stroke.down) {
    program_.keyDown(stroke.code, stroke.shift);
  } else {
    program_.keyUp(stroke.code, stroke.shift);
  }
  settle();
}

void QtHost::releaseHeldKey() {
  if (boxOpen_) {
    heldKeyTimer_.start();  // the model takes nothing now; try again after the box
    return;
  }
  keys_.flush();
}

void QtHost::click(Screen& screen, Control* control) {
  if (boxOpen_ || watchClosed_) return;
  const std::uint64_t load = screen.loadSerial();
  heldKeyTimer_.stop();
  keys_.flush();  // a key let go before the click reaches the model first
  // Its handler may have unloaded the screen, and the control with it.
  if (program_.ended() || !screen.loaded() || screen.loadSerial() != load) return;
  program_.click(screen, control);
  settle();
}

void QtHost::close(Screen& screen) {
  if (watchClosed_) {
    watchClosed_();
    return;
  }
  if (boxOpen_) return;
  heldKeyTimer_.stop();
  keys_.flush();
  if (program_.ended()) return;
  program_.close(screen);
  settle();
}

void QtHost::activated(Screen& screen) {
  if (boxOpen_ || program_.ended() || watchClosed_) return;
  program_.activate(screen);
  shownActive_ = program_.activeScreen();  // the window system's choice stands
}

void QtHost::keyboard(bool active) {
  if (watchClosed_ || program_.ended()) return;
  if (active) {
    pause_.keyboardBack();
  } else {
    if (!boxOpen_) {
      // A release held back to see whether it was half of a repeat was
      // real: it reaches the program before the keys still down are let go.
      heldKeyTimer_.stop();
      keys_.flush();
    }
    pause_.keyboardLost();
  }
  if (boxOpen_) {
    armAlarm();  // nothing is drawn mid-handler
  } else {
    settle();
  }
}

void QtHost::windowLost(WId window) {
  if (window == 0) return;
  if (openBox_ != nullptr && openBox_->internalWinId() == window) {
    openBox_->reject();  // as if closed: the box is answered
    return;
  }
  for (Entry& e : windows_) {
    if (e.window == nullptr || e.window->internalWinId() != window) continue;
    e.window->dropNativeWindow();
    if (e.window->screen() != nullptr && e.screen->visible()) close(*e.screen);
    return;
  }
}

void QtHost::wake() {
  if (boxOpen_) {
    // The alarm also goes off inside the box's own event loop: the model
    // drops the ticks due, and the alarm waits for the next period rather
    // than going off again at once. Nothing is drawn mid-handler.
    program_.tick();
    armAlarm();
    return;
  }
  while (program_.tick()) {
  }
  settle();
}

void QtHost::messageBox(std::string_view text, std::string_view title) {
  QWidget* parent = nullptr;
  if (const Screen* active = program_.activeScreen()) {
    if (Entry* e = entry(*active); e != nullptr && e->window->isVisible()) parent = e->window.get();
  }
  // As large as the window it stands over shows its design.
  MessageBox box(toQString(text), toQString(title), parent,
                 parent != nullptr ? entry(*program_.activeScreen())->window->view().scale() : 1);
  box.setWindowModality(Qt::ApplicationModal);
  // The box stands over the state the model holds now, mid-handler: the
  // tick that ended the game is shown behind "Game Over", its last life
  // gone. The windows are brought up to date as after any handler; only
  // opening and closing windows waits for the handler's end.
  repaint();
  struct Open {
    bool& flag;
    explicit Open(bool& f) : flag(f) { flag = true; }
    ~Open() { flag = false; }
    Open(const Open&) = delete;
    Open& operator=(const Open&) = delete;
  } open(boxOpen_);
  openBox_ = &box;
  if (watchClosed_) QTimer::singleShot(boxShownMs_, &box, &QDialog::accept);
  box.exec();
  openBox_ = nullptr;
}

// ---- keeping the windows in step with the model ----

QtHost::Stand QtHost::standOf(const Screen& screen, const ScreenWindow& window) {
  // The frame as the window system has it (zero margins where it has none,
  // or has not said yet).
  const QMargins margins =
      window.windowHandle() != nullptr ? frameMargins(*window.windowHandle()) : QMargins();
  return {&screen, window.geometry().marginsAdded(margins), margins, window.isMaximized()};
}

QtHost::Opening QtHost::placeOf(const Entry& e) const {
  const ScreenWindow& w = *e.window;
  const ScreenDesign& design = e.screen->design();
  draw::PlaceRequest request{
      .client = toPixelSize(w.size()), .frame = {}, .at = {}, .opener = {},
      .primary = toPixelRect(QGuiApplication::primaryScreen()->availableGeometry()),
      .fit = !w.opened()};
  // The frame a window will get is known only once it is shown: a window
  // already on the desktop, its opener's first, tells what it will be.
  std::optional<Stand> opener;
  std::optional<QMargins> margins;
  for (const Entry& other : windows_) {
    if (other.window == nullptr || !other.window->isVisible()) continue;
    const Stand stand = standOf(*other.screen, *other.window);
    if (other.screen == e.screen->shownBy()) opener = stand;
    if (!margins) margins = stand.margins;
  }
  for (const Stand& stand : parting_) {
    if (stand.screen == e.screen->shownBy()) opener = stand;
    if (!margins) margins = stand.margins;
  }
  if (opener) margins = opener->margins;
  request.frame = toPixelMargins(margins.value_or(
      w.windowHandle() != nullptr ? frameMargins(*w.windowHandle()) : QMargins()));

  bool maximised = false;
  if (w.opened()) {
    request.at = toPixelPoint(w.geometry().topLeft());  // shown again: where it was
  } else if (design.placement == Placement::Manual) {
    request.at = draw::PixelPoint{draw::toPixels(design.clientLeft), draw::toPixels(design.clientTop)};
  } else if (opener) {
    request.opener = toPixelRect(opener->frame);
  }
  // The next level takes the size the player gave the level before, and
  // is maximised where it was.
  if (!w.opened() && opener && opener->screen->design().clientWidth == design.clientWidth &&
      opener->screen->design().clientHeight == design.clientHeight) {
    request.client = toPixelSize(opener->frame.marginsRemoved(opener->margins).size());
    maximised = opener->maximised;
  }
  const QRect client = toQRect(draw::placeClient(request, [](const draw::PixelRect& frame) {
    return toPixelRect(availableArea(toQRect(frame)));
  }));
  return {client, maximised};
}

void QtHost::framed(ScreenWindow& w) {
  if (!w.isVisible() || w.isMaximized() || w.isFullScreen() || w.windowHandle() == nullptr) return;
  const QMargins margins = frameMargins(*w.windowHandle());
  const QRect frame = w.geometry().marginsAdded(margins);
  const QRect area = availableArea(frame);
  if (area.contains(frame)) return;
  const draw::PixelSize designed = draw::clientSize(w.screen()->design());
  const double fits = draw::fittingScale(designed, toPixelMargins(margins), toPixelSize(area.size()));
  QSize client = w.size();
  if (fits < w.view().scale()) client = toQSize(draw::clientAt(designed, fits));
  const QRect inside = toQRect(draw::keptInside(
      toPixelRect(QRect(frame.topLeft(), client.grownBy(margins))), toPixelRect(area)));
  w.setGeometry(inside.marginsRemoved(margins));
}

void QtHost::settle() {
  sync();
  armAlarm();
}

void QtHost::armAlarm() {
  // Paused, the program's clock stands still: nothing falls due until it
  // goes on, when the host settles again.
  alarm_.arm(pause_.paused() ? std::nullopt : program_.nextTickDue());
}

QtHost::Entry* QtHost::entry(const Screen& screen) {
  for (Entry& e : windows_) {
    if (e.screen == &screen) return &e;
  }
  return nullptr;
}

void QtHost::retire(Entry& entry) {
  if (!entry.window) return;
  entry.window->retire();
  // Not deleted here: this may be the window whose close event is running.
  entry.window.release()->deleteLater();
}

void QtHost::repaint() {
  for (Entry& e : windows_) {
    // Between syncs (a box opened in a handler) a window may show a screen
    // that has been unloaded, or unloaded and loaded again, since.
    if (!e.screen->loaded() || e.window->loadSerial() != e.screen->loadSerial()) continue;
    e.window->redraw();
  }
}

void QtHost::sync() {
  if (program_.ended()) {
    for (Entry& e : windows_) retire(e);
    windows_.clear();
    heldKeyTimer_.stop();
    shownActive_ = nullptr;
    if (!endHandled_) {
      endHandled_ = true;
      if (ended_) ended_();
    }
    return;
  }

  // A screen unloaded, or unloaded and loaded again, loses its window.
  parting_.clear();
  for (Entry& e : windows_) {
    if (!e.screen->loaded() || e.window->loadSerial() != e.screen->loadSerial()) {
      if (e.window->isVisible()) parting_.push_back(standOf(*e.screen, *e.window));
      retire(e);
    }
  }
  std::erase_if(windows_, [](const Entry& e) { return !e.window; });
  for (const auto& s : program_.screens()) {
    if (s->loaded() && entry(*s) == nullptr) {
      windows_.push_back({s.get(), std::make_unique<ScreenWindow>(*this, *s)});
    }
  }

  // Drawn before shown, so a new window's first paint is its design.
  repaint();

  // Shown before hidden: the next screen is up before the last one goes.
  Screen* active = program_.activeScreen();
  bool activeOpened = false;
  for (Entry& e : windows_) {
    if (e.screen->visible() && !e.window->isVisible()) {
      const Opening opening = placeOf(e);
      e.window->open(opening.client, opening.maximised);
      activeOpened = activeOpened || e.screen == active;
    }
  }
  for (Entry& e : windows_) {
    if (!e.screen->visible() && e.window->isVisible()) e.window->putAway();
  }

  for (Entry& e : windows_) e.window->syncFocus();
  // Nothing becomes active by being shown (with no window manager, at
  // least): the screen the model made active is raised and given the keys.
  if (active != nullptr && (active != shownActive_ || activeOpened)) {
    ScreenWindow* w = entry(*active)->window.get();
    w->raise();
    w->activateWindow();
  }
  shownActive_ = active;
}

}  // namespace kestrin::qt
