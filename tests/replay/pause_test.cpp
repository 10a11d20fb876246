#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/common/catalog.h"
#include "host/common/pause.h"
#include "host/headless/virtual_clock.h"
#include "shell/keys.h"

namespace kestrin {
namespace {

class NoBoxes final : public Host {
 public:
  void messageBox(std::string_view, std::string_view) override {}
};

class CountingClock final : public Stoppable {
 public:
  void stop() override { log += "stop "; }
  void go() override { log += "go "; }
  std::string log;
};

// What the host reports, in turn, and whether the program is paused after
// it: P and Pause start and end a pause of their own whatever the focus
// does, losing the keyboard pauses until it comes back, and the clock
// stops and goes only when the two together change.
TEST(Pause, ThePlayerAwayOrPOrPauseStopTheClockUntilBothAreOver) {
  NoBoxes host;
  headless::VirtualClock time;
  Program program(host, time, "Kestrin");
  addKestrinScreens(program);
  program.start(kFirstScreen);
  Pause pause(program);
  CountingClock clock;
  pause.stops(clock);

  struct Step {
    const char* what;
    bool paused;
    const char* clock;  // the clock's log so far
  };
  const std::vector<Step> steps = {
      {"P down", true, "stop "},         {"P down", true, "stop "},  // a repeat
      {"P up", true, "stop "},           {"lost", true, "stop "},
      {"P down", true, "stop "},         {"P up", true, "stop "},
      {"back", false, "stop go "},       {"lost", true, "stop go stop "},
      {"lost", true, "stop go stop "},   {"back", false, "stop go stop go "},
      {"Pause down", true, "stop go stop go stop "},
      {"lost", true, "stop go stop go stop "},
      {"back", true, "stop go stop go stop "},  // held by the key, not by the focus
      {"Pause up", true, "stop go stop go stop "},
      {"P down", false, "stop go stop go stop go "},
  };
  for (const Step& step : steps) {
    const std::string what = step.what;
    SCOPED_TRACE(what);
    if (what == "lost") {
      pause.keyboardLost();
    } else if (what == "back") {
      pause.keyboardBack();
    } else {
      const std::int16_t code = what.starts_with("Pause") ? keys::kPause : keys::kP;
      EXPECT_TRUE(pause.key(code, what.ends_with("down")));
    }
    EXPECT_EQ(pause.paused(), step.paused);
    EXPECT_EQ(clock.log, step.clock);
  }
  // Every other key is the program's.
  EXPECT_FALSE(pause.key(keys::kRight, true));
  EXPECT_FALSE(pause.key(keys::kSpace, false));
}

}  // namespace
}  // namespace kestrin
