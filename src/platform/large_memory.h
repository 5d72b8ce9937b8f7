// Memory for large buffers that live long (the rows of a loaded store): taken from the system in
// one piece, on Linux advised into huge pages, so that filling tens of megabytes costs a few page
// faults instead of one per 4 KiB page. Any thread.
#pragma once

#include <cstddef>

namespace qm {

// Sizes from which a buffer is worth taking this way.
inline constexpr std::size_t kLargeMemoryMin = 2u << 20;

// `bytes` of uninitialised (zero until written) memory, or nullptr; give it back with
// FreeLargeMemory and the same size.
char* AllocateLargeMemory(std::size_t bytes);
void FreeLargeMemory(char* p, std::size_t bytes);
// Bytes taken this way and not yet given back (for the memory figures of the benchmarks).
std::size_t LargeMemoryInUse();

}  // namespace qm
