#pragma once

#include <cstdint>
#include <string_view>

#include "host/headless/virtual_clock.h"
#include "shell/program.h"

namespace kestrin::bench {

// One game screen on a virtual clock, in steady play: the ball launched
// (Brick Breaker) or all four balls out (Dodge), with the moving things put
// back each tick to a place clear of bricks, walls and player, so every tick
// does the same work for as long as a benchmark runs.
class SteadyPlay final : public Host {
 public:
  explicit SteadyPlay(std::string_view screenName);

  Program& program() { return program_; }
  Screen& screen() { return *screen_; }
  headless::VirtualClock& clock() { return clock_; }

  // Puts the moving controls back where they started this benchmark.
  void rewind();
  // One tick as a host delivers it: the clock moves to the next due time
  // and the model runs the handler.
  void tick();

  // No box opens in steady play; one that does means the set-up is wrong.
  void messageBox(std::string_view text, std::string_view title) override;

 private:
  struct Place {
    Control* control;
    float left, top;
  };

  headless::VirtualClock clock_;
  Program program_;
  Screen* screen_ = nullptr;
  Place places_[5] = {};
  int placeCount_ = 0;
};

}  // namespace kestrin::bench
