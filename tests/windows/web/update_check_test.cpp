// The update check with the real main window, against the loopback server: which pages bring up
// the prompt and its exact text, silence on no answer, the browser started with the download
// address as one argument after a lookup made once, addresses the browser must not get, and the
// start that shows the window first and keeps it working while the check waits.
#include "app/program.h"
#include "catalogue/main_window_win.h"
#include "metrics_fixture.h"
#include "platform/win32/process_start_win.h"
#include "platform/win32/registry_win.h"
#include "web/update_offer.h"
#include "web/win32/update_check_win.h"

namespace qm {
namespace {

using testing::Pump;
using testing::Strings;
namespace pages = test::pages;

int g_registryReads = 0;
std::string ReadFakeRegistry(std::string_view) {
    ++g_registryReads;
    return "\"C:\\Program Files\\Browser\\browser.exe\" -osint -url \"%1\"";
}
std::vector<std::wstring> g_started;
bool RecordStart(const std::wstring& commandLine) {
    g_started.push_back(commandLine);
    return true;
}

class UpdateCheck : public testing::MetricsTest {
  protected:
    void SetUp() override {
        MetricsTest::SetUp();
        g_registryReads = 0;
        g_started.clear();
        SetRegistryReadHookForTesting(ReadFakeRegistry);
        SetProcessStartHookForTesting(RecordStart);
    }
    void TearDown() override {
        SetProcessStartHookForTesting(nullptr);
        SetRegistryReadHookForTesting(nullptr);
        MetricsTest::TearDown();
    }
    void ServeUpdate(std::string page, int delayMs = 0) {
        server.Serve(kUpdatePagePath, Page(std::move(page), delayMs));
    }
    void Check() { CheckForUpdate(GetText(*main, kMainFormName)); }
    // The prompts shown since the last call; every one must have the update title and Yes and No.
    Strings Prompts() {
        Strings out;
        for (const ShownDialog& d : script.shown) {
            EXPECT_EQ(d.title, "发现新版本");
            EXPECT_EQ(d.buttons, MessageButtons::YesNo);
            out.push_back(d.text);
        }
        script.shown.clear();
        return out;
    }
};

TEST_F(UpdateCheck, AnyOtherVersionBringsUpThePrompt) {
    Load();
    struct Case {
        std::string page;
        Strings prompts;
    } cases[] = {
        {pages::UpdateSameVersion(), {}},
        {pages::UpdateOtherVersion(),
         {"软件有新版本 v1.4 是否立即下载？\r\n\r\n此次更新内容有：\r\n\r\n1、新增备份\r\n\r\n2、修正导出"}},
        {pages::UpdateOlderVersion(),
         {"软件有新版本 v1.2 是否立即下载？\r\n\r\n此次更新内容有：\r\n\r\n1、旧版"}},
        {pages::UpdateWithoutVersion(),
         {"软件有新版本  是否立即下载？\r\n\r\n此次更新内容有：\r\n\r\n1、说明"}},
        {pages::UpdateNotesWithTrailingSeparator(),
         {"软件有新版本 v2.0 是否立即下载？\r\n\r\n此次更新内容有：\r\n\r\n1、第一项\r\n\r\n2、第二项"}},
        {"", {}},  // an empty answer
    };
    for (const Case& c : cases) {
        ServeUpdate(c.page);
        script.answers = {MessageAnswer::No};
        Check();
        EXPECT_EQ(Prompts(), c.prompts) << c.page;
    }
    EXPECT_TRUE(g_started.empty()) << "No opens nothing";
    EXPECT_EQ(g_registryReads, 0);
    const auto r = server.Requests().back();
    EXPECT_EQ(r.requestLine, "GET /soft/pvnt.html HTTP/1.1");
}

TEST_F(UpdateCheck, NoAnswerWithinThreeQuietSecondsShowsNothing) {
    Load();
    test::CannedResponse stalled;
    stalled.stall = true;
    server.Serve(kUpdatePagePath, stalled);
    Check();
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(Prompts(), Strings{});
    // So does an update host that refuses the connection.
    OverrideServiceHostsForTests("127.0.0.1:1");
    Check();
    EXPECT_EQ(Prompts(), Strings{});
}

TEST_F(UpdateCheck, TwoYesAnswersLookTheBrowserUpOnceAndOpenTheDownloadAsOneArgument) {
    Load();
    ServeUpdate(pages::UpdateOtherVersion(" http://dl.example/q14.zip?a=\"b\"\r\n"));
    script.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    Check();
    Check();
    EXPECT_EQ(Prompts().size(), 2u);
    EXPECT_EQ(g_registryReads, 1) << "read once, then kept";
    const std::wstring expected =
        L"\"C:\\Program Files\\Browser\\browser.exe\" \"http://dl.example/q14.zip?a=\\\"b\\\"\"";
    EXPECT_EQ(g_started, (std::vector<std::wstring>{expected, expected}));
}

TEST_F(UpdateCheck, ADownloadAddressTheBrowserMustNotGetStartsNothing) {
    Load();
    for (const char* download : {"-new-window http://dl.example/", "http://dl.example/q 1.4.zip", "--silent",
                                 "file:///C:/windows/q.exe", "C:\\q.exe", "\\\\server\\q.exe",
                                 "javascript:alert(1)", "http://", ""}) {
        ServeUpdate(pages::UpdateOtherVersion(download));
        script.answers = {MessageAnswer::Yes};
        Check();
        EXPECT_EQ(Prompts().size(), 1u) << download;
    }
    EXPECT_TRUE(g_started.empty());
}

// The start of the program (RunProgram) with a slow update page: the window is visible and answers
// a click while the check waits; the prompt comes after; closing the window ends the program.
struct StartWatch {
    const test::LoopbackServer* server = nullptr;
    DialogScript* script = nullptr;
    bool sawWait = false, visibleWhileWaiting = false, promptBeforeClick = false;
} g_watch;

void CALLBACK WatchStart(HWND, UINT, UINT_PTR timer, DWORD) {
    Form* main = MainForm();
    if (!main) return;
    if (!g_watch.sawWait && g_watch.server->Requests().size() == 1) {
        g_watch.sawWait = true;
        g_watch.visibleWhileWaiting = IsWindowVisible(FormWindow(*main)) != FALSE;
        g_watch.promptBeforeClick = !g_watch.script->shown.empty();
        HWND add = ControlWindow(*main, kAddSiteButton);
        PostMessageW(GetParent(add), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(add), BN_CLICKED),
                     reinterpret_cast<LPARAM>(add));
    }
    if (g_watch.script->shown.size() >= 2) {
        KillTimer(nullptr, timer);
        DestroyWindow(FormWindow(*main));
    }
}
void CALLBACK GiveUp(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (Form* main = MainForm()) DestroyWindow(FormWindow(*main));
}

TEST_F(UpdateCheck, TheStartShowsTheWindowFirstAndItAnswersWhileTheCheckWaits) {
    ServeUpdate(pages::UpdateOtherVersion(), 1500);
    g_watch = StartWatch{&server, &script};
    script.answers = {MessageAnswer::Ok, MessageAnswer::No};
    const UINT_PTR watch = SetTimer(nullptr, 0, 30, WatchStart);
    const UINT_PTR giveUp = SetTimer(nullptr, 0, 20000, GiveUp);
    EXPECT_EQ(RunProgram(), 0);
    KillTimer(nullptr, watch);
    KillTimer(nullptr, giveUp);
    EXPECT_TRUE(g_watch.sawWait);
    EXPECT_TRUE(g_watch.visibleWhileWaiting);
    EXPECT_FALSE(g_watch.promptBeforeClick);
    Strings shown;
    for (const ShownDialog& d : script.shown) shown.push_back(d.text);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "网站地址不能为空！") << "the click was handled while the check waited";
    EXPECT_EQ(shown[1].rfind("软件有新版本 v1.4 ", 0), 0u);
    EXPECT_EQ(MainForm(), nullptr);
}

}  // namespace
}  // namespace qm
