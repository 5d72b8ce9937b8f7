// INI text: lookups that ignore ASCII case and blanks, values set in place, GBK names whose
// second bytes look like brackets or backslashes.
#include "platform/ini_text.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(IniText, ReadsValuesOfTheRightSection) {
    const std::string text = "[a]\r\nk=1\r\n[窗口尺寸信息]\r\n 窗口左边 = 20 \r\nK2=\"quoted\"\r\n[b]\nk=2\n";
    EXPECT_EQ(IniValue(text, "窗口尺寸信息", "窗口左边"), "20");
    EXPECT_EQ(IniValue(text, "A", "K"), "1");
    EXPECT_EQ(IniValue(text, "b", "k"), "2");
    EXPECT_EQ(IniValue(text, "窗口尺寸信息", "k2"), "quoted");
    EXPECT_EQ(IniValue("[a]\r\nk=\"\"\r\n", "a", "k"), "");  // written as "" it reads back empty
    EXPECT_EQ(IniValue("[a]\r\nk=\"\r\n", "a", "k"), "\"");  // one quote is no pair
    EXPECT_EQ(IniValue("[a]\r\nk=\"x\r\n", "a", "k"), "\"x");
    EXPECT_EQ(IniValue(text, "窗口尺寸信息", "k"), std::nullopt);
    EXPECT_EQ(IniValue(text, "c", "k"), std::nullopt);
    EXPECT_EQ(IniValue("", "a", "k"), std::nullopt);
}

TEST(IniText, SetsInPlaceAtSectionEndOrInANewSection) {
    std::string t = SetIniValue("", "窗口尺寸信息", "窗口左边", "0");
    EXPECT_EQ(t, "[窗口尺寸信息]\r\n窗口左边=0\r\n");
    t = SetIniValue(t, "窗口尺寸信息", "窗口顶边", "5");
    t = SetIniValue(t, "备份还原信息", "备份还原地址", "C:\\x");
    t = SetIniValue(t, "窗口尺寸信息", "窗口左边", "-20");
    EXPECT_EQ(t, "[窗口尺寸信息]\r\n窗口左边=-20\r\n窗口顶边=5\r\n[备份还原信息]\r\n备份还原地址=C:\\x\r\n");
    // A new key goes after the section's last value, before the blank lines that end it.
    EXPECT_EQ(SetIniValue("[a]\r\nk=1\r\n\r\n[b]\r\nk=2\r\n", "a", "n", "3"),
              "[a]\r\nk=1\r\nn=3\r\n\r\n[b]\r\nk=2\r\n");
}

TEST(IniText, TrailBytesThatLookLikeBracketsAreNotBrackets) {
    // 0xDD5D ends in ']' and 0x975B in '[' as bytes; 0x955C ends in a backslash.
    const std::string odd = "\xDD\x5D\x97\x5B\x95\x5C";
    std::string t = SetIniValue("", odd, odd, "v" + odd);
    t = SetIniValue(t, "x", "y", "1");
    EXPECT_EQ(IniValue(t, odd, odd), "v" + odd);
    EXPECT_EQ(IniValue(t, "x", "y"), "1");
    EXPECT_EQ(IniValue(t, "\xDD", odd), std::nullopt);
}

}  // namespace
}  // namespace qm
