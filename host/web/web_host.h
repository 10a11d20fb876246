#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/common/catalog.h"
#include "host/common/pause.h"
#include "host/web/key_codes.h"
#include "host/web/page.h"
#include "host/web/pictures.h"
#include "shell/program.h"

namespace kestrin::web {

class WebWindow;

// The page's desktop: the area windows are kept inside, in CSS pixels, the
// device pixels to one of them, and the frame the page puts around a
// window's client area.
struct Desktop {
  int width = 800, height = 600;
  double devicePixelRatio = 1;
  int frameLeft = 1, frameTop = 24, frameRight = 1, frameBottom = 1;
};

// Shows the model in windows of a web page, as QtHost does on a desktop:
// every event from the page becomes one call on the Program; after each,
// the windows are made to match the model (opened, shown, hidden,
// repainted, activated, removed) and the page's timer is set for the next
// tick's due time.
//
// A page cannot block, so a message box does not: when a handler opens one,
// every window is repainted to the state the model holds at that moment,
// the box is queued, and the handler runs on (every box of the program is
// followed by its end). The box is shown once the event is over; until it
// is answered the host holds the program's time still (`hold`), takes no
// input and runs no tick, and the windows stay as they were when it opened.
// So the order of events, their times and the trace are those of the
// desktop, where the box blocks, and of a replay, where it is answered at
// once; no tick falls due meanwhile, so none is dropped.
class WebHost final : public Host, private Stoppable {
 public:
  using Registration = std::function<void(Program&)>;
  // Told when the program's time must stand still (true) or may go on
  // (false): a box is open, or the program is paused (the page hidden, or
  // P or Pause pressed).
  using Hold = std::function<void(bool still)>;

  WebHost(Page& page, const Clock& clock, Hold hold, Pictures& pictures);
  ~WebHost() override;
  WebHost(const WebHost&) = delete;
  WebHost& operator=(const WebHost&) = delete;

  void start(const Registration& addScreens = addKestrinScreens,
             std::string_view firstScreen = kFirstScreen);
  Program& program() { return program_; }
  bool ended() const { return program_.ended(); }

  // For a page that plays a script back: nothing the player does in the
  // windows reaches the model, no tick comes from the page's timer (the
  // player runs them), and each box answers itself after `boxShownMs`.
  void watchOnly(double boxShownMs);
  // An input from the script played back, then the windows brought up to it.
  void deliver(const std::function<void(Program&)>& input);

  // From the page.
  void key(std::string_view code, Modifiers modifiers, bool down);
  void pointerDown(int window, double x, double y, bool primary);
  void pointerUp(int window, double x, double y);
  void close(int window);
  void activated(int window);
  void moved(int window, int x, int y);
  void setDesktop(const Desktop& desktop);
  // The page was hidden (another tab, the browser minimised) or shown
  // again: the program pauses while it is hidden, the keys held let go.
  void setHidden(bool hidden);
  // The page lost the keyboard (the player clicked elsewhere in the
  // browser): the keys held let go, as the browser sends no key-up for them.
  void keyboardLost();
  void pictureLoaded();
  void boxAnswered();
  // The page's timer went off, or the player of a script says ticks are due.
  void wake();

  bool boxOpen() const { return !boxes_.empty(); }
  bool holding() const { return boxOpen() || pause_.paused(); }
  bool paused() const { return pause_.paused(); }
  const WebWindow* window(std::string_view screen) const;

  void messageBox(std::string_view text, std::string_view title) override;

 private:
  struct Entry {
    Screen* screen;
    std::unique_ptr<WebWindow> window;
  };
  struct Box {
    std::string text, title;
    std::optional<PageRect> over;  // the client area of the window it stands over
  };
  // Where a shown window stood when its screen was unloaded, to place the
  // window of the screen it showed (level 2 on level 1).
  struct Stand {
    const Screen* screen;
    PageRect client;
  };

  // Input from the page reaches the model: not while a box stands, nor in a
  // watched page. A paused program takes it at the time its clock stands at.
  bool takesInput() const { return !boxOpen() && !watching_ && !program_.ended(); }
  // The pause stops and starts the program's time (Stoppable).
  void stop() override { applyHold(); }
  void go() override { applyHold(); }
  // Tells the one who moves the program's time whether it must stand still.
  void applyHold();
  void settle();  // after every event: windows, then the timer
  void sync();
  void repaint();
  void place(Entry& entry);
  void showNextBox();
  Entry* entry(const Screen& screen);
  Entry* entry(int window);

  Page& page_;
  Hold hold_;
  Pictures& pictures_;
  Program program_;
  Pause pause_{program_};
  Desktop desktop_;
  std::vector<Entry> windows_;  // after program_: windows go first
  std::vector<Box> boxes_;      // the one shown first, then any opened after it
  std::vector<Stand> parting_;  // windows removed by this sync
  const Screen* shownActive_ = nullptr;
  int nextWindowId_ = 1;
  bool watching_ = false;
  double boxShownMs_ = 0;
  bool hidden_ = false;
  bool held_ = false;  // as the time's mover was last told
  bool endHandled_ = false;
  bool boxShown_ = false;
};

}  // namespace kestrin::web
