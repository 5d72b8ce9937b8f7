// INI text in memory: read and set one value of a section, the way the system's profile functions
// do (sections and keys matched without regard to ASCII case, blanks around keys and values
// ignored), but on GBK bytes, so settings never depend on the system code page. Portable, no
// state.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The value of key in section, or nullopt when either is missing. Matching double quotes around
// the value are removed.
std::optional<std::string> IniValue(std::string_view text, std::string_view section, std::string_view key);

// The text with key set to value: the key's line is rewritten in place, a missing key is added at
// the end of its section, a missing section is added at the end. Lines end with CR LF.
std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace qm
