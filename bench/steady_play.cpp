#include "steady_play.h"

#include <stdexcept>
#include <string>

#include "designs/designs.h"
#include "host/common/catalog.h"
#include "shell/keys.h"

namespace kestrin::bench {

SteadyPlaces::SteadyPlaces(Program& program, Screen& screen) {
  if (!screen.loaded()) throw std::logic_error("not loaded: " + std::string(screen.name()));
  Form& form = *screen.form();
  const auto place = [&](std::string_view name, float left, float top) {
    Control* c = form.find(name);
    if (c == nullptr) throw std::logic_error("no control " + std::string(name));
    places_[count_++] = {c, left, top};
  };
  if (screen.name() == designs::names::kDodge) {
    // Past the last release score, so all four balls are out.
    form.find("lblScore")->Caption = "6000";
    for (std::string_view ball : {"shpBall2", "shpBall3", "shpBall4"}) form.find(ball)->Visible = true;
    place("shpBall", 5000, 2000);
    place("shpBall2", 6000, 3000);
    place("shpBall3", 9000, 2000);
    place("shpBall4", 10000, 4000);
  } else if (screen.name() != designs::names::kMain) {
    program.keyDown(keys::kSpace, 0);  // the ball is launched
    place("shpBall", 8000, 6000);      // below every brick, above the paddle
  }
  rewind();
}

void SteadyPlaces::rewind(bool shifted) {
  for (int i = 0; i < count_; ++i) {
    places_[i].control->Left = places_[i].left + (shifted ? 120.0f : 0.0f);
    places_[i].control->Top = places_[i].top;
  }
}

SteadyPlay::SteadyPlay(std::string_view screenName) : program_(*this, clock_, "Kestrin bench") {
  addKestrinScreens(program_);
  program_.start(screenName);
  screen_ = program_.findScreen(screenName);
  if (screen_ == nullptr) throw std::logic_error("no screen " + std::string(screenName));
  places_.emplace(program_, *screen_);
}

void SteadyPlay::tick() {
  const std::optional<std::int64_t> due = program_.nextTickDue();
  if (!due) throw std::logic_error("the timer stopped");
  clock_.set(*due);
  program_.tick();
}

void SteadyPlay::messageBox(std::string_view text, std::string_view /*title*/) {
  throw std::logic_error("a box opened in steady play: " + std::string(text));
}

}  // namespace kestrin::bench
