#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "host/common/trace.h"
#include "host/headless/script.h"
#include "host/headless/virtual_clock.h"
#include "shell/program.h"

namespace kestrin::headless {

// The whole program on a virtual clock, driven by script lines, writing the
// trace. Message boxes are answered with OK as soon as they are reported.
class Replay final : public Host {
 public:
  // Every trace line goes to sink as it is made (one whole line each). An
  // empty sink writes no trace at all: the program runs alone, as when its
  // speed is measured. stopped, if given, is asked after every event: once
  // it says the trace can no longer be written, nothing more is run.
  // observer, if given, is told of the run from start-up on, after the
  // trace writer (a tool that checks the run reads it there, not from text).
  using Sink = TraceWriter::Sink;
  explicit Replay(Sink sink, std::function<bool()> stopped = {},
                  ProgramObserver* observer = nullptr);
  // No trace: the run told to observer alone.
  explicit Replay(ProgramObserver& observer) : Replay(Sink(), {}, &observer) {}

  // Runs one script line. Returns false for a line that is not valid, with
  // the reason in error; nothing of that line is run.
  bool runLine(std::string_view line, std::string& error);
  // What a wait line of micros does, without the one-day limit of one line;
  // false, with nothing run, past the script's total of waits.
  bool wait(std::int64_t micros, std::string& error);

  // Runs a whole script: exit status 0; 2 for an invalid script, with
  // "line N: reason" on errors; 1 when the script could not be read
  // (script.error()) or the trace could not be written (stopped), for the
  // caller, who owns both, to report.
  int run(LineReader& script, std::ostream& errors);
  bool stopped() const { return stopped_ && stopped_(); }

  Program& program() { return program_; }
  VirtualClock& clock() { return clock_; }
  bool ended() const { return program_.ended(); }

  void messageBox(std::string_view text, std::string_view title) override;

 private:
  void run(const Command& command);

  std::optional<TraceWriter> trace_;  // none without a sink
  std::function<bool()> stopped_;
  VirtualClock clock_;
  Program program_;
  std::int64_t waited_ = 0;  // every wait of the script so far, run or not
};

// The tool's whole run: kestrin-replay [SCRIPT], the script read from the
// file or from the descriptor in, the trace written to the descriptor out.
// Returns the exit status.
int replayMain(int argc, char** argv, int in, int out, std::ostream& err);

}  // namespace kestrin::headless
