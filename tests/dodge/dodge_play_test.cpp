// Dodge: opening from the launcher, the screen as loaded, the tick's clock,
// the score, the first ball's first moves, and the player's keys and motion.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/control.h"
#include "shell/program.h"
#include "tests/dodge/dodge_support.h"

namespace kestrin::test::dodge {
namespace {

TEST(DodgeOpening, SecondPictureShowsDodgeActiveAndHidesTheStillLoadedLauncher) {
  Session s;
  s.run("wait 100");
  openDodge(s);
  const Json l = s.last();
  EXPECT_EQ(l["t"].get<double>(), 100'000);
  EXPECT_EQ(l["event"].get<std::string>(), "Image2_Click");
  EXPECT_EQ(l["screen"].get<std::string>(), "Main");
  EXPECT_EQ(l["focus"].get<std::string>(), kDodge);
  ASSERT_EQ(l["screens"].size(), 2u);  // Main and Dodge, nothing else
  EXPECT_FALSE(l["screens"]["Main"]["visible"].get<bool>());
  EXPECT_TRUE(l["screens"][kDodge]["visible"].get<bool>());

  ASSERT_NE(s.screen("Main"), nullptr);  // hidden, still loaded
  ASSERT_NE(s.screen(kDodge), nullptr);
  EXPECT_EQ(s.screen(kDodge)->design().caption, "Kestrin Dodge");
  ASSERT_NE(s.program().activeScreen(), nullptr);
  EXPECT_EQ(s.program().activeScreen()->name(), kDodge);
  // Loaded once, right after the launcher: no second load on the way.
  EXPECT_EQ(s.screen(kDodge)->loadSerial(), s.screen("Main")->loadSerial() + 1);

  // Keys now reach Dodge's own handlers, the ignored ones too.
  s.run("keydown 65");
  EXPECT_EQ(s.last()["event"].get<std::string>(), "Form_KeyDown");
  EXPECT_EQ(s.last()["screen"].get<std::string>(), kDodge);
}

TEST(DodgeOpening, ScreenStartsWithTheLoadedStepsAndOnlyTheFirstBallShowing) {
  Session s;
  openDodge(s);
  const Json l = s.last();
  // Form_Load sets the eight ball steps; the player's steps keep their zero.
  const std::vector<std::pair<std::string, int>> steps = {
      {"BallStepX", -80},  {"BallStepY", -90},  {"Ball2StepX", -85}, {"Ball2StepY", -75},
      {"Ball3StepX", -115}, {"Ball3StepY", -105}, {"Ball4StepX", -90}, {"Ball4StepY", -80},
      {"PaddleStepX", 0},  {"PaddleStepY", 0}};
  EXPECT_EQ(l["screens"][kDodge]["vars"].size(), steps.size());
  for (const auto& [name, value] : steps) EXPECT_EQ(var(l, name), value) << name;

  EXPECT_TRUE(shown(l, "shpBall"));
  EXPECT_EQ(at(l, "shpBall"), (Pos{3600, 360}));
  EXPECT_FALSE(shown(l, "shpBall2"));
  EXPECT_EQ(at(l, "shpBall2"), (Pos{4080, 360}));
  EXPECT_FALSE(shown(l, "shpBall3"));
  EXPECT_EQ(at(l, "shpBall3"), (Pos{4560, 360}));
  EXPECT_FALSE(shown(l, "shpBall4"));
  EXPECT_EQ(at(l, "shpBall4"), (Pos{7920, 600}));
  EXPECT_TRUE(shown(l, "Paddle"));
  EXPECT_EQ(at(l, "Paddle"), (Pos{7680, 8520}));
  EXPECT_EQ(at(l, "shpR"), (Pos{3480, 240}));

  EXPECT_EQ(text(l, "lblScore"), "0");
  EXPECT_EQ(text(l, "lbllives"), "3");
  EXPECT_EQ(text(l, "lblLostLife"), "Lost Life");
  EXPECT_FALSE(shown(l, "lblLostLife"));
  EXPECT_FALSE(shown(l, "cmdReset"));
  EXPECT_TRUE(ticking(l));

  // Fill colours: red, black, dark blue (0xC00000 = 192 x 65536), pink
  // (0xFF80FF = 255 x 65536 + 128 x 256 + 255), the player black.
  EXPECT_EQ(ctl(l, "shpBall")["FillColor"].get<double>(), 255);
  EXPECT_EQ(ctl(l, "shpBall2")["FillColor"].get<double>(), 0);
  EXPECT_EQ(ctl(l, "shpBall3")["FillColor"].get<double>(), 12'582'912);
  EXPECT_EQ(ctl(l, "shpBall4")["FillColor"].get<double>(), 16'744'703);
  EXPECT_EQ(ctl(l, "Paddle")["FillColor"].get<double>(), 0);
}

TEST(DodgeOpening, ReopenedAfterItsCloseBoxStartsAgainFromItsDesign) {
  Session s;
  openDodge(s);
  s.run("keydown 37\nticks 3\nclose frmKestrinDodge");
  Json l = s.last();
  EXPECT_EQ(l["event"].get<std::string>(), "close");
  EXPECT_EQ(l["screen"].get<std::string>(), kDodge);
  EXPECT_EQ(l["focus"].get<std::string>(), "Main");
  EXPECT_FALSE(l["screens"].contains(kDodge));
  EXPECT_TRUE(l["screens"]["Main"]["visible"].get<bool>());
  std::size_t m = s.mark();
  s.run("ticks 10");
  EXPECT_TRUE(s.since(m).empty());  // no Dodge timer any more

  s.run("click Main Image2");  // at 3 x 15 625 + 10 x 15 625 = 203 125
  l = s.last();
  EXPECT_EQ(l["t"].get<double>(), 203'125);
  EXPECT_EQ(text(l, "lblScore"), "0");
  EXPECT_EQ(text(l, "lbllives"), "3");
  EXPECT_EQ(at(l, "shpBall"), (Pos{3600, 360}));
  EXPECT_EQ(at(l, "Paddle"), (Pos{7680, 8520}));
  EXPECT_EQ(var(l, "BallStepX"), -80);
  EXPECT_EQ(var(l, "PaddleStepX"), 0);  // the held key is not remembered
  m = s.mark();
  s.run("ticks 1");
  ASSERT_EQ(s.since(m).size(), 1u);
  EXPECT_EQ(s.last()["t"].get<double>(), 218'750);
  EXPECT_EQ(text(s.last(), "lblScore"), "1");
  EXPECT_EQ(at(s.last(), "shpBall"), (Pos{3520, 270}));
  EXPECT_EQ(at(s.last(), "Paddle"), (Pos{7680, 8520}));

  // Closed while paused after a hit, it opens running again.
  place(s, kBalls[0], 7680, 8520);
  s.run("ticks 1\nclose frmKestrinDodge\nclick Main Image2");
  EXPECT_TRUE(ticking(s.last()));
  EXPECT_FALSE(shown(s.last(), "cmdReset"));
  EXPECT_EQ(text(s.last(), "lbllives"), "3");
  s.run("ticks 1");
  EXPECT_EQ(text(s.last(), "lblScore"), "1");
}

TEST(DodgeDesign, ControlsInDesignOrderWithTheirRectanglesAndLooks) {
  Session s;
  openDodge(s);
  const Screen* screen = s.screen(kDodge);
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->design().clientWidth, 13335);
  EXPECT_EQ(screen->design().clientHeight, 9795);
  EXPECT_EQ(screen->design().placement, Placement::ByHost);
  EXPECT_EQ(screen->design().backColor, kButtonFace);

  struct Row {
    const char* name;
    ControlKind kind;
    float left, top, width, height;
    bool visible;
  };
  using K = ControlKind;
  const std::vector<Row> rows = {
      {"cmdReset", K::CommandButton, 8640, 4440, 2055, 855, false},
      {"Timer1", K::Timer, 0, 0, 0, 0, true},
      {"lblSfgf", K::Label, 960, 840, 1575, 615, true},
      {"shpBall4", K::Shape, 7920, 600, 855, 855, false},
      {"shpBall3", K::Shape, 4560, 360, 375, 375, false},
      {"lblScore", K::Label, 600, 1920, 2175, 735, true},
      {"shpBall2", K::Shape, 4080, 360, 375, 375, false},
      {"lblLostLife", K::Label, 6600, 4560, 1815, 615, false},
      {"lbllives", K::Label, 1080, 4080, 1215, 855, true},
      {"lblL", K::Label, 960, 3120, 1455, 615, true},
      {"Paddle", K::Shape, 7680, 8520, 615, 495, true},
      {"shpBall", K::Shape, 3600, 360, 375, 375, true},
      {"shpR", K::Shape, 3480, 240, 9615, 9135, true},
  };
  const std::vector<Control>& controls = screen->form()->controls();
  ASSERT_EQ(controls.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    const Control& c = controls[i];
    SCOPED_TRACE(r.name);
    EXPECT_EQ(c.name(), r.name);
    EXPECT_EQ(c.kind(), r.kind);
    EXPECT_EQ(c.index(), -1);
    EXPECT_EQ(static_cast<bool>(c.Visible), r.visible);
    if (r.kind == K::Timer) continue;
    EXPECT_EQ(c.Left, r.left);
    EXPECT_EQ(c.Top, r.top);
    EXPECT_EQ(c.width(), r.width);
    EXPECT_EQ(c.height(), r.height);
    if (r.kind == K::Label || r.kind == K::CommandButton) {
      EXPECT_EQ(c.design().font.face, "MS Sans Serif");
      EXPECT_EQ(c.design().font.points, 24);
      EXPECT_FALSE(c.design().font.bold);
    }
    if (r.kind == K::Label) {
      EXPECT_EQ(c.design().backColor, kButtonFace);
      EXPECT_EQ(c.design().foreColor, kButtonText);
    }
  }

  const Control& timer = s.control(kDodge, "Timer1");
  EXPECT_EQ(timer.design().interval, 15);
  EXPECT_TRUE(static_cast<bool>(timer.Enabled));
  EXPECT_EQ(s.caption(kDodge, "cmdReset"), "Reset");
  EXPECT_EQ(s.caption(kDodge, "lblSfgf"), "Score :");
  EXPECT_EQ(s.caption(kDodge, "lblL"), "Lives :");
  EXPECT_EQ(s.control(kDodge, "lblScore").design().alignment, Alignment::Centre);
  EXPECT_EQ(s.control(kDodge, "lbllives").design().alignment, Alignment::Centre);
  EXPECT_EQ(s.control(kDodge, "lblL").design().alignment, Alignment::Centre);

  for (const char* ball : {"shpBall", "shpBall2", "shpBall3", "shpBall4"}) {
    SCOPED_TRACE(ball);
    EXPECT_EQ(s.control(kDodge, ball).design().shape, ShapeKind::Oval);
    EXPECT_EQ(s.control(kDodge, ball).design().fillStyle, FillStyle::Solid);
  }
  EXPECT_EQ(s.control(kDodge, "shpBall").FillColor, rgb(255, 0, 0));
  EXPECT_EQ(s.control(kDodge, "shpBall2").FillColor, rgb(0, 0, 0));
  EXPECT_EQ(s.control(kDodge, "shpBall3").FillColor, rgb(0, 0, 192));
  EXPECT_EQ(s.control(kDodge, "shpBall4").FillColor, rgb(255, 128, 255));
  EXPECT_EQ(s.control(kDodge, "Paddle").design().shape, ShapeKind::Rectangle);
  EXPECT_EQ(s.control(kDodge, "Paddle").design().fillStyle, FillStyle::Solid);
  EXPECT_EQ(s.control(kDodge, "Paddle").FillColor, rgb(0, 0, 0));
  EXPECT_EQ(s.control(kDodge, "shpR").design().shape, ShapeKind::Rectangle);
  EXPECT_EQ(s.control(kDodge, "shpR").design().fillStyle, FillStyle::Transparent);
}

TEST(DodgeTicks, FirstTickComesOnePeriodAfterTheClickAndThenEveryPeriod) {
  Session s;
  s.run("wait 100");
  openDodge(s);  // at 100 000 us
  std::size_t m = s.mark();
  s.run("wait 15.624");
  EXPECT_TRUE(s.since(m).empty());
  s.run("wait 0.001");  // 100 000 + 15 625
  ASSERT_EQ(s.since(m).size(), 1u);
  EXPECT_EQ(s.last()["t"].get<double>(), 115'625);
  EXPECT_EQ(s.last()["event"].get<std::string>(), "Timer1_Timer");
  EXPECT_EQ(s.last()["screen"].get<std::string>(), kDodge);

  m = s.mark();
  s.run("wait 46.875");  // three more periods
  const std::vector<Json> ticks = s.since(m);
  ASSERT_EQ(ticks.size(), 3u);
  EXPECT_EQ(ticks[0]["t"].get<double>(), 131'250);
  EXPECT_EQ(ticks[1]["t"].get<double>(), 146'875);
  EXPECT_EQ(ticks[2]["t"].get<double>(), 162'500);
}

TEST(DodgeTicks, FirstTicksScoreAPointEachAndTurnTheFirstBallAtTheTopLeftCorner) {
  Session s;
  openDodge(s);
  s.run("ticks 1");
  Json l = s.last();
  EXPECT_EQ(text(l, "lblScore"), "1");
  // 3600 - 80, 360 - 90; 3520 > 3480 and 270 > 240: no turn yet.
  EXPECT_EQ(at(l, "shpBall"), (Pos{3520, 270}));
  EXPECT_EQ(var(l, "BallStepX"), -80);
  EXPECT_EQ(var(l, "BallStepY"), -90);
  // Hidden balls stand still.
  EXPECT_EQ(at(l, "shpBall2"), (Pos{4080, 360}));
  EXPECT_EQ(at(l, "shpBall3"), (Pos{4560, 360}));
  EXPECT_EQ(at(l, "shpBall4"), (Pos{7920, 600}));

  s.run("ticks 1");
  l = s.last();
  EXPECT_EQ(text(l, "lblScore"), "2");
  // 3440 <= 3480 and 180 <= 240: both steps turn in the tick that got there.
  EXPECT_EQ(at(l, "shpBall"), (Pos{3440, 180}));
  EXPECT_EQ(var(l, "BallStepX"), 80);
  EXPECT_EQ(var(l, "BallStepY"), 90);

  s.run("ticks 1");
  l = s.last();
  EXPECT_EQ(text(l, "lblScore"), "3");
  EXPECT_EQ(at(l, "shpBall"), (Pos{3520, 270}));
  EXPECT_EQ(var(l, "BallStepX"), 80);
  EXPECT_EQ(var(l, "BallStepY"), 90);
  // The other balls' steps were never touched.
  EXPECT_EQ(var(l, "Ball2StepX"), -85);
  EXPECT_EQ(var(l, "Ball4StepY"), -80);
  EXPECT_EQ(at(l, "Paddle"), (Pos{7680, 8520}));
}

TEST(DodgeTicks, LongScoresAreWrittenAsPlainWholeNumbers) {
  Session s;
  openDodge(s);
  for (const auto& [before, after] :
       std::vector<std::pair<const char*, const char*>>{{"9", "10"},
                                                        {"99999", "100000"},
                                                        {"999999", "1000000"},
                                                        {"16777216", "16777217"}}) {
    s.control(kDodge, "lblScore").Caption = before;
    s.run("ticks 1");
    EXPECT_EQ(text(s.last(), "lblScore"), after);
  }
}

TEST(DodgePlayer, ArrowKeysSetTheStepsOfTheirAxisOnlyWithNoMemoryOfHeldKeys) {
  Session s;
  openDodge(s);
  struct Step {
    const char* line;
    const char* handler;
    int x, y;
  };
  const std::vector<Step> steps = {
      {"keydown 37", "Form_KeyDown", -100, 0},
      {"keydown 39", "Form_KeyDown", 100, 0},  // left held, right pressed
      {"keyup 37", "Form_KeyUp", 0, 0},        // left released, right still held
      {"keydown 39", "Form_KeyDown", 100, 0},
      {"keydown 37", "Form_KeyDown", -100, 0},
      {"keyup 39", "Form_KeyUp", 0, 0},  // right released, left still held
      {"keydown 38", "Form_KeyDown", 0, -100},
      {"keydown 40", "Form_KeyDown", 0, 100},
      {"keyup 38", "Form_KeyUp", 0, 0},
      {"keydown 40", "Form_KeyDown", 0, 100},
      {"keydown 38", "Form_KeyDown", 0, -100},
      {"keyup 40", "Form_KeyUp", 0, 0},
      {"keydown 37 1", "Form_KeyDown", -100, 0},  // the shift mask is ignored
      {"keydown 40 7", "Form_KeyDown", -100, 100},  // the axes combine
      {"keydown 40", "Form_KeyDown", -100, 100},  // a repeat changes nothing
      // Keys that are not arrows reach the handlers and change nothing,
      // also codes whose low byte is an arrow's (293 = 256 + 37).
      {"keydown 32", "Form_KeyDown", -100, 100},
      {"keydown 13", "Form_KeyDown", -100, 100},
      {"keydown 65", "Form_KeyDown", -100, 100},
      {"keydown 293", "Form_KeyDown", -100, 100},
      {"keydown 296", "Form_KeyDown", -100, 100},
      {"keyup 32", "Form_KeyUp", -100, 100},
      {"keyup 293", "Form_KeyUp", -100, 100},
      {"keyup 296", "Form_KeyUp", -100, 100},
      {"keyup 39", "Form_KeyUp", 0, 100},  // the other key of the pair stops the axis
      {"keyup 38", "Form_KeyUp", 0, 0},
  };
  for (const Step& st : steps) {
    s.run(st.line);
    const Json l = s.last();
    SCOPED_TRACE(st.line);
    EXPECT_EQ(l["event"].get<std::string>(), st.handler);
    EXPECT_EQ(l["screen"].get<std::string>(), kDodge);
    EXPECT_EQ(var(l, "PaddleStepX"), st.x);
    EXPECT_EQ(var(l, "PaddleStepY"), st.y);
    // Keys move nothing; only the tick does.
    EXPECT_EQ(at(l, "Paddle"), (Pos{7680, 8520}));
  }
}

TEST(DodgePlayer, HeldDownArrowMovesAHundredATickUntilTheBottomEdgeHoldsIt) {
  Session s;
  openDodge(s);
  s.run("keydown 40");
  // 8520 + 100 each tick; the fourth would be 8920, whose bottom 8920 + 495 =
  // 9415 is past 9375, so the player is set to 9375 - 495 = 8880.
  for (double top : {8620.0, 8720.0, 8820.0, 8880.0, 8880.0, 8880.0}) {
    s.run("ticks 1");
    EXPECT_EQ(at(s.last(), "Paddle"), (Pos{7680, top}));
    EXPECT_EQ(var(s.last(), "PaddleStepY"), 100);  // the step is never changed by the edge
  }
  s.run("keyup 40\nticks 1");
  EXPECT_EQ(at(s.last(), "Paddle"), (Pos{7680, 8880}));
}

TEST(DodgePlayer, BothArrowsOfDifferentAxesMoveDiagonally) {
  Session s;
  openDodge(s);
  s.run("keydown 37\nkeydown 38\nticks 1");
  EXPECT_EQ(at(s.last(), "Paddle"), (Pos{7580, 8420}));
  s.run("ticks 1");
  EXPECT_EQ(at(s.last(), "Paddle"), (Pos{7480, 8320}));
  s.run("keyup 38\nkeydown 39\nkeydown 40\nticks 1");
  EXPECT_EQ(at(s.last(), "Paddle"), (Pos{7580, 8420}));
  s.run("keyup 39\nticks 1");
  EXPECT_EQ(at(s.last(), "Paddle"), (Pos{7580, 8520}));
}

// The player pushed against each edge of the playfield, from exactly one
// step away (it lands on the edge and is set to the same place), from half
// a step away (it would pass the edge) and from one twip more than a step
// away (it stays one twip inside).
TEST(DodgePlayer, IsHeldInsideThePlayfieldOnAllFourEdges) {
  Session s;
  openDodge(s);
  parkFirstBall(s);
  struct Case {
    const char* keys;  // key down before the tick
    double left, top;  // placed before the tick
    Pos after;
  };
  const std::vector<Case> cases = {
      // Left edge 3480.
      {"keydown 37", 3580, 5000, {3480, 5000}},
      {"keydown 37", 3530, 5000, {3480, 5000}},
      {"keydown 37", 3480, 5000, {3480, 5000}},
      {"keydown 37", 3581, 5000, {3481, 5000}},
      // Right edge 13095: Left at most 13095 - 615 = 12480.
      {"keyup 37\nkeydown 39", 12380, 5000, {12480, 5000}},
      {"keydown 39", 12430, 5000, {12480, 5000}},
      {"keydown 39", 12480, 5000, {12480, 5000}},
      {"keydown 39", 12379, 5000, {12479, 5000}},
      // Top edge 240.
      {"keyup 39\nkeydown 38", 7000, 340, {7000, 240}},
      {"keydown 38", 7000, 290, {7000, 240}},
      {"keydown 38", 7000, 240, {7000, 240}},
      {"keydown 38", 7000, 341, {7000, 241}},
      // Bottom edge 9375: Top at most 9375 - 495 = 8880.
      {"keyup 38\nkeydown 40", 7000, 8780, {7000, 8880}},
      {"keydown 40", 7000, 8830, {7000, 8880}},
      {"keydown 40", 7000, 8880, {7000, 8880}},
      {"keydown 40", 7000, 8779, {7000, 8879}},
      // Into a corner on both axes at once.
      {"keydown 37", 3530, 8830, {3480, 8880}},
      {"keyup 40\nkeydown 38", 3530, 290, {3480, 240}},
      {"keydown 39", 12430, 290, {12480, 240}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.keys) + " from " + std::to_string(c.left) + ", " +
                 std::to_string(c.top));
    s.run(c.keys);
    placePlayer(s, c.left, c.top);
    s.run("ticks 1");
    EXPECT_EQ(at(s.last(), "Paddle"), c.after);
    EXPECT_EQ(text(s.last(), "lbllives"), "3");
  }
  // The steps stay as the keys set them.
  EXPECT_EQ(var(s.last(), "PaddleStepX"), 100);
  EXPECT_EQ(var(s.last(), "PaddleStepY"), -100);
}

}  // namespace
}  // namespace kestrin::test::dodge
