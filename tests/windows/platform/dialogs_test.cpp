// Message and input boxes: the script answers and records them; without a script the real boxes
// appear (answered here by a timer that finds them) with their title, text and buttons.
#include "platform/dialogs.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/wide.h"

namespace qm {
namespace {

TEST(DialogScript, RecordsBoxesAndAnswersFromTheQueues) {
    DialogScript script;
    script.answers.push_back(MessageAnswer::No);
    script.inputs.push_back(std::string("名字"));
    SetDialogScript(&script);
    EXPECT_EQ(ShowMessage("删除吗？", "提示", MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(ShowMessage("好"), MessageAnswer::Ok);
    EXPECT_EQ(InputBox("请输入：", "标题", "初始", true), std::optional<std::string>("名字"));
    EXPECT_EQ(InputBox("再输入：", "标题"), std::nullopt);
    SetDialogScript(nullptr);
    ASSERT_EQ(script.shown.size(), 4u);
    EXPECT_EQ(script.shown[1].title, "信息：");
    EXPECT_EQ(script.shown[1].buttons, MessageButtons::Ok);
    EXPECT_TRUE(script.shown[2].isInput);
    EXPECT_EQ(script.shown[2].initialText, "初始");
    EXPECT_TRUE(script.shown[2].password);
}

struct Seen {
    std::string title, text;
    LONG editStyle = 0;
    bool found = false;
};
Seen g_seen;
HWND g_other = nullptr;  // another window of the thread, disabled while a box is up
bool g_otherEnabledDuringBox = true;
const wchar_t* g_type = nullptr;
WPARAM g_press = IDOK;

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    KillTimer(nullptr, id);
    wchar_t buf[128] = {};
    GetWindowTextW(box, buf, 128);
    g_seen.title = FromWide(buf);
    HWND text = GetDlgItem(box, 0xFFFF);
    if (!text) text = GetDlgItem(box, 100);
    GetWindowTextW(text, buf, 128);
    g_seen.text = FromWide(buf);
    if (HWND edit = GetDlgItem(box, 101)) {
        g_seen.editStyle = GetWindowLongW(edit, GWL_STYLE);
        if (g_type) SetWindowTextW(edit, g_type);
    }
    g_seen.found = true;
    if (g_other) g_otherEnabledDuringBox = IsWindowEnabled(g_other) != 0;
    PostMessageW(box, WM_COMMAND, g_press, 0);
}

TEST(SystemDialogs, MessageBoxShowsTextAndTitle) {
    g_seen = {};
    g_press = IDNO;
    SetTimer(nullptr, 0, 50, AnswerBox);
    EXPECT_EQ(ShowMessage("确定删除？", "提示", MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_TRUE(g_seen.found);
    EXPECT_EQ(g_seen.title, "提示");
    EXPECT_EQ(g_seen.text, "确定删除？");
}

TEST(SystemDialogs, InputBoxMasksAndReturnsTheTypedText) {
    g_seen = {};
    g_other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                              nullptr, nullptr);
    g_type = L"密码abc";
    g_press = IDOK;
    SetTimer(nullptr, 0, 50, AnswerBox);
    EXPECT_EQ(InputBox("请输入登陆密码！", "需要密码", "", true), std::optional<std::string>("密码abc"));
    EXPECT_EQ(g_seen.title, "需要密码");
    EXPECT_EQ(g_seen.text, "请输入登陆密码！");
    EXPECT_TRUE(g_seen.editStyle & ES_PASSWORD);
    EXPECT_FALSE(g_otherEnabledDuringBox) << "the box is modal for the whole thread";
    EXPECT_TRUE(IsWindowEnabled(g_other));
    DestroyWindow(g_other);
    g_other = nullptr;
    g_type = nullptr;
    g_press = IDCANCEL;
    SetTimer(nullptr, 0, 50, AnswerBox);
    EXPECT_EQ(InputBox("名称：", "添加分类", "初始"), std::nullopt);
    EXPECT_FALSE(g_seen.editStyle & ES_PASSWORD);
}

}  // namespace
}  // namespace qm
