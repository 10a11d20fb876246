// kestrin-soak: long random games through the headless host, with the
// rules' invariants checked after every event.
//
//   kestrin-soak [--seed N] [--ticks N] [--script-out FILE]
//
// Exit status 0 when every invariant held (and, for a soak of a million
// ticks or more, every screen was reached); 1 on a violation, printed with
// the seed, the tick and the failing program's script, which kestrin-replay
// plays again as it was, or when the report or the script cannot be written
// whole; 2 for bad arguments.
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <set>
#include <string>
#include <string_view>

#include "host/common/fd_io.h"
#include "host/common/output_file.h"
#include "tools/soak/soak.h"

namespace {

// Decimal digits only, as every tool reads its numbers (no sign, blank or
// base prefix), within 64 bits.
bool number(const char* text, std::uint64_t& out) {
  if (text == nullptr) return false;
  const std::string_view digits = text;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
  return !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos &&
         error == std::errc() && end == digits.data() + digits.size();
}

int usage(std::string_view what = {}) {
  if (!what.empty()) std::cerr << "kestrin-soak: " << what << '\n';
  std::cerr << "usage: kestrin-soak [--seed N] [--ticks N] [--script-out FILE]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  kestrin::io::guardStandardStreams();
  std::uint64_t seed = 1;
  std::uint64_t ticks = 1'000'000;
  std::string scriptOut;
  std::set<std::string_view> given;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg.starts_with("--") && !given.insert(arg).second) {
      return usage(std::string(arg) + " given twice");
    }
    if (arg == "--seed" && number(value, seed)) {
      ++i;
    } else if (arg == "--ticks" && number(value, ticks)) {
      ++i;
    } else if (arg == "--script-out" && value != nullptr) {
      scriptOut = value;
      ++i;
    } else {
      return usage();
    }
  }

  const auto begin = std::chrono::steady_clock::now();
  const kestrin::soak::Result r = kestrin::soak::soak(seed, ticks);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

  if (!r.ok) {
    std::cerr << "kestrin-soak: VIOLATION: " << r.violation << "\n"
              << "  seed " << seed << ", tick " << r.ticks << " of the soak, program "
              << r.programs << " (its seed " << r.programSeed << "), after "
              << r.script.size() << " script lines of that program\n";
    if (!scriptOut.empty()) {
      std::string text;
      for (const std::string& line : r.script) text += line + '\n';
      if (const auto failure = kestrin::io::writeFile(scriptOut, text)) {
        std::cerr << "kestrin-soak: " << kestrin::io::describe(scriptOut, failure) << '\n';
      } else {
        std::cerr << "  its script: " << scriptOut << " (kestrin-replay " << scriptOut << ")\n";
      }
    } else {
      std::cerr << "  its script, for kestrin-replay:\n";
      for (const std::string& line : r.script) std::cerr << line << '\n';
    }
    return 1;
  }

  const kestrin::soak::Tally& t = r.tally;
  kestrin::io::FdWriter out(STDOUT_FILENO);
  out.print("kestrin-soak: seed %llu: %llu ticks in %.1f s: %.0f ticks/s\n",
              static_cast<unsigned long long>(seed), static_cast<unsigned long long>(r.ticks),
              seconds, static_cast<double>(r.ticks) / seconds);
  out.print("  %llu programs, %llu script lines; %llu Game Over, %llu You Win, %llu closed\n",
              static_cast<unsigned long long>(r.programs), static_cast<unsigned long long>(r.lines),
              static_cast<unsigned long long>(t.gameOvers), static_cast<unsigned long long>(t.wins),
              static_cast<unsigned long long>(t.closedOut));
  out.print("  %llu lives lost, %llu bananas caught\n",
              static_cast<unsigned long long>(t.lostLives),
              static_cast<unsigned long long>(t.bananas));
  bool reachedAll = true;
  for (std::size_t i = 0; i < kestrin::soak::kScreens.size(); ++i) {
    out.print("  loads of %-28s %llu\n", std::string(kestrin::soak::kScreens[i]).c_str(),
                static_cast<unsigned long long>(t.loads[i]));
    reachedAll = reachedAll && t.loads[i] > 0;
  }
  if (!out.flush()) {
    std::cerr << "kestrin-soak: " << kestrin::io::describe("standard output", out.error()) << '\n';
    return 1;
  }
  // A long soak that never reached a screen has not soaked it: say so.
  if (ticks >= 1'000'000 && !reachedAll) {
    std::cerr << "kestrin-soak: some screen was never loaded in " << ticks << " ticks\n";
    return 1;
  }
  return 0;
}
