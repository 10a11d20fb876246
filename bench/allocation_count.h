#pragma once

#include <cstddef>

namespace kestrin::bench {

// How many times operator new has run in this process so far. Linking this
// in replaces the global operator new with a counting one.
std::size_t allocationCount();

}  // namespace kestrin::bench
