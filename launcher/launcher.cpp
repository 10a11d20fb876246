#include "launcher.h"

namespace kestrin::launcher {

Main::Main(Screen& screen, const Games& games)
    : Form(screen), brickBreaker_(opens(games.brickBreaker)), dodge_(opens(games.dodge)) {
  onClick(Image1, [this] { Image1_Click(); });
  onClick(Image2, [this] { Image2_Click(); });
  // Without a mouse: the keys move the focus between the cards, Space or
  // Enter opens the game of the one that has it.
  chooseByKeys({&Image1, &Image2});
}

// The game is shown first, then the launcher hides: the game window is up
// before the launcher goes, and it is the one that takes the keys.
void Main::Image1_Click() {
  Show(brickBreaker_);
  Hide();
}

void Main::Image2_Click() {
  Show(dodge_);
  Hide();
}

}  // namespace kestrin::launcher
