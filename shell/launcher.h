#pragma once

#include "form.h"

namespace kestrin {

// The launcher: two pictures, each opening a game on a screen of its own.
class Main : public Form {
 public:
  explicit Main(Screen& screen);

 private:
  void Image1_Click();
  void Image2_Click();

  Control& Image1 = control("Image1");
  Control& Image2 = control("Image2");
  // The games the two pictures open.
  const std::string_view brickBreakerScreen = opens("frmKestrinBrickBreaker");
  const std::string_view dodgeScreen = opens("frmKestrinDodge");
};

}  // namespace kestrin
