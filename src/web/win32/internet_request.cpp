// Shared fetcher helpers: see internet_request.h.
#include "web/win32/internet_request.h"

#include <cstdlib>
#include <new>
#include <vector>

namespace qm {

namespace {

// A Content-Length above this is not reserved up front (a lying server must not make us commit
// gigabytes); the body then grows as it arrives.
constexpr long long kMaxReserve = 256LL * 1024 * 1024;

}  // namespace

bool SetRequestTimeouts(HINTERNET request, DWORD connectMs, DWORD sendMs, DWORD receiveMs) {
    bool ok = InternetSetOptionA(request, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
    ok = InternetSetOptionA(request, INTERNET_OPTION_SEND_TIMEOUT, &sendMs, sizeof sendMs) && ok;
    ok = InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs) && ok;
    return ok;
}

long long QueryContentLength(HINTERNET request) {
    char text[32] = {};
    DWORD size = sizeof text - 1;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return -1;
    char* end = nullptr;
    const long long length = std::strtoll(text, &end, 10);
    if (end == text) return -1;
    return length;
}

bool ReadBody(HINTERNET request, std::size_t chunkSize, std::string& body, const std::atomic<bool>* stop) {
    const long long declared = QueryContentLength(request);
    body.clear();
    if (declared > 0 && declared <= kMaxReserve) {
        try {
            body.reserve(static_cast<std::size_t>(declared));
        } catch (const std::bad_alloc&) {
            // Read without reserving; a body that does not fit fails below.
        }
    }
    std::vector<char> chunk(chunkSize);
    try {
        for (;;) {
            if (stop && stop->load()) return false;
            DWORD read = 0;
            if (!InternetReadFile(request, chunk.data(), static_cast<DWORD>(chunk.size()), &read))
                return false;
            if (read == 0) break;
            body.append(chunk.data(), read);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (declared < 0) return true;
    if (static_cast<long long>(body.size()) < declared) return false;
    // Wine sometimes passes on bytes a server sent past its Content-Length; they are no body.
    body.resize(static_cast<std::size_t>(declared));
    return true;
}

}  // namespace qm
