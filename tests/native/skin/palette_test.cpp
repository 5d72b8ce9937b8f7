// The skin's numbers: theme 6's palette, menu palette and metrics, and the blend every derived
// colour comes from (single-precision factors, double-precision arithmetic, truncation).
#include "skin/palette.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

struct Rgb {
    int r, g, b;
};
Colour C(Rgb v) {
    return MakeColour(v.r, v.g, v.b);
}

TEST(BlendColours, MidpointTruncatesEachChannel) {
    EXPECT_EQ(BlendColours(1.0f, MakeColour(232, 232, 232), kWhite), C({243, 243, 243}));  // 243.5
    EXPECT_EQ(BlendColours(1.0f, MakeColour(35, 37, 45), kWhite), C({145, 146, 150}));
    EXPECT_EQ(BlendColours(1.0f, MakeColour(0, 0, 0), MakeColour(1, 3, 255)), C({0, 1, 127}));
    EXPECT_EQ(RedOf(MakeColour(1, 2, 3)), 1);
    EXPECT_EQ(GreenOf(MakeColour(1, 2, 3)), 2);
    EXPECT_EQ(BlueOf(MakeColour(1, 2, 3)), 3);
    EXPECT_EQ(MakeColour(1, 2, 3), 0x030201u);
}

TEST(BlendColours, FactorsOfTheFrameGiveTheColoursItPaints) {
    const SkinTheme t = MakeSkinTheme(6);
    const SkinPalette& p = t.palette;
    const SkinMetrics& m = t.metrics;
    // Caption band halves of an active window, its border light and dark.
    EXPECT_EQ(BlendColours(m.captionBlendUpper, p.captionBottom[0], p.captionTop[0]), C({78, 80, 87}));
    EXPECT_EQ(BlendColours(m.captionBlendLower, p.captionBottom[0], p.captionTop[0]), C({60, 61, 67}));
    EXPECT_EQ(BlendColours(0.8f, kWhite, p.buttonTop[0]), C({202, 202, 202}));
    EXPECT_EQ(BlendColours(0.98f, p.captionBottom[0], p.face), C({150, 151, 155}));
    EXPECT_EQ(BlendColours(0.98f, p.captionBottom[3], p.face), C({176, 176, 176}));
    // The hot close button's face bands: 0.88 - 0.05 in single precision.
    EXPECT_EQ(BlendColours(m.captionBlendUpper - 0.05f, p.captionBottom[1], p.captionTop[1]),
              C({32, 107, 140}));
    EXPECT_EQ(BlendColours(m.captionBlendLower, p.captionBottom[1], p.captionTop[1]), C({26, 88, 114}));
}

TEST(SkinTheme, ThemeSixHoldsEveryStatedValue) {
    const SkinTheme t = MakeSkinTheme(6);
    const SkinPalette& p = t.palette;
    EXPECT_EQ(p.face, C({232, 232, 232}));
    EXPECT_EQ(p.text, C({10, 0, 0}));
    EXPECT_EQ(p.accent, C({63, 117, 230}));
    EXPECT_EQ(p.borderDark, C({35, 37, 45}));
    EXPECT_EQ(p.border, C({145, 146, 150}));
    EXPECT_EQ(p.captionText, C({255, 255, 255}));
    EXPECT_EQ(p.faceLight, C({243, 243, 243}));
    EXPECT_EQ(p.buttonOutline, C({145, 146, 150}));
    const Rgb top[4] = {{250, 250, 250}, {250, 250, 150}, {205, 205, 205}, {245, 245, 245}};
    const Rgb bottom[4] = {{235, 235, 235}, {235, 235, 215}, {250, 250, 250}, {128, 128, 128}};
    const Rgb capTop[4] = {{102, 104, 112}, {2, 182, 252}, {76, 78, 86}, {245, 245, 245}};
    const Rgb capBottom[4] = {{76, 78, 86}, {76, 78, 86}, {2, 182, 252}, {128, 128, 128}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(p.buttonTop[i], C(top[i])) << i;
        EXPECT_EQ(p.buttonBottom[i], C(bottom[i])) << i;
        EXPECT_EQ(p.captionTop[i], C(capTop[i])) << i;
        EXPECT_EQ(p.captionBottom[i], C(capBottom[i])) << i;
    }
    const Rgb menu[13] = {{35, 37, 45},    {135, 137, 145}, {185, 185, 185}, {215, 215, 185}, {232, 232, 232},
                          {228, 248, 255}, {10, 0, 0},      {128, 128, 128}, {10, 0, 180},    {35, 37, 45},
                          {255, 255, 255}, {185, 185, 215}, {235, 235, 235}};
    for (std::size_t i = 0; i < 13; ++i) EXPECT_EQ(t.menu[i], C(menu[i])) << i;
    EXPECT_EQ(t.menu[13], 1u);

    const SkinMetrics& m = t.metrics;
    EXPECT_EQ(m.sideBorder, 4);
    EXPECT_EQ(m.bottomBand, 8);
    EXPECT_EQ(m.frameShape, 3);
    EXPECT_EQ(m.captionButtonStyle, 3);
    EXPECT_EQ(m.buttonCorner, 3);
    EXPECT_EQ(m.captionButtonTop, 9);
    EXPECT_EQ(m.buttonRightMargin, 9);
    EXPECT_EQ(m.buttonGap, 0);
    EXPECT_EQ(m.toolButtonLift, -3);
    EXPECT_EQ(m.borderStyle, 1);
    EXPECT_EQ(m.innerFrame, 0);
    EXPECT_FLOAT_EQ(m.captionBlendUpper, 0.88f);
    EXPECT_FLOAT_EQ(m.captionBlendLower, 0.68f);
    EXPECT_FLOAT_EQ(m.faceBlendUpper, 0.88f);
    EXPECT_FLOAT_EQ(m.faceBlendLower, 0.78f);
    EXPECT_EQ(m.minButton.width, 18);
    EXPECT_EQ(m.maxButton.width, 18);
    EXPECT_EQ(m.closeButton.width, 19);
    EXPECT_EQ(m.minButton.height + m.maxButton.height + m.closeButton.height, 45);
    EXPECT_EQ(m.menuItemInset, (std::array<int, 4>{3, 3, 3, 3}));
}

TEST(MnemonicTable, TwentySixUpperCaseEntriesInOrder) {
    const auto& t = MnemonicTable();
    EXPECT_EQ(t.front(), "&A");
    EXPECT_EQ(t[25], "&Z");
    for (std::size_t i = 0; i < t.size(); ++i) EXPECT_EQ(t[i][1], static_cast<char>('A' + i));
}

}  // namespace
}  // namespace qm
