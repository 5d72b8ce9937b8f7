// The skinned frame as painted, read back through the window DC at the places the frame's
// drawing names: the caption band of an active and an inactive window, the outline, the notch,
// the bottom-left step, the bands around the client area, the caption buttons flat and hot, and
// the caption band alone repainted after a title change.
#include "skin/paint_win.h"
#include "skin_test_support.h"

namespace qm::testing {
namespace {

const SkinPalette& P() {
    return skin::Palette();
}

class Frame : public SkinnedWindow {};

// A row of a vertical gradient from `from` at row 0 to `to` at row `length`.
Colour GradientRow(Colour from, Colour to, int row, int length) {
    auto ch = [&](int a, int b) { return a + (b - a) * row / length; };
    return MakeColour(ch(RedOf(from), RedOf(to)), ch(GreenOf(from), GreenOf(to)),
                      ch(BlueOf(from), BlueOf(to)));
}

// Row 0 is the outline, row 1 the light frame, then the two gradients; the row above the band's
// end is the fade line and the last row Face.
void ExpectCaptionBand(HWND hwnd, Colour top, Colour bottom, Colour outline) {
    const SIZE s = WindowSize(hwnd);
    const SkinMetrics& m = skin::Metrics();
    const int S = CaptionBand(), half = S / 2, x = s.cx - 100;
    EXPECT_PIXEL(hwnd, x, 0, outline);
    EXPECT_PIXEL(hwnd, x, 1, MakeColour(202, 202, 202));
    const Colour upperEnd = BlendColours(m.captionBlendUpper, bottom, top);
    const Colour lowerStart = BlendColours(m.captionBlendLower, bottom, top);
    EXPECT_TRUE(Near(PixelAt(hwnd, x, 2), GradientRow(top, upperEnd, 2, half), 2)) << "upper half";
    EXPECT_TRUE(Near(PixelAt(hwnd, x, half), lowerStart, 2)) << "lower half starts";
    EXPECT_TRUE(Near(PixelAt(hwnd, x, S - 3), GradientRow(lowerStart, bottom, S - 3 - half, S - half), 2));
    EXPECT_PIXEL(hwnd, 4, S - 2, bottom);
    EXPECT_PIXEL(hwnd, s.cx / 2, S - 2, BlendColours(1.0f, bottom, P().border));
    EXPECT_PIXEL(hwnd, x, S - 1, P().face);
    EXPECT_PIXEL(hwnd, 0, s.cy / 2, outline);
}

TEST_F(Frame, ActiveAndInactiveCaptionBands) {
    ShowAsActive(main, true);
    ASSERT_NE(Prop(main, skin::Prop::Active), 0);
    ExpectCaptionBand(main, P().captionTop[0], P().captionBottom[0], P().borderDark);
    ShowAsActive(main, false);
    ASSERT_EQ(Prop(main, skin::Prop::Active), 0);
    ExpectCaptionBand(main, P().captionTop[3], P().captionBottom[3], P().captionBottom[3]);
}

TEST_F(Frame, NotchAndBottomLeftStepFollowTheOutline) {
    const SIZE s = WindowSize(main);
    const Colour outline = P().borderDark;
    ShowAsActive(main, true);
    EXPECT_FALSE(InRegion(main, s.cx - 2, 1)) << "the notch";
    EXPECT_TRUE(InRegion(main, s.cx - 2, 4));
    EXPECT_PIXEL(main, s.cx - 30, 4, outline);
    EXPECT_TRUE(InRegion(main, 20, 3)) << "the top edge left of the notch";
    // Bottom left: the last row inside the region is the outline, so no border strip lies below it.
    for (int x : {4, 30, 60}) {
        EXPECT_FALSE(InRegion(main, x, s.cy - 3)) << x;
        EXPECT_TRUE(InRegion(main, x, s.cy - 4)) << x;
        EXPECT_PIXEL(main, x, s.cy - 4, outline);
    }
    EXPECT_TRUE(InRegion(main, 100, s.cy - 1)) << "the step ends after 72 pixels";
    // Resizing rebuilds the region on the new size.
    SetWindowPos(main, nullptr, 0, 0, s.cx + 50, s.cy + 20, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    EXPECT_FALSE(InRegion(main, s.cx + 48, 1));
    EXPECT_TRUE(InRegion(main, s.cx + 48, 4));
}

TEST_F(Frame, ClientAreaSitsInFaceBandsInsideTheBorders) {
    const SIZE s = WindowSize(main);
    ShowAsActive(main, true);
    RECT client{};
    GetClientRect(main, &client);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    RECT w{};
    GetWindowRect(main, &w);
    EXPECT_EQ(origin.x - w.left, 4);
    EXPECT_EQ(origin.y - w.top, GetSystemMetrics(SM_CYCAPTION) + 1 + 8);
    EXPECT_EQ(client.right, s.cx - 8);
    EXPECT_EQ(client.bottom, s.cy - (GetSystemMetrics(SM_CYCAPTION) + 1) - 16);
    EXPECT_PIXEL(main, s.cx / 2, CaptionBand() + 1, P().face);  // band above the client area
    EXPECT_PIXEL(main, s.cx / 2, s.cy - 6, P().face);           // band below it
    const Colour dark = BlendColours(0.98f, P().captionBottom[0], P().face);
    EXPECT_PIXEL(main, s.cx / 2, s.cy - 2, dark);
    EXPECT_PIXEL(main, 250, 200, P().face) << "client background";
    // A new icon shows in the caption and answers as the system menu.
    HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    SendMessageW(main, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    EXPECT_EQ(Prop(main, skin::Prop::IconHandle), reinterpret_cast<std::intptr_t>(icon));
    EXPECT_EQ(SendMessageW(main, WM_NCHITTEST, 0, MAKELPARAM(w.left + 12, w.top + 10)), HTSYSMENU);
}

TEST_F(Frame, CaptionButtonsAreFlatUntilHotThenRounded) {
    ShowAsActive(main, true);
    const SIZE s = WindowSize(main);
    const int x0 = s.cx - 28, y0 = 9;  // the close button, 19 x 15
    EXPECT_EQ(PixelAt(main, x0 + 2, y0 + 3), PixelAt(main, s.cx - 100, y0 + 3)) << "flat: the band shows";
    SendMessageW(main, WM_NCMOUSEMOVE, HTCLOSE, 0);
    ASSERT_EQ(Prop(main, skin::Prop::CloseButton), 1);
    EXPECT_PIXEL(main, x0 + 9, y0, BlendColours(1.0f, P().captionBottom[0], P().borderDark));
    EXPECT_PIXEL(main, x0 + 9, y0 + 1, BlendColours(1.0f, P().captionBottom[1], P().captionText));
    const Colour a = P().captionTop[1], z = P().captionBottom[1];
    const Colour upperEnd = BlendColours(0.83f, z, a);
    const Colour face = PixelAt(main, x0 + 2, y0 + 3);
    EXPECT_TRUE(Near(face, a, 60) && BlueOf(face) > RedOf(face) + 80) << "blue upper face " << Rgb(face);
    EXPECT_TRUE(Near(PixelAt(main, x0 + 2, y0 + 5), upperEnd, 20));
    EXPECT_TRUE(Near(PixelAt(main, x0 + 2, y0 + 12), z, 20));
    EXPECT_NE(PixelAt(main, x0 + 9, y0 - 1), PixelAt(main, x0 + 9, y0)) << "the face starts at row 9";
    // The minimise and maximise buttons stay flat.
    EXPECT_EQ(PixelAt(main, s.cx - 62, y0 + 3), PixelAt(main, s.cx - 100, y0 + 3));
}

// A client paint outside any update region, as the frame does it, covers only the gaps between the
// children, also in a window that does not clip its children itself.
TEST_F(Frame, ClientBackgroundLeavesTheChildrenAlone) {
    const Colour swatch = MakeColour(0, 200, 0);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FrameTestSwatch";
    wc.hbrBackground = CreateSolidBrush(skin::ToColorRef(swatch));
    RegisterClassW(&wc);
    HWND d = Dialog();
    ASSERT_EQ(GetWindowLongPtrW(d, GWL_STYLE) & WS_CLIPCHILDREN, 0);
    HWND a = Child(L"FrameTestSwatch", L"", 0, 10, 10, 40, 30, d);
    HWND b = Child(L"FrameTestSwatch", L"", 0, 90, 20, 30, 30, d);
    HWND hidden = Child(L"FrameTestSwatch", L"", 0, 130, 10, 20, 20, d);
    ShowWindow(hidden, SW_HIDE);
    RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_EQ(Rgb(ClientPixelAt(a, 5, 5)), Rgb(swatch));
    HDC dc = GetDC(d);
    for (const RECT& r : {RECT{55, 45, 70, 55}, RECT{130, 10, 150, 30}}) skin::FillColour(dc, r, kMagenta);
    ReleaseDC(d, dc);
    SendMessageW(d, WM_PAINT, 0, 0);
    GdiFlush();
    EXPECT_EQ(Rgb(ClientPixelAt(a, 0, 0)), Rgb(swatch));
    EXPECT_EQ(Rgb(ClientPixelAt(a, 39, 29)), Rgb(swatch));
    EXPECT_EQ(Rgb(ClientPixelAt(b, 15, 15)), Rgb(swatch));
    EXPECT_EQ(Rgb(ClientPixelAt(d, 9, 9)), Rgb(P().face));
    EXPECT_EQ(Rgb(ClientPixelAt(d, 50, 40)), Rgb(P().face)) << "just past the first child";
    EXPECT_EQ(Rgb(ClientPixelAt(d, 60, 50)), Rgb(P().face));
    EXPECT_EQ(Rgb(ClientPixelAt(d, 135, 15)), Rgb(P().face)) << "where the hidden child lies";
    for (HWND w : {a, b, hidden}) DestroyWindow(w);
    UnregisterClassW(wc.lpszClassName, wc.hInstance);
    DeleteObject(wc.hbrBackground);
}

TEST_F(Frame, DialogShowsCloseAloneOrWithHelpBesideIt) {
    HWND plain = Dialog();
    const SIZE s = WindowSize(plain);
    EXPECT_EQ(Prop(plain, skin::Prop::MinimiseButton), 3);
    EXPECT_EQ(Prop(plain, skin::Prop::MaximiseButton), 3);
    ShowAsActive(plain, true);
    SendMessageW(plain, WM_NCMOUSEMOVE, HTCLOSE, 0);
    const Colour edge = BlendColours(1.0f, P().captionBottom[0], P().borderDark);
    EXPECT_PIXEL(plain, s.cx - 28 + 9, 9, edge);
    EXPECT_PIXEL(plain, s.cx - 28, 9 + 7, edge) << "left edge of the 19 x 15 face";
    EXPECT_PIXEL(plain, s.cx - 46 + 9, 12, PixelAt(plain, s.cx - 100, 12)) << "nothing left of it";

    HWND help = Dialog(kDialogStyle, WS_EX_CONTEXTHELP);
    RECT r{};
    GetWindowRect(help, &r);
    EXPECT_EQ(Prop(help, skin::Prop::HelpButton), 0);
    EXPECT_EQ(SendMessageW(help, WM_NCHITTEST, 0, MAKELPARAM(r.right - 9 - 19 - 1, r.top + 12)), HTHELP);
    ShowAsActive(help, true);
    SendMessageW(help, WM_NCMOUSEMOVE, HTHELP, 0);
    EXPECT_PIXEL(help, WindowSize(help).cx - 46 + 9, 9, edge) << "the help face, directly left of close";
}

TEST_F(Frame, ToolWindowHasANarrowCaptionWithoutIcon) {
    HWND tool = Dialog(kDialogStyle | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_EX_TOOLWINDOW);
    EXPECT_EQ(Prop(tool, skin::Prop::NarrowCaption), 1);
    EXPECT_EQ(Prop(tool, skin::Prop::IconHandle), 0);
    EXPECT_EQ(Prop(tool, skin::Prop::MinimiseButton), 3);
    POINT origin{0, 0};
    ClientToScreen(tool, &origin);
    RECT r{};
    GetWindowRect(tool, &r);
    EXPECT_EQ(origin.y - r.top, 19 + 8);
    EXPECT_EQ(SendMessageW(tool, WM_NCHITTEST, 0, MAKELPARAM(r.right - 15, r.top + 6)), HTCLOSE);
    EXPECT_NE(SendMessageW(tool, WM_NCHITTEST, 0, MAKELPARAM(r.right - 15, r.top + 5)), HTCLOSE);
}

TEST_F(Frame, TitleChangeRepaintsOnlyTheCaptionBand) {
    const SIZE s = WindowSize(main);
    const int S = CaptionBand();
    const Colour mark = MakeColour(1, 2, 3), band = PixelAt(main, s.cx - 100, 10);
    HDC dc = GetWindowDC(main);
    SetPixelV(dc, s.cx - 100, 10, mark);      // in the caption band
    SetPixelV(dc, 1, S + 10, mark);           // in the left border
    SetPixelV(dc, s.cx / 2, s.cy - 2, mark);  // in the bottom border
    ReleaseDC(main, dc);
    ASSERT_TRUE(SetWindowTextW(main, L"新标题")) << "a title change reports success";
    EXPECT_PIXEL(main, s.cx - 100, 10, band);
    EXPECT_PIXEL(main, 1, S + 10, mark);
    EXPECT_PIXEL(main, s.cx / 2, s.cy - 2, mark);
    EXPECT_EQ(GetText(*form, "测试主窗口"), "新标题");
}

}  // namespace
}  // namespace qm::testing
