// The skin's colour scheme and geometry numbers: the palette, the menu palette, the metrics and
// the colour blend every drawer derives its in-between colours from. Pure numbers, no drawing;
// portable and tested natively. Built once at installation, read-only afterwards; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qm {

// red + 256 x green + 65536 x blue, the layout of a Win32 COLORREF.
using Colour = std::uint32_t;

constexpr Colour MakeColour(int red, int green, int blue) {
    return static_cast<Colour>(red) | static_cast<Colour>(green) << 8 | static_cast<Colour>(blue) << 16;
}
constexpr int RedOf(Colour c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(Colour c) {
    return static_cast<int>(c >> 8 & 0xFF);
}
constexpr int BlueOf(Colour c) {
    return static_cast<int>(c >> 16 & 0xFF);
}

inline constexpr Colour kWhite = MakeColour(255, 255, 255);
// The key colour of every off-screen layer: pixels left in it are not copied.
inline constexpr Colour kMagenta = MakeColour(255, 0, 255);

// Per channel (factor x a + factor x b) / 2 in double precision, truncated: factor 1 gives the
// midpoint. The factor is single precision, as the metrics store it.
Colour BlendColours(float factor, Colour a, Colour b);

// Face states of raised faces and caption buttons.
enum FaceState { kFaceNormal = 0, kFaceHot = 1, kFacePushed = 2, kFaceDisabled = 3 };

struct SkinPalette {
    Colour face = 0;                                      // windows, dialogs, controls, the menu band
    Colour text = 0;                                      // text of controls
    Colour accent = 0;                                    // check marks, selections, progress
    Colour borderDark = 0;                                // outline of an active frame
    Colour border = 0;                                    // lines, outlines, focus frames
    Colour captionText = 0;                               // caption title and caption-button glyphs
    std::array<Colour, 4> buttonTop{}, buttonBottom{};    // by FaceState; buttonBottom[3] is grey text
    std::array<Colour, 4> captionTop{}, captionBottom{};  // [0] active, [1] hot, [2] pushed, [3] inactive
    Colour faceLight = 0;                                 // edit fields, list boxes, list and tree views
    Colour buttonOutline = 0;                             // outline of enabled push and toolbar buttons
};

// Menu-bar and popup-menu colours by index; entry 13 is a flag (1), not a colour.
using MenuPalette = std::array<Colour, 14>;

struct PixelSize {
    int width = 0, height = 0;
};

struct SkinMetrics {
    int sideBorder = 0;          // left and right frame borders
    int bottomBand = 0;          // bottom border, and the band between caption (or menu) and client
    int frameShape = 0;          // 0 rectangle, 1 rounded top, 2 all rounded, 3 notched
    int captionButtonStyle = 0;  // 3: flat when normal, rounded face when hot or pushed
    int buttonCorner = 0;        // corner ellipse of caption-button faces
    int captionButtonTop = 0;    // window top edge to the caption buttons
    int buttonRightMargin = 0;   // window right edge to the close button
    int buttonGap = 0;
    int toolButtonLift = 0;  // added to captionButtonTop for tool windows
    int borderStyle = 0;     // 1: gradient sides
    int innerFrame = 0;      // 1: a line around the client area
    float captionBlendUpper = 0, captionBlendLower = 0, faceBlendUpper = 0, faceBlendLower = 0;
    PixelSize minButton, maxButton, closeButton;
    std::array<int, 4> menuItemInset{};  // left, top, right, bottom
};

struct SkinTheme {
    SkinPalette palette;
    MenuPalette menu{};
    SkinMetrics metrics;
};

// The scheme of a theme number. The program uses theme 6; every number gives it.
SkinTheme MakeSkinTheme(int theme);

// "&A" ... "&Z": the mnemonics menu drawers recognise, in the order they are searched.
const std::array<std::string, 26>& MnemonicTable();

}  // namespace qm
