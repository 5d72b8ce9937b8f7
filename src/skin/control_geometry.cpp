// Control geometry and face states: see control_geometry.h.
#include "skin/control_geometry.h"

#include <algorithm>

namespace qm {

namespace {

constexpr unsigned kKeyboardCueBits = 0x100 | 0x200;  // no accelerator, no focus rectangle
constexpr int kCheckColumn = 14;

}  // namespace

unsigned FaceItemState(unsigned itemState) {
    return itemState & ~kKeyboardCueBits;
}

FaceChoice PushFace(unsigned itemState, bool mouseOver, bool mouseDown) {
    switch (FaceItemState(itemState)) {
        case kItemHot:
            return {kFaceHot, false};
        case kItemDisabled:
            return {kFaceDisabled, false};
        case kItemPushed:
            return {kFacePushed, true};
        default:
            return {mouseOver && !mouseDown ? kFaceHot : kFaceNormal, false};
    }
}

FaceChoice OwnerFace(unsigned itemState, bool mouseOver, bool mouseDown, bool& drawnDisabled) {
    switch (FaceItemState(itemState)) {
        case kItemHot:
            return {kFaceHot, false};
        case kItemDisabled:
            drawnDisabled = true;
            return {kFaceDisabled, false};
        case kItemPushed:
            drawnDisabled = false;
            return {kFacePushed, true};
        default:
            if (mouseOver) {
                drawnDisabled = false;
                return {mouseDown ? kFaceNormal : kFaceHot, false};
            }
            return {drawnDisabled ? kFaceDisabled : kFaceNormal, false};
    }
}

CheckLayout LayOutCheck(int width, int height, bool textLeft, Align vertical) {
    CheckLayout l;
    l.column =
        textLeft ? PixelRect{width - kCheckColumn, 0, width, height} : PixelRect{0, 0, kCheckColumn, height};
    l.text = textLeft ? PixelRect{0, 0, width - kCheckColumn - 1, height}
                      : PixelRect{kCheckColumn + 1, 0, width, height};
    int top = (height - kCheckColumn) / 2;
    if (vertical == Align::Start) top = 0;
    if (vertical == Align::End) top = height - kCheckColumn;
    l.box = {l.column.left, top, l.column.left + kCheckColumn, top + kCheckColumn};
    return l;
}

PixelRect GroupCaptionRect(int width, int textHeight, std::size_t captionBytes, Align horizontal) {
    const int estimate = static_cast<int>(captionBytes) * textHeight / 2;
    const int w = estimate + 6;
    switch (horizontal) {
        case Align::End:
            return {width - 6 - w, 0, width - 6, textHeight};
        case Align::Centre:
            return {(width - w) / 2, 0, (width - w) / 2 + w, textHeight};
        default:
            return {6, 0, 6 + w, textHeight};
    }
}

int ArrowGlyphHeight(int width, int height, int direction) {
    const int side = std::min(width, height);
    if (direction == 0 || direction == 1) return static_cast<int>(0.6 * side);
    return static_cast<int>(0.65 * (side / 2));
}

std::string CutHeaderText(std::string_view gbk, int itemWidth, int fontHeight) {
    const int room = itemWidth - 10;
    if (fontHeight <= 0 || static_cast<long long>(gbk.size()) * fontHeight / 2 <= room)
        return std::string(gbk);
    const int keep = std::max(2, room * 2 / fontHeight);
    return CutTitle(gbk, static_cast<std::size_t>(keep)) + "...";
}

int ProgressPercent(int position, int low, int high) {
    if (high <= low) return 0;
    const long long share =
        (static_cast<long long>(position) - low) * 100 / (static_cast<long long>(high) - low);
    return static_cast<int>(std::clamp<long long>(share, 0, 100));
}

}  // namespace qm
