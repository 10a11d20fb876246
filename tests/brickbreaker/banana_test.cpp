// Level 3's banana: it falls while the score reads exactly 1000, a paddle
// that overlaps it while it is visible catches it for a life, and a lost ball
// takes it away.

#include <gtest/gtest.h>

#include <string>

#include "tests/brickbreaker/levels.h"

namespace kestrin::test::bb {
namespace {

// The banana's rows are Top..Top+600 and the level-3 paddle's 9600..9855
// (Top 9600, Height 255). After k ticks of fall Top = 120 + 100 k, and the
// two overlap while 120 + 100 k + 600 > 9600 and 120 + 100 k < 9855, that
// is for k = 89 (Top 9020) up to k = 97 (Top 9820); at k = 98 (9920) it has
// passed. Across, the banana spans 7800..8520 and the paddle at its design
// place 7920..9135.
constexpr int kFirstTickAtThePaddle = 89;
constexpr int kLastTickAtThePaddle = 97;

float bananaTop(const Json& line) {
  return static_cast<float>(num(line, kLvl3, "imgBanana", "Top"));
}
bool bananaShown(const Json& line) { return shown(line, kLvl3, "imgBanana"); }

// A tick in which the ball flies through empty space, far from every brick,
// wall and the paddle.
Json quietTick(Session& s) {
  aim(s, kLvl3, 5000, 6000, -80, -90);
  return tick(s);
}

// Level 3 with the score set to read 1000 and the ball waiting for launch:
// every tick then begins at 1000.
void openAt1000(Session& s) {
  openLevel(s, 3);
  s.control(kLvl3, "lblScore").Caption = "1000";
}

TEST(BrickBreakerBanana, WaitsAtItsPlaceWhileTheScoreIsNot1000) {
  Session s;
  openLevel(s, 3);
  for (const char* score : {"600", "975", "1025", "2000"}) {
    SCOPED_TRACE(score);
    s.control(kLvl3, "lblScore").Caption = score;
    for (int k = 0; k < 5; ++k) {
      const Json line = tick(s);
      EXPECT_EQ(bananaTop(line), 120);
      EXPECT_EQ(num(line, kLvl3, "imgBanana", "Left"), 7800);
      EXPECT_TRUE(bananaShown(line));
    }
  }
}

TEST(BrickBreakerBanana, FallsInEveryTickThatBeginsWithTheScoreAt1000) {
  Session s;
  openLevel(s, 3);
  s.control(kLvl3, "lblScore").Caption = "950";
  // Bricks 40, 41, 42 (row 5, Top 3240) struck from below, one a tick.
  aim(s, kLvl3, 4020, 3715, -80, -90);
  Json line = tick(s);
  EXPECT_EQ(caption(line, kLvl3, "lblScore"), "975");
  EXPECT_EQ(bananaTop(line), 120);
  aim(s, kLvl3, 5220, 3715, -80, -90);
  line = tick(s);
  EXPECT_EQ(caption(line, kLvl3, "lblScore"), "1000");
  EXPECT_EQ(bananaTop(line), 120) << "this tick began at 975";
  EXPECT_EQ(bananaTop(quietTick(s)), 220);
  EXPECT_EQ(bananaTop(quietTick(s)), 320);
  aim(s, kLvl3, 6420, 3715, -80, -90);
  line = tick(s);
  EXPECT_EQ(caption(line, kLvl3, "lblScore"), "1025");
  EXPECT_EQ(bananaTop(line), 420) << "this tick began at 1000";
  for (int k = 0; k < 3; ++k) {
    line = quietTick(s);
    EXPECT_EQ(bananaTop(line), 420);
    EXPECT_EQ(num(line, kLvl3, "imgBanana", "Left"), 7800);
    EXPECT_TRUE(bananaShown(line));
  }
}

TEST(BrickBreakerBanana, ScorePassing1000WithinOneTickNeverMovesIt) {
  Session s;
  openLevel(s, 3);
  s.control(kLvl3, "lblScore").Caption = "975";
  // Brick(33) 4800..6015 x 2760..3255, with 32 and 40 gone. Ball (4445, 2900):
  // left depth 20 -> Brick(33) goes, the ball to Top 3255, where it overlaps
  // Brick(41) 4800..6015 x 3240..3735 (left depth 20 again) -> it goes too.
  removeBrick(s, kLvl3, 32);
  removeBrick(s, kLvl3, 40);
  aim(s, kLvl3, 4445, 2900, 80, -90);
  Json line = tick(s);
  EXPECT_FALSE(shown(line, kLvl3, "Brick(33)"));
  EXPECT_FALSE(shown(line, kLvl3, "Brick(41)"));
  EXPECT_EQ(num(line, kLvl3, "shpBall", "Top"), 3735);
  EXPECT_EQ(var(line, kLvl3, "BallStepX"), 80);
  EXPECT_EQ(caption(line, kLvl3, "lblScore"), "1025");
  EXPECT_EQ(bananaTop(line), 120);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(bananaTop(quietTick(s)), 120);
}

TEST(BrickBreakerBanana, CaughtInThe89thTickOfItsFallForOneMoreLife) {
  Session s;
  openAt1000(s);
  for (int k = 1; k < kFirstTickAtThePaddle; ++k) {
    const Json line = tick(s);
    ASSERT_EQ(bananaTop(line), 120 + 100 * k) << k;
    ASSERT_TRUE(bananaShown(line));
    ASSERT_EQ(caption(line, kLvl3, "lbllives"), "3");
  }
  Json line = tick(s);  // the 89th: it falls to 9020 first, then is caught
  EXPECT_FALSE(bananaShown(line));
  EXPECT_EQ(bananaTop(line), 120);
  EXPECT_EQ(num(line, kLvl3, "imgBanana", "Left"), 7800);
  EXPECT_EQ(caption(line, kLvl3, "lbllives"), "4");

  // Hidden for good; the score still reads 1000, so it still falls, unseen.
  line = tick(s);
  EXPECT_EQ(bananaTop(line), 220);
  EXPECT_FALSE(bananaShown(line));
  s.run("ticks 100");
  EXPECT_EQ(caption(s.last(), kLvl3, "lbllives"), "4");
  EXPECT_FALSE(bananaShown(s.last()));
}

TEST(BrickBreakerBanana, LastChanceToCatchItIsThe97thTick) {
  {
    SCOPED_TRACE("paddle back under it for the 97th tick");
    Session s;
    openAt1000(s);
    paddle(s, kLvl3).Left = 3600;  // far to the left
    s.run("ticks " + std::to_string(kLastTickAtThePaddle - 1));
    EXPECT_EQ(bananaTop(s.last()), 9720);
    EXPECT_EQ(caption(s.last(), kLvl3, "lbllives"), "3");
    paddle(s, kLvl3).Left = 7920;
    const Json line = tick(s);
    EXPECT_FALSE(bananaShown(line));
    EXPECT_EQ(bananaTop(line), 120);
    EXPECT_EQ(caption(line, kLvl3, "lbllives"), "4");
  }
  {
    SCOPED_TRACE("paddle back under it for the 98th tick: passed, nothing happens");
    Session s;
    openAt1000(s);
    paddle(s, kLvl3).Left = 3600;
    s.run("ticks " + std::to_string(kLastTickAtThePaddle));
    paddle(s, kLvl3).Left = 7920;
    Json line = tick(s);
    EXPECT_TRUE(bananaShown(line));
    EXPECT_EQ(bananaTop(line), 9920);
    EXPECT_EQ(caption(line, kLvl3, "lbllives"), "3");
    // On it goes, without limit, and costs nothing.
    const std::size_t before = s.mark();
    s.run("ticks 20");
    EXPECT_EQ(s.mark(), before + 20);
    line = s.last();
    EXPECT_EQ(bananaTop(line), 11920);
    EXPECT_TRUE(bananaShown(line));
    EXPECT_EQ(caption(line, kLvl3, "lbllives"), "3");
    EXPECT_EQ(caption(line, kLvl3, "lblScore"), "1000");
  }
}

TEST(BrickBreakerBanana, StoppedBananaLevelWithThePaddleIsCaughtOnlyOnARealOverlap) {
  Session s;
  openAt1000(s);
  paddle(s, kLvl3).Left = 3600;
  s.run("ticks 91");  // Top 120 + 9100 = 9220, in the paddle's rows
  s.control(kLvl3, "lblScore").Caption = "1025";
  Json line = tick(s);
  EXPECT_EQ(bananaTop(line), 9220);

  // Paddle edges on the banana's sides (7800 and 8520) only touch.
  for (float left : {6585.0f, 8520.0f}) {
    paddle(s, kLvl3).Left = left;
    line = tick(s);
    EXPECT_TRUE(bananaShown(line)) << left;
    EXPECT_EQ(caption(line, kLvl3, "lbllives"), "3") << left;
  }
  paddle(s, kLvl3).Left = 6586;  // one twip of overlap
  line = tick(s);
  EXPECT_FALSE(bananaShown(line));
  EXPECT_EQ(bananaTop(line), 120);
  EXPECT_EQ(num(line, kLvl3, "imgBanana", "Left"), 7800);
  EXPECT_EQ(caption(line, kLvl3, "lbllives"), "4");
}

TEST(BrickBreakerBanana, LostBallHidesItSoReaching1000LaterGivesNoLife) {
  Session s;
  openLevel(s, 3);
  s.run("keydown 32");
  Json line = loseBall(s, level(3));
  EXPECT_EQ(caption(line, kLvl3, "lbllives"), "2");
  EXPECT_FALSE(bananaShown(line));  // in the very tick that counts the life
  EXPECT_EQ(bananaTop(line), 120);
  s.run("click " + kLvl3 + " cmdReset");

  s.control(kLvl3, "lblScore").Caption = "975";
  aim(s, kLvl3, 4020, 3715, -80, -90);  // Brick(40) from below
  EXPECT_EQ(caption(tick(s), kLvl3, "lblScore"), "1000");
  for (int k = 1; k <= kLastTickAtThePaddle; ++k) {
    line = quietTick(s);
    ASSERT_EQ(bananaTop(line), 120 + 100 * k) << k;
    ASSERT_FALSE(bananaShown(line));
    ASSERT_EQ(caption(line, kLvl3, "lbllives"), "2") << k;
  }
}

TEST(BrickBreakerBanana, BallLostInTheTickItReachesThePaddleCostsALifeAndNoCatch) {
  Session s;
  openAt1000(s);
  s.run("ticks " + std::to_string(kFirstTickAtThePaddle - 1));
  EXPECT_EQ(bananaTop(s.last()), 8920);
  const Json line = loseBall(s, level(3));
  EXPECT_EQ(caption(line, kLvl3, "lbllives"), "2");
  EXPECT_FALSE(bananaShown(line));
  EXPECT_EQ(bananaTop(line), 9020);  // fell, and was not caught (nor put back)
  EXPECT_EQ(num(line, kLvl3, "imgBanana", "Left"), 7800);
  EXPECT_FALSE(ctl(line, kLvl3, "Timer1")["Enabled"].get<bool>());
}

}  // namespace
}  // namespace kestrin::test::bb
