// Large buffers on Windows: VirtualAlloc, whose pages are committed on first touch. Huge pages
// need a privilege users do not hold, so there is nothing to advise. See large_memory.h.
#include <windows.h>

#include "platform/large_memory.h"

namespace qm {

char* AllocateLargeMemory(std::size_t bytes) {
    if (bytes == 0) return nullptr;
    return static_cast<char*>(::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

void FreeLargeMemory(char* p, std::size_t) {
    if (p) ::VirtualFree(p, 0, MEM_RELEASE);
}

}  // namespace qm
