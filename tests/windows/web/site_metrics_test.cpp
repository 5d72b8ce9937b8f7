// The site metrics in the real main window and modify window, against the loopback server: what a
// lost focus of the address box starts, the boxes emptied at once and filled as pages arrive, the
// requests on the wire, a cancel by typing, hand-typed figures, a refetch, closed modify windows
// and earlier addresses whose late figures must never reach the next one, and saves clicked while
// a fetch runs.
#include <random>

#include "catalogue/modify_window_win.h"
#include "metrics_fixture.h"

namespace qm {
namespace {

using testing::Pump;
using testing::Strings;
namespace pages = test::pages;

const Strings kFetched = {"7", "1234567", "12300", "856", "4321"};  // PR, Baidu, Google, backlinks, Yahoo

class SiteMetrics : public testing::MetricsTest {
  protected:
    // The mouse pressed on a button takes the focus (so the address box is left), its release
    // clicks it.
    static void Press(Form& form, const char* button) {
        SendMessageW(ControlWindow(form, button), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    }
    static void Release(Form& form, const char* button) {
        SendMessageW(ControlWindow(form, button), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        Pump();
    }
    // The user clicks into the address box and from there on the button.
    static void ClickFromTheAddressBox(Form& form, const char* button) {
        SetFocus(ControlWindow(form, kAddressBox));
        Pump();
        Press(form, button);
        Release(form, button);
    }
    // The five figures of every stored site, in field order.
    std::vector<Strings> StoredFigures() {
        std::vector<Strings> out;
        for (const Fields& f : Records(kSiteStoreAlias)) out.emplace_back(f.begin() + 5, f.end());
        return out;
    }
};

TEST_F(SiteMetrics, LeavingTheBoxWithOnlyTheSchemeStartsNothing) {
    Form& f = Load();
    SetFigures(f, {"1", "2", "3", "4", "5"});
    EXPECT_EQ(GetText(f, kAddressBox), "http://");
    Leave(f);
    Pump();
    EXPECT_EQ(RunningMetricWorkers(), 0);
    EXPECT_FALSE(server.WaitForRequests(1, 300));
    EXPECT_EQ(Figures(f), (Strings{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(CurrentHost(f), "");
}

TEST_F(SiteMetrics, AnAddressEmptiesTheBoxesAtOnceAndEachFillsFromItsPage) {
    SitePages p;
    p.delayMs = 300;
    Serve("www.a.cn", p);
    Form& f = Load();
    SetFigures(f, {"1", "2", "3", "4", "5"});
    SetText(f, kAddressBox, "http://WWW.A.cn:8080/path?q=1");
    Leave(f);
    EXPECT_EQ(Figures(f), Strings(5, "")) << "emptied before any page arrived";
    EXPECT_EQ(CurrentHost(f), "www.a.cn");
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Figures(f), kFetched);
    EXPECT_EQ(SortedRequestTargets(), Sorted(Targets("www.a.cn")));
    for (const auto& r : server.Requests()) {
        EXPECT_EQ(r.version, "HTTP/1.0");
        EXPECT_EQ(r.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    }
}

TEST_F(SiteMetrics, TypingDuringAFetchDropsLateFiguresButTheYahooZero) {
    SitePages p;
    p.delayMs = 400;
    p.yahoo = pages::YahooChangedLayout();
    Serve("a.cn", p);
    Form& f = Load();
    SetText(f, kAddressBox, "http://a.cn");
    Leave(f);
    ASSERT_TRUE(server.WaitForRequests(5, 5000));
    SetText(f, kAddressBox, "http://a.cn/x");  // the user types on: FetchCancelled := 1
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Figures(f), (Strings{"", "", "", "", "0"}));
    EXPECT_EQ(server.Requests().size(), 5u) << "the PR frame is not fetched after a cancel";
}

TEST_F(SiteMetrics, AHandTypedFigureStaysAndLeavingAgainFetchesEverythingAgain) {
    SitePages p;
    p.delayMs = 400;
    Serve("a.cn", p);
    Form& f = Load();
    SetText(f, kAddressBox, "http://a.cn");
    Leave(f);
    SetText(f, kSiteEntryEdits[6], "99");  // 谷歌收录, typed before its page arrives
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Figures(f), (Strings{"7", "1234567", "99", "856", "4321"}));

    Leave(f);  // the same address again: the boxes are emptied and filled anew
    EXPECT_EQ(Figures(f), Strings(5, ""));
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Figures(f), kFetched);
    EXPECT_EQ(server.Requests().size(), 12u);
}

TEST_F(SiteMetrics, FailedAndChangedPagesGiveTheStatedFigures) {
    SitePages changed;
    changed.baidu = pages::BaiduChangedLayout();
    changed.pr = "";
    changed.backlinks = "";
    changed.google = pages::GoogleChangedLayout();
    changed.yahoo = pages::YahooChangedLayout();
    Serve("a.cn", changed);
    Form& f = Load();
    SetText(f, kAddressBox, "http://a.cn");
    Leave(f);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Figures(f), (Strings{"0", "", "0", "", "0"}));

    // No server at all for this host's pages (404 answers): what a failed fetch gives.
    SetText(f, kAddressBox, "http://nothing.cn");
    Leave(f);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Figures(f), (Strings{"0", "", "", "", "0"}));
}

TEST_F(SiteMetrics, TheModifyWindowFetchesIntoItsOwnBoxesWithTheHostSentAsItIs) {
    AddCategories({"A"});
    AddSites({{"A", "http://www.例子.cn/x", "5"}});
    Serve("www.例子.cn", {});
    Serve("a b#c.cn", {});
    Form& f = Load();
    Menu(0, "修改当前记录");
    Form* m = ModifyWindow();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Figures(*m), (Strings{"5", "1", "2", "3", "4"}));
    Leave(*m);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Figures(*m), kFetched);
    EXPECT_EQ(Figures(f), Strings(5, "")) << "the add panel is another target";
    EXPECT_EQ(SortedRequestTargets(), Sorted(Targets("www.例子.cn"))) << "GBK bytes go out raw";

    SetText(*m, kAddressBox, "http://a b#c.cn/");
    Leave(*m);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Figures(*m), kFetched);
    const Strings encoded = Targets("a b#c.cn");
    EXPECT_EQ(encoded[0], "/s?wd=site%3Aa%20b%23c.cn");
    Strings all = Targets("www.例子.cn");
    all.insert(all.end(), encoded.begin(), encoded.end());
    EXPECT_EQ(SortedRequestTargets(), Sorted(all));
}

TEST_F(SiteMetrics, AClosedModifyWindowsFiguresNeverReachTheNextOne) {
    AddCategories({"A"});
    AddSites({{"A", "http://kept.cn", "5"}});
    std::mt19937 random(20240611);
    Load();
    for (int round = 0; round < 25; ++round) {
        SitePages p;
        p.delayMs = static_cast<int>(random() % 60);
        p.yahoo = pages::YahooChangedLayout();  // a "0" that a cancel does not stop
        const std::string host = "late" + std::to_string(round) + ".cn";
        Serve(host, p);
        Menu(0, "修改当前记录");
        Form* m = ModifyWindow();
        ASSERT_NE(m, nullptr);
        SetText(*m, kAddressBox, "http://" + host);
        Leave(*m);
        const DWORD until = GetTickCount() + random() % 40;
        while (GetTickCount() < until) Pump();
        if (round % 2) {
            DestroyWindow(FormWindow(*m));  // closed by the user
            Menu(0, "修改当前记录");
        } else {
            Menu(0, "修改当前记录");  // the menu item again replaces the open window
        }
        Form* next = ModifyWindow();
        ASSERT_NE(next, nullptr);
        ASSERT_TRUE(WaitForWorkers());
        EXPECT_EQ(Figures(*next), (Strings{"5", "1", "2", "3", "4"})) << "round " << round;
        EXPECT_EQ(GetText(*next, kAddressBox), "http://kept.cn");
        EXPECT_EQ(Figures(*main), Strings(5, "")) << "round " << round;
        DestroyWindow(FormWindow(*next));
        Pump();
    }
}

TEST_F(SiteMetrics, AnEarlierAddresssLateFiguresNeverReachTheBoxesOfTheNextOne) {
    AddCategories({"A"});
    SitePages a;  // answers while b.cn's fetch still runs
    a.delayMs = 300;
    a.yahoo = pages::YahooChangedLayout();  // a "0" put whatever the box holds
    Serve("a.cn", a);
    SitePages b;
    b.baidu = pages::BaiduToday();
    b.pr = "PageRank: 3";
    b.backlinks = pages::Baidu("42");
    b.google = pages::GoogleToday();
    b.yahoo = pages::YahooToday();
    b.delayMs = 900;
    Serve("b.cn", b);
    const Strings bFigures = {"3", "856", "734", "42", "98"};
    Form& f = Load();
    SetText(f, kAddressBox, "http://a.cn");
    Leave(f);
    ASSERT_TRUE(server.WaitForRequests(5, 5000)) << "a.cn's workers are on the wire";
    SetText(f, kAddressBox, "http://b.cn");
    Leave(f);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Figures(f), bFigures);
    EXPECT_EQ(CurrentHost(f), "b.cn");

    SetText(f, kSiteEntryEdits[1], "b");
    ComboSelect(f, kNewSiteCategoryCombo, 0);
    Click(kAddSiteButton);
    EXPECT_EQ(StoredFigures(), std::vector<Strings>{bFigures});

    // Leaving with no host at all also ends what the last address's workers still bring.
    SetText(f, kAddressBox, "http://a.cn");
    Leave(f);
    ASSERT_TRUE(server.WaitForRequests(16, 5000));
    SetText(f, kAddressBox, "http://");
    Leave(f);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Figures(f), Strings(5, ""));
}

TEST_F(SiteMetrics, ASaveClickedFromTheAddressBoxKeepsEveryFigureNoAnswerHasReplaced) {
    AddCategories({"A"});
    AddSites({{"A", "http://kept.cn/", "5"}});
    // The other answers wait long enough that a loaded machine still has Baidu's in well before them.
    SitePages slow;
    slow.delayMs = 4000;
    Serve("kept.cn", slow);
    server.Serve(MetricPathAndQuery(Metric::BaiduIndex, "kept.cn"), Page(pages::BaiduWithSeparators()));
    Form& f = Load();
    Menu(0, "修改当前记录");
    Form* m = ModifyWindow();
    ASSERT_NE(m, nullptr);
    SetFocus(ControlWindow(*m, kAddressBox));
    Pump();
    Press(*m, kSaveRecordButton);
    EXPECT_EQ(Figures(*m), Strings(5, "")) << "pressing the button left the address box";
    const ULONGLONG until = GetTickCount64() + 3500;
    while (GetText(*m, MetricBox(Metric::BaiduIndex)).empty() && GetTickCount64() < until) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    ASSERT_EQ(Figures(*m), (Strings{"", "1234567", "", "", ""})) << "only Baidu's answer is in";
    Release(*m, kSaveRecordButton);
    EXPECT_EQ(ModifyWindow(), nullptr) << "saved and closed";
    EXPECT_EQ(StoredFigures(), (std::vector<Strings>{{"5", "1234567", "2", "3", "4"}}));
    ASSERT_TRUE(WaitForWorkers());

    // The add panel: its figures stay with the host they were fetched for.
    Serve("new.cn", {});
    SetText(f, kAddressBox, "http://new.cn");
    Leave(f);
    ASSERT_TRUE(WaitForWorkers());
    SetText(f, kSiteEntryEdits[1], "t");
    ComboSelect(f, kNewSiteCategoryCombo, 0);
    ClickFromTheAddressBox(f, kAddSiteButton);
    SetText(f, kAddressBox, "http://other.cn");
    ClickFromTheAddressBox(f, kAddSiteButton);
    EXPECT_EQ(StoredFigures(),
              (std::vector<Strings>{{"5", "1234567", "2", "3", "4"}, kFetched, Strings(5, "")}));
    ASSERT_TRUE(WaitForWorkers());
}

}  // namespace
}  // namespace qm
