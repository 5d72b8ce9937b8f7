// Large buffers on Windows: VirtualAlloc, whose pages are committed on first touch. Huge pages
// need a privilege users do not hold, so there is nothing to advise. See large_memory.h.
#include <windows.h>

#include <atomic>

#include "platform/large_memory.h"

namespace qm {

namespace {
std::atomic<std::size_t> g_inUse{0};
}  // namespace

char* AllocateLargeMemory(std::size_t bytes) {
    if (bytes == 0) return nullptr;
    char* p = static_cast<char*>(::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (p) g_inUse += bytes;
    return p;
}

void FreeLargeMemory(char* p, std::size_t bytes) {
    if (p && ::VirtualFree(p, 0, MEM_RELEASE)) g_inUse -= bytes;
}

std::size_t LargeMemoryInUse() {
    return g_inUse;
}

}  // namespace qm
