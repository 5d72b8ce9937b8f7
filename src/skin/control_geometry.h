// Where the parts of the skinned controls lie and which face state they take: the face index of
// push buttons, owner-drawn buttons and combo boxes, the box and text of check boxes and radio
// buttons, the group-box caption, the arrow glyph's size, the header's cut text and the progress
// percentage. Pure arithmetic on what the drawers read from the controls; portable and tested
// natively. Any thread.
#pragma once

#include <string>
#include <string_view>

#include "skin/frame_geometry.h"

namespace qm {

// Item states the drawers tell apart. kItemHot is the skin's own; the system's record with only
// the selected bit set means the same. kItemPushed is selected and focused.
inline constexpr unsigned kItemNormal = 0, kItemHot = 1, kItemDisabled = 4, kItemPushed = 17;

// The system's item state without its keyboard-cue bits (no accelerator, no focus rectangle),
// which say nothing about the face.
unsigned FaceItemState(unsigned itemState);

// The face of a push button or combo box: 1 hot, 3 disabled, 2 pushed (contents one pixel right
// and down), else hot while the mouse is over it and not pressed.
struct FaceChoice {
    int index = 0;       // FaceState
    bool shift = false;  // contents move one pixel right and down
};
FaceChoice PushFace(unsigned itemState, bool mouseOver, bool mouseDown);

// The owner-drawn button also remembers whether it was last drawn disabled, and keeps that look
// while the mouse is away from it.
FaceChoice OwnerFace(unsigned itemState, bool mouseOver, bool mouseDown, bool& drawnDisabled);

// Vertical and horizontal placement from a button's style.
enum class Align { Start, Centre, End };

// The 14-pixel box column of a check box or radio button (left, or right with the text on the
// left), the box square in it and the text beside it.
struct CheckLayout {
    PixelRect column, box, text;
};
CheckLayout LayOutCheck(int width, int height, bool textLeft, Align vertical);

// The rectangle under a group box's caption: its width is estimated from the byte length, and
// it is 6 pixels wider on the side away from its edge. Wider than 12 pixels only with a caption.
PixelRect GroupCaptionRect(int width, int textHeight, std::size_t captionBytes, Align horizontal);

// The height of an arrow box's glyph: directions 0 and 1 (up, down) take 0.6 of the shorter
// side, 64 and 65 (left, right) 0.65 of half of it.
int ArrowGlyphHeight(int width, int height, int direction);

// A header item's text that fits (item width - 10) by the estimate byte length x font height / 2:
// whole characters only, at least 2 bytes, with "..." appended when cut.
std::string CutHeaderText(std::string_view gbk, int itemWidth, int fontHeight);

// The position's share of the range in whole percent, 0 to 100.
int ProgressPercent(int position, int low, int high);

}  // namespace qm
