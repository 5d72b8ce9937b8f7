// RunRequest and its worker: see fetch.h. The requester (a window thread) and the worker share
// one RequestShared by shared ownership. The worker is never terminated (that can leave a lock of
// the process held): when the requester stops waiting it marks the state abandoned and lets go;
// the worker ends on its own at its next read or network time-out, and an abandoned worker's
// answer is neither written nor used. Closing the worker's handles from here would not wake it
// under Wine and would race with its use of them, so only the worker closes its handles.
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "web/fetch.h"
#include "web/request_package.h"
#include "web/request_rules.h"
#include "web/address.h"
#include "web/win32/internet_request.h"

namespace qm {

namespace {

constexpr int kDefaultTimeoutSeconds = 90;
constexpr int kMaxTimeoutSeconds = 7 * 24 * 3600;  // keeps the milliseconds far from INFINITE
constexpr DWORD kReadChunk = 512;
constexpr std::size_t kMaxAnswerBytes = 1u << 20;  // the update page is a few hundred bytes
constexpr DWORD kRawHeaderBuffer = 1024;
// The worker's network time-outs exceed the requester's wait, so the wait decides a quiet
// server's fate as the requester sees it, and an abandoned worker still ends soon after.
constexpr DWORD kNetworkMarginMs = 10000;

struct RequestShared {
    std::mutex mutex;
    RequestPackage package;  // request in, answer out; guarded by mutex
    std::atomic<bool> abandoned{false};
    DWORD networkTimeoutMs = 0;
};

struct Answer {
    std::string headers, body;
};

// The header block as the 1024-byte buffer holds it: the headers up to their terminating NUL, or
// the buffer's 1024 spaces when the block does not fit.
std::string RawHeaders(HINTERNET request) {
    char buffer[kRawHeaderBuffer];
    std::fill(buffer, buffer + kRawHeaderBuffer, ' ');
    DWORD size = kRawHeaderBuffer;
    HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &size, nullptr);
    std::size_t length = 0;
    while (length < kRawHeaderBuffer && buffer[length] != '\0') ++length;
    return std::string(buffer, length);
}

void SendRequest(HINTERNET request, const WebRequest& r, RequestMethod method) {
    std::string headers = CompleteRequestHeaders(r.extraHeaders, r.address);
    if (method == RequestMethod::Post) headers = AddPostBodyHeaders(headers, r.body);
    const bool withBody = method == RequestMethod::Post && !r.body.empty();
    // The outcome is not used: a failed send simply yields no body.
    HttpSendRequestA(request, headers.c_str(), static_cast<DWORD>(headers.size()),
                     withBody ? const_cast<char*>(r.body.data()) : nullptr,
                     withBody ? static_cast<DWORD>(r.body.size()) : 0);
}

// Opens, sends and reads one request. False when a handle cannot be opened or a read fails.
bool PerformRequest(const WebRequest& r, RequestMethod method, const RequestShared& shared, Answer& answer) {
    const std::string host = ExtractHost(r.address), path = ExtractPath(r.address);
    const int port = ExtractPort(r.address);
    if (port < 0 || port > 65535) return false;
    const bool viaProxy = !IsBlankSetting(r.proxy);
    const std::string proxySetting = ProxySetting(r.proxy);
    UniqueInternet internet(InternetOpenA(kUserAgent,
                                          viaProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_DIRECT,
                                          viaProxy ? proxySetting.c_str() : nullptr, "", 0));
    if (!internet) return false;
    const bool user = !IsBlankSetting(r.userName), pass = !IsBlankSetting(r.password);
    UniqueInternet connection(InternetConnectA(
        internet.get(), host.c_str(), static_cast<INTERNET_PORT>(port), user ? r.userName.c_str() : nullptr,
        pass ? r.password.c_str() : nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return false;
    // Methods are matched without case but sent in capitals: servers take "post" for an unknown method.
    const char* verb = method == RequestMethod::Post ? "POST" : "GET";
    UniqueInternet request(HttpOpenRequestA(connection.get(), verb, path.c_str(), "HTTP/1.1", nullptr,
                                            nullptr, INTERNET_FLAG_RELOAD, 0));
    if (!request) return false;
    const DWORD limit = shared.networkTimeoutMs;
    if (!SetRequestTimeouts(request.get(), limit, limit, limit)) return false;
    SendRequest(request.get(), r, method);
    if (!ReadBody(request.get(), kReadChunk, kMaxAnswerBytes, answer.body, &shared.abandoned)) return false;
    answer.headers = RawHeaders(request.get());
    return true;
}

void StoreCookies(const std::string& host, const std::string& rawHeaders) {
    const std::string url = kWebSchemePrefix + host;
    for (const Cookie& cookie : CookiesFromHeaders(rawHeaders)) {
        if (cookie.name.empty()) continue;
        InternetSetCookieA(url.c_str(), cookie.name.c_str(), cookie.value.c_str());
    }
}

bool RequestWorker(RequestShared& shared) {
    std::optional<WebRequest> request;
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        request = UnpackRequest(shared.package);
        Clear(shared.package);
    }
    if (!request) return false;
    const RequestMethod method = ClassifyMethod(request->method);
    if (method == RequestMethod::Refused) return false;
    Answer answer;
    if (!PerformRequest(*request, method, shared, answer)) return false;
    {
        std::lock_guard<std::mutex> lock(shared.mutex);
        if (shared.abandoned) return false;
        PackAnswer(shared.package, answer.headers, answer.body);
    }
    StoreCookies(ExtractHost(request->address), answer.headers);
    return true;
}

DWORD WINAPI RequestWorkerThread(LPVOID parameter) {
    // The thread owns one reference to the shared state, handed over on the heap.
    std::unique_ptr<std::shared_ptr<RequestShared>> reference(
        static_cast<std::shared_ptr<RequestShared>*>(parameter));
    const std::shared_ptr<RequestShared> shared = *reference;
    reference.reset();
    return RequestWorker(*shared) ? TRUE : FALSE;
}

// Dispatches the calling thread's pending messages. False when WM_QUIT was among them (it is
// put back for the caller's own loop once the wait is over).
bool PumpMessages(int& quitCode) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quitCode = static_cast<int>(msg.wParam);
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

enum class WaitResult { Ended, TimedOut, Failed };

// Waits for the worker while processing messages; every message restarts the full time-out.
// Messages sent from other threads wake the wait too, so a metric worker's call into the window
// thread is answered at once rather than when the update check is over.
WaitResult WaitForWorker(HANDLE thread, DWORD timeoutMs) {
    int quitCode = 0;
    bool quit = false;
    for (;;) {
        const DWORD r =
            MsgWaitForMultipleObjects(1, &thread, FALSE, timeoutMs, QS_ALLEVENTS | QS_SENDMESSAGE);
        if (!quit && !PumpMessages(quitCode)) quit = true;
        WaitResult result;
        if (r == WAIT_OBJECT_0)
            result = WaitResult::Ended;
        else if (r == WAIT_TIMEOUT || quit)
            result = WaitResult::TimedOut;  // a quitting program stops waiting at once
        else if (r == WAIT_OBJECT_0 + 1)
            continue;
        else
            result = WaitResult::Failed;
        if (quit) PostQuitMessage(quitCode);
        return result;
    }
}

}  // namespace

std::string RunRequest(std::string_view address, std::string_view method, std::string_view proxy,
                       std::string_view userName, std::string_view password, std::string_view extraHeaders,
                       std::string_view body, int timeoutSeconds, std::string* responseHeaders) {
    if (responseHeaders) responseHeaders->clear();
    const int seconds =
        timeoutSeconds > 0 ? std::min(timeoutSeconds, kMaxTimeoutSeconds) : kDefaultTimeoutSeconds;
    auto shared = std::make_shared<RequestShared>();
    shared->package =
        PackRequest({std::string(address), std::string(method), std::string(proxy), std::string(userName),
                     std::string(password), std::string(extraHeaders), std::string(body)});
    const DWORD timeoutMs = static_cast<DWORD>(seconds) * 1000;
    shared->networkTimeoutMs = timeoutMs + kNetworkMarginMs;

    auto* reference = new std::shared_ptr<RequestShared>(shared);
    HANDLE thread = CreateThread(nullptr, 0, RequestWorkerThread, reference, 0, nullptr);
    if (!thread) {
        delete reference;
        return {};
    }
    const WaitResult waited = WaitForWorker(thread, timeoutMs);
    std::string headers, result;
    bool answered = false;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->abandoned = true;
        if (waited == WaitResult::Ended) answered = UnpackAnswer(shared->package, headers, result);
    }
    CloseHandle(thread);
    if (!answered) return {};
    if (responseHeaders) *responseHeaders = std::move(headers);
    return result;
}

}  // namespace qm
