// The "Game Over" box: modal, answered, and nothing ticks while it is open.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "host_fixture.h"

namespace kestrin::qt::test {
namespace {

constexpr std::string_view kLevel1 = "frmKestrinBrickBreaker";

TEST_F(HostTest, ThirdLostBallShowsGameOverAndEndsProgram) {
  start();
  openBrickBreaker();
  keyClick(kLevel1, Qt::Key_Space);

  const auto inspect = [&](QMessageBox* box) {
    EXPECT_EQ(box->windowTitle(), "Kestrin Brick Breaker");
    EXPECT_EQ(box->text(), "Game Over");
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(host->boxOpen());

    // While the box is open the alarm still goes off, but no tick runs,
    // nothing is redrawn and no close box works.
    ScreenWindow* game = window(kLevel1);
    const QImage before = game->grab().toImage();
    const Control& ball = control(kLevel1, "shpBall");
    const float left = ball.Left;
    const float top = ball.Top;
    for (int i = 0; i < 5; ++i) {
      ASSERT_TRUE(alarm.armed);
      clock.set(*alarm.armed + 3 * Program::kTimerGranularity);
      host->wake();
      ASSERT_TRUE(alarm.armed);
      EXPECT_GT(*alarm.armed, clock.now()) << "re-armed ahead, not spinning";
    }
    EXPECT_EQ(ball.Left, left);
    EXPECT_EQ(ball.Top, top);
    game->close();
    EXPECT_TRUE(program().findScreen(kLevel1)->loaded());
    EXPECT_EQ(game->grab().toImage(), before) << "the window shows what it showed before the box";
  };

  bool answered = false;
  QTimer watcher;  // its turn comes inside the box's own event loop
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || answered) return;
    answered = true;
    inspect(box);
    box->button(QMessageBox::Ok)->click();  // answered even when a check failed
  });
  watcher.start();

  for (int lost = 1; lost <= 3 && !program().ended(); ++lost) {
    ASSERT_TRUE(tickUntil(
        [&] { return program().ended() || control(kLevel1, "cmdReset").Visible; }, 2000));
    if (lost < 3) {
      EXPECT_EQ(control(kLevel1, "lbllives").Caption, std::to_string(3 - lost));
      EXPECT_FALSE(answered);
      clickButton(kLevel1, "cmdReset");
    }
  }
  EXPECT_TRUE(answered);
  EXPECT_TRUE(program().ended());
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(window(kLevel1), nullptr);
  EXPECT_FALSE(alarm.armed);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace kestrin::qt::test
