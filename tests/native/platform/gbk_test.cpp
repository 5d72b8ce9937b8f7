// GBK primitives: double-byte characters whose trail bytes equal ASCII letters, "@", "|" and the
// backslash must never be matched, cut or case-folded as if they were ASCII.
#include "platform/gbk.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace qm {
namespace {

// "丄" is 81 41 (trail 'A'), "淺" 9C 5C (trail '\'), "誥" D5 61 (trail 'a'), "丂" 81 40 (trail '@'),
// "亅" 81 7C (trail '|').
static_assert(sizeof("丄") == 3 && sizeof("淺") == 3, "sources must be compiled to GBK");

TEST(GbkCharLength, LeadAndTrailRanges) {
    EXPECT_EQ(GbkCharLength("\x81\x40", 0), 2u);
    EXPECT_EQ(GbkCharLength("\xFE\xFE", 0), 2u);
    EXPECT_EQ(GbkCharLength("\x81\x7F", 0), 1u);  // 0x7F is no trail byte
    EXPECT_EQ(GbkCharLength("\x81\x3F", 0), 1u);
    EXPECT_EQ(GbkCharLength("\x80\x41", 0), 1u);  // 0x80 and 0xFF lead nothing
    EXPECT_EQ(GbkCharLength("\xFF\x41", 0), 1u);
    EXPECT_EQ(GbkCharLength("\x81", 0), 1u);  // cut-off character at the end
    EXPECT_EQ(GbkCharLength("A", 0), 1u);
}

TEST(IsCharStart, FollowsCharactersFromTheFirstByte) {
    const std::string s = "a淺b";  // 61 9C 5C 62
    EXPECT_TRUE(IsCharStart(s, 1));
    EXPECT_TRUE(IsCharStart(s, 2));
    EXPECT_FALSE(IsCharStart(s, 3));
    EXPECT_TRUE(IsCharStart(s, 4));
    EXPECT_FALSE(IsCharStart(s, 0));
    EXPECT_FALSE(IsCharStart(s, 5));
    // A run of lead-range bytes: pairing is decided from the start, not locally.
    const std::string run = "\xB0\xB0\xB0\xB0\xB0";
    EXPECT_TRUE(IsCharStart(run, 3));
    EXPECT_FALSE(IsCharStart(run, 4));
    EXPECT_TRUE(IsCharStart(run, 5));
}

TEST(FindText, MatchesOnlyAtCharacterStarts) {
    EXPECT_EQ(FindText("淺\\", "\\"), 3);  // the trail 5C of 淺 is skipped
    EXPECT_EQ(FindText("丄A", "A"), 3);
    EXPECT_EQ(FindText("丂@", "@"), 3);
    EXPECT_EQ(FindText("亅|x", "|"), 3);
    EXPECT_EQ(FindText("淺", "\\"), -1);
    EXPECT_EQ(FindText("网站网站", "站"), 3);
    EXPECT_EQ(FindText("网站网站", "站", 4), 7);
    // BE CD spans the trail of 站 and the lead of 网: not a character start.
    EXPECT_EQ(FindText("网站网", "\xBE\xCD"), -1);
}

TEST(FindText, AgreesWithDecodingFromTheFirstByte) {
    // Runs of lead bytes, where whether a byte starts a character depends on every byte before it.
    const std::string bytes = "\x81\x81\x81\xFE\x40\x5C\x7F\xFF\x80a@#";
    std::mt19937 gen(5);
    for (int i = 0; i < 20000; ++i) {
        std::string s(gen() % 24, ' '), needle(1 + gen() % 3, ' ');
        for (char& c : s) c = bytes[gen() % bytes.size()];
        for (char& c : needle) c = bytes[gen() % bytes.size()];
        std::vector<bool> starts(s.size() + 1);
        for (std::size_t k = 0; k < s.size(); k += GbkCharLength(s, k)) starts[k] = true;
        for (std::size_t k = 0; k <= s.size() + 1; ++k)
            ASSERT_EQ(IsCharStart(s, static_cast<TextPos>(k)), k >= 1 && k <= s.size() && starts[k - 1])
                << ::testing::PrintToString(s) << " " << k;
        const TextPos start = static_cast<TextPos>(gen() % (s.size() + 2));
        TextPos want = -1;
        for (std::size_t k = static_cast<std::size_t>(std::max<TextPos>(start, 1) - 1);
             want == -1 && k + needle.size() <= s.size(); ++k)
            if (starts[k] && s.compare(k, needle.size(), needle) == 0) want = static_cast<TextPos>(k + 1);
        ASSERT_EQ(FindText(s, needle, start), want)
            << ::testing::PrintToString(s) << " " << ::testing::PrintToString(needle) << " " << start;
    }
}

TEST(FindText, StartPositions) {
    EXPECT_EQ(FindText("abcabc", "abc", -5), 1);
    EXPECT_EQ(FindText("abcabc", "abc", 0), 1);
    EXPECT_EQ(FindText("abcabc", "abc", 2), 4);
    EXPECT_EQ(FindText("abcabc", "abc", 5), -1);
    EXPECT_EQ(FindText("abcabc", "abc", 100), -1);
    // A start inside a character: the next character start counts.
    EXPECT_EQ(FindText("淺\\\\", "\\", 2), 3);
    EXPECT_EQ(FindText("abc", ""), -1);
    EXPECT_EQ(FindText("", "a"), -1);
    EXPECT_EQ(FindText("ab", "abc"), -1);
}

TEST(FindText, IgnoringCaseFoldsAsciiOnly) {
    EXPECT_EQ(FindText("HTTP://X", "http", 1, true), 1);
    EXPECT_EQ(FindText("xHtTp", "HTTP", 1, true), 2);
    EXPECT_EQ(FindText("xHtTp", "HTTP", 1, false), -1);
    // 誥 is D5 61: its trail 'a' must not match "A", and 丄 (81 41) must not match "a".
    EXPECT_EQ(FindText("誥", "A", 1, true), -1);
    EXPECT_EQ(FindText("丄", "a", 1, true), -1);
    EXPECT_EQ(FindText("丄a", "A", 1, true), 3);
    // The needle's own double-byte characters are not folded either.
    EXPECT_EQ(FindText("丄", "丄", 1, true), 1);
    EXPECT_EQ(FindText("\x81\x61", "丄", 1, true), -1);
}

TEST(ReplaceAll, ScanRules) {
    EXPECT_EQ(ReplaceAll("aaaa", "aa", "b"), "bb");  // non-overlapping, left to right
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAll("abab", "ab", "abab"), "abababab");  // inserted text is not rescanned
    EXPECT_EQ(ReplaceAll("x", "x", ""), "");
    EXPECT_EQ(ReplaceAll("abc", "", "z"), "abc");
    EXPECT_EQ(ReplaceAll("", "a", "z"), "");
    EXPECT_EQ(ReplaceAll("[#网站地址#]/[#网站地址#]", "[#网站地址#]", "淺"), "淺/淺");
}

TEST(ReplaceAll, NeverStartsOnATrailByte) {
    EXPECT_EQ(ReplaceAll("淺\\", "\\", "/"), "淺/");
    EXPECT_EQ(ReplaceAll("丄A丄", "A", "b"), "丄b丄");
    EXPECT_EQ(ReplaceAll("亅|亅", "|", ","), "亅,亅");
    // A pattern spanning a trail byte and the next character is not found either.
    EXPECT_EQ(ReplaceAll("\x9C\x5C\x5C", "\x5C\x5C", "X"), "\x9C\x5C\x5C");
    EXPECT_EQ(ReplaceAll("ABC丄", "abc", "x", true), "x丄");
    EXPECT_EQ(ReplaceAll("誥A", "a", "-", true), "誥-");
}

TEST(Cuts, MidLeftRightFollowTheProgramRules) {
    const std::string s = "abcdef";
    EXPECT_EQ(Mid(s, 1, 3), "abc");
    EXPECT_EQ(Mid(s, 4, 100), "def");
    EXPECT_EQ(Mid(s, 6, 1), "f");
    EXPECT_EQ(Mid(s, 7, 1), "");
    EXPECT_EQ(Mid(s, 0, 3), "");
    EXPECT_EQ(Mid(s, -1, 3), "");
    EXPECT_EQ(Mid(s, 2, 0), "");
    EXPECT_EQ(Mid(s, 2, -4), "");
    EXPECT_EQ(MidToEnd(s, 3), "cdef");
    EXPECT_EQ(Left(s, 2), "ab");
    EXPECT_EQ(Left(s, 0), "");
    EXPECT_EQ(Left(s, -1), "");
    EXPECT_EQ(Left(s, 99), "abcdef");
    EXPECT_EQ(Right(s, 2), "ef");
    EXPECT_EQ(Right(s, 0), "");
    EXPECT_EQ(Right(s, 99), "abcdef");
    EXPECT_EQ(Mid("", 1, 1), "");
    // Byte cuts may split a character; odd cut points give the exact bytes.
    EXPECT_EQ(Mid("网站", 2, 2), "\xF8\xD5");
    EXPECT_EQ(Left("网站", 3), "\xCD\xF8\xD5");
    EXPECT_EQ(Right("网站", 1), "\xBE");
}

TEST(AsciiLower, LeavesDoubleByteCharactersAlone) {
    EXPECT_EQ(AsciiLower("WWW.Example.COM"), "www.example.com");
    EXPECT_EQ(AsciiLower("丄A"), "丄a");  // 81 41 stays, the lone A folds
    EXPECT_EQ(AsciiLower("\x81\x5A"), "\x81\x5A");
    EXPECT_EQ(AsciiLower("\x80Z"), "\x80z");  // 0x80 leads nothing
    EXPECT_EQ(AsciiLower("\x81"), "\x81");
    EXPECT_EQ(AsciiLower("A\x81"), "a\x81");
    EXPECT_EQ(AsciiLower(""), "");
}

TEST(TrimBlanks, BothEnds) {
    EXPECT_EQ(TrimBlanks("  a b \t\r\n"), "a b");
    EXPECT_EQ(TrimBlanks(" \t "), "");
    EXPECT_EQ(TrimBlanks("网站"), "网站");
}

TEST(LeadingNumber, LongestLeadingDecimal) {
    EXPECT_DOUBLE_EQ(LeadingNumber("123"), 123);
    EXPECT_DOUBLE_EQ(LeadingNumber("12abc"), 12);
    EXPECT_DOUBLE_EQ(LeadingNumber("3.25万"), 3.25);
    EXPECT_DOUBLE_EQ(LeadingNumber("-7"), -7);
    EXPECT_DOUBLE_EQ(LeadingNumber("+7"), 7);
    EXPECT_DOUBLE_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("5."), 5);
    EXPECT_DOUBLE_EQ(LeadingNumber("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(LeadingNumber("1,234"), 1);
    EXPECT_DOUBLE_EQ(LeadingNumber(""), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber("-"), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber("."), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber("abc"), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber("约100"), 0);
    EXPECT_DOUBLE_EQ(LeadingNumber("007"), 7);
}

TEST(Split, ItemsBetweenSeparators) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Split("a|b|c", "|"), (V{"a", "b", "c"}));
    EXPECT_EQ(Split("a||b", "|"), (V{"a", "", "b"}));
    EXPECT_EQ(Split("a|b|", "|"), (V{"a", "b"}));  // a final separator adds nothing
    EXPECT_EQ(Split("|a", "|"), (V{"", "a"}));
    EXPECT_EQ(Split("|", "|"), (V{""}));
    EXPECT_EQ(Split("", "|"), V{});
    EXPECT_EQ(Split("abc", ""), (V{"abc"}));
    EXPECT_EQ(Split("a\r\nb", "\r\n"), (V{"a", "b"}));
    EXPECT_EQ(Split("亅|亅", "|"), (V{"亅", "亅"}));  // 亅 ends in 7C but is one character
}

}  // namespace
}  // namespace qm
