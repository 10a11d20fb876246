#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "shell/program.h"

namespace kestrin::headless {

// The trace: one JSON object a line. Each writer appends one whole line,
// newline included, to out.
void appendStart(std::string& out, const Program& program);
void appendEvent(std::string& out, std::int64_t t, const Delivery& delivery, const Program& program);
void appendMessageBox(std::string& out, std::int64_t t, std::string_view text, std::string_view title);
void appendEnd(std::string& out, std::int64_t t);

// The program's state alone: {"focus":..,"screens":{..}} without braces
// around, for the lines above and for tools that print state.
void appendState(std::string& out, const Program& program);

}  // namespace kestrin::headless
