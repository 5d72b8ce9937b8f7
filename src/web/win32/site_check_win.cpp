// Site check hops over WinINet: see site_check_win.h. The hops share one Internet handle for the
// whole run of the process (made on first use, never closed, so a worker still blocked at exit
// never sees it go, as with FetchPage); each hop owns its connection and request handles. A hop
// ends by itself: every wait on the network is bounded by the time-outs set on its request
// handle, and the body is read only as far as it is available, with the time left checked in
// between, so a server that drips its body byte by byte still ends the hop on time.
#include "web/win32/site_check_win.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/win32/handles.h"
#include "web/address.h"
#include "web/page_title.h"
#include "web/request_rules.h"
#include "web/win32/internet_request.h"

namespace qm {

namespace {

constexpr char kAcceptAll[] = "Accept: */*\r\n";
constexpr DWORD kReadChunk = 64u << 10;
constexpr ULONGLONG kTimeoutSlackMs = 100;

std::mutex sessionMutex;
HINTERNET session = nullptr;

HINTERNET SharedSession() {
    std::lock_guard<std::mutex> lock(sessionMutex);
    if (!session) session = InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    return session;
}

std::string QueryText(HINTERNET request, DWORD what) {
    std::vector<char> buffer(1024);
    for (int tries = 0; tries < 2; ++tries) {
        DWORD size = static_cast<DWORD>(buffer.size());
        if (HttpQueryInfoA(request, what, buffer.data(), &size, nullptr))
            return std::string(buffer.data(), size);
        // A value of up to 64 KiB is taken; a longer one is no header this check needs.
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size > (64u << 10)) return {};
        buffer.resize(size + 1);
    }
    return {};
}

int CertificateDays(HINTERNET request) {
    INTERNET_CERTIFICATE_INFO info{};
    DWORD size = sizeof info;
    if (!InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_CERTIFICATE_STRUCT, &info, &size))
        return kNoCertificateDays;
    // The texts are the caller's to free.
    for (auto* text : {info.lpszSubjectInfo, info.lpszIssuerInfo, info.lpszProtocolName,
                       info.lpszSignatureAlgName, info.lpszEncryptionAlgName})
        if (text) LocalFree(text);
    SYSTEMTIME expiry{}, now{};
    if (!FileTimeToSystemTime(&info.ftExpiry, &expiry)) return kNoCertificateDays;
    GetSystemTime(&now);
    return CertificateDaysLeft(
        {expiry.wYear, expiry.wMonth, expiry.wDay, expiry.wHour, expiry.wMinute, expiry.wSecond},
        {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});
}

bool IsRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Reads what the body offers until kMaxCheckedBodyBytes, its end, the stop or the deadline.
// False only when the deadline passed first.
bool ReadBodyStart(HINTERNET request, ULONGLONG deadline, const std::atomic<bool>& stop, std::string& body) {
    std::vector<char> chunk(kReadChunk);
    while (body.size() < kMaxCheckedBodyBytes && !stop.load()) {
        if (GetTickCount64() >= deadline) return false;
        DWORD available = 0;
        // A quiet spell ends the read at the receive time-out, past the deadline.
        if (!InternetQueryDataAvailable(request, &available, 0, 0))
            return GetTickCount64() + kTimeoutSlackMs < deadline;
        if (available == 0) return true;  // the end
        const DWORD want = static_cast<DWORD>(
            std::min<std::size_t>({available, chunk.size(), kMaxCheckedBodyBytes - body.size()}));
        DWORD read = 0;
        if (!InternetReadFile(request, chunk.data(), want, &read) || read == 0) return true;
        body.append(chunk.data(), read);
    }
    return true;
}

}  // namespace

CheckOutcome OutcomeOfError(unsigned long error) {
    switch (error) {
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
            return CheckOutcome::kNoSuchHost;
        case ERROR_INTERNET_CANNOT_CONNECT:
            return CheckOutcome::kRefused;
        case ERROR_INTERNET_TIMEOUT:
        case WSAETIMEDOUT:
            return CheckOutcome::kTimedOut;
        case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        case ERROR_INTERNET_INVALID_CA:
        case ERROR_INTERNET_SEC_CERT_ERRORS:
        case ERROR_INTERNET_SEC_CERT_REV_FAILED:
        case ERROR_INTERNET_SEC_CERT_NO_REV:
        case ERROR_INTERNET_SEC_CERT_REVOKED:
        case ERROR_INTERNET_SEC_INVALID_CERT:
            return CheckOutcome::kCertificateInvalid;
        default:
            return CheckOutcome::kFailed;
    }
}

HopAnswer RequestHop(const std::string& address, unsigned timeoutMs, const std::atomic<bool>& stop) {
    HopAnswer answer;
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG deadline = start + timeoutMs;
    HINTERNET internet = SharedSession();
    const std::string host = ExtractHost(address), path = ExtractPath(address);
    const int port = ExtractPort(address);
    if (!internet || host.empty() || port < 1 || port > 65535) return answer;
    UniqueInternet connection(InternetConnectA(internet, host.c_str(), static_cast<INTERNET_PORT>(port),
                                               nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) {
        answer.outcome = OutcomeOfError(GetLastError());
        return answer;
    }
    const bool secure = UsesSecureConnection(address);
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                  INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTH;
    if (secure) flags |= INTERNET_FLAG_SECURE;
    UniqueInternet request(
        HttpOpenRequestA(connection.get(), "GET", path.c_str(), "HTTP/1.1", nullptr, nullptr, flags, 0));
    if (!request || !SetRequestTimeouts(request.get(), timeoutMs, timeoutMs, timeoutMs)) return answer;
    if (!HttpSendRequestA(request.get(), kAcceptAll, static_cast<DWORD>(sizeof kAcceptAll - 1), nullptr, 0)) {
        answer.outcome = OutcomeOfError(GetLastError());
        // Wine reports a receive time-out as an aborted connection (12030): a failure that comes
        // when the time allowed is up is the time-out.
        if (answer.outcome == CheckOutcome::kFailed && GetTickCount64() + kTimeoutSlackMs >= deadline)
            answer.outcome = CheckOutcome::kTimedOut;
        return answer;
    }
    answer.firstByteMs = static_cast<long long>(GetTickCount64() - start);
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr))
        return answer;
    answer.outcome = CheckOutcome::kAnswered;
    answer.status = static_cast<int>(status);
    if (secure) answer.certificateDays = CertificateDays(request.get());
    if (IsRedirectStatus(answer.status)) {
        answer.location = QueryText(request.get(), HTTP_QUERY_LOCATION);
        if (!answer.location.empty()) return answer;
    }
    answer.contentType = QueryText(request.get(), HTTP_QUERY_CONTENT_TYPE);
    if (!ReadBodyStart(request.get(), deadline, stop, answer.body)) answer.outcome = CheckOutcome::kTimedOut;
    return answer;
}

}  // namespace qm
