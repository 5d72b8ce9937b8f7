// INI files on disk, read and written as GBK bytes whatever the system code page is (the system's
// profile functions would convert keys and values through the ANSI code page and lose Chinese
// names under a Western one). Window thread; each call reads or rewrites the whole file.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// Empty text when the file, the section or the key is missing.
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key);

// Sets one value, creating the file or section when needed. The file is replaced as a whole, so
// a failed write leaves the old file intact; false when it could not be written.
bool WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);

}  // namespace qm
