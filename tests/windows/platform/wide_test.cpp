// The Win32 boundary converts through code page 936 whatever the system code page is.
#include "platform/win32/wide.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(Wide, GbkToUtf16) {
    EXPECT_EQ(ToWide("网站"), L"\u7F51\u7AD9");
    EXPECT_EQ(ToWide("淺\\"), L"\u6DFA\\");
    EXPECT_EQ(ToWide(""), L"");
    EXPECT_EQ(ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(Wide, Utf16ToGbk) {
    EXPECT_EQ(FromWide(L"\u7F51\u7AD9"), "网站");
    EXPECT_EQ(FromWide(L"\u20AC"), "\x80");  // the euro sign is 0x80 in code page 936
    EXPECT_EQ(FromWide(L""), "");
    // No best-fit look-alikes: characters outside the code page become "?".
    EXPECT_EQ(FromWide(L"\u00C5"), "?");  // a best fit would give "A"
    EXPECT_EQ(FromWide(L"a\u0E01b"), "a?b");
}

TEST(Wide, RoundTripKeepsEveryDoubleByteCharacter) {
    // Every lead byte with a few trail bytes, including those that look like ASCII.
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail : {0x40, 0x41, 0x5C, 0x61, 0x7C, 0x7E, 0x80, 0xA1, 0xFE}) {
            std::string s{static_cast<char>(lead), static_cast<char>(trail)};
            std::wstring w = ToWide(s);
            if (w == L"\uFFFD" || w.empty() || w.size() != 1) continue;  // unassigned code point
            EXPECT_EQ(FromWide(w), s) << std::hex << lead << " " << trail;
        }
    }
}

}  // namespace
}  // namespace qm
