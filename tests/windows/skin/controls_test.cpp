// The other controls as painted: combo boxes with the arrow box hot and pushed and their frame
// back after the list closes, a simple combo without arrow box, edits never white, list views
// keeping FaceLight after resizing with the skin's header, tree views' selected items, list
// boxes and their owner-drawn items, and the form's own edit inside its group box.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include "skin_test_support.h"

namespace qm::testing {
namespace {

const SkinPalette& P() {
    return skin::Palette();
}

class Controls : public SkinnedWindow {
  protected:
    void Define(FormDef& def) override {
        ControlDef group = Label("分组", 200, 200, 200, 60, "分组");
        group.kind = ControlKind::GroupBox;
        ControlDef edit = Label("框", 10, 20, 120, 20, "文字");
        edit.kind = ControlKind::Edit;
        edit.parent = "分组";
        def.controls.push_back(group);
        def.controls.push_back(edit);
    }
    HWND Framed(const wchar_t* cls, DWORD style, int x, int y, int w, int h) {
        HWND c = CreateWindowExW(WS_EX_CLIENTEDGE, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, main,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        extra.push_back(c);
        return c;
    }
};

SIZE OuterSize(HWND hwnd) {
    return WindowSize(hwnd);
}

TEST_F(Controls, ComboArrowTurnsHotAndPushedAndTheFrameComesBackAfterTheList) {
    HWND combo = Child(L"ComboBox", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 150, 10, 140, 200);
    for (const wchar_t* item : {L"一", L"二", L"三"})
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    const SIZE s = OuterSize(combo);
    const int ax = s.cx - 10, ay = 3;  // inside the arrow box, just below its outline
    auto arrowFace = [&] { return PixelAt(combo, ax, ay); };
    EXPECT_TRUE(PumpUntil([&] { return PixelAt(combo, 0, s.cy / 2) == P().border; }, 500)) << "the frame";
    EXPECT_PIXEL(combo, 1, s.cy / 2, kWhite);
    EXPECT_PIXEL(combo, s.cx - 19, s.cy / 2, P().border) << "the arrow box's outline";
    EXPECT_TRUE(Near(arrowFace(), P().buttonTop[kFaceNormal], 6)) << Rgb(arrowFace());

    SendMessageW(combo, WM_MOUSEMOVE, 0, MAKELPARAM(ax, 5));
    EXPECT_TRUE(Near(arrowFace(), P().buttonTop[kFaceHot], 6)) << "hot " << Rgb(arrowFace());
    SendMessageW(combo, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(Near(arrowFace(), P().buttonTop[kFaceNormal], 6));

    SendMessageW(combo, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(ax, 5));
    EXPECT_EQ(Prop(combo, skin::Prop::MouseDown), 1);
    EXPECT_TRUE(Near(arrowFace(), P().buttonTop[kFacePushed], 6)) << "pushed " << Rgb(arrowFace());
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    ReleaseCapture();
    Pump();
    // The list has closed: the system repainted the box, the skin's face is back within 5 ms.
    EXPECT_TRUE(PumpUntil(
        [&] {
            return Prop(combo, skin::Prop::MouseDown) == 0 && PixelAt(combo, 0, s.cy / 2) == P().border &&
                   Near(arrowFace(), P().buttonTop[kFaceNormal], 6);
        },
        500));
    EnableWindow(combo, FALSE);
    RedrawWindow(combo, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    // The disabled face falls fast from its top colour: one row below it, about 10 darker.
    EXPECT_TRUE(Near(arrowFace(), P().buttonTop[kFaceDisabled], 12)) << "disabled " << Rgb(arrowFace());
}

TEST_F(Controls, SimpleComboHasFramesButNoArrowBox) {
    HWND combo = Child(L"ComboBox", L"", CBS_SIMPLE, 150, 10, 140, 100);
    UpdateWindow(combo);
    const SIZE s = OuterSize(combo);
    EXPECT_TRUE(PumpUntil([&] { return PixelAt(combo, 0, 5) == P().border; }, 500));
    EXPECT_NE(PixelAt(combo, s.cx - 19, 6), P().border) << "no arrow box outline";
    EXPECT_FALSE(Near(PixelAt(combo, s.cx - 10, 3), P().buttonTop[kFaceNormal], 3));
}

TEST_F(Controls, EditBackgroundIsFaceLightNeverWhite) {
    HWND edit = Framed(L"Edit", ES_AUTOHSCROLL, 150, 10, 120, 22);
    SetWindowTextW(edit, L"网站");
    SetFocus(edit);
    SendMessageW(edit, WM_CHAR, L'x', 0);
    UpdateWindow(edit);
    RECT c{};
    GetClientRect(edit, &c);
    EXPECT_EQ(Rgb(ClientPixelAt(edit, c.right - 3, c.bottom / 2)), Rgb(P().faceLight));
    EXPECT_EQ(CountColour(edit, c, kWhite), 0) << "no system white";
    EXPECT_PIXEL(edit, 0, 10, P().face);
    EXPECT_PIXEL(edit, 1, 10, P().border);
    // The form's own edit inside its group box asks its colours through the group box.
    HWND inGroup = ControlWindow(*form, "框");
    RedrawWindow(inGroup, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    GetClientRect(inGroup, &c);
    EXPECT_EQ(Rgb(ClientPixelAt(inGroup, c.right - 3, c.bottom / 2)), Rgb(P().faceLight));
    EXPECT_EQ(CountColour(inGroup, c, kWhite), 0);
}

TEST_F(Controls, ListRowsStayOnFaceLightAfterResizingUnderTheSkinsHeader) {
    HWND list = Framed(WC_LISTVIEWW, LVS_REPORT, 10, 130, 300, 120);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 120;
    col.pszText = const_cast<wchar_t*>(L"网站地址");
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
    for (int i = 0; i < 3; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(L"http://a.example/");
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(list, LVM_SETBKCOLOR, 0, RGB(255, 255, 255));  // someone else's colour
    SetWindowPos(list, nullptr, 0, 0, 330, 110, SWP_NOMOVE | SWP_NOZORDER);
    UpdateWindow(list);
    EXPECT_EQ(static_cast<Colour>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)), P().faceLight);
    EXPECT_EQ(static_cast<Colour>(SendMessageW(list, LVM_GETTEXTBKCOLOR, 0, 0)), P().faceLight);
    EXPECT_EQ(static_cast<Colour>(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0)), P().text);
    RECT c{}, row{LVIR_BOUNDS};
    GetClientRect(list, &c);
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    EXPECT_EQ(Rgb(ClientPixelAt(list, c.right - 5, c.bottom - 5)), Rgb(P().faceLight)) << "below the rows";
    EXPECT_EQ(Rgb(ClientPixelAt(list, 110, (row.top + row.bottom) / 2)), Rgb(P().faceLight)) << "in a row";
    EXPECT_PIXEL(list, 0, 60, P().face);
    EXPECT_PIXEL(list, 1, 60, P().border);
    // The header on the raised face, its bottom edge a Border line.
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    EXPECT_NE(Prop(header, skin::Prop::SavedProcedure), 0);
    RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT h{};
    GetClientRect(header, &h);
    EXPECT_TRUE(Near(ClientPixelAt(header, 200, 0), P().buttonTop[0], 2));
    EXPECT_TRUE(Near(ClientPixelAt(header, 200, h.bottom - 2), P().buttonBottom[0], 12));
    EXPECT_EQ(Rgb(ClientPixelAt(header, 200, h.bottom - 1)), Rgb(P().border));
    EXPECT_EQ(Rgb(ClientPixelAt(header, 119, h.bottom / 2)), Rgb(P().border)) << "the column's edge";
}

TEST_F(Controls, TreeSelectionIsNearWhiteOnTheHighlightWithoutFocusFrame) {
    HWND tree = Framed(WC_TREEVIEWW, TVS_HASLINES | TVS_SHOWSELALWAYS, 10, 130, 200, 120);
    auto insert = [&](const wchar_t* text) {
        TVINSERTSTRUCTW ins{};
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT;
        ins.item.pszText = const_cast<wchar_t*>(text);
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    };
    HTREEITEM first = insert(L"Windows");
    HTREEITEM second = insert(L"Program Files");
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(second));
    SetFocus(tree);
    RedrawWindow(tree, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(static_cast<Colour>(SendMessageW(tree, TVM_GETBKCOLOR, 0, 0)), P().faceLight);
    auto textRect = [&](HTREEITEM item) {
        RECT r{};
        *reinterpret_cast<HTREEITEM*>(&r) = item;
        SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
        return r;
    };
    const RECT sel = textRect(second), other = textRect(first);
    const Colour highlight = static_cast<Colour>(GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(Rgb(ClientPixelAt(tree, sel.left, sel.top)), Rgb(highlight)) << "no focus frame at the corner";
    EXPECT_EQ(Rgb(ClientPixelAt(tree, sel.right - 1, sel.bottom - 1)), Rgb(highlight));
    EXPECT_GT(CountNear(tree, sel, MakeColour(250, 250, 250), 2), 0) << "near-white text";
    EXPECT_EQ(Rgb(ClientPixelAt(tree, other.right - 1, other.top)), Rgb(P().faceLight));
    EXPECT_GT(CountNear(tree, other, P().text, 40), 0) << "dark text on FaceLight";
}

TEST_F(Controls, ListBoxesAndTheirOwnerDrawnItems) {
    HWND plain = Framed(L"ListBox", WS_VSCROLL | LBS_NOTIFY, 10, 130, 120, 80);
    SendMessageW(plain, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"C:\\"));
    RedrawWindow(plain, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_PIXEL(plain, 0, 40, P().face);
    EXPECT_PIXEL(plain, 1, 40, P().border);
    RECT c{};
    GetClientRect(plain, &c);
    EXPECT_EQ(Rgb(ClientPixelAt(plain, c.right - 3, c.bottom - 3)), Rgb(P().faceLight));

    HWND drawn = Framed(L"ListBox", LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY, 150, 130, 120, 80);
    SendMessageW(drawn, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"甲"));
    SendMessageW(drawn, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"乙"));
    SendMessageW(drawn, LB_SETCURSEL, 1, 0);
    RedrawWindow(drawn, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(Prop(drawn, skin::Prop::ListBoxKind), 1);
    RECT first{}, second{};
    SendMessageW(drawn, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    SendMessageW(drawn, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    EXPECT_EQ(Rgb(ClientPixelAt(drawn, first.right - 2, first.top + 1)), Rgb(P().faceLight));
    EXPECT_EQ(Rgb(ClientPixelAt(drawn, second.right - 2, second.top + 1)),
              Rgb(static_cast<Colour>(GetSysColor(COLOR_HIGHLIGHT))));
    EXPECT_GT(CountNear(drawn, RECT{0, first.top, 15, first.bottom}, P().border, 30), 0) << "the mark box";
}

}  // namespace
}  // namespace qm::testing
