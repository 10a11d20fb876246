#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "shell/observer.h"
#include "shell/program.h"

namespace kestrin {

// The trace of a run (docs/replay-format.md): one JSON object a line, each
// written as the program reports what it stands for. A host that records a
// run adds one to its program before start-up; so the replay tool's trace
// and a real session's are written by this same code.
class TraceWriter final : public ProgramObserver {
 public:
  // Gets every line as it is made: one whole line, newline included.
  using Sink = std::function<void(std::string_view line)>;
  explicit TraceWriter(Sink sink) : sink_(std::move(sink)) {}

  void started(std::int64_t t, const Program& program) override;
  void delivered(std::int64_t t, const Delivery& delivery, const Program& program) override;
  void messageBox(std::int64_t t, std::string_view text, std::string_view title) override;
  // The event that ended the program writes the end line in its place.
  void ended(std::int64_t t, const Delivery& cause) override;

 private:
  void flush();

  Sink sink_;
  std::string line_;  // kept between lines: a tick's line reuses its room
};

// The program's state alone: {"focus":..,"screens":{..}} without braces
// around, for the lines above and for tools that print state.
void appendState(std::string& out, const Program& program);

}  // namespace kestrin
