// The popup-menu procedure and its state: see menus_win.h. One popup menu is followed at a time:
// the one whose selection changed last, else the last one opened. The deferred repaint is a
// window timer on the menu window, so it runs on the window thread that owns the menu state.
// While a popup menu is open a hook on the thread's sent messages catches the selection notices
// its owner gets, whatever window that is (an edit's own context menu is owned by the edit); the
// hook goes with the last menu window, so the thread pays for it only while a menu shows.
#include "skin/menus_win.h"

#include <vector>

#include "platform/win32/handles.h"
#include "skin/drawers_win.h"
#include "skin/engine_win.h"
#include "skin/menu_layout.h"
#include "skin/properties_win.h"

namespace qm::skin {

namespace {

constexpr UINT MN_SELECTITEM = 0x01E5;  // the system's own message to its menu windows
constexpr UINT kRepaintTimer = 0x51E5;
constexpr UINT kRepaintMs = 10;
// Menus of the form system whose drawing stays the system's.
constexpr UINT kSystemDrawnFirstIds[] = {31005, 30998};

struct MenuState {
    HWND window = nullptr;
    HMENU menu = nullptr;
    int hotItem = -1;
    bool repaintPending = false;
};

MenuState g_menu;
std::vector<HWND> g_openMenus;  // the menu windows alive, in the order they were created
HHOOK g_selectionHook = nullptr;

// Asked of the system's menu procedure itself: the skin's own question is no sign of the window.
HMENU MenuOf(HWND window) {
    return reinterpret_cast<HMENU>(CallSavedProcedure(window, MN_GETHMENU, 0, 0));
}

void StopRepaint() {
    if (g_menu.repaintPending && IsWindow(g_menu.window)) KillTimer(g_menu.window, kRepaintTimer);
    g_menu.repaintPending = false;
}

bool LeftToSystem(HMENU menu) {
    const UINT first = GetMenuItemID(menu, 0);
    for (UINT id : kSystemDrawnFirstIds)
        if (first == id) return true;
    return false;
}

void Repaint(HWND window) {
    KillTimer(window, kRepaintTimer);
    if (window == g_menu.window) g_menu.repaintPending = false;
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    PaintPopupMenu(window, MenuOf(window), static_cast<int>(ReadProp(window, Prop::MenuItem)));
}

// A repaint still due is done now, before another menu window is followed: until then the system
// treats its window as hidden (its redrawing is off).
void FinishRepaint() {
    if (g_menu.repaintPending && IsWindow(g_menu.window)) Repaint(g_menu.window);
    g_menu.repaintPending = false;
}

// The one path every selection change takes: remember it, hide the system's redrawing, and
// schedule the skin's repaint.
void FollowSelection(HWND window, HMENU menu, int item) {
    if (item == g_menu.hotItem && window == g_menu.window) return;
    if (window != g_menu.window) FinishRepaint();
    StopRepaint();
    g_menu.window = window;
    if (menu) g_menu.menu = menu;
    if (!g_menu.menu || LeftToSystem(g_menu.menu)) return;
    g_menu.hotItem = item;
    WriteProp(window, Prop::MenuItem, item);
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    if (SetTimer(window, kRepaintTimer, kRepaintMs, nullptr)) g_menu.repaintPending = true;
}

int HighlightedItem(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) return i;
    return -1;
}

// The system moved the highlight of an open menu (its owner heard of it): the hot item follows
// the item the system highlights now. A menu bar's notice names no open menu window.
void FollowHighlight(HMENU menu) {
    for (HWND window : g_openMenus)
        if (MenuOf(window) == menu) {
            FollowSelection(window, menu, HighlightedItem(menu));
            return;
        }
}

LRESULT CALLBACK SelectionHook(int code, WPARAM wp, LPARAM lp) {
    const LRESULT r = CallNextHookEx(nullptr, code, wp, lp);
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code != HC_ACTION || !sent) return r;
    if (sent->message == WM_MENUSELECT && sent->lParam)
        FollowHighlight(reinterpret_cast<HMENU>(sent->lParam));
    else if (sent->message == WM_ENTERIDLE && sent->wParam == MSGF_MENU && g_menu.menu)
        FollowHighlight(g_menu.menu);
    return r;
}

void Opened(HWND window) {
    g_openMenus.push_back(window);
    if (!g_selectionHook)
        g_selectionHook =
            SetWindowsHookExW(WH_CALLWNDPROC, SelectionHook, GetModuleHandleW(nullptr), GetCurrentThreadId());
}

// A submenu closing hands the following back to the menu it came from.
void Closed(HWND window) {
    std::erase(g_openMenus, window);
    if (window == g_menu.window) {
        StopRepaint();
        g_menu = MenuState{};
        if (!g_openMenus.empty()) {
            g_menu.window = g_openMenus.back();
            g_menu.menu = MenuOf(g_menu.window);
            g_menu.hotItem = static_cast<int>(ReadProp(g_menu.window, Prop::MenuItem));
        }
    }
    if (g_openMenus.empty() && g_selectionHook) {
        UnhookWindowsHookEx(g_selectionHook);
        g_selectionHook = nullptr;
    }
}

void StepByKey(HWND window, int direction) {
    HMENU menu = MenuOf(window);
    if (!menu) return;
    std::vector<bool> separators;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        separators.push_back((GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0);
    const int from = static_cast<int>(ReadProp(window, Prop::MenuItem));
    FollowSelection(window, menu, StepMenuItem(from, direction, separators));
}

void ApplyRoundRegion(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    UniqueRegion region(CreateRoundRectRgn(0, 0, r.right - r.left + 1, r.bottom - r.top + 1, 8, 9));
    if (region && SetWindowRgn(window, region.get(), TRUE)) region.release();  // the system owns it now
}

LRESULT CALLBACK PopupMenuProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SIZE:
            g_menu.window = hwnd;
            g_menu.menu = MenuOf(hwnd);
            ApplyRoundRegion(hwnd);
            return 1;
        case WM_WINDOWPOSCHANGING:
            g_menu.window = hwnd;
            // A select and deselect of the first item schedules the first repaint.
            if (!(reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_HIDEWINDOW))
                for (WPARAM item : {WPARAM{0}, static_cast<WPARAM>(-1), WPARAM{0}, static_cast<WPARAM>(-1)})
                    SendMessageW(hwnd, MN_SELECTITEM, item, 0);
            break;
        case MN_GETHMENU:
            g_menu.window = hwnd;
            break;
        case MN_SELECTITEM:
            FollowSelection(hwnd, MenuOf(hwnd), static_cast<int>(wp));
            break;
        case WM_KEYDOWN:
            if (wp == VK_UP || wp == VK_DOWN) StepByKey(hwnd, wp == VK_UP ? -1 : 1);
            break;
        case WM_TIMER:
            if (wp != kRepaintTimer) break;
            Repaint(hwnd);
            return 0;
        case WM_PAINT: {
            // The skin's look from the first paint on: the system's never shows.
            HMENU menu = MenuOf(hwnd);
            if (!menu || LeftToSystem(menu)) break;
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            PaintPopupMenu(hwnd, menu, static_cast<int>(ReadProp(hwnd, Prop::MenuItem)));
            return 0;
        }
        case WM_DESTROY:
            Closed(hwnd);
            break;
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

}  // namespace

void InstallPopupMenu(HWND hwnd) {
    FinishRepaint();  // a submenu opens as its parent's new selection waits for its repaint
    g_menu = MenuState{};
    WriteProp(hwnd, Prop::MenuItem, -1);
    if (Subclass(hwnd, PopupMenuProc)) Opened(hwnd);
}

}  // namespace qm::skin
