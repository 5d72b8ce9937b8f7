// Static texts, containers, the recolouring pass of the form system's own controls, and the
// parent-side routing of child messages: see containers_win.h and drawers_win.h.
#include "skin/containers_win.h"

#include <string>

#include "platform/win32/handles.h"
#include "skin/drawers_win.h"
#include "skin/engine_win.h"
#include "skin/menubar_win.h"
#include "skin/paint_win.h"
#include "skin/properties_win.h"

namespace qm::skin {

namespace {

constexpr UINT kFirstPickerMessage = WM_APP + 1001, kLastPickerMessage = WM_APP + 1003;

bool HasStyle(HWND hwnd, LONG_PTR bits) {
    return (GetWindowLongPtrW(hwnd, GWL_STYLE) & bits) != 0;
}

RECT ClientRectOf(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

LRESULT CALLBACK StaticTextProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) {
        HDC dc = reinterpret_cast<HDC>(wp);
        const RECT r = ClientRectOf(hwnd);
        FillColour(dc, r, Palette().face);
        if (HasStyle(hwnd, WS_BORDER)) FrameColour(dc, r, Palette().border);
        return 1;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCPAINT) {
        const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
        PaintContainerBorder(hwnd);
        return r;
    }
    LRESULT result = 0;
    if (RouteChildMessage(hwnd, msg, wp, lp, &result)) return result;
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// The control has painted in the system's button face; that colour becomes Face, the rest stays.
void Recolour(HWND hwnd) {
    WindowDC dc(hwnd);
    const RECT r = ClientRectOf(hwnd);
    Layer layer(dc.get(), r.right, r.bottom, Palette().face);
    if (!dc || !layer) return;
    TransparentBlt(layer.dc(), 0, 0, r.right, r.bottom, dc.get(), 0, 0, r.right, r.bottom,
                   GetSysColor(COLOR_BTNFACE));
    BitBlt(dc.get(), 0, 0, r.right, r.bottom, layer.dc(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK RecolouringProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            if (ReadProp(hwnd, Prop::ManualSkin) != 1) Recolour(hwnd);
            return r;
        }
        case WM_ERASEBKGND:
            if (HasStyle(hwnd, WS_BORDER))
                FrameColour(reinterpret_cast<HDC>(wp), ClientRectOf(hwnd), Palette().border);
            return 1;
        default:
            return CallSavedProcedure(hwnd, msg, wp, lp);
    }
}

HBRUSH ColourChild(HDC dc, Colour text, HBRUSH brush) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(text));
    return brush;
}

// A static child keeps a text colour its owner chose (the form system's blue links); the owner
// is asked first, and its default colour is replaced by the palette's.
HBRUSH ColourStatic(HWND hwnd, HDC dc, HWND child, LPARAM lp) {
    CallSavedProcedure(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), lp);
    const COLORREF chosen = GetTextColor(dc);
    Colour text = Palette().text;
    if (!IsWindowEnabled(child))
        text = Palette().buttonBottom[kFaceDisabled];
    else if (chosen != GetSysColor(COLOR_WINDOWTEXT) && chosen != GetSysColor(COLOR_BTNTEXT))
        text = chosen;
    return ColourChild(dc, text, FaceBrush());
}

void FrameDropDown(HWND list) {
    wchar_t cls[16] = {};
    GetClassNameW(list, cls, 16);
    if (lstrcmpW(cls, L"ComboLBox") != 0) return;
    WindowDC dc(list, true);
    RECT r{};
    GetWindowRect(list, &r);
    if (dc) FrameColour(dc.get(), RECT{0, 0, r.right - r.left, r.bottom - r.top}, Palette().border);
}

bool RouteDrawItem(HWND hwnd, const DRAWITEMSTRUCT& item, LRESULT* result) {
    switch (item.CtlType) {
        case ODT_MENU:
            DrawMenuBarItem(hwnd, item);
            return false;
        case ODT_BUTTON:
            DrawButtonItem(static_cast<int>(ReadProp(item.hwndItem, Prop::ButtonKind)), item);
            return false;
        case ODT_LISTBOX:
            WriteProp(item.hwndItem, Prop::ListBoxKind, 1);
            if (!DrawListBoxItem(item)) return false;
            *result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace

void InstallStaticText(HWND hwnd) {
    Subclass(hwnd, StaticTextProc);
}

void InstallContainer(HWND hwnd) {
    Subclass(hwnd, ContainerProc);
}

void InstallRecolouring(HWND hwnd) {
    Subclass(hwnd, RecolouringProc);
}

bool RouteChildMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    const SkinPalette& p = Palette();
    HDC dc = reinterpret_cast<HDC>(wp);
    switch (msg) {
        case WM_CTLCOLOREDIT:
            *result = reinterpret_cast<LRESULT>(ColourChild(dc, p.text, FaceLightBrush()));
            return true;
        case WM_CTLCOLORLISTBOX:
            *result = reinterpret_cast<LRESULT>(ColourChild(dc, p.text, FaceLightBrush()));
            FrameDropDown(reinterpret_cast<HWND>(lp));
            return true;
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSCROLLBAR:
            *result = reinterpret_cast<LRESULT>(ColourChild(dc, p.text, FaceBrush()));
            return true;
        case WM_CTLCOLORSTATIC:
            *result = reinterpret_cast<LRESULT>(ColourStatic(hwnd, dc, reinterpret_cast<HWND>(lp), lp));
            return true;
        case WM_DRAWITEM:
            if (!lp) return false;
            return RouteDrawItem(hwnd, *reinterpret_cast<const DRAWITEMSTRUCT*>(lp), result);
        case WM_MEASUREITEM: {
            auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            if (LOWORD(wp) != 0 || !item || item->CtlType != ODT_MENU) return false;
            MeasureMenuBarItem(hwnd, *item);
            *result = 1;
            return true;
        }
        default:
            if (msg >= kFirstPickerMessage && msg <= kLastPickerMessage)
                if (HWND picker = ReadPropAs<HWND>(hwnd, Prop::ColourPicker))
                    SendMessageW(picker, msg, wp, lp);
            return false;
    }
}

void PaintContainerBorder(HWND hwnd) {
    WindowDC dc(hwnd, true);
    if (!dc) return;
    RECT wr{}, cr{};
    GetWindowRect(hwnd, &wr);
    GetClientRect(hwnd, &cr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const int vscroll = style & WS_VSCROLL ? GetSystemMetrics(SM_CYVSCROLL) : 0;
    const int hscroll = style & WS_HSCROLL ? GetSystemMetrics(SM_CXHSCROLL) : 0;
    const int t = (W - cr.right - vscroll) / 2, u = (H - cr.bottom - hscroll) / 2;
    const RECT whole{0, 0, W, H};
    auto ring = [&](int x, int y, Colour c) {
        const int saved = SaveDC(dc.get());
        ExcludeClipRect(dc.get(), x, y, W - x, H - y);
        FillColour(dc.get(), whole, c);
        RestoreDC(dc.get(), saved);
    };
    if (IsWindowEnabled(hwnd)) {
        ring(t, u, Palette().faceLight);
        ring(t, t, Palette().face);
    } else {
        ring(t, u, Palette().face);
    }
    if ((style & WS_BORDER) || t != 0)
        FrameColour(dc.get(), RECT{t - 1, t - 1, W - t + 1, H - t + 1}, Palette().border);
}

}  // namespace qm::skin
