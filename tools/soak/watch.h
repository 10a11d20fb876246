#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "designs/designs.h"
#include "host/headless/virtual_clock.h"
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

// The invariants of play, checked after every event of one program run: fed
// every trace line as the headless host writes it (after the event has been
// handled in full), it reads the model and compares it with what the rules
// allow, given the state it saw after the event before.
class Watch {
 public:
  explicit Watch(Tally& tally) : tally_(tally) {}

  // Before the first script line: the program as start-up left it.
  void attach(const Program& program, const headless::VirtualClock& clock);
  // The trace sink.
  void onTrace(std::string_view line);
  // Around each script line the driver runs.
  void beforeLine(std::string_view line);
  void afterLine();

  // Empty while every invariant has held.
  const std::string& violation() const { return violation_; }
  std::uint64_t ticks() const { return ticks_; }

 private:
  enum class Kind : std::uint8_t { Level1, Level2, Level3, Dodge };

  void fail(std::string what);
  void observe(std::string_view event, std::string_view screen);
  void checkEnd();
  void startGame(const Screen& screen, Kind kind, std::string_view event,
                 std::string_view eventScreen);
  void checkBrickBreaker(bool tick);
  void checkDodge(bool tick);
  void checkTimer(bool tick, std::string_view event, std::string_view screen);
  double number(const Control& label);
  int step(int var) const { return *vars_[static_cast<std::size_t>(var)]; }

  Tally& tally_;
  const Program* program_ = nullptr;
  const headless::VirtualClock* clock_ = nullptr;
  std::string violation_;
  std::uint64_t ticks_ = 0;

  std::string line_;                 // the script line being run
  std::int64_t lineStart_ = 0;       // the clock when it began
  std::optional<std::int64_t> wait_;  // what it waits, in microseconds
  std::string box_;                  // the last message box's text
  std::int64_t lastTime_ = 0;

  std::uint64_t serial_ = 0;  // of the game screen being watched; 0: none
  Kind kind_ = Kind::Dodge;
  std::string_view name_;

  // The game screen's controls, bound once a load.
  const Control* field_ = nullptr;
  const Control* paddle_ = nullptr;
  const Control* score_ = nullptr;
  const Control* lives_ = nullptr;
  const Control* lostLife_ = nullptr;
  const Control* reset_ = nullptr;
  const Control* timer_ = nullptr;
  const Control* banana_ = nullptr;
  std::array<const Control*, 4> balls_{};
  std::array<const Integer*, 10> vars_{};
  std::array<const Control*, 48> bricks_{};
  int brickCount_ = 0;
  std::array<float, 48> brickLeft_{}, brickTop_{};

  // What the last observation saw.
  double scoreAtLoad_ = 0;
  double lastScore_ = 0;
  double lastLives_ = 0;
  bool lastBananaVisible_ = false;
  float lastBananaTop_ = 0;
  float paddleTop_ = 0;
  bool running_ = false;         // Timer1 enabled
  std::int64_t runStart_ = 0;    // when it last started
  std::uint64_t runTicks_ = 0;   // ticks since then
  std::uint64_t gameTicks_ = 0;  // ticks since the load
  std::bitset<48> removed_;
  std::bitset<48> hitOnce_;  // level 3's dark-red bricks turned brown
};

}  // namespace kestrin::soak
