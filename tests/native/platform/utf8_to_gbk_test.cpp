// Utf8ToGbk must give the same bytes in both builds (the native one rebuilds the system's
// conversion from iconv). The digests below were taken from the Windows build under Wine; both
// builds check them, so any difference in a mapping or in the handling of invalid UTF-8 fails.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace qm {
namespace {

std::string Hex(const std::string& s) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) out += {digits[c >> 4], digits[c & 15], ' '};
    return out;
}

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

std::uint64_t Fnv1a(const std::string& s) {
    std::uint64_t h = 14695981039346656037ULL;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ULL;
    return h;
}

TEST(Utf8ToGbk, ChineseText) {
    EXPECT_EQ(Utf8ToGbk("\xE7\xBD\x91\xE7\xAB\x99"), "网站");
    EXPECT_EQ(Utf8ToGbk("\xE8\xBD\xAF\xE4\xBB\xB6\xE6\x9C\x89\xE6\x96\xB0\xE7\x89\x88\xE6\x9C\xAC v1.4"),
              "软件有新版本 v1.4");
    EXPECT_EQ(Utf8ToGbk("<\xE7\x89\x88\xE6\x9C\xAC>v1.3</\xE7\x89\x88\xE6\x9C\xAC>"), "<版本>v1.3</版本>");
    EXPECT_EQ(Utf8ToGbk("\xEF\xBC\x8C"), "，");  // full-width comma
    EXPECT_EQ(Utf8ToGbk("plain ASCII\r\n"), "plain ASCII\r\n");
    EXPECT_EQ(Utf8ToGbk(""), "");
}

TEST(Utf8ToGbk, EuroAndCharactersGbkCannotHold) {
    EXPECT_EQ(Hex(Utf8ToGbk("\xE2\x82\xAC")), "80 ");                    // euro sign: one byte
    EXPECT_EQ(Utf8ToGbk("\xC3\x80"), "?");                               // À: no best-fit "A"
    EXPECT_EQ(Utf8ToGbk("\xE2\x84\xA2"), "?");                           // ™
    EXPECT_EQ(Utf8ToGbk("\xF0\x9F\x98\x80"), "??");                      // outside the BMP: a pair
    EXPECT_EQ(Utf8ToGbk("\xEF\xBB\xBFx"), "?x");                         // a byte order mark is kept
    EXPECT_EQ(Hex(Utf8ToGbk("\xEE\x80\x80\xEF\xA3\xB5")), "AA A1 FF ");  // private use: code page 936's
}

TEST(Utf8ToGbk, EndsAtTheFirstNul) {
    EXPECT_EQ(Utf8ToGbk(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(Utf8ToGbk(std::string("\0x", 2)), "");
    EXPECT_EQ(Utf8ToGbk("\xC0\x80x"), "??x");  // an overlong NUL is no NUL
}

TEST(Utf8ToGbk, InvalidSequencesBecomeQuestionMarks) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"\x80", "?"},  // lone continuation byte
        {"a\xFF"
         "b",
         "a?b"},              // byte never used in UTF-8
        {"\xE4\xBD", "?"},    // cut off at the end: one mark
        {"\xE4\xBDx", "?x"},  // cut off before an ASCII byte
        {"\xF0\x9F\x98", "?"},
        {"\xED\xA0\x80", "??"},             // encoded surrogate
        {"\xE0\x80\xAF", "??"},             // overlong
        {"\xF4\x90\x80\x80", "???"},        // beyond U+10FFFF
        {"\xF8\x88\x80\x80\x80", "?????"},  // five-byte form
        {"\xE7\xBD\x91\xBD\xE7\xAB\x99", "网?站"},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8ToGbk(c.in), c.out) << "input " << Hex(c.in);
}

TEST(Utf8ToGbk, WholeBasicPlaneMatchesTheWindowsConversion) {
    std::string utf8;
    for (std::uint32_t cp = 1; cp < 0x10000; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF) AppendUtf8(utf8, cp);
    const std::string gbk = Utf8ToGbk(utf8);
    EXPECT_EQ(gbk.size(), 87427u);
    EXPECT_EQ(Fnv1a(gbk), 17423448837617096852ULL);
}

TEST(Utf8ToGbk, GeneratedInvalidInputMatchesTheWindowsConversion) {
    // Bytes drawn from lead, continuation and ASCII ranges, so most sequences are broken in
    // some way: cut off, overlong, surrogates, out of range.
    const unsigned char pool[] = {0x41, 0x80, 0x8F, 0x90, 0xA0, 0xBF, 0xC0, 0xC2, 0xDF, 0xE0, 0xE4,
                                  0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF, 0x9F, 0xBD, 0x96, 0x00};
    std::uint64_t state = 7;
    std::string digestInput;
    for (int n = 0; n < 5000; ++n) {
        std::string in;
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const unsigned length = static_cast<unsigned>(state >> 60) + 1;
        for (unsigned k = 0; k < length; ++k) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            in += static_cast<char>(pool[(state >> 33) % sizeof pool]);
        }
        digestInput += Utf8ToGbk(in) + '|';
    }
    EXPECT_EQ(digestInput.size(), 31187u);
    EXPECT_EQ(Fnv1a(digestInput), 17566879706673835871ULL);
}

}  // namespace
}  // namespace qm
