// Shared fetcher helpers: see internet_request.h.
#include "web/win32/internet_request.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

namespace qm {

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

bool ReadBody(HINTERNET request, std::size_t chunkSize, std::size_t maxBytes, std::string& body,
              const std::atomic<bool>* stop) {
    const long long declared = QueryContentLength(request);
    body.clear();
    if (declared > static_cast<long long>(maxBytes)) return false;
    if (declared > 0) {
        try {
            body.reserve(static_cast<std::size_t>(declared));
        } catch (const std::bad_alloc&) {
            // Read without reserving; a body that does not fit fails below.
        }
    }
    std::vector<char> chunk(chunkSize);
    try {
        // A body is complete at its declared length: Wine sometimes passes on bytes a server sent
        // past it, and they are no body.
        while (declared < 0 || body.size() < static_cast<std::size_t>(declared)) {
            if (stop && stop->load()) return false;
            DWORD read = 0;
            if (!InternetReadFile(request, chunk.data(), static_cast<DWORD>(chunk.size()), &read))
                return false;
            if (read == 0) break;
            std::size_t take = read;
            if (declared >= 0)
                take = std::min<std::size_t>(take, static_cast<std::size_t>(declared) - body.size());
            if (body.size() + take > maxBytes) return false;
            body.append(chunk.data(), take);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return declared < 0 || static_cast<long long>(body.size()) == declared;
}

}  // namespace qm
