// A small HTTP server on 127.0.0.1 for the network tests (Windows build, Winsock). It listens on
// a free port, answers each connection with a canned response chosen by the exact request target
// (path and query, bytes as sent), and records every request so tests can check what was sent.
// Responses can be delayed, stall until the server stops, drop the connection part-way through
// the body, declare a Content-Length that differs from the body, drip it, or never end. Every response
// closes its connection. The destructor stops the server: it closes every connection and joins its
// threads without ever waiting for a client. Thread-safe; one accept thread plus one thread per connection.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace qm::test {

struct CannedResponse {
    std::string status = "200 OK";     // after "HTTP/1.1 "
    std::vector<std::string> headers;  // extra header lines, without CR LF
    std::string body;
    bool sendContentLength = true;
    long long contentLength = -1;       // declared length; -1: the body's size
    int delayMs = 0;                    // quiet time before the answer starts
    bool stall = false;                 // read the request, then never answer
    long long dropAfterBodyBytes = -1;  // close after this many body bytes (-1: send it all)
    bool endless = false;               // send the body over and over until the client goes away
    int dripMs = 0;                     // send the body one byte at a time, pausing this long after each
};

struct RecordedRequest {
    std::string requestLine;  // "GET /s?wd=x HTTP/1.0"
    std::string method, target, version;
    std::vector<std::pair<std::string, std::string>> headers;  // in the order sent
    std::string body;

    std::string Path() const;   // target before "?"
    std::string Query() const;  // target after "?", empty when there is none
    // Value of the first header of that name (any case), empty when absent.
    std::string Header(std::string_view name) const;
    int HeaderCount(std::string_view name) const;
};

class LoopbackServer {
  public:
    // Listens on 127.0.0.1, or on another address of the loopback range (127.x.y.z): several
    // servers then stand for several hosts. Any other address is refused (Listening() is false).
    explicit LoopbackServer(std::string_view loopbackAddress = "127.0.0.1");
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool Listening() const;
    int Port() const;
    std::string HostAndPort() const;                     // "127.0.0.1:port"
    std::string Address(std::string_view target) const;  // "http://127.0.0.1:port" + target

    // The response for requests whose target is exactly target; others get ServeOthers' (404).
    void Serve(std::string target, CannedResponse response);
    void ServeOthers(CannedResponse response);

    std::vector<RecordedRequest> Requests() const;
    std::size_t ConnectionCount() const;        // accepted connections, with or without a request
    std::size_t MostConnectionsAtOnce() const;  // the most connections at once until their answers were sent
    // True once count requests have been recorded, false after timeoutMs.
    bool WaitForRequests(std::size_t count, int timeoutMs) const;

    struct State;

  private:
    std::shared_ptr<State> state_;
    std::thread acceptThread_;
};

}  // namespace qm::test
