#pragma once

#include <cstddef>

namespace kestrin::qt {

// What the host asks of the system's memory beyond what Qt and the C++
// library do: to have memory back that the program is done with. Each call
// does so where the system can be told (madvise, glibc's mallopt; CMake
// checks for them, cmake/Platform.cmake) and nothing elsewhere, where the
// memory simply stays with the program longer.

// Blocks of 128 KiB and more are mapped each on its own from now on, so
// that freeing one gives it back to the system at once. Called before the
// toolkit starts; the user's own tuning of the C library stands.
void mapLargeBlocksAlone();

// Lets the system take back the whole pages of [data, data + size), which
// lie in the program's own binary: unchanged there, they are read again from
// the file should they be touched again. Nothing is lost either way.
void givePagesBack(const void* data, std::size_t size);

}  // namespace kestrin::qt
