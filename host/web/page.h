#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kestrin::web {

// A rectangle in CSS pixels of the page's desktop (the area below its bar).
struct PageRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PageRect&) const = default;
};

// What the web host asks of the page it runs in: windows made of page
// elements around a canvas, a timer, a modal box and the notice that the
// program has ended. The page's script does it (page_bindings.cpp and
// site/library.js); the host's tests do it with a page of their own. Every
// call is made between events; none calls back into the host.
class Page {
 public:
  virtual ~Page() = default;

  // The page's clock, in milliseconds: performance.now().
  virtual double now() const = 0;
  // Calls the host's wake() once, `delayMs` from now (0 or more); a second
  // call replaces the first. disarm() cancels it.
  virtual void arm(double delayMs) = 0;
  virtual void disarm() = 0;

  // A window: a frame with the title and a close box, around a canvas.
  // Made hidden; `place` sizes and places it (client area at `client`, its
  // canvas `deviceWidth` x `deviceHeight` device pixels) and shows it.
  virtual void openWindow(int id, std::string_view title) = 0;
  virtual void placeWindow(int id, const PageRect& client, int deviceWidth, int deviceHeight) = 0;
  virtual void hideWindow(int id) = 0;
  // In front of the others, drawn as the one that takes the keys.
  virtual void activateWindow(int id) = 0;
  virtual void removeWindow(int id) = 0;
  // Runs drawing commands (draw_list.h) on a window's canvas.
  virtual void draw(int id, std::span<const double> commands) = 0;

  // The modal box, over everything, drawn by `commands` on a canvas of its
  // own of `deviceWidth` x `deviceHeight` pixels (`client` CSS pixels), its
  // OK button at `ok` within. The page tells the host when the player
  // answers it (Enter, Space, Escape, a click on OK); with `answerAfterMs`
  // above 0 it answers itself after so long.
  struct BoxView {
    PageRect client;
    int deviceWidth = 0, deviceHeight = 0;
    PageRect ok;
    std::span<const double> commands;
  };
  virtual void showBox(std::string_view title, std::string_view text, const BoxView& view,
                       double answerAfterMs) = 0;
  virtual void hideBox() = 0;

  // The program has ended: the page says so and offers a new start.
  virtual void ended() = 0;
};

}  // namespace kestrin::web
