#include "host/common/script_writer.h"

#include <algorithm>

namespace kestrin {

namespace {

constexpr std::int64_t kDayMicros = 86'400'000'000;  // the longest wait a line may hold

std::string controlName(std::string_view name, int index) {
  std::string out(name);
  if (index >= 0) out += "(" + std::to_string(index) + ")";
  return out;
}

// A control a click reaches no handler through, standing in for the ground:
// on the replay a click on it makes its screen the active one and does
// nothing else, as a click on the ground does. Null where there is none.
const Control* groundStandIn(const Screen& screen) {
  const Form* form = screen.form();
  if (form == nullptr) return nullptr;
  for (const Control& c : form->controls()) {
    if (c.kind() != ControlKind::CommandButton && !form->handlesClick(c)) return &c;
  }
  return nullptr;
}

}  // namespace

std::string waitLines(std::int64_t micros) {
  std::string out;
  while (micros > 0) {
    const std::int64_t step = std::min(micros, kDayMicros);
    micros -= step;
    out += "wait " + std::to_string(step / 1000);
    if (std::int64_t fraction = step % 1000; fraction != 0) {
      std::string digits = std::to_string(fraction + 1000).substr(1);  // three digits
      while (digits.back() == '0') digits.pop_back();
      out += "." + digits;
    }
    out += '\n';
  }
  return out;
}

void ScriptWriter::started(std::int64_t t, const Program& program) {
  program_ = &program;
  written_ = last_ = t;
  write("# A session of " + std::string(program.title()) +
        ", recorded: kestrin-replay runs it again event for event.\n");
}

void ScriptWriter::delivered(std::int64_t t, const Delivery& /*delivery*/,
                             const Program& /*program*/) {
  last_ = t;
  if (droppedInBox_.empty()) return;
  waitUntil(t);
  write(std::move(droppedInBox_));
  droppedInBox_.clear();
}

void ScriptWriter::messageBox(std::int64_t t, std::string_view /*text*/,
                              std::string_view /*title*/) {
  last_ = t;
}

void ScriptWriter::ended(std::int64_t t, const Delivery& /*cause*/) {
  last_ = t;
  finish();
}

void ScriptWriter::received(std::int64_t t, const Input& input) {
  if (finished_) return;
  std::string line;
  switch (input.kind) {
    case Input::Kind::KeyDown:
    case Input::Kind::KeyUp:
      line = input.kind == Input::Kind::KeyDown ? "keydown " : "keyup ";
      line += std::to_string(input.code);
      if (input.shift != 0) line += " " + std::to_string(input.shift);
      break;
    case Input::Kind::Click: {
      std::string control;
      if (!input.control.empty()) {
        control = controlName(input.control, input.index);
      } else if (const Screen* s = program_ != nullptr ? program_->findScreen(input.screen) : nullptr;
                 const Control* standIn = s != nullptr ? groundStandIn(*s) : nullptr) {
        control = controlName(standIn->name(), standIn->index());
      } else {
        comment(t, "a click on the ground of " + std::string(input.screen) +
                       ", which has no control to stand for it, is left out");
        return;
      }
      line = "click " + std::string(input.screen) + " " + control;
      break;
    }
    case Input::Kind::Close: line = "close " + std::string(input.screen); break;
  }
  waitUntil(t);
  write(line + "\n");
}

void ScriptWriter::dropped(std::int64_t /*t*/, const Screen& screen, const Control& timer,
                           std::int64_t count) {
  if (finished_) return;
  const std::string line = "drop " + std::string(screen.name()) + " " + std::string(timer.name()) +
                           " " + std::to_string(count) + "\n";
  if (program_ != nullptr && program_->busy()) {
    // With a box open, the ticks dropped are those after the event that
    // opened it, which happens whole at its own time: the line follows it.
    droppedInBox_ += line;
    return;
  }
  // Before the tick that follows them: the replay's clock stands at the
  // last event, before the first tick dropped, and the next wait runs the
  // tick the host ran.
  waitUntil(last_);
  write(line);
}

void ScriptWriter::switched(std::int64_t t, const Screen& screen) {
  comment(t, "the window system made " + std::string(screen.name()) + " the active screen");
}

void ScriptWriter::finish() {
  if (finished_) return;
  waitUntil(last_);
  finished_ = true;
}

std::string ScriptWriter::tail() const {
  return finished_ || last_ <= written_ ? std::string() : waitLines(last_ - written_);
}

void ScriptWriter::waitUntil(std::int64_t t) {
  if (t <= written_) return;
  write(waitLines(t - written_));
  written_ = t;
}

void ScriptWriter::comment(std::int64_t t, std::string_view what) {
  if (finished_) return;
  exact_ = false;
  // At its place among the waits, so a reader sees where the replay parts.
  waitUntil(std::max(t, written_));
  const std::int64_t ms = t / 1000;
  write("# not exact from here, at " + std::to_string(ms) + "." +
        std::to_string(t % 1000 + 1000).substr(1) + " ms: " + std::string(what) + "\n");
  inexact_(t, what);
}

void ScriptWriter::write(std::string line) {
  if (!line.empty()) sink_(line);
}

}  // namespace kestrin
