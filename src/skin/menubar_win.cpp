// The owner-drawn menu bar: see menubar_win.h. Items stay where the system lays them out, moved
// from the system's frame into the skin's menu band.
#include "skin/menubar_win.h"

#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "skin/engine_win.h"
#include "skin/paint_win.h"

namespace qm::skin {

namespace {

int g_measureIndex = -1;  // the item the next measuring request is for

HMENU MenuBarOf(HWND hwnd) {
    if (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) return nullptr;
    HMENU menu = GetMenu(hwnd);
    return IsMenu(menu) ? menu : nullptr;
}

std::string ItemText(HMENU menu, int pos) {
    wchar_t buf[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = buf;
    info.cch = 255;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &info)) return {};
    return CutTitle(FromWide(buf), 255);
}

// The system's item rectangle moved into the skin's band, in window coordinates.
RECT ItemRect(HWND hwnd, HMENU menu, int pos) {
    RECT r{}, w{};
    if (!GetMenuItemRect(hwnd, menu, static_cast<UINT>(pos), &r)) return r;
    GetWindowRect(hwnd, &w);
    const int dx = Metrics().sideBorder - GetSystemMetrics(SM_CXDLGFRAME) - w.left;
    const int dy = Metrics().bottomBand - GetSystemMetrics(SM_CYDLGFRAME) - w.top;
    OffsetRect(&r, dx, dy);
    return r;
}

bool IsGrayed(HMENU menu, int pos) {
    return (GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0;
}

void DrawItem(HDC dc, HMENU menu, int pos, const RECT& r, bool hot) {
    const MenuPalette& mp = Theme().menu;
    if (hot)
        DrawHotPlate(dc, r);
    else
        FillColour(dc, r, mp[4]);
    SetTextColor(dc, ToColorRef(IsGrayed(menu, pos) ? mp[7] : hot ? mp[8] : mp[6]));
    SetBkMode(dc, TRANSPARENT);
    DrawMenuText(dc, r.left + 6, r.top + (r.bottom - r.top - 12) / 2, ItemText(menu, pos));
}

}  // namespace

// The hot item's plate: a gradient out and back, three pixels cut at each corner.
void DrawHotPlate(HDC dc, const RECT& r) {
    const MenuPalette& mp = Theme().menu;
    const int w = r.right - r.left, h = r.bottom - r.top;
    Layer plate(dc, w, h);
    if (!plate) return;
    GradientBox(plate.dc(), 0, 0, w, h / 2, mp[11], mp[12], false);
    GradientBox(plate.dc(), 0, h / 2, w, h, mp[12], mp[11], false);
    const POINT corners[4] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    for (const POINT c : corners) {
        const int sx = c.x == 0 ? 1 : -1, sy = c.y == 0 ? 1 : -1;
        SetPixelV(plate.dc(), c.x, c.y, ToColorRef(kMagenta));
        SetPixelV(plate.dc(), c.x + sx, c.y, ToColorRef(kMagenta));
        SetPixelV(plate.dc(), c.x, c.y + sy, ToColorRef(kMagenta));
    }
    plate.CopyKeyed(dc, r.left, r.top);
}

// A menu text at (x, y); a mnemonic letter is drawn underlined in the smaller font, the "&" not.
// Heights are character heights: the same as cell heights in 宋体, while a substitute with
// internal leading (Wine's) keeps its glyphs whole.
void DrawMenuText(HDC dc, int x, int y, const std::string& text, int weight) {
    SelectRestorer select(dc, SharedFont(L"宋体", -12, weight));
    const auto split = FindMnemonic(text);
    if (!split) {
        DrawGbkText(dc, x, y, text);
        return;
    }
    const int amp = static_cast<int>(split->before.size()) + 1;  // position of the "&", from 1
    DrawGbkText(dc, x, y, split->before);
    {
        SelectRestorer letterFont(dc, SharedFont(L"宋体", -11, weight, true));
        DrawGbkText(dc, x + 6 * (amp - 1) + 1, y, std::string(1, split->letter));
    }
    DrawGbkText(dc, x + 6 * amp + 1, y, split->after);
}

void PrepareMenuBar(HWND hwnd) {
    HMENU menu = MenuBarOf(hwnd);
    if (!menu) return;
    g_measureIndex = -1;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info) || (info.fType & MFT_OWNERDRAW))
            continue;
        info.fType |= MFT_OWNERDRAW;
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    }
    // The system lays the bar out (and measures its items) while computing its own frame.
    RECT scratch{0, 0, 4000, 4000};
    DefWindowProcW(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&scratch));
}

void MeasureMenuBarItem(HWND hwnd, MEASUREITEMSTRUCT& item) {
    ++g_measureIndex;
    HMENU menu = MenuBarOf(hwnd);
    item.itemWidth = menu ? static_cast<UINT>(6 * ItemText(menu, g_measureIndex).size()) : 0;
    item.itemHeight = 18;
}

void PaintMenuBar(HWND hwnd, HDC given, int hotItem) {
    HMENU menu = MenuBarOf(hwnd);
    if (!menu) return;
    WindowDC own(given ? nullptr : hwnd, true);
    HDC dc = given ? given : own.get();
    if (!dc) return;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const RECT r = ItemRect(hwnd, menu, i);
        if (r.right > r.left && r.bottom > r.top) DrawItem(dc, menu, i, r, i == hotItem);
    }
}

void DrawMenuBarItem(HWND hwnd, const DRAWITEMSTRUCT& item) {
    HMENU menu = MenuBarOf(hwnd);
    if (!menu || reinterpret_cast<HMENU>(item.hwndItem) != menu) return;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        const UINT id = sub ? static_cast<UINT>(reinterpret_cast<UINT_PTR>(sub)) : GetMenuItemID(menu, i);
        if (id != item.itemID) continue;
        WindowDC dc(hwnd, true);
        const RECT r = ItemRect(hwnd, menu, i);
        if (dc && r.right > r.left)
            DrawItem(dc.get(), menu, i, r, (item.itemState & (ODS_SELECTED | ODS_HOTLIGHT)) != 0);
        return;
    }
}

std::vector<PixelRect> MenuBarItemRects(HWND hwnd) {
    std::vector<PixelRect> out;
    HMENU menu = MenuBarOf(hwnd);
    if (!menu) return out;
    RECT w{};
    GetWindowRect(hwnd, &w);
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const RECT r = ItemRect(hwnd, menu, i);
        if (r.right > r.left)
            out.push_back({r.left + w.left, r.top + w.top, r.right + w.left, r.bottom + w.top});
    }
    return out;
}

}  // namespace qm::skin
