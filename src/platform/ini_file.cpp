// INI files on disk: see ini_file.h. Built on the file layer, so names are GBK on both builds.
#include "platform/ini_file.h"

#include "platform/file_io.h"
#include "platform/ini_text.h"
#include "platform/whole_file.h"

namespace qm {

namespace {

constexpr std::uint64_t kMaxSettingsSize = 1 << 20;

std::optional<std::string> ReadWhole(const std::string& path) {
    return ReadWholeFile(path, kMaxSettingsSize);
}

// No flush: settings are rewritten on every move of the window, and losing them costs only the
// window's place.
bool ReplaceWhole(const std::string& path, const std::string& bytes) {
    return ReplaceWholeFile(path, bytes, false);
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
