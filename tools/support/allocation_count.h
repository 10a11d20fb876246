#pragma once

#include <cstddef>

namespace kestrin::support {

// How many times operator new has run in this process so far. Linking this
// library in replaces the global operator new with one that counts: the
// tests that pin a tick to no allocation and the benchmarks that report
// allocations per iteration read the same count.
std::size_t allocationCount();

}  // namespace kestrin::support
