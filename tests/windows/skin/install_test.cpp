// The skin's spine, tested the Wine way with message logs: the hook skins a window before its
// WM_CREATE reaches it and sends nothing to windows it does not skin; message boxes come up
// skinned; a second installation changes nothing; after the main window is gone nothing is
// skinned. Also the static texts, containers, the recolouring pass and the colour routing.
#include <vector>

#include "skin/paint_win.h"
#include "skin_test_support.h"

namespace qm::testing {
namespace {

const SkinPalette& P() {
    return skin::Palette();
}

// A window class of the form system's own controls ("b:10011:1900015:0" in its name) that logs
// its messages and paints itself in the system's button face with a black square.
std::vector<UINT> g_log;
bool g_skinnedAtCreate = false;
constexpr wchar_t kProbeClass[] = L"Probe b:10011:1900015:0 control";
constexpr wchar_t kPlainClass[] = L"Probe plain control";

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    g_log.push_back(msg);
    if (msg == WM_CREATE)
        g_skinnedAtCreate =
            skin::ReadProp(hwnd, skin::Prop::SavedProcedure) == reinterpret_cast<std::intptr_t>(ProbeProc) &&
            GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(ProbeProc);
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r{};
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        RECT square{2, 2, 6, 6};
        FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void RegisterProbes() {
    for (const wchar_t* name : {kProbeClass, kPlainClass}) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ProbeProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = name;
        RegisterClassW(&wc);
    }
}

std::vector<UINT> UpTo(const std::vector<UINT>& log, UINT last) {
    std::vector<UINT> out;
    for (UINT m : log) {
        out.push_back(m);
        if (m == last) break;
    }
    return out;
}

class Install : public SkinnedWindow {
  protected:
    HWND Probe(const wchar_t* cls, const wchar_t* text) {
        RegisterProbes();
        g_log.clear();
        g_skinnedAtCreate = false;
        HWND w = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE, 200, 10, 40, 30, main, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        extra.push_back(w);
        return w;
    }
};

TEST_F(Install, HookSkinsAWindowBeforeItsCreationMessage) {
    HWND probe = Probe(kProbeClass, L"text");
    ASSERT_NE(probe, nullptr);
    EXPECT_TRUE(g_skinnedAtCreate) << "WM_CREATE arrived through the skin's procedure";
    // The dispatch reads the text length (the table row needs it) before WM_CREATE, nothing else.
    EXPECT_EQ(UpTo(g_log, WM_CREATE),
              (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_GETTEXTLENGTH, WM_CREATE}));

    HWND plain = Probe(kPlainClass, L"text");
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(g_skinnedAtCreate);
    EXPECT_EQ(UpTo(g_log, WM_CREATE), (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE}))
        << "a class the table does not name gets no message from the skin";
    EXPECT_EQ(Prop(plain, skin::Prop::SavedProcedure), 0);
}

TEST_F(Install, HelperWindowsAndUnskinnedClassesAreLeftAlone) {
    HWND messageOnly = CreateWindowExW(0, L"#32770", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(messageOnly, nullptr);
    extra.push_back(messageOnly);
    EXPECT_EQ(Prop(messageOnly, skin::Prop::SavedProcedure), 0);
    // An edit inside a combo box is held until its creation, then given back its own procedure.
    HWND combo = CreateWindowExW(0, L"ComboBox", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 200, 50, 100, 80,
                                 main, nullptr, GetModuleHandleW(nullptr), nullptr);
    extra.push_back(combo);
    HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Prop(edit, skin::Prop::SavedProcedure), 0);
    SetWindowTextW(combo, L"abc");
    wchar_t text[8] = {};
    GetWindowTextW(edit, text, 8);
    EXPECT_STREQ(text, L"abc");
}

TEST_F(Install, SecondInstallationChangesNothing) {
    const LONG_PTR proc = GetWindowLongPtrW(main, GWLP_WNDPROC);
    const HBRUSH face = skin::FaceBrush();
    HWND label = ControlWindow(*form, "标签");
    const std::intptr_t saved = Prop(label, skin::Prop::SavedProcedure);
    HWND other = Dialog();
    const LONG_PTR otherProc = GetWindowLongPtrW(other, GWLP_WNDPROC);
    InstallSkin(main, 6);
    InstallSkin(other, 6);
    EXPECT_EQ(GetWindowLongPtrW(main, GWLP_WNDPROC), proc);
    EXPECT_EQ(GetWindowLongPtrW(other, GWLP_WNDPROC), otherProc);
    EXPECT_EQ(skin::FaceBrush(), face);
    EXPECT_EQ(skin::SkinMainWindow(), main);
    EXPECT_EQ(Prop(label, skin::Prop::SavedProcedure), saved);
}

TEST_F(Install, AfterTheMainWindowIsDestroyedNothingIsSkinned) {
    const HBRUSH face = skin::FaceBrush();
    ASSERT_NE(face, nullptr);
    DestroyWindow(main);
    EXPECT_FALSE(skin::SkinInstalled());
    EXPECT_EQ(skin::FaceBrush(), nullptr);
    EXPECT_EQ(GetObjectType(face), 0u) << "the shared brush was deleted";
    HWND later = MakeDialog(kDialogStyle, 0);
    extra.push_back(later);
    EXPECT_EQ(Prop(later, skin::Prop::SavedProcedure), 0);
}

// Checks a message box from inside its own modal loop, then closes it.
struct BoxCheck {
    bool seen = false, framed = false, active = false, textSkinned = false;
    Colour outline = 0, textBackground = 0;
};
BoxCheck g_box;

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

void CALLBACK InspectBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    KillTimer(nullptr, id);
    g_box.seen = true;
    g_box.framed =
        skin::ReadProp(box, skin::Prop::Caption) == 1 && skin::ReadProp(box, skin::Prop::SavedProcedure) != 0;
    g_box.active = skin::ReadProp(box, skin::Prop::Active) != 0;
    g_box.outline = PixelAt(box, 0, WindowSize(box).cy / 2);
    HWND text = GetDlgItem(box, 0xFFFF);
    g_box.textSkinned = text && skin::ReadProp(text, skin::Prop::SavedProcedure) != 0;
    if (text) {
        RECT r{};
        GetClientRect(text, &r);
        HDC dc = GetDC(text);
        g_box.textBackground = GetPixel(dc, r.right - 1, r.bottom - 1);
        ReleaseDC(text, dc);
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(Install, MessageBoxComesUpWithTheSkinnedFrame) {
    g_box = {};
    SetTimer(nullptr, 0, 100, InspectBox);
    MessageBoxW(main, L"一条消息", L"提示", MB_OK | MB_TASKMODAL);
    ASSERT_TRUE(g_box.seen);
    EXPECT_TRUE(g_box.framed);
    EXPECT_EQ(Rgb(g_box.outline), Rgb(g_box.active ? P().borderDark : P().captionBottom[3]));
    EXPECT_TRUE(g_box.textSkinned);
    EXPECT_EQ(Rgb(g_box.textBackground), Rgb(P().face));
}

TEST_F(Install, StaticTextsAndContainersShowFace) {
    HWND label = ControlWindow(*form, "标签");
    HWND empty = ControlWindow(*form, "空标签");
    EXPECT_NE(Prop(label, skin::Prop::SavedProcedure), 0);
    EXPECT_NE(Prop(empty, skin::Prop::SavedProcedure), 0);
    HDC dc = GetDC(label);
    EXPECT_EQ(Rgb(GetPixel(dc, 118, 18)), Rgb(P().face));
    ReleaseDC(label, dc);
    // A container with a sunken edge: an outer ring of Face, a Border line around the client area.
    SetWindowLongPtrW(empty, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    SetWindowPos(empty, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    RedrawWindow(empty, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_PIXEL(empty, 0, 0, P().face);
    EXPECT_PIXEL(empty, 0, 20, P().face);
    EXPECT_PIXEL(empty, 1, 20, P().border);
    EXPECT_PIXEL(empty, 60, 1, P().border);
}

TEST_F(Install, RecolouringTurnsTheSystemFaceIntoFaceUnlessManual) {
    HWND probe = Probe(kProbeClass, L"text");
    UpdateWindow(probe);
    HDC dc = GetDC(probe);
    EXPECT_EQ(Rgb(GetPixel(dc, 20, 20)), Rgb(P().face));
    EXPECT_EQ(Rgb(GetPixel(dc, 3, 3)), Rgb(MakeColour(0, 0, 0))) << "the control's own pixels stay";
    skin::WriteProp(probe, skin::Prop::ManualSkin, 1);
    RedrawWindow(probe, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Rgb(GetPixel(dc, 20, 20)), Rgb(static_cast<Colour>(GetSysColor(COLOR_BTNFACE))));
    ReleaseDC(probe, dc);
    SetManualSkin(*form, "标签");
    EXPECT_EQ(Prop(ControlWindow(*form, "标签"), skin::Prop::ManualSkin), 1);
}

TEST_F(Install, ChildColourRequestsGetThePalette) {
    HDC dc = CreateCompatibleDC(nullptr);
    HWND label = ControlWindow(*form, "标签");
    auto ask = [&](UINT msg, HWND child) {
        SetTextColor(dc, 0);
        return reinterpret_cast<HBRUSH>(
            SendMessageW(main, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child)));
    };
    EXPECT_EQ(ask(WM_CTLCOLORSTATIC, label), skin::FaceBrush());
    EXPECT_EQ(GetTextColor(dc), P().text);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EnableWindow(label, FALSE);
    ask(WM_CTLCOLORSTATIC, label);
    EXPECT_EQ(GetTextColor(dc), P().buttonBottom[3]) << "disabled text is grey";
    EnableWindow(label, TRUE);
    ask(WM_CTLCOLORSTATIC, ControlWindow(*form, "链接"));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255)) << "the link keeps the colour its form gives it";
    EXPECT_EQ(ask(WM_CTLCOLOREDIT, label), skin::FaceLightBrush());
    EXPECT_EQ(GetTextColor(dc), P().text);
    EXPECT_EQ(ask(WM_CTLCOLORBTN, label), skin::FaceBrush());
    DeleteDC(dc);
    // The colour picker's own messages are passed on to it.
    HWND picker = Probe(kPlainClass, L"");
    skin::WriteProp(main, skin::Prop::ColourPicker, reinterpret_cast<std::intptr_t>(picker));
    g_log.clear();
    SendMessageW(main, WM_APP + 1002, 7, 9);
    EXPECT_EQ(g_log, std::vector<UINT>{WM_APP + 1002});
}

TEST(SkinPaint, ArrowGlyphsWithoutTheirSymbolFont) {
    EXPECT_FALSE(skin::FontInstalled(L"Wingdings 3")) << "Wine has none; the shapes are drawn with GDI";
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(20, 20, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    const RECT box{0, 0, 20, 20};
    auto cleared = [&] { skin::FillColour(dc, box, kWhite); };
    cleared();
    skin::DrawArrowGlyph(dc, box, 0, 12, MakeColour(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 10, 10), 0u) << "centre";
    EXPECT_EQ(GetPixel(dc, 10, 8), 0u) << "the tip points up";
    EXPECT_EQ(GetPixel(dc, 13, 8), kWhite);
    EXPECT_EQ(GetPixel(dc, 12, 11), 0u) << "the base is wide";
    cleared();
    skin::DrawArrowGlyph(dc, box, 65, 12, MakeColour(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 12, 10), 0u) << "the tip points right";
    EXPECT_EQ(GetPixel(dc, 9, 12), 0u);
    EXPECT_EQ(GetPixel(dc, 12, 13), kWhite);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

}  // namespace
}  // namespace qm::testing
