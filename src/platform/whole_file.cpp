// Whole-file reads and replacements: see whole_file.h.
#include "platform/whole_file.h"

#include "platform/file_io.h"

namespace qm {

std::optional<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxSize) {
    if (path.empty()) return std::nullopt;
    const fileio::UniqueFile f = fileio::Open(path, fileio::OpenMode::ReadOnly);
    fileio::FileStat st;
    if (!f || !fileio::StatFile(f.get(), &st) || st.size > maxSize) return std::nullopt;
    // The size read first, then whatever the file has grown by meanwhile.
    std::string content(static_cast<std::size_t>(st.size), '\0');
    std::size_t got = 0;
    bool ok = fileio::ReadAt(f.get(), 0, content.data(), content.size(), &got);
    content.resize(got);
    char more[65536];
    while (ok) {
        ok = fileio::ReadAt(f.get(), content.size(), more, sizeof more, &got);
        if (!ok || got == 0) break;
        if (content.size() + got > maxSize) return std::nullopt;
        content.append(more, got);
    }
    if (!ok) return std::nullopt;
    return content;
}

bool ReplaceWholeFile(const std::string& path, std::string_view bytes, bool flush) {
    if (path.empty()) return false;
    std::string temporary;
    fileio::UniqueFile f;
    for (int n = 1; n <= 100 && !f; ++n) {
        temporary = path + "." + std::to_string(n) + ".tmp";
        f = fileio::Open(temporary, fileio::OpenMode::CreateNew);
    }
    if (!f) return false;
    const bool written =
        fileio::WriteAt(f.get(), 0, bytes.data(), bytes.size()) && (!flush || fileio::Sync(f.get()));
    f.reset();  // under Wine a rename fails while any handle to the file is open
    if (written && fileio::RenameWithRetries(temporary, path)) return true;
    fileio::RemoveFile(temporary);
    return false;
}

}  // namespace qm
