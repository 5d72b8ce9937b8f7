// The button family's procedures and installers: see buttons_win.h and drawers_win.h. Push
// buttons, check boxes, radio buttons and owner-drawn buttons become owner-drawn, so the system
// asks their parent to draw them; their own procedures keep the state properties and draw them
// directly when the mouse enters or leaves. Group boxes are drawn after their own painting.
#include "skin/buttons_win.h"

#include "platform/win32/handles.h"
#include "skin/containers_win.h"
#include "skin/control_geometry.h"
#include "skin/drawers_win.h"
#include "skin/engine_win.h"
#include "skin/properties_win.h"

namespace qm::skin {

namespace {

enum ButtonKind { kPushKind = 0, kCheckKind = 1, kRadioKind = 2, kGroupKind = 3, kOwnerKind = 4 };
constexpr UINT kOwnerRefresh = 0xBC19;  // the form system asks its owner-drawn button to redraw
constexpr UINT kOwnerRefreshMs = 5;

// At most one push button and one owner-drawn button are drawn hot at a time.
bool g_pushButtonHot = false;
bool g_ownerButtonHot = false;
bool g_drawingOwnerButton = false;  // its drawing reads its text, which would draw it again

void SetOwnerDrawType(HWND hwnd) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    SetWindowLongPtrW(hwnd, GWL_STYLE, (style & ~LONG_PTR{15}) | BS_OWNERDRAW);
}

// Asked of the button itself: a dialog may hold several controls of one identifier.
bool IsChecked(HWND hwnd) {
    return SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TrackFocus(HWND hwnd, UINT msg) {
    if (msg == WM_SETFOCUS) WriteProp(hwnd, Prop::Focus, 1);
    if (msg == WM_KILLFOCUS) WriteProp(hwnd, Prop::Focus, 0);
}

void DrawPushNow(HWND hwnd, unsigned state) {
    DrawNow(hwnd, state, DrawPushButton);
}

LRESULT CALLBACK PushButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TrackFocus(hwnd, msg);
    switch (msg) {
        case WM_MOUSEMOVE:
            EnterHot(hwnd, g_pushButtonHot, DrawPushNow);
            break;
        case WM_MOUSELEAVE:
            LeaveHot(hwnd, g_pushButtonHot, DrawPushNow);
            break;
        case WM_DESTROY:
            ForgetHot(hwnd, g_pushButtonHot);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            WriteProp(hwnd, Prop::MouseDown, 1);
            break;
        case WM_LBUTTONUP:
            WriteProp(hwnd, Prop::MouseDown, 0);
            break;
        case WM_GETDLGCODE:
            // Answered as a push button, so the dialog manager tells it when it becomes the
            // dialog's default (a message box on Wine makes its default after creating it).
            return DLGC_BUTTON |
                   (ReadProp(hwnd, Prop::DefaultButton) == 1 ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
        case BM_SETSTYLE:
            // The default mark moves with the dialog's default; the button stays owner-drawn.
            WriteProp(hwnd, Prop::DefaultButton, (wp & 15) == BS_DEFPUSHBUTTON);
            wp = (wp & ~WPARAM{15}) | BS_OWNERDRAW;
            break;
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// Check boxes and radio buttons keep their check in "Easy.选中": an owner-drawn button holds none.
LRESULT AnswerCheck(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, void (*draw)(const DRAWITEMSTRUCT&)) {
    if (msg == BM_GETCHECK) return ReadProp(hwnd, Prop::Checked) != 0 ? BST_CHECKED : BST_UNCHECKED;
    // BM_SETCHECK: whoever sends it, the stored check follows, so reading it back agrees.
    WriteProp(hwnd, Prop::Checked, wp != BST_UNCHECKED ? 1 : 0);
    const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
    DrawNow(hwnd, kItemNormal, draw);
    return r;
}

void ToggleCheck(HWND hwnd) {
    SendMessageW(hwnd, BM_SETCHECK, ReadProp(hwnd, Prop::Checked) == 1 ? BST_UNCHECKED : BST_CHECKED, 0);
}

bool IsPress(UINT msg, WPARAM wp) {
    return msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK || (msg == WM_CHAR && wp == L' ');
}

LRESULT CALLBACK CheckBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TrackFocus(hwnd, msg);
    if (msg == BM_GETCHECK || msg == BM_SETCHECK) return AnswerCheck(hwnd, msg, wp, lp, DrawCheckBox);
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) WriteProp(hwnd, Prop::MouseDown, 1);
    if (msg == WM_LBUTTONUP) WriteProp(hwnd, Prop::MouseDown, 0);
    if (IsPress(msg, wp)) ToggleCheck(hwnd);
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

bool IsRadioButton(HWND hwnd) {
    wchar_t cls[8] = {};
    GetClassNameW(hwnd, cls, 8);
    return lstrcmpiW(cls, L"Button") == 0 && ReadProp(hwnd, Prop::ButtonKind) == kRadioKind;
}

// Every radio button of the parent is one group, whatever WS_GROUP says; a disabled checked one
// (marked 3) keeps its dot.
void ChooseRadio(HWND chosen) {
    HWND parent = GetParent(chosen);
    for (HWND s = GetWindow(parent, GW_CHILD); s; s = GetWindow(s, GW_HWNDNEXT)) {
        if (s == chosen || !IsRadioButton(s) || ReadProp(s, Prop::Checked) >= 2) continue;
        if (IsWindowEnabled(s))
            SendMessageW(s, BM_SETCHECK, BST_UNCHECKED, 0);
        else
            WriteProp(s, Prop::Checked, 0);
    }
    SendMessageW(chosen, BM_SETCHECK, BST_CHECKED, 0);
}

LRESULT CALLBACK RadioButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TrackFocus(hwnd, msg);
    if (msg == BM_GETCHECK || msg == BM_SETCHECK) return AnswerCheck(hwnd, msg, wp, lp, DrawRadioButton);
    if (IsPress(msg, wp)) ChooseRadio(hwnd);
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

void DrawGroupNow(HWND hwnd) {
    WindowDC dc(hwnd);
    if (dc) DrawGroupBox(EngineRecord(hwnd, dc.get(), kItemNormal));
}

LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
        DrawGroupNow(hwnd);
        return r;
    }
    return RouteOrForward(hwnd, msg, wp, lp);
}

void DrawOwnerNow(HWND hwnd, unsigned state) {
    if (g_drawingOwnerButton) return;
    g_drawingOwnerButton = true;
    DrawNow(hwnd, state, DrawOwnerButton);
    g_drawingOwnerButton = false;
}

LRESULT CALLBACK OwnerButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TrackFocus(hwnd, msg);
    switch (msg) {
        case WM_MOUSEMOVE:
            EnterHot(hwnd, g_ownerButtonHot, DrawOwnerNow);
            break;
        case WM_LBUTTONDOWN:
            WriteProp(hwnd, Prop::MouseDown, 1);
            DrawOwnerNow(hwnd, kItemPushed);
            break;
        case WM_LBUTTONUP:
        case WM_MOUSELEAVE:
            WriteProp(hwnd, msg == WM_LBUTTONUP ? Prop::MouseDown : Prop::MouseOver, 0);
            DrawOwnerNow(hwnd, kItemNormal);
            g_ownerButtonHot = false;
            break;
        case WM_DESTROY:
            ForgetHot(hwnd, g_ownerButtonHot);
            break;
        case kOwnerRefresh:
            SetTimer(hwnd, reinterpret_cast<UINT_PTR>(hwnd), kOwnerRefreshMs, nullptr);
            break;
        case WM_TIMER:
            if (wp != reinterpret_cast<UINT_PTR>(hwnd)) break;
            KillTimer(hwnd, wp);
            DrawOwnerNow(hwnd, kItemNormal);
            return 0;
        case WM_GETTEXT: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            DrawOwnerNow(hwnd, kItemNormal);
            return r;
        }
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// A button is made owner-drawn only where its parent draws it: a parent outside the skin would
// leave it blank.
bool ParentDrawsButtons(HWND hwnd) {
    return ReadProp(GetParent(hwnd), Prop::SavedProcedure) != 0;
}

void InstallCheckLike(HWND hwnd, int kind, WNDPROC proc) {
    if (!ParentDrawsButtons(hwnd)) return;
    const bool checked = IsChecked(hwnd);
    if (!Subclass(hwnd, proc)) return;
    WriteProp(hwnd, Prop::ButtonKind, kind);
    WriteProp(hwnd, Prop::Checked, checked);
    SetOwnerDrawType(hwnd);
}

}  // namespace

void EnterHot(HWND hwnd, bool& hotFlag, void (*draw)(HWND, unsigned)) {
    RequestMouseLeave(hwnd);
    if (hotFlag) return;
    WriteProp(hwnd, Prop::MouseOver, 1);
    draw(hwnd, kItemHot);
    hotFlag = true;
}

void ForgetHot(HWND hwnd, bool& hotFlag) {
    if (ReadProp(hwnd, Prop::MouseOver) == 1) hotFlag = false;
}

void LeaveHot(HWND hwnd, bool& hotFlag, void (*draw)(HWND, unsigned)) {
    WriteProp(hwnd, Prop::MouseOver, 0);
    draw(hwnd, kItemNormal);
    hotFlag = false;
}

void InstallPushButton(HWND hwnd) {
    if (!ParentDrawsButtons(hwnd)) return;
    const bool isDefault = (GetWindowLongPtrW(hwnd, GWL_STYLE) & 15) == BS_DEFPUSHBUTTON;
    if (!Subclass(hwnd, PushButtonProc)) return;
    WriteProp(hwnd, Prop::Focus, 0);
    WriteProp(hwnd, Prop::ButtonKind, kPushKind);
    WriteProp(hwnd, Prop::DefaultButton, isDefault);
    SetOwnerDrawType(hwnd);
    if (isDefault) SetFocus(hwnd);
}

void InstallCheckBox(HWND hwnd) {
    InstallCheckLike(hwnd, kCheckKind, CheckBoxProc);
}

void InstallRadioButton(HWND hwnd) {
    InstallCheckLike(hwnd, kRadioKind, RadioButtonProc);
}

void InstallGroupBox(HWND hwnd) {
    if (!Subclass(hwnd, GroupBoxProc)) return;
    WriteProp(hwnd, Prop::ButtonKind, kGroupKind);
}

void InstallOwnerButton(HWND hwnd) {
    if (!ParentDrawsButtons(hwnd) || !Subclass(hwnd, OwnerButtonProc)) return;
    WriteProp(hwnd, Prop::Focus, 0);
    WriteProp(hwnd, Prop::ButtonKind, kOwnerKind);
    WriteProp(hwnd, Prop::BackgroundColour, 0);
}

bool DrawButtonItem(int buttonKind, const DRAWITEMSTRUCT& item) {
    // Only buttons the skin made owner-drawn: a program's own owner-drawn button stays its own.
    if (ReadProp(item.hwndItem, Prop::SavedProcedure) == 0) return false;
    switch (buttonKind) {
        case kPushKind:
            DrawPushButton(item);
            return true;
        case kCheckKind:
            DrawCheckBox(item);
            return true;
        case kRadioKind:
            DrawRadioButton(item);
            return true;
        case kOwnerKind:
            if (g_drawingOwnerButton) return true;
            g_drawingOwnerButton = true;
            DrawOwnerButton(item);
            g_drawingOwnerButton = false;
            return true;
        default:
            return false;
    }
}

}  // namespace qm::skin
