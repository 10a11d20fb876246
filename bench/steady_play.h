#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "host/headless/virtual_clock.h"
#include "shell/program.h"

namespace kestrin::bench {

// A game screen in steady play: the ball launched (Brick Breaker) or all
// four balls out (Dodge), and the moving things put back before each tick
// to a place clear of bricks, walls and player, so every tick does the same
// work for as long as a benchmark runs.
class SteadyPlaces {
 public:
  SteadyPlaces(Program& program, Screen& screen);
  // Puts the moving controls back where they started this benchmark, or,
  // with `shifted`, a step to the right of there: alternating the two
  // keeps what a window shows changing every tick.
  void rewind(bool shifted = false);

 private:
  struct Place {
    Control* control;
    float left, top;
  };
  Place places_[4] = {};
  int count_ = 0;
};

// That screen alone on a virtual clock.
class SteadyPlay final : public Host {
 public:
  explicit SteadyPlay(std::string_view screenName);

  Program& program() { return program_; }
  Screen& screen() { return *screen_; }
  headless::VirtualClock& clock() { return clock_; }

  void rewind() { places_->rewind(); }
  // One tick as a host delivers it: the clock moves to the next due time
  // and the model runs the handler.
  void tick();

  // No box opens in steady play; one that does means the set-up is wrong.
  void messageBox(std::string_view text, std::string_view title) override;

 private:
  headless::VirtualClock clock_;
  Program program_;
  Screen* screen_ = nullptr;
  std::optional<SteadyPlaces> places_;
};

}  // namespace kestrin::bench
