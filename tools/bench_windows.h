// Helpers of the Windows benchmarks: a temporary program folder, a millisecond clock and the
// message pump a window thread runs between user actions (the generated site comes with them).
// Window thread.
#pragma once

#include <windows.h>

#include <filesystem>
#include <random>
#include <string>

#include "bench_sites.h"
#include "platform/program_folder.h"

namespace qm::bench {

// A fresh temporary folder that the program takes for its own folder; the caller removes it.
inline std::filesystem::path MakeProgramFolder() {
    std::random_device rd;
    const auto dir = std::filesystem::temp_directory_path() / ("qmbench-" + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    qm::SetProgramFolderForTesting(dir.string());
    return dir;
}

inline double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace qm::bench
