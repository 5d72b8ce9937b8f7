// Large buffers on POSIX: an anonymous mapping aligned to 2 MiB and advised into transparent huge
// pages where the system has them. See large_memory.h.
#include <sys/mman.h>

#include <atomic>
#include <cstdint>

#include "platform/large_memory.h"

namespace qm {

namespace {

constexpr std::size_t kHugePage = 2u << 20;
std::atomic<std::size_t> g_inUse{0};

// Whole huge pages: a mapping that ends inside one gets small pages there.
std::size_t WholePages(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

char* AllocateLargeMemory(std::size_t bytes) {
    if (bytes == 0) return nullptr;
    // Mapped with one huge page to spare and trimmed, so that the buffer starts on a huge page.
    const std::size_t length = WholePages(bytes), mapped = length + kHugePage;
    void* m = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return nullptr;
    char* base = static_cast<char*>(m);
    const std::size_t head = (kHugePage - reinterpret_cast<std::uintptr_t>(base) % kHugePage) % kHugePage;
    if (head) ::munmap(base, head);
    if (mapped - head > length) ::munmap(base + head + length, mapped - head - length);
#ifdef MADV_HUGEPAGE
    ::madvise(base + head, length, MADV_HUGEPAGE);  // advice only: without huge pages it is plain memory
#endif
    g_inUse += bytes;
    return base + head;
}

void FreeLargeMemory(char* p, std::size_t bytes) {
    if (!p) return;
    ::munmap(p, WholePages(bytes));
    g_inUse -= bytes;
}

std::size_t LargeMemoryInUse() {
    return g_inUse;
}

}  // namespace qm
