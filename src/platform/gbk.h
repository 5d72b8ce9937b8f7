// GBK text primitives. Every text of the program is a std::string of GBK bytes; these functions
// treat a double-byte character as one unit, so a search never matches on its second byte
// (trail bytes 0x40-0x7E look like ASCII, 0x5C is a backslash). Positions are 1-based byte
// positions; "not found" is -1. Portable, thread-safe, no state.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

using TextPos = long long;  // 1-based byte position, -1 when absent; signed so formulas can go below 1

inline bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
inline bool IsTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// Bytes taken by the character that starts at s[i]: 2 for a lead byte 0x81-0xFE followed by a
// valid trail byte (0x40-0xFE except 0x7F), else 1. Invalid or cut-off GBK counts byte by byte.
// Inline: scans call it for every character.
inline std::size_t GbkCharLength(std::string_view s, std::size_t i) {
    if (i + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[i])) &&
        IsTrailByte(static_cast<unsigned char>(s[i + 1])))
        return 2;
    return 1;
}

// True when 1-based position pos is the start of a character (scanning from the first byte).
bool IsCharStart(std::string_view s, TextPos pos);

// Position of the first occurrence of needle at a character start at or after position start
// (positions below 1 count as 1), or -1. An empty needle is never found. ignoreCase folds ASCII
// letters only. A memory search that decodes characters only around what it finds.
TextPos FindText(std::string_view text, std::string_view needle, TextPos start = 1, bool ignoreCase = false);

// Replaces every occurrence of from, scanning left to right, non-overlapping, never starting on a
// trail byte; inserted text is not rescanned. An empty from leaves the text unchanged.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to,
                       bool ignoreCase = false);

// Byte cuts with the program's rules: Mid is empty unless 1 <= start <= length and count > 0,
// else the bytes from start, at most count; Left/Right are empty for n <= 0, else the first/last
// min(n, length) bytes. They cut bytes: callers that must not split a character check IsCharStart.
std::string Mid(std::string_view s, TextPos start, TextPos count);
std::string MidToEnd(std::string_view s, TextPos start);
std::string Left(std::string_view s, TextPos n);
std::string Right(std::string_view s, TextPos n);

// Lower-cases ASCII letters that are characters of their own; bytes of double-byte characters are
// left untouched.
std::string AsciiLower(std::string_view s);

// Removes leading and trailing spaces, tabs, CR and LF.
std::string TrimBlanks(std::string_view s);

// The longest leading decimal number (optional sign, digits, optional fraction); 0 when the text
// does not start with one.
double LeadingNumber(std::string_view s);

// Splits at every separator (GBK-aware). A piece between two adjacent separators is an empty item,
// a separator at the very end adds no item, an empty text gives no items. An empty separator
// gives the whole text as one item.
std::vector<std::string> Split(std::string_view s, std::string_view separator);

}  // namespace qm
