#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "designs/designs.h"
#include "host/common/catalog.h"
#include "host/common/pause.h"
#include "host/common/script_writer.h"
#include "host/common/trace.h"
#include "host/headless/replay.h"
#include "host/headless/virtual_clock.h"
#include "shell/keys.h"

namespace kestrin {
namespace {

// A real host's clock: real time runs on, and the program's time is real
// time less the time it stood still while paused.
class PausingClock final : public Clock, public Stoppable {
 public:
  std::int64_t now() const override { return stoppedAt_ ? *stoppedAt_ : real_ - stood_; }
  void stop() override { stoppedAt_ = now(); }
  void go() override {
    stood_ = real_ - *stoppedAt_;
    stoppedAt_.reset();
  }
  void advance(std::int64_t micros) { real_ += micros; }
  // Real time moves on to when the program's clock reads t (running), or
  // by as long (standing still).
  void advanceTo(std::int64_t t) { real_ += std::max<std::int64_t>(t - now(), 0); }
  std::int64_t real() const { return real_; }

 private:
  std::int64_t real_ = 0;
  std::int64_t stood_ = 0;
  std::optional<std::int64_t> stoppedAt_;
};

// A host as a real one behaves: its clock runs on while handlers run, it
// wakes for ticks late (now and then by several periods, so ticks are
// dropped), and the player's keys, clicks and close boxes come at any
// microsecond, also between a tick falling due and the host waking for it.
// The player switches away and back, and presses P, now and then.
class RealisticHost final : public Host {
 public:
  void messageBox(std::string_view, std::string_view) override { clock.advance(900'000); }
  PausingClock clock;
};

struct Recorded {
  std::string script, trace;
  bool exact = true;
  int keysLetGo = 0;        // trace lines of keys let go on switching away
  std::int64_t paused = 0;  // microseconds of real time the program stood still
};

Recorded playAtRandom(unsigned seed, std::int64_t seconds) {
  RealisticHost host;
  Recorded out;
  ScriptWriter script([&out](std::string_view l) { out.script += l; },
                      [&out](std::int64_t, std::string_view) { out.exact = false; });
  TraceWriter trace([&out](std::string_view l) { out.trace += l; });
  Program program(host, host.clock, std::string(kProgramTitle));
  program.addObserver(script);
  program.addObserver(trace);
  addKestrinScreens(program);
  program.start(kFirstScreen);
  Pause pause(program);
  pause.stops(host.clock);

  std::mt19937 random(seed);
  const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  constexpr std::int16_t kKeys[] = {keys::kLeft, keys::kRight, keys::kUp, keys::kDown,
                                    keys::kSpace, keys::kEnter, keys::kTab};
  while (!program.ended() && host.clock.real() < seconds * 1'000'000) {
    host.clock.advance(pick(20'000));
    const int what = pick(100);
    Screen* active = program.activeScreen();
    if (what < 2) {
      // Switched away, or back; or P pressed.
      if (pick(3) == 0) {
        pause.key(pick(2) == 0 ? keys::kP : keys::kPause, true);
        pause.key(keys::kP, false);
        pause.key(keys::kPause, false);
      } else if (pick(2) == 0) {
        const std::size_t before = out.trace.size();
        pause.keyboardLost();
        if (out.trace.size() != before) ++out.keysLetGo;
      } else {
        pause.keyboardBack();
      }
    } else if (what < 55) {
      // The host wakes for the ticks due, late by up to three periods.
      // While the program's clock stands still, none falls due.
      const std::int64_t before = host.clock.now();
      const std::optional<std::int64_t> due = program.nextTickDue();
      if (due && *due > host.clock.now()) host.clock.advanceTo(*due + pick(3 * 15'625 + 1));
      while (program.tick()) host.clock.advance(pick(300));
      if (pause.paused()) {
        EXPECT_EQ(host.clock.now(), before);
      }
    } else if (what < 85) {
      const std::int16_t code = kKeys[pick(7)];
      if (pick(2) == 0) {
        program.keyDown(code, static_cast<std::int16_t>(pick(2)));
      } else {
        program.keyUp(code, 0);
      }
    } else if (what < 98 && active != nullptr) {
      // A control at random, or the ground.
      auto& controls = active->form()->controls();
      const int i = pick(static_cast<int>(controls.size()) + 1);
      program.click(*active, i < static_cast<int>(controls.size()) ? &controls[static_cast<std::size_t>(i)] : nullptr);
    } else if (active != nullptr && active->name() != designs::names::kMain) {
      program.close(*active);
    }
  }
  script.finish();
  out.paused = host.clock.real() - host.clock.now();
  return out;
}

// Whatever the host's lateness, the script a session was recorded as
// replays it exactly: the same trace, line for line.
TEST(Recording, ARealisticSessionRecordedReplaysToTheSameTrace) {
  int dropsSeen = 0;
  int letGoSeen = 0;
  int pausedSeen = 0;
  for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
    SCOPED_TRACE(seed);
    const Recorded run = playAtRandom(seed, 60);
    EXPECT_TRUE(run.exact);
    if (run.script.find("\ndrop ") != std::string::npos) ++dropsSeen;
    if (run.keysLetGo > 0) ++letGoSeen;
    if (run.paused > 0) ++pausedSeen;

    std::string replayed;
    headless::Replay replay([&replayed](std::string_view l) { replayed += l; });
    headless::LineReader lines(run.script);
    std::ostringstream errors;
    ASSERT_EQ(replay.run(lines, errors), 0) << errors.str();
    ASSERT_EQ(replayed, run.trace) << run.script;
  }
  EXPECT_GT(dropsSeen, 0) << "no session dropped a tick: the test proves less than it says";
  EXPECT_GT(letGoSeen, 0) << "no session let a key go on switching away";
  EXPECT_GT(pausedSeen, 0) << "no session stood still";
}

// Waits are written as the format takes them: milliseconds with up to three
// decimals, at most a day a line.
TEST(Recording, WaitLinesSayTheMicrosecondsExactly) {
  EXPECT_EQ(waitLines(0), "");
  EXPECT_EQ(waitLines(1), "wait 0.001\n");
  EXPECT_EQ(waitLines(15'625), "wait 15.625\n");
  EXPECT_EQ(waitLines(7'300), "wait 7.3\n");
  EXPECT_EQ(waitLines(2'000'000), "wait 2000\n");
  EXPECT_EQ(waitLines(86'400'000'000 + 5), "wait 86400000\nwait 0.005\n");
}

}  // namespace
}  // namespace kestrin
