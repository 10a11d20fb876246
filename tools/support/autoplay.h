#pragma once

#include <functional>
#include <string>

#include "shell/program.h"

namespace kestrin::support {

// Plays Brick Breaker through script lines alone, as a steady player would:
// on the level on show it launches the ball, clicks "Reset" after a lost
// ball and keeps the paddle under the ball with the arrow keys. It looks at
// the running program (step variables, where the ball and the paddle are
// and how wide) as a player looks at the screen, and it clears every level.
// kestrin-screenshot's `autoplay` and the whole-game test play with it.
class BrickBreakerPlayer {
 public:
  // Runs one line of a script; false when it was refused.
  using Run = std::function<bool(const std::string& line)>;

  // One tick of play, the last line always "ticks 1": first the keys and
  // clicks of the moment on a Brick Breaker level that is the active
  // screen, nothing more anywhere else. Each line is run as soon as it is
  // decided, so the next decision sees what it did (a "Reset" moves the
  // ball). Stops, returning false, at the first line refused.
  bool playTick(const Program& program, const Run& run);

 private:
  const Screen* level_ = nullptr;
  int held_ = 0;  // the arrow held down, 0 for none
};

}  // namespace kestrin::support
