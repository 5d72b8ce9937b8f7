// What the skin's Windows tests share: a skinned main window (a form of class "KXWindow" with a
// label, an empty label and a link) torn down after each test, dialogs built from templates,
// pixels read back through the window DC, and the message pump. Window thread only.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/win32/forms_win.h"
#include "skin/engine_win.h"
#include "skin/frame_win.h"
#include "skin/palette.h"
#include "skin/properties_win.h"
#include "skin/skin_win.h"

namespace qm::testing {

inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pumps for at most ms milliseconds, until done() holds.
template <typename Done>
bool PumpUntil(Done done, DWORD ms = 1000) {
    const DWORD end = GetTickCount() + ms;
    while (!done()) {
        if (static_cast<LONG>(GetTickCount() - end) > 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    return true;
}

// A pixel of the window as painted, in window coordinates.
inline Colour PixelAt(HWND hwnd, int x, int y) {
    HDC dc = GetWindowDC(hwnd);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return static_cast<Colour>(c);
}

inline std::string Rgb(Colour c) {
    return "(" + std::to_string(RedOf(c)) + ", " + std::to_string(GreenOf(c)) + ", " +
           std::to_string(BlueOf(c)) + ")";
}

inline ::testing::AssertionResult Near(Colour actual, Colour expected, int tolerance) {
    const int d =
        std::max({std::abs(RedOf(actual) - RedOf(expected)), std::abs(GreenOf(actual) - GreenOf(expected)),
                  std::abs(BlueOf(actual) - BlueOf(expected))});
    if (d <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected " << Rgb(expected) << " +-" << tolerance << ", got " << Rgb(actual);
}

// A pixel of the window's client area as painted.
inline Colour ClientPixelAt(HWND hwnd, int x, int y) {
    HDC dc = GetDC(hwnd);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return static_cast<Colour>(c);
}

// How many pixels of the rectangle (client coordinates, or window coordinates when whole) have
// exactly this colour.
inline int CountColour(HWND hwnd, RECT r, Colour c, bool whole = false) {
    HDC dc = whole ? GetWindowDC(hwnd) : GetDC(hwnd);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += GetPixel(dc, x, y) == c;
    ReleaseDC(hwnd, dc);
    return n;
}

// The same within a tolerance per channel, for smoothed glyphs.
inline int CountNear(HWND hwnd, RECT r, Colour c, int tolerance) {
    HDC dc = GetDC(hwnd);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += Near(static_cast<Colour>(GetPixel(dc, x, y)), c, tolerance);
    ReleaseDC(hwnd, dc);
    return n;
}

#define EXPECT_PIXEL(hwnd, x, y, colour) \
    EXPECT_EQ(Rgb(PixelAt(hwnd, x, y)), Rgb(colour)) << "at (" << (x) << ", " << (y) << ")"

inline SIZE WindowSize(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

inline bool InRegion(HWND hwnd, int x, int y) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const bool has = GetWindowRgn(hwnd, rgn) != ERROR;
    const bool in = has && PtInRegion(rgn, x, y);
    DeleteObject(rgn);
    return in;
}

// Caption band height of a window with a normal caption: C + the dialog frame.
inline int CaptionBand() {
    return GetSystemMetrics(SM_CYCAPTION) + 1 + GetSystemMetrics(SM_CYDLGFRAME);
}

// Gives a frame its active or inactive look now. Tests run side by side on one display, so the
// system's own activation is not theirs to count on.
inline void ShowAsActive(HWND hwnd, bool active) {
    SendMessageW(hwnd, WM_NCACTIVATE, active, 0);
}

inline std::intptr_t Prop(HWND hwnd, skin::Prop p) {
    return skin::ReadProp(hwnd, p);
}

// A modeless dialog from an in-memory template: style and extended style, no controls.
inline HWND MakeDialog(DWORD style, DWORD exStyle, int cx = 200, int cy = 100, HWND owner = nullptr) {
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
    d->style = style;
    d->dwExtendedStyle = exStyle;
    d->cx = static_cast<short>(cx);
    d->cy = static_cast<short>(cy);
    return CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), d, owner, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
}

inline constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE;

// A skinned main window for each test; destroying it tears the skin down.
class SkinnedWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        FormDef def;
        def.name = "测试主窗口";
        def.caption = "T";
        def.left = 40, def.top = 40, def.width = 420, def.height = 300;
        def.controls.push_back(Label("标签", 10, 10, 120, 20, "文字"));
        def.controls.push_back(Label("空标签", 10, 40, 120, 40, ""));
        ControlDef link = Label("链接", 10, 90, 120, 20, "链接文字");
        link.kind = ControlKind::HyperLink;
        def.controls.push_back(link);
        Define(def);
        form = LoadForm(def, {}, nullptr, false);
        ASSERT_NE(form, nullptr);
        main = FormWindow(*form);
        InstallSkin(main, 6);
        ShowWindow(main, SW_SHOWNORMAL);
        UpdateWindow(main);
        Pump();
    }
    void TearDown() override {
        for (HWND w : extra)
            if (IsWindow(w)) DestroyWindow(w);
        if (IsWindow(main)) DestroyWindow(main);
        Pump();
        EXPECT_FALSE(skin::SkinInstalled()) << "the main window's destruction tears the skin down";
    }
    static ControlDef Label(const char* name, int x, int y, int w, int h, const char* caption) {
        ControlDef c;
        c.name = name;
        c.kind = ControlKind::Label;
        c.left = x, c.top = y, c.width = w, c.height = h;
        c.caption = caption;
        return c;
    }
    // What a test adds to the main window's definition.
    virtual void Define(FormDef&) {}
    // A child control of the main window (or of parent), skinned by the hook as it is created.
    HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
               HWND parent = nullptr, int id = 0) {
        HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                 parent ? parent : main, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
        extra.push_back(c);
        return c;
    }
    HWND Dialog(DWORD style = kDialogStyle, DWORD exStyle = 0) {
        HWND d = MakeDialog(style, exStyle, 200, 100, main);
        extra.push_back(d);
        UpdateWindow(d);
        Pump();
        return d;
    }

    Form* form = nullptr;
    HWND main = nullptr;
    std::vector<HWND> extra;
};

}  // namespace qm::testing
