// Painting each screen into an image, and a tick through the whole Qt host
// with the window brought up to date, on the offscreen platform.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include <QApplication>
#include <QImage>

#include "bench/steady_play.h"
#include "designs/designs.h"
#include "host/headless/virtual_clock.h"
#include "host/qt/window/paint_form.h"
#include "host/qt/window/qt_host.h"
#include "shell/form.h"

namespace kestrin::bench {
namespace {

namespace names = designs::names;
constexpr std::string_view kScreens[] = {names::kMain, names::kBrickBreaker,
                                         names::kBrickBreakerLvl2, names::kBrickBreakerLvl3,
                                         names::kDodge};

// The whole client area at scale 1 or 2 (arg 1), pictures already cached
// as they are after the first frame.
void BM_RenderScreen(benchmark::State& state) {
  SteadyPlay play(kScreens[state.range(0)]);
  const qreal scale = static_cast<qreal>(state.range(1));
  state.SetLabel(std::string(play.screen().name()) + " x" + std::to_string(state.range(1)));
  qt::PictureCache pictures;
  benchmark::DoNotOptimize(qt::renderScreen(play.screen(), scale, pictures));
  for (auto _ : state) {
    QImage frame = qt::renderScreen(play.screen(), scale, pictures);
    benchmark::DoNotOptimize(frame.constBits());
  }
}
BENCHMARK(BM_RenderScreen)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {1, 2}})
    ->Unit(benchmark::kMicrosecond);

// An alarm that only remembers; the benchmark moves the clock to it.
class ManualAlarm final : public qt::Alarm {
 public:
  void arm(std::optional<std::int64_t> due) override { armed = due; }
  std::optional<std::int64_t> armed;
};

// What the game does 64 times a second: the host wakes, the model ticks,
// the window repaints what moved into its frame, and the paint event puts
// that on the (offscreen) window.
void BM_HostTick(benchmark::State& state) {
  headless::VirtualClock clock;
  ManualAlarm alarm;
  qt::QtHost host(clock, alarm);
  const std::string_view name = kScreens[state.range(0)];
  state.SetLabel(std::string(name));
  host.start(addKestrinScreens, name);
  SteadyPlaces places(host.program(), *host.program().findScreen(name));
  QCoreApplication::processEvents();
  bool shifted = false;
  for (auto _ : state) {
    places.rewind(shifted = !shifted);
    if (!alarm.armed) {
      state.SkipWithError("the timer stopped");
      return;
    }
    clock.set(*alarm.armed);
    host.wake();
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_HostTick)->DenseRange(1, 4)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestrin::bench

int main(int argc, char** argv) {
  // No window system needed: painting goes into images.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
