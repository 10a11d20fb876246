#include "host/web/web_host.h"

#include <algorithm>

#include "host/common/overlays.h"
#include "host/web/message_box.h"
#include "host/web/web_window.h"

namespace kestrin::web {

WebHost::WebHost(Page& page, const Clock& clock, Hold hold, Pictures& pictures)
    : page_(page),
      hold_(std::move(hold)),
      pictures_(pictures),
      program_(*this, clock, std::string(kProgramTitle)) {
  pause_.stops(*this);
}

WebHost::~WebHost() {
  page_.disarm();
  if (boxShown_) page_.hideBox();
  windows_.clear();
}

void WebHost::start(const Registration& addScreens, std::string_view firstScreen) {
  addScreens(program_);
  program_.start(firstScreen);
  settle();
}

void WebHost::watchOnly(double boxShownMs) {
  watching_ = true;
  boxShownMs_ = boxShownMs;
}

void WebHost::deliver(const std::function<void(Program&)>& input) {
  if (holding()) return;
  input(program_);
  settle();
}

const WebWindow* WebHost::window(std::string_view screen) const {
  for (const Entry& e : windows_) {
    if (e.screen->name() == screen) return e.window.get();
  }
  return nullptr;
}

// ---- events from the page ----

void WebHost::key(std::string_view code, Modifiers modifiers, bool down) {
  const std::optional<std::int16_t> vk = virtualKeyCode(code);
  if (!vk || boxOpen() || program_.ended()) return;
  // P and Pause are the pause's own, in a watched page too.
  if (pause_.key(*vk, down)) {
    settle();
    return;
  }
  if (!takesInput()) return;
  const std::int16_t shift = shiftMask(code, modifiers, down);
  if (down) {
    program_.keyDown(*vk, shift);
  } else {
    program_.keyUp(*vk, shift);
  }
  settle();
}

void WebHost::pointerDown(int window, double x, double y, bool primary) {
  if (!takesInput()) return;
  Entry* e = entry(window);
  if (e == nullptr || e->window->screen() == nullptr) return;
  Screen& screen = *e->screen;
  // A button is clicked when the pointer comes up on it, as a push button
  // is (drawn pressed meanwhile); anything else at once. Any other button of
  // the pointer, or the ground, still makes the screen the active one.
  if (primary && e->window->press(x, y)) {
    settle();
    return;
  }
  program_.click(screen, primary ? e->window->controlAt(x, y) : nullptr);
  settle();
}

void WebHost::pointerUp(int window, double x, double y) {
  Entry* e = entry(window);
  if (e == nullptr) return;
  Control* button = e->window->release(x, y);
  if (!takesInput() || button == nullptr || e->window->screen() == nullptr) {
    if (!boxOpen()) settle();
    return;
  }
  program_.click(*e->screen, button);
  settle();
}

void WebHost::close(int window) {
  if (!takesInput()) return;
  Entry* e = entry(window);
  if (e == nullptr || e->window->screen() == nullptr) return;
  program_.close(*e->screen);
  settle();
}

void WebHost::activated(int window) {
  if (!takesInput()) return;
  Entry* e = entry(window);
  if (e == nullptr || e->window->screen() == nullptr) return;
  program_.activate(*e->screen);
  shownActive_ = program_.activeScreen();
  settle();
}

void WebHost::moved(int window, int x, int y) {
  if (Entry* e = entry(window)) e->window->moved(x, y);
}

void WebHost::setDesktop(const Desktop& desktop) {
  desktop_ = desktop;
  if (boxOpen()) return;  // the windows stand as the box found them
  for (Entry& e : windows_) {
    if (e.window->shown()) place(e);
  }
}

void WebHost::setHidden(bool hidden) {
  // A box holds the time already, and the program ends when it is answered.
  if (hidden == hidden_ || boxOpen() || program_.ended()) return;
  hidden_ = hidden;
  if (hidden_) {
    pause_.keyboardLost();
  } else {
    pause_.keyboardBack();
  }
  settle();
}

void WebHost::keyboardLost() {
  if (!takesInput()) return;
  program_.letGoOfKeys();
  settle();
}

void WebHost::pictureLoaded() {
  for (Entry& e : windows_) {
    e.window->repaintWhole();
    e.window->redraw();
  }
}

void WebHost::wake() {
  if (holding()) return;
  // Every tick due by now, each on its grid; a box opened by one stops
  // the rest until it is answered.
  while (!boxOpen() && program_.tick()) {
  }
  settle();
}

// ---- message boxes ----

void WebHost::messageBox(std::string_view text, std::string_view title) {
  if (boxes_.empty()) {
    // The box stands over the state the model holds now, mid-handler: the
    // tick that ended the game is shown behind "Game Over". Windows are not
    // opened, closed or moved until the box has been answered.
    repaint();
  }
  // Over the window it belongs to: the active one when it opens.
  std::optional<PageRect> over;
  if (const Screen* active = program_.activeScreen()) {
    if (Entry* e = entry(*active); e != nullptr && e->window->shown()) over = e->window->client();
  }
  boxes_.push_back({std::string(text), std::string(title), over});
  applyHold();
}

void WebHost::showNextBox() {
  if (boxes_.empty() || boxShown_) return;
  const Box& box = boxes_.front();
  const MessageBoxLayout layout(box.text, box.title, desktop_, box.over);
  boxShown_ = true;
  page_.showBox(box.title, box.text, layout.view(), watching_ ? boxShownMs_ : 0);
}

void WebHost::boxAnswered() {
  if (!boxShown_) return;
  boxShown_ = false;
  page_.hideBox();
  boxes_.erase(boxes_.begin());
  applyHold();
  settle();
}

void WebHost::applyHold() {
  if (holding() == held_) return;
  held_ = holding();
  if (held_) page_.disarm();
  if (hold_) hold_(held_);
}

// ---- keeping the windows in step with the model ----

void WebHost::settle() {
  if (boxOpen()) {
    showNextBox();
    return;
  }
  sync();
  if (holding() || watching_ || program_.ended()) return;
  if (const std::optional<std::int64_t> due = program_.nextTickDue()) {
    // Late while drawing, the delay is 0: the page's timer still goes off.
    const double delayMs = static_cast<double>(*due - program_.now()) / 1000;
    page_.arm(std::max(0.0, delayMs));
  } else {
    page_.disarm();
  }
}

WebHost::Entry* WebHost::entry(const Screen& screen) {
  for (Entry& e : windows_) {
    if (e.screen == &screen) return &e;
  }
  return nullptr;
}

WebHost::Entry* WebHost::entry(int window) {
  for (Entry& e : windows_) {
    if (e.window->id() == window) return &e;
  }
  return nullptr;
}

void WebHost::repaint() {
  for (Entry& e : windows_) {
    // With a box opened mid-handler, a window may show a screen that has
    // been unloaded, or unloaded and loaded again, since the last sync.
    if (!e.screen->loaded() || e.window->loadSerial() != e.screen->loadSerial()) continue;
    e.window->redraw();
  }
}

void WebHost::place(Entry& e) {
  std::optional<PageRect> opener;
  for (const Entry& other : windows_) {
    if (other.screen == e.screen->shownBy() && other.window->shown()) opener = other.window->client();
  }
  for (const Stand& s : parting_) {
    if (s.screen == e.screen->shownBy()) opener = s.client;
  }
  e.window->place(desktop_, opener);
}

void WebHost::sync() {
  if (program_.ended()) {
    windows_.clear();
    shownActive_ = nullptr;
    if (!endHandled_) {
      endHandled_ = true;
      page_.disarm();
      page_.ended();
    }
    return;
  }

  // A screen unloaded, or unloaded and loaded again, loses its window; where
  // a shown one stood places the window of the screen it showed.
  parting_.clear();
  for (Entry& e : windows_) {
    if (!e.screen->loaded() || e.window->loadSerial() != e.screen->loadSerial()) {
      if (e.window->shown()) parting_.push_back({e.screen, e.window->client()});
      e.window.reset();
    }
  }
  std::erase_if(windows_, [](const Entry& e) { return !e.window; });
  for (const auto& s : program_.screens()) {
    if (s->loaded() && entry(*s) == nullptr) {
      windows_.push_back({s.get(), std::make_unique<WebWindow>(page_, nextWindowId_++, *s, pictures_)});
    }
  }

  // Drawn before shown, so a new window's first picture is its design.
  repaint();

  // Shown before hidden: the next screen is up before the last one goes.
  Screen* active = program_.activeScreen();
  bool activeOpened = false;
  for (Entry& e : windows_) {
    if (e.screen->visible() && !e.window->shown()) {
      place(e);
      activeOpened = activeOpened || e.screen == active;
    }
  }
  for (Entry& e : windows_) {
    if (!e.screen->visible() && e.window->shown()) e.window->putAway();
  }
  for (Entry& e : windows_) {
    e.window->syncFocus();
    // Each game screen says "Paused" while the program is.
    e.window->setPaused(paused() && draw::showsPaused(e.screen->design()));
  }
  if (active != nullptr && (active != shownActive_ || activeOpened)) {
    page_.activateWindow(entry(*active)->window->id());
  }
  shownActive_ = active;
}

}  // namespace kestrin::web
