// The skin of tab controls and up-down controls. A tab control's tabs become owner-drawn and are
// painted on raised faces after the system's painting; tabs at the left or right keep the face
// name of their font in a global memory block, freed with the control. An up-down control is two
// arrow boxes. Window thread only.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <string>

#include "platform/win32/handles.h"
#include "skin/buttons_win.h"
#include "skin/containers_win.h"
#include "skin/control_geometry.h"
#include "skin/drawers_win.h"
#include "skin/engine_win.h"
#include "skin/paint_win.h"
#include "skin/properties_win.h"

namespace qm::skin {

namespace {

constexpr int kTabLabelHeight = 12;

bool IsVertical(HWND tab) {
    return (GetWindowLongPtrW(tab, GWL_STYLE) & TCS_VERTICAL) != 0;
}

void ApplyTabStyles(HWND hwnd) {
    LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE) | TCS_OWNERDRAWFIXED | TCS_FOCUSNEVER;
    if (style & TCS_VERTICAL) style |= TCS_FIXEDWIDTH;
    SetWindowLongPtrW(hwnd, GWL_STYLE, style);
}

void FreeFaceBlock(HWND hwnd) {
    if (auto block = ReadPropAs<HGLOBAL>(hwnd, Prop::TabFont)) GlobalFree(block);
    WriteProp(hwnd, Prop::TabFont, 0);
}

// The face name of the control's font, kept for the rotated labels of vertical tabs.
void StoreFaceName(HWND hwnd) {
    wchar_t face[128] = {};
    {
        WindowDC dc(hwnd);
        if (!dc) return;
        SelectRestorer font(dc.get(), WindowFont(hwnd));
        GetTextFaceW(dc.get(), 128, face);
    }
    const std::size_t bytes = (static_cast<std::size_t>(lstrlenW(face)) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block) return;
    if (void* p = GlobalLock(block)) {
        CopyMemory(p, face, bytes);
        GlobalUnlock(block);
    }
    FreeFaceBlock(hwnd);
    WriteProp(hwnd, Prop::TabFont, reinterpret_cast<std::intptr_t>(block));
}

std::wstring StoredFaceName(HWND hwnd) {
    std::wstring face = L"宋体";
    if (auto block = ReadPropAs<HGLOBAL>(hwnd, Prop::TabFont))
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(block))) {
            face = p;
            GlobalUnlock(block);
        }
    return face;
}

std::wstring TabText(HWND hwnd, int index) {
    wchar_t buf[260] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 260;
    SendMessageW(hwnd, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return buf;
}

void DrawTab(HDC dc, HWND hwnd, int index, bool selected, HFONT font) {
    const SkinPalette& p = Palette();
    RECT r{};
    if (!SendMessageW(hwnd, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)))
        return;
    if (selected) InflateRect(&r, 2, 2);
    const Colour top = p.buttonTop[0], bottom = selected ? p.face : p.buttonBottom[0];
    RaisedFace(dc, r, r.top + (r.bottom - r.top) / 2, top, bottom, Metrics().faceBlendUpper,
               Metrics().faceBlendLower);
    FrameRoundRect(dc, r.left, r.top, r.right + 1, r.bottom + 1, 2, 2, selected ? p.border : p.buttonOutline);
    const std::wstring text = TabText(hwnd, index);
    SelectRestorer select(dc, font);
    SetTextColor(dc, ToColorRef(p.text));
    SetBkMode(dc, TRANSPARENT);
    if (IsVertical(hwnd)) {  // the rotated text starts at the bottom of its tab
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        TextOutW(dc, (r.left + r.right - kTabLabelHeight) / 2, (r.top + r.bottom + extent.cx) / 2,
                 text.c_str(), static_cast<int>(text.size()));
    } else {
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
}

void PaintTabs(HWND hwnd) {
    const SkinPalette& p = Palette();
    WindowDC target(hwnd);
    RECT c{};
    GetClientRect(hwnd, &c);
    Layer layer(target.get(), c.right, c.bottom);
    if (!target || !layer) return;
    HDC dc = layer.dc();
    RECT page = c;
    SendMessageW(hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    // Face everywhere but the page, where the control's children show.
    FillColour(dc, c, p.face);
    FillColour(dc, page, kMagenta);
    FrameColour(dc, RECT{page.left - 1, page.top - 1, page.right + 1, page.bottom + 1}, p.border);
    UniqueFont rotated;
    HFONT font = WindowFont(hwnd);
    if (IsVertical(hwnd)) {
        rotated.reset(CreateFontW(-kTabLabelHeight, 0, 900, 900, FW_NORMAL, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, StoredFaceName(hwnd).c_str()));
        font = rotated.get();
    }
    const int selected = static_cast<int>(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0));
    const int count = static_cast<int>(SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (i != selected) DrawTab(dc, hwnd, i, false, font);
    if (selected >= 0 && selected < count) DrawTab(dc, hwnd, selected, true, font);
    layer.CopyKeyed(target.get(), 0, 0);
    if (auto arrows = ReadPropAs<HWND>(hwnd, Prop::UpDown); arrows && IsWindow(arrows))
        RedrawWindow(arrows, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

LRESULT CALLBACK TabProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND: {
            if (IsVertical(hwnd)) StoreFaceName(hwnd);
            ApplyTabStyles(hwnd);
            RECT c{};
            GetClientRect(hwnd, &c);
            FillColour(reinterpret_cast<HDC>(wp), c, Palette().face);
            return 0;
        }
        case WM_PAINT: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            PaintTabs(hwnd);
            return r;
        }
        case WM_DESTROY:
            FreeFaceBlock(hwnd);
            break;
        default:
            return RouteOrForward(hwnd, msg, wp, lp);
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// ---- up-down controls

void PaintUpDown(HWND hwnd, HDC target) {
    const SkinPalette& p = Palette();
    RECT c{};
    GetClientRect(hwnd, &c);
    Layer layer(target, c.right, c.bottom, p.face);
    if (!layer) return;
    HDC dc = layer.dc();
    const bool horizontal = (GetWindowLongPtrW(hwnd, GWL_STYLE) & UDS_HORZ) != 0;
    const RECT halves[2] = {
        horizontal ? RECT{0, 0, c.right / 2, c.bottom} : RECT{0, 0, c.right, c.bottom / 2},
        horizontal ? RECT{c.right / 2, 0, c.right, c.bottom} : RECT{0, c.bottom / 2, c.right, c.bottom}};
    const int arrows[2] = {horizontal ? kArrowLeft : kArrowUp, horizontal ? kArrowRight : kArrowDown};
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    const bool pressed = ReadProp(hwnd, Prop::UpDownPressed) == 1;
    const auto pushedHalf = ReadProp(hwnd, Prop::UpDownIndex);
    SetTextColor(dc, ToColorRef(enabled ? p.text : p.buttonBottom[kFaceDisabled]));
    for (int k = 0; k < 2; ++k) {
        const bool pushed = pressed && pushedHalf == k + 1;
        const auto i = static_cast<std::size_t>(!enabled ? kFaceDisabled
                                                : pushed ? kFacePushed
                                                         : kFaceNormal);
        DrawArrowBox(dc, halves[k], p.buttonTop[i], p.buttonBottom[i], p.border, arrows[k], pushed);
    }
    BitBlt(target, 0, 0, c.right, c.bottom, dc, 0, 0, SRCCOPY);
}

LRESULT CALLBACK UpDownProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            if (wp) {
                PaintUpDown(hwnd, reinterpret_cast<HDC>(wp));
            } else {
                PaintDC dc(hwnd);
                if (dc.get()) PaintUpDown(hwnd, dc.get());
            }
            return 0;
        case WM_ERASEBKGND: {
            RECT c{};
            GetClientRect(hwnd, &c);
            FillColour(reinterpret_cast<HDC>(wp), c, Palette().face);
            return 1;
        }
        case WM_LBUTTONDOWN: {
            RECT c{};
            GetClientRect(hwnd, &c);
            const bool horizontal = (GetWindowLongPtrW(hwnd, GWL_STYLE) & UDS_HORZ) != 0;
            const int at = horizontal ? static_cast<short>(LOWORD(lp)) : static_cast<short>(HIWORD(lp));
            WriteProp(hwnd, Prop::UpDownPressed, 1);
            WriteProp(hwnd, Prop::UpDownIndex, at < (horizontal ? c.right : c.bottom) / 2 ? 1 : 2);
            InvalidateRect(hwnd, nullptr, FALSE);
            break;
        }
        case WM_LBUTTONUP:
            WriteProp(hwnd, Prop::UpDownPressed, 0);
            InvalidateRect(hwnd, nullptr, FALSE);
            break;
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

}  // namespace

void InstallTabControl(HWND hwnd) {
    if (!Subclass(hwnd, TabProc)) return;
    WriteProp(hwnd, Prop::UpDown, 0);
    WriteProp(hwnd, Prop::OwnerDrawnTabs, 0);
    ApplyTabStyles(hwnd);
    WriteProp(hwnd, Prop::OwnerDrawnTabs, 1);
}

void InstallUpDown(HWND hwnd) {
    if (!Subclass(hwnd, UpDownProc)) return;
    WriteProp(hwnd, Prop::UpDownPressed, 0);
    if (HWND parent = GetParent(hwnd)) WriteProp(parent, Prop::UpDown, reinterpret_cast<std::intptr_t>(hwnd));
}

}  // namespace qm::skin
