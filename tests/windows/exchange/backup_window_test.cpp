// The backup window in-process, with real windows, stores in a temporary program folder and the
// dialogs answered by script: opened once from the main window's button, its controls, the
// remembered folder shown again (the pickers follow it without rewriting it), the user's picks
// of a drive and a folder, and backup and restore from the buttons with the main list refilled
// only at its next fill.
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include "../../native/catalogue/program_folder_fixture.h"
#include "../../native/store/store_test_util.h"
#include "app/wiring_win.h"
#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "core/process_state.h"
#include "core/settings.h"
#include "exchange/backup_form.h"
#include "exchange/backup_window_win.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "platform/win32/wide.h"

namespace qm {
namespace {

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Command(HWND control, WORD code) {
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
    Pump();
}

// A combo box pick as the user makes it: the selection moves, then the parent hears of it.
void UserPicks(HWND combo, int index) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Command(combo, CBN_SELCHANGE);
}

class BackupWindowTest : public testing::ProgramFolderTest {
  protected:
    void SetUp() override {
        testing::ProgramFolderTest::SetUp();
        CreateProcessState();
        AddCategories({"A"});
        AddSites({{"A", "http://a", "1"}});
        main = LoadMainWindow(true, ProgramWindowBindings());
        ASSERT_NE(main, nullptr);
        Pump();
    }
    void TearDown() override {
        if (main) DestroyWindow(FormWindow(*main));
        Pump();
        ReleaseProcessState();
        testing::ProgramFolderTest::TearDown();
    }
    Form& Open() {
        Command(ControlWindow(*main, kBackupButton), BN_CLICKED);
        EXPECT_NE(BackupWindow(), nullptr);
        return *BackupWindow();
    }
    void CloseBackup() {
        DestroyWindow(FormWindow(*BackupWindow()));
        Pump();
    }
    HWND Control(const char* name) { return ControlWindow(*BackupWindow(), name); }
    std::string Edit() { return GetText(*BackupWindow(), kBackupPathEdit); }
    std::vector<std::string> Shown() {
        std::vector<std::string> t;
        for (const auto& d : script.shown) t.push_back(d.text);
        script.shown.clear();
        return t;
    }

    Form* main = nullptr;
    testing::TempFolder backup;
};

TEST_F(BackupWindowTest, OpensOnceFromTheMainButtonWithItsControls) {
    Form& f = Open();
    HWND w = FormWindow(f);
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(GetText(f, kBackupFormName), "备份/还原");
    EXPECT_EQ((std::vector<LONG>{r.left, r.top}), (std::vector<LONG>{50, 50}));
    // Designed 292 x 274 with the system's frame; the skin's frame keeps that client area.
    RECT design{0, 0, 0, 0};
    AdjustWindowRectEx(&design, static_cast<DWORD>(GetWindowLongPtrW(w, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(w, GWL_EXSTYLE)));
    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ((std::vector<LONG>{client.right, client.bottom}),
              (std::vector<LONG>{292 - (design.right - design.left), 274 - (design.bottom - design.top)}));
    EXPECT_EQ(GetWindow(w, GW_OWNER), FormWindow(*main));
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(GetText(f, "标签1"), "备份还原地址：");
    EXPECT_EQ(GetText(f, "标签2"), "（请尽量选择非系统盘）");
    EXPECT_EQ(GetText(f, "备份按钮"), "备 份");
    EXPECT_EQ(GetText(f, "按钮3"), "还 原");
    Open();
    EXPECT_EQ(BackupWindow(), &f) << "a second click shows the same window";
    // With nothing remembered: an empty edit, the current drive and the current folder.
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    EXPECT_EQ(Edit(), "");
    EXPECT_EQ(PickedDrive(f, kDrivePicker), FromWide(std::wstring(1, cwd[0])));
    EXPECT_EQ(AsciiLower(PickedFolder(f, kFolderPicker)), AsciiLower(FromWide(cwd)));
    std::vector<std::string> drives;
    for (int i = 0; i < ComboCount(f, kDrivePicker); ++i) drives.push_back(ComboItem(f, kDrivePicker, i));
    EXPECT_EQ(drives, (std::vector<std::string>{"C:", "Z:"}));
}

// The edit keeps the remembered text (a folder not made yet stays as it is, caret at the end);
// the pickers show its drive and the deepest folder of it that exists.
TEST_F(BackupWindowTest, ReopeningShowsTheRememberedFolder) {
    const std::string made = backup.File("备份");
    ASSERT_TRUE(fileio::CreateFolder(made));
    SaveBackupFolder(made + "\\未建");
    Form& f = Open();
    EXPECT_EQ(Edit(), made + "\\未建");
    DWORD from = 0, to = 0;
    SendMessageW(Control(kBackupPathEdit), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                 reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, static_cast<DWORD>(GetWindowTextLengthW(Control(kBackupPathEdit))));
    EXPECT_EQ(to, from);
    EXPECT_EQ(PickedDrive(f, kDrivePicker), made.substr(0, 1));
    EXPECT_EQ(AsciiLower(PickedFolder(f, kFolderPicker)), AsciiLower(made));
}

TEST_F(BackupWindowTest, PickingADriveThenAFolderFillsTheEdit) {
    ASSERT_TRUE(fileio::CreateFolder(backup.File("子目录")));
    Form& f = Open();
    int z = -1;
    for (int i = 0; i < ComboCount(f, kDrivePicker); ++i)
        if (ComboItem(f, kDrivePicker, i) == "Z:") z = i;
    ASSERT_GE(z, 0);
    UserPicks(Control(kDrivePicker), z);
    EXPECT_EQ(Edit(), "Z:\\") << "the drive's root, whose archive paths get a doubled backslash";
    EXPECT_EQ(PickedFolder(f, kFolderPicker), "Z:\\");
    // The user walks down from a folder the program showed: only the user's pick fills the edit.
    ShowFolder(f, kFolderPicker, backup.Folder());
    Pump();
    EXPECT_EQ(Edit(), "Z:\\");
    SendMessageW(Control(kFolderPicker), WM_KEYDOWN, VK_DOWN, 0);
    Pump();
    EXPECT_EQ(AsciiLower(Edit()), AsciiLower(backup.File("子目录")));
}

TEST_F(BackupWindowTest, ButtonsBackUpAndRestoreAndTheListShowsItAtItsNextFill) {
    Open();
    SetText(*BackupWindow(), kBackupPathEdit, backup.Folder());
    Command(Control(kRunBackupButton), BN_CLICKED);
    EXPECT_EQ(Shown(), std::vector<std::string>{"备份成功!"});
    EXPECT_EQ(ReadBackupFolder(), backup.Folder());
    CloseBackup();
    EXPECT_EQ(BackupWindow(), nullptr);
    Open();
    EXPECT_EQ(Edit(), backup.Folder());

    AddSites({{"A", "http://b", "2"}});
    FillSiteList("A");
    ASSERT_EQ(ListRowCount(*main, kSiteList), 2);
    Command(Control(kRunRestoreButton), BN_CLICKED);
    EXPECT_EQ(Shown(), std::vector<std::string>{"还原成功!"});
    EXPECT_EQ(ListRowCount(*main, kSiteList), 2) << "the restore refreshes nothing";
    HWND filter = ControlWindow(*main, kFilterCombo);
    UserPicks(filter, 0);
    EXPECT_EQ(ListRowCount(*main, kSiteList), 1);
    EXPECT_EQ(ListCell(*main, kSiteList, 0, 1), "http://a");
}

}  // namespace
}  // namespace qm
