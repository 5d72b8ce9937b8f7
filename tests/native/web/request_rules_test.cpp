// The text rules of a request: which methods are sent, header completion (names found anywhere
// and without case), POST lines, blank proxy and credentials, and the cookies of an answer.
#include "web/request_rules.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

constexpr char kAccept[] =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";

TEST(RequestRules, Methods) {
    EXPECT_EQ(ClassifyMethod(""), RequestMethod::Get);
    EXPECT_EQ(ClassifyMethod("get"), RequestMethod::Get);
    EXPECT_EQ(ClassifyMethod("GeT"), RequestMethod::Get);
    EXPECT_EQ(ClassifyMethod("POST"), RequestMethod::Post);
    EXPECT_EQ(ClassifyMethod("post"), RequestMethod::Post);
    EXPECT_EQ(ClassifyMethod("PUT"), RequestMethod::Refused);
    EXPECT_EQ(ClassifyMethod("HEAD"), RequestMethod::Refused);
    EXPECT_EQ(ClassifyMethod(" GET"), RequestMethod::Refused);
}

TEST(RequestRules, BlankSettings) {
    EXPECT_TRUE(IsBlankSetting(""));
    EXPECT_TRUE(IsBlankSetting("  "));
    EXPECT_TRUE(IsBlankSetting("　 　"));  // full-width spaces
    EXPECT_FALSE(IsBlankSetting(" a "));
    EXPECT_FALSE(IsBlankSetting("\t"));
    EXPECT_FALSE(IsBlankSetting("\xA1"));  // half of a full-width space is no space
    EXPECT_EQ(ProxySetting(" 10.0.0.1:8080"), "http= 10.0.0.1:8080");
}

TEST(RequestRules, DefaultHeadersAreAppendedInOrder) {
    EXPECT_EQ(CompleteRequestHeaders("", "http://a.com/x"),
              std::string(kAccept) + "Referer: http://a.com/x\r\nAccept-Language: zh-cn\r\n");
    EXPECT_EQ(CompleteRequestHeaders("X-A: 1\r\n", "a"),
              std::string("X-A: 1\r\n") + kAccept + "Referer: a\r\nAccept-Language: zh-cn\r\n");
}

TEST(RequestRules, CallerHeadersWinWhateverTheirCase) {
    EXPECT_EQ(CompleteRequestHeaders("accept: */*\r\nREFERER: r\r\nAccept-language: en\r\n", "http://a/"),
              "accept: */*\r\nREFERER: r\r\nAccept-language: en\r\n");
    // "Accept-Language: " holds no "Accept: ", so the accept line is still added.
    EXPECT_EQ(CompleteRequestHeaders("Accept-Language: en\r\n", "u"),
              std::string("Accept-Language: en\r\n") + kAccept + "Referer: u\r\n");
}

TEST(RequestRules, PostBodyLines) {
    EXPECT_EQ(AddPostBodyHeaders("H: 1\r\n", "a=1&b=2"),
              "H: 1\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n");
    EXPECT_EQ(AddPostBodyHeaders("content-type: text/plain\r\n", "xy"),
              "content-type: text/plain\r\nContent-Length: 2\r\n");
    EXPECT_EQ(AddPostBodyHeaders("H: 1\r\n", ""), "H: 1\r\n");
    EXPECT_EQ(AddPostBodyHeaders("", "网站"),
              "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 4\r\n");
}

TEST(RequestRules, CookiesOfAnAnswer) {
    const auto cookies = CookiesFromHeaders(
        "HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc=1; path=/\r\nset-cookie: lang=zh\r\n"
        "X-Set-Cookie: no\r\nSet-Cookie: flag\r\n\r\n");
    ASSERT_EQ(cookies.size(), 4u);
    EXPECT_EQ(cookies[0].name, "sid");
    EXPECT_EQ(cookies[0].value, "abc=1; path=/");
    EXPECT_EQ(cookies[1].name, "lang");
    EXPECT_EQ(cookies[1].value, "zh");
    // A line that holds the name further in still loses its first 12 bytes.
    EXPECT_EQ(cookies[2].name, ": no");
    EXPECT_EQ(cookies[2].value, "");
    EXPECT_EQ(cookies[3].name, "flag");
    EXPECT_TRUE(CookiesFromHeaders("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n").empty());
    EXPECT_TRUE(CookiesFromHeaders("").empty());
}

}  // namespace
}  // namespace qm
