// Helpers of the Windows benchmarks: a millisecond clock, the message pump a window thread runs
// between user actions, and the generated site every benchmark stores. Window thread.
#pragma once

#include <windows.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/program_folder.h"
#include "platform/record_store.h"

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

// Site number i of a category, with every field filled.
inline Fields Site(const std::string& category, int i) {
    const std::string n = std::to_string(i);
    return {category,
            "http://www.example-site-" + n + ".com/",
            "网站标题 " + n + " 的示例页面",
            "user" + n,
            "pw" + n,
            std::to_string(i % 10),
            std::to_string(i * 7 % 100000),
            std::to_string(i * 13 % 1000000),
            std::to_string(i % 5000),
            std::to_string(i * 3 % 20000)};
}

}  // namespace qm::bench
