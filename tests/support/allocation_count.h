#pragma once

#include <cstddef>

namespace kestrin::test {

// How many times operator new has run in this test binary so far: using it
// links in a global operator new that counts.
std::size_t allocationCount();

}  // namespace kestrin::test
