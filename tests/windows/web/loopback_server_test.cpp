// The loopback server itself, driven by a raw socket client: what it records, what it sends for
// the canned cases, and that it stops promptly even while a client keeps a stalled connection.
#include "tests/support/loopback_server.h"

#include <gtest/gtest.h>
#include <winsock2.h>

#include <memory>

namespace qm::test {
namespace {

struct Winsock {
    Winsock() { WSAStartup(MAKEWORD(2, 2), &data); }
    ~Winsock() { WSACleanup(); }
    WSADATA data;
};

SOCKET Connect(int port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<u_short>(port));
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    DWORD timeoutMs = 5000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    return s;
}

// Sends a request and reads until the server closes.
std::string Exchange(int port, const std::string& request) {
    SOCKET s = Connect(port);
    if (s == INVALID_SOCKET) return "connect failed";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    std::string answer;
    char buffer[4096];
    int n;
    while ((n = recv(s, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, static_cast<std::size_t>(n));
    closesocket(s);
    return answer;
}

TEST(LoopbackServer, RecordsRequestAndServesByExactTarget) {
    Winsock winsock;
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    CannedResponse r;
    r.body = "hello";
    r.headers.push_back("X-Test: 1");
    server.Serve("/a?q=网", r);
    const std::string answer = Exchange(server.Port(),
                                        "POST /a?q=网 HTTP/1.0\r\nHost: x\r\nx-two: a\r\nX-Two: b\r\n"
                                        "Content-Length: 4\r\n\r\nbody");
    EXPECT_EQ(answer, "HTTP/1.1 200 OK\r\nX-Test: 1\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello");
    ASSERT_TRUE(server.WaitForRequests(1, 1000));
    const RecordedRequest q = server.Requests()[0];
    EXPECT_EQ(q.requestLine, "POST /a?q=网 HTTP/1.0");
    EXPECT_EQ(q.method, "POST");
    EXPECT_EQ(q.version, "HTTP/1.0");
    EXPECT_EQ(q.Path(), "/a");
    EXPECT_EQ(q.Query(), "q=网");
    EXPECT_EQ(q.HeaderCount("X-TWO"), 2);
    EXPECT_EQ(q.Header("x-two"), "a");
    EXPECT_EQ(q.body, "body");
    EXPECT_EQ(Exchange(server.Port(), "GET /a HTTP/1.0\r\n\r\n").substr(0, 22), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(server.ConnectionCount(), 2u);
}

TEST(LoopbackServer, DropAndDeclaredLengths) {
    Winsock winsock;
    LoopbackServer server;
    CannedResponse drop;
    drop.body = "0123456789";
    drop.dropAfterBodyBytes = 4;
    server.Serve("/drop", drop);
    CannedResponse longer;
    longer.body = "0123456789";
    longer.contentLength = 3;
    server.Serve("/longer", longer);
    CannedResponse unsized;
    unsized.body = "abc";
    unsized.sendContentLength = false;
    server.Serve("/unsized", unsized);
    EXPECT_EQ(Exchange(server.Port(), "GET /drop HTTP/1.0\r\n\r\n"),
              "HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\n0123");
    EXPECT_EQ(Exchange(server.Port(), "GET /longer HTTP/1.0\r\n\r\n"),
              "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\n0123456789");
    EXPECT_EQ(Exchange(server.Port(), "GET /unsized HTTP/1.0\r\n\r\n"),
              "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nabc");
}

TEST(LoopbackServer, StopsPromptlyWithStalledAndSilentClients) {
    Winsock winsock;
    auto server = std::make_unique<LoopbackServer>();
    CannedResponse stall;
    stall.stall = true;
    server->Serve("/stall", stall);
    SOCKET stalled = Connect(server->Port());
    const std::string request = "GET /stall HTTP/1.0\r\n\r\n";
    send(stalled, request.data(), static_cast<int>(request.size()), 0);
    SOCKET silent = Connect(server->Port());  // connects and never sends a byte
    ASSERT_TRUE(server->WaitForRequests(1, 2000));
    const auto start = GetTickCount64();
    server.reset();
    const auto ms = GetTickCount64() - start;
    EXPECT_LT(ms, 1500);
    char byte;
    EXPECT_EQ(recv(stalled, &byte, 1, 0), 0);  // the server closed it
    closesocket(stalled);
    closesocket(silent);
}

}  // namespace
}  // namespace qm::test
