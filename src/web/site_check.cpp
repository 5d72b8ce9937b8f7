// Site check planning, redirects and the worker run: see site_check.h.
#include "web/site_check.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "platform/gbk.h"
#include "web/address.h"
#include "web/page_title.h"

namespace qm {

namespace {

std::atomic<int> runningWorkers{0};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

// Scheme and authority of a web address ("https://a.cn:8443"), empty when it is none.
std::string Origin(std::string_view address) {
    const std::size_t scheme = StartsWithNoCase(address, kSecureWebSchemePrefix) ? 8
                               : StartsWithNoCase(address, kWebSchemePrefix)     ? 7
                                                                                 : 0;
    if (scheme == 0) return {};
    const std::size_t end = address.find_first_of("/?#", scheme);
    return std::string(address.substr(0, end));
}

// True when the text starts with a scheme ("x://"), not merely holds one further on, as in a
// query ("/go?to=http://b.cn").
bool HasScheme(std::string_view text) {
    const std::size_t at = text.find("://");
    return at != std::string_view::npos && at > 0 && text.find_first_of("/?#") >= at;
}

bool IsHostByte(unsigned char c) {
    return c > 0x20 && c != 0x7F &&
           std::string_view("/\\?#@<>\"'`{}|^[]").find(static_cast<char>(c)) == std::string_view::npos;
}

}  // namespace

std::optional<std::string> RequestAddress(std::string_view stored) {
    std::string address(TrimBlanks(stored));
    if (!HasScheme(address)) {
        if (address.find(':') != std::string::npos && address.find('.') == std::string::npos)
            return std::nullopt;
        address = kWebSchemePrefix + address;
    } else if (!StartsWithNoCase(address, kWebSchemePrefix) &&
               !StartsWithNoCase(address, kSecureWebSchemePrefix)) {
        return std::nullopt;
    }
    const std::string origin = Origin(address);
    const std::size_t hostStart = origin.find("://") + 3;
    std::string_view authority = std::string_view(origin).substr(hostStart);
    const std::size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (host.empty() || host.front() == '.' || host.front() == '-') return std::nullopt;
    for (char c : host)
        if (!IsHostByte(static_cast<unsigned char>(c)) || c == ':') return std::nullopt;
    if (colon != std::string_view::npos) {
        const std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5) return std::nullopt;
        for (char c : port)
            if (c < '0' || c > '9') return std::nullopt;
        const int value = std::stoi(std::string(port));
        if (value < 1 || value > 65535) return std::nullopt;
    }
    for (char c : address)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
    return address;
}

std::string ResolveRedirect(std::string_view from, std::string_view location) {
    const std::string target(TrimBlanks(location));
    if (target.empty()) return {};
    const std::string origin = Origin(from);
    if (origin.empty()) return {};
    if (HasScheme(target)) {
        const std::optional<std::string> address = RequestAddress(target);
        return address && !Origin(*address).empty() && StartsWithNoCase(target, "http") ? *address
                                                                                        : std::string();
    }
    std::string resolved;
    if (target.rfind("//", 0) == 0)
        resolved = origin.substr(0, origin.find("://") + 1) + target;
    else if (target.front() == '/')
        resolved = origin + target;
    else {
        // Relative to the folder of the page that answered, its query left out.
        std::string_view path = std::string_view(from).substr(origin.size());
        path = path.substr(0, path.find_first_of("?#"));
        const std::size_t slash = path.rfind('/');
        resolved =
            origin +
            (slash == std::string_view::npos ? std::string("/") : std::string(path.substr(0, slash + 1))) +
            target;
    }
    const std::optional<std::string> address = RequestAddress(resolved);
    return address ? *address : std::string();
}

SiteCheck CheckSite(const std::string& stored, const HopFunction& hop, const CheckOptions& options,
                    const std::atomic<bool>& stop) {
    SiteCheck check;
    check.address = stored;
    const std::optional<std::string> first = RequestAddress(stored);
    if (!first) {
        check.outcome = CheckOutcome::kInvalidAddress;
        return check;
    }
    std::string address = *first;
    std::set<std::string> visited{address};
    long long totalMs = 0;
    for (int hops = 0;; ++hops) {
        HopAnswer answer = hop(address, options.timeoutMs, stop);
        if (answer.firstByteMs >= 0) {
            totalMs += answer.firstByteMs;
            check.firstByteMs = totalMs;
        }
        check.outcome = answer.outcome;
        check.status = answer.status;
        check.certificateDays = answer.certificateDays;
        if (address != *first) check.finalAddress = address;
        if (answer.outcome != CheckOutcome::kAnswered) return check;
        const bool redirect = (answer.status == 301 || answer.status == 302 || answer.status == 303 ||
                               answer.status == 307 || answer.status == 308) &&
                              !answer.location.empty();
        if (!redirect) {
            check.pageTitle = PageTitle(answer.body, answer.contentType);
            return check;
        }
        const std::string next = ResolveRedirect(address, answer.location);
        if (next.empty()) {
            // A redirect to no web address is followed nowhere: it is the site's last word.
            check.outcome = CheckOutcome::kFailed;
            return check;
        }
        if (hops >= options.maxRedirects || !visited.insert(next).second) {
            check.outcome = CheckOutcome::kTooManyRedirects;
            // A circle back to the site itself ends at the last address reached: the final
            // address is shown only where it differs from the site's.
            if (next != *first) check.finalAddress = next;
            return check;
        }
        address = next;
    }
}

struct SiteCheckRun::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> addresses;
    std::vector<std::string> hosts;    // by index; empty for an address that is not requested
    std::vector<std::size_t> pending;  // indexes not yet taken, in order
    std::map<std::string, int> busy;   // requests running per host
    std::vector<std::pair<std::size_t, SiteCheck>> finished;  // not yet handed out
    std::size_t finishedCount = 0;
    HopFunction hop;
    CheckOptions options;
    std::atomic<bool> stop{false};

    // The next index a worker may take now: the first pending one whose host has room. Caller
    // holds the mutex. False when none may be taken now.
    bool TakeNext(std::size_t* index) {
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            const std::string& host = hosts[*it];
            if (!host.empty() && busy[host] >= options.perHost) continue;
            *index = *it;
            pending.erase(it);
            if (!host.empty()) ++busy[host];
            return true;
        }
        return false;
    }
};

namespace {

void Work(const std::shared_ptr<SiteCheckRun::State>& state) {
    for (;;) {
        std::size_t index = 0;
        bool took = false;
        {
            std::unique_lock<std::mutex> lock(state->mutex);
            state->changed.wait(lock, [&] {
                if (state->stop.load() || state->pending.empty()) return true;
                took = state->TakeNext(&index);
                return took;
            });
            if (!took) break;
        }
        SiteCheck check = CheckSite(state->addresses[index], state->hop, state->options, state->stop);
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            const std::string& host = state->hosts[index];
            if (!host.empty()) --state->busy[host];
            if (!state->stop.load()) {
                state->finished.emplace_back(index, std::move(check));
                ++state->finishedCount;
            }
        }
        state->changed.notify_all();
    }
    --runningWorkers;
}

// Starts the run's other workers, then works as one of them: the thread that starts a run makes
// one thread only, since under Wine every thread made can keep its maker 10-20 ms on a busy
// machine, and that maker is the window thread.
void StartOthersThenWork(const std::shared_ptr<SiteCheckRun::State>& state, std::size_t others) {
    for (std::size_t i = 0; i < others && !state->stop.load(); ++i) {
        ++runningWorkers;
        try {
            std::thread([state] { Work(state); }).detach();
        } catch (const std::system_error&) {
            --runningWorkers;
            break;
        }
    }
    Work(state);
}

}  // namespace

SiteCheckRun::SiteCheckRun(std::shared_ptr<State> state) : state_(std::move(state)) {}

SiteCheckRun::~SiteCheckRun() {
    Stop();
}

std::shared_ptr<SiteCheckRun> SiteCheckRun::Start(std::vector<std::string> addresses, HopFunction hop,
                                                  const CheckOptions& options) {
    auto state = std::make_shared<State>();
    state->hop = std::move(hop);
    state->options = options;
    state->options.workers = std::max(1, options.workers);
    state->options.perHost = std::max(1, options.perHost);
    state->addresses = std::move(addresses);
    for (std::size_t i = 0; i < state->addresses.size(); ++i) {
        const std::optional<std::string> address = RequestAddress(state->addresses[i]);
        state->hosts.push_back(address ? ExtractHost(*address) : std::string());
        state->pending.push_back(i);
    }
    const std::size_t workers = std::min<std::size_t>(state->options.workers, state->addresses.size());
    if (workers > 0) {
        ++runningWorkers;
        try {
            std::thread([state, workers] { StartOthersThenWork(state, workers - 1); }).detach();
        } catch (const std::system_error&) {
            --runningWorkers;
            state->stop.store(true);
        }
    }
    return std::shared_ptr<SiteCheckRun>(new SiteCheckRun(std::move(state)));
}

void SiteCheckRun::Stop() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stop.store(true);
        state_->finished.clear();
    }
    state_->changed.notify_all();
}

std::vector<std::pair<std::size_t, SiteCheck>> SiteCheckRun::TakeFinished() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return std::exchange(state_->finished, {});
}

std::size_t SiteCheckRun::Total() const {
    return state_->addresses.size();
}

std::size_t SiteCheckRun::FinishedCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->finishedCount;
}

bool SiteCheckRun::Ended() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->stop.load() || state_->finishedCount == state_->addresses.size();
}

int RunningCheckWorkers() {
    return runningWorkers.load();
}

}  // namespace qm
