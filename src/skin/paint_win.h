// The skin's drawing primitives: solid fills and frames, GradientBox, FadeLine, fonts, GBK text,
// off-screen layers copied with the magenta key, and the symbol glyphs drawn with GDI where their
// font is missing (Wine has no "Wingdings 3"). Every object lives for one call or one layer.
// Window thread only (the popup-menu repaint may also call it from its timer thread).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/handles.h"
#include "skin/palette.h"

namespace qm::skin {

inline COLORREF ToColorRef(Colour c) {
    return static_cast<COLORREF>(c);
}

void FillColour(HDC dc, const RECT& r, Colour c);
// A frame one pixel wide just inside r.
void FrameColour(HDC dc, const RECT& r, Colour c);
// A frame width pixels wide just inside the region's edge.
void FrameRegion(HDC dc, HRGN region, Colour c, int width);

// A two-stop linear gradient over the rectangle, top to bottom or, when horizontal, left to right.
void GradientBox(HDC dc, int left, int top, int right, int bottom, Colour from, Colour to, bool horizontal);

// A frame `width` pixels wide just inside the round rectangle (left, top, right, bottom) with
// corner ellipse cw x ch. As with the system's round regions, right and bottom lie one pixel
// outside what is framed: (0, 0, W + 1, H + 1) frames a W x H area.
void FrameRoundRect(HDC dc, int left, int top, int right, int bottom, int cw, int ch, Colour c,
                    int width = 1);

// The raised two-band face of buttons and arrow boxes: from r.top to split a gradient from top to
// the blend of bottom and top with upperFactor, from split to r.bottom one from their blend with
// lowerFactor to bottom.
void RaisedFace(HDC dc, const RECT& r, int split, Colour top, Colour bottom, float upperFactor,
                float lowerFactor);

// A 1-pixel line on the second row above r.bottom, in three thirds of r's width: a gradient from c
// to the midpoint of c and the palette's border, that midpoint, a gradient back to c.
void FadeLine(HDC dc, const RECT& r, Colour c, Colour border);

// A font of the given face and pixel height (width 0: the face's own).
UniqueFont MakeFont(const wchar_t* face, int height, int weight = FW_NORMAL, bool underline = false,
                    int width = 0);

// The same font, made once and kept until ReleaseSharedFonts: a paint selects it without creating
// it, and Wine matches a new font to its files at every first selection (the caller never frees it).
HFONT SharedFont(const wchar_t* face, int height, int weight = FW_NORMAL, bool underline = false,
                 int width = 0, BYTE charset = DEFAULT_CHARSET);
void ReleaseSharedFonts();

// A glyph of a symbol font centred in box in colour c (not clipped to the box).
void DrawSymbolGlyph(HDC dc, const wchar_t* face, int height, wchar_t glyph, const RECT& box, Colour c);

// GBK text at (x, y), converted at this boundary with code page 936.
void DrawGbkText(HDC dc, int x, int y, std::string_view gbk);

// A window's text as it answers WM_GETTEXT, and the font it answers WM_GETFONT with (null: the
// system font).
std::wstring WindowTextOf(HWND hwnd);
HFONT WindowFont(HWND hwnd);

// A single glyph of a font face at (x, y) in the DC's text colour.
void DrawFontGlyph(HDC dc, const wchar_t* face, int height, int weight, const wchar_t* glyph, int x, int y);

// An off-screen bitmap of w x h filled with one colour (magenta: nothing copied yet).
class Layer {
  public:
    Layer(HDC like, int width, int height, Colour fill = kMagenta);
    HDC dc() const { return mem_.get(); }
    explicit operator bool() const { return mem_ && bitmap_; }
    // Copies the layer to (x, y), leaving the target's pixels where the layer is magenta.
    void CopyKeyed(HDC target, int x, int y) const;

  private:
    int width_, height_;
    MemoryDC mem_;
    UniqueBitmap bitmap_;
    SelectRestorer select_;
};

// Symbol glyphs with their font's character, drawn centred in box; when the font is not
// installed the same shape is drawn with GDI. direction: 0 up, 1 down, 64 left, 65 right.
void DrawArrowGlyph(HDC dc, const RECT& box, int direction, int glyphHeight, Colour c);
// True when a font of this face exists (the system would otherwise substitute another).
bool FontInstalled(const wchar_t* face);
// True when that font exists and holds a glyph for ch (Wine's symbol fonts hold only a few).
bool FontHasGlyph(const wchar_t* face, wchar_t ch);

}  // namespace qm::skin
