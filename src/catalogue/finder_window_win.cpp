// The site finder's window: see finder_window_win.h. Each keystroke refreshes the index when
// SiteStore changed and runs the query at once, before the next key is read: Enter therefore
// always acts on the whole query typed so far. The index lives while the window is open.
#include "catalogue/finder_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "catalogue/copied_secret_win.h"
#include "catalogue/finder.h"
#include "catalogue/finder_form.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "catalogue/owned_window_win.h"
#include "catalogue/site_entry.h"
#include "catalogue/system_menu_win.h"
#include "core/browser_launch_win.h"
#include "core/process_state.h"
#include "core/settings.h"
#include "core/stores.h"
#include "platform/dialogs.h"
#include "store/record_store.h"

namespace qm {

namespace {

Form* g_finder = nullptr;
HHOOK g_keyHook = nullptr;
HWND g_main = nullptr;
FinderIndex g_index;
FinderSearch g_search;
std::uint64_t g_rowsVersion = 0;  // the index version the rows were made from
bool g_openFailureShown = false;  // one message per failure, not one per keystroke

// Refreshes the index; the first failure in a row says so.
bool RefreshIndex() {
    if (RefreshFinderIndex(g_index)) {
        g_openFailureShown = false;
        return true;
    }
    if (!g_openFailureShown) {
        g_openFailureShown = true;
        ShowMessage(kSiteOpenFailedMessage);
    }
    return false;
}

void RunQuery(Form& form) {
    RefreshIndex();
    const std::vector<std::uint32_t>& found = SearchSites(g_search, g_index, GetText(form, kFinderQueryBox));
    ListTable rows(kFinderRecordColumn + 1);
    for (std::size_t i = 0; i < found.size() && i < kFinderRowLimit; ++i) {
        const FinderSite& site = g_index.sites[found[i]];
        for (int field : {kFinderCategory, kFinderAddress, kFinderTitle, kFinderAccount})
            rows.AddCell(FinderFieldText(g_index, site, field));
        rows.AddCell(std::to_string(site.record));
    }
    const bool any = !rows.empty();
    // The new rows and the selection are painted together at the next paint. No WM_SETREDRAW
    // pair: turning redraw back on redraws the scroll bars, the dearest part of a keystroke.
    SetListTable(form, kFinderList, std::move(rows));
    if (any) ListSelectRow(form, kFinderList, 0);
    SetText(form, kFinderStatus, FinderStatusText(found.size(), g_index.sites.size()));
    g_rowsVersion = g_index.version;
}

// The selected row, after the query ran again if SiteStore changed since the rows were made (the
// same site stays selected when it is still found). Empty when no row is selected.
ListRow FreshSelectedRow(Form& form) {
    int row = ListSelectedRow(form, kFinderList);
    if (row < 0) return {};
    RefreshIndex();
    if (g_index.version != g_rowsVersion) {
        ListRow before = ListRows(form, kFinderList)[static_cast<std::size_t>(row)];
        before.pop_back();  // the record number may have moved
        RunQuery(form);
        row = -1;
        const auto& rows = ListRows(form, kFinderList);
        for (std::size_t i = 0; i < rows.size() && row < 0; ++i)
            if (std::equal(before.begin(), before.end(), rows[i].begin())) row = static_cast<int>(i);
        if (row < 0) return {};
        ListSelectRow(form, kFinderList, row);
    }
    return ListRows(form, kFinderList)[static_cast<std::size_t>(row)];
}

void MoveSelection(Form& form, int delta) {
    const int count = ListRowCount(form, kFinderList);
    if (count == 0) return;
    const int row = std::clamp(ListSelectedRow(form, kFinderList) + delta, 0, count - 1);
    ListSelectRow(form, kFinderList, row);
}

// Enter and the arrow keys in the query box act on the results; Enter in the list too. True when
// the key was used.
bool ResultKey(Form& form, HWND hwnd, UINT msg, WPARAM wp) {
    const bool queryBox = hwnd == ControlWindow(form, kFinderQueryBox);
    if (!queryBox && hwnd != ControlWindow(form, kFinderList)) return false;
    if (msg == WM_CHAR) return wp == '\r' || wp == '\n';  // no beep for the Enter already handled
    if (msg != WM_KEYDOWN) return false;
    if (wp == VK_RETURN) {
        ShowFinderResultInMainWindow(form);
        return true;
    }
    const int move = wp == VK_DOWN ? 1 : wp == VK_UP ? -1 : wp == VK_NEXT ? 10 : wp == VK_PRIOR ? -10 : 0;
    if (!queryBox || move == 0) return false;
    MoveSelection(form, move);
    return true;
}

// The selected result in the highlight colours while the focus is in the query box: the list's
// own colours for a selection without focus hardly differ from its face under the skin. The focus
// and the selection are read once per paint, not once per row: under Wine each such question is
// a round trip to the server.
int g_paintedSelection = -1;  // the row the paint under way highlights, or -1

LRESULT ResultColours(NMLVCUSTOMDRAW& cd) {
    HWND list = cd.nmcd.hdr.hwndFrom;
    if (cd.nmcd.dwDrawStage == CDDS_PREPAINT) {
        g_paintedSelection = GetFocus() == list
                                 ? -1
                                 : static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM,
                                                                 static_cast<WPARAM>(-1), LVNI_SELECTED));
        return g_paintedSelection < 0 ? CDRF_DODEFAULT : CDRF_NOTIFYITEMDRAW;
    }
    if (cd.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && g_paintedSelection >= 0 &&
        cd.nmcd.dwItemSpec == static_cast<DWORD_PTR>(g_paintedSelection)) {
        cd.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
        cd.clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
        cd.clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
        return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

// Sees the finder's messages before the skin does, which would colour the results itself.
// Activation shows what changed in SiteStore meanwhile.
bool FinderMessage(Form& form, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (hwnd != FormWindow(form)) {
        *result = 0;
        return ResultKey(form, hwnd, msg, wp);
    }
    if (msg == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->code != static_cast<UINT>(NM_CUSTOMDRAW) ||
            hdr->hwndFrom != ControlWindow(form, kFinderList))
            return false;
        *result = ResultColours(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
        return true;
    }
    if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE && g_finder == &form && RefreshIndex() &&
        g_index.version != g_rowsVersion)
        RunQuery(form);
    return false;
}

void LayOut(Form& form) {
    RECT r{};
    GetClientRect(FormWindow(form), &r);
    for (const FinderBox& b : FinderLayout(r.right, r.bottom))
        SetControlRect(form, b.name, {b.left, b.top, b.width, b.height});
}

void OnCreated(Form& form, const EventInfo&) {
    g_finder = &form;
    SetFormMessageHook(form, FinderMessage);
    LayOut(form);
    RunQuery(form);  // the status line counts the sites from the start
    PrepareFinderSearch(g_search, g_index.sites.size());
    SetFocus(ControlWindow(form, kFinderQueryBox));
}

void OnDestroying(Form& form, const EventInfo&) {
    if (g_finder != &form) return;
    g_finder = nullptr;
    // The index is only worth its memory while the window is open.
    // Swapped out, not assigned: an assigned empty text would keep the old one's block.
    FinderIndex index;
    std::swap(index, g_index);
    FinderSearch search;
    std::swap(search, g_search);
}

void OnMoved(Form& form, const EventInfo&) {
    SaveOwnedWindowPosition(form, kFinderWindowSection);
}

void OnResized(Form& form, const EventInfo&) {
    LayOut(form);
    SaveOwnedWindowSize(form, kFinderWindowSection);
}

void OnQueryChanged(Form& form, const EventInfo&) {
    RunQuery(form);
}

void OnResultDoubleClicked(Form& form, const EventInfo&) {
    ShowFinderResultInMainWindow(form);
}

void OnResultRightClicked(Form& form, const EventInfo&) {
    if (ListSelectedRow(form, kFinderList) < 0) return;
    POINT pt{};
    GetCursorPos(&pt);
    ShowPopupMenu(form, kFinderMenu, pt);
}

void OnOpenSite(Form& form, const EventInfo&) {
    const ListRow row = FreshSelectedRow(form);
    if (!row.empty()) OpenInDefaultBrowser(row[kFinderAddressColumn]);
}

void OnCopyAccount(Form& form, const EventInfo&) {
    const ListRow row = FreshSelectedRow(form);
    if (!row.empty()) CopySecret(row[kFinderAccountColumn], SecretKind::Account);
}

// The password is never in the finder's rows: it is read from the record when it is copied.
void OnCopyPassword(Form& form, const EventInfo&) {
    const ListRow row = FreshSelectedRow(form);
    if (row.empty()) return;
    if (!OpenStoreByName(kSiteStoreAlias)) {
        CloseStoreByName(kSiteStoreAlias);
        ShowMessage(kSiteOpenFailedMessage);
        return;
    }
    std::string password;
    const bool found = Stores().GoTo(std::stoll(row[kFinderRecordColumn])) &&
                       Stores().Read(2) == row[kFinderAddressColumn] &&
                       Stores().Read(4) == row[kFinderAccountColumn];
    if (found) password = Stores().Read(5);
    CloseStoreByName(kSiteStoreAlias);
    if (found) CopySecret(password, SecretKind::Password);
}

std::vector<EventBinding> FinderBindings() {
    return {
        {kFinderFormName, FormEvent::Created, OnCreated},
        {kFinderFormName, FormEvent::Destroying, OnDestroying},
        {kFinderFormName, FormEvent::Moved, OnMoved},
        {kFinderFormName, FormEvent::Resized, OnResized},
        {kFinderQueryBox, FormEvent::ContentChanged, OnQueryChanged},
        {kFinderList, FormEvent::DoubleClicked, OnResultDoubleClicked},
        {kFinderList, FormEvent::RightClicked, OnResultRightClicked},
        {"打开", FormEvent::MenuItemClicked, OnOpenSite},
        {"复制帐号", FormEvent::MenuItemClicked, OnCopyAccount},
        {"复制密码", FormEvent::MenuItemClicked, OnCopyPassword},
    };
}

bool IsOurWindow(HWND hwnd) {
    const HWND root = GetAncestor(hwnd, GA_ROOT);
    return root && (root == g_main || (g_finder && root == FormWindow(*g_finder)));
}

// Ctrl+F reaches the focused control, whichever it is: the thread's message hook sees it first.
// The finder opens from the main window's system command, after the hook has returned.
LRESULT CALLBACK KeyHook(int code, WPARAM wp, LPARAM lp) {
    auto* msg = reinterpret_cast<MSG*>(lp);
    if (code == HC_ACTION && wp == PM_REMOVE && msg->message == WM_KEYDOWN && msg->wParam == 'F' &&
        GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_SHIFT) >= 0 &&
        IsOurWindow(msg->hwnd)) {
        msg->message = WM_NULL;
        PostMessageW(g_main, WM_SYSCOMMAND, kFinderSystemCommand, 0);
    }
    return CallNextHookEx(g_keyHook, code, wp, lp);
}

void OnMainCreated(Form& main, const EventInfo&) {
    g_main = FormWindow(main);
    AddSystemMenuCommand(g_main, kFinderSystemCommand, kFinderMenuItem, OpenFinderWindow);
    if (!g_keyHook)
        g_keyHook =
            SetWindowsHookExW(WH_GETMESSAGE, KeyHook, GetModuleHandleW(nullptr), GetCurrentThreadId());
}

void OnMainDestroying(Form& main, const EventInfo&) {
    if (g_main != FormWindow(main)) return;
    if (g_keyHook) UnhookWindowsHookEx(g_keyHook);
    g_keyHook = nullptr;
    g_main = nullptr;
}

void OnFinderMenuItem(Form&, const EventInfo&) {
    OpenFinderWindow();
}

}  // namespace

std::vector<EventBinding> FinderEntranceBindings() {
    return {
        {kMainFormName, FormEvent::Created, OnMainCreated},
        {kMainFormName, FormEvent::Destroying, OnMainDestroying},
        {kFinderMenuItem, FormEvent::MenuItemClicked, OnFinderMenuItem},
    };
}

void OpenFinderWindow() {
    Form* main = MainForm();
    if (!main) return;
    if (g_finder) {
        BringOwnedWindowBack(FormWindow(*g_finder));
        HWND box = ControlWindow(*g_finder, kFinderQueryBox);
        SetFocus(box);
        SendMessageW(box, EM_SETSEL, 0, -1);
        return;
    }
    OpenOwnedWindow(FinderFormDef(), FinderBindings(), FormWindow(*main), kFinderWindowSection,
                    kFinderMinWidth, kFinderMinHeight);
}

Form* FinderWindow() {
    return g_finder;
}

bool ShowFinderResultInMainWindow(Form& finder) {
    if (!MainForm()) return false;
    const ListRow row = FreshSelectedRow(finder);
    if (row.empty()) return false;
    return ShowSiteInMainList(row[kFinderCategoryColumn], row[kFinderRecordColumn], FormWindow(finder));
}

}  // namespace qm
