#include "autoplay.h"

#include <string_view>

#include "designs/designs.h"
#include "shell/keys.h"

namespace kestrin::support {

namespace {

// How far the paddle's centre may be from the ball's, in twips, before the
// player moves it.
constexpr float kSlack = 100;

bool isLevel(std::string_view screen) {
  namespace names = designs::names;
  return screen == names::kBrickBreaker || screen == names::kBrickBreakerLvl2 ||
         screen == names::kBrickBreakerLvl3;
}

int step(const Form& form, std::string_view name) {
  for (const Form::Variable& v : form.variables()) {
    if (v.name == name) return *v.value;
  }
  return 0;
}

const Control& control(Form& form, std::string_view name) { return *form.find(name); }

float centre(const Control& c) { return c.Left + c.width() / 2; }

std::string key(std::string_view upOrDown, int code) {
  return std::string(upOrDown) + " " + std::to_string(code);
}

}  // namespace

bool BrickBreakerPlayer::playTick(const Program& program, const Run& run) {
  const Screen* level = program.activeScreen();
  if (level != nullptr && isLevel(level->name())) {
    Form& form = *level->form();
    if (level != level_) held_ = 0;  // a new level starts with its paddle standing
    level_ = level;
    if (step(form, "BallStepX") == 0 && step(form, "BallStepY") == 0) {
      if (!run(key("keydown", keys::kSpace)) || !run(key("keyup", keys::kSpace))) return false;
    }
    if (control(form, "cmdReset").Visible &&
        !run("click " + std::string(level->name()) + " cmdReset")) {
      return false;
    }
    const float ball = centre(control(form, "shpBall"));
    const float paddle = centre(control(form, "Paddle"));
    const int want = ball < paddle - kSlack ? keys::kLeft : ball > paddle + kSlack ? keys::kRight : 0;
    if (want != held_) {
      if (held_ != 0 && !run(key("keyup", held_))) return false;
      if (want != 0 && !run(key("keydown", want))) return false;
      held_ = want;
    }
  }
  return run("ticks 1");
}

}  // namespace kestrin::support
