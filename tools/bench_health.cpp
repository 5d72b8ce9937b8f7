// Site check benchmark (Windows, under Wine), against loopback servers only: eight of them on
// eight addresses of 127.0.0.0/8 stand for eight hosts, and each of the 1,000 sites (spread over
// them in turn) is answered after its own random 0-200 ms. The servers run in a second process
// (this program started with "serve"), so their threads do not count as the check's. Prints
//   health_check_1000_ms    the whole check of the 1,000 sites on the check's workers (8 at
//                           once, 2 per host), from the start to the last result
//   health_ui_latency_ms    the worst time for the main window to answer a posted message while
//                           the check window runs the same 1,000 checks (its start included)
//   health_ui_latency_p99_ms  the 99th percentile of those answers, the scheduler's worst moments
//                           left out
//   health_ui_latency_idle_ms  the same worst and 99th percentile (two lines, _idle_ms and
//                           _idle_p99_ms) for the same windows with no check running, measured
//                           right before: what the machine's load alone costs
// With QM_BENCH_PROFILE set it also prints the window thread's time in the check's messages and
// its slowest steps (message and window class, or the start click), to find what keeps it.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_windows.h"
#include "catalogue/health_form.h"
#include "catalogue/health_window_win.h"
#include "catalogue/main_window_win.h"
#include "core/process_state.h"
#include "core/stores.h"
#include "platform/dialogs.h"
#include "program_probe.h"
#include "store/record_store.h"
#include "tests/support/loopback_server.h"
#include "web/site_check.h"
#include "web/win32/site_check_win.h"

namespace {

using qm::bench::NowMs;
using qm::bench::Pump;

constexpr int kSites = 1000;
constexpr int kHosts = 8;
constexpr UINT kProbeMessage = WM_APP + 7;

std::string HostAddress(int host) {
    return "127.0.1." + std::to_string(host + 1);
}

std::string Target(int site) {
    return "/s" + std::to_string(site);
}

// The server process: the eight servers, every answer delayed by its own random 0-200 ms; prints
// "ports P1 ... P8" and serves until the event named on its command line is set.
int Serve(const std::string& stopEvent) {
    std::vector<std::unique_ptr<qm::test::LoopbackServer>> hosts;
    for (int h = 0; h < kHosts; ++h) {
        hosts.push_back(std::make_unique<qm::test::LoopbackServer>(HostAddress(h)));
        if (!hosts.back()->Listening()) return 1;
    }
    std::mt19937 random(28);
    for (int i = 0; i < kSites; ++i) {
        qm::test::CannedResponse r;
        r.body = "<html><title>site " + std::to_string(i) + "</title></html>";
        r.delayMs = static_cast<int>(random() % 201);
        hosts[static_cast<std::size_t>(i % kHosts)]->Serve(Target(i), r);
    }
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, stopEvent.c_str());
    if (!stop) return 1;
    std::printf("ports");
    for (const auto& h : hosts) std::printf(" %d", h->Port());
    std::printf("\n");
    std::fflush(stdout);
    WaitForSingleObject(stop, 600000);
    CloseHandle(stop);
    return 0;
}

// The sites' addresses once the server process has told its ports; empty on failure.
std::vector<std::string> StartServers(qm::probe::Probe& server, const std::string& stopEvent) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (!qm::probe::StartProbe(server, qm::FromWide(self), "serve", stopEvent, "-")) return {};
    std::string line;
    char c = 0;
    DWORD read = 0;
    while (line.size() < 200 && ReadFile(server.output, &c, 1, &read, nullptr) && read == 1 && c != '\n')
        line += c;
    std::vector<int> ports;
    std::size_t at = line.rfind("ports", 0) == 0 ? 5 : line.size();
    while (at < line.size()) {
        ports.push_back(std::atoi(line.c_str() + at + 1));
        at = line.find(' ', at + 1);
    }
    if (ports.size() != kHosts) return {};
    std::vector<std::string> addresses;
    for (int i = 0; i < kSites; ++i)
        addresses.push_back("http://" + HostAddress(i % kHosts) + ":" + std::to_string(ports[i % kHosts]) +
                            Target(i));
    return addresses;
}

double CheckAll(const std::vector<std::string>& addresses) {
    const double start = NowMs();
    auto run = qm::SiteCheckRun::Start(addresses, qm::RequestHop);
    std::size_t ok = 0;
    while (!run->Ended()) {
        for (const auto& [index, check] : run->TakeFinished()) ok += check.status == 200;
        Sleep(2);
    }
    for (const auto& [index, check] : run->TakeFinished()) ok += check.status == 200;
    const double ms = NowMs() - start;
    return ok == addresses.size() ? ms : -1;
}

bool MakeCatalogue(const std::string& folder, const std::vector<std::string>& addresses) {
    for (const qm::StoreInfo& s : qm::AllStores())
        if (!qm::RecordStore::Create(folder + s.fileName, s.password, s.fieldNames, true)) return false;
    if (!qm::OpenStoreByName(qm::kGeneralStoreAlias) || !qm::Stores().Append({"", ""})) return false;
    if (!qm::OpenStoreByName(qm::kCategoryStoreAlias) || !qm::Stores().Append({"检查"})) return false;
    if (!qm::OpenStoreByName(qm::kSiteStoreAlias)) return false;
    for (std::size_t i = 0; i < addresses.size(); ++i)
        if (!qm::Stores().Append({"检查", addresses[i], "站" + std::to_string(i)})) return false;
    qm::CloseStoreByName("");
    return true;
}

// The prober posts one message at a time; the window thread notes how long each one waited.
std::atomic<double> g_postedAt{0};
std::atomic<bool> g_answered{true};
std::vector<double> g_waits;  // window thread only

LRESULT CALLBACK AnswerProbe(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == kProbeMessage) {
        g_waits.push_back(NowMs() - g_postedAt.load());
        g_answered = true;
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// With QM_BENCH_PROFILE set, the window thread's slow steps: what kept it, for how long, when.
struct SlowStep {
    double at, ms;
    std::string what;
};
std::vector<SlowStep> g_slow;  // window thread only
double g_checkBegan = 0;
const bool g_profile = std::getenv("QM_BENCH_PROFILE") != nullptr;
double g_busyMs = 0;  // the window thread's time in steps of the check

void NoteStep(double began, const std::string& what) {
    const double ms = NowMs() - began;
    if (!g_profile || g_checkBegan <= 0) return;
    g_busyMs += ms;
    if (ms >= 5) g_slow.push_back({began - g_checkBegan, ms, what});
}

std::string StepName(const MSG& msg) {
    char cls[64] = "";
    if (msg.hwnd) GetClassNameA(msg.hwnd, cls, sizeof cls);
    char text[96];
    std::snprintf(text, sizeof text, "msg %04x %s wp %x", msg.message, cls,
                  static_cast<unsigned>(msg.wParam));
    return text;
}

// Pumps the thread's messages for ms, or while a check runs (at most two minutes).
void PumpFor(double ms, bool whileChecking) {
    const double began = NowMs();
    MSG msg;
    while (whileChecking ? qm::HealthCheckRunning() && NowMs() - began < 120000 : NowMs() - began < ms) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0)
            for (;;) {
                double step = NowMs();
                if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
                if (g_profile) NoteStep(step, "peek");
                step = NowMs();
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
                if (g_profile) NoteStep(step, StepName(msg));
            }
    }
}

// The waits of the main window while the check window checks every site (and, into *idle, for
// five seconds before with the window open and no check); empty on failure.
std::vector<double> UiWaitsDuringCheck(std::vector<double>* idle) {
    qm::DialogScript script;
    qm::SetDialogScript(&script);
    qm::CreateProcessState();
    std::vector<double> waits;
    qm::Form* main = qm::LoadMainWindow(true);
    if (main) {
        Pump();
        HWND hwnd = qm::FormWindow(*main);
        qm::OpenHealthWindow();
        Pump();
        qm::Form* health = qm::HealthWindow();
        g_waits.clear();
        g_answered = true;
        SetWindowSubclass(hwnd, AnswerProbe, 1, 0);
        std::atomic<bool> running{true};
        std::thread prober([&] {
            while (running) {
                if (g_answered.exchange(false)) {
                    g_postedAt = NowMs();
                    PostMessageW(hwnd, kProbeMessage, 0, 0);
                }
                Sleep(5);
            }
        });
        PumpFor(5000, false);
        *idle = g_waits;
        g_waits.clear();
        g_checkBegan = NowMs();
        if (health) {
            HWND start = qm::ControlWindow(*health, qm::kHealthStartButton);
            SendMessageW(GetParent(start), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(start), BN_CLICKED),
                         reinterpret_cast<LPARAM>(start));
            NoteStep(g_checkBegan, "start click");
        }
        PumpFor(0, true);
        running = false;
        prober.join();
        const bool done =
            health && !qm::HealthCheckRunning() &&
            qm::GetText(*health, qm::kHealthProgressText) == qm::HealthProgressText(kSites, kSites);
        if (done) waits = g_waits;
        RemoveWindowSubclass(hwnd, AnswerProbe, 1);
        DestroyWindow(hwnd);
        Pump();
    }
    qm::ReleaseProcessState();
    qm::SetDialogScript(nullptr);
    return waits;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "serve") return Serve(argv[2]);
    const std::string stopEvent = "QuillmarkBenchHealthStop" + std::to_string(GetCurrentProcessId());
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, stopEvent.c_str());
    qm::probe::Probe server;
    const std::vector<std::string> addresses = StartServers(server, stopEvent);
    const auto dir = qm::bench::MakeProgramFolder();
    qm::SetStoreKdfIterationsForTesting(1000);
    int rc = addresses.empty() ? 1 : 0;

    const double checkMs = addresses.empty() ? -1 : CheckAll(addresses);
    std::printf("bench health_check_1000_ms %.0f ms\n", checkMs);
    std::fflush(stdout);

    std::vector<double> waits, idle;
    if (!addresses.empty() && MakeCatalogue(dir.string(), addresses)) waits = UiWaitsDuringCheck(&idle);
    auto worstAndP99 = [](std::vector<double> v) {
        if (v.empty()) return std::pair<double, double>(-1, -1);
        std::sort(v.begin(), v.end());
        return std::pair<double, double>(v.back(), v[v.size() * 99 / 100]);
    };
    const auto [worst, p99] = worstAndP99(waits);
    const auto [idleWorst, idleP99] = worstAndP99(idle);
    std::printf("bench health_ui_latency_ms %.1f ms\n", worst);
    std::printf("bench health_ui_latency_p99_ms %.1f ms\n", p99);
    std::printf("bench health_ui_latency_idle_ms %.1f ms\n", idleWorst);
    std::printf("bench health_ui_latency_idle_p99_ms %.1f ms\n", idleP99);
    if (g_profile) {
        auto over = [](double ms) {
            return std::count_if(g_slow.begin(), g_slow.end(),
                                 [ms](const SlowStep& s) { return s.ms >= ms; });
        };
        std::printf(
            "profile: window thread busy %.0f ms in the check; steps of 8 ms or more %d, of 16 ms or "
            "more %d\n",
            g_busyMs, static_cast<int>(over(8)), static_cast<int>(over(16)));
    }
    std::sort(g_slow.begin(), g_slow.end(), [](const SlowStep& a, const SlowStep& b) { return a.ms > b.ms; });
    for (std::size_t i = 0; i < g_slow.size() && i < 12; ++i)
        std::printf("slow %6.1f ms at %7.0f ms: %s\n", g_slow[i].ms, g_slow[i].at, g_slow[i].what.c_str());
    std::fflush(stdout);
    if (checkMs < 0 || worst < 0) rc = 1;

    SetEvent(stop);
    if (server.process) WaitForSingleObject(server.process, 10000);
    CloseHandle(stop);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return rc;
}
