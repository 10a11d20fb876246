// libFuzzer entry: arbitrary bytes as a replay script on every screen.
// Crashes, leaks and sanitizer reports are libFuzzer's to catch; a run, a
// trace (on the sample whose trace is written) or an exit status that
// breaks the replay format is turned into a crash here.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/fuzz/fuzz_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem =
      kestrin::fuzz::runScript(std::string_view(reinterpret_cast<const char*>(data), size),
                               kestrin::fuzz::kMaxEventsPerInput, kestrin::fuzz::TraceText::Sampled);
  if (!problem.empty()) {
    std::fprintf(stderr, "replay_fuzzer: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
