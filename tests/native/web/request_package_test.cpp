// RequestPackage: values come back exactly as written (texts with GBK and NULs, binary bodies),
// the markers decide whether a package is a request or an answer, and a damaged package is
// refused instead of read past its end.
#include "web/request_package.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(RequestPackage, RequestRoundTrip) {
    WebRequest in;
    in.address = "http://网站.cn/s?wd=x";
    in.method = "POST";
    in.proxy = " 10.0.0.1:8080 ";
    in.userName = "用户";
    in.password = std::string("p\0w", 3);
    in.extraHeaders = "X-A: 1\r\n";
    in.body = std::string("\0\xFF\x01body", 7);
    RequestPackage package = PackRequest(in);
    const auto out = UnpackRequest(package);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(out->address, in.address);
    EXPECT_EQ(out->method, in.method);
    EXPECT_EQ(out->proxy, in.proxy);
    EXPECT_EQ(out->userName, in.userName);
    EXPECT_EQ(out->password, in.password);
    EXPECT_EQ(out->extraHeaders, in.extraHeaders);
    EXPECT_EQ(out->body, in.body);
}

TEST(RequestPackage, MarkersSeparateRequestAndAnswer) {
    RequestPackage package = PackRequest({});
    std::string headers, body;
    EXPECT_FALSE(UnpackAnswer(package, headers, body));
    PackAnswer(package, "HTTP/1.1 200 OK\r\n\r\n", std::string("a\0b", 3));
    EXPECT_FALSE(UnpackRequest(package).has_value());
    ASSERT_TRUE(UnpackAnswer(package, headers, body));
    EXPECT_EQ(headers, "HTTP/1.1 200 OK\r\n\r\n");
    EXPECT_EQ(body, std::string("a\0b", 3));

    RequestPackage wrong;
    WriteText(wrong, "Kestrel_NO");
    WriteText(wrong, "");
    WriteBytes(wrong, "x");
    EXPECT_FALSE(UnpackAnswer(wrong, headers, body));
    EXPECT_EQ(body, std::string("a\0b", 3));  // untouched
}

TEST(RequestPackage, TypesAndOrderAreChecked) {
    RequestPackage package;
    WriteText(package, "t");
    WriteBytes(package, "b");
    std::string out;
    EXPECT_FALSE(ReadBytes(package, out));  // a text is no byte sequence
    EXPECT_TRUE(ReadText(package, out));
    EXPECT_EQ(out, "t");
    EXPECT_FALSE(ReadText(package, out));
    EXPECT_TRUE(ReadBytes(package, out));
    EXPECT_EQ(out, "b");
    EXPECT_FALSE(ReadBytes(package, out));  // nothing left
    Rewind(package);
    EXPECT_TRUE(ReadText(package, out));
    Clear(package);
    EXPECT_FALSE(ReadText(package, out));
}

TEST(RequestPackage, CutOffPackageIsRefused) {
    RequestPackage full = PackRequest({"http://a/", "", "", "", "", "", "body"});
    for (std::size_t cut = 0; cut < full.stream.size(); ++cut) {
        RequestPackage damaged;
        damaged.stream = full.stream.substr(0, cut);
        EXPECT_FALSE(UnpackRequest(damaged).has_value()) << "cut at " << cut;
    }
    RequestPackage huge;
    WriteText(huge, "Kestrel");
    huge.stream += std::string("T\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 9);  // length far past the end
    EXPECT_FALSE(UnpackRequest(huge).has_value());
}

}  // namespace
}  // namespace qm
