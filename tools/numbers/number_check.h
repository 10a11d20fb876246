#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrin::numbers {

// The portable decimal conversions (shell/decimal.h) against the standard
// library's <charconv>, where it has them: each kind of value below is drawn
// `count` times (the fixed lists once) and written and read by both.
struct Kind {
  std::string name;
  std::uint64_t checked = 0;
  std::uint64_t differed = 0;
  std::vector<std::string> examples;  // the first few differences
};

std::vector<Kind> checkNumbers(std::uint64_t count, std::uint64_t seed);

}  // namespace kestrin::numbers
