// The Brick Breaker play loop: keys, ball and paddle motion, walls, the
// paddle bounce, losing a ball, Reset and Game Over, on every level.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/brickbreaker/levels.h"

namespace kestrin::test::bb {
namespace {

constexpr double kPeriod = 15'625;  // microseconds: 64 ticks a second

// ---- level 1 ----

TEST(BrickBreakerPlayLoop, LauncherClickOpensLevelOneFromItsDesignAndTicksOnePeriodLater) {
  Session s;
  s.run("wait 10\nclick Main Image1");
  const Json click = s.last();
  EXPECT_EQ(click["event"].get<std::string>(), "Image1_Click");
  EXPECT_EQ(click["screen"].get<std::string>(), kMain);
  EXPECT_FALSE(click["screens"][kMain]["visible"].get<bool>());
  EXPECT_EQ(click["focus"].get<std::string>(), kLvl1);
  expectDesignState(click, level(1));
  EXPECT_EQ(s.screen(kLvl1)->design().caption, "Kestrin Brick Breaker");

  const std::size_t before = s.mark();
  s.run("wait 15.624");
  EXPECT_EQ(s.mark(), before) << "no tick before a whole period";
  s.run("wait 0.001");
  ASSERT_EQ(s.mark(), before + 1);
  EXPECT_EQ(s.last()["t"].get<double>(), 25'625);  // 10000 + 15625
  EXPECT_EQ(s.last()["event"].get<std::string>(), "Timer1_Timer");
  EXPECT_EQ(s.last()["screen"].get<std::string>(), kLvl1);
  EXPECT_EQ(tick(s)["t"].get<double>(), 41'250);
}

TEST(BrickBreakerPlayLoop, BallRestsBeforeLaunchWhileThePaddleMovesAndStopsAtTheSides) {
  Session s;
  openLevel(s, 1);
  s.run("keydown 37");
  std::vector<double> lefts;
  for (int k = 1; k <= 40; ++k) {
    const Json l = tick(s);
    lefts.push_back(num(l, kLvl1, "Paddle", "Left"));
    EXPECT_EQ(num(l, kLvl1, "Paddle", "Top"), 9000);
    EXPECT_EQ(num(l, kLvl1, "shpBall", "Left"), 7680);
    EXPECT_EQ(num(l, kLvl1, "shpBall", "Top"), 8520);
    EXPECT_EQ(var(l, kLvl1, "BallStepX"), 0);
    EXPECT_EQ(var(l, kLvl1, "BallStepY"), 0);
    EXPECT_TRUE(shown(l, kLvl1, "lblStart"));
  }
  // 7320 - 100 k: 3620, 3520 after 37, 38 ticks; the 39th gives 3420 <= 3480,
  // so the paddle stands on the playfield's left edge.
  EXPECT_EQ(lefts[36], 3620);
  EXPECT_EQ(lefts[37], 3520);
  EXPECT_EQ(lefts[38], 3480);
  EXPECT_EQ(lefts[39], 3480);

  s.run("keyup 37");
  EXPECT_EQ(num(tick(s), kLvl1, "Paddle", "Left"), 3480);

  // 3480 + 100 k: 11780 after 83 ticks; at 84 its right edge, 11880 + 1215,
  // is on the playfield's right edge 13095, and there it stays.
  s.run("keydown 39\nticks 82");
  EXPECT_EQ(num(tick(s), kLvl1, "Paddle", "Left"), 11780);
  EXPECT_EQ(num(tick(s), kLvl1, "Paddle", "Left"), 11880);
  EXPECT_EQ(num(tick(s), kLvl1, "Paddle", "Left"), 11880);
}

TEST(BrickBreakerPlayLoop, SpaceAtRestLaunchesUpAndLeftAndHidesTheStartLabel) {
  Session s;
  openLevel(s, 1);
  s.run("keydown 32 1");  // the shift state is ignored
  const Json key = s.last();
  EXPECT_EQ(key["event"].get<std::string>(), "Form_KeyDown");
  EXPECT_EQ(key["screen"].get<std::string>(), kLvl1);
  EXPECT_EQ(var(key, kLvl1, "BallStepX"), -80);
  EXPECT_EQ(var(key, kLvl1, "BallStepY"), -90);
  EXPECT_EQ(var(key, kLvl1, "PaddleStep"), 0);
  EXPECT_FALSE(shown(key, kLvl1, "lblStart"));

  Json l = tick(s);
  EXPECT_EQ(num(l, kLvl1, "shpBall", "Left"), 7600);
  EXPECT_EQ(num(l, kLvl1, "shpBall", "Top"), 8430);
  l = tick(s);
  EXPECT_EQ(num(l, kLvl1, "shpBall", "Left"), 7520);
  EXPECT_EQ(num(l, kLvl1, "shpBall", "Top"), 8340);
}

TEST(BrickBreakerPlayLoop, SpaceDoesNothingUnlessBothBallStepsAreZero) {
  Session s;
  openLevel(s, 1);
  s.run("keydown 32\nkeyup 32\nticks 3");
  // The label is shown again by hand so that a second launch would show.
  s.control(kLvl1, "lblStart").Visible = true;
  s.setVar(kLvl1, "BallStepX", 80);
  s.setVar(kLvl1, "BallStepY", 90);
  s.run("keydown 32");
  EXPECT_EQ(var(s.last(), kLvl1, "BallStepX"), 80);
  EXPECT_EQ(var(s.last(), kLvl1, "BallStepY"), 90);
  EXPECT_TRUE(shown(s.last(), kLvl1, "lblStart"));

  s.setVar(kLvl1, "BallStepX", 0);  // one step zero is not at rest
  s.run("keydown 32");
  EXPECT_EQ(var(s.last(), kLvl1, "BallStepX"), 0);
  EXPECT_EQ(var(s.last(), kLvl1, "BallStepY"), 90);
  EXPECT_TRUE(shown(s.last(), kLvl1, "lblStart"));
}

TEST(BrickBreakerPlayLoop, OnlyTheArrowsSetThePaddleStepAndReleasingEitherStopsIt) {
  Session s;
  openLevel(s, 1);
  const auto step = [&](const std::string& keys) {
    s.run(keys);
    return var(s.last(), kLvl1, "PaddleStep");
  };
  EXPECT_EQ(step("keydown 38"), 0);
  EXPECT_EQ(step("keydown 40"), 0);
  EXPECT_EQ(step("keydown 13"), 0);
  EXPECT_EQ(step("keydown 37"), -100);
  EXPECT_EQ(step("keydown 39"), 100);  // left still held
  EXPECT_EQ(step("keyup 37"), 0);      // right still held, yet the paddle stands
  EXPECT_EQ(num(tick(s), kLvl1, "Paddle", "Left"), 7320);

  EXPECT_EQ(step("keydown 39 1"), 100);
  EXPECT_EQ(step("keyup 32"), 100);
  EXPECT_EQ(step("keyup 38"), 100);
  EXPECT_EQ(step("keyup 39"), 0);

  // Repeats set the same step: no acceleration.
  EXPECT_EQ(step("keydown 37\nkeydown 37\nkeydown 37"), -100);
  EXPECT_EQ(num(tick(s), kLvl1, "Paddle", "Left"), 7220);
  EXPECT_EQ(num(tick(s), kLvl1, "Paddle", "Left"), 7120);
}

TEST(BrickBreakerPlayLoop, LivesReadingZeroOrBelowEndTheGameAtTheNextTick) {
  for (const char* lives : {"0", "-1"}) {
    SCOPED_TRACE(lives);
    Session s;
    openLevel(s, 1);
    s.control(kLvl1, "lbllives").Caption = lives;
    const std::size_t before = s.mark();
    s.run("ticks 1");
    const std::vector<Json> out = s.since(before);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0]["msgbox"]["text"].get<std::string>(), "Game Over");
    EXPECT_EQ(out[0]["msgbox"]["title"].get<std::string>(), "Kestrin Brick Breaker");
    EXPECT_EQ(out[1]["event"].get<std::string>(), "end");
    EXPECT_TRUE(s.ended());
  }
  Session s;
  openLevel(s, 1);
  s.control(kLvl1, "lbllives").Caption = "1";
  EXPECT_EQ(caption(tick(s), kLvl1, "lbllives"), "1");
  EXPECT_FALSE(s.ended());
}

// ---- every level ----

class PlayLoopOnEveryLevel : public ::testing::TestWithParam<int> {
 protected:
  const Level& lv = level(GetParam());
};

TEST_P(PlayLoopOnEveryLevel, PaddleStopsExactlyOnThePlayfieldSides) {
  Session s;
  openLevel(s, lv.number);
  s.run("keydown 37\nticks 60");
  EXPECT_EQ(num(s.last(), lv.screen, "Paddle", "Left"), lv.fieldLeft);
  s.run("keydown 39\nticks 100");
  EXPECT_EQ(num(s.last(), lv.screen, "Paddle", "Left"), lv.fieldRight - kPaddleWidth);
  EXPECT_EQ(num(s.last(), lv.screen, "Paddle", "Top"), lv.paddleTop);

  // Set past either edge, it is brought back onto it in one tick.
  s.run("keyup 39");
  paddle(s, lv.screen).Left = lv.fieldLeft - 1;
  EXPECT_EQ(num(tick(s), lv.screen, "Paddle", "Left"), lv.fieldLeft);
  paddle(s, lv.screen).Left = lv.fieldRight - kPaddleWidth + 1;
  EXPECT_EQ(num(tick(s), lv.screen, "Paddle", "Left"), lv.fieldRight - kPaddleWidth);
}

TEST_P(PlayLoopOnEveryLevel, WallsTurnTheBallWhenItsEdgeReachesThePlayfieldEdge) {
  Session s;
  openLevel(s, lv.number);
  removeBricksExcept(s, lv, {});
  const float l = lv.fieldLeft;
  const float r = lv.fieldRight;
  const float t = lv.fieldTop;
  const float b = lv.fieldBottom;
  const float mid = 5000;  // clear of the paddle and of every wall
  struct Case {
    const char* what;
    float left, top;  // where the move brings the ball
    int stepX, stepY;
    int wantX, wantY;
  };
  const Case cases[] = {
      {"right edge on the wall", r - kBall, mid, 80, -90, -80, -90},
      {"right edge one twip short", r - kBall - 1, mid, 80, -90, 80, -90},
      {"left edge on the wall", l, mid, -80, -90, 80, -90},
      {"left edge one twip short", l + 1, mid, -80, -90, -80, -90},
      {"left edge past the wall, left where it is", l - 60, mid, -80, -90, 80, -90},
      {"past the left wall moving right: negated all the same", l - 10, mid, 80, -90, -80, -90},
      {"top on the wall", mid, t, -80, -90, -80, 90},
      {"top one twip short", mid, t + 1, -80, -90, -80, -90},
      {"top-right corner turns both steps", r - kBall, t, 80, -90, -80, 90},
      {"bottom one twip short is not lost", mid, b - kBall - 1, 80, 90, 80, 90},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    aim(s, lv.screen, c.left, c.top, c.stepX, c.stepY);
    const Json line = tick(s);
    EXPECT_EQ(var(line, lv.screen, "BallStepX"), c.wantX);
    EXPECT_EQ(var(line, lv.screen, "BallStepY"), c.wantY);
    // Walls turn the ball; they never move it.
    EXPECT_EQ(num(line, lv.screen, "shpBall", "Left"), c.left);
    EXPECT_EQ(num(line, lv.screen, "shpBall", "Top"), c.top);
    EXPECT_FALSE(shown(line, lv.screen, "lblLostLife"));
    EXPECT_TRUE(ctl(line, lv.screen, "Timer1")["Enabled"].get<bool>());
    EXPECT_EQ(caption(line, lv.screen, "lbllives"), "3");
  }
}

TEST_P(PlayLoopOnEveryLevel, BallLostAtTheBottomCostsOneLifeStopsTheTimerAndWaitsForReset) {
  Session s;
  openLevel(s, lv.number);
  s.run("keydown 32");                // launched: the start label is gone
  s.run("keydown 39");                // the paddle is moving right
  const Json lost = loseBall(s, lv);  // bottom edge lands exactly on the playfield's
  EXPECT_EQ(num(lost, lv.screen, "shpBall", "Left"), lv.fieldLeft + 520);
  EXPECT_EQ(num(lost, lv.screen, "shpBall", "Top"), lv.fieldBottom - kBall);
  EXPECT_EQ(var(lost, lv.screen, "BallStepX"), 80);
  EXPECT_EQ(var(lost, lv.screen, "BallStepY"), -90);
  EXPECT_TRUE(shown(lost, lv.screen, "lblLostLife"));
  EXPECT_TRUE(shown(lost, lv.screen, "cmdReset"));
  EXPECT_FALSE(ctl(lost, lv.screen, "Timer1")["Enabled"].get<bool>());
  EXPECT_EQ(caption(lost, lv.screen, "lbllives"), "2");
  EXPECT_EQ(num(lost, lv.screen, "Paddle", "Left"), lv.paddleLeft + 100);  // moved once more
  if (lv.number == 3) {
    EXPECT_FALSE(shown(lost, lv.screen, "imgBanana"));
  } else {
    EXPECT_FALSE(lost["screens"][lv.screen]["controls"].contains("imgBanana"));
  }

  std::size_t before = s.mark();
  s.run("ticks 20");
  EXPECT_EQ(s.mark(), before) << "no tick while the ball is lost";

  s.run("wait 3.5");  // off the timer's old grid
  const double clickedAt = static_cast<double>(s.now());
  s.run("click " + lv.screen + " cmdReset");
  const Json reset = s.last();
  EXPECT_EQ(reset["event"].get<std::string>(), "cmdReset_Click");
  EXPECT_EQ(reset["screen"].get<std::string>(), lv.screen);
  EXPECT_EQ(num(reset, lv.screen, "shpBall", "Left"), 7320);
  EXPECT_EQ(num(reset, lv.screen, "shpBall", "Top"), 6840);
  EXPECT_FALSE(shown(reset, lv.screen, "lblLostLife"));
  EXPECT_FALSE(shown(reset, lv.screen, "cmdReset"));
  EXPECT_FALSE(shown(reset, lv.screen, "lblStart"));
  EXPECT_TRUE(ctl(reset, lv.screen, "Timer1")["Enabled"].get<bool>());
  EXPECT_EQ(caption(reset, lv.screen, "lbllives"), "2");
  EXPECT_EQ(var(reset, lv.screen, "BallStepX"), 80);
  EXPECT_EQ(var(reset, lv.screen, "BallStepY"), -90);
  EXPECT_EQ(var(reset, lv.screen, "PaddleStep"), 100);
  EXPECT_EQ(num(reset, lv.screen, "Paddle", "Left"), lv.paddleLeft + 100);
  EXPECT_EQ(reset["focus"].get<std::string>(), lv.screen);  // the hidden button gave the focus back

  before = s.mark();
  s.run("wait 15.624");
  EXPECT_EQ(s.mark(), before);
  s.run("wait 0.001");
  ASSERT_EQ(s.mark(), before + 1);
  const Json next = s.last();
  EXPECT_EQ(next["t"].get<double>(), clickedAt + kPeriod);
  EXPECT_EQ(num(next, lv.screen, "shpBall", "Left"), 7400);
  EXPECT_EQ(num(next, lv.screen, "shpBall", "Top"), 6750);
  EXPECT_EQ(num(next, lv.screen, "Paddle", "Left"), lv.paddleLeft + 200);
  EXPECT_EQ(caption(next, lv.screen, "lbllives"), "2");

  // Space after Reset reaches the screen and does nothing.
  s.run("keydown 32");
  EXPECT_EQ(s.last()["event"].get<std::string>(), "Form_KeyDown");
  EXPECT_EQ(var(s.last(), lv.screen, "BallStepX"), 80);
  EXPECT_EQ(var(s.last(), lv.screen, "BallStepY"), -90);
}

TEST_P(PlayLoopOnEveryLevel, ThirdLostBallShowsGameOverAndEndsTheProgram) {
  Session s;
  openLevel(s, lv.number);
  s.run("keydown 32");
  EXPECT_EQ(caption(loseBall(s, lv), lv.screen, "lbllives"), "2");
  s.run("click " + lv.screen + " cmdReset");
  EXPECT_EQ(caption(loseBall(s, lv), lv.screen, "lbllives"), "1");
  s.run("click " + lv.screen + " cmdReset");

  const double due = static_cast<double>(s.now()) + kPeriod;
  aim(s, lv.screen, lv.fieldLeft + 520, lv.fieldBottom - kBall, 80, 90);
  const std::size_t before = s.mark();
  s.run("ticks 1");
  const std::vector<Json> out = s.since(before);
  ASSERT_EQ(out.size(), 2u) << "the box, then the end, and no line of the tick itself";
  EXPECT_EQ(out[0]["t"].get<double>(), due);
  EXPECT_EQ(out[0].size(), 2u);
  EXPECT_EQ(out[0]["msgbox"].size(), 2u);
  EXPECT_EQ(out[0]["msgbox"]["text"].get<std::string>(), "Game Over");
  EXPECT_EQ(out[0]["msgbox"]["title"].get<std::string>(), "Kestrin Brick Breaker");
  EXPECT_EQ(out[1]["t"].get<double>(), due);
  EXPECT_EQ(out[1]["event"].get<std::string>(), "end");
  EXPECT_EQ(out[1].size(), 2u);
  EXPECT_TRUE(s.ended());

  s.run("ticks 10\nkeydown 32\nclick " + lv.screen + " cmdReset\nclick Main Image1");
  EXPECT_EQ(s.mark(), before + 2) << "nothing runs after the end";
}

TEST_P(PlayLoopOnEveryLevel, PaddleBouncesOnlyOnARealOverlapAndAlwaysUpward) {
  const float x = lv.paddleLeft + 400;
  const float p = lv.paddleTop;  // 9000 or 9600: even, so a half rounds down to it
  struct Case {
    const char* what;
    float top;  // where the move brings the ball's top
    int stepY;
    int wantY;
  };
  const Case cases[] = {
      {"bottom edge on the paddle's top", p - kBall, 90, 90},
      {"bottom edge half a twip in rounds back onto the top", p - kBall + 0.5f, 90, 90},
      {"bottom edge three quarters in rounds to one twip of overlap", p - kBall + 0.75f, 90, -90},
      {"one twip of overlap while falling turns it up", p - kBall + 1, 90, -90},
      {"one twip of overlap while rising keeps it rising", p - kBall + 1, -90, -90},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Session s;
    openLevel(s, lv.number);
    s.run("keydown 32");
    aim(s, lv.screen, x, c.top, 80, c.stepY);
    const Json line = tick(s);
    EXPECT_EQ(var(line, lv.screen, "BallStepY"), c.wantY);
    EXPECT_EQ(var(line, lv.screen, "BallStepX"), 80);  // never changed by the paddle
    EXPECT_EQ(num(line, lv.screen, "shpBall", "Top"), c.top);
    EXPECT_EQ(num(line, lv.screen, "shpBall", "Left"), x);
  }
}

TEST_P(PlayLoopOnEveryLevel, BounceTestsThePaddleAfterItHasMovedAndBeenHeldInTheField) {
  const float p = lv.paddleTop;
  {
    SCOPED_TRACE("paddle moving left onto the ball");
    Session s;
    openLevel(s, lv.number);
    s.run("keydown 32\nkeydown 37");
    // The moved paddle starts at paddleLeft - 100; the ball's right edge is
    // one twip past that, and 99 twips short of where the paddle was.
    aim(s, lv.screen, lv.paddleLeft - 100 - kBall + 1, p - 100, 80, 90);
    const Json line = tick(s);
    EXPECT_EQ(num(line, lv.screen, "Paddle", "Left"), lv.paddleLeft - 100);
    EXPECT_EQ(var(line, lv.screen, "BallStepY"), -90);
  }
  {
    SCOPED_TRACE("paddle standing: the same ball misses it");
    Session s;
    openLevel(s, lv.number);
    s.run("keydown 32");
    aim(s, lv.screen, lv.paddleLeft - 100 - kBall + 1, p - 100, 80, 90);
    EXPECT_EQ(var(tick(s), lv.screen, "BallStepY"), 90);
  }
  {
    SCOPED_TRACE("paddle pushed past the left wall and held on it");
    Session s;
    openLevel(s, lv.number);
    s.run("keydown 32\nkeydown 37");
    // From fieldLeft + 50 the move gives fieldLeft - 50, held at fieldLeft:
    // right edge fieldLeft + 1215, not fieldLeft + 1165. The ball's left edge
    // at fieldLeft + 1190 overlaps only the held paddle.
    paddle(s, lv.screen).Left = lv.fieldLeft + 50;
    aim(s, lv.screen, lv.fieldLeft + 1190, p - 100, 80, 90);
    const Json line = tick(s);
    EXPECT_EQ(num(line, lv.screen, "Paddle", "Left"), lv.fieldLeft);
    EXPECT_EQ(var(line, lv.screen, "BallStepY"), -90);
  }
}

INSTANTIATE_TEST_SUITE_P(BrickBreakerLevel, PlayLoopOnEveryLevel, ::testing::Values(1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& param) {
                           return "Level" + std::to_string(param.param);
                         });

}  // namespace
}  // namespace kestrin::test::bb
