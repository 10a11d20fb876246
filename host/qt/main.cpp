// kestrin: the game collection in real windows.
#include <cstdio>
#include <string_view>

#include "host/qt/window/application.h"
#include "host/qt/window/run_game.h"
#include "host/qt/window/tick_alarm.h"

namespace {

constexpr const char* kHelp =
    "Usage: kestrin [--help] [--version] [Qt's options]\n"
    "Two small arcade games, Brick Breaker and Dodge, each in a window of its own.\n"
    "\n"
    "The launcher: click a title card, or choose one with Tab, Shift+Tab, Left or\n"
    "Right and open it with Space or Enter. Closing a game's window brings the\n"
    "launcher back; closing the launcher ends the program.\n"
    "\n"
    "Keys:\n"
    "  Left, Right  Brick Breaker: move the paddle. Dodge: steer left or right.\n"
    "  Up, Down     Dodge: steer up or down.\n"
    "  Space        Brick Breaker: launch the ball.\n"
    "  Tab          while \"Reset\" is shown: give it the focus; Space or Enter\n"
    "               then clicks it.\n"
    "  P, Pause     pause the game, and play on. It also pauses while none of\n"
    "               its windows is active.\n"
    "\n"
    "Options:\n"
    "  -h, --help   show this help and end\n"
    "  --version    show the version and end\n"
    "Qt's own options (-platform, -style, ...) are taken as well.\n"
    "\n"
    "More in the manual page, kestrin(6), and in " KESTRIN_DOC_DIR "/README.md.gz.\n";

// --help and --version are answered before the toolkit starts, so they
// need no display. What is left once Qt has taken its own options is an
// unknown option: status 2, like any command-line error.
int unknownArgument(const char* arg) {
  std::fprintf(stderr, "kestrin: %s '%s'\nTry 'kestrin --help'.\n",
               arg[0] == '-' ? "unknown option" : "unexpected argument", arg);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (arg == "--version") {
      std::fputs("kestrin " KESTRIN_VERSION "\n", stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
  }
  kestrin::qt::SteadyClock clock;
  kestrin::qt::Application app(argc, argv);  // takes Qt's own options out of argv
  if (argc > 1) return unknownArgument(argv[1]);
  return kestrin::qt::runGame(app, clock);
}
