// Utf8ToGbk: see platform/text.h. The build-specific conversion is behind cp936_conversion.h.
#include "platform/cp936_conversion.h"
#include "platform/text.h"

namespace qm {

std::string Utf8ToGbk(std::string_view utf8) {
    std::string text = ConvertUtf8ToCp936(utf8);
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

std::string Utf8ToGbkCounted(std::string_view utf8, std::size_t* replaced) {
    // Code page 936 holds nothing beyond U+FFFF: such a character (a four-byte sequence) is one
    // "?" here, where the conversion would give one per UTF-16 unit. Every other "?" the
    // conversion adds stands for one character it could not hold.
    std::string narrowed;
    narrowed.reserve(utf8.size());
    std::size_t wide = 0, marks = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xF0 && c <= 0xF4 && i + 3 < utf8.size()) {
            narrowed += '?';
            ++wide;
            i += 3;
            continue;
        }
        if (c == '?') ++marks;
        narrowed += static_cast<char>(c);
    }
    std::string text = ConvertUtf8ToCp936(narrowed);
    std::size_t out = 0;
    for (char c : text) out += c == '?';
    *replaced += wide + (out > marks + wide ? out - marks - wide : 0);
    return text;
}

std::string GbkToUtf8(std::string_view gbk) {
    return ConvertCp936ToUtf8(gbk);
}

}  // namespace qm
