// The skin's colour scheme: see palette.h.
#include "skin/palette.h"

#include <cmath>

namespace qm {

Colour BlendColours(float factor, Colour a, Colour b) {
    const double f = factor;
    auto channel = [f](int x, int y) { return static_cast<int>(std::trunc((f * x + f * y) / 2)); };
    return MakeColour(channel(RedOf(a), RedOf(b)), channel(GreenOf(a), GreenOf(b)),
                      channel(BlueOf(a), BlueOf(b)));
}

SkinTheme MakeSkinTheme(int /*theme*/) {
    SkinTheme t;
    SkinPalette& p = t.palette;
    p.face = MakeColour(232, 232, 232);
    p.text = MakeColour(10, 0, 0);
    p.accent = MakeColour(63, 117, 230);
    p.borderDark = MakeColour(35, 37, 45);
    p.border = BlendColours(1.0f, p.borderDark, kWhite);
    p.captionText = kWhite;
    p.buttonTop = {MakeColour(250, 250, 250), MakeColour(250, 250, 150), MakeColour(205, 205, 205),
                   MakeColour(245, 245, 245)};
    p.buttonBottom = {MakeColour(235, 235, 235), MakeColour(235, 235, 215), MakeColour(250, 250, 250),
                      MakeColour(128, 128, 128)};
    p.captionTop = {MakeColour(102, 104, 112), MakeColour(2, 182, 252), MakeColour(76, 78, 86),
                    MakeColour(245, 245, 245)};
    p.captionBottom = {MakeColour(76, 78, 86), MakeColour(76, 78, 86), MakeColour(2, 182, 252),
                       MakeColour(128, 128, 128)};
    p.faceLight = BlendColours(1.0f, p.face, kWhite);
    p.buttonOutline = BlendColours(1.0f, p.borderDark, kWhite);

    t.menu = {MakeColour(35, 37, 45),    MakeColour(135, 137, 145),
              MakeColour(185, 185, 185), MakeColour(215, 215, 185),
              MakeColour(232, 232, 232), MakeColour(228, 248, 255),
              MakeColour(10, 0, 0),      MakeColour(128, 128, 128),
              MakeColour(10, 0, 180),    MakeColour(35, 37, 45),
              MakeColour(255, 255, 255), MakeColour(185, 185, 215),
              MakeColour(235, 235, 235), 1};

    SkinMetrics& m = t.metrics;
    m.sideBorder = 4;
    m.bottomBand = 8;
    m.frameShape = 3;
    m.captionButtonStyle = 3;
    m.buttonCorner = 3;
    m.captionButtonTop = 9;
    m.buttonRightMargin = 9;
    m.buttonGap = 0;
    m.toolButtonLift = -3;
    m.borderStyle = 1;
    m.innerFrame = 0;
    m.captionBlendUpper = 0.88f;
    m.captionBlendLower = 0.68f;
    m.faceBlendUpper = 0.88f;
    m.faceBlendLower = 0.78f;
    m.minButton = {18, 15};
    m.maxButton = {18, 15};
    m.closeButton = {19, 15};
    m.menuItemInset = {3, 3, 3, 3};
    return t;
}

const std::array<std::string, 26>& MnemonicTable() {
    static const std::array<std::string, 26> table = [] {
        std::array<std::string, 26> t;
        for (int i = 0; i < 26; ++i)
            t[static_cast<std::size_t>(i)] = std::string("&") + static_cast<char>('A' + i);
        return t;
    }();
    return table;
}

}  // namespace qm
