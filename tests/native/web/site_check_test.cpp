// The site check without a network: which addresses are requested, how redirects resolve and are
// followed, and a run of many sites on fake hops (its limits, every site once, stop at once).
#include "web/site_check.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <thread>

namespace qm {
namespace {

// <chrono> itself takes no GBK execution character set; its clocks come with <thread>.
std::chrono::milliseconds Ms(long long ms) {
    return std::chrono::milliseconds(ms);
}

TEST(SiteCheckAddress, OnlyWebAddressesWithAHostAreRequested) {
    EXPECT_EQ(RequestAddress("http://a.cn"), "http://a.cn");
    EXPECT_EQ(RequestAddress("  HTTPS://A.cn:8443/x?y=1 "), "HTTPS://A.cn:8443/x?y=1");
    EXPECT_EQ(RequestAddress("www.a.cn/x"), "http://www.a.cn/x");
    EXPECT_EQ(RequestAddress("127.0.0.1:8080"), "http://127.0.0.1:8080");
    EXPECT_EQ(RequestAddress("http://网站.cn/"), "http://网站.cn/");
    EXPECT_EQ(RequestAddress("www.a.cn/go?to=http://b.cn"), "http://www.a.cn/go?to=http://b.cn");
    for (const char* bad :
         {"", "http://", "https:///x", "ftp://a.cn", "javascript:alert(1)", "mailto:x@a.cn", "http://a b.cn",
          "http://a.cn:0", "http://a.cn:65536", "http://a.cn:80x", "http://user@a.cn", "http://.a.cn",
          "http://a.cn/x\r\nHost: b", "file://c:/x", "localhost:80", "http://a.cn:"})
        EXPECT_EQ(RequestAddress(bad), std::nullopt) << bad;
}

TEST(SiteCheckAddress, RedirectsResolveAgainstTheAnsweringAddress) {
    const std::string from = "https://a.cn:81/dir/page?q=/x";
    EXPECT_EQ(ResolveRedirect(from, "http://b.cn/"), "http://b.cn/");
    EXPECT_EQ(ResolveRedirect(from, "//c.cn/y"), "https://c.cn/y");
    EXPECT_EQ(ResolveRedirect(from, "/root"), "https://a.cn:81/root");
    EXPECT_EQ(ResolveRedirect(from, "next?z"), "https://a.cn:81/dir/next?z");
    EXPECT_EQ(ResolveRedirect("http://a.cn", "next"), "http://a.cn/next");
    EXPECT_EQ(ResolveRedirect(from, "/go?to=http://b.cn"), "https://a.cn:81/go?to=http://b.cn");
    EXPECT_EQ(ResolveRedirect("http://a.cn?x=/y/z", "next"), "http://a.cn/next");
    EXPECT_EQ(ResolveRedirect(from, " "), "");
    EXPECT_EQ(ResolveRedirect(from, "ftp://a.cn/"), "");
    EXPECT_EQ(ResolveRedirect(from, "file:///etc/passwd"), "");
    EXPECT_EQ(ResolveRedirect("not an address", "/x"), "");
}

// A fake web: answers by exact address, counts the calls.
struct FakeWeb {
    std::map<std::string, HopAnswer> answers;
    std::vector<std::string> asked;
    HopFunction Hop() {
        return [this](const std::string& address, unsigned, const std::atomic<bool>&) {
            asked.push_back(address);
            const auto it = answers.find(address);
            if (it != answers.end()) return it->second;
            HopAnswer refused;
            refused.outcome = CheckOutcome::kRefused;
            return refused;
        };
    }
    void Page(const std::string& address, int status, std::string body = {}, long long ms = 10) {
        HopAnswer a;
        a.outcome = CheckOutcome::kAnswered;
        a.status = status;
        a.body = std::move(body);
        a.firstByteMs = ms;
        answers[address] = a;
    }
    void Redirect(const std::string& address, std::string location, int status = 302) {
        Page(address, status);
        answers[address].location = std::move(location);
    }
};

TEST(CheckSite, FollowsRedirectsHopByHopAndTakesTheLastPage) {
    FakeWeb web;
    web.Redirect("http://a.cn", "https://a.cn/", 301);
    web.Redirect("https://a.cn/", "/home");
    web.Page("https://a.cn/home", 200, "<title>Home</title>", 25);
    web.answers["https://a.cn/home"].certificateDays = 30;
    const std::atomic<bool> stop{false};
    const SiteCheck c = CheckSite("a.cn", web.Hop(), {}, stop);
    EXPECT_EQ(web.asked, (std::vector<std::string>{"http://a.cn", "https://a.cn/", "https://a.cn/home"}));
    EXPECT_EQ(c.address, "a.cn");
    EXPECT_EQ(c.outcome, CheckOutcome::kAnswered);
    EXPECT_EQ(c.status, 200);
    EXPECT_EQ(c.finalAddress, "https://a.cn/home");
    EXPECT_EQ(c.firstByteMs, 45);
    EXPECT_EQ(c.certificateDays, 30);
    EXPECT_EQ(c.pageTitle, "Home");
    EXPECT_EQ(KindOf(c), CheckKind::kRedirected);

    // No redirect: no final address; a 404 is an answer of its own.
    web.Page("http://b.cn", 404, "<title>Not here</title>");
    const SiteCheck b = CheckSite("http://b.cn", web.Hop(), {}, stop);
    EXPECT_EQ(b.finalAddress, "");
    EXPECT_EQ(b.status, 404);
    EXPECT_EQ(KindOf(b), CheckKind::kError);
    // A redirect status without Location is the last answer.
    web.Page("http://c.cn", 302, "<title>x</title>");
    EXPECT_EQ(CheckSite("http://c.cn", web.Hop(), {}, stop).status, 302);
}

TEST(CheckSite, CirclesAndLongChainsEndAsTooManyRedirects) {
    FakeWeb web;
    for (int i = 0; i < 7; ++i) web.Redirect("http://a.cn/" + std::to_string(i), "/" + std::to_string(i + 1));
    web.Page("http://a.cn/7", 200);
    const std::atomic<bool> stop{false};
    CheckOptions options;
    // Five redirects are followed: from /2 the page at /7 is reached.
    SiteCheck c = CheckSite("http://a.cn/2", web.Hop(), options, stop);
    EXPECT_EQ(c.outcome, CheckOutcome::kAnswered);
    EXPECT_EQ(c.finalAddress, "http://a.cn/7");
    // A sixth is not.
    web.asked.clear();
    c = CheckSite("http://a.cn/1", web.Hop(), options, stop);
    EXPECT_EQ(c.outcome, CheckOutcome::kTooManyRedirects);
    EXPECT_EQ(web.asked.size(), 6u);
    // A circle is caught on its first repeat, long before the limit.
    web.Redirect("http://loop.cn/a", "/b");
    web.Redirect("http://loop.cn/b", "http://loop.cn/a");
    web.asked.clear();
    c = CheckSite("http://loop.cn/a", web.Hop(), options, stop);
    EXPECT_EQ(c.outcome, CheckOutcome::kTooManyRedirects);
    EXPECT_EQ(web.asked.size(), 2u);
    EXPECT_EQ(c.finalAddress, "http://loop.cn/b") << "the last address reached, not the site's own";
    EXPECT_EQ(StatusText(c), "跳转过多");
    // A redirect out of the web fails without a request.
    web.Redirect("http://out.cn", "ftp://out.cn/");
    web.asked.clear();
    EXPECT_EQ(CheckSite("http://out.cn", web.Hop(), options, stop).outcome, CheckOutcome::kFailed);
    EXPECT_EQ(web.asked.size(), 1u);
}

TEST(CheckSite, FailuresPassThroughAndBadAddressesAreNeverRequested) {
    FakeWeb web;
    const std::atomic<bool> stop{false};
    SiteCheck c = CheckSite("ftp://a.cn", web.Hop(), {}, stop);
    EXPECT_EQ(c.outcome, CheckOutcome::kInvalidAddress);
    EXPECT_EQ(StatusText(c), "地址无效");
    EXPECT_TRUE(web.asked.empty());
    web.Redirect("http://a.cn", "http://gone.cn/");
    c = CheckSite("http://a.cn", web.Hop(), {}, stop);
    EXPECT_EQ(c.outcome, CheckOutcome::kRefused);
    EXPECT_EQ(c.finalAddress, "http://gone.cn/");
    EXPECT_EQ(c.firstByteMs, 10);
}

// Hops that take a while and record how many run at once, in all and per host.
struct Crowd {
    std::mutex mutex;
    std::atomic<int> now{0};
    int most = 0;
    std::map<std::string, int> perHost, mostPerHost;
    std::map<std::string, int> calls;
    HopFunction Hop(std::chrono::milliseconds wait) {
        return [this, wait](const std::string& address, unsigned, const std::atomic<bool>& stop) {
            const std::string host = address.substr(7, address.find('/', 7) - 7);
            {
                std::lock_guard<std::mutex> lock(mutex);
                most = std::max(most, ++now);
                mostPerHost[host] = std::max(mostPerHost[host], ++perHost[host]);
                ++calls[address];
            }
            const auto end = std::chrono::steady_clock::now() + wait;
            while (!stop.load() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(Ms(1));
            {
                std::lock_guard<std::mutex> lock(mutex);
                --now;
                --perHost[host];
            }
            HopAnswer a;
            a.outcome = CheckOutcome::kAnswered;
            a.status = 200;
            a.firstByteMs = 1;
            return a;
        };
    }
};

std::vector<std::pair<std::size_t, SiteCheck>> WaitForEnd(SiteCheckRun& run) {
    std::vector<std::pair<std::size_t, SiteCheck>> all;
    const auto end = std::chrono::steady_clock::now() + Ms(20000);
    while (!run.Ended() && std::chrono::steady_clock::now() < end) {
        for (auto& r : run.TakeFinished()) all.push_back(std::move(r));
        std::this_thread::sleep_for(Ms(2));
    }
    for (auto& r : run.TakeFinished()) all.push_back(std::move(r));
    return all;
}

bool WorkersGone(int before, std::chrono::milliseconds within) {
    const auto end = std::chrono::steady_clock::now() + within;
    while (RunningCheckWorkers() != before && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(Ms(1));
    return RunningCheckWorkers() == before;
}

TEST(SiteCheckRun, ChecksEverySiteOnceWithinTheLimits) {
    const int before = RunningCheckWorkers();
    Crowd crowd;
    std::vector<std::string> sites;
    // One host with many sites (only 2 at once there), others with few.
    for (int i = 0; i < 20; ++i) sites.push_back("http://busy.cn/" + std::to_string(i));
    for (int i = 0; i < 30; ++i)
        sites.push_back("http://h" + std::to_string(i % 10) + ".cn/" + std::to_string(i));
    sites.push_back("ftp://never.cn");
    {
        const auto run = SiteCheckRun::Start(sites, crowd.Hop(Ms(20)));
        const auto results = WaitForEnd(*run);
        EXPECT_TRUE(run->Ended());
        EXPECT_EQ(run->Total(), sites.size());
        EXPECT_EQ(run->FinishedCount(), sites.size());
        ASSERT_EQ(results.size(), sites.size());
        std::vector<int> seen(sites.size());
        for (const auto& [index, check] : results) {
            ASSERT_LT(index, sites.size());
            ++seen[index];
            EXPECT_EQ(check.address, sites[index]);
            EXPECT_EQ(check.outcome,
                      index + 1 == sites.size() ? CheckOutcome::kInvalidAddress : CheckOutcome::kAnswered);
        }
        EXPECT_EQ(seen, std::vector<int>(sites.size(), 1));
    }
    EXPECT_EQ(crowd.calls.size(), sites.size() - 1);
    EXPECT_LE(crowd.most, 8);
    EXPECT_GE(crowd.most, 6);  // the many hosts keep the workers busy
    for (const auto& [host, most] : crowd.mostPerHost) EXPECT_LE(most, 2) << host;
    EXPECT_EQ(crowd.mostPerHost["busy.cn"], 2);
    EXPECT_TRUE(WorkersGone(before, Ms(2000)));
    // Nothing to check ends at once.
    EXPECT_TRUE(SiteCheckRun::Start({}, crowd.Hop(Ms(0)))->Ended());
}

TEST(SiteCheckRun, StopEndsTheRunAtOnceAndDropsLateResults) {
    const int before = RunningCheckWorkers();
    Crowd crowd;
    std::vector<std::string> sites;
    for (int i = 0; i < 100; ++i) sites.push_back("http://h" + std::to_string(i) + ".cn/");
    auto run = SiteCheckRun::Start(sites, crowd.Hop(Ms(10000)));
    const auto startWait = std::chrono::steady_clock::now() + Ms(5000);
    while (crowd.now < 8 && std::chrono::steady_clock::now() < startWait) std::this_thread::sleep_for(Ms(1));
    EXPECT_EQ(crowd.now, 8);
    EXPECT_FALSE(run->Ended());
    run->Stop();
    EXPECT_TRUE(run->Ended());
    EXPECT_TRUE(WorkersGone(before, Ms(1000)));
    EXPECT_TRUE(run->TakeFinished().empty());
    EXPECT_EQ(run->FinishedCount(), 0u);
    EXPECT_EQ(crowd.calls.size(), 8u);  // nothing more was started after the stop

    // Dropping a run that is busy stops it too; its workers outlive it safely.
    run = SiteCheckRun::Start(sites, crowd.Hop(Ms(10000)));
    while (crowd.now < 8 && std::chrono::steady_clock::now() < startWait + Ms(5000))
        std::this_thread::sleep_for(Ms(1));
    run.reset();
    EXPECT_TRUE(WorkersGone(before, Ms(1000)));
}

TEST(SiteCheckRun, ARunDroppedWhileItsWorkersStartLeavesNoneBehind) {
    // The workers are still being started when the run is stopped and dropped: every one of them
    // is counted, leaves, and touches only what it shares with the run.
    const int before = RunningCheckWorkers();
    Crowd crowd;
    std::vector<std::string> sites;
    for (int i = 0; i < 100; ++i) sites.push_back("http://h" + std::to_string(i) + ".cn/");
    for (int round = 0; round < 20; ++round) {
        auto run = SiteCheckRun::Start(sites, crowd.Hop(Ms(10000)));
        if (round % 2) run->Stop();
        EXPECT_FALSE(round % 2 && !run->Ended());
    }
    EXPECT_TRUE(WorkersGone(before, Ms(2000)));
    EXPECT_EQ(crowd.now, 0);
}

}  // namespace
}  // namespace qm
