#pragma once

// What the Brick Breaker cases share: the three designs as the rules give
// them, and a few moves that set up a case through the model or the script.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>

#include "tests/support/session.h"

namespace kestrin::test::bb {

inline const std::string kMain = "Main";
inline const std::string kLvl1 = "frmKestrinBrickBreaker";
inline const std::string kLvl2 = "frmKestrinBrickBreakerLvl2";
inline const std::string kLvl3 = "frmKestrinBrickBreakerLvl3";

// Sizes in twips; they are the same on every level.
inline constexpr float kBall = 375;
inline constexpr float kPaddleWidth = 1215;
inline constexpr float kPaddleHeight = 255;
inline constexpr float kBrickWidth = 1215;
inline constexpr float kBrickHeight = 495;

inline constexpr double kBrown = 0x004080;    // 16512
inline constexpr double kDarkRed = 0x0000C0;  // 192

// Where each design puts what the play loop reads (twips).
struct Level {
  int number;
  std::string screen;
  std::string title;
  float fieldLeft, fieldTop, fieldRight, fieldBottom;  // shpR's edges
  float paddleLeft, paddleTop;
  float ballLeft, ballTop;
  int bricks;
  std::string score;  // lblScore at design
};

inline const Level& level(int n) {
  // Level 1 and 2: shpR 3480, 240, 9615 x 9135 -> right 13095, bottom 9375.
  // Level 3: shpR 3600, 840, same size -> right 13215, bottom 9975.
  static const Level levels[] = {
      {1, kLvl1, "Kestrin Brick Breaker", 3480, 240, 13095, 9375, 7320, 9000, 7680, 8520, 8, "0"},
      {2, kLvl2, "Kestrin Brick Breaker Level 2", 3480, 240, 13095, 9375, 7440, 9000, 7800, 8520,
       16, "200"},
      {3, kLvl3, "Form1", 3600, 840, 13215, 9975, 7920, 9600, 8280, 9120, 48, "600"},
  };
  return levels[n - 1];
}

// Design positions of the bricks.
inline float brickLeft(int n, int i) {
  if (n == 1) return 3480.0f + 1200.0f * static_cast<float>(i);
  if (n == 2) {
    if (i < 8) return 3480.0f + 1200.0f * static_cast<float>(i);
    if (i < 12) return 3480.0f + 2400.0f * static_cast<float>(i - 8);
    return 4680.0f + 2400.0f * static_cast<float>(i - 12);
  }
  return 3600.0f + 1200.0f * static_cast<float>(i % 8);
}
inline float brickTop(int n, int i) {
  if (n == 1) return 720;
  if (n == 2) {
    if (i < 8) return i % 2 == 0 ? 720.0f : 1080.0f;
    return i < 12 ? 1440.0f : 360.0f;
  }
  return 840.0f + 480.0f * static_cast<float>(i / 8);
}

inline Control& ball(Session& s, const std::string& screen) { return s.control(screen, "shpBall"); }
inline Control& paddle(Session& s, const std::string& screen) {
  return s.control(screen, "Paddle");
}
inline Control& brick(Session& s, const std::string& screen, int i) {
  return s.control(screen, "Brick", i);
}

// Sets the steps and puts the ball where the next tick's move will bring it
// to (left, top): the walls, the paddle and the bricks then see it there.
inline void aim(Session& s, const std::string& screen, float left, float top, int stepX,
                int stepY) {
  s.setVar(screen, "BallStepX", stepX);
  s.setVar(screen, "BallStepY", stepY);
  ball(s, screen).Left = left - static_cast<float>(stepX);
  ball(s, screen).Top = top - static_cast<float>(stepY);
}

// A brick as a hit leaves it: hidden, and out of the playfield at Left -300.
inline void removeBrick(Session& s, const std::string& screen, int i) {
  Control& b = brick(s, screen, i);
  b.Visible = false;
  b.Left = -300;
}
inline void removeBricksExcept(Session& s, const Level& lv, std::initializer_list<int> keep) {
  for (int i = 0; i < lv.bricks; ++i) {
    if (std::find(keep.begin(), keep.end(), i) == keep.end()) removeBrick(s, lv.screen, i);
  }
}

// Runs one tick, which must write exactly one line, and returns it.
inline Json tick(Session& s) {
  const std::size_t before = s.mark();
  s.run("ticks 1");
  EXPECT_EQ(s.mark(), before + 1) << "one tick, one trace line";
  return s.last();
}

// The traced state of one control or variable of a screen.
inline const Json& ctl(const Json& line, const std::string& screen, const std::string& control) {
  return traced(line, screen, control);
}
inline double num(const Json& line, const std::string& screen, const std::string& control,
                  const std::string& property) {
  return traced(line, screen, control)[property].get<double>();
}
inline double var(const Json& line, const std::string& screen, const std::string& name) {
  return line["screens"][screen]["vars"][name].get<double>();
}
inline std::string caption(const Json& line, const std::string& screen,
                           const std::string& control) {
  return traced(line, screen, control)["Caption"].get<std::string>();
}
inline bool shown(const Json& line, const std::string& screen, const std::string& control) {
  return traced(line, screen, control)["Visible"].get<bool>();
}
inline std::string brickName(int i) { return "Brick(" + std::to_string(i) + ")"; }

// A level as its design starts it: ball and paddle in place, both ball
// steps 0 and the start label shown, every brick standing, lives "3" and the
// level's own score.
inline void expectDesignState(const Json& line, const Level& lv) {
  const std::string& s = lv.screen;
  ASSERT_TRUE(line["screens"].contains(s)) << s << " is not loaded";
  EXPECT_TRUE(line["screens"][s]["visible"].get<bool>());
  EXPECT_EQ(num(line, s, "shpBall", "Left"), lv.ballLeft);
  EXPECT_EQ(num(line, s, "shpBall", "Top"), lv.ballTop);
  EXPECT_EQ(num(line, s, "Paddle", "Left"), lv.paddleLeft);
  EXPECT_EQ(num(line, s, "Paddle", "Top"), lv.paddleTop);
  EXPECT_EQ(var(line, s, "BallStepX"), 0);
  EXPECT_EQ(var(line, s, "BallStepY"), 0);
  EXPECT_EQ(var(line, s, "PaddleStep"), 0);
  EXPECT_TRUE(shown(line, s, "lblStart"));
  EXPECT_FALSE(shown(line, s, "lblLostLife"));
  EXPECT_FALSE(shown(line, s, "cmdReset"));
  EXPECT_TRUE(ctl(line, s, "Timer1")["Enabled"].get<bool>());
  EXPECT_EQ(caption(line, s, "lbllives"), "3");
  EXPECT_EQ(caption(line, s, "lblScore"), lv.score);
  for (int i = 0; i < lv.bricks; ++i) {
    SCOPED_TRACE(brickName(i));
    EXPECT_TRUE(shown(line, s, brickName(i)));
    EXPECT_EQ(num(line, s, brickName(i), "Left"), brickLeft(lv.number, i));
    EXPECT_EQ(num(line, s, brickName(i), "Top"), brickTop(lv.number, i));
    EXPECT_EQ(num(line, s, brickName(i), "FillColor"), lv.number == 3 && i < 8 ? kDarkRed : kBrown);
  }
  int members = 0;
  for (const auto& control : line["screens"][s]["controls"].items()) {
    if (control.key().rfind("Brick(", 0) == 0) ++members;
  }
  EXPECT_EQ(members, lv.bricks);
  if (lv.number == 3) {
    EXPECT_EQ(num(line, s, "imgBanana", "Left"), 7800);
    EXPECT_EQ(num(line, s, "imgBanana", "Top"), 120);
    EXPECT_TRUE(shown(line, s, "imgBanana"));
  }
}

// Opens level 1 from the launcher at time 0 and, for a later level, clears
// the levels before it: all bricks but the last are taken away through the
// model and the ball, moving up, strikes the last one from below.
// Level 2 is then loaded at 15625 us, level 3 at 31250 us.
inline void openLevel(Session& s, int n) {
  s.run("click Main Image1");
  ASSERT_NE(s.screen(kLvl1), nullptr);
  if (n >= 2) {
    for (int i = 0; i < 7; ++i) removeBrick(s, kLvl1, i);
    // Brick(7): 11880..13095 x 720..1215; the ball's bottom depth is 20.
    aim(s, kLvl1, 12300, 1195, -80, -90);
    s.run("ticks 1");
    ASSERT_NE(s.screen(kLvl2), nullptr) << "level 1 was not cleared";
  }
  if (n >= 3) {
    for (int i = 0; i < 15; ++i) removeBrick(s, kLvl2, i);
    // Brick(15): 11880..13095 x 360..855.
    aim(s, kLvl2, 12300, 835, -80, -90);
    s.run("ticks 1");
    ASSERT_NE(s.screen(kLvl3), nullptr) << "level 2 was not cleared";
  }
}

// Loses the ball on the level: it lands with its bottom edge on the
// playfield's bottom edge, far to the left of the paddle.
inline Json loseBall(Session& s, const Level& lv) {
  aim(s, lv.screen, lv.fieldLeft + 520, lv.fieldBottom - kBall, 80, 90);
  return tick(s);
}

}  // namespace kestrin::test::bb
