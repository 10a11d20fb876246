#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/soak/watch.h"

namespace kestrin::soak {

// A small, fixed generator (splitmix64): the same seed gives the same games
// on every machine and standard library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 <= result < n
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  bool chance(int percent) { return below(1000) < percent * 10; }
  bool perMille(int n) { return below(1000) < n; }

 private:
  std::uint64_t state_;
};

struct Result {
  bool ok = true;
  std::uint64_t ticks = 0;
  std::uint64_t programs = 0;
  std::uint64_t lines = 0;
  Tally tally;
  // On a violation: what broke, and the failing program's script so far.
  std::string violation;
  std::uint64_t programSeed = 0;
  std::vector<std::string> script;
};

// Plays random games through the headless host until `ticks` ticks have run,
// each program from a fresh start, checking the invariants after every event.
// Stops at the first violation.
Result soak(std::uint64_t seed, std::uint64_t ticks);

// Plays one program from the given seed until it ends, `ticks` have run, or
// an invariant breaks; the script it ran is kept in result.script.
Result playOne(std::uint64_t programSeed, std::uint64_t ticks);

}  // namespace kestrin::soak
