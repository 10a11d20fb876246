// Brick Breaker played through real Qt events: mouse clicks on the windows,
// keys sent to the window system's window, ticks as the alarm delivers them.
#include <QApplication>

#include "host/qt/window/face_widgets.h"
#include "host_fixture.h"

namespace kestrin::qt::test {
namespace {

constexpr std::string_view kLevel1 = "frmKestrinBrickBreaker";

class BrickBreakerInput : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    start();
    openBrickBreaker();
  }
  float paddleLeft() { return control(kLevel1, "Paddle").Left; }
};

TEST_F(HostTest, LeftPictureOpensBrickBreakerAndHidesLauncher) {
  start();
  ASSERT_TRUE(window("Main")->isVisible());
  EXPECT_EQ(window("Main")->windowTitle(), "Form1");
  EXPECT_EQ(window("Main")->size(), QSize(699, 512));
  EXPECT_FALSE(alarm.armed) << "the launcher has no timer";
  clickAt("Main", QPoint(480 / 15 + 10, 4080 / 15 + 10));

  ScreenWindow* game = window(kLevel1);
  ASSERT_NE(game, nullptr);
  EXPECT_TRUE(game->isVisible());
  EXPECT_EQ(game->windowTitle(), "Kestrin Brick Breaker");
  EXPECT_EQ(game->size(), QSize(889, 641));
  EXPECT_FALSE(window("Main")->isVisible());
  EXPECT_EQ(program().activeScreen()->name(), kLevel1);
  // The game takes the keys: it is the active window and holds its own focus.
  EXPECT_TRUE(QTest::qWaitForWindowActive(game));
  EXPECT_EQ(QApplication::focusWidget(), game);
}

TEST_F(HostTest, ClicksOffThePicturesOpenNothing) {
  start();
  clickAt("Main", QPoint(3000 / 15, 1500 / 15));  // the caption
  clickAt("Main", QPoint(5, 5));                  // the ground
  clickAt("Main", QPoint(480 / 15 - 3, 4080 / 15 + 10));  // just left of the picture
  EXPECT_EQ(window(kLevel1), nullptr);
  EXPECT_TRUE(window("Main")->isVisible());
}

TEST_F(BrickBreakerInput, HeldArrowMovesPaddleEveryTickUntilReleased) {
  const float start = paddleLeft();
  QTest::keyPress(handle(kLevel1), Qt::Key_Left);
  tick(3);
  EXPECT_EQ(paddleLeft(), start - 300);

  QTest::keyRelease(handle(kLevel1), Qt::Key_Left);
  settleKeys();
  tick(3);
  EXPECT_EQ(paddleLeft(), start - 300);

  QTest::keyPress(handle(kLevel1), Qt::Key_Right);
  tick(2);
  EXPECT_EQ(paddleLeft(), start - 100);
}

TEST_F(BrickBreakerInput, SpaceLaunchesBallUpAndLeft) {
  Control& ball = control(kLevel1, "shpBall");
  const float left = ball.Left;
  const float top = ball.Top;
  tick(2);
  EXPECT_EQ(ball.Left, left) << "the ball waits for Space";

  keyClick(kLevel1, Qt::Key_Space);
  EXPECT_FALSE(control(kLevel1, "lblStart").Visible);
  tick();
  EXPECT_EQ(ball.Left, left - 80);
  EXPECT_EQ(ball.Top, top - 90);
}

TEST_F(BrickBreakerInput, ResetClickHandsFocusBackToScreen) {
  keyClick(kLevel1, Qt::Key_Space);
  ASSERT_TRUE(tickUntil([&] { return bool(control(kLevel1, "cmdReset").Visible); }, 1000));

  ScreenWindow* game = window(kLevel1);
  QPushButton* reset = game->button(control(kLevel1, "cmdReset"));
  ASSERT_NE(reset, nullptr);
  EXPECT_TRUE(reset->isVisible());
  EXPECT_EQ(reset->text(), "Reset");
  EXPECT_EQ(dynamic_cast<FaceButton&>(*reset).face().pixelSize(), 32);
  EXPECT_EQ(game->focusWidget(), game) << "showing the button does not give it the focus";
  EXPECT_FALSE(alarm.armed) << "the lost ball stopped the only timer";

  clickButton(kLevel1, "cmdReset");
  EXPECT_FALSE(reset->isVisible());
  EXPECT_EQ(game->focusWidget(), game);
  EXPECT_EQ(control(kLevel1, "shpBall").Left, 7320);
  EXPECT_EQ(control(kLevel1, "shpBall").Top, 6840);
  ASSERT_TRUE(alarm.armed) << "Reset restarts the timer";
  EXPECT_EQ(*alarm.armed, clock.now() + Program::kTimerGranularity);

  // Arrows reach the game again, not the hidden button.
  const float start = paddleLeft();
  QTest::keyPress(handle(kLevel1), Qt::Key_Right);
  tick();
  EXPECT_EQ(paddleLeft(), start + 100);
}

TEST_F(BrickBreakerInput, TabGivesResetTheFocusWithAVisibleFrameAndSpaceClicksIt) {
  keyClick(kLevel1, Qt::Key_Space);
  ASSERT_TRUE(tickUntil([&] { return bool(control(kLevel1, "cmdReset").Visible); }, 1000));
  ScreenWindow* game = window(kLevel1);
  QPushButton* reset = game->button(control(kLevel1, "cmdReset"));
  EXPECT_EQ(highlightPixels(*reset), 0) << "no frame without the focus";

  keyClick(kLevel1, Qt::Key_Tab);
  EXPECT_EQ(game->focusWidget(), reset);
  const int frame = highlightPixels(*reset);
  // All round the caption: more than the button's width, less than its area.
  EXPECT_GT(frame, reset->width());
  EXPECT_LT(frame, reset->width() * reset->height() / 4);
  reset->grab().save(KESTRIN_QT_TEST_OUTPUT "/reset-focus.png");

  keyClick(kLevel1, Qt::Key_Space);
  EXPECT_FALSE(reset->isVisible());
  EXPECT_EQ(game->focusWidget(), game);
  ASSERT_TRUE(alarm.armed) << "Space clicked Reset";
}

// Under X a held key repeats as release/press pairs; none of them may stop
// the paddle.
TEST_F(BrickBreakerInput, RepeatPairsKeepPaddleMoving) {
  ScreenWindow* game = window(kLevel1);
  const auto send = [game](QEvent::Type type, quint64 time, bool autoRepeat) {
    QKeyEvent event(type, Qt::Key_Left, Qt::NoModifier, QString(), autoRepeat);
    event.setTimestamp(time);
    QApplication::sendEvent(game->focusWidget(), &event);
  };
  const float start = paddleLeft();
  send(QEvent::KeyPress, 1000, false);
  tick();
  send(QEvent::KeyRelease, 1030, true);
  send(QEvent::KeyPress, 1030, true);
  tick();
  send(QEvent::KeyRelease, 1060, false);  // unmarked, but the press carries its timestamp
  send(QEvent::KeyPress, 1060, false);
  settleKeys();
  tick();
  send(QEvent::KeyRelease, 1090, false);
  settleKeys();
  tick();
  EXPECT_EQ(paddleLeft(), start - 300);
}

}  // namespace
}  // namespace kestrin::qt::test
