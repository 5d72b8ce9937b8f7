// Other programs' files through the import and export runs on stores: the hand-made corpus of each
// format (data/), duplicates and conflicts, round trips through every format, and files that must
// neither crash nor half-import.
#include "exchange/foreign_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "exchange/export_text.h"
#include "exchange/import_text.h"
#include "exchange_test_fixture.h"

namespace qm {
namespace {

using namespace testing;

// Combo indexes of the import and the export window.
enum { kInChrome = 2, kInFirefox, kInBitwarden, kInKeePassXc, kInBookmarks };
enum { kOutChrome = 2, kOutBitwarden, kOutKeePassXc, kOutBookmarks };

std::string Corpus(const std::string& name) {
    std::ifstream in(std::string(QM_EXCHANGE_DATA) + "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_FALSE(s.str().empty()) << name;
    return s.str();
}

Texts Login(const std::string& category, const std::string& address, const std::string& title,
            const std::string& account = "", const std::string& password = "") {
    return {category, address, title, account, password, "", "", "", "", ""};
}

std::string Summary(std::size_t added, std::size_t duplicates, std::size_t conflicts, std::size_t unreadable,
                    std::size_t line, std::size_t skipped, std::size_t replaced) {
    return ForeignImportSummary({added, duplicates, conflicts, unreadable, line, skipped, replaced});
}

class ForeignImport : public ExchangeTest {
  protected:
    void ImportCorpus(const std::string& name, int format) {
        const std::string path = File(name);
        Spit(path, Corpus(name));
        ImportFromFile(path, format, "", "");
    }
};

TEST_F(ForeignImport, CorpusOfEachFormatAsItsProgramWritesIt) {
    ImportCorpus("chrome.csv", kInChrome);
    EXPECT_EQ(Sites(),
              (Table{Login("未分类", "https://example.com/login", "example.com", "alice", "p,ss\"word"),
                     Login("未分类", "https://www.zhongwen.cn/", "中文网站", "张三", "密码123"),
                     Login("未分类", "https://emoji.example/", "emoji.example", "bob", "pw?x"),
                     Login("未分类", "https://hash.example/", "#hash.example", "carol", "pw")}));
    // Two emoji: the password's and the note's.
    EXPECT_EQ(Messages(), (Texts{Summary(4, 0, 0, 0, 0, 0, 2), "导入完成！"}));

    Empty();
    ImportCorpus("firefox.csv", kInFirefox);
    EXPECT_EQ(Sites(), (Table{Login("未分类", "https://www.example.org", "www.example.org", "dave", "s3cret"),
                              Login("未分类", "https://中文.example", "中文.example", "王五", "密,码")}));
    EXPECT_EQ(Messages(), (Texts{Summary(2, 0, 0, 0, 0, 0, 0), "导入完成！"}));

    Empty();
    ImportCorpus("bitwarden.csv", kInBitwarden);
    EXPECT_EQ(Categories(), (Texts{"社交/微博", "未分类"}));
    EXPECT_EQ(Sites(), (Table{Login("社交/微博", "https://weibo.com/", "微博", "user@example.com", "pw1"),
                              Login("未分类", "https://a.example/", "No folder", "erin", "pw2")}));
    EXPECT_EQ(Messages(), (Texts{Summary(2, 0, 0, 0, 0, 1, 0), "导入完成！"}));  // the secure note

    Empty();
    ImportCorpus("keepassxc.csv", kInKeePassXc);  // with a byte-order mark before the header
    EXPECT_EQ(Categories(), (Texts{"Internet", "未分类"}));
    EXPECT_EQ(Sites(), (Table{Login("Internet", "https://github.com", "GitHub", "frank", "gh\"pw"),
                              Login("未分类", "https://bank.example.cn/", "银行", "赵六", "yh")}));
    EXPECT_EQ(Messages(), (Texts{Summary(2, 0, 0, 0, 0, 0, 1), "导入完成！"}));

    Empty();
    ImportCorpus("bookmarks.html", kInBookmarks);
    EXPECT_EQ(Categories(), (Texts{"书签栏", "书签栏/新闻 <每日>", "未分类"}));
    EXPECT_EQ(
        Sites(),
        (Table{Login("书签栏", "https://www.example.com/", "Example & Co"),
               Login("书签栏/新闻 <每日>", "https://news.example.cn/search?q=1&center=2&x=3", "新闻网 ? 中"),
               Login("未分类", "https://top.example/", "顶层?")}));
    EXPECT_EQ(Messages(), (Texts{Summary(3, 0, 0, 0, 0, 3, 2), "导入完成！"}));
}

TEST_F(ForeignImport, StoredHostsAreDuplicatesAndAnotherPasswordIsAConflict) {
    AddCategories({"已有"});
    Store(
        {Login("已有", "http://a.example/", "a", "me", "old"), Login("已有", "b.example", "b", "me", "pw")});
    const std::string file =
        "name,url,username,password\n"
        "x,https://A.example/login,me,new\n"  // same account, another password: conflict
        "x,https://a.example/,you,other\n"    // another account: a duplicate host
        "x,http://b.example:81/,me,pw\n"      // the same login: duplicate
        "x,http://c.example/,me,1\n"          // new
        "x,http://c.example/x,me,2\n"         // met earlier in the file, another password
        "x,http://c.example/y,me,1\n"         // met earlier, the same login
        "short,row\n";
    ImportText(kInChrome, "", "", file);
    EXPECT_EQ(Sites(), (Table{Login("已有", "http://a.example/", "a", "me", "old"),
                              Login("已有", "b.example", "b", "me", "pw"),
                              Login("未分类", "http://c.example/", "x", "me", "1")}));
    EXPECT_EQ(Categories(), (Texts{"已有", "未分类"}));
    EXPECT_EQ(Messages(), Texts{Summary(1, 3, 2, 1, 8, 0, 0)});
}

TEST_F(ForeignImport, EachFormatRoundTripsTheSameSites) {
    AddCategories({"资讯", "工具/在线", "空"});
    const Table stored = {Login("资讯", "http://news.example/?a=1&b=2,3", "新闻,\"头条\"", "读者", "p\"w,1"),
                          Login("工具/在线", "https://tool.example/", "工具\r\n第二行", "", ""),
                          Login("资讯", "plain.example", "plain", "u", "")};
    Store(stored);
    for (int format : {kOutChrome, kOutBitwarden, kOutKeePassXc, kOutBookmarks}) {
        const std::string path = File("out" + std::to_string(format));
        ASSERT_TRUE(ExportToFile(path, format, "", "所有数据"));
        const std::string bytes = Slurp(path);
        EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");  // UTF-8 without a byte-order mark
        EXPECT_NE(bytes.find("\xE6\x96\xB0\xE9\x97\xBB"), std::string::npos);  // 新闻 in UTF-8
        Empty();
        const int in = format == kOutChrome      ? kInChrome
                       : format == kOutBitwarden ? kInBitwarden
                       : format == kOutKeePassXc ? kInKeePassXc
                                                 : kInBookmarks;
        ImportFromFile(path, in, "", "");
        Table expected = stored;
        for (Texts& site : expected) {
            if (format == kOutChrome) site[0] = "未分类";         // the format has no folder column
            if (format == kOutBookmarks) site[3] = site[4] = "";  // links carry no login
        }
        std::swap(expected[1], expected[2]);  // exported category by category
        EXPECT_EQ(Sites(), expected) << format;
        Texts categories = Categories();
        std::sort(categories.begin(), categories.end());
        EXPECT_EQ(categories, format == kOutChrome      ? Texts{"未分类"}
                              : format == kOutBookmarks ? (Texts{"工具", "工具/在线", "空", "资讯"})
                                                        : (Texts{"工具/在线", "资讯"}))
            << format;
        Messages();
        Empty();
        AddCategories({"资讯", "工具/在线", "空"});
        Store(stored);
    }
}

TEST_F(ForeignImport, BookmarkFileRoundTripsThroughTheCatalogue) {
    ImportCorpus("bookmarks.html", kInBookmarks);
    const Table sites = Sites();
    Texts categories = Categories();
    const std::string path = File("again.html");
    ASSERT_TRUE(ExportToFile(path, kOutBookmarks, "", "所有数据"));
    Empty();
    ImportFromFile(path, kInBookmarks, "", "");
    Table again = Sites();
    Texts againCategories = Categories();
    std::sort(categories.begin(), categories.end());
    std::sort(againCategories.begin(), againCategories.end());
    EXPECT_EQ(againCategories, categories);
    EXPECT_EQ(std::set<Texts>(again.begin(), again.end()), std::set<Texts>(sites.begin(), sites.end()));
    EXPECT_EQ(Messages().back(), "导入完成！");
}

TEST_F(ForeignImport, HostileFilesNeitherCrashNorHalfImport) {
    AddCategories({"c"});
    Store({Login("c", "http://old.example/", "old")});
    const Table before = Sites();
    const std::string noise = RandomBytes(1 << 20);
    ImportText(kInChrome, "", "", noise);
    EXPECT_EQ(Messages(), Texts{kNoAddressColumnMessage});
    ImportText(kInBookmarks, "", "", noise);
    EXPECT_EQ(Sites(), before);
    Messages();

    // Many rows, one of them short far down the file.
    std::string big = "url,username,password\r\n";
    for (int k = 0; k < 20000; ++k)
        big +=
            (k == 15000 ? std::string("short") : "https://h" + std::to_string(k) + ".example/,u,p") + "\r\n";
    ImportText(kInFirefox, "", "", big);
    EXPECT_EQ(Sites().size(), 20000u);
    EXPECT_EQ(Messages(), Texts{Summary(19999, 0, 0, 1, 15002, 0, 0)});

    // A store that cannot be written keeps nothing of the run.
    Empty();
    AddCategories({"c"});
    Store({Login("c", "http://old.example/", "old")});
    {
        FailWritesFrom fail(1);
        ImportText(kInBitwarden, "", "", "folder,name,login_uri\nnew,n,http://new.example/\n");
    }
    EXPECT_EQ(Categories(), Texts{"c"});
    EXPECT_EQ(Sites(), before);
}

}  // namespace
}  // namespace qm
