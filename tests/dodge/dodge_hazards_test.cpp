// Dodge hazards: the further balls joining at their scores, the rebounds at
// the playfield's edges, and the ball-player hit test on bounding squares.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/dodge/dodge_support.h"

namespace kestrin::test::dodge {
namespace {

const BallInfo& kFirst = kBalls[0];
const BallInfo& kSecond = kBalls[1];
const BallInfo& kThird = kBalls[2];
const BallInfo& kFourth = kBalls[3];

void setScore(Session& s, const char* score) { s.control(kDodge, "lblScore").Caption = score; }

// Gets a life lost (the first ball laid still on the player at its start
// place) and clicks "Reset", so that every ball stands at the Reset place.
void loseALifeAndReset(Session& s) {
  place(s, kFirst, 7680, 8520);
  s.run("ticks 1");
  ASSERT_EQ(text(s.last(), "lbllives"), "2");
  s.run("wait 100\nclick frmKestrinDodge cmdReset");
  ASSERT_EQ(s.last()["event"].get<std::string>(), "cmdReset_Click");
}

TEST(DodgeRelease, EachBallIsShownAndMovedInTheTickThatMakesItsScoreFromItsDesignPlace) {
  Session s;
  openDodge(s);
  parkFirstBall(s);

  setScore(s, "998");
  s.run("ticks 1");  // 999: nothing joins
  EXPECT_FALSE(shown(s.last(), "shpBall2"));
  EXPECT_EQ(at(s.last(), "shpBall2"), (Pos{4080, 360}));

  s.run("ticks 1");  // 1000
  Json l = s.last();
  EXPECT_EQ(text(l, "lblScore"), "1000");
  EXPECT_TRUE(shown(l, "shpBall2"));
  EXPECT_EQ(at(l, "shpBall2"), (Pos{3995, 285}));  // 4080 - 85, 360 - 75
  EXPECT_FALSE(shown(l, "shpBall3"));
  EXPECT_FALSE(shown(l, "shpBall4"));

  s.run("ticks 1");  // 1001: on it goes; 285 - 75 = 210 <= 240 turns it down
  l = s.last();
  EXPECT_TRUE(shown(l, "shpBall2"));
  EXPECT_EQ(at(l, "shpBall2"), (Pos{3910, 210}));
  EXPECT_EQ(var(l, "Ball2StepX"), -85);
  EXPECT_EQ(var(l, "Ball2StepY"), 75);
  s.run("ticks 1");
  EXPECT_EQ(at(s.last(), "shpBall2"), (Pos{3825, 285}));

  setScore(s, "2499");
  s.run("ticks 1");
  l = s.last();
  EXPECT_TRUE(shown(l, "shpBall3"));
  EXPECT_EQ(at(l, "shpBall3"), (Pos{4445, 255}));  // 4560 - 115, 360 - 105
  EXPECT_EQ(var(l, "Ball3StepY"), -105);           // 255 > 240: no turn
  EXPECT_FALSE(shown(l, "shpBall4"));

  setScore(s, "4999");
  s.run("ticks 1");
  l = s.last();
  EXPECT_TRUE(shown(l, "shpBall4"));
  EXPECT_EQ(at(l, "shpBall4"), (Pos{7830, 520}));  // 7920 - 90, 600 - 80
  // Once shown a ball stays in play.
  EXPECT_TRUE(shown(l, "shpBall2"));
  EXPECT_TRUE(shown(l, "shpBall3"));
  s.run("ticks 1");
  EXPECT_TRUE(shown(s.last(), "shpBall4"));
  EXPECT_EQ(at(s.last(), "shpBall4"), (Pos{7740, 440}));
}

TEST(DodgeRelease, OnlyTheExactScoreReleasesABall) {
  Session s;
  openDodge(s);
  parkFirstBall(s);
  // A score that passes over 1000, 2500 and 5000 without equalling them
  // (only possible by setting the caption) releases nothing.
  for (const char* before : {"1000", "1500", "2500", "5000", "5001"}) {
    setScore(s, before);
    s.run("ticks 1");
    SCOPED_TRACE(before);
    EXPECT_FALSE(shown(s.last(), "shpBall2"));
    EXPECT_FALSE(shown(s.last(), "shpBall3"));
    EXPECT_FALSE(shown(s.last(), "shpBall4"));
  }
  EXPECT_EQ(at(s.last(), "shpBall2"), (Pos{4080, 360}));
  EXPECT_EQ(at(s.last(), "shpBall3"), (Pos{4560, 360}));
  EXPECT_EQ(at(s.last(), "shpBall4"), (Pos{7920, 600}));
}

TEST(DodgeRelease, AfterResetEachBallStartsFromTheResetPlace) {
  Session s;
  openDodge(s);
  loseALifeAndReset(s);
  // The first ball, still with steps 0, stays at the Reset place (3600, 360),
  // far above the player.
  setScore(s, "999");
  s.run("ticks 1");
  EXPECT_TRUE(shown(s.last(), "shpBall2"));
  EXPECT_EQ(at(s.last(), "shpBall2"), (Pos{3515, 285}));  // 3600 - 85, 360 - 75
  setScore(s, "2499");
  s.run("ticks 1");
  EXPECT_TRUE(shown(s.last(), "shpBall3"));
  EXPECT_EQ(at(s.last(), "shpBall3"), (Pos{3485, 255}));  // 3600 - 115, 360 - 105
  setScore(s, "4999");
  s.run("ticks 1");
  EXPECT_TRUE(shown(s.last(), "shpBall4"));
  EXPECT_EQ(at(s.last(), "shpBall4"), (Pos{3510, 280}));  // 3600 - 90, 360 - 80
  EXPECT_EQ(text(s.last(), "lbllives"), "2");
}

// A ball moved onto an edge or past it has that step negated in the same
// tick; one twip short of the edge it is not. Balls are laid with their step
// before the tick, so "from" is one step back from where the tick puts them.
TEST(DodgeRebound, StepTurnsWhenTheBallReachesOrPassesAnEdgeWhateverItsDirection) {
  struct Case {
    const char* what;
    const BallInfo* ball;
    double left, top;
    int stepX, stepY;
    Pos after;
    int turnedX, turnedY;
  };
  const std::vector<Case> cases = {
      // Right edge 13095: a 375 ball turns at Left 13095 - 375 = 12720.
      {"right edge exactly", &kFirst, 12800, 5000, -80, 0, {12720, 5000}, 80, 0},
      {"one twip short of the right edge", &kFirst, 12639, 5000, 80, 0, {12719, 5000}, 80, 0},
      {"moving right onto the right edge", &kFirst, 12640, 5000, 80, 0, {12720, 5000}, -80, 0},
      {"past the right edge moving left", &kFirst, 12900, 5000, -80, 0, {12820, 5000}, 80, 0},
      // Left edge 3480.
      {"left edge exactly", &kFirst, 3560, 5000, -80, 0, {3480, 5000}, 80, 0},
      {"one twip short of the left edge", &kFirst, 3561, 5000, -80, 0, {3481, 5000}, -80, 0},
      {"past the left edge moving right", &kFirst, 3300, 5000, 80, 0, {3380, 5000}, -80, 0},
      // Bottom edge 9375: a 375 ball turns at Top 9375 - 375 = 9000.
      {"bottom edge exactly", &kFirst, 6000, 9090, 0, -90, {6000, 9000}, 0, 90},
      {"one twip short of the bottom", &kFirst, 6000, 8909, 0, 90, {6000, 8999}, 0, 90},
      {"past the bottom moving up", &kFirst, 6000, 9150, 0, -90, {6000, 9060}, 0, 90},
      // Top edge 240.
      {"top edge exactly", &kFirst, 6000, 330, 0, -90, {6000, 240}, 0, 90},
      {"one twip short of the top", &kFirst, 6000, 331, 0, -90, {6000, 241}, 0, -90},
      {"past the top moving down", &kFirst, 6000, 100, 0, 90, {6000, 190}, 0, -90},
      // Both axes in one tick: the bottom-right corner.
      {"bottom-right corner", &kFirst, 12640, 8910, 80, 90, {12720, 9000}, -80, -90},
      // The 855 ball turns 855 - 375 = 480 twips further from the right and
      // bottom edges: at Left 13095 - 855 = 12240 and Top 9375 - 855 = 8520.
      {"large ball at the right edge", &kFourth, 12330, 4000, -90, 0, {12240, 4000}, 90, 0},
      {"large ball one twip short of it", &kFourth, 12329, 4000, -90, 0, {12239, 4000}, -90, 0},
      {"large ball at the bottom edge", &kFourth, 5000, 8600, 0, -80, {5000, 8520}, 0, 80},
      {"large ball one twip short of it", &kFourth, 5000, 8599, 0, -80, {5000, 8519}, 0, -80},
      {"large ball at the left edge", &kFourth, 3570, 4000, -90, 0, {3480, 4000}, 90, 0},
      {"large ball at the top edge", &kFourth, 5000, 320, 0, -80, {5000, 240}, 0, 80},
      // A small ball where the large one turns does not turn.
      {"small ball where the large one turns", &kFirst, 12320, 8600, -80, -80, {12240, 8520},
       -80, -80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Session s;
    openDodge(s);
    if (c.ball != &kFirst) parkFirstBall(s);
    s.control(kDodge, c.ball->shape).Visible = true;
    place(s, *c.ball, c.left, c.top, c.stepX, c.stepY);
    s.run("ticks 1");
    const Json l = s.last();
    EXPECT_EQ(at(l, c.ball->shape), c.after);
    EXPECT_EQ(var(l, c.ball->stepX), c.turnedX);
    EXPECT_EQ(var(l, c.ball->stepY), c.turnedY);
    // The ball is not put back inside; the player was not touched.
    EXPECT_EQ(text(l, "lbllives"), "3");
  }
}

TEST(DodgeRebound, HiddenBallsStandStillButTurnWhileTheyStandPastAnEdge) {
  Session s;
  openDodge(s);
  parkFirstBall(s);
  // Hidden third ball laid past the right edge (12800 + 375 = 13175) and past
  // the bottom (9100 + 375 = 9475); hidden second ball exactly on the left and
  // top edges; hidden fourth ball at its design place, inside.
  place(s, kThird, 12800, 9100, -115, -105);
  place(s, kSecond, 3480, 240, -85, -75);
  s.run("ticks 1");
  Json l = s.last();
  EXPECT_FALSE(shown(l, "shpBall3"));
  EXPECT_EQ(at(l, "shpBall3"), (Pos{12800, 9100}));
  EXPECT_EQ(var(l, "Ball3StepX"), 115);
  EXPECT_EQ(var(l, "Ball3StepY"), 105);
  EXPECT_FALSE(shown(l, "shpBall2"));
  EXPECT_EQ(at(l, "shpBall2"), (Pos{3480, 240}));
  EXPECT_EQ(var(l, "Ball2StepX"), 85);
  EXPECT_EQ(var(l, "Ball2StepY"), 75);
  EXPECT_EQ(at(l, "shpBall4"), (Pos{7920, 600}));
  EXPECT_EQ(var(l, "Ball4StepX"), -90);
  EXPECT_EQ(var(l, "Ball4StepY"), -80);

  // Standing there, they turn again every tick: the test looks at places only.
  s.run("ticks 1");
  l = s.last();
  EXPECT_EQ(var(l, "Ball3StepX"), -115);
  EXPECT_EQ(var(l, "Ball3StepY"), -105);
  EXPECT_EQ(var(l, "Ball2StepX"), -85);
  EXPECT_EQ(var(l, "Ball2StepY"), -75);
  EXPECT_EQ(at(l, "shpBall3"), (Pos{12800, 9100}));
}

TEST(DodgeRebound, BallsPassThroughOneAnother) {
  Session s;
  openDodge(s);
  s.control(kDodge, "shpBall2").Visible = true;
  place(s, kFirst, 6000, 4000, 80, 0);
  place(s, kSecond, 6100, 4000, -85, 0);
  s.run("ticks 2");
  EXPECT_EQ(at(s.last(), "shpBall"), (Pos{6160, 4000}));
  EXPECT_EQ(at(s.last(), "shpBall2"), (Pos{5930, 4000}));
  EXPECT_EQ(var(s.last(), "BallStepX"), 80);
  EXPECT_EQ(var(s.last(), "Ball2StepX"), -85);
}

// The player stands at its start place: its rectangle is 7680..8295 across
// and 8520..9015 down. A ball is laid still next to it; one twip of overlap
// on both axes is a hit, a shared edge is not.
TEST(DodgeHit, BoundingSquaresThatShareAreaHitAndSquaresThatOnlyTouchDoNot) {
  struct Case {
    const char* what;
    double left, top;
    bool hit;
  };
  const std::vector<Case> cases = {
      {"one twip into the right side", 8294, 8600, true},
      {"touching the right side", 8295, 8600, false},
      {"one twip into the left side", 7306, 8600, true},  // 7306 + 375 = 7681
      {"touching the left side", 7305, 8600, false},      // 7305 + 375 = 7680
      {"one twip into the top", 7800, 8146, true},        // 8146 + 375 = 8521
      {"touching the top", 7800, 8145, false},
      {"one twip into the bottom", 7800, 9014, true},
      {"touching the bottom", 7800, 9015, false},
      // The squares overlap by one twip at the player's bottom-right corner,
      // where the drawn circle (centre 187.5 twips in) is nowhere near.
      {"square corner over the player's corner", 8294, 9014, true},
      {"square corner on the player's corner", 8295, 9015, false},
      {"square corner over the top-left corner", 7306, 8146, true},
      {"square corner on the top-left corner", 7305, 8145, false},
      {"covering the whole player", 7800, 8600, true},
      // Edges are rounded to the nearest whole twip, ties to even:
      // 8294.5 -> 8294 < 8295 hits; 7305.5 + 375 = 7680.5 -> 7680 does not.
      {"half a twip in, rounded down to even", 8294.5, 8600, true},
      {"right edge half a twip in, rounded down to even", 7305.5, 8600, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Session s;
    openDodge(s);
    place(s, kFirst, c.left, c.top);
    s.run("ticks 1");
    const Json l = s.last();
    EXPECT_EQ(text(l, "lbllives"), c.hit ? "2" : "3");
    EXPECT_EQ(shown(l, "lblLostLife"), c.hit);
    EXPECT_EQ(shown(l, "cmdReset"), c.hit);
    EXPECT_EQ(ticking(l), !c.hit);
    // A hit moves nothing back: ball and player keep their places.
    EXPECT_EQ(at(l, "shpBall"), (Pos{c.left, c.top}));
    EXPECT_EQ(at(l, "Paddle"), (Pos{7680, 8520}));
  }
}

TEST(DodgeHit, PlayerEdgesAreRoundedTiesToEvenToo) {
  struct Case {
    const char* why;
    double playerLeft, ballLeft;
    const char* lives;
  };
  const Case cases[] = {
      // 7680.5 + 615 = 8295.5 rounds to 8296 (even): a ball from 8295 shares one twip.
      {"player half a twip right", 7680.5, 8295, "2"},
      // Player edges 7681 and 8296: a ball from 8295.5 rounds to 8296 and only touches.
      {"ball's left edge rounds onto the player's right", 7681, 8295.5, "3"},
      // A ball from 7306.5 ends at 7681.5, which rounds to 7682: one twip shared.
      {"ball's right edge rounds past the player's left", 7681, 7306.5, "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Session s;
    openDodge(s);
    placePlayer(s, c.playerLeft, 8520);
    place(s, kFirst, c.ballLeft, 8600);
    s.run("ticks 1");
    EXPECT_EQ(text(s.last(), "lbllives"), c.lives);
  }
}

TEST(DodgeHit, FurtherBallsHitOnlyWhileShownAndTheFirstBallAlways) {
  {
    SCOPED_TRACE("hidden balls lying on the player");
    Session s;
    openDodge(s);
    parkFirstBall(s);
    place(s, kSecond, 7680, 8520);
    place(s, kThird, 7700, 8600);
    place(s, kFourth, 7500, 8300);
    s.run("ticks 3");
    EXPECT_EQ(text(s.last(), "lbllives"), "3");
    EXPECT_TRUE(ticking(s.last()));
    EXPECT_EQ(text(s.last(), "lblScore"), "3");
  }
  for (std::size_t i = 1; i < kBalls.size(); ++i) {
    SCOPED_TRACE(kBalls[i].shape);
    Session s;
    openDodge(s);
    parkFirstBall(s);
    s.control(kDodge, kBalls[i].shape).Visible = true;
    place(s, kBalls[i], 7680, 8520);
    s.run("ticks 1");
    EXPECT_EQ(text(s.last(), "lbllives"), "2");
    EXPECT_FALSE(ticking(s.last()));
  }
  {
    // The first ball's visibility is never looked at: hidden, it still moves
    // and still hits.
    SCOPED_TRACE("first ball hidden");
    Session s;
    openDodge(s);
    s.control(kDodge, "shpBall").Visible = false;
    place(s, kFirst, 7600, 8440, 80, 80);
    s.run("ticks 1");
    EXPECT_EQ(at(s.last(), "shpBall"), (Pos{7680, 8520}));
    EXPECT_EQ(text(s.last(), "lbllives"), "2");
  }
}

TEST(DodgeHit, LargeBallHitsWithItsWholeSquare) {
  struct Case {
    double left, top;
    bool hit;
  };
  // 855 across and down: from 6826 it ends at 7681, one twip into the
  // player's left side (7680); from 6825 it only touches it. From 7666 down
  // it ends at 8521, one twip into the top (8520).
  for (const Case& c : {Case{6826, 8600, true}, Case{6825, 8600, false},
                        Case{7800, 7666, true}, Case{7800, 7665, false}}) {
    SCOPED_TRACE(std::to_string(c.left) + ", " + std::to_string(c.top));
    Session s;
    openDodge(s);
    parkFirstBall(s);
    s.control(kDodge, "shpBall4").Visible = true;
    place(s, kFourth, c.left, c.top);
    s.run("ticks 1");
    EXPECT_EQ(text(s.last(), "lbllives"), c.hit ? "2" : "3");
  }
}

TEST(DodgeHit, BallMovingOntoThePlayerHitsInTheSameTick) {
  Session s;
  openDodge(s);
  // 7225 + 80 = 7305: touching; the next tick 7385 shares 295 twips.
  place(s, kFirst, 7225, 8600, 80, 0);
  s.run("ticks 1");
  EXPECT_EQ(text(s.last(), "lbllives"), "3");
  s.run("ticks 1");
  EXPECT_EQ(at(s.last(), "shpBall"), (Pos{7385, 8600}));
  EXPECT_EQ(text(s.last(), "lbllives"), "2");
  EXPECT_EQ(var(s.last(), "BallStepX"), 80);  // the hit turns nothing
}

TEST(DodgeHit, PlayerMovingOntoABallHitsInTheSameTick) {
  Session s;
  openDodge(s);
  place(s, kFirst, 8300, 8600);  // 5 twips right of the player
  s.run("keydown 39\nticks 1");  // 7780 .. 8395: overlaps 8300 .. 8675
  EXPECT_EQ(at(s.last(), "Paddle"), (Pos{7780, 8520}));
  EXPECT_EQ(text(s.last(), "lbllives"), "2");
}

TEST(DodgeHit, PlayerIsHeldInsideBeforeTheBallsAreCheckedAgainstIt) {
  Session s;
  openDodge(s);
  // The player pushed from 3530 to 3430 would cover 3430..4045; held at 3480
  // it covers 3480..4095. A ball left of the field at 3100 (..3475) would
  // overlap the first but not the second.
  place(s, kFirst, 3100, 5000);
  placePlayer(s, 3530, 5000);
  s.run("keydown 37\nticks 1");
  EXPECT_EQ(at(s.last(), "Paddle"), (Pos{3480, 5000}));
  EXPECT_EQ(text(s.last(), "lbllives"), "3");
  // Same on the top edge: pushed from 290 to 190 it would cover 190..685;
  // held at 240 it covers 240..735, clear of a ball above the field at
  // -140 (..235).
  Session t;
  openDodge(t);
  place(t, kFirst, 7000, -140);
  placePlayer(t, 7000, 290);
  t.run("keydown 38\nticks 1");
  EXPECT_EQ(at(t.last(), "Paddle"), (Pos{7000, 240}));
  EXPECT_EQ(text(t.last(), "lbllives"), "3");
}

}  // namespace
}  // namespace kestrin::test::dodge
