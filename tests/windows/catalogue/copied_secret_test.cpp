// Copied accounts and passwords on the clipboard: the formats and the markers that keep them out
// of history; the clearing after the set seconds, on a clock the tests move and once on the real
// timer, with the status line's count-down; a later copy by anyone left alone; and the clearing at
// the program's end, in a process of its own (tools/program_probe). Every test here uses the one
// clipboard of the display, so ctest runs them one at a time (resource lock "clipboard").
#include <cstring>
#include <optional>

#include "catalogue/copied_secret_win.h"
#include "catalogue/finder_form.h"
#include "catalogue/finder_window_win.h"
#include "catalogue/record_actions_win.h"
#include "catalogue_fixture.h"
#include "core/settings.h"
#include "platform/ini_file.h"
#include "platform/win32/wide.h"
#include "tools/program_probe.h"

namespace qm {
namespace {

unsigned long long g_fakeNow = 0;
unsigned long long FakeNow() {
    return g_fakeNow;
}

// The clipboard's data in a format, or nullopt when it holds none.
std::optional<std::string> Clip(UINT format) {
    std::optional<std::string> out;
    if (!OpenClipboard(nullptr)) return out;
    if (HANDLE h = GetClipboardData(format)) {
        const char* p = static_cast<const char*>(GlobalLock(h));
        out = std::string(p, GlobalSize(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
}

// The plain text on the clipboard, "-" when it holds none.
std::string Text() {
    const std::optional<std::string> t = Clip(CF_TEXT);
    return t ? t->substr(0, t->find('\0')) : "-";
}

// A copy by another program, through a clipboard owner of its own.
void CopyAsAnotherProgram(const std::string& text) {
    static HWND owner =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(m), text.c_str(), text.size() + 1);
    GlobalUnlock(m);
    EXPECT_TRUE(SetClipboardData(CF_TEXT, m));
    CloseClipboard();
}

// What an X program on Wine's display reads from the clipboard selection: xclip, started through
// Wine as a Unix process (Wine gives it no process handle, so its output file is renamed into
// place when it is done). Its error line when the selection offers no text.
std::string XSelectionText() {
    static int calls = 0;
    const std::string name =
        "/tmp/qm-xsel-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++calls);
    std::wstring line =
        ToWide("/bin/sh -c \"timeout 10 xclip -selection clipboard -o -t UTF8_STRING >" + name +
               ".part 2>&1 || echo xclip failed >>" + name + ".part; mv " + name + ".part " + name + "\"");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "(sh not started)";
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    std::string path = "Z:" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    for (int waited = 0; waited < 15000; waited += 20) {
        HANDLE f = CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            std::string out(4096, '\0');
            DWORD read = 0;
            ReadFile(f, out.data(), static_cast<DWORD>(out.size()), &read, nullptr);
            CloseHandle(f);
            DeleteFileW(ToWide(path).c_str());
            out.resize(read);
            return out;
        }
        testing::Pump();
        Sleep(20);
    }
    return "(xclip gave no answer)";
}

// A site with an account and a password, the main window loaded and a known hint on its status
// line; the count-down reads a clock the test moves and runs when the test says.
class CopiedSecrets : public testing::CatalogueTest {
  protected:
    static constexpr unsigned long long kStart = 5'000'000;
    void SetUp() override {
        testing::CatalogueTest::SetUp();
        g_fakeNow = kStart;
        SetCopyClockForTesting(FakeNow);
        AddCategories({"A"});
        ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
        ASSERT_TRUE(Stores().Append({"A", "http://a.com", "t", "帐号淺", "密码 1", "", "", "", "", ""}));
        CloseStoreByName(kSiteStoreAlias);
        Load();
        SendMessageW(ControlWindow(*main, kAddCategoryButton), WM_MOUSEMOVE, 0, 0);
        ASSERT_EQ(Status(), kHint);
    }
    void TearDown() override {
        ClearCopiedSecretNow();
        SetCopyClockForTesting(nullptr);
        testing::CatalogueTest::TearDown();
    }
    std::optional<std::string> ClipNamed(const wchar_t* name) { return Clip(RegisterClipboardFormatW(name)); }
    void Setting(const char* seconds) {
        ASSERT_TRUE(WriteIniString(SettingsFile(), "安全设置", "剪贴板清除秒数", seconds));
    }
    // The clock ms after the start, and the timer's work at that moment.
    void At(unsigned long long ms) {
        g_fakeNow = kStart + ms;
        RunCopyTimerForTesting();
    }
    std::string Status() { return GetText(*main, kStatusBar); }
    static std::string Counting(const char* what, int seconds) {
        return std::string(" ") + what + "已复制，" + std::to_string(seconds) + " 秒后从剪贴板清除";
    }
    const std::string kHint = " 添加新分类！";
};

// Moved here from the record actions' tests, with the fourth marker.
TEST_F(CopiedSecrets, CopiesGoOutAsGbkAndUnicodeAndStayOutOfClipboardHistory) {
    Menu(0, "复制帐号");
    EXPECT_EQ(Clip(CF_TEXT), std::string("帐号淺") + '\0');
    const std::optional<std::string> wide = Clip(CF_UNICODETEXT);
    ASSERT_TRUE(wide);
    EXPECT_EQ(FromWide(reinterpret_cast<const wchar_t*>(wide->data())), "帐号淺");
    const std::string zero(4, '\0');
    EXPECT_EQ(ClipNamed(L"CanIncludeInClipboardHistory"), zero);
    EXPECT_EQ(ClipNamed(L"CanUploadToCloudClipboard"), zero);
    EXPECT_TRUE(ClipNamed(L"ExcludeClipboardContentFromMonitorProcessing"));
    EXPECT_TRUE(ClipNamed(L"Clipboard Viewer Ignore"));
    Menu(0, "复制密码");
    EXPECT_EQ(Clip(CF_TEXT), std::string("密码 1") + '\0');
    ListSelectRow(*main, kSiteList, -1);  // the menu opens only over a row; the action alone
    CopyPassword(*main);
    EXPECT_EQ(Clip(CF_TEXT), std::string(1, '\0'));
    EXPECT_EQ(Clip(CF_UNICODETEXT), std::string(2, '\0'));
}

// The finder's result menu copies through the same path: the count-down in the main window's
// status line, the password read from the record (the finder never shows it).
TEST_F(CopiedSecrets, TheFindersMenuCopiesTheAccountAndThePasswordOfAResult) {
    OpenFinderWindow();
    testing::Pump();
    Form* finder = FinderWindow();
    ASSERT_NE(finder, nullptr);
    SetText(*finder, kFinderQueryBox, "a.com");
    ASSERT_EQ(ListRowCount(*finder, kFinderList), 1);
    NMITEMACTIVATE nm{};
    nm.hdr.hwndFrom = ControlWindow(*finder, kFinderList);
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(nm.hdr.hwndFrom));
    nm.hdr.code = NM_RCLICK;
    testing::g_menuChoice = "复制帐号";
    SendMessageW(FormWindow(*finder), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(Text(), "帐号淺");
    EXPECT_EQ(Status(), Counting("帐号", 10));
    testing::g_menuChoice = "复制密码";
    SendMessageW(FormWindow(*finder), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    testing::g_menuChoice = nullptr;
    EXPECT_EQ(Text(), "密码 1");
    EXPECT_EQ(Status(), Counting("密码", 10));
    At(10'000);
    EXPECT_EQ(Text(), "-");
}

TEST_F(CopiedSecrets, TheRealTimerCountsDownAndClearsAfterTheSetSeconds) {
    SetCopyClockForTesting(nullptr);
    Setting("2");
    const ULONGLONG start = GetTickCount64();
    Menu(0, "复制密码");
    EXPECT_EQ(Text(), "密码 1");
    EXPECT_EQ(Status(), Counting("密码", 2));
    bool sawOne = false;
    while (Text() != "-" && GetTickCount64() - start < 6000) {
        sawOne = sawOne || Status() == Counting("密码", 1);
        testing::Pump();
        Sleep(5);
    }
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_EQ(Text(), "-");
    EXPECT_GE(took, 1990u);
    EXPECT_LE(took, 5000u) << "late ticks under load are fine, no clear or a reset is not";
    EXPECT_TRUE(sawOne) << "the count went 2, 1";
    EXPECT_EQ(Status(), kHint) << "the line gets back what it showed";
    EXPECT_EQ(Clip(CF_UNICODETEXT), std::nullopt);
}

// Every second shown, the time fixed at the copy however the ticks come; a setting that is not a
// whole number counts 10 s, as a missing one does.
TEST_F(CopiedSecrets, ABadSettingCountsTenSecondsFromTheCopy) {
    Setting("12x");
    Menu(0, "复制帐号");
    EXPECT_EQ(Text(), "帐号淺");
    EXPECT_EQ(Status(), Counting("帐号", 10));
    At(1);
    EXPECT_EQ(Status(), Counting("帐号", 10));
    At(1000);
    EXPECT_EQ(Status(), Counting("帐号", 9));
    At(1000);
    At(9001);
    EXPECT_EQ(Status(), Counting("帐号", 1));
    At(9999);
    EXPECT_EQ(Text(), "帐号淺");
    At(10000);
    EXPECT_EQ(Text(), "-");
    EXPECT_EQ(Status(), kHint);
    At(30000);
    EXPECT_EQ(Status(), kHint);
}

TEST_F(CopiedSecrets, WhatAnotherProgramCopiedMeanwhileIsNeverCleared) {
    Menu(0, "复制密码");
    At(3000);
    CopyAsAnotherProgram("别的 1");
    At(4000);
    EXPECT_EQ(Status(), kHint) << "nothing of ours is left to count";
    At(10000);
    ClearCopiedSecretNow();
    EXPECT_EQ(Text(), "别的 1");
    // Copied over just before the time-out, with no tick in between; and at the program's end.
    Menu(0, "复制密码");
    CopyAsAnotherProgram("别的 2");
    At(20000);
    EXPECT_EQ(Text(), "别的 2");
    Menu(0, "复制帐号");
    CopyAsAnotherProgram("别的 3");
    ClearCopiedSecretNow();
    EXPECT_EQ(Text(), "别的 3");
}

TEST_F(CopiedSecrets, ASecondCopyReplacesTheFirstAndHasItsOwnTime) {
    Menu(0, "复制帐号");
    At(5000);
    EXPECT_EQ(Status(), Counting("帐号", 5));
    Menu(0, "复制密码");
    EXPECT_EQ(Text(), "密码 1") << "the account is gone at once";
    EXPECT_EQ(Status(), Counting("密码", 10));
    EXPECT_EQ(ClipNamed(L"CanIncludeInClipboardHistory"), std::string(4, '\0'));
    At(10000);
    EXPECT_EQ(Text(), "密码 1") << "the first copy's time-out no longer counts";
    EXPECT_EQ(Status(), Counting("密码", 5));
    At(14999);
    EXPECT_EQ(Text(), "密码 1");
    At(15000);
    EXPECT_EQ(Text(), "-");
    EXPECT_EQ(Status(), kHint) << "the line from before the first copy";
}

TEST_F(CopiedSecrets, ZeroKeepsTheCopyEvenAtTheEnd) {
    Menu(0, "复制帐号");  // waiting with 10 s when the setting changes
    Setting("0");
    Menu(0, "复制密码");
    EXPECT_EQ(Text(), "密码 1");
    EXPECT_EQ(Status(), kHint) << "nothing counts";
    At(3'600'001);
    ClearCopiedSecretNow();
    EXPECT_EQ(Text(), "密码 1");
}

TEST_F(CopiedSecrets, AHoverHintTakesTheLineBackForGood) {
    Menu(0, "复制密码");
    SendMessageW(ControlWindow(*main, kRenameCategoryButton), WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(Status(), " 更改当前分类名称！");
    At(1000);
    EXPECT_EQ(Status(), " 更改当前分类名称！");
    At(10000);
    EXPECT_EQ(Text(), "-");
    EXPECT_EQ(Status(), " 更改当前分类名称！");
}

// The copy reaches X programs through Wine's clipboard; after the clear they read nothing of it.
// Wine's clipboard manager takes the X selection a moment after each change: each side is given
// a few seconds to show.
TEST_F(CopiedSecrets, TheXSelectionNoLongerHoldsThePasswordAfterTheClear) {
    const std::string utf8 = reinterpret_cast<const char*>(u8"密码 1");
    const auto xSelectionWithin = [](int ms, auto done) {
        std::string seen = XSelectionText();
        for (const ULONGLONG end = GetTickCount64() + ms; !done(seen) && GetTickCount64() < end;) {
            testing::Pump();
            Sleep(100);
            seen = XSelectionText();
        }
        return seen;
    };
    Menu(0, "复制密码");
    ASSERT_EQ(xSelectionWithin(5000, [&](const std::string& x) { return x == utf8; }), utf8)
        << "xclip (Debian package xclip) reads the X clipboard";
    At(10000);
    EXPECT_EQ(Text(), "-");
    const std::string after =
        xSelectionWithin(5000, [&](const std::string& x) { return x.find(utf8) == std::string::npos; });
    EXPECT_EQ(after.find(utf8), std::string::npos) << after;
}

// The real program (RunProgram) in a process of its own: a password copied a moment before the
// main window is closed takes its leave with the program, unless something else was copied since.
using CopiedAtTheEnd = testing::ProgramFolderTest;

TEST_F(CopiedAtTheEnd, APasswordStillOnTheClipboardLeavesWithTheProgram) {
    AddCategories({"A"});
    AddSites({{"A", "http://a.cn", "1"}});
    for (const bool copiedOver : {false, true}) {
        probe::Probe probe;
        ASSERT_TRUE(probe::StartProbe(probe, QM_PROGRAM_PROBE, "copy", Folder(), testing::kNoServiceHere));
        std::string said;
        char buffer[64];
        DWORD read = 0;
        while (said.find("copied") == std::string::npos &&
               ReadFile(probe.output, buffer, sizeof buffer, &read, nullptr) && read > 0)
            said.append(buffer, read);
        ASSERT_NE(said.find("copied"), std::string::npos) << said;
        EXPECT_EQ(Text(), "pw");
        if (copiedOver) CopyAsAnotherProgram("mine");
        HWND main = probe::FindWindowOf(probe, kMainWindowCaption, 10000);
        ASSERT_NE(main, nullptr);
        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_EQ(WaitForSingleObject(probe.process, 15000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(probe.process, &code);
        EXPECT_EQ(code, 0u);
        EXPECT_EQ(Text(), copiedOver ? "mine" : "-") << "closed during the count-down";
    }
}

}  // namespace
}  // namespace qm
