// Where windows open: centred on the window of the screen that showed them,
// where they were, at their design's place; always wholly on the desktop
// where they fit.
#include <vector>

#include "host/qt/placement.h"
#include "host_fixture.h"

namespace kestrin::qt::test {
namespace {

constexpr QRect kLaptop(0, 0, 1366, 768);
constexpr QMargins kNoFrame;
constexpr QMargins kOpenbox(1, 20, 1, 5);  // the frame openbox draws around its windows

struct PlaceCase {
  const char* what;
  PlaceRequest request;
  QPoint expected;  // the client area's top-left corner
};

TEST(Placement, ClientAreaOpensWhereTheRulesPutItAndWhollyOnItsScreen) {
  // A laptop with a 28 px panel along its bottom, and a larger screen to its right.
  const std::vector<QRect> available{QRect(0, 0, 1366, 740), QRect(1366, 0, 1920, 1080)};
  const AvailableArea areaOf = [&](const QRect& frame) {
    for (const QRect& a : available) {
      if (a.contains(frame.center())) return a;
    }
    return available.front();
  };
  const QRect launcherFrame(332, 108, 701, 537);
  const PlaceCase cases[] = {
      {"the first screen, centred on the primary one",
       {.client = {699, 512}, .frame = kNoFrame, .primary = kLaptop}, {333, 128}},
      {"a game, centred on the launcher's frame",
       {.client = {889, 641}, .frame = kOpenbox, .opener = launcherFrame, .primary = kLaptop},
       {238, 64}},
      {"a window the size of its opener lands on it",
       {.client = {699, 512}, .frame = kOpenbox, .opener = launcherFrame, .primary = kLaptop},
       {333, 128}},
      {"level 3 at its design's place, moved up above the panel",
       {.client = {892, 693}, .frame = kNoFrame, .at = QPoint(139, 143), .primary = kLaptop},
       {139, 47}},
      {"level 3 with a frame: the frame's bottom on the panel",
       {.client = {892, 693}, .frame = kOpenbox, .at = QPoint(139, 143), .primary = kLaptop},
       {139, 740 - 5 - 693}},
      {"shown again where it was, already inside: left there",
       {.client = {699, 512}, .frame = kOpenbox, .at = QPoint(500, 100), .primary = kLaptop},
       {500, 100}},
      {"off the top left corner: the least move in",
       {.client = {699, 512}, .frame = kOpenbox, .at = QPoint(-50, -30), .primary = kLaptop},
       {1, 20}},
      {"wider and taller than the screen: its corner at the screen's",
       {.client = {1400, 900}, .frame = kOpenbox, .at = QPoint(300, 300), .primary = kLaptop},
       {1, 20}},
      {"centred on an opener on the right-hand screen, and kept on it",
       {.client = {889, 641}, .frame = kNoFrame, .opener = QRect(2900, 700, 300, 300),
        .primary = kLaptop},
       {3286 - 889, 1080 - 641}},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.what);
    const QRect client = placeClient(c.request, areaOf);
    EXPECT_EQ(client.topLeft(), c.expected);
    EXPECT_EQ(client.size(), c.request.client);
  }
}

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
