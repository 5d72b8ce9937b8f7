// The frame procedure of top-level windows and dialogs: see frame_win.h. It owns the non-client
// area: the system's own caption drawing never runs, hit-testing and the caption buttons are the
// skin's, and everything else goes on to the window's saved procedure.
#include "skin/frame_win.h"

#include <windowsx.h>

#include "skin/containers_win.h"
#include "skin/drawers_win.h"
#include "skin/engine_win.h"
#include "skin/menubar_win.h"
#include "skin/paint_win.h"
#include "skin/properties_win.h"

namespace qm::skin {

namespace {

constexpr UINT kThemedCaptionRedraw = 0x00AE;
constexpr UINT kHoverMs = 200;
// GetDCEx leaves the clip region to the caller (the sender of WM_NCPAINT deletes it).
constexpr DWORD kKeepClipRegion = 0x00040000;
constexpr Prop kButtonProps[4] = {Prop::MinimiseButton, Prop::MaximiseButton, Prop::CloseButton,
                                  Prop::HelpButton};

HICON WindowIcon(HWND hwnd) {
    auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
    // A window that never got an icon of its own shows its class's, as the system caption does.
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICONSM));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICON));
    return icon;
}

int MenuBarHeight(HWND hwnd) {
    if (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) return 0;
    HMENU menu = GetMenu(hwnd);
    return IsMenu(menu) && GetMenuItemCount(menu) > 0 ? GetSystemMetrics(SM_CYMENUSIZE) : 0;
}

PixelRect ScreenRectOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {r.left, r.top, r.right, r.bottom};
}

int ButtonState(HWND hwnd, int button) {
    return static_cast<int>(ReadProp(hwnd, kButtonProps[button]));
}

int ButtonOfHit(int hit) {
    switch (hit) {
        case kHitMinButton:
            return kMinimiseButton;
        case kHitMaxButton:
            return kMaximiseButton;
        case kHitClose:
            return kCloseButton;
        case kHitHelp:
            return kHelpButton;
        default:
            return -1;
    }
}

// Every present button that is hot or pushed becomes normal; true when one changed.
bool ResetButtons(HWND hwnd, int except = -1) {
    bool changed = false;
    for (int b = 0; b < 4; ++b) {
        const int s = ButtonState(hwnd, b);
        if (b != except && (s == kButtonHot || s == kButtonPushed)) {
            WriteProp(hwnd, kButtonProps[b], kButtonNormal);
            changed = true;
        }
    }
    return changed;
}

void StopHoverTimer(HWND hwnd) {
    KillTimer(hwnd, reinterpret_cast<UINT_PTR>(hwnd));
    WriteProp(hwnd, Prop::HoverTimer, 0);
}

// Catches the mouse leaving the caption buttons without a further non-client mouse move.
void CALLBACK HoverTimerProc(HWND hwnd, UINT, UINT_PTR, DWORD) {
    POINT pt{};
    GetCursorPos(&pt);
    const int hit = HitTestFrame(ScreenRectOf(hwnd), ReadFrameFacts(hwnd), Metrics(), pt.x, pt.y);
    if (ButtonOfHit(hit) >= 0) return;
    StopHoverTimer(hwnd);
    if (ResetButtons(hwnd)) PaintCaptionButtons(hwnd);
}

void TrackHover(HWND hwnd, int hit) {
    bool changed = false;
    const int under = ButtonOfHit(hit);
    if (under >= 0) {
        if (!ReadProp(hwnd, Prop::HoverTimer)) {
            WriteProp(hwnd, Prop::HoverTimer, 1);
            SetTimer(hwnd, reinterpret_cast<UINT_PTR>(hwnd), kHoverMs, HoverTimerProc);
        }
        if (ButtonState(hwnd, under) == kButtonNormal) {
            WriteProp(hwnd, kButtonProps[under], kButtonHot);
            changed = true;
        }
        changed = ResetButtons(hwnd, under) || changed;
    } else if (ReadProp(hwnd, Prop::HoverTimer)) {
        StopHoverTimer(hwnd);
        changed = ResetButtons(hwnd);
    }
    if (changed) PaintCaptionButtons(hwnd);
}

LRESULT PressButton(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const int button = ButtonOfHit(static_cast<int>(wp));
    if (button < 0) {
        const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
        // The system menu's button is drawn by the default procedure while its menu is open.
        if (wp == HTSYSMENU && IsWindow(hwnd))
            RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        return r;
    }
    // An absent button takes no press: the default procedure would draw the system's own.
    if (ButtonState(hwnd, button) != kButtonAbsent) {
        WriteProp(hwnd, kButtonProps[button], kButtonPushed);
        PaintCaptionButtons(hwnd);
    }
    return 0;
}

void ReleaseButton(HWND hwnd, int hit) {
    const int button = ButtonOfHit(hit);
    if (button >= 0 && ButtonState(hwnd, button) == kButtonPushed) {
        const bool restoreGlyph = ReadProp(hwnd, Prop::RestoreGlyph) == 1;
        switch (button) {
            case kMinimiseButton:
                WriteProp(hwnd, kButtonProps[button], kButtonHot);
                PostMessageW(hwnd, WM_SYSCOMMAND, restoreGlyph && !IsZoomed(hwnd) ? SC_RESTORE : SC_MINIMIZE,
                             0);
                break;
            case kMaximiseButton:
                WriteProp(hwnd, kButtonProps[button], kButtonHot);
                PostMessageW(hwnd, WM_SYSCOMMAND, restoreGlyph && IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE,
                             0);
                break;
            case kCloseButton:
                WriteProp(hwnd, kButtonProps[button], kButtonHot);
                PostMessageW(hwnd, WM_CLOSE, 0, 0);
                break;
            default:  // help stays pushed while the system's help mode runs
                PostMessageW(hwnd, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
                break;
        }
    }
    PaintCaptionButtons(hwnd);
}

void ApplyRegion(HWND hwnd) {
    if (!ReadFrameFacts(hwnd).caption) return;
    RECT r{};
    GetWindowRect(hwnd, &r);
    UniqueRegion region = MakeFrameRegion(r.right - r.left, r.bottom - r.top, Metrics().frameShape);
    if (region && SetWindowRgn(hwnd, region.get(), TRUE)) region.release();  // the system owns it now
}

void OnSize(HWND hwnd, WPARAM kind) {
    ApplyRegion(hwnd);
    if (kind == SIZE_MAXIMIZED || kind == SIZE_MINIMIZED) WriteProp(hwnd, Prop::RestoreGlyph, 1);
    if (kind == SIZE_RESTORED) WriteProp(hwnd, Prop::RestoreGlyph, 0);
    PaintCaptionButtons(hwnd);
}

LRESULT OnNcCalcSize(HWND hwnd, WPARAM wp, LPARAM lp) {
    const auto margins = NonClientMargins(ReadFrameFacts(hwnd), Metrics());
    RECT* r = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : reinterpret_cast<RECT*>(lp);
    r->left += margins[0];
    r->top += margins[1];
    r->right = std::max(r->left, r->right - margins[2]);
    r->bottom = std::max(r->top, r->bottom - margins[3]);
    if (MenuBarHeight(hwnd) > 0) PrepareMenuBar(hwnd);
    return 0;
}

void OnNcPaint(HWND hwnd, WPARAM wp) {
    const auto clip = reinterpret_cast<HRGN>(wp);
    if (wp != 1 && clip) {
        WindowDC dc(hwnd, clip, DCX_WINDOW | DCX_INTERSECTRGN | DCX_CACHE | kKeepClipRegion);
        if (dc) {
            PaintFrame(dc.get(), hwnd);
            return;
        }
    }
    WindowDC dc(hwnd, true);
    if (dc) PaintFrame(dc.get(), hwnd);
}

void RepaintFrame(HWND hwnd, int clipHeight = -1) {
    WindowDC dc(hwnd, true);
    if (!dc) return;
    if (clipHeight >= 0) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        IntersectClipRect(dc.get(), 0, 0, r.right - r.left, clipHeight);
    }
    PaintFrame(dc.get(), hwnd);
}

void SetActiveLook(HWND hwnd, WPARAM active) {
    if (static_cast<std::intptr_t>(active) != ReadProp(hwnd, Prop::Active)) {
        WriteProp(hwnd, Prop::Active, static_cast<std::intptr_t>(active));
        RepaintFrame(hwnd);
    }
    if (active != 1) ReleaseCapture();
}

// The default procedure repaints the whole system caption and frame after a new text or icon;
// hidden from it, the window gets only its own caption band repainted.
LRESULT ChangeCaption(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const bool visible = (style & WS_VISIBLE) != 0;
    if (visible) SetWindowLongPtrW(hwnd, GWL_STYLE, style & ~WS_VISIBLE);
    const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
    if (visible) SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_VISIBLE);
    if (msg == WM_SETICON && !ReadProp(hwnd, Prop::NarrowCaption))
        WriteProp(hwnd, Prop::IconHandle, reinterpret_cast<std::intptr_t>(WindowIcon(hwnd)));
    if (visible) RepaintFrame(hwnd, ReadFrameFacts(hwnd).captionHeight);
    return r;
}

// Face everywhere in the client area except under the visible children, filled with the children
// clipped out: a client-sized layer copied with the magenta key made the skinned window's client
// repaint 20 times the plain one's under Wine.
void PaintClientBackground(HWND hwnd) {
    WindowDC dc(hwnd);
    if (!dc) return;
    RECT client{};
    GetClientRect(hwnd, &client);
    const int saved = SaveDC(dc.get());
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE)) continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        ExcludeClipRect(dc.get(), r.left, r.top, r.right, r.bottom);
    }
    FillColour(dc.get(), client, Palette().face);
    if (saved) RestoreDC(dc.get(), saved);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_NCCALCSIZE:
            return OnNcCalcSize(hwnd, wp, lp);
        case WM_NCPAINT:
            OnNcPaint(hwnd, wp);
            return 0;
        case WM_NCACTIVATE:
            SetActiveLook(hwnd, wp);
            return wp == 1 ? 0 : 1;
        case WM_ACTIVATE:
            SetActiveLook(hwnd, LOWORD(wp));
            // Passed on as well: a dialog gives the focus back to its last control.
            return CallSavedProcedure(hwnd, msg, wp, lp);
        case WM_NCHITTEST:
            return HitTestFrame(ScreenRectOf(hwnd), ReadFrameFacts(hwnd), Metrics(), GET_X_LPARAM(lp),
                                GET_Y_LPARAM(lp), MenuBarItemRects(hwnd));
        case WM_NCMOUSEMOVE:
            TrackHover(hwnd, static_cast<int>(wp));
            return 0;
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
            return PressButton(hwnd, msg, wp, lp);
        case WM_NCLBUTTONUP:
            ReleaseButton(hwnd, static_cast<int>(wp));
            return 0;
        case WM_SIZE:
            OnSize(hwnd, wp);
            return CallSavedProcedure(hwnd, msg, wp, lp);
        case WM_SETTEXT:
        case WM_SETICON:
            return ChangeCaption(hwnd, msg, wp, lp);
        case kThemedCaptionRedraw:
            return 0;
        case WM_PAINT: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            PaintClientBackground(hwnd);
            return r;
        }
        case WM_ERASEBKGND: {
            RECT r{};
            GetClientRect(hwnd, &r);
            FillColour(reinterpret_cast<HDC>(wp), r, Palette().face);
            return 1;
        }
        case WM_NOTIFY: {
            LRESULT r = 0;
            if (HandleCustomDraw(hwnd, lp, &r)) return r;
            return CallSavedProcedure(hwnd, msg, wp, lp);
        }
        case WM_MENUSELECT:
            if (reinterpret_cast<HMENU>(lp) == GetMenu(hwnd)) PaintMenuBar(hwnd, nullptr, LOWORD(wp));
            return CallSavedProcedure(hwnd, msg, wp, lp);
        case WM_DESTROY:
            if (hwnd == SkinMainWindow()) TearDownSkin();
            return CallSavedProcedure(hwnd, msg, wp, lp);
        case WM_COMMAND:
            return CallSavedProcedure(hwnd, msg, wp, lp);
        default:
            return RouteOrForward(hwnd, msg, wp, lp);
    }
}

}  // namespace

FrameFacts ReadFrameFacts(HWND hwnd) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    FrameFacts f;
    f.caption = (style & WS_CAPTION) == WS_CAPTION;
    f.toolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
    f.sysMenu = ReadProp(hwnd, Prop::SystemMenu) != 0;
    f.icon = ReadProp(hwnd, Prop::IconHandle) != 0;
    f.maximised = IsZoomed(hwnd) != FALSE;
    f.captionHeight = CaptionHeight(f.toolWindow, f.caption, GetSystemMetrics(SM_CYCAPTION));
    f.menuHeight = MenuBarHeight(hwnd);
    for (int b = 0; b < 4; ++b) f.buttons[static_cast<std::size_t>(b)] = ButtonState(hwnd, b);
    return f;
}

void InstallFramedWindow(HWND hwnd) {
    InstallFrame(hwnd, false);
}

void InstallFrame(HWND hwnd, bool keepOuterSize) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    const bool sysMenu = (style & WS_SYSMENU) != 0, tool = (exStyle & WS_EX_TOOLWINDOW) != 0;
    WriteProp(hwnd, Prop::ColourPicker, 0);
    WriteProp(hwnd, Prop::CloseButton, sysMenu ? kButtonNormal : kButtonAbsent);
    WriteProp(hwnd, Prop::SystemMenu, sysMenu);
    WriteProp(hwnd, Prop::Caption, (style & WS_CAPTION) == WS_CAPTION);
    WriteProp(hwnd, Prop::MaximiseButton, !tool && (style & WS_MAXIMIZEBOX) ? kButtonNormal : kButtonAbsent);
    WriteProp(hwnd, Prop::MinimiseButton, !tool && (style & WS_MINIMIZEBOX) ? kButtonNormal : kButtonAbsent);
    WriteProp(hwnd, Prop::HelpButton, exStyle & WS_EX_CONTEXTHELP ? kButtonNormal : kButtonAbsent);
    WriteProp(hwnd, Prop::NarrowCaption, tool);
    WriteProp(hwnd, Prop::IconHandle, tool ? 0 : reinterpret_cast<std::intptr_t>(WindowIcon(hwnd)));
    WriteProp(hwnd, Prop::HoverTimer, 0);
    WriteProp(hwnd, Prop::RestoreGlyph, 0);
    WriteProp(hwnd, Prop::Active, 0);
    RECT client{};
    GetClientRect(hwnd, &client);
    if (!Subclass(hwnd, FrameProc)) return;
    const FrameFacts f = ReadFrameFacts(hwnd);
    UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
    int width = 0, height = 0;
    if (f.caption && !keepOuterSize) {
        width = client.right + 2 * Metrics().sideBorder;
        height = client.bottom + f.captionHeight + 2 * Metrics().bottomBand + f.menuHeight;
    } else {
        // The new margins apply at once; the outer size stays.
        flags |= SWP_NOSIZE;
    }
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, flags);
    ApplyRegion(hwnd);
}

UniqueRegion MakeFrameRegion(int W, int H, int shape) {
    UniqueRegion region(CreateRoundRectRgn(0, 0, W + 1, H + 1, shape == 0 ? 0 : 8, shape == 0 ? 0 : 9));
    if (!region || shape == 0 || shape == 2) return region;
    auto combine = [&region](HRGN other, int mode) {
        UniqueRegion owned(other);
        if (owned) CombineRgn(region.get(), region.get(), owned.get(), mode);
    };
    if (shape == 1) {
        combine(CreateRectRgn(0, H - 9, W, H), RGN_OR);
        return region;
    }
    combine(CreateRectRgn(10, 0, W + 1, 4), RGN_OR);
    combine(CreateRectRgn(0, H - 5, 75, H + 1), RGN_OR);
    // The top edge steps down 4 pixels over the rightmost 72, the bottom edge up 3 over the
    // leftmost 68 to 72, each with a 45-degree slope.
    const POINT notch[4] = {{W - 72, 0}, {W - 68, 4}, {W + 1, 4}, {W + 1, 0}};
    combine(CreatePolygonRgn(notch, 4, WINDING), RGN_XOR);
    const POINT step[4] = {{0, H - 3}, {68, H - 3}, {72, H}, {0, H}};
    combine(CreatePolygonRgn(step, 4, WINDING), RGN_XOR);
    return region;
}

}  // namespace qm::skin
