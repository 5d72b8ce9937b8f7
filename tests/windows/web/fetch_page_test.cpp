// FetchPage against the loopback server: the exact request on the wire, bodies with and without
// Content-Length, answers cut short or longer than declared, five threads at once, a stalled
// server, and the memory a 50 MB body costs.
#include <gtest/gtest.h>
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "tests/support/loopback_server.h"
#include "web/fetch.h"
#include "web/request_rules.h"

namespace qm {
namespace {

using test::CannedResponse;
using test::LoopbackServer;

CannedResponse Body(std::string body) {
    CannedResponse r;
    r.body = std::move(body);
    return r;
}

std::string Pattern(std::size_t size, unsigned seed) {
    std::string s(size, '\0');
    std::uint32_t x = seed;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

// <chrono> cannot be compiled to GBK (its micro sign), so time with the system tick.
long long ElapsedMs(ULONGLONG since) {
    return static_cast<long long>(GetTickCount64() - since);
}

TEST(FetchPage, SendsOneHttp10GetWithGbkQueryUnencoded) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    const std::string target = "/s?wd=site%3A网站.cn";
    server.Serve(target, Body("结果页"));
    EXPECT_EQ(FetchPage(server.Address(target)), "结果页");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& r = requests[0];
    EXPECT_EQ(r.requestLine, "GET /s?wd=site%3A网站.cn HTTP/1.0");
    EXPECT_EQ(r.Path(), "/s");
    EXPECT_EQ(r.Query(), "wd=site%3A网站.cn");
    EXPECT_EQ(r.Header("User-Agent"), kUserAgent);
    EXPECT_EQ(r.HeaderCount("Accept"), 1);
    EXPECT_EQ(r.Header("Accept"), "*/*");
    EXPECT_EQ(r.Header("Host"), server.HostAndPort());
    EXPECT_EQ(r.HeaderCount("Referer"), 0);
    EXPECT_EQ(r.HeaderCount("Cookie"), 0);
}

TEST(FetchPage, BodiesWithAndWithoutContentLength) {
    LoopbackServer server;
    const std::string big = Pattern(250000, 1);  // several 100 KB chunks
    server.Serve("/big", Body(big));
    CannedResponse unsized = Body(Pattern(30001, 2));
    unsized.sendContentLength = false;  // read in 10 KB chunks until the server closes
    server.Serve("/unsized", unsized);
    server.Serve("/empty", Body(""));
    EXPECT_TRUE(FetchPage(server.Address("/big")) == big);
    EXPECT_TRUE(FetchPage(server.Address("/unsized")) == unsized.body);
    EXPECT_EQ(FetchPage(server.Address("/empty")), "");
}

TEST(FetchPage, BodyLongerThanItsContentLengthIsCutThere) {
    LoopbackServer server;
    CannedResponse longer = Body("0123456789EXTRA");
    longer.contentLength = 10;
    server.Serve("/", longer);
    EXPECT_EQ(FetchPage(server.Address("/")), "0123456789");
}

TEST(FetchPage, AnswerCutShortGivesEmptyBytes) {
    LoopbackServer server;
    CannedResponse dropped = Body(Pattern(200000, 3));
    dropped.dropAfterBodyBytes = 120000;  // the connection closes part-way through the body
    server.Serve("/dropped", dropped);
    CannedResponse noBody;
    noBody.contentLength = 500;  // declared, never sent
    server.Serve("/nobody", noBody);
    EXPECT_EQ(FetchPage(server.Address("/dropped")).size(), 0u);
    EXPECT_EQ(FetchPage(server.Address("/nobody")).size(), 0u);
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(FetchPage, UnreachableOrInvalidAddressesGiveEmptyBytes) {
    std::string closedAddress;
    {
        LoopbackServer gone;
        closedAddress = gone.Address("/x");
    }
    const auto start = GetTickCount64();
    EXPECT_EQ(FetchPage(closedAddress), "");
    EXPECT_EQ(FetchPage("http://127.0.0.1:70000/x"), "");  // no such port: never wrapped to 4464
    EXPECT_EQ(FetchPage("http://127.0.0.1:-1/x"), "");
    EXPECT_EQ(FetchPage(""), "");
    EXPECT_LT(ElapsedMs(start), 10000);
}

TEST(FetchPage, ErrorStatusStillGivesItsBody) {
    LoopbackServer server;
    EXPECT_EQ(FetchPage(server.Address("/missing")), "not found");
}

TEST(FetchPage, FiveThreadsAtOnce) {
    LoopbackServer server;
    std::vector<std::string> bodies;
    for (int k = 0; k < 5; ++k) {
        CannedResponse r = Body(Pattern(50000 + 1000 * k, 10 + k));
        r.delayMs = 400;
        bodies.push_back(r.body);
        server.Serve("/m" + std::to_string(k), r);
    }
    std::vector<std::string> results(5);
    std::vector<std::thread> threads;
    const auto start = GetTickCount64();
    for (int k = 0; k < 5; ++k)
        threads.emplace_back([&, k] { results[k] = FetchPage(server.Address("/m" + std::to_string(k))); });
    for (auto& t : threads) t.join();
    const long long ms = ElapsedMs(start);
    for (int k = 0; k < 5; ++k) EXPECT_TRUE(results[k] == bodies[k]) << "thread " << k;
    EXPECT_EQ(server.Requests().size(), 5u);
    EXPECT_LT(ms, 5 * 400) << "the five requests did not run side by side";
}

TEST(FetchPage, StalledServerEndsAtTheReceiveTimeout) {
    LoopbackServer server;
    CannedResponse stall;
    stall.stall = true;
    server.Serve("/stall", stall);
    SetFetchPageTimeoutsForTests({1000, 1000, 1000});
    const auto start = GetTickCount64();
    const std::string page = FetchPage(server.Address("/stall"));
    const long long ms = ElapsedMs(start);
    SetFetchPageTimeoutsForTests({});
    EXPECT_EQ(page, "");
    EXPECT_GE(ms, 900);
    EXPECT_LT(ms, 5000);
}

TEST(FetchPage, FiftyMegabyteBodyCostsAboutItsOwnSize) {
    // One byte past 50 MiB: a body that grew by doubling from 100 KiB reads would need a copy of
    // all 50 MiB into a 100 MiB buffer at the last step, twice the body at the peak.
    constexpr std::size_t kSize = 50u * 1024 * 1024 + 1;
    LoopbackServer server;
    std::string body = Pattern(kSize, 99);
    server.Serve("/big", Body(std::move(body)));  // the server now holds the only copy

    PROCESS_MEMORY_COUNTERS before{}, after{};
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));
    const auto start = GetTickCount64();
    std::string page = FetchPage(server.Address("/big"));
    const long long ms = ElapsedMs(start);
    ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
    ASSERT_EQ(page.size(), kSize);
    EXPECT_TRUE(page == Pattern(kSize, 99));

    // Wine reports no private bytes, so the peak working set is what is measured.
    const double peakGrowthMb =
        (static_cast<double>(after.PeakWorkingSetSize) - static_cast<double>(before.PeakWorkingSetSize)) /
        1048576.0;
    std::printf("50 MB body: %lld ms, peak working set +%.1f MB\n", ms, peakGrowthMb);
    EXPECT_LT(peakGrowthMb, 75.0) << "the peak grew by more than 1.5 times the body";
}

}  // namespace
}  // namespace qm
