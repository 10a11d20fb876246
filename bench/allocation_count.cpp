#include "allocation_count.h"

#include <cstdlib>
#include <new>

namespace {
std::size_t allocations = 0;  // the benchmarks run on one thread
}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace kestrin::bench {
std::size_t allocationCount() { return allocations; }
}  // namespace kestrin::bench
