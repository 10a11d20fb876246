// kestrin-number-check: the portable decimal conversions that every host
// uses (shell/decimal.h) against this machine's <charconv>, over COUNT values
// of each kind (random bit patterns, whole numbers, near powers of ten,
// subnormals, random decimal texts) and the zeros and extremes.
//
//   kestrin-number-check [--count N] [--seed N]
//
// Exit status 0 when both wrote and read every value alike, 1 otherwise,
// 2 for bad arguments.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "tools/numbers/number_check.h"

namespace {

bool number(const char* text, std::uint64_t& out) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  char* end = nullptr;
  out = std::strtoull(text, &end, 10);
  return *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t count = 1'000'000;
  std::uint64_t seed = 1;
  for (int i = 1; i < argc; i += 2) {  // options and their values in pairs
    const std::string_view arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!((arg == "--count" && number(value, count)) || (arg == "--seed" && number(value, seed)))) {
      std::cerr << "usage: kestrin-number-check [--count N] [--seed N]\n";
      return 2;
    }
  }
  const auto start = std::chrono::steady_clock::now();
  std::uint64_t checked = 0;
  std::uint64_t differed = 0;
  for (const auto& kind : kestrin::numbers::checkNumbers(count, seed)) {
    std::cout << kind.name << ": " << kind.checked << " conversions compared, " << kind.differed << " differed\n";
    for (const auto& example : kind.examples) std::cout << "  " << example << '\n';
    checked += kind.checked;
    differed += kind.differed;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::cout << "in all: " << checked << " conversions compared, " << differed << " differed (seed " << seed
            << ", " << took.count() << " s)\n";
  return differed == 0 && std::cout.flush() ? 0 : 1;
}
