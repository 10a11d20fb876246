#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrin::fuzz {

// Every tick and every input event writes one trace line, so a bound on the
// lines is a bound on both the virtual time and the work one input may take.
// A script of a dozen bytes can ask for a day of play ("ticks 5529600");
// cut at two thousand events (32 s of play) an input runs in well under a
// second even under the sanitizers, so a libFuzzer timeout can only mean a real hang.
inline constexpr std::size_t kMaxEventsPerInput = 2048;

// Thrown from the trace sink once an input has spent its events. The sink
// runs after an event has been handled in full, outside every handler, so
// unwinding from there leaves the program whole; it is then discarded.
struct BudgetSpent {};

// Checks each trace line as it is written, keeping none: one whole line,
// starting with its time, never earlier than the line before, nothing after
// the end line, no box but the games' own. Throws BudgetSpent once more
// than maxEvents event lines (shared through events) have been written.
class TraceCheck {
 public:
  TraceCheck(std::size_t& events, std::size_t maxEvents) : events_(events), maxEvents_(maxEvents) {}
  void operator()(std::string_view line);
  // Empty while every line was sound; the first fault otherwise.
  const std::string& problem() const { return problem_; }

 private:
  static std::optional<std::int64_t> time(std::string_view line, std::size_t& rest);

  std::size_t& events_;
  std::size_t maxEvents_;
  std::string problem_;
  std::int64_t lastTime_ = 0;
  bool ended_ = false;
};

// Runs bytes as a replay script on the whole program, as kestrin-replay
// would (Replay::run on a LineReader), with the trace checked and discarded.
// If that run stops at an invalid line, a second program runs every line of
// the bytes that does parse, so that fuzzed scripts reach play even with a
// bad line in them. Both runs share maxEvents.
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
std::string runScript(std::string_view bytes, std::size_t maxEvents = kMaxEventsPerInput);

}  // namespace kestrin::fuzz
