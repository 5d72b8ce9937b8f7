// General text helpers: cut text between markers, keep digits, UTF-8 to GBK. Portable,
// thread-safe, no state. Texts are GBK bytes.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// Text between the first left marker and the first right marker after it; either marker may be
// empty (then: everything after left / everything before right). caseSensitive false folds ASCII
// letters. Matches only at character starts. An empty text gives the empty text.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        bool keepMarkers, bool caseSensitive);

// The ASCII digits of a text, in order; every other byte is dropped.
std::string DigitsOnly(std::string_view text);

// UTF-8 bytes to GBK text. Invalid UTF-8 and characters code page 936 cannot hold become "?"
// (no best-fit look-alikes); the text ends at the first NUL. Same bytes in both builds.
std::string Utf8ToGbk(std::string_view utf8);

// Utf8ToGbk for whole files of valid UTF-8: every byte is converted (NULs included), each
// character code page 936 cannot hold becomes one "?" (a character beyond U+FFFF too, though it
// takes two UTF-16 units) and is counted into *replaced.
std::string Utf8ToGbkCounted(std::string_view utf8, std::size_t* replaced);

// GBK text to UTF-8 (files written for other programs). A byte that starts no character of code
// page 936 becomes "?".
std::string GbkToUtf8(std::string_view gbk);

}  // namespace qm
