#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QColor>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include "host/common/device_pixels.h"
#include "host/common/twips_to_pixels.h"
#include "host/common/pause.h"
#include "host/headless/virtual_clock.h"
#include "host/qt/window/paint_form.h"
#include "host/qt/window/qt_host.h"
#include "host/qt/window/screen_window.h"
#include "host/qt/window/to_qt.h"
#include "shell/program.h"

namespace kestrin::qt::test {

// Remembers where the host armed it; it never goes off by itself.
class ManualAlarm final : public Alarm {
 public:
  void arm(std::optional<std::int64_t> due) override { armed = due; }
  std::optional<std::int64_t> armed;
};

inline std::string rgbAt(const QImage& image, int x, int y) {
  return QColor(image.pixel(x, y)).name().toStdString();
}

inline bool isDark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 96; }

// A control's box, and the device pixels a box touches, in Qt's types.
inline QRect pixelBox(const Control& control) { return toQRect(draw::pixelBox(control)); }
inline QRect toDevicePixels(const QRect& logical, qreal ratio) {
  return toQRect(draw::toDevicePixels(toPixelRect(logical), ratio));
}

// Pixels of a widget's picture in the style's highlight hue (blue, in
// Fusion): the focus frame. A plain button is grey and black.
inline int highlightPixels(QWidget& widget) {
  const QImage image = widget.grab().toImage();
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.blue() > c.red() + 60) ++count;
    }
  }
  return count;
}

// Time that moves only when the test moves it, and stands still, as the
// game's own clock does, while the program is paused: moving it then moves
// nothing, and it goes on from where it stood.
class TestClock final : public Clock, public Stoppable {
 public:
  std::int64_t now() const override { return now_; }
  void set(std::int64_t micros) {
    if (!stopped_) now_ = micros;
  }
  void stop() override { stopped_ = true; }
  void go() override { stopped_ = false; }

 private:
  std::int64_t now_ = 0;
  bool stopped_ = false;
};

// A host with every Kestrin screen (or the test's own), a clock the test
// moves and an alarm the test fires.
class HostTest : public testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<QtHost>(clock, alarm);
    host->stopsWhenPaused(clock);
    host->setEndHandler([this] { ++ends; });
  }
  void TearDown() override { host.reset(); }

  void start(const QtHost::Registration& screens = addKestrinScreens,
             std::string_view first = kFirstScreen) {
    host->start(screens, first);
  }

  Program& program() { return host->program(); }
  ScreenWindow* window(std::string_view screen) const { return host->window(screen); }
  QWindow* handle(std::string_view screen) const {
    ScreenWindow* w = window(screen);
    return w == nullptr ? nullptr : w->windowHandle();
  }
  Control& control(std::string_view screen, std::string_view name, int index = -1) {
    Control* c = program().findScreen(screen)->form()->find(name, index);
    if (c == nullptr) throw std::logic_error("no control " + std::string(name));
    return *c;
  }

  // What the timerfd does in the game: the time reaches the armed deadline
  // and the host wakes.
  void tick(int count = 1) {
    for (int i = 0; i < count && alarm.armed; ++i) {
      clock.set(*alarm.armed);
      host->wake();
    }
  }
  // Ticks until done() holds; false if it never did within `limit` ticks.
  bool tickUntil(const std::function<bool()>& done, int limit) {
    for (int i = 0; i < limit; ++i) {
      if (done()) return true;
      if (!alarm.armed) return false;
      tick();
    }
    return done();
  }

  // A key as the window system gives it, to whichever window it is sent;
  // then until a held-back release has reached the model, however busy the
  // machine is.
  void keyClick(std::string_view screen, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
    QTest::keyClick(handle(screen), key, mods);
    settleKeys();
  }
  void settleKeys() {
    QTest::qWait(1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !host->keyReleaseHeld(); }, 10'000));
  }

  // A click on a point of the screen's design, wherever and however large
  // its window shows it: the middle of that design pixel on the window.
  void clickAt(std::string_view screen, QPoint at) {
    const draw::DesignView& view = window(screen)->view();
    const QPointF client((view.origin().x + (at.x() + 0.5) * view.deviceScale()) / view.ratio(),
                         (view.origin().y + (at.y() + 0.5) * view.deviceScale()) / view.ratio());
    QTest::mouseClick(handle(screen), Qt::LeftButton, {}, client.toPoint());
  }
  void clickButton(std::string_view screen, std::string_view name) {
    clickAt(screen, pixelBox(control(screen, name)).center());
  }

  // The launcher's left picture, clicked where a player would.
  void openBrickBreaker() {
    clickAt("Main", QPoint(480 / 15 + 10, 4080 / 15 + 10));
    ASSERT_NE(window("frmKestrinBrickBreaker"), nullptr);
  }

  TestClock clock;
  ManualAlarm alarm;
  std::unique_ptr<QtHost> host;
  int ends = 0;
};

}  // namespace kestrin::qt::test
