// Where the parts of a skinned frame lie: see frame_geometry.h.
#include "skin/frame_geometry.h"

#include "platform/gbk.h"

namespace qm {

int CaptionHeight(bool toolWindow, bool caption, int systemCaptionHeight) {
    if (toolWindow) return 19;
    return caption ? systemCaptionHeight + 1 : 0;
}

std::array<int, 4> NonClientMargins(const FrameFacts& f, const SkinMetrics& m) {
    return {m.sideBorder, f.captionHeight + f.menuHeight + m.bottomBand, m.sideBorder, m.bottomBand};
}

std::array<PixelRect, 4> CaptionButtonRects(const PixelRect& w, const FrameFacts& f, const SkinMetrics& m) {
    std::array<PixelRect, 4> r{};
    const int top = w.top + m.captionButtonTop + (f.toolWindow ? m.toolButtonLift : 0);
    const int close = w.right - m.buttonRightMargin;
    if (f.MinMaxAbsent()) {
        r[kCloseButton] = {close - m.closeButton.width, top, close, top + m.closeButton.height};
        const int helpRight = r[kCloseButton].left - m.buttonGap;
        r[kHelpButton] = {helpRight - m.minButton.width, top, helpRight, top + m.minButton.height};
        return r;
    }
    r[kCloseButton] = {close - m.closeButton.width, top, close, top + m.closeButton.height};
    const int maxRight = r[kCloseButton].left - m.buttonGap;
    r[kMaximiseButton] = {maxRight - m.maxButton.width, top, maxRight, top + m.maxButton.height};
    const int minRight = r[kMaximiseButton].left - m.buttonGap;
    r[kMinimiseButton] = {minRight - m.minButton.width, top, minRight, top + m.minButton.height};
    return r;
}

PixelRect TitleRect(int width, const FrameFacts& f, const SkinMetrics& m) {
    PixelRect r;
    r.left = f.sysMenu && f.icon ? 28 : 8;
    r.right =
        width - (f.MinMaxAbsent() ? 14 + m.closeButton.width + 4
                                  : 14 + m.closeButton.width + m.maxButton.width + m.minButton.width + 4);
    r.top = (f.captionHeight - 16 + m.bottomBand) / 2;
    r.bottom = r.top + 16;
    return r;
}

namespace {

int HitCaptionButton(const PixelRect& w, const FrameFacts& f, const SkinMetrics& m, int x, int y) {
    const auto r = CaptionButtonRects(w, f, m);
    if (f.MinMaxAbsent()) {
        // The help place answers even without a help button.
        if (r[kHelpButton].Contains(x, y)) return kHitHelp;
        if (r[kCloseButton].Contains(x, y)) return kHitClose;
        return 0;
    }
    const PixelRect row{r[kMinimiseButton].left, r[kCloseButton].top, r[kCloseButton].right,
                        r[kCloseButton].bottom};
    if (!row.Contains(x, y)) return 0;
    if (x < r[kMinimiseButton].right) return kHitMinButton;
    if (x < r[kMaximiseButton].right) return kHitMaxButton;
    return kHitClose;
}

int HitBorder(const PixelRect& w, int x, int y) {
    constexpr int kEdge = 4, kCorner = 10;
    const int left = x - w.left, right = w.right - 1 - x, top = y - w.top, bottom = w.bottom - 1 - y;
    if (left < kCorner && top < kCorner) return kHitTopLeft;
    if (right < kCorner && top < kCorner) return kHitTopRight;
    if (left < kCorner && bottom < kCorner) return kHitBottomLeft;
    if (right < kCorner && bottom < kCorner) return kHitBottomRight;
    if (left < kEdge) return kHitLeft;
    if (right < kEdge) return kHitRight;
    if (top < kEdge) return kHitTop;
    if (bottom < kEdge) return kHitBottom;
    return kHitClient;
}

}  // namespace

int HitTestFrame(const PixelRect& w, const FrameFacts& f, const SkinMetrics& m, int x, int y,
                 const std::vector<PixelRect>& menuItems) {
    // Caption parts exist only on a captioned window, and its buttons only with a system menu.
    if (f.caption) {
        if (f.sysMenu)
            if (int hit = HitCaptionButton(w, f, m, x, y)) return hit;
        const int C = f.captionHeight;
        if (f.sysMenu && f.icon) {
            const PixelRect icon{w.left + 8, w.top + (C - 16) / 2, w.left + 24, w.top + (C - 16) / 2 + 16};
            if (icon.Contains(x, y)) return kHitSysMenu;
        }
        PixelRect title{w.left + 8, w.top + (C - 12) / 2, w.right, w.top + C - (C - 12) / 2};
        if (f.sysMenu) {
            const PixelRect paint = TitleRect(w.Width(), f, m);
            title.left = w.left + paint.left;
            title.right = w.left + paint.right;
        }
        if (title.Contains(x, y)) return kHitCaption;
    }
    for (const PixelRect& item : menuItems)
        if (item.Contains(x, y)) return kHitMenu;
    if (f.maximised) return kHitClient;
    return HitBorder(w, x, y);
}

std::string CutTitle(std::string_view gbk, std::size_t maxBytes) {
    std::size_t end = 0;
    while (end < gbk.size()) {
        const std::size_t next = end + GbkCharLength(gbk, end);
        if (next > maxBytes) break;
        end = next;
    }
    return std::string(gbk.substr(0, end));
}

std::optional<MnemonicSplit> FindMnemonic(std::string_view text) {
    const std::string compact = ReplaceAll(text, " ", "");
    for (const std::string& entry : MnemonicTable()) {
        if (FindText(compact, entry) < 1) continue;
        const TextPos at = FindText(text, entry);
        if (at < 1) return std::nullopt;  // only the spaceless copy has it
        const auto amp = static_cast<std::size_t>(at - 1);
        return MnemonicSplit{std::string(text.substr(0, amp)), entry[1], std::string(text.substr(amp + 2))};
    }
    return std::nullopt;
}

}  // namespace qm
