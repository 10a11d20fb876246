// Brick hits: the face chosen, the bounce and the ball's placement, removal,
// the score, the two-hit bricks of level 3, and the moves to the next level.

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "host/common/catalog.h"
#include "tests/brickbreaker/levels.h"

namespace kestrin::test::bb {
namespace {

// Brick(3) of level 1 spans 7080..8295 x 720..1215; its neighbours Brick(2)
// (5880..7095) and Brick(4) (8280..9495) share 15-twip strips with it.
// Depths for a ball at (x, y), 375 across:
//   top = y + 375 - 720, bottom = 1215 - y, right = 8295 - x, left = x + 375 - 7080.

struct FaceCase {
  const char* name;
  int level;
  int brick;
  std::vector<int> cleared;  // bricks taken away first, so that only this one is met
  float left, top;           // where the move brings the ball
  int stepX, stepY;
  float wantLeft, wantTop;
  int wantX, wantY;
  const char* score;
};

// A failing case names itself in the message, not its bytes.
void PrintTo(const FaceCase& c, std::ostream* os) { *os << c.name; }

class BrickHit : public ::testing::TestWithParam<FaceCase> {};

TEST_P(BrickHit, ReversesOneStepRemovesTheBrickPlacesTheBallAndScores) {
  const FaceCase& c = GetParam();
  const Level& lv = level(c.level);
  Session s;
  openLevel(s, c.level);
  for (int i : c.cleared) removeBrick(s, lv.screen, i);
  aim(s, lv.screen, c.left, c.top, c.stepX, c.stepY);
  const Json line = tick(s);
  EXPECT_EQ(var(line, lv.screen, "BallStepX"), c.wantX);
  EXPECT_EQ(var(line, lv.screen, "BallStepY"), c.wantY);
  EXPECT_EQ(num(line, lv.screen, "shpBall", "Left"), c.wantLeft);
  EXPECT_EQ(num(line, lv.screen, "shpBall", "Top"), c.wantTop);
  const std::string b = brickName(c.brick);
  EXPECT_FALSE(shown(line, lv.screen, b));
  EXPECT_EQ(num(line, lv.screen, b, "Left"), -300);
  EXPECT_EQ(num(line, lv.screen, b, "Top"), brickTop(c.level, c.brick));
  EXPECT_EQ(num(line, lv.screen, b, "FillColor"), kBrown);
  EXPECT_EQ(caption(line, lv.screen, "lblScore"), c.score);
}

// Level 1, Brick(3), neighbours 2 and 4 cleared:
//   top    (7500, 365):  top 20, bottom 850, right 795, left 795 -> on the brick, Top 720 - 375
//   bottom (7500, 1195): bottom 20, top 850                      -> under it, Top 1215
//   right  (8275, 800):  right 20, top 455, bottom 415, left 1570 -> Left 8295
//   left   (6725, 800):  left 20, right 1570                      -> Left 7080 - 375
// Level 2, Brick(1) at 4680..5895 x 1080..1575, neighbours 0, 2, 8, 9, 12 cleared:
//   top    (5100, 725):  top 20, bottom 850, right 795, left 795 -> Top 1080 - 375
//   bottom (5100, 1555): bottom 20                                -> Top 1575
//   right  (5875, 1200): right 20, top 495, bottom 375, left 1570 -> Left 5895
//   left   (4325, 1200): left 20                                  -> Left 4680 - 375
// Level 3, Brick(19) at 7200..8415 x 1800..2295, its eight neighbours cleared;
// whatever the face, the ball goes under the brick (Top 2295), Left kept:
//   top (7620, 1445), bottom (7620, 2275), right (8395, 1900), left (6845, 1900).
const std::vector<int> kAround19{10, 11, 12, 18, 20, 26, 27, 28};

const FaceCase kFaces[] = {
    {"Level1Top", 1, 3, {2, 4}, 7500, 365, 80, 90, 7500, 345, 80, -90, "25"},
    {"Level1TopWhileRising", 1, 3, {2, 4}, 7500, 365, 80, -90, 7500, 345, 80, 90, "25"},
    {"Level1Bottom", 1, 3, {2, 4}, 7500, 1195, 80, -90, 7500, 1215, 80, 90, "25"},
    {"Level1Right", 1, 3, {2, 4}, 8275, 800, -80, -90, 8295, 800, 80, -90, "25"},
    {"Level1RightWhileMovingAway", 1, 3, {2, 4}, 8275, 800, 80, -90, 8295, 800, -80, -90, "25"},
    {"Level1Left", 1, 3, {2, 4}, 6725, 800, 80, -90, 6705, 800, -80, -90, "25"},
    {"Level2Top", 2, 1, {0, 2, 8, 9, 12}, 5100, 725, 80, 90, 5100, 705, 80, -90, "225"},
    {"Level2Bottom", 2, 1, {0, 2, 8, 9, 12}, 5100, 1555, 80, -90, 5100, 1575, 80, 90, "225"},
    {"Level2Right", 2, 1, {0, 2, 8, 9, 12}, 5875, 1200, -80, -90, 5895, 1200, 80, -90, "225"},
    {"Level2Left", 2, 1, {0, 2, 8, 9, 12}, 4325, 1200, 80, -90, 4305, 1200, -80, -90, "225"},
    {"Level3Top", 3, 19, kAround19, 7620, 1445, 80, 90, 7620, 2295, 80, -90, "625"},
    {"Level3Bottom", 3, 19, kAround19, 7620, 2275, 80, -90, 7620, 2295, 80, 90, "625"},
    {"Level3Right", 3, 19, kAround19, 8395, 1900, -80, -90, 8395, 2295, 80, -90, "625"},
    {"Level3Left", 3, 19, kAround19, 6845, 1900, 80, -90, 6845, 2295, -80, -90, "625"},
};

INSTANTIATE_TEST_SUITE_P(BrickBreakerFaces, BrickHit, ::testing::ValuesIn(kFaces),
                         [](const ::testing::TestParamInfo<FaceCase>& param) {
                           return std::string(param.param.name);
                         });

// A hit with the expected outcome on level 1's Brick(3), neighbours cleared.
struct Outcome {
  const char* what;
  float left, top;
  int stepX, stepY;
  bool hit;
  float wantLeft, wantTop;
  int wantX, wantY;
};

void expectOutcomes(const std::vector<Outcome>& cases) {
  for (const Outcome& c : cases) {
    SCOPED_TRACE(c.what);
    Session s;
    openLevel(s, 1);
    removeBrick(s, kLvl1, 2);
    removeBrick(s, kLvl1, 4);
    aim(s, kLvl1, c.left, c.top, c.stepX, c.stepY);
    const Json line = tick(s);
    EXPECT_EQ(var(line, kLvl1, "BallStepX"), c.wantX);
    EXPECT_EQ(var(line, kLvl1, "BallStepY"), c.wantY);
    EXPECT_EQ(num(line, kLvl1, "shpBall", "Left"), c.wantLeft);
    EXPECT_EQ(num(line, kLvl1, "shpBall", "Top"), c.wantTop);
    EXPECT_EQ(shown(line, kLvl1, "Brick(3)"), !c.hit);
    EXPECT_EQ(num(line, kLvl1, "Brick(3)", "Left"), c.hit ? -300 : 7080);
    EXPECT_EQ(caption(line, kLvl1, "lblScore"), c.hit ? "25" : "0");
  }
}

TEST(BrickBreakerBricks, EqualSmallestDepthsDecideTopThenRightThenLeftThenBottom) {
  expectOutcomes({
      // top 375+375-720 = 30, right 8295-8265 = 30, left 1560, bottom 840
      {"top and right equal: top", 8265, 375, -80, 90, true, 8265, 345, -80, -90},
      // top 30, left 6735+375-7080 = 30, right 1560
      {"top and left equal: top", 6735, 375, 80, 90, true, 6735, 345, 80, -90},
      // top 780+375-720 = 435, bottom 1215-780 = 435, right 795, left 795
      {"top and bottom equal: top", 7500, 780, 80, 90, true, 7500, 345, 80, -90},
      // bottom 1215-1185 = 30, right 30, top 840, left 1560
      {"right and bottom equal: right", 8265, 1185, -80, -90, true, 8295, 1185, 80, -90},
      // bottom 30, left 30, top 840, right 1560
      {"left and bottom equal: left", 6735, 1185, 80, -90, true, 6705, 1185, -80, -90},
  });
}

TEST(BrickBreakerBricks, DepthsAreRoundedToTheNearestEvenTwipBeforeTheyAreCompared) {
  expectOutcomes({
      // top 30.5 rounds to 30 and ties with right 30: top (rounding half up
      // would make it 31 and the right face would win)
      {"top 30.5 ties with right 30", 8265, 375.5f, -80, 90, true, 8265, 345, -80, -90},
      // right 8295-8265.5 = 29.5 rounds to 30 and ties with top 30: top
      // (truncating would make it 29 and the right face would win)
      {"right 29.5 ties with top 30", 8265.5f, 375, -80, 90, true, 8265.5f, 345, -80, -90},
      // top 376.5+375-720 = 31.5 rounds to 32, more than right 8295-8264 = 31:
      // right (truncating would make it 31, a tie, and the top face would win)
      {"top 31.5 loses to right 31", 8264, 376.5f, -80, 90, true, 8295, 376.5f, 80, 90},
  });
}

TEST(BrickBreakerBricks, RectanglesThatOnlyTouchDoNotHitAndOneTwipOfOverlapDoes) {
  expectOutcomes({
      {"bottom edge on the brick's top", 7500, 345, 80, 90, false, 7500, 345, 80, 90},
      // bottom 720.5 rounds to 720 (even)
      {"bottom edge at 720.5 rounds onto the top", 7500, 345.5f, 80, 90, false, 7500, 345.5f, 80,
       90},
      {"top edge on the brick's bottom", 7500, 1215, 80, -90, false, 7500, 1215, 80, -90},
      {"left edge on the brick's right", 8295, 800, -80, -90, false, 8295, 800, -80, -90},
      {"right edge on the brick's left", 6705, 800, 80, -90, false, 6705, 800, 80, -90},
      {"corner on the corner", 6705, 345, 80, 90, false, 6705, 345, 80, 90},
      {"one twip into the top", 7500, 346, 80, 90, true, 7500, 345, 80, -90},
      // bottom 720.75 rounds to 721: one twip of overlap; the top depth 0.75 rounds to 1
      {"bottom edge at 720.75 rounds into the top", 7500, 345.75f, 80, 90, true, 7500, 345, 80,
       -90},
      {"one twip into the right face", 8294, 800, -80, -90, true, 8295, 800, 80, -90},
  });
}

TEST(BrickBreakerBricks, BallCoveringTheSharedStripHitsBothBricksAndTheTwoReversalsCancel) {
  Session s;
  openLevel(s, 1);
  // Ball 8275..8650 x 800..1175 covers the strip 8280..8295 of Bricks 3 and 4.
  // Brick(3): right 20 is the least -> BallStepX -80 becomes 80, Left := 8295.
  // Rebuilt at 8295..8670, the ball overlaps Brick(4): top 455, bottom 415,
  // right 9495-8295 = 1200, left 8295+375-8280 = 390 -> left face,
  // BallStepX back to -80, Left := 8280 - 375 = 7905.
  aim(s, kLvl1, 8275, 800, -80, -90);
  const Json line = tick(s);
  EXPECT_EQ(var(line, kLvl1, "BallStepX"), -80);
  EXPECT_EQ(var(line, kLvl1, "BallStepY"), -90);
  EXPECT_EQ(num(line, kLvl1, "shpBall", "Left"), 7905);
  EXPECT_EQ(num(line, kLvl1, "shpBall", "Top"), 800);
  for (const char* b : {"Brick(3)", "Brick(4)"}) {
    EXPECT_FALSE(shown(line, kLvl1, b)) << b;
    EXPECT_EQ(num(line, kLvl1, b, "Left"), -300) << b;
  }
  EXPECT_EQ(caption(line, kLvl1, "lblScore"), "50");
}

TEST(BrickBreakerBricks, BallPlacedClearOfALaterBrickIsNotHitByItInTheSameScan) {
  Session s;
  openLevel(s, 1);
  // Ball 8100..8475 x 1195..1570 overlaps Bricks 3 and 4 from below. Brick(3):
  // top 850, bottom 20, right 195, left 1395 -> bottom face, Top := 1215.
  // Rebuilt at 1215..1590, the ball only touches Brick(4)'s bottom edge.
  aim(s, kLvl1, 8100, 1195, -80, -90);
  const Json line = tick(s);
  EXPECT_EQ(var(line, kLvl1, "BallStepY"), 90);
  EXPECT_EQ(num(line, kLvl1, "shpBall", "Top"), 1215);
  EXPECT_FALSE(shown(line, kLvl1, "Brick(3)"));
  EXPECT_TRUE(shown(line, kLvl1, "Brick(4)"));
  EXPECT_EQ(num(line, kLvl1, "Brick(4)", "Left"), 8280);
  EXPECT_EQ(caption(line, kLvl1, "lblScore"), "25");
}

TEST(BrickBreakerBricks, BrickEarlierInTheScanIsNotLookedAtAgainAfterThePlacement) {
  Session s;
  openLevel(s, 1);
  // Ball 8295..8670: its left edge is on Brick(3)'s right edge (no hit); in
  // Brick(4) the left depth 390 is the least, so the ball goes to 7905, deep
  // into Brick(3), which the scan has already passed.
  aim(s, kLvl1, 8295, 800, -80, -90);
  Json line = tick(s);
  EXPECT_EQ(var(line, kLvl1, "BallStepX"), 80);
  EXPECT_EQ(num(line, kLvl1, "shpBall", "Left"), 7905);
  EXPECT_TRUE(shown(line, kLvl1, "Brick(3)"));
  EXPECT_EQ(num(line, kLvl1, "Brick(3)", "Left"), 7080);
  EXPECT_FALSE(shown(line, kLvl1, "Brick(4)"));
  EXPECT_EQ(caption(line, kLvl1, "lblScore"), "25");

  // The next tick moves it to 7985 x 710 and finds Brick(3): top 365,
  // bottom 505, right 8295-7985 = 310, left 1280 -> right face.
  line = tick(s);
  EXPECT_EQ(var(line, kLvl1, "BallStepX"), -80);
  EXPECT_EQ(num(line, kLvl1, "shpBall", "Left"), 8295);
  EXPECT_EQ(num(line, kLvl1, "shpBall", "Top"), 710);
  EXPECT_FALSE(shown(line, kLvl1, "Brick(3)"));
  EXPECT_EQ(caption(line, kLvl1, "lblScore"), "50");
}

TEST(BrickBreakerBricks, RemovedBrickIsNeverHitAgainButAHiddenOneInPlaceIs) {
  Session s;
  openLevel(s, 1);
  aim(s, kLvl1, 7500, 1195, -80, -90);  // Brick(3) from below
  EXPECT_EQ(caption(tick(s), kLvl1, "lblScore"), "25");
  aim(s, kLvl1, 7500, 1195, -80, -90);  // where Brick(3) stood
  Json line = tick(s);
  EXPECT_EQ(var(line, kLvl1, "BallStepY"), -90);
  EXPECT_EQ(num(line, kLvl1, "shpBall", "Top"), 1195);
  EXPECT_EQ(caption(line, kLvl1, "lblScore"), "25");

  // Visible is not what makes a brick safe: hidden in its place, Brick(5)
  // (9480..10695) is hit like a standing one.
  brick(s, kLvl1, 5).Visible = false;
  aim(s, kLvl1, 9900, 1195, -80, -90);
  line = tick(s);
  EXPECT_EQ(var(line, kLvl1, "BallStepY"), 90);
  EXPECT_EQ(num(line, kLvl1, "shpBall", "Top"), 1215);
  EXPECT_EQ(num(line, kLvl1, "Brick(5)", "Left"), -300);
  EXPECT_EQ(caption(line, kLvl1, "lblScore"), "50");
}

TEST(BrickBreakerBricks, LevelsOneAndTwoRemoveABrickInOneHitWhateverItsColour) {
  for (int n : {1, 2}) {
    SCOPED_TRACE(n);
    const Level& lv = level(n);
    Session s;
    openLevel(s, n);
    // Brick(0) at 3480..4695 x 720..1215; on level 2 Brick(8) lies below it.
    if (n == 2) removeBrick(s, lv.screen, 8);
    brick(s, lv.screen, 0).FillColor = 0x0000C0;
    aim(s, lv.screen, 3900, 1195, -80, -90);
    const Json line = tick(s);
    EXPECT_FALSE(shown(line, lv.screen, "Brick(0)"));
    EXPECT_EQ(num(line, lv.screen, "Brick(0)", "Left"), -300);
    EXPECT_EQ(num(line, lv.screen, "Brick(0)", "FillColor"), kDarkRed);
    EXPECT_EQ(num(line, lv.screen, "shpBall", "Top"), 1215);
    EXPECT_EQ(caption(line, lv.screen, "lblScore"), n == 1 ? "25" : "225");
  }
}

// Strikes each brick from below, one a tick, in the order given; returns the
// score caption after each tick but the last, and the last tick's line.
std::vector<std::string> strikeFromBelow(Session& s, const Level& lv, const std::vector<int>& order,
                                         Json& last) {
  std::vector<std::string> scores;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const int i = order[k];
    // 420 in from the brick's left edge, 20 up into it: clear of its neighbours.
    aim(s, lv.screen, brickLeft(lv.number, i) + 420, brickTop(lv.number, i) + kBrickHeight - 20,
        -80, -90);
    last = tick(s);
    if (k + 1 < order.size()) scores.push_back(caption(last, lv.screen, "lblScore"));
  }
  return scores;
}

TEST(BrickBreakerBricks, ScoreRisesByTwentyFivePerBrickOnEachLevel) {
  Session s;
  openLevel(s, 1);
  Json last;
  EXPECT_EQ(strikeFromBelow(s, level(1), {0, 1, 2, 3, 4, 5, 6, 7}, last),
            (std::vector<std::string>{"25", "50", "75", "100", "125", "150", "175"}));
  expectDesignState(last, level(2));

  // Level 2 from below: the low row first, then the zigzag, then the top row.
  EXPECT_EQ(
      strikeFromBelow(s, level(2), {8, 9, 10, 11, 1, 3, 5, 7, 0, 2, 4, 6, 12, 13, 14, 15}, last),
      (std::vector<std::string>{"225", "250", "275", "300", "325", "350", "375", "400", "425",
                                "450", "475", "500", "525", "550", "575"}));
  expectDesignState(last, level(3));

  // Level 3: the two bottom rows, sixteen removals, bring 600 to 1000.
  EXPECT_EQ(
      strikeFromBelow(s, level(3),
                      {40, 41, 42, 43, 44, 45, 46, 47, 32, 33, 34, 35, 36, 37, 38, 39, 31}, last),
      (std::vector<std::string>{"625", "650", "675", "700", "725", "750", "775", "800", "825",
                                "850", "875", "900", "925", "950", "975", "1000"}));
  EXPECT_EQ(caption(last, kLvl3, "lblScore"), "1025");
}

// ---- moving on ----

// Level n's last standing brick is Brick(3), struck on its right face; Brick(4),
// hidden but still in place, would be struck next if the scan went on.
// Level 1: ball (8275, 800) as in the strip case above.
// Level 2: Brick(3) 7080..8295 x 1080..1575, Brick(4) 8280..9495 x 720..1215;
// ball (8275, 850): top 145, bottom 725, right 20, left 1570 -> right face,
// Left := 8295, which overlaps Brick(4) (bottom depth 1215-850 = 365 least).
void leaveOnlyBrick3(Session& s, const Level& lv, const char* scoreBefore) {
  removeBricksExcept(s, lv, {3, 4});
  brick(s, lv.screen, 4).Visible = false;
  s.control(lv.screen, "lblScore").Caption = scoreBefore;
  aim(s, lv.screen, 8275, lv.number == 1 ? 800 : 850, -80, -90);
}

TEST(BrickBreakerAdvance, ClearingLevelOneOpensLevelTwoFromItsDesignInTheSameTick) {
  Session s;
  openLevel(s, 1);
  s.run("keydown 39\nkeydown 32");  // steps, paddle and lives are not carried over
  s.control(kLvl1, "lbllives").Caption = "2";
  leaveOnlyBrick3(s, level(1), "175");
  const std::size_t before = s.mark();
  s.run("ticks 1");
  ASSERT_EQ(s.mark(), before + 1);
  const Json line = s.last();
  EXPECT_EQ(line["t"].get<double>(), 15'625);
  EXPECT_EQ(line["event"].get<std::string>(), "Timer1_Timer");
  EXPECT_EQ(line["screen"].get<std::string>(), kLvl1);  // the level that ticked
  EXPECT_FALSE(line["screens"].contains(kLvl1));
  EXPECT_FALSE(line["screens"][kMain]["visible"].get<bool>());
  EXPECT_EQ(line["focus"].get<std::string>(), kLvl2);
  expectDesignState(line, level(2));
  EXPECT_EQ(s.screen(kLvl2)->design().caption, "Kestrin Brick Breaker Level 2");

  // Level 2's timer runs from its load; the ball waits; keys reach level 2.
  const Json next = tick(s);
  EXPECT_EQ(next["t"].get<double>(), 31'250);
  EXPECT_EQ(next["screen"].get<std::string>(), kLvl2);
  EXPECT_EQ(num(next, kLvl2, "shpBall", "Left"), 7800);
  EXPECT_EQ(num(next, kLvl2, "shpBall", "Top"), 8520);
  s.run("keydown 32");
  EXPECT_EQ(s.last()["screen"].get<std::string>(), kLvl2);
  EXPECT_EQ(var(s.last(), kLvl2, "BallStepX"), -80);
  EXPECT_EQ(var(s.last(), kLvl2, "BallStepY"), -90);
}

TEST(BrickBreakerAdvance, ClearingLevelTwoOpensLevelThreeFromItsDesignInTheSameTick) {
  Session s;
  openLevel(s, 2);
  s.run("keydown 37\nkeydown 32");
  leaveOnlyBrick3(s, level(2), "575");
  const std::size_t before = s.mark();
  s.run("ticks 1");
  ASSERT_EQ(s.mark(), before + 1);
  const Json line = s.last();
  EXPECT_EQ(line["t"].get<double>(), 31'250);  // level 2 was loaded at 15625
  EXPECT_EQ(line["screen"].get<std::string>(), kLvl2);
  EXPECT_FALSE(line["screens"].contains(kLvl2));
  EXPECT_FALSE(line["screens"].contains(kLvl1));
  EXPECT_EQ(line["focus"].get<std::string>(), kLvl3);
  expectDesignState(line, level(3));
  EXPECT_EQ(s.screen(kLvl3)->design().caption, "Form1");
  EXPECT_EQ(tick(s)["screen"].get<std::string>(), kLvl3);
}

// The program with a probe that runs as each screen is made: when a tick
// opens the next level, the probe sees what the tick left on the level it
// is closing, which the trace never shows.
class TestClock final : public Clock {
 public:
  std::int64_t now() const override { return time; }
  std::int64_t time = 0;
};

class SilentHost final : public Host {
 public:
  void messageBox(std::string_view, std::string_view) override {}
};

struct Bench {
  SilentHost host;
  TestClock clock;
  Program program{host, clock, std::string(kProgramTitle)};
  // Runs as a screen is made, before its Form exists.
  std::function<void(std::string_view screen)> probe;

  Bench() {
    addKestrinScreensThrough(program, [this](std::string_view screen, FormFactory factory) {
      return [this, screen, factory = std::move(factory)](Screen& s) {
        if (probe) probe(screen);
        return factory(s);
      };
    });
    program.start(kFirstScreen);
    program.click(kMain, "Image1");
  }
  Form& form(const std::string& screen) {
    Screen* s = program.findScreen(screen);
    if (s == nullptr || s->form() == nullptr) throw std::runtime_error(screen + " not loaded");
    return *s->form();
  }
  static Control& at(Form& f, std::string_view name, int index = -1) {
    return *f.find(name, index);
  }
  static Integer& step(Form& f, std::string_view name) {
    for (const Form::Variable& v : f.variables()) {
      if (v.name == name) return *v.value;
    }
    throw std::runtime_error("no variable");
  }
  void aimAt(Form& f, float left, float top, int sx, int sy) {
    step(f, "BallStepX") = sx;
    step(f, "BallStepY") = sy;
    at(f, "shpBall").Left = left - static_cast<float>(sx);
    at(f, "shpBall").Top = top - static_cast<float>(sy);
  }
  void runTick() {
    clock.time = program.nextTickDue().value();
    ASSERT_TRUE(program.tick().has_value());
  }
  // Clears a level through the model and its last brick.
  void clear(const Level& lv, int lastBrick, float left, float top) {
    Form& f = form(lv.screen);
    for (int i = 0; i < lv.bricks; ++i) {
      if (i == lastBrick) continue;
      at(f, "Brick", i).Visible = false;
      at(f, "Brick", i).Left = -300;
    }
    aimAt(f, left, top, -80, -90);
    runTick();
  }
};

struct Closed {
  bool seen = false;
  std::string score;
  bool brick4Visible = true;
  float brick4Left = 0;
  int stepX = 0;
  float ballLeft = 0;
};

Closed strikeBrick3AndLook(Bench& bench, const Level& lv, const char* scoreBefore) {
  Form& f = bench.form(lv.screen);
  const Screen& screen = f.screen();
  for (int i = 0; i < lv.bricks; ++i) {
    if (i == 3 || i == 4) continue;
    Bench::at(f, "Brick", i).Visible = false;
    Bench::at(f, "Brick", i).Left = -300;
  }
  Bench::at(f, "Brick", 4).Visible = false;
  Bench::at(f, "lblScore").Caption = scoreBefore;
  bench.aimAt(f, 8275, lv.number == 1 ? 800 : 850, -80, -90);
  Closed closed;
  // As the next level is made, inside the tick's handler, while this
  // level's Form still exists: the handler touches nothing of it after.
  bench.probe = [&](std::string_view made) {
    if (made == screen.name()) return;
    closed.seen = true;
    closed.score = Bench::at(f, "lblScore").Caption;
    closed.brick4Visible = Bench::at(f, "Brick", 4).Visible;
    closed.brick4Left = Bench::at(f, "Brick", 4).Left;
    closed.stepX = Bench::step(f, "BallStepX");
    closed.ballLeft = Bench::at(f, "shpBall").Left;
  };
  bench.runTick();
  bench.probe = nullptr;
  return closed;
}

TEST(BrickBreakerAdvance, TickThatClearsALevelWritesItsScoreAndExaminesNoLaterBrick) {
  for (int n : {1, 2}) {
    SCOPED_TRACE(n);
    Bench bench;
    if (n == 2) bench.clear(level(1), 7, 12300, 1195);
    const Closed closed = strikeBrick3AndLook(bench, level(n), n == 1 ? "175" : "575");
    ASSERT_TRUE(closed.seen) << "the probe never saw the next level made";
    EXPECT_EQ(closed.score, n == 1 ? "200" : "600");
    // One reversal and one placement: Brick(3)'s right face only.
    EXPECT_EQ(closed.stepX, 80);
    EXPECT_EQ(closed.ballLeft, 8295);
    // Brick(4), overlapped after the placement, was not examined.
    EXPECT_FALSE(closed.brick4Visible);
    EXPECT_EQ(closed.brick4Left, 8280);
    EXPECT_NE(bench.program.findScreen(level(n + 1).screen)->form(), nullptr);
  }
}

// ---- level 3: two-hit bricks and the end ----

TEST(BrickBreakerLevel3, DarkRedBrickFirstTurnsBrownAndBouncesThenGoesOnTheSecondHit) {
  Session s;
  openLevel(s, 3);
  // Brick(3): 7200..8415 x 840..1335. Ball (7500, 1315): bottom 20, top 850,
  // right 915, left 675 -> bottom face.
  for (int i : {2, 4, 10, 11, 12}) removeBrick(s, kLvl3, i);
  aim(s, kLvl3, 7500, 1315, -80, -90);
  Json line = tick(s);
  EXPECT_EQ(var(line, kLvl3, "BallStepY"), 90);
  EXPECT_EQ(var(line, kLvl3, "BallStepX"), -80);
  EXPECT_EQ(num(line, kLvl3, "shpBall", "Left"), 7500);  // not moved
  EXPECT_EQ(num(line, kLvl3, "shpBall", "Top"), 1315);
  EXPECT_EQ(num(line, kLvl3, "Brick(3)", "FillColor"), kBrown);
  EXPECT_TRUE(shown(line, kLvl3, "Brick(3)"));
  EXPECT_EQ(num(line, kLvl3, "Brick(3)", "Left"), 7200);
  EXPECT_EQ(caption(line, kLvl3, "lblScore"), "600");

  aim(s, kLvl3, 7500, 1315, -80, -90);
  line = tick(s);
  EXPECT_EQ(var(line, kLvl3, "BallStepY"), 90);
  EXPECT_EQ(num(line, kLvl3, "shpBall", "Top"), 1335);  // under the brick
  EXPECT_FALSE(shown(line, kLvl3, "Brick(3)"));
  EXPECT_EQ(num(line, kLvl3, "Brick(3)", "Left"), -300);
  EXPECT_EQ(caption(line, kLvl3, "lblScore"), "625");
}

TEST(BrickBreakerLevel3, BrickOfAnyOtherColourOnlyTurnsTheBall) {
  Session s;
  openLevel(s, 3);
  for (int i : {2, 4, 10, 11, 12}) removeBrick(s, kLvl3, i);
  brick(s, kLvl3, 3).FillColor = 0x0000FF;
  aim(s, kLvl3, 7500, 1315, -80, -90);
  const Json line = tick(s);
  EXPECT_EQ(var(line, kLvl3, "BallStepY"), 90);
  EXPECT_EQ(num(line, kLvl3, "shpBall", "Top"), 1315);
  EXPECT_EQ(num(line, kLvl3, "Brick(3)", "FillColor"), 0x0000FF);
  EXPECT_TRUE(shown(line, kLvl3, "Brick(3)"));
  EXPECT_EQ(num(line, kLvl3, "Brick(3)", "Left"), 7200);
  EXPECT_EQ(caption(line, kLvl3, "lblScore"), "600");
}

void expectYouWin(Session& s, std::size_t before) {
  const std::vector<Json> out = s.since(before);
  ASSERT_EQ(out.size(), 2u) << "the box, then the end, and no line of the tick itself";
  EXPECT_EQ(out[0]["msgbox"].size(), 2u);
  EXPECT_EQ(out[0]["msgbox"]["text"].get<std::string>(), "You Win");
  EXPECT_EQ(out[0]["msgbox"]["title"].get<std::string>(), "Kestrin");
  EXPECT_EQ(out[1]["event"].get<std::string>(), "end");
  EXPECT_EQ(out[0]["t"].get<double>(), out[1]["t"].get<double>());
  EXPECT_TRUE(s.ended());
  s.run("ticks 5\nkeydown 32");
  EXPECT_EQ(s.mark(), before + 2);
}

TEST(BrickBreakerLevel3, YouWinAsSoonAsTheFirstSixteenBricksAreGone) {
  Session s;
  openLevel(s, 3);
  // Bricks 0..14 gone, 15 (12000..13215 x 1320..1815) brown, 16..47 standing.
  // Ball (11645, 1400): left 20, right 1570, top 455, bottom 415 -> left face.
  for (int i = 0; i < 15; ++i) removeBrick(s, kLvl3, i);
  s.control(kLvl3, "lblScore").Caption = "975";
  aim(s, kLvl3, 11645, 1400, 80, -90);
  const std::size_t before = s.mark();
  s.run("ticks 1");
  expectYouWin(s, before);
}

TEST(BrickBreakerLevel3, CompletionIsTestedAfterEveryHitEvenAMereChangeOfColour) {
  Session s;
  openLevel(s, 3);
  // Brick(0) hidden in place and still dark red; all other of 0..15 gone.
  for (int i = 1; i < 16; ++i) removeBrick(s, kLvl3, i);
  brick(s, kLvl3, 0).Visible = false;
  aim(s, kLvl3, 4000, 1315, -80, -90);  // Brick(0) 3600..4815 x 840..1335, from below
  const std::size_t before = s.mark();
  s.run("ticks 1");
  expectYouWin(s, before);
}

TEST(BrickBreakerLevel3, NoWinWhileAnyOfTheFirstSixteenStands) {
  {
    SCOPED_TRACE("Brick(15) standing, a brick of the lower rows removed");
    Session s;
    openLevel(s, 3);
    for (int i = 0; i < 15; ++i) removeBrick(s, kLvl3, i);
    aim(s, kLvl3, 4020, 3715, -80, -90);  // Brick(40) 3600..4815 x 3240..3735, from below
    const Json line = tick(s);
    EXPECT_FALSE(shown(line, kLvl3, "Brick(40)"));
    EXPECT_EQ(caption(line, kLvl3, "lblScore"), "625");
    EXPECT_FALSE(s.ended());
  }
  {
    SCOPED_TRACE("the last of them dark red: its first hit only turns it brown");
    Session s;
    openLevel(s, 3);
    for (int i = 0; i < 16; ++i) {
      if (i != 7) removeBrick(s, kLvl3, i);
    }
    aim(s, kLvl3, 12300, 1315, -80, -90);  // Brick(7) 12000..13215 x 840..1335
    const Json line = tick(s);
    EXPECT_EQ(num(line, kLvl3, "Brick(7)", "FillColor"), kBrown);
    EXPECT_TRUE(shown(line, kLvl3, "Brick(7)"));
    EXPECT_EQ(var(line, kLvl3, "BallStepY"), 90);
    EXPECT_FALSE(s.ended());
  }
}

}  // namespace
}  // namespace kestrin::test::bb
