// Page titles of the site check: finding the element, the character set from its four sources,
// decoding to GBK and the bounds on hostile pages.
#include "web/page_title.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace qm {
namespace {

std::string Page(std::string_view head) {
    return "<html><head>" + std::string(head) + "</head><body>x</body></html>";
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string out;
    for (char16_t u : text) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

TEST(PageTitle, FoundInAnyCaseWithAttributesAndTidied) {
    EXPECT_EQ(PageTitle(Page("<title>Hello</title>"), ""), "Hello");
    EXPECT_EQ(PageTitle(Page("<TITLE lang=en>\r\n  Hello \t World\n</Title>"), ""), "Hello World");
    EXPECT_EQ(PageTitle(Page("<titlebar>no</titlebar><title>yes</title>"), ""), "yes");
    EXPECT_EQ(
        PageTitle(Page("<title>A &amp; B &lt;c&gt; &quot;d&quot; &#39;e&#x27; &nbsp;f&bogus;</title>"), ""),
        "A & B <c> \"d\" 'e' f&bogus;");
    EXPECT_EQ(PageTitle(Page("<title>&#32593;&#x7AD9;</title>"), ""), "网站");
    EXPECT_EQ(PageTitle(Page("<title>&#0;&#x110000;&#xD800;</title>"), ""), "???");
    EXPECT_EQ(PageTitle(Page("<title></title>"), ""), "");
    EXPECT_EQ(PageTitle(Page("<meta name=x>"), ""), "");
    EXPECT_EQ(PageTitle("", ""), "");
    EXPECT_EQ(PageTitle("<title", ""), "");
    EXPECT_EQ(PageTitle("<title>never closed", ""), "never closed");
}

TEST(PageTitle, CharsetFromBomHeaderMetaOrGuess) {
    const std::string utf8 = GbkToUtf8("中文标题");
    const std::string gbk = "中文标题";
    // Named in the header: it wins over the meta tag.
    EXPECT_EQ(PageTitle(Page("<meta charset=gbk><title>" + utf8 + "</title>"), "text/html; charset=UTF-8"),
              gbk);
    EXPECT_EQ(PageTitle(Page("<title>" + gbk + "</title>"), "text/html;charset=\"gb2312\""), gbk);
    // Named in a meta tag of either form.
    EXPECT_EQ(PageTitle(Page("<meta charset=\"utf-8\"><title>" + utf8 + "</title>"), "text/html"), gbk);
    EXPECT_EQ(PageTitle(Page("<meta http-equiv=Content-Type content=\"text/html; charset=GBK\"><title>" +
                             gbk + "</title>"),
                        ""),
              gbk);
    // A byte-order mark wins over everything.
    EXPECT_EQ(PageTitle("\xEF\xBB\xBF" + Page("<title>" + utf8 + "</title>"), "text/html; charset=gbk"), gbk);
    // Guessed: valid UTF-8, else GBK.
    EXPECT_EQ(PageTitle(Page("<title>" + utf8 + "</title>"), ""), gbk);
    EXPECT_EQ(PageTitle(Page("<title>" + gbk + "</title>"), ""), gbk);
    // Latin-1 and UTF-16 become GBK; what GBK lacks is one "?" each.
    EXPECT_EQ(PageTitle(Page("<title>caf\xE9 \xF1</title>"), "text/html; charset=iso-8859-1"), "café ?");
    EXPECT_EQ(PageTitle(Utf16(u"\uFEFF<title>OK</title>", false), ""), "OK");
    EXPECT_EQ(PageTitle(Utf16(u"<title>\u7F51\U0001F600</title>", true), "text/html; charset=utf-16be"),
              "网?");
    // Unknown sets keep ASCII only; emoji beyond GBK is one "?".
    EXPECT_EQ(PageTitle(Page("<title>Big5 \xA4\xA4\xA4\xE5</title>"), "text/html; charset=big5"),
              "Big5 ????");
    EXPECT_EQ(PageTitle(Page("<title>a\xF0\x9F\x98\x80z</title>"), "text/html; charset=utf-8"), "a?z");
}

TEST(PageTitle, BrokenBytesAndControlsNeverLeakIntoTheGbkText) {
    // A stray byte and a lone lead byte in a GBK page, a four-byte GB18030 character.
    EXPECT_EQ(PageTitle(Page("<title>a\x80"
                             "b\x81</title>"),
                        "text/html; charset=gbk"),
              "a?b?");
    EXPECT_EQ(PageTitle(Page("<title>x\x81\x30\x81\x30y</title>"), "text/html; charset=gb18030"), "x?y");
    EXPECT_EQ(PageTitle(Page("<title>a\x01\x1F\x7F"
                             "b</title>"),
                        ""),
              "a b");
    // Invalid UTF-8 in a page that says UTF-8.
    const std::string t = PageTitle(Page("<title>a\xC3(b</title>"), "text/html; charset=utf-8");
    EXPECT_EQ(t.front(), 'a');
    EXPECT_EQ(t.back(), 'b');
    for (std::size_t i = 0; i < t.size(); ++i) EXPECT_NE(static_cast<unsigned char>(t[i]), 0xC3);
}

TEST(PageTitle, HugeTitlesAndLateTitlesStayBounded) {
    const std::string big(10u << 20, 'x');
    const std::string title = PageTitle("<title>" + big + "</title>", "");
    EXPECT_EQ(title.size(), kMaxPageTitleBytes);
    // A huge title of double-byte characters is cut at a character's start.
    std::string wide;
    for (int i = 0; i < 5000; ++i) wide += "网";
    const std::string cut = PageTitle("<title>" + wide + "</title>", "text/html; charset=gbk");
    EXPECT_LE(cut.size(), kMaxPageTitleBytes);
    EXPECT_EQ(cut.size() % 2, 0u);
    EXPECT_EQ(cut.substr(0, 4), "网网");
    // A title beyond the first 256 KiB is not read.
    const std::string padding(kMaxCheckedBodyBytes, ' ');
    EXPECT_EQ(PageTitle(padding + "<title>late</title>", ""), "");
    EXPECT_EQ(PageTitle(std::string(kMaxCheckedBodyBytes - 20, ' ') + "<title>early</title>", ""), "early");
}

TEST(PageTitle, CharsetNamesAreReadLoosely) {
    bool named = false;
    EXPECT_EQ(CharsetNamedIn("text/html; CHARSET='Utf8'", &named), PageCharset::kUtf8);
    EXPECT_TRUE(named);
    EXPECT_EQ(CharsetNamedIn("text/html; charset=x-gbk", &named), PageCharset::kGbk);
    EXPECT_EQ(CharsetNamedIn("text/html; charset=windows-1252", &named), PageCharset::kLatin1);
    EXPECT_EQ(CharsetNamedIn("text/html; charset=koi8-r", &named), PageCharset::kOther);
    EXPECT_TRUE(named);
    EXPECT_EQ(CharsetNamedIn("text/html", &named), PageCharset::kOther);
    EXPECT_FALSE(named);
    EXPECT_EQ(CharsetNamedIn("charset=", &named), PageCharset::kOther);
    EXPECT_FALSE(named);
}

}  // namespace
}  // namespace qm
