#pragma once

#include <array>
#include <cstdint>

#include "shell/form.h"
#include "shell/integer.h"

namespace kestrin::dodge {

// Dodge: the player steers a small rectangle away from up to four balls
// that rebound inside the playfield. Every tick scores a point.
class frmKestrinDodge : public Form {
 public:
  explicit frmKestrinDodge(Screen& screen);

 private:
  // One of the four balls: its shape and its two steps.
  struct Ball {
    Control& shape;
    Integer& stepX;
    Integer& stepY;
    double releaseScore;  // shown when the score reads this; 0: in play from the start
  };

  void Form_Load();
  void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
  void Form_KeyUp(std::int16_t KeyCode, std::int16_t Shift);
  void cmdReset_Click();
  void Timer1_Timer();

  void LoseLife();
  void MoveBalls();
  void BounceBalls();
  void KeepPaddleInField();
  void CheckBallHit(const Control& ball);

  // Twips per tick.
  Integer BallStepX, BallStepY;
  Integer Ball2StepX, Ball2StepY;
  Integer Ball3StepX, Ball3StepY;
  Integer Ball4StepX, Ball4StepY;
  Integer PaddleStepX, PaddleStepY;

  Control& shpR = control("shpR");
  Control& Paddle = control("Paddle");
  Control& shpBall = control("shpBall");
  Control& shpBall2 = control("shpBall2");
  Control& shpBall3 = control("shpBall3");
  Control& shpBall4 = control("shpBall4");
  Control& lblScore = control("lblScore");
  Control& lbllives = control("lbllives");
  Control& lblLostLife = control("lblLostLife");
  Control& cmdReset = control("cmdReset");
  Control& Timer1 = control("Timer1");

  std::array<Ball, 4> balls_;
};

}  // namespace kestrin::dodge
