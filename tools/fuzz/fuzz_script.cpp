#include "fuzz_script.h"

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
  if (lines_ != ++reported_) {
    problem_ = std::string("a trace that is not one line a report, at the ") + what;
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

std::string runScript(std::string_view bytes, std::size_t maxEvents) {
  std::size_t events = 0;
  const auto traced = [](RunCheck& check) {
    return headless::Replay::Sink([&check](std::string_view line) { check.line(line); });
  };

  // As kestrin-replay reads it: the whole script, stopping at a bad line.
  int status = 0;
  {
    RunCheck check(events, maxEvents);
    std::ostringstream errors;
    try {
      headless::Replay replay(traced(check), {}, &check);
      openFirst(replay, bytes);
      headless::LineReader in(bytes);
      status = replay.run(in, errors);
    } catch (const BudgetSpent&) {
      return check.problem();
    }
    if (!check.problem().empty()) return check.problem();
    if (std::string problem = checkStatus(status, errors.str()); !problem.empty()) return problem;
  }
  if (status == 0) return "";

  // Every line that parses, the bad ones skipped. The start alone may spend
  // the budget the first run left.
  RunCheck check(events, maxEvents);
  try {
    headless::Replay replay(traced(check), {}, &check);
    openFirst(replay, bytes);
    std::string error;
    std::size_t start = 0;
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
