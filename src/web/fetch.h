// The page fetchers over the system's Internet functions (Windows build only).
// FetchPage: a blocking GET, called by the metric workers, several threads at once.
// RunRequest: one request on a worker thread of its own while the calling window thread keeps
// processing its window messages; used by the update check.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// The body of one GET over a direct connection, or empty bytes on any failure (no connection,
// time-out, a read that fails, a body cut short of its Content-Length, or one of more than
// 16 MiB).
std::string FetchPage(std::string_view address);

// Runs one GET or POST on a worker thread and waits for it while processing the calling
// thread's window messages; the time-out (0: 90 s) restarts after every message. Returns the
// body, or empty bytes on failure, time-out or a body of more than 1 MiB. An empty method is a
// GET; methods other than GET and POST are refused before anything is sent. responseHeaders, when
// given, receives the raw header block (meaningful only when the body is not empty).
std::string RunRequest(std::string_view address, std::string_view method = {}, std::string_view proxy = {},
                       std::string_view userName = {}, std::string_view password = {},
                       std::string_view extraHeaders = {}, std::string_view body = {}, int timeoutSeconds = 0,
                       std::string* responseHeaders = nullptr);

// Network time-outs, in milliseconds, that each request handle gets (the system would wait for
// ever on a receive). Per call, not per page: a receive time-out is the longest quiet spell.
struct FetchTimeouts {
    unsigned connectMs = 15000;
    unsigned sendMs = 15000;
    unsigned receiveMs = 30000;
};

// Test seam: the time-outs of FetchPage (the defaults above when never called).
void SetFetchPageTimeoutsForTests(const FetchTimeouts& timeouts);

}  // namespace qm
