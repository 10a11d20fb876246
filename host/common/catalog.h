#pragma once

#include <functional>
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
//
// With `wrap`, each screen's factory is handed through it first, so a test
// can look at the program at the moment a screen is made.
using FactoryWrap = std::function<FormFactory(std::string_view screen, FormFactory factory)>;
void addKestrinScreens(Program& program);
void addKestrinScreensThrough(Program& program, const FactoryWrap& wrap);

}  // namespace kestrin
