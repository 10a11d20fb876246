// Where windows open: centred on the window of the screen that showed them,
// where they were, at their design's place; always wholly on the desktop
// where they fit.
#include "host_fixture.h"

namespace kestrin::qt::test {
namespace {

constexpr QRect kLaptop(0, 0, 1366, 768);

// ---- the host, on the 1366 x 768 offscreen desktop ----

constexpr std::string_view kLevel1 = "frmKestrinBrickBreaker";
constexpr std::string_view kLevel2 = "frmKestrinBrickBreakerLvl2";
constexpr std::string_view kLevel3 = "frmKestrinBrickBreakerLvl3";

QPointF centreOf(const QRect& r) { return QRectF(r).center(); }

class PlacementTest : public HostTest {
 protected:
  // Clears a level but for Brick(0), puts the ball under it and launches:
  // the next tick breaks it and opens the next level.
  void clearLevel(std::string_view level) {
    Form& form = *program().findScreen(level)->form();
    const Control& last = control(level, "Brick", 0);
    for (Control& c : form.controls()) {
      if (c.name() == "Brick" && &c != &last) c.Visible = false;
    }
    control(level, "shpBall").Left = last.Left + 400;
    control(level, "shpBall").Top = last.Top + last.height() + 60;
    keyClick(level, Qt::Key_Space);
    tick();
    ASSERT_FALSE(program().findScreen(level)->loaded()) << level << " was not cleared";
  }
  QRect geometryOf(std::string_view screen) {
    ScreenWindow* w = window(screen);
    return w == nullptr ? QRect() : w->geometry();
  }
};

TEST_F(PlacementTest, LevelsFollowOneAnotherAndTheLauncherKeepsItsPlace) {
  ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), kLaptop)
      << "run on the desktop of tests/qt/desktop.json";
  start();
  EXPECT_EQ(geometryOf("Main"), QRect(333, 128, 699, 512)) << "centred on the screen";
  window("Main")->move(600, 200);  // the player moves it
  const QRect launcher = geometryOf("Main");
  // The offscreen platform draws no frame but gives windows one, as window
  // managers do: it counts.
  const QMargins frame = window("Main")->windowHandle()->frameMargins();
  ASSERT_FALSE(frame.isNull());

  openBrickBreaker();
  // Centred on the launcher would reach past the screen's right and bottom.
  EXPECT_EQ(geometryOf(kLevel1),
            QRect(1366 - frame.right() - 889, 768 - frame.bottom() - 641, 889, 641));
  window(kLevel1)->move(200, 50);
  const QRect level1 = geometryOf(kLevel1);

  clearLevel(kLevel1);
  const QRect level2 = geometryOf(kLevel2);
  EXPECT_EQ(level2.size(), QSize(888, 654));
  EXPECT_LE((centreOf(level2) - centreOf(level1)).manhattanLength(), 1.0)
      << "level 2 opens where level 1 was";

  clearLevel(kLevel2);
  // At its design's place (139, 143) it would end 68 px below the screen.
  EXPECT_EQ(geometryOf(kLevel3), QRect(139, 768 - frame.bottom() - 693, 892, 693));

  window(kLevel3)->close();
  EXPECT_EQ(geometryOf("Main"), launcher) << "the launcher comes back where it was";
}

}  // namespace
}  // namespace kestrin::qt::test
