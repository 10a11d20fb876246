#include "launcher.h"

namespace kestrin {

Main::Main(Screen& screen) : Form(screen) {
  onClick(Image1, [this] { Image1_Click(); });
  onClick(Image2, [this] { Image2_Click(); });
}

// The game is shown first, then the launcher hides: the game window is up
// before the launcher goes, and it is the one that takes the keys.
void Main::Image1_Click() {
  Show(brickBreakerScreen);
  Hide();
}

void Main::Image2_Click() {
  Show(dodgeScreen);
  Hide();
}

}  // namespace kestrin
