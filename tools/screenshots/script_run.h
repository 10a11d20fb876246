#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <QImage>

#include "host/common/output_file.h"
#include "host/headless/replay.h"
#include "host/qt/window/paint_form.h"
#include "tools/support/command_line.h"

namespace kestrin {
class Program;
class Screen;
}

namespace kestrin::tools {

// Runs the script at path on replay, a line at a time, until its end or the
// end of the program, for the tools that render what the script plays. The
// lines are the replay's own, plus `autoplay N`: N ticks of the Brick
// Breaker player of tools/support, which plays through ordinary lines.
//
// Every wait the script makes (a `wait` or `ticks` line, or a tick of the
// player) goes to `wait`, if given, instead of straight to the replay: a
// tool that looks at the run as it goes advances the clock itself there.
// `enough`, if given, is asked before each line: true stops the run early,
// as a success.
//
// Returns the exit status: 0; 2 for a script that is not valid; 1 when it
// cannot be read. What went wrong is said on stderr after `tool`: `.
struct ScriptRun {
  std::string_view tool;
  std::function<bool(std::int64_t micros, std::string& error)> wait;
  std::function<bool()> enough;

  int operator()(const char* path, headless::Replay& replay) const;
};

// A screen as its window shows it, buttons included (they are widgets of
// their own in the game's windows and are drawn in here where the window
// would have them), at `scale` image pixels to the logical pixel.
QImage renderWindow(const Screen& screen, qt::PictureCache& pictures, double scale = 1);

// "tool: what: reason" on stderr for an errno, or for an output's failure;
// returns the exit status for it (1, or 2 for a refusal of what was asked).
int fail(std::string_view tool, std::string_view what, int error);
int fail(std::string_view tool, std::string_view what, const io::Failure& failure);

// What kestrin-screenshot and kestrin-animate take on the command line
// before their options: the script, the screen to render, the output.
// Returns the exit status if the tool is to end here (a mistake said, or
// --help), after the application has taken the toolkit's own options. An
// unknown screen is a mistake (2), as is an output that is the script: the
// picture would be written over it.
struct RenderRequest {
  std::string script, screen, out;
};
std::optional<int> readRequest(CommandLine& line, int argc, char** argv, const Program& program,
                               RenderRequest& request);

}  // namespace kestrin::tools
