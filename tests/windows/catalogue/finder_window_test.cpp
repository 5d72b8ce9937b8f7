// The site finder in the real main window: its three ways in (Ctrl+F, the system menu, the list
// menu) with the menus the list always had left as they were, one window only, typing across
// categories, Enter and double clicks landing in the main list, fresh results after a change in the
// main window, a store that cannot be opened, bad input, and its place in the settings file.
#include "catalogue/finder_form.h"
#include "catalogue/finder_window_win.h"
#include "catalogue/health_window_win.h"
#include "catalogue/modify_window_win.h"
#include "catalogue/system_menu_win.h"
#include "catalogue_fixture.h"
#include "core/settings.h"
#include "platform/ini_file.h"
#include "platform/win32/process_start_win.h"
#include "platform/win32/registry_win.h"
#include "platform/win32/wide.h"
#include "skin/skin_win.h"

namespace qm {
namespace {

using Strings = std::vector<std::string>;

// The items of a menu as texts, "-" for a separator, and their identifiers.
std::vector<std::pair<std::string, UINT>> MenuItems(HMENU menu) {
    std::vector<std::pair<std::string, UINT>> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) {
            out.emplace_back("-", 0);
            continue;
        }
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        out.emplace_back(FromWide(text), GetMenuItemID(menu, i));
    }
    return out;
}

std::vector<std::pair<std::string, UINT>> g_listMenu;
int RecordListMenu(HMENU menu, const MenuDef&) {
    g_listMenu = MenuItems(menu);
    return -1;
}

std::vector<std::wstring> g_started;
bool RecordStart(const std::wstring& commandLine) {
    g_started.push_back(commandLine);
    return true;
}
std::string FakeBrowser(std::string_view) {
    return "\"C:\\browser.exe\" \"%1\"";
}

int FinderWindowCount() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) {
            if (Form* f = FormFromWindow(hwnd); f && FormDefinition(*f).name == kFinderFormName)
                ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

class Finder : public testing::CatalogueTest {
  protected:
    void TearDown() override {
        SetControlKey(false);
        SetProcessStartHookForTesting(nullptr);
        SetRegistryReadHookForTesting(nullptr);
        testing::CatalogueTest::TearDown();
        EXPECT_EQ(FinderWindow(), nullptr) << "closed with the main window";
    }
    // Three categories; the forum with account wx2019 is in the second.
    void AddCatalogue() {
        AddCategories({"新闻", "论坛", "工具"});
        ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
        const std::vector<Fields> sites = {
            {"新闻", "http://news.cn", "新闻网", "reader", "pw1"},
            {"论坛", "http://bbs.a.cn", "A Forum", "lee", "pw2"},
            {"工具", "http://tools.cn", "网站统计", "wx2019", "pw3"},
            {"论坛", "http://bbs.b.cn", "B Forum", "wx2019", "pw4"},
            {"论坛", "http://bbs.c.cn", "C Forum", "amy", "pw5"},
        };
        for (const Fields& s : sites) ASSERT_TRUE(Stores().Append(s));
        CloseStoreByName(kSiteStoreAlias);
    }
    // Ctrl held down or released, as the thread's keyboard state tells it.
    void SetControlKey(bool down) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = keys[VK_LCONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    // Ctrl+F as it arrives at the focused control.
    void CtrlF(HWND focused) {
        SetControlKey(true);
        PostMessageW(focused, WM_KEYDOWN, 'F', 0x00210001);
        testing::Pump();
        SetControlKey(false);
    }
    Form& Open() {
        OpenFinderWindow();
        testing::Pump();
        Form* f = FinderWindow();
        EXPECT_NE(f, nullptr);
        return *f;
    }
    HWND QueryBox() { return ControlWindow(*FinderWindow(), kFinderQueryBox); }
    // Keys typed into the query box, queued before any of them is handled.
    void Type(const std::wstring& keys, bool thenEnter = false) {
        for (wchar_t c : keys) PostMessageW(QueryBox(), WM_CHAR, c, 1);
        if (thenEnter) PostMessageW(QueryBox(), WM_KEYDOWN, VK_RETURN, 1);
        testing::Pump();
    }
    void Key(UINT vk) {
        PostMessageW(QueryBox(), WM_KEYDOWN, vk, 1);
        testing::Pump();
    }
    void Clear() {
        SetText(*FinderWindow(), kFinderQueryBox, "");
        testing::Pump();
    }
    Strings Results(int column) {
        Strings out;
        for (const ListRow& row : ListRows(*FinderWindow(), kFinderList))
            out.push_back(row[static_cast<std::size_t>(column)]);
        return out;
    }
    std::string Status() { return GetText(*FinderWindow(), kFinderStatus); }
    std::string SelectedMainAddress() {
        return ListCell(*main, kSiteList, ListSelectedRow(*main, kSiteList), 1);
    }
};

TEST_F(Finder, TheListMenuKeepsItsItemsAndAddsTheFinderAfterThem) {
    AddCatalogue();
    Load();
    SetPopupMenuHookForTesting(RecordListMenu);
    Menu(0, nullptr);
    SetPopupMenuHookForTesting(testing::PickMenuItem);
    const std::vector<std::pair<std::string, UINT>> expected = {
        {"打开", 1},         {"复制帐号", 2}, {"复制密码", 3},     {"-", 0}, {"修改当前记录", 5},
        {"删除当前记录", 6}, {"-", 0},        {"设置软件密码", 8}, {"-", 0}, {"查找网站…", 10},
        {"检查网站…", 11}};
    EXPECT_EQ(g_listMenu, expected);
    EXPECT_EQ(FinderWindow(), nullptr);
    Menu(0, "查找网站…");
    ASSERT_NE(FinderWindow(), nullptr);
    EXPECT_EQ(GetWindow(FormWindow(*FinderWindow()), GW_OWNER), FormWindow(*main));
    EXPECT_EQ(GetText(*FinderWindow(), kFinderFormName), "查找网站");
}

TEST_F(Finder, TheSystemMenuGainsOneItemBelowTheSystemsOwn) {
    Load();
    const auto items = MenuItems(GetSystemMenu(FormWindow(*main), FALSE));
    std::size_t ours = items.size();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].first == "查找网站…") ours = i;
    ASSERT_LT(ours, items.size());
    EXPECT_EQ(items[ours].second, kFinderSystemCommand);
    ASSERT_GE(ours, 2u);
    EXPECT_EQ(items[ours - 1].first, "-");
    for (std::size_t i = 0; i + 1 < ours; ++i)
        EXPECT_TRUE(items[i].second == 0 || items[i].second >= 0xF000) << "system item " << items[i].first;
    EXPECT_TRUE(std::any_of(items.begin(), items.begin() + static_cast<long>(ours),
                            [](const auto& item) { return item.second == SC_CLOSE; }));
    // Only the site check's item and Wine's own, behind its separator, may follow.
    for (std::size_t i = ours + 1; i < items.size(); ++i)
        EXPECT_TRUE(items[i].first == "-" || items[i].second == kWineAboutCommand ||
                    items[i].second == kHealthSystemCommand)
            << items[i].first;
    SendMessageW(FormWindow(*main), WM_SYSCOMMAND, kFinderSystemCommand, 0);
    EXPECT_NE(FinderWindow(), nullptr);
}

// Other program items join the same group, after the finder's: the site check's, then a later one.
void NoCommand() {}
TEST_F(Finder, ALaterSystemMenuItemJoinsTheFindersGroup) {
    Load();
    HWND hwnd = FormWindow(*main);
    ASSERT_TRUE(AddSystemMenuCommand(hwnd, 0x0120, "检查", NoCommand));
    EXPECT_FALSE(AddSystemMenuCommand(hwnd, 0xF010, "x", NoCommand));
    const auto items = MenuItems(GetSystemMenu(hwnd, FALSE));
    std::size_t ours = 0;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].second == kFinderSystemCommand) ours = i;
    ASSERT_LT(ours + 2, items.size());
    EXPECT_EQ(items[ours + 1], (std::pair<std::string, UINT>{"检查网站…", kHealthSystemCommand}));
    EXPECT_EQ(items[ours + 2], (std::pair<std::string, UINT>{"检查", 0x0120}));
    EXPECT_EQ(std::count(items.begin(), items.end(), std::pair<std::string, UINT>{"-", 0}),
              std::count(items.begin(), items.begin() + static_cast<long>(ours),
                         std::pair<std::string, UINT>{"-", 0}) +
                  (items.back().second == kWineAboutCommand ? 1 : 0))
        << "no second separator of the program's";
}

TEST_F(Finder, CtrlFAnywhereOpensOneWindowAndASecondSelectsTheQuery) {
    AddCatalogue();
    Load();
    CtrlF(ControlWindow(*main, "网站标题"));
    ASSERT_NE(FinderWindow(), nullptr);
    EXPECT_EQ(FinderWindowCount(), 1);
    Type(L"forum");
    EXPECT_EQ(GetText(*FinderWindow(), kFinderQueryBox), "forum");
    SendMessageW(QueryBox(), EM_SETSEL, 5, 5);
    CtrlF(ControlWindow(*main, kSiteList));
    EXPECT_EQ(FinderWindowCount(), 1);
    DWORD from = 9, to = 9;
    SendMessageW(QueryBox(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 5u);
    EXPECT_EQ(GetFocus(), QueryBox());
    CtrlF(QueryBox());  // from the finder itself
    EXPECT_EQ(FinderWindowCount(), 1);
    EXPECT_EQ(GetText(*FinderWindow(), kFinderQueryBox), "forum") << "Ctrl+F types nothing";
    // A plain F is a letter.
    PostMessageW(ControlWindow(*main, "网站标题"), WM_KEYDOWN, 'F', 0x00210001);
    testing::Pump();
    EXPECT_EQ(FinderWindowCount(), 1);
}

TEST_F(Finder, TypingFindsSitesAcrossCategoriesRankedWithTheFirstSelected) {
    AddCatalogue();
    Load();
    Form& f = Open();
    EXPECT_EQ(Status(), "找到 0 个网站（共 5 个）");
    EXPECT_EQ(ListRowCount(f, kFinderList), 0) << "an empty query shows nothing";
    Type(L"wx2019");
    EXPECT_EQ(Results(kFinderAddressColumn), (Strings{"http://tools.cn", "http://bbs.b.cn"}));
    EXPECT_EQ(Results(kFinderCategoryColumn), (Strings{"工具", "论坛"}));
    EXPECT_EQ(Status(), "找到 2 个网站（共 5 个）");
    EXPECT_EQ(ListSelectedRow(f, kFinderList), 0);
    for (const ListRow& row : ListRows(f, kFinderList))
        for (const std::string& cell : row)
            EXPECT_EQ(cell.find("pw"), std::string::npos) << "never a password";
    Type(L" 论坛");
    EXPECT_EQ(Results(kFinderAddressColumn), (Strings{"http://bbs.b.cn"}));
    Clear();
    Type(L"ＦＯＲＵＭ");
    EXPECT_EQ(Results(kFinderAddressColumn),
              (Strings{"http://bbs.a.cn", "http://bbs.b.cn", "http://bbs.c.cn"}));
    Clear();
    Type(L"wz");
    EXPECT_EQ(Results(kFinderTitleColumn), (Strings{"网站统计"}));
    Clear();
    Type(L"a:b");
    EXPECT_EQ(ListRowCount(f, kFinderList), 0);
    EXPECT_EQ(Status(), "找到 0 个网站（共 5 个）");
}

TEST_F(Finder, EnterRightAfterTypingLandsOnTheWholeQuerysSite) {
    AddCatalogue();
    Load();
    Form& f = Open();
    // Every key is queued before the first is handled: "b" alone would find other sites first.
    Type(L"bbs.c", true);
    EXPECT_EQ(ComboSelectedText(*main, kFilterCombo), "论坛");
    EXPECT_EQ(SelectedMainAddress(), "http://bbs.c.cn");
    EXPECT_EQ(FinderWindow(), &f) << "the finder stays open";
    // Other test processes share the display, and a window of theirs may take the front at any
    // moment (our thread then holds no focus at all); only a window of ours there is a fault.
    HWND front = GetForegroundWindow();
    DWORD frontProcess = 0;
    GetWindowThreadProcessId(front, &frontProcess);
    if (frontProcess == GetCurrentProcessId() || GetFocus() != nullptr) {
        EXPECT_EQ(front, FormWindow(*main));
        EXPECT_EQ(GetFocus(), ControlWindow(*main, kSiteList));
    }
    EXPECT_TRUE(IsWindowVisible(FormWindow(f)));
    // The arrow keys move the selection Enter acts on.
    Clear();
    Type(L"forum");
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_UP);
    Key(VK_RETURN);
    EXPECT_EQ(SelectedMainAddress(), "http://bbs.b.cn");
    // A double click on a row of another category.
    Clear();
    Type(L"新闻");
    ListSelectRow(f, kFinderList, 0);
    NMITEMACTIVATE nm{};
    nm.hdr.hwndFrom = ControlWindow(f, kFinderList);
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(nm.hdr.hwndFrom));
    nm.hdr.code = NM_DBLCLK;
    SendMessageW(FormWindow(f), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(ComboSelectedText(*main, kFilterCombo), "新闻");
    EXPECT_EQ(SelectedMainAddress(), "http://news.cn");
}

TEST_F(Finder, ASiteRenamedInTheMainWindowIsFoundByItsNewTitleAtTheNextKey) {
    AddCatalogue();
    Load();
    Form& f = Open();
    Type(L"bbs.b");
    EXPECT_EQ(Results(kFinderTitleColumn), (Strings{"B Forum"}));
    PickFilter(1);
    Menu(1, "修改当前记录");
    Form* m = ModifyWindow();
    ASSERT_NE(m, nullptr);
    SetText(*m, "网站标题", "Zebra Board");
    Click(kSaveRecordButton, m);
    Clear();
    Type(L"zebr");
    EXPECT_EQ(Results(kFinderAddressColumn), (Strings{"http://bbs.b.cn"}));
    Type(L"a");
    EXPECT_EQ(Results(kFinderTitleColumn), (Strings{"Zebra Board"}));
    // Deleted in another instance: gone when the finder is activated again.
    RecordStore other;
    ASSERT_TRUE(other.Open(Folder() + kSiteStoreFile, "other", FindStoreInfo(kSiteStoreAlias)->password));
    ASSERT_TRUE(other.GoTo(4));
    ASSERT_TRUE(other.DeleteCurrent() && other.Purge());
    other.CloseAll();
    SendMessageW(FormWindow(f), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(ListRowCount(f, kFinderList), 0);
    EXPECT_EQ(Status(), "找到 0 个网站（共 4 个）");
}

TEST_F(Finder, AStoreThatCannotBeOpenedSaysSoOnceNotPerKey) {
    AddCatalogue();
    Load();
    Open();
    Type(L"bb");
    EXPECT_EQ(ListRowCount(*FinderWindow(), kFinderList), 3);
    HideStore(kSiteStoreFile, true);
    CloseStoreByName("");
    Type(L"s.a");
    EXPECT_EQ(Shown(), (Strings{"打开网站数据库失败！"}));
    HideStore(kSiteStoreFile, false);
    Type(L".");
    EXPECT_EQ(Results(kFinderAddressColumn), (Strings{"http://bbs.a.cn"}));
    EXPECT_TRUE(Shown().empty());
}

TEST_F(Finder, BadInputNeitherCrashesNorHangs) {
    AddCatalogue();
    Load();
    Form& f = Open();
    const DWORD start = GetTickCount();
    SetText(f, kFinderQueryBox, std::string(10000, 'w'));
    EXPECT_EQ(ListRowCount(f, kFinderList), 0);
    std::string chinese;
    for (int i = 0; i < 5000; ++i) chinese += "网";
    SetText(f, kFinderQueryBox, chinese);
    EXPECT_EQ(ListRowCount(f, kFinderList), 0);
    EXPECT_LT(GetTickCount() - start, 5000u);
    SetText(f, kFinderQueryBox,
            "lee\t\r\n\x01"
            "forum");
    EXPECT_EQ(Results(kFinderAddressColumn), (Strings{"http://bbs.a.cn"}));
    SetText(f, kFinderQueryBox, std::string("网站\xB0", 5));
    const std::string status = Status();
    EXPECT_EQ(status.substr(0, 5), "找到 ");
    EXPECT_EQ(status.substr(status.size() - 11), "（共 5 个）");
    Key(VK_RETURN);
    Key(VK_DOWN);
    SetText(f, kFinderQueryBox, "");
    Key(VK_RETURN);  // nothing to act on
    Key(VK_UP);
    EXPECT_EQ(ListRowCount(f, kFinderList), 0);
}

TEST_F(Finder, TheResultMenuOpensTheSiteLikeTheMainList) {
    AddCatalogue();
    Load();
    SetRegistryReadHookForTesting(FakeBrowser);
    SetProcessStartHookForTesting(RecordStart);
    g_started.clear();
    Form& f = Open();
    Type(L"tools");
    NMITEMACTIVATE nm{};
    nm.hdr.hwndFrom = ControlWindow(f, kFinderList);
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(nm.hdr.hwndFrom));
    nm.hdr.code = NM_RCLICK;
    SetPopupMenuHookForTesting(RecordListMenu);
    SendMessageW(FormWindow(f), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(g_listMenu,
              (std::vector<std::pair<std::string, UINT>>{{"打开", 1}, {"复制帐号", 2}, {"复制密码", 3}}));
    SetPopupMenuHookForTesting(testing::PickMenuItem);
    testing::g_menuChoice = "打开";
    SendMessageW(FormWindow(f), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    testing::g_menuChoice = nullptr;
    ASSERT_EQ(g_started.size(), 1u);
    EXPECT_NE(g_started[0].find(L"http://tools.cn"), std::wstring::npos);
}

TEST_F(Finder, ThePlaceAndSizeAreKeptInTheirOwnSection) {
    Load();
    Form& f = Open();
    SetWindowPos(FormWindow(f), nullptr, 40, 50, 500, 300, SWP_NOZORDER);
    testing::Pump();
    auto value = [this](const char* key) { return ReadIniString(SettingsFile(), kFinderWindowSection, key); };
    EXPECT_EQ(value(kLeftKey), "40");
    EXPECT_EQ(value(kTopKey), "50");
    EXPECT_EQ(value(kWidthKey), "500");
    EXPECT_EQ(value(kHeightKey), "300");
    const ControlRect list = GetControlRect(f, kFinderList);
    RECT client{};
    GetClientRect(FormWindow(f), &client);
    EXPECT_GT(list.height, 100);
    EXPECT_LE(list.left + list.width, client.right);
    DestroyWindow(FormWindow(f));
    testing::Pump();
    Form& again = Open();
    RECT r{};
    GetWindowRect(FormWindow(again), &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 500);
}

TEST_F(Finder, TheSkinnedWindowOpensAgainAtTheSizeItWasLeftAt) {
    Load();
    InstallSkin(FormWindow(*MainForm()), 6);
    Form& f = Open();
    SetWindowPos(FormWindow(f), nullptr, 30, 40, 520, 340, SWP_NOZORDER);
    testing::Pump();
    for (int opening = 1; opening <= 2; ++opening) {
        DestroyWindow(FormWindow(*FinderWindow()));
        testing::Pump();
        Form& again = Open();
        RECT r{};
        GetWindowRect(FormWindow(again), &r);
        EXPECT_EQ(r.right - r.left, 520) << "opening " << opening;
        EXPECT_EQ(r.bottom - r.top, 340) << "opening " << opening;
        EXPECT_EQ(ReadIniString(SettingsFile(), kFinderWindowSection, kHeightKey), "340");
    }
}

}  // namespace
}  // namespace qm
