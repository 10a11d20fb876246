// One window per loaded screen: opened, placed, closed with its close box.
#include <QApplication>
#include <QIcon>

#include "host_fixture.h"
#include "probe_screen.h"

namespace kestrin::qt::test {
namespace {

constexpr std::string_view kLevel1 = "frmKestrinBrickBreaker";

TEST_F(HostTest, ManualPlacementPutsClientAreaAtItsPlace) {
  ProbeLog log;
  start([&log](Program& p) { addProbeScreens(p, log); }, "frmProbe");
  EXPECT_EQ(window("frmOther")->geometry(), QRect(100, 200, 300, 200));
  EXPECT_EQ(window("frmProbe")->size(), QSize(300, 200));
  QPushButton* go = window("frmProbe")->button(control("frmProbe", "cmdGo"));
  EXPECT_EQ(go->geometry(), QRect(100, 100, 100, 40));
  EXPECT_EQ(go->focusPolicy(), Qt::ClickFocus);
}

TEST_F(HostTest, ClosingGameBringsLauncherBackAndReopensFresh) {
  start();
  openBrickBreaker();
  keyClick(kLevel1, Qt::Key_Space);
  tick(5);

  window(kLevel1)->close();
  EXPECT_EQ(window(kLevel1), nullptr);
  EXPECT_FALSE(program().findScreen(kLevel1)->loaded());
  EXPECT_TRUE(window("Main")->isVisible());
  EXPECT_EQ(program().activeScreen()->name(), "Main");
  EXPECT_TRUE(QTest::qWaitForWindowActive(window("Main")));
  EXPECT_FALSE(alarm.armed) << "the closed game's timer stopped";

  openBrickBreaker();
  EXPECT_TRUE(window(kLevel1)->isVisible());
  EXPECT_TRUE(control(kLevel1, "lblStart").Visible) << "a game opened again starts from its design";
  EXPECT_EQ(control(kLevel1, "shpBall").Left, 7680);
  EXPECT_EQ(ends, 0);
}

TEST_F(HostTest, LevelAdvanceSwapsWindowsInOneTick) {
  start();
  openBrickBreaker();
  // Only brick 0 left, and the ball just under it.
  for (int i = 1; i < 8; ++i) control(kLevel1, "Brick", i).Visible = false;
  control(kLevel1, "shpBall").Left = 3800;
  control(kLevel1, "shpBall").Top = 1250;
  keyClick(kLevel1, Qt::Key_Space);
  tick();

  constexpr std::string_view kLevel2 = "frmKestrinBrickBreakerLvl2";
  EXPECT_EQ(window(kLevel1), nullptr);
  ScreenWindow* next = window(kLevel2);
  ASSERT_NE(next, nullptr);
  EXPECT_TRUE(next->isVisible());
  EXPECT_EQ(next->windowTitle(), "Kestrin Brick Breaker Level 2");
  EXPECT_EQ(next->size(), QSize(888, 654));
  EXPECT_TRUE(QTest::qWaitForWindowActive(next));
  ASSERT_TRUE(alarm.armed);

  const float start = control(kLevel2, "Paddle").Left;
  QTest::keyPress(handle(kLevel2), Qt::Key_Right);
  tick();
  EXPECT_EQ(control(kLevel2, "Paddle").Left, start + 100);
}

TEST_F(HostTest, EveryWindowShowsTheProgramIconAtEachTitleBarSize) {
  start();
  openBrickBreaker();
  for (const std::string_view screen : {std::string_view("Main"), kLevel1}) {
    SCOPED_TRACE(screen);
    const QIcon icon = window(screen)->windowIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int size : {16, 32, 48, 64, 128}) {
      EXPECT_TRUE(sizes.contains(QSize(size, size))) << size << " px";
    }
    EXPECT_FALSE(sizes.contains(QSize(256, 256))) << "the dock's size, kept out of memory";
    // Drawn, not blank: the 16 px picture's middle row crosses the red ball.
    const QImage small = icon.pixmap(QSize(16, 16)).toImage();
    EXPECT_EQ(rgbAt(small, 6, 10), "#ff0000");
  }
}

// Another client destroying a window (an XDestroyWindow) is its close box;
// the hidden launcher's window, destroyed too, is made anew when it shows.
TEST_F(HostTest, WindowsDestroyedFromOutsideCloseTheirScreens) {
  start();
  ScreenWindow* launcher = window("Main");
  launcher->move(300, 100);
  const QRect place = launcher->geometry();
  openBrickBreaker();

  host->windowLost(launcher->internalWinId());
  EXPECT_EQ(launcher->windowHandle(), nullptr) << "no native window left to use";
  EXPECT_TRUE(program().findScreen("Main")->loaded());
  EXPECT_TRUE(window(kLevel1)->isVisible());
  host->windowLost(window("Main")->internalWinId() + 1000);  // not one of ours: nothing
  EXPECT_TRUE(program().findScreen(kLevel1)->loaded());

  host->windowLost(window(kLevel1)->internalWinId());
  EXPECT_EQ(window(kLevel1), nullptr);
  EXPECT_FALSE(program().findScreen(kLevel1)->loaded());
  ASSERT_EQ(window("Main"), launcher);
  EXPECT_TRUE(launcher->isVisible());
  ASSERT_NE(launcher->windowHandle(), nullptr);
  EXPECT_NE(launcher->internalWinId(), 0u);
  EXPECT_EQ(launcher->geometry(), place) << "made anew where it was";
  EXPECT_TRUE(QTest::qWaitForWindowActive(launcher));

  host->windowLost(launcher->internalWinId());
  EXPECT_TRUE(program().ended());
  EXPECT_EQ(ends, 1);
}

TEST_F(HostTest, ClosingLauncherAloneEndsProgram) {
  start();
  window("Main")->close();
  EXPECT_TRUE(program().ended());
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(window("Main"), nullptr);
  for (const QWidget* w : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(w->isVisible()) << w->windowTitle().toStdString();
  }
}

}  // namespace
}  // namespace kestrin::qt::test
