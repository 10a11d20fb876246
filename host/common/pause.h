#pragma once

#include <cstdint>

#include "shell/program.h"

namespace kestrin {

// What stands still while the program is paused: a real host's clock, or
// whatever moves a clock along (kestrin-watch's player).
class Stoppable {
 public:
  virtual ~Stoppable() = default;
  virtual void stop() = 0;  // the program's time stands still from now
  virtual void go() = 0;    // and goes on from where it stood
};

// When the program pauses, decided once for every host: while it has lost
// the keyboard to another program (the player switched away, or minimised
// its window), and from one press of P or Pause to the next, whatever the
// focus does meanwhile. The host says what happened; the pause lets the
// held keys go and stops or starts the clock.
//
// Nothing in the model changes: the program's time stands still, so no
// tick falls due, and when it goes on every timer is where it stood on its
// grid. A trace or recording of a session with pauses is that of a session
// without them (only the keys let go show), and its replay is exact.
// Input that comes while paused (a click, a key) is taken as usual, at the
// time the clock stands at: it moves nothing before the pause ends.
class Pause {
 public:
  explicit Pause(Program& program) : program_(program) {}
  // What a pause stops; without one only paused() tells of it.
  void stops(Stoppable& clock) { clock_ = &clock; }

  bool paused() const { return away_ || held_; }

  // The program had an active window and has none any more: the clock
  // stops, then every key the active screen holds goes up.
  void keyboardLost();
  // One of its windows is active again.
  void keyboardBack();
  // A key from the window system, before the program has it: true for P
  // and Pause, which are the pause's own and go no further. Each press
  // starts or ends a pause; its repeats and its release change nothing.
  bool key(std::int16_t code, bool down);

 private:
  void become(bool away, bool held);

  Program& program_;
  Stoppable* clock_ = nullptr;
  bool away_ = false;
  bool held_ = false;
  bool pDown_ = false;
  bool pauseDown_ = false;
};

}  // namespace kestrin
