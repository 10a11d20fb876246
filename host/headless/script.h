#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/design.h"

namespace kestrin::headless {

// One line of a replay script, checked against the program's designs.
struct Command {
  enum class Kind : std::uint8_t { Wait, KeyDown, KeyUp, Click, Close };
  Kind kind = Kind::Wait;
  std::int64_t micros = 0;  // Wait: how far the clock moves
  std::int16_t code = 0;    // KeyDown, KeyUp
  std::int16_t shift = 0;
  std::string_view screen;  // Click, Close: names from the designs
  std::string_view control; // Click
  int index = -1;           // Click on a member of a control array
};

inline constexpr std::size_t kMaxLineLength = 4096;
inline constexpr std::int64_t kMaxWaitMicros = 86'400'000'000;  // one day
inline constexpr std::int64_t kTickMicros = 15'625;

struct ParseResult {
  std::optional<Command> command;  // none for a blank or comment line
  std::string error;               // non-empty: the line is not valid
};

ParseResult parseLine(std::string_view line, const std::vector<const ScreenDesign*>& designs);

}  // namespace kestrin::headless
