// The site check's window: see health_window_win.h. A run's results reach the window only
// through a timer on the window thread that takes what the run has finished; the workers never
// see the window. Closing the window (or the program) stops the run at once: whatever a worker
// still finds is dropped by the run, and the results taken so far are kept in the results file.
#include "catalogue/health_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "catalogue/health_form.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "catalogue/owned_window_win.h"
#include "catalogue/site_entry.h"
#include "catalogue/system_menu_win.h"
#include "core/date_text.h"
#include "core/process_state.h"
#include "core/settings.h"
#include "core/site_checks.h"
#include "core/stores.h"
#include "platform/dialogs.h"
#include "platform/whole_file.h"
#include "platform/win32/file_dialogs_win.h"
#include "store/record_store.h"
#include "web/win32/site_check_win.h"

namespace qm {

namespace {

constexpr UINT_PTR kPollTimer = 0x4843;
// Results reach their rows every 50 ms, so that the rows in sight redrawn at a time stay few
// (each costs 1.5-5 ms to paint under Wine); the bar, the count and the summary move every 200 ms,
// often enough to look smooth, each on a tick of its own so that no tick does all three.
constexpr UINT kPollMs = 50;
constexpr int kPollsPerProgress = 4;
enum PollPhase { kBarPhase, kCountPhase, kSummaryPhase };
// Rows in sight painted at most per tick: early in a run every row in sight gets its result within
// a second, and sixteen of them in one paint kept the thread 20-40 ms.
constexpr std::size_t kRowsPaintedPerPoll = 4;
constexpr char kExportFailedMessage[] = "导出报告失败！";

// Text colours of the rows by kind: ok, redirected, error, certificate soon.
constexpr COLORREF kKindColours[] = {RGB(0, 110, 0), RGB(0, 70, 190), RGB(200, 0, 0), RGB(200, 110, 0)};

Form* g_health = nullptr;
HWND g_main = nullptr;
HWND g_progress = nullptr;
std::vector<HealthSite> g_sites;   // the report's sites, in store order
std::vector<std::size_t> g_order;  // row -> site
std::vector<std::size_t> g_rowOf;  // site -> row
int g_sortColumn = -1;
bool g_sortDescending = false;
std::shared_ptr<SiteCheckRun> g_run;
std::vector<std::size_t> g_runSites;  // the run's index -> site
std::vector<SiteCheck> g_fresh;       // the run's results, for the results file
int g_polls = 0;                      // of the run, to pace the progress
bool g_changedSinceShown = false;     // results came since the summary was last set
std::vector<int> g_unpainted;         // rows in sight set anew and not yet redrawn, oldest first
// What the window last put in its labels and bar: asking a control is a round trip to the window
// server, which under load waits 2-10 ms while the workers keep it busy.
struct Shown {
    std::string count, summary;
    std::size_t range = SIZE_MAX, position = SIZE_MAX;
} g_shown;
HopFunction g_testHop;
CheckOptions g_options;

std::string NowText() {
    const LocalDateTime t = CurrentLocalDateTime();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

// Every site of the category ("所有数据": all), with its stored result. Empty after a message when
// the site store cannot be opened.
std::vector<HealthSite> ReadSites(const std::string& category) {
    std::vector<HealthSite> sites;
    if (!OpenStoreByName(kSiteStoreAlias)) {
        CloseStoreByName(kSiteStoreAlias);
        ShowMessage(kSiteOpenFailedMessage);
        return sites;
    }
    const bool all = category == kAllSitesChoice;
    long long record = 1;
    RecordStore& store = Stores();
    store.First();
    store.Find([&](const Fields& f) {
        auto field = [&f](std::size_t k) { return k < f.size() ? f[k] : std::string(); };
        if (all || field(0) == category) {
            HealthSite s;
            s.category = field(0), s.address = field(1), s.title = field(2);
            s.record = record;
            sites.push_back(std::move(s));
        }
        ++record;
        return false;
    });
    CloseStoreByName(kSiteStoreAlias);
    std::map<std::string, SiteCheck> stored;
    for (SiteCheck& c : LoadSiteChecks()) stored.emplace(c.address, std::move(c));
    for (HealthSite& s : sites) {
        const auto it = stored.find(s.address);
        if (it == stored.end()) continue;
        s.checked = true;
        s.check = it->second;
    }
    return sites;
}

// Changes a control with its painting left to the next paint: Wine's labels and buttons paint
// themselves inside the change, and a click or tick that changes several kept the thread 10-30 ms.
template <typename Change>
void ChangeUnpainted(HWND control, Change change, bool erase = true) {
    SendMessageW(control, WM_SETREDRAW, FALSE, 0);
    change();
    SendMessageW(control, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control, nullptr, erase);
}

// Labels are set only when their text changes.
void SetLabel(Form& form, const char* name, std::string& shown, const std::string& text) {
    if (shown == text) return;
    shown = text;
    ChangeUnpainted(ControlWindow(form, name), [&] { SetText(form, name, text); });
}

bool SameRow(const ListTable& shown, std::size_t row, const ListRow& cells) {
    if (row >= shown.size() || cells.size() != shown.Columns()) return false;
    for (std::size_t c = 0; c < cells.size(); ++c)
        if (shown.Cell(row, c) != cells[c]) return false;
    return true;
}

void SetBar(std::size_t done, std::size_t total) {
    const std::size_t range = std::max<std::size_t>(total, 1);
    if (g_shown.range != range) {
        g_shown.range = range;
        SendMessageW(g_progress, PBM_SETRANGE32, 0, static_cast<LPARAM>(range));
    }
    // The bar paints itself at once on a new position; a plain invalidation lets the paint wait
    // until the thread has nothing else to do, so the main window is never kept waiting.
    if (g_shown.position != done) {
        g_shown.position = done;
        ChangeUnpainted(
            g_progress, [done] { SendMessageW(g_progress, PBM_SETPOS, static_cast<WPARAM>(done), 0); },
            false);
    }
}

void SetCount(Form& form, std::size_t done, std::size_t total) {
    SetLabel(form, kHealthProgressText, g_shown.count, HealthProgressText(done, total));
}

void SetSummary(Form& form) {
    SetLabel(form, kHealthSummary, g_shown.summary, HealthSummaryText(g_sites));
}

void SetProgress(Form& form, std::size_t done, std::size_t total) {
    SetBar(done, total);
    SetCount(form, done, total);
}

// The rows again, in the chosen order, the selected site still selected.
void ShowRows(Form& form) {
    const int selectedRow = ListSelectedRow(form, kHealthList);
    const std::size_t selected = selectedRow >= 0 && static_cast<std::size_t>(selectedRow) < g_order.size()
                                     ? g_order[selectedRow]
                                     : SIZE_MAX;
    if (g_sortColumn >= 0) {
        g_order = HealthOrder(g_sites, g_sortColumn, g_sortDescending);
    } else {
        g_order.resize(g_sites.size());
        for (std::size_t i = 0; i < g_order.size(); ++i) g_order[i] = i;
    }
    g_rowOf.assign(g_order.size(), 0);
    std::vector<ListRow> rows;
    rows.reserve(g_order.size());
    for (std::size_t i : g_order) {
        g_rowOf[i] = rows.size();
        rows.push_back(HealthRow(g_sites[i]));
    }
    if (ListRowCount(form, kHealthList) != static_cast<int>(rows.size())) {
        SetListRows(form, kHealthList, std::move(rows));
        for (std::size_t row = 0; row < g_order.size(); ++row)
            if (g_order[row] == selected) ListSelectRow(form, kHealthList, static_cast<int>(row), false);
    } else {
        // The same number of rows (a run's start or end, a new order): set and redraw only the
        // rows that changed, since the whole list painted again keeps the thread 15-50 ms under
        // Wine, and move the selection by hand only when it moves. Setting a new row set, or a
        // selection through the form, clears the selection of every row first, which under Wine
        // notifies once per row.
        HWND list = ControlWindow(form, kHealthList);
        const int newRow = selected < g_rowOf.size() ? static_cast<int>(g_rowOf[selected]) : -1;
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        if (selectedRow >= 0 && selectedRow != newRow)
            SendMessageW(list, LVM_SETITEMSTATE, selectedRow, reinterpret_cast<LPARAM>(&item));
        const ListTable& shown = ListRows(form, kHealthList);
        std::vector<int> changed;
        for (std::size_t row = 0; row < rows.size(); ++row) {
            if (SameRow(shown, row, rows[row])) continue;
            SetListRow(form, kHealthList, static_cast<int>(row), std::move(rows[row]), false);
            changed.push_back(static_cast<int>(row));
        }
        if (changed.size() > static_cast<std::size_t>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)))
            InvalidateRect(list, nullptr, FALSE);
        else
            for (int row : changed) SendMessageW(list, LVM_REDRAWITEMS, row, row);
        if (newRow >= 0 && newRow != selectedRow) {
            item.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, newRow, reinterpret_cast<LPARAM>(&item));
            SendMessageW(list, LVM_SETSELECTIONMARK, 0, static_cast<LPARAM>(newRow));
        }
    }
    SetSummary(form);
}

// The sites of the chosen category, their rows and, unless a run is about to start, their count.
void LoadCategory(Form& form, bool showCount = true) {
    g_sites = ReadSites(ComboSelectedText(form, kHealthCategoryCombo));
    if (showCount) {
        std::size_t checked = 0;
        for (const HealthSite& s : g_sites) checked += s.checked;
        SetProgress(form, checked, g_sites.size());
    }
    ShowRows(form);
}

void EnableWhileIdle(Form& form, bool idle) {
    EnableWindow(ControlWindow(form, kHealthCategoryCombo), idle);
    HWND exportButton = ControlWindow(form, kHealthExportButton);
    ChangeUnpainted(exportButton, [&] { EnableWindow(exportButton, idle); });
    ChangeUnpainted(ControlWindow(form, kHealthStartButton),
                    [&] { SetText(form, kHealthStartButton, idle ? kStartCaption : kStopCaption); });
}

// Redraws up to this many of the rows waiting for it, row by row: the list paints only the rows in
// the region it is given.
void RedrawRows(Form& form, std::size_t most) {
    const std::size_t count = std::min(most, g_unpainted.size());
    HWND list = ControlWindow(form, kHealthList);
    for (std::size_t i = 0; i < count; ++i)
        SendMessageW(list, LVM_REDRAWITEMS, g_unpainted[i], g_unpainted[i]);
    g_unpainted.erase(g_unpainted.begin(), g_unpainted.begin() + static_cast<std::ptrdiff_t>(count));
}

// Takes what the run finished into the sites and, with a form, into their rows where they stand:
// a thousand rows set again for every few results would keep the window thread busy (under Wine
// a whole new row set costs 50-130 ms). True when anything came.
bool TakeResults(Form* form) {
    bool any = false;
    // Only rows in sight are redrawn: every window call may wait on a busy machine, and most
    // results land far from the rows shown.
    int top = 0, bottom = -1;
    if (form) {
        HWND list = ControlWindow(*form, kHealthList);
        top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
        bottom = top + static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    }
    for (auto& [index, check] : g_run->TakeFinished()) {
        check.checkedAt = NowText();
        const std::size_t at = g_runSites[index];
        HealthSite& site = g_sites[at];
        site.checked = true;
        site.check = check;
        g_fresh.push_back(std::move(check));
        if (form && at < g_rowOf.size()) {
            const int row = static_cast<int>(g_rowOf[at]);
            SetListRow(*form, kHealthList, row, HealthRow(site), false);
            if (row >= top && row <= bottom) g_unpainted.push_back(row);
        }
        any = true;
    }
    if (form) RedrawRows(*form, kRowsPaintedPerPoll);
    return any;
}

// Ends the run (stopped or done): what it found is kept, the rest dropped.
void EndRun(Form* form) {
    if (!g_run) return;
    TakeResults(nullptr);
    g_run->Stop();
    g_run.reset();
    if (form) {
        KillTimer(FormWindow(*form), kPollTimer);
        EnableWhileIdle(*form, true);
        RedrawRows(*form, g_unpainted.size());
        ShowRows(*form);
    }
    g_unpainted.clear();
    // A window that goes saves at once; one that stays leaves the disk to a thread of its own.
    if (!g_fresh.empty()) {
        if (form)
            SaveSiteChecksInBackground(std::move(g_fresh));
        else
            SaveSiteChecks(g_fresh);
    }
    g_fresh.clear();
    g_runSites.clear();
}

void Poll(Form& form) {
    if (!g_run) return;
    g_changedSinceShown = TakeResults(&form) || g_changedSinceShown;
    if (g_run->Ended()) {
        SetProgress(form, g_run->FinishedCount(), g_run->Total());
        EndRun(&form);  // rows in their order again, and the summary
        return;
    }
    switch (g_polls++ % kPollsPerProgress) {
        case kBarPhase:
            SetBar(g_run->FinishedCount(), g_run->Total());
            break;
        case kCountPhase:
            SetCount(form, g_run->FinishedCount(), g_run->Total());
            break;
        case kSummaryPhase:
            if (g_changedSinceShown) SetSummary(form);
            g_changedSinceShown = false;
            break;
    }
}

void StartRun(Form& form) {
    LoadCategory(form, false);
    if (g_sites.empty()) {
        SetProgress(form, 0, 0);
        return;
    }
    std::vector<std::string> addresses;
    g_runSites.clear();
    for (std::size_t i = 0; i < g_sites.size(); ++i) {
        addresses.push_back(g_sites[i].address);
        g_runSites.push_back(i);
    }
    g_fresh.clear();
    g_polls = 0;
    g_changedSinceShown = false;
    g_run =
        SiteCheckRun::Start(std::move(addresses), g_testHop ? g_testHop : HopFunction(RequestHop), g_options);
    EnableWhileIdle(form, false);
    SetProgress(form, 0, g_sites.size());
    SetTimer(FormWindow(form), kPollTimer, kPollMs, nullptr);
}

LRESULT RowColours(NMLVCUSTOMDRAW& cd) {
    if (cd.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && cd.nmcd.dwItemSpec < g_order.size()) {
        const HealthSite& site = g_sites[g_order[cd.nmcd.dwItemSpec]];
        if (site.checked) {
            cd.clrText = kKindColours[static_cast<int>(KindOf(site.check))];
            return CDRF_NEWFONT;
        }
    }
    return CDRF_DODEFAULT;
}

// Through the form's hook, not a subclass: a list paint sends its parent dozens of notifications,
// and under Wine the subclass chain reads a window property for each of them.
bool FrameMessage(Form& form, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (hwnd != FormWindow(form)) return false;
    if (msg == WM_TIMER && wp == kPollTimer) {
        Poll(form);
        *result = 0;
        return true;
    }
    if (msg == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->code == static_cast<UINT>(NM_CUSTOMDRAW) && hdr->hwndFrom == ControlWindow(form, kHealthList)) {
            *result = RowColours(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
            return true;
        }
    }
    return false;
}

void LayOut(Form& form) {
    RECT r{};
    GetClientRect(FormWindow(form), &r);
    for (const HealthBox& b : HealthLayout(r.right, r.bottom)) {
        if (b.name == std::string_view(kHealthProgressArea))
            MoveWindow(g_progress, b.left, b.top, b.width, b.height, TRUE);
        else
            SetControlRect(form, b.name, {b.left, b.top, b.width, b.height});
    }
}

// The category the main window shows, when the combo has it; else the first item.
void ChooseMainCategory(Form& form) {
    ComboClear(form, kHealthCategoryCombo);
    ComboAdd(form, kHealthCategoryCombo, kAllSitesChoice);
    if (const auto names = ReadCategoryNames())
        for (const std::string& name : *names) ComboAdd(form, kHealthCategoryCombo, name);
    Form* main = MainForm();
    const std::string shown = main ? ComboSelectedText(*main, kFilterCombo) : std::string();
    int index = 0;
    for (int i = 1; i < ComboCount(form, kHealthCategoryCombo); ++i)
        if (ComboItem(form, kHealthCategoryCombo, i) == shown) index = i;
    ComboSelect(form, kHealthCategoryCombo, index);
}

void OnCreated(Form& form, const EventInfo&) {
    g_health = &form;
    g_sortColumn = -1;
    g_shown = {GetText(form, kHealthProgressText), GetText(form, kHealthSummary)};
    g_progress = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, FormWindow(form),
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    SetFormMessageHook(form, FrameMessage);
    LayOut(form);
    ChooseMainCategory(form);
    LoadCategory(form);
}

void OnDestroying(Form& form, const EventInfo&) {
    if (g_health != &form) return;
    EndRun(nullptr);
    FinishSiteChecksSave();
    g_health = nullptr;
    g_progress = nullptr;
    std::vector<HealthSite>().swap(g_sites);
    g_order.clear();
    g_rowOf.clear();
}

void OnMoved(Form& form, const EventInfo&) {
    SaveOwnedWindowPosition(form, kHealthWindowSection);
}

void OnResized(Form& form, const EventInfo&) {
    LayOut(form);
    SaveOwnedWindowSize(form, kHealthWindowSection);
}

void OnCategoryChanged(Form& form, const EventInfo&) {
    if (!g_run) LoadCategory(form);
}

void OnStartClicked(Form& form, const EventInfo&) {
    if (g_run)
        EndRun(&form);
    else
        StartRun(form);
}

void OnExportClicked(Form&, const EventInfo&) {
    FileDialogRequest request;
    request.save = true;
    request.filter = "CSV 文件（*.csv）|*.csv";
    request.defaultExtension = "csv";
    request.fileName = "网站检查报告.csv";
    const std::optional<std::string> path = ShowFileDialog(request);
    if (!path) return;
    std::vector<SiteCheck> checks;
    std::vector<std::string> titles;
    for (std::size_t i : g_order) {
        if (!g_sites[i].checked) continue;
        checks.push_back(g_sites[i].check);
        titles.push_back(g_sites[i].title);
    }
    if (!ReplaceWholeFile(*path, CheckReportCsv(checks, titles))) ShowMessage(kExportFailedMessage);
}

void OnHeaderClicked(Form& form, const EventInfo& info) {
    if (info.column < 0 || info.column >= kHealthRecordColumn) return;
    g_sortDescending = g_sortColumn == info.column && !g_sortDescending;
    g_sortColumn = info.column;
    ShowRows(form);
}

// The site of the double-clicked row in the main list: its category in the filter, its row
// selected, the main window in front.
void OnRowDoubleClicked(Form& form, const EventInfo&) {
    const int row = ListSelectedRow(form, kHealthList);
    if (row < 0 || static_cast<std::size_t>(row) >= g_order.size()) return;
    const HealthSite& site = g_sites[g_order[row]];
    ShowSiteInMainList(site.category, std::to_string(site.record), FormWindow(form));
}

std::vector<EventBinding> HealthBindings() {
    return {
        {kHealthFormName, FormEvent::Created, OnCreated},
        {kHealthFormName, FormEvent::Destroying, OnDestroying},
        {kHealthFormName, FormEvent::Moved, OnMoved},
        {kHealthFormName, FormEvent::Resized, OnResized},
        {kHealthCategoryCombo, FormEvent::SelectionChanged, OnCategoryChanged},
        {kHealthStartButton, FormEvent::Clicked, OnStartClicked},
        {kHealthExportButton, FormEvent::Clicked, OnExportClicked},
        {kHealthList, FormEvent::HeaderClicked, OnHeaderClicked},
        {kHealthList, FormEvent::DoubleClicked, OnRowDoubleClicked},
    };
}

void OnMainCreated(Form& main, const EventInfo&) {
    g_main = FormWindow(main);
    AddSystemMenuCommand(g_main, kHealthSystemCommand, kHealthMenuItem, OpenHealthWindow);
}

void OnMainDestroying(Form& main, const EventInfo&) {
    if (g_main == FormWindow(main)) g_main = nullptr;
}

void OnHealthMenuItem(Form&, const EventInfo&) {
    OpenHealthWindow();
}

}  // namespace

std::vector<EventBinding> HealthEntranceBindings() {
    return {
        {kMainFormName, FormEvent::Created, OnMainCreated},
        {kMainFormName, FormEvent::Destroying, OnMainDestroying},
        {kHealthMenuItem, FormEvent::MenuItemClicked, OnHealthMenuItem},
    };
}

void OpenHealthWindow() {
    Form* main = MainForm();
    if (!main) return;
    if (g_health) {
        BringOwnedWindowBack(FormWindow(*g_health));
        return;
    }
    OpenOwnedWindow(HealthFormDef(), HealthBindings(), FormWindow(*main), kHealthWindowSection,
                    kHealthMinWidth, kHealthMinHeight);
}

Form* HealthWindow() {
    return g_health;
}

void SetHealthCheckForTesting(HopFunction hop, const CheckOptions& options) {
    g_testHop = std::move(hop);
    g_options = options;
}

bool HealthCheckRunning() {
    return g_run != nullptr;
}

}  // namespace qm
