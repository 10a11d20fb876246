// kestrin-soak's checks: a short soak passes, and a state that breaks an
// invariant is caught, with what broke named.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "host/headless/replay.h"
#include "tools/soak/soak.h"
#include "tools/soak/watch.h"

namespace kestrin::test {
namespace {

Control& controlOf(Program& p, std::string_view screen, std::string_view name, int index = -1) {
  return *p.findScreen(screen)->form()->find(name, index);
}

struct Spoil {
  const char* open;
  std::function<void(Program&)> spoil;
  const char* observe;  // the line after which the watch must object
  const char* violation;
};

TEST(SoakWatch, CatchesEveryBrokenInvariant) {
  const char* bb = "click Main Image1\nkeydown 32\nticks 3";
  const char* lvl1 = "frmKestrinBrickBreaker";
  const char* dodge = "frmKestrinDodge";
  soak::Watch* watching = nullptr;  // the case's own
  const Spoil cases[] = {
      {bb, [&](Program& p) { controlOf(p, lvl1, "Brick", 3).Visible = false; }, "keyup 0",
       "hidden in its place"},
      {bb, [&](Program& p) { controlOf(p, lvl1, "lblScore").Caption = "25"; }, "keyup 0",
       "score 25 with 0 bricks"},
      {bb, [&](Program& p) { controlOf(p, lvl1, "lbllives").Caption = "4"; }, "ticks 1", "lives 4"},
      {bb, [&](Program& p) { controlOf(p, lvl1, "Paddle").Left = 100; }, "keyup 0", "paddle left"},
      {bb, [&](Program& p) { controlOf(p, lvl1, "shpBall").Top = -1000; }, "keyup 0", "outside"},
      {bb, [&](Program& p) { controlOf(p, lvl1, "Timer1").Enabled = false; }, "keyup 0",
       "timer stopped"},
      {bb, [&](Program& p) { controlOf(p, lvl1, "lbllives").Caption = "x"; }, "keyup 0",
       "not a number"},
      {bb, [&](Program& p) { p.show(*p.findScreen("Main")); }, "keyup 0", "2 screens visible"},
      {"click Main Image2\nticks 9", [&](Program& p) { controlOf(p, dodge, "lblScore").Caption = "8"; },
       "keyup 0", "score 8 after 9 ticks"},
      {"click Main Image2\nticks 9",
       [&](Program& p) { controlOf(p, dodge, "shpBall3").Visible = true; }, "keyup 0", "shown"},
      // What only the end and the boxes tell: a tick that reads a spoilt
      // caption opens the error box; a game over while lives were left.
      {bb, [&](Program& p) { controlOf(p, lvl1, "lbllives").Caption = "x"; }, "ticks 1",
       "unexpected message box: 'Type mismatch'"},
      {bb, [&](Program& p) { controlOf(p, lvl1, "lbllives").Caption = "0"; }, "ticks 1",
       "Game Over with 3 lives, by Timer1_Timer"},
      // A box told to the watch, as if a handler had opened it and play went on.
      {bb,
       [&](Program& p) { watching->messageBox(p.now(), "Game Over", "Kestrin Brick Breaker"); },
       "keyup 0", "Game Over and play went on"},
  };
  for (const Spoil& c : cases) {
    SCOPED_TRACE(c.violation);
    soak::Tally tally;
    soak::Watch watch(tally);
    watching = &watch;
    headless::Replay replay(watch);
    std::string error;
    const auto run = [&](std::string_view script) {
      std::size_t start = 0;
      while (start < script.size()) {
        std::size_t end = script.find('\n', start);
        if (end == std::string_view::npos) end = script.size();
        const std::string_view line = script.substr(start, end - start);
        watch.beforeLine(line);
        ASSERT_TRUE(replay.runLine(line, error)) << error;
        watch.afterLine();
        start = end + 1;
      }
    };
    run(c.open);
    ASSERT_EQ(watch.violation(), "");
    c.spoil(replay.program());
    run(c.observe);
    EXPECT_NE(watch.violation().find(c.violation), std::string::npos) << watch.violation();
  }
}

TEST(SoakWatch, ShortSoakHoldsAndIsReproducible) {
  const soak::Result a = soak::soak(7, 30000);
  const soak::Result b = soak::soak(7, 30000);
  EXPECT_TRUE(a.ok) << a.violation;
  EXPECT_EQ(a.ticks, 30000u);
  EXPECT_EQ(a.lines, b.lines);
  EXPECT_EQ(a.tally.loads, b.tally.loads);
  EXPECT_GT(a.tally.loads[1] + a.tally.loads[4], 0u);  // it played, not just sat there
}

}  // namespace
}  // namespace kestrin::test
