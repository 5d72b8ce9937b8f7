// Painting the button family: see buttons_win.h. Each drawer composes the control on a layer of
// its size filled with Face and copies it once; every GDI object lives for one paint.
#include <string>

#include "platform/win32/wide.h"
#include "skin/buttons_win.h"
#include "skin/control_geometry.h"
#include "skin/engine_win.h"
#include "skin/paint_win.h"
#include "skin/properties_win.h"

namespace qm::skin {

namespace {

bool IsDisabled(const DRAWITEMSTRUCT& item) {
    return (item.itemState & ODS_DISABLED) != 0 || !IsWindowEnabled(item.hwndItem);
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

UINT HorizontalFlags(LONG_PTR style, UINT otherwise) {
    switch (style & BS_CENTER) {
        case BS_LEFT:
            return DT_LEFT;
        case BS_RIGHT:
            return DT_RIGHT;
        case BS_CENTER:
            return DT_CENTER;
        default:
            return otherwise;
    }
}

Align VerticalAlign(LONG_PTR style) {
    switch (style & BS_VCENTER) {
        case BS_TOP:
            return Align::Start;
        case BS_BOTTOM:
            return Align::End;
        default:
            return Align::Centre;
    }
}

UINT VerticalFlags(LONG_PTR style) {
    switch (VerticalAlign(style)) {
        case Align::Start:
            return DT_TOP;
        case Align::End:
            return DT_BOTTOM;
        default:
            return DT_VCENTER;
    }
}

// The control's text in its own font, on a transparent background; mnemonics are underlined.
void DrawLabel(HDC dc, HWND hwnd, RECT r, Colour c, UINT flags) {
    const std::wstring text = WindowTextOf(hwnd);
    if (text.empty()) return;
    SelectRestorer font(dc, WindowFont(hwnd));
    SetTextColor(dc, ToColorRef(c));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_SINGLELINE);
}

void DrawCentredGlyph(HDC dc, const wchar_t* face, int height, int weight, const wchar_t* glyph, RECT r,
                      Colour c) {
    SelectRestorer select(dc, SharedFont(face, height, weight));
    SetTextColor(dc, ToColorRef(c));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, glyph, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
}

// The check mark: Webdings' "a", or the same tick drawn with lines where the font lacks it (Wine's
// Webdings holds a handful of glyphs).
void DrawCheckMark(HDC dc, const RECT& box, Colour c) {
    if (FontHasGlyph(L"Webdings", L'a')) {
        DrawSymbolGlyph(dc, L"Webdings", 23, L'a',
                        RECT{box.left - 2, box.top - 2, box.right - 2, box.bottom - 2}, c);
        return;
    }
    UniquePen pen(CreatePen(PS_SOLID, 2, ToColorRef(c)));
    SelectRestorer select(dc, pen.get());
    const POINT tick[3] = {
        {box.left + 3, box.top + 7}, {box.left + 6, box.top + 10}, {box.left + 11, box.top + 3}};
    Polyline(dc, tick, 3);
}

struct CheckLook {
    CheckLayout layout;
    bool disabled;
    Colour ink, grey, mid;  // text, outer box, inner box
};

// What check boxes and radio buttons share: the layer, the focus rectangle and the text.
CheckLook DrawCheckCommon(HDC dc, const DRAWITEMSTRUCT& item) {
    const SkinPalette& p = Palette();
    const LONG_PTR style = GetWindowLongPtrW(item.hwndItem, GWL_STYLE);
    CheckLook look;
    look.disabled = IsDisabled(item);
    look.layout = LayOutCheck(Width(item.rcItem), Height(item.rcItem), (style & BS_LEFTTEXT) != 0,
                              VerticalAlign(style));
    const Colour grey = p.buttonBottom[kFaceDisabled];
    look.ink = look.disabled ? grey : p.text;
    look.grey = look.disabled ? grey : p.border;
    look.mid = BlendColours(1.0f, p.face, look.disabled ? grey : p.border);
    const PixelRect& t = look.layout.text;
    RECT text{t.left, t.top, t.right, t.bottom};
    if (ReadProp(item.hwndItem, Prop::Focus) == 1) DrawFocusRect(dc, &text);
    DrawLabel(dc, item.hwndItem, text, look.ink, HorizontalFlags(style, DT_LEFT) | VerticalFlags(style));
    return look;
}

RECT ToRect(const PixelRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

// A check box or radio button: the layer, focus frame and text they share, then their box.
template <typename DrawBox>
void DrawCheckLike(const DRAWITEMSTRUCT& item, DrawBox drawBox) {
    Layer layer(item.hDC, Width(item.rcItem), Height(item.rcItem), Palette().face);
    if (!layer) return;
    const CheckLook look = DrawCheckCommon(layer.dc(), item);
    drawBox(layer.dc(), look, ToRect(look.layout.box));
    layer.CopyKeyed(item.hDC, item.rcItem.left, item.rcItem.top);
}

}  // namespace

DRAWITEMSTRUCT EngineRecord(HWND hwnd, HDC dc, unsigned itemState) {
    DRAWITEMSTRUCT d{};
    d.CtlType = ODT_BUTTON;
    d.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = IsWindowEnabled(hwnd) ? itemState : kItemDisabled;
    d.hwndItem = hwnd;
    d.hDC = dc;
    GetClientRect(hwnd, &d.rcItem);
    return d;
}

void DrawNow(HWND hwnd, unsigned itemState, void (*draw)(const DRAWITEMSTRUCT&)) {
    WindowDC dc(hwnd);
    if (dc) draw(EngineRecord(hwnd, dc.get(), itemState));
}

void DrawPushButton(const DRAWITEMSTRUCT& item) {
    const SkinPalette& p = Palette();
    const SkinMetrics& m = Metrics();
    HWND hwnd = item.hwndItem;
    const int W = Width(item.rcItem), H = Height(item.rcItem);
    const FaceChoice face =
        PushFace(item.itemState, ReadProp(hwnd, Prop::MouseOver) == 1, ReadProp(hwnd, Prop::MouseDown) == 1);
    const bool disabled = face.index == kFaceDisabled;
    Layer layer(item.hDC, W, H, p.face);
    if (!layer) return;
    HDC dc = layer.dc();
    const auto i = static_cast<std::size_t>(face.index);
    RaisedFace(dc, RECT{1, 1, W - 1, H - 1}, H / 2, p.buttonTop[i], p.buttonBottom[i], m.faceBlendUpper,
               m.faceBlendLower);
    FrameRoundRect(dc, 0, 0, W + 1, H + 1, 2, 2, disabled ? p.buttonBottom[kFaceDisabled] : p.buttonOutline);
    if (ReadProp(hwnd, Prop::DefaultButton) == 1) {
        FillColour(dc, RECT{W - 2, 2, W - 1, H - 2}, p.border);
        FillColour(dc, RECT{2, H - 2, W - 2, H - 1}, p.border);
    }
    if (ReadProp(hwnd, Prop::Focus) == 1) FrameRoundRect(dc, 2, 2, W - 1, H - 1, 2, 2, p.border);
    const int d = face.shift ? 1 : 0;
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    DrawLabel(dc, hwnd, RECT{4 + d, 4 + d, W - 4 + d, H + d},
              disabled ? p.buttonBottom[kFaceDisabled] : p.text,
              HorizontalFlags(style, DT_CENTER) | VerticalFlags(style));
    layer.CopyKeyed(item.hDC, item.rcItem.left, item.rcItem.top);
}

void DrawCheckBox(const DRAWITEMSTRUCT& item) {
    DrawCheckLike(item, [&](HDC dc, const CheckLook& look, const RECT& box) {
        const RECT around{box.left, box.top - 1, box.right, box.bottom + 1};
        DrawCentredGlyph(dc, L"宋体", 16, FW_NORMAL, L"\u25A1", around, look.grey);
        DrawCentredGlyph(dc, L"宋体", 14, FW_NORMAL, L"\u25A1", around, look.mid);
        if (ReadProp(item.hwndItem, Prop::Checked) == 1)
            DrawCheckMark(dc, box, look.disabled ? Palette().buttonBottom[kFaceDisabled] : Palette().accent);
    });
}

void DrawRadioButton(const DRAWITEMSTRUCT& item) {
    DrawCheckLike(item, [&](HDC dc, const CheckLook& look, const RECT& box) {
        UniqueRegion ring(CreateEllipticRgn(box.left, box.top, box.right, box.bottom));
        UniqueBrush ringBrush(CreateSolidBrush(ToColorRef(look.mid)));
        if (ring && ringBrush) FrameRgn(dc, ring.get(), ringBrush.get(), 1, 2);
        DrawCentredGlyph(dc, L"宋体", 16, FW_NORMAL, L"\u25CB", box, look.grey);
        DrawCentredGlyph(dc, L"宋体", 14, FW_NORMAL, L"\u25CB", box, look.mid);
        if (ReadProp(item.hwndItem, Prop::Checked) > 0) {
            const Colour dot = look.disabled ? Palette().buttonBottom[kFaceDisabled] : Palette().accent;
            DrawCentredGlyph(dc, L"宋体", 4, 800, L"\u25CF", box, dot);
            // A disabled checked radio button is marked, so choosing a sibling leaves its dot.
            if (look.disabled) WriteProp(item.hwndItem, Prop::Checked, 3);
        }
    });
}

void DrawGroupBox(const DRAWITEMSTRUCT& item) {
    const SkinPalette& p = Palette();
    HWND hwnd = item.hwndItem;
    const int W = Width(item.rcItem), H = Height(item.rcItem);
    Layer layer(item.hDC, W, H, p.face);
    if (!layer) return;
    HDC dc = layer.dc();
    SelectRestorer font(dc, WindowFont(hwnd));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int h = tm.tmHeight;
    FrameRoundRect(dc, 0, h / 2, W + 1, H + 1, 2, 2, p.border);
    const std::wstring text = WindowTextOf(hwnd);
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const Align align = (style & BS_CENTER) == BS_RIGHT    ? Align::End
                        : (style & BS_CENTER) == BS_CENTER ? Align::Centre
                                                           : Align::Start;
    const PixelRect caption = GroupCaptionRect(W, h, FromWide(text).size(), align);
    if (caption.Width() > 12) {
        RECT r = ToRect(caption);
        FillColour(dc, r, p.face);
        SetTextColor(dc, ToColorRef(IsDisabled(item) ? p.buttonBottom[kFaceDisabled] : p.text));
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    // Its children, and the siblings a dialog places inside it, keep their own pixels.
    RECT own{};
    GetWindowRect(hwnd, &own);
    auto keyOut = [&](HWND w) {
        RECT r{};
        if (!(GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE) || !GetWindowRect(w, &r)) return;
        RECT overlap{};
        if (!IntersectRect(&overlap, &r, &own)) return;
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&overlap), 2);
        FillColour(dc, overlap, kMagenta);
    };
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) keyOut(c);
    if (HWND parent = GetParent(hwnd))
        for (HWND s = GetWindow(parent, GW_CHILD); s; s = GetWindow(s, GW_HWNDNEXT))
            if (s != hwnd) keyOut(s);
    layer.CopyKeyed(item.hDC, item.rcItem.left, item.rcItem.top);
}

void DrawOwnerButton(const DRAWITEMSTRUCT& item) {
    const SkinPalette& p = Palette();
    HWND hwnd = item.hwndItem;
    const int W = Width(item.rcItem), H = Height(item.rcItem);
    bool drawnDisabled = ReadProp(hwnd, Prop::DrawnDisabled) == 1;
    const bool down = ReadProp(hwnd, Prop::MouseDown) == 1;
    const FaceChoice face =
        OwnerFace(item.itemState, ReadProp(hwnd, Prop::MouseOver) == 1, down, drawnDisabled);
    WriteProp(hwnd, Prop::DrawnDisabled, drawnDisabled);
    const bool disabled = face.index == kFaceDisabled;
    const Colour ink = disabled ? p.buttonBottom[kFaceDisabled] : p.text;
    Layer layer(item.hDC, W, H, p.faceLight);
    if (!layer) return;
    HDC dc = layer.dc();
    FrameColour(dc, RECT{0, 0, W, H}, disabled ? p.buttonBottom[kFaceDisabled] : p.border);
    FrameColour(dc, RECT{1, 1, W - 1, H - 1}, kWhite);
    const int d = face.shift ? 1 : 0;
    DrawLabel(dc, hwnd, RECT{4 + d, d, W - 21 + d, H + d}, ink, DT_LEFT | DT_VCENTER);
    const auto i = static_cast<std::size_t>(face.index);
    SetTextColor(dc, ToColorRef(ink));
    DrawArrowBox(dc, RECT{W - 19, 2, W - 2, H - 2}, p.buttonTop[i], p.buttonBottom[i],
                 disabled ? ink : p.border, kArrowDown, down);
    layer.CopyKeyed(item.hDC, item.rcItem.left, item.rcItem.top);
}

void DrawArrowBox(HDC dc, const RECT& r, Colour top, Colour bottom, Colour outline, int direction,
                  bool pushed) {
    const SkinMetrics& m = Metrics();
    const int w = Width(r), h = Height(r);
    if (w <= 0 || h <= 0) return;
    RaisedFace(dc, r, r.top + h / 2, top, bottom, m.faceBlendUpper, m.faceBlendLower);
    const COLORREF face = ToColorRef(Palette().face);
    SetPixelV(dc, r.left, r.top, face);
    SetPixelV(dc, r.right - 1, r.top, face);
    SetPixelV(dc, r.left, r.bottom - 1, face);
    SetPixelV(dc, r.right - 1, r.bottom - 1, face);
    FrameRoundRect(dc, r.left, r.top, r.right + 1, r.bottom + 1, 2, 2, outline);
    RECT glyph = r;
    if (pushed) glyph.right += 2, glyph.bottom += 2;
    DrawArrowGlyph(dc, glyph, direction, ArrowGlyphHeight(w, h, direction),
                   static_cast<Colour>(GetTextColor(dc)));
}

void RequestMouseLeave(HWND hwnd) {
    TRACKMOUSEEVENT t{sizeof t, TME_HOVER, hwnd, HOVER_DEFAULT};
    TrackMouseEvent(&t);
    t.dwFlags = TME_LEAVE;
    TrackMouseEvent(&t);
}

}  // namespace qm::skin
