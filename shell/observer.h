#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrin {

class Control;
class Program;
class Screen;

// What became of one event from the host: the handler it reached and the
// screen it was delivered to (null where none). The names point into the
// designs, so a delivery outlives the screen it names being unloaded.
struct Delivery {
  std::string_view object;          // "Form", "Image1", "Timer1"; empty for "none" and "close"
  std::string_view event = "none";  // "KeyDown", "Click", "Timer", or "none", "close"
  const Screen* screen = nullptr;

  // The name the trace shows: "Form_KeyDown", "Image1_Click", "none", "close".
  std::string handler() const {
    return object.empty() ? std::string(event) : std::string(object) + "_" + std::string(event);
  }
  bool isTick() const { return event == "Timer"; }
};

// An input from the host, as the program takes it. Screens and controls are
// named as the designs name them; a click with no control is on the
// screen's ground.
struct Input {
  enum class Kind { KeyDown, KeyUp, Click, Close };
  Kind kind = Kind::KeyDown;
  std::int16_t code = 0;      // KeyDown, KeyUp
  std::int16_t shift = 0;     // KeyDown, KeyUp
  std::string_view screen;    // Click, Close
  std::string_view control;   // Click: empty for the ground
  int index = -1;             // Click: the member of a control array, else -1
};

// An account of a run as it happens, for whatever records or checks it: the
// trace writer, the soak's invariants, the fuzzer's checks. The Program
// itself tells every observer, so each host gets the same account, in the
// same order, without doing anything. Times are the program's own clock,
// at which each event happens whole (Program::now).
//
// In a run: started() once; then, for every event from the host, any boxes
// its handlers open (messageBox(), as each opens) followed by delivered()
// once the event has been handled in full, nested loads included, whether
// it reached a handler or "none"; the event during which the program ends
// is reported by ended() instead, and nothing follows. A delivery the
// program refuses while a handler or a box runs, or after the end, is no
// event and is not reported.
class ProgramObserver {
 public:
  virtual ~ProgramObserver() = default;

  // Start-up is over: the first screen shows.
  virtual void started(std::int64_t t, const Program& program) = 0;
  // An event handled in full. Called between events, with no handler
  // running: an observer may throw from here to stop the run (the fuzzer
  // bounds an input so), and the program stays whole.
  virtual void delivered(std::int64_t t, const Delivery& delivery, const Program& program) = 0;
  // A box about to open, inside a handler of the event reported next;
  // title is the one it shows (the program's own where it has none).
  virtual void messageBox(std::int64_t t, std::string_view text, std::string_view title) = 0;
  // The program ended while handling cause (after "Game Over", "You Win",
  // an error box, or the last screen closed): every screen is unloaded.
  virtual void ended(std::int64_t t, const Delivery& cause) = 0;

  // What only a host on real time meets; a host on a virtual clock never
  // does, so an observer of a replay need not care.
  //
  // An input the program takes (not one it refuses), before it is handled:
  // the event reported next.
  virtual void received(std::int64_t /*t*/, const Input& /*input*/) {}
  // The timer `timer` of `screen` missed `count` ticks: the host was late
  // by more than a period (told before the tick that follows them, t being
  // its time), or a box was open when they fell due (told from inside the
  // box's event, t being the time found).
  virtual void dropped(std::int64_t /*t*/, const Screen& /*screen*/, const Control& /*timer*/,
                       std::int64_t /*count*/) {}
  // The window system made `screen` the active one, not an event of the
  // program: keys go to it from now on.
  virtual void switched(std::int64_t /*t*/, const Screen& /*screen*/) {}
};

}  // namespace kestrin
