// Painting each screen into an image, as the Qt host does after a tick that
// changed something, on the offscreen platform.
#include <benchmark/benchmark.h>

#include <string>

#include <QGuiApplication>
#include <QImage>

#include "bench/steady_play.h"
#include "host/qt/paint.h"
#include "shell/form.h"

namespace kestrin::bench {
namespace {

constexpr std::string_view kScreens[] = {"Main", "frmKestrinBrickBreaker",
                                         "frmKestrinBrickBreakerLvl2",
                                         "frmKestrinBrickBreakerLvl3", "frmKestrinDodge"};

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

}  // namespace
}  // namespace kestrin::bench

int main(int argc, char** argv) {
  // No window system needed: painting goes into images.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
