#include "host/headless/script_player.h"

#include <algorithm>
#include <cmath>


namespace kestrin::headless {

namespace {

// How long a call may take before the player takes it that a box blocked
// in it, and goes on from where the script stood.
constexpr double kBlockedMs = 50;

}  // namespace

int checkScript(LineReader& lines, const Program& program, std::string& error,
                std::vector<Command>* keep) {
  std::int64_t waited = 0;
  for (std::string_view line;;) {
    const auto next = lines.next(line);
    if (next == LineReader::Next::End) return 0;
    if (next == LineReader::Next::ReadFailed) return 1;
    const std::string at = "line " + std::to_string(lines.number()) + ": ";
    if (next == LineReader::Next::TooLong) {
      error = at + "line longer than " + std::to_string(kMaxLineLength) + " characters";
      return 2;
    }
    auto parsed = parseLine(line, program);
    if (parsed.command && parsed.command->kind == Command::Kind::Wait) {
      addToScriptTime(waited, parsed.command->micros, parsed.error);
    }
    if (!parsed.error.empty()) {
      error = at + parsed.error;
      return 2;
    }
    if (parsed.command && keep != nullptr) keep->push_back(*parsed.command);
  }
}

ScriptPlayer::ScriptPlayer(Stage& stage, VirtualClock& clock, CommandSource& commands, double speed)
    : stage_(stage), clock_(clock), commands_(commands), speed_(speed) {}

void ScriptPlayer::start() {
  anchor();
  step();
}

void ScriptPlayer::hold(bool still) {
  if (still == held_) return;
  held_ = still;
  if (!held_) {
    anchor();
    step();
  }
}

void ScriptPlayer::anchor() {
  realAnchor_ = stage_.realNowMs();
  scriptAnchor_ = clock_.now();
}

std::int64_t ScriptPlayer::scriptNow() const {
  const double real = (stage_.realNowMs() - realAnchor_) * 1000 * speed_;
  return scriptAnchor_ + static_cast<std::int64_t>(std::max(0.0, real));
}

template <class F>
void ScriptPlayer::run(F&& f) {
  const double before = stage_.realNowMs();
  f();
  if (stage_.realNowMs() - before > kBlockedMs) anchor();
}

void ScriptPlayer::step() {
  Program& program = stage_.program();
  // A box is open (the step that opened it goes on after it), or the host
  // holds the script still.
  if (held_ || done_ || program.busy()) return;
  while (!program.ended()) {
    const Command* c = commands_.current();
    if (c == nullptr) {
      done_ = true;
      stage_.finished();
      return;
    }
    if (c->kind != Command::Kind::Wait) {
      const Command command = *c;
      commands_.next();
      run([&] { stage_.deliver(command); });
      if (held_) return;
      continue;
    }
    if (!waitEnd_) waitEnd_ = clock_.now() + c->micros;
    const std::optional<std::int64_t> due = program.nextTickDue();
    const std::int64_t at = due && *due <= *waitEnd_ ? *due : *waitEnd_;
    if (at > scriptNow()) {
      stage_.wakeAfter(static_cast<double>(at - scriptNow()) / 1000 / speed_);
      return;
    }
    clock_.set(at);
    if (at == due) {
      run([this] { stage_.wake(); });  // every tick due now, then the windows
      if (held_) return;
    } else {
      waitEnd_.reset();
      commands_.next();
    }
  }
}

}  // namespace kestrin::headless
