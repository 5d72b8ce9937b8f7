// Painting a popup menu: see menus_win.h. The whole menu is composed on one layer of the
// window's size (frames, gradient, items) and copied onto the window DC once.
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "skin/engine_win.h"
#include "skin/menu_layout.h"
#include "skin/menubar_win.h"
#include "skin/menus_win.h"
#include "skin/paint_win.h"

namespace qm::skin {

namespace {

constexpr int kMarkColumn = 16;

struct Item {
    RECT rect{};  // window coordinates
    UINT id = 0;
    bool submenu = false;
    MenuItemLook look;
    std::string text;
};

std::string ItemString(HMENU menu, int pos) {
    wchar_t buf[260] = {};
    const int n = GetMenuStringW(menu, static_cast<UINT>(pos), buf, 260, MF_BYPOSITION);
    return n > 0 ? FromWide(std::wstring_view(buf, static_cast<std::size_t>(n))) : std::string();
}

std::vector<Item> ReadItems(HWND window, HMENU menu, const RECT& windowRect) {
    std::vector<Item> items;
    std::vector<std::string> texts;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        Item it;
        const auto pos = static_cast<UINT>(i);
        GetMenuItemRect(window, menu, pos, &it.rect);
        OffsetRect(&it.rect, -windowRect.left, -windowRect.top);
        it.submenu = GetSubMenu(menu, i) != nullptr;
        it.id = it.submenu ? static_cast<UINT>(-1) : GetMenuItemID(menu, i);
        it.look = ReadMenuItemLook(GetMenuState(menu, pos, MF_BYPOSITION), it.submenu);
        texts.push_back(it.look.separator ? std::string() : ItemString(menu, i));
        items.push_back(it);
    }
    const std::vector<std::string> aligned = AlignMenuTexts(texts);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!texts[i].empty()) items[i].text = aligned[i];
    return items;
}

// Two rows fading at both ends: dark over light.
void DrawSeparator(HDC dc, const RECT& r) {
    const MenuPalette& mp = Theme().menu;
    const Colour fade = BlendColours(1.0f, mp[4], mp[5]);
    const int y = r.top + (r.bottom - r.top - 2) / 2 + 1;
    const int left = r.left + 5, third = (r.right - left) / 3;
    const int a = left + third, b = left + 2 * third;
    for (const auto& [row, c] : {std::pair{y, mp[9]}, std::pair{y + 1, mp[10]}}) {
        GradientBox(dc, left, row, a, row + 1, fade, c, true);
        FillColour(dc, RECT{a, row, b, row + 1}, c);
        GradientBox(dc, b, row, r.right, row + 1, c, fade, true);
    }
}

// A right-pointing arrow of four lines, 7, 5, 3 and 1 pixels long, on the item's middle row.
void DrawSubmenuArrow(HDC dc, const RECT& r, Colour c) {
    const int middle = (r.top + r.bottom) / 2;
    for (int k = 0; k < 4; ++k) {
        const int half = 3 - k;
        FillColour(dc, RECT{r.right - 7 + k, middle - half, r.right - 6 + k, middle + half + 1}, c);
    }
}

void DrawGlyphAt(HDC dc, const wchar_t* glyph, int height, int x, int y) {
    DrawFontGlyph(dc, L"宋体", height, 800, glyph, x, y);
}

// The mark column: check and radio marks, and the system menu's glyphs.
void DrawMarks(HDC dc, const Item& it) {
    const int x = it.rect.left + (kMarkColumn - 12) / 2 + 3;
    const int y = it.rect.top + (it.rect.bottom - it.rect.top - 12) / 2;
    if (it.look.checked)
        DrawFontGlyph(dc, L"宋体", 12, FW_NORMAL, it.look.radio ? L"\u25CF" : L"\u221A", x, y);
    switch (it.id) {
        case SC_MINIMIZE:
            DrawGlyphAt(dc, L"_", 12, x, y);
            DrawGlyphAt(dc, L"_", 12, x, y + 1);
            break;
        case SC_MAXIMIZE:
            DrawGlyphAt(dc, L"\u25A1", 12, x, y);
            break;
        case SC_CLOSE:
            DrawGlyphAt(dc, L"\u00D7", 12, x, y);
            DrawGlyphAt(dc, L"\u00D7", 12, x + 1, y);
            break;
        case SC_RESTORE:
            DrawGlyphAt(dc, L"\u25A1", 10, x - 1, y + 1);
            DrawGlyphAt(dc, L"\u25A1", 10, x + 1, y - 1);
            break;
        default:
            break;
    }
}

void DrawItem(HDC dc, const Item& it, bool hot) {
    const MenuPalette& mp = Theme().menu;
    if (it.look.separator) {
        DrawSeparator(dc, it.rect);
        return;
    }
    if (hot && !it.text.empty()) DrawHotPlate(dc, it.rect);
    const Colour ink = it.look.grayed ? mp[7] : hot ? mp[8] : mp[6];
    SetTextColor(dc, ToColorRef(ink));
    SetBkMode(dc, TRANSPARENT);
    const int textLeft = it.rect.left + kMarkColumn + Metrics().menuItemInset[0];
    DrawMenuText(dc, textLeft + 3, it.rect.top + (it.rect.bottom - it.rect.top - 12) / 2, it.text,
                 it.id == SC_CLOSE ? 800 : FW_NORMAL);
    if (it.submenu) DrawSubmenuArrow(dc, it.rect, ink);
    DrawMarks(dc, it);
}

}  // namespace

void PaintPopupMenu(HWND window, HMENU menu, int hotItem) {
    if (!IsWindow(window) || !IsMenu(menu)) return;
    WindowDC dc(window, true);
    RECT wr{}, client{};
    GetWindowRect(window, &wr);
    GetClientRect(window, &client);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    const MenuPalette& mp = Theme().menu;
    Layer layer(dc.get(), W, H, mp[4]);
    if (!dc || !layer) return;
    HDC l = layer.dc();
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const int cx = origin.x - wr.left, cy = origin.y - wr.top, half = client.bottom / 2;
    GradientBox(l, cx, cy, cx + client.right, cy + half, mp[4], mp[5], false);
    GradientBox(l, cx, cy + half, cx + client.right, cy + client.bottom, mp[5], mp[4], false);
    const std::vector<Item> items = ReadItems(window, menu, wr);
    for (std::size_t i = 0; i < items.size(); ++i) DrawItem(l, items[i], static_cast<int>(i) == hotItem);
    // The frames last: where the system puts items on the window's edge, the frames stay whole.
    FrameRoundRect(l, 0, 0, W + 1, H + 1, 8, 9, mp[0], 2);
    FrameRoundRect(l, 1, 1, W, H, 6, 7, mp[1]);
    FrameRoundRect(l, 2, 2, W - 1, H - 1, 4, 5, mp[4]);
    BitBlt(dc.get(), 0, 0, W, H, l, 0, 0, SRCCOPY);
}

}  // namespace qm::skin
