// Whole games through the replay: a script kept with the tests whose every
// tick of note is worked out by hand, and a scripted player that clears all
// three levels and wins, checked against the kestrin-replay binary.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "host/headless/replay.h"
#include "tests/brickbreaker/levels.h"
#include "tools/support/autoplay.h"

namespace kestrin::test::bb {
namespace {

constexpr double kPeriod = 15'625;

// FNV-1a over a trace, line by line: two long traces compare without
// keeping either in memory.
struct TraceDigest {
  std::uint64_t hash = 1469598103934665603ull;
  std::size_t lines = 0;
  void add(std::string_view line) {
    for (char c : line) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 1099511628211ull;
    }
    hash ^= '\n';
    hash *= 1099511628211ull;
    ++lines;
  }
};

struct BinaryRun {
  int status = -1;
  TraceDigest digest;
  std::vector<Json> lines;  // kept only when asked for
};

// Runs the kestrin-replay binary on a script file.
BinaryRun runReplayBinary(const std::string& script, bool keepLines) {
  BinaryRun run;
  const std::string command = std::string(KESTRIN_REPLAY) + " '" + script + "'";
  std::FILE* out = popen(command.c_str(), "r");
  if (out == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return run;
  }
  std::string line;
  for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    run.digest.add(line);
    if (keepLines) run.lines.push_back(Json::parse(line));
    line.clear();
  }
  EXPECT_EQ(line, "") << "the trace ends with a whole line";
  const int raw = pclose(out);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

// ---- a game played by hand ----

// Level 1's ball is launched and the paddle never moves (7320..8535 x 9000..9255).
//
// First ball, from (7680, 8520) with steps (-80, -90): tick k puts it at
// (7680 - 80k, 8520 - 90k). At k = 53 Left 3440 <= 3480: it turns right, then
// Left = 3440 + 80 (k - 53). Its top first goes above the bricks' bottom 1215
// at k = 82 (Top 1140), Left 5760: the ball 5760..6135 meets Brick(1)
// 4680..5895 with depths top 795, bottom 75, right 135, left 1455: bottom face,
// step (80, 90), Top := 1215, score "25"; Brick(2) from 5880 is then only
// touched. Down again, Left = 5760 + 80j, Top = 1215 + 90j: at j = 87 (tick 169)
// Left 12720 (right edge 13095, on the wall: it turns) and Top 9045 (bottom
// 9420 >= 9375: lost), far right of the paddle. Lives "2".
//
// Second ball, Reset 500 ms later at C1 = 169 x 15625 + 500000 = 3140625,
// from (7320, 6840), steps (-80, -90): after m ticks (7320 - 80m, 6840 - 90m).
// m = 48: Left exactly 3480, turns right. m = 63: (4680, 1170); the ball covers
// the strip 4680..4695 of Brick(0) (Brick(1) is gone): top 825, bottom 45,
// right 15, left 1575: right face, step (-80, -90), Left := 4695, score "50".
// Up through the gap to m = 74: Top 180 <= 240, turns down at Left 3815.
// m = 79: Left 3415 <= 3480, turns right. Then Left = 3415 + 80 (m - 79),
// Top = 180 + 90 (m - 74): at m = 172 Top is exactly 9000 (bottom on 9375):
// lost at Left 10855. Lives "1".
//
// Third ball, Reset 1000 ms later at C2 = C1 + 172 x 15625 + 1000000 = 6828125,
// steps (80, -90): (7320 + 80m, 6840 - 90m). m = 63: (12360, 1170) meets only
// Brick(7) 11880..13095: top 825, bottom 45, right 735, left 855: bottom face,
// step (80, 90), Top := 1215, score "75". m = 68: Left 12760 (right edge 13135):
// turns left. Then Left = 12760 - 80 (m - 68), Top = 1215 + 90 (m - 63): at
// m = 150 Top 9045, lost at Left 6200, left of the paddle. Lives "0": "Game Over".
TEST(BrickBreakerWholeGame, UnsteeredLevelOneLosesThreeBallsAtTheTicksWorkedOutByHand) {
  const BinaryRun run = runReplayBinary(
      std::string(KESTRIN_TEST_SCRIPTS) + "/brickbreaker/three_lost_balls.script", true);
  EXPECT_EQ(run.status, 0);
  // start, click, keydown, keyup, 169 ticks, Reset, 172 ticks, Reset,
  // 149 ticks, the box and the end.
  ASSERT_EQ(run.lines.size(), 498u);
  const std::vector<Json>& l = run.lines;
  const auto at = [&](std::size_t i, double t) -> const Json& {
    EXPECT_EQ(l[i]["t"].get<double>(), t) << "line " << i;
    return l[i];
  };
  const auto ballIs = [](const Json& line, double left, double top, int sx, int sy) {
    EXPECT_EQ(num(line, kLvl1, "shpBall", "Left"), left);
    EXPECT_EQ(num(line, kLvl1, "shpBall", "Top"), top);
    EXPECT_EQ(var(line, kLvl1, "BallStepX"), sx);
    EXPECT_EQ(var(line, kLvl1, "BallStepY"), sy);
  };
  // Tick k of the first ball is line 3 + k.
  ballIs(at(3 + 52, 52 * kPeriod), 3520, 3840, -80, -90);
  ballIs(at(3 + 53, 53 * kPeriod), 3440, 3750, 80, -90);
  ballIs(at(3 + 81, 81 * kPeriod), 5680, 1230, 80, -90);
  const Json& brick1 = at(3 + 82, 82 * kPeriod);
  ballIs(brick1, 5760, 1215, 80, 90);
  EXPECT_EQ(caption(brick1, kLvl1, "lblScore"), "25");
  EXPECT_EQ(num(brick1, kLvl1, "Brick(1)", "Left"), -300);
  EXPECT_TRUE(shown(brick1, kLvl1, "Brick(2)"));
  const Json& lost1 = at(3 + 169, 169 * kPeriod);
  EXPECT_EQ(lost1["event"].get<std::string>(), "Timer1_Timer");
  ballIs(lost1, 12720, 9045, -80, -90);
  EXPECT_EQ(caption(lost1, kLvl1, "lbllives"), "2");
  EXPECT_FALSE(ctl(lost1, kLvl1, "Timer1")["Enabled"].get<bool>());

  // Reset is line 173; tick m of the second ball is line 173 + m.
  const double c1 = 3'140'625;
  EXPECT_EQ(at(173, c1)["event"].get<std::string>(), "cmdReset_Click");
  ballIs(l[173], 7320, 6840, -80, -90);
  ballIs(at(173 + 48, c1 + 48 * kPeriod), 3480, 2520, 80, -90);
  const Json& brick0 = at(173 + 63, c1 + 63 * kPeriod);
  ballIs(brick0, 4695, 1170, -80, -90);
  EXPECT_EQ(caption(brick0, kLvl1, "lblScore"), "50");
  EXPECT_EQ(num(brick0, kLvl1, "Brick(0)", "Left"), -300);
  ballIs(at(173 + 74, c1 + 74 * kPeriod), 3815, 180, -80, 90);
  ballIs(at(173 + 79, c1 + 79 * kPeriod), 3415, 630, 80, 90);
  const Json& lost2 = at(173 + 172, c1 + 172 * kPeriod);
  ballIs(lost2, 10855, 9000, 80, -90);
  EXPECT_EQ(caption(lost2, kLvl1, "lbllives"), "1");
  EXPECT_EQ(caption(lost2, kLvl1, "lblScore"), "50");

  // Reset is line 346; tick m of the third ball is line 346 + m.
  const double c2 = 6'828'125;
  EXPECT_EQ(at(346, c2)["event"].get<std::string>(), "cmdReset_Click");
  const Json& brick7 = at(346 + 63, c2 + 63 * kPeriod);
  ballIs(brick7, 12360, 1215, 80, 90);
  EXPECT_EQ(caption(brick7, kLvl1, "lblScore"), "75");
  EXPECT_EQ(num(brick7, kLvl1, "Brick(7)", "Left"), -300);
  ballIs(at(346 + 68, c2 + 68 * kPeriod), 12760, 1665, -80, 90);
  ballIs(at(346 + 149, c2 + 149 * kPeriod), 6280, 8955, -80, 90);

  const Json& box = at(496, c2 + 150 * kPeriod);
  EXPECT_EQ(box["msgbox"]["text"].get<std::string>(), "Game Over");
  EXPECT_EQ(box["msgbox"]["title"].get<std::string>(), "Kestrin Brick Breaker");
  EXPECT_EQ(at(497, c2 + 150 * kPeriod)["event"].get<std::string>(), "end");
}

// ---- a game played by a program ----

// The shared Brick Breaker player (tools/support), with its lines kept as a
// script and the trace they make kept as a digest and the last three lines.
class Player {
 public:
  Player()
      : replay_([this](std::string_view line) {
          std::string_view l = line;
          if (!l.empty() && l.back() == '\n') l.remove_suffix(1);
          digest_.add(l);
          earlier_.swap(before_);
          before_.swap(last_);
          last_.assign(l);
        }) {}

  struct Advance {
    Json before;  // the last line before the tick that cleared the level
    Json tick;    // that tick's line
  };

  void play(int budget) {
    send("click Main Image1");
    std::string level = kLvl1;
    const auto run = [this](const std::string& line) {
      send(line);
      return !::testing::Test::HasFatalFailure();
    };
    while (!replay_.ended() && ticks_ < budget) {
      if (!player_.playTick(replay_.program(), run)) break;
      ++ticks_;
      if (replay_.ended()) break;
      const std::string now = levelOnShow();
      if (now != level) {
        advances_.push_back({Json::parse(before_), Json::parse(last_)});
        level = now;
      }
    }
    flushTicks();
  }

  const std::string& script() const { return script_; }
  const TraceDigest& digest() const { return digest_; }
  const std::vector<Advance>& advances() const { return advances_; }
  // The last three lines of the trace, the last one last.
  std::vector<Json> lastLines() const {
    return {Json::parse(earlier_), Json::parse(before_), Json::parse(last_)};
  }
  bool ended() const { return replay_.ended(); }
  int ticks() const { return ticks_; }

 private:
  std::string levelOnShow() {
    for (const std::string& s : {kLvl1, kLvl2, kLvl3}) {
      const Screen* screen = replay_.program().findScreen(s);
      if (screen != nullptr && screen->visible()) return s;
    }
    ADD_FAILURE() << "no level on show";
    return kLvl1;
  }
  void send(const std::string& lines) {
    std::size_t start = 0;
    while (start < lines.size()) {
      std::size_t end = lines.find('\n', start);
      if (end == std::string::npos) end = lines.size();
      const std::string line = lines.substr(start, end - start);
      start = end + 1;
      std::string error;
      ASSERT_TRUE(replay_.runLine(line, error)) << line << ": " << error;
      if (line == "ticks 1") {
        ++pendingTicks_;  // written to the script as one "ticks N"
        continue;
      }
      flushTicks();
      script_ += line + "\n";
    }
  }
  void flushTicks() {
    if (pendingTicks_ > 0) script_ += "ticks " + std::to_string(pendingTicks_) + "\n";
    pendingTicks_ = 0;
  }

  TraceDigest digest_;
  std::string last_;
  std::string before_;
  std::string earlier_;
  std::string script_;
  std::vector<Advance> advances_;
  int pendingTicks_ = 0;
  int ticks_ = 0;
  support::BrickBreakerPlayer player_;
  headless::Replay replay_;
};

TEST(BrickBreakerWholeGame, ScriptedPlayerClearsEveryLevelAndWins) {
  Player player;
  player.play(40'000);  // some 10 minutes of play
  ASSERT_TRUE(player.ended()) << "no end after " << player.ticks() << " ticks";

  // Each level cleared: before the tick that cleared it, the score was the
  // level's own start plus 25 for every brick gone; that tick, still named
  // after the level, shows only the next one, from its design.
  ASSERT_EQ(player.advances().size(), 2u);
  const struct {
    const Level& from;
    const Level& to;
  } moves[] = {{level(1), level(2)}, {level(2), level(3)}};
  for (std::size_t i = 0; i < 2; ++i) {
    const Level& from = moves[i].from;
    const Level& to = moves[i].to;
    SCOPED_TRACE(to.screen);
    const Player::Advance& a = player.advances()[i];
    int gone = 0;
    for (int b = 0; b < from.bricks; ++b)
      gone += shown(a.before, from.screen, brickName(b)) ? 0 : 1;
    EXPECT_LT(gone, from.bricks);
    EXPECT_EQ(caption(a.before, from.screen, "lblScore"),
              std::to_string(std::stoi(from.score) + 25 * gone));
    EXPECT_EQ(a.tick["event"].get<std::string>(), "Timer1_Timer");
    EXPECT_EQ(a.tick["screen"].get<std::string>(), from.screen);
    EXPECT_FALSE(a.tick["screens"].contains(from.screen));
    EXPECT_EQ(a.tick["focus"].get<std::string>(), to.screen);
    EXPECT_EQ(caption(a.tick, to.screen, "lblScore"), to.score);
    EXPECT_EQ(caption(a.tick, to.screen, "lbllives"), "3");
    EXPECT_TRUE(shown(a.tick, to.screen, "lblStart"));
  }

  // Level 3 ends with "You Win" in the tick that takes the last of bricks
  // 0 to 15: just before it, at least one of them stood. The box has the
  // program's own title, and the end line follows it at once.
  const std::vector<Json> last = player.lastLines();
  int standing = 0;
  for (int i = 0; i < 16; ++i) standing += shown(last[0], kLvl3, brickName(i)) ? 1 : 0;
  EXPECT_GE(standing, 1);
  ASSERT_TRUE(last[1].contains("msgbox"));
  EXPECT_EQ(last[1].size(), 2u);
  EXPECT_EQ(last[1]["msgbox"]["text"].get<std::string>(), "You Win");
  EXPECT_EQ(last[1]["msgbox"]["title"].get<std::string>(), "Kestrin");
  EXPECT_EQ(last[1]["t"].get<double>(), last[0]["t"].get<double>() + kPeriod);
  EXPECT_EQ(last[2].size(), 2u);
  EXPECT_EQ(last[2]["event"].get<std::string>(), "end");
  EXPECT_EQ(last[2]["t"].get<double>(), last[1]["t"].get<double>());

  // The same script through the tool gives the same trace, line for line,
  // ending with the box and the end line.
  const std::string path = ::testing::TempDir() + "kestrin_whole_game.script";
  {
    std::ofstream file(path, std::ios::binary);
    file << player.script();
  }
  const BinaryRun run = runReplayBinary(path, false);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.digest.lines, player.digest().lines);
  EXPECT_EQ(run.digest.hash, player.digest().hash);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace kestrin::test::bb
