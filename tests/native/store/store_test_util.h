// Helpers of the store tests: a private temporary folder, file bytes, and a snapshot of the
// current store as the program sees it (every field of every record, in order).
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/record_store.h"

namespace qm::testing {

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("qmstore-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // GBK name of a file in the folder, built the way the program builds names.
    std::string File(const std::string& name) const { return path_.string() + "\\" + name; }
    std::string Folder() const { return path_.string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

using Snapshot = std::vector<Fields>;

inline Snapshot Snap(RecordStore& rs, int fieldCount) {
    Snapshot s;
    const long long keep = rs.RecordNumber();
    for (long long i = 1; i <= rs.RecordCount(); ++i) {
        rs.GoTo(i);
        Fields f;
        for (int k = 1; k <= fieldCount; ++k) f.push_back(rs.Read(k));
        s.push_back(f);
    }
    rs.GoTo(keep);
    return s;
}

// Snapshot of the store at path through a fresh engine; `opened` tells whether it opened.
inline Snapshot SnapFile(const std::string& path, const std::string& password, int fieldCount, bool* opened) {
    RecordStore rs;
    *opened = rs.Open(path, "t", password);
    return *opened ? Snap(rs, fieldCount) : Snapshot{};
}

inline std::string ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace qm::testing
