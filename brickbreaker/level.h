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

// Everything that differs between the three levels; the rest of the rules
// are one set for all.
struct LevelRules {
  std::int16_t lastBrick;         // Brick(0) to Brick(lastBrick) are tested every tick
  std::int16_t lastBrickToClear;  // Brick(0) to Brick(lastBrickToClear) must all be gone
  bool twoHitBricks;              // a dark-red brick only turns brown on its first hit
  BallPlacement placement;
  std::string_view nextLevel;     // loaded and shown on clearing; none: "You Win"
  bool bananaBonus;               // the banana falls, is lost with a ball, can be caught
};

inline constexpr LevelRules kLevel1{.lastBrick = 7, .lastBrickToClear = 7, .twoHitBricks = false,
                                    .placement = BallPlacement::AgainstFace,
                                    .nextLevel = "frmKestrinBrickBreakerLvl2", .bananaBonus = false};
inline constexpr LevelRules kLevel2{.lastBrick = 15, .lastBrickToClear = 15, .twoHitBricks = false,
                                    .placement = BallPlacement::AgainstFace,
                                    .nextLevel = "frmKestrinBrickBreakerLvl3", .bananaBonus = false};
inline constexpr LevelRules kLevel3{.lastBrick = 47, .lastBrickToClear = 15, .twoHitBricks = true,
                                    .placement = BallPlacement::UnderBrick,
                                    .nextLevel = {}, .bananaBonus = true};

// One Brick Breaker level screen. The three levels are three screens running
// this one class, each with its own design and its own LevelRules.
class BrickBreakerLevel : public Form {
 public:
  BrickBreakerLevel(Screen& screen, const LevelRules& rules);

 private:
  enum class Face : std::uint8_t { Top, Right, Left, Bottom };

  void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
  void Form_KeyUp(std::int16_t KeyCode, std::int16_t Shift);
  void cmdReset_Click();
  void Timer1_Timer();

  void KeepPaddleInField();
  void BounceOffPaddle();
  void BananaFall();
  void CatchBanana();
  void BreakBricks();
  Face FaceHit(const Control& brick) const;
  void RemoveBrick(Control& brick, Face face);
  bool LevelCleared();
  void AddToLives(double change);

  const LevelRules& level_;

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
