#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "control.h"
#include "integer.h"

namespace kestrin {

class Program;
class Screen;

using Handler = std::function<void()>;
using KeyHandler = std::function<void(std::int16_t KeyCode, std::int16_t Shift)>;

// The members of a control array, addressed as Brick(i).
class ControlArray {
 public:
  ControlArray() = default;
  explicit ControlArray(std::vector<Control*> members) : members_(std::move(members)) {}

  Control& operator()(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= members_.size()) {
      throw RuntimeError(ErrorKind::SubscriptOutOfRange);
    }
    return *members_[static_cast<std::size_t>(index)];
  }
  int count() const { return static_cast<int>(members_.size()); }

 private:
  std::vector<Control*> members_;
};

// One loaded instance of a screen: its controls, built from the design when
// the screen is loaded, its variables, which start at zero, and the code that
// handles its events. A screen's code derives from Form, binds the controls
// it uses by name in its constructor and registers its handlers there.
class Form {
 public:
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form() = default;

  Screen& screen() const { return screen_; }
  std::vector<Control>& controls() { return controls_; }
  const std::vector<Control>& controls() const { return controls_; }
  Control* find(std::string_view name, int index = -1);
  // Whether a click on the control reaches a handler of this screen.
  bool handlesClick(const Control& control) const { return clickBinding(control) != nullptr; }

  struct Variable {
    std::string_view name;
    Integer* value;
  };
  const std::vector<Variable>& variables() const { return variables_; }

 protected:
  explicit Form(Screen& screen);

  // Binding. A missing name is a fault of the design or the code, found at
  // start-up when every screen is bound once.
  Control& control(std::string_view name);
  ControlArray controlArray(std::string_view name);
  void variable(std::string_view name, Integer& value);
  // Names a screen this one opens; one that is not registered fails at
  // start-up too. Load, Show and Unload refuse a screen not named here, so
  // the start-up check covers every screen a handler can open. Returns the
  // name.
  std::string_view opens(std::string_view screen);

  void onLoad(Handler handler);
  void onKeyDown(KeyHandler handler);
  void onKeyUp(KeyHandler handler);
  void onClick(Control& control, Handler handler);
  void onTimer(Control& control, Handler handler);
  // The controls a player chooses between with the keys, from left to
  // right (the launcher's title cards): the program's key routing moves the
  // focus among them and clicks the one that has it.
  void chooseByKeys(std::initializer_list<Control*> controls);

  // The program-wide operations, as handlers call them.
  Program& program() const;
  void Load(std::string_view screen);
  void Show(std::string_view screen);
  void Unload(std::string_view screen);
  void UnloadMe();
  void Hide();  // this screen's Visible = False
  void MsgBox(std::string_view text);
  void MsgBox(std::string_view text, std::string_view title);
  [[noreturn]] void EndProgram();

 private:
  friend class Program;

  struct Binding {
    Control* control = nullptr;
    Handler handler;
  };
  struct TimerSlot {
    Control* control = nullptr;
    std::int64_t start = 0;    // microseconds
    std::int64_t nextDue = 0;
    std::uint32_t seenTrueWrites = 0;
    bool running = false;
  };

  Screen& opened(std::string_view screen) const;  // declared with opens()
  const Binding* clickBinding(const Control& control) const;
  const Binding* timerBinding(const Control& control) const;

  Screen& screen_;
  std::vector<Control> controls_;
  std::vector<Variable> variables_;
  std::vector<Binding> clicks_;
  std::vector<Binding> timers_;
  std::vector<TimerSlot> timerSlots_;
  std::vector<std::string_view> opens_;
  std::vector<Control*> choices_;
  Handler load_;
  KeyHandler keyDown_;
  KeyHandler keyUp_;
};

}  // namespace kestrin
