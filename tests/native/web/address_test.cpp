// Address splitting and DigitsOnly: the cases the page fetchers and the duplicate check depend on,
// including addresses whose scheme is not the plain web scheme and hosts with GBK bytes.
#include "web/address.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace qm {
namespace {

TEST(ExtractHost, LowersAndDropsSchemePortAndPath) {
    EXPECT_EQ(ExtractHost("HTTP://WWW.Example.COM:8080/Path/X.html"), "www.example.com");
    EXPECT_EQ(ExtractHost("http://www.example.com"), "www.example.com");
    EXPECT_EQ(ExtractHost("hTtP://a.b/"), "a.b");
    EXPECT_EQ(ExtractHost("http://a.b?q=1/x"), "a.b?q=1");
}

TEST(ExtractHost, WithoutSchemePrefix) {
    EXPECT_EQ(ExtractHost("WWW.A.com:81/x/y"), "www.a.com");
    EXPECT_EQ(ExtractHost("www.a.com"), "www.a.com");
    EXPECT_EQ(ExtractHost("/only/a/path"), "");
    EXPECT_EQ(ExtractHost(""), "");
    EXPECT_EQ(ExtractHost("http:/"), "http");  // shorter than the prefix
}

TEST(ExtractHost, SecureSchemeIsSplitLikeThePlainOne) {
    EXPECT_EQ(ExtractHost("https://www.a.com/x"), "www.a.com");
    EXPECT_EQ(ExtractHost("HTTPS://WWW.B.com:8443/x"), "www.b.com");
    EXPECT_EQ(ExtractHost("https://"), "");
    EXPECT_EQ(ExtractHost("https:/x"), "https");  // no prefix: the text before the first "/"
}

TEST(ExtractHost, OtherSchemeGivesTheSchemeName) {
    EXPECT_EQ(ExtractHost("FTP://files.a.com"), "ftp");
    EXPECT_EQ(ExtractHost("httpx://a.com"), "httpx");
}

TEST(ExtractHost, PrefixAloneGivesEmptyHost) {
    EXPECT_EQ(ExtractHost("http://"), "");
    EXPECT_EQ(ExtractHost("http:///x"), "");
}

TEST(ExtractHost, GbkBytesAreKeptAndTrailBytesAreNoSlashOrColon) {
    // 淺 is 9C 5C, 丄 is 81 41: neither trail byte may be lowered or taken for a separator.
    EXPECT_EQ(ExtractHost("http://网站.CN/x"), "网站.cn");
    EXPECT_EQ(ExtractHost("http://淺丄.Com/x"), "淺丄.com");
    EXPECT_EQ(ExtractHost("淺丄.Com:90"), "淺丄.com");
}

TEST(ExtractPath, PathAndQueryAfterTheHost) {
    EXPECT_EQ(ExtractPath("http://www.a.com/s?wd=site%3Ax"), "/s?wd=site%3Ax");
    EXPECT_EQ(ExtractPath("http://www.a.com:81/x/y"), "/x/y");
    EXPECT_EQ(ExtractPath("www.a.com/x"), "/x");
    EXPECT_EQ(ExtractPath("/x/y"), "/x/y");
}

TEST(ExtractPath, WithoutPathIsSlash) {
    EXPECT_EQ(ExtractPath("http://www.a.com"), "/");
    EXPECT_EQ(ExtractPath("http://www.a.com:81"), "/");
    EXPECT_EQ(ExtractPath("www.a.com"), "/");
    EXPECT_EQ(ExtractPath(""), "/");
}

TEST(ExtractPath, HostThatAlsoOccursInTheSchemePrefix) {
    // Searching from the first byte would find "http" inside "http://" and give "//http/x".
    EXPECT_EQ(ExtractPath("http://http/x"), "/x");
    EXPECT_EQ(ExtractPath("HTTP://Http:81/a/b"), "/a/b");
    EXPECT_EQ(ExtractPath("http://p/q"), "/q");
    EXPECT_EQ(ExtractPath("http:///abc"), "/abc");
    EXPECT_EQ(ExtractPath("https://https/x"), "/x");
    EXPECT_EQ(ExtractPath("HTTPS://a.com:8443/s?q=1"), "/s?q=1");
    EXPECT_EQ(ExtractPath("https://a.com"), "/");
}

TEST(ExtractPath, GbkPathBytesUntouched) {
    EXPECT_EQ(ExtractPath("http://a.com/s?wd=网站"), "/s?wd=网站");
    EXPECT_EQ(ExtractPath("http://淺.com/x"), "/x");
}

TEST(ExtractPort, DefaultNumberAndNoNumber) {
    EXPECT_EQ(ExtractPort("http://www.a.com/x"), 80);
    EXPECT_EQ(ExtractPort("http://www.a.com:8080/x"), 8080);
    EXPECT_EQ(ExtractPort("www.a.com:81"), 81);
    EXPECT_EQ(ExtractPort("www.a.com:"), 0);
    EXPECT_EQ(ExtractPort("http://www.a.com:abc/x"), 0);
    EXPECT_EQ(ExtractPort("http://www.a.com:12ab/x"), 12);
    EXPECT_EQ(ExtractPort("https://www.a.com/"), 443);
    EXPECT_EQ(ExtractPort("HTTPS://www.a.com:8443/"), 8443);
    EXPECT_EQ(ExtractPort("ftp://www.a.com/"), 0);  // the host part is "ftp:"
    EXPECT_EQ(ExtractPort("http://a:1:2/"), 1);
    EXPECT_EQ(ExtractPort("/x:81"), 80);  // the ":" lies in the path, not the host
}

TEST(UsesSecureConnection, SecureSchemeOrPort443) {
    EXPECT_TRUE(UsesSecureConnection("https://a.com/x"));
    EXPECT_TRUE(UsesSecureConnection("HTTPS://a.com:8443/x"));
    EXPECT_TRUE(UsesSecureConnection("http://a.com:443/x"));
    EXPECT_TRUE(UsesSecureConnection("a.com:443"));
    EXPECT_FALSE(UsesSecureConnection("http://a.com/x"));
    EXPECT_FALSE(UsesSecureConnection("http://https.com/x"));
    EXPECT_FALSE(UsesSecureConnection("a.com:4430"));
}

TEST(DigitsOnly, KeepsAsciiDigitsOnly) {
    EXPECT_EQ(DigitsOnly("约1,234,567个"), "1234567");
    EXPECT_EQ(DigitsOnly("9 和 0"), "90");
    EXPECT_EQ(DigitsOnly("１２３"), "");  // full-width digits are GBK characters
    EXPECT_EQ(DigitsOnly(""), "");
    EXPECT_EQ(DigitsOnly("abc"), "");
    EXPECT_EQ(DigitsOnly("0"), "0");
}

}  // namespace
}  // namespace qm
