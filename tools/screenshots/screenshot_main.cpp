// kestrin-screenshot: runs a replay script on the virtual clock and renders
// one screen as it stands at the end, the way its window paints it, into a
// PNG. The README's pictures are made with it (scripts/screenshots).
//
//   kestrin-screenshot [--scale RATIO] [--played SCRIPT] SCRIPT SCREEN OUT.png
//
// --scale renders at RATIO device pixels to the logical pixel (1 to 4), as
// a display of that density shows the window. --played writes the run as
// the replay script that plays it again (autoplay's lines written out), for
// a host that plays scripts but has no player of its own: the web page
// watching it shows the same state, to be compared pixel for pixel.
//
// Besides the replay lines the script may hold `autoplay N`: N ticks of the
// Brick Breaker player of tools/support (it launches the ball, keeps the
// paddle under it and clicks "Reset", all through ordinary script lines).
// It gets a game to its later levels without a script thousands of lines
// long.
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string>

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "host/common/fd_io.h"
#include "host/common/output_file.h"
#include "host/common/script_writer.h"
#include "host/headless/replay.h"
#include "host/qt/window/paint_form.h"
#include "shell/form.h"
#include "tools/screenshots/script_run.h"

namespace {

constexpr std::string_view kTool = "kestrin-screenshot";

// The picture as PNG bytes, written only once they are all made.
QByteArray pngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) bytes.clear();
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  using kestrin::tools::fail;
  kestrin::io::guardStandardStreams();
  // Nothing is shown on a display: the pictures are rendered in memory.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  std::string played;
  kestrin::ScriptWriter writer([&played](std::string_view line) { played += line; },
                               [](std::int64_t, std::string_view) {});
  kestrin::headless::Replay replay([](std::string_view) {}, {}, &writer);
  kestrin::tools::CommandLine line(
      kTool, "usage: kestrin-screenshot [--scale RATIO] [--played SCRIPT] SCRIPT SCREEN OUT.png\n",
      {{"scale", "RATIO", "device pixels to the logical pixel, 1 to 4 (default 1)"},
       {"played", "SCRIPT", "also write the run as a replay script"}},
      3, 3);
  kestrin::tools::RenderRequest request;
  if (const auto status = kestrin::tools::readRequest(line, argc, argv, replay.program(), request)) {
    return *status;
  }
  double scale = 1;
  if (!line.number("scale", 1, 4, scale)) return line.status();
  if (const int status = kestrin::tools::ScriptRun{.tool = kTool}(request.script.c_str(), replay);
      status != 0) {
    return status;
  }

  const kestrin::Screen* screen = replay.program().findScreen(request.screen);
  if (screen == nullptr || !screen->visible()) {
    std::cerr << "kestrin-screenshot: " << request.screen << " is not on show at the end of the script\n";
    return 1;
  }
  kestrin::qt::PictureCache pictures;
  const QByteArray png = pngBytes(kestrin::tools::renderWindow(*screen, pictures, scale));
  if (png.isEmpty()) return fail(kTool, request.out, EINVAL);
  const std::string_view bytes(png.constData(), static_cast<std::size_t>(png.size()));
  if (const auto failure = kestrin::io::writeFile(request.out, bytes)) {
    return fail(kTool, request.out, failure);
  }
  if (const std::optional<std::string> path = line.value("played")) {
    writer.finish();
    if (const auto failure = kestrin::io::writeFile(*path, played)) return fail(kTool, *path, failure);
  }
  // What the picture shows, for choosing the moment to take it.
  kestrin::io::FdWriter out(STDOUT_FILENO);
  std::string said = request.out + ": " + std::string(screen->name()) + " at " +
                     std::to_string(replay.clock().now() / 1000) + " ms";
  for (const kestrin::Control& c : screen->form()->controls()) {
    if (c.kind() == kestrin::ControlKind::Label && c.Visible) said += " | " + c.Caption;
  }
  out.write(said + "\n");
  if (!out.flush()) return fail(kTool, "standard output", out.error());
  return 0;
}
