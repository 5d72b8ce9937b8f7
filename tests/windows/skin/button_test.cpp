// The button family as painted and as it answers: push buttons hot, pushed (text one pixel
// further) and disabled; a message box's default button with its extra lines and the focus;
// check boxes with the box on either side, whose check agrees with BM_SETCHECK from elsewhere;
// radio buttons chosen across WS_GROUP with a disabled checked one keeping its grey dot; group
// boxes with and without a caption.
#include "skin_test_support.h"

namespace qm::testing {
namespace {

const SkinPalette& P() {
    return skin::Palette();
}

class Buttons : public SkinnedWindow {};

SIZE ClientSize(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
}

// The leftmost column and the top row holding a dark (text) pixel.
POINT TextOrigin(HWND hwnd) {
    const SIZE s = ClientSize(hwnd);
    HDC dc = GetDC(hwnd);
    POINT o{s.cx, s.cy};
    for (int y = 2; y < s.cy - 2; ++y)
        for (int x = 3; x < s.cx - 3; ++x) {
            const Colour c = static_cast<Colour>(GetPixel(dc, x, y));
            if (RedOf(c) < 80 && GreenOf(c) < 80 && BlueOf(c) < 80)
                o = {std::min(o.x, LONG{x}), std::min(o.y, LONG{y})};
        }
    ReleaseDC(hwnd, dc);
    return o;
}

TEST_F(Buttons, PushButtonIsOwnerDrawnAndKeepsItsOtherStyleBits) {
    HWND b = Child(L"Button", L"确定", BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP, 150, 10, 80, 26);
    const LONG_PTR style = GetWindowLongPtrW(b, GWL_STYLE);
    EXPECT_EQ(style & 15, BS_OWNERDRAW);
    EXPECT_TRUE((style & BS_NOTIFY) && (style & WS_TABSTOP) && (style & WS_VISIBLE));
    EXPECT_EQ(Prop(b, skin::Prop::ButtonKind), 0);
    EXPECT_EQ(Prop(b, skin::Prop::DefaultButton), 0);
    // A dialog that makes it its default marks it so; it stays owner-drawn.
    EXPECT_EQ(SendMessageW(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    SendMessageW(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(GetWindowLongPtrW(b, GWL_STYLE) & 15, BS_OWNERDRAW);
    EXPECT_EQ(Prop(b, skin::Prop::DefaultButton), 1);
    EXPECT_EQ(SendMessageW(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    SendMessageW(b, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_EQ(Prop(b, skin::Prop::DefaultButton), 0);
}

TEST_F(Buttons, PushButtonHotPushedAndDisabledFaces) {
    HWND b = Child(L"Button", L"确定", BS_PUSHBUTTON, 150, 10, 80, 26);
    const SIZE s = ClientSize(b);
    UpdateWindow(b);
    auto expectFace = [&](int i, const char* what) {
        EXPECT_TRUE(Near(ClientPixelAt(b, 4, 1), P().buttonTop[static_cast<std::size_t>(i)], 3)) << what;
        // The last row of a gradient stops one step short of its end colour.
        EXPECT_TRUE(Near(ClientPixelAt(b, 4, s.cy - 2), P().buttonBottom[static_cast<std::size_t>(i)], 8))
            << what;
    };
    expectFace(kFaceNormal, "normal");
    EXPECT_PIXEL(b, s.cx / 2, 0, P().buttonOutline);
    const POINT normalText = TextOrigin(b);

    SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Prop(b, skin::Prop::MouseOver), 1);
    expectFace(kFaceHot, "hot: the yellowish face");
    SendMessageW(b, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Prop(b, skin::Prop::MouseOver), 0);
    expectFace(kFaceNormal, "left again");

    SetFocus(b);
    SendMessageW(b, BM_SETSTATE, TRUE, 0);  // the system's pushed state, as while the mouse is down
    expectFace(kFacePushed, "pushed");
    const POINT pushedText = TextOrigin(b);
    EXPECT_EQ(pushedText.x, normalText.x + 1) << "the text moves one pixel right";
    EXPECT_EQ(pushedText.y, normalText.y + 1) << "and one down";
    SendMessageW(b, BM_SETSTATE, FALSE, 0);
    EXPECT_EQ(Prop(b, skin::Prop::Focus), 1);
    EXPECT_PIXEL(b, 2, s.cy / 2, P().border) << "the focus frame";

    EnableWindow(b, FALSE);
    UpdateWindow(b);
    expectFace(kFaceDisabled, "disabled");
    EXPECT_PIXEL(b, s.cx / 2, 0, P().buttonBottom[kFaceDisabled]) << "grey outline";
}

TEST_F(Buttons, ADestroyedHotButtonLeavesTheNextOneFreeToTurnHot) {
    HWND first = Child(L"Button", L"甲", BS_PUSHBUTTON, 150, 10, 80, 26);
    HWND second = Child(L"Button", L"乙", BS_PUSHBUTTON, 150, 40, 80, 26);
    SendMessageW(first, WM_MOUSEMOVE, 0, 0);
    DestroyWindow(first);  // as a message box's button that closes its box
    SendMessageW(second, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(Prop(second, skin::Prop::MouseOver), 1);
    EXPECT_TRUE(Near(ClientPixelAt(second, 4, 1), P().buttonTop[kFaceHot], 3));
}

// Checks a message box's buttons from inside its modal loop, then closes it.
struct BoxButtons {
    bool seen = false, okDefault = false, okFocused = false, cancelDefault = true;
    Colour okRight = 0, okBottom = 0, okFocusFrame = 0, cancelRight = 0;
};
BoxButtons g_buttons;

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

void CALLBACK InspectButtons(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    KillTimer(nullptr, id);
    HWND ok = GetDlgItem(box, IDOK), cancel = GetDlgItem(box, IDCANCEL);
    g_buttons.seen = ok && cancel;
    if (!g_buttons.seen) return;
    // Another test's window may have taken the activation; given back, the box returns the focus to
    // the control that had it.
    SetForegroundWindow(box);
    SetActiveWindow(box);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    g_buttons.okDefault = skin::ReadProp(ok, skin::Prop::DefaultButton) == 1;
    g_buttons.okFocused = GetFocus() == ok && skin::ReadProp(ok, skin::Prop::Focus) == 1;
    g_buttons.cancelDefault = skin::ReadProp(cancel, skin::Prop::DefaultButton) == 1;
    const SIZE s = ClientSize(ok);
    g_buttons.okRight = ClientPixelAt(ok, s.cx - 2, s.cy / 2);
    g_buttons.okBottom = ClientPixelAt(ok, s.cx / 2 + 20, s.cy - 2);
    g_buttons.okFocusFrame = ClientPixelAt(ok, 2, s.cy / 2);
    g_buttons.cancelRight = ClientPixelAt(cancel, s.cx - 2, s.cy / 2);
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(Buttons, MessageBoxDefaultButtonHasItsLinesAndTheFocus) {
    g_buttons = {};
    SetTimer(nullptr, 0, 100, InspectButtons);
    MessageBoxW(main, L"继续吗？", L"提示", MB_OKCANCEL | MB_TASKMODAL);
    ASSERT_TRUE(g_buttons.seen);
    EXPECT_TRUE(g_buttons.okDefault);
    EXPECT_TRUE(g_buttons.okFocused) << "the default button has the focus when the box opens";
    EXPECT_FALSE(g_buttons.cancelDefault);
    EXPECT_EQ(Rgb(g_buttons.okRight), Rgb(P().border)) << "the extra line at the right";
    EXPECT_EQ(Rgb(g_buttons.okBottom), Rgb(P().border)) << "and at the bottom";
    EXPECT_EQ(Rgb(g_buttons.okFocusFrame), Rgb(P().border)) << "the focus frame";
    EXPECT_NE(Rgb(g_buttons.cancelRight), Rgb(P().border));
}

// Glyphs are drawn smoothed: their pixels lie near the colour, few exactly on it.
int CountIn(HWND hwnd, int left, int right, Colour c, int tolerance = 0) {
    const SIZE s = ClientSize(hwnd);
    return CountNear(hwnd, RECT{left, 0, right, s.cy}, c, tolerance);
}

TEST_F(Buttons, CheckBoxWithLeftTextHasItsBoxOnTheRight) {
    HWND left = Child(L"Button", L"记住", BS_AUTOCHECKBOX, 10, 130, 100, 20);
    HWND right = Child(L"Button", L"记住", BS_AUTOCHECKBOX | BS_LEFTTEXT, 10, 160, 100, 20);
    for (HWND c : {left, right}) {
        EXPECT_EQ(GetWindowLongPtrW(c, GWL_STYLE) & 15, BS_OWNERDRAW);
        EXPECT_EQ(Prop(c, skin::Prop::ButtonKind), 1);
        UpdateWindow(c);
    }
    EXPECT_GT(CountIn(left, 0, 14, P().border), 10);
    EXPECT_EQ(CountIn(left, 86, 100, P().border), 0);
    EXPECT_GT(CountIn(right, 86, 100, P().border), 10) << "the box on the right";
    EXPECT_EQ(CountIn(right, 0, 14, P().border), 0);
}

TEST_F(Buttons, CheckAgreesWithSetCheckFromElsewhereClicksAndSpace) {
    HWND c = Child(L"Button", L"记住", BS_AUTOCHECKBOX, 10, 130, 100, 20, nullptr, 41);
    UpdateWindow(c);
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(CountIn(c, 0, 16, P().accent, 40), 0);
    SendMessageW(c, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED) << "the program reads back what it set";
    EXPECT_EQ(IsDlgButtonChecked(main, 41), BST_CHECKED);
    EXPECT_GT(CountIn(c, 0, 16, P().accent, 40), 5) << "the check mark";
    SendMessageW(c, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(CountIn(c, 0, 16, P().accent, 40), 0);
    SendMessageW(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(c, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED) << "a click toggles";
    SendMessageW(c, WM_CHAR, L' ', 0);
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "so does the space bar";
}

// A window that exists before the skin is installed is skinned by the installation walk: a check
// box checked by then keeps its check.
TEST(ButtonsBeforeTheSkin, ACheckBoxAlreadyCheckedStaysChecked) {
    HWND main = MakeDialog(kDialogStyle, 0);
    ASSERT_NE(main, nullptr);
    HWND c = CreateWindowExW(0, L"Button", L"记住", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 10, 100, 20,
                             main, reinterpret_cast<HMENU>(INT_PTR{42}), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, BM_SETCHECK, BST_CHECKED, 0);
    InstallSkin(main, 6);
    RedrawWindow(c, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(GetWindowLongPtrW(c, GWL_STYLE) & 15, BS_OWNERDRAW);
    EXPECT_EQ(Prop(c, skin::Prop::Checked), 1);
    EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_GT(CountIn(c, 0, 16, P().accent, 40), 5) << "the check mark";
    DestroyWindow(main);
    EXPECT_FALSE(skin::SkinInstalled());
}

TEST_F(Buttons, RadioChoiceClearsTheParentsOthersAcrossGroupsButNotADisabledCheckedOne) {
    HWND r1 = Child(L"Button", L"甲", BS_AUTORADIOBUTTON | WS_GROUP, 10, 130, 80, 20);
    HWND r2 = Child(L"Button", L"乙", BS_AUTORADIOBUTTON, 10, 150, 80, 20);
    HWND r3 = Child(L"Button", L"丙", BS_AUTORADIOBUTTON | WS_GROUP, 10, 170, 80, 20);
    HWND r4 = Child(L"Button", L"丁", BS_AUTORADIOBUTTON, 10, 190, 80, 20);
    SendMessageW(r4, BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(r4, FALSE);
    UpdateWindow(r4);
    EXPECT_EQ(Prop(r4, skin::Prop::Checked), 3) << "drawn checked and disabled";
    EXPECT_GT(CountIn(r4, 0, 14, P().buttonBottom[kFaceDisabled], 24), 0) << "a grey dot";
    EXPECT_EQ(CountIn(r4, 0, 14, P().accent, 40), 0);
    auto click = [](HWND r) {
        SendMessageW(r, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(r, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    };
    click(r1);
    EXPECT_EQ(SendMessageW(r1, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_GT(CountIn(r1, 0, 14, P().accent, 40), 0) << "the blue dot";
    click(r3);
    EXPECT_EQ(SendMessageW(r1, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "cleared across WS_GROUP";
    EXPECT_EQ(CountIn(r1, 0, 14, P().accent, 40), 0);
    EXPECT_EQ(SendMessageW(r2, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(r3, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(r4, BM_GETCHECK, 0, 0), BST_CHECKED) << "the disabled checked one keeps its mark";
    RedrawWindow(r4, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_GT(CountIn(r4, 0, 14, P().buttonBottom[kFaceDisabled], 24), 0) << "and its grey dot";
    SendMessageW(r2, WM_CHAR, L' ', 0);
    EXPECT_EQ(SendMessageW(r2, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(r3, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Buttons, GroupBoxFrameIsUnbrokenWithoutACaption) {
    HWND empty = Child(L"Button", L"", BS_GROUPBOX, 150, 130, 160, 60);
    HWND titled = Child(L"Button", L"添加新站", BS_GROUPBOX, 150, 200, 160, 60);
    UpdateWindow(empty);
    UpdateWindow(titled);
    HDC dc = GetDC(empty);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);  // no font set: the system font, as the drawing takes it
    ReleaseDC(empty, dc);
    const int row = tm.tmHeight / 2;
    EXPECT_EQ(CountColour(empty, RECT{3, row, 157, row + 1}, P().border), 154) << "unbroken";
    EXPECT_EQ(CountColour(titled, RECT{3, row, 6, row + 1}, P().border), 3);
    EXPECT_EQ(CountColour(titled, RECT{8, row, 40, row + 1}, P().border), 0) << "the caption hides the line";
    EXPECT_PIXEL(empty, 80, 30, P().face);
    EXPECT_EQ(Prop(titled, skin::Prop::ButtonKind), 3);
}

}  // namespace
}  // namespace qm::testing
