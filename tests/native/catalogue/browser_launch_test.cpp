// The browser's path in its registry command, and which addresses it may be given.
#include "core/browser_launch.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(BrowserPathOfCommand, TextBetweenTheFirstTwoQuotes) {
    EXPECT_EQ(BrowserPathOfCommand("\"C:\\Program Files\\B\\b.exe\" -url \"%1\""),
              "C:\\Program Files\\B\\b.exe");
    EXPECT_EQ(BrowserPathOfCommand("C:\\b.exe \"%1\""), "%1");
    EXPECT_EQ(BrowserPathOfCommand("\"\""), "");
    EXPECT_EQ(BrowserPathOfCommand("\"C:\\b.exe"), "");
    EXPECT_EQ(BrowserPathOfCommand("C:\\b.exe %1"), "");
    EXPECT_EQ(BrowserPathOfCommand(""), "");
}

TEST(IsLaunchableAddress, OptionsAndLocalPathsAreRefused) {
    for (const char* ok : {"", "http://a.com", "www.a.com", "网站.cn", "淺\\-x", "a", "ab:c", " http://a"})
        EXPECT_TRUE(IsLaunchableAddress(ok)) << ok;
    for (const char* bad :
         {"-x", " -x", "/x", "\\x", "\\\\h\\s", "file:x", "FiLe:/x", "c:", "Z:\\x", "a\nb", "\x7f"})
        EXPECT_FALSE(IsLaunchableAddress(bad)) << bad;
    EXPECT_FALSE(IsLaunchableAddress(std::string_view("a\0b", 3)));
}

}  // namespace
}  // namespace qm
