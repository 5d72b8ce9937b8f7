// The frame's behaviour: hover tracking and its 200 ms timer, press and release of caption
// buttons and the commands they post, maximised windows, the menu bar's mnemonics, and no GDI
// object left behind by a thousand frame paints.
#include <windowsx.h>

#include "gdi_objects.h"
#include "skin/menubar_win.h"
#include "skin_test_support.h"

namespace qm::testing {
namespace {

class FrameBehaviour : public SkinnedWindow {
  protected:
    POINT CloseCentre() {
        RECT r{};
        GetWindowRect(main, &r);
        return {r.right - 9 - 10, r.top + 9 + 7};
    }
    bool Posted(UINT msg) {
        MSG m;
        return PeekMessageW(&m, main, msg, msg, PM_REMOVE) != FALSE;
    }
};

TEST_F(FrameBehaviour, HoverThenLeaveClearsWithoutAnotherMouseMove) {
    // The pointer is shared by every test of the display: move the window to a corner no other
    // test's window uses, or the parked pointer would make another test's close button hot.
    SetWindowPos(main, nullptr, 800, 650, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
    const POINT p = CloseCentre();
    SetCursorPos(p.x, p.y);
    SendMessageW(main, WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(p.x, p.y));
    EXPECT_EQ(Prop(main, skin::Prop::CloseButton), 1);
    EXPECT_EQ(Prop(main, skin::Prop::HoverTimer), 1);
    SetCursorPos(1270, 1010);
    EXPECT_TRUE(PumpUntil([&] { return Prop(main, skin::Prop::CloseButton) == 0; }));
    EXPECT_EQ(Prop(main, skin::Prop::HoverTimer), 0);
}

TEST_F(FrameBehaviour, MovingToAnotherButtonMovesTheHotState) {
    SendMessageW(main, WM_NCMOUSEMOVE, HTMINBUTTON, 0);
    SendMessageW(main, WM_NCMOUSEMOVE, HTMAXBUTTON, 0);
    EXPECT_EQ(Prop(main, skin::Prop::MinimiseButton), 0);
    EXPECT_EQ(Prop(main, skin::Prop::MaximiseButton), 1);
    SendMessageW(main, WM_NCMOUSEMOVE, HTCAPTION, 0);
    EXPECT_EQ(Prop(main, skin::Prop::MaximiseButton), 0);
    EXPECT_EQ(Prop(main, skin::Prop::HoverTimer), 0);
}

TEST_F(FrameBehaviour, PressAndReleaseOnCloseClosesElsewherePostsNothing) {
    SendMessageW(main, WM_NCMOUSEMOVE, HTCLOSE, 0);
    EXPECT_EQ(SendMessageW(main, WM_NCLBUTTONDOWN, HTCLOSE, 0), 0);
    EXPECT_EQ(Prop(main, skin::Prop::CloseButton), 2);
    SendMessageW(main, WM_NCLBUTTONUP, HTCAPTION, 0);
    EXPECT_FALSE(Posted(WM_CLOSE));
    EXPECT_FALSE(Posted(WM_SYSCOMMAND));
    EXPECT_EQ(Prop(main, skin::Prop::CloseButton), 2);
    SendMessageW(main, WM_NCMOUSEMOVE, HTCAPTION, 0);
    EXPECT_EQ(Prop(main, skin::Prop::CloseButton), 0) << "normal after the next mouse move";

    SendMessageW(main, WM_NCLBUTTONDOWN, HTCLOSE, 0);
    SendMessageW(main, WM_NCLBUTTONUP, HTCLOSE, 0);
    EXPECT_TRUE(Posted(WM_CLOSE));
    EXPECT_EQ(Prop(main, skin::Prop::CloseButton), 1);
}

TEST_F(FrameBehaviour, MinimiseAndMaximisePostTheirCommands) {
    SendMessageW(main, WM_NCLBUTTONDOWN, HTMAXBUTTON, 0);
    SendMessageW(main, WM_NCLBUTTONUP, HTMAXBUTTON, 0);
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, main, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
    EXPECT_EQ(m.wParam, SC_MAXIMIZE);
    SendMessageW(main, WM_NCLBUTTONDOWN, HTMINBUTTON, 0);
    SendMessageW(main, WM_NCLBUTTONUP, HTMINBUTTON, 0);
    ASSERT_TRUE(PeekMessageW(&m, main, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
    EXPECT_EQ(m.wParam, SC_MINIMIZE);
    // An absent button takes no press.
    HWND dialog = Dialog();
    EXPECT_EQ(SendMessageW(dialog, WM_NCLBUTTONDOWN, HTMAXBUTTON, 0), 0);
    EXPECT_EQ(Prop(dialog, skin::Prop::MaximiseButton), 3);
}

TEST_F(FrameBehaviour, MaximisedWindowIsNotResizableAndDoubleClickRestoresIt) {
    RECT r{};
    GetWindowRect(main, &r);
    const LPARAM leftEdge = MAKELPARAM(r.left + 1, (r.top + r.bottom) / 2);
    EXPECT_EQ(SendMessageW(main, WM_NCHITTEST, 0, leftEdge), HTLEFT);
    ShowWindow(main, SW_MAXIMIZE);
    Pump();
    ASSERT_TRUE(IsZoomed(main));
    EXPECT_EQ(Prop(main, skin::Prop::RestoreGlyph), 1);
    GetWindowRect(main, &r);
    EXPECT_EQ(SendMessageW(main, WM_NCHITTEST, 0, MAKELPARAM(r.left + 1, (r.top + r.bottom) / 2)), HTCLIENT);
    EXPECT_EQ(SendMessageW(main, WM_NCHITTEST, 0, MAKELPARAM(r.left + 1, r.bottom - 1)), HTCLIENT);
    SendMessageW(main, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(r.left + 100, r.top + 10));
    Pump();
    EXPECT_FALSE(IsZoomed(main));
    EXPECT_EQ(Prop(main, skin::Prop::RestoreGlyph), 0);
}

TEST_F(FrameBehaviour, ReactivatedDialogGivesTheFocusBackToItsControl) {
    HWND dialog = Dialog();
    HWND edit = nullptr;
    for (int i = 0; i < 2; ++i)  // the second of two, so a plain first-control focus would not do
        edit = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10 + 30 * i, 80, 20,
                               dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + i)),
                               GetModuleHandleW(nullptr), nullptr);
    // The activation is sent as the system sends it, not asked of the system: tests run side by
    // side on one display, and another test's window taking the foreground (or a late focus event
    // of the display) would change what the system does in between.
    HWND first = GetDlgItem(dialog, 100);
    SetFocus(edit);
    ASSERT_EQ(GetFocus(), edit);
    SendMessageW(dialog, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(main));
    SendMessageW(dialog, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(main));
    EXPECT_EQ(Prop(dialog, skin::Prop::Active), 0);
    SetFocus(first);  // meanwhile the focus moved on
    SendMessageW(dialog, WM_NCACTIVATE, TRUE, 0);
    SendMessageW(dialog, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_NE(Prop(dialog, skin::Prop::Active), 0);
    EXPECT_EQ(GetFocus(), edit);
}

TEST_F(FrameBehaviour, CaptionlessWindowKeepsItsBordersWithoutRegion) {
    HWND bare = Dialog(WS_POPUP | WS_VISIBLE);
    const SIZE s = WindowSize(bare);
    EXPECT_EQ(Prop(bare, skin::Prop::Caption), 0);
    EXPECT_FALSE(InRegion(bare, 1, 1)) << "no window region";
    POINT origin{0, 0};
    ClientToScreen(bare, &origin);
    RECT r{};
    GetWindowRect(bare, &r);
    EXPECT_EQ(origin.x - r.left, 4);
    EXPECT_EQ(origin.y - r.top, 8);
    ShowAsActive(bare, true);
    const Colour outline = skin::Palette().borderDark;
    EXPECT_PIXEL(bare, 0, s.cy / 2, outline);
    EXPECT_PIXEL(bare, s.cx / 2, 0, outline) << "the outline is the rectangle";
    EXPECT_PIXEL(bare, s.cx / 2, s.cy - 6, skin::Palette().face);
    EXPECT_EQ(SendMessageW(bare, WM_NCHITTEST, 0, MAKELPARAM(r.right - 15, r.top + 12)), HTCLIENT)
        << "no caption buttons";
}

// A window with a menu bar whose items are drawn by the skin.
class MenuBar : public SkinnedWindow {
  protected:
    void SetUp() override {
        SkinnedWindow::SetUp();
        menu = CreateMenu();
        AppendMenuW(menu, MF_STRING, 11, L"&Ab");
        AppendMenuW(menu, MF_STRING, 12, L"&ij");
        dialog = Dialog();
        SetMenu(dialog, menu);
        RedrawWindow(dialog, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        Pump();
    }
    // The item as the skin shows it, and as plain pieces of text would look at its place (menu
    // fonts by character height).
    std::vector<Colour> Shown(const RECT& r) {
        std::vector<Colour> px;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) px.push_back(PixelAt(dialog, x, y));
        return px;
    }
    std::vector<Colour> Expected(const RECT& r, const std::vector<std::pair<std::wstring, int>>& pieces,
                                 int underlined) {
        HDC screen = GetDC(dialog);
        HDC mem = CreateCompatibleDC(screen);
        const int w = r.right - r.left, h = r.bottom - r.top;
        HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
        HGDIOBJ old = SelectObject(mem, bmp);
        HBRUSH face = CreateSolidBrush(skin::Theme().menu[4]);
        RECT all{0, 0, w, h};
        FillRect(mem, &all, face);
        SetBkMode(mem, TRANSPARENT);
        SetTextColor(mem, skin::Theme().menu[6]);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const bool under = static_cast<int>(i) == underlined;
            HFONT f = CreateFontW(under ? -11 : -12, 0, 0, 0, FW_NORMAL, FALSE, under, FALSE, DEFAULT_CHARSET,
                                  0, 0, DEFAULT_QUALITY, 0, L"宋体");
            HGDIOBJ of = SelectObject(mem, f);
            TextOutW(mem, 6 + pieces[i].second, (h - 12) / 2, pieces[i].first.c_str(),
                     static_cast<int>(pieces[i].first.size()));
            SelectObject(mem, of);
            DeleteObject(f);
        }
        std::vector<Colour> px;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) px.push_back(GetPixel(mem, x, y));
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteObject(face);
        DeleteDC(mem);
        ReleaseDC(dialog, screen);
        return px;
    }
    RECT ItemInWindow(int i) {
        const auto rects = skin::MenuBarItemRects(dialog);
        RECT w{};
        GetWindowRect(dialog, &w);
        const PixelRect& p = rects.at(static_cast<std::size_t>(i));
        return {p.left - w.left, p.top - w.top, p.right - w.left, p.bottom - w.top};
    }

    HMENU menu = nullptr;
    HWND dialog = nullptr;
};

TEST_F(MenuBar, ItemsAreOwnerDrawnAndKeepTheirText) {
    ASSERT_EQ(skin::MenuBarItemRects(dialog).size(), 2u);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoW(menu, 0, TRUE, &info));
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
    EXPECT_EQ(info.wID, 11u);
    wchar_t text[16] = {};
    GetMenuStringW(menu, 1, text, 16, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&ij");
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    RECT w{};
    GetWindowRect(dialog, &w);
    EXPECT_EQ(origin.y - w.top, GetSystemMetrics(SM_CYCAPTION) + 1 + GetSystemMetrics(SM_CYMENUSIZE) + 8);
    const RECT item = ItemInWindow(0);
    EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(w.left + item.left + 2, w.top + item.top + 2)),
              HTMENU);
}

TEST_F(MenuBar, UpperCaseMnemonicIsUnderlinedLowerCaseDrawnAsItStands) {
    const RECT upper = ItemInWindow(0), lower = ItemInWindow(1);
    EXPECT_EQ(Shown(upper), Expected(upper, {{L"", 0}, {L"A", 1}, {L"b", 7}}, 1))
        << "the letter underlined in the small font, no ampersand";
    EXPECT_EQ(Shown(lower), Expected(lower, {{L"&ij", 0}}, -1)) << "the text as it stands";
}

TEST_F(FrameBehaviour, NoGdiObjectLeftAfterAThousandFramePaints) {
    auto paint = [this](int i) {
        RedrawWindow(main, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        SendMessageW(main, WM_NCMOUSEMOVE, i % 2 ? HTCLOSE : HTCAPTION, 0);
    };
    for (int i = 0; i < 20; ++i) paint(i);  // the system's DC cache fills first
    Pump();
    const long before = GdiObjectCount();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 1000; ++i) paint(i);
    Pump();
    EXPECT_EQ(GdiObjectCount(), before);
}

}  // namespace
}  // namespace qm::testing
