// INI files on disk: see ini_file.h. Built on the file layer, so names are GBK on both builds.
#include "platform/ini_file.h"

#include "platform/file_io.h"
#include "platform/ini_text.h"

namespace qm {

namespace {

constexpr std::uint64_t kMaxSettingsSize = 1 << 20;

std::optional<std::string> ReadWhole(const std::string& path) {
    fileio::File* f = fileio::OpenFile(path, fileio::OpenMode::ReadOnly);
    if (!f) return std::nullopt;
    fileio::FileStat st;
    std::optional<std::string> out;
    if (fileio::StatFile(f, &st) && st.size <= kMaxSettingsSize) {
        std::string bytes(static_cast<std::size_t>(st.size), '\0');
        std::size_t got = 0;
        if (bytes.empty() || fileio::ReadAt(f, 0, bytes.data(), bytes.size(), &got)) {
            bytes.resize(got);
            out = std::move(bytes);
        }
    }
    fileio::CloseFile(f);
    return out;
}

// Writes a sibling file and renames it over the old one, so a failed write changes nothing. No
// flush: settings are rewritten on every move of the window, and losing them costs only the
// window's place.
bool ReplaceWhole(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    fileio::File* f = fileio::OpenFile(temp, fileio::OpenMode::CreateAlways);
    if (!f) return false;
    const bool written = fileio::WriteAt(f, 0, bytes.data(), bytes.size());
    fileio::CloseFile(f);
    bool sharing = false;
    if (!written || !fileio::RenameReplace(temp, path, &sharing)) {
        fileio::RemoveFile(temp);
        return false;
    }
    return true;
}

}  // namespace

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key) {
    const auto text = ReadWhole(path);
    if (!text) return {};
    return IniValue(*text, section, key).value_or(std::string());
}

bool WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
    const auto text = ReadWhole(path);
    // An existing file that cannot be read is left alone rather than replaced by one value.
    if (!text && fileio::Exists(path)) return false;
    return ReplaceWhole(path, SetIniValue(text.value_or(std::string()), section, key, value));
}

}  // namespace qm
