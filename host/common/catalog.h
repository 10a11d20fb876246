#pragma once

#include <string_view>

#include "designs/designs.h"
#include "shell/program.h"

namespace kestrin {

inline constexpr std::string_view kProgramTitle = "Kestrin";  // shown by boxes with no title of their own
inline constexpr std::string_view kFirstScreen = designs::names::kMain;

// Registers every screen of the program with its design and its code, and
// hands each screen the names of the screens it opens and the design values
// its rules test. Each host's start-up calls this once, then
// Program::start(kFirstScreen), which checks every name handed over here.
void addKestrinScreens(Program& program);

}  // namespace kestrin
