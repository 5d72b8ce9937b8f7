// Misbehaves on request, for the tests of the Windows test runner (cmake/wine-run.sh.in):
//   ok | fail | crash | list-handles MS
// list-handles asks for the system's handle list for MS milliseconds, as libgcrypt's entropy poll
// does once per process; Debian's Wine 8.0 server used to die of it while another process started.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int ListHandles(DWORD ms) {
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 2;
    constexpr ULONG kSystemHandleInformation = 16;
    std::vector<char> buffer(1 << 20);
    int times = 0;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < ms; ++times) {
        ULONG size = 0;
        query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &size);
        Sleep(1);
    }
    std::printf("listed the system's handles %d times\n", times);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "ok";
    std::printf("probe %s\n", mode);
    std::fflush(stdout);
    std::fprintf(stderr, "probe's own stderr line\n");
    if (!std::strcmp(mode, "fail")) return 1;
    if (!std::strcmp(mode, "crash")) {
        volatile std::uintptr_t address = 0;  // read at run time, so the write is a real fault
        *reinterpret_cast<volatile int*>(address) = 1;
    }
    if (!std::strcmp(mode, "list-handles")) return ListHandles(argc > 2 ? std::atoi(argv[2]) : 3000);
    return 0;
}
