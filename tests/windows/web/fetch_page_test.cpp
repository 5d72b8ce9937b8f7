// FetchPage against the loopback server: the exact request on the wire, bodies with and without
// Content-Length, answers cut short or longer than declared, five threads at once, a stalled
// server, the memory a body of the largest size taken costs, and answers that never end.
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

double PeakWorkingSetMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / 1048576.0;  // Wine has no private bytes
}

TEST(FetchPage, ABodyOfSixteenMebibytesArrivesAndCostsAboutItsOwnSize) {
    // A body that grew by doubling from 100 KiB reads would need a copy of most of it into a
    // buffer twice as large at the last step.
    constexpr std::size_t kSize = 16u * 1024 * 1024;
    LoopbackServer server;
    std::string body = Pattern(kSize, 99);
    server.Serve("/big", Body(std::move(body)));  // the server now holds the only copy
    const double before = PeakWorkingSetMb();
    const auto start = GetTickCount64();
    std::string page = FetchPage(server.Address("/big"));
    const long long ms = ElapsedMs(start);
    const double growth = PeakWorkingSetMb() - before;
    ASSERT_EQ(page.size(), kSize);
    EXPECT_TRUE(page == Pattern(kSize, 99));
    std::printf("16 MiB body: %lld ms, peak working set +%.1f MB\n", ms, growth);
    EXPECT_LT(growth, 24.0) << "the peak grew by more than 1.5 times the body";
}

TEST(FetchPage, AnEndlessOrOversizedAnswerFailsAndMemoryStaysBounded) {
    LoopbackServer server;
    CannedResponse endless = Body(Pattern(64 * 1024, 5));
    endless.sendContentLength = false;
    endless.endless = true;
    server.Serve("/endless", endless);
    CannedResponse declared = Body("tiny");
    declared.contentLength = 16LL * 1024 * 1024 + 1;  // refused before a byte of it is read
    declared.endless = true;
    server.Serve("/declared", declared);
    CannedResponse over = Body(Pattern(16u * 1024 * 1024 + 1, 6));
    over.sendContentLength = false;
    server.Serve("/over", over);

    const double before = PeakWorkingSetMb();
    const auto start = GetTickCount64();
    EXPECT_EQ(FetchPage(server.Address("/endless")), "");
    const long long ms = ElapsedMs(start);
    const double growth = PeakWorkingSetMb() - before;
    std::printf("endless answer: given up after %lld ms, peak working set +%.1f MB\n", ms, growth);
    EXPECT_LT(growth, 48.0);  // 16 MiB read in 10 KiB pieces, a doubling buffer and the system's
    EXPECT_EQ(FetchPage(server.Address("/declared")), "");
    EXPECT_EQ(FetchPage(server.Address("/over")), "");
    EXPECT_LT(ElapsedMs(start), 20000);
}

}  // namespace
}  // namespace qm
