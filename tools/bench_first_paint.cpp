// Start-up benchmark (Windows, under Wine): the real Quillmark.exe started as a process of its own
// in a temporary program folder, once with 100,000 sites in 40 categories and once with empty
// stores, turn about, five times each. Prints
//   first_paint_100k_ms        from CreateProcess until the main window and its controls have
//                              painted for the first time (median of five)
//   first_paint_empty_ms       the same with empty stores
//   first_paint_100k_vs_empty  the first over the second
// The program learns the event to set from QUILLMARK_TEST_PAINTED; its update check asks a
// loopback server. The stores keep the program's own key derivation.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_sites.h"
#include "core/stores.h"
#include "platform/win32/wide.h"
#include "store/record_store.h"
#include "tests/support/loopback_server.h"
#include "web/service_hosts.h"
#include "window_search.h"

namespace {

constexpr int kSites = 100000;
constexpr int kCategories = 40;

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

std::string Category(int i) {
    return "分类" + std::to_string(i % kCategories);
}

// A program folder with the program and its stores, `sites` sites in 40 categories.
bool MakeFolder(const std::filesystem::path& dir, int sites) {
    std::filesystem::create_directories(dir);
    std::error_code ec;
    std::filesystem::copy_file(QM_EXE_DIR "/Quillmark.exe", dir / "Quillmark.exe", ec);
    if (ec) return false;
    const std::string folder = dir.string() + "\\";
    qm::RecordStore maker;
    for (const qm::StoreInfo& s : qm::AllStores())
        if (!qm::RecordStore::Create(folder + s.fileName, s.password, s.fieldNames, true) ||
            !maker.Open(folder + s.fileName, s.alias, s.password))
            return false;
    if (!maker.SelectStore(qm::kGeneralStoreAlias) || !maker.Append({"", ""})) return false;
    if (sites > 0) {
        maker.SelectStore(qm::kCategoryStoreAlias);
        for (int i = 0; i < kCategories; ++i) maker.Append({Category(i)});
        maker.SelectStore(qm::kSiteStoreAlias);
        maker.BeginBatch();
        for (int i = 0; i < sites; ++i) maker.Append(qm::bench::Site(Category(i), i));
        if (!maker.CommitBatch()) return false;
    }
    maker.CloseAll();
    return true;
}

// One start of the program in dir until its first paint, then closed; the time in ms, -1 on failure.
double StartUntilPainted(const std::filesystem::path& dir, int run) {
    const std::wstring eventName =
        L"qm-first-paint-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(run);
    HANDLE painted = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    if (!painted) return -1;
    SetEnvironmentVariableW(L"QUILLMARK_TEST_PAINTED", eventName.c_str());
    const std::wstring exe = (dir / "Quillmark.exe").wstring();
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    double ms = -1;
    const double t = NowMs();
    if (CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.wstring().c_str(),
                       &si, &pi)) {
        HANDLE both[2] = {painted, pi.hProcess};
        if (WaitForMultipleObjects(2, both, FALSE, 120000) == WAIT_OBJECT_0) ms = NowMs() - t;
        if (HWND main = qm::testing::WaitForWindow(pi.dwProcessId, L"KXWindow", L"", 5000))
            PostMessageW(main, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    SetEnvironmentVariableW(L"QUILLMARK_TEST_PAINTED", nullptr);
    CloseHandle(painted);
    return ms;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    std::random_device rd;
    const auto top = std::filesystem::temp_directory_path() / ("qmstart-" + std::to_string(rd()));
    const auto full = top / "full", empty = top / "empty";
    int rc = 1;
    qm::test::LoopbackServer services;
    SetEnvironmentVariableW(qm::ToWide(qm::kServiceHostsVariable).c_str(),
                            qm::ToWide(services.HostAndPort()).c_str());
    if (MakeFolder(full, kSites) && MakeFolder(empty, 0)) {
        std::vector<double> fulls, empties;
        for (int run = 0; run < 5; ++run) {
            fulls.push_back(StartUntilPainted(full, 2 * run));
            empties.push_back(StartUntilPainted(empty, 2 * run + 1));
        }
        if (std::count(fulls.begin(), fulls.end(), -1.0) + std::count(empties.begin(), empties.end(), -1.0) ==
            0) {
            std::printf("bench first_paint_100k_ms %.1f ms\n", Median(fulls));
            std::printf("bench first_paint_empty_ms %.1f ms\n", Median(empties));
            std::printf("bench first_paint_100k_vs_empty %.2f ratio\n", Median(fulls) / Median(empties));
            rc = 0;
        } else {
            std::fprintf(stderr, "the program did not paint its main window\n");
        }
    } else {
        std::fprintf(stderr, "could not make the program folders\n");
    }
    std::error_code ec;
    std::filesystem::remove_all(top, ec);
    return rc;
}
