// The program's own start and end (RunProgram) in a process of its own, with its data in a given
// folder and every service host pointed at a given address, for the tests and benchmarks that
// must watch a whole process start or end. Window thread only.
//
//   program_probe exit FOLDER HOST:PORT
//       runs the program; once the main window is up, opens the modify window for the first
//       listed site and starts the metric fetch in both forms (ten workers). The parent closes
//       the main window and times the end of the process.
//   program_probe first-paint FOLDER HOST[:PORT]
//       runs the program, prints "first_paint_ms N" (from process creation to the end of the
//       main window's first WM_PAINT) and closes the main window.
//   program_probe copy FOLDER HOST[:PORT]
//       runs the program; once the main window is up, copies the password of the first listed
//       site as its menu item does and prints "copied". The parent closes the main window.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "app/program.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "catalogue/modify_window_win.h"
#include "catalogue/record_actions_win.h"
#include "platform/program_folder.h"
#include "web/service_hosts.h"
#include "web/win32/site_metrics_win.h"

namespace {

constexpr char kProbeAddress[] = "http://stalled.example.cn/";
constexpr UINT kGiveUpMs = 30000;
UINT_PTR g_timer = 0;

void CALLBACK StartFetchesOnce(HWND, UINT, UINT_PTR, DWORD) {
    qm::Form* main = qm::MainForm();
    if (!main) return;
    KillTimer(nullptr, g_timer);
    qm::ListSelectRow(*main, qm::kSiteList, 0);
    qm::OpenModifyWindow();
    qm::SetText(*main, qm::kAddressBox, kProbeAddress);
    qm::StartMetricFetch(*main);
    if (qm::Form* modify = qm::ModifyWindow()) {
        qm::SetText(*modify, qm::kAddressBox, kProbeAddress);
        qm::StartMetricFetch(*modify);
    }
}

void CALLBACK CopyPasswordOnce(HWND, UINT, UINT_PTR, DWORD) {
    qm::Form* main = qm::MainForm();
    if (!main) return;
    KillTimer(nullptr, g_timer);
    qm::ListSelectRow(*main, qm::kSiteList, 0);
    qm::CopyPassword(*main);
    std::printf("copied\n");
    std::fflush(stdout);
}

double MsSinceProcessCreation() {
    FILETIME creation{}, exitTime{}, kernel{}, user{}, now{};
    GetProcessTimes(GetCurrentProcess(), &creation, &exitTime, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(creation)) / 10000.0;
}

HHOOK g_hook = nullptr;
bool g_painted = false;

LRESULT CALLBACK PaintProbe(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
    if (msg == WM_PAINT && !g_painted) {
        g_painted = true;
        std::printf("first_paint_ms %.1f\n", MsSinceProcessCreation());
        std::fflush(stdout);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }
    return result;
}

// A probe whose window never paints must still end, so its parent never waits for ever.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) {
    if (qm::Form* main = qm::MainForm()) DestroyWindow(qm::FormWindow(*main));
}

// Catches the first form window the program creates, the main window.
LRESULT CALLBACK CatchMainWindow(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) {
        HWND hwnd = reinterpret_cast<HWND>(wp);
        wchar_t cls[32] = {};
        GetClassNameW(hwnd, cls, 32);
        if (lstrcmpW(cls, L"KXWindow") == 0) {
            SetWindowSubclass(hwnd, PaintProbe, 1, 0);
            UnhookWindowsHookEx(g_hook);
            g_hook = nullptr;
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: program_probe exit|first-paint|copy FOLDER HOST[:PORT]\n");
        return 2;
    }
    const std::string mode = argv[1];
    qm::SetProgramFolderForTesting(argv[2]);
    qm::OverrideServiceHostsForTests(argv[3]);
    if (mode == "exit") {
        g_timer = SetTimer(nullptr, 0, 20, StartFetchesOnce);
    } else if (mode == "copy") {
        g_timer = SetTimer(nullptr, 0, 20, CopyPasswordOnce);
    } else if (mode == "first-paint") {
        g_hook = SetWindowsHookExW(WH_CBT, CatchMainWindow, nullptr, GetCurrentThreadId());
        SetTimer(nullptr, 0, kGiveUpMs, GiveUp);
    } else {
        return 2;
    }
    return qm::RunProgram();
}
