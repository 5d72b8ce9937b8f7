// FetchPage: see fetch.h. Called from several metric worker threads at once. What the calls
// share is one Internet handle for the whole run (made on first use under a mutex, never closed,
// so a worker still running at exit never sees it go) and the time-outs, read under the same
// mutex. Every call owns its connection and request handles.
#include <algorithm>
#include <mutex>

#include "web/fetch.h"
#include "web/request_rules.h"
#include "web/address.h"
#include "web/win32/internet_request.h"

namespace qm {

namespace {

constexpr std::size_t kMaxChunk = 102400;
// The largest page taken: a server that never stops sending fails the fetch instead of growing
// memory until allocation fails (five fetches run at once per form).
constexpr std::size_t kMaxPageBytes = 16u << 20;
constexpr std::size_t kChunkWithoutLength = 10240;
constexpr char kAcceptAll[] = "Accept: */*\r\n";

std::mutex sessionMutex;
HINTERNET session = nullptr;  // shared by every call, kept until the process ends
FetchTimeouts timeouts;

HINTERNET SharedSession(FetchTimeouts& timeoutsOut) {
    std::lock_guard<std::mutex> lock(sessionMutex);
    if (!session) session = InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    timeoutsOut = timeouts;
    return session;
}

std::size_t ChunkSize(long long contentLength) {
    if (contentLength <= 0) return kChunkWithoutLength;
    return static_cast<std::size_t>(std::min<long long>(contentLength + 1, kMaxChunk));
}

}  // namespace

std::string FetchPage(std::string_view address) {
    FetchTimeouts limits;
    HINTERNET internet = SharedSession(limits);
    if (!internet) return {};
    const std::string host = ExtractHost(address), path = ExtractPath(address);
    const int port = ExtractPort(address);
    if (port < 0 || port > 65535) return {};

    UniqueInternet connection(InternetConnectA(internet, host.c_str(), static_cast<INTERNET_PORT>(port),
                                               nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return {};
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    if (UsesSecureConnection(address)) flags |= INTERNET_FLAG_SECURE;
    UniqueInternet request(
        HttpOpenRequestA(connection.get(), "GET", path.c_str(), "HTTP/1.0", nullptr, nullptr, flags, 0));
    if (!request) return {};
    if (!SetRequestTimeouts(request.get(), limits.connectMs, limits.sendMs, limits.receiveMs)) return {};
    if (!HttpSendRequestA(request.get(), kAcceptAll, static_cast<DWORD>(sizeof kAcceptAll - 1), nullptr, 0))
        return {};
    std::string body;
    if (!ReadBody(request.get(), ChunkSize(QueryContentLength(request.get())), kMaxPageBytes, body))
        return {};
    return body;
}

void SetFetchPageTimeoutsForTests(const FetchTimeouts& newTimeouts) {
    std::lock_guard<std::mutex> lock(sessionMutex);
    timeouts = newTimeouts;
}

}  // namespace qm
