// Where the parts of a frame lie: margins, caption buttons, title, the hit-test code of each part
// of a window, the title cut at 127 bytes and the mnemonic of a menu text.
#include "skin/frame_geometry.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

const SkinMetrics kMetrics = MakeSkinTheme(6).metrics;
const PixelRect kWindow{100, 50, 500, 350};  // 400 x 300 on the screen

FrameFacts Overlapped() {
    FrameFacts f;
    f.caption = f.sysMenu = f.icon = true;
    f.captionHeight = 20;
    f.buttons = {kButtonNormal, kButtonNormal, kButtonNormal, kButtonAbsent};
    return f;
}

FrameFacts Dialog() {
    FrameFacts f = Overlapped();
    f.icon = false;
    f.buttons = {kButtonAbsent, kButtonAbsent, kButtonNormal, kButtonAbsent};
    return f;
}

void ExpectRect(const PixelRect& r, int left, int top, int right, int bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

TEST(FrameGeometry, CaptionHeightAndMargins) {
    EXPECT_EQ(CaptionHeight(true, true, 19), 19);
    EXPECT_EQ(CaptionHeight(false, true, 19), 20);
    EXPECT_EQ(CaptionHeight(false, false, 19), 0);
    FrameFacts f = Overlapped();
    f.menuHeight = 19;
    EXPECT_EQ(NonClientMargins(f, kMetrics), (std::array<int, 4>{4, 47, 4, 8}));
}

TEST(FrameGeometry, CaptionButtonsEndNinePixelsFromTheTopRight) {
    auto r = CaptionButtonRects(kWindow, Overlapped(), kMetrics);
    ExpectRect(r[kMinimiseButton], 436, 59, 454, 74);
    ExpectRect(r[kMaximiseButton], 454, 59, 472, 74);
    ExpectRect(r[kCloseButton], 472, 59, 491, 74);
    EXPECT_TRUE(r[kHelpButton].Empty());

    r = CaptionButtonRects(kWindow, Dialog(), kMetrics);
    ExpectRect(r[kCloseButton], 472, 59, 491, 74);
    ExpectRect(r[kHelpButton], 454, 59, 472, 74);
    EXPECT_TRUE(r[kMinimiseButton].Empty());

    FrameFacts tool = Dialog();
    tool.toolWindow = true;
    tool.captionHeight = 19;
    ExpectRect(CaptionButtonRects(kWindow, tool, kMetrics)[kCloseButton], 472, 56, 491, 71);
}

TEST(FrameGeometry, TitleLeavesRoomForIconAndButtons) {
    ExpectRect(TitleRect(400, Overlapped(), kMetrics), 28, 6, 327, 22);
    ExpectRect(TitleRect(400, Dialog(), kMetrics), 8, 6, 363, 22);
}

TEST(FrameGeometry, HitTestNamesEveryPartOfTheFrame) {
    const FrameFacts over = Overlapped(), dialog = Dialog();
    struct Case {
        const FrameFacts* f;
        int x, y, hit;
    } cases[] = {
        {&over, 436, 59, kHitMinButton},
        {&over, 453, 73, kHitMinButton},
        {&over, 454, 66, kHitMaxButton},
        {&over, 490, 66, kHitClose},
        {&over, 491, 66, kHitClient},
        {&over, 110, 60, kHitSysMenu},
        {&over, 200, 60, kHitCaption},
        {&over, 200, 52, kHitTop},
        {&over, 200, 68, kHitClient},
        {&over, 101, 200, kHitLeft},
        {&over, 497, 200, kHitRight},
        {&over, 200, 347, kHitBottom},
        {&over, 105, 345, kHitBottomLeft},
        {&over, 495, 345, kHitBottomRight},
        {&over, 495, 52, kHitTopRight},
        {&over, 300, 200, kHitClient},
        // Without minimise and maximise the help place answers even with no help button.
        {&dialog, 460, 66, kHitHelp},
        {&dialog, 472, 66, kHitClose},
        {&dialog, 105, 56, kHitTopLeft},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitTestFrame(kWindow, *c.f, kMetrics, c.x, c.y), c.hit) << c.x << "," << c.y;
}

TEST(FrameGeometry, HitTestEdgeCases) {
    FrameFacts f = Overlapped();
    f.maximised = true;
    EXPECT_EQ(HitTestFrame(kWindow, f, kMetrics, 101, 200), kHitClient) << "no sizing while maximised";
    EXPECT_EQ(HitTestFrame(kWindow, f, kMetrics, 480, 66), kHitClose);
    f = Overlapped();
    EXPECT_EQ(HitTestFrame(kWindow, f, kMetrics, 300, 200, {{290, 190, 310, 210}}), kHitMenu);
    // Without a system menu there are no buttons, and the title reaches the right edge.
    f.sysMenu = false;
    EXPECT_EQ(HitTestFrame(kWindow, f, kMetrics, 480, 60), kHitCaption);
    // Without a caption the top-right corner is client area, not a close button.
    f = Overlapped();
    f.caption = false;
    f.captionHeight = 0;
    EXPECT_EQ(HitTestFrame(kWindow, f, kMetrics, 480, 60), kHitClient);
}

TEST(CutTitle, NeverSplitsADoubleByteCharacter) {
    const std::string ascii(130, 'a');
    EXPECT_EQ(CutTitle(ascii).size(), 127u);
    EXPECT_EQ(CutTitle(std::string(126, 'a') + "网站"), std::string(126, 'a'));
    EXPECT_EQ(CutTitle(std::string(125, 'a') + "网站"), std::string(125, 'a') + "网");
    EXPECT_EQ(CutTitle("短标题"), "短标题");
}

TEST(FindMnemonic, UpperCaseLetterAfterAmpersand) {
    auto m = FindMnemonic("&File");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->before, "");
    EXPECT_EQ(m->letter, 'F');
    EXPECT_EQ(m->after, "ile");
    m = FindMnemonic("文件(&F)");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->before, "文件(");
    EXPECT_EQ(m->after, ")");
    m = FindMnemonic("Go &B then &A");  // the table is searched in order
    ASSERT_TRUE(m);
    EXPECT_EQ(m->letter, 'A');
    EXPECT_EQ(m->before, "Go &B then ");
    EXPECT_FALSE(FindMnemonic("E&dit")) << "lower case is no mnemonic";
    EXPECT_FALSE(FindMnemonic("Plain"));
    EXPECT_FALSE(FindMnemonic("& A")) << "only the copy without spaces has it";
}

}  // namespace
}  // namespace qm
