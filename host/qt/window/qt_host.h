#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QTimer>

#include "host/common/catalog.h"
#include "host/common/pause.h"
#include "host/qt/window/key_repeat.h"
#include "host/qt/window/paint_form.h"
#include "host/qt/window/tick_alarm.h"
#include "host/qt/platform/window_loss_watch.h"
#include "shell/program.h"

class QKeyEvent;

namespace kestrin::qt {

class MessageBox;
class ScreenWindow;

// Shows the model in Qt windows. Every window system event becomes one call
// on the Program; after each, the windows are made to match the model:
// opened, shown, hidden, repainted, focused, closed. While a message box is
// open nothing reaches the model but the alarm, whose ticks it drops.
class QtHost final : public Host {
 public:
  using Registration = std::function<void(Program&)>;

  QtHost(const Clock& clock, Alarm& alarm);
  ~QtHost() override;
  QtHost(const QtHost&) = delete;
  QtHost& operator=(const QtHost&) = delete;

  // Registers the screens (every Kestrin screen unless told otherwise) and
  // shows the first one.
  void start(const Registration& addScreens = addKestrinScreens,
             std::string_view firstScreen = kFirstScreen);
  // Called once, when the program has ended and its windows are gone.
  void setEndHandler(std::function<void()> ended) { ended_ = std::move(ended); }
  // For a program that shows a game being played back (kestrin-watch):
  // nothing the player does in the windows reaches the model, a close box
  // calls `windowClosed` instead, and each message box answers itself
  // after `boxShownMs`.
  void watchOnly(std::function<void()> windowClosed, int boxShownMs);
  // What stands still while the program is paused (host/common/pause.h):
  // the game's clock, or what moves kestrin-watch's. Without one, a pause
  // only holds the alarm back.
  void stopsWhenPaused(Stoppable& clock) { pause_.stops(clock); }
  bool paused() const { return pause_.paused(); }
  // An input from elsewhere than the windows, as the played-back script
  // gives it: run on the program, then the windows brought up to it.
  // Nothing while a box is open.
  void deliver(const std::function<void(Program&)>& input);

  Program& program() { return program_; }
  PictureCache& pictures() { return pictures_; }
  ScreenWindow* window(std::string_view screenName) const;
  bool boxOpen() const { return boxOpen_; }
  // True while a key release is held back to see whether it was half of a repeat.
  bool keyReleaseHeld() const { return keys_.holding(); }

  // From the windows.
  void key(const QKeyEvent& event);
  void click(Screen& screen, Control* control);
  void close(Screen& screen);
  void activated(Screen& screen);
  // From the window system: one of the program's windows is the active one,
  // or none is any more (the player switched to another program, or
  // minimised the window). The game pauses while none is; kestrin-watch
  // pays no heed.
  void keyboard(bool active);
  // From the window system: a window was destroyed from outside. Its
  // screen is closed as by its close box; a hidden screen's window is made
  // anew when the screen is shown again. Windows the host no longer has in
  // use (destroyed by Qt itself) are passed by.
  void windowLost(WId window);
  // From a window the host opened, once it has been painted: now the window
  // system has framed it, a frame that does not fit the available area
  // makes the design smaller until it does.
  void framed(ScreenWindow& window);
  // From the alarm: the next tick is due.
  void wake();

  void messageBox(std::string_view text, std::string_view title) override;

 private:
  struct Entry {
    Screen* screen;
    std::unique_ptr<ScreenWindow> window;
  };
  // Where a shown window stood, in logical pixels of the desktop.
  struct Stand {
    const Screen* screen;
    QRect frame;
    QMargins margins;  // of the frame around the client area
    bool maximised;
  };
  // Where a window opens, and whether maximised, as its opener was.
  struct Opening {
    QRect client;
    bool maximised = false;
  };

  void deliverKey(const KeyStroke& stroke);
  void releaseHeldKey();
  void settle();  // after every delivery: windows, then the alarm
  void armAlarm();  // for the next tick due, or not at all while paused
  void sync();
  void repaint();  // every window brought up to its screen's state
  void retire(Entry& entry);
  Entry* entry(const Screen& screen);
  static Stand standOf(const Screen& screen, const ScreenWindow& window);
  Opening placeOf(const Entry& entry) const;

  Alarm& alarm_;
  PictureCache pictures_;
  Program program_;
  Pause pause_{program_};
  KeyRepeatFilter keys_;
  QTimer heldKeyTimer_;
  std::vector<Entry> windows_;  // after program_: windows go first
  std::vector<Stand> parting_;  // shown windows retired by this sync, for placing their successors
  const Screen* shownActive_ = nullptr;
  bool boxOpen_ = false;
  bool endHandled_ = false;
  MessageBox* openBox_ = nullptr;
  std::unique_ptr<WindowLossWatch> lossWatch_;
  std::function<void()> ended_;
  std::function<void()> watchClosed_;  // set: the windows are only watched
  int boxShownMs_ = 0;
  QObject receiver_;  // the host's end of the toolkit's signals, gone with it
};

}  // namespace kestrin::qt
