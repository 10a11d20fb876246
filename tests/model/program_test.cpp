#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/headless/virtual_clock.h"
#include "shell/keys.h"
#include "shell/program.h"

namespace kestrin {
namespace {

// Two small screens of the model's own, so that each rule is tested without
// a game in the way: a launcher-like "Lobby" and a game-like "Play".
constexpr std::array kLobbyControls{
    ControlDesign{.name = "lblText", .kind = ControlKind::Label, .width = 100, .height = 100,
                  .caption = "hello"},
    ControlDesign{.name = "imgGo", .kind = ControlKind::Image, .left = 200, .width = 100,
                  .height = 100},
    ControlDesign{.name = "imgHidden", .kind = ControlKind::Image, .left = 400, .width = 100,
                  .height = 100, .visible = false},
};
constexpr ScreenDesign kLobby{.name = "Lobby", .caption = "Lobby", .controls = kLobbyControls};

constexpr std::array kPlayControls{
    ControlDesign{.name = "cmdReset", .kind = ControlKind::CommandButton, .visible = false,
                  .caption = "Reset"},
    ControlDesign{.name = "Timer1", .kind = ControlKind::Timer, .interval = 1},
    ControlDesign{.name = "shp", .kind = ControlKind::Shape, .left = 10, .top = 20},
};
constexpr ScreenDesign kPlay{.name = "Play", .caption = "Play", .controls = kPlayControls};

constexpr std::array kSlowControls{
    ControlDesign{.name = "Timer1", .kind = ControlKind::Timer, .interval = 100},
};
constexpr ScreenDesign kSlow{.name = "Slow", .caption = "Slow", .controls = kSlowControls};

// The longest period a timer can have.
constexpr std::array kSlowestControls{
    ControlDesign{.name = "Timer1", .kind = ControlKind::Timer, .interval = INT32_MAX},
};
constexpr ScreenDesign kSlowest{.name = "Slowest", .caption = "Slowest",
                                .controls = kSlowestControls};


class FakeHost final : public Host {
 public:
  void messageBox(std::string_view text, std::string_view title) override {
    boxes.push_back(std::string(title) + ": " + std::string(text));
    if (duringBox) duringBox();
  }
  std::vector<std::string> boxes;
  std::function<void()> duringBox;
};

// Whatever a case wants its handlers to do, and a log of what they did.
struct Script {
  std::function<void()> load, tick, reset, keyDown;
  std::vector<std::string> log;
  int loads = 0;
};

class PlayForm : public Form {
 public:
  PlayForm(Screen& screen, Script& script) : Form(screen), script_(script) {
    // The screens the cases' handlers show.
    opens("Play");
    opens("Slow");
    opens("Lobby");
    variable("Step", Step);
    onLoad([this] {
      ++script_.loads;
      script_.log.push_back("load step=" + std::to_string(Step));
      if (script_.load) script_.load();
    });
    onKeyDown([this](std::int16_t code, std::int16_t shift) {
      script_.log.push_back("key " + std::to_string(code) + "/" + std::to_string(shift));
      if (script_.keyDown) script_.keyDown();
    });
    onKeyUp([this](std::int16_t code, std::int16_t) {
      script_.log.push_back("keyup " + std::to_string(code));
    });
    onClick(cmdReset, [this] {
      script_.log.push_back("reset");
      if (script_.reset) script_.reset();
    });
    onTimer(Timer1, [this] {
      script_.log.push_back("tick");
      if (script_.tick) script_.tick();
    });
  }

  Integer Step;
  Control& cmdReset = control("cmdReset");
  Control& Timer1 = control("Timer1");
  Control& shp = control("shp");
  using Form::EndProgram;
  using Form::Hide;
  using Form::MsgBox;
  using Form::Show;
  using Form::UnloadMe;

 private:
  Script& script_;
};

class LobbyForm : public Form {
 public:
  explicit LobbyForm(Screen& screen) : Form(screen) {
    opens("Play");
    onClick(imgGo, [this] {
      Show("Play");
      Hide();
    });
    onClick(imgHidden, [] { ADD_FAILURE() << "a hidden control was clicked"; });
  }
  Control& imgGo = control("imgGo");
  Control& imgHidden = control("imgHidden");
};

class SlowForm : public Form {
 public:
  SlowForm(Screen& screen, Script& script) : Form(screen) {
    onTimer(control("Timer1"), [&script] { script.log.push_back("slow tick"); });
  }
};

// Everything the program tells its observers, one line each.
class Recorder final : public ProgramObserver {
 public:
  void started(std::int64_t t, const Program&) override { add(t, "start"); }
  void delivered(std::int64_t t, const Delivery& d, const Program&) override {
    add(t, d.handler() + " " + (d.screen ? std::string(d.screen->name()) : "null"));
  }
  void messageBox(std::int64_t t, std::string_view text, std::string_view title) override {
    add(t, "box " + std::string(title) + ": " + std::string(text));
  }
  void ended(std::int64_t t, const Delivery& cause) override { add(t, "end on " + cause.handler()); }
  void received(std::int64_t t, const Input& in) override {
    if (logInputs) add(t, "input " + std::to_string(static_cast<int>(in.kind)) + " " +
                              std::to_string(in.code) + " " + std::string(in.screen) + " " +
                              std::string(in.control));
  }
  void dropped(std::int64_t t, const Screen& s, const Control&, std::int64_t count) override {
    add(t, "dropped " + std::to_string(count) + " " + std::string(s.name()));
  }
  std::vector<std::string> log;
  bool logInputs = false;

 private:
  void add(std::int64_t t, const std::string& what) { log.push_back(std::to_string(t) + " " + what); }
};

class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() : program(host, clock, "Kestrin") {
    program.addObserver(recorder);
    program.add(kLobby, [](Screen& s) { return std::make_unique<LobbyForm>(s); });
    program.add(kPlay, [this](Screen& s) { return std::make_unique<PlayForm>(s, script); });
    program.add(kSlow, [this](Screen& s) { return std::make_unique<SlowForm>(s, script); });
    program.add(kSlowest, [this](Screen& s) { return std::make_unique<SlowForm>(s, script); });
    program.start("Lobby");
  }

  Screen& screen(std::string_view name) { return program.screen(name); }
  PlayForm& play() { return *dynamic_cast<PlayForm*>(screen("Play").form()); }
  void openPlay() { ASSERT_EQ(program.click("Lobby", "imgGo").handler(), "imgGo_Click"); }
  // Delivers every tick due up to t, in time order, as the replay does.
  int runUntil(std::int64_t t) {
    int ticks = 0;
    for (auto due = program.nextTickDue(); due && *due <= t; due = program.nextTickDue()) {
      clock.set(*due);
      if (program.tick()) ++ticks;
    }
    clock.set(t);
    return ticks;
  }

  headless::VirtualClock clock;
  FakeHost host;
  Script script;
  Recorder recorder;
  Program program;
};

TEST_F(ProgramTest, StartShowsTheFirstScreenAlone) {
  EXPECT_TRUE(screen("Lobby").visible());
  EXPECT_EQ(program.activeScreen(), &screen("Lobby"));
  EXPECT_EQ(program.findScreen("Play"), nullptr);  // created on first use only
}

TEST_F(ProgramTest, ShowLoadsOnceAndTheGameIsShownBeforeTheLauncherHides) {
  openPlay();
  EXPECT_EQ(script.loads, 1);
  EXPECT_TRUE(screen("Play").visible());
  EXPECT_TRUE(screen("Lobby").loaded());
  EXPECT_FALSE(screen("Lobby").visible());
  EXPECT_EQ(program.activeScreen(), &screen("Play"));

  script.keyDown = [this] { play().Show("Play"); };  // Show of a visible screen
  program.keyDown(keys::kLeft, 0);
  EXPECT_EQ(script.loads, 1);
}

TEST_F(ProgramTest, UnloadDiscardsControlsAndVariablesAndALaterShowLoadsAgain) {
  openPlay();
  play().shp.Left = 999;
  play().Step = 7;
  script.keyDown = [this] { play().UnloadMe(); };
  program.keyDown(1, 0);
  EXPECT_FALSE(screen("Play").loaded());
  EXPECT_EQ(program.nextTickDue(), std::nullopt);  // its timer stopped with it

  script.keyDown = nullptr;
  program.click("Lobby", "imgGo");  // hidden launcher: nothing happens
  EXPECT_FALSE(screen("Play").loaded());
  program.close("Lobby");  // not visible either
  EXPECT_FALSE(program.ended());
}

TEST_F(ProgramTest, AHandlerThatUnloadsItsOwnScreenRunsOnToItsEnd) {
  openPlay();
  script.tick = [this] {
    PlayForm& form = play();
    form.UnloadMe();
    // Still this handler's own controls: valid memory until it returns.
    form.shp.Left = form.shp.Left + 1;
    form.Step = 3;
    script.log.push_back("after unload");
  };
  EXPECT_EQ(runUntil(15'625), 1);
  EXPECT_EQ(script.log.back(), "after unload");
  EXPECT_FALSE(screen("Play").loaded());

  // A later load starts from the design with the variables at zero again.
  script.tick = nullptr;
  script.load = [this] {
    script.log.push_back("shp at " + std::to_string(static_cast<int>(play().shp.Left)));
  };
  program.show(screen("Play"));
  EXPECT_EQ(script.loads, 2);
  EXPECT_EQ(script.log.back(), "shp at 10");
  EXPECT_EQ(script.log[script.log.size() - 2], "load step=0");
}

TEST_F(ProgramTest, TimersTickOnAGridFromTheLoadNeverFasterThan64AMinute) {
  clock.set(1000);
  openPlay();
  EXPECT_EQ(program.nextTickDue(), 1000 + 15'625);  // Interval 1 runs at the granularity
  EXPECT_EQ(runUntil(1000 + 3 * 15'625), 3);

  program.show(screen("Slow"));
  EXPECT_EQ(program.nextTickDue(), 1000 + 4 * 15'625);
  clock.set(1000 + 3 * 15'625);
  runUntil(clock.now() + 100'000);
  EXPECT_EQ(std::count(script.log.begin(), script.log.end(), "slow tick"), 1);  // 100 ms
}

TEST_F(ProgramTest, MissedTicksAreDroppedNotPiledUp) {
  openPlay();
  clock.set(10 * 15'625 + 5);  // ten periods late
  ASSERT_TRUE(program.tick());
  EXPECT_FALSE(program.tick());  // one tick, not ten
  EXPECT_EQ(program.nextTickDue(), 11 * 15'625);  // back on the grid
}

TEST_F(ProgramTest, EnabledFalseInsideTheTickStopsItAndTrueStartsAFreshPeriod) {
  openPlay();
  script.tick = [this] { play().Timer1.Enabled = false; };
  EXPECT_EQ(runUntil(10 * 15'625), 1);
  EXPECT_EQ(program.nextTickDue(), std::nullopt);

  clock.set(200'000);
  script.tick = nullptr;
  script.keyDown = [this] { play().Timer1.Enabled = true; };
  program.keyDown(1, 0);
  EXPECT_EQ(program.nextTickDue(), 200'000 + 15'625);

  // True on a running timer also restarts its period.
  clock.set(210'000);
  program.keyDown(1, 0);
  EXPECT_EQ(program.nextTickDue(), 210'000 + 15'625);
}

TEST_F(ProgramTest, TicksDueTogetherRunInTheOrderTheScreensWereLoaded) {
  // Both grids start at 0: 15625 and 100000 meet first at 500000.
  program.show(screen("Slow"));
  openPlay();
  runUntil(500'000 - 1);
  script.log.clear();
  runUntil(500'000);
  EXPECT_EQ(script.log, (std::vector<std::string>{"slow tick", "tick"}));

  // Loaded the other way round, they tick the other way round.
  program.unload(screen("Slow"));
  program.show(screen("Slow"));  // loaded at 500000, after Play
  runUntil(1'000'000 - 1);
  script.log.clear();
  runUntil(1'000'000);
  EXPECT_EQ(script.log, (std::vector<std::string>{"tick", "slow tick"}));
}

TEST_F(ProgramTest, AMessageBoxIsFullyModal) {
  openPlay();
  bool refusedInside = false;
  host.duringBox = [&] {
    clock.set(clock.now() + 10 * 15'625);  // the player takes a while
    refusedInside = program.busy() && !program.tick() &&
                    program.keyDown(1, 0).screen == nullptr &&
                    program.click("Play", "cmdReset").screen == nullptr &&
                    program.close("Play").screen == nullptr;
  };
  script.tick = [this] {
    play().MsgBox("Hello");
    script.log.push_back("after box");
  };
  EXPECT_EQ(runUntil(15'625), 1);
  EXPECT_TRUE(refusedInside);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0], "Kestrin: Hello");  // no title: the program's own
  EXPECT_EQ(script.log.back(), "after box");
  EXPECT_EQ(std::count(script.log.begin(), script.log.end(), "tick"), 1);
  // The ticks that fell due while the box was open are gone.
  EXPECT_EQ(program.nextTickDue(), 12 * 15'625);
}

TEST_F(ProgramTest, EndProgramStopsTheHandlerAndEveryScreenGoes) {
  openPlay();
  script.tick = [this] {
    play().MsgBox("Game Over", "Title");
    play().EndProgram();
    script.log.push_back("never");
  };
  runUntil(15'625);
  EXPECT_EQ(host.boxes, std::vector<std::string>{"Title: Game Over"});
  EXPECT_TRUE(program.ended());
  EXPECT_NE(script.log.back(), "never");
  for (const auto& s : program.screens()) EXPECT_FALSE(s->loaded()) << s->name();
  EXPECT_FALSE(program.tick());
  EXPECT_EQ(program.keyDown(1, 0).screen, nullptr);
}

TEST_F(ProgramTest, ARunTimeErrorNamesItselfInABoxThenEndsTheProgram) {
  openPlay();
  script.tick = [this] {
    play().Step = 32767;
    play().Step = play().Step + 1;
    script.log.push_back("never");
  };
  runUntil(15'625);
  EXPECT_EQ(host.boxes, std::vector<std::string>{"Kestrin: Overflow"});
  EXPECT_TRUE(program.ended());
  EXPECT_NE(script.log.back(), "never");
}

TEST_F(ProgramTest, ObserversHearEveryEventOnceItsBoxesFirstAndTheEndInItsPlace) {
  clock.set(5);
  openPlay();
  program.keyDown(keys::kLeft, 0);
  program.click("Lobby", "imgGo");  // hidden: reaches nothing, still an event
  program.close("Slow");            // never loaded
  runUntil(5 + 15'625);  // on the grid from Play's load
  host.duringBox = [&] {  // refused inside the box: no events
    program.keyDown(1, 0);
    program.close("Play");
  };
  script.tick = [this] {
    play().MsgBox("Game Over", "Title");
    play().EndProgram();
  };
  runUntil(5 + 2 * 15'625);
  program.keyDown(1, 0);  // after the end: no event either
  program.close("Lobby");
  EXPECT_EQ(recorder.log, (std::vector<std::string>{
                              "0 start",
                              "5 imgGo_Click Lobby",
                              "5 Form_KeyDown Play",
                              "5 none null",
                              "5 none null",
                              "15630 Timer1_Timer Play",
                              "31255 box Title: Game Over",
                              "31255 end on Timer1_Timer",
                          }));
}

// A real host reads a running clock and wakes late; each event still happens
// at one instant, and a tick on its grid, as on the replay's clock.
TEST_F(ProgramTest, OnARunningClockEachEventHappensAtOneInstantAndTicksStayOnTheirGrid) {
  constexpr std::int64_t p = 15'625;
  recorder.logInputs = true;
  openPlay();  // at 0: the grid is 0, p, 2p, ...
  recorder.log.clear();
  // Handlers take time: the clock moves on while each one runs.
  script.keyDown = [this] {
    clock.set(clock.now() + 5'000);
    play().Timer1.Enabled = true;  // a fresh period from the key's own time
  };
  script.tick = [this] { clock.set(clock.now() + 700); };

  clock.set(p + 300);         // the host has not woken for the tick at p yet
  program.keyDown(keys::kLeft, 0);
  EXPECT_EQ(program.nextTickDue(), p + 300 + p);
  clock.set(p + 300 + 4 * p + 9);  // three periods missed
  EXPECT_TRUE(program.tick());
  EXPECT_FALSE(program.tick());
  EXPECT_EQ(program.nextTickDue(), p + 300 + 5 * p);

  // A box open across periods: the ticks due meanwhile are dropped.
  script.tick = [this] { play().MsgBox("Wait"); };
  host.duringBox = [&] {
    clock.set(clock.now() + 3 * p);
    EXPECT_FALSE(program.tick());
  };
  clock.set(p + 300 + 5 * p);
  EXPECT_TRUE(program.tick());
  EXPECT_EQ(recorder.log, (std::vector<std::string>{
                              "15625 Timer1_Timer Play",
                              "15925 input 0 37  ",
                              "15925 Form_KeyDown Play",
                              "78425 dropped 3 Play",
                              "78425 Timer1_Timer Play",
                              "94050 box Kestrin: Wait",
                              "140925 dropped 3 Play",
                              "94050 Timer1_Timer Play",
                          }));
}

TEST_F(ProgramTest, KeysReachTheScreenOnlyWhileNoButtonHasTheFocus) {
  openPlay();
  Delivery d = program.keyDown(keys::kLeft, keys::kShiftMask);
  EXPECT_EQ(d.handler(), "Form_KeyDown");
  EXPECT_EQ(script.log.back(), "key 37/1");

  play().cmdReset.Visible = true;  // showing a button does not give it the focus
  EXPECT_EQ(program.keyDown(keys::kSpace, 0).handler(), "Form_KeyDown");

  ASSERT_EQ(program.click("Play", "cmdReset").handler(), "cmdReset_Click");
  EXPECT_EQ(screen("Play").focusedButton(), &play().cmdReset);
  script.log.clear();
  d = program.keyDown(keys::kLeft, 0);
  EXPECT_EQ(d.handler(), "none");
  EXPECT_EQ(d.screen, &screen("Play"));
  EXPECT_EQ(program.keyUp(keys::kLeft, 0).handler(), "none");
  EXPECT_EQ(program.keyDown(keys::kSpace, 0).handler(), "cmdReset_Click");
  EXPECT_EQ(program.keyDown(keys::kEnter, 0).handler(), "cmdReset_Click");
  EXPECT_EQ(script.log, (std::vector<std::string>{"reset", "reset"}));

  // A button that hides itself gives the focus back, and does not get it
  // back by being shown again.
  script.reset = [this] {
    play().cmdReset.Visible = false;
    play().cmdReset.Visible = true;
  };
  program.keyDown(keys::kSpace, 0);
  EXPECT_EQ(screen("Play").focusedButton(), nullptr);
  EXPECT_EQ(program.keyDown(keys::kSpace, 0).handler(), "Form_KeyDown");
  EXPECT_EQ(program.keyUp(keys::kSpace, 0).handler(), "Form_KeyUp");
}

TEST_F(ProgramTest, TabGivesTheShownButtonTheFocusAndIsAPlainKeyWhileItIsHidden) {
  openPlay();
  EXPECT_EQ(program.keyDown(keys::kTab, 0).handler(), "Form_KeyDown");  // button hidden
  EXPECT_EQ(script.log.back(), "key 9/0");
  play().cmdReset.Visible = true;
  script.log.clear();
  Delivery d = program.keyDown(keys::kTab, keys::kShiftMask);
  EXPECT_EQ(d.handler(), "none");
  EXPECT_EQ(d.screen, &screen("Play"));
  EXPECT_EQ(screen("Play").focusedButton(), &play().cmdReset);
  EXPECT_EQ(program.keyUp(keys::kTab, 0).handler(), "none");
  EXPECT_EQ(program.keyDown(keys::kTab, 0).handler(), "none");  // it keeps the focus
  // The click hides the button, which hands the focus back to the screen.
  script.reset = [this] { play().cmdReset.Visible = false; };
  EXPECT_EQ(program.keyDown(keys::kSpace, 0).handler(), "cmdReset_Click");
  EXPECT_EQ(screen("Play").focusedButton(), nullptr);
  EXPECT_EQ(script.log, std::vector<std::string>{"reset"});
  // The launcher-like screen has no button: Tab reaches no handler there.
  program.show(screen("Lobby"));
  EXPECT_EQ(program.keyDown(keys::kTab, 0).handler(), "none");
  EXPECT_EQ(screen("Lobby").focusedButton(), nullptr);
}

TEST_F(ProgramTest, KeysHeldWhenTheKeyboardIsLostGoUpOnTheActiveScreenThatSawThemGoDown) {
  openPlay();
  program.keyDown(keys::kLeft, 0);
  program.keyDown(keys::kRight, keys::kShiftMask);
  program.keyDown(keys::kSpace, 0);
  program.keyDown(keys::kRight, 0);  // a repeat: still one key held
  program.keyUp(keys::kLeft, 0);
  script.log.clear();
  recorder.log.clear();
  clock.set(1000);
  program.letGoOfKeys();
  // Each an input like any other, at the time the keyboard was lost, in
  // the order the keys went down, with no shift bit.
  EXPECT_EQ(script.log, (std::vector<std::string>{"keyup 39", "keyup 32"}));
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"1000 Form_KeyUp Play", "1000 Form_KeyUp Play"}));
  program.letGoOfKeys();  // let go already
  EXPECT_EQ(script.log.size(), 2U);

  // Keys another screen saw go down are not this one's to let go.
  program.keyDown(keys::kUp, 0);
  program.show(screen("Slow"));
  program.keyDown(keys::kDown, 0);
  script.log.clear();
  recorder.log.clear();
  program.letGoOfKeys();
  EXPECT_EQ(recorder.log, std::vector<std::string>{"1000 none Slow"});
  program.click("Play", "shp");
  program.letGoOfKeys();
  EXPECT_TRUE(script.log.empty());
}

TEST_F(ProgramTest, ClicksReachOnlyVisibleControlsOfVisibleScreens) {
  Delivery d = program.click("Lobby", "lblText");  // no handler
  EXPECT_EQ(d.handler(), "none");
  EXPECT_EQ(d.screen, &screen("Lobby"));
  d = program.click("Lobby", "imgHidden");
  EXPECT_EQ(d.handler(), "none");
  EXPECT_EQ(d.screen, &screen("Lobby"));
  openPlay();
  d = program.click("Play", "cmdReset");  // hidden button: no click, no focus
  EXPECT_EQ(d.handler(), "none");
  EXPECT_EQ(screen("Play").focusedButton(), nullptr);
  d = program.click("Lobby", "imgGo");  // the launcher is hidden now
  EXPECT_EQ(d.handler(), "none");
  EXPECT_EQ(d.screen, nullptr);
  d = program.click("Slow", "Timer1");  // never loaded
  EXPECT_EQ(d.screen, nullptr);
}

TEST_F(ProgramTest, ClickingAScreenMakesItTheActiveOne) {
  openPlay();
  program.show(screen("Slow"));
  EXPECT_EQ(program.activeScreen(), &screen("Slow"));
  program.click("Play", "shp");
  EXPECT_EQ(program.activeScreen(), &screen("Play"));
  EXPECT_EQ(program.keyDown(1, 0).screen, &screen("Play"));
}

TEST_F(ProgramTest, ClosingAGameBringsBackTheLauncherAndClosingTheLauncherEnds) {
  openPlay();
  const Delivery d = program.close("Play");
  EXPECT_EQ(d.handler(), "close");
  EXPECT_EQ(d.screen, &screen("Play"));
  EXPECT_FALSE(screen("Play").loaded());
  EXPECT_TRUE(screen("Lobby").visible());
  EXPECT_EQ(program.activeScreen(), &screen("Lobby"));
  EXPECT_FALSE(program.ended());

  openPlay();  // a game opened again starts from its design
  EXPECT_EQ(script.loads, 2);
  program.close("Play");
  program.close("Lobby");
  EXPECT_TRUE(program.ended());
}

TEST_F(ProgramTest, TimersKeepExactDeadlinesAtTheLatestTimeAClockMayRead) {
  // The longest period a timer can have, ticking at the latest time: the
  // next deadline is the plain sum, never wrapped past 64 bits.
  const std::int64_t longest = std::int64_t{INT32_MAX} * 1000;
  clock.set(Clock::kLatest - longest);
  script.load = [this] { play().Timer1.Enabled = false; };  // the longest timer alone
  openPlay();
  program.load(screen("Slowest"));
  ASSERT_TRUE(program.nextTickDue());
  EXPECT_EQ(*program.nextTickDue(), Clock::kLatest);
  clock.set(Clock::kLatest);
  ASSERT_TRUE(program.tick());
  // On the grid from the load: two long periods after it.
  EXPECT_EQ(*program.nextTickDue(), Clock::kLatest + longest);

  // A host whose clock reads outside the range is at fault, and says so.
  clock.set(Clock::kLatest + 1);
  EXPECT_THROW(program.tick(), std::logic_error);
  clock.set(-1);
  EXPECT_THROW(program.keyDown(keys::kLeft, 0), std::logic_error);
}

TEST_F(ProgramTest, AScreenKnowsWhoseHandlerShowedIt) {
  EXPECT_EQ(screen("Lobby").shownBy(), nullptr);  // start-up
  openPlay();
  EXPECT_EQ(screen("Play").shownBy(), &screen("Lobby"));  // a click's handler

  script.tick = [this] {
    play().Show("Slow");
    play().Show("Lobby");
  };
  EXPECT_EQ(runUntil(15'625), 1);
  EXPECT_EQ(screen("Slow").shownBy(), &screen("Play"));   // a tick's
  EXPECT_EQ(screen("Lobby").shownBy(), &screen("Play"));  // hidden, then shown again

  script.tick = [this] { play().Show("Play"); };
  EXPECT_EQ(runUntil(31'250), 1);
  EXPECT_EQ(screen("Play").shownBy(), &screen("Lobby"));  // already visible: unchanged
}

class BadForm : public Form {
 public:
  explicit BadForm(Screen& s) : Form(s) { (void)control("lblMisspelt"); }
};

// Opens a screen by a name that may not be registered.
class OpenerForm : public Form {
 public:
  OpenerForm(Screen& s, std::string_view next) : Form(s) { opens(next); }
};

// Opens "Play" when its picture is clicked, having declared it or not.
class DeclaringForm : public Form {
 public:
  DeclaringForm(Screen& s, bool declare, void (*open)(DeclaringForm&)) : Form(s) {
    if (declare) opens("Play");
    onClick(control("imgGo"), [this, open] { open(*this); });
  }
  using Form::Load;
  using Form::Show;
  using Form::Unload;
};

// Start-up checks the screens a form declares; the form may open no other,
// so a name start-up never saw is refused on the handler's first run too.
TEST(ProgramStart, LoadShowAndUnloadOpenOnlyTheScreensTheFormDeclared) {
  struct Case {
    const char* name;
    void (*open)(DeclaringForm&);
  };
  const Case cases[] = {
      {"Load", [](DeclaringForm& f) { f.Load("Play"); }},
      {"Show", [](DeclaringForm& f) { f.Show("Play"); }},
      {"Unload", [](DeclaringForm& f) { f.Unload("Play"); }},
  };
  for (const Case& c : cases) {
    for (const bool declared : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (declared ? ", declared" : ", not declared"));
      headless::VirtualClock clock;
      FakeHost host;
      Program program(host, clock, "Kestrin");
      program.add(kLobby, [&c, declared](Screen& s) {
        return std::make_unique<DeclaringForm>(s, declared, c.open);
      });
      program.add(kPlay, [](Screen& s) { return std::make_unique<OpenerForm>(s, "Lobby"); });
      program.start("Lobby");
      std::string error;
      try {
        EXPECT_EQ(program.click("Lobby", "imgGo").handler(), "imgGo_Click");
      } catch (const std::logic_error& e) {
        error = e.what();
      }
      if (declared) {
        EXPECT_EQ(error, "");
        EXPECT_NE(program.findScreen("Play"), nullptr);
      } else {
        EXPECT_EQ(error, "Lobby: opens a screen it did not declare 'Play'");
        EXPECT_EQ(program.findScreen("Play"), nullptr);  // refused before it was touched
      }
    }
  }
}

TEST(ProgramStart, AMisspeltControlOrScreenNameFailsAtStartUpNotInPlay) {
  struct Case {
    const char* name;
    FormFactory play;
    std::string_view first;
    const char* error;  // empty: starts
  };
  const Case cases[] = {
      {"sound", [](Screen& s) { return std::make_unique<OpenerForm>(s, "Lobby"); }, "Lobby", ""},
      {"misspelt control", [](Screen& s) { return std::make_unique<BadForm>(s); }, "Lobby",
       "Play: no control named 'lblMisspelt'"},
      {"misspelt screen opened",
       [](Screen& s) { return std::make_unique<OpenerForm>(s, "Lobyb"); }, "Lobby",
       "Play: opens no screen named 'Lobyb'"},
      {"misspelt first screen",
       [](Screen& s) { return std::make_unique<OpenerForm>(s, "Lobby"); }, "Loby",
       "no screen named 'Loby' to start with"},
  };
  for (const Case& c : cases) {
    headless::VirtualClock clock;
    FakeHost host;
    Program program(host, clock, "Kestrin");
    program.add(kLobby, [](Screen& s) { return std::make_unique<LobbyForm>(s); });
    program.add(kPlay, c.play);
    std::string error;
    try {
      program.start(c.first);
    } catch (const std::logic_error& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error) << c.name;
    // Nothing was shown when start-up failed.
    EXPECT_EQ(program.activeScreen() != nullptr, error.empty()) << c.name;
  }
}

}  // namespace
}  // namespace kestrin
