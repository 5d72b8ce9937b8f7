// Where the skinned controls' parts lie and which face they take: the face states of push and
// owner-drawn buttons (the system's keyboard-cue bits ignored), check-box layouts, group-box
// captions, arrow glyph sizes, the header's GBK cut and the progress percentage.
#include "skin/control_geometry.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

constexpr unsigned kFocus = 0x10, kNoAccel = 0x100, kNoFocusRect = 0x200;

TEST(PushFace, ItemStatesAndTheMouse) {
    EXPECT_EQ(PushFace(kItemHot, false, false).index, kFaceHot);
    EXPECT_EQ(PushFace(kItemDisabled, true, false).index, kFaceDisabled);
    const FaceChoice pushed = PushFace(kItemPushed, true, true);
    EXPECT_EQ(pushed.index, kFacePushed);
    EXPECT_TRUE(pushed.shift);
    // Anything else is judged from the mouse: hot while over and not pressed.
    EXPECT_EQ(PushFace(kFocus, true, false).index, kFaceHot);
    EXPECT_EQ(PushFace(kFocus, true, true).index, kFaceNormal);
    EXPECT_EQ(PushFace(kItemNormal, false, false).index, kFaceNormal);
    EXPECT_FALSE(PushFace(kItemHot, false, false).shift);
    // Windows adds keyboard-cue bits to the record; the face is the same.
    EXPECT_EQ(PushFace(kItemPushed | kNoAccel | kNoFocusRect, false, false).index, kFacePushed);
    EXPECT_EQ(PushFace(kItemDisabled | kNoFocusRect, false, false).index, kFaceDisabled);
}

TEST(OwnerFace, RemembersTheDisabledLookWhileTheMouseIsAway) {
    bool disabled = false;
    EXPECT_EQ(OwnerFace(kItemDisabled, false, false, disabled).index, kFaceDisabled);
    EXPECT_TRUE(disabled);
    EXPECT_EQ(OwnerFace(kItemNormal, false, false, disabled).index, kFaceDisabled) << "still away";
    EXPECT_EQ(OwnerFace(kItemNormal, true, false, disabled).index, kFaceHot);
    EXPECT_FALSE(disabled) << "the mouse over it clears the mark";
    EXPECT_EQ(OwnerFace(kItemNormal, true, true, disabled).index, kFaceNormal) << "pressed, not yet pushed";
    disabled = true;
    const FaceChoice pushed = OwnerFace(kItemPushed, true, true, disabled);
    EXPECT_EQ(pushed.index, kFacePushed);
    EXPECT_TRUE(pushed.shift);
    EXPECT_FALSE(disabled);
}

TEST(LayOutCheck, BoxColumnOnEitherSideAndVerticalPlacement) {
    const CheckLayout left = LayOutCheck(100, 20, false, Align::Centre);
    EXPECT_EQ(left.box.left, 0);
    EXPECT_EQ(left.box.Width(), 14);
    EXPECT_EQ(left.box.top, 3);
    EXPECT_EQ(left.text.left, 15);
    EXPECT_EQ(left.text.right, 100);
    const CheckLayout right = LayOutCheck(100, 20, true, Align::Start);
    EXPECT_EQ(right.box.left, 86);
    EXPECT_EQ(right.box.right, 100);
    EXPECT_EQ(right.box.top, 0);
    EXPECT_EQ(right.text.left, 0);
    EXPECT_EQ(right.text.right, 85);
    EXPECT_EQ(LayOutCheck(100, 30, false, Align::End).box.bottom, 30);
}

TEST(GroupCaptionRect, EstimateFromBytesAndTheEmptyCaption) {
    // "添加新站": 8 bytes at a 12-pixel font, 48 pixels, 6 more away from the edge.
    const PixelRect left = GroupCaptionRect(300, 12, 8, Align::Start);
    EXPECT_EQ(left.left, 6);
    EXPECT_EQ(left.right, 60);
    EXPECT_EQ(left.Height(), 12);
    const PixelRect right = GroupCaptionRect(300, 12, 8, Align::End);
    EXPECT_EQ(right.right, 294);
    EXPECT_EQ(right.left, 240);
    const PixelRect centre = GroupCaptionRect(300, 12, 8, Align::Centre);
    EXPECT_EQ(centre.left + centre.right, 300);
    EXPECT_LE(GroupCaptionRect(300, 12, 0, Align::Start).Width(), 12) << "no caption, no gap in the frame";
    EXPECT_GT(GroupCaptionRect(300, 12, 2, Align::Start).Width(), 12);
}

TEST(ArrowGlyphHeight, ShorterSideDecides) {
    EXPECT_EQ(ArrowGlyphHeight(17, 16, 1), 9);   // 0.6 x 16
    EXPECT_EQ(ArrowGlyphHeight(10, 30, 0), 6);   // 0.6 x 10
    EXPECT_EQ(ArrowGlyphHeight(20, 20, 64), 6);  // 0.65 x 10
    EXPECT_EQ(ArrowGlyphHeight(20, 9, 65), 2);   // 0.65 x 4
}

TEST(CutHeaderText, WholeCharactersWithinTheEstimate) {
    EXPECT_EQ(CutHeaderText("网站地址", 70, 12), "网站地址") << "24 pixels fit in 60";
    // 60 pixels hold 10 bytes: five characters of "百度收录数量很多" and the dots.
    EXPECT_EQ(CutHeaderText("百度收录数量很多", 70, 12), "百度收录数...");
    // An odd budget never splits a character: 9 bytes keep four.
    EXPECT_EQ(CutHeaderText("百度收录数量很多", 64, 12), "百度收录...");
    EXPECT_EQ(CutHeaderText("a百度收录数量", 64, 12), "a百度收录...");
    // At least 2 bytes stay; an item narrower than its margin keeps one character.
    EXPECT_EQ(CutHeaderText("雅虎反链", 8, 12), "雅...");
    EXPECT_EQ(CutHeaderText("PR", 24, 12), "PR");
    EXPECT_EQ(CutHeaderText("anything", 40, 0), "anything") << "no font height, no estimate";
}

TEST(ProgressPercent, TruncatedAndClamped) {
    EXPECT_EQ(ProgressPercent(50, 0, 100), 50);
    EXPECT_EQ(ProgressPercent(2, 0, 3), 66);
    EXPECT_EQ(ProgressPercent(-5, -10, 10), 25);
    EXPECT_EQ(ProgressPercent(150, 0, 100), 100);
    EXPECT_EQ(ProgressPercent(-1, 0, 100), 0);
    EXPECT_EQ(ProgressPercent(5, 7, 7), 0) << "an empty range";
    EXPECT_EQ(ProgressPercent(2000000000, -2000000000, 2000000000), 100);
}

}  // namespace
}  // namespace qm
