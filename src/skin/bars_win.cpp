// The skin of the bar-like common controls: toolbars, status bars, progress bars and track
// bars, each painted by the skin on one layer from the palette and the raised face. Window thread
// only.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "skin/buttons_win.h"
#include "skin/control_geometry.h"
#include "skin/drawers_win.h"
#include "skin/engine_win.h"
#include "skin/paint_win.h"
#include "skin/properties_win.h"

namespace qm::skin {

namespace {

// A toolbar the form system draws itself.
constexpr LONG_PTR kOwnDrawnToolbarStyle = 0x40038945;

RECT ClientOf(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

// The two-band face in the colours of face state i, with its outline.
void ButtonFace(HDC dc, const RECT& r, int i, Colour outline) {
    const SkinPalette& p = Palette();
    const auto s = static_cast<std::size_t>(i);
    RaisedFace(dc, r, r.top + (r.bottom - r.top) / 2, p.buttonTop[s], p.buttonBottom[s],
               Metrics().faceBlendUpper, Metrics().faceBlendLower);
    FrameRoundRect(dc, r.left, r.top, r.right + 1, r.bottom + 1, 2, 2, outline);
}

// Paints into the DC a WM_PAINT brings (wParam), or between BeginPaint and EndPaint.
template <typename Paint>
void PaintClient(HWND hwnd, WPARAM wp, Paint paint) {
    if (wp) {
        paint(reinterpret_cast<HDC>(wp));
        return;
    }
    PaintDC dc(hwnd);
    if (dc.get()) paint(dc.get());
}

// ---- toolbars

std::wstring ButtonText(HWND hwnd, int command) {
    const auto length = SendMessageW(hwnd, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(hwnd, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void DrawToolbarButton(HDC dc, HWND hwnd, const TBBUTTON& b, RECT r, bool hot) {
    const SkinPalette& p = Palette();
    if (b.fsStyle & BTNS_SEP) {
        const int x = (r.left + r.right) / 2;
        FillColour(dc, RECT{x, r.top + 3, x + 1, r.bottom - 3}, p.border);
        return;
    }
    const bool enabled = (b.fsState & TBSTATE_ENABLED) != 0;
    const bool pushed = (b.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED)) != 0;
    const int state = !enabled ? kFaceDisabled : pushed ? kFacePushed : hot ? kFaceHot : kFaceNormal;
    if (ReadProp(hwnd, Prop::ToolbarRaised) == 1 || state == kFaceHot || state == kFacePushed)
        ButtonFace(dc, r, state, enabled ? p.buttonOutline : p.buttonBottom[kFaceDisabled]);
    if (pushed) OffsetRect(&r, 1, 1);
    const UINT listMessage = !enabled ? TB_GETDISABLEDIMAGELIST : hot ? TB_GETHOTIMAGELIST : TB_GETIMAGELIST;
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(hwnd, listMessage, 0, 0));
    if (!images) images = reinterpret_cast<HIMAGELIST>(SendMessageW(hwnd, TB_GETIMAGELIST, 0, 0));
    const bool list = ReadProp(hwnd, Prop::ListStyle) == 1;
    int cx = 0, cy = 0;
    if (images && b.iBitmap >= 0 && ImageList_GetIconSize(images, &cx, &cy)) {
        const int x = list ? r.left + 3 : r.left + (r.right - r.left - cx) / 2;
        const int y = list ? r.top + (r.bottom - r.top - cy) / 2 : r.top + 3;
        ImageList_Draw(images, b.iBitmap, dc, x, y, ILD_TRANSPARENT);
    }
    const std::wstring text = ButtonText(hwnd, b.idCommand);
    if (text.empty()) return;
    SetTextColor(dc, ToColorRef(enabled ? p.text : p.buttonBottom[kFaceDisabled]));
    SetBkMode(dc, TRANSPARENT);
    RECT t = list ? RECT{r.left + cx + 6, r.top, r.right - 2, r.bottom}
                  : RECT{r.left, r.top + cy + 4, r.right, r.bottom};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
              DT_SINGLELINE | DT_NOPREFIX | (list ? DT_LEFT | DT_VCENTER : DT_CENTER | DT_TOP));
}

void PaintToolbar(HWND hwnd, HDC target) {
    const RECT c = ClientOf(hwnd);
    Layer layer(target, c.right, c.bottom, Palette().face);
    if (!layer) return;
    HDC dc = layer.dc();
    SelectRestorer font(dc, WindowFont(hwnd));
    const int hot = static_cast<int>(SendMessageW(hwnd, TB_GETHOTITEM, 0, 0));
    const int count = static_cast<int>(SendMessageW(hwnd, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON b{};
        RECT r{};
        if (!SendMessageW(hwnd, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b)) ||
            (b.fsState & TBSTATE_HIDDEN) ||
            !SendMessageW(hwnd, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)))
            continue;
        DrawToolbarButton(dc, hwnd, b, r, i == hot);
    }
    if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & CCS_NODIVIDER))
        FadeLine(dc, RECT{0, 0, c.right, 2}, Palette().face, Palette().border);
    BitBlt(target, 0, 0, c.right, c.bottom, dc, 0, 0, SRCCOPY);
}

// The divider over the bar's top edge, and Face around it.
void PaintToolbarDivider(HWND hwnd) {
    WindowDC dc(hwnd, true);
    RECT wr{};
    GetWindowRect(hwnd, &wr);
    const RECT whole{0, 0, wr.right - wr.left, wr.bottom - wr.top};
    if (!dc) return;
    FrameColour(dc.get(), whole, Palette().face);
    FadeLine(dc.get(), RECT{0, 0, whole.right, 2}, Palette().face, Palette().border);
}

LRESULT CALLBACK ToolbarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            PaintClient(hwnd, wp, [hwnd](HDC dc) { PaintToolbar(hwnd, dc); });
            // The toolbar's own painting then finds nothing left to paint.
            return CallSavedProcedure(hwnd, msg, wp, lp);
        case WM_NCPAINT:
            if (GetWindowLongPtrW(hwnd, GWL_STYLE) & CCS_NODIVIDER) break;
            PaintToolbarDivider(hwnd);
            return 1;
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// ---- status bars

std::wstring PartText(HWND hwnd, int part) {
    const auto length = LOWORD(SendMessageW(hwnd, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(hwnd, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

void PaintStatusBar(HWND hwnd) {
    const SkinPalette& p = Palette();
    WindowDC target(hwnd);
    const RECT c = ClientOf(hwnd);
    Layer layer(target.get(), c.right, c.bottom, p.face);
    if (!target || !layer) return;
    HDC dc = layer.dc();
    RaisedFace(dc, c, c.bottom / 2, p.buttonTop[0], p.face, Metrics().faceBlendUpper,
               Metrics().faceBlendLower);
    FadeLine(dc, RECT{0, 0, c.right, 2}, p.face, p.border);
    SelectRestorer font(dc, WindowFont(hwnd));
    SetTextColor(dc, ToColorRef(p.text));
    SetBkMode(dc, TRANSPARENT);
    const bool simple = SendMessageW(hwnd, SB_ISSIMPLE, 0, 0) != 0;
    const int parts = simple ? 1 : std::max(1, static_cast<int>(SendMessageW(hwnd, SB_GETPARTS, 0, 0)));
    for (int i = 0; i < parts; ++i) {
        const int part = simple ? SB_SIMPLEID : i;
        RECT r = c;
        if (!simple) SendMessageW(hwnd, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        int x = r.left + 3;
        if (auto icon =
                reinterpret_cast<HICON>(SendMessageW(hwnd, SB_GETICON, static_cast<WPARAM>(part), 0))) {
            DrawIconEx(dc, x, r.top + (r.bottom - r.top - 16) / 2, icon, 16, 16, 0, nullptr, DI_NORMAL);
            x += 19;
        }
        const std::wstring text = PartText(hwnd, part);
        RECT t{x, r.top, r.right - 3, r.bottom};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (i + 1 < parts) FillColour(dc, RECT{r.right - 1, r.top + 3, r.right, r.bottom - 3}, p.border);
    }
    if ((GetWindowLongPtrW(hwnd, GWL_STYLE) & SBARS_SIZEGRIP) && !IsZoomed(GetParent(hwnd))) {
        UniquePen pen(CreatePen(PS_SOLID, 1, ToColorRef(p.border)));
        SelectRestorer select(dc, pen.get());
        for (int k = 1; k <= 4; ++k) {
            MoveToEx(dc, c.right - 4 * k, c.bottom, nullptr);
            LineTo(dc, c.right, c.bottom - 4 * k);
        }
    }
    BitBlt(target.get(), 0, 0, c.right, c.bottom, dc, 0, 0, SRCCOPY);
}

LRESULT CALLBACK StatusBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT) return CallSavedProcedure(hwnd, msg, wp, lp);
    const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
    PaintStatusBar(hwnd);
    return r;
}

// ---- progress bars

void PaintProgress(HWND hwnd, HDC target) {
    const SkinPalette& p = Palette();
    const RECT c = ClientOf(hwnd);
    const int W = c.right, H = c.bottom;
    Layer layer(target, W, H, p.face);
    if (!layer) return;
    HDC dc = layer.dc();
    FillColour(dc, RECT{1, 1, W - 1, H - 1}, p.faceLight);
    FrameRoundRect(dc, 0, 0, W + 1, H + 1, 2, 2, p.border);
    PBRANGE range{};
    SendMessageW(hwnd, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    const int pos = static_cast<int>(SendMessageW(hwnd, PBM_GETPOS, 0, 0));
    const int percent = ProgressPercent(pos, range.iLow, range.iHigh);
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const bool vertical = (style & PBS_VERTICAL) != 0;
    const long long span = range.iHigh > range.iLow ? range.iHigh - range.iLow : 1;
    const long long done = std::clamp<long long>(pos - range.iLow, 0, span);
    RECT fill{1, 1, W - 1, H - 1};
    if (vertical)
        fill.top = H - 1 - static_cast<int>((H - 2) * done / span);
    else
        fill.right = 1 + static_cast<int>((W - 2) * done / span);
    const Colour light = BlendColours(1.0f, kWhite, p.accent);
    if (vertical) {
        const int mid = (fill.left + fill.right) / 2;
        GradientBox(dc, fill.left, fill.top, mid, fill.bottom, light, BlendColours(0.88f, p.accent, light),
                    true);
        GradientBox(dc, mid, fill.top, fill.right, fill.bottom, BlendColours(0.8f, p.accent, light), p.accent,
                    true);
    } else {
        RaisedFace(dc, fill, fill.top + (fill.bottom - fill.top) / 2, light, p.accent, 0.88f, 0.8f);
    }
    if (!(style & PBS_SMOOTH))  // blocks of 8 with gaps of 2
        for (int k = 9; k < (vertical ? H : W); k += 10)
            FillColour(dc, vertical ? RECT{1, H - 1 - k, W - 1, H - k + 1} : RECT{k, 1, k + 2, H - 1},
                       p.faceLight);
    const std::wstring text = std::to_wstring(percent) + L"%";
    UniqueFont font(CreateFontW(-12, 0, vertical ? 900 : 0, vertical ? 900 : 0, FW_NORMAL, FALSE, FALSE,
                                FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
    SelectRestorer select(dc, font.get());
    SetTextColor(dc, ToColorRef(p.text));
    SetBkMode(dc, TRANSPARENT);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    if (vertical)  // rotated: the text runs upwards from its start point
        TextOutW(dc, (W - 12) / 2, (H + extent.cx) / 2, text.c_str(), static_cast<int>(text.size()));
    else
        TextOutW(dc, (W - extent.cx) / 2, (H - extent.cy) / 2, text.c_str(), static_cast<int>(text.size()));
    BitBlt(target, 0, 0, W, H, dc, 0, 0, SRCCOPY);
}

LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            FillColour(reinterpret_cast<HDC>(wp), ClientOf(hwnd), Palette().face);
            return 1;
        case WM_PAINT:
            PaintClient(hwnd, wp, [hwnd](HDC dc) { PaintProgress(hwnd, dc); });
            return 0;
        default:
            return CallSavedProcedure(hwnd, msg, wp, lp);
    }
}

// ---- track bars

enum ThumbState { kThumbDisabled = 0, kThumbNormal = 1, kThumbHot = 2, kThumbPushed = 4 };

RECT TrackRect(HWND hwnd, UINT msg) {
    RECT r{};
    SendMessageW(hwnd, msg, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

int ThumbFace(int state) {
    switch (state) {
        case kThumbDisabled:
            return kFaceDisabled;
        case kThumbHot:
            return kFaceHot;
        case kThumbPushed:
            return kFacePushed;
        default:
            return kFaceNormal;
    }
}

void PaintTrackBar(HWND hwnd, HDC target) {
    const SkinPalette& p = Palette();
    const RECT c = ClientOf(hwnd);
    Layer layer(target, c.right, c.bottom, p.face);
    if (!layer) return;
    HDC dc = layer.dc();
    const bool vertical = (GetWindowLongPtrW(hwnd, GWL_STYLE) & TBS_VERT) != 0;
    RECT channel = TrackRect(hwnd, TBM_GETCHANNELRECT);
    // The system reports a vertical bar's channel as if it lay horizontally.
    if (vertical && channel.right - channel.left > channel.bottom - channel.top)
        channel = RECT{channel.top, channel.left, channel.bottom, channel.right};
    const RECT thumb = TrackRect(hwnd, TBM_GETTHUMBRECT);
    FillColour(dc, channel, p.faceLight);
    // The part before the thumb in Accent.
    RECT done = channel;
    if (vertical)
        done.bottom = std::max(done.top, (thumb.top + thumb.bottom) / 2);
    else
        done.right = std::max(done.left, (thumb.left + thumb.right) / 2);
    InflateRect(&done, -1, -1);
    if (IsWindowEnabled(hwnd)) FillColour(dc, done, p.accent);
    FrameColour(dc, channel, p.border);
    if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & TBS_NOTICKS)) {
        const int tics = static_cast<int>(SendMessageW(hwnd, TBM_GETNUMTICS, 0, 0));
        for (int i = 0; i + 2 < tics; ++i) {
            const int at = static_cast<int>(SendMessageW(hwnd, TBM_GETTICPOS, static_cast<WPARAM>(i), 0));
            if (at < 0) continue;
            FillColour(dc,
                       vertical ? RECT{thumb.right + 2, at, thumb.right + 5, at + 1}
                                : RECT{at, thumb.bottom + 2, at + 1, thumb.bottom + 5},
                       p.border);
        }
    }
    const int state = static_cast<int>(ReadProp(hwnd, Prop::ThumbState));
    ButtonFace(dc, thumb, ThumbFace(state),
               state == kThumbDisabled ? p.buttonBottom[kFaceDisabled] : p.buttonOutline);
    BitBlt(target, 0, 0, c.right, c.bottom, dc, 0, 0, SRCCOPY);
    WriteProp(hwnd, Prop::Painted, 1);
}

bool CursorOnThumb(HWND hwnd) {
    POINT pt{};
    GetCursorPos(&pt);
    ScreenToClient(hwnd, &pt);
    const RECT thumb = TrackRect(hwnd, TBM_GETTHUMBRECT);
    return PtInRect(&thumb, pt) != FALSE;
}

// The thumb's state after the mouse or the position changed; a repaint when it did.
void FollowThumb(HWND hwnd, bool pressed) {
    int state = kThumbDisabled;
    if (IsWindowEnabled(hwnd)) {
        const bool over = ReadProp(hwnd, Prop::MouseOver) != 0 && CursorOnThumb(hwnd);
        state = pressed ? kThumbPushed : over ? kThumbHot : kThumbNormal;
    }
    WriteProp(hwnd, Prop::ThumbState, state);
    InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT CALLBACK TrackBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            PaintClient(hwnd, wp, [hwnd](HDC dc) { PaintTrackBar(hwnd, dc); });
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE: {
            RequestMouseLeave(hwnd);
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            WriteProp(hwnd, Prop::MouseOver, CursorOnThumb(hwnd) ? 4 : 1);
            FollowThumb(hwnd, ReadProp(hwnd, Prop::ThumbState) == kThumbPushed && (wp & MK_LBUTTON));
            return r;
        }
        case WM_MOUSELEAVE:
            WriteProp(hwnd, Prop::MouseOver, 0);
            FollowThumb(hwnd, ReadProp(hwnd, Prop::ThumbState) == kThumbPushed);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
        case WM_ENABLE:
        case TBM_SETPOS:
        case TBM_SETRANGE:
        case TBM_SETRANGEMIN:
        case TBM_SETRANGEMAX: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            const bool pressed = msg == WM_LBUTTONDOWN ||
                                 (msg != WM_LBUTTONUP && ReadProp(hwnd, Prop::ThumbState) == kThumbPushed);
            FollowThumb(hwnd, pressed);
            return r;
        }
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

}  // namespace

void InstallToolbar(HWND hwnd) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    if ((GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY) || style == kOwnDrawnToolbarStyle)
        return;
    if (!Subclass(hwnd, ToolbarProc)) return;
    WriteProp(hwnd, Prop::ListStyle, (style & TBSTYLE_LIST) != 0);
    WriteProp(hwnd, Prop::ToolbarRaised, (style & TBSTYLE_FLAT) == 0);
}

void InstallStatusBar(HWND hwnd) {
    Subclass(hwnd, StatusBarProc);
}

void InstallProgressBar(HWND hwnd) {
    Subclass(hwnd, ProgressProc);
}

void InstallTrackBar(HWND hwnd) {
    if (!Subclass(hwnd, TrackBarProc)) return;
    WriteProp(hwnd, Prop::Painted, 0);
    WriteProp(hwnd, Prop::MouseOver, 0);
    WriteProp(hwnd, Prop::ThumbState, IsWindowEnabled(hwnd) ? kThumbNormal : kThumbDisabled);
}

}  // namespace qm::skin
