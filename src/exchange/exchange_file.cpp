// Whole-file reads and replacements: see exchange_file.h.
#include "exchange/exchange_file.h"

#include "platform/file_io.h"

namespace qm {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    if (path.empty()) return std::nullopt;
    fileio::File* f = fileio::OpenFile(path, fileio::OpenMode::ReadOnly);
    fileio::FileStat st;
    if (!f || !fileio::StatFile(f, &st)) {
        fileio::CloseFile(f);
        return std::nullopt;
    }
    // The size read first, then whatever the file has grown by meanwhile.
    std::string content(static_cast<std::size_t>(st.size), '\0');
    std::size_t got = 0;
    bool ok = fileio::ReadAt(f, 0, content.data(), content.size(), &got);
    content.resize(got);
    char more[65536];
    while (ok) {
        ok = fileio::ReadAt(f, content.size(), more, sizeof more, &got);
        if (!ok || got == 0) break;
        content.append(more, got);
    }
    if (!ok) {
        fileio::CloseFile(f);
        return std::nullopt;
    }
    fileio::CloseFile(f);
    return content;
}

bool ReplaceWholeFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    std::string temporary;
    fileio::File* f = nullptr;
    for (int n = 1; n <= 100 && !f; ++n) {
        temporary = path + "." + std::to_string(n) + ".tmp";
        f = fileio::OpenFile(temporary, fileio::OpenMode::CreateNew);
    }
    if (!f) return false;
    const bool written = fileio::WriteAt(f, 0, bytes.data(), bytes.size()) && fileio::Sync(f);
    fileio::CloseFile(f);
    bool sharing = false;
    if (written && fileio::RenameReplace(temporary, path, &sharing)) return true;
    fileio::RemoveFile(temporary);
    return false;
}

}  // namespace qm
