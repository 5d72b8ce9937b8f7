// Catalogue editing benchmark (Windows, under Wine), through the handlers the buttons run, in a
// temporary program folder. Prints
//   delete_category_1000_of_{10k,30k,100k}_ms  a click on "删" (answered Yes) for a category of
//                                               1,000 sites spread through the store, until the
//                                               combos and the list are refilled
//   add_site_10k_store_ms                       a click on "添加网站" in a store of 10,000 sites,
//                                               duplicate check and list refill included (median
//                                               of nine)
// Each delete is checked against the literal result: the other sites remain, in order.
#include <windows.h>

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
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "store/record_store.h"

namespace {

using qm::bench::NowMs;
using qm::bench::Pump;
using qm::bench::Site;

constexpr char kDoomed[] = "删除分类";
constexpr char kKept[] = "保留分类";

// A fresh program folder with the given categories and sites; category(i) names site i's.
template <class CategoryOf>
bool MakeCatalogue(const std::string& folder, const std::vector<std::string>& categories, int sites,
                   CategoryOf category) {
    for (const qm::StoreInfo& s : qm::AllStores())
        if (!qm::RecordStore::Create(folder + s.fileName, s.password, s.fieldNames, true)) return false;
    if (!qm::OpenStoreByName(qm::kGeneralStoreAlias) || !qm::Stores().Append({"", ""})) return false;
    if (!qm::OpenStoreByName(qm::kCategoryStoreAlias)) return false;
    for (const std::string& c : categories) qm::Stores().Append({c});
    // One batch: single changes are flushed one by one, as a user's are.
    if (!qm::OpenStoreByName(qm::kSiteStoreAlias) || !qm::Stores().BeginBatch()) return false;
    for (int i = 0; i < sites; ++i)
        if (!qm::Stores().Append(Site(category(i), i))) return false;
    if (!qm::Stores().CommitBatch()) return false;
    qm::CloseStoreByName("");
    return true;
}

void Click(qm::Form& form, const char* button) {
    HWND b = qm::ControlWindow(form, button);
    SendMessageW(GetParent(b), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED),
                 reinterpret_cast<LPARAM>(b));
}

// The addresses of the store's sites, in order.
std::vector<std::string> Addresses() {
    std::vector<std::string> out;
    if (!qm::OpenStoreByName(qm::kSiteStoreAlias)) return out;
    qm::Stores().Find([&](const qm::Fields& f) {
        out.push_back(f[1]);
        return false;
    });
    qm::CloseStoreByName(qm::kSiteStoreAlias);
    return out;
}

// Milliseconds of one delete of 1,000 sites from a store of `sites`, or -1 when it went wrong.
double DeleteCategory(const std::string& folder, int sites) {
    const int step = sites / 1000;
    const auto doomed = [step](int i) { return i % step == step / 2; };
    if (!MakeCatalogue(folder, {kDoomed, kKept}, sites, [&](int i) { return doomed(i) ? kDoomed : kKept; }))
        return -1;
    std::vector<std::string> expected;
    for (int i = 0; i < sites; ++i)
        if (!doomed(i)) expected.push_back(Site(kKept, i)[1]);
    qm::DialogScript script;
    qm::SetDialogScript(&script);
    qm::CreateProcessState();
    double ms = -1;
    if (qm::Form* form = qm::LoadMainWindow(true)) {
        Pump();
        script.answers = {qm::MessageAnswer::Yes};
        const double t = NowMs();
        Click(*form, qm::kDeleteCategoryButton);
        ms = NowMs() - t;
        const bool shown = script.shown.size() == 2 && script.shown[1].text == "删除成功！";
        if (!shown || qm::ListRowCount(*form, qm::kSiteList) != sites - 1000 || Addresses() != expected)
            ms = -1;
        DestroyWindow(qm::FormWindow(*form));
        Pump();
    }
    qm::ReleaseProcessState();
    qm::SetDialogScript(nullptr);
    qm::CloseStoreByName("");
    return ms;
}

// Median milliseconds of nine adds into a store of 10,000 sites in ten categories.
double AddSite(const std::string& folder) {
    std::vector<std::string> categories;
    for (int c = 0; c < 10; ++c) categories.push_back("分类" + std::to_string(c));
    if (!MakeCatalogue(folder, categories, 10000,
                       [&](int i) { return categories[static_cast<std::size_t>(i % 10)]; }))
        return -1;
    qm::DialogScript script;
    qm::SetDialogScript(&script);
    qm::CreateProcessState();
    std::vector<double> times;
    if (qm::Form* form = qm::LoadMainWindow(true)) {
        Pump();
        for (int run = 0; run < 9; ++run) {
            const qm::Fields site = Site("", 20000 + run);
            for (std::size_t k = 0; k < 9; ++k) qm::SetText(*form, qm::kSiteEntryEdits[k], site[k + 1]);
            qm::ComboSelect(*form, qm::kNewSiteCategoryCombo, 3);
            const double t = NowMs();
            Click(*form, qm::kAddSiteButton);
            times.push_back(NowMs() - t);
            Pump();
        }
        if (!script.shown.empty() || qm::ListRowCount(*form, qm::kSiteList) != 1009) times.clear();
        DestroyWindow(qm::FormWindow(*form));
        Pump();
    }
    qm::ReleaseProcessState();
    qm::SetDialogScript(nullptr);
    qm::CloseStoreByName("");
    if (times.empty()) return -1;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    const auto dir = qm::bench::MakeProgramFolder();
    const std::string folder = dir.string();
    int rc = 0;
    const double add = AddSite(folder);
    if (add < 0) rc = 1;
    std::printf("bench add_site_10k_store_ms %.1f ms\n", add);
    std::fflush(stdout);
    for (int sites : {10000, 30000, 100000}) {
        const double ms = DeleteCategory(folder, sites);
        if (ms < 0) rc = 1;
        std::printf("bench delete_category_1000_of_%dk_ms %.1f ms\n", sites / 1000, ms);
        std::fflush(stdout);
    }
    if (rc) std::fprintf(stderr, "a catalogue action did not give the expected result\n");
    qm::SetProgramFolderForTesting("");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return rc;
}
