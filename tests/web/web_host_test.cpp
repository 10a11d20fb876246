#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "designs/designs.h"
#include "host/common/script_writer.h"
#include "host/common/trace.h"
#include "host/common/twips_to_pixels.h"
#include "host/headless/replay.h"
#include "host/headless/script_player.h"
#include "host/web/key_codes.h"
#include "host/web/page_clock.h"
#include "host/web/web_host.h"
#include "host/web/web_window.h"
#include "shell/keys.h"
#include "shell/screen.h"

namespace kestrin::web {
namespace {

namespace names = designs::names;

// A page as the browser's is, without the browser: a clock the test moves,
// one timer, windows that are only records, a box that waits to be answered.
class FakePage final : public Page {
 public:
  struct Window {
    std::string title;
    bool shown = false;
    PageRect client;
    int draws = 0;
  };
  struct Box {
    std::string title, text;
    PageRect ok;
    double answerAfterMs = 0;
  };

  double now() const override { return nowMs; }
  void arm(double delayMs) override {
    ASSERT_GE(delayMs, 0);
    timer = nowMs + delayMs;
  }
  void disarm() override { timer.reset(); }
  void openWindow(int id, std::string_view title) override { windows[id] = {std::string(title)}; }
  void placeWindow(int id, const PageRect& client, int, int) override {
    windows.at(id).client = client;
    windows.at(id).shown = true;
  }
  void hideWindow(int id) override { windows.at(id).shown = false; }
  void activateWindow(int id) override { active = id; }
  void removeWindow(int id) override { windows.erase(id); }
  void draw(int id, std::span<const double> commands) override {
    ASSERT_FALSE(commands.empty());
    ++windows.at(id).draws;
  }
  void showBox(std::string_view title, std::string_view text, const BoxView& view,
               double answerAfterMs) override {
    ASSERT_FALSE(box.has_value()) << "one box at a time";
    box = Box{std::string(title), std::string(text), view.ok, answerAfterMs};
    windowsUnderBox = windows.size();
  }
  void hideBox() override { box.reset(); }
  void ended() override { hasEnded = true; }

  double nowMs = 1000;  // the page has been open a while before the program starts
  std::optional<double> timer;
  std::map<int, Window> windows;
  int active = 0;
  std::optional<Box> box;
  std::size_t windowsUnderBox = 0;
  bool hasEnded = false;
};

std::vector<std::string_view> everyPicture() {
  return {designs::kBrickBreakerTitle, designs::kDodgeTitle, designs::kMonkey, designs::kBanana};
}

// The program in the fake page, played as a player plays it, recorded and
// traced as the page records and traces it.
struct PagePlay {
  PagePlay() {
    host.program().addObserver(recorder);
    host.program().addObserver(tracer);
    host.setDesktop({.width = 1600, .height = 1000});
    clock.restart();
    host.start();
  }

  // The page's time moves on; its timer goes off when due, late by `late` ms.
  void pass(double ms, double late = 0) {
    const double until = page.nowMs + ms;
    while (page.timer && *page.timer <= until) {
      page.nowMs = std::max(page.nowMs, *page.timer + late);
      page.timer.reset();
      host.wake();
    }
    page.nowMs = std::max(page.nowMs, until);
  }
  int windowOf(std::string_view screen) const {
    const WebWindow* w = host.window(screen);
    return w != nullptr ? w->id() : 0;
  }
  // A left click on a control (or the ground) of a shown screen, where the
  // canvas shows it.
  void click(std::string_view screen, const Control* control) {
    double x = 2, y = 2;
    if (control != nullptr) {
      const draw::PixelRect box = draw::pixelBox(*control);
      x = box.x + box.width / 2.0;
      y = box.y + box.height / 2.0;
    }
    host.pointerDown(windowOf(screen), x, y, true);
    host.pointerUp(windowOf(screen), x, y);
  }
  void key(std::string_view code, bool down) { host.key(code, {}, down); }

  FakePage page;
  PageClock clock{page};
  Pictures pictures{everyPicture()};
  WebHost host{page, clock, [this](bool still) { clock.hold(still); }, pictures};
  std::string script, trace;
  ScriptWriter recorder{[this](std::string_view l) { script += l; }, [](std::int64_t, std::string_view) {}};
  TraceWriter tracer{[this](std::string_view l) { trace += l; }};
};

std::string replayed(const std::string& script) {
  std::string out;
  headless::Replay replay([&out](std::string_view l) { out += l; });
  headless::LineReader lines(script);
  std::ostringstream errors;
  EXPECT_EQ(replay.run(lines, errors), 0) << errors.str();
  return out;
}

// Sessions played in the page at random, the page's timer late now and
// then, the page hidden and shown, paused by P, boxes answered whenever
// the player gets to them: each recording replays to the page's own trace, line for line.
// So a box that does not block, with the program's time held while it
// stands, keeps the order of events and their times.
TEST(WebHost, SessionsPlayedInThePageReplayToTheSameTrace) {
  constexpr std::string_view kCodes[] = {"ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown",
                                         "Space", "Enter", "Tab", "KeyQ"};
  int boxes = 0, ends = 0;
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    PagePlay play;
    for (int step = 0; step < 4000 && !play.page.hasEnded; ++step) {
      const int what = pick(100);
      if (play.page.box) {
        ++boxes;
        // Nothing the player does reaches the program, and no time passes for it.
        const std::size_t traced = play.trace.size();
        const std::int64_t held = play.host.program().now();
        play.key("Space", true);
        play.pass(5000);
        EXPECT_EQ(play.trace.size(), traced);
        EXPECT_EQ(play.host.program().now(), held);
        EXPECT_FALSE(play.page.hasEnded);
        EXPECT_GT(play.page.windowsUnderBox, 0u) << "the box stands over the windows";
        play.host.boxAnswered();
      } else if (what < 50) {
        play.pass(pick(120), pick(4) == 0 ? pick(60) : 0);
      } else if (what < 70) {
        play.key(kCodes[pick(8)], pick(3) != 0);
      } else if (what < 80) {
        // A player gets back to the game: Tab to "Reset", then Enter.
        play.key("Tab", true);
        play.key("Enter", true);
      } else if (what < 97) {
        Screen* active = play.host.program().activeScreen();
        if (active == nullptr) continue;
        auto& controls = active->form()->controls();
        const int i = pick(static_cast<int>(controls.size()) + 1);
        play.click(active->name(), i < static_cast<int>(controls.size()) ? &controls[static_cast<std::size_t>(i)] : nullptr);
      } else if (what < 98) {
        play.host.setHidden(true);
        play.pass(3000);
        play.host.setHidden(false);
      } else if (what < 99) {
        // P pauses until P again; what comes meanwhile is taken where the
        // clock stands.
        play.key("KeyP", true);
        play.key("KeyP", false);
        play.pass(2000);
        play.key(kCodes[pick(8)], true);
        play.key("KeyP", true);
        play.key("KeyP", false);
      } else if (Screen* active = play.host.program().activeScreen(); active && active->name() != names::kMain) {
        play.host.close(play.windowOf(active->name()));
      }
    }
    if (play.page.hasEnded) ++ends;
    EXPECT_EQ(replayed(play.script + play.recorder.tail()), play.trace) << play.script;
  }
  EXPECT_GT(boxes, 0) << "no session met a box: the test proves less than it says";
  EXPECT_GT(ends, 0);
}

// A page smaller than a window, as a small screen: each window is kept
// inside it, the whole design drawn at the largest scale that fits, and a
// click where a control is shown lands on it.
TEST(WebHost, WindowsLargerThanThePageAreDrawnWholeSmallerAndClickedWhereShown) {
  PagePlay play;
  const Desktop small{.width = 640, .height = 420};
  play.host.setDesktop(small);
  const auto inside = [&](std::string_view screen) {
    const PageRect c = play.page.windows.at(play.windowOf(screen)).client;
    return c.x >= small.frameLeft && c.y >= small.frameTop && c.x + c.width + small.frameRight <= small.width &&
           c.y + c.height + small.frameBottom <= small.height;
  };
  const auto clickShown = [&](std::string_view screen, std::string_view control) {
    const WebWindow* w = play.host.window(screen);
    const PageRect at = w->where(*play.host.program().findScreen(screen)->form()->find(control, -1));
    const double x = at.x - w->client().x + at.width / 2.0, y = at.y - w->client().y + at.height / 2.0;
    play.host.pointerDown(w->id(), x, y, true);
    play.host.pointerUp(w->id(), x, y);
  };
  EXPECT_TRUE(inside(names::kMain));
  EXPECT_LT(play.page.windows.at(play.windowOf(names::kMain)).client.width, 600);
  clickShown(names::kMain, "Image2");
  ASSERT_EQ(play.host.program().activeScreen()->name(), names::kDodge);
  EXPECT_TRUE(inside(names::kDodge));
  play.pass(5000);  // a ball reaches the player standing still: Reset shows
  clickShown(names::kDodge, "cmdReset");
  EXPECT_NE(play.trace.find("cmdReset_Click"), std::string::npos);
}


// A hidden page's program stands still: no tick falls due, and when the
// page is shown again its timers go on at the point of their grid where
// they stood, as if no time had passed.
TEST(WebHost, AHiddenPageStandsStillAndGoesOnWhereItStood) {
  PagePlay play;
  play.pass(100);
  const auto& launcher = play.host.program().findScreen(names::kMain)->form()->controls();
  play.click(names::kMain, &launcher[2]);  // Image1: Brick Breaker
  play.pass(1000);
  const std::int64_t before = play.host.program().now();
  const std::size_t traced = play.trace.size();
  play.host.setHidden(true);
  EXPECT_FALSE(play.page.timer.has_value());
  play.pass(60'000);
  EXPECT_EQ(play.trace.size(), traced);
  EXPECT_EQ(play.host.program().now(), before);
  play.host.setHidden(false);
  ASSERT_TRUE(play.page.timer.has_value());
  EXPECT_LE(*play.page.timer - play.page.nowMs, 15.625);
  play.pass(1000);
  // 64 ticks a second, none lost to the minute the page was hidden.
  EXPECT_EQ(replayed(play.script + play.recorder.tail()), play.trace);
  EXPECT_EQ(play.script.find("drop "), std::string::npos) << play.script;
}

// Dodge played to its end by the page: the Game Over box stands over the
// last life gone, the program ends only once it is answered, and the page
// is told so once, with every window gone.
TEST(WebHost, GameOverBoxStandsOverTheLastStateThenTheProgramEnds) {
  PagePlay play;
  play.pass(50);
  const auto& launcher = play.host.program().findScreen(names::kMain)->form()->controls();
  play.click(names::kMain, &launcher[1]);  // Image2: Dodge
  ASSERT_NE(play.windowOf(names::kDodge), 0);
  for (int life = 0; life < 40 && !play.page.box; ++life) {
    play.pass(20'000);
    Screen* dodge = play.host.program().findScreen(names::kDodge);
    if (dodge == nullptr || !dodge->loaded()) break;
    Control* reset = dodge->form()->find("cmdReset", -1);
    if (reset != nullptr && reset->Visible) {
      // Tab gives "Reset" the focus, Space clicks it.
      play.key("Tab", true);
      play.key("Tab", false);
      play.key("Space", true);
      play.key("Space", false);
    }
  }
  ASSERT_TRUE(play.page.box.has_value());
  EXPECT_EQ(play.page.box->text, "Game Over");
  EXPECT_EQ(play.page.box->title, "Kestrin Brick Breaker");
  EXPECT_FALSE(play.page.hasEnded);
  EXPECT_TRUE(play.page.windows.count(play.windowOf(names::kDodge)) == 1);
  play.host.boxAnswered();
  EXPECT_TRUE(play.page.hasEnded);
  EXPECT_TRUE(play.page.windows.empty());
  EXPECT_FALSE(play.page.timer.has_value());
  EXPECT_EQ(replayed(play.script), play.trace);
  EXPECT_NE(play.trace.find("\"event\":\"end\""), std::string::npos);
}

// A recording watched in the page, at four times its speed: the same trace
// as the replay tool's of it, boxes answering themselves.
TEST(WebHost, ARecordingWatchedGivesTheReplaysTrace) {
  PagePlay played;
  played.pass(30);
  const auto& launcher = played.host.program().findScreen(names::kMain)->form()->controls();
  played.click(names::kMain, &launcher[1]);
  for (int i = 0; i < 30 && !played.page.hasEnded; ++i) {
    played.key(i % 2 ? "ArrowLeft" : "ArrowUp", true);
    played.pass(700, i % 5 == 0 ? 40 : 0);
    played.key(i % 2 ? "ArrowLeft" : "ArrowUp", false);
    played.key("Tab", true);
    played.key("Enter", true);
    if (played.page.box) played.host.boxAnswered();
  }
  const std::string script = played.script + played.recorder.tail();

  struct Watch final : headless::ScriptPlayer::Stage {
    Program& program() override { return host.program(); }
    void deliver(const headless::Command& c) override {
      host.deliver([&c](Program& p) { headless::deliver(p, c); });
    }
    void wake() override { host.wake(); }
    double realNowMs() const override { return page.nowMs; }
    void wakeAfter(double ms) override { page.timer = page.nowMs + ms; }
    void finished() override { over = true; }

    FakePage page;
    headless::VirtualClock clock;
    Pictures pictures{everyPicture()};
    std::unique_ptr<headless::ScriptPlayer> player;
    WebHost host{page, clock, [this](bool still) { player->hold(still); }, pictures};
    std::string trace;
    TraceWriter tracer{[this](std::string_view l) { trace += l; }};
    bool over = false;
  } watch;
  watch.host.watchOnly(500);
  watch.host.program().addObserver(watch.tracer);
  watch.host.setDesktop({.width = 1600, .height = 1000});
  watch.host.start();
  std::vector<headless::Command> commands;
  headless::LineReader lines(script);
  std::string error;
  ASSERT_EQ(headless::checkScript(lines, watch.host.program(), error, &commands), 0) << error;
  headless::CommandList list(std::move(commands));
  watch.player = std::make_unique<headless::ScriptPlayer>(watch, watch.clock, list, 4);
  watch.player->start();
  for (int i = 0; i < 100'000 && !watch.over && !watch.page.hasEnded; ++i) {
    if (watch.page.box) {
      EXPECT_EQ(watch.page.box->answerAfterMs, 500);
      watch.page.nowMs += watch.page.box->answerAfterMs;
      watch.host.boxAnswered();
    } else if (watch.page.timer) {
      watch.page.nowMs = std::max(watch.page.nowMs, *watch.page.timer);
      watch.page.timer.reset();
      watch.player->step();
    } else {
      break;
    }
  }
  EXPECT_EQ(watch.trace, replayed(script));
  // Nothing the player does in a watched page reaches the program.
  const std::size_t traced = watch.trace.size();
  watch.host.key("Space", {}, true);
  EXPECT_EQ(watch.trace.size(), traced);
}

// Keys as the browser names them, as the desktop's codes.
TEST(WebKeys, BrowserKeyNamesGiveTheDesktopsCodes) {
  const std::pair<std::string_view, int> kKeys[] = {
      {"KeyA", 65},       {"KeyZ", 90},        {"Digit0", 48},      {"Digit9", 57},
      {"Numpad0", 96},    {"Numpad9", 105},    {"F1", 112},         {"F12", 123},
      {"F24", 135},       {"ArrowLeft", 37},   {"ArrowUp", 38},     {"ArrowRight", 39},
      {"ArrowDown", 40},  {"Space", 32},       {"Enter", 13},       {"NumpadEnter", 13},
      {"Tab", 9},         {"Escape", 27},      {"ShiftRight", 16},  {"Semicolon", 186},
      {"Quote", 222},     {"NumpadAdd", 107},  {"Pause", 19},       {"MetaLeft", 91}};
  for (const auto& [code, vk] : kKeys) EXPECT_EQ(virtualKeyCode(code), vk) << code;
  for (std::string_view none : {"", "Key", "KeyAB", "Keya", "Digit10", "Digit", "F0", "F25",
                                "F01", "Numpad10", "Lang1", "Unidentified", "arrowleft"}) {
    EXPECT_EQ(virtualKeyCode(none), std::nullopt) << none;
  }
  EXPECT_EQ(shiftMask("ShiftLeft", {.shift = true}, true), keys::kShiftMask);
  EXPECT_EQ(shiftMask("ShiftLeft", {.shift = true}, false), 0);
  EXPECT_EQ(shiftMask("ControlRight", {}, true), keys::kCtrlMask);
  EXPECT_EQ(shiftMask("KeyA", {.shift = true, .ctrl = true, .alt = true}, true), 7);
}

}  // namespace
}  // namespace kestrin::web
