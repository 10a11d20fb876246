// The model's hot paths: one tick of each game screen as the model delivers
// it, the overlap test, caption numbers, and whole replays.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/steady_play.h"
#include "designs/designs.h"
#include "host/headless/replay.h"
#include "shell/caption_number.h"
#include "shell/rect.h"
#include "tools/support/allocation_count.h"

namespace kestrin::bench {
namespace {

using support::allocationCount;

namespace names = designs::names;
constexpr std::string_view kScreens[] = {names::kBrickBreaker, names::kBrickBreakerLvl2,
                                         names::kBrickBreakerLvl3, names::kDodge};

void reportAllocations(benchmark::State& state, std::size_t before) {
  state.counters["allocs/iter"] = benchmark::Counter(
      static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations()));
}

// Program::tick through Timer1_Timer, with the clock moved to the due time.
void BM_Tick(benchmark::State& state) {
  SteadyPlay play(kScreens[state.range(0)]);
  state.SetLabel(std::string(play.screen().name()));
  const std::size_t before = allocationCount();
  for (auto _ : state) {
    play.rewind();
    play.tick();
  }
  reportAllocations(state, before);
}
BENCHMARK(BM_Tick)->DenseRange(0, 3);

// What the Qt host asks of the model for each tick besides the tick: when
// the next tick is due. (Whether a window changed is the host's own
// comparison, in BM_HostTick.)
void BM_TickAsHostSeesIt(benchmark::State& state) {
  SteadyPlay play(kScreens[state.range(0)]);
  state.SetLabel(std::string(play.screen().name()));
  const std::size_t before = allocationCount();
  for (auto _ : state) {
    play.rewind();
    play.tick();
    benchmark::DoNotOptimize(play.program().nextTickDue());
  }
  reportAllocations(state, before);
}
BENCHMARK(BM_TickAsHostSeesIt)->DenseRange(0, 3);

void BM_RectOverlap(benchmark::State& state) {
  SteadyPlay play(names::kBrickBreakerLvl3);
  Form& form = *play.screen().form();
  const Control& ball = *form.find("shpBall");
  const Control& brick = *form.find("Brick", 20);
  for (auto _ : state) {
    RECT overlap;
    benchmark::DoNotOptimize(IntersectRect(overlap, rectOf(ball), rectOf(brick)));
    benchmark::DoNotOptimize(overlap);
  }
}
BENCHMARK(BM_RectOverlap);

void BM_CaptionRead(benchmark::State& state) {
  const std::string caption = "12345";
  for (auto _ : state) benchmark::DoNotOptimize(captionNumber(caption));
}
BENCHMARK(BM_CaptionRead);

// A score written back into its label, as a brick or a Dodge tick does.
void BM_CaptionWrite(benchmark::State& state) {
  static constexpr ControlDesign kRow{.name = "lblScore", .kind = ControlKind::Label,
                                      .caption = "12345"};
  Control label(kRow);
  double score = 12345;
  const std::size_t before = allocationCount();
  for (auto _ : state) {
    label.Caption = numberCaption(score += 25);
    benchmark::DoNotOptimize(label.Caption.data());
  }
  reportAllocations(state, before);
}
BENCHMARK(BM_CaptionWrite);

std::string readScript(const char* relative) {
  std::ifstream in(std::string(KESTRIN_TEST_SCRIPTS) + "/" + relative, std::ios::binary);
  if (!in) throw std::runtime_error(std::string("cannot read ") + relative);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A whole game of Dodge (all four balls, three lives, game over) from the
// launcher, with the trace written (arg 1) or not (arg 0).
void BM_ReplayWholeGame(benchmark::State& state) {
  const std::string script = readScript("dodge/long_game.txt");
  const bool traced = state.range(0) != 0;
  state.SetLabel(traced ? "trace on" : "trace off");
  // The same game every time: its ticks are counted once, from a trace.
  std::int64_t ticksPerGame = 0;
  {
    headless::Replay counting([&ticksPerGame](std::string_view line) {
      if (line.find("\"event\":\"Timer1_Timer\"") != std::string_view::npos) ++ticksPerGame;
    });
    headless::LineReader in(script);
    std::ostringstream errors;
    counting.run(in, errors);
  }
  std::size_t bytes = 0;
  std::int64_t ticks = 0;
  for (auto _ : state) {
    headless::Replay replay(traced ? headless::Replay::Sink([&bytes](std::string_view line) {
      bytes += line.size();
    })
                                   : headless::Replay::Sink());
    headless::LineReader in(script);
    std::ostringstream errors;
    if (replay.run(in, errors) != 0 || !replay.ended()) {
      state.SkipWithError("the script did not run to the end of the game");
      return;
    }
    ticks += ticksPerGame;
  }
  state.counters["ticks/game"] = benchmark::Counter(static_cast<double>(ticksPerGame));
  state.counters["ticks/s"] = benchmark::Counter(static_cast<double>(ticks),
                                                       benchmark::Counter::kIsRate);
  state.counters["trace bytes/game"] =
      benchmark::Counter(static_cast<double>(bytes) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ReplayWholeGame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrin::bench

BENCHMARK_MAIN();
