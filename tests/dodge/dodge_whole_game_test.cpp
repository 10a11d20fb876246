// Whole games of Dodge played by kestrin-replay from a script file, from the
// launcher to "Game Over". Every line of the trace is checked against the
// rules from the line before it (score, release, motion, rebound,
// confinement, hits, pause, "Reset", timing), and the facts worked out by
// hand for each script are checked where they fall.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/dodge/dodge_support.h"

namespace kestrin::test::dodge {
namespace {

struct Replayed {
  int status = -1;
  std::vector<Json> lines;
};

Replayed replayFile(const std::string& script) {
  Replayed run;
  const std::string command = std::string(KESTRIN_REPLAY) + " " + script;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::string out;
  std::array<char, 65536> buffer{};
  std::size_t n = 0;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::size_t start = 0;
  while (start < out.size()) {
    std::size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    run.lines.push_back(Json::parse(std::string_view(out).substr(start, end - start)));
    start = end + 1;
  }
  return run;
}

// The Dodge screen as one trace line shows it.
struct Dodge {
  double score = 0, lives = 0;
  std::array<Pos, 4> ball{};
  std::array<bool, 4> shown{};
  std::array<int, 4> stepX{}, stepY{};
  Pos player{};
  int playerStepX = 0, playerStepY = 0;
  bool lostLife = false, resetShown = false, timer = false;
};

Dodge read(const Json& l) {
  Dodge d;
  d.score = std::stod(text(l, "lblScore"));
  d.lives = std::stod(text(l, "lbllives"));
  for (std::size_t i = 0; i < kBalls.size(); ++i) {
    d.ball[i] = at(l, kBalls[i].shape);
    d.shown[i] = dodge::shown(l, kBalls[i].shape);
    d.stepX[i] = var(l, kBalls[i].stepX);
    d.stepY[i] = var(l, kBalls[i].stepY);
  }
  d.player = at(l, "Paddle");
  d.playerStepX = var(l, "PaddleStepX");
  d.playerStepY = var(l, "PaddleStepY");
  d.lostLife = dodge::shown(l, "lblLostLife");
  d.resetShown = dodge::shown(l, "cmdReset");
  d.timer = ticking(l);
  return d;
}

// Nearest whole twip, ties to even (the default rounding mode).
double edge(double v) { return std::nearbyint(v); }

bool overlaps(Pos ball, double size, Pos player) {
  const double left = std::max(edge(ball.left), edge(player.left));
  const double right = std::min(edge(ball.left + size), edge(player.left + kPlayerWidth));
  const double top = std::max(edge(ball.top), edge(player.top));
  const double bottom = std::min(edge(ball.top + size), edge(player.top + kPlayerHeight));
  return left < right && top < bottom;
}

// What a tick makes of the state before it, by the rules.
Dodge tickFrom(const Dodge& p, int* hits) {
  Dodge d = p;
  d.score = p.score + 1;
  for (std::size_t i = 0; i < kBalls.size(); ++i) {
    if (i > 0 && d.score == kBalls[i].releaseScore) d.shown[i] = true;
    if (i == 0 || d.shown[i]) {
      d.ball[i].left += p.stepX[i];
      d.ball[i].top += p.stepY[i];
    }
  }
  for (std::size_t i = 0; i < kBalls.size(); ++i) {  // hidden balls too
    const double size = kBalls[i].size;
    if (kFieldRight <= d.ball[i].left + size || d.ball[i].left <= kFieldLeft) d.stepX[i] = -d.stepX[i];
    if (kFieldBottom <= d.ball[i].top + size || d.ball[i].top <= kFieldTop) d.stepY[i] = -d.stepY[i];
  }
  d.player.left += p.playerStepX;
  d.player.top += p.playerStepY;
  if (d.player.left <= kFieldLeft) {
    d.player.left = kFieldLeft;
  } else if (kFieldRight <= d.player.left + kPlayerWidth) {
    d.player.left = kPlayerMaxLeft;
  }
  if (d.player.top <= kFieldTop) {
    d.player.top = kFieldTop;
  } else if (kFieldBottom <= d.player.top + kPlayerHeight) {
    d.player.top = kPlayerMaxTop;
  }
  *hits = 0;
  for (std::size_t i = 0; i < kBalls.size(); ++i) {
    if ((i == 0 || d.shown[i]) && overlaps(d.ball[i], kBalls[i].size, d.player)) ++*hits;
  }
  if (*hits > 0) {
    d.lives = p.lives - *hits;
    d.lostLife = d.resetShown = true;
    d.timer = false;
  }
  return d;
}

void expectSame(const Dodge& want, const Dodge& got) {
  EXPECT_EQ(got.score, want.score);
  EXPECT_EQ(got.lives, want.lives);
  for (std::size_t i = 0; i < kBalls.size(); ++i) {
    SCOPED_TRACE(kBalls[i].shape);
    EXPECT_EQ(got.ball[i], want.ball[i]);
    EXPECT_EQ(got.shown[i], want.shown[i]);
    EXPECT_EQ(got.stepX[i], want.stepX[i]);
    EXPECT_EQ(got.stepY[i], want.stepY[i]);
  }
  EXPECT_EQ(got.player, want.player);
  EXPECT_EQ(got.playerStepX, want.playerStepX);
  EXPECT_EQ(got.playerStepY, want.playerStepY);
  EXPECT_EQ(got.lostLife, want.lostLife);
  EXPECT_EQ(got.resetShown, want.resetShown);
  EXPECT_EQ(got.timer, want.timer);
}

struct Tick {
  std::size_t line;  // index in the trace
  std::int64_t t;
  double score, lives;
  int hits;
};

struct Game {
  std::vector<Tick> ticks;
  std::vector<std::int64_t> resets;  // times of the "Reset" clicks
  std::map<double, std::size_t> lineAtScore;
  std::int64_t endTime = -1;
};

// Walks a whole trace from the click that opens Dodge, checking every line
// against the one before it; stops at the first line that breaks a rule.
Game checkEveryLine(const std::vector<Json>& lines) {
  Game g;
  std::size_t i = 0;
  while (i < lines.size() && event(lines[i]) != "Image2_Click") ++i;
  if (i == lines.size()) {
    ADD_FAILURE() << "Dodge never opened";
    return g;
  }
  Dodge prev = read(lines[i]);
  std::int64_t due = static_cast<std::int64_t>(lines[i]["t"].get<double>()) + kPeriod;
  for (++i; i < lines.size(); ++i) {
    const Json& l = lines[i];
    SCOPED_TRACE("trace line " + std::to_string(i + 1));
    const auto t = static_cast<std::int64_t>(l["t"].get<double>());
    if (l.contains("msgbox")) {
      // Only the tick due next, with no life left, opens it; its own line
      // gives way to the end line.
      EXPECT_LE(prev.lives, 0);
      EXPECT_TRUE(prev.timer);
      EXPECT_EQ(t, due);
      EXPECT_EQ(l["msgbox"]["text"].get<std::string>(), "Game Over");
      EXPECT_EQ(l["msgbox"]["title"].get<std::string>(), "Kestrin Brick Breaker");
      EXPECT_EQ(i + 2, lines.size()) << "the end line must follow, and nothing after it";
      if (i + 1 < lines.size()) {
        EXPECT_EQ(event(lines[i + 1]), "end");
        EXPECT_EQ(lines[i + 1]["t"].get<double>(), static_cast<double>(t));
      }
      g.endTime = t;
      return g;
    }
    EXPECT_EQ(l["focus"].get<std::string>(), kDodge);
    const Dodge cur = read(l);
    const std::string e = event(l);
    if (e == "Timer1_Timer") {
      EXPECT_TRUE(prev.timer) << "a tick while paused";
      EXPECT_GT(prev.lives, 0) << "a tick with no life left must end the game";
      EXPECT_EQ(t, due);
      int hits = 0;
      expectSame(tickFrom(prev, &hits), cur);
      g.ticks.push_back({i, t, cur.score, cur.lives, hits});
      g.lineAtScore[cur.score] = i;
      due = t + kPeriod;
    } else if (e == "Form_KeyDown" || e == "Form_KeyUp") {
      Dodge want = prev;  // only the player's steps may change
      want.playerStepX = cur.playerStepX;
      want.playerStepY = cur.playerStepY;
      expectSame(want, cur);
      for (int step : {cur.playerStepX, cur.playerStepY})
        EXPECT_TRUE(step == -100 || step == 0 || step == 100) << step;
    } else if (e == "cmdReset_Click") {
      EXPECT_TRUE(prev.resetShown);
      Dodge want = prev;
      for (Pos& p : want.ball) p = {3600, 360};
      want.lostLife = want.resetShown = false;
      want.timer = true;
      expectSame(want, cur);
      g.resets.push_back(t);
      due = t + kPeriod;
    } else {
      ADD_FAILURE() << "unexpected event " << e;
    }
    if (testing::Test::HasFailure()) return g;
    prev = cur;
  }
  return g;
}

std::vector<std::pair<double, double>> livesLost(const Game& g) {
  std::vector<std::pair<double, double>> out;  // score, lives after
  for (const Tick& t : g.ticks)
    if (t.hits > 0) out.emplace_back(t.score, t.lives);
  return out;
}

TEST(DodgeWholeGame, FourBallsJoinThreeLivesGoAndTheTickAfterTheLastResetEndsTheGame) {
  const Replayed run = replayFile(std::string(KESTRIN_TEST_SCRIPTS) + "/dodge/long_game.txt");
  ASSERT_EQ(run.status, 0);
  ASSERT_GT(run.lines.size(), 2u);
  EXPECT_EQ(event(run.lines[0]), "start");
  const Game g = checkEveryLine(run.lines);
  ASSERT_FALSE(testing::Test::HasFailure());

  // Standing at (7680, 8520), the first ball (turning at ticks 2, 100, 118,
  // 198, 234; x period 232, y period 196) stands at 3440 + 80 x 53 = 7680
  // across and 180 + 90 x 89 = 8190 down at tick 287: the first tick in which
  // its square (8190 + 375 > 8520) covers the player's.
  ASSERT_TRUE(g.lineAtScore.count(287));
  const Json& first = run.lines[g.lineAtScore.at(287)];
  EXPECT_EQ(first["t"].get<double>(), 4'484'375);  // 287 x 15 625
  EXPECT_EQ(at(first, "shpBall"), (Pos{7680, 8190}));
  EXPECT_EQ(at(first, "Paddle"), (Pos{7680, 8520}));

  // Lives lost where the script was laid out to lose them, one ball at a time.
  const std::vector<std::pair<double, double>> lost = {{287, 2}, {5266, 1}, {5846, 0}};
  EXPECT_EQ(livesLost(g), lost);
  for (const Tick& t : g.ticks) EXPECT_LE(t.hits, 1) << "score " << t.score;

  // Each further ball is first shown, from the Reset place (3600, 360), in
  // the tick of its score and already moved by its steps.
  struct Release {
    double score;
    const char* shape;
    Pos at;
  };
  for (const Release& r : {Release{1000, "shpBall2", {3515, 285}},   // 3600 - 85, 360 - 75
                           Release{2500, "shpBall3", {3485, 255}},   // 3600 - 115, 360 - 105
                           Release{5000, "shpBall4", {3510, 280}}}) {  // 3600 - 90, 360 - 80
    SCOPED_TRACE(r.shape);
    ASSERT_TRUE(g.lineAtScore.count(r.score) && g.lineAtScore.count(r.score - 1));
    const Json& before = run.lines[g.lineAtScore.at(r.score - 1)];
    const Json& on = run.lines[g.lineAtScore.at(r.score)];
    EXPECT_FALSE(dodge::shown(before, r.shape));
    EXPECT_EQ(at(before, r.shape), (Pos{3600, 360}));
    EXPECT_TRUE(dodge::shown(on, r.shape));
    EXPECT_EQ(at(on, r.shape), r.at);
  }
  EXPECT_TRUE(dodge::shown(run.lines[g.ticks.back().line], "shpBall4"));

  // Resets: 287 x 15 625 + 500 000; the second life at 4 984 375 +
  // (5266 - 287) x 15 625 = 82 781 250, Reset one second later; the third at
  // 83 781 250 + 580 x 15 625 = 92 843 750, Reset two seconds later.
  const std::vector<std::int64_t> resets = {4'984'375, 83'781'250, 94'843'750};
  EXPECT_EQ(g.resets, resets);
  EXPECT_EQ(g.ticks.size(), 5846u);
  // The key pressed while paused arrived, and moved nothing until the Reset.
  const Json& key = run.lines[g.lineAtScore.at(5266) + 1];
  EXPECT_EQ(event(key), "Form_KeyDown");
  EXPECT_EQ(var(key, "PaddleStepY"), -100);
  // The tick after the last Reset scores 5847 and ends the game.
  EXPECT_EQ(g.endTime, 94'859'375);
  EXPECT_EQ(event(run.lines.back()), "end");
}

TEST(DodgeWholeGame, BallJoiningOverThePlayerHitsAndAfterResetThreeBallsTakeTheLivesBelowZero) {
  const Replayed run = replayFile(std::string(KESTRIN_TEST_SCRIPTS) + "/dodge/corner_game.txt");
  ASSERT_EQ(run.status, 0);
  const Game g = checkEveryLine(run.lines);
  ASSERT_FALSE(testing::Test::HasFailure());

  ASSERT_TRUE(g.lineAtScore.count(1000));
  EXPECT_EQ(at(run.lines[g.lineAtScore.at(1000)], "shpBall2"), (Pos{3515, 285}));

  // The third ball joins at 2500 at 3600 - 115, 360 - 105 = (3485, 255),
  // over the player held in the top-left corner (3480..4095, 240..735).
  ASSERT_TRUE(g.lineAtScore.count(2500));
  const Json& join = run.lines[g.lineAtScore.at(2500)];
  EXPECT_EQ(join["t"].get<double>(), 39'562'500);  // 4 984 375 + 2213 x 15 625
  EXPECT_EQ(at(join, "Paddle"), (Pos{3480, 240}));
  EXPECT_TRUE(dodge::shown(join, "shpBall3"));
  EXPECT_EQ(at(join, "shpBall3"), (Pos{3485, 255}));
  EXPECT_EQ(text(join, "lbllives"), "1");

  // After Reset every shown ball starts again from (3600, 360) and moves at
  // most 115 across and 105 down: all three lie over the player, the hidden
  // fourth is not looked at. 1 - 3 = -2.
  ASSERT_TRUE(g.lineAtScore.count(2501));
  const Json& three = run.lines[g.lineAtScore.at(2501)];
  EXPECT_EQ(three["t"].get<double>(), 39'678'125);  // Reset at 39 662 500, one period later
  EXPECT_EQ(text(three, "lbllives"), "-2");
  EXPECT_FALSE(dodge::shown(three, "shpBall4"));
  EXPECT_EQ(at(three, "shpBall4"), (Pos{3600, 360}));

  const std::vector<std::pair<double, double>> lost = {{287, 2}, {2500, 1}, {2501, -2}};
  EXPECT_EQ(livesLost(g), lost);
  EXPECT_EQ(g.ticks.back().hits, 3);

  // Below zero still ends the game at the tick after the next Reset.
  EXPECT_EQ(g.ticks.size(), 2501u);
  EXPECT_EQ(g.endTime, 39'993'750);  // Reset at 39 678 125 + 300 000, one period later
  EXPECT_EQ(event(run.lines.back()), "end");
}

}  // namespace
}  // namespace kestrin::test::dodge
