// kestrin-animate: runs a replay script on the virtual clock and renders one
// screen, the way its window paints it, every few ticks, into an animated
// GIF that plays at the game's own speed and loops. The README's moving
// pictures are made with it (scripts/screenshots).
//
//   kestrin-animate SCRIPT SCREEN OUT.gif [--every N] [--from MS] [--to MS]
//
// A frame is taken every N ticks of virtual time (default 2: 32 frames a
// second, each shown for 31.25 ms, so the GIF's centisecond delays go
// 3, 3, 3, 4), from MS milliseconds on (default 0) for as long as the screen
// is on show, up to --to MS or the end of the script. Each frame is the
// screen once every event up to its moment has run, as the player would
// have seen it. The script may hold `autoplay N`, as kestrin-screenshot's.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <limits>
#include <string>
#include <string_view>

#include <QApplication>

#include "host/common/fd_io.h"
#include "host/common/output_file.h"
#include "host/headless/replay.h"
#include "host/qt/window/paint_form.h"
#include "shell/program.h"
#include "shell/screen.h"
#include "tools/screenshots/gif_animation.h"
#include "tools/screenshots/script_run.h"

namespace {

constexpr std::string_view kTool = "kestrin-animate";
constexpr std::string_view kUsage =
    "usage: kestrin-animate SCRIPT SCREEN OUT.gif [--every N] [--from MS] [--to MS]\n";

struct Options {
  std::int64_t every = 2;  // ticks
  std::int64_t from = 0;   // microseconds
  std::int64_t to = std::numeric_limits<std::int64_t>::max();
};

// The options after SCRIPT SCREEN OUT.gif; false when the tool is to end
// with line.status().
bool readOptions(kestrin::tools::CommandLine& line, Options& options) {
  constexpr std::int64_t kMaxMs = kestrin::headless::kMaxScriptMicros / 1000;
  std::int64_t from = 0;
  std::int64_t to = kMaxMs;
  if (!line.whole("every", 1, 64 * 60, options.every) || !line.whole("from", 0, kMaxMs, from) ||
      !line.whole("to", 0, kMaxMs, to)) {
    return false;
  }
  options.from = from * 1000;
  if (line.isSet("to")) options.to = to * 1000;
  return options.from < options.to || line.mistake("--from must come before --to");
}

// Takes the frames as the script's waits move the clock: the clock stops at
// every frame's moment, and the frame is taken as it moves on from there,
// once every event of that moment has run.
class Camera {
 public:
  Camera(kestrin::headless::Replay& replay, std::string_view screen, const Options& options)
      : replay_(replay), screen_(screen), step_(options.every * kestrin::Program::kTimerGranularity),
        next_(options.from), to_(options.to) {}

  bool wait(std::int64_t micros, std::string& error) {
    const std::int64_t target = replay_.clock().now() + micros;
    while (!done_ && !replay_.ended()) {
      const std::int64_t now = replay_.clock().now();
      if (now >= target) break;
      if (now == next_) {
        take(now);
        next_ += step_;
        continue;
      }
      if (!replay_.wait(std::min(target, next_) - now, error)) return false;
    }
    return true;
  }

  bool done() const { return done_; }
  bool started() const { return started_; }
  kestrin::tools::GifAnimation& animation() { return animation_; }
  // When the last frame stops showing.
  std::int64_t end() const { return std::min(ended_ >= 0 ? ended_ : replay_.clock().now(), to_); }

 private:
  void take(std::int64_t now) {
    const kestrin::Screen* screen = replay_.program().findScreen(screen_);
    if (now >= to_ || ((screen == nullptr || !screen->visible()) && started_)) {
      done_ = true;  // past the end, or the screen has gone
      ended_ = now;
      return;
    }
    if (screen == nullptr || !screen->visible()) return;  // not on show yet
    started_ = true;
    if (!animation_.add(kestrin::tools::renderWindow(*screen, pictures_), now)) done_ = true;
  }

  kestrin::headless::Replay& replay_;
  std::string screen_;
  std::int64_t step_;
  std::int64_t next_;
  std::int64_t to_;
  std::int64_t ended_ = -1;
  bool started_ = false;
  bool done_ = false;
  kestrin::qt::PictureCache pictures_;
  kestrin::tools::GifAnimation animation_;
};

}  // namespace

int main(int argc, char** argv) {
  using kestrin::tools::fail;
  kestrin::io::guardStandardStreams();
  // Nothing is shown on a display: the frames are rendered in memory.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  kestrin::headless::Replay replay([](std::string_view) {});
  kestrin::tools::CommandLine line(
      kTool, kUsage,
      {{"every", "N", "a frame every N ticks (1 to 3840; 2 unless told)"},
       {"from", "MS", "the first frame at MS milliseconds"},
       {"to", "MS", "no frame from MS milliseconds on"}},
      3, 3);
  kestrin::tools::RenderRequest request;
  if (const auto status = kestrin::tools::readRequest(line, argc, argv, replay.program(), request)) {
    return *status;
  }
  Options options;
  if (!readOptions(line, options)) return line.status();

  Camera camera(replay, request.screen, options);
  const kestrin::tools::ScriptRun run{
      .tool = kTool,
      .wait = [&camera](std::int64_t micros, std::string& error) { return camera.wait(micros, error); },
      .enough = [&camera] { return camera.done(); }};
  if (const int status = run(request.script.c_str(), replay); status != 0) return status;
  if (!camera.started()) {
    std::cerr << kTool << ": " << request.screen << " is never on show at a frame's moment\n";
    return 1;
  }
  const std::optional<std::string> gif = camera.animation().finish(camera.end());
  if (!gif) {
    std::cerr << kTool << ": " << request.out << ": " << camera.animation().error() << '\n';
    return 1;
  }
  if (const auto failure = kestrin::io::replaceFile(request.out, *gif)) {
    return fail(kTool, request.out, failure);
  }
  kestrin::io::FdWriter out(STDOUT_FILENO);
  out.print("%s: %d frames, %zu bytes\n", request.out.c_str(), camera.animation().frames(), gif->size());
  if (!out.flush()) return fail(kTool, "standard output", out.error());
  return 0;
}
