// Main window benchmark (Windows, under Wine): a catalogue of 100,000 sites in one category, in a
// temporary program folder. Prints
//   list_fill_100k_ms       from the filter's selection change until the list has painted its rows
//   list_sort_100k_ms       from a click on the "PR" header until the sorted rows are painted
//   list_fill_vs_bare       the fill over a bare virtual list view's: the same sites read from the
//                           store as its fields, the count set and the rows painted, each cell
//                           converted when the view asks for it (the floor of any virtual list)
//   list_sort_vs_bare_fill  the sort over that bare fill
// Each time is the median of five runs; the bare fill runs between the program's, so both see the
// same machine load.
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

// A plain virtual report list of the program list's size and columns, in a plain window.
struct BareList {
    HWND frame = nullptr;
    HWND list = nullptr;
    std::vector<qm::Fields> rows;
};
BareList g_bare;

void AnswerDisplayInfo(NMLVDISPINFOW& di) {
    if (!(di.item.mask & LVIF_TEXT) || di.item.cchTextMax <= 0) return;
    di.item.pszText[0] = L'\0';
    const auto row = static_cast<std::size_t>(di.item.iItem);
    const auto col = static_cast<std::size_t>(di.item.iSubItem);
    if (row >= g_bare.rows.size() || col >= g_bare.rows[row].size()) return;
    const std::string& cell = g_bare.rows[row][col];
    const int n = MultiByteToWideChar(936, 0, cell.data(), static_cast<int>(cell.size()), di.item.pszText,
                                      di.item.cchTextMax - 1);
    di.item.pszText[n > 0 ? n : 0] = L'\0';
}

LRESULT CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == LVN_GETDISPINFOW)
        AnswerDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(lp));
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool MakeBareList(qm::Form& form) {
    HWND model = qm::ControlWindow(form, qm::kSiteList);
    RECT r{};
    GetClientRect(model, &r);
    WNDCLASSW wc{};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BareListFrame";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassW(&wc);
    g_bare.frame = CreateWindowExW(0, wc.lpszClassName, L"bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                   r.right + 40, r.bottom + 60, nullptr, nullptr, wc.hInstance, nullptr);
    g_bare.list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                  WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0,
                                  0, r.right, r.bottom, g_bare.frame, nullptr, wc.hInstance, nullptr);
    if (!g_bare.list) return false;
    for (int c = 0; c < qm::kListColumnCount; ++c) {
        LVCOLUMNW col{};
        col.mask = LVCF_WIDTH | LVCF_TEXT;
        col.cx = qm::ListColumnWidth(form, qm::kSiteList, c);
        wchar_t title[] = L"column";
        col.pszText = title;
        SendMessageW(g_bare.list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
    }
    return true;
}

// The sites of category A as the store holds them, shown in the bare list; its time in ms.
double BareFill() {
    g_bare.rows.clear();
    SendMessageW(g_bare.list, LVM_SETITEMCOUNT, 0, 0);
    Pump();
    const double t = NowMs();
    if (qm::OpenStoreByName(qm::kSiteStoreAlias)) {
        qm::Stores().First();
        qm::Stores().Find([](const qm::Fields& f) {
            if (!f.empty() && f[0] == "A") g_bare.rows.push_back(f);
            return false;
        });
    }
    qm::CloseStoreByName(qm::kSiteStoreAlias);
    SendMessageW(g_bare.list, LVM_SETITEMCOUNT, g_bare.rows.size(), 0);
    RedrawWindow(g_bare.list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return NowMs() - t;
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
        if (form && MakeBareList(*form)) {
            Pump();
            std::vector<double> fills, sorts, bares;
            for (int run = 0; run < 5; ++run) {
                Pick(*form, 1);
                Pump();
                const double t = NowMs();
                Pick(*form, 0);
                Paint(*form);
                fills.push_back(NowMs() - t);
                Pump();
                bares.push_back(BareFill());
                Pump();
                if (qm::ListRowCount(*form, qm::kSiteList) != kSites || g_bare.rows.size() != kSites) break;
                const double s = NowMs();
                ClickHeader(*form, 5);
                Paint(*form);
                sorts.push_back(NowMs() - s);
                Pump();
            }
            if (fills.size() == 5 && sorts.size() == 5) {
                std::printf("bench list_fill_100k_ms %.1f ms\n", Median(fills));
                std::printf("bench list_sort_100k_ms %.1f ms\n", Median(sorts));
                std::printf("bench list_fill_vs_bare %.2f ratio\n", Median(fills) / Median(bares));
                std::printf("bench list_sort_vs_bare_fill %.2f ratio\n", Median(sorts) / Median(bares));
                rc = 0;
            } else {
                std::fprintf(stderr, "the list did not show %d rows\n", kSites);
            }
            DestroyWindow(g_bare.frame);
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
