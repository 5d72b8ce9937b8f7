// Loopback test server: see loopback_server.h. Sockets are non-blocking and every wait is a
// select() of at most kPollMs, after which the stop flag is checked, so nothing here can block
// the destructor for longer than that.
#include "tests/support/loopback_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>

namespace qm::test {

namespace {

constexpr long kPollMs = 50;
constexpr std::size_t kSendPiece = 64 * 1024;
constexpr long kLingerMs = 1000;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

struct LoopbackServer::State {
    SOCKET listener = INVALID_SOCKET;
    int port = 0;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;  // stop requested or a request recorded
    bool stopping = false;
    std::map<std::string, std::shared_ptr<const CannedResponse>> responses;
    std::shared_ptr<const CannedResponse> others;
    std::vector<RecordedRequest> requests;
    std::size_t connections = 0;
    std::size_t active = 0, mostActive = 0;  // connections being served
    std::string address;                     // dotted, the one listened on
    std::vector<std::thread> workers;

    bool Stopping() const {
        std::lock_guard<std::mutex> lock(mutex);
        return stopping;
    }
    // Sleeps up to ms; false when the server stops meanwhile.
    bool Pause(int ms) const {
        std::unique_lock<std::mutex> lock(mutex);
        return !changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
    }
};

namespace {

using State = LoopbackServer::State;

// Waits until the socket can be read (or written); false once the server stops or after
// maxWaitMs (-1: no limit but the stop).
bool WaitReady(const State& state, SOCKET s, bool forWrite, long maxWaitMs = -1) {
    for (long waited = 0; !state.Stopping() && (maxWaitMs < 0 || waited < maxWaitMs); waited += kPollMs) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval tv{0, kPollMs * 1000};
        const int r = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &tv);
        if (r < 0) return false;
        if (r > 0) return true;
    }
    return false;
}

bool SendAll(const State& state, SOCKET s, const char* data, std::size_t size) {
    while (size > 0) {
        const int n = send(s, data, static_cast<int>(std::min(size, kSendPiece)), 0);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK && WaitReady(state, s, true)) continue;
        return false;
    }
    return true;
}

// Receives until pred(buffer) holds; false when the peer closes first or the server stops.
template <typename Pred>
bool ReceiveUntil(const State& state, SOCKET s, std::string& buffer, Pred done) {
    char chunk[4096];
    while (!done(buffer)) {
        const int n = recv(s, chunk, sizeof chunk, 0);
        if (n > 0) {
            buffer.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK && WaitReady(state, s, false)) continue;
        return false;
    }
    return true;
}

RecordedRequest ParseHead(std::string_view head) {
    RecordedRequest r;
    std::size_t lineEnd = head.find("\r\n");
    r.requestLine = std::string(head.substr(0, lineEnd));
    const std::size_t sp1 = r.requestLine.find(' '), sp2 = r.requestLine.rfind(' ');
    if (sp1 != std::string::npos && sp2 > sp1) {
        r.method = r.requestLine.substr(0, sp1);
        r.target = r.requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
        r.version = r.requestLine.substr(sp2 + 1);
    }
    while (lineEnd != std::string_view::npos && lineEnd + 2 < head.size()) {
        const std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string_view line =
            head.substr(start, lineEnd == std::string_view::npos ? head.npos : lineEnd - start);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::size_t v = colon + 1;
        while (v < line.size() && line[v] == ' ') ++v;
        r.headers.emplace_back(std::string(line.substr(0, colon)), std::string(line.substr(v)));
    }
    return r;
}

std::string ResponseHead(const CannedResponse& response) {
    std::string head = "HTTP/1.1 " + response.status + "\r\n";
    for (const std::string& line : response.headers) head += line + "\r\n";
    if (response.sendContentLength) {
        const long long length = response.contentLength >= 0 ? response.contentLength
                                                             : static_cast<long long>(response.body.size());
        head += "Content-Length: " + std::to_string(length) + "\r\n";
    }
    head += "Connection: close\r\n\r\n";
    return head;
}

void Answer(State& state, SOCKET s, const CannedResponse& response) {
    if (response.stall) {
        while (state.Pause(1000)) {
        }
        return;
    }
    if (response.delayMs > 0 && !state.Pause(response.delayMs)) return;
    const std::string head = ResponseHead(response);
    if (!SendAll(state, s, head.data(), head.size())) return;
    if (response.dripMs > 0) {
        for (std::size_t i = 0; i < response.body.size(); ++i)
            if (!SendAll(state, s, response.body.data() + i, 1) || !state.Pause(response.dripMs)) return;
        return;
    }
    if (response.endless) {
        while (!response.body.empty() && SendAll(state, s, response.body.data(), response.body.size())) {
        }
        return;
    }
    std::size_t bodyBytes = response.body.size();
    if (response.dropAfterBodyBytes >= 0)
        bodyBytes = std::min(bodyBytes, static_cast<std::size_t>(response.dropAfterBodyBytes));
    SendAll(state, s, response.body.data(), bodyBytes);
}

void ServeConnection(State& state, SOCKET s) {
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.mostActive = std::max(state.mostActive, ++state.active);
    }
    std::string buffer;
    const bool gotHead = ReceiveUntil(
        state, s, buffer, [](const std::string& b) { return b.find("\r\n\r\n") != std::string::npos; });
    if (gotHead) {
        const std::size_t headEnd = buffer.find("\r\n\r\n") + 4;
        RecordedRequest request = ParseHead(std::string_view(buffer).substr(0, headEnd - 2));
        const std::string declared = request.Header("Content-Length");
        const std::size_t bodyLength = static_cast<std::size_t>(std::strtoull(declared.c_str(), nullptr, 10));
        ReceiveUntil(state, s, buffer,
                     [&](const std::string& b) { return b.size() >= headEnd + bodyLength; });
        request.body = buffer.substr(headEnd, bodyLength);
        std::shared_ptr<const CannedResponse> response;
        {
            std::lock_guard<std::mutex> lock(state.mutex);
            const auto it = state.responses.find(request.target);
            response = it != state.responses.end() ? it->second : state.others;
            state.requests.push_back(std::move(request));
        }
        state.changed.notify_all();
        Answer(state, s, *response);
    }
    {
        // Served once the answer is out: the client may open its next connection while this
        // one lingers below, and that is no second connection at once.
        std::lock_guard<std::mutex> lock(state.mutex);
        --state.active;
    }
    // Send what is queued with a FIN, then give the client a moment to close first, so unread
    // bytes on our side never turn the close into a reset that could discard the answer.
    shutdown(s, SD_SEND);
    char chunk[4096];
    while (WaitReady(state, s, false, kLingerMs) && recv(s, chunk, sizeof chunk, 0) > 0) {
    }
    closesocket(s);
}

void AcceptLoop(const std::shared_ptr<State>& state) {
    while (WaitReady(*state, state->listener, false)) {
        SOCKET s = accept(state->listener, nullptr, nullptr);
        if (s == INVALID_SOCKET) continue;
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->stopping) {
            closesocket(s);
            break;
        }
        ++state->connections;
        state->workers.emplace_back([state, s] { ServeConnection(*state, s); });
    }
}

}  // namespace

std::string RecordedRequest::Path() const {
    return target.substr(0, target.find('?'));
}

std::string RecordedRequest::Query() const {
    const std::size_t q = target.find('?');
    return q == std::string::npos ? std::string() : target.substr(q + 1);
}

std::string RecordedRequest::Header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (Lower(key) == Lower(name)) return value;
    return {};
}

int RecordedRequest::HeaderCount(std::string_view name) const {
    int count = 0;
    for (const auto& header : headers) count += Lower(header.first) == Lower(name);
    return count;
}

LoopbackServer::LoopbackServer(std::string_view loopbackAddress) : state_(std::make_shared<State>()) {
    state_->address = std::string(loopbackAddress);
    CannedResponse notFound;
    notFound.status = "404 Not Found";
    notFound.body = "not found";
    state_->others = std::make_shared<const CannedResponse>(std::move(notFound));
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return;
    // Tests never listen beyond the loopback range.
    const unsigned long bindTo = inet_addr(state_->address.c_str());
    if (bindTo == INADDR_NONE || (ntohl(bindTo) >> 24) != 127) return;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = bindTo;
    addr.sin_port = 0;  // a free port
    int size = sizeof addr;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, SOMAXCONN) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
        closesocket(s);
        return;
    }
    state_->listener = s;
    state_->port = ntohs(addr.sin_port);
    acceptThread_ = std::thread(AcceptLoop, state_);
}

LoopbackServer::~LoopbackServer() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopping = true;
    }
    state_->changed.notify_all();
    if (acceptThread_.joinable()) acceptThread_.join();
    // No new workers can start now; each one notices the stop within kPollMs.
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        workers.swap(state_->workers);
    }
    for (std::thread& t : workers) t.join();
    if (state_->listener != INVALID_SOCKET) closesocket(state_->listener);
    WSACleanup();
}

bool LoopbackServer::Listening() const {
    return state_->listener != INVALID_SOCKET;
}
int LoopbackServer::Port() const {
    return state_->port;
}
std::string LoopbackServer::HostAndPort() const {
    return state_->address + ":" + std::to_string(state_->port);
}

std::string LoopbackServer::Address(std::string_view target) const {
    return "http://" + HostAndPort() + std::string(target);
}

void LoopbackServer::Serve(std::string target, CannedResponse response) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->responses[std::move(target)] = std::make_shared<const CannedResponse>(std::move(response));
}

void LoopbackServer::ServeOthers(CannedResponse response) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->others = std::make_shared<const CannedResponse>(std::move(response));
}

std::vector<RecordedRequest> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->requests;
}

std::size_t LoopbackServer::ConnectionCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->connections;
}

std::size_t LoopbackServer::MostConnectionsAtOnce() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->mostActive;
}

bool LoopbackServer::WaitForRequests(std::size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [&] { return state_->requests.size() >= count; });
}

}  // namespace qm::test
