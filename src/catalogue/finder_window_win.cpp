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

constexpr UINT_PTR kKeysSubclassId = 0x4644;  // "FD"

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

// Enter and the arrow keys in the query box act on the results; Enter in the list too.
LRESULT CALLBACK KeysProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* form = reinterpret_cast<Form*>(ref);
    const bool queryBox = hwnd == ControlWindow(*form, kFinderQueryBox);
    if (msg == WM_KEYDOWN) {
        switch (wp) {
            case VK_RETURN:
                ShowFinderResultInMainWindow(*form);
                return 0;
            case VK_DOWN:
                if (queryBox) return MoveSelection(*form, 1), 0;
                break;
            case VK_UP:
                if (queryBox) return MoveSelection(*form, -1), 0;
                break;
            case VK_NEXT:
                if (queryBox) return MoveSelection(*form, 10), 0;
                break;
            case VK_PRIOR:
                if (queryBox) return MoveSelection(*form, -10), 0;
                break;
            default:
                break;
        }
    } else if (msg == WM_CHAR && (wp == '\r' || wp == '\n')) {
        return 0;  // no beep for the Enter already handled
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, KeysProc, kKeysSubclassId);
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
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

// The finder window's procedure, put in front of the form's own by replacing it rather than
// through the common controls' subclass chain, which looks its data up in a window property on
// every message: a round trip to the Wine server for each of the hundred notifications of a paint
// of the results. One finder window at a time, so the procedure it replaced fits in one variable.
WNDPROC g_frameNext = nullptr;
HWND g_resultList = nullptr;

// Activation shows what changed in SiteStore meanwhile.
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const WNDPROC next = g_frameNext;
    if (msg == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->code == static_cast<UINT>(NM_CUSTOMDRAW) && hdr->hwndFrom == g_resultList)
            return ResultColours(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
    } else if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) {
        if (g_finder && RefreshIndex() && g_index.version != g_rowsVersion) RunQuery(*g_finder);
    } else if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        g_frameNext = nullptr;
        g_resultList = nullptr;
    }
    return CallWindowProcW(next, hwnd, msg, wp, lp);
}

void LayOut(Form& form) {
    RECT r{};
    GetClientRect(FormWindow(form), &r);
    for (const FinderBox& b : FinderLayout(r.right, r.bottom))
        SetControlRect(form, b.name, {b.left, b.top, b.width, b.height});
}

void OnCreated(Form& form, const EventInfo&) {
    g_finder = &form;
    const auto ref = reinterpret_cast<DWORD_PTR>(&form);
    SetWindowSubclass(ControlWindow(form, kFinderQueryBox), KeysProc, kKeysSubclassId, ref);
    SetWindowSubclass(ControlWindow(form, kFinderList), KeysProc, kKeysSubclassId, ref);
    g_resultList = ControlWindow(form, kFinderList);
    g_frameNext = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(FormWindow(form), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameProc)));
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
    FormDef def = FinderFormDef();
    PlaceOwnedWindow(def, FormWindow(*main), kFinderWindowSection, kFinderMinWidth, kFinderMinHeight);
    LoadForm(def, FinderBindings(), FormWindow(*main));
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
