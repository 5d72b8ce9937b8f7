// The site check's window in the real main window: its two ways in after the finder's (the menus
// the list always had left as they were), one window only, a check of a category against
// loopback servers with every row, the summary and the progress, stop and close during a check,
// results kept across a reopen, sorting, the double click into the main list, the export and its
// place in the settings file.
#include "catalogue/health_form.h"
#include "catalogue/health_window_win.h"
#include "catalogue/system_menu_win.h"
#include "catalogue_fixture.h"
#include "core/settings.h"
#include "core/site_checks.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "platform/whole_file.h"
#include "platform/win32/file_dialogs_win.h"
#include "platform/win32/wide.h"
#include "skin/skin_win.h"
#include "tests/support/loopback_server.h"

namespace qm {
namespace {

using Strings = std::vector<std::string>;
using test::CannedResponse;
using test::LoopbackServer;

CannedResponse Page(std::string status, std::string body, std::vector<std::string> headers = {}) {
    CannedResponse r;
    r.status = std::move(status);
    r.body = std::move(body);
    r.headers = std::move(headers);
    return r;
}

class Health : public testing::CatalogueTest {
  protected:
    void SetUp() override {
        testing::CatalogueTest::SetUp();
        CheckOptions options;
        options.timeoutMs = 3000;
        SetHealthCheckForTesting(nullptr, options);
    }
    void TearDown() override {
        SetFileDialogHookForTesting(nullptr);
        testing::CatalogueTest::TearDown();
        EXPECT_EQ(HealthWindow(), nullptr) << "closed with the main window";
        EXPECT_FALSE(HealthCheckRunning());
        SetHealthCheckForTesting(nullptr, {});
    }
    void AddSites(const std::vector<Fields>& sites) {
        ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
        for (const Fields& s : sites) ASSERT_TRUE(Stores().Append(s));
        CloseStoreByName(kSiteStoreAlias);
    }
    Form& Open() {
        OpenHealthWindow();
        testing::Pump();
        Form* f = HealthWindow();
        EXPECT_NE(f, nullptr);
        return *f;
    }
    // Pumps until the check ends; false after timeoutMs.
    bool WaitForCheck(int timeoutMs) {
        const ULONGLONG start = GetTickCount64();
        while (HealthCheckRunning() && GetTickCount64() - start < static_cast<ULONGLONG>(timeoutMs)) {
            testing::Pump();
            Sleep(10);
        }
        testing::Pump();
        return !HealthCheckRunning();
    }
    Strings Cells(int column) {
        Strings out;
        for (const ListRow& row : ListRows(*HealthWindow(), kHealthList)) out.push_back(row[column]);
        return out;
    }
    void HeaderClick(int column) {
        NMLISTVIEW nm{};
        nm.hdr.hwndFrom = ControlWindow(*HealthWindow(), kHealthList);
        nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(nm.hdr.hwndFrom));
        nm.hdr.code = LVN_COLUMNCLICK;
        nm.iItem = -1;
        nm.iSubItem = column;
        SendMessageW(GetParent(nm.hdr.hwndFrom), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
        testing::Pump();
    }
    void PickCategory(const std::string& name) {
        Form& f = *HealthWindow();
        HWND combo = ControlWindow(f, kHealthCategoryCombo);
        for (int i = 0; i < ComboCount(f, kHealthCategoryCombo); ++i)
            if (ComboItem(f, kHealthCategoryCombo, i) == name)
                SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
        SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        testing::Pump();
    }
};

std::vector<std::pair<std::string, UINT>> g_listMenu;
int RecordListMenu(HMENU menu, const MenuDef&) {
    g_listMenu.clear();
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        g_listMenu.emplace_back(text[0] ? FromWide(text) : "-", GetMenuItemID(menu, i));
    }
    return -1;
}

TEST_F(Health, BothMenusGainTheItemAfterTheFindersAndOpenOneWindow) {
    AddCategories({"新闻", "论坛"});
    AddSites({{"论坛", "http://bbs.cn", "BBS"}});
    Load();
    PickFilter(1);  // 论坛, whose site gives the list a row to right-click
    testing::Pump();
    SetPopupMenuHookForTesting(RecordListMenu);
    Menu(0, nullptr);
    SetPopupMenuHookForTesting(testing::PickMenuItem);
    ASSERT_GE(g_listMenu.size(), 3u);
    EXPECT_EQ(g_listMenu[g_listMenu.size() - 3].first, "-");
    EXPECT_EQ(g_listMenu[g_listMenu.size() - 2].first, "查找网站…");
    EXPECT_EQ(g_listMenu.back().first, "检查网站…");

    Menu(0, "检查网站…");
    Form* f = HealthWindow();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(GetWindow(FormWindow(*f), GW_OWNER), FormWindow(*main));
    EXPECT_EQ(GetText(*f, kHealthFormName), "网站检查");
    EXPECT_EQ(ComboItems(*f, kHealthCategoryCombo), (Strings{"所有数据", "新闻", "论坛"}));
    EXPECT_EQ(ComboSelectedText(*f, kHealthCategoryCombo), "论坛") << "the main window's category";
    EXPECT_EQ(GetText(*f, kHealthStartButton), "开始检查");
    EXPECT_EQ(GetText(*f, kHealthExportButton), "导出报告");
    EXPECT_EQ(GetText(*f, kHealthProgressText), "已检查 0 / 1");
    EXPECT_EQ(GetText(*f, kHealthSummary), "正常 0，跳转 0，出错 0，证书将过期 0");
    EXPECT_EQ(Cells(kHealthAddressColumn), (Strings{"http://bbs.cn"}));
    const auto& columns = FormDefinition(*f).controls;
    const auto list = std::find_if(columns.begin(), columns.end(),
                                   [](const ControlDef& c) { return c.name == kHealthList; });
    ASSERT_NE(list, columns.end());
    Strings headers;
    for (const ListColumnDef& c : list->columns) headers.push_back(c.header);
    EXPECT_EQ(headers, (Strings{"网站标题", "网站地址", "状态", "最终地址", "响应(ms)", "证书剩余(天)",
                                "页面标题", "编号"}));

    // The system menu opens the same window, never a second one.
    SendMessageW(FormWindow(*main), WM_SYSCOMMAND, kHealthSystemCommand, 0);
    testing::Pump();
    EXPECT_EQ(HealthWindow(), f);
    int windows = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) {
            if (Form* w = FormFromWindow(hwnd); w && FormDefinition(*w).name == kHealthFormName)
                ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    EXPECT_EQ(windows, 1);
}

TEST_F(Health, ACheckShowsEveryKindAndKeepsItsResultsForTheNextOpen) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    server.Serve("/ok", Page("200 OK", "<title>正常页</title>", {"Content-Type: text/html; charset=gbk"}));
    server.Serve("/old", Page("301 Moved Permanently", "", {"Location: /ok"}));
    std::string refused;
    {
        LoopbackServer gone;
        refused = gone.Address("/");
    }
    AddCategories({"甲", "乙"});
    AddSites({{"甲", server.Address("/ok"), "好站"},
              {"甲", server.Address("/old"), "搬家"},
              {"乙", server.Address("/other"), "别类"},
              {"甲", server.Address("/missing"), "没了"},
              {"甲", refused, "关了"},
              {"甲", "ftp://files.cn", "文件"}});
    Load();
    Form& f = Open();
    PickCategory("甲");
    EXPECT_EQ(ListRowCount(f, kHealthList), 5);
    Click(kHealthStartButton, &f);
    EXPECT_EQ(GetText(f, kHealthStartButton), "停止");
    ASSERT_TRUE(WaitForCheck(15000));
    EXPECT_EQ(GetText(f, kHealthStartButton), "开始检查");
    EXPECT_EQ(GetText(f, kHealthProgressText), "已检查 5 / 5");
    EXPECT_EQ(Cells(kHealthStatusColumn), (Strings{"√ 200", "→ 200", "× 404", "× 连接被拒绝", "× 地址无效"}));
    EXPECT_EQ(Cells(kHealthFinalColumn), (Strings{"", server.Address("/ok"), "", "", ""}));
    EXPECT_EQ(Cells(kHealthPageTitleColumn)[0], "正常页");
    EXPECT_FALSE(Cells(kHealthMsColumn)[0].empty());
    EXPECT_EQ(GetText(f, kHealthSummary), "正常 1，跳转 1，出错 3，证书将过期 0");
    const auto requests = server.Requests();
    EXPECT_EQ(requests.size(), 4u) << "the redirect followed, the other category's site left alone";
    for (const auto& r : requests) EXPECT_NE(r.target, "/other");

    // Kept in the results file and shown when the window opens again.
    ASSERT_EQ(LoadSiteChecks().size(), 5u);
    DestroyWindow(FormWindow(f));
    testing::Pump();
    Form& again = Open();
    PickCategory("所有数据");
    EXPECT_EQ(ListRowCount(again, kHealthList), 6);
    EXPECT_EQ(Cells(kHealthStatusColumn),
              (Strings{"√ 200", "→ 200", "", "× 404", "× 连接被拒绝", "× 地址无效"}));
    EXPECT_EQ(GetText(again, kHealthSummary), "正常 1，跳转 1，出错 3，证书将过期 0");
    EXPECT_EQ(GetText(again, kHealthProgressText), "已检查 5 / 6");
}

TEST_F(Health, ARunRedrawsOnlyRowsThatChangeAndEndsInTheChosenOrder) {
    LoopbackServer server;
    ASSERT_TRUE(server.Listening());
    server.Serve("/a", Page("200 OK", "<title>A</title>"));
    server.Serve("/b", Page("404 Not Found", ""));
    server.Serve("/c", Page("302 Found", "", {"Location: /a"}));
    AddCategories({"甲"});
    AddSites({{"甲", server.Address("/a"), "甲站"},
              {"甲", server.Address("/b"), "乙站"},
              {"甲", server.Address("/c"), "丙站"},
              {"甲", "mailto:x@y.cn", "丁站"}});
    SiteCheck old;
    old.address = server.Address("/b");
    old.outcome = CheckOutcome::kAnswered;
    old.status = 200;
    ASSERT_TRUE(SaveSiteChecks({old}));
    Load();
    Form& f = Open();
    HeaderClick(kHealthStatusColumn);
    EXPECT_EQ(Cells(kHealthTitleColumn), (Strings{"乙站", "甲站", "丙站", "丁站"}));
    HWND list = ControlWindow(f, kHealthList);
    testing::Pump();
    RECT dirty{};
    ASSERT_FALSE(GetUpdateRect(list, &dirty, FALSE));

    // The start reads the same rows again: nothing in the list needs painting.
    HWND start = ControlWindow(f, kHealthStartButton);
    SendMessageW(FormWindow(f), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(start), BN_CLICKED),
                 reinterpret_cast<LPARAM>(start));
    ASSERT_TRUE(HealthCheckRunning());
    EXPECT_FALSE(GetUpdateRect(list, &dirty, FALSE))
        << "painted again: " << dirty.left << "," << dirty.top << " " << dirty.right << "," << dirty.bottom;
    // Nor does the click paint the controls it changes: they wait for the next paint, each apart.
    for (const char* name : {kHealthStartButton, kHealthExportButton, kHealthProgressText})
        EXPECT_TRUE(GetUpdateRect(ControlWindow(f, name), &dirty, FALSE)) << name << " painted in the click";
    EXPECT_EQ(GetText(f, kHealthStartButton), "停止");
    EXPECT_EQ(GetText(f, kHealthProgressText), "已检查 0 / 4");
    EXPECT_FALSE(IsWindowEnabled(ControlWindow(f, kHealthExportButton)));
    ASSERT_TRUE(WaitForCheck(15000));
    // Errors first (no code before 404), then ok and redirected, as a fresh sort gives them.
    EXPECT_EQ(Cells(kHealthTitleColumn), (Strings{"丁站", "乙站", "甲站", "丙站"}));
    EXPECT_EQ(Cells(kHealthStatusColumn), (Strings{"× 地址无效", "× 404", "√ 200", "→ 200"}));
    EXPECT_EQ(GetText(f, kHealthProgressText), "已检查 4 / 4");
    EXPECT_EQ(GetText(f, kHealthSummary), "正常 1，跳转 1，出错 2，证书将过期 0");
    const ListTable shown = ListRows(f, kHealthList);
    HeaderClick(kHealthTitleColumn);
    HeaderClick(kHealthStatusColumn);
    for (int column = 0; column <= kHealthRecordColumn; ++column)
        for (std::size_t row = 0; row < shown.size(); ++row)
            EXPECT_EQ(ListCell(f, kHealthList, static_cast<int>(row), column), shown.Cell(row, column))
                << "row " << row << ", column " << column;
    EXPECT_EQ(LoadSiteChecks().size(), 4u);
}

TEST_F(Health, StopAndCloseEndACheckAtOnce) {
    LoopbackServer stuck;
    CannedResponse stall;
    stall.stall = true;
    stuck.ServeOthers(stall);
    std::vector<Fields> sites;
    for (int i = 0; i < 30; ++i) sites.push_back({"慢", stuck.Address("/" + std::to_string(i)), "站"});
    AddCategories({"慢"});
    AddSites(sites);
    CheckOptions options;
    options.timeoutMs = 20000;
    SetHealthCheckForTesting(nullptr, options);
    Load();
    Form& f = Open();
    Click(kHealthStartButton, &f);
    ASSERT_TRUE(stuck.WaitForRequests(2, 5000));
    ULONGLONG start = GetTickCount64();
    Click(kHealthStartButton, &f);  // 停止
    EXPECT_FALSE(HealthCheckRunning());
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_EQ(GetText(f, kHealthStartButton), "开始检查");
    EXPECT_EQ(GetText(f, kHealthProgressText), "已检查 0 / 30");

    // Closing the window during a check.
    Click(kHealthStartButton, &f);
    EXPECT_TRUE(HealthCheckRunning());
    start = GetTickCount64();
    DestroyWindow(FormWindow(f));
    testing::Pump();
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_EQ(HealthWindow(), nullptr);
    EXPECT_FALSE(HealthCheckRunning());

    // Closing the program (its main window) during a check.
    Form& third = Open();
    Click(kHealthStartButton, &third);
    EXPECT_TRUE(HealthCheckRunning());
    start = GetTickCount64();
    Close();
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_EQ(HealthWindow(), nullptr);
    EXPECT_FALSE(HealthCheckRunning());
    EXPECT_LE(stuck.Requests().size(), 6u) << "two per host, three starts";
}

TEST_F(Health, ManyResultsInSightArePaintedAFewRowsATick) {
    LoopbackServer stuck;
    CannedResponse stall;
    stall.stall = true;
    stuck.ServeOthers(stall);
    std::vector<Fields> sites;
    for (int i = 0; i < 10; ++i) sites.push_back({"快", "ftp://files" + std::to_string(i) + ".cn", "站"});
    sites.push_back({"快", stuck.Address("/"), "慢站"});  // keeps the run going
    AddCategories({"快"});
    AddSites(sites);
    Load();
    Form& f = Open();
    HWND list = ControlWindow(f, kHealthList);
    ASSERT_GE(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0), 11) << "every row in sight";
    Click(kHealthStartButton, &f);
    ASSERT_TRUE(stuck.WaitForRequests(1, 5000));
    // The ten addresses that are not requested are done at once; the ticks alone run, no paint.
    std::vector<int> dirtyRows;
    for (int tick = 0; tick < 4; ++tick) {
        MSG msg;
        const ULONGLONG start = GetTickCount64();
        while (!PeekMessageW(&msg, FormWindow(f), WM_TIMER, WM_TIMER, PM_REMOVE) &&
               GetTickCount64() - start < 2000)
            Sleep(5);
        DispatchMessageW(&msg);
        HRGN dirty = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(list, dirty, FALSE);
        int rows = 0;
        for (int r = 0; r < 11; ++r) {
            RECT at{LVIR_BOUNDS};
            SendMessageW(list, LVM_GETITEMRECT, r, reinterpret_cast<LPARAM>(&at));
            rows += RectInRegion(dirty, &at) != FALSE;
        }
        DeleteObject(dirty);
        dirtyRows.push_back(rows);
        ValidateRect(list, nullptr);
    }
    EXPECT_EQ(dirtyRows, (std::vector<int>{4, 4, 2, 0}));
    Click(kHealthStartButton, &f);  // 停止
    testing::Pump();
    EXPECT_EQ(Cells(kHealthStatusColumn)[9], "× 地址无效");
    EXPECT_EQ(GetText(f, kHealthProgressText), "已检查 10 / 11");
}

TEST_F(Health, StoredResultsSortByAnyColumnAndADoubleClickShowsTheSiteInTheMainList) {
    AddCategories({"甲", "乙"});
    AddSites({{"甲", "http://a.cn", "A"},
              {"乙", "http://b.cn", "B"},
              {"甲", "http://c.cn", "C"},
              {"乙", "http://d.cn", "D"}});
    auto result = [](std::string address, int status, long long ms, int days) {
        SiteCheck c;
        c.address = std::move(address);
        c.outcome = CheckOutcome::kAnswered;
        c.status = status;
        c.firstByteMs = ms;
        c.certificateDays = days;
        return c;
    };
    ASSERT_TRUE(SaveSiteChecks({result("http://a.cn", 200, 300, 90),
                                result("http://b.cn", 500, 20, kNoCertificateDays),
                                result("http://c.cn", 200, 100, 5)}));
    Load();
    Form& f = Open();
    PickCategory("所有数据");
    EXPECT_EQ(GetText(f, kHealthSummary), "正常 2，跳转 0，出错 1，证书将过期 1");
    EXPECT_EQ(Cells(kHealthStatusColumn), (Strings{"√ 200", "× 500", "！ 200", ""}));
    HeaderClick(kHealthMsColumn);
    EXPECT_EQ(Cells(kHealthTitleColumn), (Strings{"B", "C", "A", "D"}));
    HeaderClick(kHealthMsColumn);
    EXPECT_EQ(Cells(kHealthTitleColumn), (Strings{"A", "C", "B", "D"})) << "the unchecked site stays last";
    HeaderClick(kHealthDaysColumn);
    EXPECT_EQ(Cells(kHealthTitleColumn), (Strings{"C", "A", "B", "D"}));
    HeaderClick(kHealthStatusColumn);
    EXPECT_EQ(Cells(kHealthTitleColumn), (Strings{"B", "C", "A", "D"})) << "errors first";
    HeaderClick(kHealthTitleColumn);
    HeaderClick(kHealthTitleColumn);
    EXPECT_EQ(Cells(kHealthTitleColumn), (Strings{"D", "C", "B", "A"}));

    // Row 2 is C, of category 甲.
    ListSelectRow(f, kHealthList, 1);
    NMITEMACTIVATE nm{};
    nm.hdr.hwndFrom = ControlWindow(f, kHealthList);
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(nm.hdr.hwndFrom));
    nm.hdr.code = NM_DBLCLK;
    nm.iItem = 1;
    SendMessageW(FormWindow(f), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    testing::Pump();
    EXPECT_EQ(ComboSelectedText(*main, kFilterCombo), "甲");
    EXPECT_EQ(ListCell(*main, kSiteList, ListSelectedRow(*main, kSiteList), 1), "http://c.cn");
    EXPECT_EQ(HealthWindow(), &f) << "the window stays open";
}

TEST_F(Health, TheExportIsUtf8CsvOfTheShownRows) {
    AddCategories({"甲"});
    AddSites({{"甲", "http://a.cn", "标题,一"}, {"甲", "http://b.cn", "二"}});
    SiteCheck c;
    c.address = "http://a.cn";
    c.outcome = CheckOutcome::kAnswered;
    c.status = 200;
    c.firstByteMs = 12;
    c.pageTitle = "页面";
    ASSERT_TRUE(SaveSiteChecks({c}));
    const std::string path = Folder() + "\\报告.csv";
    SetFileDialogHookForTesting([&path](const FileDialogRequest& r) -> std::optional<std::string> {
        EXPECT_TRUE(r.save);
        return path;
    });
    Load();
    Form& f = Open();
    Click(kHealthExportButton, &f);
    const std::optional<std::string> bytes = ReadWholeFile(path);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, GbkToUtf8("网站标题,网站地址,状态,最终地址,响应(ms),证书剩余(天),页面标题\r\n"
                                "\"标题,一\",http://a.cn,200,,12,,页面\r\n"));
}

TEST_F(Health, ThePlaceAndSizeAreKeptInTheirOwnSection) {
    Load();
    Form& f = Open();
    SetWindowPos(FormWindow(f), nullptr, 30, 40, 600, 350, SWP_NOZORDER);
    testing::Pump();
    auto value = [this](const char* key) { return ReadIniString(SettingsFile(), kHealthWindowSection, key); };
    EXPECT_EQ(value(kLeftKey), "30");
    EXPECT_EQ(value(kTopKey), "40");
    EXPECT_EQ(value(kWidthKey), "600");
    EXPECT_EQ(value(kHeightKey), "350");
    EXPECT_EQ(ReadIniString(SettingsFile(), kFinderWindowSection, kWidthKey), "");
    const ControlRect list = GetControlRect(f, kHealthList);
    RECT client{};
    GetClientRect(FormWindow(f), &client);
    EXPECT_GT(list.height, 100);
    EXPECT_LE(list.left + list.width, client.right);
    DestroyWindow(FormWindow(f));
    testing::Pump();
    Form& again = Open();
    RECT r{};
    GetWindowRect(FormWindow(again), &r);
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.right - r.left, 600);
}

// The program's skin draws a frame of its own around the client area it finds.
TEST_F(Health, TheSkinnedWindowOpensAgainAtTheSizeItWasLeftAt) {
    Load();
    InstallSkin(FormWindow(*MainForm()), 6);
    Form& f = Open();
    SetWindowPos(FormWindow(f), nullptr, 30, 40, 600, 350, SWP_NOZORDER);
    testing::Pump();
    for (int opening = 1; opening <= 2; ++opening) {
        DestroyWindow(FormWindow(*HealthWindow()));
        testing::Pump();
        Form& again = Open();
        RECT r{};
        GetWindowRect(FormWindow(again), &r);
        EXPECT_EQ(r.right - r.left, 600) << "opening " << opening;
        EXPECT_EQ(r.bottom - r.top, 350) << "opening " << opening;
        EXPECT_EQ(ReadIniString(SettingsFile(), kHealthWindowSection, kHeightKey), "350");
    }
}

}  // namespace
}  // namespace qm
