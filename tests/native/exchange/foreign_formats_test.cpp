// Other programs' formats without the stores: the CSV reader and writer, the decoding of files,
// the login CSV column mappings and the bookmark file, on the edge cases their users meet.
#include <gtest/gtest.h>

#include <random>

#include "exchange/bookmarks.h"
#include "exchange/csv.h"
#include "exchange/foreign_text.h"
#include "exchange/login_formats.h"
#include "platform/text.h"

namespace qm {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows ReadAll(std::string_view text, std::vector<std::size_t>* lines = nullptr) {
    CsvReader reader(text);
    Rows rows;
    std::vector<std::string> row;
    std::size_t line = 0;
    while (reader.Next(&row, &line)) {
        rows.push_back(row);
        if (lines) lines->push_back(line);
    }
    return rows;
}

TEST(Csv, ReadsQuotedFieldsLineEndsAndLineNumbers) {
    std::vector<std::size_t> lines;
    const Rows rows = ReadAll("a,\"b,\"\"c\"\"\",\r\n\"x\r\ny\",#z\n# not a comment,\"\"\rlast", &lines);
    EXPECT_EQ(rows, (Rows{{"a", "b,\"c\"", ""}, {"x\r\ny", "#z"}, {"# not a comment", ""}, {"last"}}));
    EXPECT_EQ(lines, (std::vector<std::size_t>{1, 2, 4, 5}));
    // Loose input: text after a closing quote stays, a quote inside a field is a quote, and a
    // quote left open takes the rest of the text instead of hanging or dropping it.
    EXPECT_EQ(ReadAll("\"ab\"cd,e\"f\n\"open,\nrest"), (Rows{{"abcd", "e\"f"}, {"open,\nrest"}}));
    EXPECT_EQ(ReadAll(""), Rows{});
    EXPECT_EQ(ReadAll("\n"), (Rows{{""}}));
}

TEST(Csv, WrittenRecordsReadBackUnchanged) {
    EXPECT_EQ(CsvRecord({"plain", "a,b", "say \"hi\"", "l1\r\nl2", "", "中文"}),
              "plain,\"a,b\",\"say \"\"hi\"\"\",\"l1\r\nl2\",,中文\r\n");
    EXPECT_EQ(CsvRecord({"a", ""}, true), "\"a\",\"\"\r\n");
    std::mt19937 gen(11);
    const std::string alphabet = "ab,\"\r\n #\xD6\xD0";  // GBK 中 included
    Rows rows;
    std::string file;
    for (int r = 0; r < 300; ++r) {
        std::vector<std::string> row(1 + gen() % 5);
        for (std::string& f : row)
            for (unsigned n = gen() % 8; n; --n) f += alphabet[gen() % alphabet.size()];
        if (row.size() == 1 && row[0].empty()) row[0] = "x";  // an empty line is no record
        file += CsvRecord(row, r % 2);
        rows.push_back(row);
    }
    EXPECT_EQ(ReadAll(file), rows);
}

TEST(ForeignText, EncodingIsToldByBomThenUtf8ThenGbk) {
    // U+1F600 is one character, one "?", though it takes two UTF-16 units; a "?" of the file is
    // not counted.
    DecodedText d = DecodeForeignText(
        "\xEF\xBB\xBF"
        "a?\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_EQ(d.text, "a?中?");
    EXPECT_EQ(d.replaced, 1u);
    d =
        DecodeForeignText(std::string("\xFF\xFE"
                                      "a\0\x2D\x4E\x3D\xD8\x00\xDE\x00\xD8",
                                      12));
    EXPECT_EQ(d.text, "a中??");  // the lone high surrogate at the end is one more
    EXPECT_EQ(d.replaced, 2u);
    d = DecodeForeignText(std::string("\xFE\xFF\x4E\x2D\x00\x62", 6));
    EXPECT_EQ(d.text, "中b");
    EXPECT_EQ(d.replaced, 0u);
    d = DecodeForeignText("\xE2\x82\xAC\xE4\xB8\xAD");  // UTF-8 without BOM; the euro sign is in 936
    EXPECT_EQ(d.text, "\x80中");
    d = DecodeForeignText("\xD6\xD0\xCE\xC4,\xB1");  // not UTF-8: GBK, kept byte for byte
    EXPECT_EQ(d.text, "\xD6\xD0\xCE\xC4,\xB1");
    EXPECT_EQ(d.replaced, 0u);
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));          // cut off
    std::size_t replaced = 0;
    const std::string utf8 = "x\xE4\xB8\xAD\xE6\x96\x87\xE2\x82\xAC";
    EXPECT_EQ(Utf8ToGbkCounted(utf8, &replaced), "x中文\x80");
    EXPECT_EQ(GbkToUtf8("x中文\x80"), utf8);
    EXPECT_EQ(replaced, 0u);
}

TEST(LoginCsv, ColumnsAreFoundByNameInAnyOrder) {
    const ForeignContent c = ReadLoginCsv(ForeignFormat::ChromeCsv,
                                          "Extra, PASSWORD ,Website,Account\r\n"
                                          "x,pw,https://a.example/p,me\r\n"
                                          "\r\n"  // a blank line is no row
                                          "x,pw2\r\n"
                                          "x,,,\r\n"
                                          "x,p3,http://b.example/,you,extra,fields\r\n"
                                          "short\r\n");
    EXPECT_EQ(c.sites, (std::vector<ForeignSite>{{"未分类", "a.example", "https://a.example/p", "me", "pw"},
                                                 {"未分类", "b.example", "http://b.example/", "you", "p3"}}));
    EXPECT_EQ(c.categories, std::vector<std::string>{"未分类"});
    EXPECT_EQ(c.unreadable, 2u);
    EXPECT_EQ(c.firstUnreadableLine, 4u);
    EXPECT_EQ(c.skipped, 1u);  // no address
    EXPECT_TRUE(
        ReadLoginCsv(ForeignFormat::ChromeCsv, "name,username,password\r\na,b,c\r\n").noAddressColumn);
    EXPECT_TRUE(ReadLoginCsv(ForeignFormat::ChromeCsv, "").noAddressColumn);
}

TEST(LoginCsv, FoldersBecomeCategories) {
    ForeignContent c =
        ReadLoginCsv(ForeignFormat::KeePassXcCsv,
                     "\"Group\",\"Title\",\"URL\"\n\"Root/Internet/邮箱\",\"m\",\"https://m.example\"\n"
                     "\"Root\",\"r\",\"https://r.example\"\n\"Passwords/x\",\"p\",\"p.example\"\n");
    EXPECT_EQ(c.categories, (std::vector<std::string>{"Internet/邮箱", "未分类", "x"}));
    c = ReadLoginCsv(
        ForeignFormat::BitwardenCsv,
        "folder,type,name,login_uri\n/A//B/,login,t,\"https://1.example/?a,b,https://2.example/\"\n"
        ",card,c,\n,,t2,https://3.example\n");
    ASSERT_EQ(c.sites.size(), 2u);
    EXPECT_EQ(c.sites[0].category, "A/B");
    EXPECT_EQ(c.sites[0].address, "https://1.example/?a,b");  // a comma of the address itself stays
    EXPECT_EQ(c.sites[1].category, "未分类");
    EXPECT_EQ(c.skipped, 1u);  // the card is no login
}

TEST(LoginCsv, EachWrittenFormatReadsBackTheSameSites) {
    const std::vector<ForeignSite> sites = {
        {"A/B", "标题,\"引号\"", "https://a.example/?x=1,2", "u\r\nv", "p\"w"},
        {"未分类", "t", "b.example", "", ""},
    };
    for (ForeignFormat f :
         {ForeignFormat::ChromeCsv, ForeignFormat::BitwardenCsv, ForeignFormat::KeePassXcCsv}) {
        const ForeignContent c = ReadLoginCsv(f, WriteLoginCsv(f, sites));
        std::vector<ForeignSite> expected = sites;
        if (f == ForeignFormat::ChromeCsv) expected[0].category = "未分类";  // no folder column
        EXPECT_EQ(c.sites, expected) << static_cast<int>(f);
        EXPECT_EQ(c.unreadable + c.skipped, 0u);
    }
    EXPECT_EQ(WriteLoginCsv(ForeignFormat::ChromeCsv, {}), "name,url,username,password,note\r\n");
    const std::string keePass = WriteLoginCsv(ForeignFormat::KeePassXcCsv, {{"未分类", "t", "u", "a", "p"}});
    EXPECT_EQ(keePass.substr(keePass.find('\n') + 1),
              "\"Root\",\"t\",\"a\",\"p\",\"u\",\"\",\"\",\"0\",\"\",\"\"\r\n");
}

TEST(Bookmarks, EntitiesAreDecodedWhereTheyCan) {
    std::size_t replaced = 0;
    EXPECT_EQ(
        DecodeEntities("a&amp;b &lt;&gt;&quot;&#65;&#x4E2D;&AMP; &amp &#66 &bogus; &", false, &replaced),
        "a&b <>\"A中&AMP; & B &bogus; &");
    EXPECT_EQ(DecodeEntities("?q=1&center=2&amp;x=3&#38;&#x26&lt", true, &replaced),
              "?q=1&center=2&x=3&&#x26&lt");
    EXPECT_EQ(replaced, 0u);
    EXPECT_EQ(DecodeEntities("&#x1F600;&#0;&#99999999999;", false, &replaced), "???");
    EXPECT_EQ(replaced, 3u);
}

TEST(Bookmarks, FoldersLinksAndSkippedEntries) {
    const ForeignContent c = ReadBookmarks(
        "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><p><DT><H3>A &amp; B</H3><DL><p>"
        "<DT><A ICON=\"data:x>y\" HREF=\"http://a.example/\" ADD_DATE=1>a</A>"
        "<DT><h3>Empty</h3><dl></dl><DT><H3>C</H3><DL><DT><A HREF=\"javascript:go()\">j</A>"
        "<DT><A HREF=\" PLACE:x\">p</A><DT><A>none</A><DT><A HREF=c.example></A></DL></DL>"
        "<!-- <DT><A HREF=\"http://commented.example/\">x</A> -->"
        "<DT><A HREF='http://top.example/'>top</A></DL>");
    EXPECT_EQ(c.categories, (std::vector<std::string>{"A & B", "A & B/Empty", "A & B/C", "未分类"}));
    EXPECT_EQ(c.sites, (std::vector<ForeignSite>{{"A & B", "a", "http://a.example/", "", ""},
                                                 {"A & B/C", "c.example", "c.example", "", ""},
                                                 {"未分类", "top", "http://top.example/", "", ""}}));
    EXPECT_EQ(c.skipped, 3u);
}

TEST(Bookmarks, WrittenFileReadsBackTheSameFoldersAndSites) {
    const std::vector<std::string> categories = {"未分类", "书签栏/新闻", "空", "书签栏", "a&b\"<>"};
    const std::vector<ForeignSite> sites = {
        {"书签栏/新闻", "新闻 & <更多>", "https://n.example/?a=1&center=2", "", ""},
        {"未分类", "顶层", "http://t.example/", "", ""},
        {"a&b\"<>", "x\"y", "http://q.example/\"", "", ""},
    };
    const ForeignContent c = ReadBookmarks(WriteBookmarks(categories, sites));
    EXPECT_EQ(c.categories, (std::vector<std::string>{"未分类", "书签栏", "书签栏/新闻", "空", "a&b\"<>"}));
    EXPECT_EQ(c.sites, (std::vector<ForeignSite>{sites[1], sites[0], sites[2]}));
    EXPECT_EQ(c.skipped + c.replaced, 0u);
}

TEST(Bookmarks, DeepNestingAndNoiseStayBounded) {
    std::string deep, closing;
    for (int k = 0; k < 10; ++k)
        deep += "<DT><H3>L" + std::to_string(k) + "</H3><DL><p>", closing += "</DL><p>";
    ForeignContent c = ReadBookmarks(deep + "<DT><A HREF=\"http://d.example/\">d</A>" + closing);
    ASSERT_EQ(c.sites.size(), 1u);
    EXPECT_EQ(c.sites[0].category, "L0/L1/L2/L3/L4/L5/L6/L7/L8/L9");
    EXPECT_EQ(c.categories.size(), 10u);
    // Far deeper than kept: the folders below the limit are flattened into the deepest kept one.
    deep.clear(), closing.clear();
    for (int k = 0; k < 5000; ++k) deep += "<DT><H3>x</H3><DL>", closing += "</DL>";
    c = ReadBookmarks(deep + "<DT><A HREF=\"http://d.example/\">d</A>" + closing +
                      "<DT><A HREF=\"http://e.example/\">e</A>");
    ASSERT_EQ(c.sites.size(), 2u);
    EXPECT_EQ(c.sites[0].category.size(), kMaxFolderDepth * 2 - 1);
    EXPECT_EQ(c.sites[1].category, "未分类");
    // Random bytes, unclosed tags and quotes: no crash, no sites.
    std::mt19937 gen(5);
    std::string noise(1 << 16, '\0');
    for (char& ch : noise) ch = "<>\"'=A /HREFDL3"[gen() % 15];
    ReadBookmarks(noise);
    EXPECT_TRUE(ReadBookmarks("<A HREF=\"http://x").sites.size() <= 1);
}

}  // namespace
}  // namespace qm
