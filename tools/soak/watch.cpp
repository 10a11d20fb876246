#include "watch.h"

#include <cmath>
#include <cstdlib>

#include "shell/caption_number.h"
#include "shell/rect.h"
#include "shell/runtime_error.h"

namespace kestrin::soak {

namespace {

constexpr std::int64_t kTick = Program::kTimerGranularity;  // 64 a second
constexpr float kRemovedLeft = -300;
constexpr Colour kBrown = rgb(128, 64, 0);
constexpr Colour kDarkRed = rgb(192, 0, 0);
constexpr float kBananaLeft = 7800;
constexpr float kBananaTop = 120;

// Dodge's balls: step sizes (twips a tick, only the signs ever change) and
// the score from which each is in play.
struct DodgeBall {
  std::string_view shape;
  int stepX, stepY;
  double release;
};
constexpr std::array<DodgeBall, 4> kDodgeBalls{{{"shpBall", 80, 90, 0},
                                                {"shpBall2", 85, 75, 1000},
                                                {"shpBall3", 115, 105, 2500},
                                                {"shpBall4", 90, 80, 5000}}};
constexpr std::array<std::string_view, 10> kDodgeVars{
    "BallStepX",  "BallStepY",  "Ball2StepX", "Ball2StepY",  "Ball3StepX",
    "Ball3StepY", "Ball4StepX", "Ball4StepY", "PaddleStepX", "PaddleStepY"};
constexpr std::array<std::string_view, 3> kLevelVars{"BallStepX", "BallStepY", "PaddleStep"};

// A member of the trace line: "event":"X" -> X; "screen":null -> "".
std::string_view member(std::string_view line, std::string_view key) {
  const std::size_t at = line.find(key);
  if (at == std::string_view::npos) return {};
  const std::size_t start = at + key.size();
  if (start >= line.size() || line[start] != '"') return {};
  const std::size_t end = line.find('"', start + 1);
  return end == std::string_view::npos ? std::string_view{} : line.substr(start + 1, end - start - 1);
}

std::string show(double value) { return numberCaption(value); }

// Inside the playfield, give or take `slack` twips on each axis.
bool inside(const Control& c, const Control& field, float slackX, float slackY) {
  return c.Left >= field.Left - slackX && c.Left + c.width() <= field.Left + field.width() + slackX &&
         c.Top >= field.Top - slackY && c.Top + c.height() <= field.Top + field.height() + slackY;
}

bool overlap(const Control& a, const Control& b) {
  RECT r;
  return IntersectRect(r, rectOf(a), rectOf(b)) != 0;
}

}  // namespace

void Watch::fail(std::string what) {
  if (!violation_.empty()) return;
  violation_ = std::move(what);
  if (clock_ != nullptr) violation_ += " (t=" + std::to_string(clock_->now()) + " us)";
}

double Watch::number(const Control& label) {
  try {
    return captionNumber(label.Caption);
  } catch (const RuntimeError&) {
    fail(std::string(label.name()) + " is not a number: '" + label.Caption + "'");
    return 0;
  }
}

void Watch::attach(const Program& program, const headless::VirtualClock& clock) {
  program_ = &program;
  clock_ = &clock;
  ++tally_.loads[0];
  observe("start", "");
}

void Watch::beforeLine(std::string_view line) {
  line_ = std::string(line);
  lineStart_ = clock_->now();
  wait_.reset();
  box_.clear();
  const std::size_t blank = line.find(' ');
  const std::string_view verb = line.substr(0, blank);
  const std::string_view arg = blank == std::string_view::npos ? "" : line.substr(blank + 1);
  if (verb == "ticks") {
    wait_ = std::atoll(std::string(arg).c_str()) * kTick;
  } else if (verb == "wait") {
    // Milliseconds with up to three decimals, as the driver writes them.
    const std::size_t dot = arg.find('.');
    std::int64_t micros = std::atoll(std::string(arg.substr(0, dot)).c_str()) * 1000;
    if (dot != std::string_view::npos) {
      std::string fraction(arg.substr(dot + 1));
      fraction.resize(3, '0');
      micros += std::atoll(fraction.c_str());
    }
    wait_ = micros;
  }
}

void Watch::afterLine() {
  if (!violation_.empty() || program_->ended()) return;
  // The clock moves by exactly what the line waits, and only then.
  const std::int64_t expected = lineStart_ + wait_.value_or(0);
  if (clock_->now() != expected) {
    fail("the clock reads " + std::to_string(clock_->now()) + " us after '" + line_ +
         "', not " + std::to_string(expected));
  }
}

void Watch::onTrace(std::string_view line) {
  if (program_ == nullptr || !violation_.empty()) return;  // the start line, or already failed
  const std::string_view t = line.substr(5, line.find(',') - 5);
  const std::int64_t time = std::atoll(std::string(t).c_str());
  if (time < lastTime_) fail("the trace went back in time");
  lastTime_ = time;

  if (line.find("\"msgbox\"") != std::string_view::npos) {
    // Only the games' own boxes: a run-time error box means the rules left
    // their numbers somewhere.
    if (line.find("\"msgbox\":{\"text\":\"Game Over\",\"title\":\"Kestrin Brick Breaker\"}") !=
        std::string_view::npos) {
      box_ = "Game Over";
    } else if (line.find("\"msgbox\":{\"text\":\"You Win\",\"title\":\"Kestrin\"}") !=
               std::string_view::npos) {
      box_ = "You Win";
    } else {
      fail("an unexpected message box: " + std::string(line.substr(0, line.size() - 1)));
    }
    return;
  }
  const std::string_view event = member(line, "\"event\":");
  if (event == "end") {
    checkEnd();
    return;
  }
  observe(event, member(line, "\"screen\":"));
}

void Watch::checkEnd() {
  if (box_ == "Game Over") {
    ++tally_.gameOvers;
    ++ticks_;  // the tick that ended it wrote the end line in its place
    const bool brickBreaker = kind_ != Kind::Dodge;
    // Brick Breaker ends in the tick that loses the last ball; Dodge in the
    // first tick that finds the lives at 0 or below.
    if (serial_ == 0 || !wait_ || lastLives_ > (brickBreaker ? 1 : 0)) {
      fail("Game Over with " + show(lastLives_) + " lives, after '" + line_ + "'");
    }
  } else if (box_ == "You Win") {
    ++tally_.wins;
    ++ticks_;
    if (serial_ == 0 || kind_ != Kind::Level3 || !wait_) fail("You Win off level 3");
  } else {
    ++tally_.closedOut;
    if (serial_ != 0 || line_ != "close Main") fail("the program ended after '" + line_ + "'");
  }
}

void Watch::observe(std::string_view event, std::string_view screen) {
  const Program& p = *program_;
  const bool tick = event == "Timer1_Timer";
  if (tick) ++ticks_;

  const Screen* visible = nullptr;
  const Screen* game = nullptr;
  int visibleCount = 0;
  int games = 0;
  for (const auto& s : p.screens()) {
    if (s->visible()) {
      ++visibleCount;
      visible = s.get();
    }
    if (s->loaded() && s->name() != kScreens[0]) {
      ++games;
      game = s.get();
    }
  }
  if (visibleCount != 1) return fail(std::to_string(visibleCount) + " screens visible");
  if (games > 1) return fail("two game screens loaded at once");
  if (game != nullptr && visible != game) return fail("the launcher shows while a game is loaded");
  if (p.activeScreen() != visible) return fail("the keys do not go to the visible screen");

  if (tick) {
    if (serial_ == 0 || screen != name_) return fail("a tick on " + std::string(screen));
    ++gameTicks_;
    ++runTicks_;
  }
  if (game == nullptr) {
    if (serial_ != 0 && (event != "close" || screen != name_)) {
      return fail(std::string(name_) + " went without a close, on " + std::string(event));
    }
    serial_ = 0;
    return;
  }
  if (game->loadSerial() != serial_) {
    Kind kind = Kind::Dodge;
    if (game->name() == kScreens[1]) kind = Kind::Level1;
    if (game->name() == kScreens[2]) kind = Kind::Level2;
    if (game->name() == kScreens[3]) kind = Kind::Level3;
    startGame(*game, kind, event, screen);
    return;
  }
  checkTimer(tick, event, screen);
  if (kind_ == Kind::Dodge) {
    checkDodge(tick);
  } else {
    checkBrickBreaker(tick);
  }
}

void Watch::startGame(const Screen& screen, Kind kind, std::string_view event,
                      std::string_view eventScreen) {
  // How each game screen may open: from the launcher's pictures, or a level
  // from the tick of the level before that cleared it.
  bool rightWay = false;
  switch (kind) {
    case Kind::Level1: rightWay = event == "Image1_Click" && eventScreen == kScreens[0]; break;
    case Kind::Dodge: rightWay = event == "Image2_Click" && eventScreen == kScreens[0]; break;
    case Kind::Level2: rightWay = event == "Timer1_Timer" && kind_ == Kind::Level1 && serial_ != 0; break;
    case Kind::Level3: rightWay = event == "Timer1_Timer" && kind_ == Kind::Level2 && serial_ != 0; break;
  }
  if (!rightWay) {
    return fail(std::string(screen.name()) + " opened on " + std::string(event) + " of '" +
                std::string(eventScreen) + "'");
  }
  ++tally_.loads[static_cast<std::size_t>(kind) + 1];

  kind_ = kind;
  serial_ = screen.loadSerial();
  name_ = screen.name();
  Form& form = *screen.form();
  field_ = form.find("shpR");
  paddle_ = form.find("Paddle");
  score_ = form.find("lblScore");
  lives_ = form.find("lbllives");
  lostLife_ = form.find("lblLostLife");
  reset_ = form.find("cmdReset");
  timer_ = form.find("Timer1");
  banana_ = kind == Kind::Level3 ? form.find("imgBanana") : nullptr;
  vars_.fill(nullptr);
  const auto bindVars = [&](auto names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      for (const Form::Variable& v : form.variables()) {
        if (v.name == names[i]) vars_[i] = v.value;
      }
    }
  };
  brickCount_ = 0;
  if (kind == Kind::Dodge) {
    bindVars(kDodgeVars);
    for (std::size_t i = 0; i < 4; ++i) balls_[i] = form.find(kDodgeBalls[i].shape);
  } else {
    bindVars(kLevelVars);
    balls_.fill(nullptr);
    balls_[0] = form.find("shpBall");
    for (int i = 0; i < 48; ++i) {
      const Control* brick = form.find("Brick", i);
      if (brick == nullptr) break;
      bricks_[static_cast<std::size_t>(i)] = brick;
      brickCount_ = i + 1;
    }
  }

  // A fresh load is the design, whatever the screen went through before.
  for (const ControlDesign& d : screen.design().controls) {
    const Control* c = form.find(d.name, d.index);
    if (c == nullptr || c->Left != d.left || c->Top != d.top || bool(c->Visible) != d.visible ||
        (c->kind() == ControlKind::Label && c->Caption != d.caption)) {
      return fail(std::string(screen.name()) + " loaded with " + std::string(d.name) +
                  " not as designed");
    }
    if (c->name() == "Brick") {
      brickLeft_[static_cast<std::size_t>(c->index())] = d.left;
      brickTop_[static_cast<std::size_t>(c->index())] = d.top;
    }
  }
  scoreAtLoad_ = lastScore_ = number(*score_);
  lastLives_ = number(*lives_);
  if (lastLives_ != 3) fail(std::string(screen.name()) + " loaded with " + lives_->Caption + " lives");
  running_ = timer_->Enabled;
  if (!running_) fail(std::string(screen.name()) + " loaded with its timer stopped");
  runStart_ = clock_->now();
  runTicks_ = 0;
  gameTicks_ = 0;
  removed_.reset();
  hitOnce_.reset();
  paddleTop_ = paddle_->Top;
  if (banana_ != nullptr) {
    lastBananaVisible_ = banana_->Visible;
    lastBananaTop_ = banana_->Top;
  }
}

void Watch::checkTimer(bool tick, std::string_view event, std::string_view screen) {
  const bool enabled = timer_->Enabled;
  if (running_ && enabled) {
    // 64 ticks a second since the timer last started, none missed, none extra.
    const auto expected = static_cast<std::uint64_t>((clock_->now() - runStart_) / kTick);
    if (runTicks_ != expected) {
      fail(std::to_string(runTicks_) + " ticks in " + std::to_string(clock_->now() - runStart_) +
           " us of a running timer");
    }
  } else if (running_ && !enabled) {
    if (!tick) fail("the timer stopped on " + std::string(event));
  } else if (!running_ && enabled) {
    if (event != "cmdReset_Click" || screen != name_) {
      fail("the timer started again on " + std::string(event));
    }
    runStart_ = clock_->now();
    runTicks_ = 0;
  } else if (tick) {
    fail("a tick while the timer is stopped");
  }
  // "Lost Life", "Reset" and the stopped timer go together.
  if (bool(lostLife_->Visible) != !enabled || bool(reset_->Visible) != !enabled) {
    fail("Lost Life / Reset / Timer1 disagree");
  }
  running_ = enabled;
}

void Watch::checkBrickBreaker(bool tick) {
  const Control& field = *field_;
  const Control& paddle = *paddle_;
  const Control& ball = *balls_[0];

  if (paddle.Top != paddleTop_ || !inside(paddle, field, 0, 0)) {
    return fail("the paddle left the playfield: Left " + show(paddle.Left));
  }
  const int stepX = std::abs(step(0));
  const int stepY = std::abs(step(1));
  if (!((stepX == 0 && stepY == 0) || (stepX == 80 && stepY == 90))) {
    return fail("ball steps " + std::to_string(step(0)) + ", " + std::to_string(step(1)));
  }
  if (step(2) != 0 && std::abs(step(2)) != 100) return fail("PaddleStep " + std::to_string(step(2)));
  if (!inside(ball, field, static_cast<float>(stepX), static_cast<float>(stepY))) {
    return fail("the ball is more than a step outside the playfield: " + show(ball.Left) + ", " +
                show(ball.Top));
  }

  const bool level3 = kind_ == Kind::Level3;
  int removed = 0;
  for (int i = 0; i < brickCount_; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const Control& brick = *bricks_[at];
    const std::string name = "Brick(" + std::to_string(i) + ")";
    if (brick.Left == kRemovedLeft) {
      if (brick.Visible) return fail(name + " was removed but shows");
      removed_.set(at);
      ++removed;
    } else {
      if (removed_[at]) return fail(name + " came back from Left -300");
      if (!brick.Visible) return fail(name + " is hidden in its place");
      if (brick.Left != brickLeft_[at]) return fail(name + " moved");
    }
    if (brick.Top != brickTop_[at]) return fail(name + " moved");
    // Level 3's top row takes two hits: dark red, then brown, never back.
    if (level3 && i < 8) {
      if (brick.FillColor == kBrown) hitOnce_.set(at);
      if (brick.FillColor != kBrown && (brick.FillColor != kDarkRed || hitOnce_[at])) {
        return fail(name + " has colour " + std::to_string(brick.FillColor));
      }
      if (removed_[at] && !hitOnce_[at]) return fail(name + " went at the first hit");
    } else if (brick.FillColor != kBrown) {
      return fail(name + " has colour " + std::to_string(brick.FillColor));
    }
  }

  // 25 points a brick, and nothing else moves the score.
  const double score = number(*score_);
  if (score != scoreAtLoad_ + 25.0 * removed) {
    return fail("score " + show(score) + " with " + std::to_string(removed) + " bricks removed");
  }

  // A lost ball costs one life, a caught banana brings one.
  const bool lost = tick && !bool(timer_->Enabled);
  bool caught = false;
  if (banana_ != nullptr) {
    const Control& banana = *banana_;
    if (banana.Visible && !lastBananaVisible_) return fail("the banana came back");
    caught = tick && lastBananaVisible_ && !banana.Visible && !lost;
    float top = lastBananaTop_;
    if (tick && lastScore_ == 1000) top += 100;  // it falls while the score reads 1000
    if (caught) top = kBananaTop;
    if (banana.Left != kBananaLeft || banana.Top != top) {
      return fail("the banana at " + show(banana.Left) + ", " + show(banana.Top) + ", not at " +
                  show(kBananaLeft) + ", " + show(top));
    }
    lastBananaVisible_ = banana.Visible;
    lastBananaTop_ = banana.Top;
  }
  const double lives = number(*lives_);
  const double expected = lastLives_ - (lost ? 1 : 0) + (caught ? 1 : 0);
  if (lives != expected) {
    return fail("lives " + show(lives) + " after " + show(lastLives_) +
                (lost ? ", a ball lost" : "") + (caught ? ", a banana caught" : ""));
  }
  if (lost) ++tally_.lostLives;
  if (caught) ++tally_.bananas;
  lastLives_ = lives;
  lastScore_ = score;
}

void Watch::checkDodge(bool tick) {
  const Control& field = *field_;
  const Control& paddle = *paddle_;

  // Every tick of this load is a point, and nothing else is.
  const double score = number(*score_);
  if (score != static_cast<double>(gameTicks_)) {
    return fail("score " + show(score) + " after " + std::to_string(gameTicks_) + " ticks");
  }
  if (!inside(paddle, field, 0, 0)) {
    return fail("the player left the playfield: " + show(paddle.Left) + ", " + show(paddle.Top));
  }
  for (int v = 8; v < 10; ++v) {
    if (step(v) != 0 && std::abs(step(v)) != 100) return fail("player step " + std::to_string(step(v)));
  }
  int hits = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const DodgeBall& rule = kDodgeBalls[i];
    const Control& ball = *balls_[i];
    const int stepX = std::abs(step(static_cast<int>(2 * i)));
    const int stepY = std::abs(step(static_cast<int>(2 * i + 1)));
    if (stepX != rule.stepX || stepY != rule.stepY) {
      return fail(std::string(rule.shape) + " steps " + std::to_string(stepX) + ", " +
                  std::to_string(stepY));
    }
    if (!inside(ball, field, static_cast<float>(stepX), static_cast<float>(stepY))) {
      return fail(std::string(rule.shape) + " is more than a step outside the playfield: " +
                  show(ball.Left) + ", " + show(ball.Top));
    }
    // Each further ball joins when the score first reads its number.
    const bool inPlay = rule.release == 0 || score >= rule.release;
    if (rule.release != 0 && bool(ball.Visible) != inPlay) {
      return fail(std::string(rule.shape) + (inPlay ? " hidden" : " shown") + " at score " +
                  show(score));
    }
    if (inPlay && overlap(paddle, ball)) ++hits;
  }

  // Each ball in play on the player costs a life in the tick that finds it.
  const double lives = number(*lives_);
  const double expected = tick ? lastLives_ - hits : lastLives_;
  if (lives != expected) {
    return fail("lives " + show(lives) + " after " + show(lastLives_) + " and " +
                std::to_string(hits) + " hits" + (tick ? " in a tick" : " outside a tick"));
  }
  if (tick && (hits > 0) == bool(timer_->Enabled)) fail("a hit that did not stop the timer");
  if (tick && hits > 0) tally_.lostLives += static_cast<std::uint64_t>(hits);
  lastLives_ = lives;
  lastScore_ = score;
}

}  // namespace kestrin::soak
