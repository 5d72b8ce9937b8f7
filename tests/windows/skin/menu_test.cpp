// Popup menus as the system tracks them, driven by keys posted into the menu's own loop and read
// back pixel by pixel: the site list's right-click menu rounded and framed on its gradient with no
// system highlight, the hot plate and dark-blue text following the arrow keys (wrapping, skipping
// separators), separators dark over light, a grayed hot item keeping grey text, marks and
// submenu arrows; a menu owned by a control rather than a skinned frame following keys and mouse;
// a submenu followed and, once closed, its parent again; and no GDI object left behind by a
// thousand menu paints.
#include <functional>

#include "catalogue/main_form.h"
#include "gdi_objects.h"
#include "skin/menus_win.h"
#include "skin_test_support.h"

namespace qm::testing {
namespace {

const MenuPalette& MP() {
    return skin::Theme().menu;
}

// Steps run inside the menu's loop, one per timer tick once the menu shows; then it is closed.
using Step = std::function<void(HWND popup)>;
struct MenuScript {
    const std::vector<Step>* steps = nullptr;
    std::size_t next = 0;
    HWND owner = nullptr;
    bool finished = false;
    int waited = 0;  // ticks spent waiting for the skin's repaint
};
MenuScript* g_script = nullptr;

// The thread's menu windows: the first one showing, and whether one waits for the skin's deferred
// repaint (its redrawing off, the system counts it as hidden; a step run before that repaint would
// find no submenu and no hot plate).
struct MenuWindows {
    HWND shown = nullptr;
    bool repaintDue = false;
};

MenuWindows FindMenuWindows() {
    MenuWindows found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            wchar_t cls[16] = {};
            GetClassNameW(hwnd, cls, 16);
            if (lstrcmpW(cls, L"#32768") != 0) return TRUE;
            auto* f = reinterpret_cast<MenuWindows*>(lp);
            if (!IsWindowVisible(hwnd))
                f->repaintDue = true;
            else if (!f->shown)
                f->shown = hwnd;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
    const MenuWindows menus = FindMenuWindows();
    HWND popup = menus.shown;
    if (g_script->next < g_script->steps->size()) {
        if (!popup) return;
        // A slow step on a loaded machine lets the next tick come before the repaint its key
        // scheduled; wait for it, but not for ever, so a repaint that never comes shows as failures.
        if (menus.repaintDue && ++g_script->waited < 25) return;
        g_script->waited = 0;
        (*g_script->steps)[g_script->next++](popup);
        // Another test's window may take the activation and end the menu before the next tick:
        // the script is done once its last step has run inside the menu.
        if (g_script->next == g_script->steps->size()) g_script->finished = true;
        return;
    }
    // Closed even when no menu window shows: a failed step may have left one hidden.
    KillTimer(nullptr, id);
    g_script->finished = true;
    PostMessageW(g_script->owner, WM_KEYDOWN, VK_ESCAPE, 0);
}

void Key(HWND owner, WPARAM key, int times = 1) {
    for (int i = 0; i < times; ++i) PostMessageW(owner, WM_KEYDOWN, key, 0);
}

HMENU MenuOf(HWND popup) {
    return reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
}

// An item's rectangle in the popup's window coordinates.
RECT ItemRect(HWND popup, int i) {
    RECT r{}, w{};
    GetMenuItemRect(popup, MenuOf(popup), static_cast<UINT>(i), &r);
    GetWindowRect(popup, &w);
    OffsetRect(&r, -w.left, -w.top);
    return r;
}

int CountInItem(HWND popup, int i, Colour c) {
    return CountColour(popup, ItemRect(popup, i), c, true);
}

int HotItem(HWND popup) {
    return static_cast<int>(skin::ReadProp(popup, skin::Prop::MenuItem));
}

// The hot plate lies under the item: a gradient out to MenuPalette[12] at its middle and back.
void ExpectHot(HWND popup, int i) {
    EXPECT_EQ(HotItem(popup), i);
    const RECT r = ItemRect(popup, i);
    const int middle = (r.top + r.bottom) / 2;
    const int x = GetSubMenu(MenuOf(popup), i) ? r.right - 10 : r.right - 4;  // beside a submenu's arrow
    EXPECT_TRUE(Near(PixelAt(popup, x, middle), MP()[12], 8)) << "the plate at item " << i;
    EXPECT_TRUE(Near(PixelAt(popup, x, r.top + 1), MP()[11], 12)) << "its edge at item " << i;
    EXPECT_FALSE(Near(PixelAt(popup, r.left, r.top), MP()[11], 20)) << "its corners cut";
    const int items = GetMenuItemCount(MenuOf(popup));
    for (int k = 0; k < items; ++k) {
        const int dark = CountInItem(popup, k, MP()[8]);
        if (k == i)
            EXPECT_GT(dark, 0) << "dark-blue text on the hot item";
        else
            EXPECT_EQ(dark, 0) << "item " << k << " is not hot";
    }
}

class PopupMenus : public SkinnedWindow {
  protected:
    void Define(FormDef& def) override { def.menus = MainFormDef().menus; }
    // Tracks the menu through the steps. Another program's window taking the activation ends a
    // menu early (GUI tests share one display): the script then runs again from the start.
    void Track(const std::vector<Step>& steps, const std::function<void()>& open) {
        MenuScript script;
        for (int attempt = 0; attempt < 6 && !script.finished; ++attempt) {
            if (attempt > 0) Sleep(250);  // let the other window's activation settle first
            SetForegroundWindow(main);
            Pump();
            script = MenuScript{&steps, 0, main};
            g_script = &script;
            const UINT_PTR timer = SetTimer(nullptr, 0, 120, RunStep);
            open();
            KillTimer(nullptr, timer);  // the menu may have ended before the script
            g_script = nullptr;
        }
        EXPECT_TRUE(script.finished) << "every step ran inside the menu";
    }
};

TEST_F(PopupMenus, SiteListMenuIsRoundedOnItsGradientAndTheHotPlateFollowsTheKeys) {
    const std::vector<Step> steps = {
        [&](HWND popup) {
            const SIZE size = WindowSize(popup);
            EXPECT_FALSE(InRegion(popup, 0, 0)) << "a rounded corner";
            EXPECT_FALSE(InRegion(popup, size.cx - 1, size.cy - 1));
            EXPECT_TRUE(InRegion(popup, size.cx / 2, 0));
            EXPECT_PIXEL(popup, size.cx / 2, 0, MP()[0]);
            EXPECT_PIXEL(popup, size.cx / 2, 1, MP()[1]);
            EXPECT_PIXEL(popup, size.cx / 2, 2, MP()[4]);
            EXPECT_PIXEL(popup, 0, size.cy / 2, MP()[0]);
            // The light gradient shows between the texts: MenuPalette[5] in the middle.
            EXPECT_TRUE(Near(PixelAt(popup, size.cx - 6, size.cy / 2), MP()[5], 6));
            EXPECT_TRUE(Near(PixelAt(popup, size.cx - 6, 4), MP()[4], 6));
            EXPECT_EQ(HotItem(popup), -1);
            const RECT whole{0, 0, size.cx, size.cy};
            EXPECT_EQ(CountColour(popup, whole, static_cast<Colour>(GetSysColor(COLOR_HIGHLIGHT)), true), 0)
                << "no system highlight";
            EXPECT_EQ(CountColour(popup, whole, MP()[8], true), 0);
            Key(main, VK_DOWN);
        },
        [&](HWND popup) {
            ExpectHot(popup, 0);
            Key(main, VK_UP);
        },
        [&](HWND popup) {
            ExpectHot(popup, GetMenuItemCount(MenuOf(popup)) - 1);  // up from the first wraps to the last
            Key(main, VK_DOWN, 3);
        },
        [&](HWND popup) {
            ExpectHot(popup, 2);  // down from the last wraps to the first
            Key(main, VK_DOWN);
        },
        [&](HWND popup) {
            ExpectHot(popup, 4);  // the separator is skipped
            const RECT sep = ItemRect(popup, 3);
            const int row = sep.top + (sep.bottom - sep.top - 2) / 2 + 1;
            const int x = (sep.left + 5 + sep.right) / 2;
            EXPECT_PIXEL(popup, x, row, MP()[9]);
            EXPECT_PIXEL(popup, x, row + 1, MP()[10]);
            EXPECT_NE(PixelAt(popup, sep.left + 6, row), MP()[9]) << "fading at the end";
        },
    };
    Track(steps, [this] { ShowPopupMenu(*form, kListMenu, POINT{120, 120}); });
}

// The mouse moved over an item; a tracked menu's mouse messages carry screen coordinates.
void MouseOver(HWND popup, int i) {
    RECT r{};
    GetMenuItemRect(popup, MenuOf(popup), static_cast<UINT>(i), &r);
    PostMessageW(popup, WM_MOUSEMOVE, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
}

// The system's highlight colour nowhere in the menu: the skin's look alone shows.
int SystemHighlightPixels(HWND popup) {
    const SIZE size = WindowSize(popup);
    return CountColour(popup, RECT{0, 0, size.cx, size.cy}, static_cast<Colour>(GetSysColor(COLOR_HIGHLIGHT)),
                       true);
}

// Where the system does not tell the menu window of a new selection (Wine), the notice goes to the
// menu's owner, which for an edit's own context menu is the edit, no skinned frame.
TEST_F(PopupMenus, AMenuOwnedByAControlFollowsTheKeysAndTheMouse) {
    HWND edit = Child(L"Edit", L"文字", WS_BORDER, 10, 130, 120, 22);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"剪切(&T)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, 2, L"复制(&C)");
    AppendMenuW(menu, MF_STRING, 3, L"全选(&A)");
    const std::vector<Step> steps = {
        [&](HWND) { Key(main, VK_DOWN); },
        [&](HWND popup) {
            ExpectHot(popup, 0);
            EXPECT_EQ(SystemHighlightPixels(popup), 0);
            Key(main, VK_DOWN);
        },
        [&](HWND popup) {
            ExpectHot(popup, 2);  // over the separator
            EXPECT_EQ(SystemHighlightPixels(popup), 0);
            MouseOver(popup, 3);
        },
        [&](HWND popup) {
            ExpectHot(popup, 3);
            EXPECT_EQ(SystemHighlightPixels(popup), 0);
        },
    };
    Track(steps, [&] { TrackPopupMenu(menu, TPM_RETURNCMD, 150, 150, 0, edit, nullptr); });
    DestroyMenu(menu);
}

// The menu window showing this menu.
HWND WindowOfMenu(HMENU menu) {
    struct Search {
        HMENU menu;
        HWND found;
    } search{menu, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (!IsWindowVisible(hwnd) || MenuOf(hwnd) != s->menu) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(PopupMenus, ASubmenuIsFollowedAndItsParentToo) {
    HMENU sub = CreatePopupMenu();
    AppendMenuW(sub, MF_STRING, 9, L"子一");
    AppendMenuW(sub, MF_STRING, 10, L"子二");
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"甲");
    AppendMenuW(menu, MF_STRING, 2, L"乙");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"丁");
    const std::vector<Step> steps = {
        [&](HWND) { Key(main, VK_DOWN, 3); },
        [&](HWND) {
            ExpectHot(WindowOfMenu(menu), 2);
            Key(main, VK_RIGHT);
        },
        [&](HWND) {
            HWND open = WindowOfMenu(sub);
            ASSERT_NE(open, nullptr) << "the submenu is open";
            ExpectHot(open, 0);
            EXPECT_EQ(SystemHighlightPixels(open), 0);
            Key(main, VK_DOWN);
        },
        [&](HWND) {
            ExpectHot(WindowOfMenu(sub), 1);
            Key(main, VK_LEFT);
        },
        [&](HWND) {
            EXPECT_EQ(WindowOfMenu(sub), nullptr) << "the submenu has closed";
            Key(main, VK_UP);
        },
        [&](HWND) {
            ExpectHot(WindowOfMenu(menu), 1);
            EXPECT_EQ(SystemHighlightPixels(WindowOfMenu(menu)), 0);
            MouseOver(WindowOfMenu(menu), 2);  // opens the submenu at once
        },
        [&](HWND) {
            Key(main, VK_ESCAPE);  // once checked, the submenu closes; the script's last key the menu
            ASSERT_NE(WindowOfMenu(sub), nullptr) << "the submenu is open again";
            HWND parent = WindowOfMenu(menu);
            ASSERT_NE(parent, nullptr) << "its parent shows, with the item that opened it hot";
            ExpectHot(parent, 2);
        },
    };
    Track(steps, [&] { TrackPopupMenu(menu, TPM_RETURNCMD, 150, 150, 0, main, nullptr); });
    DestroyMenu(menu);
}

TEST_F(PopupMenus, GrayedHotItemKeepsGreyTextAndMarksAndArrowsShow) {
    HMENU sub = CreatePopupMenu();
    AppendMenuW(sub, MF_STRING, 9, L"子项");
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"甲");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 2, L"乙");
    AppendMenuW(menu, MF_STRING | MF_CHECKED, 3, L"丙");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"丁");
    const std::vector<Step> steps = {
        [&](HWND popup) {
            EXPECT_GT(CountInItem(popup, 1, MP()[7]), 0) << "a grayed item in grey";
            const RECT checked = ItemRect(popup, 2), plain = ItemRect(popup, 0);
            const RECT markOf[2] = {{checked.left, checked.top, checked.left + 19, checked.bottom},
                                    {plain.left, plain.top, plain.left + 19, plain.bottom}};
            EXPECT_GT(CountColour(popup, markOf[0], MP()[6], true), 0) << "the check mark";
            EXPECT_EQ(CountColour(popup, markOf[1], MP()[6], true), 0);
            const RECT arrow = ItemRect(popup, 3);
            EXPECT_PIXEL(popup, arrow.right - 7, (arrow.top + arrow.bottom) / 2 - 3, MP()[6]) << "the arrow";
            EXPECT_PIXEL(popup, arrow.right - 4, (arrow.top + arrow.bottom) / 2, MP()[6]) << "its tip";
            Key(main, VK_DOWN, 2);
        },
        [&](HWND popup) {
            EXPECT_EQ(HotItem(popup), 1);
            const RECT r = ItemRect(popup, 1);
            EXPECT_TRUE(Near(PixelAt(popup, r.right - 4, (r.top + r.bottom) / 2), MP()[12], 8))
                << "the plate";
            EXPECT_GT(CountInItem(popup, 1, MP()[7]), 0) << "grey text on the plate";
            EXPECT_EQ(CountInItem(popup, 1, MP()[8]), 0) << "not the hot item's blue";
        },
    };
    Track(steps, [&] { TrackPopupMenu(menu, TPM_RETURNCMD, 150, 150, 0, main, nullptr); });
    DestroyMenu(menu);
}

TEST_F(PopupMenus, AThousandPaintsLeaveNoGdiObjectBehind) {
    long growth = -1;
    const std::vector<Step> steps = {[&](HWND popup) {
        HMENU menu = MenuOf(popup);
        for (int i = 0; i < 20; ++i) skin::PaintPopupMenu(popup, menu, i % 8);
        const long before = GdiObjectCount();
        for (int i = 0; i < 1000; ++i) skin::PaintPopupMenu(popup, menu, i % 8);
        growth = GdiObjectCount() - before;
    }};
    Track(steps, [this] { ShowPopupMenu(*form, kListMenu, POINT{120, 120}); });
    EXPECT_EQ(growth, 0);
}

}  // namespace
}  // namespace qm::testing
