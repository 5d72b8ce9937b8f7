// The real executable in a temporary program folder with fresh stores: it starts, shows its main
// window of class "KXWindow" with the program's caption at 750 x 458 and exits with code 0 when
// the window is closed; a cancelled or wrong start-up password ends it with code 0 after the use
// time is stored; other programs' files go in and out through its exchange windows.
#include "app/main_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "core/settings.h"
#include "core/stores.h"
#include "platform/ini_file.h"
#include "store/record_store.h"
#include "platform/win32/wide.h"
#include "tests/support/loopback_server.h"
#include "web/service_hosts.h"
#include "web/update_offer.h"
#include "../window_search.h"

namespace qm {
namespace {

using testing::WaitForWindow;

std::string TextOf(HWND hwnd) {
    wchar_t buf[256] = {};
    GetWindowTextW(hwnd, buf, 256);
    return FromWide(buf);
}

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = std::filesystem::temp_directory_path() / ("qmapp-" + std::to_string(rd()));
        std::filesystem::create_directories(dir_);
        folder_ = dir_.string();
        std::filesystem::copy_file(QM_EXE_DIR "/Quillmark.exe", dir_ / "Quillmark.exe");
        SetStoreKdfIterationsForTesting(1000);
        for (const StoreInfo& s : AllStores())
            ASSERT_TRUE(RecordStore::Create(folder_ + s.fileName, s.password, s.fieldNames));
        SetGeneral({"", ""}, true);
        // The real program's update check goes to this server, never to a public host.
        SetEnvironmentVariableW(ToWide(kServiceHostsVariable).c_str(), ToWide(services_.HostAndPort()).c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(ToWide(kServiceHostsVariable).c_str(), nullptr);
        if (pi_.hProcess) {
            if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 99);
            CloseHandle(pi_.hThread);
            CloseHandle(pi_.hProcess);
        }
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    void SetGeneral(const Fields& values, bool append = false) {
        RecordStore rs;
        ASSERT_TRUE(rs.Open(folder_ + kGeneralStoreFile, "g", FindStoreInfo(kGeneralStoreAlias)->password));
        if (append)
            ASSERT_TRUE(rs.Append(values));
        else
            ASSERT_TRUE(rs.Modify({values[0], values[1]}));
    }
    std::string StoredUseTime() {
        RecordStore rs;
        EXPECT_TRUE(rs.Open(folder_ + kGeneralStoreFile, "g", FindStoreInfo(kGeneralStoreAlias)->password));
        return rs.Read(1);
    }
    void Start() {
        const std::wstring exe = (dir_ / "Quillmark.exe").wstring();
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring cmd = L"\"" + exe + L"\"";
        ASSERT_TRUE(
            CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
            << "CreateProcess failed: " << GetLastError();
    }
    DWORD ExitCode() {
        EXPECT_EQ(WaitForSingleObject(pi_.hProcess, 20000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }
    // Answers the start-up password box with text (or cancels it) and confirms "密码错误！".
    void RefusePassword(const wchar_t* typed) {
        HWND box = WaitForWindow(pi_.dwProcessId, L"#32770", L"需要密码", 20000);
        ASSERT_NE(box, nullptr) << "no password box";
        EXPECT_EQ(WaitForWindow(pi_.dwProcessId, kWindowClass, L"", 0), nullptr)
            << "main window shown too early";
        if (typed) {
            SetDlgItemTextW(box, 101, typed);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        } else {
            PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        }
        HWND message = WaitForWindow(pi_.dwProcessId, L"#32770", L"提示", 20000);
        ASSERT_NE(message, nullptr) << "no message box";
        HWND text = GetDlgItem(message, 0xFFFF);
        EXPECT_EQ(TextOf(text), "密码错误！");
        PostMessageW(message, WM_COMMAND, IDOK, 0);
    }

    std::filesystem::path dir_;
    std::string folder_;
    PROCESS_INFORMATION pi_{};
    test::LoopbackServer services_;
};

TEST_F(Program, FirstStartShowsTheMainWindowAndExitsWithZero) {
    Start();
    HWND main = WaitForWindow(pi_.dwProcessId, kWindowClass, L"", 20000);
    ASSERT_NE(main, nullptr) << "no visible KXWindow of the new process";
    EXPECT_EQ(TextOf(main), kMainWindowCaption);
    RECT r{};
    GetWindowRect(main, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, kMainWindowWidth);
    EXPECT_EQ(r.bottom - r.top, kMainWindowHeight);
    bool firstUse = false;
    for (HWND c = FindWindowExW(main, nullptr, L"Static", nullptr); c;
         c = FindWindowExW(main, c, L"Static", nullptr))
        firstUse = firstUse || TextOf(c).rfind("第一次使用：", 0) == 0;
    EXPECT_TRUE(firstUse) << "the use-time label shows the first use";
    EXPECT_EQ(WaitForWindow(pi_.dwProcessId, L"#32770", L"", 0), nullptr)
        << "no message box at a normal start";
    ASSERT_TRUE(services_.WaitForRequests(1, 20000)) << "the update check asks the loopback server";
    EXPECT_EQ(services_.Requests()[0].target, kUpdatePagePath);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCode(), 0u);
    EXPECT_FALSE(StoredUseTime().empty());
    const std::string ini = folder_ + kSettingsFileName;
    EXPECT_EQ(ReadIniString(ini, kWindowSection, kWidthKey), "750");
    EXPECT_EQ(ReadIniString(ini, kWindowSection, kLeftKey), "0");
}

TEST_F(Program, CancelledPasswordExitsWithZeroAfterStoringTheUseTime) {
    SetGeneral({"2011年1月1日", "secret"});
    Start();
    RefusePassword(nullptr);
    EXPECT_EQ(ExitCode(), 0u);
    EXPECT_NE(StoredUseTime(), "2011年1月1日");
}

TEST_F(Program, PasswordInAnotherCaseIsRefused) {
    SetGeneral({"", "secret"});
    Start();
    RefusePassword(L"SECRET");
    EXPECT_EQ(ExitCode(), 0u);
    EXPECT_FALSE(StoredUseTime().empty());
}

// A child window of a class whose text is `text`, or (empty text) the first one accepted by `ok`.
HWND FindChild(HWND parent, const wchar_t* cls, const std::wstring& text, bool (*ok)(HWND) = nullptr) {
    struct Search {
        const wchar_t* cls;
        const std::wstring& text;
        bool (*ok)(HWND);
        HWND found;
    } search{cls, text, ok, nullptr};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            wchar_t c[64] = {}, t[128] = {};
            GetClassNameW(hwnd, c, 64);
            GetWindowTextW(hwnd, t, 128);
            if (lstrcmpiW(c, s->cls) != 0 || (!s->text.empty() && s->text != t) || (s->ok && !s->ok(hwnd)))
                return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PostCommand(HWND control, WORD code) {
    PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

// The message box of the process with the caption "提示": its text, answered with OK.
std::string AnswerMessage(DWORD pid) {
    HWND box = WaitForWindow(pid, L"#32770", L"提示", 20000);
    if (!box) return "<no message box>";
    const std::string text = TextOf(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int k = 0; k < 100 && IsWindow(box); ++k) Sleep(20);
    return text;
}

// Other programs' files through the real executable: a Chrome/Edge file in through the import
// window's new format item, the catalogue out again as a Bitwarden file.
TEST_F(Program, OtherProgramsFilesGoInAndOutThroughTheWindows) {
    const std::string csv =
        "name,url,username,password,note\r\n"
        "\xE4\xB8\xAD\xE6\x96\x87,https://a.example/,me,\"p,w\",\"l1\r\nl2\"\r\n"
        "b,https://b.example/,you,pw,\r\n";
    std::FILE* f = _wfopen((dir_ / "in.csv").wstring().c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(csv.data(), 1, csv.size(), f);
    std::fclose(f);
    Start();
    HWND main = WaitForWindow(pi_.dwProcessId, kWindowClass, L"", 20000);
    ASSERT_NE(main, nullptr);
    auto combo7 = [](HWND h) { return SendMessageW(h, CB_GETCOUNT, 0, 0) == 7; };
    auto combo6 = [](HWND h) { return SendMessageW(h, CB_GETCOUNT, 0, 0) == 6; };
    auto writable = [](HWND h) { return (GetWindowLongPtrW(h, GWL_STYLE) & ES_READONLY) == 0; };

    PostCommand(FindChild(main, L"Button", L"导入txt"), BN_CLICKED);
    HWND import = WaitForWindow(pi_.dwProcessId, kWindowClass, L"导入窗口", 20000);
    ASSERT_NE(import, nullptr);
    HWND format = FindChild(import, L"ComboBox", L"", combo7);
    ASSERT_NE(format, nullptr) << "no format combo of seven items";
    SendMessageW(format, CB_SETCURSEL, 2, 0);
    SendMessageW(import, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(format), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(format));
    HWND path = FindChild(import, L"Edit", L"", writable);
    ASSERT_NE(path, nullptr);
    SendMessageW(path, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((dir_ / "in.csv").wstring().c_str()));
    PostCommand(FindChild(import, L"Button", L"导  入"), BN_CLICKED);
    const std::string summary = AnswerMessage(pi_.dwProcessId);
    EXPECT_EQ(summary.substr(0, summary.find('\r')), "新增网站：2 个") << summary;
    EXPECT_EQ(AnswerMessage(pi_.dwProcessId), "导入完成！");

    PostCommand(FindChild(main, L"Button", L"导出txt"), BN_CLICKED);
    HWND exportForm = WaitForWindow(pi_.dwProcessId, kWindowClass, L"导出窗口", 20000);
    ASSERT_NE(exportForm, nullptr);
    format = FindChild(exportForm, L"ComboBox", L"", combo6);
    ASSERT_NE(format, nullptr) << "no format combo of six items";
    SendMessageW(format, CB_SETCURSEL, 3, 0);
    SendMessageW(exportForm, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(format), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(format));
    path = FindChild(exportForm, L"Edit", L"", writable);
    ASSERT_NE(path, nullptr);
    SendMessageW(path, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((dir_ / "out.csv").wstring().c_str()));
    PostCommand(FindChild(exportForm, L"Button", L"导  出"), BN_CLICKED);
    EXPECT_EQ(AnswerMessage(pi_.dwProcessId), "导出完成！");
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCode(), 0u);

    std::FILE* out = _wfopen((dir_ / "out.csv").wstring().c_str(), L"rb");
    ASSERT_NE(out, nullptr);
    char buffer[1024] = {};
    buffer[std::fread(buffer, 1, sizeof buffer - 1, out)] = 0;
    std::fclose(out);
    EXPECT_EQ(std::string(buffer),
              "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,"
              "login_totp\r\n"
              ",,login,\xE4\xB8\xAD\xE6\x96\x87,,,0,https://a.example/,me,\"p,w\",\r\n"
              ",,login,b,,,0,https://b.example/,you,pw,\r\n");
}

TEST(ServiceHosts, TheEnvironmentTakesOnlyALoopbackHostWithAPort) {
    for (const char* refused : {"", "127.0.0.1", "127.0.0.1:", "10.0.0.1:80", "example.com:80", "127.0.0.1.example.com:80",
                                "localhost:80/x", "127.0.0.1:123456", "0x7f.0.0.1:80"})
        EXPECT_FALSE(OverrideServiceHostsFromEnvironment(refused)) << refused;
    EXPECT_TRUE(OverrideServiceHostsFromEnvironment("localhost:8080"));
    EXPECT_EQ(ServiceHost(Service::UpdatePage), "localhost:8080");
    EXPECT_TRUE(OverrideServiceHostsFromEnvironment("127.0.0.1:9"));
    EXPECT_EQ(ServiceHost(Service::PrLookup), "127.0.0.1:9");
    OverrideServiceHostsForTests("");
}

TEST(MainWindow, CaptionCarriesTheVersionBetweenUnderscoreAndDash) {
    const std::string caption = kMainWindowCaption;
    const auto us = caption.find('_'), dash = caption.find(" -");
    ASSERT_NE(us, std::string::npos);
    ASSERT_NE(dash, std::string::npos);
    EXPECT_EQ(caption.substr(us + 1, dash - us - 1), "v1.3");
    EXPECT_EQ(caption.rfind("Quillmark_v1.3 - ", 0), 0u);
}

}  // namespace
}  // namespace qm
