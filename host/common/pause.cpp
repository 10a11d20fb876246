#include "host/common/pause.h"

#include "shell/keys.h"

namespace kestrin {

void Pause::keyboardLost() {
  become(true, held_);
  // At the time the clock stood still: the key-ups of a recording that
  // switched away are where its replay's clock is.
  program_.letGoOfKeys();
}

void Pause::keyboardBack() { become(false, held_); }

bool Pause::key(std::int16_t code, bool down) {
  bool* isDown = nullptr;
  if (code == keys::kP) isDown = &pDown_;
  if (code == keys::kPause) isDown = &pauseDown_;
  if (isDown == nullptr) return false;
  if (down && !*isDown) become(away_, !held_);
  *isDown = down;
  return true;
}

void Pause::become(bool away, bool held) {
  const bool was = paused();
  away_ = away;
  held_ = held;
  if (clock_ == nullptr || paused() == was) return;
  if (paused()) {
    clock_->stop();
  } else {
    clock_->go();
  }
}

}  // namespace kestrin
