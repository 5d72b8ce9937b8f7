// What the fuzz targets share: one private temporary folder per process and the file of an input.
// Each target is a libFuzzer entry point (LLVMFuzzerTestOneInput); replay_main.cpp runs the same
// entry points over a corpus without libFuzzer. Single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace qm::fuzz {

// The folder lives as long as the process; a fuzzing run's many inputs reuse it.
inline const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        std::random_device rd;
        auto p = std::filesystem::temp_directory_path() /
                 ("qmfuzz-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(p);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(Folder(), ec);
        });
        return p;
    }();
    return folder;
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A broken invariant: abort, so that libFuzzer keeps the input and the corpus replay fails.
#define QM_FUZZ_CHECK(cond)                                                        \
    do {                                                                           \
        if (!(cond)) {                                                             \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                          \
        }                                                                          \
    } while (0)

}  // namespace qm::fuzz
