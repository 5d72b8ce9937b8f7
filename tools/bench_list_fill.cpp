// Main window benchmark (Windows, under Wine): a catalogue of 100,000 sites in one category, in a
// temporary program folder. Prints
//   list_fill_100k_ms  from the filter's selection change until the list has painted its rows
//   list_sort_100k_ms  from a click on the "PR" header until the sorted rows are painted
// Each figure is the median of five runs.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_windows.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "core/process_state.h"
#include "core/stores.h"
#include "platform/program_folder.h"
#include "store/record_store.h"

namespace {

using qm::bench::NowMs;
using qm::bench::Pump;
using qm::bench::Site;

constexpr int kSites = 100000;

bool MakeCatalogue(const std::string& folder) {
    for (const qm::StoreInfo& s : qm::AllStores())
        if (!qm::RecordStore::Create(folder + s.fileName, s.password, s.fieldNames, true)) return false;
    if (!qm::OpenStoreByName(qm::kGeneralStoreAlias) || !qm::Stores().Append({"", ""})) return false;
    if (!qm::OpenStoreByName(qm::kCategoryStoreAlias)) return false;
    qm::Stores().Append({"A"});
    qm::Stores().Append({"B"});
    // One batch: single changes are flushed one by one, as a user's are.
    if (!qm::OpenStoreByName(qm::kSiteStoreAlias) || !qm::Stores().BeginBatch()) return false;
    for (int i = 0; i < kSites; ++i)
        if (!qm::Stores().Append(Site("A", i))) return false;
    for (int i = 0; i < 10; ++i) qm::Stores().Append(Site("B", i));
    if (!qm::Stores().CommitBatch()) return false;
    qm::CloseStoreByName("");
    return true;
}

void Pick(qm::Form& form, int index) {
    HWND combo = qm::ControlWindow(form, qm::kFilterCombo);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

void ClickHeader(qm::Form& form, int column) {
    NMLISTVIEW nm{};
    nm.hdr.hwndFrom = qm::ControlWindow(form, qm::kSiteList);
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(nm.hdr.hwndFrom));
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iSubItem = column;
    SendMessageW(qm::FormWindow(form), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

// Paints the list now, as the message loop would next.
void Paint(qm::Form& form) {
    HWND list = qm::ControlWindow(form, qm::kSiteList);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    const auto dir = qm::bench::MakeProgramFolder();
    const std::string folder = dir.string();
    int rc = 1;
    if (MakeCatalogue(folder)) {
        qm::CreateProcessState();
        qm::Form* form = qm::LoadMainWindow(true);
        if (form) {
            Pump();
            std::vector<double> fills, sorts;
            for (int run = 0; run < 5; ++run) {
                Pick(*form, 1);
                Pump();
                const double t = NowMs();
                Pick(*form, 0);
                Paint(*form);
                fills.push_back(NowMs() - t);
                Pump();
                if (qm::ListRowCount(*form, qm::kSiteList) != kSites) break;
                const double s = NowMs();
                ClickHeader(*form, 5);
                Paint(*form);
                sorts.push_back(NowMs() - s);
                Pump();
            }
            if (fills.size() == 5 && sorts.size() == 5) {
                std::printf("bench list_fill_100k_ms %.1f ms\n", Median(fills));
                std::printf("bench list_sort_100k_ms %.1f ms\n", Median(sorts));
                rc = 0;
            } else {
                std::fprintf(stderr, "the list did not show %d rows\n", kSites);
            }
            DestroyWindow(qm::FormWindow(*form));
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
