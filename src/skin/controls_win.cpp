// The skin of the input controls: edit fields, list boxes and their owner-drawn items, combo
// boxes, date-time pickers, list views, tree views (with the parent's custom draw), month
// calendars, size boxes and the form system's colour picker. Window thread only.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "skin/buttons_win.h"
#include "skin/containers_win.h"
#include "skin/control_geometry.h"
#include "skin/drawers_win.h"
#include "skin/engine_win.h"
#include "skin/paint_win.h"
#include "skin/properties_win.h"

namespace qm::skin {

namespace {

constexpr UINT kRedrawMs = 5;  // the deferred redraw after the system painted
constexpr UINT kPickerPaint = WM_APP + 1001, kPickerColour = WM_APP + 1002;

// At most one combo box and one date picker are drawn hot at a time.
bool g_comboHot = false;
bool g_dateHot = false;

UINT_PTR TimerId(HWND hwnd) {
    return reinterpret_cast<UINT_PTR>(hwnd);
}

void StartRedraw(HWND hwnd) {
    SetTimer(hwnd, TimerId(hwnd), kRedrawMs, nullptr);
}

bool IsOurTimer(HWND hwnd, WPARAM wp) {
    if (wp != TimerId(hwnd)) return false;
    KillTimer(hwnd, wp);
    return true;
}

LRESULT BorderAfterSystem(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
    PaintContainerBorder(hwnd);
    return r;
}

// ---- edit fields

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCPAINT) return BorderAfterSystem(hwnd, msg, wp, lp);
    // The whole client area is repainted from the parent's colour answer, never left white.
    if (msg == WM_PAINT) InvalidateRect(hwnd, nullptr, TRUE);
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// ---- list boxes

// A ring of Face as wide as the vertical border, and a Border line inside it.
void PaintListBoxBorder(HWND hwnd) {
    WindowDC dc(hwnd, true);
    if (!dc) return;
    RECT wr{}, cr{};
    GetWindowRect(hwnd, &wr);
    GetClientRect(hwnd, &cr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top, t = (H - cr.bottom) / 2;
    if (t <= 0) return;
    const int saved = SaveDC(dc.get());
    ExcludeClipRect(dc.get(), t, t, W - t, H - t);
    FillColour(dc.get(), RECT{0, 0, W, H}, Palette().face);
    RestoreDC(dc.get(), saved);
    FrameColour(dc.get(), RECT{t - 1, t - 1, W - t + 1, H - t + 1}, Palette().border);
}

LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCPAINT) {
        const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
        PaintListBoxBorder(hwnd);
        return r;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// ---- combo boxes and date pickers: Face, white and Border frames, an arrow box at the right

void DrawDropFace(HWND hwnd, unsigned itemState, bool arrow) {
    const SkinPalette& p = Palette();
    WindowDC dc(hwnd, true);
    RECT wr{};
    GetWindowRect(hwnd, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    Layer layer(dc.get(), W, H);
    if (!dc || !layer) return;
    if (!IsWindowEnabled(hwnd)) itemState = kItemDisabled;
    const bool down = ReadProp(hwnd, Prop::MouseDown) == 1;
    const FaceChoice face = PushFace(itemState, ReadProp(hwnd, Prop::MouseOver) == 1, down);
    HDC l = layer.dc();
    FrameColour(l, RECT{0, 0, W, H}, p.face);
    FrameColour(l, RECT{1, 1, W - 1, H - 1}, kWhite);
    FrameRoundRect(l, 0, 0, W + 1, H + 1, 2, 2, p.border);
    if (arrow) {
        const auto i = static_cast<std::size_t>(face.index);
        SetTextColor(l, ToColorRef(face.index == kFaceDisabled ? p.buttonBottom[kFaceDisabled] : p.text));
        // The arrow box covers the system's button; its corners show Face.
        FillColour(l, RECT{W - 19, 2, W - 2, H - 2}, p.face);
        DrawArrowBox(l, RECT{W - 19, 2, W - 2, H - 2}, p.buttonTop[i], p.buttonBottom[i], p.border,
                     kArrowDown, down);
    }
    layer.CopyKeyed(dc.get(), 0, 0);
}

bool HasDropButton(HWND combo) {
    return (GetWindowLongPtrW(combo, GWL_STYLE) & 3) > CBS_SIMPLE;
}

// While the button that dropped the list is down (the list open), the face stays pushed.
void DrawCombo(HWND hwnd, unsigned itemState) {
    if (itemState == kItemNormal && ReadProp(hwnd, Prop::MouseDown) == 1) itemState = kItemPushed;
    DrawDropFace(hwnd, itemState, HasDropButton(hwnd));
}

LRESULT CALLBACK ComboProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            DrawCombo(hwnd, kItemNormal);
            StartRedraw(hwnd);
            return r;
        }
        case WM_TIMER:
            if (!IsOurTimer(hwnd, wp)) break;
            // The list has closed: its capture took the button's release.
            if (!SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0) && GetKeyState(VK_LBUTTON) >= 0)
                WriteProp(hwnd, Prop::MouseDown, 0);
            DrawCombo(hwnd, kItemNormal);
            g_comboHot = false;
            return 0;
        case WM_GETTEXT:
            DrawCombo(hwnd, kItemNormal);
            g_comboHot = false;
            break;
        case WM_MOUSEMOVE:
            EnterHot(hwnd, g_comboHot, DrawCombo);
            break;
        case WM_MOUSELEAVE:
            LeaveHot(hwnd, g_comboHot, DrawCombo);
            break;
        case WM_DESTROY:
            ForgetHot(hwnd, g_comboHot);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            WriteProp(hwnd, Prop::MouseDown, 1);
            DrawCombo(hwnd, kItemPushed);
            g_comboHot = false;
            StartRedraw(hwnd);
            break;
        case WM_LBUTTONUP:
            WriteProp(hwnd, Prop::MouseDown, 0);
            StartRedraw(hwnd);
            break;
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

void DrawDatePicker(HWND hwnd, unsigned itemState) {
    DrawDropFace(hwnd, itemState, true);
}

LRESULT CALLBACK DatePickerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_MOUSEMOVE:
            EnterHot(hwnd, g_dateHot, DrawDatePicker);
            break;
        case WM_MOUSELEAVE:
            LeaveHot(hwnd, g_dateHot, DrawDatePicker);
            break;
        case WM_DESTROY:
            ForgetHot(hwnd, g_dateHot);
            break;
        case WM_NCHITTEST:
            if (!g_dateHot) {
                g_dateHot = true;
                StartRedraw(hwnd);
            }
            break;
        case WM_TIMER:
            if (!IsOurTimer(hwnd, wp)) break;
            DrawDatePicker(hwnd, kItemNormal);
            g_dateHot = false;
            return 0;
        case WM_PAINT:
        case WM_GETFONT: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            DrawDatePicker(hwnd, kItemNormal);
            return r;
        }
        case WM_SETCURSOR: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            if (HIWORD(lp) == WM_LBUTTONUP && LOWORD(lp) == HTCLIENT) DrawDatePicker(hwnd, kItemNormal);
            return r;
        }
        case WM_GETTEXT:
            DrawDatePicker(hwnd, kItemNormal);
            break;
        case WM_LBUTTONDOWN:
            WriteProp(hwnd, Prop::MouseDown, 1);
            DrawDatePicker(hwnd, kItemPushed);
            break;
        case WM_LBUTTONUP:
            WriteProp(hwnd, Prop::MouseDown, 0);
            break;
        case WM_ERASEBKGND: {
            RECT r{};
            GetClientRect(hwnd, &r);
            FillColour(reinterpret_cast<HDC>(wp), r, Palette().face);
            return 1;
        }
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// ---- list views and tree views: their own colour messages

// The colours are set again whenever they differ; the control repaints only when told to.
void ColourListView(HWND hwnd) {
    const auto light = static_cast<LPARAM>(ToColorRef(Palette().faceLight));
    const auto text = static_cast<LPARAM>(ToColorRef(Palette().text));
    if (SendMessageW(hwnd, LVM_GETBKCOLOR, 0, 0) == light &&
        SendMessageW(hwnd, LVM_GETTEXTBKCOLOR, 0, 0) == light &&
        SendMessageW(hwnd, LVM_GETTEXTCOLOR, 0, 0) == text)
        return;
    SendMessageW(hwnd, LVM_SETBKCOLOR, 0, light);
    SendMessageW(hwnd, LVM_SETTEXTBKCOLOR, 0, light);
    SendMessageW(hwnd, LVM_SETTEXTCOLOR, 0, text);
    InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT CALLBACK ListViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCPAINT) return BorderAfterSystem(hwnd, msg, wp, lp);
    if (msg == WM_SIZE) ColourListView(hwnd);
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

void ColourTreeView(HWND hwnd) {
    const auto light = static_cast<LPARAM>(ToColorRef(Palette().faceLight));
    const auto text = static_cast<LPARAM>(ToColorRef(Palette().text));
    if (SendMessageW(hwnd, TVM_GETBKCOLOR, 0, 0) == light &&
        SendMessageW(hwnd, TVM_GETTEXTCOLOR, 0, 0) == text)
        return;
    SendMessageW(hwnd, TVM_SETBKCOLOR, 0, light);
    SendMessageW(hwnd, TVM_SETTEXTCOLOR, 0, text);
    InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT CALLBACK TreeViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCPAINT) return BorderAfterSystem(hwnd, msg, wp, lp);
    if (msg == WM_SIZE) ColourTreeView(hwnd);
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

bool IsClass(HWND hwnd, const wchar_t* cls) {
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    return lstrcmpiW(name, cls) == 0;
}

// The label of the highlighted item, painted again after the system drew it: the system may draw
// a focus frame over it whatever the item state says (Wine does).
HTREEITEM g_highlightedItem = nullptr;

void RepaintHighlightedLabel(const NMTVCUSTOMDRAW& cd) {
    HWND tree = cd.nmcd.hdr.hwndFrom;
    auto item = reinterpret_cast<HTREEITEM>(cd.nmcd.dwItemSpec);
    RECT r{};
    *reinterpret_cast<HTREEITEM*>(&r) = item;
    if (!SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r))) return;
    wchar_t text[260] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 260;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    HDC dc = cd.nmcd.hdc;
    FillColour(dc, r, static_cast<Colour>(GetSysColor(COLOR_HIGHLIGHT)));
    SelectRestorer font(dc, WindowFont(tree));
    SetTextColor(dc, RGB(250, 250, 250));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
}

// Tree items in Text on FaceLight; the selected one in near-white on the system highlight, and
// no focus or selection drawing of the system's own.
LRESULT TreeItemColours(NMTVCUSTOMDRAW& cd) {
    switch (cd.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            cd.clrText = ToColorRef(Palette().text);
            g_highlightedItem = nullptr;
            if (cd.clrTextBk == GetSysColor(COLOR_HIGHLIGHT)) {
                cd.clrText = RGB(250, 250, 250);
                g_highlightedItem = reinterpret_cast<HTREEITEM>(cd.nmcd.dwItemSpec);
            } else {
                cd.clrTextBk = ToColorRef(Palette().faceLight);
            }
            cd.nmcd.uItemState = 0;
            return g_highlightedItem ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
        case CDDS_ITEMPOSTPAINT:
            if (reinterpret_cast<HTREEITEM>(cd.nmcd.dwItemSpec) == g_highlightedItem)
                RepaintHighlightedLabel(cd);
            return CDRF_DODEFAULT;
        default:
            return CDRF_DODEFAULT;
    }
}

// ---- month calendars

LRESULT CALLBACK MonthCalendarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            RecolourSystemFace(hwnd);
            return r;
        }
        case WM_TIMER:
            if (!IsOurTimer(hwnd, wp)) break;
            RecolourSystemFace(hwnd);
            return 0;
        case WM_MOUSEMOVE: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            if (wp & MK_LBUTTON) RecolourSystemFace(hwnd);
            return r;
        }
        case WM_NCPAINT:
            return BorderAfterSystem(hwnd, msg, wp, lp);
        case WM_CAPTURECHANGED:
            StartRedraw(hwnd);
            break;
        default:
            return RouteOrForward(hwnd, msg, wp, lp);
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// ---- size boxes

void PaintSizeGrip(HWND hwnd) {
    PaintDC paint(hwnd);
    RECT r{};
    GetClientRect(hwnd, &r);
    Layer layer(paint.get(), r.right, r.bottom, Palette().face);
    if (!paint.get() || !layer) return;
    UniquePen pen(CreatePen(PS_SOLID, 1, ToColorRef(Palette().border)));
    SelectRestorer select(layer.dc(), pen.get());
    for (int k = 4; k <= 12; k += 4) {
        MoveToEx(layer.dc(), r.right - k, r.bottom, nullptr);
        LineTo(layer.dc(), r.right, r.bottom - k);
    }
    BitBlt(paint.get(), 0, 0, r.right, r.bottom, layer.dc(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK SizeBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PaintSizeGrip(hwnd);
        return 0;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// ---- the form system's colour picker

void DrawColourPicker(HWND hwnd) {
    const SkinPalette& p = Palette();
    WindowDC dc(hwnd);
    RECT r{};
    GetClientRect(hwnd, &r);
    Layer layer(dc.get(), r.right, r.bottom, p.face);
    if (!dc || !layer) return;
    HDC l = layer.dc();
    const bool large = ReadProp(hwnd, Prop::LargePicker) == 1;
    const int row = large ? 22 : 18;
    // The initial colour's swatch, then the two extra entries.
    const RECT swatch{4, 4, r.right - 4, 4 + row};
    FillColour(l, swatch, static_cast<Colour>(ReadProp(hwnd, Prop::PickerColour)));
    FrameColour(l, swatch, p.border);
    SelectRestorer select(l, SharedFont(L"宋体", -12));
    SetTextColor(l, ToColorRef(p.text));
    SetBkMode(l, TRANSPARENT);
    const char* labels[2] = {"透明", "其它颜色..."};
    for (int k = 0; k < 2; ++k) {
        RECT cell{4, 8 + row * (k + 1), r.right - 4, 8 + row * (k + 2)};
        FrameColour(l, cell, p.border);
        const std::wstring text = ToWide(labels[k]);
        DrawTextW(l, text.c_str(), static_cast<int>(text.size()), &cell,
                  DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    BitBlt(dc.get(), 0, 0, r.right, r.bottom, l, 0, 0, SRCCOPY);
}

LRESULT CALLBACK ColourPickerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SIZE:
            WriteProp(hwnd, Prop::LargePicker, HIWORD(lp) > 139);
            break;
        case kPickerColour:
            WriteProp(hwnd, Prop::PickerColour, static_cast<std::intptr_t>(wp));
            StartRedraw(hwnd);
            break;
        case WM_PAINT: {
            const LRESULT r = CallSavedProcedure(hwnd, msg, wp, lp);
            StartRedraw(hwnd);
            return r;
        }
        case WM_TIMER:
            if (!IsOurTimer(hwnd, wp)) break;
            DrawColourPicker(hwnd);
            return 0;
        case kPickerPaint:
            DrawColourPicker(hwnd);
            break;
        default:
            break;
    }
    return CallSavedProcedure(hwnd, msg, wp, lp);
}

// ---- owner-drawn list-box items

void DrawListItem(const DRAWITEMSTRUCT& item, HDC dc, int W, int H) {
    const SkinPalette& p = Palette();
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const Colour back = selected ? static_cast<Colour>(GetSysColor(COLOR_HIGHLIGHT)) : p.faceLight;
    FillColour(dc, RECT{0, 0, W, H}, back);
    if (item.itemID != static_cast<UINT>(-1)) {
        const auto length = SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
        if (length > 0) {
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            const auto got =
                SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
            text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
            SelectRestorer font(dc, WindowFont(item.hwndItem));
            const bool disabled = (item.itemState & ODS_DISABLED) != 0;
            SetTextColor(dc, ToColorRef(selected   ? kWhite
                                        : disabled ? p.buttonBottom[kFaceDisabled]
                                                   : p.text));
            SetBkMode(dc, TRANSPARENT);
            RECT r{14, 0, W, H};
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        }
    }
    const RECT mark{0, 0, 15, H};
    SetBkMode(dc, TRANSPARENT);
    auto glyph = [&](const wchar_t* g, Colour c) {
        SelectRestorer select(dc, SharedFont(L"宋体", 14));
        SetTextColor(dc, ToColorRef(c));
        RECT r = mark;
        DrawTextW(dc, g, 1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    };
    if (selected) glyph(L"\u25A0", p.face);
    glyph(L"\u25A1", p.border);
}

}  // namespace

void InstallEditBorder(HWND hwnd) {
    Subclass(hwnd, EditProc);
}

void InstallListBox(HWND hwnd) {
    Subclass(hwnd, ListBoxProc);
}

void InstallComboBox(HWND hwnd) {
    if (!Subclass(hwnd, ComboProc)) return;
    WriteProp(hwnd, Prop::Focus, 0);
    StartRedraw(hwnd);
}

void InstallDatePicker(HWND hwnd) {
    if (Subclass(hwnd, DatePickerProc)) WriteProp(hwnd, Prop::Focus, 0);
}

void InstallListViewColours(HWND hwnd) {
    if (Subclass(hwnd, ListViewProc)) ColourListView(hwnd);
}

void InstallTreeView(HWND hwnd) {
    if (Subclass(hwnd, TreeViewProc)) ColourTreeView(hwnd);
}

void InstallMonthCalendar(HWND hwnd) {
    Subclass(hwnd, MonthCalendarProc);
}

void InstallSizeBox(HWND hwnd) {
    Subclass(hwnd, SizeBoxProc);
}

void InstallColourPicker(HWND hwnd) {
    if (!Subclass(hwnd, ColourPickerProc)) return;
    if (HWND parent = GetParent(hwnd))
        WriteProp(parent, Prop::ColourPicker, reinterpret_cast<std::intptr_t>(hwnd));
}

bool DrawListBoxItem(const DRAWITEMSTRUCT& item) {
    const int W = item.rcItem.right - item.rcItem.left, H = item.rcItem.bottom - item.rcItem.top;
    Layer layer(item.hDC, W, H, Palette().faceLight);
    if (!layer || W <= 0 || H <= 0) return false;
    DrawListItem(item, layer.dc(), W, H);
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, W, H, layer.dc(), 0, 0, SRCCOPY);
    return true;
}

bool HandleCustomDraw(HWND, LPARAM notify, LRESULT* result) {
    const auto* header = reinterpret_cast<const NMHDR*>(notify);
    if (!header || header->code != static_cast<UINT>(NM_CUSTOMDRAW)) return false;
    HWND from = header->hwndFrom;
    if (!ReadProp(from, Prop::SavedProcedure)) return false;  // a control the skin left alone
    if (IsClass(from, WC_TREEVIEWW)) {
        *result = TreeItemColours(*reinterpret_cast<NMTVCUSTOMDRAW*>(notify));
        return true;
    }
    if (IsClass(from, TRACKBAR_CLASSW)) {
        // The track bar is painted by the skin alone.
        const auto* cd = reinterpret_cast<const NMCUSTOMDRAW*>(notify);
        *result = cd->dwDrawStage == CDDS_PREPAINT ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
        return true;
    }
    return false;
}

}  // namespace qm::skin
