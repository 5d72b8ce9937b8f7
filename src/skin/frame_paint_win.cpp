// Painting the skinned frame: the menu band, the caption band, the borders and outline, the icon,
// the title and the caption buttons with their glyphs. Window coordinates throughout; every GDI
// object lives for one paint. Window thread only.
#include <string>

#include "platform/win32/wide.h"
#include "skin/engine_win.h"
#include "skin/frame_win.h"
#include "skin/menubar_win.h"
#include "skin/paint_win.h"
#include "skin/properties_win.h"

namespace qm::skin {

namespace {

struct CaptionColours {
    Colour top, bottom, outline;
};

CaptionColours ColoursFor(bool active) {
    const SkinPalette& p = Palette();
    if (active) return {p.captionTop[0], p.captionBottom[0], p.borderDark};
    return {p.captionTop[3], p.captionBottom[3], p.captionBottom[3]};
}

int CaptionBandHeight(const FrameFacts& f) {
    return f.captionHeight + GetSystemMetrics(SM_CYDLGFRAME);
}

// Moves a DC's origin for the life of one layer, so a layer can take window coordinates.
class OriginShift {
  public:
    OriginShift(HDC dc, int dx, int dy) : dc_(dc) { SetViewportOrgEx(dc, dx, dy, &old_); }
    OriginShift(const OriginShift&) = delete;
    OriginShift& operator=(const OriginShift&) = delete;
    ~OriginShift() { SetViewportOrgEx(dc_, old_.x, old_.y, nullptr); }

  private:
    HDC dc_;
    POINT old_{};
};

// The menu band and, on a captioned window, the caption band: what lies behind the title, the
// icon and the caption buttons.
void PaintBands(HDC dc, HWND hwnd, int W, const FrameFacts& f, bool active) {
    const SkinPalette& p = Palette();
    const SkinMetrics& m = Metrics();
    const int C = f.captionHeight, M = f.menuHeight, S = CaptionBandHeight(f);
    const RECT band{0, C - 1, W, C - 1 + M + m.bottomBand + 1};
    FillColour(dc, band, p.face);
    if (M > 0) {
        FadeLine(dc, band, p.face, p.border);
        PaintMenuBar(hwnd, dc, -1);
    }
    if (!f.caption) return;
    const CaptionColours c = ColoursFor(active);
    GradientBox(dc, 0, 0, W, S / 2, c.top, BlendColours(m.captionBlendUpper, c.bottom, c.top), false);
    GradientBox(dc, 0, S / 2, W, S, BlendColours(m.captionBlendLower, c.bottom, c.top), c.bottom, false);
    FillColour(dc, RECT{4, S - 1, W - 4, S}, p.face);
    FadeLine(dc, RECT{4, S, W - 4, S}, c.bottom, p.border);
}

void PaintBorders(HDC dc, int W, int H, const FrameFacts& f, bool active, HRGN outline) {
    const SkinPalette& p = Palette();
    const int S = f.caption ? CaptionBandHeight(f) : 0;
    const CaptionColours c = ColoursFor(active);
    const Colour light = BlendColours(0.8f, kWhite, p.buttonTop[0]);
    const Colour dark = BlendColours(0.98f, c.bottom, p.face);
    FrameRegion(dc, outline, light, 2);
    GradientBox(dc, 0, S, 4, H, c.bottom, dark, false);
    GradientBox(dc, W - 4, S, W, H, c.bottom, dark, false);
    // Between the client area and the bottom border lies a band of Face, as above the client area.
    const int bottomBorder = H - GetSystemMetrics(SM_CYDLGFRAME) - 1;
    FillColour(dc, RECT{4, H - Metrics().bottomBand, W - 4, bottomBorder}, p.face);
    FillColour(dc, RECT{4, bottomBorder, W - 4, H}, dark);
    GradientBox(dc, 0, 0, 2, H, c.bottom, dark, false);
    GradientBox(dc, W - 2, 0, W, H, c.bottom, dark, false);
    if (f.caption) {
        GradientBox(dc, 0, 5, 2, S, light, c.bottom, false);
        GradientBox(dc, W - 2, 5, W, S, light, c.bottom, false);
    }
    FrameRegion(dc, outline, c.outline, 1);
}

void PaintTitle(HDC dc, HWND hwnd, int W, const FrameFacts& f) {
    std::wstring wide(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    wide.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, wide.data(), static_cast<int>(wide.size()))));
    const std::wstring title = ToWide(CutTitle(FromWide(wide)));
    const PixelRect t = TitleRect(W, f, Metrics());
    SelectRestorer select(dc, SharedFont(L"宋体", t.Height() - 3, 800));
    SetTextColor(dc, ToColorRef(Palette().captionText));
    SetBkMode(dc, TRANSPARENT);
    RECT r{t.left, t.top, t.right, t.bottom};
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_WORDBREAK | DT_LEFT | DT_NOPREFIX);
}

void DrawGlyphText(HDC dc, const wchar_t* glyph, int height, int width, int x, int y) {
    SelectRestorer select(dc, SharedFont(L"宋体", height, FW_NORMAL, false, width));
    TextOutW(dc, x, y, glyph, 1);
}

void DrawGlyph(HDC dc, int button, bool restore, int w, int h, bool pushed) {
    const int d = pushed ? 1 : 0;
    const double W = w, H = h;
    auto at = [](double v) { return static_cast<int>(v); };
    SetTextColor(dc, ToColorRef(Palette().captionText));
    SetBkMode(dc, TRANSPARENT);
    switch (button) {
        case kMinimiseButton: {
            const int x0 = at(0.3 * W) + d, x1 = at(0.7 * W) + d, y = at(0.6 * H) + d;
            FillColour(dc, RECT{x0, y, x1, y + 2}, Palette().captionText);
            break;
        }
        case kMaximiseButton:
            if (restore) {
                const int x = at(0.165 * W) + d, y = at(0.25 * H) + d;
                DrawGlyphText(dc, L"\u25A1", at(0.6 * H), at(0.3 * W), x, y);
                DrawGlyphText(dc, L"\u25A1", at(0.6 * H), at(0.3 * W), x, y + 1);
                DrawGlyphText(dc, L"\u25A1", at(0.6 * H), at(0.3 * W), at(0.33 * W) + d, at(0.125 * H) + d);
            } else {
                const int x = at(0.25 * W) + d, y = at(0.25 * H) + d;
                DrawGlyphText(dc, L"\u25A1", at(0.6 * H), at(0.3 * W), x, y);
                DrawGlyphText(dc, L"\u25A1", at(0.6 * H), at(0.3 * W), x, y - 1);
            }
            break;
        case kCloseButton: {
            const int x = at((W - 0.5 * H) / 2) + d, y = at(0.25 * H) + d;
            for (int dx : {0, 1, -1}) DrawGlyphText(dc, L"\u2573", at(0.5 * H), 0, x + dx, y);
            break;
        }
        default: {
            const int x = at((W - 0.7 * H) / 2) + d, y = at(0.18 * H) + d;
            for (int dx : {-1, 1}) DrawGlyphText(dc, L"\uFF1F", at(0.7 * H), at(0.7 * H), x + dx, y);
            break;
        }
    }
}

// The rounded two-band face of a hot or pushed button, its corners left magenta.
void DrawRaisedFace(HDC dc, int w, int h, Colour a, Colour z, float share, bool active) {
    const SkinPalette& p = Palette();
    const SkinMetrics& m = Metrics();
    const int split = static_cast<int>(share * h);
    GradientBox(dc, 0, 0, w, split, a, BlendColours(m.captionBlendUpper - 0.05f, z, a), false);
    GradientBox(dc, 0, split, w, h, BlendColours(m.captionBlendLower, z, a), z, false);
    UniqueRegion face(CreateRoundRectRgn(0, 0, w + 1, h + 1, m.buttonCorner, m.buttonCorner));
    UniqueRegion corners(CreateRectRgn(0, 0, w, h));
    if (!face || !corners) return;
    CombineRgn(corners.get(), corners.get(), face.get(), RGN_DIFF);
    UniqueBrush magenta(CreateSolidBrush(ToColorRef(kMagenta)));
    if (magenta) FillRgn(dc, corners.get(), magenta.get());
    FrameRegion(dc, face.get(), BlendColours(1.0f, z, p.captionText), 2);
    const Colour outline = BlendColours(1.0f, p.captionBottom[0], active ? p.borderDark : p.buttonBottom[3]);
    FrameRegion(dc, face.get(), outline, 1);
}

void DrawCaptionButton(HDC dc, HWND hwnd, int W, const FrameFacts& f, int button, const PixelRect& r,
                       bool active) {
    const SkinPalette& p = Palette();
    const int state = f.buttons[static_cast<std::size_t>(button)];
    Layer layer(dc, r.Width(), r.Height());
    if (!layer) return;
    if (state == kButtonHot || state == kButtonPushed) {
        const Colour a = active ? p.captionTop[state] : p.captionTop[3];
        const Colour z = active ? p.captionBottom[state] : p.captionBottom[3];
        DrawRaisedFace(layer.dc(), r.Width(), r.Height(), a, z, state == kButtonPushed ? 0.6f : 0.4f, active);
    } else {
        // Flat: the slice of the caption band behind the button, so only the glyph stands out.
        OriginShift shift(layer.dc(), -r.left, -r.top);
        PaintBands(layer.dc(), hwnd, W, f, active);
    }
    const bool restore = button == kMaximiseButton && ReadProp(hwnd, Prop::RestoreGlyph) == 1 && f.maximised;
    DrawGlyph(layer.dc(), button, restore, r.Width(), r.Height(), state == kButtonPushed);
    layer.CopyKeyed(dc, r.left, r.top);
}

}  // namespace

void PaintCaptionButtons(HWND hwnd, HDC given) {
    const FrameFacts f = ReadFrameFacts(hwnd);
    if (!f.sysMenu || !f.caption) return;
    WindowDC own(given ? nullptr : hwnd, true);
    HDC dc = given ? given : own.get();
    if (!dc) return;
    RECT wr{};
    GetWindowRect(hwnd, &wr);
    const int W = wr.right - wr.left;
    const auto rects = CaptionButtonRects({0, 0, W, wr.bottom - wr.top}, f, Metrics());
    const bool active = ReadProp(hwnd, Prop::Active) != 0;
    const bool pair = f.MinMaxAbsent();
    for (int b : {kMinimiseButton, kMaximiseButton, kCloseButton, kHelpButton}) {
        const int state = f.buttons[static_cast<std::size_t>(b)];
        if (pair && (b == kMinimiseButton || b == kMaximiseButton)) continue;
        if (!pair && b == kHelpButton) continue;
        if ((b == kHelpButton || b == kCloseButton) && state == kButtonAbsent) continue;
        DrawCaptionButton(dc, hwnd, W, f, b, rects[static_cast<std::size_t>(b)], active);
    }
}

void PaintFrame(HDC dc, HWND hwnd) {
    RECT wr{};
    GetWindowRect(hwnd, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    const FrameFacts f = ReadFrameFacts(hwnd);
    const bool active = ReadProp(hwnd, Prop::Active) != 0;
    PaintBands(dc, hwnd, W, f, active);
    // Without a caption the window has no region: its outline is its rectangle.
    UniqueRegion outline = MakeFrameRegion(W, H, f.caption ? Metrics().frameShape : 0);
    if (!f.caption || Metrics().frameShape == 0) outline.reset(CreateRectRgn(0, 0, W, H));
    PaintBorders(dc, W, H, f, active, outline.get());
    if (f.caption) {
        const int S = CaptionBandHeight(f);
        if (f.sysMenu && f.icon)
            DrawIconEx(dc, 8, (S - 16) / 2, ReadPropAs<HICON>(hwnd, Prop::IconHandle), 16, 16, 0, nullptr,
                       DI_NORMAL);
        PaintCaptionButtons(hwnd, dc);
        PaintTitle(dc, hwnd, W, f);
    }
    if (Metrics().innerFrame == 1) {
        const auto margins = NonClientMargins(f, Metrics());
        FrameColour(dc, RECT{margins[0] - 1, margins[1] - 1, W - margins[2] + 1, H - margins[3] + 1},
                    BlendColours(1.0f, Palette().borderDark, kWhite));
    }
}

}  // namespace qm::skin
