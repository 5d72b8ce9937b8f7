// Metric targets and workers: see site_metrics_win.h. A worker owns its job (its copy of the
// address and the number of the fetch that made it) and a share of its target; it reads the
// target's flags itself and reaches the boxes only through CallOnWindowThread, where the target's
// form pointer is used after checking, on the window thread, that the form still lives and that
// the job's fetch is still the form's latest. What a worker touches after the program has ended its
// message loop is its own heap data and FetchPage's process-long session, so the process may end
// with workers still blocked on the network.
#include "web/win32/site_metrics_win.h"

#include <windows.h>

#include <array>
#include <iterator>
#include <map>

#include "web/fetch.h"
#include "web/site_metrics.h"
#include "web/address.h"
#include "web/win32/window_thread_call_win.h"

namespace qm {

namespace {

// A figure box that a fetch emptied: the text it held and the host that text was shown for, kept
// until an answer reaches the box, so that a save cancelling the fetch does not lose the figure.
struct EmptiedBox {
    bool unanswered = false;
    std::string before;
    std::string beforeHost;
};

struct MetricTarget {
    std::atomic<int> fetchCancelled{0};
    std::atomic<unsigned> latestFetch{0};  // counts the starts; only the latest one's jobs may write
    std::atomic<bool> gone{false};         // set on the window thread when the form goes
    Form* form = nullptr;                  // window thread only, cleared when the form goes
    HWND window = nullptr;                 // tells this form from a later one at the same address
    std::string currentHost;               // window thread only
    std::string figuresHost;               // window thread only: the host the boxes' texts are for
    std::array<EmptiedBox, std::size(kMetricOrder)> emptied;  // window thread only, by Metric
};

struct MetricJob {
    Metric metric;
    std::string address;
    unsigned fetch;  // the target's latestFetch when the job was made
    std::shared_ptr<MetricTarget> target;
};

std::atomic<int> runningWorkers{0};

std::map<const Form*, std::shared_ptr<MetricTarget>>& Targets() {
    static std::map<const Form*, std::shared_ptr<MetricTarget>> targets;
    return targets;
}

// The target of this form instance, made on first use.
const std::shared_ptr<MetricTarget>& TargetOf(const Form& form) {
    std::shared_ptr<MetricTarget>& target = Targets()[&form];
    if (!target || target->window != FormWindow(form)) {
        target = std::make_shared<MetricTarget>();
        target->form = const_cast<Form*>(&form);
        target->window = FormWindow(form);
    }
    return target;
}

EmptiedBox& EmptiedBoxOf(MetricTarget& target, Metric metric) {
    return target.emptied[static_cast<std::size_t>(metric)];
}

// A job of an earlier fetch: its address may no longer be the one in the box, and the boxes it
// would write were emptied for another fetch.
bool Superseded(const MetricJob& job) {
    return job.target->gone.load() || job.target->latestFetch.load() != job.fetch;
}

bool Cancelled(const MetricJob& job) {
    return job.target->fetchCancelled.load() == 1 || Superseded(job);
}

// Puts the value into the job's box on the window thread, when the form still lives and the job's
// fetch is its latest; with onlyIfEmpty, only into an empty box of a fetch that is not cancelled.
void WriteBox(const MetricJob& job, const std::string& value, bool onlyIfEmpty) {
    if (Superseded(job)) return;
    CallOnWindowThread([&] {
        // Checked again here: a start on this thread may have come since the worker looked.
        MetricTarget& target = *job.target;
        if (!target.form || Superseded(job)) return;
        if (onlyIfEmpty && target.fetchCancelled.load() == 1) return;
        EmptiedBoxOf(target, job.metric).unanswered = false;
        const char* box = MetricBox(job.metric);
        if (onlyIfEmpty && !GetText(*target.form, box).empty()) return;
        SetText(*target.form, box, value);
    });
}

DWORD WINAPI MetricWorker(LPVOID parameter) {
    const std::unique_ptr<MetricJob> job(static_cast<MetricJob*>(parameter));
    MetricIo io;
    io.fetchPage = [](const std::string& address) { return FetchPage(address); };
    io.cancelled = [&] { return Cancelled(*job); };
    io.writeIfEmpty = [&](const std::string& value) { WriteBox(*job, value, true); };
    io.put = [&](const std::string& value) { WriteBox(*job, value, false); };
    RunMetricRoutine(job->metric, job->address, io);
    --runningWorkers;
    return 0;
}

void StartWorker(Metric metric, const std::string& host, unsigned fetch,
                 const std::shared_ptr<MetricTarget>& target) {
    auto job = std::make_unique<MetricJob>(MetricJob{metric, MetricAddress(metric, host), fetch, target});
    ++runningWorkers;
    HANDLE thread = CreateThread(nullptr, 0, MetricWorker, job.get(), 0, nullptr);
    if (!thread) {
        --runningWorkers;
        return;
    }
    job.release();  // the worker owns it now
    CloseHandle(thread);
}

// Before a start empties the boxes: what each one holds, unless it is still empty from an earlier
// fetch that no answer has reached, whose kept text then stays.
void KeepTextsBeforeEmptying(const Form& form, MetricTarget& target) {
    for (Metric metric : kMetricOrder) {
        EmptiedBox& box = EmptiedBoxOf(target, metric);
        std::string text = GetText(form, MetricBox(metric));
        if (!box.unanswered || !text.empty()) {
            box.before = std::move(text);
            box.beforeHost = target.figuresHost;
        }
        box.unanswered = true;
    }
    target.figuresHost = target.currentHost;
}

}  // namespace

std::shared_ptr<std::atomic<int>> FetchCancelledFlag(const Form& form) {
    const std::shared_ptr<MetricTarget>& target = TargetOf(form);
    return std::shared_ptr<std::atomic<int>>(target, &target->fetchCancelled);
}

std::string CurrentHost(const Form& form) {
    return TargetOf(form)->currentHost;
}

void StartMetricFetch(Form& form) {
    const std::shared_ptr<MetricTarget> target = TargetOf(form);
    // A box can lose the focus while its window is being destroyed.
    if (target->gone.load()) return;
    target->fetchCancelled.store(0);
    // Every leave makes the batches still running stale, also one that starts nothing.
    const unsigned fetch = ++target->latestFetch;
    target->currentHost = ExtractHost(GetText(form, kMetricAddressBox));
    if (target->currentHost.empty()) return;
    KeepTextsBeforeEmptying(form, *target);
    for (Metric metric : kMetricOrder) SetText(form, MetricBox(metric), "");
    if (!PrepareWindowThreadCalls()) return;
    for (Metric metric : kMetricOrder) StartWorker(metric, target->currentHost, fetch, target);
}

void NoteShownFigures(const Form& form) {
    TargetOf(form)->figuresHost = ExtractHost(GetText(form, kMetricAddressBox));
}

void CancelMetricFetchForSave(Form& form) {
    const std::shared_ptr<MetricTarget> target = TargetOf(form);
    target->fetchCancelled.store(1);
    // Texts of another host would be figures of another site.
    const std::string host = ExtractHost(GetText(form, kMetricAddressBox));
    for (Metric metric : kMetricOrder) {
        EmptiedBox& box = EmptiedBoxOf(*target, metric);
        const char* name = MetricBox(metric);
        if (!box.unanswered || box.beforeHost != host || !GetText(form, name).empty()) continue;
        SetText(form, name, box.before);
        box.unanswered = false;
    }
}

void EndMetricTarget(const Form& form) {
    const std::shared_ptr<MetricTarget>& target = TargetOf(form);
    target->fetchCancelled.store(1);
    target->gone.store(true);
    target->form = nullptr;
}

int RunningMetricWorkers() {
    return runningWorkers.load();
}

}  // namespace qm
