#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "design.h"
#include "form.h"

namespace kestrin {

class Program;

using FormFactory = std::function<std::unique_ptr<Form>(Screen&)>;

// A screen object. It exists at most once per name, from its first use to the
// end of the program; loading builds its Form from the design, unloading
// discards the Form, and a later load builds a fresh one.
class Screen {
 public:
  Screen(Program& program, const ScreenDesign& design, FormFactory factory)
      : program_(program), design_(design), factory_(std::move(factory)) {}
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  std::string_view name() const { return design_.name; }
  const ScreenDesign& design() const { return design_; }
  Program& program() const { return program_; }

  bool loaded() const { return form_ != nullptr; }
  bool visible() const { return form_ != nullptr && visible_; }
  Form* form() const { return form_.get(); }

  // Rises with every load anywhere in the program: orders the screens for
  // ticks that fall due together, and tells a host that a screen was
  // unloaded and loaded again since it last looked.
  std::uint64_t loadSerial() const { return loadSerial_; }

  // The control that holds the keyboard focus on this screen (a button, or
  // a choice the keys moved to), or null when the screen itself holds it.
  // A control that has been hidden since it took the focus has lost it.
  Control* focused() const;
  // The same where it is a button.
  Control* focusedButton() const;

  // The screen whose handler last made this one visible, or null when the
  // program showed it at start-up. A host may open a window near its
  // opener's; the model itself makes nothing of it.
  const Screen* shownBy() const { return shownBy_; }

 private:
  friend class Program;

  void focusOn(Control& control) {
    focus_ = &control;
    focusHides_ = control.Visible.falseWrites();
  }

  Program& program_;
  const ScreenDesign& design_;
  FormFactory factory_;
  std::unique_ptr<Form> form_;
  bool visible_ = false;
  std::uint64_t loadSerial_ = 0;
  const Screen* shownBy_ = nullptr;
  Control* focus_ = nullptr;
  std::uint32_t focusHides_ = 0;  // the control's hides when it took the focus
};

}  // namespace kestrin
