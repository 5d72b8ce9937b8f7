// Link seam of Utf8ToGbk: the conversion of UTF-8 bytes to code page 936 bytes, one definition
// per build (Win32 conversion functions in the Windows build, iconv natively). Both give the
// same bytes: invalid UTF-8 decodes to U+FFFD the way the Windows build's system decoder does it,
// and every UTF-16 unit that code page 936 cannot hold becomes "?". Any thread.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// Converts all bytes, embedded NULs included.
std::string ConvertUtf8ToCp936(std::string_view utf8);

// The way back: code page 936 bytes to UTF-8; what decodes to no character becomes "?".
std::string ConvertCp936ToUtf8(std::string_view cp936);

}  // namespace qm
