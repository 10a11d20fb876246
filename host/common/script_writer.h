#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "shell/observer.h"
#include "shell/program.h"

namespace kestrin {

// A run written as the replay script that runs it again (docs/replay-format.md):
// every input the program takes, at the time it takes it, after a `wait`
// that brings the replay's clock there. The replay then runs the same ticks
// at the same times between them, so it writes the same trace as the run.
//
// Ticks the host dropped, late by more than a period or with a box open,
// are written as `drop` lines, so that the replay drops them too. What a
// script cannot say makes the replay part from the run from that point on:
// a screen the window system made active, a click on a screen's ground
// where the screen has no control that a click does nothing to. Each is
// written as a comment where it happens, and told to `inexact` (the
// recorder says it on stderr).
class ScriptWriter final : public ProgramObserver {
 public:
  using Sink = std::function<void(std::string_view line)>;  // one whole line, newline included
  using Inexact = std::function<void(std::int64_t t, std::string_view what)>;
  ScriptWriter(Sink sink, Inexact inexact) : sink_(std::move(sink)), inexact_(std::move(inexact)) {}

  void started(std::int64_t t, const Program& program) override;
  void delivered(std::int64_t t, const Delivery& delivery, const Program& program) override;
  void messageBox(std::int64_t t, std::string_view text, std::string_view title) override;
  void ended(std::int64_t t, const Delivery& cause) override;
  void received(std::int64_t t, const Input& input) override;
  void dropped(std::int64_t t, const Screen& screen, const Control& timer,
               std::int64_t count) override;
  void switched(std::int64_t t, const Screen& screen) override;

  // The recording stops while the program runs: the script waits to the
  // last event the run had, so the replay runs the ticks up to it and no
  // further. Nothing is written after it, nor after the program's end.
  void finish();
  bool exact() const { return exact_; }
  // What finish() would write now, for a copy of the script taken while
  // the program runs on (a page's "Download recording"): the wait to the
  // last event. Empty once finished.
  std::string tail() const;

 private:
  void waitUntil(std::int64_t t);
  void comment(std::int64_t t, std::string_view what);
  void write(std::string line);

  Sink sink_;
  Inexact inexact_;
  const Program* program_ = nullptr;
  std::int64_t written_ = 0;  // the time the script's waits reach
  std::int64_t last_ = 0;     // of the latest event
  std::string droppedInBox_;  // drop lines for after the event whose box is open
  bool exact_ = true;
  bool finished_ = false;
};

// "wait MS" lines that take the clock forward by micros: milliseconds with
// up to three decimals, each line at most a day. Nothing for 0.
std::string waitLines(std::int64_t micros);

}  // namespace kestrin
