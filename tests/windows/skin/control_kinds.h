// One control of every kind the skin draws, for the GDI leak checks of the tests and the
// benchmark: how to create it, what to put in it, and a paint round that runs the skin's drawing
// of it (a whole repaint, hover in or out, the deferred redraw). Window thread.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <string>

namespace qm::testing {

inline constexpr wchar_t kColourPickerClass[] = L"Afx:10000000:843:0:10:0";

struct PaintedKind {
    const char* name;
    const wchar_t* cls;
    DWORD style;
    int width, height;
    bool deferred = false;  // redrawn by the skin on its 5 ms timer after the system's slow painting
};

inline constexpr PaintedKind kPaintedKinds[] = {
    {"push button", L"Button", BS_PUSHBUTTON, 80, 26},
    {"check box", L"Button", BS_AUTOCHECKBOX, 100, 20},
    {"radio button", L"Button", BS_AUTORADIOBUTTON, 100, 20},
    {"group box", L"Button", BS_GROUPBOX, 150, 60},
    {"owner-drawn button", L"Button", BS_OWNERDRAW, 120, 22},
    {"edit", L"Edit", ES_AUTOHSCROLL | WS_BORDER, 120, 22},
    {"list box", L"ListBox", WS_VSCROLL | WS_BORDER, 120, 60},
    {"combo box", L"ComboBox", CBS_DROPDOWNLIST, 120, 120, true},
    {"list view", WC_LISTVIEWW, LVS_REPORT | WS_BORDER, 200, 80},
    {"tree view", WC_TREEVIEWW, TVS_HASLINES | WS_BORDER, 150, 80},
    {"toolbar", TOOLBARCLASSNAMEW, TBSTYLE_FLAT | CCS_NORESIZE, 200, 28},
    {"status bar", STATUSCLASSNAMEW, SBARS_SIZEGRIP | CCS_NORESIZE, 200, 22},
    {"tab control", WC_TABCONTROLW, 0, 200, 80},
    {"up-down", UPDOWN_CLASSW, 0, 18, 30},
    {"track bar", TRACKBAR_CLASSW, TBS_AUTOTICKS, 150, 30},
    {"progress bar", PROGRESS_CLASSW, 0, 150, 18},
    {"date picker", DATETIMEPICK_CLASSW, 0, 150, 22, true},
    {"month calendar", MONTHCAL_CLASSW, 0, 220, 160, true},
    {"size box", L"ScrollBar", SBS_SIZEBOXBOTTOMRIGHTALIGN, 16, 16},
    {"colour picker", kColourPickerClass, 0, 120, 80, true},
};

// The common control classes and a stand-in for the form system's colour picker.
inline void RegisterPaintedKinds() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kColourPickerClass;
    RegisterClassW(&wc);
}

// The control with something in it to draw. A list view with a text of its own stays the
// system's, so list views get none.
inline HWND CreatePaintedKind(const PaintedKind& k, HWND parent, int x, int y) {
    const std::wstring cls = k.cls;
    HWND c = CreateWindowExW(0, k.cls, cls == WC_LISTVIEWW ? L"" : L"文字", WS_CHILD | WS_VISIBLE | k.style,
                             x, y, k.width, k.height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!c) return nullptr;
    if (cls == L"ListBox") SendMessageW(c, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"甲"));
    if (cls == L"ComboBox") SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"甲"));
    if (cls == WC_TABCONTROLW) {
        TCITEMW t{};
        t.mask = TCIF_TEXT;
        t.pszText = const_cast<wchar_t*>(L"页");
        SendMessageW(c, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&t));
    }
    if (cls == TOOLBARCLASSNAMEW) {
        SendMessageW(c, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        TBBUTTON b{};
        b.idCommand = 1;
        b.fsState = TBSTATE_ENABLED;
        b.iString = reinterpret_cast<INT_PTR>(L"打开");
        b.iBitmap = I_IMAGENONE;
        SendMessageW(c, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&b));
    }
    if (cls == STATUSCLASSNAMEW) SendMessageW(c, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"就绪"));
    if (cls == PROGRESS_CLASSW) SendMessageW(c, PBM_SETPOS, 40, 0);
    if (cls == WC_LISTVIEWW) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = 100;
        col.pszText = const_cast<wchar_t*>(L"网站");
        SendMessageW(c, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
    }
    return c;
}

// Round i paints the skin's face at least once: a whole repaint (every tenth round only where
// the skin redraws on its timer anyway), hover in or out, and the deferred redraw.
inline void PaintRound(HWND c, const PaintedKind& k, int i) {
    if (!k.deferred || i % 10 == 0)
        RedrawWindow(c, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    SendMessageW(c, i % 2 ? WM_MOUSELEAVE : WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(c, WM_TIMER, reinterpret_cast<WPARAM>(c), 0);
}

}  // namespace qm::testing
