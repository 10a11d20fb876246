#include "fuzz_script.h"

#include <charconv>
#include <cstdint>
#include <sstream>

#include "host/common/catalog.h"
#include "host/headless/replay.h"

namespace kestrin::fuzz {

namespace {

// A minute before the end of the script's clock, for "# late".
constexpr std::int64_t kLate = headless::kMaxScriptMicros - 60'000'000;

// A first line "# [late] [open NAME]": "late" starts the clock a minute
// before the end of time, as a script of waits over idle screens would, so
// that play near the end of time, and the limit itself, are fuzzed too;
// "open NAME" then shows that game screen and hides the launcher, as
// Image1_Click and the level advance do.
void openFirst(headless::Replay& replay, std::string_view bytes) {
  std::string_view first = bytes.substr(0, bytes.find_first_of("\r\n"));
  if (!first.starts_with("# ")) return;
  first.remove_prefix(2);
  if (first.starts_with("late")) {
    std::string error;
    replay.wait(kLate, error);
    first.remove_prefix(4);
    while (first.starts_with(' ')) first.remove_prefix(1);
  }
  if (!first.starts_with("open ")) return;
  const std::string_view name = first.substr(5);
  Program& program = replay.program();
  if (name == kFirstScreen || program.findDesign(name) == nullptr) return;
  Screen& launcher = *program.findScreen(kFirstScreen);
  program.show(program.screen(name));
  program.hide(launcher);
}

std::string checkStatus(int status, const std::string& errors) {
  if (status == 0) return errors.empty() ? "" : "status 0 with errors: " + errors;
  if (status != 2) return "exit status " + std::to_string(status);
  // One line: "line N: reason".
  std::size_t i = 5;
  if (errors.rfind("line ", 0) != 0 || errors.size() < 9) return "bad error text: " + errors;
  while (i < errors.size() && errors[i] >= '0' && errors[i] <= '9') ++i;
  if (i == 5 || errors.compare(i, 2, ": ") != 0 || i + 2 >= errors.size() - 1 ||
      errors.back() != '\n' || errors.find('\n') != errors.size() - 1) {
    return "bad error text: " + errors;
  }
  return "";
}

}  // namespace

void RunCheck::line(std::string_view line) {
  if (!problem_.empty()) return;
  if (line.empty() || line.back() != '\n' || line.find('\n') != line.size() - 1) {
    problem_ = "a trace line that is not one whole line";
    return;
  }
  // {"t":T, with T the report's time.
  constexpr std::string_view kHead = "{\"t\":";
  std::int64_t t = -1;
  if (line.starts_with(kHead)) {
    const char* first = line.data() + kHead.size();
    const auto [end, error] = std::from_chars(first, line.data() + line.size(), t);
    if (error != std::errc() || *end != ',') t = -1;
  }
  if (t < 0) {
    problem_ = "a trace line that does not begin with its time: " + std::string(line.substr(0, 40));
    return;
  }
  lineTime_ = t;
  ++lines_;
}

// The trace writer is told of everything first: by now the trace holds one
// line for each report so far, this one included.
void RunCheck::check(std::int64_t t, const char* what) {
  if (!problem_.empty()) return;
  if (ended_) {
    problem_ = std::string("a report after the end: ") + what;
    return;
  }
  ++reported_;
  if (traced_ && lines_ != reported_) {
    problem_ = std::string("a trace that is not one line a report, at the ") + what;
    return;
  }
  if (traced_ && lineTime_ != t) {
    problem_ = std::string("a trace line at another time than its report, at the ") + what;
    return;
  }
  if (t < lastTime_) {
    problem_ = std::string("a report earlier than the one before: the ") + what;
    return;
  }
  lastTime_ = t;
}

// Counted even after a fault, so that no input runs past its budget.
void RunCheck::count() {
  if (++events_ > maxEvents_) throw BudgetSpent{};
}

void RunCheck::started(std::int64_t t, const Program& /*program*/) {
  check(t, "start");
  count();
}

void RunCheck::delivered(std::int64_t t, const Delivery& /*delivery*/, const Program& /*program*/) {
  check(t, "event");
  count();
}

void RunCheck::messageBox(std::int64_t t, std::string_view text, std::string_view title) {
  check(t, "box");
  // The games' own boxes are the only ones play may open: a run-time error
  // box means some input drove the rules outside their numbers.
  if (problem_.empty() && text != "Game Over" && text != "You Win") {
    problem_ = "an unexpected message box: '" + std::string(text) + "', titled '" +
               std::string(title) + "'";
  }
}

void RunCheck::ended(std::int64_t t, const Delivery& /*cause*/) {
  check(t, "end");
  ended_ = true;
  count();
}

namespace {

// One input in kTraceOneIn, by the bytes' FNV-1a hash.
bool sampled(std::string_view bytes) {
  std::uint32_t hash = 2166136261u;
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return hash % kTraceOneIn == 0;
}

}  // namespace

std::string runScript(std::string_view bytes, std::size_t maxEvents, TraceText text) {
  std::size_t events = 0;
  const bool withTrace = text == TraceText::Always || sampled(bytes);
  const auto traced = [withTrace](RunCheck& check) {
    return withTrace ? headless::Replay::Sink([&check](std::string_view line) { check.line(line); })
                     : headless::Replay::Sink();
  };

  RunCheck check(events, maxEvents, withTrace);
  try {
    // As kestrin-replay reads it: the whole script, stopping at a bad line.
    headless::Replay replay(traced(check), {}, &check);
    openFirst(replay, bytes);
    headless::LineReader in(bytes);
    std::ostringstream errors;
    const int status = replay.run(in, errors);
    if (!check.problem().empty()) return check.problem();
    if (std::string problem = checkStatus(status, errors.str()); !problem.empty()) return problem;
    if (status == 0) return "";

    // Then on, past the bad line, with every later line that parses, the
    // bad ones skipped: what a second program running every line that
    // parses would do, without playing the lines before it again.
    std::size_t start = 0;
    for (long n = 0; n < in.number() && start < bytes.size(); ++n) {
      const std::size_t end = bytes.find('\n', start);
      start = end == std::string_view::npos ? bytes.size() : end + 1;
    }
    std::string error;
    while (start < bytes.size()) {
      std::size_t end = bytes.find('\n', start);
      if (end == std::string_view::npos) end = bytes.size();
      const std::string_view line = bytes.substr(start, end - start);
      if (line.size() <= headless::kMaxLineLength) replay.runLine(line, error);
      start = end + 1;
    }
  } catch (const BudgetSpent&) {
  }
  return check.problem();
}

}  // namespace kestrin::fuzz
