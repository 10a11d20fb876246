#include "program.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "keys.h"

namespace kestrin {

Program::Program(Host& host, const Clock& clock, std::string title)
    : host_(host), clock_(clock), title_(std::move(title)) {}

Program::~Program() = default;

// Holds the time of the event being handled until it has been reported.
class Program::EventTime {
 public:
  EventTime(Program& program, std::int64_t t) : program_(program) { program_.eventTime_ = t; }
  ~EventTime() { program_.eventTime_.reset(); }
  EventTime(const EventTime&) = delete;
  EventTime& operator=(const EventTime&) = delete;

 private:
  Program& program_;
};

void Program::add(const ScreenDesign& design, FormFactory factory) {
  if (findDesign(design.name) != nullptr) {
    throw std::logic_error("screen registered twice: " + std::string(design.name));
  }
  registry_.push_back({&design, std::move(factory)});
}

const ScreenDesign* Program::findDesign(std::string_view name) const {
  for (const Registration& r : registry_) {
    if (r.design->name == name) return r.design;
  }
  return nullptr;
}

void Program::start(std::string_view firstScreen) {
  if (findDesign(firstScreen) == nullptr) {
    throw std::logic_error("no screen named '" + std::string(firstScreen) + "' to start with");
  }
  for (const Registration& r : registry_) {
    Screen scratch(*this, *r.design, r.factory);
    // Binds every control the code names, then is discarded.
    const std::unique_ptr<Form> form = r.factory(scratch);
    for (std::string_view name : form->opens_) {
      if (findDesign(name) == nullptr) {
        throw std::logic_error(std::string(r.design->name) + ": opens no screen named '" +
                               std::string(name) + "'");
      }
    }
  }
  startScreen_ = std::string(firstScreen);
  // Start-up is the origin of the program's time: a host starts its clock
  // with it (a replay's reads 0 then, a real host's restarts just before).
  const std::int64_t t = 0;
  const EventTime at(*this, t);
  dispatch(nullptr, [&] { show(screen(firstScreen)); });
  for (ProgramObserver* o : observers_) o->started(t, *this);
  if (ended_) report({});  // its first screen's Form_Load ended it
}

// ---- handlers and their aftermath ----

template <class F>
void Program::dispatch(Screen* screen, F&& handler) {
  ++depth_;
  handling_ = screen;
  try {
    handler();
  } catch (const ProgramEnd&) {
    finish();
  } catch (const RuntimeError& error) {
    // No handler traps errors: name the error, then end.
    showBox(error.what(), title_);
    finish();
  }
  settle();
  handling_ = nullptr;
  --depth_;
  unloaded_.clear();  // safe now: no handler of an unloaded screen is still running
}

void Program::settle() {
  if (ended_) return;
  const std::int64_t t = now();
  bool anyLoaded = false;
  for (const auto& s : screens_) {
    Form* form = s->form();
    if (form == nullptr) continue;
    anyLoaded = true;
    for (Form::TimerSlot& slot : form->timerSlots_) {
      const Switch& enabled = slot.control->Enabled;
      const std::int64_t p = period(*slot.control);
      if (!enabled || p == 0) {
        slot.running = false;
      } else if (enabled.trueWrites() != slot.seenTrueWrites) {
        slot.start = t;  // Enabled set to True: a fresh period from now
        slot.nextDue = t + p;
        slot.running = true;
      }
      slot.seenTrueWrites = enabled.trueWrites();
    }
  }
  if (!anyLoaded) finish();
}

Delivery Program::report(const Delivery& delivery) {
  if (observers_.empty()) return delivery;
  const std::int64_t t = now();
  for (ProgramObserver* o : observers_) {
    if (ended_) {
      o->ended(t, delivery);
    } else {
      o->delivered(t, delivery, *this);
    }
  }
  return delivery;
}

void Program::showBox(std::string_view text, std::string_view title) {
  const std::int64_t t = now();
  for (ProgramObserver* o : observers_) o->messageBox(t, text, title);
  host_.messageBox(text, title);
}

void Program::finish() {
  ended_ = true;
  for (const auto& s : screens_) {
    if (s->form_ != nullptr) unloaded_.push_back(std::move(s->form_));
    s->visible_ = false;
    s->focus_ = nullptr;
  }
  recent_.clear();
}

std::int64_t Program::now() const { return eventTime_ ? *eventTime_ : reading(); }

std::int64_t Program::reading() const {
  const std::int64_t t = clock_.now();
  if (t < 0 || t > Clock::kLatest) {
    throw std::logic_error("clock reading out of range: " + std::to_string(t));
  }
  return t;
}

std::int64_t Program::period(const Control& timer) {
  const std::int32_t interval = timer.design().interval;
  if (interval <= 0) return 0;  // an interval of 0 never ticks
  return std::max<std::int64_t>(std::int64_t{interval} * 1000, kTimerGranularity);
}

// ---- events from the host ----

// A delivery while a handler or a box runs, or after the end, is refused:
// no event, and no report of one.

template <class Route>
Delivery Program::take(const Input& input, Route&& route) {
  if (busy() || ended_) return {};
  const std::int64_t t = reading();
  // A tick due by now that the host has not woken for yet comes first.
  while (!ended_) {
    const std::optional<std::int64_t> due = nextTickDue();
    if (!due || *due > t) break;
    tickBy(t);
  }
  if (ended_) return {};
  const EventTime at(*this, t);
  for (ProgramObserver* o : observers_) o->received(t, input);
  return report(route());
}

Delivery Program::keyDown(std::int16_t keyCode, std::int16_t shift) {
  return take({.kind = Input::Kind::KeyDown, .code = keyCode, .shift = shift},
              [&] { return routeKeyDown(keyCode, shift); });
}

Delivery Program::keyUp(std::int16_t keyCode, std::int16_t shift) {
  return take({.kind = Input::Kind::KeyUp, .code = keyCode, .shift = shift},
              [&] { return routeKeyUp(keyCode, shift); });
}

Delivery Program::click(Screen& s, Control* control) {
  const Input input{.kind = Input::Kind::Click,
                    .screen = s.name(),
                    .control = control != nullptr ? control->name() : std::string_view(),
                    .index = control != nullptr ? control->index() : -1};
  return take(input, [&] { return routeClick(s, control); });
}

Delivery Program::click(std::string_view screen, std::string_view control, int index) {
  const Input input{
      .kind = Input::Kind::Click, .screen = screen, .control = control, .index = index};
  return take(input, [&]() -> Delivery {
    Screen* s = findScreen(screen);
    if (s == nullptr || !s->visible()) return {};
    Control* c = control.empty() ? nullptr : s->form()->find(control, index);
    return routeClick(*s, c);
  });
}

Delivery Program::close(Screen& s) {
  return take({.kind = Input::Kind::Close, .screen = s.name()}, [&] { return routeClose(s); });
}

Delivery Program::close(std::string_view screen) {
  return take({.kind = Input::Kind::Close, .screen = screen}, [&]() -> Delivery {
    Screen* s = findScreen(screen);
    return s == nullptr ? Delivery{} : routeClose(*s);
  });
}

Delivery Program::routeKeyDown(std::int16_t keyCode, std::int16_t shift) {
  Screen* s = activeScreen();
  if (s == nullptr) return {};
  hold(keyCode, *s);
  if (Control* button = s->focusedButton()) {
    // Space and Enter click the focused button; no other key reaches the screen.
    if (keyCode != keys::kSpace && keyCode != keys::kEnter) return {.screen = s};
    const Form::Binding* b = s->form()->clickBinding(*button);
    if (b == nullptr) return {.screen = s};
    dispatch(s, [&] { b->handler(); });
    return {.object = button->name(), .event = "Click", .screen = s};
  }
  Form* form = s->form();
  // Tab hands the focus to the screen's button while it is shown, as on any
  // desktop, so "Reset" can be reached without the mouse. The button is the
  // only control that takes the focus; while it is hidden Tab is a plain key.
  if (keyCode == keys::kTab) {
    for (Control& c : form->controls()) {
      if (c.kind() != ControlKind::CommandButton || !c.Visible) continue;
      s->focusOn(c);
      return {.screen = s};
    }
  }
  if (std::optional<Delivery> chosen = routeChoice(*s, keyCode, shift)) return *chosen;
  if (!form->keyDown_) return {.screen = s};
  dispatch(s, [&] { form->keyDown_(keyCode, shift); });
  return {.object = "Form", .event = "KeyDown", .screen = s};
}

// The launcher by keyboard: Tab goes round the choices (Shift+Tab the other
// way), Left and Right step to the neighbour and stop at the ends, each
// reaching no handler; Space or Enter click the one with the focus, as the
// mouse would. A screen with no choices, or another key, goes on as usual.
std::optional<Delivery> Program::routeChoice(Screen& s, std::int16_t keyCode, std::int16_t shift) {
  std::vector<Control*> shown;
  for (Control* c : s.form()->choices_) {
    if (c->Visible) shown.push_back(c);
  }
  if (shown.empty()) return std::nullopt;
  Control* focus = s.focused();
  if (keyCode == keys::kSpace || keyCode == keys::kEnter) {
    if (focus == nullptr) return std::nullopt;
    return routeClick(s, focus);
  }
  const std::size_t last = shown.size() - 1;
  const auto it = std::find(shown.begin(), shown.end(), focus);
  const bool none = it == shown.end();
  const std::size_t at = none ? 0 : static_cast<std::size_t>(it - shown.begin());
  std::size_t to = 0;
  if (keyCode == keys::kTab && (shift & keys::kShiftMask) != 0) {
    to = none || at == 0 ? last : at - 1;
  } else if (keyCode == keys::kTab) {
    to = none || at == last ? 0 : at + 1;
  } else if (keyCode == keys::kLeft) {
    to = none || at == 0 ? 0 : at - 1;
  } else if (keyCode == keys::kRight) {
    to = none || at == last ? last : at + 1;
  } else {
    return std::nullopt;
  }
  s.focusOn(*shown[to]);
  return Delivery{.screen = &s};
}

Delivery Program::routeKeyUp(std::int16_t keyCode, std::int16_t shift) {
  std::erase_if(held_, [keyCode](const HeldKey& k) { return k.code == keyCode; });
  Screen* s = activeScreen();
  if (s == nullptr) return {};
  Form* form = s->form();
  if (s->focusedButton() != nullptr || !form->keyUp_) return {.screen = s};
  dispatch(s, [&] { form->keyUp_(keyCode, shift); });
  return {.object = "Form", .event = "KeyUp", .screen = s};
}

Delivery Program::routeClick(Screen& s, Control* control) {
  if (!s.visible()) return {};
  bringToFront(s);
  if (control == nullptr || !control->Visible) return {.screen = &s};
  if (control->kind() == ControlKind::CommandButton) s.focusOn(*control);
  const Form::Binding* b = s.form()->clickBinding(*control);
  if (b == nullptr) return {.screen = &s};
  dispatch(&s, [&] { b->handler(); });
  return {.object = control->name(), .event = "Click", .screen = &s};
}

Delivery Program::routeClose(Screen& s) {
  if (!s.visible()) return {};
  dispatch(&s, [&] {
    unload(s);
    // Closing a game brings the launcher back; closing the launcher with
    // nothing else loaded ends the program (settle sees no screen loaded).
    if (s.name() != startScreen_) show(screen(startScreen_));
  });
  return {.event = "close", .screen = &s};
}

void Program::hold(std::int16_t keyCode, const Screen& screen) {
  for (HeldKey& k : held_) {
    if (k.code == keyCode) {
      k.screen = &screen;  // a repeat, seen by the screen active now
      return;
    }
  }
  held_.push_back({keyCode, &screen});
}

void Program::letGoOfKeys() {
  if (busy() || ended_) return;
  const Screen* active = activeScreen();
  std::vector<std::int16_t> codes;
  for (const HeldKey& k : held_) {
    if (k.screen == active) codes.push_back(k.code);
  }
  held_.clear();
  // Every modifier is let go with them: no shift bit.
  for (std::int16_t code : codes) keyUp(code, 0);
}

void Program::activate(Screen& s) {
  if (busy() || ended_ || !s.visible() || activeScreen() == &s) return;
  bringToFront(s);
  const std::int64_t t = reading();
  for (ProgramObserver* o : observers_) o->switched(t, s);
}

void Program::bringToFront(Screen& s) {
  auto it = std::find(recent_.begin(), recent_.end(), &s);
  if (it != recent_.end()) recent_.erase(it);
  recent_.insert(recent_.begin(), &s);
}

// ---- timers ----

std::optional<std::int64_t> Program::nextTickDue() const {
  std::optional<std::int64_t> due;
  if (ended_) return due;
  for (const auto& s : screens_) {
    const Form* form = s->form();
    if (form == nullptr) continue;
    for (const Form::TimerSlot& slot : form->timerSlots_) {
      if (slot.running && (!due || slot.nextDue < *due)) due = slot.nextDue;
    }
  }
  return due;
}

std::optional<Delivery> Program::tick() {
  if (ended_) return std::nullopt;
  // Read from the clock even while a box holds an event's time: the ticks
  // dropped are the ones due by now.
  return tickBy(reading());
}

std::optional<Delivery> Program::tickBy(std::int64_t t) {
  // start <= t <= Clock::kLatest: the grid point at or before t, and the one
  // after it, are at most t + p. Only a timer with a period runs, and its
  // design fixes the period.
  const auto gridAtOrBefore = [t](const Form::TimerSlot& slot) {
    const std::int64_t p = period(*slot.control);
    return slot.start + (t - slot.start) / p * p;
  };
  const auto missed = [this](const Screen& s, const Form::TimerSlot& slot, std::int64_t at,
                             std::int64_t count) {
    for (ProgramObserver* o : observers_) o->dropped(at, s, *slot.control, count);
  };
  Screen* dueScreen = nullptr;
  Form::TimerSlot* due = nullptr;
  for (const auto& s : screens_) {
    Form* form = s->form();
    if (form == nullptr) continue;
    for (Form::TimerSlot& slot : form->timerSlots_) {
      if (!slot.running || slot.nextDue > t) continue;
      if (busy()) {
        // A box is open: every tick due by now is dropped.
        const std::int64_t p = period(*slot.control);
        const std::int64_t last = gridAtOrBefore(slot);
        missed(*s, slot, t, (last - slot.nextDue) / p + 1);
        slot.nextDue = last + p;
        continue;
      }
      if (due == nullptr || slot.nextDue < due->nextDue ||
          (slot.nextDue == due->nextDue && s->loadSerial() < dueScreen->loadSerial())) {
        due = &slot;
        dueScreen = s.get();
      }
    }
  }
  if (due == nullptr) return std::nullopt;
  // Missed periods are dropped, never piled up: the tick happens at the
  // latest of them, on the grid, so its handler sees the time it would
  // have seen on time.
  const std::int64_t p = period(*due->control);
  const std::int64_t at = gridAtOrBefore(*due);
  if (at > due->nextDue) missed(*dueScreen, *due, at, (at - due->nextDue) / p);
  due->nextDue = at + p;
  const EventTime time(*this, at);
  const Form::Binding* b = dueScreen->form()->timerBinding(*due->control);
  if (b == nullptr) return report({.screen = dueScreen});
  const Delivery delivery{.object = due->control->name(), .event = "Timer", .screen = dueScreen};
  dispatch(dueScreen, [&] { b->handler(); });
  return report(delivery);
}

void Program::dropTicks(std::string_view screen, std::string_view timer, std::int64_t count) {
  Screen* s = findScreen(screen);
  if (ended_ || s == nullptr || s->form() == nullptr || count <= 0) return;
  for (Form::TimerSlot& slot : s->form()->timerSlots_) {
    if (!slot.running || slot.control->name() != timer) continue;
    const std::int64_t p = period(*slot.control);
    // Past the latest time a clock may read, it never ticks again; the sum
    // stays inside 64 bits (Clock::kLatest).
    slot.nextDue = count > (Clock::kLatest - slot.nextDue) / p ? Clock::kLatest + p
                                                                : slot.nextDue + count * p;
  }
}

// ---- screens ----

Screen* Program::findScreen(std::string_view name) const {
  for (const auto& s : screens_) {
    if (s->name() == name) return s.get();
  }
  return nullptr;
}

Screen* Program::activeScreen() const {
  for (Screen* s : recent_) {
    if (s->visible()) return s;
  }
  return nullptr;
}

Screen& Program::screen(std::string_view name) {
  if (Screen* s = findScreen(name)) return *s;
  for (const Registration& r : registry_) {
    if (r.design->name == name) {
      screens_.push_back(std::make_unique<Screen>(*this, *r.design, r.factory));
      return *screens_.back();
    }
  }
  throw std::logic_error("no screen named " + std::string(name));
}

void Program::load(Screen& s) {
  if (s.loaded()) return;
  s.form_ = s.factory_(s);
  s.visible_ = false;
  s.focus_ = nullptr;
  s.loadSerial_ = ++loads_;
  Form& form = *s.form_;
  const std::int64_t t = now();
  for (Form::TimerSlot& slot : form.timerSlots_) {
    const std::int64_t p = period(*slot.control);
    slot.start = t;
    slot.nextDue = t + p;
    slot.seenTrueWrites = slot.control->Enabled.trueWrites();
    slot.running = slot.control->Enabled && p > 0;
  }
  if (form.load_) form.load_();
}

void Program::show(Screen& s) {
  load(s);
  if (!s.loaded()) return;  // its Form_Load unloaded it again
  if (!s.visible_) s.shownBy_ = handling_;
  s.visible_ = true;
  bringToFront(s);
}

void Program::hide(Screen& s) {
  load(s);  // touching an unloaded screen loads it, hidden
  s.visible_ = false;
  s.focus_ = nullptr;  // it shows again with the focus on itself
}

void Program::unload(Screen& s) {
  if (!s.loaded()) return;
  // The Form lives on until the outermost handler returns, so a handler
  // that unloads its own screen runs on to its end over valid memory.
  unloaded_.push_back(std::move(s.form_));
  s.visible_ = false;
  s.focus_ = nullptr;
}

void Program::msgBox(std::string_view text, std::optional<std::string_view> title) {
  showBox(text, title.value_or(title_));
}

void Program::endProgram() { throw ProgramEnd{}; }

// ---- focus ----

Control* Screen::focused() const {
  // Hidden since it took the focus, even if shown again since: lost.
  if (focus_ == nullptr || !focus_->Visible || focus_->Visible.falseWrites() != focusHides_) {
    return nullptr;
  }
  return focus_;
}

Control* Screen::focusedButton() const {
  Control* c = focused();
  return c != nullptr && c->kind() == ControlKind::CommandButton ? c : nullptr;
}

}  // namespace kestrin
