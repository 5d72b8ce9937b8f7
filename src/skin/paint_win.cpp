// The skin's drawing primitives: see paint_win.h.
#include "skin/paint_win.h"

#include <algorithm>
#include <map>
#include <string>
#include <tuple>

#include "platform/win32/wide.h"

namespace qm::skin {

void FillColour(HDC dc, const RECT& r, Colour c) {
    UniqueBrush brush(CreateSolidBrush(ToColorRef(c)));
    if (brush) FillRect(dc, &r, brush.get());
}

void FrameColour(HDC dc, const RECT& r, Colour c) {
    UniqueBrush brush(CreateSolidBrush(ToColorRef(c)));
    if (brush) FrameRect(dc, &r, brush.get());
}

void FrameRegion(HDC dc, HRGN region, Colour c, int width) {
    UniqueBrush brush(CreateSolidBrush(ToColorRef(c)));
    if (brush && region) FrameRgn(dc, region, brush.get(), width, width);
}

void FrameRoundRect(HDC dc, int left, int top, int right, int bottom, int cw, int ch, Colour c, int width) {
    UniqueRegion region(CreateRoundRectRgn(left, top, right, bottom, cw, ch));
    FrameRegion(dc, region.get(), c, width);
}

void RaisedFace(HDC dc, const RECT& r, int split, Colour top, Colour bottom, float upperFactor,
                float lowerFactor) {
    GradientBox(dc, r.left, r.top, r.right, split, top, BlendColours(upperFactor, bottom, top), false);
    GradientBox(dc, r.left, split, r.right, r.bottom, BlendColours(lowerFactor, bottom, top), bottom, false);
}

void GradientBox(HDC dc, int left, int top, int right, int bottom, Colour from, Colour to, bool horizontal) {
    if (right <= left || bottom <= top) return;
    auto channel = [](int v) { return static_cast<COLOR16>(v << 8); };
    TRIVERTEX v[2] = {
        {left, top, channel(RedOf(from)), channel(GreenOf(from)), channel(BlueOf(from)), 0},
        {right, bottom, channel(RedOf(to)), channel(GreenOf(to)), channel(BlueOf(to)), 0},
    };
    GRADIENT_RECT g{0, 1};
    GradientFill(dc, v, 2, &g, 1, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

void FadeLine(HDC dc, const RECT& r, Colour c, Colour border) {
    const Colour mid = BlendColours(1.0f, c, border);
    const int y = r.bottom - 2, third = (r.right - r.left) / 3;
    const int a = r.left + third, b = r.left + 2 * third;
    GradientBox(dc, r.left, y, a, y + 1, c, mid, true);
    FillColour(dc, RECT{a, y, b, y + 1}, mid);
    GradientBox(dc, b, y, r.right, y + 1, mid, c, true);
}

UniqueFont MakeFont(const wchar_t* face, int height, int weight, bool underline, int width) {
    return UniqueFont(CreateFontW(height, width, 0, 0, weight, FALSE, underline, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, face));
}

namespace {

struct FontKey {
    std::wstring face;
    int height, weight, width;
    bool underline;
    BYTE charset;
    bool operator<(const FontKey& o) const {
        return std::tie(face, height, weight, width, underline, charset) <
               std::tie(o.face, o.height, o.weight, o.width, o.underline, o.charset);
    }
};

std::map<FontKey, UniqueFont>& SharedFonts() {
    static std::map<FontKey, UniqueFont> fonts;
    return fonts;
}

}  // namespace

HFONT SharedFont(const wchar_t* face, int height, int weight, bool underline, int width, BYTE charset) {
    FontKey key{face, height, weight, width, underline, charset};
    auto& fonts = SharedFonts();
    auto it = fonts.find(key);
    if (it == fonts.end())
        it = fonts
                 .emplace(std::move(key),
                          UniqueFont(CreateFontW(height, width, 0, 0, weight, FALSE, underline, FALSE,
                                                 charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face)))
                 .first;
    return it->second.get();
}

void ReleaseSharedFonts() {
    SharedFonts().clear();
}

void DrawGbkText(HDC dc, int x, int y, std::string_view gbk) {
    const std::wstring w = ToWide(gbk);
    TextOutW(dc, x, y, w.c_str(), static_cast<int>(w.size()));
}

std::wstring WindowTextOf(HWND hwnd) {
    const auto length = static_cast<std::size_t>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 2, L'\0');
    const auto got = static_cast<std::size_t>(
        SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(got, length + 1));
    return text;
}

HFONT WindowFont(HWND hwnd) {
    return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
}

void DrawFontGlyph(HDC dc, const wchar_t* face, int height, int weight, const wchar_t* glyph, int x, int y) {
    SelectRestorer select(dc, SharedFont(face, height, weight));
    TextOutW(dc, x, y, glyph, lstrlenW(glyph));
}

Layer::Layer(HDC like, int width, int height, Colour fill)
    : width_(width),
      height_(height),
      mem_(like),
      bitmap_(CreateCompatibleBitmap(like, std::max(width, 1), std::max(height, 1))),
      select_(mem_.get(), bitmap_.get()) {
    if (*this) FillColour(mem_.get(), RECT{0, 0, width, height}, fill);
}

void Layer::CopyKeyed(HDC target, int x, int y) const {
    if (*this && width_ > 0 && height_ > 0)
        TransparentBlt(target, x, y, width_, height_, mem_.get(), 0, 0, width_, height_,
                       ToColorRef(kMagenta));
}

bool FontInstalled(const wchar_t* face) {
    static std::map<std::wstring, bool> known;
    auto it = known.find(face);
    if (it != known.end()) return it->second;
    bool found = false;
    if (HDC screen = GetDC(nullptr)) {
        LOGFONTW lf{};
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
        EnumFontFamiliesExW(
            screen, &lf,
            [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) -> int {
                *reinterpret_cast<bool*>(p) = true;
                return 0;
            },
            reinterpret_cast<LPARAM>(&found), 0);
        ReleaseDC(nullptr, screen);
    }
    known.emplace(face, found);
    return found;
}

bool FontHasGlyph(const wchar_t* face, wchar_t ch) {
    static std::map<std::pair<std::wstring, wchar_t>, bool> known;
    const auto key = std::make_pair(std::wstring(face), ch);
    if (auto it = known.find(key); it != known.end()) return it->second;
    bool found = false;
    if (FontInstalled(face)) {
        MemoryDC dc(nullptr);
        UniqueFont font(CreateFontW(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, face));
        SelectRestorer select(dc.get(), font.get());
        WORD index = 0xFFFF;
        found = dc && GetGlyphIndicesW(dc.get(), &ch, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
                index != 0xFFFF;
    }
    known.emplace(key, found);
    return found;
}

void DrawSymbolGlyph(HDC dc, const wchar_t* face, int height, wchar_t glyph, const RECT& box, Colour c) {
    SelectRestorer select(dc, SharedFont(face, height, FW_NORMAL, false, 0, SYMBOL_CHARSET));
    SetTextColor(dc, ToColorRef(c));
    SetBkMode(dc, TRANSPARENT);
    RECT r = box;
    DrawTextW(dc, &glyph, 1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
}

void DrawArrowGlyph(HDC dc, const RECT& box, int direction, int glyphHeight, Colour c) {
    const wchar_t* letter = direction == 0    ? L"p"
                            : direction == 1  ? L"q"
                            : direction == 64 ? L"t"
                            : direction == 65 ? L"u"
                                              : nullptr;
    if (!letter) return;
    if (FontHasGlyph(L"Wingdings 3", letter[0])) {
        DrawSymbolGlyph(dc, L"Wingdings 3", glyphHeight, letter[0], box, c);
        return;
    }
    // The font's solid triangles: a base of about half the glyph height, pointing the way.
    const int half = std::max(1, glyphHeight / 4);
    const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    POINT p[3];
    switch (direction) {
        case 0:
            p[0] = {cx - half, cy + half / 2}, p[1] = {cx + half, cy + half / 2},
            p[2] = {cx, cy - half / 2 - 1};
            break;
        case 1:
            p[0] = {cx - half, cy - half / 2}, p[1] = {cx + half, cy - half / 2},
            p[2] = {cx, cy + half / 2 + 1};
            break;
        case 64:
            p[0] = {cx + half / 2, cy - half}, p[1] = {cx + half / 2, cy + half},
            p[2] = {cx - half / 2 - 1, cy};
            break;
        default:
            p[0] = {cx - half / 2, cy - half}, p[1] = {cx - half / 2, cy + half},
            p[2] = {cx + half / 2 + 1, cy};
            break;
    }
    UniqueBrush brush(CreateSolidBrush(ToColorRef(c)));
    UniquePen pen(CreatePen(PS_SOLID, 1, ToColorRef(c)));
    SelectRestorer selectBrush(dc, brush.get());
    SelectRestorer selectPen(dc, pen.get());
    Polygon(dc, p, 3);
}

}  // namespace qm::skin
