#include "watch.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <sstream>
#include <vector>

#include "host/headless/script.h"
#include "shell/caption_number.h"
#include "shell/rect.h"
#include "shell/runtime_error.h"

namespace kestrin::soak {

// ---- What the rules allow, as the watcher states them ----
//
// Restated here on purpose, apart from the games' code: a wrong constant in
// a game is then a disagreement the soak reports, not a mistake both share.
// Steps are twips a tick; in play only their signs change.
namespace expect {

constexpr std::int64_t kTick = Program::kTimerGranularity;  // 64 ticks a second
constexpr double kLives = 3;                                 // at every game screen's load
struct Box {
  std::string_view text, title;
};
constexpr Box kGameOver{"Game Over", "Kestrin Brick Breaker"};  // both games
constexpr Box kYouWin{"You Win", "Kestrin"};                    // the last level cleared
// The one way a stopped timer runs again.
constexpr std::string_view kRestart = "cmdReset_Click";

struct Ball {
  std::string_view shape, stepX, stepY;  // the shape and its step variables
  int sizeX, sizeY;
  double release;  // the score from which it is in play
};
// On a level, 0, 0 until launched.
constexpr Ball kLevelBall[] = {{"shpBall", "BallStepX", "BallStepY", 80, 90, 0}};
constexpr Ball kDodgeBalls[] = {{"shpBall", "BallStepX", "BallStepY", 80, 90, 0},
                                {"shpBall2", "Ball2StepX", "Ball2StepY", 85, 75, 1000},
                                {"shpBall3", "Ball3StepX", "Ball3StepY", 115, 105, 2500},
                                {"shpBall4", "Ball4StepX", "Ball4StepY", 90, 80, 5000}};

// Each game screen: the one delivery that may open it (a click on the
// launcher's picture, or the tick of the level before that cleared it), its
// balls, and the player's step variables, each 0 or the step either way.
// Only the last level has the two-hit row, the banana and You Win.
enum class Kind : std::uint8_t { Level, LastLevel, Dodge };
struct Game {
  std::string_view screen;
  Kind kind;
  std::string_view openedOn, openedBy;  // the screen and handler of that delivery
  std::span<const Ball> balls;
  std::string_view stepX, stepY;  // the player's; "": no such axis
  int playerStep;
};
constexpr Game kGames[] = {
    {kScreens[1], Kind::Level, kScreens[0], "Image1_Click", kLevelBall, "PaddleStep", "", 100},
    {kScreens[2], Kind::Level, kScreens[1], "Timer1_Timer", kLevelBall, "PaddleStep", "", 100},
    {kScreens[3], Kind::LastLevel, kScreens[2], "Timer1_Timer", kLevelBall, "PaddleStep", "", 100},
    {kScreens[4], Kind::Dodge, kScreens[0], "Image2_Click", kDodgeBalls, "PaddleStepX",
     "PaddleStepY", 100},
};

// Brick Breaker
constexpr double kPointsPerBrick = 25;
constexpr float kRemovedLeft = -300;
constexpr Colour kBrown = rgb(128, 64, 0);   // every brick...
constexpr Colour kDarkRed = rgb(192, 0, 0);  // ...but the last level's top row until its first hit
constexpr int kTwoHitBricks = 8;             // that row: Brick(0) to Brick(7)
constexpr double kBananaScore = 1000;        // the banana falls while the score reads this
constexpr float kBananaFall = 100;
constexpr float kBananaLeft = 7800, kBananaTop = 120;  // its home, where a catch puts it back
// Dodge
constexpr double kPointsPerTick = 1;

}  // namespace expect

namespace {

// A broken invariant, with what broke: it ends the watch.
struct Broken {
  std::string what;
};

std::ostream& operator<<(std::ostream& out, const Delivery& d) {
  out << d.handler();
  return d.screen != nullptr ? out << " of " << d.screen->name() : out;
}

template <class... Parts>
std::string text(const Parts&... parts) {
  std::ostringstream out;
  out.precision(9);  // positions and caption numbers whole
  (out << ... << parts);
  return out.str();
}

template <class... Parts>
void check(bool holds, const Parts&... parts) {
  if (!holds) throw Broken{text(parts...)};
}

double number(const Control& label) {
  try {
    return captionNumber(label.Caption);
  } catch (const RuntimeError&) {
    throw Broken{text(label.name(), " is not a number: '", label.Caption, "'")};
  }
}

// Inside the playfield, give or take `slack` twips on each axis.
bool inside(const Control& c, const Control& field, float slackX, float slackY) {
  return c.Left >= field.Left - slackX && c.Left + c.width() <= field.Left + field.width() + slackX &&
         c.Top >= field.Top - slackY && c.Top + c.height() <= field.Top + field.height() + slackY;
}

bool overlap(const Control& a, const Control& b) {
  RECT r;
  return IntersectRect(r, rectOf(a), rectOf(b)) != 0;
}

bool is(const Delivery& d, std::string_view screen, std::string_view handler) {
  return d.screen != nullptr && d.screen->name() == screen && d.handler() == handler;
}

}  // namespace

// The game screen being watched: its controls and variables, bound by name
// at its load (which must be as designed), and what the event before left.
struct Watch::Game {
  Game(const expect::Game& rules, const Screen& screen, std::int64_t now);

  struct Ball {
    const expect::Ball& rule;
    const Control* shape;
    const Integer *x, *y;
  };
  struct Brick {
    const Control* shape;
    bool removed = false, hitOnce = false;  // hitOnce: a two-hit brick turned brown
  };

  const expect::Game& rules;
  const Screen& screen;
  std::uint64_t serial;  // of the load watched
  const Control *field, *paddle, *score, *lives, *lostLife, *reset, *timer, *banana = nullptr;
  const Integer *stepX = nullptr, *stepY = nullptr;  // the player's
  std::vector<Ball> balls;
  std::vector<Brick> bricks;

  double scoreAtLoad, lastScore, lastLives;
  float paddleTop, bananaTop = 0;
  bool bananaVisible = false;
  bool running = true;                    // Timer1 enabled
  std::int64_t runStart;                  // when it last started
  std::uint64_t runTicks = 0, ticks = 0;  // since then, and since the load
};

Watch::Game::Game(const expect::Game& r, const Screen& s, std::int64_t now)
    : rules(r), screen(s), serial(s.loadSerial()), runStart(now) {
  Form& form = *s.form();
  const auto control = [&](std::string_view name) {
    const Control* c = form.find(name);
    check(c != nullptr, s.name(), " has no ", name);
    return c;
  };
  const auto var = [&](std::string_view name) -> const Integer* {
    for (const Form::Variable& v : form.variables()) {
      if (v.name == name) return v.value;
    }
    throw Broken{text(s.name(), " has no ", name)};
  };
  field = control("shpR");
  paddle = control("Paddle");
  score = control("lblScore");
  lives = control("lbllives");
  lostLife = control("lblLostLife");
  reset = control("cmdReset");
  timer = control("Timer1");
  if (r.kind == expect::Kind::LastLevel) banana = control("imgBanana");
  stepX = var(r.stepX);
  if (!r.stepY.empty()) stepY = var(r.stepY);
  for (const expect::Ball& b : r.balls) {
    balls.push_back({b, control(b.shape), var(b.stepX), var(b.stepY)});
  }
  // A fresh load is the design, whatever the screen went through before.
  for (const Control& c : form.controls()) {
    const ControlDesign& row = c.design();
    check(c.Left == row.left && c.Top == row.top && bool(c.Visible) == row.visible &&
              (c.kind() != ControlKind::Label || c.Caption == row.caption),
          s.name(), " loaded with ", row.name, " not as designed");
    if (r.kind != expect::Kind::Dodge && c.name() == "Brick") bricks.push_back({&c});
  }
  scoreAtLoad = lastScore = number(*score);
  lastLives = number(*lives);
  check(lastLives == expect::kLives, s.name(), " loaded with ", lastLives, " lives");
  check(timer->Enabled, s.name(), " loaded with its timer stopped");
  paddleTop = paddle->Top;
  if (banana != nullptr) {
    bananaVisible = banana->Visible;
    bananaTop = banana->Top;
  }
}

Watch::Watch(Tally& tally) : tally_(tally) {}
Watch::~Watch() = default;

// Runs the checks of one report at t; the first broken invariant is kept,
// and watching stops there.
template <class Body>
void Watch::guard(std::int64_t t, Body&& body) {
  if (!violation_.empty()) return;
  try {
    check(t >= lastTime_, "time went back");
    lastTime_ = t;
    body();
  } catch (const Broken& b) {
    violation_ = text(b.what, " (t=", program_->now(), " us)");
  }
}

// ---- the run ----

void Watch::started(std::int64_t t, const Program& program) {
  program_ = &program;
  ++tally_.loads[0];
  guard(t, [&] { observe({}); });
}

void Watch::beforeLine(std::string_view line) {
  line_ = std::string(line);
  const headless::ParseResult parsed = headless::parseLine(line, *program_);
  const bool wait = parsed.command && parsed.command->kind == headless::Command::Kind::Wait;
  lineEnd_ = program_->now() + (wait ? parsed.command->micros : 0);
}

void Watch::afterLine() {
  if (program_->ended()) return;
  // The clock moves by exactly what the line waits, and only then.
  guard(program_->now(), [&] {
    check(program_->now() == lineEnd_, "the clock reads ", program_->now(), " us after '", line_,
          "', not ", lineEnd_);
  });
}

void Watch::messageBox(std::int64_t t, std::string_view boxText, std::string_view title) {
  guard(t, [&] {
    // Only the games' own boxes: an error box means the rules left their numbers.
    const bool own = (boxText == expect::kGameOver.text && title == expect::kGameOver.title) ||
                     (boxText == expect::kYouWin.text && title == expect::kYouWin.title);
    check(own, "an unexpected message box: '", boxText, "', titled '", title, "'");
    box_ = boxText == expect::kGameOver.text ? expect::kGameOver.text : expect::kYouWin.text;
  });
}

void Watch::delivered(std::int64_t t, const Delivery& delivery, const Program& /*program*/) {
  guard(t, [&] {
    check(box_.empty(), box_, " and play went on");
    observe(delivery);
  });
}

void Watch::ended(std::int64_t t, const Delivery& cause) {
  guard(t, [&] {
    if (cause.isTick()) ++ticks_;  // ended in its place
    const Game* g = game_.get();
    const bool ownTick = g != nullptr && cause.isTick() && cause.screen == &g->screen;
    if (box_ == expect::kGameOver.text) {
      ++tally_.gameOvers;
      // Brick Breaker ends in the tick that loses the last ball; Dodge in the
      // first tick that finds the lives at 0 or below.
      check(ownTick && g->lastLives <= (g->rules.kind == expect::Kind::Dodge ? 0 : 1),
            "Game Over with ", g != nullptr ? g->lastLives : 0.0, " lives, by ", cause);
    } else if (box_ == expect::kYouWin.text) {
      ++tally_.wins;
      check(ownTick && g->rules.kind == expect::Kind::LastLevel, "You Win by ", cause);
    } else {
      ++tally_.closedOut;
      check(g == nullptr && is(cause, kScreens[0], "close"), "the program ended by ", cause,
            " after '", line_, "'");
    }
  });
}

// ---- after every event ----

void Watch::observe(const Delivery& d) {
  const bool tick = d.isTick();
  if (tick) ++ticks_;

  const Screen* visible = nullptr;
  const Screen* game = nullptr;
  int visibleCount = 0, games = 0;
  for (const auto& s : program_->screens()) {
    if (s->visible()) {
      ++visibleCount;
      visible = s.get();
    }
    if (s->loaded() && s->name() != kScreens[0]) {
      ++games;
      game = s.get();
    }
  }
  check(visibleCount == 1, visibleCount, " screens visible");
  check(games <= 1, "two game screens loaded at once");
  check(game == nullptr || visible == game, "the launcher shows while a game is loaded");
  check(program_->activeScreen() == visible, "the keys do not go to the visible screen");

  Game* g = game_.get();
  if (tick) {
    check(g != nullptr && d.screen == &g->screen, "a tick: ", d);
    ++g->ticks;
    ++g->runTicks;
  }
  if (game == nullptr) {
    check(g == nullptr || is(d, g->screen.name(), "close"), "a game went without a close, by ", d);
    game_.reset();
  } else if (g == nullptr || game->loadSerial() != g->serial) {
    const auto* rules =
        std::find_if(std::begin(expect::kGames), std::end(expect::kGames),
                     [&](const expect::Game& r) { return r.screen == game->name(); });
    check(rules != std::end(expect::kGames), "an unknown game screen ", game->name());
    check(is(d, rules->openedOn, rules->openedBy), game->name(), " opened by ", d);
    ++tally_.loads[static_cast<std::size_t>(rules - std::begin(expect::kGames)) + 1];
    game_ = std::make_unique<Game>(*rules, *game, program_->now());
  } else {
    checkTimer(*g, d);
    checkMoves(*g);
    if (g->rules.kind == expect::Kind::Dodge) {
      checkDodge(*g, tick);
    } else {
      checkBrickBreaker(*g, tick);
    }
  }
}

// ---- the invariants of play ----

void Watch::checkTimer(Game& g, const Delivery& d) {
  const bool enabled = g.timer->Enabled;
  const std::int64_t now = program_->now();
  if (g.running && enabled) {
    // 64 ticks a second since the timer last started, none missed, none extra.
    check(g.runTicks == static_cast<std::uint64_t>((now - g.runStart) / expect::kTick), g.runTicks,
          " ticks in ", now - g.runStart, " us of a running timer");
  } else if (g.running) {
    check(d.isTick(), "the timer stopped by ", d);
  } else if (enabled) {
    check(is(d, g.screen.name(), expect::kRestart), "the timer started again by ", d);
    g.runStart = now;
    g.runTicks = 0;
  } else {
    check(!d.isTick(), "a tick while the timer is stopped");
  }
  // "Lost Life", "Reset" and the stopped timer go together.
  check(bool(g.lostLife->Visible) != enabled && bool(g.reset->Visible) != enabled,
        "Lost Life / Reset / Timer1 disagree");
  g.running = enabled;
}

// Both games: the player inside the playfield, stepping its own step; each
// ball with its own step sizes, never more than a step outside.
void Watch::checkMoves(const Game& g) {
  const Control& field = *g.field;
  const Control& paddle = *g.paddle;
  check((g.stepY != nullptr || paddle.Top == g.paddleTop) && inside(paddle, field, 0, 0),
        "the paddle left the playfield: ", paddle.Left, ", ", paddle.Top);
  for (const Integer* step : {g.stepX, g.stepY}) {
    const int v = step != nullptr ? int{*step} : 0;
    check(v == 0 || std::abs(v) == g.rules.playerStep, "the player's step ", v);
  }
  for (const Game::Ball& b : g.balls) {
    const int x = *b.x, y = *b.y;
    const bool resting = g.rules.kind != expect::Kind::Dodge && x == 0 && y == 0;  // not launched
    check(resting || (std::abs(x) == b.rule.sizeX && std::abs(y) == b.rule.sizeY), b.rule.shape,
          " steps ", x, ", ", y);
    check(inside(*b.shape, field, static_cast<float>(std::abs(x)), static_cast<float>(std::abs(y))),
          b.rule.shape, " is more than a step outside the playfield: ", b.shape->Left, ", ",
          b.shape->Top);
  }
}

void Watch::checkBrickBreaker(Game& g, bool tick) {
  int removed = 0;
  for (Game::Brick& b : g.bricks) {
    const Control& brick = *b.shape;
    const int i = brick.index();
    if (brick.Left == expect::kRemovedLeft) {
      check(!brick.Visible, "Brick(", i, ") was removed but shows");
      b.removed = true;
      ++removed;
    } else {
      check(!b.removed, "Brick(", i, ") came back from Left ", expect::kRemovedLeft);
      check(brick.Visible, "Brick(", i, ") is hidden in its place");
      check(brick.Left == brick.design().left, "Brick(", i, ") moved");
    }
    check(brick.Top == brick.design().top, "Brick(", i, ") moved");
    // The last level's top row takes two hits: dark red, then brown, never back.
    Colour allowed = expect::kBrown;
    if (g.rules.kind == expect::Kind::LastLevel && i < expect::kTwoHitBricks) {
      b.hitOnce = b.hitOnce || brick.FillColor == expect::kBrown;
      check(!b.removed || b.hitOnce, "Brick(", i, ") went at the first hit");
      if (!b.hitOnce) allowed = expect::kDarkRed;
    }
    check(brick.FillColor == allowed, "Brick(", i, ") has colour ", brick.FillColor);
  }

  // 25 points a brick, and nothing else moves the score.
  const double score = number(*g.score);
  check(score == g.scoreAtLoad + expect::kPointsPerBrick * removed, "score ", score, " with ",
        removed, " bricks removed");

  // A lost ball costs one life, a caught banana brings one.
  const bool lost = tick && !bool(g.timer->Enabled);
  bool caught = false;
  if (const Control* banana = g.banana) {
    check(!banana->Visible || g.bananaVisible, "the banana came back");
    caught = tick && g.bananaVisible && !banana->Visible && !lost;
    const bool falls = tick && g.lastScore == expect::kBananaScore;
    const float top = caught ? expect::kBananaTop : g.bananaTop + (falls ? expect::kBananaFall : 0);
    check(banana->Left == expect::kBananaLeft && banana->Top == top, "the banana at ", banana->Left,
          ", ", banana->Top, ", not at ", expect::kBananaLeft, ", ", top);
    g.bananaVisible = banana->Visible;
    g.bananaTop = banana->Top;
  }
  const double lives = number(*g.lives);
  check(lives == g.lastLives - (lost ? 1 : 0) + (caught ? 1 : 0), "lives ", lives, " after ",
        g.lastLives, lost ? ", a ball lost" : "", caught ? ", a banana caught" : "");
  tally_.lostLives += lost ? 1 : 0;
  tally_.bananas += caught ? 1 : 0;
  g.lastLives = lives;
  g.lastScore = score;
}

void Watch::checkDodge(Game& g, bool tick) {
  // Every tick of this load is a point, and nothing else is.
  const double score = number(*g.score);
  check(score == expect::kPointsPerTick * static_cast<double>(g.ticks), "score ", score, " after ",
        g.ticks, " ticks");
  int hits = 0;
  for (const Game::Ball& b : g.balls) {
    // Each further ball joins when the score first reads its number.
    const bool inPlay = b.rule.release == 0 || score >= b.rule.release;
    check(b.rule.release == 0 || bool(b.shape->Visible) == inPlay, b.rule.shape,
          inPlay ? " hidden" : " shown", " at score ", score);
    if (inPlay && overlap(*g.paddle, *b.shape)) ++hits;
  }
  // Each ball in play on the player costs a life in the tick that finds it,
  // and stops the timer.
  const double lives = number(*g.lives);
  check(lives == (tick ? g.lastLives - hits : g.lastLives), "lives ", lives, " after ", g.lastLives,
        " and ", hits, " hits", tick ? " in a tick" : " outside a tick");
  check(!tick || (hits > 0) != bool(g.timer->Enabled), "a hit that did not stop the timer");
  if (tick) tally_.lostLives += static_cast<std::uint64_t>(hits);
  g.lastLives = lives;
  g.lastScore = score;
}

}  // namespace kestrin::soak
