// The real executable in a temporary program folder with fresh stores: it starts, shows its main
// window of class "KXWindow" with the program's caption at 750 x 458 and exits with code 0 when
// the window is closed; a cancelled or wrong start-up password ends it with code 0 after the use
// time is stored.
#include "app/main_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <random>
#include <string>

#include "core/settings.h"
#include "core/stores.h"
#include "platform/ini_file.h"
#include "store/record_store.h"
#include "platform/win32/wide.h"
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
    }
    void TearDown() override {
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
