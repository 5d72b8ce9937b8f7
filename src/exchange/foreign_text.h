// The bytes of another program's file as the program's GBK text: the encoding is told by a byte
// order mark (UTF-8, UTF-16 LE or BE), else by whether the bytes are valid UTF-8, else they are
// taken as GBK as they are. What GBK cannot hold becomes one "?" per character and is counted.
// Portable, no state; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

struct DecodedText {
    std::string text;          // GBK
    std::size_t replaced = 0;  // characters that became "?"
};

DecodedText DecodeForeignText(std::string_view bytes);

// True when the bytes are UTF-8 without overlong forms, surrogates or values beyond U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// One Unicode character as GBK text; "?" (counted into *replaced) when GBK cannot hold it.
std::string CodePointToGbk(std::uint32_t cp, std::size_t* replaced);

}  // namespace qm
