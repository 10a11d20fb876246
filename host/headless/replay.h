#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "host/headless/script.h"
#include "host/headless/virtual_clock.h"
#include "shell/program.h"

namespace kestrin::headless {

// The whole program on a virtual clock, driven by script lines, writing the
// trace. Message boxes are answered with OK as soon as they are written.
class Replay final : public Host {
 public:
  // Every trace line goes to sink as it is made (one whole line each). An
  // empty sink writes no trace at all: the program runs alone, as when its
  // speed is measured.
  using Sink = std::function<void(std::string_view line)>;
  explicit Replay(Sink sink);

  // Runs one script line. Returns false for a line that is not valid, with
  // the reason in error; nothing of that line is run.
  bool runLine(std::string_view line, std::string& error);

  // Runs a whole script; exit status 0, or 2 for an invalid script, with
  // "line N: reason" on errors.
  int run(std::istream& script, std::ostream& errors);

  Program& program() { return program_; }
  VirtualClock& clock() { return clock_; }
  bool ended() const { return program_.ended(); }

  void messageBox(std::string_view text, std::string_view title) override;

 private:
  void run(const Command& command);
  void emit(const Delivery& delivery);
  void flush();

  Sink sink_;
  VirtualClock clock_;
  Program program_;
  std::string line_;
  bool endWritten_ = false;
};

// The tool's whole run: kestrin-replay [SCRIPT]. Returns the exit status.
int replayMain(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace kestrin::headless
