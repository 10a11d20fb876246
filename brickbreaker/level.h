#pragma once

#include <cstdint>
#include <string_view>

#include "shell/form.h"
#include "shell/integer.h"

namespace kestrin::brickbreaker {

// How a removed brick leaves the ball.
enum class BallPlacement : std::uint8_t {
  AgainstFace,  // on, under or beside the brick, by the face it hit
  UnderBrick,   // always under the brick, whatever face it hit
};

// Everything in the rules that differs between the three levels; the rest
// of the rules are one set for all.
struct LevelRules {
  std::int16_t lastBrick;         // Brick(0) to Brick(lastBrick) are tested every tick
  std::int16_t lastBrickToClear;  // Brick(0) to Brick(lastBrickToClear) must all be gone
  bool twoHitBricks;              // a two-hit brick only changes colour on its first hit
  BallPlacement placement;
  bool bananaBonus;               // the banana falls, is lost with a ball, can be caught
};

inline constexpr LevelRules kLevel1{.lastBrick = 7, .lastBrickToClear = 7, .twoHitBricks = false,
                                    .placement = BallPlacement::AgainstFace, .bananaBonus = false};
inline constexpr LevelRules kLevel2{.lastBrick = 15, .lastBrickToClear = 15, .twoHitBricks = false,
                                    .placement = BallPlacement::AgainstFace, .bananaBonus = false};
inline constexpr LevelRules kLevel3{.lastBrick = 47, .lastBrickToClear = 15, .twoHitBricks = true,
                                    .placement = BallPlacement::UnderBrick, .bananaBonus = true};

// What a level takes from the designs, handed over by the composition root,
// so that the rules follow the designs: the screen it opens when it is
// cleared, and the colours by which a two-hit brick tells its hits left.
struct LevelLinks {
  std::string_view nextLevel;  // loaded and shown on clearing; none: "You Win"
  Colour twoHitsLeft;          // turns oneHitLeft when hit
  Colour oneHitLeft;           // removed when hit
};

// The three Brick Breaker level screens: one class, named as the first
// level's screen, each level with its own design, its own LevelRules row
// and its own links.
class frmKestrinBrickBreaker : public Form {
 public:
  frmKestrinBrickBreaker(Screen& screen, const LevelRules& rules, const LevelLinks& links);

 private:
  enum class Face : std::uint8_t { Top, Right, Left, Bottom };

  void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
  void Form_KeyUp(std::int16_t KeyCode, std::int16_t Shift);
  void cmdReset_Click();
  void Timer1_Timer();

  void KeepPaddleInField();
  void BounceOffPaddle();
  void LetBananaFall();
  void CatchBanana();
  void BreakBricks();
  Face FaceHit(const Control& brick) const;
  void RemoveBrick(Control& brick, Face face);
  bool LevelCleared();
  void AddToLives(double change);

  const LevelRules& level_;
  const LevelLinks links_;

  // Twips per tick.
  Integer BallStepX;
  Integer BallStepY;
  Integer PaddleStep;

  Control& shpBall = control("shpBall");
  Control& shpR = control("shpR");
  Control& Paddle = control("Paddle");
  Control& lbllives = control("lbllives");
  Control& lblScore = control("lblScore");
  Control& lblLostLife = control("lblLostLife");
  Control& lblStart = control("lblStart");
  Control& cmdReset = control("cmdReset");
  Control& Timer1 = control("Timer1");
  ControlArray Brick = controlArray("Brick");
  Control* imgBanana;  // level 3 only
};

}  // namespace kestrin::brickbreaker
