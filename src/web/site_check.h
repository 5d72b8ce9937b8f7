// The site check: which addresses are requested at all, how one site's redirects are followed
// hop by hop, and the run that checks many sites on worker threads (at most 8 requests at once,
// at most 2 to one host). Portable: a hop reaches the network only through a HopFunction, which
// the Windows build fills with WinINet (web/win32/site_check_win.h) and tests with fakes.
//
// Threads: a run's workers are its own threads; they share the run's state (the token) by shared
// ownership and never touch a window. The window thread starts a run, polls it for finished
// results and stops it. Stop returns at once: a worker still waiting on the network is never
// terminated, it ends on its own at its next time-out, and whatever it finds is dropped.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/site_checks.h"

namespace qm {

// The address a site is requested at: its own when it is a plain or secure web address with a
// host and a port in range, "http://" put before one written without a scheme ("www.a.cn/x"),
// nullopt for anything else (another scheme, blanks or controls in the host, no host).
std::optional<std::string> RequestAddress(std::string_view stored);

// Where a Location header leads from the address that answered with it: an absolute web
// address, one without scheme ("//host/x"), a path ("/x") or a relative one ("x", "../x" is
// kept as written). Empty when it leads to no web address.
std::string ResolveRedirect(std::string_view from, std::string_view location);

// What one request brought back.
struct HopAnswer {
    CheckOutcome outcome = CheckOutcome::kFailed;  // kAnswered when a status line came
    int status = 0;
    std::string location;     // the Location header, when there was one
    std::string contentType;  // the Content-Type header
    std::string body;         // at most the first kMaxCheckedBodyBytes
    long long firstByteMs = -1;
    int certificateDays = kNoCertificateDays;
};

// One request to exactly this address, redirects not followed, giving up after timeoutMs in all
// or soon after stop becomes true. Called on worker threads, several at once.
using HopFunction =
    std::function<HopAnswer(const std::string& address, unsigned timeoutMs, const std::atomic<bool>& stop)>;

struct CheckOptions {
    int workers = 8;
    int perHost = 2;
    int maxRedirects = 5;
    unsigned timeoutMs = 15000;  // per request
};

// Checks one site: not requested when RequestAddress refuses it; otherwise requested, following
// up to maxRedirects redirects (a circle or one more is kTooManyRedirects). The response time
// adds up every hop's time to its first byte; the certificate and the title are the last hop's.
// checkedAt is left empty for the caller.
SiteCheck CheckSite(const std::string& stored, const HopFunction& hop, const CheckOptions& options,
                    const std::atomic<bool>& stop);

// A run over many sites. Results come out in the order they finish, each with its index in the
// list the run was started with.
class SiteCheckRun {
  public:
    static std::shared_ptr<SiteCheckRun> Start(std::vector<std::string> addresses, HopFunction hop,
                                               const CheckOptions& options = {});
    ~SiteCheckRun();
    SiteCheckRun(const SiteCheckRun&) = delete;
    SiteCheckRun& operator=(const SiteCheckRun&) = delete;

    // Ends the run for its owner: no result is handed out after it, waiting workers leave at once
    // and busy ones as soon as their request gives up. Any thread.
    void Stop();
    // The results finished since the last call.
    std::vector<std::pair<std::size_t, SiteCheck>> TakeFinished();
    std::size_t Total() const;
    // Sites finished, handed out or not (stopped runs count what finished before the stop).
    std::size_t FinishedCount() const;
    // Every site finished, or the run stopped.
    bool Ended() const;

    struct State;

  private:
    explicit SiteCheckRun(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

// Worker threads of every run still alive in the process (test seam).
int RunningCheckWorkers();

}  // namespace qm
