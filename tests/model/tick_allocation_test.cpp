// A tick in play allocates nothing: not the handler, not the model's
// delivery, not the question when the next tick is due.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "host/headless/replay.h"
#include "tools/support/allocation_count.h"

namespace kestrin::test {
namespace {

using support::allocationCount;

// Ticks as the Qt host delivers them, with no trace written; returns the
// allocations they made. Stops early if the screen's timer stops.
std::size_t allocationsOver(headless::Replay& replay, Screen& screen, int ticks, int& ran) {
  Program& program = replay.program();
  const std::size_t before = allocationCount();
  for (ran = 0; ran < ticks && screen.loaded(); ++ran) {
    const std::optional<std::int64_t> due = program.nextTickDue();
    if (!due) break;
    replay.clock().set(*due);
    program.tick();
    (void)program.nextTickDue();
  }
  return allocationCount() - before;
}

void playWithoutAllocating(std::string_view screenName, std::string_view opening) {
  SCOPED_TRACE(std::string(screenName));
  headless::Replay replay{headless::Replay::Sink()};
  std::string error;
  for (std::string_view line : {opening, std::string_view("keydown 32"), std::string_view("keydown 37")}) {
    ASSERT_TRUE(replay.runLine(line, error)) << error;
  }
  Screen* screen = replay.program().findScreen(screenName);
  ASSERT_TRUE(screen != nullptr && screen->loaded());
  int ran = 0;
  allocationsOver(replay, *screen, 2, ran);  // the first look at a new screen records it
  // Ball, paddle and score moving; on level 1 the ball reaches the bricks.
  EXPECT_EQ(allocationsOver(replay, *screen, 250, ran), 0u);
  EXPECT_GT(ran, 100);
}

TEST(TickAllocations, NoneInSteadyPlayOnAnyGameScreen) {
  playWithoutAllocating("frmKestrinBrickBreaker", "click Main Image1");
  playWithoutAllocating("frmKestrinDodge", "click Main Image2");
}

TEST(TickAllocations, NoneOnTheLaterLevels) {
  for (std::string_view level : {"frmKestrinBrickBreakerLvl2", "frmKestrinBrickBreakerLvl3"}) {
    headless::Replay replay{headless::Replay::Sink()};
    Program& program = replay.program();
    program.show(program.screen(level));
    program.unload(program.screen("Main"));
    Screen& screen = program.screen(level);
    program.keyDown(32, 0);
    program.keyDown(39, 0);
    int ran = 0;
    allocationsOver(replay, screen, 2, ran);
    EXPECT_EQ(allocationsOver(replay, screen, 250, ran), 0u) << level;
    EXPECT_GT(ran, 100) << level;
  }
}

}  // namespace
}  // namespace kestrin::test
