#include "tools/screenshots/script_run.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <iostream>

#include <QPainter>

#include "host/common/fd_io.h"
#include "host/common/face.h"
#include "host/common/twips_to_pixels.h"
#include "host/qt/window/face_widgets.h"
#include "host/qt/window/to_qt.h"
#include "shell/form.h"
#include "tools/support/autoplay.h"

namespace kestrin::tools {

namespace {

// Closes the script whichever way the run ends.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

int ScriptRun::operator()(const char* path, headless::Replay& replay) const {
  Descriptor script{io::openForReading(path)};
  if (script.fd < 0) return fail(tool, path, errno);
  headless::LineReader lines(script.fd);

  // One line, the script's or the player's; false, said on stderr, when refused.
  const auto runLine = [&](std::string_view line) {
    std::string error;
    headless::ParseResult parsed = headless::parseLine(line, replay.program());
    bool ok = parsed.error.empty();
    if (!ok) {
      error = std::move(parsed.error);
    } else if (parsed.command && parsed.command->kind == headless::Command::Kind::Wait) {
      ok = wait ? wait(parsed.command->micros, error) : replay.wait(parsed.command->micros, error);
    } else if (parsed.command) {
      ok = replay.runLine(line, error);
    }
    if (!ok) std::cerr << tool << ": line " << lines.number() << ": " << error << '\n';
    return ok;
  };

  support::BrickBreakerPlayer player;
  for (std::string_view line; !replay.ended() && !(enough && enough());) {
    switch (lines.next(line)) {
      case headless::LineReader::Next::End: return 0;
      case headless::LineReader::Next::ReadFailed: return fail(tool, path, lines.error());
      case headless::LineReader::Next::TooLong:
        std::cerr << tool << ": line " << lines.number() << ": line longer than "
                  << headless::kMaxLineLength << " characters\n";
        return 2;
      case headless::LineReader::Next::Line: break;
    }
    if (!line.starts_with("autoplay ")) {
      if (!runLine(line)) return 2;
      continue;
    }
    int ticks = 0;
    const char* first = line.data() + 9;
    const char* last = line.data() + line.size();
    const auto [end, error] = std::from_chars(first, last, ticks);
    if (error != std::errc() || end != last || ticks < 0) {
      std::cerr << tool << ": line " << lines.number() << ": usage: autoplay TICKS\n";
      return 2;
    }
    const support::BrickBreakerPlayer::Run play = [&](const std::string& l) { return runLine(l); };
    for (int i = 0; i < ticks && !replay.ended() && !(enough && enough()); ++i) {
      if (!player.playTick(replay.program(), play)) return 2;
    }
  }
  return 0;
}

QImage renderWindow(const Screen& screen, qt::PictureCache& pictures, double scale) {
  QImage image = qt::renderScreen(screen, scale, pictures);
  QPainter painter(&image);
  for (const Control& c : screen.form()->controls()) {
    if (c.kind() != ControlKind::CommandButton || !c.Visible) continue;
    qt::FaceButton button(QString::fromStdString(c.Caption), draw::toFace(c.design().font), nullptr);
    const QRect box = qt::toQRect(draw::pixelBox(c));
    button.resize(box.size());
    button.render(&painter, box.topLeft());
  }
  return image;
}

int fail(std::string_view tool, std::string_view what, int error) {
  std::cerr << tool << ": " << io::describe(what, error) << '\n';
  return 1;
}

int fail(std::string_view tool, std::string_view what, const io::Failure& failure) {
  std::cerr << tool << ": " << io::describe(what, failure) << '\n';
  return io::exitStatus(failure);
}

std::optional<int> readRequest(CommandLine& line, int argc, char** argv, const Program& program,
                               RenderRequest& request) {
  if (!line.parse(argc, argv)) return line.status();
  request = {.script = line.words()[0], .screen = line.words()[1], .out = line.words()[2]};
  if (program.findDesign(request.screen) == nullptr) {
    line.mistake(request.screen + ": no such screen");
    return line.status();
  }
  if (const auto script = io::regularFileIdAt(request.script);
      script && script == io::regularFileIdAt(request.out)) {
    return fail(line.tool(), request.out, io::Failure{.refusal = io::Refusal::IsInput});
  }
  return std::nullopt;
}

}  // namespace kestrin::tools
