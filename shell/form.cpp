#include "form.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "design.h"
#include "program.h"
#include "screen.h"

namespace kestrin {

namespace {

[[noreturn]] void bindingFault(const Screen& screen, std::string_view what, std::string_view name) {
  throw std::logic_error(std::string(screen.name()) + ": " + std::string(what) + " '" +
                         std::string(name) + "'");
}

}  // namespace

Form::Form(Screen& screen) : screen_(screen) {
  const auto& rows = screen.design().controls;
  controls_.reserve(rows.size());  // never grows: bound references stay valid
  for (const ControlDesign& row : rows) controls_.emplace_back(row);
  for (Control& c : controls_) {
    if (c.kind() == ControlKind::Timer) timerSlots_.push_back(TimerSlot{.control = &c});
  }
}

Control* Form::find(std::string_view name, int index) {
  for (Control& c : controls_) {
    if (c.name() == name && c.index() == index) return &c;
  }
  return nullptr;
}

Control& Form::control(std::string_view name) {
  Control* c = find(name);
  if (c == nullptr) bindingFault(screen_, "no control named", name);
  return *c;
}

ControlArray Form::controlArray(std::string_view name) {
  std::vector<Control*> members;
  for (Control& c : controls_) {
    if (c.name() != name || !c.inArray()) continue;
    const auto at = static_cast<std::size_t>(c.index());
    if (members.size() <= at) members.resize(at + 1, nullptr);
    members[at] = &c;
  }
  if (members.empty()) bindingFault(screen_, "no control array named", name);
  for (Control* m : members) {
    if (m == nullptr) bindingFault(screen_, "a gap in the control array", name);
  }
  return ControlArray(std::move(members));
}

void Form::variable(std::string_view name, Integer& value) { variables_.push_back({name, &value}); }

std::string_view Form::opens(std::string_view screen) {
  opens_.push_back(screen);
  return screen;
}

void Form::onLoad(Handler handler) { load_ = std::move(handler); }
void Form::onKeyDown(KeyHandler handler) { keyDown_ = std::move(handler); }
void Form::onKeyUp(KeyHandler handler) { keyUp_ = std::move(handler); }

void Form::onClick(Control& control, Handler handler) {
  clicks_.push_back({&control, std::move(handler)});
}

void Form::onTimer(Control& control, Handler handler) {
  if (control.kind() != ControlKind::Timer) bindingFault(screen_, "not a timer", control.name());
  timers_.push_back({&control, std::move(handler)});
}

void Form::chooseByKeys(std::initializer_list<Control*> controls) {
  for (Control* c : controls) {
    if (clickBinding(*c) == nullptr) bindingFault(screen_, "no click for a choice", c->name());
  }
  choices_.assign(controls);
}

const Form::Binding* Form::clickBinding(const Control& control) const {
  for (const Binding& b : clicks_) {
    if (b.control == &control) return &b;
  }
  return nullptr;
}

const Form::Binding* Form::timerBinding(const Control& control) const {
  for (const Binding& b : timers_) {
    if (b.control == &control) return &b;
  }
  return nullptr;
}

Program& Form::program() const { return screen_.program(); }

Screen& Form::opened(std::string_view screen) const {
  // A registered screen that this form never declared would escape the
  // start-up check: it is refused here, on the first run of the handler.
  if (std::find(opens_.begin(), opens_.end(), screen) == opens_.end() &&
      program().findDesign(screen) != nullptr) {
    bindingFault(screen_, "opens a screen it did not declare", screen);
  }
  return program().screen(screen);
}

void Form::Load(std::string_view screen) { program().load(opened(screen)); }
void Form::Show(std::string_view screen) { program().show(opened(screen)); }
void Form::Unload(std::string_view screen) { program().unload(opened(screen)); }
void Form::UnloadMe() { program().unload(screen_); }
void Form::Hide() { program().hide(screen_); }
void Form::MsgBox(std::string_view text) { program().msgBox(text, std::nullopt); }
void Form::MsgBox(std::string_view text, std::string_view title) { program().msgBox(text, title); }
void Form::EndProgram() { program().endProgram(); }

}  // namespace kestrin
