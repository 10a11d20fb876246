// kestrin-animate as its users meet it: a short game rendered to a GIF and
// read back with giflib's own decoder, frame by frame against the painter,
// and the ways writing the file can fail.
#include <sys/wait.h>
#include <unistd.h>

#include <gif_lib.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QImage>

#include <gtest/gtest.h>

#include "designs/designs.h"
#include "host/headless/replay.h"
#include "host/qt/window/paint_form.h"
#include "shell/keys.h"
#include "shell/program.h"

namespace kestrin::qt::test {
namespace {

namespace fs = std::filesystem;

constexpr int kEvery = 2;  // ticks a frame, the tool's default

struct ToolRun {
  int status;
  std::string errors;
};

// Runs kestrin-animate with these arguments, after the shell commands in
// `before` (a limit, say), in a shell of its own.
ToolRun animate(const std::string& arguments, const std::string& before = "") {
  const fs::path err = fs::temp_directory_path() / ("kestrin-animate-err-" + std::to_string(::getpid()));
  const std::string command = "sh -c '" + before + " timeout 60 " KESTRIN_ANIMATE " " + arguments +
                              " >/dev/null' 2>" + err.string();
  const int raw = std::system(command.c_str());
  std::ifstream in(err);
  ToolRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw),
              std::string(std::istreambuf_iterator<char>(in), {})};
  fs::remove(err);
  return run;
}

// The pictures a GIF shows, one for each of its images, composed as a
// browser does when every image is left in place.
struct Decoded {
  std::vector<QImage> frames;
  std::vector<int> delays;  // centiseconds
  bool loops = false;
};

Decoded decode(const fs::path& file) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(file.c_str(), &error);
  Decoded d;
  if (gif == nullptr) return d;
  if (DGifSlurp(gif) != GIF_OK) {
    ADD_FAILURE() << "DGifSlurp: " << GifErrorString(gif->Error);
    DGifCloseFile(gif, &error);
    return d;
  }
  QImage canvas(gif->SWidth, gif->SHeight, QImage::Format_RGB32);
  canvas.fill(Qt::magenta);  // a pixel no image covers shows as magenta
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    GraphicsControlBlock control{};
    EXPECT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
    d.delays.push_back(control.DelayTime);
    for (int e = 0; e < image.ExtensionBlockCount; ++e) {
      const ExtensionBlock& block = image.ExtensionBlocks[e];
      if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
          std::string(reinterpret_cast<const char*>(block.Bytes), 11) == "NETSCAPE2.0") {
        d.loops = true;
      }
    }
    const GifImageDesc& desc = image.ImageDesc;
    const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    for (int y = 0; y < desc.Height; ++y) {
      for (int x = 0; x < desc.Width; ++x) {
        const int index = image.RasterBits[y * desc.Width + x];
        if (index == control.TransparentColor) continue;
        const GifColorType c = map->Colors[index];
        canvas.setPixel(desc.Left + x, desc.Top + y, qRgb(c.Red, c.Green, c.Blue));
      }
    }
    d.frames.push_back(canvas.copy());
  }
  DGifCloseFile(gif, &error);
  return d;
}

TEST(Animate, AGifOfPlayShowsEachFrameAsThePainterDrawsItAtTheGamesSpeed) {
  // The ball launched, the paddle steered right a while: two things moving
  // apart, with the ball's antialiased edge, every frame a few colours.
  const std::string down = std::to_string(keys::kRight);
  const std::vector<std::string> lines = {
      "click Main Image1", "keydown " + std::to_string(keys::kSpace), "keyup " + std::to_string(keys::kSpace),
      "ticks 10", "keydown " + down, "ticks 16", "keyup " + down, "ticks 14"};
  const fs::path dir = fs::temp_directory_path() / ("kestrin-animate-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  {
    std::ofstream script(dir / "play.replay");
    for (const std::string& line : lines) script << line << '\n';
  }

  // What the painter draws at each frame's moment: every event up to then run.
  headless::Replay replay([](std::string_view) {});
  PictureCache pictures;
  std::vector<QImage> painted;
  std::string error;
  for (const std::string& line : lines) {
    int ticks = 0;
    if (!line.starts_with("ticks ")) {
      ASSERT_TRUE(replay.runLine(line, error)) << error;
      continue;
    }
    std::from_chars(line.data() + 6, line.data() + line.size(), ticks);
    for (int t = 0; t < ticks; t += kEvery) {
      const QImage frame = renderScreen(*replay.program().findScreen(designs::names::kBrickBreaker), 1.0, pictures)
                               .convertToFormat(QImage::Format_RGB32);
      if (painted.empty() || frame != painted.back()) painted.push_back(frame);
      ASSERT_TRUE(replay.runLine("ticks " + std::to_string(kEvery), error)) << error;
    }
  }
  const std::int64_t played = replay.clock().now();

  const fs::path gif = dir / "play.gif";
  const ToolRun run = animate((dir / "play.replay").string() + " " + std::string(designs::names::kBrickBreaker) +
                          " " + gif.string() + " --every " + std::to_string(kEvery));
  ASSERT_EQ(run.status, 0) << run.errors;
  const Decoded decoded = decode(gif);
  EXPECT_TRUE(decoded.loops);
  ASSERT_EQ(decoded.frames.size(), painted.size());
  int total = 0;
  for (const int delay : decoded.delays) {
    EXPECT_TRUE(delay == 3 || delay == 4) << delay;  // 31.25 ms a frame
    total += delay;
  }
  EXPECT_EQ(total, (played + 5'000) / 10'000) << "the delays add up to the time played";
  // The whole first frame has more shades than a palette holds (text edges):
  // it is quantized, close, and the next frame puts right all it has room
  // for (255 colours less those that moved), the one after that the rest.
  // From then on every frame is exact.
  for (std::size_t i = 0; i < 2; ++i) {
    int worst = 0;
    for (int y = 0; y < painted[i].height(); ++y) {
      for (int x = 0; x < painted[i].width(); ++x) {
        const QRgb a = painted[i].pixel(x, y);
        const QRgb b = decoded.frames[i].pixel(x, y);
        worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                          std::abs(qBlue(a) - qBlue(b))});
      }
    }
    EXPECT_LE(worst, 24) << "frame " << i << ", quantized";
  }
  for (std::size_t i = 2; i < painted.size(); ++i) {
    if (decoded.frames[i] != painted[i]) {
      decoded.frames[i].save(QStringLiteral(KESTRIN_QT_TEST_OUTPUT "/animate-decoded.png"));
      painted[i].save(QStringLiteral(KESTRIN_QT_TEST_OUTPUT "/animate-painted.png"));
      ADD_FAILURE() << "frame " << i << " differs from the painter's (both written beside the test)";
      break;
    }
  }
  fs::remove_all(dir);
}

TEST(Animate, AFileThatCannotBeWrittenFailsAndLeavesNothingBehind) {
  const fs::path dir = fs::temp_directory_path() / ("kestrin-animate-fail-" + std::to_string(::getpid()));
  fs::create_directories(dir / "taken.gif");
  std::ofstream(dir / "play.replay") << "click Main Image2\nticks 64\n";
  const std::string d = dir.string();
  const std::string args = d + "/play.replay " + std::string(designs::names::kDodge) + " ";
  struct Case {
    const char* name;
    std::string before;  // shell commands first
    std::string out;
    std::string error;   // what stderr ends with, after "kestrin-animate: OUT: "
  };
  const std::vector<Case> cases = {
      {"a full disk", "ulimit -f 2;", d + "/out.gif", "File too large"},
      {"a directory", "", d + "/taken.gif", "Is a directory"},
      {"no such folder", "", d + "/none/out.gif", "No such file or directory"},
  };
  for (const Case& c : cases) {
    const ToolRun run = animate(args + c.out, c.before);
    EXPECT_EQ(run.status, 1) << c.name << ": " << run.errors;
    EXPECT_TRUE(run.errors.ends_with("kestrin-animate: " + c.out + ": " + c.error + "\n"))
        << c.name << ": " << run.errors;
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir)) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"play.replay", "taken.gif"})) << c.name;
    EXPECT_TRUE(fs::is_empty(dir / "taken.gif")) << c.name;
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kestrin::qt::test
