// The five metric routines: their requests (host unencoded but for the bytes that would break the
// request), the figures cut from the canned pages of each service (today's layout, separators, a
// changed layout, an empty answer), and the steps of each routine against a fake outside world:
// what it fetches, what it writes, and where a cancel stops it (the Yahoo "0" excepted).
#include "web/site_metrics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "tests/support/canned_pages.h"
#include "platform/text.h"

namespace qm {
namespace {

namespace pages = test::pages;
using Strings = std::vector<std::string>;

TEST(MetricRequests, PathsAndQueriesCarryTheHostAsItIs) {
    const std::string host = "www.例子.cn";  // GBK bytes, sent raw
    EXPECT_EQ(MetricPathAndQuery(Metric::BaiduIndex, host), "/s?wd=site%3Awww.例子.cn");
    EXPECT_EQ(MetricPathAndQuery(Metric::PrValue, host), "/?url=www.例子.cn");
    EXPECT_EQ(MetricPathAndQuery(Metric::BaiduBacklinks, host), "/s?wd=domain%3Awww.例子.cn");
    EXPECT_EQ(MetricPathAndQuery(Metric::GoogleIndex, host), "/search?hl=zh-CN&q=site%3Awww.例子.cn");
    EXPECT_EQ(MetricPathAndQuery(Metric::YahooBacklinks, host), "/search?bwm=i&bwmf=d&bwmo=s&p=www.例子.cn");

    OverrideServiceHostsForTests("127.0.0.1:81");
    EXPECT_EQ(MetricAddress(Metric::GoogleIndex, "a.com"),
              "http://127.0.0.1:81/search?hl=zh-CN&q=site%3Aa.com");
    OverrideServiceHostsForTests("");
    EXPECT_EQ(MetricAddress(Metric::BaiduIndex, "a.com"), "http://www.baidu.com/s?wd=site%3Aa.com");
}

TEST(MetricRequests, OnlyBytesThatBreakTheRequestAreEncoded) {
    EXPECT_EQ(QueryHost("a b#c\r\nd\te\x7f"), "a%20b%23c%0D%0Ad%09e%7F");
    // Query syntax of the host's own stays as typed, and so do GBK bytes (their trail bytes look
    // like ASCII but are never a space, a control byte or "#").
    EXPECT_EQ(QueryHost("a%20b&c=d?e/网站"), "a%20b&c=d?e/网站");
    EXPECT_EQ(QueryHost("淺亅"), "淺亅");
}

TEST(MetricParsers, BaiduCountsOfEachLayout) {
    EXPECT_EQ(BaiduCountOfPage(pages::BaiduToday()), "856");
    EXPECT_EQ(BaiduCountOfPage(pages::BaiduWithSeparators()), "1234567");
    EXPECT_EQ(BaiduCountOfPage(pages::BaiduChangedLayout()), "");
    EXPECT_EQ(BaiduCountOfPage(""), "");
    // The count is what stands between the first two full-width commas of the section, whatever
    // else is there; the section ends at the first "</div>" after the link.
    EXPECT_EQ(BaiduCountOfPage(pages::Baidu("约 2 万")), "2");
    const std::string link = "<span><a href=\"#\" onClick=\"h(this)\">把百度设为主页</a></span>";
    EXPECT_EQ(BaiduCountOfPage(link + "x</div>，12，"), "");
    EXPECT_EQ(
        BaiduCountOfPage("<SPAN><A HREF=\"#\" ONCLICK=\"H(THIS)\">把百度设为主页</A></SPAN>，3，</div>"),
        "3");
}

TEST(MetricParsers, PrFrameAndItsValue) {
    EXPECT_EQ(PrFrameSource(pages::PrLookup("http://127.0.0.1:8/f?u=a.com")), "http://127.0.0.1:8/f?u=a.com");
    EXPECT_EQ(PrFrameSource(pages::PrLookupChangedLayout()), "");
    EXPECT_EQ(PrFrameSource("<IFRAME src=\"http://x/\"></IFRAME>"), "")
        << "the frame tags are matched by case";
    EXPECT_EQ(PrFrameSource("<iframe SRC=\"http://x/\"></iframe>"), "http://x/");

    EXPECT_EQ(PrFrameFetchAddress("http://127.0.0.1:8/f?u=a.com"), "http://127.0.0.1:8/f?u=a.com");
    EXPECT_EQ(PrFrameFetchAddress("HTTPS://x.cn/p r"), "HTTPS://x.cn/p%20r");
    for (const char* notFetched : {"", "/pr/f?u=a", "pr.html", "//x.cn/f", "http://", "ftp://x/f",
                                   "javascript:x", "http://x.cn/f\r\nHost: y"})
        EXPECT_EQ(PrFrameFetchAddress(notFetched), "") << notFetched;

    EXPECT_EQ(PrValueOfFramePage(pages::PrFrame("7")), "7");
    EXPECT_EQ(PrValueOfFramePage("PR:10"), "10");
    EXPECT_EQ(PrValueOfFramePage(""), "0");
    EXPECT_EQ(PrValueOfFramePage("PageRank:"), "0");
    EXPECT_EQ(PrValueOfFramePage("PageRank: n/a"), "");
    EXPECT_EQ(PrValueOfFramePage("value 4, rank 5"), "45") << "no colon: the whole page";
}

TEST(MetricParsers, GoogleCountsOfEachLayout) {
    EXPECT_EQ(GoogleCountOfPage(Utf8ToGbk(pages::GoogleToday())), "734");
    EXPECT_EQ(GoogleCountOfPage(Utf8ToGbk(pages::GoogleWithSeparators())), "12300");
    EXPECT_EQ(GoogleCountOfPage(Utf8ToGbk(pages::GoogleChangedLayout())), "0");
    EXPECT_EQ(GoogleCountOfPage(""), "");
    // 100 bytes are still a section; 101 are not.
    EXPECT_EQ(GoogleCountOfPage(Utf8ToGbk(pages::Google(std::string(98, 'x') + "12"))), "12");
    EXPECT_EQ(GoogleCountOfPage(Utf8ToGbk(pages::Google(std::string(99, 'x') + "12"))), "0");
}

TEST(MetricParsers, YahooCountsOfEachLayout) {
    const std::string today = Utf8ToGbk(pages::YahooToday());
    EXPECT_TRUE(YahooPageHasCountMarker(today));
    EXPECT_EQ(YahooCountOfPage(today), "98");
    EXPECT_EQ(YahooCountOfPage(Utf8ToGbk(pages::YahooWithSeparators())), "4321");
    EXPECT_FALSE(YahooPageHasCountMarker(Utf8ToGbk(pages::YahooChangedLayout())));
    EXPECT_FALSE(YahooPageHasCountMarker(""));
    EXPECT_TRUE(YahooPageHasCountMarker("链向该地址的网页： 共 <STRONG>5</STRONG>"))
        << "searched without case";
    EXPECT_EQ(YahooCountOfPage("链向该地址的网页： 共 <STRONG>5</STRONG>"), "") << "cut with case";
}

// The outside world of a routine: pages by address, a cancel that can be set by a fetch, and
// every fetch and write in order.
struct FakeWorld {
    std::map<std::string, std::string> pages;
    bool cancelled = false;
    int cancelAtFetch = 0;  // the n-th fetch sets the cancel before it answers (0: never)
    Strings log;

    MetricIo Io() {
        MetricIo io;
        io.fetchPage = [this](const std::string& address) {
            log.push_back("fetch " + address);
            if (static_cast<int>(std::count_if(log.begin(), log.end(), [](const std::string& l) {
                    return l.rfind("fetch ", 0) == 0;
                })) == cancelAtFetch)
                cancelled = true;
            const auto it = pages.find(address);
            return it == pages.end() ? std::string() : it->second;
        };
        io.cancelled = [this] { return cancelled; };
        io.writeIfEmpty = [this](const std::string& v) { log.push_back("write-if-empty " + v); };
        io.put = [this](const std::string& v) { log.push_back("put " + v); };
        return io;
    }
    Strings Run(Metric metric, const std::string& address) {
        log.clear();
        RunMetricRoutine(metric, address, Io());
        return log;
    }
};

TEST(MetricRoutines, EachFetchesItsPageAndWritesItsFigureIfTheBoxIsEmpty) {
    FakeWorld w;
    w.pages = {{"b", pages::BaiduWithSeparators()},
               {"p", pages::PrLookup("http://f.cn/v")},
               {"http://f.cn/v", pages::PrFrame("7")},
               {"g", pages::GoogleWithSeparators()},
               {"y", pages::YahooWithSeparators()}};
    EXPECT_EQ(w.Run(Metric::BaiduIndex, "b"), (Strings{"fetch b", "write-if-empty 1234567"}));
    EXPECT_EQ(w.Run(Metric::BaiduBacklinks, "b"), (Strings{"fetch b", "write-if-empty 1234567"}));
    EXPECT_EQ(w.Run(Metric::PrValue, "p"), (Strings{"fetch p", "fetch http://f.cn/v", "write-if-empty 7"}));
    EXPECT_EQ(w.Run(Metric::GoogleIndex, "g"), (Strings{"fetch g", "write-if-empty 12300"}));
    EXPECT_EQ(w.Run(Metric::YahooBacklinks, "y"), (Strings{"fetch y", "write-if-empty 4321"}));
}

TEST(MetricRoutines, FailedFetchesGiveTheStatedFigures) {
    FakeWorld w;  // every page is empty bytes
    EXPECT_EQ(w.Run(Metric::BaiduIndex, "b"), (Strings{"fetch b", "write-if-empty "}));
    EXPECT_EQ(w.Run(Metric::PrValue, "p"), (Strings{"fetch p", "write-if-empty 0"}))
        << "nothing to fetch next";
    EXPECT_EQ(w.Run(Metric::GoogleIndex, "g"), (Strings{"fetch g", "write-if-empty "}));
    EXPECT_EQ(w.Run(Metric::YahooBacklinks, "y"), (Strings{"fetch y", "put 0"}));
    // A relative frame address fetches nothing; a frame page that fails gives "0" too.
    w.pages = {{"p", pages::PrLookup("/pr/v.html")}, {"q", pages::PrLookup("http://gone.cn/v")}};
    EXPECT_EQ(w.Run(Metric::PrValue, "p"), (Strings{"fetch p", "write-if-empty 0"}));
    EXPECT_EQ(w.Run(Metric::PrValue, "q"),
              (Strings{"fetch q", "fetch http://gone.cn/v", "write-if-empty 0"}));
}

TEST(MetricRoutines, ACancelStopsEveryRoutineButTheYahooZero) {
    FakeWorld w;
    w.pages = {{"b", pages::BaiduToday()}, {"p", pages::PrLookup("http://f.cn/v")},
               {"http://f.cn/v", "PR:3"},  {"g", pages::GoogleToday()},
               {"y", pages::YahooToday()}, {"n", pages::YahooChangedLayout()}};
    struct Case {
        Metric metric;
        const char* address;
        int cancelAtFetch;
        Strings expected;
    } cases[] = {
        {Metric::BaiduIndex, "b", 1, {"fetch b"}},
        {Metric::BaiduBacklinks, "b", 1, {"fetch b"}},
        {Metric::PrValue, "p", 1, {"fetch p"}},
        {Metric::PrValue, "p", 2, {"fetch p", "fetch http://f.cn/v"}},
        {Metric::GoogleIndex, "g", 1, {"fetch g"}},
        {Metric::YahooBacklinks, "y", 1, {"fetch y"}},
        {Metric::YahooBacklinks, "n", 1, {"fetch n", "put 0"}},  // whether or not cancelled
    };
    for (const Case& c : cases) {
        w.cancelled = false;
        w.cancelAtFetch = c.cancelAtFetch;
        EXPECT_EQ(w.Run(c.metric, c.address), c.expected) << c.address << " at fetch " << c.cancelAtFetch;
    }
    // Cancelled before it starts, a routine fetches nothing at all.
    w.cancelAtFetch = 0;
    for (Metric m : kMetricOrder) {
        w.cancelled = true;
        EXPECT_EQ(w.Run(m, "n"), Strings{}) << MetricBox(m);
    }
}

TEST(MetricRoutines, TheOrderAndBoxesOfAStart) {
    Strings boxes;
    for (Metric m : kMetricOrder) boxes.push_back(MetricBox(m));
    EXPECT_EQ(boxes, (Strings{"百度收录", "PR值", "百度反链", "谷歌收录", "雅虎反链"}));
}

}  // namespace
}  // namespace qm
