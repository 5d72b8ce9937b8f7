// The process's count of live GDI objects, for leak checks in tests and benchmarks. Windows
// answers GetGuiResources; Wine does not (it returns 0), so there the count is read from the
// process's GDI handle table, whose live entries carry a non-zero type. Window thread.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstddef>

namespace qm::testing {

inline long GdiObjectCount() {
    if (const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<long>(n);
    // Wine: PEB.GdiSharedHandleTable, 65,536 entries of 24 bytes, the type byte at offset 14.
    constexpr std::size_t kTableOffset = 0xF8, kEntries = 0x10000, kEntrySize = 24, kTypeOffset = 14;
    const auto* peb = reinterpret_cast<const unsigned char*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const auto* table = *reinterpret_cast<const unsigned char* const*>(peb + kTableOffset);
    if (!table) return -1;
    long live = 0;
    for (std::size_t i = 0; i < kEntries; ++i) live += table[i * kEntrySize + kTypeOffset] != 0;
    return live;
}

}  // namespace qm::testing
