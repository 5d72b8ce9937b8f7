// Opening a site in the browser and the software password window, in the real main window: the
// registry command and its retry, the command line each address gives (read back with
// CommandLineToArgvW), the password rules. Copying an account or a password: copied_secret_test.cpp.
#include "catalogue_fixture.h"
// after windows.h, which it needs
#include <shellapi.h>

#include <stdexcept>

#include "catalogue/password_window.h"
#include "catalogue/record_actions_win.h"
#include "core/access_guard.h"
#include "core/browser_launch_win.h"
#include "platform/win32/process_start_win.h"
#include "platform/win32/registry_win.h"
#include "platform/win32/wide.h"

namespace qm {
namespace {

using Strings = std::vector<std::string>;

const char* g_registryValue = "";
std::vector<std::string> g_registryKeys;
std::string ReadFakeRegistry(std::string_view key) {
    g_registryKeys.emplace_back(key);
    return g_registryValue;
}

std::vector<std::wstring> g_started;
bool RecordStart(const std::wstring& commandLine) {
    g_started.push_back(commandLine);
    return true;
}

std::vector<std::wstring> Argv(const std::wstring& commandLine) {
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(commandLine.c_str(), &n);
    std::vector<std::wstring> out(argv, argv + n);
    LocalFree(argv);
    return out;
}

const wchar_t kBrowser[] = L"C:\\Program Files\\Web Browser\\browser.exe";

class RecordActions : public testing::CatalogueTest {
  protected:
    void SetUp() override {
        testing::CatalogueTest::SetUp();
        g_registryValue = "\"C:\\Program Files\\Web Browser\\browser.exe\" -osint -url \"%1\"";
        g_registryKeys.clear();
        g_started.clear();
        SetRegistryReadHookForTesting(ReadFakeRegistry);
        SetProcessStartHookForTesting(RecordStart);
    }
    void TearDown() override {
        SetProcessStartHookForTesting(nullptr);
        SetRegistryReadHookForTesting(nullptr);
        fileio::SetFaultHook(nullptr);
        testing::CatalogueTest::TearDown();
    }
    // The menu opens over a row only: the catalogue needs a site.
    Form& LoadWithASite() {
        AddCategories({"A"});
        AddSites({{"A", "http://a.com", "1"}});
        return Load();
    }
    Form& PasswordWindowFilled(const char* oldPw, const char* newPw, const char* confirm) {
        Menu(0, "设置软件密码");
        Form* w = PasswordWindow();
        if (!w) throw std::runtime_error("no password window");
        SetText(*w, kOldPasswordBox, oldPw);
        SetText(*w, kNewPasswordBox, newPw);
        SetText(*w, kConfirmPasswordBox, confirm);
        return *w;
    }
};

TEST_F(RecordActions, TheQuotedRegistryCommandStartsTheBrowserWithTheAddressOnce) {
    AddCategories({"A"});
    AddSites({{"A", "http://a.com/x", "1"}, {"A", "http://b.com", "2"}});
    Load();
    ListSelectRow(*main, kSiteList, 1);
    DoubleClickList();
    Menu(0, "打开");
    EXPECT_EQ(g_registryKeys, Strings{"http\\shell\\open\\command\\"}) << "looked up once, then kept";
    EXPECT_EQ(State().browserCommand, FromWide(kBrowser));
    ASSERT_EQ(g_started.size(), 2u);
    EXPECT_EQ(Argv(g_started[0]), (std::vector<std::wstring>{kBrowser, L"http://b.com"}));
    EXPECT_EQ(Argv(g_started[1]), (std::vector<std::wstring>{kBrowser, L"http://a.com/x"}));
    ListSelectRow(*main, kSiteList, -1);
    DoubleClickList();  // on an empty part of the list: the browser without an address
    ASSERT_EQ(g_started.size(), 3u);
    EXPECT_EQ(Argv(g_started[2]), std::vector<std::wstring>{kBrowser});
    EXPECT_TRUE(Shown().empty());
}

TEST_F(RecordActions, AnUnquotedCommandStartsNothingAndIsReadAgainNextTime) {
    LoadWithASite();
    g_registryValue = "C:\\browser.exe %1";
    Menu(0, "打开");
    Menu(0, "打开");
    EXPECT_TRUE(g_started.empty());
    EXPECT_EQ(g_registryKeys.size(), 2u);
    EXPECT_TRUE(Shown().empty());
    g_registryValue = "\"C:\\b.exe\"";
    Menu(0, "打开");
    ASSERT_EQ(g_started.size(), 1u);
    EXPECT_EQ(Argv(g_started[0]), (std::vector<std::wstring>{L"C:\\b.exe", L"http://a.com"}));
    // The real registry: a key path ending with a backslash names the default value.
    SetRegistryReadHookForTesting(nullptr);
    EXPECT_NE(ReadClassesRootDefault("txtfile\\shell\\open\\command\\").find("notepad.exe"),
              std::string::npos);
    EXPECT_EQ(ReadClassesRootDefault("no-such-class\\shell\\open\\command\\"), "");
}

// Every accepted address reaches the browser as exactly one argument, unchanged; an address the
// browser would take for an option or a local or network file is not launched at all.
TEST_F(RecordActions, HostileAddressesNeverBecomeMoreThanOneArgument) {
    State().browserCommand = FromWide(kBrowser);
    const char* accepted[] = {
        "http://a.com/\" --renderer-cmd-prefix=calc",
        "http://a.com/ \"-new-window\" x",
        "http://a.com/path\\",
        "http://a.com/a\\\"b",
        "http://a.com/\\\\\"",
        "http://a.com/x\\\\",
        "\"http://a.com\"",
        "http://a b c/ d",
        "http://a.com/ & calc.exe | more > out",
        "http://a.com/%22x%22 ^\"",
        "http://网站.cn/淺\\\"丄",
        "http://a.com/\"\"\"",
        "https://a.com/?q=\" \"",
        " http://lead.blank",
        "www.a.com",
    };
    const char* refused[] = {
        "-incognito",
        "--renderer-cmd-prefix=calc.exe",
        "  -new-window",
        "/c calc",
        "//server/share/page.html",
        "\\\\server\\share\\page.html",
        "\\\\?\\C:\\Windows\\notepad.exe",
        "\\Windows\\System32\\calc.exe",
        "\\\"",
        "file:///C:/Windows/win.ini",
        "FILE://server/x",
        " file:c:\\x",
        "C:\\Windows\\notepad.exe",
        "c:/x.html",
        "Z:x",
        "http://a.com/\r\n--evil",
        "http://a.com/\t-x",
    };
    int count = 0;
    for (const char* a : accepted) {
        g_started.clear();
        EXPECT_TRUE(OpenInDefaultBrowser(a)) << a;
        ASSERT_EQ(g_started.size(), 1u) << a;
        EXPECT_EQ(Argv(g_started[0]), (std::vector<std::wstring>{kBrowser, ToWide(a)})) << a;
        ++count;
    }
    for (const char* a : refused) {
        g_started.clear();
        EXPECT_FALSE(OpenInDefaultBrowser(a)) << a;
        EXPECT_TRUE(g_started.empty()) << a;
        ++count;
    }
    EXPECT_GE(count, 30);
}

TEST_F(RecordActions, PasswordSetFromEmptyIsAskedAtTheNextStart) {
    LoadWithASite();
    Form& w = PasswordWindowFilled("", "密码", "密码");
    EXPECT_EQ(GetText(w, kPasswordFormName), "修改软件密码");
    EXPECT_EQ(GetWindow(FormWindow(w), GW_OWNER), FormWindow(*main));
    EXPECT_EQ(SendMessageW(ControlWindow(w, kNewPasswordBox), EM_GETPASSWORDCHAR, 0, 0), L'*');
    Click(kPasswordOkButton, &w);
    EXPECT_EQ(Shown(), Strings{"软件密码修改成功！"});
    EXPECT_EQ(PasswordWindow(), nullptr);
    EXPECT_EQ(GeneralRecord().second, "密码");
    script.inputs = {std::string("密码")};
    EXPECT_TRUE(RunAccessGuard(CurrentLocalDateTime(), [](const std::string&) {}));
    EXPECT_EQ(Shown(), Strings{"请输入登陆密码！"});
}

TEST_F(RecordActions, WrongOrMismatchedPasswordsKeepTheWindowAndTheStoredPassword) {
    SetGeneralRecord("", "abc");
    script.inputs = {std::string("abc")};
    LoadWithASite();
    Shown();
    struct Case {
        const char *oldPw, *newPw, *confirm, *message;
    } cases[] = {
        {"abc ", "x", "x", "旧密码输入错误！"},
        {"ABC", "x", "x", "旧密码输入错误！"},
        {"abc", "x", "x ", "两次输入密码不一样！"},
    };
    for (const Case& c : cases) {
        Form& w = PasswordWindowFilled(c.oldPw, c.newPw, c.confirm);
        Click(kPasswordOkButton, &w);
        EXPECT_EQ(Shown(), Strings{c.message}) << c.oldPw;
        EXPECT_EQ(PasswordWindow(), &w);
    }
    fileio::SetFaultHook(
        [](fileio::Op op) { return op == fileio::Op::Write ? fileio::Fault::Fail : fileio::Fault::None; });
    Form& w = PasswordWindowFilled("abc", "", "");
    Click(kPasswordOkButton, &w);
    fileio::SetFaultHook(nullptr);
    EXPECT_EQ(Shown(), Strings{"修改软件密码失败！"}) << "a failed write is no success";
    EXPECT_EQ(PasswordWindow(), &w);
    EXPECT_EQ(GeneralRecord().second, "abc");
    HideStore(kGeneralStoreFile, true);
    Click(kPasswordOkButton, &w);
    EXPECT_EQ(Shown(), Strings{"读密码数据失败！"});
    HideStore(kGeneralStoreFile, false);
    Click(kPasswordOkButton, &w);  // no password any more
    EXPECT_EQ(Shown(), Strings{"软件密码修改成功！"});
    EXPECT_EQ(GeneralRecord().second, "");
}

}  // namespace
}  // namespace qm
