#include "soak.h"

#include <cstdlib>
#include <string_view>

#include "host/headless/replay.h"
#include "shell/keys.h"

namespace kestrin::soak {

namespace {

using keys::kDown, keys::kEnter, keys::kLeft, keys::kRight, keys::kSpace, keys::kUp;

const Control* find(const Screen* s, std::string_view name, int index = -1) {
  return s == nullptr || s->form() == nullptr ? nullptr : s->form()->find(name, index);
}

// The random player: it sees the model, as a person sees the screen, and
// answers with script lines. Its weights keep games going: arrows held and
// let go, the ball launched, "Reset" clicked when it shows, with the odd
// close box, stray key and click to shake things loose. In most Brick
// Breaker games it follows the ball with the paddle (sometimes late, which
// changes the angle of play), so that levels are cleared and the level
// advance and level 3 are soaked too.
class Player {
 public:
  explicit Player(std::uint64_t seed) : rng_(seed) {}

  std::string next(const Program& program) {
    const Screen* visible = nullptr;
    for (const auto& s : program.screens()) {
      if (s->visible()) visible = s.get();
    }
    if (visible == nullptr) return "wait 1";
    const std::string name(visible->name());
    if (name != kScreens[0] && visible->loadSerial() != serial_) {
      // A new game: how this one will be played.
      serial_ = visible->loadSerial();
      follower_ = rng_.chance(80);
      lag_ = rng_.below(4);
      bananaHunter_ = rng_.chance(50);
      held_ = 0;
    }
    if (name == kScreens[0]) return launcher();
    return game(*visible, name);
  }

 private:
  std::string launcher() {
    held_ = 0;
    const int r = rng_.below(1000);
    if (r < 550) return "click Main Image1";
    if (r < 930) return "click Main Image2";
    if (r < 950) return "close Main";
    if (r < 970) return "keydown " + std::to_string(anyKey());
    if (r < 985) return "click Main Image" + std::to_string(1 + rng_.below(2)) + "\nwait 0";
    return waitLine();
  }

  std::string game(const Screen& screen, const std::string& name) {
    const bool dodge = name == kScreens[4];
    const Control* reset = find(&screen, "cmdReset");
    const int r = rng_.below(1000);

    // Rare moves, whatever the state; a close box more rarely in a game
    // played to clear its levels.
    if (rng_.below(follower_ && !dodge ? 20000 : 1000) == 0) return "close " + name;
    if (r < 6) return "click " + name + " " + anyControl(screen);
    if (r < 10) {
      std::string line = rng_.chance(50) ? "keydown " : "keyup ";
      line += std::to_string(anyKey());
      if (rng_.chance(50)) line.append(" ").append(std::to_string(rng_.below(8)));
      return line;
    }
    if (r < 13) return "click " + std::string(kScreens[static_cast<std::size_t>(1 + rng_.below(4))]) +
                       " cmdReset";

    if (reset != nullptr && reset->Visible) {
      if (r < 700) return "click " + name + " cmdReset";
      if (r < 760) return "keydown " + std::to_string(rng_.chance(50) ? kSpace : kEnter);
      return rng_.chance(50) ? waitLine() : arrow();
    }
    if (!dodge) {
      const Control* ball = find(&screen, "shpBall");
      bool launched = false;
      for (const Form::Variable& v : screen.form()->variables()) {
        if (v.name == "BallStepY" && *v.value != 0) launched = true;
      }
      if (!launched && r < 400) return rng_.chance(80) ? "keydown 32" : "keyup 32";
      if (follower_ && r < 990) return follow(screen, *ball);
    }
    if (r < 500) return arrow();
    if (r < 560) return "keydown " + std::to_string(kSpace);
    return waitLine();
  }

  // Steer the paddle under the ball, then let a few ticks run.
  std::string follow(const Screen& screen, const Control& ball) {
    const Control& paddle = *find(&screen, "Paddle");
    float target = ball.Left + ball.width() / 2;
    // On level 3 a falling banana is worth a life: some games go for it.
    const Control* banana = find(&screen, "imgBanana");
    if (banana != nullptr && banana->Visible && banana->Top > 120 && bananaHunter_) {
      target = banana->Left + banana->width() / 2;
    }
    const float centre = paddle.Left + paddle.width() / 2;
    int want = 0;
    if (centre < target - 60) want = kRight;
    if (centre > target + 60) want = kLeft;
    std::string lines;
    if (want != held_) {
      if (held_ != 0) lines += "keyup " + std::to_string(held_) + "\n";
      if (want != 0) lines += "keydown " + std::to_string(want) + "\n";
      held_ = want;
    }
    return lines + "ticks " + std::to_string(1 + rng_.below(2 + lag_));
  }

  // Hold an arrow, let one go, or press one again (a key repeat).
  std::string arrow() {
    static constexpr int kArrows[] = {kLeft, kUp, kRight, kDown};
    const int key = kArrows[rng_.below(4)];
    if (held_ != 0 && rng_.chance(45)) {
      const int up = rng_.chance(80) ? held_ : key;
      if (up == held_) held_ = 0;
      return "keyup " + std::to_string(up);
    }
    held_ = key;
    return "keydown " + std::to_string(key) + "\nticks " + std::to_string(1 + rng_.below(20));
  }

  std::string waitLine() {
    const int r = rng_.below(100);
    if (r < 60) return "ticks " + std::to_string(1 + rng_.below(16));
    if (r < 85) return "ticks " + std::to_string(1 + rng_.below(200));
    // Off the tick grid, to the microsecond.
    return "wait " + std::to_string(rng_.below(3000)) + "." + std::to_string(rng_.below(1000));
  }

  int anyKey() {
    static constexpr int kKeys[] = {kLeft, kUp, kRight, kDown, kSpace, kEnter, 0, 27, 65, 16};
    if (rng_.chance(90)) return kKeys[rng_.below(10)];
    return rng_.below(65536) - 32768;
  }

  std::string anyControl(const Screen& screen) {
    const std::vector<Control>& controls = screen.form()->controls();
    const Control& c = controls[static_cast<std::size_t>(rng_.below(static_cast<int>(controls.size())))];
    return c.inArray() ? std::string(c.name()) + "(" + std::to_string(c.index()) + ")" : std::string(c.name());
  }

  Random rng_;
  std::uint64_t serial_ = 0;
  bool follower_ = false;
  int lag_ = 0;
  bool bananaHunter_ = false;
  int held_ = 0;  // the arrow held down, 0 for none
};

// One program from start-up to its end (or the tick budget).
void play(std::uint64_t programSeed, std::uint64_t ticks, Result& result, bool keepScript) {
  Watch watch(result.tally);
  headless::Replay replay(watch);  // no trace: the watch reads the run itself
  Player player(programSeed);
  std::vector<std::string>& script = result.script;
  script.clear();
  std::string error;
  const auto fail = [&](std::string what) {
    result.ok = false;
    result.violation = std::move(what);
    result.programSeed = programSeed;
  };
  while (!replay.ended() && result.ticks + watch.ticks() < ticks) {
    const std::string move = player.next(replay.program());
    std::size_t start = 0;
    while (start < move.size() && !replay.ended()) {
      std::size_t end = move.find('\n', start);
      if (end == std::string::npos) end = move.size();
      std::string line = move.substr(start, end - start);
      start = end + 1;
      // Not past the end of the soak: a wait of more ticks than are left
      // becomes exactly the ticks left.
      const std::uint64_t left = ticks - (result.ticks + watch.ticks());
      if (line.rfind("ticks ", 0) == 0) {
        if (static_cast<std::uint64_t>(std::atoll(line.c_str() + 6)) > left) {
          line = "ticks " + std::to_string(left);
        }
      } else if (line.rfind("wait ", 0) == 0 && left < 200) {
        line = "ticks " + std::to_string(left);
      }
      if (keepScript) script.push_back(line);
      ++result.lines;
      watch.beforeLine(line);
      if (!replay.runLine(line, error)) {
        fail("the host rejected '" + line + "': " + error);
        result.ticks += watch.ticks();
        return;
      }
      watch.afterLine();
      if (!watch.violation().empty()) {
        fail(watch.violation());
        result.ticks += watch.ticks();
        return;
      }
    }
  }
  result.ticks += watch.ticks();
}

}  // namespace

Result playOne(std::uint64_t programSeed, std::uint64_t ticks) {
  Result result;
  ++result.programs;
  play(programSeed, ticks, result, true);
  return result;
}

Result soak(std::uint64_t seed, std::uint64_t ticks) {
  Result result;
  Random seeds(seed);
  while (result.ok && result.ticks < ticks) {
    ++result.programs;
    // Each program has a seed of its own, so a failing one can be played
    // again alone, from the same budget, this time with its script kept.
    const std::uint64_t programSeed = seeds.next();
    const std::uint64_t before = result.ticks;
    play(programSeed, ticks, result, false);
    if (!result.ok) {
      Result again;
      again.ticks = before;
      play(programSeed, ticks, again, true);
      result.script = std::move(again.script);
    }
  }
  return result;
}

}  // namespace kestrin::soak
