#include "dodge.h"

#include "shell/caption_number.h"
#include "shell/keys.h"
#include "shell/rect.h"

namespace kestrin::dodge {

namespace {

// Twips per tick, as each ball starts (later only their signs change), with
// the score at which each further ball joins the play.
struct BallStart {
  int stepX, stepY;
  double releaseScore;
};
constexpr std::array<BallStart, 4> kBallStarts{{
    {-80, -90, 0},
    {-85, -75, 1000},
    {-115, -105, 2500},
    {-90, -80, 5000},
}};

constexpr int kPlayerStep = 100;  // twips per tick on each axis

// The Brick Breaker title: the game over box has always said this.
constexpr std::string_view kGameOverTitle = "Kestrin Brick Breaker";

}  // namespace

frmKestrinDodge::frmKestrinDodge(Screen& screen)
    : Form(screen),
      balls_{{{shpBall, BallStepX, BallStepY, kBallStarts[0].releaseScore},
              {shpBall2, Ball2StepX, Ball2StepY, kBallStarts[1].releaseScore},
              {shpBall3, Ball3StepX, Ball3StepY, kBallStarts[2].releaseScore},
              {shpBall4, Ball4StepX, Ball4StepY, kBallStarts[3].releaseScore}}} {
  variable("BallStepX", BallStepX);
  variable("BallStepY", BallStepY);
  variable("Ball2StepX", Ball2StepX);
  variable("Ball2StepY", Ball2StepY);
  variable("Ball3StepX", Ball3StepX);
  variable("Ball3StepY", Ball3StepY);
  variable("Ball4StepX", Ball4StepX);
  variable("Ball4StepY", Ball4StepY);
  variable("PaddleStepX", PaddleStepX);
  variable("PaddleStepY", PaddleStepY);
  onLoad([this] { Form_Load(); });
  onKeyDown([this](std::int16_t code, std::int16_t shift) { Form_KeyDown(code, shift); });
  onKeyUp([this](std::int16_t code, std::int16_t shift) { Form_KeyUp(code, shift); });
  onClick(cmdReset, [this] { cmdReset_Click(); });
  onTimer(Timer1, [this] { Timer1_Timer(); });
}

void frmKestrinDodge::Form_Load() {
  for (std::size_t i = 0; i < balls_.size(); ++i) {
    balls_[i].stepX = kBallStarts[i].stepX;
    balls_[i].stepY = kBallStarts[i].stepY;
  }
}

// Two independent axes; no memory of which keys are held.
void frmKestrinDodge::Form_KeyDown(std::int16_t KeyCode, std::int16_t /*Shift*/) {
  if (KeyCode == keys::kLeft) {
    PaddleStepX = -kPlayerStep;
  } else if (KeyCode == keys::kRight) {
    PaddleStepX = kPlayerStep;
  }
  if (KeyCode == keys::kUp) {
    PaddleStepY = -kPlayerStep;
  } else if (KeyCode == keys::kDown) {
    PaddleStepY = kPlayerStep;
  }
}

void frmKestrinDodge::Form_KeyUp(std::int16_t KeyCode, std::int16_t /*Shift*/) {
  if (KeyCode == keys::kLeft || KeyCode == keys::kRight) PaddleStepX = 0;
  if (KeyCode == keys::kUp || KeyCode == keys::kDown) PaddleStepY = 0;
}

void frmKestrinDodge::cmdReset_Click() {
  // All four balls, hidden ones too, go back to the first ball's start in
  // its design; the player, the steps, the score and the lives stay as they
  // are.
  for (Ball& ball : balls_) {
    ball.shape.Top = shpBall.design().top;
    ball.shape.Left = shpBall.design().left;
  }
  lblLostLife.Visible = false;
  cmdReset.Visible = false;
  Timer1.Enabled = true;
}

void frmKestrinDodge::Timer1_Timer() {
  lblScore.Caption = numberCaption(captionNumber(lblScore.Caption) + 1);
  MoveBalls();
  BounceBalls();

  // The lives are compared only here, a tick after the hit that took them:
  // the game ends in the first tick after the "Reset" that follows. At 0 or
  // below, because two balls in the last hit take the count past 0.
  if (captionNumber(lbllives.Caption) <= 0) {
    MsgBox("Game Over", kGameOverTitle);
    EndProgram();
  }

  Paddle.Left = Paddle.Left + PaddleStepX;
  Paddle.Top = Paddle.Top + PaddleStepY;
  KeepPaddleInField();

  // Every ball in play is checked, even after a hit: each costs a life.
  for (const Ball& ball : balls_) {
    if (ball.releaseScore == 0 || ball.shape.Visible) CheckBallHit(ball.shape);
  }
}

void frmKestrinDodge::LoseLife() {
  lblLostLife.Visible = true;
  cmdReset.Visible = true;
  lbllives.Caption = numberCaption(captionNumber(lbllives.Caption) - 1);
  Timer1.Enabled = false;
}

void frmKestrinDodge::MoveBalls() {
  for (Ball& ball : balls_) {
    if (ball.releaseScore != 0) {
      if (captionNumber(lblScore.Caption) == ball.releaseScore) ball.shape.Visible = true;
      if (!ball.shape.Visible) continue;
    }
    ball.shape.Left = ball.shape.Left + ball.stepX;
    ball.shape.Top = ball.shape.Top + ball.stepY;
  }
}

void frmKestrinDodge::BounceBalls() {
  // Right and bottom first; only the step turns, so a ball may stand past an
  // edge for one tick. Hidden balls are tested too.
  for (Ball& ball : balls_) {
    const Control& b = ball.shape;
    if (shpR.Left + shpR.width() <= b.Left + b.width()) {
      ball.stepX = -ball.stepX;
    } else if (b.Left <= shpR.Left) {
      ball.stepX = -ball.stepX;
    }
    if (shpR.Top + shpR.height() <= b.Top + b.height()) {
      ball.stepY = -ball.stepY;
    } else if (b.Top <= shpR.Top) {
      ball.stepY = -ball.stepY;
    }
  }
}

void frmKestrinDodge::KeepPaddleInField() {
  // Left and top first; the player's steps are left alone.
  if (Paddle.Left <= shpR.Left) {
    Paddle.Left = shpR.Left;
  } else if (shpR.Left + shpR.width() <= Paddle.Left + Paddle.width()) {
    Paddle.Left = shpR.Left + shpR.width() - Paddle.width();
  }
  if (Paddle.Top <= shpR.Top) {
    Paddle.Top = shpR.Top;
  } else if (shpR.Top + shpR.height() <= Paddle.Top + Paddle.height()) {
    Paddle.Top = shpR.Top + shpR.height() - Paddle.height();
  }
}

void frmKestrinDodge::CheckBallHit(const Control& ball) {
  // The ball's bounding square, not the drawn circle.
  RECT overlap;
  if (IntersectRect(overlap, rectOf(Paddle), rectOf(ball)) != 0) LoseLife();
}

}  // namespace kestrin::dodge
