// Helpers of the store tests: a private temporary folder, file bytes, and a snapshot of the
// current store as the program sees it (every field of every record, in order).
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "store/record_store.h"

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

// The bytes of a file with a GBK name (empty when it cannot be read), and a file written whole.
inline std::string FileBytes(const std::string& path) {
    fileio::File* f = fileio::OpenFile(path, fileio::OpenMode::ReadOnly);
    fileio::FileStat st;
    std::string bytes;
    std::size_t got = 0;
    if (f && fileio::StatFile(f, &st)) {
        bytes.resize(st.size);
        if (!fileio::ReadAt(f, 0, bytes.data(), bytes.size(), &got)) got = 0;
        bytes.resize(got);
    }
    fileio::CloseFile(f);
    return bytes;
}

inline bool PutFileBytes(const std::string& path, const std::string& bytes) {
    fileio::File* f = fileio::OpenFile(path, fileio::OpenMode::CreateAlways);
    const bool ok = f && fileio::WriteAt(f, 0, bytes.data(), bytes.size());
    fileio::CloseFile(f);
    return ok;
}

// Offsets of the entries of an intact store file, and its size last: an entry is a 4-byte
// little-endian length n followed by n + 28 bytes, after a 72-byte header.
inline std::vector<std::size_t> EntryBounds(const std::string& bytes) {
    std::vector<std::size_t> at;
    std::size_t pos = 72;
    while (pos + 4 <= bytes.size()) {
        at.push_back(pos);
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(bytes[pos + i]);
        pos += 32 + n;
    }
    at.push_back(bytes.size());
    return at;
}

}  // namespace qm::testing
