// Native side of the Utf8ToGbk seam (cp936_conversion.h). Decodes UTF-8 the way the Windows
// build's system decoder does (same U+FFFD count for every invalid sequence, measured under
// Wine), then maps each UTF-16 unit through a table of code page 936 built once from iconv's
// CP936. iconv leaves out the private-use mappings of the Windows code page and its single byte
// 0xFF; those are added here from the code page's own layout. Any thread (the table is built
// once, under the static-initialisation guard).
#include <iconv.h>

#include <array>
#include <cstdint>
#include <memory>

#include "platform/cp936_conversion.h"

namespace qm {

namespace {

constexpr std::uint32_t kInvalid = 0xFFFFFFFF;
constexpr std::uint16_t kUnmapped = 0;  // U+0000 itself is handled before the table

// Next double-byte code of code page 936 in code order (trail bytes skip 0x7F).
std::uint16_t NextCode(std::uint16_t code) {
    unsigned lead = code >> 8, trail = (code & 0xFF) + 1;
    if (trail == 0x7F) ++trail;
    if (trail > 0xFE) ++lead, trail = 0x40;
    return static_cast<std::uint16_t>(lead << 8 | trail);
}

// Private-use characters U+E766..U+E864 fill holes of the code page, in runs of consecutive codes.
struct PrivateRun {
    std::uint16_t first, code, count;
};
constexpr PrivateRun kPrivateRuns[] = {
    {0xE766, 0xA2AB, 6},  {0xE76C, 0xA2E3, 2},  {0xE76E, 0xA2EF, 2},  {0xE770, 0xA2FD, 2},
    {0xE772, 0xA4F4, 11}, {0xE77D, 0xA5F7, 8},  {0xE785, 0xA6B9, 8},  {0xE78D, 0xA6D9, 7},
    {0xE794, 0xA6EC, 2},  {0xE796, 0xA6F3, 1},  {0xE797, 0xA6F6, 9},  {0xE7A0, 0xA7C2, 15},
    {0xE7AF, 0xA7F2, 13}, {0xE7BC, 0xA896, 11}, {0xE7C7, 0xA8BC, 1},  {0xE7C8, 0xA8BF, 1},
    {0xE7C9, 0xA8C1, 4},  {0xE7CD, 0xA8EA, 21}, {0xE7E2, 0xA958, 1},  {0xE7E3, 0xA95B, 1},
    {0xE7E4, 0xA95D, 3},  {0xE7E7, 0xA989, 13}, {0xE7F4, 0xA997, 13}, {0xE801, 0xA9F0, 15},
    {0xE810, 0xD7FA, 5},  {0xE815, 0xFE50, 80},
};

using CodeTable = std::array<std::uint16_t, 0x10000>;  // UTF-16 unit -> code (< 0x100: one byte)

void AddPrivateUse(CodeTable& table) {
    // The three user-defined areas, in order: AAA1-AFFE, F8A1-FEFE (trails A1-FE), A140-A7A0.
    unsigned unit = 0xE000;
    for (unsigned lead = 0xAA; lead <= 0xAF; ++lead)
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail)
            table[unit++] = static_cast<std::uint16_t>(lead << 8 | trail);
    for (unsigned lead = 0xF8; lead <= 0xFE; ++lead)
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail)
            table[unit++] = static_cast<std::uint16_t>(lead << 8 | trail);
    for (unsigned lead = 0xA1; lead <= 0xA7; ++lead)
        for (unsigned trail = 0x40; trail <= 0xA0; ++trail)
            if (trail != 0x7F) table[unit++] = static_cast<std::uint16_t>(lead << 8 | trail);
    for (const PrivateRun& run : kPrivateRuns) {
        std::uint16_t code = run.code;
        for (unsigned k = 0; k < run.count; ++k, code = NextCode(code)) table[run.first + k] = code;
    }
    table[0xF8F5] = 0xFF;
}

std::unique_ptr<CodeTable> BuildTable() {
    auto table = std::make_unique<CodeTable>();
    table->fill(kUnmapped);
    iconv_t cd = iconv_open("CP936", "UTF-32LE");
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        for (std::uint32_t unit = 1; unit < 0x10000; ++unit) {
            if (unit >= 0xD800 && unit < 0xE000) continue;  // lone surrogates map to nothing
            char in[4] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8), 0, 0};
            char out[8];
            char* inPtr = in;
            char* outPtr = out;
            std::size_t inLeft = sizeof in, outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) continue;
            const std::size_t n = sizeof out - outLeft;
            const auto b0 = static_cast<unsigned char>(out[0]), b1 = static_cast<unsigned char>(out[1]);
            if (n == 1) (*table)[unit] = b0;
            if (n == 2) (*table)[unit] = static_cast<std::uint16_t>(b0 << 8 | b1);
        }
        iconv_close(cd);
    }
    AddPrivateUse(*table);
    return table;
}

const CodeTable& Cp936Table() {
    static const std::unique_ptr<CodeTable> table = BuildTable();
    return *table;
}

// Decodes the sequence whose lead byte (0x80 or above) was just consumed; i is past the lead and
// is moved past the bytes taken. An invalid sequence takes the lead and the continuation bytes
// that still fitted, as the system decoder does; a sequence cut off by the end takes the rest.
std::uint32_t DecodeAfterLead(unsigned char lead, std::string_view s, std::size_t& i) {
    const unsigned length = lead >= 0xF5 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
    static constexpr unsigned char kLeadMask[4] = {0x7F, 0x1F, 0x0F, 0x07};
    std::uint32_t value = lead & kLeadMask[length];
    const std::size_t end = i + length;
    if (end > s.size()) {
        i = s.size();
        return kInvalid;
    }
    auto continuation = [&](std::size_t at, std::uint32_t& bits) {
        bits = static_cast<unsigned char>(s[at]) ^ 0x80u;
        return bits < 0x40;
    };
    std::uint32_t bits = 0;
    switch (length) {
        case 3:
            if (!continuation(end - 3, bits)) return kInvalid;
            value = value << 6 | bits;
            ++i;
            if (value < 0x10) return kInvalid;  // overlong
            [[fallthrough]];
        case 2:
            if (!continuation(end - 2, bits)) return kInvalid;
            value = value << 6 | bits;
            if (value >= (0x110000 >> 6)) return kInvalid;  // beyond U+10FFFF
            ++i;
            if (value < 0x20) return kInvalid;                                      // overlong
            if (value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)) return kInvalid;  // surrogate
            [[fallthrough]];
        case 1:
            if (!continuation(end - 1, bits)) return kInvalid;
            value = value << 6 | bits;
            ++i;
            return value;
        default:
            return kInvalid;
    }
}

void AppendUnit(std::string& out, const CodeTable& table, std::uint32_t unit) {
    if (unit == 0) {
        out += '\0';
        return;
    }
    const std::uint16_t code = table[unit];
    if (code == kUnmapped) {
        out += '?';
    } else if (code < 0x100) {
        out += static_cast<char>(code);
    } else {
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    }
}

}  // namespace

std::string ConvertUtf8ToCp936(std::string_view utf8) {
    const CodeTable& table = Cp936Table();
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i++]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            continue;
        }
        const std::uint32_t cp = DecodeAfterLead(lead, utf8, i);
        if (cp == kInvalid) {
            AppendUnit(out, table, 0xFFFD);
        } else if (cp > 0xFFFF) {
            out += "??";  // each half of the surrogate pair is unmappable on its own
        } else {
            AppendUnit(out, table, cp);
        }
    }
    return out;
}

namespace {

// Code (lead << 8 | trail, or one byte) -> UTF-16 unit, the table above turned round; 0: none.
std::unique_ptr<std::array<std::uint16_t, 0x10000>> BuildReverse() {
    auto reverse = std::make_unique<std::array<std::uint16_t, 0x10000>>();
    reverse->fill(0);
    const CodeTable& table = Cp936Table();
    for (std::uint32_t unit = 1; unit < 0x10000; ++unit)
        if (table[unit] != kUnmapped && (*reverse)[table[unit]] == 0)
            (*reverse)[table[unit]] = static_cast<std::uint16_t>(unit);
    return reverse;
}

void AppendUtf8(std::string& out, std::uint32_t unit) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | unit >> 6);
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | unit >> 12);
        out += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

}  // namespace

std::string ConvertCp936ToUtf8(std::string_view cp936) {
    static const auto reverse = BuildReverse();
    std::string out;
    out.reserve(cp936.size() + cp936.size() / 2);
    for (std::size_t i = 0; i < cp936.size(); ++i) {
        const auto b = static_cast<unsigned char>(cp936[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            continue;
        }
        std::uint16_t unit = 0;
        if (b >= 0x81 && b <= 0xFE && i + 1 < cp936.size()) {
            const auto t = static_cast<unsigned char>(cp936[i + 1]);
            if (t >= 0x40 && t <= 0xFE && t != 0x7F) {
                unit = (*reverse)[static_cast<std::size_t>(b << 8 | t)];
                ++i;
            }
        } else {
            unit = (*reverse)[b];
        }
        AppendUtf8(out, unit ? unit : '?');
    }
    return out;
}

}  // namespace qm
