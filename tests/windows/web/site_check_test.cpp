// The site check over WinINet against loopback servers: every result kind that can be served
// without leaving the machine (status codes, redirects and a circle, a refused port, a stalled
// server, a body dripped byte by byte, an endless body, a 10 MB title), what goes on the wire, the
// per-host limit as the server sees it, and a stop within a second. No such host would need a
// name server: its mapping from the error code is checked instead. Certificates are tested against
// HTTPS servers in site_check_tls_test.cpp.
#include "web/site_check.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <thread>

#include "tests/support/loopback_server.h"
#include "web/win32/site_check_win.h"

namespace qm {
namespace {

using test::CannedResponse;
using test::LoopbackServer;

CannedResponse Page(std::string status, std::string body, std::vector<std::string> headers = {}) {
    CannedResponse r;
    r.status = std::move(status);
    r.body = std::move(body);
    r.headers = std::move(headers);
    return r;
}

long long ElapsedMs(ULONGLONG since) {
    return static_cast<long long>(GetTickCount64() - since);
}

SiteCheck Check(const std::string& address, unsigned timeoutMs = 15000) {
    CheckOptions options;
    options.timeoutMs = timeoutMs;
    const std::atomic<bool> stop{false};
    return CheckSite(address, RequestHop, options, stop);
}

TEST(SiteCheckWire, StatusCodesTitlesAndTheRequestSent) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    server.Serve(
        "/", Page("200 OK", "<html><title>首页</title></html>", {"Content-Type: text/html; charset=gbk"}));
    server.Serve("/utf8", Page("200 OK", "<title>\xE7\xBD\x91\xE7\xAB\x99</title>",
                               {"Content-Type: text/html; charset=utf-8"}));
    server.Serve("/err", Page("500 Internal Server Error", "<title>oops</title>"));
    SiteCheck c = Check(server.Address("/"));
    EXPECT_EQ(c.outcome, CheckOutcome::kAnswered);
    EXPECT_EQ(c.status, 200);
    EXPECT_EQ(c.pageTitle, "首页");
    EXPECT_EQ(c.finalAddress, "");
    EXPECT_GE(c.firstByteMs, 0);
    EXPECT_LT(c.firstByteMs, 5000);
    EXPECT_EQ(c.certificateDays, kNoCertificateDays);
    EXPECT_EQ(KindOf(c), CheckKind::kOk);
    EXPECT_EQ(Check(server.Address("/utf8")).pageTitle, "网站");
    c = Check(server.Address("/err"));
    EXPECT_EQ(c.status, 500);
    EXPECT_EQ(KindOf(c), CheckKind::kError);
    EXPECT_EQ(Check(server.Address("/none")).status, 404);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].requestLine, "GET / HTTP/1.1");
    EXPECT_EQ(requests[0].Header("Host"), server.HostAndPort());
    EXPECT_EQ(requests[0].HeaderCount("Cookie"), 0);
    EXPECT_EQ(requests[0].HeaderCount("Authorization"), 0);
}

TEST(SiteCheckWire, RedirectsAreFollowedByHandAndACircleIsCaught) {
    LoopbackServer server, other("127.0.0.2");
    ASSERT_TRUE(other.Listening());
    server.Serve("/a", Page("301 Moved Permanently", "", {"Location: /b"}));
    server.Serve("/b", Page("302 Found", "", {"Location: " + other.Address("/c")}));
    other.Serve("/c", Page("200 OK", "<title>C</title>"));
    server.Serve("/loop1", Page("302 Found", "", {"Location: /loop2"}));
    server.Serve("/loop2", Page("307 Temporary Redirect", "", {"Location: /loop1"}));
    SiteCheck c = Check(server.Address("/a"));
    EXPECT_EQ(c.outcome, CheckOutcome::kAnswered);
    EXPECT_EQ(c.status, 200);
    EXPECT_EQ(c.finalAddress, other.Address("/c"));
    EXPECT_EQ(c.pageTitle, "C");
    EXPECT_EQ(KindOf(c), CheckKind::kRedirected);
    EXPECT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(other.Requests().size(), 1u);

    c = Check(server.Address("/loop1"));
    EXPECT_EQ(c.outcome, CheckOutcome::kTooManyRedirects);
    EXPECT_EQ(server.Requests().size(), 4u);  // each of the circle once, then caught
}

TEST(SiteCheckWire, RefusedStalledAndInvalidAddressesEndBounded) {
    std::string closed;
    {
        LoopbackServer gone;
        closed = gone.Address("/");
    }
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Check(closed).outcome, CheckOutcome::kRefused);
    EXPECT_LT(ElapsedMs(start), 5000);
    EXPECT_EQ(Check("ftp://127.0.0.1/").outcome, CheckOutcome::kInvalidAddress);

    LoopbackServer server;
    CannedResponse stall;
    stall.stall = true;
    server.Serve("/stall", stall);
    start = GetTickCount64();
    const SiteCheck c = Check(server.Address("/stall"), 1500);
    EXPECT_EQ(c.outcome, CheckOutcome::kTimedOut);
    EXPECT_EQ(StatusText(c), "超时");
    EXPECT_GE(ElapsedMs(start), 1400);
    EXPECT_LT(ElapsedMs(start), 6000);
}

TEST(SiteCheckWire, HostileBodiesGiveBoundedResults) {
    LoopbackServer server;
    CannedResponse drip = Page("200 OK", "<title>slow</title>" + std::string(200, ' '));
    drip.dripMs = 50;  // 11 s for the whole body
    server.Serve("/drip", drip);
    CannedResponse endless = Page("200 OK", "<title>again</title>" + std::string(4000, 'x'));
    endless.endless = true;
    endless.sendContentLength = false;
    server.Serve("/endless", endless);
    server.Serve("/huge", Page("200 OK", "<title>" + std::string(10u << 20, 'T') + "</title>"));

    ULONGLONG start = GetTickCount64();
    SiteCheck c = Check(server.Address("/drip"), 2000);
    EXPECT_EQ(c.outcome, CheckOutcome::kTimedOut);
    EXPECT_LT(ElapsedMs(start), 6000);

    start = GetTickCount64();
    c = Check(server.Address("/endless"));
    EXPECT_EQ(c.outcome, CheckOutcome::kAnswered);
    EXPECT_EQ(c.pageTitle, "again");
    EXPECT_LT(ElapsedMs(start), 10000);

    c = Check(server.Address("/huge"));
    EXPECT_EQ(c.outcome, CheckOutcome::kAnswered);
    EXPECT_EQ(c.pageTitle, std::string(512, 'T'));
}

TEST(SiteCheckWire, ErrorCodesNameTheirFailures) {
    EXPECT_EQ(OutcomeOfError(ERROR_INTERNET_NAME_NOT_RESOLVED), CheckOutcome::kNoSuchHost);
    EXPECT_EQ(OutcomeOfError(ERROR_INTERNET_CANNOT_CONNECT), CheckOutcome::kRefused);
    EXPECT_EQ(OutcomeOfError(ERROR_INTERNET_TIMEOUT), CheckOutcome::kTimedOut);
    EXPECT_EQ(OutcomeOfError(10060), CheckOutcome::kTimedOut);
    EXPECT_EQ(OutcomeOfError(ERROR_INTERNET_SEC_CERT_DATE_INVALID), CheckOutcome::kCertificateInvalid);
    EXPECT_EQ(OutcomeOfError(ERROR_INTERNET_INVALID_CA), CheckOutcome::kCertificateInvalid);
    EXPECT_EQ(OutcomeOfError(ERROR_INTERNET_CONNECTION_RESET), CheckOutcome::kFailed);
}

std::vector<std::pair<std::size_t, SiteCheck>> WaitForEnd(SiteCheckRun& run, int timeoutMs) {
    std::vector<std::pair<std::size_t, SiteCheck>> all;
    const ULONGLONG start = GetTickCount64();
    while (!run.Ended() && ElapsedMs(start) < timeoutMs) {
        for (auto& r : run.TakeFinished()) all.push_back(std::move(r));
        Sleep(5);
    }
    for (auto& r : run.TakeFinished()) all.push_back(std::move(r));
    return all;
}

TEST(SiteCheckWire, ARunKeepsTwoPerHostAndStopsWithinASecond) {
    LoopbackServer one, two("127.0.0.3");
    ASSERT_TRUE(two.Listening());
    CannedResponse slow = Page("200 OK", "<title>t</title>");
    slow.delayMs = 300;
    one.ServeOthers(slow);
    two.ServeOthers(slow);
    std::vector<std::string> sites;
    for (int i = 0; i < 6; ++i) {
        sites.push_back(one.Address("/" + std::to_string(i)));
        sites.push_back(two.Address("/" + std::to_string(i)));
    }
    const ULONGLONG start = GetTickCount64();
    auto run = SiteCheckRun::Start(sites, RequestHop);
    const auto results = WaitForEnd(*run, 20000);
    EXPECT_EQ(results.size(), sites.size());
    for (const auto& [index, check] : results) EXPECT_EQ(check.status, 200) << sites[index];
    EXPECT_EQ(one.MostConnectionsAtOnce(), 2u);
    EXPECT_EQ(two.MostConnectionsAtOnce(), 2u);
    EXPECT_GE(ElapsedMs(start), 3 * 300);  // six sites a host, two at a time

    // Stalled servers: the stop ends the run at once, and the workers leave by themselves.
    const int before = RunningCheckWorkers();
    CannedResponse stall;
    stall.stall = true;
    LoopbackServer stuck;
    stuck.ServeOthers(stall);
    std::vector<std::string> stuckSites;
    for (int i = 0; i < 20; ++i) stuckSites.push_back(stuck.Address("/" + std::to_string(i)));
    CheckOptions options;
    options.timeoutMs = 3000;
    run = SiteCheckRun::Start(stuckSites, RequestHop, options);
    ASSERT_TRUE(stuck.WaitForRequests(2, 5000));
    const ULONGLONG stopAt = GetTickCount64();
    run->Stop();
    EXPECT_TRUE(run->Ended());
    EXPECT_LT(ElapsedMs(stopAt), 1000);
    EXPECT_TRUE(run->TakeFinished().empty());
    run.reset();
    while (RunningCheckWorkers() > before && ElapsedMs(stopAt) < 10000) Sleep(20);
    EXPECT_EQ(RunningCheckWorkers(), before);
    EXPECT_EQ(stuck.Requests().size(), 2u);  // nothing was started after the stop
}

}  // namespace
}  // namespace qm
