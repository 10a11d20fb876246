#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "design.h"
#include "form.h"
#include "host.h"
#include "observer.h"
#include "screen.h"

namespace kestrin {

// The program: the registry of screens, the active screen and the focus,
// timers, message boxes and the end of the program. Hosts deliver events
// through it; forms reach the program-wide operations through it. Events are
// handled one at a time: a delivery while a handler or a message box is
// running is refused, never nested.
class Program {
 public:
  static constexpr std::int64_t kTimerGranularity = 15'625;  // microseconds: 64 ticks a second

  Program(Host& host, const Clock& clock, std::string title);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();

  // Start-up: every screen is registered once, by the composition root.
  // Observers are told of the run from start-up on (observer.h), in the
  // order they were added; each must outlive the program's events.
  void add(const ScreenDesign& design, FormFactory factory);
  const ScreenDesign* findDesign(std::string_view name) const;  // null: not registered
  void addObserver(ProgramObserver& observer) { observers_.push_back(&observer); }

  // Start-up happens at time 0, the origin of the program's time.
  // Binds every registered screen once (a misspelt control name, or the
  // name of a screen it opens that is not registered, fails here, not in
  // play), then shows the first screen.
  void start(std::string_view firstScreen);
  bool ended() const { return ended_; }
  std::string_view title() const { return title_; }
  // The time of the event being handled: an event happens at one instant,
  // whatever its handling takes on a real machine, so every host runs the
  // same handlers at the same times. Between events, the clock's time. A
  // reading outside 0..Clock::kLatest is a fault of the host
  // (std::logic_error), never a wrapped deadline.
  std::int64_t now() const;

  // Events from the host. An input happens at the clock's time when it
  // arrives, after every tick due by then: a host that is late to wake for
  // a tick runs it first, as a host on a virtual clock does.
  Delivery keyDown(std::int16_t keyCode, std::int16_t shift);
  Delivery keyUp(std::int16_t keyCode, std::int16_t shift);
  Delivery click(Screen& screen, Control* control);  // control null: the screen's ground
  Delivery click(std::string_view screen, std::string_view control, int index = -1);
  Delivery close(Screen& screen);
  Delivery close(std::string_view screen);
  // The window system made a screen active without a click (keyboard
  // switching between windows). Runs no handler.
  void activate(Screen& screen);
  // The program lost the keyboard (another program's window became the
  // active one): the window system sends no key-up for what is let go
  // there, so every key the active screen saw go down and not up goes up
  // now, in the order they went down, with no shift bit, each an input like
  // any other. Nothing while a handler or a box runs.
  void letGoOfKeys();

  // Timers: the earliest time a tick falls due, and delivery of one tick that
  // is due now. A tick happens at its time on the timer's grid; a timer that
  // has missed periods ticks once, at the latest of them, and resumes on its
  // grid. Ticks falling due while a box is open are dropped.
  std::optional<std::int64_t> nextTickDue() const;
  std::optional<Delivery> tick();
  // The next `count` ticks of a running timer do not happen: a recording
  // says so where the host that recorded it was late and dropped them, so
  // that its replay drops them too. No handler runs; nothing for a screen
  // that is not loaded or a timer that is not running.
  void dropTicks(std::string_view screen, std::string_view timer, std::int64_t count);

  // True while a handler or a message box runs.
  bool busy() const { return depth_ > 0; }

  // Observation, for hosts and traces.
  const std::vector<std::unique_ptr<Screen>>& screens() const { return screens_; }
  Screen* findScreen(std::string_view name) const;
  Screen* activeScreen() const;

  // Operations of the running handlers.
  Screen& screen(std::string_view name);  // created on first use
  void load(Screen& screen);
  void show(Screen& screen);
  void hide(Screen& screen);
  void unload(Screen& screen);
  void msgBox(std::string_view text, std::optional<std::string_view> title);
  [[noreturn]] void endProgram();

 private:
  struct Registration {
    const ScreenDesign* design;
    FormFactory factory;
  };

  // Runs a handler of `screen` (null: the program's own start-up).
  template <class F>
  void dispatch(Screen* screen, F&& handler);
  // The event handled: told to the observers, then handed back to the host.
  Delivery report(const Delivery& delivery);
  void showBox(std::string_view text, std::string_view title);
  class EventTime;
  // An input from the host: refused while busy or after the end; else taken
  // at the clock's time, after the ticks due by then, and routed.
  template <class Route>
  Delivery take(const Input& input, Route&& route);
  std::optional<Delivery> tickBy(std::int64_t t);
  void bringToFront(Screen& screen);
  std::int64_t reading() const;  // the clock's time, checked
  // The events from the host, once they are known not to be refused.
  Delivery routeKeyDown(std::int16_t keyCode, std::int16_t shift);
  Delivery routeKeyUp(std::int16_t keyCode, std::int16_t shift);
  std::optional<Delivery> routeChoice(Screen& screen, std::int16_t keyCode, std::int16_t shift);
  void hold(std::int16_t keyCode, const Screen& screen);
  Delivery routeClick(Screen& screen, Control* control);
  Delivery routeClose(Screen& screen);
  void settle();
  void finish();
  static std::int64_t period(const Control& timer);

  Host& host_;
  const Clock& clock_;
  std::string title_;
  std::vector<Registration> registry_;
  std::vector<ProgramObserver*> observers_;
  std::vector<std::unique_ptr<Screen>> screens_;
  std::vector<Screen*> recent_;  // most recently shown or clicked first
  struct HeldKey {
    std::int16_t code;
    const Screen* screen;  // the one that saw it go down (or repeat) last
  };
  std::vector<HeldKey> held_;  // down and not up yet, in the order they went down
  std::vector<std::unique_ptr<Form>> unloaded_;  // freed when the outermost handler returns
  std::string startScreen_;
  std::uint64_t loads_ = 0;
  Screen* handling_ = nullptr;  // whose handler runs now
  int depth_ = 0;
  std::optional<std::int64_t> eventTime_;  // while an event is handled and reported
  bool ended_ = false;
};

}  // namespace kestrin
