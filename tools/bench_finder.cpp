// Site finder benchmark (Windows, under Wine): a catalogue of 100,000 sites in 40 categories in a
// temporary program folder, the real main window and finder window. Prints
//   find_keystroke_100k_ms   a query of 6 characters typed one key at a time: the worst key, from
//                            the key's message to the repainted result list (median of 5 runs)
//   find_open_100k_ms        from Ctrl+F in the main window, the stores loaded, until the finder
//                            has painted (median of 5 runs)
//   find_peak_mem_vs_stores  the finder's extra heap memory at its peak over the opens and the
//                            typing, as a share of the heap memory of the three stores loaded
// Memory is counted at operator new and delete, and the stores' large row blocks beside them: the
// stores and the finder hold everything they have there (the result list is virtual: it keeps no
// rows of its own).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "bench_windows.h"
#include "catalogue/finder_form.h"
#include "catalogue/finder_window_win.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "core/process_state.h"
#include "core/stores.h"
#include "platform/large_memory.h"
#include "platform/program_folder.h"
#include "store/record_store.h"

namespace {

std::atomic<long long> g_live{0}, g_peak{0};

void* Allocate(std::size_t size) {
    auto* p = static_cast<std::size_t*>(std::malloc(size + 16));
    if (!p) throw std::bad_alloc();
    *p = size;
    const long long live = g_live += static_cast<long long>(size);
    long long peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
    return reinterpret_cast<char*>(p) + 16;
}

void Release(void* q) {
    if (!q) return;
    auto* p = reinterpret_cast<std::size_t*>(static_cast<char*>(q) - 16);
    g_live -= static_cast<long long>(*p);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}

namespace {

using qm::bench::NowMs;
using qm::bench::Pump;

constexpr int kSites = 100000;
constexpr int kCategories = 40;

std::string Category(int i) {
    return "分类" + std::to_string(i % kCategories);
}

// Made with an engine of its own, so that the program's engine loads the stores afresh.
bool MakeCatalogue(const std::string& folder) {
    qm::RecordStore maker;
    for (const qm::StoreInfo& s : qm::AllStores())
        if (!qm::RecordStore::Create(folder + s.fileName, s.password, s.fieldNames, true) ||
            !maker.Open(folder + s.fileName, s.alias, s.password))
            return false;
    if (!maker.SelectStore(qm::kGeneralStoreAlias) || !maker.Append({"", ""})) return false;
    maker.SelectStore(qm::kCategoryStoreAlias);
    for (int i = 0; i < kCategories; ++i) maker.Append({Category(i)});
    maker.SelectStore(qm::kSiteStoreAlias);
    maker.BeginBatch();
    for (int i = 0; i < kSites; ++i) maker.Append(qm::bench::Site(Category(i), i));
    if (!maker.CommitBatch()) return false;
    maker.CloseAll();
    return true;
}

void SetControlKey(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_LCONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Paints the window now, as the message loop would next.
void PaintNow(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

bool g_perKey = false;  // QM_BENCH_KEYS set: each open's and each key's time on stderr

// Ctrl+F at the main window's list until the finder has painted; its time in ms, -1 on failure.
double OpenByKey(qm::Form& main) {
    const double t = NowMs();
    SetControlKey(true);
    PostMessageW(qm::ControlWindow(main, qm::kSiteList), WM_KEYDOWN, 'F', 0x00210001);
    Pump();
    SetControlKey(false);
    qm::Form* finder = qm::FinderWindow();
    if (!finder) return -1;
    PaintNow(qm::FormWindow(*finder));
    const double took = NowMs() - t;
    if (g_perKey) std::fprintf(stderr, "open %.1f ms\n", took);
    return took;
}

// Types the query one key at a time; the worst key's time, -1 when the answer is wrong.
double TypeQuery(qm::Form& finder, const std::wstring& query) {
    HWND box = qm::ControlWindow(finder, qm::kFinderQueryBox);
    HWND list = qm::ControlWindow(finder, qm::kFinderList);
    double worst = 0;
    for (wchar_t c : query) {
        const double t = NowMs();
        PostMessageW(box, WM_CHAR, c, 1);
        Pump();  // the key, the query it runs and the paints it causes
        UpdateWindow(list);
        const double took = NowMs() - t;
        if (g_perKey) std::fprintf(stderr, "key %lc %.1f ms\n", static_cast<wint_t>(c), took);
        worst = std::max(worst, took);
    }
    return worst;
}

}  // namespace

int main() {
    g_perKey = std::getenv("QM_BENCH_KEYS") != nullptr;
    const auto dir = qm::bench::MakeProgramFolder();
    const std::string folder = dir.string();
    int rc = 1;
    if (MakeCatalogue(folder)) {
        qm::CreateProcessState();
        // The stores keep their rows in large blocks beside the heap: both count.
        auto held = [] { return g_live.load() + static_cast<long long>(qm::LargeMemoryInUse()); };
        const long long before = held();
        for (const qm::StoreInfo& s : qm::AllStores()) {
            qm::OpenStoreByName(s.alias);
            qm::CloseStoreByName(s.alias);
        }
        const long long stores = held() - before;
        qm::Form* main = qm::LoadMainWindow(true);
        if (main) {
            Pump();
            const long long base = g_live.load();
            g_peak = base;
            std::vector<double> opens, keys;
            bool right = true;
            for (int run = 0; run < 5 && right; ++run) {
                opens.push_back(OpenByKey(*main));
                qm::Form* finder = qm::FinderWindow();
                if (!finder) break;
                // "wz" finds every site (网站 in each title) before the digits narrow it.
                keys.push_back(TypeQuery(*finder, L"wz 777"));
                right = qm::ListRowCount(*finder, qm::kFinderList) == 280 &&  // numbers holding 777
                        qm::ListCell(*finder, qm::kFinderList, 0, qm::kFinderTitleColumn) ==
                            "网站标题 777 的示例页面";
                DestroyWindow(qm::FormWindow(*finder));
                Pump();
            }
            const long long peak = g_peak.load() - base;
            if (right && opens.size() == 5 && keys.size() == 5 && Median(opens) >= 0) {
                std::printf("bench find_keystroke_100k_ms %.1f ms\n", Median(keys));
                std::printf("bench find_open_100k_ms %.1f ms\n", Median(opens));
                std::printf("bench find_peak_mem_vs_stores %.2f ratio\n",
                            static_cast<double>(peak) / static_cast<double>(stores));
                rc = 0;
            } else {
                std::fprintf(stderr, "the finder did not find site 777 as it should\n");
            }
            DestroyWindow(qm::FormWindow(*main));
            Pump();
        }
        qm::ReleaseProcessState();
    } else {
        std::fprintf(stderr, "could not create the catalogue\n");
    }
    qm::CloseStoreByName("");
    qm::SetProgramFolderForTesting("");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return rc;
}
