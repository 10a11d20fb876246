#pragma once

#include "shell/design.h"

// Every screen's design: the state its controls start in each time it is
// loaded. Positions and sizes in twips; design order is front to back.
namespace kestrin::designs {

extern const ScreenDesign kMain;
extern const ScreenDesign kBrickBreakerLevel1;
extern const ScreenDesign kBrickBreakerLevel2;
extern const ScreenDesign kBrickBreakerLevel3;
extern const ScreenDesign kDodge;

// The pictures the designs name, as the host finds them among its resources.
inline constexpr std::string_view kBrickBreakerTitle = "brickbreaker-title.jpg";
inline constexpr std::string_view kDodgeTitle = "dodge-title.jpg";
inline constexpr std::string_view kMonkey = "monkey.gif";
inline constexpr std::string_view kBanana = "banana.gif";

}  // namespace kestrin::designs
