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

void TraceCheck::operator()(std::string_view line) {
  if (!problem_.empty()) return;
  if (line.empty() || line.back() != '\n' || line.find('\n') != line.size() - 1) {
    problem_ = "a trace line that is not one whole line";
    return;
  }
  if (ended_) {
    problem_ = "a trace line after the end line";
    return;
  }
  std::size_t rest = 0;
  const std::optional<std::int64_t> t = time(line, rest);
  if (!t || *t < lastTime_) {
    problem_ = "a trace line without a time, or earlier than the one before";
    return;
  }
  lastTime_ = *t;
  // Each kind of line is told by what follows the time; a whole-state line
  // is a few kilobytes, so nothing here searches it.
  const std::string_view after = line.substr(rest);
  if (after.substr(0, 9) == ",\"msgbox\"") {
    // The games' own boxes are the only ones play may open: a run-time
    // error box means some input drove the rules outside their numbers.
    if (after.find("\"text\":\"Game Over\"") == std::string_view::npos &&
        after.find("\"text\":\"You Win\"") == std::string_view::npos) {
      problem_ = "an unexpected message box: " + std::string(line.substr(0, line.size() - 1));
    }
    return;
  }
  if (after == ",\"event\":\"end\"}\n") ended_ = true;
  if (++events_ > maxEvents_) throw BudgetSpent{};
}

// The time that starts every line; rest is where the line goes on.
std::optional<std::int64_t> TraceCheck::time(std::string_view line, std::size_t& rest) {
  constexpr std::string_view kHead = "{\"t\":";
  if (line.substr(0, kHead.size()) != kHead) return std::nullopt;
  std::int64_t t = 0;
  std::size_t i = kHead.size();
  if (i >= line.size() || line[i] < '0' || line[i] > '9') return std::nullopt;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    if (t > (INT64_MAX - 9) / 10) return std::nullopt;
    t = t * 10 + (line[i] - '0');
  }
  rest = i;
  return t;
}

std::string runScript(std::string_view bytes, std::size_t maxEvents) {
  std::size_t events = 0;

  // As kestrin-replay reads it: the whole script, stopping at a bad line.
  int status = 0;
  {
    TraceCheck check(events, maxEvents);
    headless::Replay replay([&check](std::string_view line) { check(line); });
    openFirst(replay, bytes);
    headless::LineReader in(bytes);
    std::ostringstream errors;
    try {
      status = replay.run(in, errors);
    } catch (const BudgetSpent&) {
      return check.problem();
    }
    if (!check.problem().empty()) return check.problem();
    if (std::string problem = checkStatus(status, errors.str()); !problem.empty()) return problem;
  }
  if (status == 0) return "";

  // Every line that parses, the bad ones skipped.
  TraceCheck check(events, maxEvents);
  headless::Replay replay([&check](std::string_view line) { check(line); });
  openFirst(replay, bytes);
  std::string error;
  try {
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
