// The program skeleton: the real executable starts, shows its main window of class "KXWindow"
// with the program's caption at 750 x 458, and exits with code 0 when the window is closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "platform/win32/wide.h"

namespace qm {
namespace {

HWND WaitForWindowOf(DWORD processId, DWORD timeoutMs) {
    const DWORD end = GetTickCount() + timeoutMs;
    do {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, kWindowClass, nullptr)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(found, &pid);
            if (pid == processId && IsWindowVisible(found)) return found;
        }
        Sleep(20);
    } while (static_cast<LONG>(GetTickCount() - end) < 0);
    return nullptr;
}

TEST(Program, ShowsMainWindowAndExitsWithZero) {
    std::wstring exe = ToWide(QM_EXE_DIR "/Quillmark.exe");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << "CreateProcess failed: " << GetLastError();
    HWND main = WaitForWindowOf(pi.dwProcessId, 20000);
    ASSERT_NE(main, nullptr) << "no visible KXWindow of the new process";

    wchar_t title[256] = {};
    GetWindowTextW(main, title, 256);
    EXPECT_EQ(FromWide(title), kMainWindowCaption);
    RECT r{};
    GetWindowRect(main, &r);
    EXPECT_EQ(r.right - r.left, kMainWindowWidth);
    EXPECT_EQ(r.bottom - r.top, kMainWindowHeight);

    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
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
