// Metric and update-check benchmark (Windows, under Wine), against a loopback server that never
// answers. Prints
//   ui_latency_during_fetch_ms             worst time for the main window to answer a posted
//                                          message while the add panel and the modify window run
//                                          five stalled fetches each (starts included); the median
//                                          of three runs' worst, since on a busy machine one run's
//                                          worst is mostly the scheduler's
//   exit_during_fetch_ms                   from closing the main window of program_probe, with ten
//                                          fetches and the update check stalled, until its process
//                                          has ended (median of three)
//   first_paint_stalled_update_vs_offline  time from process start to the main window's first
//                                          paint with a stalled update server, over the same with
//                                          an update host whose name does not resolve (median of
//                                          eleven pairs, each run one after the other)
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_windows.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "catalogue/modify_window_win.h"
#include "core/process_state.h"
#include "core/stores.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "store/record_store.h"
#include "program_probe.h"
#include "tests/support/loopback_server.h"
#include "web/service_hosts.h"
#include "web/win32/site_metrics_win.h"

namespace {

using qm::bench::NowMs;
using qm::bench::Pump;

constexpr char kUnresolvedHost[] = "www.quillmark.invalid";
constexpr UINT kProbeMessage = WM_APP + 7;
constexpr int kPaintPairs = 11;
constexpr int kStartAfterMs = 300;
constexpr int kLatencyRunMs = 3000;

bool MakeCatalogue(const std::string& folder) {
    for (const qm::StoreInfo& s : qm::AllStores())
        if (!qm::RecordStore::Create(folder + s.fileName, s.password, s.fieldNames, true)) return false;
    if (!qm::OpenStoreByName(qm::kGeneralStoreAlias) || !qm::Stores().Append({"", ""})) return false;
    if (!qm::OpenStoreByName(qm::kCategoryStoreAlias) || !qm::Stores().Append({"分类"})) return false;
    if (!qm::OpenStoreByName(qm::kSiteStoreAlias) || !qm::Stores().Append(qm::bench::Site("分类", 1)))
        return false;
    qm::CloseStoreByName("");
    return true;
}

double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The prober posts one message at a time; the window thread measures how long it waited.
std::atomic<double> g_postedAt{0};
std::atomic<bool> g_answered{true};
double g_worstWait = 0;  // window thread only

LRESULT CALLBACK AnswerProbe(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == kProbeMessage) {
        const double wait = NowMs() - g_postedAt.load();
        g_worstWait = std::max(g_worstWait, wait);
        g_answered = true;
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void CALLBACK EndLoop(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    PostQuitMessage(0);
}

// One form leaves its address box (what the lost-focus handler runs), from inside the running
// message loop: the add panel first, the modify window on the next tick.
std::vector<qm::Form*> g_startForms;
void CALLBACK StartNextFetch(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_startForms.empty()) {
        KillTimer(nullptr, timer);
        return;
    }
    qm::Form* form = g_startForms.front();
    g_startForms.erase(g_startForms.begin());
    if (form) qm::StartMetricFetch(*form);
}

double UiLatencyDuringFetch(const qm::test::LoopbackServer& server) {
    qm::DialogScript script;
    qm::SetDialogScript(&script);
    qm::CreateProcessState();
    double worst = -1;
    qm::Form* main = qm::LoadMainWindow(true);
    if (main) {
        Pump();
        HWND hwnd = qm::FormWindow(*main);
        g_worstWait = 0;
        g_answered = true;
        SetWindowSubclass(hwnd, AnswerProbe, 1, 0);
        qm::ListSelectRow(*main, qm::kSiteList, 0);
        qm::OpenModifyWindow();
        qm::Form* modify = qm::ModifyWindow();
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
        for (qm::Form* form : {main, modify})
            if (form) qm::SetText(*form, qm::kAddressBox, "http://stalled.example.cn/");
        g_startForms = {main, modify};
        SetTimer(nullptr, 0, kStartAfterMs, StartNextFetch);
        SetTimer(nullptr, 0, kStartAfterMs + kLatencyRunMs, EndLoop);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        running = false;
        prober.join();
        const bool allStalled = server.Requests().size() == 10 && qm::RunningMetricWorkers() == 10;
        worst = modify && allStalled ? g_worstWait : -1;
        RemoveWindowSubclass(hwnd, AnswerProbe, 1);
        DestroyWindow(hwnd);
        Pump();
    }
    qm::ReleaseProcessState();
    qm::SetDialogScript(nullptr);
    return worst;
}

// One run of program_probe exit: milliseconds from WM_CLOSE to the end of the process, or -1.
double ExitDuringFetch(const std::string& probeExe, const std::string& folder) {
    qm::test::LoopbackServer server;
    qm::test::CannedResponse stalled;
    stalled.stall = true;
    server.ServeOthers(stalled);
    qm::probe::Probe probe;
    if (!qm::probe::StartProbe(probe, probeExe, "exit", folder, server.HostAndPort())) return -1;
    // Ten metric requests and the update check's.
    if (!server.WaitForRequests(11, 30000)) return -1;
    HWND main = qm::probe::FindWindowOf(probe, qm::kMainWindowCaption, 5000);
    if (!main) return -1;
    const double closed = NowMs();
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(probe.process, 30000) != WAIT_OBJECT_0) return -1;
    const double ended = NowMs();
    DWORD code = 1;
    GetExitCodeProcess(probe.process, &code);
    return code == 0 ? ended - closed : -1;
}

// program_probe first-paint: its first_paint_ms, or -1.
double FirstPaint(const std::string& probeExe, const std::string& folder, const std::string& updateHost) {
    qm::probe::Probe probe;
    if (!qm::probe::StartProbe(probe, probeExe, "first-paint", folder, updateHost)) return -1;
    const std::string out = qm::probe::ReadAll(probe);
    WaitForSingleObject(probe.process, 30000);
    double ms = -1;
    if (std::sscanf(out.c_str(), "first_paint_ms %lf", &ms) != 1) return -1;
    return ms;
}

}  // namespace

int main() {
    const auto dir = qm::bench::MakeProgramFolder();
    const std::string folder = dir.string();
    // A cheap store key: the start's key derivation would only add noise to the first paint.
    qm::SetStoreKdfIterationsForTesting(1000);
    int rc = MakeCatalogue(folder) ? 0 : 1;
    const std::string probeExe = qm::probe::ProbeBesideMe();

    std::vector<double> latencies;
    for (int run = 0; run < 3; ++run) {
        {
            qm::test::LoopbackServer server;
            qm::test::CannedResponse stalled;
            stalled.stall = true;
            server.ServeOthers(stalled);
            qm::OverrideServiceHostsForTests(server.HostAndPort());
            latencies.push_back(UiLatencyDuringFetch(server));
            qm::OverrideServiceHostsForTests("");
        }
        // The server has closed the connections: the workers end on their own.
        for (int waited = 0; qm::RunningMetricWorkers() > 0 && waited < 10000; waited += 10) Sleep(10);
    }
    const double latency = std::count(latencies.begin(), latencies.end(), -1.0) ? -1 : Median(latencies);
    std::printf("bench ui_latency_during_fetch_ms %.1f ms\n", latency);
    std::fflush(stdout);

    std::vector<double> exits;
    for (int run = 0; run < 3; ++run) exits.push_back(ExitDuringFetch(probeExe, folder));
    const double exit = std::count(exits.begin(), exits.end(), -1.0) ? -1 : Median(exits);
    std::printf("bench exit_during_fetch_ms %.1f ms\n", exit);
    std::fflush(stdout);

    // Pairs side by side, so a change of the machine's load between them hardly counts.
    std::vector<double> ratios;
    {
        qm::test::LoopbackServer server;
        qm::test::CannedResponse stalled;
        stalled.stall = true;
        server.ServeOthers(stalled);
        for (int pair = 0; pair < kPaintPairs; ++pair) {
            // Which one goes first alternates, so an order effect cancels out.
            double stalledPaint = 0, offlinePaint = 0;
            if (pair % 2) offlinePaint = FirstPaint(probeExe, folder, kUnresolvedHost);
            stalledPaint = FirstPaint(probeExe, folder, server.HostAndPort());
            if (pair % 2 == 0) offlinePaint = FirstPaint(probeExe, folder, kUnresolvedHost);
            if (stalledPaint <= 0 || offlinePaint <= 0) {
                ratios.clear();
                break;
            }
            ratios.push_back(stalledPaint / offlinePaint);
        }
    }
    const double ratio = Median(ratios);
    std::printf("bench first_paint_stalled_update_vs_offline %.2f ratio\n", ratio);
    std::fflush(stdout);

    if (latency < 0 || exit < 0 || ratio < 0) {
        std::fprintf(stderr, "a metric benchmark did not run as planned\n");
        rc = 1;
    }
    qm::SetProgramFolderForTesting("");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return rc;
}
