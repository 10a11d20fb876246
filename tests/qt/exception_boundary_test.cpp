// Whatever escapes the model, the host or the alarm ends the program with a
// message on stderr and status 1, caught where Qt delivers the event, also
// inside a message box's nested event loop: never an abort through Qt.
#include <cerrno>
#include <functional>
#include <system_error>

#include <QApplication>
#include <QTimer>

#include "designs/designs.h"
#include "host/qt/window/face_widgets.h"
#include "host_fixture.h"

namespace kestrin::qt::test {
namespace {

// Arms like the real alarm until told to fail as timerfd_settime would.
class FailingAlarm final : public Alarm {
 public:
  void arm(std::optional<std::int64_t> /*due*/) override {
    if (failing) throw std::system_error(EINVAL, std::generic_category(), "timerfd_settime");
  }
  bool failing = false;
};

// The launcher's design, whose left picture does what a case says.
class Trap : public Form {
 public:
  Trap(Screen& screen, std::function<void(Trap&)> act) : Form(screen) {
    onClick(control("Image1"), [this, act] { act(*this); });
  }
  using Form::MsgBox;
  using Form::Show;
};

struct Case {
  const char* name;
  std::function<void(Trap&)> click;  // what the picture's click does
  bool failAlarm;                     // the alarm fails when next armed
  bool failInBox;                     // ... only once a box is open
  const char* message;                // the line on stderr
};

// Starts the host, clicks the picture as a player would; the process is
// expected to end inside.
void play(const Case& c) {
  headless::VirtualClock clock;
  FailingAlarm alarm;
  QtHost host(clock, alarm);
  host.start([&](Program& p) {
    p.add(designs::kMain, [&](Screen& s) { return std::make_unique<Trap>(s, c.click); });
  });
  QTimer inBox;  // its turn comes inside the box's own event loop
  inBox.setInterval(0);
  QObject::connect(&inBox, &QTimer::timeout, [&] {
    if (dynamic_cast<MessageBox*>(QApplication::activeModalWidget()) == nullptr) return;
    alarm.failing = true;
    host.wake();  // the alarm going off while the box is open
  });
  if (c.failInBox) inBox.start();
  alarm.failing = c.failAlarm;
  QTest::mouseClick(host.window("Main")->windowHandle(), Qt::LeftButton, {},
                    QPoint(480 / 15 + 10, 4080 / 15 + 10));
}

TEST(ExceptionBoundary, WhateverEscapesEndsTheProgramWithAMessageAndStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const Case cases[] = {
      {"the alarm fails after a click", [](Trap&) {}, true, false,
       "timerfd_settime: Invalid argument"},
      {"the alarm fails inside a message box", [](Trap& t) { t.MsgBox("hello"); }, false, true,
       "timerfd_settime: Invalid argument"},
      {"a screen that is not registered", [](Trap& t) { t.Show("frmNowhere"); }, false, false,
       "no screen named frmNowhere"},
      {"an exception of no standard type", [](Trap&) { throw 42; }, false, false,
       "an exception of an unknown type"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(play(c), testing::ExitedWithCode(1),
                std::string("kestrin_qt_tests: ") + c.message + "\n$")
        << c.name;
  }
}

}  // namespace
}  // namespace kestrin::qt::test
