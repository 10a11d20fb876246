#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/observer.h"
#include "shell/program.h"

namespace kestrin::fuzz {

// Every tick and every input event writes one trace line, so a bound on the
// lines is a bound on both the virtual time and the work one input may take.
// A script of a dozen bytes can ask for a day of play ("ticks 5529600");
// cut at two thousand events (32 s of play) an input runs in well under a
// second even under the sanitizers, so a libFuzzer timeout can only mean a real hang.
inline constexpr std::size_t kMaxEventsPerInput = 2048;

// Thrown by the check once an input has spent its events. The program
// reports an event after handling it in full, outside every handler, so
// unwinding from there leaves the program whole; it is then discarded.
struct BudgetSpent {};

// Checks a run as the program reports it, keeping nothing: time never going
// back, nothing after the end, no box but the games' own; and, if traced,
// the trace of it, as the trace writer makes it: one whole line for each
// event and box, written before the event is reported, at the time the
// report gives. Throws BudgetSpent once more than maxEvents events (shared
// through events, the start counting as one) have been reported.
class RunCheck final : public ProgramObserver {
 public:
  RunCheck(std::size_t& events, std::size_t maxEvents, bool traced = true)
      : events_(events), maxEvents_(maxEvents), traced_(traced) {}
  // The trace sink.
  void line(std::string_view line);
  // Empty while the run and its trace were sound; the first fault otherwise.
  const std::string& problem() const { return problem_; }

  void started(std::int64_t t, const Program& program) override;
  void delivered(std::int64_t t, const Delivery& delivery, const Program& program) override;
  void messageBox(std::int64_t t, std::string_view text, std::string_view title) override;
  void ended(std::int64_t t, const Delivery& cause) override;

 private:
  void check(std::int64_t t, const char* what);
  void count();

  std::size_t& events_;
  std::size_t maxEvents_;
  std::string problem_;
  std::int64_t lastTime_ = 0;
  bool traced_;
  std::size_t lines_ = 0;     // written by the trace writer
  std::size_t reported_ = 0;  // events and boxes reported
  std::int64_t lineTime_ = -1;  // of the last trace line
  bool ended_ = false;
};

// Which runs have their trace written and checked as text. Writing it is
// most of the work of a run (every event writes the whole state), so the
// fuzzer does it for a sample of its inputs, chosen by their bytes so that
// an input always runs alike; every run's own account (RunCheck) is
// checked whatever the sample.
enum class TraceText : std::uint8_t { Sampled, Always };
inline constexpr std::uint32_t kTraceOneIn = 16;

// Runs bytes as a replay script on the whole program, as kestrin-replay
// would (Replay::run on a LineReader), with the run and (as text says) its
// trace checked, the trace discarded.
// If that run stops at an invalid line, the same program goes on with every
// later line that parses, so that fuzzed scripts reach play even with a bad
// line in them; maxEvents bounds the whole.
//
// A first line "# open SCREEN" (a comment to kestrin-replay) opens that game
// screen straight from the launcher, as the level advance would, so that
// short inputs reach levels 2 and 3 too; "# late" or "# late open SCREEN"
// first moves the clock to a minute before the end of a script's time, so
// that short inputs play there and reach the limit.
//
// Returns what went wrong (an exit status or error text that does not match
// the documented ones, a malformed trace, a run-time error box); empty when
// all is well. Crashes, leaks and hangs are the sanitizers' and libFuzzer's
// to report.
std::string runScript(std::string_view bytes, std::size_t maxEvents = kMaxEventsPerInput,
                      TraceText text = TraceText::Always);

}  // namespace kestrin::fuzz
