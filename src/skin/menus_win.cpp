// The popup-menu procedure and its state: see menus_win.h. One popup menu is followed at a time.
// The deferred repaint is a window timer on the menu window, so it runs on the window thread
// that owns the menu state.
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

HMENU MenuOf(HWND window) {
    return reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
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

// The one path every selection change takes: remember it, hide the system's redrawing, and
// schedule the skin's repaint.
void FollowSelection(HWND window, HMENU menu, int item) {
    if (item == g_menu.hotItem && window == g_menu.window) return;
    StopRepaint();
    g_menu.window = window;
    if (menu) g_menu.menu = menu;
    if (!g_menu.menu || LeftToSystem(g_menu.menu)) return;
    g_menu.hotItem = item;
    WriteProp(window, Prop::MenuItem, item);
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    if (SetTimer(window, kRepaintTimer, kRepaintMs, nullptr)) g_menu.repaintPending = true;
}

void Repaint(HWND window) {
    StopRepaint();
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    PaintPopupMenu(window, g_menu.menu, g_menu.hotItem);
}

void StepByKey(HWND window, int direction) {
    if (!g_menu.menu) return;
    std::vector<bool> separators;
    const int count = GetMenuItemCount(g_menu.menu);
    for (int i = 0; i < count; ++i)
        separators.push_back(
            (GetMenuState(g_menu.menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0);
    const int from = static_cast<int>(ReadProp(window, Prop::MenuItem));
    FollowSelection(window, g_menu.menu, StepMenuItem(from, direction, separators));
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
            PaintPopupMenu(hwnd, menu, hwnd == g_menu.window ? g_menu.hotItem : -1);
            return 0;
        }
        case WM_DESTROY:
            if (hwnd == g_menu.window) {
                StopRepaint();
                g_menu = MenuState{};
            }
            break;
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

int HighlightedItem(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) return i;
    return -1;
}

}  // namespace

void InstallPopupMenu(HWND hwnd) {
    StopRepaint();
    g_menu = MenuState{};
    WriteProp(hwnd, Prop::MenuItem, -1);
    Subclass(hwnd, PopupMenuProc);
}

void FollowMenuSelection(HMENU menu) {
    if (!g_menu.window || !IsWindow(g_menu.window) || !g_menu.menu) return;
    if (menu && menu != g_menu.menu) return;
    FollowSelection(g_menu.window, g_menu.menu, HighlightedItem(g_menu.menu));
}

}  // namespace qm::skin
