// kestrin-screenshot: runs a replay script on the virtual clock and renders
// one screen as it stands at the end, the way its window paints it, into a
// PNG. The README's pictures are made with it (scripts/screenshots).
//
//   kestrin-screenshot SCRIPT SCREEN OUT.png
//
// Besides the replay lines the script may hold `autoplay N`: N ticks of the
// Brick Breaker player of tools/support (it launches the ball, keeps the
// paddle under it and clicks "Reset", all through ordinary script lines).
// It gets a game to its later levels without a script thousands of lines
// long.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QPushButton>

#include "host/common/fd_io.h"
#include "host/headless/replay.h"
#include "host/qt/paint.h"
#include "shell/form.h"
#include "tools/support/autoplay.h"

namespace {

using kestrin::Control;
using kestrin::ControlKind;
using kestrin::Form;
using kestrin::Screen;

// Runs one script line on the replay; a line refused is said on stderr.
bool run(kestrin::headless::Replay& replay, std::string_view line) {
  std::string error;
  if (replay.runLine(line, error)) return true;
  std::cerr << "kestrin-screenshot: " << line << ": " << error << '\n';
  return false;
}

// Buttons are widgets of their own in the game's windows; here a button
// widget is drawn into the picture where the window would have it.
void paintButtons(QImage& image, const Form& form) {
  QPainter painter(&image);
  for (const Control& c : form.controls()) {
    if (c.kind() != ControlKind::CommandButton || !c.Visible) continue;
    QPushButton button(QString::fromStdString(c.Caption));
    button.setFont(kestrin::qt::toQFont(c.design().font));
    const QRect box = kestrin::qt::pixelBox(c);
    button.resize(box.size());
    button.render(&painter, box.topLeft());
  }
}

// The picture as PNG bytes, written only once they are all made.
QByteArray pngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) bytes.clear();
  return bytes;
}

int fail(std::string_view what, int error) {
  std::cerr << "kestrin-screenshot: " << kestrin::io::describe(what, error) << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  kestrin::io::guardStandardStreams();
  if (argc != 4) {
    std::cerr << "usage: kestrin-screenshot SCRIPT SCREEN OUT.png\n";
    return 2;
  }
  // Nothing is shown on a display: the pictures are rendered in memory.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  kestrin::headless::Replay replay([](std::string_view) {});
  kestrin::support::BrickBreakerPlayer player;
  const auto runLine = [&replay](const std::string& line) { return run(replay, line); };
  int fd = -1;
  do {
    fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return fail(argv[1], errno);
  kestrin::headless::LineReader script(fd);
  for (std::string_view line; !replay.ended();) {
    const kestrin::headless::LineReader::Next next = script.next(line);
    if (next == kestrin::headless::LineReader::Next::End) break;
    if (next == kestrin::headless::LineReader::Next::ReadFailed) return fail(argv[1], script.error());
    if (next == kestrin::headless::LineReader::Next::TooLong) {
      std::cerr << "kestrin-screenshot: line " << script.number() << ": line longer than "
                << kestrin::headless::kMaxLineLength << " characters\n";
      return 2;
    }
    if (line.starts_with("autoplay ")) {
      int ticks = 0;
      const char* first = line.data() + 9;
      const char* last = line.data() + line.size();
      const auto [end, error] = std::from_chars(first, last, ticks);
      if (error != std::errc() || end != last || ticks < 0) {
        std::cerr << "kestrin-screenshot: " << line << ": usage: autoplay TICKS\n";
        return 2;
      }
      for (int i = 0; i < ticks && !replay.ended(); ++i) {
        if (!player.playTick(replay.program(), runLine)) return 2;
      }
    } else if (!run(replay, line)) {
      return 2;
    }
  }
  ::close(fd);

  const Screen* screen = replay.program().findScreen(argv[2]);
  if (screen == nullptr || !screen->visible()) {
    std::cerr << "kestrin-screenshot: " << argv[2] << " is not on show at the end of the script\n";
    return 1;
  }
  kestrin::qt::PictureCache pictures;
  QImage image = kestrin::qt::renderScreen(*screen, 1.0, pictures);
  paintButtons(image, *screen->form());
  const QByteArray png = pngBytes(image);
  if (png.isEmpty()) return fail(argv[3], EINVAL);
  const std::string_view bytes(png.constData(), static_cast<std::size_t>(png.size()));
  if (const int error = kestrin::io::writeFile(argv[3], bytes); error != 0) return fail(argv[3], error);
  // What the picture shows, for choosing the moment to take it.
  kestrin::io::FdWriter out(STDOUT_FILENO);
  std::string said = std::string(argv[3]) + ": " + std::string(screen->name()) + " at " +
                     std::to_string(replay.clock().now() / 1000) + " ms";
  for (const Control& c : screen->form()->controls()) {
    if (c.kind() == ControlKind::Label && c.Visible) said += " | " + c.Caption;
  }
  out.write(said + "\n");
  if (!out.flush()) return fail("standard output", out.error());
  return 0;
}
