// Decoding of other programs' files: see foreign_text.h.
#include "exchange/foreign_text.h"

#include <cstdint>

#include "platform/text.h"

namespace qm {

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 to UTF-8; a lone surrogate (or an odd last byte) becomes U+FFFD, which GBK cannot hold,
// so it is counted with the other replacements.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? a << 8 | b : b << 8 | a);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
        AppendUtf8(out, cp);
    }
    if (i < bytes.size()) AppendUtf8(out, 0xFFFD);
    return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                                   : c >= 0xE0 && c <= 0xEF ? 3
                                   : c >= 0xF0 && c <= 0xF4 ? 4
                                                            : 0;
        if (length == 0 || i + length > s.size()) return false;
        std::uint32_t cp = c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = cp << 6 | (t & 0x3F);
        }
        if ((length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) ||
            (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

DecodedText DecodeForeignText(std::string_view bytes) {
    DecodedText d;
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        d.text = Utf8ToGbkCounted(bytes.substr(3), &d.replaced);
    } else if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF")) {
        d.text = Utf8ToGbkCounted(Utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFE'), &d.replaced);
    } else if (IsValidUtf8(bytes)) {
        d.text = Utf8ToGbkCounted(bytes, &d.replaced);
    } else {
        d.text = std::string(bytes);
    }
    return d;
}

std::string CodePointToGbk(std::uint32_t cp, std::size_t* replaced) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
        ++*replaced;
        return "?";
    }
    std::string utf8;
    AppendUtf8(utf8, cp);
    return Utf8ToGbkCounted(utf8, replaced);
}

}  // namespace qm
