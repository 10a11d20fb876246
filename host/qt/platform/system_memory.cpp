#include "host/qt/platform/system_memory.h"

#include <cstdint>
#include <cstdlib>

#ifdef KESTRIN_HAVE_MADVISE
#include <sys/mman.h>
#include <unistd.h>
#endif
#ifdef KESTRIN_HAVE_MALLOPT
#include <malloc.h>
#endif

namespace kestrin::qt {

void mapLargeBlocksAlone() {
#ifdef KESTRIN_HAVE_MALLOPT
  // A window's frame, a megabyte or two, is given back to the system when
  // the window goes (the launcher behind a game, a level closed). The C
  // library's own rule raises the size it maps memory for to the largest
  // block freed so far, so that after the first window the next ones are
  // carved from the heap and stay there once freed: a game played, then
  // another, held some 1.3 MiB of dead frames. 128 KiB is the C library's
  // own starting point.
  if (std::getenv("GLIBC_TUNABLES") == nullptr && std::getenv("MALLOC_MMAP_THRESHOLD_") == nullptr) {
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  }
#endif
}

void givePagesBack(const void* data, std::size_t size) {
#ifdef KESTRIN_HAVE_MADVISE
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
  const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) / page * page;
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace kestrin::qt
