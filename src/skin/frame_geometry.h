// Where the parts of a skinned frame lie: the non-client margins, the caption buttons, the title,
// the hit-test codes of every point of a framed window, the title cut and the mnemonic of a menu
// text. Pure arithmetic on the facts the frame procedure reads from the window; portable and
// tested natively. Any thread.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "skin/palette.h"

namespace qm {

struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Empty() const { return right <= left || bottom <= top; }
};

// States of a caption button, as the frame properties hold them.
enum CaptionButtonState { kButtonNormal = 0, kButtonHot = 1, kButtonPushed = 2, kButtonAbsent = 3 };
enum CaptionButton { kMinimiseButton = 0, kMaximiseButton = 1, kCloseButton = 2, kHelpButton = 3 };

// The values of the system's hit-test codes.
enum FrameHit {
    kHitClient = 1,
    kHitCaption = 2,
    kHitSysMenu = 3,
    kHitMenu = 5,
    kHitMinButton = 8,
    kHitMaxButton = 9,
    kHitLeft = 10,
    kHitRight = 11,
    kHitTop = 12,
    kHitTopLeft = 13,
    kHitTopRight = 14,
    kHitBottom = 15,
    kHitBottomLeft = 16,
    kHitBottomRight = 17,
    kHitClose = 20,
    kHitHelp = 21,
};

// What the frame knows of one window.
struct FrameFacts {
    bool caption = false;     // both caption bits
    bool toolWindow = false;  // narrow caption
    bool sysMenu = false;
    bool icon = false;
    bool maximised = false;
    int captionHeight = 0;  // C
    int menuHeight = 0;     // M
    std::array<int, 4> buttons{kButtonAbsent, kButtonAbsent, kButtonAbsent, kButtonAbsent};

    bool MinMaxAbsent() const {
        return buttons[kMinimiseButton] == kButtonAbsent && buttons[kMaximiseButton] == kButtonAbsent;
    }
};

// C: 19 for a tool window, the system caption height + 1 for a captioned window, else 0.
int CaptionHeight(bool toolWindow, bool caption, int systemCaptionHeight);

// Left, top, right and bottom non-client margins.
std::array<int, 4> NonClientMargins(const FrameFacts& f, const SkinMetrics& m);

// The four caption-button rectangles on the window rectangle w (screen or window coordinates).
// Without minimise and maximise only close and help have places; otherwise help has none.
std::array<PixelRect, 4> CaptionButtonRects(const PixelRect& w, const FrameFacts& f, const SkinMetrics& m);

// The title's rectangle in window coordinates for a window W pixels wide.
PixelRect TitleRect(int width, const FrameFacts& f, const SkinMetrics& m);

// The hit-test code of point (x, y) on window rectangle w; menuItems are the menu-bar item
// rectangles in the same coordinates.
int HitTestFrame(const PixelRect& w, const FrameFacts& f, const SkinMetrics& m, int x, int y,
                 const std::vector<PixelRect>& menuItems = {});

// The first maxBytes bytes of a title, never splitting a double-byte character.
std::string CutTitle(std::string_view gbk, std::size_t maxBytes = 127);

// A menu text split at its mnemonic ("&" and an upper-case letter; the table is searched in
// order on the text without spaces). The "&" belongs to no piece.
struct MnemonicSplit {
    std::string before;
    char letter = 0;
    std::string after;
};
std::optional<MnemonicSplit> FindMnemonic(std::string_view text);

}  // namespace qm
