// RunRequest against the loopback server: the request on the wire for GET and POST, caller
// headers, a proxy, refused methods, the raw header buffer, cookies, late answers, and the time-out that
// restarts with every message the waiting thread receives, sent ones included.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <thread>

#include "tests/support/loopback_server.h"
#include "web/fetch.h"
#include "web/request_rules.h"

namespace qm {
namespace {

using test::CannedResponse;
using test::LoopbackServer;

constexpr char kDefaultAccept[] =
    "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

CannedResponse Body(std::string body) {
    CannedResponse r;
    r.body = std::move(body);
    return r;
}

// <chrono> cannot be compiled to GBK (its micro sign), so time with the system tick.
long long ElapsedMs(ULONGLONG since) {
    return static_cast<long long>(GetTickCount64() - since);
}

TEST(RunRequest, GetSendsTheDefaultHeaders) {
    LoopbackServer server;
    server.Serve("/soft/pvnt.html", Body("<版本>v1.3</版本>"));
    const std::string address = server.Address("/soft/pvnt.html");
    std::string headers;
    EXPECT_EQ(RunRequest(address, "", "", "", "", "", "", 3, &headers), "<版本>v1.3</版本>");
    EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << headers;
    ASSERT_EQ(server.Requests().size(), 1u);
    const auto r = server.Requests()[0];
    EXPECT_EQ(r.requestLine, "GET /soft/pvnt.html HTTP/1.1");
    EXPECT_EQ(r.Header("User-Agent"), kUserAgent);
    EXPECT_EQ(r.HeaderCount("Accept"), 1);
    EXPECT_EQ(r.Header("Accept"), kDefaultAccept);
    EXPECT_EQ(r.Header("Referer"), address);
    EXPECT_EQ(r.Header("Accept-Language"), "zh-cn");
    EXPECT_EQ(r.body, "");
}

TEST(RunRequest, CallerHeadersReplaceDefaults) {
    LoopbackServer server;
    server.Serve("/x", Body("ok"));
    EXPECT_EQ(RunRequest(server.Address("/x"), "get", "", "", "", "accept: text/html\r\nX-Extra: 网\r\n"),
              "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    const auto r = server.Requests()[0];
    EXPECT_EQ(r.HeaderCount("Accept"), 1);
    EXPECT_EQ(r.Header("Accept"), "text/html");
    EXPECT_EQ(r.Header("X-Extra"), "网");
    EXPECT_EQ(r.Header("Accept-Language"), "zh-cn");
}

TEST(RunRequest, PostSendsBodyWithItsLines) {
    LoopbackServer server;
    server.Serve("/form", Body("posted"));
    EXPECT_EQ(RunRequest(server.Address("/form"), "post", "", "", "", "", "a=1&b=网站", 5), "posted");
    ASSERT_EQ(server.Requests().size(), 1u);
    const auto r = server.Requests()[0];
    EXPECT_EQ(r.requestLine, "POST /form HTTP/1.1");  // asked for as "post"
    EXPECT_EQ(r.body, "a=1&b=网站");
    EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.HeaderCount("Content-Length"), 1);
    EXPECT_EQ(r.Header("Content-Length"), "10");
}

TEST(RunRequest, PostWithoutBodyAddsNoContentType) {
    LoopbackServer server;
    server.Serve("/form", Body("posted"));
    EXPECT_EQ(RunRequest(server.Address("/form"), "POST"), "posted");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].HeaderCount("Content-Type"), 0);
    EXPECT_EQ(server.Requests()[0].body, "");
}

TEST(RunRequest, OtherMethodsSendNothing) {
    LoopbackServer server;
    server.Serve("/x", Body("never"));
    const auto start = GetTickCount64();
    for (const char* method : {"PUT", "DELETE", "HEAD", "get "})
        EXPECT_EQ(RunRequest(server.Address("/x"), method, "", "", "", "", "body", 3), "") << method;
    EXPECT_LT(ElapsedMs(start), 2000);
    Sleep(300);  // a connection, had one been opened, would have been accepted by now
    EXPECT_EQ(server.ConnectionCount(), 0u);
    EXPECT_TRUE(server.Requests().empty());
}

TEST(RunRequest, NamedProxyGetsTheWholeAddress) {
    LoopbackServer proxy;
    // Wine writes the default port into the absolute address; Windows leaves it out.
    proxy.Serve("http://update.invalid/soft/pvnt.html", Body("via proxy"));
    proxy.Serve("http://update.invalid:80/soft/pvnt.html", Body("via proxy"));
    EXPECT_EQ(RunRequest("http://update.invalid/soft/pvnt.html", "", proxy.HostAndPort(), "", "", "", "", 5),
              "via proxy");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    const std::string line = proxy.Requests()[0].requestLine;
    EXPECT_TRUE(line == "GET http://update.invalid/soft/pvnt.html HTTP/1.1" ||
                line == "GET http://update.invalid:80/soft/pvnt.html HTTP/1.1")
        << line;
}

TEST(RunRequest, HeaderBlockLongerThanTheBufferLeavesSpaces) {
    LoopbackServer server;
    CannedResponse longHeaders = Body("body");
    longHeaders.headers.push_back("X-Long: " + std::string(1100, 'h'));
    server.Serve("/long", longHeaders);
    std::string headers;
    EXPECT_EQ(RunRequest(server.Address("/long"), "", "", "", "", "", "", 5, &headers), "body");
    EXPECT_EQ(headers, std::string(1024, ' '));
}

TEST(RunRequest, CookiesOfTheAnswerAreStoredForTheHost) {
    LoopbackServer server;
    CannedResponse withCookie = Body("c");
    withCookie.headers.push_back("Set-Cookie: qmtest=abc123");
    server.Serve("/c", withCookie);
    server.Serve("/d", Body("d"));
    EXPECT_EQ(RunRequest(server.Address("/c"), "", "", "", "", "", "", 5), "c");
    char value[256] = {};
    DWORD size = sizeof value;
    ASSERT_TRUE(InternetGetCookieA("http://127.0.0.1", "qmtest", value, &size));
    EXPECT_NE(std::string(value).find("abc123"), std::string::npos) << value;
    EXPECT_EQ(RunRequest(server.Address("/d"), "", "", "", "", "", "", 5), "d");
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_NE(server.Requests()[1].Header("Cookie").find("qmtest=abc123"), std::string::npos);
}

TEST(RunRequest, FailuresGiveEmptyBytes) {
    LoopbackServer server;
    CannedResponse dropped = Body(std::string(5000, 'x'));
    dropped.dropAfterBodyBytes = 1000;
    server.Serve("/dropped", dropped);
    std::string headers = "stale";
    EXPECT_EQ(RunRequest(server.Address("/dropped"), "", "", "", "", "", "", 5, &headers), "");
    EXPECT_EQ(headers, "");
    EXPECT_EQ(RunRequest("http://127.0.0.1:70000/", "", "", "", "", "", "", 5), "");
}

TEST(RunRequest, AnAnswerOfMoreThanOneMebibyteFails) {
    LoopbackServer server;
    const std::string limit(1u << 20, 'a');
    server.Serve("/limit", Body(limit));
    CannedResponse over = Body(limit + "b");
    over.sendContentLength = false;
    server.Serve("/over", over);
    CannedResponse endless = Body(std::string(4096, 'e'));
    endless.sendContentLength = false;
    endless.endless = true;
    server.Serve("/endless", endless);
    EXPECT_TRUE(RunRequest(server.Address("/limit"), "", "", "", "", "", "", 10) == limit);
    EXPECT_EQ(RunRequest(server.Address("/over"), "", "", "", "", "", "", 10), "");
    const auto start = GetTickCount64();
    std::string headers = "stale";
    EXPECT_EQ(RunRequest(server.Address("/endless"), "", "", "", "", "", "", 10, &headers), "");
    EXPECT_EQ(headers, "");
    EXPECT_LT(ElapsedMs(start), 9000) << "the worker read on until the time-out";
}

TEST(RunRequest, SlowAnswerWithinTheTimeoutArrives) {
    LoopbackServer server;
    CannedResponse slow = Body("late but in time");
    slow.delayMs = 1200;
    server.Serve("/slow", slow);
    EXPECT_EQ(RunRequest(server.Address("/slow"), "", "", "", "", "", "", 3), "late but in time");
}

TEST(RunRequest, StalledServerTimesOutAfterThreeQuietSeconds) {
    LoopbackServer server;
    CannedResponse stall;
    stall.stall = true;
    server.Serve("/stall", stall);
    const auto start = GetTickCount64();
    EXPECT_EQ(RunRequest(server.Address("/stall"), "", "", "", "", "", "", 3), "");
    const long long ms = ElapsedMs(start);
    EXPECT_GE(ms, 2900);
    EXPECT_LT(ms, 4500);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(RunRequest, LateAnswerIsNeverUsed) {
    LoopbackServer server;
    CannedResponse late = Body("too late");
    late.delayMs = 3600;  // after the 3 s time-out, while the abandoned worker still reads
    late.headers.push_back("Set-Cookie: qmlate=1");
    server.Serve("/late", late);
    server.Serve("/next", Body("next"));
    const auto start = GetTickCount64();
    EXPECT_EQ(RunRequest(server.Address("/late"), "", "", "", "", "", "", 3), "");
    EXPECT_LT(ElapsedMs(start), 3500);
    Sleep(1200);  // the worker receives its answer now and must drop it, cookies included
    char value[256] = {};
    DWORD size = sizeof value;
    EXPECT_FALSE(InternetGetCookieA("http://127.0.0.1", "qmlate", value, &size)) << value;
    EXPECT_EQ(RunRequest(server.Address("/next"), "", "", "", "", "", "", 3), "next");
}

std::atomic<int> timerTicks{0};
void CALLBACK CountTick(HWND, UINT, UINT_PTR id, DWORD) {
    if (++timerTicks >= 5) KillTimer(nullptr, id);
}

TEST(RunRequest, TimerMessagesKeepTheWaitGoingAndAreDispatched) {
    LoopbackServer server;
    CannedResponse stall;
    stall.stall = true;
    server.Serve("/stall", stall);
    timerTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 500, CountTick);  // ticks for 2.5 s, then stops
    ASSERT_NE(timer, 0u);
    const auto start = GetTickCount64();
    EXPECT_EQ(RunRequest(server.Address("/stall"), "", "", "", "", "", "", 3), "");
    const long long ms = ElapsedMs(start);
    EXPECT_EQ(timerTicks.load(), 5);  // dispatched inside the wait
    EXPECT_GE(ms, 5300);              // 3 s counted from the last tick at 2.5 s
    EXPECT_LT(ms, 7500);
}

TEST(RunRequest, PostedMessagesKeepTheWaitGoing) {
    LoopbackServer server;
    CannedResponse stall;
    stall.stall = true;
    server.Serve("/stall", stall);
    const DWORD waiter = GetCurrentThreadId();
    std::thread poster([waiter] {
        for (int k = 0; k < 6; ++k) {
            Sleep(400);
            PostThreadMessageW(waiter, WM_APP + 7, k, 0);
        }
    });
    const auto start = GetTickCount64();
    EXPECT_EQ(RunRequest(server.Address("/stall"), "", "", "", "", "", "", 3), "");
    const long long ms = ElapsedMs(start);
    poster.join();
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_APP + 7, WM_APP + 7, PM_REMOVE));  // all were taken
    EXPECT_GE(ms, 5200);  // 3 s after the last message at 2.4 s
    EXPECT_LT(ms, 7500);
}

TEST(RunRequest, MessagesSentFromOtherThreadsAreAnsweredInsideTheWait) {
    LoopbackServer server;
    CannedResponse stall;
    stall.stall = true;
    server.Serve("/stall", stall);
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const auto start = GetTickCount64();
    std::atomic<long long> answeredAt{-1};
    std::thread sender([&] {
        Sleep(500);
        SendMessageW(window, WM_NULL, 0, 0);  // a metric worker's call waits like this
        answeredAt = ElapsedMs(start);
    });
    EXPECT_EQ(RunRequest(server.Address("/stall"), "", "", "", "", "", "", 3), "");
    const long long ms = ElapsedMs(start);
    sender.join();
    DestroyWindow(window);
    EXPECT_GE(answeredAt.load(), 500);
    EXPECT_LT(answeredAt.load(), 2500) << "answered while the wait went on, not after it";
    EXPECT_GE(ms, 3400);  // 3 s counted from the sent message
}

TEST(RunRequest, QuitMessageEndsTheWaitAndIsKept) {
    LoopbackServer server;
    CannedResponse stall;
    stall.stall = true;
    server.Serve("/stall", stall);
    PostQuitMessage(3);
    const auto start = GetTickCount64();
    EXPECT_EQ(RunRequest(server.Address("/stall"), "", "", "", "", "", "", 30), "");
    EXPECT_LT(ElapsedMs(start), 2000);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
}  // namespace qm
