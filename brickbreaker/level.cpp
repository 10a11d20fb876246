#include "level.h"

#include "shell/caption_number.h"
#include "shell/keys.h"
#include "shell/rect.h"

namespace kestrin::brickbreaker {

namespace {

// Twips per tick.
constexpr int kBallStepAcross = 80;
constexpr int kBallStepUpDown = 90;
constexpr int kPaddleStep = 100;

// Where "Reset" puts the ball, the same point on every level.
constexpr float kResetTop = 6840;
constexpr float kResetLeft = 7320;

constexpr float kRemovedLeft = -300;  // wholly left of the playfield
constexpr int kPointsPerBrick = 25;

// The banana falls while the score reads exactly this, so far a tick.
constexpr double kBananaScore = 1000;
constexpr float kBananaFall = 100;

constexpr std::string_view kGameTitle = "Kestrin Brick Breaker";

}  // namespace

frmKestrinBrickBreaker::frmKestrinBrickBreaker(Screen& screen, const LevelRules& rules,
                                               const LevelLinks& links)
    : Form(screen),
      level_(rules),
      links_(links),
      imgBanana(rules.bananaBonus ? &control("imgBanana") : nullptr) {
  variable("BallStepX", BallStepX);
  variable("BallStepY", BallStepY);
  variable("PaddleStep", PaddleStep);
  if (!links.nextLevel.empty()) opens(links.nextLevel);
  onKeyDown([this](std::int16_t code, std::int16_t shift) { Form_KeyDown(code, shift); });
  onKeyUp([this](std::int16_t code, std::int16_t shift) { Form_KeyUp(code, shift); });
  onClick(cmdReset, [this] { cmdReset_Click(); });
  onTimer(Timer1, [this] { Timer1_Timer(); });
}

void frmKestrinBrickBreaker::Form_KeyDown(std::int16_t KeyCode, std::int16_t /*Shift*/) {
  if (KeyCode == keys::kLeft) {
    PaddleStep = -kPaddleStep;
  } else if (KeyCode == keys::kRight) {
    PaddleStep = kPaddleStep;
  }
  // Space launches the ball, once: the steps never return to 0.
  if (BallStepX == 0 && BallStepY == 0 && KeyCode == keys::kSpace) {
    BallStepX = -kBallStepAcross;
    BallStepY = -kBallStepUpDown;
    lblStart.Visible = false;
  }
}

void frmKestrinBrickBreaker::Form_KeyUp(std::int16_t KeyCode, std::int16_t /*Shift*/) {
  // No memory of held keys: releasing either arrow stops the paddle.
  if (KeyCode == keys::kLeft || KeyCode == keys::kRight) PaddleStep = 0;
}

void frmKestrinBrickBreaker::cmdReset_Click() {
  // Play goes on at once, with the steps the ball had when it was lost.
  shpBall.Top = kResetTop;
  shpBall.Left = kResetLeft;
  lblLostLife.Visible = false;
  cmdReset.Visible = false;
  Timer1.Enabled = true;
}

void frmKestrinBrickBreaker::Timer1_Timer() {
  shpBall.Left = shpBall.Left + BallStepX;
  shpBall.Top = shpBall.Top + BallStepY;

  if (level_.bananaBonus) LetBananaFall();

  // The walls are tested after the move: the ball may overlap one by up to a
  // step before it turns.
  if (shpBall.Left + shpBall.width() >= shpR.Left + shpR.width()) {
    BallStepX = -BallStepX;
  } else if (shpBall.Left <= shpR.Left) {
    BallStepX = -BallStepX;
  }

  if (shpBall.Top + shpBall.height() >= shpR.Top + shpR.height()) {
    // Lost at the bottom. The rest of the tick still runs.
    BallStepY = -BallStepY;
    lblLostLife.Visible = true;
    cmdReset.Visible = true;
    Timer1.Enabled = false;
  } else if (shpBall.Top <= shpR.Top) {
    BallStepY = -BallStepY;
  }

  // "Lost Life" shows only in the tick that lost the ball: the timer is
  // stopped then, and "Reset" hides the label before it restarts it.
  if (lblLostLife.Visible) {
    AddToLives(-1);
    if (level_.bananaBonus) imgBanana->Visible = false;  // a lost ball takes the bonus away
  }

  // At 0 or below: the count can never pass 0 here, but it ends the game on
  // the same test as Dodge, where it can.
  if (captionNumber(lbllives.Caption) <= 0) {
    MsgBox("Game Over", kGameTitle);
    EndProgram();
  }

  Paddle.Left = Paddle.Left + PaddleStep;
  KeepPaddleInField();
  BounceOffPaddle();
  if (level_.bananaBonus) CatchBanana();
  BreakBricks();
}

void frmKestrinBrickBreaker::KeepPaddleInField() {
  if (Paddle.Left <= shpR.Left) {
    Paddle.Left = shpR.Left;
  } else if (Paddle.Left + Paddle.width() >= shpR.Left + shpR.width()) {
    Paddle.Left = shpR.Left + shpR.width() - Paddle.width();
  }
}

void frmKestrinBrickBreaker::BounceOffPaddle() {
  // Always up at full speed, whatever the vertical step was, so a ball still
  // overlapping the paddle next tick is not turned back down.
  RECT overlap;
  if (IntersectRect(overlap, rectOf(Paddle), rectOf(shpBall)) != 0) BallStepY = -kBallStepUpDown;
}

void frmKestrinBrickBreaker::LetBananaFall() {
  if (captionNumber(lblScore.Caption) == kBananaScore) imgBanana->Top = imgBanana->Top + kBananaFall;
}

void frmKestrinBrickBreaker::CatchBanana() {
  RECT overlap;
  const int touching = IntersectRect(overlap, rectOf(Paddle), rectOf(*imgBanana));
  if (touching != 0 && imgBanana->Visible) {
    // Hidden, and back where its design puts it.
    imgBanana->Visible = false;
    imgBanana->Top = imgBanana->design().top;
    imgBanana->Left = imgBanana->design().left;
    AddToLives(+1);
  }
}

void frmKestrinBrickBreaker::BreakBricks() {
  // Every brick, hidden ones too, in index order. Only a hit moves the ball,
  // so its rectangle is rebuilt after each hit: a placement after one hit is
  // seen by the next brick.
  RECT ball = rectOf(shpBall);
  for (Integer i = 0; i <= level_.lastBrick; i = i + 1) {
    Control& brick = Brick(i);
    RECT overlap;
    if (IntersectRect(overlap, ball, rectOf(brick)) == 0) continue;

    const Face face = FaceHit(brick);
    if (face == Face::Top || face == Face::Bottom) {
      BallStepY = -BallStepY;
    } else {
      BallStepX = -BallStepX;
    }

    if (!level_.twoHitBricks) {
      RemoveBrick(brick, face);
    } else if (brick.FillColor == links_.twoHitsLeft) {
      brick.FillColor = links_.oneHitLeft;  // first of two hits: it stands, the ball stays put
    } else if (brick.FillColor == links_.oneHitLeft) {
      RemoveBrick(brick, face);
    }

    if (LevelCleared()) {
      if (links_.nextLevel.empty()) {
        MsgBox("You Win");
        EndProgram();
      }
      Load(links_.nextLevel);
      Show(links_.nextLevel);
      UnloadMe();
      return;  // nothing of this screen is touched again
    }
    ball = rectOf(shpBall);
  }
}

// The face with the smallest depth; ties go to top, then right, then left.
frmKestrinBrickBreaker::Face frmKestrinBrickBreaker::FaceHit(const Control& brick) const {
  const std::int16_t top = toInt16(shpBall.Top + shpBall.height() - brick.Top);
  const std::int16_t bottom = toInt16(brick.Top + brick.height() - shpBall.Top);
  const std::int16_t right = toInt16(brick.Left + brick.width() - shpBall.Left);
  const std::int16_t left = toInt16(shpBall.Left + shpBall.width() - brick.Left);
  if (top <= bottom && top <= right && top <= left) return Face::Top;
  if (right <= top && right <= bottom && right <= left) return Face::Right;
  if (left <= top && left <= bottom && left <= right) return Face::Left;
  return Face::Bottom;
}

void frmKestrinBrickBreaker::RemoveBrick(Control& brick, Face face) {
  brick.Visible = false;
  // The ball is placed from the brick's place before the brick is moved away.
  if (level_.placement == BallPlacement::UnderBrick) {
    shpBall.Top = brick.Top + brick.height();
  } else {
    switch (face) {
      case Face::Top: shpBall.Top = brick.Top - shpBall.height(); break;
      case Face::Right: shpBall.Left = brick.Left + brick.width(); break;
      case Face::Left: shpBall.Left = brick.Left - shpBall.width(); break;
      case Face::Bottom: shpBall.Top = brick.Top + brick.height(); break;
    }
  }
  brick.Left = kRemovedLeft;
  lblScore.Caption = numberCaption(captionNumber(lblScore.Caption) + kPointsPerBrick);
}

// The bricks' Visible properties are the only record of what is left.
bool frmKestrinBrickBreaker::LevelCleared() {
  for (Integer i = 0; i <= level_.lastBrickToClear; i = i + 1) {
    if (Brick(i).Visible) return false;
  }
  return true;
}

void frmKestrinBrickBreaker::AddToLives(double change) {
  lbllives.Caption = numberCaption(captionNumber(lbllives.Caption) + change);
}

}  // namespace kestrin::brickbreaker
