// The main window in-process, with real windows and stores in a temporary program folder: the
// start sequence and its geometry, the use-time label and password, the site list fill, the
// header sort, the resize layout, hover hints, the right-click menu, the link and the banner.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <algorithm>

#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "catalogue_fixture.h"
#include "core/date_text.h"
#include "core/process_state.h"
#include "core/settings.h"
#include "platform/ini_file.h"
#include "platform/win32/wide.h"
#include "../window_search.h"

namespace qm {
namespace {

using testing::Pump;

RECT Outer(const Form& f) {
    RECT r{};
    GetWindowRect(FormWindow(f), &r);
    return r;
}

std::string Ini(const char* key) {
    return ReadIniString(SettingsFile(), "窗口尺寸信息", key);
}

// Every date-time text from one local time to another, a second apart: a loaded machine may let
// several seconds pass while the window starts.
std::vector<std::string> TimeTextsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to) {
    FILETIME a{}, b{};
    SystemTimeToFileTime(&from, &a);
    SystemTimeToFileTime(&to, &b);
    ULARGE_INTEGER t{}, end{};
    t.LowPart = a.dwLowDateTime, t.HighPart = a.dwHighDateTime;
    end.LowPart = b.dwLowDateTime, end.HighPart = b.dwHighDateTime;
    t.QuadPart -= t.QuadPart % 10'000'000;
    std::vector<std::string> texts;
    for (; t.QuadPart <= end.QuadPart; t.QuadPart += 10'000'000) {
        const FILETIME f{t.LowPart, t.HighPart};
        SYSTEMTIME s{};
        FileTimeToSystemTime(&f, &s);
        texts.push_back(DateTimeText({s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond}));
    }
    return texts;
}

int g_ends = 0;
void CountEnd() {
    ++g_ends;
}

class MainWindow : public testing::ProgramFolderTest {
  protected:
    void SetUp() override {
        testing::ProgramFolderTest::SetUp();
        CreateProcessState();
        g_ends = 0;
        SetProgramEndHookForTesting(CountEnd);
    }
    void TearDown() override {
        Close();
        SetProgramEndHookForTesting(nullptr);
        ReleaseProcessState();
        testing::ProgramFolderTest::TearDown();
    }
    Form& Load() {
        form = LoadMainWindow(true);
        EXPECT_NE(form, nullptr);
        Pump();
        return *form;
    }
    void Close() {
        if (form && IsWindow(FormWindow(*form))) DestroyWindow(FormWindow(*form));
        form = nullptr;
        Pump();
    }
    HWND Control(const char* name) { return ControlWindow(*form, name); }
    // What the list view itself shows (through its display-information requests).
    std::string Shown(int row, int column) {
        wchar_t buf[256] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buf;
        item.cchTextMax = 256;
        SendMessageW(Control(kSiteList), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        return FromWide(buf);
    }
    int ShownCount() { return static_cast<int>(SendMessageW(Control(kSiteList), LVM_GETITEMCOUNT, 0, 0)); }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> out;
        for (int r = 0; r < ShownCount(); ++r) out.push_back(Shown(r, column));
        return out;
    }
    void ClickHeader(int column) {
        NMLISTVIEW nm{};
        nm.hdr.hwndFrom = Control(kSiteList);
        nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(nm.hdr.hwndFrom));
        nm.hdr.code = LVN_COLUMNCLICK;
        nm.iItem = -1;
        nm.iSubItem = column;
        SendMessageW(GetParent(nm.hdr.hwndFrom), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    }
    void PickFilter(int index) {
        HWND combo = Control(kFilterCombo);
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }

    Form* form = nullptr;
};

TEST_F(MainWindow, FirstStartOpensAtTheCornerWithTheMinimumSize) {
    SYSTEMTIME before{}, after{};
    GetLocalTime(&before);
    Form& f = Load();
    GetLocalTime(&after);
    const std::vector<std::string> times = TimeTextsBetween(before, after);
    auto during = [&](const std::string& t) { return std::find(times.begin(), times.end(), t) != times.end(); };
    const RECT r = Outer(f);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 750);
    EXPECT_EQ(r.bottom - r.top, 458);
    EXPECT_TRUE(IsWindowVisible(FormWindow(f)));
    const std::string label = GetText(f, kUseTimeLabel);
    EXPECT_EQ(label.rfind("第一次使用：", 0), 0u) << label;
    EXPECT_TRUE(during(label.substr(std::string("第一次使用：").size()))) << label;
    EXPECT_TRUE(script.shown.empty()) << "no password is asked";
    const std::string stored = GeneralRecord().first;
    EXPECT_TRUE(during(stored)) << stored;
    EXPECT_EQ(Ini("窗口左边"), "0");
    EXPECT_EQ(Ini("窗口顶边"), "0");
    EXPECT_EQ(Ini("窗口宽度"), "750");
    EXPECT_EQ(Ini("窗口高度"), "458");
}

TEST_F(MainWindow, SecondStartShowsTheFirstStartsTime) {
    Load();
    Close();
    const std::string first = GeneralRecord().first;
    ASSERT_FALSE(first.empty());
    Form& f = Load();
    EXPECT_EQ(GetText(f, kUseTimeLabel), "上次使用时间：" + first);
}

TEST_F(MainWindow, NegativeStoredPositionOpensAtZero) {
    SaveWindowPosition(-20, -5);
    SaveWindowSize(800, 500);
    Form& f = Load();
    const RECT r = Outer(f);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 500);
    EXPECT_EQ(Ini("窗口左边"), "0");
}

TEST_F(MainWindow, TooSmallStoredSizeIsRaisedAndWrittenBack) {
    SaveWindowPosition(30, 40);
    SaveWindowSize(600, 300);
    Form& f = Load();
    const RECT r = Outer(f);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 750);
    EXPECT_EQ(r.bottom - r.top, 458);
    EXPECT_EQ(Ini("窗口宽度"), "750");
    EXPECT_EQ(Ini("窗口高度"), "458");
}

TEST_F(MainWindow, CancelledOrWrongCasePasswordEndsTheStartAfterStoringTheTime) {
    for (const auto& entry : {std::optional<std::string>(), std::optional<std::string>("SECRET")}) {
        AddCategories({"A"});
        AddSites({{"A", "http://a", "1"}});
        SetGeneralRecord("2011年1月1日", "secret");
        script.shown.clear();
        script.inputs.clear();
        script.inputs.push_back(entry);
        g_ends = 0;
        Form& f = Load();
        EXPECT_EQ(g_ends, 1);
        ASSERT_EQ(script.shown.size(), 2u);
        EXPECT_EQ(script.shown[0].title, "需要密码");
        EXPECT_EQ(script.shown[1].text, "密码错误！");
        EXPECT_EQ(script.shown[1].title, "提示");
        EXPECT_NE(GeneralRecord().first, "2011年1月1日") << "the use time is stored before the password";
        EXPECT_EQ(ComboCount(f, kFilterCombo), 0) << "nothing after the guard runs";
        EXPECT_EQ(ListRowCount(f, kSiteList), 0);
        Close();
    }
}

TEST_F(MainWindow, RightPasswordGoesOnToFillTheList) {
    AddCategories({"A"});
    AddSites({{"A", "http://a", "1"}});
    SetGeneralRecord("", "secret");
    script.inputs.push_back(std::string("secret"));
    Form& f = Load();
    EXPECT_EQ(g_ends, 0);
    EXPECT_EQ(ListRowCount(f, kSiteList), 1);
}

TEST_F(MainWindow, ListShowsTheFirstCategoryThenTheFilteredOne) {
    AddCategories({"A", "B"});
    AddSites({{"A", "http://a1", "1"},
              {"A", "http://a2", "2"},
              {"A", "http://a3", "3"},
              {"B", "http://b1", "4"},
              {"B", "http://b2", "5"}});
    Form& f = Load();
    ASSERT_EQ(ComboCount(f, kFilterCombo), 2);
    EXPECT_EQ(ComboSelectedText(f, kFilterCombo), "A");
    EXPECT_EQ(ComboCount(f, kNewSiteCategoryCombo), 2);
    EXPECT_EQ(ComboSelection(f, kNewSiteCategoryCombo), -1);
    ASSERT_EQ(ShownCount(), 3);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"http://a1", "http://a2", "http://a3"}));
    EXPECT_EQ(Column(10), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(Shown(0, 2), "title http://a1");
    EXPECT_EQ(Shown(0, 9), "4");
    State().rememberedRow = 2;
    PickFilter(1);
    EXPECT_EQ(State().rememberedRow, -1);
    ASSERT_EQ(ShownCount(), 2);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(Column(10), (std::vector<std::string>{"4", "5"}));
    EXPECT_EQ(ListSelectedRow(f, kSiteList), -1);
}

TEST_F(MainWindow, PrHeaderSortsEmptyAsZeroAndAlternates) {
    AddCategories({"A"});
    AddSites({{"A", "http://three", "3"}, {"A", "http://empty", ""}, {"A", "http://ten", "10"}});
    Form& f = Load();
    ListSelectRow(f, kSiteList, 0);  // the "3" row
    ClickHeader(5);
    EXPECT_TRUE(State().sortDirection);
    EXPECT_EQ(Column(5), (std::vector<std::string>{"", "3", "10"}));
    EXPECT_EQ(Column(10), (std::vector<std::string>{"2", "1", "3"})) << "whole rows move";
    EXPECT_EQ(Column(0), (std::vector<std::string>{"2", "1", "3"})) << "IDs keep the fill's numbers";
    EXPECT_EQ(ListSelectedRow(f, kSiteList), 1) << "the selected row follows its site";
    ClickHeader(5);
    EXPECT_EQ(Column(5), (std::vector<std::string>{"10", "3", ""}));
    EXPECT_EQ(ListSelectedRow(f, kSiteList), 1);
}

TEST_F(MainWindow, TextHeaderOnlyFlipsTheDirection) {
    AddCategories({"A"});
    AddSites({{"A", "http://b", "3"}, {"A", "http://a", "1"}, {"A", "http://c", "2"}});
    Form& f = Load();
    ClickHeader(1);
    EXPECT_TRUE(State().sortDirection);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"http://b", "http://a", "http://c"}));
    ClickHeader(5);  // the flag is now false: descending
    EXPECT_FALSE(State().sortDirection);
    EXPECT_EQ(Column(5), (std::vector<std::string>{"3", "2", "1"}));
    EXPECT_EQ(ListRowCount(f, kSiteList), 3);
}

TEST_F(MainWindow, ResizingBelowTheMinimumSnapsBack) {
    Form& f = Load();
    SetWindowPos(FormWindow(f), nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER);
    const RECT r = Outer(f);
    EXPECT_EQ(r.right - r.left, 750);
    EXPECT_EQ(r.bottom - r.top, 458);
    EXPECT_EQ(Ini("窗口宽度"), "750");
    EXPECT_EQ(Ini("窗口高度"), "458");
    EXPECT_EQ(GetControlRect(f, kSiteList).width, 738);
}

TEST_F(MainWindow, LayoutFollowsALargerSize) {
    Form& f = Load();
    SetWindowPos(FormWindow(f), nullptr, 0, 0, 1000, 600, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Ini("窗口宽度"), "1000");
    EXPECT_EQ(Ini("窗口高度"), "600");
    const ControlRect banner = GetControlRect(f, kBanner);
    EXPECT_EQ(banner.width, 893);   // 1000 x 0.8933333
    EXPECT_EQ(banner.height, 131);  // 600 x 0.2183406
    const ControlRect list = GetControlRect(f, kSiteList);
    EXPECT_EQ(list.left, 2);
    EXPECT_EQ(list.width, 988);
    EXPECT_EQ(list.top, 2 + 131 + 4 + GetControlRect(f, "标签11").height + 4);
    EXPECT_EQ(list.height, 600 - 132 - list.top);
    EXPECT_EQ(GetControlRect(f, kAddPanel).top, list.top + list.height + 2);
    EXPECT_EQ(GetControlRect(f, kStatusBar).width, 999);
    EXPECT_EQ(ListColumnWidth(f, kSiteList, 1), 200);  // 988 x 0.2029769959
    EXPECT_EQ(ListColumnWidth(f, kSiteList, 10), 0);
}

TEST_F(MainWindow, MovingSavesThePosition) {
    Form& f = Load();
    SetWindowPos(FormWindow(f), nullptr, 120, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(Ini("窗口左边"), "120");
    EXPECT_EQ(Ini("窗口顶边"), "80");
}

WNDPROC g_statusProc = nullptr;
int g_statusWrites = 0;
LRESULT CALLBACK CountingStatusProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETTEXT) ++g_statusWrites;
    return CallWindowProcW(g_statusProc, hwnd, msg, wp, lp);
}

TEST_F(MainWindow, HoverHintIsWrittenOncePerRegion) {
    Form& f = Load();
    EXPECT_EQ(GetText(f, kStatusBar),
              " 输入“网站地址”后，程序会自动获取“PR值”、“百度收录”、“谷歌收录”、“百度反链”和“雅虎反链”（也可"
              "手动输入）");
    HWND status = Control(kStatusBar);
    g_statusWrites = 0;
    g_statusProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingStatusProc)));
    for (int i = 0; i < 5; ++i) SendMessageW(Control(kSiteList), WM_MOUSEMOVE, 0, MAKELPARAM(10 + i, 10));
    EXPECT_EQ(g_statusWrites, 1);
    EXPECT_EQ(GetText(f, kStatusBar), " 双击打开该网站！ 鼠标右键弹出菜单！");
    SendMessageW(FormWindow(f), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(FormWindow(f), WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
    EXPECT_EQ(g_statusWrites, 2);
    EXPECT_EQ(GetText(f, kStatusBar),
              " 输入\"网站地址\"后，程序会自动获取\"PR值\"、\"百度收录\"、\"谷歌收录\"、\"百度反链\"和\"雅虎"
              "反链\"（也可手动输入）");
    SendMessageW(Control(kAddCategoryButton), WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(GetText(f, kStatusBar), " 添加新分类！");
    SendMessageW(Control(kRenameCategoryButton), WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(GetText(f, kStatusBar), " 更改当前分类名称！");
    SendMessageW(Control(kDeleteCategoryButton), WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(GetText(f, kStatusBar), " 删除当前分类！ -该分类下所有链接将被清除");
    EXPECT_EQ(g_statusWrites, 5);
    SetWindowLongPtrW(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_statusProc));
}

int g_popups = 0;
std::vector<std::string> g_menuItems;
int RecordMenu(HMENU menu, const MenuDef&) {
    ++g_popups;
    g_menuItems.clear();
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) {
            g_menuItems.push_back("-");
            continue;
        }
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        g_menuItems.push_back(FromWide(text));
    }
    return -1;
}

TEST_F(MainWindow, RightClickPopsTheMenuOnlyOverASelectedRow) {
    AddCategories({"A"});
    AddSites({{"A", "http://a", "1"}});
    Form& f = Load();
    SetPopupMenuHookForTesting(RecordMenu);
    g_popups = 0;
    NMITEMACTIVATE nm{};
    nm.hdr.hwndFrom = Control(kSiteList);
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(nm.hdr.hwndFrom));
    nm.hdr.code = NM_RCLICK;
    nm.iItem = -1;
    SendMessageW(FormWindow(f), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(g_popups, 0);
    ListSelectRow(f, kSiteList, 0);
    SendMessageW(FormWindow(f), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    SetPopupMenuHookForTesting(nullptr);
    EXPECT_EQ(g_popups, 1);
    EXPECT_EQ(g_menuItems, (std::vector<std::string>{"打开", "复制帐号", "复制密码", "-", "修改当前记录",
                                                     "删除当前记录", "-", "设置软件密码", "-", "查找网站…",
                                                     "检查网站…"}));
}

std::vector<std::string> g_opened;
void RecordOpen(const std::string& address) {
    g_opened.push_back(address);
}

TEST_F(MainWindow, LinkOpensTheMakersPageAndTheBannerFallsBackQuietly) {
    Form& f = Load();
    g_opened.clear();
    SetOpenAddressHookForTesting(RecordOpen);
    HWND link = Control(kCreditLink);
    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    SetOpenAddressHookForTesting(nullptr);
    EXPECT_EQ(g_opened, (std::vector<std::string>{kMakerAddress}));
    // Under Wine the browser engine is absent: a plain banner, and no box of any kind.
    EXPECT_FALSE(HasEmbeddedBrowser(f, kBanner));
    EXPECT_TRUE(IsWindowVisible(Control(kBanner)));
    EXPECT_EQ(testing::WaitForWindow(GetCurrentProcessId(), L"#32770", L"", 0), nullptr);
}

TEST_F(MainWindow, ControlsHaveTheirCaptionsAndTheGroupHoldsItsChildren) {
    Form& f = Load();
    EXPECT_EQ(GetText(f, kMainFormName), kMainWindowCaption);
    EXPECT_EQ(GetText(f, kImportButton), "导入txt");
    EXPECT_EQ(GetText(f, kBackupButton), "备份/还原");
    EXPECT_EQ(GetText(f, "删除分类"), "删");
    EXPECT_EQ(GetText(f, "网站地址"), "http://");
    EXPECT_EQ(GetText(f, kAddPanel), "添加新站");
    HWND panel = Control(kAddPanel);
    for (const char* child : {"网站地址", "标签2", "PR值", "分类组合框2", "添加网站", "添加分类"})
        EXPECT_EQ(GetParent(Control(child)), panel) << child;
    EXPECT_EQ(GetParent(Control(kSiteList)), FormWindow(f));
    const ControlRect address = GetControlRect(f, "网站地址");
    EXPECT_EQ(address.left, 62);
    EXPECT_EQ(address.top, 13);
    EXPECT_EQ(address.width, 170);
    EXPECT_EQ(address.height, 20);
    const ControlRect add = GetControlRect(f, kAddSiteButton);
    EXPECT_EQ(add.left, 661);
    EXPECT_EQ(add.width, 73);
    HWND header = reinterpret_cast<HWND>(SendMessageW(Control(kSiteList), LVM_GETHEADER, 0, 0));
    ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 11);
    const char* headers[] = {"ID",       "网站地址", "网站标题", "登录帐号", "登录密码", "PR",
                             "百度收录", "谷歌收录", "百度反链", "雅虎反链", "编号"};
    for (int c = 0; c < 11; ++c) {
        wchar_t text[32] = {};
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = text;
        col.cchTextMax = 32;
        SendMessageW(Control(kSiteList), LVM_GETCOLUMNW, static_cast<WPARAM>(c),
                     reinterpret_cast<LPARAM>(&col));
        EXPECT_EQ(FromWide(text), headers[c]);
    }
    EXPECT_EQ(ListColumnWidth(f, kSiteList, 10), 0);
    EXPECT_EQ(ListColumnWidth(f, kSiteList, 1), 149);
    EXPECT_TRUE(GetWindowLongW(Control(kSiteList), GWL_STYLE) & LVS_OWNERDATA);
}

TEST_F(MainWindow, ClosingTheWindowClosesEveryStore) {
    Load();
    ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
    ASSERT_TRUE(OpenStoreByName(kCategoryStoreAlias));
    ASSERT_TRUE(OpenStoreByName(kGeneralStoreAlias));
    Close();
    for (const StoreInfo& s : AllStores()) EXPECT_FALSE(Stores().IsOpen(Folder() + s.fileName)) << s.alias;
    EXPECT_EQ(MainForm(), nullptr);
}

TEST_F(MainWindow, EmptyCategoryStoreShowsSitesWithoutACategory) {
    AddSites({{"", "http://none", "1"}, {"A", "http://a", "2"}});
    Form& f = Load();
    EXPECT_EQ(ComboCount(f, kFilterCombo), 0);
    EXPECT_EQ(ComboSelectedText(f, kFilterCombo), "");
    EXPECT_EQ(Column(1), (std::vector<std::string>{"http://none"}));
}

}  // namespace
}  // namespace qm
