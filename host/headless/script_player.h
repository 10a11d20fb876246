#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/headless/script.h"
#include "host/headless/virtual_clock.h"
#include "shell/program.h"

namespace kestrin::headless {

// A whole script checked against the designs as a replay checks it, its
// waits summed, before any of it is played: 0; 1 when it could not be read
// (lines.error() says why); 2 when it is not valid, with "line N: reason" in
// error. With `keep`, its commands are kept there.
int checkScript(LineReader& lines, const Program& program, std::string& error,
                std::vector<Command>* keep = nullptr);

// Where a player takes the commands it plays, one at a time.
class CommandSource {
 public:
  virtual ~CommandSource() = default;
  // The command under way; null once the script is over.
  virtual const Command* current() = 0;
  // The command under way is played: on to the next.
  virtual void next() = 0;
};

// Commands held whole.
class CommandList final : public CommandSource {
 public:
  explicit CommandList(std::vector<Command> commands) : commands_(std::move(commands)) {}
  const Command* current() override { return next_ < commands_.size() ? &commands_[next_] : nullptr; }
  void next() override { ++next_; }

 private:
  std::vector<Command> commands_;
  std::size_t next_ = 0;
};

// Plays a script back in a real host's windows as real time passes, `speed`
// times as fast: it moves the program's virtual clock to each tick and each
// input at its own time, exactly as the replay tool runs them, so the
// windows show the very run the script is. The host says what real time it
// is and wakes the player when asked; the player never blocks.
class ScriptPlayer {
 public:
  // The host the script is played in.
  class Stage {
   public:
    virtual ~Stage() = default;
    virtual Program& program() = 0;
    // One input of the script, then the windows brought up to it.
    virtual void deliver(const Command& command) = 0;
    // Every tick due at the clock's time, then the windows.
    virtual void wake() = 0;
    // Real time, in milliseconds, on a steady clock.
    virtual double realNowMs() const = 0;
    // Calls step() once, about `realMs` from now; the player rests till then.
    virtual void wakeAfter(double realMs) = 0;
    // The commands are over and the program runs on.
    virtual void finished() = 0;
  };

  ScriptPlayer(Stage& stage, VirtualClock& clock, CommandSource& commands, double speed);

  void start();
  // Plays whatever has come due; asks to be woken for the next.
  void step();
  // While held (a box open, the page hidden) nothing is played; when let go,
  // the playing goes on from where it stood, as if no time had passed.
  void hold(bool still);

 private:
  void anchor();
  std::int64_t scriptNow() const;
  // Runs f; a host whose box blocked inside it (more than a moment) goes on
  // from where the script stood, not from where real time got to.
  template <class F>
  void run(F&& f);

  Stage& stage_;
  VirtualClock& clock_;
  CommandSource& commands_;
  double speed_;
  std::optional<std::int64_t> waitEnd_;  // of the wait under way
  double realAnchor_ = 0;
  std::int64_t scriptAnchor_ = 0;
  bool held_ = false;
  bool done_ = false;
};

}  // namespace kestrin::headless
