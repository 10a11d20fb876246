// Dodge lives: a hit's "Lost Life" pause, "Reset", several balls in one
// tick, and the end of the game at the first tick that finds no life left.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/common/catalog.h"
#include "host/headless/virtual_clock.h"
#include "shell/program.h"
#include "tests/dodge/dodge_support.h"

namespace kestrin::test::dodge {
namespace {

const BallInfo& kFirst = kBalls[0];
const BallInfo& kSecond = kBalls[1];

// Lays the first ball, still, on the player standing at its start place and
// runs the tick that finds it.
void hitOnce(Session& s) {
  place(s, kFirst, 7680, 8520);
  s.run("ticks 1");
  ASSERT_FALSE(ticking(s.last()));
}

void reset(Session& s) {
  s.run("click frmKestrinDodge cmdReset");
  ASSERT_EQ(s.last()["event"].get<std::string>(), "cmdReset_Click");
}

TEST(DodgeLife, HitPausesPlayWithLostLifeAndResetShowingUntilResetIsClicked) {
  Session s;
  openDodge(s);
  place(s, kFirst, 7680, 8520);
  s.run("ticks 1");  // at 15 625
  Json l = s.last();
  EXPECT_EQ(text(l, "lblScore"), "1");
  EXPECT_EQ(text(l, "lbllives"), "2");
  EXPECT_TRUE(shown(l, "lblLostLife"));
  EXPECT_TRUE(shown(l, "cmdReset"));
  EXPECT_FALSE(ticking(l));
  EXPECT_EQ(l["focus"].get<std::string>(), kDodge);  // showing the button gives it no focus

  // Paused: no tick at all, however long.
  std::size_t m = s.mark();
  s.run("ticks 200\nwait 1000");
  EXPECT_TRUE(s.since(m).empty());

  // Keys still reach the screen and set the steps; nothing moves. Space is
  // not a click on the unfocused button.
  s.run("keydown 37");
  EXPECT_EQ(s.last()["event"].get<std::string>(), "Form_KeyDown");
  EXPECT_EQ(var(s.last(), "PaddleStepX"), -100);
  s.run("keydown 38\nkeyup 38\nkeydown 32");
  EXPECT_EQ(s.last()["event"].get<std::string>(), "Form_KeyDown");
  EXPECT_EQ(var(s.last(), "PaddleStepY"), 0);
  EXPECT_EQ(at(s.last(), "Paddle"), (Pos{7680, 8520}));
  EXPECT_TRUE(shown(s.last(), "cmdReset"));

  // Reset at 15 625 + 3 125 000 + 1 000 000 + 7 300 = 4 147 925.
  s.run("wait 7.3");
  reset(s);
  l = s.last();
  EXPECT_EQ(l["t"].get<double>(), 4'147'925);
  EXPECT_EQ(l["screen"].get<std::string>(), kDodge);
  EXPECT_EQ(l["focus"].get<std::string>(), kDodge);  // the button hid itself
  EXPECT_FALSE(shown(l, "lblLostLife"));
  EXPECT_FALSE(shown(l, "cmdReset"));
  EXPECT_TRUE(ticking(l));
  EXPECT_EQ(text(l, "lblScore"), "1");
  EXPECT_EQ(text(l, "lbllives"), "2");
  EXPECT_EQ(at(l, "Paddle"), (Pos{7680, 8520}));

  // The next tick comes one whole period after the click.
  m = s.mark();
  s.run("wait 15.624");
  EXPECT_TRUE(s.since(m).empty());
  s.run("wait 0.001");
  ASSERT_EQ(s.since(m).size(), 1u);
  l = s.last();
  EXPECT_EQ(l["t"].get<double>(), 4'163'550);
  EXPECT_EQ(l["event"].get<std::string>(), "Timer1_Timer");
  EXPECT_EQ(text(l, "lblScore"), "2");  // the score goes on, never set back
  EXPECT_EQ(at(l, "Paddle"), (Pos{7580, 8520}));  // the key pressed while paused
  EXPECT_EQ(at(l, "shpBall"), (Pos{3600, 360}));  // steps 0: it stays at the Reset place
  EXPECT_EQ(text(l, "lbllives"), "2");
  EXPECT_TRUE(ticking(l));

  s.run("ticks 1");
  EXPECT_EQ(s.last()["t"].get<double>(), 4'179'175);
}

TEST(DodgeLife, ResetHiddenWhilePlayingAndOtherDeadClicksChangeNothing) {
  Session s;
  openDodge(s);
  s.run("ticks 2");
  const Json before = s.last();
  struct Click {
    const char* line;
    bool screen;  // delivered to the Dodge screen, or to none
  };
  for (const Click& c : {Click{"click frmKestrinDodge cmdReset", true},
                         Click{"click frmKestrinDodge Paddle", true},
                         Click{"click frmKestrinDodge lblScore", true},
                         Click{"click Main Image2", false},
                         Click{"click Main Image1", false},
                         Click{"close Main", false}}) {
    SCOPED_TRACE(c.line);
    s.run(c.line);
    const Json l = s.last();
    EXPECT_EQ(l["event"].get<std::string>(), "none");
    if (c.screen) {
      EXPECT_EQ(l["screen"].get<std::string>(), kDodge);
    } else {
      EXPECT_TRUE(l["screen"].is_null());
    }
    EXPECT_EQ(l["focus"].get<std::string>(), kDodge);
    EXPECT_EQ(l["screens"].size(), 2u);
    EXPECT_EQ(at(l, "shpBall"), at(before, "shpBall"));  // (3440, 180), not stacked
    EXPECT_TRUE(ticking(l));
  }
  // The ticks go on on their grid: the third at 3 x 15 625.
  s.run("ticks 1");
  EXPECT_EQ(s.last()["t"].get<double>(), 46'875);
  EXPECT_EQ(at(s.last(), "shpBall"), (Pos{3520, 270}));

  // Once play goes on after a Reset, a second click on it does nothing.
  place(s, kFirst, 7680, 8520);
  s.run("ticks 1");
  reset(s);
  s.run("click frmKestrinDodge cmdReset");
  EXPECT_EQ(s.last()["event"].get<std::string>(), "none");
}

TEST(DodgeLife, ResetStacksEveryBallAtTheStartPlaceAndLeavesEverythingElse) {
  Session s;
  openDodge(s);
  // The first ball moves onto the player: 7600 + 80, 8430 + 90.
  place(s, kFirst, 7600, 8430, 80, 90);
  // The second ball shown, going right and up; the third and fourth hidden.
  s.control(kDodge, "shpBall2").Visible = true;
  place(s, kSecond, 5000, 5000, 85, -75);
  s.run("keydown 40\nkeydown 39");
  s.run("ticks 1");
  Json l = s.last();
  ASSERT_EQ(text(l, "lbllives"), "2");
  // The player moved to (7780, 8620); the ball at (7680, 8520) overlaps it.
  EXPECT_EQ(at(l, "Paddle"), (Pos{7780, 8620}));
  EXPECT_EQ(at(l, "shpBall"), (Pos{7680, 8520}));
  EXPECT_EQ(at(l, "shpBall2"), (Pos{5085, 4925}));

  reset(s);
  l = s.last();
  for (const BallInfo& b : kBalls) EXPECT_EQ(at(l, b.shape), (Pos{3600, 360})) << b.shape;
  EXPECT_TRUE(shown(l, "shpBall"));
  EXPECT_TRUE(shown(l, "shpBall2"));
  EXPECT_FALSE(shown(l, "shpBall3"));
  EXPECT_FALSE(shown(l, "shpBall4"));
  EXPECT_EQ(at(l, "Paddle"), (Pos{7780, 8620}));
  EXPECT_EQ(var(l, "BallStepX"), 80);
  EXPECT_EQ(var(l, "BallStepY"), 90);
  EXPECT_EQ(var(l, "Ball2StepX"), 85);
  EXPECT_EQ(var(l, "Ball2StepY"), -75);
  EXPECT_EQ(var(l, "Ball3StepX"), -115);
  EXPECT_EQ(var(l, "Ball4StepY"), -80);
  EXPECT_EQ(var(l, "PaddleStepX"), 100);
  EXPECT_EQ(var(l, "PaddleStepY"), 100);
  EXPECT_EQ(text(l, "lblScore"), "1");
  EXPECT_EQ(text(l, "lbllives"), "2");

  // Each ball carries on in its own direction from the stack; the hidden
  // ones stay there.
  s.run("ticks 1");
  l = s.last();
  EXPECT_EQ(at(l, "shpBall"), (Pos{3680, 450}));
  EXPECT_EQ(at(l, "shpBall2"), (Pos{3685, 285}));
  EXPECT_EQ(at(l, "shpBall3"), (Pos{3600, 360}));
  EXPECT_EQ(at(l, "shpBall4"), (Pos{3600, 360}));
  EXPECT_EQ(at(l, "Paddle"), (Pos{7880, 8720}));
  EXPECT_EQ(text(l, "lblScore"), "2");
}

TEST(DodgeLife, PlayerStandingAtTheResetPlaceIsHitAgainByTheFirstTickAfterReset) {
  Session s;
  openDodge(s);
  placePlayer(s, 3480, 240);  // the top-left corner: 3480..4095, 240..735
  place(s, kFirst, 3700, 400);
  s.run("ticks 1");
  ASSERT_EQ(text(s.last(), "lbllives"), "2");
  reset(s);
  // From 3600, 360 the ball (steps 0) is inside the player's rectangle.
  s.run("ticks 1");
  EXPECT_EQ(text(s.last(), "lbllives"), "1");
  EXPECT_EQ(text(s.last(), "lblScore"), "2");
  EXPECT_FALSE(ticking(s.last()));
}

TEST(DodgeLife, EveryBallOnThePlayerInOneTickCostsALife) {
  {
    SCOPED_TRACE("two balls");
    Session s;
    openDodge(s);
    s.control(kDodge, "shpBall2").Visible = true;
    place(s, kFirst, 7680, 8520);
    place(s, kSecond, 7900, 8700);
    s.run("ticks 1");
    const Json l = s.last();
    EXPECT_EQ(text(l, "lbllives"), "1");  // 3 - 1 - 1
    EXPECT_TRUE(shown(l, "lblLostLife"));
    EXPECT_TRUE(shown(l, "cmdReset"));
    EXPECT_FALSE(ticking(l));
    // Nothing comes back to tick a second time.
    const std::size_t m = s.mark();
    s.run("ticks 10");
    EXPECT_TRUE(s.since(m).empty());
  }
  {
    SCOPED_TRACE("four balls");
    Session s;
    openDodge(s);
    for (const BallInfo& b : kBalls) {
      s.control(kDodge, b.shape).Visible = true;
      place(s, b, 7700, 8540);
    }
    s.run("ticks 1");
    EXPECT_EQ(text(s.last(), "lbllives"), "-1");  // 3 - 4
  }
}

TEST(DodgeGameOver, AfterTheLastLifeNothingEndsUntilResetThenTheNextTickEnds) {
  Session s;
  openDodge(s);
  for (const char* lives : {"2", "1"}) {
    hitOnce(s);
    ASSERT_EQ(text(s.last(), "lbllives"), lives);
    reset(s);
  }
  hitOnce(s);  // at 15 625 x 3 = 46 875: three ticks, each the first after a click at the same time
  const Json hit = s.last();
  EXPECT_EQ(text(hit, "lbllives"), "0");
  EXPECT_EQ(text(hit, "lblScore"), "3");
  EXPECT_TRUE(shown(hit, "lblLostLife"));
  EXPECT_EQ(hit["t"].get<double>(), 46'875);

  std::size_t m = s.mark();
  s.run("ticks 64\nkeydown 40");
  ASSERT_EQ(s.since(m).size(), 1u);  // the key only
  EXPECT_FALSE(s.ended());

  s.run("wait 1000");  // now 46 875 + 1 000 000 + 1 000 000 = 2 046 875
  reset(s);
  EXPECT_EQ(s.last()["t"].get<double>(), 2'046'875);
  m = s.mark();
  s.run("wait 15.624");
  EXPECT_TRUE(s.since(m).empty());
  EXPECT_FALSE(s.ended());
  s.run("wait 0.001");
  const std::vector<Json> end = s.since(m);
  ASSERT_EQ(end.size(), 2u);
  // The box, then the end in place of the tick's own line.
  EXPECT_EQ(end[0]["t"].get<double>(), 2'062'500);
  EXPECT_EQ(end[0]["msgbox"]["text"].get<std::string>(), "Game Over");
  EXPECT_EQ(end[0]["msgbox"]["title"].get<std::string>(), "Kestrin Brick Breaker");
  EXPECT_EQ(end[0].size(), 2u);
  EXPECT_EQ(end[1]["t"].get<double>(), 2'062'500);
  EXPECT_EQ(end[1]["event"].get<std::string>(), "end");
  EXPECT_EQ(end[1].size(), 2u);
  EXPECT_TRUE(s.ended());

  m = s.mark();
  s.run("ticks 100\nkeydown 37\nclick frmKestrinDodge cmdReset\nclick Main Image2");
  EXPECT_TRUE(s.since(m).empty());
}

TEST(DodgeGameOver, LivesPassingBelowZeroStillEndTheGameAtTheTickAfterReset) {
  // Lives 2 and 1 each taken by two balls at once: 2 -> 0 and 1 -> -1.
  for (int lost : {1, 2}) {
    SCOPED_TRACE(lost);
    Session s;
    openDodge(s);
    for (int i = 0; i < lost; ++i) {
      hitOnce(s);
      reset(s);
    }
    s.control(kDodge, "shpBall2").Visible = true;
    place(s, kFirst, 7680, 8520);
    place(s, kSecond, 7700, 8600);
    s.run("ticks 1");
    EXPECT_EQ(text(s.last(), "lbllives"), lost == 1 ? "0" : "-1");
    const std::size_t m = s.mark();
    s.run("ticks 5");
    EXPECT_TRUE(s.since(m).empty());
    reset(s);
    s.run("ticks 1");
    const std::vector<Json> end = s.since(m + 1);
    ASSERT_EQ(end.size(), 2u);
    EXPECT_EQ(end[0]["msgbox"]["text"].get<std::string>(), "Game Over");
    EXPECT_EQ(end[0]["msgbox"]["title"].get<std::string>(), "Kestrin Brick Breaker");
    EXPECT_EQ(end[1]["event"].get<std::string>(), "end");
    EXPECT_TRUE(s.ended());
  }
}

// The state of the Dodge screen at the moment the "Game Over" box opens, seen
// by a host of our own: the ending tick has raised the score, released a due
// ball and moved and turned the balls, and has not moved the player.
class WatchingHost final : public Host {
 public:
  std::function<void(std::string_view, std::string_view)> onBox;
  void messageBox(std::string_view text, std::string_view title) override { onBox(text, title); }
};

TEST(DodgeGameOver, EndingTickScoresReleasesMovesAndTurnsTheBallsButLeavesThePlayer) {
  WatchingHost host;
  headless::VirtualClock clock;
  Program program(host, clock, std::string(kProgramTitle));
  addKestrinScreens(program);
  program.start(kFirstScreen);
  program.click("Main", "Image2");
  Screen* dodge = program.findScreen(kDodge);
  ASSERT_TRUE(dodge != nullptr && dodge->loaded());
  Form& form = *dodge->form();
  auto control = [&](std::string_view name) -> Control& { return *form.find(name); };
  auto step = [&](std::string_view name) -> int {
    for (const Form::Variable& v : form.variables())
      if (v.name == name) return *v.value;
    ADD_FAILURE() << "no variable " << name;
    return 0;
  };
  auto setStep = [&](std::string_view name, int value) {
    for (const Form::Variable& v : form.variables())
      if (v.name == name) *v.value = value;
  };

  control("lbllives").Caption = "0";
  control("lblScore").Caption = "999";
  control("shpBall").Left = 3520;  // one step from the top-left corner
  control("shpBall").Top = 270;
  setStep("PaddleStepX", 100);
  setStep("PaddleStepY", -100);

  struct Seen {
    std::string text, title, score, lives;
    Pos ball, ball2, player;
    bool ball2Shown;
    int stepX, stepY;
  };
  std::optional<Seen> seen;
  host.onBox = [&](std::string_view text, std::string_view title) {
    ASSERT_FALSE(seen.has_value()) << "a second box";
    seen = Seen{std::string(text), std::string(title), control("lblScore").Caption,
                control("lbllives").Caption,
                {control("shpBall").Left, control("shpBall").Top},
                {control("shpBall2").Left, control("shpBall2").Top},
                {control("Paddle").Left, control("Paddle").Top},
                static_cast<bool>(control("shpBall2").Visible), step("BallStepX"),
                step("BallStepY")};
  };

  const std::optional<std::int64_t> due = program.nextTickDue();
  ASSERT_TRUE(due.has_value());
  EXPECT_EQ(*due, kPeriod);
  clock.set(*due);
  program.tick();

  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(seen->text, "Game Over");
  EXPECT_EQ(seen->title, "Kestrin Brick Breaker");
  EXPECT_EQ(seen->score, "1000");
  EXPECT_EQ(seen->lives, "0");
  EXPECT_EQ(seen->ball, (Pos{3440, 180}));  // 3520 - 80, 270 - 90 ...
  EXPECT_EQ(seen->stepX, 80);               // ... past the corner, both turned
  EXPECT_EQ(seen->stepY, 90);
  EXPECT_TRUE(seen->ball2Shown);
  EXPECT_EQ(seen->ball2, (Pos{3995, 285}));
  EXPECT_EQ(seen->player, (Pos{7680, 8520}));  // steps 100, -100 never applied
  EXPECT_TRUE(program.ended());
}

}  // namespace
}  // namespace kestrin::test::dodge
