#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "designs/designs.h"
#include "shell/observer.h"
#include "shell/program.h"

namespace kestrin::soak {

// How often each screen was loaded, and how the programs ended, over a soak.
struct Tally {
  std::array<std::uint64_t, 5> loads{};  // by kScreens order
  std::uint64_t gameOvers = 0;
  std::uint64_t wins = 0;
  std::uint64_t closedOut = 0;  // the last screen closed
  std::uint64_t bananas = 0;    // bananas caught
  std::uint64_t lostLives = 0;
};

inline constexpr std::array<std::string_view, 5> kScreens{
    designs::names::kMain, designs::names::kBrickBreaker, designs::names::kBrickBreakerLvl2,
    designs::names::kBrickBreakerLvl3, designs::names::kDodge};

// The invariants of play over one program run. Added to the program before
// it starts, it is told of every event once the event has been handled in
// full, reads the model and compares it with what the rules allow, given
// what it saw after the event before. The driver also tells it each script
// line it runs, so that the clock is checked against the script.
class Watch final : public ProgramObserver {
 public:
  explicit Watch(Tally& tally);
  ~Watch() override;

  // Around each script line the driver runs.
  void beforeLine(std::string_view line);
  void afterLine();

  // Empty while every invariant has held.
  const std::string& violation() const { return violation_; }
  std::uint64_t ticks() const { return ticks_; }

  void started(std::int64_t t, const Program& program) override;
  void delivered(std::int64_t t, const Delivery& delivery, const Program& program) override;
  void messageBox(std::int64_t t, std::string_view text, std::string_view title) override;
  void ended(std::int64_t t, const Delivery& cause) override;

 private:
  struct Game;  // the game screen being watched, bound at its load

  template <class Body>
  void guard(std::int64_t t, Body&& body);
  void observe(const Delivery& delivery);
  void checkTimer(Game& game, const Delivery& delivery);
  void checkMoves(const Game& game);
  void checkBrickBreaker(Game& game, bool tick);
  void checkDodge(Game& game, bool tick);

  Tally& tally_;
  const Program* program_ = nullptr;
  std::string violation_;
  std::uint64_t ticks_ = 0;
  std::int64_t lastTime_ = 0;
  std::string line_;            // the script line being run
  std::int64_t lineEnd_ = 0;    // where it must leave the clock
  std::string_view box_;        // the box the event being handled opened
  std::unique_ptr<Game> game_;  // null while no game screen is loaded
};

}  // namespace kestrin::soak
