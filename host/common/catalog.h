#pragma once

#include <string_view>

#include "shell/program.h"

namespace kestrin {

inline constexpr std::string_view kProgramTitle = "Kestrin";  // shown by boxes with no title of their own
inline constexpr std::string_view kFirstScreen = "Main";

// Registers every screen of the program with its design and its code. Each
// host's start-up calls this once, then Program::start(kFirstScreen).
void addKestrinScreens(Program& program);

}  // namespace kestrin
