#pragma once

#include <string_view>

#include "shell/form.h"

namespace kestrin::launcher {

// The launcher: two pictures, each opening a game on a screen of its own.
class Main : public Form {
 public:
  // The screens the two pictures open, as the composition root names them.
  struct Games {
    std::string_view brickBreaker;  // Image1
    std::string_view dodge;         // Image2
  };

  Main(Screen& screen, const Games& games);

 private:
  void Image1_Click();
  void Image2_Click();

  Control& Image1 = control("Image1");
  Control& Image2 = control("Image2");
  const std::string_view brickBreaker_;
  const std::string_view dodge_;
};

}  // namespace kestrin::launcher
