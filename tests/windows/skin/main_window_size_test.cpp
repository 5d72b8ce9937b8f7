// The main window under the skin: it keeps the outer size the settings give it, so it opens at
// 750 x 458 on the first start and at the same size on the next, and the skin's frame takes the
// difference from the client area.
#include <windows.h>

#include "../../native/catalogue/program_folder_fixture.h"
#include "catalogue/main_window_win.h"
#include "core/process_state.h"
#include "core/settings.h"
#include "platform/ini_file.h"
#include "skin_test_support.h"

namespace qm::testing {
namespace {

class MainWindowSize : public ProgramFolderTest {
  protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        CreateProcessState();
    }
    void TearDown() override {
        ReleaseProcessState();
        ProgramFolderTest::TearDown();
    }
    SIZE Start() {
        Form* form = LoadMainWindow(true);
        EXPECT_NE(form, nullptr);
        if (!form) return {};
        Pump();
        HWND hwnd = FormWindow(*form);
        EXPECT_EQ(skin::SkinMainWindow(), hwnd);
        const SIZE s = WindowSize(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        EXPECT_EQ(client.right, s.cx - 8);
        EXPECT_EQ(client.bottom, s.cy - 2 * 8 - (GetSystemMetrics(SM_CYCAPTION) + 1));
        DestroyWindow(hwnd);
        Pump();
        EXPECT_FALSE(skin::SkinInstalled());
        return s;
    }
};

TEST_F(MainWindowSize, TwoStartsOpenAtTheSameOuterSize) {
    const SIZE first = Start();
    EXPECT_EQ(first.cx, 750);
    EXPECT_EQ(first.cy, 458);
    const SIZE second = Start();
    EXPECT_EQ(second.cx, first.cx);
    EXPECT_EQ(second.cy, first.cy);
    EXPECT_EQ(ReadIniString(SettingsFile(), kWindowSection, kHeightKey), "458");
    EXPECT_EQ(ReadIniString(SettingsFile(), kWindowSection, kWidthKey), "750");
}

}  // namespace
}  // namespace qm::testing
